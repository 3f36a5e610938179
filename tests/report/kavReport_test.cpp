// The report as a document: what a load takes from a file and what it keeps, the data page,
// passwords, silent modes, data sets and variables in the file, damaged files, and a
// template holding every class with every property set that must come back byte for byte.
#include "kavReportTestSupport.h"

#include <persist/kavRes.h>
#include <persist/kavVariables.h>
#include <persist/kavXML.h>
#include <prepared/kavPreviewPages.h>
#include <report/kavClass.h>
#include <report/kavConnections.h>
#include <report/kavDialogs.h>
#include <rtl/kavFormat.h>
#include <rtl/kavRTTI.h>
#include <rtl/kavSettings.h>
#include <rtl/kavStreams.h>
#include <rtl/kavUIServicesFake.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <kavTestSupport.h>

using namespace Qt::StringLiterals;

namespace {

class ReportDoc : public TkavReportTest
{
protected:
    // A report element around body (pages and nested elements) with the root attributes.
    static QByteArray kv3(const QString &attributes, const QString &body)
    {
        return (u"<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<TkavReport"_s + attributes + u">"_s
                + body + u"</TkavReport>"_s)
            .toUtf8();
    }

    TkavFakeUIServicesScope FUI;
};

TEST_F(ReportDoc, NewReportHasTheInitialDocument)
{
    TkavReport report;
    EXPECT_EQ(report.Version(), u"5.2.3"_s);
    EXPECT_EQ(report.IniFile(), u"\\Software\\Orvane"_s);
    EXPECT_EQ(report.ScriptLanguage(), u"PascalScript"_s);
    EXPECT_EQ(report.ScriptText().Text(), u"begin\r\n\r\nend.\r\n"_s);
    EXPECT_EQ(report.SysVariables().CommaText(),
              u"Date,Time,Page,Page#,TotalPages,TotalPages#,Line,Line#,CopyName#"_s);
    EXPECT_TRUE(report.ShowProgress());
    EXPECT_TRUE(report.StoreInDFM());
    EXPECT_EQ(report.PagesCount(), 0);
}

TEST_F(ReportDoc, VersionIsAlwaysTheCurrentOne)
{
    TkavReport report;
    load(report, kv3(u" Version=\"1.0\""_s, QString()));
    EXPECT_EQ(report.Errors().Count(), 0) << qPrintable(report.Errors().Text());
    EXPECT_EQ(report.Version(), u"5.2.3"_s);
    EXPECT_TRUE(save(report).contains("Version=\"5.2.3\""));
}

// Only the document and a few options come from a file; what the application set stays.
TEST_F(ReportDoc, LoadKeepsTheApplicationsOptions)
{
    TkavReport report;
    report.EngineOptions().SetMaxMemSize(99);
    report.EngineOptions().SetTempDir(u"x"_s);
    report.EngineOptions().SetNewSilentMode(simSilent);
    report.EngineOptions().SetDestroyForms(false);
    report.PreviewOptions().SetZoom(2);
    report.PreviewOptions().SetModal(false);
    report.SetShowProgress(false);
    report.SetIniFile(u"/tmp/app.ini"_s);
    load(report,
         kv3(u" EngineOptions.MaxMemSize=\"5\" EngineOptions.TempDir=\"y\""
             " EngineOptions.NewSilentMode=\"simReThrow\" EngineOptions.DoublePass=\"True\""
             " EngineOptions.ConvertNulls=\"False\" IniFile=\"z.ini\" ShowProgress=\"True\""
             " PreviewOptions.Zoom=\"3\" PreviewOptions.Modal=\"True\""
             " PreviewOptions.OutlineVisible=\"True\" PreviewOptions.OutlineWidth=\"200\""_s,
             QString()));
    EXPECT_EQ(report.Errors().Count(), 0) << qPrintable(report.Errors().Text());
    EXPECT_EQ(report.EngineOptions().MaxMemSize(), 99);
    EXPECT_EQ(report.EngineOptions().TempDir(), u"x"_s);
    EXPECT_EQ(report.EngineOptions().NewSilentMode(), simSilent);
    EXPECT_FALSE(report.EngineOptions().DestroyForms());
    EXPECT_EQ(report.PreviewOptions().Zoom(), 2);
    EXPECT_FALSE(report.PreviewOptions().Modal());
    EXPECT_FALSE(report.ShowProgress());
    EXPECT_EQ(report.IniFile(), u"/tmp/app.ini"_s);
    // These the file decides.
    EXPECT_TRUE(report.EngineOptions().DoublePass());
    EXPECT_FALSE(report.EngineOptions().ConvertNulls());
    EXPECT_TRUE(report.PreviewOptions().OutlineVisible());
    EXPECT_EQ(report.PreviewOptions().OutlineWidth(), 200);
}

// A template's own file-cache setting counts unless the application chose one, and it
// does not outlive the template.
TEST_F(ReportDoc, FileCacheOptionsComeFromTheFileUnlessTheApplicationChose)
{
    const QByteArray cached
        = kv3(u" EngineOptions.UseFileCache=\"True\" EngineOptions.MaxMemSize=\"1\""_s, QString());
    TkavReport report;
    load(report, cached);
    EXPECT_TRUE(report.EngineOptions().UseFileCache());
    EXPECT_EQ(report.EngineOptions().MaxMemSize(), 1);
    EXPECT_TRUE(save(report).contains("EngineOptions.UseFileCache=\"True\""));
    load(report, kv3(QString(), QString()));
    EXPECT_FALSE(report.EngineOptions().UseFileCache());
    EXPECT_EQ(report.EngineOptions().MaxMemSize(), 10);

    TkavReport chosen;
    chosen.EngineOptions().SetUseFileCache(false);
    chosen.EngineOptions().SetMaxMemSize(50);
    load(chosen, cached);
    EXPECT_FALSE(chosen.EngineOptions().UseFileCache());
    EXPECT_EQ(chosen.EngineOptions().MaxMemSize(), 50);
    chosen.Clear();
    EXPECT_EQ(chosen.EngineOptions().MaxMemSize(), 50);
}

// The template's file cache in a run: old pages go to the swap file in the application's
// folder for temporary files, and the run gives the same pages as without it.
TEST_F(ReportDoc, ATemplatesFileCacheSwapsPagesOutInARun)
{
    const QString body = u"<TkavReportPage Name=\"Page1\"><TkavMasterData Name=\"MD\" Height=\"100\""
                         " Width=\"700\" RowCount=\"120\"><TkavMemoView Name=\"M\" Width=\"200\""
                         " Height=\"18\" Text=\"row [Line]\"/></TkavMasterData></TkavReportPage>"_s;
    const auto run = [&body](const QString &attributes, const QString &tempDir) {
        TkavReport report;
        report.EngineOptions().SetNewSilentMode(simSilent);
        report.EngineOptions().SetTempDir(tempDir);
        load(report, kv3(attributes, body));
        EXPECT_TRUE(report.PrepareReport(true)) << qPrintable(report.Errors().Text());
        auto &store = static_cast<TkavPreviewPages &>(*report.PreviewPages());
        const TkavXMLItem &pages = *store.XMLDoc().Root()->FindItem(u"previewpages"_s);
        const int count = store.Count();
        int swapped = 0;
        QStringList texts;
        for (int i = 0; i < count; ++i) {
            swapped += pages.Items(i)->Loaded() ? 0 : 1;
            for (const TkavComponent *obj : store.GetPage(i)->AllObjects())
                if (auto *memo = dynamic_cast<const TkavMemoView *>(obj))
                    texts << memo->Text();
        }
        // Only the pages' swap file is left; the copy saved before the run is gone.
        const int files = int(QDir(tempDir).entryList({u"kv*"_s}, QDir::Files).size());
        return std::tuple{swapped, files, texts};
    };
    QTemporaryDir dir;
    const auto [swappedInMemory, filesInMemory, inMemory] = run(QString(), dir.path());
    EXPECT_EQ(swappedInMemory, 0);
    EXPECT_EQ(filesInMemory, 0);
    const auto [swapped, files, cached]
        = run(u" EngineOptions.UseFileCache=\"True\" EngineOptions.MaxMemSize=\"0\""_s, dir.path());
    EXPECT_GT(swapped, 4);
    EXPECT_EQ(files, 1);
    EXPECT_EQ(cached, inMemory);
    EXPECT_EQ(inMemory.size(), 120);
}

TEST_F(ReportDoc, DataPageIsAddedFirstAndTakesTheNonVisualComponents)
{
    TkavReport report;
    load(
        report,
        kv3(QString(),
            u"<TkavReportPage Name=\"Page1\"><TkavUserDataSet Name=\"Users\" Left=\"5\"/>"
            "<TkavMasterData Name=\"Data\"/><TkavUserDataSet Name=\"Items\"/></TkavReportPage>"_s));
    EXPECT_EQ(report.Errors().Count(), 0) << qPrintable(report.Errors().Text());
    ASSERT_EQ(report.PagesCount(), 2);
    auto *dataPage = dynamic_cast<TkavDataPage *>(report.Pages(0));
    ASSERT_NE(dataPage, nullptr);
    // "Data" is taken by the band: the page gets its base name and the first free number.
    EXPECT_EQ(dataPage->Name(), u"DataPage1"_s);
    ASSERT_EQ(dataPage->Objects().size(), 2);
    EXPECT_EQ(dataPage->Objects()[0]->Name(), u"Users"_s);
    EXPECT_EQ(dataPage->Objects()[1]->Name(), u"Items"_s);
    EXPECT_EQ(dataPage->Objects()[0]->Left(), 60);
    EXPECT_EQ(dataPage->Objects()[1]->Left(), 124);
    EXPECT_EQ(dataPage->Objects()[1]->Top(), 20);
    EXPECT_EQ(report.Pages(1)->Objects().size(), 1);

    TkavReport plain;
    load(plain, kv3(QString(), u"<TkavReportPage Name=\"Page1\"/>"_s));
    ASSERT_EQ(plain.PagesCount(), 2);
    EXPECT_EQ(plain.Pages(0)->Name(), u"Data"_s);
}

// A text that is not a report changes nothing: the user's document stays whole.
TEST_F(ReportDoc, NotAReportLeavesTheReportAsItWas)
{
    TkavReport report;
    report.EngineOptions().SetNewSilentMode(simSilent);
    load(report, kv3(QString(), u"<TkavReportPage Name=\"Page1\"/>"_s));
    report.ScriptText().SetText(u"begin end."_s);
    const QByteArray before = save(report);

    const QByteArray broken[] = {
        QByteArray("not xml at all"),
        QByteArray("<?xml version=\"1.0\"?><variables><item Name=\"a\"/></variables>"),
        QByteArray(),
    };
    for (const QByteArray &bytes : broken) {
        SCOPED_TRACE(bytes.constData());
        load(report, bytes);
        EXPECT_FALSE(report.LastLoadOk()) << bytes.constData();
        EXPECT_EQ(report.Errors().Text(), u"Invalid file format\r\n"_s) << bytes.constData();
        EXPECT_EQ(save(report), before) << bytes.constData();
    }
}

TEST_F(ReportDoc, SilentModesDecideHowErrorsAreShown)
{
    const QByteArray file = kv3(QString(), u"<TkavNoSuchPage Name=\"X\"/>"_s);
    const QString expected = kavResourceTable().Get(u"clErrors"_s) + u"\r\n"_s
                             + kavResourceTable().Get(u"xrCantFindClass"_s) + u" TkavNoSuchPage"_s;
    {
        TkavReport report;
        load(report, file);
        const auto boxes = FUI.Fake().CallsOf(u"MessageDlg"_s);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].Text, expected);
        EXPECT_EQ(boxes[0].Caption, kavResourceTable().Get(u"mbError"_s));
        EXPECT_EQ(boxes[0].Type, mtError);
        EXPECT_TRUE(report.LastLoadOk()); // the rest of the file loaded
    }
    {
        TkavReport report;
        report.EngineOptions().SetNewSilentMode(simSilent);
        load(report, file);
        EXPECT_EQ(FUI.Fake().CallsOf(u"MessageDlg"_s).size(), 1u); // no new box
        EXPECT_EQ(report.Errors().Count(), 1);
    }
    {
        TkavReport report;
        report.EngineOptions().SetNewSilentMode(simReThrow);
        EXPECT_EQ(kavErrorOf<EkavError>([&] { load(report, file); }), expected);
        // The document is still usable after the error.
        EXPECT_EQ(report.PagesCount(), 1);
        EXPECT_EQ(report.EngineOptions().NewSilentMode(), simReThrow);
    }
}

