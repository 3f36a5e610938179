// Printing: the print job as a printer sees it (page order and selection, copies, duplex,
// paper sources, the four modes), its failures, the sheet arithmetic and the printer list.

#include "../engine/kavEngineTestSupport.h"
#include "../kavTestSupport.h"
#include "kavOutputTestSupport.h"

#include <persist/kavRes.h>
#include <prepared/kavPreviewPages.h>
#include <prepared/kavPrinters.h>
#include <report/kavBands.h>
#include <report/kavClass.h>
#include <report/kavPages.h>
#include <report/kavReport.h>
#include <report/kavViews.h>
#include <rtl/kavUIServices.h>

#include <QPainter>
#include <QPicture>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>

using namespace Qt::StringLiterals;

namespace {

// What the job asked of the printer, one entry per call.
struct PrinterCall
{
    QString kind; // params, begindoc, beginpage, endpage, enddoc, abort
    int paper = 0;
    double width = 0;
    double height = 0;
    TPrinterOrientation orientation = poPortrait;
    int bin = 0;
    int duplex = 0;
    int copies = 0;
    bool clipped = false;
    QRect clip = QRect();
};

// A printer that logs every call and draws into one picture per document. The sheet sizes
// follow the standard table; all margins are Margin millimetres.
class RecordingPrinter : public TkavCustomPrinter
{
public:
    RecordingPrinter(int Dpi, double Margin)
        : TkavCustomPrinter(u"Recorder"_s, u"test"_s)
        , dpi(Dpi)
        , margin(Margin)
    {}

    void Init() override
    {
        FDPI = QPoint(dpi, dpi);
        FInitialized = true;
        SetViewParams(kavPaperA4, 0, 0, poPortrait);
    }
    void Abort() override
    {
        log({u"abort"_s});
        EndDoc();
    }
    bool BeginDoc() override
    {
        log({u"begindoc"_s});
        if (failBegin) {
            FErrorText = u"cannot open"_s;
            return false;
        }
        painter = std::make_unique<QPainter>(&picture);
        FCanvas = painter.get();
        FPrinting = true;
        return true;
    }
    void BeginPage() override
    {
        PrinterCall call{u"beginpage"_s};
        call.clipped = FCanvas->hasClipping();
        call.clip = FCanvas->clipBoundingRect().toAlignedRect();
        call.bin = FBin;
        call.orientation = FOrientation;
        log(call);
    }
    void EndPage() override { log({u"endpage"_s}); }
    bool EndDoc() override
    {
        if (!FPrinting)
            return true;
        log({u"enddoc"_s});
        painter->end();
        FCanvas = nullptr;
        FPrinting = false;
        FErrorText = failEnd ? u"disk full"_s : QString();
        return !failEnd;
    }
    void SetViewParams(int APaperSize,
                       double APaperWidth,
                       double APaperHeight,
                       TPrinterOrientation AOrientation) override
    {
        double w = APaperWidth;
        double h = APaperHeight;
        if (APaperSize != kavPaperCustom && kavLookupPaperSize(APaperSize, w, h)
            && AOrientation == poLandscape)
            std::swap(w, h);
        FPaper = APaperSize;
        FPaperWidth = w;
        FPaperHeight = h;
        FOrientation = AOrientation;
        FLeftMargin = FTopMargin = FRightMargin = FBottomMargin = margin;
    }
    void SetPrintParams(int APaperSize,
                        double APaperWidth,
                        double APaperHeight,
                        TPrinterOrientation AOrientation,
                        int ABin,
                        int ADuplex,
                        int ACopies) override
    {
        SetViewParams(APaperSize, APaperWidth, APaperHeight, AOrientation);
        FBin = ABin;
        log({u"params"_s, APaperSize, FPaperWidth, FPaperHeight, AOrientation, ABin, ADuplex, ACopies});
    }

    int count(const QString &kind) const
    {
        return int(std::count_if(calls.begin(), calls.end(), [&](const PrinterCall &c) {
            return c.kind == kind;
        }));
    }
    std::vector<PrinterCall> of(const QString &kind) const
    {
        std::vector<PrinterCall> result;
        std::copy_if(calls.begin(), calls.end(), std::back_inserter(result), [&](const PrinterCall &c) {
            return c.kind == kind;
        });
        return result;
    }

