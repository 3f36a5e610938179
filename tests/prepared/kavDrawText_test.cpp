// The text engine: tag language, wrapping, hyphenation, heights, fitting and splitting
// with a fixed-advance measurer (exact numbers), and placement and drawing on images and
// a 600-dpi PDF writer.

#include <prepared/kavDrawText.h>
#include <prepared/kavPaintUtils.h>
#include <report/kavViews.h>

#include <QBuffer>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

// 12 pt: text height 16 px (100 internal units); every character 50 units = 8 px.
constexpr int charPx = 8;

struct Layout
{
    double width = 10 * charPx; // ten characters per line
    double height = 1000;
    bool wordWrap = true;
    bool wordBreak = false;
    bool tags = true;
    double lineSpacing = 0;
    double paragraphGap = 0;
    int rotation = 0;
    bool clipped = false;
};

std::unique_ptr<TkavDrawText> engine(const Layout &l,
                                     std::shared_ptr<TkavTextMeasurer> measurer
                                     = std::make_shared<TkavFixedTextMeasurer>())
{
    auto dt = std::make_unique<TkavDrawText>(std::move(measurer));
    TFont font;
    font.SetSize(12);
    dt->SetFont(font);
    dt->SetOptions(l.wordWrap, l.tags, false, l.wordBreak, l.clipped, true, l.rotation);
    dt->SetGaps(l.paragraphGap, 0, l.lineSpacing);
    const QRectF rect(0, 0, l.width, l.height);
    dt->SetDimensions(1, 1, 1, rect, rect);
    return dt;
}

QStringList lines(const TkavDrawText &dt)
{
    QStringList result;
    for (int i = 0; i < dt.LineCount(); ++i)
        result << dt.Line(i);
    return result;
}

QStringList wrap(const Layout &l, const QStringList &text)
{
    auto dt = engine(l);
    dt->SetText(text);
    return lines(*dt);
}

QString u16(const char16_t *s)
{
    return QString::fromUtf16(s);
}

// Bounding box of the non-white pixels.
QRect ink(const QImage &image)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 160)
                box |= QRect(x, y, 1, 1);
    return box;
}

} // namespace

TEST(DrawTextTags, VisibleTextAndFormatting)
{
    struct Row {
        const char *name;
        QString source;
        QString visible;
        int probe;       // a visible character to look at
        int position;    // its expected 1-based source position
        TFontStyles style;
        TColor color;
        int size;
    };
    const Row rows[] = {
        {"bold span", u16(u"a <b>bold</b> word"), u16(u"a bold word"), 2, 6, {fsBold}, clBlack, 12},
        {"after bold", u16(u"a <b>bold</b> word"), u16(u"a bold word"), 6, 14, {}, clBlack, 12},
        {"case-insensitive", u16(u"<B><I>x</I></B>"), u16(u"x"), 0, 7, {fsBold, fsItalic}, clBlack, 12},
        {"underline, strike", u16(u"<u><strike>x"), u16(u"x"), 0, 12, {fsUnderline, fsStrikeOut}, clBlack, 12},
        {"hex colour", u16(u"<font color=\"#FF0000\">x"), u16(u"x"), 0, 23, {}, clRed, 12},
        {"mixed-case hex", u16(u"<font color=\"#00ff80\">x</font>y"), u16(u"xy"), 0, 23, {}, kavRGB(0, 255, 128), 12},
        {"font end", u16(u"<font color=\"#00ff80\">x</font>y"), u16(u"xy"), 1, 31, {}, clBlack, 12},
        {"named colour", u16(u"<font color=red>x"), u16(u"x"), 0, 17, {}, clRed, 12},
        {"unquoted hex stays", u16(u"<font color=#FF0000>x"), u16(u"<font color=#FF0000>x"), 20, 21, {}, clBlack, 12},
        {"unknown name stays", u16(u"<font color=nosuch>x"), u16(u"<font color=nosuch>x"), 0, 1, {}, clBlack, 12},
        {"br stays", u16(u"<br>x"), u16(u"<br>x"), 4, 5, {}, clBlack, 12},
        {"three letters removed", u16(u"<abc>x"), u16(u"x"), 0, 6, {}, clBlack, 12},
        {"closing of two removed", u16(u"</ab>x"), u16(u"x"), 0, 6, {}, clBlack, 12},
        {"four letters removed", u16(u"<abcd>x"), u16(u"x"), 0, 7, {}, clBlack, 12},
        {"five letters stay", u16(u"<abcde>x"), u16(u"<abcde>x"), 7, 8, {}, clBlack, 12},
        {"lone angle", u16(u"a < b"), u16(u"a < b"), 4, 5, {}, clBlack, 12},
        {"subscript size", u16(u"H<sub>2</sub>O"), u16(u"H2O"), 1, 7, {}, clBlack, 8},
        {"superscript size", u16(u"x<sup>2</sup>"), u16(u"x2"), 1, 7, {}, clBlack, 8},
    };
    for (const Row &r : rows) {
        auto dt = engine(Layout{.width = 1000});
        dt->SetText({r.source});
        ASSERT_EQ(dt->LineCount(), 1) << r.name;
        EXPECT_EQ(dt->Line(0), r.visible) << r.name;
        EXPECT_EQ(dt->DeleteTags(r.source), r.visible) << r.name;
        const TkavHTMLTag &tag = dt->LineTags(0)[size_t(r.probe)];
        EXPECT_EQ(tag.Position, r.position) << r.name;
        EXPECT_EQ(tag.Style, r.style) << r.name;
        EXPECT_EQ(tag.Color, r.color) << r.name;
        EXPECT_EQ(tag.Size, r.size) << r.name;
    }
}

