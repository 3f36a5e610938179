// The class bridge: class descriptors and their members (published properties, handler
// properties, methods, indexed and default properties, constructors, casts), native event
// bridges, and the designer's catalogue. Everything is driven through the C++ API the way
// a designator drives it: context first (ParentRef, ParentValue, Program), then
// GetValue/SetValue.

#include "kyScriptTestSupport.h"

#include <rtl/kavExceptions.h>
#include <rtl/kavFont.h>
#include <rtl/kavFormatSettings.h>
#include <rtl/kavRTTI.h>
#include <script/ky_classes.h>
#include <script/ky_events.h>
#include <script/ky_procedures.h>
#include <script/ky_script.h>
#include <script/ky_statements.h>
#include <script/ky_xml.h>

#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

enum TTestAlign : int {
    taNone,
    taLeft,
    taRight
};
enum TTestFlag : int {
    tfA,
    tfB,
    tfC
};
using TTestFlags = TkavSet<TTestFlag>;

const TkavEnumInfo &kavEnumTypeInfo(TTestAlign)
{
    static const TkavEnumInfo info(u"TTestAlign"_s, {u"taNone"_s, u"taLeft"_s, u"taRight"_s});
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

// A native class with one published property of every kind the bridge maps.
class TTestItem : public TPersistent
{
public:
    KAV_CLASSINFO

    int Count() const { return FCount; }
    void SetCount(int value) { FCount = value; }
    bool Visible() const { return FVisible; }
    void SetVisible(bool value) { FVisible = value; }
    TTestAlign Align() const { return FAlign; }
    void SetAlign(TTestAlign value) { FAlign = value; }
    double Ratio() const { return FRatio; }
    void SetRatio(double value) { FRatio = value; }
    const QString &Caption() const { return FCaption; }
    void SetCaption(const QString &value) { FCaption = value; }
    TTestItem *Buddy() const { return FBuddy; }
    void SetBuddy(TTestItem *value) { FBuddy = value; }
    TFont &Font() { return FFont; }
    QChar Letter() const { return FLetter; }
    void SetLetter(QChar value) { FLetter = value; }
    qint64 Big() const { return FBig; }
    void SetBig(qint64 value) { FBig = value; }
    TTestFlags Flags() const { return FFlags; }
    void SetFlags(TTestFlags value) { FFlags = value; }
    Variant Data() const { return FData; }
    void SetData(const Variant &value) { FData = value; }
    int Tag() const { return 42; }
    const QString &OnPrint() const { return FOnPrint; }
    void SetOnPrint(const QString &value) { FOnPrint = value; }

private:
    int FCount = 0;
    bool FVisible = false;
    TTestAlign FAlign = taNone;
    double FRatio = 0;
    QString FCaption;
    TTestItem *FBuddy = nullptr;
    TFont FFont;
    QChar FLetter;
    qint64 FBig = 0;
    TTestFlags FFlags;
    Variant FData = Variant::Null();
    QString FOnPrint;
};

const TkavClassInfo &TTestItem::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TTestItem, TPersistent>(
        u"TTestItem"_s, [](TkavPropBuilder<TTestItem> &p) {
            p.Int(u"Count"_s, &TTestItem::Count, &TTestItem::SetCount);
            p.Bool(u"Visible"_s, &TTestItem::Visible, &TTestItem::SetVisible);
            p.Enum(u"Align"_s, &TTestItem::Align, &TTestItem::SetAlign);
            p.Float(u"Ratio"_s, &TTestItem::Ratio, &TTestItem::SetRatio);
            p.String(u"Caption"_s, &TTestItem::Caption, &TTestItem::SetCaption);
            p.Component(u"Buddy"_s, &TTestItem::Buddy, &TTestItem::SetBuddy);
            p.Object(u"Font"_s, &TTestItem::Font);
            p.WChar(u"Letter"_s, &TTestItem::Letter, &TTestItem::SetLetter);
            p.Int64(u"Big"_s, &TTestItem::Big, &TTestItem::SetBig);
            p.Set(u"Flags"_s, &TTestItem::Flags, &TTestItem::SetFlags);
            p.VariantProp(u"Data"_s, &TTestItem::Data, &TTestItem::SetData);
            p.Int(u"Tag"_s, &TTestItem::Tag);
            p.Event(u"OnPrint"_s, &TTestItem::OnPrint, &TTestItem::SetOnPrint);
            p.Method(u"OnNative"_s, u"TNotifyEvent"_s);
        });
    return info;
}

// A control with native events (callables) and a method that fires each.
class TTestButton : public TTestItem
{
public:
    KAV_CLASSINFO

    // Each fires a copy, so a handler that reassigns the event stays safe.
    void Click()
    {
        if (auto f = OnClick)
            f(this);
    }
    quint16 KeyDown(quint16 key, int shift)
    {
        if (auto f = OnKeyDown)
            f(this, key, shift);
        return key;
    }
    QChar KeyPress(QChar key)
    {
        if (auto f = OnKeyPress)
            f(this, key);
        return key;
    }

    void SetOnClose(const TkyCloseEvent::TMethod &value) { OnClose = value; }

    TkyNotifyEvent::TMethod OnClick;
    TkyKeyEvent::TMethod OnKeyDown;
    TkyKeyPressEvent::TMethod OnKeyPress;
    TkyCloseQueryEvent::TMethod OnCloseQuery;
    TkyCanResizeEvent::TMethod OnCanResize;
    TkyMouseEvent::TMethod OnMouseDown;
    TkyCloseEvent::TMethod OnClose;
};

const TkavClassInfo &TTestButton::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TTestButton, TTestItem>(
        u"TTestButton"_s, [](TkavPropBuilder<TTestButton> &) {});
    return info;
}

// A statement running a C++ function: the body of a test procedure.
class TTestBody : public TkyStatement
{
public:
    TTestBody(TkyScript &scope, std::function<void()> body)
        : TkyStatement(scope, QString(), u"1:1"_s)
        , FBody(std::move(body))
    {}
    void Execute() override { FBody(); }

private:
    std::function<void()> FBody;
};

struct Call
{
    TObject *instance;
    const TkavClassInfo *cls;
    QString name;
    QList<Variant> args;
};

// The elements of a variant array.
QList<Variant> elements(const Variant &array)
{
    QList<Variant> result;
    if (VarArrayDimCount(array) == 1) {
        for (qint64 i = VarArrayLowBound(array, 1); i <= VarArrayHighBound(array, 1); ++i)
            result << array.ArrayElement(i);
    }
    return result;
}

QString kyError(const std::function<void()> &f)
{
    return kavErrorOf<EkyError>(f);
}

class ClassBridge : public ::testing::Test
{
protected:
    ClassBridge()
    {
        kyAddStandardTypes(script);
        item = script.AddClass(TTestItem::StaticClassInfo(), u"TPersistent"_s);
        button = script.AddClass(TTestButton::StaticClassInfo(), u"TTestItem"_s);
    }

    // The member Name of cls in the context of obj, as a designator prepares it.
    TkyCustomHelper *member(TkyClassVariable *cls, const QString &name, const Variant &context)
    {
        TkyCustomHelper *m = cls->Find(name);
        if (m) {
            m->SetParentRef(nullptr);
            m->SetParentValue(context);
            m->SetProgram(&script);
        }
        return m;
    }
    Variant ref(const TObject &target) { return Variant::FromObject(&target); }

    TkavFormatSettingsGuard pinned{TFormatSettings::Invariant()};
    TkyScript script;
    TkyClassVariable *item = nullptr;
    TkyClassVariable *button = nullptr;
    TTestItem obj;
    std::vector<Call> calls;
};

