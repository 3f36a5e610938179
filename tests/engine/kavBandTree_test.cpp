// The band tree of a page (masters, details, headers, footers, group chains, misplaced
// bands and their messages, vertical bands taking objects, RowCount bands) and the shift
// tree of a band with the three shift modes.

#include "../kavTestSupport.h"

#include <engine/kavBandTree.h>
#include <persist/kavRes.h>
#include <report/kavBands.h>
#include <report/kavDataSets.h>
#include <report/kavPages.h>
#include <report/kavReport.h>
#include <report/kavViews.h>
#include <rtl/kavRTTI.h>
#include <rtl/kavStrings.h>

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

std::string nameOf(const TkavComponent *c)
{
    return c ? c->Name().toStdString() : std::string("-");
}

// "Band h=Header f=Footer g=Outer/OuterFooter+Inner (Detail ...; Detail ...)".
std::string dumpBand(const TkavBandTree &tree, const TkavBand *band)
{
    const TkavBandTree::Links &links = tree.LinksOf(band);
    std::string s = nameOf(band);
    if (links.Header)
        s += " h=" + nameOf(links.Header);
    if (links.Footer)
        s += " f=" + nameOf(links.Footer);
    if (links.Group) {
        s += " g=";
        const auto &chain = tree.LinksOf(links.Group).SubBands;
        for (size_t i = 0; i < chain.size(); ++i) {
            s += (i ? "+" : "") + nameOf(chain[i]);
            if (const TkavBand *footer = tree.LinksOf(chain[i]).Footer)
                s += "/" + nameOf(footer);
        }
    }
    if (!links.SubBands.empty()) {
        s += " (";
        for (size_t i = 0; i < links.SubBands.size(); ++i)
            s += (i ? "; " : "") + dumpBand(tree, links.SubBands[i]);
        s += ")";
    }
    return s;
}

std::string dumpTree(const TkavBandTree &tree)
{
    std::string s;
    for (size_t i = 0; i < tree.TopBands().size(); ++i)
        s += (i ? "; " : "") + dumpBand(tree, tree.TopBands()[i]);
    return s;
}

std::vector<std::string> lines(const TStrings &list)
{
    std::vector<std::string> result;
    for (int i = 0; i < list.Count(); ++i)
        result.push_back(list.Strings(i).toStdString());
    return result;
}

// One band of a layout: class "Tkav" + kind, position, whether a data band has data.
struct BandLayout
{
    const char *kind;
    const char *name;
    double top;
    bool data = true;
    int rowCount = 0;
};

// A report with one page and one counted data set.
struct Layout
{
    TkavReport report;
    TkavReportPage *page = nullptr;
    TkavUserDataSet *ds = nullptr;

    Layout()
    {
        page = TkavComponent::Create<TkavReportPage>(&report);
        page->SetName(u"Page1"_s);
        ds = TkavComponent::Create<TkavUserDataSet>(&report);
        ds->SetName(u"DS"_s);
        ds->SetRangeEnd(reCount);
        ds->SetRangeEndCount(2);
    }

    TkavBand *add(const BandLayout &wanted)
    {
        auto *band = dynamic_cast<TkavBand *>(
            TkavComponent::Create(QString(u"Tkav"_s + QLatin1String(wanted.kind)), page));
        EXPECT_NE(band, nullptr) << wanted.kind;
        band->SetName(QLatin1String(wanted.name));
        band->SetBounds(0, wanted.top, 0, 20);
        if (auto *data = dynamic_cast<TkavDataBand *>(band)) {
            if (wanted.data)
                data->SetDataSet(ds);
            data->SetRowCount(wanted.rowCount);
        }
        return band;
    }

    template <class T>
    T *memo(TkavComponent *parent, const char *name, double l, double t, double w, double h)
    {
        auto *view = TkavComponent::Create<T>(parent);
        view->SetName(QLatin1String(name));
        view->SetBounds(l, t, w, h);
        return view;
    }
};

class BandTreeTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        kavRegisterRTLClasses();
        kavRegisterReportClasses();
        kavResourceTable().loadBuiltIn(blEnglish);
    }
};

struct TreeCase
{
    const char *name;
    std::vector<BandLayout> bands; // in creation (object) order
    std::string tree;
    std::vector<std::string> errors;
};

