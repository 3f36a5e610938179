#include "kavDesgnDataTree.h"

#include <designer/workspace/kavDesgnWorkspace.h>
#include <designer/workspace/kavDesgnWorkspaceWidget.h>
#include <persist/kavRes.h>
#include <output/kavHelpKey.h>
#include <report/kavReport.h>

#include <QCheckBox>
#include <QLabel>
#include <QMimeData>
#include <QPixmap>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTabBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// A tree whose drags carry the text of its items (refused when there is none).
class DataTreeView : public QTreeWidget
{
public:
    explicit DataTreeView(TkavDataTreeForm *form)
        : FForm(form)
    {
        setHeaderHidden(true);
        setRootIsDecorated(false);
        setEditTriggers(NoEditTriggers);
        setDragEnabled(true);
        setDragDropMode(DragOnly);
    }

protected:
    QMimeData *mimeData(const QList<QTreeWidgetItem *> &) const override { return FForm->DragData(); }

private:
    TkavDataTreeForm *FForm;
};

QString res(const QString &key)
{
    return kavResourceTable().Get(key);
}

} // namespace

TkavDataTreeForm::TkavDataTreeForm(TkavReport &report, QWidget *parent)
    : QWidget(parent)
    , FModel(report)
    , FTabs(new QTabBar(this))
    , FPages(new QStackedWidget(this))
{
    kavInstallHelpKey(*this, u"TkavDataTreeForm"_s);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(FTabs);
    layout->addWidget(FPages, 1);
    static const char16_t *const treeNames[] = {u"DataTree", u"VariablesTree", u"FunctionsTree", u"ClassesTree"};
    for (int tab = 0; tab < 4; ++tab) {
        FTabs->addTab(QString());
        auto *page = new QWidget;
        auto *pageLayout = new QVBoxLayout(page);
        pageLayout->setContentsMargins(0, 0, 0, 0);
        FTrees[tab] = new DataTreeView(this);
        FTrees[tab]->setObjectName(QString::fromUtf16(treeNames[tab]));
        pageLayout->addWidget(FTrees[tab], 1);
        FPages->addWidget(page);
        connect(FTrees[tab], &QTreeWidget::itemDoubleClicked, this, [this] {
            if (OnDblClick)
                OnDblClick();
        });
        connect(FTrees[tab], &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem *item) { itemExpanded(item, true); });
        connect(FTrees[tab], &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem *item) { itemExpanded(item, false); });
    }
    // Data tab: the no-data text and the insertion options under the tree.
    auto *dataLayout = static_cast<QVBoxLayout *>(FPages->widget(dttData)->layout());
    FNoDataL = new QLabel;
    FNoDataL->setObjectName(u"NoDataL"_s);
    FNoDataL->setWordWrap(true);
    FNoDataL->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    FNoDataL->setMargin(10);
    FNoDataL->hide();
    dataLayout->addWidget(FNoDataL, 1);
    FOptions = new QWidget;
    auto *optionsLayout = new QVBoxLayout(FOptions);
    FInsFieldCB = new QCheckBox;
    FInsFieldCB->setChecked(true);
    FInsCaptionCB = new QCheckBox;
    FSortCB = new QCheckBox;
    for (QCheckBox *box : {FInsFieldCB, FInsCaptionCB, FSortCB})
        optionsLayout->addWidget(box);
    FOptions->hide();
    dataLayout->addWidget(FOptions);
    connect(FSortCB, &QCheckBox::toggled, this, [this] { buildData(); });
    // Functions tab: the declaration and description of the current function.
    auto *functionsLayout = static_cast<QVBoxLayout *>(FPages->widget(dttFunctions)->layout());
    FFunctionNameL = new QLabel;
    FFunctionNameL->setObjectName(u"FunctionNameL"_s);
    FFunctionNameL->setWordWrap(true);
    QFont bold = FFunctionNameL->font();
    bold.setBold(true);
    FFunctionNameL->setFont(bold);
    FFunctionDescL = new QLabel;
    FFunctionDescL->setObjectName(u"FunctionDescL"_s);
    FFunctionDescL->setWordWrap(true);
    functionsLayout->addWidget(FFunctionNameL);
    functionsLayout->addWidget(FFunctionDescL);
    connect(FTrees[dttFunctions], &QTreeWidget::currentItemChanged, this, [this] { showFunctionHint(); });
    connect(FTabs, &QTabBar::currentChanged, this, [this](int index) { ShowTab(index); });
    UpdateCaptions();
    kavOnLanguageChanged(*this, [this] { UpdateCaptions(); });
    ShowTab(dttData);
}

