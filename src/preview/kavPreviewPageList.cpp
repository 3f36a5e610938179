#include "kavPreviewPageList.h"

#include <rtl/kavMath.h>

#include <algorithm>

void TkavPageList::Clear()
{
    FItems.clear();
    FMaxWidth = FRight = FBottom = 0;
}

void TkavPageList::AddPage(int Width, int Height)
{
    FItems.push_back({Height, Width, 0, 0});
}

void TkavPageList::Truncate(int Count)
{
    if (Count <= 0)
        Clear();
    else if (size_t(Count) < FItems.size())
        FItems.resize(size_t(Count));
}

void TkavPageList::CalcBounds(int ClientWidth, int From)
{
    size_t i = 0;
    int y = 10;
    if (From > 0 && size_t(From) <= FItems.size()) {
        // Back to the start of the last laid-out row: appended pages may join it.
        const int rowTop = FItems[size_t(From) - 1].OffsetY;
        i = size_t(From) - 1;
        while (i > 0 && FItems[i - 1].OffsetY == rowTop)
            --i;
        y = rowTop;
    } else if (From <= 0) {
        FMaxWidth = FRight = 0;
    } else {
        return;
    }
    while (i < FItems.size()) {
        const size_t rowStart = i;
        int running = 0;
        int rowHeight = 0;
        while (i < FItems.size() && (i == rowStart || running + FItems[i].Width <= ClientWidth)) {
            FItems[i].OffsetX = running;
            FItems[i].OffsetY = y;
            running += FItems[i].Width + 10;
            rowHeight = std::max(rowHeight, FItems[i].Height);
            ++i;
        }
        FMaxWidth = std::max(FMaxWidth, running);
        const int shift = std::max(0, (ClientWidth - running + 10) / 2) + 10;
        for (size_t k = rowStart; k < i; ++k) {
            FItems[k].OffsetX += shift;
            FRight = std::max(FRight, FItems[k].OffsetX + FItems[k].Width);
        }
        y += rowHeight + 10;
    }
    FBottom = FItems.empty() ? 0 : y - 10;
}

int TkavPageList::FindPage(int OffsetY, int OffsetX) const
{
    if (FItems.empty())
        return 0;
    int lo = 0;
    int hi = Count() - 1;
    int found = 0;
    while (lo <= hi) {
        const int mid = (lo + hi) / 2;
        const TkavPageItem &item = FItems[size_t(mid)];
        const int tolerance = OffsetX == 0 ? int(kavRound(item.Height / 5.0)) : 0;
        if (item.OffsetY <= OffsetY + tolerance) {
            found = mid;
            lo = mid + 1;
        } else {
            hi = mid - 1;
        }
    }
    if (OffsetX != 0) {
        for (int i = std::max(0, found - 20); i <= std::min(Count() - 1, found + 20); ++i) {
            const TkavPageItem &item = FItems[size_t(i)];
            if (QRect(item.OffsetX, item.OffsetY, item.Width, item.Height).contains(OffsetX, OffsetY))
                return i;
        }
    }
    return found;
}

QRect TkavPageList::GetPageBounds(int Index, int ClientWidth, double Scale, bool RTL) const
{
    if (Index >= 0 && Index < Count()) {
        const TkavPageItem &item = FItems[size_t(Index)];
        const int left = RTL ? ClientWidth - item.Width - item.OffsetX : item.OffsetX;
        return QRect(left, item.OffsetY, item.Width, item.Height);
    }
    const int width = int(kavRound(794 * Scale));
    const int height = int(kavRound(1123 * Scale));
    const int left = ClientWidth > width ? int(kavRound((ClientWidth - width) / 2.0)) : 10;
    return QRect(left, int(kavRound(10 * Scale)), width, height);
}
