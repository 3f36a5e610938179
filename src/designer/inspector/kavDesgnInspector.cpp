// TkavObjectInspector: painting the rows and translating the grid's mouse and keys.

#include "kavDesgnInspector.h"

#include <designer/document/kavDesgnDocument.h>
#include <designer/window/kavDesgnTheme.h>
#include <persist/kavRes.h>
#include <output/kavHelpKey.h>
#include <rtl/kavObject.h>

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QStyle>
#include <QTabBar>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr int buttonWidth = 15;
const QColor gridLineColor(0xE0, 0xE0, 0xE0);

bool boldName(const QString &name)
{
    return name == u"Name" || name == u"Width" || name == u"Height" || name == u"Left" || name == u"Top";
}

} // namespace

// The grid area: rows painted by the inspector, which also gets its mouse.
class TkavInspectorGrid : public QWidget
{
public:
    explicit TkavInspectorGrid(TkavObjectInspector &inspector, QWidget *parent)
        : QWidget(parent)
        , FInspector(inspector)
    {
        setObjectName(u"Grid"_s);
        setMouseTracking(true);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        FInspector.paintGrid(p);
    }
    void mousePressEvent(QMouseEvent *e) override { FInspector.gridPress(e); }
    void mouseMoveEvent(QMouseEvent *e) override { FInspector.gridMove(e); }
    void mouseReleaseEvent(QMouseEvent *) override { FInspector.FDown = false; }
    void mouseDoubleClickEvent(QMouseEvent *) override
    {
        if (FInspector.FDisableDblClick) {
            FInspector.FDisableDblClick = false;
            return;
        }
        FInspector.FModel.ToggleExpanded(FInspector.ItemIndex());
        FInspector.layoutGrid();
    }
    void leaveEvent(QEvent *) override { QToolTip::hideText(); }

private:
    TkavObjectInspector &FInspector;
};

TkavObjectInspector::TkavObjectInspector(DesignerDocument &Designer, QWidget *parent)
    : QWidget(parent)
    , FDesigner(Designer)
    , FModel(&Designer)
{
    setObjectName(u"ObjectInspector"_s);
    setWindowTitle(kavResourceTable().Get(u"2000"_s));
    kavInstallHelpKey(*this, u"TkavObjectInspector"_s);
    FModel.OnModify = [this] { committed(); };
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    FObjectsCB = new QComboBox(this);
    FObjectsCB->setObjectName(u"ObjectsCB"_s);
    layout->addWidget(FObjectsCB);
    layout->addSpacing(4);
    FTabs = new QTabBar(this);
    FTabs->setObjectName(u"Tabs"_s);
    FTabs->addTab(kavResourceTable().Get(u"oiProp"_s));
    FTabs->addTab(kavResourceTable().Get(u"oiEvent"_s));
    FTabs->setFixedHeight(logicalDpiY() > 96 ? 26 : 22);
    layout->addWidget(FTabs);
    FSplitter = new QSplitter(Qt::Vertical, this);
    layout->addWidget(FSplitter, 1);
    FScroll = new QScrollArea(FSplitter);
    FScroll->setWidgetResizable(true);
    FScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    FGrid = new TkavInspectorGrid(*this, FScroll);
    FScroll->setWidget(FGrid);
    // The grid takes its new width after the window's resize: the buttons follow it then.
    FGrid->installEventFilter(this);
    auto *help = new QWidget(FSplitter);
    auto *helpLayout = new QVBoxLayout(help);
    helpLayout->setContentsMargins(0, 0, 0, 0);
    helpLayout->setSpacing(0);
    FHelpName = new QLabel(help);
    FHelpName->setAutoFillBackground(true);
    FHelpName->setBackgroundRole(QPalette::ToolTipBase);
    FHelpName->setForegroundRole(QPalette::ToolTipText);
    QFont bold = FHelpName->font();
    bold.setBold(true);
    FHelpName->setFont(bold);
    FHelpText = new QLabel(help);
    FHelpText->setWordWrap(true);
    FHelpText->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    FHelpText->setAutoFillBackground(true);
    // The colours of a text box, so that the help reads on a dark palette too.
    FHelpText->setBackgroundRole(QPalette::Base);
    FHelpText->setForegroundRole(QPalette::Text);
    helpLayout->addWidget(FHelpName);
    helpLayout->addWidget(FHelpText, 1);
    FSplitter->setStretchFactor(0, 1);
    FSplitter->setSizes({400, FDesigner.Options().Split1Pos});

    FEdit = new QLineEdit(FGrid);
    FEdit->setObjectName(u"EditBox"_s);
    FEdit->setFrame(false);
    FEdit->installEventFilter(this);
    FEdit->hide();
    connect(FEdit, &QLineEdit::textEdited, this, [this](const QString &text) { FModel.SetEditText(text); });
    FDropDownB = new QToolButton(FGrid);
    FDropDownB->setObjectName(u"DropDownB"_s);
    FDropDownB->setArrowType(Qt::DownArrow);
    FDropDownB->setFocusPolicy(Qt::NoFocus);
    FDropDownB->hide();
    connect(FDropDownB, &QToolButton::clicked, this, [this] { showDropDown(); });
    FEllipsisB = new QToolButton(FGrid);
    FEllipsisB->setObjectName(u"EllipsisB"_s);
    FEllipsisB->setText(u"..."_s);
    FEllipsisB->setFocusPolicy(Qt::NoFocus);
    FEllipsisB->hide();
    connect(FEllipsisB, &QToolButton::clicked, this, [this] { editRow(); });

    FRowHeight = QFontMetrics(font()).boundingRect(u"Wg"_s).height() + 3;
    connect(FTabs, &QTabBar::currentChanged, this, [this](int index) { SetTab(index); });
    connect(FObjectsCB, &QComboBox::activated, this, [this](int index) { objectChosen(index); });
    FPopupClosed.invalidate();
    FTickCount.invalidate();
    kavOnLanguageChanged(*this, [this] { UpdateCaptions(); });
}

