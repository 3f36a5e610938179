#pragma once

// The contract an exporter fulfils (TkavCustomExportFilter), the process-wide list of the
// filters on offer, and the parser of page-range texts such as "1,3,5-12".

#include <rtl/kavExceptions.h>
#include <rtl/kavUIServices.h>

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class TkavComponent;
class TkavCustomPreviewPages;
class TkavReport;
class TkavReportPage;
class TStream;

// Raised inside an export when the user stopped it; ends the export quietly.
KAV_DECLARE_EXCEPTION(EExportTerminated, EkavError)

// Whether a new filter joins the list of available filters.
enum TkavFilterRegistration : int {
    frRegister,
    frNoRegister
};

// The base of every export filter. The store's Export calls, in order: Start, then per page
// StartPage, ExportObject for each object, FinishPage, and at the end always Finish. Errors
// are raised as exceptions (EkavError for a file that cannot be written); Export turns them
// into an Errors line and a False result.
class TkavCustomExportFilter
{
public:
    // A filter created normally is added to the list of available filters.
    explicit TkavCustomExportFilter(TkavFilterRegistration Registration = frRegister);
    virtual ~TkavCustomExportFilter();
    TkavCustomExportFilter(const TkavCustomExportFilter &) = delete;
    TkavCustomExportFilter &operator=(const TkavCustomExportFilter &) = delete;

    // A filter of class T that is not added to the list.
    template <typename T>
    static std::unique_ptr<T> CreateNoRegister()
    {
        return std::make_unique<T>(frNoRegister);
    }

    // --- the operations, in the order the export calls them ------------------------------
    // Text for file dialogs, e.g. "PNG image (*.png)".
    virtual QString GetDescription() const = 0;
    // The filter's options dialog; anything but mrOk cancels the export.
    virtual TModalResult ShowModal() { return mrOk; }
    // False stops the export before the first page.
    virtual bool Start() { return true; }
    virtual void ExportObject(TkavComponent *Obj) = 0;
    virtual void Finish() {}
    virtual void FinishPage(TkavReportPage *Page, int Index);
    virtual void StartPage(TkavReportPage *Page, int Index);
    // Whether StartPage, ExportObject and FinishPage may run on a thread of their own while
    // the pages are built (or prepared) on the caller's: the filter then draws the built page
    // it is given and reaches nothing else of the store or the report until Finish.
    virtual bool ExportsPagesOffThread() const { return false; }

    // --- published ---
    bool ShowDialog() const { return FShowDialog; }
    void SetShowDialog(bool Value) { FShowDialog = Value; }
    const QString &FileName() const { return FFileName; }
    void SetFileName(const QString &Value) { FFileName = Value; }
    bool ExportNotPrintable() const { return FExportNotPrintable; }
    void SetExportNotPrintable(bool Value) { FExportNotPrintable = Value; }
    bool UseFileCache() const { return FUseFileCache; }
    void SetUseFileCache(bool Value) { FUseFileCache = Value; }
    const QString &DefaultPath() const { return FDefaultPath; }
    void SetDefaultPath(const QString &Value) { FDefaultPath = Value; }
    bool ShowProgress() const { return FShowProgress; }
    void SetShowProgress(bool Value) { FShowProgress = Value; }
    bool OverwritePrompt() const { return FOverwritePrompt; }
    void SetOverwritePrompt(bool Value) { FOverwritePrompt = Value; }
    const QDateTime &CreationTime() const { return FCreationTime; }
    void SetCreationTime(const QDateTime &Value) { FCreationTime = Value; }
    // Only objects on data bands are exported.
    bool DataOnly() const { return FDataOnly; }
    void SetDataOnly(bool Value) { FDataOnly = Value; }
    // Called first in the export run.
    std::function<void(TkavCustomExportFilter &)> OnBeginExport;

