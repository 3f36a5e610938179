// Showing one band: preparing it (data, stretching, shifting, height), placing it or moving
// it to the next column or page, splitting it across pages, and finishing it.

#include "kavEngine.h"

#include <prepared/kavPreviewPages.h>
#include <report/kavBands.h>
#include <report/kavDMP.h>
#include <report/kavPages.h>
#include <report/kavReport.h>
#include <report/kavViews.h>
#include <rtl/kavCast.h>
#include <rtl/kavMath.h>

#include <QScopeGuard>

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <set>

using namespace Qt::StringLiterals;

namespace {

bool isNullBand(const TkavBand &band)
{
    return band.InheritsFrom(TkavNullBand::StaticClassInfo());
}

// A dot-matrix text whose frame has a bottom line: the line is drawn half a row below
// the text, so the band needs a row more to show it.
bool hasDMPBottomLine(const TkavComponent *obj)
{
    const auto *memo = kavCast<const TkavDMPMemoView>(obj);
    return memo && memo->Frame().Typ().Contains(ftBottom);
}

// The lowest bottom of the band's objects, a row lower when an object ending there is a
// dot-matrix text with a bottom frame line.
double lowestBottom(const TkavBand &band)
{
    double bottom = 0;
    bool framed = false;
    for (const TkavComponent *obj : band.Objects()) {
        const double objBottom = obj->Top() + obj->Height();
        if (objBottom > bottom + 0.0001) {
            bottom = objBottom;
            framed = hasDMPBottomLine(obj);
        } else if (objBottom >= bottom - 0.0001) {
            framed = framed || hasDMPBottomLine(obj);
        }
    }
    return framed ? bottom + kavDMPCharHeight : bottom;
}

// A text object showing some text.
bool showsText(const TkavReportComponent *obj)
{
    const auto *memo = kavCast<const TkavCustomMemoView>(obj);
    return memo && !memo->Text().trimmed().isEmpty();
}

// Whether an object still waiting for a part has something to show there: a text object
// the rest of its text, a picture itself; an empty box, a line or a shape alone is no
// reason for a part of its own.
bool hasContentLeft(TkavReportComponent *obj)
{
    if (auto *memo = kavCast<TkavCustomMemoView>(obj))
        return !memo->PartText().trimmed().isEmpty() || memo->HasNextDataPart();
    return !obj->InheritsFrom(TkavCustomLineView::StaticClassInfo())
           && !obj->InheritsFrom(TkavShapeView::StaticClassInfo());
}

// An object's place and text before a split, put back when the band moves whole.
struct SavedPart
{
    double Top = 0;
    double Height = 0;
    QString Text;
    bool FirstParaBreak = false;
    bool LastParaBreak = false;

    static SavedPart Of(const TkavReportComponent &obj)
    {
        SavedPart saved{obj.Top(), obj.Height(), {}, false, false};
        if (const auto *memo = kavCast<const TkavCustomMemoView>(&obj)) {
            saved.Text = memo->Text();
            saved.FirstParaBreak = memo->FirstParaBreak();
            saved.LastParaBreak = memo->LastParaBreak();
        }
        return saved;
    }

    void Restore(TkavReportComponent &obj) const
    {
        obj.SetTop(Top);
        obj.SetHeight(Height);
        if (auto *memo = kavCast<TkavCustomMemoView>(&obj)) {
            memo->SetText(Text);
            memo->SetFirstParaBreak(FirstParaBreak);
            memo->SetLastParaBreak(LastParaBreak);
        }
    }
};

} // namespace

void TkavEngine::ShowBand(TkavBand *Band)
{
    if (!Band)
        return;
    bool keeping = false;
    if (Band->KeepChild() && !Band->Vertical()) {
        StartKeep(Band);
        keeping = FKeeping && FKeepBand.get() == Band;
    }
    outputBand(*Band);
    auto *data = kavCast<TkavDataBand>(Band);
    if ((Band->Visible() || Band->PrintChildIfInvisible()) && !(data && data->CurColumn() > 1))
        ShowBand(Band->Child());
    if (keeping)
        EndKeep(Band);
    if (data)
        FAggregates.AddValue(Band, 0);
}

