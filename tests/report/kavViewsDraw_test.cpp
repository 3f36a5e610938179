// Views drawn into images at two scales, checked with pixel probes: fill and frame, lines
// made straight with their arrow heads, diagonal lines, shapes, double frames, and pictures
// stretched, kept in proportion, centred and clipped.

#include <report/kavFrames.h>
#include <report/kavViews.h>
#include <rtl/kavColors.h>

#include <QBuffer>
#include <QTemporaryDir>
#include <QImage>
#include <QPainter>

#include <cmath>
#include <functional>
#include <gtest/gtest.h>

namespace {

constexpr QRgb white = 0xFFFFFFFF;
constexpr QRgb black = 0xFF000000;
constexpr QRgb red = 0xFFFF0000;
constexpr QRgb blue = 0xFF0000FF;

// A white image of w x h with view drawn at scale (and no offset).
QImage drawn(TkavView &view, double scale, int w = 240, int h = 240)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(white);
    QPainter painter(&image);
    view.Draw(&painter, scale, scale, 0, 0);
    return image;
}

QRgb at(const QImage &image, int x, int y)
{
    return image.pixel(x, y) | 0xFF000000;
}

// Counts the pixels of colour c in the rows y0..y1 and columns x0..x1.
int count(const QImage &image, QRgb c, int x0, int y0, int x1, int y1)
{
    int n = 0;
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x)
            n += at(image, x, y) == c;
    return n;
}

void setBounds(TkavView &view, double l, double t, double w, double h)
{
    view.SetLeft(l);
    view.SetTop(t);
    view.SetWidth(w);
    view.SetHeight(h);
}

class ViewsAtTwoScales : public ::testing::TestWithParam<double>
{};

TEST_P(ViewsAtTwoScales, FillAndFrameOfAPlainView)
{
    const double k = GetParam();
    TkavMemoView view;
    setBounds(view, 10, 10, 50, 30);
    view.SetColor(clRed);
    view.Frame().SetTyp(TkavFrameTypes{ftLeft, ftTop, ftRight, ftBottom});
    view.Frame().SetColor(clBlue);
    const QImage img = drawn(view, k);
    const int x = int(10 * k), y = int(10 * k), x1 = int(60 * k), y1 = int(40 * k);
    EXPECT_EQ(at(img, (x + x1) / 2, (y + y1) / 2), red);
    EXPECT_EQ(at(img, x, (y + y1) / 2), blue) << "left frame line";
    EXPECT_EQ(at(img, (x + x1) / 2, y1), blue) << "bottom frame line";
    EXPECT_EQ(at(img, x1 + 3, (y + y1) / 2), white) << "nothing right of the view";
    EXPECT_EQ(at(img, (x + x1) / 2, y - 3), white) << "nothing above the view";
}

TEST_P(ViewsAtTwoScales, ALineThatIsNotDiagonalBecomesStraight)
{
    const double k = GetParam();
    TkavLineView line;
    setBounds(line, 20, 50, 100, 5);
    line.Frame().SetColor(clBlack);
    line.SetArrowEnd(true);
    line.SetArrowSolid(true);
    const QImage img = drawn(line, k);
    // Horizontal: Height 0, drawn as the top side, the head pointing at the right end.
    EXPECT_EQ(line.Height(), 0);
    EXPECT_EQ(line.Frame().Typ(), TkavFrameTypes{ftTop});
    const int y = int(50 * k);
    EXPECT_EQ(at(img, int(60 * k), y), black);
    EXPECT_EQ(at(img, int(60 * k), y + int(4 * k) + 1), white);
    // The head is 20 long and 5 wide to each side of the line at the right end (10 back
    // from the tip it is 2.5 wide; its edges are smoothed).
    EXPECT_EQ(at(img, int(120 * k) - int(10 * k), y + int(1.5 * k)), black);
    EXPECT_EQ(at(img, int(120 * k) - int(10 * k), y + int(5 * k) + 2), white);
    EXPECT_EQ(at(img, int(20 * k) + int(10 * k), y + int(2 * k)), white) << "no head at the start";

    TkavLineView upright;
    setBounds(upright, 30, 10, 4, 100);
    upright.Frame().SetColor(clBlack);
    drawn(upright, k);
    EXPECT_EQ(upright.Width(), 0);
    EXPECT_EQ(upright.Frame().Typ(), TkavFrameTypes{ftLeft});
}

TEST_P(ViewsAtTwoScales, DiagonalLinesRunCornerToCorner)
{
    const double k = GetParam();
    TkavLineView line;
    setBounds(line, 10, 10, 100, 100);
    line.SetDiagonal(true);
    line.Frame().SetColor(clBlack);
    line.Frame().SetWidth(2);
    const QImage img = drawn(line, k);
    EXPECT_EQ(line.Width(), 100) << "diagonal lines keep their box";
    EXPECT_EQ(at(img, int(60 * k), int(60 * k)), black);
    EXPECT_EQ(at(img, int(90 * k), int(30 * k)), white);

    line.Frame().SetColor(clNone);
    const QImage none = drawn(line, k);
    EXPECT_EQ(count(none, black, 0, 0, none.width() - 1, none.height() - 1), 0);
}