TEST_F(ReportDoc, PasswordIsStoredShiftedAndCheckedOnLoad)
{
    TkavReport report;
    report.ReportOptions().SetPassword(u"abc"_s);
    const QByteArray file = save(report);
    EXPECT_TRUE(file.contains("ReportOptions.Password=\"WXY\""));
    EXPECT_EQ(report.ReportOptions().Password(), u"abc"_s); // the plain one is back

    // The password the application supplies opens it without a prompt.
    TkavReport hidden;
    hidden.ReportOptions().SetHiddenPassword(u"abc"_s);
    load(hidden, file);
    EXPECT_EQ(hidden.ReportOptions().Password(), u"abc"_s);
    EXPECT_TRUE(FUI.Fake().CallsOf(u"PasswordQuery"_s).empty());

    // Neither do thread-safe loads, which may run where no window can be shown.
    TkavReport threadSafe;
    threadSafe.EngineOptions().SetEnableThreadSafe(true);
    load(threadSafe, file);
    EXPECT_TRUE(FUI.Fake().CallsOf(u"PasswordQuery"_s).empty());
    EXPECT_TRUE(threadSafe.LastLoadOk());

    // Reloading (a run, an undo) never prompts.
    TkavReport reloading;
    reloading.SetReloading(true);
    load(reloading, file);
    EXPECT_TRUE(FUI.Fake().CallsOf(u"PasswordQuery"_s).empty());
    EXPECT_EQ(reloading.ReportOptions().Password(), u"abc"_s);

    // A wrong answer clears the document and says why.
    FUI.Fake().InputAnswers.push_back(u"abd"_s);
    TkavReport wrong;
    wrong.EngineOptions().SetNewSilentMode(simSilent);
    load(wrong, file);
    EXPECT_EQ(FUI.Fake().CallsOf(u"PasswordQuery"_s).size(), 1u);
    EXPECT_EQ(wrong.Errors().Text(), u"Invalid password\r\n"_s);
    EXPECT_TRUE(wrong.ReportOptions().Password().isEmpty());
    EXPECT_EQ(wrong.PagesCount(), 0);

    FUI.Fake().InputAnswers.push_back(u"abc"_s);
    TkavReport right;
    load(right, file);
    EXPECT_EQ(right.Errors().Count(), 0);
    EXPECT_EQ(right.ReportOptions().PrevPassword(), u"abc"_s);
}