void TkavEngine::ShowBand(const TkavClassInfo &BandClass)
{
    if (FPage)
        ShowBand(static_cast<TkavBand *>(FPage->FindBand(BandClass)));
}

void TkavEngine::ShowBandByName(const QString &BandName)
{
    ShowBand(kavCast<TkavBand>(Report()->FindObject(BandName)));
}

void TkavEngine::outputBand(TkavBand &Band)
{
    if (Band.Vertical()) {
        showVerticalBand(Band);
        return;
    }
    // A band that gave objects to vertical bands first runs them; its cells join it.
    std::optional<VerticalScope> vertical;
    if (isVerticalMaster(Band)) {
        vertical.emplace(*this, Band);
        runVerticalBands(Band);
    }
    const bool vMaster = vertical.has_value();
    auto *data = kavCast<TkavDataBand>(&Band);
    auto *group = kavCast<TkavGroupHeader>(&Band);
    const bool multiColumn = data && data->Columns() > 1;
    // A band that starts a new page, unless it is the first row of its data.
    if (!FCallFromAddPage && Band.Visible() && Band.StartNewPage() && !FOutputTo
        && (!(data || group) || Band.LineN() != 1)) {
        FStartNewPageBand = &Band;
        if (group && group->ResetPageNumbers())
            PreviewPages()->ResetLogicalPageNumber();
        NewPage();
        FStartNewPageBand = nullptr;
    }
    bool placed = false;
    {
        const auto finish = qScopeGuard([this, &Band] { FinishBand(Band); });
        PrepareBand(Band);
        // A run stopped in the band's events (Stop in the debugger) outputs nothing more.
        if (terminated())
            return;
        Band.SetStretchedHeight(Band.Height());
        const bool placeable = Band.Visible() && !multiColumn && !isNullBand(Band) && !FOutputTo
                               && !Band.InheritsFrom(TkavOverlay::StaticClassInfo());
        if (placeable && FreeSpace() < Band.Height()) {
            if (FCallFromAddPage) {
                // Bands printed again at the top of a page never break it: a break would
                // print them again, without end.
                addErrorOnce(
                    u"The band %1 does not fit below the page's headers and is output where it falls"_s
                        .arg(Band.Name()));
            } else {
                const bool split
                    = !vMaster
                      && ((Band.AllowSplit() && !FKeeping)
                          || (Band.Height() > PageHeight() - FooterHeight() && !Band.HasVBands()));
                bool mayMoveWhole = true;
                if (split) {
                    if (!Band.AllowSplit() && Band.LineThrough() > 1 && !Band.StartNewPage()) {
                        FCurBand = &Band;
                        NewColumn();
                        mayMoveWhole = false;
                    }
                    EndKeep(&Band);
                    if (SplitBand(Band, mayMoveWhole))
                        return;
                }
                // The band moves whole to the next column or page.
                if (!FKeeping && resetSuppressed(Band) && !Band.HasVBands()) {
                    // The values suppressed as repeats show again at the top of the new page.
                    FinishBand(Band);
                    const int savedLine = CurLine();
                    const int savedThrough = CurLineThrough();
                    SetCurLine(Band.LineN());
                    SetCurLineThrough(Band.LineThrough());
                    SetSecondScriptCall(true);
                    const auto restore = qScopeGuard([&] {
                        SetSecondScriptCall(false);
                        SetCurLine(savedLine);
                        SetCurLineThrough(savedThrough);
                    });
                    PrepareBand(Band);
                    Band.SetStretchedHeight(Band.Height());
                }
                if (!(Band.InheritsFrom(TkavChild::StaticClassInfo()) && FCallFromPHeader))
                    NewColumn();
                // Headers printed again may leave less room than the band needs.
                if (split && FreeSpace() < Band.Height()) {
                    SplitBand(Band, false);
                    return;
                }
            }
        }
        placed = placeBand(Band);
    }
    FAggregates.Reset(&Band);
    if (!Band.Visible() || !placed)
        return;
    // The title is output once: its subreports run on over further pages like those of a
    // data band. Those of bands repeated on every page never break one.
    std::optional<HeaderListScope> title;
    if (FCallFromAddPage && Band.InheritsFrom(TkavReportTitle::StaticClassInfo()))
        title.emplace(*this, Band, false);
    runSubreports(Band);
}

