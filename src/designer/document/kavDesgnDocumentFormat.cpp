// DesignerDocument: formatting and the sample format, alignment, drawing order, selection
// commands, find and replace.

#include "kavDesgnDocument.h"

#include "kavDesgnDialogs.h"

#include <persist/kavRes.h>
#include <report/kavReport.h>
#include <rtl/kavRTTI.h>
#include <rtl/kavUIServices.h>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

TkavView *asView(TkavComponent &c)
{
    return dynamic_cast<TkavView *>(&c);
}

TkavCustomMemoView *asMemo(TkavComponent &c)
{
    return dynamic_cast<TkavCustomMemoView *>(&c);
}

// The frame of a view or a report page.
TkavFrame *frameOf(TkavComponent &c)
{
    if (TkavView *view = asView(c))
        return &view->Frame();
    if (auto *page = dynamic_cast<TkavReportPage *>(&c))
        return &page->Frame();
    return nullptr;
}

bool hasFont(const TkavComponent &c)
{
    return kavFindProp(c, u"Font") != nullptr;
}

// Moves c so that its absolute top becomes top.
void setAbsTop(TkavComponent &c, double top)
{
    if (std::abs(c.Top() - c.AbsTop()) < 0.0001)
        c.SetTop(top);
    else
        c.SetTop(c.Top() + top - c.AbsTop());
}

double roundToSteps(double value, double step)
{
    return step > 0 ? std::round(value / step) * step : value;
}

} // namespace

// ---------------------------------------------------------------------------------------
// Formatting

QList<TkavComponent *> DesignerDocument::modifiableSelection(bool views) const
{
    QList<TkavComponent *> result;
    for (TkavComponent *c : FSelection.Items()) {
        if (c->Restrictions().Contains(rfDontModify))
            continue;
        if (views && (c == Page() || dynamic_cast<TkavBand *>(c)))
            continue;
        result.append(c);
    }
    return result;
}

bool DesignerDocument::Format(const std::function<bool(TkavComponent &)> &f, bool clearsStyle)
{
    if (!Page())
        return false;
    bool changed = false;
    const bool ok = guarded([&] {
        for (TkavComponent *c : modifiableSelection(false)) {
            if (!f(*c))
                continue;
            changed = true;
            if (TkavCustomMemoView *memo = asMemo(*c)) {
                if (clearsStyle)
                    memo->SetStyle(QString());
                MakeSample(*memo);
            }
        }
        if (changed)
            SetModified(true);
    });
    return ok && changed;
}

bool DesignerDocument::SetFontName(const QString &Name)
{
    return Format(
        [&](TkavComponent &c) { return hasFont(c) && (c.Font().SetName(Name), true); }, true);
}

bool DesignerDocument::SetFontSize(int Size)
{
    return Format(
        [&](TkavComponent &c) { return hasFont(c) && (c.Font().SetSize(Size), true); }, true);
}

bool DesignerDocument::SetFontStyle(TFontStyle Style, bool On)
{
    return Format(
        [&](TkavComponent &c) {
            if (!hasFont(c))
                return false;
            TFontStyles styles = c.Font().Style();
            if (On)
                styles.Include(Style);
            else
                styles.Exclude(Style);
            c.Font().SetStyle(styles);
            return true;
        },
        true);
}

bool DesignerDocument::SetFontColor(TColor Color)
{
    return Format(
        [&](TkavComponent &c) { return hasFont(c) && (c.Font().SetColor(Color), true); }, true);
}

bool DesignerDocument::SetHAlign(TkavHAlign Value)
{
    return Format([&](TkavComponent &c) {
        TkavCustomMemoView *memo = asMemo(c);
        return memo && (memo->SetHAlign(Value), true);
    });
}

bool DesignerDocument::SetVAlign(TkavVAlign Value)
{
    return Format([&](TkavComponent &c) {
        TkavCustomMemoView *memo = asMemo(c);
        return memo && (memo->SetVAlign(Value), true);
    });
}

