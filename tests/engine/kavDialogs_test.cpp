// Dialog pages in runs without a screen: the page's controls reach the report through the
// script, the OK button's handler runs as if pressed, Cancel stops the run, runs without
// dialogs leave them out, a script makes a control at run time, and every control class
// survives a save and a load.

#include "../kavTestSupport.h"
#include "kavEngineTestSupport.h"

#include <persist/kavVariables.h>
#include <prepared/kavPreviewPages.h>
#include <report/kavBands.h>
#include <engine/kavEngine.h>
#include <report/kavDataSets.h>
#include <report/kavDialogControls.h>
#include <report/kavDialogs.h>
#include <report/kavViews.h>
#include <rtl/kavStreams.h>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

class DialogRunTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        report = kavNewTestReport();
        dialog = TkavComponent::Create<TkavDialogPage>(report.get());
        dialog->SetName(u"DialogPage1"_s);
        edit = control<TkavEditControl>(u"Edit1"_s);
        edit->SetText(u"designed"_s);
        ok = control<TkavButtonControl>(u"OkButton"_s);
        ok->SetModalResult(mrOk);
        cancel = control<TkavButtonControl>(u"CancelButton"_s);
        cancel->SetModalResult(mrCancel);
        page = kavAddTestPage(*report, u"Page1"_s);
        auto *title = kavAddTestBand<TkavReportTitle>(*page, u"Title"_s, 0, 20);
        memo = TkavComponent::Create<TkavMemoView>(title);
        memo->SetName(u"Memo1"_s);
        memo->SetBounds(0, 0, 300, 18);
        memo->SetText(u"Asked: [Edit1.Text]"_s);
    }

    template <class T>
    T *control(const QString &name)
    {
        T *c = TkavComponent::Create<T>(dialog);
        c->SetName(name);
        return c;
    }

    void setScript(const QString &text)
    {
        TStringList lines;
        lines.SetText(text);
        report->SetScriptText(lines);
    }

    // The printed texts of the memos named name, in output order, joined by "|".
    std::string textsOf(const QString &name) const
    {
        QStringList texts;
        const QStringList dumped
            = kavDumpPreparedPages(*report->PreviewPages()).split(u'\n', Qt::SkipEmptyParts);
        for (const QString &line : dumped.filter(u"TkavMemoView "_s + name + u" "_s))
            texts.append(line.section(u'"', 1, -2));
        return texts.join(u'|').toStdString();
    }

    TkavEngine *engine() const { return static_cast<TkavEngine *>(report->Engine()); }

    std::unique_ptr<TkavReport> report;
    TkavDialogPage *dialog = nullptr;
    TkavEditControl *edit = nullptr;
    TkavButtonControl *ok = nullptr;
    TkavButtonControl *cancel = nullptr;
    TkavReportPage *page = nullptr;
    TkavMemoView *memo = nullptr;
};

} // namespace

// Headless, the page runs as if OK was pressed: the OK button's handler changes the edit,
// and the report prints the value through an expression and through the script.
TEST_F(DialogRunTest, OkButtonHandlerAndValuesReachTheReport)
{
    setScript(uR"(
var Shown: String;
procedure DialogPage1OnShow(Sender: TkavComponent);
begin
  Shown := Shown + 'show;';
end;
procedure OkButtonOnClick(Sender: TkavComponent);
begin
  Edit1.Text := Edit1.Text + '+ok';
  Shown := Shown + 'ok;';
end;
procedure Memo1OnBeforePrint(Sender: TkavComponent);
begin
  Memo1.Text := Trim(Memo1.Text) + ' ' + Shown;
end;
begin
end.
)"_s);
    dialog->SetOnShow(u"DialogPage1OnShow"_s);
    ok->SetOnClick(u"OkButtonOnClick"_s);
    memo->SetOnBeforePrint(u"Memo1OnBeforePrint"_s);
    ASSERT_TRUE(report->PrepareReport(true)) << report->ErrorsText().toStdString();
    EXPECT_EQ(textsOf(u"Memo1"_s), "Asked: designed+ok show;ok;");
    EXPECT_TRUE(engine()->CancelledDialog().isEmpty());
}

