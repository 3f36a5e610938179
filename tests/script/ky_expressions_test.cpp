// Expressions built item by item (priorities, brackets, kinds, the assignment rewrite,
// sets), the type compatibility table, and the script-level paths around the translator:
// IL saved and loaded, damaged IL, executable lines, Evaluate inside a paused procedure,
// Terminate reaching procedures, re-entrant calls, late binding across classes and stale
// object references.

#include "kyScriptTestSupport.h"

#include <rtl/kavExceptions.h>
#include <rtl/kavRTTI.h>
#include <rtl/kavUIServices.h>
#include <rtl/kavVariant.h>
#include <script/ky_classes.h>
#include <script/ky_designators.h>
#include <script/ky_expressions.h>
#include <script/ky_procedures.h>
#include <script/ky_script.h>
#include <script/ky_sysfuncs.h>

#include <gtest/gtest.h>

#include <QStringList>

#include <variant>

using namespace Qt::StringLiterals;

namespace {

// A native class whose objects carry a number; two subclasses answer Name differently.
class TProbe : public TPersistent
{
public:
    KAV_CLASSINFO
    int Value = 0;
};
class TProbeA : public TProbe
{
public:
    KAV_CLASSINFO
};
class TProbeB : public TProbe
{
public:
    KAV_CLASSINFO
};

const TkavClassInfo &TProbe::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TProbe, TPersistent>(
        u"TProbe"_s, [](TkavPropBuilder<TProbe> &) {});
    return info;
}
const TkavClassInfo &TProbeA::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TProbeA, TProbe>(
        u"TProbeA"_s, [](TkavPropBuilder<TProbeA> &) {});
    return info;
}
const TkavClassInfo &TProbeB::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TProbeB, TProbe>(
        u"TProbeB"_s, [](TkavPropBuilder<TProbeB> &) {});
    return info;
}

// One building step: a constant or an operator text.
using Item = std::variant<Variant, const char16_t *>;

struct Built
{
    Variant value;
    TkyVarType kind = fvtVariant;
    QString error; // Finalize's error position
};

Built build(TkyScript &script, std::initializer_list<Item> items)
{
    TkyExpression e(script);
    int n = 0;
    for (const Item &item : items) {
        e.SetSourcePos(u"1:%1"_s.arg(++n));
        if (const auto *op = std::get_if<const char16_t *>(&item))
            e.AddOperator(QString::fromUtf16(*op));
        else
            e.AddConst(std::get<Variant>(item));
    }
    Built b;
    b.error = e.Finalize();
    b.kind = e.Typ();
    if (b.error.isEmpty())
        b.value = e.GetValue();
    return b;
}

TEST(Expressions, PrioritiesAndBrackets)
{
    TkyScript s;
    const struct
    {
        std::initializer_list<Item> items;
        Variant expected;
    } cases[] = {
        {{2, u"+", 3, u"*", 4}, 14},
        {{u"(", 2, u"+", 3, u")", u"*", 4}, 20},
        {{10, u"-", 4, u"-", 3}, 3},
        {{u"unminus", 2, u"*", 3}, -6},
        {{2, u"*", u"unminus", 3}, -6},
        {{7, u"div", 2}, 3},
        {{7, u"mod", 2}, 1},
        {{7, u"/", 2}, 3.5},
        {{1, u"and", 3}, 1},                       // bitwise on integers
        {{1, u"=", 1, u"and", 1}, true},          // 1 = (1 and 1)
        {{u"not", true, u"=", false}, true},       // (not True) = False
        {{2, u"*", u"(", 3, u"+", u"(", 4, u"-", 1, u")", u")"}, 12},
        {{u"a"_s, u"+", u"b"_s}, u"ab"_s},
        {{2, u"strcat", 1}, 3},
        {{1, u"shl", 4, u"+", 1}, 17},             // shl binds tighter than +
        {{5, u">", 3, u"xor", 2}, true},          // 5 > (3 xor 2) = 5 > 1
    };
    for (const auto &c : cases) {
        const Built b = build(s, c.items);
        ASSERT_TRUE(b.error.isEmpty()) << b.error.toStdString();
        EXPECT_TRUE(b.value.IsIdentical(c.expected))
            << VarToStr(b.value).toStdString() << " != " << VarToStr(c.expected).toStdString();
    }
}

