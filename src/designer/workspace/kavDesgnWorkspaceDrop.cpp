// WorkspaceController: drops from the data tree and the rulers, page guides, the field list
// of data memos and the zoom, text and format tools.

#include "kavDesgnWorkspace.h"

#include <designer/document/kavDesgnDocument.h>
#include <rtl/kavFormat.h>
#include <persist/kavXMLSerializer.h>
#include <report/kavBands.h>
#include <report/kavDMP.h>
#include <report/kavDataSets.h>
#include <report/kavPages.h>
#include <report/kavReport.h>
#include <report/kavViews.h>
#include <rtl/kavMath.h>

#include <QHash>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

bool isAsciiLetter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

// Cut down to whole grid steps (towards zero).
double toGrid(double value, double step)
{
    return step > 0 ? double(kavTrunc(value / step)) * step : value;
}

// The printable area of a report page (the surface), in pixels.
QSizeF surfaceSize(const TkavReportPage &page)
{
    return {(page.PaperWidth() - page.LeftMargin() - page.RightMargin()) * kavMMToPixels,
            (page.PaperHeight() - page.TopMargin() - page.BottomMargin()) * kavMMToPixels};
}

// The view becomes the object of the horizontal band under its top, as drawn.
void placeInBand(TkavComponent &page, TkavComponent &obj)
{
    const double top = obj.Top();
    for (TkavComponent *c : page.Objects())
        if (auto *band = dynamic_cast<TkavBand *>(c); band && !band->Vertical()
            && band->Top() <= top && top < band->Top() + band->Height()) {
            obj.SetParent(band);
            obj.SetTop(kavRoundTo8(top - band->Top()));
            return;
        }
}

} // namespace

// Letters here are ASCII letters: a name must stay an identifier whatever the data's
// language, and one that would start with a digit falls back to "Memo".
QString kavDropItemName(const QString &text)
{
    QString name;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (isAsciiLetter(c) || c == u'_' || (i > 0 && c.isDigit() && c.unicode() < 128))
            name += c;
    }
    if (name.isEmpty() || name.size() < (2 * text.size()) / 3 || name.at(0).isDigit())
        return u"Memo"_s;
    return name;
}

// --- the data tree -----------------------------------------------------------------------

QString WorkspaceController::textClass() const
{
    return dynamic_cast<TkavDMPPage *>(Page()) ? u"TkavDMPMemoView"_s : u"TkavMemoView"_s;
}

bool WorkspaceController::DragOver(const QList<TkavDropItem> &Items, const TkavDropOptions &Options,
                                   QPointF P)
{
    if (!FDocument.CheckOp(drDontInsertObject) || !reportPage() || Items.isEmpty())
        return false;
    const TkavDropItem &item = Items.first();
    if (item.Text.isEmpty() && !item.DataSet)
        return false;
    if (FInsertion.ComponentClass.isEmpty()
        && (Options.InsertField || Options.InsertCaption || !item.IsDataField)) {
        int display = 10;
        TkavDataSet *ds = nullptr;
        QString field;
        if (item.Text.size() > 2)
            FDocument.Report().GetDatasetAndField(item.Text.mid(1, item.Text.size() - 2), ds, field);
        if (ds && !field.isEmpty()) {
            try {
                display = ds->GetDisplayWidth(field);
            } catch (const Exception &) {
                display = 10;
            }
        }
        double w = 0, h = 0;
        FDocument.GetDefaultObjectSize(w, h);
        w = std::min(display, 50) * 8.0;
        if (GridX() > 0)
            w = std::max(GridX(), kavRoundFloat(w / GridX()) * GridX());
        SetInsertion(textClass(), w, h, 0);
    }
    FInsertion.Left = P.x() - 8;
    FInsertion.Top = P.y() - 8;
    repaint();
    return true;
}

