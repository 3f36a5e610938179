// Measuring: fixed advances, Qt advances at 600 dpi with their cache, family
// substitution and the colour mapping the text engine paints with.

#include <prepared/kavFonts.h>
#include <prepared/kavPaintUtils.h>
#include <prepared/kavTextMeasure.h>

#include <QFontDatabase>
#include <QFontInfo>

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

namespace {

std::vector<int> measure(TkavTextMeasurer &m, const QString &text, int size = 12, TFontStyles style = {})
{
    std::vector<int> out(size_t(text.size()), -1);
    m.MeasureRun(QStringLiteral("Arial"), size, style, text, out);
    return out;
}

int total(const std::vector<int> &v)
{
    return std::accumulate(v.begin(), v.end(), 0);
}

bool installed(const QString &family)
{
    return QFontDatabase::families().contains(family, Qt::CaseInsensitive);
}

} // namespace

TEST(TextMeasure, InternalFontHeightRoundsHalvesToEven)
{
    struct Row { int size; int height; };
    // 600 / 72 = 8.333...: 9 pt -> 75, 3 pt -> 25, 10 pt -> 83.33 -> 83, 12 pt -> 100.
    const Row rows[] = {{12, 100}, {10, 83}, {9, 75}, {3, 25}, {1, 8}, {0, 0}};
    for (const Row &r : rows)
        EXPECT_EQ(kavTextInternalFontHeight(r.size), r.height) << r.size;
}

TEST(TextMeasure, FixedAdvances)
{
    struct Row {
        const char *name;
        QString text;
        int size;
        TFontStyles style;
        std::vector<int> expected;
    };
    const Row rows[] = {
        {"plain", QStringLiteral("ab c"), 12, {}, {50, 50, 30, 50}},
        {"bold adds its extra", QStringLiteral("ab"), 12, {fsBold}, {60, 60}},
        // 8 pt: 50 * 8 / 12 = 33.33 per character, rounded on the running sum.
        {"scaled sizes round on the sum", QStringLiteral("aaa"), 8, {}, {33, 34, 33}},
        {"surrogate pair", QString::fromUtf16(u"x\U0001F600"), 12, {}, {50, 50, 0}},
    };
    TkavFixedTextMeasurer m(50, 30, 10);
    for (const Row &r : rows)
        EXPECT_EQ(measure(m, r.text, r.size, r.style), r.expected) << r.name;
    EXPECT_EQ(m.Calls(), 4);
}

TEST(TextMeasure, QtAdvancesAreProportionalAndCached)
{
    TkavQtTextMeasurer m;
    const std::vector<int> narrowWide = measure(m, QStringLiteral("iW"));
    EXPECT_GT(narrowWide[1], narrowWide[0]);
    EXPECT_GT(narrowWide[0], 0);
    // Every distinct character is measured once per font.
    EXPECT_EQ(m.CacheMisses(), 2);
    measure(m, QStringLiteral("WiWiiW"));
    EXPECT_EQ(m.CacheMisses(), 2);

    // A run is the rounded sum of its characters; sizes scale linearly (no hinting).
    const std::vector<int> word12 = measure(m, QStringLiteral("Kavrel report"));
    const std::vector<int> word24 = measure(m, QStringLiteral("Kavrel report"), 24);
    EXPECT_NEAR(total(word24), 2 * total(word12), 2);
    const std::vector<int> bold = measure(m, QStringLiteral("Kavrel report"), 12, {fsBold});
    EXPECT_GT(total(bold), total(word12));
    // Underline and strike-out do not change advances.
    EXPECT_EQ(measure(m, QStringLiteral("Kavrel report"), 12, {fsUnderline, fsStrikeOut}), word12);

    const std::vector<int> pair = measure(m, QString::fromUtf16(u"\U0001F600a"));
    EXPECT_EQ(pair[1], 0);

    m.ClearCache();
    EXPECT_EQ(m.CacheMisses(), 0);
    EXPECT_EQ(measure(m, QStringLiteral("Kavrel report")), word12);
    EXPECT_GT(m.CacheMisses(), 0);
}

TEST(TextMeasure, QtAdvancesMatchTheFontAt600Dpi)
{
    if (!installed(QStringLiteral("Liberation Mono")))
        GTEST_SKIP() << "Liberation Mono is not installed";
    // Liberation Mono (like Courier New) advances 0.6 em: at 10 pt the em is 83.33 internal
    // units, so ten characters are 500 units.
    TkavQtTextMeasurer m;
    std::vector<int> out(10);
    m.MeasureRun(QStringLiteral("Courier New"), 10, {}, u"abcdefghij", out);
    EXPECT_EQ(total(out), 500);
}

TEST(TextMeasure, FamilySubstitution)
{
    struct Row { const char *name; const char *family; };
    const Row rows[] = {
        {"Arial", "Liberation Sans"},
        {"arial", "Liberation Sans"},
        {"Tahoma", "Liberation Sans"},
        {"MS Sans Serif", "Liberation Sans"},
        {"Times New Roman", "Liberation Serif"},
        {"Courier New", "Liberation Mono"},
        {"Courier", "Liberation Mono"},
    };
    for (const Row &r : rows) {
        const QString family = QString::fromLatin1(r.family);
        if (!installed(family))
            GTEST_SKIP() << r.family << " is not installed";
        EXPECT_EQ(kavSubstituteFontFamily(QString::fromLatin1(r.name)), family) << r.name;
    }
    EXPECT_EQ(kavSubstituteFontFamily(QStringLiteral("No Such Family")), QStringLiteral("No Such Family"));
}

TEST(TextMeasure, ArialResolvesToLiberationSans)
{
    if (!installed(QStringLiteral("Liberation Sans")))
        GTEST_SKIP() << "Liberation Sans is not installed";
    TFont font;
    font.SetName(QStringLiteral("Arial"));
    font.SetSize(12);
    font.SetStyle({fsBold, fsUnderline});
    const QFont qfont = kavToQFont(font);
    EXPECT_EQ(QFontInfo(qfont).family(), QStringLiteral("Liberation Sans"));
    EXPECT_EQ(qfont.pixelSize(), 16);
    EXPECT_TRUE(qfont.bold());
    EXPECT_TRUE(qfont.underline());
    EXPECT_FALSE(qfont.italic());
    EXPECT_EQ(qfont.hintingPreference(), QFont::PreferNoHinting);
    EXPECT_EQ(kavToQFont(font, 40).pixelSize(), 40);
}

TEST(TextMeasure, ColorToQColor)
{
    EXPECT_EQ(kavColorToQColor(clRed), QColor(255, 0, 0));
    EXPECT_EQ(kavColorToQColor(kavRGB(1, 2, 3)), QColor(1, 2, 3));
    EXPECT_EQ(kavColorToQColor(clNone).alpha(), 0);
    EXPECT_EQ(kavColorToQColor(clWindowText), QColor(Qt::black));
}
