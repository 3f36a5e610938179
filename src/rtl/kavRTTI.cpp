#include "kavRTTI.h"

#include "kavCaseFold.h"
#include "kavFont.h"
#include "kavFormat.h"


using namespace Qt::StringLiterals;

namespace {

QString foldKey(QStringView s)
{
    return kavUpperCase(s);
}

[[noreturn]] void invalidValue(const TkavPropInfo &prop, const QString &value)
{
    throw EPropertyError(u"'%1' is not a valid value for property %2"_s.arg(value, prop.Name()));
}

// Decimal integer text as files store it: optional sign, digits, blanks around.
qint64 textToInt64(const QString &text)
{
    bool ok = false;
    const qint64 value = text.trimmed().toLongLong(&ok, 10);
    if (!ok)
        throw EConvertError(u"'%1' is not a valid integer value"_s.arg(text));
    return value;
}

struct ClassRegistry
{
    QHash<QString, const TkavClassInfo *> byName; // upper-cased name
    QList<const TkavClassInfo *> ordered;
};

ClassRegistry &classRegistry()
{
    static ClassRegistry registry;
    return registry;
}

} // namespace

// ---------------------------------------------------------------------------------------
// Set masks

QString kavSetMaskToText(quint32 mask)
{
    return QString::number(mask);
}

quint32 kavTextToSetMask(QStringView text)
{
    bool ok = false;
    const qint64 value = text.trimmed().toLongLong(&ok, 10);
    if (!ok || value < std::numeric_limits<qint32>::min()
        || value > std::numeric_limits<quint32>::max())
        throw EConvertError(u"'%1' is not a valid integer value"_s.arg(text));
    return quint32(value);
}

// ---------------------------------------------------------------------------------------
// Enumerations and sets

TkavEnumInfo::TkavEnumInfo(QString typeName, QStringList names, int minValue)
    : FTypeName(std::move(typeName))
    , FNames(std::move(names))
    , FMinValue(minValue)
{
    for (int i = 0; i < FNames.size(); ++i)
        FIndex.insert(foldKey(FNames.at(i)), minValue + i);
}

QString TkavEnumInfo::NameOf(qint64 ordinal) const
{
    return Contains(ordinal) ? FNames.at(qsizetype(ordinal - FMinValue)) : QString();
}

std::optional<int> TkavEnumInfo::ValueOf(QStringView name) const
{
    const auto it = FIndex.constFind(foldKey(name));
    if (it == FIndex.constEnd())
        return std::nullopt;
    return *it;
}

bool TkavEnumInfo::IsBoolean() const
{
    return this == &kavBooleanInfo();
}

const TkavEnumInfo &kavBooleanInfo()
{
    static const TkavEnumInfo info(u"Boolean"_s, {u"False"_s, u"True"_s});
    return info;
}

TkavSetInfo::TkavSetInfo(QString typeName, const TkavEnumInfo &elementType)
    : FTypeName(std::move(typeName))
    , FElementType(elementType)
{}

quint32 TkavSetInfo::ValidMask() const
{
    quint32 mask = 0;
    for (int i = std::max(0, FElementType.MinValue()); i <= std::min(31, FElementType.MaxValue());
         ++i)
        mask |= quint32(1) << i;
    return mask;
}

QString TkavSetInfo::MaskToNames(quint32 mask) const
{
    QStringList names;
    for (int i = 0; i < 32; ++i) {
        if (mask & (quint32(1) << i))
            names << (FElementType.Contains(i) ? FElementType.NameOf(i) : QString::number(i));
    }
    return u'[' + names.join(u',') + u']';
}

// ---------------------------------------------------------------------------------------
// One property

bool TkavPropInfo::IsOrdinal() const
{
    switch (FKind) {
    case pkInteger:
    case pkInt64:
    case pkChar:
    case pkWChar:
    case pkEnumeration:
    case pkSet:
        return true;
    default:
        return false;
    }
}

void TkavPropInfo::checkInstance(const TPersistent &obj) const
{
    if (!obj.ClassInfo().InheritsFrom(*FDeclaringClass))
        throw EPropertyError(u"Property %1 of %2 does not apply to %3"_s.arg(
            FName, FDeclaringClass->ClassName(), obj.ClassName()));
}

