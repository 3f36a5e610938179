#include "Unit1.h"

#include <designer/document/kavDesgnDocument.h>
#include <designer/workspace/kavDesgnPanel.h>
#include <preview/kavPreview.h>
#include <report/kavReport.h>
#include <report/kavReportOptions.h>

#include <QCloseEvent>
#include <QMenuBar>
#include <QScopeGuard>
#include <QTabWidget>

using namespace Qt::StringLiterals;

TForm1::TForm1(TkavReport &report, QWidget *parent)
    : QMainWindow(parent)
    , FReport(report)
    , FPageControl(new QTabWidget(this))
    , FDesigner(new TkavDesignerPanel(report))
    , FPreview(new TkavPreview)
{
    setObjectName(u"Form1"_s);
    resize(854, 581);
    FPageControl->setObjectName(u"PageControl1"_s);
    FDesigner->setObjectName(u"DesignerSheet"_s);
    FPreview->setObjectName(u"PreviewSheet"_s);
    FPageControl->addTab(FDesigner, u"Designer"_s);
    FPageControl->addTab(FPreview, u"Preview"_s);
    setCentralWidget(FPageControl);
    FPreview->SetOutlineVisible(true);
    FPreview->SetOutlineWidth(121);
    FPreview->SetThumbnailVisible(false);
    // A run works on the designed report itself, within a snapshot the designer restores.
    FReport.EngineOptions().SetDestroyForms(false);
    FReport.SetPreview(FPreview);
    connect(FPageControl, &QTabWidget::currentChanged, this, [this](int index) { PageControl1Change(index); });
    DesignerDocument &document = FDesigner->Document();
    document.RestoreState();
    // The panel's views go first; the window follows with its caption and commands.
    auto &hooks = document.ViewHooks();
    hooks.DocumentChanged = [this, views = hooks.DocumentChanged] {
        if (views)
            views();
        UpdateCommands();
    };
    hooks.SelectionChanged = [this, views = hooks.SelectionChanged] {
        if (views)
            views();
        UpdateCommands();
    };
    buildMenu();
    UpdateCommands();
}

TForm1::~TForm1()
{
    FReport.SetPreview(nullptr);
    FDesigner->Document().ViewHooks() = DesignerDocument::Hooks();
}

QAction *TForm1::MenuItem(const QString &name) const
{
    return menuBar()->findChild<QAction *>(name);
}

QAction *TForm1::addItem(QMenu *menu, const char *name, const QString &caption, const QKeySequence &keys,
                         std::function<void()> command)
{
    QAction *item = menu->addAction(caption);
    item->setObjectName(QString::fromLatin1(name));
    item->setShortcut(keys);
    // The edit keys belong to the view with the focus (the workspace, the code editor, an
    // edit box): the menu only shows them.
    static const QList<QKeySequence> viewKeys = {QKeySequence::Undo, QKeySequence::Redo, QKeySequence::Cut,
                                                 QKeySequence::Copy, QKeySequence::Paste, QKeySequence::SelectAll};
    if (viewKeys.contains(keys))
        item->setShortcutContext(Qt::WidgetShortcut);
    // Any command may change the document's file, caption or history.
    connect(item, &QAction::triggered, this, [this, command = std::move(command)] {
        command();
        UpdateCommands();
    });
    return item;
}

