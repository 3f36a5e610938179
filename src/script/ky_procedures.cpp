#include "ky_procedures.h"

#include "ky_script.h"

#include <rtl/kavExceptions.h>
#include <rtl/kavStack.h>

#include <algorithm>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// Native stack kept free below the deepest call: room for a statement's own frames, for
// raising and for unwinding.
constexpr std::size_t kyCallStackReserve = 512 * 1024;

thread_local int kyCallDepth = 0;

// Counts a call for its duration; refuses one that goes too deep.
class CallDepthGuard
{
public:
    CallDepthGuard()
    {
        const char here = 0;
        const char *limit = kavStackLimit(kyCallStackReserve);
        if (kyCallDepth >= kyMaxCallDepth || (limit && &here < limit))
            kavRaise<EStackOverflow>(u"Stack overflow"_s);
        ++kyCallDepth;
    }
    ~CallDepthGuard() { --kyCallDepth; }
    CallDepthGuard(const CallDepthGuard &) = delete;
    CallDepthGuard &operator=(const CallDepthGuard &) = delete;
};

} // namespace

TkyProcVariable::TkyProcVariable(const QString &AName,
                                 TkyVarType ATyp,
                                 TkyScript &AParent,
                                 const QString &ATypeName,
                                 bool AIsFunc)
    : TkyCustomVariable(AName, ATyp, ATypeName)
    , FIsFunc(AIsFunc)
    , FProgram(std::make_unique<TkyScript>())
{
    SetIsReadOnly(true);
    FProgram->SetParent(&AParent);
    FProgram->SetOwnerScope(&AParent);
    FProgram->SetUseClassLateBinding(AParent.UseClassLateBinding());
    FProgram->SetSyntaxType(AParent.SyntaxType());
    if (AIsFunc) {
        const QString resultName = u"Result"_s;
        std::unique_ptr<TkyVariable> result;
        if (ATyp == fvtString || ATyp == fvtChar)
            result = std::make_unique<TkyStringVariable>(resultName, ATyp, ATypeName);
        else
            result = std::make_unique<TkyVariable>(resultName, ATyp, ATypeName);
        SetRefItem(result.get());
        FProgram->Add(resultName, std::move(result));
    }
}

TkyProcVariable::~TkyProcVariable()
{
    // The scope lists the parameters without owning them: out of it first.
    for (int i = 0; i < Count(); ++i)
        FProgram->Remove(Items(i));
    FProgram.reset();
}

TkyParamItem *TkyProcVariable::AddParam(std::unique_ptr<TkyParamItem> Param)
{
    TkyParamItem *raw = Param.get();
    TkyItemList::Add(std::move(Param));
    FProgram->AddBorrowed(raw->Name(), *raw);
    return raw;
}

Variant TkyProcVariable::GetValue()
{
    CallDepthGuard depth;
    const bool wasExecuting = FExecuting;
    FExecuting = true;
    TkyScript *main = FProgram->MainProgram();
    TkyScript *const outerRunning = main ? main->ProgRunning() : nullptr;
    if (main)
        main->SetProgRunning(FProgram.get());
    struct Restore
    {
        TkyProcVariable &proc;
        TkyScript *main;
        TkyScript *outerRunning;
        bool wasExecuting;
        ~Restore()
        {
            if (main)
                main->SetProgRunning(outerRunning);
            proc.FExecuting = wasExecuting;
        }
    } restore{*this, main, outerRunning, wasExecuting};
    if (FIsFunc)
        RefItem()->SetValue(Variant());
    FProgram->ExecuteCall(main);
    return FIsFunc ? RefItem()->GetValue() : Variant::Null();
}

Variant TkyProcVariable::Call(std::span<Variant> Args)
{
    const int n = Count();
    if (qsizetype(Args.size()) > n)
        kavRaise<EListError>(u"List index out of bounds (%1)"_s.arg(n));
    const bool reentered = FExecuting;
    SavedLocals saved;
    if (reentered)
        saveLocals(saved);
    for (int i = 0; i < n; ++i) {
        TkyParamItem *p = Param(i);
        p->SetValue(size_t(i) < Args.size() ? Args[size_t(i)] : p->DefValue());
    }
    Variant result;
    try {
        result = GetValue();
    } catch (...) {
        if (reentered)
            restoreLocals(saved);
        throw;
    }
    // By-reference results are read before the running call's values come back.
    for (size_t i = 0; i < Args.size(); ++i) {
        TkyParamItem *p = Param(int(i));
        if (p->IsVarParam())
            Args[i] = p->GetValue();
    }
    if (reentered)
        restoreLocals(saved);
    return result;
}

void TkyProcVariable::saveLocals(SavedLocals &saved)
{
    if (FLocalsScopeCount != FProgram->Count()) {
        FLocals.clear();
        FLocalsScopeCount = FProgram->Count();
        for (int i = 0; i < FLocalsScopeCount; ++i) {
            TObject *item = FProgram->Items(i);
            if (dynamic_cast<TkyVariable *>(item) || dynamic_cast<TkyParamItem *>(item))
                FLocals.push_back(static_cast<TkyCustomVariable *>(item));
        }
    }
    saved.reserve(qsizetype(FLocals.size()));
    for (TkyCustomVariable *var : FLocals)
        saved.append(var->ValueRef());
}

void TkyProcVariable::restoreLocals(const SavedLocals &saved)
{
    for (size_t i = 0; i < FLocals.size(); ++i)
        FLocals[i]->ValueRef() = saved[qsizetype(i)];
}
