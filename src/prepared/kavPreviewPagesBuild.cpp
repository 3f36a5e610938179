// Building prepared pages back into objects, the cache of built pages, and drawing.

#include "kavPaintUtils.h"
#include "kavPictureCache.h"
#include "kavPreviewPages.h"
#include "kavPreviewPages_p.h"

#include <persist/kavXML.h>
#include <persist/kavXMLSerializer.h>
#include <report/kavCustomEngine.h>
#include <report/kavPages.h>
#include <report/kavReport.h>
#include <report/kavViews.h>
#include <rtl/kavCast.h>
#include <rtl/kavMath.h>
#include <rtl/kavRTTI.h>

#include <QPainter>
#include <QScopeGuard>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

// Objects nested deeper than this on a prepared page are left out (a hostile file could
// otherwise exhaust the stack).
constexpr int maxObjectDepth = 64;

// Splits the Name attribute off an attribute text, so that the many copies of one template
// object on a page can share its name.
QString takeName(QString &text)
{
    TkavXMLItem item;
    item.SetText(text);
    const QString name = item.GetProp(u"Name");
    if (item.PropExists(u"Name")) {
        item.DeleteProp(u"Name");
        text = item.Text();
    }
    return name;
}

} // namespace

QList<int> TkavPreviewPages::CachedPages() const
{
    QList<int> pages;
    for (const auto &entry : FPageCache)
        pages.append(entry.first);
    return pages;
}

void TkavPreviewPages::ClearPageCache()
{
    // Pages read back from the swap file or from the prepared-report file go back there
    // for free (unchanged, their stored copy is still valid), so that walking every page,
    // as export and printing do, keeps memory flat. Changed pages wait for the next swap.
    for (const auto &entry : FPageCache)
        releasePageItem(entry.first);
    FPageCache.clear();
}

void TkavPreviewPages::releasePageItem(int Index)
{
    const int index = FXMLDoc->Root()->Find(kavPagesElement);
    TkavXMLItem *pages = index < 0 ? nullptr : FXMLDoc->Root()->Items(index);
    TkavXMLItem *item = pages && Index >= 0 && Index < pages->Count() ? pages->Items(Index) : nullptr;
    if (item && item->Loaded() && item->Unloadable() && item->Stored() && !item->Modified())
        FXMLDoc->UnloadItem(*item);
}

std::shared_ptr<TkavReportPage> TkavPreviewPages::BuildPage(int Index)
{
    if (Index < 0 || Index >= Count())
        return nullptr;
    std::shared_ptr<TkavReportPage> page = BuildPage(*PageItem(Index, false));
    ++FPagesBuilt;
    // A page the cache holds keeps its element loaded.
    if (std::none_of(FPageCache.begin(), FPageCache.end(), [Index](const auto &e) { return e.first == Index; }))
        releasePageItem(Index);
    return page;
}

void TkavPreviewPages::evictCachedPage()
{
    const int index = FPageCache.back().first;
    FPageCache.pop_back();
    // The element returns to the swap file or to the file it was loaded from.
    if (!useFileCache() && !FAllowPartialLoading)
        return;
    TkavXMLItem &pages = PagesItem();
    if (index >= 0 && index < pages.Count() && pages.Items(index)->Unloadable())
        FXMLDoc->UnloadItem(*pages.Items(index));
}

std::shared_ptr<TkavReportPage> TkavPreviewPages::GetPage(int Index)
{
    if (Index < 0 || Index >= Count())
        return nullptr;
    const auto cached = std::find_if(FPageCache.begin(), FPageCache.end(), [Index](const auto &e) {
        return e.first == Index;
    });
    // A running engine may still change the page: build it afresh.
    if (cached != FPageCache.end()) {
        if (!(Engine() && Engine()->Running())) {
            std::rotate(FPageCache.begin(), cached, cached + 1);
            return FPageCache.front().second;
        }
        FPageCache.erase(cached);
    }
    // Not aligned again: every object stays where the run put it, bands of columns and
    // subreports keep their width and views stay aligned to their own band.
    std::shared_ptr<TkavReportPage> page = BuildPage(*PageItem(Index, false));
    ++FPagesBuilt;
    FPageCache.insert(FPageCache.begin(), {Index, page});
    if (FPageCache.size() > 1 && int(FPageCache.size()) > pagesInCache())
        evictCachedPage();
    return page;
}

