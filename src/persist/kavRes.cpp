#include "kavRes.h"
#include "kavResHelp.h"

#include "kavXML.h"

#include <rtl/kavCaseFold.h>
#include <rtl/kavCodePage.h>
#include <rtl/kavExceptions.h>
#include <rtl/kavFormat.h>
#include <rtl/kavSettings.h>
#include <rtl/kavStreams.h>
#include <rtl/kavUIServices.h>
#include <rtl/kavVariant.h>
#include <script/ky_messages.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QObject>
#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

constexpr int kTileSize = 16;
constexpr int kWizardTileSize = 32;

// Built-in documents, in loading order: later documents override equal keys.
constexpr std::array<QStringView, 3> kResourceUnits{u"kavrcClass", u"kavrcInsp", u"kavrcDesgn"};

QString resourcePath(QStringView name)
{
    return u":/kavrel/res/"_s + name.toString();
}

// Help topics of the windows that have a page of their own.
struct HelpTopic
{
    QStringView className;
    QStringView page;
};
constexpr std::array<HelpTopic, 35> kHelpTopics{{
    {u"TkavDesignerForm", u"Designer.htm"},
    {u"TkavOptionsEditor", u"Designer_options.htm"},
    {u"TkavReportEditorForm", u"Report_options.htm"},
    {u"TkavPageEditorForm", u"Page_options.htm"},
    {u"TkavCrossEditorForm", u"Cross_tab_reports.htm"},
    {u"TkavChartEditorForm", u"Diagrams.htm"},
    {u"TkavSyntaxMemo", u"Script.htm"},
    {u"TkavDialogPage", u"Dialogue_forms.htm"},
    {u"TkavDialogComponent", u"Data_access_components.htm"},
    {u"TkavVarEditorForm", u"Variables.htm"},
    {u"TkavHighlightEditorForm", u"Conditional_highlighting.htm"},
    {u"TkavSysMemoEditorForm", u"Inserting_aggregate_function.htm"},
    {u"TkavFormatEditorForm", u"Values_formatting.htm"},
    {u"TkavGroupEditorForm", u"Report_with_groups.htm"},
    {u"TkavPictureEditorForm", u"Picture_object.htm"},
    {u"TkavMemoEditorForm", u"Text_object.htm"},
    {u"TkavSQLEditorForm", u"TkavADOQuery.htm"},
    // Windows of this program that have a page of their own besides those above.
    {u"TkavPreviewForm", u"Preview.htm"},
    {u"TkavObjectInspector", u"Object_inspector.htm"},
    {u"TkavDataTreeForm", u"Data_tree.htm"},
    {u"TkavReportTreeForm", u"Report_tree.htm"},
    {u"TkavExprEditorForm", u"Expressions.htm"},
    {u"TkavPageSetupDialog", u"Page_options.htm"},
    {u"TkavPrintDialog", u"Printing.htm"},
    {u"TkavExportDialog", u"Export.htm"},
    {u"TkavReportDataForm", u"Data_sources.htm"},
    {u"TkavConnEditorForm", u"Data_sources.htm"},
    {u"TkavConnectionItemEdit", u"Data_sources.htm"},
    {u"TkavStyleEditorForm", u"Styles.htm"},
    {u"TkavDataBandEditorForm", u"Bands.htm"},
    {u"TkavNewItemForm", u"Report_wizard.htm"},
    {u"TkavStdWizardForm", u"Report_wizard.htm"},
    {u"TkavDBTableWizardForm", u"Report_wizard.htm"},
    {u"TkavEvaluateForm", u"Report_wizard.htm"},
    {u"TkavWatchForm", u"Report_wizard.htm"},
}};

// Settings of the remembered language: value "Language" of "Resources" under the program's
// user key.
constexpr QStringView kSettingsRoot = u"\\Software\\Orvane";
constexpr QStringView kLanguageSection = u"Resources";
constexpr QStringView kLanguageValue = u"Language";

QString programFolder()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    return QDir::currentPath();
}

// The guide beside the program (a build), else where an installation puts it.
QString defaultHelpFolder()
{
    const QString beside = programFolder() + u"/help"_s;
    const QString installed = QDir::cleanPath(programFolder() + u"/../share/kavrel/help"_s);
    return !QFileInfo(beside).isDir() && QFileInfo(installed).isDir() ? installed : beside;
}

// "deutsch.kvc" and "DEUTSCH.kvc" both name the language "Deutsch".
QString languageName(const QFileInfo &file)
{
    QString name = kavLowerCase(file.completeBaseName());
    if (!name.isEmpty())
        name[0] = kavUpCaseChar(name[0]);
    return name;
}

