#pragma once

// TkavPageList: where the pages of a preview workspace lie. Only sizes and offsets are
// kept (pixels at the workspace's zoom); pages go in centred rows, several to a row when
// they are small.

#include <QRect>

#include <vector>

struct TkavPageItem
{
    int Height = 0;
    int Width = 0;
    int OffsetX = 0;
    int OffsetY = 0;
};

class TkavPageList
{
public:
    void Clear();
    void AddPage(int Width, int Height);
    // Drops the pages from Count on.
    void Truncate(int Count);
    int Count() const { return int(FItems.size()); }
    const TkavPageItem &Items(int Index) const { return FItems.at(size_t(Index)); }
    // The widest row's running width.
    int MaxWidth() const { return FMaxWidth; }
    // Right and bottom edges of everything laid out (0 when empty).
    int Right() const { return FRight; }
    int Bottom() const { return FBottom; }

    // Places the pages in rows from y = 10, each row centred in ClientWidth, 10 pixels
    // between pages and rows. With From > 0 the rows before From's row are kept as they are
    // (pages were only appended).
    void CalcBounds(int ClientWidth, int From = 0);
    // The last page whose top is at most OffsetY plus a fifth of its height (OffsetX 0);
    // otherwise the page within 20 of that one that contains the point, else that one.
    int FindPage(int OffsetY, int OffsetX = 0) const;
    // Page Index as laid out (mirrored for right-to-left); outside the list an A4-shaped
    // placeholder at Scale.
    QRect GetPageBounds(int Index, int ClientWidth, double Scale, bool RTL) const;

private:
    std::vector<TkavPageItem> FItems;
    int FMaxWidth = 0;
    int FRight = 0;
    int FBottom = 0;
};