    std::vector<PrinterCall> calls;
    QPicture picture;
    bool failBegin = false;
    bool failEnd = false;

private:
    void log(const PrinterCall &call) { calls.push_back(call); }

    int dpi;
    double margin;
    std::unique_ptr<QPainter> painter;
};

// Installs a recording printer (or none) as the machine's only printer, collects the
// messages shown, and puts everything back afterwards.
class PrintTest : public testing::Test
{
protected:
    void SetUp() override
    {
        auto services = std::make_unique<TkavHeadlessUIServices>();
        services->SetEchoToStandardError(false);
        services->SetMessageSink([this](TMsgDlgType, const QString &text) { messages << text; });
        previousServices = kavSetUIServices(std::move(services));
        previousFactory = kavSetFilePrinterFactory({});
        previousDialog = kavSetPrintDialog({});
        installPrinter(100, 0);
    }
    void TearDown() override
    {
        kavSetPrinterEnumerator({});
        kavSetFilePrinterFactory(std::move(previousFactory));
        kavSetPrintDialog(std::move(previousDialog));
        kavSetUIServices(std::move(previousServices));
    }

    void installPrinter(int dpi, double margin)
    {
        printer = nullptr;
        kavSetPrinterEnumerator([this, dpi, margin](QString &defaultName) {
            std::vector<std::unique_ptr<TkavCustomPrinter>> list;
            auto recording = std::make_unique<RecordingPrinter>(dpi, margin);
            printer = recording.get();
            defaultName = recording->Name();
            list.push_back(std::move(recording));
            return list;
        });
    }
    void installNoPrinters()
    {
        kavSetPrinterEnumerator([](QString &) {
            return std::vector<std::unique_ptr<TkavCustomPrinter>>();
        });
        printer = nullptr;
    }

    // A prepared report of Count pages "P1".."Pn", each with a filled memo across its
    // printable width; Adjust may change each template page.
    std::unique_ptr<TkavReport> pagesReport(
        int Count, const std::function<void(TkavReportPage &, int)> &Adjust = {})
    {
        auto report = kavNewTestReport();
        for (int i = 0; i < Count; ++i) {
            TkavReportPage *page = kavAddTestPage(*report, u"Page%1"_s.arg(i + 1));
            if (Adjust)
                Adjust(*page, i);
            auto *band = kavAddTestBand<TkavReportTitle>(*page, u"Title%1"_s.arg(i + 1), 0, 40);
            auto *memo = TkavComponent::Create<TkavMemoView>(band);
            memo->SetName(u"Memo%1"_s.arg(i + 1));
            memo->SetText(u"P%1"_s.arg(i + 1));
            memo->SetColor(clRed);
            memo->SetWidth(page->Width() - (page->LeftMargin() + page->RightMargin()) * 3.77953);
            memo->SetHeight(40);
        }
        report->PrepareReport(true);
        report->Errors().Clear();
        report->PrintOptions().SetShowDialog(false);
        report->SetShowProgress(false);
        TkavReport *printing = report.get();
        report->SetOnPrintPage([this, printing](TkavReportPage *page, int copyNo) {
            printedPages << pageName(*page);
            copyNumbers << copyNo;
            if (stopAfter > 0 && printedPages.size() >= stopAfter)
                printing->SetTerminated(true);
        });
        return report;
    }

    static QString pageName(TkavReportPage &page)
    {
        for (TkavComponent *obj : page.AllObjects()) {
            if (auto *memo = dynamic_cast<TkavMemoView *>(obj))
                return memo->Text().trimmed();
        }
        return QString();
    }

    bool print(TkavReport &report) { return report.Print(); }

