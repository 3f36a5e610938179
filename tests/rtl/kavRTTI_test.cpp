// Published-property registry and class registry: table order with inheritance and
// redeclaration, stored rules, declared defaults, access by kind, text and variant, and
// creation of objects by class name.

#include <rtl/kavCast.h>
#include <rtl/kavFont.h>
#include <rtl/kavRTTI.h>
#include <rtl/kavStrings.h>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

enum TTestAlign : int {
    taNone,
    taLeft,
    taRight,
    taCenter
};
enum TTestFlag : int {
    tfA,
    tfB,
    tfC
};
using TTestFlags = TkavSet<TTestFlag>;

// Found by argument type from the builder's templates, so they live beside the enums.
const TkavEnumInfo &kavEnumTypeInfo(TTestAlign)
{
    static const TkavEnumInfo info(u"TTestAlign"_s,
                                   {u"taNone"_s, u"taLeft"_s, u"taRight"_s, u"taCenter"_s});
    return info;
}

const TkavEnumInfo &kavEnumTypeInfo(TTestFlag)
{
    static const TkavEnumInfo info(u"TTestFlag"_s, {u"tfA"_s, u"tfB"_s, u"tfC"_s});
    return info;
}

const TkavSetInfo &kavSetTypeInfo(TTestFlags)
{
    static const TkavSetInfo info(u"TTestFlags"_s, kavEnumTypeInfo(TTestFlag{}));
    return info;
}

class TTestBase : public TPersistent
{
public:
    KAV_CLASSINFO

    int Left() const { return FLeft; }
    void SetLeft(int value)
    {
        FLeft = value;
        ++LeftSets;
    }
    const QString &Caption() const { return FCaption; }
    void SetCaption(const QString &value) { FCaption = value; }
    bool Visible() const { return FVisible; }
    void SetVisible(bool value) { FVisible = value; }
    TTestAlign Align() const { return FAlign; }
    void SetAlign(TTestAlign value) { FAlign = value; }
    double Width() const { return FWidth; }
    void SetWidth(double value) { FWidth = value; }
    TFont &Font() { return FFont; }
    void SetFont(const TFont &value)
    {
        FFont = value;
        FParentFont = false;
    }
    bool ParentFont() const { return FParentFont; }
    void SetParentFont(bool value) { FParentFont = value; }
    QString Kind() const { return u"base"_s; }
    const QString &OnClick() const { return FOnClick; }
    void SetOnClick(const QString &value) { FOnClick = value; }
    qint64 Big() const { return FBig; }
    void SetBig(qint64 value) { FBig = value; }
    QChar Ch() const { return FCh; }
    void SetCh(QChar value) { FCh = value; }
    TTestFlags Flags() const { return FFlags; }
    void SetFlags(TTestFlags value) { FFlags = value; }
    Variant Value() const { return FValue; }
    void SetValue(const Variant &value) { FValue = value; }
    double Stamp() const { return FStamp; }
    void SetStamp(double value) { FStamp = value; }

    int LeftSets = 0;

private:
    int FLeft = 0;
    QString FCaption;
    bool FVisible = true;
    TTestAlign FAlign = taLeft; // initial value differs from the declared default
    double FWidth = 0;
    TFont FFont;
    bool FParentFont = true;
    QString FOnClick;
    qint64 FBig = 0;
    QChar FCh;
    TTestFlags FFlags;
    Variant FValue;
    double FStamp = 0;
};

class TTestDerived : public TTestBase
{
public:
    KAV_CLASSINFO

    // Redeclared Caption: the derived setter upper-cases.
    void SetCaptionUpper(const QString &value) { SetCaption(value.toUpper()); }
    int Extra() const { return FExtra; }
    void SetExtra(int value) { FExtra = value; }
    TTestBase *Buddy() const { return FBuddy; }
    void SetBuddy(TTestBase *value) { FBuddy = value; }
    TStringList &Lines() { return FLines; }
    void SetLines(const TStrings &value) { FLines.Assign(value); }
    QChar Sep() const { return FSep; }
    void SetSep(QChar value) { FSep = value; }
    quint8 Small() const { return FSmall; }
    void SetSmall(quint8 value) { FSmall = value; }

private:
    TStringList FLines;
    QChar FSep;
    quint8 FSmall = 0;
    int FExtra = 0;
    TTestBase *FBuddy = nullptr;
};

