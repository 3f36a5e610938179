#include "ky_classes.h"

#include "ky_declarations.h"
#include "ky_events.h"
#include "ky_procedures.h"
#include "ky_messages.h"
#include "ky_script.h"
#include "ky_xml.h"

#include <rtl/kavCaseFold.h>
#include <rtl/kavExceptions.h>
#include <rtl/kavLimits.h>
#include <rtl/kavRTTI.h>

#include <QHash>
#include <QScopeGuard>
#include <QStringList>

#include <optional>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

// Registrations are made by hosts; a cyclic ancestor chain must still end.
constexpr int kyMaxAncestorDepth = 64;

[[noreturn]] void raiseIndex(int index)
{
    kavRaise<EListError>(u"List index out of bounds (%1)"_s.arg(index));
}

// What a native member hands to a script: texts obey the script's string cap.
Variant checkedResult(Variant value)
{
    if (value.IsString())
        kavCheckStringLength(value.AsString().size());
    return value;
}

// A set literal ([fsBold, fsItalic], ranges a..b as an element, a Null and an element) as
// the bit mask a set property holds; its elements are the one-bit values of the set type.
qint64 setMask(const Variant &set)
{
    const qint64 lo = VarArrayLowBound(set, 1);
    const qint64 hi = VarArrayHighBound(set, 1);
    quint64 mask = 0;
    for (qint64 i = lo; i <= hi; ++i) {
        const quint64 first = quint64(set.ArrayElement(i).AsInt64());
        if (i + 2 <= hi && set.ArrayElement(i + 1).IsNull()) {
            const quint64 last = quint64(set.ArrayElement(i + 2).AsInt64());
            for (quint64 bit = 1; bit != 0 && bit <= last; bit <<= 1)
                if (bit >= first)
                    mask |= bit;
            i += 2;
        } else {
            mask |= first;
        }
    }
    return qint64(mask);
}

// A published property's kind and type name as scripts see them.
struct TkyPropKind
{
    TkyVarType typ;
    QString typeName;
};

bool isBooleanType(const TkavPropInfo &prop)
{
    return prop.IsBoolean()
           || (prop.Kind() == pkEnumeration
               && (kavSameText(prop.TypeName(), u"Boolean")
                   || kavSameText(prop.TypeName(), u"bool")));
}

// Native callbacks (pkMethod) have no script kind: std::nullopt.
std::optional<TkyPropKind> scriptKind(const TkavPropInfo &prop)
{
    switch (prop.Kind()) {
    case pkChar:
    case pkWChar:
        return TkyPropKind{fvtChar, QString()};
    case pkEnumeration:
        if (isBooleanType(prop))
            return TkyPropKind{fvtBool, QString()};
        return TkyPropKind{fvtEnum, prop.TypeName()};
    case pkSet:
        return TkyPropKind{fvtEnum, prop.SetInfo() ? prop.SetInfo()->TypeName() : prop.TypeName()};
    case pkFloat:
        return TkyPropKind{fvtFloat, QString()};
    case pkString:
    case pkEvent: // a report event holds the name of a script procedure
        return TkyPropKind{fvtString, QString()};
    case pkObject:
    case pkComponent:
    case pkStringList:
    case pkWideStrings:
        return TkyPropKind{fvtClass,
                           prop.ObjectClass() ? prop.ObjectClass()->ClassName() : prop.TypeName()};
    case pkVariant:
        return TkyPropKind{fvtVariant, QString()};
    case pkInt64:
        return TkyPropKind{fvtInt64, QString()};
    case pkMethod:
        return std::nullopt;
    case pkInteger:
        break;
    }
    return TkyPropKind{fvtInt, QString()};
}

// A Boolean-kind property reads True for anything but 0 (and null).
Variant toBoolean(const Variant &v)
{
    if (v.IsBoolean())
        return v;
    if (v.IsNull() || v.IsEmpty())
        return false;
    if (v.IsNumeric())
        return v.AsDouble() != 0;
    return v.AsBoolean();
}

// Writing a Boolean-kind property: true exactly when the value equals True.
bool equalsTrue(const Variant &v)
{
    if (v.IsBoolean())
        return v.AsBoolean();
    if (v.IsArray() || v.IsObject())
        return false;
    return VarCompare(v, Variant(true), vcEqual);
}

