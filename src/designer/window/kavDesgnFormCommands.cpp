// TkavDesignerForm: the designer's commands as named actions, their captions and states,
// find and replace, and the small commands that need the window.

#include "kavDesgnForm.h"

#include "kavDesgnFindDialog.h"

#include <designer/code/kavDesgnDebugger.h>
#include <designer/dialogs/kavDesgnConnEditor.h>
#include <designer/dialogs/kavDesgnOptionsEditor.h>
#include <designer/dialogs/kavDesgnReportData.h>
#include <designer/dialogs/kavDesgnVarEditor.h>

#include <designer/code/kavDesgnSyntaxMemo.h>
#include <designer/dialogs/kavDesgnReportOptions.h>
#include <designer/dialogs/kavDesgnStyleEditor.h>
#include <designer/document/kavDesgnDialogs.h>
#include <designer/document/kavDesgnDocument.h>
#include <designer/trees/kavDesgnDataTree.h>
#include <designer/workspace/kavDesgnPanel.h>
#include <designer/workspace/kavDesgnRuler.h>
#include <designer/wizards/kavDesgnNewItem.h>
#include <designer/workspace/kavDesgnWorkspaceWidget.h>
#include <persist/kavRes.h>
#include <prepared/kavPaintUtils.h>
#include <preview/kavPreview.h>
#include <preview/kavPreviewForm.h>
#include <report/kavPages.h>
#include <report/kavReport.h>
#include <rtl/kavRTTI.h>
#include <rtl/kavStrings.h>
#include <rtl/kavUIServices.h>
#include <script/ky_script.h>

#include <QApplication>
#include <QDockWidget>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QScopeGuard>
#include <QTextCursor>
#include <QPalette>
#include <QToolBar>

#include <optional>

using namespace Qt::StringLiterals;

namespace {

// Commands whose keys belong to the view with the focus (the workspace, the script, an
// edit box): the action only shows them.
bool isViewKey(const QKeySequence &keys)
{
    static const QList<QKeySequence> viewKeys = {QKeySequence::Undo, QKeySequence::Redo, QKeySequence::Cut,
                                                 QKeySequence::Copy, QKeySequence::Paste, QKeySequence::SelectAll,
                                                 QKeySequence(Qt::Key_Delete)};
    return viewKeys.contains(keys);
}

// "line:column" of a compile error; 0 for a part that is missing.
QPoint errorPosition(const QString &pos)
{
    const QStringList parts = pos.split(u':');
    return QPoint(parts.value(1).toInt(), parts.value(0).toInt());
}

} // namespace

QAction *TkavDesignerForm::addCommand(const QString &name, int image, const QKeySequence &keys,
                                      std::function<void()> run)
{
    auto *action = new QAction(this);
    action->setObjectName(name);
    if (image >= 0)
        action->setIcon(QIcon(QPixmap::fromImage(kavResourceTable().GetMainButtonImages().value(image))));
    action->setShortcut(keys);
    action->setShortcutContext(isViewKey(keys) ? Qt::WidgetShortcut : Qt::WindowShortcut);
    addAction(action);
    connect(action, &QAction::triggered, this, [this, run = std::move(run)] {
        run();
        UpdateCommands();
    });
    FCommands.insert(name, action);
    return action;
}

