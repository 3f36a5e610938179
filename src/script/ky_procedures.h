#pragma once

// Script procedures and functions. Each owns a scope (a TkyScript whose parent is the
// declaring scope) holding its parameters, locals and statements; a function's scope also
// holds its Result variable. Locals live in that scope between calls, so a call that
// re-enters a running procedure (recursion, an event fired from inside it, a host calling
// back) saves the scope's values first and restores them afterwards.

#include "ky_variables.h"

#include <QString>
#include <QVarLengthArray>

#include <memory>
#include <span>
#include <vector>

class TkyScript;

// Calls nested deeper than this raise EStackOverflow "Stack overflow", as does a call
// that finds less native stack left than the interpreter needs.
inline constexpr int kyMaxCallDepth = 1000;

class TkyProcVariable : public TkyCustomVariable
{
public:
    // A read-only item of kind ATyp; a function gets a Result variable of that kind.
    TkyProcVariable(const QString &AName,
                    TkyVarType ATyp,
                    TkyScript &AParent,
                    const QString &ATypeName,
                    bool AIsFunc);
    ~TkyProcVariable() override;

    // Runs the procedure with the values its parameters hold now; a function's Result,
    // null for a procedure. The caller has stored the arguments (and saved the scope when
    // the procedure was already running).
    Variant GetValue() override;

    // Appends a parameter: owned by this item, found by name in its scope.
    TkyParamItem *AddParam(std::unique_ptr<TkyParamItem> Param);

    // A whole call: saves the scope when the procedure is running, stores Args into the
    // parameters (missing trailing ones get their defaults; more arguments than parameters
    // raise EListError), runs it, copies by-reference parameters back into Args, then
    // restores the saved scope. Returns the result as GetValue does.
    Variant Call(std::span<Variant> Args);

    // Parameter i (unchecked kind: a procedure's items are its parameters).
    TkyParamItem *Param(int i) const { return static_cast<TkyParamItem *>(Items(i)); }

    bool Executing() const { return FExecuting; }
    bool IsFunc() const { return FIsFunc; }
    // The procedure's own scope.
    TkyScript &Program() const { return *FProgram; }

private:
    // Values of the scope's variables and parameters, for a re-entrant call to put back.
    using SavedLocals = QVarLengthArray<Variant, 8>;
    void saveLocals(SavedLocals &saved);
    void restoreLocals(const SavedLocals &saved);
    bool FExecuting = false;
    // The scope's variables and parameters, listed once the scope stops changing.
    std::vector<TkyCustomVariable *> FLocals;
    int FLocalsScopeCount = -1;
    bool FIsFunc;
    std::unique_ptr<TkyScript> FProgram;
};
