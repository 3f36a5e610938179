#include "kavBandTree.h"

#include <persist/kavRes.h>
#include <report/kavBands.h>
#include <report/kavDataSets.h>
#include <report/kavPages.h>
#include <report/kavViews.h>
#include <rtl/kavStrings.h>

#include <QString>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// Objects within this distance of a vertical band's edges still lie inside it.
constexpr double vBandTolerance = 0.0001;

// Band numbers of the bands that take part in the tree.
constexpr int bnHeader = 4;
constexpr int bnMasterData = 6;
constexpr int bnDataBand6 = 11;
constexpr int bnGroupFooter = 13;

// Positions are compared as the designer shows them, to hundredths of a pixel, so bands or
// objects whose positions differ by a rounding dust keep their object order.
double positionKey(double value)
{
    return QString::number(value, 'f', 2).toDouble();
}

void addError(TStrings &errors, const QString &key, const TkavBand &band)
{
    errors.Add(kavResourceTable().Get(key) + u' ' + band.Name());
}

// A data band runs when it has a data set or counts RowCount rows on its own.
bool hasData(const TkavBand &band)
{
    const auto *data = dynamic_cast<const TkavDataBand *>(&band);
    return data && (data->DataSet() || data->RowCount() > 0);
}

bool isGroupHeader(const TkavBand *band)
{
    return dynamic_cast<const TkavGroupHeader *>(band) != nullptr;
}

QList<TkavBand *> pageBands(const TkavReportPage &page, bool vertical)
{
    QList<TkavBand *> bands;
    for (TkavComponent *child : page.Objects()) {
        auto *band = dynamic_cast<TkavBand *>(child);
        if (band && band->Vertical() == vertical)
            bands.append(band);
    }
    return bands;
}

// Gives each vertical band the objects of Band that lie horizontally inside it; they keep
// their top and remember Band, their left becomes relative to the vertical band.
void giveObjectsToVerticalBands(TkavBand &band, const QList<TkavBand *> &vBands)
{
    const QList<TkavComponent *> objects = band.Objects();
    for (TkavComponent *object : objects) {
        const double left = band.Left() + object->Left();
        const double right = left + object->Width();
        for (TkavBand *vBand : vBands) {
            if (left >= vBand->Left() - vBandTolerance
                && right <= vBand->Left() + vBand->Width() + vBandTolerance) {
                object->SetParent(vBand);
                object->SetOriginalBand(&band);
                object->SetLeft(left - vBand->Left());
                band.SetHasVBands(true);
                break;
            }
        }
    }
    // Objects given away by an earlier run stay in their vertical band; the band still
    // feeds them, so it keeps its mark.
    for (TkavBand *vBand : vBands) {
        for (TkavComponent *object : vBand->Objects()) {
            if (object->OriginalBand() == &band)
                band.SetHasVBands(true);
        }
    }
}

// The run's reset of one band of the orientation being built.
void prepareBand(TkavBand &band)
{
    kavBuildShiftTree(band);
    band.SetHasVBands(false);
    if (auto *data = dynamic_cast<TkavDataBand *>(&band);
        data && !data->DataSet() && data->RowCount() > 0) {
        data->VirtualDataSet().SetRangeEndCount(data->RowCount());
        data->VirtualDataSet().Initialize();
    }
}