TEST(DrawTextTags, SubscriptAndRecordsFlags)
{
    auto dt = engine(Layout{.width = 1000});
    dt->SetText({u16(u"H<sub>2</sub>O<sup>n</sup> <b>b</b>")});
    const TkavHTMLTags &tags = dt->LineTags(0);
    ASSERT_EQ(tags.size(), 6u);
    EXPECT_EQ(tags[1].SubType, ssSubscript);
    EXPECT_EQ(tags[1].AddY, 1);
    EXPECT_TRUE(tags[1].Small);
    EXPECT_EQ(tags[3].SubType, ssSuperscript);
    EXPECT_EQ(tags[3].AddY, 0);
    EXPECT_FALSE(tags[2].Small);
    // Default: same look as the previous character (the first: as the defaults).
    EXPECT_TRUE(tags[0].Default);
    EXPECT_FALSE(tags[1].Default);
    EXPECT_FALSE(tags[2].Default);
    EXPECT_TRUE(tags[4].Style.IsEmpty());
    EXPECT_EQ(tags[5].Style, TFontStyles{fsBold});
}

TEST(DrawTextTags, TagsNotAllowedKeepEverything)
{
    auto dt = engine(Layout{.width = 1000, .tags = false});
    dt->SetText({u16(u"<b>x</b>")});
    EXPECT_EQ(dt->Line(0), u16(u"<b>x</b>"));
    for (const TkavHTMLTag &tag : dt->LineTags(0)) {
        EXPECT_TRUE(tag.Default);
        EXPECT_TRUE(tag.Style.IsEmpty());
    }
}

TEST(DrawTextTags, EmptyLinesBecomeOneSpace)
{
    auto dt = engine(Layout{});
    dt->SetText({QString(), u16(u"<b></b>"), u16(u"x")});
    EXPECT_EQ(lines(*dt), (QStringList{u16(u" "), u16(u" "), u16(u"x")}));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(dt->LineFlags(i), 3) << i;
    EXPECT_EQ(dt->GetInBoundsText(), u16(u" \r\n<b></b>\r\nx\r\n"));
}

TEST(DrawTextWrap, WordsCharactersAndSpans)
{
    struct Row {
        const char *name;
        Layout layout;
        QString text;
        QStringList expected;
    };
    const Row rows[] = {
        {"fits", {}, u16(u"aaaa bbbb"), {u16(u"aaaa bbbb")}},
        {"exact width fits", {}, u16(u"aaaa bbbbb"), {u16(u"aaaa bbbbb")}},
        {"breaks at the last space", {}, u16(u"aaaa bbbb cccc"), {u16(u"aaaa bbbb"), u16(u"cccc")}},
        {"space at the overflow is dropped", {}, u16(u"aaaaaaaaaa bb"), {u16(u"aaaaaaaaaa"), u16(u"bb")}},
        {"long word: characters that fit", {}, u16(u"abcdefghijklmnop"), {u16(u"abcdefghij"), u16(u"klmnop")}},
        {"no word wrap", {.wordWrap = false}, u16(u"aaaa bbbb cccc"), {u16(u"aaaa bbbb cccc")}},
        {"nowrap span", {}, u16(u"aaaa <nowrap>bb cc</nowrap>dd"), {u16(u"aaaa"), u16(u"bb ccdd")}},
        {"without the span", {}, u16(u"aaaa bb ccdd"), {u16(u"aaaa bb"), u16(u"ccdd")}},
        {"narrower than a character", {.width = 4}, u16(u"abc"), {u16(u"a"), u16(u"b"), u16(u"c")}},
        {"paragraph gap narrows the first line", {.paragraphGap = 4 * charPx}, u16(u"aaaa bbbb cccc"),
         {u16(u"aaaa"), u16(u"bbbb cccc")}},
        {"double spaces", {}, u16(u"aaaaaaaaa  bbbbbbbbbbbb"),
         {u16(u"aaaaaaaaa "), u16(u"bbbbbbbbbb"), u16(u"bb")}},
        {"latin never hyphenated", {.width = 8 * charPx, .wordBreak = true}, u16(u"aa molokos"), {u16(u"aa"), u16(u"molokos")}},
        // Upper-casing ß would lengthen the word; hyphenation keeps the line's indices.
        {"sharp s", {.width = 8 * charPx, .wordBreak = true}, u16(u"aa straße straße"),
         {u16(u"aa"), u16(u"straße"), u16(u"straße")}},
        {"latin-1 capitals never hyphenated", {.width = 8 * charPx, .wordBreak = true}, u16(u"aa \u00C0\u00C1\u00C8\u00C9\u00D3\u00C2"),
         {u16(u"aa"), u16(u"\u00C0\u00C1\u00C8\u00C9\u00D3\u00C2")}},
    };
    for (const Row &r : rows)
        EXPECT_EQ(wrap(r.layout, {r.text}), r.expected) << r.name;
}

