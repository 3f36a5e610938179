#include "kavPreviewForm.h"

#include "kavPreview.h"

#include <output/kavExportFilters.h>
#include <output/kavHelpKey.h>
#include <output/kavPrinterQt.h>
#include <output/kavUIServicesQt.h>
#include <persist/kavRes.h>
#include <prepared/kavPreviewPages.h>
#include <report/kavExportFilter.h>
#include <report/kavReport.h>
#include <rtl/kavFormat.h>
#include <rtl/kavSettings.h>
#include <rtl/kavUIServices.h>

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QEventLoop>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

QString res(const QString &key)
{
    return kavResourceTable().Get(key);
}

const QString settingsSection = u"Form5.TkavPreviewForm"_s;

// Theme names of the tool bar's images, in the order of the preview's image strip.
const char16_t *const themeNames[] = {
    u"document-open", u"document-save", u"document-print", u"document-send", u"edit-find",
    u"zoom-in", u"zoom-out", u"document-page-setup", u"view-list-tree", u"view-preview",
    u"go-first", u"go-previous", u"go-next", u"go-last", u"document-edit", u"document-new",
    u"edit-delete", u"view-fullscreen", u"window-close"};

// The desktop's icon when it has one (sharp at any scale), else the program's own image.
QIcon toolIcon(int image)
{
    const TkavImageList &strip = kavResourceTable().GetPreviewButtonImages();
    QIcon own;
    if (image >= 0 && image < strip.size())
        own = QIcon(QPixmap::fromImage(strip[image]));
    return QIcon::fromTheme(QString::fromUtf16(themeNames[image]), own);
}

} // namespace

TkavPreviewForm::TkavPreviewForm(QWidget *Parent)
    : QMainWindow(Parent)
{
    setWindowTitle(res(u"100"_s));
    kavInstallHelpKey(*this, u"TkavPreviewForm"_s);
    FPreview = new TkavPreview(this);
    FPreview->SetPreviewWindow(this);
    setCentralWidget(FPreview);
    buildToolBar();
    FStatusPage = new QLabel(this);
    FStatusPage->setMinimumWidth(160);
    FStatusMessage = new QLabel(this);
    statusBar()->addWidget(FStatusPage);
    statusBar()->addWidget(FStatusMessage, 1);
    FPreview->OnStateChanged = [this] { updateControls(); };
    FPreview->OnStatusText = [this](const QString &text) { FStatusMessage->setText(text); };
    resize(900, 1000);
    updateControls();
    kavOnLanguageChanged(*this, [this] { UpdateCaptions(); });
}

TkavPreviewForm::~TkavPreviewForm()
{
    // Closing the window moves the focus out of the zoom box, which would call back into
    // this form after its own part is gone.
    FZoomBox->disconnect(this);
    FZoomBox->lineEdit()->disconnect(this);
}

QAction *TkavPreviewForm::addButton(int Image, const QString &Key, QKeySequence Shortcut, std::function<void()> Do)
{
    QAction *action = FToolBar->addAction(toolIcon(Image), QString());
    action->setProperty("captionKey", Key);
    action->setShortcut(Shortcut);
    action->setShortcutContext(Qt::WindowShortcut);
    captionAction(*action);
    connect(action, &QAction::triggered, this, [Do = std::move(Do)] { Do(); });
    return action;
}

// The caption of a button from its resource key, its hint with the shortcut.
void TkavPreviewForm::captionAction(QAction &Action) const
{
    const QString caption = res(Action.property("captionKey").toString());
    const QKeySequence keys = Action.shortcut();
    Action.setText(caption);
    Action.setToolTip(keys.isEmpty() ? caption : caption + u" ("_s + keys.toString(QKeySequence::NativeText) + u')');
}

void TkavPreviewForm::UpdateCaptions()
{
    for (QAction *action : FToolBar->actions())
        if (action->property("captionKey").isValid())
            captionAction(*action);
    FToolBar->setWindowTitle(res(u"100"_s));
    FExportButton->setToolTip(res(u"104"_s));
    FFindNext->setText(res(u"119"_s));
    FZoomBox->setToolTip(res(u"108"_s));
    FZoomBox->setItemText(6, res(u"zmPageWidth"_s));
    FZoomBox->setItemText(7, res(u"zmWholePage"_s));
    FPageBox->setToolTip(res(u"120"_s));
    setWindowTitle(FReportName.isEmpty() ? res(u"100"_s) : res(u"100"_s) + u" - "_s + FReportName);
    updateControls();
}

