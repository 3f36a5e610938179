#include "kavDesgnCompEditors.h"

#include "kavDesgnEditors.h"

#include <designer/document/kavDesgnDialogs.h>
#include <designer/document/kavDesgnDocument.h>
#include <persist/kavRes.h>
#include <report/kavDMP.h>
#include <report/kavReport.h>
#include <rtl/kavCaseFold.h>
#include <rtl/kavRTTI.h>
#include <rtl/kavStrings.h>

using namespace Qt::StringLiterals;

TkavComponentEditor::TkavComponentEditor(TkavComponent *Component, DesignerDocument *Designer,
                                         TkavMenuSink *Menu)
    : FComponent(Component)
    , FDesigner(Designer)
    , FMenu(Menu)
{}

TkavComponentEditor::~TkavComponentEditor() = default;

bool TkavComponentEditor::Execute(int, bool)
{
    return false;
}

void TkavComponentEditor::AddMenuItem(const QString &CaptionKey, int Tag, bool Checked)
{
    if (FMenu)
        FMenu->AddItem({kavResourceTable().Get(CaptionKey), Tag, Checked});
}

void TkavComponentEditor::AddCommandItem(const QString &CaptionKey, int Tag)
{
    if (FMenu)
        FMenu->AddItem({kavResourceTable().Get(CaptionKey), Tag, false, true});
}

void TkavComponentEditor::AddSeparator()
{
    if (FMenu)
        FMenu->AddItem({u"-"_s, -1, false});
}

QList<TkavComponent *> TkavComponentEditor::selection() const
{
    if (!FDesigner)
        return {FComponent};
    QList<TkavComponent *> items = FDesigner->SelectedObjects();
    if (!items.contains(FComponent))
        items.prepend(FComponent);
    return items;
}

bool TkavComponentEditor::modifiable(const TkavComponent *c)
{
    return !c->Restrictions().Contains(rfDontModify);
}

TkavComponentEditorCollection &kavComponentEditorRegistry()
{
    static TkavComponentEditorCollection registry;
    return registry;
}

std::unique_ptr<TkavComponentEditor>
TkavComponentEditorCollection::GetComponentEditor(TkavComponent *Component,
                                                  DesignerDocument *Designer,
                                                  TkavMenuSink *Menu) const
{
    if (!Component)
        return nullptr;
    const QString className = Component->ClassName();
    const TkavComponentEditorItem *found = nullptr;
    for (const TkavComponentEditorItem &item : FItems) {
        if (kavSameText(item.ComponentClass, className)) {
            found = &item;
            break;
        }
        if (Component->InheritsFrom(item.ComponentClass))
            found = &item; // the last registered ancestor, unless an exact one comes
    }
    return found ? found->ComponentEditor(Component, Designer, Menu) : nullptr;
}

// ---------------------------------------------------------------------------------------
// Views

void TkavViewEditor::GetMenuItems()
{
    const auto *view = dynamic_cast<const TkavView *>(Component());
    if (!view)
        return;
    AddMenuItem(u"mvShift"_s, 51, view->ShiftMode() == smAlways);
    AddMenuItem(u"mvShiftOver"_s, 52, view->ShiftMode() == smWhenOverlapped);
    AddMenuItem(u"mvVisible"_s, 53, view->Visible());
    AddMenuItem(u"mvPrintable"_s, 54, view->Printable());
}

bool TkavViewEditor::Execute(int Tag, bool Checked)
{
    if (Tag == 50) {
        auto *view = dynamic_cast<TkavView *>(Component());
        if (!view)
            return false;
        if (!kavDesignerDialogs().EditHyperlink(*view))
            return false;
        for (TkavView *v : targets<TkavView>())
            v->SetHyperlink(view->Hyperlink());
        return true;
    }
    if (Tag < 51 || Tag > 54)
        return false;
    const QList<TkavView *> views = targets<TkavView>();
    for (TkavView *v : views) {
        switch (Tag) {
        case 51:
            v->SetShiftMode(Checked ? smAlways : smDontShift);
            break;
        case 52:
            v->SetShiftMode(Checked ? smWhenOverlapped : smDontShift);
            break;
        case 53:
            v->SetVisible(Checked);
            break;
        default:
            v->SetPrintable(Checked);
            break;
        }
    }
    return !views.isEmpty();
}

