// The debugger's evaluate dialog and watch list: the value texts, Enter evaluating, watch
// mode taking only an expression, and watches listed disabled, not accessible or with values.

#include "kavDesignerTestSupport.h"
#include "kavDialogTestSupport.h"

#include <designer/code/kavDesgnWatch.h>
#include <script/ky_script.h>

#include <QCloseEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTest>

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
