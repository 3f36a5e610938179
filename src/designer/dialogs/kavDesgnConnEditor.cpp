#include "kavDesgnConnEditor.h"

#include "kavDesgnDialogButtons.h"
#include "kavDesgnDialogPlace.h"

#include <persist/kavRes.h>
#include <report/kavReport.h>
#include <rtl/kavUIServices.h>

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// The row texts the stores and the report data dialog go by.
const QString systemScope = u"System"_s;
const QString userScope = u"User"_s;
const QString adoKind = u"ADO Database"_s;
constexpr int stringRole = Qt::UserRole;

QPushButton *button(QWidget *parent, const char *name, const char *captionKey)
{
    auto *b = new QPushButton(kavDialogText(captionKey), parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

void markInvalid(QWidget *field, bool bad)
{
    field->setProperty("invalid", bad);
    field->setStyleSheet(bad ? u"border: 1px solid red"_s : QString());
}

} // namespace

// --- TkavConnectionItemEdit ---------------------------------------------------------------

TkavConnectionItemEdit::TkavConnectionItemEdit(QWidget *parent)
    : QDialog(parent)
    , FNameE(new QLineEdit(this))
    , FSystemRB(new QRadioButton(kavDialogText("5808"), this))
    , FUserRB(new QRadioButton(kavDialogText("5809"), this))
    , FConnE(new QLineEdit(this))
{
    setObjectName(u"ConnectionItemEdit"_s);
    setWindowTitle(kavDialogText("5806"));
    kavDesignerDialog(*this, u"TkavConnectionItemEdit"_s);
    FNameE->setObjectName(u"NameE"_s);
    FSystemRB->setObjectName(u"SystemRB"_s);
    FUserRB->setObjectName(u"UserRB"_s);
    FConnE->setObjectName(u"ConnE"_s);
    FConnE->setMinimumWidth(320);
    auto *connB = new QToolButton(this);
    connB->setObjectName(u"ConnB"_s);
    connB->setText(u"..."_s);
    connect(connB, &QToolButton::clicked, this, [this] { editConnection(); });
    connect(FNameE, &QLineEdit::textEdited, this, [this] { markInvalid(FNameE, false); });

    auto *scope = new QVBoxLayout;
    scope->addWidget(FSystemRB);
    scope->addWidget(FUserRB);
    auto *connection = new QHBoxLayout;
    connection->addWidget(FConnE);
    connection->addWidget(connB);
    auto *form = new QFormLayout;
    form->addRow(kavDialogText("5807"), FNameE);
    form->addRow(kavDialogText("5804"), scope);
    form->addRow(kavDialogText("5810"), connection);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    load(QString(), false, QString());
}

void TkavConnectionItemEdit::load(const QString &name, bool system, const QString &connection)
{
    FNameE->setText(name);
    (system ? FSystemRB : FUserRB)->setChecked(true);
    FConnE->setText(connection);
    markInvalid(FNameE, false);
}

bool TkavConnectionItemEdit::validate()
{
    const bool ok = kavValidConnectionName(Name());
    markInvalid(FNameE, !ok);
    if (!ok)
        FNameE->setFocus();
    return ok;
}

QString TkavConnectionItemEdit::Name() const
{
    return FNameE->text().trimmed();
}

bool TkavConnectionItemEdit::System() const
{
    return FSystemRB->isChecked();
}

QString TkavConnectionItemEdit::Connection() const
{
    return FConnE->text();
}

void TkavConnectionItemEdit::accept()
{
    if (validate())
        QDialog::accept();
}

void TkavConnectionItemEdit::editConnection()
{
    if (Report && Report->OnEditConnection())
        FConnE->setText(Report->OnEditConnection()(FConnE->text()));
}

// --- TkavConnEditorForm --------------------------------------------------------------------

TkavConnEditorForm::TkavConnEditorForm(QWidget *parent)
    : QDialog(parent)
    , FConnLV(new QTreeWidget(this))
    , FEditB(button(this, "EditB", "132"))
    , FDeleteB(button(this, "DeleteB", "5802"))
{
    setObjectName(u"ConnEditorForm"_s);
    setWindowTitle(kavDialogText("5800"));
    kavDesignerDialog(*this, u"TkavConnEditorForm"_s);
    FConnLV->setObjectName(u"ConnLV"_s);
    FConnLV->setHeaderLabels({kavDialogText("cpName"), kavDialogText("5804"), kavDialogText("5805")});
    FConnLV->setRootIsDecorated(false);
    FConnLV->setSelectionMode(QAbstractItemView::SingleSelection);
    FConnLV->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    FConnLV->header()->setStretchLastSection(false);
    connect(FConnLV, &QTreeWidget::itemSelectionChanged, this, [this] { updateButtons(); });
    connect(FConnLV, &QTreeWidget::itemDoubleClicked, this, [this] { EditConnection(); });

    QPushButton *newB = button(this, "NewB", "5801");
    QPushButton *testB = button(this, "TestB", "5803");
    auto *okB = new QPushButton(kavDialogText("clClose"), this);
    okB->setObjectName(u"OKB"_s);
    okB->setDefault(true);
    connect(newB, &QPushButton::clicked, this, [this] { NewConnection(); });
    connect(FEditB, &QPushButton::clicked, this, [this] { EditConnection(); });
    connect(FDeleteB, &QPushButton::clicked, this, [this] { DeleteConnection(); });
    connect(okB, &QPushButton::clicked, this, &QDialog::accept);
    // Connections are opened by the application; there is nothing here to test them with.

    auto *side = new QVBoxLayout;
    for (QPushButton *b : {newB, FEditB, FDeleteB, testB})
        side->addWidget(b);
    side->addStretch();
    side->addWidget(okB);
    auto *layout = new QHBoxLayout(this);
    layout->addWidget(FConnLV, 1);
    layout->addLayout(side);
    resize(520, 300);
    updateButtons();
}

void TkavConnEditorForm::load()
{
    FConnLV->clear();
    for (const bool system : {true, false})
        for (const TkavConnection &c : kavReadConnections(system))
            addRow(c, system);
    updateButtons();
}

void TkavConnEditorForm::apply()
{
    FConnLV->clearSelection();
    for (const bool system : {true, false}) {
        QList<TkavConnection> rows;
        for (int i = 0; i < FConnLV->topLevelItemCount(); ++i) {
            const QTreeWidgetItem *row = FConnLV->topLevelItem(i);
            if (row->text(2) == adoKind && (row->text(1) == systemScope) == system)
                rows.append({row->text(0), row->data(0, stringRole).toString()});
        }
        kavWriteConnections(system, rows);
    }
}

QTreeWidgetItem *TkavConnEditorForm::addRow(const TkavConnection &connection, bool system)
{
    auto *row = new QTreeWidgetItem(FConnLV);
    setRow(row, connection.Name, system, connection.ConnectionString);
    return row;
}

void TkavConnEditorForm::setRow(QTreeWidgetItem *row, const QString &name, bool system, const QString &connection)
{
    row->setText(0, name);
    row->setText(1, system ? systemScope : userScope);
    row->setText(2, adoKind);
    row->setData(0, stringRole, connection);
}

bool TkavConnEditorForm::editRow(TkavConnectionItemEdit &edit)
{
    edit.Report = Report;
    return edit.exec() == QDialog::Accepted;
}

void TkavConnEditorForm::NewConnection()
{
    TkavConnectionItemEdit edit(this);
    if (!editRow(edit))
        return;
    QTreeWidgetItem *row = addRow({edit.Name(), edit.Connection()}, edit.System());
    FConnLV->setCurrentItem(row);
}

void TkavConnEditorForm::EditConnection()
{
    QTreeWidgetItem *row = FConnLV->currentItem();
    if (!row || !row->isSelected() || row->text(2) != adoKind)
        return;
    TkavConnectionItemEdit edit(this);
    edit.load(row->text(0), row->text(1) == systemScope, row->data(0, stringRole).toString());
    if (!editRow(edit))
        return;
    setRow(row, edit.Name(), edit.System(), edit.Connection());
    FConnLV->setCurrentItem(row);
}

void TkavConnEditorForm::DeleteConnection()
{
    QTreeWidgetItem *row = FConnLV->currentItem();
    if (!row || !row->isSelected())
        return;
    const QString question = u"Delete connection "_s + row->text(0) + u'?';
    if (kavUIServices().MessageDlg(question, mtConfirmation, {mbYes, mbNo}) == mrYes)
        std::unique_ptr<QTreeWidgetItem>(FConnLV->takeTopLevelItem(FConnLV->indexOfTopLevelItem(row)));
    updateButtons();
}

void TkavConnEditorForm::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier)
        accept();
    else
        QDialog::keyPressEvent(event);
}

void TkavConnEditorForm::updateButtons()
{
    const QTreeWidgetItem *row = FConnLV->currentItem();
    const bool selected = row && row->isSelected();
    FEditB->setEnabled(selected && row->text(2) == adoKind);
    FDeleteB->setEnabled(selected);
}
