#include "kavDesgnPropEditors.h"

#include "kavDesgnStdEditors.h"

#include <persist/kavRes.h>
#include <rtl/kavCaseFold.h>
#include <rtl/kavRTTI.h>

#include <QPainter>
#include <QRect>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// Sub-objects nested deeper than this are not listed (a reference cycle cannot recurse).
constexpr int maxListDepth = 8;

} // namespace

TkavPropertyEditor::TkavPropertyEditor(DesignerDocument *Designer)
    : FDesigner(Designer)
{}

TkavPropertyEditor::~TkavPropertyEditor() = default;

bool TkavPropertyEditor::Edit()
{
    GetValues();
    if (FValues.isEmpty())
        return false;
    const qsizetype current = FValues.indexOf(GetValue());
    const qsizetype next = current < 0 || current + 1 >= FValues.size() ? 0 : current + 1;
    SetValue(FValues.at(next));
    return true;
}

TkavPropertyAttributes TkavPropertyEditor::GetAttributes() const
{
    return {paMultiSelect};
}

QString TkavPropertyEditor::GetName() const
{
    return FPropList.isEmpty() ? QString() : Prop().Name();
}

int TkavPropertyEditor::GetExtraLBSize() const
{
    return FItemHeight + 2;
}

QString TkavPropertyEditor::GetValue() const
{
    return u"(Unknown)"_s;
}

void TkavPropertyEditor::GetValues()
{
    FValues.clear();
}

void TkavPropertyEditor::SetValue(const QString &) {}

void TkavPropertyEditor::OnDrawItem(QPainter &Canvas, const QRect &ARect)
{
    Canvas.drawText(ARect.adjusted(FItemHeight - 2, 0, 0, 0), Qt::AlignVCenter, GetValue());
    Canvas.setPen(QColor(0x80, 0x80, 0x80));
}

void TkavPropertyEditor::OnDrawLBItem(QPainter &Canvas, int Index, const QRect &ARect)
{
    Canvas.fillRect(ARect, Canvas.background());
    Canvas.drawText(ARect.adjusted(FItemHeight + 4, 1, 0, 0), Qt::AlignVCenter,
                    FValues.value(Index));
    Canvas.setPen(QColor(0x80, 0x80, 0x80));
}

void TkavPropertyEditor::Add(TPersistent *Obj, const TkavPropInfo *Prop)
{
    FCompList.append(Obj);
    FPropList.append(Prop);
}

qint64 TkavPropertyEditor::ReadOrdinal() const
{
    return Prop().GetOrd(*Component());
}

double TkavPropertyEditor::ReadFloat() const
{
    return Prop().GetFloat(*Component());
}

QString TkavPropertyEditor::ReadText() const
{
    return Prop().GetStr(*Component());
}

TPersistent *TkavPropertyEditor::ReadObject() const
{
    return Prop().GetObject(*Component());
}

void TkavPropertyEditor::WriteOrdinal(qint64 Value)
{
    for (int i = 0; i < FCompList.size(); ++i)
        if (!FPropList[i]->IsReadOnly())
            FPropList[i]->SetOrd(*FCompList[i], Value);
}

void TkavPropertyEditor::WriteFloat(double Value)
{
    for (int i = 0; i < FCompList.size(); ++i)
        if (!FPropList[i]->IsReadOnly())
            FPropList[i]->SetFloat(*FCompList[i], Value);
}

void TkavPropertyEditor::WriteText(const QString &Value)
{
    for (int i = 0; i < FCompList.size(); ++i)
        if (!FPropList[i]->IsReadOnly())
            FPropList[i]->SetStr(*FCompList[i], Value);
}

void TkavPropertyEditor::WriteObject(TPersistent *Value)
{
    for (int i = 0; i < FCompList.size(); ++i)
        if (!FPropList[i]->IsReadOnly())
            FPropList[i]->SetObject(*FCompList[i], Value);
}

void TkavPropertyEditor::InvalidValue() const
{
    throw EkavError(kavResourceTable().Get(u"prInvProp"_s));
}

// ---------------------------------------------------------------------------------------
// The registry

TkavPropertyEditorCollection &kavPropertyEditorRegistry()
{
    static TkavPropertyEditorCollection registry;
    return registry;
}

void TkavPropertyEditorCollection::add(TkavPropertyEditorItem item)
{
    FItems.push_back(std::move(item));
}

void TkavPropertyEditorCollection::Hide(const QString &ComponentClass, const QString &PropertyName)
{
    add({QString(), ComponentClass, PropertyName, nullptr, typeid(void)});
}

