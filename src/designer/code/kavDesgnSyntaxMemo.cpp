#include "kavDesgnSyntaxMemo.h"

#include <designer/window/kavDesgnTheme.h>
#include <output/kavHelpKey.h>
#include <persist/kavRes.h>

#include <QKeyEvent>
#include <QLabel>
#include <QCoreApplication>
#include <QFrame>
#include <QListWidget>
#include <QMenu>
#include <QVBoxLayout>
#include <QPainter>
#include <QSyntaxHighlighter>
#include <QTextBlock>

#include <array>

using namespace Qt::StringLiterals;

// Formats each line from the attribute codes of the text. A line's state is a hash of its
// codes, so a line whose colouring changed makes the highlighter go on to the next one
// (an opened block comment recolours everything after it).
class TkavSyntaxHighlighter : public QSyntaxHighlighter
{
public:
    TkavSyntaxHighlighter(TkavSyntaxText &model, QTextDocument *document)
        : QSyntaxHighlighter(document)
        , FModel(model)
    {}

    void setPalette(const QPalette &palette)
    {
        const QColor text = palette.color(QPalette::Text);
        const QColor navy = kavNavy(palette);
        FFormats.fill(QTextCharFormat());
        for (QTextCharFormat &format : FFormats)
            format.setForeground(text);
        FFormats[saComment].setForeground(navy);
        FFormats[saComment].setFontItalic(true);
        FFormats[saKeyword].setFontWeight(QFont::Bold);
        FFormats[saString].setForeground(navy);
        FFormats[saNumber].setForeground(kavGreen(palette));
        rehighlight();
    }

protected:
    void highlightBlock(const QString &) override
    {
        const int line = currentBlock().blockNumber() + 1;
        // Colour ahead of the line in chunks: resuming costs a pass over the text so far.
        FModel.ColourUpTo(line + 255);
        const QString codes = FModel.LineAttributes(line);
        int start = 0;
        for (int i = 1; i <= codes.size(); ++i) {
            if (i < codes.size() && codes[i] == codes[start])
                continue;
            const char16_t code = codes[start].unicode();
            if (code < FFormats.size())
                setFormat(start, i - start, FFormats[code]);
            start = i;
        }
        setCurrentBlockState(int(qHash(codes) & 0x7fffffff));
    }

private:
    TkavSyntaxText &FModel;
    std::array<QTextCharFormat, saNumber + 1> FFormats;
};

namespace {

class GutterWidget : public QWidget
{
public:
    explicit GutterWidget(TkavSyntaxMemo *memo)
        : QWidget(memo)
        , FMemo(memo)
    {}
    QSize sizeHint() const override { return {FMemo->GutterWidth(), 0}; }

protected:
    void paintEvent(QPaintEvent *event) override { FMemo->paintGutter(event); }
    void mousePressEvent(QMouseEvent *event) override
    {
        FMemo->gutterClicked(int(event->position().y()));
    }

private:
    TkavSyntaxMemo *FMemo;
};

constexpr int markWidth = 16;

// Icons of the completion kinds (indices into the main button images, -1 for none), in the
// order of TkavCompletionKind.
constexpr std::array<int, ckProcedure + 1> completionImages{-1, 52, 78, 80, 80, -1, 73, 74, 79, 52};
constexpr int completionRows = 10;

void notify(const std::function<void()> &event)
{
    if (event)
        event();
}

} // namespace

