#pragma once

// TkavReport: the root of a report document and the facade an application uses. As a
// document it owns every component (its direct children are the pages, the scope in which
// names are unique), the data sets it uses, its variables, its script text and four option
// objects; as a facade it loads and saves kv3 files and reports errors by its silent mode.
// Running, previewing, printing, exporting and designing grow here with their subsystems;
// until then those entry points report that they are not available.

#include <persist/kavXMLSerializer.h>
#include <report/kavComponent.h>
#include <report/kavCustomPreview.h>
#include <report/kavReportOptions.h>
#include <rtl/kavStrings.h>
#include <rtl/kavVariant.h>

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <mutex>

class TkavCustomEngine;
class TkavCustomPreviewPages;
class TkavPage;
class TkavReportPage;
class TkavDataSet;
class TkavDrawText;
class TkavIniFile;
class TkavReportDataSets;
class TkavStyles;
class TkavVariables;
class TkavView;
class TkavHyperlink;
class QObject;
class TkavXMLSerializer;
class TkavExpressionCache;
class TkavDataSetScript;
class TkyCustomVariable;
class TkyMethodHelper;
class TkyScript;

// The process-wide report lock: thread-safe report loads and dialog-page destruction run
// under it. Recursive, so a load may nest another under the same thread.
std::recursive_mutex &kavReportLock();

// How InheritFromTemplate treats the report's own objects, variables and styles whose names
// the template uses too.
enum TkavInheriteMode : int {
    imDefault, // ask the user when duplicates exist (headless: delete them)
    imDelete,  // drop the report's own duplicates
    imRename   // keep them under new names
};

// Loads the ancestor named TemplateName into Report instead of reading a file.
using TkavLoadTemplateEvent = std::function<void(TkavReport &Report, const QString &TemplateName)>;

// The format version every report reads and writes.
inline constexpr char16_t kavReportVersion[] = u"5.2.3";

// Published properties, in this order: Version, ParentReport, DataSet, DataSetName,
// DotMatrixReport, EngineOptions, IniFile, OldStyleProgress, PreviewOptions, PrintOptions,
// ReportOptions, ScriptLanguage, ScriptText, ShowProgress, StoreInDFM, OnRunDialogs,
// OnStartReport, OnStopReport, OnReportPrint. The root element carries no Name.
class TkavReport : public TkavComponent
{
public:
    KAV_CLASSINFO

    // A report is usually held by its creator (std::make_unique<TkavReport>()).
    explicit TkavReport(TkavComponent *AOwner = nullptr);
    // Destroys the pages (and through them the whole tree), then every other owned component,
    // while the report itself is still whole.
    ~TkavReport() override;

