// Memos on the text layout engine: the text rectangle and padding, heights and widths with
// fixed advances, splitting a text across parts, AutoWidth, the drawing-time placeholders,
// and the text drawn at two scales; the subreport's caption.

#include <persist/kavVariables.h>
#include <prepared/kavDrawText.h>
#include <prepared/kavTextMeasure.h>
#include <report/kavViews.h>

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// Standalone memos use the process-wide engine; here it measures every character 8 px
// wide (50 units at 12 pt) and lines 16 px high, so LineHeight is 18 with the default
// spacing of 2.
class MemoLayout : public ::testing::Test
{
protected:
    void SetUp() override
    {
        kavDefaultDrawText().SetMeasurer(std::make_shared<TkavFixedTextMeasurer>());
    }
    void TearDown() override { kavDefaultDrawText().SetMeasurer(kavDefaultTextMeasurer()); }

    static void
    setUp(TkavMemoView &memo, double l, double t, double w, double h, const QString &text)
    {
        memo.SetLeft(l);
        memo.SetTop(t);
        memo.SetWidth(w);
        memo.SetHeight(h);
        memo.Font().SetSize(12);
        memo.SetText(text);
    }
};

TEST_F(MemoLayout, TextRectangleAndPadding)
{
    TkavMemoView memo;
    setUp(memo, 10, 20, 100, 50, u"x"_s);
    memo.Frame().SetTyp(TkavFrameTypes{ftLeft, ftTop, ftRight, ftBottom});
    // round(0) on the left and top, round(0.5) = 0 on the right and bottom.
    EXPECT_EQ(memo.TextRect(1, 1, 0, 0), QRect(QPoint(12, 21), QPoint(109, 70)));
    EXPECT_EQ(memo.TextRect(2, 2, 5, 0),
              QRect(QPoint(5 + 20 + 4 + 0, 40 + 2), QPoint(225 - 1 - 4 + 1, 140 - 1 - 2 + 1)));
    EXPECT_DOUBLE_EQ(memo.VerticalPadding(), 2 + 0 + 0.5);
    memo.Frame().SetWidth(3);
    memo.Frame().SetDropShadow(true);
    memo.Frame().SetShadowWidth(4);
    EXPECT_DOUBLE_EQ(memo.HorizontalPadding(), 4 + 1 + 1.5 + 4);
}

TEST_F(MemoLayout, HeightsAndWidthsInWholePixels)
{
    TkavMemoView memo;
    // The text area is 50 - 2 * 2 + 1 = 47 px wide: each word (32 px) goes on its own line.
    setUp(memo, 0, 0, 50, 20, u"aaaa bbbb cccc"_s);
    EXPECT_EQ(memo.CalcHeight(), 3 * 18 + 2);
    EXPECT_EQ(memo.CalcWidth(), 14 * 8 + 4) << "measured in one line";
    EXPECT_EQ(memo.WrapText(true), u"aaaa\r\nbbbb\r\ncccc"_s);
    memo.SetWordWrap(false);
    EXPECT_EQ(memo.CalcHeight(), 18 + 2);
    memo.SetAllowHTMLTags(true);
    memo.SetText(u"<b>bold</b> text"_s);
    EXPECT_EQ(memo.WrapText(false), u"bold text\r\n"_s);
}

TEST_F(MemoLayout, SplittingATextAcrossParts)
{
    TkavMemoView memo;
    // 40 px hold two lines of 18 (the fitting height is the text area's 39 + 1).
    setUp(memo, 0, 0, 200, 40, u"l1\r\nl2\r\nl3\r\nl4\r\nl5"_s);
    memo.InitPart();
    EXPECT_DOUBLE_EQ(memo.DrawPart(), 40 - 2 * 18);
    EXPECT_EQ(memo.Text(), u"l1\r\nl2\r\n"_s);
    EXPECT_FALSE(memo.LastParaBreak()) << "cut between paragraphs";
    EXPECT_DOUBLE_EQ(memo.DrawPart(), 4);
    EXPECT_EQ(memo.Text(), u"l3\r\nl4\r\n"_s);
    // The unused space counts the lines the height holds, not the lines left.
    EXPECT_DOUBLE_EQ(memo.DrawPart(), 4);
    EXPECT_EQ(memo.Text(), u"l5\r\n"_s);

    // Nothing fits into a height smaller than a line: the whole height is unused.
    TkavMemoView small;
    setUp(small, 0, 0, 200, 10, u"a\r\nb"_s);
    small.InitPart();
    EXPECT_DOUBLE_EQ(small.DrawPart(), 10);
    EXPECT_EQ(small.Text(), u""_s);

    // A paragraph cut after its second line continues with the break flag.
    TkavMemoView para;
    setUp(para, 0, 0, 50, 40, u"aaaa bbbb cccc dddd"_s);
    para.InitPart();
    para.DrawPart();
    EXPECT_TRUE(para.LastParaBreak());
    EXPECT_TRUE(para.Text().startsWith(u"aaaa bbbb"_s)) << para.Text().toStdString();
    EXPECT_FALSE(para.Text().contains(u"cccc"_s));
    para.DrawPart();
    EXPECT_TRUE(para.Text().startsWith(u"cccc dddd"_s)) << para.Text().toStdString();
}

