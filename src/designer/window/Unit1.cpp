#include "Unit1.h"

#include "kavDesgnForm.h"

#include <designer/code/kavDesgnDebugger.h>
#include <designer/document/kavDesgnDocument.h>
#include <persist/kavRes.h>
#include <preview/kavPreview.h>
#include <preview/kavPreviewForm.h>
#include <report/kavReport.h>
#include <report/kavReportOptions.h>

#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>
#include <QScopeGuard>
#include <QTabWidget>

using namespace Qt::StringLiterals;

TForm1::TForm1(TkavReport &report, QWidget *parent)
    : QMainWindow(parent)
    , FReport(report)
    , FPageControl(new QTabWidget(this))
    , FPreviewForm(new TkavPreviewForm)
    , FPreview(FPreviewForm->Preview())
{
    setObjectName(u"Form1"_s);
    resize(854, 581);
    // A run works on the designed report itself, within a snapshot the designer restores.
    FReport.EngineOptions().SetDestroyForms(false);
    FReport.SetPreview(FPreview);
    FDesigner = new TkavDesignerForm(report);
    // Embedded: the designer's window becomes a plain widget of the Designer tab.
    FDesigner->setWindowFlags(Qt::Widget);
    FPageControl->setObjectName(u"PageControl1"_s);
    FDesigner->setObjectName(u"DesignerSheet"_s);
    // The preview with its tool bar (print, export, find, zoom, edit) and status bar.
    FPreviewForm->setWindowFlags(Qt::Widget);
    FPreviewForm->setObjectName(u"PreviewSheet"_s);
    FPageControl->addTab(FDesigner, QString());
    FPageControl->addTab(FPreviewForm, QString());
    setCentralWidget(FPageControl);
    FPreview->SetOutlineVisible(true);
    FPreview->SetOutlineWidth(121);
    FPreview->SetThumbnailVisible(false);
    connect(FPageControl, &QTabWidget::currentChanged, this, [this](int index) { PageControl1Change(index); });
    // The Preview command shows the Preview tab, which runs the report.
    FDesigner->OnPreview = [this] {
        if (FPageControl->currentIndex() == 1)
            return RunPreview();
        ShowSheet(1);
        return true;
    };
    FDesigner->OnChanged = [this] { UpdateCommands(); };
    // A pause of the debugger shows the designer; going on, the preview again.
    FDesigner->OnDebugPause = [this](bool paused) {
        FDebugSwitch = true;
        const auto done = qScopeGuard([this] { FDebugSwitch = false; });
        ShowSheet(paused ? 0 : 1);
    };
    buildMenu();
    UpdateCaptions();
    UpdateCommands();
}

TForm1::~TForm1()
{
    // The designer outlives this part of the window: hiding its docks while the base class
    // closes must not call back into a window already torn down.
    FDesigner->OnPreview = nullptr;
    FDesigner->OnChanged = nullptr;
    FDesigner->OnDebugPause = nullptr;
    FReport.SetPreview(nullptr);
}


QAction *TForm1::MenuItem(const QString &name) const
{
    return menuBar()->findChild<QAction *>(name);
}

// The item mirrors the command: caption, icon, shortcut, enabled and checked state. The
// shortcut stays the command's own (the item only shows it), so a key runs it once.
QAction *TForm1::bindItem(QMenu *menu, const char *name, const char *command)
{
    QAction *cmd = FDesigner->Command(QString::fromLatin1(command));
    Q_ASSERT(cmd);
    QAction *item = menu->addAction(QString());
    item->setObjectName(QString::fromLatin1(name));
    item->setShortcutContext(Qt::WidgetShortcut);
    auto mirror = [item, cmd] {
        item->setText(cmd->text());
        item->setIcon(cmd->icon());
        item->setShortcuts(cmd->shortcuts());
        item->setEnabled(cmd->isEnabled());
        item->setCheckable(cmd->isCheckable());
        item->setChecked(cmd->isChecked());
        item->setVisible(cmd->isVisible());
    };
    mirror();
    connect(cmd, &QAction::changed, item, mirror);
    connect(item, &QAction::triggered, cmd, [item, cmd] {
        // A checkable item has toggled itself already: the command decides.
        item->setChecked(cmd->isChecked());
        cmd->trigger();
    });
    return item;
}

