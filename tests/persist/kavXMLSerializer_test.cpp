#include <persist/kavXMLSerializer.h>

#include <persist/kavRes.h>
#include <persist/kavXML.h>
#include <report/kavComponent.h>
#include <report/kavReport.h>
#include <rtl/kavCaseFold.h>
#include <rtl/kavCodePage.h>
#include <rtl/kavFormatSettings.h>
#include <rtl/kavStreams.h>
#include <rtl/kavRTTI.h>
#include <rtl/kavVariant.h>

#include "kavTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

using namespace Qt::StringLiterals;

// Readable failure messages (internal linkage: other suites may print QString their way).
namespace {

// ---------------------------------------------------------------------------------------
// Small classes with one published property of every kind.

enum TSerAlign : int { saLeft, saRight, saCenter, saBlock };
using TSerAligns = TkavSet<TSerAlign>;

const TkavEnumInfo &kavEnumTypeInfo(TSerAlign)
{
    static const TkavEnumInfo info(u"TSerAlign"_s,
                                   {u"saLeft"_s, u"saRight"_s, u"saCenter"_s, u"saBlock"_s});
    return info;
}

const TkavSetInfo &kavSetTypeInfo(TSerAligns)
{
    static const TkavSetInfo info(u"TSerAligns"_s, kavEnumTypeInfo(TSerAlign{}));
    return info;
}

class TSerSub : public TPersistent
{
public:
    KAV_CLASSINFO

    const QString &Name() const { return FName; }
    void SetName(const QString &v) { FName = v; }
    int Size() const { return FSize; }
    void SetSize(int v) { FSize = v; }

private:
    QString FName;
    int FSize = 10;
};

const TkavClassInfo &TSerSub::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TSerSub, TPersistent>(
        u"TSerSub"_s, [](TkavPropBuilder<TSerSub> &p) {
            p.String(u"Name"_s, &TSerSub::Name, &TSerSub::SetName);
            p.Int(u"Size"_s, &TSerSub::Size, &TSerSub::SetSize).Default(10);
        });
    return info;
}

class TSerObj : public TPersistent
{
public:
    KAV_CLASSINFO

    int Count() const { return FCount; }
    void SetCount(int v) { FCount = v; }
    int Color() const { return FColor; }
    void SetColor(int v) { FColor = v; }
    qint64 Big() const { return FBig; }
    void SetBig(qint64 v) { FBig = v; }
    char Letter() const { return FLetter; }
    void SetLetter(char v) { FLetter = v; }
    TSerAlign Align() const { return FAlign; }
    void SetAlign(TSerAlign v) { FAlign = v; }
    bool Visible() const { return FVisible; }
    void SetVisible(bool v) { FVisible = v; }
    bool Flag() const { return FFlag; }
    void SetFlag(bool v) { FFlag = v; }
    TSerAligns Aligns() const { return FAligns; }
    void SetAligns(TSerAligns v) { FAligns = v; }
    double Left() const { return FLeft; }
    void SetLeft(double v) { FLeft = v; }
    double Width() const { return FWidth; }
    void SetWidth(double v) { FWidth = v; }
    const QString &Caption() const { return FCaption; }
    void SetCaption(const QString &v) { FCaption = v; }
    const QString &OnClick() const { return FOnClick; }
    void SetOnClick(const QString &v) { FOnClick = v; }
    Variant Value() const { return FValue; }
    void SetValue(const Variant &v) { FValue = v; }
    TSerSub *Sub() const { return const_cast<TSerSub *>(&FSub); }
    TStringList *Lines() const { return const_cast<TStringList *>(&FLines); }
    int Hidden() const { return FHidden; }
    void SetHidden(int v) { FHidden = v; }
    int Cond() const { return FCond; }
    void SetCond(int v) { FCond = v; }
    bool IsCondStored() const { return FCount > 0; }
    int ReadOnly() const { return 7; }

private:
    int FCount = 0;
    int FColor = 0x1FFFFFFF;
    qint64 FBig = 0;
    char FLetter = 0;
    TSerAlign FAlign = saLeft;
    bool FVisible = true;
    bool FFlag = false;
    TSerAligns FAligns;
    double FLeft = 0;
    double FWidth = 0;
    QString FCaption;
    QString FOnClick;
    Variant FValue;
    TSerSub FSub;
    TStringList FLines;
    int FHidden = 0;
    int FCond = 5;
};

const TkavClassInfo &TSerObj::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TSerObj, TPersistent>(
        u"TSerObj"_s, [](TkavPropBuilder<TSerObj> &p) {
            p.Int(u"Count"_s, &TSerObj::Count, &TSerObj::SetCount).Default(0);
            p.Int(u"Color"_s, &TSerObj::Color, &TSerObj::SetColor)
                .TypeName(u"TColor"_s)
                .Default(0x1FFFFFFF);
            p.Int64(u"Big"_s, &TSerObj::Big, &TSerObj::SetBig);
            p.Char(u"Letter"_s, &TSerObj::Letter, &TSerObj::SetLetter).Default(0);
            p.Enum(u"Align"_s, &TSerObj::Align, &TSerObj::SetAlign).Default(saLeft);
            p.Bool(u"Visible"_s, &TSerObj::Visible, &TSerObj::SetVisible).Default(true);
            p.Bool(u"Flag"_s, &TSerObj::Flag, &TSerObj::SetFlag);
            p.Set(u"Aligns"_s, &TSerObj::Aligns, &TSerObj::SetAligns).Default(TSerAligns{});
            p.Float(u"Left"_s, &TSerObj::Left, &TSerObj::SetLeft);
            p.Float(u"Width"_s, &TSerObj::Width, &TSerObj::SetWidth);
            p.String(u"Caption"_s, &TSerObj::Caption, &TSerObj::SetCaption);
            p.Event(u"OnClick"_s, &TSerObj::OnClick, &TSerObj::SetOnClick);
            p.VariantProp(u"Value"_s, &TSerObj::Value, &TSerObj::SetValue);
            p.Object(u"Sub"_s, &TSerObj::Sub);
            p.StringList(u"Lines"_s, &TSerObj::Lines);
            p.Int(u"Hidden"_s, &TSerObj::Hidden, &TSerObj::SetHidden).Stored(false);
            p.Int(u"Cond"_s, &TSerObj::Cond, &TSerObj::SetCond).StoredIf(&TSerObj::IsCondStored);
            p.Int(u"ReadOnly"_s, &TSerObj::ReadOnly);
        });
    return info;
}

// An object whose sub-object property leads back to itself: nesting must stay bounded.
class TSerLoop : public TPersistent
{
public:
    KAV_CLASSINFO

    TPersistent *Next() const { return const_cast<TSerLoop *>(this); }
    int Tag() const { return FTag; }
    void SetTag(int v) { FTag = v; }

private:
    int FTag = 1;
};

const TkavClassInfo &TSerLoop::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TSerLoop, TPersistent>(
        u"TSerLoop"_s, [](TkavPropBuilder<TSerLoop> &p) {
            p.Int(u"Tag"_s, &TSerLoop::Tag, &TSerLoop::SetTag);
            p.Object(u"Next"_s, &TSerLoop::Next);
        });
    return info;
}

// What a default TSerObj writes: properties without declared default, the variant (always
// written, even empty) and the string list.
const QString DefaultText = u" Big=\"0\" Flag=\"False\" Left=\"0\" Width=\"0\" Value=\"\""
                            " Lines.Text=\"\" ReadOnly=\"7\""_s;

std::string str(const QString &s)
{
    return s.toStdString();
}

