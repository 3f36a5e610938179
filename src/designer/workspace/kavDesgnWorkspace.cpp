// WorkspaceController: selection, moving, sizing and the mouse state machine.

#include "kavDesgnWorkspace.h"

#include <designer/document/kavDesgnDocument.h>
#include <report/kavBands.h>
#include <report/kavPages.h>
#include <report/kavDataSets.h>
#include <report/kavViews.h>
#include <rtl/kavMath.h>
#include <rtl/kavRTTI.h>
#include <rtl/kavStrings.h>

#include <QLineF>
#include <QSet>

#include <cmath>

namespace {

// Distance of p from the segment a-b.
double segmentDistance(QPointF p, QPointF a, QPointF b)
{
    const QPointF d = b - a;
    const double len2 = d.x() * d.x() + d.y() * d.y();
    if (len2 == 0)
        return QLineF(p, a).length();
    const double t = std::clamp(((p - a).x() * d.x() + (p - a).y() * d.y()) / len2, 0.0, 1.0);
    return QLineF(p, a + t * d).length();
}

bool isBand(const TkavComponent *c)
{
    return dynamic_cast<const TkavBand *>(c) != nullptr;
}

bool isVerticalBand(const TkavComponent *c)
{
    auto *band = dynamic_cast<const TkavBand *>(c);
    return band && band->Vertical();
}

} // namespace

double kavRoundTo8(double value)
{
    return kavRoundFloat(value * 1e8) / 1e8;
}

WorkspaceController::WorkspaceController(DesignerDocument &Document)
    : FDocument(Document)
{
}

TkavComponent *WorkspaceController::Page() const
{
    return FDocument.Page();
}

QList<TkavComponent *> WorkspaceController::Objects() const
{
    QList<TkavComponent *> bands;
    QList<TkavComponent *> others;
    for (TkavComponent *c : FDocument.Objects())
        (isBand(c) ? bands : others).append(c);
    return bands + others;
}

TkavGridType WorkspaceController::GridType() const
{
    return FDocument.GridType();
}

double WorkspaceController::GridX() const
{
    return FDocument.GridX();
}

double WorkspaceController::GridY() const
{
    return FDocument.GridY();
}

bool WorkspaceController::GridAlign() const
{
    return FDocument.Options().GridAlign;
}

double WorkspaceController::BandHeader() const
{
    return FDocument.BandCaptionHeight();
}

bool WorkspaceController::FreeBandsPlacement() const
{
    return FDocument.Options().FreeBands;
}

int WorkspaceController::GapBetweenBands() const
{
    return FDocument.Options().BandsGap;
}

bool WorkspaceController::ShowGuides() const
{
    return FDocument.Options().ShowGuides;
}

double WorkspaceController::Scale() const
{
    return FDocument.Scale();
}

void WorkspaceController::SetTool(TkavDesignTool Value)
{
    FTool = Value;
    FMode1 = dmNone;
    repaint();
}

void WorkspaceController::DisableUpdate()
{
    FDisableUpdate = true;
    FMode = dmSelect;
    FMode1 = dmNone;
}

TkavCustomMemoView *WorkspaceController::HoveredMemo() const
{
    return dynamic_cast<TkavCustomMemoView *>(FHoveredMemo.get());
}

QList<TkavComponent *> WorkspaceController::selected() const
{
    return FDocument.SelectedObjects();
}

bool WorkspaceController::pageSelected() const
{
    return FDocument.Selection().IsPageSelected();
}

void WorkspaceController::selectionChanged()
{
    FDocument.SelectionChanged();
}

void WorkspaceController::modified()
{
    FDocument.SetModified(true);
}

void WorkspaceController::repaint() const
{
    if (FHooks.Repaint)
        FHooks.Repaint();
}

void WorkspaceController::notifyPosition(QPointF p) const
{
    if (!FHooks.NotifyPosition)
        return;
    FHooks.NotifyPosition(pageSelected() ? TkavRect{p.x(), p.y(), p.x(), p.y()} : SelectionBounds());
}