void TkavDesignerForm::buildCommands()
{
    DesignerDocument &doc = Document();
    struct Def
    {
        const char16_t *name, *key;
        int image;
        QKeySequence keys;
        std::function<void()> run;
    };
    auto &ws = Workspace().Controller();
    const Def defs[] = {
        {u"NewItemCmd", u"dsNewItem", 117, {}, [this] { kavNewItem(Document(), this); }},
        {u"NewReportCmd", u"dsNewReport", 0, QKeySequence::New, [&doc] { doc.NewReport(); }},
        {u"NewPageCmd", u"dsNewPage", 16, {}, [&doc] { doc.NewPage(); }},
        {u"NewDialogCmd", u"dsNewDialog", 17, {}, [&doc] { doc.NewDialogPage(); }},
        {u"OpenCmd", u"dsOpen", 1, QKeySequence::Open, [&doc] { doc.OpenFile(); }},
        {u"SaveCmd", u"dsSave", 2, QKeySequence::Save, [&doc] { doc.SaveFile(false); }},
        {u"SaveAsCmd", u"dsSaveAs", 3, QKeySequence::SaveAs, [&doc] { doc.SaveFile(true); }},
        {u"PreviewCmd", u"dsPreview", 4, Qt::CTRL | Qt::Key_P, [this] { PreviewReport(); }},
        {u"PageSettingsCmd", u"dsPageSettings", 19, {}, [this] { pageSettings(); }},
        {u"UndoCmd", u"dsUndo", 9, QKeySequence::Undo, [this, &doc] {
             Document().Page() ? (void)doc.Undo() : FCodeWindow->Undo();
         }},
        {u"RedoCmd", u"dsRedo", 10, QKeySequence::Redo, [this, &doc] {
             Document().Page() ? (void)doc.Redo() : FCodeWindow->Redo();
         }},
        {u"CutCmd", u"dsCut", 6, QKeySequence::Cut, [this, &doc] {
             Document().Page() ? (void)doc.Cut() : FCodeWindow->cut();
         }},
        {u"CopyCmd", u"dsCopy", 7, QKeySequence::Copy, [this, &doc] {
             Document().Page() ? (void)doc.Copy() : FCodeWindow->copy();
         }},
        {u"PasteCmd", u"dsPaste", 8, QKeySequence::Paste, [this, &doc] {
             Document().Page() ? (void)doc.Paste() : FCodeWindow->paste();
         }},
        {u"DeleteCmd", u"dsDelete", 81, Qt::Key_Delete, [this] { deleteSelection(); }},
        {u"DeletePageCmd", u"dsDeletePage", 18, {}, [&doc] { doc.DeletePage(); }},
        {u"SelectAllCmd", u"dsSelectAll", 13, QKeySequence::SelectAll, [this] { selectAll(); }},
        {u"GroupCmd", u"dsGroup", 11, Qt::CTRL | Qt::Key_G, [&ws] { ws.GroupObjects(); }},
        {u"UngroupCmd", u"dsUngroup", 12, Qt::CTRL | Qt::SHIFT | Qt::Key_G, [&ws] { ws.UngroupObjects(); }},
        {u"EditCmd", u"dsEdit", 68, {}, [&ws] { ws.EditObject(); }},
        {u"FindCmd", u"dsFind", 20, QKeySequence::Find, [this] { find(false); }},
        {u"ReplaceCmd", u"dsReplaceCmd", 21, QKeySequence::Replace, [this] { find(true); }},
        {u"FindNextCmd", u"dsFindNext", 22, QKeySequence::FindNext, [this] { findNext(); }},
        {u"BringToFrontCmd", u"dsBringToFront", 14, {}, [&doc] { doc.BringToFront(); }},
        {u"SendToBackCmd", u"dsSendToBack", 15, {}, [&doc] { doc.SendToBack(); }},
        {u"ReportDataCmd", u"dsReportData", 48, {}, [this] { reportData(); }},
        {u"VariablesCmd", u"dsVariables", 49, {}, [this] { editVariables(); }},
        {u"ConnectionsCmd", u"5811", -1, {}, [this] { editConnections(); }},
        {u"ReportStylesCmd", u"dsStyles", 46, {}, [this] { reportStyles(); }},
        {u"ReportOptionsCmd", u"dsReportOptions", 47, {}, [this] { reportOptions(); }},
        {u"ToolbarsCmd", u"dsToolbars", -1, {}, [] {}},
        {u"ShowRulersCmd", u"dsRulers", 108, {}, [this, &doc] {
             doc.Options().ShowRulers = !doc.Options().ShowRulers;
             FPanel->HRuler().setVisible(doc.Options().ShowRulers);
             FPanel->VRuler().setVisible(doc.Options().ShowRulers);
         }},
        {u"ShowGuidesCmd", u"dsGuides", 109, {}, [this, &doc] {
             doc.Options().ShowGuides = !doc.Options().ShowGuides;
             Workspace().update();
         }},
        {u"DeleteGuidesCmd", u"dsDeleteGuides", 110, {}, [this, &doc] {
             doc.DeleteGuides();
             Workspace().update();
         }},
        {u"OptionsCmd", u"dsOptions", 50, {}, [this] { designerOptions(); }},
        {u"HelpContentsCmd", u"dsHelpContents", 51, {}, [this] { help(); }},
        {u"AboutCmd", u"dsAbout", 115, {}, [this] { about(); }},
        {u"ShowCodeCmd", u"dsCode", -1, Qt::CTRL | Qt::Key_E, [this] { SwitchToCodeWindow(); }},
        {u"AddChildBandCmd", u"dsAddChildBand", 64, {}, [&doc] { doc.AddChildBand(); }},
    };
    for (const Def &d : defs)
        FCaptionKeys.insert(addCommand(QString::fromUtf16(d.name), d.image, d.keys, d.run),
                            QString::fromUtf16(d.key));
    for (const char *name : {"ShowRulersCmd", "ShowGuidesCmd"})
        Command(QString::fromLatin1(name))->setCheckable(true);
}