// The published property Name of obj's class, with obj as a persistent; nulls when the
// object has no such property.
std::pair<TPersistent *, const TkavPropInfo *> publishedProp(TObject *obj, QStringView name)
{
    auto *persistent = dynamic_cast<TPersistent *>(obj);
    if (!persistent)
        return {nullptr, nullptr};
    return {persistent, persistent->ClassInfo().FindProp(name)};
}

// "function Name(p0: T0; p1: T1): Typ" from comma-separated index types.
QString indexDeclaration(const QString &Name, const QString &Params, const QString &Typ)
{
    QStringList params;
    for (const QString &type : Params.split(u',')) {
        const QString t = type.trimmed();
        if (!t.isEmpty())
            params << u"p%1: %2"_s.arg(QString::number(params.size()), t);
    }
    QString syntax = u"function "_s + Name;
    if (!params.isEmpty())
        syntax += u'(' + params.join(u"; "_s) + u')';
    return syntax + u": "_s + Typ;
}

// "constructor Create(...)" -> "function Create(...): Constructor".
QString constructorDeclaration(const QString &Syntax)
{
    QString text = Syntax.trimmed();
    while (text.endsWith(u';'))
        text.chop(1);
    const qsizetype blank = text.indexOf(u' ');
    const QString rest = blank < 0 ? QString() : text.mid(blank);
    return u"function"_s + rest + u": Constructor"_s;
}

} // namespace

// ---------------------------------------------------------------------------------------
// TkyCustomHelper

TObject *TkyCustomHelper::Instance() const
{
    const Variant &v = FParentValue;
    if (v.IsNull() || v.IsEmpty() || v.IsNil())
        return nullptr;
    // Integers are never taken as objects: only references are.
    if (!v.IsObject())
        kyRaise(u"SClassRequired");
    return v.AsObject();
}

// ---------------------------------------------------------------------------------------
// TkyPropertyHelper

TkyPropertyHelper::TkyPropertyHelper(const QString &AName,
                                     TkyVarType ATyp,
                                     const QString &ATypeName,
                                     const TkavClassInfo *AClassRef)
    : TkyCustomHelper(AName, ATyp, ATypeName)
    , FClassRef(AClassRef)
{}

Variant TkyPropertyHelper::GetValue()
{
    TObject *instance = Instance();
    Variant result = Variant::Null();
    if (FIsPublished) {
        if (instance) {
            auto [obj, prop] = publishedProp(instance, Name());
            if (prop)
                result = kavGetPropValue(*obj, *prop);
        }
    } else if (FOnGetValue) {
        result = FOnGetValue(instance, FClassRef, UppercaseName());
    } else if (FOnGetValueNew) {
        result = FOnGetValueNew(instance, FClassRef, UppercaseName(), *this);
    }
    return Typ() == fvtBool ? toBoolean(result) : checkedResult(std::move(result));
}

void TkyPropertyHelper::SetValue(const Variant &Value)
{
    if (IsReadOnly())
        return;
    TObject *instance = Instance();
    if (FIsPublished) {
        if (!instance)
            return;
        auto [obj, prop] = publishedProp(instance, Name());
        if (!prop || prop->Kind() == pkMethod)
            return;
        if (Typ() == fvtBool && prop->Kind() == pkEnumeration)
            prop->SetOrd(*obj, equalsTrue(Value) ? 1 : 0);
        else if (prop->Kind() == pkSet && Value.IsArray())
            kavSetPropValue(*obj, *prop, setMask(Value));
        else
            kavSetPropValue(*obj, *prop, Value);
    } else if (FOnSetValue) {
        FOnSetValue(instance, FClassRef, UppercaseName(), Value);
    } else if (FOnSetValueNew) {
        FOnSetValueNew(instance, FClassRef, UppercaseName(), Value, *this);
    }
}

// ---------------------------------------------------------------------------------------
// TkyComponentHelper

TkyComponentHelper::TkyComponentHelper(const TComponent &Component)
    : TkyCustomHelper(Component.Name(), fvtClass, Component.ClassName())
    , FComponent(Component.Handle())
{
    SetIsReadOnly(true);
}

Variant TkyComponentHelper::GetValue()
{
    return Variant::FromObject(TObject::FromHandle(FComponent));
}

