// The report wizards: the generator's column fitting, the report made without data and one
// over the demo database that runs at once; the wizard dialog, the table wizard, the New
// Item dialog and its templates, and what Cancel and an unsaved report keep.

#include "kavDesignerTestSupport.h"

#include <data/kavSQLDataSets.h>
#include <designer/wizards/kavDesgnWizardGen.h>
#include <prepared/kavPreviewPages.h>
#include <report/kavBands.h>
#include <report/kavPages.h>
#include <designer/wizards/kavDesgnNewItem.h>
#include <designer/wizards/kavDesgnTableWizard.h>
#include <designer/wizards/kavDesgnWizardForm.h>
#include <designer/wizards/kavDesgnWizards.h>
#include <report/kavDMP.h>
#include <report/kavStyles.h>

#include "kavDialogTestSupport.h"

#include <QCheckBox>
#include <QLabel>
#include <QSet>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

TEST(WizardColumns, WiderDataShrinksInProportionAndCaptionsScaleWhenTheyAloneDoNotFit)
{
    EXPECT_EQ(kavWizardColumnWidths({40, 40}, {100, 20}, 100, true), (QList<double>{60, 40}));
    EXPECT_EQ(kavWizardColumnWidths({40, 40}, {100, 20}, 100, false), (QList<double>{100, 40}));
    EXPECT_EQ(kavWizardColumnWidths({40, 40}, {50, 70}, 200, true), (QList<double>{50, 70})); // fits
    // Two excesses of 60 and 20 share the 40 too many as 30 and 10.
    EXPECT_EQ(kavWizardColumnWidths({20, 20, 20}, {80, 40, 10}, 100, true), (QList<double>{50, 30, 20}));
    EXPECT_EQ(kavWizardColumnWidths({60, 90}, {10, 10}, 100, true), (QList<double>{40, 60}));
}

TEST_F(DesignerTest, WizardWithoutDataMakesTitleEmptyDataBandAndFooter)
{
    kavWizardGenerate(*report, {});
    auto *title = dynamic_cast<TkavReportTitle *>(find(u"ReportTitle1"_s));
    ASSERT_NE(title, nullptr);
    ASSERT_EQ(title->Objects().size(), 1);
    auto *caption = dynamic_cast<TkavMemoView *>(title->Objects()[0]);
    ASSERT_NE(caption, nullptr);
    EXPECT_EQ(caption->Text().trimmed(), u"Report"_s);
    EXPECT_EQ(caption->Style(), u"Title"_s);
    auto *master = dynamic_cast<TkavMasterData *>(find(u"MasterData1"_s));
    ASSERT_NE(master, nullptr);
    EXPECT_EQ(master->DataSet(), nullptr);
    EXPECT_TRUE(master->Objects().isEmpty());
    auto *footer = dynamic_cast<TkavPageFooter *>(find(u"PageFooter1"_s));
    ASSERT_NE(footer, nullptr);
    QStringList texts;
    for (TkavComponent *c : footer->Objects())
        texts << dynamic_cast<TkavMemoView *>(c)->Text().trimmed();
    EXPECT_TRUE(texts.contains(u"[Date] [Time]"_s) && texts.contains(u"Page [Page#]"_s)) << texts.join(u'|').toStdString();
    EXPECT_EQ(find(u"PageHeader1"_s) != nullptr, true); // the tabular captions' band
}

namespace {

// The demo database and a query of its customers on the report's data page.
TkavSQLQuery *addDemoCustomers(TkavReport &report)
{
    TkavComponent *dataPage = report.Pages(0);
    auto *database = TkavComponent::DesignCreate<TkavSQLDatabase>(dataPage);
    database->SetName(u"DemoDB"_s);
    database->SetDatabaseName(QStringLiteral(KAV_DEMO_DB));
    auto *query = TkavComponent::DesignCreate<TkavSQLQuery>(dataPage);
    query->SetName(u"Customers"_s);
    query->SetDatabase(database);
    TStringList sql;
    sql.SetText(u"select name, city, country from customers order by country, name"_s);
    query->SetSQL(sql);
    return query;
}

QStringList texts(const QListWidget *list)
{
    QStringList result;
    for (int i = 0; i < list->count(); ++i)
        result << list->item(i)->text();
    return result;
}

void selectText(QListWidget *list, const QString &text)
{
    const QList<QListWidgetItem *> found = list->findItems(text, Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1) << text.toStdString();
    list->setCurrentItem(found[0]);
}

} // namespace