void TForm1::buildMenu()
{
    DesignerDocument &doc = FDesigner->Document();
    QMenu *file = menuBar()->addMenu(u"&File"_s);
    addItem(file, "NewReportMI", u"New Report"_s, QKeySequence::New, [&doc] { doc.NewReport(); });
    addItem(file, "NewPageMI", u"New Page"_s, {}, [&doc] { doc.NewPage(); });
    file->addSeparator();
    addItem(file, "OpenMI", u"Open..."_s, QKeySequence::Open, [&doc] { doc.OpenFile(); });
    FRecentMenu = file->addMenu(u"Recent Files"_s);
    FRecentMenu->setObjectName(u"RecentMI"_s);
    connect(FRecentMenu, &QMenu::aboutToShow, this, [this] { fillRecentMenu(); });
    addItem(file, "SaveMI", u"Save"_s, QKeySequence::Save, [&doc] { doc.SaveFile(false); });
    addItem(file, "SaveasMI", u"Save as..."_s, QKeySequence::SaveAs, [&doc] { doc.SaveFile(true); });
    file->addSeparator();
    addItem(file, "PreviewMI", u"Preview"_s, Qt::CTRL | Qt::Key_P, [this] { ShowSheet(1); });
    file->addSeparator();
    addItem(file, "ExitMI", u"Exit"_s, QKeySequence::Quit, [this] { close(); });

    QMenu *edit = menuBar()->addMenu(u"&Edit"_s);
    addItem(edit, "UndoMI", u"Undo"_s, QKeySequence::Undo, [&doc] { doc.Undo(); });
    addItem(edit, "RedoMI", u"Redo"_s, QKeySequence::Redo, [&doc] { doc.Redo(); });
    edit->addSeparator();
    addItem(edit, "CutMI", u"Cut"_s, QKeySequence::Cut, [&doc] { doc.Cut(); });
    addItem(edit, "CopyMI", u"Copy"_s, QKeySequence::Copy, [&doc] { doc.Copy(); });
    addItem(edit, "PasteMI", u"Paste"_s, QKeySequence::Paste, [&doc] { doc.Paste(); });
    edit->addSeparator();
    addItem(edit, "DeleteMI", u"Delete"_s, {}, [&doc] { doc.DeleteSelection(); });
    addItem(edit, "DeletePageMI", u"Delete Page"_s, {}, [&doc] { doc.DeletePage(); });
    addItem(edit, "SelectAllMI", u"Select All"_s, QKeySequence::SelectAll, [&doc] { doc.SelectAll(); });
    edit->addSeparator();
    addItem(edit, "BringtoFrontMI", u"Bring to Front"_s, {}, [&doc] { doc.BringToFront(); });
    addItem(edit, "SendtoBackMI", u"Send to Back"_s, {}, [&doc] { doc.SendToBack(); });
    // Paste follows the clipboard, which changes outside the document.
    connect(edit, &QMenu::aboutToShow, this, [this] { UpdateCommands(); });
}

void TForm1::fillRecentMenu()
{
    FRecentMenu->clear();
    DesignerDocument &doc = FDesigner->Document();
    for (const QString &name : doc.RecentFiles().MenuOrder())
        FRecentMenu->addAction(name, this, [this, &doc, name] {
            doc.OpenRecent(name);
            UpdateCommands();
        });
}

void TForm1::UpdateCommands()
{
    DesignerDocument &doc = FDesigner->Document();
    setWindowTitle(doc.Caption() + (doc.Modified() ? u" *"_s : QString()));
    MenuItem(u"UndoMI"_s)->setEnabled(doc.CanUndo());
    MenuItem(u"RedoMI"_s)->setEnabled(doc.CanRedo());
    MenuItem(u"CutMI"_s)->setEnabled(doc.CanCopy());
    MenuItem(u"CopyMI"_s)->setEnabled(doc.CanCopy());
    MenuItem(u"PasteMI"_s)->setEnabled(doc.CanPaste());
    MenuItem(u"DeletePageMI"_s)->setEnabled(doc.CanDeletePage());
    FRecentMenu->setEnabled(!doc.RecentFiles().Items().isEmpty() && doc.CheckOp(drDontShowRecentFiles));
}

void TForm1::closeEvent(QCloseEvent *event)
{
    DesignerDocument &doc = FDesigner->Document();
    if (!doc.CloseQuery()) {
        event->ignore();
        return;
    }
    doc.SaveState();
    event->accept();
}

void TForm1::ShowSheet(int index)
{
    FPageControl->setCurrentIndex(index);
}

void TForm1::PageControl1Change(int index)
{
    if (index == 1)
        RunPreview();
}

bool TForm1::RunPreview()
{
    DesignerDocument &document = FDesigner->Document();
    document.BeginRun();
    const auto restore = qScopeGuard([&] { document.EndRun(); });
    return FReport.PrepareReport(true);
}