// ---------------------------------------------------------------------------------------
// Published properties

struct KindCase
{
    const char *row;
    QString name;
    TkyVarType typ;
    QString typeName;
    bool readOnly;
};

TEST_F(ClassBridge, PublishedPropertyKinds)
{
    const KindCase cases[] = {
        {"integer", u"Count"_s, fvtInt, QString(), false},
        {"Boolean enumeration", u"Visible"_s, fvtBool, QString(), false},
        {"enumeration keeps its type", u"Align"_s, fvtEnum, u"TTestAlign"_s, false},
        {"float", u"Ratio"_s, fvtFloat, QString(), false},
        {"string", u"Caption"_s, fvtString, QString(), false},
        {"component: its class", u"Buddy"_s, fvtClass, u"TTestItem"_s, false},
        {"read-only sub-object", u"Font"_s, fvtClass, u"TFont"_s, true},
        {"wide character", u"Letter"_s, fvtChar, QString(), false},
        {"64-bit integer", u"Big"_s, fvtInt64, QString(), false},
        {"set: the set type", u"Flags"_s, fvtEnum, u"TTestFlags"_s, false},
        {"variant", u"Data"_s, fvtVariant, QString(), false},
        {"read-only integer", u"Tag"_s, fvtInt, QString(), true},
        {"script event: the procedure's name", u"OnPrint"_s, fvtString, QString(), false},
    };
    for (const KindCase &c : cases) {
        SCOPED_TRACE(c.row);
        auto *p = dynamic_cast<TkyPropertyHelper *>(item->Find(c.name));
        ASSERT_NE(p, nullptr);
        EXPECT_TRUE(p->IsPublished());
        EXPECT_EQ(p->Typ(), c.typ);
        EXPECT_EQ(p->TypeName(), c.typeName);
        EXPECT_EQ(p->IsReadOnly(), c.readOnly);
        EXPECT_EQ(p->ClassRef(), &TTestItem::StaticClassInfo());
    }
    // Native callbacks are not script members; published properties come first, in order.
    EXPECT_EQ(item->Find(u"OnNative"_s), nullptr);
    EXPECT_EQ(item->MembersCount(), int(std::size(cases)));
    EXPECT_EQ(item->Members(0)->Name(), u"Count"_s);
    EXPECT_EQ(item->Members(12)->Name(), u"OnPrint"_s);
    EXPECT_EQ(kavErrorOf<EListError>([&] { item->Members(13); }),
              u"List index out of bounds (13)"_s);
}

struct RoundTripCase
{
    const char *row;
    QString name;
    Variant written;
    Variant read;
};

TEST_F(ClassBridge, PublishedPropertiesReadAndWriteTheObject)
{
    const RoundTripCase cases[] = {
        {"integer", u"Count"_s, 7, 7},
        {"integer from text", u"Count"_s, u"12"_s, 12},
        {"enumeration ordinal", u"Align"_s, 2, 2},
        {"enumeration identifier", u"Align"_s, u"taLeft"_s, 1},
        {"float", u"Ratio"_s, 1.25, 1.25},
        {"string", u"Caption"_s, u"a\"b"_s, u"a\"b"_s},
        {"character: the first of the text", u"Letter"_s, u"Qz"_s, u"Q"_s},
        {"Int64 beyond 32 bits", u"Big"_s, qint64(1) << 40, qint64(1) << 40},
        {"set bit mask", u"Flags"_s, 5, 5},
        {"variant as it is", u"Data"_s, u"any"_s, u"any"_s},
        {"event name", u"OnPrint"_s, u"Item1Print"_s, u"Item1Print"_s},
    };
    for (const RoundTripCase &c : cases) {
        SCOPED_TRACE(c.row);
        TkyCustomHelper *p = member(item, c.name, ref(obj));
        ASSERT_NE(p, nullptr);
        p->SetValue(c.written);
        const Variant v = p->GetValue();
        EXPECT_TRUE(v.IsIdentical(c.read)) << v.AsString().toStdString();
    }
    EXPECT_EQ(obj.Count(), 12);
    EXPECT_EQ(obj.Align(), taLeft);
    EXPECT_EQ(obj.Letter(), u'Q');
    EXPECT_EQ(obj.OnPrint(), u"Item1Print"_s);
}

struct BoolCase
{
    const char *row;
    Variant written;
    bool stored;
};

TEST_F(ClassBridge, BooleanPropertyStoresTrueOnlyForTrue)
{
    const BoolCase cases[] = {
        {"True", true, true},
        {"False", false, false},
        {"0", 0, false},
        {"the text True", u"True"_s, true},
        {"the text False", u"False"_s, false},
        // Booleans are -1 against numbers: 1 is not True.
        {"1", 1, false},
        {"-1", -1, true},
    };
    TkyCustomHelper *p = member(item, u"visible"_s, ref(obj));
    for (const BoolCase &c : cases) {
        SCOPED_TRACE(c.row);
        obj.SetVisible(!c.stored);
        p->SetValue(c.written);
        EXPECT_EQ(obj.Visible(), c.stored);
        const Variant v = p->GetValue();
        ASSERT_TRUE(v.IsBoolean());
        EXPECT_EQ(v.AsBoolean(), c.stored);
    }
}

TEST_F(ClassBridge, ObjectPropertiesAreReferences)
{
    TTestItem other;
    TkyCustomHelper *buddy = member(item, u"Buddy"_s, ref(obj));
    EXPECT_TRUE(buddy->GetValue().IsNil());
    buddy->SetValue(ref(other));
    EXPECT_EQ(obj.Buddy(), &other);
    const Variant v = buddy->GetValue();
    ASSERT_TRUE(v.IsObject());
    EXPECT_EQ(v.AsObject(), &other);
    buddy->SetValue(0); // nil
    EXPECT_EQ(obj.Buddy(), nullptr);

    // A read-only sub-object still reads as its reference.
    const Variant font = member(item, u"Font"_s, ref(obj))->GetValue();
    EXPECT_EQ(font.AsObject(), &obj.Font());
}

TEST_F(ClassBridge, PublishedPropertyWithoutUsableInstance)
{
    // Read-only: the write is ignored.
    member(item, u"Tag"_s, ref(obj))->SetValue(5);
    EXPECT_EQ(obj.Tag(), 42);
    // No instance (nil, null): null, and writes do nothing.
    for (const Variant &none : {Variant::Null(), Variant(0), Variant::FromObject(nullptr)}) {
        TkyCustomHelper *p = member(item, u"Count"_s, none);
        EXPECT_TRUE(p->GetValue().IsNull());
        p->SetValue(3);
    }
    EXPECT_EQ(obj.Count(), 0);
    // An object of a class without that property (a script is no TTestItem): null.
    EXPECT_TRUE(member(item, u"Count"_s, ref(script))->GetValue().IsNull());
    member(item, u"Count"_s, ref(script))->SetValue(1);
}

struct InstanceErrorCase
{
    const char *row;
    Variant parent;
    QString kyError;
};

TEST_F(ClassBridge, InstanceMustBeAnObjectReference)
{
    // Integers are never taken as objects, not even one that equals a live handle.
    const InstanceErrorCase cases[] = {
        {"integer", 5, u"Class type required"_s},
        {"object's handle as integer", qint64(obj.Handle()), u"Class type required"_s},
        {"string", u"abc"_s, u"Class type required"_s},
        {"float", 1.5, u"Class type required"_s},
    };
    for (const InstanceErrorCase &c : cases) {
        SCOPED_TRACE(c.row);
        EXPECT_EQ(kyError([&] { member(item, u"Count"_s, c.parent)->GetValue(); }), c.kyError);
        EXPECT_EQ(kyError([&] { member(item, u"Count"_s, c.parent)->SetValue(1); }), c.kyError);
    }
}

