// The run as a whole: pages, output pages, headers and footers, columns, free space, page
// breaks and keep-together.

#include "kavEngine.h"

#include <persist/kavRes.h>
#include <persist/kavXML.h>
#include <prepared/kavPreviewPages.h>
#include <report/kavBands.h>
#include <report/kavDataSets.h>
#include <report/kavDialogs.h>
#include <report/kavPages.h>
#include <report/kavReport.h>
#include <report/kavViews.h>
#include <rtl/kavCaseFold.h>
#include <rtl/kavDateTime.h>
#include <rtl/kavFormat.h>
#include <rtl/kavMath.h>
#include <rtl/kavRTTI.h>
#include <rtl/kavUIServices.h>

#include <QScopeGuard>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

// ---------------------------------------------------------------------------------------
// TkavHeaderList

void TkavHeaderList::AddItem(TkavBand *ABand, double ALeft, bool AInKeepList)
{
    FItems.push_back(TkavHeaderListItem{ABand, ALeft, AInKeepList});
}

void TkavHeaderList::RemoveItem(TkavBand *ABand)
{
    for (auto it = FItems.begin(); it != FItems.end(); ++it)
        if (it->Band.get() == ABand) {
            FItems.erase(it);
            return;
        }
}

// ---------------------------------------------------------------------------------------
// TkavEngine: construction

TkavEngine::TkavEngine(TkavReport *AReport)
    : TkavCustomEngine(AReport)
    , FAggregates(AReport)
{
}

TkavEngine::~TkavEngine() = default;

const TkavClassInfo &TkavEngine::StaticClassInfo()
{
    static const TkavClassInfo info =
        kavMakeClassInfo<TkavEngine, TkavCustomEngine>(u"TkavEngine"_s, [](auto &) {});
    return info;
}

double TkavEngine::PageHeight() const
{
    // An endless page is always as high as what is on it.
    if (FPage && FPage->EndlessHeight())
        return const_cast<TkavEngine *>(this)->FooterHeight() + CurY();
    return TkavCustomEngine::PageHeight();
}

bool TkavEngine::terminated() const
{
    return Report()->Terminated();
}

void TkavEngine::idle()
{
    // Pending user-interface messages (a cancel button, a repaint) every 20 ms: often enough
    // to stay responsive, rarely enough to cost nothing per row.
    if (Report()->EngineOptions().EnableThreadSafe() || FIdleClock.elapsed() < 20)
        return;
    FIdleClock.restart();
    kavUIServices().ProcessMessages();
}

const TkavBandTree &TkavEngine::tree() const
{
    return treeFor(*FPage);
}

// ---------------------------------------------------------------------------------------
// The run

std::vector<std::pair<TkavReportPage *, TkavEngine::PageTrees *>> TkavEngine::pageTrees() const
{
    std::vector<std::pair<TkavReportPage *, PageTrees *>> result;
    for (int i = 0; i < Report()->PagesCount(); ++i) {
        auto *page = dynamic_cast<TkavReportPage *>(Report()->Pages(i));
        const auto found = FTrees.find(page);
        if (found != FTrees.end())
            result.emplace_back(page, found->second.get());
    }
    return result;
}

