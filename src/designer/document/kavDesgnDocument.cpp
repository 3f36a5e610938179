// DesignerDocument: state, the modification routine, undo and redo, the clipboard commands
// and files.

#include "kavDesgnDocument.h"

#include <designer/editors/kavDesgnScriptGen.h>
#include <persist/kavRes.h>
#include <report/kavReport.h>
#include <report/kavViews.h>
#include <rtl/kavDateTime.h>
#include <rtl/kavSettings.h>
#include <rtl/kavUIServices.h>

#include <QFileInfo>
#include <QScopeGuard>

using namespace Qt::StringLiterals;

namespace {

QString res(const QString &key)
{
    return kavResourceTable().Get(key);
}

void markDesigning(TkavComponent &root)
{
    root.SetIsDesigning(true);
    for (TkavComponent *c : root.AllObjects())
        c->SetIsDesigning(true);
}

} // namespace

DesignerDocument::DesignerDocument(TkavReport &report, bool PreviewDesigner)
    : FReport(report)
    , FPreviewDesigner(PreviewDesigner)
    , FClipboard(*this)
    , FSample(std::make_unique<TkavMemoView>())
{
    kavAddScriptResources();
    FUndoBuffer.SetPictureCache(&FPictureCache);
    FUndoBuffer.SetTempDir(report.EngineOptions().TempDir());
    FClipboard.SetPictureCache(&FPictureCache);
    if (const TkavDesigner *settings = Settings()) {
        FSample->SetFont(settings->DefaultFont());
        FSample->SetRTLReading(settings->RTLLanguage());
        FSample->SetParentFont(settings->MemoParentFont());
    }
    ReloadReport();
}

DesignerDocument::~DesignerDocument() = default;

TkavComponent &DesignerDocument::undoTarget() const
{
    if (FPreviewDesigner && FReport.PagesCount() > 0)
        return *FReport.Pages(0);
    return FReport;
}

bool DesignerDocument::CheckOp(TkavDesignerRestriction Op) const
{
    const TkavDesigner *settings = Settings();
    return !settings || !settings->Restrictions().Contains(Op);
}

void DesignerDocument::notify(const std::function<void()> &hook) const
{
    if (hook)
        hook();
}

// ---------------------------------------------------------------------------------------
// Pages and selection

void DesignerDocument::SetPage(TkavComponent *page)
{
    FPage = page;
    FSelection.SetPage(page);
    notify(FHooks.PageChanged);
    notify(FHooks.SelectionChanged);
}

QList<TkavComponent *> DesignerDocument::Objects() const
{
    return FPage.get() ? FPage->AllObjects() : QList<TkavComponent *>();
}

void DesignerDocument::Select(TkavComponent *c)
{
    FSelection.Select(c);
    SelectionChanged();
}

void DesignerDocument::SelectionChanged()
{
    notify(FHooks.SelectionChanged);
}

TkavComponent *DesignerDocument::FirstReportPage() const
{
    for (TkavComponent *page : FReport.Objects())
        if (!dynamic_cast<TkavDataPage *>(page))
            return page;
    return nullptr;
}

TkavComponent *DesignerDocument::DataPage() const
{
    for (TkavComponent *page : FReport.Objects())
        if (dynamic_cast<TkavDataPage *>(page))
            return page;
    return nullptr;
}

// ---------------------------------------------------------------------------------------
// Units, grid and scale

TkavDesignerUnits DesignerDocument::Units() const
{
    const TkavComponent *page = Page();
    if (dynamic_cast<const TkavDMPPage *>(page))
        return duChars;
    if (page && !dynamic_cast<const TkavReportPage *>(page))
        return duPixels; // dialog and data pages
    return FOptions.Units;
}

void DesignerDocument::SetReportUnits(TkavDesignerUnits Value)
{
    FOptions.Units = Value == duChars ? duCM : Value;
}

