#include "kavUIServicesQt.h"

#include <QAbstractButton>
#include <QColorDialog>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QHash>
#include <QInputDialog>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QStandardPaths>
#include <QUrl>

namespace {

QMessageBox::Icon boxIcon(TMsgDlgType type)
{
    switch (type) {
    case mtWarning: return QMessageBox::Warning;
    case mtError: return QMessageBox::Critical;
    case mtInformation: return QMessageBox::Information;
    case mtConfirmation: return QMessageBox::Question;
    case mtCustom: break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButton standardButton(TMsgDlgBtn button)
{
    switch (button) {
    case mbYes: return QMessageBox::Yes;
    case mbNo: return QMessageBox::No;
    case mbOK: return QMessageBox::Ok;
    case mbCancel: return QMessageBox::Cancel;
    case mbAbort: return QMessageBox::Abort;
    case mbRetry: return QMessageBox::Retry;
    case mbIgnore: return QMessageBox::Ignore;
    case mbNoToAll: return QMessageBox::NoToAll;
    case mbYesToAll: return QMessageBox::YesToAll;
    case mbHelp: return QMessageBox::Help;
    case mbAll: break;
    }
    return QMessageBox::NoButton;
}

QString dialogFolder(const TkavFileDialogOptions &options)
{
    if (!options.InitialDir.isEmpty())
        return options.InitialDir;
    if (!options.FileName.isEmpty())
        return QFileInfo(options.FileName).absolutePath();
    return QString();
}

void prepareFileDialog(QFileDialog &dialog, const TkavFileDialogOptions &options)
{
    if (!options.Filter.isEmpty()) {
        const QStringList filters = kavFileDialogFilter(options.Filter).split(QStringLiteral(";;"));
        dialog.setNameFilters(filters);
        const int index = options.FilterIndex - 1;
        if (index >= 0 && index < filters.size())
            dialog.selectNameFilter(filters[index]);
    }
    if (!options.FileName.isEmpty())
        dialog.selectFile(QFileInfo(options.FileName).fileName());
}

} // namespace

TkavUIServicesQt::TkavUIServicesQt(QWidget *parent) : FParent(parent)
{
}

TkavUIServicesQt::~TkavUIServicesQt() = default;

void TkavUIServicesQt::ShowMessage(const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, QCoreApplication::applicationName(), text, QMessageBox::Ok, FParent);
    box.exec();
}

TModalResult TkavUIServicesQt::MessageDlg(const QString &text, TMsgDlgType type, TMsgDlgButtons buttons,
                                          const QString &caption)
{
    QMessageBox box(boxIcon(type), caption.isEmpty() ? kavMsgDlgCaption(type) : caption, text,
                    QMessageBox::NoButton, FParent);
    if (buttons.IsEmpty())
        buttons = {mbOK};
    QHash<QAbstractButton *, TModalResult> results;
    const TModalResult safe = kavSafeAnswer(buttons);
    for (int b = mbYes; b <= mbHelp; ++b) {
        const auto button = TMsgDlgBtn(b);
        if (!buttons.Contains(button))
            continue;
        QAbstractButton *widget = button == mbAll
                                      ? box.addButton(QStringLiteral("All"), QMessageBox::AcceptRole)
                                      : box.addButton(standardButton(button));
        results.insert(widget, kavButtonResult(button));
        if (kavButtonResult(button) == safe)
            box.setEscapeButton(widget);
    }
    box.exec();
    return results.value(box.clickedButton(), safe);
}

bool TkavUIServicesQt::InputQuery(const QString &caption, const QString &prompt, QString &value)
{
    bool ok = false;
    const QString text = QInputDialog::getText(FParent, caption, prompt, QLineEdit::Normal, value, &ok);
    if (ok)
        value = text;
    return ok;
}

bool TkavUIServicesQt::PasswordQuery(const QString &caption, const QString &prompt, QString &password)
{
    bool ok = false;
    const QString text = QInputDialog::getText(FParent, caption, prompt, QLineEdit::Password, QString(), &ok);
    if (ok)
        password = text;
    return ok;
}

bool TkavUIServicesQt::OpenFileDialog(const TkavFileDialogOptions &options, QStringList &fileNames)
{
    QFileDialog dialog(FParent, options.Title, dialogFolder(options));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(options.MultiSelect ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    prepareFileDialog(dialog, options);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    fileNames = dialog.selectedFiles();
    return true;
}

bool TkavUIServicesQt::SaveFileDialog(const TkavFileDialogOptions &options, QString &fileName)
{
    QFileDialog dialog(FParent, options.Title, dialogFolder(options));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(options.DefaultExt);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !options.OverwritePrompt);
    prepareFileDialog(dialog, options);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    fileName = dialog.selectedFiles().constFirst();
    return true;
}

bool TkavUIServicesQt::FolderDialog(const QString &title, QString &folder)
{
    const QString chosen = QFileDialog::getExistingDirectory(FParent, title, folder);
    if (chosen.isEmpty())
        return false;
    folder = chosen;
    return true;
}

bool TkavUIServicesQt::ColorDialog(TColor &color)
{
    const QColor initial = kavIsSystemColor(color) || color < 0
                               ? QColor(Qt::white)
                               : QColor(kavRValue(color), kavGValue(color), kavBValue(color));
    const QColor chosen = QColorDialog::getColor(initial, FParent);
    if (!chosen.isValid())
        return false;
    color = kavRGB(chosen.red(), chosen.green(), chosen.blue());
    return true;
}

bool TkavUIServicesQt::FontDialog(TkavFontChoice &font)
{
    QFont initial(font.Name);
    initial.setPointSizeF(font.Size > 0 ? font.Size : 10);
    initial.setBold(font.Style.Contains(fsBold));
    initial.setItalic(font.Style.Contains(fsItalic));
    initial.setUnderline(font.Style.Contains(fsUnderline));
    initial.setStrikeOut(font.Style.Contains(fsStrikeOut));
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, initial, FParent);
    if (!ok)
        return false;
    font.Name = chosen.family();
    font.Size = chosen.pointSizeF();
    font.Style = TFontStyles();
    font.Style.SetIncluded(fsBold, chosen.bold())
        .SetIncluded(fsItalic, chosen.italic())
        .SetIncluded(fsUnderline, chosen.underline())
        .SetIncluded(fsStrikeOut, chosen.strikeOut());
    return true;
}