bool DesignerDocument::SetFrameLine(TkavFrameType Line, bool On)
{
    return Format(
        [&](TkavComponent &c) {
            TkavView *view = asView(c);
            if (!view)
                return false;
            TkavFrameTypes typ = view->Frame().Typ();
            if (On)
                typ.Include(Line);
            else
                typ.Exclude(Line);
            view->Frame().SetTyp(typ);
            return true;
        },
        true);
}

bool DesignerDocument::SetFrameLines(bool All)
{
    const TkavFrameTypes typ = All ? TkavFrameTypes{ftLeft, ftRight, ftTop, ftBottom}
                                   : TkavFrameTypes{};
    return Format(
        [&](TkavComponent &c) {
            TkavView *view = asView(c);
            return view && (view->Frame().SetTyp(typ), true);
        },
        true);
}

// Views take a brush fill of that colour; pages and dialog controls their own colour.
bool DesignerDocument::SetFillColor(TColor Color)
{
    return Format(
        [&](TkavComponent &c) {
            if (TkavView *view = asView(c)) {
                view->SetFillType(ftBrush);
                static_cast<TkavBrushFill &>(view->Fill()).SetBackColor(Color);
                return true;
            }
            if (auto *page = dynamic_cast<TkavReportPage *>(&c)) {
                page->SetColor(Color);
                return true;
            }
            const TkavPropInfo *prop = kavFindProp(c, u"Color");
            if (!prop || prop->Kind() != pkInteger || prop->IsReadOnly())
                return false;
            prop->SetOrd(c, qint64(Color));
            return true;
        },
        true);
}

bool DesignerDocument::SetFrameColor(TColor Color)
{
    return Format(
        [&](TkavComponent &c) {
            TkavFrame *frame = frameOf(c);
            return frame && (frame->SetColor(Color), true);
        },
        true);
}

bool DesignerDocument::SetFrameStyle(TkavFrameStyle Style)
{
    return Format(
        [&](TkavComponent &c) {
            TkavFrame *frame = frameOf(c);
            return frame && (frame->SetStyle(Style), true);
        },
        true);
}

bool DesignerDocument::SetFrameWidth(double Width)
{
    return Format(
        [&](TkavComponent &c) {
            TkavFrame *frame = frameOf(c);
            return frame && (frame->SetWidth(Width), true);
        },
        true);
}

bool DesignerDocument::SetRotation(int Rotation)
{
    return Format([&](TkavComponent &c) {
        TkavCustomMemoView *memo = asMemo(c);
        return memo && (memo->SetRotation(Rotation), true);
    });
}

bool DesignerDocument::SetStyle(const QString &Style)
{
    return Format([&](TkavComponent &c) {
        auto *memo = dynamic_cast<TkavMemoView *>(&c);
        return memo && (memo->SetStyle(Style), true);
    });
}

bool DesignerDocument::SetDMPStyle(TkavDMPFontStyle Flag, bool On)
{
    return Format([&](TkavComponent &c) {
        auto *memo = dynamic_cast<TkavDMPMemoView *>(&c);
        if (!memo)
            return false;
        TkavDMPFontStyles styles = memo->FontStyle();
        if (On)
            styles.Include(Flag);
        else
            styles.Exclude(Flag);
        memo->SetFontStyle(styles);
        return true;
    });
}

bool DesignerDocument::AlignToGrid()
{
    const double gx = GridX();
    const double gy = GridY();
    return Format([&](TkavComponent &c) {
        if (&c == Page() || dynamic_cast<TkavBand *>(&c))
            return false;
        const double w = roundToSteps(c.Width(), gx);
        const double h = roundToSteps(c.Height(), gy);
        c.SetBounds(roundToSteps(c.Left(), gx), roundToSteps(c.Top(), gy), w == 0 ? gx : w,
                    h == 0 ? gy : h);
        return true;
    });
}