void DesignerDocument::CycleUnits()
{
    const TkavGridType grid = GridType();
    if (grid == gtDialog || grid == gtChar)
        return;
    SetReportUnits(TkavDesignerUnits((FOptions.Units + 1) % 3));
}

TkavGridType DesignerDocument::GridType() const
{
    const TkavComponent *page = Page();
    if (dynamic_cast<const TkavDataPage *>(page))
        return gtNone;
    if (page && !dynamic_cast<const TkavReportPage *>(page))
        return gtDialog;
    return kavUnitGridType(Units());
}

double DesignerDocument::GridX() const
{
    const TkavDesignerUnits units = Units();
    if (GridType() == gtDialog)
        return FOptions.GridSize(duChars);
    if (units == duChars)
        return kavUnitPixels(duChars, true);
    return FOptions.GridSize(units) * kavUnitPixels(units);
}

double DesignerDocument::GridY() const
{
    const TkavDesignerUnits units = Units();
    if (GridType() == gtDialog)
        return FOptions.GridSize(duChars);
    if (units == duChars)
        return kavUnitPixels(duChars, false);
    return FOptions.GridSize(units) * kavUnitPixels(units, false);
}

double DesignerDocument::BandCaptionHeight() const
{
    return kavBandCaptionHeight(GridType(), FOptions.ShowBandCaptions);
}

void DesignerDocument::GetDefaultObjectSize(double &Width, double &Height) const
{
    Width = kavUnitObjectWidth(Units());
    Height = kavUnitObjectHeight(Units());
}

void DesignerDocument::SetScale(double Value)
{
    FOptions.Scale = kavBoundedScale(Value);
}

// ---------------------------------------------------------------------------------------
// The modification routine

void DesignerDocument::commitScript()
{
    if (!FScriptPending)
        return;
    TStringList lines;
    for (const QString &line : FScriptLines)
        lines.Add(line);
    FReport.SetScriptText(lines);
    FScriptPending = false;
}

void DesignerDocument::SetModified(bool Value)
{
    FModified = Value;
    FReport.SetModified(Value);
    commitScript();
    FUndoBuffer.AddUndo(undoTarget());
    FUndoBuffer.ClearRedo();
    notify(FHooks.DocumentChanged);
}

void DesignerDocument::ScriptEdited(const QStringList &lines)
{
    FScriptLines = lines;
    FScriptPending = true;
    FModified = true; // enables Save and the closing question; the snapshot comes later
    FReport.SetModified(true);
    FUndoBuffer.ClearRedo(); // a new edit
}

QStringList DesignerDocument::ScriptLines() const
{
    return FScriptPending ? FScriptLines : FReport.ScriptText().ToStringList();
}

void DesignerDocument::SetScriptLines(const QStringList &lines)
{
    FScriptLines = lines;
    FScriptPending = true;
    commitScript();
    notify(FHooks.ScriptChanged);
}

void DesignerDocument::ShowScript(int Line, int Column)
{
    FScriptCaretLine = Line;
    FScriptCaretColumn = Column;
    if (FHooks.ShowScript)
        FHooks.ShowScript(Line, Column);
}

void DesignerDocument::ReloadReport()
{
    FPictureCache.Clear();
    for (TkavComponent *c : FReport.AllObjects())
        if (auto *view = dynamic_cast<TkavPictureView *>(c)) {
            FPictureCache.AddPicture(*view);
            view->SetPictureChanged(false);
        }
    if (FReport.PagesCount() == 0)
        ClearReport();
    markDesigning(FReport);
    FScriptPending = false;
    FScriptLines.clear();
    FUndoBuffer.ClearUndo();
    FUndoBuffer.ClearRedo();
    SetPage(FirstReportPage());
    SetModified(false);
    notify(FHooks.PagesChanged);
    notify(FHooks.ScriptChanged);
}

// ---------------------------------------------------------------------------------------
// Guarded commands

bool DesignerDocument::guarded(const std::function<void()> &command)
{
    try {
        command();
        return true;
    } catch (const Exception &e) {
        rollback();
        kavUIServices().ErrorBox(e.Message());
        return false;
    }
}

