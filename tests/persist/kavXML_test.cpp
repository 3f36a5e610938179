// The XML document: attribute text, escaping, reading, writing, lazy loading and files.
#include <persist/kavXML.h>

#include <rtl/kavCodePage.h>
#include <rtl/kavDateTime.h>
#include <rtl/kavStreams.h>
#include <rtl/kavVariant.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// A compact picture of a tree: name[text](child,child).
QString dump(const TkavXMLItem &item)
{
    QString s = item.Name();
    if (!item.Text().isEmpty())
        s += u'[' + item.Text() + u']';
    if (item.Count() > 0) {
        QStringList children;
        for (int i = 0; i < item.Count(); ++i)
            children << dump(*item.Items(i));
        s += u'(' + children.join(u',') + u')';
    }
    return s;
}

QByteArray save(TkavXMLDocument &doc)
{
    TMemoryStream stream;
    doc.SaveToStream(stream);
    return stream.Data();
}

void load(TkavXMLDocument &doc, const QByteArray &bytes)
{
    TMemoryStream stream(bytes);
    doc.LoadFromStream(stream);
}

QByteArray withHeader(const QByteArray &body)
{
    return R"(<?xml version="1.0" encoding="utf-8" standalone="no"?>)" + body;
}

QStringList filesIn(const QString &dir, const QString &pattern = u"*"_s)
{
    return QDir(dir).entryList({pattern}, QDir::Files | QDir::Hidden);
}

// A report-like document: a root with attributes, pages and views.
void buildSample(TkavXMLDocument &doc, int pages = 3, int views = 4)
{
    TkavXMLItem *root = doc.Root();
    root->SetName(u"TkavReport"_s);
    root->SetProp(u"Version"_s, u"3.1"_s);
    root->SetProp(u"Title"_s, u"Q&A <draft> \"1\"\r\nÄ€\U0001F600"_s);
    for (int p = 0; p < pages; ++p) {
        TkavXMLItem *page = root->Add(u"TkavReportPage"_s);
        page->SetProp(u"Name"_s, u"Page%1"_s.arg(p + 1));
        for (int v = 0; v < views; ++v) {
            TkavXMLItem *view = page->Add(u"TkavMemoView"_s);
            view->SetProp(u"Name"_s, u"Memo%1"_s.arg(v));
            view->SetProp(u"Left"_s, QString::number(v * 10));
            view->SetProp(u"Text"_s, u"a&lt;b & [Value] \u00DF"_s);
        }
    }
}

} // namespace

// ---------------------------------------------------------------------------------------
// Attribute text

struct PropCase
{
    const char *name;
    QString text;
    QString prop;
    QString value;    // SetProp value
    QString expected; // resulting text
};

TEST(XMLItem, SetPropTable)
{
    const PropCase cases[] = {
        {"append", uR"(A="1")"_s, u"B"_s, u"x"_s, uR"(A="1" B="x")"_s},
        {"empty text", QString(), u"B"_s, u"x"_s, uR"(B="x")"_s},
        {"replace keeps order, name as given", uR"(A="1" B="x")"_s, u"a"_s, u"2"_s,
         uR"(a="2" B="x")"_s},
        {"replace last", uR"(A="1" B="x")"_s, u"b"_s, u"y"_s, uR"(A="1" b="y")"_s},
        {"trailing space is reused", uR"(A="1" )"_s, u"B"_s, u"2"_s, uR"(A="1" B="2")"_s},
        {"value is escaped", QString(), u"T"_s, u"<\"&\">"_s, uR"(T="&#60;&#34;&#38;&#34;&#62;")"_s},
        {"name inside a value is not an attribute", uR"(Text="see Left=" Left="5")"_s, u"Left"_s,
         u"7"_s, uR"(Text="see Left=" Left="7")"_s},
        {"only inside a value: appended", uR"(Text="x Left=")"_s, u"Left"_s, u"7"_s,
         uR"(Text="x Left=" Left="7")"_s},
        {"tab hides the attribute", u"A=\"1\"\tB=\"2\""_s, u"B"_s, u"3"_s,
         u"A=\"1\"\tB=\"2\" B=\"3\""_s},
        {"length-preserving fold", uR"(STRAßE="1")"_s, u"straße"_s, u"2"_s, uR"(straße="2")"_s},
        {"unterminated value replaced", uR"(A="1" B="open)"_s, u"B"_s, u"2"_s,
         uR"(A="1" B="2")"_s},
    };
    for (const PropCase &c : cases) {
        TkavXMLItem item;
        item.SetText(c.text);
        item.SetProp(c.prop, c.value);
        EXPECT_EQ(item.Text(), c.expected) << c.name;
        EXPECT_EQ(item.GetProp(c.prop), c.value) << c.name;
    }
}

