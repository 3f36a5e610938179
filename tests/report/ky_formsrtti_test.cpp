// The forms module without a screen: scripts build forms and controls, read and write their
// properties, own and free them, and receive events fired from C++ through the model; the
// headless presenter answers modal forms at once.

#include "../script/kyScriptTestSupport.h"

#include <scriptlib/kavScriptLibrary.h>
#include <scriptlib/ky_formsrtti.h>

#include <QStringList>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

class FormsScripts : public ::testing::Test
{
protected:
    void SetUp() override
    {
        kyEnsureBuiltinLanguages();
        kavRegisterScriptLibrary();
        script.AddRTTI();
    }

    // Runs source in a fresh scope: the messages shown, then "runtime error: ...", joined
    // by blanks.
    std::string run(const QString &language, const QString &source)
    {
        shown.lines.clear();
        script.Clear();
        for (auto &[name, object] : hostObjects)
            script.AddObject(name, object);
        return kyRunOutcome(script, shown.lines, language, source).toStdString();
    }
    std::string run(const QString &source) { return run(u"PascalScript"_s, source); }

    void runTable(const std::vector<KyScriptCase> &cases)
    {
        for (const KyScriptCase &c : cases)
            EXPECT_EQ(run(QString::fromUtf16(c.source)), c.expected) << c.name;
    }

    // The object in the script variable name, as T (nullptr when it is not one).
    template <class T>
    T *object(const char16_t *name)
    {
        const Variant v = script.Variables(QStringView(name));
        return v.IsObject() ? dynamic_cast<T *>(v.AsObject()) : nullptr;
    }

    KyShownMessages shown;
    std::vector<std::pair<QString, TObject *>> hostObjects;
    TkyScript script;
};

TEST_F(FormsScripts, ConstantsAndEnumerationsHaveThePlatformValues)
{
    struct Row
    {
        const char16_t *name;
        const char *value;
    };
    // Sets count in bits (ssDouble is the seventh element), enumerations from 0.
    const Row rows[] = {{u"mrNone", "0"},     {u"mrOk", "1"},           {u"mrCancel", "2"},
                        {u"mrNo", "7"},       {u"mrAll", "12"},         {u"mrYesToAll", "14"},
                        {u"VK_RETURN", "13"}, {u"VK_ESCAPE", "27"},     {u"VK_RBUTTON", "2"},
                        {u"VK_F1", "112"},    {u"VK_SCROLL", "145"},    {u"VK_DELETE", "46"},
                        {u"caNone", "0"},     {u"caFree", "2"},         {u"caMinimize", "3"},
                        {u"crDefault", "0"},  {u"crHourGlass", "-11"},  {u"crHandPoint", "-21"},
                        {u"bsNone", "0"},     {u"bsDialog", "3"},       {u"bsSizeToolWin", "5"},
                        {u"taCenter", "2"},   {u"ssShift", "1"},        {u"ssDouble", "64"},
                        {u"alClient", "5"},   {u"mbMiddle", "2"},       {u"akBottom", "8"},
                        {u"bvSpace", "3"},    {u"tlBottom", "2"},       {u"ecLowerCase", "2"},
                        {u"ssBoth", "3"},     {u"csDropDownList", "2"}, {u"cbGrayed", "2"},
                        {u"lbVirtual", "3"},  {u"wsMaximized", "2"},    {u"fsStayOnTop", "3"},
                        {u"biHelp", "8"},     {u"poScreenCenter", "4"}};
    QString source = u"begin\n"_s;
    std::string expected;
    for (const Row &r : rows) {
        source += u"ShowMessage(%1);\n"_s.arg(QString::fromUtf16(r.name));
        expected += (expected.empty() ? "" : " ") + std::string(r.value);
    }
    EXPECT_EQ(run(source + u"end."_s), expected);
}

