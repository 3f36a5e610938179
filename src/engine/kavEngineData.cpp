// Walking the data: data bands row by row with their headers, footers and details, group
// chains and band columns.

#include "kavEngine.h"

#include <prepared/kavPreviewPages.h>
#include <report/kavBands.h>
#include <report/kavDataSets.h>
#include <report/kavPages.h>
#include <report/kavReport.h>
#include <report/kavViews.h>
#include <rtl/kavCast.h>

#include <QScopeGuard>

using namespace Qt::StringLiterals;

namespace {

TkavDataSet *dataSetOf(const TkavDataBand &band)
{
    if (TkavDataSet *dataSet = band.DataSet())
        return dataSet;
    return band.RowCount() > 0 ? &band.VirtualDataSet() : nullptr;
}

void forgetSuppressed(TkavBand &band)
{
    for (TkavComponent *obj : band.Objects())
        if (auto *memo = kavCast<TkavCustomMemoView>(obj); memo && memo->SuppressRepeated())
            memo->ResetSuppress();
}

} // namespace

// A group without a condition never changes.
Variant TkavEngine::groupValue(TkavGroupHeader &Header)
{
    if (Header.Condition().trimmed().isEmpty())
        return Variant();
    return Report()->Calc(Header.Condition());
}

bool TkavEngine::evaluatesTrue(const QString &Expr)
{
    const Variant value = Report()->Calc(Expr);
    return value.IsNull() ? false : value.AsBoolean();
}

namespace {

// The data bands below Component (a page's top bands, a data band's details).
std::vector<TkavDataBand *> subBandsOf(const TkavBandTree &tree, TkavComponent &component)
{
    if (auto *band = kavCast<TkavBand>(&component)) {
        std::vector<TkavDataBand *> bands;
        for (TkavBand *sub : tree.LinksOf(band).SubBands)
            if (auto *data = kavCast<TkavDataBand>(sub))
                bands.push_back(data);
        return bands;
    }
    return tree.TopBands();
}

} // namespace

const TkavBandTree &TkavEngine::treeFor(const TkavComponent &Component) const
{
    static const TkavBandTree empty;
    const auto *page = kavCast<const TkavReportPage>(Component.Page());
    const auto found = FTrees.find(page);
    if (found == FTrees.end())
        return empty;
    return FVRunning ? found->second->Vertical : found->second->Horizontal;
}

bool TkavEngine::DetailHasData(TkavComponent &Component, bool Override)
{
    if (Override)
        return true;
    const std::vector<TkavDataBand *> subs = subBandsOf(treeFor(Component), Component);
    bool result = subs.empty() && kavCast<TkavBand>(&Component) != nullptr;
    for (TkavDataBand *sub : subs) {
        TkavDataSet *dataSet = dataSetOf(*sub);
        if (!dataSet)
            continue;
        Report()->DoNotifyEvent(sub, sub->OnMasterDetail());
        dataSet->First();
        while (!dataSet->Eof() && !terminated()) {
            if (DetailHasData(*sub, sub->PrintIfDetailEmpty()))
                return true;
            dataSet->Next();
        }
    }
    return result;
}

void TkavEngine::RunDataBands(TkavComponent &Parent)
{
    idle();
    if (terminated())
        return;
    for (TkavDataBand *band : subBandsOf(treeFor(Parent), Parent)) {
        if (terminated())
            break;
        if (dataSetOf(*band))
            runDataBand(*band);
    }
    FIsFirstBand = false;
}

void TkavEngine::notifyRow(TkavDataBand &Band)
{
    // A copy: an object told may add to or clear the list.
    const std::vector<TkavComponentRef<TkavComponent>> list = NotifyList();
    for (TkavComponent *object : list) {
        if (object)
            object->OnNotify(&Band);
    }
}

