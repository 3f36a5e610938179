#pragma once

// Published properties and the class registry: our run-time type information. Every class
// describes its published properties in an ordered table (ancestors' first); the
// serializer, the script bridge, the inspector, undo and the clipboard walk these tables
// and read or write properties through the classes' own getters and setters. The class
// registry maps class names to factories: objects named in files are created only there.
//
// A class takes part by putting KAV_CLASSINFO in its public section and defining
// StaticClassInfo() beside its other members:
//
//   const TkavClassInfo &TFoo::StaticClassInfo()
//   {
//       static const TkavClassInfo info = kavMakeClassInfo<TFoo, TPersistent>(
//           u"TFoo"_s, [](TkavPropBuilder<TFoo> &p) {
//               p.Int(u"Left"_s, &TFoo::Left, &TFoo::SetLeft).Default(0);
//               p.Enum(u"Align"_s, &TFoo::Align, &TFoo::SetAlign).Default(baNone);
//               p.Bool(u"Visible"_s, &TFoo::Visible, &TFoo::SetVisible); // always written
//               p.Object(u"Font"_s, &TFoo::Font, &TFoo::SetFont).StoredIf(&TFoo::IsFontStored);
//           });
//       return info;
//   }
//
// The table is built on first use; names become creatable only through kavRegisterClass,
// which start-up functions call in a fixed order.

#include "kavExceptions.h"
#include "kavObject.h"
#include "kavSet.h"
#include "kavVariant.h"

#include <QChar>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <algorithm>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <stdexcept>
#include <type_traits>
#include <vector>

KAV_DECLARE_EXCEPTION(EPropertyError, Exception) // unknown, read-only or mistyped property
KAV_DECLARE_EXCEPTION(EClassNotFound, Exception) // "Class %s not found"

class TkavClassInfo;

// Kinds of published properties.
// ORDER: the bridge and the inspector switch on these; append only.
enum TkavPropKind : int {
    pkInteger,     // 32-bit integer types (Integer, TColor, Byte ...)
    pkInt64,       // 64-bit integer
    pkChar,        // 8-bit character, kept as its code 0..255
    pkWChar,       // UTF-16 code unit
    pkEnumeration, // enumerations, Boolean included
    pkSet,         // TkavSet bit mask
    pkFloat,       // double, TDateTime
    pkString,      // text
    pkVariant,     // Variant
    pkObject,      // owned persistent sub-object, written as dotted attributes
    pkComponent,   // reference to a component, written as its name
    pkStringList,  // string list, written as its Text
    pkWideStrings, // wide string list (its text is written by its owner, if at all)
    pkEvent,       // script event: the name of a script procedure
    pkMethod       // native callback: listed, never persisted, no accessors here
};

// When a property is written to files.
enum TkavStoredRule : int {
    srAlways,
    srNever,
    srPredicate // a predicate over the object decides
};

// Names and range of an enumeration type.
class TkavEnumInfo
{
public:
    // names[i] is the name of ordinal minValue + i.
    TkavEnumInfo(QString typeName, QStringList names, int minValue = 0);

    const QString &TypeName() const { return FTypeName; }
    const QStringList &Names() const { return FNames; }
    int MinValue() const { return FMinValue; }
    int MaxValue() const { return FMinValue + int(FNames.size()) - 1; }
    bool Contains(qint64 ordinal) const { return ordinal >= MinValue() && ordinal <= MaxValue(); }
    // The name of an ordinal; empty when out of range.
    QString NameOf(qint64 ordinal) const;
    // The ordinal of a name (ignoring case); nullopt when it is not a member.
    std::optional<int> ValueOf(QStringView name) const;
    // True for the Boolean type (names False, True).
    bool IsBoolean() const;

private:
    QString FTypeName;
    QStringList FNames;
    int FMinValue;
    QHash<QString, int> FIndex; // upper-cased name -> ordinal
};

