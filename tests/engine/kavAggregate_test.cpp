// Aggregates: reading calls, finding them in footer texts and variables, accumulating rows
// (Null, text and Boolean values, invisible bands, vertical columns), resets and running
// totals, keep blocks of page footers and the undo of one row.

#include <engine/kavAggregate.h>
#include <engine/kavAggregate_p.h>
#include <engine/kavBandTree.h>
#include <persist/kavVariables.h>
#include <report/kavBands.h>
#include <report/kavDataSets.h>
#include <report/kavPages.h>
#include <report/kavReport.h>
#include <report/kavViews.h>
#include <rtl/kavRTTI.h>
#include <rtl/kavStrings.h>

#include <QHash>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// A report with a page holding MasterData1, DetailData1, Footer1 and PageFooter1, and a
// data set DS whose fields take their values from per-field columns.
class AggregateTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        kavRegisterRTLClasses();
        kavRegisterReportClasses();
        report.EngineOptions().SetConvertNulls(false);
        page = TkavComponent::Create<TkavReportPage>(&report);
        page->SetName(u"Page1"_s);
        master = band<TkavMasterData>(u"MasterData1"_s);
        detail = band<TkavDetailData>(u"DetailData1"_s);
        footer = band<TkavFooter>(u"Footer1"_s);
        pageFooter = band<TkavPageFooter>(u"PageFooter1"_s);
        ds = TkavComponent::Create<TkavUserDataSet>(&report);
        ds->SetName(u"DS"_s);
        ds->SetRangeEnd(reCount);
        ds->ValueHandlers().OnGetValue = [this](const QString &field, Variant &value) {
            const QList<Variant> column = columns.value(field);
            if (ds->RecNo() < column.size())
                value = column[ds->RecNo()];
        };
        report.DataSets().Add(ds);
    }

    template <typename T>
    T *band(const QString &name)
    {
        auto *b = TkavComponent::Create<T>(page);
        b->SetName(name);
        return b;
    }

    TkavMemoView *memo(TkavBand *owner, const QString &name, const QString &text)
    {
        auto *m = TkavComponent::Create<TkavMemoView>(owner);
        m->SetName(name);
        m->SetText(text);
        return m;
    }

    // Builds the page's band trees, scans them into the list and names each item found
    // as "call band parent".
    QStringList addItems()
    {
        TkavBandTree tree, vtree;
        TStringList errors;
        tree.Build(*page, false, errors);
        vtree.Build(*page, true, errors);
        EXPECT_EQ(errors.Count(), 0) << qPrintable(errors.Text());
        list.AddItems(*page, tree, vtree);
        QStringList found;
        for (int i = 0; i < list.Count(); ++i) {
            const TkavAggregateItem &item = list.Items(i);
            found << u"%1 %2 %3"_s.arg(
                item.OriginalName(), item.Band()->Name(), item.ParentBand()->Name());
        }
        return found;
    }

    // Field's values, one per row; DS has as many rows as the last column set.
    void setColumn(const QString &field, const QList<Variant> &values)
    {
        columns[field] = values;
        ds->SetRangeEndCount(int(values.size()));
    }

    void scan(TkavBand *b, TkavDataBand *defaultBand)
    {
        TkavAggregateScanner(list, report).ScanBand(*b, defaultBand);
    }

    // Every row of DS accumulates into the items bound to b (vertical: row n in column n).
    void feedRows(TkavBand *b, bool vertical = false)
    {
        for (ds->First(); !ds->Eof(); ds->Next())
            list.AddValue(b, vertical ? ds->RecNo() + 1 : 0);
    }

    Variant value(TkavBand *parent,
                  const QString &function,
                  const QString &expression,
                  int flags = 0,
                  int column = 0)
    {
        return list.GetValue(parent, column, column, function, expression, nullptr, flags);
    }

    TkavReport report;
    TkavAggregateList list{&report};
    TkavReportPage *page = nullptr;
    TkavMasterData *master = nullptr;
    TkavDetailData *detail = nullptr;
    TkavFooter *footer = nullptr;
    TkavPageFooter *pageFooter = nullptr;
    TkavUserDataSet *ds = nullptr;
    QHash<QString, QList<Variant>> columns;
};