// Characters below the shift wrap around 16 bits and control characters survive the file.
TEST_F(ReportDoc, AnyPasswordSurvivesTheFile)
{
    const QString passwords[] = {u"\x01\x09 !\"#$%&'()"_s, u"line\nbreak"_s, u"é€𝄞"_s};
    for (const QString &password : passwords) {
        TkavReport report;
        report.ReportOptions().SetPassword(password);
        const QByteArray file = save(report);
        TkavReport back;
        back.ReportOptions().SetHiddenPassword(password);
        load(back, file);
        EXPECT_EQ(back.Errors().Count(), 0) << qPrintable(back.Errors().Text());
        EXPECT_EQ(back.ReportOptions().Password(), password);
    }
}

TEST_F(ReportDoc, DataSetsAndVariablesTravelInTheFile)
{
    TkavReport report;
    auto *dataPage = TkavComponent::Create<TkavDataPage>(&report);
    dataPage->SetName(u"Data"_s);
    auto *customers = TkavComponent::Create<TkavUserDataSet>(dataPage);
    customers->SetName(u"Customers"_s);
    auto *orders = TkavComponent::Create<TkavUserDataSet>(dataPage);
    orders->SetName(u"Orders"_s);
    orders->SetUserName(u"Order lines"_s);
    report.DataSets().Add(customers);
    report.DataSets().Add(orders);
    report.SetDataSet(orders);
    report.Variables().SetVariable(u" Dates"_s, QString());
    report.Variables().SetVariable(u"Start"_s, u"Date - 30"_s);
    report.Variables().SetVariable(u"Rate"_s, 1.5);

    const QByteArray file = save(report);
    const QString text = QString::fromUtf8(file);
    EXPECT_LT(text.indexOf(u"<Datasets>"), text.indexOf(u"<Variables>"));
    EXPECT_LT(text.indexOf(u"<Variables>"), text.indexOf(u"<TkavDataPage"));

    TkavReport back;
    load(back, file);
    EXPECT_EQ(back.Errors().Count(), 0) << qPrintable(back.Errors().Text());
    ASSERT_EQ(back.DataSets().Count(), 2);
    EXPECT_EQ(back.DataSets().Items(1)->DataSet(), back.FindObject(u"Orders"));
    EXPECT_EQ(back.GetDataset(u"order LINES"_s), back.FindObject(u"Orders"));
    EXPECT_EQ(back.DataSet(), back.FindObject(u"Orders"));
    EXPECT_EQ(back.Variables().Count(), 3);
    EXPECT_EQ(back.Variables().GetVariable(u"Rate"_s).AsString(), u"1.5"_s);
    EXPECT_EQ(save(back), file);

    // A data set that goes away leaves the list and the report's main data set.
    back.FindObject(u"Orders")->Free();
    EXPECT_EQ(back.DataSets().Count(), 1);
    EXPECT_EQ(back.DataSet(), nullptr);
}

