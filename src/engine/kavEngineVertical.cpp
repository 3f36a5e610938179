// Vertical bands: bands that run sideways across the page. A horizontal band whose objects
// lie inside vertical bands becomes their master: the vertical data bands run across it,
// each shown vertical band adds a copy of its cells to the master band, and the master band
// is output in slices, one per horizontal page, when the cells do not fit the page width.

#include "kavEngine.h"

#include <prepared/kavPreviewPages.h>
#include <report/kavBands.h>
#include <report/kavPages.h>
#include <report/kavReport.h>
#include <rtl/kavRTTI.h>

#include <QScopeGuard>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// Widths are compared with this tolerance.
constexpr double widthTolerance = 0.0001;

bool isVerticalFooter(const TkavBand &band)
{
    return band.InheritsFrom(TkavFooter::StaticClassInfo())
           || band.InheritsFrom(TkavGroupFooter::StaticClassInfo());
}

} // namespace

TkavEngine::VerticalScope::VerticalScope(TkavEngine &Engine, TkavBand &Band)
    : FEngine(Engine)
    , FHeaderList(std::move(Engine.FVHeaderList))
    , FPageList(std::move(Engine.FVPageList))
    , FMasterBand(Engine.FVMasterBand)
    , FVColumn(Engine.CurVColumn())
    , FPageHasBand(Engine.FVPageHasBand)
{
    Engine.FVHeaderList.Clear();
    Engine.FVPageList.clear();
    Engine.FVMasterBand = &Band;
}

TkavEngine::VerticalScope::~VerticalScope()
{
    // Finishing the band removes its cells; when an error came first, they go here.
    if (TkavBand *band = FEngine.FVMasterBand.get(); band && band->OriginalObjectsCount() >= 0) {
        while (band->Objects().size() > band->OriginalObjectsCount())
            band->Objects().last()->Free();
        band->SetOriginalObjectsCount(-1);
    }
    FEngine.FVHeaderList = std::move(FHeaderList);
    FEngine.FVPageList = std::move(FPageList);
    FEngine.FVMasterBand = FMasterBand;
    FEngine.SetCurVColumn(FVColumn);
    FEngine.FVPageHasBand = FPageHasBand;
}

bool TkavEngine::isVerticalMaster(const TkavBand &Band) const
{
    // Bands shown while a master band is run or sliced are output as they are: running
    // them sideways there would nest one horizontal page layout in another.
    return Band.HasVBands() && !FVRunning && !FVSlicing && FVMasterBand.get() != &Band
           && !Band.InheritsFrom(TkavPageHeader::StaticClassInfo());
}

int TkavEngine::ownObjectsCount(const TkavBand &Band) const
{
    const int all = int(Band.Objects().size());
    if (FVMasterBand.get() == &Band && Band.OriginalObjectsCount() >= 0)
        return std::min(all, Band.OriginalObjectsCount());
    return all;
}

void TkavEngine::runVerticalBands(TkavBand &Band)
{
    TkavReport &report = *Report();
    report.SetCurObject(Band.Name());
    Band.BeforePrint();
    report.DoBeforePrint(&Band);
    // The fill is one of the band's own objects, in front of the cells.
    Band.CreateFillMemo();
    if (Band.OriginalObjectsCount() < 0)
        Band.SetOriginalObjectsCount(int(Band.Objects().size()));
    FVPageList.assign(1, 0);
    FVHeaderList.Clear();
    FVPageHasBand = false;
    FVFooterFrom.clear();
    if (!Band.Visible() || !Band.Page())
        return;
    const double savedX = CurX();
    const int savedVColumn = CurVColumn();
    const int savedLine = CurLine();
    const int savedThrough = CurLineThrough();
    const bool savedFirstBand = FIsFirstBand;
    SetCurVColumn(0);
    SetCurX(0);
    FVRunning = true;
    const auto restore = qScopeGuard([&] {
        FVRunning = false;
        SetCurX(savedX);
        // The band's own objects see the horizontal totals again.
        SetCurVColumn(savedVColumn);
        SetCurLine(savedLine);
        SetCurLineThrough(savedThrough);
        FIsFirstBand = savedFirstBand;
        FCurBand = &Band;
    });
    RunDataBands(*Band.Page());
}

