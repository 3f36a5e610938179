#pragma once

// The class bridge: a class descriptor (TkyClassVariable) is a scope item named after a
// native class and holds the members scripts may use. Published properties come from the
// class's own property table; properties, methods, constructors, indexed properties,
// owned components and events are registered by hand with handler functions. Designators
// reach a member with its context (the object before it) and the member forwards to the
// native object.
//
// Objects are checked handles: a member applied to a stale reference raises
// "Invalid object reference", never touches freed memory.
//
// Construction: a class item without a cast argument yields Null (no pre-allocated
// instance). A constructor member then runs with Instance = nullptr and ClassType = the
// class named before it (TStringList.Create: TStringList, even when Create is registered on
// TObject); its handler creates the object, hands it to the script (TkyScript::AdoptObject)
// and returns the reference. A class item with an argument is a checked cast: the value
// must be nil or an object of that class or a descendant, else "Invalid class typecast".

#include "ky_variables.h"

#include <rtl/kavExceptions.h>
#include <rtl/kavObject.h>

#include <QString>

#include <functional>
#include <memory>
#include <vector>

class TkavClassInfo;
class TkyClassVariable;
class TkyCustomEvent;
class TkyMethodHelper;
class TkyPropertyHelper;
class TkyScript;
class TkyXMLItem;

// Handler types. Names arrive upper-cased ("COUNT"; indexed properties ".GET"/".SET").
using TkyGetValueEvent
    = std::function<Variant(TObject *Instance, const TkavClassInfo *ClassType, const QString &PropName)>;
using TkySetValueEvent = std::function<void(TObject *Instance,
                                            const TkavClassInfo *ClassType,
                                            const QString &PropName,
                                            const Variant &Value)>;
using TkyGetValueNewEvent = std::function<Variant(TObject *Instance,
                                                  const TkavClassInfo *ClassType,
                                                  const QString &PropName,
                                                  TkyPropertyHelper &Caller)>;
using TkySetValueNewEvent = std::function<void(TObject *Instance,
                                               const TkavClassInfo *ClassType,
                                               const QString &PropName,
                                               const Variant &Value,
                                               TkyPropertyHelper &Caller)>;
// Params: a variant array with one element per parameter, fresh for every call; a handler
// changes by-reference arguments by writing into it.
using TkyCallMethodEvent = std::function<Variant(TObject *Instance,
                                                 const TkavClassInfo *ClassType,
                                                 const QString &MethodName,
                                                 Variant &Params)>;
using TkyCallMethodNewEvent = std::function<Variant(TObject *Instance,
                                                    const TkavClassInfo *ClassType,
                                                    const QString &MethodName,
                                                    TkyMethodHelper &Caller)>;

// Base of every native member: the context a designator writes before each use.
class TkyCustomHelper : public TkyCustomVariable
{
public:
    using TkyCustomVariable::TkyCustomVariable;

    // The item before this member in the designator (not owned).
    TkyCustomVariable *ParentRef() const { return FParentRef; }
    void SetParentRef(TkyCustomVariable *value) { FParentRef = value; }
    // That item's value: the object the member applies to, or null.
    const Variant &ParentValue() const { return FParentValue; }
    void SetParentValue(Variant value) { FParentValue = std::move(value); }
    // The scope the designator is evaluated in.
    TkyScript *Program() const { return FProgram; }
    void SetProgram(TkyScript *value) { FProgram = value; }

protected:
    // The object of ParentValue: nullptr for null and nil; EVariantError for a stale handle
    // and "Class type required" (EkyError) for values that are not object references.
    TObject *Instance() const;

private:
    TkyCustomVariable *FParentRef = nullptr;
    Variant FParentValue = Variant::Null();
    TkyScript *FProgram = nullptr;
};

