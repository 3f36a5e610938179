#pragma once

// The HTML export: prepared pages as an HTML5 document that also parses as XML. Text objects
// become positioned, styled text; every other visible object is drawn to a PNG image,
// embedded or written beside the document. One file for all pages, or one file per page
// with navigation links.

#include <report/kavExportFilter.h>

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <utility>

class QTemporaryDir;
class QFile;
class QImage;
class TkavComponent;
class TkavCustomMemoView;
class TkavView;

class TkavHTMLExport : public TkavCustomExportFilter
{
public:
    // Images of drawn objects hold this many pixels per report pixel (sharp on dense screens).
    static constexpr int PictureScale = 2;

    explicit TkavHTMLExport(TkavFilterRegistration Registration = frRegister);
    ~TkavHTMLExport() override;

    QString GetDescription() const override;
    // Needs FileName (or Stream) and the store; prepares a private folder beside the target
    // where everything is written first. A target folder that cannot take files raises
    // EkavError naming the file.
    bool Start() override;
    void StartPage(TkavReportPage *Page, int Index) override;
    void ExportObject(TkavComponent *Obj) override;
    // Writes the page's block (and, per page, its file) to the private folder.
    void FinishPage(TkavReportPage *Page, int Index) override;
    // Moves every written file into place; a failed run moves nothing, so files of an
    // earlier export stay whole. Write errors raise EkavError naming the file.
    void Finish() override;

    // One file per page with first/previous/next/last links (default: one file).
    bool Multipage() const { return FMultipage; }
    void SetMultipage(bool Value) { FMultipage = Value; }
    // Pictures as data: URIs inside the document (default), else PNG files in the folder
    // "<name>_files" beside it.
    bool EmbedPictures() const { return FEmbedPictures; }
    void SetEmbedPictures(bool Value) { FEmbedPictures = Value; }

    // The file of page Index: FileName when one file is written, else "name_N.html" with
    // N = Index + 1.
    QString PageFileName(int Index) const;
    // The folder for picture files: "<name>_files" beside FileName.
    QString PicturesFolder() const;

    // Text as XML character data or attribute value: &, <, >, " and ' escaped; characters
    // XML cannot hold (controls, unpaired surrogates) are left out.
    static QString EscapeText(QStringView Text);
    // The link a URL hyperlink may become: only http, https, mailto and relative links
    // (tabs, line breaks and leading/trailing controls removed, as browsers do before they
    // look at the scheme); empty when the link is refused.
    static QString SafeURL(const QString &Value);

private:
    struct PendingFile
    {
        QString Name;   // file name inside the private folder
        QString Target; // where it goes on success
    };
    struct PageAnchor
    {
        QString Id;
        int Top;
    };

    // The private folder's file for Target (opened for writing from its start).
    std::unique_ptr<QFile> openPending(const QString &Target);
    // Appends bytes to file; raises EkavError naming the file on a failed write.
    void writeBytes(QFile &File, const QByteArray &Bytes);
    void closePending(std::unique_ptr<QFile> File);
    void commitPending();
    void reset();

    QString documentHead() const;
    QString documentTail() const;
    QString navigation(int Index) const;
    QString pageLink(int PageNumber) const;
    QString anchorLink(const QString &Name) const;
    QString hyperlinkHref(const TkavView &View) const;
    // The positioned text element of a memo.
    QString memoElement(TkavCustomMemoView &Memo);
    // The object drawn by its own drawing, as a positioned image; empty when nothing shows.
    QString drawnElement(TkavView &View);
    // The source of an image: a data: URI or the relative name of a picture file.
    QString pictureSource(const QImage &Image);
    void exportBackground(TkavView &Background);
    void collectAnchors();

    bool FMultipage = false;
    bool FEmbedPictures = true;

    // Working state of one export.
    std::unique_ptr<QTemporaryDir> FWorkDir;
    std::unique_ptr<QFile> FDocument;     // the file being written
    QList<PendingFile> FPending;          // written files, in order
    QList<int> FExportedPages;            // indexes, ascending
    QHash<int, QList<PageAnchor>> FAnchors; // by page index
    QHash<QString, std::pair<int, QString>> FAnchorTargets; // folded name -> page, id
    QString FPageBody;                    // the objects of the page being exported
    QString FPageBackground;              // CSS of the page block's background
    int FPictureCount = 0;
    int FPendingCount = 0;
    bool FUseMultipage = false; // the options as this run applies them
    bool FUseEmbed = true;
    bool FSeveralFiles = false;
};

// Creates and registers the HTML filter (once per process).
void kavRegisterHTMLExportFilter();