bool TkavEngine::Initialize()
{
    TkavReport &report = *Report();
    FPrevFooterHeight = 0;
    PreviewPages()->Initialize();
    PreviewPages()->SetAddPageAction(apAdd);
    SetStartDate(Date());
    SetStartTime(Time());
    SetRunning(true);
    FIdleClock.start();
    BreakAllKeep();
    SetCurVColumn(0);
    FVContinuations.clear();
    FAggregates.Clear();
    FTrees.clear();
    FPageLimitReached = false;
    for (int i = 0; i < report.PagesCount(); ++i) {
        auto *page = dynamic_cast<TkavReportPage *>(report.Pages(i));
        if (!page)
            continue;
        auto trees = std::make_unique<PageTrees>();
        trees->Horizontal.Build(*page, false, report.Errors());
        trees->Vertical.Build(*page, true, report.Errors());
        FTrees[page] = std::move(trees);
    }
    applyRunWidths();
    FRevisitedPage = -1;
    FColumnLines.clear();
    checkDataSetNames();
    // Data sets used twice at different levels would be walked by two loops at once.
    TkavDataSet *reportDataSet = report.DataSet();
    for (const auto &[page, trees] : pageTrees()) {
        if (reportDataSet && reportDataSet == page->DataSet()) {
            report.Errors().Add(u"Cannot use the same dataset for Report.DataSet and Page.DataSet"_s);
            break;
        }
        for (TkavDataBand *band : trees->Horizontal.TopBands()) {
            if (reportDataSet && band->DataSet() == reportDataSet) {
                report.Errors().Add(u"Cannot use the same dataset for Report.DataSet and Band.DataSet"_s);
                break;
            }
            if (page->DataSet() && band->DataSet() == page->DataSet()) {
                report.Errors().Add(u"Cannot use the same dataset for Page.DataSet and Band.DataSet"_s);
                break;
            }
        }
    }
    return report.Errors().Count() == 0;
}

// A data set named in the template but found nowhere would print an empty list and look
// like a report without data: the author is told which object names it.
void TkavEngine::checkDataSetNames()
{
    TkavReport &report = *Report();
    auto check = [&](const TkavComponent &obj, const QString &name, const TkavDataSet *dataSet) {
        if (!name.isEmpty() && !dataSet)
            report.Errors().Add(obj.Name() + u": "_s
                                + Format(kavResourceTable().Get(u"clDSNotExist"_s), {Variant(name)}));
    };
    for (const auto &[page, trees] : pageTrees()) {
        check(*page, page->DataSetName(), page->DataSet());
        for (TkavComponent *obj : page->AllObjects()) {
            if (auto *band = dynamic_cast<TkavDataBand *>(obj))
                check(*band, band->DataSetName(), band->DataSet());
            else if (auto *view = dynamic_cast<TkavView *>(obj))
                check(*view, view->DataSetName(), view->DataSet());
        }
    }
}

void TkavEngine::applyRunWidths()
{
    for (const auto &[page, trees] : pageTrees()) {
        const auto *sub = dynamic_cast<const TkavView *>(page->SubReport());
        for (TkavComponent *obj : page->Objects()) {
            auto *band = dynamic_cast<TkavBand *>(obj);
            if (!band || band->Vertical())
                continue;
            double width = band->Width();
            if (sub)
                width = std::max(0.0, sub->Width() - band->Left());
            if (auto *data = dynamic_cast<TkavDataBand *>(band);
                data && data->Columns() > 1 && data->ColumnWidth() > 0)
                width = std::min(width, data->ColumnWidth());
            if (width != band->Width()) {
                band->SetWidth(width);
                band->AlignChildren();
            }
        }
    }
}

void TkavEngine::Finalize()
{
    // The template gets back the widths and alignment it has outside a run.
    for (const auto &[page, trees] : pageTrees())
        page->AlignChildren();
    Report()->DataSets().Finalize();
    PreviewPages()->Finish();
    SetRunning(false);
}

bool TkavEngine::Run(bool ARunDialogs, bool AClearLast, TkavPage *APage)
{
    Q_UNUSED(AClearLast);
    FCancelledDialog.clear();
    TkavReport &report = *Report();
    bool started = false;
    const auto finalize = qScopeGuard([&] {
        if (started)
            report.DoNotifyEvent(&report, report.OnStopReport());
        Finalize();
    });
    if (!Initialize())
        return false;
    report.DataSets().Initialize(report.DataSetScriptLink());
    started = true;
    report.DoNotifyEvent(&report, report.OnStartReport());
    if (ARunDialogs && !SkipDialogs() && !runDialogs())
        return false;
    for (const auto &[page, trees] : pageTrees()) {
        if (APage && page != APage)
            continue;
        PreviewPages()->AddSourcePage(page);
        FAggregates.AddItems(*page, trees->Horizontal, trees->Vertical);
    }
    SetFinalPass(!DoublePass());
    SetTotalPages(0);
    PreviewPages()->BeginPass();
    runReportPages(APage);
    if (DoublePass() && !terminated()) {
        SetTotalPages(PreviewPages()->Count());
        PreviewPages()->SetCurPage(PreviewPages()->Count() - 1);
        PreviewPages()->ClearFirstPassPages();
        FAggregates.ClearValues();
        SetFinalPass(true);
        runReportPages(APage);
    }
    return true;
}