bool DesignerDocument::EditFont()
{
    TkavComponent *first = FSelection.First();
    if (!first || !hasFont(*first))
        return false;
    TkavFontChoice choice;
    choice.Name = first->Font().Name();
    choice.Size = first->Font().Size();
    choice.Style = first->Font().Style();
    choice.Color = first->Font().Color();
    if (!kavUIServices().FontDialog(choice))
        return false;
    return Format(
        [&](TkavComponent &c) {
            if (!hasFont(c))
                return false;
            TFont font = c.Font();
            font.SetName(choice.Name);
            font.SetSize(int(std::lround(choice.Size)));
            font.SetStyle(choice.Style);
            font.SetColor(choice.Color);
            c.SetFont(font);
            return true;
        },
        true);
}

// The edited frame goes to every selected view, not only to the first.
bool DesignerDocument::EditFrame()
{
    TkavView *first = FSelection.First() ? asView(*FSelection.First()) : nullptr;
    if (!first)
        return false;
    TkavFrame frame;
    frame.Assign(first->Frame());
    if (!kavDesignerDialogs().EditFrame(frame))
        return false;
    return Format(
        [&](TkavComponent &c) {
            TkavView *view = asView(c);
            return view && (view->SetFrame(frame), true);
        },
        true);
}

bool DesignerDocument::EditFill()
{
    TkavView *first = FSelection.First() ? asView(*FSelection.First()) : nullptr;
    if (!first)
        return false;
    std::unique_ptr<TkavCustomFill> fill = kavCreateFill(first->FillType());
    fill->Assign(first->Fill());
    if (!kavDesignerDialogs().EditFill(fill, dynamic_cast<TkavShapeView *>(first) != nullptr)
        || !fill)
        return false;
    return Format(
        [&](TkavComponent &c) {
            TkavView *view = asView(c);
            return view && (view->SetFill(*fill), true);
        },
        true);
}

bool DesignerDocument::EditHighlights()
{
    auto *first = FSelection.First() ? dynamic_cast<TkavMemoView *>(FSelection.First()) : nullptr;
    if (!Page() || !first || first->Restrictions().Contains(rfDontModify))
        return false;
    bool changed = false;
    const bool ok = guarded([&] {
        if (!kavDesignerDialogs().EditHighlights(*first))
            return;
        // The whole list travels: a copy of the first condition alone would drop the rest.
        for (TkavComponent *c : modifiableSelection(false))
            if (auto *memo = dynamic_cast<TkavMemoView *>(c); memo && memo != first)
                memo->Highlights().Assign(first->Highlights());
        changed = true;
        SetModified(true);
    });
    return ok && changed;
}

void DesignerDocument::MakeSample(const TkavCustomMemoView &memo)
{
    FSample->SetFill(memo.Fill());
    if (!dynamic_cast<const TkavDMPMemoView *>(&memo))
        FSample->Font().Assign(memo.Font());
    FSample->SetFrame(memo.Frame());
    FSample->SetHAlign(memo.HAlign());
    FSample->SetVAlign(memo.VAlign());
    FSample->SetRTLReading(memo.RTLReading());
    FSample->SetParentFont(memo.ParentFont());
}

void DesignerDocument::ApplySample(TkavCustomMemoView &memo) const
{
    memo.SetFill(FSample->Fill());
    if (!dynamic_cast<const TkavDMPMemoView *>(&memo) && !FSample->ParentFont())
        memo.SetFont(FSample->Font());
    memo.SetFrame(FSample->Frame());
    memo.SetHAlign(FSample->HAlign());
    memo.SetVAlign(FSample->VAlign());
    memo.SetRTLReading(FSample->RTLReading());
    if (FSample->ParentFont())
        memo.SetParentFont(true);
}

// ---------------------------------------------------------------------------------------
// Alignment and order

