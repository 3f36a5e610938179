#include "kavDesgnReportTree.h"

#include <persist/kavRes.h>
#include <output/kavHelpKey.h>
#include <report/kavComponent.h>
#include <report/kavReport.h>

#include <QContextMenuEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QPixmap>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

// Drops inside the tree are handed to the form, which moves objects, not items.
class ReportTreeView : public QTreeWidget
{
public:
    explicit ReportTreeView(TkavReportTreeForm *form)
        : FForm(form)
    {}

protected:
    void dragMoveEvent(QDragMoveEvent *event) override
    {
        QTreeWidgetItem *target = itemAt(event->position().toPoint());
        const auto *object = target ? reinterpret_cast<TkavComponent *>(target->data(0, Qt::UserRole).value<quintptr>()) : nullptr;
        if (event->source() == this && TkavReportTreeModel::AcceptsDrop(object))
            event->acceptProposedAction();
        else
            event->ignore();
    }
    void dropEvent(QDropEvent *event) override
    {
        QTreeWidgetItem *target = itemAt(event->position().toPoint());
        if (event->source() != this || !target) {
            event->ignore();
            return;
        }
        event->setDropAction(Qt::IgnoreAction); // the tree is rebuilt, items never move
        event->accept();
        FForm->DropOn(reinterpret_cast<TkavComponent *>(target->data(0, Qt::UserRole).value<quintptr>()));
    }

private:
    TkavReportTreeForm *FForm;
};

} // namespace

TkavReportTreeForm::TkavReportTreeForm(TkavReport &report, QWidget *parent)
    : QWidget(parent)
    , FReport(report)
    , FTree(new ReportTreeView(this))
{
    setWindowTitle(kavResourceTable().Get(u"2200"_s));
    kavOnLanguageChanged(*this, [this] { setWindowTitle(kavResourceTable().Get(u"2200"_s)); });
    kavInstallHelpKey(*this, u"TkavReportTreeForm"_s);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(FTree);
    FTree->setObjectName(u"Tree"_s);
    FTree->setHeaderHidden(true);
    FTree->setSelectionMode(QAbstractItemView::ExtendedSelection);
    FTree->setDragDropMode(QAbstractItemView::InternalMove);
    FTree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FTree->installEventFilter(this);
    FTree->viewport()->installEventFilter(this);
    connect(FTree, &QTreeWidget::itemSelectionChanged, this, [this] { selectionChanged(); });
}

TkavComponent *TkavReportTreeForm::objectOf(const QTreeWidgetItem *item) const
{
    return item ? reinterpret_cast<TkavComponent *>(item->data(0, Qt::UserRole).value<quintptr>()) : nullptr;
}

void TkavReportTreeForm::UpdateItems(bool hideDataPages)
{
    const QList<TkavComponent *> selected = FSelectedObjects;
    FUpdating = true;
    FTree->clear();
    FNodes.clear();
    FModel.Build(FReport, hideDataPages);
    const TkavImageList &images = kavResourceTable().GetObjectImages();
    for (const TkavReportTreeNode &node : FModel.Nodes()) {
        auto *item = node.Parent < 0 ? new QTreeWidgetItem(FTree) : new QTreeWidgetItem(FNodes[node.Parent]);
        item->setText(0, node.Text);
        item->setData(0, Qt::UserRole, QVariant::fromValue(quintptr(node.Object)));
        if (node.ImageIndex >= 0 && node.ImageIndex < images.size())
            item->setIcon(0, QPixmap::fromImage(images[node.ImageIndex]));
        FNodes << item;
    }
    FTree->expandAll();
    FUpdating = false;
    UpdateSelection(selected);
}

QTreeWidgetItem *TkavReportTreeForm::ItemOf(const TkavComponent *object) const
{
    const int index = FModel.IndexOf(object);
    return index >= 0 ? FNodes.value(index) : nullptr;
}

void TkavReportTreeForm::UpdateSelection(const QList<TkavComponent *> &selected)
{
    FUpdating = true;
    FTree->clearSelection();
    bool first = true;
    for (TkavComponent *object : selected) {
        QTreeWidgetItem *item = ItemOf(object);
        if (!item)
            continue;
        item->setSelected(true);
        if (first)
            FTree->setCurrentItem(item, 0, QItemSelectionModel::NoUpdate);
        first = false;
    }
    FSelectedObjects.clear();
    for (QTreeWidgetItem *item : FTree->selectedItems())
        FSelectedObjects << objectOf(item);
    FUpdating = false;
}

// The tree's selection becomes the designer's, in the order the items were chosen.
void TkavReportTreeForm::selectionChanged()
{
    if (FUpdating)
        return;
    FSelectedObjects.clear();
    const QList<QTreeWidgetItem *> items = FTree->selectedItems();
    if (items.isEmpty() || !objectOf(FTree->currentItem()))
        return;
    for (QTreeWidgetItem *item : items)
        FSelectedObjects << objectOf(item);
    if (OnSelectionChanged)
        OnSelectionChanged(FSelectedObjects);
}

bool TkavReportTreeForm::DropOn(TkavComponent *target)
{
    if (!target || !TkavReportTreeModel::Drop(FSelectedObjects, *target))
        return false;
    if (OnModified)
        OnModified();
    UpdateItems();
    if (OnSelectionChanged)
        OnSelectionChanged(FSelectedObjects);
    return true;
}

bool TkavReportTreeForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Delete) {
        if (OnDeleteKey)
            OnDeleteKey();
        return true;
    }
    if (watched == FTree->viewport() && event->type() == QEvent::ContextMenu) {
        const bool reportChosen = FSelectedObjects.contains(&FReport);
        if (OnContextMenu && !reportChosen)
            OnContextMenu(static_cast<QContextMenuEvent *>(event)->globalPos());
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
