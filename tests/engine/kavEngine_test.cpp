// The engine on reports built in code: page filling, titles and headers, first and last
// page flags, moving and splitting bands, page columns, keep-together, data-set conflicts,
// empty reports, two passes, groups, master-detail, stretching, and the guards that end a
// run that could not otherwise end.

#include "../kavTestSupport.h"
#include "kavEngineTestSupport.h"

#include <engine/kavEngine.h>
#include <prepared/kavPictureCache.h>
#include <prepared/kavPreviewPages.h>
#include <report/kavBands.h>
#include <report/kavDataSets.h>
#include <report/kavPages.h>
#include <report/kavReport.h>
#include <report/kavViews.h>
#include <rtl/kavRTTI.h>
#include <rtl/kavStreams.h>

#include <QBuffer>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// A4 portrait, margins 10 mm: the printable height is 277 mm.
constexpr double pageHeight = 277 * kavMMToPixels;

// Details of a master data set: two rows for every master row but the second.
class DetailSet : public TkavUserDataSet
{
public:
    explicit DetailSet(TkavDataSet &master) : FMaster(master)
    {
        SetRangeEnd(reCount);
        SetRangeEndCount(2);
    }
    bool Eof() override { return FMaster.RecNo() == 1 || TkavUserDataSet::Eof(); }

private:
    TkavDataSet &FMaster;
};

class EngineTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        report = kavNewTestReport();
        page = kavAddTestPage(*report, u"Page1"_s);
        ds = std::make_unique<TkavUserDataSet>();
        ds->SetUserName(u"DS"_s);
        ds->SetRangeEnd(reCount);
        ds->SetRangeEndCount(100);
        ds->ValueHandlers().OnGetValue = [this](const QString &field, Variant &value) {
            value = field == u"Group" ? Variant(ds->RecNo() / 5) : Variant(ds->RecNo() + 1);
        };
        report->DataSets().Add(ds.get());
    }

    template <class T>
    T *band(const QString &name, double top, double height)
    {
        return kavAddTestBand<T>(*page, name, top, height);
    }

    TkavMasterData *masterData(double height = 20)
    {
        auto *data = band<TkavMasterData>(u"MasterData1"_s, 200, height);
        data->SetDataSet(ds.get());
        return data;
    }

    TkavMemoView *memo(TkavBand *parent, const QString &name, const QString &text, double height = 18)
    {
        auto *m = TkavComponent::Create<TkavMemoView>(parent);
        m->SetName(name);
        m->SetBounds(0, 0, 200, height);
        m->SetText(text);
        return m;
    }

    bool prepare()
    {
        const bool ok = report->PrepareReport(true);
        dumped = kavDumpPreparedPages(*report->PreviewPages()).split(u'\n', Qt::SkipEmptyParts);
        return ok;
    }

    int pages() const { return report->PreviewPages()->Count(); }

    // The top-level lines of page n (1-based): "Class Name l=.. t=.. w=.. h=..".
    QStringList bandsOf(int n) const
    {
        QStringList lines;
        bool in = false;
        for (const QString &line : dumped) {
            if (line.startsWith(u"page "_s))
                in = line == u"page %1"_s.arg(n);
            else if (in && line.startsWith(u"  "_s) && !line.startsWith(u"    "_s))
                lines.append(line.trimmed());
        }
        return lines;
    }

    // The names of page n's top-level objects, in order, separated by spaces.
    QString namesOf(int n) const
    {
        QStringList names;
        for (const QString &line : bandsOf(n))
            names.append(line.section(u' ', 1, 1));
        return names.join(u' ');
    }

    // The same with each top as "Name@top" (whole pixels).
    QString placesOf(int n) const
    {
        QStringList places;
        for (const QString &line : bandsOf(n))
            places.append(line.section(u' ', 1, 1) + u'@' + QString::number(attr(line, u"t"_s), 'f', 0));
        return places.join(u' ');
    }

    int count(int n, const QString &cls) const
    {
        return int(bandsOf(n).filter(QRegularExpression(u"^"_s + cls + u" "_s)).size());
    }

    // The value of attribute attr ("l", "t", "w", "h") in a dump line.
    static double attr(const QString &line, const QString &name)
    {
        const QRegularExpression re(u"\\b"_s + name + u"=(-?[0-9.]+)"_s);
        return re.match(line).captured(1).toDouble();
    }

    std::unique_ptr<TkavReport> report;
    std::unique_ptr<TkavUserDataSet> ds;
    TkavReportPage *page = nullptr;
    QStringList dumped;
};

} // namespace

TEST_F(EngineTest, PagesFillRowByRowBetweenHeaderAndFooter)
{
    band<TkavPageHeader>(u"PageHeader1"_s, 0, 40);
    masterData();
    band<TkavPageFooter>(u"PageFooter1"_s, 400, 30);
    ASSERT_TRUE(prepare()) << report->ErrorsText().toStdString();
    ASSERT_EQ(pages(), 3);
    EXPECT_EQ(count(1, u"TkavMasterData"_s), 48);
    EXPECT_EQ(count(2, u"TkavMasterData"_s), 48);
    EXPECT_EQ(count(3, u"TkavMasterData"_s), 4);
    const QStringList first = bandsOf(1);
    EXPECT_TRUE(first.first().startsWith(u"TkavPageHeader"_s));
    EXPECT_DOUBLE_EQ(attr(first.first(), u"t"_s), 0);
    EXPECT_DOUBLE_EQ(attr(first.at(1), u"t"_s), 40);
    EXPECT_DOUBLE_EQ(attr(first.at(48), u"t"_s), 980);
    EXPECT_TRUE(first.last().startsWith(u"TkavPageFooter"_s));
    EXPECT_NEAR(attr(first.last(), u"t"_s), pageHeight - 30, 0.01);
    EXPECT_TRUE(bandsOf(3).last().startsWith(u"TkavPageFooter"_s));
}

TEST_F(EngineTest, TheTitleGoesAboveOrBelowThePageHeader)
{
    band<TkavReportTitle>(u"ReportTitle1"_s, 0, 50);
    band<TkavPageHeader>(u"PageHeader1"_s, 60, 40);
    masterData();
    for (const bool titleFirst : {true, false}) {
        page->SetTitleBeforeHeader(titleFirst);
        ASSERT_TRUE(prepare());
        const QStringList first = bandsOf(1);
        ASSERT_GE(first.size(), 3);
        EXPECT_TRUE(first[0].startsWith(titleFirst ? u"TkavReportTitle"_s : u"TkavPageHeader"_s)) << titleFirst;
        EXPECT_DOUBLE_EQ(attr(first[1], u"t"_s), titleFirst ? 50 : 40);
        EXPECT_DOUBLE_EQ(attr(first[2], u"t"_s), 90);
        EXPECT_EQ(count(2, u"TkavReportTitle"_s), 0) << "the title is printed once";
        EXPECT_EQ(count(2, u"TkavPageHeader"_s), 1);
    }
}