// The Default OK button is the one pressed; a page without any answers OK itself.
TEST_F(DialogRunTest, DefaultButtonIsPressedFirst)
{
    auto *second = control<TkavButtonControl>(u"Second"_s);
    second->SetModalResult(mrOk);
    second->SetDefault(true);
    setScript(uR"(
procedure Pressed(Sender: TkavComponent);
begin
  Edit1.Text := Sender.Name;
end;
begin
end.
)"_s);
    ok->SetOnClick(u"Pressed"_s);
    second->SetOnClick(u"Pressed"_s);
    ASSERT_TRUE(report->PrepareReport(true)) << report->ErrorsText().toStdString();
    EXPECT_EQ(textsOf(u"Memo1"_s), "Asked: Second");

    ok->Free();
    cancel->Free();
    second->Free();
    edit->SetText(u"designed"_s);
    ASSERT_TRUE(report->PrepareReport(true)) << report->ErrorsText().toStdString();
    EXPECT_EQ(textsOf(u"Memo1"_s), "Asked: designed");
}

// A handler answering Cancel stops the run: no page, the page named.
TEST_F(DialogRunTest, CancelStopsTheRun)
{
    setScript(uR"(
procedure DialogPage1OnActivate(Sender: TkavComponent);
begin
  DialogPage1.ModalResult := mrCancel;
end;
begin
end.
)"_s);
    dialog->SetOnActivate(u"DialogPage1OnActivate"_s);
    EXPECT_FALSE(report->PrepareReport(true));
    EXPECT_EQ(report->PreviewPages()->Count(), 0);
    EXPECT_EQ(engine()->CancelledDialog(), u"DialogPage1"_s);
}

// A close query that refuses cannot wait for a user here: the run stops as on Cancel.
TEST_F(DialogRunTest, RefusedCloseQueryStopsTheRun)
{
    setScript(uR"(
procedure Query(Sender: TkavComponent; var CanClose: Boolean);
begin
  CanClose := Edit1.Text = 'valid';
end;
begin
end.
)"_s);
    dialog->SetOnCloseQuery(u"Query"_s);
    EXPECT_FALSE(report->PrepareReport(true));
    EXPECT_EQ(engine()->CancelledDialog(), u"DialogPage1"_s);
    edit->SetText(u"valid"_s);
    EXPECT_TRUE(report->PrepareReport(true)) << report->ErrorsText().toStdString();
    EXPECT_EQ(textsOf(u"Memo1"_s), "Asked: valid");
}

// Runs told to leave dialogs out run none of their handlers; invisible pages and pages
// without controls are skipped too.
TEST_F(DialogRunTest, SkippedDialogsRunNoHandler)
{
    setScript(uR"(
procedure OkButtonOnClick(Sender: TkavComponent);
begin
  Edit1.Text := 'pressed';
end;
begin
end.
)"_s);
    ok->SetOnClick(u"OkButtonOnClick"_s);
    engine()->SetSkipDialogs(true);
    ASSERT_TRUE(report->PrepareReport(true)) << report->ErrorsText().toStdString();
    EXPECT_EQ(textsOf(u"Memo1"_s), "Asked: designed");

    engine()->SetSkipDialogs(false);
    dialog->SetVisible(false);
    ASSERT_TRUE(report->PrepareReport(true)) << report->ErrorsText().toStdString();
    EXPECT_EQ(textsOf(u"Memo1"_s), "Asked: designed");

    // A page run alone never shows dialogs.
    dialog->SetVisible(true);
    ASSERT_TRUE(report->PreparePage(page));
    EXPECT_EQ(textsOf(u"Memo1"_s), "Asked: designed");

    // The host's hook sees the page instead of a window.
    QStringList seen;
    engine()->SetOnRunDialog([&seen](TkavPage &p) {
        seen << p.Name();
        return mrCancel;
    });
    EXPECT_FALSE(report->PrepareReport(true));
    EXPECT_EQ(seen, QStringList{u"DialogPage1"_s});
}