bool TkavEngine::placeBand(TkavBand &Band)
{
    auto *data = kavCast<TkavDataBand>(&Band);
    if (data && data->Columns() > 1)
        Band.SetLeft(Band.Left() + CurX());
    else
        Band.SetLeft(CurX());
    if (!isNullBand(Band))
        Band.SetTop(CurY());
    if (!Band.Visible())
        return true;
    if (FOutputTo) {
        // An inline subreport's band: a copy goes into the band it prints on.
        TkavComponent *copy = TkavComponent::Create(Band.ClassName(), FOutputTo);
        copy->AssignAll(Band);
        copy->SetBounds(Band.Left(), Band.Top(), Band.Width(), Band.Height());
        SetCurY(CurY() + Band.Height());
        return true;
    }
    fitToPageWidth(Band);
    Band.CreateFillMemo();
    bool placed = true;
    if (FVMasterBand.get() == &Band && !FVSlicing)
        outputVerticalPages(Band);
    else if (FCallFromAddPage && PreviewPages()->CurPage() == FRevisitedPage
             && PreviewPages()->BandExists(&Band))
        placed = false;
    else
        PreviewPages()->AddObject(&Band);
    SetCurY(CurY() + Band.Height());
    return placed;
}

// A band as wide as the page that lands in a later page column ends at the page's edge,
// its views aligned to that. Its bounds come back when the band is finished.
void TkavEngine::fitToPageWidth(TkavBand &Band)
{
    const double room = PageWidth() - Band.Left();
    if (FPage->EndlessWidth() || FVMasterBand.get() == &Band || room <= 0
        || Band.Width() <= room + 1e-4)
        return;
    Band.SetWidth(room);
    Band.AlignChildren();
}

// ---------------------------------------------------------------------------------------
// Preparing and finishing

void TkavEngine::PrepareBand(TkavBand &Band)
{
    TkavReport &report = *Report();
    FCurBand = &Band;
    kavBuildShiftTree(Band);
    // A vertical master band ran its events and evaluated its cells already.
    const int prepared = ownObjectsCount(Band);
    if (FVMasterBand.get() != &Band) {
        report.SetCurObject(Band.Name());
        Band.BeforePrint();
        report.DoBeforePrint(&Band);
    }
    bool grew = false;
    bool inlineSubreports = false;
    const QList<TkavComponent *> objects = Band.Objects();
    for (int i = 0; i < objects.size(); ++i) {
        TkavComponent *obj = objects[i];
        auto *component = kavCast<TkavReportComponent>(obj);
        if (!component)
            continue;
        if (i < prepared) {
            report.SetCurObject(obj->Name());
            component->BeforePrint();
            if (Band.Visible()) {
                report.DoBeforePrint(obj);
                if (obj->Visible()) {
                    component->GetData();
                    report.DoNotifyEvent(obj, component->OnAfterData());
                }
            }
        }
        if (auto *sub = kavCast<TkavSubreport>(obj); sub && sub->PrintOnParent())
            inlineSubreports = true;
        auto *stretch = kavCast<TkavStretcheable>(obj);
        if (Band.Visible() && obj->Visible() && stretch && stretch->StretchMode() != smDontStretch) {
            const double height = stretch->CalcHeight();
            if (height <= stretch->Height()) {
                stretch->SetShiftAmount(0);
            } else {
                stretch->SetShiftAmount(height - stretch->Height());
                stretch->SetHeight(height);
                grew = true;
            }
        }
    }
    if (!Band.Visible())
        return;
    if (grew)
        kavShiftObjects(Band, 0);
    if (inlineSubreports && !FOutputTo)
        runInlineSubreports(Band);
    const double bottom = lowestBottom(Band);
    if (Band.Stretched())
        Band.SetHeight(bottom);
    report.DoNotifyEvent(&Band, Band.OnAfterCalcHeight());
    for (TkavComponent *obj : Band.Objects())
        if (auto *stretch = kavCast<TkavStretcheable>(obj); stretch && stretch->StretchMode() == smMaxHeight)
            stretch->SetHeight(bottom - stretch->Top() - (hasDMPBottomLine(obj) ? kavDMPCharHeight : 0));
}

