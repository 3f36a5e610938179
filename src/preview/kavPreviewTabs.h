#pragma once

// The report tabs of a preview: each binds a name and caption to a report, its prepared
// pages and the view it was left at (page, scroll position, zoom).

#include <report/kavReport.h>
#include <report/kavReportOptions.h>

#include <QString>

#include <memory>
#include <vector>

class TkavCustomPreviewPages;

struct TkavPreviewTabItem
{
    QString Name;
    QString Caption;
    TkavReport *Report = nullptr;                   // not owned unless OwnedReport
    TkavCustomPreviewPages *PreviewPages = nullptr; // the report's pages
    int Top = 0;
    int Left = 0;
    int PageNo = 0; // 0: not shown yet
    int ThumbTop = 0;
    double Zoom = 1;
    TkavZoomMode ZoomMode = zmDefault;
    // The pages were loaded from a kw3 file: they are no longer those of the report's
    // template (detail reports are not opened from them).
    bool LoadedFile = false;
    // Set for a tab that owns its report (detail reports opened from hyperlinks).
    std::unique_ptr<TkavReport> OwnedReport;
};

class TkavPreviewTabs
{
public:
    int Count() const { return int(FItems.size()); }
    TkavPreviewTabItem &Items(int Index) { return *FItems.at(size_t(Index)); }
    const TkavPreviewTabItem &Items(int Index) const { return *FItems.at(size_t(Index)); }
    TkavPreviewTabItem &Add(std::unique_ptr<TkavPreviewTabItem> Item)
    {
        FItems.push_back(std::move(Item));
        return *FItems.back();
    }
    // Takes the tab out; its report, when owned, goes with it.
    std::unique_ptr<TkavPreviewTabItem> Take(int Index)
    {
        auto item = std::move(FItems.at(size_t(Index)));
        FItems.erase(FItems.begin() + Index);
        return item;
    }
    void Clear() { FItems.clear(); }
    // The first tab named Name (ignoring case) or showing Report; -1 for none.
    int IndexOf(const QString &Name) const
    {
        for (int i = 0; i < Count(); ++i)
            if (FItems[size_t(i)]->Name.compare(Name, Qt::CaseInsensitive) == 0)
                return i;
        return -1;
    }
    int IndexOf(const TkavReport *Report) const
    {
        for (int i = 0; i < Count(); ++i)
            if (FItems[size_t(i)]->Report == Report)
                return i;
        return -1;
    }
    int CurTab() const { return FCurTab; }
    void SetCurTab(int Value) { FCurTab = Value; }

private:
    std::vector<std::unique_ptr<TkavPreviewTabItem>> FItems;
    int FCurTab = -1;
};