TEST_F(ReportDoc, DataSetLookUpByAliasAndField)
{
    TkavReport report;
    auto *customers = TkavComponent::Create<TkavUserDataSet>(&report);
    customers->SetUserName(u"Customers"_s);
    auto *other = TkavComponent::Create<TkavUserDataSet>(&report);
    other->SetUserName(u"Other"_s);
    report.DataSets().Add(customers);

    TkavDataSet *dataSet = nullptr;
    QString field;
    report.GetDatasetAndField(u"Customers.\"Company Name\""_s, dataSet, field);
    EXPECT_EQ(dataSet, customers);
    EXPECT_EQ(field, u"Company Name"_s);
    report.GetDatasetAndField(u"Customers.Name"_s, dataSet, field);
    EXPECT_EQ(dataSet, nullptr);
    EXPECT_TRUE(field.isEmpty());

    EXPECT_EQ(report.GetAlias(customers), u"Customers"_s);
    EXPECT_EQ(report.GetAlias(other), kavResourceTable().Get(u"clDSNotIncl"_s));
    EXPECT_TRUE(report.GetAlias(nullptr).isEmpty());

    TStringList list;
    report.GetDataSetList(list);
    EXPECT_EQ(list.CommaText(), u"Customers"_s);
    report.GetDataSetList(list, true); // user data sets are not database ones
    EXPECT_EQ(list.Count(), 0);

    // A data set the application owns leaves the list when it goes away, too.
    auto external = std::make_unique<TkavUserDataSet>();
    external->SetUserName(u"External"_s);
    report.DataSets().Add(external.get());
    report.SetDataSet(external.get());
    ASSERT_EQ(report.DataSets().Count(), 2);
    external.reset();
    EXPECT_EQ(report.DataSets().Count(), 1);
    EXPECT_EQ(report.DataSet(), nullptr);
    EXPECT_EQ(report.DataSetName(), u"External"_s); // the name stays to say what is missing
}

