#pragma once

// Component editors: what a double click does to a report object (its editor dialog) and
// the check items it adds to the page's context menu, with the effect of each item. The
// items go to a menu sink that the designer's window shows; the registry finds the editor
// of an object's class.

#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <typeindex>
#include <vector>

class DesignerDocument;
class TkavComponent;

// One context-menu item: its caption (a resource text; "-" for a separator, tag -1), its
// tag and whether it is checked; a command (a dialog, an action) is not a switch.
struct TkavMenuItem
{
    QString Caption;
    int Tag = -1;
    bool Checked = false;
    bool Command = false;
};

// Where editors put their menu items.
class TkavMenuSink
{
public:
    virtual ~TkavMenuSink() = default;
    virtual void AddItem(const TkavMenuItem &Item) = 0;
};

// A sink that keeps the items in order.
class TkavMenuItems : public TkavMenuSink
{
public:
    void AddItem(const TkavMenuItem &Item) override { FItems.append(Item); }
    const QList<TkavMenuItem> &Items() const { return FItems; }

private:
    QList<TkavMenuItem> FItems;
};

class TkavComponentEditor
{
public:
    TkavComponentEditor(TkavComponent *Component, DesignerDocument *Designer, TkavMenuSink *Menu);
    virtual ~TkavComponentEditor();
    TkavComponentEditor(const TkavComponentEditor &) = delete;
    TkavComponentEditor &operator=(const TkavComponentEditor &) = delete;

    // The editor dialog; true when the object changed.
    virtual bool Edit() { return false; }
    virtual bool HasEditor() const { return false; }
    // Adds the context-menu items.
    virtual void GetMenuItems() {}
    // The item Tag was chosen with the new checked state; true when an object changed.
    virtual bool Execute(int Tag, bool Checked);

    TkavComponent *Component() const { return FComponent; }
    DesignerDocument *Designer() const { return FDesigner; }

protected:
    // Adds an item with the resource text of CaptionKey.
    void AddMenuItem(const QString &CaptionKey, int Tag, bool Checked);
    // Adds an item that runs a command rather than switching a state.
    void AddCommandItem(const QString &CaptionKey, int Tag);
    void AddSeparator();
    // The selected objects of type T without rfDontModify (the component alone when there
    // is no designer).
    template <class T>
    QList<T *> targets() const
    {
        QList<T *> result;
        for (TkavComponent *c : selection())
            if (auto *t = dynamic_cast<T *>(c); t && modifiable(c))
                result.append(t);
        return result;
    }
    QList<TkavComponent *> selection() const;
    static bool modifiable(const TkavComponent *c);

private:
    TkavComponent *FComponent;
    DesignerDocument *FDesigner;
    TkavMenuSink *FMenu;
};

using TkavComponentEditorFactory = std::function<std::unique_ptr<TkavComponentEditor>(
    TkavComponent *, DesignerDocument *, TkavMenuSink *)>;

struct TkavComponentEditorItem
{
    QString ComponentClass; // matched by name, so classes registered later still match
    TkavComponentEditorFactory ComponentEditor;
    std::type_index EditorType = typeid(void);
};

class TkavComponentEditorCollection
{
public:
    template <class E>
    void Register(const QString &ComponentClass)
    {
        FItems.push_back({ComponentClass,
                          [](TkavComponent *c, DesignerDocument *d, TkavMenuSink *m) {
                              return std::unique_ptr<TkavComponentEditor>(
                                  std::make_unique<E>(c, d, m));
                          },
                          typeid(E)});
    }
    template <class E>
    void UnRegister()
    {
        std::erase_if(FItems, [](const TkavComponentEditorItem &item) {
            return item.EditorType == typeid(E);
        });
    }
    // The editor of the object's exact class, else of the last registered ancestor; null
    // when none. The caller owns it.
    std::unique_ptr<TkavComponentEditor> GetComponentEditor(TkavComponent *Component,
                                                            DesignerDocument *Designer,
                                                            TkavMenuSink *Menu) const;
    int Count() const { return int(FItems.size()); }

private:
    std::vector<TkavComponentEditorItem> FItems;
};

TkavComponentEditorCollection &kavComponentEditorRegistry();

// ---------------------------------------------------------------------------------------
// The editors

// Shift, visibility and printability items (tags 51 to 54) and the hyperlink (tag 50).
class TkavViewEditor : public TkavComponentEditor
{
public:
    using TkavComponentEditor::TkavComponentEditor;
    void GetMenuItems() override;
    bool Execute(int Tag, bool Checked) override;
};