// A newcomer's first report: the customers of the demo database grouped by country, in the
// built-in style sheet's first set.
TEST_F(DesignerTest, WizardReportOverTheDemoDatabaseRunsAtOnce)
{
    TkavSQLQuery *query = addDemoCustomers(*report);
    TkavStyleSheet sheet;
    sheet.LoadBuiltIn();

    TkavWizardChoice choice;
    choice.DataSet = query;
    choice.Fields = {u"name"_s, u"city"_s};
    choice.Groups = {u"country"_s};
    choice.Style = sheet.Items(0);
    kavWizardGenerate(*report, choice);

    auto *group = dynamic_cast<TkavGroupHeader *>(find(u"GroupHeader1"_s));
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->Condition(), u"Customers.\"country\""_s);
    EXPECT_EQ(report->DataSets().Count(), 1);
    EXPECT_EQ(report->Styles().Count(), sheet.Items(0)->Count());
    auto *master = dynamic_cast<TkavMasterData *>(find(u"MasterData1"_s));
    ASSERT_NE(master, nullptr);
    ASSERT_EQ(master->Objects().size(), 2); // the group field is no column
    double right = 0;
    for (TkavComponent *c : master->Objects())
        right = std::max(right, c->Left() + c->Width());
    EXPECT_LE(right, master->Width() + 1);

    ASSERT_TRUE(report->PrepareReport(true)) << report->Errors().Text().toStdString();
    EXPECT_TRUE(report->Errors().Text().isEmpty()) << report->Errors().Text().toStdString();
    const QString dump = kavDumpPreparedPages(*report->PreviewPages());
    EXPECT_TRUE(dump.contains(u"\"France\""_s)) << dump.left(2000).toStdString();
    EXPECT_TRUE(dump.contains(u"\"Berg Supplies\""_s));
    EXPECT_TRUE(dump.contains(u"\"Marseille\""_s));
    EXPECT_GT(report->PreviewPages()->Count(), 1); // 200 customers
}

// The wizard dialog over the report's own query: all fields, grouped by country. Finish
// keeps the data page (connections and queries) and makes a report that prepares at once.
TEST_F(DesignerTest, WizardDialogGroupsTheChosenFieldsAndKeepsTheData)
{
    addDemoCustomers(*report);
    report->SetFileName(u"/tmp/old.kv3"_s);
    TkavStdWizardForm form(*doc, false);
    auto *dataSets = field<QListWidget>(form, "DataSetsLB");
    EXPECT_EQ(texts(dataSets), QStringList{u"Customers"_s});
    EXPECT_FALSE(field<QPushButton>(form, "BackB")->isEnabled());
    auto *available = field<QListWidget>(form, "AvailableFieldsLB");
    EXPECT_EQ(texts(available), (QStringList{u"name"_s, u"city"_s, u"country"_s}));
    field<QPushButton>(form, "AddAllFieldsB")->click();
    EXPECT_EQ(available->count(), 0);
    auto *selected = field<QListWidget>(form, "SelectedFieldsLB");
    selected->setCurrentRow(1);
    field<QPushButton>(form, "FieldUpB")->click(); // city, name, country
    form.ShowStep(TkavStdWizardForm::stGroups);
    auto *groupable = field<QListWidget>(form, "AvailableGroupsLB");
    EXPECT_EQ(texts(groupable), (QStringList{u"city"_s, u"name"_s, u"country"_s}));
    selectText(groupable, u"country"_s);
    field<QPushButton>(form, "AddGroupB")->click();
    EXPECT_EQ(texts(field<QListWidget>(form, "GroupsLB")), QStringList{u"country"_s});
    form.ShowStep(TkavStdWizardForm::stStyle);
    EXPECT_FALSE(field<QPushButton>(form, "NextB")->isEnabled());
    field<QRadioButton>(form, "LandscapeRB")->setChecked(true);
    EXPECT_EQ(form.Choice().Fields, (QStringList{u"city"_s, u"name"_s}));

    ASSERT_TRUE(form.Finish());
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_TRUE(report->FileName().isEmpty());
    ASSERT_NE(find(u"DemoDB"_s), nullptr);
    auto *group = find<TkavGroupHeader>(u"GroupHeader1"_s);
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->Condition(), u"Customers.\"country\""_s);
    EXPECT_EQ(dynamic_cast<TkavReportPage *>(doc->Page())->Orientation(), poLandscape);
    ASSERT_TRUE(report->PrepareReport(true)) << report->Errors().Text().toStdString();
    EXPECT_TRUE(kavDumpPreparedPages(*report->PreviewPages()).contains(u"\"Marseille\""_s));
}