TEST_F(ReportDoc, RunningWithAMissingDataSetFailsBeforeStarting)
{
    TkavReport report;
    report.EngineOptions().SetNewSilentMode(simSilent);
    report.DataSets().Add()->SetInheritedName(u"x"_s);
    static_cast<TkavDataSetItem *>(report.DataSets().Items(0))->SetDataSetName(u"X"_s);
    EXPECT_FALSE(report.PrepareReport());
    EXPECT_EQ(report.Errors().Text(),
              Format(kavResourceTable().Get(u"clDSNotExist"_s), {Variant(u"X"_s)}) + u"\r\n"_s);
    EXPECT_TRUE(FUI.Fake().CallsOf(u"MessageDlg"_s).empty());

    report.EngineOptions().SetNewSilentMode(simReThrow);
    EXPECT_TRUE(kavErrorOf<EkavError>([&] {
                    report.PrepareReport();
                }).startsWith(kavResourceTable().Get(u"clErrors"_s) + u"\r\n"_s));
}

// Damaged and hostile files: every problem is one line in Errors, the rest loads.
TEST_F(ReportDoc, DamagedContentGivesErrorLinesAndLoadsTheRest)
{
    const QString page = u"<TkavReportPage Name=\"Page1\">"
                         "<TkavFooView Name=\"F\"><TkavMemoView Name=\"Inside\"/></TkavFooView>"
                         "<TkavFooView Name=\"G\"/>"
                         "<TkavMasterData Name=\"MasterData1\" Height=\"12,5\" Top=\"abc\""
                         " Foo=\"1\" Nothing.Name=\"x\">"
                         "<TkavMemoView Name=\"Memo1\" HAlign=\"99\" VAlign=\"vaNowhere\""
                         " Font.Name=\"Courier New\" Width=\"1 234,5\"/>"
                         "<TkavReportPage Name=\"Nested\"/>"
                         "</TkavMasterData></TkavReportPage>"_s;
    TkavReport report;
    report.EngineOptions().SetNewSilentMode(simSilent);
    load(report, kv3(QString(), page));
    EXPECT_TRUE(report.LastLoadOk());
    const QString errors = report.Errors().Text();
    EXPECT_EQ(report.Errors().Count(), 5) << qPrintable(errors);
    EXPECT_TRUE(errors.contains(u"TkavFooView"_s));
    EXPECT_TRUE(errors.contains(u"abc"_s));
    EXPECT_EQ(report.FindObject(u"Inside"), nullptr);
    EXPECT_EQ(report.FindObject(u"Nested"), nullptr);
    auto *band = dynamic_cast<TkavBand *>(report.FindObject(u"MasterData1"));
    ASSERT_NE(band, nullptr);
    EXPECT_EQ(band->Height(), 12.5);
    auto *memo = dynamic_cast<TkavMemoView *>(report.FindObject(u"Memo1"));
    ASSERT_NE(memo, nullptr);
    EXPECT_EQ(memo->HAlign(), haLeft);
    EXPECT_EQ(memo->VAlign(), vaTop);
    EXPECT_EQ(memo->Font().Name(), u"Courier New"_s);
    EXPECT_EQ(memo->Width(), 1234.5);
}

TEST_F(ReportDoc, HostileStructureNeverCrashes)
{
    TkavReport report;
    report.EngineOptions().SetNewSilentMode(simSilent);

    QString deep = u"<TkavReportPage Name=\"P\">"_s;
    for (int i = 0; i < 5000; ++i)
        deep += u"<TkavChild Name=\"C%1\">"_s.arg(i);
    load(report, kv3(QString(), deep)); // unterminated and absurdly deep
    EXPECT_FALSE(report.LastLoadOk());
    EXPECT_FALSE(report.Errors().Text().isEmpty());
    for (int i = 0; i < 5000; ++i)
        deep += u"</TkavChild>"_s;
    load(report, kv3(QString(), deep + u"</TkavReportPage>"_s)); // well formed, as deep
    EXPECT_FALSE(report.Errors().Text().isEmpty());

    const QString huge(4 * 1024 * 1024, u'x');
    load(
        report,
        kv3(u" ScriptLanguage=\""_s + huge + u"\""_s,
            u"<TkavReportPage Name=\"P\"><TkavMasterData Name=\"B\"><TkavMemoView Name=\"M\" Text=\""_s
                + huge + u"\"/></TkavMasterData></TkavReportPage>"_s));
    EXPECT_TRUE(report.LastLoadOk());
    auto *memo = dynamic_cast<TkavMemoView *>(report.FindObject(u"M"));
    ASSERT_NE(memo, nullptr);
    EXPECT_EQ(memo->Text().size(), huge.size() + 2);

    // Elements out of place and a report inside a report.
    load(report,
         kv3(QString(),
             u"<TkavMemoView Name=\"Loose\"/><TkavReport/><TkavReportPage Name=\"P\">"
             "<TkavReportPage Name=\"Q\"/></TkavReportPage>"_s));
    EXPECT_TRUE(report.LastLoadOk());
    EXPECT_EQ(report.FindObject(u"Loose"), nullptr);
    EXPECT_EQ(report.FindObject(u"Q"), nullptr);
    EXPECT_EQ(report.PagesCount(), 2); // the data page and P
}