bool DesignerDocument::Align(TkavAlignCommand Command)
{
    if (!Page())
        return false;
    QList<TkavComponent *> items;
    for (TkavComponent *c : FSelection.Items())
        if (c != Page() && !dynamic_cast<TkavBand *>(c))
            items.append(c);
    if (items.isEmpty())
        return false;
    const bool sizing = Command == acSameWidth || Command == acSameHeight;
    auto movable = [&](const TkavComponent *c) {
        return !c->Restrictions().Contains(sizing ? rfDontSize : rfDontMove);
    };
    TkavReportPage *page = dynamic_cast<TkavReportPage *>(Page());
    const double printableWidth = page ? (page->PaperWidth() - page->LeftMargin()
                                          - page->RightMargin()) * kavMMToPixels
                                       : Page()->Width();
    const double printableHeight = page ? (page->PaperHeight() - page->TopMargin()
                                           - page->BottomMargin()) * kavMMToPixels
                                        : Page()->Height();
    const TkavComponent &ref = *items.first();
    bool changed = false;
    const bool ok = guarded([&] {
        if (Command == acSpaceHorizontally || Command == acSpaceVertically) {
            if (items.size() < 3)
                return;
            const bool h = Command == acSpaceHorizontally;
            // A numeric, stable order: negative and large positions sort where they are.
            std::stable_sort(items.begin(), items.end(), [h](TkavComponent *a, TkavComponent *b) {
                return h ? a->Left() < b->Left() : a->AbsTop() < b->AbsTop();
            });
            const double first = h ? items.first()->Left() : items.first()->AbsTop();
            const double last = h ? items.last()->Left() : items.last()->AbsTop();
            const double step = (last - first) / double(items.size() - 1);
            for (int i = 1; i + 1 < items.size(); ++i) {
                if (!movable(items[i]))
                    continue;
                const double previous = h ? items[i - 1]->Left() : items[i - 1]->AbsTop();
                if (h)
                    items[i]->SetLeft(previous + step);
                else
                    setAbsTop(*items[i], previous + step);
                changed = true;
            }
        } else {
            const bool withReference = Command != acCenterHorizontally
                                       && Command != acCenterVertically;
            for (TkavComponent *c : items) {
                if ((withReference && c == &ref) || !movable(c))
                    continue;
                const auto *band = dynamic_cast<const TkavBand *>(c->Parent());
                switch (Command) {
                case acAlignLefts:
                    c->SetLeft(ref.Left());
                    break;
                case acAlignRights:
                    c->SetLeft(ref.Left() + ref.Width() - c->Width());
                    break;
                case acAlignHCenters:
                    c->SetLeft(ref.Left() + ref.Width() / 2 - c->Width() / 2);
                    break;
                case acAlignTops:
                    setAbsTop(*c, ref.AbsTop());
                    break;
                case acAlignBottoms:
                    setAbsTop(*c, ref.AbsTop() + ref.Height() - c->Height());
                    break;
                case acAlignVCenters:
                    setAbsTop(*c, ref.AbsTop() + ref.Height() / 2 - c->Height() / 2);
                    break;
                case acSameWidth:
                    c->SetWidth(ref.Width());
                    break;
                case acSameHeight:
                    c->SetHeight(ref.Height());
                    break;
                case acCenterHorizontally:
                    c->SetLeft(((band ? band->Width() : printableWidth) - c->Width()) * 0.5);
                    break;
                case acCenterVertically:
                    c->SetTop(((band ? band->Height() : printableHeight) - c->Height()) * 0.5);
                    break;
                default:
                    break;
                }
                changed = true;
            }
        }
        if (changed)
            SetModified(true);
    });
    return ok && changed;
}

bool DesignerDocument::BringToFront()
{
    bool changed = false;
    const bool ok = guarded([&] {
        for (TkavComponent *c : FSelection.Items())
            if (c != Page() && c->Parent() && !c->Restrictions().Contains(rfDontMove)) {
                c->Parent()->MoveObject(c, int(c->Parent()->Objects().size()) - 1);
                changed = true;
            }
        if (changed)
            SetModified(true);
    });
    return ok && changed;
}

