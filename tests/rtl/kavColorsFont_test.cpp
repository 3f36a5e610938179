// Colour values and identifiers, system colour defaults, and the font value with its
// published-property table.

#include <rtl/kavColors.h>
#include <rtl/kavFont.h>
#include <rtl/kavRTTI.h>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// ---------------------------------------------------------------------------------------
// Colours

TEST(Colors, FlaggedValuesAreTheFileValues)
{
    // Files store these decimal numbers; they must not drift.
    EXPECT_EQ(clWindowText, -16777208);
    EXPECT_EQ(clBtnFace, -16777201);
    EXPECT_EQ(clWindow, -16777211);
    EXPECT_EQ(clNone, 536870911);
    EXPECT_EQ(clDefault, 536870912);
    EXPECT_EQ(clBlue, 0xFF0000);
    EXPECT_EQ(kavRGB(0x12, 0x34, 0x56), 0x563412);
    EXPECT_EQ(kavRValue(0x563412), 0x12);
    EXPECT_EQ(kavGValue(0x563412), 0x34);
    EXPECT_EQ(kavBValue(0x563412), 0x56);
    EXPECT_TRUE(kavIsSystemColor(clBtnFace));
    EXPECT_FALSE(kavIsSystemColor(clNone));
    EXPECT_FALSE(kavIsSystemColor(clWhite));
}

TEST(Colors, IdentsBothWays)
{
    struct Row
    {
        TColor color;
        const char16_t *ident;
    };
    const Row rows[] = {
        {clBlack, u"clBlack"},
        {clRed, u"clRed"},
        {clBlue, u"clBlue"},
        {clWhite, u"clWhite"},
        {clSilver, u"clSilver"},
        {clMedGray, u"clMedGray"},
        {clBtnFace, u"clBtnFace"},
        {clWindow, u"clWindow"},
        {clWindowText, u"clWindowText"},
        {clInfoBk, u"clInfoBk"},
        {clMenuBar, u"clMenuBar"},
        {cl3DDkShadow, u"cl3DDkShadow"},
        {clNone, u"clNone"},
        {clDefault, u"clDefault"},
    };
    for (const Row &row : rows) {
        const QString ident = QString::fromUtf16(row.ident);
        QString got;
        EXPECT_TRUE(ColorToIdent(row.color, got)) << ident.toStdString();
        EXPECT_EQ(got, ident);
        TColor back = 0;
        EXPECT_TRUE(IdentToColor(ident.toUpper(), back)) << ident.toStdString();
        EXPECT_EQ(back, row.color);
    }
    // Every listed ident reads back to its own value.
    for (const auto &[name, value] : kavColorIdents()) {
        TColor back = 0;
        EXPECT_TRUE(IdentToColor(name, back));
        EXPECT_EQ(back, value) << name.toStdString();
    }
    QString none;
    EXPECT_FALSE(ColorToIdent(0x123456, none));
    TColor unchanged = 7;
    EXPECT_FALSE(IdentToColor(u"clNothing", unchanged));
    EXPECT_EQ(unchanged, 7);
    // Aliases read, but the main name is written.
    TColor alias = 0;
    EXPECT_TRUE(IdentToColor(u"clLtGray", alias));
    EXPECT_EQ(ColorToString(alias), u"clSilver"_s);
}

TEST(Colors, StringForms)
{
    EXPECT_EQ(ColorToString(0x123456), u"$00123456"_s);
    EXPECT_EQ(ColorToString(TColor(0xFF000063u)), u"$FF000063"_s);
    EXPECT_EQ(ColorToString(clBtnFace), u"clBtnFace"_s);
    struct Row
    {
        const char16_t *text;
        TColor expected;
    };
    const Row rows[] = {
        {u"clred", clRed},
        {u"255", 255},
        {u"$00FF0000", clBlue},
        {u"-16777208", clWindowText},
        {u"0xff", 255},
        {u" 536870911 ", clNone},
        {u"4278190095", clBtnFace},
        {u"$00123456", 0x123456},
    };
    for (const Row &row : rows)
        EXPECT_EQ(StringToColor(QStringView(row.text)), row.expected)
            << QString::fromUtf16(row.text).toStdString();
    for (const char16_t *bad : {u"", u"red", u"$", u"12x", u"4294967296"})
        EXPECT_THROW(StringToColor(QStringView(bad)), EConvertError)
            << QString::fromUtf16(bad).toStdString();
}

TEST(Colors, SystemColorsResolveToFixedRGB)
{
    struct Row
    {
        TColor color;
        TColor rgb;
    };
    const Row rows[] = {
        {clBtnFace, kavRGB(240, 240, 240)},
        {clWindow, kavRGB(255, 255, 255)},
        {clWindowText, clBlack},
        {clHighlight, kavRGB(0, 120, 215)},
        {clInfoBk, kavRGB(255, 255, 225)},
        {clSystemColor | 99, clBlack},
        // Plain colours and the markers pass through unchanged.
        {clRed, clRed},
        {0x00123456, 0x00123456},
        {clNone, clNone},
        {clDefault, clDefault},
    };
    for (const Row &row : rows)
        EXPECT_EQ(ColorToRGB(row.color), row.rgb) << ColorToString(row.color).toStdString();
}

// ---------------------------------------------------------------------------------------
// Fonts

