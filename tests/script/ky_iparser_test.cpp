// The tokenizer: every reader with default options and with each option set, comments
// and line ends, keywords, positions, and hostile input that must never go out of bounds.
#include "script/ky_iparser.h"

#include <QRandomGenerator>

#include <functional>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

std::string str(const QString &s)
{
    return s.toStdString();
}

// Reads the whole text as the grammar interpreter would, one token kind at a time, and
// lists what came back: n: number, s: string, w: word, c: punctuation, EOL.
QString lex(TkyParser &p)
{
    QStringList out;
    for (int guard = 0; guard < 1000; ++guard) {
        if (p.GetEOL()) {
            out << u"EOL"_s;
            continue;
        }
        QString t;
        if (!(t = p.GetNumber()).isEmpty()) {
            out << u"n:"_s + t;
        } else if (!(t = p.GetString()).isEmpty()) {
            out << u"s:"_s + t;
        } else if (!(t = p.GetWord()).isEmpty()) {
            out << u"w:"_s + t;
        } else {
            p.SkipSpaces();
            t = p.GetChar();
            if (t.isEmpty())
                break;
            out << u"c:"_s + t;
        }
    }
    return out.join(u' ');
}

using Configure = std::function<void(TkyParser &)>;

void defaults(TkyParser &) {}

// Line ends are tokens; ' and rem comments; "_" continues a line; "..." strings.
void basicLike(TkyParser &p)
{
    p.SetSkipEOL(false);
    p.SetCommentLine1(u"'"_s);
    p.SetCommentLine2(u"rem"_s);
    p.SetCommentBlock1({});
    p.SetCommentBlock2({});
    p.SetSkipChar(u"_"_s);
    p.SetStringQuotes(u"\""_s);
    p.SetHexSequence(u"&h"_s);
}

// Backslash escapes, "0x" numbers, /* */ comments.
void cLike(TkyParser &p)
{
    p.SetSpecStrChar(true);
    p.SetStringQuotes(u"\""_s);
    p.SetHexSequence(u"0x"_s);
    p.SetCommentBlock1(u"/*,*/"_s);
    p.SetCommentBlock2({});
    p.SetCaseSensitive(true);
}

struct LexCase
{
    const char *name;
    Configure setup;
    const char16_t *text;
    const char16_t *tokens;
};