TEST(XMLItem, GetPropTable)
{
    const struct
    {
        const char *name;
        QString text;
        QString prop;
        QString expected;
        bool exists;
    } cases[] = {
        {"exact", uR"(Left="5")"_s, u"Left"_s, u"5"_s, true},
        {"lower-case name", uR"(left="5")"_s, u"Left"_s, u"5"_s, true},
        {"after a space", uR"(Top="1" Left="5")"_s, u"Left"_s, u"5"_s, true},
        {"after a tab: hidden", u"Top=\"1\"\tLeft=\"5\""_s, u"Left"_s, QString(), false},
        {"glued to the previous pair: hidden", uR"(Top="1"Left="5")"_s, u"Left"_s, QString(),
         false},
        {"leading space", uR"( Left="5")"_s, u"Left"_s, u"5"_s, true},
        {"inside another value", uR"(Text="see Left=" Left="5")"_s, u"Left"_s, u"5"_s, true},
        {"only inside a value", uR"(Text=" Left=&#34;9")"_s, u"Left"_s, QString(), false},
        {"prefix of a longer name", uR"(LeftX="5")"_s, u"Left"_s, QString(), false},
        {"suffix of a longer name", uR"(XLeft="5")"_s, u"Left"_s, QString(), false},
        {"decoded", uR"(T="a&#38;lt;b &amp; &#34;q&#34;")"_s, u"T"_s, u"a&lt;b & \"q\""_s, true},
        {"unterminated value runs to the end", uR"(T="abc)"_s, u"T"_s, u"abc"_s, true},
        {"junk before the pair", uR"(x=1 junk Left="5")"_s, u"Left"_s, u"5"_s, true},
        {"absent", uR"(A="1")"_s, u"B"_s, QString(), false},
        {"empty text", QString(), u"A"_s, QString(), false},
    };
    for (const auto &c : cases) {
        TkavXMLItem item;
        item.SetText(c.text);
        EXPECT_EQ(item.GetProp(c.prop), c.expected) << c.name;
        EXPECT_EQ(item.PropExists(c.prop), c.exists) << c.name;
    }
}

TEST(XMLItem, DeletePropTable)
{
    const struct
    {
        const char *name;
        QString text;
        QString prop;
        QString expected;
    } cases[] = {
        {"first", uR"(A="1" B="2")"_s, u"A"_s, uR"(B="2")"_s},
        {"last keeps the trailing space", uR"(A="1" B="2")"_s, u"B"_s, uR"(A="1" )"_s},
        {"middle", uR"(A="1" B="2" C="3")"_s, u"b"_s, uR"(A="1" C="3")"_s},
        {"only", uR"(A="1")"_s, u"A"_s, QString()},
        {"absent", uR"(A="1")"_s, u"C"_s, uR"(A="1")"_s},
        {"never inside a value", uR"(T="x B=" B="2")"_s, u"B"_s, uR"(T="x B=" )"_s},
        {"glued neighbour survives", uR"(A="1"B="2")"_s, u"A"_s, uR"(B="2")"_s},
    };
    for (const auto &c : cases) {
        TkavXMLItem item;
        item.SetText(c.text);
        item.DeleteProp(c.prop);
        EXPECT_EQ(item.Text(), c.expected) << c.name;
    }
}

TEST(XMLItem, TreeOperations)
{
    TkavXMLItem root(u"r"_s);
    TkavXMLItem *a = root.Add(u"a"_s);
    TkavXMLItem *b = root.Add(u"B"_s);
    TkavXMLItem *c = a->Add(u"c"_s);
    EXPECT_EQ(root.Find(u"b"), 1);
    EXPECT_EQ(root.Find(u"x"), -1);
    EXPECT_EQ(root.FindItem(u"A"_s), a);
    TkavXMLItem *x = root.FindItem(u"x"_s);
    EXPECT_EQ(root.Count(), 3);
    EXPECT_EQ(root.IndexOf(x), 2);
    EXPECT_EQ(c->Root(), &root);

    // Moving between parents and within a parent.
    b->AddItem(c);
    EXPECT_EQ(dump(root), u"r(a,B(c),x)"_s);
    root.InsertItem(0, x);
    EXPECT_EQ(dump(root), u"r(x,a,B(c))"_s);
    root.AddItem(x);
    EXPECT_EQ(dump(root), u"r(a,B(c),x)"_s);

    // Cycles and orphans are refused; the tree stays as it was.
    EXPECT_THROW(c->AddItem(b), EListError);
    EXPECT_THROW(b->AddItem(b), EListError);
    EXPECT_THROW(root.InsertItem(5, a), EListError);
    TkavXMLItem loose;
    EXPECT_THROW(root.AddItem(&loose), EListError);
    EXPECT_THROW(root.Items(3), EListError);
    EXPECT_EQ(dump(root), u"r(a,B(c),x)"_s);

    std::unique_ptr<TkavXMLItem> taken = root.TakeItem(1);
    EXPECT_EQ(taken->Parent(), nullptr);
    EXPECT_EQ(dump(root), u"r(a,x)"_s);
    EXPECT_THROW(taken->Items(0)->AddItem(std::move(taken)), EListError);
}

TEST(XMLItem, ClearOfUnloadableItemUnloadsIt)
{
    TkavXMLItem item(u"p"_s);
    item.Add(u"x"_s);
    item.SetText(uR"(A="1")"_s);
    item.SetValue(u"v"_s);
    item.Clear();
    EXPECT_TRUE(item.Loaded());
    item.Add(u"x"_s);
    item.SetUnloadable(true);
    item.Clear();
    EXPECT_FALSE(item.Loaded());
    EXPECT_EQ(item.Count(), 0);
    EXPECT_EQ(item.Text(), uR"(A="1")"_s);
    EXPECT_EQ(item.Value(), u"v"_s);
}

// ---------------------------------------------------------------------------------------
// Escaping

TEST(XMLText, EncodeTable)
{
    const struct
    {
        const char *name;
        QString in;
        QString out;
    } cases[] = {
        {"plain", u"abc"_s, u"abc"_s},
        {"line break", u"a\r\nb"_s, u"a&#13;&#10;b"_s},
        {"short value: ampersand escaped too", u"R&D"_s, u"R&#38;D"_s},
        {"long value", u"R&D"_s + QString(29, u'x'), u"R&#38;D"_s + QString(29, u'x')},
        {"existing entity is not special", u"&quot;"_s, u"&#38;quot;"_s},
        {"NUL", QString(QChar(0)) + u"x"_s, u"&#0;x"_s},
        {"NUL in a long value", QString(QChar(0)) + QString(40, u'x'), u"&#0;"_s + QString(40, u'x')},
        {"markup", u"<a href=\"x\">"_s, u"&#60;a href=&#34;x&#34;&#62;"_s},
        {"apostrophe, tab, non-ASCII pass", u"it's\t\u00E9\U0001F600"_s, u"it's\t\u00E9\U0001F600"_s},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(kavEncodeXMLText(c.in), c.out) << c.name;
        EXPECT_EQ(kavDecodeXMLText(kavEncodeXMLText(c.in)), c.in) << c.name << " round trip";
    }
}

TEST(XMLText, DecodeTable)
{
    const struct
    {
        const char *name;
        QString in;
        QString out;
    } cases[] = {
        {"named", u"&quot;&amp;&lt;&gt;"_s, u"\"&<>"_s},
        {"continues after a replacement", u"&amp;lt;"_s, u"&lt;"_s},
        {"decimal", u"&#65;&#10;"_s, u"A\n"_s},
        {"leading zeros", u"&#00065;"_s, u"A"_s},
        {"hex", u"&#x41;&#X4a;"_s, u"AJ"_s},
        {"NUL", u"a&#0;b"_s, QString(u"a"_s + QChar(0) + u"b"_s)},
        {"above the BMP: surrogate pair", u"&#128512;"_s, u"\U0001F600"_s},
        {"highest code point", u"&#1114111;"_s, QString::fromUcs4(U"\U0010FFFF")},
        {"out of range stays", u"&#1114112;"_s, u"&#1114112;"_s},
        {"huge stays", u"&#99999999999999999999;"_s, u"&#99999999999999999999;"_s},
        {"surrogate code stays", u"&#55296;"_s, u"&#55296;"_s},
        {"empty body stays", u"&#;"_s, u"&#;"_s},
        {"letters in decimal stay", u"&#12a;"_s, u"&#12a;"_s},
        {"bare x stays", u"&#x;"_s, u"&#x;"_s},
        {"unterminated at the end", u"a&#65"_s, u"a&#65"_s},
        {"unterminated before text", u"&#65 b;"_s, u"&#65 b;"_s},
        {"ampersand at the end", u"a&"_s, u"a&"_s},
        {"hash at the end", u"a&#"_s, u"a&#"_s},
        {"apos is not an entity", u"&apos;"_s, u"&apos;"_s},
        {"partial entity", u"&am"_s, u"&am"_s},
        {"bare ampersand", u"R&D"_s, u"R&D"_s},
        {"many references", u"&#60;&#60;&#60;"_s, u"<<<"_s},
    };
    for (const auto &c : cases)
        EXPECT_EQ(kavDecodeXMLText(c.in), c.out) << c.name;
}

TEST(XMLText, VariantToXML)
{
    const TDateTime moment = EncodeDate(2024, 2, 29) + EncodeTime(13, 5, 9, 0);
    const struct
    {
        const char *name;
        Variant value;
        QString out;
    } cases[] = {
        {"Integer", Variant(-42), u"-42"_s},
        {"Smallint", Variant::FromInteger(-7, varSmallint), u"-7"_s},
        {"ShortInt", Variant::FromInteger(-8, varShortInt), u"-8"_s},
        {"Byte", Variant::FromInteger(255, varByte), u"255"_s},
        {"Word", Variant::FromInteger(65535, varWord), u"65535"_s},
        {"LongWord", Variant(4294967295u), u"4294967295"_s},
        {"Int64", Variant(qint64(-9000000000000000000)), u"-9000000000000000000"_s},
        {"Double", Variant(2.5), u"2.5"_s},
        {"Single keeps 7 digits", Variant::FromSingle(0.1f), u"0.1"_s},
        {"Currency", Variant::FromCurrencyUnits(12345), u"1.2345"_s},
        {"Date with time", Variant::FromDate(moment), u"2024-02-29T13:05:09"_s},
        {"Date at midnight", Variant::FromDate(EncodeDate(1999, 12, 31)), u"1999-12-31T00:00:00"_s},
        {"Date with milliseconds", Variant::FromDate(EncodeDate(2000, 1, 1) + EncodeTime(0, 0, 1, 250)),
         u"2000-01-01T00:00:01.250"_s},
        {"String escaped", Variant(u"a\"b&c"_s), u"a&#34;b&#38;c"_s},
        {"True", Variant(true), u"1"_s},
        {"False", Variant(false), u"0"_s},
        {"Empty", Variant(), QString()},
        {"Null", Variant::Null(), QString()},
    };
    for (const auto &c : cases)
        EXPECT_EQ(kavVariantToXML(c.value), c.out) << c.name;
}

// ---------------------------------------------------------------------------------------
// Reading

TEST(XMLReader, ParseTable)
{
    const struct
    {
        const char *name;
        QByteArray body;
        QString tree; // empty: "Invalid file format"
    } cases[] = {
        {"leaf root", "<a/>", u"a"_s},
        {"leaf with attributes", R"(<a x="1"/>)", uR"(a[x="1"])"_s},
        {"case-insensitive end tag", "<a><b/></A>", u"a(b)"_s},
        {"mismatched end tag", "<a><b/></c>", QString()},
        {"truncated after a child", "<a><b/>", u"a(b)"_s},
        {"text content is dropped", "<a>text</a>", u"a"_s},
        {"comment skipped", "<a><!-- <b/> --><c/></a>", u"a(c)"_s},
        {"comment needs exactly two dashes", "<a><!-- x --->y--><c/></a>", u"a(c)"_s},
        {"one trailing space removed", R"(<a x="1" ><b /></a>)", uR"(a[x="1"](b))"_s},
        {"nested", R"(<r><p n="1"><v/><v/></p><p n="2"/></r>)", uR"(r(p[n="1"](v,v),p[n="2"]))"_s},
        {"indentation and CR LF", "<r>\r\n  <c/>\r\n</r>\r\n", u"r(c)"_s},
        {"'<' inside a tag", R"(<a x="<"/>)", QString()},
        {"end of data inside a tag", R"(<a x="1")", QString()},
        {"end of data inside a comment", "<a><!-- x", QString()},
        {"stray end tag at the root", "</a>", u""_s},
        // Single-quoted values take the double-quoted form; no value moves to another name.
        {"single quotes",
         R"(<a l='0' t="30" x = 'say "hi"' y="it's"/>)",
         uR"(a[l="0" t="30" x="say &#34;hi&#34;" y="it's"])"_s},
        {"unclosed single quote", R"(<a l='0 t="30"/>)", QString()},
    };
    for (const auto &c : cases) {
        TkavXMLDocument doc;
        if (c.tree.isNull()) {
            EXPECT_THROW(load(doc, withHeader(c.body)), TkavInvalidXMLException) << c.name;
            continue;
        }
        load(doc, withHeader(c.body));
        EXPECT_EQ(dump(*doc.Root()), c.tree) << c.name;
    }
}

TEST(XMLReader, HeaderRequired)
{
    TkavXMLDocument doc;
    EXPECT_THROW(load(doc, "<a/>"), TkavInvalidXMLException);
    EXPECT_THROW(load(doc, ""), TkavInvalidXMLException);
    try {
        load(doc, "<a/>");
    } catch (const TkavInvalidXMLException &e) {
        EXPECT_EQ(e.Message(), u"Invalid file format"_s);
        EXPECT_STREQ(e.ClassName(), "TkavInvalidXMLException");
    }
    // A byte-order mark before the declaration is skipped.
    load(doc, "\xEF\xBB\xBF" + withHeader("<a/>"));
    EXPECT_EQ(doc.Root()->Name(), u"a"_s);
}

TEST(XMLReader, HeaderDecidesEncoding)
{
    // "é" as UTF-8 (C3 A9) and as Windows-1252 (E9).
    const struct
    {
        const char *name;
        QByteArray header;
        QByteArray body;
        bool oldVersion;
        QString value;
    } cases[] = {
        {"written header", R"(<?xml version="1.0" encoding="utf-8" standalone="no"?>)",
         "<a T=\"\xC3\xA9\"/>", false, u"\u00E9"_s},
        {"explicit utf-8 without standalone",
         R"(<?xml version="1.0" encoding="utf-8"?>)", "<a T=\"\xC3\xA9\"/>", false, u"\u00E9"_s},
        {"explicit UTF8 single quotes", R"(<?xml version='1.0' encoding='UTF8'?>)",
         "<a T=\"\xC3\xA9\"/>", false, u"\u00E9"_s},
        {"old header: ANSI", R"(<?xml version="1.0"?>)", "<a T=\"\xE9\x80\"/>", true,
         u"\u00E9\u20AC"_s},
        {"old header with ANSI encoding", R"(<?xml version="1.0" encoding="windows-1252"?>)",
         "<a T=\"\xE9\"/>", true, u"\u00E9"_s},
        {"version 1.1 is UTF-8", R"(<?xml version="1.1" encoding="utf-8"?>)",
         "<a T=\"\xC3\xA9\"/>", false, u"\u00E9"_s},
        {"invalid UTF-8 becomes U+FFFD", R"(<?xml version="1.1"?>)", "<a T=\"x\xFFy\"/>", false,
         u"x\uFFFDy"_s},
        {"truncated UTF-8 sequence", R"(<?xml version="1.1"?>)", "<a T=\"x\xE2\x82\"/>", false,
         u"x\uFFFD\uFFFD"_s},
        {"encoded surrogate", R"(<?xml version="1.1"?>)", "<a T=\"\xED\xA0\x80\"/>", false,
         u"\uFFFD\uFFFD\uFFFD"_s},
    };
    for (const auto &c : cases) {
        TkavXMLDocument doc;
        load(doc, c.header + c.body);
        EXPECT_EQ(doc.OldVersion(), c.oldVersion) << c.name;
        EXPECT_EQ(doc.Root()->GetProp(u"T"), c.value) << c.name;
    }
}

TEST(XMLReader, TagAcrossReadBlocks)
{
    // Attribute text far longer than one read block, and a comment spanning blocks.
    const QString big(200000, u'x');
    TkavXMLDocument doc;
    doc.Root()->SetName(u"r"_s);
    doc.Root()->Add(u"c"_s)->SetProp(u"T"_s, big);
    QByteArray bytes = save(doc);
    bytes.insert(bytes.indexOf("<r>") + 3, "<!--" + QByteArray(100000, '<') + "-->");
    TkavXMLDocument copy;
    load(copy, bytes);
    ASSERT_EQ(copy.Root()->Count(), 1);
    EXPECT_EQ(copy.Root()->Items(0)->GetProp(u"T"), big);
}

TEST(XMLReader, NestingDepthIsBounded)
{
    const auto nested = [](int depth) {
        QByteArray body;
        for (int i = 0; i < depth; ++i)
            body += "<a>";
        for (int i = 0; i < depth; ++i)
            body += "</a>";
        return withHeader(body);
    };
    TkavXMLDocument doc;
    load(doc, nested(TkavXMLReader::MaxDepth));
    int depth = 1;
    for (const TkavXMLItem *item = doc.Root(); item->Count() > 0; item = item->Items(0))
        ++depth;
    EXPECT_EQ(depth, TkavXMLReader::MaxDepth);
    EXPECT_THROW(load(doc, nested(TkavXMLReader::MaxDepth + 1)), TkavInvalidXMLException);
    // Deep hostile input: a clean error instead of a stack overflow.
    EXPECT_THROW(load(doc, nested(100000)), TkavInvalidXMLException);
}

TEST(XMLWriter, TooDeepTreeIsRefusedNotWritten)
{
    TkavXMLDocument doc;
    doc.Root()->SetName(u"a"_s);
    TkavXMLItem *item = doc.Root();
    for (int i = 1; i < TkavXMLReader::MaxDepth; ++i)
        item = item->Add(u"a"_s);
    TkavXMLDocument copy;
    load(copy, save(doc)); // as deep as the reader accepts: fine
    item = item->Add(u"a"_s);
    TMemoryStream stream;
    EXPECT_THROW(doc.SaveToStream(stream), TkavInvalidXMLException);
    // Building (and destroying) a very deep tree in memory is harmless.
    for (int i = 0; i < 200000; ++i)
        item = item->Add(u"a"_s);
    doc.Clear();
    EXPECT_EQ(doc.Root()->Count(), 0);
}

TEST(XMLReader, FailedLoadKeepsTheDocument)
{
    TkavXMLDocument doc;
    load(doc, withHeader(R"(<r x="1"><a/></r>)"));
    EXPECT_THROW(load(doc, withHeader("<q><b/></c>")), TkavInvalidXMLException);
    EXPECT_EQ(dump(*doc.Root()), uR"(r[x="1"](a))"_s);
    // A successful load replaces name and attributes as well.
    load(doc, withHeader("<q/>"));
    EXPECT_EQ(dump(*doc.Root()), u"q"_s);
}

TEST(XMLReader, EveryPrefixFailsCleanly)
{
    TkavXMLDocument source;
    buildSample(source, 2, 2);
    source.Root()->Items(0)->SetValue(u"text"_s);
    source.SetAutoIndent(true);
    QByteArray bytes = save(source);
    bytes.insert(bytes.indexOf("<TkavReportPage"), "<!-- note -->");
    int parsed = 0;
    int rejected = 0;
    for (qsizetype n = 0; n <= bytes.size(); ++n) {
        TkavXMLDocument doc;
        try {
            load(doc, bytes.left(n));
            ++parsed;
            // Whatever was accepted is a well-formed tree that saves and reloads.
            TkavXMLDocument again;
            load(again, save(doc));
            EXPECT_EQ(dump(*again.Root()), dump(*doc.Root())) << n;
        } catch (const TkavInvalidXMLException &) {
            ++rejected;
        }
    }
    EXPECT_GT(parsed, 0);
    EXPECT_GT(rejected, 0);
    TkavXMLDocument whole;
    load(whole, bytes);
    EXPECT_EQ(dump(*whole.Root()), dump(*source.Root()));
}

// ---------------------------------------------------------------------------------------
// Writing

TEST(XMLWriter, ExactBytes)
{
    TkavXMLDocument doc;
    doc.Root()->SetName(u"r"_s);
    doc.Root()->SetText(uR"(x="1")"_s);
    doc.Root()->Add(u"c"_s);
    doc.SetAutoIndent(true);
    EXPECT_EQ(save(doc), "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?>\r\n"
                         "<r x=\"1\">\r\n"
                         "  <c/>\r\n"
                         "</r>\r\n");
    doc.SetAutoIndent(false);
    EXPECT_EQ(save(doc), R"(<?xml version="1.0" encoding="utf-8" standalone="no"?><r x="1"><c/></r>)");
}

TEST(XMLWriter, ValueIsEscapedAndNotRead)
{
    TkavXMLDocument doc;
    doc.Root()->SetName(u"r"_s);
    doc.Root()->Add(u"v"_s)->SetValue(u"</r><evil/>&"_s);
    const QByteArray bytes = save(doc);
    EXPECT_TRUE(bytes.contains("<v>&#60;/r&#62;&#60;evil/&#62;&#38;</v>")) << bytes.constData();
    TkavXMLDocument copy;
    load(copy, bytes);
    EXPECT_EQ(dump(*copy.Root()), u"r(v)"_s);
    EXPECT_TRUE(copy.Root()->Items(0)->Value().isEmpty());
}

TEST(XMLWriter, NamesInTheAnsiCodePageTextInUtf8)
{
    TkavXMLDocument doc;
    doc.Root()->SetName(u"Gr\u00FC\u00DFe"_s);
    doc.Root()->SetProp(u"T"_s, u"\u00FC"_s);
    const QByteArray bytes = save(doc);
    EXPECT_TRUE(bytes.contains("<Gr\xFC\xDF" "e T=\"\xC3\xBC\"/>")) << bytes.constData();
    TkavXMLDocument copy;
    load(copy, bytes);
    EXPECT_EQ(copy.Root()->Name(), doc.Root()->Name());
    EXPECT_EQ(copy.Root()->GetProp(u"T"), u"\u00FC"_s);
}

TEST(XMLWriter, RoundTripGivesTheSameBytes)
{
    for (const bool indent : {false, true}) {
        TkavXMLDocument doc;
        buildSample(doc);
        doc.Root()->Items(1)->Add(u"Empty"_s);
        doc.SetAutoIndent(indent);
        const QByteArray first = save(doc);
        TkavXMLDocument copy;
        copy.SetAutoIndent(indent);
        load(copy, first);
        EXPECT_EQ(save(copy), first) << indent;
        EXPECT_EQ(copy.Root()->GetProp(u"Title"), doc.Root()->GetProp(u"Title"));
        // "a&lt;b" is user text, not an entity: it comes back as written.
        EXPECT_EQ(copy.Root()->Items(0)->Items(0)->GetProp(u"Text"), u"a&lt;b & [Value] \u00DF"_s);
    }
}

// ---------------------------------------------------------------------------------------
// Lazy loading

TEST(XMLLazy, UnloadAndLoadThroughSwapFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QString swapFile;
    {
        TkavXMLDocument doc;
        doc.SetTempDir(dir.path());
        buildSample(doc, 2, 3);
        TkavXMLItem *page = doc.Root()->Items(1);
        page->SetUnloadable(true);
        const QString before = dump(*page);
        const QByteArray whole = save(doc);

        doc.UnloadItem(*page);
        EXPECT_EQ(page->Count(), 0);
        EXPECT_FALSE(page->Loaded());
        swapFile = doc.TempFile();
        EXPECT_EQ(filesIn(dir.path(), u"kv*"_s).size(), 1);
        EXPECT_TRUE(QFileInfo(swapFile).fileName().startsWith(u"kv"_s));
        EXPECT_EQ(QFileInfo(swapFile).absolutePath(), QDir(dir.path()).absolutePath());

        // Saving fetches the swapped children for the duration of the write.
        EXPECT_EQ(save(doc), whole);
        EXPECT_FALSE(page->Loaded());

        doc.LoadItem(*page);
        EXPECT_TRUE(page->Loaded());
        EXPECT_EQ(dump(*page), before);

        // Unloaded again: appended; and back once more.
        doc.UnloadItem(*page);
        doc.LoadItem(*page);
        EXPECT_EQ(dump(*page), before);

        doc.Clear();
        EXPECT_FALSE(QFile::exists(swapFile));
        EXPECT_TRUE(filesIn(dir.path()).isEmpty());
        doc.UnloadItem(*doc.Root()); // not unloadable: nothing happens
        EXPECT_TRUE(filesIn(dir.path()).isEmpty());
        buildSample(doc, 1, 1);
        doc.Root()->Items(0)->SetUnloadable(true);
        doc.UnloadItem(*doc.Root()->Items(0));
        swapFile = doc.TempFile();
        EXPECT_TRUE(QFile::exists(swapFile));
    }
    EXPECT_FALSE(QFile::exists(swapFile)); // the destructor removes it
}

TEST(XMLLazy, SavedSwappedPagesKeepTheirNewAttributes)
{
    // A swapped page's children are written as stored, its start tag as it is now; an
    // indented save reads them back. Either way the bytes of a document kept in memory.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    TkavXMLDocument doc, reference;
    doc.SetTempDir(dir.path());
    for (TkavXMLDocument *d : {&doc, &reference}) {
        buildSample(*d, 3, 4);
        for (int i = 0; i < 3; ++i)
            d->Root()->Items(i)->SetUnloadable(true);
    }
    doc.UnloadItem(*doc.Root()->Items(0));
    doc.UnloadItem(*doc.Root()->Items(2));
    for (TkavXMLDocument *d : {&doc, &reference})
        d->Root()->Items(2)->SetProp(u"Name", u"Renamed <3>"_s);
    for (const bool indent : {false, true}) {
        doc.SetAutoIndent(indent);
        reference.SetAutoIndent(indent);
        EXPECT_EQ(save(doc), save(reference)) << indent;
        EXPECT_FALSE(doc.Root()->Items(2)->Loaded());
    }
    // Loaded back and swapped again unchanged, the page still saves the same.
    doc.SetAutoIndent(false);
    reference.SetAutoIndent(false);
    doc.LoadItem(*doc.Root()->Items(2));
    doc.UnloadItem(*doc.Root()->Items(2));
    EXPECT_EQ(save(doc), save(reference));
}

TEST(XMLLazy, MarkerIsRecognisedAndNeverDuplicated)
{
    TkavXMLDocument doc;
    doc.Root()->SetName(u"preparedreport"_s);
    TkavXMLItem *plain = doc.Root()->Add(u"page1"_s);
    plain->Add(u"b"_s);
    TkavXMLItem *withText = doc.Root()->Add(u"page2"_s);
    withText->SetText(uR"(A="1")"_s);
    withText->Add(u"b"_s);
    TkavXMLItem *leaf = doc.Root()->Add(u"page3"_s);
    for (TkavXMLItem *item : {plain, withText, leaf})
        item->SetUnloadable(true);
    const QByteArray first = save(doc);
    EXPECT_TRUE(first.contains(R"(<page1 ld="0"><b/></page1>)")) << first.constData();
    EXPECT_TRUE(first.contains(R"(<page2 A="1" ld="0"><b/></page2>)")) << first.constData();
    EXPECT_TRUE(first.contains(R"(<page3 ld="0"/>)")) << first.constData();

    // Fully read: the marker is taken out of the text, the children are in memory.
    TkavXMLDocument full;
    load(full, first);
    EXPECT_EQ(dump(*full.Root()), uR"(preparedreport(page1(b),page2[A="1"](b),page3))"_s);

    // Partially read: marked elements are lazy, at the right offsets.
    TkavXMLDocument partial;
    partial.LoadFromStream(std::make_unique<TMemoryStream>(first), true);
    for (int i = 0; i < 3; ++i) {
        TkavXMLItem *page = partial.Root()->Items(i);
        EXPECT_FALSE(page->Loaded()) << i;
        EXPECT_TRUE(page->Unloadable()) << i;
        EXPECT_EQ(page->Count(), 0) << i;
        EXPECT_FALSE(page->PropExists(u"ld")) << i;
    }
    EXPECT_EQ(partial.Root()->Items(1)->Text(), uR"(A="1")"_s);
    // Write, read partially, write again: the same bytes every cycle.
    QByteArray bytes = save(partial);
    EXPECT_EQ(bytes, first);
    for (int cycle = 0; cycle < 3; ++cycle) {
        TkavXMLDocument next;
        next.LoadFromStream(std::make_unique<TMemoryStream>(bytes), true);
        next.LoadItem(*next.Root()->Items(0));
        EXPECT_EQ(dump(*next.Root()->Items(0)), u"page1(b)"_s);
        bytes = save(next);
        EXPECT_EQ(bytes, first) << cycle;
    }
}

TEST(XMLLazy, PartialLoadFromFileAndOffsetsChecked)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(u"pages.kw3"_s);
    {
        TkavXMLDocument doc;
        buildSample(doc, 4, 2);
        for (int i = 0; i < 4; ++i)
            doc.Root()->Items(i)->SetUnloadable(true);
        doc.SaveToFile(path);
        EXPECT_FALSE(doc.Root()->Items(2)->Loaded()); // reloaded from the new file
    }
    TkavXMLDocument doc;
    doc.LoadFromFile(path);
    TkavXMLItem *page = doc.Root()->Items(2);
    ASSERT_FALSE(page->Loaded());
    doc.LoadItem(*page);
    EXPECT_EQ(dump(*page), uR"(TkavReportPage[Name="Page3"](TkavMemoView[Name="Memo0" Left="0" Text="a&#38;lt;b &#38; [Value] ß"],TkavMemoView[Name="Memo1" Left="10" Text="a&#38;lt;b &#38; [Value] ß"]))"_s);
    const QString loaded = dump(*page);
    // Unchanged, it returns to its place in the file; changed, it cannot go back there and
    // stays in memory. No swap file either way.
    doc.UnloadItem(*page);
    EXPECT_FALSE(page->Loaded());
    doc.LoadItem(*page);
    EXPECT_EQ(dump(*page), loaded);
    page->Add(u"TkavMemoView"_s);
    page->SetModified(true);
    doc.UnloadItem(*page);
    EXPECT_TRUE(page->Loaded());
    EXPECT_TRUE(filesIn(dir.path(), u"kv*"_s).isEmpty());

    // Offsets outside the stream, or not at the item's own tag, are refused cleanly.
    TkavXMLItem *other = doc.Root()->Items(3);
    const qint64 good = other->Offset();
    for (const qint64 bad : {qint64(-1), qint64(1) << 40, good + 1, qint64(0)}) {
        other->SetOffset(bad);
        EXPECT_THROW(doc.LoadItem(*other), TkavInvalidXMLException) << bad;
        EXPECT_FALSE(other->Loaded());
        EXPECT_EQ(other->Count(), 0);
    }
    other->SetOffset(good);
    doc.LoadItem(*other);
    EXPECT_EQ(other->Count(), 2);
}

// ---------------------------------------------------------------------------------------
// Files

TEST(XMLFile, AtomicSave)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(u"report.kv3"_s);
    // A fixed-name neighbour must survive (no "<name>.tmp" is used).
    QFile neighbour(path + u".tmp"_s);
    ASSERT_TRUE(neighbour.open(QIODevice::WriteOnly));
    neighbour.write("keep");
    neighbour.close();

    TkavXMLDocument doc;
    buildSample(doc, 2, 1);
    doc.SaveToFile(path);
    QFile written(path);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QByteArray good = written.readAll();
    written.close();
    EXPECT_EQ(good, save(doc));

    // A save that fails halfway (an unloaded item that cannot be fetched) reports the
    // error and leaves the old file and the folder as they were.
    TkavXMLDocument broken;
    broken.LoadFromFile(path);
    broken.Root()->Items(0)->SetUnloadable(true);
    broken.Root()->Items(0)->Clear();
    broken.Root()->Items(0)->SetOffset(qint64(1) << 40);
    EXPECT_THROW(broken.SaveToFile(path), TkavInvalidXMLException);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), good);
    written.close();
    EXPECT_EQ(filesIn(dir.path()), QStringList({u"report.kv3"_s, u"report.kv3.tmp"_s}));

    // Saving over the file the document is backed by works, and reloads from it.
    TkavXMLDocument reopened;
    reopened.LoadFromFile(path);
    reopened.Root()->SetProp(u"Version"_s, u"4"_s);
    reopened.SaveToFile(path);
    TkavXMLDocument check;
    check.LoadFromFile(path);
    EXPECT_EQ(check.Root()->GetProp(u"Version"), u"4"_s);
    EXPECT_EQ(check.Root()->Count(), 2);

    EXPECT_THROW(doc.SaveToFile(dir.filePath(u"missing/x.kv3"_s)), EStreamError);
    EXPECT_THROW(doc.LoadFromFile(dir.filePath(u"missing.kv3"_s)), EStreamError);
}

