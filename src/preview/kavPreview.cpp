// The preview control: attaching reports, the progress of runs, laying pages out, paging,
// zooming, the side panels and the keys.

#include "kavPreview.h"

#include "kavPreviewOutline.h"
#include "kavPreviewWorkspace.h"

#include <persist/kavRes.h>
#include <persist/kavXML.h>
#include <prepared/kavTextRecorder.h>
#include <report/kavCustomEngine.h>
#include <report/kavReport.h>
#include <rtl/kavFormat.h>
#include <rtl/kavMath.h>
#include <rtl/kavUIServices.h>

#include <QApplication>
#include <QFileInfo>
#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QTabBar>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

QString res(const QString &key)
{
    return kavResourceTable().Get(key);
}

// Outlines up to this size open fully when the report asks for it; larger ones open their
// first level only, so that a bookmark per row does not freeze the window.
constexpr int expandAllLimit = 5000;

} // namespace

TkavPreview::TkavPreview(QWidget *Parent)
    : QWidget(Parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    FTabs = new QTabBar(this);
    FTabs->setDocumentMode(true);
    FTabs->setTabsClosable(true);
    FTabs->setExpanding(false);
    FTabs->setFixedHeight(std::max(22, FTabs->sizeHint().height()));
    FTabs->hide();
    connect(FTabs, &QTabBar::currentChanged, this, [this](int index) { tabChanged(index); });
    connect(FTabs, &QTabBar::tabCloseRequested, this, [this](int index) { tabCloseRequested(index); });
    layout->addWidget(FTabs);

    FSplitter = new QSplitter(Qt::Horizontal, this);
    FSplitter->setHandleWidth(4);
    FSplitter->setChildrenCollapsible(false);
    layout->addWidget(FSplitter, 1);

    FOutline = new QTreeView(FSplitter);
    FOutline->setFrameShape(QFrame::NoFrame);
    FOutline->setHeaderHidden(true);
    FOutline->setUniformRowHeights(true);
    FOutline->setContextMenuPolicy(Qt::CustomContextMenu);
    FOutlineModel = new TkavOutlineModel(FOutline);
    FOutline->setModel(FOutlineModel);
    connect(FOutline, &QTreeView::clicked, this, [this](const QModelIndex &i) { outlineClicked(i); });
    connect(FOutline, &QTreeView::activated, this, [this](const QModelIndex &i) { outlineClicked(i); });
    connect(FOutline, &QWidget::customContextMenuRequested, this, [this](QPoint at) {
        QMenu menu(FOutline);
        menu.addAction(res(u"601"_s), FOutline, &QTreeView::collapseAll);
        menu.addAction(res(u"600"_s), FOutline, &QTreeView::expandAll);
        menu.exec(FOutline->viewport()->mapToGlobal(at));
    });
    FOutline->hide();

    FThumbnail = new TkavPreviewWorkspace(*this, true, FSplitter);
    FThumbnail->SetZoom(0.1);
    FThumbnail->hide();
    FWorkspace = new TkavPreviewWorkspace(*this, false, FSplitter);
    FSplitter->setStretchFactor(2, 1);

    FMessagePanel = new QFrame(this);
    FMessagePanel->setFrameShape(QFrame::StyledPanel);
    FMessagePanel->setAutoFillBackground(true);
    FMessagePanel->setFixedSize(260, 75);
    auto *messageLayout = new QVBoxLayout(FMessagePanel);
    FMessageLabel = new QLabel(FMessagePanel);
    FMessageLabel->setAlignment(Qt::AlignCenter);
    FMessageLabel->setWordWrap(true);
    messageLayout->addWidget(FMessageLabel, 1);
    FCancelButton = new QPushButton(res(u"clCancel"_s), FMessagePanel);
    connect(FCancelButton, &QPushButton::clicked, this, [this] { Cancel(); });
    messageLayout->addWidget(FCancelButton, 0, Qt::AlignHCenter);
    FMessagePanel->hide();
    // Captions follow a language chosen while the preview is open.
    kavOnLanguageChanged(*this, [this] {
        FCancelButton->setText(res(u"clCancel"_s));
        for (int i = 0; i < FTabItems.Count() && i < FTabs->count(); ++i)
            if (FTabItems.Items(i).Name.isEmpty())
                FTabs->setTabText(i, res(u"100"_s));
    });
    setFocusProxy(FWorkspace);
    resize(100, 100);
}