void TkavEngine::showVerticalBand(TkavBand &Band, bool Reprint)
{
    TkavBand *master = FVMasterBand.get();
    // A vertical band has a place only across the master band being run.
    if (!master || !FVRunning)
        return;
    TkavReport &report = *Report();
    const bool data = Band.InheritsFrom(TkavDataBand::StaticClassInfo());
    const bool footer = isVerticalFooter(Band);
    if (data && !Reprint)
        SetCurVColumn(CurVColumn() + 1);
    // The columns a footer closes start with its data band's first row or its group.
    if (TkavBand *closing = Reprint ? nullptr : treeFor(Band).LinksOf(&Band).Footer;
        closing && (!data || Band.LineThrough() == 1))
        FVFooterFrom[closing] = data ? CurVColumn() : CurVColumn() + 1;
    // Totals shown by a vertical footer across a data row are its own; any other cell
    // shows the master's, and so do the cells of a footer or summary master.
    TkavBand *aggregateBand = footer && !kavIsTotalsBand(*master) ? &Band : master;
    FCurBand = aggregateBand;
    // A data band's cells show their column's totals, a footer's those of its columns,
    // other cells the totals over rows.
    std::pair<int, int> columns{0, 0};
    if (data)
        columns = {CurVColumn(), CurVColumn()};
    else if (const auto from = FVFooterFrom.find(&Band); footer)
        columns = {from != FVFooterFrom.end() ? from->second : 1, CurVColumn()};
    report.SetCurObject(Band.Name());
    Band.BeforePrint();
    report.DoBeforePrint(&Band);
    {
        const auto finish = qScopeGuard([&] {
            report.DoAfterPrint(&Band);
            Band.AfterPrint();
        });
        if (Band.Visible()) {
            const auto fits = [&] {
                return FOutputTo || CurX() + Band.Width() <= PageWidth() + widthTolerance;
            };
            if (!fits() && FPage->EndlessWidth()) {
                SetPageWidth(CurX() + Band.Width());
            } else if (!fits() && !Reprint && FVPageHasBand) {
                // The next horizontal page: it starts with the vertical headers again.
                FVPageList.push_back(int(master->Objects().size()));
                SetCurX(0);
                FVPageHasBand = false;
                for (int i = 0; i < FVHeaderList.Count(); ++i)
                    if (TkavBand *header = FVHeaderList.Items(i).Band.get();
                        header && header != &Band)
                        showVerticalBand(*header, true);
                FCurBand = aggregateBand;
            }
            // A band that cannot fit even a fresh horizontal page would ask for new pages
            // without end: it is output where it falls, cut at the page's right edge.
            const bool clip = !fits();
            if (clip) {
                const QString line
                    = u"The vertical band %1 is wider than the page and is clipped"_s.arg(
                        Band.Name());
                if (report.Errors().IndexOf(line) < 0)
                    report.Errors().Add(line);
            }
            {
                FVCellColumns = columns;
                const auto cellsDone = qScopeGuard([this] { FVCellColumns.reset(); });
                addVerticalCells(Band, *master, clip);
            }
            SetCurX(CurX() + Band.Width());
            if (!Reprint)
                FVPageHasBand = true;
        }
    }
    if (data && !Reprint)
        FAggregates.AddValue(master, CurVColumn());
    if (footer && !Reprint)
        FAggregates.Reset(&Band);
}

void TkavEngine::addVerticalCells(TkavBand &VBand, TkavBand &Master, bool Clip)
{
    TkavReport &report = *Report();
    const double right = PageWidth();
    for (TkavComponent *obj : QList<TkavComponent *>(VBand.Objects())) {
        auto *component = dynamic_cast<TkavReportComponent *>(obj);
        if (!component || obj->OriginalBand() != &Master)
            continue;
        report.SetCurObject(obj->Name());
        component->BeforePrint();
        const auto finish = qScopeGuard([&] {
            report.DoAfterPrint(obj);
            component->AfterPrint();
        });
        report.DoBeforePrint(obj);
        if (!obj->Visible())
            continue;
        component->GetData();
        report.DoNotifyEvent(obj, component->OnAfterData());
        const double left = CurX() + obj->Left();
        double width = obj->Width();
        if (Clip) {
            if (left >= right)
                continue;
            width = std::min(width, right - left);
        }
        // The copy keeps the evaluated values; it leaves the band when the band is finished.
        std::unique_ptr<TkavComponent> copy = kavCreateObjectAs<TkavComponent>(obj->ClassName());
        copy->AssignAll(*obj);
        copy->setPreparedName(QString());
        copy->SetOriginalComponent(obj->OriginalComponent());
        copy->SetAliasName(obj->AliasName());
        TkavComponent *cell = Master.InsertComponent(std::move(copy));
        cell->SetParent(&Master);
        cell->SetBounds(left, obj->Top(), width, obj->Height());
    }
}

