// DesignerDocument: new reports, pages, bands and objects, and the component editors'
// commands.

#include "kavDesgnDocument.h"

#include <data/kavSQLDataSets.h>
#include <designer/editors/kavDesgnCompEditors.h>
#include <designer/editors/kavDesgnScriptGen.h>
#include <persist/kavRes.h>
#include <report/kavDataSets.h>
#include <report/kavReport.h>
#include <rtl/kavMath.h>
#include <rtl/kavCaseFold.h>
#include <rtl/kavRTTI.h>
#include <rtl/kavUIServices.h>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

// The band classes by band number (the insert-band menu's tag modulo 100).
const QString bandClasses[] = {u"TkavReportTitle"_s,   u"TkavReportSummary"_s, u"TkavPageHeader"_s,
                               u"TkavPageFooter"_s,    u"TkavHeader"_s,        u"TkavFooter"_s,
                               u"TkavMasterData"_s,    u"TkavDetailData"_s,    u"TkavSubdetailData"_s,
                               u"TkavDataBand4"_s,     u"TkavDataBand5"_s,     u"TkavDataBand6"_s,
                               u"TkavGroupHeader"_s,   u"TkavGroupFooter"_s,   u"TkavChild"_s,
                               u"TkavColumnHeader"_s,  u"TkavColumnFooter"_s,  u"TkavOverlay"_s};
constexpr int childBandTag = 14;

// Rounded to 8 decimals, as the workspace stores positions.
double roundTo8(double value)
{
    return kavRoundFloat(value * 1e8) / 1e8;
}

bool isReportPage(const TkavComponent *page)
{
    return dynamic_cast<const TkavReportPage *>(page) != nullptr;
}

} // namespace

QStringList DesignerDocument::EmptyScript(const QString &Language)
{
    return TkavScriptGenerator::EmptyProgram(Language);
}

TkavReportPage *DesignerDocument::createReportPage()
{
    TkavReportPage *page = FReport.DotMatrixReport()
                               ? TkavComponent::DesignCreate<TkavDMPPage>(&FReport)
                               : TkavComponent::DesignCreate<TkavReportPage>(&FReport);
    page->SetDefaults();
    page->CreateUniqueName();
    return page;
}

void DesignerDocument::ClearReport(bool DotMatrix, bool KeepData)
{
    std::unique_ptr<TkavComponent> kept;
    if (KeepData && DataPage())
        kept = FReport.RemoveComponent(DataPage());
    if (kept) {
        // The report loses its file name: its SQLite files are named in full from now on.
        for (TkavComponent *c : kept->AllObjects())
            if (auto *database = dynamic_cast<TkavSQLDatabase *>(c);
                database && database->Driver() == u"SQLite" && database->DatabaseName() != u":memory:")
                database->SetDatabaseName(kavPathBesideReport(&FReport, database->DatabaseName()));
    }
    FReport.Clear();
    FReport.SetFileName(QString());
    FReport.SetDotMatrixReport(DotMatrix);
    if (kept) // Clear took it out of the tree, being nobody's
        FReport.InsertComponent(std::move(kept))->SetParent(&FReport);
    else
        TkavComponent::DesignCreate<TkavDataPage>(&FReport)->SetName(u"Data"_s);
    TkavReportPage *page = createReportPage();
    page->SetName(u"Page1"_s);
    const TkavDesigner *settings = Settings();
    FReport.SetScriptLanguage(settings ? settings->DefaultScriptLanguage() : u"PascalScript"_s);
    if (settings) {
        // Paper and orientation first: turning the page turns its margins with it.
        page->SetPaperSize(settings->DefaultPaperSize());
        page->SetOrientation(settings->DefaultOrientation());
        page->SetLeftMargin(settings->DefaultLeftMargin());
        page->SetRightMargin(settings->DefaultRightMargin());
        page->SetTopMargin(settings->DefaultTopMargin());
        page->SetBottomMargin(settings->DefaultBottomMargin());
    }
    TStringList script;
    for (const QString &line : EmptyScript(FReport.ScriptLanguage()))
        script.Add(line);
    FReport.SetScriptText(script);
}

