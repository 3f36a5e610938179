// Vertical bands run by the engine: cross-tab reports whose cells lie in vertical bands
// across a horizontal master band; the cells of each row, headers and footers on both
// axes, horizontal continuation pages, totals per vertical column, and the guard against
// bands wider than a page.

#include "../kavTestSupport.h"

#include "kavEngineTestSupport.h"

#include <engine/kavEngine.h>
#include <prepared/kavPreviewPages.h>
#include <report/kavBands.h>
#include <report/kavDataSets.h>
#include <report/kavPages.h>
#include <report/kavReport.h>
#include <report/kavViews.h>
#include <rtl/kavRTTI.h>

#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// A4 portrait, margins 10 mm.
constexpr double pageWidth = 190 * kavMMToPixels;

// One output band of a dumped page with the texts and lefts of its text objects.
struct DumpedBand
{
    QString Line;
    QStringList Texts;
    std::vector<double> Lefts;
    std::vector<double> Widths;
};

class VerticalBandsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        report = kavNewTestReport();
        page = kavAddTestPage(*report, u"Page1"_s);
        rows = dataSet(u"DS"_s, 3);
        columns = dataSet(u"VDS"_s, 3);
    }

    std::unique_ptr<TkavUserDataSet> dataSet(const QString &name, int count)
    {
        auto set = std::make_unique<TkavUserDataSet>();
        set->SetUserName(name);
        set->SetRangeEnd(reCount);
        set->SetRangeEndCount(count);
        TkavUserDataSet *raw = set.get();
        set->ValueHandlers().OnGetValue
            = [raw](const QString &, Variant &value) { value = Variant(raw->RecNo() + 1); };
        report->DataSets().Add(set.get());
        return set;
    }

    template <class T>
    T *band(const QString &name, double top, double height)
    {
        T *b = TkavComponent::Create<T>(page);
        b->SetName(name);
        b->SetBounds(0, top, pageWidth, height);
        return b;
    }

    // A vertical band from left to left + width.
    template <class T>
    T *vband(const QString &name, double left, double width)
    {
        T *b = TkavComponent::Create<T>(page);
        b->SetName(name);
        b->SetVertical(true);
        b->SetBounds(left, 0, width, 600);
        return b;
    }

    TkavMemoView *
    memo(TkavBand *parent, const QString &name, double left, double width, const QString &text)
    {
        auto *m = TkavComponent::Create<TkavMemoView>(parent);
        m->SetName(name);
        m->SetBounds(left, 2, width, 16);
        m->SetText(text);
        return m;
    }

    // The cross-tab: row names in a vertical header, one cell per row and column, a row
    // total in a vertical footer.
    void crossTab(double dataWidth)
    {
        master = band<TkavMasterData>(u"MasterData1"_s, 100, 20);
        master->SetDataSet(rows.get());
        vheader = vband<TkavHeader>(u"VHeader1"_s, 0, 100);
        vdata = vband<TkavMasterData>(u"VData1"_s, 100, dataWidth);
        vdata->SetDataSet(columns.get());
        vfooter = vband<TkavFooter>(u"VFooter1"_s, 100 + dataWidth, 100);
        memo(master, u"RowName"_s, 2, 90, u"R[DS.\"N\"]"_s);
        memo(master, u"Cell"_s, 105, dataWidth - 10, u"[DS.\"N\"]x[VDS.\"N\"]"_s);
        memo(master, u"RowTotal"_s, 105 + dataWidth, 90, u"T[SUM(<VDS.\"N\">)]"_s);
    }

    bool prepare()
    {
        const bool ok = report->PrepareReport(true);
        dumped = kavDumpPreparedPages(*report->PreviewPages()).split(u'\n', Qt::SkipEmptyParts);
        return ok;
    }

    // The texts a row i (1-based) of the cross-tab shows for columns first..last, with its
    // row name and total when asked for.
    static QStringList rowTexts(int i, int first, int last, bool name, int total)
    {
        QStringList texts;
        if (name)
            texts.append(u"R%1"_s.arg(i));
        for (int j = first; j <= last; ++j)
            texts.append(u"%1x%2"_s.arg(i).arg(j));
        if (total > 0)
            texts.append(u"T%1"_s.arg(total));
        return texts;
    }

    int pages() const { return report->PreviewPages()->Count(); }

    static double attr(const QString &line, const QString &name)
    {
        const QRegularExpression re(u"\\b"_s + name + u"=(-?[0-9.]+)"_s);
        return re.match(line).captured(1).toDouble();
    }

    // The bands of page n (1-based) of class cls with their text objects.
    std::vector<DumpedBand> bandsOf(int n, const QString &cls) const
    {
        std::vector<DumpedBand> bands;
        bool in = false;
        bool inBand = false;
        for (const QString &line : dumped) {
            if (line.startsWith(u"page "_s)) {
                in = line == u"page %1"_s.arg(n);
                inBand = false;
            } else if (in && line.startsWith(u"  "_s) && !line.startsWith(u"    "_s)) {
                inBand = line.trimmed().startsWith(cls + u' ');
                if (inBand)
                    bands.push_back(DumpedBand{line.trimmed(), {}, {}, {}});
            } else if (in && inBand && line.startsWith(u"    TkavMemoView"_s)) {
                bands.back().Texts.append(line.section(u'"', 1, 1));
                bands.back().Lefts.push_back(attr(line, u"l"_s));
                bands.back().Widths.push_back(attr(line, u"w"_s));
            }
        }
        return bands;
    }

    std::unique_ptr<TkavReport> report;
    std::unique_ptr<TkavUserDataSet> rows;
    std::unique_ptr<TkavUserDataSet> columns;
    TkavReportPage *page = nullptr;
    TkavMasterData *master = nullptr;
    TkavHeader *vheader = nullptr;
    TkavMasterData *vdata = nullptr;
    TkavFooter *vfooter = nullptr;
    QStringList dumped;
};

} // namespace

