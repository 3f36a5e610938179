// WorkspaceController: stacking bands, the keyboard, grouping.

#include "kavDesgnWorkspace.h"

#include <designer/document/kavDesgnDocument.h>
#include <report/kavBands.h>
#include <report/kavDMP.h>
#include <report/kavPages.h>
#include <report/kavViews.h>
#include <rtl/kavMath.h>

#include <QHash>
#include <QSet>

#include <algorithm>
#include <cmath>

namespace {

// Top bands (page header, report title, column header) 0, bottom bands (page footer,
// report summary, column footer) 2, every other band 1.
int bandGroup(const TkavComponent *band)
{
    for (const char16_t *cls : {u"TkavPageHeader", u"TkavReportTitle", u"TkavColumnHeader"})
        if (band->InheritsFrom(cls))
            return 0;
    for (const char16_t *cls : {u"TkavPageFooter", u"TkavReportSummary", u"TkavColumnFooter"})
        if (band->InheritsFrom(cls))
            return 2;
    return 1;
}

// The gap between the top, middle and bottom groups of bands.
double groupGap(TkavGridType grid)
{
    switch (grid) {
    case gt1in:
        return 38.4;
    case gtChar:
        return 17;
    case gt1cm:
        return 37.7953;
    default:
        return 40;
    }
}

} // namespace

// --- stacking bands -------------------------------------------------------------------------

void WorkspaceController::AdjustBands(bool AttachObjects)
{
    Q_UNUSED(AttachObjects); // objects are children of their bands and always move with them
    TkavReportPage *page = reportPage();
    if (!page)
        return;
    QList<TkavBand *> bands;
    QList<TkavBand *> vertical;
    for (TkavComponent *c : page->Objects())
        if (auto *band = dynamic_cast<TkavBand *>(c))
            (band->Vertical() ? vertical : bands).append(band);
    // A child band follows its parent and takes its group.
    QHash<const TkavBand *, TkavBand *> parentOf;
    for (TkavBand *band : bands)
        if (TkavChild *child = band->Child(); child && bands.contains(child) && child != band)
            parentOf.insert(child, band);
    auto rootOf = [&](const TkavBand *band) {
        QSet<const TkavBand *> seen;
        while (parentOf.contains(band) && !seen.contains(band)) {
            seen.insert(band);
            band = parentOf.value(band);
        }
        return band;
    };
    QList<TkavBand *> roots;
    for (TkavBand *band : bands)
        if (rootOf(band) == band)
            roots.append(band);
    std::stable_sort(roots.begin(), roots.end(), [](const TkavBand *a, const TkavBand *b) {
        const int ga = bandGroup(a), gb = bandGroup(b);
        return ga != gb ? ga < gb : a->Top() < b->Top();
    });
    QList<TkavBand *> ordered;
    for (TkavBand *root : roots)
        for (TkavBand *band = root; band && !ordered.contains(band);) {
            ordered.append(band);
            TkavBand *child = band->Child();
            band = child && bands.contains(child) ? child : nullptr;
        }
    for (TkavBand *band : bands) // chains that loop back are left in their place
        if (!ordered.contains(band))
            ordered.append(band);
    if (!FreeBandsPlacement()) {
        const double header = BandHeader();
        const double rows = GridY();
        const TkavBand *previous = nullptr;
        for (TkavBand *band : ordered) {
            double top = header;
            if (previous) {
                top = previous->Top() + previous->Height() + header + GapBetweenBands();
                if (rows > 0)
                    top = kavRoundFloat(top / rows) * rows;
                if (bandGroup(rootOf(band)) != bandGroup(rootOf(previous)))
                    top += groupGap(GridType());
            }
            band->SetTop(kavRoundTo8(top));
            previous = band;
        }
    }
    page->AlignChildren();
    int index = 0;
    for (TkavBand *band : ordered + vertical)
        page->MoveObject(band, index++);
}

TkavReportPage *WorkspaceController::reportPage() const
{
    return dynamic_cast<TkavReportPage *>(Page());
}

// --- the keyboard ------------------------------------------------------------------------------