    // --- published ------------------------------------------------------------------------
    QString Version() const { return QString::fromUtf16(kavReportVersion); }
    // Any value given (also by a file) is replaced by the current version.
    void SetVersion(const QString &) {}
    const QString &ParentReport() const { return FParentReport; }
    // Makes the report a child of the ancestor file Value (relative names are taken from the
    // folder of FileName, then the program folder): the ancestor is loaded into the report
    // and every object, variable and the report itself are marked inherited. Empty clears
    // every mark. A missing ancestor or a loop of ancestors adds an Errors line and loads
    // nothing; the name is kept so that saving does not lose the link.
    void SetParentReport(const QString &Value);
    TkavDataSet *DataSet() const;
    // Also takes the data set's user name as DataSetName.
    void SetDataSet(TkavDataSet *Value);
    // The main data set's current user name when it is set, else the name last given.
    QString DataSetName() const;
    // Resolves the main data set with FindDataSet.
    void SetDataSetName(const QString &Value);
    bool DotMatrixReport() const { return FDotMatrixReport; }
    void SetDotMatrixReport(bool Value) { FDotMatrixReport = Value; }
    TkavEngineOptions &EngineOptions() const { return *FEngineOptions; }
    void SetEngineOptions(const TkavEngineOptions &Value) { FEngineOptions->Assign(Value); }
    const QString &IniFile() const { return FIniFile; }
    void SetIniFile(const QString &Value) { FIniFile = Value; }
    bool OldStyleProgress() const { return FOldStyleProgress; }
    void SetOldStyleProgress(bool Value) { FOldStyleProgress = Value; }
    TkavPreviewOptions &PreviewOptions() const { return *FPreviewOptions; }
    void SetPreviewOptions(const TkavPreviewOptions &Value) { FPreviewOptions->Assign(Value); }
    TkavPrintOptions &PrintOptions() const { return *FPrintOptions; }
    void SetPrintOptions(const TkavPrintOptions &Value) { FPrintOptions->Assign(Value); }
    TkavReportOptions &ReportOptions() const { return *FReportOptions; }
    void SetReportOptions(const TkavReportOptions &Value) { FReportOptions->Assign(Value); }
    // "PascalScript", "C++Script", "BasicScript" or "JScript".
    const QString &ScriptLanguage() const { return FScriptLanguage; }
    void SetScriptLanguage(const QString &Value) { FScriptLanguage = Value; }
    TStringList &ScriptText() const { return *FScriptText; }
    void SetScriptText(const TStrings &Value) { FScriptText->Assign(Value); }
    bool ShowProgress() const { return FShowProgress; }
    void SetShowProgress(bool Value) { FShowProgress = Value; }
    bool StoreInDFM() const { return FStoreInDFM; }
    void SetStoreInDFM(bool Value) { FStoreInDFM = Value; }
    const TkavNotifyEvent &OnRunDialogs() const { return FOnRunDialogs; }
    void SetOnRunDialogs(const TkavNotifyEvent &Value) { FOnRunDialogs = Value; }
    const TkavNotifyEvent &OnStartReport() const { return FOnStartReport; }
    void SetOnStartReport(const TkavNotifyEvent &Value) { FOnStartReport = Value; }
    const TkavNotifyEvent &OnStopReport() const { return FOnStopReport; }
    void SetOnStopReport(const TkavNotifyEvent &Value) { FOnStopReport = Value; }
    const TkavNotifyEvent &OnReportPrint() const { return FOnReportPrint; }
    void SetOnReportPrint(const TkavNotifyEvent &Value) { FOnReportPrint = Value; }

    // --- public state ---------------------------------------------------------------------
    // The pages are the report's children, in order.
    int PagesCount() const { return int(Objects().size()); }
    TkavComponent *Pages(int Index) const { return Objects().at(Index); }
    // The data sets the report uses (nested element "Datasets") and those offered to it
    // when the process-wide list is not used.
    TkavReportDataSets &DataSets() const { return *FDataSets; }
    TkavReportDataSets &EnabledDataSets() const { return *FEnabledDataSets; }
    // Report variables (nested element "Variables").
    TkavVariables &Variables() const { return *FVariables; }
    void SetVariables(const TkavVariables &Value);
    // The report's style set (nested element "Styles"), applied to the report's memos.
    TkavStyles &Styles() const { return *FStyles; }
    // Null empties the set; otherwise its items are replaced by copies of Value's (not its
    // Name) and the set is applied.
    void SetStyles(const TkavStyles *Value);
    // Error lines of the last load or run: sorted ignoring case, duplicates ignored.
    TStringList &Errors() const { return *FErrors; }
    // The file the report was loaded from or saved to.
    const QString &FileName() const { return FFileName; }
    void SetFileName(const QString &Value) { FFileName = Value; }
    // The document changed since it was loaded or saved (designer and preview edits).
    bool Modified() const { return FModified; }
    void SetModified(bool Value) { FModified = Value; }
    // A run or the designer's undo is reading the report back: no password prompt.
    bool Reloading() const { return FReloading; }
    void SetReloading(bool Value) { FReloading = Value; }
    // A run was cancelled. Setting it also stops the report's script where it runs now.
    bool Terminated() const { return FTerminated; }
    void SetTerminated(bool Value);
    // The object the engine is processing; prefixed to expression errors.
    const QString &CurObject() const { return FCurObject; }
    void SetCurObject(const QString &Value) { FCurObject = Value; }
    // Expanded or collapsed state of drill-down groups.
    TStringList &DrillState() const { return *FDrillState; }
    // "Date", "Time", "Page", "Page#", "TotalPages", "TotalPages#", "Line", "Line#",
    // "CopyName#".
    TStringList &SysVariables() const { return *FSysVariables; }
    // --- values and expressions ------------------------------------------------------------
    // The value of a name without evaluating anything: a data field (DataSet."Field", with
    // ConvertNulls), a report variable (a text without a line break is an expression and
    // is computed), a global variable. False when nothing of that name exists.
    bool GetValueByName(const QString &Name, Variant &Value);
    // The value of an expression: a name as above, else a literal (a quoted text or a
    // number). Anything else is an error: its line ("CurObject: " and the message) goes to
    // Errors and EkavError is raised. A report variable whose expression comes back to
    // itself is such an error, not an endless loop.
    Variant Calc(const QString &Expr) { return Calc(Expr, nullptr); }
    // The same evaluated with AScript as the expression's scope (null: the report script).
    Variant Calc(const QString &Expr, TkyScript *AScript);
    // The designer's evaluation: an error raises with the "clErrorInExp" text in front and
    // is not added to Errors.
    Variant CalcInDesigner(const QString &Expr);
    // Expressions differing only in letter case share one compiled function unless set.
    bool CaseSensitiveExpressions() const { return FCaseSensitiveExpressions; }
    void SetCaseSensitiveExpressions(bool Value) { FCaseSensitiveExpressions = Value; }