TEST_F(VerticalBandsTest, EveryRowGetsOneCellPerColumnBesideEachOther)
{
    struct Case
    {
        double width;
        int columns;
        int rows;
    };
    for (const Case c : {Case{150, 3, 3}, Case{100, 5, 4}, Case{60, 2, 1}}) {
        SCOPED_TRACE(c.columns);
        page->Clear();
        columns->SetRangeEndCount(c.columns);
        rows->SetRangeEndCount(c.rows);
        crossTab(c.width);
        ASSERT_TRUE(prepare()) << report->ErrorsText().toStdString();
        ASSERT_EQ(pages(), 1);
        const std::vector<DumpedBand> bands = bandsOf(1, u"TkavMasterData"_s);
        ASSERT_EQ(int(bands.size()), c.rows);
        const int total = c.columns * (c.columns + 1) / 2;
        for (int i = 1; i <= c.rows; ++i) {
            const DumpedBand &row = bands[size_t(i - 1)];
            EXPECT_EQ(row.Texts, rowTexts(i, 1, c.columns, true, total));
            EXPECT_DOUBLE_EQ(attr(row.Line, u"t"_s), 20.0 * (i - 1));
            ASSERT_EQ(row.Lefts.size(), size_t(c.columns + 2));
            EXPECT_DOUBLE_EQ(row.Lefts.front(), 2);
            for (int j = 1; j <= c.columns; ++j)
                EXPECT_DOUBLE_EQ(row.Lefts[size_t(j)], 100 + c.width * (j - 1) + 5);
            EXPECT_DOUBLE_EQ(row.Lefts.back(), 100 + c.width * c.columns + 5);
        }
        // The cells were the band's for one output only.
        EXPECT_EQ(master->Objects().size(), 0);
        EXPECT_EQ(master->OriginalObjectsCount(), -1);
        EXPECT_EQ(vdata->Left(), 100) << "a vertical band keeps its place";
    }
}