// The file of a language in folder, found case-insensitively (empty when none).
QString languageFile(const QString &folder, const QString &language)
{
    const QFileInfoList files =
        QDir(folder).entryInfoList({u"*.kvc"_s}, QDir::Files | QDir::Readable, QDir::Name);
    for (const QFileInfo &file : files) {
        if (kavSameText(languageName(file), language))
            return file.absoluteFilePath();
    }
    return QString();
}

quint32 parseCodePage(const QString &text)
{
    bool ok = false;
    const uint value = text.trimmed().toUInt(&ok);
    if (!ok || text.trimmed() != text)
        throw EConvertError(u"'%1' is not a valid integer value"_s.arg(text));
    return value;
}

} // namespace

// The documents and icons are compiled into a static library; registering them by name
// keeps the linker from dropping them.
static void kavInitResources()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(kavres);
        return true;
    }();
    Q_UNUSED(registered);
}

// ---------------------------------------------------------------------------------------

TkavResourceOptions TkavResourceOptions::system()
{
    TkavResourceOptions options;
    const QStringList ui = QLocale::system().uiLanguages();
    const QLocale first = ui.isEmpty() ? QLocale::system() : QLocale(ui.first());
    options.builtIn = first.language() == QLocale::Portuguese ? blPortuguese : blEnglish;
    return options;
}

TkavResources::TkavResources() : TkavResources(TkavResourceOptions::system()) {}

TkavResources::TkavResources(const TkavResourceOptions &options)
    : FHelpFolder(options.helpFolder.isEmpty() ? defaultHelpFolder() : options.helpFolder)
    , FLanguageFolder(options.languageFolder.isEmpty() ? programFolder()
                                                       : options.languageFolder)
{
    kavInitResources();
    rescanLanguages();
    loadBuiltIn(options.builtIn);
    if (options.restoreLanguage) {
        // A remembered language whose file is gone or broken leaves the built-in texts.
        const QString remembered = rememberedLanguage();
        if (!remembered.isEmpty() && !languageFile(FLanguageFolder, remembered).isEmpty())
            loadLanguage(remembered);
    }
}

TkavResources::~TkavResources() = default;

// --- texts ------------------------------------------------------------------------------

QString TkavResources::Get(const QString &StrName) const
{
    const auto it = FNames.constFind(kavLowerCase(StrName));
    QString text = it == FNames.cend() ? StrName : FValues.at(*it);
    if (text.startsWith(u'!'))
        text.remove(0, 1);
    return text;
}

bool TkavResources::contains(const QString &key) const
{
    return FNames.contains(kavLowerCase(key));
}

void TkavResources::AddW(const QString &Ref, const QString &Str)
{
    const QString folded = kavLowerCase(Ref);
    const auto it = FNames.constFind(folded);
    if (it != FNames.cend()) {
        FValues[*it] = Str;
        return;
    }
    FNames.insert(folded, int(FValues.size()));
    FValues.append(Str);
}

void TkavResources::Add(const QString &Ref, const QString &Str)
{
    AddW(Ref, Str);
}

void TkavResources::AddStrings(const QString &Str)
{
    const QStringList lines = Str.split(u'\n');
    for (QString line : lines) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        const qsizetype eq = line.indexOf(u'=');
        if (eq <= 0 || eq == line.size() - 1)
            continue;
        Add(line.left(eq), line.mid(eq + 1));
    }
}

void TkavResources::AddXML(const QByteArray &Str)
{
    TMemoryStream stream(Str);
    LoadFromStream(stream);
}

QList<TkavResources::Entry> TkavResources::readDocument(TStream &stream, quint32 &codePage,
                                                        bool &isResources)
{
    TkavXMLDocument doc;
    doc.LoadFromStream(stream);
    const TkavXMLItem *root = doc.Root();
    isResources = root->Name() == u"Resources";
    QList<Entry> entries;
    if (!isResources)
        return entries;
    codePage = parseCodePage(root->GetProp(u"CodePage"_s));
    const bool oldVersion = doc.OldVersion();
    entries.reserve(root->Count());
    for (int i = 0; i < root->Count(); ++i) {
        const TkavXMLItem *item = root->Items(i);
        if (item->Name() != u"StrRes")
            continue;
        const QString key = item->GetProp(u"Name"_s);
        if (key.isEmpty())
            continue;
        QString text = item->GetProp(u"Text"_s);
        // An old-style document was read in the ANSI code page although its bytes are UTF-8.
        if (oldVersion)
            text = QString::fromUtf8(kavUnicodeToCodePage(text, kavCP_ACP));
        entries.append({key, kavDecodeXMLText(text)});
    }
    return entries;
}