void TkavCustomMemoEditor::GetMenuItems()
{
    const auto *memo = dynamic_cast<const TkavCustomMemoView *>(Component());
    if (!memo)
        return;
    AddCommandItem(u"mvFormat"_s, 1);
    AddCommandItem(u"mvHyperlink"_s, 50);
    AddCommandItem(u"mvClear"_s, 2);
    AddSeparator();
    AddMenuItem(u"mvAutoWidth"_s, 3, memo->AutoWidth());
    AddMenuItem(u"mvWWrap"_s, 4, memo->WordWrap());
    AddMenuItem(u"mvSuppress"_s, 5, memo->SuppressRepeated());
    AddMenuItem(u"mvHideZ"_s, 6, memo->HideZeros());
    AddMenuItem(u"mvExpr"_s, 7, memo->AllowExpressions());
    if (!dynamic_cast<const TkavDMPMemoView *>(memo))
        AddMenuItem(u"mvHTML"_s, 8, memo->AllowHTMLTags());
    AddSeparator();
    AddMenuItem(u"mvStretch"_s, 40, memo->StretchMode() == smActualHeight);
    AddMenuItem(u"mvStretchToMax"_s, 41, memo->StretchMode() == smMaxHeight);
    TkavViewEditor::GetMenuItems();
}

// Reports a change only when a memo really changed (a cancelled dialog changes nothing).
bool TkavCustomMemoEditor::Execute(int Tag, bool Checked)
{
    bool changed = TkavViewEditor::Execute(Tag, Checked);
    const QList<TkavCustomMemoView *> memos = targets<TkavCustomMemoView>();
    if (Tag == 1) {
        auto *memo = dynamic_cast<TkavCustomMemoView *>(Component());
        if (!memo || !kavDesignerDialogs().EditDisplayFormat(*memo))
            return changed;
        for (TkavCustomMemoView *m : memos)
            if (m != memo)
                m->Formats().Assign(memo->Formats());
        return true;
    }
    for (TkavCustomMemoView *m : memos) {
        switch (Tag) {
        case 2:
            m->SetText(QString());
            break;
        case 3:
            m->SetAutoWidth(Checked);
            break;
        case 4:
            m->SetWordWrap(Checked);
            break;
        case 5:
            m->SetSuppressRepeated(Checked);
            break;
        case 6:
            m->SetHideZeros(Checked);
            break;
        case 7:
            m->SetAllowExpressions(Checked);
            break;
        case 8:
            m->SetAllowHTMLTags(Checked);
            break;
        case 40:
            m->SetStretchMode(Checked ? smActualHeight : smDontStretch);
            break;
        case 41:
            m->SetStretchMode(Checked ? smMaxHeight : smDontStretch);
            break;
        default:
            continue;
        }
        changed = true;
    }
    return changed;
}

bool TkavMemoEditor::Edit()
{
    if (!kavEditMemoText(Component()))
        return false;
    static_cast<TkavCustomMemoView *>(Component())->SetDataField(QString());
    return true;
}

bool TkavSysMemoEditor::Edit()
{
    return kavEditMemoText(Component(), true);
}

void TkavLineEditor::GetMenuItems()
{
    const auto *line = dynamic_cast<const TkavCustomLineView *>(Component());
    if (!line)
        return;
    if (dynamic_cast<const TkavLineView *>(line))
        AddMenuItem(u"lvDiagonal"_s, 0, line->Diagonal());
    AddMenuItem(u"mvStretch"_s, 1, line->StretchMode() == smMaxHeight);
    TkavViewEditor::GetMenuItems();
}