TEST_F(BandTreeTest, BuildsTreesOfLayouts)
{
    const std::vector<TreeCase> cases = {
        {"master, detail and subdetail with headers and footers",
         {{"Header", "Header1", 0},
          {"MasterData", "MasterData1", 20},
          {"Footer", "Footer1", 40},
          {"Header", "Header2", 60},
          {"DetailData", "DetailData1", 80},
          {"Footer", "Footer2", 100},
          {"SubdetailData", "SubdetailData1", 120}},
         "MasterData1 h=Header1 f=Footer1 (DetailData1 h=Header2 f=Footer2 (SubdetailData1))",
         {}},
        {"two masters each with its detail",
         {{"MasterData", "MasterData1", 0},
          {"DetailData", "DetailData1", 20},
          {"MasterData", "MasterData2", 40},
          {"DetailData", "DetailData2", 60}},
         "MasterData1 (DetailData1); MasterData2 (DetailData2)",
         {}},
        {"two details of one master",
         {{"MasterData", "MasterData1", 0},
          {"DetailData", "DetailData1", 20},
          {"DetailData", "DetailData2", 40}},
         "MasterData1 (DetailData1; DetailData2)",
         {}},
        {"six levels",
         {{"MasterData", "MasterData1", 0},
          {"DetailData", "DetailData1", 20},
          {"SubdetailData", "SubdetailData1", 40},
          {"DataBand4", "Data4", 60},
          {"DataBand5", "Data5", 80},
          {"DataBand6", "Data6", 100}},
         "MasterData1 (DetailData1 (SubdetailData1 (Data4 (Data5 (Data6)))))",
         {}},
        {"bands ordered by top, not by creation",
         {{"DetailData", "DetailData1", 80},
          {"Footer", "Footer1", 40},
          {"MasterData", "MasterData1", 20},
          {"Header", "Header1", 0}},
         "MasterData1 h=Header1 f=Footer1 (DetailData1)",
         {}},
        {"master without data set is used silently with its detail",
         {{"MasterData", "MasterData1", 0, false}, {"DetailData", "DetailData1", 20}},
         "",
         {}},
        {"detail without data set is not linked",
         {{"MasterData", "MasterData1", 0},
          {"DetailData", "DetailData1", 20, false},
          {"SubdetailData", "SubdetailData1", 40}},
         "MasterData1",
         {}},
        {"RowCount stands for a data set",
         {{"MasterData", "MasterData1", 0, false, 5}, {"DetailData", "DetailData1", 20, false, 2}},
         "MasterData1 (DetailData1)",
         {}},
        {"nested group chain with footers",
         {{"GroupHeader", "GroupHeader1", 0},
          {"GroupHeader", "GroupHeader2", 20},
          {"MasterData", "MasterData1", 40},
          {"GroupFooter", "GroupFooter2", 60},
          {"GroupFooter", "GroupFooter1", 80}},
         "MasterData1 g=GroupHeader1/GroupFooter1+GroupHeader2/GroupFooter2",
         {}},
        {"group inside header and footer",
         {{"Header", "Header1", 0},
          {"GroupHeader", "GroupHeader1", 20},
          {"MasterData", "MasterData1", 40},
          {"GroupFooter", "GroupFooter1", 60},
          {"Footer", "Footer1", 80}},
         "MasterData1 h=Header1 f=Footer1 g=GroupHeader1/GroupFooter1",
         {}},
        {"groups on master and detail",
         {{"GroupHeader", "GroupHeader1", 0},
          {"MasterData", "MasterData1", 20},
          {"GroupHeader", "GroupHeader2", 40},
          {"DetailData", "DetailData1", 60},
          {"GroupFooter", "GroupFooter2", 80},
          {"GroupFooter", "GroupFooter1", 100}},
         "MasterData1 g=GroupHeader1/GroupFooter1 (DetailData1 g=GroupHeader2/GroupFooter2)",
         {}},
        {"a single group footer pairs with the nearest header",
         {{"GroupHeader", "GroupHeader1", 0},
          {"GroupHeader", "GroupHeader2", 20},
          {"MasterData", "MasterData1", 40},
          {"GroupFooter", "GroupFooter1", 60}},
         "MasterData1 g=GroupHeader1+GroupHeader2/GroupFooter1",
         {}},
        {"bands outside the tree are ignored",
         {{"PageHeader", "PageHeader1", 0},
          {"ReportTitle", "ReportTitle1", 0},
          {"MasterData", "MasterData1", 20},
          {"Child", "Child1", 40},
          {"ColumnHeader", "ColumnHeader1", 60},
          {"Overlay", "Overlay1", 80}},
         "MasterData1",
         {}},
        // Bands made in code all start at top 0: each is output, in object order.
        {"equal tops keep object order and drop nothing",
         {{"MasterData", "MasterData2", 0},
          {"MasterData", "MasterData1", 0},
          {"MasterData", "MasterData3", 0}},
         "MasterData2; MasterData1; MasterData3",
         {}},
        {"equal tops: header before its band in object order",
         {{"Header", "Header1", 10}, {"MasterData", "MasterData1", 10}},
         "MasterData1 h=Header1",
         {}},
        // 10.004 and 10.001 both read 10.00: object order decides, not the exact top.
        {"tops equal to hundredths keep object order",
         {{"MasterData", "MasterData1", 10.004}, {"MasterData", "MasterData2", 10.001}},
         "MasterData1; MasterData2",
         {}},
        {"group header without data band",
         {{"MasterData", "MasterData1", 0}, {"GroupHeader", "GroupHeader1", 20}},
         "MasterData1",
         {"Group without data band GroupHeader1"}},
        {"group footer without header",
         {{"GroupFooter", "GroupFooter1", 0}, {"MasterData", "MasterData1", 20}},
         "MasterData1",
         {"No group header for GroupFooter1"}},
        {"second group footer left over is reported once",
         {{"GroupHeader", "GroupHeader1", 0},
          {"MasterData", "MasterData1", 20},
          {"GroupFooter", "GroupFooter1", 40},
          {"GroupFooter", "GroupFooter2", 60}},
         "MasterData1 g=GroupHeader1/GroupFooter1",
         {"No group header for GroupFooter2"}},
        {"two chains for one data band: the later is reported",
         {{"GroupHeader", "GroupHeader1", 0},
          {"Header", "Header1", 20},
          {"GroupHeader", "GroupHeader2", 40},
          {"MasterData", "MasterData1", 60}},
         "MasterData1 h=Header1 g=GroupHeader1",
         {"Group without data band GroupHeader2"}},
        {"header not above a data band",
         {{"MasterData", "MasterData1", 0}, {"Header", "Header1", 20}},
         "MasterData1",
         {"Unconnected header/footer Header1"}},
        {"footer not below a data band",
         {{"Footer", "Footer1", 0}, {"MasterData", "MasterData1", 20}},
         "MasterData1",
         {"Unconnected header/footer Footer1"}},
        {"detail without master",
         {{"DetailData", "DetailData1", 0}, {"MasterData", "MasterData1", 20}},
         "MasterData1",
         {"Incorrect band position: DetailData1"}},
        {"subdetail skipping a level",
         {{"MasterData", "MasterData1", 0}, {"SubdetailData", "SubdetailData1", 20}},
         "MasterData1",
         {"Incorrect band position: SubdetailData1"}},
        {"a deeper band between does not end the detail run",
         {{"MasterData", "MasterData1", 0},
          {"SubdetailData", "SubdetailData1", 20},
          {"DetailData", "DetailData1", 40}},
         "MasterData1 (DetailData1)",
         {"Incorrect band position: SubdetailData1"}},
        {"a master ends the detail run of the one before",
         {{"MasterData", "MasterData1", 0},
          {"MasterData", "MasterData2", 20},
          {"DetailData", "DetailData1", 40}},
         "MasterData1; MasterData2 (DetailData1)",
         {}},
        {"several faults in order of the steps",
         {{"Header", "Header1", 0},
          {"GroupFooter", "GroupFooter1", 20},
          {"DetailData", "DetailData1", 40},
          {"GroupHeader", "GroupHeader1", 60}},
         "",
         {"Group without data band GroupHeader1",
          "No group header for GroupFooter1",
          "Incorrect band position: DetailData1"}},
    };
    for (const TreeCase &row : cases) {
        SCOPED_TRACE(row.name);
        Layout layout;
        for (const BandLayout &wanted : row.bands)
            layout.add(wanted);
        TStringList errors;
        TkavBandTree tree;
        tree.Build(*layout.page, false, errors);
        EXPECT_EQ(dumpTree(tree), row.tree);
        EXPECT_EQ(lines(errors), row.errors);
    }
}