// The last snapshot is the last good state: a command that failed half-way is undone.
void DesignerDocument::rollback()
{
    if (FUndoBuffer.UndoCount() == 0)
        return;
    const int pageIndex = FReport.Objects().indexOf(Page());
    const QStringList names = FSelection.Names();
    try {
        FUndoBuffer.Revert(undoTarget());
    } catch (const Exception &) {
        return; // the document stays as the command left it; the user was told why
    }
    documentRebuilt(pageIndex, names);
}

void DesignerDocument::documentRebuilt(int pageIndex, const QStringList &selection)
{
    markDesigning(FReport);
    TkavComponent *page = pageIndex >= 0 && pageIndex < FReport.PagesCount()
                              ? FReport.Pages(pageIndex)
                              : (FPage.get() || pageIndex >= 0 ? FirstReportPage() : nullptr);
    FPage = page;
    FSelection.Restore(page, selection);
    notify(FHooks.PagesChanged);
    notify(FHooks.PageChanged);
    notify(FHooks.SelectionChanged);
    notify(FHooks.ScriptChanged);
    notify(FHooks.DocumentChanged);
}

// ---------------------------------------------------------------------------------------
// Undo and redo

bool DesignerDocument::CanUndo() const
{
    return FUndoBuffer.UndoCount() > 1;
}

bool DesignerDocument::CanRedo() const
{
    return FUndoBuffer.RedoCount() > 0;
}

bool DesignerDocument::Undo()
{
    if (!CanUndo())
        return false;
    const int pageIndex = FReport.Objects().indexOf(Page());
    const QStringList names = FSelection.Names();
    try {
        if (FScriptPending) {
            // The edited script is not in the last snapshot: the redo step takes it along.
            commitScript();
            FUndoBuffer.AddRedo(undoTarget());
            try {
                FUndoBuffer.GetUndo(undoTarget());
            } catch (...) {
                FUndoBuffer.DropLastRedo(); // the lists stay as they were
                throw;
            }
        } else {
            // Every change ends in SetModified, so the last snapshot is the document.
            FUndoBuffer.StepBack(undoTarget());
        }
    } catch (const Exception &e) {
        kavUIServices().ErrorBox(e.Message());
        return false;
    }
    FModified = true;
    FReport.SetModified(true);
    documentRebuilt(pageIndex, names);
    return true;
}

bool DesignerDocument::Redo()
{
    if (!CanRedo())
        return false;
    const int pageIndex = FReport.Objects().indexOf(Page());
    const QStringList names = FSelection.Names();
    try {
        FUndoBuffer.StepForward(undoTarget());
    } catch (const Exception &e) {
        kavUIServices().ErrorBox(e.Message());
        return false;
    }
    FModified = true;
    FReport.SetModified(true);
    documentRebuilt(pageIndex, names);
    return true;
}

void DesignerDocument::BeginRun()
{
    if (FScriptPending)
        SetModified(true); // the edited script is part of the history before anything runs
    FUndoBuffer.AddUndo(undoTarget());
    FInRun = true;
}

void DesignerDocument::EndRun()
{
    if (!FInRun)
        return;
    FInRun = false;
    const int pageIndex = FReport.Objects().indexOf(Page());
    const QStringList names = FSelection.Names();
    // Exactly the snapshot BeginRun took, whatever the run changed meanwhile. Reading it
    // empties the report's errors: the run's lines are put back for whoever reports them.
    const QStringList errors = FReport.Errors().ToStringList();
    FUndoBuffer.Revert(undoTarget());
    FUndoBuffer.DropLastUndo();
    for (const QString &line : errors)
        FReport.Errors().Add(line);
    documentRebuilt(pageIndex, names);
}

// ---------------------------------------------------------------------------------------
// Clipboard and deleting

bool DesignerDocument::CanCopy() const
{
    return !Page() || !FSelection.IsPageSelected();
}