TkavSyntaxMemo::TkavSyntaxMemo(QWidget *parent)
    : QPlainTextEdit(parent)
    , FGutter(new GutterWidget(this))
    , FMessageBar(new QLabel(this))
{
    QFont font(u"Courier New"_s, 10);
    font.setStyleHint(QFont::Monospace);
    setFont(font);
    setLineWrapMode(NoWrap);
    setUndoRedoEnabled(false); // the text keeps its own history, with the caret
    setTabChangesFocus(false);
    kavInstallHelpKey(*this, u"TkavSyntaxMemo"_s);
    FGutter->setObjectName(u"gutter"_s);
    FMessageBar->setObjectName(u"messageBar"_s);
    // White "Tahoma" 8 bold on dark red, whatever the palette: a message must stand out.
    FMessageBar->setFont(QFont(u"Tahoma"_s, 8, QFont::Bold));
    FMessageBar->setStyleSheet(u"background: #800000; color: white; padding: 2px"_s);
    FMessageBar->hide();
    // The model follows the document before the highlighter reads it: connect first.
    connect(document(), &QTextDocument::contentsChange, this, &TkavSyntaxMemo::contentsChanged);
    connect(this, &QPlainTextEdit::cursorPositionChanged, this, &TkavSyntaxMemo::caretMoved);
    connect(this, &QPlainTextEdit::blockCountChanged, this, &TkavSyntaxMemo::updateGutterWidth);
    connect(this, &QPlainTextEdit::updateRequest, this, [this](const QRect &rect, int dy) {
        if (dy)
            FGutter->scroll(0, dy);
        else
            FGutter->update(0, rect.y(), FGutter->width(), rect.height());
    });
    FHighlighter = new TkavSyntaxHighlighter(FModel, document());
    FHighlighter->setPalette(palette());
    updateGutterWidth();
    // The list lies over the text and never takes the focus: the keys stay with the editor,
    // which passes the list's own keys on to it.
    FCompletionForm = new QFrame(this);
    FCompletionForm->setObjectName(u"FCompletionForm"_s);
    FCompletionLB = new QListWidget(FCompletionForm);
    FCompletionLB->setObjectName(u"FCompletionLB"_s);
    FCompletionLB->setFocusPolicy(Qt::NoFocus);
    FCompletionLB->setFrameShape(QFrame::Box);
    auto *layout = new QVBoxLayout(FCompletionForm);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(FCompletionLB);
    FCompletionForm->hide();
    connect(FCompletionLB, &QListWidget::itemActivated, this, [this] { acceptCompletion(); });
}

// The document outlives this part of the object: it must not call back into it.
TkavSyntaxMemo::~TkavSyntaxMemo()
{
    disconnect(document(), nullptr, this, nullptr);
    FHighlighter->setDocument(nullptr);
}

void TkavSyntaxMemo::LoadText(const QString &text)
{
    FModel.LoadText(text);
    showModel();
}

void TkavSyntaxMemo::SetSyntax(const QString &name)
{
    FModel.SetSyntax(name);
    FHighlighter->rehighlight();
}

// Keeps the model in step with an edit of the document. The old text is still in the model,
// so its undo snapshot is the state before the edit. Re-formatting (same text) is no edit.
void TkavSyntaxMemo::contentsChanged(int position, int removed, int added)
{
    if (FShowing)
        return;
    QTextCursor cursor(document());
    cursor.setPosition(position);
    cursor.setPosition(position + added, QTextCursor::KeepAnchor);
    const QString inserted = cursor.selectedText().replace(QChar::ParagraphSeparator, u'\n');
    const QPoint start = FModel.PointAt(position);
    const QPoint end = FModel.PointAt(position + removed);
    if (removed == added && FModel.TextRange(start, end) == inserted)
        return;
    FModel.ReplaceText(start, end, inserted);
    updateMarks();
    notify(OnChangeText);
}

void TkavSyntaxMemo::caretMoved()
{
    if (FShowing)
        return;
    // Typing narrows the list; leaving the word closes it.
    if (CompletionVisible()) {
        const QString text = toPlainText();
        const int caret = textCursor().position();
        if (textCursor().hasSelection() || TkavCompletion::WordStart(text, caret) != FCompletionItems.WordStart)
            FCompletionForm->hide();
        else
            fillCompletion(text.mid(FCompletionItems.WordStart, caret - FCompletionItems.WordStart));
    }
    const QTextCursor cursor = textCursor();
    const QPoint pt(cursor.positionInBlock() + 1, cursor.blockNumber() + 1);
    if (pt != FModel.Pos())
        FModel.SetPos(pt.x(), pt.y());
    notify(OnChangePos);
}

// Shows the model's text and caret after an undo, a redo, a load or a replace.
void TkavSyntaxMemo::showModel()
{
    FShowing = true;
    const QPoint pos = FModel.Pos();
    setPlainText(FModel.Text());
    FShowing = false;
    SetPos(pos.x(), pos.y());
    updateMarks();
}

void TkavSyntaxMemo::SetPos(int x, int y)
{
    FModel.SetPos(x, y);
    showSelection();
}

// Puts the model's selection (or caret) into the widget.
void TkavSyntaxMemo::showSelection()
{
    const auto position = [this](QPoint pt) {
        return document()->findBlockByNumber(pt.y() - 1).position() + pt.x() - 1;
    };
    QTextCursor cursor(document());
    FShowing = true;
    if (FModel.HasSelection()) {
        cursor.setPosition(position(FModel.SelEnd()));
        cursor.setPosition(position(FModel.SelStart()), QTextCursor::KeepAnchor);
    } else {
        cursor.setPosition(position(FModel.Pos()));
    }
    setTextCursor(cursor);
    FShowing = false;
    ensureCursorVisible();
}