void TkavDataTreeForm::UpdateCaptions()
{
    setWindowTitle(res(u"2100"_s));
    static const char16_t *const tabKeys[] = {u"2101", u"2102", u"2103", u"2106"};
    for (int tab = 0; tab < 4; ++tab)
        FTabs->setTabText(tab, res(QString::fromUtf16(tabKeys[tab])));
    FNoDataL->setText(res(u"dtNoData"_s) + u"\n\n"_s + res(u"dtNoData1"_s));
    FInsFieldCB->setText(res(u"2104"_s));
    FInsCaptionCB->setText(res(u"2105"_s));
    FSortCB->setText(res(u"6004"_s));
}

TkavDataTreeForm::~TkavDataTreeForm()
{
    if (FRemembersCollapsed && !FFirstTime)
        CollapsedDataSets() = FModel.CollapsedText();
}

QString &TkavDataTreeForm::CollapsedDataSets()
{
    static QString text;
    return text;
}

QTreeWidget *TkavDataTreeForm::Tree(int tab) const
{
    return tab >= 0 && tab < 4 ? FTrees[tab] : nullptr;
}

void TkavDataTreeForm::UpdateItems()
{
    buildData();
    FModel.BuildVariables();
    fillTree(FTrees[dttVariables], FModel.Root(dttVariables));
    FFirstTime = false;
}

void TkavDataTreeForm::buildData()
{
    const QString collapsed = FFirstTime ? CollapsedDataSets() : FModel.CollapsedText();
    FModel.BuildData(FSortCB->isChecked(), collapsed);
    const TkavDataTreeItem *root = FModel.Root(dttData);
    FTrees[dttData]->setVisible(root != nullptr);
    FNoDataL->setVisible(root == nullptr);
    fillTree(FTrees[dttData], root);
}

void TkavDataTreeForm::fillTree(QTreeWidget *tree, const TkavDataTreeItem *root)
{
    const QSignalBlocker blocker(tree);
    tree->clear();
    if (root)
        addItem(nullptr, *root, tree);
    tree->scrollToTop();
}

// Items carry their model item; parents are bold (the classes tree: its first level).
void TkavDataTreeForm::addItem(QTreeWidgetItem *parent, const TkavDataTreeItem &item, QTreeWidget *tree)
{
    auto *node = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree);
    node->setText(0, item.Text);
    node->setData(0, Qt::UserRole, QVariant::fromValue(quintptr(&item)));
    const TkavImageList &images = kavResourceTable().GetMainButtonImages();
    if (item.ImageIndex >= 0 && item.ImageIndex < images.size())
        node->setIcon(0, QPixmap::fromImage(images[item.ImageIndex]));
    const bool bold = tree == FTrees[dttClasses] ? item.Level() == 0 : item.HasChildren();
    if (bold) {
        QFont font = node->font(0);
        font.setBold(true);
        node->setFont(0, font);
    }
    for (const auto &child : item.Items)
        addItem(node, *child, tree);
    node->setExpanded(item.Expanded);
}

TkavDataTreeItem *TkavDataTreeForm::itemOf(const QTreeWidgetItem *item) const
{
    return item ? reinterpret_cast<TkavDataTreeItem *>(item->data(0, Qt::UserRole).value<quintptr>()) : nullptr;
}

// Follows expanding and collapsing into the model; a class gets its members when first opened.
void TkavDataTreeForm::itemExpanded(QTreeWidgetItem *node, bool expanded)
{
    TkavDataTreeItem *item = itemOf(node);
    if (!item)
        return;
    item->Expanded = expanded;
    if (!expanded || node->treeWidget() != FTrees[dttClasses] || !item->Element)
        return;
    FModel.ExpandClass(*item);
    const QSignalBlocker blocker(FTrees[dttClasses]);
    for (QTreeWidgetItem *placeholder : node->takeChildren())
        std::unique_ptr<QTreeWidgetItem> dropped(placeholder);
    for (const auto &child : item->Items)
        addItem(node, *child, FTrees[dttClasses]);
}

