// Scripts working with native objects: construction with new and Create, checked casts,
// with, published and hand-registered properties, indexed and default properties, methods
// with by-reference arguments, objects freed by scripts, and native events running script
// procedures, in the four languages.

#include "kyScriptTestSupport.h"

#include <rtl/kavExceptions.h>
#include <rtl/kavRTTI.h>
#include <rtl/kavUIServices.h>
#include <script/ky_classes.h>
#include <script/ky_events.h>
#include <script/ky_script.h>
#include <script/ky_sysfuncs.h>

#include <gtest/gtest.h>

#include <QStringList>

using namespace Qt::StringLiterals;

namespace {

// A bag of named numbers with a total, a published Caption and Enabled, and an OnFire
// event raised by Fire.
class TBag : public TPersistent
{
public:
    KAV_CLASSINFO

    QString Caption() const { return FCaption; }
    void SetCaption(const QString &value) { FCaption = value; }
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value) { FEnabled = value; }

    QStringList Names;
    QList<int> Values;
    TkyNotifyEvent::TMethod OnFire;

    void Fire()
    {
        if (auto handler = OnFire)
            handler(this);
    }

private:
    QString FCaption = u"bag"_s;
    bool FEnabled = true;
};

class TBigBag : public TBag
{
public:
    KAV_CLASSINFO
};

const TkavClassInfo &TBag::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TBag, TPersistent>(
        u"TBag"_s, [](TkavPropBuilder<TBag> &p) {
            p.String(u"Caption"_s, &TBag::Caption, &TBag::SetCaption);
            p.Bool(u"Enabled"_s, &TBag::Enabled, &TBag::SetEnabled);
        });
    return info;
}

const TkavClassInfo &TBigBag::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TBigBag, TBag>(
        u"TBigBag"_s, [](TkavPropBuilder<TBigBag> &) {});
    return info;
}

TBag &bagOf(TObject *obj)
{
    auto *bag = dynamic_cast<TBag *>(obj);
    if (!bag)
        throw EkyError(u"not a bag"_s);
    return *bag;
}

Variant bagMethod(TObject *obj, const TkavClassInfo *cls, const QString &name, TkyMethodHelper &m)
{
    if (name == u"CREATE") {
        // The class the script named (TBag.Create or TBigBag.Create) is constructed.
        std::unique_ptr<TObject> made = cls->InheritsFrom(TBigBag::StaticClassInfo())
                                            ? std::unique_ptr<TObject>(std::make_unique<TBigBag>())
                                            : std::make_unique<TBag>();
        return m.Program()->AdoptObject(std::move(made));
    }
    TBag &bag = bagOf(obj);
    if (name == u"FREE") {
        if (!m.Program()->FreeObject(obj))
            throw EkyError(u"Cannot free this object"_s);
    } else if (name == u"ADD") {
        bag.Names << m.GetVParam(0).AsString();
        bag.Values << m.GetVParam(1).AsInteger();
        return int(bag.Values.size()) - 1;
    } else if (name == u"TAKE") { // by reference: the value, then removes it
        const int i = int(bag.Names.indexOf(m.GetVParam(0).AsString()));
        m.SetVParam(1, i < 0 ? 0 : bag.Values[i]);
        return i >= 0;
    } else if (name == u"COUNT")
        return int(bag.Values.size());
    else if (name == u"FIRE")
        bag.Fire();
    else if (name == u"ITEMS.GET")
        return bag.Values.value(m.GetVParam(0).AsInteger());
    else if (name == u"ITEMS.SET")
        bag.Values[m.GetVParam(0).AsInteger()] = m.GetVParam(1).AsInteger();
    else if (name == u"VALUES.GET") {
        const int i = int(bag.Names.indexOf(m.GetVParam(0).AsString()));
        return i < 0 ? Variant(0) : Variant(bag.Values[i]);
    }
    return Variant();
}

class ObjectScripts : public ::testing::Test
{
protected:
    void SetUp() override
    {
        kyPrepareLibraryScript(script);
        registerHost();
    }

    // The classes and the shared object (Clear removes them with everything of the host).
    void registerHost()
    {
        // TObject and TPersistent come with the library; a bare script gets them here.
        if (TkyClassVariable *object = script.AddClass(TObject::StaticClassInfo(), QString()))
            object->AddMethod(u"procedure Free"_s, &bagMethod);
        script.AddClass(TPersistent::StaticClassInfo(), u"TObject"_s);
        TkyClassVariable *bag = script.AddClass(TBag::StaticClassInfo(), u"TPersistent"_s);
        bag->AddConstructor(u"constructor Create"_s, &bagMethod);
        bag->AddMethod(u"function Add(Name: String; Value: Integer): Integer"_s, &bagMethod);
        bag->AddMethod(u"function Take(Name: String; var Value: Integer): Boolean"_s, &bagMethod);
        bag->AddMethod(u"procedure Fire"_s, &bagMethod);
        bag->AddProperty(u"Count"_s, u"Integer"_s,
                         [](TObject *obj, const TkavClassInfo *, const QString &) {
                             return Variant(int(bagOf(obj).Values.size()));
                         });
        bag->AddDefaultProperty(u"Items"_s, u"Integer"_s, u"Integer"_s, &bagMethod);
        bag->AddIndexProperty(u"Values"_s, u"String"_s, u"Integer"_s, &bagMethod, true);
        bag->AddEvent(
            u"OnFire"_s,
            [](TObject &instance, TkyProcVariable &handler) -> std::unique_ptr<TkyCustomEvent> {
                return std::make_unique<TkyNotifyEvent>(instance, handler);
            },
            [](TObject &instance, TkyCustomEvent *bridge) {
                bagOf(&instance).OnFire = bridge ? static_cast<TkyNotifyEvent *>(bridge)->Method()
                                                 : TkyNotifyEvent::TMethod();
            });
        script.AddClass(TBigBag::StaticClassInfo(), u"TBag"_s);
        script.AddObject(u"Shared"_s, &shared);
    }

