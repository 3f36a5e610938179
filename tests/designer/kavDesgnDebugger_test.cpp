// The script debugger: pausing, stepping and stopping a run; the evaluate dialog and watch
// list: the value texts, Enter evaluating, watch mode taking only an expression, and watches
// listed disabled, not accessible or with values.

#include "kavDesignerTestSupport.h"
#include "kavDialogTestSupport.h"

#include <designer/code/kavDesgnDebugger.h>
#include <designer/code/kavDesgnSyntaxMemo.h>
#include <designer/code/kavDesgnSyntaxText.h>
#include <designer/code/kavDesgnWatch.h>
#include <designer/document/kavDesgnDocument.h>
#include <designer/window/kavDesgnForm.h>
#include <report/kavBands.h>
#include <rtl/kavRTTI.h>
#include <script/ky_script.h>

#include <QCloseEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

class WatchTest : public DesignerTest
{
protected:
    void SetUp() override
    {
        DesignerTest::SetUp();
        report->ScriptText().SetText(u"var a: Integer;\nbegin\n  a := 1;\nend."_s);
        ASSERT_TRUE(report->PrepareScript()) << script().ErrorMsg().toStdString();
        script().Execute();
    }
    TkyScript &script() { return report->Script(); }
    QStringList rows(const TkavWatchForm &form)
    {
        QStringList texts;
        for (int i = 0; i < form.WatchLB().count(); ++i)
            texts << form.WatchLB().item(i)->text();
        return texts;
    }
};

} // namespace

TEST_F(WatchTest, ValuesReadAsTheDebuggerShowsThem)
{
    EXPECT_EQ(kavEvaluateText(script(), u"1 = 1"_s), u"True"_s);
    EXPECT_EQ(kavEvaluateText(script(), u"'ab' + 'c'"_s), u"'abc'"_s);
    EXPECT_EQ(kavEvaluateText(script(), u"Null"_s), u"Null"_s);
    EXPECT_EQ(kavEvaluateText(script(), u"a + 1"_s), u"2"_s);
    const QString bad = kavEvaluateText(script(), u"1 +"_s); // a compile error is a quoted message
    EXPECT_TRUE(bad.startsWith(u'\'') && bad.endsWith(u'\'') && bad.size() > 2) << bad.toStdString();
}

TEST_F(WatchTest, EnterEvaluatesAndWatchModeOnlyTakesTheExpression)
{
    TkavEvaluateForm dialog(&script(), false);
    dialog.show();
    dialog.SetExpression(u"a * 10"_s);
    QTest::keyClick(field<QLineEdit>(dialog, "ExpressionE"), Qt::Key_Return);
    EXPECT_EQ(field<QPlainTextEdit>(dialog, "ResultM")->toPlainText(), u"10"_s);
    EXPECT_TRUE(dialog.isVisible()); // Enter evaluates, it does not close
    EXPECT_EQ(field<QLineEdit>(dialog, "ExpressionE")->selectedText(), u"a * 10"_s);

    TkavEvaluateForm watch(&script(), true);
    watch.show();
    EXPECT_FALSE(field<QPlainTextEdit>(watch, "ResultM")->isVisible());
    EXPECT_TRUE(field<QWidget>(watch, "OkB")->isVisible());
    watch.SetExpression(u"a"_s);
    QTest::keyClick(field<QLineEdit>(watch, "ExpressionE"), Qt::Key_Return);
    EXPECT_EQ(watch.result(), QDialog::Accepted);
    EXPECT_TRUE(field<QPlainTextEdit>(watch, "ResultM")->toPlainText().isEmpty());
}