void TkavPropInfo::checkOrdinal(qint64 value) const
{
    bool ok = false;
    if (FKind == pkSet)
        ok = value >= 0 && value <= 0xFFFFFFFFLL && (quint64(value) & ~quint64(FMax)) == 0;
    else
        ok = value >= FMin && value <= FMax;
    if (!ok)
        invalidValue(*this, QString::number(value));
}

void TkavPropInfo::wrongKind() const
{
    throw EPropertyError(u"Property %1 of %2 has the wrong kind for this access"_s.arg(
        FName, FDeclaringClass->ClassName()));
}

void TkavPropInfo::readOnly() const
{
    throw EPropertyError(u"Property %1 is read-only"_s.arg(FName));
}

bool TkavPropInfo::IsStored(const TPersistent &obj) const
{
    switch (FStoredRule) {
    case srAlways:
        return FKind != pkMethod;
    case srNever:
        return false;
    case srPredicate:
        checkInstance(obj);
        return FStored(obj);
    }
    return false;
}

qint64 TkavPropInfo::GetOrd(const TPersistent &obj) const
{
    if (!FGetOrd)
        wrongKind();
    checkInstance(obj);
    return FGetOrd(obj);
}

void TkavPropInfo::SetOrd(TPersistent &obj, qint64 value) const
{
    if (!IsOrdinal())
        wrongKind();
    if (!FWritable)
        readOnly();
    checkInstance(obj);
    checkOrdinal(value);
    FSetOrd(obj, value);
}

double TkavPropInfo::GetFloat(const TPersistent &obj) const
{
    if (!FGetFloat)
        wrongKind();
    checkInstance(obj);
    return FGetFloat(obj);
}

void TkavPropInfo::SetFloat(TPersistent &obj, double value) const
{
    if (FKind != pkFloat)
        wrongKind();
    if (!FWritable)
        readOnly();
    checkInstance(obj);
    FSetFloat(obj, value);
}

QString TkavPropInfo::GetStr(const TPersistent &obj) const
{
    if (!FGetStr)
        wrongKind();
    checkInstance(obj);
    return FGetStr(obj);
}

void TkavPropInfo::SetStr(TPersistent &obj, const QString &value) const
{
    if (!FSetStr) {
        if (FGetStr)
            readOnly();
        wrongKind();
    }
    checkInstance(obj);
    // A list's text is edited in place, so it is writable even without a list setter.
    FSetStr(obj, value);
}

Variant TkavPropInfo::GetVar(const TPersistent &obj) const
{
    if (!FGetVar)
        wrongKind();
    checkInstance(obj);
    return FGetVar(obj);
}

void TkavPropInfo::SetVar(TPersistent &obj, const Variant &value) const
{
    if (FKind != pkVariant)
        wrongKind();
    if (!FWritable)
        readOnly();
    checkInstance(obj);
    FSetVar(obj, value);
}

TPersistent *TkavPropInfo::GetObject(const TPersistent &obj) const
{
    if (!FGetObj)
        wrongKind();
    checkInstance(obj);
    return FGetObj(obj);
}

const QString &TkavPropInfo::TypeName() const
{
    return FTypeName.isEmpty() && FObjectClass ? FObjectClass().ClassName() : FTypeName;
}

const TkavClassInfo *TkavPropInfo::ObjectClass() const
{
    return FObjectClass ? &FObjectClass() : nullptr;
}

void TkavPropInfo::SetObject(TPersistent &obj, TPersistent *value) const
{
    if (!FObjectClass)
        wrongKind();
    if (!FWritable)
        readOnly();
    checkInstance(obj);
    if (value && !value->InheritsFrom(FObjectClass()))
        invalidValue(*this, value->ClassName());
    FSetObj(obj, value);
}

// ---------------------------------------------------------------------------------------
// Classes

TkavClassInfo::TkavClassInfo(QString className,
                             const TkavClassInfo *parent,
                             TkavFactory factory,
                             const Definer &define)
    : FClassName(std::move(className))
    , FParent(parent)
    , FFactory(std::move(factory))
{
    if (FParent) {
        FProps = FParent->FProps;
        FPropList = FParent->FPropList;
        FIndex = FParent->FIndex;
    }
    if (define)
        define(*this);
}

TkavClassInfo::~TkavClassInfo() = default;

bool TkavClassInfo::InheritsFrom(const TkavClassInfo &ancestor) const
{
    for (const TkavClassInfo *c = this; c; c = c->FParent) {
        if (c == &ancestor)
            return true;
    }
    return false;
}

