// The script engine's XML tree: value escaping, attribute access, tree operations,
// reading (malformed input, comments, nesting limit, truncation) and writing.
#include "rtl/kavExceptions.h"
#include "rtl/kavStreams.h"
#include "script/ky_xml.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

std::string str(const QString &s)
{
    return s.toStdString();
}

// name[text](child,child) -- a compact picture of a subtree.
QString dump(const TkyXMLItem &item)
{
    QString s = item.Name();
    if (!item.Text().isEmpty())
        s += u'[' + item.Text() + u']';
    if (item.Count() > 0) {
        QStringList children;
        for (int i = 0; i < item.Count(); ++i)
            children.append(dump(*item.Items(i)));
        s += u'(' + children.join(u',') + u')';
    }
    return s;
}

// Loads xml; returns the dump of the root, or the exception message prefixed with "!".
QString loadDump(const QString &xml)
{
    TkyXMLDocument doc;
    try {
        doc.LoadFromText(xml);
    } catch (const EkyError &e) {
        return u'!' + e.Message();
    }
    return dump(*doc.Root());
}

QString nested(int depth)
{
    return u"<?xml version=\"1.0\"?>"_s + u"<a>"_s.repeated(depth);
}

// --- escaping ----------------------------------------------------------------------------

struct EscapeCase
{
    const char16_t *value;
    const char16_t *escaped;
};

TEST(KyXmlEscape, WritesReferencesForSpecialCharacters)
{
    const EscapeCase cases[] = {
        {u"", u""},
        {u"plain text", u"plain text"},
        {u"a<b & \"c\"", u"a&#60;b &#38; &#34;c&#34;"},
        {u"x>y", u"x&#62;y"},
        {u"l1\r\nl2", u"l1&#13;&#10;l2"},
        {u"tab\t'apos' \u00e9\u4e2d", u"tab\t'apos' \u00e9\u4e2d"}, // passes unchanged
        // Text that looks like a reference keeps its ampersand escaped, so it reads back
        // as written instead of turning into the referenced character.
        {u"&quot;", u"&#38;quot;"},
        {u"&#60;", u"&#38;#60;"},
        {u"&amp;", u"&#38;amp;"},
    };
    for (const EscapeCase &c : cases) {
        const QString value = QString::fromUtf16(c.value);
        EXPECT_EQ(str(kyEscapeXML(value)), str(QString::fromUtf16(c.escaped))) << str(value);
        EXPECT_EQ(str(kyUnescapeXML(kyEscapeXML(value))), str(value));
    }
}

TEST(KyXmlEscape, UnescapesNumericReferencesAndQuotOnly)
{
    const EscapeCase cases[] = {
        {u"&#65;&#x42;&#X43;", u"ABC"},
        {u"a&quot;b", u"a\"b"},
        {u"&amp;&lt;&gt;", u"&amp;&lt;&gt;"}, // no other named entity is known
        {u"&#38;#60;", u"&#60;"},             // a decoded '&' does not start a new reference
        {u"&#128512;", u"\U0001F600"},        // above U+FFFF: a surrogate pair
        {u"&", u"&"},
        {u"x&", u"x&"},
        {u"&#", u"&#"},
        // Broken references stay as written and never read past the value.
        {u"&#;", u"&#;"},
        {u"&#12", u"&#12"},
        {u"&#12 x;", u"&#12 x;"},
        {u"&#x;", u"&#x;"},
        {u"&#1a;", u"&#1a;"},
        {u"&#-5;", u"&#-5;"},
        {u"&#99999999999999999999;", u"&#99999999999999999999;"},
        {u"&#1114112;", u"&#1114112;"}, // beyond the last code point
        {u"&quot", u"&quot"},
    };
    for (const EscapeCase &c : cases) {
        EXPECT_EQ(str(kyUnescapeXML(QString::fromUtf16(c.value))),
                  str(QString::fromUtf16(c.escaped)))
            << str(QString::fromUtf16(c.value));
    }
}

TEST(KyXmlEscape, RoundTripsEveryValue)
{
    // Random texts over an alphabet rich in the characters that matter.
    const QString alphabet = u"&#;quot<>\"\r\n\t x1a\u00e9"_s;
    QRandomGenerator rng(20261209);
    for (int n = 0; n < 2000; ++n) {
        QString value;
        const int length = int(rng.bounded(12));
        for (int i = 0; i < length; ++i)
            value += alphabet[int(rng.bounded(int(alphabet.size())))];
        ASSERT_EQ(str(kyUnescapeXML(kyEscapeXML(value))), str(value));
    }
}