TEST_F(WatchTest, WatchesShowTheirStateAndValues)
{
    TkavWatchForm form;
    form.SetScript(&script());
    whenOpen([](QDialog &d) {
        field<QLineEdit>(d, "ExpressionE")->setText(u"a"_s);
        d.accept();
    });
    form.AddWatch();
    EXPECT_EQ(rows(form), QStringList{u"a: not accessible"_s}); // no debugging run
    form.SetScriptRunning(true);
    EXPECT_EQ(rows(form), QStringList{u"a: 1"_s});

    form.WatchLB().item(0)->setCheckState(Qt::Unchecked); // the user's click
    EXPECT_EQ(rows(form), QStringList{u"a: disabled"_s});
    EXPECT_FALSE(form.Watches()[0].Enabled);

    whenOpen([](QDialog &d) {
        EXPECT_EQ(field<QLineEdit>(d, "ExpressionE")->text(), u"a"_s);
        field<QLineEdit>(d, "ExpressionE")->setText(u"a + 1"_s);
        d.accept();
    });
    form.WatchLB().setCurrentRow(0);
    form.EditWatch();
    EXPECT_EQ(rows(form), QStringList{u"a + 1: disabled"_s}); // edited, state kept
    form.SetEnabled(0, true);
    EXPECT_EQ(rows(form), QStringList{u"a + 1: 2"_s});
    // A value of several lines stays on its row.
    form.SetWatchListText(u"'one' + #13#10 + 'two'"_s);
    form.SetEnabled(0, true);
    EXPECT_EQ(rows(form), QStringList{u"'one' + #13#10 + 'two': 'one\u21b5two'"_s});
    form.SetWatchListText(u"a + 1"_s);
    form.SetEnabled(0, true);

    // Saved as lines; read back after a restart, every watch is disabled.
    TkavWatchForm next;
    next.SetWatchListText(form.WatchListText() + u"\nb"_s);
    EXPECT_EQ(rows(next), (QStringList{u"a + 1: disabled"_s, u"b: disabled"_s}));

    QCloseEvent close;
    QApplication::sendEvent(&form, &close);
    EXPECT_FALSE(close.isAccepted()); // the user cannot close it
    form.WatchLB().setCurrentRow(0);
    form.DeleteWatch();
    EXPECT_TRUE(rows(form).isEmpty());
}

// Step pauses on the first statement and then on each next one; the paused script's values
// are readable; Stop ends the run before its next statement.
TEST_F(WatchTest, StepPausesLineByLineAndStopTerminates)
{
    const QString text = u"var a, b: Integer;\nbegin\n a := 1;\n b := 2;\nend."_s;
    report->ScriptText().SetText(text);
    TkavSyntaxText code;
    code.SetText(text);
    TkavScriptDebugger debugger(*report, code);
    debugger.OnStartRun = [&] {
        if (!report->PrepareScript())
            return false;
        script().Execute();
        return true;
    };
    QList<int> lines;
    QStringList values;
    debugger.OnPause = [&](int line, int) {
        lines << line;
        EXPECT_TRUE(debugger.Paused());
        EXPECT_EQ(code.ActiveLine(), line);
        values << kavEvaluateText(script(), u"a"_s);
        if (lines.size() == 1)
            debugger.Step();
        else
            debugger.Stop();
    };
    debugger.Step();
    EXPECT_EQ(lines, (QList<int>{3, 4}));
    EXPECT_EQ(values.last(), u"1"_s);
    EXPECT_TRUE(code.GetRunLine(3));
    EXPECT_FALSE(code.GetRunLine(1)); // a declaration is not a statement
    EXPECT_TRUE(report->Terminated());
    EXPECT_EQ(kavEvaluateText(script(), u"b"_s), u"0"_s); // never assigned
    EXPECT_FALSE(debugger.Running());
    EXPECT_EQ(code.ActiveLine(), -1);

    // Run stops only at breakpoints; a run-to-cursor one is gone once reached.
    report->SetTerminated(false);
    lines.clear();
    debugger.OnPause = [&](int line, int) {
        lines << line;
        debugger.Run();
    };
    code.ToggleBreakPoint(4);
    debugger.RunToCursor(3);
    EXPECT_EQ(lines, (QList<int>{3, 4}));
    EXPECT_FALSE(code.IsBreakPoint(3));
    EXPECT_TRUE(code.IsBreakPoint(4));
    EXPECT_EQ(kavEvaluateText(script(), u"b"_s), u"2"_s);
}

namespace {

class DebugFormTest : public WatchTest
{
protected:
    void SetUp() override
    {
        WatchTest::SetUp();
        doc.reset(); // the window's designer is the only one on the report
        report->SetIniFile(dir.filePath(u"designer.ini"_s));
        form = std::make_unique<TkavDesignerForm>(*report);
        form->Document().NewReport();
    }
    void TearDown() override
    {
        form.reset();
        WatchTest::TearDown();
    }
    QAction *command(const char *name) const { return form->Command(QString::fromLatin1(name)); }

    QTemporaryDir dir;
    std::unique_ptr<TkavDesignerForm> form;
};

} // namespace

