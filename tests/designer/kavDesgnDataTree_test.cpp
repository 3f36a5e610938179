// The data tree's contents: the fields of CSV data sets in file or name order with their
// type icons, collapsed data sets, variables by category and the system ones, functions by
// category, classes expanded on demand, and the text each item inserts.

#include "kavDesignerTestSupport.h"

#include <data/kavFileDataSets.h>
#include <designer/trees/kavDesgnDataTree.h>
#include <designer/trees/kavDesgnDataTreeModel.h>
#include <designer/trees/kavDesgnExprEditor.h>
#include <designer/workspace/kavDesgnWorkspaceWidget.h>
#include <persist/kavVariables.h>
#include <rtl/kavSettings.h>
#include <scriptlib/kavScriptLibrary.h>

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

using namespace Qt::StringLiterals;

namespace {

class DataTreeTest : public DesignerTest
{
protected:
    void SetUp() override
    {
        DesignerTest::SetUp();
        kavRegisterScriptLibrary();
        report->SetIniFile(dir.filePath(u"settings.ini"_s));
        orders.SetUserName(u"Orders"_s);
        orders.SetFileName(write(u"orders.csv"_s, "Paid,Name,Amount,Due\ntrue,Ann,1.5,2024-01-02\n"));
        customers.SetUserName(u"Customers"_s);
        customers.SetFileName(write(u"customers.csv"_s, "Id,City\n1,Porto\n"));
        report->DataSets().Add(&orders);
        report->DataSets().Add(&customers);
    }
    void TearDown() override
    {
        report->DataSets().Clear();
        DesignerTest::TearDown();
    }
    QString write(const QString &name, const QByteArray &bytes)
    {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    }
    static QStringList texts(const TkavDataTreeItem &item)
    {
        QStringList list;
        for (const auto &child : item.Items)
            list << child->Text;
        return list;
    }
    static TkavDataTreeItem *findItem(TkavDataTreeItem &item, const QString &prefix)
    {
        if (item.Text.startsWith(prefix))
            return &item;
        for (const auto &child : item.Items)
            if (TkavDataTreeItem *found = findItem(*child, prefix))
                return found;
        return nullptr;
    }

    QTemporaryDir dir;
    TkavCSVDataSet orders, customers;
};

} // namespace

TEST_F(DataTreeTest, DataTabListsCsvFieldsWithTheirTypesAndInsertsQualifiedNames)
{
    TkavDataTreeModel model(*report);
    model.BuildData(false, QString());
    TkavDataTreeItem *root = model.Root(dttData);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(texts(*root), (QStringList{u"Orders"_s, u"Customers"_s}));
    TkavDataTreeItem &ordersItem = *root->Items[0];
    EXPECT_EQ(texts(ordersItem), (QStringList{u"Paid"_s, u"Name"_s, u"Amount"_s, u"Due"_s}));
    std::vector<int> images;
    for (const auto &field : ordersItem.Items)
        images.push_back(field->ImageIndex);
    EXPECT_EQ(images, (std::vector<int>{107, 102, 104, 106})); // Boolean, text, number, date
    EXPECT_EQ(model.GetFieldName(dttData, ordersItem.Items[1].get()), u"<Orders.\"Name\">"_s);
    EXPECT_EQ(model.GetFieldName(dttData, &ordersItem), QString());
    EXPECT_EQ(model.GetFieldName(dttData, root), QString());
    EXPECT_EQ(model.ActiveDS(&ordersItem), u"Orders"_s);
    EXPECT_EQ(model.ActiveDS(ordersItem.Items[0].get()), QString());

    model.BuildData(true, u"MyOrders,Customers,"_s);
    root = model.Root(dttData);
    EXPECT_EQ(texts(*root), (QStringList{u"Customers"_s, u"Orders"_s}));
    EXPECT_EQ(texts(*root->Items[1]), (QStringList{u"Amount"_s, u"Due"_s, u"Name"_s, u"Paid"_s}));
    EXPECT_FALSE(root->Items[0]->Expanded);
    EXPECT_TRUE(root->Items[1]->Expanded); // "MyOrders" does not name Orders
    EXPECT_EQ(model.CollapsedText(), u"Customers,"_s);

    report->DataSets().Clear();
    model.BuildData(false, QString());
    EXPECT_EQ(model.Root(dttData), nullptr);
}

TEST_F(DataTreeTest, VariablesTabHasCategoriesAndTheSystemVariables)
{
    report->Variables().SetVariable(u" Totals"_s, Variant()); // a category item
    report->Variables().AddVariable(u"Totals"_s, u"Total"_s, Variant(u"1 + 1"_s));
    TkavDataTreeModel model(*report);
    model.BuildVariables();
    TkavDataTreeItem &root = *model.Root(dttVariables);
    ASSERT_EQ(root.Items.size(), 2u);
    EXPECT_EQ(texts(*root.Items[0]), QStringList{u"Total"_s});
    const QStringList system = texts(*root.Items[1]);
    EXPECT_EQ(system.size(), 9);
    EXPECT_TRUE(system.contains(u"Page#"_s));
    EXPECT_EQ(model.GetFieldName(dttVariables, root.Items[0]->Items[0].get()), u"<Total>"_s);
    EXPECT_EQ(model.GetFieldName(dttVariables, root.Items[0].get()), QString());
    EXPECT_EQ(model.GetFieldName(dttVariables, findItem(root, u"Page#"_s)), u"<Page#>"_s);
}