bool DesignerDocument::NewReport()
{
    if (!CheckOp(drDontCreateReport) || !AskToSave())
        return false;
    return guarded([&] {
        ClearReport();
        auto *page = static_cast<TkavReportPage *>(FirstReportPage());
        FPage = page;
        const double h = BandCaptionHeight();
        const double b = kavUnitBandHeight(Units());
        auto addBand = [&](const QString &cls, double top) {
            auto *band = static_cast<TkavBand *>(TkavComponent::DesignCreate(cls, page));
            band->CreateUniqueName();
            band->SetBounds(0, top, 0, b);
            return band;
        };
        addBand(u"TkavReportTitle"_s, h);
        addBand(u"TkavMasterData"_s, 2 * h + 2 * b);
        TkavBand *footer = addBand(u"TkavPageFooter"_s, 3 * h + 4 * b);
        auto *memo = TkavComponent::DesignCreate<TkavMemoView>(footer);
        memo->CreateUniqueName();
        const double printable = page->PaperWidth() - page->LeftMargin() - page->RightMargin();
        memo->SetBounds((printable - 20) * kavMMToPixels, 0, 2 * kavMMToPixels * 10,
                        0.5 * kavMMToPixels * 10);
        memo->SetHAlign(haRight);
        memo->SetText(u"[Page#]"_s);
        ReloadReport();
    });
}

TkavReportPage *DesignerDocument::NewPage()
{
    if (!CheckOp(drDontCreatePage))
        return nullptr;
    TkavReportPage *page = nullptr;
    guarded([&] {
        page = createReportPage();
        SetPage(page);
        SetModified(true);
    });
    notify(FHooks.PagesChanged);
    return FPage.get() == page ? page : nullptr;
}

// Dialog pages come with their class: until it is registered there is nothing to create.
TkavComponent *DesignerDocument::NewDialogPage()
{
    const TkavClassInfo *cls = kavFindClass(u"TkavDialogPage");
    if (!CheckOp(drDontCreatePage) || !cls || !cls->CanCreate())
        return nullptr;
    TkavComponent *page = nullptr;
    guarded([&] {
        page = TkavComponent::DesignCreate(cls->ClassName(), &FReport);
        page->SetBounds(265, 150, 300, 200);
        if (const TkavDesigner *settings = Settings())
            page->SetFont(settings->DefaultFont());
        page->CreateUniqueName();
        SetPage(page);
        SetModified(true);
    });
    notify(FHooks.PagesChanged);
    return FPage.get() == page ? page : nullptr;
}

bool DesignerDocument::CanDeletePage() const
{
    const TkavComponent *page = Page();
    return CheckOp(drDontDeletePage) && FReport.PagesCount() > 2 && page
           && !dynamic_cast<const TkavDataPage *>(page) && !page->IsAncestor();
}

bool DesignerDocument::DeletePage()
{
    if (!CanDeletePage())
        return false;
    const bool ok = guarded([&] {
        TkavComponent *page = Page();
        if (auto *reportPage = dynamic_cast<TkavReportPage *>(page))
            if (TkavComponent *subreport = reportPage->SubReport())
                subreport->Free();
        page->Free();
        SetPage(FirstReportPage());
        SetModified(true);
    });
    notify(FHooks.PagesChanged);
    return ok;
}

bool DesignerDocument::MovePage(int From, int To)
{
    const int count = FReport.PagesCount();
    if (From < 1 || To < 1 || From >= count || To >= count || From == To)
        return false;
    const bool ok = guarded([&] {
        FReport.MoveObject(FReport.Pages(From), To);
        SetModified(true);
    });
    notify(FHooks.PagesChanged);
    return ok;
}

// Below (or right of) the page's bands of that direction when bands are placed freely;
// otherwise far down, where stacking the bands puts it last.
double DesignerDocument::newBandTop(bool vertical) const
{
    if (!FOptions.FreeBands)
        return vertical ? 0 : 10000;
    double edge = 0;
    for (TkavComponent *c : Page()->Objects())
        if (auto *band = dynamic_cast<TkavBand *>(c); band && band->Vertical() == vertical)
            edge = qMax(edge, vertical ? band->Left() + band->Width() : band->Top() + band->Height());
    const double step = vertical ? GridX() : GridY();
    const double value = edge + BandCaptionHeight() + 4;
    return roundTo8(step > 0 ? std::round(value / step) * step : value);
}