TEST_F(BandTreeTest, ErrorsAreAppendedAndRebuildStartsAfresh)
{
    Layout layout;
    auto *master = layout.add({"MasterData", "MasterData1", 0});
    layout.add({"Header", "Header1", 40});
    TStringList errors;
    errors.Add(u"earlier"_s);
    TkavBandTree tree;
    tree.Build(*layout.page, false, errors);
    EXPECT_EQ(lines(errors),
              (std::vector<std::string>{"earlier", "Unconnected header/footer Header1"}));

    // Move the header above the band: the next build links it and forgets the old state.
    layout.page->FindObject(u"Header1"_s)->SetTop(-20);
    errors.Clear();
    tree.Build(*layout.page, false, errors);
    EXPECT_EQ(errors.Count(), 0);
    EXPECT_EQ(dumpTree(tree), "MasterData1 h=Header1");
    static_cast<TkavDataBand *>(master)->SetDataSet(nullptr);
    tree.Build(*layout.page, false, errors);
    EXPECT_TRUE(tree.TopBands().empty());
    EXPECT_EQ(errors.Count(), 0);
}

TEST_F(BandTreeTest, VerticalTreeUsesLeftAndOnlyVerticalBands)
{
    Layout layout;
    layout.add({"MasterData", "MasterData1", 0});
    auto *vMaster = layout.add({"MasterData", "MasterData2", 100});
    auto *vHeader = layout.add({"Header", "Header2", 100});
    auto *vFooter = layout.add({"Footer", "Footer2", 100});
    for (TkavBand *band : {vMaster, vHeader, vFooter}) {
        band->SetVertical(true);
        band->SetWidth(50);
    }
    // Left to right: header, master, footer, unlike their creation order and equal tops.
    vFooter->SetLeft(300);
    vMaster->SetLeft(200);
    vHeader->SetLeft(100);

    TStringList errors;
    TkavBandTree horizontal;
    horizontal.Build(*layout.page, false, errors);
    TkavBandTree vertical;
    vertical.Build(*layout.page, true, errors);
    EXPECT_EQ(errors.Count(), 0) << errors.Text().toStdString();
    EXPECT_EQ(dumpTree(horizontal), "MasterData1");
    EXPECT_EQ(dumpTree(vertical), "MasterData2 h=Header2 f=Footer2");
}