TEST_F(ClassBridge, StaleReferenceRaisesNeverTouchesMemory)
{
    Variant stale;
    {
        TTestItem gone;
        stale = ref(gone);
    }
    int handlerCalls = 0;
    item->AddMethod(
        u"procedure Touch"_s,
        TkyCallMethodEvent([&](TObject *, const TkavClassInfo *, const QString &, Variant &) {
            ++handlerCalls;
            return Variant();
        }));
    const auto invalid = [&](const QString &name, bool write) {
        return kavErrorOf<EVariantError>([&] {
            TkyCustomHelper *m = member(item, name, stale);
            if (write)
                m->SetValue(1);
            else
                m->GetValue();
        });
    };
    EXPECT_EQ(invalid(u"Count"_s, false), u"Invalid object reference"_s);
    EXPECT_EQ(invalid(u"Count"_s, true), u"Invalid object reference"_s);
    EXPECT_EQ(invalid(u"Touch"_s, false), u"Invalid object reference"_s);
    EXPECT_EQ(handlerCalls, 0);
}

// ---------------------------------------------------------------------------------------
// Handler properties

TEST_F(ClassBridge, HandlerPropertiesOldAndNewStyle)
{
    Variant stored = 10;
    TkyPropertyHelper *size = item->AddProperty(
        u"Size"_s,
        u"Integer"_s,
        [&](TObject *instance, const TkavClassInfo *cls, const QString &name) {
            calls.push_back({instance, cls, name, {}});
            return stored;
        },
        [&](TObject *instance, const TkavClassInfo *cls, const QString &name, const Variant &v) {
            calls.push_back({instance, cls, name, {v}});
            stored = v;
        });
    TkyPropertyHelper *seen = nullptr;
    TkyPropertyHelper *label = item->AddPropertyEx(
        u"Label"_s,
        u"String"_s,
        [&](TObject *, const TkavClassInfo *, const QString &name, TkyPropertyHelper &caller) {
            seen = &caller;
            return Variant(name);
        });

    EXPECT_EQ(size->Typ(), fvtInt);
    EXPECT_FALSE(size->IsReadOnly());
    EXPECT_FALSE(size->IsPublished());
    EXPECT_EQ(label->Typ(), fvtString);
    EXPECT_TRUE(label->IsReadOnly()); // no setter

    // Reached through the descendant's descriptor: ClassType is still the registering class.
    TTestButton btn;
    EXPECT_EQ(member(button, u"size"_s, ref(btn))->GetValue().AsInteger(), 10);
    member(button, u"SIZE"_s, ref(btn))->SetValue(11);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].instance, &btn);
    EXPECT_EQ(calls[0].cls, &TTestItem::StaticClassInfo());
    EXPECT_EQ(calls[0].name, u"SIZE"_s);
    EXPECT_EQ(calls[1].name, u"SIZE"_s);
    EXPECT_EQ(calls[1].args.value(0).AsInteger(), 11);

    EXPECT_EQ(member(item, u"Label"_s, ref(obj))->GetValue().AsString(), u"LABEL"_s);
    EXPECT_EQ(seen, label);
    member(item, u"Label"_s, ref(obj))->SetValue(u"x"_s); // read-only: ignored
    EXPECT_EQ(calls.size(), 2u);

    // A property without any handler reads null; a class-level property has no instance.
    item->AddProperty(u"Nothing"_s, u"Integer"_s, {});
    EXPECT_TRUE(member(item, u"Nothing"_s, ref(obj))->GetValue().IsNull());
    member(item, u"Size"_s, Variant::Null())->GetValue();
    EXPECT_EQ(calls.back().instance, nullptr);
}

TEST_F(ClassBridge, BooleanHandlerPropertyReadsTrueOrFalse)
{
    Variant raw;
    item->AddProperty(u"Busy"_s,
                      u"Boolean"_s,
                      [&](TObject *, const TkavClassInfo *, const QString &) { return raw; });
    const struct
    {
        Variant raw;
        bool expected;
    } cases[] = {{0, false}, {5, true}, {-1, true}, {Variant::Null(), false}, {true, true}};
    for (const auto &c : cases) {
        raw = c.raw;
        const Variant v = member(item, u"Busy"_s, ref(obj))->GetValue();
        ASSERT_TRUE(v.IsBoolean());
        EXPECT_EQ(v.AsBoolean(), c.expected);
    }
}

// ---------------------------------------------------------------------------------------
// Methods

// Sets the parameters of a method as a designator stores the arguments.
void setArgs(TkyCustomVariable *m, const QList<Variant> &args)
{
    for (int i = 0; i < args.size(); ++i)
        m->GetParam(i)->SetValue(args[i]);
}

TEST_F(ClassBridge, MethodFromDeclaration)
{
    TkyMethodHelper *m = item->AddMethod(
        u"function Sum(a, b: Integer; var Total: Integer; Scale: Integer = 1): Integer"_s,
        TkyCallMethodEvent{});
    EXPECT_EQ(m->Name(), u"Sum"_s);
    EXPECT_EQ(m->Typ(), fvtInt);
    EXPECT_TRUE(m->IsReadOnly());
    EXPECT_EQ(m->Count(), 4);
    EXPECT_TRUE(m->GetParam(2)->IsVarParam());
    EXPECT_EQ(m->GetNumberOfRequiredParams(), 3);
    EXPECT_EQ(m->ClassRef(), &TTestItem::StaticClassInfo());
    EXPECT_EQ(m->Syntax(),
              u"function Sum(a, b: Integer; var Total: Integer; Scale: Integer = 1): Integer"_s);
    // No handler: 0.
    const Variant v = member(item, u"Sum"_s, ref(obj))->GetValue();
    EXPECT_TRUE(v.IsIdentical(Variant(0)));
    // A bad declaration is refused.
    EXPECT_FALSE(kyError([&] { item->AddMethod(u"function"_s, TkyCallMethodEvent{}); }).isEmpty());
}

TEST_F(ClassBridge, OldStyleMethodWritesByReferenceArgumentsBack)
{
    item->AddMethod(
        u"function Sum(a: Integer; var Total: Integer; b: Integer): Integer"_s,
        [&](TObject *instance, const TkavClassInfo *cls, const QString &name, Variant &params) {
            calls.push_back({instance, cls, name, elements(params)});
            const int sum = params.ArrayElement(0).AsInteger() + params.ArrayElement(2).AsInteger();
            params.SetArrayElement(1, sum);  // by reference: comes back
            params.SetArrayElement(2, 1000); // by value: stays local
            return Variant(sum * 10);
        });
    TkyCustomHelper *m = member(item, u"sum"_s, ref(obj));
    setArgs(m, {2, 0, 3});
    EXPECT_EQ(m->GetValue().AsInteger(), 50);
    EXPECT_EQ(m->GetParam(1)->GetValue().AsInteger(), 5);
    EXPECT_EQ(m->GetParam(2)->GetValue().AsInteger(), 3);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].instance, &obj);
    EXPECT_EQ(calls[0].name, u"SUM"_s);
    EXPECT_EQ(calls[0].args.size(), 3);
    EXPECT_EQ(calls[0].args[0].AsInteger(), 2);
}

