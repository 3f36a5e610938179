// The program as an author first meets it: a report opened in the main window, a text changed
// through the object inspector, the Preview tab showing it, undo, save and reopen; and a
// prepared page edited from the preview in the designer's own window.
#include "kavDesignerTestSupport.h"

#include <designer/inspector/kavDesgnInspector.h>
#include <designer/window/Unit1.h>
#include <designer/window/kavDesgnForm.h>
#include <designer/window/kavDesgnPreviewPage.h>
#include <designer/workspace/kavDesgnPanel.h>
#include <prepared/kavPreviewPages.h>
#include <preview/kavPreview.h>
#include <preview/kavPreviewForm.h>
#include <report/kavBands.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

class SliceTest : public DesignerTest
{
protected:
    void SetUp() override
    {
        DesignerTest::SetUp();
        report->SetIniFile(dir.filePath(u"designer.ini"_s));
    }

    // ReportTitle1 holding Memo1 "Hello", PageFooter1 holding the page number.
    QString writeFixture()
    {
        auto *footer = find<TkavMemoView>(u"Memo1"_s);
        footer->SetName(u"PageNumber"_s);
        auto *memo = dynamic_cast<TkavMemoView *>(
            doc->InsertObject(u"TkavMemoView"_s, 0, 20, find(u"ReportTitle1"_s)->Top() + 2, 200, 20));
        memo->SetText(u"Hello"_s);
        EXPECT_EQ(memo->Name(), u"Memo1"_s);
        const QString file = dir.filePath(u"slice.kv3"_s);
        report->SaveToFile(file);
        doc.reset(); // the window's designer is the only one on the report
        report = std::make_unique<TkavReport>();
        report->EngineOptions().SetNewSilentMode(simSilent);
        report->SetIniFile(dir.filePath(u"designer.ini"_s));
        return file;
    }
    static QByteArray fileBytes(const QString &name)
    {
        QFile file(name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // Picks the object from the inspector's list, clicks the row and types Text + Enter.
    static void typeIntoRow(TkavObjectInspector &inspector, const QString &object, const QString &row,
                            const QString &text)
    {
        QComboBox *objects = inspector.ObjectList();
        const int entry = objects->findText(object);
        ASSERT_GE(entry, 0) << object.toStdString();
        objects->setCurrentIndex(entry);
        Q_EMIT objects->activated(entry);
        const QRect r = inspector.RowRect(row);
        ASSERT_TRUE(r.isValid()) << row.toStdString();
        QTest::mouseClick(inspector.Grid(), Qt::LeftButton, {}, QPoint(inspector.SplitterPos() + 40, r.center().y()));
        QLineEdit *edit = inspector.EditBox();
        ASSERT_TRUE(edit->isVisible());
        ASSERT_FALSE(edit->isReadOnly());
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
    }
    // The texts of every memo on a prepared page.
    static QStringList pageTexts(TkavCustomPreviewPages &pages, int index)
    {
        QStringList texts;
        if (const std::shared_ptr<TkavReportPage> page = pages.GetPage(index))
            for (TkavComponent *c : page->AllObjects())
                if (auto *memo = dynamic_cast<TkavCustomMemoView *>(c))
                    texts << memo->Text().trimmed();
        return texts;
    }
    QString memo1Text() const
    {
        auto *memo = find<TkavMemoView>(u"Memo1"_s);
        return memo ? memo->Text().trimmed() : u"(none)"_s;
    }

    QTemporaryDir dir;
};

} // namespace

TEST_F(SliceTest, OpenEditInTheInspectorPreviewUndoSaveReopen)
{
    const QString file = writeFixture();
    TForm1 form(*report);
    form.resize(1100, 750);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));

    // Opened through the File menu: nothing to undo yet.
    ui().FileAnswers = {QStringList{file}};
    form.MenuItem(u"OpenMI"_s)->trigger();
    ASSERT_EQ(report->FileName(), file);
    ASSERT_EQ(memo1Text(), u"Hello"_s);
    EXPECT_FALSE(form.MenuItem(u"UndoMI"_s)->isEnabled());
    const QByteArray opened = bytes();

    // Memo1's text typed into the inspector's Memo row.
    DesignerDocument &document = form.Designer().Document();
    ASSERT_NO_FATAL_FAILURE(typeIntoRow(form.Designer().Inspector(), u"Memo1: TkavMemoView"_s, u"Memo"_s,
                                        u"Hello, slice"_s));
    EXPECT_EQ(memo1Text(), u"Hello, slice"_s);
    EXPECT_EQ(document.SelectedObjects(), QList<TkavComponent *>({find(u"Memo1"_s)}));
    EXPECT_EQ(document.UndoBuffer().UndoCount(), 2);
    EXPECT_TRUE(form.MenuItem(u"UndoMI"_s)->isEnabled());
    EXPECT_TRUE(form.windowTitle().endsWith(u'*'));
    const QByteArray edited = bytes();

    // The Preview tab shows the new text and the page number; the design is untouched.
    form.ShowSheet(1);
    TkavCustomPreviewPages *pages = form.kavPreview1().PreviewPages();
    ASSERT_TRUE(pages);
    ASSERT_EQ(pages->Count(), 1);
    const QStringList texts = pageTexts(*pages, 0);
    EXPECT_TRUE(texts.contains(u"Hello, slice"_s)) << texts.join(u'|').toStdString();
    EXPECT_FALSE(texts.contains(u"Hello"_s));
    EXPECT_TRUE(texts.contains(u"1"_s)) << texts.join(u'|').toStdString();
    EXPECT_EQ(bytes(), edited);
    EXPECT_EQ(document.UndoBuffer().UndoCount(), 2);

    // Back on the Designer tab, one undo brings back exactly the opened report.
    form.ShowSheet(0);
    EXPECT_EQ(bytes(), edited);
    form.MenuItem(u"UndoMI"_s)->trigger();
    EXPECT_EQ(memo1Text(), u"Hello"_s);
    EXPECT_EQ(bytes(), opened);
    EXPECT_TRUE(form.MenuItem(u"RedoMI"_s)->isEnabled());

    // Saved to the file it came from, without a dialog; reopened, it holds what was saved.
    form.MenuItem(u"SaveMI"_s)->trigger();
    EXPECT_TRUE(ui().CallsOf(u"SaveFile"_s).empty());
    const QByteArray saved = bytes();
    EXPECT_EQ(fileBytes(file), saved);
    ui().FileAnswers = {QStringList{file}};
    form.MenuItem(u"OpenMI"_s)->trigger();
    EXPECT_EQ(bytes(), saved);
    EXPECT_EQ(memo1Text(), u"Hello"_s);
    EXPECT_FALSE(document.Modified());
    EXPECT_FALSE(form.MenuItem(u"UndoMI"_s)->isEnabled());
}

