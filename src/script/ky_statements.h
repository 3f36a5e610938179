#pragma once

// The executable form of a script: a tree of statements, each also a list of statements
// (loop bodies and branches are a statement's own items). Control flow travels as flags
// on the scope the statement belongs to, checked between items.
//
#include "ky_variables.h"

#include <QString>

#include <memory>
#include <type_traits>

class TkyScript;
class TkySetExpression;

// A statement list: executes its items in order while the scope is not terminated, and
// stops after an item that set break, continue or exit (the flags stay set for the
// enclosing statements). Items must be statements (added through Add).
class TkyStatement : public TkyItemList
{
public:
    TkyStatement(TkyScript &AProgram, const QString &UnitName, const QString &SourcePos);

    // Appends a statement (owned) and returns it.
    template <typename T>
    T *Add(std::unique_ptr<T> Stmt)
    {
        static_assert(std::is_base_of_v<TkyStatement, T>, "a statement list holds statements");
        T *raw = Stmt.get();
        TkyItemList::Add(std::move(Stmt));
        return raw;
    }
    TkyStatement *Statement(int Index) const { return static_cast<TkyStatement *>(Items(Index)); }

    virtual void Execute();

    TkyScript &Program() const { return FProgram; }
    const QString &SourcePos() const { return FSourcePos; }
    const QString &UnitName() const { return FUnitName; }

protected:
    // Runs this statement's own items as a list.
    void ExecuteItems();
    // Sends the run-line notification for this statement through its scope (and marks it
    // as the running statement).
    void RunLine() const;
    // Marks this statement as the one running on this thread.
    void MarkRunning() const;
    bool Terminated() const;

private:
    TkyScript &FProgram;
    QString FSourcePos;
    QString FUnitName;
};

// The statement that started last on this thread (nullptr before any): where a run-time
// error that leaves a script happened.
const TkyStatement *kyRunningStatement();

using TkyExpressionPtr = std::unique_ptr<TkyCustomVariable>;

// target := value. Optimize takes the fast paths: FVar is the designator and FExpr the
// expression; the expression layer narrows them to the variable a plain designator names
// and to a single operand. Only a declared variable (TkyVariable) as FVar gets the in-place
// string append.
class TkyAssignmentStmt : public TkyStatement
{
public:
    using TkyStatement::TkyStatement;

    // Each setter re-runs Optimize.
    void SetDesignator(TkyExpressionPtr value);
    void SetExpression(TkyExpressionPtr value);
    TkyCustomVariable *Designator() const { return FDesignator.get(); }
    TkyCustomVariable *Expression() const { return FExpression.get(); }
    void Optimize();

    void Execute() override;

protected:
    // target := target op value, strings appended in place (linear for s := s + x).
    void ExecuteCompound(TkavVarOp op);

    TkyCustomVariable *FVar = nullptr;
    TkyCustomVariable *FExpr = nullptr;

private:
    TkyExpressionPtr FDesignator;
    TkyExpressionPtr FExpression;
    bool FPlainVar = false; // FVar is a declared variable: its value may be taken out
};

class TkyAssignPlusStmt : public TkyAssignmentStmt
{
public:
    using TkyAssignmentStmt::TkyAssignmentStmt;
    void Execute() override { ExecuteCompound(voAdd); }
};

class TkyAssignMinusStmt : public TkyAssignmentStmt
{
public:
    using TkyAssignmentStmt::TkyAssignmentStmt;
    void Execute() override { ExecuteCompound(voSubtract); }
};

class TkyAssignMulStmt : public TkyAssignmentStmt
{
public:
    using TkyAssignmentStmt::TkyAssignmentStmt;
    void Execute() override { ExecuteCompound(voMultiply); }
};

// Always real division; the target's own conversion applies when storing.
class TkyAssignDivStmt : public TkyAssignmentStmt
{
public:
    using TkyAssignmentStmt::TkyAssignmentStmt;
    void Execute() override { ExecuteCompound(voDivide); }
};

// A call whose value is discarded; with the modificator "+" or "-" the designator's value
// is incremented or decremented instead (x++, x--).
class TkyCallStmt : public TkyStatement
{
public:
    using TkyStatement::TkyStatement;

    void SetDesignator(TkyExpressionPtr value) { FDesignator = std::move(value); }
    TkyCustomVariable *Designator() const { return FDesignator.get(); }
    const QString &Modificator() const { return FModificator; }
    void SetModificator(const QString &value) { FModificator = value; }

    void Execute() override;

private:
    TkyExpressionPtr FDesignator;
    QString FModificator;
};

// A statement governed by a condition (or, for case, a selector value).
class TkyConditionalStmt : public TkyStatement
{
public:
    using TkyStatement::TkyStatement;

    void SetCondition(TkyExpressionPtr value);

protected:
    // The condition's value source; EkyError "Incomplete statement" when it has none.
    TkyCustomVariable &Condition() const;

private:
    TkyExpressionPtr FCondition;
    TkyCustomVariable *FCond = nullptr; // what gives the condition's value most directly
};

// Items: the then-branch; ElseStmt: the else-branch.
class TkyIfStmt : public TkyConditionalStmt
{
public:
    TkyIfStmt(TkyScript &AProgram, const QString &UnitName, const QString &SourcePos);

    TkyStatement &ElseStmt() { return *FElseStmt; }

    void Execute() override;

private:
    std::unique_ptr<TkyStatement> FElseStmt;
};

// Items: the body, run while the condition is True.
class TkyWhileStmt : public TkyConditionalStmt
{
public:
    using TkyConditionalStmt::TkyConditionalStmt;
    void Execute() override;
};

