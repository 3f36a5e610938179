#pragma once

// TkavVarEditorForm: the report's variables, edited as categories and variables in a tree
// with the expression of the selected variable below it. It works on a copy; the report
// changes only through apply, after OK.

#include <persist/kavVariables.h>

#include <QDialog>
#include <QStringList>

class QLineEdit;
class QSplitter;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class TkavDataTreeForm;
class TkavReport;

// The list view's text: a category's name, then each of its variables after one space.
QStringList kavVariablesToLines(const TkavVariables &variables);
// The list the lines describe; items keep the value of the same-named item of old, others
// get an empty text. Blank lines are skipped.
void kavVariablesFromLines(const QStringList &lines, const TkavVariables &old, TkavVariables &result);

class TkavVarEditorForm : public QDialog
{
public:
    TkavVarEditorForm(TkavReport &report, QWidget *parent = nullptr);
    ~TkavVarEditorForm() override;

    // The working copy starts as the report's variables.
    void load(const TkavReport &report);
    // The report's variables become the working copy (a pending expression included).
    void apply(TkavReport &report);
    bool validate() { return true; }
    void accept() override;

    TkavVariables &Variables() { return FVariables; }
    QTreeWidget &VarTree() const { return *FVarTree; }
    QLineEdit &ExprMemo() const { return *FExprMemo; }

    // The tool buttons' commands.
    void NewCategory();
    void NewVariable();
    void DeleteItem();
    void EditItem();
    void EditList();
    void LoadVariables();
    void SaveVariables();
    // Renames item; a duplicate name (or an inherited variable) keeps the old text.
    bool RenameItem(QTreeWidgetItem *item, const QString &newText);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    enum Kind { Root, Category, Variable };
    QToolButton *addButton(const char *name, const char *hintKey, int image);
    QTreeWidgetItem *addItem(QTreeWidgetItem *parent, const QString &text, Kind kind);
    static Kind kindOf(const QTreeWidgetItem *item);
    QTreeWidgetItem *root() const;
    void rebuildTree();
    void updateRootText();
    void updateButtons();
    bool isEditable(const QTreeWidgetItem *item) const;
    void currentChanged(QTreeWidgetItem *current);
    void itemChanged(QTreeWidgetItem *item);
    void commitExpression();
    void selectRoot();
    QString freeName(const QString &prefix) const;
    void insertFieldName();
    bool memoDropEvent(QEvent *event);

    TkavReport &FReport;
    TkavVariables FVariables;
    bool FIsInheritedReport = false;
    bool FUpdating = false;
    QString FCurrentVar; // the variable the memo shows, empty for none
    QTreeWidget *FVarTree;
    QLineEdit *FExprMemo;
    TkavDataTreeForm *FDataTree;
    QSplitter *FSplit = nullptr;
    QToolButton *FEditB = nullptr, *FDeleteB = nullptr, *FEditListB = nullptr, *FLoadB = nullptr;
};
