// The designer window: page tabs follow the pages, the script page edits the report's
// script, Preview stops at a script error, the report tree and the selection lead each
// other, the palette offers what the page takes, find and replace, the layout survives a
// restart, restrictions disable commands, and the host's menu is bound to the commands.

#include "kavDesignerTestSupport.h"

#include <designer/code/kavDesgnSyntaxMemo.h>
#include <designer/trees/kavDesgnDataTree.h>
#include <designer/trees/kavDesgnReportTree.h>
#include <designer/window/Unit1.h>
#include <designer/window/kavDesgnFindDialog.h>
#include <designer/window/kavDesgnForm.h>
#include <designer/dialogs/kavDesgnReportData.h>
#include <data/kavFileDataSets.h>
#include <report/kavBands.h>
#include <report/kavDataSets.h>
#include <designer/workspace/kavDesgnWorkspaceWidget.h>
#include <report/kavPages.h>

#include <QApplication>
#include <QClipboard>
#include <QDockWidget>
#include <QLabel>
#include <QLineEdit>
#include <QCheckBox>
#include <QMenu>
#include <QMenuBar>
#include <QStackedWidget>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>

using namespace Qt::StringLiterals;

namespace {

class FormTest : public DesignerTest
{
protected:
    void SetUp() override
    {
        DesignerTest::SetUp();
        doc.reset(); // the window's designer is the only one on the report
        report->SetIniFile(dir.filePath(u"designer.ini"_s));
        form = std::make_unique<TkavDesignerForm>(*report);
        form->Document().NewReport();
    }
    void TearDown() override
    {
        form.reset();
        DesignerTest::TearDown();
    }
    DesignerDocument &document() const { return form->Document(); }
    QStringList tabTexts() const
    {
        QStringList texts;
        for (int i = 0; i < form->PageTabs().count(); ++i)
            texts << form->PageTabs().tabText(i);
        return texts;
    }
    void dragTab(int from, int to) const
    {
        QTabBar &tabs = form->PageTabs();
        QTest::mousePress(&tabs, Qt::LeftButton, {}, tabs.tabRect(from).center());
        QTest::mouseRelease(&tabs, Qt::LeftButton, {}, tabs.tabRect(to).center());
    }
    // The search dialog, answered once it is open.
    static void answerFind(const QString &text, const QString &replacement = {}, bool fromTop = false)
    {
        QTimer::singleShot(0, [=] {
            auto *dialog = dynamic_cast<TkavFindDialog *>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            dialog->findChild<QLineEdit *>(u"TextE"_s)->setText(text);
            dialog->findChild<QLineEdit *>(u"ReplaceE"_s)->setText(replacement);
            dialog->findChild<QCheckBox *>(u"TopCB"_s)->setChecked(fromTop);
            dialog->accept();
        });
    }
    QAction *command(const char *name) const { return form->Command(QString::fromLatin1(name)); }

    QTemporaryDir dir;
    std::unique_ptr<TkavDesignerForm> form;
};

} // namespace

TEST_F(FormTest, PageTabsFollowThePagesAndDragsMoveThem)
{
    form->resize(1000, 700);
    form->show();
    EXPECT_EQ(tabTexts(), (QStringList{u"Code"_s, u"Data"_s, u"Page1"_s}));
    EXPECT_EQ(form->PageTabs().currentIndex(), 2);

    document().NewPage();
    document().NewPage();
    EXPECT_EQ(tabTexts(), (QStringList{u"Code"_s, u"Data"_s, u"Page1"_s, u"Page2"_s, u"Page3"_s}));
    EXPECT_EQ(form->PageTabs().currentIndex(), 4);

    // Page3 dropped on Page1's tab takes its place, in the tabs and in the report.
    dragTab(4, 2);
    EXPECT_EQ(tabTexts(), (QStringList{u"Code"_s, u"Data"_s, u"Page3"_s, u"Page1"_s, u"Page2"_s}));
    EXPECT_EQ(report->Pages(1)->Name(), u"Page3"_s);
    EXPECT_TRUE(document().Modified());
    // Neither the script tab nor the first page's tab moves or takes a page.
    dragTab(3, 1);
    dragTab(1, 3);
    dragTab(0, 4);
    EXPECT_EQ(report->Pages(1)->Name(), u"Page3"_s);
    EXPECT_EQ(report->Pages(0)->Name(), u"Data"_s);

    // Choosing a tab shows its page; deleting it rebuilds the tabs.
    form->PageTabs().setCurrentIndex(3);
    EXPECT_EQ(document().Page()->Name(), u"Page1"_s);
    command("DeletePageCmd")->trigger();
    EXPECT_EQ(tabTexts(), (QStringList{u"Code"_s, u"Data"_s, u"Page3"_s, u"Page2"_s}));
    EXPECT_EQ(report->PagesCount(), 3);
}