void TkavEngine::runDataBand(TkavDataBand &Band)
{
    const TkavBandTree::Links &links = treeFor(Band).LinksOf(&Band);
    TkavDataSet &dataSet = *dataSetOf(Band);
    Report()->DoNotifyEvent(&Band, Band.OnMasterDetail());
    dataSet.First();
    Band.SetLineN(1);
    Band.SetLineThrough(1);
    // Moving to a band column sets the band's left, which a vertical band keeps.
    if (!FVRunning)
        Band.SetCurColumn(1);
    forgetSuppressed(Band);
    bool first = true;
    bool used = false;
    int footerPosition = 0;
    while (!dataSet.Eof() && !terminated()) {
        idle();
        // Vertical bands have no filters, keep rules or band columns.
        const bool keepRules = !FVRunning;
        const bool rowUsed = (!keepRules || Band.Filter().trimmed().isEmpty()
                              || evaluatesTrue(Band.Filter()))
                             && DetailHasData(Band, Band.PrintIfDetailEmpty());
        if (rowUsed) {
            used = true;
            if (first) {
                if (keepRules && Band.KeepHeader() && links.Header) {
                    if (PreviewPages()->GetCurPosition() <= (FTitlePrinted ? 1 : 0))
                        FIsFirstBand = false;
                    FKeepHeader = !FIsFirstBand;
                    FKeepHeaderBand = &Band;
                    StartKeep(&Band);
                }
                if (links.Header) {
                    AddToHeaderList(links.Header);
                    ShowBand(links.Header);
                }
                if (keepRules && Band.KeepTogether())
                    StartKeep(&Band);
                startGroups(Band, 0, true);
            } else {
                if (keepRules && !links.Group && Band.KeepTogether())
                    StartKeep(&Band);
                checkGroups(Band);
            }
            if (keepRules && Band.KeepFooter())
                footerPosition = PreviewPages()->GetCurPosition();
            if (Band.Columns() > 1 && !FVRunning && Band.CurColumn() == 1)
                startColumnLine(Band);
            SetCurLine(Band.LineN());
            SetCurLineThrough(Band.LineThrough());
            ShowBand(&Band);
            if (keepRules)
                FKeepHeader = false;
            notifyRow(Band);
            if (first && Band.KeepHeader())
                EndKeep(&Band);
            first = false;
            FHBandNamesTree.emplace_back(Band.Name(), Band.LineThrough());
            Band.SetLineN(Band.LineN() + 1);
            Band.SetLineThrough(Band.LineThrough() + 1);
            if (Band.Columns() > 1 && !FVRunning)
                bandColumnStep(Band);
            if (!FVRunning)
                addBandOutline(Band);
            RunDataBands(Band);
            FHBandNamesTree.pop_back();
            if (!FVRunning && !Band.OutlineText().trimmed().isEmpty() && Band.Visible())
                PreviewPages()->Outline().LevelUp();
            FIsFirstBand = false;
            if (Band.FooterAfterEach())
                ShowBand(links.Footer);
        }
        // With band columns the block kept for a row lasts to the end of its line.
        if (!links.Group && Band.KeepTogether() && FColumnLines.count(&Band) == 0)
            EndKeep(&Band);
        dataSet.Next();
        if (Band.RowCount() != 0 && Band.LineN() > Band.RowCount())
            break;
    }
    if (Band.Columns() > 1 && !FVRunning) {
        Band.SetCurColumn(Band.Columns());
        bandColumnStep(Band);
        if (!links.Group && Band.KeepTogether())
            EndKeep(&Band); // the block kept for the last line
    }
    if (used) {
        endGroups(Band, 0);
        if (FKeeping && links.Header && !FVRunning)
            RemoveFromHeaderList(links.Header);
        if (!Band.FooterAfterEach() && links.Footer && FVRunning) {
            ShowBand(links.Footer); // no keep rules sideways
        } else if (!Band.FooterAfterEach() && links.Footer) {
            if (Band.KeepFooter())
                StartKeep(links.Footer, footerPosition);
            FKeepFooter = true;
            const auto done = qScopeGuard([this] { FKeepFooter = false; });
            ShowBand(links.Footer);
            if (Band.KeepFooter())
                EndKeep(links.Footer);
        }
        if (links.Header)
            RemoveFromHeaderList(links.Header);
        if (links.Group && links.Group->KeepTogether())
            EndKeep(links.Group);
    }
    FIsFirstBand = false;
}