// A breakpoint in a memo's event handler stops a preview run there, on the script page, with
// the watches readable; Run goes on to the end and the design is as it was.
TEST_F(DebugFormTest, BreakpointInAnEventHandlerStopsThePreviewRun)
{
    DesignerDocument &document = form->Document();
    auto *title = dynamic_cast<TkavBand *>(report->FindObject(u"ReportTitle1"_s)); // of a new report
    ASSERT_TRUE(title);
    TkavComponent *memo = document.InsertObject(u"TkavMemoView"_s, 0, 10, title->Top() + 2, 80, 16);
    ASSERT_TRUE(memo);
    kavFindProp(*memo, u"OnBeforePrint")->SetStr(*memo, u"MemoBeforePrint"_s);
    const QStringList lines{u"procedure MemoBeforePrint(Sender: TkavComponent);"_s, u"begin"_s,
                            u"  "_s + memo->Name() + u".Text := 'seen';"_s, u"end;"_s, u"begin"_s, u"end."_s};
    form->CodeWindow().LoadText(lines.join(u'\n'));
    document.ScriptEdited(lines);
    document.SetModified(true); // commits the edited script
    const QString memoName = memo->Name();
    int runs = 0;
    form->OnPreview = [&] { return ++runs, report->PrepareReport(true); };
    form->WatchForm().SetWatchListText(u"Sender.Name"_s);
    form->WatchForm().SetEnabled(0, true);
    const QByteArray design = bytes();

    QList<int> pauses;
    form->OnDebugPause = [&](bool paused) {
        if (!paused)
            return;
        QTimer::singleShot(0, [&] {
            pauses << form->CodeWindow().Model().ActiveLine();
            EXPECT_EQ(form->PageTabs().currentIndex(), 0); // the script page
            EXPECT_EQ(form->WatchForm().WatchLB().item(0)->text(), u"Sender.Name: '"_s + memoName + u'\'');
            EXPECT_FALSE(command("StepScriptCmd")->isEnabled() && !command("StopScriptCmd")->isEnabled());
            EXPECT_FALSE(form->CloseQuery()); // never while the script runs
            command("RunScriptCmd")->trigger();
        });
    };
    form->CodeWindow().ToggleBreakPoint(3);
    command("RunScriptCmd")->trigger();
    EXPECT_EQ(pauses, QList<int>{3});
    EXPECT_EQ(runs, 1);
    EXPECT_FALSE(form->Debugger().Running());
    EXPECT_EQ(form->CodeWindow().Model().ActiveLine(), -1);
    EXPECT_EQ(form->WatchForm().WatchLB().item(0)->text(), u"Sender.Name: not accessible"_s);
    EXPECT_EQ(bytes(), design);

    // Stop in the pause ends the run there.
    form->OnDebugPause = [&](bool paused) {
        if (paused)
            QTimer::singleShot(0, [&] { command("StopScriptCmd")->trigger(); });
    };
    command("RunScriptCmd")->trigger();
    EXPECT_EQ(runs, 2);
    EXPECT_TRUE(report->Terminated());
    EXPECT_FALSE(form->Debugger().Running());
}

// Expressions compiled on the fly (texts in brackets, Evaluate) have no lines in the report's
// text: stepping does not stop in them, only in what they call there.
TEST_F(WatchTest, ExpressionsHaveNoLinesToStopAt)
{
    report->ScriptText().SetText(u"function Twice(x: Integer): Integer;\nbegin\n  Result := 2 * x;\nend;\nbegin\nend."_s);
    ASSERT_TRUE(report->PrepareScript());
    QStringList heard;
    script().SetOnRunLine([&](TkyScript &, const QString &, const QString &pos) { heard << pos; });
    EXPECT_EQ(report->Calc(u"1 + 2"_s).AsInteger(), 3);
    EXPECT_EQ(script().Evaluate(u"4 + 5"_s).AsInteger(), 9);
    EXPECT_TRUE(heard.isEmpty()) << heard.join(u' ').toStdString();
    EXPECT_EQ(report->Calc(u"Twice(4)"_s).AsInteger(), 8);
    ASSERT_EQ(heard.size(), 1);
    EXPECT_TRUE(heard[0].startsWith(u"3:"_s)) << heard[0].toStdString();
    script().SetOnRunLine(nullptr);
}