TEST_F(FormsScripts, PropertiesReadBackAsWritten)
{
    runTable({
        {"edit",
         uR"(var F: TForm; E: TEdit;
begin
  F := TForm.Create(nil); E := TEdit.Create(F); E.Parent := F;
  E.Text := 'abc'; E.CharCase := ecUpperCase; ShowMessage(E.Text);
  E.SetBounds(5, 6, 70, 20); ShowMessage(E.Left + E.Top + E.Width + E.Height);
  E.PasswordChar := '*'; ShowMessage(E.PasswordChar);
  E.ReadOnly := True; ShowMessage(E.ReadOnly); F.Free;
end.)",
         "ABC 101 * True"},
        {"memo lines and text",
         uR"(var F: TForm; M: TMemo;
begin
  F := TForm.Create(nil); M := TMemo.Create(F);
  M.Lines.Add('one'); M.Lines.Add('two'); ShowMessage(M.Lines.Count);
  M.WordWrap := False; M.ScrollBars := ssVertical; ShowMessage(M.ScrollBars);
  ShowMessage(M.Lines[1]); F.Free;
end.)",
         "2 2 two"},
        {"check box and font",
         uR"(var F: TForm; C: TCheckBox;
begin
  F := TForm.Create(nil); C := TCheckBox.Create(F);
  C.Caption := 'Tick'; C.Checked := True; ShowMessage(C.State);
  C.State := cbGrayed; ShowMessage(C.Checked);
  C.Font.Size := 14; ShowMessage(C.Font.Size); ShowMessage(C.Caption); F.Free;
end.)",
         "1 False 14 Tick"},
        {"form",
         uR"(var F: TForm;
begin
  F := TForm.Create(nil); F.Caption := 'Main'; F.BorderStyle := bsDialog;
  F.Position := poScreenCenter; F.KeyPreview := True;
  ShowMessage(F.Caption + IntToStr(F.BorderStyle) + IntToStr(F.Position));
  ShowMessage(F.Visible); ShowMessage(F.KeyPreview); F.Free;
end.)",
         "Main34 False True"},
        {"out-of-range enumeration",
         uR"(var F: TForm; begin F := TForm.Create(nil); F.BorderStyle := 9; end.)",
         "runtime error: '9' is not a valid value for property BorderStyle"},
    });
}

TEST_F(FormsScripts, OwnershipAndParentsAreDistinct)
{
    EXPECT_EQ(run(uR"(var F, G: TForm; E: TEdit; B: TButton; P: TGroupBox;
begin
  F := TForm.Create(nil); G := TForm.Create(nil);
  P := TGroupBox.Create(F); P.Parent := F;
  E := TEdit.Create(F); E.Parent := P;
  B := TButton.Create(nil); B.Parent := F;
  ShowMessage(E.Owner = F); ShowMessage(E.Parent = P); ShowMessage(B.Owner = nil);
end.)"_s),
              "True True True");
    auto *form = object<TkyForm>(u"F");
    auto *box = object<TkyGroupBox>(u"P");
    auto *edit = object<TkyEdit>(u"E");
    auto *button = object<TkyButton>(u"B");
    ASSERT_TRUE(form && box && edit && button);
    ASSERT_EQ(form->ControlCount(), 2);
    EXPECT_EQ(form->Controls(0), box);
    EXPECT_EQ(form->Controls(1), button);
    EXPECT_EQ(box->ControlCount(), 1);
    EXPECT_EQ(form->ComponentCount(), 2); // the box and the edit; the button is the script's
    EXPECT_EQ(edit->ParentForm(), form);
}

TEST_F(FormsScripts, FreeingAFormFreesWhatItOwns)
{
    runTable({
        {"stale owned control",
         uR"(var F: TForm; E: TEdit;
begin
  F := TForm.Create(nil); E := TEdit.Create(F); E.Parent := F;
  F.Free; E.Text := 'x';
end.)",
         "runtime error: Invalid object reference"},
        {"control placed but not owned survives unplaced",
         uR"(var F: TForm; B: TButton;
begin
  F := TForm.Create(nil); B := TButton.Create(nil); B.Parent := F;
  F.Free; ShowMessage(B.Parent = nil); B.Caption := 'still here'; ShowMessage(B.Caption); B.Free;
end.)",
         "True still here"},
        {"an owned control freed alone leaves its parent",
         uR"(var F: TForm; E: TEdit;
begin
  F := TForm.Create(nil); E := TEdit.Create(F); E.Parent := F; ShowMessage(F.ControlCount);
  E.Free; ShowMessage(F.ControlCount); F.Free;
end.)",
         "1 0"},
        {"form OnDestroy runs on Free",
         uR"(procedure Gone(Sender: TObject); begin ShowMessage('destroy ' + TForm(Sender).Caption); end;
var F: TForm;
begin
  F := TForm.Create(nil); F.Caption := 'F1'; F.OnDestroy := 'Gone'; F.Free; ShowMessage('after');
end.)",
         "destroy F1 after"},
        {"parent cycle",
         uR"(var F: TForm; P, Q: TGroupBox;
begin
  F := TForm.Create(nil); P := TGroupBox.Create(F); Q := TGroupBox.Create(F);
  Q.Parent := P; P.Parent := Q;
end.)",
         "runtime error: Control cannot be its own parent"},
    });
}