// A property: published (read and written through the class's property table) or served
// by handlers. Boolean-kind properties read as True/False.
class TkyPropertyHelper : public TkyCustomHelper
{
public:
    TkyPropertyHelper(const QString &AName, TkyVarType ATyp, const QString &ATypeName,
                      const TkavClassInfo *AClassRef);

    Variant GetValue() override;
    void SetValue(const Variant &Value) override;

    const TkavClassInfo *ClassRef() const { return FClassRef; }
    bool IsPublished() const { return FIsPublished; }
    void SetIsPublished(bool value) { FIsPublished = value; }
    void SetOnGetValue(TkyGetValueEvent h) { FOnGetValue = std::move(h); }
    void SetOnSetValue(TkySetValueEvent h) { FOnSetValue = std::move(h); }
    void SetOnGetValueNew(TkyGetValueNewEvent h) { FOnGetValueNew = std::move(h); }
    void SetOnSetValueNew(TkySetValueNewEvent h) { FOnSetValueNew = std::move(h); }

private:
    const TkavClassInfo *FClassRef;
    bool FIsPublished = false;
    TkyGetValueEvent FOnGetValue;
    TkySetValueEvent FOnSetValue;
    TkyGetValueNewEvent FOnGetValueNew;
    TkySetValueNewEvent FOnSetValueNew;
};

// A native method or function, built from a declaration string; its items are its
// parameters. Also serves indexed properties (IndexMethod): reading calls NAME.GET,
// writing NAME.SET with the assigned value as one argument more.
class TkyMethodHelper : public TkyCustomHelper
{
public:
    // Parses Syntax (kyParseDeclaration) against Script. EkyError for a bad declaration.
    TkyMethodHelper(const QString &Syntax, const TkyScript *Script);

    Variant GetValue() override;
    void SetValue(const Variant &Value) override;

    // The value of parameter Index; Index == the parameter count gives the value being
    // assigned during an indexed-property write. EListError beyond.
    Variant GetVParam(int Index) const;
    void SetVParam(int Index, const Variant &Value);

    const QString &Syntax() const { return FSyntax; }
    const QString &Category() const { return FCategory; }
    void SetCategory(const QString &value) { FCategory = value; }
    const QString &Description() const { return FDescription; }
    void SetDescription(const QString &value) { FDescription = value; }
    const TkavClassInfo *ClassRef() const { return FClassRef; }
    void SetClassRef(const TkavClassInfo *value) { FClassRef = value; }
    bool IndexMethod() const { return FIndexMethod; }
    void SetIndexMethod(bool value) { FIndexMethod = value; }
    void SetOnCall(TkyCallMethodEvent h) { FOnCall = std::move(h); }
    void SetOnCallNew(TkyCallMethodNewEvent h) { FOnCallNew = std::move(h); }

private:
    // The class handed to handlers: for a constructor applied to a class item (no
    // instance), the class named there; else the registering class.
    const TkavClassInfo *handlerClass(const TObject *instance) const;
    // The handler's name: upper-cased, with suffix (".GET", ".SET") for indexed properties.
    QString handlerName(const char16_t *suffix) const;

    QString FCategory;
    const TkavClassInfo *FClassRef = nullptr;
    QString FDescription;
    bool FIndexMethod = false;
    TkyCallMethodEvent FOnCall;
    TkyCallMethodNewEvent FOnCallNew;
    Variant FSetValue = Variant::Null();
    QString FSyntax;
};

// Installs (bridge) or removes (nullptr) the native handler of one event on Instance. The
// registering host knows the native event's type, so it performs the typed assignment.
using TkyEventSetter = std::function<void(TObject &Instance, TkyCustomEvent *Bridge)>;
// Creates the bridge object of one event signature.
using TkyEventFactory = std::function<std::unique_ptr<TkyCustomEvent>(TObject &Instance,
                                                                      class TkyProcVariable &Handler)>;