    // --- script (kavReportScript.cpp) -----------------------------------------------------
    // The report's script program: the standard library, extended identifiers.
    TkyScript &Script() const { return *FScript; }
    // Compiles ScriptText with the report's objects, "Report", "Engine", "Outline",
    // "Value", "Self" and the report functions visible to it (ActiveReport's objects when
    // another report borrows this one's script). False, with a "clScrError" line in Errors,
    // when it does not compile.
    bool PrepareScript(TkavReport *ActiveReport = nullptr);
    // The script variables "Value" (the last memo value) and "Self" (the view being output).
    Variant LocalValue() const;
    void SetLocalValue(const Variant &Value);
    Variant SelfValue() const;
    void SetSelfValue(const Variant &Value);
    // Declares FuncName (a declaration such as "function Twice(X: Integer): Integer") to
    // every script; its calls go to OnUserFunction.
    void AddFunction(const QString &FuncName,
                     const QString &Category = QString(),
                     const QString &Description = QString());
    using TkavUserFunctionEvent
        = std::function<Variant(const QString &Name, const QList<Variant> &Params)>;
    const TkavUserFunctionEvent &OnUserFunction() const { return FOnUserFunction; }
    void SetOnUserFunction(TkavUserFunctionEvent Value) { FOnUserFunction = std::move(Value); }
    // Values the application supplies by name, asked after the system variables (a null
    // answer means "not mine").
    using TkavGetValueEvent = std::function<void(const QString &Name, Variant &Value)>;
    using TkavNewGetValueEvent
        = std::function<void(TkavReport &Sender, const QString &Name, Variant &Value)>;
    void SetOnGetValue(TkavGetValueEvent Value) { FOnGetValue = std::move(Value); }
    void SetOnNewGetValue(TkavNewGetValueEvent Value) { FOnNewGetValue = std::move(Value); }
    // How the report's data sets reach their event procedures in the script.
    std::weak_ptr<TkavDataSetScript> DataSetScriptLink();
    // The ancestor copy while ParentReport names an ancestor report, else null.
    TkavReport *ParentReportObject() const { return FParentReportObject.get(); }
    // The ancestor lookup of the writer: the ancestor copy for the report's own name, else
    // the copy's object of that name (ignoring case); null without an ancestor copy.
    TPersistent *GetAncestor(const QString &ComponentName) const;
    // Turns the report into a child of templName, keeping its own objects, variables,
    // data sets and script (the template's script follows as a comment). False, with the
    // report as it was, for the report's own file, a template that cannot be loaded, a
    // loop of ancestors or a cancelled prompt.
    bool InheritFromTemplate(const QString &templName, TkavInheriteMode InheriteMode = imDefault);
    // Replaces file loading of ancestors (never stored).
    const TkavLoadTemplateEvent &OnLoadTemplate() const { return FOnLoadTemplate; }
    void SetOnLoadTemplate(TkavLoadTemplateEvent Value) { FOnLoadTemplate = std::move(Value); }