TEST_F(FormTest, TheCodeTabEditsTheReportsScript)
{
    form->show();
    form->PageTabs().setCurrentIndex(0);
    EXPECT_EQ(document().Page(), nullptr);
    TkavSyntaxMemo &code = form->CodeWindow();
    EXPECT_EQ(code.Text(), u"begin\n\nend."_s);
    code.moveCursor(QTextCursor::Down);
    QTest::keyClicks(&code, u"  ShowMessage('hi');"_s);
    EXPECT_TRUE(document().Modified());
    EXPECT_TRUE(command("SaveCmd")->isEnabled());
    // The next modification commits it to the report.
    form->PageTabs().setCurrentIndex(2);
    document().SetModified(true);
    EXPECT_EQ(report->ScriptText().ToStringList(), (QStringList{u"begin"_s, u"  ShowMessage('hi');"_s, u"end."_s}));
    // Undo brings the old script back into the editor.
    command("UndoCmd")->trigger();
    EXPECT_EQ(code.Text(), u"begin\n\nend."_s);
}

TEST_F(FormTest, PreviewStopsAtAScriptErrorOnTheCodeTab)
{
    int runs = 0;
    form->OnPreview = [&runs] { return ++runs, true; };
    form->show();
    report->ScriptText().SetText(u"begin\n  x := ;\nend."_s);
    document().ReloadReport();
    const QByteArray design = bytes();
    EXPECT_FALSE(form->PreviewReport());
    EXPECT_EQ(runs, 0);
    EXPECT_EQ(form->PageTabs().currentIndex(), 0);
    EXPECT_EQ(form->CodeWindow().GetPos().y(), 2);
    auto *bar = form->CodeWindow().findChild<QLabel *>(u"messageBar"_s);
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(bar->isVisible());
    EXPECT_FALSE(bar->text().isEmpty());
    EXPECT_EQ(bytes(), design);

    // Mended: the run goes ahead and the message goes away.
    form->CodeWindow().LoadText(u"begin\nend."_s);
    document().ScriptEdited({u"begin"_s, u"end."_s});
    command("PreviewCmd")->trigger();
    EXPECT_EQ(runs, 1);
    EXPECT_FALSE(bar->isVisible());
}

TEST_F(FormTest, TheReportTreeAndTheSelectionLeadEachOther)
{
    form->show();
    auto *memo = dynamic_cast<TkavMemoView *>(
        document().InsertObject(u"TkavMemoView"_s, 0, 10, find(u"MasterData1"_s)->Top() + 2, 80, 20));
    ASSERT_NE(memo, nullptr);
    TkavReportTreeForm &tree = form->ReportTree();
    ASSERT_NE(tree.ItemOf(memo), nullptr);
    EXPECT_TRUE(tree.ItemOf(memo)->isSelected());

    // Choosing an object on the tree selects it; an object of another page shows that page.
    document().NewPage();
    ASSERT_EQ(document().Page()->Name(), u"Page2"_s);
    TkavComponent *band = find(u"MasterData1"_s);
    tree.Tree()->setCurrentItem(tree.ItemOf(band));
    EXPECT_EQ(document().Page()->Name(), u"Page1"_s);
    EXPECT_EQ(document().SelectedObjects(), QList<TkavComponent *>{band});
    EXPECT_EQ(form->PageTabs().currentIndex(), 2);
    // The page's own item selects the page: the selection is never empty.
    tree.Tree()->setCurrentItem(tree.ItemOf(document().Page()));
    EXPECT_TRUE(document().Selection().IsPageSelected());
}

