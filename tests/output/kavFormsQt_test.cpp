// Script forms on an offscreen screen: the Qt presenter builds widgets from a script's
// form, user input (driven with QTest from timers while the modal loop runs) reaches the
// model and the script, and script changes reach the widgets.

#include "../script/kyScriptTestSupport.h"

#include <output/kavFormsQt.h>
#include <scriptlib/kavScriptLibrary.h>
#include <scriptlib/ky_formsrtti.h>
#include <scriptlib/ky_graphicsrtti.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <functional>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// The visible form window named name, or nullptr.
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

class QtForms : public ::testing::Test
{
protected:
    void SetUp() override
    {
        kyEnsureBuiltinLanguages();
        kavRegisterScriptLibrary();
        script.AddRTTI();
        auto qt = std::make_unique<TkavQtFormPresenter>();
        presenter = qt.get();
        previous = kySetFormPresenter(std::move(qt));
    }
    void TearDown() override
    {
        script.Clear(); // forms go while their presenter is still there
        kySetFormPresenter(std::move(previous));
    }

    // Runs source; while a modal loop runs, user plays the user (from the event loop). A
    // watchdog ends a loop that the steps failed to close, so a fault fails, never hangs.
    std::string run(const QString &source, std::function<void()> user = {})
    {
        if (user)
            QTimer::singleShot(0, qApp, user);
        QTimer watchdog;
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, [] {
            for (QWidget *w : QApplication::topLevelWidgets())
                if (auto *dialog = qobject_cast<QDialog *>(w); dialog && dialog->isVisible())
                    dialog->done(mrAbort);
        });
        watchdog.start(5000);
        shown.lines.clear();
        return kyRunOutcome(script, shown.lines, u"PascalScript"_s, source).toStdString();
    }

    template <class T>
    T *object(const char16_t *name)
    {
        const Variant v = script.Variables(QStringView(name));
        return v.IsObject() ? dynamic_cast<T *>(v.AsObject()) : nullptr;
    }

    KyShownMessages shown;
    TkyScript script;
    TkavQtFormPresenter *presenter = nullptr;
    std::unique_ptr<TkyFormPresenter> previous;
};

// A form with an edit, a label, an OK button (mrOk) and a Cancel button.
const char16_t askForm[] = uR"(
var Form1: TForm; Edit1: TEdit; Label1: TLabel; OKButton, CancelButton: TButton; Tries: Integer;

procedure CancelClick(Sender: TObject);
begin
  ShowMessage('cancel clicked');
end;

procedure EditKeyPress(Sender: TObject; var Key: Char);
begin
  if Key = 'a' then Key := 'X';
end;

procedure Build;
begin
  Form1 := TForm.Create(nil); Form1.Name := 'Form1'; Form1.Caption := 'Ask';
  Form1.SetBounds(10, 10, 300, 200);
  Edit1 := TEdit.Create(Form1); Edit1.Name := 'Edit1'; Edit1.Parent := Form1;
  Edit1.SetBounds(8, 8, 150, 24); Edit1.OnKeyPress := 'EditKeyPress';
  Label1 := TLabel.Create(Form1); Label1.Name := 'Label1'; Label1.Parent := Form1;
  Label1.SetBounds(8, 40, 150, 20);
  OKButton := TButton.Create(Form1); OKButton.Name := 'OKButton'; OKButton.Parent := Form1;
  OKButton.Caption := 'OK'; OKButton.ModalResult := mrOk; OKButton.Default := True;
  OKButton.SetBounds(8, 100, 80, 26);
  CancelButton := TButton.Create(Form1); CancelButton.Name := 'CancelButton';
  CancelButton.Parent := Form1; CancelButton.Caption := 'Cancel';
  CancelButton.ModalResult := mrCancel; CancelButton.Cancel := True;
  CancelButton.OnClick := 'CancelClick'; CancelButton.SetBounds(100, 100, 80, 26);
end;
)";

QString askProgram(const QString &main)
{
    return QString::fromUtf16(askForm) + main;
}