// The report's OnRunDialogs procedure replaces the pages: its answer decides the run.
TEST_F(DialogRunTest, OnRunDialogsDecides)
{
    setScript(uR"(
procedure RunDialogs(var Result: Boolean);
begin
  Edit1.Text := 'from OnRunDialogs';
  Result := Get('Go');
end;
begin
end.
)"_s);
    report->SetOnRunDialogs(u"RunDialogs"_s);
    report->Variables().SetVariable(u"Go"_s, Variant(true));
    ASSERT_TRUE(report->PrepareReport(true)) << report->ErrorsText().toStdString();
    EXPECT_EQ(textsOf(u"Memo1"_s), "Asked: from OnRunDialogs");
    report->Variables().SetVariable(u"Go"_s, Variant(false));
    EXPECT_FALSE(report->PrepareReport(true));
}

// A script makes a control on the dialog page while the report runs; the page shows it and
// its value reaches the report.
TEST_F(DialogRunTest, ScriptCreatesAControlAtRunTime)
{
    edit->Free();
    ok->Free();
    cancel->Free();
    ASSERT_FALSE(dialog->HasControls());
    memo->SetText(u"Asked"_s);
    setScript(uR"(
var Extra: TkavEditControl;
procedure Memo1OnBeforePrint(Sender: TkavComponent);
begin
  Memo1.Text := 'Asked: ' + Extra.Text + ' on ' + Extra.Parent.Name;
end;
procedure DialogPage1OnShow(Sender: TkavComponent);
begin
  Extra.Text := Extra.Text + ' shown';
end;
begin
  Extra := TkavEditControl.Create(DialogPage1);
  Extra.Name := 'Extra';
  Extra.Text := 'made';
end.
)"_s);
    memo->SetOnBeforePrint(u"Memo1OnBeforePrint"_s);
    dialog->SetOnShow(u"DialogPage1OnShow"_s);
    ASSERT_TRUE(report->PrepareReport(true)) << report->ErrorsText().toStdString();
    EXPECT_EQ(textsOf(u"Memo1"_s), "Asked: made shown on DialogPage1");
}

// Key handlers of the page see the key first (key preview) and may swallow it.
TEST_F(DialogRunTest, KeyHandlersChangeTheKey)
{
    setScript(uR"(
procedure Down(Sender: TkavComponent; var Key: Word; Shift: Integer);
begin
  if Key = 13 then Key := 0;
end;
procedure Press(Sender: TkavComponent; var Key: Char);
begin
  if Key = 'x' then Key := '';
  if Key = 'a' then Key := 'b';
end;
begin
end.
)"_s);
    ASSERT_TRUE(report->PrepareScript());
    dialog->SetOnKeyDown(u"Down"_s);
    dialog->SetOnKeyPress(u"Press"_s);
    dialog->Initialize();
    quint16 key = 13;
    dialog->DialogForm()->DoKeyDown(key, 0);
    EXPECT_EQ(key, 0);
    key = 65;
    dialog->DialogForm()->DoKeyDown(key, 0);
    EXPECT_EQ(key, 65);
    QChar ch(u'x');
    dialog->DialogForm()->DoKeyPress(ch);
    EXPECT_EQ(ch, QChar(0));
    ch = u'a';
    dialog->DialogForm()->DoKeyPress(ch);
    EXPECT_EQ(ch, QChar(u'b'));
}