TEST_F(EngineTest, FirstAndLastPageFlagsOfHeaderAndFooter)
{
    auto *header = band<TkavPageHeader>(u"PageHeader1"_s, 0, 40);
    header->SetPrintOnFirstPage(false);
    masterData();
    auto *footer = band<TkavPageFooter>(u"PageFooter1"_s, 400, 30);
    footer->SetPrintOnLastPage(false);
    ASSERT_TRUE(prepare());
    EXPECT_EQ(count(1, u"TkavPageHeader"_s), 0);
    EXPECT_DOUBLE_EQ(attr(bandsOf(1).first(), u"t"_s), 0);
    EXPECT_EQ(count(1, u"TkavMasterData"_s), 50);
    EXPECT_EQ(count(2, u"TkavPageHeader"_s), 1);
    EXPECT_EQ(count(1, u"TkavPageFooter"_s), 1);
    EXPECT_EQ(count(pages(), u"TkavPageFooter"_s), 0);
}

TEST_F(EngineTest, ABandMovesWholeOrIsSplitWhenHigherThanAPage)
{
    band<TkavReportTitle>(u"ReportTitle1"_s, 0, 500);
    ds->SetRangeEndCount(1);
    masterData(600);
    ASSERT_TRUE(prepare());
    ASSERT_EQ(pages(), 2);
    EXPECT_EQ(bandsOf(1).size(), 1);
    EXPECT_DOUBLE_EQ(attr(bandsOf(2).first(), u"t"_s), 0);

    // Higher than a page: output once, clipped, and the run ends.
    report->Pages(0)->FindObject(u"ReportTitle1"_s)->Free();
    auto *data = static_cast<TkavMasterData *>(page->FindObject(u"MasterData1"_s));
    data->SetHeight(1500);
    auto *shape = TkavComponent::Create<TkavShapeView>(data);
    shape->SetName(u"Shape1"_s);
    shape->SetBounds(0, 0, 100, 1500);
    ASSERT_TRUE(prepare());
    EXPECT_EQ(pages(), 1);
    EXPECT_EQ(dumped.filter(u"TkavShapeView"_s).size(), 1);
}

TEST_F(EngineTest, PageColumnsFillSideBySide)
{
    band<TkavPageHeader>(u"PageHeader1"_s, 0, 40);
    masterData();
    band<TkavPageFooter>(u"PageFooter1"_s, 400, 30);
    page->SetColumns(2);
    ASSERT_TRUE(prepare()) << report->ErrorsText().toStdString();
    ASSERT_EQ(pages(), 2);
    const QStringList rows = bandsOf(1).filter(u"TkavMasterData"_s);
    ASSERT_EQ(rows.size(), 96);
    EXPECT_DOUBLE_EQ(attr(rows[47], u"l"_s), 0);
    EXPECT_NEAR(attr(rows[48], u"l"_s), 95 * kavMMToPixels, 0.01);
    EXPECT_DOUBLE_EQ(attr(rows[48], u"t"_s), 40);
    EXPECT_EQ(count(1, u"TkavPageHeader"_s), 1) << "not repeated in column 2";
}

TEST_F(EngineTest, AKeptGroupMovesWholeToTheNextPage)
{
    band<TkavPageHeader>(u"PageHeader1"_s, 0, 40);
    auto *group = band<TkavGroupHeader>(u"GroupHeader1"_s, 100, 20);
    group->SetCondition(u"DS.\"Group\""_s);
    group->SetKeepTogether(true);
    masterData();
    band<TkavGroupFooter>(u"GroupFooter1"_s, 300, 20);
    band<TkavPageFooter>(u"PageFooter1"_s, 400, 30);
    ds->SetRangeEndCount(60);
    ASSERT_TRUE(prepare()) << report->ErrorsText().toStdString();
    // Every page holds whole groups only: header, five rows, footer.
    for (int n = 1; n <= pages(); ++n) {
        const QStringList bands = bandsOf(n);
        EXPECT_EQ(count(n, u"TkavGroupHeader"_s), count(n, u"TkavGroupFooter"_s)) << n;
        EXPECT_EQ(count(n, u"TkavMasterData"_s), 5 * count(n, u"TkavGroupHeader"_s)) << n;
        EXPECT_TRUE(bands.last().startsWith(u"TkavPageFooter"_s)) << n;
        EXPECT_NEAR(attr(bands.last(), u"t"_s), pageHeight - 30, 0.01);
    }
    EXPECT_EQ(dumped.filter(u"TkavGroupHeader"_s).size(), 12);
    EXPECT_GE(pages(), 2);
}

TEST_F(EngineTest, DataSetConflictsStopTheRunWithTheirMessage)
{
    auto *data = masterData();
    struct Case
    {
        TkavDataSet *reportSet;
        TkavDataSet *pageSet;
        QString message;
    } cases[] = {
        {ds.get(), ds.get(), u"Cannot use the same dataset for Report.DataSet and Page.DataSet"_s},
        {ds.get(), nullptr, u"Cannot use the same dataset for Report.DataSet and Band.DataSet"_s},
        {nullptr, ds.get(), u"Cannot use the same dataset for Page.DataSet and Band.DataSet"_s},
    };
    for (const Case &c : cases) {
        report->SetDataSet(c.reportSet);
        page->SetDataSet(c.pageSet);
        data->SetDataSet(ds.get());
        EXPECT_FALSE(prepare());
        EXPECT_EQ(report->Errors().Text().trimmed(), c.message);
        EXPECT_EQ(pages(), 0);
    }
}

TEST_F(EngineTest, AReportWithoutDataPrintsOnlyWhenAskedTo)
{
    band<TkavPageHeader>(u"PageHeader1"_s, 0, 40);
    band<TkavPageFooter>(u"PageFooter1"_s, 400, 30);
    report->EngineOptions().SetPrintIfEmpty(false);
    ASSERT_TRUE(prepare());
    EXPECT_EQ(pages(), 0);
    report->EngineOptions().SetPrintIfEmpty(true);
    ASSERT_TRUE(prepare());
    ASSERT_EQ(pages(), 1);
    EXPECT_EQ(bandsOf(1).size(), 2);
}

TEST_F(EngineTest, TwoPassesKnowTheTotalAndKeepOnlyTheSecondPass)
{
    masterData();
    report->EngineOptions().SetDoublePass(true);
    std::vector<std::pair<int, bool>> seen;
    report->SetOnBeforePrint([&](TkavComponent *obj) {
        if (obj->Name() == u"MasterData1")
            seen.emplace_back(report->Engine()->TotalPages(), report->Engine()->FinalPass());
    });
    ASSERT_TRUE(prepare());
    EXPECT_EQ(pages(), 2);
    ASSERT_EQ(seen.size(), 200u);
    EXPECT_EQ(seen.front(), std::pair(0, false));
    EXPECT_EQ(seen.back(), std::pair(2, true));
}

