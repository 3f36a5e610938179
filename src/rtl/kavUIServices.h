#pragma once

// TkavUIServices: everything that would otherwise talk to the user directly (message boxes,
// questions, input and password prompts, file, folder, colour and font dialogs, progress,
// help and the event pump) goes through this one interface. The process default is
// headless: it never blocks, reports messages on standard error and answers safely. The
// Qt implementation lives in the user-interface library; tests install a scripted fake.

#include "kavColors.h"
#include "kavFont.h"
#include "kavSet.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

enum TMsgDlgType : int {
    mtWarning,
    mtError,
    mtInformation,
    mtConfirmation,
    mtCustom
};

enum TMsgDlgBtn : int {
    mbYes,
    mbNo,
    mbOK,
    mbCancel,
    mbAbort,
    mbRetry,
    mbIgnore,
    mbAll,
    mbNoToAll,
    mbYesToAll,
    mbHelp
};

using TMsgDlgButtons = TkavSet<TMsgDlgBtn>;

// The answer of a dialog: the platform's modal result numbers.
using TModalResult = int;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = 1;
constexpr TModalResult mrCancel = 2;
constexpr TModalResult mrAbort = 3;
constexpr TModalResult mrRetry = 4;
constexpr TModalResult mrIgnore = 5;
constexpr TModalResult mrYes = 6;
constexpr TModalResult mrNo = 7;
constexpr TModalResult mrAll = 12;
constexpr TModalResult mrNoToAll = 13;
constexpr TModalResult mrYesToAll = 14;

// The modal result a button gives (mbHelp gives mrNone: it does not close a box).
TModalResult kavButtonResult(TMsgDlgBtn button);
// The answer that changes nothing among buttons: Cancel, else No, No to all, Abort,
// Ignore, OK, then the first button offered; no buttons: mrOk.
TModalResult kavSafeAnswer(TMsgDlgButtons buttons);
// The default caption of a box kind: "Warning", "Error", "Information", "Confirm" (custom:
// empty).
QString kavMsgDlgCaption(TMsgDlgType type);

// A file dialog's request. Filter uses the platform's form "Text files (*.txt)|*.txt|All
// files (*.*)|*.*" (kavFileDialogFilter converts it for Qt's dialogs).
struct TkavFileDialogOptions
{
    QString Title;
    QString Filter;
    int FilterIndex = 1; // 1-based, as the platform counts
    QString InitialDir;
    QString FileName;
    QString DefaultExt; // without the dot; appended to a saved name without an extension
    bool MultiSelect = false;
    bool OverwritePrompt = true;
};

// "Desc (*.a;*.b)|*.a;*.b|Desc2|*.c" -> "Desc (*.a *.b);;Desc2 (*.c)": a bracket group
// with patterns at the end of a description is replaced by the pattern list.
QString kavFileDialogFilter(const QString &platformFilter);

// A font as the font dialog shows it.
struct TkavFontChoice
{
    QString Name;
    double Size = 10;
    TFontStyles Style;
    TColor Color = clBlack;
};

class TkavUIServices
{
public:
    virtual ~TkavUIServices() = default;

    // --- messages and questions ---------------------------------------------------------
    // A plain message with an OK button.
    virtual void ShowMessage(const QString &text) = 0;
    // A box of the given kind with the given buttons; returns the modal result of the
    // button pressed (closing the box without one gives kavSafeAnswer). An empty caption
    // takes kavMsgDlgCaption(type).
    virtual TModalResult MessageDlg(const QString &text, TMsgDlgType type, TMsgDlgButtons buttons,
                                    const QString &caption = QString()) = 0;

    // Shorthands over MessageDlg.
    void InfoBox(const QString &text, const QString &caption = QString());
    void WarningBox(const QString &text, const QString &caption = QString());
    void ErrorBox(const QString &text, const QString &caption = QString());
    TModalResult ConfirmBox(const QString &text, TMsgDlgButtons buttons, const QString &caption = QString());

    // --- input --------------------------------------------------------------------------
    // Shows value for editing; true and the new value when accepted, false (value
    // unchanged) when cancelled.
    virtual bool InputQuery(const QString &caption, const QString &prompt, QString &value) = 0;
    // The entered text, or defaultValue when cancelled.
    QString InputBox(const QString &caption, const QString &prompt, const QString &defaultValue);
    // A masked single-line input starting empty; true and the text when accepted.
    virtual bool PasswordQuery(const QString &caption, const QString &prompt, QString &password) = 0;