// Values the command line gives controls by name, checked against what each control takes.
TEST_F(DialogRunTest, ValueTextsFitTheControl)
{
    QString message;
    auto *date = control<TkavDateEditControl>(u"DateFrom"_s);
    EXPECT_TRUE(date->SetValueText(u"2025-01-31"_s, message));
    EXPECT_DOUBLE_EQ(date->Date(), 45688.0);
    EXPECT_FALSE(date->SetValueText(u"someday"_s, message));
    EXPECT_TRUE(message.contains(u"DateFrom"_s)) << message.toStdString();
    EXPECT_EQ(date->Text(), u"2025-01-31"_s);

    auto *check = control<TkavCheckBoxControl>(u"Check"_s);
    EXPECT_TRUE(check->SetValueText(u"yes"_s, message));
    EXPECT_TRUE(check->Checked());
    EXPECT_FALSE(check->SetValueText(u"maybe"_s, message));

    auto *combo = control<TkavComboBoxControl>(u"Country"_s);
    combo->Items().SetText(u"Brazil\nPortugal\n"_s);
    combo->SetStyle(csDropDownList);
    EXPECT_TRUE(combo->SetValueText(u"portugal"_s, message));
    EXPECT_EQ(combo->ItemIndex(), 1);
    EXPECT_FALSE(combo->SetValueText(u"Spain"_s, message));
    EXPECT_EQ(combo->ItemIndex(), 1);
    combo->SetStyle(csDropDown);
    EXPECT_TRUE(combo->SetValueText(u"Spain"_s, message));
    EXPECT_EQ(combo->Text(), u"Spain"_s);

    auto *list = control<TkavListBoxControl>(u"List"_s);
    list->Items().SetText(u"one\ntwo\n"_s);
    EXPECT_TRUE(list->SetValueText(u"TWO"_s, message));
    EXPECT_EQ(list->ItemIndex(), 1);
    EXPECT_FALSE(list->SetValueText(u"three"_s, message));
}

// A lookup lists the records of its data set when its dialog is activated and answers the
// chosen record's key.
TEST_F(DialogRunTest, LookupListsTheDataSet)
{
    TkavUserDataSet customers;
    customers.SetUserName(u"Customers"_s);
    const QStringList names{u"Ana"_s, u"Bruno"_s, u"Carla"_s};
    customers.SetRangeEnd(reCount);
    customers.SetRangeEndCount(int(names.size()));
    customers.ValueHandlers().OnGetValue = [&](const QString &field, Variant &value) {
        const int row = customers.RecNo();
        value = field == u"Id" ? Variant(100 + row) : Variant(names.value(row));
    };
    report->DataSets().Add(&customers);
    auto *lookup = control<TkavDBLookupComboBox>(u"Customer"_s);
    lookup->SetDataSetName(u"Customers"_s);
    lookup->SetKeyField(u"Id"_s);
    lookup->SetListField(u"Name"_s);
    lookup->SetKeyValue(Variant(101));
    memo->SetText(u"[Customer.KeyValue] [Customer.Text]"_s);
    ASSERT_TRUE(report->PrepareReport(true)) << report->ErrorsText().toStdString();
    ASSERT_EQ(lookup->Items().Count(), 3);
    EXPECT_EQ(lookup->Items().Strings(2), u"Carla"_s);
    EXPECT_EQ(textsOf(u"Memo1"_s), "101 Bruno");

    QString message;
    EXPECT_TRUE(lookup->SetValueText(u"Carla"_s, message));
    EXPECT_EQ(lookup->KeyValue().AsInteger(), 102);
    report->DataSets().Clear();
}

