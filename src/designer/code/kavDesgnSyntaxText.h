#pragma once

// TkavSyntaxText: the text behind the code editor, without widgets: its lines and their
// colouring by the script tokenizer, bookmarks, breakpoints, the debugger's marks, a
// whole-text undo history with the caret, and search. The editor widget draws from it.

#include <script/ky_iparser.h>

#include <QList>
#include <QPoint>
#include <QString>
#include <QStringList>

#include <array>

// ORDER: attribute codes of coloured characters; the widget maps each to a text format.
enum TkavSyntaxAttr : char16_t {
    saText = 1,    // plain text or punctuation
    saComment = 3, // comment or white space
    saKeyword = 4,
    saString = 5,
    saNumber = 6
};

// Sets parser up to read a text of syntax ("SQL", a registered script language, or
// anything else: no keywords), white space and comments not skipped by the readers.
void kavConfigureSyntaxParser(TkyParser &parser, const QString &syntax);

class TkavSyntaxText
{
public:
    // Snapshots kept for undo; the oldest goes first past this count.
    static constexpr int MaxUndo = 32;

    TkavSyntaxText();

    // --- text and caret: points are (column, line), both 1-based ---
    const QStringList &Lines() const { return FText; }
    int LineCount() const { return int(FText.size()); }
    // Lines joined by "\n".
    QString Text() const;
    // Replaces the whole text (an edit: undo can bring the old one back). Any line-end
    // convention is accepted; a text is never less than one empty line.
    void SetText(const QString &text);
    // Replaces the text without an undo step, and forgets the history (a newly loaded script).
    void LoadText(const QString &text);
    // Inserts at the caret, replacing the selection; the caret ends after the insert.
    void InsertText(const QString &text);
    // Replaces [start, end) as typing does: no caret move is recorded, so edits in one place
    // stay one undo step.
    void ReplaceText(QPoint start, QPoint end, const QString &text);
    QPoint Pos() const { return FPos; }
    // Moves the caret (kept inside the text) and clears the selection.
    void SetPos(int x, int y);
    QPoint SelStart() const { return FSelStart; }
    QPoint SelEnd() const { return FSelEnd; }
    bool HasSelection() const { return FSelStart != FSelEnd; }
    void SetSelection(QPoint start, QPoint end);
    QString SelText() const { return TextRange(FSelStart, FSelEnd); }
    // The text from start to end (points in the text), lines joined by "\n".
    QString TextRange(QPoint start, QPoint end) const;
    void SelectAll();
    // Conversions between points and 0-based offsets in the text with one character per
    // line break (as an editor's document counts them).
    QPoint PointAt(int offset) const;
    int OffsetOf(QPoint pt) const;
    bool Modified() const { return FModified; }
    void SetModified(bool value) { FModified = value; }

    // --- colouring ---
    // "SQL" (any case), a registered script language, or anything else (no keywords).
    const QString &Syntax() const { return FSyntax; }
    void SetSyntax(const QString &name);
    // One attribute code per character of the line (1-based); characters below code 32
    // keep their own code. Colours the lines up to this one when they are not yet.
    QString LineAttributes(int line);
    // Colours the lines up to this one now (the widget colours ahead of what it draws).
    void ColourUpTo(int line);
    // Lines coloured so far (the rest is done when asked for).
    int ColouredLines() const { return int(FSynStrings.size()); }

    // --- bookmarks 0..9 ---
    void AddBookmark(int line, int number);
    void DeleteBookmark(int number);
    // The bookmark's line, -1 when unset; the caret moves there when it is set.
    int GotoBookmark(int number);
    // The number of the bookmark on the line, -1 when none.
    int IsBookmark(int line) const;

    // --- breakpoints; a condition "F4" marks a temporary one (run to the cursor) ---
    void AddBreakPoint(int line, const QString &condition);
    void ToggleBreakPoint(int line, const QString &condition = {});
    void DeleteBreakPoint(int line);
    void DeleteF4BreakPoints();
    bool IsBreakPoint(int line) const;
    QString GetBreakPointCondition(int line) const;
    int BreakPointCount() const { return int(FBreakPoints.size()); }

    // --- the debugger's marks ---
    // Lines the script can stop on; lines outside the text read false and are not set.
    void SetRunLine(int line, bool value);
    bool GetRunLine(int line) const;
    int ActiveLine() const { return FActiveLine; }
    void SetActiveLine(int line) { FActiveLine = line; }
    const QString &Message() const { return FMessage; }
    void ShowMessage(const QString &s) { FMessage = s; }

    // --- undo, with redo besides ---
    bool Undo();
    bool Redo();
    int UndoCount() const { return int(FUndo.size()); }
    int RedoCount() const { return int(FRedo.size()); }

    // Searches from offset From (1-based in the text with two characters per line break; 0
    // counts as 1). A hit is selected, the caret goes to its start and From moves just past
    // it.
    bool Find(const QString &text, bool caseSensitive, int &From);
    // Replaces the selection when it equals text (as Find compares), then finds the next
    // one; returns whether a next one was found.
    bool ReplaceNext(const QString &text, const QString &by, bool caseSensitive, int &From);
    // Replaces every occurrence from the start in one undo step; the count replaced.
    int ReplaceAll(const QString &text, const QString &by, bool caseSensitive);

private:
    struct BreakPoint
    {
        QString Condition;
        int Line = 0;
    };

    void beforeChange();
    QString snapshot() const;
    void restore(const QString &snap);
    void setLines(const QString &text);
    void invalidate(int line);
    void colourUpTo(int line);
    QPoint clampPoint(QPoint pt) const;
    QString plainText() const;
    int plainOffset(QPoint pt) const;
    QPoint plainPoint(int offset) const;
    void replaceRange(QPoint start, QPoint end, const QString &text);

    QStringList FText;
    QList<int> FRunLines; // 1 = executable, per line
    QStringList FSynStrings;
    TkyParser FParser;
    QString FSyntax;
    QPoint FPos{1, 1};
    QPoint FSelStart{1, 1};
    QPoint FSelEnd{1, 1};
    std::array<int, 10> FBookmarks;
    QList<BreakPoint> FBreakPoints;
    int FActiveLine = -1;
    QStringList FUndo;
    QStringList FRedo;
    bool FMoved = true;
    QString FMessage;
    bool FModified = false;
};