void TkavEngine::FinishBand(TkavBand &Band)
{
    TkavReport &report = *Report();
    // The cells of a vertical master band were finished when they were evaluated.
    const QList<TkavComponent *> objects = Band.Objects().mid(0, ownObjectsCount(Band));
    if (Band.Visible())
        for (TkavComponent *obj : objects)
            report.DoAfterPrint(obj);
    for (TkavComponent *obj : objects)
        if (auto *component = kavCast<TkavReportComponent>(obj))
            component->AfterPrint();
    report.DoAfterPrint(&Band);
    Band.AfterPrint();
    // Objects the run added to the band for this output only.
    if (Band.OriginalObjectsCount() >= 0) {
        while (Band.Objects().size() > Band.OriginalObjectsCount())
            Band.Objects().last()->Free();
        Band.SetOriginalObjectsCount(-1);
    }
}

bool TkavEngine::resetSuppressed(TkavBand &Band)
{
    bool any = false;
    for (TkavComponent *obj : Band.Objects())
        if (auto *memo = kavCast<TkavCustomMemoView>(obj); memo && memo->SuppressRepeated()) {
            memo->ResetSuppress();
            any = true;
        }
    return any;
}

void TkavEngine::addBandOutline(TkavBand &Band)
{
    if (!Band.Visible() || Band.OutlineText().trimmed().isEmpty())
        return;
    const double height = Band.Stretched() ? Band.StretchedHeight() : Band.Height();
    PreviewPages()->Outline().AddItem(Report()->Calc(Band.OutlineText()).AsString(),
                                      int(kavRoundFloat(CurY() - height)));
}

// ---------------------------------------------------------------------------------------
// Splitting

