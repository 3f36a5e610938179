#include "ky_statements.h"

#include "ky_designators.h"
#include "ky_expressions.h"
#include "ky_script.h"

#include <rtl/kavExceptions.h>
#include <rtl/kavLimits.h>

#include <new>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

bool isTrue(TkyCustomVariable &condition)
{
    return condition.GetValue().AsBoolean();
}

// A loop pass ends on break or exit; continue only ends the pass.
bool leavesLoop(TkyScript &p)
{
    if (p.BreakCalled() || p.ExitCalled())
        return true;
    p.SetContinueCalled(false);
    return false;
}

TkyCustomVariable &required(TkyCustomVariable *part, const char *what)
{
    if (!part)
        kavRaise<EkyError>(u"Incomplete statement: no %1"_s.arg(QLatin1StringView(what)));
    return *part;
}

TkyCustomVariable &required(const TkyExpressionPtr &part, const char *what)
{
    return required(part.get(), what);
}

} // namespace

// ---------------------------------------------------------------------------------------
// TkyStatement

TkyStatement::TkyStatement(TkyScript &AProgram, const QString &UnitName, const QString &SourcePos)
    : FProgram(AProgram)
    , FSourcePos(SourcePos)
    , FUnitName(UnitName)
{}

void TkyStatement::Execute()
{
    ExecuteItems();
}

void TkyStatement::ExecuteItems()
{
    TkyScript &p = FProgram;
    const int n = Count();
    for (int i = 0; i < n; ++i) {
        if (p.Terminated())
            break;
        p.CountStatement();
        Statement(i)->Execute();
        if (p.BreakCalled() || p.ContinueCalled() || p.ExitCalled())
            break;
    }
}

namespace {
thread_local const TkyStatement *kyRunning = nullptr;
} // namespace

const TkyStatement *kyRunningStatement()
{
    return kyRunning;
}

void TkyStatement::MarkRunning() const
{
    kyRunning = this;
}

void TkyStatement::RunLine() const
{
    kyRunning = this;
    FProgram.RunLine(FUnitName, FSourcePos);
}

bool TkyStatement::Terminated() const
{
    return FProgram.Terminated();
}

// ---------------------------------------------------------------------------------------
// Assignments

void TkyAssignmentStmt::SetDesignator(TkyExpressionPtr value)
{
    FDesignator = std::move(value);
    Optimize();
}

void TkyAssignmentStmt::SetExpression(TkyExpressionPtr value)
{
    FExpression = std::move(value);
    Optimize();
}

void TkyAssignmentStmt::Optimize()
{
    FVar = FDesignator.get();
    if (auto *d = dynamic_cast<TkyDesignator *>(FVar); d && d->PlainVariable())
        FVar = d->PlainVariable();
    FExpr = kyValueSource(FExpression.get());
    FPlainVar = dynamic_cast<TkyVariable *>(FVar) || dynamic_cast<TkyParamItem *>(FVar);
}

void TkyAssignmentStmt::Execute()
{
    RunLine();
    if (Terminated())
        return;
    required(FDesignator, "target");
    const Variant v = required(FExpr, "value").GetValue();
    FVar->SetValue(v);
}

void TkyAssignmentStmt::ExecuteCompound(TkavVarOp op)
{
    RunLine();
    if (Terminated())
        return;
    required(FDesignator, "target");
    Variant a = FVar->GetValue();
    const Variant b = required(FExpr, "value").GetValue();
    const TkyVarType kind = FVar->Typ();
    if (op == voAdd && FPlainVar && a.IsString() && b.IsString()
        && (kind == fvtString || kind == fvtChar || kind == fvtVariant)) {
        // The variable lets go of its text first, so the append needs no copy: a string
        // built piece by piece stays linear.
        FVar->SetValue(Variant(QString()));
        try {
            VarBinaryOpInPlace(a, b, op);
        } catch (...) {
            FVar->SetValue(a); // unchanged by the failed append
            throw;
        }
        FVar->SetValue(a);
        return;
    }
    VarBinaryOpInPlace(a, b, op);
    FVar->SetValue(a);
}

// ---------------------------------------------------------------------------------------
// Call

void TkyCallStmt::Execute()
{
    RunLine();
    if (Terminated())
        return;
    TkyCustomVariable &target = required(FDesignator, "call");
    if (FModificator.isEmpty()) {
        target.SetNeedResult(false);
        target.GetValue();
        return;
    }
    const TkavVarOp op = FModificator == u"-" ? voSubtract : voAdd;
    target.SetValue(VarBinaryOp(target.GetValue(), Variant(1), op));
}

