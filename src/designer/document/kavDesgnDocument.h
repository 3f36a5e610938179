#pragma once

// DesignerDocument: everything the designer does to a report that needs no window. It
// holds the page shown, the selection, the undo buffer, the clipboard and the picture cache,
// and runs every command (files, pages, bands and objects, formatting, alignment, order,
// find and replace). Every command that changes the report ends in the one modification
// routine (SetModified), which snapshots the document; a command that fails half-way puts
// the last good state back. The designer's widgets are thin views over this class and learn
// about changes through its hooks.

#include "kavDesgnClipboard.h"
#include "kavDesgnSelection.h"
#include "kavDesgnSettings.h"
#include "kavDesgnUndo.h"

#include <prepared/kavPictureCache.h>
#include <report/kavComponent.h>
#include <report/kavDMP.h>

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class TFont;
struct TkavMenuItem;
class TkavBand;
class TkavChild;
class TkavCustomMemoView;
class TkavMemoView;
class TkavReport;
class TkavReportPage;

// The alignment commands. The first selected object is the reference of the first eight.
enum TkavAlignCommand : int {
    acAlignLefts,
    acAlignRights,
    acAlignHCenters,
    acAlignTops,
    acAlignBottoms,
    acAlignVCenters,
    acSameWidth,
    acSameHeight,
    acCenterHorizontally,
    acCenterVertically,
    acSpaceHorizontally,
    acSpaceVertically
};

// Asks "dsReplace" about replacing text: mrYes, mrNo, mrCancel or mrAll.
int kavAskReplace(const QString &text);

class DesignerDocument
{
public:
    // What the views are told; each may be left empty.
    struct Hooks
    {
        std::function<void()> PagesChanged;     // pages added, removed, renamed or reordered
        std::function<void()> PageChanged;      // another page (or the script) is shown
        std::function<void()> SelectionChanged;
        std::function<void()> DocumentChanged;  // after every modification, undo and redo
        std::function<void()> ScriptChanged;    // the report's script text was replaced
        // Show the script with the caret at a line and column (1-based).
        std::function<void(int line, int column)> ShowScript;
    };

    // The designer of report (not owned, outlives the document). Starts on the report as
    // it is (ReloadReport). A preview designer edits the one page of a temporary report
    // the preview made of a prepared page: its history holds that page, closing asks
    // whether to keep the changes (Modified tells the preview), and no file or settings
    // are written.
    explicit DesignerDocument(TkavReport &report, bool PreviewDesigner = false);
    ~DesignerDocument();
    DesignerDocument(const DesignerDocument &) = delete;
    DesignerDocument &operator=(const DesignerDocument &) = delete;

    TkavReport &Report() const { return FReport; }
    bool IsPreviewDesigner() const { return FPreviewDesigner; }
    Hooks &ViewHooks() { return FHooks; }
    // The active settings component, or null.
    TkavDesigner *Settings() const { return TkavDesigner::Active(); }
    // True when the settings component does not forbid Op.
    bool CheckOp(TkavDesignerRestriction Op) const;
    TkavDesignerOptions &Options() { return FOptions; }
    const TkavDesignerOptions &Options() const { return FOptions; }
    TkavRecentFiles &RecentFiles() { return FRecentFiles; }
    TkavUndoBuffer &UndoBuffer() { return FUndoBuffer; }
    TkavClipboard &Clipboard() { return FClipboard; }
    TkavPictureCache &PictureCache() { return FPictureCache; }

    // --- pages and selection ------------------------------------------------------------
    // The page shown; null while the script is shown.
    TkavComponent *Page() const { return FPage.get(); }
    // Shows a page of the report (null: the script); the selection becomes the page.
    void SetPage(TkavComponent *page);
    // Every object of the current page (depth first), empty for the script.
    QList<TkavComponent *> Objects() const;
    TkavSelection &Selection() { return FSelection; }
    QList<TkavComponent *> SelectedObjects() const { return FSelection.Items(); }
    void Select(TkavComponent *c);
    void SelectionChanged();
    // The first page that is not the data page (null when there is none).
    TkavComponent *FirstReportPage() const;
    // The report's data page (null when it has none).
    TkavComponent *DataPage() const;