// --- geometry -----------------------------------------------------------------------------

bool WorkspaceController::Hits(const TkavComponent &c, QPointF P, double BandHeader)
{
    double l = c.AbsLeft();
    double t = c.AbsTop();
    double r = l + c.Width();
    double b = t + c.Height();
    if (auto *band = dynamic_cast<const TkavBand *>(&c))
        (band->Vertical() ? l : t) -= BandHeader;
    if (auto *line = dynamic_cast<const TkavCustomLineView *>(&c); line && line->Diagonal()) {
        const QRectF box = QRectF(QPointF(l, t), QPointF(r, b)).normalized().adjusted(-5, -5, 5, 5);
        return box.contains(P) && segmentDistance(P, {l, t}, {r, b}) < 5;
    }
    if (l > r)
        std::swap(l, r);
    if (t > b)
        std::swap(t, b);
    if (c.Width() == 0)
        l -= 4, r += 4;
    if (c.Height() == 0)
        t -= 4, b += 4;
    return P.x() >= l && P.x() <= r && P.y() >= t && P.y() <= b;
}

TkavComponent *WorkspaceController::HitTest(QPointF P) const
{
    const QList<TkavComponent *> objects = Objects();
    const double header = BandHeader();
    for (auto it = objects.crbegin(); it != objects.crend(); ++it)
        if (dynamic_cast<TkavReportComponent *>(*it) && (*it)->Visible() && Hits(**it, P, header))
            return *it;
    return nullptr;
}

TkavRect WorkspaceController::SelectionBounds() const
{
    TkavRect r;
    bool first = true;
    for (TkavComponent *c : selected()) {
        if (c == Page())
            continue;
        const double l = std::min(c->AbsLeft(), c->AbsLeft() + c->Width());
        const double t = std::min(c->AbsTop(), c->AbsTop() + c->Height());
        const double rr = std::max(c->AbsLeft(), c->AbsLeft() + c->Width());
        const double b = std::max(c->AbsTop(), c->AbsTop() + c->Height());
        if (first)
            r = {l, t, rr, b};
        else
            r = {std::min(r.Left, l), std::min(r.Top, t), std::max(r.Right, rr), std::max(r.Bottom, b)};
        first = false;
    }
    return r;
}

QList<QPointF> WorkspaceController::HandlePoints(const QRectF &r)
{
    const double cx = r.left() + r.width() / 2;
    const double cy = r.top() + r.height() / 2;
    return {r.topLeft(), r.bottomRight(), r.topRight(), r.bottomLeft(), {r.right(), cy},
            {r.left(), cy}, {cx, r.top()}, {cx, r.bottom()}};
}

int WorkspaceController::HandleAt(QPointF P) const
{
    const QList<TkavComponent *> items = selected();
    if (items.size() != 1 || items.first() == Page() || isBand(items.first()))
        return 0;
    const TkavComponent *c = items.first();
    const QRectF r(c->AbsLeft(), c->AbsTop(), c->Width(), c->Height());
    const QList<QPointF> points = HandlePoints(r);
    // The tolerance is in screen pixels: handles keep their size at every zoom.
    const double s = Scale() > 0 ? Scale() : 1;
    for (int i = 0; i < points.size(); ++i) {
        const QPointF d = (P - points[i]) * s;
        if (d.x() >= -2 && d.x() <= 3 && d.y() >= -2 && d.y() <= 3)
            return i + 1;
    }
    return 0;
}

// --- pressing ---------------------------------------------------------------------------------

