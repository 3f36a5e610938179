#pragma once

// TkavPreviewWorkspace: a scrolled area that paints the pages of a prepared report in rows
// on a grey background and hands the mouse to its preview. The main workspace shows the
// pages at the preview's zoom; the thumbnail workspace shows all of them small.

#include "kavPreviewPageList.h"

#include <rtl/kavColors.h>

#include <QAbstractScrollArea>
#include <QElapsedTimer>
#include <QPoint>
#include <QRectF>

class TkavCustomPreviewPages;
class TkavPreview;

class TkavPreviewWorkspace : public QAbstractScrollArea
{
public:
    // Scrolling steps of the scroll bars, in pixels.
    static constexpr int LargeChange = 300;
    static constexpr int SmallChange = 8;

    TkavPreviewWorkspace(TkavPreview &Preview, bool IsThumbnail, QWidget *Parent);

    TkavPageList &PageList() { return FPageList; }
    const TkavPageList &PageList() const { return FPageList; }
    TkavCustomPreviewPages *PreviewPages() const { return FPreviewPages; }
    void SetPreviewPages(TkavCustomPreviewPages *Value) { FPreviewPages = Value; }
    bool IsThumbnail() const { return FIsThumbnail; }
    double Zoom() const { return FZoom; }
    void SetZoom(double Value) { FZoom = Value; }
    // 1-based current page.
    int PageNo() const { return FPageNo; }
    void SetPageNo(int Value) { FPageNo = Value; }
    bool Locked() const { return FLocked; }
    void SetLocked(bool Value);
    void SetColors(TColor Back, TColor Frame, TColor ActiveFrame);
    bool RightToLeft() const { return FRTL; }
    void SetRightToLeft(bool Value) { FRTL = Value; }

    // The width the page rows are laid out for: the client width less 26 pixels.
    int LayoutWidth() const;
    // Scroll ranges from the laid-out extent plus 10 pixels each way.
    void CalcScrollRanges();
    QPoint Offset() const;
    void SetOffset(QPoint Value);
    // Scrolls so that the point Top pixels (at the zoom) below page PageN's top is 10
    // pixels below the window top.
    void ScrollToPage(int PageN, int Top = 0);
    // Page Index in viewport coordinates.
    QRect PageRect(int Index) const;
    // The index of the page under a viewport point, -1 for none.
    int PageAt(QPoint Point) const;
    // A search hit on page Index (0-based), in page pixels at the zoom; Index -1 for none.
    void SetHit(int Index, const QRectF &Rect);
    int HitPage() const { return FHitPage; }
    // Times a real page was painted (tests and the command line wait for it).
    int PagesPainted() const { return FPagesPainted; }
    // Milliseconds of the last paint that drew pages.
    double LastPaintMs() const { return FLastPaintMs; }

protected:
    void paintEvent(QPaintEvent *Event) override;
    void resizeEvent(QResizeEvent *Event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent *Event) override;
    void mouseMoveEvent(QMouseEvent *Event) override;
    void mouseReleaseEvent(QMouseEvent *Event) override;
    void mouseDoubleClickEvent(QMouseEvent *Event) override;
    void wheelEvent(QWheelEvent *Event) override;
    void keyPressEvent(QKeyEvent *Event) override;
    void leaveEvent(QEvent *Event) override;

private:
    void paintPage(QPainter &Painter, int Index, const QRect &Rect);
    void startDrag(QPoint Pos);
    bool empty() const;

    TkavPreview &FPreview;
    TkavPageList FPageList;
    TkavCustomPreviewPages *FPreviewPages = nullptr; // not owned
    bool FIsThumbnail;
    double FZoom = 1;
    int FPageNo = 1;
    bool FLocked = false;
    bool FRTL = false;
    bool FDown = false;   // hand-drag in progress
    bool FDragged = false; // the pointer moved beyond the drag distance while down
    QPoint FLastPoint;
    QPoint FDownPoint;
    QElapsedTimer FTimeOffset; // since the last click
    bool FClicked = false;
    bool FDoublePress = false; // the press was the second of a double click
    QColor FBackColor;
    QColor FFrameColor;
    QColor FActiveFrameColor;
    int FHitPage = -1;
    QRectF FHitRect;
    int FPagesPainted = 0;
    double FLastPaintMs = 0;
};
