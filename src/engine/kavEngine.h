#pragma once

// TkavEngine: turns a report template and its data into prepared pages. It walks the band
// trees of the report pages row by row, places bands on output pages (headers, footers,
// columns, keep-together, page breaks, stretching and splitting) and hands every placed band
// to the prepared-page store.

#include "kavAggregate.h"
#include "kavBandTree.h"

#include <report/kavComponent.h>
#include <report/kavCustomEngine.h>

#include <QElapsedTimer>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class TkavBand;
class TkavDataBand;
class TkavGroupHeader;
class TkavNullBand;
class TkavReportPage;

// One band printed again at the top of every new output page and column.
struct TkavHeaderListItem
{
    TkavComponentRef<TkavBand> Band; // may be null
    double Left = 0;
    bool IsInKeepList = false;
};

class TkavHeaderList
{
public:
    void Clear() { FItems.clear(); }
    int Count() const { return int(FItems.size()); }
    TkavHeaderListItem &Items(int Index) { return FItems.at(size_t(Index)); }
    void AddItem(TkavBand *ABand, double ALeft, bool AInKeepList);
    // Removes the first item of ABand; nothing when there is none.
    void RemoveItem(TkavBand *ABand);

private:
    std::vector<TkavHeaderListItem> FItems;
};

class TkavEngine : public TkavCustomEngine
{
public:
    KAV_CLASSINFO

    explicit TkavEngine(TkavReport *AReport);
    ~TkavEngine() override;

    double PageHeight() const override;
    void EndPage() override;
    void BreakAllKeep() override;
    void NewColumn() override;
    void NewPage() override;
    void ShowBand(TkavBand *Band) override;
    void ShowBand(const TkavClassInfo &BandClass) override;
    double HeaderHeight() override;
    double FooterHeight() override;
    double FreeSpace() override;
    Variant GetAggregateValue(const QString &Name,
                              const QString &Expression,
                              TkavBand *Band,
                              int Flags) override;
    // The whole report, or only APage. False when the run could not start (Errors tell
    // why) or a dialog was cancelled; a run stopped by Terminated returns true and leaves
    // Terminated set for the caller to see.
    bool Run(bool ARunDialogs, bool AClearLast, TkavPage *APage) override;
    // The band named BandName shown now.
    void ShowBandByName(const QString &BandName);

    bool Initialize();
    void Finalize();

    TkavAggregateList &Aggregates() { return FAggregates; }

    // Runs leave the dialog pages and OnRunDialogs out altogether (never stored).
    bool SkipDialogs() const { return FSkipDialogs; }
    void SetSkipDialogs(bool Value) { FSkipDialogs = Value; }
    // The dialog page whose Cancel stopped the last run (empty: none did).
    const QString &CancelledDialog() const { return FCancelledDialog; }

private:
    struct PageTrees
    {
        TkavBandTree Horizontal;
        TkavBandTree Vertical;
    };

    // The report pages with their band trees, in page order.
    std::vector<std::pair<TkavReportPage *, PageTrees *>> pageTrees() const;

    // --- pages (kavEngine.cpp) ---
    // The report's OnRunDialogs procedure, or else its visible dialog pages; false when the
    // user cancelled.
    bool runDialogs();
    void runReportPages(TkavPage *APage);
    void runPage(TkavReportPage &Page);
    void runPageBody(TkavReportPage &Page);
    // The page's objects that are not bands, output once at CurY.
    void outputPageObjects();
    void startPage();
    // Starts the next output page; returns its index in the store.
    int addOutputPage();
    void showHeaderList();
    // The data header that travels with its kept first row, so it is not reprinted; or null.
    TkavBand *keptHeader() const;
    // Adds Line to Errors unless it is there already.
    void addErrorOnce(const QString &Line);
    // One error line per object naming a data set that does not exist.
    void checkDataSetNames();
    // The bands of subreport pages as wide as their subreport, those of a data band with
    // band columns as wide as one column, their views aligned to that width.
    void applyRunWidths();
    // ResetAggregates false: a footer repeated on a continuation page leaves the totals alone.
    void outputFooter(TkavBand *Band, bool ResetAggregates = true);
    void outputColumnFooter();
    void startColumn();
    // Left offset of page column Column (1-based) from the page's ColumnPositions.
    double columnOffset(int Column) const;
    void addPageOutline();
    void checkPageLimit();
    bool terminated() const;
    void idle();
    const TkavBandTree &tree() const;