// ---------------------------------------------------------------------------------------
// TkyMethodHelper

TkyMethodHelper::TkyMethodHelper(const QString &Syntax, const TkyScript *Script)
    : TkyCustomHelper(QString(), fvtInt, QString())
    , FSyntax(Syntax)
{
    std::unique_ptr<TkyCustomVariable> parsed = kyParseDeclaration(Syntax, Script);
    SetName(parsed->Name());
    SetTyp(parsed->Typ());
    SetTypeName(parsed->TypeName());
    SetIsMacro(parsed->IsMacro());
    SetIsReadOnly(true);
    while (parsed->Count() > 0)
        Add(parsed->Remove(parsed->Items(0)));
}

const TkavClassInfo *TkyMethodHelper::handlerClass(const TObject *instance) const
{
    if (!instance) {
        if (auto *cls = dynamic_cast<TkyClassVariable *>(ParentRef()))
            return cls->ClassRef();
    }
    return FClassRef;
}

QString TkyMethodHelper::handlerName(const char16_t *suffix) const
{
    return FIndexMethod ? UppercaseName() + QString::fromUtf16(suffix) : UppercaseName();
}

Variant TkyMethodHelper::GetValue()
{
    TObject *instance = Instance();
    const TkavClassInfo *cls = handlerClass(instance);
    const int n = Count();
    if (FOnCall) {
        // A fresh array per call: a handler that runs script code calling this method
        // again must not overwrite its own arguments.
        QList<Variant> values;
        values.reserve(n);
        for (int i = 0; i < n; ++i)
            values << GetParam(i)->GetValue();
        Variant params = VarArrayOf(values);
        Variant result = FOnCall(instance, cls, handlerName(u".GET"), params);
        // By-reference arguments come back from the array, as far as the handler left one.
        const bool isArray = VarArrayDimCount(params) == 1;
        for (int i = 0; i < n; ++i) {
            TkyParamItem *param = GetParam(i);
            if (param->IsVarParam() && isArray && i >= VarArrayLowBound(params, 1)
                && i <= VarArrayHighBound(params, 1))
                param->SetValue(params.ArrayElement(i));
        }
        return checkedResult(std::move(result));
    }
    if (FOnCallNew)
        return checkedResult(FOnCallNew(instance, cls, handlerName(u".GET"), *this));
    return 0;
}

void TkyMethodHelper::SetValue(const Variant &Value)
{
    if (!FIndexMethod || IsReadOnly())
        return;
    TObject *instance = Instance();
    const TkavClassInfo *cls = handlerClass(instance);
    const int n = Count();
    if (FOnCall) {
        QList<Variant> values;
        values.reserve(n + 1);
        for (int i = 0; i < n; ++i)
            values << GetParam(i)->GetValue();
        values << Value;
        Variant params = VarArrayOf(values);
        FOnCall(instance, cls, handlerName(u".SET"), params);
    } else if (FOnCallNew) {
        // The value is GetVParam(n) for the handler's duration; a nested write through the
        // same member puts the outer value back when it ends.
        const Variant saved = FSetValue;
        const auto restore = qScopeGuard([this, &saved] { FSetValue = saved; });
        FSetValue = Value;
        FOnCallNew(instance, cls, handlerName(u".SET"), *this);
    }
}

Variant TkyMethodHelper::GetVParam(int Index) const
{
    if (Index == Count())
        return FSetValue;
    return GetParam(Index)->GetValue();
}

void TkyMethodHelper::SetVParam(int Index, const Variant &Value)
{
    GetParam(Index)->SetValue(Value);
}

// ---------------------------------------------------------------------------------------
// TkyEventHelper

TkyEventHelper::TkyEventHelper(const QString &AName,
                               const TkavClassInfo *AClassRef,
                               TkyEventFactory AEvent,
                               TkyEventSetter ASetter)
    : TkyCustomHelper(AName, fvtString, QString())
    , FClassRef(AClassRef)
    , FEvent(std::move(AEvent))
    , FSetter(std::move(ASetter))
{}

Variant TkyEventHelper::GetValue()
{
    return QString();
}

