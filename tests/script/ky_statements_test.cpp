// Statement trees built by hand and executed: loops, branches, assignments, try parts,
// flow flags, the statement budget and the run-line hook.
#include <rtl/kavExceptions.h>
#include <script/ky_script.h>
#include <script/ky_statements.h>

#include <functional>
#include <gtest/gtest.h>
#include <limits>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// An expression computed by a lambda (stands in for the expression layer).
class LambdaExpr : public TkyCustomVariable
{
public:
    explicit LambdaExpr(std::function<Variant()> fn)
        : TkyCustomVariable(u"expr"_s, fvtVariant, QString())
        , FFn(std::move(fn))
    {}
    Variant GetValue() override { return FFn(); }

private:
    std::function<Variant()> FFn;
};

// A designator of a variable owned elsewhere: reads and writes go through to it.
class RefExpr : public TkyCustomVariable
{
public:
    explicit RefExpr(TkyCustomVariable *target)
        : TkyCustomVariable(target->Name(), target->Typ(), target->TypeName())
        , FTarget(target)
    {}
    Variant GetValue() override { return FTarget->GetValue(); }
    void SetValue(const Variant &Value) override { FTarget->SetValue(Value); }

private:
    TkyCustomVariable *FTarget;
};

TkyExpressionPtr expr(std::function<Variant()> fn)
{
    return std::make_unique<LambdaExpr>(std::move(fn));
}
TkyExpressionPtr cnst(const Variant &v)
{
    return expr([v] { return v; });
}
TkyExpressionPtr ref(TkyCustomVariable *v)
{
    return std::make_unique<RefExpr>(v);
}

class Statements : public ::testing::Test
{
protected:
    Statements()
    {
        script.SetStatement(std::make_unique<TkyStatement>(script, QString(), u"1:1"_s));
    }

    TkyStatement &main() { return *script.Statement(); }

    TkyCustomVariable *var(const QString &name, TkyVarType typ, const Variant &value)
    {
        std::unique_ptr<TkyCustomVariable> v;
        if (typ == fvtString)
            v = std::make_unique<TkyStringVariable>(name, typ, u"String"_s);
        else
            v = std::make_unique<TkyVariable>(name, typ, QString());
        v->SetValue(value);
        return static_cast<TkyCustomVariable *>(script.Add(name, std::move(v)));
    }

    template <typename T>
    T *add(TkyStatement &list, const QString &pos = u"1:1"_s)
    {
        return list.Add(std::make_unique<T>(script, QString(), pos));
    }

    template <typename T = TkyAssignmentStmt>
    T *assign(TkyStatement &list,
              TkyCustomVariable *target,
              TkyExpressionPtr value,
              const QString &pos = u"1:1"_s)
    {
        T *s = add<T>(list, pos);
        s->SetDesignator(ref(target));
        s->SetExpression(std::move(value));
        return s;
    }

    // A call statement that runs fn (its value discarded).
    TkyCallStmt *call(TkyStatement &list, std::function<void()> fn)
    {
        TkyCallStmt *s = add<TkyCallStmt>(list);
        s->SetDesignator(expr([fn] {
            fn();
            return Variant();
        }));
        return s;
    }

    // A call statement that records the variable's value.
    void record(TkyStatement &list, TkyCustomVariable *v, std::vector<Variant> &seen)
    {
        call(list, [v, &seen] { seen.push_back(v->GetValue()); });
    }

    TkyScript script;
};

// --- Counting for ------------------------------------------------------------------------

struct ForCase
{
    int first, last;
    bool down;
    std::vector<int> visits;
    int after;
};

