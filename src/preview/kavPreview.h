#pragma once

// TkavPreview: the control that shows prepared reports on screen. It never holds page
// objects: the store gives page sizes, draws pages and finds the objects under the mouse.
// Around the main workspace: report tabs, the outline tree or the page thumbnails, and a
// message panel with a Cancel button for runs.

#include "kavPreviewTabs.h"

#include <prepared/kavPreviewPages.h>
#include <report/kavCustomPreview.h>
#include <report/kavReportOptions.h>
#include <rtl/kavColors.h>

#include <QElapsedTimer>
#include <QPointer>
#include <QRectF>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class QFrame;
class QKeyEvent;
class QLabel;
class QMouseEvent;
class QPushButton;
class QSplitter;
class QTabBar;
class QTreeView;
class QUrl;
class TkavHyperlink;
class TkavCustomExportFilter;
class TkavOutlineModel;
class TkavPreviewWorkspace;
class TkavTextRecorder;

class TkavPreview : public QWidget, public TkavCustomPreview
{
public:
    // Zoom limits: typed and button zoom, and the wheel's floor.
    static constexpr double MinZoom = 0.25;
    static constexpr double MinWheelZoom = 0.3;
    static constexpr double MaxZoom = 10;

    explicit TkavPreview(QWidget *Parent = nullptr);
    ~TkavPreview() override;

    // --- the report's contract -------------------------------------------------------------
    bool Init(TkavReport *aReport, TkavCustomPreviewPages *aPrevPages) override;
    void UnInit(TkavCustomPreviewPages *aPreviewPages) override;
    void Lock() override;
    // Hides the message, clears the locks, lays the pages out and repaints.
    void Unlock() override;
    void RefreshReport() override;
    void InternalOnProgressStart(TkavReport *Sender, TkavProgressType ProgressType, int Progress) override;
    void InternalOnProgress(TkavReport *Sender, TkavProgressType ProgressType, int Progress) override;
    void InternalOnProgressStop(TkavReport *Sender, TkavProgressType ProgressType, int Progress) override;
    void ShowReportMessage(const QString &Text, bool IsHint) override;
    QObject *PreviewWindow() const override { return FPreviewForm; }
    // The window around the control when it is a preview window.
    void SetPreviewWindow(QObject *Value) { FPreviewForm = Value; }

    // --- paging and zoom ---------------------------------------------------------------------
    void First();
    void Prior();
    void Next();
    void Last();
    int PageNo() const { return FPageNo; }
    // Clamped to 1 ... PageCount; the page's top goes 10 pixels below the window top.
    void SetPageNo(int Value);
    int PageCount() const;
    double Zoom() const { return FZoom; }
    // Below MinZoom gives MinZoom; the zoom mode becomes zmDefault.
    void SetZoom(double Value);
    TkavZoomMode ZoomMode() const { return FZoomMode; }
    void SetZoomMode(TkavZoomMode Value);
    // Page PageN (clamped) with the point Top report pixels below its top margin 10 pixels
    // below the window top; GetTopPosition is the inverse for the current page.
    void SetPosition(int PageN, int Top);
    int GetTopPosition() const;
    // Zoom (Ctrl): a tenth per notch, not below MinWheelZoom; otherwise a scroll of 20
    // pixels per line against the sign of Delta (120 per notch), sideways when Horz.
    void MouseWheelScroll(int Delta, bool Horz, bool Zoom);

    // --- commands (refused while a run is in progress) ------------------------------------
    bool Print();
    // The export dialog for Filter, then the export; false when refused or cancelled.
    bool Export(TkavCustomExportFilter &Filter);
    bool SaveToFile();
    bool SaveToFile(const QString &FileName);
    bool LoadFromFile();
    bool LoadFromFile(const QString &FileName);
    void PageSetupDlg();
    // The current page in the designer (when the report's PreviewOptions allow editing and a
    // designer is installed); the changed page is written back. True when it was.
    bool Edit();
    // Whether Edit can open the designer now.
    bool CanEdit() const;
    void AddPage();
    void DeletePage();
    void Clear();
    // Stops the run in progress (also inside its script).
    void Cancel();
    void ShowMessage(const QString &Text);
    void HideMessage();