TEST_F(FormTest, ThePaletteOffersWhatThePageTakes)
{
    auto names = [this] {
        QStringList list;
        for (QAction *a : form->ObjectsTB().actions())
            list << a->objectName();
        return list;
    };
    const QStringList reportPage = names();
    for (const QString &name : {u"dsToolSelect"_s, u"InsertBandB"_s, u"InsertTkavMemoView"_s,
                                u"InsertTkavPictureView"_s, u"InsertTkavSubreport"_s, u"CategoryDraw"_s})
        EXPECT_TRUE(reportPage.contains(name)) << name.toStdString();
    EXPECT_FALSE(reportPage.contains(u"InsertTkavDMPMemoView"_s));

    form->ShowPage(0); // the data page takes no bands, pictures nor subreports
    const QStringList dataPage = names();
    EXPECT_TRUE(dataPage.contains(u"InsertTkavMemoView"_s));
    for (const QString &name : {u"InsertBandB"_s, u"InsertTkavPictureView"_s, u"InsertTkavSubreport"_s})
        EXPECT_FALSE(dataPage.contains(name)) << name.toStdString();

    // The band button's vertical kinds insert bands that run across the page.
    form->ShowPage(1);
    QAction *bandButton = nullptr;
    for (QAction *a : form->ObjectsTB().actions())
        if (a->objectName() == u"InsertBandB")
            bandButton = a;
    ASSERT_NE(bandButton, nullptr);
    auto *vertical = bandButton->menu()->findChild<QMenu *>(u"VerticalBandsMI"_s);
    ASSERT_NE(vertical, nullptr);
    for (QAction *a : vertical->actions())
        if (a->text() == kavResourceTable().Get(u"obMasterData"_s))
            a->trigger();
    auto *band = dynamic_cast<TkavBand *>(document().Selection().First());
    ASSERT_NE(band, nullptr);
    EXPECT_TRUE(band->Vertical());
    EXPECT_TRUE(band->InheritsFrom(u"TkavMasterData"));

    // Choosing a kind arms the workspace's insertion with it.
    for (QAction *a : form->ObjectsTB().actions())
        if (a->objectName() == u"InsertTkavMemoView")
            a->trigger();
    EXPECT_EQ(form->Workspace().Controller().Insertion().ComponentClass, u"TkavMemoView"_s);
}

// A report built from nothing: a data set placed on the data page is offered by the Data
// dialog, checking it gives the report its data (and the data tree its fields); undo takes
// it back. Data sets of another report are never offered.
TEST_F(FormTest, TheDataDialogGivesTheReportADataSetPlacedOnTheDataPage)
{
    form->ShowPage(0);
    QStringList palette;
    for (QAction *a : form->ObjectsTB().actions())
        palette << a->objectName();
    for (const QString &name : {u"InsertTkavSQLDatabase"_s, u"InsertTkavSQLQuery"_s, u"InsertTkavCSVDataSet"_s})
        EXPECT_TRUE(palette.contains(name)) << name.toStdString();

    QFile csv(dir.filePath(u"people.csv"_s));
    ASSERT_TRUE(csv.open(QIODevice::WriteOnly));
    csv.write("Name,City\nAnn,Porto\n");
    csv.close();
    auto *people = dynamic_cast<TkavCSVDataSet *>(document().InsertObject(u"TkavCSVDataSet"_s, 0, 40, 40, 28, 28));
    ASSERT_NE(people, nullptr);
    people->SetFileName(csv.fileName());
    people->SetUserName(u"People"_s);
    TkavReport other;
    TkavCSVDataSet foreign;
    foreign.SetParent(&other);
    foreign.SetUserName(u"Another"_s);
    ASSERT_EQ(kavReportDataCandidates(*report), (QList<TkavDataSet *>{people}));

    // The dialog opens modally: check the entry and confirm from the event loop.
    QTimer::singleShot(0, [] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        auto &list = static_cast<TkavReportDataForm *>(dialog)->DatasetsLB();
        ASSERT_EQ(list.count(), 1);
        list.item(0)->setCheckState(Qt::Checked);
        dialog->accept();
    });
    command("ReportDataCmd")->trigger();
    ASSERT_EQ(report->DataSets().Count(), 1);
    EXPECT_EQ(report->DataSets().Items(0)->DataSet(), people);
    EXPECT_TRUE(document().Modified());
    EXPECT_FALSE(form->DataTree().Tree(0)->findItems(u"City"_s, Qt::MatchRecursive).isEmpty());

    document().Undo();
    EXPECT_EQ(report->DataSets().Count(), 0);
}