void WorkspaceController::DragDrop(const QList<TkavDropItem> &Items, const TkavDropOptions &Options,
                                   QPointF P)
{
    if (!reportPage() || Items.isEmpty() || !FDocument.CheckOp(drDontInsertObject)) {
        SetInsertion(QString(), 0, 0, 0);
        return;
    }
    if (FInsertion.ComponentClass.isEmpty())
        DragOver(Items, Options, P);
    const bool fieldsOnly = std::all_of(Items.begin(), Items.end(),
                                        [](const TkavDropItem &i) { return i.IsDataField; });
    QRectF rect(FInsertion.Left, FInsertion.Top, FInsertion.Width, FInsertion.Height);
    SetInsertion(QString(), 0, 0, 0);
    if (fieldsOnly && !Options.InsertField && !Options.InsertCaption)
        return;
    QList<TkavComponent *> created;
    FDocument.guarded([&] {
        TkavSelection &selection = FDocument.Selection();
        selection.Clear();
        TkavReportPage *page = reportPage();
        QHash<TkavDataSet *, TkavBand *> bands;
        for (const TkavDropItem &item : Items)
            if (item.DataSet && item.Text.isEmpty() && !bands.contains(item.DataSet)) {
                auto *band = TkavComponent::DesignCreate<TkavMasterData>(page);
                band->CreateUniqueName();
                band->SetDataSet(item.DataSet);
                bands.insert(item.DataSet, band);
            }
        const double firstColumn = rect.left();
        for (const TkavDropItem &item : Items) {
            if (rect.right() > surfaceSize(*page).width()) {
                rect.moveLeft(firstColumn);
                rect.translate(0, rect.height() * (Options.InsertCaption ? 2 : 1));
            }
            dropItem(item, Options, rect, bands, created);
        }
        for (TkavBand *band : bands)
            if (band->Objects().isEmpty())
                band->Free();
            else
                band->AlignChildren();
        if (!created.isEmpty()) {
            if (TkavDesigner *settings = FDocument.Settings(); settings && settings->OnInsertObject())
                settings->OnInsertObject()(created.last());
            AdjustBands();
            modified();
        }
    });
    FSelectionChangedFlag = true;
    // The drop ends like a release at the drop point.
    FMouseDown = true;
    FMode1 = dmNone;
    MouseUp(mbLeft, {}, P);
}

void WorkspaceController::dropItem(const TkavDropItem &item, const TkavDropOptions &options,
                                   QRectF &rect, const QHash<TkavDataSet *, TkavBand *> &bands,
                                   QList<TkavComponent *> &created)
{
    if (item.Text.isEmpty())
        return;
    TkavComponent *page = Page();
    TkavReport &report = FDocument.Report();
    const QString name = kavDropItemName(item.Text);
    const QString stripped = item.Text.mid(1, item.Text.size() - 2);
    TkavDataSet *ds = nullptr;
    QString field;
    if (item.Text.startsWith(u'<'))
        report.GetDatasetAndField(stripped, ds, field);
    const bool isField = item.IsDataField;
    const double rows = options.InsertCaption && isField ? rect.height() : 0;
    if (!isField || options.InsertField) {
        auto *memo = static_cast<TkavCustomMemoView *>(TkavComponent::DesignCreate(textClass(), page));
        if (name != u"Memo"_s && !report.FindObject(name)) {
            memo->SetName(name);
        } else {
            memo->SetBaseName(name);
            memo->CreateUniqueName();
        }
        if (ds && !field.isEmpty()) {
            memo->SetDataSet(ds);
            memo->SetDataField(field);
        } else {
            memo->SetText(u'[' + (item.Text.startsWith(u'<') ? stripped : item.Text) + u']');
        }
        FDocument.ApplySample(*memo);
        if (TkavBand *band = bands.value(ds)) {
            band->SetBounds(0, kavRoundTo8(rect.top()), reportPage() ? surfaceSize(*reportPage()).width() : 0,
                            kavRoundTo8(rect.height()));
            memo->SetParent(band);
            memo->SetBounds(band->Width(), 0, kavRoundTo8(rect.width()), kavRoundTo8(rect.height()));
            memo->SetAlign(baLeft);
        } else {
            memo->SetBounds(kavRoundTo8(rect.left()), kavRoundTo8(rect.top() + rows),
                            kavRoundTo8(rect.width()), kavRoundTo8(rect.height()));
            placeInBand(*page, *memo);
        }
        FDocument.Selection().Add(memo);
        created.append(memo);
    }
    if (isField && options.InsertCaption) {
        auto *caption = static_cast<TkavCustomMemoView *>(TkavComponent::DesignCreate(textClass(), page));
        caption->CreateUniqueName();
        caption->SetText(field.isEmpty() ? stripped : field);
        FDocument.ApplySample(*caption);
        caption->SetBounds(kavRoundTo8(rect.left()), kavRoundTo8(rect.top()), kavRoundTo8(rect.width()),
                           kavRoundTo8(rect.height()));
        placeInBand(*page, *caption);
        FDocument.Selection().Add(caption);
        created.append(caption);
    }
    rect.translate(rect.width(), 0);
}

