// The main window: the Preview tab runs the report as designed, into the preview, and the
// design comes back byte for byte, with its undo history and selection; every switch runs
// anew.

#include "kavDesignerTestSupport.h"

#include <designer/code/kavDesgnDebugger.h>
#include <designer/code/kavDesgnSyntaxMemo.h>
#include <designer/window/Unit1.h>
#include <designer/window/kavDesgnForm.h>
#include <prepared/kavPreviewPages.h>
#include <preview/kavPreviewForm.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

class HostTest : public DesignerTest
{
protected:
    void SetUp() override
    {
        DesignerTest::SetUp();
        // The window restores and saves its settings: keep them out of the user's store.
        report->SetIniFile(dir.filePath(u"designer.ini"_s));
    }
    QString path(const QString &name) const { return dir.filePath(name); }
    static QByteArray fileBytes(const QString &name)
    {
        QFile file(name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir dir;
};

} // namespace

TEST_F(HostTest, PreviewTabRunsTheDesignAndLeavesItAsItWas)
{
    doc.reset(); // the window's designer is the only one on the report
    TForm1 form(*report);
    DesignerDocument &document = form.Designer().Document();
    document.NewReport();
    document.InsertObject(u"TkavMemoView"_s, 0, 10, find(u"MasterData1"_s)->Top() + 2, 80, 20);
    auto *memo = find<TkavMemoView>(u"Memo1"_s);
    ASSERT_NE(memo, nullptr);
    memo->SetText(u"[Page#] of [TotalPages#]"_s);
    // The report's script moves the memo while it runs: the design must not keep that.
    report->ScriptText().SetText(u"begin\n  Memo1.Left := 300;\n  Memo1.Text := 'changed';\nend."_s);
    document.SetModified(true);
    const QByteArray before = bytes();
    const double left = memo->Left();
    const int undoCount = document.UndoBuffer().UndoCount();
    form.show();

    form.ShowSheet(1);
    ASSERT_NE(report->PreviewPages(), nullptr);
    EXPECT_EQ(report->PreviewPages()->Count(), 1);
    EXPECT_EQ(bytes(), before);
    EXPECT_EQ(document.UndoBuffer().UndoCount(), undoCount);
    ASSERT_NE(find<TkavMemoView>(u"Memo1"_s), nullptr);
    EXPECT_EQ(find<TkavMemoView>(u"Memo1"_s)->Left(), left);
    EXPECT_NE(left, 300);

    // Back and forth: the second run starts from empty pages.
    form.ShowSheet(0);
    EXPECT_EQ(report->PreviewPages()->Count(), 1);
    form.ShowSheet(1);
    EXPECT_EQ(report->PreviewPages()->Count(), 1);
    EXPECT_EQ(bytes(), before);
    EXPECT_EQ(form.PageControl1().currentIndex(), 1);

    // The tab carries the preview's own tool bar, without a Close that would hide the tab,
    // and Escape leaves it where it is.
    auto *sheet = form.findChild<TkavPreviewForm *>(u"PreviewSheet"_s);
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->Preview(), &form.kavPreview1());
    EXPECT_FALSE(sheet->CloseAction()->isVisible());
    QTest::keyClick(sheet, Qt::Key_Escape);
    EXPECT_TRUE(sheet->isVisible());
}

TEST_F(HostTest, ClosingAModifiedReportAsksAndCancelKeepsTheWork)
{
    doc.reset();
    TForm1 form(*report);
    DesignerDocument &document = form.Designer().Document();
    document.NewReport();
    document.InsertObject(u"TkavMemoView"_s, 0, 10, find(u"MasterData1"_s)->Top() + 2, 80, 20);
    ASSERT_TRUE(document.Modified());
    const QByteArray work = bytes();
    form.show();

    ui().MessageAnswers = {mrCancel};
    EXPECT_FALSE(form.close());
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(document.Modified());
    EXPECT_EQ(bytes(), work);
    ASSERT_EQ(ui().CallsOf(u"MessageDlg"_s).size(), 1u);
    EXPECT_TRUE(ui().CallsOf(u"MessageDlg"_s)[0].Text.endsWith(u"Untitled.kv3?"_s));

    // Yes with a save dialog that is cancelled: nothing was saved, so the window stays.
    ui().MessageAnswers = {mrYes};
    ui().FileAnswers = {std::nullopt};
    EXPECT_FALSE(form.close());
    EXPECT_TRUE(document.Modified());

    // Yes and a file: saved, then closed; the file holds the work.
    ui().MessageAnswers = {mrYes};
    ui().FileAnswers = {QStringList{path(u"closed.kv3"_s)}};
    EXPECT_TRUE(form.close());
    EXPECT_FALSE(document.Modified());
    TkavReport reloaded;
    ASSERT_TRUE(reloaded.LoadFromFile(path(u"closed.kv3"_s)));
    EXPECT_NE(reloaded.FindObject(u"Memo1"_s), nullptr);
}

