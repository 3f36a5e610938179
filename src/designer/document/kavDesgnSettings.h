#pragma once

// The designer's settings: the optional settings component an embedding program places
// (defaults for new reports, forbidden operations, file events), the units the designer
// works in with their conversions, the options kept in the settings store, and the list of
// recently used files.

#include <report/kavPages.h>
#include <rtl/kavColors.h>
#include <rtl/kavFont.h>
#include <rtl/kavSet.h>

#include <QString>
#include <QStringList>

#include <functional>

class TkavComponent;
class TkavIniFile;
class TkavReport;

// Operations the settings component may forbid. ORDER: the set's bit mask.
enum TkavDesignerRestriction : int {
    drDontInsertObject,
    drDontDeletePage,
    drDontCreatePage,
    drDontChangePageOptions,
    drDontCreateReport,
    drDontLoadReport,
    drDontSaveReport,
    drDontPreviewReport,
    drDontEditVariables,
    drDontChangeReportOptions,
    drDontEditReportData,
    drDontShowRecentFiles,
    drDontEditReportScript,
    drDontEditInternalDatasets
};
using TkavDesignerRestrictions = TkavSet<TkavDesignerRestriction>;

// ORDER persisted: the settings store keeps the ordinal.
enum TkavDesignerUnits : int {
    duCM,
    duInches,
    duPixels,
    duChars
};

// How the workspace draws and snaps its grid.
enum TkavGridType : int {
    gt1pt,
    gt1cm,
    gt1in,
    gtDialog,
    gtChar,
    gtNone
};

// Report pixels per unit (characters differ across and down).
double kavUnitPixels(TkavDesignerUnits units, bool x = true);
// The unit's grid type and default grid size (in units).
TkavGridType kavUnitGridType(TkavDesignerUnits units);
double kavUnitDefaultGrid(TkavDesignerUnits units);
// Height of a new band and size of a new object, in pixels.
double kavUnitBandHeight(TkavDesignerUnits units);
double kavUnitObjectWidth(TkavDesignerUnits units);
double kavUnitObjectHeight(TkavDesignerUnits units);
// Height of the caption strip above each band for a grid type (0 without captions).
double kavBandCaptionHeight(TkavGridType grid, bool showCaptions = true);
// Millimetres to units and back (characters round to whole cells).
double kavMMToUnits(double mm, TkavDesignerUnits units, bool x = true);
double kavUnitsToMM(double value, TkavDesignerUnits units, bool x = true);
// A workspace zoom within its bounds: values <= 0 (or not a number) become 1, values above
// 20 become 20.
double kavBoundedScale(double scale);
// The resource key of the unit's caption ("dsCm" ...).
QString kavUnitCaptionKey(TkavDesignerUnits units);

// The settings component. At most one is active: the last one created.
class TkavDesigner
{
public:
    using TLoadReportEvent = std::function<bool(TkavReport &)>;
    using TLoadRecentReportEvent = std::function<bool(TkavReport &, const QString &FileName)>;
    using TSaveReportEvent = std::function<bool(TkavReport &, bool SaveAs)>;
    using TInsertObjectEvent = std::function<void(TkavComponent *)>;

    TkavDesigner();
    ~TkavDesigner();
    TkavDesigner(const TkavDesigner &) = delete;
    TkavDesigner &operator=(const TkavDesigner &) = delete;

    // The active component, or null.
    static TkavDesigner *Active();

    // Ask to save a modified report when the designer closes.
    bool CloseQuery() const { return FCloseQuery; }
    void SetCloseQuery(bool Value) { FCloseQuery = Value; }
    // Defaults of new reports: script language, the font of dialog pages and of the sample
    // format, and the first report page's margins (mm), paper and orientation.
    const QString &DefaultScriptLanguage() const { return FDefaultScriptLanguage; }
    void SetDefaultScriptLanguage(const QString &Value) { FDefaultScriptLanguage = Value; }
    const TFont &DefaultFont() const { return FDefaultFont; }
    void SetDefaultFont(const TFont &Value) { FDefaultFont = Value; }
    double DefaultLeftMargin() const { return FDefaultLeftMargin; }
    void SetDefaultLeftMargin(double Value) { FDefaultLeftMargin = Value; }
    double DefaultRightMargin() const { return FDefaultRightMargin; }
    void SetDefaultRightMargin(double Value) { FDefaultRightMargin = Value; }
    double DefaultTopMargin() const { return FDefaultTopMargin; }
    void SetDefaultTopMargin(double Value) { FDefaultTopMargin = Value; }
    double DefaultBottomMargin() const { return FDefaultBottomMargin; }
    void SetDefaultBottomMargin(double Value) { FDefaultBottomMargin = Value; }
    int DefaultPaperSize() const { return FDefaultPaperSize; }
    void SetDefaultPaperSize(int Value) { FDefaultPaperSize = Value; }
    TPrinterOrientation DefaultOrientation() const { return FDefaultOrientation; }
    void SetDefaultOrientation(TPrinterOrientation Value) { FDefaultOrientation = Value; }
    // The designer's optional gradient background.
    bool Gradient() const { return FGradient; }
    void SetGradient(bool Value) { FGradient = Value; }
    TColor GradientStart() const { return FGradientStart; }
    void SetGradientStart(TColor Value) { FGradientStart = Value; }
    TColor GradientEnd() const { return FGradientEnd; }
    void SetGradientEnd(TColor Value) { FGradientEnd = Value; }
    // Initial folders of the open and save dialogs, report files' extension and templates.
    const QString &OpenDir() const { return FOpenDir; }
    void SetOpenDir(const QString &Value) { FOpenDir = Value; }
    const QString &SaveDir() const { return FSaveDir; }
    void SetSaveDir(const QString &Value) { FSaveDir = Value; }
    const QString &TemplatesExt() const { return FTemplatesExt; }
    void SetTemplatesExt(const QString &Value) { FTemplatesExt = Value; }
    const QString &TemplateDir() const { return FTemplateDir; }
    void SetTemplateDir(const QString &Value) { FTemplateDir = Value; }
    bool Standalone() const { return FStandalone; }
    void SetStandalone(bool Value) { FStandalone = Value; }
    // Operations the user may not do.
    TkavDesignerRestrictions Restrictions() const { return FRestrictions; }
    void SetRestrictions(TkavDesignerRestrictions Value) { FRestrictions = Value; }
    // RTLReading and ParentFont of the sample format.
    bool RTLLanguage() const { return FRTLLanguage; }
    void SetRTLLanguage(bool Value) { FRTLLanguage = Value; }
    bool MemoParentFont() const { return FMemoParentFont; }
    void SetMemoParentFont(bool Value) { FMemoParentFont = Value; }