    // Marks a band shown from the header list (Showing true), or a band's work done outside
    // it (Showing false), and restores the previous marks when it ends.
    class HeaderListScope
    {
    public:
        HeaderListScope(TkavEngine &Engine, TkavBand &Band, bool Showing, bool PageHeader = false);
        ~HeaderListScope();
        HeaderListScope(const HeaderListScope &) = delete;
        HeaderListScope &operator=(const HeaderListScope &) = delete;

    private:
        TkavEngine &FEngine;
        TkavBand &FBand;
        bool FOverflow;
        bool FCallFromAddPage;
        bool FCallFromPHeader;
    };

    // --- keep-together and the header list ---
    void StartKeep(TkavBand *Band, int Position = 0);
    void EndKeep(TkavBand *Band);
    void cutKept();
    void pasteKept(double X);
    void AddToHeaderList(TkavBand *Band);
    void RemoveFromHeaderList(TkavBand *Band);

    // --- one band (kavEngineBands.cpp) ---
    void outputBand(TkavBand &Band);
    // False when the band, shown from the header list on a page the store holds already,
    // was there before and is not added again.
    bool placeBand(TkavBand &Band);
    void fitToPageWidth(TkavBand &Band);
    void PrepareBand(TkavBand &Band);
    void FinishBand(TkavBand &Band);
    // The objects that get Band's print events: for the vertical master band those it had
    // before its cells were added, else all.
    int ownObjectsCount(const TkavBand &Band) const;
    // False when the band was put back as it was instead, to move whole (MayMoveWhole).
    bool SplitBand(TkavBand &Band, bool MayMoveWhole);
    // Forgets the suppressed values of Band's texts; true when any had one.
    bool resetSuppressed(TkavBand &Band);
    void addBandOutline(TkavBand &Band);
    void runSubreports(TkavBand &Band);
    // Runs the band's subreports printed on it into the band itself.
    void runInlineSubreports(TkavBand &Band);

    // --- vertical bands (kavEngineVertical.cpp) ---
    // Saves the vertical state of an outer master band for the time Band is one.
    class VerticalScope
    {
    public:
        VerticalScope(TkavEngine &Engine, TkavBand &Band);
        ~VerticalScope();
        VerticalScope(const VerticalScope &) = delete;
        VerticalScope &operator=(const VerticalScope &) = delete;

    private:
        TkavEngine &FEngine;
        TkavHeaderList FHeaderList;
        std::vector<int> FPageList;
        TkavComponentRef<TkavBand> FMasterBand;
        int FVColumn = 0;
        bool FPageHasBand = false;
    };
    // Band gave objects to vertical bands and is output sideways now.
    bool isVerticalMaster(const TkavBand &Band) const;
    // Runs the page's vertical data bands for master band Band: its cells become
    // temporary objects of Band, each horizontal page's share recorded in FVPageList.
    void runVerticalBands(TkavBand &Band);
    void showVerticalBand(TkavBand &Band, bool Reprint = false);
    void addVerticalCells(TkavBand &VBand, TkavBand &Master, bool Clip);
    // The master band output in slices, one per horizontal page.
    void outputVerticalPages(TkavBand &Band);
    void addContinuationPage();
    // The page footers of the current page's horizontal continuation pages.
    void outputContinuationFooters();