void TkavEngine::startColumnLine(TkavDataBand &Band)
{
    if (!Band.Visible())
        return;
    // The line starts where its first cell fits, as a band of its own would.
    if (!FCallFromAddPage && !FOutputTo && FreeSpace() < Band.Height()
        && Band.Height() <= PageHeight() - FooterHeight()) {
        if (!FKeeping)
            resetSuppressed(Band);
        FCurBand = &Band;
        NewColumn();
    }
    ColumnLine &line = FColumnLines[&Band];
    line.Top = CurY();
    line.Position = PreviewPages()->GetCurPosition();
    line.Page = PreviewPages()->CurPage();
    line.Column = CurColumn();
    // Page-footer totals take the line's rows only once the line has stayed on the page.
    line.AggregateKeep = !FKeeping;
    if (line.AggregateKeep)
        FAggregates.StartKeep();
}

// After a row of a multi-column data band: the next row goes beside it, or below the line
// when the last column is reached. A line that ends below the page's free space moves whole
// to the next column or page, its rows counted in that page's totals.
void TkavEngine::bandColumnStep(TkavDataBand &Band)
{
    const bool lastColumn = Band.CurColumn() >= Band.Columns();
    const auto open = FColumnLines.find(&Band);
    const bool hasLine = open != FColumnLines.end();
    const ColumnLine line = hasLine ? open->second : ColumnLine();
    if (Band.Visible()) {
        Band.SetMaxY(std::max(Band.MaxY(), CurY()));
        const double room = FreeSpace() + CurY() - Band.MaxY();
        if (!lastColumn) {
            if (hasLine)
                SetCurY(line.Top);
        } else if (!hasLine || room > -1e-4 || FCallFromAddPage || FOutputTo
                   || PreviewPages()->CurPage() != line.Page || CurColumn() != line.Column
                   || Band.MaxY() - line.Top > PageHeight() - FooterHeight()) {
            SetCurY(Band.MaxY());
        } else if (FKeeping && !line.AggregateKeep && FKeepBand.get() != &Band) {
            NewColumn(); // the line is part of a larger kept block, which moves whole
        } else {
            // A block the band keeps for its rows, or one kept within the line, moves with
            // the line; the totals held back for it count on the line's new page.
            const bool held = FKeeping || line.AggregateKeep;
            BreakAllKeep();
            PreviewPages()->CutObjects(line.Position);
            FCurBand = &Band;
            NewColumn();
            const double top = CurY();
            PreviewPages()->PasteObjects(CurX(), top);
            SetCurY(top + Band.MaxY() - line.Top);
            if (held)
                FAggregates.EndKeep();
        }
    }
    if (lastColumn && hasLine) {
        if (line.AggregateKeep)
            FAggregates.EndKeep();
        FColumnLines.erase(&Band);
    }
    Band.SetCurColumn(Band.CurColumn() + 1);
}

// ---------------------------------------------------------------------------------------
// Groups

std::vector<TkavGroupHeader *> TkavEngine::groupChain(const TkavDataBand &Band) const
{
    std::vector<TkavGroupHeader *> chain;
    const TkavBandTree &tree = treeFor(Band);
    if (TkavGroupHeader *outer = tree.LinksOf(&Band).Group)
        for (TkavBand *band : tree.LinksOf(outer).SubBands)
            if (auto *header = kavCast<TkavGroupHeader>(band))
                chain.push_back(header);
    return chain;
}