// Has no factory: abstract.
class TTestAbstract : public TPersistent
{
public:
    KAV_CLASSINFO
    virtual void Run() = 0;
};

const TkavClassInfo &TTestBase::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TTestBase, TPersistent>(
        u"TTestBase"_s, [](TkavPropBuilder<TTestBase> &p) {
            p.Int(u"Left"_s, &TTestBase::Left, &TTestBase::SetLeft).Default(0);
            p.String(u"Caption"_s, &TTestBase::Caption, &TTestBase::SetCaption);
            p.Bool(u"Visible"_s, &TTestBase::Visible, &TTestBase::SetVisible);
            p.Enum(u"Align"_s, &TTestBase::Align, &TTestBase::SetAlign).Default(taNone);
            p.Float(u"Width"_s, &TTestBase::Width, &TTestBase::SetWidth);
            p.Object(u"Font"_s, &TTestBase::Font, &TTestBase::SetFont)
                .StoredIf([](const TTestBase &o) { return !o.ParentFont(); });
            p.Bool(u"ParentFont"_s, &TTestBase::ParentFont, &TTestBase::SetParentFont)
                .Default(true);
            p.String(u"Kind"_s, &TTestBase::Kind);
            p.Event(u"OnClick"_s, &TTestBase::OnClick, &TTestBase::SetOnClick);
            p.Int64(u"Big"_s, &TTestBase::Big, &TTestBase::SetBig);
            p.WChar(u"Ch"_s, &TTestBase::Ch, &TTestBase::SetCh);
            p.Set(u"Flags"_s, &TTestBase::Flags, &TTestBase::SetFlags).Default(TTestFlags{tfA});
            p.VariantProp(u"Value"_s, &TTestBase::Value, &TTestBase::SetValue);
            p.Float(u"Stamp"_s, &TTestBase::Stamp, &TTestBase::SetStamp, u"TDateTime"_s);
            p.Method(u"OnNative"_s, u"TNotifyEvent"_s);
        });
    return info;
}

const TkavClassInfo &TTestDerived::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TTestDerived, TTestBase>(
        u"TTestDerived"_s, [](TkavPropBuilder<TTestDerived> &p) {
            p.Int(u"Extra"_s, &TTestDerived::Extra, &TTestDerived::SetExtra).Stored(false);
            p.String(u"caption"_s, &TTestDerived::Caption, &TTestDerived::SetCaptionUpper);
            p.Redeclare(u"Left"_s).Default(10);
            p.Component(u"Buddy"_s, &TTestDerived::Buddy, &TTestDerived::SetBuddy);
            p.StringList(u"Lines"_s, &TTestDerived::Lines, &TTestDerived::SetLines);
            p.Char(u"Sep"_s, &TTestDerived::Sep, &TTestDerived::SetSep);
            p.Int(u"Small"_s, &TTestDerived::Small, &TTestDerived::SetSmall).TypeName(u"Byte"_s);
        });
    return info;
}

const TkavClassInfo &TTestAbstract::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TTestAbstract, TPersistent>(
        u"TTestAbstract"_s, [](TkavPropBuilder<TTestAbstract> &) {});
    return info;
}

QStringList propNames(const TkavClassInfo &cls)
{
    QStringList names;
    for (const TkavPropInfo *p : cls.Props())
        names << p->Name();
    return names;
}

const TkavPropInfo &prop(const TkavClassInfo &cls, QStringView name)
{
    const TkavPropInfo *p = cls.FindProp(name);
    if (!p)
        throw std::runtime_error("missing property");
    return *p;
}

// ---------------------------------------------------------------------------------------
// Tables

TEST(RTTITable, AncestorsFirstRedeclaredKeepPlace)
{
    const QStringList base = {u"Left"_s,
                              u"Caption"_s,
                              u"Visible"_s,
                              u"Align"_s,
                              u"Width"_s,
                              u"Font"_s,
                              u"ParentFont"_s,
                              u"Kind"_s,
                              u"OnClick"_s,
                              u"Big"_s,
                              u"Ch"_s,
                              u"Flags"_s,
                              u"Value"_s,
                              u"Stamp"_s,
                              u"OnNative"_s};
    EXPECT_EQ(propNames(TTestBase::StaticClassInfo()), base);
    // Extra and Buddy append; the redeclared Caption (spelt "caption") and Left stay put.
    QStringList derived = base;
    derived[1] = u"caption"_s;
    derived << u"Extra"_s << u"Buddy"_s << u"Lines"_s << u"Sep"_s << u"Small"_s;
    EXPECT_EQ(propNames(TTestDerived::StaticClassInfo()), derived);
    EXPECT_TRUE(propNames(TTestAbstract::StaticClassInfo()).isEmpty());
}