    RecordingPrinter *printer = nullptr;
    QStringList messages;
    QStringList printedPages;
    QList<int> copyNumbers;
    int stopAfter = 0;

private:
    std::unique_ptr<TkavUIServices> previousServices;
    TkavFilePrinterFactory previousFactory;
    TkavPrintDialogHook previousDialog;
};

QStringList names(std::initializer_list<int> numbers)
{
    QStringList list;
    for (int n : numbers)
        list << u"P%1"_s.arg(n);
    return list;
}

// ---------------------------------------------------------------------------------------
// Which pages, in which order.

struct SelectionRow
{
    const char *name;
    QString pages;
    bool reverse;
    TkavPrintPages which;
    bool printed;
    QStringList expected;
};

class PrintSelection : public PrintTest, public testing::WithParamInterface<SelectionRow>
{};

TEST_P(PrintSelection, PrintsTheChosenPagesInOrder)
{
    const SelectionRow &row = GetParam();
    auto report = pagesReport(7);
    ASSERT_EQ(report->PreviewPages()->Count(), 7);
    report->PrintOptions().SetPageNumbers(row.pages);
    report->PrintOptions().SetReverse(row.reverse);
    report->PrintOptions().SetPrintPages(row.which);
    EXPECT_EQ(print(*report), row.printed);
    EXPECT_EQ(printedPages, row.expected);
    ASSERT_NE(printer, nullptr);
    EXPECT_EQ(printer->count(u"beginpage"_s), row.expected.size());
    // Options come back as they were.
    EXPECT_EQ(report->PrintOptions().PageNumbers(), row.pages);
}

INSTANTIATE_TEST_SUITE_P(
    Print,
    PrintSelection,
    testing::Values(
        SelectionRow{"list_and_range", u"1,3,5-7"_s, false, ppAll, true, names({1, 3, 5, 6, 7})},
        SelectionRow{"open_range", u"5-"_s, false, ppAll, true, names({5, 6, 7})},
        SelectionRow{"empty_is_all", u""_s, false, ppAll, true, names({1, 2, 3, 4, 5, 6, 7})},
        SelectionRow{"spaces", u" 2 , 4 "_s, false, ppAll, true, names({2, 4})},
        SelectionRow{"written_order", u"4,2"_s, false, ppAll, true, names({4, 2})},
        SelectionRow{"reverse_all", u""_s, true, ppAll, true, names({7, 6, 5, 4, 3, 2, 1})},
        SelectionRow{"reverse_list", u"2,5,3"_s, true, ppAll, true, names({3, 5, 2})},
        SelectionRow{"odd_of_list", u"2,3,4"_s, false, ppOdd, true, names({3})},
        SelectionRow{"even_of_all", u""_s, false, ppEven, true, names({2, 4, 6})},
        // A reversed range is malformed; a range past the end names no page: nothing printed.
        SelectionRow{"reversed_range", u"7-5"_s, false, ppAll, false, {}},
        SelectionRow{"beyond_the_end", u"9"_s, false, ppAll, false, {}},
        SelectionRow{"not_a_number", u"1,a"_s, false, ppAll, false, {}}),
    [](const testing::TestParamInfo<SelectionRow> &p) { return std::string(p.param.name); });

TEST_F(PrintTest, MalformedRangeIsReportedAsAnError)
{
    auto report = pagesReport(3);
    report->PrintOptions().SetPageNumbers(u"1,x"_s);
    EXPECT_FALSE(print(*report));
    EXPECT_TRUE(report->ErrorsText().contains(u"1,x"_s) || report->ErrorsText().contains(u"x"_s));
    EXPECT_EQ(printer->count(u"begindoc"_s), 0);
}

// ---------------------------------------------------------------------------------------
// Copies, collation and duplex.

struct CopiesRow
{
    const char *name;
    int copies;
    bool collate;
    int printerCopies;
    int pagesDrawn;
    QList<int> copyNumbers;
};

class PrintCopies : public PrintTest, public testing::WithParamInterface<CopiesRow>
{};

TEST_P(PrintCopies, CollateRepeatsTheSequenceElseThePrinterCopies)
{
    const CopiesRow &row = GetParam();
    auto report = pagesReport(7);
    report->PrintOptions().SetCopies(row.copies);
    report->PrintOptions().SetCollate(row.collate);
    ASSERT_TRUE(print(*report));
    const std::vector<PrinterCall> params = printer->of(u"params"_s);
    ASSERT_FALSE(params.empty());
    for (const PrinterCall &call : params)
        EXPECT_EQ(call.copies, row.printerCopies);
    EXPECT_EQ(printer->count(u"beginpage"_s), row.pagesDrawn);
    EXPECT_EQ(printer->count(u"begindoc"_s), 1);
    EXPECT_EQ(printer->count(u"enddoc"_s), 1);
    EXPECT_EQ(printedPages.mid(0, 7), names({1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(copyNumbers.mid(0, 1) + copyNumbers.mid(copyNumbers.size() - 1), row.copyNumbers);
}

INSTANTIATE_TEST_SUITE_P(Print,
                         PrintCopies,
                         testing::Values(CopiesRow{"collated", 3, true, 1, 21, {1, 3}},
                                         CopiesRow{"uncollated", 3, false, 3, 7, {1, 1}},
                                         CopiesRow{"zero_is_one", 0, true, 1, 7, {1, 1}}),
                         [](const testing::TestParamInfo<CopiesRow> &p) {
                             return std::string(p.param.name);
                         });

TEST_F(PrintTest, DuplexCollatedCopiesStartOnAFrontSide)
{
    auto report = pagesReport(3);
    report->PrintOptions().SetCopies(2);
    report->PrintOptions().SetCollate(true);
    report->PrintOptions().SetDuplex(dmVertical);
    ASSERT_TRUE(print(*report));
    // 3 pages, a blank back, 3 pages, a blank back.
    EXPECT_EQ(printer->count(u"beginpage"_s), 8);
    EXPECT_EQ(printedPages.size(), 6);
    for (const PrinterCall &call : printer->of(u"params"_s))
        EXPECT_EQ(call.duplex, dmVertical);
}

TEST_F(PrintTest, EvenDuplexPassNeedsNoBlankPage)
{
    auto report = pagesReport(2);
    report->PrintOptions().SetCopies(2);
    report->PrintOptions().SetCollate(true);
    report->PrintOptions().SetDuplex(dmHorizontal);
    ASSERT_TRUE(print(*report));
    EXPECT_EQ(printer->count(u"beginpage"_s), 4);
}

TEST_F(PrintTest, FirstPageTakesBinLaterPagesBinOtherPages)
{
    auto report = pagesReport(3, [](TkavReportPage &page, int) {
        page.SetBin(1);
        page.SetBinOtherPages(2);
    });
    ASSERT_TRUE(print(*report));
    QList<int> bins;
    for (const PrinterCall &call : printer->of(u"beginpage"_s))
        bins << call.bin;
    EXPECT_EQ(bins, QList<int>({1, 2, 2}));
    // Parameters are sent again only when something changed.
    EXPECT_EQ(printer->count(u"params"_s), 2);
}

TEST_F(PrintTest, PaperChangesBetweenPagesReachThePrinter)
{
    auto report = pagesReport(3, [](TkavReportPage &page, int i) {
        if (i == 1)
            page.SetPaperSize(8);
    });
    ASSERT_TRUE(print(*report));
    QList<int> papers;
    for (const PrinterCall &call : printer->of(u"params"_s))
        papers << call.paper;
    EXPECT_EQ(papers, QList<int>({kavPaperA4, 8, kavPaperA4}));
}

// ---------------------------------------------------------------------------------------
// Sheet arithmetic.

struct CoverRow
{
    double length;
    double piece;
    int count;
};

class PrintCoverCount : public testing::TestWithParam<CoverRow>
{};

TEST_P(PrintCoverCount, CountsPiecesWithTolerance)
{
    EXPECT_EQ(kavCoverCount(GetParam().length, GetParam().piece), GetParam().count);
}

INSTANTIATE_TEST_SUITE_P(Print,
                         PrintCoverCount,
                         testing::Values(CoverRow{297, 210, 2}, // 87 mm over: one more
                                         CoverRow{420, 210, 2}, // exact
                                         CoverRow{215, 210, 1}, // 5 mm over: rounded
                                         CoverRow{420, 199, 3}, // 22 mm over
                                         CoverRow{5, 210, 1})); // tiny pages still take one

struct JoinRow
{
    const char *name;
    double pageW;
    double pageH;
    int across;
    int down;
    bool rotated;
};

class PrintJoinGrid : public testing::TestWithParam<JoinRow>
{};

TEST_P(PrintJoinGrid, FitsWholePagesOnAnA4Sheet)
{
    const JoinRow &row = GetParam();
    const TkavSheetGrid grid = kavJoinGrid(210, 297, row.pageW, row.pageH);
    EXPECT_EQ(grid.Across, row.across);
    EXPECT_EQ(grid.Down, row.down);
    EXPECT_EQ(grid.Rotated, row.rotated);
    // The cells fit on the sheet as it lies.
    const double sheetW = grid.Rotated ? 297 : 210;
    const double sheetH = grid.Rotated ? 210 : 297;
    if (row.pageW <= sheetW) {
        EXPECT_LE(grid.Across * row.pageW, sheetW);
    }
    if (row.pageH <= sheetH) {
        EXPECT_LE(grid.Down * row.pageH, sheetH);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Print,
    PrintJoinGrid,
    testing::Values(JoinRow{"a5", 148, 210, 2, 1, true},
                    JoinRow{"w120_h200", 120, 200, 2, 1, true},
                    JoinRow{"a6", 105, 148, 2, 2, false},
                    JoinRow{"a4", 210, 297, 1, 1, false},
                    JoinRow{"larger_than_sheet", 300, 400, 1, 1, false}),
    [](const testing::TestParamInfo<JoinRow> &p) { return std::string(p.param.name); });

TEST(PrintCoverGrid, ExchangedPiecesWinOnlyWhenFewer)
{
    // A3 over A4: (2, 2) upright, (1, 2) turned.
    const TkavSheetGrid a3 = kavCoverGrid(297, 420, 210, 297);
    EXPECT_TRUE(a3.Rotated);
    EXPECT_EQ(a3.Across * a3.Down, 2);
    // A4 over A4: one sheet, not turned.
    const TkavSheetGrid a4 = kavCoverGrid(210, 297, 210, 297);
    EXPECT_FALSE(a4.Rotated);
    EXPECT_EQ(a4.Across * a4.Down, 1);
}

// ---------------------------------------------------------------------------------------
// Join, split and scale.

TEST_F(PrintTest, JoinPutsTwoA5PagesOnEachLandscapeA4)
{
    auto report = pagesReport(7, [](TkavReportPage &page, int) { page.SetPaperSize(11); });
    report->PrintOptions().SetPrintMode(pmJoin);
    report->PrintOptions().SetPrintOnSheet(kavPaperA4);
    ASSERT_TRUE(print(*report));
    EXPECT_EQ(printer->count(u"beginpage"_s), 4);
    const std::vector<PrinterCall> params = printer->of(u"params"_s);
    ASSERT_EQ(params.size(), 1u);
    EXPECT_EQ(params[0].orientation, poLandscape);
    EXPECT_EQ(params[0].paper, kavPaperA4);
}

TEST_F(PrintTest, JoinedPagesNeverLeaveTheSheet)
{
    // 120 x 200 mm pages: two fit across a landscape A4, three would not.
    auto report = pagesReport(5, [](TkavReportPage &page, int) {
        page.SetPaperWidth(120);
        page.SetPaperHeight(200);
    });
    report->PrintOptions().SetPrintMode(pmJoin);
    report->PrintOptions().SetPrintOnSheet(kavPaperA4);
    ASSERT_TRUE(print(*report));
    EXPECT_EQ(printer->count(u"beginpage"_s), 3);
    const QRect drawn = printer->picture.boundingRect();
    ASSERT_FALSE(drawn.isEmpty());
    // 100 dpi: the landscape sheet is 1169 x 827 dots.
    EXPECT_LE(drawn.right(), 1170);
    EXPECT_LE(drawn.bottom(), 828);
    // Both columns are used: something lies right of the first 120 mm (472 dots).
    EXPECT_GT(drawn.right(), 480);
}

TEST_F(PrintTest, JoinCopiesAreNotMultipliedByCollation)
{
    auto report = pagesReport(2, [](TkavReportPage &page, int) { page.SetPaperSize(11); });
    report->PrintOptions().SetPrintMode(pmJoin);
    report->PrintOptions().SetPrintOnSheet(kavPaperA4);
    report->PrintOptions().SetCopies(3);
    for (bool collate : {true, false}) {
        printer = nullptr;
        kavPrinters().FillPrinters();
        report->PrintOptions().SetCollate(collate);
        ASSERT_TRUE(print(*report));
        // 2 pages x 3 copies = 6 cells, 2 per sheet.
        EXPECT_EQ(printer->count(u"beginpage"_s), 3) << (collate ? "collated" : "uncollated");
    }
}

TEST_F(PrintTest, SplitA3OnA4ClipsTheSecondTileBySplicingLine)
{
    installPrinter(100, 1);
    auto report = pagesReport(1, [](TkavReportPage &page, int) { page.SetPaperSize(8); });
    report->PrintOptions().SetPrintMode(pmSplit);
    report->PrintOptions().SetPrintOnSheet(kavPaperA4);
    report->PrintOptions().SetSplicingLine(3);
    ASSERT_TRUE(print(*report));
    const std::vector<PrinterCall> pages = printer->of(u"beginpage"_s);
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(pages[0].orientation, poLandscape);
    ASSERT_TRUE(pages[0].clipped && pages[1].clipped);
    // At 100 dpi 1 mm is 3.94 dots and 3 mm 11.81: the first tile starts at the margin,
    // the second (below it) a splicing line further down; both start at the left margin.
    EXPECT_EQ(pages[0].clip.top(), 4);
    EXPECT_EQ(pages[1].clip.top(), 16);
    EXPECT_EQ(pages[0].clip.left(), 4);
    EXPECT_EQ(pages[1].clip.left(), 4);
}

TEST_F(PrintTest, ScaleStretchesThePageOntoTheSheet)
{
    auto report = pagesReport(1, [](TkavReportPage &page, int) { page.SetPaperSize(11); });
    report->PrintOptions().SetPrintMode(pmScale);
    report->PrintOptions().SetPrintOnSheet(kavPaperA4);
    ASSERT_TRUE(print(*report));
    const std::vector<PrinterCall> params = printer->of(u"params"_s);
    ASSERT_EQ(params.size(), 1u);
    EXPECT_EQ(params[0].paper, kavPaperA4);
    // A5 on A4: the smaller of 210/148 and 297/210.
    EXPECT_NEAR(store(*report).PrintScale(), 297.0 / 210.0, 1e-9);
    // The red memo spans the printable width, so the drawing reaches far past A5's width.
    EXPECT_GT(printer->picture.boundingRect().right(), 148 / 25.4 * 100 + 100);
}

// ---------------------------------------------------------------------------------------
// Failures.

TEST_F(PrintTest, NoPrintersReturnsFalseWithTheMessage)
{
    installNoPrinters();
    auto report = pagesReport(2);
    EXPECT_FALSE(kavPrinters().HasPhysicalPrinters());
    EXPECT_FALSE(print(*report));
    ASSERT_FALSE(messages.isEmpty());
    EXPECT_EQ(messages.last(), kavResourceTable().Get(u"clNoPrinters"_s));
    // A print-to-file name does not help without a file printer.
    report->PrintOptions().SetPrnOutFileName(u"/tmp/never.pdf"_s);
    EXPECT_FALSE(print(*report));
}

TEST_F(PrintTest, PrintToFileWithoutPrintersUsesTheFilePrinter)
{
    installNoPrinters();
    RecordingPrinter *filePrinter = nullptr;
    kavSetFilePrinterFactory([&filePrinter]() -> std::unique_ptr<TkavCustomPrinter> {
        auto p = std::make_unique<RecordingPrinter>(100, 0);
        filePrinter = p.get();
        return p;
    });
    auto report = pagesReport(2);
    report->PrintOptions().SetPrnOutFileName(u"/tmp/out.pdf"_s);
    ASSERT_TRUE(print(*report));
    ASSERT_NE(filePrinter, nullptr);
    EXPECT_EQ(filePrinter->count(u"beginpage"_s), 2);
    EXPECT_EQ(filePrinter->FileName(), u"/tmp/out.pdf"_s);
}

TEST_F(PrintTest, ZeroResolutionPrinterReturnsFalse)
{
    installPrinter(0, 0);
    auto report = pagesReport(2);
    EXPECT_FALSE(print(*report));
    EXPECT_TRUE(messages.contains(u"Printer selected is not valid"_s));
    EXPECT_EQ(printer->count(u"begindoc"_s), 0);
}

TEST_F(PrintTest, FailingEndDocReturnsFalseWithAnErrorsLine)
{
    auto report = pagesReport(2);
    kavPrinters();
    printer->failEnd = true;
    EXPECT_FALSE(print(*report));
    EXPECT_TRUE(report->ErrorsText().contains(u"disk full"_s));
}

TEST_F(PrintTest, FailingBeginDocReturnsFalseWithAnErrorsLine)
{
    auto report = pagesReport(2);
    kavPrinters();
    printer->failBegin = true;
    EXPECT_FALSE(print(*report));
    EXPECT_TRUE(report->ErrorsText().contains(u"cannot open"_s));
    EXPECT_EQ(printer->count(u"beginpage"_s), 0);
}

TEST_F(PrintTest, TerminatedAbortsOnceAndReturnsFalse)
{
    auto report = pagesReport(5);
    stopAfter = 2;
    EXPECT_FALSE(print(*report));
    EXPECT_EQ(printedPages.size(), 2);
    EXPECT_EQ(printer->count(u"abort"_s), 1);
    // The document ends exactly once (through Abort).
    EXPECT_EQ(printer->count(u"enddoc"_s), 1);
    EXPECT_EQ(printer->count(u"beginpage"_s), 2);
}

TEST_F(PrintTest, EndDocIsIdempotent)
{
    kavPrinters();
    ASSERT_NE(printer, nullptr);
    ASSERT_TRUE(printer->BeginDoc());
    EXPECT_TRUE(printer->EndDoc());
    EXPECT_TRUE(printer->EndDoc());
    EXPECT_EQ(printer->count(u"enddoc"_s), 1);
}

// ---------------------------------------------------------------------------------------
// Dialog, callbacks and options.

TEST_F(PrintTest, CancelledDialogPrintsNothing)
{
    auto report = pagesReport(2);
    report->PrintOptions().SetShowDialog(true);
    kavSetPrintDialog([](TkavReport &, TkavDuplexMode &) { return false; });
    EXPECT_FALSE(print(*report));
    EXPECT_EQ(printer->count(u"begindoc"_s), 0);
}

TEST_F(PrintTest, DialogChoicesApplyForOneJobOnly)
{
    auto report = pagesReport(4);
    report->PrintOptions().SetShowDialog(true);
    kavSetPrintDialog([](TkavReport &r, TkavDuplexMode &duplex) {
        r.PrintOptions().SetPageNumbers(u"2-3"_s);
        duplex = dmSimplex;
        return true;
    });
    int before = 0;
    int after = 0;
    report->SetOnPrintReport([&](TkavReport *) { ++before; });
    report->SetOnAfterPrintReport([&](TkavReport *) { ++after; });
    ASSERT_TRUE(print(*report));
    EXPECT_EQ(printedPages, names({2, 3}));
    EXPECT_EQ(printer->of(u"params"_s).front().duplex, dmSimplex);
    EXPECT_EQ(before, 1);
    EXPECT_EQ(after, 1);
    EXPECT_TRUE(report->PrintOptions().PageNumbers().isEmpty());
    EXPECT_EQ(store(*report).CopyNo(), 0);
}

TEST_F(PrintTest, SelectPrinterPicksTheNamedInstalledPrinter)
{
    kavSetPrinterEnumerator([](QString &defaultName) {
        std::vector<std::unique_ptr<TkavCustomPrinter>> list;
        list.push_back(std::make_unique<RecordingPrinter>(100, 0));
        auto second = std::make_unique<TkavVirtualPrinter>(u"Second"_s);
        list.push_back(std::move(second));
        defaultName = u"Recorder"_s;
        return list;
    });
    auto report = kavNewTestReport();
    EXPECT_EQ(kavPrinters().PrinterIndex(), 0);
    report->PrintOptions().SetPrinter(u"second"_s);
    report->SelectPrinter();
    EXPECT_EQ(kavPrinters().PrinterIndex(), 1);
    report->PrintOptions().SetPrinter(u"Missing"_s);
    report->SelectPrinter();
    EXPECT_EQ(kavPrinters().PrinterIndex(), 1);
    EXPECT_EQ(kavPrinters().IndexOf(u"RECORDER"_s), 0);
    EXPECT_EQ(kavPrinters().IndexOf(u"nobody"_s), -1);
}

// ---------------------------------------------------------------------------------------
// The virtual printer and the lookups.

TEST(PrintVirtualPrinter, HasItsFixedMetrics)
{
    TkavVirtualPrinter printer(u"Virtual"_s);
    printer.Init();
    EXPECT_TRUE(printer.Initialized());
    EXPECT_FALSE(printer.IsPhysical());
    EXPECT_EQ(printer.DPI(), QPoint(600, 600));
    EXPECT_EQ(printer.Paper(), kavPaperA4);
    EXPECT_DOUBLE_EQ(printer.PaperWidth(), 210);
    EXPECT_DOUBLE_EQ(printer.PaperHeight(), 297);
    EXPECT_DOUBLE_EQ(printer.LeftMargin(), 4);
    EXPECT_DOUBLE_EQ(printer.BottomMargin(), 4);
    EXPECT_EQ(printer.Papers().size(), 67u); // "custom" and the 66 standard sizes
    EXPECT_EQ(printer.Papers().front().Number, kavPaperCustom);
    EXPECT_EQ(printer.Bin(), -1);
    printer.SetViewParams(8, 0, 0, poLandscape);
    EXPECT_DOUBLE_EQ(printer.PaperWidth(), 420);
    EXPECT_DOUBLE_EQ(printer.PaperHeight(), 297);
    printer.SetViewParams(12345, 100, 50, poPortrait);
    EXPECT_EQ(printer.Paper(), kavPaperCustom);
    EXPECT_DOUBLE_EQ(printer.PaperWidth(), 100);
    printer.SetPrintParams(kavPaperA4, 0, 0, poPortrait, 3, dmNone, 1);
    EXPECT_EQ(printer.Bin(), 3);
}

TEST(PrintVirtualPrinter, LookupsFallBackToTheFirstEntry)
{
    TkavVirtualPrinter printer(u"Virtual"_s);
    printer.Init();
    const QString a4 = kavStandardPaperName(kavPaperA4);
    EXPECT_EQ(printer.PaperNameToNumber(a4), kavPaperA4);
    EXPECT_EQ(printer.PaperNameToNumber(u"no such paper"_s), kavPaperCustom);
    EXPECT_EQ(printer.BinNameToNumber(u"no such tray"_s), kavBinAuto);
    EXPECT_EQ(printer.PaperIndex(kavPaperCustom), 0);
    EXPECT_EQ(printer.PaperIndex(9999), -1);
    EXPECT_EQ(printer.BinIndex(kavBinAuto), 0);
    EXPECT_EQ(printer.BinIndex(2), -1);
    EXPECT_THROW(printer.BeginRAWDoc(), EkavError);
}

struct PaperRow
{
    int number;
    bool known;
    double width;
    double height;
};

class PrintPaperTable : public testing::TestWithParam<PaperRow>
{};

TEST_P(PrintPaperTable, LooksUpStandardSizes)
{
    double w = -1;
    double h = -1;
    EXPECT_EQ(kavLookupPaperSize(GetParam().number, w, h), GetParam().known);
    if (GetParam().known) {
        EXPECT_NEAR(w, GetParam().width, 0.06);
        EXPECT_NEAR(h, GetParam().height, 0.06);
    }
}

INSTANTIATE_TEST_SUITE_P(Print,
                         PrintPaperTable,
                         testing::Values(PaperRow{1, true, 215.9, 279.4},
                                         PaperRow{5, true, 215.9, 355.6},
                                         PaperRow{8, true, 297, 420},
                                         PaperRow{9, true, 210, 297},
                                         PaperRow{11, true, 148, 210},
                                         PaperRow{13, true, 182, 257},
                                         PaperRow{14, true, 215.9, 330.2},
                                         PaperRow{20, true, 104.8, 241.3},
                                         PaperRow{27, true, 110, 220},
                                         PaperRow{66, true, 420, 594},
                                         PaperRow{68, true, 322, 445},
                                         PaperRow{0, false, 0, 0},
                                         PaperRow{48, false, 0, 0},
                                         PaperRow{69, false, 0, 0},
                                         PaperRow{256, false, 0, 0}));

TEST(PrintPaperTable, HasSixtySixRows)
{
    EXPECT_EQ(kavStandardPapers().size(), 66u);
}

} // namespace
