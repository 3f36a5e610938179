#pragma once

// The four option objects of a report: how the engine runs (TkavEngineOptions), how the
// preview window looks (TkavPreviewOptions), how printing goes (TkavPrintOptions) and the
// document's descriptive information (TkavReportOptions). Files store them as dotted
// attributes of the report element ("EngineOptions.DoublePass").

#include <report/kavPages.h> // TkavDuplexMode, shared with the pages
#include <rtl/kavDateTime.h>
#include <rtl/kavObject.h>
#include <rtl/kavSet.h>

#include <QString>

#include <memory>

class TkavEnumInfo;
class TkavPicture;
class TkavReport;
class TkavSetInfo;
class TStringList;
class TStrings;

// How load and run errors reach the user.
// ORDER persisted: files store the identifier, scripts the ordinal.
enum TkavSilentMode : int {
    simMessageBoxes, // a message box with all error lines
    simSilent,       // nothing; the caller reads Errors
    simReThrow       // one exception carrying all lines
};

// ORDER persisted: PreviewOptions.Buttons is the bit mask of these ordinals.
enum TkavPreviewButton : int {
    pbPrint,
    pbLoad,
    pbSave,
    pbExport,
    pbZoom,
    pbFind,
    pbOutline,
    pbPageSetup,
    pbTools,
    pbEdit,
    pbNavigator,
    pbExportQuick,
    pbNoClose,
    pbNoFullScreen,
    pbNoEmail
};
using TkavPreviewButtons = TkavSet<TkavPreviewButton>;

// ORDER persisted.
enum TkavZoomMode : int {
    zmDefault,
    zmWholePage,
    zmPageWidth,
    zmManyPages
};

// ORDER persisted.
enum TkavPrintMode : int {
    pmDefault,
    pmSplit,
    pmJoin,
    pmScale
};

// ORDER persisted.
enum TkavPrintPages : int {
    ppAll,
    ppOdd,
    ppEven
};

const TkavEnumInfo &kavEnumTypeInfo(TkavSilentMode);
const TkavEnumInfo &kavEnumTypeInfo(TkavPreviewButton);
const TkavSetInfo &kavSetTypeInfo(TkavPreviewButtons);
const TkavEnumInfo &kavEnumTypeInfo(TkavZoomMode);
const TkavEnumInfo &kavEnumTypeInfo(TkavPrintMode);
const TkavEnumInfo &kavEnumTypeInfo(TkavPrintPages);

// Initial values; the ordinal ones are also the declared defaults files leave out.
inline constexpr bool kavEngineDefaultConvertNulls = true;
inline constexpr bool kavEngineDefaultDoublePass = false;
inline constexpr bool kavEngineDefaultIgnoreDevByZero = false;
inline constexpr int kavEngineDefaultMaxMemSize = 10;
inline constexpr bool kavEngineDefaultPrintIfEmpty = true;
inline constexpr TkavSilentMode kavEngineDefaultSilentMode = simMessageBoxes;
inline constexpr bool kavEngineDefaultUseFileCache = false;

inline constexpr TkavPreviewButtons kavPreviewDefaultButtons{pbPrint,
                                                             pbLoad,
                                                             pbSave,
                                                             pbExport,
                                                             pbZoom,
                                                             pbFind,
                                                             pbOutline,
                                                             pbPageSetup,
                                                             pbTools,
                                                             pbEdit,
                                                             pbNavigator,
                                                             pbExportQuick};
inline constexpr bool kavPreviewDefaultOutlineExpand = true;
inline constexpr bool kavPreviewDefaultOutlineVisible = false;
inline constexpr int kavPreviewDefaultOutlineWidth = 120;
inline constexpr int kavPreviewDefaultPagesInCache = 50;
inline constexpr bool kavPreviewDefaultThumbnailVisible = false;
inline constexpr double kavPreviewDefaultZoom = 1.0;

inline constexpr int kavPrintDefaultCopies = 1;
inline constexpr int kavPrintMaxCopies = 9999;
inline constexpr int kavPrintDefaultSplicingLine = 3;

// ---------------------------------------------------------------------------------------
// Engine behaviour of one report.
class TkavEngineOptions : public TPersistent
{
public:
    KAV_CLASSINFO

    TkavEngineOptions();
    ~TkavEngineOptions() override;

    // Copies ConvertNulls, DoublePass, MaxMemSize, PrintIfEmpty, NewSilentMode, TempDir,
    // UseFileCache, IgnoreDevByZero and MaxPages (with whether they were chosen); nothing else.
    void Assign(const TPersistent &source) override;
    // Resets ConvertNulls, DoublePass and IgnoreDevByZero, the options a file decides, and the
    // file-cache options nobody chose; the rest belong to the application and survive loading.
    void Clear();
    // After a load: the application's options come back from Before, except ConvertNulls,
    // DoublePass and IgnoreDevByZero, and UseFileCache and MaxMemSize when Before had not
    // chosen them, which keep the values read. So a template's own file-cache setting counts
    // unless the application chose one.
    void RestoreApplicationOptions(const TkavEngineOptions &Before);