// A set type: its name and its element enumeration.
class TkavSetInfo
{
public:
    TkavSetInfo(QString typeName, const TkavEnumInfo &elementType);

    const QString &TypeName() const { return FTypeName; }
    const TkavEnumInfo &ElementType() const { return FElementType; }
    // The bits an element can occupy (elements above 31 cannot be stored).
    quint32 ValidMask() const;
    // "[fsBold,fsItalic]": the members' names in ordinal order, as the inspector shows sets.
    QString MaskToNames(quint32 mask) const;

private:
    QString FTypeName;
    const TkavEnumInfo &FElementType;
};

// Boolean as an enumeration ("Boolean": False, True).
const TkavEnumInfo &kavBooleanInfo();

// Enumerations and sets describe themselves through one overload each, found by argument
// type at the point of use; declare it beside the type, define it with a function-local
// static in the .cpp:
//   const TkavEnumInfo &kavEnumTypeInfo(TFontPitch);
//   const TkavSetInfo &kavSetTypeInfo(TFontStyles);

// One published property. Entries are immutable once their class's table is built; the
// typed accessors check the kind, read-only-ness and ranges and throw EPropertyError.
class TkavPropInfo
{
public:
    using OrdGetter = std::function<qint64(const TPersistent &)>;
    using OrdSetter = std::function<void(TPersistent &, qint64)>;
    using FloatGetter = std::function<double(const TPersistent &)>;
    using FloatSetter = std::function<void(TPersistent &, double)>;
    using StrGetter = std::function<QString(const TPersistent &)>;
    using StrSetter = std::function<void(TPersistent &, const QString &)>;
    using VarGetter = std::function<Variant(const TPersistent &)>;
    using VarSetter = std::function<void(TPersistent &, const Variant &)>;
    using ObjGetter = std::function<TPersistent *(const TPersistent &)>;
    using ObjSetter = std::function<void(TPersistent &, TPersistent *)>;
    using Predicate = std::function<bool(const TPersistent &)>;

    const QString &Name() const { return FName; }
    TkavPropKind Kind() const { return FKind; }
    // The declared type's exact name ("TColor", "TkavNotifyEvent", "Boolean", "TFont").
    // Object kinds without an explicit type name answer their class's name.
    const QString &TypeName() const;
    // Enumerations: the type; sets: the element type; otherwise nullptr.
    const TkavEnumInfo *EnumInfo() const { return FEnumInfo; }
    // Sets: the set type; otherwise nullptr.
    const TkavSetInfo *SetInfo() const { return FSetInfo; }
    // Object, component and string-list kinds: the declared class; otherwise nullptr.
    const TkavClassInfo *ObjectClass() const;
    // The class whose table introduced (or last redeclared) the property.
    const TkavClassInfo &DeclaringClass() const { return *FDeclaringClass; }

    bool IsOrdinal() const;
    bool IsBoolean() const { return FEnumInfo && FKind == pkEnumeration && FEnumInfo->IsBoolean(); }
    // No setter. Sub-objects (pkObject) without a setter can still be edited in place.
    bool IsReadOnly() const { return !FWritable; }
    // Allowed ordinal range (integer kinds; enumerations and sets use their type).
    qint64 MinValue() const { return FMin; }
    qint64 MaxValue() const { return FMax; }

    // The declared default (ordinal kinds only), distinct from the initial value: a
    // property without one is always written.
    bool HasDefault() const { return FDefault.has_value(); }
    qint64 Default() const { return FDefault.value_or(0); }
    TkavStoredRule StoredRule() const { return FStoredRule; }
    // Whether the stored rule lets the property be written for obj.
    bool IsStored(const TPersistent &obj) const;

