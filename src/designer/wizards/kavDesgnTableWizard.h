#pragma once

// The database table wizard's dialog: a database (one of the report's connections or an
// SQLite file) and one of its tables; OK adds a query over that table to the report.

#include <QDialog>

#include <memory>

class QComboBox;
class QLabel;
class DesignerDocument;
class QListWidget;
class TkavReport;
class TkavSQLDatabase;
class TkavSQLQuery;

class TkavDBTableWizardForm : public QDialog
{
public:
    explicit TkavDBTableWizardForm(DesignerDocument &Designer, QWidget *parent = nullptr);
    ~TkavDBTableWizardForm() override;

    // Offers an SQLite file as the database (what the file button asks for).
    void SetFile(const QString &FileName);
    // Makes the query (and, for a file, its database) on the report's data page and adds
    // it to the report's data sets; null when no table is chosen.
    TkavSQLQuery *CreateQuery();

private:
    void chooseFile();
    void databaseChosen();

    DesignerDocument &FDesigner;
    TkavReport &FReport;
    // The file's connection while it is only offered.
    std::unique_ptr<TkavSQLDatabase> FFileDatabase;
    QComboBox *FDatabaseCB;
    QListWidget *FTablesLB;
    QLabel *FErrorL;
};