TEST(DrawTextWrap, CyrillicHyphenation)
{
    struct Row {
        const char *name;
        Layout layout;
        QString text;
        QStringList expected;
    };
    // МОЛОКО may break after МО and МОЛО (a vowel followed by a consonant).
    const Row rows[] = {
        {"after the space", {.width = 8 * charPx, .wordBreak = true}, u16(u"аа молоко"),
         {u16(u"аа моло-"), u16(u"ко")}},
        {"upper case", {.width = 8 * charPx, .wordBreak = true}, u16(u"АА МОЛОКО"),
         {u16(u"АА МОЛО-"), u16(u"КО")}},
        {"without word break", {.width = 8 * charPx}, u16(u"аа молоко"), {u16(u"аа"), u16(u"молоко")}},
        {"short words stay whole", {.width = 4 * charPx, .wordBreak = true}, u16(u"аа кот"),
         {u16(u"аа"), u16(u"кот")}},
        {"one long word", {.width = 8 * charPx, .wordBreak = true}, u16(u"молокомолоко"),
         {u16(u"молоко-"), u16(u"молоко")}},
        // КОШКА: consonant pair ШК splits between them (Ш before a consonant).
        {"between consonants", {.width = 6 * charPx, .wordBreak = true}, u16(u"а кошка"),
         {u16(u"а кош-"), u16(u"ка")}},
        // ВОЙНА: never between a vowel and Й; after Й no rule applies.
        {"not before short i", {.width = 4 * charPx, .wordBreak = true}, u16(u"война"),
         {u16(u"войн"), u16(u"а")}},
        // СОЛЬДО: never before the soft sign (СОЛ-), and the soft sign is no consonant
        // (СОЛЬ-): only СО- remains although the others would fit.
        {"not around the soft sign", {.width = 7 * charPx, .wordBreak = true}, u16(u"а сольдо"),
         {u16(u"а со-"), u16(u"льдо")}},
    };
    for (const Row &r : rows)
        EXPECT_EQ(wrap(r.layout, {r.text}), r.expected) << r.name;
}

TEST(DrawTextWrap, SurrogatePairsStayWhole)
{
    QString faces;
    for (int i = 0; i < 25; ++i)
        faces += u16(u"\U0001F600");
    for (double width : {7.5 * charPx, 4.0, 10.0 * charPx}) {
        const QStringList result = wrap(Layout{.width = width}, {faces});
        ASSERT_GT(result.size(), 1) << width;
        QString joined;
        for (const QString &line : result) {
            ASSERT_FALSE(line.isEmpty());
            EXPECT_FALSE(line.front().isLowSurrogate()) << width;
            EXPECT_FALSE(line.back().isHighSurrogate()) << width;
            joined += line;
        }
        EXPECT_EQ(joined, faces);
    }
}

TEST(DrawTextWrap, HugeLineWithoutSpaces)
{
    // Cases that crashed before: fixed 32,768-character buffers.
    const QString text(100000, u'x');
    for (bool wordBreak : {false, true}) {
        const QStringList result = wrap(Layout{.wordBreak = wordBreak}, {text});
        ASSERT_EQ(result.size(), 10000);
        EXPECT_EQ(result.front(), QString(10, u'x'));
        EXPECT_EQ(result.back(), QString(10, u'x'));
    }
    auto dt = engine(Layout{.width = 1e6, .wordWrap = false});
    dt->SetText({text});
    EXPECT_DOUBLE_EQ(dt->CalcWidth(), 100000.0 * charPx);
}

TEST(DrawTextHeights, HeightsAndWidths)
{
    struct Row {
        const char *name;
        double lineSpacing;
        int lines;
        double lineHeight;
        double calcHeight;
    };
    const Row rows[] = {
        {"no spacing", 0, 3, 16, 48},
        {"positive spacing stays after the last line", 1, 2, 17, 34},
        {"negative spacing", -2, 2, 14, 30},
        {"single line, negative", -2, 1, 14, 16},
        // Spacing that eats the line: one pixel per line, never zero or negative.
        {"spacing equal to the text height", -16, 2, 1, 17},
        {"spacing beyond the text height", -40, 3, 1, 18},
    };
    for (const Row &r : rows) {
        auto dt = engine(Layout{.lineSpacing = r.lineSpacing});
        QStringList text;
        for (int i = 0; i < r.lines; ++i)
            text << u16(u"abc");
        dt->SetText(text);
        EXPECT_DOUBLE_EQ(dt->TextHeight(), 16) << r.name;
        EXPECT_DOUBLE_EQ(dt->LineHeight(), r.lineHeight) << r.name;
        EXPECT_DOUBLE_EQ(dt->CalcHeight(), r.calcHeight) << r.name;
    }
    auto dt = engine(Layout{.paragraphGap = 2});
    dt->SetText({u16(u"abc"), u16(u"abcdef")});
    // Widest line: six characters plus the 2-pixel indent (12.5 units -> 12 by halves to even).
    EXPECT_DOUBLE_EQ(dt->CalcWidth(), (6 * 50 + 12) / 6.25);
}