const QString V = u"DS.\"V\""_s;

// --- reading calls ------------------------------------------------------------------------

TEST(AggregateParse, Calls)
{
    const struct
    {
        const char16_t *text;
        TkavAggregateFunction function;
        const char16_t *expression;
        const char16_t *band;
        int flags;
    } cases[] = {
        // a comma inside quotes and a nested call stay in the expression
        {u"SUM(IIF(<a>=',',1,0), MasterData1, 2)", agSum, u"IIF(<a>=',',1,0)", u"MasterData1", 2},
        {u"count(MasterData1,1)", agCount, u"", u"MasterData1", 1},
        {u"  AVG( <DS.\"x,y\"> )  ", agAvg, u"<DS.\"x,y\">", u"", 0},
        {u"Min(f(1,(2,3)), Band2)", agMin, u"f(1,(2,3))", u"Band2", 0},
        {u"MAX(<a>, , 3)", agMax, u"<a>", u"", 3},
        {u"SUM(\"a)b\", D1)", agSum, u"\"a)b\"", u"D1", 0},
        {u"SUM('it''s, ok', D1)", agSum, u"'it''s, ok'", u"D1", 0},
        {u"SUM(<a>, D1, x)", agSum, u"<a>", u"D1", 0},    // flags that are no integer
        {u"SUM(<a>, D1, 2, 9)", agSum, u"<a>", u"D1", 2}, // a fourth argument is ignored
        {u"SUM(<a>", agSum, u"<a>", u"", 0},              // never closed
        {u"COUNT()", agCount, u"", u"", 0},
        {u"COUNT", agCount, u"", u"", 0},
        {u"FOO(MasterData1, 2)", agCount, u"", u"MasterData1", 2}, // other names count
        {u"sum (x)", agSum, u"x", u"", 0},
    };
    for (const auto &c : cases) {
        const QString text = QString::fromUtf16(c.text);
        const TkavAggregateCall call = kavParseAggregateCall(text);
        EXPECT_EQ(call.Function, c.function) << qPrintable(text);
        EXPECT_EQ(call.Expression, QString::fromUtf16(c.expression)) << qPrintable(text);
        EXPECT_EQ(call.BandName, QString::fromUtf16(c.band)) << qPrintable(text);
        EXPECT_EQ(call.Flags, c.flags) << qPrintable(text);
    }
}

TEST(AggregateParse, SplitArguments)
{
    EXPECT_TRUE(kavSplitAggregateArgs(u"  ").isEmpty());
    EXPECT_EQ(kavSplitAggregateArgs(u"a, (b, c), 'd,e'"),
              (QStringList{u"a"_s, u"(b, c)"_s, u"'d,e'"_s}));
    EXPECT_EQ(kavSplitAggregateArgs(u",x,"), (QStringList{QString(), u"x"_s, QString()}));
}

// --- finding calls ------------------------------------------------------------------------