TkavObjectInspector::~TkavObjectInspector()
{
    // An open drop-down reports its end to this inspector: close it while the inspector is whole.
    delete FPopupForm;
}

QWidget *TkavObjectInspector::Grid() const
{
    return FGrid;
}

// --- objects -------------------------------------------------------------------------------------

void TkavObjectInspector::SetObjects(const QList<TkavComponent *> &Objects)
{
    FUpdatingObjectsCB = true;
    QList<TkavComponent *> sorted = Objects;
    std::sort(sorted.begin(), sorted.end(), [](const TkavComponent *a, const TkavComponent *b) {
        return a->Name().compare(b->Name(), Qt::CaseInsensitive) < 0;
    });
    FObjects.clear();
    FObjectsCB->clear();
    for (TkavComponent *c : sorted) {
        FObjects.append(c);
        FObjectsCB->addItem(c->Name() + u": "_s + c->ClassName());
    }
    FObjectsCB->setCurrentIndex(-1);
    FUpdatingObjectsCB = false;
}

void TkavObjectInspector::SetSelectedObjects(const QList<TkavComponent *> &Objects)
{
    FModel.SetSelectedObjects(Objects);
    refreshObjectEntry();
    layoutGrid();
    updateHelp();
}

void TkavObjectInspector::Inspect(const QList<TkavComponent *> &Objects)
{
    SetObjects(Objects);
    SetSelectedObjects(Objects);
}

void TkavObjectInspector::UpdateProperties()
{
    SetSelectedObjects(FModel.SelectedObjects());
}

void TkavObjectInspector::Refresh()
{
    if (FModel.Stale()) {
        UpdateProperties();
        return;
    }
    if (FModel.ItemIndex() >= 0 && !FModel.EditModified()) {
        FModel.SetItemIndex(FModel.ItemIndex()); // reads the value again
        placeEditor();
    }
    FGrid->update();
}