bool WorkspaceController::KeyDown(int Key, TShiftState Shift)
{
    if (FDisableUpdate || !Page())
        return false;
    switch (Key) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (Shift.Contains(ssAlt))
            selectNearest(Key, true);
        else if (!Shift.Contains(ssCtrl) && !Shift.Contains(ssShift))
            selectNearest(Key, false);
        else if (!nudge(Key, Shift))
            return true;
        AdjustBands();
        if (FHooks.NotifyPosition)
            FHooks.NotifyPosition(SelectionBounds());
        repaint();
        return true;
    case Qt::Key_Tab:
        selectNextSibling();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        EditObject();
        return true;
    case Qt::Key_Delete:
        DeleteObjects();
        return true;
    default:
        return false;
    }
}

void WorkspaceController::KeyUp(int Key, TShiftState Shift)
{
    Q_UNUSED(Key);
    Q_UNUSED(Shift);
    if (!FModifyFlag)
        return;
    FModifyFlag = false;
    modified();
    repaint();
}

// Ctrl moves by a pixel (a character cell on character grids), Ctrl+Shift by a grid step;
// Shift alone sizes views by a grid step, never below zero.
bool WorkspaceController::nudge(int Key, TShiftState Shift)
{
    if (pageSelected())
        return false;
    const int sx = Key == Qt::Key_Left ? -1 : Key == Qt::Key_Right ? 1 : 0;
    const int sy = Key == Qt::Key_Up ? -1 : Key == Qt::Key_Down ? 1 : 0;
    const QList<TkavComponent *> items = selected();
    bool changed = false;
    if (Shift.Contains(ssCtrl)) {
        const bool grid = Shift.Contains(ssShift) || GridType() == gtChar;
        const double dx = sx * (grid ? GridX() : 1);
        const double dy = sy * (grid ? GridY() : 1);
        for (TkavComponent *c : items) {
            if (items.contains(c->Parent()))
                continue;
            const double l = c->Left(), t = c->Top();
            c->SetLeft(kavRoundTo8(l + dx));
            c->SetTop(kavRoundTo8(t + dy));
            changed = changed || c->Left() != l || c->Top() != t;
        }
    } else {
        for (TkavComponent *c : items) {
            if (!dynamic_cast<TkavView *>(c))
                continue; // bands are not sized with the keyboard
            const double w = c->Width() + sx * GridX();
            const double h = c->Height() + sy * GridY();
            if (w < 0 || h < 0)
                continue;
            const double ow = c->Width(), oh = c->Height();
            c->SetWidth(kavRoundTo8(w));
            c->SetHeight(kavRoundTo8(h));
            changed = changed || c->Width() != ow || c->Height() != oh;
        }
    }
    FModifyFlag = FModifyFlag || changed;
    return true;
}

// The nearest other object in the key's direction: the distance along it plus twice the
// offset across it, measured between the centres.
TkavComponent *WorkspaceController::nearestIn(TkavComponent *from, int Key) const
{
    const QPointF c0(from->AbsLeft() + from->Width() / 2, from->AbsTop() + from->Height() / 2);
    TkavComponent *best = nullptr;
    double bestDistance = 0;
    for (TkavComponent *c : Objects()) {
        if (c == from || dynamic_cast<TkavBand *>(c) || !dynamic_cast<TkavReportComponent *>(c))
            continue;
        const QPointF d = QPointF(c->AbsLeft() + c->Width() / 2, c->AbsTop() + c->Height() / 2) - c0;
        double along = 0, across = 0;
        switch (Key) {
        case Qt::Key_Left: along = -d.x(), across = d.y(); break;
        case Qt::Key_Right: along = d.x(), across = d.y(); break;
        case Qt::Key_Up: along = -d.y(), across = d.x(); break;
        default: along = d.y(), across = d.x(); break;
        }
        if (along <= 0)
            continue;
        const double distance = along + 2 * std::abs(across);
        if (!best || distance < bestDistance)
            best = c, bestDistance = distance;
    }
    return best;
}