TEST_F(EngineTest, GroupsPrintHeadersAndFootersAroundTheirRows)
{
    auto *outer = band<TkavGroupHeader>(u"GroupHeader1"_s, 100, 20);
    outer->SetCondition(u"DS.\"Group\""_s);
    memo(outer, u"GroupName"_s, u"Group [DS.\"Group\"]"_s);
    auto *data = masterData();
    memo(data, u"Value"_s, u"[DS.\"N\"]"_s);
    auto *footer = band<TkavGroupFooter>(u"GroupFooter1"_s, 300, 20);
    memo(footer, u"GroupEnd"_s, u"End [DS.\"Group\"] [SUM(<DS.\"N\">)]"_s);
    auto *summary = band<TkavReportSummary>(u"ReportSummary1"_s, 400, 20);
    memo(summary, u"Total"_s, u"[COUNT(MasterData1)] rows [SUM(<DS.\"N\">)] [MAX(<DS.\"N\">)]"_s);
    ds->SetRangeEndCount(12);
    ASSERT_TRUE(prepare()) << report->ErrorsText().toStdString();
    const QStringList texts = dumped.filter(QRegularExpression(u"^    TkavMemoView"_s));
    QStringList values;
    for (const QString &line : texts)
        values.append(line.section(u'"', 1, 1));
    EXPECT_EQ(values.join(u'|'),
              u"Group 0|1|2|3|4|5|End 0 15|Group 1|6|7|8|9|10|End 1 40|Group 2|11|12|End 2 23|"
              u"12 rows 78 12"_s);
}

// Totals are kept only for footers and summaries: a call anywhere else prints empty and
// says so, once per object, while the run goes on.
TEST_F(EngineTest, AnAggregateWhereItIsNeverComputedIsReported)
{
    auto *data = masterData();
    memo(data, u"Running"_s, u"[DS.\"N\"] [SUM(<DS.\"N\">, MasterData1, 2)]"_s);
    auto *child = band<TkavChild>(u"Child1"_s, 250, 20);
    data->SetChild(child);
    memo(child, u"Rows"_s, u"rows [COUNT(MasterData1)]"_s);
    memo(band<TkavReportSummary>(u"ReportSummary1"_s, 400, 20), u"Total"_s, u"[SUM(<DS.\"N\">)]"_s);
    ds->SetRangeEndCount(3);
    EXPECT_FALSE(prepare());
    QStringList values;
    for (const QString &line : dumped.filter(QRegularExpression(u"^    TkavMemoView"_s)))
        values.append(line.section(u'"', 1, 1));
    EXPECT_EQ(values,
              (QStringList{u"1 "_s, u"rows "_s, u"2 "_s, u"rows "_s, u"3 "_s, u"rows "_s, u"6"_s}));
    QStringList errors = report->Errors().Text().split(u"\r\n"_s, Qt::SkipEmptyParts);
    errors.sort();
    EXPECT_EQ(
        errors,
        (QStringList{
            u"Rows: COUNT(MasterData1) is not computed in Child1; totals are kept for footers, group footers, page and column footers and the report summary"_s,
            u"Running: SUM(<DS.\"N\">, MasterData1, 2) is not computed in MasterData1; totals are kept for footers, group footers, page and column footers and the report summary"_s}));
}

TEST_F(EngineTest, MasterRowsWithoutDetailsAreLeftOutUnlessAskedFor)
{
    ds->SetRangeEndCount(3);
    auto *master = masterData();
    // Two detail rows for every master row but the second.
    DetailSet details(*ds);
    details.SetUserName(u"Details"_s);
    report->DataSets().Add(&details);
    auto *detail = band<TkavDetailData>(u"DetailData1"_s, 300, 20);
    detail->SetDataSet(&details);
    ASSERT_TRUE(prepare()) << report->ErrorsText().toStdString();
    EXPECT_EQ(dumped.filter(u"TkavDetailData"_s).size(), 4);
    EXPECT_EQ(dumped.filter(u"TkavMasterData"_s).size(), 2);
    master->SetPrintIfDetailEmpty(true);
    ASSERT_TRUE(prepare());
    EXPECT_EQ(dumped.filter(u"TkavMasterData"_s).size(), 3);
}

TEST_F(EngineTest, StretchingMemosGrowTheirBandAndLongOnesSplitAcrossPages)
{
    ds->SetRangeEndCount(1);
    auto *data = masterData(20);
    data->SetStretched(true);
    auto *text = memo(data, u"Text"_s, QString(), 18);
    text->SetStretchMode(smActualHeight);
    text->SetWordWrap(true);
    QStringList lines;
    for (int i = 1; i <= 10; ++i)
        lines.append(u"Line %1"_s.arg(i));
    text->SetText(lines.join(u"\r\n"_s));
    ASSERT_TRUE(prepare()) << report->ErrorsText().toStdString();
    ASSERT_EQ(pages(), 1);
    const double grown = attr(bandsOf(1).first(), u"h"_s);
    EXPECT_GT(grown, 100);

    // A text longer than a page goes on over the following pages.
    lines.clear();
    for (int i = 1; i <= 200; ++i)
        lines.append(u"Line %1"_s.arg(i));
    text->SetText(lines.join(u"\r\n"_s));
    data->SetAllowSplit(true);
    ASSERT_TRUE(prepare()) << report->ErrorsText().toStdString();
    EXPECT_GE(pages(), 3);
    // Every line once, in order, over the parts.
    QStringList printed;
    for (const QString &line : dumped.filter(u"TkavMemoView Text "_s))
        printed.append(line.section(u'"', 1, -2).split(u"\\n"_s, Qt::SkipEmptyParts));
    EXPECT_EQ(printed, lines);
}

// A row that may split but would leave no line of its text behind, or nothing but empty
// boxes for the next page, moves whole; a long note still comes back word for word.
TEST_F(EngineTest, ASplitNeverLeavesSlivers)
{
    auto *title = band<TkavReportTitle>(u"ReportTitle1"_s, 0, 100);
    auto *data = masterData(40);
    data->SetStretched(true);
    data->SetAllowSplit(true);
    auto *note = memo(data, u"Note"_s, u"note [DS.\"N\"]"_s);
    note->SetStretchMode(smActualHeight);
    auto *after = memo(data, u"After"_s, u"after [DS.\"N\"]"_s);
    after->SetTop(19);
    after->SetColor(clSilver);
    auto *side = memo(data, u"Side"_s, u"#[DS.\"N\"]"_s, 37);
    side->SetLeft(300);
    side->SetStretchMode(smMaxHeight);
    side->Frame().SetTyp(TkavFrameTypes::FromMask(15));
    ds->SetRangeEndCount(1);
    // Room for the note and most of the boxes; room for less than a line.
    for (const double room : {35.0, 5.0}) {
        SCOPED_TRACE(room);
        title->SetHeight(pageHeight - room);
        ASSERT_TRUE(prepare()) << report->ErrorsText().toStdString();
        ASSERT_EQ(pages(), 2);
        EXPECT_EQ(namesOf(1), u"ReportTitle1"_s);
        EXPECT_EQ(placesOf(2), u"MasterData1@0"_s);
        EXPECT_DOUBLE_EQ(attr(bandsOf(2).first(), u"h"_s), 37);
    }

    // A note over several pages: every part holds some of it, every word once in order.
    QStringList words;
    for (int i = 1; i <= 600; ++i)
        words.append(u"word%1"_s.arg(i));
    note->SetText(words.join(u' '));
    note->SetWordWrap(true);
    title->SetHeight(pageHeight - 30);
    ASSERT_TRUE(prepare()) << report->ErrorsText().toStdString();
    ASSERT_GE(pages(), 3);
    QStringList printed;
    for (int n = 1; n <= pages(); ++n) {
        for (const QString &line : bandsOf(n).filter(u"TkavMasterData"_s))
            EXPECT_GT(attr(line, u"h"_s), 0) << n;
    }
    const QStringList notes = dumped.filter(u"TkavMemoView Note "_s);
    EXPECT_EQ(notes.size(), dumped.filter(QRegularExpression(u"^  TkavMasterData"_s)).size());
    for (const QString &line : notes)
        printed.append(line.section(u'"', 1, -2)
                           .split(QRegularExpression(u"\\s|\\\\n"_s), Qt::SkipEmptyParts));
    EXPECT_EQ(printed, words);
}