// With one inspected object its entry is selected (added when it is missing).
void TkavObjectInspector::refreshObjectEntry()
{
    FUpdatingObjectsCB = true;
    const QList<TkavComponent *> selected = FModel.SelectedObjects();
    int index = -1;
    if (selected.size() == 1) {
        TkavComponent *c = selected.first();
        for (int i = 0; i < FObjects.size(); ++i)
            if (FObjects[i].get() == c) {
                index = i;
                FObjectsCB->setItemText(i, c->Name() + u": "_s + c->ClassName());
            }
        if (index < 0) {
            FObjects.append(c);
            FObjectsCB->addItem(c->Name() + u": "_s + c->ClassName());
            index = FObjectsCB->count() - 1;
        }
    }
    FObjectsCB->setCurrentIndex(index);
    FUpdatingObjectsCB = false;
}

void TkavObjectInspector::objectChosen(int index)
{
    if (FUpdatingObjectsCB || index < 0 || index >= FObjects.size())
        return;
    TkavComponent *c = FObjects[index].get();
    if (!c)
        return;
    SetSelectedObjects({c});
    FEdit->setFocus();
    if (OnSelectionChanged)
        OnSelectionChanged(c);
}

// --- rows ----------------------------------------------------------------------------------------

void TkavObjectInspector::SetTab(int Index)
{
    FModel.SetTab(Index);
    if (FTabs->currentIndex() != FModel.Tab()) {
        const QSignalBlocker block(FTabs);
        FTabs->setCurrentIndex(FModel.Tab());
    }
    layoutGrid();
    updateHelp();
}

void TkavObjectInspector::SetEventsAllowed(bool Value)
{
    FModel.SetEventsAllowed(Value);
    FTabs->setTabEnabled(1, Value);
    SetTab(FModel.Tab());
}

void TkavObjectInspector::SetItemIndex(int Index)
{
    selectRow(Index, false);
}

void TkavObjectInspector::selectRow(int Index, bool focus)
{
    FModel.SetItemIndex(Index);
    updateHelp();
    placeEditor();
    if (focus && FEdit->isVisible()) {
        FEdit->setFocus();
        FEdit->selectAll();
    }
}

void TkavObjectInspector::SetSplitterPos(int Value)
{
    FSplitterPos = Value;
    FSplitterSet = true;
    placeEditor();
}

void TkavObjectInspector::DisableUpdate()
{
    FDisableUpdate = true;
}

void TkavObjectInspector::EnableUpdate()
{
    FDisableUpdate = false;
    placeEditor();
}

QRect TkavObjectInspector::RowRect(int Index) const
{
    if (Index < 0 || Index >= FModel.RowCount())
        return QRect();
    return QRect(0, Index * FRowHeight, FGrid->width(), FRowHeight);
}

void TkavObjectInspector::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutGrid();
}

void TkavObjectInspector::layoutGrid()
{
    FGrid->setMinimumHeight(FModel.RowCount() * FRowHeight);
    FGrid->setMaximumHeight(std::max(FModel.RowCount() * FRowHeight, 1));
    // Until the user or the settings place it, the name column takes half the grid.
    if (!FSplitterSet)
        FSplitterPos = FDesigner.Options().SplitPos > 0 ? FDesigner.Options().SplitPos
                                                        : std::max(60, width() / 2);
    placeEditor();
}

void TkavObjectInspector::placeEditor()
{
    if (FDisableUpdate)
        return;
    const int row = FModel.ItemIndex();
    if (row < 0) {
        FEdit->hide();
        FDropDownB->hide();
        FEllipsisB->hide();
        FGrid->update();
        return;
    }
    placeWidgets(row);
    FEdit->setText(FModel.EditText());
    FEdit->setModified(false);
    // A selected text in an unfocused box reads as an edit in progress: select only with focus.
    if (FEdit->hasFocus())
        FEdit->selectAll();
    else
        FEdit->setCursorPosition(0); // also shows the start of a long value
    FEdit->show();
    FScroll->ensureVisible(0, row * FRowHeight + FRowHeight / 2, 0, FRowHeight);
    FGrid->update();
}

