// The designer panel driven like a user with QTest: mouse drags on the workspace, typing
// in the inspector, data-tree drops, band sizing, in-place editing and undo.
#include "kavDesignerPanelTest.h"

#include <designer/document/kavDesgnDocument.h>
#include <designer/inspector/kavDesgnInspector.h>
#include <designer/workspace/kavDesgnPanel.h>
#include <designer/workspace/kavDesgnWorkspaceWidget.h>
#include <report/kavBands.h>
#include <report/kavDataSets.h>
#include <report/kavPages.h>
#include <rtl/kavRTTI.h>

#include <QApplication>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTest>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace {

constexpr double G = 3.77953;

class PanelTest : public DesignerPanelTest
{
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(openPanel(1200, 900)); }
    void mouseDrag(QPoint from, QPoint to)
    {
        QTest::mouseMove(&ws(), from);
        QTest::mousePress(&ws(), Qt::LeftButton, {}, from);
        QTest::mouseMove(&ws(), to);
        QTest::mouseRelease(&ws(), Qt::LeftButton, {}, to);
    }
    // Clicks a row's value column and types into the edit box.
    void typeInto(const QString &row, const QString &text, int key = Qt::Key_Return)
    {
        const QRect r = inspector().RowRect(row);
        ASSERT_TRUE(r.isValid()) << row.toStdString();
        QTest::mouseClick(inspector().Grid(), Qt::LeftButton, {}, QPoint(inspector().SplitterPos() + 40, r.center().y()));
        QLineEdit *edit = inspector().EditBox();
        ASSERT_TRUE(edit->isVisible());
        EXPECT_EQ(edit->selectedText(), edit->text()); // typing replaces the value
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key(key));
    }

    TkavFakeUIServicesScope ui;
};

} // namespace

TEST_F(PanelTest, FivePixelDragWithTheGridMovesOneStep)
{
    ASSERT_TRUE(memo);
    const double left = memo->Left();
    mouseDrag(centre(memo), centre(memo) + QPoint(5, 0));
    EXPECT_NEAR(memo->Left(), left + G, 1e-6);
    EXPECT_EQ(doc().SelectedObjects(), QList<TkavComponent *>({memo}));
    EXPECT_EQ(inspector().Model().SelectedObjects(), QList<TkavComponent *>({memo}));
}

TEST_F(PanelTest, WidthTypedInCentimetresWithACommaIsUndoable)
{
    doc().Select(memo);
    const double width = memo->Width();
    typeInto(u"Width"_s, u"2,5"_s);
    EXPECT_NEAR(memo->Width(), 2.5 * 96 / 2.54, 1e-6);
    EXPECT_EQ(inspector().EditBox()->text(), u"2.50"_s.replace(u'.', FormatSettings().DecimalSeparator));

    QTest::keyClick(&ws(), Qt::Key_Z, Qt::ControlModifier);
    TkavComponent *again = find(u"Memo2"_s);
    ASSERT_TRUE(again);
    EXPECT_NEAR(again->Width(), width, 1e-6);
    // The inspector follows the rebuilt document instead of the destroyed memo.
    EXPECT_EQ(inspector().Model().SelectedObjects(), QList<TkavComponent *>({again}));
}

TEST_F(PanelTest, BadValueIsRefusedAndEscapeUndoesTyping)
{
    doc().Select(memo);
    const double left = memo->Left();
    typeInto(u"Left"_s, u"abc"_s);
    EXPECT_EQ(ui.Fake().CallsOf(u"MessageDlg"_s).size(), 1u); // one error box
    EXPECT_NEAR(memo->Left(), left, 1e-9);
    const QString shown = inspector().EditBox()->text();
    typeInto(u"Left"_s, u"7"_s, Qt::Key_Escape);
    EXPECT_EQ(inspector().EditBox()->text(), shown);
    EXPECT_NEAR(memo->Left(), left, 1e-9);
}

// A row chosen by selecting an object shows its value plainly, not as a selection being
// edited; a click on the row selects the value so that typing replaces it.
TEST_F(PanelTest, ValueIsSelectedOnlyWhenTheRowIsClicked)
{
    ws().setFocus();
    doc().Select(memo);
    EXPECT_FALSE(inspector().EditBox()->hasSelectedText());
    typeInto(u"Left"_s, u"1"_s);
}