TEST(DrawTextHeights, WidthsWithSpacingAndSmallCharacters)
{
    struct Row { const char *name; QString text; double charSpacing; int units; };
    const Row rows[] = {
        // 1 pixel of spacing is rnd(6.25) = 6 units after every character.
        {"character spacing", u16(u"abc"), 1, 3 * (50 + 6)},
        // Sub- and superscript characters take two thirds: rnd(50 / 1.5) = 33.
        {"subscript", u16(u"a<sub>b</sub>c"), 0, 50 + 33 + 50},
        {"superscript with spacing", u16(u"a<sup>bb</sup>"), 1, 56 + 2 * (33 + 6)},
        {"surrogate pair spaced once", u16(u"\U0001F600"), 1, 50 + 6},
    };
    for (const Row &r : rows) {
        auto dt = engine(Layout{.width = 1000});
        dt->SetGaps(0, r.charSpacing, 0);
        dt->SetText({r.text});
        EXPECT_EQ(dt->LineWidth(0), r.units) << r.name;
        EXPECT_DOUBLE_EQ(dt->CalcWidth(), r.units / 6.25) << r.name;
    }
}

TEST(DrawTextFit, UnusedSpace)
{
    struct Row { const char *name; double rectHeight; double unused; };
    // Line height 17; the usable height is the rectangle's + 1.
    const Row rows[] = {
        {"three and a half lines", 58.5, 8.5},
        {"less than a line", 15, 0},
        {"exactly three lines", 50, 0.0001},
        {"exactly one line", 16, 0.0001},
        {"negative height", -5, 0},
    };
    for (const Row &r : rows) {
        auto dt = engine(Layout{.height = r.rectHeight, .lineSpacing = 1});
        dt->SetText({u16(u"a"), u16(u"b"), u16(u"c"), u16(u"d")});
        EXPECT_NEAR(dt->UnusedSpace(), r.unused, 1e-9) << r.name;
    }
}

TEST(DrawTextFit, SplitInsideAParagraph)
{
    // Lines: "aaaa bbbb" / "cccc dddd" / "eeee ffff" (bold) / "gggg"; two lines fit.
    auto dt = engine(Layout{.height = 40, .lineSpacing = 1});
    dt->SetText({u16(u"aaaa bbbb cccc dddd <b>cccc dddd</b> eeee"), u16(u"next")});
    ASSERT_EQ(dt->LineCount(), 5);
    bool paraBreak = false;
    const QString rest = dt->GetOutBoundsText(paraBreak);
    EXPECT_TRUE(paraBreak);
    EXPECT_EQ(rest, u16(u"<font color=\"#000000\"><b>cccc dddd</b> eeee\r\nnext\r\n"));
    EXPECT_EQ(dt->GetInBoundsText(), u16(u"aaaa bbbb cccc dddd <b>"));
    EXPECT_EQ(dt->LineCount(), 2);
    // The rest, laid out again, is the bold line first.
    dt->SetText(rest.split(u16(u"\r\n")).mid(0, 2), paraBreak);
    EXPECT_EQ(dt->Line(0), u16(u"cccc dddd"));
    EXPECT_EQ(dt->LineTags(0)[0].Style, TFontStyles{fsBold});
}

TEST(DrawTextFit, SplitCases)
{
    struct Row {
        const char *name;
        Layout layout;
        QStringList text;
        bool paraBreak;
        QString rest;
        QString kept;
    };
    const Row rows[] = {
        {"between paragraphs", {.height = 20}, {u16(u"one"), u16(u"<font color=red><i><u>two")}, false,
         u16(u"<font color=\"#FF0000\"><u><i>two\r\n"), u16(u"one\r\n<font color=red><i><u>")},
        {"everything fits", {.height = 100}, {u16(u"one"), u16(u"two")}, false, QString(),
         u16(u"one\r\ntwo\r\n")},
        {"nothing fits", {.height = 5}, {u16(u"<b>one two")}, false,
         u16(u"<font color=\"#000000\"><b><b>one two\r\n"), QString()},
        {"hyphen stays with the kept part", {.width = 8 * charPx, .height = 20, .wordBreak = true},
         {u16(u"аа молоко")}, true, u16(u"<font color=\"#000000\">ко\r\n"), u16(u"аа моло-")},
        {"a source hyphen is not doubled", {.width = 5 * charPx, .height = 20, .wordBreak = true},
         {u16(u"abcd-efgh")}, true, u16(u"<font color=\"#000000\">efgh\r\n"), u16(u"abcd-")},
        {"strike-out and subscript carry over", {.width = 4 * charPx, .height = 20},
         {u16(u"ab <strike><sub>cdef")}, true, u16(u"<font color=\"#000000\"><strike><sub>cdef\r\n"),
         u16(u"ab <strike><sub>")},
    };
    for (const Row &r : rows) {
        auto dt = engine(r.layout);
        dt->SetText(r.text);
        bool paraBreak = !r.paraBreak;
        EXPECT_EQ(dt->GetOutBoundsText(paraBreak), r.rest) << r.name;
        EXPECT_EQ(paraBreak, r.paraBreak) << r.name;
        EXPECT_EQ(dt->GetInBoundsText(), r.kept) << r.name;
    }
}