    bool ConvertNulls() const { return FConvertNulls; }
    void SetConvertNulls(bool value) { FConvertNulls = value; }
    bool DoublePass() const { return FDoublePass; }
    void SetDoublePass(bool value) { FDoublePass = value; }
    bool IgnoreDevByZero() const { return FIgnoreDevByZero; }
    void SetIgnoreDevByZero(bool value) { FIgnoreDevByZero = value; }
    int MaxMemSize() const { return FMaxMemSize; }
    void SetMaxMemSize(int value)
    {
        FMaxMemSize = value;
        FMaxMemSizeChosen = true;
    }
    bool PrintIfEmpty() const { return FPrintIfEmpty; }
    void SetPrintIfEmpty(bool value) { FPrintIfEmpty = value; }
    // Older Boolean view of NewSilentMode: True exactly for simSilent; setting True selects
    // simSilent, False simMessageBoxes. Never written (NewSilentMode is), still read.
    bool SilentMode() const { return FNewSilentMode == simSilent; }
    void SetSilentMode(bool value) { FNewSilentMode = value ? simSilent : simMessageBoxes; }
    TkavSilentMode NewSilentMode() const { return FNewSilentMode; }
    void SetNewSilentMode(TkavSilentMode value) { FNewSilentMode = value; }
    const QString &TempDir() const { return FTempDir; }
    void SetTempDir(const QString &value) { FTempDir = value; }
    bool UseFileCache() const { return FUseFileCache; }
    void SetUseFileCache(bool value)
    {
        FUseFileCache = value;
        FUseFileCacheChosen = true;
    }
    // A run stops with an error line after this many output pages (0: no limit).
    int MaxPages() const { return FMaxPages; }
    void SetMaxPages(int value) { FMaxPages = value; }

    // Public only. Save the report before a run and reload it afterwards (initially on).
    bool DestroyForms() const { return FDestroyForms; }
    void SetDestroyForms(bool value) { FDestroyForms = value; }
    // No progress windows, no message pumping, loading under the report lock.
    bool EnableThreadSafe() const { return FEnableThreadSafe; }
    void SetEnableThreadSafe(bool value) { FEnableThreadSafe = value; }
    // Data sets are looked up in the process-wide list (initially on).
    bool UseGlobalDataSetList() const { return FUseGlobalDataSetList; }
    void SetUseGlobalDataSetList(bool value) { FUseGlobalDataSetList = value; }

private:
    bool FConvertNulls = kavEngineDefaultConvertNulls;
    bool FDoublePass = kavEngineDefaultDoublePass;
    bool FIgnoreDevByZero = kavEngineDefaultIgnoreDevByZero;
    int FMaxMemSize = kavEngineDefaultMaxMemSize;
    bool FPrintIfEmpty = kavEngineDefaultPrintIfEmpty;
    TkavSilentMode FNewSilentMode = kavEngineDefaultSilentMode;
    QString FTempDir;
    bool FUseFileCache = kavEngineDefaultUseFileCache;
    // Set through the setters (or copied): a load keeps these values instead of the file's.
    bool FMaxMemSizeChosen = false;
    bool FUseFileCacheChosen = false;
    int FMaxPages = 0;
    bool FDestroyForms = true;
    bool FEnableThreadSafe = false;
    bool FUseGlobalDataSetList = true;
};

// ---------------------------------------------------------------------------------------
// How the preview window of a report looks.
class TkavPreviewOptions : public TPersistent
{
public:
    KAV_CLASSINFO

    TkavPreviewOptions();
    ~TkavPreviewOptions() override;

    // Copies every published option and RTLPreview.
    void Assign(const TPersistent &source) override;
    // Resets the outline and thumbnail options and PagesInCache, the ones a file decides.
    void Clear();