TEST_F(ClassBridge, OldStyleHandlerThatReplacesTheArrayLosesNothingElse)
{
    item->AddMethod(u"procedure Swap(var a, b: Integer)"_s,
                    [](TObject *, const TkavClassInfo *, const QString &, Variant &params) {
                        params = VarArrayOf({7}); // shorter than the parameter list
                        return Variant();
                    });
    TkyCustomHelper *m = member(item, u"Swap"_s, ref(obj));
    setArgs(m, {1, 2});
    m->GetValue();
    EXPECT_EQ(m->GetParam(0)->GetValue().AsInteger(), 7);
    EXPECT_EQ(m->GetParam(1)->GetValue().AsInteger(), 2);
}

TEST_F(ClassBridge, OldStyleCallsHaveTheirOwnArgumentArrays)
{
    // The handler re-enters the same method (as a script callback would) before it reads
    // its own arguments: each call must still see its own.
    TkyMethodHelper *m = nullptr;
    int depth = 0;
    QList<int> seen;
    m = item->AddMethod(u"function Echo(x: Integer): Integer"_s,
                        [&](TObject *, const TkavClassInfo *, const QString &, Variant &params) {
                            if (depth++ == 0) {
                                m->GetParam(0)->SetValue(99);
                                m->GetValue();
                            }
                            seen << params.ArrayElement(0).AsInteger();
                            return params.ArrayElement(0);
                        });
    member(item, u"Echo"_s, ref(obj));
    setArgs(m, {1});
    EXPECT_EQ(m->GetValue().AsInteger(), 1);
    EXPECT_EQ(seen, (QList<int>{99, 1}));
}

TEST_F(ClassBridge, NewStyleMethodReadsAndWritesParameters)
{
    TkyMethodHelper *caller = nullptr;
    item->AddMethod(u"function Find(const S: String; var Index: Integer): Boolean"_s,
                    [&](TObject *, const TkavClassInfo *, const QString &name, TkyMethodHelper &m) {
                        caller = &m;
                        m.SetVParam(1, m.GetVParam(0).AsString().size());
                        return Variant(name == u"FIND"_s);
                    });
    TkyCustomHelper *m = member(item, u"Find"_s, ref(obj));
    setArgs(m, {u"abcd"_s, 0});
    EXPECT_TRUE(m->GetValue().AsBoolean());
    EXPECT_EQ(caller, m);
    EXPECT_EQ(m->GetParam(1)->GetValue().AsInteger(), 4);
    // GetVParam(count) is the value of an indexed write: null outside one; beyond: error.
    EXPECT_TRUE(caller->GetVParam(2).IsNull());
    EXPECT_FALSE(kavErrorOf<EListError>([&] { caller->GetVParam(3); }).isEmpty());
    EXPECT_FALSE(kavErrorOf<EListError>([&] { caller->SetVParam(2, 1); }).isEmpty());
}

// ---------------------------------------------------------------------------------------
// Indexed and default properties

TEST_F(ClassBridge, IndexedPropertyOldStyle)
{
    TkyMethodHelper *values = item->AddIndexProperty(
        u"Values"_s,
        u"String"_s,
        u"String"_s,
        [&](TObject *instance, const TkavClassInfo *cls, const QString &name, Variant &params) {
            calls.push_back({instance, cls, name, elements(params)});
            return Variant(u"v"_s);
        });
    EXPECT_EQ(values->Syntax(), u"function Values(p0: String): String"_s);
    EXPECT_TRUE(values->IndexMethod());
    EXPECT_FALSE(values->IsReadOnly());

    TkyCustomHelper *m = member(item, u"Values"_s, ref(obj));
    setArgs(m, {u"a"_s});
    EXPECT_EQ(m->GetValue().AsString(), u"v"_s);
    m->SetValue(u"new"_s);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].name, u"VALUES.GET"_s);
    EXPECT_EQ(calls[0].args.size(), 1);
    EXPECT_EQ(calls[1].name, u"VALUES.SET"_s);
    ASSERT_EQ(calls[1].args.size(), 2);
    EXPECT_EQ(calls[1].args[0].AsString(), u"a"_s);
    EXPECT_EQ(calls[1].args[1].AsString(), u"new"_s);
}

TEST_F(ClassBridge, IndexedPropertyNewStyleSeesTheAssignedValue)
{
    QList<Variant> during;
    TkyMethodHelper *cells = item->AddIndexProperty(
        u"Cells"_s,
        u"Integer, Integer"_s,
        u"Variant"_s,
        [&](TObject *, const TkavClassInfo *, const QString &name, TkyMethodHelper &m) {
            calls.push_back({nullptr, nullptr, name, {m.GetVParam(0), m.GetVParam(1)}});
            during << m.GetVParam(2);
            if (m.GetVParam(2).IsString() && m.GetVParam(2).AsString() == u"boom"_s)
                kavRaise<EkyError>(u"boom"_s);
            return Variant(0);
        });
    EXPECT_EQ(cells->Syntax(), u"function Cells(p0: Integer; p1: Integer): Variant"_s);

    TkyCustomHelper *m = member(item, u"cells"_s, ref(obj));
    setArgs(m, {3, 4});
    m->SetValue(u"x"_s);
    EXPECT_EQ(calls.back().name, u"CELLS.SET"_s);
    EXPECT_EQ(calls.back().args[1].AsInteger(), 4);
    EXPECT_TRUE(cells->GetVParam(2).IsNull());
    m->GetValue();
    EXPECT_EQ(calls.back().name, u"CELLS.GET"_s);
    // Also after a handler error the assigned value is gone.
    EXPECT_EQ(kyError([&] { m->SetValue(u"boom"_s); }), u"boom"_s);
    EXPECT_TRUE(cells->GetVParam(2).IsNull());
    ASSERT_EQ(during.size(), 3);
    EXPECT_EQ(during[0].AsString(), u"x"_s);
    EXPECT_TRUE(during[1].IsNull());
}

TEST_F(ClassBridge, ReadOnlyIndexedPropertyIgnoresWrites)
{
    item->AddIndexProperty(
        u"Objects"_s,
        u"Integer"_s,
        u"TObject"_s,
        [&](TObject *, const TkavClassInfo *, const QString &name, Variant &) {
            calls.push_back({nullptr, nullptr, name, {}});
            return Variant(0);
        },
        true);
    TkyCustomHelper *m = member(item, u"Objects"_s, ref(obj));
    EXPECT_TRUE(m->IsReadOnly());
    setArgs(m, {0});
    m->SetValue(1);
    EXPECT_TRUE(calls.empty());
    // A plain method is no indexed property: writing it does nothing either.
    item->AddMethod(u"procedure Run"_s,
                    [&](TObject *, const TkavClassInfo *, const QString &n, Variant &) {
                        calls.push_back({nullptr, nullptr, n, {}});
                        return Variant();
                    });
    member(item, u"Run"_s, ref(obj))->SetValue(1);
    EXPECT_TRUE(calls.empty());
}

TEST_F(ClassBridge, DefaultPropertyIsInheritedByDescendants)
{
    EXPECT_EQ(item->DefProperty(), nullptr);
    TkyMethodHelper *items = item->AddDefaultProperty(
        u"Items"_s,
        u"Integer"_s,
        u"String"_s,
        TkyCallMethodNewEvent(
            [](TObject *, const TkavClassInfo *, const QString &, TkyMethodHelper &) {
                return Variant();
            }));
    EXPECT_EQ(item->DefProperty(), items);
    EXPECT_TRUE(items->IndexMethod());
    // TTestButton was registered before its ancestor got a default property.
    EXPECT_EQ(button->DefProperty(), items);
    TkyMethodHelper *own
        = button->AddDefaultProperty(u"Keys"_s, u"Integer"_s, u"String"_s, TkyCallMethodEvent{});
    EXPECT_EQ(button->DefProperty(), own);
    EXPECT_EQ(item->DefProperty(), items);
}