// Undone and redone text is edited text like any other: whoever keeps the script is told.
void TkavSyntaxMemo::Undo()
{
    if (FModel.Undo()) {
        showModel();
        notify(OnChangeText);
    }
}

void TkavSyntaxMemo::Redo()
{
    if (FModel.Redo()) {
        showModel();
        notify(OnChangeText);
    }
}

bool TkavSyntaxMemo::Find(const QString &text, bool caseSensitive, int &From)
{
    const bool found = FModel.Find(text, caseSensitive, From);
    if (found)
        showSelection();
    return found;
}

bool TkavSyntaxMemo::ReplaceNext(const QString &text, const QString &by, bool caseSensitive, int &From)
{
    const QString before = FModel.Text();
    const bool found = FModel.ReplaceNext(text, by, caseSensitive, From);
    if (FModel.Text() != before) {
        showModel();
        notify(OnChangeText);
    }
    if (found)
        showSelection();
    return found;
}

int TkavSyntaxMemo::ReplaceAll(const QString &text, const QString &by, bool caseSensitive)
{
    const int count = FModel.ReplaceAll(text, by, caseSensitive);
    if (count > 0) {
        showModel();
        notify(OnChangeText);
    }
    return count;
}

void TkavSyntaxMemo::GotoBookmark(int number)
{
    if (FModel.GotoBookmark(number) > 0)
        showSelection();
}

// Sets bookmark number on the caret's line, or clears it when it is already there.
void TkavSyntaxMemo::ToggleBookmark(int number)
{
    const int line = FModel.Pos().y();
    if (FModel.IsBookmark(line) == number)
        FModel.DeleteBookmark(number);
    else
        FModel.AddBookmark(line, number);
    FGutter->update();
}

void TkavSyntaxMemo::ToggleBreakPoint(int line)
{
    FModel.ToggleBreakPoint(line);
    updateMarks();
}

void TkavSyntaxMemo::SetActiveLine(int line)
{
    FModel.SetActiveLine(line);
    updateMarks();
}

void TkavSyntaxMemo::ShowMessage(const QString &s)
{
    FModel.ShowMessage(s);
    FMessageBar->setText(s);
    FMessageBar->setVisible(!s.isEmpty());
    resizeEvent(nullptr);
}

// Breakpoint lines in light red, the debugger's line in the highlight colour.
void TkavSyntaxMemo::updateMarks()
{
    QList<QTextEdit::ExtraSelection> marks;
    const auto fill = [&](int line, const QColor &colour, const QColor &text) {
        const QTextBlock block = document()->findBlockByNumber(line - 1);
        if (!block.isValid())
            return;
        QTextEdit::ExtraSelection mark;
        mark.cursor = QTextCursor(block);
        mark.format.setBackground(colour);
        if (text.isValid())
            mark.format.setForeground(text);
        mark.format.setProperty(QTextFormat::FullWidthSelection, true);
        marks << mark;
    };
    for (int line = 1; line <= FModel.LineCount(); ++line)
        if (FModel.IsBreakPoint(line))
            fill(line, QColor(0xff, 0xc0, 0xc0), QColor(Qt::black));
    if (FModel.ActiveLine() > 0)
        fill(FModel.ActiveLine(), palette().color(QPalette::Highlight), palette().color(QPalette::HighlightedText));
    setExtraSelections(marks);
    FGutter->update();
}

int TkavSyntaxMemo::GutterWidth() const
{
    const int digits = int(QString::number(std::max(1, blockCount())).size());
    return markWidth + 8 + fontMetrics().horizontalAdvance(u'9') * digits;
}

void TkavSyntaxMemo::updateGutterWidth()
{
    setViewportMargins(GutterWidth(), 0, 0, FMessageBar->isHidden() ? 0 : FMessageBar->sizeHint().height());
}

void TkavSyntaxMemo::changeEvent(QEvent *event)
{
    QPlainTextEdit::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        FHighlighter->setPalette(palette());
}

void TkavSyntaxMemo::resizeEvent(QResizeEvent *event)
{
    if (event)
        QPlainTextEdit::resizeEvent(event);
    const QRect area = contentsRect();
    FGutter->setGeometry(area.left(), area.top(), GutterWidth(), area.height());
    const int barHeight = FMessageBar->sizeHint().height();
    FMessageBar->setGeometry(area.left(), area.bottom() - barHeight + 1, area.width(), barHeight);
    updateGutterWidth();
}