TEST_F(Statements, ForVisitsItsRangeOnce)
{
    constexpr int kMax = std::numeric_limits<qint32>::max();
    constexpr int kMin = std::numeric_limits<qint32>::min();
    const std::vector<ForCase> cases = {
        {1, 3, false, {1, 2, 3}, 3},
        {5, 1, false, {}, 7}, // empty range: the variable keeps its value
        {3, 1, true, {3, 2, 1}, 1},
        {1, 3, true, {}, 7},
        {4, 4, false, {4}, 4},
        // Bounds at the ends of the 32-bit range: the pass count does not overflow.
        {kMax - 1, kMax, false, {kMax - 1, kMax}, kMax},
        {kMin + 1, kMin, true, {kMin + 1, kMin}, kMin},
    };
    for (const ForCase &c : cases) {
        TkyScript local;
        local.SetStatement(std::make_unique<TkyStatement>(local, QString(), u"1:1"_s));
        auto *i = static_cast<TkyCustomVariable *>(
            local.Add(u"i"_s, std::make_unique<TkyVariable>(u"i"_s, fvtInt, QString())));
        i->SetValue(7);
        auto loop = std::make_unique<TkyForStmt>(local, QString(), u"1:1"_s);
        loop->SetBeginValue(cnst(c.first));
        loop->SetEndValue(cnst(c.last));
        loop->SetDown(c.down);
        loop->SetVariable(i);
        std::vector<int> seen;
        auto body = std::make_unique<TkyCallStmt>(local, QString(), u"1:1"_s);
        body->SetDesignator(expr([&] {
            seen.push_back(i->GetValue().AsInteger());
            return Variant();
        }));
        loop->Add(std::move(body));
        local.Statement()->Add(std::move(loop));
        local.Execute();
        EXPECT_EQ(seen, c.visits) << c.first << ".." << c.last;
        EXPECT_EQ(i->GetValue().AsInteger(), c.after) << c.first << ".." << c.last;
    }
}

TEST_F(Statements, ForPassCountIsFixedAtTheStart)
{
    TkyCustomVariable *i = var(u"i"_s, fvtInt, 0);
    TkyCustomVariable *n = var(u"n"_s, fvtInt, 0);
    TkyCustomVariable *last = var(u"last"_s, fvtInt, 3);
    auto *loop = add<TkyForStmt>(main());
    loop->SetBeginValue(cnst(1));
    loop->SetEndValue(ref(last));
    loop->SetVariable(i);
    assign<TkyAssignPlusStmt>(*loop, n, cnst(1));
    assign(*loop, i, cnst(10));     // neither this
    assign(*loop, last, cnst(100)); // nor this changes the passes
    script.Execute();
    EXPECT_EQ(n->GetValue().AsInteger(), 3);
}

// --- Basic for ---------------------------------------------------------------------------

struct VbForCase
{
    Variant first, last;
    std::optional<Variant> step;
    std::vector<double> visits;
};

TEST_F(Statements, VbForStepsByVariantAddition)
{
    const std::vector<VbForCase> cases = {
        {0, 1, Variant(0.5), {0, 0.5, 1}},
        {3, 1, Variant(-1), {3, 2, 1}},
        {3, 1, std::nullopt, {}},
        {1, 3, std::nullopt, {1, 2, 3}},
        {1.0, 2.0, Variant(0.25), {1, 1.25, 1.5, 1.75, 2}},
    };
    for (const VbForCase &c : cases) {
        main().Clear();
        TkyCustomVariable *x = script.Find(u"x"_s);
        if (!x)
            x = var(u"x"_s, fvtVariant, Variant());
        x->SetValue(u"untouched"_s);
        auto *loop = add<TkyVbForStmt>(main());
        loop->SetBeginValue(cnst(c.first));
        loop->SetEndValue(cnst(c.last));
        if (c.step)
            loop->SetStep(cnst(*c.step));
        loop->SetVariable(x);
        std::vector<Variant> seen;
        record(*loop, x, seen);
        script.Execute();
        std::vector<double> got;
        for (const Variant &v : seen)
            got.push_back(v.AsDouble());
        EXPECT_EQ(got, c.visits);
        if (c.visits.empty()) {
            EXPECT_EQ(x->GetValue().AsString(), u"untouched"_s);
        }
    }
}

// --- Repeat, while, C for ----------------------------------------------------------------