// Cuts Band into parts that fit the free space of successive pages or columns. Objects are
// hidden from a part rather than taken out of the band, so the band stays whole. A part
// holding none of the band's text, or leaving nothing but empty boxes for the next page,
// is a sliver: with MayMoveWhole a band that fits a page is then put back as it was and
// false returned, so that it moves whole; otherwise empty remnants end with their part and
// an empty part is not output.
bool TkavEngine::SplitBand(TkavBand &Band, bool MayMoveWhole)
{
    std::vector<TkavReportComponent *> work;
    std::map<TkavReportComponent *, double> saveHeight;
    std::map<TkavReportComponent *, bool> wasVisible;
    std::map<TkavReportComponent *, SavedPart> saved; // what moving the band whole puts back
    bool bandHasText = false;
    for (TkavComponent *obj : Band.Objects()) {
        auto *component = kavCast<TkavReportComponent>(obj);
        if (!component)
            continue;
        wasVisible[component] = obj->Visible();
        if (obj->InheritsFrom(TkavSubreport::StaticClassInfo()) || !obj->Visible())
            continue;
        work.push_back(component);
        saved[component] = SavedPart::Of(*component);
        bandHasText = bandHasText || showsText(component);
        if (auto *stretch = kavCast<TkavStretcheable>(obj))
            stretch->InitPart();
        saveHeight[component] = obj->Height();
    }
    const auto restoreVisible = qScopeGuard([&] {
        for (const auto &[obj, visible] : wasVisible)
            obj->SetVisible(visible);
    });
    const bool fitsAPage = Band.Height() <= PageHeight() - FooterHeight();
    const size_t initialCount = work.size();
    double free = FreeSpace();
    bool split = false;
    bool output = false;     // a part of the band is on a page
    bool movedEmpty = false; // the last part was empty: nothing fitted its free space
    while (!work.empty() && !terminated()) {
        idle();
        std::set<TkavReportComponent *> shifted;
        std::vector<TkavReportComponent *> part;
        // The objects of the work list below obj move down by dy.
        const auto pushBelow = [&](TkavReportComponent *obj, double dy) {
            const double bottom = obj->Top() + obj->Height();
            for (TkavReportComponent *other : work) {
                if (other == obj || shifted.count(other) || other->Top() < bottom)
                    continue;
                const double overlap = std::min(obj->Left() + obj->Width(), other->Left() + other->Width())
                                       - std::max(obj->Left(), other->Left());
                if (overlap > 1e-4) {
                    other->SetTop(other->Top() + dy);
                    shifted.insert(other);
                }
            }
        };
        for (auto it = work.begin(); it != work.end();) {
            TkavReportComponent *obj = *it;
            auto *stretch = kavCast<TkavStretcheable>(obj);
            if (stretch) {
                stretch->SetSavedTop(obj->Top());
                obj->SetHeight(free - obj->Top());
                double unused = 0;
                if (obj->Top() < free) {
                    unused = stretch->DrawPart();
                    if (unused == 0)
                        unused = obj->Height();
                }
                const bool more = stretch->HasNextDataPart();
                if (obj->Top() + saveHeight[obj] <= free && !more) {
                    obj->SetHeight(saveHeight[obj]);
                    part.push_back(obj);
                    it = work.erase(it);
                    continue;
                }
                if (obj->Top() < free) {
                    pushBelow(obj, unused);
                    if (std::abs(unused - obj->Height()) < 1e-4) {
                        obj->SetTop(free);
                        obj->SetHeight(saveHeight[obj]);
                    } else {
                        part.push_back(obj);
                        saveHeight[obj] = saveHeight[obj] - obj->Height() + unused;
                        split = true;
                    }
                }
            } else {
                if (obj->Top() + obj->Height() <= free || obj->Height() > PageHeight() - FooterHeight()) {
                    part.push_back(obj);
                    it = work.erase(it);
                    continue;
                }
                if (obj->Top() < free) {
                    pushBelow(obj, free - obj->Top());
                    obj->SetTop(free);
                }
            }
            ++it;
        }
        // Nothing fitted on a whole empty page, or twice running: output the first object
        // clipped rather than look for room that will never come.
        if (part.empty() && (movedEmpty || free >= PageHeight() - FooterHeight() - 1e-4)) {
            Report()->Errors().Add(
                u"The object %1 of band %2 is higher than a page and is clipped"_s.arg(work.front()->Name(), Band.Name()));
            part.push_back(work.front());
            work.erase(work.begin());
        }
        const bool noTextBehind = bandHasText && std::none_of(part.begin(), part.end(), showsText);
        const bool emptyAhead
            = !work.empty() && std::none_of(work.begin(), work.end(), hasContentLeft);
        if (!output && MayMoveWhole && fitsAPage && (noTextBehind || emptyAhead)) {
            for (const auto &[obj, s] : saved)
                s.Restore(*obj);
            return false;
        }
        // Empty boxes whose text is all out end with this part.
        if (emptyAhead)
            work.clear();
        double partHeight = 0;
        for (TkavReportComponent *obj : part)
            partHeight = std::max(partHeight, obj->Top() + obj->Height());
        if (work.empty()) {
            for (TkavReportComponent *obj : part) {
                auto *view = kavCast<TkavView>(obj);
                if (view && view->Align() == baBottom)
                    obj->SetTop(partHeight - obj->Height());
                auto *stretch = kavCast<TkavStretcheable>(obj);
                if (stretch && stretch->StretchMode() == smMaxHeight)
                    obj->SetHeight(partHeight - obj->Top());
            }
        }
        // Output the part: the band with only the part's objects showing.
        movedEmpty = part.empty();
        if (!part.empty()) {
            for (const auto &[obj, visible] : wasVisible)
                obj->SetVisible(visible && std::find(part.begin(), part.end(), obj) != part.end());
            Band.SetLeft(CurX());
            Band.SetTop(CurY());
            Band.SetHeight(partHeight);
            PreviewPages()->AddObject(&Band);
            SetCurY(CurY() + partHeight);
            output = true;
        }
        FCurBand = &Band;
        if (!work.empty())
            NewColumn();
        for (TkavReportComponent *obj : work) {
            obj->SetTop(obj->Top() - free);
            auto *stretch = kavCast<TkavStretcheable>(obj);
            if (stretch && !split && work.size() == initialCount)
                obj->SetTop(stretch->SavedTop());
            if (obj->Top() < 0)
                obj->SetTop(0);
            obj->SetHeight(saveHeight[obj]);
        }
        free = FreeSpace();
    }
    return true;
}

