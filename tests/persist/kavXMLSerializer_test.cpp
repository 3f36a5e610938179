#include <persist/kavXMLSerializer.h>

#include <persist/kavXML.h>
#include <rtl/kavFormatSettings.h>
#include <rtl/kavRTTI.h>
#include <rtl/kavVariant.h>

#include <gtest/gtest.h>

#include <functional>

using namespace Qt::StringLiterals;

// Readable failure messages (internal linkage: other suites may print QString their way).
[[maybe_unused]] static void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}

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

// What a default TSerObj writes: properties without declared default and the string list.
const QString DefaultText = u" Big=\"0\" Flag=\"False\" Left=\"0\" Width=\"0\" ReadOnly=\"7\""
                            " Lines.Text=\"\""_s;

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
    EXPECT_EQ(str(text), str(u" Count=\"0\" ReadOnly=\"7\" Sub.Size=\"11\""_s));

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
        u"Foo=\"1\""_s,              // no such property
        u"Nothing.Name=\"x\""_s,     // no such object property
        u"Count.Name=\"x\""_s,       // not an object
        u"Sub.Nothing=\"x\""_s,      // no such nested property
        u"ReadOnly=\"3\""_s,         // read-only
        u"Sub=\"x\""_s,              // an object as a whole
        u"Lines=\"x\""_s,            // a list without .Text
        u"Lines.Count=\"3\""_s,      // lists take only their Text
        u""_s,                       // empty
        u"Count"_s,                  // no equals sign
        u"=\"1\""_s,                 // empty name
        u"Count=1"_s,                // no quote
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

} // namespace