TEST_F(FormTest, FindAndReplaceOnAPageAndInTheScript)
{
    form->show();
    const double top = find(u"MasterData1"_s)->Top() + 2;
    auto *first = dynamic_cast<TkavMemoView *>(document().InsertObject(u"TkavMemoView"_s, 0, 10, top, 80, 20));
    auto *second = dynamic_cast<TkavMemoView *>(document().InsertObject(u"TkavMemoView"_s, 0, 100, top, 80, 20));
    first->SetText(u"an abc"_s);
    second->SetText(u"ABC again"_s);
    EXPECT_FALSE(command("FindNextCmd")->isEnabled());
    answerFind(u"abc"_s);
    command("FindCmd")->trigger();
    EXPECT_EQ(document().SelectedObjects(), QList<TkavComponent *>{first});
    EXPECT_TRUE(command("FindNextCmd")->isEnabled());
    command("FindNextCmd")->trigger();
    EXPECT_EQ(document().SelectedObjects(), QList<TkavComponent *>{second});
    command("FindNextCmd")->trigger();
    ASSERT_EQ(ui().CallsOf(u"MessageDlg"_s).size(), 1u);
    EXPECT_EQ(ui().CallsOf(u"MessageDlg"_s)[0].Text, u"Text 'abc' not found"_s);

    // On the script: the editor's own search, replacing after the question.
    form->SwitchToCodeWindow();
    form->CodeWindow().LoadText(u"begin\n  a := 1; a := 2;\nend."_s);
    document().ScriptEdited(form->CodeWindow().Text().split(u'\n'));
    ui().MessageAnswers = {mrYes};
    answerFind(u"a :="_s, u"b :="_s, true);
    command("ReplaceCmd")->trigger();
    EXPECT_EQ(form->CodeWindow().Text(), u"begin\n  b := 1; a := 2;\nend."_s);
    ui().MessageAnswers = {mrAll};
    command("FindNextCmd")->trigger();
    EXPECT_EQ(form->CodeWindow().Text(), u"begin\n  b := 1; b := 2;\nend."_s);
    EXPECT_TRUE(ui().CallsOf(u"MessageDlg"_s).back().Text.contains(u"a :="_s));
}

TEST_F(FormTest, TheDockLayoutSurvivesARestart)
{
    form->resize(1200, 800);
    form->show();
    auto dock = [this](const char *name) { return form->findChild<QDockWidget *>(QString::fromLatin1(name)); };
    // First start: the default layout, trees and inspector visible.
    EXPECT_TRUE(dock("DataTreeDock")->isVisible());
    EXPECT_EQ(form->dockWidgetArea(dock("InspectorDock")), Qt::LeftDockWidgetArea);
    command("DataTreeTBCmd")->trigger();
    EXPECT_FALSE(dock("DataTreeDock")->isVisible());
    form->addDockWidget(Qt::RightDockWidgetArea, dock("ReportTreeDock"));
    command("ShowRulersCmd")->trigger();
    ASSERT_TRUE(form->CloseQuery());
    form.reset();

    form = std::make_unique<TkavDesignerForm>(*report);
    form->resize(1200, 800);
    form->show();
    EXPECT_FALSE(dock("DataTreeDock")->isVisible());
    EXPECT_FALSE(command("DataTreeTBCmd")->isChecked());
    EXPECT_EQ(form->dockWidgetArea(dock("ReportTreeDock")), Qt::RightDockWidgetArea);
    EXPECT_FALSE(command("ShowRulersCmd")->isChecked());
    // A window opened on a report shows its script at once.
    EXPECT_EQ(form->CodeWindow().Text(), u"begin\n\nend."_s);
}

