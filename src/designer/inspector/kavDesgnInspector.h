#pragma once

// TkavObjectInspector: the designer's property grid window. An object list, the properties
// and events tabs, a grid of name and value rows with an edit box, a drop-down and a dialog
// button on the selected row, and a help panel. All rules live in PropertyGridModel; this
// class paints rows and translates clicks and keys.

#include "kavDesgnInspectorModel.h"

#include <QElapsedTimer>
#include <QFrame>
#include <QListWidget>
#include <QPointer>
#include <QWidget>

#include <functional>

class DesignerDocument;
class QComboBox;
class QLabel;
class QLineEdit;
class QScrollArea;
class QSplitter;
class QTabBar;
class QToolButton;

class TkavObjectInspector : public QWidget
{

public:
    explicit TkavObjectInspector(DesignerDocument &Designer, QWidget *parent = nullptr);
    ~TkavObjectInspector() override;

    PropertyGridModel &Model() { return FModel; }
    // Fills the object list (components as "name: class").
    void SetObjects(const QList<TkavComponent *> &Objects);
    // Inspects these objects.
    void SetSelectedObjects(const QList<TkavComponent *> &Objects);
    void Inspect(const QList<TkavComponent *> &Objects);
    void UpdateProperties();
    // After the document changed: rebuilt when an inspected object is gone, else the values
    // are read again.
    void Refresh();
    int ItemIndex() const { return FModel.ItemIndex(); }
    void SetItemIndex(int Index);
    int SplitterPos() const { return FSplitterPos; }
    void SetSplitterPos(int Value);
    void SetTab(int Index);
    // Events cannot be chosen (a prepared page is edited).
    void SetEventsAllowed(bool Value);
    void DisableUpdate();
    void EnableUpdate();
    // Sets the captions and the help from the resource table again (after a language change).
    void UpdateCaptions();

    int RowHeight() const { return FRowHeight; }
    // The rectangle of a row in the grid widget's coordinates (empty when there is none).
    QRect RowRect(int Index) const;
    QRect RowRect(const QString &Name) const { return RowRect(FModel.FindRow(Name)); }
    QWidget *Grid() const;
    QLineEdit *EditBox() const { return FEdit; }
    QToolButton *DropDownButton() const { return FDropDownB; }
    QToolButton *EllipsisButton() const { return FEllipsisB; }
    QComboBox *ObjectList() const { return FObjectsCB; }
    QListWidget *DropDownList() const { return FPopupLB; }
    QLabel *HelpName() const { return FHelpName; }
    QLabel *HelpText() const { return FHelpText; }

    // Called after a value was changed through the inspector.
    std::function<void()> OnModify;
    // Called after the user picked another object in the object list.
    std::function<void(TkavComponent *)> OnSelectionChanged;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    friend class TkavInspectorGrid;

    void layoutGrid();
    void placeEditor();
    void placeWidgets(int row);
    void selectRow(int Index, bool focus);
    void committed();
    void editRow();
    void showDropDown();
    void pickFromDropDown(const QString &text);
    void updateHelp();
    void refreshObjectEntry();
    void objectChosen(int index);
    bool editKey(QKeyEvent *event);
    void gridPress(QMouseEvent *event);
    void gridMove(QMouseEvent *event);
    void paintGrid(QPainter &p);

    DesignerDocument &FDesigner;
    PropertyGridModel FModel;
    QComboBox *FObjectsCB = nullptr;
    QTabBar *FTabs = nullptr;
    QSplitter *FSplitter = nullptr;
    QScrollArea *FScroll = nullptr;
    QWidget *FGrid = nullptr;
    QLineEdit *FEdit = nullptr;
    QToolButton *FDropDownB = nullptr;
    QToolButton *FEllipsisB = nullptr;
    QLabel *FHelpName = nullptr;
    QLabel *FHelpText = nullptr;
    QPointer<QFrame> FPopupForm;
    QPointer<QListWidget> FPopupLB;
    QElapsedTimer FPopupClosed; // when the drop-down last lost the focus
    QElapsedTimer FTickCount;   // when a press last selected a row
    QList<TkavComponentRef<TkavComponent>> FObjects;
    int FRowHeight = 16;
    int FSplitterPos = -1;
    bool FSplitterSet = false;
    bool FDown = false;
    bool FDisableDblClick = false;
    bool FDisableUpdate = false;
    bool FUpdatingObjectsCB = false;
};