    // Ordinal kinds (integers, characters, enumerations, sets). SetOrd rejects values
    // outside the range with EPropertyError.
    qint64 GetOrd(const TPersistent &obj) const;
    void SetOrd(TPersistent &obj, qint64 value) const;
    // pkFloat.
    double GetFloat(const TPersistent &obj) const;
    void SetFloat(TPersistent &obj, double value) const;
    // pkString, pkEvent; string lists: their Text.
    QString GetStr(const TPersistent &obj) const;
    void SetStr(TPersistent &obj, const QString &value) const;
    // pkVariant.
    Variant GetVar(const TPersistent &obj) const;
    void SetVar(TPersistent &obj, const Variant &value) const;
    // Object, component and string-list kinds; SetObject checks the value's class.
    TPersistent *GetObject(const TPersistent &obj) const;
    void SetObject(TPersistent &obj, TPersistent *value) const;

private:
    template <class T>
    friend class TkavPropBuilder;
    template <class T>
    friend class TkavPropDef;
    friend class TkavPropBuilderBase;

    void checkInstance(const TPersistent &obj) const;
    void checkOrdinal(qint64 value) const;
    [[noreturn]] void wrongKind() const;
    [[noreturn]] void readOnly() const;

    QString FName;
    TkavPropKind FKind = pkInteger;
    QString FTypeName;
    const TkavEnumInfo *FEnumInfo = nullptr;
    const TkavSetInfo *FSetInfo = nullptr;
    // Resolved on use, so a class's table may name the class itself (a band's Child band).
    const TkavClassInfo &(*FObjectClass)() = nullptr;
    const TkavClassInfo *FDeclaringClass = nullptr;
    bool FWritable = false;
    qint64 FMin = 0;
    qint64 FMax = 0;
    std::optional<qint64> FDefault;
    TkavStoredRule FStoredRule = srAlways;
    Predicate FStored;

    OrdGetter FGetOrd;
    OrdSetter FSetOrd;
    FloatGetter FGetFloat;
    FloatSetter FSetFloat;
    StrGetter FGetStr;
    StrSetter FSetStr;
    VarGetter FGetVar;
    VarSetter FSetVar;
    ObjGetter FGetObj;
    ObjSetter FSetObj;
};

// Creates an instance; owner is handed to constructors that take one (components).
using TkavFactory = std::function<std::unique_ptr<TPersistent>(TPersistent *owner)>;

// A class: name, ancestor, factory and its published-property table.
class TkavClassInfo
{
public:
    using Definer = std::function<void(TkavClassInfo &)>;

    // Builds the table: the parent's entries first, then define() adds and redeclares.
    TkavClassInfo(QString className,
                  const TkavClassInfo *parent,
                  TkavFactory factory,
                  const Definer &define);
    TkavClassInfo(const TkavClassInfo &) = delete;
    TkavClassInfo &operator=(const TkavClassInfo &) = delete;
    ~TkavClassInfo();

    const QString &ClassName() const { return FClassName; }
    const TkavClassInfo *Parent() const { return FParent; }
    // True for this class and its descendants.
    bool InheritsFrom(const TkavClassInfo &ancestor) const;
    // The same by class name, ignoring case (works for unregistered ancestors too).
    bool InheritsFrom(QStringView ancestorName) const;

    // Whether the class has a factory (abstract classes have none).
    bool CanCreate() const { return bool(FFactory); }
    // A new instance; EClassNotFound for classes without a factory.
    std::unique_ptr<TPersistent> Create(TPersistent *owner = nullptr) const;

    // Published properties in order: ancestors' first, a redeclared one at its first place.
    const QList<const TkavPropInfo *> &Props() const { return FPropList; }
    // By name, ignoring case; nullptr when the class has no such published property.
    const TkavPropInfo *FindProp(QStringView name) const;

private:
    friend class TkavPropBuilderBase;

    QString FClassName;
    const TkavClassInfo *FParent;
    TkavFactory FFactory;
    std::vector<std::shared_ptr<const TkavPropInfo>> FProps; // shared with descendants
    QList<const TkavPropInfo *> FPropList;
    QHash<QString, int> FIndex; // upper-cased name -> position
};

// ---------------------------------------------------------------------------------------
// Declaring properties