QString write(TSerObj &obj, TPersistent *ancestor = nullptr, bool defaults = false)
{
    TkavXMLSerializer s;
    s.SetSerializeDefaultValues(defaults);
    return s.ObjToXML(&obj, QString(), ancestor);
}

// ---------------------------------------------------------------------------------------
// Writing

TEST(XMLSerializerWrite, DefaultObjectWritesOnlyPropertiesWithoutDefault)
{
    TSerObj obj;
    EXPECT_EQ(str(write(obj)), str(DefaultText));
    EXPECT_EQ(str(TkavXMLSerializer().ObjToXML(nullptr)), str(QString()));
}

struct WriteCase
{
    const char *name;
    std::function<void(TSerObj &)> set;
    QString attribute; // expected in the text, with its leading space
};

TEST(XMLSerializerWrite, EachKindToAttributeTextAndBack)
{
    const WriteCase cases[] = {
        {"integer", [](TSerObj &o) { o.SetCount(42); }, u" Count=\"42\""_s},
        {"negative integer", [](TSerObj &o) { o.SetCount(-7); }, u" Count=\"-7\""_s},
        {"system colour", [](TSerObj &o) { o.SetColor(-16777208); }, u" Color=\"-16777208\""_s},
        {"black colour", [](TSerObj &o) { o.SetColor(0); }, u" Color=\"0\""_s},
        {"int64 above 32 bits",
         [](TSerObj &o) { o.SetBig((qint64(1) << 40) + 5); },
         u" Big=\"1099511627781\""_s},
        {"int64 negative",
         [](TSerObj &o) { o.SetBig(-9000000000000LL); },
         u" Big=\"-9000000000000\""_s},
        {"character as code", [](TSerObj &o) { o.SetLetter('A'); }, u" Letter=\"65\""_s},
        {"enumeration identifier", [](TSerObj &o) { o.SetAlign(saCenter); }, u" Align=\"saCenter\""_s},
        {"boolean off its default", [](TSerObj &o) { o.SetVisible(false); }, u" Visible=\"False\""_s},
        {"boolean without default", [](TSerObj &o) { o.SetFlag(true); }, u" Flag=\"True\""_s},
        {"set as decimal mask",
         [](TSerObj &o) { o.SetAligns({saRight, saBlock}); },
         u" Aligns=\"10\""_s},
        {"float with point", [](TSerObj &o) { o.SetLeft(439.65337); }, u" Left=\"439.65337\""_s},
        {"float exponent", [](TSerObj &o) { o.SetWidth(1e20); }, u" Width=\"1E20\""_s},
        {"string escaped",
         [](TSerObj &o) { o.SetCaption(u"a\"b<c&d\r\ne"_s); },
         u" Caption=\"a&#34;b&#60;c&#38;d&#13;&#10;e\""_s},
        {"event as procedure name",
         [](TSerObj &o) { o.SetOnClick(u"Memo1OnClick"_s); },
         u" OnClick=\"Memo1OnClick\""_s},
        {"variant as text", [](TSerObj &o) { o.SetValue(Variant(u"x&y"_s)); }, u" Value=\"x&#38;y\""_s},
        {"nested object dotted", [](TSerObj &o) { o.Sub()->SetName(u"Arial"_s); }, u" Sub.Name=\"Arial\""_s},
        {"nested integer", [](TSerObj &o) { o.Sub()->SetSize(12); }, u" Sub.Size=\"12\""_s},
        {"string list without final break",
         [](TSerObj &o) { o.Lines()->SetText(u"a\r\nb\r\n"_s); },
         u" Lines.Text=\"a&#13;&#10;b\""_s},
    };
    for (const WriteCase &c : cases) {
        SCOPED_TRACE(c.name);
        TSerObj obj;
        c.set(obj);
        const QString text = write(obj);
        EXPECT_TRUE(text.contains(c.attribute)) << text.toStdString();

        TSerObj copy;
        TkavXMLSerializer reader;
        reader.XMLToObj(text, &copy);
        EXPECT_EQ(reader.Errors().Count(), 0);
        EXPECT_EQ(str(write(copy)), str(text));
    }
}

TEST(XMLSerializerWrite, FloatsUsePointUnderACommaLocale)
{
    TFormatSettings comma = FormatSettings();
    comma.DecimalSeparator = u',';
    TkavFormatSettingsGuard guard(comma);
    TSerObj obj;
    obj.SetLeft(18.89765);
    EXPECT_TRUE(write(obj).contains(u" Left=\"18.89765\""_s));
}

TEST(XMLSerializerWrite, StoredRules)
{
    TSerObj obj;
    obj.SetHidden(3);
    EXPECT_FALSE(write(obj).contains(u"Hidden"_s)); // never stored
    obj.SetCond(9);
    EXPECT_FALSE(write(obj).contains(u"Cond"_s)); // predicate false
    obj.SetCount(1);
    EXPECT_TRUE(write(obj).contains(u" Cond=\"9\""_s)); // predicate true
}

TEST(XMLSerializerWrite, SerializeDefaultValuesWritesOrdinalsAtTheirDefault)
{
    TSerObj obj;
    const QString text = write(obj, nullptr, true);
    EXPECT_TRUE(text.contains(u" Count=\"0\""_s));
    EXPECT_TRUE(text.contains(u" Visible=\"True\""_s));
    EXPECT_TRUE(text.contains(u" Align=\"saLeft\""_s));
    EXPECT_TRUE(text.contains(u" Sub.Size=\"10\""_s));
    EXPECT_FALSE(text.contains(u"Caption"_s)); // an empty string is never written
}

TEST(XMLSerializerWrite, AncestorValuesCountAsDefaults)
{
    TSerObj ancestor;
    ancestor.SetBig(5);
    ancestor.SetLeft(10);
    ancestor.SetCaption(u"same"_s);
    ancestor.Lines()->SetText(u"x"_s);
    ancestor.SetCount(3);

    TSerObj obj;
    obj.SetBig(5);
    obj.SetLeft(10 + 1e-9);  // within the float tolerance
    obj.SetCaption(u"same"_s);
    obj.Lines()->SetText(u"x"_s);
    obj.SetCount(0);         // the declared default, but not the ancestor's value
    obj.Sub()->SetSize(11);
    const QString text = write(obj, &ancestor);
    EXPECT_EQ(str(text), str(u" Count=\"0\" Sub.Size=\"11\""_s));

    // Texts emptied against the ancestor's are changes too: without them the ancestor's
    // caption and value would come back on reading.
    ancestor.SetValue(Variant(u"v"_s));
    obj.SetCaption(QString());
    EXPECT_EQ(str(write(obj, &ancestor)),
              str(u" Count=\"0\" Caption=\"\" Value=\"\" Sub.Size=\"11\""_s));

    // An ancestor of another class is no ancestor.
    TSerSub other;
    TkavXMLSerializer s;
    EXPECT_EQ(str(s.ObjToXML(&obj, QString(), &other)), str(write(obj)));
}

TEST(XMLSerializerWrite, PrefixGoesBeforeEveryName)
{
    TSerSub sub;
    sub.SetName(u"n"_s);
    sub.SetSize(3);
    TkavXMLSerializer s;
    EXPECT_EQ(str(s.ObjToXML(&sub, u"Font."_s)), str(u" Font.Name=\"n\" Font.Size=\"3\""_s));
}

TEST(XMLSerializerWrite, SelfReferencingSubObjectStaysBounded)
{
    TSerLoop loop;
    TkavXMLSerializer s;
    const QString text = s.ObjToXML(&loop);
    EXPECT_EQ(text.count(u"Tag="_s), TkavXMLSerializer::MaxObjectDepth + 1);
}

