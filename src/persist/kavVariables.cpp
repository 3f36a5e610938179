#include "kavVariables.h"

#include "kavXML.h"

#include <rtl/kavCaseFold.h>
#include <rtl/kavExceptions.h>
#include <rtl/kavFormat.h>
#include <rtl/kavFormatSettings.h>
#include <rtl/kavMath.h>
#include <rtl/kavRTTI.h>
#include <rtl/kavStreams.h>
#include <rtl/kavStrings.h>

#include <QRegularExpression>
#include <QStringBuilder>

using namespace Qt::StringLiterals;

namespace {

constexpr int maxCategoryNameLength = 255;

const QString rootName = u"variables"_s;
const QString itemName = u"item"_s;
const QString nameAttr = u"Name"_s;
const QString valueAttr = u"Value"_s;
const QString inheritedNameAttr = u"InheritedName"_s;

bool isCategoryName(const QString &name)
{
    return name.startsWith(u' ');
}

} // namespace

// ---------------------------------------------------------------------------------------
// Value texts

QString kavVariableValueText(const Variant &value)
{
    switch (value.Type()) {
    case varEmpty:
    case varNull:
        return QString();
    case varSingle:
        // A Single carries 7 significant digits; more would show binary noise.
        return FloatToStrF(value.AsDouble(), ffGeneral, 7, 0, TFormatSettings::Invariant());
    case varDouble:
        return kavFloatToFileText(value.AsDouble());
    case varCurrency:
        return CurrToStr(TkavCurrency{value.AsCurrencyUnits()}, TFormatSettings::Invariant());
    default:
        break;
    }
    if (value.IsArray() || value.IsObject())
        throw EkavError(u"A value of type %1 cannot be stored as text"_s.arg(
            VarTypeAsText(value.Type())));
    return VarToStr(value);
}

Variant kavVariableValueFromText(const QString &text)
{
    // Floats that older writers produced under a decimal-comma locale. A comma is no
    // operator of the expression languages, so such a text never meant anything else.
    static const QRegularExpression commaFloat(
        u"^[+-]?[0-9]+,[0-9]+([eE][+-]?[0-9]+)?$"_s);
    if (commaFloat.match(text).hasMatch()) {
        QString fixed = text;
        fixed.replace(u',', u'.');
        return Variant(fixed);
    }
    return Variant(text);
}

// ---------------------------------------------------------------------------------------
// TkavVariable

const TkavClassInfo &TkavVariable::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TkavVariable, TkavCollectionItem>(
        u"TkavVariable"_s, [](TkavPropBuilder<TkavVariable> &p) {
            p.String(u"Name"_s, &TkavVariable::Name, &TkavVariable::SetName);
            p.VariantProp(u"Value"_s, &TkavVariable::Value, &TkavVariable::SetValue);
        });
    return info;
}

QString TkavVariable::GetInheritedName() const
{
    return FName.isEmpty() ? FInheritedName : FName;
}

void TkavVariable::Assign(const TPersistent &source)
{
    const auto *other = dynamic_cast<const TkavVariable *>(&source);
    if (!other) {
        TkavCollectionItem::Assign(source);
        return;
    }
    FName = other->FName;
    FValue = other->FValue;
    FIsInherited = other->FIsInherited;
}

// ---------------------------------------------------------------------------------------
// TkavVariables

const TkavClassInfo &TkavVariables::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TkavVariables, TkavCollection>(
        u"TkavVariables"_s, [](TkavPropBuilder<TkavVariables> &) {});
    return info;
}

TkavVariables::TkavVariables()
    : TkavCollection(TkavVariable::StaticClassInfo())
{}

TkavVariable *TkavVariables::Items(int index) const
{
    return static_cast<TkavVariable *>(TkavCollection::Items(index));
}

TkavVariable *TkavVariables::Add()
{
    return static_cast<TkavVariable *>(TkavCollection::Add());
}

TkavVariable *TkavVariables::Insert(int index)
{
    return static_cast<TkavVariable *>(TkavCollection::Insert(index));
}

int TkavVariables::IndexOf(const QString &name) const
{
    for (int i = 0; i < Count(); ++i) {
        if (kavSameText(Items(i)->Name(), name))
            return i;
    }
    return -1;
}

Variant TkavVariables::GetVariable(const QString &name) const
{
    const int i = IndexOf(name);
    return i < 0 ? Variant::Null() : Items(i)->Value();
}

void TkavVariables::SetVariable(const QString &name, const Variant &value)
{
    const int i = IndexOf(name);
    TkavVariable *v = i < 0 ? Add() : Items(i);
    if (i < 0)
        v->SetName(name);
    v->SetValue(value);
}

int TkavVariables::categoryIndex(const QString &name) const
{
    return IndexOf(u' ' + name);
}

int TkavVariables::categoryEnd(int catIndex) const
{
    // An item with an empty name ends listing, not the category: edits go past it.
    int i = catIndex + 1;
    while (i < Count() && !isCategoryName(Items(i)->Name()))
        ++i;
    return i;
}

void TkavVariables::AddVariable(const QString &category, const QString &name, const Variant &value)
{
    const int cat = categoryIndex(category);
    if (cat < 0)
        return;
    const int existing = IndexOf(name);
    if (existing >= 0) {
        Items(existing)->SetValue(value);
        return;
    }
    TkavVariable *v = Insert(categoryEnd(cat));
    v->SetName(name);
    v->SetValue(value);
}

void TkavVariables::DeleteVariable(const QString &name)
{
    const int i = IndexOf(name);
    if (i >= 0)
        Delete(i);
}