TEST_F(BandTreeTest, VerticalBandsTakeObjectsInsideThem)
{
    Layout layout;
    auto *master = layout.add({"MasterData", "MasterData1", 0});
    auto *overlay = layout.add({"Overlay", "Overlay1", 300});
    auto *vBand = layout.add({"MasterData", "MasterData2", 100});
    vBand->SetVertical(true);
    vBand->SetBounds(200, 100, 100, 0);
    auto *outside = layout.memo<TkavMemoView>(master, "Outside", 10, 0, 50, 20);
    auto *inside = layout.memo<TkavMemoView>(master, "Inside", 210, 2, 40, 20);
    auto *edges = layout.memo<TkavMemoView>(master, "Edges", 199.99995, 0, 100.0001, 20);
    auto *straddling = layout.memo<TkavMemoView>(master, "Straddling", 280, 0, 40, 20);
    auto *justLeft = layout.memo<TkavMemoView>(master, "JustLeft", 199.9, 0, 50, 20);
    auto *onOverlay = layout.memo<TkavMemoView>(overlay, "OnOverlay", 220, 0, 20, 20);

    TStringList errors;
    TkavBandTree tree;
    tree.Build(*layout.page, false, errors);

    EXPECT_TRUE(master->HasVBands());
    EXPECT_FALSE(overlay->HasVBands());
    EXPECT_EQ(inside->Parent(), vBand);
    EXPECT_EQ(inside->OriginalBand(), master);
    EXPECT_DOUBLE_EQ(inside->Left(), 10);
    EXPECT_DOUBLE_EQ(inside->Top(), 2);
    EXPECT_EQ(edges->Parent(), vBand);
    EXPECT_NEAR(edges->Left(), -0.00005, 1e-9);
    for (TkavComponent *kept : {outside, straddling, justLeft}) {
        EXPECT_EQ(kept->Parent(), master) << kept->Name().toStdString();
        EXPECT_EQ(kept->OriginalBand(), nullptr);
    }
    EXPECT_EQ(onOverlay->Parent(), overlay);
    EXPECT_DOUBLE_EQ(outside->Left(), 10);

    // The next run finds the objects already moved: the band still feeds a vertical band.
    tree.Build(*layout.page, false, errors);
    EXPECT_TRUE(master->HasVBands());
    EXPECT_EQ(inside->Parent(), vBand);
    EXPECT_DOUBLE_EQ(inside->Left(), 10);
}