TEST_F(AggregateTest, DiscoveryInTexts)
{
    report.Variables().SetVariable(u"TotalVar"_s, u"SUM(DS.\"V\")"_s);
    report.Variables().SetVariable(u"Outer"_s, u"Inner + 1"_s);
    report.Variables().SetVariable(u"Inner"_s, u"MAX(DS.\"V\")"_s);
    report.Variables().SetVariable(u"Rate"_s, 1.5);
    const struct
    {
        const char16_t *text;
        QStringList calls; // the items' original names, in order
    } cases[] = {
        {u"Total: [SUM(DS.\"V\")] of [COUNT(MasterData1)]",
         {u"SUM(DS.\"V\")"_s, u"COUNT(MasterData1)"_s}},
        {u"[TotalVar]", {u"SUM(DS.\"V\")"_s}},
        {u"[Outer * 2]", {u"MAX(DS.\"V\")"_s}},
        {u"[Rate]", {}},
        {u"['SUM(x)'] [\"AVG(x)\"]", {}},
        {u"[IIF(sum (DS.\"V\") > 0, <MIN(x)>, 0)]", {u"sum (DS.\"V\")"_s, u"MIN(x)"_s}},
        {u"[DS.\"V\"]", {}},
        {u"[DS.\"V\" + SUM(DS.\"V\")]", {u"SUM(DS.\"V\")"_s}}, // a field, then more
        {u"[MYSUM(x)] [SUMX(y)] [Sum]", {}},
        {u"[SUM(SUM(x))]", {u"SUM(SUM(x))"_s}},
        {u"no brackets SUM(x)", {}},
        {u"[a] [SUM(x, MasterData1, 3)", {u"SUM(x, MasterData1, 3)"_s}},
    };
    auto *m = memo(footer, u"Memo1"_s, QString());
    for (const auto &c : cases) {
        list.Clear();
        m->SetText(QString::fromUtf16(c.text));
        scan(footer, master);
        QStringList found;
        for (int i = 0; i < list.Count(); ++i)
            found << list.Items(i).OriginalName();
        EXPECT_EQ(found, c.calls) << qPrintable(m->Text());
    }
}

TEST_F(AggregateTest, DiscoveryGivesTheItemsTheirContext)
{
    auto *child = band<TkavChild>(u"Child1"_s);
    footer->SetChild(child);
    memo(footer, u"Memo1"_s, u"[SUM(DS.\"V\")]"_s);
    memo(child, u"Memo2"_s, u"[AVG(x, DetailData1, 1)] [MAX(y, Nowhere, 2)]"_s);
    memo(pageFooter, u"Memo3"_s, u"[COUNT(DetailData1)]"_s);
    auto *pageChild = band<TkavChild>(u"Child2"_s);
    pageFooter->SetChild(pageChild);
    memo(pageChild, u"Memo4"_s, u"[SUM(z)]"_s);
    scan(footer, master);
    scan(pageFooter, master);
    ASSERT_EQ(list.Count(), 5);

    const TkavAggregateItem &sum = list.Items(0);
    EXPECT_EQ(sum.AggregateFunction(), agSum);
    EXPECT_EQ(sum.Expression(), V);
    EXPECT_EQ(sum.Band(), master);
    EXPECT_EQ(sum.ParentBand(), footer);
    EXPECT_EQ(sum.MemoName(), u"Memo1"_s);
    EXPECT_FALSE(sum.IsPageFooter());

    const TkavAggregateItem &avg = list.Items(1);
    EXPECT_EQ(avg.Band(), detail) << "the named band";
    EXPECT_EQ(avg.ParentBand(), child) << "a child band shows its own objects";
    EXPECT_TRUE(avg.CountInvisibleBands());
    EXPECT_FALSE(avg.DontReset());

    const TkavAggregateItem &max = list.Items(2);
    EXPECT_EQ(max.Band(), master) << "an unknown band name keeps the default";
    EXPECT_TRUE(max.DontReset());
    EXPECT_FALSE(max.CountInvisibleBands());

    const TkavAggregateItem &count = list.Items(3);
    EXPECT_EQ(count.AggregateFunction(), agCount);
    EXPECT_TRUE(count.Expression().isEmpty());
    EXPECT_EQ(count.Band(), detail);
    EXPECT_TRUE(count.IsPageFooter());

    EXPECT_EQ(list.Items(4).ParentBand(), pageChild);
    EXPECT_TRUE(list.Items(4).IsPageFooter()) << "output with the page footer, kept with it";
}

TEST_F(AggregateTest, DiscoveryRespectsTheTextObjectsSettings)
{
    auto *off = memo(footer, u"Memo1"_s, u"[SUM(a)]"_s);
    off->SetAllowExpressions(false);
    auto *custom = memo(footer, u"Memo2"_s, u"<%SUM(b)%> [SUM(c)]"_s);
    custom->SetExpressionDelimiters(u"<%,%>"_s);
    scan(footer, master);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Items(0).OriginalName(), u"SUM(b)"_s);
    EXPECT_EQ(list.Items(0).MemoName(), u"Memo2"_s);
}