bool TkavEngine::runDialogs()
{
    TkavReport &report = *Report();
    if (!report.OnRunDialogs().trimmed().isEmpty()) {
        Variant answer = VarArrayOf({Variant(true)});
        report.DoParamEvent(report.OnRunDialogs(), answer);
        return answer.ArrayElement(0).AsBoolean();
    }
    for (int i = 0; i < report.PagesCount(); ++i) {
        auto *page = dynamic_cast<TkavDialogPage *>(report.Pages(i));
        if (!page || !page->Visible())
            continue;
        page->DialogForm()->SetBorderStyle(page->BorderStyle());
        if (!page->HasControls())
            continue;
        const TModalResult result = OnRunDialog() ? OnRunDialog()(*page) : page->ShowModal();
        if (result == mrCancel) {
            FCancelledDialog = page->Name();
            return false;
        }
    }
    return true;
}

void TkavEngine::runReportPages(TkavPage *APage)
{
    TkavReport &report = *Report();
    FFirstReportPage = true;
    const auto runOnce = [&] {
        for (int i = 0; i < report.PagesCount() && !terminated(); ++i) {
            auto *page = dynamic_cast<TkavReportPage *>(report.Pages(i));
            if (!page || (APage && page != APage))
                continue;
            if (!APage && (page->IsSubReport() || !page->Visible()))
                continue;
            runPage(*page);
            FFirstReportPage = false;
        }
    };
    if (TkavDataSet *dataSet = report.DataSet()) {
        dataSet->First();
        while (!dataSet->Eof() && !terminated()) {
            runOnce();
            dataSet->Next();
        }
    } else {
        runOnce();
    }
}

void TkavEngine::runPage(TkavReportPage &Page)
{
    FPage = &Page;
    FIsFirstBand = true;
    Report()->SetCurObject(Page.Name());
    Report()->DoNotifyEvent(&Page, Page.OnBeforePrint());
    if (TkavDataSet *dataSet = Page.DataSet()) {
        dataSet->First();
        while (!dataSet->Eof() && !terminated()) {
            runPageBody(Page);
            dataSet->Next();
        }
    } else {
        for (int i = 0; i < std::max(Page.PageCount(), 1) && !terminated(); ++i)
            runPageBody(Page);
    }
    Report()->DoNotifyEvent(&Page, Page.OnAfterPrint());
}

void TkavEngine::runPageBody(TkavReportPage &Page)
{
    if (!DetailHasData(Page, Report()->EngineOptions().PrintIfEmpty()))
        return;
    startPage();
    outputPageObjects();
    if (Report()->OnManualBuild())
        Report()->OnManualBuild()(&Page);
    else if (!Page.OnManualBuild().trimmed().isEmpty())
        Report()->DoNotifyEvent(&Page, Page.OnManualBuild());
    else
        RunDataBands(Page);
    FIsLastPage = true;
    if (Page.EndlessHeight() || Page.EndlessWidth()) {
        auto *page = const_cast<TkavReportPage *>(&Page);
        PreviewPages()->UpdatePageDimensions(
            page,
            Page.EndlessWidth() ? PageWidth() + (Page.LeftMargin() + Page.RightMargin()) * kavMMToPixels
                                : Page.PaperWidth() * kavMMToPixels,
            (FooterHeight() + CurY()) + (Page.TopMargin() + Page.BottomMargin()) * kavMMToPixels);
    }
    EndPage();
    FIsLastPage = false;
}

