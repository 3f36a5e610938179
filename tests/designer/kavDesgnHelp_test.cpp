// Help: F1 in each window asks the UI services for that window's own page, a docked window
// wins over its host's F1 shortcut, every window class with a topic has its page in the
// shipped guide, and a missing page is reported by name.

#include "kavDesignerTestSupport.h"

#include <designer/code/kavDesgnSyntaxMemo.h>
#include <designer/inspector/kavDesgnInspector.h>
#include <designer/trees/kavDesgnDataTree.h>
#include <designer/trees/kavDesgnExprEditor.h>
#include <designer/trees/kavDesgnReportTree.h>
#include <output/kavHelpKey.h>
#include <output/kavUIServicesQt.h>
#include <persist/kavResHelp.h>
#include <preview/kavPreviewForm.h>
#include <rtl/kavFormat.h>
#include <script/ky_langs.h>
#include <scriptlib/kavScriptLibrary.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMainWindow>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

class HelpTest : public DesignerTest
{
protected:
    void SetUp() override
    {
        DesignerTest::SetUp();
        kyRegisterBuiltinLanguages();
        kavRegisterScriptLibrary();
        report->SetIniFile(dir.filePath(u"settings.ini"_s));
    }
    // Shows window, presses F1 on target (the focus inside it) and returns the pages asked for.
    QStringList pressF1(QWidget &window, QWidget &target)
    {
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
        QApplication::setActiveWindow(window.window());
        target.setFocus();
        const qsizetype before = ui().HelpTopics.size();
        QTest::keyClick(&target, Qt::Key_F1);
        return ui().HelpTopics.mid(before);
    }
    static QString page(const QString &name) { return kavResourceTable().helpFolder() + u'/' + name; }

    QTemporaryDir dir;
};

TEST_F(HelpTest, F1InEachWindowAsksForItsOwnPage)
{
    struct Row
    {
        const char *window;
        std::function<QWidget *(QWidget *&focus)> make;
        QString page;
    };
    const Row rows[] = {
        {"code editor",
         [](QWidget *&focus) { return focus = new TkavSyntaxMemo; },
         u"Script.htm"_s},
        {"data tree",
         [this](QWidget *&focus) {
             auto *w = new TkavDataTreeForm(*report);
             focus = w->findChild<QWidget *>(QString(), Qt::FindChildrenRecursively);
             return w;
         },
         u"Data_tree.htm"_s},
        {"report tree",
         [this](QWidget *&focus) {
             auto *w = new TkavReportTreeForm(*report);
             focus = w->findChild<QWidget *>(u"Tree"_s);
             return w;
         },
         u"Report_tree.htm"_s},
        {"expression editor",
         [this](QWidget *&focus) {
             auto *w = new TkavExprEditorForm(*report);
             focus = w->findChild<QLineEdit *>(u"ExprMemo"_s);
             return w;
         },
         u"Expressions.htm"_s},
        {"object inspector",
         [this](QWidget *&focus) {
             auto *w = new TkavObjectInspector(*doc);
             focus = w->findChild<QWidget *>(u"ObjectsCB"_s);
             return w;
         },
         u"Object_inspector.htm"_s},
        {"object inspector's edit box",
         [this](QWidget *&focus) {
             auto *w = new TkavObjectInspector(*doc);
             w->Inspect({report->Pages(0)});
             w->SetItemIndex(0);
             focus = w->findChild<QLineEdit *>(u"EditBox"_s);
             return w;
         },
         u"Object_inspector.htm"_s},
        {"preview window",
         [](QWidget *&focus) { return focus = new TkavPreviewForm; },
         u"Preview.htm"_s},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.window);
        QWidget *focus = nullptr;
        std::unique_ptr<QWidget> window(row.make(focus));
        ASSERT_NE(focus, nullptr);
        EXPECT_EQ(pressF1(*window, *focus), QStringList{page(row.page)});
    }
}

