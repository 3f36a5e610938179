#pragma once

// Property editors: objects that turn one published property of one or several objects
// into text, a list of choices or a dialog and back; the registry that chooses them per
// type, class and property name; the property list the inspector shows for a selection
// (sub-lists for sets and sub-objects), with the merge of a multiple selection.

#include <rtl/kavSet.h>

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <typeindex>
#include <vector>

class DesignerDocument;
class TkavComponent;
class QPainter;
class QRect;
class TPersistent;
class TkavPropInfo;

// ORDER: the set's bit mask.
enum TkavPropertyAttribute : int {
    paValueList,     // a drop-down offers GetValues
    paSortList,      // the values are sorted alphabetically
    paDialog,        // an ellipsis button calls Edit
    paMultiSelect,   // kept when several objects are selected
    paSubProperties, // expandable
    paReadOnly,      // its text cannot be typed
    paOwnerDraw      // the value and the list items are drawn by the editor
};
using TkavPropertyAttributes = TkavSet<TkavPropertyAttribute>;

class TkavPropertyEditor
{
public:
    explicit TkavPropertyEditor(DesignerDocument *Designer);
    virtual ~TkavPropertyEditor();
    TkavPropertyEditor(const TkavPropertyEditor &) = delete;
    TkavPropertyEditor &operator=(const TkavPropertyEditor &) = delete;

    // The dialog or the next value of the list; true when the value changed.
    virtual bool Edit();
    virtual TkavPropertyAttributes GetAttributes() const;
    virtual QString GetName() const;
    // Extra width of owner-drawn list items.
    virtual int GetExtraLBSize() const;
    virtual QString GetValue() const;
    // Fills Values(): cleared first, sorted exactly with paSortList.
    virtual void GetValues();
    // Invalid text raises EkavError "prInvProp" (and conversion errors their own).
    virtual void SetValue(const QString &Value);
    // Draws the value / list item Index in rect.
    virtual void OnDrawItem(QPainter &Canvas, const QRect &ARect);
    virtual void OnDrawLBItem(QPainter &Canvas, int Index, const QRect &ARect);

    // The edited objects (the first is "the component") and their property entries.
    void Add(TPersistent *Obj, const TkavPropInfo *Prop);
    const QList<TPersistent *> &CompList() const { return FCompList; }
    const QList<const TkavPropInfo *> &PropList() const { return FPropList; }
    TPersistent *Component() const { return FCompList.value(0); }
    const TkavPropInfo &Prop() const { return *FPropList.value(0); }
    DesignerDocument *Designer() const { return FDesigner; }
    int ItemHeight() const { return FItemHeight; }
    void SetItemHeight(int Value) { FItemHeight = Value; }
    const QStringList &Values() const { return FValues; }

protected:
    // Reads from the first object; writes go to every object whose property has a setter.
    qint64 ReadOrdinal() const;
    double ReadFloat() const;
    QString ReadText() const;
    TPersistent *ReadObject() const;
    void WriteOrdinal(qint64 Value);
    void WriteFloat(double Value);
    void WriteText(const QString &Value);
    void WriteObject(TPersistent *Value);
    void AddValue(const QString &S) { FValues.append(S); }
    [[noreturn]] void InvalidValue() const;

private:
    DesignerDocument *FDesigner;
    QList<TPersistent *> FCompList;
    QList<const TkavPropInfo *> FPropList;
    int FItemHeight = 16;
    QStringList FValues;
};

using TkavPropertyEditorFactory = std::function<std::unique_ptr<TkavPropertyEditor>(DesignerDocument *)>;

// One registration. Empty type or class names mean "any"; a null factory hides the
// property.
struct TkavPropertyEditorItem
{
    QString PropertyType;
    QString ComponentClass;
    QString PropertyName;
    TkavPropertyEditorFactory EditorClass;
    std::type_index EditorType = typeid(void);
};