void TkavUIServicesQt::ProgressBegin(const QString &caption, int maximum)
{
    FProgress = std::make_unique<QProgressDialog>(caption, QStringLiteral("Cancel"), 0, qMax(0, maximum), FParent);
    FProgress->setWindowModality(FParent ? Qt::WindowModal : Qt::ApplicationModal);
    FProgress->setMinimumDuration(0);
    FProgress->setAutoClose(false);
    FProgress->setAutoReset(false);
    FProgress->setValue(0);
    FProgressPosition = 0;
    FProgress->show();
}

void TkavUIServicesQt::ProgressSetText(const QString &text)
{
    if (FProgress)
        FProgress->setLabelText(text);
}

void TkavUIServicesQt::ProgressSetPosition(int position)
{
    if (!FProgress)
        return;
    const int maximum = FProgress->maximum();
    FProgressPosition = maximum > 0 ? qBound(0, position, maximum) : qMax(0, position);
    if (maximum > 0)
        FProgress->setValue(FProgressPosition);
}

int TkavUIServicesQt::ProgressPosition() const
{
    return FProgress ? FProgressPosition : 0;
}

bool TkavUIServicesQt::ProgressCancelled()
{
    return FProgress && FProgress->wasCanceled();
}

void TkavUIServicesQt::ProgressEnd()
{
    FProgress.reset();
    FProgressPosition = 0;
}

QString TkavUIServicesQt::HelpFilePath(const QString &topic) const
{
    // The resource table names its pages by their full path in its own help folder.
    if (!topic.contains(QStringLiteral("::/")) && QDir::isAbsolutePath(topic))
        return QFileInfo(topic).isFile() ? QDir::cleanPath(topic) : QString();
    QString page = topic;
    if (const qsizetype p = page.indexOf(QStringLiteral("::/")); p >= 0)
        page = page.mid(p + 3);
    page.replace(u'\\', u'/');
    while (page.startsWith(u'/'))
        page.remove(0, 1);
    if (page.isEmpty())
        page = QStringLiteral("index.html");
    // A topic names a page inside the help folder, never a path out of it.
    if (page.split(u'/').contains(QStringLiteral("..")))
        return QString();
    QStringList folders;
    if (!FHelpFolder.isEmpty()) {
        folders.append(FHelpFolder);
    } else {
        folders.append(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("help")));
        folders += QStandardPaths::locateAll(QStandardPaths::AppDataLocation, QStringLiteral("help"),
                                             QStandardPaths::LocateDirectory);
    }
    for (const QString &folder : std::as_const(folders)) {
        const QString path = QDir(folder).filePath(page);
        if (QFileInfo(path).isFile())
            return path;
    }
    return QString();
}

bool TkavUIServicesQt::OpenHelpTopic(const QString &topic)
{
    const QString path = HelpFilePath(topic);
    return !path.isEmpty() && QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void TkavUIServicesQt::ProcessMessages()
{
    QCoreApplication::processEvents();
}