// --- the field list ---------------------------------------------------------------------------

void WorkspaceController::updateHoveredMemo(QPointF P)
{
    TkavComponent *found = nullptr;
    const QList<TkavComponent *> objects = Objects();
    for (auto it = objects.crbegin(); it != objects.crend() && !found; ++it) {
        auto *memo = dynamic_cast<TkavMemoView *>(*it);
        if (!memo || P.x() < memo->AbsLeft() || P.x() > memo->AbsLeft() + memo->Width() - 4
            || P.y() < memo->AbsTop() || P.y() > memo->AbsTop() + memo->Height())
            continue;
        auto *band = dynamic_cast<TkavDataBand *>(memo->Parent());
        if (!band || !band->DataSet())
            continue;
        TStringList fields;
        band->DataSet()->GetFieldList(fields);
        if (fields.Count() > 0)
            found = memo;
    }
    if (found != FHoveredMemo.get()) {
        FHoveredMemo = found;
        repaint();
    }
}

void WorkspaceController::FieldChosen(TkavCustomMemoView *memo, const QString &field)
{
    auto *band = memo ? dynamic_cast<TkavDataBand *>(memo->Parent()) : nullptr;
    if (!band || field.isEmpty())
        return;
    FDocument.guarded([&] {
        memo->SetDataSet(band->DataSet());
        memo->SetDataField(field);
        modified();
    });
    repaint();
}

// --- guides ---------------------------------------------------------------------------------

QList<double> WorkspaceController::guideValues(bool vertical) const
{
    QList<double> values;
    if (TkavReportPage *page = reportPage()) {
        const TStringList &list = vertical ? page->VGuides() : page->HGuides();
        for (int i = 0; i < list.Count(); ++i)
            values.append(kavTextToFloat(list.Strings(i)));
    }
    return values;
}

// A pointer within 5 pixels of a guide picks it; vertical guides win over horizontal ones.
bool WorkspaceController::pickGuide(QPointF P)
{
    if (!reportPage() || !ShowGuides() || (FMode1 != dmNone && FMode1 != dmMoveGuide)) {
        return false;
    }
    FGuide = GuideRef();
    const QList<double> h = guideValues(false);
    for (int i = 0; i < h.size(); ++i)
        if (std::abs(P.y() - h[i]) < 5)
            FGuide = {false, i};
    const QList<double> v = guideValues(true);
    for (int i = 0; i < v.size(); ++i)
        if (std::abs(P.x() - v[i]) < 5)
            FGuide = {true, i};
    FMode1 = FGuide.Index >= 0 ? dmMoveGuide : dmNone;
    return FGuide.Index >= 0;
}

void WorkspaceController::moveGuide(QPointF P)
{
    TkavReportPage *page = reportPage();
    if (!page || FGuide.Index < 0)
        return;
    double delta = FGuide.Vertical ? P.x() - FPressPoint.x() : P.y() - FPressPoint.y();
    const double step = FGuide.Vertical ? GridX() : GridY();
    if (GridAlign() && step > 0) {
        if (std::abs(delta) < step)
            return;
        delta = toGrid(delta, step);
    }
    TStringList &list = FGuide.Vertical ? page->VGuides() : page->HGuides();
    if (FGuide.Index >= list.Count())
        return;
    // Files never depend on the writer's locale: guides are written with a point.
    list.SetStrings(FGuide.Index, kavFloatToFileText(kavRoundTo8(FGuideStart + delta)));
    FModifyFlag = true;
    repaint();
}