// Variables that name each other end the scan instead of recursing for ever.
TEST_F(AggregateTest, DiscoveryStopsAtVariablesReferringToThemselves)
{
    report.Variables().SetVariable(u"Self"_s, u"Self + SUM(a)"_s);
    report.Variables().SetVariable(u"A"_s, u"B + MIN(b)"_s);
    report.Variables().SetVariable(u"B"_s, u"A"_s);
    memo(footer, u"Memo1"_s, u"[Self] [A]"_s);
    scan(footer, master);
    QStringList found;
    for (int i = 0; i < list.Count(); ++i)
        found << list.Items(i).OriginalName();
    EXPECT_EQ(found, (QStringList{u"SUM(a)"_s, u"MIN(b)"_s}));
}

// Texts far deeper or longer than anything written by hand are scanned without
// exhausting the stack and in time linear in their length.
TEST_F(AggregateTest, DiscoverySurvivesHostileTexts)
{
    const qsizetype n = 100000;
    const QString cases[] = {
        QString(n, u'(') + u"SUM(a)"_s + QString(n, u')'),
        QString(n, u'('),
        QString(n, u'<'),
        u"SUM(x) < "_s.repeated(n / 10),
    };
    auto *m = memo(footer, u"Memo1"_s, QString());
    for (const QString &expression : cases) {
        list.Clear();
        m->SetText(u"["_s + expression + u"] [SUM(b)]"_s);
        scan(footer, master);
        ASSERT_GE(list.Count(), 1) << qPrintable(expression.left(20));
        EXPECT_EQ(list.Items(list.Count() - 1).OriginalName(), u"SUM(b)"_s)
            << qPrintable(expression.left(20));
    }
}

TEST_F(AggregateTest, ObjectMovedIntoAVerticalBandKeepsItsFooter)
{
    auto *vertical = band<TkavMasterData>(u"MasterData2"_s);
    vertical->SetVertical(true);
    auto *moved = memo(vertical, u"Memo1"_s, u"[SUM(a)]"_s);
    moved->SetOriginalBand(footer);
    auto *fromHeader = memo(vertical, u"Memo2"_s, u"[SUM(b)]"_s);
    fromHeader->SetOriginalBand(band<TkavHeader>(u"Header1"_s));
    scan(vertical, vertical);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Items(0).ParentBand(), footer);
    EXPECT_EQ(list.Items(1).ParentBand(), vertical);
}