TEST_F(VerticalBandsTest, HeadersAndFootersOfBothAxesWithTotalsPerColumn)
{
    crossTab(150);
    auto *header = band<TkavHeader>(u"Header1"_s, 60, 20);
    memo(header, u"Corner"_s, 2, 90, u"Rows"_s);
    memo(header, u"ColTitle"_s, 105, 140, u"C[VDS.\"N\"]"_s);
    memo(header, u"TotalTitle"_s, 255, 90, u"Total"_s);
    auto *footer = band<TkavFooter>(u"Footer1"_s, 140, 20);
    memo(footer, u"SumTitle"_s, 2, 90, u"Sum"_s);
    memo(footer, u"ColSum"_s, 105, 140, u"[SUM(<VDS.\"N\">, MasterData1)]/[COUNT(MasterData1)]"_s);
    rows->SetRangeEndCount(4);
    ASSERT_TRUE(prepare()) << report->ErrorsText().toStdString();
    ASSERT_EQ(pages(), 1);
    const std::vector<DumpedBand> headers = bandsOf(1, u"TkavHeader"_s);
    ASSERT_EQ(headers.size(), 1u);
    EXPECT_EQ(headers[0].Texts, (QStringList{u"Rows"_s, u"C1"_s, u"C2"_s, u"C3"_s, u"Total"_s}));
    EXPECT_EQ(headers[0].Lefts, (std::vector<double>{2, 105, 255, 405, 555}));
    // Row totals restart with every row; column totals add up the rows of their column.
    for (const DumpedBand &row : bandsOf(1, u"TkavMasterData"_s))
        EXPECT_EQ(row.Texts.last(), u"T6"_s);
    const std::vector<DumpedBand> footers = bandsOf(1, u"TkavFooter"_s);
    ASSERT_EQ(footers.size(), 1u);
    EXPECT_EQ(footers[0].Texts, (QStringList{u"Sum"_s, u"4/4"_s, u"8/4"_s, u"12/4"_s}));
    EXPECT_DOUBLE_EQ(attr(footers[0].Line, u"t"_s), 100);
}

// A footer or summary across the columns: its cells under the vertical data band show their
// column's totals, under the vertical footer the totals of all columns, under the vertical
// header the totals over the rows.
TEST_F(VerticalBandsTest, FootersAndSummariesTotalEachColumnAndAllColumns)
{
    for (const bool summary : {true, false}) {
        SCOPED_TRACE(summary);
        page->Clear();
        rows->SetRangeEndCount(4);
        crossTab(150);
        TkavBand *totals
            = summary ? static_cast<TkavBand *>(band<TkavReportSummary>(u"Totals"_s, 200, 20))
                      : band<TkavFooter>(u"Totals"_s, 140, 20);
        const QString cell = u"<DS.\"N\"> * <VDS.\"N\">"_s;
        memo(totals, u"Rows"_s, 2, 90, u"rows [COUNT(MasterData1)]"_s);
        memo(totals, u"ColSum"_s, 105, 140, u"[SUM(%1, MasterData1)]/[MAX(%1)]"_s.arg(cell));
        memo(
            totals, u"Grand"_s, 255, 90, u"[SUM(%1)]/[MAX(%1, MasterData1)]/[AVG(%1)]"_s.arg(cell));
        ASSERT_TRUE(prepare()) << report->ErrorsText().toStdString();
        const std::vector<DumpedBand> bands
            = bandsOf(1, summary ? u"TkavReportSummary"_s : u"TkavFooter"_s);
        ASSERT_EQ(bands.size(), 1u);
        // Rows 1-4 give column j the sum 10 * j and the largest value 4 * j.
        EXPECT_EQ(bands[0].Texts,
                  (QStringList{u"rows 4"_s, u"10/4"_s, u"20/8"_s, u"30/12"_s, u"60/12/5"_s}));
    }
}