    // --- units, grid and scale -------------------------------------------------------------
    // The units of the page shown: characters on dot-matrix pages, pixels on dialog and
    // data pages, the report units elsewhere.
    TkavDesignerUnits Units() const;
    // The units of report pages.
    TkavDesignerUnits ReportUnits() const { return FOptions.Units; }
    void SetReportUnits(TkavDesignerUnits Value);
    // Centimetres, inches, pixels, centimetres ... (not on dialog and character grids).
    void CycleUnits();
    TkavGridType GridType() const;
    double GridX() const;
    double GridY() const;
    // Caption strip above bands for the current grid.
    double BandCaptionHeight() const;
    double mmToUnits(double mm, bool X = true) const { return kavMMToUnits(mm, Units(), X); }
    double UnitsTomm(double value, bool X = true) const { return kavUnitsToMM(value, Units(), X); }
    // A new object's size in the current units' default (pixels).
    void GetDefaultObjectSize(double &Width, double &Height) const;
    double Scale() const { return FOptions.Scale; }
    // Values <= 0 become 1, values above 20 become 20.
    void SetScale(double Value);

    // --- the modification routine ------------------------------------------------------------
    bool Modified() const { return FModified; }
    // Marks the document (not) modified, commits the script text, snapshots the document
    // and empties the redo history.
    void SetModified(bool Value);
    // The script editor's text changed: the document counts as modified at once (the text
    // is committed and snapshotted by the next modification, undo, run or save).
    void ScriptEdited(const QStringList &lines);
    // The script as the user sees it (the edited text when there is one).
    QStringList ScriptLines() const;
    // Replaces the script text (generated handlers, a new language) and tells the views.
    void SetScriptLines(const QStringList &lines);
    // Asks the views to show the script with the caret at a line and column (1-based).
    void ShowScript(int Line, int Column);
    int ScriptCaretLine() const { return FScriptCaretLine; }
    int ScriptCaretColumn() const { return FScriptCaretColumn; }
    // Prepares a loaded or new report for editing: pictures into the cache, a data page and
    // a first page when missing, the first report page shown, undo restarted.
    void ReloadReport();

    // --- undo and redo ---------------------------------------------------------------------
    bool CanUndo() const;
    bool CanRedo() const;
    bool Undo();
    bool Redo();
    // A run from the designer: BeginRun snapshots the document (script edits included);
    // EndRun puts exactly that snapshot back, whatever the run changed, and drops it; the
    // report's Errors keep the run's lines.
    void BeginRun();
    void EndRun();

    // --- clipboard and deleting --------------------------------------------------------------
    bool CanCopy() const;
    bool CanPaste() const;
    bool Copy();
    bool Cut();
    bool Paste();
    // Deletes the selected objects; nothing at all when one of them comes from an ancestor
    // report (the user is told which). Objects with rfDontDelete stay.
    bool DeleteSelection();

    // --- files ------------------------------------------------------------------------------
    // Asks to save a modified report: Yes saves (false when that fails), No goes on, Cancel
    // stops. True: go on.
    bool AskToSave();
    bool NewReport();
    // Makes the report an empty one without asking: a data page "Data" (the report's own,
    // with its connections and data sets, when KeepData) and a page "Page1" (a dot-matrix
    // page when DotMatrix) with the designer's defaults, no file name. The caller reloads.
    void ClearReport(bool DotMatrix = false, bool KeepData = false);
    // Opens FileName (empty: asks for one); a file that cannot be read keeps the current
    // report and says so.
    bool OpenFile(const QString &FileName = QString());
    bool OpenRecent(const QString &FileName);
    bool SaveFile(bool SaveAs = false);
    // Whether the designer may close (asks to save a modified report).
    bool CloseQuery();
    QString Caption() const;
    // The report's settings store: restore and save the options and recent files.
    void RestoreState();
    void SaveState() const;

    // --- pages, bands and objects ---------------------------------------------------------------
    TkavReportPage *NewPage();
    // A dialog page, once its class is registered; null (and nothing changes) before that.
    TkavComponent *NewDialogPage();
    bool CanDeletePage() const;
    bool DeletePage();
    // Moves page From to position To among the report's pages (neither 0).
    bool MovePage(int From, int To);
    // The band of number tag mod 100, vertical when tag >= 100.
    TkavBand *InsertBand(int Tag);
    // A child band chained after the selected band.
    TkavChild *AddChildBand();
    // An object of a registered class on the current page at the rectangle (pixels); a
    // subreport also gets a page of its own. Null when inserting is not allowed.
    TkavComponent *InsertObject(const QString &ClassName, int Flags, double Left, double Top,
                                double Width, double Height);
    bool DeleteGuides();
    // Asks "dsClearScript"; Yes gives the script the language's empty program.
    bool SetScriptLanguage(const QString &Language);
    // The script of a new report in Language.
    static QStringList EmptyScript(const QString &Language);

