#pragma once

// TkavDesignerForm: the designer window around the workspace: page tabs (the script first),
// the object palette, tool bars, docked inspector, data tree and report tree, the status
// bar and every designer command as a named action. The host embeds it in its Designer tab.

#include <QHash>
#include <QMainWindow>

#include <functional>
#include <memory>

class DesignerDocument;
class QComboBox;
class QLabel;
class QMenu;
class QStackedWidget;
class QTabBar;
class QToolBar;
class QDockWidget;
class TDesignerWorkspace;
class TkavDataTreeForm;
class TkavDesignerPanel;
class TkavObjectInspector;
class TkavReport;
class TkavReportTreeForm;
class TkavSyntaxMemo;
class TkavComponent;
class TkavScriptDebugger;
class TkavWatchForm;

class TkavDesignerForm : public QMainWindow
{
public:
    // Designs report (not owned; outlives the window).
    explicit TkavDesignerForm(TkavReport &report, QWidget *parent = nullptr);
    ~TkavDesignerForm() override;

    DesignerDocument &Document() const;
    TDesignerWorkspace &Workspace() const;
    TkavObjectInspector &Inspector() const;
    TkavDesignerPanel &Panel() const { return *FPanel; }
    TkavSyntaxMemo &CodeWindow() const { return *FCodeWindow; }
    TkavDataTreeForm &DataTree() const { return *FDataTree; }
    TkavReportTreeForm &ReportTree() const { return *FReportTree; }
    QTabBar &PageTabs() const { return *FPageTabs; }
    QToolBar &ObjectsTB() const { return *FObjectsTB; }
    QLabel &UnitsLabel() const { return *FUnitsL; }

    // A command by name ("SaveCmd", "UndoCmd" ...), null when there is none.
    QAction *Command(const QString &name) const { return FCommands.value(name); }
    // Shows report page index (0 is the first of the report's pages).
    void ShowPage(int index);
    void Zoom(double scale);
    // Rebuilds the page tabs and shows Index: -1 the script, -2 the first page that is not
    // the data page, an index out of range the first page.
    void ReloadPages(int Index);
    void SwitchToCodeWindow();
    // Every caption, hint and tab text from the resource table (again after a language
    // switch).
    void UpdateCaptions();
    // Enabled and checked states of the commands, the caption and the status bar.
    void UpdateCommands();
    // The Preview command: the script compiled first (an error is shown at its place in
    // the script), then the run. False when nothing ran.
    bool PreviewReport();
    // Options, recent files, window and dock layout from / into the settings store.
    void RestoreState();
    void SaveState();
    // Closing is allowed (a modified report asks Save / Discard / Cancel).
    bool CloseQuery();

