// The program's look: the shipped language files, switching the language of open windows
// from the View menu (remembered; a missing file changes nothing), and the light and dark
// palettes with a code editor that stays readable on both.

#include "kavDesignerTestSupport.h"

#include <designer/code/kavDesgnSyntaxMemo.h>
#include <designer/controls/kavDesgnCtrls.h>
#include <designer/inspector/kavDesgnInspector.h>
#include <designer/trees/kavDesgnDataTree.h>
#include <designer/window/Unit1.h>
#include <designer/window/kavDesgnForm.h>
#include <designer/window/kavDesgnLanguage.h>
#include <designer/window/kavDesgnLook.h>
#include <designer/window/kavDesgnTheme.h>
#include <persist/kavXML.h>
#include <preview/kavPreviewForm.h>
#include <rtl/kavSettings.h>
#include <scriptlib/kavScriptLibrary.h>

#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>

#include <cmath>
#include <functional>

using namespace Qt::StringLiterals;

namespace {

// The folder of the built program, where the build puts the language files.
const QString shippedFolder = QStringLiteral(KAV_LANGUAGE_DIR);

class LookTest : public DesignerTest
{
protected:
    void SetUp() override
    {
        DesignerTest::SetUp();
        kavRegisterScriptLibrary();
        ASSERT_TRUE(dir.isValid());
        TkavIniFile::SetUserConfigRoot(dir.filePath(u"config"_s));
        previousFolder = kavResourceTable().languageFolder();
        for (const QString &name : {u"English.kvc"_s, u"Portuguese.kvc"_s})
            ASSERT_TRUE(QFile::copy(shippedFolder + u'/' + name, dir.filePath(name))) << name.toStdString();
        kavResourceTable().setLanguageFolder(dir.path());
    }
    void TearDown() override
    {
        kavApplyTheme(thSystem);
        kavResourceTable().setLanguageFolder(previousFolder);
        kavResourceTable().loadBuiltIn(blEnglish);
        TkavIniFile::SetUserConfigRoot(QString());
        DesignerTest::TearDown();
    }

    static std::unique_ptr<TkavResources> builtIn(TkavBuiltInLanguage language)
    {
        TkavResourceOptions options;
        options.builtIn = language;
        options.languageFolder = shippedFolder;
        options.restoreLanguage = false;
        return std::make_unique<TkavResources>(options);
    }
    static QAction *item(QMenu &menu, const QString &text)
    {
        for (QAction *action : menu.actions())
            if (action->text() == text)
                return action;
        return nullptr;
    }
    static const TkavCompletionItem *item(const QList<TkavCompletionItem> &items, const QString &text)
    {
        for (const TkavCompletionItem &i : items)
            if (i.Text == text)
                return &i;
        return nullptr;
    }
    static QString checked(QMenu &menu)
    {
        for (QAction *action : menu.actions())
            if (action->isChecked())
                return action->text();
        return {};
    }