TkavPreview::~TkavPreview()
{
    FDestroying = true;
    FOutlineModel->SetRoot(nullptr);
    // Reports shown here forget this control; owned ones go with their tabs.
    for (int i = 0; i < FTabItems.Count(); ++i) {
        TkavReport *report = FTabItems.Items(i).Report;
        if (report && report->Preview() == this)
            report->SetPreview(nullptr);
    }
    FTabItems.Clear();
}

TkavPreviewPages *TkavPreview::pages() const
{
    return dynamic_cast<TkavPreviewPages *>(PreviewPages());
}

int TkavPreview::PageCount() const
{
    return PreviewPages() ? PreviewPages()->Count() : 0;
}

bool TkavPreview::FirstPass() const
{
    return FRunning && Report() && Report()->Engine() && !Report()->Engine()->FinalPass();
}

bool TkavPreview::refused() const
{
    return FRunning || FBusy || !PreviewPages();
}

void TkavPreview::stateChanged()
{
    if (OnStateChanged)
        OnStateChanged();
}

void TkavPreview::pageChanged()
{
    if (OnPageChanged)
        OnPageChanged(FPageNo);
    stateChanged();
}

void TkavPreview::setStatusText(const QString &Text)
{
    if (Text == FStatusText)
        return;
    FStatusText = Text;
    if (OnStatusText)
        OnStatusText(Text);
}

// ---------------------------------------------------------------------------------------
// The report's contract

bool TkavPreview::Init(TkavReport *aReport, TkavCustomPreviewPages *aPrevPages)
{
    if (FCalledFromPreview || FDestroying || !aReport)
        return true;
    if (FInitialized && FEachReportInTab && FTabItems.IndexOf(aReport) < 0) {
        AddPreviewTabOrSwitch(aReport, aReport->ReportOptions().Name());
        return false;
    }
    FindTextClear();
    if (FInitialized) {
        // The report's own tab, else the first one, now shows it.
        int tab = FTabItems.IndexOf(aReport);
        if (tab < 0)
            tab = 0;
        TkavPreviewTabItem &item = FTabItems.Items(tab);
        item.Report = aReport;
        item.PreviewPages = aPrevPages;
        if (tab != FTabItems.CurTab())
            SetCurrentTab(tab);
        SetReport(aReport);
        SetPreviewPages(aPrevPages);
        FWorkspace->SetPreviewPages(aPrevPages);
        FThumbnail->SetPreviewPages(aPrevPages);
        return true;
    }
    QString name = QFileInfo(aReport->FileName()).fileName();
    if (name.isEmpty())
        name = aReport->ReportOptions().Name();
    auto item = std::make_unique<TkavPreviewTabItem>();
    item->Name = item->Caption = name;
    item->Report = aReport;
    item->PreviewPages = aPrevPages;
    FTabItems.Add(std::move(item));
    FTabItems.SetCurTab(0);
    {
        const QSignalBlocker block(FTabs);
        FTabs->addTab(name.isEmpty() ? res(u"100"_s) : name);
        FTabs->setTabButton(0, QTabBar::RightSide, nullptr);
        FTabs->setTabButton(0, QTabBar::LeftSide, nullptr);
    }
    FInitialized = true;
    SetReport(aReport);
    SetPreviewPages(aPrevPages);
    FWorkspace->SetPreviewPages(aPrevPages);
    FThumbnail->SetPreviewPages(aPrevPages);
    const TkavPreviewOptions &options = aReport->PreviewOptions();
    FOutlineWidth = options.OutlineWidth();
    FThumbnailVisible = options.ThumbnailVisible();
    FOutlineVisible = options.OutlineVisible() && !FThumbnailVisible;
    FZoomMode = options.ZoomMode();
    FZoom = std::clamp(options.Zoom(), MinZoom, MaxZoom);
    const bool rtl = options.RTLPreview() || layoutDirection() == Qt::RightToLeft;
    FWorkspace->SetRightToLeft(rtl);
    FThumbnail->SetRightToLeft(rtl);
    updatePanels();
    syncPageSizes(true);
    UpdateLayout();
    rebuildOutline();
    setPageNo(1, nullptr);
    return true;
}