    // The prepared pages of the last run or load (a TkavPreviewPages).
    TkavCustomPreviewPages *PreviewPages() const { return FPreviewPages.get(); }
    // The engine that runs the report (a TkavEngine), linked with PreviewPages.
    TkavCustomEngine *Engine() const { return FEngine.get(); }

    // --- events of a run --------------------------------------------------------------------
    // Calls the script procedure EventName with Obj as its sender when EventName is not blank
    // and (RunAlways or a run is going on). A report without a compiled script runs nothing.
    void DoNotifyEvent(TkavComponent *Obj, const QString &EventName, bool RunAlways = false);
    // Runs the procedure named EventName with the elements of the variant array Params as
    // its parameters; what the procedure assigns to them comes back in Params.
    void DoParamEvent(const QString &EventName, Variant &Params, bool RunAlways = false);
    // A click on a prepared view in the preview: its OnPreviewClick (or OnPreviewDblClick)
    // procedure with [view, button, shift mask, Modified], Modified taken back, then the
    // application's OnClickObject (OnDblClickObject). Button and Shift as mouse events pass
    // them (button number, shift-state bits).
    void DoPreviewClick(TkavView *View, int Button, int Shift, bool &Modified, bool DblClick);
    // The mouse entering / leaving a prepared view: the view's own handling, the
    // application's callback, then the view's procedure with [view, Refresh].
    void DoMouseEnter(TkavView *Sender, bool &Refresh);
    void DoMouseLeave(TkavView *Sender, bool &Refresh);
    // A button released over a view: its OnMouseUp procedure with [view, X, Y, button,
    // shift mask, Modified]; Refresh is taken from the last element.
    void DoMouseUp(TkavView *Sender, double X, double Y, int Button, int Shift, bool &Refresh);
    using TkavClickObjectEvent
        = std::function<void(TkavView *View, int Button, int Shift, bool &Modified)>;
    using TkavMouseObjectEvent = std::function<void(TkavView *View)>;
    void SetOnClickObject(TkavClickObjectEvent Value) { FOnClickObject = std::move(Value); }
    void SetOnDblClickObject(TkavClickObjectEvent Value) { FOnDblClickObject = std::move(Value); }
    void SetOnMouseEnter(TkavMouseObjectEvent Value) { FOnMouseEnter = std::move(Value); }
    void SetOnMouseLeave(TkavMouseObjectEvent Value) { FOnMouseLeave = std::move(Value); }
    // The application's OnBeforePrint / OnAfterPrint callback, then the object's own script
    // procedure of that name (objects that have one).
    void DoBeforePrint(TkavComponent *Obj);
    void DoAfterPrint(TkavComponent *Obj);
    // The text layout engine every memo of the report shares (lock it around each use).
    TkavDrawText &DrawText() const { return *FDrawText; }
    // The reader of a load in progress (collections read during the load reuse it), else null.
    TkavXMLSerializer *XMLSerializer() const { return FXMLSerializer; }
    void SetXMLSerializer(TkavXMLSerializer *Value) { FXMLSerializer = Value; }

