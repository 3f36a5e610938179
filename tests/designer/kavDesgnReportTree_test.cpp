// The report tree's nodes and its drops: objects listed depth first under their parents,
// data pages hidden by the restriction, memos moved between bands, bands handing over
// their objects, refused targets; the window's selection both ways, keys and menu.

#include "kavDesignerTestSupport.h"

#include <designer/trees/kavDesgnReportTree.h>
#include <designer/trees/kavDesgnReportTreeModel.h>
#include <report/kavBands.h>
#include <report/kavPages.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QTest>
#include <QTreeWidget>

using namespace Qt::StringLiterals;

namespace {

class ReportTreeTest : public DesignerTest
{
protected:
    QStringList childrenOf(const TkavReportTreeModel &model, const QString &name) const
    {
        const int parent = model.IndexOf(report->FindObject(name));
        QStringList names;
        for (const TkavReportTreeNode &node : model.Nodes())
            if (node.Parent == parent)
                names << node.Text;
        return names;
    }
};

} // namespace

TEST_F(ReportTreeTest, NodesFollowTheHierarchy)
{
    TkavMemoView *memo = insertMemo(10, masterTop() + 2);
    ASSERT_NE(memo, nullptr);
    TkavReportTreeModel model;
    model.Build(*report, false);
    ASSERT_FALSE(model.Nodes().empty());
    EXPECT_EQ(model.Nodes()[0].Text, u"Report"_s);
    EXPECT_EQ(model.Nodes()[0].ImageIndex, 34);
    EXPECT_EQ(childrenOf(model, u"MasterData1"_s), QStringList{memo->Name()});
    const int band = model.IndexOf(find(u"MasterData1"_s));
    EXPECT_EQ(model.Nodes()[band].ImageIndex, 40);
    const bool hasDataPage = std::any_of(model.Nodes().begin(), model.Nodes().end(), [](const auto &node) {
        return dynamic_cast<TkavDataPage *>(node.Object) != nullptr;
    });
    EXPECT_TRUE(hasDataPage);
    model.Build(*report, true);
    for (const TkavReportTreeNode &node : model.Nodes())
        EXPECT_EQ(dynamic_cast<TkavDataPage *>(node.Object), nullptr);
    EXPECT_EQ(model.IndexOf(nullptr), -1);
}

TEST_F(ReportTreeTest, DropsMoveObjectsBetweenBandsAndRefuseOtherTargets)
{
    TkavMemoView *first = insertMemo(10, masterTop() + 2);
    TkavMemoView *second = insertMemo(100, masterTop() + 2);
    TkavComponent *title = find(u"ReportTitle1"_s);
    TkavComponent *footer = find(u"PageFooter1"_s);
    TkavComponent *master = find(u"MasterData1"_s);
    ASSERT_TRUE(first && second && title && footer && master);

    EXPECT_FALSE(TkavReportTreeModel::Drop({first}, *report));
    EXPECT_EQ(first->Parent(), master);
    EXPECT_TRUE(TkavReportTreeModel::Drop({first}, *title));
    EXPECT_EQ(first->Parent(), title);
    EXPECT_FALSE(TkavReportTreeModel::Drop({first}, *title)); // already there
    // A band dropped hands over its objects and stays where it is.
    TkavComponent *page = master->Parent();
    EXPECT_TRUE(TkavReportTreeModel::Drop({master}, *footer));
    EXPECT_EQ(second->Parent(), footer);
    EXPECT_EQ(master->Parent(), page);
    EXPECT_FALSE(TkavReportTreeModel::Drop({page, report.get()}, *footer));
}

namespace {

void clickItem(QTreeWidget *tree, QTreeWidgetItem *item, Qt::KeyboardModifiers mods = {})
{
    tree->scrollToItem(item);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, mods, tree->visualItemRect(item).center());
}

} // namespace

TEST_F(ReportTreeTest, TheWindowLeadsAndFollowsTheSelectionAndMovesDroppedObjects)
{
    TkavMemoView *first = insertMemo(10, masterTop() + 2);
    TkavMemoView *second = insertMemo(100, masterTop() + 2);
    TkavReportTreeForm form(*report);
    form.resize(300, 600);
    form.UpdateItems();
    form.show();
    QList<TkavComponent *> announced;
    int modified = 0, deletes = 0, menus = 0;
    form.OnSelectionChanged = [&](const QList<TkavComponent *> &objects) { announced = objects; };
    form.OnModified = [&] { ++modified; };
    form.OnDeleteKey = [&] { ++deletes; };
    form.OnContextMenu = [&](QPoint) { ++menus; };

    clickItem(form.Tree(), form.ItemOf(first));
    clickItem(form.Tree(), form.ItemOf(second), Qt::ControlModifier);
    EXPECT_EQ(announced, (QList<TkavComponent *>{first, second}));
    QTest::keyClick(form.Tree(), Qt::Key_Delete);
    EXPECT_EQ(deletes, 1);
    QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(5, 5), QPoint(5, 5));
    QApplication::sendEvent(form.Tree()->viewport(), &menu);
    EXPECT_EQ(menus, 1);

    TkavComponent *title = find(u"ReportTitle1"_s);
    EXPECT_TRUE(form.DropOn(title));
    EXPECT_EQ(modified, 1);
    EXPECT_EQ(first->Parent(), title);
    EXPECT_EQ(form.ItemOf(second)->parent(), form.ItemOf(title)); // rebuilt under the band
    EXPECT_TRUE(form.ItemOf(second)->isSelected());
    EXPECT_FALSE(form.DropOn(report.get()));

    announced.clear();
    form.UpdateSelection({report.get()});
    EXPECT_TRUE(announced.isEmpty()); // following the designer announces nothing
    EXPECT_TRUE(form.ItemOf(report.get())->isSelected());
    QApplication::sendEvent(form.Tree()->viewport(), &menu);
    EXPECT_EQ(menus, 1); // no menu over the report
}