TkavBand *DesignerDocument::InsertBand(int Tag)
{
    TkavComponent *page = Page();
    const int number = Tag % 100;
    if (!isReportPage(page) || number < 0 || number >= int(std::size(bandClasses)))
        return nullptr;
    TkavBand *band = nullptr;
    guarded([&] {
        const bool vertical = Tag >= 100;
        band = static_cast<TkavBand *>(TkavComponent::DesignCreate(bandClasses[number], page));
        band->CreateUniqueName();
        band->SetVertical(vertical);
        const double size = kavUnitBandHeight(Units());
        if (vertical)
            band->SetBounds(newBandTop(true), 0, size, 0);
        else
            band->SetBounds(0, newBandTop(false), 0, size);
        FSelection.Select(band);
        SetModified(true);
    });
    SelectionChanged();
    if (band && FOptions.EditAfterInsert && FSelection.First() == band)
        EditSelected();
    return band && FSelection.First() == band ? band : nullptr;
}

bool DesignerDocument::CanAddChildBand() const
{
    const TkavComponent *first = FSelection.First();
    return dynamic_cast<const TkavBand *>(first) && !dynamic_cast<const TkavColumnFooter *>(first)
           && !dynamic_cast<const TkavOverlay *>(first);
}

TkavChild *DesignerDocument::AddChildBand()
{
    if (!CanAddChildBand())
        return nullptr;
    auto *parent = static_cast<TkavBand *>(FSelection.First());
    TkavChild *child = nullptr;
    guarded([&] {
        child = TkavComponent::DesignCreate<TkavChild>(Page());
        child->CreateUniqueName();
        child->SetBounds(0, newBandTop(false), 0, kavUnitBandHeight(Units()));
        child->SetChild(parent->Child());
        parent->SetChild(child);
        FSelection.Select(child);
        SetModified(true);
    });
    SelectionChanged();
    return child && FSelection.First() == child ? child : nullptr;
}

void DesignerDocument::copyPageLayout(const TkavReportPage &from, TkavReportPage &to) const
{
    to.SetOrientation(from.Orientation());
    to.SetSizeAndDimensions(from.PaperSize(), from.PaperWidth(), from.PaperHeight());
    to.SetBounds(to.Left(), to.Top(), from.Width(), from.Height());
    to.SetLeftMargin(from.LeftMargin());
    to.SetRightMargin(from.RightMargin());
    to.SetTopMargin(from.TopMargin());
    to.SetBottomMargin(from.BottomMargin());
    to.SetBin(from.Bin());
    to.SetBinOtherPages(from.BinOtherPages());
    to.SetColumns(from.Columns());
    to.SetColumnWidth(from.ColumnWidth());
    to.SetColumnPositions(from.ColumnPositions());
    to.SetPrintOnPreviousPage(from.PrintOnPreviousPage());
    to.SetMirrorMargins(from.MirrorMargins());
    to.SetEndlessWidth(from.EndlessWidth());
    to.SetEndlessHeight(from.EndlessHeight());
    to.SetLargeDesignHeight(from.LargeDesignHeight());
    to.SetDuplex(from.Duplex());
}

