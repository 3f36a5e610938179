#pragma once

// TkavConnEditorForm: the named connection strings of a standalone designer, machine-wide
// ("System") and the user's ("User"), listed, added, edited and deleted; closing with OKB
// (also Enter and Escape) writes both stores, the window's close box writes nothing.
// TkavConnectionItemEdit: one connection's name, scope and string.

#include <report/kavConnections.h>

#include <QDialog>

class QKeyEvent;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTreeWidget;
class QTreeWidgetItem;
class TkavReport;

class TkavConnectionItemEdit : public QDialog
{
public:
    explicit TkavConnectionItemEdit(QWidget *parent = nullptr);

    // ConnB hands the string to this report's OnEditConnection, when it has one.
    TkavReport *Report = nullptr;

    void load(const QString &name, bool system, const QString &connection);
    // The name must be one the stores can keep: false marks NameE (property "invalid").
    bool validate();
    QString Name() const;
    bool System() const;
    QString Connection() const;
    void accept() override;

private:
    void editConnection();

    QLineEdit *FNameE;
    QRadioButton *FSystemRB;
    QRadioButton *FUserRB;
    QLineEdit *FConnE;
};

class TkavConnEditorForm : public QDialog
{
public:
    explicit TkavConnEditorForm(QWidget *parent = nullptr);

    // Handed to the item dialog.
    TkavReport *Report = nullptr;

    // Lists the machine-wide connections, then the user's.
    void load();
    // Rewrites each store from its rows (rows of another kind are not written); a store
    // that cannot be written is skipped.
    void apply();

    // The row actions behind NewB, EditB and DeleteB.
    void NewConnection();
    void EditConnection();
    void DeleteConnection();

protected:
    // Escape closes the way OKB does; only the close box cancels.
    void keyPressEvent(QKeyEvent *event) override;

private:
    QTreeWidgetItem *addRow(const TkavConnection &connection, bool system);
    void setRow(QTreeWidgetItem *row, const QString &name, bool system, const QString &connection);
    bool editRow(TkavConnectionItemEdit &edit);
    void updateButtons();

    QTreeWidget *FConnLV;
    QPushButton *FEditB;
    QPushButton *FDeleteB;
};