// Display format, clear, text flags and stretch modes, then the view items.
class TkavCustomMemoEditor : public TkavViewEditor
{
public:
    using TkavViewEditor::TkavViewEditor;
    void GetMenuItems() override;
    bool Execute(int Tag, bool Checked) override;
    bool HasEditor() const override { return true; }
};

// The memo editor dialog: its text replaces the memo's and unbinds the data field.
class TkavMemoEditor : public TkavCustomMemoEditor
{
public:
    using TkavCustomMemoEditor::TkavCustomMemoEditor;
    bool Edit() override;
};

class TkavSysMemoEditor : public TkavCustomMemoEditor
{
public:
    using TkavCustomMemoEditor::TkavCustomMemoEditor;
    bool Edit() override;
};

class TkavLineEditor : public TkavViewEditor
{
public:
    using TkavViewEditor::TkavViewEditor;
    void GetMenuItems() override;
    bool Execute(int Tag, bool Checked) override;
};

class TkavPictureEditor : public TkavViewEditor
{
public:
    using TkavViewEditor::TkavViewEditor;
    void GetMenuItems() override;
    bool Execute(int Tag, bool Checked) override;
    bool HasEditor() const override { return true; }
    bool Edit() override;
};

class TkavPageEditor : public TkavComponentEditor
{
public:
    using TkavComponentEditor::TkavComponentEditor;
    bool HasEditor() const override { return true; }
    bool Edit() override;
};

// The band flags (tags 10 to 14) of the first selected band only, offered while at most
// one object is selected.
class TkavBandEditor : public TkavComponentEditor
{
public:
    using TkavComponentEditor::TkavComponentEditor;
    void GetMenuItems() override;
    bool Execute(int Tag, bool Checked) override;

protected:
    // At most one object selected.
    bool offersItems() const;
    // The band, when it may be changed.
    template <class T>
    T *band() const
    {
        auto *b = dynamic_cast<T *>(Component());
        return b && modifiable(Component()) ? b : nullptr;
    }
};

#define KAV_BAND_EDITOR(Name)                                                                   \
    class Name : public TkavBandEditor                                                          \
    {                                                                                           \
    public:                                                                                     \
        using TkavBandEditor::TkavBandEditor;                                                   \
        void GetMenuItems() override;                                                           \
        bool Execute(int Tag, bool Checked) override;                                           \
    };
KAV_BAND_EDITOR(TkavHeaderEditor)
KAV_BAND_EDITOR(TkavPageHeaderEditor)
KAV_BAND_EDITOR(TkavColumnHeaderEditor)
#undef KAV_BAND_EDITOR

class TkavDataBandEditor : public TkavBandEditor
{
public:
    using TkavBandEditor::TkavBandEditor;
    void GetMenuItems() override;
    bool Execute(int Tag, bool Checked) override;
    bool HasEditor() const override { return true; }
    bool Edit() override;
};

class TkavGroupHeaderEditor : public TkavBandEditor
{
public:
    using TkavBandEditor::TkavBandEditor;
    void GetMenuItems() override;
    bool Execute(int Tag, bool Checked) override;
    bool HasEditor() const override { return true; }
    bool Edit() override;
};

// No items, no changes.
class TkavColumnFooterEditor : public TkavBandEditor
{
public:
    using TkavBandEditor::TkavBandEditor;
    void GetMenuItems() override {}
    bool Execute(int, bool) override { return false; }
};

class TkavOverlayEditor : public TkavColumnFooterEditor
{
public:
    using TkavColumnFooterEditor::TkavColumnFooterEditor;
};

class TkavPageFooterEditor : public TkavComponentEditor
{
public:
    using TkavComponentEditor::TkavComponentEditor;
    void GetMenuItems() override;
    bool Execute(int Tag, bool Checked) override;
};

class TkavSubreportEditor : public TkavComponentEditor
{
public:
    using TkavComponentEditor::TkavComponentEditor;
    void GetMenuItems() override;
    bool Execute(int Tag, bool Checked) override;
    bool HasEditor() const override { return true; }
    // Shows the subreport's page; changes nothing.
    bool Edit() override;
};

// Double click: the query's SQL in the SQL editor.
class TkavSQLQueryEditor : public TkavComponentEditor
{
public:
    using TkavComponentEditor::TkavComponentEditor;
    bool HasEditor() const override { return true; }
    bool Edit() override;
};

// Double click: the control's OnClick handler in the script, created when missing.
class TkavDialogControlEditor : public TkavComponentEditor
{
public:
    using TkavComponentEditor::TkavComponentEditor;
    bool HasEditor() const override { return true; }
    bool Edit() override;
};
