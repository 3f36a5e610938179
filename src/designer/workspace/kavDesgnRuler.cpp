// TkavRuler: painting the scale and starting guide drags.

#include "kavDesgnRuler.h"

#include "kavDesgnWorkspaceWidget.h"

#include <report/kavBands.h>

#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

constexpr int rulerThickness = 20;

} // namespace

TkavRuler::TkavRuler(Qt::Orientation orientation, QWidget *parent)
    : QWidget(parent)
    , FOrientation(orientation)
{
    setObjectName(orientation == Qt::Horizontal ? u"HRuler"_s : u"VRuler"_s);
    setMouseTracking(true);
    if (orientation == Qt::Horizontal)
        setFixedHeight(rulerThickness);
    else
        setFixedWidth(rulerThickness);
}

QSize TkavRuler::sizeHint() const
{
    return FOrientation == Qt::Horizontal ? QSize(FSize, rulerThickness) : QSize(rulerThickness, FSize);
}

double TkavRuler::UnitPixels(TkavRulerUnits units)
{
    switch (units) {
    case ruCM:
        return 37.7953;
    case ruInches:
        return 96;
    case ruChars:
        return kavDMPCharWidth;
    case ruPixels:
        break;
    }
    return 100;
}

void TkavRuler::SetOffset(double Value)
{
    FOffset = Value;
    update();
}

void TkavRuler::SetScale(double Value)
{
    FScale = Value > 0 ? Value : 1;
    update();
}

void TkavRuler::SetStart(double Value)
{
    FStart = Value;
    update();
}

void TkavRuler::SetUnits(TkavRulerUnits Value)
{
    FUnits = Value;
    update();
}

void TkavRuler::SetPosition(int Value)
{
    FPosition = Value;
    update();
}

void TkavRuler::SetSize(int Value)
{
    FSize = Value;
    updateGeometry();
    update();
}

// Labelled ticks every unit (every ten for pixels and characters), halves and tenths
// between them when there is room.
void TkavRuler::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Button));
    const bool horizontal = FOrientation == Qt::Horizontal;
    const int length = horizontal ? width() : height();
    const int thick = horizontal ? height() : width();
    double unit = UnitPixels(FUnits) * FScale;
    int label = 1;
    while (unit * label < 30)
        label *= FUnits == ruCM || FUnits == ruInches ? 2 : 5;
    if (FUnits == ruChars && FOrientation == Qt::Vertical)
        unit = kavDMPCharHeight * FScale;
    QFont f = font();
    f.setPixelSize(9);
    p.setFont(f);
    p.setPen(palette().color(QPalette::ButtonText));
    const double origin = FOffset + FStart * FScale;
    const int first = int(std::floor(-origin / unit)) - 1;
    const int last = int(std::ceil((length - origin) / unit)) + 1;
    for (int i = first; i <= last; ++i) {
        const double at = origin + i * unit;
        const bool labelled = i % label == 0;
        const int tick = labelled ? thick / 2 : (unit >= 8 ? thick / 4 : 0);
        if (tick == 0)
            continue;
        if (horizontal)
            p.drawLine(QPointF(at, thick - tick), QPointF(at, thick));
        else
            p.drawLine(QPointF(thick - tick, at), QPointF(thick, at));
        if (labelled && i != 0) {
            const QString text = QString::number(std::abs(i));
            if (horizontal) {
                p.drawText(QRectF(at + 2, 0, 30, thick / 2.0 + 2), Qt::AlignLeft | Qt::AlignVCenter, text);
            } else {
                p.save();
                p.translate(2, at + 2);
                p.drawText(QRectF(0, 0, thick / 2.0, 30), Qt::AlignLeft | Qt::AlignTop, text);
                p.restore();
            }
        }
    }
    if (FPosition >= 0) {
        p.setPen(Qt::red);
        if (horizontal)
            p.drawLine(FPosition, 0, FPosition, thick);
        else
            p.drawLine(0, FPosition, thick, FPosition);
    }
    p.setPen(palette().color(QPalette::Dark));
    if (horizontal)
        p.drawLine(0, thick - 1, length, thick - 1);
    else
        p.drawLine(thick - 1, 0, thick - 1, length);
}

void TkavRuler::mousePressEvent(QMouseEvent *event)
{
    FPressed = event->position().toPoint();
    FDragging = event->button() == Qt::LeftButton;
}

// A drag out of the ruler carries a guide: "v" from the left ruler, "h" from the top one.
void TkavRuler::mouseMoveEvent(QMouseEvent *event)
{
    if (!FDragging || !(event->buttons() & Qt::LeftButton)
        || (event->position().toPoint() - FPressed).manhattanLength() < QApplication::startDragDistance())
        return;
    FDragging = false;
    auto *drag = new QDrag(this);
    auto *mime = new QMimeData;
    mime->setData(kavGuideMime, FOrientation == Qt::Vertical ? "v" : "h");
    drag->setMimeData(mime);
    drag->exec(Qt::CopyAction);
}