void TkavEngine::outputVerticalPages(TkavBand &Band)
{
    TkavCustomPreviewPages &pages = *PreviewPages();
    const int first = pages.CurPage();
    const double savedX = CurX();
    const double savedY = CurY();
    const bool keeping = FKeeping;
    const QList<TkavComponent *> objects = Band.Objects();
    std::vector<bool> visible;
    for (const TkavComponent *obj : objects)
        visible.push_back(obj->Visible());
    // A keep block lives on one page; the continuation pages are no part of it.
    FKeeping = false;
    FVSlicing = true;
    const auto restore = qScopeGuard([&] {
        for (qsizetype i = 0; i < objects.size(); ++i)
            objects[i]->SetVisible(visible[size_t(i)]);
        FVSlicing = false;
        FKeeping = keeping;
        pages.SetCurPage(first);
        SetCurX(savedX);
        SetCurY(savedY);
        // The next page break appends a page instead of writing over a continuation page.
        pages.SetAddPageAction(apAdd);
        FCurBand = &Band;
    });
    if (FVContinuations.empty() || FVContinuations.front() != first)
        FVContinuations.assign(1, first);
    const size_t slices = FVPageList.size();
    for (size_t k = 0; k < slices; ++k) {
        if (k > 0) {
            if (k < FVContinuations.size()) {
                pages.SetCurPage(FVContinuations[k]);
            } else {
                addContinuationPage();
                FVContinuations.push_back(pages.CurPage());
            }
        }
        const int from = FVPageList[k];
        const int to = k + 1 < slices ? FVPageList[k + 1] : int(objects.size());
        for (int i = 0; i < int(objects.size()); ++i)
            objects[i]->SetVisible(visible[size_t(i)] && i >= from && i < to);
        if (!FCallFromAddPage || !pages.BandExists(&Band))
            pages.AddObject(&Band);
    }
}

// A new output page to the right of the current one: page headers and overlays, but no
// data or group headers, whose rows are on the first page of the row.
void TkavEngine::addContinuationPage()
{
    const double savedX = CurX();
    const double savedY = CurY();
    const double savedFirstColumnY = FFirstColumnY;
    const double savedPrevFooterHeight = FPrevFooterHeight;
    const bool savedDontShowHeaders = FDontShowHeaders;
    const auto restore = qScopeGuard([&] {
        SetCurX(savedX);
        SetCurY(savedY);
        FFirstColumnY = savedFirstColumnY;
        FPrevFooterHeight = savedPrevFooterHeight;
        FDontShowHeaders = savedDontShowHeaders;
    });
    FDontShowHeaders = true;
    PreviewPages()->SetAddPageAction(apAdd);
    addOutputPage();
}

// The continuation pages end with their page: they get its footer and top overlay, with
// the totals of the page's rows, which are theirs too.
void TkavEngine::outputContinuationFooters()
{
    const std::vector<int> continuations = std::move(FVContinuations);
    FVContinuations.clear();
    TkavCustomPreviewPages &pages = *PreviewPages();
    if (continuations.size() < 2 || continuations.front() != pages.CurPage())
        return;
    auto *footer = static_cast<TkavBand *>(FPage->FindBand(TkavPageFooter::StaticClassInfo()));
    TkavOverlay *overlay = nullptr;
    for (TkavComponent *obj : FPage->Objects())
        if (auto *o = dynamic_cast<TkavOverlay *>(obj); o && o->PrintOnTop()) {
            overlay = o;
            break;
        }
    if (!footer && !overlay)
        return;
    const double savedY = CurY();
    const auto restore = qScopeGuard([&] {
        pages.SetCurPage(continuations.front());
        SetCurY(savedY);
    });
    for (size_t k = 1; k < continuations.size(); ++k) {
        pages.SetCurPage(continuations[k]);
        if (footer) {
            SetCurY(PageHeight() - footer->Height());
            outputFooter(footer, false);
        }
        if (overlay) {
            SetCurY(0);
            outputFooter(overlay, false);
        }
    }
}
