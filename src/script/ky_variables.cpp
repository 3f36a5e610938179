#include "ky_variables.h"

#include <rtl/kavCaseFold.h>
#include <rtl/kavExceptions.h>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

[[noreturn]] void raiseIndex(int index)
{
    kavRaise<EListError>(u"List index out of bounds (%1)"_s.arg(index));
}

} // namespace

// ---------------------------------------------------------------------------------------
// TkyItemList

TkyItemList::~TkyItemList()
{
    Clear();
}

void TkyItemList::Clear()
{
    // Free first to last; the vector's own destruction order is not specified.
    for (auto &item : FItems)
        item.reset();
    FItems.clear();
}

TkyItemList *TkyItemList::Add(std::unique_ptr<TkyItemList> item)
{
    FItems.push_back(std::move(item));
    return FItems.back().get();
}

std::unique_ptr<TkyItemList> TkyItemList::Remove(TkyItemList *item)
{
    const auto it = std::find_if(FItems.begin(), FItems.end(), [item](const auto &p) {
        return p.get() == item;
    });
    if (it == FItems.end())
        return nullptr;
    std::unique_ptr<TkyItemList> taken = std::move(*it);
    FItems.erase(it);
    return taken;
}

void TkyItemList::RaiseIndex(int index)
{
    raiseIndex(index);
}

// ---------------------------------------------------------------------------------------
// TkyCustomVariable

TkyCustomVariable::TkyCustomVariable(const QString &AName,
                                     TkyVarType ATyp,
                                     const QString &ATypeName)
    : FName(AName)
    , FTyp(ATyp)
    , FTypeName(ATypeName)
    , FUppercaseName(kavUpperCase(AName))
{
}

Variant TkyCustomVariable::GetValue()
{
    return FValue;
}

void TkyCustomVariable::SetValue(const Variant &Value)
{
    if (!FIsReadOnly)
        FValue = Value;
}

TkyParamItem *TkyCustomVariable::GetParam(int Index) const
{
    auto *param = dynamic_cast<TkyParamItem *>(Items(Index));
    if (!param)
        raiseIndex(Index);
    return param;
}

QString TkyCustomVariable::GetFullTypeName() const
{
    switch (FTyp) {
    case fvtInt:
        return u"Integer"_s;
    case fvtBool:
        return u"Boolean"_s;
    case fvtFloat:
        return u"Extended"_s;
    case fvtChar:
        return u"Char"_s;
    case fvtString:
        return u"String"_s;
    case fvtClass:
    case fvtEnum:
        return FTypeName;
    case fvtArray:
        return u"Array"_s;
    case fvtInt64:
        return u"Int64"_s;
    case fvtVariant:
    case fvtConstructor:
        break;
    }
    return u"Variant"_s;
}

int TkyCustomVariable::GetNumberOfRequiredParams() const
{
    int required = 0;
    for (int i = 0; i < Count(); ++i) {
        if (!GetParam(i)->IsOptional())
            ++required;
    }
    return required;
}

void TkyCustomVariable::SetName(const QString &value)
{
    FName = value;
    FUppercaseName = kavUpperCase(value);
}

Variant TkyCustomVariable::suppliedValue(const Variant &stored) const
{
    if (!FOnGetVarValue)
        return stored;
    Variant supplied = FOnGetVarValue(FName, FTyp, stored);
    return supplied.IsNull() ? stored : supplied;
}

// ---------------------------------------------------------------------------------------
// TkyVariable

Variant TkyVariable::GetValue()
{
    return suppliedValue(StoredValue());
}

void TkyVariable::SetValue(const Variant &Value)
{
    if (IsReadOnly())
        return;
    switch (Typ()) {
    case fvtInt:
        SetStoredValue(Value.AsInteger());
        break;
    case fvtBool:
        SetStoredValue(Value.AsBoolean());
        break;
    case fvtFloat:
        // A date keeps its kind, so TDateTime variables still format as dates.
        SetStoredValue(Value.Type() == varDate ? Value : Variant(Value.AsDouble()));
        break;
    case fvtString:
        SetStoredValue(Value.AsString());
        break;
    case fvtInt64:
        SetStoredValue(Value.AsInt64());
        break;
    default:
        SetStoredValue(Value);
        break;
    }
}

// ---------------------------------------------------------------------------------------
// TkyStringVariable

TkyStringVariable::TkyStringVariable(const QString &AName, TkyVarType ATyp, const QString &ATypeName)
    : TkyVariable(AName, ATyp, ATypeName)
{
    SetStoredValue(QString());
}

Variant TkyStringVariable::GetValue()
{
    return suppliedValue(StoredValue());
}

void TkyStringVariable::SetValue(const Variant &Value)
{
    SetStoredValue(Value.AsString());
}

// ---------------------------------------------------------------------------------------
// TkyParamItem

TkyParamItem::TkyParamItem(const QString &AName,
                           TkyVarType ATyp,
                           const QString &ATypeName,
                           bool AIsOptional,
                           bool AIsVarParam)
    : TkyCustomVariable(AName, ATyp, ATypeName)
    , FIsOptional(AIsOptional)
    , FIsVarParam(AIsVarParam)
{
}