TEST_F(QtForms, TypingAndOkCloseTheModalFormWithMrOk)
{
    bool sawWidgets = false;
    const std::string outcome = run(
        askProgram(u"begin Build; ShowMessage(Form1.ShowModal); ShowMessage(Edit1.Text); end."_s),
        [&] {
            auto *edit = shownWidget<QLineEdit>(u"Form1"_s, u"Edit1"_s);
            auto *ok = shownWidget<QPushButton>(u"Form1"_s, u"OKButton"_s);
            if (!edit || !ok)
                return;
            sawWidgets = edit->geometry() == QRect(8, 8, 150, 24) && ok->text() == u"OK"_s
                         && shownDialog(u"Form1"_s)->windowTitle() == u"Ask"_s;
            shownDialog(u"Form1"_s)->activateWindow();
            edit->setFocus();
            QTest::keyClicks(edit, u"abc"_s);
            QTest::mouseClick(ok, Qt::LeftButton);
        });
    EXPECT_TRUE(sawWidgets);
    // The key-press handler turned 'a' into 'X' on its way into the edit.
    EXPECT_EQ(outcome, "1 Xbc");
    EXPECT_EQ(shownDialog(u"Form1"_s), nullptr);
}

TEST_F(QtForms, EscapeClicksTheCancelButton)
{
    EXPECT_EQ(run(askProgram(u"begin Build; ShowMessage(Form1.ShowModal); end."_s),
                  [] {
                      if (auto *edit = shownWidget<QLineEdit>(u"Form1"_s, u"Edit1"_s))
                          QTest::keyClick(edit, Qt::Key_Escape);
                  }),
              "cancel clicked 2");
}

TEST_F(QtForms, EnterClicksTheDefaultButton)
{
    EXPECT_EQ(run(askProgram(u"begin Build; ShowMessage(Form1.ShowModal); end."_s),
                  [] {
                      if (auto *edit = shownWidget<QLineEdit>(u"Form1"_s, u"Edit1"_s))
                          QTest::keyClick(edit, Qt::Key_Return);
                  }),
              "1");
}

TEST(QtFormPresenter, InstallsOnlyWithAnApplication)
{
    ASSERT_NE(qobject_cast<QApplication *>(QCoreApplication::instance()), nullptr);
    auto before = kySetFormPresenter(nullptr);
    kavInstallQtFormPresenter();
    EXPECT_NE(dynamic_cast<TkavQtFormPresenter *>(&kyFormPresenter()), nullptr);
    kySetFormPresenter(std::move(before));
    EXPECT_EQ(dynamic_cast<TkavQtFormPresenter *>(&kyFormPresenter()), nullptr);
}

TEST_F(QtForms, EscapeWithoutCancelButtonAnswersMrCancel)
{
    EXPECT_EQ(
        run(askProgram(u"begin Build; CancelButton.Free; ShowMessage(Form1.ShowModal); end."_s),
            [] {
                if (QDialog *dialog = shownDialog(u"Form1"_s))
                    QTest::keyClick(dialog, Qt::Key_Escape);
            }),
        "2");
}

TEST_F(QtForms, CloseQueryKeepsTheFormUntilItAgrees)
{
    const QString program = askProgram(uR"(
procedure Query(Sender: TObject; var CanClose: Boolean);
begin
  CanClose := Tries > 0; Tries := Tries + 1;
end;
begin
  Build; Form1.OnCloseQuery := 'Query'; Tries := 0;
  ShowMessage(Form1.ShowModal); ShowMessage(Tries);
end.)"_s);
    bool stillShownAfterRefusal = false;
    EXPECT_EQ(run(program,
                  [&] {
                      auto *ok = shownWidget<QPushButton>(u"Form1"_s, u"OKButton"_s);
                      if (!ok)
                          return;
                      QTest::mouseClick(ok, Qt::LeftButton);
                      QTimer::singleShot(20, qApp, [&] {
                          stillShownAfterRefusal = shownDialog(u"Form1"_s) != nullptr;
                          if (auto *again = shownWidget<QPushButton>(u"Form1"_s, u"OKButton"_s))
                              QTest::mouseClick(again, Qt::LeftButton);
                      });
                  }),
              "1 2");
    EXPECT_TRUE(stillShownAfterRefusal);
}

TEST_F(QtForms, ScriptChangesDuringTheModalLoopReachTheWidgets)
{
    const QString program = askProgram(uR"(
procedure Fill(Sender: TObject);
begin
  Edit1.Text := 'from script'; Label1.Caption := 'updated'; Edit1.ReadOnly := True;
end;
begin
  Build; OKButton.ModalResult := mrNone; OKButton.OnClick := 'Fill';
  ShowMessage(Form1.ShowModal);
end.)"_s);
    QString editText, labelText;
    bool readOnly = false;
    EXPECT_EQ(run(program,
                  [&] {
                      auto *ok = shownWidget<QPushButton>(u"Form1"_s, u"OKButton"_s);
                      auto *edit = shownWidget<QLineEdit>(u"Form1"_s, u"Edit1"_s);
                      auto *label = shownWidget<QLabel>(u"Form1"_s, u"Label1"_s);
                      if (!ok || !edit || !label)
                          return;
                      QTest::mouseClick(ok, Qt::LeftButton);
                      editText = edit->text();
                      labelText = label->text();
                      readOnly = edit->isReadOnly();
                      QTest::keyClick(edit, Qt::Key_Escape);
                  }),
              "cancel clicked 2");
    EXPECT_EQ(editText, u"from script"_s);
    EXPECT_EQ(labelText, u"updated"_s);
    EXPECT_TRUE(readOnly);
}