void TkavPropertyEditorCollection::unregister(std::type_index type)
{
    for (int i = int(FItems.size()) - 1; i >= 0; --i) {
        if (FItems[size_t(i)].EditorType != type)
            continue;
        FItems.erase(FItems.begin() + i);
        if (FEventEditorItem == i)
            FEventEditorItem = -1;
        else if (FEventEditorItem > i)
            --FEventEditorItem;
    }
}

int TkavPropertyEditorCollection::GetPropertyEditor(const QString &PropertyType,
                                                    const TPersistent &Component,
                                                    const QString &PropertyName) const
{
    if (PropertyType.startsWith(u"tkav"_s, Qt::CaseInsensitive)
        && PropertyType.endsWith(u"event"_s, Qt::CaseInsensitive))
        return FEventEditorItem;
    int answer = -1;
    for (int i = int(FItems.size()) - 1; i >= 0; --i) {
        const TkavPropertyEditorItem &item = FItems[size_t(i)];
        if (item.ComponentClass.isEmpty()) {
            if (item.PropertyType.isEmpty() || !kavSameText(item.PropertyType, PropertyType))
                continue;
            if (item.PropertyName.isEmpty())
                answer = i; // type-only: the earliest one wins
            else if (kavSameText(item.PropertyName, PropertyName))
                return i;
        } else if (Component.InheritsFrom(item.ComponentClass)
                   && kavSameText(item.PropertyName, PropertyName)) {
            return i;
        }
    }
    return answer;
}

void kavHideProperties(const QString &ClassName, const QString &Names)
{
    for (const QString &name : Names.split(u';', Qt::SkipEmptyParts))
        kavPropertyEditorRegistry().Hide(ClassName, name.trimmed());
}

namespace {

std::unique_ptr<TkavPropertyEditor> defaultEditor(const TkavPropInfo &prop, DesignerDocument *d)
{
    switch (prop.Kind()) {
    case pkInteger:
        return std::make_unique<TkavIntegerProperty>(d);
    case pkChar:
    case pkWChar:
        return std::make_unique<TkavCharProperty>(d);
    case pkEnumeration:
        return std::make_unique<TkavEnumProperty>(d);
    case pkFloat:
        return std::make_unique<TkavFloatProperty>(d);
    case pkString:
    case pkEvent:
        return std::make_unique<TkavStringProperty>(d);
    case pkSet:
        return std::make_unique<TkavSetProperty>(d);
    case pkComponent:
        return std::make_unique<TkavComponentProperty>(d);
    case pkObject:
    case pkStringList:
    case pkWideStrings:
        return std::make_unique<TkavClassProperty>(d);
    default:
        return nullptr; // variants, 64-bit integers: no editor
    }
}

} // namespace

std::unique_ptr<TkavPropertyEditor> kavCreatePropertyEditor(TPersistent &Obj, const TkavPropInfo &Prop,
                                                            DesignerDocument *Designer)
{
    const TkavPropertyEditorCollection &registry = kavPropertyEditorRegistry();
    const int index = registry.GetPropertyEditor(Prop.TypeName(), Obj, Prop.Name());
    std::unique_ptr<TkavPropertyEditor> editor;
    if (index >= 0) {
        const TkavPropertyEditorItem &item = registry.Items(index);
        if (!item.EditorClass)
            return nullptr; // hidden
        editor = item.EditorClass(Designer);
    } else {
        editor = defaultEditor(Prop, Designer);
    }
    if (editor)
        editor->Add(&Obj, &Prop);
    return editor;
}

// ---------------------------------------------------------------------------------------
// Property lists

TkavPropertyItem::TkavPropertyItem(std::unique_ptr<TkavPropertyEditor> editor)
    : FEditor(std::move(editor))
{}

TkavPropertyItem::~TkavPropertyItem() = default;

void TkavPropertyItem::SetSubProperty(std::unique_ptr<TkavPropertyList> Value)
{
    FSubProperty = std::move(Value);
}

TkavPropertyList::TkavPropertyList(DesignerDocument *Designer, TkavPropertyList *Parent)
    : FDesigner(Designer)
    , FParent(Parent)
    , FDepth(Parent ? Parent->FDepth + 1 : 0)
{}

TkavPropertyList::~TkavPropertyList() = default;

TkavPropertyItem &TkavPropertyList::Add(std::unique_ptr<TkavPropertyEditor> Editor)
{
    FItems.push_back(std::make_unique<TkavPropertyItem>(std::move(Editor)));
    return *FItems.back();
}

TkavPropertyItem *TkavPropertyList::Find(const QString &Name) const
{
    for (const auto &item : FItems)
        if (kavSameText(item->Editor()->GetName(), Name))
            return item.get();
    return nullptr;
}