TEST_F(FormsScripts, HostFormsCannotBeFreedByScripts)
{
    TkyForm host;
    host.SetName(u"HostForm"_s);
    hostObjects.emplace_back(u"HostForm"_s, &host);
    EXPECT_EQ(run(u"begin HostForm.Caption := 'set'; HostForm.Free; end."_s),
              "runtime error: Cannot free this object");
    EXPECT_EQ(host.Text(), u"set"_s);
}

// A script that wires handlers to a form; C++ then plays the user through the model.
const char16_t wiredForm[] = uR"(
var F: TForm; Button1: TButton; Label1: TLabel; Edit1: TEdit; Allow: Boolean;

procedure Button1Click(Sender: TObject);
begin
  Label1.Caption := 'clicked ' + TButton(Sender).Caption;
end;

procedure Edit1KeyPress(Sender: TObject; var Key: Char);
begin
  if Key = 'a' then Key := 'X';
  if Key = 'q' then Key := #0;
end;

procedure FormKeyDown(Sender: TObject; var Key: Word; Shift: TShiftState);
begin
  if Key = VK_ESCAPE then Key := 0;
end;

procedure Edit1KeyDown(Sender: TObject; var Key: Word; Shift: TShiftState);
begin
  Label1.Caption := 'edit saw ' + IntToStr(Key) + '/' + IntToStr(Shift);
end;

procedure FormCloseQuery(Sender: TObject; var CanClose: Boolean);
begin
  CanClose := Allow;
end;

procedure FreeMe(Sender: TObject);
begin
  F.Free;
end;

begin
  F := TForm.Create(nil);
  Button1 := TButton.Create(F); Button1.Parent := F; Button1.Caption := 'OK';
  Label1 := TLabel.Create(F); Label1.Parent := F;
  Edit1 := TEdit.Create(F); Edit1.Parent := F;
  Button1.OnClick := 'Button1Click';
  Edit1.OnKeyPress := 'Edit1KeyPress';
  Edit1.OnKeyDown := 'Edit1KeyDown';
  F.OnKeyDown := 'FormKeyDown';
  F.OnCloseQuery := 'FormCloseQuery';
end.)";

TEST_F(FormsScripts, EventsFiredFromTheModelRunTheScript)
{
    ASSERT_EQ(run(QString::fromUtf16(wiredForm)), "");
    auto *button = object<TkyButton>(u"Button1");
    auto *label = object<TkyLabel>(u"Label1");
    auto *edit = object<TkyEdit>(u"Edit1");
    auto *form = object<TkyForm>(u"F");
    ASSERT_TRUE(button && label && edit && form);

    button->Click();
    EXPECT_EQ(label->Text(), u"clicked OK"_s);

    struct KeyRow
    {
        QChar in;
        QChar out;
    };
    for (const KeyRow &r : {KeyRow{u'a', u'X'}, KeyRow{u'b', u'b'}, KeyRow{u'q', QChar(0)}}) {
        QChar key = r.in;
        edit->DoKeyPress(key);
        EXPECT_EQ(key, r.out) << QString(r.in).toStdString();
    }

    // Without KeyPreview the form does not see the edit's keys.
    quint16 key = kyVK::Escape;
    edit->DoKeyDown(key, 1 << ssCtrl);
    EXPECT_EQ(key, kyVK::Escape);
    EXPECT_EQ(label->Text(), u"edit saw 27/4"_s);
    // With it, the form consumes Escape before the edit runs.
    form->SetKeyPreview(true);
    label->SetText(QString());
    edit->DoKeyDown(key, 0);
    EXPECT_EQ(key, 0);
    EXPECT_EQ(label->Text(), QString());
}