// A newcomer without data: the table wizard opens the demo database file and offers its
// tables; the wizard then lists every field of the chosen table.
TEST_F(DesignerTest, TableWizardAddsAQueryOverAnSQLiteFile)
{
    TkavStdWizardForm form(*doc, false);
    EXPECT_EQ(field<QListWidget>(form, "DataSetsLB")->count(), 0);
    whenOpen([](QDialog &dialog) {
        auto *table = dynamic_cast<TkavDBTableWizardForm *>(&dialog);
        ASSERT_NE(table, nullptr);
        table->SetFile(QStringLiteral(KAV_DEMO_DB));
        auto *tables = field<QListWidget>(dialog, "TablesLB");
        EXPECT_TRUE(texts(tables).contains(u"orders"_s)) << texts(tables).join(u',').toStdString();
        selectText(tables, u"customers"_s);
        dialog.accept();
    });
    field<QPushButton>(form, "NewTableB")->click();
    EXPECT_EQ(texts(field<QListWidget>(form, "DataSetsLB")), QStringList{u"customers"_s});
    EXPECT_TRUE(texts(field<QListWidget>(form, "AvailableFieldsLB")).contains(u"country"_s));
    EXPECT_EQ(report->DataSets().Count(), 0); // the generator's to fill
    field<QPushButton>(form, "AddAllFieldsB")->click();
    selectText(field<QListWidget>(form, "AvailableGroupsLB"), u"country"_s);
    field<QPushButton>(form, "AddGroupB")->click();
    ASSERT_TRUE(form.Finish());
    ASSERT_TRUE(report->PrepareReport(true)) << report->Errors().Text().toStdString();
    // The wizard's own query returns its rows in group order: each country heads one group.
    QStringList countries;
    for (const QString &line : kavDumpPreparedPages(*report->PreviewPages()).split(u'\n'))
        if (line.contains(u"TkavGroupHeader"_s))
            countries << line;
    EXPECT_GT(countries.size(), 3);
    EXPECT_LT(countries.size(), 30) << "one header per country, not per change of an unsorted row";
    EXPECT_TRUE(find<TkavSQLQuery>(u"customers"_s)->SQL().Text().contains(u"order by \"country\""_s));
}

// Cancel after the table wizard added a query takes it back: the report is byte for byte
// what it was, still modified, with its data set list.
TEST_F(DesignerTest, WizardCancelLeavesTheReportAsItWas)
{
    addDemoCustomers(*report);
    report->DataSets().Add(dynamic_cast<TkavDataSet *>(find(u"Customers"_s)));
    ASSERT_TRUE(insertMemo(10, masterTop() + 2));
    doc->SetModified(true);
    const QByteArray before = bytes();
    TkavStdWizardForm form(*doc, false);
    whenOpen([](QDialog &dialog) {
        selectText(field<QListWidget>(dialog, "TablesLB"), u"orders"_s);
        dialog.accept();
    });
    field<QPushButton>(form, "NewTableB")->click();
    EXPECT_EQ(texts(field<QListWidget>(form, "DataSetsLB")), (QStringList{u"Customers"_s, u"orders"_s}));
    field<QPushButton>(form, "AddAllFieldsB")->click();
    field<QPushButton>(form, "CancelB")->click();
    EXPECT_EQ(form.result(), QDialog::Rejected);
    EXPECT_EQ(bytes().toStdString(), before.toStdString());
    EXPECT_TRUE(doc->Modified());
}

