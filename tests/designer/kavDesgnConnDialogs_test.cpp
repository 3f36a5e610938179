// The connections editor and the report data dialog through the designer's commands (the
// stores written or kept, the report changed as one undo step or left byte-identical), and
// what every designer dialog shares: its place remembered and brought back on screen, F1
// asking for its help page; with the page options' pictures and the designer's colours.

#include "kavDesignerTestSupport.h"
#include "kavDialogTestSupport.h"

#include <data/kavFileDataSets.h>
#include <designer/dialogs/kavDesgnConnEditor.h>
#include <designer/dialogs/kavDesgnDialogPlace.h>
#include <designer/dialogs/kavDesgnOptionsEditor.h>
#include <designer/dialogs/kavDesgnPageOptions.h>
#include <designer/dialogs/kavDesgnReportData.h>
#include <designer/dialogs/kavDesgnReportOptions.h>
#include <designer/dialogs/kavDesgnVarEditor.h>
#include <designer/window/kavDesgnForm.h>
#include <designer/window/kavDesgnPlacement.h>
#include <designer/workspace/kavDesgnPanel.h>
#include <report/kavConnections.h>
#include <report/kavDataSets.h>
#include <report/kavPages.h>
#include <report/kavReportOptions.h>
#include <rtl/kavSettings.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QDockWidget>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

using namespace Qt::StringLiterals;

namespace {

using Connections = QList<TkavConnection>;

class ConnDialogsTest : public DesignerTest
{
protected:
    void SetUp() override
    {
        DesignerTest::SetUp();
        TkavIniFile::SetUserConfigRoot(dir.filePath(u"user"_s));
        QDir(dir.path()).mkpath(u"user"_s);
        QDir(dir.path()).mkpath(u"machine"_s);
        kavSetMachineConfigRoot(dir.filePath(u"machine"_s));
        doc.reset(); // the window's designer is the only one on the report
        report->SetIniFile(dir.filePath(u"designer.ini"_s));
    }
    void TearDown() override
    {
        form.reset();
        settings.reset();
        TkavIniFile::SetUserConfigRoot(QString());
        kavSetMachineConfigRoot(QString());
        DesignerTest::TearDown();
    }
    // A designer window, standalone or not.
    TkavDesignerForm &openForm(bool standalone)
    {
        settings = std::make_unique<TkavDesigner>();
        settings->SetStandalone(standalone);
        form = std::make_unique<TkavDesignerForm>(*report);
        form->Document().NewReport();
        return *form;
    }
    // Runs a command whose modal dialog the steps answer.
    void run(const char *command, std::function<void(QDialog &)> steps)
    {
        whenOpen(std::move(steps));
        form->Command(QString::fromLatin1(command))->trigger();
    }
    static QTreeWidgetItem *row(QDialog &editor, const QString &name)
    {
        const auto found = field<QTreeWidget>(editor, "ConnLV")->findItems(name, Qt::MatchExactly);
        return found.isEmpty() ? nullptr : found.first();
    }
    // NewB, then the item dialog filled and confirmed.
    static void addConnection(QDialog &editor, const QString &name, bool system, const QString &connection)
    {
        whenOpen([=](QDialog &item) {
            field<QLineEdit>(item, "NameE")->setText(name);
            field<QRadioButton>(item, system ? "SystemRB" : "UserRB")->setChecked(true);
            field<QLineEdit>(item, "ConnE")->setText(connection);
            item.accept();
        });
        field<QPushButton>(editor, "NewB")->click();
    }
    void deleteRow(QDialog &editor, const QString &name, TModalResult answer)
    {
        field<QTreeWidget>(editor, "ConnLV")->setCurrentItem(row(editor, name));
        ui().MessageAnswers.push_back(answer);
        field<QPushButton>(editor, "DeleteB")->click();
    }

    QTemporaryDir dir;
    std::unique_ptr<TkavDesigner> settings;
    std::unique_ptr<TkavDesignerForm> form;
};

} // namespace

TEST_F(ConnDialogsTest, ConnectionsMenuItemOnlyInAStandaloneDesigner)
{
    EXPECT_FALSE(openForm(false).Command(u"ConnectionsCmd"_s)->isVisible());
    form.reset();
    EXPECT_TRUE(openForm(true).Command(u"ConnectionsCmd"_s)->isVisible());
}