TEST(Expressions, KindsAndTypeErrors)
{
    TkyScript s;
    EXPECT_EQ(build(s, {7, u"/", 2}).kind, fvtFloat);
    EXPECT_EQ(build(s, {Variant(qint64(7)), u"/", 2}).kind, fvtFloat);
    EXPECT_EQ(build(s, {7, u"div", 2}).kind, fvtInt);
    EXPECT_EQ(build(s, {7, u"+", 2.5}).kind, fvtFloat);
    EXPECT_EQ(build(s, {7, u"<", 2}).kind, fvtBool);
    EXPECT_EQ(build(s, {u"a"_s, u"+", u"b"_s}).kind, fvtString);

    // The position is that of the first operator whose operands do not go together.
    EXPECT_EQ(build(s, {u"x"_s, u"=", 1}).error, u"1:2"_s);
    EXPECT_EQ(build(s, {true, u"+", 1}).error, u"1:2"_s);
    EXPECT_EQ(build(s, {u"unminus", u"a"_s}).error, u"1:1"_s);
    EXPECT_EQ(build(s, {u"a"_s, u"*", 2}).error, u"1:2"_s);
    EXPECT_EQ(build(s, {u"a"_s, u"strcat", 1}).error, u"1:2"_s); // text and number constants
    EXPECT_EQ(build(s, {1, u"=", 1, u"=", 2}).error, u"1:4"_s); // Boolean = Integer
    EXPECT_TRUE(build(s, {true, u"and", false}).error.isEmpty());
}

TEST(Expressions, MalformedTreesRaise)
{
    TkyScript s;
    EXPECT_THROW(build(s, {1, u")"}), EkyError);
    EXPECT_THROW(build(s, {1, u"+", 2, u"@"}), EkyError);
    EXPECT_THROW(build(s, {u"+", 2}), EkyError); // an operand missing
    TkyExpression empty(s);
    EXPECT_THROW(empty.Finalize(), EkyError);

    // A flat chain past the item limit is refused before it can get too deep to walk.
    TkyExpression huge(s);
    EXPECT_THROW(
        {
            for (int i = 0; i <= kyMaxExpressionItems; ++i) {
                huge.AddConst(1);
                huge.AddOperator(u"+"_s);
            }
        },
        EkyError);
}

// A plain variable designator for var.
std::unique_ptr<TkyDesignator> designatorOf(TkyScript &s, TkyCustomVariable &var)
{
    auto d = std::make_unique<TkyDesignator>(s);
    d->AddItem(std::make_unique<TkyDesignatorItem>(&var, u"1:1"_s));
    d->Finalize();
    return TkyDesignator::Specialize(std::move(d));
}

TEST(Expressions, AssignmentRewrite)
{
    TkyScript s;
    TkyStringVariable str(u"s"_s, fvtString, u"String"_s);
    TkyStringVariable other(u"t"_s, fvtString, u"String"_s);
    TkyVariable i(u"i"_s, fvtInt, u"Integer"_s);
    TkyVariable v(u"v"_s, fvtVariant, u"Variant"_s);
    const auto rewrite = [&s](TkyCustomVariable &target, TkyCustomVariable &left,
                              const QString &op, TkyCustomVariable &right) {
        TkyExpression e(s);
        e.AddDesignator(designatorOf(s, left));
        e.AddOperator(op);
        e.AddDesignator(designatorOf(s, right));
        e.Finalize();
        auto d = designatorOf(s, target);
        return e.Optimize(d.get());
    };
    EXPECT_EQ(rewrite(str, str, u"+"_s, other), u"+"_s);
    EXPECT_EQ(rewrite(str, other, u"+"_s, str), u" "_s); // text keeps its order
    EXPECT_EQ(rewrite(v, other, u"+"_s, v), u" "_s);
    EXPECT_EQ(rewrite(i, v, u"*"_s, i), u"*"_s);
    EXPECT_EQ(rewrite(i, v, u"-"_s, i), u" "_s); // only + and * commute
    EXPECT_EQ(rewrite(i, i, u"/"_s, v), u"/"_s);
    EXPECT_EQ(rewrite(str, str, u"strcat"_s, other), u" "_s);
    EXPECT_EQ(rewrite(i, i, u"div"_s, v), u" "_s);
}