void TkavEngine::outputPageObjects()
{
    QList<TkavComponent *> objects;
    for (TkavComponent *obj : FPage->Objects())
        if (!dynamic_cast<TkavBand *>(obj) && dynamic_cast<TkavReportComponent *>(obj))
            objects.append(obj);
    if (objects.isEmpty())
        return;
    // A container as large as the page holds them while they are output, then they return.
    TkavNullBand container;
    container.SetName(u"PageObjects"_s);
    container.SetBounds(0, CurY(), PageWidth(), PageHeight());
    std::vector<int> places;
    for (TkavComponent *obj : objects) {
        places.push_back(int(FPage->Objects().indexOf(obj)));
        obj->SetParent(&container);
    }
    const double y = CurY();
    const auto restore = qScopeGuard([&] {
        for (size_t i = 0; i < size_t(objects.size()); ++i) {
            objects[qsizetype(i)]->SetParent(FPage);
            FPage->MoveObject(objects[qsizetype(i)], places[i]);
        }
        SetCurY(y);
    });
    ShowBand(&container);
}

// ---------------------------------------------------------------------------------------
// Output pages

void TkavEngine::startPage()
{
    TkavReportPage &page = *FPage;
    TkavComponent *title = page.FindBand(TkavReportTitle::StaticClassInfo());
    TkavComponent *header = page.FindBand(TkavPageHeader::StaticClassInfo());
    FHeaderList.Clear();
    if (page.TitleBeforeHeader()) {
        FHeaderList.AddItem(static_cast<TkavBand *>(title), 0, false);
        FHeaderList.AddItem(static_cast<TkavBand *>(header), 0, false);
    } else {
        FHeaderList.AddItem(static_cast<TkavBand *>(header), 0, false);
        FHeaderList.AddItem(static_cast<TkavBand *>(title), 0, false);
    }
    SetPageHeight((page.PaperHeight() - page.TopMargin() - page.BottomMargin()) * kavMMToPixels);
    SetPageWidth((page.PaperWidth() - page.LeftMargin() - page.RightMargin()) * kavMMToPixels);
    SetCurX(0);
    SetCurY(0);
    SetCurColumn(1);
    FPageCurX = 0;
    FIsFirstPage = true;
    FIsLastPage = false;
    PreviewPages()->Outline().LevelRoot();
    if (page.ResetPageNumbers())
        PreviewPages()->ResetLogicalPageNumber();
    // The title's subreports may go on to further pages before this returns.
    int firstPage;
    if (PreviewPages()->Count() > 0 && page.PrintOnPreviousPage()) {
        firstPage = PreviewPages()->Count() - 1;
        PreviewPages()->SetCurPage(firstPage);
        SetCurY(PreviewPages()->GetLastY(0));
        FHeaderList.RemoveItem(static_cast<TkavBand *>(title));
        ShowBand(static_cast<TkavBand *>(title));
    } else {
        firstPage = addOutputPage();
    }
    if (FFirstReportPage)
        PreviewPages()->SetFirstPage(firstPage);
    FFirstColumnY = CurY();
    auto *columnHeader = static_cast<TkavBand *>(page.FindBand(TkavColumnHeader::StaticClassInfo()));
    ShowBand(columnHeader);
    if (columnHeader)
        FHeaderList.AddItem(columnHeader, 0, false);
    FHeaderList.RemoveItem(static_cast<TkavBand *>(title));
    addPageOutline();
}

void TkavEngine::addPageOutline()
{
    if (FPage->OutlineText().trimmed().isEmpty())
        return;
    PreviewPages()->Outline().LevelRoot();
    PreviewPages()->Outline().AddItem(Report()->Calc(FPage->OutlineText()).AsString(), 0);
    PreviewPages()->Outline().LevelRoot();
}

void TkavEngine::checkPageLimit()
{
    const int limit = Report()->EngineOptions().MaxPages();
    // The page just added is the last one: the run winds down on it.
    if (limit <= 0 || PreviewPages()->Count() < limit || FPageLimitReached)
        return;
    FPageLimitReached = true;
    Report()->Errors().Add(
        u"The report was stopped after %1 pages (EngineOptions.MaxPages)"_s.arg(limit));
    Report()->SetTerminated(true);
}