TEST(DrawTextFit, SplittingTerminatesWithCollapsedLineHeight)
{
    // Spacing equal to minus the text height: each page still takes whole lines.
    QStringList text;
    for (int i = 0; i < 100; ++i)
        text << u16(u"line");
    int pages = 0;
    while (!text.isEmpty() && pages < 1000) {
        auto dt = engine(Layout{.height = 9, .lineSpacing = -16});
        dt->SetText(text);
        bool paraBreak = false;
        QString rest = dt->GetOutBoundsText(paraBreak);
        EXPECT_GT(dt->LineCount(), 0);
        if (rest.isEmpty())
            break;
        rest.remove(u16(u"<font color=\"#000000\">"));
        text = rest.split(u16(u"\r\n"));
        text.removeLast();
        ++pages;
    }
    EXPECT_EQ(pages, 9); // ten lines per page (H = 10, one pixel each)
}

TEST(DrawTextFit, ParaBreakFlags)
{
    auto dt = engine(Layout{});
    dt->SetText({u16(u"aaaa bbbb cccc"), u16(u"x")});
    EXPECT_EQ(dt->LineFlags(0), 1);
    EXPECT_EQ(dt->LineFlags(1), 2);
    EXPECT_EQ(dt->LineFlags(2), 3);
    dt->SetParaBreaks(true, true);
    EXPECT_EQ(dt->LineFlags(0), 0);
    EXPECT_EQ(dt->LineFlags(2), 1);
    EXPECT_EQ(dt->GetWrappedText(), u16(u"aaaa bbbb\r\ncccc\r\nx"));
}