bool DesignerDocument::SendToBack()
{
    bool changed = false;
    const bool ok = guarded([&] {
        const QList<TkavComponent *> items = FSelection.Items();
        // Backwards, so that the selected objects keep their order among themselves.
        for (auto it = items.rbegin(); it != items.rend(); ++it) {
            TkavComponent *c = *it;
            if (c != Page() && c->Parent() && !c->Restrictions().Contains(rfDontMove)) {
                c->Parent()->MoveObject(c, 0);
                changed = true;
            }
        }
        if (changed)
            SetModified(true);
    });
    return ok && changed;
}

void DesignerDocument::SelectAll()
{
    TkavComponent *page = Page();
    if (!page)
        return;
    const QList<TkavComponent *> items = FSelection.Items();
    TkavComponent *parent = page;
    if (items.size() == 1 && items.first() != page) {
        TkavComponent *c = items.first();
        if (dynamic_cast<TkavBand *>(c))
            parent = c;
        else if (dynamic_cast<TkavBand *>(c->Parent()))
            parent = c->Parent();
    }
    FSelection.Clear();
    for (TkavComponent *c : parent->Objects())
        FSelection.Add(c);
    SelectionChanged();
}

void DesignerDocument::SelectSameType(bool WholePage)
{
    const QList<TkavComponent *> items = FSelection.Items();
    if (!Page() || items.size() != 1 || items.first() == Page())
        return;
    TkavComponent *model = items.first();
    const QList<TkavComponent *> candidates = WholePage || !model->Parent()
                                                  ? Page()->AllObjects()
                                                  : model->Parent()->Objects();
    FSelection.Clear();
    for (TkavComponent *c : candidates)
        if (&c->ClassInfo() == &model->ClassInfo())
            FSelection.Add(c);
    SelectionChanged();
}

// ---------------------------------------------------------------------------------------
// Find and replace

bool DesignerDocument::Find(const QString &Text, bool CaseSensitive)
{
    FFindText = Text;
    FFindCase = CaseSensitive;
    FReplacing = false;
    FFindIndex = 0;
    return search(false);
}

bool DesignerDocument::Replace(const QString &Text, const QString &Replacement, bool CaseSensitive)
{
    FFindText = Text;
    FReplaceText = Replacement;
    FFindCase = CaseSensitive;
    FReplacing = true;
    FFindIndex = 0;
    return search(true);
}

bool DesignerDocument::FindNext()
{
    return !FFindText.isEmpty() && search(FReplacing);
}

int kavAskReplace(const QString &text)
{
    QString question = kavResourceTable().Get(u"dsReplace"_s);
    question.replace(u"%s"_s, text);
    return kavUIServices().MessageDlg(question, mtConfirmation, {mbYes, mbNo, mbCancel, mbAll});
}

bool DesignerDocument::search(bool replace)
{
    if (!Page() || FFindText.isEmpty())
        return false;
    const Qt::CaseSensitivity cs = FFindCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
    const QList<TkavComponent *> objects = Objects();
    bool matched = false;
    bool replaced = false;
    bool all = false;
    for (int i = FFindIndex; i < objects.size(); ++i) {
        auto *memo = dynamic_cast<TkavCustomMemoView *>(objects[i]);
        if (!memo || !memo->Text().contains(FFindText, cs))
            continue;
        matched = true;
        FFindIndex = i + 1;
        Select(memo);
        if (!replace)
            break;
        const TModalResult answer = all ? mrYes : kavAskReplace(FFindText);
        if (answer != mrYes && answer != mrAll)
            break;
        all = all || answer == mrAll;
        if (!memo->Restrictions().Contains(rfDontModify)) {
            QString text = memo->Text();
            text.replace(FFindText, FReplaceText, cs);
            memo->SetText(text);
            replaced = true;
        }
        if (!all)
            break;
    }
    if (replaced)
        SetModified(true);
    if (!matched) {
        QString message = kavResourceTable().Get(u"dsTextNotFound"_s);
        message.replace(u"%s"_s, FFindText);
        kavUIServices().InfoBox(message);
    }
    return matched;
}