void TkavVariables::DeleteCategory(const QString &name)
{
    const int cat = categoryIndex(name);
    if (cat < 0)
        return;
    for (int i = categoryEnd(cat) - 1; i >= cat; --i)
        Delete(i);
}

void TkavVariables::GetCategoriesList(TStrings &list, bool clearList) const
{
    if (clearList)
        list.Clear();
    for (int i = 0; i < Count(); ++i) {
        const QString &name = Items(i)->Name();
        if (isCategoryName(name))
            list.Add(name.mid(1, maxCategoryNameLength));
    }
}

void TkavVariables::GetVariablesList(const QString &category, TStrings &list) const
{
    list.Clear();
    int i = 0;
    if (!category.isEmpty()) {
        const int cat = categoryIndex(category);
        if (cat < 0)
            return;
        i = cat + 1;
    }
    for (; i < Count(); ++i) {
        const QString &name = Items(i)->Name();
        if (name.isEmpty() || isCategoryName(name))
            break;
        list.Add(name);
    }
}

// --- files ---------------------------------------------------------------------------

void TkavVariables::SaveToXMLItem(TkavXMLItem &item) const
{
    // All texts first: a value without a text form stops the save before item changes.
    QStringList texts;
    texts.reserve(Count());
    for (int i = 0; i < Count(); ++i) {
        const TkavVariable *v = Items(i);
        QString text;
        if (!v->Name().isEmpty())
            text = u' ' % nameAttr % u"=\""_s % kavEncodeXMLText(v->Name()) % u'"';
        QString value;
        try {
            value = kavVariableValueText(v->Value());
        } catch (const EkavError &e) {
            throw EkavError(u"%1: %2"_s.arg(v->Name(), e.Message()));
        }
        text += u' ' % valueAttr % u"=\""_s % kavEncodeXMLText(value) % u'"';
        texts.append(text);
    }
    for (const QString &text : std::as_const(texts))
        item.Add(itemName)->SetText(text);
}

void TkavVariables::LoadFromXMLItem(const TkavXMLItem &item, bool oldXMLFormat)
{
    Q_UNUSED(oldXMLFormat); // the reader has already turned 8-bit attribute text into text
    TkavVariables loaded;
    for (int i = 0; i < item.Count(); ++i) {
        const TkavXMLItem *child = item.Items(i);
        if (!kavSameText(child->Name(), itemName))
            continue;
        TkavVariable *v = loaded.Add();
        if (child->PropExists(inheritedNameAttr))
            v->SetInheritedName(child->GetProp(inheritedNameAttr));
        if (child->PropExists(nameAttr))
            v->SetName(child->GetProp(nameAttr));
        if (child->PropExists(valueAttr))
            v->SetValue(kavVariableValueFromText(child->GetProp(valueAttr)));
    }
    SwapItems(loaded);
}

void TkavVariables::SaveToStream(TStream &stream) const
{
    TkavXMLDocument doc;
    doc.SetAutoIndent(true);
    doc.Root()->SetName(rootName);
    SaveToXMLItem(*doc.Root());
    doc.SaveToStream(stream);
}

void TkavVariables::LoadFromStream(TStream &stream)
{
    TkavXMLDocument doc;
    doc.LoadFromStream(stream);
    if (!kavSameText(doc.Root()->Name(), rootName))
        throw TkavInvalidXMLException(u"Invalid file format"_s);
    LoadFromXMLItem(*doc.Root(), doc.OldVersion());
}

void TkavVariables::SaveToFile(const QString &fileName) const
{
    TkavXMLDocument doc;
    doc.SetAutoIndent(true);
    doc.Root()->SetName(rootName);
    SaveToXMLItem(*doc.Root());
    doc.SaveToFile(fileName);
}

void TkavVariables::LoadFromFile(const QString &fileName)
{
    TFileStream stream(fileName, fmOpenRead);
    LoadFromStream(stream);
}

// ---------------------------------------------------------------------------------------
// TkavArray

const TkavClassInfo &TkavArray::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TkavArray, TkavCollection>(
        u"TkavArray"_s, [](TkavPropBuilder<TkavArray> &) {});
    return info;
}

TkavArray::TkavArray()
    : TkavCollection(TkavVariable::StaticClassInfo())
{}

TkavVariable *TkavArray::Items(int index) const
{
    return static_cast<TkavVariable *>(TkavCollection::Items(index));
}

int TkavArray::IndexOf(const Variant &name) const
{
    const QString key = VarToStr(name);
    for (int i = 0; i < Count(); ++i) {
        if (kavSameText(Items(i)->Name(), key))
            return i;
    }
    return -1;
}

Variant TkavArray::GetVariable(const Variant &index) const
{
    const int i = IndexOf(index);
    return i < 0 ? Variant::Null() : Items(i)->Value();
}

void TkavArray::SetVariable(const Variant &index, const Variant &value)
{
    const int i = IndexOf(index);
    TkavVariable *v = i >= 0 ? Items(i) : static_cast<TkavVariable *>(Add());
    if (i < 0)
        v->SetName(VarToStr(index));
    v->SetValue(value);
}

// ---------------------------------------------------------------------------------------

TkavVariables &kavGlobalVariables()
{
    // Scripts hold the list and its items by handle; the handle table is a function-local
    // static too, so it is created first here to be destroyed after the list at exit.
    [[maybe_unused]] static const bool handleTableFirst = TObject::FromHandle(~quint64(0))
                                                          == nullptr;
    static TkavVariables globals;
    return globals;
}

void kavRegisterVariableClasses()
{
    kavRegisterCollectionClasses();
    kavRegisterClass(TkavVariable::StaticClassInfo());
    kavRegisterClass(TkavVariables::StaticClassInfo());
    kavRegisterClass(TkavArray::StaticClassInfo());
}