bool DesignerDocument::CanPaste() const
{
    return !Page() || FClipboard.PasteAvailable();
}

bool DesignerDocument::Copy()
{
    if (!Page() || FSelection.IsPageSelected())
        return false;
    FClipboard.Copy();
    return true;
}

bool DesignerDocument::Cut()
{
    return Copy() && DeleteSelection();
}

bool DesignerDocument::Paste()
{
    if (!Page())
        return false;
    QList<TkavComponent *> pasted;
    const bool ok = guarded([&] {
        pasted = FClipboard.Paste();
        if (!pasted.isEmpty())
            SetModified(true);
    });
    SelectionChanged();
    return ok && !pasted.isEmpty();
}

bool DesignerDocument::DeleteSelection()
{
    if (!Page() || FSelection.IsPageSelected())
        return false;
    const QList<TkavComponent *> items = FSelection.Items();
    // Checked first: an inherited object stops the whole deletion before anything goes.
    for (TkavComponent *c : items)
        if (c->IsAncestor()) {
            kavUIServices().ErrorBox(u"Could not delete "_s + c->Name()
                                     + u", it was introduced in the ancestor report"_s);
            return false;
        }
    bool deleted = false;
    const bool ok = guarded([&] {
        for (TkavComponent *c : items) {
            // Children of a deleted object go with it; their entries are then gone too.
            if (!FSelection.Contains(c) || c->Restrictions().Contains(rfDontDelete))
                continue;
            FSelection.Remove(c);
            deleted = c->Free() || deleted;
        }
        if (deleted)
            SetModified(true);
    });
    SelectionChanged();
    return ok && deleted;
}

// ---------------------------------------------------------------------------------------
// Files

QString DesignerDocument::Caption() const
{
    const QString ext = Settings() ? Settings()->TemplatesExt() : u"kv3"_s;
    return u"Kavrel - "_s + (FReport.FileName().isEmpty() ? u"Untitled."_s + ext : FReport.FileName());
}

bool DesignerDocument::AskToSave()
{
    if (!FModified)
        return true;
    if (FPreviewDesigner) {
        // Yes keeps the changes for the preview to take; No discards them.
        const TModalResult answer = kavUIServices().MessageDlg(res(u"dsSavePreviewChanges"_s), mtConfirmation,
                                                               {mbYes, mbNo, mbCancel});
        if (answer == mrNo) {
            FModified = false;
            FReport.SetModified(false);
        }
        return answer != mrCancel;
    }
    const QString ext = Settings() ? Settings()->TemplatesExt() : u"kv3"_s;
    const QString name = FReport.FileName().isEmpty() ? u"Untitled."_s + ext : FReport.FileName();
    const TModalResult answer = kavUIServices().MessageDlg(res(u"dsSaveChangesTo"_s) + u' ' + name
                                                               + u'?',
                                                           mtConfirmation,
                                                           {mbYes, mbNo, mbCancel});
    if (answer == mrYes)
        return SaveFile(false);
    return answer == mrNo;
}

bool DesignerDocument::CloseQuery()
{
    const TkavDesigner *settings = Settings();
    if (!FModified || (settings && !settings->CloseQuery()) || !CheckOp(drDontSaveReport))
        return true;
    return AskToSave();
}

// A file that does not load leaves the report as it was (the last snapshot is the
// current document), so nothing the user had is lost.
bool DesignerDocument::loadFile(const QString &fileName)
{
    TkavEngineOptions &engine = FReport.EngineOptions();
    const TkavSilentMode silent = engine.NewSilentMode();
    engine.SetNewSilentMode(simMessageBoxes);
    const auto restoreSilent = qScopeGuard([&] { engine.SetNewSilentMode(silent); });
    bool loaded = false;
    try {
        loaded = FReport.LoadFromFile(fileName, true) && FReport.LastLoadOk();
    } catch (const Exception &) {
        loaded = false;
    }
    if (!loaded) {
        rollback();
        kavUIServices().ErrorBox(res(u"dsCantLoad"_s) + u' ' + fileName);
        return false;
    }
    FRecentFiles.Add(fileName);
    ReloadReport();
    return true;
}