// ---------------------------------------------------------------------------------------
// Reading

struct ReadCase
{
    const char *name;
    QString text;
    std::function<bool(const TSerObj &)> check;
};

TEST(XMLSerializerRead, AttributeTextToProperties)
{
    const ReadCase cases[] = {
        {"point float", u"Width=\"12.5\""_s, [](const TSerObj &o) { return o.Width() == 12.5; }},
        {"legacy comma float", u"Width=\"12,5\""_s, [](const TSerObj &o) { return o.Width() == 12.5; }},
        {"spaces in float", u"Width=\"1 234,5\""_s, [](const TSerObj &o) { return o.Width() == 1234.5; }},
        {"enumeration by number", u"Align=\"2\""_s, [](const TSerObj &o) { return o.Align() == saCenter; }},
        {"enumeration any case", u"Align=\"SABLOCK\""_s, [](const TSerObj &o) { return o.Align() == saBlock; }},
        {"boolean identifier", u"Visible=\"false\""_s, [](const TSerObj &o) { return !o.Visible(); }},
        {"set mask", u"Aligns=\"5\""_s,
         [](const TSerObj &o) { return o.Aligns() == TSerAligns{saLeft, saCenter}; }},
        {"int64 full width", u"Big=\"-9223372036854775808\""_s,
         [](const TSerObj &o) { return o.Big() == std::numeric_limits<qint64>::min(); }},
        {"colour negative", u"Color=\"-16777201\""_s, [](const TSerObj &o) { return o.Color() == -16777201; }},
        {"character code", u"Letter=\"66\""_s, [](const TSerObj &o) { return o.Letter() == 'B'; }},
        {"decoded string", u"Caption=\"a&#13;&#10;b&amp;c\""_s,
         [](const TSerObj &o) { return o.Caption() == u"a\r\nb&c"_s; }},
        {"event", u"OnClick=\"DoIt\""_s, [](const TSerObj &o) { return o.OnClick() == u"DoIt"_s; }},
        {"variant as string", u"Value=\"12\""_s,
         [](const TSerObj &o) { return o.Value().Type() == varString && VarToStr(o.Value()) == u"12"_s; }},
        {"dotted nested", u"Sub.Name=\"Arial\" Sub.Size=\"14\""_s,
         [](const TSerObj &o) { return o.Sub()->Name() == u"Arial"_s && o.Sub()->Size() == 14; }},
        {"list text", u"Lines.Text=\"a&#13;&#10;b\""_s,
         [](const TSerObj &o) { return o.Lines()->Count() == 2 && o.Lines()->Strings(1) == u"b"_s; }},
        {"names ignore case", u"count=\"4\" LEFT=\"1\""_s,
         [](const TSerObj &o) { return o.Count() == 4 && o.Left() == 1; }},
        {"short geometry names", u"l=\"3,25\" w=\"4.5\""_s,
         [](const TSerObj &o) { return o.Left() == 3.25 && o.Width() == 4.5; }},
        {"spaces around equals", u"  Count = \"8\"   Caption=\"z\""_s,
         [](const TSerObj &o) { return o.Count() == 8 && o.Caption() == u"z"_s; }},
        {"unterminated last value", u"Count=\"1\" Caption=\"abc"_s,
         [](const TSerObj &o) { return o.Count() == 1 && o.Caption() == u"abc"_s; }},
    };
    for (const ReadCase &c : cases) {
        SCOPED_TRACE(c.name);
        TSerObj obj;
        TkavXMLSerializer s;
        s.XMLToObj(c.text, &obj);
        EXPECT_EQ(s.Errors().Count(), 0) << s.Errors().Text().toStdString();
        EXPECT_TRUE(c.check(obj));
    }
}

TEST(XMLSerializerRead, CommaAndPointReadAlikeUnderEitherLocale)
{
    for (const QChar separator : {QChar(u'.'), QChar(u',')}) {
        TFormatSettings fs = FormatSettings();
        fs.DecimalSeparator = separator;
        TkavFormatSettingsGuard guard(fs);
        for (const QString &text : {u"12.5"_s, u"12,5"_s}) {
            TSerObj obj;
            TkavXMLSerializer s;
            s.XMLToObj(u"Width=\""_s + text + u'"', &obj);
            EXPECT_EQ(obj.Width(), 12.5);
        }
    }
}

TEST(XMLSerializerRead, IgnoredWithoutError)
{
    const QString texts[] = {
        u"Foo=\"1\""_s,          // no such property
        u"Nothing.Name=\"x\""_s, // no such object property
        u"Count.Name=\"x\""_s,   // not an object
        u"Sub.Nothing=\"x\""_s,  // no such nested property
        u"ReadOnly=\"3\""_s,     // read-only
        u"Sub=\"x\""_s,          // an object as a whole
        u"Lines=\"x\""_s,        // a list without .Text
        u"Lines.Count=\"3\""_s,  // lists take only their Text
        u""_s,                   // empty
        u"Count"_s,              // no equals sign
        u"=\"1\""_s,             // empty name
    };
    for (const QString &text : texts) {
        SCOPED_TRACE(text.toStdString());
        TSerObj obj;
        TkavXMLSerializer s;
        s.XMLToObj(text, &obj);
        EXPECT_EQ(s.Errors().Count(), 0);
        EXPECT_EQ(str(write(obj)), str(DefaultText));
    }
}

// A value is taken only from its own quotes: single or double, never from the next pair.
TEST(XMLSerializerRead, QuotesOfEitherKindAndNoneRefused)
{
    TSerObj obj;
    TkavXMLSerializer s;
    s.XMLToObj(u"Count='3' Caption = 'say \"hi\"' Left=\"7\""_s, &obj);
    EXPECT_EQ(s.Errors().Count(), 0) << s.Errors().Text().toStdString();
    EXPECT_EQ(obj.Count(), 3);
    EXPECT_EQ(obj.Caption(), u"say \"hi\""_s);
    EXPECT_EQ(obj.Left(), 7);

    TSerObj unquoted;
    s.XMLToObj(u"Count=1 Caption=\"x\""_s, &unquoted);
    EXPECT_EQ(s.Errors().Count(), 1);
    EXPECT_EQ(unquoted.Caption(), u"x"_s);
    unquoted.SetCaption(QString());
    EXPECT_EQ(str(write(unquoted)), str(DefaultText)); // Count never took "x"
}

TEST(XMLSerializerRead, WrongValuesGiveOneErrorEachAndTheRestLoads)
{
    const QString bad[] = {
        u"Count=\"abc\""_s,          // not a number
        u"Count=\"99999999999\""_s,  // beyond 32 bits
        u"Align=\"99\""_s,           // ordinal outside the enumeration
        u"Align=\"-1\""_s,
        u"Align=\"saNothing\""_s,    // not a member
        u"Visible=\"maybe\""_s,
        u"Aligns=\"16\""_s,          // bit outside the set
        u"Aligns=\"x\""_s,
        u"Left=\"1.2.3\""_s,         // malformed float
        u"Left=\"\""_s,
        u"Letter=\"300\""_s,         // character code out of range
        u"Big=\"1e3\""_s,
        u"l=\"wide\""_s,
    };
    for (const QString &attr : bad) {
        SCOPED_TRACE(attr.toStdString());
        TSerObj obj;
        TkavXMLSerializer s;
        s.XMLToObj(u"Caption=\"before\" "_s + attr + u" Count2=\"1\" OnClick=\"after\""_s, &obj);
        EXPECT_EQ(s.Errors().Count(), 1);
        EXPECT_EQ(obj.Caption(), u"before"_s);
        EXPECT_EQ(obj.OnClick(), u"after"_s);
        obj.SetCaption(QString());
        obj.SetOnClick(QString());
        EXPECT_EQ(str(write(obj)), str(DefaultText)); // the bad value never reached the object
    }
}