TEST_F(QtForms, AScriptErrorInAHandlerEndsTheLoopAndRaises)
{
    const QString program = askProgram(uR"(
procedure Boom(Sender: TObject);
begin
  RaiseException('boom');
end;
begin
  Build; OKButton.OnClick := 'Boom'; OKButton.ModalResult := mrNone;
  ShowMessage(Form1.ShowModal);
end.)"_s);
    const std::string outcome = run(program, [] {
        if (auto *ok = shownWidget<QPushButton>(u"Form1"_s, u"OKButton"_s))
            QTest::mouseClick(ok, Qt::LeftButton);
    });
    EXPECT_NE(outcome.find("runtime error:"), std::string::npos) << outcome;
    EXPECT_NE(outcome.find("boom"), std::string::npos) << outcome;
    EXPECT_EQ(shownDialog(u"Form1"_s), nullptr);
}

TEST_F(QtForms, AHandlerFreeingTheModalFormEndsItSafely)
{
    const QString program = askProgram(uR"(
procedure Gone(Sender: TObject);
begin
  Form1.Free;
end;
begin
  Build; OKButton.OnClick := 'Gone';
  ShowMessage(Form1.ShowModal);
end.)"_s);
    EXPECT_EQ(run(program,
                  [] {
                      if (auto *ok = shownWidget<QPushButton>(u"Form1"_s, u"OKButton"_s))
                          QTest::mouseClick(ok, Qt::LeftButton);
                  }),
              "2");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(shownDialog(u"Form1"_s), nullptr);
}

TEST_F(QtForms, ClicksOnAShownFormRunTheScriptAndUpdateLabels)
{
    ASSERT_EQ(run(uR"(
var F: TForm; Button1: TButton; Label1: TLabel; R1, R2: TRadioButton; C: TCheckBox;
procedure Click(Sender: TObject); begin Label1.Caption := 'Clicked ' + Button1.Caption; end;
begin
  F := TForm.Create(nil); F.Name := 'Main';
  Button1 := TButton.Create(F); Button1.Name := 'Button1'; Button1.Parent := F;
  Button1.Caption := 'Go'; Button1.SetBounds(10, 10, 80, 25); Button1.OnClick := 'Click';
  Label1 := TLabel.Create(F); Label1.Name := 'Label1'; Label1.Parent := F;
  Label1.Caption := 'idle'; Label1.SetBounds(10, 50, 200, 20);
  R1 := TRadioButton.Create(F); R1.Name := 'R1'; R1.Parent := F; R1.SetBounds(10, 80, 80, 20);
  R2 := TRadioButton.Create(F); R2.Name := 'R2'; R2.Parent := F; R2.SetBounds(10, 100, 80, 20);
  C := TCheckBox.Create(F); C.Name := 'C'; C.Parent := F; C.SetBounds(10, 120, 80, 20);
  R1.Checked := True;
  F.Show;
end.)"_s),
              "");
    auto *form = object<TkyForm>(u"F");
    ASSERT_TRUE(form);
    QWidget *window = presenter->FormWidget(*form);
    ASSERT_TRUE(window);
    auto *button = window->findChild<QPushButton *>(u"Button1"_s);
    auto *label = window->findChild<QLabel *>(u"Label1"_s);
    auto *r1 = window->findChild<QRadioButton *>(u"R1"_s);
    auto *r2 = window->findChild<QRadioButton *>(u"R2"_s);
    auto *check = window->findChild<QCheckBox *>(u"C"_s);
    ASSERT_TRUE(button && label && r1 && r2 && check);
    EXPECT_EQ(label->text(), u"idle"_s);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(label->text(), u"Clicked Go"_s);

    // Clicks land on the indicators (the buttons have no text).
    EXPECT_TRUE(r1->isChecked());
    QTest::mouseClick(r2, Qt::LeftButton, {}, QPoint(6, r2->height() / 2));
    EXPECT_TRUE(r2->isChecked());
    EXPECT_FALSE(r1->isChecked()); // the model unchecked its sibling, the widget followed
    EXPECT_FALSE(object<TkyRadioButton>(u"R1")->Checked());

    QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(6, check->height() / 2));
    EXPECT_TRUE(object<TkyCheckBox>(u"C")->Checked());

    // A control placed on the shown form later appears after the next event-loop turn.
    auto late = std::make_unique<TkyEdit>();
    late->SetName(u"Late"_s);
    TkyEdit *lateEdit = late.get();
    form->InsertComponent(std::move(late));
    lateEdit->SetParent(form);
    EXPECT_EQ(window->findChild<QLineEdit *>(u"Late"_s), nullptr);
    QCoreApplication::processEvents();
    EXPECT_NE(window->findChild<QLineEdit *>(u"Late"_s), nullptr);
    // Unplaced again, it leaves the window.
    lateEdit->SetParent(nullptr);
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(window->findChild<QLineEdit *>(u"Late"_s), nullptr);

    // The user resizing the window resizes the form.
    window->resize(333, 222);
    QCoreApplication::processEvents();
    EXPECT_EQ(form->Width(), 333);
    EXPECT_EQ(form->Height(), 222);

    form->Hide();
    EXPECT_EQ(presenter->FormWidget(*form), nullptr);
}

