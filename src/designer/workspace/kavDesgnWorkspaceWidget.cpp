// TDesignerWorkspace: painting and event translation of the page surface.

#include "kavDesgnWorkspaceWidget.h"

#include <designer/document/kavDesgnDocument.h>
#include <designer/editors/kavDesgnCompEditors.h>
#include <persist/kavRes.h>
#include <prepared/kavFonts.h>
#include <prepared/kavPaintUtils.h>
#include <report/kavBands.h>
#include <report/kavDataSets.h>
#include <report/kavPages.h>
#include <report/kavReport.h>
#include <report/kavViews.h>

#include <QApplication>
#include <QDrag>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QSet>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

TShiftState shiftState(Qt::KeyboardModifiers m, Qt::MouseButtons buttons = Qt::NoButton)
{
    TShiftState s;
    s.SetIncluded(ssShift, m & Qt::ShiftModifier);
    s.SetIncluded(ssCtrl, m & Qt::ControlModifier);
    s.SetIncluded(ssAlt, m & Qt::AltModifier);
    s.SetIncluded(ssLeft, buttons & Qt::LeftButton);
    s.SetIncluded(ssRight, buttons & Qt::RightButton);
    s.SetIncluded(ssMiddle, buttons & Qt::MiddleButton);
    return s;
}

TMouseButton mouseButton(Qt::MouseButton b)
{
    return b == Qt::RightButton ? mbRight : b == Qt::MiddleButton ? mbMiddle : mbLeft;
}

const QColor captionColor(0xE3, 0xE9, 0xF2);
const QColor guideColor(0x00, 0x80, 0xC0);

// Visible grid dots are at least this many screen pixels apart.
constexpr double minGridSpacing = 8;

QScrollArea *scrollAreaOf(QWidget *w)
{
    for (QWidget *p = w->parentWidget(); p; p = p->parentWidget())
        if (auto *area = qobject_cast<QScrollArea *>(p))
            return area;
    return nullptr;
}

// The corner grip of the in-place editor: dragging it resizes the editor, and the memo
// takes the new size when the editor closes.
class InplaceGrip : public QWidget
{
public:
    static constexpr int Size = 10;
    explicit InplaceGrip(QWidget *editor)
        : QWidget(editor)
    {
        setObjectName(u"InplaceGrip"_s);
        setCursor(Qt::SizeFDiagCursor);
        resize(Size, Size);
        place();
        editor->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Resize)
            place();
        return false;
    }
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setPen(QColor(0x70, 0x70, 0x70));
        for (int k = 3; k < Size; k += 3)
            p.drawLine(QPoint(Size - 1, Size - 1 - k), QPoint(Size - 1 - k, Size - 1));
    }
    void mousePressEvent(QMouseEvent *event) override
    {
        FPressed = event->globalPosition();
        FStart = parentWidget()->size();
    }
    void mouseMoveEvent(QMouseEvent *event) override
    {
        if (!(event->buttons() & Qt::LeftButton))
            return;
        const QPointF d = event->globalPosition() - FPressed;
        parentWidget()->resize(std::max(2 * Size, FStart.width() + int(std::lround(d.x()))),
                               std::max(2 * Size, FStart.height() + int(std::lround(d.y()))));
    }

private:
    void place()
    {
        move(parentWidget()->width() - Size, parentWidget()->height() - Size);
        raise();
    }
    QPointF FPressed;
    QSize FStart;
};

} // namespace

QMimeData *kavDataTreeMimeData(const QList<TkavDropItem> &Items, const TkavDropOptions &Options,
                               const QStringList &Aliases)
{
    QStringList lines;
    for (int i = 0; i < Items.size(); ++i)
        lines << Aliases.value(i) + u'\t' + (Items[i].IsDataField ? u'1' : u'0') + u'\t' + Items[i].Text;
    auto *mime = new QMimeData;
    mime->setData(kavDataTreeMime, lines.join(u'\n').toUtf8());
    mime->setData(kavDataTreeOptionsMime,
                  QByteArray(Options.InsertField ? "1" : "0") + (Options.InsertCaption ? "1" : "0"));
    return mime;
}