TEST(Expressions, SetsAndIn)
{
    TkyScript s;
    auto set = std::make_unique<TkySetExpression>();
    for (const Variant &v : {Variant(1), Variant(), Variant(3), Variant(5), Variant(), Variant(7)}) {
        if (v.IsEmpty()) {
            set->AddItem(nullptr);
            continue;
        }
        auto e = std::make_unique<TkyExpression>(s);
        e->AddConst(v);
        e->Finalize();
        set->AddItem(std::move(e));
    }
    // [1..3, 5..7]
    for (int x : {1, 2, 3, 5, 6, 7})
        EXPECT_TRUE(set->Check(x)) << x;
    for (int x : {0, 4, 8})
        EXPECT_FALSE(set->Check(x)) << x;
    const Variant array = set->GetValue();
    EXPECT_TRUE(array.ArrayElement(1).IsNull());
    EXPECT_TRUE(array.ArrayElement(2).IsIdentical(3));

    // in with an array on the right walks it the same way.
    auto holder = std::make_unique<TkyVariable>(u"a"_s, fvtVariant, u"Variant"_s);
    holder->SetValue(array);
    TkyExpression in(s);
    in.AddConst(6);
    in.AddOperator(u"in"_s);
    in.AddDesignator(designatorOf(s, *holder));
    ASSERT_TRUE(in.Finalize().isEmpty());
    EXPECT_TRUE(in.GetValue().AsBoolean());
}

TEST(Expressions, TypeCompatibilityTable)
{
    const struct
    {
        TkyVarType target;
        TkyVarType source;
        bool expression; // the operator rule
        bool value;      // the rule for values held by items
    } cases[] = {
        {fvtInt, fvtFloat, true, false},   {fvtInt, fvtInt64, true, true},
        {fvtInt64, fvtFloat, true, true},  {fvtInt, fvtEnum, true, true},
        {fvtInt, fvtString, false, false}, {fvtBool, fvtInt, false, false},
        {fvtBool, fvtVariant, true, true}, {fvtFloat, fvtInt, true, true},
        {fvtFloat, fvtBool, false, false}, {fvtString, fvtChar, true, true},
        {fvtChar, fvtInt, false, false},   {fvtArray, fvtArray, true, true},
        {fvtArray, fvtInt, false, false},  {fvtVariant, fvtClass, true, true},
        {fvtEnum, fvtInt, true, true},     {fvtEnum, fvtFloat, false, false},
        {fvtConstructor, fvtInt, false, false}, {fvtConstructor, fvtVariant, false, false},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(kyTypesCompatible(c.target, {}, c.source, {}, nullptr, false), c.expression)
            << c.target << " <- " << c.source;
        EXPECT_EQ(kyTypesCompatible(c.target, {}, c.source, {}, nullptr, true), c.value)
            << c.target << " <- " << c.source;
    }
    // Enumerations by name, classes by descent.
    EXPECT_TRUE(kyTypesCompatible(fvtEnum, u"TA"_s, fvtEnum, u"ta"_s, nullptr, true));
    EXPECT_FALSE(kyTypesCompatible(fvtEnum, u"TA"_s, fvtEnum, u"TB"_s, nullptr, true));
    TkyScript s;
    s.AddClass(TProbe::StaticClassInfo(), u"TPersistent"_s);
    s.AddClass(TProbeA::StaticClassInfo(), u"TProbe"_s);
    EXPECT_TRUE(kyTypesCompatible(fvtClass, u"TProbe"_s, fvtClass, u"TProbeA"_s, &s, true));
    EXPECT_FALSE(kyTypesCompatible(fvtClass, u"TProbeA"_s, fvtClass, u"TProbe"_s, &s, true));
    EXPECT_FALSE(kyTypesCompatible(fvtClass, u"TNoSuchClass"_s, fvtClass, u"TProbeA"_s, &s, true));
}

