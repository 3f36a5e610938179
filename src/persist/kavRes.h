#pragma once

// TkavResources: the one process-wide table of user-visible texts (key -> text), filled
// from the built-in resource documents and overridden key by key by language files
// ("<language>.kvc"). It also holds the toolbar, object and wizard icons and opens the
// help pages.

#include <QHash>
#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <map>

class QObject;
class TStream;

// An image list: equally sized tiles, addressed by index.
using TkavImageList = QList<QImage>;

// Which built-in table a table starts from.
enum TkavBuiltInLanguage : int {
    blPortuguese, // the shipped Brazilian Portuguese texts
    blEnglish     // the same keys in English
};

// How a table is set up; the defaults describe the running program.
struct TkavResourceOptions
{
    TkavBuiltInLanguage builtIn = blPortuguese;
    QString languageFolder;      // where "<language>.kvc" files live; empty: the program's folder
    QString helpFolder;          // the HTML help pages; empty: "<program folder>/help" or installed
    bool restoreLanguage = true; // load the remembered language when its file exists

    // Portuguese when the system's first UI language is Portuguese, else English; folders
    // empty (program folder); restoring on.
    static TkavResourceOptions system();
};

class TkavResources
{
public:
    // The running program's table: TkavResourceOptions::system().
    TkavResources();
    explicit TkavResources(const TkavResourceOptions &options);
    ~TkavResources();
    TkavResources(const TkavResources &) = delete;
    TkavResources &operator=(const TkavResources &) = delete;

    // --- texts ---

    // The text of StrName (case-insensitive); a missing key yields the key itself. A
    // leading "!" of the text is removed.
    QString Get(const QString &StrName) const;
    // Adds the entry or replaces the text of an existing key.
    void AddW(const QString &Ref, const QString &Str);
    void Add(const QString &Ref, const QString &Str);
    // Str split into lines, each line at its first "=" into key and text; lines with an
    // empty key or an empty text are skipped.
    void AddStrings(const QString &Str);
    // A resource document given as UTF-8 bytes (LoadFromStream).
    void AddXML(const QByteArray &Str);
    // Reads a whole resource document and adds its entries in document order, then pushes
    // the script messages. All or nothing: a document that cannot be read (XML error, a
    // CodePage that is not a number) raises and leaves the table exactly as it was. A
    // root other than "Resources" adds nothing.
    void LoadFromStream(TStream &Stream);
    // LoadFromStream on the file when it exists; a missing file is ignored.
    void LoadFromFile(const QString &FileName);
    // Removes every entry.
    void Clear();
    // Copies the 17 script-engine messages that the table holds into the script engine's
    // message table (keys the table lacks keep the engine's own text).
    void UpdateFSResources();

    int count() const { return FValues.size(); }
    bool contains(const QString &key) const;
    // CodePage of the last resource document loaded.
    quint32 codePage() const { return FCP; }

    // Clears the table and loads the three built-in documents of a language.
    void loadBuiltIn(TkavBuiltInLanguage language);

    // --- languages ---

    // The language names of the "*.kvc" files in the language folder: file name without
    // extension, lower-cased with the first letter upper-cased, sorted.
    const QStringList &Languages() const { return FLanguages; }
    const QString &languageFolder() const { return FLanguageFolder; }
    // Changes the folder and lists its languages again.
    void setLanguageFolder(const QString &folder);
    void rescanLanguages();
    // Loads "<folder>/<language>.kvc" over the table and remembers the choice in the
    // settings ("Resources", value "Language"). Returns false with a message when the file
    // is missing or cannot be read; the table and the remembered choice are then unchanged.
    bool loadLanguage(const QString &language, QString *errorMessage = nullptr);
    // The language file loaded last (as named in Languages()), empty for the built-in table.
    const QString &currentLanguage() const { return FCurrentLanguage; }
    // The language remembered in the settings (empty when none).
    static QString rememberedLanguage();
    // The language the texts are in: the language file loaded last, else the built-in
    // table's ("Portuguese" or "English").
    QString languageInUse() const;

    // --- language change ---

    // Listener runs after every language file loaded with loadLanguage, so that open windows
    // show the new texts. The id removes it again.
    int addLanguageListener(std::function<void()> listener);
    void removeLanguageListener(int id);

    // --- images ---

    // Filled on first request from the program's own icon strips.
    const TkavImageList &GetMainButtonImages();
    const TkavImageList &GetDisabledButtonImages();
    const TkavImageList &GetPreviewButtonImages();
    const TkavImageList &GetObjectImages();
    const TkavImageList &GetWizardImages();
    // Append the tiles of a strip (emptying the list first when Clear is set).
    // SetButtonImages fills the toolbar list and its grey twin.
    void SetButtonImages(const QImage &Images, bool Clear);
    void SetPreviewButtonImages(const QImage &Images, bool Clear);
    void SetObjectImages(const QImage &Images, bool Clear);
    void SetWizardImages(const QImage &Images, bool Clear);
    // A speed button's 32 x 16 glyph: toolbar image Index on the left, its grey twin on the
    // right, on an olive background (128, 128, 0). A null image for an index out of range.
    QImage glyph(int Index);

    // --- help ---

    const QString &helpFolder() const { return FHelpFolder; }
    // The help page for a window class: "<help folder>/<topic>" for the known window
    // classes (compared case-insensitively), else "<help folder>/index.html".
    QString helpPage(const QString &senderClassName) const;
    // Opens helpPage(senderClassName) through the UI services; a missing page: an error box.
    void Help(const QString &senderClassName) const;

private:
    struct Entry
    {
        QString key;
        QString text;
    };
    static QList<Entry> readDocument(TStream &stream, quint32 &codePage, bool &isResources);
    void ensureImages(TkavImageList &list, const QString &resourceName, int size);

    TkavImageList FDisabledButtonImages;
    TkavImageList FMainButtonImages;
    QHash<QString, int> FNames; // folded key -> index into FValues
    TkavImageList FObjectImages;
    TkavImageList FPreviewButtonImages;
    QStringList FValues;        // texts in insertion order
    TkavImageList FWizardImages;
    QStringList FLanguages;
    QString FHelpFolder;
    quint32 FCP = 0;
    QString FLanguageFolder;
    QString FCurrentLanguage;
    TkavBuiltInLanguage FBuiltIn = blPortuguese;
    std::map<int, std::function<void()>> FLanguageListeners;
    int FNextListener = 1;
};

// The process-wide table, created on first use (TkavResourceOptions::system()).
TkavResources &kavResourceTable();

// Runs refresh after every language change for as long as context lives: a window calls
// it once with itself and a function that sets its captions again.
void kavOnLanguageChanged(QObject &context, std::function<void()> refresh);

// Get of the decimal text of a number: kavGet(2475) is the text of "2475".
QString kavGet(int id);

// Cuts a strip into size x size tiles, row by row from the top left, while a whole row of
// tiles fits. A strip without alpha channel takes each tile's bottom-left colour as
// transparent.
TkavImageList kavCutImageStrip(const QImage &strip, int size);

// The grey twin of a tile: every pixel becomes the grey level 150 + (R + G + B) / 9
// (rounded, at most 255); alpha is kept.
QImage kavGrayImage(const QImage &tile);