    // --- application callbacks (never stored) ---------------------------------------------
    // Receives the KavCustomData element of a file being read / fills it while writing.
    const TkavGetCustomDataEvent &OnGetCustomData() const { return FOnGetCustomData; }
    void SetOnGetCustomData(TkavGetCustomDataEvent Value) { FOnGetCustomData = std::move(Value); }
    const TkavSaveCustomDataEvent &OnSaveCustomData() const { return FOnSaveCustomData; }
    void SetOnSaveCustomData(TkavSaveCustomDataEvent Value)
    {
        FOnSaveCustomData = std::move(Value);
    }
    // Called for every object before / after it is output.
    const std::function<void(TkavComponent *)> &OnBeforePrint() const { return FOnBeforePrint; }
    void SetOnBeforePrint(std::function<void(TkavComponent *)> Value) { FOnBeforePrint = std::move(Value); }
    const std::function<void(TkavComponent *)> &OnAfterPrint() const { return FOnAfterPrint; }
    void SetOnAfterPrint(std::function<void(TkavComponent *)> Value) { FOnAfterPrint = std::move(Value); }
    // Printing: before the first page, after the job (also after a failure), and for every
    // page printed with its copy number.
    const std::function<void(TkavReport *)> &OnPrintReport() const { return FOnPrintReport; }
    void SetOnPrintReport(std::function<void(TkavReport *)> Value) { FOnPrintReport = std::move(Value); }
    const std::function<void(TkavReport *)> &OnAfterPrintReport() const { return FOnAfterPrintReport; }
    void SetOnAfterPrintReport(std::function<void(TkavReport *)> Value)
    {
        FOnAfterPrintReport = std::move(Value);
    }
    const std::function<void(TkavReportPage *, int)> &OnPrintPage() const { return FOnPrintPage; }
    void SetOnPrintPage(std::function<void(TkavReportPage *, int)> Value) { FOnPrintPage = std::move(Value); }
    // Builds a page's content instead of its data bands (the engine's ShowBand, NewPage ...).
    const std::function<void(TkavPage *)> &OnManualBuild() const { return FOnManualBuild; }
    void SetOnManualBuild(std::function<void(TkavPage *)> Value) { FOnManualBuild = std::move(Value); }
    // Called with each connection string stored under a connection name (ReportOptions).
    const std::function<void(const QString &)> &OnSetConnection() const { return FOnSetConnection; }
    void SetOnSetConnection(std::function<void(const QString &)> Value)
    {
        FOnSetConnection = std::move(Value);
    }
    // Edits a connection string for the designer's connections editor: receives the current
    // string, returns the new one.
    const std::function<QString(const QString &)> &OnEditConnection() const { return FOnEditConnection; }
    void SetOnEditConnection(std::function<QString(const QString &)> Value)
    {
        FOnEditConnection = std::move(Value);
    }
    // The connection strings stored for Name in the settings ("Connections" under the
    // program's key, then the same key with "FIB" appended), each given to OnSetConnection.
    void ApplyConnectionName(const QString &Name);

    // --- document -------------------------------------------------------------------------
    // Drops the ancestor (ParentReport := empty) and then destroys every page, so a new or
    // next document keeps nothing of a previous ancestor; empties the data sets and
    // variables and resets the options and script to their initial values.
    void Clear() override;
    // Reads the file when it exists (or, with ExceptionIfNotFound, raises the file error);
    // a missing file otherwise clears the report and FileName. True when the file existed:
    // whether its content loaded is told by Errors and LastLoadOk. A file that is not a
    // report leaves the document and FileName as they were.
    bool LoadFromFile(const QString &FileName, bool ExceptionIfNotFound = false);
    // Reads a report file. The whole document is parsed before the report is touched: a
    // text that is not a report ("Invalid file format") leaves the report as it was. Only
    // the document, ConvertNulls, IgnoreDevByZero, DoublePass and five preview options come
    // from the file; other options keep the values the application set. Errors go to
    // Errors and are reported by the silent mode.
    void LoadFromStream(TStream &Stream) override;
    // Writes the file atomically: an existing file is replaced only once the new one is
    // complete. An absolute ParentReport is made relative to the file's folder first.
    void SaveToFile(const QString &FileName);
    void SaveToStream(TStream &Stream,
                      bool SaveChildren = true,
                      bool SaveDefaultValues = false,
                      bool Streaming = false) override;
    // The last LoadFromStream read a whole report (possibly with attribute errors).
    bool LastLoadOk() const { return FLastLoadOk; }

