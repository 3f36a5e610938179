#pragma once

// Internals shared by the frame and fill units: difference-text attributes and aliased
// drawing in integer device pixels.

#include "kavFrames.h"

#include <prepared/kavPaintUtils.h>
#include <rtl/kavColors.h>

#include <QString>
#include <qnamespace.h>

class QBrush;
class QPainter;

namespace kavFramesPrivate {

// True when two widths or blends differ by more than the difference-text tolerance.
bool floatsDiffer(double a, double b);
// " name=\"value\"": the value as given, a decimal integer, "1"/"0", a file float, or
// XML-escaped text.
QString attr(const QString &name, const QString &value);
QString intAttr(const QString &name, qint64 value);
QString boolAttr(const QString &name, bool value);
QString floatAttr(const QString &name, double value);
QString textAttr(const QString &name, const QString &value);

// The pen style of the dashed frame styles (solid for the others, which are painted by
// hand or as solid lines).
Qt::PenStyle dashStyle(TkavFrameStyle style);
// The hatch of a brush style (no brush for solid and clear).
inline Qt::BrushStyle hatchPattern(TBrushStyle style)
{
    return style == bsSolid ? Qt::NoBrush : kavBrushPattern(style);
}
// Fills the half-open pixel ranges [x0, x1) x [y0, y1); empty ranges paint nothing.
void fillBox(QPainter &canvas, qint64 x0, qint64 y0, qint64 x1, qint64 y1, const QBrush &brush);

// A half-open pixel rectangle [x0, x1) x [y0, y1) in 64 bits: scaled boxes may exceed
// what QRect's width can hold.
struct PixelArea
{
    qint64 x0;
    qint64 y0;
    qint64 x1;
    qint64 y1;
    bool isEmpty() const { return x1 <= x0 || y1 <= y0; }
};

// The part of the box that can show on the canvas: inside the device and the clip. Work
// that would grow with the scaled size of an object is limited to this area.
PixelArea visibleArea(const QPainter &canvas, qint64 x0, qint64 y0, qint64 x1, qint64 y1);
// Everything that could be visible, for drawing without a box of its own.
PixelArea visibleArea(const QPainter &canvas);

} // namespace kavFramesPrivate