TEST(XMLSerializerRead, SameMessageIsListedOnce)
{
    TSerObj obj;
    TkavXMLSerializer s;
    s.XMLToObj(u"Count=\"x\" Hidden=\"x\" Cond=\"y\""_s, &obj);
    EXPECT_EQ(s.Errors().Count(), 2); // "'x' ..." once, "'y' ..." once
}

TEST(XMLSerializerRead, HugeValuesAreHandled)
{
    const QString huge(2'000'000, u'7');
    TSerObj obj;
    TkavXMLSerializer s;
    s.XMLToObj(u"Count=\""_s + huge + u"\" Caption=\""_s + huge + u'"', &obj);
    ASSERT_EQ(s.Errors().Count(), 1);
    EXPECT_LE(s.Errors().Strings(0).size(), 210);
    EXPECT_EQ(obj.Caption(), huge);
    EXPECT_EQ(obj.Count(), 0);
}

TEST(XMLSerializerRead, DeepDottedNamesStayBounded)
{
    TSerLoop loop;
    TkavXMLSerializer s;
    QString path;
    for (int i = 0; i < 5; ++i)
        path += u"Next."_s;
    s.XMLToObj(path + u"Tag=\"4\""_s, &loop);
    EXPECT_EQ(loop.Tag(), 4);

    QString deep;
    for (int i = 0; i < 100000; ++i)
        deep += u"Next."_s;
    s.XMLToObj(deep + u"Tag=\"9\""_s, &loop);
    EXPECT_EQ(loop.Tag(), 4); // beyond the nesting bound: ignored
    EXPECT_EQ(s.Errors().Count(), 0);
}

TEST(XMLSerializerRead, EveryPrefixOfAnAttributeTextReadsWithoutCrash)
{
    TSerObj source;
    source.SetCount(12);
    source.SetCaption(u"a\"b"_s);
    source.SetAligns({saRight});
    source.Sub()->SetName(u"F"_s);
    source.Lines()->SetText(u"1\r\n2"_s);
    const QString text = write(source);
    for (qsizetype n = 0; n <= text.size(); ++n) {
        TSerObj obj;
        TkavXMLSerializer s;
        s.XMLToObj(text.left(n), &obj);
        EXPECT_LE(s.Errors().Count(), 1) << text.left(n).toStdString();
    }
    TSerObj full;
    TkavXMLSerializer s;
    s.XMLToObj(text, &full);
    EXPECT_EQ(str(write(full)), str(text));
}

TEST(XMLSerializerRead, NoObjectAssignsNothing)
{
    TkavXMLSerializer s;
    s.XMLToObj(u"Count=\"x\""_s, nullptr);
    EXPECT_EQ(s.Errors().Count(), 0);
}

// ---------------------------------------------------------------------------------------
// The float reader

TEST(XMLSerializerFloat, TextToFloat)
{
    const struct
    {
        QString text;
        double value;
    } good[] = {
        {u"12.5"_s, 12.5},   {u"12,5"_s, 12.5}, {u"1 234,5"_s, 1234.5}, {u" -0.25 "_s, -0.25},
        {u"1E20"_s, 1e20},   {u"1E-5"_s, 1e-5}, {u"0"_s, 0.0},          {u"7"_s, 7.0},
    };
    for (const auto &c : good)
        EXPECT_EQ(kavTextToFloat(c.text), c.value) << c.text.toStdString();
    for (const QString &text : {u""_s, u"abc"_s, u"1.2.3"_s, u"1,2,3"_s, u"12.5x"_s})
        EXPECT_THROW(kavTextToFloat(text), EConvertError) << text.toStdString();
}

// ---------------------------------------------------------------------------------------
// Memo text and non-published data

class TSerText : public TPersistent, public IkavXMLText
{
public:
    KAV_CLASSINFO

    int Tag() const { return FTag; }
    void SetTag(int v) { FTag = v; }
    QString XMLText() const override { return FText; }
    void SetXMLText(const QString &Text) override { FText = Text; }

private:
    int FTag = 0;
    QString FText;
};

const TkavClassInfo &TSerText::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TSerText, TPersistent>(
        u"TSerText"_s, [](TkavPropBuilder<TSerText> &p) {
            p.Int(u"Tag"_s, &TSerText::Tag, &TSerText::SetTag).Default(0);
        });
    return info;
}

class TSerPic : public TPersistent, public IkavPropData
{
public:
    KAV_CLASSINFO

    int Kind() const { return FKind; }
    void SetKind(int v) { FKind = v; }
    int pLeft = 0;
    int pTop = 0;
    int pBig = 0;
    QByteArray Blob;
    int EntriesRead = 0;

    void DefinePropData(TkavPropDataWriter &Writer) const override
    {
        if (pLeft || pTop) {
            Writer.WriteInteger(u"pLeft"_s, pLeft);
            Writer.WriteInteger(u"pTop"_s, pTop);
        }
        if (pBig)
            Writer.WriteInteger(u"pBig"_s, pBig);
        if (!Blob.isEmpty())
            Writer.WriteBinary(u"Blob"_s, Blob);
    }
    void ReadPropData(const TkavPropDataEntry &Entry) override
    {
        ++EntriesRead;
        if (Entry.Name == u"pLeft"_s)
            pLeft = int(Entry.Integer);
        else if (Entry.Name == u"pTop"_s)
            pTop = int(Entry.Integer);
        else if (Entry.Name == u"pBig"_s)
            pBig = int(Entry.Integer);
        else if (Entry.Name == u"Blob"_s)
            Blob = Entry.Data;
        else
            throw EReadError(u"Unknown entry"_s);
    }

private:
    int FKind = 0;
};

const TkavClassInfo &TSerPic::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TSerPic, TPersistent>(
        u"TSerPic"_s, [](TkavPropBuilder<TSerPic> &p) {
            p.Int(u"Kind"_s, &TSerPic::Kind, &TSerPic::SetKind).Default(0);
        });
    return info;
}

TEST(XMLSerializerText, WrittenAfterAllPropertiesWithoutTheFinalLineBreak)
{
    TSerText obj;
    obj.SetTag(3);
    obj.SetXMLText(u"Hello\r\nWorld\r\n"_s);
    TkavXMLSerializer s;
    const QString text = s.ObjToXML(&obj);
    EXPECT_EQ(str(text), str(u" Tag=\"3\" Text=\"Hello&#13;&#10;World\""_s));
    TSerText copy;
    s.XMLToObj(text, &copy);
    EXPECT_EQ(str(copy.XMLText()), str(u"Hello\r\nWorld"_s));

    TSerText empty;
    EXPECT_EQ(str(s.ObjToXML(&empty)), str(u" Text=\"\""_s)); // always written without ancestor

    TSerText ancestor;
    ancestor.SetXMLText(u"Hello\r\nWorld"_s);
    EXPECT_EQ(str(s.ObjToXML(&obj, QString(), &ancestor)), str(u" Tag=\"3\""_s));
}