TEST(RTTITable, RedeclarationReplacesAccessorsOnlyInTheDescendant)
{
    const TkavPropInfo &baseCaption = prop(TTestBase::StaticClassInfo(), u"Caption");
    const TkavPropInfo &derivedCaption = prop(TTestDerived::StaticClassInfo(), u"CAPTION");
    EXPECT_EQ(&baseCaption.DeclaringClass(), &TTestBase::StaticClassInfo());
    EXPECT_EQ(&derivedCaption.DeclaringClass(), &TTestDerived::StaticClassInfo());

    TTestDerived d;
    derivedCaption.SetStr(d, u"abc"_s);
    EXPECT_EQ(d.Caption(), u"ABC"_s);
    baseCaption.SetStr(d, u"abc"_s); // the ancestor's entry still uses the ancestor's setter
    EXPECT_EQ(d.Caption(), u"abc"_s);

    // Redeclare changed only the default; the getter and setter are inherited.
    const TkavPropInfo &baseLeft = prop(TTestBase::StaticClassInfo(), u"Left");
    const TkavPropInfo &derivedLeft = prop(TTestDerived::StaticClassInfo(), u"Left");
    EXPECT_EQ(baseLeft.Default(), 0);
    EXPECT_EQ(derivedLeft.Default(), 10);
    derivedLeft.SetOrd(d, 7);
    EXPECT_EQ(d.Left(), 7);
}