class TkavPropertyEditorCollection
{
public:
    template <class E>
    void Register(const QString &PropertyType, const QString &ComponentClass, const QString &PropertyName)
    {
        add({PropertyType, ComponentClass, PropertyName, factory<E>(), typeid(E)});
    }
    template <class E>
    void RegisterEventEditor()
    {
        Register<E>(QString(), QString(), QString());
        FEventEditorItem = int(FItems.size()) - 1;
    }
    // Hides PropertyName of ComponentClass and its descendants.
    void Hide(const QString &ComponentClass, const QString &PropertyName);
    template <class E>
    void UnRegister()
    {
        unregister(typeid(E));
    }
    // The item for a property of an object: event types ("Tkav...Event") give the event
    // editor; otherwise the last name-specific registration wins over type-only ones, of
    // which the earliest wins. -1: none.
    int GetPropertyEditor(const QString &PropertyType, const TPersistent &Component,
                          const QString &PropertyName) const;
    const TkavPropertyEditorItem &Items(int index) const { return FItems.at(size_t(index)); }
    int Count() const { return int(FItems.size()); }
    int EventEditorItem() const { return FEventEditorItem; }

private:
    template <class E>
    static TkavPropertyEditorFactory factory()
    {
        return [](DesignerDocument *d) -> std::unique_ptr<TkavPropertyEditor> {
            return std::make_unique<E>(d);
        };
    }
    void add(TkavPropertyEditorItem item);
    void unregister(std::type_index type);

    std::vector<TkavPropertyEditorItem> FItems;
    int FEventEditorItem = -1;
};

TkavPropertyEditorCollection &kavPropertyEditorRegistry();
// Names split at ";": those properties are not shown for objects of the class.
void kavHideProperties(const QString &ClassName, const QString &Names);

// The editor of one property of one object, as the registry and the property's kind
// decide; null when the property is hidden or has no editor.
std::unique_ptr<TkavPropertyEditor> kavCreatePropertyEditor(TPersistent &Obj, const TkavPropInfo &Prop,
                                                            DesignerDocument *Designer);

// ---------------------------------------------------------------------------------------

class TkavPropertyList;

class TkavPropertyItem
{
public:
    explicit TkavPropertyItem(std::unique_ptr<TkavPropertyEditor> editor);
    ~TkavPropertyItem();

    TkavPropertyEditor *Editor() const { return FEditor.get(); }
    bool Expanded() const { return FExpanded; }
    void SetExpanded(bool Value) { FExpanded = Value; }
    // Sets' elements and sub-objects' properties; null when there are none.
    TkavPropertyList *SubProperty() const { return FSubProperty.get(); }
    void SetSubProperty(std::unique_ptr<TkavPropertyList> Value);

private:
    std::unique_ptr<TkavPropertyEditor> FEditor;
    bool FExpanded = false;
    std::unique_ptr<TkavPropertyList> FSubProperty;
};

class TkavPropertyList
{
public:
    explicit TkavPropertyList(DesignerDocument *Designer, TkavPropertyList *Parent = nullptr);
    ~TkavPropertyList();
    TkavPropertyList(const TkavPropertyList &) = delete;
    TkavPropertyList &operator=(const TkavPropertyList &) = delete;

    TPersistent *Component() const { return FComponent; }
    // Rebuilds the list for Value's published properties (sorted by name ignoring case);
    // null empties it.
    void SetComponent(TPersistent *Value);
    int Count() const { return int(FItems.size()); }
    TkavPropertyItem &Items(int Index) const { return *FItems.at(size_t(Index)); }
    // The item of that property name (ignoring case), or null.
    TkavPropertyItem *Find(const QString &Name) const;
    TkavPropertyList *Parent() const { return FParent; }
    DesignerDocument *Designer() const { return FDesigner; }
    TkavPropertyItem &Add(std::unique_ptr<TkavPropertyEditor> Editor);
    // Keeps the items for which keep answers true (with their sub-lists).
    void Filter(const std::function<bool(const TkavPropertyItem &)> &keep);

private:
    void build(int depth);

    TPersistent *FComponent = nullptr;
    DesignerDocument *FDesigner;
    TkavPropertyList *FParent;
    std::vector<std::unique_ptr<TkavPropertyItem>> FItems;
    int FDepth = 0;
};

// The list for a selection: one object's list, or the properties all objects share
// (multi-select, same kind, type and name) with every object behind each editor. Null for
// no objects.
std::unique_ptr<TkavPropertyList> kavCreatePropertyList(const QList<TPersistent *> &Objects,
                                                        DesignerDocument *Designer);