TEST_F(Statements, RepeatRunsTheBodyAtLeastOnce)
{
    struct Case
    {
        bool inverse;
        int limit; // condition: n >= limit (plain) or n < limit (inverse)
        int expected;
    };
    const std::vector<Case> cases = {{false, 0, 1}, {false, 3, 3}, {true, 0, 1}, {true, 3, 3}};
    for (const Case &c : cases) {
        main().Clear();
        TkyCustomVariable *n = script.Find(u"n"_s) ? script.Find(u"n"_s) : var(u"n"_s, fvtInt, 0);
        n->SetValue(0);
        auto *loop = add<TkyRepeatStmt>(main());
        loop->SetInverseCondition(c.inverse);
        const int limit = c.limit;
        const bool inverse = c.inverse;
        loop->SetCondition(expr([n, limit, inverse] {
            const int v = n->GetValue().AsInteger();
            return Variant(inverse ? v < limit : v >= limit);
        }));
        assign<TkyAssignPlusStmt>(*loop, n, cnst(1));
        script.Execute();
        EXPECT_EQ(n->GetValue().AsInteger(), c.expected) << c.inverse << " " << c.limit;
    }
}

TEST_F(Statements, WhileHonoursContinueAndBreak)
{
    TkyCustomVariable *i = var(u"i"_s, fvtInt, 0);
    TkyCustomVariable *sum = var(u"sum"_s, fvtInt, 0);
    TkyCustomVariable *after = var(u"after"_s, fvtInt, 0);
    auto *loop = add<TkyWhileStmt>(main());
    loop->SetCondition(expr([i] { return Variant(i->GetValue().AsInteger() < 10); }));
    assign<TkyAssignPlusStmt>(*loop, i, cnst(1));
    auto *even = add<TkyIfStmt>(*loop);
    even->SetCondition(expr([i] { return Variant(i->GetValue().AsInteger() % 2 == 0); }));
    add<TkyContinueStmt>(*even);
    auto *seven = add<TkyIfStmt>(*loop);
    seven->SetCondition(expr([i] { return Variant(i->GetValue().AsInteger() == 7); }));
    add<TkyBreakStmt>(*seven);
    assign<TkyAssignPlusStmt>(*loop, sum, ref(i));
    assign(main(), after, cnst(1)); // the break ends the loop only
    script.Execute();
    EXPECT_EQ(i->GetValue().AsInteger(), 7);
    EXPECT_EQ(sum->GetValue().AsInteger(), 1 + 3 + 5);
    EXPECT_EQ(after->GetValue().AsInteger(), 1);
}

TEST_F(Statements, BreakEndsTheInnerLoopExitEndsEverything)
{
    TkyCustomVariable *i = var(u"i"_s, fvtInt, 0);
    TkyCustomVariable *j = var(u"j"_s, fvtInt, 0);
    TkyCustomVariable *n = var(u"n"_s, fvtInt, 0);
    TkyCustomVariable *after = var(u"after"_s, fvtInt, 0);
    for (const bool useExit : {false, true}) {
        main().Clear();
        n->SetValue(0);
        after->SetValue(0);
        auto *outer = add<TkyForStmt>(main());
        outer->SetBeginValue(cnst(1));
        outer->SetEndValue(cnst(3));
        outer->SetVariable(i);
        auto *inner = add<TkyForStmt>(*outer);
        inner->SetBeginValue(cnst(1));
        inner->SetEndValue(cnst(5));
        inner->SetVariable(j);
        assign<TkyAssignPlusStmt>(*inner, n, cnst(1));
        auto *second = add<TkyIfStmt>(*inner);
        second->SetCondition(expr([j] { return Variant(j->GetValue().AsInteger() == 2); }));
        if (useExit)
            add<TkyExitStmt>(*second);
        else
            add<TkyBreakStmt>(*second);
        assign(main(), after, cnst(1));
        script.Execute();
        // break: two inner passes per outer pass; exit: the first two passes, nothing after.
        EXPECT_EQ(n->GetValue().AsInteger(), useExit ? 2 : 6);
        EXPECT_EQ(after->GetValue().AsInteger(), useExit ? 0 : 1);
    }
}