// The object lands in the band under its top (its Top then inside the band) or, without
// one, on the page, so that every inserted view belongs to the band it was drawn in.
TkavComponent *DesignerDocument::InsertObject(const QString &ClassName, int Flags, double Left,
                                              double Top, double Width, double Height)
{
    TkavComponent *page = Page();
    const TkavClassInfo *cls = kavFindClass(ClassName);
    if (!page || !CheckOp(drDontInsertObject) || Top < 0 || (Width == 0 && Height == 0) || !cls
        || !cls->CanCreate() || !cls->InheritsFrom(TkavReportComponent::StaticClassInfo())
        || cls->InheritsFrom(u"TkavBand") || cls->InheritsFrom(u"TkavPage"))
        return nullptr;
    // Dialog controls go on dialog pages, which take nothing else but non-visual components:
    // the file could not hold them otherwise.
    const bool control = cls->InheritsFrom(u"TkavDialogControl");
    if (page->InheritsFrom(u"TkavDialogPage") ? !(control || cls->InheritsFrom(u"TkavDialogComponent")) : control)
        return nullptr;
    TkavComponent *obj = nullptr;
    TkavReportPage *subPage = nullptr;
    const bool ok = guarded([&] {
        obj = TkavComponent::DesignCreate(cls->ClassName(), page, Flags);
        obj->SetBounds(Left, Top, Width, Height);
        obj->CreateUniqueName();
        if (auto *memo = dynamic_cast<TkavCustomMemoView *>(obj)) {
            ApplySample(*memo);
            if (dynamic_cast<TkavDataPage *>(page))
                memo->SetWysiwyg(false);
        }
        bool contained = false;
        for (TkavComponent *c : page->AllObjects()) {
            if (c == obj || !c->kvComponentStyle().Contains(csContainer))
                continue;
            const bool inside = obj->AbsLeft() >= c->AbsLeft() && obj->AbsTop() >= c->AbsTop()
                                && obj->AbsLeft() + Width <= c->AbsLeft() + c->Width()
                                && obj->AbsTop() + Height <= c->AbsTop() + c->Height();
            if (inside) {
                contained = c->ContainerAdd(obj);
                break;
            }
        }
        if (!contained)
            for (TkavComponent *c : page->Objects())
                if (auto *band = dynamic_cast<TkavBand *>(c); band && !band->Vertical()
                    && band->Top() <= Top && Top < band->Top() + band->Height()) {
                    obj->SetParent(band);
                    obj->SetTop(Top - band->Top());
                    break;
                }
        FSelection.Select(obj);
        if (Settings() && Settings()->OnInsertObject())
            Settings()->OnInsertObject()(obj);
        if (auto *subreport = dynamic_cast<TkavSubreport *>(obj)) {
            subPage = createReportPage();
            subreport->SetSubPage(subPage);
            if (auto *current = dynamic_cast<TkavReportPage *>(page))
                copyPageLayout(*current, *subPage);
        }
        SetModified(true);
    });
    if (!ok)
        return nullptr;
    if (subPage) {
        notify(FHooks.PagesChanged);
        SetPage(subPage);
        return obj;
    }
    SelectionChanged();
    const bool editable = !obj->InheritsFrom(u"TkavDialogControl")
                          && !dynamic_cast<TkavDialogComponent *>(obj)
                          && !obj->Restrictions().Contains(rfDontEdit);
    if (FOptions.EditAfterInsert && editable)
        EditSelected();
    return obj;
}

bool DesignerDocument::DeleteGuides()
{
    auto *page = dynamic_cast<TkavReportPage *>(Page());
    if (!page)
        return false;
    return guarded([&] {
        page->ClearGuides();
        SetModified(true);
    });
}

bool DesignerDocument::SetScriptLanguage(const QString &Language)
{
    if (kavSameText(Language, FReport.ScriptLanguage()))
        return false;
    if (kavUIServices().MessageDlg(kavResourceTable().Get(u"dsClearScript"_s), mtConfirmation,
                                   {mbYes, mbNo})
        != mrYes)
        return false;
    return guarded([&] {
        FReport.SetScriptLanguage(Language);
        SetScriptLines(EmptyScript(Language));
        SetModified(true);
    });
}

// ---------------------------------------------------------------------------------------
// Component editors

bool DesignerDocument::EditSelected()
{
    TkavComponent *first = FSelection.First();
    if (!first || first->Restrictions().Contains(rfDontEdit))
        return false;
    bool changed = false;
    guarded([&] {
        std::unique_ptr<TkavComponentEditor> editor
            = kavComponentEditorRegistry().GetComponentEditor(first, this, nullptr);
        changed = editor && editor->HasEditor() && editor->Edit();
        if (changed)
            SetModified(true);
    });
    return changed;
}

QList<TkavMenuItem> DesignerDocument::ObjectMenuItems()
{
    TkavMenuItems menu;
    if (TkavComponent *first = FSelection.First())
        if (auto editor = kavComponentEditorRegistry().GetComponentEditor(first, this, &menu))
            editor->GetMenuItems();
    return menu.Items();
}

bool DesignerDocument::ExecuteMenuItem(int Tag, bool Checked)
{
    TkavComponent *first = FSelection.First();
    if (!first)
        return false;
    bool changed = false;
    guarded([&] {
        TkavMenuItems menu;
        std::unique_ptr<TkavComponentEditor> editor
            = kavComponentEditorRegistry().GetComponentEditor(first, this, &menu);
        changed = editor && editor->Execute(Tag, Checked);
        if (changed)
            SetModified(true);
    });
    return changed;
}