void TkavPreviewForm::buildToolBar()
{
    FToolBar = addToolBar(res(u"100"_s));
    FToolBar->setMovable(false);
    FToolBar->setIconSize(QSize(16, 16) * std::max(1.0, logicalDpiX() / 96.0));
    TkavPreview &p = *FPreview;
    FPrint = addButton(2, u"101"_s, QKeySequence::Print, [&p] { p.Print(); });
    FOpen = addButton(0, u"102"_s, QKeySequence::Open, [&p] { p.LoadFromFile(); });
    FSave = addButton(1, u"103"_s, QKeySequence::Save, [&p] { p.SaveToFile(); });
    FExportButton = new QToolButton(FToolBar);
    FExportButton->setIcon(toolIcon(3));
    FExportButton->setToolTip(res(u"104"_s));
    FExportButton->setPopupMode(QToolButton::InstantPopup);
    exportMenu(*FExportButton);
    FExport = FToolBar->addWidget(FExportButton);
    FFind = addButton(4, u"105"_s, QKeySequence::Find, [&p] { p.Find(); });
    FFindNext = new QAction(res(u"119"_s), this);
    FFindNext->setShortcut(QKeySequence::FindNext);
    connect(FFindNext, &QAction::triggered, this, [&p] { p.FindNext(); });
    addAction(FFindNext);
    FToolBar->addSeparator();
    FZoomIn = addButton(5, u"106"_s, QKeySequence::ZoomIn, [&p] { p.SetZoom(p.Zoom() + 0.25); });
    FZoomOut = addButton(6, u"107"_s, QKeySequence::ZoomOut, [&p] { p.SetZoom(p.Zoom() - 0.25); });
    FZoomBox = new QComboBox(FToolBar);
    FZoomBox->setEditable(true);
    FZoomBox->setInsertPolicy(QComboBox::NoInsert);
    FZoomBox->setToolTip(res(u"108"_s));
    for (const char16_t *zoom : {u"25%", u"50%", u"75%", u"100%", u"150%", u"200%"})
        FZoomBox->addItem(QString::fromUtf16(zoom));
    FZoomBox->addItem(res(u"zmPageWidth"_s));
    FZoomBox->addItem(res(u"zmWholePage"_s));
    FZoomBox->setMinimumContentsLength(12);
    connect(FZoomBox, &QComboBox::activated, this, [this](int index) {
        if (index == 6)
            FPreview->SetZoomMode(zmPageWidth);
        else if (index == 7)
            FPreview->SetZoomMode(zmWholePage);
        else
            ZoomTyped(FZoomBox->itemText(index));
        FPreview->setFocus();
    });
    connect(FZoomBox->lineEdit(), &QLineEdit::returnPressed, this, [this] {
        ZoomTyped(FZoomBox->lineEdit()->text());
        FPreview->setFocus();
    });
    FZoomBoxAction = FToolBar->addWidget(FZoomBox);
    FPageSetup = addButton(7, u"109"_s, {}, [&p] { p.PageSetupDlg(); });
    FToolBar->addSeparator();
    FOutline = addButton(8, u"110"_s, {}, [&p] { p.SetOutlineVisible(!p.OutlineVisible()); });
    FOutline->setCheckable(true);
    FThumbnails = addButton(9, u"111"_s, {}, [&p] { p.SetThumbnailVisible(!p.ThumbnailVisible()); });
    FThumbnails->setCheckable(true);
    FToolBar->addSeparator();
    FFirst = addButton(10, u"112"_s, {}, [&p] { p.First(); });
    FPrior = addButton(11, u"113"_s, {}, [&p] { p.Prior(); });
    FPageBox = new QLineEdit(FToolBar);
    FPageBox->setValidator(new QIntValidator(1, 1 << 30, FPageBox));
    FPageBox->setAlignment(Qt::AlignRight);
    FPageBox->setFixedWidth(FPageBox->fontMetrics().horizontalAdvance(u"0000000"_s) + 12);
    FPageBox->setToolTip(res(u"120"_s));
    connect(FPageBox, &QLineEdit::returnPressed, this, [this] {
        FPreview->SetPageNo(FPageBox->text().toInt());
        FPreview->setFocus();
    });
    FPageBoxAction = FToolBar->addWidget(FPageBox);
    FOfLabel = new QLabel(FToolBar);
    FOfLabel->setContentsMargins(4, 0, 4, 0);
    FOfAction = FToolBar->addWidget(FOfLabel);
    FNext = addButton(12, u"114"_s, {}, [&p] { p.Next(); });
    FLast = addButton(13, u"115"_s, {}, [&p] { p.Last(); });
    FToolBar->addSeparator();
    FNewPage = addButton(15, u"116"_s, {}, [&p] { p.AddPage(); });
    FDeletePage = addButton(16, u"117"_s, {}, [&p] { p.DeletePage(); });
    FEdit = addButton(14, u"132"_s, {}, [this, &p] {
        p.Edit();
        updateControls();
    });
    FFullScreen = addButton(17, u"118"_s, QKeySequence::FullScreen, [this] { SetFullScreen(!isFullScreen()); });
    FFullScreen->setCheckable(true);
    FClose = addButton(18, u"clClose"_s, {}, [this] {
        if (FPreview->Running())
            FPreview->Cancel();
        else
            close();
    });
}