// Discovery over the page's band trees: footers and group footers of each data band and
// of its details, then the page footer, column footer and summary with their child bands.
TEST_F(AggregateTest, AddItemsWalksTheBandTrees)
{
    auto *groupHeader = band<TkavGroupHeader>(u"GroupHeader1"_s);
    auto *footer2 = band<TkavFooter>(u"Footer2"_s);
    auto *groupFooter = band<TkavGroupFooter>(u"GroupFooter1"_s);
    auto *child = band<TkavChild>(u"Child1"_s);
    auto *summary = band<TkavReportSummary>(u"ReportSummary1"_s);
    auto *columnFooter = band<TkavColumnFooter>(u"ColumnFooter1"_s);
    auto *pageHeader = band<TkavPageHeader>(u"PageHeader1"_s);
    const QList<TkavBand *> layout = {pageHeader,
                                      groupHeader,
                                      master,
                                      footer,
                                      detail,
                                      footer2,
                                      groupFooter,
                                      columnFooter,
                                      pageFooter,
                                      child,
                                      summary};
    for (int i = 0; i < layout.size(); ++i) {
        layout[i]->SetTop(i * 30);
        layout[i]->SetHeight(20);
    }
    master->SetDataSet(ds);
    detail->SetRowCount(2);
    pageFooter->SetChild(child);
    const struct
    {
        TkavBand *band;
        const char16_t *call;
    } memos[] = {{footer, u"SUM(a)"},
                 {footer2, u"SUM(b)"},
                 {groupFooter, u"SUM(c)"},
                 {pageFooter, u"SUM(d)"},
                 {child, u"SUM(e)"},
                 {summary, u"SUM(f)"},
                 {columnFooter, u"SUM(g)"},
                 {pageHeader, u"SUM(h)"},
                 {master, u"SUM(i)"}};
    int n = 0;
    for (const auto &m : memos)
        memo(m.band, u"Memo%1"_s.arg(++n), u"["_s + QString::fromUtf16(m.call) + u"]"_s);

    const QStringList found = addItems();
    // Headers and data bands hold no aggregates.
    EXPECT_EQ(found,
              (QStringList{u"SUM(a) MasterData1 Footer1"_s,
                           u"SUM(c) MasterData1 GroupFooter1"_s,
                           u"SUM(b) DetailData1 Footer2"_s,
                           u"SUM(d) MasterData1 PageFooter1"_s,
                           u"SUM(e) MasterData1 Child1"_s,
                           u"SUM(g) MasterData1 ColumnFooter1"_s,
                           u"SUM(f) MasterData1 ReportSummary1"_s}));
}

TEST_F(AggregateTest, AddItemsWithoutDataBandsSkipsPageBands)
{
    memo(pageFooter, u"Memo1"_s, u"[SUM(a)]"_s);
    EXPECT_EQ(addItems(), QStringList{});
}

// A vertical data band holds calls itself, also those of footer objects moved into it; a
// vertical header only those moved from a footer. Moved objects bind as in their footer.
TEST_F(AggregateTest, AddItemsScansVerticalBands)
{
    master->SetDataSet(ds);
    master->SetBounds(0, 0, 200, 20);
    footer->SetBounds(0, 30, 200, 20);
    detail->SetBounds(0, 200, 200, 20);
    auto *vheader = band<TkavHeader>(u"Header2"_s);
    vheader->SetVertical(true);
    vheader->SetBounds(200, 0, 100, 100);
    auto *vertical = band<TkavMasterData>(u"MasterData2"_s);
    vertical->SetVertical(true);
    vertical->SetDataSet(ds);
    vertical->SetBounds(300, 0, 100, 100);
    memo(footer, u"Memo1"_s, u"[SUM(a)]"_s)->SetBounds(0, 0, 100, 20);
    memo(footer, u"Memo2"_s, u"[SUM(m)]"_s)->SetBounds(310, 0, 50, 20);
    memo(footer, u"Memo3"_s, u"[COUNT(MasterData2)]"_s)->SetBounds(210, 0, 50, 20);
    memo(master, u"Memo4"_s, u"[SUM(x)]"_s)->SetBounds(210, 0, 50, 20);
    const QStringList found = addItems();
    EXPECT_EQ(found,
              (QStringList{u"SUM(a) MasterData1 Footer1"_s,
                           u"SUM(m) MasterData1 Footer1"_s,
                           u"COUNT(MasterData2) MasterData2 Footer1"_s}));
}

// --- values -------------------------------------------------------------------------------

TEST_F(AggregateTest, FunctionsOverRowsWithANull)
{
    setColumn(u"V"_s, {Variant(1), Variant::Null(), Variant(3)});
    memo(footer,
         u"Memo1"_s,
         u"[SUM(DS.\"V\")] [AVG(DS.\"V\")] [MIN(DS.\"V\")] [MAX(DS.\"V\")] "
         "[COUNT(MasterData1)]"_s);
    scan(footer, master);
    feedRows(master);
    const struct
    {
        const char16_t *function;
        QString expression;
        double expected;
    } cases[] = {
        {u"SUM", V, 4},
        {u"AVG", V, 2}, // the Null row is not counted
        {u"MIN", V, 1},
        {u"MAX", V, 3},
        {u"COUNT", QString(), 3},
    };
    for (const auto &c : cases) {
        const Variant v = value(footer, QString::fromUtf16(c.function), c.expression);
        EXPECT_DOUBLE_EQ(v.AsDouble(), c.expected) << qPrintable(QString::fromUtf16(c.function));
    }
    EXPECT_TRUE(report.Errors().Text().isEmpty()) << qPrintable(report.Errors().Text());
}