namespace {

QImage whiteImage(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

} // namespace

TEST(DrawTextPaint, JustifiedLinesFillTheWidth)
{
    auto dt = engine(Layout{.width = 30 * charPx});
    const QRectF scaled(10, 10, 30 * charPx, 200);
    dt->SetDimensions(1, 1, 1, QRectF(0, 0, 30 * charPx, 200), scaled);
    dt->SetText({u16(u"the quick brown fox jumps over the lazy dog and runs far away, "
                    u"again and again"), u16(u"end")});
    ASSERT_GE(dt->LineCount(), 4);
    QImage image = whiteImage(300, 260);
    const TkavTextPlacement placement = dt->PlaceText(image, haBlock, vaTop);
    ASSERT_EQ(int(placement.Lines.size()), dt->LineCount());
    for (const TkavPlacedLine &line : placement.Lines) {
        const bool last = dt->LineFlags(line.Line) & 2;
        if (last) {
            EXPECT_EQ(line.Start, 0) << line.Line;
            EXPECT_LT(line.Length, line.Available - 20) << line.Line;
        } else {
            EXPECT_EQ(line.Start + line.Length, line.Available) << line.Line;
            // Spaces share the difference; the remainder goes to the first ones.
            std::vector<int> spaces;
            for (const TkavPlacedChar &ch : line.Chars)
                if (dt->Line(line.Line)[ch.Index] == u' ')
                    spaces.push_back(ch.Advance);
            ASSERT_FALSE(spaces.empty());
            EXPECT_TRUE(std::is_sorted(spaces.rbegin(), spaces.rend())) << line.Line;
            EXPECT_LE(spaces.front() - spaces.back(), 1) << line.Line;
        }
        // Characters follow each other without gaps or overlaps.
        for (size_t k = 1; k < line.Chars.size(); ++k)
            EXPECT_EQ(line.Chars[k].X, line.Chars[k - 1].X + line.Chars[k - 1].Advance);
    }
    // On paper, the first line's ink reaches the right edge, the last line's does not.
    QPainter painter(&image);
    dt->DrawText(painter, haBlock, vaTop);
    painter.end();
    // Bands below the descenders of the line above and above the line's own.
    const QRect first = ink(image.copy(0, 10 + 4, 300, 10));
    const QRect last = ink(image.copy(0, 10 + placement.Lines.back().Top + 4, 300, 10));
    EXPECT_NEAR(first.right(), 10 + 30 * charPx, 3);
    EXPECT_LT(last.right(), 10 + 30 * charPx - 100);
}

TEST(DrawTextPaint, AlignmentsUseTheTargetLength)
{
    auto dt = engine(Layout{.width = 40 * charPx});
    dt->SetText({u16(u"abc")});
    QImage image = whiteImage(400, 50);
    struct Row { TkavHAlign align; int start; };
    // Screen target length: 150 units / 6.25 = 24 pixels in a 320-pixel line.
    const Row rows[] = {{haLeft, 0}, {haCenter, 148}, {haRight, 320 - 24 + 1 - 1}};
    for (const Row &r : rows) {
        const TkavTextPlacement p = dt->PlaceText(image, r.align, vaTop);
        ASSERT_EQ(p.Lines.size(), 1u);
        EXPECT_EQ(p.Lines[0].Length, 24) << int(r.align);
        EXPECT_EQ(p.Lines[0].Start, r.start) << int(r.align);
    }
}

TEST(DrawTextPaint, VerticalAlignmentAndLineSteps)
{
    auto dt = engine(Layout{.height = 100, .lineSpacing = 2});
    dt->SetText({u16(u"a"), u16(u"b"), u16(u"c")});
    QImage image = whiteImage(100, 120);
    // Screen at zoom 1: 12 pt is 16 pixels, steps 18; the block is 2 * 18 + 16 = 52.
    struct Row { TkavVAlign align; int top; };
    const Row rows[] = {{vaTop, 0}, {vaBottom, 100 - 52}, {vaCenter, 24}};
    for (const Row &r : rows) {
        const TkavTextPlacement p = dt->PlaceText(image, haLeft, r.align);
        ASSERT_EQ(p.Lines.size(), 3u);
        EXPECT_EQ(p.FontPixels, 16);
        EXPECT_EQ(p.Lines[0].Top, r.top);
        EXPECT_EQ(p.Lines[1].Top - p.Lines[0].Top, 18);
        EXPECT_EQ(p.Lines[2].Top - p.Lines[1].Top, 18);
    }
    // A block taller than its area starts at the top whatever the alignment, unrotated or
    // sideways: the first line stays whole.
    for (const int rotation : {0, 90}) {
        auto small
            = engine(Layout{.width = 30, .height = 30, .lineSpacing = 2, .rotation = rotation});
        small->SetText({u16(u"a"), u16(u"b"), u16(u"c")});
        for (const TkavVAlign align : {vaTop, vaBottom, vaCenter}) {
            const TkavTextPlacement p = small->PlaceText(image, haLeft, align);
            ASSERT_EQ(p.Lines.size(), 3u);
            EXPECT_EQ(p.Lines[0].Top, 0) << rotation << ' ' << int(align);
        }
    }
}

TEST(DrawTextPaint, WysiwygSpreadsTheLineStepDifference)
{
    // 10 pt: 83 internal units, 13 screen pixels; ten lines ideally take
    // rnd(830 / 6.25) = 133 pixels, 3 more than ten steps of 13.
    auto dt = engine(Layout{.height = 300});
    TFont font;
    font.SetSize(10);
    dt->SetFont(font);
    QStringList text;
    for (int i = 0; i < 10; ++i)
        text << u16(u"x");
    dt->SetText(text);
    QImage image = whiteImage(100, 300);
    const TkavTextPlacement p = dt->PlaceText(image, haLeft, vaTop);
    ASSERT_EQ(p.Lines.size(), 10u);
    EXPECT_EQ(p.FontPixels, 13);
    EXPECT_EQ(p.Lines.back().Top, 9 * 13 + 3);
    for (size_t k = 1; k < p.Lines.size(); ++k) {
        const int step = p.Lines[k].Top - p.Lines[k - 1].Top;
        EXPECT_TRUE(step == 13 || step == 14) << k;
        // Each line stays within a pixel of its ideal place (k * 13.28).
        EXPECT_NEAR(p.Lines[k].Top, k * 83 / 6.25, 1.0) << k;
    }
}

TEST(DrawTextPaint, RightToLeftJustifiesTheLastLineRight)
{
    auto dt = engine(Layout{.width = 20 * charPx});
    dt->SetOptions(true, true, true, false, false, true, 0);
    dt->SetText({u16(u"aaaa bbbb cccc dddd eeee")});
    ASSERT_EQ(dt->LineCount(), 2);
    QImage image = whiteImage(200, 100);
    const TkavTextPlacement p = dt->PlaceText(image, haBlock, vaTop);
    EXPECT_EQ(p.Lines[0].Start, 0);
    EXPECT_EQ(p.Lines[0].Start + p.Lines[0].Length, p.Lines[0].Available);
    EXPECT_GT(p.Lines[1].Start, 0);
    EXPECT_EQ(p.Lines[1].Start + p.Lines[1].Length, p.Lines[1].Available);
}

TEST(DrawTextPaint, DeviceIndependentLineBreaks)
{
    auto measurer = kavDefaultTextMeasurer();
    const QString text = u16(u"Device independence: the same memo breaks its lines at the same "
                             u"words on screen, at any zoom, and on a 600-dpi printer.");
    Layout layout{.width = 150, .height = 400};
    auto reference = engine(layout, measurer);
    reference->SetText({text});
    const QString wrapped = reference->GetWrappedText();
    ASSERT_GT(reference->LineCount(), 2);

    QBuffer pdfData;
    pdfData.open(QIODevice::WriteOnly);
    QPdfWriter pdf(&pdfData);
    pdf.setResolution(600);
    pdf.setPageSize(QPageSize(QPageSize::A4));
    ASSERT_TRUE(kavIsPrinterDevice(pdf));
    QImage screen = whiteImage(400, 400);
    EXPECT_FALSE(kavIsPrinterDevice(screen));

    struct Row { const char *name; double scale; bool printer; };
    const Row rows[] = {{"zoom 1", 1, false}, {"zoom 2", 2, false}, {"600 dpi", 600.0 / 96, true}};
    for (const Row &r : rows) {
        auto dt = engine(layout, measurer);
        dt->SetDimensions(r.scale, r.scale, 1, QRectF(0, 0, 150, 400),
                          QRectF(0, 0, 150 * r.scale, 400 * r.scale));
        dt->SetText({text});
        EXPECT_EQ(dt->GetWrappedText(), wrapped) << r.name;
        const QPaintDevice &device = r.printer ? static_cast<QPaintDevice &>(pdf) : screen;
        const TkavTextPlacement p = dt->PlaceText(device, haLeft, vaTop);
        EXPECT_EQ(p.Printer, r.printer) << r.name;
        if (r.printer) {
            EXPECT_EQ(p.FontPixels, 100); // 12 pt at 600 dpi
            QPainter painter(&pdf);
            dt->DrawText(painter, haBlock, vaCenter);
            EXPECT_TRUE(painter.end());
        }
        for (const TkavPlacedLine &line : p.Lines) {
            const double expected = dt->LineWidth(line.Line) / 6.25 * r.scale;
            EXPECT_NEAR(line.Length, expected, 1.0) << r.name << " line " << line.Line;
        }
    }
}

TEST(DrawTextPaint, RepeatableWithTheRealMeasurer)
{
    auto measurer = std::make_shared<TkavQtTextMeasurer>();
    const QStringList text = {u16(u"Repeated layouts give the same lines, also after the cache of "
                                  u"advances has been cleared."),
                              u16(u"<b>Bold</b> and <i>italic</i> words and a second paragraph.")};
    auto first = engine(Layout{.width = 120}, measurer);
    first->SetText(text);
    const QString wrapped = first->GetWrappedText();
    EXPECT_GT(first->LineCount(), 3);
    for (int run = 0; run < 3; ++run) {
        if (run == 2)
            measurer->ClearCache();
        auto dt = engine(Layout{.width = 120}, measurer);
        dt->SetText(text);
        EXPECT_EQ(dt->GetWrappedText(), wrapped) << run;
        EXPECT_DOUBLE_EQ(dt->CalcWidth(), first->CalcWidth()) << run;
    }
}

TEST(DrawTextPaint, RotationPlacesTheTextInTheRotatedArea)
{
    struct Row { int rotation; const char *where; };
    const Row rows[] = {{0, "top"}, {90, "left"}, {180, "bottom"}, {270, "right"}, {45, "inside"}};
    const QRect area(40, 40, 160, 160);
    for (const Row &r : rows) {
        auto dt = engine(Layout{.width = 160, .height = 160, .wordWrap = false, .rotation = r.rotation},
                         kavDefaultTextMeasurer());
        dt->SetDimensions(1, 1, 1, QRectF(0, 0, 160, 160), area);
        dt->SetText({u16(u"MMMMMM")});
        QImage image = whiteImage(240, 240);
        QPainter painter(&image);
        dt->DrawText(painter, haLeft, vaTop);
        painter.end();
        const QRect box = ink(image);
        ASSERT_FALSE(box.isEmpty()) << r.rotation;
        EXPECT_TRUE(area.adjusted(-1, -1, 1, 1).contains(box)) << r.rotation;
        const QString where = QString::fromLatin1(r.where);
        if (where == u"top")
            EXPECT_TRUE(box.top() < 50 && box.width() > box.height()) << r.rotation;
        else if (where == u"bottom")
            EXPECT_TRUE(box.bottom() > 190 && box.width() > box.height()) << r.rotation;
        else if (where == u"left")
            EXPECT_TRUE(box.left() < 50 && box.height() > box.width() && box.bottom() > 180) << r.rotation;
        else if (where == u"right")
            EXPECT_TRUE(box.right() > 190 && box.height() > box.width() && box.top() < 60) << r.rotation;
        else
            EXPECT_GT(box.height(), 30) << r.rotation;
    }
}

TEST(DrawTextPaint, ClippingKeepsTheInkInside)
{
    const QRect area(40, 40, 60, 20);
    for (bool clipped : {false, true}) {
        for (int rotation : {0, 90}) {
            auto dt = engine(Layout{.width = 60, .height = 20, .wordWrap = false, .rotation = rotation,
                                    .clipped = clipped},
                             kavDefaultTextMeasurer());
            dt->SetDimensions(1, 1, 1, QRectF(0, 0, 60, 20), area);
            dt->SetText({u16(u"MMMMMMMMMMMMMMMMMMMM"), u16(u"MMMMMMMMMMMMMMMMMMMM")});
            QImage image = whiteImage(240, 240);
            QPainter painter(&image);
            dt->DrawText(painter, haLeft, vaTop);
            painter.end();
            const QRect box = ink(image);
            ASSERT_FALSE(box.isEmpty());
            EXPECT_EQ(area.contains(box), clipped) << rotation;
        }
    }
}

TEST(DrawTextPaint, ColoursAndMonoFont)
{
    for (bool mono : {false, true}) {
        auto dt = engine(Layout{.width = 100, .height = 40}, kavDefaultTextMeasurer());
        dt->SetMonoFont(mono);
        dt->SetDimensions(1, 1, 1, QRectF(0, 0, 100, 40), QRectF(0, 0, 100, 40));
        dt->SetText({u16(u"<font color=\"#FF0000\">MMMM")});
        QImage image = whiteImage(100, 40);
        QPainter painter(&image);
        dt->DrawText(painter, haLeft, vaTop);
        painter.end();
        bool red = false;
        bool dark = false;
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 100; ++x) {
                const QColor c = image.pixelColor(x, y);
                red |= c.red() > 200 && c.green() < 60 && c.blue() < 60;
                dark |= c.red() < 60 && c.green() < 60 && c.blue() < 60;
            }
        EXPECT_EQ(red, !mono);
        EXPECT_EQ(dark, mono);
    }
}

