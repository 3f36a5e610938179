// PropertyGridModel: rows, selection and committing of the object inspector.

#include "kavDesgnInspectorModel.h"

#include <designer/editors/kavDesgnEditors.h>
#include <persist/kavRes.h>
#include <rtl/kavExceptions.h>
#include <rtl/kavRTTI.h>
#include <rtl/kavUIServices.h>

using namespace Qt::StringLiterals;

namespace {

const QString &typeNameOf(const TkavPropertyItem &item)
{
    static const QString none;
    const TkavPropertyEditor *editor = item.Editor();
    return editor && !editor->PropList().isEmpty() ? editor->Prop().TypeName() : none;
}

} // namespace

// A declared type beginning with "Tkav" whose first "Event" ends the name.
bool PropertyGridModel::IsEventType(const QString &TypeName)
{
    const qsizetype at = TypeName.indexOf(u"Event");
    return TypeName.startsWith(u"Tkav") && at >= 0 && at + 5 == TypeName.size();
}

PropertyGridModel::PropertyGridModel(DesignerDocument *Designer)
    : FDesigner(Designer)
{
}

PropertyGridModel::~PropertyGridModel() = default;

QList<TkavComponent *> PropertyGridModel::SelectedObjects() const
{
    QList<TkavComponent *> objects;
    for (const auto &ref : FSelectedObjects)
        if (TkavComponent *c = ref.get())
            objects.append(c);
    return objects;
}

bool PropertyGridModel::Stale() const
{
    return SelectedObjects().size() != FInspected;
}

void PropertyGridModel::SetSelectedObjects(const QList<TkavComponent *> &Objects)
{
    FRows.clear();
    FPropertyList.reset();
    FEventList.reset();
    FSelectedObjects.clear();
    for (TkavComponent *c : Objects)
        FSelectedObjects.append(c);
    FInspected = int(Objects.size());
    QList<TPersistent *> objects(Objects.cbegin(), Objects.cend());
    if (!objects.isEmpty()) {
        // The events are the same list filtered the other way: items own their editors.
        FPropertyList = kavCreatePropertyList(objects, FDesigner);
        FEventList = kavCreatePropertyList(objects, FDesigner);
    }
    if (FPropertyList)
        FPropertyList->Filter([](const TkavPropertyItem &i) { return !IsEventType(typeNameOf(i)); });
    if (FEventList)
        FEventList->Filter([](const TkavPropertyItem &i) { return IsEventType(typeNameOf(i)); });
    FItemIndex = -1;
    FEditModified = false;
    FEditText.clear();
    buildRows();
    if (FRows.isEmpty())
        return;
    // The earlier row comes back whenever a later selection has it again.
    const QString last = FLastPosition;
    const int row = FindRow(last);
    SetItemIndex(row >= 0 ? row : 0);
    FLastPosition = row >= 0 ? FLastPosition : last;
}

void PropertyGridModel::UpdateProperties()
{
    SetSelectedObjects(SelectedObjects());
}

void PropertyGridModel::SetTab(int Value)
{
    Value = FEventsAllowed && Value == 1 ? 1 : 0;
    if (Value == FTab)
        return;
    FTab = Value;
    FItemIndex = -1;
    FEditModified = false;
    buildRows();
}

void PropertyGridModel::SetEventsAllowed(bool Value)
{
    FEventsAllowed = Value;
    if (!Value)
        SetTab(0);
}

void PropertyGridModel::buildRows()
{
    FRows.clear();
    if (TkavPropertyList *list = List())
        appendRows(list, 0);
}

void PropertyGridModel::appendRows(TkavPropertyList *list, int level)
{
    for (int i = 0; i < list->Count(); ++i) {
        TkavPropertyItem &item = list->Items(i);
        FRows.append({&item, list, level});
        if (item.Expanded() && item.SubProperty())
            appendRows(item.SubProperty(), level + 1);
    }
}

TkavPropertyEditor *PropertyGridModel::Editor(int Index) const
{
    return Index >= 0 && Index < FRows.size() ? FRows[Index].Item->Editor() : nullptr;
}

int PropertyGridModel::FindRow(const QString &Name) const
{
    for (int i = 0; i < FRows.size(); ++i)
        if (RowName(i) == Name)
            return i;
    return -1;
}

QString PropertyGridModel::RowName(int Index) const
{
    const TkavPropertyEditor *e = Editor(Index);
    return e ? e->GetName() : QString();
}

QString PropertyGridModel::RowValue(int Index) const
{
    const TkavPropertyEditor *e = Editor(Index);
    if (!e)
        return QString();
    try {
        return e->GetValue();
    } catch (const Exception &) {
        return QString(); // a value that cannot be shown is shown empty, never fatal
    }
}

