#pragma once

// WorkspaceController: the editing logic of the designer's page surface without any widget.
// It turns presses, moves, releases, keys and drops (in report pixels of the page shown)
// into selection changes and edits of the document; every edit ends in the document's
// modification routine, so it can be undone. The widget only translates events and paints.

#include <designer/document/kavDesgnSettings.h>
#include <report/kavComponent.h>
#include <rtl/kavSet.h>

#include <QHash>
#include <QLineF>
#include <QList>
#include <QSizeF>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <utility>
#include <QStringList>

#include <functional>

class DesignerDocument;
class TkavBand;
class TkavCustomMemoView;
class TkavDataSet;
class TkavReportPage;

// Which sizing handle is under the mouse: 0 none, 1 top-left, 2 bottom-right, 3 top-right,
// 4 bottom-left, 5 right middle, 6 left middle, 7 top middle, 8 bottom middle; 9 and 10
// the bottom edge of a band and the right edge of a vertical band.
using TkavCursorType = int;

enum TkavDesignTool : int {
    dtSelect,
    dtHand,
    dtZoom,
    dtText,
    dtFormat
};

// Keyboard and mouse state of an input event.
enum TShiftStateFlag : int {
    ssShift,
    ssAlt,
    ssCtrl,
    ssLeft,
    ssRight,
    ssMiddle,
    ssDouble
};
using TShiftState = TkavSet<TShiftStateFlag>;

enum TMouseButton : int {
    mbLeft,
    mbRight,
    mbMiddle
};

// An insertion armed by the tool bar or a drag from the data tree (unscaled pixels).
struct TkavInsertion
{
    QString ComponentClass; // empty: not inserting
    double Left = 0;
    double Top = 0;
    double Width = 0;
    double Height = 0;
    double OriginalWidth = 0;
    double OriginalHeight = 0;
    quint16 Flags = 0;
};

// One item handed over by the data tree.
struct TkavDropItem
{
    QString Text;                 // "<DS."Field">", "<Page#>", "Name(,)" ...; may be empty
    TkavDataSet *DataSet = nullptr; // a data set item (Text empty) or the field's data set
    bool IsDataField = false;     // the item comes from the data tab
};

struct TkavDropOptions
{
    bool InsertField = true;
    bool InsertCaption = false;
};

// Rounded to 8 decimal places, as positions are stored.
double kavRoundTo8(double value);
// The name a dropped item's text gives its memo: letters, digits and "_" kept (the first
// only a letter or "_"); "Memo" when too little is left or it would not be an identifier.
QString kavDropItemName(const QString &text);

class WorkspaceController
{
public:
    // The two mode enumerations live here: the duplex modes of pages take dmNone too.
    enum TkavDesignMode : int {
        dmSelect,
        dmInsert,
        dmDrag
    };

    enum TkavDesignMode1 : int {
        dmNone,
        dmMove,
        dmSize,
        dmSizeBand,
        dmScale,
        dmInplaceEdit,
        dmSelectionRect,
        dmInsertObject,
        dmInsertLine,
        dmMoveGuide,
        dmContainer
    };

    // What the widget is told; each may be left empty.
    struct Hooks
    {
        std::function<void()> Repaint;
        std::function<void(const TkavRect &)> NotifyPosition;
        // Open the in-place editor on memo (the widget places and fills it).
        std::function<void(TkavCustomMemoView *)> InplaceEdit;
        // Close an open in-place editor, committing a changed text.
        std::function<void()> CloseInplace;
        std::function<void(QPointF)> PopupMenu;
        // Zoom and scroll for the zoom and hand tools (scale, scroll position of the point
        // to bring to the top left, in screen pixels).
        std::function<void(double scale, QPointF scrollTo)> ZoomTo;
        // Scrolls by delta (screen pixels); returns which axes actually moved.
        std::function<std::pair<bool, bool>(QPointF delta)> ScrollBy;
        // The visible size of the surface's scroll box (screen pixels).
        std::function<QSizeF()> ViewportSize;
        // The field list of a data memo (its names, the current one).
        std::function<void(TkavCustomMemoView *, const QStringList &, const QString &)> FieldList;
    };

    explicit WorkspaceController(DesignerDocument &Document);
    WorkspaceController(const WorkspaceController &) = delete;
    WorkspaceController &operator=(const WorkspaceController &) = delete;

    DesignerDocument &Document() const { return FDocument; }
    Hooks &ViewHooks() { return FHooks; }
    // The page shown (the document's), null for the script.
    TkavComponent *Page() const;
    // All objects of the page, bands first; rebuilt on every call that needs it.
    QList<TkavComponent *> Objects() const;

    // --- settings ------------------------------------------------------------------------
    TkavDesignMode1 Mode() const { return FMode1; }
    TkavDesignMode DesignMode() const { return FMode; }
    TkavCursorType CursorType() const { return FCT; }
    TkavGridType GridType() const;
    double GridX() const;
    double GridY() const;
    bool GridAlign() const;
    double BandHeader() const;
    bool FreeBandsPlacement() const;
    int GapBetweenBands() const;
    bool ShowGuides() const;
    double Scale() const;
    TkavDesignTool Tool() const { return FTool; }
    void SetTool(TkavDesignTool Value);
    bool IsMouseDown() const { return FMouseDown; }
    const TkavInsertion &Insertion() const { return FInsertion; }
    // The selection rectangle while one is dragged (normalised, page pixels).
    QRectF SelectionRect() const { return FSelectionRect.normalized(); }
    // The memo whose field list marker is shown, or null.
    TkavCustomMemoView *HoveredMemo() const;
    // The guide under the pointer is a vertical one (while Mode is dmMoveGuide).
    bool GuideVertical() const { return FGuide.Vertical; }
    // Edges of other objects lined up with the moving ones.
    const QList<QLineF> &VirtualGuides() const { return FVirtualGuides; }
    void DisableUpdate();
    void EnableUpdate() { FDisableUpdate = false; }

