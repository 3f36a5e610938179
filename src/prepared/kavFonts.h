#pragma once

// Qt fonts for report font values: the report's font names (mostly Windows families)
// resolve to installed metric-compatible families, so that text measures the same on
// every machine that has the Liberation (else DejaVu) fonts.

#include <rtl/kavFont.h>

#include <QFont>
#include <QString>

// The installed family that stands in for name: "Arial", "Helvetica", "Tahoma",
// "Verdana", "MS Sans Serif", "Segoe UI" ... -> Liberation Sans; "Times New Roman" ...
// -> Liberation Serif; "Courier New", "Courier" ... -> Liberation Mono; DejaVu when
// Liberation is missing. An installed family not in the table, or an unknown name, is
// returned as is (fontconfig then picks its own fallback).
QString kavSubstituteFontFamily(const QString &name);

// The Qt font of a font value at its own size (pixel size = the value's character height
// in report pixels), with style and the substituted family; hinting is off so that
// advances scale linearly with the size.
QFont kavToQFont(const TFont &font);
// The same with an explicit pixel size (target device pixels).
QFont kavToQFont(const TFont &font, int pixelSize);
// A Qt font from the parts the text engine keeps per character.
QFont kavToQFont(const QString &name, TFontStyles style, int pixelSize);