// --- attributes --------------------------------------------------------------------------

struct SetPropCase
{
    const char16_t *text;
    const char16_t *name;
    const char16_t *value;
    const char16_t *result;
};

TEST(KyXmlEscape, UnpairedSurrogatesSurviveAFileRoundTrip)
{
    const QString value
        = QString(QChar(char16_t(0xD800))) + u"x\U0001F600"_s + QChar(char16_t(0xDC00));
    EXPECT_EQ(str(kyEscapeXML(value)), str(u"&#55296;x\U0001F600&#56320;"_s));
    TkyXMLDocument doc;
    doc.Root()->SetName(u"r"_s);
    doc.Root()->SetProp(u"v"_s, value);
    TkyXMLDocument copy;
    copy.LoadFromText(doc.SaveToText());
    EXPECT_EQ(copy.Root()->Prop(u"v"_s), value);
}

TEST(KyXmlRead, InvalidUtf8BecomesReplacementCharacters)
{
    TMemoryStream stream(QByteArray("<?xml?><a v=\"x\xff\xfe\"/>"));
    TkyXMLDocument doc;
    doc.LoadFromStream(stream);
    EXPECT_EQ(str(doc.Root()->Prop(u"v"_s)), str(u"x\uFFFD\uFFFD"_s));
}

TEST(KyXmlProps, SetPropAppendsOrReplacesInPlace)
{
    const SetPropCase cases[] = {
        {u"a=\"1\"", u"b", u"x", u"a=\"1\" b=\"x\""},
        {u"", u"b", u"x", u"b=\"x\""},
        {u"a=\"1\" ", u"b", u"x", u"a=\"1\" b=\"x\""}, // no second space
        {u"a=\"1\" b=\"2\" c=\"3\"", u"B", u"9", u"a=\"1\" B=\"9\" c=\"3\""},
        {u"a=\"1\"", u"A", u"", u"A=\"\""},
        {u"pos1=\"2:3\"", u"pos", u"1:1", u"pos1=\"2:3\" pos=\"1:1\""},
        {u"a=\"1\"",
         u"q",
         u"say \"hi\" & <go>",
         u"a=\"1\" q=\"say &#34;hi&#34; &#38; &#60;go&#62;\""},
        // ' b="' inside a's value is not attribute b.
        {u"a=\"x b=\" b=\"2\"", u"b", u"3", u"a=\"x b=\" b=\"3\""},
    };
    for (const SetPropCase &c : cases) {
        TkyXMLItem item;
        item.SetText(QString::fromUtf16(c.text));
        item.SetProp(QString::fromUtf16(c.name), QString::fromUtf16(c.value));
        EXPECT_EQ(str(item.Text()), str(QString::fromUtf16(c.result))) << str(item.Text());
        EXPECT_EQ(str(item.Prop(QString::fromUtf16(c.name))), str(QString::fromUtf16(c.value)));
    }
}

struct GetPropCase
{
    const char16_t *text;
    const char16_t *name;
    bool exists;
    const char16_t *value;
};

TEST(KyXmlProps, GetPropMatchesWholeNamesCaseInsensitively)
{
    const GetPropCase cases[] = {
        {u"a=\"1\"", u"A", true, u"1"},
        {u"pos1=\"2:3\"", u"pos", false, u""},
        {u"xpos=\"2:3\"", u"pos", false, u""},
        {u" a=\"1\"", u"a", true, u"1"},
        {u"a=\"1\" b=\"two words\"", u"B", true, u"two words"},
        {u"a=\"x b=\" b=\"2\"", u"b", true, u"2"},
        {u"a=\"&#60;&quot;\"", u"a", true, u"<\""},
        {u"a=\"unterminated", u"a", true, u"unterminated"},
        {u"a=1", u"a", false, u""}, // only quoted values count
        {u"", u"a", false, u""},
    };
    for (const GetPropCase &c : cases) {
        TkyXMLItem item;
        item.SetText(QString::fromUtf16(c.text));
        const QString name = QString::fromUtf16(c.name);
        EXPECT_EQ(item.PropExists(name), c.exists) << str(item.Text());
        EXPECT_EQ(str(item.Prop(name)), str(QString::fromUtf16(c.value))) << str(item.Text());
    }
}

// --- tree --------------------------------------------------------------------------------