    // --- text search -------------------------------------------------------------------------
    // The search dialog, then the search.
    void Find();
    // Searches on from the last hit.
    bool FindNext();
    bool FindText(const QString &SearchString, bool FromTop, bool IsCaseSensitive);
    bool FindTextFound() const { return FFoundPage >= 0; }
    // 1-based page of the last hit, 0 for none.
    int FoundPage() const { return FFoundPage + 1; }
    // The last hit's box in report pixels of its page.
    const QRectF &FoundRect() const { return FFoundRect; }
    void FindTextClear();

    // --- tabs ----------------------------------------------------------------------------
    // Owned, when given, is the report the tab owns (AReport is then Owned.get()).
    void AddPreviewTab(TkavReport *AReport,
                       const QString &TabName,
                       const QString &TabCaption = QString(),
                       std::unique_ptr<TkavReport> Owned = nullptr);
    void AddPreviewTabOrSwitch(TkavReport *AReport, const QString &TabName, const QString &TabCaption = QString());
    bool HasTab(const QString &Name) const;
    bool HasTab(const TkavReport *AReport) const;
    void SwitchToTab(const QString &Name);
    void SwitchToTab(const TkavReport *AReport);
    void RemoveTab(int TabIndex);
    void ClearAllTabs();
    int TabCount() const { return FTabItems.Count(); }
    int CurrentTab() const { return FTabItems.CurTab(); }

    // --- panels and looks -------------------------------------------------------------------
    bool OutlineVisible() const { return FOutlineVisible; }
    void SetOutlineVisible(bool Value);
    bool ThumbnailVisible() const { return FThumbnailVisible; }
    void SetThumbnailVisible(bool Value);
    int OutlineWidth() const;
    void SetOutlineWidth(int Value);
    bool EachReportInTab() const { return FEachReportInTab; }
    void SetEachReportInTab(bool Value) { FEachReportInTab = Value; }
    void SetColors(TColor Back, TColor Frame, TColor ActiveFrame);

    // --- state ---------------------------------------------------------------------------
    bool Running() const { return FRunning; }
    bool Locked() const { return FLocked; }
    bool Refreshing() const { return FRefreshing; }
    // The first pass of a two-pass run is going on.
    bool FirstPass() const;
    // A print or export is going on (commands are refused meanwhile).
    bool Busy() const { return FBusy; }
    TkavPreviewWorkspace *Workspace() const { return FWorkspace; }
    TkavPreviewWorkspace *Thumbnail() const { return FThumbnail; }
    QTreeView *Outline() const { return FOutline; }
    QTabBar *Tabs() const { return FTabs; }
    QFrame *MessagePanel() const { return FMessagePanel; }
    QPushButton *CancelButton() const { return FCancelButton; }
    // The text of the status line: the hyperlink or hint under the mouse, report messages.
    const QString &StatusText() const { return FStatusText; }

    // Opens a web link (QDesktopServices; tests put a recorder in its place).
    static std::function<bool(const QUrl &)> &UrlOpener();

    // --- notifications -------------------------------------------------------------------
    std::function<void(int PageNo)> OnPageChanged;
    std::function<void()> OnClick;
    std::function<void()> OnDblClick;
    std::function<void(QMouseEvent &Event)> OnMouseDown;
    // Zoom, running state, panels, tabs or the page count changed: the window follows.
    std::function<void()> OnStateChanged;
    std::function<void(const QString &Text)> OnStatusText;
    // A page was painted once the first page of a run was complete (first time per run).
    std::function<void()> OnFirstPageShown;

protected:
    void resizeEvent(QResizeEvent *Event) override;
    void keyPressEvent(QKeyEvent *Event) override;

private:
    friend class TkavPreviewWorkspace;