// ---------------------------------------------------------------------------------------
// Lookup, registration

TEST_F(ClassBridge, MemberLookupThroughAncestorsAndShadowing)
{
    TkyMethodHelper *free = item->AddMethod(u"procedure Free"_s, TkyCallMethodEvent{});
    TkyMethodHelper *count = item->AddMethod(u"function Count: Integer"_s, TkyCallMethodEvent{});
    TkyMethodHelper *click = button->AddMethod(u"procedure Click"_s, TkyCallMethodEvent{});
    TkyMethodHelper *ownFree = nullptr;

    EXPECT_EQ(button->Find(u"FREE"), free);   // from the ancestor
    EXPECT_EQ(button->Find(u"click"), click); // its own
    EXPECT_EQ(item->Find(u"Click"), nullptr); // never downwards
    EXPECT_NE(item->Find(u"Count"), count);   // the published property hides it
    EXPECT_TRUE(dynamic_cast<TkyPropertyHelper *>(item->Find(u"count")));
    ownFree = button->AddMethod(u"procedure Free"_s, TkyCallMethodEvent{});
    EXPECT_EQ(button->Find(u"Free"), ownFree); // the descendant's own first
    EXPECT_EQ(button->Find(u"NoSuch"), nullptr);
}

TEST(ClassBridgeRegistration, CyclicOrMissingAncestorsEnd)
{
    TkyScript script;
    TkyClassVariable *a = script.AddClass(TTestItem::StaticClassInfo(), u"TTestButton"_s);
    TkyClassVariable *b = script.AddClass(TTestButton::StaticClassInfo(), u"TTestItem"_s);
    b->AddMethod(u"procedure Click"_s, TkyCallMethodEvent{});
    EXPECT_NE(a->Find(u"Click"), nullptr); // a cycle still finds what exists
    EXPECT_EQ(a->Find(u"NoSuch"), nullptr);
    EXPECT_EQ(a->DefProperty(), nullptr);

    TkyScript other;
    TkyClassVariable *lonely = other.AddClass(TTestItem::StaticClassInfo(), u"TUnknown"_s);
    EXPECT_EQ(lonely->Find(u"NoSuch"), nullptr);
    EXPECT_EQ(lonely->Ancestor(), u"TUnknown"_s);
}

TEST(ClassBridgeRegistration, AddClassAndFindClass)
{
    TkyScript parent;
    TkyScript script;
    script.SetParent(&parent);
    TkyClassVariable *cls = parent.AddClass(TTestItem::StaticClassInfo(), u"TPersistent"_s);
    ASSERT_NE(cls, nullptr);
    EXPECT_EQ(cls->Name(), u"TTestItem"_s);
    EXPECT_EQ(cls->TypeName(), u"TTestItem"_s);
    EXPECT_EQ(cls->Typ(), fvtClass);
    EXPECT_EQ(cls->Program(), &parent);
    EXPECT_EQ(cls->ClassRef(), &TTestItem::StaticClassInfo());
    // One optional Variant parameter: the cast argument.
    ASSERT_EQ(cls->Count(), 1);
    EXPECT_EQ(cls->GetParam(0)->Typ(), fvtVariant);
    EXPECT_TRUE(cls->GetParam(0)->IsOptional());

    // Known through the parent chain: not registered again.
    EXPECT_EQ(script.AddClass(TTestItem::StaticClassInfo(), u"TPersistent"_s), nullptr);
    EXPECT_EQ(script.FindClass(u"ttestitem"), cls);
    script.AddVariable(u"NotAClass"_s, u"Integer"_s, 1);
    EXPECT_EQ(script.FindClass(u"NotAClass"), nullptr);
    EXPECT_EQ(script.FindClass(u"Missing"), nullptr);
}

TEST(ClassBridgeRegistration, ScriptFunctions)
{
    TkyScript script;
    kyAddStandardTypes(script);
    int marker = 0;
    script.SetAddedBy(&marker);
    TkyMethodHelper *first = script.AddMethod(u"function Twice(x: Integer): Integer"_s,
                                              TkyCallMethodNewEvent([](TObject *instance,
                                                                       const TkavClassInfo *cls,
                                                                       const QString &name,
                                                                       TkyMethodHelper &m) {
                                                  EXPECT_EQ(instance, nullptr);
                                                  EXPECT_EQ(cls, nullptr);
                                                  EXPECT_EQ(name, u"TWICE"_s);
                                                  return Variant(m.GetVParam(0).AsInteger() * 2);
                                              }),
                                              u"ctMath"_s);
    EXPECT_EQ(first->Category(), u"ctMath"_s);
    EXPECT_EQ(first->Description(), u"Twice"_s);
    EXPECT_EQ(first->AddedBy(), &marker);
    EXPECT_EQ(script.Find(u"twice"), first);
    first->GetParam(0)->SetValue(21);
    EXPECT_EQ(first->GetValue().AsInteger(), 42);

    // No existence check: the newest registration is found first.
    TkyMethodHelper *second = script.AddMethod(
        u"function Twice(x: Integer): Integer"_s, TkyCallMethodEvent{}, QString(), u"Doubles"_s);
    EXPECT_NE(second, first);
    EXPECT_EQ(script.Find(u"Twice"), second);
    EXPECT_EQ(second->Description(), u"Doubles"_s);
}

// ---------------------------------------------------------------------------------------
// Construction and casts

struct CastCase
{
    const char *row;
    bool onButton; // the cast to TTestButton, else to TTestItem
    int value;     // 0 null, 1 button, 2 item, 3 nil, 4 integer, 5 string
    QString error;
};

TEST_F(ClassBridge, CastChecksTheClass)
{
    TTestButton btn;
    const Variant values[] = {Variant::Null(), ref(btn), ref(obj), 0, 5, u"x"_s};
    const CastCase cases[] = {
        {"no argument: construction", false, 0, QString()},
        {"descendant to ancestor", false, 1, QString()},
        {"same class", false, 2, QString()},
        {"nil", true, 3, QString()},
        {"ancestor to descendant", true, 2, u"Invalid class typecast"_s},
        {"integer", false, 4, u"Invalid class typecast"_s},
        {"string", false, 5, u"Invalid class typecast"_s},
    };
    for (const CastCase &c : cases) {
        SCOPED_TRACE(c.row);
        TkyClassVariable *cls = c.onButton ? button : item;
        const Variant &arg = values[c.value];
        cls->GetParam(0)->SetValue(arg);
        Variant result;
        EXPECT_EQ(kyError([&] { result = cls->GetValue(); }), c.error);
        if (c.error.isEmpty()) {
            EXPECT_TRUE(result.IsIdentical(arg));
        }
        // The argument never stays for the next use.
        EXPECT_TRUE(cls->GetParam(0)->GetValue().IsNull());
    }
    // A stale reference is refused as such.
    Variant stale;
    {
        TTestItem gone;
        stale = ref(gone);
    }
    item->GetParam(0)->SetValue(stale);
    EXPECT_EQ(kavErrorOf<EVariantError>([&] { item->GetValue(); }), u"Invalid object reference"_s);
    EXPECT_TRUE(item->GetParam(0)->GetValue().IsNull());
}