TEST_F(FormTest, RestrictedCommandsAreDisabled)
{
    TkavDesigner settings;
    settings.SetRestrictions({drDontSaveReport, drDontInsertObject, drDontDeletePage,
                              drDontChangeReportOptions, drDontChangePageOptions});
    document().NewPage();
    form->UpdateCommands();
    for (const char *name : {"SaveCmd", "SaveAsCmd", "DeletePageCmd", "ReportOptionsCmd", "PageSettingsCmd"})
        EXPECT_FALSE(command(name)->isEnabled()) << name;
    EXPECT_TRUE(command("OpenCmd")->isEnabled());
    for (QAction *a : form->ObjectsTB().actions()) {
        if (a->objectName().startsWith(u"Insert"))
            EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
    }
}

TEST_F(FormTest, TheHostMenuIsBoundToTheCommands)
{
    form.reset();
    QGuiApplication::clipboard()->clear();
    TForm1 host(*report);
    host.Designer().Document().NewReport();
    const char *items[] = {"NewMI", "NewReportMI", "NewPageMI", "NewDialogMI", "OpenMI", "SaveMI", "SaveasMI",
                           "PreviewMI", "PagesettingsMI", "ExitMI", "UndoMI", "RedoMI", "CutMI", "CopyMI",
                           "PasteMI", "DeleteMI", "DeletePageMI", "SelectAllMI", "GroupMI", "UngroupMI", "EditMI",
                           "FindMI", "ReplaceMI", "FindNextMI", "BringtoFrontMI", "SendtoBackMI", "DataMI",
                           "VariablesMI", "StylesMI", "ReportOptionsMI", "ConnectionsMI", "ToolbarsMI", "StandardMI", "TextMI",
                           "FrameMI", "AlignmentPaletteMI", "ObjectInspectorMI", "DataTreeMI", "ReportTreeMI",
                           "RulersMI", "GuidesMI", "DeleteGuidesMI", "OptionsMI", "HelpContentsMI",
                           "AboutKavrelMI"};
    QStringList disabled;
    for (const char *name : items) {
        QAction *item = host.MenuItem(QString::fromLatin1(name));
        ASSERT_NE(item, nullptr) << name;
        EXPECT_FALSE(item->text().isEmpty()) << name;
        if (!item->isEnabled())
            disabled << QString::fromLatin1(name);
    }
    // Right after a new report: nothing to undo, save, cut or find again; nor the
    // connections of a standalone designer.
    EXPECT_EQ(disabled, (QStringList{u"SaveMI"_s, u"UndoMI"_s, u"RedoMI"_s, u"CutMI"_s,
                                      u"CopyMI"_s, u"PasteMI"_s, u"DeleteMI"_s, u"DeletePageMI"_s, u"GroupMI"_s,
                                      u"UngroupMI"_s, u"EditMI"_s, u"FindNextMI"_s, u"BringtoFrontMI"_s,
                                      u"SendtoBackMI"_s, u"ConnectionsMI"_s}));
    EXPECT_EQ(host.MenuItem(u"UndoMI"_s)->text(), kavResourceTable().Get(u"dsUndo"_s));
    EXPECT_FALSE(host.MenuItem(u"ConnectionsMI"_s)->isVisible()); // the host is not standalone
    EXPECT_EQ(host.MenuItem(u"SaveMI"_s)->shortcut(), QKeySequence(QKeySequence::Save));

    // A chosen item runs its command and follows its state.
    host.MenuItem(u"NewPageMI"_s)->trigger();
    EXPECT_EQ(report->PagesCount(), 3);
    EXPECT_TRUE(host.MenuItem(u"UndoMI"_s)->isEnabled());
    EXPECT_TRUE(host.MenuItem(u"SaveMI"_s)->isEnabled());
    EXPECT_TRUE(host.MenuItem(u"RulersMI"_s)->isChecked());
    host.MenuItem(u"RulersMI"_s)->trigger();
    EXPECT_FALSE(host.MenuItem(u"RulersMI"_s)->isChecked());
    EXPECT_FALSE(host.Designer().Document().Options().ShowRulers);
}