    // --- data bands and groups (kavEngineData.cpp) ---
    void RunDataBands(TkavComponent &Parent);
    void runDataBand(TkavDataBand &Band);
    // Every object of the NotifyList told about the row of Band just shown.
    void notifyRow(TkavDataBand &Band);
    bool DetailHasData(TkavComponent &Component, bool Override);
    void startGroups(TkavDataBand &Band, int From, bool FirstRow);
    void checkGroups(TkavDataBand &Band);
    void applyDrillDown(TkavDataBand &Band);
    void endGroups(TkavDataBand &Band, int From);
    std::vector<TkavGroupHeader *> groupChain(const TkavDataBand &Band) const;
    // Before the first cell of a line of band columns: moves to the next column when the cell
    // cannot fit, and remembers where the line starts.
    void startColumnLine(TkavDataBand &Band);
    void bandColumnStep(TkavDataBand &Band);
    bool evaluatesTrue(const QString &Expr);
    Variant groupValue(TkavGroupHeader &Header);
    // The horizontal band tree of Component's page.
    const TkavBandTree &treeFor(const TkavComponent &Component) const;

    QElapsedTimer FIdleClock;
    TkavAggregateList FAggregates;
    TkavHeaderList FHeaderList;
    std::map<const TkavReportPage *, std::unique_ptr<PageTrees>> FTrees;
    TkavReportPage *FPage = nullptr;
    double FPageCurX = 0;
    TkavComponentRef<TkavBand> FCurBand;
    TkavComponentRef<TkavBand> FLastBandOnPage;
    TkavComponentRef<TkavBand> FStartNewPageBand;
    bool FFirstReportPage = false;
    double FFirstColumnY = 0;
    bool FIsFirstBand = false;
    bool FIsFirstPage = false;
    bool FIsLastPage = false;
    bool FTitlePrinted = false;
    bool FCallFromAddPage = false;
    bool FCallFromEndPage = false;
    bool FCallFromPHeader = false;
    bool FDontShowHeaders = false;
    bool FKeeping = false;
    TkavComponentRef<TkavBand> FKeepBand;
    double FKeepCurY = 0;
    int FKeepPosition = 0;
    TkavXMLItem *FKeepOutline = nullptr;
    int FKeepAnchor = -1;
    bool FKeepHeader = false;
    bool FKeepFooter = false;
    double FPrevFooterHeight = 0; // a continued page footer's space kept free
    // Header taken out of the header list while its kept block moves to the next page.
    TkavComponentRef<TkavBand> FKeptHeader;
    bool FPageLimitReached = false;
    // An output page that existed before and was started again (a second subreport beside a
    // first one): bands of the header list it holds already are not added again. -1: none.
    int FRevisitedPage = -1;
    // The data band whose header is kept with its first row while FKeepHeader is set.
    TkavComponentRef<TkavDataBand> FKeepHeaderBand;
    // Open lines of band columns: where each started, and whether it holds page-footer
    // totals back until it is known on which page the line stays.
    struct ColumnLine
    {
        double Top = 0;
        int Position = 0;
        int Page = 0;
        int Column = 0;
        bool AggregateKeep = false;
    };
    std::map<const TkavDataBand *, ColumnLine> FColumnLines;
    // While an inline subreport runs: bands are copied here instead of being output.
    TkavNullBand *FOutputTo = nullptr;
    std::vector<std::pair<QString, int>> FHBandNamesTree;
    // Vertical output: headers reprinted on every horizontal page, master band object
    // counts at which each horizontal page starts, the band being output sideways.
    TkavHeaderList FVHeaderList;
    std::vector<int> FVPageList;
    TkavComponentRef<TkavBand> FVMasterBand;
    bool FVRunning = false;     // the vertical data bands are being run
    bool FVSlicing = false;     // a master band is being output page by page
    bool FVPageHasBand = false; // a band other than a reprinted header is on this horizontal page
    // Store pages: the current output page, then its horizontal continuation pages.
    std::vector<int> FVContinuations;
    // While a vertical band's cells are evaluated: the vertical columns whose totals they
    // show, a data band its own, a footer those since its header (0, 0: over rows).
    std::optional<std::pair<int, int>> FVCellColumns;
    // The first vertical column under each vertical footer in the current vertical run.
    std::map<const TkavBand *, int> FVFooterFrom;
    bool FSkipDialogs = false;
    QString FCancelledDialog;
};