// Type-independent part of the builder (table insertion and redeclaration).
class TkavPropBuilderBase
{
public:
    explicit TkavPropBuilderBase(TkavClassInfo &info)
        : FInfo(info)
    {}

protected:
    // A new entry named name, or, when an ancestor already published that name, a fresh
    // entry in the ancestor's position (its getter, setter, default and stored rule are
    // replaced).
    TkavPropInfo &add(const QString &name, TkavPropKind kind, const QString &typeName);
    // A copy of an inherited entry in its position, for changing default or stored rule;
    // std::logic_error when no ancestor publishes name.
    TkavPropInfo &redeclare(QStringView name);

    TkavClassInfo &FInfo;
};

// Modifiers of one entry while its class's table is built.
template <class T>
class TkavPropDef
{
public:
    explicit TkavPropDef(TkavPropInfo &prop)
        : FProp(prop)
    {}

    // Declared default of an ordinal property (enumeration values and sets accepted).
    template <class V>
    TkavPropDef &Default(V value)
    {
        requireOrdinal();
        FProp.FDefault = toOrdinal(value);
        return *this;
    }
    TkavPropDef &NoDefault()
    {
        FProp.FDefault.reset();
        return *this;
    }
    TkavPropDef &Stored(bool stored)
    {
        FProp.FStoredRule = stored ? srAlways : srNever;
        FProp.FStored = nullptr;
        return *this;
    }
    // pred: a const member function of T returning bool, or a callable over const T &.
    template <class P>
    TkavPropDef &StoredIf(P pred)
    {
        FProp.FStoredRule = srPredicate;
        FProp.FStored = [pred](const TPersistent &obj) {
            return bool(std::invoke(pred, static_cast<const T &>(obj)));
        };
        return *this;
    }
    TkavPropDef &TypeName(const QString &name)
    {
        FProp.FTypeName = name;
        return *this;
    }
    // Narrows the accepted range of an integer property (TFontCharset: 0..255).
    TkavPropDef &Range(qint64 minValue, qint64 maxValue)
    {
        FProp.FMin = minValue;
        FProp.FMax = maxValue;
        return *this;
    }

    template <class V>
    static qint64 toOrdinal(V value)
    {
        if constexpr (std::is_same_v<V, QChar>)
            return value.unicode();
        else if constexpr (std::is_same_v<V, char>)
            return quint8(value);
        else if constexpr (requires { value.Mask(); })
            return qint64(value.Mask());
        else if constexpr (std::is_enum_v<V>)
            return qint64(std::underlying_type_t<V>(value));
        else
            return qint64(value);
    }
    template <class V>
    static V fromOrdinal(qint64 value)
    {
        if constexpr (std::is_same_v<V, QChar>)
            return QChar(char16_t(value));
        else if constexpr (requires { V::FromMask(0u); })
            return V::FromMask(quint32(value));
        else if constexpr (std::is_same_v<V, bool>)
            return value != 0;
        else
            return static_cast<V>(value);
    }

private:
    void requireOrdinal() const
    {
        if (!FProp.IsOrdinal())
            throw std::logic_error("a declared default needs an ordinal property");
    }

    TkavPropInfo &FProp;
};

// The declarative builder handed to a class's definition function. Getters are const
// member functions of T (or callables over const T &); setters are member functions of T
// taking the value (or callables over T &), or nullptr for read-only properties.
template <class T>
class TkavPropBuilder : public TkavPropBuilderBase
{
public:
    using TkavPropBuilderBase::TkavPropBuilderBase;
    using Def = TkavPropDef<T>;