TEST_F(VerticalBandsTest, ColumnsBeyondThePageWidthContinueOnTheNextPage)
{
    struct Case
    {
        bool reprint;
        double firstLeft; // of the first text on the continuation page
    };
    for (const Case c : {Case{true, 2}, Case{false, 5}}) {
        SCOPED_TRACE(c.reprint);
        page->Clear();
        band<TkavPageHeader>(u"PageHeader1"_s, 0, 30);
        // Outside the vertical bands: the page's total of its rows.
        memo(band<TkavPageFooter>(u"PageFooter1"_s, 500, 30),
             u"PageTotal"_s,
             650,
             60,
             u"P[SUM(<DS.\"N\">)]"_s);
        columns->SetRangeEndCount(5);
        rows->SetRangeEndCount(3);
        crossTab(200);
        vheader->SetReprintOnNewPage(c.reprint);
        ASSERT_TRUE(prepare()) << report->ErrorsText().toStdString();
        ASSERT_EQ(pages(), 2);
        const std::vector<DumpedBand> first = bandsOf(1, u"TkavMasterData"_s);
        const std::vector<DumpedBand> second = bandsOf(2, u"TkavMasterData"_s);
        ASSERT_EQ(first.size(), 3u);
        ASSERT_EQ(second.size(), 3u);
        for (int i = 1; i <= 3; ++i) {
            const DumpedBand &left = first[size_t(i - 1)];
            const DumpedBand &right = second[size_t(i - 1)];
            EXPECT_EQ(left.Texts, rowTexts(i, 1, 3, true, 0));
            EXPECT_EQ(right.Texts, rowTexts(i, 4, 5, c.reprint, 15));
            EXPECT_DOUBLE_EQ(attr(right.Line, u"t"_s), attr(left.Line, u"t"_s));
            EXPECT_DOUBLE_EQ(right.Lefts.front(), c.firstLeft);
        }
        const double shift = c.reprint ? 100 : 0;
        EXPECT_EQ(second[0].Lefts.back(), shift + 2 * 200 + 5) << "the row total follows column 5";
        for (int n = 1; n <= 2; ++n) {
            EXPECT_EQ(bandsOf(n, u"TkavPageHeader"_s).size(), 1u) << n;
            const std::vector<DumpedBand> footers = bandsOf(n, u"TkavPageFooter"_s);
            ASSERT_EQ(footers.size(), 1u) << n;
            EXPECT_EQ(footers[0].Texts, QStringList{u"P6"_s}) << n;
        }
    }
}

TEST_F(VerticalBandsTest, RowsBelowAFullPageStartANewPairOfPages)
{
    columns->SetRangeEndCount(5);
    rows->SetRangeEndCount(60);
    crossTab(200);
    vheader->SetReprintOnNewPage(true);
    // A data header with cells of its own, printed again at the top of every page.
    auto *header = band<TkavHeader>(u"Header1"_s, 60, 20);
    header->SetReprintOnNewPage(true);
    memo(header, u"ColTitle"_s, 105, 190, u"C[VDS.\"N\"]"_s);
    memo(header, u"TotalTitle"_s, 305, 90, u"Total"_s);
    for (const bool doublePass : {false, true}) {
        SCOPED_TRACE(doublePass);
        report->EngineOptions().SetDoublePass(doublePass);
        ASSERT_TRUE(prepare()) << report->ErrorsText().toStdString();
        ASSERT_EQ(pages(), 4);
        const int perPage = int(bandsOf(1, u"TkavMasterData"_s).size());
        ASSERT_GT(perPage, 1);
        ASSERT_LT(perPage, 60);
        EXPECT_EQ(int(bandsOf(2, u"TkavMasterData"_s).size()), perPage);
        const std::vector<DumpedBand> third = bandsOf(3, u"TkavMasterData"_s);
        const std::vector<DumpedBand> fourth = bandsOf(4, u"TkavMasterData"_s);
        EXPECT_EQ(int(third.size()), 60 - perPage);
        ASSERT_EQ(fourth.size(), third.size());
        EXPECT_EQ(bandsOf(2, u"TkavMasterData"_s).back().Texts, rowTexts(perPage, 4, 5, true, 15));
        EXPECT_EQ(third.front().Texts, rowTexts(perPage + 1, 1, 3, true, 0));
        EXPECT_EQ(fourth.back().Texts, rowTexts(60, 4, 5, true, 15));
        EXPECT_DOUBLE_EQ(attr(fourth.front().Line, u"t"_s), attr(third.front().Line, u"t"_s));
        for (int n = 1; n <= 4; ++n) {
            const std::vector<DumpedBand> headers = bandsOf(n, u"TkavHeader"_s);
            ASSERT_EQ(headers.size(), 1u) << n;
            EXPECT_EQ(headers[0].Texts,
                      n % 2 ? (QStringList{u"C1"_s, u"C2"_s, u"C3"_s})
                            : (QStringList{u"C4"_s, u"C5"_s, u"Total"_s}))
                << n;
            EXPECT_DOUBLE_EQ(attr(headers[0].Line, u"t"_s), 0) << n;
        }
        EXPECT_DOUBLE_EQ(attr(third.front().Line, u"t"_s), 20);
    }
}

