// The mouse over prepared pages (report events, hints, hyperlinks, drill-down groups) and
// the report tabs that detail reports open in.

#include "kavPreview.h"

#include "kavPreviewOutline.h"
#include "kavPreviewWorkspace.h"

#include <persist/kavRes.h>
#include <persist/kavVariables.h>
#include <persist/kavXML.h>
#include <prepared/kavPreviewPages.h>
#include <report/kavFrames.h>
#include <report/kavPages.h>
#include <report/kavReport.h>
#include <report/kavViews.h>
#include <rtl/kavFormat.h>
#include <rtl/kavStreams.h>
#include <rtl/kavStrings.h>
#include <rtl/kavUIServices.h>

#include <QDesktopServices>
#include <QFileInfo>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTimer>
#include <QToolTip>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace {

// The platform's cursor numbers as Qt cursors (0: the workspace's own).
Qt::CursorShape cursorShape(int cursor)
{
    switch (cursor) {
    case -1: return Qt::BlankCursor;
    case -3: return Qt::CrossCursor;
    case -4: return Qt::IBeamCursor;
    case -6: return Qt::SizeBDiagCursor;
    case -7: return Qt::SizeVerCursor;
    case -8: return Qt::SizeFDiagCursor;
    case -9: return Qt::SizeHorCursor;
    case -10: return Qt::UpArrowCursor;
    case -11: return Qt::WaitCursor;
    case -12: return Qt::DragMoveCursor;
    case -13:
    case -18: return Qt::ForbiddenCursor;
    case -14: return Qt::SplitHCursor;
    case -15: return Qt::SplitVCursor;
    case -16: return Qt::DragCopyCursor;
    case -17:
    case -19: return Qt::BusyCursor;
    case -20: return Qt::WhatsThisCursor;
    case -21: return Qt::PointingHandCursor;
    case -22: return Qt::SizeAllCursor;
    default: return Qt::ArrowCursor;
    }
}

int buttonNumber(Qt::MouseButton button)
{
    return button == Qt::RightButton ? 1 : button == Qt::MiddleButton ? 2 : 0;
}

// The platform's shift-state bits: shift, alt, ctrl, left, right, middle, double.
int shiftState(const QMouseEvent &event, bool dbl)
{
    int shift = 0;
    const Qt::KeyboardModifiers mods = event.modifiers();
    const Qt::MouseButtons buttons = event.buttons() | event.button();
    if (mods & Qt::ShiftModifier)
        shift |= 1 << 0;
    if (mods & Qt::AltModifier)
        shift |= 1 << 1;
    if (mods & Qt::ControlModifier)
        shift |= 1 << 2;
    if (buttons & Qt::LeftButton)
        shift |= 1 << 3;
    if (buttons & Qt::RightButton)
        shift |= 1 << 4;
    if (buttons & Qt::MiddleButton)
        shift |= 1 << 5;
    if (dbl)
        shift |= 1 << 6;
    return shift;
}

} // namespace

std::function<bool(const QUrl &)> &TkavPreview::UrlOpener()
{
    static std::function<bool(const QUrl &)> opener = [](const QUrl &url) {
        return QDesktopServices::openUrl(url);
    };
    return opener;
}

// ---------------------------------------------------------------------------------------
// The mouse

void TkavPreview::workspaceMouseDown(TkavPreviewWorkspace &W, QMouseEvent &Event)
{
    if (&W == FWorkspace && OnMouseDown)
        OnMouseDown(Event);
}

void TkavPreview::workspaceMouseMove(TkavPreviewWorkspace &W, QMouseEvent &Event)
{
    objectOver(W, Event.position().toPoint(), 0, shiftState(Event, false), meMove);
}

void TkavPreview::workspaceMouseUp(TkavPreviewWorkspace &W, QMouseEvent &Event, bool Dragged, bool Double)
{
    if (&W == FWorkspace && OnClick)
        OnClick();
    const QPoint pos = Event.position().toPoint();
    const int page = W.PageAt(pos);
    if (page >= 0 && page + 1 != FPageNo)
        setPageNo(page + 1, &W);
    // Thumbnails only choose the page; a drag is no click.
    if (&W != FWorkspace || Event.button() == Qt::RightButton || Dragged)
        return;
    const int button = buttonNumber(Event.button());
    const int shift = shiftState(Event, Double);
    objectOver(W, pos, button, shift, meUp);
    objectOver(W, pos, button, shift, Double ? meDblClick : meClick);
}

void TkavPreview::workspaceDblClick(TkavPreviewWorkspace &W)
{
    if (&W == FWorkspace && OnDblClick)
        OnDblClick();
}

