#pragma once

// TkavReportTreeForm: the report's object hierarchy as a tree whose selection follows the
// designer's and leads it; objects are dragged between bands, Delete goes to the workspace.

#include "kavDesgnReportTreeModel.h"

#include <QList>
#include <QWidget>

#include <functional>

class QTreeWidget;
class QTreeWidgetItem;

class TkavReportTreeForm : public QWidget
{
public:
    explicit TkavReportTreeForm(TkavReport &report, QWidget *parent = nullptr);

    QTreeWidget *Tree() const { return FTree; }
    // Rebuilds the tree; data pages are left out when hideDataPages.
    void UpdateItems(bool hideDataPages = false);
    // Selects the items of these objects (those the tree shows), without announcing it.
    void UpdateSelection(const QList<TkavComponent *> &selected);
    // Drops the items last selected in the tree onto the item of target; true when
    // anything moved (OnModified has then run).
    bool DropOn(TkavComponent *target);
    QTreeWidgetItem *ItemOf(const TkavComponent *object) const;

    // The objects chosen in the tree (empty when the current item carries nothing).
    std::function<void(const QList<TkavComponent *> &)> OnSelectionChanged;
    // After a drop moved objects.
    std::function<void()> OnModified;
    // The Delete key, for the workspace to delete the selection.
    std::function<void()> OnDeleteKey;
    // A right click, unless the report's item is selected: the page menu at this point.
    std::function<void(QPoint)> OnContextMenu;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void selectionChanged();
    TkavComponent *objectOf(const QTreeWidgetItem *item) const;

    TkavReport &FReport;
    TkavReportTreeModel FModel;
    QTreeWidget *FTree;
    QList<QTreeWidgetItem *> FNodes; // parallel to the model's nodes
    QList<TkavComponent *> FSelectedObjects;
    bool FUpdating = false;
};
