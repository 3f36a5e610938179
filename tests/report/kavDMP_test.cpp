// Dot-matrix reports: grid snapping of the objects, page defaults and paper, printer
// command bytes, text cut to cells, font-style inheritance, files and prepared pages,
// measuring with the substituted font, and the band's extra row for a bottom frame line.

#include "kavReportTestSupport.h"

#include <engine/kavEngine.h>
#include <persist/kavRes.h>
#include <prepared/kavFonts.h>
#include <prepared/kavPreviewPages.h>
#include <report/kavBands.h>
#include <report/kavDMP.h>
#include <report/kavPages.h>
#include <report/kavReport.h>
#include <rtl/kavExceptions.h>
#include <rtl/kavStreams.h>

#include <QByteArray>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr double cellW = 9.6;
constexpr double cellH = 17;
constexpr double mm = 3.77953;

class DMPTest : public TkavReportTest
{
protected:
    // A dot-matrix report with one page (defaults) and a title band on it.
    void SetUp() override
    {
        TkavReportTest::SetUp();
        report = std::make_unique<TkavReport>();
        report->EngineOptions().SetNewSilentMode(simSilent);
        report->EngineOptions().SetDestroyForms(false);
        report->SetDotMatrixReport(true);
        page = TkavComponent::Create<TkavDMPPage>(report.get());
        page->SetName(u"Page1"_s);
        page->SetDefaults();
        band = TkavComponent::Create<TkavReportTitle>(page);
        band->SetName(u"Title1"_s);
        band->SetHeight(cellH * 2);
    }

    template <class T>
    T *add(const QString &name, TkavComponent *parent = nullptr)
    {
        T *obj = TkavComponent::Create<T>(parent ? parent : band);
        obj->SetName(name);
        return obj;
    }

    std::unique_ptr<TkavReport> report;
    TkavDMPPage *page = nullptr;
    TkavReportTitle *band = nullptr;
};

// ---------------------------------------------------------------------------------------
// Snapping of the geometry setters.

enum Prop { pLeft, pTop, pWidth, pHeight };

struct SnapRow
{
    const char *name;
    const char *cls;
    TkavAlign align;
    Prop prop;
    double value;
    double expected;
};

void setProp(TkavComponent &obj, Prop prop, double value)
{
    switch (prop) {
    case pLeft: obj.SetLeft(value); break;
    case pTop: obj.SetTop(value); break;
    case pWidth: obj.SetWidth(value); break;
    case pHeight: obj.SetHeight(value); break;
    }
}

double getProp(const TkavComponent &obj, Prop prop)
{
    switch (prop) {
    case pLeft: return obj.Left();
    case pTop: return obj.Top();
    case pWidth: return obj.Width();
    case pHeight: return obj.Height();
    }
    return 0;
}

class DMPSnap : public DMPTest, public testing::WithParamInterface<SnapRow>
{};