TEST_F(HostTest, DiscardClosesWithoutWriting)
{
    doc.reset();
    TForm1 form(*report);
    form.Designer().Document().NewReport();
    form.Designer().Document().SetModified(true);
    form.show();
    ui().MessageAnswers = {mrNo};
    EXPECT_TRUE(form.close());
    EXPECT_TRUE(ui().CallsOf(u"SaveFile"_s).empty());
    EXPECT_TRUE(QDir(dir.path()).entryList({u"*.kv3"_s}).isEmpty());
}

TEST_F(HostTest, FileMenuSavesReopensAndListsRecentFiles)
{
    doc.reset();
    TForm1 form(*report);
    DesignerDocument &document = form.Designer().Document();
    document.NewReport();
    EXPECT_FALSE(form.MenuItem(u"UndoMI"_s)->isEnabled());
    document.InsertObject(u"TkavMemoView"_s, 0, 10, find(u"MasterData1"_s)->Top() + 2, 80, 20);
    EXPECT_TRUE(form.MenuItem(u"UndoMI"_s)->isEnabled());
    EXPECT_TRUE(form.windowTitle().endsWith(u'*'));

    const QString first = path(u"first.kv3"_s);
    ui().FileAnswers = {QStringList{first}};
    form.MenuItem(u"SaveasMI"_s)->trigger();
    EXPECT_EQ(form.windowTitle(), u"Kavrel - "_s + first);
    const QByteArray saved = fileBytes(first);
    ASSERT_FALSE(saved.isEmpty());

    // Save goes to the same file without asking; a second name joins the recent list.
    find<TkavMemoView>(u"Memo1"_s)->SetText(u"changed"_s);
    document.SetModified(true);
    form.MenuItem(u"SaveMI"_s)->trigger();
    EXPECT_EQ(ui().CallsOf(u"SaveFile"_s).size(), 1u);
    EXPECT_TRUE(fileBytes(first).contains("changed"));
    ui().FileAnswers = {QStringList{path(u"second.kv3"_s)}};
    form.MenuItem(u"SaveasMI"_s)->trigger();

    // The recent menu lists the newest first; choosing the other one opens it.
    auto *recent = form.menuBar()->findChild<QMenu *>(u"RecentMI"_s);
    ASSERT_NE(recent, nullptr);
    Q_EMIT recent->aboutToShow();
    const QList<QAction *> items = recent->actions();
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items[0]->text(), path(u"second.kv3"_s));
    EXPECT_EQ(items[1]->text(), first);
    find<TkavMemoView>(u"Memo1"_s)->SetText(u"unsaved"_s);
    document.SetModified(true);
    ui().MessageAnswers = {mrNo};
    items[1]->trigger();
    EXPECT_EQ(report->FileName(), first);
    EXPECT_EQ(find<TkavMemoView>(u"Memo1"_s)->Text().trimmed(), u"changed"_s);
    EXPECT_FALSE(document.Modified());
    EXPECT_EQ(form.windowTitle(), u"Kavrel - "_s + first);
}

// A breakpoint in an event handler pauses the Preview tab's run on the Designer tab; Run goes
// on to the pages on the Preview tab; Stop leaves the author with the script.
TEST_F(HostTest, DebuggerPausesOnTheDesignerTabAndReturnsToThePreview)
{
    doc.reset();
    TForm1 form(*report);
    TkavDesignerForm &designer = form.Designer();
    DesignerDocument &document = designer.Document();
    document.NewReport();
    TkavComponent *memo = document.InsertObject(u"TkavMemoView"_s, 0, 10, find(u"ReportTitle1"_s)->Top() + 2, 80, 16);
    ASSERT_NE(memo, nullptr);
    kavFindProp(*memo, u"OnBeforePrint")->SetStr(*memo, u"MemoBeforePrint"_s);
    report->ScriptText().SetText(u"procedure MemoBeforePrint(Sender: TkavComponent);\nbegin\n  Memo1.Text := 'x';\n"
                                 u"end;\n\nbegin\nend."_s);
    document.ReloadReport();
    form.show();
    designer.CodeWindow().ToggleBreakPoint(3);
    QAction *run = designer.Command(u"RunScriptCmd"_s);
    QList<int> tabsInPause;
    const auto pauseThen = [&](const char *command, bool clickPreview) {
        QTimer::singleShot(0, [&, command, clickPreview] {
            tabsInPause << form.PageControl1().currentIndex();
            EXPECT_TRUE(designer.Debugger().Paused());
            if (clickPreview) // starts no second run
                form.PageControl1().setCurrentIndex(1);
            EXPECT_TRUE(designer.Debugger().Paused());
            designer.Command(QString::fromLatin1(command))->trigger();
        });
    };
    pauseThen("RunScriptCmd", true);
    run->trigger();
    EXPECT_EQ(tabsInPause, QList<int>{0});
    EXPECT_EQ(form.PageControl1().currentIndex(), 1);
    ASSERT_NE(report->PreviewPages(), nullptr);
    EXPECT_EQ(report->PreviewPages()->Count(), 1);

    form.ShowSheet(0);
    pauseThen("StopScriptCmd", false);
    run->trigger();
    EXPECT_EQ(tabsInPause, (QList<int>{0, 0}));
    EXPECT_EQ(form.PageControl1().currentIndex(), 0);
    EXPECT_FALSE(designer.Debugger().Running());
}