TEST_F(BandTreeTest, EachBandIsResetForTheRun)
{
    Layout layout;
    auto *master = layout.add({"MasterData", "MasterData1", 0});
    auto *a = layout.memo<TkavMemoView>(master, "A", 0, 0, 100, 20);
    auto *b = layout.memo<TkavMemoView>(master, "B", 0, 30, 100, 20);
    master->SetHasVBands(true);

    TStringList errors;
    TkavBandTree tree;
    tree.Build(*layout.page, false, errors);
    EXPECT_FALSE(master->HasVBands());
    ASSERT_EQ(master->ShiftChildren(), QList<TkavReportComponent *>{a});
    EXPECT_EQ(a->ShiftChildren(), QList<TkavReportComponent *>{b});

    // A band that has its shift tree keeps it: it is built once.
    auto *c = layout.memo<TkavMemoView>(master, "C", 0, 60, 100, 20);
    tree.Build(*layout.page, false, errors);
    EXPECT_EQ(master->ShiftChildren(), QList<TkavReportComponent *>{a});
    EXPECT_TRUE(b->ShiftChildren().isEmpty());
    EXPECT_TRUE(c->ShiftChildren().isEmpty());
}

TEST_F(BandTreeTest, ShiftTreesAreBuiltPerOrientation)
{
    Layout layout;
    auto *master = layout.add({"MasterData", "MasterData1", 0});
    auto *vBand = layout.add({"MasterData", "MasterData2", 100});
    vBand->SetVertical(true);
    vBand->SetBounds(500, 100, 100, 0);
    auto *a = layout.memo<TkavMemoView>(master, "A", 0, 0, 100, 20);
    auto *cell = layout.memo<TkavMemoView>(vBand, "Cell", 0, 0, 50, 20);

    TStringList errors;
    TkavBandTree tree;
    tree.Build(*layout.page, false, errors);
    EXPECT_EQ(master->ShiftChildren(), QList<TkavReportComponent *>{a});
    EXPECT_TRUE(vBand->ShiftChildren().isEmpty());
    tree.Build(*layout.page, true, errors);
    EXPECT_EQ(vBand->ShiftChildren(), QList<TkavReportComponent *>{cell});
}

TEST_F(BandTreeTest, RowCountBandGetsItsCountedDataSet)
{
    Layout layout;
    auto *counted
        = static_cast<TkavDataBand *>(layout.add({"MasterData", "MasterData1", 0, false}));
    counted->SetRowCount(3);
    auto *bound
        = static_cast<TkavDataBand *>(layout.add({"MasterData", "MasterData2", 20, true, 7}));
    layout.add({"MasterData", "MasterData3", 40, false}); // neither: no data to run

    TStringList errors;
    TkavBandTree tree;
    tree.Build(*layout.page, false, errors);
    EXPECT_EQ(dumpTree(tree), "MasterData1; MasterData2");
    EXPECT_EQ(errors.Count(), 0);

    TkavUserDataSet &rows = counted->VirtualDataSet();
    int count = 0;
    for (rows.First(); !rows.Eof() && count < 10; rows.Next())
        ++count;
    EXPECT_EQ(count, 3);
    EXPECT_EQ(bound->DataSet(), layout.ds);
}

// --- shift tree ------------------------------------------------------------------------

struct ObjectLayout
{
    const char *name;
    double left, top, width, height;
};

std::string names(const QList<TkavReportComponent *> &list)
{
    std::string s;
    for (qsizetype i = 0; i < list.size(); ++i)
        s += (i ? "," : "") + nameOf(list[i]);
    return s;
}

// "Band>A A>B B>" : the band's shift children, then each object's in object order.
std::string shiftDump(const TkavBand &band)
{
    std::string s = "Band>" + names(band.ShiftChildren());
    for (TkavComponent *child : band.Objects()) {
        auto *object = dynamic_cast<TkavReportComponent *>(child);
        s += " " + nameOf(object) + ">" + names(object->ShiftChildren());
    }
    return s;
}