TEST(XMLSerializerText, ShortFormsAndOldFormatTexts)
{
    const QString utf8AsAnsi = kavCodePageToUnicode(QByteArray("caf\xc3\xa9"), 1252);
    const struct
    {
        const char *name;
        bool oldFormat;
        QString text;
        QString expected;
    } cases[] = {
        {"x", false, u"x=\"a&#13;&#10;b\""_s, u"a\r\nb"_s},
        {"u", false, u"u=\"plain\""_s, u"plain"_s},
        {"Text any case", false, u"TEXT=\"t\""_s, u"t"_s},
        {"u in an old file", true, u"u=\""_s + utf8AsAnsi + u'"', u"café"_s},
        {"Text in an old file", true, u"Text=\""_s + utf8AsAnsi + u'"', u"café"_s},
        {"x in an old file is taken as it is", true, u"x=\""_s + utf8AsAnsi + u'"', utf8AsAnsi},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        TSerText obj;
        TkavXMLSerializer s;
        s.SetOldFormat(c.oldFormat);
        s.XMLToObj(c.text, &obj);
        EXPECT_EQ(str(obj.XMLText()), str(c.expected));
    }
}

TEST(XMLSerializerPropData, WrittenAsHexOfTheStreamForm)
{
    TSerPic pic;
    pic.pLeft = 10;     // fits 8 bits
    pic.pTop = 300;     // needs 16 bits
    pic.pBig = -70000;  // needs 32 bits
    pic.Blob = QByteArray("\x00\xff", 2);
    TkavXMLSerializer s;
    const QString text = s.ObjToXML(&pic);
    // name length, name, type, little-endian value
    const QString expected = u" PropData=\""_s
                             + u"05704C656674020A"_s          // pLeft int8 10
                             + u"0470546F70032C01"_s          // pTop int16 300
                             + u"04704269670490EEFEFF"_s      // pBig int32 -70000
                             + u"04426C6F620A0200000000FF\""_s; // Blob, 2 bytes
    EXPECT_EQ(str(text), str(expected));

    TSerPic copy;
    s.XMLToObj(text, &copy);
    EXPECT_EQ(copy.pLeft, 10);
    EXPECT_EQ(copy.pTop, 300);
    EXPECT_EQ(copy.pBig, -70000);
    EXPECT_EQ(copy.Blob, pic.Blob);
    EXPECT_EQ(s.Errors().Count(), 0);

    TSerPic none;
    EXPECT_EQ(str(s.ObjToXML(&none)), str(QString())); // no data: no attribute
}

TEST(XMLSerializerPropData, AncestorWithTheSameDataLeavesItOut)
{
    TSerPic pic;
    pic.pLeft = 1;
    TSerPic same;
    same.pLeft = 1;
    TSerPic other;
    other.pLeft = 2;
    TkavXMLSerializer s;
    EXPECT_FALSE(s.ObjToXML(&pic, QString(), &same).contains(u"PropData"_s));
    EXPECT_TRUE(s.ObjToXML(&pic, QString(), &other).contains(u"PropData"_s));
    s.SetSaveAncestorOnly(true);
    EXPECT_TRUE(s.ObjToXML(&pic, QString(), &same).contains(u"PropData"_s));
}

TEST(XMLSerializerPropData, DamagedDataIsReportedAndTheRestLoads)
{
    const QString damaged[] = {
        u"0"_s,                          // odd length
        u"ZZ"_s,                         // not hex
        u"0570"_s,                       // name cut short
        u"05704C656674"_s,               // no value type
        u"05704C65667404FF"_s,           // 32-bit value cut short
        u"04426C6F620AFFFFFFFF00"_s,     // length far beyond the data
        u"05704C656674630A"_s,           // unknown value type
    };
    for (const QString &hex : damaged) {
        SCOPED_TRACE(hex.toStdString());
        TSerPic pic;
        TkavXMLSerializer s;
        s.XMLToObj(u"PropData=\""_s + hex + u"\" Kind=\"4\""_s, &pic);
        EXPECT_EQ(s.Errors().Count(), 1);
        EXPECT_EQ(pic.Kind(), 4); // the rest still loads
        EXPECT_EQ(pic.pLeft, 0);
    }
    // Entries before a fault are kept; an entry the object refuses stops the rest.
    TSerPic pic;
    TkavXMLSerializer s;
    s.XMLToObj(u"PropData=\"05704C656674020A01780201" "0470546F70020B\""_s, &pic);
    EXPECT_EQ(pic.pLeft, 10);
    EXPECT_EQ(pic.EntriesRead, 2);
    EXPECT_EQ(pic.pTop, 0);
    EXPECT_EQ(s.Errors().Count(), 1);
    // An empty name ends the list.
    TSerPic ended;
    TkavXMLSerializer t;
    t.XMLToObj(u"PropData=\"05704C656674020A00\""_s, &ended);
    EXPECT_EQ(ended.pLeft, 10);
    EXPECT_EQ(t.Errors().Count(), 0);
}

TEST(XMLSerializerPropData, EveryPrefixReadsWithoutCrash)
{
    TSerPic source;
    source.pLeft = 5;
    source.pTop = 9999;
    source.Blob = QByteArray(40, 'x');
    TkavPropDataWriter writer;
    source.DefinePropData(writer);
    const QByteArray bytes = writer.Bytes();
    // Entries end after 8 (pLeft, int8), 16 (pTop, int16) and 66 bytes (Blob, 40 bytes).
    ASSERT_EQ(bytes.size(), 66);
    const QList<qsizetype> ends{8, 16, 66};
    for (qsizetype n = 0; n <= bytes.size(); ++n) {
        QList<TkavPropDataEntry> entries;
        const bool complete = kavReadPropData(bytes.left(n), entries);
        const qsizetype whole = std::count_if(ends.begin(), ends.end(), [n](qsizetype e) { return e <= n; });
        EXPECT_EQ(entries.size(), whole) << n;
        EXPECT_EQ(complete, n == 0 || ends.contains(n)) << n;
    }
}

// ---------------------------------------------------------------------------------------
// Component trees

class TSerMemo : public TkavComponent
{
public:
    KAV_CLASSINFO

    explicit TSerMemo(TkavComponent *AOwner = nullptr)
        : TkavComponent(AOwner)
    {
        SetkvComponentStyle(kvComponentStyle() + TkavComponentStyle{csHandlesNestedProperties});
    }

    const QString &Caption() const { return FCaption; }
    void SetCaption(const QString &v) { FCaption = v; }
    qint64 Big() const { return FBig; }
    void SetBig(qint64 v) { FBig = v; }
    QString Formats;

    void WriteNestedProperties(TkavXMLItem *Item) override
    {
        if (!Formats.isEmpty())
            Item->Add(u"Formats"_s)->SetProp(u"Value", Formats);
    }
    bool ReadNestedProperty(TkavXMLItem *Item) override
    {
        if (!kavSameText(Item->Name(), u"Formats"))
            return false;
        Formats = Item->GetProp(u"Value");
        return true;
    }

private:
    QString FCaption;
    qint64 FBig = 0;
};

const TkavClassInfo &TSerMemo::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TSerMemo, TkavComponent>(
        u"TSerMemo"_s,
        [](TkavPropBuilder<TSerMemo> &p) {
            p.String(u"Caption"_s, &TSerMemo::Caption, &TSerMemo::SetCaption);
            p.Int64(u"Big"_s, &TSerMemo::Big, &TSerMemo::SetBig).Default(0);
        },
        kavComponentFactory<TSerMemo>());
    return info;
}

class TSerBand : public TkavComponent
{
public:
    KAV_CLASSINFO
    using TkavComponent::TkavComponent;