void TkavPreview::UnInit(TkavCustomPreviewPages *aPreviewPages)
{
    if (FDestroying)
        return;
    for (int i = FTabItems.Count() - 1; i >= 0; --i) {
        if (FTabItems.Items(i).PreviewPages != aPreviewPages)
            continue;
        const bool current = i == FTabItems.CurTab();
        auto item = FTabItems.Take(i);
        item->Report = nullptr; // the report is going away: nothing may reach it
        const QSignalBlocker block(FTabs);
        FTabs->removeTab(i);
        if (FTabItems.CurTab() >= i)
            FTabItems.SetCurTab(std::max(0, FTabItems.CurTab() - 1));
        if (current) {
            SetReport(nullptr);
            SetPreviewPages(nullptr);
            FWorkspace->SetPreviewPages(nullptr);
            FThumbnail->SetPreviewPages(nullptr);
            FOutlineModel->SetRoot(nullptr);
        }
    }
    if (FTabItems.Count() == 0) {
        FInitialized = false;
        FTabItems.SetCurTab(-1);
        FPageSizes.clear();
        FWorkspace->PageList().Clear();
        FThumbnail->PageList().Clear();
        FWorkspace->CalcScrollRanges();
        FThumbnail->CalcScrollRanges();
        FRunning = false;
    } else if (!PreviewPages()) {
        SetCurrentTab(FTabItems.CurTab());
    }
    FTabs->setVisible(FTabItems.Count() >= 2);
    FWorkspace->viewport()->update();
    FThumbnail->viewport()->update();
    stateChanged();
}

void TkavPreview::Lock()
{
    FLocked = true;
    FWorkspace->SetLocked(true);
    FThumbnail->SetLocked(true);
}

void TkavPreview::Unlock()
{
    HideMessage();
    FLocked = false;
    FWorkspace->SetLocked(false);
    FThumbnail->SetLocked(false);
    syncPageSizes(true);
    UpdateLayout();
}

void TkavPreview::InternalOnProgressStart(TkavReport *Sender, TkavProgressType, int)
{
    if (Sender != Report())
        return;
    FRunning = true;
    FFirstPageReported = false;
    ShowMessage(Format(res(FirstPass() ? u"prRunningFirst"_s : u"prRunning"_s), {Variant(1)}));
    if (!FRefreshing) {
        if (FTabItems.CurTab() >= 0)
            FTabItems.Items(FTabItems.CurTab()).LoadedFile = false;
        // The store was emptied by the report when it asked to; the lists start again.
        FindTextClear();
        Sender->DrillState().Clear();
        FOutlineModel->SetRoot(nullptr);
        FPageSizes.clear();
        FWorkspace->PageList().Clear();
        FThumbnail->PageList().Clear();
        FWorkspace->CalcScrollRanges();
        FThumbnail->CalcScrollRanges();
        FPageNo = 1;
        FWorkspace->SetPageNo(1);
        FThumbnail->SetPageNo(1);
        FWorkspace->viewport()->update();
        FThumbnail->viewport()->update();
    } else {
        FOutlineModel->SetRoot(nullptr);
    }
    stateChanged();
}