// Plain arrows select the nearest object; Alt moves the selected one until it touches the
// nearest object lying across its path (or its parent's edge).
void WorkspaceController::selectNearest(int Key, bool touch)
{
    const QList<TkavComponent *> items = selected();
    if (items.size() != 1 || pageSelected() || dynamic_cast<TkavBand *>(items.first()))
        return;
    TkavComponent *obj = items.first();
    if (!touch) {
        if (TkavComponent *next = nearestIn(obj, Key)) {
            FDocument.Selection().Select(next);
            selectionChanged();
        }
        return;
    }
    const bool horizontal = Key == Qt::Key_Left || Key == Qt::Key_Right;
    const QRectF r(obj->AbsLeft(), obj->AbsTop(), obj->Width(), obj->Height());
    const bool dmp = dynamic_cast<TkavDMPMemoView *>(obj) != nullptr;
    const double spacing = dmp ? (horizontal ? kavDMPCharWidth : kavDMPCharHeight) : 0;
    const TkavComponent *parent = obj->Parent();
    double target = 0;
    switch (Key) {
    case Qt::Key_Left: target = parent ? parent->AbsLeft() : 0; break;
    case Qt::Key_Up: target = parent ? parent->AbsTop() : 0; break;
    case Qt::Key_Right: target = parent ? parent->AbsLeft() + parent->Width() : r.right(); break;
    default: target = parent ? parent->AbsTop() + parent->Height() : r.bottom(); break;
    }
    for (TkavComponent *c : Objects()) {
        if (c == obj || dynamic_cast<TkavBand *>(c) || !dynamic_cast<TkavReportComponent *>(c))
            continue;
        const QRectF o(c->AbsLeft(), c->AbsTop(), c->Width(), c->Height());
        const bool across = horizontal ? o.bottom() > r.top() && o.top() < r.bottom()
                                       : o.right() > r.left() && o.left() < r.right();
        if (!across)
            continue;
        const double gap = dmp && dynamic_cast<TkavDMPMemoView *>(c) ? spacing : 0;
        switch (Key) {
        case Qt::Key_Left:
            if (o.right() <= r.left() + 0.0001)
                target = std::max(target, o.right() + gap);
            break;
        case Qt::Key_Right:
            if (o.left() >= r.right() - 0.0001)
                target = std::min(target, o.left() - gap);
            break;
        case Qt::Key_Up:
            if (o.bottom() <= r.top() + 0.0001)
                target = std::max(target, o.bottom() + gap);
            break;
        default:
            if (o.top() >= r.bottom() - 0.0001)
                target = std::min(target, o.top() - gap);
            break;
        }
    }
    double dx = 0, dy = 0;
    switch (Key) {
    case Qt::Key_Left: dx = target - r.left(); break;
    case Qt::Key_Right: dx = target - r.right(); break;
    case Qt::Key_Up: dy = target - r.top(); break;
    default: dy = target - r.bottom(); break;
    }
    if (dx == 0 && dy == 0)
        return;
    obj->SetLeft(kavRoundTo8(obj->Left() + dx));
    obj->SetTop(kavRoundTo8(obj->Top() + dy));
    FModifyFlag = true;
}

void WorkspaceController::selectNextSibling()
{
    const QList<TkavComponent *> items = selected();
    if (items.isEmpty() || pageSelected()) {
        const QList<TkavComponent *> objects = Objects();
        if (!objects.isEmpty())
            FDocument.Selection().Select(objects.first());
    } else if (TkavComponent *c = items.first(); dynamic_cast<TkavBand *>(c) && !c->Objects().isEmpty()) {
        FDocument.Selection().Select(c->Objects().first());
    } else if (TkavComponent *parent = c->Parent()) {
        const QList<TkavComponent *> &siblings = parent->Objects();
        FDocument.Selection().Select(siblings.at((siblings.indexOf(c) + 1) % siblings.size()));
    }
    selectionChanged();
    repaint();
}

// --- grouping -----------------------------------------------------------------------------------

void WorkspaceController::GroupObjects()
{
    if (pageSelected())
        return;
    const QList<TkavComponent *> items = selected();
    QSet<int> used;
    for (TkavComponent *c : Objects())
        if (!items.contains(c))
            used.insert(c->GroupIndex());
    int group = 1;
    while (used.contains(group))
        ++group;
    FDocument.guarded([&] {
        for (TkavComponent *c : items)
            c->SetGroupIndex(group);
        modified();
    });
}

void WorkspaceController::UngroupObjects()
{
    if (pageSelected())
        return;
    FDocument.guarded([&] {
        for (TkavComponent *c : selected())
            c->SetGroupIndex(0);
        modified();
    });
}