TEST_F(ConnDialogsTest, NewUserConnectionIsWrittenToTheUserStoreAndSystemRowsToTheMachineStore)
{
    kavWriteConnections(true, {{u"Old"_s, u"o"_s}});
    kavWriteConnections(false, {{u"Mine"_s, u"m"_s}});
    openForm(true);
    const QString sales = u"Provider=SQLOLEDB;Data Source=srv,1433;Password=\"a=b\""_s;
    run("ConnectionsCmd", [&](QDialog &editor) {
        auto *list = field<QTreeWidget>(editor, "ConnLV");
        ASSERT_EQ(list->topLevelItemCount(), 2);
        EXPECT_EQ(list->topLevelItem(0)->text(1), u"System"_s); // machine-wide first
        EXPECT_EQ(list->topLevelItem(1)->text(0), u"Mine"_s);
        addConnection(editor, u"Sales"_s, false, sales);
        addConnection(editor, u"Shared"_s, true, u"s"_s);
        EXPECT_EQ(list->currentItem()->text(0), u"Shared"_s); // a new row is selected
        EXPECT_EQ(row(editor, u"Sales"_s)->text(1), u"User"_s);
        EXPECT_EQ(row(editor, u"Sales"_s)->text(2), u"ADO Database"_s);
        field<QPushButton>(editor, "OKB")->click();
    });
    EXPECT_EQ(kavReadConnections(false), (Connections{{u"Mine"_s, u"m"_s}, {u"Sales"_s, sales}}));
    EXPECT_EQ(kavReadConnections(true), (Connections{{u"Old"_s, u"o"_s}, {u"Shared"_s, u"s"_s}}));
    // The report data dialog offers them, machine-wide first.
    EXPECT_EQ(kavConnectionNames(), (QStringList{u"Old"_s, u"Shared"_s, u"Mine"_s, u"Sales"_s}));
}

TEST_F(ConnDialogsTest, DeletingSavesWithOkEnterOrEscapeButTheCloseBoxKeepsTheStores)
{
    kavWriteConnections(false, {{u"A"_s, u"1"_s}, {u"B"_s, u"2"_s}, {u"C"_s, u"3"_s}, {u"D"_s, u"4"_s}});
    openForm(true);
    run("ConnectionsCmd", [&](QDialog &editor) {
        deleteRow(editor, u"A"_s, mrNo);
        EXPECT_NE(row(editor, u"A"_s), nullptr);
        deleteRow(editor, u"A"_s, mrYes);
        EXPECT_EQ(row(editor, u"A"_s), nullptr);
        editor.close(); // the close box
    });
    EXPECT_EQ(ui().CallsOf(u"MessageDlg"_s).at(0).Text, u"Delete connection A?"_s);
    EXPECT_EQ(kavReadConnections(false).size(), 4);

    const std::pair<Qt::Key, const char *> closings[] = {{Qt::Key_Escape, "B"}, {Qt::Key_Return, "C"}};
    for (const auto &[key, name] : closings) {
        run("ConnectionsCmd", [&, key = key, name = name](QDialog &editor) {
            deleteRow(editor, QString::fromLatin1(name), mrYes);
            QTest::keyClick(&editor, key);
        });
        EXPECT_FALSE(kavConnectionStore(false)->ValueExists(u"Connections"_s, QString::fromLatin1(name))) << name;
    }
    run("ConnectionsCmd", [&](QDialog &editor) {
        deleteRow(editor, u"A"_s, mrYes);
        field<QPushButton>(editor, "OKB")->click();
    });
    EXPECT_EQ(kavReadConnections(false), (Connections{{u"D"_s, u"4"_s}}));
}

TEST_F(ConnDialogsTest, RowsOfOneNameAndScopeLeaveTheLaterString)
{
    TkavConnEditorForm editor;
    editor.load();
    addConnection(editor, u"Sales"_s, false, u"one"_s);
    addConnection(editor, u"Sales"_s, false, u"two"_s);
    addConnection(editor, u"SALES"_s, false, u"three"_s); // stored names ignore letter case
    addConnection(editor, u"Sales"_s, true, u"machine"_s);
    editor.apply();
    const Connections user = kavReadConnections(false);
    ASSERT_EQ(user.size(), 1);
    EXPECT_EQ(user.first().ConnectionString, u"three"_s);
    EXPECT_EQ(kavReadConnections(true), (Connections{{u"Sales"_s, u"machine"_s}}));
}

