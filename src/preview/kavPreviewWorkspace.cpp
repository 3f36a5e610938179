#include "kavPreviewWorkspace.h"

#include "kavPreview.h"

#include <prepared/kavPaintUtils.h>
#include <prepared/kavPreviewPages.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleHints>
#include <QWheelEvent>

#include <algorithm>

namespace {

// Pages considered for painting around the one at the top of the view.
constexpr int pagesBefore = 60;
constexpr int pagesAfter = 340;

} // namespace

TkavPreviewWorkspace::TkavPreviewWorkspace(TkavPreview &Preview, bool IsThumbnail, QWidget *Parent)
    : QAbstractScrollArea(Parent)
    , FPreview(Preview)
    , FIsThumbnail(IsThumbnail)
{
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::StrongFocus);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(IsThumbnail ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
    verticalScrollBar()->setSingleStep(SmallChange);
    verticalScrollBar()->setPageStep(LargeChange);
    horizontalScrollBar()->setSingleStep(SmallChange);
    horizontalScrollBar()->setPageStep(LargeChange);
    viewport()->setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setCursor(IsThumbnail ? Qt::ArrowCursor : Qt::OpenHandCursor);
    SetColors(0x808080, 0x606060, 0x3CC7FF);
}

void TkavPreviewWorkspace::SetColors(TColor Back, TColor Frame, TColor ActiveFrame)
{
    FBackColor = kavColorToQColor(Back);
    FFrameColor = kavColorToQColor(Frame);
    FActiveFrameColor = kavColorToQColor(ActiveFrame);
    viewport()->update();
}

void TkavPreviewWorkspace::SetLocked(bool Value)
{
    FLocked = Value;
    viewport()->update();
}

bool TkavPreviewWorkspace::empty() const
{
    return !FPreviewPages || FPageList.Count() == 0;
}

int TkavPreviewWorkspace::LayoutWidth() const
{
    return viewport()->width() - 26;
}

void TkavPreviewWorkspace::CalcScrollRanges()
{
    const int width = FPageList.Count() ? FPageList.Right() + 10 : 0;
    const int height = FPageList.Count() ? FPageList.Bottom() + 10 : 0;
    horizontalScrollBar()->setRange(0, std::max(0, width - viewport()->width()));
    verticalScrollBar()->setRange(0, std::max(0, height - viewport()->height()));
    horizontalScrollBar()->setPageStep(std::max(LargeChange, viewport()->width()));
    verticalScrollBar()->setPageStep(std::max(LargeChange, viewport()->height()));
}

