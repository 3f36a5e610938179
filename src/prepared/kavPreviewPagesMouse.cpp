// What the preview asks of the store besides drawing: the object under the mouse with its
// events, and a quick look whether a page can hold a searched text.

#include "kavPreviewPages.h"
#include "kavPreviewPages_p.h"

#include <persist/kavXML.h>
#include <report/kavBands.h>
#include <report/kavCustomEngine.h>
#include <report/kavFrames.h>
#include <report/kavPages.h>
#include <report/kavReport.h>
#include <report/kavViews.h>
#include <rtl/kavMath.h>

using namespace Qt::StringLiterals;

namespace {

// The platform's hand pointer.
constexpr int handPointCursor = -21;

int px(double value)
{
    return int(kavRound(value));
}

// The group header with DrillDown that is Component or holds it, or null.
TkavGroupHeader *drillHeaderOf(TkavComponent *Component)
{
    for (TkavComponent *c = Component; c; c = c->Parent()) {
        if (auto *header = dynamic_cast<TkavGroupHeader *>(c))
            return header->DrillDown() ? header : nullptr;
        if (dynamic_cast<TkavPage *>(c))
            break;
    }
    return nullptr;
}

// Hints are "short|long"; without the bar both parts are the whole text.
QString shortHint(const QString &hint)
{
    const qsizetype bar = hint.indexOf(u'|');
    return bar < 0 ? hint : hint.left(bar);
}

QString longHint(const QString &hint)
{
    const qsizetype bar = hint.indexOf(u'|');
    return bar < 0 ? hint : hint.mid(bar + 1);
}

} // namespace

void TkavPreviewPages::leaveLastObject(bool &Refresh)
{
    TkavView *last = std::exchange(FLastObjectOver, nullptr);
    const std::shared_ptr<TkavReportPage> page = std::move(FLastObjectOverPage);
    if (last && Report())
        Report()->DoMouseLeave(last, Refresh);
}

TkavObjectOver TkavPreviewPages::ObjectOver(int Index,
                                            int X,
                                            int Y,
                                            int Button,
                                            int Shift,
                                            double Scale,
                                            double OffsetX,
                                            double OffsetY,
                                            TkavMouseOverEvent MouseEvent)
{
    TkavObjectOver result;
    TkavReport *report = Report();
    if (!report || Index < 0 || Index >= Count() || (Engine() && Engine()->Running()))
        return result;
    const std::shared_ptr<TkavReportPage> page = GetPage(Index);
    if (!page)
        return result;
    result.Page = page;
    const double margin = page->MirrorMargins() && Index % 2 == 1 ? page->RightMargin() : page->LeftMargin();
    const double originX = OffsetX + margin * kavMMToPixels * Scale;
    const double originY = OffsetY + page->TopMargin() * kavMMToPixels * Scale;
    const double pageX = (X - originX) / Scale;
    const double pageY = (Y - originY) / Scale;

    TkavGroupHeader *drill = nullptr;
    const QList<TkavComponent *> objects = page->AllObjects();
    for (qsizetype i = objects.size() - 1; i >= 0; --i) {
        TkavComponent *c = objects[i];
        const int left = px(c->AbsLeft() * Scale + originX);
        const int top = px(c->AbsTop() * Scale + originY);
        const int right = px((c->AbsLeft() + c->Width()) * Scale + originX);
        const int bottom = px((c->AbsTop() + c->Height()) * Scale + originY);
        if (X < left || X > right || Y < top || Y > bottom)
            continue;
        auto *view = dynamic_cast<TkavView *>(c);
        if (!view) {
            if (auto *header = dynamic_cast<TkavGroupHeader *>(c); header && header->DrillDown())
                drill = header;
            continue;
        }
        // The topmost view under the pointer.
        if (view != FLastObjectOver) {
            leaveLastObject(result.Refresh);
            FLastObjectOver = view;
            FLastObjectOverPage = page;
            report->DoMouseEnter(view, result.Refresh);
        }
        if (TkavGroupHeader *header = drillHeaderOf(view))
            drill = header;
        result.View = view;
        result.Cursor = view->Cursor();
        if (!view->Hyperlink().Value().isEmpty()) {
            result.StatusText = view->Hyperlink().Value();
            if (view->Cursor() == 0)
                result.Cursor = handPointCursor;
        }
        if (view->ShowHint() && !view->Hint().isEmpty()) {
            result.Hint = shortHint(view->Hint());
            result.LongHint = longHint(view->Hint());
        }
        view->DoMouseMove(pageX, pageY, Button, Shift, result.Refresh);
        if (MouseEvent == meUp)
            report->DoMouseUp(view, pageX, pageY, Button, Shift, result.Refresh);
        if (MouseEvent == meClick || MouseEvent == meDblClick) {
            const bool dbl = MouseEvent == meDblClick;
            report->DoPreviewClick(view, Button, Shift, result.Modified, dbl);
            view->DoMouseClick(view, dbl, result.Refresh, result.Modified);
        }
        if (MouseEvent == meMove || MouseEvent == meUp || drill) {
            if (const TkavReport::TkavMouseObjectEvent &over = report->OnMouseOverObject())
                over(view);
        } else {
            // Only a single click follows a link: the second click of a double click would
            // follow it again.
            result.FollowLink = MouseEvent == meClick;
        }
        if (result.Modified)
            ModifyPage(Index, page.get());
        break;
    }
    if (!result.View)
        leaveLastObject(result.Refresh);
    if (drill) {
        result.Cursor = handPointCursor;
        result.DrillName = drill->DrillName();
        if (MouseEvent == meClick && Button == 0 && !result.DrillName.isEmpty()) {
            TStringList &state = report->DrillState();
            const int at = state.IndexOf(result.DrillName);
            if (at >= 0)
                state.Delete(at);
            else
                state.Add(result.DrillName);
            result.DrillToggled = true;
            result.FollowLink = false;
        }
    }
    return result;
}

bool TkavPreviewPages::PageMayContainText(int Index, const QString &Text, bool CaseSensitive)
{
    if (Index < 0 || Index >= Count())
        return false;
    TkavXMLItem *item = PageItem(Index, false);
    int source = -1;
    // Pages stored in full keep their texts in other attributes: look at them.
    if (!item || !kavIsPrepPageName(item->Name(), source))
        return true;
    const QString needle = CaseSensitive ? Text : Text.toUpper();
    const QString totalPages = QString::number(Count());
    // Walks the page's elements: a memo's prepared text is an attribute of its element.
    std::vector<const TkavXMLItem *> pending{item};
    while (!pending.empty()) {
        const TkavXMLItem *e = pending.back();
        pending.pop_back();
        for (int i = 0; i < e->Count(); ++i)
            pending.push_back(e->Items(i));
        QString text = e->Text().contains(u'&') ? kavDecodeXMLText(e->Text()) : e->Text();
        if (!CaseSensitive)
            text = text.toUpper();
        if (text.contains(u"[COPYNAME#]", Qt::CaseInsensitive))
            return true; // filled in only when drawn
        if (text.contains(u"[TOTALPAGES#]", Qt::CaseInsensitive))
            text.replace(u"[TOTALPAGES#]"_s, totalPages, Qt::CaseInsensitive);
        if (text.contains(needle))
            return true;
    }
    return false;
}