// Counts from a file that would make a run allocate or loop without end are refused with an
// error line each; the property keeps its value and the rest of the file is read.
TEST_F(ReportDoc, CountsFromAFileAreBoundedAndTheLoadGoesOn)
{
    TkavReport report;
    report.EngineOptions().SetNewSilentMode(simSilent);
    load(report,
         kv3(u" PrintOptions.Copies=\"100000\""_s,
             u"<TkavReportPage Name=\"Page1\" Columns=\"795\" PageCount=\"2000000000\">"
             "<TkavMasterData Name=\"MD\" Height=\"20\" Columns=\"100001\" RowCount=\"1000001\">"
             "<TkavMemoView Name=\"M\" Width=\"100\" Height=\"18\" Text=\"row\"/>"
             "</TkavMasterData></TkavReportPage>"
             "<TkavReportPage Name=\"Page2\" Columns=\"794\"/>"_s));
    const QString errors = report.Errors().Text();
    for (const char16_t *value :
         {u"'795'", u"'2000000000'", u"'100001'", u"'1000001'", u"'100000'"})
        EXPECT_TRUE(errors.contains(QString::fromUtf16(value))) << qPrintable(errors);
    auto *page = dynamic_cast<TkavReportPage *>(report.FindObject(u"Page1"_s));
    auto *band = dynamic_cast<TkavDataBand *>(report.FindObject(u"MD"_s));
    ASSERT_TRUE(page && band);
    EXPECT_EQ(page->Columns(), 0);
    EXPECT_EQ(page->ColumnPositions().Count(), 0);
    EXPECT_EQ(page->PageCount(), 1);
    EXPECT_EQ(band->Columns(), 0);
    EXPECT_EQ(band->RowCount(), 0);
    EXPECT_EQ(report.PrintOptions().Copies(), 1);
    EXPECT_NE(report.FindObject(u"M"_s), nullptr);
    // An A4 page is 794 pixels wide: as many columns as that is still a page.
    auto *second = dynamic_cast<TkavReportPage *>(report.FindObject(u"Page2"_s));
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->Columns(), 794);
}