void TkavPreview::workspaceLeft(TkavPreviewWorkspace &W)
{
    if (&W != FWorkspace || !PreviewPages() || FRunning || FLocked)
        return;
    // A point beyond every object: the view the mouse was over gets its mouse-leave.
    PreviewPages()->ObjectOver(FPageNo - 1, -1000000, -1000000, 0, 0, W.Zoom(), 0, 0, meMove);
    QToolTip::hideText();
    setStatusText(QString());
}

int TkavPreview::objectOver(TkavPreviewWorkspace &W, QPoint Pos, int Button, int Shift, TkavMouseOverEvent Event)
{
    TkavCustomPreviewPages *store = PreviewPages();
    if (!store || FRunning || FLocked)
        return 0;
    const int page = W.PageAt(Pos);
    const QRect rect = page >= 0 ? W.PageRect(page) : QRect();
    const TkavObjectOver over
        = store->ObjectOver(page >= 0 ? page : FPageNo - 1,
                            page >= 0 ? Pos.x() : -1000000,
                            page >= 0 ? Pos.y() : -1000000,
                            Button, Shift, W.Zoom(), rect.left(), rect.top(), Event);
    W.viewport()->setCursor(over.Cursor == 0 ? Qt::OpenHandCursor : cursorShape(over.Cursor));
    setStatusText(!over.StatusText.isEmpty() ? over.StatusText : over.LongHint);
    if (UseReportHints() && !over.Hint.isEmpty())
        QToolTip::showText(W.viewport()->mapToGlobal(Pos), over.Hint, W.viewport());
    else
        QToolTip::hideText();
    if (over.Modified) {
        syncPageSizes(true);
        UpdateLayout();
    }
    if (over.Modified || over.Refresh)
        W.viewport()->update();
    if (over.DrillToggled) {
        // Run again from the event loop, once this mouse event is done.
        QTimer::singleShot(0, this, [this] { RefreshReport(); });
    } else if (over.FollowLink && over.View) {
        followLink(over);
    }
    return over.Cursor;
}

// ---------------------------------------------------------------------------------------
// Hyperlinks

void TkavPreview::followLink(const TkavObjectOver &Over)
{
    // A copy: following the link may rebuild the page that holds the view.
    TkavHyperlink link;
    link.Assign(Over.View->Hyperlink());
    const QString value = link.Value();
    switch (link.Kind()) {
    case hkURL:
        if (!value.trimmed().isEmpty())
            openURL(value.trimmed());
        break;
    case hkAnchor:
        if (TkavXMLItem *anchor = value.isEmpty() ? nullptr : PreviewPages()->FindAnchor(value))
            SetPosition(anchor->GetProp(u"page").toInt() + 1, anchor->GetProp(u"top").toInt());
        break;
    case hkPageNumber: {
        bool ok = false;
        const int page = value.trimmed().toInt(&ok);
        if (ok)
            SetPageNo(page);
        break;
    }
    case hkDetailReport:
        openDetailReport(link);
        break;
    case hkDetailPage:
        openDetailPage(link);
        break;
    case hkCustom:
        break;
    }
}

void TkavPreview::openURL(const QString &Value)
{
    QUrl url = QUrl::fromUserInput(Value);
    if (!url.isValid())
        return;
    // Web and mail links open at once; anything else (a local file, another scheme) may
    // start a program, so the user is asked first.
    const QString scheme = url.scheme().toLower();
    const bool safe = scheme == u"http" || scheme == u"https" || scheme == u"mailto";
    if (!safe
        && kavUIServices().ConfirmBox(Format(kavResourceTable().Get(u"clOpenLink"_s), {Variant(Value)}),
                                      TMsgDlgButtons{mbYes, mbNo})
               != mrYes)
        return;
    UrlOpener()(url);
}

