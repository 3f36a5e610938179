#include "ky_designators.h"

#include "ky_expressions.h"
#include "ky_procedures.h"
#include "ky_messages.h"
#include "ky_script.h"

#include <rtl/kavCaseFold.h>
#include <rtl/kavExceptions.h>
#include <rtl/kavRTTI.h>

#include <QVarLengthArray>

using namespace Qt::StringLiterals;

namespace {

using Args = QVarLengthArray<Variant, 8>;

// 1-based character index of s, checked.
qsizetype charIndex(const QString &s, const Variant &index)
{
    const qint64 i = index.AsInt64();
    if (i < 1 || i > s.size())
        kavRaise<ERangeError>(u"String index out of range: %1"_s.arg(i));
    return qsizetype(i - 1);
}

QChar firstChar(const Variant &value)
{
    const QString s = value.AsString();
    if (s.isEmpty())
        kavRaise<ERangeError>(u"A character is required"_s);
    return s.front();
}

// Evaluates the arguments of item: values, or the source texts for a macro function.
void evaluateArgs(const TkyDesignatorItem &item, bool macro, Args &args)
{
    const int n = item.Count();
    args.resize(n);
    for (int i = 0; i < n; ++i)
        args[i] = macro ? Variant(item.Arg(i)->Source()) : item.ArgValue(i);
}

// Writes the by-reference parameters of r back into the argument expressions.
void writeBack(const TkyDesignatorItem &item, TkyCustomVariable &r)
{
    const int n = std::min(item.Count(), r.Count());
    for (int i = 0; i < n; ++i) {
        TkyParamItem *p = r.GetParam(i);
        if (p->IsVarParam())
            item.Arg(i)->SetValue(p->GetValue());
    }
}

} // namespace

std::unique_ptr<TkyVariable> kyObjectConstant(const QString &Name, TObject &Obj,
                                              const TkyScript &Scope)
{
    const TkyClassVariable *cls = kyDescriptorOf(Obj, Scope);
    auto constant = std::make_unique<TkyVariable>(Name, fvtClass,
                                                  cls ? cls->Name() : Obj.ClassName());
    constant->SetValue(Variant::FromObject(&Obj));
    constant->SetIsReadOnly(true);
    return constant;
}

// ---------------------------------------------------------------------------------------
// Helpers

TkyArrayHelper::TkyArrayHelper(const QString &AName, int Dims, bool Optional)
    : TkyCustomHelper(AName, fvtVariant, QString())
{
    for (int i = 0; i < Dims; ++i) {
        const bool opt = Optional && i > 0;
        TkyItemList::Add(std::make_unique<TkyParamItem>(u"p%1"_s.arg(i), fvtInt, u"Integer"_s, opt, false));
    }
}

int TkyArrayHelper::indexCount() const
{
    int n = 0;
    while (n < Count() && !GetParam(n)->GetValue().IsNull())
        ++n;
    return n;
}

Variant TkyArrayHelper::GetValue()
{
    QVarLengthArray<qint64, 4> idx(indexCount());
    for (int i = 0; i < idx.size(); ++i)
        idx[i] = GetParam(i)->GetValue().AsInt64();
    return ParentValue().ArrayElement(idx);
}

void TkyArrayHelper::SetValue(const Variant &Value)
{
    QVarLengthArray<qint64, 4> idx(indexCount());
    for (int i = 0; i < idx.size(); ++i)
        idx[i] = GetParam(i)->GetValue().AsInt64();
    if (auto *var = dynamic_cast<TkyVariable *>(ParentRef())) {
        // In place: the copy of the array held here is let go first, or the write would
        // copy the whole array.
        SetParentValue(Variant());
        var->ValueRef().SetArrayElement(idx, Value);
        return;
    }
    if (!ParentRef())
        kyRaise(u"SVarRequired");
    Variant array = ParentValue();
    array.SetArrayElement(idx, Value);
    ParentRef()->SetValue(array);
}

TkyStringHelper::TkyStringHelper()
    : TkyCustomHelper(u"__StringHelper"_s, fvtString, QString())
{
    TkyItemList::Add(std::make_unique<TkyParamItem>(u"p0"_s, fvtInt, u"Integer"_s, false, false));
}

Variant TkyStringHelper::GetValue()
{
    const QString s = ParentValue().AsString();
    return QString(s[charIndex(s, GetParam(0)->GetValue())]);
}

