#pragma once

// TkavDataTreeForm: the data tree window with its four tabs (data, variables, functions,
// classes), docked in the designer and embedded in the expression and variables editors.
// Items are dragged out as text and double-clicked into the editor that hosts the tree.

#include "kavDesgnDataTreeModel.h"

#include <QPoint>
#include <QWidget>

#include <functional>

class QCheckBox;
class QLabel;
class QMimeData;
class QStackedWidget;
class QTabBar;
class QTreeWidget;
class QTreeWidgetItem;

class TkavDataTreeForm : public QWidget
{
public:
    explicit TkavDataTreeForm(TkavReport &report, QWidget *parent = nullptr);
    ~TkavDataTreeForm() override;

    TkavDataTreeModel &Model() { return FModel; }
    // Rebuilds the data and variables tabs.
    void UpdateItems();
    // Sets the captions from the resource table again (after a language change).
    void UpdateCaptions();
    // Shows tab index (0 data, 1 variables, 2 functions, 3 classes), building it when due.
    void ShowTab(int index);
    int GetActivePage() const;
    bool IsDataField() const { return GetActivePage() == dttData; }
    // The text the item inserts: on the data tab the selectionIndex-th selected item when
    // that index is in range, else the current item.
    QString GetFieldName(int selectionIndex) const;
    TkavDataSet *GetDataSet(int selectionIndex) const;
    int GetSelectionCount() const;
    QString ActiveDS() const;
    // (tab, absolute index of the top item) and back.
    QPoint GetLastPosition() const;
    void SetLastPosition(QPoint p);
    void SetMultiSelectAllowed(bool value);
    void CheclMultiSelection();
    // The insertion options under the data tab (the designer's copy shows them).
    void SetOptionsVisible(bool value);
    // The designer's own tree hands its collapsed data sets to the next one on closing.
    void SetRemembersCollapsed(bool value) { FRemembersCollapsed = value; }
    QCheckBox *InsFieldCB() const { return FInsFieldCB; }
    QCheckBox *InsCaptionCB() const { return FInsCaptionCB; }
    QCheckBox *SortCB() const { return FSortCB; }
    QTreeWidget *Tree(int tab) const;
    // Drag data for the selected items of the active tab.
    QMimeData *DragData() const;

    // Names of collapsed data sets, each followed by ",", kept for the process.
    static QString &CollapsedDataSets();

    // A double-click on an item of any tab or on the no-data text.
    std::function<void()> OnDblClick;

private:
    void buildData();
    void fillTree(QTreeWidget *tree, const TkavDataTreeItem *root);
    void addItem(QTreeWidgetItem *parent, const TkavDataTreeItem &item, QTreeWidget *tree);
    TkavDataTreeItem *itemOf(const QTreeWidgetItem *item) const;
    const TkavDataTreeItem *chosen(int selectionIndex) const;
    void itemExpanded(QTreeWidgetItem *item, bool expanded);
    void showFunctionHint();

    TkavDataTreeModel FModel;
    QTabBar *FTabs;
    QStackedWidget *FPages;
    QTreeWidget *FTrees[4];
    QWidget *FOptions;
    QCheckBox *FInsFieldCB, *FInsCaptionCB, *FSortCB;
    QLabel *FNoDataL;
    QLabel *FFunctionNameL, *FFunctionDescL;
    bool FFirstTime = true;
    bool FMultiSelectAllowed = false;
    bool FRemembersCollapsed = false;
};