void TkyEventHelper::SetValue(const Variant &Value)
{
    TObject *instance = Instance();
    if (!instance)
        return;
    TkyScript *scope = Program();
    const QString name
        = Value.IsNull() || Value.IsEmpty() || Value.IsNil() ? QString() : VarToStr(Value);
    const bool detach = name.isEmpty() || name == u"0"_s;
    TkyProcVariable *proc = nullptr;
    if (!detach) {
        proc = scope ? dynamic_cast<TkyProcVariable *>(scope->Find(name)) : nullptr;
        if (!proc)
            kyRaise(u"SEventError");
    }

    // The bridge this scope made earlier for the same event of the same object goes, so
    // repeated assignments do not pile up; so do bridges whose object or procedure died
    // (they can never run again). A freed bridge's callable, still stored in the native
    // object until the setter below replaces it, is a no-op.
    if (scope) {
        for (int i = 0; i < scope->Count();) {
            auto *old = dynamic_cast<TkyCustomEvent *>(scope->Items(i));
            const bool obsolete
                = old
                  && (!old->Instance() || !old->Handler()
                      || (old->Instance() == instance && kavSameText(old->EventName(), Name())));
            if (obsolete)
                scope->Remove(old);
            else
                ++i;
        }
    }

    if (detach) {
        if (FSetter)
            FSetter(*instance, nullptr);
        return;
    }
    if (!FEvent)
        return;
    std::unique_ptr<TkyCustomEvent> bridge = FEvent(*instance, *proc);
    bridge->SetEventName(Name());
    auto *raw = static_cast<TkyCustomEvent *>(scope->Add(QString(), std::move(bridge)));
    if (FSetter)
        FSetter(*instance, raw);
}

// ---------------------------------------------------------------------------------------
// TkyClassVariable

TkyClassVariable::TkyClassVariable(const TkavClassInfo &AClass, const QString &Ancestor)
    : TkyCustomVariable(AClass.ClassName(), fvtClass, AClass.ClassName())
    , FAncestor(Ancestor)
    , FClassRef(&AClass)
{
    AddPublishedProperties(AClass);
    // The cast argument: TStringList(x).
    Add(std::make_unique<TkyParamItem>(QString(), fvtVariant, QString(), true, false));
}

TkyClassVariable::~TkyClassVariable() = default;

Variant TkyClassVariable::GetValue()
{
    if (Count() == 0)
        return Variant::Null();
    TkyParamItem *arg = GetParam(0);
    const Variant value = arg->GetValue();
    arg->SetValue(Variant::Null());
    // No argument: construction. The constructor member creates the object.
    if (value.IsNull() || value.IsEmpty())
        return Variant::Null();
    if (value.IsNil())
        return value;
    if (!value.IsObject())
        kavRaise<EkyError>(u"Invalid class typecast"_s);
    TObject *obj = value.AsObject(); // a stale reference raises here
    if (!obj->InheritsFrom(*FClassRef))
        kavRaise<EkyError>(u"Invalid class typecast"_s);
    return value;
}

template <class T>
T *TkyClassVariable::addMember(std::unique_ptr<T> member)
{
    T *raw = member.get();
    FMembers.push_back(std::move(member));
    return raw;
}

TkyMethodHelper *TkyClassVariable::AddMethod(const QString &Syntax, TkyCallMethodEvent CallEvent)
{
    auto method = std::make_unique<TkyMethodHelper>(Syntax, FProgram);
    method->SetClassRef(FClassRef);
    method->SetOnCall(std::move(CallEvent));
    return addMember(std::move(method));
}

TkyMethodHelper *TkyClassVariable::AddMethod(const QString &Syntax, TkyCallMethodNewEvent CallEvent)
{
    auto method = std::make_unique<TkyMethodHelper>(Syntax, FProgram);
    method->SetClassRef(FClassRef);
    method->SetOnCallNew(std::move(CallEvent));
    return addMember(std::move(method));
}

TkyMethodHelper *TkyClassVariable::AddConstructor(const QString &Syntax,
                                                  TkyCallMethodEvent CallEvent)
{
    TkyMethodHelper *method = AddMethod(constructorDeclaration(Syntax), std::move(CallEvent));
    // The kind does not depend on the script knowing the type name "Constructor".
    method->SetTyp(fvtConstructor);
    return method;
}

