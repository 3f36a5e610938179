// The designer panel as an author uses it, with real widget events: the hand tool at the
// scroll ends, resizing the in-place editor, the inspector's page keys, help panel, object
// list and events tab in every script language, and the font box's preview window.
#include "kavDesignerPanelTest.h"

#include <designer/controls/kavDesgnCtrls.h>
#include <designer/document/kavDesgnDocument.h>
#include <designer/inspector/kavDesgnInspector.h>
#include <designer/workspace/kavDesgnPanel.h>
#include <designer/workspace/kavDesgnWorkspaceWidget.h>
#include <report/kavBands.h>
#include <report/kavPages.h>
#include <script/ky_script.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace {

class InteractionTest : public DesignerPanelTest
{
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(openPanel(1000, 700)); }
    // Selects a row by clicking its value column.
    void clickRow(const QString &row)
    {
        const QRect r = inspector().RowRect(row);
        ASSERT_TRUE(r.isValid()) << row.toStdString();
        QTest::mouseClick(inspector().Grid(), Qt::LeftButton, {},
                          QPoint(inspector().SplitterPos() + 40, r.center().y()));
    }
    QString selectedRow() { return inspector().Model().RowName(inspector().ItemIndex()); }

    TkavFakeUIServicesScope ui;
};

} // namespace

// Dragging the paper past the left end and back: the turn back scrolls at once, it does not
// first have to undo the movement that the scroll end swallowed.
TEST_F(InteractionTest, HandToolFollowsTheHandBackFromAScrollEnd)
{
    panel->Zoom(3);
    QScrollBar *bar = panel->ScrollBox().horizontalScrollBar();
    ASSERT_GT(bar->maximum(), 100);
    bar->setValue(0);
    ws().Controller().SetTool(dtHand);
    QWidget *viewport = panel->ScrollBox().viewport();
    // The pointer stays put on the screen; the surface moves under it.
    auto at = [&](int x) { return ws().mapFrom(viewport, QPoint(x, 200)); };
    QTest::mouseMove(&ws(), at(300));
    QTest::mousePress(&ws(), Qt::LeftButton, {}, at(300));
    QTest::mouseMove(&ws(), at(360)); // the paper would go right: the left end stops it
    EXPECT_EQ(bar->value(), 0);
    QTest::mouseMove(&ws(), at(340)); // 20 pixels back to the left
    EXPECT_EQ(bar->value(), 20);
    QTest::mouseMove(&ws(), at(300));
    EXPECT_EQ(bar->value(), 60);
    QTest::mouseRelease(&ws(), Qt::LeftButton, {}, at(300));
    EXPECT_EQ(bar->value(), 60);
}