class ShiftTreeTest : public BandTreeTest
{};

struct ShiftTreeCase
{
    const char *name;
    std::vector<ObjectLayout> objects;
    std::string tree;
};

TEST_F(ShiftTreeTest, LinksObjectsBelowEachOther)
{
    const std::vector<ShiftTreeCase> cases = {
        {"a column: each pushes the next only",
         {{"A", 0, 0, 100, 20}, {"B", 0, 30, 100, 20}, {"C", 0, 60, 100, 20}},
         "Band>A A>B B>C C>"},
        {"created bottom up: sorted by top",
         {{"C", 0, 60, 100, 20}, {"B", 0, 30, 100, 20}, {"A", 0, 0, 100, 20}},
         "Band>A C> B>C A>B"},
        {"two side by side push one wide object",
         {{"A", 0, 0, 50, 20}, {"B", 60, 0, 50, 20}, {"C", 0, 30, 110, 20}},
         "Band>A,B A>C B>C C>"},
        {"no horizontal overlap: the band pushes it",
         {{"A", 0, 0, 50, 20}, {"C", 200, 30, 50, 20}},
         "Band>A,C A> C>"},
        {"stacked right on the bottom edge",
         {{"A", 0, 0, 100, 20}, {"B", 0, 20, 100, 10}},
         "Band>A A>B B>"},
        {"vertically overlapping objects do not push each other",
         {{"A", 0, 0, 100, 20}, {"B", 50, 10, 100, 20}},
         "Band>A,B A> B>"},
        {"an object aside the common range does not block",
         {{"A", 0, 0, 100, 20}, {"N", 80, 25, 20, 5}, {"B", 0, 40, 50, 20}},
         "Band>A A>N,B N> B>"},
        {"an object across the common range blocks",
         {{"A", 0, 0, 100, 20}, {"N", 20, 25, 20, 5}, {"B", 0, 40, 50, 20}},
         "Band>A A>N N>B B>"},
        {"lines of zero height and width",
         {{"A", 0, 0, 100, 20},
          {"Bottom", 0, 20, 100, 0},
          {"Inside", 0, 10, 100, 0},
          {"Vert", 50, 30, 0, 40}},
         "Band>A,Inside A>Bottom Bottom>Vert Inside>Bottom Vert>"},
    };
    for (const ShiftTreeCase &row : cases) {
        SCOPED_TRACE(row.name);
        Layout layout;
        auto *band = layout.add({"MasterData", "MasterData1", 100});
        band->SetWidth(700);
        for (const ObjectLayout &o : row.objects)
            layout.memo<TkavMemoView>(band, o.name, o.left, o.top, o.width, o.height);
        kavBuildShiftTree(*band);
        EXPECT_EQ(shiftDump(*band), row.tree);
    }
}

TEST_F(ShiftTreeTest, BuildsOnceAndNeverDoublesLinks)
{
    Layout layout;
    auto *band = layout.add({"MasterData", "MasterData1", 0});
    band->SetWidth(700);
    auto *a = layout.memo<TkavMemoView>(band, "A", 0, 0, 100, 20);
    auto *b = layout.memo<TkavMemoView>(band, "B", 0, 30, 100, 20);
    a->AddShiftChild(b); // left over from elsewhere
    kavBuildShiftTree(*band);
    EXPECT_EQ(shiftDump(*band), "Band>A A>B B>");
    b->SetTop(0);
    kavBuildShiftTree(*band);
    EXPECT_EQ(shiftDump(*band), "Band>A A>B B>");
}

// Memo A (0,0,100x20) grows by 30 to 50; B below it, D below B, C to the right of A.
struct ShiftCase
{
    const char *name;
    TkavShiftMode mode; // of B and C
    double bTop;
    double bGrowth;
    double expectB, expectD, expectC;
};

class ShiftModeTest : public BandTreeTest
{};

