#include "kavFont.h"

#include "kavExceptions.h"
#include "kavMath.h"
#include "kavRTTI.h"

using namespace Qt::StringLiterals;

const TkavEnumInfo &kavEnumTypeInfo(TFontPitch)
{
    static const TkavEnumInfo info(u"TFontPitch"_s,
                                   {u"fpDefault"_s, u"fpVariable"_s, u"fpFixed"_s});
    return info;
}

const TkavEnumInfo &kavEnumTypeInfo(TFontStyle)
{
    static const TkavEnumInfo info(
        u"TFontStyle"_s, {u"fsBold"_s, u"fsItalic"_s, u"fsUnderline"_s, u"fsStrikeOut"_s});
    return info;
}

const TkavSetInfo &kavSetTypeInfo(TFontStyles)
{
    static const TkavSetInfo info(u"TFontStyles"_s, kavEnumTypeInfo(TFontStyle{}));
    return info;
}

int kavFontSizeToHeight(int size)
{
    return -int(kavRound(double(size) * kavFontPixelsPerInch / 72.0));
}

int kavFontHeightToSize(int height)
{
    return -int(kavRound(double(height) * 72.0 / kavFontPixelsPerInch));
}

// Published in this order; files list Font.* attributes the same way.
const TkavClassInfo &TFont::StaticClassInfo()
{
    static const TkavClassInfo info
        = kavMakeClassInfo<TFont, TPersistent>(u"TFont"_s, [](TkavPropBuilder<TFont> &p) {
              p.Int(u"Charset"_s, &TFont::Charset, &TFont::SetCharset)
                  .TypeName(u"TFontCharset"_s)
                  .Range(0, 255)
                  .Default(kavFontDefaultCharsetValue);
              p.Int(u"Color"_s, &TFont::Color, &TFont::SetColor)
                  .TypeName(u"TColor"_s)
                  .Default(kavFontDeclaredColor);
              p.Int(u"Height"_s, &TFont::Height, &TFont::SetHeight);
              p.String(u"Name"_s, &TFont::Name, &TFont::SetName, u"TFontName"_s);
              p.Enum(u"Pitch"_s, &TFont::Pitch, &TFont::SetPitch).Default(kavFontDefaultPitch);
              p.Int(u"Size"_s, &TFont::Size, &TFont::SetSize).Stored(false);
              p.Set(u"Style"_s, &TFont::Style, &TFont::SetStyle);
          });
    return info;
}

TFont::TFont()
    : FHeight(kavFontSizeToHeight(kavFontInitialSize))
    , FName(u"Arial"_s)
{}

TFont::TFont(const TFont &other)
    : TPersistent()
    , FCharset(other.FCharset)
    , FColor(other.FColor)
    , FHeight(other.FHeight)
    , FName(other.FName)
    , FPitch(other.FPitch)
    , FStyle(other.FStyle)
{}

TFont &TFont::operator=(const TFont &other)
{
    if (this != &other && !(*this == other)) {
        FCharset = other.FCharset;
        FColor = other.FColor;
        FHeight = other.FHeight;
        FName = other.FName;
        FPitch = other.FPitch;
        FStyle = other.FStyle;
        changed();
    }
    return *this;
}

TFont::~TFont() = default;

bool TFont::operator==(const TFont &other) const
{
    return FCharset == other.FCharset && FColor == other.FColor && FHeight == other.FHeight
           && FName == other.FName && FPitch == other.FPitch && FStyle == other.FStyle;
}

void TFont::Assign(const TPersistent &source)
{
    if (const auto *font = dynamic_cast<const TFont *>(&source)) {
        *this = *font;
        return;
    }
    TPersistent::Assign(source);
}

void TFont::changed()
{
    if (FOnChange)
        FOnChange();
}

void TFont::SetCharset(TFontCharset value)
{
    if (FCharset != value) {
        FCharset = value;
        changed();
    }
}

void TFont::SetColor(TColor value)
{
    if (FColor != value) {
        FColor = value;
        changed();
    }
}

void TFont::SetHeight(int value)
{
    if (FHeight != value) {
        FHeight = value;
        changed();
    }
}

void TFont::SetName(const QString &value)
{
    // A font always has a family: an empty name (which files never store) is ignored, so
    // what is saved reads back the same.
    if (!value.isEmpty() && FName != value) {
        FName = value;
        changed();
    }
}

void TFont::SetPitch(TFontPitch value)
{
    if (FPitch != value) {
        FPitch = value;
        changed();
    }
}

void TFont::SetStyle(TFontStyles value)
{
    if (!(FStyle == value)) {
        FStyle = value;
        changed();
    }
}