    template <class G, class S = std::nullptr_t>
    Def Int(const QString &name, G get, S set = nullptr)
    {
        return ordinal(name,
                       pkInteger,
                       QStringLiteral("Integer"),
                       get,
                       set,
                       std::numeric_limits<qint32>::min(),
                       std::numeric_limits<qint32>::max());
    }
    template <class G, class S = std::nullptr_t>
    Def Int64(const QString &name, G get, S set = nullptr)
    {
        return ordinal(name,
                       pkInt64,
                       QStringLiteral("Int64"),
                       get,
                       set,
                       std::numeric_limits<qint64>::min(),
                       std::numeric_limits<qint64>::max());
    }
    template <class G, class S = std::nullptr_t>
    Def Char(const QString &name, G get, S set = nullptr)
    {
        return ordinal(name, pkChar, QStringLiteral("Char"), get, set, 0, 255);
    }
    template <class G, class S = std::nullptr_t>
    Def WChar(const QString &name, G get, S set = nullptr)
    {
        return ordinal(name, pkWChar, QStringLiteral("WideChar"), get, set, 0, 0xFFFF);
    }
    // An enumeration; its type comes from kavEnumTypeInfo(E).
    template <class G, class S = std::nullptr_t>
    Def Enum(const QString &name, G get, S set = nullptr)
    {
        using E = value_t<G>;
        const TkavEnumInfo &info = kavEnumTypeInfo(E{});
        Def d = ordinal(
            name, pkEnumeration, info.TypeName(), get, set, info.MinValue(), info.MaxValue());
        last().FEnumInfo = &info;
        return d;
    }
    template <class G, class S = std::nullptr_t>
    Def Bool(const QString &name, G get, S set = nullptr)
    {
        Def d = ordinal(name, pkEnumeration, QStringLiteral("Boolean"), get, set, 0, 1);
        last().FEnumInfo = &kavBooleanInfo();
        return d;
    }
    // A TkavSet; its type comes from kavSetTypeInfo(TkavSet<E>).
    template <class G, class S = std::nullptr_t>
    Def Set(const QString &name, G get, S set = nullptr)
    {
        using V = value_t<G>;
        const TkavSetInfo &info = kavSetTypeInfo(V{});
        Def d = ordinal(name, pkSet, info.TypeName(), get, set, 0, qint64(info.ValidMask()));
        last().FSetInfo = &info;
        last().FEnumInfo = &info.ElementType();
        return d;
    }
    // A double property; TDateTime and other float types through the type name.
    template <class G, class S = std::nullptr_t>
    Def Float(const QString &name,
              G get,
              S set = nullptr,
              const QString &typeName = QStringLiteral("Double"))
    {
        TkavPropInfo &p = entry(name, pkFloat, typeName);
        p.FGetFloat = [get](const TPersistent &obj) { return double(call(get, obj)); };
        if constexpr (!std::is_null_pointer_v<S>) {
            p.FWritable = true;
            p.FSetFloat = [set](TPersistent &obj, double v) {
                std::invoke(set, static_cast<T &>(obj), static_cast<value_t<G>>(v));
            };
        }
        return Def(p);
    }
    template <class G, class S = std::nullptr_t>
    Def String(const QString &name,
               G get,
               S set = nullptr,
               const QString &typeName = QStringLiteral("String"))
    {
        return text(name, pkString, typeName, get, set);
    }
    // A script event: the name of a script procedure ("TkavNotifyEvent" ...).
    template <class G, class S = std::nullptr_t>
    Def Event(const QString &name,
              G get,
              S set = nullptr,
              const QString &typeName = QStringLiteral("TkavNotifyEvent"))
    {
        return text(name, pkEvent, typeName, get, set);
    }
    template <class G, class S = std::nullptr_t>
    Def VariantProp(const QString &name, G get, S set = nullptr)
    {
        TkavPropInfo &p = entry(name, pkVariant, QStringLiteral("Variant"));
        p.FGetVar = [get](const TPersistent &obj) { return ::Variant(call(get, obj)); };
        if constexpr (!std::is_null_pointer_v<S>) {
            p.FWritable = true;
            p.FSetVar = [set](TPersistent &obj, const ::Variant &v) {
                std::invoke(set, static_cast<T &>(obj), v);
            };
        }
        return Def(p);
    }
    // An owned persistent sub-object (getter gives C * or C &); the setter, when given,
    // takes const C & (a copy, as the platform's object setters do) or C *.
    template <class G, class S = std::nullptr_t>
    Def Object(const QString &name, G get, S set = nullptr)
    {
        return object(name, pkObject, get, set);
    }
    // A reference to a component (getter gives C *, setter takes C *).
    template <class G, class S = std::nullptr_t>
    Def Component(const QString &name, G get, S set = nullptr)
    {
        return object(name, pkComponent, get, set);
    }
    // A string list (getter gives C * or C &, C with Text() and SetText()); GetStr and
    // SetStr reach its Text.
    template <class G, class S = std::nullptr_t>
    Def StringList(const QString &name, G get, S set = nullptr)
    {
        Def d = object(name, pkStringList, get, set);
        TkavPropInfo &p = last();
        p.FGetStr = [get](const TPersistent &obj) {
            const auto *list = ptr(call(get, obj));
            return list ? list->Text() : QString();
        };
        p.FSetStr = [get](TPersistent &obj, const QString &v) {
            if (auto *list = ptr(call(get, obj)))
                list->SetText(v);
        };
        return d;
    }
    // A wide-string list; like StringList but never written as an attribute.
    template <class G, class S = std::nullptr_t>
    Def WideStrings(const QString &name, G get, S set = nullptr)
    {
        Def d = StringList(name, get, set);
        last().FKind = pkWideStrings;
        return d;
    }
    // A native callback: listed for the bridge and the inspector, never persisted.
    Def Method(const QString &name, const QString &typeName)
    {
        TkavPropInfo &p = entry(name, pkMethod, typeName);
        p.FStoredRule = srNever;
        return Def(p);
    }
    // An inherited property in its place, to change its default or stored rule.
    Def Redeclare(QStringView name)
    {
        FLast = &redeclare(name);
        return Def(*FLast);
    }

private:
    template <class G>
    using value_t = std::remove_cvref_t<std::invoke_result_t<G, const T &>>;