    // --- facade (built with the engine, preview, printing and designer) -------------------
    bool PrepareReport(bool ClearLastReport = true);
    // Runs the engine for APage only (a page of this report), without dialog pages, into
    // emptied prepared pages; false, with the errors reported, when it failed.
    bool PreparePage(TkavPage *APage);
    // Runs and shows: without OldStyleProgress the run starts from the event loop 50 ms
    // after the pages are shown (so they appear while the engine makes them); with it the
    // pages are shown once the run succeeded.
    void ShowReport(bool ClearLastReport = true);
    // Shows the prepared pages in the attached control, else in a preview window of the
    // report's own; "not available" when the program has no user interface.
    void ShowPreparedReport();
    // Prints the prepared pages (TkavPreviewPages::Print).
    bool Print();
    // Makes PrintOptions.Printer the current printer when it is installed (the default
    // printer's text keeps the current one).
    void SelectPrinter();
    void DesignReport(bool Modal = true, bool MDIChild = false);
    // The designer on this report's one page (a temporary report the preview made), modal;
    // true when the page was changed. False at once without a designer or while one is open.
    bool DesignPreviewPage();

    // --- preview and progress (kavReportPreview.cpp) ---------------------------------------
    // The control the pages are shown in (not owned), or null. Attaching one initialises it
    // with the report and its pages and takes its window as PreviewForm; detaching clears
    // the control's references. A control that goes away detaches itself.
    TkavCustomPreview *Preview() const;
    void SetPreview(TkavCustomPreview *Value);
    // The preview window the report shows its pages in, or null (watched: a closed window
    // reads null).
    QObject *PreviewForm() const;
    void SetPreviewForm(QObject *Value);
    // The phases of a run, an export or a print: the application's callbacks, the progress
    // window (for a run only with OldStyleProgress), the attached preview (runs only), and
    // pending user-interface messages. Nothing happens with EnableThreadSafe. A cancel in the
    // progress window sets Terminated.
    void InternalOnProgressStart(TkavProgressType ProgressType);
    void InternalOnProgress(TkavProgressType ProgressType, int Progress);
    void InternalOnProgressStop(TkavProgressType ProgressType);
    // Text for the progress window while running with OldStyleProgress, and for the
    // attached preview's status line (or its hint).
    void SetProgressMessage(const QString &Value, bool Ishint = false);

    using TkavReportEvent = std::function<void(TkavReport &Report)>;
    using TkavProgressEvent
        = std::function<void(TkavReport &Report, TkavProgressType ProgressType, int Progress)>;
    // Loads the detail report TemplateName of a hyperlink into Report instead of reading the
    // file; false when it was not loaded.
    using TkavLoadDetailTemplateEvent = std::function<bool(
        TkavReport &Report, const QString &TemplateName, const TkavHyperlink &Hyperlink)>;
    // Around a run: before the script is compiled, after it compiled, after a complete run.
    const TkavReportEvent &OnBeginDoc() const;
    void SetOnBeginDoc(TkavReportEvent Value);
    const TkavReportEvent &OnAfterScriptCompile() const;
    void SetOnAfterScriptCompile(TkavReportEvent Value);
    const TkavReportEvent &OnEndDoc() const;
    void SetOnEndDoc(TkavReportEvent Value);
    // The report's own preview window was opened / is closing.
    const TkavReportEvent &OnPreview() const;
    void SetOnPreview(TkavReportEvent Value);
    const TkavReportEvent &OnClosePreview() const;
    void SetOnClosePreview(TkavReportEvent Value);
    const TkavProgressEvent &OnProgressStart() const;
    void SetOnProgressStart(TkavProgressEvent Value);
    const TkavProgressEvent &OnProgress() const;
    void SetOnProgress(TkavProgressEvent Value);
    const TkavProgressEvent &OnProgressStop() const;
    void SetOnProgressStop(TkavProgressEvent Value);
    // The mouse over a view of a prepared page in the preview (moves and button releases).
    const TkavMouseObjectEvent &OnMouseOverObject() const;
    void SetOnMouseOverObject(TkavMouseObjectEvent Value);
    const TkavLoadDetailTemplateEvent &OnLoadDetailTemplate() const;
    void SetOnLoadDetailTemplate(TkavLoadDetailTemplateEvent Value);

