#pragma once

// TkavUIServicesQt: the user-interface services shown with Qt's standard dialogs, for the
// designer, the preview and the host window. Install it with kavSetUIServices at start-up.

#include "rtl/kavUIServices.h"

#include <QPointer>
#include <QWidget>

#include <memory>

class QProgressDialog;

class TkavUIServicesQt : public TkavUIServices
{
public:
    // parent: the window dialogs are centred on (may be null, may go away).
    explicit TkavUIServicesQt(QWidget *parent = nullptr);
    ~TkavUIServicesQt() override;

    QWidget *ParentWidget() const { return FParent; }
    void SetParentWidget(QWidget *parent) { FParent = parent; }
    // Folder of the HTML help pages (empty: "help" beside the program, then the
    // application data folders).
    const QString &HelpFolder() const { return FHelpFolder; }
    void SetHelpFolder(const QString &folder) { FHelpFolder = folder; }

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
    int ProgressPosition() const override;
    bool ProgressCancelled() override;
    void ProgressEnd() override;
    bool OpenHelpTopic(const QString &topic) override;
    void ProcessMessages() override;

    // The help file for topic (a page of the help folder, or a full path), or empty when
    // none exists (exposed for tests).
    QString HelpFilePath(const QString &topic) const;

private:
    QPointer<QWidget> FParent;
    QString FHelpFolder;
    std::unique_ptr<QProgressDialog> FProgress;
    int FProgressPosition = 0;
};