    // Calls a getter on obj; getters of sub-objects may be non-const members.
    template <class G>
    static decltype(auto) call(G get, const TPersistent &obj)
    {
        if constexpr (std::is_invocable_v<G, const T &>)
            return std::invoke(get, static_cast<const T &>(obj));
        else
            return std::invoke(get, const_cast<T &>(static_cast<const T &>(obj)));
    }
    template <class V>
    static auto *ptr(V &&v)
    {
        if constexpr (std::is_pointer_v<std::remove_cvref_t<V>>)
            return const_cast<std::remove_const_t<std::remove_pointer_t<std::remove_cvref_t<V>>> *>(
                v);
        else
            return const_cast<std::remove_cvref_t<V> *>(&v);
    }

    TkavPropInfo &last() { return *FLast; }
    TkavPropInfo &entry(const QString &name, TkavPropKind kind, const QString &typeName)
    {
        FLast = &add(name, kind, typeName);
        return *FLast;
    }

    template <class G, class S>
    Def ordinal(const QString &name,
                TkavPropKind kind,
                const QString &typeName,
                G get,
                S set,
                qint64 minValue,
                qint64 maxValue)
    {
        using V = value_t<G>;
        // A narrower C++ type narrows the range, so a setter never truncates silently.
        if constexpr (std::is_integral_v<V> && !std::is_same_v<V, bool> && sizeof(V) < 8) {
            minValue = std::max<qint64>(minValue, qint64(std::numeric_limits<V>::min()));
            maxValue = std::is_same_v<V, quint32>
                           ? qint64(std::numeric_limits<quint32>::max())
                           : std::min<qint64>(maxValue, qint64(std::numeric_limits<V>::max()));
        }
        TkavPropInfo &p = entry(name, kind, typeName);
        p.FMin = minValue;
        p.FMax = maxValue;
        p.FGetOrd = [get](const TPersistent &obj) { return Def::toOrdinal(V(call(get, obj))); };
        if constexpr (!std::is_null_pointer_v<S>) {
            p.FWritable = true;
            p.FSetOrd = [set](TPersistent &obj, qint64 v) {
                std::invoke(set, static_cast<T &>(obj), Def::template fromOrdinal<V>(v));
            };
        }
        return Def(p);
    }

