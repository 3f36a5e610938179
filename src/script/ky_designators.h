#pragma once

// Designators: everything that names something in a script (a variable, a call, a
// property, an element of an array or a string, a chain such as Report.Pages[1].Name). A
// designator is a list of items, each referring to a scope item or a native member with
// its argument expressions, resolved when the script is compiled.
//
// Late binding: where the kind of a step is only known at run time (a Variant holding an
// object, a string or an array), the next item is dynamic. It keeps the member's name and
// resolves it against the value it meets on each evaluation (cached per class), so a
// variable that holds objects of different classes in turn works; a value that is no
// object, string or array raises "Class type required".

#include "ky_classes.h"
#include "ky_variables.h"

#include <QString>

#include <memory>
#include <vector>

class TkavClassInfo;
class TkyExpression;
class TkyProcVariable;
class TkyScript;

enum TkyDesignatorKind : int { dkOther, dkVariable, dkStringArray, dkArray };

// What a designator built for new or delete appends: the class's Create, or Free.
enum TkyEmitOp : int { emNone, emCreate, emFree };

// Element access of an array variable (one parameter per dimension), or of a Variant
// holding an array (three parameters, the last two optional). Writes go into the parent
// variable's array in place.
class TkyArrayHelper : public TkyCustomHelper
{
public:
    // Dims parameters; with Optional, all but the first are optional.
    TkyArrayHelper(const QString &AName, int Dims, bool Optional);

    Variant GetValue() override;
    void SetValue(const Variant &Value) override;

private:
    int indexCount() const;
};

// Character i (1-based) of the parent's string value; writing builds the new string and
// assigns it to the parent. An index outside the string raises.
class TkyStringHelper : public TkyCustomHelper
{
public:
    TkyStringHelper();

    Variant GetValue() override;
    void SetValue(const Variant &Value) override;
};

// One item of a designator: its items are the argument expressions.
class TkyDesignatorItem : public TkyItemList
{
public:
    enum Kind : quint8 { ikPlain, ikProc, ikHelper, ikDynamic };

    TkyDesignatorItem(TkyCustomVariable *ARef, const QString &ASourcePos);
    ~TkyDesignatorItem() override;

    TkyExpression *Arg(int Index) const;
    void AddArg(std::unique_ptr<TkyExpression> Arg);
    // The value of argument Index (through its most direct source).
    Variant ArgValue(int Index) const { return FArgSources[size_t(Index)]->GetValue(); }

    // The arguments are an index (default or indexed property access).
    bool Flag() const { return FFlag; }
    void SetFlag(bool value) { FFlag = value; }
    // The item referred to (not owned, unless it is a helper this item created).
    TkyCustomVariable *Ref() const { return FRef; }
    void SetRef(TkyCustomVariable *value);
    // Takes ownership of a helper created for this item and refers to it.
    void SetOwnedRef(std::unique_ptr<TkyCustomVariable> value);
    const QString &SourcePos() const { return FSourcePos; }
    // Dynamic items: the member name ("[" for an index) resolved at run time.
    const QString &DynamicName() const { return FDynamicName; }
    void SetDynamicName(const QString &value);
    Kind ItemKind() const { return FKind; }

private:
    friend class TkyDesignator;

    bool FFlag = false;
    TkyCustomVariable *FRef;
    std::unique_ptr<TkyCustomVariable> FOwnedRef;
    QString FSourcePos;
    QString FDynamicName;
    Kind FKind = ikPlain;
    std::vector<TkyCustomVariable *> FArgSources;
    // Late-binding cache: the class last met and the member found for it.
    const TkavClassInfo *FBoundClass = nullptr;
    TkyCustomVariable *FBoundRef = nullptr;
    std::unique_ptr<TkyCustomVariable> FBoundHelper; // string or array helper of a dynamic step
    std::unique_ptr<TkyVariable> FBoundChild; // the child object a dynamic step found
    bool FBoundToString = false;
};

// A read-only class-typed value holding Obj, typed by the descriptor that serves it in
// Scope: the item a designator step refers to when it names a child object.
std::unique_ptr<TkyVariable> kyObjectConstant(const QString &Name, TObject &Obj,
                                              const TkyScript &Scope);

class TkyDesignator : public TkyCustomVariable
{
public:
    explicit TkyDesignator(TkyScript &AProgram);
    ~TkyDesignator() override;

    TkyDesignatorItem *AddItem(std::unique_ptr<TkyDesignatorItem> Item);
    TkyDesignatorItem *GetItem(int Index) const;
    int ItemCount() const { return Count(); }
    // Drops the last item (an indexed property's "[" merges into the item before it).
    void RemoveLastItem();

    // Kind, type name and read-only-ness from the last item; the designator kind.
    void Finalize();
    // A designator of the specialised class for its kind (taking over the items), or the
    // designator itself for dkOther.
    static std::unique_ptr<TkyDesignator> Specialize(std::unique_ptr<TkyDesignator> Designator);

    Variant GetValue() override;
    void SetValue(const Variant &Value) override;

    TkyDesignatorKind Kind() const { return FKind; }
    TkyScript &Program() const { return FProgram; }
    // The whole designator is a plain variable: that variable, else nullptr.
    TkyCustomVariable *PlainVariable() const { return FKind == dkVariable ? RefItem() : nullptr; }

protected:
    // Takes over the items, kind and type of other.
    void Borrow(TkyDesignator &other);
    // The index expression (strings) or the array helper (arrays); the indexes of an array
    // element are the second item's arguments.
    TkyCustomVariable *FRef1 = nullptr;

private:
    Variant evaluate(const Variant *assigned);
    Variant callProc(TkyDesignatorItem &item, TkyProcVariable &proc);
    Variant callRef(TkyDesignatorItem &item,
                    TkyCustomVariable &r,
                    bool helper,
                    TkyCustomVariable *prev,
                    Variant v,
                    bool last,
                    const Variant *assigned);
    // Resolves a dynamic item for the value before it (cached per class).
    void bindDynamic(TkyDesignatorItem &item, const Variant &v);
    Variant dynamicStep(TkyDesignatorItem &item,
                        TkyDesignatorItem &args,
                        TkyCustomVariable *prev,
                        Variant v,
                        bool last,
                        const Variant *assigned);

    TkyDesignatorKind FKind = dkOther;
    TkyProcVariable *FSingleCall = nullptr; // the routine when that is all the designator is
    TkyScript &FProgram;
};

// A designator that is one variable: reads and writes it directly.
class TkyVariableDesignator : public TkyDesignator
{
public:
    using TkyDesignator::TkyDesignator;
    Variant GetValue() override;
    void SetValue(const Variant &Value) override;
};

// Character access of a string variable: s[i].
class TkyStringDesignator : public TkyDesignator
{
public:
    using TkyDesignator::TkyDesignator;
    Variant GetValue() override;
    void SetValue(const Variant &Value) override;
};

// Element access of an array variable: a[i, j], in place.
class TkyArrayDesignator : public TkyDesignator
{
public:
    using TkyDesignator::TkyDesignator;
    Variant GetValue() override;
    void SetValue(const Variant &Value) override;
};