void TkavResources::LoadFromStream(TStream &Stream)
{
    quint32 codePage = FCP;
    bool isResources = false;
    // Read everything first, so that a broken document changes nothing.
    const QList<Entry> entries = readDocument(Stream, codePage, isResources);
    if (isResources) {
        FCP = codePage;
        for (const Entry &entry : entries)
            AddW(entry.key, entry.text);
    }
    UpdateFSResources();
}

void TkavResources::LoadFromFile(const QString &FileName)
{
    if (!QFileInfo(FileName).isFile())
        return;
    TFileStream stream(FileName, fmOpenRead);
    LoadFromStream(stream);
}

void TkavResources::Clear()
{
    FNames.clear();
    FValues.clear();
}

void TkavResources::UpdateFSResources()
{
    for (const QString &key : kyMessageKeys()) {
        if (contains(key))
            kySetMessage(key, Get(key));
    }
}

void TkavResources::loadBuiltIn(TkavBuiltInLanguage language)
{
    Clear();
    const QString suffix = language == blEnglish ? u".en.xml"_s : u".xml"_s;
    for (QStringView unit : kResourceUnits) {
        QFile file(resourcePath(unit.toString() + suffix));
        if (!file.open(QIODevice::ReadOnly))
            throw EkavError(u"Missing built-in resource document %1"_s.arg(file.fileName()));
        AddXML(file.readAll());
    }
    FCurrentLanguage.clear();
    FBuiltIn = language;
}

// --- languages --------------------------------------------------------------------------

void TkavResources::setLanguageFolder(const QString &folder)
{
    FLanguageFolder = folder;
    rescanLanguages();
}

void TkavResources::rescanLanguages()
{
    FLanguages.clear();
    const QFileInfoList files = QDir(FLanguageFolder).entryInfoList({u"*.kvc"_s}, QDir::Files);
    for (const QFileInfo &file : files) {
        const QString name = languageName(file);
        if (!name.isEmpty() && !FLanguages.contains(name, Qt::CaseInsensitive))
            FLanguages.append(name);
    }
    std::sort(FLanguages.begin(), FLanguages.end(),
              [](const QString &a, const QString &b) { return kavCompareText(a, b) < 0; });
}

bool TkavResources::loadLanguage(const QString &language, QString *errorMessage)
{
    const QString file = languageFile(FLanguageFolder, language);
    try {
        if (file.isEmpty())
            throw EFOpenError(u"Cannot open file \"%1\""_s.arg(
                QDir(FLanguageFolder).filePath(language + u".kvc"_s)));
        TFileStream stream(file, fmOpenRead);
        LoadFromStream(stream);
    } catch (const Exception &e) {
        if (errorMessage) {
            *errorMessage =
                Get(u"clLangLoadError"_s).replace(u"%s"_s, language) + u' ' + e.Message();
        }
        return false;
    }
    FCurrentLanguage = language;
    TkavIniFile settings(kSettingsRoot.toString());
    settings.WriteString(kLanguageSection.toString(), kLanguageValue.toString(), language);
    // A listener may come or go while the others run: walk a copy.
    const auto listeners = FLanguageListeners;
    for (const auto &[id, listener] : listeners)
        if (FLanguageListeners.count(id))
            listener();
    return true;
}

QString TkavResources::languageInUse() const
{
    if (!FCurrentLanguage.isEmpty())
        return FCurrentLanguage;
    return FBuiltIn == blEnglish ? u"English"_s : u"Portuguese"_s;
}

int TkavResources::addLanguageListener(std::function<void()> listener)
{
    const int id = FNextListener++;
    FLanguageListeners.emplace(id, std::move(listener));
    return id;
}

void TkavResources::removeLanguageListener(int id)
{
    FLanguageListeners.erase(id);
}

QString TkavResources::rememberedLanguage()
{
    const TkavIniFile settings(kSettingsRoot.toString());
    return settings.ReadString(kLanguageSection.toString(), kLanguageValue.toString(), QString());
}

// --- images -----------------------------------------------------------------------------

TkavImageList kavCutImageStrip(const QImage &strip, int size)
{
    TkavImageList tiles;
    if (strip.isNull() || size <= 0)
        return tiles;
    const QImage source = strip.convertToFormat(QImage::Format_ARGB32);
    const bool keyed = !strip.hasAlphaChannel();
    for (int y = 0; y + size <= source.height(); y += size) {
        for (int x = 0; x + size <= source.width(); x += size) {
            QImage tile = source.copy(x, y, size, size);
            if (keyed) {
                const QRgb transparent = tile.pixel(0, size - 1);
                for (int ty = 0; ty < size; ++ty) {
                    auto *line = reinterpret_cast<QRgb *>(tile.scanLine(ty));
                    for (int tx = 0; tx < size; ++tx) {
                        if (line[tx] == transparent)
                            line[tx] = qRgba(0, 0, 0, 0);
                    }
                }
            }
            tiles.append(tile);
        }
    }
    return tiles;
}

