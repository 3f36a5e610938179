#pragma once

// TColor: colours as files and scripts know them. An RGB colour is 0x00BBGGRR; a system
// colour is 0xFF0000nn (nn = the system colour index, negative as a 32-bit integer);
// clNone and clDefault are special markers. Mapping system colours to the palette of the
// running desktop belongs to the GUI libraries; here they resolve to fixed defaults.

#include <QList>
#include <QString>
#include <QStringView>

#include <utility>

using TColor = qint32;

// Standard colours.
constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clLtGray = 0xC0C0C0;
constexpr TColor clDkGray = 0x808080;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clMoneyGreen = 0xC0DCC0;
constexpr TColor clSkyBlue = 0xF0CAA6;
constexpr TColor clCream = 0xF0FBFF;
constexpr TColor clMedGray = 0xA4A0A0;

// Markers.
constexpr TColor clNone = 0x1FFFFFFF;    // no colour (transparent)
constexpr TColor clDefault = 0x20000000; // the control's default colour

// System colours: the flag 0xFF000000 plus the system colour index.
constexpr TColor clSystemColor = TColor(0xFF000000u);
constexpr TColor clScrollBar = clSystemColor | 0;
constexpr TColor clBackground = clSystemColor | 1;
constexpr TColor clActiveCaption = clSystemColor | 2;
constexpr TColor clInactiveCaption = clSystemColor | 3;
constexpr TColor clMenu = clSystemColor | 4;
constexpr TColor clWindow = clSystemColor | 5;
constexpr TColor clWindowFrame = clSystemColor | 6;
constexpr TColor clMenuText = clSystemColor | 7;
constexpr TColor clWindowText = clSystemColor | 8; // -16777208
constexpr TColor clCaptionText = clSystemColor | 9;
constexpr TColor clActiveBorder = clSystemColor | 10;
constexpr TColor clInactiveBorder = clSystemColor | 11;
constexpr TColor clAppWorkSpace = clSystemColor | 12;
constexpr TColor clHighlight = clSystemColor | 13;
constexpr TColor clHighlightText = clSystemColor | 14;
constexpr TColor clBtnFace = clSystemColor | 15;
constexpr TColor clBtnShadow = clSystemColor | 16;
constexpr TColor clGrayText = clSystemColor | 17;
constexpr TColor clBtnText = clSystemColor | 18;
constexpr TColor clInactiveCaptionText = clSystemColor | 19;
constexpr TColor clBtnHighlight = clSystemColor | 20;
constexpr TColor cl3DDkShadow = clSystemColor | 21;
constexpr TColor cl3DLight = clSystemColor | 22;
constexpr TColor clInfoText = clSystemColor | 23;
constexpr TColor clInfoBk = clSystemColor | 24;
constexpr TColor clHotLight = clSystemColor | 26;
constexpr TColor clGradientActiveCaption = clSystemColor | 27;
constexpr TColor clGradientInactiveCaption = clSystemColor | 28;
constexpr TColor clMenuHighlight = clSystemColor | 29;
constexpr TColor clMenuBar = clSystemColor | 30;

// Composes and splits 0x00BBGGRR.
constexpr TColor kavRGB(int r, int g, int b)
{
    return TColor((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int kavRValue(TColor c)
{
    return c & 0xFF;
}
constexpr int kavGValue(TColor c)
{
    return (c >> 8) & 0xFF;
}
constexpr int kavBValue(TColor c)
{
    return (c >> 16) & 0xFF;
}

// True for the flagged system colours (0xFF0000nn).
constexpr bool kavIsSystemColor(TColor c)
{
    return (quint32(c) & 0xFF000000u) == 0xFF000000u;
}

// The colour's identifier ("clRed", "clBtnFace", "clNone") when it has one; false otherwise.
bool ColorToIdent(TColor color, QString &ident);
// The colour named by ident (case-insensitive; also clLtGray and clDkGray); false otherwise.
bool IdentToColor(QStringView ident, TColor &color);
// The identifier, else "$" and eight upper-case hexadecimal digits.
QString ColorToString(TColor color);
// An identifier, else an integer in decimal or "$"/"0x" hexadecimal; EConvertError otherwise.
TColor StringToColor(QStringView text);
// RGB value of a colour: system colours become their fixed default RGB (an index without
// one gives black); every other value, clNone and clDefault included, is returned as is.
TColor ColorToRGB(TColor color);

// Every colour identifier with its value, in the order colour lists show them.
const QList<std::pair<QString, TColor>> &kavColorIdents();