    TSerMemo *Buddy() const { return FBuddy.get(); }
    void SetBuddy(TSerMemo *v) { FBuddy = v; }
    bool ProbeStored() const
    {
        WritingSeen = IsWriting();
        return false;
    }
    int Probe() const { return 0; }
    void SetProbe(int) {}

    void Loaded() override
    {
        ++LoadedCount;
        LoadingAtLoaded = IsLoading();
        BuddyAtLoaded = Buddy() != nullptr;
    }

    int LoadedCount = 0;
    bool LoadingAtLoaded = true;
    bool BuddyAtLoaded = false;
    mutable bool WritingSeen = false;

private:
    TkavComponentRef<TSerMemo> FBuddy;
};

const TkavClassInfo &TSerBand::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TSerBand, TkavComponent>(
        u"TSerBand"_s,
        [](TkavPropBuilder<TSerBand> &p) {
            kavPublishLeft(p);
            kavPublishTop(p);
            kavPublishWidth(p);
            kavPublishHeight(p);
            kavPublishFont(p);
            kavPublishParentFont(p).Default(true);
            p.Component(u"Buddy"_s, &TSerBand::Buddy, &TSerBand::SetBuddy);
            p.Int(u"Probe"_s, &TSerBand::Probe, &TSerBand::SetProbe).StoredIf(&TSerBand::ProbeStored);
        },
        kavComponentFactory<TSerBand>());
    return info;
}

// Pages are recognised by their ancestry, as the real page classes are.
class TSerPageBase : public TkavComponent
{
public:
    KAV_CLASSINFO
    using TkavComponent::TkavComponent;
};

const TkavClassInfo &TSerPageBase::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TSerPageBase, TkavComponent>(
        u"TkavPage"_s, [](TkavPropBuilder<TSerPageBase> &) {}, TkavFactory());
    return info;
}

class TSerPage : public TSerPageBase
{
public:
    KAV_CLASSINFO
    using TSerPageBase::TSerPageBase;
};

const TkavClassInfo &TSerPage::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TSerPage, TSerPageBase>(
        u"TSerPage"_s, [](TkavPropBuilder<TSerPage> &) {}, kavComponentFactory<TSerPage>());
    return info;
}

class XMLSerializerTree : public ::testing::Test
{
protected:
    void SetUp() override
    {
        kavRegisterRTLClasses();
        kavRegisterClass(TkavReport::StaticClassInfo());
        kavRegisterClass(TSerPage::StaticClassInfo());
        kavRegisterClass(TSerBand::StaticClassInfo());
        kavRegisterClass(TSerMemo::StaticClassInfo());
    }

    // Page1 > Band1 (refers to Memo1, which comes later in the file) > Memo1.
    static void build(TkavReport &report)
    {
        auto *page = TkavComponent::Create<TSerPage>(&report);
        page->SetName(u"Page1"_s);
        auto *band = TkavComponent::Create<TSerBand>(page);
        band->SetName(u"Band1"_s);
        band->SetBounds(0, 18.89765, 718.1107, 22.67718);
        auto *memo = TkavComponent::Create<TSerMemo>(band);
        memo->SetName(u"Memo1"_s);
        memo->SetCaption(u"Hello\r\nWorld"_s);
        memo->SetBig(qint64(1) << 33);
        band->SetBuddy(memo);
    }

    static QByteArray save(TkavReport &report, const std::function<void(TkavXMLSerializer &)> &setup = {})
    {
        TMemoryStream stream;
        TkavXMLSerializer s(&stream);
        s.SetOwner(&report);
        s.SetHandleNestedProperties(true);
        if (setup)
            setup(s);
        s.WriteRootComponent(&report);
        return stream.Data();
    }

    // Reads bytes into report; returns the error lines.
    static QStringList load(TkavReport &report, const QByteArray &bytes,
                            const std::function<void(TkavXMLSerializer &)> &setup = {})
    {
        TMemoryStream stream(bytes);
        TkavXMLSerializer s(&stream);
        s.SetHandleNestedProperties(true);
        if (setup)
            setup(s);
        s.ReadRootComponent(&report);
        QStringList errors;
        for (int i = 0; i < s.Errors().Count(); ++i)
            errors << s.Errors().Strings(i);
        return errors;
    }

    static QByteArray document(const char *body)
    {
        return QByteArray("<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?>\r\n") + body;
    }

    static QString cantFind(const QString &name)
    {
        return kavResourceTable().Get(u"xrCantFindClass"_s) + u' ' + name;
    }
};

TEST_F(XMLSerializerTree, WritesElementsNamedByClassWithIndentedLines)
{
    TkavReport report;
    build(report);
    report.FindObject(u"Memo1")->SetName(u"Memo1"_s);
    static_cast<TSerMemo *>(report.FindObject(u"Memo1"))->Formats = u"f1"_s;
    const QList<QByteArray> lines = save(report).split('\n');
    ASSERT_GE(lines.size(), 8);
    EXPECT_EQ(lines[0], "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?>\r");
    EXPECT_TRUE(lines[1].startsWith("<TkavReport")) << lines[1].toStdString();
    EXPECT_FALSE(lines[1].contains("Name=")); // the root carries no name
    EXPECT_EQ(lines[2], "  <TSerPage Name=\"Page1\">\r");
    EXPECT_EQ(lines[3],
              "    <TSerBand Name=\"Band1\" Left=\"0\" Top=\"18.89765\" Width=\"718.1107\""
              " Height=\"22.67718\" Buddy=\"Memo1\">\r");
    EXPECT_EQ(lines[4],
              "      <TSerMemo Name=\"Memo1\" Caption=\"Hello&#13;&#10;World\" Big=\"8589934592\">\r");
    EXPECT_EQ(lines[5], "        <Formats Value=\"f1\"/>\r");
    EXPECT_EQ(lines[6], "      </TSerMemo>\r");
}

TEST_F(XMLSerializerTree, RoundTripGivesIdenticalBytesAndResolvesForwardReferences)
{
    TkavReport original;
    build(original);
    static_cast<TSerMemo *>(original.FindObject(u"Memo1"))->Formats = u"a&b"_s;
    const QByteArray bytes = save(original);

    TkavReport copy;
    EXPECT_TRUE(load(copy, bytes).isEmpty());
    auto *band = dynamic_cast<TSerBand *>(copy.FindObject(u"Band1"));
    auto *memo = dynamic_cast<TSerMemo *>(copy.FindObject(u"Memo1"));
    ASSERT_TRUE(band && memo);
    EXPECT_EQ(band->Parent()->Name(), u"Page1"_s);
    EXPECT_EQ(memo->Parent(), band);
    EXPECT_EQ(band->Buddy(), memo);
    EXPECT_EQ(memo->Big(), qint64(1) << 33);
    EXPECT_EQ(memo->Formats, u"a&b"_s);
    EXPECT_DOUBLE_EQ(band->Top(), 18.89765);
    // Loaded runs once, after every reference is resolved and loading has ended.
    EXPECT_EQ(band->LoadedCount, 1);
    EXPECT_FALSE(band->LoadingAtLoaded);
    EXPECT_TRUE(band->BuddyAtLoaded);
    EXPECT_FALSE(memo->IsLoading());
    EXPECT_EQ(save(copy), bytes);
}

TEST_F(XMLSerializerTree, IsWritingIsSetOnlyWhileTheAttributesAreProduced)
{
    TkavReport report;
    build(report);
    auto *band = static_cast<TSerBand *>(report.FindObject(u"Band1"));
    save(report);
    EXPECT_TRUE(band->WritingSeen);
    EXPECT_FALSE(band->IsWriting());
}

