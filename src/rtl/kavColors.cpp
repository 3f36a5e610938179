#include "kavColors.h"

#include "kavCaseFold.h"
#include "kavExceptions.h"

#include <array>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

// Fixed RGB values of the system colours, by index, as a light desktop theme shows them.
constexpr std::array<TColor, 31> systemColorDefaults = {
    kavRGB(200, 200, 200), // 0 scroll bar
    kavRGB(0, 0, 0),       // 1 background
    kavRGB(153, 180, 209), // 2 active caption
    kavRGB(191, 205, 219), // 3 inactive caption
    kavRGB(240, 240, 240), // 4 menu
    kavRGB(255, 255, 255), // 5 window
    kavRGB(100, 100, 100), // 6 window frame
    kavRGB(0, 0, 0),       // 7 menu text
    kavRGB(0, 0, 0),       // 8 window text
    kavRGB(0, 0, 0),       // 9 caption text
    kavRGB(180, 180, 180), // 10 active border
    kavRGB(244, 247, 252), // 11 inactive border
    kavRGB(171, 171, 171), // 12 application workspace
    kavRGB(0, 120, 215),   // 13 highlight
    kavRGB(255, 255, 255), // 14 highlight text
    kavRGB(240, 240, 240), // 15 button face
    kavRGB(160, 160, 160), // 16 button shadow
    kavRGB(109, 109, 109), // 17 grey text
    kavRGB(0, 0, 0),       // 18 button text
    kavRGB(0, 0, 0),       // 19 inactive caption text
    kavRGB(255, 255, 255), // 20 button highlight
    kavRGB(105, 105, 105), // 21 3D dark shadow
    kavRGB(227, 227, 227), // 22 3D light
    kavRGB(0, 0, 0),       // 23 info text
    kavRGB(255, 255, 225), // 24 info background
    kavRGB(0, 0, 0),       // 25 (unused index)
    kavRGB(0, 102, 204),   // 26 hot light
    kavRGB(185, 209, 234), // 27 gradient active caption
    kavRGB(215, 228, 242), // 28 gradient inactive caption
    kavRGB(0, 120, 215),   // 29 menu highlight
    kavRGB(240, 240, 240), // 30 menu bar
};

// Aliases accepted when reading but never produced.
const QList<std::pair<QString, TColor>> &colorAliases()
{
    static const QList<std::pair<QString, TColor>> aliases = {
        {u"clLtGray"_s, clLtGray},
        {u"clDkGray"_s, clDkGray},
    };
    return aliases;
}

bool parseInteger(QStringView text, qint64 &value)
{
    QStringView s = text.trimmed();
    bool negative = false;
    if (s.startsWith(u'-') || s.startsWith(u'+')) {
        negative = s.startsWith(u'-');
        s = s.mid(1);
    }
    bool ok = false;
    if (s.startsWith(u'$'))
        value = s.mid(1).toLongLong(&ok, 16);
    else if (s.startsWith(u"0x", Qt::CaseInsensitive))
        value = s.mid(2).toLongLong(&ok, 16);
    else if (!s.isEmpty() && s.front().isDigit())
        value = s.toLongLong(&ok, 10);
    if (negative)
        value = -value;
    return ok;
}

} // namespace

const QList<std::pair<QString, TColor>> &kavColorIdents()
{
    static const QList<std::pair<QString, TColor>> idents = {
        {u"clBlack"_s, clBlack},
        {u"clMaroon"_s, clMaroon},
        {u"clGreen"_s, clGreen},
        {u"clOlive"_s, clOlive},
        {u"clNavy"_s, clNavy},
        {u"clPurple"_s, clPurple},
        {u"clTeal"_s, clTeal},
        {u"clGray"_s, clGray},
        {u"clSilver"_s, clSilver},
        {u"clRed"_s, clRed},
        {u"clLime"_s, clLime},
        {u"clYellow"_s, clYellow},
        {u"clBlue"_s, clBlue},
        {u"clFuchsia"_s, clFuchsia},
        {u"clAqua"_s, clAqua},
        {u"clWhite"_s, clWhite},
        {u"clMoneyGreen"_s, clMoneyGreen},
        {u"clSkyBlue"_s, clSkyBlue},
        {u"clCream"_s, clCream},
        {u"clMedGray"_s, clMedGray},
        {u"clActiveBorder"_s, clActiveBorder},
        {u"clActiveCaption"_s, clActiveCaption},
        {u"clAppWorkSpace"_s, clAppWorkSpace},
        {u"clBackground"_s, clBackground},
        {u"clBtnFace"_s, clBtnFace},
        {u"clBtnHighlight"_s, clBtnHighlight},
        {u"clBtnShadow"_s, clBtnShadow},
        {u"clBtnText"_s, clBtnText},
        {u"clCaptionText"_s, clCaptionText},
        {u"clDefault"_s, clDefault},
        {u"clGradientActiveCaption"_s, clGradientActiveCaption},
        {u"clGradientInactiveCaption"_s, clGradientInactiveCaption},
        {u"clGrayText"_s, clGrayText},
        {u"clHighlight"_s, clHighlight},
        {u"clHighlightText"_s, clHighlightText},
        {u"clHotLight"_s, clHotLight},
        {u"clInactiveBorder"_s, clInactiveBorder},
        {u"clInactiveCaption"_s, clInactiveCaption},
        {u"clInactiveCaptionText"_s, clInactiveCaptionText},
        {u"clInfoBk"_s, clInfoBk},
        {u"clInfoText"_s, clInfoText},
        {u"clMenu"_s, clMenu},
        {u"clMenuBar"_s, clMenuBar},
        {u"clMenuHighlight"_s, clMenuHighlight},
        {u"clMenuText"_s, clMenuText},
        {u"clNone"_s, clNone},
        {u"clScrollBar"_s, clScrollBar},
        {u"cl3DDkShadow"_s, cl3DDkShadow},
        {u"cl3DLight"_s, cl3DLight},
        {u"clWindow"_s, clWindow},
        {u"clWindowFrame"_s, clWindowFrame},
        {u"clWindowText"_s, clWindowText},
    };
    return idents;
}

bool ColorToIdent(TColor color, QString &ident)
{
    for (const auto &[name, value] : kavColorIdents()) {
        if (value == color) {
            ident = name;
            return true;
        }
    }
    return false;
}

bool IdentToColor(QStringView ident, TColor &color)
{
    for (const auto *list : {&kavColorIdents(), &colorAliases()}) {
        for (const auto &[name, value] : *list) {
            if (kavSameText(name, ident)) {
                color = value;
                return true;
            }
        }
    }
    return false;
}

QString ColorToString(TColor color)
{
    QString ident;
    if (ColorToIdent(color, ident))
        return ident;
    return u'$' + QString::number(quint32(color), 16).toUpper().rightJustified(8, u'0');
}

TColor StringToColor(QStringView text)
{
    TColor color = 0;
    if (IdentToColor(text.trimmed(), color))
        return color;
    qint64 value = 0;
    // Colours are 32-bit: accept the signed and the unsigned reading of the same bits.
    if (!parseInteger(text, value) || value < std::numeric_limits<qint32>::min()
        || value > std::numeric_limits<quint32>::max())
        throw EConvertError(u"'%1' is not a valid integer value"_s.arg(text.toString()));
    return TColor(quint32(value));
}

TColor ColorToRGB(TColor color)
{
    if (color >= 0)
        return color;
    // Every negative value is read as a system colour by its low byte.
    const quint32 index = quint32(color) & 0xFF;
    if (index < systemColorDefaults.size())
        return systemColorDefaults[index];
    return clBlack;
}
