#include "kavDesgnTableWizard.h"

#include <data/kavSQLDataSets.h>
#include <designer/dialogs/kavDesgnDialogButtons.h>
#include <designer/dialogs/kavDesgnDialogPlace.h>
#include <designer/document/kavDesgnDocument.h>
#include <report/kavDataSets.h>
#include <report/kavPages.h>
#include <report/kavReport.h>
#include <rtl/kavExceptions.h>
#include <rtl/kavStrings.h>
#include <rtl/kavUIServices.h>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlError>

using namespace Qt::StringLiterals;

namespace {

// A component name made of the table's name: letters, digits and underscores, not yet
// taken in the report.
QString nameFor(TkavReport &report, const QString &table)
{
    QString base;
    for (QChar c : table)
        base += c.isLetterOrNumber() || c == u'_' ? c : u'_';
    if (base.isEmpty() || base[0].isDigit())
        base.prepend(u"Table"_s);
    QString name = base;
    for (int i = 2; report.FindObject(name); ++i)
        name = base + QString::number(i);
    return name;
}

// A new object of the data page goes into the next free place of a grid of five columns.
void place(TkavComponent &page, TkavComponent &object)
{
    const int index = int(page.Objects().indexOf(&object));
    object.SetBounds(20 + 130 * (index % 5), 20 + 60 * (index / 5), object.Width(), object.Height());
}

} // namespace

TkavDBTableWizardForm::TkavDBTableWizardForm(DesignerDocument &Designer, QWidget *parent)
    : QDialog(parent)
    , FDesigner(Designer)
    , FReport(Designer.Report())
    , FDatabaseCB(new QComboBox(this))
    , FTablesLB(new QListWidget(this))
    , FErrorL(new QLabel(this))
{
    setObjectName(u"TkavDBTableWizardForm"_s);
    setWindowTitle(kavDialogText("5422"));
    kavDesignerDialog(*this, u"TkavDBTableWizardForm"_s);
    FDatabaseCB->setObjectName(u"DatabaseCB"_s);
    FTablesLB->setObjectName(u"TablesLB"_s);
    FErrorL->setObjectName(u"ErrorL"_s);
    FErrorL->setWordWrap(true);
    FErrorL->setStyleSheet(u"color: #b00000"_s);
    auto *file = new QPushButton(kavDialogText("5424"), this);
    file->setObjectName(u"FileB"_s);
    auto *layout = new QGridLayout(this);
    layout->addWidget(new QLabel(kavDialogText("5423"), this), 0, 0);
    layout->addWidget(FDatabaseCB, 0, 1);
    layout->addWidget(file, 0, 2);
    layout->addWidget(new QLabel(kavDialogText("5425"), this), 1, 0, Qt::AlignTop);
    layout->addWidget(FTablesLB, 1, 1, 1, 2);
    layout->addWidget(FErrorL, 2, 0, 1, 3);
    layout->addWidget(kavOkCancelButtons(*this), 3, 0, 1, 3);
    for (TkavComponent *c : FReport.AllObjects())
        if (auto *database = dynamic_cast<TkavSQLDatabase *>(c))
            FDatabaseCB->addItem(database->Name(), QVariant::fromValue(static_cast<void *>(database)));
    connect(FDatabaseCB, &QComboBox::currentIndexChanged, this, [this] { databaseChosen(); });
    connect(file, &QPushButton::clicked, this, [this] { chooseFile(); });
    connect(FTablesLB, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    databaseChosen();
    resize(460, 360);
}

TkavDBTableWizardForm::~TkavDBTableWizardForm() = default;

void TkavDBTableWizardForm::chooseFile()
{
    TkavFileDialogOptions options;
    options.Title = kavDialogText("5424");
    options.Filter = kavDialogText("5427");
    QStringList names;
    if (kavUIServices().OpenFileDialog(options, names) && !names.isEmpty())
        SetFile(names.first());
}

void TkavDBTableWizardForm::SetFile(const QString &FileName)
{
    if (!QFileInfo(FileName).isFile()) {
        FErrorL->setText(u"%1: no such file"_s.arg(FileName));
        return;
    }
    FFileDatabase = std::make_unique<TkavSQLDatabase>();
    FFileDatabase->SetDatabaseName(QFileInfo(FileName).absoluteFilePath());
    const int index = FDatabaseCB->findData(QVariant::fromValue(static_cast<void *>(nullptr)));
    if (index >= 0)
        FDatabaseCB->removeItem(index);
    FDatabaseCB->addItem(QFileInfo(FileName).fileName(), QVariant::fromValue(static_cast<void *>(nullptr)));
    FDatabaseCB->setCurrentIndex(FDatabaseCB->count() - 1);
    databaseChosen();
}

void TkavDBTableWizardForm::databaseChosen()
{
    FTablesLB->clear();
    FErrorL->clear();
    if (FDatabaseCB->currentIndex() < 0)
        return;
    auto *database = static_cast<TkavSQLDatabase *>(FDatabaseCB->currentData().value<void *>());
    if (!database)
        database = FFileDatabase.get();
    try {
        const QSqlDatabase connection = database->Connection();
        QStringList tables = connection.tables(QSql::Tables) + connection.tables(QSql::Views);
        tables.sort(Qt::CaseInsensitive);
        FTablesLB->addItems(tables);
        FTablesLB->setCurrentRow(0);
        // A file that is no database opens all the same and only lists nothing.
        if (tables.isEmpty())
            FErrorL->setText(u"%1: %2"_s.arg(FDatabaseCB->currentText(), connection.lastError().isValid()
                                                                          ? connection.lastError().text()
                                                                          : u"no tables or views"_s));
    } catch (const Exception &e) {
        FErrorL->setText(e.Message());
    }
}

TkavSQLQuery *TkavDBTableWizardForm::CreateQuery()
{
    TkavComponent *page = FDesigner.DataPage();
    const QListWidgetItem *table = FTablesLB->currentItem();
    if (!page || !table || FDatabaseCB->currentIndex() < 0)
        return nullptr;
    auto *database = static_cast<TkavSQLDatabase *>(FDatabaseCB->currentData().value<void *>());
    const bool newDatabase = !database;
    if (newDatabase) {
        database = TkavComponent::DesignCreate<TkavSQLDatabase>(page);
        database->SetName(nameFor(FReport, QFileInfo(FFileDatabase->DatabaseName()).baseName() + u"DB"_s));
        database->SetDatabaseName(FFileDatabase->DatabaseName());
    }
    auto *query = TkavComponent::DesignCreate<TkavSQLQuery>(page);
    query->SetName(nameFor(FReport, table->text()));
    query->SetUserName(table->text());
    query->SetDatabase(database);
    TStringList sql;
    sql.SetText(u"select * from \"%1\""_s.arg(QString(table->text()).replace(u'"', u"\"\""_s)));
    query->SetSQL(sql);
    if (newDatabase)
        place(*page, *database);
    place(*page, *query);
    FReport.DataSets().Add(query);
    return query;
}