// Items: the body, run at least once; repeats until the condition is True, or, inverse
// (do ... while), while it is True.
class TkyRepeatStmt : public TkyConditionalStmt
{
public:
    using TkyConditionalStmt::TkyConditionalStmt;

    bool InverseCondition() const { return FInverseCondition; }
    void SetInverseCondition(bool value) { FInverseCondition = value; }
    void Execute() override;

private:
    bool FInverseCondition = false;
};

// Counting loop over 32-bit integers: bounds evaluated once, the pass count fixed at the
// start, the counter written straight into the loop variable. An empty range leaves the
// variable untouched; afterwards it holds the last counter value.
class TkyForStmt : public TkyStatement
{
public:
    using TkyStatement::TkyStatement;

    void SetBeginValue(TkyExpressionPtr value) { FBeginValue = std::move(value); }
    void SetEndValue(TkyExpressionPtr value) { FEndValue = std::move(value); }
    bool Down() const { return FDown; }
    void SetDown(bool value) { FDown = value; }
    // The loop variable (not owned).
    void SetVariable(TkyCustomVariable *value) { FVariable = value; }

    void Execute() override;

private:
    TkyExpressionPtr FBeginValue;
    TkyExpressionPtr FEndValue;
    bool FDown = false;
    TkyCustomVariable *FVariable = nullptr;
};

// Loop of the Basic form: variant counter (floats allowed), step 1 when absent, direction
// fixed by the step's sign.
class TkyVbForStmt : public TkyStatement
{
public:
    using TkyStatement::TkyStatement;

    void SetBeginValue(TkyExpressionPtr value) { FBeginValue = std::move(value); }
    void SetEndValue(TkyExpressionPtr value) { FEndValue = std::move(value); }
    void SetStep(TkyExpressionPtr value) { FStep = std::move(value); }
    void SetVariable(TkyCustomVariable *value) { FVariable = value; }

    void Execute() override;

private:
    TkyExpressionPtr FBeginValue;
    TkyExpressionPtr FEndValue;
    TkyExpressionPtr FStep;
    TkyCustomVariable *FVariable = nullptr;
};

// for (first; condition; second) body. Items: the body.
class TkyCppForStmt : public TkyStatement
{
public:
    TkyCppForStmt(TkyScript &AProgram, const QString &UnitName, const QString &SourcePos);

    TkyStatement &FirstStmt() { return *FFirstStmt; }
    TkyStatement &SecondStmt() { return *FSecondStmt; }
    void SetExpression(TkyExpressionPtr value);

    void Execute() override;

private:
    std::unique_ptr<TkyStatement> FFirstStmt;
    TkyExpressionPtr FExpression;
    TkyCustomVariable *FCond = nullptr;
    std::unique_ptr<TkyStatement> FSecondStmt;
};

// Items: the guarded part. Finally form: ExceptStmt always runs completely, with the flow
// flags of the guarded part put aside and restored afterwards. Except form: an Exception
// sets ExceptionClassName and ExceptionMessage and runs ExceptStmt; the statement budget
// abort is never handled.
class TkyTryStmt : public TkyStatement
{
public:
    TkyTryStmt(TkyScript &AProgram, const QString &UnitName, const QString &SourcePos);

    bool IsExcept() const { return FIsExcept; }
    void SetIsExcept(bool value) { FIsExcept = value; }
    TkyStatement &ExceptStmt() { return *FExceptStmt; }

    void Execute() override;

private:
    void executeFinally();
    void executeExcept();

    bool FIsExcept = false;
    std::unique_ptr<TkyStatement> FExceptStmt;
};

class TkyBreakStmt : public TkyStatement
{
public:
    using TkyStatement::TkyStatement;
    void Execute() override;
};

class TkyContinueStmt : public TkyStatement
{
public:
    using TkyStatement::TkyStatement;
    void Execute() override;
};

class TkyExitStmt : public TkyStatement
{
public:
    using TkyStatement::TkyStatement;
    void Execute() override;
};

// One branch of a case statement: its items are the branch, run when the value is in
// the set.
class TkyCaseSelector : public TkyStatement
{
public:
    TkyCaseSelector(TkyScript &AProgram, const QString &UnitName, const QString &SourcePos);
    ~TkyCaseSelector() override;

    void SetSetExpression(std::unique_ptr<TkySetExpression> value);
    bool Check(const Variant &Value);

private:
    std::unique_ptr<TkySetExpression> FSetExpression;
};

// Items: the selectors, tested in order; the first that holds the value runs (no fall
// through), else ElseStmt. A break in a branch ends the enclosing loop.
class TkyCaseStmt : public TkyConditionalStmt
{
public:
    TkyCaseStmt(TkyScript &AProgram, const QString &UnitName, const QString &SourcePos);

    TkyStatement &ElseStmt() { return *FElseStmt; }
    void Execute() override;

private:
    std::unique_ptr<TkyStatement> FElseStmt;
};

// Stores the object of its designator into a hidden variable; the body follows in the
// same list and reaches the object's members through that variable.
class TkyWithStmt : public TkyStatement
{
public:
    using TkyStatement::TkyStatement;

    void SetDesignator(TkyExpressionPtr value) { FDesignator = std::move(value); }
    // The hidden variable (not owned).
    void SetVariable(TkyCustomVariable *value) { FVariable = value; }
    void Execute() override;

private:
    TkyExpressionPtr FDesignator;
    TkyCustomVariable *FVariable = nullptr;
};