    // Runs the report for the Preview command (after the script compiled); without it the
    // designer shows a modal preview of its own.
    std::function<bool()> OnPreview;
    // After any change of the document's caption or state.
    std::function<void()> OnChanged;
    // A debugging run paused (true) or went on (false): a host shows the designer meanwhile.
    std::function<void(bool paused)> OnDebugPause;
    TkavScriptDebugger &Debugger() const { return *FDebugger; }
    TkavWatchForm &WatchForm() const { return *FWatchForm; }

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // kavDesgnForm.cpp: pages, code page, docks, state.
    void buildCentral();
    QWidget *buildCodePage();
    void buildDocks();
    void wireDocument();
    void pageTabChanged(int index);
    void pageChanged();
    void pagesChanged();
    void selectionChanged();
    void documentChanged();
    void scriptChanged();
    void reportTreeSelected(const QList<TkavComponent *> &objects);
    void defaultLayout();
    bool tabStripEvent(QEvent *event);
    bool scriptDropEvent(QEvent *event);
    void loadScriptFile();
    void saveScriptFile();
    void scriptLanguageChosen(int index);
    void showStatus();
    // kavDesgnFormCommands.cpp: the commands and their states.
    void buildCommands();
    QAction *addCommand(const QString &name, int image, const QKeySequence &keys, std::function<void()> run);
    void find(bool replace);
    void findNext();
    bool searchScript(bool replace);
    void deleteSelection();
    void selectAll();
    void pageSettings();
    // The "Data..." dialog; the data tree follows the chosen data sets.
    void reportData();
    // A standalone designer keeps named connections (its settings component says so).
    bool standalone() const;
    void editConnections();
    void reportOptions();
    // The styles editor: the report takes the edited set (one undo step).
    void reportStyles();
    // The variables editor; the data tree follows its changes.
    void editVariables();
    // The designer options dialog; the window follows the options taken (and saves them).
    void designerOptions();
    void applyOptions();
    void applyScriptFont();
    void applyColors();
    void about();
    void help();
    // kavDesgnFormDebug.cpp: script debugging.
    void buildDebugger();
    void updateDebugCommands();
    void debugPaused(int line, int column);
    void debugResumed();
    void evaluate();
    // The preview run itself (the Preview command and the debugger's runs).
    bool runPreview();
    // kavDesgnFormToolbars.cpp: tool bars, palette and status bar.
    void buildToolBars();
    void buildStandardTB();
    void buildTextTB();
    // A formatting button on bar, captioned by key; run gets the checked state.
    QAction *toolButton(QToolBar &bar, const char *name, const char16_t *key, int image, bool checkable,
                        std::function<void(bool)> run);
    void buildFrameTB();
    void buildAlignTB();
    void buildExtraTB();
    void buildStatusBar();
    void updatePalette();
    void updateFormatControls();
    void scaleChosen(const QString &text, int index);
    void armInsertion(const QString &className, int flags);
    QMenu *bandMenu(QWidget *owner);
    QMenu *pageTabMenu();

    TkavReport &FReport;
    TkavDesignerPanel *FPanel = nullptr;
    QTabBar *FPageTabs = nullptr;
    QStackedWidget *FStack = nullptr;
    TkavSyntaxMemo *FCodeWindow = nullptr;
    QComboBox *FLanguageCB = nullptr;
    TkavDataTreeForm *FDataTree = nullptr;
    TkavReportTreeForm *FReportTree = nullptr;
    QDockWidget *FInspectorDock = nullptr;
    QDockWidget *FDataTreeDock = nullptr;
    QDockWidget *FReportTreeDock = nullptr;
    QDockWidget *FWatchDock = nullptr;
    TkavWatchForm *FWatchForm = nullptr;
    std::unique_ptr<TkavScriptDebugger> FDebugger;
    QToolBar *FStandardTB = nullptr;
    QToolBar *FTextTB = nullptr;
    QToolBar *FFrameTB = nullptr;
    QToolBar *FAlignTB = nullptr;
    QToolBar *FExtraTB = nullptr;
    QToolBar *FObjectsTB = nullptr;
    QWidget *FPaletteOwner = nullptr; // what the palette of the page shown uses
    QComboBox *FScaleCB = nullptr;
    QComboBox *FStyleCB = nullptr;
    QComboBox *FFontSizeCB = nullptr;
    QComboBox *FFrameWidthCB = nullptr;
    QLabel *FUnitsL = nullptr;
    QLabel *FPositionL = nullptr;
    QLabel *FSizeL = nullptr;
    QLabel *FTextL = nullptr;
    QHash<QString, QAction *> FCommands;
    // Caption keys of the commands, the tool bars and the docks, for UpdateCaptions.
    QHash<QObject *, QString> FCaptionKeys;
    int FPressedTab = -1;
    bool FUpdatingTabs = false;
    bool FLoadingScript = false;
    // The search on the script page: the text, its options and where it goes on.
    QString FFindText;
    QString FReplaceText;
    bool FFindCase = false;
    bool FFindOnScript = false;
    bool FReplacing = false;
    bool FFound = false;
    int FScriptFindPos = 1;
};