std::shared_ptr<TkavReportPage> TkavPreviewPages::BuildPage(TkavXMLItem &Item)
{
    TkavXMLSerializer serializer;
    std::shared_ptr<TkavReportPage> page;
    int source = -1;
    if (kavIsPrepPageName(Item.Name(), source)) {
        if (source < int(FSourcePages.size())) {
            TkavReportPage &sourcePage = *FSourcePages[size_t(source)];
            page = kavCreateObjectAs<TkavReportPage>(sourcePage.ClassName());
            serializer.XMLToObj(FSources[&sourcePage].Text, page.get());
            page->setPreparedName(sourcePage.Name());
        } else {
            serializer.Errors().Add(u"A prepared page names source page %1, which does not exist"_s.arg(source));
        }
    } else {
        const TkavClassInfo *cls = kavFindClass(Item.Name());
        if (cls && cls->InheritsFrom(TkavReportPage::StaticClassInfo())) {
            page = kavCreateObjectAs<TkavReportPage>(cls->ClassName());
            QString text = Item.Text();
            const QString name = takeName(text);
            serializer.XMLToObj(text, page.get());
            page->setPreparedName(name);
        } else {
            serializer.Errors().Add(u"A prepared page is of the unknown class %1"_s.arg(Item.Name()));
        }
    }
    // A page that cannot be built shows empty rather than failing its caller.
    if (!page)
        page = std::make_shared<TkavReportPage>();
    else
        BuildObjectsFromItems(Item, *page, 0, serializer);
    for (int i = 0; i < serializer.Errors().Count(); ++i) {
        const QString &line = serializer.Errors().Strings(i);
        if (!FBuildErrors.contains(line))
            FBuildErrors.append(line);
        if (Report())
            Report()->Errors().Add(line);
    }
    return page;
}

void TkavPreviewPages::BuildObjectsFromItems(TkavXMLItem &Item,
                                             TkavComponent &Parent,
                                             int Depth,
                                             TkavXMLSerializer &Serializer)
{
    if (Depth >= maxObjectDepth) {
        Serializer.Errors().Add(u"Objects nested too deeply on a prepared page are left out"_s);
        return;
    }
    for (int i = 0; i < Item.Count(); ++i) {
        TkavXMLItem &child = *Item.Items(i);
        const SourceObject *source = GetSourceObject(child.Name());
        TkavComponent *obj;
        if (source) {
            // Class and source properties first, then the differences, which override them.
            if (!source->Template)
                source->Template = Serializer.ReadAttributeTemplate(source->Text);
            obj = source->Template
                      ? Serializer.ReadComponentStr(&Parent, *source->Template, child.Text(), true)
                      : nullptr;
            if (obj)
                obj->setPreparedName(source->Copy->Name());
        } else {
            QString text = child.Text();
            const QString name = takeName(text);
            obj = Serializer.ReadComponentStr(&Parent, child.Name() + u' ' + text, true);
            if (obj)
                obj->setPreparedName(name);
        }
        if (!obj)
            continue;
        if (auto *picture = kavCast<TkavPictureView>(obj); picture && picture->Picture().IsEmpty())
            FPictureCache->GetPicture(*picture);
        if (auto *memo = kavCast<TkavCustomMemoView>(obj))
            memo->ApplyPreviewHighlight();
        BuildObjectsFromItems(child, *obj, Depth + 1, Serializer);
    }
}

QPoint TkavPreviewPages::GetPageSize(int Index)
{
    if (Index < 0 || Index >= Count())
        return {};
    const auto toPixels = [](double mm) {
        return int(kavRoundFloat(mm * kavMMToPixels));
    };
    int source = -1;
    const QString name = PagesItem().Items(Index)->Name();
    if (kavIsPrepPageName(name, source) && source < int(FSourcePages.size())) {
        const TkavReportPage &page = *FSourcePages[size_t(source)];
        return {toPixels(page.PaperWidth()), toPixels(page.PaperHeight())};
    }
    const std::shared_ptr<TkavReportPage> page = GetPage(Index);
    return {toPixels(page->PaperWidth()), toPixels(page->PaperHeight())};
}