// An event member: assigning a procedure's name (or its @address) attaches a bridge that
// runs the procedure when the native event fires; nil detaches; reading gives ''.
class TkyEventHelper : public TkyCustomHelper
{
public:
    TkyEventHelper(const QString &AName, const TkavClassInfo *AClassRef,
                   TkyEventFactory AEvent, TkyEventSetter ASetter);

    Variant GetValue() override;
    // EkyError "Event handler must be a procedure" for a name that is not a script
    // procedure. A new bridge replaces (frees) the one this scope made for the same event
    // of the same object; without an object nothing happens. Bridges: ky_events.h.
    void SetValue(const Variant &Value) override;

private:
    const TkavClassInfo *FClassRef;
    TkyEventFactory FEvent;
    TkyEventSetter FSetter;
};

// A component its form owns, as a member of the form's class: Form1.Button1 yields the
// button. Read-only; a destroyed component reads as nil.
class TkyComponentHelper : public TkyCustomHelper
{
public:
    explicit TkyComponentHelper(const TComponent &Component);

    Variant GetValue() override;
    void SetValue(const Variant &) override {}

private:
    quint64 FComponent; // the component's handle
};

// The child object named Name of Parent (a component of a report object or of a form), or
// nullptr: lets scripts write Report.Page1 or Page1.MasterData1.Memo1.
using TkyChildLookup = std::function<TObject *(TObject &Parent, QStringView Name)>;

// A class descriptor: named after the native class, kind fvtClass, one optional Variant
// parameter (the cast argument). Members are looked up by name ignoring case in
// registration order (published properties first), then in the ancestor's descriptor
// found by name in the registering script.
class TkyClassVariable : public TkyCustomVariable
{
public:
    TkyClassVariable(const TkavClassInfo &AClass, const QString &Ancestor);
    ~TkyClassVariable() override;

    // Null without a cast argument; with one, the checked cast (see the file comment).
    // The argument is reset to null afterwards.
    Variant GetValue() override;

    TkyMethodHelper *AddMethod(const QString &Syntax, TkyCallMethodEvent CallEvent);
    TkyMethodHelper *AddMethod(const QString &Syntax, TkyCallMethodNewEvent CallEvent);
    // "constructor Create(...)" registered as "function Create(...): Constructor".
    TkyMethodHelper *AddConstructor(const QString &Syntax, TkyCallMethodEvent CallEvent);
    TkyMethodHelper *AddConstructor(const QString &Syntax, TkyCallMethodNewEvent CallEvent);
    // Read-only exactly when SetEvent is empty.
    TkyPropertyHelper *AddProperty(const QString &Name, const QString &Typ,
                                   TkyGetValueEvent GetEvent, TkySetValueEvent SetEvent = {});
    TkyPropertyHelper *AddPropertyEx(const QString &Name, const QString &Typ,
                                     TkyGetValueNewEvent GetEvent,
                                     TkySetValueNewEvent SetEvent = {});
    // Params: comma-separated index type names; declares
    // "function Name(p0: T0; p1: T1): Typ".
    TkyMethodHelper *AddIndexProperty(const QString &Name, const QString &Params,
                                      const QString &Typ, TkyCallMethodEvent CallEvent,
                                      bool AReadOnly = false);
    TkyMethodHelper *AddIndexProperty(const QString &Name, const QString &Params,
                                      const QString &Typ, TkyCallMethodNewEvent CallEvent,
                                      bool AReadOnly = false);
    // AddIndexProperty, and the member becomes the default property (obj[i]).
    TkyMethodHelper *AddDefaultProperty(const QString &Name, const QString &Params,
                                        const QString &Typ, TkyCallMethodEvent CallEvent,
                                        bool AReadOnly = false);
    TkyMethodHelper *AddDefaultProperty(const QString &Name, const QString &Params,
                                        const QString &Typ, TkyCallMethodNewEvent CallEvent,
                                        bool AReadOnly = false);
    TkyEventHelper *AddEvent(const QString &Name, TkyEventFactory AEvent, TkyEventSetter ASetter);
    // A member named after Component that yields it (for the components a form owns).
    TkyComponentHelper *AddComponent(const TComponent &Component);
    // One published-property member per property of AClass (inherited ones included;
    // native callbacks are skipped).
    void AddPublishedProperties(const TkavClassInfo &AClass);

