#pragma once

// TkavSyntaxMemo: the code editor of the script page and of the expression and memo editors.
// A plain-text editor coloured by the script tokenizer, with a gutter of line numbers,
// bookmarks, breakpoints and the debugger's marks, a message bar, and the text's own undo.

#include "kavDesgnSyntaxText.h"

#include <QPlainTextEdit>

#include <functional>

class QLabel;
class TkavSyntaxHighlighter;

class TkavSyntaxMemo : public QPlainTextEdit
{
public:
    explicit TkavSyntaxMemo(QWidget *parent = nullptr);
    ~TkavSyntaxMemo() override;

    // The text, its marks and its history; the widget shows it and keeps it in step.
    TkavSyntaxText &Model() { return FModel; }
    QString Text() const { return FModel.Text(); }
    // A newly loaded text: no undo history, not modified.
    void LoadText(const QString &text);
    void SetSyntax(const QString &name);
    const QString &Syntax() const { return FModel.Syntax(); }

    void Undo();
    void Redo();
    bool Find(const QString &text, bool caseSensitive, int &From);
    bool ReplaceNext(const QString &text, const QString &by, bool caseSensitive, int &From);
    int ReplaceAll(const QString &text, const QString &by, bool caseSensitive);
    void GotoBookmark(int number);
    void ToggleBookmark(int number);
    void ToggleBreakPoint(int line);
    void SetActiveLine(int line);
    void ShowMessage(const QString &s);
    // Moves the caret to (column, line), both 1-based.
    void SetPos(int x, int y);
    QPoint GetPos() const { return FModel.Pos(); }

    // Gutter width in pixels and its painting (used by the gutter widget).
    int GutterWidth() const;
    void paintGutter(QPaintEvent *event);
    // A click in the gutter toggles the breakpoint of the line under it.
    void gutterClicked(int y);

    // Called when the caret moved, and when the text changed.
    std::function<void()> OnChangePos;
    std::function<void()> OnChangeText;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void contentsChanged(int position, int removed, int added);
    void caretMoved();
    void showModel();
    void showSelection();
    void updateMarks();
    void updateGutterWidth();

    TkavSyntaxText FModel;
    QWidget *FGutter = nullptr;
    QLabel *FMessageBar = nullptr;
    TkavSyntaxHighlighter *FHighlighter = nullptr;
    bool FShowing = false; // the widget is being set from the model
};