TkavPropertyAttributes PropertyGridModel::RowAttributes(int Index) const
{
    const TkavPropertyEditor *e = Editor(Index);
    return e ? e->GetAttributes() : TkavPropertyAttributes();
}

bool PropertyGridModel::HasSubList(int Index) const
{
    return Index >= 0 && Index < FRows.size() && FRows[Index].Item->SubProperty()
           && FRows[Index].Item->SubProperty()->Count() > 0;
}

bool PropertyGridModel::IsBooleanRow(int Index) const
{
    return dynamic_cast<TkavBooleanProperty *>(Editor(Index)) != nullptr;
}

void PropertyGridModel::SetItemIndex(int Index)
{
    if (Index >= FRows.size())
        Index = int(FRows.size()) - 1;
    if (Index < 0)
        Index = -1;
    if (FItemIndex >= 0 && FEditModified)
        Commit();
    if (Index >= FRows.size())
        Index = int(FRows.size()) - 1; // a commit may have rebuilt the rows
    FItemIndex = Index;
    if (Index >= 0)
        FLastPosition = RowName(Index);
    loadEditText();
}

void PropertyGridModel::loadEditText()
{
    FEditText = RowValue(FItemIndex);
    FEditModified = false;
}

void PropertyGridModel::SetEditText(const QString &Text)
{
    FEditText = Text;
    FEditModified = true;
}

void PropertyGridModel::RevertEdit()
{
    loadEditText();
}

void PropertyGridModel::modified()
{
    if (OnModify)
        OnModify();
}

bool PropertyGridModel::Commit()
{
    TkavPropertyEditor *e = Editor(FItemIndex);
    if (!e) {
        FEditModified = false;
        return false;
    }
    const QString text = FEditText;
    try {
        e->SetValue(text);
    } catch (const Exception &ex) {
        kavUIServices().ErrorBox(ex.Message());
        loadEditText();
        return false;
    }
    FEditModified = false;
    modified(); // may rebuild this model: nothing of the old rows is touched afterwards
    if (!Stale())
        loadEditText();
    return true;
}

bool PropertyGridModel::EditRow()
{
    TkavPropertyEditor *e = Editor(FItemIndex);
    if (!e)
        return false;
    bool changed = false;
    try {
        changed = e->Edit();
    } catch (const Exception &ex) {
        kavUIServices().ErrorBox(ex.Message());
        loadEditText();
        return false;
    }
    if (!changed)
        return false;
    modified();
    if (!Stale())
        loadEditText();
    return true;
}

bool PropertyGridModel::ToggleBoolean(int Index)
{
    if (!IsBooleanRow(Index))
        return false;
    const int selected = FItemIndex;
    FItemIndex = Index;
    const bool changed = EditRow();
    if (!Stale()) {
        FItemIndex = selected;
        loadEditText();
    }
    return changed;
}

void PropertyGridModel::ToggleExpanded(int Index)
{
    if (!HasSubList(Index))
        return;
    TkavPropertyItem *item = FRows[Index].Item;
    const TkavPropertyItem *selected = FItemIndex >= 0 ? FRows[FItemIndex].Item : nullptr;
    item->SetExpanded(!item->Expanded());
    buildRows();
    FItemIndex = -1;
    for (int i = 0; i < FRows.size(); ++i)
        if (FRows[i].Item == selected)
            FItemIndex = i;
    if (FItemIndex < 0) // the selected row was folded away: its parent takes over
        FItemIndex = Index;
    loadEditText();
}

QStringList PropertyGridModel::Values(int Index)
{
    TkavPropertyEditor *e = Editor(Index);
    if (!e)
        return {};
    try {
        e->GetValues();
    } catch (const Exception &ex) {
        kavUIServices().ErrorBox(ex.Message());
        return {};
    }
    return e->Values();
}

QString PropertyGridModel::HelpName(int Index) const
{
    return RowName(Index);
}

QString PropertyGridModel::HelpText(int Index) const
{
    if (Index < 0 || Index >= FRows.size() || !FRows[Index].List->Component())
        return QString();
    const QString name = RowName(Index);
    const QString withClass = u"prop"_s + name + u'.' + FRows[Index].List->Component()->ClassName();
    if (kavResourceTable().contains(withClass))
        return kavResourceTable().Get(withClass);
    // A property without a description shows none rather than its resource key.
    const QString key = u"prop"_s + name;
    return kavResourceTable().contains(key) ? kavResourceTable().Get(key) : QString();
}
