// The variables editor: a new report's first category and variable, expressions stored on
// moving away and on OK, duplicate names refused, the list view rebuilding the list,
// variables outside any category, and OK / Cancel through the designer window.

#include "kavDesignerTestSupport.h"

#include <designer/dialogs/kavDesgnVarEditor.h>
#include <designer/window/kavDesgnForm.h>

#include <QApplication>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

class VarEditorTest : public DesignerTest
{
protected:
    // Categories A (x = 1, y = 2) and B (z = 3).
    void fillVariables()
    {
        TkavVariables &v = report->Variables();
        v.Clear();
        for (const auto &[name, value] : {std::pair{" A", ""}, {"x", "1"}, {"y", "2"}, {" B", ""}, {"z", "3"}}) {
            TkavVariable *item = v.Add();
            item->SetName(QString::fromLatin1(name));
            item->SetValue(Variant(QString::fromLatin1(value)));
        }
    }
    static QTreeWidgetItem *item(TkavVarEditorForm &dialog, const QString &text)
    {
        const QList<QTreeWidgetItem *> found =
            dialog.VarTree().findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
        EXPECT_EQ(found.size(), 1) << text.toStdString();
        return found.value(0);
    }
    static void typeExpression(TkavVarEditorForm &dialog, const QString &text)
    {
        dialog.ExprMemo().selectAll();
        QTest::keyClicks(&dialog.ExprMemo(), text);
    }
    static QStringList names(const TkavVariables &v)
    {
        QStringList result;
        for (int i = 0; i < v.Count(); ++i)
            result << v.Items(i)->Name() + u'=' + VarToStr(v.Items(i)->Value());
        return result;
    }
};

} // namespace

TEST_F(VarEditorTest, ANewReportGetsItsFirstCategoryAndVariableFromTheInsertKey)
{
    report->Variables().Clear();
    TkavVarEditorForm dialog(*report);
    QTreeWidget &tree = dialog.VarTree();
    EXPECT_EQ(tree.topLevelItem(0)->text(0), kavResourceTable().Get(u"vaNoVar"_s));
    QTest::keyClick(&tree, Qt::Key_Insert);
    EXPECT_EQ(names(dialog.Variables()), QStringList{u" New Category1="_s});
    tree.setCurrentItem(tree.topLevelItem(0));
    QTest::keyClick(&tree, Qt::Key_Insert);
    QTest::keyClick(&tree, Qt::Key_Insert);
    EXPECT_EQ(names(dialog.Variables()),
              (QStringList{u" New Category1="_s, u"New Variable1="_s, u"New Variable2="_s}));
    EXPECT_EQ(tree.topLevelItem(0)->text(0), kavResourceTable().Get(u"vaVar"_s));
    EXPECT_EQ(item(dialog, u"New Variable2"_s)->parent(), item(dialog, u"New Category1"_s));
    EXPECT_EQ(report->Variables().Count(), 0); // only the copy changed
}

TEST_F(VarEditorTest, ExpressionsAreStoredOnMovingAwayAndOnOk)
{
    fillVariables();
    TkavVarEditorForm dialog(*report);
    dialog.VarTree().setCurrentItem(item(dialog, u"x"_s));
    EXPECT_EQ(dialog.ExprMemo().text(), u"1"_s);
    typeExpression(dialog, u"<Sales.\"Total\"> * 2"_s);
    dialog.VarTree().setCurrentItem(item(dialog, u"z"_s));
    EXPECT_EQ(dialog.ExprMemo().text(), u"3"_s);
    typeExpression(dialog, u"Date"_s); // still being typed when OK is pressed
    dialog.accept();
    dialog.apply(*report);
    EXPECT_EQ(VarToStr(report->Variables().GetVariable(u"x"_s)), u"<Sales.\"Total\"> * 2"_s);
    EXPECT_EQ(VarToStr(report->Variables().GetVariable(u"z"_s)), u"Date"_s);
    EXPECT_EQ(VarToStr(report->Variables().GetVariable(u"y"_s)), u"2"_s);
}

TEST_F(VarEditorTest, RenamingRefusesADuplicateAndKeepsTheOldName)
{
    fillVariables();
    TkavVarEditorForm dialog(*report);
    QTreeWidgetItem *y = item(dialog, u"y"_s);
    dialog.VarTree().setCurrentItem(y);
    EXPECT_FALSE(dialog.RenameItem(y, u"Z"_s)); // names ignore letter case
    EXPECT_EQ(y->text(0), u"y"_s);
    ASSERT_EQ(ui().CallsOf(u"MessageDlg"_s).size(), 1u);
    EXPECT_EQ(ui().CallsOf(u"MessageDlg"_s)[0].Text, kavResourceTable().Get(u"vaDupName"_s));
    // Editing the item's text in place goes the same way; a category is renamed as one.
    y->setText(0, u"total"_s);
    EXPECT_EQ(dialog.Variables().IndexOf(u"total"_s), 2);
    EXPECT_TRUE(dialog.RenameItem(item(dialog, u"B"_s), u"Sums"_s));
    EXPECT_FALSE(dialog.RenameItem(item(dialog, u"A"_s), u"sums"_s));
    EXPECT_EQ(names(dialog.Variables()),
              (QStringList{u" A="_s, u"x=1"_s, u"total=2"_s, u" Sums="_s, u"z=3"_s}));
}