TEST_F(ClassBridge, ConstructorGetsTheClassNamedBeforeIt)
{
    TkyMethodHelper *create = item->AddConstructor(
        u"constructor Create(AOwner: TObject);"_s,
        [&](TObject *instance, const TkavClassInfo *cls, const QString &name, Variant &params) {
            calls.push_back({instance, cls, name, elements(params)});
            return Variant(0);
        });
    EXPECT_EQ(create->Syntax(), u"function Create(AOwner: TObject): Constructor"_s);
    EXPECT_EQ(create->Typ(), fvtConstructor);
    EXPECT_EQ(create->Name(), u"Create"_s);
    EXPECT_EQ(item->AddConstructor(u"constructor Make"_s, TkyCallMethodNewEvent{})->Syntax(),
              u"function Make: Constructor"_s);

    // TTestButton.Create: the class item yields null, the member sees TTestButton.
    TkyCustomHelper *m = button->Find(u"Create");
    ASSERT_EQ(m, create);
    m->SetParentRef(button);
    m->SetParentValue(button->GetValue());
    m->SetProgram(&script);
    m->GetValue();
    // Applied to an object (inherited call on an instance): the registering class.
    TTestButton btn;
    m->SetParentValue(ref(btn));
    m->GetValue();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].instance, nullptr);
    EXPECT_EQ(calls[0].cls, &TTestButton::StaticClassInfo());
    EXPECT_EQ(calls[0].name, u"CREATE"_s);
    EXPECT_EQ(calls[1].instance, &btn);
    EXPECT_EQ(calls[1].cls, &TTestItem::StaticClassInfo());
}

// ---------------------------------------------------------------------------------------
// Events

// A script with a button class whose events run test procedures.
class EventBridge : public ClassBridge
{
protected:
    EventBridge()
    {
        button->AddEvent(u"OnClick"_s,
                         kyEventFactory<TkyNotifyEvent>(),
                         kyEventSetter<TkyNotifyEvent>(&TTestButton::OnClick));
        button->AddEvent(u"OnKeyDown"_s,
                         kyEventFactory<TkyKeyEvent>(),
                         kyEventSetter<TkyKeyEvent>(&TTestButton::OnKeyDown));
        button->AddEvent(u"OnKeyPress"_s,
                         kyEventFactory<TkyKeyPressEvent>(),
                         kyEventSetter<TkyKeyPressEvent>(&TTestButton::OnKeyPress));
        button->AddEvent(u"OnCloseQuery"_s,
                         kyEventFactory<TkyCloseQueryEvent>(),
                         kyEventSetter<TkyCloseQueryEvent>(&TTestButton::OnCloseQuery));
        button->AddEvent(u"OnCanResize"_s,
                         kyEventFactory<TkyCanResizeEvent>(),
                         kyEventSetter<TkyCanResizeEvent>(&TTestButton::OnCanResize));
        button->AddEvent(u"OnMouseDown"_s,
                         kyEventFactory<TkyMouseEvent>(),
                         kyEventSetter<TkyMouseEvent>(&TTestButton::OnMouseDown));
        button->AddEvent(u"OnClose"_s,
                         kyEventFactory<TkyCloseEvent>(),
                         kyEventSetter<TkyCloseEvent>(&TTestButton::SetOnClose));
    }

    // A procedure Name(params...) in the script whose body is body.
    TkyProcVariable *addProc(const QString &name,
                             const QList<QPair<QString, bool>> &params,
                             std::function<void(TkyProcVariable &)> body)
    {
        auto proc = std::make_unique<TkyProcVariable>(name, fvtInt, script, QString(), false);
        TkyProcVariable *raw = proc.get();
        for (const auto &[pname, byRef] : params)
            raw->AddParam(
                std::make_unique<TkyParamItem>(pname, fvtVariant, QString(), false, byRef));
        raw->Program().SetStatement(
            std::make_unique<TTestBody>(raw->Program(), [raw, body] { body(*raw); }));
        script.Add(name, std::move(proc));
        return raw;
    }
    void assign(const QString &event, const Variant &value, TObject &target)
    {
        member(button, event, Variant::FromObject(&target))->SetValue(value);
    }
    int bridges() const
    {
        int n = 0;
        for (int i = 0; i < script.Count(); ++i)
            n += dynamic_cast<TkyCustomEvent *>(script.Items(i)) ? 1 : 0;
        return n;
    }

    TTestButton btn;
    QStringList log;
};

TEST_F(EventBridge, AttachFireDetach)
{
    addProc(u"Clicked"_s, {{u"Sender"_s, false}}, [&](TkyProcVariable &p) {
        log << u"clicked "_s + p.GetParam(0)->GetValue().AsObject()->ClassName();
    });
    EXPECT_EQ(member(button, u"OnClick"_s, ref(btn))->Typ(), fvtString);
    assign(u"OnClick"_s, u"clicked"_s, btn);
    ASSERT_TRUE(bool(btn.OnClick));
    btn.Click();
    EXPECT_EQ(log, QStringList{u"clicked TTestButton"_s});
    // Reading the event gives the empty string.
    EXPECT_TRUE(member(button, u"OnClick"_s, ref(btn))->GetValue().IsIdentical(QString()));

    // nil, '' and '0' detach and free the bridge.
    for (const Variant &none :
         {Variant(0), Variant(QString()), Variant(u"0"_s), Variant::FromObject(nullptr)}) {
        assign(u"OnClick"_s, u"Clicked"_s, btn);
        EXPECT_EQ(bridges(), 1);
        assign(u"OnClick"_s, none, btn);
        EXPECT_FALSE(bool(btn.OnClick));
        EXPECT_EQ(bridges(), 0);
    }
    btn.Click();
    EXPECT_EQ(log.size(), 1);
}

TEST_F(EventBridge, HandlerMustBeAScriptProcedure)
{
    script.AddVariable(u"NotAProc"_s, u"Integer"_s, 1);
    for (const QString &name : {u"NoSuch"_s, u"NotAProc"_s, u"TTestItem"_s}) {
        SCOPED_TRACE(name.toStdString());
        EXPECT_EQ(kyError([&] { assign(u"OnClick"_s, name, btn); }),
                  u"Event handler must be a procedure"_s);
    }
    EXPECT_FALSE(bool(btn.OnClick));
    EXPECT_EQ(bridges(), 0);
}

TEST_F(EventBridge, ReassigningReplacesTheBridge)
{
    addProc(u"First"_s, {}, [&](TkyProcVariable &) { log << u"first"_s; });
    addProc(u"Second"_s, {}, [&](TkyProcVariable &) { log << u"second"_s; });
    TTestButton other;
    for (int i = 0; i < 5; ++i)
        assign(u"OnClick"_s, u"First"_s, btn);
    assign(u"OnClick"_s, u"Second"_s, btn);
    assign(u"OnClick"_s, u"First"_s, other);
    assign(u"OnKeyDown"_s, u"First"_s, btn);
    // One bridge per (object, event).
    EXPECT_EQ(bridges(), 3);
    btn.Click();
    other.Click();
    EXPECT_EQ(log, (QStringList{u"second"_s, u"first"_s}));
}

TEST_F(EventBridge, BridgesOfDestroyedObjectsDoNotPileUp)
{
    addProc(u"Clicked"_s, {}, [&](TkyProcVariable &) { log << u"run"_s; });
    for (int i = 0; i < 10; ++i) {
        TTestButton temp;
        assign(u"OnClick"_s, u"Clicked"_s, temp);
        temp.Click();
    }
    EXPECT_EQ(log.size(), 10);
    EXPECT_EQ(bridges(), 1); // only the last one's: the next assignment sweeps it
}