TEST(DrawTextLock, OneRecursiveLockForAllEngines)
{
    TkavDrawText &shared = kavDefaultDrawText();
    auto own = engine(Layout{});
    shared.Lock();
    own->Lock(); // the same recursive lock: entering again does not block
    own->Unlock();
    shared.Unlock();
    SUCCEED();
}

// One engine drawing texts of several fonts in turn draws each as a fresh engine would: the
// fonts it keeps are told apart by family, size and style.
TEST(DrawTextPaint, KeptFontsDoNotLeakIntoTheNextText)
{
    auto draw = [](TkavDrawText &dt, const TFont &font) {
        dt.SetFont(font);
        dt.SetText({u16(u"Wag Wag")});
        QImage image = whiteImage(200, 60);
        QPainter painter(&image);
        dt.DrawText(painter, haLeft, vaTop);
        return image;
    };
    TFont plain;
    plain.SetSize(12);
    TFont bold = plain;
    bold.SetStyle(TFontStyles{fsBold});
    TFont big = plain;
    big.SetSize(20);
    TFont italicBig = big;
    italicBig.SetStyle(TFontStyles{fsItalic, fsUnderline});
    TFont serif = plain;
    serif.SetName(u16(u"Times New Roman"));
    auto reused = engine(Layout{.width = 200});
    for (const TFont *font : {&plain, &bold, &big, &italicBig, &serif, &plain}) {
        auto fresh = engine(Layout{.width = 200});
        EXPECT_EQ(draw(*reused, *font), draw(*fresh, *font)) << font->Name().toStdString() << font->Size();
    }
    EXPECT_NE(draw(*reused, plain), draw(*reused, bold));
}

