#include "kavUIServices.h"

#include <QByteArray>

#include <cstdio>

TModalResult kavButtonResult(TMsgDlgBtn button)
{
    switch (button) {
    case mbYes: return mrYes;
    case mbNo: return mrNo;
    case mbOK: return mrOk;
    case mbCancel: return mrCancel;
    case mbAbort: return mrAbort;
    case mbRetry: return mrRetry;
    case mbIgnore: return mrIgnore;
    case mbAll: return mrAll;
    case mbNoToAll: return mrNoToAll;
    case mbYesToAll: return mrYesToAll;
    case mbHelp: return mrNone;
    }
    return mrNone;
}

TModalResult kavSafeAnswer(TMsgDlgButtons buttons)
{
    for (TMsgDlgBtn button : {mbCancel, mbNo, mbNoToAll, mbAbort, mbIgnore, mbOK})
        if (buttons.Contains(button))
            return kavButtonResult(button);
    for (int b = mbYes; b <= mbYesToAll; ++b)
        if (buttons.Contains(TMsgDlgBtn(b)))
            return kavButtonResult(TMsgDlgBtn(b));
    return mrOk;
}

QString kavMsgDlgCaption(TMsgDlgType type)
{
    switch (type) {
    case mtWarning: return QStringLiteral("Warning");
    case mtError: return QStringLiteral("Error");
    case mtInformation: return QStringLiteral("Information");
    case mtConfirmation: return QStringLiteral("Confirm");
    case mtCustom: break;
    }
    return QString();
}

QString kavFileDialogFilter(const QString &platformFilter)
{
    const QStringList parts = platformFilter.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i].trimmed();
        const QString patterns = parts[i + 1].split(u';', Qt::SkipEmptyParts).join(u' ').trimmed();
        // Qt reads the patterns from the last bracket group: replace one that shows patterns.
        const qsizetype open = description.lastIndexOf(u'(');
        if (open >= 0 && description.endsWith(u')') && description.indexOf(u'*', open) > open)
            description = description.left(open).trimmed();
        filters.append(QStringLiteral("%1 (%2)").arg(description, patterns).trimmed());
    }
    return filters.join(QStringLiteral(";;"));
}

// ---------------------------------------------------------------------------------------
// TkavUIServices shorthands

void TkavUIServices::InfoBox(const QString &text, const QString &caption)
{
    MessageDlg(text, mtInformation, {mbOK}, caption);
}

void TkavUIServices::WarningBox(const QString &text, const QString &caption)
{
    MessageDlg(text, mtWarning, {mbOK}, caption);
}

void TkavUIServices::ErrorBox(const QString &text, const QString &caption)
{
    MessageDlg(text, mtError, {mbOK}, caption);
}

TModalResult TkavUIServices::ConfirmBox(const QString &text, TMsgDlgButtons buttons, const QString &caption)
{
    return MessageDlg(text, mtConfirmation, buttons, caption);
}

QString TkavUIServices::InputBox(const QString &caption, const QString &prompt, const QString &defaultValue)
{
    QString value = defaultValue;
    return InputQuery(caption, prompt, value) ? value : defaultValue;
}

// ---------------------------------------------------------------------------------------
// TkavHeadlessUIServices

void TkavHeadlessUIServices::report(TMsgDlgType type, const QString &line, const QString &text)
{
    if (FSink)
        FSink(type, text);
    if (!FEcho)
        return;
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

void TkavHeadlessUIServices::ShowMessage(const QString &text)
{
    report(mtInformation, text, text);
}

TModalResult TkavHeadlessUIServices::MessageDlg(const QString &text, TMsgDlgType type, TMsgDlgButtons buttons,
                                                const QString &caption)
{
    const QString title = caption.isEmpty() ? kavMsgDlgCaption(type) : caption;
    report(type, title.isEmpty() ? text : title + QStringLiteral(": ") + text, text);
    return kavSafeAnswer(buttons);
}

bool TkavHeadlessUIServices::InputQuery(const QString &, const QString &, QString &)
{
    return false;
}

bool TkavHeadlessUIServices::PasswordQuery(const QString &, const QString &, QString &)
{
    return false;
}

bool TkavHeadlessUIServices::OpenFileDialog(const TkavFileDialogOptions &, QStringList &)
{
    return false;
}

bool TkavHeadlessUIServices::SaveFileDialog(const TkavFileDialogOptions &, QString &)
{
    return false;
}

bool TkavHeadlessUIServices::FolderDialog(const QString &, QString &)
{
    return false;
}

bool TkavHeadlessUIServices::ColorDialog(TColor &)
{
    return false;
}

bool TkavHeadlessUIServices::FontDialog(TkavFontChoice &)
{
    return false;
}

void TkavHeadlessUIServices::ProgressBegin(const QString &, int maximum)
{
    FProgressActive = true;
    FProgressMaximum = qMax(0, maximum);
    FProgressPosition = 0;
}

void TkavHeadlessUIServices::ProgressSetText(const QString &)
{
}

void TkavHeadlessUIServices::ProgressSetPosition(int position)
{
    if (FProgressActive)
        FProgressPosition = qBound(0, position, FProgressMaximum > 0 ? FProgressMaximum : position);
}

void TkavHeadlessUIServices::ProgressEnd()
{
    FProgressActive = false;
    FProgressMaximum = 0;
    FProgressPosition = 0;
}

bool TkavHeadlessUIServices::OpenHelpTopic(const QString &)
{
    return false;
}

// ---------------------------------------------------------------------------------------
// Process-wide services

namespace {

struct ServicesSlot
{
    TkavHeadlessUIServices headless;
    std::unique_ptr<TkavUIServices> installed;
};

ServicesSlot &servicesSlot()
{
    static ServicesSlot slot;
    return slot;
}

} // namespace

TkavUIServices &kavUIServices()
{
    ServicesSlot &slot = servicesSlot();
    if (slot.installed)
        return *slot.installed;
    return slot.headless;
}

std::unique_ptr<TkavUIServices> kavSetUIServices(std::unique_ptr<TkavUIServices> services)
{
    ServicesSlot &slot = servicesSlot();
    std::swap(slot.installed, services);
    return services;
}