TEST_F(Statements, ForBoundsAreReadBeforeTheRunLine)
{
    std::vector<QString> events;
    script.SetOnRunLine([&](TkyScript &, const QString &, const QString &pos) {
        events.push_back(u"line "_s + pos);
    });
    TkyCustomVariable *i = var(u"i"_s, fvtInt, 0);
    auto *loop = main().Add(std::make_unique<TkyForStmt>(script, QString(), u"7:3"_s));
    loop->SetBeginValue(expr([&] {
        events.push_back(u"begin"_s);
        return Variant(1);
    }));
    loop->SetEndValue(expr([&] {
        events.push_back(u"end"_s);
        return Variant(0);
    }));
    loop->SetVariable(i);
    script.Execute();
    EXPECT_EQ(events, (std::vector<QString>{u"begin"_s, u"end"_s, u"line 7:3"_s}));
    script.SetOnRunLine(nullptr);
}

TEST_F(Statements, IfChoosesABranchAndNullConditionRaises)
{
    TkyCustomVariable *x = var(u"x"_s, fvtVariant, 0);
    for (const bool cond : {true, false}) {
        main().Clear();
        auto *s = add<TkyIfStmt>(main());
        s->SetCondition(cnst(cond));
        assign(*s, x, cnst(u"then"_s));
        assign(s->ElseStmt(), x, cnst(u"else"_s));
        script.Execute();
        EXPECT_EQ(x->GetValue().AsString(), cond ? u"then"_s : u"else"_s);
    }
    main().Clear();
    add<TkyIfStmt>(main())->SetCondition(cnst(Variant::Null()));
    EXPECT_ANY_THROW(script.Execute());
}

TEST_F(Statements, CppForRunsInitConditionBodyStep)
{
    TkyCustomVariable *i = var(u"i"_s, fvtInt, 0);
    TkyCustomVariable *s = var(u"s"_s, fvtInt, 0);
    auto *loop = add<TkyCppForStmt>(main());
    assign(loop->FirstStmt(), i, cnst(1));
    loop->SetExpression(expr([i] { return Variant(i->GetValue().AsInteger() <= 4); }));
    auto *step = add<TkyCallStmt>(loop->SecondStmt());
    step->SetDesignator(ref(i));
    step->SetModificator(u"+"_s);
    assign<TkyAssignPlusStmt>(*loop, s, ref(i));
    script.Execute();
    EXPECT_EQ(s->GetValue().AsInteger(), 10);
    EXPECT_EQ(i->GetValue().AsInteger(), 5);
}

// --- Assignments and calls ---------------------------------------------------------------

TEST_F(Statements, CompoundAssignmentsUseVariantArithmeticThenTheTargetsKind)
{
    struct Case
    {
        int kind; // 0 plus, 1 minus, 2 mul, 3 div
        TkyVarType typ;
        Variant start, operand;
        QString expected;
    };
    const std::vector<Case> cases = {
        {0, fvtString, u"a"_s, u"b"_s, u"ab"_s},
        {0, fvtVariant, u"a"_s, u"b"_s, u"ab"_s},
        {0, fvtInt, 2, 3, u"5"_s},
        {1, fvtInt, 5, 2, u"3"_s},
        {2, fvtInt, 4, 2.5, u"10"_s},
        {3, fvtInt, 3, 2, u"2"_s}, // 1.5 stored with the integer rounding
        {3, fvtFloat, 3, 2, u"1.5"_s},
    };
    int k = 0;
    for (const Case &c : cases) {
        main().Clear();
        TkyCustomVariable *v = var(u"v%1"_s.arg(k++), c.typ, c.start);
        switch (c.kind) {
        case 0:
            assign<TkyAssignPlusStmt>(main(), v, cnst(c.operand));
            break;
        case 1:
            assign<TkyAssignMinusStmt>(main(), v, cnst(c.operand));
            break;
        case 2:
            assign<TkyAssignMulStmt>(main(), v, cnst(c.operand));
            break;
        default:
            assign<TkyAssignDivStmt>(main(), v, cnst(c.operand));
            break;
        }
        script.Execute();
        EXPECT_EQ(VarToStr(v->GetValue()), c.expected) << k;
    }
}