void TkyStringHelper::SetValue(const Variant &Value)
{
    if (!ParentRef())
        kyRaise(u"SVarRequired");
    QString s = ParentValue().AsString();
    s[charIndex(s, GetParam(0)->GetValue())] = firstChar(Value);
    ParentRef()->SetValue(s);
}

// ---------------------------------------------------------------------------------------
// Items

TkyDesignatorItem::TkyDesignatorItem(TkyCustomVariable *ARef, const QString &ASourcePos)
    : FRef(nullptr)
    , FSourcePos(ASourcePos)
{
    SetRef(ARef);
}

TkyDesignatorItem::~TkyDesignatorItem() = default;

TkyExpression *TkyDesignatorItem::Arg(int Index) const
{
    return static_cast<TkyExpression *>(Items(Index));
}

void TkyDesignatorItem::AddArg(std::unique_ptr<TkyExpression> Arg)
{
    FArgSources.push_back(kyValueSource(Arg.get()));
    TkyItemList::Add(std::move(Arg));
}

void TkyDesignatorItem::SetRef(TkyCustomVariable *value)
{
    FRef = value;
    if (!value)
        FKind = ikDynamic;
    else if (dynamic_cast<TkyProcVariable *>(value))
        FKind = ikProc;
    else if (dynamic_cast<TkyCustomHelper *>(value))
        FKind = ikHelper;
    else
        FKind = ikPlain;
}

void TkyDesignatorItem::SetOwnedRef(std::unique_ptr<TkyCustomVariable> value)
{
    FOwnedRef = std::move(value);
    SetRef(FOwnedRef.get());
}

void TkyDesignatorItem::SetDynamicName(const QString &value)
{
    FDynamicName = value;
    SetRef(nullptr);
}

// ---------------------------------------------------------------------------------------
// The designator

TkyDesignator::TkyDesignator(TkyScript &AProgram)
    : TkyCustomVariable(QString(), fvtVariant, QString())
    , FProgram(AProgram)
{}

TkyDesignator::~TkyDesignator() = default;

TkyDesignatorItem *TkyDesignator::AddItem(std::unique_ptr<TkyDesignatorItem> Item)
{
    return static_cast<TkyDesignatorItem *>(TkyItemList::Add(std::move(Item)));
}

TkyDesignatorItem *TkyDesignator::GetItem(int Index) const
{
    return static_cast<TkyDesignatorItem *>(Items(Index));
}

void TkyDesignator::RemoveLastItem()
{
    if (Count() > 0)
        TkyItemList::Remove(Items(Count() - 1));
}

void TkyDesignator::Finalize()
{
    const int n = Count();
    if (n == 0)
        kyRaise(u"SVarRequired");
    TkyDesignatorItem *last = GetItem(n - 1);
    TkyCustomVariable *r = last->Ref();
    if (!r) {
        SetTyp(fvtVariant);
        SetTypeName(QString());
        SetIsReadOnly(false);
    } else if (r->Typ() == fvtConstructor) {
        SetTyp(fvtClass);
        SetTypeName(n > 1 && GetItem(n - 2)->Ref() ? GetItem(n - 2)->Ref()->TypeName() : QString());
        SetIsReadOnly(true);
    } else {
        SetTyp(r->Typ());
        SetTypeName(r->TypeName());
        SetIsReadOnly(r->IsReadOnly());
    }
    FKind = dkOther;
    FSingleCall = n == 1 && GetItem(0)->ItemKind() == TkyDesignatorItem::ikProc
                      ? static_cast<TkyProcVariable *>(GetItem(0)->Ref())
                      : nullptr;
    TkyCustomVariable *first = GetItem(0)->Ref();
    // Parameters are read and written as directly as variables.
    const bool plain = dynamic_cast<TkyVariable *>(first) || dynamic_cast<TkyParamItem *>(first);
    if (n == 1 && plain && GetItem(0)->Count() == 0) {
        FKind = dkVariable;
        SetRefItem(first);
    } else if (n == 2 && first && GetItem(0)->Count() == 0 && r) {
        if (dynamic_cast<TkyStringVariable *>(first) && dynamic_cast<TkyStringHelper *>(r)
            && last->Count() == 1) {
            FKind = dkStringArray;
            SetRefItem(first);
            FRef1 = last->Arg(0);
        } else if (dynamic_cast<TkyVariable *>(first) && first->Typ() == fvtArray
                   && r == first->RefItem()) {
            FKind = dkArray;
            SetRefItem(first);
            FRef1 = r;
        }
    }
}