// ---------------------------------------------------------------------------------------
// Subreports printed on their band

void TkavEngine::runInlineSubreports(TkavBand &Band)
{
    TkavNullBand target;
    if (Band.OriginalObjectsCount() < 0)
        Band.SetOriginalObjectsCount(int(Band.Objects().size()));
    const double savedX = CurX();
    const double savedY = CurY();
    const double savedPageX = FPageCurX;
    {
        FOutputTo = &target;
        const auto restore = qScopeGuard([&] {
            FOutputTo = nullptr;
            SetCurX(savedX);
            SetCurY(savedY);
            FPageCurX = savedPageX;
        });
        for (TkavComponent *obj : QList<TkavComponent *>(Band.Objects())) {
            auto *sub = kavCast<TkavSubreport>(obj);
            if (!sub || !sub->PrintOnParent() || !sub->Visible() || !sub->SubPage())
                continue;
            FPageCurX = sub->Left();
            SetCurX(sub->Left());
            SetCurY(sub->Top());
            RunDataBands(*sub->SubPage());
        }
    }
    // The views of the copied bands join the band at their place; they leave it again when
    // the band is finished.
    for (TkavComponent *copy : QList<TkavComponent *>(target.Objects())) {
        for (TkavComponent *obj : copy->AllObjects()) {
            auto *view = kavCast<TkavView>(obj);
            if (!view || view->InheritsFrom(TkavSubreport::StaticClassInfo()) || view->Parent() != copy)
                continue;
            const double left = copy->Left() + view->Left();
            const double top = copy->Top() + view->Top();
            std::unique_ptr<TkavComponent> owned = view->Owner()->RemoveComponent(view);
            if (!owned)
                continue;
            owned->setPreparedName(QString());
            Band.InsertComponent(std::move(owned));
            view->SetParent(&Band);
            view->SetBounds(left, top, view->Width(), view->Height());
            view->SetParentFont(false);
            if (auto *stretch = kavCast<TkavStretcheable>(view))
                stretch->SetStretchMode(smDontStretch);
        }
    }
}

// ---------------------------------------------------------------------------------------
// Subreports on their own region of the page

void TkavEngine::runSubreports(TkavBand &Band)
{
    std::vector<TkavSubreport *> subreports;
    for (TkavComponent *obj : Band.Objects())
        if (auto *sub = kavCast<TkavSubreport>(obj); sub && sub->Visible() && !sub->PrintOnParent() && sub->SubPage())
            subreports.push_back(sub);
    if (subreports.empty())
        return;
    const int startPage = PreviewPages()->CurPage();
    const int startColumn = CurColumn();
    const double savedX = CurX();
    const double startY = CurY() - Band.StretchedHeight();
    const double savedPageX = FPageCurX;
    int maxPage = startPage;
    int maxColumn = startColumn;
    double maxY = CurY();
    for (TkavSubreport *sub : subreports) {
        PreviewPages()->SetCurPage(startPage);
        SetCurColumn(startColumn);
        SetCurX(savedX + sub->Left());
        SetCurY(startY + sub->Top());
        FPageCurX = savedPageX + sub->Left();
        RunDataBands(*sub->SubPage());
        const int page = PreviewPages()->CurPage();
        if (page > maxPage || (page == maxPage && CurColumn() > maxColumn)
            || (page == maxPage && CurColumn() == maxColumn && CurY() > maxY)) {
            maxPage = page;
            maxColumn = CurColumn();
            maxY = CurY();
        }
    }
    FPageCurX = savedPageX;
    PreviewPages()->SetCurPage(maxPage);
    SetCurColumn(maxColumn);
    SetCurY(maxY);
    const double offset = maxColumn > 1 ? columnOffset(maxColumn) : 0;
    SetCurX(FPageCurX + offset);
}