TEST_F(FormsScripts, CloseQueryCanRefuseClose)
{
    ASSERT_EQ(run(QString::fromUtf16(wiredForm)), "");
    auto *form = object<TkyForm>(u"F");
    ASSERT_TRUE(form);
    form->Show();
    ASSERT_TRUE(form->Visible());
    script.SetVariables(u"Allow"_s, false);
    form->Close();
    EXPECT_TRUE(form->Visible());
    script.SetVariables(u"Allow"_s, true);
    form->Close();
    EXPECT_FALSE(form->Visible());
}

TEST_F(FormsScripts, AHandlerFreeingItsFormLeavesTheFiringCodeSafe)
{
    ASSERT_EQ(run(QString::fromUtf16(wiredForm).replace(u"Button1.OnClick := 'Button1Click';"_s,
                                                        u"Button1.OnClick := 'FreeMe';"_s)),
              "");
    auto *button = object<TkyButton>(u"Button1");
    ASSERT_TRUE(button);
    auto *form = object<TkyForm>(u"F");
    ASSERT_TRUE(form);
    button->SetModalResult(mrOk); // Click sets the form's result before OnClick runs
    const quint64 buttonHandle = button->Handle();
    const quint64 formHandle = form->Handle();
    button->Click(); // frees the form, and the button with it, under the handler
    EXPECT_EQ(TObject::FromHandle(buttonHandle), nullptr);
    EXPECT_EQ(TObject::FromHandle(formHandle), nullptr);
    // The script's reference is stale now, not dangling.
    EXPECT_THROW(script.Variables(u"F").AsObject(), EVariantError);
}

TEST_F(FormsScripts, HeadlessShowModalAnswersAtOnce)
{
    runTable({
        {"safe answer and the close sequence",
         uR"(procedure Log(Sender: TObject); begin ShowMessage('event'); end;
procedure Shown(Sender: TObject); begin ShowMessage('show'); end;
procedure Hidden(Sender: TObject); begin ShowMessage('hide'); end;
procedure Query(Sender: TObject; var CanClose: Boolean); begin ShowMessage('query'); end;
procedure Closed(Sender: TObject; var Action: TCloseAction); begin ShowMessage('close ' + IntToStr(Action)); end;
var F: TForm;
begin
  F := TForm.Create(nil);
  F.OnShow := 'Shown'; F.OnHide := 'Hidden'; F.OnCloseQuery := 'Query'; F.OnClose := 'Closed';
  ShowMessage(F.ShowModal); ShowMessage(F.Visible); ShowMessage(F.ModalResult);
end.)",
         "show query close 1 hide 2 False 2"},
        {"OnShow gives the answer",
         uR"(procedure Shown(Sender: TObject); begin TForm(Sender).ModalResult := mrOk; end;
var F: TForm;
begin F := TForm.Create(nil); F.OnShow := 'Shown'; ShowMessage(F.ShowModal); end.)",
         "1"},
        {"a refused close still answers mrCancel",
         uR"(procedure Shown(Sender: TObject); begin TForm(Sender).ModalResult := mrYes; end;
procedure Query(Sender: TObject; var CanClose: Boolean); begin CanClose := False; end;
var F: TForm;
begin F := TForm.Create(nil); F.OnShow := 'Shown'; F.OnCloseQuery := 'Query'; ShowMessage(F.ShowModal); end.)",
         "2"},
        {"re-entrant ShowModal is refused",
         uR"(var F: TForm;
procedure Shown(Sender: TObject); begin F.ShowModal; end;
begin F := TForm.Create(nil); F.OnShow := 'Shown'; F.ShowModal; end.)",
         "runtime error: Cannot make a visible window modal"},
        {"a form freed by OnShow answers mrCancel",
         uR"(var F: TForm;
procedure Shown(Sender: TObject); begin F.Free; end;
begin F := TForm.Create(nil); F.OnShow := 'Shown'; ShowMessage(F.ShowModal); end.)",
         "2"},
        {"Show and Hide",
         uR"(procedure Shown(Sender: TObject); begin ShowMessage('show'); end;
procedure Hidden(Sender: TObject); begin ShowMessage('hide'); end;
var F: TForm;
begin
  F := TForm.Create(nil); F.OnShow := 'Shown'; F.OnHide := 'Hidden';
  F.Show; F.Show; ShowMessage(F.Visible); F.Visible := False; ShowMessage(F.Visible);
end.)",
         "show True hide False"},
    });
}