// The dock and tool-bar switches follow their windows' visibility.
static void bindToggle(QAction *command, QAction *toggle)
{
    command->setCheckable(true);
    command->setChecked(toggle->isChecked());
    QObject::connect(command, &QAction::triggered, toggle, [toggle](bool on) {
        if (toggle->isChecked() != on)
            toggle->trigger();
    });
    QObject::connect(toggle, &QAction::toggled, command, &QAction::setChecked);
}

void TkavDesignerForm::UpdateCaptions()
{
    const TkavResources &res = kavResourceTable();
    for (auto it = FCaptionKeys.cbegin(); it != FCaptionKeys.cend(); ++it) {
        const QString text = res.Get(it.value());
        if (auto *action = qobject_cast<QAction *>(it.key())) {
            action->setText(text);
            action->setToolTip(QString(text).remove(u'&').remove(u"..."_s));
        } else if (auto *dock = qobject_cast<QDockWidget *>(it.key()))
            dock->setWindowTitle(text);
        else if (auto *bar = qobject_cast<QToolBar *>(it.key()))
            bar->setWindowTitle(text);
        else if (auto *label = qobject_cast<QLabel *>(it.key()))
            label->setText(text);
        else if (auto *widget = qobject_cast<QWidget *>(it.key()))
            widget->setToolTip(text);
    }
    const QList<std::pair<const char *, QAction *>> toggles = {
        {"StandardTBCmd", FStandardTB->toggleViewAction()},   {"TextTBCmd", FTextTB->toggleViewAction()},
        {"FrameTBCmd", FFrameTB->toggleViewAction()},         {"AlignTBCmd", FAlignTB->toggleViewAction()},
        {"ExtraTBCmd", FExtraTB->toggleViewAction()},         {"InspectorTBCmd", FInspectorDock->toggleViewAction()},
        {"DataTreeTBCmd", FDataTreeDock->toggleViewAction()}, {"ReportTreeTBCmd", FReportTreeDock->toggleViewAction()}};
    for (const auto &[name, toggle] : toggles) {
        QAction *command = Command(QString::fromLatin1(name));
        if (!command) {
            command = addCommand(QString::fromLatin1(name), -1, {}, [] {});
            bindToggle(command, toggle);
        }
        command->setText(toggle->text());
    }
    ReloadPages(Document().Page() ? int(FReport.Objects().indexOf(Document().Page())) : -1);
    showStatus();
}