TDesignerWorkspace::TDesignerWorkspace(DesignerDocument &Document, QWidget *parent)
    : QWidget(parent)
    , FController(Document)
{
    setObjectName(u"Workspace"_s);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAcceptDrops(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    auto &hooks = FController.ViewHooks();
    hooks.Repaint = [this] { update(); };
    hooks.InplaceEdit = [this](TkavCustomMemoView *memo) { openInplace(memo); };
    hooks.CloseInplace = [this] { CloseInplace(true); };
    hooks.PopupMenu = [this](QPointF p) { popupMenu(p); };
    hooks.FieldList = [this](TkavCustomMemoView *memo, const QStringList &fields, const QString &current) {
        openFieldList(memo, fields, current);
    };
    hooks.ViewportSize = [this] {
        const QScrollArea *area = scrollAreaOf(this);
        return area ? QSizeF(area->viewport()->size()) : QSizeF(size());
    };
    hooks.ScrollBy = [this](QPointF delta) {
        QScrollArea *area = scrollAreaOf(this);
        if (!area)
            return std::pair(false, false);
        auto scroll = [](QScrollBar *bar, double by) {
            const int before = bar->value();
            bar->setValue(before - int(std::lround(by)));
            return bar->value() != before;
        };
        const bool x = scroll(area->horizontalScrollBar(), delta.x());
        return std::pair(x, scroll(area->verticalScrollBar(), delta.y()));
    };
    hooks.ZoomTo = [this](double, QPointF scrollTo) {
        UpdatePage();
        if (QScrollArea *area = scrollAreaOf(this)) {
            area->horizontalScrollBar()->setValue(int(std::lround(scrollTo.x())));
            area->verticalScrollBar()->setValue(int(std::lround(scrollTo.y())));
        }
    };
    UpdatePage();
}

TDesignerWorkspace::~TDesignerWorkspace() = default;

void TDesignerWorkspace::UpdatePage()
{
    TkavComponent *page = FController.Page();
    if (auto *rp = dynamic_cast<TkavReportPage *>(page)) {
        FPageSize = QSizeF(rp->PaperWidth(), rp->PaperHeight()) * kavMMToPixels;
        FMargins = QPointF(rp->LeftMargin(), rp->TopMargin()) * kavMMToPixels;
        FController.AdjustBands();
    } else if (page) {
        FPageSize = QSizeF(std::max(page->Width(), 100.0), std::max(page->Height(), 100.0));
        FMargins = QPointF();
    } else {
        FPageSize = QSizeF(100, 100);
        FMargins = QPointF();
    }
    const double s = FController.Scale();
    setFixedSize(int(std::ceil(FPageSize.width() * s)), int(std::ceil(FPageSize.height() * s)));
    update();
}

void TDesignerWorkspace::UpdateView()
{
    update();
    if (auto &notify = FController.ViewHooks().NotifyPosition)
        notify(FController.SelectionBounds());
}

void TDesignerWorkspace::SetShowEdges(bool Value)
{
    FShowEdges = Value;
    update();
}

QPointF TDesignerWorkspace::Origin() const
{
    return FMargins * FController.Scale();
}

QPointF TDesignerWorkspace::ToScreen(QPointF P) const
{
    return P * FController.Scale() + Origin();
}

QPointF TDesignerWorkspace::ToPage(QPointF P) const
{
    const double s = FController.Scale();
    return (P - Origin()) / (s > 0 ? s : 1);
}

void TDesignerWorkspace::changed()
{
    if (OnChanged)
        OnChanged();
}

// --- painting -----------------------------------------------------------------------------------

void TDesignerWorkspace::paintEvent(QPaintEvent *event)
{
    QPainter p(this);
    PaintTo(p, event->rect());
}

// Painted in device pixels so that lines and text stay sharp on high-density screens. While
// objects are dragged, everything that stays put is painted once into a layer and only the
// dragged objects are drawn again at each step.
void TDesignerWorkspace::PaintTo(QPainter &p, const QRectF &exposed)
{
    const double dpr = p.device() ? p.device()->devicePixelRatioF() : 1;
    p.save();
    p.scale(1 / dpr, 1 / dpr);
    const double s = FController.Scale() * dpr;
    const QPointF o = FMargins * s;
    const QRectF area(exposed.topLeft() * dpr, exposed.size() * dpr);
    const bool dragging = FController.IsMouseDown()
                          && (FController.Mode() == WorkspaceController::dmMove
                              || FController.Mode() == WorkspaceController::dmSize);
    if (!dragging) {
        FDragLayer = QImage();
        paintLayer(p, s, o, area, Layer::All);
    } else {
        const QSize size(int(std::ceil(width() * dpr)), int(std::ceil(height() * dpr)));
        if (FDragLayer.size() != size) {
            FDragLayer = QImage(size, QImage::Format_ARGB32_Premultiplied);
            QPainter layer(&FDragLayer);
            paintLayer(layer, s, o, QRectF(QPointF(), QSizeF(size)), Layer::Static);
        }
        p.drawImage(area, FDragLayer, area);
        paintLayer(p, s, o, area, Layer::Moving);
    }
    paintSelection(p, s, o);
    paintOverlays(p, s, o);
    p.restore();
}

void TDesignerWorkspace::paintLayer(QPainter &p, double s, QPointF o, const QRectF &area, Layer layer)
{
    TkavComponent *page = FController.Page();
    if (layer != Layer::Moving) {
        TColor pageColor = clWhite;
        if (auto *rp = dynamic_cast<TkavReportPage *>(page); rp && rp->Color() != clNone)
            pageColor = rp->Color();
        else if (page && page->InheritsFrom(u"TkavDialogPage"))
            if (const TkavPropInfo *color = page->ClassInfo().FindProp(u"Color"))
                pageColor = TColor(color->GetOrd(*page)); // the dialog window's own colour
        p.fillRect(area, kavColorToQColor(pageColor));
        if (auto *rp = dynamic_cast<TkavReportPage *>(page)) {
            rp->Draw(&p, s, s, 0, 0);
            const QSizeF printable((rp->PaperWidth() - rp->LeftMargin() - rp->RightMargin()) * kavMMToPixels,
                                   (rp->PaperHeight() - rp->TopMargin() - rp->BottomMargin()) * kavMMToPixels);
            p.setPen(QPen(QColor(0xA0, 0xA0, 0xA0), 1, Qt::DotLine));
            p.drawRect(QRectF(o, printable * s));
        }
        if (page && FController.Document().Options().ShowGrid)
            paintGrid(p, s, o, area);
    }
    if (!page)
        return;
    // What moves: the selected objects and everything inside them.
    QSet<const TkavComponent *> selected;
    if (layer != Layer::All)
        for (const TkavComponent *c : FController.Document().SelectedObjects())
            selected.insert(c);
    auto moving = [&selected](const TkavComponent *c) {
        for (; c; c = c->Parent())
            if (selected.contains(c))
                return true;
        return false;
    };
    const double header = FController.BandHeader();
    for (TkavComponent *c : FController.Objects()) {
        auto *rc = dynamic_cast<TkavReportComponent *>(c);
        if (!rc || (layer != Layer::All && moving(c) != (layer == Layer::Moving)))
            continue;
        const bool band = dynamic_cast<TkavBand *>(c) != nullptr;
        const QRectF bounds(o + QPointF(c->AbsLeft(), c->AbsTop()) * s, QSizeF(c->Width(), c->Height()) * s);
        if (!bounds.normalized().adjusted(-2, band ? -header * s - 2 : -2, 2, 2).intersects(area))
            continue;
        p.save();
        if (band)
            paintBand(p, c, s, o);
        else
            rc->Draw(&p, s, s, o.x(), o.y());
        p.restore();
        auto *view = dynamic_cast<TkavView *>(c);
        if (FShowEdges && view && view->Frame().Typ().IsEmpty() && !dynamic_cast<TkavCustomLineView *>(c)) {
            p.setPen(QPen(QColor(0xB0, 0xB0, 0xB0), 1, Qt::DotLine));
            p.setBrush(Qt::NoBrush);
            p.drawRect(bounds);
        }
    }
}

void TDesignerWorkspace::paintGrid(QPainter &p, double s, QPointF o, const QRectF &area) const
{
    const double gx = FController.GridX(), gy = FController.GridY();
    if (gx <= 0 || gy <= 0 || FController.GridType() == gtNone)
        return;
    auto spacing = [s](double g) {
        for (int k : {1, 2, 5, 10, 20, 50, 100})
            if (g * k * s >= minGridSpacing)
                return g * k;
        return g * 100;
    };
    const double sx = spacing(gx) * s, sy = spacing(gy) * s;
    const QRectF r = area.intersected(QRectF(o, QSizeF(FPageSize.width() * s - 2 * o.x(), FPageSize.height() * s)));
    QPolygonF dots;
    const double x0 = o.x() + std::ceil((r.left() - o.x()) / sx) * sx;
    const double y0 = o.y() + std::ceil((r.top() - o.y()) / sy) * sy;
    for (double y = y0; y <= r.bottom(); y += sy)
        for (double x = x0; x <= r.right(); x += sx)
            dots << QPointF(x, y);
    p.setPen(QPen(QColor(0xC0, 0xC0, 0xC0), 1));
    p.drawPoints(dots);
}

// The band's fill, its caption strip above it (left of a vertical band) and its edge.
void TDesignerWorkspace::paintBand(QPainter &p, TkavComponent *c, double s, QPointF o) const
{
    auto *band = static_cast<TkavBand *>(c);
    band->Draw(&p, s, s, o.x(), o.y());
    const double header = FController.BandHeader() * s;
    const QRectF r(o + QPointF(c->AbsLeft(), c->AbsTop()) * s, QSizeF(c->Width(), c->Height()) * s);
    if (header > 0) {
        const QRectF caption = band->Vertical() ? QRectF(r.left() - header, r.top(), header, r.height())
                                                : QRectF(r.left(), r.top() - header, r.width(), header);
        p.fillRect(caption, captionColor);
        QFont f = font();
        f.setPixelSize(std::max(6, int(header * 0.6)));
        p.setFont(f);
        p.setPen(QColor(0x30, 0x40, 0x60));
        const QString text = kavResourceTable().Get(band->BandName()) + u": "_s + band->Name();
        if (band->Vertical()) {
            p.save();
            p.translate(caption.bottomLeft());
            p.rotate(-90);
            p.drawText(QRectF(4, 0, caption.height() - 8, caption.width()), Qt::AlignVCenter, text);
            p.restore();
        } else {
            p.drawText(caption.adjusted(4, 0, -4, 0), Qt::AlignVCenter | Qt::TextSingleLine, text);
        }
    }
    p.setPen(QPen(QColor(0x90, 0x90, 0x90), 1));
    if (band->Vertical())
        p.drawLine(r.topRight(), r.bottomRight());
    else
        p.drawLine(r.bottomLeft(), r.bottomRight());
}

void TDesignerWorkspace::paintSelection(QPainter &p, double s, QPointF o) const
{
    if (FController.Document().Selection().IsPageSelected())
        return;
    const QList<TkavComponent *> items = FController.Document().SelectedObjects();
    const double dpr = s / std::max(FController.Scale(), 0.0001);
    const double h = 5 * dpr;
    p.setPen(Qt::NoPen);
    for (TkavComponent *c : items) {
        const QRectF r(o + QPointF(c->AbsLeft(), c->AbsTop()) * s, QSizeF(c->Width(), c->Height()) * s);
        if (items.size() == 1 && !dynamic_cast<TkavBand *>(c)) {
            p.setBrush(Qt::black);
            for (const QPointF &pt : WorkspaceController::HandlePoints(r))
                p.drawRect(QRectF(pt - QPointF(2 * dpr, 2 * dpr), QSizeF(h, h)));
        } else {
            p.setBrush(QColor(0x80, 0x80, 0x80));
            for (const QPointF &pt : {r.topLeft(), r.topRight(), r.bottomLeft(), r.bottomRight()})
                p.drawRect(QRectF(pt - QPointF(2 * dpr, 2 * dpr), QSizeF(h, h)));
        }
    }
}

// Guides, the field list marker, the selection and insertion frames.
void TDesignerWorkspace::paintOverlays(QPainter &p, double s, QPointF o) const
{
    p.setBrush(Qt::NoBrush);
    auto *rp = dynamic_cast<TkavReportPage *>(FController.Page());
    if (rp && FController.ShowGuides()) {
        p.setPen(QPen(guideColor, 1));
        const double w = FPageSize.width() * s, h = FPageSize.height() * s;
        for (int i = 0; i < rp->HGuides().Count(); ++i) {
            const double y = o.y() + kavTextToFloat(rp->HGuides().Strings(i)) * s;
            p.drawLine(QPointF(0, y), QPointF(w, y));
        }
        for (int i = 0; i < rp->VGuides().Count(); ++i) {
            const double x = o.x() + kavTextToFloat(rp->VGuides().Strings(i)) * s;
            p.drawLine(QPointF(x, 0), QPointF(x, h));
        }
        p.setPen(QPen(guideColor, 1, Qt::DashLine));
        for (const QLineF &l : FController.VirtualGuides())
            p.drawLine(QLineF(o + l.p1() * s, o + l.p2() * s));
        if (FGuideDrag >= 0) {
            p.setPen(QPen(Qt::black, 1));
            if (FGuideDragVertical)
                p.drawLine(QPointF(o.x() + FGuideDrag * s, 0), QPointF(o.x() + FGuideDrag * s, h));
            else
                p.drawLine(QPointF(0, o.y() + FGuideDrag * s), QPointF(w, o.y() + FGuideDrag * s));
        }
    }
    if (TkavCustomMemoView *memo = FController.HoveredMemo()) {
        const double unit = s / std::max(FController.Scale(), 0.0001);
        const QPointF tr = o + QPointF(memo->AbsLeft() + memo->Width(), memo->AbsTop()) * s;
        const QRectF box(tr - QPointF(16 * unit, 0), QSizeF(16 * unit, 16 * unit));
        p.fillRect(box, QColor(0xF0, 0xF0, 0xF0));
        p.setPen(QColor(0x60, 0x60, 0x60));
        p.drawRect(box);
        p.setBrush(Qt::black);
        const QPointF c = box.center();
        p.drawPolygon(QPolygonF({c + QPointF(-4, -2) * unit, c + QPointF(4, -2) * unit, c + QPointF(0, 3) * unit}));
        p.setBrush(Qt::NoBrush);
    }
    if (FController.Mode() == WorkspaceController::dmSelectionRect || (FController.Tool() != dtSelect && FController.IsMouseDown())) {
        const QRectF r = FController.SelectionRect();
        p.setPen(QPen(Qt::black, 1, Qt::DotLine));
        p.drawRect(QRectF(o + r.topLeft() * s, r.size() * s));
    }
    const TkavInsertion &ins = FController.Insertion();
    if (!ins.ComponentClass.isEmpty()) {
        p.setPen(QPen(Qt::black, 1, Qt::DotLine));
        const QRectF r(o + QPointF(ins.Left, ins.Top) * s, QSizeF(ins.Width, ins.Height) * s);
        if (FController.Mode() == WorkspaceController::dmInsertLine && FController.IsMouseDown())
            p.drawLine(r.topLeft(), r.bottomRight());
        else
            p.drawRect(r.normalized());
    }
}

// --- the mouse ----------------------------------------------------------------------------------

void TDesignerWorkspace::mousePressEvent(QMouseEvent *event)
{
    setFocus(Qt::MouseFocusReason);
    FController.MouseDown(mouseButton(event->button()), shiftState(event->modifiers(), event->buttons()),
                          ToPage(event->position()));
    updateCursor();
}

void TDesignerWorkspace::mouseMoveEvent(QMouseEvent *event)
{
    FController.MouseMove(shiftState(event->modifiers(), event->buttons()), ToPage(event->position()));
    updateCursor();
    if (OnMouseAt)
        OnMouseAt(ToPage(event->position()));
}

void TDesignerWorkspace::mouseReleaseEvent(QMouseEvent *event)
{
    const bool wasDown = FController.IsMouseDown();
    FController.MouseUp(mouseButton(event->button()), shiftState(event->modifiers(), event->buttons()),
                        ToPage(event->position()));
    updateCursor();
    if (wasDown)
        changed();
}

void TDesignerWorkspace::mouseDoubleClickEvent(QMouseEvent *event)
{
    FController.DblClick(ToPage(event->position()));
    changed();
}

void TDesignerWorkspace::updateCursor()
{
    Qt::CursorShape shape = Qt::ArrowCursor;
    switch (FController.Tool()) {
    case dtHand:
        shape = FController.IsMouseDown() ? Qt::ClosedHandCursor : Qt::OpenHandCursor;
        break;
    case dtZoom:
        shape = Qt::CrossCursor;
        break;
    case dtText:
        shape = Qt::IBeamCursor;
        break;
    case dtFormat:
        shape = Qt::PointingHandCursor;
        break;
    case dtSelect:
        switch (FController.Mode()) {
        case WorkspaceController::dmSize: {
            static const Qt::CursorShape handles[] = {Qt::ArrowCursor, Qt::SizeFDiagCursor, Qt::SizeFDiagCursor,
                                                      Qt::SizeBDiagCursor, Qt::SizeBDiagCursor, Qt::SizeHorCursor,
                                                      Qt::SizeHorCursor, Qt::SizeVerCursor, Qt::SizeVerCursor};
            shape = handles[std::clamp(FController.CursorType(), 0, 8)];
            break;
        }
        case WorkspaceController::dmSizeBand:
            shape = FController.CursorType() == 10 ? Qt::SizeHorCursor : Qt::SizeVerCursor;
            break;
        case WorkspaceController::dmMoveGuide:
            shape = FController.GuideVertical() ? Qt::SplitHCursor : Qt::SplitVCursor;
            break;
        case WorkspaceController::dmInsertObject:
        case WorkspaceController::dmInsertLine:
            shape = Qt::CrossCursor;
            break;
        case WorkspaceController::dmInplaceEdit:
            shape = Qt::IBeamCursor;
            break;
        default:
            break;
        }
        break;
    }
    setCursor(shape);
}

void TDesignerWorkspace::popupMenu(QPointF p)
{
    DesignerDocument &doc = Document();
    QMenu menu(this);
    menu.addAction(kavResourceTable().Get(u"dsCut"_s), [&doc] { doc.Cut(); })->setEnabled(doc.CanCopy());
    menu.addAction(kavResourceTable().Get(u"dsCopy"_s), [&doc] { doc.Copy(); })->setEnabled(doc.CanCopy());
    menu.addAction(kavResourceTable().Get(u"dsPaste"_s), [&doc] { doc.Paste(); })->setEnabled(doc.CanPaste());
    menu.addAction(kavResourceTable().Get(u"dsDelete"_s), [this] { FController.DeleteObjects(); });
    menu.addSeparator();
    menu.addAction(kavResourceTable().Get(u"dsGroup"_s), [this] { FController.GroupObjects(); });
    menu.addAction(kavResourceTable().Get(u"dsUngroup"_s), [this] { FController.UngroupObjects(); });
    addObjectMenuItems(menu);
    // The object's items run once the menu has closed, so the dialogs they open are not
    // stacked on the popup.
    QAction *chosen = menu.exec(mapToGlobal(ToScreen(p).toPoint()));
    if (chosen && chosen->data().isValid())
        doc.ExecuteMenuItem(chosen->data().toInt(), chosen->isChecked());
    update();
    changed();
}

// The first selected object's own items (its dialogs and switches), after a separator.
void TDesignerWorkspace::addObjectMenuItems(QMenu &menu)
{
    const QList<TkavMenuItem> items = Document().ObjectMenuItems();
    if (!items.isEmpty())
        menu.addSeparator();
    for (const TkavMenuItem &item : items) {
        if (item.Tag < 0) {
            menu.addSeparator();
            continue;
        }
        QAction *action = menu.addAction(item.Caption);
        action->setData(item.Tag);
        action->setCheckable(!item.Command);
        action->setChecked(item.Checked);
    }
}

// --- the keyboard -------------------------------------------------------------------------------

bool TDesignerWorkspace::focusNextPrevChild(bool)
{
    return false; // Tab selects the next object
}

void TDesignerWorkspace::keyPressEvent(QKeyEvent *event)
{
    if (FController.KeyDown(event->key(), shiftState(event->modifiers()))) {
        event->accept();
        updateCursor();
        if (event->key() != Qt::Key_Left && event->key() != Qt::Key_Right && event->key() != Qt::Key_Up
            && event->key() != Qt::Key_Down)
            changed();
        return;
    }
    if (standardShortcut(event))
        return;
    QWidget::keyPressEvent(event);
}

void TDesignerWorkspace::keyReleaseEvent(QKeyEvent *event)
{
    if (event->isAutoRepeat())
        return;
    FController.KeyUp(event->key(), shiftState(event->modifiers()));
    changed();
}

// The standard editing shortcuts where the workspace's own keys leave them free.
bool TDesignerWorkspace::standardShortcut(QKeyEvent *event)
{
    DesignerDocument &doc = Document();
    bool done = true;
    if (event->matches(QKeySequence::Undo))
        doc.Undo();
    else if (event->matches(QKeySequence::Redo))
        doc.Redo();
    else if (event->matches(QKeySequence::Copy))
        doc.Copy();
    else if (event->matches(QKeySequence::Cut))
        doc.Cut();
    else if (event->matches(QKeySequence::Paste))
        doc.Paste();
    else if (event->matches(QKeySequence::SelectAll))
        doc.SelectAll();
    else
        done = false;
    if (done) {
        event->accept();
        FController.AdjustBands();
        update();
        changed();
    }
    return done;
}

// --- in-place editing -----------------------------------------------------------------------------

void TDesignerWorkspace::openInplace(TkavCustomMemoView *memo)
{
    CloseInplace(true);
    if (!memo)
        return;
    const double s = FController.Scale();
    auto *editor = new QPlainTextEdit(this);
    editor->setObjectName(u"InplaceEditor"_s);
    editor->setFrameShape(QFrame::NoFrame);
    editor->setLineWrapMode(memo->WordWrap() ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    QFont f = kavToQFont(memo->Font());
    f.setPixelSize(std::max(1, int(std::lround(std::abs(memo->Font().Height()) * s))));
    editor->setFont(f);
    QPalette pal = editor->palette();
    pal.setColor(QPalette::Base, memo->Color() == clNone ? QColor(Qt::white) : kavColorToQColor(memo->Color()));
    pal.setColor(QPalette::Text, kavColorToQColor(memo->Font().Color()));
    editor->setPalette(pal);
    const QPointF tl = ToScreen(QPointF(memo->AbsLeft(), memo->AbsTop()));
    editor->setGeometry(QRectF(tl, QSizeF(memo->Width(), memo->Height()) * s).toRect().adjusted(0, 0, 1, 1));
    FInplaceSize = editor->size();
    new InplaceGrip(editor);
    FInplaceOriginal = WorkspaceController::InplaceText(*memo);
    editor->setPlainText(FInplaceOriginal);
    editor->selectAll();
    editor->installEventFilter(this);
    FInplaceMemo = editor;
    FInplaceObject = memo;
    editor->show();
    editor->setFocus(Qt::OtherFocusReason);
}

void TDesignerWorkspace::CloseInplace(bool Commit)
{
    QPlainTextEdit *editor = FInplaceMemo;
    if (!editor)
        return;
    FInplaceMemo = nullptr; // closing may re-enter through the focus change
    auto *memo = dynamic_cast<TkavCustomMemoView *>(FInplaceObject.get());
    const QString text = editor->toPlainText();
    // The editor was opened one pixel larger than the memo; the memo takes what is seen.
    const bool resized = editor->size() != FInplaceSize;
    const double s = std::max(FController.Scale(), 0.0001);
    const QSizeF size = QSizeF(editor->size() - QSize(1, 1)) / s;
    editor->removeEventFilter(this);
    editor->hide();
    editor->deleteLater();
    FInplaceObject = nullptr;
    setFocus(Qt::OtherFocusReason);
    if (Commit && memo) {
        const QString lines = QString(text).replace(u'\n', u"\r\n"_s);
        FController.InplaceDone(memo, lines, text != FInplaceOriginal, resized, size.width(), size.height());
    } else {
        FController.InplaceDone(nullptr, QString(), false, false, 0, 0);
    }
    update();
    changed();
}

bool TDesignerWorkspace::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == FInplaceMemo) {
        if (event->type() == QEvent::KeyPress) {
            auto *key = static_cast<QKeyEvent *>(event);
            if (key->key() == Qt::Key_Escape) {
                CloseInplace(false);
                return true;
            }
            if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
                && (key->modifiers() & Qt::ControlModifier)) {
                CloseInplace(true);
                return true;
            }
        } else if (event->type() == QEvent::FocusOut) {
            auto *focus = static_cast<QFocusEvent *>(event);
            if (focus->reason() != Qt::PopupFocusReason && focus->reason() != Qt::ActiveWindowFocusReason)
                QMetaObject::invokeMethod(this, [this] { CloseInplace(true); }, Qt::QueuedConnection);
        }
    }
    return QWidget::eventFilter(watched, event);
}