TEST_F(AggregateTest, ValueLookup)
{
    setColumn(u"V"_s, {Variant(2), Variant(5)});
    report.Variables().SetVariable(u"W"_s, 10);
    memo(footer, u"Memo1"_s, u"[SUM(DS.\"V\")] [SUM(W)] [SUM(DS.\"V\", DetailData1)]"_s);
    scan(footer, master);
    feedRows(master);
    feedRows(detail);
    feedRows(detail);
    EXPECT_EQ(value(footer, u"sum"_s, u" ds.\"V\" "_s).AsInteger(), 7)
        << "case and spaces outside quotes do not matter";
    EXPECT_EQ(value(footer, u"SUM"_s, u"W"_s).AsInteger(), 20) << "a separate item";
    EXPECT_EQ(list.GetValue(footer, 0, 0, u"SUM"_s, V, detail, 0).AsInteger(), 14)
        << "the bound band tells the items apart";
    EXPECT_TRUE(value(footer, u"SUM"_s, u"DS.\"v\""_s).IsNull()) << "quoted text keeps its case";
    EXPECT_TRUE(value(footer, u"SUM"_s, V, 2).IsNull()) << "other flags";
    EXPECT_TRUE(value(footer, u"AVG"_s, V).IsNull()) << "other function";
    EXPECT_TRUE(value(pageFooter, u"SUM"_s, V).IsNull()) << "another band shows none";
}

TEST_F(AggregateTest, TwoObjectsWithTheSameCallShareTheValue)
{
    setColumn(u"V"_s, {Variant(2), Variant(5)});
    memo(footer, u"Memo1"_s, u"[SUM(DS.\"V\")]"_s);
    memo(footer, u"Memo2"_s, u"[SUM(DS.\"V\")] [SUM(DS.\"V\" + DS.\"V\")]"_s);
    scan(footer, master);
    ASSERT_EQ(list.Count(), 3);
    feedRows(master);
    EXPECT_EQ(value(footer, u"SUM"_s, V).AsInteger(), 7);
    list.Reset(footer);
    EXPECT_EQ(list.Items(0).ItemsCount(), 0);
    EXPECT_EQ(list.Items(1).ItemsCount(), 0);
}

TEST_F(AggregateTest, FooterWithoutRowsShowsZero)
{
    memo(footer, u"Memo1"_s, u"[SUM(a)] [AVG(a)] [MIN(a)] [MAX(a)] [COUNT(MasterData1)]"_s);
    scan(footer, master);
    for (const char16_t *function : {u"SUM", u"AVG", u"MIN", u"MAX", u"COUNT"}) {
        const QString f = QString::fromUtf16(function);
        const Variant v = value(footer, f, f == u"COUNT" ? QString() : u"a"_s);
        EXPECT_FALSE(v.IsNull()) << qPrintable(f);
        EXPECT_EQ(VarToStr(v), u"0"_s) << qPrintable(f);
    }
}

// A group footer restarts with every group; a running total (flags 2) does not.
TEST_F(AggregateTest, GroupResetAndRunningTotal)
{
    auto *groupFooter = band<TkavGroupFooter>(u"GroupFooter1"_s);
    memo(groupFooter, u"Memo1"_s, u"[SUM(DS.\"V\")] [SUM(DS.\"V\", MasterData1, 2)]"_s);
    scan(groupFooter, master);
    const QList<QList<Variant>> groups = {{Variant(1), Variant(2)}, {Variant(3)}};
    QList<int> perGroup, running;
    for (const auto &group : groups) {
        setColumn(u"V"_s, group);
        feedRows(master);
        perGroup << value(groupFooter, u"SUM"_s, V).AsInteger();
        running << value(groupFooter, u"SUM"_s, V, 2).AsInteger();
        list.Reset(groupFooter);
    }
    EXPECT_EQ(perGroup, (QList<int>{3, 3}));
    EXPECT_EQ(running, (QList<int>{3, 6}));
    list.ClearValues();
    EXPECT_EQ(value(groupFooter, u"SUM"_s, V, 2).AsInteger(), 0) << "cleared between passes";
}