    bool AllowEdit() const { return FAllowEdit; }
    void SetAllowEdit(bool value) { FAllowEdit = value; }
    TkavPreviewButtons Buttons() const { return FButtons; }
    void SetButtons(TkavPreviewButtons value) { FButtons = value; }
    bool DoubleBuffered() const { return FDoubleBuffered; }
    void SetDoubleBuffered(bool value) { FDoubleBuffered = value; }
    bool Maximized() const { return FMaximized; }
    void SetMaximized(bool value) { FMaximized = value; }
    bool MDIChild() const { return FMDIChild; }
    void SetMDIChild(bool value) { FMDIChild = value; }
    bool Modal() const { return FModal; }
    void SetModal(bool value) { FModal = value; }
    bool OutlineExpand() const { return FOutlineExpand; }
    void SetOutlineExpand(bool value) { FOutlineExpand = value; }
    bool OutlineVisible() const { return FOutlineVisible; }
    void SetOutlineVisible(bool value) { FOutlineVisible = value; }
    int OutlineWidth() const { return FOutlineWidth; }
    void SetOutlineWidth(int value) { FOutlineWidth = value; }
    int PagesInCache() const { return FPagesInCache; }
    void SetPagesInCache(int value) { FPagesInCache = value; }
    bool ThumbnailVisible() const { return FThumbnailVisible; }
    void SetThumbnailVisible(bool value) { FThumbnailVisible = value; }
    bool ShowCaptions() const { return FShowCaptions; }
    void SetShowCaptions(bool value) { FShowCaptions = value; }
    double Zoom() const { return FZoom; }
    void SetZoom(double value) { FZoom = value; }
    TkavZoomMode ZoomMode() const { return FZoomMode; }
    void SetZoomMode(TkavZoomMode value) { FZoomMode = value; }
    bool PictureCacheInFile() const { return FPictureCacheInFile; }
    void SetPictureCacheInFile(bool value) { FPictureCacheInFile = value; }

    // Public only: right-to-left layout of the preview window.
    bool RTLPreview() const { return FRTLPreview; }
    void SetRTLPreview(bool value) { FRTLPreview = value; }

private:
    bool FAllowEdit = true;
    TkavPreviewButtons FButtons = kavPreviewDefaultButtons;
    bool FDoubleBuffered = true;
    bool FMaximized = true;
    bool FMDIChild = false;
    bool FModal = true;
    bool FOutlineExpand = kavPreviewDefaultOutlineExpand;
    bool FOutlineVisible = kavPreviewDefaultOutlineVisible;
    int FOutlineWidth = kavPreviewDefaultOutlineWidth;
    int FPagesInCache = kavPreviewDefaultPagesInCache;
    bool FThumbnailVisible = kavPreviewDefaultThumbnailVisible;
    bool FShowCaptions = false;
    double FZoom = kavPreviewDefaultZoom;
    TkavZoomMode FZoomMode = zmDefault;
    bool FPictureCacheInFile = false;
    bool FRTLPreview = false;
};

// ---------------------------------------------------------------------------------------
// How a report is printed.
class TkavPrintOptions : public TPersistent
{
public:
    KAV_CLASSINFO

    TkavPrintOptions();
    ~TkavPrintOptions() override;

    // Copies Copies, Collate, PageNumbers, Printer, PrintMode, PrintOnSheet, PrintPages,
    // Reverse, ShowDialog and SplicingLine.
    void Assign(const TPersistent &source) override;
    // Resets every published option (Printer to the localized default-printer text).
    void Clear();

    int Copies() const { return FCopies; }
    void SetCopies(int value) { FCopies = value; }
    bool Collate() const { return FCollate; }
    void SetCollate(bool value) { FCollate = value; }
    // Page ranges such as "1,3,5-12"; empty prints all.
    const QString &PageNumbers() const { return FPageNumbers; }
    void SetPageNumbers(const QString &value) { FPageNumbers = value; }
    const QString &Printer() const { return FPrinter; }
    void SetPrinter(const QString &value) { FPrinter = value; }
    TkavPrintMode PrintMode() const { return FPrintMode; }
    void SetPrintMode(TkavPrintMode value) { FPrintMode = value; }
    // Paper size printed on in the modes other than pmDefault.
    int PrintOnSheet() const { return FPrintOnSheet; }
    void SetPrintOnSheet(int value) { FPrintOnSheet = value; }
    TkavPrintPages PrintPages() const { return FPrintPages; }
    void SetPrintPages(TkavPrintPages value) { FPrintPages = value; }
    bool Reverse() const { return FReverse; }
    void SetReverse(bool value) { FReverse = value; }
    bool ShowDialog() const { return FShowDialog; }
    void SetShowDialog(bool value) { FShowDialog = value; }
    // Never written to files.
    bool SwapPageSize() const { return FSwapPageSize; }
    void SetSwapPageSize(bool value) { FSwapPageSize = value; }

    // Public only.
    const QString &PrnOutFileName() const { return FPrnOutFileName; }
    void SetPrnOutFileName(const QString &value) { FPrnOutFileName = value; }
    TkavDuplexMode Duplex() const { return FDuplex; }
    void SetDuplex(TkavDuplexMode value) { FDuplex = value; }
    int SplicingLine() const { return FSplicingLine; }
    void SetSplicingLine(int value) { FSplicingLine = value; }
    int PagesOnSheet() const { return FPagesOnSheet; }
    void SetPagesOnSheet(int value) { FPagesOnSheet = value; }

