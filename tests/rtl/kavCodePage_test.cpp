// The legacy code pages: the byte-preserving 1252 table and the iconv-backed pages.
#include <rtl/kavCodePage.h>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// Restores the system ANSI code page a test changed.
class AnsiCodePageGuard
{
public:
    AnsiCodePageGuard() : FSaved(kavSystemAnsiCodePage()) {}
    ~AnsiCodePageGuard() { kavSetSystemAnsiCodePage(FSaved); }

private:
    int FSaved;
};

QByteArray allBytes()
{
    QByteArray bytes;
    for (int b = 0; b < 256; ++b)
        bytes.append(char(b));
    return bytes;
}

} // namespace

TEST(CodePage, Windows1252EveryByteRoundTrips)
{
    const QByteArray bytes = allBytes();
    const QString text = kavCodePageToUnicode(bytes, 1252);
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(kavUnicodeToCodePage(text, 1252), bytes);
}

struct ByteCase
{
    const char *name;
    int codePage;
    uchar byte;
    char16_t expected;
};

TEST(CodePage, DecodeSingleBytes)
{
    const ByteCase cases[] = {
        {"euro", 1252, 0x80, 0x20AC},
        {"undefined 81 kept", 1252, 0x81, 0x0081},
        {"undefined 8D kept", 1252, 0x8D, 0x008D},
        {"undefined 8F kept", 1252, 0x8F, 0x008F},
        {"undefined 90 kept", 1252, 0x90, 0x0090},
        {"undefined 9D kept", 1252, 0x9D, 0x009D},
        {"Y diaeresis", 1252, 0x9F, 0x0178},
        {"latin1 range", 1252, 0xE9, 0x00E9},
        {"cyrillic A", 1251, 0xC0, 0x0410},
        {"central europe S caron", 1250, 0x8A, 0x0160},
        {"greek alpha", 1253, 0xE1, 0x03B1},
        {"turkish g breve", 1254, 0xF0, 0x011F},
        {"hebrew alef", 1255, 0xE0, 0x05D0},
        {"arabic hamza", 1256, 0xC1, 0x0621},
        {"baltic a ogonek", 1257, 0xE0, 0x0105},
        {"thai ko kai", 874, 0xA1, 0x0E01},
        {"oem box drawing", 437, 0xC4, 0x2500},
        {"oem latin1 e acute", 850, 0x82, 0x00E9},
        {"mac e acute", 10000, 0x8E, 0x00E9},
        {"oem alias 1", kavCP_OEMCP, 0xC4, 0x2500},
        {"mac alias 2", kavCP_MACCP, 0x8E, 0x00E9},
        {"unknown page reads as 1252", 4711, 0x80, 0x20AC},
    };
    for (const ByteCase &c : cases) {
        const QString text = kavCodePageToUnicode(QByteArray(1, char(c.byte)), c.codePage);
        ASSERT_EQ(text.size(), 1) << c.name;
        EXPECT_EQ(text[0].unicode(), c.expected) << c.name;
    }
}

struct EncodeCase
{
    const char *name;
    int codePage;
    QString text;
    QByteArray expected;
};

TEST(CodePage, Encode)
{
    const EncodeCase cases[] = {
        {"ascii", 1252, u"abc"_s, "abc"},
        {"euro", 1252, u"\u20AC"_s, "\x80"},
        {"unmappable", 1252, u"a\u0416b"_s, "a?b"},
        {"surrogate pair is one char", 1252, u"x\U0001F600y"_s, "x?y"},
        {"lone surrogate", 1252, QString(QChar(0xD800)), "?"},
        {"cyrillic", 1251, u"\u041F\u0440"_s, "\xCF\xF0"},
        {"shift-jis a", 932, u"\u3042"_s, "\x82\xA0"},
        {"shift-jis unmappable", 932, u"a\u0416\u20ACb"_s, "a\x84\x47?b"},
        {"gbk", 936, u"\u4E2D"_s, "\xD6\xD0"},
        {"korean", 949, u"\uAC00"_s, "\xB0\xA1"},
        {"big5", 950, u"\u4E2D"_s, "\xA4\xA4"},
        {"utf-8", kavCP_UTF8, u"\u00E9"_s, "\xC3\xA9"},
    };
    for (const EncodeCase &c : cases) {
        EXPECT_EQ(kavUnicodeToCodePage(c.text, c.codePage), c.expected) << c.name;
        // What is mappable also decodes back.
        if (!c.expected.contains('?')) {
            EXPECT_EQ(kavCodePageToUnicode(c.expected, c.codePage), c.text) << c.name;
        }
    }
}

TEST(CodePage, MultiByteInvalidSequencesBecomeReplacement)
{
    // 0x82 starts a two-byte character in Shift-JIS; alone at the end it is truncated.
    EXPECT_EQ(kavCodePageToUnicode("a\x82", 932), u"a\uFFFD"_s);
    // 0xFF is no Shift-JIS lead byte.
    const QString text = kavCodePageToUnicode("a\xFF" "b", 932);
    EXPECT_EQ(text.front(), u'a');
    EXPECT_EQ(text.back(), u'b');
}

TEST(CodePage, SingleByteRoundTripOfDefinedBytes)
{
    // Undefined bytes of these pages are kept when their number is free, so every byte
    // survives the round trip.
    for (int cp : {1250, 1251, 1253, 1257, 874, 437, 850, 10000}) {
        const QByteArray bytes = allBytes();
        EXPECT_EQ(kavUnicodeToCodePage(kavCodePageToUnicode(bytes, cp), cp), bytes) << cp;
    }
}

TEST(CodePage, SystemAnsiCodePage)
{
    AnsiCodePageGuard guard;
    EXPECT_EQ(kavSystemAnsiCodePage(), 1252);
    kavSetSystemAnsiCodePage(1251);
    EXPECT_EQ(kavSystemAnsiCodePage(), 1251);
    EXPECT_EQ(kavCodePageToUnicode("\xC0"), u"\u0410"_s);
    EXPECT_EQ(kavUnicodeToCodePage(u"\u0410"_s), "\xC0");
    kavSetSystemAnsiCodePage(4711); // unknown: back to the default
    EXPECT_EQ(kavSystemAnsiCodePage(), 1252);
    EXPECT_EQ(kavCodePageToUnicode("\x80"), u"\u20AC"_s);
}

TEST(CodePage, KnownAndResolved)
{
    EXPECT_TRUE(kavIsCodePageKnown(1251));
    EXPECT_TRUE(kavIsCodePageKnown(932));
    EXPECT_FALSE(kavIsCodePageKnown(4711));
    EXPECT_FALSE(kavIsCodePageKnown(-3));
    EXPECT_EQ(kavResolveCodePage(4711), 1252);
    EXPECT_EQ(kavResolveCodePage(kavCP_OEMCP), 437);
}