void TkavPreview::InternalOnProgress(TkavReport *Sender, TkavProgressType, int Progress)
{
    if (Sender != Report())
        return;
    if (FRefreshing) {
        pageChanged();
        return;
    }
    const bool finalPass = !FirstPass();
    FMessageLabel->setText(Format(res(finalPass ? u"prRunning"_s : u"prRunningFirst"_s), {Variant(Progress + 1)}));
    // A preview window has its own Cancel: the panel goes once the first page shows.
    if (finalPass && Progress >= 1 && FPreviewForm && FMessagePanel->isVisible())
        HideMessage();
    if (finalPass && Progress < 50)
        appendRunPages();
    if (Progress == 0) {
        FRunClock.start();
        if (finalPass) {
            setPageNo(1, nullptr);
            UpdateLayout();
        }
    } else if (Progress == 1) {
        // A fast first page means a fast run: the list needs updating less often.
        const qint64 ms = FRunClock.isValid() ? FRunClock.elapsed() : 0;
        FTick = ms <= 4 ? 50 : ms > 9 ? 5 : 20;
        if (finalPass) {
            setPageNo(1, nullptr);
            UpdateLayout();
        }
    } else if (Progress % FTick == 0) {
        if (finalPass && Progress >= 50)
            appendRunPages();
        pageChanged();
    }
    if (!finalPass)
        stateChanged(); // the status line counts the first pass
    kavUIServices().ProcessMessages();
}

void TkavPreview::InternalOnProgressStop(TkavReport *Sender, TkavProgressType, int)
{
    if (Sender != Report())
        return;
    FRunning = false;
    HideMessage();
    if (!FRefreshing) {
        syncPageSizes(true);
        UpdateLayout();
        rebuildOutline();
        if (FPageNo > PageCount())
            setPageNo(1, nullptr);
        FWorkspace->viewport()->update();
    }
    pageChanged();
}

void TkavPreview::ShowReportMessage(const QString &Text, bool IsHint)
{
    if (IsHint)
        FWorkspace->setToolTip(Text);
    else
        setStatusText(Text);
}

// ---------------------------------------------------------------------------------------
// Laying out

void TkavPreview::syncPageSizes(bool Reset)
{
    TkavCustomPreviewPages *store = PreviewPages();
    const int count = store ? store->Count() : 0;
    if (Reset)
        FPageSizes.clear();
    // The page being filled may still change its size (an endless page): read it again.
    if (!FPageSizes.empty() && FRunning)
        FPageSizes.pop_back();
    for (int i = int(FPageSizes.size()); i < count; ++i) {
        const QPoint size = store->GetPageSize(i);
        FPageSizes.emplace_back(size.x(), size.y());
    }
}

void TkavPreview::fillList(TkavPreviewWorkspace &W, double Zoom, int From, int To)
{
    TkavPageList &list = W.PageList();
    list.Truncate(From);
    for (int i = From; i < To; ++i)
        list.AddPage(int(kavRound(FPageSizes[size_t(i)].width() * Zoom)),
                     int(kavRound(FPageSizes[size_t(i)].height() * Zoom)));
    list.CalcBounds(W.LayoutWidth(), From);
    W.CalcScrollRanges();
}

void TkavPreview::appendRunPages()
{
    syncPageSizes(false);
    // The last listed page may have been the one being filled: it is listed again.
    const int from = std::max(0, std::min(FWorkspace->PageList().Count(), int(FPageSizes.size())) - 1);
    fillList(*FWorkspace, FZoom, from, int(FPageSizes.size()));
    FWorkspace->viewport()->update();
}