// The bands numbered header to group footer, by position; equal positions keep the page's
// object order, and none is dropped.
std::vector<TkavBand *> treeBands(const QList<TkavBand *> &bands, bool vertical)
{
    std::vector<std::pair<double, TkavBand *>> keyed;
    for (TkavBand *band : bands) {
        const int number = band->BandNumber();
        if (number >= bnHeader && number <= bnGroupFooter)
            keyed.emplace_back(positionKey(vertical ? band->Left() : band->Top()), band);
    }
    std::stable_sort(
        keyed.begin(), keyed.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    std::vector<TkavBand *> list;
    list.reserve(keyed.size());
    for (const auto &entry : keyed)
        list.push_back(entry.second);
    return list;
}

template <class Pred>
void removeIf(std::vector<TkavBand *> &list, Pred pred)
{
    list.erase(std::remove_if(list.begin(), list.end(), pred), list.end());
}

// --- shift tree ----------------------------------------------------------------------

// An object's extent within its band.
struct Box
{
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;
    TkavReportComponent *object = nullptr; // null for the guard
};

// Horizontal extents intersect; a zero-width object (a vertical line) also when it touches.
bool overlaps(double left1, double right1, double left2, double right2)
{
    const double lo = std::max(left1, left2);
    const double hi = std::min(right1, right2);
    return lo < hi || (lo == hi && (left1 == right1 || left2 == right2));
}

// B lies entirely below A: no vertical intersection and a greater top, so an object
// stacked right on A's bottom counts, and a line at A's own top does not.
bool below(const Box &b, const Box &a)
{
    return b.top >= a.bottom && b.top > a.top;
}

// B is pushed by A: below it, overlapping it horizontally, and no object between them in
// the sorted order sits between both over their common horizontal range.
bool isShiftChild(const std::vector<Box> &boxes, size_t a, size_t b)
{
    const Box &upper = boxes[a];
    const Box &lower = boxes[b];
    if (!below(lower, upper) || !overlaps(upper.left, upper.right, lower.left, lower.right))
        return false;
    const double commonLeft = std::max(upper.left, lower.left);
    const double commonRight = std::min(upper.right, lower.right);
    for (size_t c = a + 1; c < b; ++c) {
        const Box &middle = boxes[c];
        if (below(middle, upper) && below(lower, middle)
            && overlaps(middle.left, middle.right, commonLeft, commonRight))
            return false;
    }
    return true;
}

TkavShiftMode shiftModeOf(const TkavReportComponent &child, const TkavComponent *band)
{
    // An object that left the band (moved into a vertical band) is fed from there and must
    // keep its designed top; objects without a mode of their own do not move either.
    const auto *view = dynamic_cast<const TkavView *>(&child);
    if (!view || child.Parent() != band)
        return smDontShift;
    return view->ShiftMode();
}

void shiftChildren(TkavReportComponent &parent, double amount, const TkavComponent *band)
{
    const double parentBottom = parent.Top() + parent.Height();
    for (TkavReportComponent *child : parent.ShiftChildren()) {
        switch (shiftModeOf(*child, band)) {
        case smAlways:
            child->SetTop(child->Top() + amount);
            shiftChildren(*child, amount + child->ShiftAmount(), band);
            break;
        case smDontShift:
            shiftChildren(*child, amount + child->ShiftAmount(), band);
            break;
        case smWhenOverlapped:
            if (&parent == band || child->Top() >= parentBottom) {
                shiftChildren(*child, child->ShiftAmount(), band);
            } else {
                const double oldTop = child->Top();
                child->SetTop(parentBottom);
                shiftChildren(*child, parentBottom - oldTop + child->ShiftAmount(), band);
            }
            break;
        }
        child->SetShiftAmount(0);
    }
}

} // namespace

// ---------------------------------------------------------------------------------------
// TkavBandTree

void TkavBandTree::Clear()
{
    FTopBands.clear();
    FLinks.clear();
}

const TkavBandTree::Links &TkavBandTree::LinksOf(const TkavBand *Band) const
{
    static const Links none;
    const auto it = FLinks.find(Band);
    return it == FLinks.end() ? none : it->second;
}

void TkavBandTree::Build(TkavReportPage &Page, bool Vertical, TStrings &Errors)
{
    Clear();
    Page.AlignChildren();
    const QList<TkavBand *> bands = pageBands(Page, Vertical);
    const QList<TkavBand *> vBands = Vertical ? QList<TkavBand *>() : pageBands(Page, true);
    for (TkavBand *band : bands) {
        prepareBand(*band);
        if (!Vertical && !vBands.isEmpty() && !dynamic_cast<TkavOverlay *>(band))
            giveObjectsToVerticalBands(*band, vBands);
    }

    std::vector<TkavBand *> list = treeBands(bands, Vertical);
    linkGroups(list, Errors);
    linkHeadersAndFooters(list, Errors);
    linkDataBands(list);
    for (TkavBand *band : list)
        addError(Errors, u"enBandPos"_s, *band);
}

// Chains of consecutive group headers go to the first data band after them; group footers
// pair with the nearest open group header. Every group band then leaves the list.
void TkavBandTree::linkGroups(std::vector<TkavBand *> &list, TStrings &errors)
{
    for (size_t i = 0; i < list.size();) {
        auto *outer = dynamic_cast<TkavGroupHeader *>(list[i]);
        if (!outer) {
            ++i;
            continue;
        }
        Links &chain = FLinks[outer];
        size_t end = i;
        for (; end < list.size() && isGroupHeader(list[end]); ++end)
            chain.SubBands.push_back(list[end]);
        auto data = std::find_if(list.begin() + std::ptrdiff_t(end), list.end(), [](TkavBand *b) {
            return dynamic_cast<TkavDataBand *>(b) != nullptr;
        });
        // A data band already grouped by an earlier chain would lose that chain without a
        // word: the later one is reported instead.
        if (data == list.end() || FLinks[*data].Group)
            addError(errors, u"enUnconnGroup"_s, *outer);
        else
            FLinks[*data].Group = outer;
        i = end;
    }

    for (size_t i = 0; i < list.size(); ++i) {
        if (!dynamic_cast<TkavGroupFooter *>(list[i]))
            continue;
        bool paired = false;
        for (size_t j = i; j-- > 0 && !paired;) {
            if (isGroupHeader(list[j]) && !FLinks[list[j]].Footer) {
                FLinks[list[j]].Footer = list[i];
                paired = true;
            }
        }
        if (!paired)
            addError(errors, u"enUnconnGFooter"_s, *list[i]);
    }
    removeIf(list,
             [](TkavBand *b) { return isGroupHeader(b) || dynamic_cast<TkavGroupFooter *>(b); });
}