TEST(Font, HeightFromSize)
{
    // Height = -round(Size * 96 / 72).
    const std::pair<int, int> rows[]
        = {{10, -13}, {12, -16}, {8, -11}, {9, -12}, {11, -15}, {72, -96}, {0, 0}};
    for (const auto &[size, height] : rows) {
        EXPECT_EQ(kavFontSizeToHeight(size), height) << size;
        TFont font;
        font.SetSize(size);
        EXPECT_EQ(font.Height(), height);
        EXPECT_EQ(font.Size(), size);
    }
    // Back from Height: halves go to the even size (-14 px is 10.5 pt, -18 px is 13.5 pt).
    EXPECT_EQ(kavFontHeightToSize(-14), 10);
    EXPECT_EQ(kavFontHeightToSize(-18), 14);
    EXPECT_EQ(kavFontHeightToSize(-13), 10);
    for (int size = 1; size <= 200; ++size)
        EXPECT_EQ(kavFontHeightToSize(kavFontSizeToHeight(size)), size);
}

TEST(Font, InitialValue)
{
    const TFont font;
    EXPECT_EQ(font.Name(), u"Arial"_s);
    EXPECT_EQ(font.Size(), 10);
    EXPECT_EQ(font.Height(), -13);
    EXPECT_EQ(font.Color(), clBlack);
    EXPECT_EQ(font.Charset(), 1);
    EXPECT_EQ(font.Pitch(), fpDefault);
    EXPECT_TRUE(font.Style().IsEmpty());
    EXPECT_EQ(font.ClassName(), u"TFont"_s);
}

TEST(Font, EqualityCopyAndChangeNotification)
{
    TFont a;
    int changes = 0;
    a.SetOnChange([&changes] { ++changes; });
    a.SetName(u"Arial"_s); // unchanged: no notification
    a.SetSize(10);
    EXPECT_EQ(changes, 0);
    a.SetStyle(TFontStyles{fsBold, fsUnderline});
    a.SetColor(clRed);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(a.Style().Mask(), 5u);

    TFont b(a);
    EXPECT_TRUE(b == a);
    EXPECT_FALSE(b.OnChange()); // the owner's callback stays with the owner
    b.SetPitch(fpFixed);
    EXPECT_FALSE(b == a);

    a.Assign(b);
    EXPECT_TRUE(a == b);
    EXPECT_EQ(changes, 3); // one notification for the whole copy
    a = b;
    EXPECT_EQ(changes, 3);
    EXPECT_THROW(a.Assign(TPersistent()), EConvertError);
}

TEST(Font, PublishedTable)
{
    struct Row
    {
        const char16_t *name;
        TkavPropKind kind;
        const char16_t *typeName;
        bool hasDefault;
        qint64 defaultValue;
        TkavStoredRule stored;
    };
    const Row rows[] = {
        {u"Charset", pkInteger, u"TFontCharset", true, 1, srAlways},
        {u"Color", pkInteger, u"TColor", true, clWindowText, srAlways},
        {u"Height", pkInteger, u"Integer", false, 0, srAlways},
        {u"Name", pkString, u"TFontName", false, 0, srAlways},
        {u"Pitch", pkEnumeration, u"TFontPitch", true, fpDefault, srAlways},
        {u"Size", pkInteger, u"Integer", false, 0, srNever},
        {u"Style", pkSet, u"TFontStyles", false, 0, srAlways},
    };
    const QList<const TkavPropInfo *> &props = TFont::StaticClassInfo().Props();
    ASSERT_EQ(props.size(), qsizetype(std::size(rows)));
    for (qsizetype i = 0; i < props.size(); ++i) {
        const Row &row = rows[i];
        const TkavPropInfo &p = *props[i];
        SCOPED_TRACE(QString::fromUtf16(row.name).toStdString());
        EXPECT_EQ(p.Name(), QString::fromUtf16(row.name));
        EXPECT_EQ(p.Kind(), row.kind);
        EXPECT_EQ(p.TypeName(), QString::fromUtf16(row.typeName));
        EXPECT_EQ(p.HasDefault(), row.hasDefault);
        if (row.hasDefault) {
            EXPECT_EQ(p.Default(), row.defaultValue);
        }
        EXPECT_EQ(p.StoredRule(), row.stored);
        EXPECT_FALSE(p.IsReadOnly());
    }
    EXPECT_EQ(props[6]->SetInfo()->ElementType().Names(),
              (QStringList{u"fsBold"_s, u"fsItalic"_s, u"fsUnderline"_s, u"fsStrikeOut"_s}));
}

TEST(Font, TextAccessThroughTheRegistry)
{
    TFont font;
    int changes = 0;
    font.SetOnChange([&changes] { ++changes; });
    kavSetPropText(font, u"Style", u"3"_s);
    kavSetPropText(font, u"Pitch", u"fpVariable"_s);
    kavSetPropText(font, u"Color", u"-16777208"_s);
    kavSetPropText(font, u"Size", u"12"_s); // not stored, but settable
    EXPECT_EQ(font.Style(), (TFontStyles{fsBold, fsItalic}));
    EXPECT_EQ(font.Pitch(), fpVariable);
    EXPECT_EQ(font.Color(), clWindowText);
    EXPECT_EQ(font.Height(), -16);
    EXPECT_EQ(changes, 4);
    EXPECT_EQ(kavGetPropText(font, u"Height"), u"-16"_s);
    EXPECT_EQ(kavGetPropText(font, u"Style"), u"3"_s);
    // Character sets are bytes; style masks have four bits.
    EXPECT_THROW(kavSetPropText(font, u"Charset", u"256"_s), EPropertyError);
    EXPECT_THROW(kavSetPropText(font, u"Style", u"16"_s), EPropertyError);
    EXPECT_EQ(font.Charset(), 1);
    EXPECT_EQ(font.Style().Mask(), 3u);
}

} // namespace