void WorkspaceController::MouseDown(TMouseButton Button, TShiftState Shift, QPointF P)
{
    if (FDisableUpdate || FMouseDown || !Page())
        return;
    if (FDblClicked) {
        FDblClicked = false;
        return;
    }
    if (FHooks.CloseInplace)
        FHooks.CloseInplace();
    FPressPoint = FLastPoint = P;
    FPendingX = FPendingY = 0;
    FModifyFlag = false;
    FSelectionChangedFlag = false;
    FVirtualGuides.clear();
    if (Button == mbRight && FTool != dtZoom) {
        FMode1 = FInsertion.ComponentClass.isEmpty() ? dmNone : FMode1;
        if (FHooks.PopupMenu)
            FHooks.PopupMenu(P);
        return;
    }
    FMouseDown = true;
    if (FTool == dtHand || FTool == dtFormat)
        return;
    if (FTool == dtZoom || FTool == dtText) {
        startSelectionRect(P);
        return;
    }
    if (Button != mbLeft) {
        FMouseDown = false;
        return;
    }
    if (FMode1 == dmInsertObject || FMode1 == dmInsertLine) {
        FInsertion.Left = P.x();
        FInsertion.Top = P.y();
        FInsertion.Width = FInsertion.Height = 0;
        return;
    }
    if (TkavCustomMemoView *memo = HoveredMemo(); memo && FMode1 == dmNone
        && FDocument.Options().DropFields) {
        const double right = memo->AbsLeft() + memo->Width();
        if (P.x() >= right - 16 && P.x() <= right && P.y() >= memo->AbsTop()
            && P.y() <= memo->AbsTop() + 16) {
            FMouseDown = false;
            auto *band = dynamic_cast<TkavDataBand *>(memo->Parent());
            TStringList fields;
            if (band && band->DataSet())
                band->DataSet()->GetFieldList(fields);
            if (FHooks.FieldList)
                FHooks.FieldList(memo, fields.ToStringList(), memo->DataField());
            return;
        }
    }
    if (FMode1 == dmMoveGuide) {
        FGuideStart = guideValues(FGuide.Vertical).value(FGuide.Index);
        return;
    }
    if (FMode1 == dmSize || FMode1 == dmSizeBand || FMode1 == dmInplaceEdit)
        return;
    const QStringList before = FDocument.Selection().Names();
    if (Shift.Contains(ssCtrl) && FMode1 == dmNone) {
        FDocument.Selection().Clear();
        startSelectionRect(P);
    } else {
        pressSelect(Shift, P);
    }
    if (!pageSelected() && FMode1 == dmNone) {
        FMode1 = dmMove;
        FSavedAlign.clear();
        for (TkavComponent *c : selected())
            if (auto *view = dynamic_cast<TkavView *>(c)) {
                FSavedAlign.append({TkavComponentRef<TkavComponent>(c), int(view->Align())});
                view->SetAlign(baNone);
            }
    }
    if (FDocument.Selection().Names() != before) {
        addGroups();
        selectionChanged();
    }
    repaint();
}

void WorkspaceController::pressSelect(TShiftState Shift, QPointF P)
{
    TkavComponent *target = HitTest(P);
    if (target && target->kvComponentStyle().Contains(csContainer)) {
        if (target->ContainerMouseDown(nullptr, int(P.x()), int(P.y()))) {
            FMode1 = dmContainer;
            FContainer = target;
        } else {
            for (auto it = target->Objects().crbegin(); it != target->Objects().crend(); ++it)
                if ((*it)->Visible() && Hits(**it, P, 0)) {
                    target = *it;
                    break;
                }
        }
    }
    TkavSelection &selection = FDocument.Selection();
    if (!target) {
        selection.Clear();
        startSelectionRect(P);
        return;
    }
    if (Shift.Contains(ssShift)) {
        if (selection.Contains(target))
            selection.Remove(target);
        else
            selection.Add(target);
    } else if (!selection.Contains(target)) {
        selection.Select(target);
    }
}

// Every object sharing a non-zero group number with a selected one joins the selection.
void WorkspaceController::addGroups()
{
    QSet<int> groups;
    for (TkavComponent *c : selected())
        if (c != Page() && c->GroupIndex() != 0)
            groups.insert(c->GroupIndex());
    if (groups.isEmpty())
        return;
    for (TkavComponent *c : Objects())
        if (groups.contains(c->GroupIndex()) && !FDocument.Selection().Contains(c))
            FDocument.Selection().Add(c);
}

void WorkspaceController::startSelectionRect(QPointF P)
{
    FMode1 = dmSelectionRect;
    FSelectionRect = QRectF(P, P);
}