bool TkavClassInfo::InheritsFrom(QStringView ancestorName) const
{
    for (const TkavClassInfo *c = this; c; c = c->FParent) {
        if (kavSameText(c->FClassName, ancestorName))
            return true;
    }
    return false;
}

std::unique_ptr<TPersistent> TkavClassInfo::Create(TPersistent *owner) const
{
    if (!FFactory)
        throw EClassNotFound(u"Cannot create an instance of abstract class %1"_s.arg(FClassName));
    std::unique_ptr<TPersistent> obj = FFactory(owner);
    // A class that forgot KAV_CLASSINFO would report its ancestor's name and properties.
    if (!obj || &obj->ClassInfo() != this)
        throw std::logic_error("factory does not create an object of its own class");
    return obj;
}

const TkavPropInfo *TkavClassInfo::FindProp(QStringView name) const
{
    const auto it = FIndex.constFind(foldKey(name));
    return it == FIndex.constEnd() ? nullptr : FPropList.at(*it);
}

TkavPropInfo &
TkavPropBuilderBase::add(const QString &name, TkavPropKind kind, const QString &typeName)
{
    auto prop = std::make_shared<TkavPropInfo>();
    prop->FName = name;
    prop->FKind = kind;
    prop->FTypeName = typeName;
    prop->FDeclaringClass = &FInfo;
    const QString key = foldKey(name);
    const auto it = FInfo.FIndex.constFind(key);
    if (it != FInfo.FIndex.constEnd()) {
        // Redeclared: the new entry takes the inherited position.
        const int index = *it;
        FInfo.FProps[size_t(index)] = prop;
        FInfo.FPropList[index] = prop.get();
    } else {
        FInfo.FIndex.insert(key, int(FInfo.FProps.size()));
        FInfo.FProps.push_back(prop);
        FInfo.FPropList.append(prop.get());
    }
    return *prop;
}

TkavPropInfo &TkavPropBuilderBase::redeclare(QStringView name)
{
    const auto it = FInfo.FIndex.constFind(foldKey(name));
    if (it == FInfo.FIndex.constEnd())
        throw std::logic_error("redeclaring a property no ancestor publishes");
    const int index = *it;
    // The accessors stay the ancestor's; predicates added now may assume this class.
    auto prop = std::make_shared<TkavPropInfo>(*FInfo.FProps[size_t(index)]);
    prop->FDeclaringClass = &FInfo;
    FInfo.FProps[size_t(index)] = prop;
    FInfo.FPropList[index] = prop.get();
    return *prop;
}

// ---------------------------------------------------------------------------------------
// Access by name and by text

const TkavPropInfo *kavFindProp(const TPersistent &obj, QStringView name)
{
    return obj.ClassInfo().FindProp(name);
}

const TkavPropInfo &kavGetPropInfo(const TPersistent &obj, QStringView name)
{
    if (const TkavPropInfo *prop = kavFindProp(obj, name))
        return *prop;
    throw EPropertyError(
        u"Property %1 does not exist in %2"_s.arg(name.toString(), obj.ClassName()));
}

TkavPropTarget kavFindPropPath(TPersistent &obj, QStringView path)
{
    TPersistent *target = &obj;
    while (true) {
        const qsizetype dot = path.indexOf(u'.');
        const TkavPropInfo *prop = target->ClassInfo().FindProp(dot < 0 ? path : path.left(dot));
        if (!prop)
            return {};
        if (dot < 0)
            return {target, prop};
        if (prop->Kind() != pkObject)
            return {};
        target = prop->GetObject(*target);
        if (!target)
            return {};
        path = path.mid(dot + 1);
    }
}

QString kavGetEnumProp(const TPersistent &obj, const TkavPropInfo &prop)
{
    if (prop.Kind() != pkEnumeration)
        throw EPropertyError(u"Property %1 is not an enumeration"_s.arg(prop.Name()));
    const qint64 ordinal = prop.GetOrd(obj);
    const QString name = prop.EnumInfo()->NameOf(ordinal);
    return name.isEmpty() ? QString::number(ordinal) : name;
}