TEST_F(FormsScripts, CloseActionsDecideWhatCloseDoes)
{
    // caFree only hides: the form is not pulled from under the handler that closed it.
    const char16_t program[] = uR"(var F: TForm; Act: Integer;
procedure Closing(Sender: TObject; var Action: TCloseAction); begin Action := Act; end;
begin
  F := TForm.Create(nil); F.OnClose := 'Closing';
  Act := caNone; F.Show; F.Close; ShowMessage(F.Visible);
  Act := caMinimize; F.Close; ShowMessage(F.Visible); ShowMessage(F.WindowState = wsMinimized);
  Act := caFree; F.Close; ShowMessage(F.Visible); F.Caption := 'alive'; ShowMessage(F.Caption);
  Act := caHide; F.Show; F.Close; ShowMessage(F.Visible);
end.)";
    EXPECT_EQ(run(QString::fromUtf16(program)), "True True True False alive False");
}

TEST_F(FormsScripts, ItemIndexStaysInRange)
{
    runTable({
        {"combo index sets the text",
         uR"(var F: TForm; C: TComboBox;
begin
  F := TForm.Create(nil); C := TComboBox.Create(F);
  C.Items.Add('a'); C.Items.Add('b'); C.Items.Add('c');
  C.ItemIndex := 2; ShowMessage(C.Text); C.ItemIndex := -1; ShowMessage(C.ItemIndex);
  C.Text := 'B'; ShowMessage(C.ItemIndex); F.Free;
end.)",
         "c -1 1"},
        {"combo index past the end",
         uR"(var F: TForm; C: TComboBox;
begin F := TForm.Create(nil); C := TComboBox.Create(F); C.Items.Add('a'); C.ItemIndex := 1; end.)",
         "runtime error: List index out of bounds (1)"},
        {"combo index below -1",
         uR"(var F: TForm; C: TComboBox;
begin F := TForm.Create(nil); C := TComboBox.Create(F); C.ItemIndex := -2; end.)",
         "runtime error: List index out of bounds (-2)"},
        {"deleting the chosen item clears the index",
         uR"(var F: TForm; L: TListBox;
begin
  F := TForm.Create(nil); L := TListBox.Create(F);
  L.Items.Add('a'); L.Items.Add('b'); L.ItemIndex := 1; L.Items.Delete(1);
  ShowMessage(L.ItemIndex); ShowMessage(L.SelCount);
end.)",
         "-1 0"},
        {"list box selection",
         uR"(var F: TForm; L: TListBox;
begin
  F := TForm.Create(nil); L := TListBox.Create(F);
  L.Items.Add('a'); L.Items.Add('b'); L.Items.Add('c');
  L.ItemIndex := 1; ShowMessage(L.Selected[1]); ShowMessage(L.SelCount);
  L.MultiSelect := True; L.Selected[0] := True; L.Selected[2] := True;
  ShowMessage(L.SelCount); L.Selected[1] := False; ShowMessage(L.SelCount);
end.)",
         "True 1 3 2"},
        {"Selected out of range",
         uR"(var F: TForm; L: TListBox;
begin F := TForm.Create(nil); L := TListBox.Create(F); L.Items.Add('a'); ShowMessage(L.Selected[1]); end.)",
         "runtime error: List index out of bounds (1)"},
    });
}

TEST_F(FormsScripts, RadioButtonsAreExclusivePerParent)
{
    EXPECT_EQ(run(uR"(var F: TForm; P: TGroupBox; R1, R2, R3: TRadioButton;
begin
  F := TForm.Create(nil); P := TGroupBox.Create(F); P.Parent := F;
  R1 := TRadioButton.Create(F); R1.Parent := F;
  R2 := TRadioButton.Create(F); R2.Parent := F;
  R3 := TRadioButton.Create(F); R3.Parent := P;
  R1.Checked := True; R3.Checked := True; R2.Checked := True;
  ShowMessage(R1.Checked); ShowMessage(R2.Checked); ShowMessage(R3.Checked);
end.)"_s),
              "False True True");
}

