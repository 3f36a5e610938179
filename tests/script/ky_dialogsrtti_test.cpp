// Dialogs from scripts: MessageDlg, InputBox, InputQuery and the common dialogs answered by
// scripted UI services that record what they were asked, and the headless services that
// never block.

#include "kyScriptTestSupport.h"

#include <rtl/kavExceptions.h>
#include <rtl/kavUIServices.h>

#include <QStringList>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// Answers with what a test scripted and records every request.
class ScriptedUI : public TkavHeadlessUIServices
{
public:
    TModalResult MessageDlg(const QString &text,
                            TMsgDlgType type,
                            TMsgDlgButtons buttons,
                            const QString &) override
    {
        asked << text;
        lastType = type;
        lastButtons = buttons;
        return answer;
    }
    bool InputQuery(const QString &caption, const QString &prompt, QString &value) override
    {
        asked << caption + u'/' + prompt + u'/' + value;
        if (accept)
            value = typed;
        return accept;
    }
    bool OpenFileDialog(const TkavFileDialogOptions &options, QStringList &fileNames) override
    {
        lastFile = options;
        asked << u"open"_s;
        if (accept)
            fileNames = files;
        return accept;
    }
    bool SaveFileDialog(const TkavFileDialogOptions &options, QString &fileName) override
    {
        lastFile = options;
        asked << u"save"_s;
        if (accept)
            fileName = files.value(0);
        return accept;
    }
    bool ColorDialog(TColor &color) override
    {
        asked << u"color %1"_s.arg(color);
        if (accept)
            color = chosenColor;
        return accept;
    }
    bool FontDialog(TkavFontChoice &font) override
    {
        asked << u"font %1"_s.arg(font.Name);
        if (accept) {
            font.Name = u"Courier"_s;
            font.Size = 14;
        }
        return accept;
    }

    TModalResult answer = mrNone;
    bool accept = true;
    QString typed;
    QStringList files;
    TColor chosenColor = clBlack;

    QStringList asked;
    TMsgDlgType lastType = mtCustom;
    TMsgDlgButtons lastButtons;
    TkavFileDialogOptions lastFile;
};

class DialogScripts : public ::testing::Test
{
protected:
    void SetUp() override
    {
        auto services = std::make_unique<ScriptedUI>();
        ui = services.get();
        ui->SetEchoToStandardError(false);
        ui->SetMessageSink([this](TMsgDlgType, const QString &text) { shown << text; });
        FPrevious = kavSetUIServices(std::move(services));
        kyPrepareLibraryScript(script);
    }
    void TearDown() override { kavSetUIServices(std::move(FPrevious)); }

    std::string run(const QString &language, const QString &source)
    {
        shown.clear();
        ui->asked.clear();
        script.Clear();
        return kyRunOutcome(script, shown, language, source).toStdString();
    }

    ScriptedUI *ui = nullptr;
    QStringList shown;
    TkyScript script;

private:
    std::unique_ptr<TkavUIServices> FPrevious;
};

TEST_F(DialogScripts, MessageDlgReturnsTheButtonChosen)
{
    const struct
    {
        TModalResult answer;
        const char *expected;
    } cases[] = {
        {mrYes, "6 yes"},
        {mrNo, "7 no"},
        {mrCancel, "2 cancel"},
    };
    for (const auto &c : cases) {
        ui->answer = c.answer;
        EXPECT_EQ(run(u"PascalScript"_s, uR"(
var r: Integer;
begin
  r := MessageDlg('Save changes?', mtConfirmation, [mbYes, mbNo, mbCancel], 0);
  ShowMessage(r);
  if r = mrYes then ShowMessage('yes')
  else if r = mrNo then ShowMessage('no')
  else if r = mrCancel then ShowMessage('cancel');
end.)"_s),
                  c.expected);
        EXPECT_EQ(ui->asked, QStringList{u"Save changes?"_s});
        EXPECT_EQ(ui->lastType, mtConfirmation);
        EXPECT_EQ(ui->lastButtons, (TMsgDlgButtons{mbYes, mbNo, mbCancel}));
    }
}

TEST_F(DialogScripts, MessageDlgOutOfRangeArgumentsAreTamed)
{
    ui->answer = mrOk;
    EXPECT_EQ(
        run(u"PascalScript"_s, u"begin ShowMessage(MessageDlg('x', 99, 4 + 65536, 0)); end."_s),
        "1");
    EXPECT_EQ(ui->lastType, mtCustom);
    EXPECT_EQ(ui->lastButtons, TMsgDlgButtons{mbOK});
}

TEST_F(DialogScripts, InputQueryChangesItsVariableOnlyWhenAccepted)
{
    const struct
    {
        bool accept;
        const char *expected;
    } cases[] = {{true, "True typed"}, {false, "False start"}};
    for (const auto &c : cases) {
        ui->accept = c.accept;
        ui->typed = u"typed"_s;
        EXPECT_EQ(run(u"PascalScript"_s, uR"(
var s: String;
begin
  s := 'start';
  ShowMessage(InputQuery('Name', 'Your name:', s));
  ShowMessage(s);
end.)"_s),
                  c.expected);
        EXPECT_EQ(ui->asked, QStringList{u"Name/Your name:/start"_s});
    }
}

TEST_F(DialogScripts, InputBoxGivesTheDefaultWhenCancelled)
{
    ui->typed = u"answer"_s;
    ui->accept = true;
    EXPECT_EQ(run(u"C++Script"_s, uR"({ ShowMessage(InputBox("Cap", "Prompt", "dflt")); })"_s),
              "answer");
    ui->accept = false;
    EXPECT_EQ(run(u"C++Script"_s, uR"({ ShowMessage(InputBox("Cap", "Prompt", "dflt")); })"_s),
              "dflt");
}

