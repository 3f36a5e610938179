// UI services: safe answers, the headless default, the process-wide accessor, the file
// dialog filter conversion and the scripted fake that other suites use.
#include "rtl/kavUIServices.h"
#include "rtl/kavUIServicesFake.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(UIServicesAnswers, SafeAnswerChangesNothing)
{
    const std::pair<TMsgDlgButtons, TModalResult> cases[] = {
        {{mbYes, mbNo, mbCancel}, mrCancel},
        {{mbYes, mbNo}, mrNo},
        {{mbOK, mbCancel}, mrCancel},
        {{mbOK}, mrOk},
        {{mbAbort, mbRetry, mbIgnore}, mrAbort},
        {{mbRetry, mbIgnore}, mrIgnore},
        {{mbYes, mbYesToAll, mbNoToAll}, mrNoToAll},
        {{mbYes}, mrYes},
        {{mbYesToAll, mbAll}, mrAll},
        {{}, mrOk},
    };
    for (const auto &[buttons, answer] : cases)
        EXPECT_EQ(kavSafeAnswer(buttons), answer) << buttons.Mask();
}

TEST(UIServicesAnswers, ButtonsGiveTheirModalResults)
{
    const std::pair<TMsgDlgBtn, TModalResult> cases[] = {
        {mbYes, 6}, {mbNo, 7}, {mbOK, 1}, {mbCancel, 2}, {mbAbort, 3}, {mbRetry, 4},
        {mbIgnore, 5}, {mbAll, 12}, {mbNoToAll, 13}, {mbYesToAll, 14}, {mbHelp, 0},
    };
    for (const auto &[button, result] : cases)
        EXPECT_EQ(kavButtonResult(button), result) << int(button);
}

TEST(UIServicesFilter, PlatformFiltersBecomeQtFilters)
{
    const std::pair<QString, QString> cases[] = {
        {QStringLiteral("Report (*.kv3)|*.kv3"), QStringLiteral("Report (*.kv3)")},
        {QStringLiteral("Pictures (*.bmp;*.jpg)|*.bmp;*.jpg|All files|*.*"),
         QStringLiteral("Pictures (*.bmp *.jpg);;All files (*.*)")},
        {QStringLiteral("Text|*.txt"), QStringLiteral("Text (*.txt)")},
        {QStringLiteral("Old (new format)|*.kw3"), QStringLiteral("Old (new format) (*.kw3)")},
        {QString(), QString()},
    };
    for (const auto &[platform, qt] : cases)
        EXPECT_EQ(kavFileDialogFilter(platform), qt) << platform.toStdString();
}

TEST(UIServicesHeadless, NeverBlocksAndAnswersSafely)
{
    TkavHeadlessUIServices ui;
    ui.SetEchoToStandardError(false);
    std::vector<std::pair<TMsgDlgType, QString>> seen;
    ui.SetMessageSink([&](TMsgDlgType type, const QString &text) { seen.emplace_back(type, text); });

    ui.ShowMessage(QStringLiteral("hello"));
    ui.ErrorBox(QStringLiteral("broken"));
    EXPECT_EQ(ui.ConfirmBox(QStringLiteral("Save?"), {mbYes, mbNo, mbCancel}), mrCancel);
    EXPECT_EQ(ui.MessageDlg(QStringLiteral("Go on?"), mtWarning, {mbYes, mbNo}), mrNo);
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[0], std::make_pair(mtInformation, QStringLiteral("hello")));
    EXPECT_EQ(seen[1], std::make_pair(mtError, QStringLiteral("broken")));
    EXPECT_EQ(seen[2].first, mtConfirmation);
    EXPECT_EQ(seen[3].first, mtWarning);

    QString value = QStringLiteral("keep");
    EXPECT_FALSE(ui.InputQuery(QStringLiteral("C"), QStringLiteral("P"), value));
    EXPECT_EQ(value, QStringLiteral("keep"));
    EXPECT_EQ(ui.InputBox(QStringLiteral("C"), QStringLiteral("P"), QStringLiteral("dflt")), QStringLiteral("dflt"));
    QString password = QStringLiteral("unchanged");
    EXPECT_FALSE(ui.PasswordQuery(QStringLiteral("Senha"), QStringLiteral("Entre com a senha:"), password));
    EXPECT_EQ(password, QStringLiteral("unchanged"));

    QStringList files{QStringLiteral("a")};
    QString file = QStringLiteral("b");
    QString folder = QStringLiteral("c");
    TColor color = clRed;
    TkavFontChoice font;
    font.Name = QStringLiteral("Arial");
    EXPECT_FALSE(ui.OpenFileDialog({}, files));
    EXPECT_FALSE(ui.SaveFileDialog({}, file));
    EXPECT_FALSE(ui.FolderDialog(QStringLiteral("t"), folder));
    EXPECT_FALSE(ui.ColorDialog(color));
    EXPECT_FALSE(ui.FontDialog(font));
    EXPECT_EQ(files, QStringList{QStringLiteral("a")});
    EXPECT_EQ(file, QStringLiteral("b"));
    EXPECT_EQ(folder, QStringLiteral("c"));
    EXPECT_EQ(color, clRed);
    EXPECT_EQ(font.Name, QStringLiteral("Arial"));
    EXPECT_FALSE(ui.OpenHelpTopic(QStringLiteral("KVUser.chm::/index.htm")));
}