// A data band takes the header right before it and the footer right after it; the others
// are reported, and all leave the list.
void TkavBandTree::linkHeadersAndFooters(std::vector<TkavBand *> &list, TStrings &errors)
{
    std::vector<TkavBand *> used;
    for (size_t i = 0; i < list.size(); ++i) {
        if (!dynamic_cast<TkavDataBand *>(list[i]))
            continue;
        if (i > 0 && dynamic_cast<TkavHeader *>(list[i - 1])) {
            FLinks[list[i]].Header = list[i - 1];
            used.push_back(list[i - 1]);
        }
        if (i + 1 < list.size() && dynamic_cast<TkavFooter *>(list[i + 1])) {
            FLinks[list[i]].Footer = list[i + 1];
            used.push_back(list[i + 1]);
        }
    }
    removeIf(list, [&](TkavBand *b) {
        if (!dynamic_cast<TkavHeader *>(b) && !dynamic_cast<TkavFooter *>(b))
            return false;
        if (std::find(used.begin(), used.end(), b) == used.end())
            addError(errors, u"enUnconnHeader"_s, *b);
        return true;
    });
}

// Masters become top-level bands; the data bands one level deeper that follow a band are
// its details, until a band of its own level or above. Used bands leave the list.
void TkavBandTree::linkDataBands(std::vector<TkavBand *> &list)
{
    std::vector<bool> used(list.size(), false);
    for (size_t i = 0; i < list.size();) {
        if (list[i]->BandNumber() != bnMasterData) {
            ++i;
            continue;
        }
        used[i] = true;
        if (hasData(*list[i]))
            FTopBands.push_back(static_cast<TkavDataBand *>(list[i]));
        i = linkDetails(list, used, i);
    }
    size_t kept = 0;
    for (size_t i = 0; i < list.size(); ++i) {
        if (!used[i])
            list[kept++] = list[i];
    }
    list.resize(kept);
}

// Takes the details of list[parent] from the bands after it; returns the index that ends
// its run.
size_t TkavBandTree::linkDetails(const std::vector<TkavBand *> &list,
                                 std::vector<bool> &used,
                                 size_t parent)
{
    const int level = list[parent]->BandNumber();
    size_t i = parent + 1;
    while (i < list.size()) {
        const int number = list[i]->BandNumber();
        if (number <= level)
            break;
        if (number != level + 1 || level >= bnDataBand6) {
            ++i;
            continue;
        }
        used[i] = true;
        if (hasData(*list[i]))
            FLinks[list[parent]].SubBands.push_back(list[i]);
        i = linkDetails(list, used, i);
    }
    return i;
}

// ---------------------------------------------------------------------------------------
// Shift tree and shifting

void kavBuildShiftTree(TkavBand &Band)
{
    if (!Band.ShiftChildren().isEmpty())
        return;
    std::vector<Box> boxes;
    for (TkavComponent *child : Band.Objects()) {
        if (auto *object = dynamic_cast<TkavReportComponent *>(child)) {
            // A fresh tree: links left from objects added since would be doubled.
            object->ClearShiftChildren();
            boxes.push_back({object->Left(),
                             object->Top(),
                             object->Left() + object->Width(),
                             object->Top() + object->Height(),
                             object});
        }
    }
    std::stable_sort(boxes.begin(), boxes.end(), [](const Box &a, const Box &b) {
        return positionKey(a.top) < positionKey(b.top);
    });
    // The guard sits just above every object and spans the band: what it pushes is what no
    // object above would push, the band's own shift children.
    boxes.insert(boxes.begin(), Box{1, -2, 1 + Band.Width(), -2, nullptr});

    for (size_t a = 0; a < boxes.size(); ++a) {
        TkavReportComponent &upper = boxes[a].object ? *boxes[a].object : Band;
        for (size_t b = a + 1; b < boxes.size(); ++b) {
            if (isShiftChild(boxes, a, b))
                upper.AddShiftChild(boxes[b].object);
        }
    }
}

void kavShiftObjects(TkavReportComponent &Parent, double Amount)
{
    const TkavComponent *band = dynamic_cast<TkavBand *>(&Parent) ? &Parent : Parent.Parent();
    shiftChildren(Parent, Amount, band);
}