TkyMethodHelper *TkyClassVariable::AddConstructor(const QString &Syntax,
                                                  TkyCallMethodNewEvent CallEvent)
{
    TkyMethodHelper *method = AddMethod(constructorDeclaration(Syntax), std::move(CallEvent));
    method->SetTyp(fvtConstructor);
    return method;
}

TkyPropertyHelper *TkyClassVariable::AddProperty(const QString &Name,
                                                 const QString &Typ,
                                                 TkyGetValueEvent GetEvent,
                                                 TkySetValueEvent SetEvent)
{
    auto prop
        = std::make_unique<TkyPropertyHelper>(Name, StrToVarType(Typ, FProgram), Typ, FClassRef);
    prop->SetIsReadOnly(!SetEvent);
    prop->SetOnGetValue(std::move(GetEvent));
    prop->SetOnSetValue(std::move(SetEvent));
    return addMember(std::move(prop));
}

TkyPropertyHelper *TkyClassVariable::AddPropertyEx(const QString &Name,
                                                   const QString &Typ,
                                                   TkyGetValueNewEvent GetEvent,
                                                   TkySetValueNewEvent SetEvent)
{
    auto prop
        = std::make_unique<TkyPropertyHelper>(Name, StrToVarType(Typ, FProgram), Typ, FClassRef);
    prop->SetIsReadOnly(!SetEvent);
    prop->SetOnGetValueNew(std::move(GetEvent));
    prop->SetOnSetValueNew(std::move(SetEvent));
    return addMember(std::move(prop));
}

TkyMethodHelper *TkyClassVariable::AddIndexProperty(const QString &Name,
                                                    const QString &Params,
                                                    const QString &Typ,
                                                    TkyCallMethodEvent CallEvent,
                                                    bool AReadOnly)
{
    TkyMethodHelper *method = AddMethod(indexDeclaration(Name, Params, Typ), std::move(CallEvent));
    method->SetIsReadOnly(AReadOnly);
    method->SetIndexMethod(true);
    return method;
}

TkyMethodHelper *TkyClassVariable::AddIndexProperty(const QString &Name,
                                                    const QString &Params,
                                                    const QString &Typ,
                                                    TkyCallMethodNewEvent CallEvent,
                                                    bool AReadOnly)
{
    TkyMethodHelper *method = AddMethod(indexDeclaration(Name, Params, Typ), std::move(CallEvent));
    method->SetIsReadOnly(AReadOnly);
    method->SetIndexMethod(true);
    return method;
}

TkyMethodHelper *TkyClassVariable::AddDefaultProperty(const QString &Name,
                                                      const QString &Params,
                                                      const QString &Typ,
                                                      TkyCallMethodEvent CallEvent,
                                                      bool AReadOnly)
{
    TkyMethodHelper *method = AddIndexProperty(Name, Params, Typ, std::move(CallEvent), AReadOnly);
    FDefProperty = method;
    return method;
}

TkyMethodHelper *TkyClassVariable::AddDefaultProperty(const QString &Name,
                                                      const QString &Params,
                                                      const QString &Typ,
                                                      TkyCallMethodNewEvent CallEvent,
                                                      bool AReadOnly)
{
    TkyMethodHelper *method = AddIndexProperty(Name, Params, Typ, std::move(CallEvent), AReadOnly);
    FDefProperty = method;
    return method;
}

TkyEventHelper *
TkyClassVariable::AddEvent(const QString &Name, TkyEventFactory AEvent, TkyEventSetter ASetter)
{
    return addMember(
        std::make_unique<TkyEventHelper>(Name, FClassRef, std::move(AEvent), std::move(ASetter)));
}

TkyComponentHelper *TkyClassVariable::AddComponent(const TComponent &Component)
{
    return addMember(std::make_unique<TkyComponentHelper>(Component));
}

void TkyClassVariable::AddPublishedProperties(const TkavClassInfo &AClass)
{
    for (const TkavPropInfo *prop : AClass.Props()) {
        const std::optional<TkyPropKind> kind = scriptKind(*prop);
        if (!kind)
            continue;
        auto helper = std::make_unique<TkyPropertyHelper>(
            prop->Name(), kind->typ, kind->typeName, FClassRef);
        helper->SetIsPublished(true);
        helper->SetIsReadOnly(prop->IsReadOnly());
        addMember(std::move(helper));
    }
}