TEST_F(XMLSerializerTree, UnknownClassesAreReportedOnceAndSkippedWithTheirSubtree)
{
    TkavReport report;
    const QStringList errors = load(report, document(
        "<TkavReport><TSerPage Name=\"P\">"
        "<TkavFoo Name=\"X\"><TSerMemo Name=\"M\"/></TkavFoo>"
        "<TkavFoo Name=\"Y\"/>"
        "<TFont Name=\"F\"/>"
        "<TSerBand Name=\"B\" Left=\"5\"/>"
        "</TSerPage></TkavReport>"));
    EXPECT_EQ(errors, QStringList({cantFind(u"TFont"_s), cantFind(u"TkavFoo"_s)}));
    EXPECT_EQ(report.FindObject(u"M"), nullptr);
    EXPECT_EQ(report.FindObject(u"X"), nullptr);
    ASSERT_NE(report.FindObject(u"B"), nullptr);
    EXPECT_EQ(report.FindObject(u"B")->Left(), 5.0);
}

TEST_F(XMLSerializerTree, MisplacedElementsAreSkipped)
{
    TkavReport report;
    const QStringList errors = load(report, document(
        "<TkavReport>"
        "<TSerBand Name=\"Loose\"/>"                        // a band outside any page
        "<TSerPage Name=\"P\">"
        "<TSerBand Name=\"B\">"
        "<TkavReport Name=\"Inner\"/>"                      // a report inside a band
        "<TSerPage Name=\"Q\"><TSerBand Name=\"C\"/></TSerPage>" // a page inside a band
        "<TSerMemo Name=\"M\"/>"
        "</TSerBand></TSerPage></TkavReport>"));
    EXPECT_EQ(errors.size(), 3);
    EXPECT_EQ(report.FindObject(u"Loose"), nullptr);
    EXPECT_EQ(report.FindObject(u"Q"), nullptr);
    EXPECT_EQ(report.FindObject(u"C"), nullptr);
    EXPECT_EQ(report.Objects().size(), 1);
    ASSERT_NE(report.FindObject(u"M"), nullptr);
    EXPECT_EQ(report.FindObject(u"M")->Parent(), report.FindObject(u"B"));
}

TEST_F(XMLSerializerTree, WrongValuesAndUnknownAttributesInATree)
{
    TkavReport report;
    const QStringList errors = load(report, document(
        "<TkavReport Foo=\"1\"><TSerPage Name=\"P\">"
        "<TSerBand Name=\"B\" Left=\"abc\" Top=\"12,5\" Buddy=\"Nobody\" Newer=\"x\"/>"
        "<TSerBand Name=\"B2\" Buddy=\"B\"/>"               // a band where a memo is expected
        "</TSerPage></TkavReport>"));
    EXPECT_EQ(errors.size(), 2) << errors.join(u'|').toStdString();
    auto *band = static_cast<TSerBand *>(report.FindObject(u"B"));
    ASSERT_NE(band, nullptr);
    EXPECT_EQ(band->Left(), 0.0);
    EXPECT_EQ(band->Top(), 12.5);
    EXPECT_EQ(band->Buddy(), nullptr);
    EXPECT_EQ(static_cast<TSerBand *>(report.FindObject(u"B2"))->Buddy(), nullptr);
}

TEST_F(XMLSerializerTree, NestedFontPropertiesAndUnknownTopElement)
{
    TkavReport report;
    const QStringList errors = load(report, document(
        "<TkavReport><TSerPage Name=\"P\">"
        "<TSerBand Name=\"B\" Font.Name=\"Courier\" Font.Style=\"3\" Nothing.Name=\"x\"/>"
        "</TSerPage></TkavReport>"));
    EXPECT_TRUE(errors.isEmpty());
    auto *band = report.FindObject(u"B");
    ASSERT_NE(band, nullptr);
    EXPECT_EQ(band->Font().Name(), u"Courier"_s);
    EXPECT_EQ(band->Font().Style().Mask(), 3u);
    EXPECT_FALSE(band->ParentFont()); // an edited font no longer follows the parent
    TkavXMLSerializer s;
    s.SetOwner(&report);
    const QString text = s.ObjToXML(band);
    EXPECT_TRUE(text.contains(u" Font.Name=\"Courier\""_s)) << text.toStdString();
    EXPECT_TRUE(text.contains(u" Font.Style=\"3\""_s));

    TkavReport other;
    EXPECT_EQ(load(other, document("<TkavNothing Tag=\"4\"><TSerPage Name=\"P\"/></TkavNothing>")),
              QStringList{cantFind(u"TkavNothing"_s)});
    EXPECT_TRUE(other.Objects().isEmpty());
    EXPECT_EQ(other.Tag(), 0);
}

TEST_F(XMLSerializerTree, AReportKeepsItsOwnName)
{
    TkavReport report;
    report.SetName(u"Mine"_s);
    EXPECT_TRUE(load(report, document("<TkavReport Name=\"Theirs\" Tag=\"2\"/>")).isEmpty());
    EXPECT_EQ(report.Name(), u"Mine"_s);
    EXPECT_EQ(report.Tag(), 2);
}

TEST_F(XMLSerializerTree, ExistingAndInheritedObjectsAreReadAgain)
{
    TkavReport report;
    build(report);
    const QStringList errors = load(
        report,
        document("<TkavReport><inherited Name=\"Page1\">"
                 "<TSerBand Name=\"Band1\" Left=\"7\"/>"
                 "<inherited Name=\"Gone\"><TSerMemo Name=\"Lost\"/></inherited>"
                 "<TSerMemo Name=\"Band1\" Caption=\"kept\"/>" // the name again, another class
                 "</inherited></TkavReport>"));
    EXPECT_EQ(errors.size(), 1);
    EXPECT_EQ(report.FindObject(u"Band1")->Left(), 7.0);
    EXPECT_EQ(report.FindObject(u"Lost"), nullptr);
    // The second Band1 of the text keeps its content under a new name.
    ASSERT_EQ(report.AllObjects().size(), 4);
    auto *renamed = dynamic_cast<TSerMemo *>(report.AllObjects().last());
    ASSERT_NE(renamed, nullptr);
    EXPECT_EQ(renamed->Caption(), u"kept"_s);
    EXPECT_NE(renamed->Name(), u"Band1"_s);
    EXPECT_TRUE(errors.first().contains(renamed->Name())) << qPrintable(errors.first());
}

TEST_F(XMLSerializerTree, CustomDataIsTheLastChildAndReachesItsReader)
{
    TkavReport report;
    build(report);
    const QByteArray bytes = save(report, [](TkavXMLSerializer &s) {
        s.SetOnSaveCustomDataEvent([](TkavXMLItem &item) { item.SetProp(u"Key", u"v1"_s); });
    });
    EXPECT_TRUE(bytes.contains("  <KavCustomData Key=\"v1\"/>\r\n</TkavReport>"));

    QString seen;
    TkavReport copy;
    EXPECT_TRUE(load(copy, bytes, [&seen](TkavXMLSerializer &s) {
        s.SetOnGetCustomDataEvent([&seen](TkavXMLItem &item) { seen = item.GetProp(u"Key"); });
    }).isEmpty());
    EXPECT_EQ(seen, u"v1"_s);
    TkavReport ignoring;
    EXPECT_TRUE(load(ignoring, bytes).isEmpty());
}