bool TkavLineEditor::Execute(int Tag, bool Checked)
{
    bool changed = TkavViewEditor::Execute(Tag, Checked);
    if (Tag != 0 && Tag != 1)
        return changed;
    for (TkavCustomLineView *line : targets<TkavCustomLineView>()) {
        if (Tag == 0 && dynamic_cast<TkavLineView *>(line))
            line->SetDiagonal(Checked);
        else if (Tag == 1)
            line->SetStretchMode(Checked ? smMaxHeight : smDontStretch);
        else
            continue;
        changed = true;
    }
    return changed;
}

void TkavPictureEditor::GetMenuItems()
{
    const auto *picture = dynamic_cast<const TkavPictureView *>(Component());
    if (!picture)
        return;
    AddMenuItem(u"pvAutoSize"_s, 0, picture->AutoSize());
    AddMenuItem(u"mvStretch"_s, 1, picture->Stretched());
    AddMenuItem(u"pvCenter"_s, 2, picture->Center());
    AddMenuItem(u"pvAspect"_s, 3, picture->KeepAspectRatio());
    AddSeparator();
    TkavViewEditor::GetMenuItems();
}

bool TkavPictureEditor::Execute(int Tag, bool Checked)
{
    bool changed = TkavViewEditor::Execute(Tag, Checked);
    if (Tag < 0 || Tag > 3)
        return changed;
    for (TkavPictureView *p : targets<TkavPictureView>()) {
        switch (Tag) {
        case 0:
            p->SetAutoSize(Checked);
            break;
        case 1:
            p->SetStretched(Checked);
            break;
        case 2:
            p->SetCenter(Checked);
            break;
        default:
            p->SetKeepAspectRatio(Checked);
            break;
        }
        changed = true;
    }
    return changed;
}

bool TkavPictureEditor::Edit()
{
    auto *view = dynamic_cast<TkavPictureView *>(Component());
    if (!view)
        return false;
    TkavPicture picture;
    picture.Assign(view->Picture());
    if (!kavDesignerDialogs().EditPicture(picture))
        return false;
    view->SetPicture(picture);
    if (Designer()) {
        Designer()->PictureCache().AddPicture(*view);
        view->SetPictureChanged(false);
    }
    return true;
}

// ---------------------------------------------------------------------------------------
// Pages

bool TkavPageEditor::Edit()
{
    auto *page = dynamic_cast<TkavReportPage *>(Component());
    if (!page || page->IsSubReport()
        || (Designer() && !Designer()->CheckOp(drDontChangePageOptions)))
        return false;
    return kavDesignerDialogs().EditPageOptions(*page, Designer() ? Designer()->Units() : duCM);
}

// ---------------------------------------------------------------------------------------
// Bands

bool TkavBandEditor::offersItems() const
{
    return !Designer() || Designer()->SelectedObjects().size() <= 1;
}

void TkavBandEditor::GetMenuItems()
{
    const auto *b = dynamic_cast<const TkavBand *>(Component());
    if (!b || !offersItems())
        return;
    const bool pageHeader = dynamic_cast<const TkavPageHeader *>(b);
    const bool pageFooter = dynamic_cast<const TkavPageFooter *>(b);
    const bool columnHeader = dynamic_cast<const TkavColumnHeader *>(b);
    const bool columnFooter = dynamic_cast<const TkavColumnFooter *>(b);
    const bool footer = dynamic_cast<const TkavFooter *>(b) || dynamic_cast<const TkavGroupFooter *>(b);
    if (!b->Vertical()) {
        AddMenuItem(u"mvStretch"_s, 10, b->Stretched());
        if (!pageHeader && !pageFooter && !columnHeader && !columnFooter)
            AddMenuItem(u"bvSplit"_s, 11, b->AllowSplit());
        if (!pageHeader && !columnHeader)
            AddMenuItem(u"bvKeepChild"_s, 12, b->KeepChild());
    }
    AddMenuItem(u"bvPrintChild"_s, 13, b->PrintChildIfInvisible());
    if (!pageHeader && !pageFooter && !footer && !columnHeader && !columnFooter)
        AddMenuItem(u"bvStartPage"_s, 14, b->StartNewPage());
}