// A double click on an event's row makes its handler: the window system delivers the second
// press of the pair to the edit box as a double click.
TEST_F(PanelTest, DoubleClickOnAnEventRowMakesTheHandler)
{
    doc().Select(memo);
    inspector().SetTab(1);
    const QRect r = inspector().RowRect(u"OnBeforePrint"_s);
    ASSERT_TRUE(r.isValid());
    const QPoint at(inspector().SplitterPos() + 40, r.center().y());
    QTest::mouseClick(inspector().Grid(), Qt::LeftButton, {}, at);
    QLineEdit *edit = inspector().EditBox();
    ASSERT_TRUE(edit->isVisible());
    const QPointF local(edit->width() / 2, edit->height() / 2);
    QMouseEvent twice(QEvent::MouseButtonDblClick, local, edit->mapToGlobal(local), Qt::LeftButton,
                      Qt::LeftButton, {});
    QApplication::sendEvent(edit, &twice);
    const QString handler = memo->Name() + u"OnBeforePrint"_s;
    EXPECT_EQ(kavFindProp(*memo, u"OnBeforePrint")->GetStr(*memo), handler);
    EXPECT_TRUE(doc().ScriptLines().join(u'\n').contains(u"procedure "_s + handler)) << doc().ScriptLines().join(u'\n').toStdString();
}

TEST_F(PanelTest, InspectorEditsEveryObjectOfAMixedSelection)
{
    auto *line = doc().InsertObject(u"TkavLineView"_s, 0, 200, master()->Top() + 4, 60, 0);
    ASSERT_TRUE(line);
    doc().Selection().Select(memo);
    doc().Selection().Add(line);
    doc().SelectionChanged();
    EXPECT_LT(inspector().Model().FindRow(u"Name"_s), 0);
    ASSERT_GE(inspector().Model().FindRow(u"Left"_s), 0);
    const int undo = doc().UndoBuffer().UndoCount();
    typeInto(u"Left"_s, u"1"_s);
    EXPECT_NEAR(memo->Left(), 96 / 2.54, 1e-6);
    EXPECT_NEAR(line->Left(), 96 / 2.54, 1e-6);
    EXPECT_EQ(doc().UndoBuffer().UndoCount(), undo + 1);
}

TEST_F(PanelTest, DataFieldDropGivesTheCaptionAndTheFieldMemo)
{
    auto *ds = TkavComponent::Create<TkavUserDataSet>(report->Pages(0));
    ds->SetName(u"CustomersDS"_s);
    ds->SetUserName(u"Customers"_s);
    ds->Fields().Add(u"Company"_s);
    report->DataSets().Add(ds);
    const std::unique_ptr<QMimeData> mime(
        kavDataTreeMimeData({{u"<Customers.\"Company\">"_s, ds, true}}, {true, true}, {u"Customers"_s}));
    const QPointF at = screen({300, master()->Top() + 30});
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, mime.get(), Qt::LeftButton, {});
    QApplication::sendEvent(&ws(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, mime.get(), Qt::LeftButton, {});
    QApplication::sendEvent(&ws(), &drop);
    auto *field = find<TkavMemoView>(u"CustomersCompany"_s);
    ASSERT_TRUE(field);
    EXPECT_EQ(field->DataField(), u"Company"_s);
    ASSERT_EQ(doc().SelectedObjects().size(), 2);
    auto *caption = dynamic_cast<TkavMemoView *>(doc().SelectedObjects().at(1));
    ASSERT_TRUE(caption);
    EXPECT_EQ(caption->Text().trimmed(), u"Company"_s);
    EXPECT_NEAR(field->AbsTop() - caption->AbsTop(), caption->Height(), 1e-6);
}

TEST_F(PanelTest, RubberBandSelectsTwoMemos)
{
    TkavMemoView *second = insertMemo(200, 2);
    const TkavBand *title = find<TkavBand>(u"ReportTitle1"_s);
    mouseDrag(screen({5, title->Top() + title->Height() + 5}), screen({300, master()->Top() + 30}));
    EXPECT_EQ(doc().SelectedObjects(), QList<TkavComponent *>({memo, second}));
    EXPECT_EQ(inspector().Model().SelectedObjects().size(), 2);
}

TEST_F(PanelTest, SizingABandMovesTheBandsBelow)
{
    TkavBand *footer = find<TkavBand>(u"PageFooter1"_s);
    const double height = master()->Height(), footerTop = footer->Top();
    const QPoint edge = screen({300, master()->Top() + master()->Height() + 1});
    mouseDrag(edge, edge + QPoint(0, 20));
    EXPECT_NEAR(master()->Height(), height + 5 * G, 1e-6);
    EXPECT_NEAR(footer->Top(), footerTop + 5 * G, 1e-6);
}