// --- the field list of data memos ------------------------------------------------------------------

void TDesignerWorkspace::openFieldList(TkavCustomMemoView *memo, const QStringList &fields, const QString &current)
{
    if (FListBox)
        FListBox->close();
    auto *list = new QListWidget(this);
    list->setObjectName(u"FieldList"_s);
    list->setWindowFlags(Qt::Popup);
    list->setAttribute(Qt::WA_DeleteOnClose);
    for (const QString &field : fields) {
        auto *item = new QListWidgetItem(field, list);
        item->setSizeHint(QSize(0, 16));
        if (field == current)
            list->setCurrentItem(item);
    }
    const QPointF topRight = ToScreen(QPointF(memo->AbsLeft() + memo->Width(), memo->AbsTop()));
    QPoint at = mapToGlobal(QPoint(int(topRight.x()) - 140, int(topRight.y()) + 18));
    at.setX(std::max(at.x(), mapToGlobal(QPoint(0, 0)).x()));
    list->setGeometry(QRect(at, QSize(140, 162)));
    FListMemo = memo;
    connect(list, &QListWidget::itemClicked, this, [this, list](QListWidgetItem *item) {
        const QString field = item->text();
        list->close();
        FController.FieldChosen(dynamic_cast<TkavCustomMemoView *>(FListMemo.get()), field);
        changed();
    });
    FListBox = list;
    list->show();
}