TEST(RTTITable, KindsAndTypeNames)
{
    struct Row
    {
        const char16_t *name;
        TkavPropKind kind;
        const char16_t *typeName;
    };
    const Row rows[] = {
        {u"Left", pkInteger, u"Integer"},
        {u"Caption", pkString, u"String"},
        {u"Visible", pkEnumeration, u"Boolean"},
        {u"Align", pkEnumeration, u"TTestAlign"},
        {u"Width", pkFloat, u"Double"},
        {u"Font", pkObject, u"TFont"},
        {u"OnClick", pkEvent, u"TkavNotifyEvent"},
        {u"Big", pkInt64, u"Int64"},
        {u"Ch", pkWChar, u"WideChar"},
        {u"Flags", pkSet, u"TTestFlags"},
        {u"Value", pkVariant, u"Variant"},
        {u"Stamp", pkFloat, u"TDateTime"},
        {u"OnNative", pkMethod, u"TNotifyEvent"},
        {u"Buddy", pkComponent, u"TTestBase"},
        {u"Lines", pkStringList, u"TStringList"},
        {u"Sep", pkChar, u"Char"},
        {u"Small", pkInteger, u"Byte"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(QString::fromUtf16(row.name).toStdString());
        const TkavPropInfo &p = prop(TTestDerived::StaticClassInfo(), QStringView(row.name));
        EXPECT_EQ(p.Kind(), row.kind);
        EXPECT_EQ(p.TypeName(), QString::fromUtf16(row.typeName));
    }
    EXPECT_TRUE(prop(TTestBase::StaticClassInfo(), u"Visible").IsBoolean());
    EXPECT_FALSE(prop(TTestBase::StaticClassInfo(), u"Align").IsBoolean());
    EXPECT_EQ(prop(TTestBase::StaticClassInfo(), u"Flags").EnumInfo(), &kavEnumTypeInfo(tfA));
    EXPECT_EQ(prop(TTestBase::StaticClassInfo(), u"Font").ObjectClass(), &TFont::StaticClassInfo());
}

TEST(RTTITable, DeclaredDefaultsAreNotInitialValues)
{
    const TkavClassInfo &cls = TTestBase::StaticClassInfo();
    TTestBase obj;
    // Visible starts True but declares no default: always written.
    EXPECT_FALSE(prop(cls, u"Visible").HasDefault());
    EXPECT_EQ(prop(cls, u"Visible").GetOrd(obj), 1);
    // Align starts taLeft but declares taNone.
    EXPECT_TRUE(prop(cls, u"Align").HasDefault());
    EXPECT_EQ(prop(cls, u"Align").Default(), taNone);
    EXPECT_EQ(prop(cls, u"Align").GetOrd(obj), taLeft);
    EXPECT_EQ(prop(cls, u"ParentFont").Default(), 1);
    EXPECT_EQ(prop(cls, u"Flags").Default(), 1);
    EXPECT_FALSE(prop(cls, u"Big").HasDefault());
}

TEST(RTTITable, StoredRules)
{
    const TkavClassInfo &cls = TTestDerived::StaticClassInfo();
    TTestDerived inheriting;
    TTestDerived ownFont;
    ownFont.SetFont(TFont());
    struct Row
    {
        const char16_t *name;
        const TTestDerived *obj;
        TkavStoredRule rule;
        bool stored;
    };
    const Row rows[] = {
        {u"Left", &inheriting, srAlways, true},
        {u"Extra", &inheriting, srNever, false},
        {u"Font", &inheriting, srPredicate, false},
        {u"Font", &ownFont, srPredicate, true},
        {u"OnNative", &inheriting, srNever, false},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(QString::fromUtf16(row.name).toStdString());
        const TkavPropInfo &p = prop(cls, QStringView(row.name));
        EXPECT_EQ(p.StoredRule(), row.rule);
        EXPECT_EQ(p.IsStored(*row.obj), row.stored);
    }
}

// ---------------------------------------------------------------------------------------
// Access

TEST(RTTIAccess, SettersRunWithTheirSideEffects)
{
    TTestBase obj;
    kavSetPropText(obj, u"left", u"42"_s);
    EXPECT_EQ(obj.Left(), 42);
    EXPECT_EQ(obj.LeftSets, 1);
    EXPECT_EQ(kavGetPropText(obj, u"Left"), u"42"_s);
}

TEST(RTTIAccess, ReadOnlyPropertiesRefuseWrites)
{
    TTestBase obj;
    const TkavPropInfo &kind = prop(TTestBase::StaticClassInfo(), u"Kind");
    EXPECT_TRUE(kind.IsReadOnly());
    EXPECT_FALSE(prop(TTestBase::StaticClassInfo(), u"Caption").IsReadOnly());
    EXPECT_EQ(kind.GetStr(obj), u"base"_s);
    EXPECT_THROW(kind.SetStr(obj, u"x"_s), EPropertyError);
    EXPECT_THROW(kavSetPropText(obj, u"Kind", u"x"_s), EPropertyError);
    EXPECT_THROW(kavSetPropValue(obj, u"Kind", Variant(u"x"_s)), EPropertyError);
}

TEST(RTTIAccess, EnumerationsByNameOrOrdinal)
{
    TTestBase obj;
    const TkavPropInfo &align = prop(TTestBase::StaticClassInfo(), u"Align");
    struct Row
    {
        const char16_t *text;
        TTestAlign expected;
    };
    const Row rows[]
        = {{u"taCenter", taCenter}, {u"TARIGHT", taRight}, {u"0", taNone}, {u" taLeft ", taLeft}};
    for (const Row &row : rows) {
        kavSetPropText(obj, align, QString::fromUtf16(row.text));
        EXPECT_EQ(obj.Align(), row.expected) << QString::fromUtf16(row.text).toStdString();
    }
    EXPECT_EQ(kavGetPropText(obj, align), u"taLeft"_s);

    // Unknown identifiers and ordinals outside the type never reach the object.
    obj.SetAlign(taRight);
    for (const QString &bad : {u"taMiddle"_s, u"4"_s, u"-1"_s, QString()}) {
        EXPECT_THROW(kavSetPropText(obj, align, bad), EPropertyError) << bad.toStdString();
        EXPECT_EQ(obj.Align(), taRight);
    }

    const TkavEnumInfo &info = kavEnumTypeInfo(taNone);
    EXPECT_EQ(info.MinValue(), 0);
    EXPECT_EQ(info.MaxValue(), 3);
    EXPECT_EQ(info.NameOf(2), u"taRight"_s);
    EXPECT_TRUE(info.NameOf(4).isEmpty());
    EXPECT_EQ(info.ValueOf(u"tacenter"), 3);
    EXPECT_FALSE(info.ValueOf(u"ta").has_value());

    kavSetPropText(obj, u"Visible", u"false"_s);
    EXPECT_FALSE(obj.Visible());
    EXPECT_EQ(kavGetPropText(obj, u"Visible"), u"False"_s);
}

TEST(RTTIAccess, SetsAsMasks)
{
    TTestBase obj;
    const TkavPropInfo &flags = prop(TTestBase::StaticClassInfo(), u"Flags");
    kavSetPropText(obj, flags, u"5"_s);
    EXPECT_EQ(obj.Flags(), (TTestFlags{tfA, tfC}));
    EXPECT_EQ(kavGetPropText(obj, flags), u"5"_s);
    EXPECT_EQ(flags.SetInfo()->MaskToNames(5), u"[tfA,tfC]"_s);
    // Bit 3 has no element: rejected, value kept.
    EXPECT_THROW(kavSetPropText(obj, flags, u"8"_s), EPropertyError);
    EXPECT_THROW(kavSetPropText(obj, flags, u"x"_s), EConvertError);
    EXPECT_EQ(obj.Flags().Mask(), 5u);
}

TEST(RTTIAccess, IntegerRangesAndInt64)
{
    TTestBase obj;
    EXPECT_THROW(kavSetPropText(obj, u"Left", u"2147483648"_s), EPropertyError);
    EXPECT_THROW(kavSetPropText(obj, u"Left", u"12a"_s), EConvertError);
    EXPECT_EQ(obj.LeftSets, 0);
    kavSetPropText(obj, u"Left", u"-2147483648"_s);
    EXPECT_EQ(obj.Left(), std::numeric_limits<int>::min());
    // 64-bit values keep all their bits through text and variants.
    kavSetPropText(obj, u"Big", u"9000000000"_s);
    EXPECT_EQ(obj.Big(), 9000000000LL);
    EXPECT_EQ(kavGetPropText(obj, u"Big"), u"9000000000"_s);
    EXPECT_EQ(kavGetPropValue(obj, u"Big").AsInt64(), 9000000000LL);
}

TEST(RTTIAccess, FloatsReadEitherSeparator)
{
    TTestBase obj;
    for (const QString &text : {u"12.5"_s, u"12,5"_s, u" 12,5 "_s}) {
        kavSetPropText(obj, u"Width", text);
        EXPECT_DOUBLE_EQ(obj.Width(), 12.5) << text.toStdString();
    }
    EXPECT_EQ(kavGetPropText(obj, u"Width"), u"12.5"_s);
    EXPECT_THROW(kavSetPropText(obj, u"Width", u"abc"_s), EConvertError);
    obj.SetWidth(1e20);
    EXPECT_EQ(kavGetPropText(obj, u"Width"), u"1E20"_s);
    obj.SetWidth(0.000001);
    EXPECT_EQ(kavGetPropText(obj, u"Width"), u"1E-6"_s);
}

TEST(RTTIAccess, VariantsByKind)
{
    TTestBase obj;
    obj.SetCh(u'Z');
    obj.SetStamp(45000.5);
    EXPECT_TRUE(kavGetPropValue(obj, u"Visible").IsBoolean());
    EXPECT_EQ(VarType(kavGetPropValue(obj, u"Align")), varInteger);
    EXPECT_EQ(kavGetPropValue(obj, u"Ch").AsString(), u"Z"_s);
    EXPECT_EQ(VarType(kavGetPropValue(obj, u"Stamp")), varDate);
    EXPECT_EQ(VarType(kavGetPropValue(obj, u"Width")), varDouble);
    EXPECT_TRUE(kavGetPropValue(obj, u"OnNative").IsNull());

    kavSetPropValue(obj, u"Visible", Variant(false));
    EXPECT_FALSE(obj.Visible());
    kavSetPropValue(obj, u"Align", Variant(u"taCenter"_s));
    EXPECT_EQ(obj.Align(), taCenter);
    kavSetPropValue(obj, u"Align", Variant(2));
    EXPECT_EQ(obj.Align(), taRight);
    kavSetPropValue(obj, u"Ch", Variant(u"qrs"_s));
    EXPECT_EQ(obj.Ch(), u'q');
    kavSetPropValue(obj, u"Value", Variant(3.5));
    EXPECT_DOUBLE_EQ(obj.Value().AsDouble(), 3.5);
    kavSetPropValue(obj, u"OnClick", Variant(u"Memo1OnClick"_s));
    EXPECT_EQ(obj.OnClick(), u"Memo1OnClick"_s);
    kavSetPropValue(obj, u"Flags", Variant(6));
    EXPECT_EQ(obj.Flags(), (TTestFlags{tfB, tfC}));
    // Values that do not fit are refused, never truncated.
    EXPECT_THROW(kavSetPropValue(obj, u"Flags", Variant(-1)), EPropertyError);
    EXPECT_THROW(kavSetPropValue(obj, u"Left", Variant(qint64(1) << 40)), EPropertyError);
    EXPECT_EQ(obj.Flags().Mask(), 6u);
    EXPECT_EQ(obj.LeftSets, 0);
}

TEST(RTTIAccess, ObjectsAndReferences)
{
    TTestDerived obj;
    TTestBase other;
    TFont font;
    font.SetName(u"Courier New"_s);

    EXPECT_EQ(kavGetPropValue(obj, u"Font").AsObject(), &obj.Font());
    kavSetPropValue(obj, u"Font", Variant::FromObject(&font)); // copies, through SetFont
    EXPECT_EQ(obj.Font().Name(), u"Courier New"_s);
    EXPECT_FALSE(obj.ParentFont());

    kavSetPropValue(obj, u"Buddy", Variant::FromObject(&other));
    EXPECT_EQ(obj.Buddy(), &other);
    // A reference of the wrong class is refused; nil clears.
    EXPECT_THROW(kavSetPropValue(obj, u"Buddy", Variant::FromObject(&font)), EPropertyError);
    EXPECT_EQ(obj.Buddy(), &other);
    kavSetPropValue(obj, u"Buddy", Variant(0));
    EXPECT_EQ(obj.Buddy(), nullptr);
    EXPECT_THROW(kavGetPropText(obj, u"Buddy"), EPropertyError);
}

TEST(RTTIAccess, StringListsAndNarrowTypes)
{
    TTestDerived obj;
    const TkavPropInfo &lines = prop(TTestDerived::StaticClassInfo(), u"Lines");
    EXPECT_EQ(lines.GetObject(obj), &obj.Lines());
    // The text reaches the list through its own SetText.
    TStringList expected;
    expected.SetText(u"a\r\nb"_s);
    kavSetPropText(obj, lines, u"a\r\nb"_s);
    EXPECT_GT(obj.Lines().Count(), 0);
    EXPECT_EQ(obj.Lines().Count(), expected.Count());
    EXPECT_EQ(obj.Lines().Text(), expected.Text());
    EXPECT_EQ(kavGetPropText(obj, lines), obj.Lines().Text());
    EXPECT_EQ(kavGetPropValue(obj, lines).AsObject(), &obj.Lines());

    // Char: codes 0..255 as decimal text; Byte: the C++ type bounds the range.
    kavSetPropText(obj, u"Sep", u"59"_s);
    EXPECT_EQ(obj.Sep(), u';');
    EXPECT_EQ(kavGetPropText(obj, u"Sep"), u"59"_s);
    EXPECT_THROW(kavSetPropText(obj, u"Sep", u"256"_s), EPropertyError);
    kavSetPropText(obj, u"Small", u"255"_s);
    EXPECT_EQ(obj.Small(), 255);
    EXPECT_THROW(kavSetPropText(obj, u"Small", u"256"_s), EPropertyError);
    EXPECT_THROW(kavSetPropText(obj, u"Small", u"-1"_s), EPropertyError);
    EXPECT_EQ(obj.Small(), 255);
}

TEST(RTTIAccess, DottedPaths)
{
    TTestBase obj;
    const TkavPropTarget t = kavFindPropPath(obj, u"Font.Name");
    ASSERT_TRUE(t);
    EXPECT_EQ(t.Object, &obj.Font());
    kavSetPropText(*t.Object, *t.Prop, u"Tahoma"_s);
    EXPECT_EQ(obj.Font().Name(), u"Tahoma"_s);
    EXPECT_EQ(kavFindPropPath(obj, u"font.SIZE").Prop, &prop(TFont::StaticClassInfo(), u"Size"));
    for (const char16_t *bad : {u"Nothing.Name", u"Left.Name", u"Font.Nothing", u"Font.", u""}) {
        const TkavPropTarget miss = kavFindPropPath(obj, QStringView(bad));
        EXPECT_FALSE(miss) << QString::fromUtf16(bad).toStdString();
        EXPECT_EQ(miss.Object, nullptr);
    }
}

TEST(RTTIAccess, WrongKindOrClassIsAnError)
{
    TTestBase obj;
    TFont font;
    const TkavPropInfo &left = prop(TTestBase::StaticClassInfo(), u"Left");
    EXPECT_THROW(left.GetStr(obj), EPropertyError);
    EXPECT_THROW(left.SetFloat(obj, 1.0), EPropertyError);
    EXPECT_THROW(left.GetOrd(font), EPropertyError); // not a TTestBase
    EXPECT_THROW(kavGetPropInfo(obj, u"Nope"), EPropertyError);
    EXPECT_EQ(kavFindProp(obj, u"Nope"), nullptr);
}

// ---------------------------------------------------------------------------------------
// Sets

TEST(RTTISet, MaskOperations)
{
    TTestFlags s{tfA, tfC};
    EXPECT_EQ(s.Mask(), 5u);
    EXPECT_TRUE(s.Contains(tfC));
    EXPECT_FALSE(s.Contains(tfB));
    s.Include(tfB).Exclude(tfA);
    EXPECT_EQ(s.Mask(), 6u);
    EXPECT_EQ((TTestFlags{tfA, tfB} + TTestFlags{tfC}).Mask(), 7u);
    EXPECT_EQ((TTestFlags{tfA, tfB} - TTestFlags{tfB}).Mask(), 1u);
    EXPECT_EQ((TTestFlags{tfA, tfB} * TTestFlags{tfB, tfC}).Mask(), 2u);
    EXPECT_TRUE(TTestFlags().IsEmpty());
    EXPECT_EQ(TTestFlags::FromText(u"6"), (TTestFlags{tfB, tfC}));
    EXPECT_EQ(TTestFlags{tfC}.ToText(), u"4"_s);
    EXPECT_EQ(kavTextToSetMask(u"-1"), 0xFFFFFFFFu);
    EXPECT_EQ(kavSetMaskToText(0xFFFFFFFFu), u"4294967295"_s);
    EXPECT_THROW(kavTextToSetMask(u"4294967296"), EConvertError);
    EXPECT_THROW(kavTextToSetMask(u"1.5"), EConvertError);
}

// ---------------------------------------------------------------------------------------
// Class registry

class ClassRegistryTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        kavRegisterClass(TTestBase::StaticClassInfo());
        kavRegisterClass(TTestDerived::StaticClassInfo());
        kavRegisterClass(TTestAbstract::StaticClassInfo());
    }
    void TearDown() override
    {
        kavUnregisterClass(TTestBase::StaticClassInfo());
        kavUnregisterClass(TTestDerived::StaticClassInfo());
        kavUnregisterClass(TTestAbstract::StaticClassInfo());
    }
};