    // Workspace callbacks.
    void workspaceResized(TkavPreviewWorkspace &W);
    void workspaceScrolled(TkavPreviewWorkspace &W);
    void workspaceMouseDown(TkavPreviewWorkspace &W, QMouseEvent &Event);
    void workspaceMouseMove(TkavPreviewWorkspace &W, QMouseEvent &Event);
    void workspaceMouseUp(TkavPreviewWorkspace &W, QMouseEvent &Event, bool Dragged, bool Double);
    void workspaceDblClick(TkavPreviewWorkspace &W);
    void workspaceLeft(TkavPreviewWorkspace &W);
    void pagesPainted(TkavPreviewWorkspace &W);
    bool handleKey(QKeyEvent &Event);

    // Laying out: zoom by mode, both page lists, scroll ranges.
    void UpdateLayout();
    // Page sizes of the store (report pixels) brought up to its page count; Reset reads
    // them all again.
    void syncPageSizes(bool Reset);
    // Appends the store's new pages to the main list during a run.
    void appendRunPages();
    // Pages From ... To - 1 of the sizes listed at Zoom, the rest of the list dropped.
    void fillList(TkavPreviewWorkspace &W, double Zoom, int From, int To);
    void setPageNo(int Value, TkavPreviewWorkspace *NoMove);
    void pageChanged();
    void stateChanged();
    void setStatusText(const QString &Text);
    void rebuildOutline();
    void outlineClicked(const QModelIndex &Index);
    void updatePanels();
    void placeMessagePanel();
    // Refuses while a run or a print is going on.
    bool refused() const;
    TkavPreviewPages *pages() const;

    // Mouse and links (kavPreviewLinks.cpp).
    int objectOver(TkavPreviewWorkspace &W, QPoint Pos, int Button, int Shift, TkavMouseOverEvent Event);
    void followLink(const TkavObjectOver &Over);
    void openURL(const QString &Value);
    void openDetailReport(const TkavHyperlink &Link);
    void openDetailPage(const TkavHyperlink &Link);
    void tabChanged(int Index);
    void tabCloseRequested(int Index);
    void SetCurrentTab(int Index);
    void storeCurrentTab();
    void attachReport(TkavReport *AReport);

    // Search (kavPreviewSearch.cpp).
    bool searchFrom(int StartPage, int AfterRecord);
    const TkavTextRecorder &pageRecording(int Index);
    void showHit(int Page, const QRectF &Rect);

    // Child controls (owned by Qt).
    QTabBar *FTabs = nullptr;
    QSplitter *FSplitter = nullptr;
    QTreeView *FOutline = nullptr;
    TkavPreviewWorkspace *FThumbnail = nullptr;
    TkavPreviewWorkspace *FWorkspace = nullptr;
    QFrame *FMessagePanel = nullptr;
    QLabel *FMessageLabel = nullptr;
    QPushButton *FCancelButton = nullptr;
    TkavOutlineModel *FOutlineModel = nullptr;

    QObject *FPreviewForm = nullptr;
    TkavPreviewTabs FTabItems;
    std::vector<QSize> FPageSizes; // report pixels, per page of the store
    int FPageNo = 1;
    double FZoom = 1;
    TkavZoomMode FZoomMode = zmDefault;
    bool FOutlineVisible = false;
    bool FThumbnailVisible = false;
    int FOutlineWidth = 120;
    bool FEachReportInTab = false;
    bool FInitialized = false;
    bool FCalledFromPreview = false;
    bool FLocked = false;
    bool FRunning = false;
    bool FRefreshing = false;
    bool FBusy = false;
    bool FDestroying = false;
    int FTick = 50;               // progress steps between list updates after the first 50
    QElapsedTimer FRunClock;      // since the run's first page began
    bool FFirstPageReported = false;
    QString FStatusText;

    // Search state.
    QString FSearchText;
    bool FCaseSensitive = false;
    bool FAllowF3 = false;
    int FFoundPage = -1;    // 0-based page of the last hit
    int FFoundRecord = -1;  // its record number on that page
    QRectF FFoundRect;      // its box in report pixels of the page
    std::unique_ptr<TkavTextRecorder> FRecording;
    int FRecordingPage = -1;
};
