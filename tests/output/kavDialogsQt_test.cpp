// Dialog pages on an offscreen screen: the report's run shows the page as a window of
// widgets, what the user types and clicks (driven with QTest from timers while the modal
// loop runs) reaches the report through its script, and Cancel stops the run and keeps
// the pages of the run before.

#include "../engine/kavEngineTestSupport.h"

#include <output/kavFormsQt.h>
#include <prepared/kavPreviewPages.h>
#include <report/kavBands.h>
#include <engine/kavEngine.h>
#include <report/kavDataSets.h>
#include <report/kavDialogControls.h>
#include <report/kavDialogs.h>
#include <report/kavViews.h>

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

QDialog *shownDialog(const QString &name)
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *dialog = qobject_cast<QDialog *>(w);
            dialog && dialog->isVisible() && dialog->objectName() == name)
            return dialog;
    return nullptr;
}

template <class W>
W *shownWidget(const QString &form, const QString &name)
{
    QDialog *dialog = shownDialog(form);
    return dialog ? dialog->findChild<W *>(name) : nullptr;
}

class QtDialogPages : public ::testing::Test
{
protected:
    void SetUp() override
    {
        previous = kySetFormPresenter(std::make_unique<TkavQtFormPresenter>());
        report = kavNewTestReport();
        dialog = TkavComponent::Create<TkavDialogPage>(report.get());
        dialog->SetName(u"Ask"_s);
        dialog->SetCaption(u"Which customer?"_s);
        dialog->SetBounds(100, 100, 300, 160);
        edit = TkavComponent::Create<TkavEditControl>(dialog);
        edit->SetName(u"Edit1"_s);
        edit->SetBounds(8, 8, 200, 24);
        edit->SetText(u"designed"_s);
        auto *ok = TkavComponent::Create<TkavButtonControl>(dialog);
        ok->SetName(u"OkButton"_s);
        ok->SetCaption(u"OK"_s);
        ok->SetModalResult(mrOk);
        ok->SetBounds(8, 100, 80, 28);
        ok->SetOnClick(u"OkClick"_s);
        auto *cancel = TkavComponent::Create<TkavButtonControl>(dialog);
        cancel->SetName(u"CancelButton"_s);
        cancel->SetCaption(u"Cancel"_s);
        cancel->SetModalResult(mrCancel);
        cancel->SetBounds(100, 100, 80, 28);
        auto *page = kavAddTestPage(*report, u"Page1"_s);
        auto *title = kavAddTestBand<TkavReportTitle>(*page, u"Title"_s, 0, 20);
        auto *memo = TkavComponent::Create<TkavMemoView>(title);
        memo->SetName(u"Memo1"_s);
        memo->SetBounds(0, 0, 300, 18);
        memo->SetText(u"Customer: [Edit1.Text] [Clicked]"_s);
        TStringList lines;
        lines.SetText(uR"(
var Clicked: String;
procedure OkClick(Sender: TkavComponent);
begin
  Clicked := 'clicked ' + TkavComponent(Sender).Name;
end;
begin
  Clicked := 'not clicked';
end.
)"_s);
        report->SetScriptText(lines);
    }

    void TearDown() override
    {
        report.reset(); // the windows go while their presenter is still there
        kySetFormPresenter(std::move(previous));
    }

    // Runs the report while user plays the user from the event loop; a watchdog closes a
    // window the steps failed to close, so a fault fails, never hangs.
    bool run(std::function<void()> user)
    {
        QTimer::singleShot(0, qApp, std::move(user));
        QTimer watchdog;
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, [] {
            for (QWidget *w : QApplication::topLevelWidgets())
                if (auto *d = qobject_cast<QDialog *>(w); d && d->isVisible())
                    d->done(mrAbort);
        });
        watchdog.start(5000);
        return report->PrepareReport(true);
    }

    QString printed() const
    {
        const QStringList lines
            = kavDumpPreparedPages(*report->PreviewPages()).split(u'\n', Qt::SkipEmptyParts);
        const QStringList memos = lines.filter(u"TkavMemoView Memo1 "_s);
        return memos.isEmpty() ? QString() : memos.first().section(u'"', 1, -2);
    }

    std::unique_ptr<TkyFormPresenter> previous;
    TkavEngine *engine() const { return static_cast<TkavEngine *>(report->Engine()); }

    std::unique_ptr<TkavReport> report;
    TkavDialogPage *dialog = nullptr;
    TkavEditControl *edit = nullptr;
};

} // namespace

TEST_F(QtDialogPages, TypedValueAndOkReachTheReport)
{
    QString title;
    QString shownText;
    ASSERT_TRUE(run([&] {
        QDialog *window = shownDialog(u"Ask"_s);
        auto *line = shownWidget<QLineEdit>(u"Ask"_s, u"Edit1"_s);
        auto *ok = shownWidget<QPushButton>(u"Ask"_s, u"OkButton"_s);
        if (!window || !line || !ok)
            return;
        title = window->windowTitle();
        shownText = line->text();
        line->selectAll();
        QTest::keyClicks(line, u"Ana Berg"_s);
        QTest::mouseClick(ok, Qt::LeftButton);
    })) << report->ErrorsText().toStdString();
    EXPECT_EQ(title, u"Which customer?"_s);
    EXPECT_EQ(shownText, u"designed"_s);
    EXPECT_EQ(printed(), u"Customer: Ana Berg clicked OkButton"_s);
    EXPECT_EQ(edit->Text(), u"Ana Berg"_s);
}

// Cancel stops the run; the pages of the run before stay as they were.
TEST_F(QtDialogPages, CancelStopsTheRunAndKeepsThePages)
{
    ASSERT_TRUE(run([] {
        if (auto *ok = shownWidget<QPushButton>(u"Ask"_s, u"OkButton"_s))
            QTest::mouseClick(ok, Qt::LeftButton);
    })) << report->ErrorsText().toStdString();
    ASSERT_EQ(printed(), u"Customer: designed clicked OkButton"_s);

    bool typed = false;
    EXPECT_FALSE(run([&] {
        auto *line = shownWidget<QLineEdit>(u"Ask"_s, u"Edit1"_s);
        auto *cancel = shownWidget<QPushButton>(u"Ask"_s, u"CancelButton"_s);
        if (!line || !cancel)
            return;
        QTest::keyClicks(line, u" changed"_s);
        typed = true;
        QTest::mouseClick(cancel, Qt::LeftButton);
    }));
    EXPECT_TRUE(typed);
    EXPECT_EQ(engine()->CancelledDialog(), u"Ask"_s);
    EXPECT_EQ(report->Errors().Count(), 0) << report->ErrorsText().toStdString();
    EXPECT_EQ(report->PreviewPages()->Count(), 1);
    EXPECT_EQ(printed(), u"Customer: designed clicked OkButton"_s);
}

// Escape is Cancel when no button says otherwise.
TEST_F(QtDialogPages, EscapeCancels)
{
    EXPECT_FALSE(run([] {
        if (QDialog *window = shownDialog(u"Ask"_s))
            QTest::keyClick(window, Qt::Key_Escape);
    }));
    EXPECT_EQ(engine()->CancelledDialog(), u"Ask"_s);
    EXPECT_EQ(report->PreviewPages()->Count(), 0);
}