TEST_F(EngineTest, RunsThatCouldNotEndAreEnded)
{
    band<TkavPageHeader>(u"PageHeader1"_s, 0, 40);
    // Taller than a page below the page header, but not than a page: it would move on and on.
    auto *group = band<TkavGroupHeader>(u"GroupHeader1"_s, 100, 1020);
    group->SetCondition(u"DS.\"Group\""_s);
    group->SetReprintOnNewPage(true);
    masterData();
    ds->SetRangeEndCount(20);
    EXPECT_FALSE(prepare()) << "a run with errors is no success, though its pages are kept";
    EXPECT_GT(pages(), 1);
    EXPECT_LE(pages(), 25);
    EXPECT_TRUE(report->Errors().Text().contains(u"GroupHeader1"_s));

    // A data set that never ends is refused before the run.
    ds->SetRangeEnd(reLast);
    EXPECT_FALSE(prepare());
    EXPECT_EQ(pages(), 0);
    EXPECT_TRUE(report->Errors().Text().contains(u"has no end"_s)) << report->ErrorsText().toStdString();
    ds->SetRangeEnd(reCount);

    // A page limit stops a runaway report, and the caller sees it.
    group->Free();
    ds->SetRangeEndCount(100000);
    report->EngineOptions().SetMaxPages(5);
    prepare();
    EXPECT_EQ(pages(), 5);
    EXPECT_TRUE(report->Terminated());
    EXPECT_TRUE(report->Errors().Text().contains(u"MaxPages"_s));
}

// A run stopped in a band's events (Stop in the debugger) outputs nothing more of that band.
TEST_F(EngineTest, StoppingInABandsEventsOutputsNoMoreOfIt)
{
    auto *data = masterData();
    memo(data, u"Value"_s, u"row [DS.\"Value\"]"_s);
    ds->SetRangeEndCount(10);
    report->SetOnBeforePrint([&](TkavComponent *c) {
        if (c == data && ds->RecNo() == 3)
            report->SetTerminated(true);
    });
    prepare();
    const QString all = dumped.join(u'\n');
    EXPECT_TRUE(all.contains(u"\"row 3\""_s)) << all.toStdString();
    EXPECT_FALSE(all.contains(u"row 4"_s));
    EXPECT_FALSE(all.contains(u"[DS."_s)) << "no band with its texts unevaluated";
}

TEST_F(EngineTest, BandsAtTheSameTopAreAllOutputInOrder)
{
    auto *first = masterData();
    first->SetTop(0);
    TkavUserDataSet other;
    other.SetUserName(u"Other"_s);
    other.SetRangeEnd(reCount);
    other.SetRangeEndCount(2);
    report->DataSets().Add(&other);
    auto *second = band<TkavMasterData>(u"MasterData2"_s, 0, 20);
    second->SetDataSet(&other);
    ds->SetRangeEndCount(3);
    ASSERT_TRUE(prepare()) << report->ErrorsText().toStdString();
    EXPECT_EQ(namesOf(1), u"MasterData1 MasterData1 MasterData1 MasterData2 MasterData2"_s);
}

TEST_F(EngineTest, RowCountBandsPrintThatManyRows)
{
    auto *rows = band<TkavMasterData>(u"MasterData1"_s, 100, 20);
    rows->SetRowCount(5);
    ASSERT_TRUE(prepare()) << report->ErrorsText().toStdString();
    EXPECT_EQ(count(1, u"TkavMasterData"_s), 5);
}

TEST_F(EngineTest, ThePagesOwnObjectsArePrintedOnceAtTheTop)
{
    masterData();
    ds->SetRangeEndCount(60);
    auto *stamp = TkavComponent::Create<TkavMemoView>(page);
    stamp->SetName(u"Stamp"_s);
    stamp->SetBounds(500, 10, 100, 20);
    stamp->SetText(u"Draft"_s);
    ASSERT_TRUE(prepare()) << report->ErrorsText().toStdString();
    const QStringList stamps = dumped.filter(u"\"Draft\""_s);
    ASSERT_EQ(stamps.size(), 1);
    EXPECT_DOUBLE_EQ(attr(stamps.first(), u"l"_s), 500);
    EXPECT_EQ(count(1, u"TkavNullBand"_s), 1);
    EXPECT_EQ(stamp->Parent(), page) << "the object returns to its page";
    EXPECT_DOUBLE_EQ(attr(bandsOf(1).at(1), u"t"_s), 0) << "the rows start at the top all the same";
}

TEST_F(EngineTest, CollapsedDrillDownGroupsHideTheirRows)
{
    auto *group = band<TkavGroupHeader>(u"GroupHeader1"_s, 100, 20);
    group->SetCondition(u"DS.\"Group\""_s);
    group->SetDrillDown(true);
    masterData();
    band<TkavGroupFooter>(u"GroupFooter1"_s, 300, 20);
    ds->SetRangeEndCount(10);
    ASSERT_TRUE(prepare()) << report->ErrorsText().toStdString();
    EXPECT_EQ(dumped.filter(u"TkavGroupHeader"_s).size(), 2);
    EXPECT_EQ(dumped.filter(u"TkavMasterData"_s).size(), 0);
    EXPECT_EQ(dumped.filter(u"TkavGroupFooter"_s).size(), 0);
    // The second group expanded: its rows and footer show.
    report->DrillState().Add(u"GroupHeader1.2"_s);
    ASSERT_TRUE(prepare());
    EXPECT_EQ(dumped.filter(u"TkavMasterData"_s).size(), 5);
    EXPECT_EQ(dumped.filter(u"TkavGroupFooter"_s).size(), 1);
    group->SetExpandDrillDown(true); // listed now means collapsed
    ASSERT_TRUE(prepare());
    EXPECT_EQ(dumped.filter(u"TkavMasterData"_s).size(), 5);
}