    // --- data sets ------------------------------------------------------------------------
    // The data set of the DataSets item with that user name (ignoring case), or null.
    TkavDataSet *GetDataset(const QString &Alias) const;
    // "Customers.\"Name\"" names the field Name of the data set Customers; both results
    // are empty unless the text holds a period followed by a double quote.
    void
    GetDatasetAndField(const QString &ComplexName, TkavDataSet *&DataSet, QString &Field) const;
    // The user name of a data set in DataSets; the "clDSNotIncl" text for one that is not;
    // empty for null.
    QString GetAlias(const TkavDataSet *DataSet) const;
    // The user names of the DataSets items that have a data set (with the data set
    // attached), without user data sets when OnlyDB.
    void GetDataSetList(TStrings &List, bool OnlyDB = false) const;
    // The data sets offered to the report: the enabled, named ones of the process-wide list,
    // or those of EnabledDataSets.
    void GetActiveDataSetList(TStrings &List) const;

    // --- settings and errors --------------------------------------------------------------
    // The settings store named by IniFile; the caller owns it.
    std::unique_ptr<TkavIniFile> GetIniFile() const;
    // The folder of the program file, with a trailing separator.
    static QString GetApplicationFolder();
    // Shows the errors by the silent mode: a message box, nothing, or an EkavError for the
    // caller. The text is the "clErrors" line, CR LF and the error lines joined by CR LF.
    void ReportErrors();
    QString ErrorsText() const;

    void Notification(TkavComponent *AComponent, TOperation Operation) override;
    void WriteNestedProperties(TkavXMLItem *Item) override;
    bool ReadNestedProperty(TkavXMLItem *Item) override;

private:
    // The inheritance steps (kavReportInherit.cpp).
    friend class TkavReportInheritance;

    // Reads back the copy saved before a run, keeping the run's errors.
    void reloadAfterRun(TStream &Saved, const QString &Password, int SplicingLine);
    // The script's parent scope as it was before an ancestor's script took its place.
    void restoreScriptParent();
    bool systemVariable(const QString &Name, Variant &Value) const;
    // The value of Expr without reporting: false with Message when it failed.
    bool evaluate(const QString &Expr, TkyScript *AScript, Variant &Value, QString &Message);
    void addScriptFunctions(TkavReport &Active);
    // The script's "Value" and "Self", found again only after its items changed: set for
    // every object printed, looking them up by name was a tenth of a run.
    struct ScriptSlots
    {
        quint64 Changed = ~quint64(0);
        TkyCustomVariable *Value = nullptr;
        TkyCustomVariable *Self = nullptr;
    };
    const ScriptSlots &scriptSlots() const;
    Variant callReportFunction(const QString &Name, TkyMethodHelper &Caller);
    void callProcedure(const QString &ObjectName, const QString &Procedure, Variant &Params);
    // The script function Get: a name's value, an aggregate call, or an unknown-name line.
    Variant scriptGet(const QString &Name);
    class DataSetScript;
    // LoadFromStream; false when the text is not a report (nothing was changed).
    bool readStream(TStream &Stream);
    void checkDataPage();
    bool checkPassword();
    void notAvailable(const QString &what);
    // The preview, its window, the callbacks of runs and progress (kavReportPreview.cpp).
    struct PreviewLink;
    // Before a run: the preview is initialised and the script pumps messages; afterwards
    // the pump is removed again.
    void beginPreviewRun();
    void endPreviewRun();
    void detachPreview();
    // Closes the preview window the report opened itself (after a failed run).
    void closeOwnPreviewWindow();