// --- drops -----------------------------------------------------------------------------------

QList<TkavDropItem> TDesignerWorkspace::dropItems(const QMimeData *mime, TkavDropOptions &options) const
{
    QList<TkavDropItem> items;
    if (!mime || !mime->hasFormat(kavDataTreeMime))
        return items;
    const QByteArray flags = mime->data(kavDataTreeOptionsMime);
    options.InsertField = flags.size() < 1 || flags.at(0) == '1';
    options.InsertCaption = flags.size() >= 2 && flags.at(1) == '1';
    const TkavReport &report = Document().Report();
    for (const QString &line : QString::fromUtf8(mime->data(kavDataTreeMime)).split(u'\n')) {
        const QStringList parts = line.split(u'\t');
        if (parts.size() < 3)
            continue;
        TkavDropItem item;
        item.DataSet = parts[0].isEmpty() ? nullptr : report.GetDataset(parts[0]);
        item.IsDataField = parts[1] == u"1"_s;
        item.Text = parts.mid(2).join(u'\t');
        items.append(item);
    }
    return items;
}

void TDesignerWorkspace::dragEnterEvent(QDragEnterEvent *event)
{
    dragMoveEvent(event);
}

void TDesignerWorkspace::dragMoveEvent(QDragMoveEvent *event)
{
    const QMimeData *mime = event->mimeData();
    const QPointF p = ToPage(event->position());
    if (mime->hasFormat(kavGuideMime)) {
        const bool ok = dynamic_cast<TkavReportPage *>(FController.Page()) && FController.ShowGuides();
        FGuideDragVertical = mime->data(kavGuideMime) == "v";
        FGuideDrag = ok ? FController.GuideSnap(FGuideDragVertical ? p.x() : p.y()) : -1;
        event->setAccepted(ok);
        update();
        return;
    }
    TkavDropOptions options;
    const QList<TkavDropItem> items = dropItems(mime, options);
    event->setAccepted(FController.DragOver(items, options, p));
}

void TDesignerWorkspace::dragLeaveEvent(QDragLeaveEvent *)
{
    FGuideDrag = -1;
    if (FController.Mode() == WorkspaceController::dmInsertObject && !FController.IsMouseDown())
        FController.SetInsertion(QString(), 0, 0, 0);
    update();
}

void TDesignerWorkspace::dropEvent(QDropEvent *event)
{
    const QMimeData *mime = event->mimeData();
    const QPointF p = ToPage(event->position());
    FGuideDrag = -1;
    if (mime->hasFormat(kavGuideMime)) {
        const bool vertical = mime->data(kavGuideMime) == "v";
        FController.GuideDrop(vertical, vertical ? p.x() : p.y());
    } else {
        TkavDropOptions options;
        FController.DragDrop(dropItems(mime, options), options, p);
    }
    event->acceptProposedAction();
    update();
    changed();
}