TEST_F(EngineTest, SubreportsPrintBesideTheirBandOrInsideIt)
{
    ds->SetRangeEndCount(3);
    auto *master = masterData(30);
    memo(master, u"M"_s, u"Master [DS.\"N\"]"_s);
    auto *subPage = TkavComponent::Create<TkavReportPage>(report.get());
    subPage->SetName(u"SubPage"_s);
    auto *rows = TkavComponent::Create<TkavMasterData>(subPage);
    rows->SetName(u"SubRows"_s);
    rows->SetBounds(0, 100, 300, 16);
    rows->SetRowCount(2);
    auto *text = TkavComponent::Create<TkavMemoView>(rows);
    text->SetName(u"SubText"_s);
    text->SetBounds(0, 0, 200, 16);
    text->SetText(u"Sub [Line]"_s);
    auto *sub = TkavComponent::Create<TkavSubreport>(master);
    sub->SetName(u"Subreport1"_s);
    sub->SetBounds(300, 5, 300, 20);
    sub->SetSubPage(subPage);

    // On its own region: the sub rows go to the store beside the master row, and the run
    // goes on below the lowest of them.
    ASSERT_TRUE(prepare()) << report->ErrorsText().toStdString();
    EXPECT_EQ(placesOf(1),
              u"MasterData1@0 SubRows@5 SubRows@21 MasterData1@37 SubRows@42 SubRows@58 "
              u"MasterData1@74 SubRows@79 SubRows@95"_s);
    EXPECT_NEAR(attr(bandsOf(1).at(1), u"l"_s), 300, 1e-6);

    // Printed on the band: its rows become objects of the master row, which grows.
    sub->SetPrintOnParent(true);
    master->SetStretched(true);
    ASSERT_TRUE(prepare()) << report->ErrorsText().toStdString();
    EXPECT_EQ(count(1, u"SubRows"_s), 0);
    EXPECT_EQ(count(1, u"TkavMasterData"_s), 3);
    EXPECT_EQ(dumped.filter(u"\"Sub 1\""_s).size(), 3);
    EXPECT_EQ(dumped.filter(u"\"Sub 2\""_s).size(), 3);
    EXPECT_NEAR(attr(bandsOf(1).first(), u"h"_s), 37, 1e-6) << "the band grew around the rows";
    EXPECT_EQ(master->Objects().size(), 2) << "the moved objects left the template again";

    // A band that also gets its fill memo on this output keeps all its own objects.
    master->SetFillType(ftBrush);
    static_cast<TkavBrushFill *>(master->Fill())->SetBackColor(clYellow);
    ASSERT_TRUE(prepare()) << report->ErrorsText().toStdString();
    EXPECT_EQ(master->Objects().size(), 3) << "the memo, the subreport and the fill";
    EXPECT_TRUE(master->FindObject(u"M"_s));
    EXPECT_TRUE(master->FindObject(u"Subreport1"_s));
}

TEST_F(EngineTest, OverlaysAndColumnBandsTakeTheirPlaces)
{
    auto *under = band<TkavOverlay>(u"Under"_s, 0, 100);
    auto *over = band<TkavOverlay>(u"Over"_s, 0, 50);
    over->SetPrintOnTop(true);
    band<TkavPageHeader>(u"PageHeader1"_s, 120, 40);
    band<TkavColumnHeader>(u"ColumnHeader1"_s, 170, 20);
    masterData();
    band<TkavColumnFooter>(u"ColumnFooter1"_s, 300, 20);
    ds->SetRangeEndCount(3);
    Q_UNUSED(under);
    ASSERT_TRUE(prepare()) << report->ErrorsText().toStdString();
    EXPECT_EQ(placesOf(1),
              u"Under@0 PageHeader1@0 ColumnHeader1@40 MasterData1@60 MasterData1@80 "
              u"MasterData1@100 ColumnFooter1@120 Over@0"_s);
}

TEST_F(EngineTest, FootersAfterEveryRowAndGroupsStartingNewPages)
{
    auto *data = masterData();
    data->SetFooterAfterEach(true);
    band<TkavFooter>(u"Footer1"_s, 300, 10);
    ds->SetRangeEndCount(3);
    ASSERT_TRUE(prepare()) << report->ErrorsText().toStdString();
    EXPECT_EQ(namesOf(1), u"MasterData1 Footer1 MasterData1 Footer1 MasterData1 Footer1"_s);

    // A group header that starts a new page and restarts the page numbers.
    page->FindObject(u"Footer1"_s)->Free();
    data->SetFooterAfterEach(false);
    auto *group = band<TkavGroupHeader>(u"GroupHeader1"_s, 100, 20);
    group->SetCondition(u"DS.\"Group\""_s);
    group->SetStartNewPage(true);
    group->SetResetPageNumbers(true);
    ds->SetRangeEndCount(15);
    auto *footer = band<TkavPageFooter>(u"PageFooter1"_s, 400, 20);
    memo(footer, u"No"_s, u"[Page] of [TotalPages] ([Page#])"_s);
    report->EngineOptions().SetDoublePass(true);
    ASSERT_TRUE(prepare()) << report->ErrorsText().toStdString();
    ASSERT_EQ(pages(), 3);
    for (int n = 1; n <= 3; ++n)
        EXPECT_EQ(count(n, u"TkavGroupHeader"_s), 1) << n;
    const QStringList numbers = dumped.filter(u"TkavMemoView No"_s);
    ASSERT_EQ(numbers.size(), 3);
    EXPECT_TRUE(numbers[2].endsWith(u"\"1 of 1 (3)\""_s)) << numbers[2].toStdString();
}

TEST_F(EngineTest, ASecondPageGoesOnBelowTheFirstWhenAskedTo)
{
    masterData();
    ds->SetRangeEndCount(3);
    auto *footer = band<TkavPageFooter>(u"PageFooter1"_s, 400, 30);
    footer->SetPrintOnLastPage(true);
    auto *second = kavAddTestPage(*report, u"Page2"_s);
    second->SetPrintOnPreviousPage(true);
    auto *title = TkavComponent::Create<TkavReportTitle>(second);
    title->SetName(u"Appendix"_s);
    title->SetHeight(25);
    ASSERT_TRUE(prepare()) << report->ErrorsText().toStdString();
    ASSERT_EQ(pages(), 1);
    EXPECT_EQ(placesOf(1),
              u"MasterData1@0 MasterData1@20 MasterData1@40 PageFooter1@1017 Appendix@60"_s);

    // Without room left above the kept footer, the second page starts a new one.
    ds->SetRangeEndCount(50);
    ASSERT_TRUE(prepare());
    EXPECT_EQ(pages(), 2);
    EXPECT_EQ(count(2, u"TkavReportTitle"_s), 1);
}

TEST_F(EngineTest, AKeptFooterTakesTheLastRowsAlong)
{
    auto *data = masterData();
    data->SetKeepFooter(true);
    band<TkavFooter>(u"Footer1"_s, 300, 40);
    band<TkavPageFooter>(u"PageFooter1"_s, 400, 30);
    // 50 rows fill page 1 up to 1000; the footer (40) no longer fits below them.
    ds->SetRangeEndCount(50);
    ASSERT_TRUE(prepare()) << report->ErrorsText().toStdString();
    ASSERT_EQ(pages(), 2);
    EXPECT_EQ(count(2, u"TkavFooter"_s), 1);
    EXPECT_GE(count(2, u"TkavMasterData"_s), 1) << "the footer does not stand alone";
    EXPECT_EQ(count(1, u"TkavMasterData"_s) + count(2, u"TkavMasterData"_s), 50);
    EXPECT_TRUE(bandsOf(1).last().startsWith(u"TkavPageFooter"_s));
}