// Line numbers, and in the mark column: a red disc for a breakpoint, the number of a
// bookmark, a small dot where the script can stop.
void TkavSyntaxMemo::paintGutter(QPaintEvent *event)
{
    QPainter painter(FGutter);
    painter.fillRect(event->rect(), palette().color(QPalette::Button));
    painter.setPen(palette().color(QPalette::Dark)); // the button shadow colour
    painter.drawLine(FGutter->width() - 1, event->rect().top(), FGutter->width() - 1, event->rect().bottom());
    painter.setRenderHint(QPainter::Antialiasing);
    QTextBlock block = firstVisibleBlock();
    int top = int(blockBoundingGeometry(block).translated(contentOffset()).top());
    const int lineHeight = fontMetrics().height();
    while (block.isValid() && top <= event->rect().bottom()) {
        const int line = block.blockNumber() + 1;
        const QRect mark(2, top + (lineHeight - 12) / 2, 12, 12);
        if (FModel.IsBreakPoint(line)) {
            painter.setBrush(QColor(0xc0, 0x20, 0x20));
            painter.setPen(Qt::NoPen);
            painter.drawEllipse(mark);
        } else if (FModel.GetRunLine(line)) {
            painter.setBrush(QColor(0x20, 0x80, 0x20));
            painter.setPen(Qt::NoPen);
            painter.drawEllipse(mark.center(), 2, 2);
        }
        if (const int bookmark = FModel.IsBookmark(line); bookmark >= 0) {
            painter.setPen(palette().color(QPalette::ButtonText));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(mark);
            painter.drawText(mark, Qt::AlignCenter, QString::number(bookmark));
        }
        painter.setPen(palette().color(QPalette::PlaceholderText));
        painter.drawText(QRect(markWidth, top, FGutter->width() - markWidth - 4, lineHeight),
                         Qt::AlignRight | Qt::AlignVCenter,
                         QString::number(line));
        top += int(blockBoundingRect(block).height());
        block = block.next();
    }
}

void TkavSyntaxMemo::gutterClicked(int y)
{
    const QTextBlock block = cursorForPosition(QPoint(0, y)).block();
    if (block.isValid())
        ToggleBreakPoint(block.blockNumber() + 1);
}

// --- code completion ---

bool TkavSyntaxMemo::CompletionVisible() const
{
    return FCompletionForm->isVisible();
}

bool TkavSyntaxMemo::ShowCompletion()
{
    const QString text = toPlainText();
    const int caret = textCursor().position();
    FCompletionItems = OnCodeCompletion ? OnCodeCompletion(text, caret) : FCompletion.Candidates(text, caret, Syntax());
    fillCompletion(FCompletionItems.Prefix);
    if (FCompletionLB->count() == 0)
        return false;
    // Below the caret, or above it when the editor has no room left below.
    const QRect caretRect = cursorRect();
    const int rowHeight = std::max(FCompletionLB->sizeHintForRow(0), fontMetrics().height());
    const QSize size(std::max(FCompletionLB->sizeHintForColumn(0) + 40, fontMetrics().averageCharWidth() * 28),
                     rowHeight * std::min(completionRows, FCompletionLB->count()) + 2 * FCompletionLB->frameWidth() + 2);
    QPoint at = viewport()->mapTo(this, caretRect.bottomLeft()) + QPoint(0, 2);
    if (at.y() + size.height() > height() && caretRect.top() - size.height() >= 0)
        at = viewport()->mapTo(this, caretRect.topLeft()) - QPoint(0, size.height() + 2);
    at.setX(std::max(0, std::min(at.x(), width() - size.width())));
    FCompletionForm->setGeometry(QRect(at, size));
    FCompletionForm->show();
    FCompletionForm->raise();
    return true;
}

// The candidates that start with prefix; none closes the list.
void TkavSyntaxMemo::fillCompletion(const QString &prefix)
{
    FCompletionLB->clear();
    const TkavImageList &images = kavResourceTable().GetMainButtonImages();
    for (const TkavCompletionItem &item : TkavCompletion::Filter(FCompletionItems.Items, prefix)) {
        auto *row = new QListWidgetItem(item.Text, FCompletionLB);
        const int image = completionImages[size_t(item.Kind)];
        if (image >= 0 && image < images.size())
            row->setIcon(QPixmap::fromImage(images[image]));
        row->setToolTip(item.Detail);
    }
    if (FCompletionLB->count() == 0)
        FCompletionForm->hide();
    else
        FCompletionLB->setCurrentRow(0);
}