void TkavPreview::UpdateLayout()
{
    if (FLocked || !PreviewPages() || PageCount() == 0 || FPageSizes.empty())
        return;
    // The search goes on after a new layout; its hit is shown at the new zoom.
    FRecording.reset();
    FRecordingPage = -1;
    const QSize size = FPageSizes[size_t(std::clamp(FPageNo, 1, int(FPageSizes.size())) - 1)];
    const int width = FWorkspace->LayoutWidth();
    const int height = FWorkspace->viewport()->height() - 26;
    const double oldZoom = FWorkspace->Zoom();
    const int topPosition = GetTopPosition();
    if (size.width() > 0 && size.height() > 0) {
        if (FZoomMode == zmWholePage) {
            if (double(size.height()) / std::max(1, height + 26) >= double(size.width()) / std::max(1, width + 26))
                FZoom = double(height) / size.height();
            else
                FZoom = double(width) / size.width();
        } else if (FZoomMode == zmPageWidth) {
            FZoom = double(width) / size.width();
        }
    }
    // Offsets stay within the scroll bars' range however many pages there are.
    double total = 0;
    for (const QSize &s : FPageSizes)
        total += s.height() + 10;
    const double limit = std::min(MaxZoom, 2.0e9 / std::max(1.0, total));
    FZoom = std::clamp(FZoom, std::min(MinZoom, limit), limit);
    FWorkspace->SetZoom(FZoom);
    // While a run goes on only the pages listed so far are shown, and no thumbnails.
    const int listed = FRunning ? std::min(FWorkspace->PageList().Count(), int(FPageSizes.size()))
                                : int(FPageSizes.size());
    fillList(*FWorkspace, FZoom, 0, listed);
    if (!FRunning)
        fillList(*FThumbnail, FThumbnail->Zoom(), 0, int(FPageSizes.size()));
    if (FFoundPage >= 0)
        FWorkspace->SetHit(FFoundPage,
                           QRectF(FFoundRect.topLeft() * FZoom, FFoundRect.size() * FZoom));
    // The view stays on the same place of the current page when the zoom changed.
    if (FZoomMode == zmWholePage)
        FWorkspace->ScrollToPage(FPageNo);
    else if (std::abs(oldZoom - FZoom) > 1e-9)
        SetPosition(FPageNo, topPosition);
    if (!FRefreshing) {
        FWorkspace->viewport()->update();
        FThumbnail->viewport()->update();
    }
    stateChanged();
}

// ---------------------------------------------------------------------------------------
// Paging and zoom

void TkavPreview::First()
{
    SetPageNo(1);
}

void TkavPreview::Prior()
{
    SetPageNo(FPageNo - 1);
}

void TkavPreview::Next()
{
    SetPageNo(FPageNo + 1);
}

void TkavPreview::Last()
{
    SetPageNo(PageCount());
}

void TkavPreview::SetPageNo(int Value)
{
    setPageNo(Value, nullptr);
}

void TkavPreview::setPageNo(int Value, TkavPreviewWorkspace *NoMove)
{
    const int count = std::max(1, std::min(PageCount(), FWorkspace->PageList().Count()));
    const int page = std::clamp(Value, 1, count);
    const bool changed = page != FPageNo;
    FPageNo = page;
    FWorkspace->SetPageNo(page);
    FThumbnail->SetPageNo(page);
    if (changed) {
        FWorkspace->viewport()->update();
        FThumbnail->viewport()->update();
    }
    if (NoMove != FWorkspace)
        FWorkspace->ScrollToPage(page);
    if (NoMove != FThumbnail && FThumbnail->isVisible())
        FThumbnail->ScrollToPage(page);
    pageChanged();
}

void TkavPreview::SetZoom(double Value)
{
    FZoom = std::clamp(Value, MinZoom, MaxZoom);
    FZoomMode = zmDefault;
    UpdateLayout();
}

void TkavPreview::SetZoomMode(TkavZoomMode Value)
{
    FZoomMode = Value;
    UpdateLayout();
}

void TkavPreview::SetPosition(int PageN, int Top)
{
    const int count = FWorkspace->PageList().Count();
    if (count == 0)
        return;
    const int page = std::clamp(PageN, 1, count);
    const double margin = pages() && pages()->GetPage(page - 1)
                              ? pages()->GetPage(page - 1)->TopMargin() * kavMMToPixels
                              : 0;
    setPageNo(page, FWorkspace);
    FWorkspace->ScrollToPage(page, int(kavRound((margin + Top) * FZoom)));
}