void WorkspaceController::DblClick(QPointF P)
{
    if (FDisableUpdate)
        return;
    FDblClicked = true;
    FMouseDown = false;
    FMode1 = dmNone;
    if (TkavComponent *c = HitTest(P); c && FDocument.Selection().Contains(c))
        EditObject();
}

// --- moving the mouse ----------------------------------------------------------------------

void WorkspaceController::MouseMove(TShiftState Shift, QPointF P)
{
    if (FDisableUpdate || !Page())
        return;
    if (!FMouseDown) {
        hover(Shift, P);
        return;
    }
    switch (FMode1) {
    case dmSelectionRect:
        FSelectionRect.setBottomRight(P);
        repaint();
        return;
    case dmMoveGuide:
        moveGuide(P);
        return;
    case dmContainer:
        if (TkavComponent *container = FContainer.get())
            container->ContainerMouseMove(nullptr, int(P.x()), int(P.y()));
        return;
    case dmInsertObject:
    case dmInsertLine:
        FInsertion.Width = P.x() - FInsertion.Left;
        FInsertion.Height = P.y() - FInsertion.Top;
        repaint();
        return;
    default:
        break;
    }
    if (FTool == dtHand) {
        // The paper follows the hand. Where a scroll end stops it, the pointer leaves the
        // recorded point behind; taking it along keeps a turn back from jumping.
        if (FHooks.ScrollBy) {
            const auto [movedX, movedY] = FHooks.ScrollBy((P - FLastPoint) * Scale());
            if (!movedX)
                FLastPoint.setX(P.x());
            if (!movedY)
                FLastPoint.setY(P.y());
        }
        return;
    }
    dragStep(Shift, P);
}

void WorkspaceController::hover(TShiftState Shift, QPointF P)
{
    updateHoveredMemo(P);
    if (FMode1 == dmInsertObject || FMode1 == dmInsertLine) {
        double dx = P.x() - FInsertion.Left;
        double dy = P.y() - FInsertion.Top;
        if (snapStep(Shift, dx, dy)) {
            FInsertion.Left += dx;
            FInsertion.Top += dy;
            repaint();
        }
        return;
    }
    if (FTool != dtSelect)
        return;
    if (pickGuide(P))
        return;
    FMode1 = dmNone;
    FCT = HandleAt(P);
    if (FCT != 0) {
        FMode1 = dmSize;
        return;
    }
    // The bottom edge of a band (the right edge of a vertical one) sizes it.
    for (TkavComponent *c : Objects()) {
        auto *band = dynamic_cast<TkavBand *>(c);
        if (!band)
            continue;
        const double edge = band->Vertical() ? band->AbsLeft() + band->Width()
                                             : band->AbsTop() + band->Height();
        const double along = band->Vertical() ? P.y() : P.x();
        const double start = band->Vertical() ? band->AbsTop() : band->AbsLeft();
        const double length = band->Vertical() ? band->Height() : band->Width();
        const double across = band->Vertical() ? P.x() : P.y();
        if (std::abs(across - edge) <= 2 / std::max(Scale(), 0.01) && along >= start
            && (length <= 0 || along <= start + length)) {
            FMode1 = dmSizeBand;
            FCT = band->Vertical() ? 10 : 9;
            FSizedBand = band;
            return;
        }
    }
    if (Shift.Contains(ssAlt))
        if (auto *memo = dynamic_cast<TkavCustomMemoView *>(HitTest(P))) {
            FMode1 = dmInplaceEdit;
            FInplaceObject = memo;
        }
}

// Grid snapping: applies nothing until a whole grid step has accumulated (Alt inverts the
// grid alignment); returns whether there is a step to apply.
bool WorkspaceController::snapStep(TShiftState Shift, double &dx, double &dy) const
{
    if (GridAlign() != Shift.Contains(ssAlt) && GridX() > 0 && GridY() > 0) {
        if (std::abs(dx) < GridX() && std::abs(dy) < GridY())
            return false;
        dx = double(kavTrunc(dx / GridX())) * GridX();
        dy = double(kavTrunc(dy / GridY())) * GridY();
    }
    return dx != 0 || dy != 0;
}