TEST_F(ConnDialogsTest, AStoreThatCannotBeWrittenIsSkipped)
{
    kavSetMachineConfigRoot(dir.filePath(u"no/such/folder"_s));
    TkavConnEditorForm editor;
    editor.load();
    addConnection(editor, u"Everyone"_s, true, u"e"_s);
    addConnection(editor, u"Me"_s, false, u"m"_s);
    editor.apply();
    EXPECT_EQ(kavReadConnections(false), (Connections{{u"Me"_s, u"m"_s}}));
    EXPECT_TRUE(kavReadConnections(true).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(u"no"_s)));
}

TEST_F(ConnDialogsTest, ItemDialogAsksTheApplicationAndRefusesNamesTheStoresCannotKeep)
{
    TkavConnectionItemEdit item;
    item.load(u"Sales"_s, true, u"dsn=a"_s);
    auto *connB = field<QToolButton>(item, "ConnB");
    connB->click(); // no report: nothing happens
    EXPECT_EQ(item.Connection(), u"dsn=a"_s);
    report->SetOnEditConnection([](const QString &s) { return s + u";user=b"_s; });
    item.Report = report.get();
    connB->click();
    EXPECT_EQ(item.Connection(), u"dsn=a;user=b"_s);
    for (const QString &bad : {u""_s, u"  "_s, u"a/b"_s, u"a\\b"_s}) {
        field<QLineEdit>(item, "NameE")->setText(bad);
        EXPECT_FALSE(item.validate()) << bad.toStdString();
        EXPECT_TRUE(field<QLineEdit>(item, "NameE")->property("invalid").toBool());
    }
}

TEST_F(ConnDialogsTest, ReportDataChoosesDataSetsAsOneUndoStepAndCancelKeepsTheBytes)
{
    openForm(false).ShowPage(0);
    DesignerDocument &document = form->Document();
    QFile csv(dir.filePath(u"people.csv"_s));
    ASSERT_TRUE(csv.open(QIODevice::WriteOnly));
    csv.write("Name,City\nAnn,Porto\n");
    csv.close();
    auto addDataSet = [&](const QString &name) {
        auto *ds = dynamic_cast<TkavCSVDataSet *>(document.InsertObject(u"TkavCSVDataSet"_s, 0, 40, 40, 28, 28));
        ds->SetFileName(csv.fileName());
        ds->SetUserName(name);
        return ds;
    };
    TkavDataSet *zeta = addDataSet(u"Zeta"_s);
    TkavDataSet *alpha = addDataSet(u"alpha"_s);
    report->DataSets().Add(zeta);
    document.SetModified(true);
    const QByteArray before = bytes();
    const int undoSteps = document.UndoBuffer().UndoCount();

    run("ReportDataCmd", [](QDialog &dialog) {
        auto *list = field<QListWidget>(dialog, "DatasetsLB");
        ASSERT_EQ(list->count(), 2);
        EXPECT_EQ(list->item(0)->text(), u"alpha"_s); // by name
        EXPECT_EQ(list->item(1)->checkState(), Qt::Checked);
        list->item(0)->setCheckState(Qt::Checked);
        list->item(1)->setCheckState(Qt::Unchecked);
        field<QPushButton>(dialog, "CancelB")->click();
    });
    EXPECT_EQ(bytes(), before);
    EXPECT_EQ(document.UndoBuffer().UndoCount(), undoSteps);

    run("ReportDataCmd", [](QDialog &dialog) {
        auto *list = field<QListWidget>(dialog, "DatasetsLB");
        list->item(0)->setCheckState(Qt::Checked);
        list->item(1)->setCheckState(Qt::Unchecked);
        field<QPushButton>(dialog, "OKB")->click();
    });
    ASSERT_EQ(report->DataSets().Count(), 1);
    EXPECT_EQ(report->DataSets().Items(0)->DataSet(), alpha);
    EXPECT_EQ(document.UndoBuffer().UndoCount(), undoSteps + 1);
    ASSERT_TRUE(document.Undo());
    EXPECT_EQ(bytes(), before);
}