TEST_F(ClassRegistryTest, FindsIgnoringCase)
{
    EXPECT_EQ(kavFindClass(u"ttestderived"), &TTestDerived::StaticClassInfo());
    EXPECT_EQ(kavFindClass(u"TTESTBASE"), &TTestBase::StaticClassInfo());
    EXPECT_EQ(kavFindClass(u"TTestMissing"), nullptr);
    // Registering the same class twice is harmless; another class of that name is not.
    EXPECT_NO_THROW(kavRegisterClass(TTestBase::StaticClassInfo()));
    static const TkavClassInfo impostor(
        u"ttestbase"_s, &TPersistent::StaticClassInfo(), nullptr, {});
    EXPECT_THROW(kavRegisterClass(impostor), EListError);
    EXPECT_EQ(kavFindClass(u"TTestBase"), &TTestBase::StaticClassInfo());
}

TEST_F(ClassRegistryTest, AncestorQueries)
{
    struct Row
    {
        const char16_t *cls;
        const char16_t *ancestor;
        bool expected;
    };
    const Row rows[] = {
        {u"TTestDerived", u"TTestBase", true},
        {u"TTestDerived", u"tpersistent", true},
        {u"TTestDerived", u"TObject", true},
        {u"TTestDerived", u"TTestDerived", true},
        {u"TTestBase", u"TTestDerived", false},
        {u"TTestAbstract", u"TTestBase", false},
        {u"TTestMissing", u"TObject", false},
    };
    for (const Row &row : rows)
        EXPECT_EQ(kavClassInheritsFrom(QStringView(row.cls), QStringView(row.ancestor)),
                  row.expected)
            << QString::fromUtf16(row.cls).toStdString() << " / "
            << QString::fromUtf16(row.ancestor).toStdString();

    EXPECT_TRUE(TTestDerived::StaticClassInfo().InheritsFrom(TTestBase::StaticClassInfo()));
    EXPECT_FALSE(TTestBase::StaticClassInfo().InheritsFrom(TTestDerived::StaticClassInfo()));
    const QList<const TkavClassInfo *> descendants
        = kavRegisteredDescendants(TTestBase::StaticClassInfo());
    EXPECT_EQ(descendants,
              (QList<const TkavClassInfo *>{&TTestBase::StaticClassInfo(),
                                            &TTestDerived::StaticClassInfo()}));
}