void WorkspaceController::dragStep(TShiftState Shift, QPointF P)
{
    double dx = P.x() - FLastPoint.x();
    double dy = P.y() - FLastPoint.y();
    if (FMode1 == dmMove && selected().size() == 1 && isVerticalBand(selected().first()))
        dy = 0;
    if (!snapStep(Shift, dx, dy))
        return;
    snapToGuides(dx, dy);
    FLastPoint += QPointF(dx, dy);
    switch (FMode1) {
    case dmMove:
        moveSelection(dx, dy);
        break;
    case dmSize:
        sizeSelection(dx, dy);
        break;
    case dmSizeBand:
        sizeBand(dx, dy);
        break;
    default:
        return;
    }
    FModifyFlag = true;
    if (FHooks.NotifyPosition)
        FHooks.NotifyPosition(SelectionBounds());
    repaint();
}

void WorkspaceController::moveSelection(double dx, double dy)
{
    const QList<TkavComponent *> items = selected();
    // A single vertical band drags the views lying across it along.
    if (items.size() == 1 && isVerticalBand(items.first())) {
        TkavComponent *band = items.first();
        const double l = band->AbsLeft();
        const double r = l + band->Width();
        for (TkavComponent *c : Objects())
            if (!isBand(c) && c->Parent() != band && c->AbsLeft() >= l && c->AbsLeft() + c->Width() <= r)
                c->SetLeft(c->Left() + dx);
        band->SetLeft(band->Left() + dx);
        return;
    }
    for (TkavComponent *c : items) {
        if (items.contains(c->Parent()))
            continue;
        c->SetLeft(c->Left() + dx);
        const double top = c->Top() + dy;
        // An inherited object stays inside its band.
        if (c->IsAncestor() && isBand(c->Parent())
            && (top < -0.0001 || top > c->Parent()->Height() + 0.0001))
            continue;
        c->SetTop(top);
    }
}

void WorkspaceController::sizeSelection(double dx, double dy)
{
    const QList<TkavComponent *> items = selected();
    if (items.size() != 1)
        return;
    TkavComponent *c = items.first();
    double l = c->Left(), t = c->Top(), w = c->Width(), h = c->Height();
    switch (FCT) {
    case 1: l += dx, w -= dx, t += dy, h -= dy; break;
    case 2: w += dx, h += dy; break;
    case 3: t += dy, h -= dy, w += dx; break;
    case 4: l += dx, w -= dx, h += dy; break;
    case 5: w += dx; break;
    case 6: l += dx, w -= dx; break;
    case 7: t += dy, h -= dy; break;
    case 8: h += dy; break;
    default: return;
    }
    // Lines keep negative extents (their direction); other objects flip to the opposite
    // handle, so a handle can be dragged across the object.
    if (!dynamic_cast<TkavCustomLineView *>(c)) {
        static const int flipX[] = {0, 3, 4, 1, 2, 6, 5, 7, 8};
        static const int flipY[] = {0, 4, 3, 2, 1, 5, 6, 8, 7};
        if (w < 0) {
            l += w, w = -w;
            FCT = flipX[FCT];
        }
        if (h < 0) {
            t += h, h = -h;
            FCT = flipY[FCT];
        }
    }
    c->SetBounds(l, t, w, h);
}

void WorkspaceController::sizeBand(double dx, double dy)
{
    auto *band = dynamic_cast<TkavBand *>(FSizedBand.get());
    if (!band)
        return;
    if (band->Vertical())
        band->SetWidth(std::max(0.0, band->Width() + dx));
    else
        band->SetHeight(std::max(0.0, band->Height() + dy));
    AdjustBands();
}

// --- releasing ---------------------------------------------------------------------------------