TEST_F(ShiftModeTest, MovesChildrenByMode)
{
    const std::vector<ShiftCase> cases = {
        {"always: moves by the growth", smAlways, 30, 0, 60, 100, 30},
        {"always: own growth adds for its children", smAlways, 30, 5, 60, 105, 30},
        {"dont shift: stays, children still move", smDontShift, 30, 0, 30, 100, 30},
        {"dont shift: children move by both", smDontShift, 30, 5, 30, 105, 30},
        // Overlapped by the grown A (bottom 50): moves exactly to 50, D follows by 20.
        {"when overlapped: moves to the grown bottom", smWhenOverlapped, 30, 0, 50, 90, 30},
        {"when overlapped: adds its own growth", smWhenOverlapped, 30, 5, 50, 95, 30},
        // B's top 60 is already below 50: nothing moves.
        {"when overlapped: clear of the growth stays", smWhenOverlapped, 60, 0, 60, 100, 30},
        {"when overlapped: touching the grown bottom stays", smWhenOverlapped, 50, 0, 50, 90, 30},
    };
    for (const ShiftCase &row : cases) {
        SCOPED_TRACE(row.name);
        Layout layout;
        auto *band = layout.add({"MasterData", "MasterData1", 0});
        band->SetWidth(700);
        auto *a = layout.memo<TkavMemoView>(band, "A", 0, 0, 100, 20);
        auto *b = layout.memo<TkavMemoView>(band, "B", 0, row.bTop, 100, 20);
        auto *d = layout.memo<TkavMemoView>(band, "D", 0, row.bTop + 40, 100, 10);
        auto *c = layout.memo<TkavMemoView>(band, "C", 200, 30, 50, 20);
        b->SetShiftMode(row.mode);
        c->SetShiftMode(row.mode);
        kavBuildShiftTree(*band);
        ASSERT_EQ(shiftDump(*band), "Band>A,C A>B B>D D> C>");

        a->SetHeight(50);
        a->SetShiftAmount(30);
        b->SetHeight(20 + row.bGrowth);
        b->SetShiftAmount(row.bGrowth);
        kavShiftObjects(*band, 0);

        EXPECT_DOUBLE_EQ(a->Top(), 0);
        EXPECT_DOUBLE_EQ(b->Top(), row.expectB);
        EXPECT_DOUBLE_EQ(d->Top(), row.expectD);
        EXPECT_DOUBLE_EQ(c->Top(), row.expectC);
        for (auto *o : {a, b, c, d})
            EXPECT_EQ(o->ShiftAmount(), 0) << o->Name().toStdString();
    }
}

TEST_F(ShiftModeTest, BandAmountMovesItsOwnChildrenUnlessWhenOverlapped)
{
    for (TkavShiftMode mode : {smAlways, smDontShift, smWhenOverlapped}) {
        SCOPED_TRACE(int(mode));
        Layout layout;
        auto *band = layout.add({"MasterData", "MasterData1", 0});
        band->SetWidth(700);
        auto *a = layout.memo<TkavMemoView>(band, "A", 0, 0, 100, 20);
        auto *b = layout.memo<TkavMemoView>(band, "B", 0, 30, 100, 20);
        a->SetShiftMode(mode);
        kavBuildShiftTree(*band);
        kavShiftObjects(*band, 10);
        // Always moves with the band's amount; the others stay. B is pushed on by the
        // band's amount unless A is placed only when overlapped.
        EXPECT_DOUBLE_EQ(a->Top(), mode == smAlways ? 10 : 0);
        EXPECT_DOUBLE_EQ(b->Top(), mode == smWhenOverlapped ? 30 : 40);
    }
}

TEST_F(ShiftModeTest, ObjectsGivenToVerticalBandsKeepTheirTop)
{
    Layout layout;
    auto *master = layout.add({"MasterData", "MasterData1", 0});
    auto *vBand = layout.add({"MasterData", "MasterData2", 100});
    vBand->SetVertical(true);
    vBand->SetBounds(300, 100, 100, 0);
    auto *a = layout.memo<TkavMemoView>(master, "A", 0, 0, 400, 20);
    auto *cell = layout.memo<TkavMemoView>(master, "Cell", 310, 30, 80, 20);
    auto *below = layout.memo<TkavMemoView>(master, "Below", 0, 60, 400, 20);

    TStringList errors;
    TkavBandTree tree;
    tree.Build(*layout.page, false, errors);
    ASSERT_EQ(cell->Parent(), vBand);

    a->SetHeight(50);
    a->SetShiftAmount(30);
    kavShiftObjects(*master, 0);
    EXPECT_DOUBLE_EQ(cell->Top(), 30);
    EXPECT_DOUBLE_EQ(below->Top(), 90);
}

} // namespace