    // --- input (page pixels) -----------------------------------------------------------------
    void MouseDown(TMouseButton Button, TShiftState Shift, QPointF P);
    void MouseMove(TShiftState Shift, QPointF P);
    void MouseUp(TMouseButton Button, TShiftState Shift, QPointF P);
    void DblClick(QPointF P);
    // Keys as Qt key codes; true when the key was taken.
    bool KeyDown(int Key, TShiftState Shift);
    void KeyUp(int Key, TShiftState Shift);

    // --- commands -----------------------------------------------------------------------------
    // Arms (non-empty class) or disarms insertion.
    void SetInsertion(const QString &AClass, double AWidth, double AHeight, int AFlag);
    void DeleteObjects();
    void EditObject();
    void GroupObjects();
    void UngroupObjects();
    // Stacks the bands of the page (unless placed freely) and puts them first in Objects.
    void AdjustBands(bool AttachObjects = true);
    // Starts a move of the selection as if pressed 20 pixels inside its top-left corner.
    void SimulateMove();
    // The in-place editor's text of memo, and its result (resized: new size in page pixels).
    static QString InplaceText(const TkavCustomMemoView &memo);
    void InplaceDone(TkavCustomMemoView *memo, const QString &text, bool changed, bool resized,
                     double width, double height);
    // The field list's choice for the hovered memo.
    void FieldChosen(TkavCustomMemoView *memo, const QString &field);

    // --- drops --------------------------------------------------------------------------------
    bool DragOver(const QList<TkavDropItem> &Items, const TkavDropOptions &Options, QPointF P);
    void DragDrop(const QList<TkavDropItem> &Items, const TkavDropOptions &Options, QPointF P);
    // A guide dragged from a ruler (vertical: from the left ruler).
    void GuideDrop(bool Vertical, double Position);
    double GuideSnap(double Position) const;

    // --- geometry ------------------------------------------------------------------------------
    // The topmost component hit at P (page pixels), null for none.
    TkavComponent *HitTest(QPointF P) const;
    static bool Hits(const TkavComponent &c, QPointF P, double BandHeader);
    // The bounds of the selection (page pixels).
    TkavRect SelectionBounds() const;
    // Handle number (1..8) of the single selected object at P, 0 for none.
    int HandleAt(QPointF P) const;
    // The eight handle positions of a rectangle, in handle order.
    static QList<QPointF> HandlePoints(const QRectF &r);

private:
    struct GuideRef
    {
        bool Vertical = false;
        int Index = -1;
    };

    QList<TkavComponent *> selected() const;
    bool pageSelected() const;
    void selectionChanged();
    void modified();
    void repaint() const;
    void notifyPosition(QPointF p) const;
    void pressSelect(TShiftState Shift, QPointF P);
    void addGroups();
    void startSelectionRect(QPointF P);
    void hover(TShiftState Shift, QPointF P);
    bool snapStep(TShiftState Shift, double &dx, double &dy) const;
    void snapToGuides(double &dx, double &dy);
    QList<double> guideValues(bool vertical) const;
    void dragStep(TShiftState Shift, QPointF P);
    void moveSelection(double dx, double dy);
    void sizeSelection(double dx, double dy);
    void sizeBand(double dx, double dy);
    void releaseInsertion(QPointF P);
    void releaseSelectionRect();
    void finishMoveOrSize();
    void restoreAligns();
    bool nudge(int Key, TShiftState Shift);
    void selectNearest(int Key, bool touch);
    void selectNextSibling();
    TkavComponent *nearestIn(TkavComponent *from, int Key) const;
    bool pickGuide(QPointF P);
    void moveGuide(QPointF P);
    void releaseGuide();
    void toolRelease(TMouseButton Button, QPointF P);
    void zoomRelease(TMouseButton Button, QPointF P);
    void textRelease(QPointF P);
    void formatRelease(QPointF P);
    TkavReportPage *reportPage() const;
    QString textClass() const;
    void dropItem(const TkavDropItem &item, const TkavDropOptions &options, QRectF &rect,
                  const QHash<TkavDataSet *, TkavBand *> &bands, QList<TkavComponent *> &created);
    void updateHoveredMemo(QPointF P);

    DesignerDocument &FDocument;
    Hooks FHooks;
    TkavDesignMode FMode = dmSelect;
    TkavDesignMode1 FMode1 = dmNone;
    TkavDesignTool FTool = dtSelect;
    TkavCursorType FCT = 0;
    bool FDisableUpdate = false;
    bool FMouseDown = false;
    bool FDblClicked = false;
    bool FModifyFlag = false;
    bool FSelectionChangedFlag = false;
    TkavInsertion FInsertion;
    QPointF FPressPoint;     // where the button went down
    QPointF FLastPoint;      // the last point a step was applied at
    double FPendingX = 0;    // movement not yet applied (grid snapping)
    double FPendingY = 0;
    QRectF FSelectionRect;
    TkavComponentRef<TkavComponent> FSizedBand;
    TkavComponentRef<TkavComponent> FInplaceObject;
    TkavComponentRef<TkavComponent> FHoveredMemo;
    TkavComponentRef<TkavComponent> FContainer;
    QList<QPair<TkavComponentRef<TkavComponent>, int>> FSavedAlign;
    GuideRef FGuide;
    double FGuideStart = 0;
    QList<QLineF> FVirtualGuides;
};
