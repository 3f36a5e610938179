#pragma once

// TFont: the font value that report objects own and files store (Font.Name, Font.Height
// ...). Pure data at 96 pixels per inch; drawing code turns it into a QFont. Owners
// follow its changes through OnChange.

#include "kavColors.h"
#include "kavObject.h"
#include "kavSet.h"

#include <QString>

#include <functional>
#include <utility>

class TkavEnumInfo;
class TkavSetInfo;

// ORDER persisted: files store the ordinal.
enum TFontPitch : int {
    fpDefault,
    fpVariable,
    fpFixed
};

// ORDER persisted: Font.Style is the bit mask (1 bold, 2 italic, 4 underline, 8 strike-out).
enum TFontStyle : int {
    fsBold,
    fsItalic,
    fsUnderline,
    fsStrikeOut
};
using TFontStyles = TkavSet<TFontStyle>;
using TFontCharset = quint8;

const TkavEnumInfo &kavEnumTypeInfo(TFontPitch);
const TkavEnumInfo &kavEnumTypeInfo(TFontStyle);
const TkavSetInfo &kavSetTypeInfo(TFontStyles);

// Pixels per inch of every font (report pixels are 1/96 inch).
inline constexpr int kavFontPixelsPerInch = 96;

// Initial values of a new font (report objects' fonts) and the declared defaults the
// file writer compares against: one constant each, used by both.
inline constexpr TFontCharset kavFontDefaultCharsetValue = 1; // DEFAULT_CHARSET
inline constexpr TColor kavFontInitialColor = clBlack;
inline constexpr TColor kavFontDeclaredColor = clWindowText;
inline constexpr int kavFontInitialSize = 10;
inline constexpr TFontPitch kavFontDefaultPitch = fpDefault;

// Height in pixels (negative: character height without internal leading) for a size in
// points, and back: Height = -round(Size * 96 / 72), Size = -round(Height * 72 / 96),
// halves to even.
int kavFontSizeToHeight(int size);
int kavFontHeightToSize(int height);

class TFont : public TPersistent
{
public:
    KAV_CLASSINFO

    // "Arial", 10 pt (Height -13), black, character set 1, default pitch, no style.
    TFont();
    // Copies the value; the change callback stays with its owner and is not copied.
    TFont(const TFont &other);
    TFont &operator=(const TFont &other);
    ~TFont() override;

    // Same value in every stored attribute (Size follows Height).
    bool operator==(const TFont &other) const;

    // Copies another font's value (one change notification); other sources raise
    // EConvertError.
    void Assign(const TPersistent &source) override;

    TFontCharset Charset() const { return FCharset; }
    void SetCharset(TFontCharset value);
    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    int Height() const { return FHeight; }
    void SetHeight(int value);
    const QString &Name() const { return FName; }
    void SetName(const QString &value); // an empty name is ignored
    TFontPitch Pitch() const { return FPitch; }
    void SetPitch(TFontPitch value);
    int Size() const { return kavFontHeightToSize(FHeight); }
    void SetSize(int value) { SetHeight(kavFontSizeToHeight(value)); }
    TFontStyles Style() const { return FStyle; }
    void SetStyle(TFontStyles value);

    // Called after every change of the value (not when a setter leaves it as it was).
    const std::function<void()> &OnChange() const { return FOnChange; }
    void SetOnChange(std::function<void()> handler) { FOnChange = std::move(handler); }

private:
    void changed();

    std::function<void()> FOnChange;

    TFontCharset FCharset = kavFontDefaultCharsetValue;
    TColor FColor = kavFontInitialColor;
    int FHeight;
    QString FName;
    TFontPitch FPitch = kavFontDefaultPitch;
    TFontStyles FStyle;
};