TEST_F(HelpTest, DockedWindowWinsOverTheHostsF1Shortcut)
{
    QMainWindow host;
    auto *central = new QWidget(&host);
    auto *layout = new QVBoxLayout(central);
    auto *hostEdit = new QLineEdit(central);
    auto *tree = new TkavReportTreeForm(*report, central);
    layout->addWidget(hostEdit);
    layout->addWidget(tree);
    host.setCentralWidget(central);
    auto *hostHelp = new QAction(&host);
    hostHelp->setShortcut(Qt::Key_F1);
    host.addAction(hostHelp);
    int hostHelpRuns = 0;
    QObject::connect(hostHelp, &QAction::triggered, [&] { ++hostHelpRuns; });

    EXPECT_EQ(pressF1(host, *tree->findChild<QWidget *>(u"Tree"_s)), QStringList{page(u"Report_tree.htm"_s)});
    EXPECT_EQ(hostHelpRuns, 0);
    // Outside the docked window the host's own F1 runs; Shift+F1 is not help.
    EXPECT_EQ(pressF1(host, *hostEdit), QStringList());
    EXPECT_EQ(hostHelpRuns, 1);
    QTest::keyClick(tree->findChild<QWidget *>(u"Tree"_s), Qt::Key_F1, Qt::ShiftModifier);
    EXPECT_EQ(ui().HelpTopics.size(), 1);
}

// Every page the resource table names is in the guide built beside the program.
TEST(HelpPages, EveryWindowTopicIsAShippedPage)
{
    TkavResourceOptions options;
    options.helpFolder = QStringLiteral(KAV_HELP_DIR);
    options.restoreLanguage = false;
    const TkavResources table(options);
    const QStringList classes = kavHelpTopicClasses();
    ASSERT_GE(classes.size(), 17);
    for (const QString &name : classes) {
        const QString file = table.helpPage(name);
        EXPECT_NE(QFileInfo(file).fileName(), u"index.html"_s) << name.toStdString();
        EXPECT_TRUE(QFileInfo(file).isFile()) << file.toStdString();
    }
    EXPECT_TRUE(QFileInfo(table.helpPage(u"QWidget"_s)).isFile());
}

// A fake whose browser never takes a page.
class NoBrowser : public TkavFakeUIServices
{
public:
    bool OpenHelpTopic(const QString &topic) override
    {
        TkavFakeUIServices::OpenHelpTopic(topic);
        return false;
    }
};

TEST(HelpPages, AMissingPageIsReportedByName)
{
    QTemporaryDir help;
    QFile(help.filePath(u"Script.htm"_s)).open(QIODevice::WriteOnly);
    TkavResourceOptions options;
    options.helpFolder = help.path();
    options.restoreLanguage = false;
    const TkavResources table(options);
    auto fake = std::make_unique<NoBrowser>();
    NoBrowser &ui = *fake;
    auto previous = kavSetUIServices(std::move(fake));
    table.Help(u"TkavVarEditorForm"_s);
    table.Help(u"TkavSyntaxMemo"_s); // there, only the browser failed: not called missing
    const auto mine = kavSetUIServices(std::move(previous)); // keeps the fake alive for the checks
    const auto errors = ui.CallsOf(u"MessageDlg"_s);
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0].Text, Format(table.Get(u"clFileNotFound"_s), {Variant(help.filePath(u"Variables.htm"_s))}));
    EXPECT_EQ(errors[1].Text, Format(table.Get(u"clHelpNotShown"_s), {Variant(help.filePath(u"Script.htm"_s))}));
    EXPECT_EQ(errors[0].Type, mtError);
}

// The Qt services open the full paths the resource table gives, and only files.
TEST(HelpPages, QtServicesFindPagesByFullPathOrInTheirFolder)
{
    QTemporaryDir help;
    QFile(help.filePath(u"Script.htm"_s)).open(QIODevice::WriteOnly);
    TkavUIServicesQt ui;
    ui.SetHelpFolder(help.path());
    const QString script = help.filePath(u"Script.htm"_s);
    EXPECT_EQ(ui.HelpFilePath(script), script);
    EXPECT_EQ(ui.HelpFilePath(u"Script.htm"_s), script);
    EXPECT_EQ(ui.HelpFilePath(u"KVUser.chm::/Script.htm"_s), script);
    EXPECT_EQ(ui.HelpFilePath(help.filePath(u"Missing.htm"_s)), QString());
    EXPECT_EQ(ui.HelpFilePath(help.path()), QString());
    EXPECT_EQ(ui.HelpFilePath(u"../Script.htm"_s), QString());
}

} // namespace