void TkavDesignerForm::UpdateCommands()
{
    DesignerDocument &doc = Document();
    TkavComponent *page = doc.Page();
    const bool onScript = !page;
    const bool reportPage = dynamic_cast<TkavReportPage *>(page) != nullptr;
    const bool objects = page && !doc.Selection().IsPageSelected();
    const bool scriptSelection = onScript && FCodeWindow->textCursor().hasSelection();
    auto enable = [this](const char *name, bool on) { Command(QString::fromLatin1(name))->setEnabled(on); };
    enable("NewItemCmd", doc.CheckOp(drDontCreateReport));
    enable("NewReportCmd", doc.CheckOp(drDontCreateReport));
    enable("NewPageCmd", doc.CheckOp(drDontCreatePage));
    enable("NewDialogCmd", doc.CheckOp(drDontCreatePage) && kavFindClass(u"TkavDialogPage") != nullptr);
    enable("OpenCmd", doc.CheckOp(drDontLoadReport));
    enable("SaveCmd", doc.CheckOp(drDontSaveReport) && doc.Modified());
    enable("SaveAsCmd", doc.CheckOp(drDontSaveReport));
    enable("PreviewCmd", doc.CheckOp(drDontPreviewReport));
    enable("PageSettingsCmd", reportPage && doc.CheckOp(drDontChangePageOptions));
    enable("UndoCmd", onScript ? FCodeWindow->Model().UndoCount() > 0 : doc.CanUndo());
    enable("RedoCmd", onScript ? FCodeWindow->Model().RedoCount() > 0 : doc.CanRedo());
    enable("CutCmd", onScript ? scriptSelection : objects);
    enable("CopyCmd", onScript ? scriptSelection : objects);
    enable("PasteCmd", doc.CanPaste());
    enable("DeleteCmd", objects);
    enable("DeletePageCmd", doc.CanDeletePage());
    enable("SelectAllCmd", true);
    enable("GroupCmd", objects && doc.Selection().Count() > 1);
    enable("UngroupCmd", objects);
    enable("EditCmd", objects && doc.Selection().Count() == 1);
    enable("FindNextCmd", FFound);
    enable("BringToFrontCmd", objects);
    enable("SendToBackCmd", objects);
    enable("ReportDataCmd", doc.CheckOp(drDontEditReportData));
    enable("ReportOptionsCmd", doc.CheckOp(drDontChangeReportOptions));
    enable("VariablesCmd", doc.CheckOp(drDontEditVariables));
    Command(u"ConnectionsCmd"_s)->setVisible(standalone());
    enable("OptionsCmd", true);
    enable("ReportStylesCmd", doc.CheckOp(drDontChangeReportOptions));
    enable("DeleteGuidesCmd", reportPage);
    enable("AddChildBandCmd", doc.CanAddChildBand());
    Command(u"ShowRulersCmd"_s)->setChecked(doc.Options().ShowRulers);
    Command(u"ShowGuidesCmd"_s)->setChecked(doc.Options().ShowGuides);
    for (QAction *a : FObjectsTB->actions())
        if (a->property("insert").toBool())
            a->setEnabled(doc.CheckOp(drDontInsertObject));
    FCodeWindow->setReadOnly(!doc.CheckOp(drDontEditReportScript));
    if (FDebugger)
        updateDebugCommands();
    // The zoom as a rounded percentage, unless the user is typing one.
    if (!FScaleCB->lineEdit()->hasFocus())
        FScaleCB->setEditText(QString::number(qRound(doc.Scale() * 100)) + u'%');
    setWindowTitle(doc.Caption() + (doc.Modified() ? u" *"_s : QString()));
    showStatus();
    if (OnChanged)
        OnChanged();
}

// --- commands that need the window --------------------------------------------------------------

void TkavDesignerForm::deleteSelection()
{
    if (!Document().Page())
        FCodeWindow->textCursor().removeSelectedText();
    else
        Workspace().Controller().DeleteObjects();
}

void TkavDesignerForm::selectAll()
{
    if (!Document().Page())
        FCodeWindow->selectAll();
    else {
        Document().SelectAll();
        Workspace().update();
    }
}

void TkavDesignerForm::pageSettings()
{
    auto *page = dynamic_cast<TkavReportPage *>(Document().Page());
    if (!page || !Document().CheckOp(drDontChangePageOptions))
        return;
    if (kavDesignerDialogs().EditPageOptions(*page, Document().Units())) {
        Document().SetModified(true);
        Workspace().UpdatePage();
    }
}

void TkavDesignerForm::reportData()
{
    if (!Document().CheckOp(drDontEditReportData))
        return;
    TkavReportDataForm dialog(standalone(), this);
    dialog.load(FReport);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (Document().guarded([&] { dialog.apply(FReport); }))
        Document().SetModified(true);
    FDataTree->UpdateItems();
}