TEST(KyParserLex, TokenStreams)
{
    const LexCase cases[] = {
        // --- default options ---
        {"line comment", defaults, u"x // note\r\ny", u"w:x w:y"},
        {"block comments", defaults, u"a{c}b(*c*)d", u"w:a w:b w:d"},
        {"unterminated block comment", defaults, u"a { never closed\r\nb", u"w:a"},
        {"statement", defaults, u"begin x:=1; end.", u"w:begin w:x c:: c:= n:1 c:; w:end c:."},
        {"doubled quote", defaults, u"'It''s'", u"s:'It's'"},
        {"pieces concatenate", defaults, u"'ab'#13#10'cd'", u"s:'ab\r\ncd'"},
        {"control codes", defaults, u"#65#$42 #$", u"s:'AB' c:# c:$"},
        {"quote inside is not doubled", defaults, u"'a''''b'", u"s:'a''b'"},
        {"unterminated string", defaults, u"'abc\r\nx", u"c:' w:abc w:x"},
        {"tab inside string", defaults, u"'a\tb'", u"s:'a\tb'"},
        {"control char ends string", defaults, u"'a\u0001b'", u"c:' w:a w:b c:'"},
        {"reals", defaults, u"1.5e3 2E-3 1e+5", u"n:1.5e3 n:2E-3 n:1e+5"},
        {"dot without digit", defaults, u"1.e3", u"n:1 c:. w:e3"},
        {"scale without digits", defaults, u"1e", u"n:1 w:e"},
        {"range", defaults, u"1..5", u"n:1 c:. c:. n:5"},
        {"hex", defaults, u"$1F $ $g", u"n:$1F c:$ c:$ w:g"},
        {"identifiers", defaults, u"_a a_b \u00e91 1a", u"w:_a w:a_b w:\u00e91 n:1 w:a"},
        {"line ends are spaces", defaults, u"a\r\n\r\nb\nc\rd", u"w:a w:b w:c w:d"},
        // --- line ends as tokens, ' and rem comments, continuation ---
        {"comment behind a statement",
         basicLike,
         u"a = 1 ' note\r\nb = 2",
         u"w:a c:= n:1 EOL w:b c:= n:2"},
        {"comment on its own line", basicLike, u"a = 1\r\n' own line\r\nb", u"w:a c:= n:1 EOL w:b"},
        {"comment indented", basicLike, u"a = 1\r\n  ' indented\r\nb", u"w:a c:= n:1 EOL EOL w:b"},
        {"comment at the start", basicLike, u"rem first\r\nx", u"w:x"},
        {"empty lines are one line end", basicLike, u"a\r\n\r\n\r\nb", u"w:a EOL w:b"},
        {"marker needs a word boundary",
         basicLike,
         u"remark = 5\r\nrem:x\r\ny",
         u"w:remark c:= n:5 EOL w:y"},
        {"markers are case-sensitive", basicLike, u"REM x", u"w:REM w:x"},
        {"comment marker at the very end", basicLike, u"x '", u"w:x"},
        {"continuation", basicLike, u"x = 1 + _\r\n2", u"w:x c:= n:1 c:+ n:2"},
        {"continuation with blanks", basicLike, u"x _ \t\r\n\r\n y", u"w:x w:y"},
        {"underscore starting a name", basicLike, u"x = _abc", u"w:x c:= w:_abc"},
        {"LF-only line ends", basicLike, u"a = 1\nb = 2", u"w:a c:= n:1 EOL w:b c:= n:2"},
        {"LF-only comments", basicLike, u"a\n' own\nb ' tail\nc", u"w:a EOL w:b EOL w:c"},
        {"CR-only line ends", basicLike, u"a\r' own\rb ' tail\rc", u"w:a EOL w:b EOL w:c"},
        {"doubled quote in \"...\"", basicLike, u"\"x\"\"y\"", u"s:'x\"y'"},
        {"other hex prefix", basicLike, u"&h1F &hz", u"n:$1F c:& w:hz"},
        // --- backslash escapes, 0x numbers ---
        {"escaped quote", cLike, u"\"a\\\"b\"", u"s:'a\"b'"},
        {"hex escape", cLike, u"\"\\x41\"", u"s:'A'"},
        {"unknown escape", cLike, u"\"\\q\"", u"s:'q'"},
        {"named escapes", cLike, u"\"\\n\\R\\t\\\\\"", u"s:'\n\rt\\'"},
        {"hex escape without digits", cLike, u"\"\\x\"", u"s:''"},
        {"long hex escape keeps 16 bits", cLike, u"\"\\x1234567\"", u"s:'\u4567'"},
        {"adjacent strings", cLike, u"\"a\"\"b\"", u"s:'ab'"},
        {"escape at a line end", cLike, u"\"a\\\r\n\"", u"c:\" w:a c:\\ c:\""},
        {"0x numbers", cLike, u"0x1F+0X1", u"n:$1F c:+ n:0 w:X1"},
        {"control piece with 0x", cLike, u"#0x41#66", u"s:'AB'"},
        {"c comments", cLike, u"/* c */ a // x\r\n/* open", u"w:a"},
    };
    for (const LexCase &c : cases) {
        SCOPED_TRACE(c.name);
        TkyParser p;
        c.setup(p);
        p.SetText(QString::fromUtf16(c.text));
        EXPECT_EQ(str(lex(p)), str(QString::fromUtf16(c.tokens)));
    }
}

// --- single readers ----------------------------------------------------------------------

struct ReaderCase
{
    const char *name;
    Configure setup;
    std::function<QString(TkyParser &)> read;
    const char16_t *text;
    const char16_t *result;
    int position; // after the call
};