TEST_F(EngineTest, ARunLeavesTheTemplateAsItWasUnlessItKeepsItsChanges)
{
    memo(masterData(), u"Memo1"_s, u"Row"_s);
    ds->SetRangeEndCount(3);
    report->SetOnBeforePrint([](TkavComponent *c) {
        if (auto *m = dynamic_cast<TkavMemoView *>(c)) {
            m->SetText(u"Changed"_s); // the memo itself restores its text after printing
            m->SetTag(7);
        }
    });
    report->ReportOptions().SetPassword(u"secret"_s);
    report->PrintOptions().SetSplicingLine(7);
    report->EngineOptions().SetDestroyForms(true);
    for (int run = 1; run <= 2; ++run) {
        ASSERT_TRUE(prepare()) << run << ": " << report->ErrorsText().toStdString();
        EXPECT_EQ(dumped.filter(u"\"Changed\""_s).size(), 3) << run;
        const auto *reloaded = dynamic_cast<TkavMemoView *>(report->FindObject(u"Memo1"_s));
        ASSERT_NE(reloaded, nullptr) << run;
        EXPECT_EQ(reloaded->Tag(), 0) << run;
        EXPECT_EQ(report->ReportOptions().Password(), u"secret"_s);
        EXPECT_EQ(report->PrintOptions().SplicingLine(), 7);
        EXPECT_TRUE(report->EngineOptions().DestroyForms());
    }

    // The run's own errors survive the reload.
    report->EngineOptions().SetMaxPages(1);
    ds->SetRangeEndCount(100);
    EXPECT_FALSE(prepare());
    EXPECT_TRUE(report->Errors().Text().contains(u"MaxPages"_s)) << report->ErrorsText().toStdString();

    report->EngineOptions().SetMaxPages(0);
    report->EngineOptions().SetDestroyForms(false);
    ASSERT_TRUE(prepare()) << report->ErrorsText().toStdString();
    EXPECT_EQ(report->FindObject(u"Memo1"_s)->Tag(), 7);
}

namespace {

// Remembers the band of every row it is told about.
class RowListener : public TkavComponent
{
public:
    void OnNotify(TObject *Sender) override { bands.append(static_cast<TkavComponent *>(Sender)->Name()); }
    QStringList bands;
};

} // namespace

TEST_F(EngineTest, TheNotifyListHearsOfEveryRow)
{
    masterData();
    ds->SetRangeEndCount(4);
    RowListener listener;
    auto gone = std::make_unique<RowListener>();
    // The list is emptied when the script is prepared: objects join it during the run.
    report->SetOnBeforePrint([&](TkavComponent *) {
        if (report->Engine()->NotifyList().empty()) {
            report->Engine()->NotifyList() = {&listener, gone.get()};
            gone.reset();
        }
    });
    ASSERT_TRUE(prepare()) << report->ErrorsText().toStdString();
    EXPECT_EQ(listener.bands.join(u' '), u"MasterData1 MasterData1 MasterData1 MasterData1"_s);
}

TEST_F(EngineTest, AnEndlessPageGrowsWithItsRows)
{
    page->SetEndlessHeight(true);
    band<TkavPageHeader>(u"PageHeader1"_s, 0, 40);
    masterData();
    band<TkavPageFooter>(u"PageFooter1"_s, 400, 30);
    ASSERT_TRUE(prepare()) << report->ErrorsText().toStdString();
    ASSERT_EQ(pages(), 1);
    EXPECT_EQ(count(1, u"TkavMasterData"_s), 100);
    const QStringList bands = bandsOf(1);
    EXPECT_DOUBLE_EQ(attr(bands.at(100), u"t"_s), 40 + 99 * 20);
    EXPECT_TRUE(bands.last().startsWith(u"TkavPageFooter"_s));
    EXPECT_DOUBLE_EQ(attr(bands.last(), u"t"_s), 40 + 100 * 20) << "the footer follows the last row";
    const auto built = report->PreviewPages()->GetPage(0);
    EXPECT_GE(built->Height(), 40 + 100 * 20 + 30) << "the page is as tall as what it holds";
}

TEST_F(EngineTest, FiltersSuppressionAndSingleRowFootersDecideWhatPrints)
{
    ds->SetRangeEndCount(6); // groups of 5 and 1 rows
    auto *group = band<TkavGroupHeader>(u"GroupHeader1"_s, 100, 20);
    group->SetCondition(u"DS.\"Group\""_s);
    auto *data = masterData();
    memo(data, u"Value"_s, u"[DS.\"N\"]"_s);
    auto *footer = band<TkavGroupFooter>(u"GroupFooter1"_s, 300, 20);
    footer->SetHideIfSingleDataRecord(true);
    ASSERT_TRUE(prepare()) << report->ErrorsText().toStdString();
    EXPECT_EQ(namesOf(1),
              u"GroupHeader1 MasterData1 MasterData1 MasterData1 MasterData1 MasterData1 "
              "GroupFooter1 GroupHeader1 MasterData1"_s);

    // Rows left out by the filter do not count as lines.
    footer->Free();
    group->Free();
    QList<int> lines;
    report->SetOnBeforePrint([&](TkavComponent *c) {
        if (c == data)
            lines.append(report->Engine()->CurLine());
    });
    ds->ValueHandlers().OnGetValue = [this](const QString &field, Variant &value) {
        value = field == u"Keep" ? Variant(ds->RecNo() != 1) : Variant(ds->RecNo() + 1);
    };
    data->SetFilter(u"DS.\"Keep\""_s);
    ASSERT_TRUE(prepare()) << report->ErrorsText().toStdString();
    EXPECT_EQ(count(1, u"TkavMasterData"_s), 5);
    EXPECT_EQ(lines, (QList<int>{1, 2, 3, 4, 5}));
    report->SetOnBeforePrint(nullptr);

    // A repeated value prints on the first row and again on the first row of a new page.
    data->SetFilter(QString());
    ds->SetRangeEndCount(60);
    auto *same = memo(data, u"Same"_s, u"A"_s);
    same->SetLeft(300);
    same->SetSuppressRepeated(true);
    ASSERT_TRUE(prepare()) << report->ErrorsText().toStdString();
    ASSERT_EQ(pages(), 2);
    EXPECT_EQ(dumped.filter(u"\"A\""_s).size(), 2);
}