    // The member named Name here or up the ancestor chain, or nullptr.
    TkyCustomHelper *Find(QStringView Name) const;
    // How objects of this class find their children by name (members come first); an
    // ancestor's lookup serves its descendants. Without one the class has no children.
    void SetChildLookup(TkyChildLookup value) { FChildLookup = std::move(value); }
    const TkyChildLookup *ChildLookup() const;
    // Parent's child named Name, or nullptr (also when the class has no lookup).
    TObject *FindChild(TObject &Parent, QStringView Name) const;
    int MembersCount() const { return int(FMembers.size()); }
    TkyCustomHelper *Members(int Index) const;

    const QString &Ancestor() const { return FAncestor; }
    const TkavClassInfo *ClassRef() const { return FClassRef; }
    // The default indexed property: this class's own, else the nearest ancestor
    // descriptor's (looked up on use, so it never outlives the ancestor's member).
    TkyCustomHelper *DefProperty() const;
    void SetDefProperty(TkyCustomHelper *value) { FDefProperty = value; }
    TkyScript *Program() const { return FProgram; }
    void SetProgram(TkyScript *value) { FProgram = value; }

private:
    template <class T>
    T *addMember(std::unique_ptr<T> member);
    // The ancestor's descriptor in the registering script, or nullptr.
    TkyClassVariable *ancestorClass() const;

    QString FAncestor;
    const TkavClassInfo *FClassRef;
    TkyCustomHelper *FDefProperty = nullptr;
    std::vector<std::unique_ptr<TkyCustomHelper>> FMembers;
    TkyScript *FProgram = nullptr;
    TkyChildLookup FChildLookup;
};

// The descriptor that serves obj: its own class's, else the nearest registered ancestor's
// (by the native class tree), as found from scope; nullptr when none is registered.
TkyClassVariable *kyDescriptorOf(const TObject &obj, const TkyScript &scope);

// For the handlers of library modules: obj as T. EkyError "Object reference is nil" for
// nil, "Invalid class typecast" for an object of another class.
template <class T>
T &kyObjectAs(TObject *obj)
{
    if (!obj)
        throw EkyError(QStringLiteral("Object reference is nil"));
    auto *typed = dynamic_cast<T *>(obj);
    if (!typed)
        throw EkyError(QStringLiteral("Invalid class typecast"));
    return *typed;
}

// Argument Index of a native call as an object of class T, nullptr for nil; any other
// value raises "Invalid class typecast".
template <class T>
T *kyArgObject(const TkyMethodHelper &m, int Index)
{
    const Variant v = m.GetVParam(Index);
    if (v.IsNull() || v.IsEmpty() || v.IsNil())
        return nullptr;
    if (!v.IsObject())
        throw EkyError(QStringLiteral("Invalid class typecast"));
    TObject *obj = v.AsObject();
    return obj ? &kyObjectAs<T>(obj) : nullptr;
}

// Argument Index of a native call as a file name: a relative name is taken from the calling
// script's folder (TkyScript::FilePath), whatever the working folder.
QString kyFileArg(const TkyMethodHelper &m, int Index);

// The designer's catalogue: Functions (by category), Classes, Types, Variables, Constants
// of Script, as children of Root. Attribute values are escaped like every XML text.
void BuildContentsXML(const TkyScript &Script, TkyXMLItem &Root, bool FunctionsOnly);
// One "item" per member of every class descriptor of Script that AClass inherits from.
void BuildMembersXML(const TkyScript &Script, const TkavClassInfo &AClass, TkyXMLItem &Parent);