QImage kavGrayImage(const QImage &tile)
{
    QImage grey = tile.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < grey.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(grey.scanLine(y));
        for (int x = 0; x < grey.width(); ++x) {
            const QRgb p = line[x];
            const int sum = qRed(p) + qGreen(p) + qBlue(p);
            const int level = std::min(255, 150 + int(std::lround(sum / 9.0)));
            line[x] = qRgba(level, level, level, qAlpha(p));
        }
    }
    return grey;
}

void TkavResources::ensureImages(TkavImageList &list, const QString &resourceName, int size)
{
    if (!list.isEmpty())
        return;
    list = kavCutImageStrip(QImage(resourcePath(resourceName + u".png"_s)), size);
}

const TkavImageList &TkavResources::GetMainButtonImages()
{
    if (FMainButtonImages.isEmpty())
        SetButtonImages(QImage(resourcePath(u"DesgnButtons.png")), true);
    return FMainButtonImages;
}

const TkavImageList &TkavResources::GetDisabledButtonImages()
{
    GetMainButtonImages();
    return FDisabledButtonImages;
}

const TkavImageList &TkavResources::GetPreviewButtonImages()
{
    ensureImages(FPreviewButtonImages, u"PreviewButtons"_s, kTileSize);
    return FPreviewButtonImages;
}

const TkavImageList &TkavResources::GetObjectImages()
{
    ensureImages(FObjectImages, u"ObjectButtons"_s, kTileSize);
    return FObjectImages;
}

const TkavImageList &TkavResources::GetWizardImages()
{
    ensureImages(FWizardImages, u"WizardButtons"_s, kWizardTileSize);
    return FWizardImages;
}

void TkavResources::SetButtonImages(const QImage &Images, bool Clear)
{
    if (Clear) {
        FMainButtonImages.clear();
        FDisabledButtonImages.clear();
    }
    for (const QImage &tile : kavCutImageStrip(Images, kTileSize)) {
        FMainButtonImages.append(tile);
        FDisabledButtonImages.append(kavGrayImage(tile));
    }
}

void TkavResources::SetPreviewButtonImages(const QImage &Images, bool Clear)
{
    if (Clear)
        FPreviewButtonImages.clear();
    FPreviewButtonImages.append(kavCutImageStrip(Images, kTileSize));
}

void TkavResources::SetObjectImages(const QImage &Images, bool Clear)
{
    if (Clear)
        FObjectImages.clear();
    FObjectImages.append(kavCutImageStrip(Images, kTileSize));
}

void TkavResources::SetWizardImages(const QImage &Images, bool Clear)
{
    if (Clear)
        FWizardImages.clear();
    FWizardImages.append(kavCutImageStrip(Images, kWizardTileSize));
}

QImage TkavResources::glyph(int Index)
{
    const TkavImageList &images = GetMainButtonImages();
    if (Index < 0 || Index >= images.size())
        return QImage();
    QImage result(2 * kTileSize, kTileSize, QImage::Format_ARGB32);
    result.fill(qRgb(128, 128, 0));
    QPainter painter(&result);
    painter.drawImage(0, 0, images.at(Index));
    painter.drawImage(kTileSize, 0, FDisabledButtonImages.at(Index));
    return result;
}

// --- help -------------------------------------------------------------------------------

QString TkavResources::helpPage(const QString &senderClassName) const
{
    for (const HelpTopic &topic : kHelpTopics) {
        if (kavSameText(topic.className, senderClassName))
            return FHelpFolder + u'/' + topic.page.toString();
    }
    return FHelpFolder + u"/index.html"_s;
}

QStringList kavHelpTopicClasses()
{
    QStringList names;
    for (const HelpTopic &topic : kHelpTopics)
        names.append(topic.className.toString());
    return names;
}

void TkavResources::Help(const QString &senderClassName) const
{
    const QString page = helpPage(senderClassName);
    if (kavUIServices().OpenHelpTopic(page))
        return;
    // Either the page is missing from the installed help or nothing can show it: say which.
    const bool missing = !QFileInfo(page).isFile();
    kavUIServices().ErrorBox(Format(Get(missing ? u"clFileNotFound"_s : u"clHelpNotShown"_s), {Variant(page)}));
}

// ---------------------------------------------------------------------------------------

TkavResources &kavResourceTable()
{
    static TkavResources table;
    return table;
}

void kavOnLanguageChanged(QObject &context, std::function<void()> refresh)
{
    const int id = kavResourceTable().addLanguageListener(std::move(refresh));
    QObject::connect(&context, &QObject::destroyed, [id] { kavResourceTable().removeLanguageListener(id); });
}

QString kavGet(int id)
{
    return kavResourceTable().Get(QString::number(id));
}