    // Whether Printer names the system's default printer: empty, "Default" (what the host
    // sets) or the localized text of "prDefault" (ignoring case), whatever the UI language.
    bool IsDefaultPrinter() const;
    // The localized default-printer text, Printer's initial value.
    static QString DefaultPrinterText();

private:
    int FCopies = kavPrintDefaultCopies;
    bool FCollate = true;
    QString FPageNumbers;
    QString FPrinter;
    TkavPrintMode FPrintMode = pmDefault;
    int FPrintOnSheet = 0;
    TkavPrintPages FPrintPages = ppAll;
    bool FReverse = false;
    bool FShowDialog = true;
    bool FSwapPageSize = false;
    QString FPrnOutFileName;
    TkavDuplexMode FDuplex = dmNone;
    int FSplicingLine = kavPrintDefaultSplicingLine;
    int FPagesOnSheet = 0;
};

// ---------------------------------------------------------------------------------------
// Descriptive information of a report document, its password and connection.
class TkavReportOptions : public TPersistent
{
public:
    KAV_CLASSINFO

    // report (not owned) is the owning report, or none.
    explicit TkavReportOptions(TkavReport *report = nullptr);
    ~TkavReportOptions() override;

    // Copies every published property (Description and Picture as copies).
    void Assign(const TPersistent &source) override;
    // Empties ConnectionName, InitString, Name, Password and PrevPassword; outside Info
    // mode also the descriptive fields, with CreateDate and LastChange set to now.
    void Clear();

    TkavReport *Report() const { return FReport; }

    const QString &Author() const { return FAuthor; }
    void SetAuthor(const QString &value) { FAuthor = value; }
    bool Compressed() const { return FCompressed; }
    void SetCompressed(bool value) { FCompressed = value; }
    // A plain value here; resolving stored connections is the report's business.
    const QString &ConnectionName() const { return FConnectionName; }
    // A non-empty name also hands its stored connection strings to the report's
    // OnSetConnection.
    void SetConnectionName(const QString &value);
    TDateTime CreateDate() const { return FCreateDate; }
    void SetCreateDate(TDateTime value) { FCreateDate = value; }
    TStringList &Description() const { return *FDescription; }
    void SetDescription(const TStrings &value);
    const QString &InitString() const { return FInitString; }
    void SetInitString(const QString &value) { FInitString = value; }
    const QString &Name() const { return FName; }
    void SetName(const QString &value) { FName = value; }
    TDateTime LastChange() const { return FLastChange; }
    void SetLastChange(TDateTime value) { FLastChange = value; }
    // Kept in clear text here; the report obfuscates it while writing a file.
    const QString &Password() const { return FPassword; }
    void SetPassword(const QString &value) { FPassword = value; }
    TkavPicture &Picture() const { return *FPicture; }
    void SetPicture(const TkavPicture &value);
    const QString &VersionBuild() const { return FVersionBuild; }
    void SetVersionBuild(const QString &value) { FVersionBuild = value; }
    const QString &VersionMajor() const { return FVersionMajor; }
    void SetVersionMajor(const QString &value) { FVersionMajor = value; }
    const QString &VersionMinor() const { return FVersionMinor; }
    void SetVersionMinor(const QString &value) { FVersionMinor = value; }
    const QString &VersionRelease() const { return FVersionRelease; }
    void SetVersionRelease(const QString &value) { FVersionRelease = value; }

    // Public only. The password last accepted by the password check.
    const QString &PrevPassword() const { return FPrevPassword; }
    void SetPrevPassword(const QString &value) { FPrevPassword = value; }
    // A password supplied by the application: a report protected with it opens silently.
    const QString &HiddenPassword() const { return FHiddenPassword; }
    void SetHiddenPassword(const QString &value) { FHiddenPassword = value; }
    // Report-information mode: loading keeps only the descriptive fields.
    bool Info() const { return FInfo; }
    void SetInfo(bool value) { FInfo = value; }

private:
    TkavReport *FReport; // not owned: the report owns its options
    QString FAuthor;
    bool FCompressed = false;
    QString FConnectionName;
    TDateTime FCreateDate = 0;
    std::unique_ptr<TStringList> FDescription;
    QString FInitString;
    QString FName;
    TDateTime FLastChange = 0;
    QString FPassword;
    std::unique_ptr<TkavPicture> FPicture;
    QString FVersionBuild;
    QString FVersionMajor;
    QString FVersionMinor;
    QString FVersionRelease;
    QString FPrevPassword;
    QString FHiddenPassword;
    bool FInfo = false;
};

// Registers the four option classes (and builds their enumeration and set types).
void kavRegisterReportOptionClasses();