// The corner grip of the in-place editor resizes it; the memo takes the size the user sees,
// as one undoable change, and Escape drops a resize too.
TEST_F(InteractionTest, InplaceEditorResizedByItsGripResizesTheMemo)
{
    panel->Zoom(2);
    memo->SetText(u"text"_s);
    const QString text = memo->Text(), name = memo->Name();
    const double width = memo->Width(), height = memo->Height();
    auto open = [this] {
        ws().Controller().SetTool(dtText);
        QTest::mouseClick(&ws(), Qt::LeftButton, {}, centre(memo));
        ws().Controller().SetTool(dtSelect);
        return ws().InplaceEditor();
    };
    QPlainTextEdit *editor = open();
    ASSERT_TRUE(editor);
    auto *grip = editor->findChild<QWidget *>(u"InplaceGrip"_s);
    ASSERT_TRUE(grip && grip->isVisible());
    EXPECT_EQ(grip->geometry().bottomRight(), editor->rect().bottomRight());
    const int undo = doc().UndoBuffer().UndoCount();
    QTest::mousePress(grip, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseMove(grip, QPoint(5 + 60, 5 + 20));
    QTest::mouseRelease(grip, Qt::LeftButton, {}, grip->mapFromGlobal(editor->mapToGlobal(editor->rect().bottomRight())));
    EXPECT_EQ(grip->geometry().bottomRight(), editor->rect().bottomRight()); // it follows the corner
    QTest::keyClick(editor, Qt::Key_Return, Qt::ControlModifier);
    ASSERT_FALSE(ws().InplaceEditor());
    EXPECT_NEAR(memo->Width(), width + 30, 1e-6); // 60 screen pixels at 200%
    EXPECT_NEAR(memo->Height(), height + 10, 1e-6);
    EXPECT_EQ(memo->Text(), text);
    EXPECT_EQ(doc().UndoBuffer().UndoCount(), undo + 1);

    editor = open();
    ASSERT_TRUE(editor);
    grip = editor->findChild<QWidget *>(u"InplaceGrip"_s);
    QTest::mousePress(grip, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseMove(grip, QPoint(-40, -10));
    QTest::keyClick(editor, Qt::Key_Escape);
    EXPECT_NEAR(memo->Width(), width + 30, 1e-6);
    doc().Undo();
    memo = dynamic_cast<TkavMemoView *>(report->FindObject(name));
    ASSERT_TRUE(memo);
    EXPECT_NEAR(memo->Width(), width, 1e-6);
}

TEST_F(InteractionTest, InspectorPageKeysHelpPanelAndObjectList)
{
    doc().Select(memo);
    clickRow(u"Left"_s);
    EXPECT_EQ(inspector().HelpName()->text(), u"Left"_s);
    EXPECT_EQ(inspector().HelpText()->text(), kavResourceTable().Get(u"propLeft"_s));
    clickRow(u"Tag"_s); // no description: the panel shows none, not the resource key
    EXPECT_EQ(inspector().HelpName()->text(), u"Tag"_s);
    EXPECT_EQ(inspector().HelpText()->text(), QString());
    clickRow(u"Left"_s);

    // Page Down moves by the rows that fit, and stops at the last; Page Up at the first.
    QLineEdit *edit = inspector().EditBox();
    const int rows = inspector().Model().RowCount();
    const int page = std::max(1, (inspector().Grid()->parentWidget()->height()) / inspector().RowHeight());
    ASSERT_GT(rows, page) << "the grid must be shorter than the list";
    const int start = inspector().ItemIndex();
    QTest::keyClick(edit, Qt::Key_PageDown);
    EXPECT_EQ(inspector().ItemIndex(), std::min(rows - 1, start + page));
    for (int i = 0; i < rows; ++i)
        QTest::keyClick(edit, Qt::Key_PageDown);
    EXPECT_EQ(inspector().ItemIndex(), rows - 1);
    EXPECT_TRUE(inspector().RowRect(rows - 1).isValid());
    QTest::keyClick(edit, Qt::Key_PageUp);
    EXPECT_EQ(inspector().ItemIndex(), rows - 1 - page);
    for (int i = 0; i < rows; ++i)
        QTest::keyClick(edit, Qt::Key_PageUp);
    EXPECT_EQ(inspector().ItemIndex(), 0);
    EXPECT_EQ(inspector().HelpName()->text(), selectedRow());

    // Picking the band from the object list selects it in the designer too.
    QComboBox *objects = inspector().ObjectList();
    const int entry = objects->findText(u"MasterData1: TkavMasterData"_s);
    ASSERT_GE(entry, 0);
    TkavComponent *picked = nullptr;
    auto previous = inspector().OnSelectionChanged;
    inspector().OnSelectionChanged = [&](TkavComponent *c) {
        picked = c;
        if (previous)
            previous(c);
    };
    objects->setCurrentIndex(entry);
    objects->activated(entry);
    EXPECT_EQ(picked, report->FindObject(u"MasterData1"_s));
    EXPECT_EQ(doc().SelectedObjects(), QList<TkavComponent *>({picked}));
    EXPECT_EQ(inspector().Model().SelectedObjects(), QList<TkavComponent *>({picked}));
    EXPECT_TRUE(edit->hasFocus());
}

// Enter on an empty event row writes the handler into the script of the report's language;
// the script still compiles, and the row shows the handler's name.
TEST_F(InteractionTest, EventsTabCreatesACompilingHandlerInEveryLanguage)
{
    for (const QString &language : {u"PascalScript"_s, u"C++Script"_s, u"BasicScript"_s, u"JScript"_s}) {
        SCOPED_TRACE(language.toStdString());
        report->SetScriptLanguage(language);
        doc().SetScriptLines(DesignerDocument::EmptyScript(language));
        memo->SetOnBeforePrint(QString());
        const QString handler = memo->Name() + u"OnBeforePrint"_s;
        doc().Select(memo);
        inspector().SetTab(1);
        // A double click: the press that selects the row, then one in the edit box.
        clickRow(u"OnBeforePrint"_s);
        QTest::mouseClick(inspector().EditBox(), Qt::LeftButton, {}, QPoint(5, 5));
        EXPECT_EQ(memo->OnBeforePrint(), handler);
        EXPECT_EQ(inspector().EditBox()->text(), handler);
        const QStringList lines = doc().ScriptLines();
        EXPECT_TRUE(lines.join(u'\n').contains(handler)) << lines.join(u'\n').toStdString();
        report->ScriptText().SetText(lines.join(u"\r\n"_s));
        EXPECT_TRUE(report->PrepareScript()) << report->Script().ErrorMsg().toStdString();
        EXPECT_TRUE(report->Script().Find(handler))
            << lines.join(u'\n').toStdString();
        inspector().SetTab(0);
    }
}

TEST_F(InteractionTest, FontBoxPreviewFollowsTheHighlightedFont)
{
    TkavFontComboBox &box = panel->FontBox();
    QList<TkavFontItem> families;
    for (const QString &name : {u"Alpha Sans"_s, u"Beta Serif"_s, u"Gamma Mono"_s})
        families.append({name, kavTrueTypeFontType});
    box.PopulateList(families);
    box.showPopup();
    QLabel *preview = box.Preview();
    ASSERT_TRUE(preview);
    EXPECT_TRUE(preview->isVisible());
    // One pixel right of the box, or left of it at the screen's edge; bottoms level.
    const QPoint boxTopLeft = box.mapToGlobal(QPoint(0, 0));
    const QRect shown(preview->pos(), preview->size());
    if (shown.left() > boxTopLeft.x())
        EXPECT_EQ(shown.left(), boxTopLeft.x() + box.width() + 1);
    else
        EXPECT_EQ(shown.right() + 1, boxTopLeft.x() - 1);
    EXPECT_EQ(shown.bottom(), boxTopLeft.y() + box.height() - 1);
    box.highlighted(2);
    EXPECT_EQ(preview->text(), u"Gamma Mono"_s);
    EXPECT_EQ(preview->font().family(), u"Gamma Mono"_s);
    box.highlighted(1);
    EXPECT_EQ(preview->text(), u"Beta Serif"_s);
    box.hidePopup();
    EXPECT_FALSE(preview->isVisible());

    // Choosing puts the font on top, as the one selected.
    box.activated(2);
    EXPECT_EQ(box.itemText(0), u"Gamma Mono"_s);
    EXPECT_EQ(box.currentText(), u"Gamma Mono"_s);
}

// The buttons of the selected row stay at the grid's right edge when the window grows, and
// the typing in the edit box survives it.
TEST_F(InteractionTest, InspectorButtonsFollowTheGridWhenTheWindowGrows)
{
    doc().Select(memo);
    clickRow(u"Font"_s);
    QToolButton *button = inspector().EllipsisButton();
    ASSERT_TRUE(button->isVisible());
    inspector().EditBox()->setText(u"typed"_s);
    panel->resize(1400, 700);
    QApplication::processEvents();
    const int right = std::max(inspector().Grid()->width(), inspector().Grid()->parentWidget()->width());
    EXPECT_EQ(button->geometry().right(), right - 1);
    EXPECT_EQ(inspector().EditBox()->geometry().right(), button->geometry().left() - 3);
    EXPECT_EQ(inspector().EditBox()->text(), u"typed"_s);
}

// The data page: its data sets are drawn as boxes on a page without grid dots, and a drag
// moves one by the whole steps of the pixel grid.
TEST_F(InteractionTest, DataPageShowsItsDataSetsAndMovesThemFreely)
{
    int dataPage = -1;
    for (int i = 0; i < report->PagesCount(); ++i)
        if (dynamic_cast<TkavDataPage *>(report->Pages(i)))
            dataPage = i;
    ASSERT_GE(dataPage, 0);
    panel->ShowPage(dataPage);
    ASSERT_EQ(doc().GridType(), gtNone);
    TkavComponent *set = doc().InsertObject(u"TkavUserDataSet"_s, 0, 100, 60, 28, 28);
    ASSERT_TRUE(set);
    ws().UpdatePage();
    const QImage image = ws().grab().toImage();
    const QRect box = QRectF(ws().ToScreen({set->Left(), set->Top()}), QSizeF(kavDialogComponentSize, kavDialogComponentSize))
                          .toRect();
    auto greyIn = [&image](const QRect &r) {
        int n = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                n += qGray(image.pixel(x, y)) < 245;
        return n;
    };
    EXPECT_GT(greyIn(box.adjusted(2, 2, -2, -2)), box.width() * box.height() / 2);
    EXPECT_EQ(greyIn(box.translated(box.width() * 3, 0)), 0); // no grid dots beside it

    const QPoint from = box.center();
    QTest::mouseMove(&ws(), from);
    QTest::mousePress(&ws(), Qt::LeftButton, {}, from);
    QTest::mouseMove(&ws(), from + QPoint(7, 3));
    QTest::mouseRelease(&ws(), Qt::LeftButton, {}, from + QPoint(7, 3));
    const double gx = ws().Controller().GridX(), gy = ws().Controller().GridY();
    ASSERT_GT(gx, 0);
    EXPECT_NEAR(set->Left(), 100 + std::trunc(7 / gx) * gx, 1e-6);
    EXPECT_NEAR(set->Top(), 60 + std::trunc(3 / gy) * gy, 1e-6);
    EXPECT_EQ(doc().SelectedObjects(), QList<TkavComponent *>({set}));
}