bool TkavDesignerForm::standalone() const
{
    return Document().Settings() && Document().Settings()->Standalone();
}

void TkavDesignerForm::editConnections()
{
    if (!standalone())
        return;
    TkavConnEditorForm dialog(this);
    dialog.Report = &FReport;
    dialog.load();
    if (dialog.exec() == QDialog::Accepted)
        dialog.apply();
}

void TkavDesignerForm::reportOptions()
{
    if (!Document().CheckOp(drDontChangeReportOptions))
        return;
    TkavReportEditorForm dialog(this);
    dialog.load(FReport, kavDesignerTemplateFolder());
    if (dialog.exec() != QDialog::Accepted)
        return;
    // Everything or nothing: a template that cannot be inherited puts the report back.
    if (Document().guarded([&] { dialog.apply(FReport, &Document()); }))
        Document().SetModified(true);
}

void TkavDesignerForm::reportStyles()
{
    if (!Document().CheckOp(drDontChangeReportOptions))
        return;
    TkavStyleEditorForm dialog(this);
    dialog.load(FReport);
    if (dialog.exec() != QDialog::Accepted)
        return;
    // The set is copied and applied to every memo, then snapshotted as one step.
    if (Document().guarded([&] { dialog.apply(FReport); }))
        Document().SetModified(true);
    updateFormatControls();
    Workspace().update();
}