int TkavPreview::GetTopPosition() const
{
    const TkavPageList &list = FWorkspace->PageList();
    if (FPageNo < 1 || FPageNo > list.Count() || FWorkspace->Zoom() <= 0)
        return 0;
    const double margin = pages() && FPageNo <= PageCount() && !FRunning
                              ? pages()->GetPage(FPageNo - 1)->TopMargin() * kavMMToPixels
                              : 0;
    const int fromTop = FWorkspace->Offset().y() + 10 - list.Items(FPageNo - 1).OffsetY;
    return int(kavRound(fromTop / FWorkspace->Zoom() - margin));
}

void TkavPreview::MouseWheelScroll(int Delta, bool Horz, bool Zoom)
{
    if (Delta == 0)
        return;
    if (Zoom) {
        const double zoom = std::max(MinWheelZoom, FZoom + (Delta > 0 ? 0.1 : -0.1));
        SetZoom(zoom);
        return;
    }
    // One line of 20 pixels, as many lines per notch as the desktop scrolls.
    const int pixels = int(std::lround(Delta / 120.0 * 20 * QApplication::wheelScrollLines()));
    QPoint offset = FWorkspace->Offset();
    (Horz ? offset.rx() : offset.ry()) -= pixels;
    FWorkspace->SetOffset(offset);
}

// ---------------------------------------------------------------------------------------
// Panels and outline

void TkavPreview::updatePanels()
{
    FOutline->setVisible(FOutlineVisible);
    FThumbnail->setVisible(FThumbnailVisible);
    const int side = FOutlineVisible || FThumbnailVisible ? FOutlineWidth : 0;
    FSplitter->setSizes({FOutlineVisible ? side : 0, FThumbnailVisible ? side : 0,
                         std::max(100, width() - side - FSplitter->handleWidth())});
}

void TkavPreview::SetOutlineVisible(bool Value)
{
    if (Value == FOutlineVisible)
        return;
    FOutlineVisible = Value;
    if (Value)
        FThumbnailVisible = false;
    updatePanels();
    UpdateLayout();
    stateChanged();
}

void TkavPreview::SetThumbnailVisible(bool Value)
{
    if (Value == FThumbnailVisible)
        return;
    FThumbnailVisible = Value;
    if (Value)
        FOutlineVisible = false;
    updatePanels();
    UpdateLayout();
    if (Value)
        FThumbnail->ScrollToPage(FPageNo);
    stateChanged();
}

int TkavPreview::OutlineWidth() const
{
    if (FOutline->isVisible())
        return FOutline->width();
    if (FThumbnail->isVisible())
        return FThumbnail->width();
    return FOutlineWidth;
}

void TkavPreview::SetOutlineWidth(int Value)
{
    FOutlineWidth = std::max(40, Value);
    updatePanels();
}

void TkavPreview::SetColors(TColor Back, TColor Frame, TColor ActiveFrame)
{
    FWorkspace->SetColors(Back, Frame, ActiveFrame);
    FThumbnail->SetColors(Back, Frame, ActiveFrame);
}

void TkavPreview::rebuildOutline()
{
    TkavPreviewPages *store = pages();
    TkavXMLItem *root = nullptr;
    if (store && !FRunning) {
        const int at = store->XMLDoc().Root()->Find(u"outline");
        if (at >= 0)
            root = store->XMLDoc().Root()->Items(at);
    }
    FOutlineModel->SetRoot(root);
    if (root && Report() && Report()->PreviewOptions().OutlineExpand()) {
        if (FOutlineModel->CountEntries(expandAllLimit + 1) <= expandAllLimit)
            FOutline->expandAll();
        else
            FOutline->expandToDepth(0);
    }
    FOutline->scrollToTop();
}