TEST_F(Statements, FailedCompoundLeavesTheTargetAlone)
{
    TkyCustomVariable *v = var(u"v"_s, fvtInt, 4);
    assign<TkyAssignPlusStmt>(main(), v, cnst(u"not a number"_s));
    EXPECT_ANY_THROW(script.Execute());
    EXPECT_EQ(v->GetValue().AsInteger(), 4);
}

TEST_F(Statements, ManyStringAppendsStayLinear)
{
    // The target is the variable itself, as the resolved fast path of s := s + x is.
    for (const TkyVarType typ : {fvtString, fvtVariant}) {
        main().Clear();
        TkyCustomVariable *i = script.Find(u"i"_s) ? script.Find(u"i"_s) : var(u"i"_s, fvtInt, 0);
        auto *loop = add<TkyForStmt>(main());
        loop->SetBeginValue(cnst(1));
        loop->SetEndValue(cnst(200000));
        loop->SetVariable(i);
        auto *append = add<TkyAssignPlusStmt>(*loop);
        if (typ == fvtString)
            append->SetDesignator(std::make_unique<TkyStringVariable>(u"s"_s, typ, u"String"_s));
        else
            append->SetDesignator(std::make_unique<TkyVariable>(u"s"_s, typ, u"Variant"_s));
        TkyCustomVariable *s = append->Designator();
        s->SetValue(u""_s);
        append->SetExpression(cnst(u"xy"_s));
        script.Execute();
        const QString text = s->GetValue().AsString();
        EXPECT_EQ(text.size(), 400000) << typ;
        EXPECT_TRUE(text.startsWith(u"xyxy"_s) && text.endsWith(u"xyxy"_s)) << typ;
    }
}

TEST_F(Statements, CallDiscardsTheValueOrSteps)
{
    int calls = 0;
    TkyCallStmt *plain = call(main(), [&] { ++calls; });
    TkyCustomVariable *n = var(u"n"_s, fvtInt, 10);
    auto *inc = add<TkyCallStmt>(main());
    inc->SetDesignator(ref(n));
    inc->SetModificator(u"+"_s);
    for (int k = 0; k < 3; ++k) {
        auto *dec = add<TkyCallStmt>(main());
        dec->SetDesignator(ref(n));
        dec->SetModificator(u"-"_s);
    }
    script.Execute();
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(plain->Designator()->NeedResult());
    EXPECT_EQ(n->GetValue().AsInteger(), 10 + 1 - 3);
}

// --- Try ---------------------------------------------------------------------------------

TEST_F(Statements, ExitInsideTryFinallyStillRunsTheFinallyPart)
{
    TkyCustomVariable *x = var(u"x"_s, fvtInt, 0);
    auto *t = add<TkyTryStmt>(main());
    add<TkyExitStmt>(*t);
    assign(t->ExceptStmt(), x, cnst(1));
    assign<TkyAssignPlusStmt>(t->ExceptStmt(), x, cnst(10)); // the whole finally part
    assign(main(), x, cnst(2)); // not reached: exit still applies after the finally part
    script.Execute();
    EXPECT_EQ(x->GetValue().AsInteger(), 11);
    EXPECT_FALSE(script.ExitCalled());
}

TEST_F(Statements, BreakInsideTryFinallyRunsTheWholeFinallyPart)
{
    TkyCustomVariable *n = var(u"n"_s, fvtInt, 0);
    auto *loop = add<TkyWhileStmt>(main());
    loop->SetCondition(cnst(true));
    auto *t = add<TkyTryStmt>(*loop);
    add<TkyBreakStmt>(*t);
    assign<TkyAssignPlusStmt>(t->ExceptStmt(), n, cnst(1));
    assign<TkyAssignPlusStmt>(t->ExceptStmt(), n, cnst(10));
    assign<TkyAssignPlusStmt>(main(), n, cnst(100)); // the break ends the loop only
    script.Execute();
    EXPECT_EQ(n->GetValue().AsInteger(), 111);
}