// ---------------------------------------------------------------------------------------
// If and loops

TkyIfStmt::TkyIfStmt(TkyScript &AProgram, const QString &UnitName, const QString &SourcePos)
    : TkyConditionalStmt(AProgram, UnitName, SourcePos)
    , FElseStmt(std::make_unique<TkyStatement>(AProgram, UnitName, SourcePos))
{}

void TkyConditionalStmt::SetCondition(TkyExpressionPtr value)
{
    FCondition = std::move(value);
    FCond = kyValueSource(FCondition.get());
}

TkyCustomVariable &TkyConditionalStmt::Condition() const
{
    return required(FCond, "condition");
}

void TkyIfStmt::Execute()
{
    RunLine();
    if (Terminated())
        return;
    if (isTrue(Condition()))
        ExecuteItems();
    else
        FElseStmt->Execute();
}

void TkyWhileStmt::Execute()
{
    RunLine();
    if (Terminated())
        return;
    TkyScript &p = Program();
    TkyCustomVariable &condition = Condition();
    for (;;) {
        p.CountStatement(); // an empty body still spends the budget
        if (!isTrue(condition))
            break;
        ExecuteItems();
        if (leavesLoop(p))
            break;
    }
    p.SetBreakCalled(false);
}

void TkyRepeatStmt::Execute()
{
    RunLine();
    if (Terminated())
        return;
    TkyScript &p = Program();
    TkyCustomVariable &condition = Condition();
    for (;;) {
        p.CountStatement();
        ExecuteItems();
        if (leavesLoop(p))
            break;
        if (isTrue(condition) != FInverseCondition)
            break;
    }
    p.SetBreakCalled(false);
}

void TkyForStmt::Execute()
{
    MarkRunning();
    // Bounds first, the notification after them.
    const qint32 first = required(FBeginValue, "start value").GetValue().AsInteger();
    const qint32 last = required(FEndValue, "end value").GetValue().AsInteger();
    RunLine();
    if (Terminated())
        return;
    if (!FVariable)
        kavRaise<EkyError>(u"Incomplete statement: no loop variable"_s);
    TkyScript &p = Program();
    // In 64 bits: the full 32-bit range has 2^32 passes.
    const qint64 passes = FDown ? qint64(first) - last + 1 : qint64(last) - first + 1;
    const qint64 step = FDown ? -1 : 1;
    for (qint64 pass = 0; pass < passes; ++pass) {
        p.CountStatement();
        FVariable->ValueRef() = Variant(qint32(first + pass * step)); // directly, as promised
        ExecuteItems();
        if (leavesLoop(p))
            break;
    }
    p.SetBreakCalled(false);
}

void TkyVbForStmt::Execute()
{
    MarkRunning();
    Variant current = required(FBeginValue, "start value").GetValue();
    const Variant last = required(FEndValue, "end value").GetValue();
    const Variant step = FStep ? FStep->GetValue() : Variant(1);
    const bool down = VarCompare(step, Variant(0), vcLess);
    RunLine();
    if (Terminated())
        return;
    if (!FVariable)
        kavRaise<EkyError>(u"Incomplete statement: no loop variable"_s);
    TkyScript &p = Program();
    while (VarCompare(current, last, down ? vcGreaterEqual : vcLessEqual)) {
        p.CountStatement();
        FVariable->SetValue(current);
        ExecuteItems();
        if (leavesLoop(p))
            break;
        current = VarBinaryOp(current, step, voAdd);
    }
    p.SetBreakCalled(false);
}

TkyCppForStmt::TkyCppForStmt(TkyScript &AProgram, const QString &UnitName, const QString &SourcePos)
    : TkyStatement(AProgram, UnitName, SourcePos)
    , FFirstStmt(std::make_unique<TkyStatement>(AProgram, UnitName, SourcePos))
    , FSecondStmt(std::make_unique<TkyStatement>(AProgram, UnitName, SourcePos))
{}

void TkyCppForStmt::SetExpression(TkyExpressionPtr value)
{
    FExpression = std::move(value);
    FCond = kyValueSource(FExpression.get());
}

void TkyCppForStmt::Execute()
{
    RunLine();
    if (Terminated())
        return;
    FFirstStmt->Execute();
    if (Terminated())
        return;
    TkyScript &p = Program();
    for (;;) {
        p.CountStatement();
        // No condition (for (;;)) loops until the body leaves.
        if (FCond && !isTrue(*FCond))
            break;
        ExecuteItems();
        if (leavesLoop(p))
            break;
        FSecondStmt->Execute();
    }
    p.SetBreakCalled(false);
}