bool DesignerDocument::OpenFile(const QString &FileName)
{
    if (!CheckOp(drDontLoadReport))
        return false;
    TkavDesigner *settings = Settings();
    if (FileName.isEmpty() && settings && settings->OnLoadReport()) {
        if (settings->OnLoadReport()(FReport))
            ReloadReport();
        else
            notify(FHooks.PagesChanged);
        return true;
    }
    QString name = FileName;
    if (name.isEmpty()) {
        TkavFileDialogOptions options;
        options.Filter = res(u"dsRepFilter"_s);
        options.InitialDir = settings ? settings->OpenDir() : QString();
        QStringList names;
        if (!kavUIServices().OpenFileDialog(options, names) || names.isEmpty())
            return false;
        name = names.first();
    }
    return AskToSave() && loadFile(name);
}

bool DesignerDocument::OpenRecent(const QString &FileName)
{
    if (!CheckOp(drDontLoadReport) || !AskToSave())
        return false;
    TkavDesigner *settings = Settings();
    if (settings && settings->OnLoadRecentReport()) {
        if (!settings->OnLoadRecentReport()(FReport, FileName))
            return false;
        FRecentFiles.Add(FileName);
        ReloadReport();
        return true;
    }
    if (!QFileInfo(FileName).isFile()) {
        FRecentFiles.Remove(FileName);
        kavUIServices().ErrorBox(res(u"dsCantLoad"_s) + u' ' + FileName);
        return false;
    }
    return loadFile(FileName);
}

bool DesignerDocument::saveTo(const QString &fileName)
{
    try {
        FReport.SaveToFile(fileName);
    } catch (const Exception &e) {
        kavUIServices().ErrorBox(e.Message());
        return false;
    }
    return true;
}

bool DesignerDocument::SaveFile(bool SaveAs)
{
    // A prepared page goes back to the preview when the designer closes, not to a file.
    if (!CheckOp(drDontSaveReport) || FPreviewDesigner)
        return false;
    // A script typed since the last snapshot becomes a history step of its own.
    if (FScriptPending)
        SetModified(true);
    FReport.ReportOptions().SetLastChange(Now());
    TkavDesigner *settings = Settings();
    bool saved = false;
    if (settings && settings->OnSaveReport()) {
        saved = settings->OnSaveReport()(FReport, SaveAs);
    } else {
        QString name = FReport.FileName();
        if (SaveAs || name.isEmpty()) {
            TkavFileDialogOptions options;
            options.Filter = res(u"dsRepFilter"_s);
            options.DefaultExt = settings ? settings->TemplatesExt() : u"kv3"_s;
            options.InitialDir = settings ? settings->SaveDir() : QString();
            options.FileName = name;
            if (!kavUIServices().SaveFileDialog(options, name))
                return false;
        }
        saved = saveTo(name);
    }
    if (!saved)
        return false;
    FRecentFiles.Add(FReport.FileName());
    // Saving changes no object: the history keeps its steps, only the mark goes.
    FModified = false;
    FReport.SetModified(false);
    notify(FHooks.DocumentChanged);
    return true;
}

void DesignerDocument::RestoreState()
{
    const std::unique_ptr<TkavIniFile> ini = FReport.GetIniFile();
    FOptions.Restore(*ini);
    FRecentFiles.SetItems(FOptions.RecentFiles);
}

void DesignerDocument::SaveState() const
{
    if (FPreviewDesigner)
        return;
    TkavDesignerOptions options = FOptions;
    options.RecentFiles = FRecentFiles.Items();
    const std::unique_ptr<TkavIniFile> ini = FReport.GetIniFile();
    options.Save(*ini);
    ini->UpdateFile();
}