// New... on a modified report asks first: Cancel keeps it; No goes on to an empty report
// (dot-matrix here). The dot-matrix wizard has no style step.
TEST_F(DesignerTest, WizardsReplacingAModifiedReportAskToSaveFirst)
{
    ASSERT_TRUE(insertMemo(10, masterTop() + 2));
    const QByteArray before = bytes();
    ui().MessageAnswers = {mrCancel};
    EXPECT_FALSE(kavRunWizard(*doc, nullptr, u"TkavDMPEmptyWizard"_s));
    EXPECT_EQ(bytes().toStdString(), before.toStdString());
    EXPECT_EQ(ui().CallsOf(u"MessageDlg"_s).size(), 1u);

    ui().MessageAnswers = {mrNo};
    ASSERT_TRUE(kavRunWizard(*doc, nullptr, u"TkavDMPEmptyWizard"_s));
    EXPECT_TRUE(report->DotMatrixReport());
    EXPECT_NE(dynamic_cast<TkavDMPPage *>(find(u"Page1"_s)), nullptr);
    EXPECT_EQ(find(u"MasterData1"_s), nullptr);
    EXPECT_TRUE(doc->Modified());

    TkavStdWizardForm dmp(*doc, true);
    dmp.ShowStep(TkavStdWizardForm::stStyle);
    EXPECT_EQ(dmp.CurrentStep(), TkavStdWizardForm::stLayout);
    EXPECT_FALSE(field<QPushButton>(dmp, "NextB")->isEnabled());
}

// The New Item dialog lists the wizards in registration order; a template gives a new,
// unnamed report that copies or inherits it; a broken one leaves the report as it was.
TEST_F(DesignerTest, NewItemOffersTheWizardsAndTheTemplates)
{
    QTemporaryDir dir;
    TkavMemoView *inserted = insertMemo(10, masterTop() + 2);
    ASSERT_TRUE(inserted);
    const QString memo = inserted->Name();
    report->SaveToFile(dir.filePath(u"letter.kv3"_s));
    QFile broken(dir.filePath(u"broken.kv3"_s));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly) && broken.write("<TkavReport"));
    broken.close();
    TkavDesigner settings;
    settings.SetTemplateDir(dir.path());
    ui().MessageAnswers = {mrNo};
    ASSERT_TRUE(doc->NewReport());

    auto newItem = [&](int page, const QString &entry, bool inherit) {
        TkavNewItemForm form(*doc);
        field<QTabWidget>(form, "PagesPC")->setCurrentIndex(page);
        auto *list = field<QListWidget>(form, page == 0 ? "ItemsLV" : "TemplatesLV");
        selectText(list, entry);
        field<QCheckBox>(form, "InheritCB")->setChecked(inherit);
        return form.Run();
    };
    {
        TkavNewItemForm form(*doc);
        const QStringList wizards = texts(field<QListWidget>(form, "ItemsLV"));
        ASSERT_EQ(wizards.size(), kavWizardRegistry().Count());
        EXPECT_EQ(wizards.first(), u"Standard Report"_s);
        EXPECT_EQ(texts(field<QListWidget>(form, "TemplatesLV")), (QStringList{u"broken.kv3"_s, u"letter.kv3"_s}));
    }
    ASSERT_TRUE(newItem(1, u"letter.kv3"_s, false));
    EXPECT_TRUE(report->FileName().isEmpty());
    EXPECT_TRUE(report->ParentReport().isEmpty());
    EXPECT_NE(find(memo), nullptr);
    EXPECT_TRUE(doc->Modified());

    doc->SetModified(false);
    ASSERT_TRUE(newItem(1, u"letter.kv3"_s, true));
    EXPECT_EQ(report->ParentReport(), dir.filePath(u"letter.kv3"_s)); // outside the program folder
    EXPECT_TRUE(report->FileName().isEmpty());
    ASSERT_NE(find(memo), nullptr);
    EXPECT_TRUE(find(memo)->IsAncestor());

    const QByteArray before = bytes();
    ui().MessageAnswers = {mrNo};
    EXPECT_FALSE(newItem(1, u"broken.kv3"_s, false));
    EXPECT_EQ(bytes().toStdString(), before.toStdString());
}

