#pragma once

// TkavPreviewForm: the ready-made preview window around one TkavPreview, with its tool bar
// (print, open, save, export, find, zoom, page settings, panels, paging, page editing, full
// screen, close) and a status bar. It remembers its size, zoom and panel width in the
// user's settings.

#include <QMainWindow>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QToolButton;
class TkavPreview;
class TkavReport;

class TkavPreviewForm : public QMainWindow
{
public:
    explicit TkavPreviewForm(QWidget *Parent = nullptr);
    ~TkavPreviewForm() override;

    TkavPreview *Preview() const { return FPreview; }
    // Shows the buttons the report's PreviewOptions ask for and reads the window's
    // remembered size, zoom and panel width from the report's settings store.
    void ApplyReportOptions(TkavReport &Report, bool RestoreSettings = true);
    // The zoom box's text ("100%", "Page Width" ...) and the page box.
    QComboBox *ZoomBox() const { return FZoomBox; }
    QLineEdit *PageBox() const { return FPageBox; }
    QAction *CloseAction() const { return FClose; }
    QAction *EditAction() const { return FEdit; }
    QAction *OutlineAction() const { return FOutline; }
    QAction *ThumbnailAction() const { return FThumbnails; }
    // The status bar's first panel ("Page 1 of 9") and second panel.
    QString StatusPage() const;
    QString StatusMessage() const;
    // Sets the zoom from a typed text: "%" and spaces dropped, read as a percentage.
    void ZoomTyped(const QString &Text);
    void SetFullScreen(bool On);
    // Sets every caption and hint from the resource table again (after a language change).
    void UpdateCaptions();

protected:
    void closeEvent(QCloseEvent *Event) override;
    void keyPressEvent(QKeyEvent *Event) override;

private:
    QAction *addButton(int Image, const QString &Key, QKeySequence Shortcut, std::function<void()> Do);
    void buildToolBar();
    void exportMenu(QToolButton &Button);
    void updateControls();
    void saveSettings();
    void captionAction(QAction &Action) const;

    TkavPreview *FPreview;
    QString FReportName; // shown in the title after the window's own caption
    TkavReport *FSettingsReport = nullptr; // whose settings store the window uses
    QString FIniFile;
    QToolBar *FToolBar = nullptr;
    QComboBox *FZoomBox = nullptr;
    QLineEdit *FPageBox = nullptr;
    QToolButton *FExportButton = nullptr;
    QAction *FFindNext = nullptr;
    QLabel *FOfLabel = nullptr;
    QLabel *FStatusPage = nullptr;
    QLabel *FStatusMessage = nullptr;
    QAction *FPrint = nullptr;
    QAction *FOpen = nullptr;
    QAction *FSave = nullptr;
    QAction *FExport = nullptr;
    QAction *FFind = nullptr;
    QAction *FZoomIn = nullptr;
    QAction *FZoomOut = nullptr;
    QAction *FZoomBoxAction = nullptr;
    QAction *FPageSetup = nullptr;
    QAction *FOutline = nullptr;
    QAction *FThumbnails = nullptr;
    QAction *FFirst = nullptr;
    QAction *FPrior = nullptr;
    QAction *FPageBoxAction = nullptr;
    QAction *FOfAction = nullptr;
    QAction *FNext = nullptr;
    QAction *FLast = nullptr;
    QAction *FNewPage = nullptr;
    QAction *FDeletePage = nullptr;
    QAction *FEdit = nullptr;
    QAction *FFullScreen = nullptr;
    QAction *FClose = nullptr;
    bool FCloseAfterRun = false;
    bool FWasMaximized = false;
};

// Installs the preview window as the one reports open for themselves (ShowPreparedReport
// without an attached control), the Qt user-interface services and the print support.
void kavInstallPreviewWindow();
