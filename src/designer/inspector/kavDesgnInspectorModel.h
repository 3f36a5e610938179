#pragma once

// PropertyGridModel: the object inspector without its window. It builds the property and
// event lists of the inspected objects, flattens them into rows (expanded sub-lists
// included), keeps the selected row across selections by name, and commits typed or picked
// values through the property editors, reporting bad values to the user.

#include <designer/editors/kavDesgnPropEditors.h>
#include <report/kavComponent.h>

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class DesignerDocument;

class PropertyGridModel
{
public:
    struct Row
    {
        TkavPropertyItem *Item = nullptr;
        TkavPropertyList *List = nullptr; // the list holding the item
        int Level = 0;                    // 0 at the top
    };

    explicit PropertyGridModel(DesignerDocument *Designer);
    ~PropertyGridModel();
    PropertyGridModel(const PropertyGridModel &) = delete;
    PropertyGridModel &operator=(const PropertyGridModel &) = delete;

    // Called after a value was changed through the inspector.
    std::function<void()> OnModify;

    // Inspects these objects: both lists rebuilt, the last selected row found again.
    void SetSelectedObjects(const QList<TkavComponent *> &Objects);
    QList<TkavComponent *> SelectedObjects() const;
    // Rebuilds for the current selection.
    void UpdateProperties();
    // True when an inspected object no longer exists (the document was rebuilt).
    bool Stale() const;

    // 0: properties, 1: events. Events cannot be chosen when EventsAllowed is off.
    int Tab() const { return FTab; }
    void SetTab(int Value);
    bool EventsAllowed() const { return FEventsAllowed; }
    void SetEventsAllowed(bool Value);
    TkavPropertyList *List() const { return FTab == 1 ? FEventList.get() : FPropertyList.get(); }

    int RowCount() const { return int(FRows.size()); }
    const Row &Rows(int Index) const { return FRows.at(Index); }
    TkavPropertyEditor *Editor(int Index) const;
    int FindRow(const QString &Name) const;
    QString RowName(int Index) const;
    QString RowValue(int Index) const;
    TkavPropertyAttributes RowAttributes(int Index) const;
    bool HasSubList(int Index) const;
    bool IsBooleanRow(int Index) const;

    int ItemIndex() const { return FItemIndex; }
    // Selects a row (clamped; below 0: none), committing the edit text to the row selected
    // before when it was modified.
    void SetItemIndex(int Index);
    const QString &LastPosition() const { return FLastPosition; }

    // The edit box of the selected row.
    const QString &EditText() const { return FEditText; }
    bool EditModified() const { return FEditModified; }
    void SetEditText(const QString &Text);
    // Escape: the typing undone.
    void RevertEdit();
    // Writes the edit text to the selected row; false (and the old value shown again) when
    // the editor refused it.
    bool Commit();
    // The selected row's dialog or next value; true when the value changed.
    bool EditRow();
    // A Boolean row's value flipped (its check box clicked).
    bool ToggleBoolean(int Index);
    void ToggleExpanded(int Index);
    // The values offered by a row's drop-down.
    QStringList Values(int Index);

    // The help panel: the row's name and its description.
    QString HelpName(int Index) const;
    QString HelpText(int Index) const;

    // Event properties: declared types "Tkav...Event".
    static bool IsEventType(const QString &TypeName);

private:
    void buildRows();
    void appendRows(TkavPropertyList *list, int level);
    void loadEditText();
    void modified();

    DesignerDocument *FDesigner;
    QList<TkavComponentRef<TkavComponent>> FSelectedObjects;
    int FInspected = 0; // how many objects were inspected (to notice destroyed ones)
    std::unique_ptr<TkavPropertyList> FPropertyList;
    std::unique_ptr<TkavPropertyList> FEventList;
    QList<Row> FRows;
    int FTab = 0;
    bool FEventsAllowed = true;
    int FItemIndex = -1;
    QString FLastPosition;
    QString FEditText;
    bool FEditModified = false;
};