int TkavEngine::addOutputPage()
{
    FPrevFooterHeight = 0;
    const int pages = PreviewPages()->Count();
    PreviewPages()->AddPage(FPage);
    const int index = PreviewPages()->CurPage();
    FRevisitedPage = PreviewPages()->Count() == pages ? index : -1;
    checkPageLimit();
    SetCurY(0);
    for (TkavComponent *obj : FPage->Objects())
        if (auto *overlay = dynamic_cast<TkavOverlay *>(obj); overlay && !overlay->PrintOnTop()) {
            outputFooter(overlay);
            break;
        }
    SetCurY(0);
    FFirstColumnY = 0;
    showHeaderList();
    return index;
}

void TkavEngine::showHeaderList()
{
    const double savedX = CurX();
    const bool firstOutputPage = FIsFirstPage;
    const int outputPage = PreviewPages()->CurPage();
    const TkavBand *kept = keptHeader();
    // Items are read by index and copied: a subreport of a band shown here adds its own
    // headers to the list while it runs.
    for (int i = 0; i < FHeaderList.Count(); ++i) {
        const TkavHeaderListItem item = FHeaderList.Items(i);
        TkavBand *band = item.Band.get();
        if (!band || band == FStartNewPageBand.get())
            continue;
        if (auto *header = dynamic_cast<TkavPageHeader *>(band);
            header && firstOutputPage && !header->PrintOnFirstPage()) {
            if (header->PrintChildIfInvisible())
                ShowBand(header->Child());
            continue;
        }
        const bool dataHeader = band->InheritsFrom(TkavHeader::StaticClassInfo());
        if (band == kept || (item.IsInKeepList && !FKeepFooter))
            continue;
        if ((dataHeader || band->InheritsFrom(TkavGroupHeader::StaticClassInfo())) && FDontShowHeaders)
            continue;
        if (dataHeader && band == FLastBandOnPage.get())
            continue;
        const bool pageHeader = band->InheritsFrom(TkavPageHeader::StaticClassInfo());
        if (band->InheritsFrom(TkavReportTitle::StaticClassInfo())) {
            // The title is output once; taken out first, so that a page its subreports
            // start does not show it again.
            FHeaderList.Items(i).Band = nullptr;
            if (FIsFirstBand)
                FTitlePrinted = true;
        }
        SetCurX(item.Left);
        const int savedLine = CurLine();
        const int savedThrough = CurLineThrough();
        SetCurLine(band->LineN());
        SetCurLineThrough(band->LineThrough());
        {
            const HeaderListScope scope(*this, *band, true, pageHeader);
            const auto restore = qScopeGuard([&] {
                SetCurLine(savedLine);
                SetCurLineThrough(savedThrough);
            });
            ShowBand(band);
        }
        if (pageHeader)
            FFirstColumnY = band->StretchedHeight();
        // A title's subreports went on to further pages, whose starts showed the rest of
        // the list.
        if (PreviewPages()->CurPage() != outputPage)
            break;
    }
    SetCurX(savedX);
}

TkavBand *TkavEngine::keptHeader() const
{
    TkavDataBand *data = FKeepHeaderBand.get();
    return FKeepHeader && data ? treeFor(*data).LinksOf(data).Header : nullptr;
}

void TkavEngine::addErrorOnce(const QString &Line)
{
    if (Report()->Errors().IndexOf(Line) < 0)
        Report()->Errors().Add(Line);
}

TkavEngine::HeaderListScope::HeaderListScope(TkavEngine &Engine,
                                             TkavBand &Band,
                                             bool Showing,
                                             bool PageHeader)
    : FEngine(Engine)
    , FBand(Band)
    , FOverflow(Band.Overflow())
    , FCallFromAddPage(Engine.FCallFromAddPage)
    , FCallFromPHeader(Engine.FCallFromPHeader)
{
    Band.SetOverflow(Showing);
    Engine.FCallFromAddPage = Showing;
    Engine.FCallFromPHeader = Showing && PageHeader;
}