// ---------------------------------------------------------------------------------------
// Scripts with the system module, ShowMessage captured

class ScriptRun : public ::testing::Test
{
protected:
    void SetUp() override
    {
        kyPrepareLibraryScript(script);
    }

    bool compile(const QString &language, const QString &source)
    {
        script.SetSyntaxType(language);
        script.Lines().SetText(kyScriptLinesText(source));
        return script.Compile();
    }

    KyShownMessages messages;
    QStringList &shown = messages.lines;
    TkyScript script;
};

TEST_F(ScriptRun, ILSavedAndLoadedRunsTheSame)
{
    const QString source = u"var i: Integer;\nfunction Twice(n: Integer): Integer;\nbegin Result := n * 2; end;\n"
                           "begin for i := 1 to 3 do ShowMessage(Twice(i)); end."_s;
    script.SetSyntaxType(u"PascalScript"_s);
    script.Lines().SetText(kyScriptLinesText(source));
    QByteArray il;
    ASSERT_TRUE(script.GetILCode(il)) << script.ErrorMsg().toStdString();

    TkyScript loaded;
    loaded.AddRTTI();
    loaded.SetSyntaxType(u"PascalScript"_s);
    ASSERT_TRUE(loaded.SetILCode(il)) << loaded.ErrorMsg().toStdString();
    loaded.Execute();
    EXPECT_EQ(shown, (QStringList{u"2"_s, u"4"_s, u"6"_s}));
    EXPECT_TRUE(loaded.IsExecutableLine(3));
    EXPECT_TRUE(loaded.IsExecutableLine(4));
    EXPECT_FALSE(loaded.IsExecutableLine(1)); // a declaration
}

TEST_F(ScriptRun, DamagedILGivesAnErrorNotACrash)
{
    const char *const damaged[] = {
        "not xml at all",
        "<?xml version=\"1.0\"?><nothing/>",
        "<?xml version=\"1.0\"?><program><assignstmt pos=\"1:1\"/></program>",
        "<?xml version=\"1.0\"?><program><assignstmt pos=\"1:1\"><dsgn/></assignstmt></program>",
        "<?xml version=\"1.0\"?><program><forstmt pos=\"1:1\"/></program>",
        "<?xml version=\"1.0\"?><program><ifstmt/></program>",
        "<?xml version=\"1.0\"?><program><callstmt><dsgn><node text=\"ShowMessage\"/>"
        "<expr><op text=\"+\"/><op text=\"+\"/></expr></dsgn></callstmt></program>",
        "<?xml version=\"1.0\"?><program><casestmt><expr><number text=\"1\"/></expr>"
        "<caseselector/></casestmt></program>",
        "<?xml version=\"1.0\"?><program><function pos=\"1:1\"/></program>",
        "<?xml version=\"1.0\"?><program><var><ident text=\"a\"/><array><dim><expr>"
        "<number text=\"999999999999\"/></expr></dim></array></var></program>",
        "<?xml version=\"1.0\"?><program><const><ident text=\"c\"/></const></program>",
        "<?xml version=\"1.0\"?><program><with><dsgn><node text=\"x\"/></dsgn></with></program>",
    };
    for (const char *il : damaged) {
        TkyScript loaded;
        loaded.AddRTTI();
        EXPECT_FALSE(loaded.SetILCode(QByteArray(il))) << il;
        EXPECT_FALSE(loaded.ErrorMsg().isEmpty()) << il;
    }
}