    template <class G, class S>
    Def text(const QString &name, TkavPropKind kind, const QString &typeName, G get, S set)
    {
        TkavPropInfo &p = entry(name, kind, typeName);
        p.FGetStr = [get](const TPersistent &obj) { return QString(call(get, obj)); };
        if constexpr (!std::is_null_pointer_v<S>) {
            p.FWritable = true;
            p.FSetStr = [set](TPersistent &obj, const QString &v) {
                std::invoke(set, static_cast<T &>(obj), v);
            };
        }
        return Def(p);
    }

    template <class G, class S>
    Def object(const QString &name, TkavPropKind kind, G get, S set)
    {
        using C = std::remove_pointer_t<
            std::remove_cvref_t<decltype(ptr(call(get, std::declval<const TPersistent &>())))>>;
        TkavPropInfo &p = entry(name, kind, QString());
        p.FObjectClass = &C::StaticClassInfo;
        p.FGetObj = [get](const TPersistent &obj) -> TPersistent * { return ptr(call(get, obj)); };
        if constexpr (!std::is_null_pointer_v<S>) {
            p.FWritable = true;
            p.FSetObj = [set](TPersistent &obj, TPersistent *v) {
                C *value = dynamic_cast<C *>(v);
                if constexpr (std::is_invocable_v<S, T &, const C &>) {
                    if (value)
                        std::invoke(set, static_cast<T &>(obj), *value);
                } else {
                    std::invoke(set, static_cast<T &>(obj), value);
                }
            };
        }
        return Def(p);
    }

    TkavPropInfo *FLast = nullptr;
};

// The default factory: T's default constructor when T is concrete, none otherwise.
template <class T>
TkavFactory kavDefaultFactory()
{
    if constexpr (!std::is_abstract_v<T> && std::is_default_constructible_v<T>)
        return [](TPersistent *) -> std::unique_ptr<TPersistent> { return std::make_unique<T>(); };
    else
        return nullptr;
}

// The class info of T (ancestor Base) whose table define fills; see the example at the top.
template <class T, class Base, class D>
TkavClassInfo
kavMakeClassInfo(QString className, D define, TkavFactory factory = kavDefaultFactory<T>())
{
    static_assert(std::is_base_of_v<Base, T> && std::is_base_of_v<TPersistent, T>);
    return TkavClassInfo(std::move(className),
                         &Base::StaticClassInfo(),
                         std::move(factory),
                         [define](TkavClassInfo &info) {
                             TkavPropBuilder<T> builder(info);
                             define(builder);
                         });
}

// ---------------------------------------------------------------------------------------
// Access by name and by text

// The property named name (ignoring case) of obj's class, or nullptr.
const TkavPropInfo *kavFindProp(const TPersistent &obj, QStringView name);
// The same; EPropertyError "Property %1 does not exist in %2" when missing.
const TkavPropInfo &kavGetPropInfo(const TPersistent &obj, QStringView name);

// Where a dotted path ("Font.Name") ends: the object holding the last property and the
// property. Each segment but the last must be an object-kind property with an object.
struct TkavPropTarget
{
    TPersistent *Object = nullptr;
    const TkavPropInfo *Prop = nullptr;
    explicit operator bool() const { return Prop != nullptr; }
};
// Both members are null when a segment is missing, not an object, or holds none.
TkavPropTarget kavFindPropPath(TPersistent &obj, QStringView path);