TkavEngine::HeaderListScope::~HeaderListScope()
{
    FBand.SetOverflow(FOverflow);
    FEngine.FCallFromAddPage = FCallFromAddPage;
    FEngine.FCallFromPHeader = FCallFromPHeader;
}

void TkavEngine::EndPage()
{
    TkavReportPage &page = *FPage;
    if (!FCallFromEndPage)
        outputColumnFooter();
    // Also when the summary breaks the last page: it goes on in the first column.
    if (!FIsLastPage || FCallFromEndPage) {
        SetCurX(FPageCurX);
        SetCurColumn(1);
    }
    if (FIsLastPage && !FCallFromEndPage) {
        FCallFromEndPage = true;
        const auto leave = qScopeGuard([this] { FCallFromEndPage = false; });
        auto *summary = static_cast<TkavBand *>(page.FindBand(TkavReportSummary::StaticClassInfo()));
        ShowBand(summary);
        if (page.EndlessHeight() && summary) {
            PreviewPages()->UpdatePageDimensions(
                FPage,
                page.PaperWidth() * kavMMToPixels,
                FooterHeight() + CurY() + (page.TopMargin() + page.BottomMargin()) * kavMMToPixels);
        }
    }
    outputContinuationFooters();
    if (auto *footer = static_cast<TkavPageFooter *>(page.FindBand(TkavPageFooter::StaticClassInfo()))) {
        SetCurY(PageHeight() - footer->Height());
        FPrevFooterHeight =
            FIsLastPage && footer->PrintOnLastPage() && !FCallFromEndPage ? footer->Height() : 0;
        outputFooter(footer);
    }
    for (TkavComponent *obj : page.Objects())
        if (auto *overlay = dynamic_cast<TkavOverlay *>(obj); overlay && overlay->PrintOnTop()) {
            SetCurY(0);
            outputFooter(overlay);
            break;
        }
    FIsFirstPage = false;
}

// Page footers and overlays: placed where CurY is, never moved or split.
void TkavEngine::outputFooter(TkavBand *Band, bool ResetAggregates)
{
    const auto finish = qScopeGuard([this, Band] { FinishBand(*Band); });
    PrepareBand(*Band);
    if (!Band->Visible())
        return;
    Band->SetLeft(0);
    Band->SetTop(CurY());
    if (auto *footer = dynamic_cast<TkavPageFooter *>(Band)) {
        const bool suppressed = (FIsFirstPage && !footer->PrintOnFirstPage())
                                || (FIsLastPage && !footer->PrintOnLastPage() && !FCallFromEndPage);
        if (suppressed)
            return;
    }
    if (!PreviewPages()->BandExists(Band))
        PreviewPages()->AddObject(Band);
    SetCurY(CurY() + Band->Height());
    if (ResetAggregates)
        FAggregates.Reset(Band);
}

void TkavEngine::outputColumnFooter()
{
    auto *footer = static_cast<TkavBand *>(FPage->FindBand(TkavColumnFooter::StaticClassInfo()));
    if (!footer)
        return;
    const auto finish = qScopeGuard([this, footer] { FinishBand(*footer); });
    PrepareBand(*footer);
    if (footer->Visible()) {
        footer->SetLeft(CurX() - FPageCurX);
        footer->SetTop(CurY());
        PreviewPages()->AddObject(footer);
        SetCurY(CurY() + footer->Height());
    }
    FAggregates.Reset(footer);
}

// ---------------------------------------------------------------------------------------
// Space

double TkavEngine::FooterHeight()
{
    double height = 0;
    if (auto *footer = FPage ? FPage->FindBand(TkavColumnFooter::StaticClassInfo()) : nullptr)
        height += footer->Height();
    if (auto *footer = FPage ? FPage->FindBand(TkavPageFooter::StaticClassInfo()) : nullptr)
        height += footer->Height();
    return height;
}

double TkavEngine::HeaderHeight()
{
    double height = 0;
    for (const TkavClassInfo *cls : {&TkavColumnHeader::StaticClassInfo(), &TkavPageHeader::StaticClassInfo()}) {
        auto *band = FPage ? static_cast<TkavBand *>(FPage->FindBand(*cls)) : nullptr;
        for (int guard = 0; band && guard < 1000; ++guard) {
            height += band->Height();
            band = band->Child();
        }
    }
    return height;
}