// Collapsed drill-down groups hide what is below them: inner headers and footers, the data
// band, and the header's own child and footer unless it asks to show them.
void TkavEngine::applyDrillDown(TkavDataBand &Band)
{
    const std::vector<TkavGroupHeader *> chain = groupChain(Band);
    const TkavBandTree &tree = treeFor(Band);
    QString path;
    for (const auto &[name, row] : FHBandNamesTree)
        path += name + u'.' + QString::number(row) + u'.';
    for (size_t i = 0; i < chain.size(); ++i) {
        TkavGroupHeader &header = *chain[i];
        if (!header.DrillDown())
            continue;
        const QString drillName = path + header.Name() + u'.' + QString::number(header.LineThrough());
        header.SetDrillName(drillName);
        const bool listed = Report()->DrillState().IndexOf(drillName) >= 0;
        const bool expanded = header.ExpandDrillDown() ? !listed : listed;
        if (TkavBand *child = header.Child(); child && !chain.front()->ShowChildIfDrillDown())
            child->SetVisible(expanded);
        for (size_t j = i + 1; j < chain.size(); ++j) {
            chain[j]->SetVisible(expanded);
            if (TkavBand *footer = tree.LinksOf(chain[j]).Footer)
                footer->SetVisible(expanded);
        }
        Band.SetVisible(expanded);
        if (TkavBand *footer = tree.LinksOf(&header).Footer; footer && !header.ShowFooterIfDrillDown())
            footer->SetVisible(expanded);
        if (!expanded)
            break;
    }
}

void TkavEngine::startGroups(TkavDataBand &Band, int From, bool FirstRow)
{
    const std::vector<TkavGroupHeader *> chain = groupChain(Band);
    for (int i = From; i < int(chain.size()); ++i) {
        TkavGroupHeader &header = *chain[size_t(i)];
        if (FirstRow) {
            header.SetLineN(1);
            header.SetLineThrough(1);
            forgetSuppressed(header);
        } else {
            header.SetLineN(header.LineN() + 1);
            if (i + 1 < int(chain.size()))
                chain[size_t(i + 1)]->SetLineN(0);
            header.SetLineThrough(header.LineThrough() + 1);
        }
    }
    applyDrillDown(Band);
    for (int i = From; i < int(chain.size()); ++i) {
        TkavGroupHeader &header = *chain[size_t(i)];
        SetCurLine(header.LineN());
        SetCurLineThrough(header.LineThrough());
        header.SetLastValue(groupValue(header));
        if (header.KeepTogether() && !FVRunning)
            StartKeep(&header);
        ShowBand(&header);
        if (!FVRunning)
            addBandOutline(header);
        AddToHeaderList(&header);
    }
}

void TkavEngine::checkGroups(TkavDataBand &Band)
{
    applyDrillDown(Band);
    const std::vector<TkavGroupHeader *> chain = groupChain(Band);
    for (int i = 0; i < int(chain.size()); ++i) {
        TkavGroupHeader &header = *chain[size_t(i)];
        if (groupValue(header).AsString() == header.LastValue().AsString())
            continue;
        if (Band.Columns() > 1 && !FVRunning) {
            Band.SetCurColumn(Band.Columns());
            bandColumnStep(Band);
        }
        // The footers see the group's last row.
        TkavDataSet &dataSet = *dataSetOf(Band);
        dataSet.Prior();
        endGroups(Band, i);
        dataSet.Next();
        startGroups(Band, i, false);
        Band.SetLineN(1);
        forgetSuppressed(Band);
        return;
    }
}

void TkavEngine::endGroups(TkavDataBand &Band, int From)
{
    const std::vector<TkavGroupHeader *> chain = groupChain(Band);
    const TkavBandTree &tree = treeFor(Band);
    for (int i = int(chain.size()) - 1; i >= From; --i) {
        TkavGroupHeader &header = *chain[size_t(i)];
        TkavBand *footer = tree.LinksOf(&header).Footer;
        auto *groupFooter = kavCast<TkavGroupFooter>(footer);
        if (groupFooter && groupFooter->HideIfSingleDataRecord() && Band.LineN() < 3)
            FAggregates.Reset(footer);
        else
            ShowBand(footer);
        if (!FVRunning && header.Visible() && !header.OutlineText().trimmed().isEmpty())
            PreviewPages()->Outline().LevelUp();
        RemoveFromHeaderList(&header);
        EndKeep(&header);
    }
}