// Replaces the whole word at the caret by the chosen candidate.
void TkavSyntaxMemo::acceptCompletion()
{
    const QListWidgetItem *item = FCompletionLB->currentItem();
    FCompletionForm->hide();
    if (!item)
        return;
    const QString text = toPlainText();
    int end = textCursor().position();
    while (end < text.size() && (text[end].isLetterOrNumber() || text[end] == u'_'))
        ++end;
    // The insert is an undo step of its own, apart from the typing before it.
    FModel.SetPos(FModel.Pos().x(), FModel.Pos().y());
    QTextCursor cursor = textCursor();
    cursor.setPosition(FCompletionItems.WordStart);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    cursor.insertText(item->text());
    setTextCursor(cursor);
}

// The keys of an open list: arrows and pages move in it, Enter and Tab insert, Esc closes.
bool TkavSyntaxMemo::completionKey(QKeyEvent *event)
{
    if (!CompletionVisible())
        return false;
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        QCoreApplication::sendEvent(FCompletionLB, event);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Tab:
        acceptCompletion();
        return true;
    case Qt::Key_Escape:
        FCompletionForm->hide();
        return true;
    default:
        return false;
    }
}

QMenu *TkavSyntaxMemo::CreateContextMenu()
{
    auto *menu = new QMenu(this);
    const auto add = [&](const QString &key, QKeySequence::StandardKey keys, bool enabled, auto run) {
        QAction *item = menu->addAction(kavResourceTable().Get(key), this, run);
        item->setShortcut(keys);
        item->setEnabled(enabled && !isReadOnly());
        return item;
    };
    const bool selected = textCursor().hasSelection();
    add(u"dsUndo"_s, QKeySequence::Undo, FModel.UndoCount() > 0, [this] { Undo(); });
    add(u"dsRedo"_s, QKeySequence::Redo, FModel.RedoCount() > 0, [this] { Redo(); });
    menu->addSeparator();
    add(u"dsCut"_s, QKeySequence::Cut, selected, [this] { cut(); });
    add(u"dsCopy"_s, QKeySequence::Copy, true, [this] { copy(); })->setEnabled(selected);
    add(u"dsPaste"_s, QKeySequence::Paste, canPaste(), [this] { paste(); });
    add(u"dsDelete"_s, QKeySequence::Delete, selected, [this] { textCursor().removeSelectedText(); });
    return menu;
}

// The widget's own menu would offer its history, which the editor does not use.
void TkavSyntaxMemo::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu *menu = CreateContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void TkavSyntaxMemo::focusOutEvent(QFocusEvent *event)
{
    FCompletionForm->hide();
    QPlainTextEdit::focusOutEvent(event);
}

// Ctrl+Z / Ctrl+Y (and Ctrl+Shift+Z) use the text's own history; Ctrl+Shift+digit sets
// or clears a bookmark, Ctrl+digit jumps to it; Ctrl+Space opens the completion list, and
// so does a "." typed after a name.
void TkavSyntaxMemo::keyPressEvent(QKeyEvent *event)
{
    if (completionKey(event))
        return;
    if (event->key() == Qt::Key_Space && (event->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier) {
        ShowCompletion();
        return;
    }
    if (event->matches(QKeySequence::Undo)) {
        Undo();
        return;
    }
    if (event->matches(QKeySequence::Redo)) {
        Redo();
        return;
    }
    // Shifted digits arrive as their symbols on many layouts.
    static const QString shiftedDigits = u")!@#$%^&*("_s;
    int key = event->key();
    if (const qsizetype d = shiftedDigits.indexOf(event->text()); d >= 0 && !event->text().isEmpty())
        key = Qt::Key_0 + int(d);
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if ((mods == Qt::ControlModifier || mods == (Qt::ControlModifier | Qt::ShiftModifier))
        && key >= Qt::Key_0 && key <= Qt::Key_9) {
        if (mods & Qt::ShiftModifier)
            ToggleBookmark(key - Qt::Key_0);
        else
            GotoBookmark(key - Qt::Key_0);
        return;
    }
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && mods == Qt::NoModifier) {
        // A new line starts where the text of the one above starts.
        QTextCursor cursor = textCursor();
        const QString before = cursor.block().text().left(cursor.positionInBlock());
        qsizetype indent = 0;
        while (indent < before.size() && (before[indent] == u' ' || before[indent] == u'\t'))
            ++indent;
        cursor.insertText(u'\n' + before.left(indent));
        setTextCursor(cursor);
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
    if (event->text() == u"."_s)
        ShowCompletion();
}