    // --- component editors ---------------------------------------------------------------
    // The first selected object's editor dialog (not with rfDontEdit); a confirmed edit is
    // a modification.
    bool EditSelected();
    // The menu items the first selected object's editor offers.
    QList<TkavMenuItem> ObjectMenuItems();
    // One of those items chosen: its editor runs Execute(Tag, Checked); a change is a
    // modification.
    bool ExecuteMenuItem(int Tag, bool Checked);
    // The add-child-band item is offered: the first selected object is a band other than a
    // column footer or an overlay.
    bool CanAddChildBand() const;

    // --- formatting ---------------------------------------------------------------------------
    // Applies f to every selected object that is not rfDontModify; f answers whether it
    // applied. Memos formatted become the sample format; a modification follows when any
    // object changed.
    bool Format(const std::function<bool(TkavComponent &)> &f, bool clearsStyle = false);
    bool SetFontName(const QString &Name);
    bool SetFontSize(int Size);
    bool SetFontStyle(TFontStyle Style, bool On);
    bool SetFontColor(TColor Color);
    bool SetHAlign(TkavHAlign Value);
    bool SetVAlign(TkavVAlign Value);
    bool SetFrameLine(TkavFrameType Line, bool On);
    bool SetFrameLines(bool All);
    bool SetFillColor(TColor Color);
    bool SetFrameColor(TColor Color);
    bool SetFrameStyle(TkavFrameStyle Style);
    bool SetFrameWidth(double Width);
    bool SetRotation(int Rotation);
    bool SetStyle(const QString &Style);    // empty: none
    bool SetDMPStyle(TkavDMPFontStyle Flag, bool On);
    bool AlignToGrid();
    // The font, frame and fill dialogs on the first selected object, applied to all.
    bool EditFont();
    bool EditFrame();
    bool EditFill();
    // The highlight editor on the first selected memo; on OK every other selected memo
    // takes a copy of its highlights.
    bool EditHighlights();
    // The sample format (a memo of no report) and its use.
    TkavMemoView &SampleFormat() { return *FSample; }
    void MakeSample(const TkavCustomMemoView &memo);
    void ApplySample(TkavCustomMemoView &memo) const;

    // --- alignment, order and selection commands -------------------------------------------
    bool Align(TkavAlignCommand Command);
    bool BringToFront();
    bool SendToBack();
    void SelectAll();
    // Every object of the first selected one's class on its parent (WholePage: the page).
    void SelectSameType(bool WholePage = false);

    // --- find and replace ---------------------------------------------------------------
    // Searches the text objects of the page from the first; the match becomes the
    // selection. Replace asks "dsReplace" before each replacement (All answers the rest).
    bool Find(const QString &Text, bool CaseSensitive);
    bool Replace(const QString &Text, const QString &Replacement, bool CaseSensitive);
    // Repeats the last search from after the last match.
    bool FindNext();

    // Runs a command; a failure puts the last good state back and is shown to the user.
    // The workspace runs its own edits through it.
    bool guarded(const std::function<void()> &command);

private:
    // What a snapshot holds: the report, or the edited page of a preview designer.
    TkavComponent &undoTarget() const;
    void rollback();
    // After a load or snapshot restore: every object designing, selection and page found
    // again by name and index.
    void documentRebuilt(int pageIndex, const QStringList &selection);
    void commitScript();
    void notify(const std::function<void()> &hook) const;
    bool loadFile(const QString &fileName);
    bool saveTo(const QString &fileName);
    TkavReportPage *createReportPage();
    double newBandTop(bool vertical) const;
    void copyPageLayout(const TkavReportPage &from, TkavReportPage &to) const;
    QList<TkavComponent *> modifiableSelection(bool views) const;
    bool search(bool replace);

    TkavReport &FReport;
    const bool FPreviewDesigner;
    Hooks FHooks;
    TkavDesignerOptions FOptions;
    TkavRecentFiles FRecentFiles;
    // Declaration order matters: the cache outlives the buffer and clipboard using it.
    TkavPictureCache FPictureCache;
    TkavUndoBuffer FUndoBuffer;
    TkavClipboard FClipboard;
    TkavSelection FSelection;
    TkavComponentRef<TkavComponent> FPage;
    std::unique_ptr<TkavMemoView> FSample;
    bool FModified = false;
    bool FScriptPending = false;
    QStringList FScriptLines;
    bool FInRun = false;
    int FScriptCaretLine = 0;
    int FScriptCaretColumn = 0;
    // The search in progress.
    QString FFindText;
    QString FReplaceText;
    bool FFindCase = false;
    bool FReplacing = false;
    int FFindIndex = 0;
};