void WorkspaceController::MouseUp(TMouseButton Button, TShiftState Shift, QPointF P)
{
    Q_UNUSED(Shift);
    if (FDisableUpdate || !FMouseDown || !Page())
        return;
    FMouseDown = false;
    const QStringList before = FDocument.Selection().Names();
    if (FTool != dtSelect) {
        toolRelease(Button, P);
        FMode1 = dmNone;
        repaint();
        return;
    }
    switch (FMode1) {
    case dmInsertObject:
    case dmInsertLine:
        releaseInsertion(P);
        break;
    case dmSelectionRect:
        releaseSelectionRect();
        break;
    case dmInplaceEdit:
        if (TkavComponent *memo = FInplaceObject.get()) {
            FDocument.Selection().Select(memo);
            if (FHooks.InplaceEdit)
                FHooks.InplaceEdit(static_cast<TkavCustomMemoView *>(memo));
        }
        break;
    case dmMove:
    case dmSize:
    case dmSizeBand:
        finishMoveOrSize();
        break;
    case dmMoveGuide:
        releaseGuide();
        break;
    case dmContainer:
        if (TkavComponent *container = FContainer.get())
            container->ContainerMouseUp(nullptr, int(P.x()), int(P.y()));
        FContainer = nullptr;
        break;
    default:
        break;
    }
    AdjustBands();
    FVirtualGuides.clear();
    if (FModifyFlag)
        modified();
    if (FDocument.Selection().Names() != before || FSelectionChangedFlag)
        selectionChanged();
    FModifyFlag = false;
    FCT = 0;
    if (FInsertion.ComponentClass.isEmpty())
        FMode1 = dmNone;
    notifyPosition(P);
    repaint();
}

void WorkspaceController::releaseInsertion(QPointF P)
{
    const QString cls = FInsertion.ComponentClass;
    double l = FInsertion.Left, t = FInsertion.Top;
    double w = P.x() - l, h = P.y() - t;
    if (GridAlign() && GridX() > 0 && GridY() > 0) {
        w = double(kavTrunc(w / GridX())) * GridX();
        h = double(kavTrunc(h / GridY())) * GridY();
    }
    if (FMode1 == dmInsertLine && FInsertion.Flags == 0) {
        // A straight line runs from the press point along its longer extent.
        if (std::abs(w) >= std::abs(h))
            h = 0;
        else
            w = 0;
        if (w < 0)
            l += w, w = -w;
        if (h < 0)
            t += h, h = -h;
    } else if (FMode1 == dmInsertLine) {
        // A diagonal keeps its direction in the sign of its extents.
    } else if (std::abs(w) < 4 || std::abs(h) < 4) {
        w = FInsertion.OriginalWidth;
        h = FInsertion.OriginalHeight;
    } else {
        if (w < 0)
            l += w, w = -w;
        if (h < 0)
            t += h, h = -h;
    }
    const int flags = FInsertion.Flags;
    SetInsertion(QString(), 0, 0, 0);
    FDocument.InsertObject(cls, flags, kavRoundTo8(l), kavRoundTo8(t), kavRoundTo8(w), kavRoundTo8(h));
    FSelectionChangedFlag = true;
}

void WorkspaceController::releaseSelectionRect()
{
    const QRectF r = FSelectionRect.normalized();
    FMode1 = dmNone;
    TkavSelection &selection = FDocument.Selection();
    selection.Clear();
    auto intersects = [&r](const TkavComponent *c) {
        const QRectF b = QRectF(c->AbsLeft(), c->AbsTop(), c->Width(), c->Height()).normalized();
        return b.adjusted(-0.0001, -0.0001, 0.0001, 0.0001).intersects(r);
    };
    for (TkavComponent *c : Objects()) {
        if (isBand(c) || !dynamic_cast<TkavReportComponent *>(c) || !intersects(c))
            continue;
        // Objects inside a container are picked through the container.
        const TkavComponent *parent = c->Parent();
        if (parent && parent->kvComponentStyle().Contains(csContainer) && !isBand(parent))
            continue;
        if (c->kvComponentStyle().Contains(csContainer) && !c->Objects().isEmpty()) {
            for (TkavComponent *child : c->Objects())
                if (child->Visible() && intersects(child))
                    selection.Add(child);
            continue;
        }
        selection.Add(c);
    }
    addGroups();
    FSelectionRect = QRectF();
}