void TkyDesignator::Borrow(TkyDesignator &other)
{
    while (other.Count() > 0)
        TkyItemList::Add(other.TkyItemList::Remove(other.Items(0)));
    FKind = other.FKind;
    FRef1 = other.FRef1;
    SetRefItem(other.RefItem());
    SetTyp(other.Typ());
    SetTypeName(other.TypeName());
    SetIsReadOnly(other.IsReadOnly());
    SetSourcePos(other.SourcePos());
}

std::unique_ptr<TkyDesignator> TkyDesignator::Specialize(std::unique_ptr<TkyDesignator> Designator)
{
    std::unique_ptr<TkyDesignator> special;
    switch (Designator->FKind) {
    case dkVariable: special = std::make_unique<TkyVariableDesignator>(Designator->FProgram); break;
    case dkStringArray: special = std::make_unique<TkyStringDesignator>(Designator->FProgram); break;
    case dkArray: special = std::make_unique<TkyArrayDesignator>(Designator->FProgram); break;
    case dkOther: return Designator;
    }
    special->Borrow(*Designator);
    return special;
}

Variant TkyDesignator::GetValue()
{
    if (FSingleCall) // a plain call of a script routine: the common case worth a shortcut
        return callProc(*GetItem(0), *FSingleCall);
    return evaluate(nullptr);
}

void TkyDesignator::SetValue(const Variant &Value)
{
    evaluate(&Value);
}

Variant TkyDesignator::evaluate(const Variant *assigned)
{
    Variant v = Variant::Null();
    TkyCustomVariable *prev = nullptr;
    const int n = Count();
    for (int i = 0; i < n; ++i) {
        TkyDesignatorItem &item = *GetItem(i);
        const bool last = i == n - 1;
        switch (item.FKind) {
        case TkyDesignatorItem::ikProc:
            if (assigned && last)
                kyRaise(u"SLeftCantAssigned");
            v = callProc(item, *static_cast<TkyProcVariable *>(item.FRef));
            break;
        case TkyDesignatorItem::ikDynamic: {
            bindDynamic(item, v);
            // An indexed property met late takes the index that follows as its arguments.
            TkyDesignatorItem *args = &item;
            auto *method = dynamic_cast<TkyMethodHelper *>(item.FBoundRef);
            if (method && method->IndexMethod() && item.Count() == 0 && !last
                && GetItem(i + 1)->FKind == TkyDesignatorItem::ikDynamic
                && GetItem(i + 1)->FDynamicName == u"[") {
                args = GetItem(++i);
            }
            v = dynamicStep(item, *args, prev, std::move(v), i == n - 1, assigned);
            break;
        }
        default:
            v = callRef(item, *item.FRef, item.FKind == TkyDesignatorItem::ikHelper, prev,
                        std::move(v), last, assigned);
            break;
        }
        prev = item.FKind == TkyDesignatorItem::ikDynamic ? item.FBoundRef : item.FRef;
    }
    return v;
}

Variant TkyDesignator::callProc(TkyDesignatorItem &item, TkyProcVariable &proc)
{
    Args args;
    evaluateArgs(item, proc.IsMacro(), args);
    Variant v = proc.Call(std::span(args.data(), size_t(args.size())));
    const int n = std::min(item.Count(), proc.Count());
    for (int i = 0; i < n; ++i)
        if (proc.Param(i)->IsVarParam())
            item.Arg(i)->SetValue(args[i]);
    return v;
}

Variant TkyDesignator::callRef(TkyDesignatorItem &item,
                               TkyCustomVariable &r,
                               bool helper,
                               TkyCustomVariable *prev,
                               Variant v,
                               bool last,
                               const Variant *assigned)
{
    if (item.Count() > 0) {
        Args args;
        evaluateArgs(item, r.IsMacro(), args);
        if (args.size() > r.Count())
            kyRaise(u"STooManyParams");
        for (int i = 0; i < args.size(); ++i)
            r.GetParam(i)->SetValue(args[i]);
    }
    if (helper) {
        auto &h = static_cast<TkyCustomHelper &>(r);
        h.SetParentRef(prev);
        h.SetParentValue(std::move(v)); // the only copy: an element write stays in place
        h.SetProgram(&FProgram);
    }
    Variant result = Variant::Null();
    if (assigned && last)
        r.SetValue(*assigned);
    else {
        r.SetNeedResult(!last || NeedResult());
        result = r.GetValue();
    }
    if (item.Count() > 0)
        writeBack(item, r);
    return result;
}

