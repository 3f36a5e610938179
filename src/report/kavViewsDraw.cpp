// Drawing of lines and shapes.
#include "kavFrames_p.h"
#include "kavViews.h"
#include "kavViews_p.h"

#include <rtl/kavMath.h>

#include <QPainter>
#include <QPolygonF>

#include <cmath>

using namespace kavFramesPrivate;
using namespace kavViewsPrivate;

namespace {

// A pen in a frame's colour and style; double lines draw as solid ones.
QPen framePen(TColor color, int width, TkavFrameStyle style)
{
    QPen pen(kavColorToQColor(color), qMax(1, width), dashStyle(style), Qt::FlatCap, Qt::MiterJoin);
    if (style == fsAltDot || style == fsSquare)
        pen.setStyle(Qt::DotLine);
    return pen;
}

// The arrow head with its tip at tip for a line coming from start: a triangle whose base
// is perpendicular to the line at length from the tip, halfWidth to each side. A line
// spanning at most 8 pixels across is taken as vertical.
QPolygonF arrowHead(QPointF tip, QPointF start, double length, double halfWidth)
{
    QPointF d = tip - start;
    if (std::abs(d.x()) <= 8)
        d = QPointF(0, d.y() < 0 ? -1 : 1);
    const double norm = std::hypot(d.x(), d.y());
    if (norm > 0)
        d /= norm;
    const QPointF base = tip - d * length;
    const QPointF across(-d.y() * halfWidth, d.x() * halfWidth);
    return QPolygonF({tip, base + across, base - across});
}

} // namespace

// ---------------------------------------------------------------------------------------
// Lines

void TkavCustomLineView::Draw(
    QPainter *Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY)
{
    if (!Canvas)
        return;
    if (!FDiagonal) {
        if (Width() <= Height()) {
            SetWidth(0);
            Frame().SetTyp(TkavFrameTypes{ftLeft});
        } else {
            SetHeight(0);
            Frame().SetTyp(TkavFrameTypes{ftTop});
        }
    }
    BeginDraw(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
    const TkavFrame &frame = Frame();
    if (frame.Color() == clNone || frame.Width() <= 0)
        return;
    Canvas->save();
    Canvas->setRenderHint(QPainter::Antialiasing, false);
    if (FDiagonal) {
        Canvas->setPen(framePen(frame.Color(), FFrameWidth, frame.Style()));
        Canvas->drawLine(FX, FY, FX1, FY1);
    } else {
        DrawFrame();
    }
    if (FArrowStart || FArrowEnd) {
        // Solid heads take the line's Color, the frame colour when it has none.
        const TColor fill = FColor != clNone ? FColor : frame.Color();
        const double length = FArrowLength * ScaleX;
        const double halfWidth = FArrowWidth * ScaleX;
        const QPointF a(FX, FY), b(FX1, FY1);
        Canvas->setRenderHint(QPainter::Antialiasing, true);
        for (const auto &[on, tip, start] :
             {std::tuple{FArrowStart, a, b}, std::tuple{FArrowEnd, b, a}}) {
            if (!on)
                continue;
            const QPolygonF head = arrowHead(tip, start, length, halfWidth);
            if (FArrowSolid) {
                Canvas->setPen(QPen(kavColorToQColor(frame.Color()), 1));
                Canvas->setBrush(kavColorToQColor(fill));
                Canvas->drawPolygon(head);
            } else {
                Canvas->setPen(QPen(kavColorToQColor(frame.Color()),
                                    qMax(1, FFrameWidth),
                                    Qt::SolidLine,
                                    Qt::RoundCap));
                Canvas->drawLine(head[0], head[1]);
                Canvas->drawLine(head[0], head[2]);
            }
        }
    }
    Canvas->restore();
}

// ---------------------------------------------------------------------------------------
// Shapes

namespace {

// Paints kind in the box whose outline runs through pixels x..x1 and y..y1, with the
// painter's pen and brush.
void paintShape(QPainter &canvas, TkavShapeKind kind, int x, int y, int x1, int y1, int curve)
{
    const int dx = x1 - x, dy = y1 - y;
    const QRectF box(x, y, dx, dy);
    switch (kind) {
    case skRectangle:
        canvas.drawRect(box);
        break;
    case skRoundRectangle: {
        const int corner = curve != 0 ? curve : qMin(dx, dy) / 4;
        canvas.drawRoundedRect(box, corner / 2.0, corner / 2.0);
        break;
    }
    case skEllipse:
        canvas.drawEllipse(box);
        break;
    case skTriangle:
        canvas.drawPolygon(QPolygon({QPoint(x1, y1), QPoint(x, y1), QPoint(x + dx / 2, y)}));
        break;
    case skDiamond:
        canvas.drawPolygon(QPolygon({QPoint(x + dx / 2, y),
                                     QPoint(x1, y + dy / 2),
                                     QPoint(x + dx / 2, y1),
                                     QPoint(x, y + dy / 2)}));
        break;
    case skDiagonal1:
        canvas.drawLine(x, y1, x1, y);
        break;
    case skDiagonal2:
        canvas.drawLine(x, y, x1, y1);
        break;
    }
}

// How far fsDouble's inner copy of a shape lies inside, in frame widths.
int doubleInset(TkavShapeKind kind)
{
    switch (kind) {
    case skTriangle:
        return 4;
    case skDiamond:
        return 3;
    default:
        return 2;
    }
}

} // namespace

void TkavShapeView::Draw(
    QPainter *Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY)
{
    if (!Canvas)
        return;
    BeginDraw(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
    const TkavFrame &frame = Frame();
    const TColor color = Color();
    const Qt::BrushStyle hatch = hatchPattern(BrushStyle());
    const int curve = FCurve != 0 ? roundEven(FCurve * ScaleX * 10) : 0;
    Canvas->save();
    Canvas->setRenderHint(QPainter::Antialiasing, false);
    const QPen pen = frame.Color() == clNone ? QPen(Qt::NoPen)
                                             : framePen(frame.Color(), FFrameWidth, frame.Style());
    // A hatch paints over the plain colour in the frame colour.
    Canvas->setPen(pen);
    Canvas->setBrush(color == clNone ? QBrush(Qt::NoBrush) : QBrush(kavColorToQColor(color)));
    paintShape(*Canvas, FShape, FX, FY, FX1, FY1, curve);
    if (hatch != Qt::NoBrush && frame.Color() != clNone) {
        Canvas->setBrush(QBrush(kavColorToQColor(frame.Color()), hatch));
        paintShape(*Canvas, FShape, FX, FY, FX1, FY1, curve);
    }
    if (frame.Style() == fsDouble && FFrameWidth > 0) {
        // The inner copy has no fill of its own: the outer one filled the whole shape.
        Canvas->setBrush(Qt::NoBrush);
        const int inset = doubleInset(FShape) * FFrameWidth;
        if (2 * inset < qMin(FDX, FDY))
            paintShape(*Canvas, FShape, FX + inset, FY + inset, FX1 - inset, FY1 - inset, curve);
    }
    Canvas->restore();
}