void TkavPropertyList::Filter(const std::function<bool(const TkavPropertyItem &)> &keep)
{
    std::erase_if(FItems, [&keep](const std::unique_ptr<TkavPropertyItem> &item) {
        return !keep(*item);
    });
}

void TkavPropertyList::SetComponent(TPersistent *Value)
{
    FItems.clear();
    FComponent = Value;
    if (Value)
        build(FDepth);
}

void TkavPropertyList::build(int depth)
{
    QList<const TkavPropInfo *> props;
    for (const TkavPropInfo *prop : FComponent->ClassInfo().Props())
        if (prop->Kind() != pkMethod)
            props.append(prop);
    std::stable_sort(props.begin(), props.end(), [](const TkavPropInfo *a, const TkavPropInfo *b) {
        return kavUpperCase(a->Name()) < kavUpperCase(b->Name());
    });
    for (const TkavPropInfo *prop : props) {
        std::unique_ptr<TkavPropertyEditor> editor = kavCreatePropertyEditor(*FComponent, *prop,
                                                                             FDesigner);
        if (!editor)
            continue;
        TkavPropertyItem &item = Add(std::move(editor));
        if (prop->Kind() == pkSet) {
            auto sub = std::make_unique<TkavPropertyList>(FDesigner, this);
            const TkavEnumInfo &elements = prop->SetInfo()->ElementType();
            for (int e = elements.MinValue(); e <= elements.MaxValue() && e < 32; ++e) {
                auto element = std::make_unique<TkavSetElementProperty>(FDesigner, e);
                element->Add(FComponent, prop);
                sub->Add(std::move(element));
            }
            item.SetSubProperty(std::move(sub));
        } else if (prop->Kind() == pkObject && depth < maxListDepth) {
            if (TPersistent *object = prop->GetObject(*FComponent)) {
                auto sub = std::make_unique<TkavPropertyList>(FDesigner, this);
                sub->SetComponent(object);
                if (sub->Count() > 0)
                    item.SetSubProperty(std::move(sub));
            }
        }
    }
}

namespace {

bool sameProperty(const TkavPropertyItem &a, const TkavPropertyItem &b)
{
    const TkavPropInfo &pa = a.Editor()->Prop();
    const TkavPropInfo &pb = b.Editor()->Prop();
    if (pa.Kind() != pb.Kind() || pa.TypeName() != pb.TypeName() || pa.Name() != pb.Name()
        || a.Editor()->GetName() != b.Editor()->GetName()) // set members share their property
        return false;
    const TkavPropertyList *sa = a.SubProperty();
    const TkavPropertyList *sb = b.SubProperty();
    return !sa || !sb || !sa->Component() || !sb->Component()
           || &sa->Component()->ClassInfo() == &sb->Component()->ClassInfo();
}

const TkavPropertyItem *counterpart(const TkavPropertyList &list, const TkavPropertyItem &item)
{
    for (int i = 0; i < list.Count(); ++i)
        if (sameProperty(list.Items(i), item))
            return &list.Items(i);
    return nullptr;
}

// Keeps in list the multi-select items that other has too.
void keepShared(TkavPropertyList &list, const TkavPropertyList &other)
{
    list.Filter([&other](const TkavPropertyItem &item) {
        return item.Editor()->GetAttributes().Contains(paMultiSelect) && counterpart(other, item);
    });
}

// Appends the objects of other's editors to the matching editors of list, recursively.
void merge(TkavPropertyList &list, const TkavPropertyList &other)
{
    for (int i = 0; i < list.Count(); ++i) {
        TkavPropertyItem &item = list.Items(i);
        const TkavPropertyItem *match = counterpart(other, item);
        if (!match)
            continue;
        TkavPropertyEditor *from = match->Editor();
        for (int k = 0; k < from->CompList().size(); ++k)
            item.Editor()->Add(from->CompList()[k], from->PropList()[k]);
        if (item.SubProperty() && match->SubProperty())
            merge(*item.SubProperty(), *match->SubProperty());
    }
}

} // namespace

std::unique_ptr<TkavPropertyList> kavCreatePropertyList(const QList<TPersistent *> &Objects,
                                                        DesignerDocument *Designer)
{
    if (Objects.isEmpty())
        return nullptr;
    std::vector<std::unique_ptr<TkavPropertyList>> lists;
    for (TPersistent *obj : Objects) {
        auto list = std::make_unique<TkavPropertyList>(Designer);
        list->SetComponent(obj);
        lists.push_back(std::move(list));
    }
    TkavPropertyList &first = *lists.front();
    for (size_t i = 1; i < lists.size(); ++i)
        keepShared(first, *lists[i]);
    for (size_t i = 1; i < lists.size(); ++i) {
        keepShared(*lists[i], first);
        merge(first, *lists[i]);
    }
    return std::move(lists.front());
}