// The edit box and the buttons over the selected row, without touching the text.
void TkavObjectInspector::placeWidgets(int row)
{
    const TkavPropertyAttributes attrs = FModel.RowAttributes(row);
    const int w = std::max(FGrid->width(), FScroll->viewport()->width());
    const int top = row * FRowHeight;
    int right = w;
    for (QToolButton *b : {FEllipsisB, FDropDownB}) {
        const bool visible = b == FEllipsisB ? attrs.Contains(paDialog) : attrs.Contains(paValueList);
        b->setVisible(visible);
        if (visible) {
            right -= buttonWidth;
            b->setGeometry(right, top, buttonWidth, FRowHeight - 1);
        }
    }
    FEdit->setReadOnly(attrs.Contains(paReadOnly));
    FEdit->setGeometry(FSplitterPos + 2, top + 1, std::max(10, right - FSplitterPos - 2 - 2), FRowHeight - 2);
}

void TkavObjectInspector::UpdateCaptions()
{
    setWindowTitle(kavResourceTable().Get(u"2000"_s));
    FTabs->setTabText(0, kavResourceTable().Get(u"oiProp"_s));
    FTabs->setTabText(1, kavResourceTable().Get(u"oiEvent"_s));
    updateHelp();
    FGrid->update();
}

void TkavObjectInspector::updateHelp()
{
    const int row = FModel.ItemIndex();
    FHelpName->setText(FModel.HelpName(row));
    FHelpText->setText(FModel.HelpText(row));
}

// --- committing -------------------------------------------------------------------------------------

// After a value was written: the object list shows a new name, the designer is told.
void TkavObjectInspector::committed()
{
    if (FModel.SelectedObjects().size() == 1)
        refreshObjectEntry();
    if (OnModify)
        OnModify();
    FGrid->update();
}

void TkavObjectInspector::editRow()
{
    if (FModel.EditRow())
        selectRow(FModel.ItemIndex(), true);
}

void TkavObjectInspector::showDropDown()
{
    // The click that closed the list does not reopen it.
    if (FPopupClosed.isValid() && FPopupClosed.elapsed() < 100) {
        FEdit->setFocus();
        return;
    }
    const int row = FModel.ItemIndex();
    const QStringList values = FModel.Values(row);
    if (values.isEmpty())
        return;
    auto *frame = new QFrame(this, Qt::Popup);
    frame->setObjectName(u"PopupForm"_s);
    frame->setAttribute(Qt::WA_DeleteOnClose);
    frame->setFrameShape(QFrame::Box);
    auto *layout = new QVBoxLayout(frame);
    layout->setContentsMargins(1, 1, 1, 1);
    auto *list = new QListWidget(frame);
    list->setObjectName(u"PopupLB"_s);
    layout->addWidget(list);
    list->setUniformItemSizes(true);
    int widest = 0;
    for (const QString &v : values) {
        auto *item = new QListWidgetItem(v, list);
        item->setSizeHint(QSize(0, FRowHeight));
        widest = std::max(widest, list->fontMetrics().horizontalAdvance(v));
        if (v == FModel.RowValue(row))
            list->setCurrentItem(item);
    }
    const int visible = std::min<int>(8, int(values.size()));
    int width = widest + 8 + FModel.Editor(row)->GetExtraLBSize() * (FModel.RowAttributes(row).Contains(paOwnerDraw) ? 1 : 0);
    if (values.size() > 8)
        width += style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    list->setVerticalScrollBarPolicy(values.size() > 8 ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    const int height = FRowHeight * visible + 2;
    const int valueWidth = FGrid->width() - FSplitterPos;
    QPoint at = FEdit->mapToGlobal(QPoint(0, FEdit->height()));
    if (width < valueWidth) {
        at.rx() -= 3;
        width = valueWidth + 1;
    } else {
        at.setX(FGrid->mapToGlobal(QPoint(FGrid->width(), 0)).x() - width);
    }
    at.setX(std::max(0, at.x()));
    frame->setGeometry(QRect(at, QSize(width, height + 2)));
    connect(list, &QListWidget::itemClicked, this, [this, frame](QListWidgetItem *item) {
        const QString text = item->text();
        frame->close();
        pickFromDropDown(text);
    });
    connect(frame, &QObject::destroyed, this, [this] { FPopupClosed.start(); });
    FPopupForm = frame;
    FPopupLB = list;
    frame->show();
    list->setFocus();
}

void TkavObjectInspector::pickFromDropDown(const QString &text)
{
    FEdit->setText(text);
    FEdit->setFocus();
    FEdit->selectAll();
    FModel.SetEditText(text);
    FModel.Commit();
    placeEditor();
}

// --- the edit box ----------------------------------------------------------------------------------------

bool TkavObjectInspector::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == FGrid && event->type() == QEvent::Resize && !FDisableUpdate && FModel.ItemIndex() >= 0)
        placeWidgets(FModel.ItemIndex());
    if (watched != FEdit)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::KeyPress:
        return editKey(static_cast<QKeyEvent *>(event));
    case QEvent::MouseButtonPress:
        // A press right after the one that selected the row is a double click.
        if (FTickCount.isValid() && FTickCount.elapsed() < QApplication::doubleClickInterval()) {
            FTickCount.invalidate();
            editRow();
            return true;
        }
        break;
    case QEvent::MouseButtonDblClick:
        // The window system makes the second press of a quick pair a double click, whichever
        // widget took the first: the row was just selected, or the edit clicked twice.
        FTickCount.invalidate();
        editRow();
        return true;
    case QEvent::FocusOut:
        if (static_cast<QFocusEvent *>(event)->reason() != Qt::PopupFocusReason && FModel.EditModified()
            && !FDisableUpdate)
            selectRow(FModel.ItemIndex(), false);
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