TEST_F(AggregateTest, InvisibleBandCountsOnlyWithFlag)
{
    setColumn(u"V"_s, {Variant(4), Variant(6)});
    memo(footer,
         u"Memo1"_s,
         u"[SUM(DS.\"V\")] [SUM(DS.\"V\", MasterData1, 1)] [COUNT(MasterData1, 1)]"
         "[COUNT(MasterData1)]"_s);
    scan(footer, master);
    master->SetVisible(false);
    feedRows(master);
    EXPECT_EQ(value(footer, u"SUM"_s, V).AsInteger(), 0);
    EXPECT_EQ(value(footer, u"SUM"_s, V, 1).AsInteger(), 10);
    EXPECT_EQ(value(footer, u"COUNT"_s, QString(), 1).AsInteger(), 2);
    EXPECT_EQ(value(footer, u"COUNT"_s, QString()).AsInteger(), 0);
}

// Text is converted to numbers, never concatenated; text that is no number is reported
// and its row is left out.
TEST_F(AggregateTest, TextValues)
{
    setColumn(u"V"_s,
              {Variant(u"10"_s),
               Variant(u"2,5"_s),
               Variant(u" 20.5 "_s),
               Variant(u"  "_s),
               Variant(u"abc"_s),
               Variant(u"-3"_s)});
    memo(footer, u"Memo1"_s, u"[SUM(DS.\"V\")] [AVG(DS.\"V\")] [MAX(DS.\"V\")]"_s);
    scan(footer, master);
    feedRows(master);
    EXPECT_DOUBLE_EQ(value(footer, u"SUM"_s, V).AsDouble(), 10 + 2.5 + 20.5 - 3);
    EXPECT_DOUBLE_EQ(value(footer, u"AVG"_s, V).AsDouble(), (10 + 2.5 + 20.5 - 3) / 4);
    EXPECT_DOUBLE_EQ(value(footer, u"MAX"_s, V).AsDouble(), 20.5) << "compared as numbers";
    EXPECT_EQ(list.Items(0).ItemsCount(), 5) << "the blank row counts as Null, abc not at all";
    const QString errors = report.Errors().Text();
    EXPECT_TRUE(errors.contains(u"Memo1: SUM(DS.\"V\"): 'abc' is not a number"_s))
        << qPrintable(errors);
}

TEST_F(AggregateTest, BooleansCountAsOneAndZero)
{
    setColumn(u"V"_s, {Variant(true), Variant(true), Variant(false)});
    memo(footer, u"Memo1"_s, u"[SUM(DS.\"V\")]"_s);
    scan(footer, master);
    feedRows(master);
    EXPECT_EQ(value(footer, u"SUM"_s, V).AsInteger(), 2);
}

TEST_F(AggregateTest, ExpressionErrorsLeaveTheRowOut)
{
    setColumn(u"V"_s, {Variant(1), Variant(2)});
    memo(footer, u"Memo1"_s, u"[SUM(Nobody)] [MAX(DS.\"V\")]"_s);
    scan(footer, master);
    feedRows(master);
    EXPECT_EQ(list.Items(0).ItemsCount(), 0);
    EXPECT_EQ(value(footer, u"MAX"_s, V).AsInteger(), 2);
    EXPECT_TRUE(report.Errors().Text().startsWith(u"Memo1: "_s))
        << qPrintable(report.Errors().Text());
}