// ---------------------------------------------------------------------------------------
// Try

TkyTryStmt::TkyTryStmt(TkyScript &AProgram, const QString &UnitName, const QString &SourcePos)
    : TkyStatement(AProgram, UnitName, SourcePos)
    , FExceptStmt(std::make_unique<TkyStatement>(AProgram, UnitName, SourcePos))
{}

void TkyTryStmt::Execute()
{
    RunLine();
    if (Terminated())
        return;
    if (FIsExcept)
        executeExcept();
    else {
        try {
            ExecuteItems();
        } catch (...) {
            executeFinally();
            throw;
        }
        executeFinally();
    }
}

void TkyTryStmt::executeFinally()
{
    // A break, continue or exit of the guarded part must not cut the finally part short:
    // it runs with clear flags, and the guarded part's flags apply again afterwards
    // (together with any the finally part sets itself).
    TkyScript &p = Program();
    const bool breakCalled = p.BreakCalled();
    const bool continueCalled = p.ContinueCalled();
    const bool exitCalled = p.ExitCalled();
    p.SetBreakCalled(false);
    p.SetContinueCalled(false);
    p.SetExitCalled(false);
    FExceptStmt->Execute();
    p.SetBreakCalled(breakCalled || p.BreakCalled());
    p.SetContinueCalled(continueCalled || p.ContinueCalled());
    p.SetExitCalled(exitCalled || p.ExitCalled());
}

void TkyTryStmt::executeExcept()
{
    std::optional<std::pair<QString, QString>> caught;
    try {
        ExecuteItems();
    } catch (const EkyBudgetExceeded &) {
        throw; // the budget stops the script; no handler may resume it
    } catch (const Exception &e) {
        caught.emplace(QString::fromLatin1(e.ClassName()), e.Message());
    } catch (const std::bad_alloc &) {
        // What the failed statement held is released by now: the handler may run.
        const EOutOfMemory e(QString::fromUtf16(kavOutOfMemoryMessage));
        caught.emplace(QString::fromLatin1(e.ClassName()), e.Message());
    }
    if (!caught)
        return;
    TkyScript &p = Program();
    p.SetVariables(u"ExceptionClassName"_s, caught->first);
    p.SetVariables(u"ExceptionMessage"_s, caught->second);
    FExceptStmt->Execute();
}

// ---------------------------------------------------------------------------------------
// Break, continue, exit

void TkyBreakStmt::Execute()
{
    Program().SetBreakCalled(true);
}

void TkyContinueStmt::Execute()
{
    Program().SetContinueCalled(true);
}

void TkyExitStmt::Execute()
{
    RunLine();
    Program().SetExitCalled(true);
}

// ---------------------------------------------------------------------------------------
// Case and with

TkyCaseSelector::TkyCaseSelector(TkyScript &AProgram, const QString &UnitName, const QString &SourcePos)
    : TkyStatement(AProgram, UnitName, SourcePos)
{}

TkyCaseSelector::~TkyCaseSelector() = default;

void TkyCaseSelector::SetSetExpression(std::unique_ptr<TkySetExpression> value)
{
    FSetExpression = std::move(value);
}

bool TkyCaseSelector::Check(const Variant &Value)
{
    return FSetExpression && FSetExpression->Check(Value);
}

TkyCaseStmt::TkyCaseStmt(TkyScript &AProgram, const QString &UnitName, const QString &SourcePos)
    : TkyConditionalStmt(AProgram, UnitName, SourcePos)
    , FElseStmt(std::make_unique<TkyStatement>(AProgram, UnitName, SourcePos))
{}

void TkyCaseStmt::Execute()
{
    MarkRunning();
    const Variant value = Condition().GetValue();
    RunLine();
    if (Terminated())
        return;
    for (int i = 0; i < Count(); ++i) {
        auto *selector = static_cast<TkyCaseSelector *>(Statement(i));
        if (selector->Check(value)) {
            selector->Execute();
            return;
        }
    }
    FElseStmt->Execute();
}

void TkyWithStmt::Execute()
{
    RunLine();
    if (Terminated())
        return;
    if (!FVariable)
        kavRaise<EkyError>(u"Incomplete statement: no with variable"_s);
    FVariable->SetValue(required(FDesignator, "object").GetValue());
}