void TkavPreview::openDetailReport(const TkavHyperlink &Link)
{
    TkavReport *current = Report();
    const QString name = Link.Value();
    if (!current || name.isEmpty())
        return;
    if (HasTab(name)) {
        SwitchToTab(name);
        return;
    }
    auto detail = std::make_unique<TkavReport>();
    detail->SetIniFile(current->IniFile());
    detail->EngineOptions().SetNewSilentMode(current->EngineOptions().NewSilentMode());
    bool loaded = false;
    if (const TkavReport::TkavLoadDetailTemplateEvent &load = current->OnLoadDetailTemplate()) {
        loaded = load(*detail, Link.DetailReport(), Link);
    } else if (!FTabItems.Items(FTabItems.CurTab()).LoadedFile && !current->FileName().isEmpty()) {
        // Only beside the template the pages came from: a prepared file from elsewhere
        // must not make the viewer run report files it names.
        const QString file = kavPathBesideReport(current, Link.DetailReport());
        if (QFileInfo(file).isFile()) {
            detail->SetReloading(true);
            loaded = detail->LoadFromFile(file) && detail->LastLoadOk();
            detail->SetReloading(false);
        }
    }
    if (!loaded)
        return;
    const QString variable = Link.ReportVariable();
    if (!variable.isEmpty() && detail->Variables().IndexOf(variable) >= 0)
        detail->Variables().SetVariable(variable, Variant(kavQuotedForScript(name, detail->ScriptLanguage())));
    detail->PrepareReport(true);
    TkavReport *report = detail.get();
    AddPreviewTab(report, name, Link.TabCaption(), std::move(detail));
}

void TkavPreview::openDetailPage(const TkavHyperlink &Link)
{
    TkavReport *current = Report();
    const QString name = Link.Value();
    if (!current || name.isEmpty() || FTabItems.Items(FTabItems.CurTab()).LoadedFile)
        return;
    if (HasTab(name)) {
        SwitchToTab(name);
        return;
    }
    if (!dynamic_cast<TkavReportPage *>(current->FindObject(Link.DetailPage())))
        return;
    // The page runs in a copy of the report, with pages of its own: the report shown in
    // the first tab keeps its pages.
    auto detail = std::make_unique<TkavReport>();
    TMemoryStream copy;
    current->SaveToStream(copy);
    copy.Seek(0, soBeginning);
    detail->SetReloading(true);
    detail->SetFileName(current->FileName());
    detail->LoadFromStream(copy);
    detail->SetReloading(false);
    detail->SetIniFile(current->IniFile());
    detail->EngineOptions().SetNewSilentMode(current->EngineOptions().NewSilentMode());
    auto *page = dynamic_cast<TkavReportPage *>(detail->FindObject(Link.DetailPage()));
    if (!page)
        return;
    const QString variable = Link.ReportVariable();
    if (!variable.isEmpty() && detail->Variables().IndexOf(variable) >= 0)
        detail->Variables().SetVariable(variable, Variant(kavQuotedForScript(name, detail->ScriptLanguage())));
    detail->PreparePage(page);
    TkavReport *report = detail.get();
    AddPreviewTab(report, name, Link.TabCaption(), std::move(detail));
}

// ---------------------------------------------------------------------------------------
// Tabs

void TkavPreview::AddPreviewTab(TkavReport *AReport,
                                const QString &TabName,
                                const QString &TabCaption,
                                std::unique_ptr<TkavReport> Owned)
{
    if (!AReport || FRunning)
        return;
    if (!FInitialized) {
        AReport->SetPreview(this);
        return;
    }
    storeCurrentTab();
    auto item = std::make_unique<TkavPreviewTabItem>();
    item->Name = TabName;
    item->Caption = TabCaption.isEmpty() ? TabName : TabCaption;
    item->Report = AReport;
    item->PreviewPages = AReport->PreviewPages();
    item->Zoom = FZoom;
    item->ZoomMode = FZoomMode;
    item->OwnedReport = std::move(Owned);
    const QString caption = item->Caption;
    FTabItems.Add(std::move(item));
    {
        const QSignalBlocker block(FTabs);
        FTabs->addTab(caption);
    }
    FTabs->setVisible(FTabItems.Count() >= 2);
    SetCurrentTab(FTabItems.Count() - 1);
}

void TkavPreview::AddPreviewTabOrSwitch(TkavReport *AReport, const QString &TabName, const QString &TabCaption)
{
    if (HasTab(TabName))
        SwitchToTab(TabName);
    else
        AddPreviewTab(AReport, TabName, TabCaption);
}

bool TkavPreview::HasTab(const QString &Name) const
{
    return FTabItems.IndexOf(Name) >= 0;
}

bool TkavPreview::HasTab(const TkavReport *AReport) const
{
    return FTabItems.IndexOf(AReport) >= 0;
}

void TkavPreview::SwitchToTab(const QString &Name)
{
    SetCurrentTab(FTabItems.IndexOf(Name));
}

void TkavPreview::SwitchToTab(const TkavReport *AReport)
{
    SetCurrentTab(FTabItems.IndexOf(AReport));
}