TEST_F(ClassRegistryTest, CreatesByName)
{
    std::unique_ptr<TPersistent> obj = kavCreateObject(u"ttestderived");
    ASSERT_TRUE(obj);
    EXPECT_EQ(obj->ClassName(), u"TTestDerived"_s);
    EXPECT_TRUE(obj->InheritsFrom(u"TTestBase"));
    EXPECT_NE(dynamic_cast<TTestDerived *>(obj.get()), nullptr);

    std::unique_ptr<TTestBase> typed = kavCreateObjectAs<TTestBase>(u"TTestDerived");
    EXPECT_EQ(&typed->ClassInfo(), &TTestDerived::StaticClassInfo());
    EXPECT_THROW(kavCreateObjectAs<TTestDerived>(u"TTestBase"), EClassNotFound);
}

TEST_F(ClassRegistryTest, UnknownAndAbstractClassesAreErrors)
{
    try {
        kavCreateObject(u"TTestMissing");
        FAIL() << "no exception";
    } catch (const EClassNotFound &e) {
        EXPECT_EQ(e.Message(), u"Class TTestMissing not found"_s);
    }
    EXPECT_FALSE(TTestAbstract::StaticClassInfo().CanCreate());
    EXPECT_THROW(kavCreateObject(u"TTestAbstract"), EClassNotFound);
    // A class with a class info but no registration is not creatable by name.
    kavUnregisterClass(TTestDerived::StaticClassInfo());
    EXPECT_THROW(kavCreateObject(u"TTestDerived"), EClassNotFound);
}