TEST(KyXmlTree, AddInsertFindExtract)
{
    TkyXMLItem root;
    root.SetName(u"r"_s);
    TkyXMLItem *a = root.Add(u"a"_s);
    TkyXMLItem *c = root.Add(u"c"_s);
    TkyXMLItem *b = root.InsertItem(1, std::make_unique<TkyXMLItem>());
    b->SetName(u"b"_s);
    EXPECT_EQ(str(dump(root)), "r(a,b,c)");
    EXPECT_EQ(b->Parent(), &root);
    EXPECT_EQ(root.Find(u"C"_s), 2);
    EXPECT_EQ(root.Find(u"d"_s), -1);
    EXPECT_EQ(root.IndexOf(c), 2);
    EXPECT_EQ(root.FindItem(u"B"_s), b);
    TkyXMLItem *d = root.FindItem(u"d"_s); // a missing name is appended
    EXPECT_EQ(str(dump(root)), "r(a,b,c,d)");
    EXPECT_EQ(d->Add()->Add(u"deep"_s)->Root(), &root);

    std::unique_ptr<TkyXMLItem> taken = root.Extract(a);
    ASSERT_EQ(taken.get(), a);
    EXPECT_EQ(a->Parent(), nullptr);
    EXPECT_EQ(root.Extract(a), nullptr); // no longer a child
    EXPECT_EQ(root.IndexOf(a), -1);
    root.Items(2)->AddItem(std::move(taken)); // moves under d
    EXPECT_EQ(str(dump(root)), "r(b,c,d((deep),a))");
    EXPECT_EQ(a->Parent(), root.Items(2));

    EXPECT_THROW(root.Items(3), EListError);
    EXPECT_THROW(root.Items(-1), EListError);
    EXPECT_THROW(root.InsertItem(4, std::make_unique<TkyXMLItem>()), EListError);
    root.Clear();
    EXPECT_EQ(root.Count(), 0);
    EXPECT_EQ(str(root.Name()), "r");
}

TEST(KyXmlTree, AssignCopiesDeeplyEvenFromOwnDescendant)
{
    int marker = 0;
    TkyXMLItem source;
    source.SetName(u"s"_s);
    source.SetText(u"k=\"v\""_s);
    source.SetData(&marker);
    source.Add(u"x"_s)->Add(u"y"_s);

    TkyXMLItem target;
    target.Add(u"old"_s);
    target.Assign(source);
    EXPECT_EQ(str(dump(target)), "s[k=\"v\"](x(y))");
    EXPECT_EQ(target.Data(), &marker);
    EXPECT_EQ(target.Items(0)->Parent(), &target);
    source.Items(0)->SetName(u"changed"_s);
    EXPECT_EQ(str(dump(target)), "s[k=\"v\"](x(y))"); // a copy, not shared

    // The source is inside the subtree being replaced.
    target.Assign(*target.Items(0));
    EXPECT_EQ(str(dump(target)), "x(y)");
    EXPECT_EQ(target.Items(0)->Parent(), &target);
}

// Every way into a tree is bounded like the reader: no item below MaxDepth levels, and a
// refused addition leaves the tree as it was.
TEST(KyXmlTree, NestingIsBoundedOnEveryWayIn)
{
    const int limit = TkyXMLItem::MaxDepth;
    TkyXMLItem root;
    root.SetName(u"a"_s);
    TkyXMLItem *leaf = &root;
    for (int i = 0; i < limit; ++i)
        leaf = leaf->Add(u"a"_s);
    EXPECT_THROW(leaf->Add(), EkyError);
    EXPECT_EQ(leaf->Count(), 0);

    auto chain = std::make_unique<TkyXMLItem>(); // limit levels below its top
    for (TkyXMLItem *it = chain.get(); it->Root()->SubtreeCount() <= limit;)
        it = it->Add();
    EXPECT_THROW(root.AddItem(std::move(chain)), EkyError);
    auto shallow = std::make_unique<TkyXMLItem>();
    shallow->Add()->Add();
    EXPECT_THROW(leaf->Parent()->InsertItem(0, std::move(shallow)), EkyError);
    EXPECT_EQ(leaf->Parent()->Count(), 1);
    EXPECT_EQ(root.SubtreeCount(), limit + 1);

    // Written and read back without recursion, at the deepest nesting allowed.
    TkyXMLDocument doc;
    doc.Root()->Assign(root);
    const QString text = doc.SaveToText();
    TkyXMLDocument again;
    again.LoadFromText(text);
    EXPECT_EQ(again.SaveToText(), text);
    EXPECT_EQ(again.Root()->SubtreeCount(), limit + 1);
}