void WorkspaceController::finishMoveOrSize()
{
    restoreAligns();
    if (!FModifyFlag)
        return;
    if (FMode1 == dmSizeBand) {
        if (TkavComponent *band = FSizedBand.get()) {
            band->SetHeight(kavRoundTo8(band->Height()));
            band->SetWidth(kavRoundTo8(band->Width()));
        }
        return;
    }
    for (TkavComponent *c : selected())
        c->SetBounds(kavRoundTo8(c->Left()), kavRoundTo8(c->Top()), kavRoundTo8(c->Width()),
                     kavRoundTo8(c->Height()));
    // A view moved onto another band becomes that band's object, so that it prints there.
    for (TkavComponent *c : selected()) {
        if (isBand(c) || !isBand(c->Parent()) || c->IsAncestor() || isVerticalBand(c->Parent()))
            continue;
        const double absTop = c->AbsTop();
        const double absLeft = c->AbsLeft();
        for (TkavComponent *b : Page()->Objects()) {
            if (!isBand(b) || isVerticalBand(b) || b == c->Parent() || absTop < b->AbsTop()
                || absTop >= b->AbsTop() + b->Height())
                continue;
            c->SetParent(b);
            c->SetLeft(kavRoundTo8(absLeft - b->AbsLeft()));
            c->SetTop(kavRoundTo8(absTop - b->AbsTop()));
            break;
        }
    }
}

void WorkspaceController::restoreAligns()
{
    for (const auto &[ref, align] : std::as_const(FSavedAlign))
        if (auto *view = dynamic_cast<TkavView *>(ref.get()))
            view->SetAlign(TkavAlign(align));
    FSavedAlign.clear();
}

// --- insertion, in-place editing, moves started by the program ---------------------------------

void WorkspaceController::SetInsertion(const QString &AClass, double AWidth, double AHeight,
                                       int AFlag)
{
    FInsertion = TkavInsertion();
    if (AClass.isEmpty()) {
        FMode = dmSelect;
        if (FMode1 == dmInsertObject || FMode1 == dmInsertLine)
            FMode1 = dmNone;
        repaint();
        return;
    }
    FInsertion.ComponentClass = AClass;
    FInsertion.Width = FInsertion.OriginalWidth = AWidth;
    FInsertion.Height = FInsertion.OriginalHeight = AHeight;
    FInsertion.Flags = quint16(AFlag);
    FMode = dmInsert;
    const TkavClassInfo *cls = kavFindClass(AClass);
    FMode1 = cls && cls->InheritsFrom(u"TkavCustomLineView") ? dmInsertLine : dmInsertObject;
}

QString WorkspaceController::InplaceText(const TkavCustomMemoView &memo)
{
    QString text = memo.Text();
    if (text.endsWith(u"\r\n"))
        text.chop(2);
    else if (text.endsWith(u'\n'))
        text.chop(1);
    return text;
}

void WorkspaceController::InplaceDone(TkavCustomMemoView *memo, const QString &text, bool changed,
                                      bool resized, double width, double height)
{
    FMode1 = dmNone;
    if (!memo || (!changed && !resized))
        return;
    FDocument.guarded([&] {
        if (changed)
            memo->SetText(text);
        if (resized) {
            memo->SetWidth(kavRoundTo8(width));
            memo->SetHeight(kavRoundTo8(height));
        }
        modified();
    });
    repaint();
}

void WorkspaceController::SimulateMove()
{
    if (pageSelected() || !Page())
        return;
    const TkavRect r = SelectionBounds();
    const QPointF p(r.Left + 20, r.Top + 20);
    FMode1 = dmNone;
    FMouseDown = false;
    MouseDown(mbLeft, {}, p);
}

void WorkspaceController::EditObject()
{
    if (!pageSelected())
        FDocument.EditSelected();
    repaint();
}

void WorkspaceController::DeleteObjects()
{
    FDocument.DeleteSelection();
    AdjustBands();
    repaint();
}