void TkavDesignerForm::editVariables()
{
    if (!Document().CheckOp(drDontEditVariables))
        return;
    TkavVarEditorForm dialog(FReport, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (Document().guarded([&] { dialog.apply(FReport); }))
        Document().SetModified(true);
    FDataTree->UpdateItems();
}

void TkavDesignerForm::designerOptions()
{
    DesignerDocument &doc = Document();
    const TkavGridType grid = doc.GridType();
    TkavOptionsEditor dialog(this);
    dialog.load(doc.Options(), grid != gtDialog && grid != gtChar, standalone());
    if (dialog.exec() != QDialog::Accepted || !dialog.apply(doc.Options()))
        return;
    applyOptions();
    SaveState();
}

void TkavDesignerForm::applyOptions()
{
    const TkavDesignerOptions &options = Document().Options();
    applyScriptFont();
    applyColors();
    FPanel->HRuler().setVisible(options.ShowRulers);
    FPanel->VRuler().setVisible(options.ShowRulers);
    FPanel->Zoom(options.Scale); // rulers, grid and band captions in the new settings
    Workspace().update();
    UpdateCommands();
}

void TkavDesignerForm::applyScriptFont()
{
    const TkavDesignerOptions &options = Document().Options();
    QFont font(options.ScriptFontName, options.ScriptFontSize);
    font.setStyleHint(QFont::Monospace);
    FCodeWindow->setFont(font);
}

namespace {

// A colour the user chose; none for a system colour (the default), which leaves the look
// to the theme, so that switching themes keeps working.
std::optional<QColor> chosenColor(int color)
{
    if (color < 0 || color > 0xFFFFFF)
        return std::nullopt;
    return kavColorToQColor(TColor(color));
}

} // namespace

void TkavDesignerForm::applyColors()
{
    const TkavDesignerOptions &options = Document().Options();
    FPanel->SetWorkspaceColor(chosenColor(options.WorkspaceColor));
    const std::optional<QColor> tools = chosenColor(options.ToolsColor);
    for (QDockWidget *d : {FInspectorDock, FReportTreeDock, FDataTreeDock}) {
        QPalette pal;
        if (tools) {
            pal = d->widget()->palette();
            pal.setColor(QPalette::Base, *tools);
            pal.setColor(QPalette::Window, *tools);
        }
        d->widget()->setPalette(pal); // a default palette inherits the theme's again
        d->widget()->setAutoFillBackground(tools.has_value());
    }
}

void TkavDesignerForm::help()
{
    kavResourceTable().Help(u"TkavDesignerForm"_s);
}

void TkavDesignerForm::about()
{
    QString text = kavResourceTable().Get(u"dsAboutText"_s);
    text.replace(u"%s"_s, QApplication::applicationVersion());
    kavUIServices().MessageDlg(text, mtInformation, {mbOK}, kavResourceTable().Get(u"dsAbout"_s).remove(u"..."_s));
}

bool TkavDesignerForm::PreviewReport()
{
    DesignerDocument &doc = Document();
    if (!doc.CheckOp(drDontPreviewReport))
        return false;
    if (FDebugger->Paused()) { // goes on with the paused run
        FDebugger->Run();
        return true;
    }
    return !FDebugger->Running() && runPreview();
}

bool TkavDesignerForm::runPreview()
{
    DesignerDocument &doc = Document();
    // The script compiles on a snapshot: compiling readies the objects for a run.
    doc.BeginRun();
    bool compiled = false;
    {
        const auto restore = qScopeGuard([&] { doc.EndRun(); });
        compiled = FReport.PrepareScript();
        FReport.Errors().Clear();
    }
    if (!compiled) {
        const TkyScript &script = FReport.Script();
        const QPoint at = errorPosition(script.ErrorPos());
        doc.ShowScript(at.y(), at.x());
        FCodeWindow->ShowMessage(script.ErrorMsg() + u" ("_s + script.ErrorPos() + u')');
        return false;
    }
    FCodeWindow->ShowMessage(QString());
    if (OnPreview)
        return OnPreview();
    // A window of its own, modal, while the design waits on its snapshot.
    TkavPreviewForm preview(this);
    preview.setWindowFlags(Qt::Window);
    preview.setWindowModality(Qt::ApplicationModal);
    preview.ApplyReportOptions(FReport);
    doc.BeginRun();
    const auto restore = qScopeGuard([&] {
        FReport.SetPreview(nullptr);
        doc.EndRun();
    });
    FReport.SetPreview(preview.Preview());
    if (!FReport.PrepareReport(true))
        return false;
    preview.show();
    while (preview.isVisible())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return true;
}

// --- find and replace ------------------------------------------------------------------------

void TkavDesignerForm::find(bool replace)
{
    const bool onScript = !Document().Page();
    TkavFindDialog dialog(replace, onScript, this);
    dialog.SetValues(FFindText, FReplaceText, FFindCase);
    if (dialog.exec() != QDialog::Accepted || dialog.FindText().isEmpty())
        return;
    FFindText = dialog.FindText();
    FReplaceText = dialog.ReplaceText();
    FFindCase = dialog.CaseSensitive();
    FFindOnScript = onScript;
    if (onScript) {
        FScriptFindPos = dialog.FromTop() ? 1 : FCodeWindow->textCursor().position() + 1;
        searchScript(replace);
    } else {
        replace ? Document().Replace(FFindText, FReplaceText, FFindCase) : Document().Find(FFindText, FFindCase);
        Workspace().update();
    }
    FReplacing = replace;
    FFound = true; // Find Next repeats the search from where it stopped
}

void TkavDesignerForm::findNext()
{
    if (FFindText.isEmpty())
        return;
    if (FFindOnScript && !Document().Page())
        searchScript(FReplacing);
    else if (!FFindOnScript && Document().Page()) {
        Document().FindNext();
        Workspace().update();
    }
}

// The script's own search from the stored position; when replacing, each match is asked
// about as on a page (All answers the rest).
bool TkavDesignerForm::searchScript(bool replace)
{
    bool matched = false;
    bool all = false;
    while (FCodeWindow->Find(FFindText, FFindCase, FScriptFindPos)) {
        matched = true;
        if (!replace)
            break;
        const TModalResult answer = all ? mrYes : kavAskReplace(FFindText);
        if (answer != mrYes && answer != mrAll)
            break;
        all = all || answer == mrAll;
        QTextCursor cursor = FCodeWindow->textCursor();
        cursor.insertText(FReplaceText);
        FScriptFindPos = cursor.position() + 1;
        if (!all)
            break;
    }
    if (!matched) {
        QString message = kavResourceTable().Get(u"dsTextNotFound"_s);
        message.replace(u"%s"_s, FFindText);
        kavUIServices().InfoBox(message);
    }
    return matched;
}