// The preview's Edit button opens the designer on the current page in a window of its own;
// what is typed there reaches the prepared page on OK, and nothing does on Cancel or when
// closing the window answers No.
TEST_F(SliceTest, PreviewEditButtonDesignsThePreparedPage)
{
    ASSERT_TRUE(report->PrepareReport(true));
    doc.reset();
    TkavPreviewForm form;
    form.resize(900, 700);
    form.show();
    report->SetPreview(form.Preview());
    form.ApplyReportOptions(*report, false);
    TkavCustomPreviewPages &pages = *report->PreviewPages();
    ASSERT_EQ(pages.Count(), 1);
    ASSERT_TRUE(pageTexts(pages, 0).contains(u"1"_s));
    QAction *edit = form.EditAction();
    ASSERT_TRUE(edit->isVisible());
    ASSERT_TRUE(edit->isEnabled());

    // Runs Act on the designer window once it is open (closing it is Act's job).
    int opened = 0;
    const auto whenOpen = [&](std::function<void(TkavPreviewPageDesigner &)> act) {
        QTimer::singleShot(0, [&opened, act] {
            auto *window = dynamic_cast<TkavPreviewPageDesigner *>(QApplication::activeModalWidget());
            ASSERT_TRUE(window);
            ++opened;
            act(*window);
        });
    };
    const auto button = [](TkavPreviewPageDesigner &window, const QString &name) {
        return window.findChild<QPushButton *>(name);
    };

    // Typed in the designer's inspector and undone once (the history is the page's), then
    // typed again and kept.
    whenOpen([&](TkavPreviewPageDesigner &window) {
        TkavDesignerPanel &panel = window.Designer();
        EXPECT_TRUE(panel.Document().IsPreviewDesigner());
        TkavComponent *page = panel.Document().Page();
        ASSERT_TRUE(page);
        TkavComponent *number = nullptr;
        for (TkavComponent *c : page->Objects())
            if (auto *memo = dynamic_cast<TkavMemoView *>(c); memo && memo->Text().trimmed() == u"1")
                number = memo;
        ASSERT_TRUE(number);
        const QString name = number->Name();
        const QString entry = name + u": TkavMemoView"_s;
        typeIntoRow(panel.Inspector(), entry, u"Memo"_s, u"first"_s);
        EXPECT_EQ(panel.Document().UndoBuffer().UndoCount(), 2);
        EXPECT_TRUE(panel.Document().Undo());
        EXPECT_EQ(panel.Document().Page(), page);
        auto *undone = dynamic_cast<TkavMemoView *>(page->FindObject(name));
        ASSERT_TRUE(undone);
        EXPECT_EQ(undone->Text().trimmed(), u"1"_s);
        typeIntoRow(panel.Inspector(), entry, u"Memo"_s, u"Page one"_s);
        button(window, u"OkB"_s)->click();
    });
    edit->trigger();
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(pages.Count(), 1);
    QStringList texts = pageTexts(pages, 0);
    EXPECT_TRUE(texts.contains(u"Page one"_s)) << texts.join(u'|').toStdString();
    EXPECT_FALSE(texts.contains(u"first"_s));
    EXPECT_FALSE(texts.contains(u"1"_s));

    // Cancel drops what was typed.
    whenOpen([&](TkavPreviewPageDesigner &window) {
        typeIntoRow(window.Designer().Inspector(), window.Designer().Document().Objects().last()->Name()
                                                       + u": TkavMemoView"_s,
                    u"Memo"_s, u"dropped"_s);
        button(window, u"CancelB"_s)->click();
    });
    edit->trigger();
    EXPECT_EQ(pageTexts(pages, 0), texts);

    // Closing the window asks; No drops the change, Cancel first keeps the window open.
    ui().MessageAnswers = {mrCancel, mrNo};
    whenOpen([&](TkavPreviewPageDesigner &window) {
        window.Designer().Document().SelectAll();
        window.Designer().Document().DeleteSelection();
        window.close();
        EXPECT_TRUE(window.isVisible());
        window.close();
    });
    edit->trigger();
    EXPECT_EQ(pageTexts(pages, 0), texts);
    const auto questions = ui().CallsOf(u"MessageDlg"_s);
    ASSERT_EQ(questions.size(), 2u);
    EXPECT_EQ(questions[0].Text, kavResourceTable().Get(u"dsSavePreviewChanges"_s));
    EXPECT_EQ(opened, 3);
}

// A page designer's work goes back to the preview: no file is written, nor its settings.
TEST_F(SliceTest, APageDesignerWritesNoFileNorSettings)
{
    doc.reset();
    DesignerDocument page(*report, true);
    page.SetModified(true);
    ui().FileAnswers = {QStringList{dir.filePath(u"page.kv3"_s)}};
    EXPECT_FALSE(page.SaveFile(true));
    page.SaveState();
    EXPECT_TRUE(ui().CallsOf(u"SaveFile"_s).empty());
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
    EXPECT_TRUE(page.Modified());
}