    QTemporaryDir dir;
    QString previousFolder;
};

// The keys of a resource document, in document order.
QStringList documentKeys(const QString &fileName)
{
    TkavXMLDocument doc;
    doc.LoadFromFile(fileName);
    QStringList keys;
    for (int i = 0; i < doc.Root()->Count(); ++i)
        keys << doc.Root()->Items(i)->GetProp(u"Name"_s);
    return keys;
}

// Runs fn inside the event loop: the application tells its windows of a new palette only
// while its loop runs, as it does in the program.
void inEventLoop(const std::function<void()> &fn)
{
    QTimer::singleShot(0, qApp, [&fn] {
        fn();
        QTimer::singleShot(0, qApp, &QApplication::quit); // after the windows were told
    });
    QApplication::exec();
}

// Contrast ratio of two colours (1 to 21) by their relative luminance.
double contrast(const QColor &a, const QColor &b)
{
    const auto luminance = [](const QColor &c) {
        const auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The lowest contrast of any coloured run of the editor's text against its background.
double lowestContrast(TkavSyntaxMemo &memo)
{
    double lowest = 21;
    const QColor base = memo.palette().color(QPalette::Base);
    for (QTextBlock block = memo.document()->begin(); block.isValid(); block = block.next())
        for (const QTextLayout::FormatRange &range : block.layout()->formats()) {
            const QBrush brush = range.format.foreground();
            const QColor colour = brush.style() == Qt::NoBrush ? memo.palette().color(QPalette::Text) : brush.color();
            lowest = std::min(lowest, contrast(colour, base));
        }
    return lowest;
}

} // namespace

TEST_F(LookTest, ShippedLanguageFilesHoldTheWholeBuiltInTable)
{
    struct
    {
        QString name;
        TkavBuiltInLanguage language, other;
    } cases[] = {{u"English"_s, blEnglish, blPortuguese}, {u"Portuguese"_s, blPortuguese, blEnglish}};
    for (const auto &c : cases) {
        const auto expected = builtIn(c.language);
        const auto switched = builtIn(c.other);
        EXPECT_TRUE(switched->Languages().contains(c.name));
        QString error;
        ASSERT_TRUE(switched->loadLanguage(c.name, &error)) << error.toStdString();
        const QStringList keys = documentKeys(shippedFolder + u'/' + c.name + u".kvc"_s);
        EXPECT_EQ(switched->count(), expected->count());
        EXPECT_EQ(QSet<QString>(keys.begin(), keys.end()).size(), expected->count());
        for (const QString &key : keys)
            EXPECT_EQ(switched->Get(key), expected->Get(key)) << c.name.toStdString() << ": " << key.toStdString();
    }
}

TEST_F(LookTest, ChoosingALanguageRefreshesOpenWindows)
{
    const auto portuguese = builtIn(blPortuguese);
    TkavDataTreeForm tree(*report);
    TkavObjectInspector inspector(*doc);
    TkavPreviewForm preview;
    TkavSyntaxMemo memo;
    // A window closed before the switch is no longer told.
    std::make_unique<TkavDataTreeForm>(*report).reset();
    QMenu view;
    QMenu *languages = kavAddLanguageMenu(view);
    ASSERT_TRUE(languages);
    EXPECT_EQ(languages->title(), u"Language"_s);
    EXPECT_EQ(checked(*languages), u"English"_s);
    ASSERT_TRUE(item(*languages, u"Portuguese"_s));

    item(*languages, u"Portuguese"_s)->trigger();
    EXPECT_EQ(languages->title(), portuguese->Get(u"2475"_s));
    EXPECT_EQ(checked(*languages), u"Portuguese"_s);
    EXPECT_EQ(TkavResources::rememberedLanguage(), u"Portuguese"_s);
    EXPECT_EQ(tree.windowTitle(), portuguese->Get(u"2100"_s));
    EXPECT_EQ(tree.findChild<QTabBar *>()->tabText(0), portuguese->Get(u"2101"_s));
    EXPECT_EQ(inspector.windowTitle(), portuguese->Get(u"2000"_s));
    EXPECT_EQ(inspector.findChild<QTabBar *>()->tabText(1), portuguese->Get(u"oiEvent"_s));
    EXPECT_EQ(preview.windowTitle(), portuguese->Get(u"100"_s));
    EXPECT_EQ(preview.CloseAction()->text(), portuguese->Get(u"clClose"_s));
    EXPECT_EQ(memo.CreateContextMenu()->actions().first()->text(), portuguese->Get(u"dsUndo"_s));

    // A language whose file has gone: an error naming the file, and nothing changes.
    ASSERT_TRUE(QFile::remove(dir.filePath(u"English.kvc"_s)));
    const size_t calls = ui().Calls.size();
    item(*languages, u"English"_s)->trigger();
    ASSERT_EQ(ui().Calls.size(), calls + 1);
    EXPECT_TRUE(ui().Calls.back().Text.contains(u"English.kvc"_s)) << ui().Calls.back().Text.toStdString();
    EXPECT_EQ(checked(*languages), u"Portuguese"_s);
    EXPECT_EQ(TkavResources::rememberedLanguage(), u"Portuguese"_s);
    EXPECT_EQ(tree.windowTitle(), portuguese->Get(u"2100"_s));
    EXPECT_EQ(kavResourceTable().currentLanguage(), u"Portuguese"_s);
}

TEST_F(LookTest, NoLanguageFilesNoMenu)
{
    kavResourceTable().setLanguageFolder(dir.filePath(u"config"_s));
    QMenu view;
    EXPECT_EQ(kavAddLanguageMenu(view), nullptr);
    EXPECT_TRUE(view.actions().isEmpty());
}

TEST_F(LookTest, ThemesApplyToEveryWindowAndAreStored)
{
    TkavSyntaxMemo memo;
    memo.SetSyntax(u"PascalScript"_s);
    memo.LoadText(u"// a note\nbegin\n  s := 'text' + IntToStr(12);\nend."_s);
    memo.resize(400, 200);
    memo.show();
    QMenu view;
    QMenu *themes = kavAddThemeMenu(view);
    ASSERT_EQ(themes->actions().size(), 3);
    EXPECT_EQ(checked(*themes), u"System"_s);

    inEventLoop([&] { themes->actions()[thDark]->trigger(); });
    EXPECT_EQ(kavStoredTheme(), thDark);
    EXPECT_TRUE(kavDarkPalette(QApplication::palette()));
    EXPECT_TRUE(kavDarkPalette(memo.palette())); // open windows follow
    EXPECT_GE(lowestContrast(memo), 4.5);
    EXPECT_GE(contrast(memo.palette().color(QPalette::Text), memo.palette().color(QPalette::Base)), 7);
    Q_EMIT themes->aboutToShow();
    EXPECT_EQ(checked(*themes), u"Dark"_s);

    inEventLoop([&] { themes->actions()[thLight]->trigger(); });
    EXPECT_EQ(kavStoredTheme(), thLight);
    EXPECT_FALSE(kavDarkPalette(memo.palette()));
    EXPECT_GE(lowestContrast(memo), 4.5);

    inEventLoop([&] { themes->actions()[thSystem]->trigger(); });
    EXPECT_EQ(kavStoredTheme(), thSystem);
    EXPECT_EQ(QApplication::palette(), kavThemePalette(thSystem));
}

// The inspector's values on a dark palette: the text of the value column stands out from
// the grid's background (the classic navy does not).
TEST_F(LookTest, InspectorValuesReadOnADarkPalette)
{
    TkavObjectInspector inspector(*doc);
    inspector.setPalette(kavThemePalette(thDark));
    inspector.resize(300, 400);
    inspector.show();
    inspector.Inspect({insertMemo(10, 10)});
    const QImage grid = inspector.Grid()->grab().toImage();
    const QColor base = inspector.palette().color(QPalette::Base);
    const QRect row = inspector.RowRect(u"Left"_s); // a plain value, drawn as text
    ASSERT_FALSE(row.isEmpty());
    double best = 1;
    for (int y = row.top(); y <= row.bottom(); ++y)
        for (int x = inspector.SplitterPos() + 4; x < grid.width() - 4; ++x)
            best = std::max(best, contrast(grid.pixelColor(x, y), base));
    EXPECT_GE(best, 4.5);
}

// The font box's TrueType mark is drawn in the list's text colour: light on a dark palette.
TEST_F(LookTest, FontKindMarkReadsOnADarkPalette)
{
    TkavFontComboBox box;
    box.setPalette(kavThemePalette(thDark));
    box.PopulateList({TkavFontItem{u"Arial"_s, kavTrueTypeFontType}});
    ASSERT_EQ(box.count(), 1);
    const QImage mark = box.itemIcon(0).pixmap(QSize(14, 12)).toImage();
    int lightest = 0;
    for (int y = 0; y < mark.height(); ++y)
        for (int x = 0; x < mark.width(); ++x)
            if (qAlpha(mark.pixel(x, y)) > 200)
                lightest = std::max(lightest, mark.pixelColor(x, y).lightness());
    EXPECT_GT(lightest, 200);
}

// The host window set up as the program does: the View menu holds the Theme and Language
// submenus; choosing Portuguese re-captions the window's menus, and its script page
// completes with the report's objects.
TEST_F(LookTest, HostWindowFollowsTheViewMenu)
{
    report->SetIniFile(dir.filePath(u"designer.ini"_s));
    doc.reset(); // the window's designer is the only one on the report
    TForm1 form(*report);
    kavSetUpHostLook(form);
    QMenu *view = form.ViewMenu();
    ASSERT_TRUE(view);
    auto *themes = view->findChild<QMenu *>(u"ThemeMI"_s);
    auto *languages = view->findChild<QMenu *>(u"LanguageMI"_s);
    ASSERT_TRUE(themes && languages);
    EXPECT_EQ(themes->actions().size(), 3);
    auto *help = form.menuBar()->findChild<QMenu *>(u"HelpMI"_s);
    ASSERT_TRUE(help);
    EXPECT_EQ(help->title(), kavResourceTable().Get(u"dsHelpMenu"_s));

    item(*languages, u"Portuguese"_s)->trigger();
    EXPECT_EQ(help->title(), builtIn(blPortuguese)->Get(u"dsHelpMenu"_s));
    EXPECT_NE(help->title(), builtIn(blEnglish)->Get(u"dsHelpMenu"_s));

    TkavSyntaxMemo &code = form.Designer().CodeWindow();
    code.LoadText(u"begin\n  Mas\nend."_s);
    EXPECT_TRUE(item(code.Completion().Candidates(code.Text(), 11, code.Syntax()).Items, u"MasterData1"_s));
}