TEST_P(ViewsAtTwoScales, Shapes)
{
    const double k = GetParam();
    const auto shape
        = [k](TkavShapeKind kind, const std::function<void(TkavShapeView &)> &setUp = {}) {
              TkavShapeView view;
              setBounds(view, 10, 10, 100, 80);
              view.SetShape(kind);
              view.SetColor(clRed);
              view.Frame().SetColor(clBlack);
              if (setUp)
                  setUp(view);
              return drawn(view, k);
          };
    const int x = int(10 * k), y = int(10 * k), x1 = int(110 * k), y1 = int(90 * k);
    const int cx = (x + x1) / 2, cy = (y + y1) / 2;

    const QImage rect = shape(skRectangle);
    EXPECT_EQ(at(rect, cx, cy), red);
    EXPECT_EQ(at(rect, x, cy), black);
    EXPECT_EQ(at(rect, x1, cy), black) << "the outline reaches the right edge";
    EXPECT_EQ(at(rect, x1 + 2, cy), white);

    const QImage ellipse = shape(skEllipse);
    EXPECT_EQ(at(ellipse, cx, cy), red);
    EXPECT_EQ(at(ellipse, x + 2, y + 2), white) << "corners stay outside the ellipse";

    const QImage triangle = shape(skTriangle);
    EXPECT_EQ(at(triangle, cx, y1 - 3), red);
    EXPECT_EQ(at(triangle, x + 3, y + 3), white);
    EXPECT_EQ(at(triangle, x1 - 3, y + 3), white);

    const QImage diamond = shape(skDiamond);
    EXPECT_EQ(at(diamond, cx, cy), red);
    EXPECT_EQ(at(diamond, x + 3, y + 3), white);

    const QImage diagonal = shape(skDiagonal2);
    EXPECT_EQ(at(diagonal, cx, cy), black);
    EXPECT_EQ(at(diagonal, x + 3, y1 - 3), white) << "diagonals are not filled";

    const QImage noFill = shape(skRectangle, [](TkavShapeView &v) { v.SetColor(clNone); });
    EXPECT_EQ(at(noFill, cx, cy), white);

    const QImage hatched = shape(skRectangle, [](TkavShapeView &v) { v.SetBrushStyle(bsCross); });
    const int inside = count(hatched, black, x + 4, y + 4, x1 - 4, y1 - 4);
    EXPECT_GT(inside, 0) << "the hatch in the frame colour";
    EXPECT_GT(count(hatched, red, x + 4, y + 4, x1 - 4, y1 - 4), inside) << "over the plain colour";
}

TEST_P(ViewsAtTwoScales, DoubleFramedShapesArePaintedTwice)
{
    const double k = GetParam();
    TkavShapeView view;
    setBounds(view, 10, 10, 100, 80);
    view.SetColor(clNone);
    view.Frame().SetColor(clBlack);
    view.Frame().SetStyle(fsDouble);
    const QImage img = drawn(view, k);
    const int x = int(10 * k), cy = int(50 * k);
    const int w = qMax(1, int(std::lround(k)));
    EXPECT_EQ(at(img, x, cy), black);
    EXPECT_EQ(at(img, x + 2 * w, cy), black) << "the inner copy, two frame widths inside";
    EXPECT_EQ(at(img, x + w, cy), white) << "the gap between both";
}

TEST_P(ViewsAtTwoScales, PicturesStretchKeepTheirProportionsAndCentre)
{
    const double k = GetParam();
    QImage source(200, 100, QImage::Format_RGB32);
    source.fill(blue);
    TkavPictureView view;
    view.Picture().LoadFromBytes([&] {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        source.save(&buffer, "PNG");
        return bytes;
    }());
    ASSERT_FALSE(view.Picture().IsEmpty());
    setBounds(view, 10, 10, 100, 100);
    view.SetColor(clNone);
    const int x = int(10 * k), y = int(10 * k), s = int(100 * k);

    // 200 x 100 into 100 x 100 in proportion: 100 x 50 at the top.
    QImage img = drawn(view, k);
    EXPECT_EQ(at(img, x + s / 2, y + s / 4), blue);
    EXPECT_EQ(at(img, x + s / 2, y + 3 * s / 4), white);
    // Centred: moved down by 25.
    view.SetCenter(true);
    img = drawn(view, k);
    EXPECT_EQ(at(img, x + s / 2, y + s / 8), white);
    EXPECT_EQ(at(img, x + s / 2, y + s / 2), blue);
    EXPECT_EQ(at(img, x + s / 2, y + 7 * s / 8), white);
    // Without proportions the whole box.
    view.SetKeepAspectRatio(false);
    img = drawn(view, k);
    EXPECT_EQ(at(img, x + s / 2, y + 7 * s / 8), blue);
    // At its own size, clipped to the view.
    view.SetStretched(false);
    view.SetCenter(false);
    img = drawn(view, k);
    EXPECT_EQ(at(img, x + s - 2, y + s / 4), blue);
    EXPECT_EQ(at(img, x + s + 3, y + s / 4), white) << "clipped at the view's right edge";
}

INSTANTIATE_TEST_SUITE_P(Scales, ViewsAtTwoScales, ::testing::Values(1.0, 2.0));

// While designing, a picture linked by file name shows as it will print, and nothing of it
// joins the view's own picture (it would be saved into the template).
TEST(PictureFileLink, ShownWhileDesigningNeverStored)
{
    QTemporaryDir dir;
    QImage source(20, 20, QImage::Format_RGB32);
    source.fill(blue);
    ASSERT_TRUE(source.save(dir.filePath(QStringLiteral("logo.png"))));
    TkavPictureView view;
    setBounds(view, 10, 10, 40, 40);
    view.SetColor(clNone);
    view.SetFileLink(dir.filePath(QStringLiteral("logo.png")));
    EXPECT_EQ(at(drawn(view, 1.0), 30, 30), white) << "not loaded outside the designer";
    view.SetIsDesigning(true);
    EXPECT_EQ(at(drawn(view, 1.0), 30, 30), blue);
    EXPECT_TRUE(view.Picture().IsEmpty());
    view.SetFileLink(QStringLiteral("[Path]")); // an expression names no file until the run
    EXPECT_EQ(at(drawn(view, 1.0), 30, 30), white);
}

} // namespace