void TkavPreview::storeCurrentTab()
{
    const int cur = FTabItems.CurTab();
    if (cur < 0 || cur >= FTabItems.Count())
        return;
    TkavPreviewTabItem &item = FTabItems.Items(cur);
    item.Zoom = FZoom;
    item.ZoomMode = FZoomMode;
    item.PageNo = FPageNo;
    item.Left = FWorkspace->Offset().x();
    item.Top = FWorkspace->Offset().y();
    item.ThumbTop = FThumbnail->Offset().y();
}

void TkavPreview::attachReport(TkavReport *AReport)
{
    if (!AReport || AReport->Preview() == this)
        return;
    FCalledFromPreview = true;
    AReport->SetPreview(this);
    FCalledFromPreview = false;
}

void TkavPreview::SetCurrentTab(int Index)
{
    if (Index < 0 || Index >= FTabItems.Count() || FRunning)
        return;
    if (Index != FTabItems.CurTab())
        storeCurrentTab();
    TkavPreviewTabItem &item = FTabItems.Items(Index);
    FTabItems.SetCurTab(Index);
    {
        const QSignalBlocker block(FTabs);
        FTabs->setCurrentIndex(Index);
    }
    QToolTip::hideText(); // the hint belonged to the tab left
    attachReport(item.Report);
    SetReport(item.Report);
    SetPreviewPages(item.PreviewPages);
    FWorkspace->SetPreviewPages(item.PreviewPages);
    FThumbnail->SetPreviewPages(item.PreviewPages);
    FindTextClear();
    const int count = item.PreviewPages ? item.PreviewPages->Count() : 0;
    FPageNo = item.PageNo == 0 && count > 0 ? 1 : std::max(1, item.PageNo);
    FZoom = item.Zoom;
    FZoomMode = item.ZoomMode;
    syncPageSizes(true);
    UpdateLayout();
    FWorkspace->SetOffset({item.Left, item.Top});
    FThumbnail->SetOffset({0, item.ThumbTop});
    if (item.PageNo == 0)
        setPageNo(1, nullptr);
    rebuildOutline();
    pageChanged();
}

void TkavPreview::tabChanged(int Index)
{
    if (FRunning) {
        const QSignalBlocker block(FTabs);
        FTabs->setCurrentIndex(FTabItems.CurTab());
        return;
    }
    SetCurrentTab(Index);
}

void TkavPreview::tabCloseRequested(int Index)
{
    RemoveTab(Index);
}

void TkavPreview::RemoveTab(int TabIndex)
{
    // The first tab shows the report the preview was given: it stays.
    if (FRunning || TabIndex <= 0 || TabIndex >= FTabItems.Count())
        return;
    if (TabIndex == FTabItems.CurTab())
        SetCurrentTab(TabIndex - 1);
    std::unique_ptr<TkavPreviewTabItem> item = FTabItems.Take(TabIndex);
    if (FTabItems.CurTab() > TabIndex)
        FTabItems.SetCurTab(FTabItems.CurTab() - 1);
    {
        const QSignalBlocker block(FTabs);
        FTabs->removeTab(TabIndex);
        FTabs->setCurrentIndex(FTabItems.CurTab());
    }
    TkavReport *report = item->Report;
    if (report && !item->OwnedReport && FTabItems.IndexOf(report) < 0 && report->Preview() == this) {
        FCalledFromPreview = true;
        report->SetPreview(nullptr);
        FCalledFromPreview = false;
    }
    item.reset(); // an owned report goes now, detaching itself
    FTabs->setVisible(FTabItems.Count() >= 2);
    stateChanged();
}

void TkavPreview::ClearAllTabs()
{
    if (FRunning)
        return;
    FOutlineModel->SetRoot(nullptr);
    for (int i = 0; i < FTabItems.Count(); ++i) {
        TkavReport *report = FTabItems.Items(i).Report;
        if (report && report->Preview() == this && !FTabItems.Items(i).OwnedReport) {
            FCalledFromPreview = true;
            report->SetPreview(nullptr);
            FCalledFromPreview = false;
        }
    }
    {
        const QSignalBlocker block(FTabs);
        while (FTabs->count() > 0)
            FTabs->removeTab(0);
    }
    FTabItems.Clear();
    FTabItems.SetCurTab(-1);
    FTabs->hide();
    FInitialized = false;
    SetReport(nullptr);
    SetPreviewPages(nullptr);
    FWorkspace->SetPreviewPages(nullptr);
    FThumbnail->SetPreviewPages(nullptr);
    FPageSizes.clear();
    FWorkspace->PageList().Clear();
    FThumbnail->PageList().Clear();
    FWorkspace->CalcScrollRanges();
    FThumbnail->CalcScrollRanges();
    stateChanged();
}