namespace {

// Every control class with values apart from its defaults, in one report.
std::unique_ptr<TkavReport> everyControl()
{
    auto report = kavNewTestReport();
    auto *dialog = TkavComponent::Create<TkavDialogPage>(report.get());
    dialog->SetName(u"Ask"_s);
    dialog->SetCaption(u"Período <&\"é\">"_s);
    dialog->SetBorderStyle(bsDialog);
    dialog->SetPosition(poDesigned);
    dialog->SetBounds(10, 20, 320, 240);
    dialog->SetClientWidth(300);
    dialog->SetOnShow(u"AskShow"_s);
    dialog->SetOnCloseQuery(u"AskQuery"_s);
    auto add = [&](auto *c, const QString &name, TkavComponent *parent = nullptr) {
        if (parent)
            c->SetParent(parent);
        c->SetName(name);
        c->SetHint(u"hint of "_s + name);
        c->SetOnClick(name + u"Click"_s);
        return c;
    };
    auto *group = add(TkavComponent::Create<TkavGroupBoxControl>(dialog), u"Group"_s);
    group->SetCaption(u"Range"_s);
    group->SetBounds(8, 8, 280, 100);
    auto *label = add(TkavComponent::Create<TkavLabelControl>(dialog), u"Label"_s, group);
    label->SetCaption(u"From:"_s);
    label->SetAlignment(taRightJustify);
    auto *edit = add(TkavComponent::Create<TkavEditControl>(dialog), u"Edit"_s);
    edit->SetText(u"text & more"_s);
    edit->SetMaxLength(20);
    edit->SetOnChange(u"EditChange"_s);
    auto *memo = add(TkavComponent::Create<TkavMemoControl>(dialog), u"Memo"_s);
    memo->Lines().SetText(u"one\ntwo\n"_s);
    memo->SetReadOnly(true);
    auto *button = add(TkavComponent::Create<TkavButtonControl>(dialog), u"Ok"_s);
    button->SetCaption(u"OK"_s);
    button->SetModalResult(mrOk);
    button->SetDefault(true);
    button->SetEnabled(false);
    auto *check = add(TkavComponent::Create<TkavCheckBoxControl>(dialog), u"Check"_s);
    check->SetChecked(true);
    check->SetShowHint(true);
    auto *radio = add(TkavComponent::Create<TkavRadioButtonControl>(dialog), u"Radio"_s);
    radio->SetChecked(true);
    radio->SetTabStop(false);
    auto *list = add(TkavComponent::Create<TkavListBoxControl>(dialog), u"List"_s);
    list->Items().SetText(u"a\nb\nc\n"_s);
    list->SetItemIndex(2);
    auto *combo = add(TkavComponent::Create<TkavComboBoxControl>(dialog), u"Combo"_s);
    combo->Items().SetText(u"x\ny\n"_s);
    combo->SetStyle(csDropDownList);
    combo->SetItemIndex(1);
    auto *date = add(TkavComponent::Create<TkavDateEditControl>(dialog), u"Date"_s);
    date->SetDate(45688);
    date->SetVisible(false);
    auto *panel = add(TkavComponent::Create<TkavPanelControl>(dialog), u"Panel"_s);
    panel->SetColor(clRed);
    panel->Font().SetName(u"Courier New"_s);
    auto *lookup = add(TkavComponent::Create<TkavDBLookupComboBox>(dialog), u"Lookup"_s);
    lookup->SetDataSetName(u"Customers"_s);
    lookup->SetKeyField(u"Id"_s);
    lookup->SetListField(u"Name"_s);
    lookup->SetKeyValue(Variant(u"7"_s));
    return report;
}

QByteArray saved(TkavReport &report)
{
    TMemoryStream stream;
    report.SaveToStream(stream);
    return stream.Data();
}

} // namespace