TEST_F(XMLSerializerTree, NestedElementsNeedTheHandlingSwitch)
{
    TkavReport report;
    const QByteArray body = document(
        "<TkavReport><TSerPage Name=\"P\"><TSerBand Name=\"B\"><TSerMemo Name=\"M\">"
        "<Formats Value=\"x\"/></TSerMemo></TSerBand></TSerPage></TkavReport>");
    const QStringList errors = load(report, body, [](TkavXMLSerializer &s) {
        s.SetHandleNestedProperties(false);
    });
    EXPECT_EQ(errors, QStringList{cantFind(u"Formats"_s)});
    EXPECT_TRUE(static_cast<TSerMemo *>(report.FindObject(u"M"))->Formats.isEmpty());
}

TEST_F(XMLSerializerTree, DamagedDocumentsNeverCrash)
{
    TkavReport original;
    build(original);
    const QByteArray bytes = save(original);
    for (qsizetype n = 0; n < bytes.size(); ++n) {
        TkavReport report;
        try {
            load(report, bytes.left(n));
        } catch (const TkavInvalidXMLException &) {
            EXPECT_TRUE(report.Objects().isEmpty()); // nothing read from a broken text
        }
    }
}

TEST_F(XMLSerializerTree, DeepTreesAreBounded)
{
    // Deeper than any file can be: built in memory.
    TkavXMLItem root(u"TkavReport"_s);
    TkavXMLItem *item = root.Add(u"TSerPage"_s);
    for (int i = 0; i < 2000; ++i)
        item = item->Add(u"TSerBand"_s);
    TkavReport report;
    TkavXMLSerializer s;
    s.ReadRootComponent(&report, &root);
    EXPECT_EQ(s.Errors().Count(), 1);
    EXPECT_LE(report.AllObjects().size(), TkavXMLReader::MaxDepth + 1);
}

TEST_F(XMLSerializerTree, ComponentStrings)
{
    TkavReport report;
    build(report);
    TkavXMLSerializer s;
    s.SetOwner(&report);
    auto *memo = static_cast<TSerMemo *>(report.FindObject(u"Memo1"));
    const QString text = s.WriteComponentStr(memo);
    EXPECT_EQ(text, u"TSerMemo Caption=\"Hello&#13;&#10;World\" Big=\"8589934592\""_s);

    auto *page = report.FindObject(u"Page1");
    TkavComponent *copy = s.ReadComponentStr(page, u"  "_s + text + u"  "_s);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->Parent(), page);
    EXPECT_EQ(static_cast<TSerMemo *>(copy)->Caption(), u"Hello\r\nWorld"_s);

    EXPECT_EQ(s.ReadComponentStr(page, u"   "_s), nullptr);
    EXPECT_EQ(s.ReadComponentStr(page, u"TkavNope Left=\"1\""_s), nullptr);
    EXPECT_EQ(s.ReadComponentStr(page, u"TFont Name=\"x\""_s), nullptr);
    EXPECT_EQ(s.Errors().Count(), 2);

    // With DontFixup references are dropped; without, they resolve.
    auto *kept = static_cast<TSerBand *>(s.ReadComponentStr(page, u"TSerBand Buddy=\"Memo1\""_s));
    auto *dropped = static_cast<TSerBand *>(s.ReadComponentStr(page, u"TSerBand Buddy=\"Memo1\""_s, true));
    EXPECT_EQ(kept->Buddy(), memo);
    EXPECT_EQ(dropped->Buddy(), nullptr);
    EXPECT_TRUE(s.Fixups().isEmpty());
}

TEST_F(XMLSerializerTree, ComponentThroughAStream)
{
    TkavReport report;
    build(report);
    TMemoryStream stream;
    TkavXMLSerializer s(&stream);
    s.SetOwner(&report);
    s.WriteComponent(report.FindObject(u"Memo1"));
    EXPECT_EQ(stream.Data(),
              QByteArray("<TSerMemo Caption=\"Hello&#13;&#10;World\" Big=\"8589934592\"/>"));
    stream.SetPosition(0);
    TkavComponent *copy = s.ReadComponent(report.FindObject(u"Band1"));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(static_cast<TSerMemo *>(copy)->Big(), qint64(1) << 33);
}

TEST_F(XMLSerializerTree, ReferenceNamesAndAncestors)
{
    TkavReport report;
    build(report);
    TkavReport other;
    build(other);
    auto *band = static_cast<TSerBand *>(report.FindObject(u"Band1"));
    TkavXMLSerializer s;
    s.SetOwner(&report);
    EXPECT_TRUE(s.ObjToXML(band).contains(u" Buddy=\"Memo1\""_s));

    // A component of another report cannot be found again by name: not written.
    band->SetBuddy(static_cast<TSerMemo *>(other.FindObject(u"Memo1")));
    EXPECT_FALSE(s.ObjToXML(band).contains(u"Buddy"_s));

    // Against an ancestor that refers to something: "nil" clears it on reading.
    auto *ancestor = static_cast<TSerBand *>(other.FindObject(u"Band1"));
    band->SetBuddy(nullptr);
    const QString text = s.ObjToXML(band, QString(), ancestor);
    EXPECT_TRUE(text.contains(u" Buddy=\"nil\""_s)) << text.toStdString();
    EXPECT_FALSE(text.contains(u"Top="_s)); // equal to the ancestor's
    TkavXMLSerializer reader;
    reader.SetOwner(&other);
    reader.ReadPersistentStr(&other, ancestor, text);
    EXPECT_EQ(ancestor->Buddy(), nullptr);
    EXPECT_EQ(reader.Errors().Count(), 0);
}

TEST_F(XMLSerializerTree, AncestorLookupAndAncestorOnlyWriting)
{
    TkavReport report;
    build(report);
    TkavReport parent;
    build(parent);
    auto *band = static_cast<TSerBand *>(report.FindObject(u"Band1"));
    auto *ancestor = static_cast<TSerBand *>(parent.FindObject(u"Band1"));
    band->SetLeft(50);
    QStringList asked;
    TkavXMLSerializer s;
    s.SetOwner(&report);
    s.SetOnGetAncestor([&](const QString &name, TPersistent *&found) {
        asked << name;
        found = parent.FindObject(name);
    });
    // Only what differs from the ancestor is written.
    EXPECT_EQ(str(s.ObjToXML(band)), str(u" Left=\"50\""_s));
    EXPECT_EQ(asked, QStringList{u"Band1"_s});

    // Ancestor-only: the ancestor's own values are written.
    s.SetSaveAncestorOnly(true);
    const QString text = s.ObjToXML(band);
    EXPECT_TRUE(text.contains(u" Left=\"0\""_s)) << text.toStdString();
    EXPECT_FALSE(text.contains(u"50"_s));
    EXPECT_TRUE(ancestor->WritingSeen); // the ancestor was marked as being written
    EXPECT_FALSE(ancestor->IsWriting());
}

TEST_F(XMLSerializerTree, FixupsOfDestroyedObjectsAreDropped)
{
    TkavReport report;
    build(report);
    TkavXMLSerializer s;
    s.SetOwner(&report);
    auto *band = TkavComponent::Create<TSerBand>(report.FindObject(u"Page1"));
    s.XMLToObj(u"Buddy=\"Memo1\""_s, band);
    QList<TkavFixupItem> copies;
    s.CopyFixupList(copies);
    ASSERT_EQ(copies.size(), 1);
    EXPECT_EQ(copies[0].Value, u"Memo1"_s);
    EXPECT_TRUE(band->Free());
    s.FixupReferences(); // must not touch the destroyed band
    EXPECT_TRUE(s.Fixups().isEmpty());
}

} // namespace