TEST_F(EngineTest, ObjectsBelowAGrowingMemoShiftByTheirMode)
{
    ds->SetRangeEndCount(1);
    auto *data = masterData(200);
    auto *grows = memo(data, u"Grows"_s, u"1\r\n2\r\n3\r\n4"_s, 20);
    grows->SetStretchMode(smActualHeight);
    const struct
    {
        const char16_t *name;
        TkavShiftMode mode;
        double left;
    } below[] = {{u"Always", smAlways, 0}, {u"Never", smDontShift, 0}, {u"Overlapped", smWhenOverlapped, 0},
                 {u"Aside", smAlways, 300}};
    for (const auto &b : below) {
        auto *m = memo(data, QString::fromUtf16(b.name), u"x"_s, 10);
        m->SetBounds(b.left, 30, 100, 10);
        m->SetShiftMode(b.mode);
    }
    const auto before = [&] {
        QStringList places;
        for (const TkavComponent *c : data->AllObjects())
            places.append(u"%1 %2 %3 %4 %5"_s.arg(c->Name()).arg(c->Left()).arg(c->Top()).arg(c->Width()).arg(c->Height()));
        return places.join(u';') + u";%1"_s.arg(data->Objects().size());
    };
    const QString designed = before();
    ASSERT_TRUE(prepare()) << report->ErrorsText().toStdString();
    const auto topOf = [&](const QString &name) {
        const QStringList found = dumped.filter(u"TkavMemoView "_s + name + u" "_s);
        return found.isEmpty() ? -1.0 : attr(found.first(), u"t"_s);
    };
    const double grown = 0 + [&] {
        const QStringList found = dumped.filter(u"TkavMemoView Grows "_s);
        return found.isEmpty() ? -1.0 : attr(found.first(), u"h"_s);
    }();
    ASSERT_GT(grown, 40);
    EXPECT_DOUBLE_EQ(topOf(u"Always"_s), 30 + grown - 20);
    EXPECT_DOUBLE_EQ(topOf(u"Never"_s), 30);
    EXPECT_DOUBLE_EQ(topOf(u"Overlapped"_s), grown);
    EXPECT_DOUBLE_EQ(topOf(u"Aside"_s), 30) << "not below the growing memo";
    EXPECT_EQ(before(), designed) << "the template is as designed after the run";
}

namespace {

// A picture printed on every row is stored once and comes back with its page, also from a
// saved prepared file.
TEST_F(EngineTest, PicturesTravelThroughThePictureCacheOnce)
{
    ds->SetRangeEndCount(3);
    auto *data = masterData(40);
    auto *logo = TkavComponent::Create<TkavPictureView>(data);
    logo->SetName(u"Logo"_s);
    logo->SetBounds(0, 0, 32, 32);
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    TMemoryStream stream;
    stream.WriteBytes(png);
    logo->LoadPictureFromStream(stream, true);
    ASSERT_FALSE(logo->Picture().IsEmpty());
    ASSERT_TRUE(prepare()) << report->ErrorsText().toStdString();
    auto &pages = dynamic_cast<TkavPreviewPages &>(*report->PreviewPages());
    EXPECT_EQ(pages.PictureCache().Items().Count(), 1);
    EXPECT_FALSE(logo->Picture().IsEmpty()); // the template keeps its picture
    const auto pictureOnPage = [](TkavPreviewPages &store) {
        const std::shared_ptr<TkavReportPage> built = store.GetPage(0);
        int found = 0;
        for (TkavComponent *c : built->AllObjects())
            if (auto *p = dynamic_cast<TkavPictureView *>(c); p && !p->Picture().IsEmpty())
                ++found;
        return found;
    };
    EXPECT_EQ(pictureOnPage(pages), 3);

    QTemporaryDir dir;
    const QString file = dir.filePath(u"p.kw3"_s);
    pages.SaveToFile(file);
    auto other = kavNewTestReport();
    auto &loaded = dynamic_cast<TkavPreviewPages &>(*other->PreviewPages());
    ASSERT_TRUE(loaded.LoadFromFile(file, true));
    EXPECT_EQ(pictureOnPage(loaded), 3);
}

} // namespace

// ---------------------------------------------------------------------------------------
// Layout: alignment, subreports in bands of the header list, columns, band widths

namespace {

// A page of Report shown by a subreport: a header, Rows rows named Name and a footer.
TkavReportPage *listPage(TkavReport &report, const QString &name, int rows, bool reprintHeader)
{
    auto *page = TkavComponent::Create<TkavReportPage>(&report);
    page->SetName(name + u"Page"_s);
    auto *header = kavAddTestBand<TkavHeader>(*page, name + u"Header"_s, 0, 20);
    header->SetReprintOnNewPage(reprintHeader);
    kavAddTestBand<TkavMasterData>(*page, name, 40, 20)->SetRowCount(rows);
    kavAddTestBand<TkavFooter>(*page, name + u"Footer"_s, 80, 20);
    return page;
}

TkavSubreport *subreport(TkavBand *band, const QString &name, double left, TkavReportPage *page)
{
    auto *sub = TkavComponent::Create<TkavSubreport>(band);
    sub->SetName(name);
    sub->SetBounds(left, 20, 300, 30);
    sub->SetSubPage(page);
    return sub;
}

} // namespace

TEST_F(EngineTest, ViewsTakeTheirAlignOnBandsAndPage)
{
    const auto view = [&](TkavComponent *parent, const QString &name, TkavAlign align, double left) {
        auto *m = TkavComponent::Create<TkavMemoView>(parent);
        m->SetName(name);
        m->SetBounds(left, 15, 50, 10);
        m->SetAlign(align);
    };
    auto *title = band<TkavReportTitle>(u"ReportTitle1"_s, 0, 60);
    view(title, u"Width"_s, baWidth, 100);
    view(title, u"Right"_s, baRight, 300);
    view(page, u"OnPage"_s, baCenter, 0);
    view(band<TkavPageHeader>(u"PageHeader1"_s, 100, 40), u"Client"_s, baClient, 0);
    ASSERT_TRUE(prepare()) << report->ErrorsText().toStdString();
    const auto at = [&](const QString &name) {
        return dumped.filter(u"TkavMemoView "_s + name + u' ').value(0).section(u' ', 6, 9);
    };
    // The printable width is 718.11; Width reaches from the left edge to Right.
    EXPECT_EQ(at(u"Right"_s), u"l=668.11 t=15.00 w=50.00 h=10.00"_s);
    EXPECT_EQ(at(u"Width"_s), u"l=0.00 t=15.00 w=668.11 h=10.00"_s);
    EXPECT_EQ(at(u"OnPage"_s), u"l=334.06 t=15.00 w=50.00 h=10.00"_s);
    EXPECT_EQ(at(u"Client"_s), u"l=0.00 t=0.00 w=718.11 h=40.00"_s);
}

TEST_F(EngineTest, SubreportsInTheTitleListEveryRowOverFurtherPages)
{
    auto *title = band<TkavReportTitle>(u"ReportTitle1"_s, 0, 60);
    subreport(title, u"SubA"_s, 0, listPage(*report, u"RowA"_s, 60, false));
    subreport(title, u"SubB"_s, 360, listPage(*report, u"RowB"_s, 70, true));
    band<TkavPageHeader>(u"PageHeader1"_s, 100, 20);
    ds->SetRangeEndCount(2);
    masterData();
    ASSERT_TRUE(prepare()) << report->ErrorsText().toStdString();
    ASSERT_EQ(pages(), 2);
    EXPECT_EQ(dumped.filter(u"TkavMasterData RowA "_s).size(), 60);
    EXPECT_EQ(dumped.filter(u"TkavMasterData RowB "_s).size(), 70);
    // Both lists go on below the header of page 2, which the second list finds there
    // already; its own header is printed again.
    EXPECT_TRUE(placesOf(2).startsWith(u"PageHeader1@0 RowA@20"_s)) << placesOf(2).toStdString();
    EXPECT_EQ(count(2, u"TkavPageHeader"_s), 1);
    EXPECT_TRUE(placesOf(2).contains(u"RowBHeader@20 RowB@40"_s)) << placesOf(2).toStdString();
    // The page's own rows start below the longer list.
    const QStringList second = bandsOf(2);
    const qsizetype footer = second.indexOf(QRegularExpression(u"TkavFooter RowBFooter .*"_s));
    ASSERT_GE(footer, 0);
    EXPECT_EQ(second.at(footer + 1).section(u' ', 1, 1), u"MasterData1"_s);
    EXPECT_DOUBLE_EQ(attr(second.at(footer + 1), u"t"_s), attr(second.at(footer), u"t"_s) + 20);
    // Bands of a subreport are as wide as the subreport, and get their width back after.
    EXPECT_DOUBLE_EQ(attr(second.at(footer), u"w"_s), 300);
    EXPECT_NEAR(report->FindObject(u"RowB"_s)->Width(), 210 * kavMMToPixels, 0.01);
}

