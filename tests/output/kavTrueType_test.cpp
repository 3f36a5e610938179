// The font subset a PDF embeds: read back as a font, it draws the glyphs kept exactly as
// the whole face does (composites with their parts) and nothing for the glyphs left out.

#include <output/kavTrueType.h>

#include <QFont>
#include <QPainterPath>
#include <QRawFont>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

QRawFont face()
{
    QFont font(u"Liberation Sans"_s);
    font.setPixelSize(100);
    return QRawFont::fromFont(font);
}

quint32 glyphOf(const QRawFont &raw, QChar c)
{
    const QList<quint32> glyphs = raw.glyphIndexesForString(QString(c));
    return glyphs.value(0);
}

} // namespace

TEST(TrueTypeSubset, KeepsTheGlyphsDrawnAndTheirNumbers)
{
    const QRawFont raw = face();
    ASSERT_TRUE(raw.isValid());
    const TkavTrueTypeFont font(raw);
    ASSERT_TRUE(font.IsValid()) << "Liberation Sans has TrueType outlines";
    EXPECT_FALSE(font.PostScriptName().contains(u' '));
    EXPECT_GT(font.UnitsPerEm(), 0);

    // "Å" is often a composite of "A" and a ring: its parts must come along.
    const std::set<quint32> kept{glyphOf(raw, u'H'), glyphOf(raw, u'e'), glyphOf(raw, u'\u00c5')};
    const QByteArray subset = font.Subset(kept);
    ASSERT_FALSE(subset.isEmpty());
    const QRawFont small(subset, 100);
    ASSERT_TRUE(small.isValid());
    for (const quint32 glyph : kept) {
        EXPECT_EQ(small.pathForGlyph(glyph), raw.pathForGlyph(glyph)) << glyph;
        EXPECT_DOUBLE_EQ(TkavTrueTypeFont(small).Width(glyph), font.Width(glyph)) << glyph;
    }
    const quint32 dropped = glyphOf(raw, u'x');
    EXPECT_FALSE(raw.pathForGlyph(dropped).isEmpty());
    EXPECT_TRUE(small.pathForGlyph(dropped).isEmpty());
    EXPECT_LT(subset.size(), raw.fontTable("glyf").size() / 4) << "outlines left out";
}