TEST_F(Statements, FinallyRunsWhenTheGuardedPartRaises)
{
    TkyCustomVariable *x = var(u"x"_s, fvtInt, 0);
    auto *t = add<TkyTryStmt>(main());
    call(*t, [] { throw EConvertError(u"bad"_s); });
    assign(t->ExceptStmt(), x, cnst(1));
    EXPECT_THROW(script.Execute(), EConvertError);
    EXPECT_EQ(x->GetValue().AsInteger(), 1);
}

TEST_F(Statements, ExceptExposesClassAndMessageAndContinues)
{
    TkyCustomVariable *s = var(u"s"_s, fvtString, u""_s);
    TkyCustomVariable *after = var(u"after"_s, fvtInt, 0);
    auto *t = add<TkyTryStmt>(main());
    t->SetIsExcept(true);
    call(*t, [] { throw EConvertError(u"'q' is not a valid integer value"_s); });
    assign(*t, after, cnst(-1)); // skipped: the guarded part stopped at the raise
    assign(t->ExceptStmt(), s, expr([this] { return script.Variables(u"ExceptionMessage"_s); }));
    assign(main(), after, cnst(1));
    script.Execute();
    EXPECT_EQ(s->GetValue().AsString(), u"'q' is not a valid integer value"_s);
    EXPECT_EQ(script.Variables(u"ExceptionClassName"_s).AsString(), u"EConvertError"_s);
    EXPECT_EQ(after->GetValue().AsInteger(), 1);
}

TEST_F(Statements, ExceptLeavesForeignExceptionsAlone)
{
    auto *t = add<TkyTryStmt>(main());
    t->SetIsExcept(true);
    call(*t, [] { throw std::runtime_error("not ours"); });
    EXPECT_THROW(script.Execute(), std::runtime_error);
    EXPECT_TRUE(script.Variables(u"ExceptionMessage"_s).IsNull());
}

// --- Flags -------------------------------------------------------------------------------

TEST_F(Statements, FlagsDoNotLeakIntoTheNextRun)
{
    int runs = 0;
    call(main(), [&] { ++runs; });
    using Setter = void (TkyScript::*)(bool);
    const std::vector<Setter> stale = {&TkyScript::SetBreakCalled,
                                       &TkyScript::SetContinueCalled,
                                       &TkyScript::SetExitCalled,
                                       &TkyScript::SetTerminated};
    for (const Setter set : stale) {
        (script.*set)(true);
        script.Execute();
    }
    EXPECT_EQ(runs, 4);
    // A top-level break and a raise after a continue leave nothing behind either.
    main().Clear();
    add<TkyBreakStmt>(main());
    script.Execute();
    EXPECT_FALSE(script.BreakCalled());
    main().Clear();
    add<TkyContinueStmt>(main());
    script.Execute();
    EXPECT_FALSE(script.ContinueCalled());
    main().Clear();
    auto *t = add<TkyTryStmt>(main());
    add<TkyExitStmt>(*t);
    call(t->ExceptStmt(), [] { throw EkyError(u"late"_s); });
    EXPECT_THROW(script.Execute(), EkyError);
    EXPECT_FALSE(script.ExitCalled() || script.BreakCalled() || script.IsRunning());
}

// --- Budget ------------------------------------------------------------------------------