TEST_F(EngineTest, SubreportsInThePageHeaderPrintOnEveryPageAndNeverBreakIt)
{
    auto *header = band<TkavPageHeader>(u"PageHeader1"_s, 0, 20);
    auto *sub = subreport(header, u"SubA"_s, 360, listPage(*report, u"RowA"_s, 3, true));
    sub->SetTop(0);
    masterData();
    ASSERT_TRUE(prepare()) << report->ErrorsText().toStdString();
    ASSERT_EQ(pages(), 3);
    for (int n = 1; n <= pages(); ++n)
        EXPECT_EQ(count(n, u"TkavMasterData RowA"_s), 3) << n;

    // A list longer than the page is output where it falls on every page; each band that
    // does not fit is named once.
    static_cast<TkavMasterData *>(sub->SubPage()->FindObject(u"RowA"_s))->SetRowCount(60);
    ds->SetRangeEndCount(3);
    EXPECT_FALSE(prepare());
    EXPECT_EQ(report->Errors().Count(), 2) << report->ErrorsText().toStdString();
    EXPECT_EQ(dumped.filter(u"TkavMasterData RowA "_s).size(), 60 * pages());
}

TEST_F(EngineTest, PageColumnsRepeatTheirHeadersAndTheSummaryStartsInColumnOne)
{
    page->SetColumns(2);
    band<TkavPageHeader>(u"PageHeader1"_s, 0, 20);
    band<TkavColumnHeader>(u"ColumnHeader1"_s, 30, 20);
    band<TkavHeader>(u"Header1"_s, 60, 20)->SetReprintOnNewPage(true);
    masterData();
    band<TkavReportSummary>(u"ReportSummary1"_s, 300, 100);
    // 49 rows fill a column: the fourth column holds the last 48 of 195 rows, and no summary.
    ds->SetRangeEndCount(195);
    ASSERT_TRUE(prepare()) << report->ErrorsText().toStdString();
    ASSERT_EQ(pages(), 3);
    for (int n = 1; n <= 2; ++n) {
        EXPECT_EQ(placesOf(n).count(u"ColumnHeader1@20 Header1@40 MasterData1@60"_s), 2) << n;
        EXPECT_EQ(bandsOf(n).filter(u" l=359.06 t=20.00 "_s).size(), 1) << n;
    }
    EXPECT_EQ(bandsOf(3).last().section(u' ', 1, 3), u"ReportSummary1 l=0.00 t=40.00"_s);
}

TEST_F(EngineTest, BandColumnLinesMoveWholeAndCountOnTheirPage)
{
    auto *data = masterData(20);
    data->SetColumns(3);
    data->SetColumnWidth(200);
    data->SetColumnGap(20);
    data->SetStretched(true);
    auto *cell = memo(data, u"Cell"_s, u"[DS.\"Note\"]"_s);
    cell->SetWidth(100);
    cell->SetStretchMode(smActualHeight);
    memo(band<TkavPageFooter>(u"PageFooter1"_s, 400, 60), u"Total"_s, u"[COUNT(MasterData1)]"_s);
    // Every page counts the cells it holds, holds whole lines only (but the last page) and
    // none below its footer's top; cells are one column wide.
    const auto check = [&](const char *what) {
        ASSERT_TRUE(prepare()) << report->ErrorsText().toStdString();
        const QStringList totals = dumped.filter(u"TkavMemoView Total"_s);
        for (int n = 1; n <= pages(); ++n) {
            const QStringList cells = bandsOf(n).filter(u"TkavMasterData"_s);
            EXPECT_TRUE(totals.value(n - 1).endsWith(u"\"%1\""_s.arg(cells.size()))) << what << n;
            EXPECT_TRUE(n == pages() || cells.size() % 3 == 0) << what << n;
            for (const QString &line : cells) {
                EXPECT_LE(attr(line, u"t"_s) + attr(line, u"h"_s), pageHeight - 60) << what << n;
                EXPECT_DOUBLE_EQ(attr(line, u"w"_s), 200) << what;
            }
        }
    };
    ds->ValueHandlers().OnGetValue = [this](const QString &, Variant &v) { v = ds->RecNo(); };
    check("lines of equal height");
    // The middle cell of every line is the highest: the fifteenth line of a page starts with
    // room for its first cell, and is known too high only at its end.
    ds->ValueHandlers().OnGetValue = [this](const QString &, Variant &v) {
        v = ds->RecNo() % 3 == 1 ? u"a long note that wraps over some lines of its cell"_s
                                 : QString::number(ds->RecNo());
    };
    check("lines higher than their first cell");
    data->SetKeepTogether(true);
    check("rows kept together");
}

TEST_F(EngineTest, AKeptDetailHeaderLeavesTheMastersReprintedHeaderAlone)
{
    page->SetPaperHeight(100);
    band<TkavHeader>(u"MasterHeader"_s, 0, 20)->SetReprintOnNewPage(true);
    ds->SetRangeEndCount(6);
    auto *master = masterData();
    master->SetTop(30);
    band<TkavHeader>(u"DetailHeader"_s, 60, 20);
    auto *detail = band<TkavDetailData>(u"DetailData1"_s, 90, 20);
    detail->SetRowCount(4);
    detail->SetKeepHeader(true);
    ASSERT_TRUE(prepare()) << report->ErrorsText().toStdString();
    ASSERT_EQ(pages(), 3);
    // Page 1 ends with master row 3: its kept detail header opens page 2, below the master's.
    EXPECT_TRUE(namesOf(1).endsWith(u"MasterData1"_s));
    EXPECT_TRUE(namesOf(2).startsWith(u"MasterHeader DetailHeader DetailData1"_s))
        << namesOf(2).toStdString();
    EXPECT_TRUE(namesOf(3).startsWith(u"MasterHeader "_s));

    // Inside a master kept together, the whole master moves, under its reprinted header.
    master->SetKeepTogether(true);
    ASSERT_TRUE(prepare()) << report->ErrorsText().toStdString();
    ASSERT_EQ(pages(), 3);
    EXPECT_TRUE(namesOf(2).startsWith(u"MasterHeader MasterData1 DetailHeader"_s))
        << namesOf(2).toStdString();
}