TEST_F(VerticalBandsTest, VerticalGroupsPrintTheirHeadersAndFootersBetweenColumns)
{
    // Columns 1-2 form group 0, 3-4 group 1, 5 group 2.
    columns->SetRangeEndCount(5);
    columns->ValueHandlers().OnGetValue = [this](const QString &field, Variant &value) {
        value = field == u"G" ? Variant(columns->RecNo() / 2) : Variant(columns->RecNo() + 1);
    };
    master = band<TkavMasterData>(u"MasterData1"_s, 100, 20);
    master->SetDataSet(rows.get());
    auto *group = vband<TkavGroupHeader>(u"VGroupHeader1"_s, 0, 50);
    group->SetCondition(u"VDS.\"G\""_s);
    vdata = vband<TkavMasterData>(u"VData1"_s, 50, 60);
    vdata->SetDataSet(columns.get());
    vband<TkavGroupFooter>(u"VGroupFooter1"_s, 110, 70);
    memo(master, u"GroupName"_s, 2, 40, u"G[VDS.\"G\"]"_s);
    memo(master, u"Cell"_s, 52, 50, u"[VDS.\"N\"]"_s);
    memo(master, u"GroupSum"_s, 112, 60, u"S[SUM(<VDS.\"N\">)]"_s);
    // The summary's totals: rows under the group header, a column's rows under the data
    // band, the group's columns under the group footer.
    auto *summary = band<TkavReportSummary>(u"ReportSummary1"_s, 200, 20);
    memo(summary, u"Count"_s, 2, 40, u"[COUNT(MasterData1)]"_s);
    memo(summary, u"ColumnSum"_s, 52, 50, u"[SUM(<VDS.\"N\">)]"_s);
    memo(summary, u"GroupTotal"_s, 112, 60, u"T[SUM(<VDS.\"N\">)]"_s);
    rows->SetRangeEndCount(2);
    ASSERT_TRUE(prepare()) << report->ErrorsText().toStdString();
    ASSERT_EQ(pages(), 1);
    const std::vector<DumpedBand> bands = bandsOf(1, u"TkavMasterData"_s);
    ASSERT_EQ(bands.size(), 2u);
    const QStringList expected{u"G0"_s,
                               u"1"_s,
                               u"2"_s,
                               u"S3"_s,
                               u"G1"_s,
                               u"3"_s,
                               u"4"_s,
                               u"S7"_s,
                               u"G2"_s,
                               u"5"_s,
                               u"S5"_s};
    std::vector<double> lefts;
    double x = 0;
    for (int n = 0; n < 3; ++n) {
        lefts.push_back(x + 2);
        x += 50;
        for (int j = 0; j < (n < 2 ? 2 : 1); ++j, x += 60)
            lefts.push_back(x + 2);
        lefts.push_back(x + 2);
        x += 70;
    }
    for (const DumpedBand &row : bands) {
        EXPECT_EQ(row.Texts, expected);
        EXPECT_EQ(row.Lefts, lefts);
    }
    const std::vector<DumpedBand> totals = bandsOf(1, u"TkavReportSummary"_s);
    ASSERT_EQ(totals.size(), 1u);
    EXPECT_EQ(totals[0].Texts,
              (QStringList{u"2"_s,
                           u"2"_s,
                           u"4"_s,
                           u"T6"_s,
                           u"2"_s,
                           u"6"_s,
                           u"8"_s,
                           u"T14"_s,
                           u"2"_s,
                           u"10"_s,
                           u"T10"_s}));
}

TEST_F(VerticalBandsTest, AnEndlessWidthPageGrowsInsteadOfContinuing)
{
    page->SetEndlessWidth(true);
    columns->SetRangeEndCount(5);
    crossTab(200);
    ASSERT_TRUE(prepare()) << report->ErrorsText().toStdString();
    ASSERT_EQ(pages(), 1);
    const std::vector<DumpedBand> bands = bandsOf(1, u"TkavMasterData"_s);
    ASSERT_EQ(bands.size(), 3u);
    EXPECT_EQ(bands[0].Texts, rowTexts(1, 1, 5, true, 15));
    EXPECT_DOUBLE_EQ(bands[0].Lefts.back(), 100 + 5 * 200 + 5);
}