void WorkspaceController::releaseGuide()
{
    TkavReportPage *page = reportPage();
    if (!page || FGuide.Index < 0)
        return;
    TStringList &list = FGuide.Vertical ? page->VGuides() : page->HGuides();
    const QSizeF size = surfaceSize(*page);
    const double limit = FGuide.Vertical ? size.width() : size.height();
    const double value = guideValues(FGuide.Vertical).value(FGuide.Index);
    if (FGuide.Index < list.Count() && (value < 3 || value > limit - 3)) {
        list.Delete(FGuide.Index);
        FModifyFlag = true;
    }
    FGuide = GuideRef();
}

double WorkspaceController::GuideSnap(double Position) const
{
    return GridAlign() ? toGrid(Position, GridX()) : Position;
}

void WorkspaceController::GuideDrop(bool Vertical, double Position)
{
    TkavReportPage *page = reportPage();
    if (!page || !ShowGuides())
        return;
    const double step = Vertical ? GridX() : GridY();
    const double value = kavRoundTo8(GridAlign() ? toGrid(Position, step) : Position);
    FDocument.guarded([&] {
        (Vertical ? page->VGuides() : page->HGuides()).Add(kavFloatToFileText(value));
        modified();
    });
    repaint();
}

// While moving or sizing, an edge that comes within 6 pixels of a guide lands on it; edges
// of other objects that line up with the moving edges are shown.
void WorkspaceController::snapToGuides(double &dx, double &dy)
{
    FVirtualGuides.clear();
    if (!reportPage() || !ShowGuides() || pageSelected())
        return;
    const TkavRect b = SelectionBounds();
    const bool sizing = FMode1 == dmSize;
    const bool moveLeft = !sizing || FCT == 1 || FCT == 4 || FCT == 6;
    const bool moveRight = !sizing || FCT == 2 || FCT == 3 || FCT == 5;
    const bool moveTop = !sizing || FCT == 1 || FCT == 3 || FCT == 7;
    const bool moveBottom = !sizing || FCT == 2 || FCT == 4 || FCT == 8;
    auto snap = [](double &d, double edge, bool moves, const QList<double> &guides) {
        if (!moves)
            return false;
        for (double g : guides)
            if (std::abs(edge + d - g) < 6) {
                d = g - edge;
                return true;
            }
        return false;
    };
    if (FMode1 == dmMove || sizing) {
        const QList<double> v = guideValues(true);
        if (!snap(dx, b.Left, moveLeft, v))
            snap(dx, b.Right, moveRight, v);
        const QList<double> h = guideValues(false);
        if (!snap(dy, b.Top, moveTop, h))
            snap(dy, b.Bottom, moveBottom, h);
    } else if (FMode1 == dmSizeBand) {
        if (TkavComponent *band = FSizedBand.get())
            snap(dy, band->AbsTop() + band->Height(), true, guideValues(false));
        return;
    }
    const double l = b.Left + (moveLeft ? dx : 0), r = b.Right + (moveRight ? dx : 0);
    const double t = b.Top + (moveTop ? dy : 0), bt = b.Bottom + (moveBottom ? dy : 0);
    const QSizeF size = surfaceSize(*reportPage());
    for (TkavComponent *c : Objects()) {
        if (FDocument.Selection().Contains(c) || dynamic_cast<TkavBand *>(c))
            continue;
        const double cl = c->AbsLeft(), cr = cl + c->Width(), ct = c->AbsTop(), cb = ct + c->Height();
        for (double x : {l, r})
            if (std::abs(x - cl) < 0.001 || std::abs(x - cr) < 0.001)
                FVirtualGuides.append(QLineF(x, 0, x, size.height()));
        for (double y : {t, bt})
            if (std::abs(y - ct) < 0.001 || std::abs(y - cb) < 0.001)
                FVirtualGuides.append(QLineF(0, y, size.width(), y));
    }
}