void kavSetEnumProp(TPersistent &obj, const TkavPropInfo &prop, QStringView value)
{
    if (prop.Kind() != pkEnumeration)
        throw EPropertyError(u"Property %1 is not an enumeration"_s.arg(prop.Name()));
    bool isNumber = false;
    const qint64 number = value.trimmed().toLongLong(&isNumber, 10);
    if (isNumber) {
        prop.SetOrd(obj, number); // range-checked there
        return;
    }
    const std::optional<int> ordinal = prop.EnumInfo()->ValueOf(value.trimmed());
    if (!ordinal)
        invalidValue(prop, value.toString());
    prop.SetOrd(obj, *ordinal);
}

QString kavGetPropText(const TPersistent &obj, const TkavPropInfo &prop)
{
    switch (prop.Kind()) {
    case pkInteger:
    case pkInt64:
    case pkChar:
    case pkWChar:
        return QString::number(prop.GetOrd(obj));
    case pkSet:
        return kavSetMaskToText(quint32(prop.GetOrd(obj)));
    case pkEnumeration:
        return kavGetEnumProp(obj, prop);
    case pkFloat:
        return kavFloatToFileText(prop.GetFloat(obj));
    case pkString:
    case pkEvent:
    case pkStringList:
    case pkWideStrings:
        return prop.GetStr(obj);
    case pkVariant:
        return VarToStr(prop.GetVar(obj));
    case pkObject:
    case pkComponent:
    case pkMethod:
        break;
    }
    throw EPropertyError(u"Property %1 has no text form"_s.arg(prop.Name()));
}

void kavSetPropText(TPersistent &obj, const TkavPropInfo &prop, const QString &text)
{
    switch (prop.Kind()) {
    case pkInteger:
    case pkInt64:
    case pkChar:
    case pkWChar:
        prop.SetOrd(obj, textToInt64(text));
        return;
    case pkSet:
        prop.SetOrd(obj, qint64(kavTextToSetMask(text)));
        return;
    case pkEnumeration:
        kavSetEnumProp(obj, prop, text);
        return;
    case pkFloat:
        prop.SetFloat(obj, kavFileTextToFloat(text));
        return;
    case pkString:
    case pkEvent:
    case pkStringList:
    case pkWideStrings:
        prop.SetStr(obj, text);
        return;
    case pkVariant:
        prop.SetVar(obj, Variant(text));
        return;
    case pkObject:
    case pkComponent:
    case pkMethod:
        break;
    }
    throw EPropertyError(u"Property %1 has no text form"_s.arg(prop.Name()));
}

Variant kavGetPropValue(const TPersistent &obj, const TkavPropInfo &prop)
{
    switch (prop.Kind()) {
    case pkInteger:
        return Variant(qint32(prop.GetOrd(obj)));
    case pkSet:
        return Variant(qint32(quint32(prop.GetOrd(obj))));
    case pkEnumeration:
        if (prop.IsBoolean())
            return Variant(prop.GetOrd(obj) != 0);
        return Variant(qint32(prop.GetOrd(obj)));
    case pkInt64:
        return Variant(prop.GetOrd(obj));
    case pkChar:
    case pkWChar:
        return Variant(QString(QChar(char16_t(prop.GetOrd(obj)))));
    case pkFloat:
        if (kavSameText(prop.TypeName(), u"TDateTime") || kavSameText(prop.TypeName(), u"TDate")
            || kavSameText(prop.TypeName(), u"TTime"))
            return Variant::FromDate(prop.GetFloat(obj));
        return Variant(prop.GetFloat(obj));
    case pkString:
    case pkEvent:
        return Variant(prop.GetStr(obj));
    case pkVariant:
        return prop.GetVar(obj);
    case pkObject:
    case pkComponent:
    case pkStringList:
    case pkWideStrings:
        return Variant::FromObject(prop.GetObject(obj));
    case pkMethod:
        break;
    }
    return Variant::Null();
}