TEST_F(ConnDialogsTest, StandaloneReportDataChoosesOneConnectionName)
{
    kavWriteConnections(true, {{u"Shop"_s, u"machine"_s}});
    kavWriteConnections(false, {{u"Sales"_s, u"s"_s}, {u"shop"_s, u"user"_s}});
    openForm(true);
    report->ReportOptions().SetConnectionName(u"SALES"_s);
    form->Document().SetModified(true);
    const QByteArray before = bytes();

    run("ReportDataCmd", [](QDialog &dialog) {
        auto *list = field<QListWidget>(dialog, "DatasetsLB");
        ASSERT_EQ(list->count(), 2); // Shop once: the stores are asked ignoring letter case
        EXPECT_EQ(list->item(0)->text(), u"Shop"_s);
        EXPECT_EQ(list->item(1)->checkState(), Qt::Checked);
        list->item(0)->setCheckState(Qt::Checked);
        EXPECT_EQ(list->item(1)->checkState(), Qt::Unchecked); // one choice at most
        QTest::keyClick(&dialog, Qt::Key_Escape);
    });
    EXPECT_EQ(bytes(), before);

    run("ReportDataCmd", [](QDialog &dialog) {
        field<QListWidget>(dialog, "DatasetsLB")->item(0)->setCheckState(Qt::Checked);
        field<QPushButton>(dialog, "OKB")->click();
    });
    EXPECT_EQ(report->ReportOptions().ConnectionName(), u"Shop"_s);
    run("ReportDataCmd", [](QDialog &dialog) {
        field<QListWidget>(dialog, "DatasetsLB")->item(0)->setCheckState(Qt::Unchecked);
        dialog.accept();
    });
    EXPECT_EQ(report->ReportOptions().ConnectionName(), QString());
    ASSERT_TRUE(form->Document().Undo());
    ASSERT_TRUE(form->Document().Undo());
    EXPECT_EQ(bytes(), before);
}

TEST_F(ConnDialogsTest, DialogsReopenAsTheyWereLeftAndBackOnScreen)
{
    kavSetDialogSettings([this] { return report->GetIniFile(); });
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    {
        // A place stored off every screen (a screen since removed) comes back onto one.
        const auto ini = report->GetIniFile();
        ini->WriteInteger(u"Form5.TkavProbeDialog"_s, u"Left"_s, screen.right() + 5000);
        ini->WriteInteger(u"Form5.TkavProbeDialog"_s, u"Top"_s, -3000);
        ini->WriteInteger(u"Form5.TkavProbeDialog"_s, u"Width"_s, 260);
        ini->WriteInteger(u"Form5.TkavProbeDialog"_s, u"Height"_s, 180);
    }
    QDialog first;
    kavDesignerDialog(first, u"TkavProbeDialog"_s);
    first.show();
    EXPECT_EQ(first.size(), QSize(260, 180));
    EXPECT_TRUE(screen.contains(QRect(first.pos(), first.size()))) << first.pos().x() << "," << first.pos().y();
    first.resize(300, 210);
    first.hide();
    EXPECT_EQ(report->GetIniFile()->ReadInteger(u"Form5.TkavProbeDialog"_s, u"Width"_s, 0), 300);

    QDialog second;
    kavDesignerDialog(second, u"TkavProbeDialog"_s);
    second.show();
    EXPECT_EQ(second.size(), QSize(300, 210));
    second.hide();
    kavSetDialogSettings({});

    // The real dialogs carry it: the report data dialog keeps its size for the next opening.
    {
        TkavReportDataForm data;
        data.show();
        data.resize(410, 333);
        data.reject();
    }
    TkavReportDataForm again;
    again.show();
    EXPECT_EQ(again.size(), QSize(410, 333));
}