// Rows too wide for the page wrap: data 5 mm lower, captions 6 mm lower. A columnar layout
// puts a caption and a value on each line instead.
TEST_F(DesignerTest, WideRowsWrapAndColumnarLayoutPairsCaptionsWithValues)
{
    TkavWizardChoice choice;
    for (int i = 1; i <= 12; ++i)
        choice.Fields << u"Field%1"_s.arg(i);
    choice.FitToWidth = false;
    kavWizardGenerate(*report, choice);
    const auto tops = [&](const QString &band) {
        QSet<double> result;
        for (TkavComponent *c : find(band)->Objects())
            if (!dynamic_cast<TkavCustomMemoView *>(c)->Style().startsWith(u"Header line"_s))
                result << std::round(c->Top() * 100) / 100;
        return result;
    };
    const double mm = kavMMToPixels;
    EXPECT_EQ(tops(u"MasterData1"_s), (QSet<double>{0, std::round(5 * mm * 100) / 100}));
    EXPECT_EQ(tops(u"PageHeader1"_s), (QSet<double>{0, std::round(6 * mm * 100) / 100}));
    EXPECT_NEAR(find(u"MasterData1"_s)->Height(), 10 * mm, 1e-6);

    choice.Fields = {u"Name"_s, u"City"_s};
    choice.Tabular = false;
    kavWizardGenerate(*report, choice);
    EXPECT_EQ(find(u"PageHeader1"_s), nullptr);
    const QList<TkavComponent *> cells = find(u"MasterData1"_s)->Objects();
    ASSERT_EQ(cells.size(), 4);
    EXPECT_EQ(dynamic_cast<TkavMemoView *>(cells[0])->Text().trimmed(), u"Name"_s);
    EXPECT_EQ(dynamic_cast<TkavMemoView *>(cells[1])->DataField(), u"Name"_s);
    EXPECT_GT(cells[1]->Left(), cells[0]->Left() + cells[0]->Width());
    EXPECT_NEAR(cells[2]->Top(), 5 * mm, 1e-6);
}

// The previews draw the sample in the chosen layout and style.
TEST_F(DesignerTest, WizardPreviewsFollowTheLayoutAndStyle)
{
    TkavStdWizardForm form(*doc, false);
    form.resize(700, 500);
    form.ShowStep(TkavStdWizardForm::stLayout);
    form.show();
    auto *preview = field<QWidget>(form, "LayoutPreview");
    const QImage tabular = preview->grab().toImage();
    field<QRadioButton>(form, "ColumnarRB")->setChecked(true);
    const QImage columnar = preview->grab().toImage();
    EXPECT_NE(tabular, columnar);
    form.ShowStep(TkavStdWizardForm::stStyle);
    auto *styles = field<QListWidget>(form, "StylesLB");
    ASSERT_GT(styles->count(), 1);
    auto *sample = field<QWidget>(form, "StylePreview");
    const QImage first = sample->grab().toImage();
    styles->setCurrentRow(1);
    EXPECT_NE(sample->grab().toImage(), first);
}

// The table wizard says why a file gives no tables, and makes nothing without a table.
TEST_F(DesignerTest, TableWizardExplainsAFileWithoutTables)
{
    QTemporaryDir dir;
    TkavDBTableWizardForm form(*doc);
    form.SetFile(dir.filePath(u"missing.db"_s));
    EXPECT_TRUE(field<QLabel>(form, "ErrorL")->text().contains(u"missing.db"_s));
    QFile text(dir.filePath(u"notes.db"_s));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly) && text.write("not a database at all, only words\n") > 0);
    text.close();
    form.SetFile(text.fileName());
    EXPECT_EQ(field<QListWidget>(form, "TablesLB")->count(), 0);
    EXPECT_FALSE(field<QLabel>(form, "ErrorL")->text().isEmpty());
    const int objects = int(report->AllObjects().size());
    EXPECT_EQ(form.CreateQuery(), nullptr);
    EXPECT_EQ(int(report->AllObjects().size()), objects);
}