    // --- public ---
    // Export only the page shown in the preview.
    bool CurPage() const { return FCurPage; }
    void SetCurPage(bool Value) { FCurPage = Value; }
    // A page-range text; empty means all pages.
    const QString &PageNumbers() const { return FPageNumbers; }
    void SetPageNumbers(const QString &Value) { FPageNumbers = Value; }
    TkavReport *Report() const { return FReport; }
    void SetReport(TkavReport *Value) { FReport = Value; }
    // The store being exported (set by Export for the length of the run).
    TkavCustomPreviewPages *PreviewPages() const { return FPreviewPages; }
    void SetPreviewPages(TkavCustomPreviewPages *Value) { FPreviewPages = Value; }
    // A stream to write to instead of FileName (not owned); null for none.
    TStream *Stream() const { return FStream; }
    void SetStream(TStream *Value) { FStream = Value; }
    bool SlaveExport() const { return FSlaveExport; }
    void SetSlaveExport(bool Value) { FSlaveExport = Value; }
    // Extension with its dot, e.g. ".png".
    const QString &DefaultExt() const { return FDefaultExt; }
    void SetDefaultExt(const QString &Value) { FDefaultExt = Value; }
    const QString &FilterDesc() const { return FFilterDesc; }
    void SetFilterDesc(const QString &Value) { FFilterDesc = Value; }
    // Page headers only on the first page and page footers only on the last.
    bool SuppressPageHeadersFooters() const { return FSuppressPageHeadersFooters; }
    void SetSuppressPageHeadersFooters(bool Value) { FSuppressPageHeadersFooters = Value; }
    const QString &Title() const { return FTitle; }
    void SetTitle(const QString &Value) { FTitle = Value; }
    // The files the last export wrote, in order.
    QStringList &Files() { return FFiles; }
    const QStringList &Files() const { return FFiles; }
    const QString &Name() const { return FName; }
    void SetName(const QString &Value) { FName = Value; }
    // Set by the export while it winds down after an error: FinishPage and Finish then
    // write nothing, so files from an earlier export stay whole.
    bool Failed() const { return FFailed; }
    void SetFailed(bool Value) { FFailed = Value; }
    // The last export was cancelled (its dialog, or Terminated while it ran): it returned
    // False without an error and left no file.
    bool Cancelled() const { return FCancelled; }
    void SetCancelled(bool Value) { FCancelled = Value; }

protected:
    // Writes File atomically through Write (EkavError naming File when it cannot be
    // written); File then joins Files.
    void WriteFile(const QString &File, const std::function<void(TStream &)> &Write);
    // The export's output: into Stream when one is set, else into FileName.
    void WriteOutput(const std::function<void(TStream &)> &Write);
    // The file of page Index when an export writes one file per page: FileName with "_N"
    // (N = Index + 1) before its extension (DefaultExt when it has none).
    QString NumberedFileName(int Index) const;

private:
    bool FRegistered;
    bool FFailed = false;
    bool FCancelled = false;
    bool FShowDialog = true;
    bool FExportNotPrintable = false;
    bool FUseFileCache = false;
    bool FShowProgress = true;
    bool FOverwritePrompt = false;
    bool FDataOnly = false;
    bool FCurPage = false;
    bool FSlaveExport = false;
    bool FSuppressPageHeadersFooters = false;
    QString FFileName;
    QString FDefaultPath;
    QDateTime FCreationTime;
    QString FPageNumbers;
    TkavReport *FReport = nullptr;                   // not owned
    TkavCustomPreviewPages *FPreviewPages = nullptr; // not owned
    TStream *FStream = nullptr;                      // not owned
    QString FDefaultExt;
    QString FFilterDesc;
    QString FTitle;
    QStringList FFiles;
    QString FName;
};

// The registered filters, in the order they were created (not owned).
const QList<TkavCustomExportFilter *> &kavExportFilters();
// The registered filter whose DefaultExt is Ext (with or without the dot, any case); null
// when there is none.
TkavCustomExportFilter *kavFindExportFilter(QStringView Ext);

// Fills List with the 1-based page numbers a page-range text names, in the order written,
// duplicates kept: "1,3,5-12"; spaces are ignored and "5-" runs to the last page. Numbers
// and range ends are clamped to 1..Count (numbers outside it are left out), so a huge range
// costs nothing. A piece that is not a number or a range, or a reversed range, raises
// EkavError "Invalid page range: <piece>". An empty text leaves List empty ("all pages").
void kavParsePageNumbers(const QString &Text, QList<int> &List, int Count);