TEST_F(DialogScripts, OpenDialogPassesItsPropertiesAndTakesTheChoice)
{
    ui->files = QStringList{u"/data/a.txt"_s, u"/data/b.txt"_s};
    EXPECT_EQ(run(u"PascalScript"_s, uR"(
var D: TOpenDialog;
begin
  D := TOpenDialog.Create(nil);
  D.Title := 'Pick';
  D.Filter := 'Text files (*.txt)|*.txt';
  D.InitialDir := '/data';
  D.FilterIndex := 1;
  D.Options := [ofHideReadOnly, ofAllowMultiSelect];
  if D.Execute then ShowMessage(D.FileName);
  ShowMessage(D.Files.Count);
  ShowMessage(D.Files[1]);
  ShowMessage(ofAllowMultiSelect in D.Options);
  ShowMessage(ofReadOnly in D.Options);
end.)"_s),
              "/data/a.txt 2 /data/b.txt True False");
    EXPECT_EQ(ui->lastFile.Title, u"Pick"_s);
    EXPECT_EQ(ui->lastFile.Filter, u"Text files (*.txt)|*.txt"_s);
    EXPECT_EQ(ui->lastFile.InitialDir, u"/data"_s);
    EXPECT_TRUE(ui->lastFile.MultiSelect);
}

TEST_F(DialogScripts, CancelledDialogsChangeNothing)
{
    ui->accept = false;
    EXPECT_EQ(run(u"PascalScript"_s, uR"(
var O: TOpenDialog; S: TSaveDialog; C: TColorDialog;
begin
  O := TOpenDialog.Create(nil); O.FileName := 'keep.txt';
  ShowMessage(O.Execute); ShowMessage(O.FileName);
  S := TSaveDialog.Create(nil); S.FileName := 'out.txt';
  ShowMessage(S.Execute); ShowMessage(S.FileName);
  C := TColorDialog.Create(nil); C.Color := 255;
  ShowMessage(C.Execute); ShowMessage(C.Color);
end.)"_s),
              "False keep.txt False out.txt False 255");
    EXPECT_EQ(ui->asked, (QStringList{u"open"_s, u"save"_s, u"color 255"_s}));
}

TEST_F(DialogScripts, SaveColorAndFontDialogsTakeTheChoice)
{
    ui->files = QStringList{u"/out/report.pdf"_s};
    ui->chosenColor = 0x00FF00;
    EXPECT_EQ(run(u"PascalScript"_s, uR"(
var S: TSaveDialog; C: TColorDialog; F: TFontDialog;
begin
  S := TSaveDialog.Create(nil);
  S.DefaultExt := 'pdf';
  S.Options := [ofOverwritePrompt];
  if S.Execute then ShowMessage(S.FileName);
  C := TColorDialog.Create(nil);
  if C.Execute then ShowMessage(C.Color);
  F := TFontDialog.Create(nil);
  ShowMessage(F.Execute);
end.)"_s),
              "/out/report.pdf 65280 True");
    EXPECT_EQ(ui->lastFile.DefaultExt, u"pdf"_s);
    EXPECT_TRUE(ui->lastFile.OverwritePrompt);
    EXPECT_EQ(ui->asked, (QStringList{u"save"_s, u"color 0"_s, u"font Arial"_s}));
}

TEST_F(DialogScripts, PrinterDialogsAreCancelledAndKeepTheirProperties)
{
    EXPECT_EQ(run(u"PascalScript"_s, uR"(
var P: TPrintDialog; U: TPrinterSetupDialog;
begin
  P := TPrintDialog.Create(nil);
  P.Copies := 3; P.PrintRange := prPageNums; P.Collate := True;
  ShowMessage(P.Execute);
  ShowMessage(P.Copies); ShowMessage(P.PrintRange); ShowMessage(P.Collate);
  U := TPrinterSetupDialog.Create(nil);
  ShowMessage(U.Execute);
end.)"_s),
              "False 3 2 True False");
}

TEST_F(DialogScripts, ConstantsAndTheAbstractDialog)
{
    EXPECT_EQ(run(u"PascalScript"_s,
                  u"begin ShowMessage(mrNone); ShowMessage(mrYesToAll); ShowMessage(mtCustom); "
                  u"ShowMessage(mbHelp); ShowMessage(prPageNums); end."_s),
              "0 14 4 1024 2");
    EXPECT_EQ(run(u"PascalScript"_s,
                  u"var D: TCommonDialog; begin D := TCommonDialog.Create(nil); end."_s),
              "runtime error: Cannot create an instance of TCommonDialog");
}

// Without scripted services: the headless default answers at once.
TEST(DialogScriptsHeadless, NothingBlocks)
{
    KyShownMessages messages;
    TkyScript script;
    kyPrepareLibraryScript(script);
    script.SetSyntaxType(u"PascalScript"_s);
    script.Lines().SetText(kyScriptLinesText(uR"(
var s: String; D: TOpenDialog;
begin
  ShowMessage(MessageDlg('Delete?', mtWarning, [mbYes, mbNo], 0));
  s := 'v';
  ShowMessage(InputQuery('c', 'p', s));
  ShowMessage(InputBox('c', 'p', 'default'));
  D := TOpenDialog.Create(nil);
  ShowMessage(D.Execute);
end.)"_s));
    ASSERT_TRUE(script.Compile()) << script.ErrorMsg().toStdString();
    script.Execute();
    // The question's text reaches the sink too; the answer is the safe one (No).
    EXPECT_EQ(messages.lines,
              (QStringList{u"Delete?"_s, u"7"_s, u"False"_s, u"default"_s, u"False"_s}));
}

} // namespace