TEST_F(VerticalBandsTest, ABandWiderThanThePageIsClippedInsteadOfAddingPagesForever)
{
    for (const int count : {3, 6}) {
        SCOPED_TRACE(count);
        page->Clear();
        report->Errors().Clear();
        columns->SetRangeEndCount(count);
        crossTab(800);
        prepare();
        // The row header, then one page per column, then the row total.
        ASSERT_EQ(pages(), count + 2);
        const QStringList errors = report->Errors().Text().split(u'\n', Qt::SkipEmptyParts);
        ASSERT_EQ(errors.size(), 1) << report->ErrorsText().toStdString();
        EXPECT_TRUE(errors[0].contains(u"VData1"_s));
        for (int n = 2; n <= count + 1; ++n) {
            const std::vector<DumpedBand> bands = bandsOf(n, u"TkavMasterData"_s);
            ASSERT_EQ(bands.size(), 3u) << n;
            EXPECT_EQ(bands[1].Texts, rowTexts(2, n - 1, n - 1, false, 0)) << n;
            EXPECT_DOUBLE_EQ(bands[1].Lefts.front(), 5);
            EXPECT_NEAR(bands[1].Widths.front(), pageWidth - 5, 0.01) << "cut at the page's edge";
        }
        EXPECT_EQ(bandsOf(count + 2, u"TkavMasterData"_s).front().Texts,
                  (QStringList{u"T%1"_s.arg(count * (count + 1) / 2)}));
    }
}

TEST_F(VerticalBandsTest, AStretchingCellGrowsItsRow)
{
    crossTab(150);
    master->SetStretched(true);
    auto *cell = static_cast<TkavMemoView *>(report->FindObject(u"Cell"_s));
    cell->SetStretchMode(smActualHeight);
    cell->SetWordWrap(true);
    // Column 2 has five lines.
    columns->ValueHandlers().OnGetValue = [this](const QString &field, Variant &value) {
        if (field != u"T")
            value = Variant(columns->RecNo() + 1); // the totals' field stays a number
        else
            value = columns->RecNo() == 1 ? Variant(u"a\r\nb\r\nc\r\nd\r\ne"_s) : Variant(u"x"_s);
    };
    cell->SetText(u"[VDS.\"T\"]"_s);
    rows->SetRangeEndCount(2);
    ASSERT_TRUE(prepare()) << report->ErrorsText().toStdString();
    const std::vector<DumpedBand> bands = bandsOf(1, u"TkavMasterData"_s);
    ASSERT_EQ(bands.size(), 2u);
    const double height = attr(bands[0].Line, u"h"_s);
    EXPECT_GT(height, 50) << bands[0].Line.toStdString();
    EXPECT_DOUBLE_EQ(attr(bands[1].Line, u"t"_s), height);
    EXPECT_EQ(bands[0].Texts.size(), 5);
}

TEST_F(VerticalBandsTest, AnErrorAmongTheColumnsLeavesTheMasterBandAsDesigned)
{
    crossTab(150);
    report->SetOnBeforePrint([this](TkavComponent *obj) {
        // The second row's cells are half made when the row total fails.
        if (obj->Name() == u"VFooter1" && rows->RecNo() == 1)
            throw Exception(u"stop"_s);
    });
    EXPECT_FALSE(prepare());
    EXPECT_TRUE(report->ErrorsText().contains(u"stop"_s));
    EXPECT_EQ(master->Objects().size(), 0);
    EXPECT_EQ(master->OriginalObjectsCount(), -1);
    // The next run starts from the design.
    report->SetOnBeforePrint(nullptr);
    ASSERT_TRUE(prepare()) << report->ErrorsText().toStdString();
    EXPECT_EQ(bandsOf(1, u"TkavMasterData"_s).at(1).Texts, rowTexts(2, 1, 3, true, 6));
}
