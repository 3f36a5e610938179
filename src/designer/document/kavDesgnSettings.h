#pragma once

// The designer's settings: the optional settings component an embedding program places
// (defaults for new reports, forbidden operations, file events), the units the designer
// works in with their conversions, the options kept in the settings store, and the list of
// recently used files.

#include <report/kavPages.h>
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
// The resource key of the unit's caption ("dsCm" ...).
QString kavUnitCaptionKey(TkavDesignerUnits units);

// The settings component. At most one is active: the last one created.
class TkavDesigner
{
public:
    TkavDesigner();
    ~TkavDesigner();
    TkavDesigner(const TkavDesigner &) = delete;
    TkavDesigner &operator=(const TkavDesigner &) = delete;

    // The active component, or null.
    static TkavDesigner *Active();

    bool CloseQuery = true;
    QString DefaultScriptLanguage = QStringLiteral("PascalScript");
    TFont DefaultFont; // Arial 10
    double DefaultLeftMargin = kavPageDesignerMargin;
    double DefaultRightMargin = kavPageDesignerMargin;
    double DefaultTopMargin = kavPageDesignerMargin;
    double DefaultBottomMargin = kavPageDesignerMargin;
    int DefaultPaperSize = kavPaperA4;
    TPrinterOrientation DefaultOrientation = poPortrait;
    QString OpenDir;
    QString SaveDir;
    QString TemplatesExt = QStringLiteral("kv3");
    QString TemplateDir;
    bool Standalone = false;
    TkavDesignerRestrictions Restrictions;
    bool RTLLanguage = false;
    bool MemoParentFont = false;

    // Replace the built-in open and save; the answer tells whether a report was loaded /
    // saved.
    std::function<bool(TkavReport &)> OnLoadReport;
    std::function<bool(TkavReport &, const QString &FileName)> OnLoadRecentReport;
    std::function<bool(TkavReport &, bool SaveAs)> OnSaveReport;
    // Told about every object the user inserts.
    std::function<void(TkavComponent *)> OnInsertObject;
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
    int WorkspaceColor = int(0xFF000005u); // the system window colour
    int ToolsColor = int(0xFF000005u);
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