void kavSetPropValue(TPersistent &obj, const TkavPropInfo &prop, const Variant &value)
{
    switch (prop.Kind()) {
    case pkInteger:
    case pkInt64:
        prop.SetOrd(obj, value.AsInt64()); // range-checked there, never truncated
        return;
    case pkSet: {
        // A mask may arrive as a negative Integer when bit 31 is set.
        const qint64 mask = value.AsInt64();
        if (mask < std::numeric_limits<qint32>::min() || mask > std::numeric_limits<quint32>::max())
            invalidValue(prop, QString::number(mask));
        prop.SetOrd(obj, qint64(quint32(mask)));
        return;
    }
    case pkEnumeration:
        if (prop.IsBoolean())
            prop.SetOrd(obj, value.AsBoolean() ? 1 : 0);
        else if (value.IsString())
            kavSetEnumProp(obj, prop, value.AsString());
        else
            prop.SetOrd(obj, value.AsInteger());
        return;
    case pkChar:
    case pkWChar: {
        const QString s = VarToStr(value);
        prop.SetOrd(obj, s.isEmpty() ? 0 : s.at(0).unicode());
        return;
    }
    case pkFloat:
        prop.SetFloat(obj, value.AsDouble());
        return;
    case pkString:
    case pkEvent:
        prop.SetStr(obj, VarToStr(value));
        return;
    case pkVariant:
        prop.SetVar(obj, value);
        return;
    case pkObject:
    case pkComponent:
    case pkStringList:
    case pkWideStrings: {
        TObject *target
            = value.IsNil() || value.IsNull() || value.IsEmpty() ? nullptr : value.AsObject();
        TPersistent *persistent = dynamic_cast<TPersistent *>(target);
        if (target && !persistent)
            invalidValue(prop, target->ClassName());
        prop.SetObject(obj, persistent);
        return;
    }
    case pkMethod:
        break;
    }
    throw EPropertyError(u"Property %1 cannot be assigned"_s.arg(prop.Name()));
}

Variant kavGetPropValue(const TPersistent &obj, QStringView name)
{
    return kavGetPropValue(obj, kavGetPropInfo(obj, name));
}

void kavSetPropValue(TPersistent &obj, QStringView name, const Variant &value)
{
    kavSetPropValue(obj, kavGetPropInfo(obj, name), value);
}

QString kavGetPropText(const TPersistent &obj, QStringView name)
{
    return kavGetPropText(obj, kavGetPropInfo(obj, name));
}

void kavSetPropText(TPersistent &obj, QStringView name, const QString &text)
{
    kavSetPropText(obj, kavGetPropInfo(obj, name), text);
}

// ---------------------------------------------------------------------------------------
// The class registry

void kavRegisterClass(const TkavClassInfo &info)
{
    ClassRegistry &r = classRegistry();
    const QString key = foldKey(info.ClassName());
    if (const TkavClassInfo *existing = r.byName.value(key)) {
        if (existing == &info)
            return;
        throw EListError(u"A class named %1 is already registered"_s.arg(info.ClassName()));
    }
    r.byName.insert(key, &info);
    r.ordered.append(&info);
}

void kavUnregisterClass(const TkavClassInfo &info)
{
    ClassRegistry &r = classRegistry();
    const QString key = foldKey(info.ClassName());
    if (r.byName.value(key) == &info) {
        r.byName.remove(key);
        r.ordered.removeOne(&info);
    }
}

const TkavClassInfo *kavFindClass(QStringView className)
{
    return classRegistry().byName.value(foldKey(className));
}

const TkavClassInfo &kavGetClass(QStringView className)
{
    if (const TkavClassInfo *cls = kavFindClass(className))
        return *cls;
    throw EClassNotFound(u"Class %1 not found"_s.arg(className.toString()));
}

QList<const TkavClassInfo *> kavRegisteredClasses()
{
    return classRegistry().ordered;
}

QList<const TkavClassInfo *> kavRegisteredDescendants(const TkavClassInfo &ancestor)
{
    QList<const TkavClassInfo *> result;
    for (const TkavClassInfo *cls : std::as_const(classRegistry().ordered)) {
        if (cls->InheritsFrom(ancestor))
            result.append(cls);
    }
    return result;
}

bool kavClassInheritsFrom(QStringView className, QStringView ancestorName)
{
    const TkavClassInfo *cls = kavFindClass(className);
    return cls && cls->InheritsFrom(ancestorName);
}

std::unique_ptr<TPersistent> kavCreateObject(QStringView className, TPersistent *owner)
{
    return kavGetClass(className).Create(owner);
}

void kavRaiseClassMismatch(const TkavClassInfo &cls, const TkavClassInfo &expected)
{
    throw EClassNotFound(u"Class %1 is not a %2"_s.arg(cls.ClassName(), expected.ClassName()));
}

void kavRegisterRTLClasses()
{
    kavRegisterClass(TFont::StaticClassInfo());
}