TEST_P(DMPSnap, SetterStoresGridValue)
{
    const SnapRow &row = GetParam();
    auto *obj = dynamic_cast<TkavView *>(
        TkavComponent::Create(QString::fromLatin1(row.cls), band));
    ASSERT_NE(obj, nullptr);
    obj->SetAlign(row.align);
    setProp(*obj, row.prop, row.value);
    EXPECT_NEAR(getProp(*obj, row.prop), row.expected, 1e-9);
    // A value on the grid stays where it is.
    setProp(*obj, row.prop, getProp(*obj, row.prop));
    EXPECT_NEAR(getProp(*obj, row.prop), row.expected, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(
    DMP,
    DMPSnap,
    testing::Values(
        // Text objects cover whole cells.
        SnapRow{"memo_left", "TkavDMPMemoView", baNone, pLeft, 10, 9.6},
        SnapRow{"memo_left_rounds_up", "TkavDMPMemoView", baNone, pLeft, 19, 19.2},
        SnapRow{"memo_left_right_aligned_truncates", "TkavDMPMemoView", baRight, pLeft, 19, 9.6},
        SnapRow{"memo_top", "TkavDMPMemoView", baNone, pTop, 30, 34},
        SnapRow{"memo_top_half_to_even", "TkavDMPMemoView", baNone, pTop, 8.5, 0},
        SnapRow{"memo_top_half_up_to_even", "TkavDMPMemoView", baNone, pTop, 25.5, 34},
        SnapRow{"memo_height", "TkavDMPMemoView", baNone, pHeight, 25, 17},
        SnapRow{"memo_width", "TkavDMPMemoView", baNone, pWidth, 100, 96},
        SnapRow{"memo_width_grid_multiple", "TkavDMPMemoView", baNone, pWidth, 86.4, 86.4},
        // Lines run through the middles of cells.
        SnapRow{"line_top", "TkavDMPLineView", baNone, pTop, 25, 25.5},
        SnapRow{"line_top_zero", "TkavDMPLineView", baNone, pTop, 0, 8.5},
        SnapRow{"line_left", "TkavDMPLineView", baNone, pLeft, 10, 14.4},
        SnapRow{"line_left_negative", "TkavDMPLineView", baNone, pLeft, -10, -14.4},
        SnapRow{"line_left_right_aligned", "TkavDMPLineView", baRight, pLeft, 10, 4.8},
        SnapRow{"line_left_right_aligned_up", "TkavDMPLineView", baRight, pLeft, 19, 14.4},
        // Already in a cell's middle: the right-aligned rule would move it a cell.
        SnapRow{"line_left_right_aligned_in_middle", "TkavDMPLineView", baRight, pLeft, 24, 24},
        SnapRow{"line_width", "TkavDMPLineView", baNone, pWidth, 19, 19.2},
        SnapRow{"line_width_width_aligned", "TkavDMPLineView", baWidth, pWidth, 19, 9.6},
        SnapRow{"line_height_free", "TkavDMPLineView", baNone, pHeight, 7, 7},
        // Commands sit on a cell; their size is free.
        SnapRow{"command_left", "TkavDMPCommand", baNone, pLeft, 10, 9.6},
        SnapRow{"command_top", "TkavDMPCommand", baNone, pTop, 30, 34},
        SnapRow{"command_width_free", "TkavDMPCommand", baNone, pWidth, 7, 7},
        SnapRow{"command_height_free", "TkavDMPCommand", baNone, pHeight, 5, 5}),
    [](const testing::TestParamInfo<SnapRow> &row) { return std::string(row.param.name); });

TEST_F(DMPTest, SetBoundsDirectDoesNotSnap)
{
    auto *memo = add<TkavDMPMemoView>(u"Memo1"_s);
    memo->SetBoundsDirect(10, 30, 100, 25);
    EXPECT_EQ(memo->Left(), 10);
    EXPECT_EQ(memo->Top(), 30);
    EXPECT_EQ(memo->Width(), 100);
    EXPECT_EQ(memo->Height(), 25);
}

// ---------------------------------------------------------------------------------------
// The page.

TEST_F(DMPTest, NewA4PageHasOneCellMarginsAndWholeCells)
{
    EXPECT_NEAR(page->LeftMargin(), 2.54, 1e-4);
    EXPECT_NEAR(page->RightMargin(), 2.54, 1e-4);
    EXPECT_NEAR(page->TopMargin(), 4.4979, 1e-4);
    EXPECT_NEAR(page->BottomMargin(), 4.4979, 1e-4);
    EXPECT_NEAR(page->PaperWidth(), 208.27987, 1e-5);
    EXPECT_NEAR(page->PaperHeight(), 296.86231, 1e-5);
    EXPECT_NEAR(page->PaperWidth() * mm / cellW, 82, 1e-6);
    EXPECT_NEAR(page->PaperHeight() * mm / cellH, 66, 1e-6);
    EXPECT_EQ(page->PaperSize(), kavPaperA4);
    EXPECT_EQ(page->Width(), kavPaperToPixels(page->PaperWidth()));
}

TEST_F(DMPTest, PaperSettersRoundToWholeCells)
{
    const struct
    {
        const char *name;
        std::function<void(TkavDMPPage &)> set;
        double columns;
        double rows;
    } rows[] = {
        // 100 mm is 39.37 columns and 22.23 rows.
        {"width", [](TkavDMPPage &p) { p.SetPaperWidth(100); }, 39, 66},
        {"height", [](TkavDMPPage &p) { p.SetPaperHeight(100); }, 82, 22},
        // A4 from the table is 82.68 columns: rounding (not truncating) gives 83.
        {"size",
         [](TkavDMPPage &p) {
             p.SetPaperWidth(100);
             p.SetPaperSize(kavPaperA4);
         },
         83,
         66},
        // A page already holding A4 cut down to whole cells keeps it (files store the
        // number after the dimensions).
        {"same_size_keeps_cut_paper", [](TkavDMPPage &p) { p.SetPaperSize(kavPaperA4); }, 82, 66},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        page->SetDefaults();
        row.set(*page);
        EXPECT_NEAR(page->PaperWidth() * mm / cellW, row.columns, 1e-6);
        EXPECT_NEAR(page->PaperHeight() * mm / cellH, row.rows, 1e-6);
        EXPECT_EQ(page->Width(), kavPaperToPixels(page->PaperWidth()));
        EXPECT_EQ(page->Height(), kavPaperToPixels(page->PaperHeight()));
    }
}

TEST_F(DMPTest, PageAndMemoTakeTheGridFont)
{
    auto *memo = add<TkavDMPMemoView>(u"Memo1"_s);
    for (const TkavComponent *obj : {static_cast<TkavComponent *>(page),
                                     static_cast<TkavComponent *>(memo)}) {
        EXPECT_EQ(obj->Font().Name(), u"Courier New"_s);
        EXPECT_EQ(obj->Font().Size(), 12);
        EXPECT_TRUE(obj->Font().Style().IsEmpty());
    }
    EXPECT_EQ(memo->GapX(), 0);
    EXPECT_EQ(memo->GapY(), 0);
    EXPECT_EQ(memo->LineSpacing(), 1);
    EXPECT_EQ(memo->CharSpacing(), 0);
    // The report's own font does not reach the page when it is placed again.
    page->SetParent(report.get());
    EXPECT_EQ(page->Font().Name(), u"Courier New"_s);
}

// ---------------------------------------------------------------------------------------
// Font styles.

TEST_F(DMPTest, PageFontStyleReachesInheritingObjectsOnly)
{
    auto *inheriting = add<TkavDMPMemoView>(u"Inheriting"_s);
    auto *own = add<TkavDMPMemoView>(u"Own"_s);
    auto *line = add<TkavDMPLineView>(u"Line1"_s);
    own->SetFontStyle(TkavDMPFontStyles{fsxItalic});
    EXPECT_FALSE(own->ParentFont());
    EXPECT_TRUE(own->Font().Style().Contains(fsItalic));

    page->SetFontStyle(TkavDMPFontStyles{fsxBold, fsxCondensed});

    EXPECT_EQ(page->FontStyle(), (TkavDMPFontStyles{fsxBold, fsxCondensed}));
    EXPECT_TRUE(page->Font().Style().Contains(fsBold));
    EXPECT_TRUE(inheriting->ParentFont());
    EXPECT_EQ(inheriting->FontStyle(), (TkavDMPFontStyles{fsxBold, fsxCondensed}));
    EXPECT_TRUE(inheriting->Font().Style().Contains(fsBold));
    EXPECT_TRUE(line->ParentFont());
    EXPECT_EQ(line->FontStyle(), (TkavDMPFontStyles{fsxBold, fsxCondensed}));
    EXPECT_EQ(own->FontStyle(), TkavDMPFontStyles{fsxItalic});
    EXPECT_FALSE(own->Font().Style().Contains(fsBold));
    EXPECT_TRUE(own->Font().Style().Contains(fsItalic));

    // Inheriting again takes the page's style.
    own->SetParentFont(true);
    EXPECT_EQ(own->FontStyle(), (TkavDMPFontStyles{fsxBold, fsxCondensed}));
    EXPECT_TRUE(own->Font().Style().Contains(fsBold));
}

TEST_F(DMPTest, FontStyleSettersChangeOnlyDrawnStyles)
{
    const struct
    {
        TkavDMPFontStyles styles;
        TFontStyles drawn;
    } rows[] = {
        {{}, {}},
        {{fsxBold}, {fsBold}},
        {{fsxItalic, fsxUnderline}, {fsItalic, fsUnderline}},
        {{fsxSuperScript, fsxSubScript, fsxWide, fsx12cpi, fsx15cpi}, {}},
    };
    auto *memo = add<TkavDMPMemoView>(u"Memo1"_s);
    auto *line = add<TkavDMPLineView>(u"Line1"_s);
    for (const auto &row : rows) {
        memo->SetFontStyle(row.styles);
        EXPECT_EQ(memo->Font().Style(), row.drawn) << row.styles.Mask();
        EXPECT_EQ(memo->Font().Name(), u"Courier New"_s);
        line->SetParentFont(true);
        line->SetFontStyle(row.styles);
        EXPECT_FALSE(line->ParentFont());
        EXPECT_EQ(line->FontStyle(), row.styles);
    }
}

TEST_F(DMPTest, ResetFontIsDetachedFromTheObject)
{
    auto *memo = add<TkavDMPMemoView>(u"Memo1"_s);
    ASSERT_TRUE(memo->ParentFont());
    memo->Font().SetSize(20);
    EXPECT_TRUE(memo->ParentFont());
    // And a page font change does not travel by itself: only the FontStyle setter.
    auto *child = add<TkavDMPMemoView>(u"Memo2"_s);
    page->Font().SetSize(30);
    EXPECT_EQ(child->Font().Size(), 12);
}

// ---------------------------------------------------------------------------------------
// Printer commands.

struct ChrRow
{
    const char *name;
    QString command;
    QByteArray bytes;
};

class DMPToChr : public DMPTest, public testing::WithParamInterface<ChrRow>
{};

TEST_P(DMPToChr, GivesTheBytes)
{
    auto *cmd = add<TkavDMPCommand>(u"Cmd1"_s);
    cmd->SetCommand(GetParam().command);
    EXPECT_EQ(cmd->ToChr(), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(
    DMP,
    DMPToChr,
    testing::Values(ChrRow{"decimal", u"#27#64"_s, QByteArray("\x1b\x40", 2)},
                    ChrRow{"hex", u"1B40"_s, QByteArray("\x1b\x40", 2)},
                    ChrRow{"hex_lower_case", u"1b40"_s, QByteArray("\x1b\x40", 2)},
                    ChrRow{"hex_odd_digit_ignored", u"1B4"_s, QByteArray("\x1b", 1)},
                    ChrRow{"decimal_bounds", u"#0#255"_s, QByteArray("\x00\xff", 2)},
                    ChrRow{"decimal_leading_zeros", u"#007"_s, QByteArray("\x07", 1)},
                    ChrRow{"empty", u""_s, QByteArray()},
                    ChrRow{"single_hex_digit", u"7"_s, QByteArray()}),
    [](const testing::TestParamInfo<ChrRow> &row) { return std::string(row.param.name); });

TEST_F(DMPTest, ToChrRejectsWhatIsNoByte)
{
    auto *cmd = add<TkavDMPCommand>(u"Cmd1"_s);
    for (const QString &command : {u"#256"_s,
                                   u"#1000"_s,
                                   u"#99999999999999999999999"_s,
                                   u"##"_s,
                                   u"#"_s,
                                   u"#27#"_s,
                                   u"#27##64"_s,
                                   u"#2a"_s,
                                   u"#-1"_s,
                                   u"# 7"_s,
                                   u"ZZ"_s,
                                   u"1G"_s,
                                   u"1B 4"_s}) {
        cmd->SetCommand(command);
        try {
            cmd->ToChr();
            ADD_FAILURE() << command.toStdString() << " gave no error";
        } catch (const EConvertError &e) {
            EXPECT_TRUE(e.Message().contains(command)) << e.Message().toStdString();
        }
    }
}

// ---------------------------------------------------------------------------------------
// Text cut to cells.

TEST_F(DMPTest, GetoutBoundTextCutsToRowsAndColumns)
{
    const struct
    {
        const char *name;
        double width;
        double height;
        QString text;
        QString expected;
    } rows[] = {
        {"three_lines_in_two_rows", 48, 34, u"abcdefghij\r\nklmnopqrst\r\nuvwxyz0123"_s,
         u"abcde\r\nklmno\r\n"_s},
        {"short_lines_kept", 96, 51, u"ab\r\ncd"_s, u"ab\r\ncd\r\n"_s},
        {"empty", 96, 51, u""_s, u""_s},
        {"one_row", 96, 17, u"first\r\nsecond"_s, u"first\r\n"_s},
    };
    auto *memo = add<TkavDMPMemoView>(u"Memo1"_s);
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        memo->SetWidth(row.width);
        memo->SetHeight(row.height);
        memo->SetText(row.text);
        EXPECT_EQ(memo->GetoutBoundText(), row.expected);
    }
}

// ---------------------------------------------------------------------------------------
// Measuring with the substituted font.

TEST_F(DMPTest, CourierNewMeasuresOneCellPerCharacter)
{
    EXPECT_EQ(kavSubstituteFontFamily(u"Courier New"_s), u"Liberation Mono"_s);
    auto *memo = add<TkavDMPMemoView>(u"Memo1"_s);
    memo->SetWidth(960);
    memo->SetHeight(170);
    memo->SetText(u"0123456789"_s);
    EXPECT_EQ(memo->CalcWidth(), 96);
    // The measured width itself, before rounding to cells.
    EXPECT_NEAR(memo->TkavCustomMemoView::CalcWidth(), 96, 0.5);
    memo->SetText(u"a\r\nb\r\nc"_s);
    EXPECT_EQ(memo->CalcHeight(), 51);
    memo->SetText(u"0123456789012345678901234567890123456789"_s);
    EXPECT_EQ(memo->CalcWidth(), 384);
}

// ---------------------------------------------------------------------------------------
// Descriptions, files and prepared pages.

TEST_F(DMPTest, DescriptionsComeFromResources)
{
    const struct
    {
        TkavComponent *obj;
        QString key;
    } rows[] = {
        {add<TkavDMPMemoView>(u"Memo1"_s), u"obDMPText"_s},
        {add<TkavDMPLineView>(u"Line1"_s), u"obDMPLine"_s},
        {add<TkavDMPCommand>(u"Cmd1"_s), u"obDMPCmd"_s},
    };
    for (const auto &row : rows) {
        EXPECT_EQ(row.obj->GetDescription(), kavResourceTable().Get(row.key));
        EXPECT_NE(row.obj->GetDescription(), row.key);
    }
}

TEST_F(DMPTest, Kv3RoundTripKeepsEverything)
{
    auto *memo = add<TkavDMPMemoView>(u"Memo1"_s);
    memo->SetBounds(19.2, 17, 96, 34);
    memo->SetText(u"Hello"_s);
    memo->SetFontStyle(TkavDMPFontStyles{fsxUnderline, fsx15cpi});
    memo->SetTruncOutboundText(true);
    memo->Frame().SetTyp(TkavFrameTypes{ftBottom});
    add<TkavDMPMemoView>(u"Memo2"_s); // inherits the page's font style
    auto *line = add<TkavDMPLineView>(u"Line1"_s);
    line->SetAlign(baRight);
    line->SetBounds(24, 25.5, 96, 0);
    auto *cmd = add<TkavDMPCommand>(u"Cmd1"_s);
    cmd->SetCommand(u"#27#64"_s);
    cmd->SetBounds(9.6, 17, 10, 10);
    page->SetFontStyle(TkavDMPFontStyles{fsxBold});

    const QByteArray first = save(*report);
    EXPECT_TRUE(first.contains("TruncOutboundText")) << first.constData();
    ASSERT_TRUE(first.contains("<TkavDMPPage") && first.contains("</TkavDMPPage>"));
    TkavReport loaded;
    load(loaded, first);
    // The page's element comes back byte for byte; the whole file once it was read.
    const auto pageElement = [](const QByteArray &file) {
        const qsizetype from = file.indexOf("<TkavDMPPage");
        return file.mid(from, file.indexOf("</TkavDMPPage>") - from).toStdString();
    };
    const QByteArray second = save(loaded);
    EXPECT_EQ(pageElement(second), pageElement(first));
    TkavReport again;
    load(again, second);
    EXPECT_EQ(save(again).toStdString(), second.toStdString());

    auto *page2 = dynamic_cast<TkavDMPPage *>(loaded.FindObject(u"Page1"));
    auto *memo2 = dynamic_cast<TkavDMPMemoView *>(loaded.FindObject(u"Memo1"));
    auto *inheriting2 = dynamic_cast<TkavDMPMemoView *>(loaded.FindObject(u"Memo2"));
    auto *line2 = dynamic_cast<TkavDMPLineView *>(loaded.FindObject(u"Line1"));
    auto *cmd2 = dynamic_cast<TkavDMPCommand *>(loaded.FindObject(u"Cmd1"));
    ASSERT_TRUE(page2 && memo2 && inheriting2 && line2 && cmd2);
    EXPECT_EQ(page2->FontStyle(), TkavDMPFontStyles{fsxBold});
    // The page keeps its 82 columns although the file names the A4 paper.
    EXPECT_NEAR(page2->PaperWidth(), page->PaperWidth(), 1e-9);
    EXPECT_EQ(page2->PaperSize(), kavPaperA4);
    EXPECT_EQ(memo2->FontStyle(), (TkavDMPFontStyles{fsxUnderline, fsx15cpi}));
    EXPECT_FALSE(memo2->ParentFont());
    EXPECT_TRUE(memo2->Font().Style().Contains(fsUnderline));
    EXPECT_TRUE(memo2->TruncOutboundText());
    EXPECT_EQ(memo2->Text(), memo->Text());
    EXPECT_TRUE(inheriting2->ParentFont());
    EXPECT_EQ(inheriting2->FontStyle(), TkavDMPFontStyles{fsxBold});
    EXPECT_TRUE(inheriting2->Font().Style().Contains(fsBold));
    EXPECT_EQ(inheriting2->GapX(), 0);
    EXPECT_EQ(line2->Left(), 24);
    EXPECT_EQ(line2->Top(), 25.5);
    EXPECT_EQ(cmd2->Command(), u"#27#64"_s);
    EXPECT_EQ(cmd2->Width(), 10);
}

TEST_F(DMPTest, StretchedBandGrowsARowForABottomFrameLine)
{
    const struct
    {
        const char *name;
        TkavFrameTypes frame;
        double bandHeight;
    } rows[] = {
        {"no_frame", {}, 34},
        {"bottom_line", {ftBottom}, 51},
        {"top_line_only", {ftTop}, 34},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        SetUp();
        band->SetStretched(true);
        band->SetHeight(cellH * 5);
        auto *memo = add<TkavDMPMemoView>(u"Framed"_s);
        memo->SetBounds(0, 0, 96, 34);
        memo->SetText(u"Title"_s);
        memo->Frame().SetTyp(row.frame);
        // A taller plain object that does not end lowest.
        auto *other = add<TkavDMPMemoView>(u"Other"_s);
        other->SetBounds(192, 0, 96, 17);
        report->PrepareReport(true);
        auto &pages = *report->PreviewPages();
        ASSERT_EQ(pages.Count(), 1);
        const std::shared_ptr<TkavReportPage> prepared = pages.GetPage(0);
        ASSERT_TRUE(prepared);
        EXPECT_STREQ(prepared->ClassName().toLatin1().constData(), "TkavDMPPage");
        auto *title = dynamic_cast<TkavBand *>(prepared->FindObject(u"Title1"));
        ASSERT_NE(title, nullptr);
        EXPECT_EQ(title->Height(), row.bandHeight);
    }
}

TEST_F(DMPTest, MaxHeightTextWithBottomLineStopsARowEarlier)
{
    band->SetStretched(true);
    auto *tall = add<TkavDMPMemoView>(u"Tall"_s);
    tall->SetBounds(0, 0, 96, 68);
    auto *framed = add<TkavDMPMemoView>(u"Framed"_s);
    framed->SetBounds(192, 0, 96, 17);
    framed->Frame().SetTyp(TkavFrameTypes{ftBottom});
    framed->SetStretchMode(smMaxHeight);
    report->PrepareReport(true);
    const std::shared_ptr<TkavReportPage> prepared = report->PreviewPages()->GetPage(0);
    ASSERT_TRUE(prepared);
    auto *copy = dynamic_cast<TkavDMPMemoView *>(prepared->FindObject(u"Framed"));
    ASSERT_NE(copy, nullptr);
    // The band ends at 68; the frame line half a row below the text must stay inside.
    EXPECT_EQ(copy->Height(), 51);
}

TEST_F(DMPTest, PreparedFileKeepsDotMatrixPages)
{
    auto *memo = add<TkavDMPMemoView>(u"Memo1"_s);
    memo->SetBounds(0, 0, 96, 17);
    memo->SetText(u"Kept"_s);
    page->SetFontStyle(TkavDMPFontStyles{fsxItalic});
    report->PrepareReport(true);
    TMemoryStream stream;
    report->PreviewPages()->SaveToStream(stream);

    TkavReport other;
    other.PreviewPages()->LoadFromStream(std::make_unique<TMemoryStream>(stream.Data()));
    ASSERT_EQ(other.PreviewPages()->Count(), 1);
    const std::shared_ptr<TkavReportPage> prepared = other.PreviewPages()->GetPage(0);
    auto *dmp = dynamic_cast<TkavDMPPage *>(prepared.get());
    ASSERT_NE(dmp, nullptr);
    EXPECT_EQ(dmp->FontStyle(), TkavDMPFontStyles{fsxItalic});
    EXPECT_NEAR(dmp->PaperWidth(), page->PaperWidth(), 1e-9);
    auto *copy = dynamic_cast<TkavDMPMemoView *>(dmp->FindObject(u"Memo1"));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->Text().trimmed(), u"Kept"_s);
}

} // namespace