TEST(RTTIClassInfo, ClassNamesAndDefaultAssign)
{
    TTestDerived d;
    TFont font;
    EXPECT_EQ(d.ClassName(), u"TTestDerived"_s);
    EXPECT_EQ(d.ClassInfo().Parent(), &TTestBase::StaticClassInfo());
    EXPECT_EQ(TPersistent::StaticClassInfo().Parent(), &TObject::StaticClassInfo());
    try {
        font.Assign(d);
        FAIL() << "no exception";
    } catch (const EConvertError &e) {
        EXPECT_EQ(e.Message(), u"Cannot assign a TTestDerived to a TFont"_s);
    }
    EXPECT_THROW(d.Assign(font), EConvertError);
}

TEST(RTTIClassInfo, RTLClassesRegisterInOrder)
{
    kavRegisterRTLClasses();
    kavRegisterRTLClasses(); // idempotent
    EXPECT_EQ(kavFindClass(u"tfont"), &TFont::StaticClassInfo());
    std::unique_ptr<TFont> font = kavCreateObjectAs<TFont>(u"TFont");
    EXPECT_EQ(font->Name(), u"Arial"_s);
}

} // namespace

// --- kavCast -----------------------------------------------------------------------------

namespace {

struct CastBase
{
    virtual ~CastBase() = default;
    int base = 1;
};
struct CastOther
{
    virtual ~CastOther() = default;
    int other = 2;
};
// The second base sits at an offset: a cast to it must move the pointer.
struct CastBoth : CastBase, CastOther
{
    int both = 3;
};
struct CastDerived : CastBoth
{
};

} // namespace

TEST(FastCast, AnswersAsDynamicCastAlsoFromMemory)
{
    CastBase plain;
    CastBoth both;
    CastDerived derived;
    CastBase *objects[] = {&plain, &both, &derived, nullptr};
    for (int round = 0; round < 3; ++round) // later rounds come from what was remembered
        for (CastBase *object : objects) {
            EXPECT_EQ(kavCast<CastOther>(object), dynamic_cast<CastOther *>(object));
            EXPECT_EQ(kavCast<CastBoth>(object), dynamic_cast<CastBoth *>(object));
            EXPECT_EQ(kavCast<const CastOther>(static_cast<const CastBase *>(object)),
                      dynamic_cast<const CastOther *>(object));
        }
    ASSERT_NE(static_cast<void *>(kavCast<CastOther>(static_cast<CastBase *>(&both))),
              static_cast<void *>(&both));
    EXPECT_EQ(kavCast<CastOther>(static_cast<CastBase *>(&derived))->other, 2);
}