// Glyph runs on images carry no underline or strike-out: the engine draws the bars itself,
// across the whole run.
TEST(DrawTextPaint, UnderlineAndStrikeOutOnImages)
{
    auto draw = [](const char16_t *text) {
        auto dt = engine(Layout{.width = 200, .height = 40}, kavDefaultTextMeasurer());
        dt->SetText({u16(text)});
        QImage image = whiteImage(200, 40);
        QPainter painter(&image);
        dt->DrawText(painter, haLeft, vaTop);
        return image;
    };
    const QImage plain = draw(u"MMMM"), under = draw(u"<u>MMMM"), struck = draw(u"<strike>MMMM");
    const QRect letters = ink(plain);
    ASSERT_FALSE(letters.isEmpty());
    const auto darkAcross = [&](const QImage &image, int y) {
        for (int x = letters.left() + 1; x < letters.right(); ++x)
            if (qGray(image.pixel(x, y)) > 128)
                return false;
        return true;
    };
    const int bar = ink(under).bottom();
    EXPECT_GT(bar, letters.bottom());
    EXPECT_TRUE(darkAcross(under, bar));
    EXPECT_EQ(ink(struck).top(), letters.top()); // the bar lies within the letters' height
    EXPECT_EQ(ink(struck).bottom(), letters.bottom());
    bool crossed = false;
    for (int y = letters.top(); y <= letters.bottom(); ++y)
        crossed |= darkAcross(struck, y) && !darkAcross(plain, y);
    EXPECT_TRUE(crossed);
}