QString number(TkyParser &p)
{
    return p.GetNumber();
}
QString string(TkyParser &p)
{
    return p.GetString();
}
QString word(TkyParser &p)
{
    return p.GetWord();
}
QString ident(TkyParser &p)
{
    return p.GetIdent();
}
QString punct(TkyParser &p)
{
    return p.GetChar();
}
QString kv(TkyParser &p)
{
    return p.GetKVString();
}

void pascalKeywords(TkyParser &p)
{
    p.AddKeyword(u"begin"_s);
    p.AddKeyword(u"end"_s);
}

TEST(KyParserReaders, ResultAndPosition)
{
    const ReaderCase cases[] = {
        {"0x alone", cLike, number, u"0x", u"", 1},
        {"0 before 0x", cLike, number, u"0y", u"0", 2},
        {"number skips blanks", defaults, number, u"  42;", u"42", 5},
        {"no number", defaults, number, u"  x", u"", 3},
        {"unterminated string", defaults, string, u"  'abc\r\n", u"", 3},
        {"string", defaults, string, u"'a' x", u"'a'", 4},
        {"keyword as word", pascalKeywords, word, u"begin x", u"begin", 6},
        {"keyword as ident", pascalKeywords, ident, u"begin x", u"", 6},
        {"keyword any case", pascalKeywords, ident, u"BEGIN", u"", 6},
        {"ident", pascalKeywords, ident, u"beginner", u"beginner", 9},
        {"keyword exact case",
         [](TkyParser &p) {
             cLike(p);
             p.AddKeyword(u"if"_s);
         },
         ident,
         u"If",
         u"If",
         3},
        {"char does not skip", defaults, punct, u" ;", u"", 1},
        {"char", defaults, punct, u"~x", u"~", 2},
        {"letter is no char", defaults, punct, u"a", u"", 1},
        {"DEL is no char", defaults, punct, u"\u007f", u"", 1},
        {"no skipping", [](TkyParser &p) { p.SetSkipSpace(false); }, word, u" abc", u"", 1},
        {"no skipping, at the word",
         [](TkyParser &p) { p.SetSkipSpace(false); },
         word,
         u"abc ",
         u"abc",
         4},
        {"custom charset",
         [](TkyParser &p) { p.ConstructCharset(u"abc-1"_s); },
         word,
         u"ab-c1d",
         u"ab-c1",
         6},
        {"custom charset, digit first",
         [](TkyParser &p) { p.ConstructCharset(u"a1"_s); },
         word,
         u"1a",
         u"",
         1},
        {"non-ASCII is always a word",
         [](TkyParser &p) { p.ConstructCharset(u"a"_s); },
         word,
         u"\u00e9a\u4e2d",
         u"\u00e9a\u4e2d",
         4},
        {"kv string", defaults, kv, u"Sum(<a>, \"x>y\")>", u"Sum(<a>, \"x>y\")", 16},
        {"kv nested", defaults, kv, u"a<b>c>d", u"a<b>c", 6},
        {"kv quoted field", defaults, kv, u"Data.\"Amount[1]\">", u"Data.\"Amount[1]\"", 17},
        {"kv apostrophes", defaults, kv, u"'it''s >'>", u"'it''s >'", 10},
        {"kv square bracket", defaults, kv, u"x]", u"x", 2},
        {"kv unterminated", defaults, kv, u"abc", u"abc", 4},
        {"block pair without comma",
         [](TkyParser &p) { p.SetCommentBlock1(u"["_s); },
         word,
         u"[x",
         u"x",
         3},
    };
    for (const ReaderCase &c : cases) {
        SCOPED_TRACE(c.name);
        TkyParser p;
        c.setup(p);
        p.SetText(QString::fromUtf16(c.text));
        EXPECT_EQ(str(c.read(p)), str(QString::fromUtf16(c.result)));
        EXPECT_EQ(p.Position(), c.position);
    }
}

