// The report wizard's generator: column fitting, the report made without data, and a report
// over the demo database that runs at once, grouped, in the chosen style.

#include "kavDesignerTestSupport.h"

#include <data/kavSQLDataSets.h>
#include <designer/wizards/kavDesgnWizardGen.h>
#include <prepared/kavPreviewPages.h>
#include <report/kavBands.h>
#include <report/kavPages.h>
#include <report/kavStyles.h>

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

// A newcomer's first report: the customers of the demo database grouped by country, in the
// built-in style sheet's first set.
TEST_F(DesignerTest, WizardReportOverTheDemoDatabaseRunsAtOnce)
{
    TkavComponent *dataPage = report->Pages(0);
    auto *database = TkavComponent::Create<TkavSQLDatabase>(dataPage);
    database->SetName(u"DemoDB"_s);
    database->SetDatabaseName(QStringLiteral(KAV_DEMO_DB));
    auto *query = TkavComponent::Create<TkavSQLQuery>(dataPage);
    query->SetName(u"Customers"_s);
    query->SetDatabase(database);
    TStringList sql;
    sql.SetText(u"select name, city, country from customers order by country, name"_s);
    query->SetSQL(sql);
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