TEST_F(MemoLayout, AutoWidthKeepsTheRightEdgeOrTheCentre)
{
    TkavMemoView memo;
    setUp(memo, 100, 0, 50, 20, u"aaaa bbbb cccc dddd"_s);
    memo.SetAutoWidth(true);
    memo.SetHAlign(haRight);
    QImage image(400, 100, QImage::Format_RGB32);
    QPainter painter(&image);
    memo.Draw(&painter, 1, 1, 0, 0);
    EXPECT_DOUBLE_EQ(memo.Width(), 19 * 8 + 4);
    EXPECT_DOUBLE_EQ(memo.Left() + memo.Width(), 150);

    TkavMemoView centred;
    setUp(centred, 100, 0, 50, 20, u"aa"_s);
    centred.SetAutoWidth(true);
    centred.SetHAlign(haCenter);
    centred.Draw(&painter, 1, 1, 0, 0);
    EXPECT_DOUBLE_EQ(centred.Width(), 2 * 8 + 4);
    EXPECT_DOUBLE_EQ(centred.Left() + centred.Width() / 2, 125);
}

TEST_F(MemoLayout, DrawingTimePlaceholders)
{
    kavGlobalVariables().SetVariable(u"CopyName"_s, u"Copy "_s);
    TkavMemoView memo;
    setUp(memo, 0, 0, 200, 40, u"Page of [totalpages#], [COPYNAME#]"_s);
    memo.SetTotalPages(7);
    memo.SetCopyNo(2);
    memo.ExtractMacros();
    EXPECT_EQ(memo.Text(), u"Page of 7, Copy 2\r\n"_s);

    memo.SetText(u"[TOTALPAGES] and [TOTALPAGES]"_s);
    EXPECT_EQ(memo.GetComponentText(), u"7 and [TOTALPAGES]\r\n"_s);
    memo.SetAllowExpressions(false);
    memo.SetText(u"[TOTALPAGES#]"_s);
    memo.ExtractMacros();
    EXPECT_EQ(memo.Text(), u"[TOTALPAGES#]\r\n"_s);
    kavGlobalVariables().Clear();
}

// Counts dark pixels in rows y0..y1, columns x0..x1.
int dark(const QImage &image, int x0, int y0, int x1, int y1)
{
    int n = 0;
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x)
            n += qGray(image.pixel(x, y)) < 128;
    return n;
}

class MemoDrawing : public ::testing::TestWithParam<double>
{};

TEST_P(MemoDrawing, TextInsideItsRectangleOnly)
{
    const double k = GetParam();
    TkavMemoView memo;
    memo.SetBounds(10, 10, 120, 40);
    memo.SetText(u"WWWW WWWW WWWW WWWW WWWW"_s);
    memo.Font().SetSize(12);
    QImage image(int(200 * k), int(120 * k), QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        memo.Draw(&painter, k, k, 0, 0);
    }
    const QRect text = memo.TextRect(k, k, 0, 0);
    EXPECT_GT(dark(image, text.left(), text.top(), text.right(), text.bottom()), 20);
    // Clipped: more lines than fit, but nothing below the memo.
    EXPECT_EQ(dark(image, 0, int(51 * k) + 1, image.width() - 1, image.height() - 1), 0);
    EXPECT_EQ(dark(image, int(131 * k) + 1, 0, image.width() - 1, image.height() - 1), 0);

    memo.SetText(u""_s);
    memo.SetUnderlines(true);
    memo.Frame().SetColor(clBlack);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        memo.Draw(&painter, k, k, 0, 0);
    }
    // Underlines across the whole width, the first one line height below the top gap.
    EXPECT_GT(dark(image, int(10 * k), int(10 * k), int(130 * k), int(50 * k)), int(100 * k));
}

TEST_P(MemoDrawing, SubreportShowsItsName)
{
    const double k = GetParam();
    TkavSubreport sub;
    sub.SetName(u"Sub1"_s);
    sub.SetBounds(10, 10, 100, 30);
    sub.Font().SetColor(clBlack);
    QImage image(int(150 * k), int(60 * k), QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        sub.Draw(&painter, k, k, 0, 0);
    }
    // The name's pixels lie in the upper left part, inside the frame.
    EXPECT_GT(dark(image, int(10 * k) + 3, int(10 * k) + 3, int(60 * k), int(30 * k)), 5);
}

INSTANTIATE_TEST_SUITE_P(Scales, MemoDrawing, ::testing::Values(1.0, 2.0));

} // namespace