void TkavPreviewForm::exportMenu(QToolButton &Button)
{
    auto *menu = new QMenu(&Button);
    connect(menu, &QMenu::aboutToShow, menu, [this, menu] {
        menu->clear();
        for (TkavCustomExportFilter *filter : kavExportFilters())
            menu->addAction(filter->GetDescription(), this, [this, filter] { FPreview->Export(*filter); });
    });
    Button.setMenu(menu);
}

void TkavPreviewForm::ZoomTyped(const QString &Text)
{
    QString number = Text;
    number.remove(u'%').remove(u' ');
    bool ok = false;
    const double percent = number.toDouble(&ok);
    if (ok && percent > 0)
        FPreview->SetZoom(percent / 100);
    updateControls();
}

void TkavPreviewForm::updateControls()
{
    TkavPreview &p = *FPreview;
    const bool running = p.Running();
    const bool idle = !running && !p.Busy();
    const int count = p.PageCount();
    for (QAction *action : {FPrint, FOpen, FSave, FExport, FPageSetup, FNewPage, FDeletePage, FFind})
        action->setEnabled(idle && (action == FOpen || count > 0));
    FEdit->setEnabled(idle && p.CanEdit());
    FOutline->setChecked(p.OutlineVisible());
    FThumbnails->setChecked(p.ThumbnailVisible());
    FClose->setText(res(running ? u"clCancel"_s : u"clClose"_s));
    FClose->setToolTip(FClose->text());
    if (!FZoomBox->lineEdit()->hasFocus()) {
        if (p.ZoomMode() == zmPageWidth)
            FZoomBox->setEditText(res(u"zmPageWidth"_s));
        else if (p.ZoomMode() == zmWholePage)
            FZoomBox->setEditText(res(u"zmWholePage"_s));
        else
            FZoomBox->setEditText(QString::number(std::lround(p.Zoom() * 100)) + u'%');
    }
    if (!FPageBox->hasFocus())
        FPageBox->setText(QString::number(p.PageNo()));
    FOfLabel->setText(Format(res(u"clOf"_s), {Variant(count)}));
    if (p.FirstPass())
        FStatusPage->setText(res(u"clFirstPass"_s) + u' ' + QString::number(count));
    else
        FStatusPage->setText(Format(res(u"clPageOf"_s), {Variant(p.PageNo()), Variant(count)}));
    if (!running && FCloseAfterRun) {
        FCloseAfterRun = false;
        QTimer::singleShot(0, this, &QWidget::close);
    }
}

QString TkavPreviewForm::StatusPage() const
{
    return FStatusPage->text();
}

QString TkavPreviewForm::StatusMessage() const
{
    return FStatusMessage->text();
}

void TkavPreviewForm::SetFullScreen(bool On)
{
    if (On == isFullScreen())
        return;
    if (On) {
        FWasMaximized = isMaximized();
        showFullScreen();
    } else if (FWasMaximized) {
        showMaximized();
    } else {
        showNormal();
    }
    FFullScreen->setChecked(On);
}