void TkyDesignator::bindDynamic(TkyDesignatorItem &item, const Variant &v)
{
    const QString &name = item.FDynamicName;
    const bool index = name == u"[";
    if (v.IsString() || v.IsArray()) {
        if (!index)
            kyRaise(v.IsString() ? u"SStringError" : u"SClassRequired");
        // Strings and arrays get a helper of their own, kept while the kind stays.
        const bool isString = v.IsString();
        if (!item.FBoundHelper || item.FBoundClass || item.FBoundToString != isString) {
            if (isString)
                item.FBoundHelper = std::make_unique<TkyStringHelper>();
            else
                item.FBoundHelper = std::make_unique<TkyArrayHelper>(u"__ArrayHelper"_s, item.Count(), false);
            item.FBoundToString = isString;
        }
        item.FBoundClass = nullptr;
        item.FBoundRef = item.FBoundHelper.get();
        return;
    }
    TObject *obj = v.IsObject() ? v.AsObject() : nullptr;
    if (!obj)
        kyRaise(u"SClassRequired");
    if (item.FBoundClass == &obj->ClassInfo() && item.FBoundRef)
        return;
    TkyClassVariable *cls = kyDescriptorOf(*obj, FProgram);
    if (!cls)
        kyRaiseNamed(u"SUnknownType", obj->ClassName());
    TkyCustomVariable *member = index ? cls->DefProperty() : cls->Find(name);
    if (!member && index)
        kyRaiseWith(u"SClassError", cls->Name());
    if (!member) {
        // A child of this very object (v.Page1): looked up again at every evaluation.
        TObject *child = cls->FindChild(*obj, name);
        if (!child)
            kyRaiseNamed(u"SIdUndeclared", name);
        item.FBoundChild = kyObjectConstant(name, *child, FProgram);
        item.FBoundClass = nullptr;
        item.FBoundRef = item.FBoundChild.get();
        return;
    }
    item.FBoundClass = &obj->ClassInfo();
    item.FBoundRef = member;
}

Variant TkyDesignator::dynamicStep(TkyDesignatorItem &item,
                                   TkyDesignatorItem &args,
                                   TkyCustomVariable *prev,
                                   Variant v,
                                   bool last,
                                   const Variant *assigned)
{
    TkyCustomVariable &r = *item.FBoundRef;
    // Arguments are checked here, as the compiler checks those of static items.
    if (args.Count() < r.GetNumberOfRequiredParams())
        kyRaise(item.FBoundClass ? u"SNotEnoughParams" : u"SIndexRequired");
    if (args.Count() > r.Count())
        kyRaise(u"STooManyParams");
    for (int i = args.Count(); i < r.Count(); ++i) // defaults of the missing arguments
        r.GetParam(i)->SetValue(r.GetParam(i)->DefValue());
    return callRef(args, r, dynamic_cast<TkyCustomHelper *>(&r) != nullptr, prev, std::move(v), last,
                   assigned);
}

// ---------------------------------------------------------------------------------------
// Specialised designators

Variant TkyVariableDesignator::GetValue()
{
    return RefItem()->GetValue();
}

void TkyVariableDesignator::SetValue(const Variant &Value)
{
    RefItem()->SetValue(Value);
}

Variant TkyStringDesignator::GetValue()
{
    const QString s = RefItem()->GetValue().AsString();
    return QString(s[charIndex(s, FRef1->GetValue())]);
}

void TkyStringDesignator::SetValue(const Variant &Value)
{
    const QChar c = firstChar(Value);
    TkyCustomVariable *var = RefItem();
    QString s = var->GetValue().AsString();
    const qsizetype i = charIndex(s, FRef1->GetValue());
    var->ValueRef() = Variant(); // s is now the only owner of the text: no copy
    s[i] = c;
    var->SetValue(s);
}

namespace {

QVarLengthArray<qint64, 4> indexValues(const TkyDesignatorItem &item)
{
    QVarLengthArray<qint64, 4> idx(item.Count());
    for (int i = 0; i < idx.size(); ++i)
        idx[i] = item.ArgValue(i).AsInt64();
    return idx;
}

} // namespace

Variant TkyArrayDesignator::GetValue()
{
    const auto idx = indexValues(*GetItem(1));
    return RefItem()->ValueRef().ArrayElement(idx);
}

void TkyArrayDesignator::SetValue(const Variant &Value)
{
    const auto idx = indexValues(*GetItem(1));
    RefItem()->ValueRef().SetArrayElement(idx, Value);
}