TEST(KyParserReaders, LastPositionIsTheTokenStart)
{
    TkyParser p;
    p.SetText(u"a { c } beta"_s);
    EXPECT_EQ(str(p.GetWord()), "a");
    EXPECT_EQ(str(p.GetWord()), "beta");
    EXPECT_EQ(p.LastPosition(), 9);
    EXPECT_EQ(p.Position(), 13);
    p.SetPosition(3);
    EXPECT_EQ(p.LastPosition(), 3);
    p.SetPosition(99); // kept inside the text
    EXPECT_EQ(p.Position(), 13);
}

TEST(KyParserReaders, ControlCodesKeepLow16BitsAndNeverRaise)
{
    const qint64 big = 99999999999LL; // far beyond 32 bits
    TkyParser p;
    p.SetText(u"#%1#$123456789ABCDEF0"_s.arg(big));
    const QString expected = QString(QChar(char16_t(big & 0xFFFF))) + QChar(char16_t(0xDEF0));
    EXPECT_EQ(p.GetString(), u'\'' + expected + u'\'');
}

// --- options and keywords ----------------------------------------------------------------

TEST(KyParserOptions, DefaultsAndClear)
{
    TkyParser p;
    basicLike(p);
    cLike(p);
    p.SetSkipSpace(false);
    p.ConstructCharset(u"x"_s);
    p.AddKeyword(u"if"_s);
    p.SetText(u"abc"_s);
    p.SetPosition(2);
    p.Clear();
    EXPECT_FALSE(p.CaseSensitive());
    EXPECT_EQ(str(p.CommentBlock1()), "{,}");
    EXPECT_EQ(str(p.CommentBlock2()), "(*,*)");
    EXPECT_EQ(str(p.CommentLine1()), "//");
    EXPECT_TRUE(p.CommentLine2().isEmpty());
    EXPECT_EQ(str(p.HexSequence()), "$");
    EXPECT_TRUE(p.SkipChar().isEmpty());
    EXPECT_TRUE(p.SkipEOL());
    EXPECT_TRUE(p.SkipSpace());
    EXPECT_EQ(str(p.StringQuotes()), "'");
    EXPECT_FALSE(p.SpecStrChar());
    EXPECT_TRUE(p.Keywords().isEmpty());
    EXPECT_EQ(p.IdentifierCharset().count(), 63u); // 0-9, A-Z, a-z, _
    EXPECT_TRUE(p.IdentifierCharset().test('_'));
    // The text and position stay.
    EXPECT_EQ(str(p.Text()), "abc");
    EXPECT_EQ(p.Position(), 2);
    // The restored comment markers work again.
    p.SetText(u"a (* x *) b"_s);
    EXPECT_EQ(str(lex(p)), "w:a w:b");
}

TEST(KyParserOptions, KeywordsSortedAndCaseRules)
{
    TkyParser p;
    for (const QString &k : {u"while"_s, u"Begin"_s, u"end"_s, u"while"_s})
        p.AddKeyword(k);
    EXPECT_EQ(p.Keywords(), (QStringList{u"Begin"_s, u"end"_s, u"while"_s}));
    EXPECT_TRUE(p.IsKeyWord(u"BEGIN"_s));
    EXPECT_TRUE(p.IsKeyWord(u"While"_s));
    EXPECT_FALSE(p.IsKeyWord(u"whil"_s));
    p.SetCaseSensitive(true);
    EXPECT_FALSE(p.IsKeyWord(u"begin"_s));
    EXPECT_TRUE(p.IsKeyWord(u"Begin"_s));
}

// --- positions ---------------------------------------------------------------------------

struct XYCase
{
    const char16_t *text;
    int position;
    const char *xy;
};