    // --- dialogs (false: cancelled, outputs unchanged) -----------------------------------
    virtual bool OpenFileDialog(const TkavFileDialogOptions &options, QStringList &fileNames) = 0;
    virtual bool SaveFileDialog(const TkavFileDialogOptions &options, QString &fileName) = 0;
    virtual bool FolderDialog(const QString &title, QString &folder) = 0;
    // color is shown first and replaced by the choice.
    virtual bool ColorDialog(TColor &color) = 0;
    virtual bool FontDialog(TkavFontChoice &font) = 0;

    // --- progress (one at a time; Begin while one is open restarts it) ----------------------
    virtual void ProgressBegin(const QString &caption, int maximum) = 0;
    virtual void ProgressSetText(const QString &text) = 0;
    virtual void ProgressSetPosition(int position) = 0;
    void ProgressStep(int delta = 1) { ProgressSetPosition(ProgressPosition() + delta); }
    virtual int ProgressPosition() const = 0;
    // True once the user asked to cancel the open progress.
    virtual bool ProgressCancelled() = 0;
    virtual void ProgressEnd() = 0;

    // --- help and event pump ---------------------------------------------------------------
    // Opens a help topic ("topic.htm", or "File.chm::/topic.htm" whose part after "::/" is
    // the topic); false when there is no help to show.
    virtual bool OpenHelpTopic(const QString &topic) = 0;
    // Handles pending user-interface events; long runs call it between steps.
    virtual void ProcessMessages() = 0;
};

// Never blocks: messages go to standard error (when enabled) and to the sink; questions
// take kavSafeAnswer; dialogs and prompts report "cancelled"; progress is only tracked.
class TkavHeadlessUIServices : public TkavUIServices
{
public:
    // Receives every message and question text with its kind (ShowMessage: mtInformation).
    using MessageSink = std::function<void(TMsgDlgType type, const QString &text)>;

    void SetMessageSink(MessageSink sink) { FSink = std::move(sink); }
    void SetEchoToStandardError(bool on) { FEcho = on; }
    bool EchoToStandardError() const { return FEcho; }

    void ShowMessage(const QString &text) override;
    TModalResult MessageDlg(const QString &text, TMsgDlgType type, TMsgDlgButtons buttons,
                            const QString &caption = QString()) override;
    bool InputQuery(const QString &caption, const QString &prompt, QString &value) override;
    bool PasswordQuery(const QString &caption, const QString &prompt, QString &password) override;
    bool OpenFileDialog(const TkavFileDialogOptions &options, QStringList &fileNames) override;
    bool SaveFileDialog(const TkavFileDialogOptions &options, QString &fileName) override;
    bool FolderDialog(const QString &title, QString &folder) override;
    bool ColorDialog(TColor &color) override;
    bool FontDialog(TkavFontChoice &font) override;
    void ProgressBegin(const QString &caption, int maximum) override;
    void ProgressSetText(const QString &text) override;
    void ProgressSetPosition(int position) override;
    int ProgressPosition() const override { return FProgressPosition; }
    bool ProgressCancelled() override { return false; }
    void ProgressEnd() override;
    bool OpenHelpTopic(const QString &topic) override;
    void ProcessMessages() override {}

    bool ProgressActive() const { return FProgressActive; }
    int ProgressMaximum() const { return FProgressMaximum; }

private:
    // Hands text to the sink and writes line to standard error.
    void report(TMsgDlgType type, const QString &line, const QString &text);

    MessageSink FSink;
    bool FEcho = true;
    bool FProgressActive = false;
    int FProgressMaximum = 0;
    int FProgressPosition = 0;
};

// The process-wide services (a headless instance until one is set). Set them at start-up
// or in tests, on the main thread.
TkavUIServices &kavUIServices();
// Installs services and returns the previous ones (null when they were the built-in
// headless default); null restores the headless default.
std::unique_ptr<TkavUIServices> kavSetUIServices(std::unique_ptr<TkavUIServices> services);