    // Compiles into a fresh script and runs: the messages shown, then "compile error at
    // POS: ..." or "runtime error: ...", joined by blanks.
    std::string run(const QString &language, const QString &source)
    {
        shown.clear();
        script.Clear();
        registerHost();
        return kyRunOutcome(script, shown, language, source).toStdString();
    }

    TBag shared;
    KyShownMessages messages;
    QStringList &shown = messages.lines;
    TkyScript script;
};

TEST_F(ObjectScripts, PascalObjectsFromCreateToFree)
{
    EXPECT_EQ(run(u"PascalScript"_s, uR"(
var B: TBag; x: Integer;
begin
  B := TBag.Create;
  B.Add('a', 5); B.Add('b', 7);
  ShowMessage(B.Count);
  ShowMessage(B[1]);
  B[1] := 70;
  ShowMessage(B.Items[1]);
  ShowMessage(B.Values['b']);
  if B.Take('a', x) then ShowMessage(x);
  with B do begin Add('c', 1); ShowMessage(Count); end;
  B.Caption := 'mine';
  ShowMessage(B.Caption + ' ' + Shared.Caption);
  B.Enabled := False;
  ShowMessage(B.Enabled);
  B.Free;
  ShowMessage(B.Count);
end.)"_s),
              "2 7 70 70 5 3 mine bag False runtime error: Invalid object reference");
}

TEST_F(ObjectScripts, CastsAreChecked)
{
    EXPECT_EQ(run(u"PascalScript"_s, uR"(
var o: TPersistent; b: TBag;
begin
  o := TBigBag.Create;
  TBag(o).Add('z', 1);
  ShowMessage(TBag(o).Count);
  b := TBag(nil);
  ShowMessage(o is TBag);
  b := TBag(5);
end.)"_s),
              "1 True runtime error: Invalid class typecast");
}

TEST_F(ObjectScripts, MemberErrorsAtCompileTime)
{
    const struct
    {
        const char16_t *source;
        const char *expected;
    } cases[] = {
        {u"var B: TBag; begin B.Foo; end.", "compile error at 1:25: Undeclared identifier: 'Foo'"},
        {u"var s: String; begin s.Foo; end.",
         "compile error at 1:27: Strings doesn't have properties or methods"},
        {u"var i: Integer; begin i[1] := 2; end.", "compile error at 1:25: Array type required"},
        {u"begin Shared.Count := 1; end.", "compile error at 1:7: Left side cannot be assigned to"},
        {u"var B: TBag; begin B := TPersistent(B); end.",
         "compile error at 1:20: Incompatible types: 'TBag', 'TPersistent'"},
        {u"var B: TBag; begin B.Add('x'); end.", "compile error at 1:25: Not enough actual parameters"},
        {u"var B: TBag; begin B.Values['x'] := 1; end.",
         "compile error at 1:20: Left side cannot be assigned to"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(run(u"PascalScript"_s, QString::fromUtf16(c.source)), c.expected);
}

TEST_F(ObjectScripts, CppNewAndDelete)
{
    EXPECT_EQ(run(u"C++Script"_s, uR"(
TBag L = new TBag;
{
  L.Add("q", 3);
  ShowMessage(L.Count);
  delete L;
  ShowMessage(L.Count);
})"_s),
              "1 runtime error: Invalid object reference");
}

TEST_F(ObjectScripts, LateBoundObjectsInJScriptAndBasic)
{
    EXPECT_EQ(run(u"JScript"_s, uR"(
var L = new TBag; L.Add("a", 1); L.Add("b", 2);
ShowMessage(L.Count); ShowMessage(L.Values["b"]); ShowMessage(L[0]);
var v = 5; ShowMessage(v.Count);
)"_s),
              "2 2 1 runtime error: Class type required");
    EXPECT_EQ(run(u"BasicScript"_s,
                  u"Dim L As TBag\r\nSet L = New TBag\r\nL.Add(\"x\", 4)\r\nShowMessage(L.Count)\r\n"_s),
              "1");
}

TEST_F(ObjectScripts, EventsRunScriptProcedures)
{
    EXPECT_EQ(run(u"PascalScript"_s, uR"(
procedure Fired(Sender: TObject);
begin
  ShowMessage('fired ' + TBag(Sender).Caption);
end;
begin
  Shared.OnFire := 'Fired';
  Shared.Fire;
  Shared.OnFire := nil;
  Shared.Fire;
  Shared.OnFire := @Fired;
  ShowMessage('[' + Shared.OnFire + ']');
end.)"_s),
              "fired bag []");
    shown.clear();
    shared.Fire(); // the bridge outlives the run while the script lives
    EXPECT_EQ(shown, QStringList{u"fired bag"_s});
    shown.clear();
    script.Clear(); // firing after the scope is gone does nothing
    shared.Fire();
    EXPECT_TRUE(shown.isEmpty());
    EXPECT_EQ(run(u"PascalScript"_s, u"begin Shared.OnFire := 'NoSuch'; end."_s),
              "runtime error: Event handler must be a procedure");
}

} // namespace