TkyClassVariable *TkyClassVariable::ancestorClass() const
{
    if (!FProgram || FAncestor.isEmpty())
        return nullptr;
    return FProgram->FindClass(FAncestor);
}

TkyCustomHelper *TkyClassVariable::Find(QStringView Name) const
{
    const QString upper = kavUpperCase(Name);
    const TkyClassVariable *cls = this;
    for (int depth = 0; cls && depth < kyMaxAncestorDepth; ++depth) {
        for (const auto &member : cls->FMembers) {
            if (member->UppercaseName() == upper)
                return member.get();
        }
        cls = cls->ancestorClass();
    }
    return nullptr;
}

TkyCustomHelper *TkyClassVariable::DefProperty() const
{
    const TkyClassVariable *cls = this;
    for (int depth = 0; cls && depth < kyMaxAncestorDepth; ++depth) {
        if (cls->FDefProperty)
            return cls->FDefProperty;
        cls = cls->ancestorClass();
    }
    return nullptr;
}

QString kyFileArg(const TkyMethodHelper &m, int Index)
{
    const QString name = VarToStr(m.GetVParam(Index));
    return m.Program() ? m.Program()->FilePath(name) : name;
}

TkyClassVariable *kyDescriptorOf(const TObject &obj, const TkyScript &scope)
{
    for (const TkavClassInfo *ci = &obj.ClassInfo(); ci; ci = ci->Parent())
        if (TkyClassVariable *c = scope.FindClass(ci->ClassName()))
            return c;
    return nullptr;
}

const TkyChildLookup *TkyClassVariable::ChildLookup() const
{
    const TkyClassVariable *cls = this;
    for (int depth = 0; cls && depth < kyMaxAncestorDepth; ++depth) {
        if (cls->FChildLookup)
            return &cls->FChildLookup;
        cls = cls->ancestorClass();
    }
    return nullptr;
}

TObject *TkyClassVariable::FindChild(TObject &Parent, QStringView Name) const
{
    const TkyChildLookup *lookup = ChildLookup();
    return lookup && !Name.isEmpty() ? (*lookup)(Parent, Name) : nullptr;
}

TkyCustomHelper *TkyClassVariable::Members(int Index) const
{
    if (Index < 0 || Index >= MembersCount())
        raiseIndex(Index);
    return FMembers[size_t(Index)].get();
}

// ---------------------------------------------------------------------------------------
// Catalogue

namespace {

// A member's line in the catalogue; empty for helpers that have none.
QString memberText(const TkyCustomHelper &member)
{
    if (auto *method = dynamic_cast<const TkyMethodHelper *>(&member)) {
        if (!method->IndexMethod())
            return method->Syntax();
        const QString syntax = method->Syntax().trimmed();
        const qsizetype blank = syntax.indexOf(u' ');
        return u"index property"_s + (blank < 0 ? QString() : syntax.mid(blank));
    }
    if (dynamic_cast<const TkyEventHelper *>(&member))
        return u"event "_s + member.Name();
    if (dynamic_cast<const TkyPropertyHelper *>(&member))
        return u"property "_s + member.Name() + u": "_s + member.GetFullTypeName();
    return QString();
}

void addMemberItems(const TkyClassVariable &cls, TkyXMLItem &parent)
{
    for (int i = 0; i < cls.MembersCount(); ++i) {
        const QString text = memberText(*cls.Members(i));
        if (!text.isEmpty())
            parent.Add(u"item"_s)->SetProp(u"text"_s, text);
    }
}

// The string form of a constant's value for the catalogue; arrays and objects have none.
QString valueText(const Variant &v)
{
    if (v.IsArray() || v.IsObject())
        return QString();
    return VarToStr(v);
}

} // namespace

