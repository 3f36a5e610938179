#pragma once

// TkavFakeUIServices: scripted user-interface services for tests. Answers are queued per
// kind and consumed in order; with an empty queue the safe headless answer is given. Every
// call is recorded. TkavFakeUIServicesScope installs a fake for one test and restores the
// previous services afterwards.

#include "rtl/kavUIServices.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <memory>
#include <optional>
#include <vector>

class TkavFakeUIServices : public TkavUIServices
{
public:
    struct Call
    {
        QString Kind; // "ShowMessage", "MessageDlg", "InputQuery", "PasswordQuery", "OpenFile",
                      // "SaveFile", "Folder", "Color", "Font", "ProgressBegin", "ProgressText",
                      // "ProgressEnd", "Help"
        QString Caption;
        QString Text;
        TMsgDlgType Type = mtCustom;
        TMsgDlgButtons Buttons;
    };

    // Queued answers (std::nullopt: the user cancelled).
    std::deque<TModalResult> MessageAnswers;
    std::deque<std::optional<QString>> InputAnswers;    // InputQuery and PasswordQuery
    std::deque<std::optional<QStringList>> FileAnswers; // open (all names) and save (first name)
    std::deque<std::optional<QString>> FolderAnswers;
    std::deque<std::optional<TColor>> ColorAnswers;
    std::deque<std::optional<TkavFontChoice>> FontAnswers;
    // ProgressCancelled turns true once this many positions were set (-1: never).
    int CancelProgressAfter = -1;

    std::vector<Call> Calls;
    int ProcessMessagesCount = 0;
    int ProgressSteps = 0;
    bool ProgressOpen = false;
    QStringList HelpTopics;

    // The recorded calls of one kind.
    std::vector<Call> CallsOf(const QString &kind) const
    {
        std::vector<Call> result;
        for (const Call &call : Calls)
            if (call.Kind == kind)
                result.push_back(call);
        return result;
    }

    void ShowMessage(const QString &text) override { record(QStringLiteral("ShowMessage"), QString(), text); }

    TModalResult MessageDlg(const QString &text, TMsgDlgType type, TMsgDlgButtons buttons,
                            const QString &caption = QString()) override
    {
        Calls.push_back({QStringLiteral("MessageDlg"), caption, text, type, buttons});
        return take(MessageAnswers).value_or(kavSafeAnswer(buttons));
    }

    bool InputQuery(const QString &caption, const QString &prompt, QString &value) override
    {
        record(QStringLiteral("InputQuery"), caption, prompt);
        return answer(take(InputAnswers), value);
    }

    bool PasswordQuery(const QString &caption, const QString &prompt, QString &password) override
    {
        record(QStringLiteral("PasswordQuery"), caption, prompt);
        return answer(take(InputAnswers), password);
    }

    bool OpenFileDialog(const TkavFileDialogOptions &options, QStringList &fileNames) override
    {
        record(QStringLiteral("OpenFile"), options.Title, options.Filter);
        return answer(take(FileAnswers), fileNames);
    }

    bool SaveFileDialog(const TkavFileDialogOptions &options, QString &fileName) override
    {
        record(QStringLiteral("SaveFile"), options.Title, options.Filter);
        const std::optional<QStringList> names = take(FileAnswers);
        if (!names || names->isEmpty())
            return false;
        fileName = names->constFirst();
        return true;
    }

    bool FolderDialog(const QString &title, QString &folder) override
    {
        record(QStringLiteral("Folder"), title, folder);
        return answer(take(FolderAnswers), folder);
    }

    bool ColorDialog(TColor &color) override
    {
        record(QStringLiteral("Color"), QString(), QString::number(color));
        return answer(take(ColorAnswers), color);
    }

    bool FontDialog(TkavFontChoice &font) override
    {
        record(QStringLiteral("Font"), QString(), font.Name);
        return answer(take(FontAnswers), font);
    }

    void ProgressBegin(const QString &caption, int maximum) override
    {
        record(QStringLiteral("ProgressBegin"), caption, QString::number(maximum));
        ProgressOpen = true;
        FPosition = 0;
        ProgressSteps = 0;
    }
    void ProgressSetText(const QString &text) override { record(QStringLiteral("ProgressText"), QString(), text); }
    void ProgressSetPosition(int position) override
    {
        FPosition = position;
        ++ProgressSteps;
    }
    int ProgressPosition() const override { return FPosition; }
    bool ProgressCancelled() override
    {
        return ProgressOpen && CancelProgressAfter >= 0 && ProgressSteps >= CancelProgressAfter;
    }
    void ProgressEnd() override
    {
        record(QStringLiteral("ProgressEnd"), QString(), QString());
        ProgressOpen = false;
    }

    bool OpenHelpTopic(const QString &topic) override
    {
        record(QStringLiteral("Help"), QString(), topic);
        HelpTopics.append(topic);
        return true;
    }

    void ProcessMessages() override { ++ProcessMessagesCount; }

private:
    template <typename T>
    static std::optional<T> take(std::deque<T> &queue)
    {
        if (queue.empty())
            return std::nullopt;
        T value = std::move(queue.front());
        queue.pop_front();
        return value;
    }
    // A queued optional answer: empty queue or nullopt means cancelled.
    template <typename T>
    static std::optional<T> take(std::deque<std::optional<T>> &queue)
    {
        if (queue.empty())
            return std::nullopt;
        std::optional<T> value = std::move(queue.front());
        queue.pop_front();
        return value;
    }
    template <typename T>
    static bool answer(const std::optional<T> &value, T &out)
    {
        if (!value)
            return false;
        out = *value;
        return true;
    }

    void record(const QString &kind, const QString &caption, const QString &text)
    {
        Calls.push_back({kind, caption, text, mtCustom, {}});
    }

    int FPosition = 0;
};

// Installs a fresh fake for the scope's lifetime.
class TkavFakeUIServicesScope
{
public:
    TkavFakeUIServicesScope()
    {
        auto fake = std::make_unique<TkavFakeUIServices>();
        FFake = fake.get();
        FPrevious = kavSetUIServices(std::move(fake));
    }
    ~TkavFakeUIServicesScope() { kavSetUIServices(std::move(FPrevious)); }
    TkavFakeUIServicesScope(const TkavFakeUIServicesScope &) = delete;
    TkavFakeUIServicesScope &operator=(const TkavFakeUIServicesScope &) = delete;

    TkavFakeUIServices &Fake() const { return *FFake; }

private:
    TkavFakeUIServices *FFake = nullptr;
    std::unique_ptr<TkavUIServices> FPrevious;
};
