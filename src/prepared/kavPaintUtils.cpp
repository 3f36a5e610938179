#include "kavPaintUtils.h"

#include <QPaintDevice>
#include <QPaintEngine>

QColor kavColorToQColor(TColor color)
{
    if (color == clNone)
        return QColor(Qt::transparent);
    const TColor rgb = ColorToRGB(color);
    return QColor(kavRValue(rgb), kavGValue(rgb), kavBValue(rgb));
}

bool kavIsPrinterDevice(const QPaintDevice &device)
{
    // Printers say so by their device type; PDF writers only by their paint engine.
    if (device.devType() == QInternal::Printer)
        return true;
    if (device.devType() == QInternal::Widget)
        return false; // a widget's own engine may not be asked for while it paints
    const QPaintEngine *engine = device.paintEngine();
    return engine && engine->type() == QPaintEngine::Pdf;
}