TEST_F(EventBridge, FreedBridgeOrHandlerMakesTheEventANoOp)
{
    TkyProcVariable *proc = addProc(u"Clicked"_s, {}, [&](TkyProcVariable &) { log << u"run"_s; });
    assign(u"OnClick"_s, u"Clicked"_s, btn);
    const TkyNotifyEvent::TMethod stored = btn.OnClick;

    // The procedure goes (its scope is cleared): the stored callable does nothing.
    std::unique_ptr<TObject> removedProc = script.Remove(proc);
    ASSERT_TRUE(removedProc);
    removedProc.reset();
    btn.Click();
    EXPECT_TRUE(log.isEmpty());

    // The bridge goes: the same.
    addProc(u"Again"_s, {}, [&](TkyProcVariable &) { log << u"again"_s; });
    assign(u"OnClick"_s, u"Again"_s, btn);
    btn.Click();
    EXPECT_EQ(log, QStringList{u"again"_s});
    script.Clear();
    EXPECT_EQ(bridges(), 0);
    btn.Click();
    stored(&btn);
    EXPECT_EQ(log.size(), 1);
}

TEST_F(EventBridge, RunningHandlerIsNotEnteredAgain)
{
    addProc(u"Clicked"_s, {{u"Sender"_s, false}}, [&](TkyProcVariable &) {
        log << u"run"_s;
        btn.Click(); // fires its own event again
    });
    assign(u"OnClick"_s, u"Clicked"_s, btn);
    btn.Click();
    EXPECT_EQ(log, QStringList{u"run"_s});
}

TEST_F(EventBridge, HandlerMayReassignItsOwnEvent)
{
    addProc(u"Other"_s, {}, [&](TkyProcVariable &) { log << u"other"_s; });
    addProc(u"Once"_s, {{u"Sender"_s, false}}, [&](TkyProcVariable &) {
        log << u"once"_s;
        assign(u"OnClick"_s, u"Other"_s, btn); // frees the running bridge
    });
    assign(u"OnClick"_s, u"Once"_s, btn);
    btn.Click();
    btn.Click();
    EXPECT_EQ(log, (QStringList{u"once"_s, u"other"_s}));
}

TEST_F(EventBridge, ByReferenceArgumentsComeBack)
{
    addProc(u"KeyDown"_s,
            {{u"Sender"_s, false}, {u"Key"_s, true}, {u"Shift"_s, false}},
            [&](TkyProcVariable &p) {
                log << p.GetParam(2)->GetValue().AsString();
                p.GetParam(1)->SetValue(p.GetParam(1)->GetValue().AsInteger() + 1);
            });
    addProc(u"KeyPress"_s, {{u"Sender"_s, false}, {u"Key"_s, true}}, [&](TkyProcVariable &p) {
        const QString key = p.GetParam(1)->GetValue().AsString();
        p.GetParam(1)->SetValue(key == u"x"_s ? QString() : key.toUpper() + u"tail"_s);
    });
    addProc(u"ByValue"_s, {{u"Sender"_s, false}, {u"Key"_s, false}}, [&](TkyProcVariable &p) {
        p.GetParam(1)->SetValue(u"Z"_s);
    });
    addProc(u"SenderOnly"_s, {{u"Sender"_s, false}}, [&](TkyProcVariable &) { log << u"s"_s; });

    assign(u"OnKeyDown"_s, u"KeyDown"_s, btn);
    EXPECT_EQ(btn.KeyDown(65, 0x1FF), 66);
    EXPECT_EQ(log.value(0), u"255"_s); // shift state: low 8 bits

    assign(u"OnKeyPress"_s, u"KeyPress"_s, btn);
    EXPECT_EQ(btn.KeyPress(u'a'), u'A');
    EXPECT_EQ(btn.KeyPress(u'x'), u'x'); // an empty key leaves it unchanged
    assign(u"OnKeyPress"_s, u"ByValue"_s, btn);
    EXPECT_EQ(btn.KeyPress(u'a'), u'a'); // a value parameter does not come back
    assign(u"OnKeyPress"_s, u"SenderOnly"_s, btn);
    EXPECT_EQ(btn.KeyPress(u'q'), u'q'); // fewer parameters: nothing read beyond them
    EXPECT_EQ(log.value(1), u"s"_s);
}

TEST_F(EventBridge, OtherSignatures)
{
    addProc(u"CloseQuery"_s,
            {{u"Sender"_s, false}, {u"CanClose"_s, true}},
            [&](TkyProcVariable &p) { p.GetParam(1)->SetValue(false); });
    addProc(u"CanResize"_s,
            {{u"Sender"_s, false}, {u"W"_s, true}, {u"H"_s, false}},
            [&](TkyProcVariable &p) {
                p.GetParam(1)->SetValue(p.GetParam(1)->GetValue().AsInteger() * 2);
                p.GetParam(2)->SetValue(0);
            });
    addProc(u"Mouse"_s,
            {{u"Sender"_s, false},
             {u"Button"_s, false},
             {u"Shift"_s, false},
             {u"X"_s, false},
             {u"Y"_s, false}},
            [&](TkyProcVariable &p) {
                QStringList parts;
                for (int i = 1; i < 5; ++i)
                    parts << p.GetParam(i)->GetValue().AsString();
                log << parts.join(u',');
            });
    addProc(u"Close"_s, {{u"Sender"_s, false}, {u"Action"_s, true}}, [&](TkyProcVariable &p) {
        p.GetParam(1)->SetValue(2);
    });

    assign(u"OnCloseQuery"_s, u"CloseQuery"_s, btn);
    assign(u"OnCanResize"_s, u"CanResize"_s, btn);
    assign(u"OnMouseDown"_s, u"Mouse"_s, btn);
    assign(u"OnClose"_s, u"Close"_s, btn);

    bool canClose = true;
    btn.OnCloseQuery(&btn, canClose);
    EXPECT_FALSE(canClose);
    int w = 10, h = 20;
    bool resize = true;
    btn.OnCanResize(&btn, w, h, resize);
    EXPECT_EQ(w, 20);
    EXPECT_EQ(h, 20);    // by value in the procedure
    EXPECT_TRUE(resize); // no such parameter
    btn.OnMouseDown(&btn, 1, 0x102, 3, 4);
    EXPECT_EQ(log, QStringList{u"1,2,3,4"_s});
    int action = 0;
    btn.OnClose(&btn, action);
    EXPECT_EQ(action, 2);
}

TEST_F(EventBridge, DestroyedInstanceDoesNothing)
{
    addProc(u"Clicked"_s, {}, [&](TkyProcVariable &) { log << u"run"_s; });
    TkyNotifyEvent::TMethod stored;
    {
        TTestButton temp;
        assign(u"OnClick"_s, u"Clicked"_s, temp);
        stored = temp.OnClick;
    }
    stored(nullptr);
    EXPECT_TRUE(log.isEmpty());
    // Assigning on nil does nothing (no object to attach to).
    member(button, u"OnClick"_s, 0)->SetValue(u"Clicked"_s);
    EXPECT_EQ(bridges(), 1);
}