TEST(DialogFileTest, EveryControlClassRoundTrips)
{
    const auto original = everyControl();
    const QByteArray first = saved(*original);
    for (const char *cls : {"TkavDialogPage", "TkavGroupBoxControl", "TkavLabelControl",
                            "TkavEditControl", "TkavMemoControl", "TkavButtonControl",
                            "TkavCheckBoxControl", "TkavRadioButtonControl",
                            "TkavListBoxControl", "TkavComboBoxControl", "TkavDateEditControl",
                            "TkavPanelControl", "TkavDBLookupComboBox"})
        EXPECT_TRUE(first.contains(QByteArray("<") + cls + ' ')) << cls;

    auto loaded = kavNewTestReport();
    TMemoryStream in;
    in.WriteBytes(first);
    in.Seek(0, soBeginning);
    loaded->LoadFromStream(in);
    EXPECT_EQ(loaded->Errors().Count(), 0) << loaded->ErrorsText().toStdString();
    // Loading adds the data page every report has; the rest comes back as it was written.
    const QByteArray second = saved(*loaded);
    QList<QByteArray> lines = second.split('\n');
    lines.removeIf([](const QByteArray &line) { return line.contains("<TkavDataPage "); });
    EXPECT_EQ(lines.join('\n').toStdString(), first.toStdString());

    auto *dialog = dynamic_cast<TkavDialogPage *>(loaded->FindObject(u"Ask"));
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->Caption(), u"Período <&\"é\">"_s);
    EXPECT_EQ(dialog->BorderStyle(), bsDialog);
    EXPECT_EQ(dialog->DialogForm()->Width(), 300);
    auto *label = dynamic_cast<TkavLabelControl *>(loaded->FindObject(u"Label"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->Parent()->Name(), u"Group"_s);
    EXPECT_EQ(label->Control()->Parent(), loaded->FindObject(u"Group")->InheritsFrom(u"TkavDialogControl")
                                              ? static_cast<TkavDialogControl *>(loaded->FindObject(u"Group"))->Control()
                                              : nullptr);
    auto *combo = dynamic_cast<TkavComboBoxControl *>(loaded->FindObject(u"Combo"));
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->Text(), u"y"_s);
    auto *date = dynamic_cast<TkavDateEditControl *>(loaded->FindObject(u"Date"));
    ASSERT_NE(date, nullptr);
    EXPECT_EQ(date->Text(), u"2025-01-31"_s);
    EXPECT_FALSE(date->Control()->Visible());
    auto *button = dynamic_cast<TkavButtonControl *>(loaded->FindObject(u"Ok"));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->ModalResult(), mrOk);
    EXPECT_FALSE(button->Control()->Enabled());
    EXPECT_EQ(button->Control()->Parent(), dialog->DialogForm());
}

// The stored client size governs the window, whatever outer size the file gives.
TEST(DialogFileTest, ClientSizeGovernsWhileLoading)
{
    auto report = kavNewTestReport();
    TMemoryStream in;
    in.WriteBytes(QByteArray(R"(<?xml version="1.0" encoding="utf-8"?>
<TkavReport Version="5.2.3"><TkavDialogPage Name="D" Width="320" ClientWidth="300" Height="250" ClientHeight="200"><TkavEditControl Name="E" Left="4" Top="5" Width="50" Height="21" Text="x"/></TkavDialogPage></TkavReport>
)"));
    in.Seek(0, soBeginning);
    report->LoadFromStream(in);
    auto *dialog = dynamic_cast<TkavDialogPage *>(report->FindObject(u"D"));
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->DialogForm()->Width(), 300);
    EXPECT_EQ(dialog->DialogForm()->Height(), 200);
    EXPECT_DOUBLE_EQ(dialog->ClientWidth(), 300);
    auto *edit = dynamic_cast<TkavEditControl *>(report->FindObject(u"E"));
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->Control()->Left(), 4);
    EXPECT_EQ(edit->Control()->Parent(), dialog->DialogForm());
}

// Controls belong on dialog pages: elsewhere a file's control is refused with an error line,
// and nothing but controls and non-visual components sits on a dialog page.
TEST(DialogFileTest, ControlsOnlyOnDialogPages)
{
    auto report = kavNewTestReport();
    TMemoryStream in;
    in.WriteBytes(QByteArray(R"(<?xml version="1.0" encoding="utf-8"?>
<TkavReport Version="5.2.3"><TkavReportPage Name="P"><TkavEditControl Name="E"/></TkavReportPage><TkavDialogPage Name="D"><TkavMemoView Name="M"/><TkavButtonControl Name="B"/></TkavDialogPage></TkavReport>
)"));
    in.Seek(0, soBeginning);
    report->LoadFromStream(in);
    EXPECT_EQ(report->FindObject(u"E"), nullptr);
    EXPECT_EQ(report->FindObject(u"M"), nullptr);
    EXPECT_NE(report->FindObject(u"B"), nullptr);
    EXPECT_FALSE(report->ErrorsText().isEmpty());
}