void TkavPreview::outlineClicked(const QModelIndex &Index)
{
    if (!Index.isValid() || FRunning)
        return;
    SetPosition(Index.data(TkavOutlineModel::PageRole).toInt(),
                Index.data(TkavOutlineModel::TopRole).toInt());
}

// ---------------------------------------------------------------------------------------
// Workspaces

void TkavPreview::resizeEvent(QResizeEvent *Event)
{
    QWidget::resizeEvent(Event);
    placeMessagePanel();
}

void TkavPreview::placeMessagePanel()
{
    FMessagePanel->move((width() - FMessagePanel->width()) / 2,
                        std::max(0, height() / 3 - FMessagePanel->height() / 2));
    FMessagePanel->raise();
}

void TkavPreview::workspaceResized(TkavPreviewWorkspace &W)
{
    if (&W == FWorkspace || !FRunning)
        UpdateLayout();
}

void TkavPreview::workspaceScrolled(TkavPreviewWorkspace &W)
{
    if (&W != FWorkspace || W.PageList().Count() == 0)
        return;
    const int page = W.PageList().FindPage(W.Offset().y()) + 1;
    if (page != FPageNo)
        setPageNo(page, FWorkspace);
}

void TkavPreview::pagesPainted(TkavPreviewWorkspace &W)
{
    if (&W != FWorkspace || FFirstPageReported)
        return;
    // The first page is complete once a second one began, or the run is over.
    if (FRunning && PageCount() < 2)
        return;
    FFirstPageReported = true;
    if (OnFirstPageShown)
        OnFirstPageShown();
}

void TkavPreview::keyPressEvent(QKeyEvent *Event)
{
    if (!handleKey(*Event))
        QWidget::keyPressEvent(Event);
}

bool TkavPreview::handleKey(QKeyEvent &Event)
{
    const bool ctrl = Event.modifiers() & Qt::ControlModifier;
    const TkavPreviewButtons buttons = Report() ? Report()->PreviewOptions().Buttons()
                                                : kavPreviewDefaultButtons;
    QPoint offset = FWorkspace->Offset();
    switch (Event.key()) {
    case Qt::Key_Up:
        offset.ry() -= TkavPreviewWorkspace::SmallChange;
        break;
    case Qt::Key_Down:
        offset.ry() += TkavPreviewWorkspace::SmallChange;
        break;
    case Qt::Key_Left:
        offset.rx() -= TkavPreviewWorkspace::SmallChange;
        break;
    case Qt::Key_Right:
        offset.rx() += TkavPreviewWorkspace::SmallChange;
        break;
    case Qt::Key_PageUp:
        if (ctrl)
            Prior();
        else
            offset.ry() -= TkavPreviewWorkspace::LargeChange;
        break;
    case Qt::Key_PageDown:
        if (ctrl)
            Next();
        else
            offset.ry() += TkavPreviewWorkspace::LargeChange;
        break;
    case Qt::Key_Home:
        First();
        return true;
    case Qt::Key_End:
        Last();
        return true;
    case Qt::Key_F3:
        if (buttons.Contains(pbFind))
            FindNext();
        return true;
    case Qt::Key_P:
    case Qt::Key_S:
    case Qt::Key_F:
    case Qt::Key_O:
        if (!ctrl)
            return false;
        if (Event.key() == Qt::Key_P && buttons.Contains(pbPrint))
            Print();
        else if (Event.key() == Qt::Key_S && buttons.Contains(pbSave))
            SaveToFile();
        else if (Event.key() == Qt::Key_F && buttons.Contains(pbFind))
            Find();
        else if (Event.key() == Qt::Key_O && buttons.Contains(pbLoad))
            LoadFromFile();
        return true;
    default:
        return false;
    }
    if ((Event.key() == Qt::Key_PageUp || Event.key() == Qt::Key_PageDown) && ctrl)
        return true;
    FWorkspace->SetOffset(offset);
    return true;
}