TEST_F(PanelTest, InplaceEditCommitsWithCtrlEnterAndCancelsWithEscape)
{
    memo->SetText(u"before"_s);
    auto open = [this] {
        ws().Controller().SetTool(dtText);
        QTest::mouseClick(&ws(), Qt::LeftButton, {}, centre(memo));
        ws().Controller().SetTool(dtSelect);
        return ws().InplaceEditor();
    };
    QPlainTextEdit *editor = open();
    ASSERT_TRUE(editor);
    EXPECT_EQ(editor->toPlainText(), u"before"_s);
    EXPECT_TRUE(editor->textCursor().hasSelection());
    QTest::keyClicks(editor, u"after"_s);
    QTest::keyClick(editor, Qt::Key_Return); // a plain Enter is a new line
    QTest::keyClicks(editor, u"two"_s);
    QTest::keyClick(editor, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_FALSE(ws().InplaceEditor());
    EXPECT_EQ(memo->Text(), u"after\r\ntwo\r\n"_s);

    const int undo = doc().UndoBuffer().UndoCount();
    editor = open();
    ASSERT_TRUE(editor);
    QTest::keyClicks(editor, u"dropped"_s);
    QTest::keyClick(editor, Qt::Key_Escape);
    EXPECT_FALSE(ws().InplaceEditor());
    EXPECT_EQ(memo->Text(), u"after\r\ntwo\r\n"_s);
    EXPECT_EQ(doc().UndoBuffer().UndoCount(), undo);
}

TEST_F(PanelTest, KeyboardAloneSelectsAndNudges)
{
    ws().setFocus();
    QTest::keyClick(&ws(), Qt::Key_Tab); // the first object, then its content
    QTest::keyClick(&ws(), Qt::Key_Tab);
    ASSERT_FALSE(doc().Selection().IsPageSelected());
    doc().Select(memo);
    const double left = memo->Left();
    QTest::keyClick(&ws(), Qt::Key_Right, Qt::ControlModifier);
    EXPECT_NEAR(memo->Left(), left + 1, 1e-9);
    QTest::keyClick(&ws(), Qt::Key_Delete);
    EXPECT_FALSE(find(u"Memo2"_s));
    QTest::keyClick(&ws(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(find(u"Memo2"_s));
}

TEST_F(PanelTest, TheWindowPaintsThePage)
{
    memo->SetText(u"WWWWWWWW"_s);
    const QImage image = ws().grab().toImage();
    ASSERT_FALSE(image.isNull());
    // The memo's text is drawn where the memo is: dark pixels inside its rectangle.
    const QRect r(screen({memo->AbsLeft(), memo->AbsTop()}), QSize(80, 20));
    int dark = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            dark += qGray(image.pixel(x, y)) < 100;
    EXPECT_GT(dark, 20);
}

TEST_F(PanelTest, DropDownShowsEightRowsAndTheClosingClickDoesNotReopen)
{
    doc().Select(memo);
    const int row = inspector().Model().FindRow(u"Cursor"_s);
    ASSERT_GE(row, 0);
    ASSERT_GT(inspector().Model().Values(row).size(), 8);
    inspector().SetItemIndex(row);
    QToolButton *button = inspector().DropDownButton();
    ASSERT_TRUE(button->isVisible());
    QTest::mouseClick(button, Qt::LeftButton);
    QListWidget *list = inspector().DropDownList();
    ASSERT_TRUE(list && list->isVisible());
    EXPECT_EQ(list->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(list->parentWidget()->height(), 8 * inspector().RowHeight() + 4);
    list->parentWidget()->close();
    QApplication::processEvents();
    QTest::mouseClick(button, Qt::LeftButton); // right after the list closed
    EXPECT_FALSE(inspector().DropDownList() && inspector().DropDownList()->isVisible());

    QTest::qWait(150);
    QTest::mouseClick(button, Qt::LeftButton);
    list = inspector().DropDownList();
    ASSERT_TRUE(list && list->isVisible());
    QListWidgetItem *crossCursor = list->findItems(u"crCross"_s, Qt::MatchExactly).value(0);
    ASSERT_TRUE(crossCursor);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(crossCursor).center());
    EXPECT_EQ(inspector().Model().RowValue(row), u"crCross"_s);
}

TEST_F(PanelTest, CheckBoxClickFlipsABooleanWithoutMovingTheSelection)
{
    doc().Select(memo);
    inspector().SetItemIndex(inspector().Model().FindRow(u"Left"_s));
    const QRect r = inspector().RowRect(u"WordWrap"_s);
    ASSERT_TRUE(r.isValid());
    QTest::mouseClick(inspector().Grid(), Qt::LeftButton, {}, QPoint(inspector().SplitterPos() + 6, r.center().y()));
    EXPECT_FALSE(memo->WordWrap());
    EXPECT_EQ(inspector().Model().RowName(inspector().ItemIndex()), u"Left"_s);
}

TEST_F(PanelTest, GuideDraggedFromTheTopRulerLandsOnAGridStep)
{
    QMimeData mime;
    mime.setData(kavGuideMime, "h");
    const QPointF at = screen({100, 10 * G + 1.5});
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, {});
    QApplication::sendEvent(&ws(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, {});
    QApplication::sendEvent(&ws(), &drop);
    auto *page = static_cast<TkavReportPage *>(doc().Page());
    ASSERT_EQ(page->HGuides().Count(), 1);
    EXPECT_NEAR(kavTextToFloat(page->HGuides().Strings(0)), 10 * G, 1e-6);
    EXPECT_EQ(page->VGuides().Count(), 0);
}