TEST_F(AggregateTest, IntegerOverflowIsReportedNotThrown)
{
    setColumn(u"V"_s, {Variant(qint64(9223372036854775807LL)), Variant(1), Variant(2)});
    memo(footer, u"Memo1"_s, u"[SUM(DS.\"V\")]"_s);
    scan(footer, master);
    EXPECT_NO_THROW(feedRows(master));
    EXPECT_EQ(list.Items(0).ItemsCount(), 1) << "rows that overflow are left out";
    EXPECT_FALSE(report.Errors().Text().isEmpty());
}

// Vertical columns have no fixed bound.
TEST_F(AggregateTest, VerticalColumnsBeyondAThousand)
{
    QList<Variant> values;
    for (int i = 1; i <= 1500; ++i)
        values << Variant(i * 2);
    setColumn(u"V"_s, values);
    memo(footer, u"Memo1"_s, u"[SUM(DS.\"V\")] [COUNT(MasterData1)]"_s);
    scan(footer, master);
    feedRows(master, true);
    feedRows(master, true);
    for (int column : {1, 1000, 1001, 1500})
        EXPECT_EQ(value(footer, u"SUM"_s, V, 0, column).AsInteger(), column * 4) << column;
    EXPECT_EQ(value(footer, u"COUNT"_s, QString(), 0, 1500).AsInteger(), 2);
    EXPECT_EQ(value(footer, u"SUM"_s, V, 0, 1501).AsInteger(), 0) << "a column without rows";
    EXPECT_EQ(value(footer, u"SUM"_s, V).AsInteger(), 0) << "no horizontal rows";
    list.Reset(footer);
    EXPECT_EQ(value(footer, u"SUM"_s, V, 0, 1500).AsInteger(), 0);
}

// --- keep blocks and undo ------------------------------------------------------------------

// Rows 1, 2, 4 feed a SUM shown by the page footer and one shown by Footer1. Steps: r the
// next row, k StartKeep, e EndKeep, u DeleteValue, p / f Reset of the page footer /
// Footer1, c ClearValues.
TEST_F(AggregateTest, KeepBlocksAndUndo)
{
    const struct
    {
        const char *name;
        const char *steps;
        int pageSum;
        int footerSum;
    } cases[] = {
        {"kept rows wait for the block's end", "rkrr", 1, 7},
        {"a block that stays", "rkrre", 7, 7},
        {"a block that moves to the next page", "rkrkrpe", 6, 7},
        {"undo of the latest row only", "rruu", 1, 1},
        {"undo inside a block takes the row from the block", "rkrue", 1, 1},
        {"undo after the block ends", "rkrreu", 3, 3},
        {"a reset is not undone", "rrfu", 1, 0},
        {"ClearValues drops an open block", "rkrcer", 4, 4},
    };
    setColumn(u"V"_s, {Variant(1), Variant(2), Variant(4)});
    memo(pageFooter, u"Memo1"_s, u"[SUM(DS.\"V\")]"_s);
    memo(footer, u"Memo2"_s, u"[SUM(DS.\"V\")]"_s);
    scan(pageFooter, master);
    scan(footer, master);
    for (const auto &c : cases) {
        list.ClearValues();
        ds->First();
        for (const char *step = c.steps; *step; ++step) {
            switch (*step) {
            case 'r':
                list.AddValue(master);
                ds->Next();
                break;
            case 'k':
                list.StartKeep();
                break;
            case 'e':
                list.EndKeep();
                break;
            case 'u':
                list.DeleteValue(master);
                list.DeleteValue(detail); // binds nothing: no effect
                break;
            case 'p':
                list.Reset(pageFooter);
                break;
            case 'f':
                list.Reset(footer);
                break;
            case 'c':
                list.ClearValues();
                break;
            }
        }
        EXPECT_EQ(value(pageFooter, u"SUM"_s, V).AsInteger(), c.pageSum) << c.name;
        EXPECT_EQ(value(footer, u"SUM"_s, V).AsInteger(), c.footerSum) << c.name;
    }
}

} // namespace