    // Replace the built-in open and save; the answer tells whether a report was loaded /
    // saved.
    const TLoadReportEvent &OnLoadReport() const { return FOnLoadReport; }
    void SetOnLoadReport(TLoadReportEvent Value) { FOnLoadReport = std::move(Value); }
    const TLoadRecentReportEvent &OnLoadRecentReport() const { return FOnLoadRecentReport; }
    void SetOnLoadRecentReport(TLoadRecentReportEvent Value) { FOnLoadRecentReport = std::move(Value); }
    const TSaveReportEvent &OnSaveReport() const { return FOnSaveReport; }
    void SetOnSaveReport(TSaveReportEvent Value) { FOnSaveReport = std::move(Value); }
    // Told about every object the user inserts.
    const TInsertObjectEvent &OnInsertObject() const { return FOnInsertObject; }
    void SetOnInsertObject(TInsertObjectEvent Value) { FOnInsertObject = std::move(Value); }

private:
    bool FCloseQuery = true;
    QString FDefaultScriptLanguage = QStringLiteral("PascalScript");
    TFont FDefaultFont; // Arial 10
    double FDefaultLeftMargin = kavPageDesignerMargin;
    double FDefaultRightMargin = kavPageDesignerMargin;
    double FDefaultTopMargin = kavPageDesignerMargin;
    double FDefaultBottomMargin = kavPageDesignerMargin;
    int FDefaultPaperSize = kavPaperA4;
    TPrinterOrientation FDefaultOrientation = poPortrait;
    bool FGradient = false;
    TColor FGradientStart = clWindow;
    TColor FGradientEnd = TColor(0xB6D6DA);
    QString FOpenDir;
    QString FSaveDir;
    QString FTemplatesExt = QStringLiteral("kv3");
    QString FTemplateDir;
    bool FStandalone = false;
    TkavDesignerRestrictions FRestrictions;
    bool FRTLLanguage = false;
    bool FMemoParentFont = false;
    TLoadReportEvent FOnLoadReport;
    TLoadRecentReportEvent FOnLoadRecentReport;
    TSaveReportEvent FOnSaveReport;
    TInsertObjectEvent FOnInsertObject;
};

// The options the designer keeps in the report's settings store (section
// "Form5.TkavDesignerForm", inspector splits in "Form5.TkavObjectInspector").
struct TkavDesignerOptions
{
    double Scale = 1;
    bool ShowGrid = true;
    bool GridAlign = true;
    bool ShowRulers = true;
    bool ShowGuides = true;
    double Grid[4] = {0.1, 0.1, 4, 4}; // per unit, in units
    TkavDesignerUnits Units = duCM;    // of report pages
    QString ScriptFontName = QStringLiteral("Courier New");
    int ScriptFontSize = 10;
    QString MemoFontName = QStringLiteral("Arial");
    int MemoFontSize = 10;
    bool UseObjectFont = true;
    int WorkspaceColor = int(clWindow);
    int ToolsColor = int(clWindow);
    bool GridLCD = false;
    bool EditAfterInsert = false;
    bool LocalizedOI = false;
    QStringList RecentFiles; // oldest first
    bool FreeBands = false;
    int BandsGap = 4;
    bool ShowBandCaptions = true;
    bool DropFields = true;
    bool ShowStartup = true;
    QStringList WatchList;
    int SplitPos = -1; // -1: half the inspector's width
    int Split1Pos = 65;
    // Whether the values came from the store (false: the default layout applies).
    bool Restored = false;

    // Reads the keys; a store without "Scale" (or that cannot be read) leaves the defaults
    // with EditAfterInsert on, the default layout's choice.
    void Restore(const TkavIniFile &ini);
    void Save(TkavIniFile &ini) const;
    // Grid size of a unit in units: positive, a stored 0 or less gives the default.
    double GridSize(TkavDesignerUnits units) const;
};

// Recently used files: at most eight, newest last; an equal entry moves to the end.
class TkavRecentFiles
{
public:
    static constexpr int MaxCount = 8;

    void Add(const QString &FileName);
    void Remove(const QString &FileName);
    const QStringList &Items() const { return FItems; }
    void SetItems(const QStringList &items);
    // As the File menu lists them: newest first.
    QStringList MenuOrder() const;

private:
    QStringList FItems;
};