TEST_F(QtForms, ListAndComboSelectionsFlowBack)
{
    ASSERT_EQ(run(uR"(
var F: TForm; L: TListBox; C: TComboBox; Log: String;
procedure Picked(Sender: TObject); begin Log := Log + 'combo' + IntToStr(C.ItemIndex) + ';'; end;
procedure Clicked(Sender: TObject); begin Log := Log + 'list' + IntToStr(L.ItemIndex) + ';'; end;
begin
  F := TForm.Create(nil); F.Name := 'Lists';
  L := TListBox.Create(F); L.Name := 'L'; L.Parent := F; L.SetBounds(5, 5, 100, 80);
  L.Items.Add('a'); L.Items.Add('b'); L.Items.Add('c'); L.OnClick := 'Clicked';
  C := TComboBox.Create(F); C.Name := 'C'; C.Parent := F; C.SetBounds(120, 5, 100, 24);
  C.Style := csDropDownList; C.Items.Add('x'); C.Items.Add('y'); C.OnChange := 'Picked';
  F.Show;
end.)"_s),
              "");
    auto *form = object<TkyForm>(u"F");
    ASSERT_TRUE(form && presenter->FormWidget(*form));
    auto *list = presenter->FormWidget(*form)->findChild<QListWidget *>(u"L"_s);
    auto *combo = presenter->FormWidget(*form)->findChild<QComboBox *>(u"C"_s);
    ASSERT_TRUE(list && combo);
    EXPECT_EQ(list->count(), 3);
    list->setCurrentRow(2);     // as a user's click selects
    Q_EMIT combo->activated(1); // as a user's pick in the list does
    EXPECT_EQ(object<TkyListBox>(u"L")->ItemIndex(), 2);
    EXPECT_EQ(object<TkyComboBox>(u"C")->Text(), u"y"_s);
    EXPECT_EQ(VarToStr(script.Variables(u"Log")), u"list2;combo1;"_s);

    // Model changes to the items reach the widgets.
    object<TkyListBox>(u"L")->Items().Delete(0);
    object<TkyComboBox>(u"C")->SetItemIndex(0);
    EXPECT_EQ(list->count(), 2);
    EXPECT_EQ(combo->currentIndex(), 0);
}

TEST_F(QtForms, OnPaintDrawsOnTheFormCanvas)
{
    ASSERT_EQ(run(uR"(
var F: TForm;
procedure Paint(Sender: TObject);
begin
  F.Canvas.Brush.Color := 255; F.Canvas.Pen.Color := 255;
  F.Canvas.Rectangle(10, 10, 60, 40);
end;
begin
  F := TForm.Create(nil); F.Name := 'Painted'; F.SetBounds(0, 0, 120, 80);
  F.OnPaint := 'Paint'; F.Show;
end.)"_s),
              "");
    auto *form = object<TkyForm>(u"F");
    ASSERT_TRUE(form && presenter->FormWidget(*form));
    const QImage image = presenter->FormWidget(*form)->grab().toImage();
    EXPECT_EQ(image.pixelColor(30, 25), QColor(255, 0, 0));
    EXPECT_NE(image.pixelColor(100, 70), QColor(255, 0, 0));
    EXPECT_EQ(form->Canvas()->Painter(), nullptr); // detached after painting
}

} // namespace
