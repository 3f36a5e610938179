#pragma once

// The New Item dialog: the registered wizards on one page, the template reports on the
// other; OK (or a double click) runs the chosen wizard or makes a new report of the
// chosen template.

#include <QDialog>
#include <QStringList>

class DesignerDocument;
class QCheckBox;
class QListWidget;
class QTabWidget;

class TkavNewItemForm : public QDialog
{
public:
    explicit TkavNewItemForm(DesignerDocument &Designer, QWidget *parent = nullptr);

    // Runs what was chosen (after OK); true when the report changed.
    bool Run();

private:
    bool fromTemplate(const QString &fileName, bool inherit);

    DesignerDocument &FDesigner;
    QStringList FTemplates; // full names, in list order
    QTabWidget *FPages;
    QListWidget *FItemsLV;
    QListWidget *FTemplatesLV;
    QCheckBox *FInheritCB;
};

// The designer's "New..." command: the dialog, then what was chosen in it.
bool kavNewItem(DesignerDocument &Designer, QWidget *parent);