void TkavPreviewPages::DrawPage(int Index,
                                QPainter *Canvas,
                                double ScaleX,
                                double ScaleY,
                                double OffsetX,
                                double OffsetY)
{
    if (const std::shared_ptr<TkavReportPage> page = GetPage(Index))
        drawPage(*page, Index, Count(), Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
}

void TkavPreviewPages::DrawPage(TkavReportPage &Page,
                                int Index,
                                QPainter *Canvas,
                                double ScaleX,
                                double ScaleY,
                                double OffsetX,
                                double OffsetY)
{
    drawPage(Page, Index, -1, Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
}

void TkavPreviewPages::drawPage(TkavReportPage &Page,
                                int Index,
                                int TotalPages,
                                QPainter *Canvas,
                                double ScaleX,
                                double ScaleY,
                                double OffsetX,
                                double OffsetY)
{
    if (!Canvas)
        return;
    TkavReportPage *page = &Page;
    const double savedLeft = page->LeftMargin();
    const double savedRight = page->RightMargin();
    const auto restoreMargins = qScopeGuard([&] {
        page->SetLeftMargin(savedLeft);
        page->SetRightMargin(savedRight);
    });
    if (page->MirrorMargins() && Index % 2 == 1) {
        page->SetLeftMargin(savedRight);
        page->SetRightMargin(savedLeft);
    }
    const bool printer = Canvas->device() && kavIsPrinterDevice(*Canvas->device());
    Canvas->save();
    const auto restoreCanvas = qScopeGuard([Canvas] { Canvas->restore(); });
    if (!printer) {
        const int left = int(std::lround(OffsetX));
        const int top = int(std::lround(OffsetY));
        const int right = int(std::lround(page->PaperWidth() * kavMMToPixels * ScaleX + OffsetX)) - 1;
        const int bottom = int(std::lround(page->PaperHeight() * kavMMToPixels * ScaleY + OffsetY)) - 1;
        Canvas->setClipRect(QRect(QPoint(left, top), QPoint(right, bottom)), Qt::IntersectClip);
    }
    page->Draw(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
    const double originX = OffsetX + page->LeftMargin() * kavMMToPixels * ScaleX;
    const double originY = OffsetY + page->TopMargin() * kavMMToPixels * ScaleY;
    const QRect clip = Canvas->hasClipping() ? Canvas->clipBoundingRect().toAlignedRect()
                                             : QRect(0, 0, Canvas->device()->width(), Canvas->device()->height());
    const TkavVisibilityType medium = printer ? vsPrint : vsPreview;
    for (TkavComponent *obj : page->AllObjects()) {
        auto *component = kavCast<TkavReportComponent>(obj);
        if (!component)
            continue;
        auto *view = kavCast<TkavView>(obj);
        if (view && !view->Visibility().Contains(medium))
            continue;
        const QRectF bounds(obj->AbsLeft() * ScaleX + originX - 20,
                            obj->AbsTop() * ScaleY + originY - 20,
                            obj->Width() * ScaleX + 40,
                            obj->Height() * ScaleY + 40);
        if (!bounds.intersects(clip))
            continue;
        if (auto *memo = kavCast<TkavCustomMemoView>(obj)) {
            if (TotalPages >= 0)
                memo->SetTotalPages(TotalPages);
            memo->SetCopyNo(FCopyNo);
            memo->SetPrintScale(FPrintScale);
        }
        obj->SetIsPrinting(printer);
        component->Draw(Canvas, ScaleX, ScaleY, originX, originY);
        obj->SetIsPrinting(false);
    }
}

// ---------------------------------------------------------------------------------------
// Dump

namespace {

void dumpObject(const TkavComponent &obj, int level, QString &out)
{
    out += QString(level * 2, u' ') + obj.ClassName() + u' ' + obj.Name();
    out += u" l=%1 t=%2 w=%3 h=%4"_s.arg(obj.Left(), 0, 'f', 2)
               .arg(obj.Top(), 0, 'f', 2)
               .arg(obj.Width(), 0, 'f', 2)
               .arg(obj.Height(), 0, 'f', 2);
    if (auto *memo = kavCast<const TkavCustomMemoView>(&obj)) {
        QString text = memo->Text();
        if (text.endsWith(u"\r\n"_s))
            text.chop(2);
        text.replace(u"\r\n"_s, u"\\n"_s).replace(u'\n', u"\\n"_s).replace(u'\r', u"\\n"_s);
        out += u" \""_s + text + u'"';
    }
    out += u'\n';
    for (const TkavComponent *child : obj.Objects())
        dumpObject(*child, level + 1, out);
}

} // namespace

QString kavDumpPreparedPages(TkavCustomPreviewPages &Pages)
{
    QString out;
    for (int i = 0; i < Pages.Count(); ++i) {
        out += u"page %1\n"_s.arg(i + 1);
        if (const std::shared_ptr<TkavReportPage> page = Pages.GetPage(i))
            for (const TkavComponent *obj : page->Objects())
                dumpObject(*obj, 1, out);
    }
    return out;
}