double TkavEngine::FreeSpace()
{
    if (FPage && FPage->EndlessHeight())
        return 1000000;
    if (FPrevFooterHeight != 0)
        return PageHeight() - FPrevFooterHeight - CurY();
    return PageHeight() - FooterHeight() - CurY();
}

// ---------------------------------------------------------------------------------------
// Breaks

void TkavEngine::cutKept()
{
    TkavBand *keepBand = FKeepBand.get();
    if (keepBand && CurY() - FKeepCurY + keepBand->Height() > PageHeight() - FooterHeight()) {
        // The block cannot fit even on an empty page: output it where it falls.
        FKeeping = false;
        FAggregates.EndKeep();
        return;
    }
    PreviewPages()->CutObjects(FKeepPosition);
    FKeptHeader = nullptr;
    auto *data = dynamic_cast<TkavDataBand *>(FCurBand.get());
    if (data && std::abs(PreviewPages()->GetLastY(0) - CurY()) >= 1e-4) {
        if (TkavBand *header = tree().LinksOf(data).Header) {
            FHeaderList.RemoveItem(header);
            FKeptHeader = header;
        }
    }
}

void TkavEngine::pasteKept(double X)
{
    FAggregates.EndKeep();
    const double top = CurY();
    PreviewPages()->PasteObjects(X, top);
    PreviewPages()->Outline().ShiftItems(FKeepOutline, int(kavRoundFloat(top)));
    PreviewPages()->ShiftAnchors(FKeepAnchor, int(kavRoundFloat(top)));
    SetCurY(PreviewPages()->GetLastY(X == 0 ? 0 : X));
    if (TkavBand *header = FKeptHeader.get())
        AddToHeaderList(header);
    FKeptHeader = nullptr;
}

void TkavEngine::NewPage()
{
    // A break while the headers of a page are shown would show them again, without end.
    if (FCallFromAddPage) {
        addErrorOnce(u"A page break asked for while the headers of a page are shown is ignored"_s);
        return;
    }
    const bool keeping = FKeeping;
    if (keeping)
        cutKept();
    const bool stillKeeping = FKeeping;
    FLastBandOnPage = FCurBand.get();
    EndPage();
    if (FPage->EndlessHeight()) {
        const std::shared_ptr<TkavReportPage> last = PreviewPages()->GetPage(PreviewPages()->CurPage());
        if (last) {
            last->SetPaperHeight((FooterHeight() + CurY()) / kavMMToPixels + FPage->TopMargin()
                                 + FPage->BottomMargin());
            last->SetPaperWidth(PageWidth() / kavMMToPixels + FPage->LeftMargin() + FPage->RightMargin());
            last->SetPaperSize(kavPaperCustom);
            PreviewPages()->ModifyPage(PreviewPages()->CurPage(), last.get());
        }
    }
    addOutputPage();
    FLastBandOnPage = nullptr;
    if (stillKeeping && keeping)
        pasteKept(0);
    FKeeping = false;
    FKeepBand = nullptr;
    FKeepHeader = false;
    addPageOutline();
}

void TkavEngine::NewColumn()
{
    if (FCallFromAddPage) {
        addErrorOnce(u"A page break asked for while the headers of a page are shown is ignored"_s);
        return;
    }
    if (CurColumn() >= FPage->Columns()) {
        NewPage();
        return;
    }
    const bool keeping = FKeeping;
    if (keeping) {
        cutKept();
        SetCurY(PreviewPages()->GetLastY(0));
    }
    FLastBandOnPage = FCurBand.get();
    outputColumnFooter();
    startColumn();
    FLastBandOnPage = nullptr;
    if (keeping && FKeeping)
        pasteKept(CurX());
    FKeeping = false;
    FKeepBand = nullptr;
}

