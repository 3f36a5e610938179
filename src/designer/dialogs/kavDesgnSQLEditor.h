#pragma once

// TkavSQLEditorForm: a query's SQL text in a coloured editor. It edits a copy; the query's
// text changes only through apply, after OK.

#include <QDialog>

class TStrings;
class TkavSyntaxMemo;

class TkavSQLEditorForm : public QDialog
{
public:
    explicit TkavSQLEditorForm(QWidget *parent = nullptr);

    void load(const TStrings &sql);
    bool validate() { return true; }
    void apply(TStrings &sql) const;

    TkavSyntaxMemo &Memo() const { return *FMemo; }

private:
    TkavSyntaxMemo *FMemo;
};

// Opens the editor on sql; true (and sql changed) after OK.
bool kavEditSQL(TStrings &sql);