TEST_F(ScriptRun, EvaluateSeesTheLocalsOfAPausedProcedure)
{
    ASSERT_TRUE(compile(u"PascalScript"_s,
                        u"procedure P(n: Integer);\nvar k: Integer;\nbegin\n  k := n + 1;\n  ShowMessage(k);\nend;\n"
                        "begin P(20); end."_s))
        << script.ErrorMsg().toStdString();
    QStringList seen;
    script.SetOnRunLine([&](TkyScript &, const QString &, const QString &pos) {
        if (pos.startsWith(u"5:"))
            seen << VarToStr(script.Evaluate(u"k * 2 + n"_s));
    });
    script.Execute();
    EXPECT_EQ(seen, QStringList{u"62"_s});
    EXPECT_FALSE(script.EvaluteRiseError());
    EXPECT_EQ(shown, QStringList{u"21"_s});

    // A trailing comment does not swallow the end of the wrapper; a bad text is a message.
    EXPECT_TRUE(script.Evaluate(u"6 * 7 // the answer"_s).IsIdentical(42));
    const Variant bad = script.Evaluate(u"1 +"_s);
    EXPECT_TRUE(script.EvaluteRiseError());
    EXPECT_TRUE(bad.IsString());
    EXPECT_FALSE(bad.AsString().isEmpty());
}

TEST_F(ScriptRun, VariantArraysAreWrittenInPlaceButKeepValueSemantics)
{
    // Elements of an array held by a Variant are written in place (no copy of the whole
    // array per write), yet a second variable holding the same array keeps its values.
    ASSERT_TRUE(compile(u"PascalScript"_s,
                        u"var v, w: Variant; i: Integer;\nbegin\n"
                        "  v := VarArrayCreate([0, 2], varVariant);\n"
                        "  for i := 0 to 2 do v[i] := i * 10;\n"
                        "  w := v;\n  v[1] := 'x';\n"
                        "  ShowMessage(v[1] + '/' + IntToStr(w[1]) + '/' + IntToStr(v[2]));\nend."_s))
        << script.ErrorMsg().toStdString();
    script.Execute();
    EXPECT_EQ(shown, QStringList{u"x/10/20"_s});
}

TEST_F(ScriptRun, RunTimeErrorsKnowTheirStatement)
{
    ASSERT_TRUE(compile(u"PascalScript"_s,
                        u"var i: Integer;\nprocedure P;\nbegin\n  i := 1 div i;\nend;\n"
                        "begin\n  i := 0;\n  P;\nend."_s));
    EXPECT_THROW(script.Execute(), EDivByZero);
    EXPECT_EQ(script.RunErrorPos(), u"4:3"_s);
    EXPECT_THROW(script.CallFunction(u"P"_s, Variant()), EDivByZero);
    EXPECT_EQ(script.RunErrorPos(), u"4:3"_s);
    script.SetVariables(u"i"_s, 1);
    script.CallFunction(u"P"_s, Variant());
    EXPECT_TRUE(script.RunErrorPos().isEmpty());
}

TEST_F(ScriptRun, TerminateStopsProceduresAndTheMainProgram)
{
    ASSERT_TRUE(compile(u"PascalScript"_s,
                        u"var i: Integer;\nprocedure Spin;\nbegin\n  while True do i := i + 1;\nend;\n"
                        "begin Spin; ShowMessage('after'); end."_s));
    int lines = 0;
    script.SetOnRunLine([&](TkyScript &, const QString &, const QString &) {
        if (++lines == 50)
            script.Terminate();
    });
    script.Execute();
    EXPECT_TRUE(shown.isEmpty());
    EXPECT_EQ(script.Variables(u"i").AsInteger(), 47); // call, Spin's while, then 48 passes
    // The next run starts afresh.
    script.SetOnRunLine(nullptr);
    script.SetStatementLimit(1000);
    EXPECT_THROW(script.Execute(), EkyBudgetExceeded);
}

TEST_F(ScriptRun, BudgetCountsStatementsOfProcedures)
{
    ASSERT_TRUE(compile(u"PascalScript"_s,
                        u"procedure Spin;\nbegin\n  while True do ;\nend;\n"
                        "begin try Spin; except ShowMessage('caught'); end; end."_s));
    script.SetStatementLimit(10000);
    EXPECT_THROW(script.Execute(), EkyBudgetExceeded);
    EXPECT_TRUE(shown.isEmpty()); // try ... except cannot swallow the limit
}