bool TkavObjectInspector::editKey(QKeyEvent *event)
{
    const int row = FModel.ItemIndex();
    const int page = std::max(1, FScroll->viewport()->height() / FRowHeight);
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // Typed text is committed first, also on a row that has a dialog as well (a
        // memo's one-line text); without typing, such a row opens its dialog.
        if (FModel.EditModified() && !FModel.RowAttributes(row).Contains(paReadOnly)) {
            FModel.Commit();
            placeEditor(); // a refused value is shown as it is
        } else if (FModel.RowAttributes(row).Contains(paDialog)) {
            editRow();
        } else {
            placeEditor();
        }
        FEdit->selectAll();
        return true;
    case Qt::Key_Escape:
        FModel.RevertEdit();
        FEdit->setText(FModel.EditText());
        FEdit->setModified(false);
        FEdit->selectAll();
        return true;
    case Qt::Key_Up:
        selectRow(std::max(0, row - 1), true);
        return true;
    case Qt::Key_Down:
        selectRow(std::min(FModel.RowCount() - 1, row + 1), true);
        return true;
    case Qt::Key_PageUp:
        selectRow(std::max(0, row - page), true);
        return true;
    case Qt::Key_PageDown:
        selectRow(row + page, true);
        return true;
    default:
        return false;
    }
}

// --- the grid's mouse ---------------------------------------------------------------------------------

void TkavObjectInspector::gridPress(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    if (pos.x() >= FSplitterPos - 4 && pos.x() <= FSplitterPos + 2) {
        FDown = true;
        return;
    }
    const int row = pos.y() / FRowHeight;
    if (row < 0 || row >= FModel.RowCount())
        return;
    if (pos.x() > FSplitterPos && pos.x() <= FSplitterPos + 15 && FModel.IsBooleanRow(row)) {
        FModel.ToggleBoolean(row);
        placeEditor();
        return;
    }
    selectRow(row, true);
    FTickCount.start();
    const int level = FModel.Rows(row).Level;
    const int indent = level * (logicalDpiX() > 96 ? 14 : 12);
    if (FModel.HasSubList(row) && pos.x() >= indent && pos.x() <= indent + 13) {
        FModel.ToggleExpanded(row);
        FDisableDblClick = true;
        layoutGrid();
    }
}