TEST(KyXmlTree, ItemCountsFollowEveryChange)
{
    TkyXMLItem root;
    TkyXMLItem *a = root.Add();
    a->Add()->Add();
    root.Add();
    EXPECT_EQ(root.SubtreeCount(), 5);
    std::unique_ptr<TkyXMLItem> taken = root.Extract(a);
    EXPECT_EQ(root.SubtreeCount(), 2);
    EXPECT_EQ(taken->SubtreeCount(), 3);
    root.Items(0)->Assign(*taken);
    EXPECT_EQ(root.SubtreeCount(), 4);
    root.Items(0)->Clear();
    EXPECT_EQ(root.SubtreeCount(), 2);
}

// --- reading -----------------------------------------------------------------------------

struct ReadCase
{
    const char *name;
    const char16_t *xml;
    const char16_t *dump; // "!" + message for an error
};

TEST(KyXmlRead, Documents)
{
    const ReadCase cases[] = {
        {"text content is ignored", u"<?xml version=\"1.0\"?><a>text</a>", u"a"},
        {"closing tag matches case-insensitively", u"<?xml?><a><b/></A>", u"a(b)"},
        {"mismatched closing tag", u"<?xml?><a><b/></c>", u"!Invalid file format"},
        {"no declaration", u"<a/>", u"!Invalid file format"},
        {"other first tag", u"<xml/><a/>", u"!Invalid file format"},
        {"'<' inside a tag", u"<?xml?><a <b/>", u"!Invalid file format"},
        {"end inside a tag", u"<?xml?><a x=\"1\"", u"!Invalid file format"},
        {"end inside a comment", u"<?xml?><a><!-- x", u"!Invalid file format"},
        {"open elements at the end", u"<?xml?><a><b><c/>", u"a(b(c))"},
        {"header only", u"<?xml?>", u""},
        {"empty input", u"", u"!Invalid file format"},
        {"leaf forms",
         u"<?xml?><r><a/><b x=\"1\"/><c /><d x=\"1\" /></r>",
         u"r(a,b[x=\"1\"],c,d[x=\"1\" ])"}, // only the slash is dropped
        {"values stay escaped", u"<?xml?><a v=\"&#60;\"/>", u"a[v=\"&#60;\"]"},
        {"comments", u"<?xml?><!-- c --><a><!-- x > y --><b/><!----></a>", u"a(b)"},
        {"comment with '<' and dashes", u"<?xml?><a><!-- <b/> - -- ---><c/></a>", u"a(c)"},
        {"line breaks and indentation", u"<?xml?>\r\n<a>\r\n  <b/>\n</a>\r\n", u"a(b)"},
        {"byte order mark", u"\uFEFF<?xml?><a/>", u"a"},
        {"non-ASCII names and values", u"<?xml?><\u00e4 v=\"\u4e2d\"/>", u"\u00e4[v=\"\u4e2d\"]"},
        {"stray closing tag as document element", u"<?xml?></a>", u""},
        {"text after the document element", u"<?xml?><a/><b/>", u"a"},
        {"single-quoted values",
         u"<?xml?><a l='0' t=\"30\" x='say \"hi\"'/>",
         u"a[l=\"0\" t=\"30\" x=\"say &#34;hi&#34;\"]"},
        {"unclosed single quote", u"<?xml?><a l='0 t=\"30\"/>", u"!Invalid file format"},
    };
    for (const ReadCase &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(str(loadDump(QString::fromUtf16(c.xml))), str(QString::fromUtf16(c.dump)));
    }
}

TEST(KyXmlRead, NestingDepthIsBounded)
{
    const int limit = TkyXMLReader::MaxDepth;
    // The document element is depth 0, so limit + 1 nested elements are accepted.
    EXPECT_EQ(loadDump(nested(limit + 1)).left(1), u"a"_s);
    EXPECT_EQ(str(loadDump(nested(limit + 2))), "!Invalid file format");
    EXPECT_EQ(str(loadDump(nested(200000))), "!Invalid file format");
}