double TkavEngine::columnOffset(int Column) const
{
    const TStrings &positions = FPage->ColumnPositions();
    double mm = 0;
    if (Column < 1 || Column > positions.Count()
        || !kavTryFileTextToFloat(positions.Strings(Column - 1).trimmed(), mm))
        return 0;
    return mm * kavMMToPixels;
}

void TkavEngine::startColumn()
{
    SetCurColumn(CurColumn() + 1);
    const double offset = columnOffset(CurColumn());
    SetCurY(FFirstColumnY);
    const TkavBand *kept = keptHeader();
    // By index and copied, as the list may grow while a band is shown.
    for (int i = 0; i < FHeaderList.Count(); ++i) {
        const TkavHeaderListItem item = FHeaderList.Items(i);
        TkavBand *band = item.Band.get();
        if (!band || band->InheritsFrom(TkavPageHeader::StaticClassInfo())
            || band == FLastBandOnPage.get() || item.IsInKeepList || band == kept)
            continue;
        SetCurX(item.Left + offset);
        const HeaderListScope scope(*this, *band, true);
        // The header and its chain of child bands, without free-space checks.
        for (TkavBand *b = band; b;) {
            outputBand(*b);
            if (!b->Visible() && !b->PrintChildIfInvisible())
                break;
            b = b->Child();
        }
    }
    SetCurX(FPageCurX + offset);
}

// ---------------------------------------------------------------------------------------
// Keep-together and the header list

void TkavEngine::StartKeep(TkavBand *Band, int Position)
{
    if (FKeeping || FIsFirstBand)
        return;
    FKeeping = true;
    FKeepCurY = CurY();
    FKeepBand = Band;
    FKeepPosition = Position != 0 ? Position : PreviewPages()->GetCurPosition();
    FKeepOutline = PreviewPages()->Outline().GetCurPosition();
    FKeepAnchor = PreviewPages()->GetAnchorCurPosition();
    FAggregates.StartKeep();
}

void TkavEngine::EndKeep(TkavBand *Band)
{
    if (!FKeeping || FKeepBand.get() != Band)
        return;
    FKeeping = false;
    FKeepBand = nullptr;
    FAggregates.EndKeep();
    FKeepHeader = false;
}

void TkavEngine::BreakAllKeep()
{
    FKeeping = false;
    FKeepBand = nullptr;
}

void TkavEngine::AddToHeaderList(TkavBand *Band)
{
    const auto *header = dynamic_cast<TkavHeader *>(Band);
    const auto *group = dynamic_cast<TkavGroupHeader *>(Band);
    if (!(header && header->ReprintOnNewPage()) && !(group && group->ReprintOnNewPage()))
        return;
    if (FVRunning)
        FVHeaderList.AddItem(Band, 0, false);
    else
        FHeaderList.AddItem(Band, FPageCurX, FKeeping && !header);
}

void TkavEngine::RemoveFromHeaderList(TkavBand *Band)
{
    (FVRunning ? FVHeaderList : FHeaderList).RemoveItem(Band);
}

Variant TkavEngine::GetAggregateValue(const QString &Name,
                                      const QString &Expression,
                                      TkavBand *Band,
                                      int Flags)
{
    const auto [from, to] = FVCellColumns.value_or(std::pair{CurVColumn(), CurVColumn()});
    Variant value = FAggregates.GetValue(FCurBand.get(), from, to, Name, Expression, Band, Flags);
    if (value.IsNull() && Running()) {
        // No item was found for this place, so nothing ever accumulated: say why the text
        // stays empty instead of printing it silently.
        QStringList args;
        if (!Expression.isEmpty())
            args << Expression;
        if (Band)
            args << Band->Name();
        if (Flags != 0)
            args << QString::number(Flags);
        const QString line
            = u"%1: %2(%3) is not computed in %4; totals are kept for footers, group footers, page and column footers and the report summary"_s
                  .arg(Report()->CurObject(),
                       Name,
                       args.join(u", "_s),
                       FCurBand ? FCurBand->Name() : QString());
        if (Report()->Errors().IndexOf(line) < 0)
            Report()->Errors().Add(line);
    }
    return value;
}