TEST_F(VarEditorTest, TheListViewRebuildsTheListKeepingValues)
{
    fillVariables();
    TkavVarEditorForm dialog(*report);
    QStringList shown;
    dialogs().Lines = [&](TStrings &lines) {
        shown = lines.ToStringList();
        lines.SetStrings(2, u"C"_s);
        lines.Add(u"   "_s);
        return true;
    };
    dialog.EditList();
    EXPECT_EQ(shown, (QStringList{u"A"_s, u" x"_s, u" y"_s, u"B"_s, u" z"_s}));
    EXPECT_EQ(names(dialog.Variables()), (QStringList{u" A="_s, u"x=1"_s, u" C="_s, u" B="_s, u"z=3"_s}));
    EXPECT_EQ(item(dialog, u"x"_s)->parent(), item(dialog, u"A"_s));
    EXPECT_EQ(item(dialog, u"C"_s)->childCount(), 0);
    EXPECT_EQ(dialog.VarTree().currentItem(), dialog.VarTree().topLevelItem(0));
}

TEST_F(VarEditorTest, DeletingACategoryTakesItsVariables)
{
    fillVariables();
    TkavVarEditorForm dialog(*report);
    dialog.VarTree().setCurrentItem(item(dialog, u"A"_s));
    QTest::keyClick(&dialog.VarTree(), Qt::Key_Delete);
    EXPECT_EQ(names(dialog.Variables()), (QStringList{u" B="_s, u"z=3"_s}));
    dialog.VarTree().setCurrentItem(item(dialog, u"z"_s));
    dialog.DeleteItem();
    dialog.VarTree().setCurrentItem(dialog.VarTree().topLevelItem(0));
    dialog.DeleteItem(); // the root stays
    EXPECT_EQ(names(dialog.Variables()), QStringList{u" B="_s});
    EXPECT_EQ(dialog.VarTree().topLevelItemCount(), 1);
}

TEST_F(VarEditorTest, VariablesOutsideAnyCategoryStayOutside)
{
    report->Variables().Clear();
    report->Variables().SetVariable(u"free"_s, Variant(u"1"_s));
    TkavVarEditorForm dialog(*report);
    QTreeWidgetItem *free = item(dialog, u"free"_s);
    EXPECT_EQ(free->parent(), dialog.VarTree().topLevelItem(0));
    dialog.VarTree().setCurrentItem(free);
    dialog.NewVariable();
    dialog.NewCategory();
    dialog.VarTree().setCurrentItem(item(dialog, u"free"_s));
    dialog.NewVariable();
    EXPECT_EQ(names(dialog.Variables()),
              (QStringList{u"free=1"_s, u"New Variable1="_s, u"New Variable2="_s, u" New Category1="_s}));
    EXPECT_EQ(dialog.VarTree().topLevelItem(0)->child(2)->text(0), u"New Variable2"_s);
}

TEST_F(VarEditorTest, OkInTheWindowIsOneUndoStepAndCancelTouchesNothing)
{
    fillVariables();
    QTemporaryDir dir;
    doc.reset(); // the window's designer is the only one on the report
    report->SetIniFile(dir.filePath(u"designer.ini"_s));
    TkavDesignerForm form(*report);
    form.Document().ReloadReport();
    const QByteArray before = bytes();
    const auto run = [&](std::function<void(TkavVarEditorForm &)> edit) {
        QTimer::singleShot(0, [edit] {
            auto *shown = dynamic_cast<TkavVarEditorForm *>(QApplication::activeModalWidget());
            ASSERT_NE(shown, nullptr);
            edit(*shown);
        });
        form.Command(u"VariablesCmd"_s)->trigger();
    };
    run([](TkavVarEditorForm &shown) {
        shown.NewCategory();
        shown.VarTree().setCurrentItem(item(shown, u"x"_s));
        typeExpression(shown, u"99"_s);
        shown.findChild<QToolButton *>(u"CancelB"_s)->click();
    });
    EXPECT_EQ(bytes(), before);
    EXPECT_FALSE(form.Document().Modified());

    run([](TkavVarEditorForm &shown) {
        shown.VarTree().setCurrentItem(item(shown, u"x"_s));
        typeExpression(shown, u"99"_s);
        shown.findChild<QToolButton *>(u"OkB"_s)->click();
    });
    EXPECT_EQ(VarToStr(report->Variables().GetVariable(u"x"_s)), u"99"_s);
    EXPECT_TRUE(form.Document().Modified());
    ASSERT_TRUE(form.Document().Undo());
    EXPECT_EQ(bytes(), before);
}