QPoint TkavPreviewWorkspace::Offset() const
{
    return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

void TkavPreviewWorkspace::SetOffset(QPoint Value)
{
    horizontalScrollBar()->setValue(Value.x());
    verticalScrollBar()->setValue(Value.y());
}

void TkavPreviewWorkspace::ScrollToPage(int PageN, int Top)
{
    if (PageN < 1 || PageN > FPageList.Count())
        return;
    const TkavPageItem &item = FPageList.Items(PageN - 1);
    verticalScrollBar()->setValue(item.OffsetY + Top - 10);
    // A page wider than the window keeps the horizontal position; others come into view.
    const int left = PageRect(PageN - 1).left() + Offset().x();
    if (left < horizontalScrollBar()->value()
        || left + item.Width > horizontalScrollBar()->value() + viewport()->width())
        horizontalScrollBar()->setValue(left - 10);
}

QRect TkavPreviewWorkspace::PageRect(int Index) const
{
    return FPageList.GetPageBounds(Index, LayoutWidth() + 20, FZoom, FRTL).translated(-Offset());
}

int TkavPreviewWorkspace::PageAt(QPoint Point) const
{
    if (empty())
        return -1;
    const QPoint at = Point + Offset();
    const int index = FPageList.FindPage(at.y(), std::max(1, FRTL ? LayoutWidth() + 20 - at.x() : at.x()));
    return PageRect(index).contains(Point) ? index : -1;
}

void TkavPreviewWorkspace::SetHit(int Index, const QRectF &Rect)
{
    FHitPage = Index;
    FHitRect = Rect;
    viewport()->update();
}

// ---------------------------------------------------------------------------------------
// Painting

void TkavPreviewWorkspace::paintEvent(QPaintEvent *)
{
    QPainter painter(viewport());
    const QRect client = viewport()->rect();
    if (FLocked || empty()) {
        painter.fillRect(client, FBackColor);
        return;
    }
    QElapsedTimer clock;
    clock.start();
    const int top = FPageList.FindPage(Offset().y());
    const int first = std::max(0, top - pagesBefore);
    const int last = std::min(FPageList.Count() - 1, top + pagesAfter);
    std::vector<std::pair<int, QRect>> visible;
    QRegion background(client);
    for (int i = first; i <= last; ++i) {
        const QRect rect = PageRect(i);
        if (rect.intersects(client)) {
            visible.emplace_back(i, rect);
            background -= rect;
        }
    }
    painter.setClipRegion(background);
    painter.fillRect(client, FBackColor);
    painter.setClipping(false);
    for (const auto &[index, rect] : visible) {
        if (index == FPageNo - 1)
            painter.fillRect(rect.adjusted(-3, -3, 3, 3), FActiveFrameColor);
        else
            painter.fillRect(rect.adjusted(-1, -1, 1, 1), FFrameColor);
    }
    for (const auto &[index, rect] : visible)
        paintPage(painter, index, rect);
    if (!visible.empty()) {
        ++FPagesPainted;
        FLastPaintMs = double(clock.nsecsElapsed()) / 1e6;
        FPreview.pagesPainted(*this);
    }
}

void TkavPreviewWorkspace::paintPage(QPainter &Painter, int Index, const QRect &Rect)
{
    Painter.save();
    if (Index == FPageNo - 1)
        Painter.fillRect(Rect.adjusted(-1, -1, 1, 1), FFrameColor);
    Painter.fillRect(Rect, Qt::white);
    Painter.setClipRect(Rect);
    FPreviewPages->DrawPage(Index, &Painter, FZoom, FZoom, Rect.left(), Rect.top());
    Painter.restore();
    if (FIsThumbnail) {
        QFont font(QStringLiteral("Arial"));
        font.setPixelSize(11);
        Painter.setFont(font);
        const QString number = QLatin1Char(' ') + QString::number(Index + 1) + QLatin1Char(' ');
        const QRect box = Painter.fontMetrics().boundingRect(number).translated(-Painter.fontMetrics().boundingRect(number).topLeft());
        const QRect label = box.translated(Rect.topLeft());
        Painter.fillRect(label, FBackColor);
        Painter.setPen(Qt::white);
        Painter.drawText(label, Qt::AlignCenter, number);
    }
    if (Index == FHitPage && !FHitRect.isEmpty()) {
        // The hit, widened by a pixel each side, shown inverted.
        const QRectF hit = FHitRect.translated(Rect.topLeft()).adjusted(-1, 0, 1, 0);
        Painter.save();
        Painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        Painter.fillRect(hit.toAlignedRect(), Qt::white);
        Painter.restore();
    }
}

void TkavPreviewWorkspace::resizeEvent(QResizeEvent *Event)
{
    QAbstractScrollArea::resizeEvent(Event);
    FPreview.workspaceResized(*this);
}

void TkavPreviewWorkspace::scrollContentsBy(int, int dy)
{
    viewport()->update();
    if (dy != 0)
        FPreview.workspaceScrolled(*this);
}

// ---------------------------------------------------------------------------------------
// Mouse and keys

void TkavPreviewWorkspace::startDrag(QPoint Pos)
{
    FDown = true;
    FDragged = false;
    FLastPoint = FDownPoint = Pos;
    if (!FIsThumbnail)
        viewport()->setCursor(Qt::ClosedHandCursor);
}

void TkavPreviewWorkspace::mousePressEvent(QMouseEvent *Event)
{
    setFocus(Qt::MouseFocusReason);
    if (FLocked || empty())
        return;
    FPreview.workspaceMouseDown(*this, *Event);
    if (Event->button() == Qt::LeftButton)
        startDrag(Event->position().toPoint());
}

void TkavPreviewWorkspace::mouseMoveEvent(QMouseEvent *Event)
{
    if (FLocked || empty())
        return;
    const QPoint pos = Event->position().toPoint();
    if (FDown) {
        if ((pos - FDownPoint).manhattanLength() >= QApplication::startDragDistance())
            FDragged = true;
        if (!FIsThumbnail) {
            const QPoint delta = pos - FLastPoint;
            SetOffset(Offset() - delta);
        }
        FLastPoint = pos;
        return;
    }
    if (!FIsThumbnail)
        FPreview.workspaceMouseMove(*this, *Event);
}

void TkavPreviewWorkspace::mouseReleaseEvent(QMouseEvent *Event)
{
    if (FLocked || empty()) {
        FDown = false;
        return;
    }
    const bool dragged = FDragged;
    FDown = false;
    FDragged = false;
    if (!FIsThumbnail)
        viewport()->setCursor(Qt::OpenHandCursor);
    // A click follows the double-click time of the previous one: a double click.
    const bool dbl = std::exchange(FDoublePress, false)
                     || (FClicked && FTimeOffset.isValid()
                         && FTimeOffset.elapsed() <= QGuiApplication::styleHints()->mouseDoubleClickInterval());
    FClicked = !dbl;
    FTimeOffset.start();
    FPreview.workspaceMouseUp(*this, *Event, dragged, dbl);
}

void TkavPreviewWorkspace::mouseDoubleClickEvent(QMouseEvent *Event)
{
    // The second press of a double click is a press like the first; its release is the
    // double click.
    mousePressEvent(Event);
    FDoublePress = true;
    if (!FLocked && !empty())
        FPreview.workspaceDblClick(*this);
}

void TkavPreviewWorkspace::wheelEvent(QWheelEvent *Event)
{
    if (FLocked || empty()) {
        Event->ignore();
        return;
    }
    const bool zoom = Event->modifiers() & Qt::ControlModifier;
    const QPoint pixels = Event->pixelDelta();
    const QPoint angle = Event->angleDelta();
    if (!zoom && !pixels.isNull()) {
        // Touchpads scroll by pixels.
        SetOffset(Offset() - pixels);
    } else if (angle.y() != 0) {
        FPreview.MouseWheelScroll(angle.y(), Event->modifiers() & Qt::ShiftModifier, zoom);
    } else if (angle.x() != 0) {
        FPreview.MouseWheelScroll(angle.x(), true, zoom);
    }
    Event->accept();
}

void TkavPreviewWorkspace::keyPressEvent(QKeyEvent *Event)
{
    if (!FPreview.handleKey(*Event))
        QAbstractScrollArea::keyPressEvent(Event);
}

void TkavPreviewWorkspace::leaveEvent(QEvent *Event)
{
    QAbstractScrollArea::leaveEvent(Event);
    FPreview.workspaceLeft(*this);
}