TEST(KyXmlRead, EveryTruncatedPrefixLoadsOrFailsCleanly)
{
    const QString xml = u"<?xml version=\"1.0\"?><r a=\"1\"><b x=\"&#60;\"/><c><d/></c></r>"_s;
    for (qsizetype n = 0; n <= xml.size(); ++n) {
        const QString prefix = xml.left(n);
        // Cut inside a tag (more '<' than '>') or before the declaration ends: an error.
        const bool broken = prefix.count(u'<') > prefix.count(u'>') || n < 21;
        const QString result = loadDump(prefix);
        EXPECT_EQ(result.startsWith(u'!'), broken) << str(prefix) << " -> " << str(result);
    }
}

TEST(KyXmlRead, FailedLoadLeavesNoPartialTree)
{
    TkyXMLDocument doc;
    doc.LoadFromText(u"<?xml?><a><old/></a>"_s);
    EXPECT_THROW(doc.LoadFromText(u"<?xml?><a><b/><c/></d>"_s), EkyError);
    EXPECT_EQ(doc.Root()->Count(), 0);
}

TEST(KyXmlRead, StreamIsLeftAfterTheLastByteRead)
{
    const QByteArray xml = "<?xml version=\"1.0\"?><a><b/></a>";
    TMemoryStream stream(xml + QByteArray(5000, 'z'));
    TkyXMLDocument doc;
    doc.LoadFromStream(stream);
    EXPECT_EQ(stream.Position(), xml.size());
    EXPECT_EQ(str(dump(*doc.Root())), "a(b)");
}

// --- writing -----------------------------------------------------------------------------

TEST(KyXmlWrite, OneLineOrIndentedWithCrLf)
{
    TkyXMLDocument doc;
    TkyXMLItem *root = doc.Root();
    root->SetName(u"a"_s);
    root->SetProp(u"x"_s, u"1"_s);
    root->Add(u"b"_s)->Add(u"c"_s)->SetText(u" y=\"2\""_s); // leading space kept single
    root->Add(u"d"_s);
    EXPECT_EQ(str(doc.SaveToText()),
              "<?xml version=\"1.0\"?><a x=\"1\"><b><c y=\"2\"/></b><d/></a>");
    doc.SetAutoIndent(true);
    EXPECT_EQ(str(doc.SaveToText()),
              "<?xml version=\"1.0\"?>\r\n<a x=\"1\">\r\n  <b>\r\n    <c y=\"2\"/>\r\n  </b>\r\n"
              "  <d/>\r\n</a>\r\n");
}

TEST(KyXmlWrite, SaveLoadSaveIsStable)
{
    // Large enough to need several buffer flushes; values with every special character.
    TkyXMLDocument doc;
    doc.Root()->SetName(u"program"_s);
    for (int i = 0; i < 400; ++i) {
        TkyXMLItem *item = doc.Root()->Add(u"node"_s);
        item->SetProp(u"text"_s, u"'&#60;&quot;' <%1> \"\r\n\u00e9"_s.arg(i));
        item->Add(u"leaf"_s)->SetProp(u"pos"_s, u"%1:1"_s.arg(i));
    }
    for (bool indent : {false, true}) {
        doc.SetAutoIndent(indent);
        const QString first = doc.SaveToText();
        TkyXMLDocument copy;
        copy.SetAutoIndent(indent);
        copy.LoadFromText(first);
        EXPECT_EQ(copy.SaveToText(), first);
        ASSERT_EQ(copy.Root()->Count(), 400);
        EXPECT_EQ(str(copy.Root()->Items(7)->Prop(u"TEXT"_s)),
                  str(u"'&#60;&quot;' <7> \"\r\n\u00e9"_s));
        EXPECT_EQ(str(copy.Root()->Items(399)->Items(0)->Prop(u"pos"_s)), "399:1");
    }
}

TEST(KyXmlWrite, FilesRoundTrip)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString fileName = dir.filePath(u"doc.xml"_s);
    TkyXMLDocument doc;
    doc.Root()->SetName(u"r"_s);
    doc.Root()->Add(u"item"_s)->SetProp(u"v"_s, u"a&b"_s);
    doc.SaveToFile(fileName);
    TkyXMLDocument loaded;
    loaded.LoadFromFile(fileName);
    EXPECT_EQ(str(loaded.Root()->Items(0)->Prop(u"v"_s)), "a&b");
    EXPECT_THROW(loaded.LoadFromFile(dir.filePath(u"missing.xml"_s)), EFOpenError);
    EXPECT_THROW(doc.SaveToFile(dir.filePath(u"no/such/dir/doc.xml"_s)), EStreamError);
}

} // namespace
