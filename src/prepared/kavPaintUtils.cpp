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
    // A widget is a screen, and only complains when asked for its engine.
    if (device.devType() == QInternal::Widget)
        return false;
    const QPaintEngine *engine = device.paintEngine();
    return engine && engine->type() == QPaintEngine::Pdf;
}