TEST_F(ScriptRun, ReentrantCallsKeepTheRunningLocals)
{
    // The host calls back into the running procedure (an event fired from inside it).
    script.AddMethod(u"procedure Fire(n: Integer)"_s,
                     TkyCallMethodNewEvent([this](TObject *, const TkavClassInfo *, const QString &,
                                                  TkyMethodHelper &call) {
                         const qint64 bounds[] = {0, 0};
                         Variant args = VarArrayCreate(bounds, varVariant);
                         args.SetArrayElement(0, call.GetVParam(0));
                         return script.CallFunction(u"Handler"_s, args);
                     }));
    ASSERT_TRUE(compile(u"PascalScript"_s,
                        u"procedure Handler(n: Integer);\nvar mine: Integer;\nbegin\n"
                        "  mine := n * 10;\n  if n = 1 then Fire(2);\n  ShowMessage(mine);\nend;\n"
                        "begin Handler(1); end."_s))
        << script.ErrorMsg().toStdString();
    script.Execute();
    EXPECT_EQ(shown, (QStringList{u"20"_s, u"10"_s}));
}

TEST_F(ScriptRun, ByReferenceResultsSurviveRecursion)
{
    ASSERT_TRUE(compile(u"PascalScript"_s,
                        u"procedure Count(n: Integer; var total: Integer);\nvar mine: Integer;\n"
                        "begin\n  mine := 0;\n  if n > 0 then Count(n - 1, mine);\n"
                        "  total := mine + n;\nend;\n"
                        "var t: Integer;\nbegin Count(4, t); ShowMessage(t); end."_s))
        << script.ErrorMsg().toStdString();
    script.Execute();
    EXPECT_EQ(shown, QStringList{u"10"_s}); // 4 + 3 + 2 + 1
}

TEST_F(ScriptRun, LateBindingFollowsTheClassOfEachValue)
{
    for (const TkavClassInfo *info : {&TProbeA::StaticClassInfo(), &TProbeB::StaticClassInfo()}) {
        TkyClassVariable *cls = script.AddClass(*info, u"TPersistent"_s);
        ASSERT_TRUE(cls);
        const QString answer = info->ClassName();
        cls->AddProperty(u"Name"_s, u"String"_s,
                         [answer](TObject *, const TkavClassInfo *, const QString &) {
                             return Variant(answer);
                         });
    }
    TProbeA a;
    TProbeB b;
    script.AddVariable(u"A"_s, u"Variant"_s, Variant::FromObject(&a));
    script.AddVariable(u"B"_s, u"Variant"_s, Variant::FromObject(&b));
    ASSERT_TRUE(compile(u"JScript"_s,
                        u"var o = A; ShowMessage(o.Name); o = B; ShowMessage(o.Name); o = A; ShowMessage(o.Name);\n"_s))
        << script.ErrorMsg().toStdString();
    script.Execute();
    EXPECT_EQ(shown, (QStringList{u"TProbeA"_s, u"TProbeB"_s, u"TProbeA"_s}));
}

TEST_F(ScriptRun, StaleAndForgedObjectsAreErrors)
{
    TkyClassVariable *cls = script.AddClass(TProbeA::StaticClassInfo(), u"TPersistent"_s);
    ASSERT_TRUE(cls);
    cls->AddProperty(u"Value"_s, u"Integer"_s,
                     [](TObject *obj, const TkavClassInfo *, const QString &) {
                         return Variant(static_cast<TProbe *>(obj)->Value);
                     });
    auto doomed = std::make_unique<TProbeA>();
    doomed->Value = 7;
    script.AddVariable(u"P"_s, u"Variant"_s, Variant::FromObject(doomed.get()));
    ASSERT_TRUE(compile(u"JScript"_s, u"ShowMessage(P.Value);\n"_s));
    script.Execute();
    EXPECT_EQ(shown, QStringList{u"7"_s});
    doomed.reset();
    EXPECT_THROW(script.Execute(), EVariantError); // "Invalid object reference"

    script.Clear();
    script.AddVariable(u"Q"_s, u"Variant"_s, 12345);
    ASSERT_TRUE(compile(u"JScript"_s, u"ShowMessage(Q.Value);\n"_s));
    try {
        script.Execute();
        FAIL() << "an integer was used as an object";
    } catch (const EkyError &e) {
        EXPECT_EQ(e.Message(), u"Class type required"_s);
    }
}

} // namespace