TEST_F(FormsScripts, ResizeEventsCanChangeTheSize)
{
    EXPECT_EQ(
        run(uR"(procedure CanResize(Sender: TObject; var NewWidth, NewHeight: Integer; var Resize: Boolean);
begin
  if NewWidth > 100 then NewWidth := 100;
  Resize := NewHeight <> 13;
end;
procedure Resized(Sender: TObject); begin ShowMessage('resized'); end;
var F: TForm; E: TEdit;
begin
  F := TForm.Create(nil); E := TEdit.Create(F);
  E.OnCanResize := 'CanResize'; E.OnResize := 'Resized';
  E.SetBounds(1, 2, 500, 20); ShowMessage(IntToStr(E.Width) + 'x' + IntToStr(E.Height));
  E.Height := 13; ShowMessage(E.Height);
  E.Left := 9; ShowMessage(E.Left);
end.)"_s),
        "resized 100x20 20 9");
}

TEST_F(FormsScripts, UserInputThroughTheModelFiresEvents)
{
    EXPECT_EQ(run(uR"(var F: TForm; E: TEdit; C: TCheckBox; L: TComboBox; Log: String;
procedure Changed(Sender: TObject); begin Log := Log + 'change:' + TEdit(Sender).Text + ';'; end;
procedure Clicked(Sender: TObject); begin Log := Log + 'click' + IntToStr(TCheckBox(Sender).State) + ';'; end;
procedure Picked(Sender: TObject); begin Log := Log + 'pick' + IntToStr(TComboBox(Sender).ItemIndex) + ';'; end;
begin
  F := TForm.Create(nil);
  E := TEdit.Create(F); E.MaxLength := 3; E.OnChange := 'Changed';
  C := TCheckBox.Create(F); C.AllowGrayed := True; C.OnClick := 'Clicked';
  L := TComboBox.Create(F); L.Items.Add('x'); L.Items.Add('y'); L.OnChange := 'Picked';
end.)"_s),
              "");
    auto *edit = object<TkyEdit>(u"E");
    auto *check = object<TkyCheckBox>(u"C");
    auto *combo = object<TkyComboBox>(u"L");
    ASSERT_TRUE(edit && check && combo);
    edit->UserSetText(u"abcdef"_s);
    EXPECT_EQ(edit->Text(), u"abc"_s);
    check->UserToggle();
    check->UserToggle();
    check->UserToggle();
    combo->UserSelect(1);
    EXPECT_EQ(combo->Text(), u"y"_s);
    EXPECT_EQ(VarToStr(script.Variables(u"Log")), u"change:abc;click1;click2;click0;pick1;"_s);
}

TEST_F(FormsScripts, OtherLanguagesBuildForms)
{
    EXPECT_EQ(run(u"JScript"_s, uR"(
var F = new TForm(nil);
var E = new TEdit(F);
E.Parent = F; E.Text = "typed"; F.Caption = "J";
ShowMessage(F.Caption + E.Text);
ShowMessage(F.ShowModal());
var C = new TComboBox(F);
C.ItemIndex = 0;
)"_s),
              "Jtyped 2 runtime error: List index out of bounds (0)");
    EXPECT_EQ(run(u"C++Script"_s, uR"(
TForm F = new TForm(nil);
TButton B = new TButton(F);
{
  B.Parent = F; B.ModalResult = mrOk; B.Caption = "Go";
  ShowMessage(B.Caption + IntToStr(B.ModalResult));
  delete F;
  ShowMessage(B.Caption);
})"_s),
              "Go1 runtime error: Invalid object reference");
}

// Counts the message pumps the scripts ask for.
class PumpCounter : public TkavHeadlessUIServices
{
public:
    explicit PumpCounter(int &count)
        : FCount(count)
    {}
    void ProcessMessages() override { ++FCount; }

private:
    int &FCount;
};

TEST_F(FormsScripts, ApplicationObject)
{
    int pumps = 0;
    auto previous = kavSetUIServices(std::make_unique<PumpCounter>(pumps));
    const std::string outcome = run(uR"(begin
  Application.ProcessMessages; Application.ProcessMessages;
  Application.Minimize; Application.Restore;
  if Application.ExeName <> '' then RaiseException('named');
end.)"_s);
    kavSetUIServices(std::move(previous));
    EXPECT_EQ(outcome, "runtime error: named");
    EXPECT_EQ(pumps, 2);
}

} // namespace