// ---------------------------------------------------------------------------------------
// Cases that crashed or corrupted data before

TEST(XMLRegressions, MutatedDocumentsFailCleanly)
{
    TkavXMLDocument source;
    buildSample(source, 2, 2);
    source.Root()->Items(0)->SetUnloadable(true);
    const QByteArray bytes = save(source);
    // Deterministic mutations: every byte position replaced by each structural byte.
    int parsed = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        for (const char c : {'<', '>', '/', '"', ' ', '&', '\0', '\xFF'}) {
            QByteArray mutated = bytes;
            mutated[i] = c;
            for (const bool partial : {false, true}) {
                TkavXMLDocument doc;
                try {
                    doc.LoadFromStream(std::make_unique<TMemoryStream>(mutated), partial);
                    for (int k = 0; k < doc.Root()->Count(); ++k)
                        doc.LoadItem(*doc.Root()->Items(k));
                    save(doc);
                    ++parsed;
                } catch (const TkavInvalidXMLException &) {
                }
            }
        }
    }
    EXPECT_GT(parsed, 0);
}

TEST(XMLRegressions, HostileAttributeText)
{
    TkavXMLItem item;
    // Malformed references never throw and stay as written.
    for (const QString &text : {uR"(A="&#99999999;")"_s, uR"(A="&#xZZ;")"_s, uR"(A="&#;")"_s,
                                uR"(A="&#12a;" =)"_s, uR"(A="&#-1;")"_s}) {
        item.SetText(text);
        EXPECT_NO_THROW(item.GetProp(u"A")) << text.toStdString();
        item.SetProp(u"B"_s, u"x"_s);
        EXPECT_EQ(item.GetProp(u"B"), u"x"_s) << text.toStdString();
        EXPECT_EQ(item.GetProp(u"A"), text.section(u'"', 1, 1)) << text.toStdString();
    }
    // Unterminated values run to the end of the text; nothing reads past it.
    for (const QString &text : {uR"(A="&#)"_s, uR"(A=")"_s, uR"(=")"_s, uR"(")"_s, u"A=\"&"_s}) {
        item.SetText(text);
        EXPECT_NO_THROW(item.GetProp(u"A")) << text.toStdString();
        EXPECT_NO_THROW(item.DeleteProp(u"A"));
        EXPECT_NO_THROW(item.SetProp(u"A"_s, u"1"_s));
    }
}