// The same through a compiled program: the designator supplies the scope and the object.
TEST(ClassBridgeProgram, EventsAssignedByAPascalScript)
{
    kyEnsureBuiltinLanguages();
    TkyScript script;
    kyAddStandardTypes(script);
    QStringList shown;
    script.AddMethod(
        u"procedure ShowMessage(Msg: Variant)"_s,
        TkyCallMethodNewEvent(
            [&](TObject *, const TkavClassInfo *, const QString &, TkyMethodHelper &m) {
                shown << VarToStr(m.GetVParam(0));
                return Variant();
            }));
    script.AddConst(u"nil"_s, u"Variant"_s, 0); // the library's constant
    script.AddClass(TObject::StaticClassInfo(), QString());
    script.AddClass(TTestItem::StaticClassInfo(), u"TObject"_s);
    TkyClassVariable *cls = script.AddClass(TTestButton::StaticClassInfo(), u"TTestItem"_s);
    cls->AddMethod(u"procedure Click"_s,
                   [](TObject *instance, const TkavClassInfo *, const QString &, Variant &) {
                       static_cast<TTestButton *>(instance)->Click();
                       return Variant();
                   });
    cls->AddEvent(u"OnClick"_s,
                  kyEventFactory<TkyNotifyEvent>(),
                  kyEventSetter<TkyNotifyEvent>(&TTestButton::OnClick));
    cls->AddEvent(u"OnKeyDown"_s,
                  kyEventFactory<TkyKeyEvent>(),
                  kyEventSetter<TkyKeyEvent>(&TTestButton::OnKeyDown));
    TTestButton btn;
    btn.SetCaption(u"B1"_s);
    script.AddObject(u"B"_s, &btn);
    script.SetSyntaxType(u"PascalScript"_s);
    script.Lines().SetText(kyScriptLinesText(uR"(procedure Clicked(Sender: TObject);
begin
  ShowMessage('clicked ' + TTestButton(Sender).Caption);
end;

procedure KeyDown(Sender: TObject; var Key: Integer; Shift: Integer);
begin
  Key := Key + Shift;
end;

begin
  B.OnClick := 'Clicked';
  B.Click;
  B.OnClick := nil;
  B.Click;
  ShowMessage(B.OnClick);
  B.OnKeyDown := 'KeyDown';
  B.OnClick := 'NoSuch';
end.)"_s));
    ASSERT_TRUE(script.Compile()) << script.ErrorPos().toStdString() << ": "
                                  << script.ErrorMsg().toStdString();
    EXPECT_EQ(kyError([&] { script.Execute(); }), u"Event handler must be a procedure"_s);
    EXPECT_EQ(shown, (QStringList{u"clicked B1"_s, QString()}));
    // The handler attached by the program runs when the native event fires later.
    EXPECT_EQ(btn.KeyDown(65, 2), 67);
}

// ---------------------------------------------------------------------------------------
// Catalogue

QStringList texts(const TkyXMLItem &parent)
{
    QStringList result;
    for (int i = 0; i < parent.Count(); ++i)
        result << parent.Items(i)->Prop(u"text"_s);
    return result;
}

TEST_F(ClassBridge, ContentsCatalogue)
{
    TkyScript small;
    kyAddStandardTypes(small);
    TkyClassVariable *cls = small.AddClass(TTestButton::StaticClassInfo(), u"TTestItem"_s);
    cls->AddMethod(u"function Find(const S: String = '<x>'): Boolean"_s, TkyCallMethodEvent{});
    cls->AddIndexProperty(u"Values"_s, u"String"_s, u"String"_s, TkyCallMethodEvent{});
    cls->AddEvent(u"OnClick"_s, kyEventFactory<TkyNotifyEvent>(), {});
    small.AddMethod(u"function Quote(S: String): String"_s,
                    TkyCallMethodEvent{},
                    u"ctString"_s,
                    u"Puts \"quotes\" & <brackets> around"_s);
    small.AddMethod(u"function Loose: Integer"_s, TkyCallMethodEvent{});
    small.AddEnum(u"TTestAlign"_s, u"taNone, taLeft"_s);
    small.AddConst(u"MaxItems"_s, u"Integer"_s, 10);
    small.AddVariable(u"Counter"_s, u"Integer"_s, 0);

    TkyXMLItem root;
    BuildContentsXML(small, root, false);
    ASSERT_EQ(root.Count(), 5);
    const QStringList groups{
        u"Functions"_s, u"Classes"_s, u"Types"_s, u"Variables"_s, u"Constants"_s};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(root.Items(i)->Name(), groups[i]);

    TkyXMLItem *functions = root.Items(0);
    const int str = functions->Find(u"ctString"_s);
    ASSERT_GE(str, 0);
    TkyXMLItem *strGroup = functions->Items(str);
    EXPECT_EQ(strGroup->Prop(u"text"_s), u"ctString"_s);
    ASSERT_EQ(strGroup->Count(), 1);
    EXPECT_EQ(strGroup->Items(0)->Prop(u"text"_s), u"function Quote(S: String): String"_s);
    EXPECT_EQ(strGroup->Items(0)->Prop(u"description"_s), u"Puts \"quotes\" & <brackets> around"_s);
    // Attribute values are escaped in the raw text.
    EXPECT_FALSE(strGroup->Items(0)->Text().contains(u"<brackets>"_s));
    EXPECT_FALSE(strGroup->Items(0)->Text().contains(u"\"quotes\""_s));
    // A function without category is listed under the miscellaneous one.
    ASSERT_GE(functions->Find(u"ctOther"_s), 0);
    EXPECT_EQ(texts(*functions->Items(functions->Find(u"ctOther"_s))),
              QStringList{u"function Loose: Integer"_s});

    TkyXMLItem *classes = root.Items(1);
    ASSERT_EQ(classes->Count(), 1);
    TkyXMLItem *clsItem = classes->Items(0);
    EXPECT_EQ(clsItem->Prop(u"text"_s), u"TTestButton = class(TTestItem)"_s);
    const QStringList members = texts(*clsItem);
    EXPECT_EQ(members.value(0), u"property Count: Integer"_s);
    EXPECT_EQ(members.value(2), u"property Align: TTestAlign"_s);
    EXPECT_EQ(members.value(3), u"property Ratio: Extended"_s);
    EXPECT_EQ(members.value(5), u"property Buddy: TTestItem"_s);
    EXPECT_EQ(members.value(members.size() - 3),
              u"function Find(const S: String = '<x>'): Boolean"_s);
    EXPECT_EQ(members.value(members.size() - 2), u"index property Values(p0: String): String"_s);
    EXPECT_EQ(members.value(members.size() - 1), u"event OnClick"_s);
    EXPECT_FALSE(clsItem->Text().contains(u'<'));

    EXPECT_EQ(texts(*root.Items(2)), QStringList{u"TTestAlign: (taLeft, taNone)"_s});
    EXPECT_EQ(texts(*root.Items(2)).size(), 1);
    EXPECT_EQ(root.Items(2)->Items(0)->Name(), u"item"_s);
    EXPECT_EQ(texts(*root.Items(3)), QStringList{u"Counter: Integer"_s});
    EXPECT_EQ(texts(*root.Items(4)), QStringList{u"MaxItems: Integer = 10"_s});

    // Functions only: the same groups, no classes or values.
    TkyXMLItem onlyFunctions;
    BuildContentsXML(small, onlyFunctions, true);
    ASSERT_EQ(onlyFunctions.Count(), 5);
    EXPECT_EQ(onlyFunctions.Items(0)->Count(), 2);
    for (int i = 1; i < 5; ++i)
        EXPECT_EQ(onlyFunctions.Items(i)->Count(), 0);
}

TEST_F(ClassBridge, MembersCatalogueFollowsTheNativeClassTree)
{
    button->AddMethod(u"procedure Click"_s, TkyCallMethodEvent{});
    TkyXMLItem forButton;
    BuildMembersXML(script, TTestButton::StaticClassInfo(), forButton);
    const QStringList all = texts(forButton);
    // Both descriptors' members (the published ones twice: each descriptor lists them).
    EXPECT_EQ(all.size(), 2 * item->MembersCount() + 1);
    EXPECT_TRUE(all.contains(u"procedure Click"_s));
    for (int i = 0; i < forButton.Count(); ++i)
        EXPECT_EQ(forButton.Items(i)->Name(), u"item"_s);

    TkyXMLItem forItem;
    BuildMembersXML(script, TTestItem::StaticClassInfo(), forItem);
    EXPECT_EQ(forItem.Count(), item->MembersCount());
    EXPECT_FALSE(texts(forItem).contains(u"procedure Click"_s));
}

} // namespace