bool TkavBandEditor::Execute(int Tag, bool Checked)
{
    TkavBand *b = band<TkavBand>();
    if (!b)
        return false;
    switch (Tag) {
    case 10:
        b->SetStretched(Checked);
        return true;
    case 11:
        b->SetAllowSplit(Checked);
        return true;
    case 12:
        b->SetKeepChild(Checked);
        return true;
    case 13:
        b->SetPrintChildIfInvisible(Checked);
        return true;
    case 14:
        b->SetStartNewPage(Checked);
        return true;
    default:
        return false;
    }
}

void TkavDataBandEditor::GetMenuItems()
{
    TkavBandEditor::GetMenuItems();
    const auto *b = dynamic_cast<const TkavDataBand *>(Component());
    if (!b || !offersItems())
        return;
    AddMenuItem(u"bvPrintIfEmpty"_s, 0, b->PrintIfDetailEmpty());
    AddMenuItem(u"bvFooterAfterEach"_s, 1, b->FooterAfterEach());
    if (!b->Vertical()) {
        AddMenuItem(u"bvKeepDetail"_s, 2, b->KeepTogether());
        AddMenuItem(u"bvKeepFooter"_s, 3, b->KeepFooter());
        AddMenuItem(u"bvKeepHeader"_s, 4, b->KeepHeader());
    }
}

bool TkavDataBandEditor::Execute(int Tag, bool Checked)
{
    TkavDataBand *b = band<TkavDataBand>();
    if (!b)
        return false;
    switch (Tag) {
    case 0:
        b->SetPrintIfDetailEmpty(Checked);
        return true;
    case 1:
        b->SetFooterAfterEach(Checked);
        return true;
    case 2:
        b->SetKeepTogether(Checked);
        return true;
    case 3:
        b->SetKeepFooter(Checked);
        return true;
    case 4:
        b->SetKeepHeader(Checked);
        return true;
    default:
        return TkavBandEditor::Execute(Tag, Checked);
    }
}

bool TkavDataBandEditor::Edit()
{
    auto *b = dynamic_cast<TkavDataBand *>(Component());
    return b && kavDesignerDialogs().EditDataBand(*b);
}

void TkavHeaderEditor::GetMenuItems()
{
    TkavBandEditor::GetMenuItems();
    if (const auto *b = dynamic_cast<const TkavHeader *>(Component()); b && offersItems())
        AddMenuItem(u"bvReprint"_s, 0, b->ReprintOnNewPage());
}

bool TkavHeaderEditor::Execute(int Tag, bool Checked)
{
    if (Tag != 0)
        return TkavBandEditor::Execute(Tag, Checked);
    TkavHeader *b = band<TkavHeader>();
    return b && (b->SetReprintOnNewPage(Checked), true);
}

void TkavPageHeaderEditor::GetMenuItems()
{
    TkavBandEditor::GetMenuItems();
    if (const auto *b = dynamic_cast<const TkavPageHeader *>(Component()); b && offersItems())
        AddMenuItem(u"bvOnFirst"_s, 0, b->PrintOnFirstPage());
}

bool TkavPageHeaderEditor::Execute(int Tag, bool Checked)
{
    if (Tag != 0)
        return TkavBandEditor::Execute(Tag, Checked);
    TkavPageHeader *b = band<TkavPageHeader>();
    return b && (b->SetPrintOnFirstPage(Checked), true);
}

void TkavColumnHeaderEditor::GetMenuItems()
{
    if (const auto *b = dynamic_cast<const TkavBand *>(Component()); b && offersItems())
        AddMenuItem(u"mvStretch"_s, 10, b->Stretched());
}

bool TkavColumnHeaderEditor::Execute(int Tag, bool Checked)
{
    TkavBand *b = band<TkavBand>();
    return Tag == 10 && b && (b->SetStretched(Checked), true);
}