TEST_F(Statements, BudgetEndsAnEndlessLoopEvenInsideTryExcept)
{
    TkyCustomVariable *handled = var(u"handled"_s, fvtInt, 0);
    TkyCustomVariable *cleaned = var(u"cleaned"_s, fvtInt, 0);
    script.SetStatementLimit(1000);
    auto *outer = add<TkyTryStmt>(main());
    outer->SetIsExcept(true);
    assign(outer->ExceptStmt(), handled, cnst(1));
    auto *inner = add<TkyTryStmt>(*outer);
    add<TkyWhileStmt>(*inner)->SetCondition(cnst(true)); // empty body: passes still count
    assign(inner->ExceptStmt(), cleaned, cnst(1));
    assign<TkyAssignPlusStmt>(inner->ExceptStmt(), cleaned, cnst(1));
    try {
        script.Execute();
        ADD_FAILURE() << "the endless loop was not stopped";
    } catch (const EkyBudgetExceeded &e) {
        EXPECT_EQ(e.Message(), u"Script stopped: statement limit reached"_s);
    }
    EXPECT_EQ(handled->GetValue().AsInteger(), 0);
    EXPECT_EQ(cleaned->GetValue().AsInteger(), 2);
}

TEST_F(Statements, BudgetCountsPerRun)
{
    TkyCustomVariable *i = var(u"i"_s, fvtInt, 0);
    auto *loop = add<TkyForStmt>(main());
    loop->SetBeginValue(cnst(1));
    loop->SetEndValue(cnst(20));
    loop->SetVariable(i);
    call(*loop, [] {});
    script.SetStatementLimit(60); // one run needs about 41
    script.Execute();
    script.Execute();
    EXPECT_EQ(i->GetValue().AsInteger(), 20);
    script.SetStatementLimit(30);
    EXPECT_THROW(script.Execute(), EkyBudgetExceeded);
}

// --- Run-line hook -----------------------------------------------------------------------

TEST_F(Statements, RunLineGoesToTheFirstHandlerUpTheChain)
{
    TkyScript global;
    script.SetParent(&global);
    struct Call
    {
        const TkyScript *scope;
        QString unit, pos;
        bool operator==(const Call &) const = default;
    };
    std::vector<Call> calls;
    global.SetOnRunLine([&](TkyScript &scope, const QString &unit, const QString &pos) {
        calls.push_back({&scope, unit, pos});
    });
    TkyCustomVariable *i = var(u"i"_s, fvtInt, 0);
    auto *loop = main().Add(std::make_unique<TkyWhileStmt>(script, u"U"_s, u"2:1"_s));
    loop->SetCondition(expr([i] { return Variant(i->GetValue().AsInteger() < 3); }));
    auto *step = loop->Add(std::make_unique<TkyAssignPlusStmt>(script, u"U"_s, u"3:5"_s));
    step->SetDesignator(ref(i));
    step->SetExpression(cnst(1));
    loop->Add(std::make_unique<TkyContinueStmt>(script, u"U"_s, u"4:5"_s)); // not notified
    script.Execute();
    const std::vector<Call> expected = {{&script, u"U"_s, u"2:1"_s},
                                        {&script, u"U"_s, u"3:5"_s},
                                        {&script, u"U"_s, u"3:5"_s},
                                        {&script, u"U"_s, u"3:5"_s}};
    EXPECT_TRUE(calls == expected) << calls.size();

    // A handler on the scope itself comes first; only one is called.
    int own = 0;
    calls.clear();
    i->SetValue(2);
    script.SetOnRunLine([&](TkyScript &, const QString &, const QString &) { ++own; });
    script.Execute();
    EXPECT_EQ(own, 2);
    EXPECT_TRUE(calls.empty());
    script.SetOnRunLine(nullptr);
}

TEST_F(Statements, TerminateFromTheHookStopsBeforeTheStatement)
{
    TkyCustomVariable *x = var(u"x"_s, fvtInt, 0);
    assign(main(), x, cnst(1), u"1:1"_s);
    assign(main(), x, cnst(2), u"2:1"_s);
    assign(main(), x, cnst(3), u"3:1"_s);
    script.SetOnRunLine([](TkyScript &scope, const QString &, const QString &pos) {
        if (pos == u"2:1"_s)
            scope.Terminate();
    });
    script.Execute();
    EXPECT_EQ(x->GetValue().AsInteger(), 1);
    EXPECT_FALSE(script.Terminated());
}

} // namespace
