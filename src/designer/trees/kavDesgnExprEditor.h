#pragma once

// TkavExprEditorForm: the dialog that edits one expression, with a data tree whose items
// are inserted at the caret by a double-click or a drop. It reopens where it was left.

#include <QDialog>
#include <QPoint>

class QLineEdit;
class TkavDataTreeForm;
class TkavReport;

class TkavExprEditorForm : public QDialog
{
public:
    explicit TkavExprEditorForm(TkavReport &report, QWidget *parent = nullptr);

    QLineEdit *ExprMemo() const { return FExprMemo; }
    TkavDataTreeForm *DataTree() const { return FDataTree; }
    // Inserts the data tree's current item at the caret, replacing the selection.
    void InsertFromTree();

    // The edited text after OK; empty after Cancel.
    static QString InsertExpression(TkavReport &report, const QString &text, QWidget *parent = nullptr);

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Where the tree was left, for the next editor in this process.
    static QPoint &lastPosition();

    TkavReport &FReport;
    QLineEdit *FExprMemo;
    TkavDataTreeForm *FDataTree;
};