void TkavGroupHeaderEditor::GetMenuItems()
{
    TkavBandEditor::GetMenuItems();
    const auto *b = dynamic_cast<const TkavGroupHeader *>(Component());
    if (!b || !offersItems())
        return;
    AddMenuItem(u"bvKeepGroup"_s, 0, b->KeepTogether());
    AddMenuItem(u"bvReprint"_s, 1, b->ReprintOnNewPage());
    AddMenuItem(u"bvDrillDown"_s, 2, b->DrillDown());
    AddMenuItem(u"bvResetPageNo"_s, 3, b->ResetPageNumbers());
}

bool TkavGroupHeaderEditor::Execute(int Tag, bool Checked)
{
    TkavGroupHeader *b = band<TkavGroupHeader>();
    if (!b)
        return false;
    switch (Tag) {
    case 0:
        b->SetKeepTogether(Checked);
        return true;
    case 1:
        b->SetReprintOnNewPage(Checked);
        return true;
    case 2:
        b->SetDrillDown(Checked);
        return true;
    case 3:
        b->SetResetPageNumbers(Checked);
        if (Checked)
            b->SetStartNewPage(true); // a new numbering starts on a new page
        return true;
    default:
        return TkavBandEditor::Execute(Tag, Checked);
    }
}

bool TkavGroupHeaderEditor::Edit()
{
    auto *b = dynamic_cast<TkavGroupHeader *>(Component());
    return b && kavDesignerDialogs().EditGroup(*b);
}

void TkavPageFooterEditor::GetMenuItems()
{
    const auto *b = dynamic_cast<const TkavPageFooter *>(Component());
    if (!b || (Designer() && Designer()->SelectedObjects().size() > 1))
        return;
    AddMenuItem(u"bvOnFirst"_s, 0, b->PrintOnFirstPage());
    AddMenuItem(u"bvOnLast"_s, 1, b->PrintOnLastPage());
}

bool TkavPageFooterEditor::Execute(int Tag, bool Checked)
{
    auto *b = dynamic_cast<TkavPageFooter *>(Component());
    if (!b || !modifiable(b))
        return false;
    if (Tag == 0)
        b->SetPrintOnFirstPage(Checked);
    else if (Tag == 1)
        b->SetPrintOnLastPage(Checked);
    else
        return false;
    return true;
}

// ---------------------------------------------------------------------------------------
// Subreports and dialog controls

void TkavSubreportEditor::GetMenuItems()
{
    if (const auto *s = dynamic_cast<const TkavSubreport *>(Component()))
        AddMenuItem(u"srParent"_s, 0, s->PrintOnParent());
}

bool TkavSubreportEditor::Execute(int Tag, bool Checked)
{
    auto *s = dynamic_cast<TkavSubreport *>(Component());
    if (Tag != 0 || !s || !modifiable(s))
        return false;
    s->SetPrintOnParent(Checked);
    return true;
}

bool TkavSubreportEditor::Edit()
{
    auto *s = dynamic_cast<TkavSubreport *>(Component());
    if (s && s->SubPage() && Designer())
        Designer()->SetPage(s->SubPage());
    return false;
}

bool TkavDialogControlEditor::Edit()
{
    TkavComponent *control = Component();
    const TkavPropInfo *prop = control ? kavFindProp(*control, u"OnClick") : nullptr;
    if (!prop || !Designer() || !Designer()->CheckOp(drDontEditReportScript))
        return false;
    return kavEditEventHandler(*Designer(), *control, *prop, [&](const QString &name) {
        prop->SetStr(*control, name);
    });
}

bool TkavSQLQueryEditor::Edit()
{
    TkavComponent *query = Component();
    const TkavPropInfo *prop = query ? kavFindProp(*query, u"SQL") : nullptr;
    auto *sql = prop ? dynamic_cast<TStrings *>(prop->GetObject(*query)) : nullptr;
    if (!sql)
        return false;
    TStringList text;
    text.Assign(*sql);
    if (!kavDesignerDialogs().EditSQL(text))
        return false;
    sql->Assign(text);
    return true;
}