// --- tools ------------------------------------------------------------------------------------

void WorkspaceController::toolRelease(TMouseButton Button, QPointF P)
{
    switch (FTool) {
    case dtZoom:
        zoomRelease(Button, P);
        break;
    case dtText:
        textRelease(P);
        break;
    case dtFormat:
        formatRelease(P);
        break;
    default:
        break;
    }
    FSelectionRect = QRectF();
}

// Zooms to the dragged rectangle, or a step in (left button) or out at a click; every
// scale goes through the document, which keeps it within its bounds.
void WorkspaceController::zoomRelease(TMouseButton Button, QPointF P)
{
    TkavReportPage *page = reportPage();
    const double scale = Scale();
    const QRectF r = FSelectionRect.normalized();
    const QSizeF client = FHooks.ViewportSize ? FHooks.ViewportSize() : QSizeF(800, 600);
    const QPointF margin = page ? QPointF(page->LeftMargin(), page->TopMargin()) * kavMMToPixels
                                : QPointF();
    double next = scale;
    QPointF scroll;
    if (r.width() * scale > 5 && r.height() * scale > 5) {
        next = scale * std::min((client.width() - 16) / (r.width() * scale),
                                (client.height() - 16) / (r.height() * scale));
        FDocument.SetScale(next);
        next = Scale();
        scroll = (r.topLeft() + margin) * next;
    } else {
        if (Button == mbLeft)
            next = scale >= 1 ? scale + 1 : scale + 0.25;
        else if (scale >= 2)
            next = scale - 1;
        else if (scale > 0.4)
            next = scale - 0.25;
        FDocument.SetScale(next);
        next = Scale();
        scroll = (P + margin) * next - QPointF(client.width() / 2, client.height() / 2);
    }
    if (FHooks.ZoomTo)
        FHooks.ZoomTo(next, scroll);
}

void WorkspaceController::textRelease(QPointF P)
{
    QRectF r = FSelectionRect.normalized();
    TkavCustomMemoView *memo = nullptr;
    if (r.width() * Scale() >= 5 && r.height() * Scale() >= 5) {
        if (GridAlign())
            r = QRectF(QPointF(toGrid(r.left(), GridX()), toGrid(r.top(), GridY())),
                       QPointF(toGrid(r.right(), GridX()), toGrid(r.bottom(), GridY())));
        memo = dynamic_cast<TkavCustomMemoView *>(FDocument.InsertObject(
            textClass(), 0, kavRoundTo8(r.left()), kavRoundTo8(r.top()), kavRoundTo8(r.width()),
            kavRoundTo8(r.height())));
        AdjustBands();
    } else {
        const QList<TkavComponent *> objects = Objects();
        for (auto it = objects.crbegin(); it != objects.crend() && !memo; ++it)
            if (auto *m = dynamic_cast<TkavCustomMemoView *>(*it); m && Hits(*m, P, 0))
                memo = m;
    }
    if (!memo)
        return;
    FDocument.Selection().Select(memo);
    selectionChanged();
    if (FHooks.InplaceEdit)
        FHooks.InplaceEdit(memo);
}

void WorkspaceController::formatRelease(QPointF P)
{
    auto *source = dynamic_cast<TkavCustomMemoView *>(FDocument.Selection().First());
    if (!source)
        return;
    const QList<TkavComponent *> objects = Objects();
    for (auto it = objects.crbegin(); it != objects.crend(); ++it) {
        auto *memo = dynamic_cast<TkavMemoView *>(*it);
        if (!memo || memo == source || memo->Restrictions().Contains(rfDontModify)
            || !Hits(*memo, P, 0))
            continue;
        FDocument.guarded([&] {
            memo->SetColor(source->Color());
            memo->SetFont(source->Font());
            memo->SetFrame(source->Frame());
            memo->SetBrushStyle(source->BrushStyle());
            memo->SetHAlign(source->HAlign());
            memo->SetVAlign(source->VAlign());
            modified();
        });
        return;
    }
}