TEST_F(ConnDialogsTest, F1InEachDesignerDialogAsksForItsPage)
{
    TkavReportPage *page = report->Pages(1) ? dynamic_cast<TkavReportPage *>(report->Pages(1)) : nullptr;
    ASSERT_NE(page, nullptr);
    const auto pageOf = [](const char *name) {
        return kavResourceTable().helpPage(QString::fromLatin1(name));
    };
    struct Row
    {
        const char *className;
        std::function<std::unique_ptr<QDialog>()> make;
    };
    const Row rows[] = {
        {"TkavPageEditorForm", [] { return std::make_unique<TkavPageEditorForm>(duCM); }},
        {"TkavReportEditorForm", [] { return std::make_unique<TkavReportEditorForm>(); }},
        {"TkavOptionsEditor", [] { return std::make_unique<TkavOptionsEditor>(); }},
        {"TkavVarEditorForm", [this] { return std::make_unique<TkavVarEditorForm>(*report); }},
        {"TkavConnEditorForm", [] { return std::make_unique<TkavConnEditorForm>(); }},
        {"TkavConnectionItemEdit", [] { return std::make_unique<TkavConnectionItemEdit>(); }},
        {"TkavReportDataForm", [] { return std::make_unique<TkavReportDataForm>(); }},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.className);
        const std::unique_ptr<QDialog> dialog = r.make();
        dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        QApplication::setActiveWindow(dialog.get());
        QWidget *focus = dialog->findChild<QLineEdit *>();
        if (!focus)
            focus = dialog->findChild<QAbstractItemView *>();
        ASSERT_NE(focus, nullptr);
        focus->setFocus();
        const qsizetype before = ui().HelpTopics.size();
        QTest::keyClick(focus, Qt::Key_F1);
        EXPECT_EQ(ui().HelpTopics.mid(before), QStringList{pageOf(r.className)});
        EXPECT_NE(QFileInfo(pageOf(r.className)).fileName(), u"index.html"_s);
        dialog->reject();
    }
}

TEST_F(ConnDialogsTest, PageOptionsShowThePictureOfTheCheckedOrientation)
{
    auto *page = dynamic_cast<TkavReportPage *>(report->Pages(1));
    ASSERT_NE(page, nullptr);
    page->SetOrientation(poLandscape);
    TkavPageEditorForm dialog(duCM);
    dialog.load(*page);
    dialog.show();
    EXPECT_TRUE(field<QLabel>(dialog, "LandscapeImg")->isVisible());
    EXPECT_FALSE(field<QLabel>(dialog, "PortraitImg")->isVisible());
    field<QRadioButton>(dialog, "PortraitRB")->click();
    EXPECT_TRUE(field<QLabel>(dialog, "PortraitImg")->isVisible());
    EXPECT_FALSE(field<QLabel>(dialog, "LandscapeImg")->isVisible());
}

TEST_F(ConnDialogsTest, ChosenColoursPaintTheWorkspaceAndTheToolWindows)
{
    TkavDesignerForm &window = openForm(false);
    window.resize(900, 700);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.ShowPage(1);
    window.Document().SetScale(0.3); // the page leaves room around it
    ui().ColorAnswers = {TColor(0x00FF00), TColor(0x0000FF)}; // colours are blue-green-red
    run("OptionsCmd", [](QDialog &dialog) {
        field<QPushButton>(dialog, "WorkspaceB")->click();
        field<QPushButton>(dialog, "ToolB")->click();
        dialog.accept();
    });
    QWidget *backdrop = window.findChild<QScrollArea *>(u"ScrollBox"_s)->viewport();
    const QImage shot = backdrop->grab().toImage();
    EXPECT_EQ(QColor(shot.pixel(shot.width() - 3, shot.height() - 3)), QColor(0, 255, 0));
    QWidget *inspector = window.findChild<QDockWidget *>(u"InspectorDock"_s)->widget();
    EXPECT_EQ(inspector->palette().color(QPalette::Base), QColor(255, 0, 0));

    // Back to the system colour: the theme's look again.
    window.Document().Options().WorkspaceColor = int(clWindow);
    window.Document().Options().ToolsColor = int(clWindow);
    run("OptionsCmd", [](QDialog &dialog) { dialog.accept(); });
    EXPECT_EQ(backdrop->palette().color(backdrop->backgroundRole()), QApplication::palette().color(QPalette::Dark));
    EXPECT_EQ(inspector->palette().color(QPalette::Base), QApplication::palette().color(QPalette::Base));
}