// The identifier of an enumeration property's value ("haCenter", "True"); the decimal
// ordinal when the value has no name.
QString kavGetEnumProp(const TPersistent &obj, const TkavPropInfo &prop);
// Sets an enumeration property from an identifier (ignoring case) or a decimal ordinal;
// EPropertyError for anything outside the enumeration.
void kavSetEnumProp(TPersistent &obj, const TkavPropInfo &prop, QStringView value);

// The property as text, as files store it: integers, characters (their code) and sets
// (their mask) in decimal, enumerations as identifiers, floats by kavFloatToFileText,
// strings, events and string lists as their text, variants as their string form. Object
// and component kinds have no text: EPropertyError.
QString kavGetPropText(const TPersistent &obj, const TkavPropInfo &prop);
// The reverse: integers, characters and sets from decimal; enumerations from a number or
// an identifier; floats by kavFileTextToFloat (either decimal separator); variants become
// strings. Conversion failures throw EConvertError, out-of-range values EPropertyError.
void kavSetPropText(TPersistent &obj, const TkavPropInfo &prop, const QString &text);

// The property as a Variant, as scripts see it: integers, enumerations and sets as
// Integer (Boolean as Boolean), Int64, characters as one-character strings, floats as
// Double (Date for TDateTime), strings, variants as they are, objects as references.
// pkMethod gives Null.
Variant kavGetPropValue(const TPersistent &obj, const TkavPropInfo &prop);
// The reverse, converting value to the property's kind (enumerations accept identifiers,
// characters take the first character of the string form, objects take references or nil).
void kavSetPropValue(TPersistent &obj, const TkavPropInfo &prop, const Variant &value);

// By-name shortcuts (EPropertyError for unknown names).
Variant kavGetPropValue(const TPersistent &obj, QStringView name);
void kavSetPropValue(TPersistent &obj, QStringView name, const Variant &value);
QString kavGetPropText(const TPersistent &obj, QStringView name);
void kavSetPropText(TPersistent &obj, QStringView name, const QString &text);

// ---------------------------------------------------------------------------------------
// The class registry. Start-up functions fill it in a fixed order; afterwards it is only
// read (no lock).

// Makes info creatable by its name (ignoring case). Registering the same info again does
// nothing; another class of the same name: EListError.
void kavRegisterClass(const TkavClassInfo &info);
// Removes a registration (tests, plug-ins being unloaded).
void kavUnregisterClass(const TkavClassInfo &info);
// The registered class of that name (ignoring case), or nullptr.
const TkavClassInfo *kavFindClass(QStringView className);
// The same; EClassNotFound "Class %1 not found" when missing.
const TkavClassInfo &kavGetClass(QStringView className);
// Registered classes in registration order.
QList<const TkavClassInfo *> kavRegisteredClasses();
// Registered classes that inherit from ancestor (itself included), in registration order.
QList<const TkavClassInfo *> kavRegisteredDescendants(const TkavClassInfo &ancestor);
// Whether the registered class className inherits from ancestorName (both ignoring case);
// false when className is not registered.
bool kavClassInheritsFrom(QStringView className, QStringView ancestorName);

// EClassNotFound "Class %1 is not a %2".
[[noreturn]] void kavRaiseClassMismatch(const TkavClassInfo &cls, const TkavClassInfo &expected);
// A new object of a registered class; EClassNotFound for unknown or abstract classes.
std::unique_ptr<TPersistent> kavCreateObject(QStringView className, TPersistent *owner = nullptr);
// The same, requiring the class to inherit from T (EClassNotFound otherwise).
template <class T>
std::unique_ptr<T> kavCreateObjectAs(QStringView className, TPersistent *owner = nullptr)
{
    const TkavClassInfo &cls = kavGetClass(className);
    if (!cls.InheritsFrom(T::StaticClassInfo()))
        kavRaiseClassMismatch(cls, T::StaticClassInfo());
    std::unique_ptr<TPersistent> obj = cls.Create(owner);
    return std::unique_ptr<T>(static_cast<T *>(obj.release()));
}
// Registers the classes of this library (TFont) in order.
void kavRegisterRTLClasses();