TEST(UIServicesHeadless, ProgressIsTrackedAndNeverCancelled)
{
    TkavHeadlessUIServices ui;
    EXPECT_FALSE(ui.ProgressActive());
    ui.ProgressSetPosition(3); // no progress open: ignored
    EXPECT_EQ(ui.ProgressPosition(), 0);
    ui.ProgressBegin(QStringLiteral("Running"), 10);
    ui.ProgressStep();
    ui.ProgressStep(4);
    EXPECT_EQ(ui.ProgressPosition(), 5);
    ui.ProgressSetPosition(50);
    EXPECT_EQ(ui.ProgressPosition(), 10);
    ui.ProgressSetPosition(-2);
    EXPECT_EQ(ui.ProgressPosition(), 0);
    EXPECT_FALSE(ui.ProgressCancelled());
    ui.ProgressEnd();
    EXPECT_FALSE(ui.ProgressActive());
}

TEST(UIServicesGlobal, InstallAndRestore)
{
    TkavUIServices *headless = &kavUIServices();
    EXPECT_NE(dynamic_cast<TkavHeadlessUIServices *>(headless), nullptr);
    {
        TkavFakeUIServicesScope scope;
        EXPECT_EQ(&kavUIServices(), &scope.Fake());
        kavUIServices().ProcessMessages();
        EXPECT_EQ(scope.Fake().ProcessMessagesCount, 1);
    }
    EXPECT_EQ(&kavUIServices(), headless);
    EXPECT_EQ(kavSetUIServices(nullptr), nullptr);
}

TEST(UIServicesFake, QueuedAnswersThenSafeOnes)
{
    TkavFakeUIServices fake;
    fake.MessageAnswers = {mrYes};
    fake.InputAnswers = {QStringLiteral("typed"), std::nullopt};
    fake.FileAnswers = {QStringList{QStringLiteral("/tmp/a.kv3")}};
    fake.ColorAnswers = {clBlue};
    TkavFontChoice chosen;
    chosen.Name = QStringLiteral("Liberation Serif");
    chosen.Size = 12.5;
    chosen.Style = {fsBold, fsUnderline};
    fake.FontAnswers = {chosen};
    fake.CancelProgressAfter = 2;

    EXPECT_EQ(fake.ConfirmBox(QStringLiteral("Q1"), {mbYes, mbNo}), mrYes);
    EXPECT_EQ(fake.ConfirmBox(QStringLiteral("Q2"), {mbYes, mbNo}), mrNo);
    EXPECT_EQ(fake.InputBox(QStringLiteral("C"), QStringLiteral("P"), QStringLiteral("d")), QStringLiteral("typed"));
    EXPECT_EQ(fake.InputBox(QStringLiteral("C"), QStringLiteral("P"), QStringLiteral("d")), QStringLiteral("d"));
    QString saved;
    EXPECT_TRUE(fake.SaveFileDialog({}, saved));
    EXPECT_EQ(saved, QStringLiteral("/tmp/a.kv3"));
    TColor color = clRed;
    EXPECT_TRUE(fake.ColorDialog(color));
    EXPECT_EQ(color, clBlue);
    EXPECT_FALSE(fake.ColorDialog(color));
    TkavFontChoice font;
    EXPECT_TRUE(fake.FontDialog(font));
    EXPECT_EQ(font.Name, QStringLiteral("Liberation Serif"));
    EXPECT_EQ(font.Size, 12.5);
    EXPECT_EQ(font.Style.Mask(), 5u); // bold 1 + underline 4, as files store it
    EXPECT_FALSE(fake.FontDialog(font));

    fake.ProgressBegin(QStringLiteral("Run"), 3);
    fake.ProgressStep();
    EXPECT_FALSE(fake.ProgressCancelled());
    fake.ProgressStep();
    EXPECT_TRUE(fake.ProgressCancelled());
    fake.ProgressEnd();

    const auto boxes = fake.CallsOf(QStringLiteral("MessageDlg"));
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].Text, QStringLiteral("Q2"));
    EXPECT_EQ(boxes[1].Type, mtConfirmation);
    EXPECT_EQ(fake.CallsOf(QStringLiteral("InputQuery")).size(), 2u);
}

} // namespace
