#pragma once

// TkavSyntaxMemo: the code editor of the script page and of the expression and memo editors.
// A plain-text editor coloured by the script tokenizer, with a gutter of line numbers,
// bookmarks, breakpoints and the debugger's marks, a message bar, and the text's own undo.

#include "kavDesgnCompletion.h"
#include "kavDesgnSyntaxText.h"

#include <QPlainTextEdit>

#include <functional>

class QLabel;
class QListWidget;
class QMenu;
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

    // Code completion (Ctrl+Space, and "." after a name): a list at the caret of what fits
    // the word being typed; Enter or Tab inserts, Esc closes. The candidates come from
    // OnCodeCompletion when set, else from Completion() (give it the report for its objects).
    TkavCompletion &Completion() { return FCompletion; }
    // Opens the list at the caret; false (and no list) when nothing fits.
    bool ShowCompletion();
    bool CompletionVisible() const;
    QListWidget &CompletionList() const { return *FCompletionLB; }

    // The context menu: the editor's own history and the clipboard, captioned from the
    // resource table; a child of the editor.
    QMenu *CreateContextMenu();

    // Called when the caret moved, and when the text changed.
    std::function<void()> OnChangePos;
    std::function<void()> OnChangeText;
    // The candidates for the text at a caret offset (0-based).
    std::function<TkavCompletionList(const QString &text, int caret)> OnCodeCompletion;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void contentsChanged(int position, int removed, int added);
    void caretMoved();
    void showModel();
    void showSelection();
    void updateMarks();
    void updateGutterWidth();
    bool completionKey(QKeyEvent *event);
    void fillCompletion(const QString &prefix);
    void acceptCompletion();

    TkavSyntaxText FModel;
    QWidget *FGutter = nullptr;
    QLabel *FMessageBar = nullptr;
    TkavSyntaxHighlighter *FHighlighter = nullptr;
    TkavCompletion FCompletion;
    TkavCompletionList FCompletionItems; // every candidate when the list opened
    QWidget *FCompletionForm = nullptr;
    QListWidget *FCompletionLB = nullptr;
    bool FShowing = false; // the widget is being set from the model
};