TEST_F(ReportDoc, FilesOnDisk)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(u"a.kv3"_s);

    TkavReport report;
    EXPECT_FALSE(report.LoadFromFile(path));
    EXPECT_TRUE(report.FileName().isEmpty());
    EXPECT_FALSE(kavErrorOf<EStreamError>([&] { report.LoadFromFile(path, true); }).isEmpty());

    auto *page = TkavComponent::Create<TkavReportPage>(&report);
    page->CreateUniqueName();
    report.SetParentReport(dir.filePath(u"base/parent.kv3"_s));
    report.SaveToFile(path);
    EXPECT_EQ(report.FileName(), path);
    EXPECT_EQ(report.ParentReport(), u"base/parent.kv3"_s);

    TkavReport back;
    EXPECT_TRUE(back.LoadFromFile(path));
    EXPECT_EQ(back.FileName(), path);
    EXPECT_NE(back.FindObject(u"Page1"), nullptr);

    // Opening a file that is not a report keeps the open document and its name.
    const QString notReport = dir.filePath(u"notes.txt"_s);
    QFile text(notReport);
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("shopping list");
    text.close();
    back.EngineOptions().SetNewSilentMode(simSilent);
    EXPECT_TRUE(back.LoadFromFile(notReport));
    EXPECT_FALSE(back.LastLoadOk());
    EXPECT_EQ(back.FileName(), path);
    EXPECT_NE(back.FindObject(u"Page1"), nullptr);

    // A save that fails half way leaves the old file as it was.
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    const QByteArray old = [&] {
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    if (!QFileInfo(dir.path()).isWritable()) { // root ignores the permission
        EXPECT_FALSE(kavErrorOf<EStreamError>([&] { back.SaveToFile(path); }).isEmpty());
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        EXPECT_EQ(f.readAll(), old);
    }
    QFile::setPermissions(dir.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

TEST_F(ReportDoc, CustomDataTravelsThroughTheApplicationsCallbacks)
{
    TkavReport report;
    report.SetOnSaveCustomData(
        [](TkavXMLItem &item) { item.Add(u"Layout"_s)->SetProp(u"Dock", u"left"_s); });
    const QByteArray file = save(report);
    EXPECT_TRUE(file.contains("<KavCustomData>"));

    QString dock;
    TkavReport back;
    back.SetOnGetCustomData([&dock](TkavXMLItem &item) {
        if (const TkavXMLItem *layout = item.FindItem(u"Layout"_s))
            dock = layout->GetProp(u"Dock");
    });
    load(back, file);
    EXPECT_EQ(back.Errors().Count(), 0) << qPrintable(back.Errors().Text());
    EXPECT_EQ(dock, u"left"_s);
    // Without a handler the element is skipped, never read as a component.
    TkavReport plain;
    load(plain, file);
    EXPECT_EQ(plain.Errors().Count(), 0);
}

TEST_F(ReportDoc, ConnectionNameHandsOverTheStoredConnections)
{
    QTemporaryDir config;
    const QString oldRoot = TkavIniFile::UserConfigRoot();
    TkavIniFile::SetUserConfigRoot(config.path());
    kavSetMachineConfigRoot(config.filePath(u"machine"_s));
    QDir(config.path()).mkdir(u"machine"_s);
    {
        TkavIniFile settings(u"\\Software\\Orvane"_s);
        settings.WriteString(u"Connections"_s, u"Shop"_s, u"sqlite:shop.db"_s);
        settings.WriteString(u"ConnectionsFIB"_s, u"Shop"_s, u"fib:shop"_s);
        kavConnectionStore(true)->WriteString(u"Connections"_s, u"shop"_s, u"machine:shop"_s);
    }
    TkavReport report;
    QStringList received;
    report.ReportOptions().SetConnectionName(u"Shop"_s); // no handler: nothing happens
    report.SetOnSetConnection([&received](const QString &c) { received << c; });
    report.ReportOptions().SetConnectionName(u"Shop"_s);
    report.ReportOptions().SetConnectionName(u"Unknown"_s);
    // The machine-wide store is asked first; names match ignoring letter case.
    EXPECT_EQ(received, (QStringList{u"machine:shop"_s, u"sqlite:shop.db"_s, u"fib:shop"_s}));
    TkavIniFile::SetUserConfigRoot(oldRoot);
    kavSetMachineConfigRoot(QString());
}

// A template as older versions wrote it: decimal commas, an old version number, data
// sets, variables, a memo with two formats and two highlights.
TEST_F(ReportDoc, LegacyTemplateLoadsWhole)
{
    TkavReport report;
    ASSERT_TRUE(report.LoadFromFile(QStringLiteral(KAV_TEST_DATA "/invoice_legacy.kv3")));
    EXPECT_EQ(report.Errors().Count(), 0) << qPrintable(report.Errors().Text());
    EXPECT_EQ(report.Version(), u"5.2.3"_s);
    EXPECT_EQ(report.ReportOptions().CreateDate(), 39069.9383864931);
    EXPECT_EQ(report.Variables().GetVariable(u"Vat"_s).AsString(), u"0.21"_s);
    EXPECT_EQ(report.Variables().GetVariable(u"Due"_s).AsString(), u"Date + 30"_s);
    ASSERT_EQ(report.DataSets().Count(), 2);
    EXPECT_EQ(report.GetDataset(u"Order lines"_s), report.FindObject(u"Lines"));
    auto *total = dynamic_cast<TkavMemoView *>(report.FindObject(u"MemoTotal"));
    ASSERT_NE(total, nullptr);
    EXPECT_EQ(total->Formats().Count(), 2);
    EXPECT_EQ(total->Highlights().Count(), 2);
    auto *band = dynamic_cast<TkavDataBand *>(report.FindObject(u"DetailData1"));
    ASSERT_NE(band, nullptr);
    EXPECT_EQ(band->Top(), 139.84261);
    EXPECT_EQ(band->DataSet(), report.FindObject(u"Lines"));
    EXPECT_EQ(report.ScriptText().Count(), 7);
}

// ---------------------------------------------------------------------------------------
// Every class, every property

// Gives every writable property of obj a value other than its initial one, by kind.
void fillProperties(TPersistent &obj, TkavReport &report, int depth)
{
    for (const TkavPropInfo *prop : obj.ClassInfo().Props()) {
        // A data-set name is the chosen data set's user name: the reference decides it.
        // ParentReport names a file the report loads (inheritance has its own tests).
        if (prop->Name() == u"Name" || prop->Name() == u"DataSetName" || prop->Name() == u"ParentReport"
            || (prop->IsReadOnly() && prop->Kind() != pkObject))
            continue;
        try {
            switch (prop->Kind()) {
            case pkInteger:
            case pkInt64:
            case pkChar: {
                const qint64 value
                    = std::clamp<qint64>(prop->GetOrd(obj) + 3, prop->MinValue(), prop->MaxValue());
                prop->SetOrd(obj, value);
                break;
            }
            case pkEnumeration:
                prop->SetOrd(obj, prop->EnumInfo()->MaxValue());
                break;
            case pkSet:
                prop->SetOrd(obj, prop->SetInfo()->ValidMask());
                break;
            case pkFloat:
                prop->SetFloat(obj, prop->GetFloat(obj) + 12.5);
                break;
            case pkString:
                prop->SetStr(obj, prop->Name() + u" <&\"é>"_s);
                break;
            case pkEvent:
                prop->SetStr(obj, prop->Name() + u"Handler"_s);
                break;
            case pkVariant:
                prop->SetVar(obj, Variant(u"v"_s));
                break;
            case pkStringList:
                prop->SetStr(obj, u"first\r\nsecond \"line\""_s);
                break;
            case pkObject:
                if (TPersistent *nested = prop->GetObject(obj); nested && depth < 3)
                    fillProperties(*nested, report, depth + 1);
                break;
            case pkComponent:
                for (TkavComponent *c : report.AllObjects()) {
                    if (c != &obj && c->ClassInfo().InheritsFrom(*prop->ObjectClass())) {
                        prop->SetObject(obj, c);
                        break;
                    }
                }
                break;
            default:
                break;
            }
        } catch (const Exception &) {
            // A value a setter refuses (a circular reference, a range) keeps the old one.
        }
    }
}

// Where an object of cls can live in a template.
TkavComponent *parentFor(const TkavClassInfo &cls,
                         TkavReport &report,
                         TkavComponent *dataPage,
                         TkavComponent *dialogPage,
                         TkavComponent *page,
                         TkavComponent *band)
{
    if (cls.InheritsFrom(TkavPage::StaticClassInfo()))
        return &report;
    if (cls.InheritsFrom(TkavDialogControl::StaticClassInfo()))
        return dialogPage;
    if (cls.InheritsFrom(TkavDialogComponent::StaticClassInfo()))
        return dataPage;
    if (cls.InheritsFrom(TkavBand::StaticClassInfo()))
        return page;
    return band;
}

TEST_F(ReportDoc, EveryClassAndPropertyRoundTripsToIdenticalBytes)
{
    TkavReport report;
    auto *dataPage = TkavComponent::Create<TkavDataPage>(&report);
    dataPage->SetName(u"Data"_s);
    auto *page = TkavComponent::Create<TkavReportPage>(&report);
    page->CreateUniqueName();
    auto *band = TkavComponent::Create<TkavMasterData>(page);
    band->CreateUniqueName();
    auto *dialogPage = TkavComponent::Create<TkavDialogPage>(&report);
    dialogPage->CreateUniqueName();

    QStringList classes;
    for (const TkavClassInfo *cls : kavRegisteredDescendants(TkavComponent::StaticClassInfo())) {
        if (!cls->CanCreate() || cls->InheritsFrom(TkavReport::StaticClassInfo()))
            continue;
        TkavComponent *c = TkavComponent::Create(cls->ClassName(),
                                                 parentFor(*cls, report, dataPage, dialogPage, page, band));
        c->CreateUniqueName();
        classes << cls->ClassName();
    }
    ASSERT_GT(classes.size(), 20);
    for (TkavComponent *c : report.AllObjects())
        fillProperties(*c, report, 0);
    fillProperties(report, report, 0);
    report.ReportOptions().SetPassword(QString()); // no prompt on the way back
    report.Variables().SetVariable(u"Total"_s, u"<Sum>"_s);
    report.DataSets().Add(dynamic_cast<TkavDataSet *>(report.FindObject(u"UserDataSet1")));

    const QByteArray once = save(report);
    const QString text = QString::fromUtf8(once);
    for (const QString &name : classes)
        EXPECT_TRUE(text.contains(u"<"_s + name + u" "_s)) << qPrintable(name);

    // A load keeps most options as the application set them: give the second report the
    // same ones, so the bytes compare the document.
    TkavReport second;
    second.SetEngineOptions(report.EngineOptions());
    second.SetPreviewOptions(report.PreviewOptions());
    second.SetIniFile(report.IniFile());
    second.SetOldStyleProgress(report.OldStyleProgress());
    second.SetShowProgress(report.ShowProgress());
    second.SetStoreInDFM(report.StoreInDFM());
    load(second, once); // (its silent mode is simReThrow: an error would throw here)
    EXPECT_EQ(second.Errors().Count(), 0) << qPrintable(second.Errors().Text());
    const QByteArray twice = save(second);
    if (twice != once) { // show the first differing line rather than two walls of bytes
        const QStringList a = text.split(u"\r\n"_s), b = QString::fromUtf8(twice).split(u"\r\n"_s);
        for (qsizetype i = 0; i < std::min(a.size(), b.size()); ++i) {
            qsizetype at = 0;
            while (at < std::min(a[i].size(), b[i].size()) && a[i][at] == b[i][at])
                ++at;
            ASSERT_EQ(b[i].mid(at, 80).toStdString(), a[i].mid(at, 80).toStdString())
                << "line " << i + 1 << ": " << qPrintable(a[i].left(at).right(120));
        }
        ASSERT_EQ(b.size(), a.size());
    }
}

} // namespace