    std::unique_ptr<TkavReportDataSets> FDataSets;
    std::unique_ptr<TkavVariables> FVariables;
    std::unique_ptr<TkavStyles> FStyles;
    std::unique_ptr<TkavEngineOptions> FEngineOptions;
    std::unique_ptr<TkavPreviewOptions> FPreviewOptions;
    std::unique_ptr<TkavPrintOptions> FPrintOptions;
    std::unique_ptr<TkavReportOptions> FReportOptions;
    std::unique_ptr<TStringList> FScriptText;
    std::unique_ptr<TStringList> FErrors;
    std::unique_ptr<TStringList> FSysVariables;
    std::unique_ptr<TkavDrawText> FDrawText;
    std::unique_ptr<TkavCustomPreviewPages> FPreviewPages;
    std::unique_ptr<TkavCustomEngine> FEngine;
    std::function<void(TkavComponent *)> FOnBeforePrint;
    std::function<void(TkavComponent *)> FOnAfterPrint;
    std::function<void(TkavReport *)> FOnPrintReport;
    std::function<void(TkavReport *)> FOnAfterPrintReport;
    std::function<void(TkavReportPage *, int)> FOnPrintPage;
    std::function<void(TkavPage *)> FOnManualBuild;
    QStringList FEvaluating; // report variables whose expressions are being computed
    std::unique_ptr<TkyScript> FScript;
    mutable ScriptSlots FScriptSlots;
    std::unique_ptr<TkavExpressionCache> FExpressionCache;
    std::unique_ptr<TkavReport> FParentReportObject; // the ancestor copy
    TkavLoadTemplateEvent FOnLoadTemplate;
    TkyScript *FSavedScriptParent = nullptr; // the script's parent before any ancestor
    bool FScriptParentSaved = false;
    bool FCaseSensitiveExpressions = false;
    TkavUserFunctionEvent FOnUserFunction;
    QStringList FUserFunctions; // AddFunction's declarations
    TkavGetValueEvent FOnGetValue;
    TkavNewGetValueEvent FOnNewGetValue;
    TkavClickObjectEvent FOnClickObject;
    TkavClickObjectEvent FOnDblClickObject;
    TkavMouseObjectEvent FOnMouseEnter;
    TkavMouseObjectEvent FOnMouseLeave;
    std::shared_ptr<TkavDataSetScript> FDataSetScript;
    std::unique_ptr<TkavReportDataSets> FEnabledDataSets;
    std::unique_ptr<TStringList> FDrillState;
    std::unique_ptr<PreviewLink> FPreviewLink;
    TkavDataSetLink FDataSetLink;
    QString FParentReport;
    bool FDotMatrixReport = false;
    QString FIniFile;
    bool FOldStyleProgress = false;
    QString FScriptLanguage;
    bool FShowProgress = true;
    bool FStoreInDFM = true;
    TkavNotifyEvent FOnRunDialogs;
    TkavNotifyEvent FOnStartReport;
    TkavNotifyEvent FOnStopReport;
    TkavNotifyEvent FOnReportPrint;
    QString FFileName;
    QString FCurObject;
    bool FModified = false;
    bool FDesigning = false;
    bool FReloading = false;
    bool FTerminated = false;
    bool FLastLoadOk = true;
    TkavXMLSerializer *FXMLSerializer = nullptr; // not owned
    TkavGetCustomDataEvent FOnGetCustomData;
    TkavSaveCustomDataEvent FOnSaveCustomData;
    std::function<void(const QString &)> FOnSetConnection;
    std::function<QString(const QString &)> FOnEditConnection;
};

// FileName as a file beside Report: a relative name is taken from the report's folder (the
// current folder when there is no report or it has no file); others are returned as given.
QString kavPathBesideReport(const TkavReport *Report, const QString &FileName);