TEST_F(DataTreeTest, FunctionsByCategoryInsertCallsAndClassesExpandOnce)
{
    TkavDataTreeModel model(*report);
    model.BuildFunctions();
    TkavDataTreeItem &functions = *model.Root(dttFunctions);
    TkavDataTreeItem *intToStr = findItem(functions, u"IntToStr("_s);
    ASSERT_NE(intToStr, nullptr);
    EXPECT_EQ(intToStr->Level(), 2); // under its category
    EXPECT_FALSE(intToStr->Parent->Text.isEmpty());
    EXPECT_EQ(model.GetFieldName(dttFunctions, intToStr), u"IntToStr()"_s);
    EXPECT_EQ(model.GetFieldName(dttFunctions, intToStr->Parent), QString());

    model.BuildClasses();
    TkavDataTreeItem &classes = *model.Root(dttClasses);
    ASSERT_FALSE(classes.Items.empty());
    TkavDataTreeItem &first = *classes.Items[0];
    EXPECT_TRUE(first.Text.contains(u" = class("_s));
    EXPECT_EQ(texts(first), QStringList{u"more..."_s});
    model.ExpandClass(first);
    const QStringList members = texts(first);
    EXPECT_FALSE(members.contains(u"more..."_s));
    model.ExpandClass(first);
    EXPECT_EQ(texts(first), members);
    EXPECT_EQ(model.GetFieldName(dttClasses, first.Items.empty() ? nullptr : first.Items[0].get()), QString());
}

TEST(DataTreeText, FunctionCallsGetOneCommaFewerThanArguments)
{
    const std::pair<const char16_t *, const char16_t *> cases[] = {
        {u"IntToStr(i: Integer): String", u"IntToStr()"},
        {u"Copy(s: String; from, count: Integer): String", u"Copy(,,)"},
        {u"Format(Fmt: String; Args: array): String", u"Format(,)"},
        {u"Date: TDateTime", u"Date"},
        {u"Beep", u""},
    };
    for (const auto &[declaration, call] : cases)
        EXPECT_EQ(kavFunctionCallText(QString::fromUtf16(declaration)), QString::fromUtf16(call));
}

namespace {

QTreeWidgetItem *findNode(QTreeWidget *tree, const QString &prefix)
{
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        if ((*it)->text(0).startsWith(prefix))
            return *it;
    return nullptr;
}

void doubleClick(QTreeWidget *tree, QTreeWidgetItem *item)
{
    tree->scrollToItem(item);
    const QPoint at = tree->visualItemRect(item).center();
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, at);
}

} // namespace

TEST_F(DataTreeTest, TheWindowShowsNoDataTextAndDragsFieldsAsText)
{
    TkavDataTreeForm form(*report);
    form.SetMultiSelectAllowed(true);
    form.UpdateItems();
    form.show();
    QTreeWidget *tree = form.Tree(dttData);
    QTreeWidgetItem *name = findNode(tree, u"Name"_s);
    ASSERT_NE(name, nullptr);
    int clicks = 0;
    form.OnDblClick = [&] { ++clicks; };
    doubleClick(tree, name);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(form.GetFieldName(-1), u"<Orders.\"Name\">"_s);
    std::unique_ptr<QMimeData> mime(form.DragData());
    ASSERT_TRUE(mime);
    EXPECT_EQ(mime->text(), u"<Orders.\"Name\">"_s);
    EXPECT_TRUE(mime->hasFormat(QString::fromLatin1(kavDataTreeMime)));

    form.ShowTab(dttClasses);
    form.Tree(dttClasses)->setCurrentItem(form.Tree(dttClasses)->topLevelItem(0)->child(0));
    EXPECT_EQ(std::unique_ptr<QMimeData>(form.DragData()), nullptr); // nothing to insert

    report->DataSets().Clear();
    form.ShowTab(dttData);
    form.UpdateItems();
    EXPECT_TRUE(form.findChild<QLabel *>(u"NoDataL"_s)->isVisible());
    EXPECT_FALSE(tree->isVisible());
}

TEST_F(DataTreeTest, ExpressionEditorInsertsTreeItemsAtTheCaretAndReturnsItsText)
{
    TkavExprEditorForm form(*report);
    form.ExprMemo()->setText(u"a + "_s);
    form.show();
    form.DataTree()->ShowTab(dttFunctions);
    QTreeWidget *functions = form.DataTree()->Tree(dttFunctions);
    QTreeWidgetItem *intToStr = findNode(functions, u"IntToStr("_s);
    ASSERT_NE(intToStr, nullptr);
    doubleClick(functions, intToStr);
    EXPECT_EQ(form.ExprMemo()->text(), u"a + IntToStr()"_s);
    EXPECT_FALSE(form.findChild<QLabel *>(u"FunctionNameL"_s)->text().isEmpty());
    doubleClick(functions, intToStr->parent()); // a category inserts nothing
    EXPECT_EQ(form.ExprMemo()->text(), u"a + IntToStr()"_s);
    form.hide();

    const auto answer = [](bool ok) {
        QTimer::singleShot(0, [ok] {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            ok ? dialog->accept() : dialog->reject();
        });
    };
    answer(false);
    EXPECT_EQ(TkavExprEditorForm::InsertExpression(*report, u"a + b"_s), QString());
    // The next editor opens where this one was left, on the tab it showed.
    const auto ini = report->GetIniFile();
    EXPECT_EQ(ini->ReadInteger(u"Form5.TkavExprEditorForm"_s, u"Width"_s, 0), form.width());
    TkavExprEditorForm next(*report);
    next.resize(200, 200);
    next.show();
    EXPECT_EQ(next.size(), form.size());
    EXPECT_EQ(next.DataTree()->GetActivePage(), int(dttFunctions));
    next.hide();
    answer(true);
    EXPECT_EQ(TkavExprEditorForm::InsertExpression(*report, u"a + b"_s), u"a + b"_s);
}