void BuildContentsXML(const TkyScript &Script, TkyXMLItem &Root, bool FunctionsOnly)
{
    TkyXMLItem *functions = Root.FindItem(u"Functions"_s);
    TkyXMLItem *classes = Root.FindItem(u"Classes"_s);
    TkyXMLItem *types = Root.FindItem(u"Types"_s);
    TkyXMLItem *variables = Root.FindItem(u"Variables"_s);
    TkyXMLItem *constants = Root.FindItem(u"Constants"_s);
    QHash<TkyXMLItem *, QStringList> enumValues;

    for (int i = 0; i < Script.Count(); ++i) {
        TObject *item = Script.Items(i);
        if (auto *method = dynamic_cast<TkyMethodHelper *>(item)) {
            // Element names must not be empty: functions without a category count as
            // "ctOther", the category of miscellaneous functions.
            const QString category
                = method->Category().isEmpty() ? u"ctOther"_s : method->Category();
            TkyXMLItem *group = functions->FindItem(category);
            group->SetProp(u"text"_s, category);
            TkyXMLItem *entry = group->Add(u"item"_s);
            entry->SetProp(u"text"_s, method->Syntax());
            entry->SetProp(u"description"_s, method->Description());
            continue;
        }
        if (FunctionsOnly)
            continue;
        if (auto *cls = dynamic_cast<TkyClassVariable *>(item)) {
            TkyXMLItem *entry = classes->Add(u"item"_s);
            entry->SetProp(u"text"_s, cls->Name() + u" = class("_s + cls->Ancestor() + u')');
            addMemberItems(*cls, *entry);
            continue;
        }
        auto *var = dynamic_cast<TkyVariable *>(item);
        if (!var)
            continue;
        if (var->Typ() == fvtEnum) {
            TkyXMLItem *type = types->FindItem(var->TypeName());
            QStringList &names = enumValues[type];
            if (!kavSameText(var->Name(), var->TypeName()))
                names << var->Name();
            continue;
        }
        const bool isConst = var->IsReadOnly();
        QString text = var->Name() + u": "_s + var->GetFullTypeName();
        if (isConst)
            text += u" = "_s + valueText(var->GetValue());
        (isConst ? constants : variables)->Add(u"item"_s)->SetProp(u"text"_s, text);
    }

    for (int i = 0; i < types->Count(); ++i) {
        TkyXMLItem *type = types->Items(i);
        if (type->Name() == u"item"_s)
            continue;
        const QString typeName = type->Name();
        type->SetName(u"item"_s);
        type->SetProp(u"text"_s, typeName + u": ("_s + enumValues.value(type).join(u", "_s) + u')');
    }
}

void BuildMembersXML(const TkyScript &Script, const TkavClassInfo &AClass, TkyXMLItem &Parent)
{
    for (int i = 0; i < Script.Count(); ++i) {
        auto *cls = dynamic_cast<TkyClassVariable *>(Script.Items(i));
        if (cls && cls->ClassRef() && AClass.InheritsFrom(*cls->ClassRef()))
            addMemberItems(*cls, Parent);
    }
}

// ---------------------------------------------------------------------------------------
// Registration in a script

TkyClassVariable *TkyScript::AddClass(const TkavClassInfo &AClass, const QString &Ancestor)
{
    if (Find(AClass.ClassName()))
        return nullptr;
    auto cls = std::make_unique<TkyClassVariable>(AClass, Ancestor);
    // The ancestor's default property is found through the ancestor on use (DefProperty).
    cls->SetProgram(this);
    TkyClassVariable *raw = cls.get();
    Add(AClass.ClassName(), std::move(cls));
    return raw;
}

TkyMethodHelper *TkyScript::AddMethod(const QString &Syntax,
                                      TkyCallMethodNewEvent CallEvent,
                                      const QString &Category,
                                      const QString &Description)
{
    auto method = std::make_unique<TkyMethodHelper>(Syntax, this);
    method->SetOnCallNew(std::move(CallEvent));
    method->SetCategory(Category);
    method->SetDescription(Description.isEmpty() ? method->Name() : Description);
    TkyMethodHelper *raw = method.get();
    Add(raw->Name(), std::move(method));
    return raw;
}

TkyMethodHelper *TkyScript::AddMethod(const QString &Syntax,
                                      TkyCallMethodEvent CallEvent,
                                      const QString &Category,
                                      const QString &Description)
{
    auto method = std::make_unique<TkyMethodHelper>(Syntax, this);
    method->SetOnCall(std::move(CallEvent));
    method->SetCategory(Category);
    method->SetDescription(Description.isEmpty() ? method->Name() : Description);
    TkyMethodHelper *raw = method.get();
    Add(raw->Name(), std::move(method));
    return raw;
}

TkyClassVariable *TkyScript::FindClass(QStringView Name) const
{
    return dynamic_cast<TkyClassVariable *>(Find(Name));
}