void TkavObjectInspector::gridMove(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    if (FDown) {
        if (pos.x() > 30 && pos.x() < FGrid->width() - 30) {
            FSplitterPos = pos.x();
            FSplitterSet = true;
            placeEditor();
        }
        return;
    }
    const bool onSplitter = pos.x() >= FSplitterPos - 4 && pos.x() <= FSplitterPos + 2;
    FGrid->setCursor(onSplitter ? Qt::SizeHorCursor : Qt::ArrowCursor);
    const int row = pos.y() / FRowHeight;
    if (pos.x() <= 12 || row < 0 || row >= FModel.RowCount()) {
        QToolTip::hideText();
        return;
    }
    // A name or value too long for its column is shown whole in a hint.
    const bool value = pos.x() > FSplitterPos;
    const QString text = value ? FModel.RowValue(row) : FModel.RowName(row);
    const int room = value ? (row == FModel.ItemIndex() ? 1000 : FGrid->width() - FSplitterPos - 2)
                           : FSplitterPos - 13 - FModel.Rows(row).Level * 12;
    if (FGrid->fontMetrics().horizontalAdvance(text) > room)
        QToolTip::showText(FGrid->mapToGlobal(QPoint(value ? FSplitterPos : 0, row * FRowHeight)),
                           text.left(2000), FGrid);
    else
        QToolTip::hideText();
}

void TkavObjectInspector::paintGrid(QPainter &p)
{
    p.fillRect(FGrid->rect(), palette().color(QPalette::Base));
    if (FDisableUpdate)
        return;
    const bool hiDpi = logicalDpiX() > 96;
    const QColor face = palette().color(QPalette::Button);
    const int w = FGrid->width();
    auto drawRow = [&](int i) {
        const int y = i * FRowHeight;
        const bool selected = i == FModel.ItemIndex();
        p.setPen(face);
        p.drawLine(0, y + FRowHeight - 1, w, y + FRowHeight - 1);
        if (selected)
            p.fillRect(QRect(0, y, FSplitterPos, FRowHeight - 1), face);
        else
            p.drawLine(FSplitterPos - 1, y, FSplitterPos - 1, y + FRowHeight - 1);
        const int level = FModel.Rows(i).Level;
        int x = level * (hiDpi ? 14 : 12);
        const int shift = hiDpi ? 2 : 0;
        if (FModel.HasSubList(i)) {
            const QRect box(x + 2 + shift, y + 3 + shift, 9, 9);
            p.fillRect(box, Qt::white);
            p.setPen(QColor(0x80, 0x80, 0x80));
            p.drawRect(box.adjusted(0, 0, -1, -1));
            p.setPen(Qt::black);
            p.drawLine(box.left() + 2, box.center().y(), box.left() + 6, box.center().y());
            if (!FModel.Rows(i).Item->Expanded())
                p.drawLine(box.center().x(), box.top() + 2, box.center().x(), box.top() + 6);
            x += hiDpi ? 2 : 0;
        }
        QFont f = font();
        const QString name = FModel.RowName(i);
        f.setBold(level == 0 && boldName(name));
        p.setFont(f);
        p.setPen(palette().color(QPalette::Text));
        p.save();
        p.setClipRect(QRect(0, y, FSplitterPos - 1, FRowHeight));
        p.drawText(QRect(x + 13 + shift, y, FSplitterPos - x - 13, FRowHeight - 1), Qt::AlignVCenter, name);
        p.restore();
        if (selected && FEdit->isVisible())
            return;
        p.setFont(font());
        const QRect cell(FSplitterPos + 2, y + 1, w - FSplitterPos - 2, FRowHeight - 2);
        if (FModel.RowAttributes(i).Contains(paOwnerDraw) && FModel.Editor(i)) {
            p.save();
            p.setClipRect(cell);
            FModel.Editor(i)->OnDrawItem(p, cell);
            p.restore();
        } else {
            p.setPen(kavNavy(palette()));
            p.drawText(cell, Qt::AlignVCenter, FModel.RowValue(i));
        }
    };
    for (int i = 0; i < FModel.RowCount(); ++i)
        if (i != FModel.ItemIndex())
            drawRow(i);
    if (FModel.ItemIndex() >= 0)
        drawRow(FModel.ItemIndex());
}
