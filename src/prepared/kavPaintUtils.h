#pragma once

// Painting helpers shared by everything that draws: the device colour of a colour value
// and whether a paint device is a printer.

#include <rtl/kavColors.h>

#include <QColor>

class QPaintDevice;

// The RGB colour of a colour value (0x00BBGGRR, system colours at their fixed defaults);
// clNone gives a transparent colour.
QColor kavColorToQColor(TColor color);

// True for printers and PDF writers: they get the printer's resolution and smooth
// picture resampling.
bool kavIsPrinterDevice(const QPaintDevice &device);