void TForm1::buildMenu()
{
    auto menu = [this](QMenu *parent, const char *name, const QString &key) {
        QMenu *m = parent ? parent->addMenu(QString()) : menuBar()->addMenu(QString());
        m->setObjectName(QString::fromLatin1(name));
        FCaptionKeys.append({m->menuAction(), key});
        return m;
    };
    QMenu *file = menu(nullptr, "FileMI", u"dsFileMenu"_s);
    bindItem(file, "NewMI", "NewItemCmd");
    bindItem(file, "NewReportMI", "NewReportCmd");
    bindItem(file, "NewPageMI", "NewPageCmd");
    bindItem(file, "NewDialogMI", "NewDialogCmd");
    file->addSeparator();
    bindItem(file, "OpenMI", "OpenCmd");
    bindItem(file, "SaveMI", "SaveCmd");
    bindItem(file, "SaveasMI", "SaveAsCmd");
    FRecentMenu = menu(file, "RecentMI", u"dsRecentFiles"_s);
    connect(FRecentMenu, &QMenu::aboutToShow, this, [this] { fillRecentMenu(); });
    file->addSeparator();
    bindItem(file, "PreviewMI", "PreviewCmd");
    bindItem(file, "PagesettingsMI", "PageSettingsCmd");
    file->addSeparator();
    QAction *exit = file->addAction(QString(), this, [this] { close(); });
    exit->setObjectName(u"ExitMI"_s);
    exit->setShortcut(QKeySequence::Quit);
    FCaptionKeys.append({exit, u"dsExit"_s});

    QMenu *edit = menu(nullptr, "EditMI", u"dsEditMenu"_s);
    bindItem(edit, "UndoMI", "UndoCmd");
    bindItem(edit, "RedoMI", "RedoCmd");
    edit->addSeparator();
    bindItem(edit, "CutMI", "CutCmd");
    bindItem(edit, "CopyMI", "CopyCmd");
    bindItem(edit, "PasteMI", "PasteCmd");
    edit->addSeparator();
    bindItem(edit, "DeleteMI", "DeleteCmd");
    bindItem(edit, "DeletePageMI", "DeletePageCmd");
    bindItem(edit, "SelectAllMI", "SelectAllCmd");
    bindItem(edit, "GroupMI", "GroupCmd");
    bindItem(edit, "UngroupMI", "UngroupCmd");
    bindItem(edit, "EditMI", "EditCmd");
    edit->addSeparator();
    bindItem(edit, "FindMI", "FindCmd");
    bindItem(edit, "ReplaceMI", "ReplaceCmd");
    bindItem(edit, "FindNextMI", "FindNextCmd");
    edit->addSeparator();
    bindItem(edit, "BringtoFrontMI", "BringToFrontCmd");
    bindItem(edit, "SendtoBackMI", "SendToBackCmd");
    // Paste follows the clipboard, which changes outside the document.
    connect(edit, &QMenu::aboutToShow, FDesigner, [this] { FDesigner->UpdateCommands(); });

    QMenu *reportMenu = menu(nullptr, "ReportMI", u"dsReportMenu"_s);
    bindItem(reportMenu, "DataMI", "ReportDataCmd");
    bindItem(reportMenu, "VariablesMI", "VariablesCmd");
    bindItem(reportMenu, "StylesMI", "ReportStylesCmd");
    bindItem(reportMenu, "ReportOptionsMI", "ReportOptionsCmd");
    reportMenu->addSeparator();
    bindItem(reportMenu, "ConnectionsMI", "ConnectionsCmd"); // a standalone designer's only

    FViewMenu = menu(nullptr, "ViewMI", u"dsViewMenu"_s);
    QMenu *toolbars = FViewMenu->addMenu(QString());
    toolbars->setObjectName(u"ToolbarsMenu"_s);
    QAction *toolbarsItem = toolbars->menuAction();
    toolbarsItem->setObjectName(u"ToolbarsMI"_s);
    FCaptionKeys.append({toolbarsItem, u"dsToolbars"_s});
    bindItem(toolbars, "StandardMI", "StandardTBCmd");
    bindItem(toolbars, "TextMI", "TextTBCmd");
    bindItem(toolbars, "FrameMI", "FrameTBCmd");
    bindItem(toolbars, "AlignmentPaletteMI", "AlignTBCmd");
    bindItem(toolbars, "ObjectInspectorMI", "InspectorTBCmd");
    bindItem(toolbars, "DataTreeMI", "DataTreeTBCmd");
    bindItem(toolbars, "ReportTreeMI", "ReportTreeTBCmd");
    FViewMenu->addSeparator();
    bindItem(FViewMenu, "RulersMI", "ShowRulersCmd");
    bindItem(FViewMenu, "GuidesMI", "ShowGuidesCmd");
    bindItem(FViewMenu, "DeleteGuidesMI", "DeleteGuidesCmd");
    FViewMenu->addSeparator();
    bindItem(FViewMenu, "OptionsMI", "OptionsCmd");

    QMenu *help = menu(nullptr, "HelpMI", u"dsHelpMenu"_s);
    bindItem(help, "HelpContentsMI", "HelpContentsCmd");
    bindItem(help, "AboutKavrelMI", "AboutCmd");
}

void TForm1::UpdateCaptions()
{
    const TkavResources &res = kavResourceTable();
    for (const auto &[object, key] : FCaptionKeys)
        if (auto *action = qobject_cast<QAction *>(object))
            action->setText(res.Get(key));
    FPageControl->setTabText(0, res.Get(u"dsDesignerTab"_s));
    FPageControl->setTabText(1, res.Get(u"dsPreviewTab"_s));
    FDesigner->UpdateCaptions();
}

void TForm1::fillRecentMenu()
{
    FRecentMenu->clear();
    DesignerDocument &doc = FDesigner->Document();
    for (const QString &name : doc.RecentFiles().MenuOrder())
        FRecentMenu->addAction(name, this, [this, &doc, name] {
            doc.OpenRecent(name);
            FDesigner->UpdateCommands();
        });
}

void TForm1::UpdateCommands()
{
    if (!FRecentMenu)
        return;
    DesignerDocument &doc = FDesigner->Document();
    setWindowTitle(FDesigner->windowTitle());
    FRecentMenu->setEnabled(!doc.RecentFiles().Items().isEmpty() && doc.CheckOp(drDontShowRecentFiles));
}

void TForm1::closeEvent(QCloseEvent *event)
{
    if (!FDesigner->CloseQuery()) {
        event->ignore();
        return;
    }
    event->accept();
}

void TForm1::ShowSheet(int index)
{
    FPageControl->setCurrentIndex(index);
}

void TForm1::PageControl1Change(int index)
{
    if (index == 1 && !FDebugSwitch && !FDesigner->Debugger().Paused())
        RunPreview();
}

bool TForm1::RunPreview()
{
    FPreviewForm->ApplyReportOptions(FReport, false);
    DesignerDocument &document = FDesigner->Document();
    document.BeginRun();
    const auto restore = qScopeGuard([&] { document.EndRun(); });
    return FReport.PrepareReport(true);
}