void TkavDataTreeForm::ShowTab(int index)
{
    if (index < 0 || index >= 4)
        return;
    {
        const QSignalBlocker blocker(FTabs);
        FTabs->setCurrentIndex(index);
    }
    FPages->setCurrentIndex(index);
    CheclMultiSelection();
    if (index == dttFunctions && !FModel.Root(dttFunctions)) {
        FModel.BuildFunctions();
        fillTree(FTrees[dttFunctions], FModel.Root(dttFunctions));
    } else if (index == dttClasses && !FModel.Root(dttClasses)) {
        FModel.BuildClasses();
        fillTree(FTrees[dttClasses], FModel.Root(dttClasses));
    }
}

int TkavDataTreeForm::GetActivePage() const
{
    return FPages->currentIndex();
}

const TkavDataTreeItem *TkavDataTreeForm::chosen(int selectionIndex) const
{
    QTreeWidget *tree = FTrees[GetActivePage()];
    const QList<QTreeWidgetItem *> selected = tree->selectedItems();
    if (GetActivePage() == dttData && selectionIndex >= 0 && selectionIndex < selected.size())
        return itemOf(selected[selectionIndex]);
    return itemOf(tree->currentItem());
}

QString TkavDataTreeForm::GetFieldName(int selectionIndex) const
{
    return FModel.GetFieldName(GetActivePage(), chosen(selectionIndex));
}

TkavDataSet *TkavDataTreeForm::GetDataSet(int selectionIndex) const
{
    const TkavDataTreeItem *item = GetActivePage() == dttData ? chosen(selectionIndex) : nullptr;
    return item ? item->DataSet : nullptr;
}

int TkavDataTreeForm::GetSelectionCount() const
{
    QTreeWidget *tree = FTrees[GetActivePage()];
    if (GetActivePage() == dttData)
        return int(tree->selectedItems().size());
    return tree->currentItem() ? 1 : 0;
}

QString TkavDataTreeForm::ActiveDS() const
{
    return GetActivePage() == dttData ? FModel.ActiveDS(chosen(-1)) : QString();
}

QPoint TkavDataTreeForm::GetLastPosition() const
{
    QTreeWidget *tree = FTrees[GetActivePage()];
    return {GetActivePage(), tree->verticalScrollBar()->value()};
}

void TkavDataTreeForm::SetLastPosition(QPoint p)
{
    ShowTab(p.x());
    if (QTreeWidget *tree = Tree(p.x()); tree && tree->topLevelItemCount() > 0)
        tree->verticalScrollBar()->setValue(p.y());
}

void TkavDataTreeForm::SetMultiSelectAllowed(bool value)
{
    FMultiSelectAllowed = value;
    CheclMultiSelection();
}

void TkavDataTreeForm::CheclMultiSelection()
{
    const bool multi = GetActivePage() == dttData && FMultiSelectAllowed;
    FTrees[dttData]->setSelectionMode(multi ? QAbstractItemView::ExtendedSelection
                                            : QAbstractItemView::SingleSelection);
}

void TkavDataTreeForm::SetOptionsVisible(bool value)
{
    FOptions->setVisible(value);
}

void TkavDataTreeForm::showFunctionHint()
{
    const TkavDataTreeItem *item = itemOf(FTrees[dttFunctions]->currentItem());
    const TkyXMLItem *element = item ? item->Element : nullptr;
    FFunctionNameL->setText(element ? element->Prop(u"text"_s) : QString());
    FFunctionDescL->setText(element ? res(element->Prop(u"description"_s)) : QString());
}

// What the workspace and the editors take from a drag: the text of each selected item.
QMimeData *TkavDataTreeForm::DragData() const
{
    QList<TkavDropItem> items;
    QStringList aliases;
    const int count = std::max(1, GetSelectionCount());
    for (int i = 0; i < count; ++i) {
        TkavDropItem item;
        item.Text = GetFieldName(count > 1 ? i : -1);
        item.DataSet = GetDataSet(count > 1 ? i : -1);
        item.IsDataField = IsDataField();
        if (item.Text.isEmpty() && !item.DataSet)
            continue;
        items << item;
        aliases << (item.DataSet ? FModel.Report().GetAlias(item.DataSet) : QString());
    }
    if (items.isEmpty())
        return nullptr;
    QMimeData *mime = kavDataTreeMimeData(items, {FInsFieldCB->isChecked(), FInsCaptionCB->isChecked()}, aliases);
    mime->setText(items.first().Text);
    return mime;
}
