#pragma once

// The items of a script scope: variables, constants, type names and parameters. Every
// program object is a TkyItemList (it owns sub-items: a variable's are its parameters);
// TkyCustomVariable adds the name, the kind and the value that scopes look up and set.

#include <rtl/kavObject.h>
#include <rtl/kavVariant.h>

#include <QString>

#include <functional>
#include <memory>
#include <vector>

// The kinds of items. ORDER: the ordinals are part of the engine's contract.
enum TkyVarType : int {
    fvtInt = 0,
    fvtBool = 1,
    fvtFloat = 2,
    fvtChar = 3,
    fvtString = 4,
    fvtClass = 5,
    fvtArray = 6,
    fvtVariant = 7,
    fvtEnum = 8,
    fvtConstructor = 9,
    fvtInt64 = 10
};

// Who registered an item: an opaque tag that is only compared, never dereferenced (hosts
// pass themselves, so they can remove what they added).
using TkyAddedBy = const void *;

// The tag of items registered together with the library modules: kept by TkyScript::Clear.
inline constexpr char kyLibraryMarkerTag = 0;
inline const TkyAddedBy kyLibraryAddedBy = &kyLibraryMarkerTag;

// Value supplier: called with the variable's name, kind and stored value; a non-null
// result is used instead of the stored value.
using TkyGetVariableValueEvent =
    std::function<Variant(const QString &VarName, TkyVarType VarTyp, const Variant &OldValue)>;

// Base of all program objects: an ordered list of owned sub-items.
class TkyItemList : public TObject
{
public:
    TkyItemList() = default;
    ~TkyItemList() override;

    // Frees every item, first to last.
    virtual void Clear();
    int Count() const { return int(FItems.size()); }
    // Appends item and returns it (now owned by this list).
    TkyItemList *Add(std::unique_ptr<TkyItemList> item);
    // Takes item out without freeing it; nullptr when it is not in this list.
    std::unique_ptr<TkyItemList> Remove(TkyItemList *item);
    // The index-th item; EListError "List index out of bounds (<index>)" outside.
    TkyItemList *Items(int index) const
    {
        if (unsigned(index) >= FItems.size())
            RaiseIndex(index);
        return FItems[size_t(index)].get();
    }

private:
    [[noreturn]] static void RaiseIndex(int index);

    std::vector<std::unique_ptr<TkyItemList>> FItems;
};

class TkyParamItem;

// A named, typed item with a value; its items are its parameters (TkyParamItem) in
// declaration order.
class TkyCustomVariable : public TkyItemList
{
public:
    TkyCustomVariable(const QString &AName, TkyVarType ATyp, const QString &ATypeName);

    // The value: the stored value by default; SetValue stores it unless read-only.
    virtual Variant GetValue();
    virtual void SetValue(const Variant &Value);

    // The index-th parameter; EListError outside, or when that item is not a parameter.
    TkyParamItem *GetParam(int Index) const;
    // The kind's display name, as messages show it ("Integer", "TMyClass" ...).
    QString GetFullTypeName() const;
    // Number of parameters without a default value.
    int GetNumberOfRequiredParams() const;

    TkyAddedBy AddedBy() const { return FAddedBy; }
    void SetAddedBy(TkyAddedBy value) { FAddedBy = value; }
    // A registered function whose arguments are passed as source text.
    bool IsMacro() const { return FIsMacro; }
    void SetIsMacro(bool value) { FIsMacro = value; }
    // Constants, enumeration values and procedures refuse assignment.
    bool IsReadOnly() const { return FIsReadOnly; }
    void SetIsReadOnly(bool value) { FIsReadOnly = value; }
    const QString &Name() const { return FName; }
    // Also updates UppercaseName.
    void SetName(const QString &value);
    // False on the designator of a call statement, whose result is discarded.
    bool NeedResult() const { return FNeedResult; }
    void SetNeedResult(bool value) { FNeedResult = value; }
    // A related item (not owned): a function's Result, an array's helper, a target.
    TkyCustomVariable *RefItem() const { return FRefItem; }
    void SetRefItem(TkyCustomVariable *value) { FRefItem = value; }
    // "line:column" of the declaration, and its unit (empty for the main text).
    const QString &SourcePos() const { return FSourcePos; }
    void SetSourcePos(const QString &value) { FSourcePos = value; }
    const QString &SourceUnit() const { return FSourceUnit; }
    void SetSourceUnit(const QString &value) { FSourceUnit = value; }
    TkyVarType Typ() const { return FTyp; }
    void SetTyp(TkyVarType value) { FTyp = value; }
    const QString &TypeName() const { return FTypeName; }
    void SetTypeName(const QString &value) { FTypeName = value; }
    // The name folded to upper case, for comparisons.
    const QString &UppercaseName() const { return FUppercaseName; }
    const TkyGetVariableValueEvent &OnGetVarValue() const { return FOnGetVarValue; }
    void SetOnGetVarValue(TkyGetVariableValueEvent handler) { FOnGetVarValue = std::move(handler); }

    // The stored value itself, for element writes in place (arrays) and for saving and
    // restoring a scope around a re-entrant call.
    Variant &ValueRef() { return FValue; }

protected:
    const Variant &StoredValue() const { return FValue; }
    void SetStoredValue(const Variant &value) { FValue = value; }
    // The supplier's value when a handler is set and gives non-null, else stored.
    Variant suppliedValue(const Variant &stored) const;

private:
    TkyAddedBy FAddedBy = nullptr;
    bool FIsMacro = false;
    bool FIsReadOnly = false;
    QString FName;
    bool FNeedResult = true;
    TkyCustomVariable *FRefItem = nullptr;
    QString FSourcePos;
    QString FSourceUnit;
    TkyVarType FTyp;
    QString FTypeName;
    QString FUppercaseName;
    Variant FValue = Variant::Null();
    TkyGetVariableValueEvent FOnGetVarValue;
};

// A declared variable or constant: values are converted to its kind when stored
// (Integer, Boolean, Extended keeping dates, String, Int64; other kinds as given). A
// failed conversion raises the variant conversion error.
class TkyVariable : public TkyCustomVariable
{
public:
    using TkyCustomVariable::TkyCustomVariable;

    Variant GetValue() override;
    void SetValue(const Variant &Value) override;
};

// A Char or String variable: its value is always text. Assignment converts to text and
// works even on a read-only item.
class TkyStringVariable : public TkyVariable
{
public:
    // Starts as the empty string.
    TkyStringVariable(const QString &AName, TkyVarType ATyp, const QString &ATypeName);

    Variant GetValue() override;
    void SetValue(const Variant &Value) override;
};

// A type name known to a script: only its kind matters.
class TkyTypeVariable : public TkyCustomVariable
{
public:
    using TkyCustomVariable::TkyCustomVariable;
};

// A parameter of a procedure, function or native method.
class TkyParamItem : public TkyCustomVariable
{
public:
    TkyParamItem(const QString &AName,
                 TkyVarType ATyp,
                 const QString &ATypeName,
                 bool AIsOptional,
                 bool AIsVarParam);

    // The default value, null when none.
    const Variant &DefValue() const { return FDefValue; }
    void SetDefValue(const Variant &value) { FDefValue = value; }
    // Has a default value (may be left out in calls).
    bool IsOptional() const { return FIsOptional; }
    void SetIsOptional(bool value) { FIsOptional = value; }
    // Passed by reference.
    bool IsVarParam() const { return FIsVarParam; }
    void SetIsVarParam(bool value) { FIsVarParam = value; }

private:
    Variant FDefValue = Variant::Null();
    bool FIsOptional;
    bool FIsVarParam;
};