TEST(KyParserPositions, LineAndColumn)
{
    const XYCase cases[] = {
        {u"ab\r\ncd", 1, "1:1"},
        {u"ab\r\ncd", 3, "1:3"}, // the CR
        {u"ab\r\ncd", 4, "1:4"}, // the LF ends line 1 and belongs to it
        {u"ab\r\ncd", 5, "2:1"},
        {u"ab\r\ncd", 7, "2:3"}, // end of text
        {u"ab\ncd", 3, "1:3"},
        {u"ab\ncd", 4, "2:1"},
        {u"ab\rcd", 3, "1:3"},
        {u"ab\rcd", 4, "2:1"},
        {u"\n\n\nx", 4, "4:1"},
        {u"\tx", 2, "1:2"}, // a tab is one column
        {u"", 1, "1:1"},
    };
    for (const XYCase &c : cases) {
        TkyParser p;
        p.SetText(QString::fromUtf16(c.text));
        p.SetPosition(c.position);
        EXPECT_EQ(str(p.GetXYPosition()), c.xy) << c.position;
    }
}

TEST(KyParserPositions, PlainPositionInvertsXY)
{
    TkyParser p;
    p.SetText(u"line one\r\n\tsecond\nthird\rfourth\r\n\r\nlast"_s);
    for (int pos = 1; pos <= p.Size() + 1; ++pos) {
        p.SetPosition(pos);
        const QPoint pt = kyParsePosition(p.GetXYPosition());
        EXPECT_EQ(p.GetPlainPosition(pt), pos) << str(p.GetXYPosition());
    }
    EXPECT_EQ(p.GetPlainPosition(QPoint(1, 0)), -1);
    EXPECT_EQ(p.GetPlainPosition(QPoint(1, 7)), -1);
    EXPECT_EQ(p.GetPlainPosition(QPoint(1, 6)), p.Size() - 3);
}

TEST(KyParserPositions, WithoutLineTableEverythingIsLineOne)
{
    TkyParser p;
    p.SetUseY(false);
    p.SetText(u"a\r\nb"_s);
    p.SetPosition(4);
    EXPECT_EQ(str(p.GetXYPosition()), "1:4");
}

TEST(KyParserPositions, ParsePosition)
{
    const std::pair<const char16_t *, QPoint> cases[] = {
        {u"", QPoint(0, 0)},
        {u"3:7", QPoint(7, 3)},
        {u" 2 : 5 ", QPoint(5, 2)},
        {u"12", QPoint(0, 12)},
        {u"x:y", QPoint(0, 0)},
        {u"4:", QPoint(0, 4)},
    };
    for (const auto &[text, point] : cases)
        EXPECT_EQ(kyParsePosition(QString::fromUtf16(text)), point)
            << str(QString::fromUtf16(text));
}

// --- hostile input -----------------------------------------------------------------------

TEST(KyParserRobustness, RandomTextStaysInBoundsAndTerminates)
{
    const QString alphabet = u"'\"\\#$0x1e.E+-_ \t\r\n{}(*)/<>[]rem\u00e9\u0001\u0000"_s;
    const Configure setups[] = {defaults, basicLike, cLike};
    QRandomGenerator rng(7);
    for (int n = 0; n < 3000; ++n) {
        QString text;
        const int length = int(rng.bounded(16));
        for (int i = 0; i < length; ++i)
            text += alphabet[int(rng.bounded(int(alphabet.size())))];
        TkyParser p;
        setups[n % 3](p);
        p.SetText(text);
        lex(p);
        ASSERT_GE(p.Position(), 1);
        ASSERT_LE(p.Position(), p.Size() + 1) << str(text);
        // Every reader at every start position.
        for (int pos = 1; pos <= p.Size() + 1; ++pos) {
            for (auto read : {number, string, word, ident, punct, kv}) {
                p.SetPosition(pos);
                read(p);
                ASSERT_LE(p.Position(), p.Size() + 1) << str(text);
                ASSERT_GE(p.Position(), pos);
            }
            p.SetPosition(pos);
            p.GetEOL();
            ASSERT_LE(p.Position(), p.Size() + 1);
        }
    }
}

} // namespace