void TkavPreviewForm::ApplyReportOptions(TkavReport &Report, bool RestoreSettings)
{
    const TkavPreviewButtons buttons = Report.PreviewOptions().Buttons();
    FPrint->setVisible(buttons.Contains(pbPrint));
    FOpen->setVisible(buttons.Contains(pbLoad));
    FSave->setVisible(buttons.Contains(pbSave));
    FExport->setVisible(buttons.Contains(pbExport));
    for (QAction *action : {FZoomIn, FZoomOut, FZoomBoxAction})
        action->setVisible(buttons.Contains(pbZoom));
    FFind->setVisible(buttons.Contains(pbFind));
    FOutline->setVisible(buttons.Contains(pbOutline));
    FThumbnails->setVisible(buttons.Contains(pbOutline));
    FPageSetup->setVisible(buttons.Contains(pbPageSetup));
    FEdit->setVisible(buttons.Contains(pbEdit));
    for (QAction *action : {FNewPage, FDeletePage})
        action->setVisible(buttons.Contains(pbTools));
    for (QAction *action : {FFirst, FPrior, FPageBoxAction, FOfAction, FNext, FLast})
        action->setVisible(buttons.Contains(pbNavigator));
    // Inside another window (the host's Preview tab) there is nothing to close or enlarge.
    FFullScreen->setVisible(isWindow() && !buttons.Contains(pbNoFullScreen));
    FClose->setVisible(isWindow() && !buttons.Contains(pbNoClose));
    FReportName = Report.ReportOptions().Name();
    setWindowTitle(FReportName.isEmpty() ? res(u"100"_s) : res(u"100"_s) + u" - "_s + FReportName);
    FSettingsReport = &Report;
    FIniFile = Report.IniFile();
    if (!RestoreSettings)
        return;
    const std::unique_ptr<TkavIniFile> ini = Report.GetIniFile();
    if (!ini->SectionExists(settingsSection))
        return;
    resize(ini->ReadInteger(settingsSection, u"Width"_s, width()),
           ini->ReadInteger(settingsSection, u"Height"_s, height()));
    FWasMaximized = ini->ReadBool(settingsSection, u"Maximized"_s, false);
    FPreview->SetOutlineWidth(ini->ReadInteger(settingsSection, u"OutlineWidth"_s, FPreview->OutlineWidth()));
    const int mode = ini->ReadInteger(settingsSection, u"ZoomMode"_s, zmDefault);
    if (mode == zmPageWidth || mode == zmWholePage)
        FPreview->SetZoomMode(TkavZoomMode(mode));
    else
        FPreview->SetZoom(ini->ReadFloat(settingsSection, u"Zoom"_s, FPreview->Zoom()));
}

void TkavPreviewForm::saveSettings()
{
    if (FIniFile.isEmpty())
        return;
    TkavIniFile ini(FIniFile);
    const bool maximized = isMaximized() || (isFullScreen() && FWasMaximized);
    if (!maximized && !isFullScreen()) {
        ini.WriteInteger(settingsSection, u"Width"_s, width());
        ini.WriteInteger(settingsSection, u"Height"_s, height());
    }
    ini.WriteBool(settingsSection, u"Maximized"_s, maximized);
    ini.WriteInteger(settingsSection, u"ZoomMode"_s, FPreview->ZoomMode());
    ini.WriteFloat(settingsSection, u"Zoom"_s, FPreview->Zoom());
    ini.WriteInteger(settingsSection, u"OutlineWidth"_s, FPreview->OutlineWidth());
}

void TkavPreviewForm::closeEvent(QCloseEvent *Event)
{
    // A run or an export is stopped first; the window closes once it has wound down.
    if (FPreview->Running() || FPreview->Busy()) {
        FCloseAfterRun = true;
        FPreview->Cancel();
        Event->ignore();
        return;
    }
    saveSettings();
    if (TkavReport *report = FPreview->Report())
        if (const TkavReport::TkavReportEvent &closing = report->OnClosePreview())
            closing(*report);
    Event->accept();
}

void TkavPreviewForm::keyPressEvent(QKeyEvent *Event)
{
    if (!isWindow()) {
        QMainWindow::keyPressEvent(Event);
        return;
    }
    switch (Event->key()) {
    case Qt::Key_Escape:
        if (isFullScreen())
            SetFullScreen(false);
        else
            close();
        return;
    case Qt::Key_F11:
        SetFullScreen(!isFullScreen());
        return;
    default:
        QMainWindow::keyPressEvent(Event);
    }
}

void kavInstallPreviewWindow()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    kavRegisterExportFilters();
    kavInstallPrintSupport();
    kavSetPreviewWindowHook([](TkavReport &report) {
        auto *form = new TkavPreviewForm;
        form->setAttribute(Qt::WA_DeleteOnClose);
        report.SetPreviewForm(form);
        report.SetPreview(form->Preview());
        form->ApplyReportOptions(report);
        if (const TkavReport::TkavReportEvent &shown = report.OnPreview())
            shown(report);
        const TkavPreviewOptions &options = report.PreviewOptions();
        if (options.Modal())
            form->setWindowModality(Qt::ApplicationModal);
        if (options.Maximized())
            form->showMaximized();
        else
            form->show();
        if (options.Modal()) {
            QEventLoop loop;
            QObject::connect(form, &QObject::destroyed, &loop, &QEventLoop::quit);
            loop.exec();
        }
    });
}
