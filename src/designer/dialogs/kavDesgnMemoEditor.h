#pragma once

// TkavMemoEditorForm: the memo editor. Its Text tab edits the memo's text with buttons that
// insert an expression or an aggregate in the memo's delimiters; the Format and Highlight
// tabs host the display format and highlight editors. The memo changes only through apply.

#include <designer/document/kavDesgnSettings.h>

#include <QDialog>

class QPlainTextEdit;
class QTabWidget;
class QToolButton;
class TkavCustomMemoView;
class TkavFormatEditorForm;
class TkavHighlightEditorForm;
class TkavReport;

class TkavMemoEditorForm : public QDialog
{
public:
    // The editor's font follows the options (the memo's own font or the designer's memo font).
    explicit TkavMemoEditorForm(const TkavDesignerOptions &options, QWidget *parent = nullptr);
    ~TkavMemoEditorForm() override;

    void load(const TkavCustomMemoView &memo);
    bool validate() { return true; }
    // The memo takes the editor's text, then the formats and highlights of the other tabs.
    void apply(TkavCustomMemoView &memo);

    // The editor's text, one line per memo line.
    QString Text() const;
    void InsertExpression();
    void InsertAggregate();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QToolButton *toolButton(const char *name, const char *hintKey);
    void setWordWrap(bool on);

    const TkavDesignerOptions FOptions;
    const TkavCustomMemoView *FMemoView = nullptr;
    TkavReport *FReport = nullptr;
    bool FHasHighlights = true;
    QString FOpen;
    QString FClose;
    QTabWidget *FPageControl;
    QPlainTextEdit *FMemo;
    QToolButton *FExprB, *FAggregateB, *FWordWrapB;
    TkavFormatEditorForm *FFormatEditor;
    TkavHighlightEditorForm *FHighlightEditor;
};

// Opens the editor on memo showing text; on OK the memo has its new formats and
// highlights and text holds the edited text.
bool kavEditMemo(TkavCustomMemoView &memo, QString &text, QWidget *parent = nullptr);
