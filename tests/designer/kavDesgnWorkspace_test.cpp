// The workspace's editing logic without widgets: drags with the grid, keys, insertion,
// rubber bands, groups, band stacking, drops from the data tree, guides and the zoom tool.
#include "kavDesignerTestSupport.h"

#include <data/kavFileDataSets.h>
#include <designer/workspace/kavDesgnWorkspace.h>
#include <report/kavBands.h>
#include <report/kavDataSets.h>
#include <report/kavDMP.h>
#include <report/kavPages.h>
#include <rtl/kavStrings.h>

#include <QFile>
#include <QTemporaryDir>
#include <QtCore/qnamespace.h>

using namespace Qt::StringLiterals;

namespace {

constexpr double G = 3.77953;  // one grid step (0.1 cm)
constexpr double H = 18.89765; // band caption height in centimetres

class WorkspaceTest : public DesignerTest
{
protected:
    void SetUp() override
    {
        DesignerTest::SetUp();
        ws = std::make_unique<WorkspaceController>(*doc);
        ws->AdjustBands();
        memo = insertMemo(40, masterTop() + 2, 80, 20);
        ASSERT_TRUE(memo);
    }
    void TearDown() override
    {
        ws.reset();
        DesignerTest::TearDown();
    }

    QPointF centre(const TkavComponent *c) const
    {
        return {c->AbsLeft() + c->Width() / 2, c->AbsTop() + c->Height() / 2};
    }
    void drag(QPointF from, QPointF to, TShiftState shift = {})
    {
        ws->MouseMove(shift, from);
        ws->MouseDown(mbLeft, shift, from);
        ws->MouseMove(shift + TShiftState{ssLeft}, to);
        ws->MouseUp(mbLeft, shift, to);
    }
    TkavBand *band(const QString &name) const { return find<TkavBand>(name); }

    std::unique_ptr<WorkspaceController> ws;
    TkavMemoView *memo = nullptr;
};

} // namespace

TEST_F(WorkspaceTest, DragMovesByWholeGridStepsAltMovesFreelyAndUndoPutsItBack)
{
    const double left = memo->Left(), top = memo->Top();
    const int undo = doc->UndoBuffer().UndoCount();
    drag(centre(memo), centre(memo) + QPointF(5, 2));
    EXPECT_NEAR(memo->Left(), left + G, 1e-6);
    EXPECT_NEAR(memo->Top(), top, 1e-6); // 2 pixels down is less than a step
    EXPECT_EQ(doc->UndoBuffer().UndoCount(), undo + 1);

    // Alt held while dragging (over a memo before the press it would edit the text).
    ws->MouseDown(mbLeft, {}, centre(memo));
    ws->MouseMove({ssLeft, ssAlt}, centre(memo) + QPointF(5, 0));
    ws->MouseUp(mbLeft, {ssAlt}, centre(memo) + QPointF(5, 0));
    EXPECT_NEAR(memo->Left(), left + G + 5, 1e-6);

    ASSERT_TRUE(doc->Undo());
    ASSERT_TRUE(doc->Undo());
    EXPECT_NEAR(find(u"Memo2"_s)->Left(), left, 1e-6);
}

TEST_F(WorkspaceTest, ClickWithoutMovingChangesNothing)
{
    const QByteArray before = bytes();
    const int undo = doc->UndoBuffer().UndoCount();
    drag(centre(memo), centre(memo));
    EXPECT_EQ(doc->SelectedObjects(), QList<TkavComponent *>({memo}));
    EXPECT_EQ(doc->UndoBuffer().UndoCount(), undo);
    EXPECT_EQ(bytes(), before);
}

TEST_F(WorkspaceTest, KeysNudgeAndSizeTheSelection)
{
    doc->Select(memo);
    const double left = memo->Left(), width = memo->Width();
    ws->KeyDown(Qt::Key_Right, {ssCtrl});
    ws->KeyUp(Qt::Key_Right, {ssCtrl});
    EXPECT_NEAR(memo->Left(), left + 1, 1e-9);
    ws->KeyDown(Qt::Key_Right, {ssCtrl, ssShift});
    ws->KeyUp(Qt::Key_Right, {});
    EXPECT_NEAR(memo->Left(), left + 1 + G, 1e-6);
    ws->KeyDown(Qt::Key_Right, {ssShift});
    EXPECT_NEAR(memo->Width(), width + G, 1e-6);

    memo->SetWidth(2); // narrower than one step: Shift+Left leaves it
    ws->KeyDown(Qt::Key_Left, {ssShift});
    EXPECT_NEAR(memo->Width(), 2, 1e-9);

    // Plain arrows select the nearest object in that direction.
    TkavMemoView *right = insertMemo(300, masterTop() + 2, 80, 20);
    doc->Select(memo);
    ws->KeyDown(Qt::Key_Right, {});
    EXPECT_EQ(doc->Selection().First(), right);
    ws->KeyDown(Qt::Key_Left, {ssAlt}); // moves until it touches the memo on its left
    EXPECT_NEAR(right->Left(), memo->Left() + memo->Width(), 1e-6);
}

TEST_F(WorkspaceTest, TinyInsertionDragGivesTheDefaultSizeAtThePressPoint)
{
    ws->SetInsertion(u"TkavMemoView"_s, 94.5, 18.9, 0);
    EXPECT_EQ(ws->Mode(), WorkspaceController::dmInsertObject);
    const QPointF at(200, masterTop() + 4);
    ws->MouseDown(mbLeft, {}, at);
    ws->MouseUp(mbLeft, {}, at + QPointF(2, 2));
    auto *created = dynamic_cast<TkavMemoView *>(doc->Selection().First());
    ASSERT_TRUE(created);
    EXPECT_NE(created, memo);
    EXPECT_NEAR(created->AbsLeft(), 200, 1e-6);
    EXPECT_NEAR(created->AbsTop(), masterTop() + 4, 1e-6);
    EXPECT_NEAR(created->Width(), 94.5, 1e-9);
    EXPECT_NEAR(created->Height(), 18.9, 1e-9);
    EXPECT_EQ(created->Parent(), band(u"MasterData1"_s));
    EXPECT_EQ(ws->Mode(), WorkspaceController::dmNone);

    // A straight line runs from the press point along its longer extent.
    ws->SetInsertion(u"TkavLineView"_s, 0, 0, 0);
    EXPECT_EQ(ws->Mode(), WorkspaceController::dmInsertLine);
    ws->MouseDown(mbLeft, {}, {300, masterTop() + 10});
    ws->MouseUp(mbLeft, {}, {250, masterTop() + 12});
    TkavComponent *line = doc->Selection().First();
    ASSERT_TRUE(dynamic_cast<TkavLineView *>(line));
    EXPECT_NEAR(line->Height(), 0, 1e-9);
    EXPECT_NEAR(line->AbsLeft() + line->Width(), 300, 1e-6); // ends at the press point
    EXPECT_GT(line->Width(), 40);
}

TEST_F(WorkspaceTest, RubberBandSelectsTheObjectsItTouchesButNoBands)
{
    TkavMemoView *second = insertMemo(200, masterTop() + 2, 80, 20);
    // From the gap between the title and the master band (a press on a band picks it).
    const TkavBand *title = band(u"ReportTitle1"_s);
    drag({5, title->Top() + title->Height() + 5}, {300, masterTop() + 30});
    EXPECT_EQ(doc->SelectedObjects(), QList<TkavComponent *>({memo, second}));

    // Empty space selects the page; a rubber band around nothing keeps it.
    const double below = band(u"PageFooter1"_s)->Top() + 200;
    drag({5, below}, {50, below + 10});
    EXPECT_TRUE(doc->Selection().IsPageSelected());

    // Ctrl starts a rubber band even over an object.
    drag(centre(memo), centre(second) + QPointF(1, 1), {ssCtrl});
    EXPECT_EQ(doc->SelectedObjects().size(), 2);
    EXPECT_EQ(memo->Left(), 40); // nothing moved
}

TEST_F(WorkspaceTest, GroupingTakesTheSmallestFreeNumberAndSelectsTheWholeGroup)
{
    TkavMemoView *a = insertMemo(200, masterTop() + 2, 40, 20);
    TkavMemoView *b = insertMemo(300, masterTop() + 2, 40, 20);
    find(u"Memo1"_s)->SetGroupIndex(1);
    TkavMemoView *c = insertMemo(400, masterTop() + 2, 40, 20);
    c->SetGroupIndex(3);
    doc->Selection().Select(a);
    doc->Selection().Add(b);
    ws->GroupObjects();
    EXPECT_EQ(a->GroupIndex(), 2);
    EXPECT_EQ(b->GroupIndex(), 2);

    drag(centre(memo), centre(memo));
    drag(centre(a), centre(a));
    EXPECT_EQ(doc->SelectedObjects(), QList<TkavComponent *>({a, b}));
    ws->UngroupObjects();
    EXPECT_EQ(b->GroupIndex(), 0);
}

TEST_F(WorkspaceTest, BandsStackUnderTheirCaptionsWithGapsBetweenGroups)
{
    TkavBand *title = band(u"ReportTitle1"_s);
    TkavBand *master = band(u"MasterData1"_s);
    TkavBand *footer = band(u"PageFooter1"_s);
    EXPECT_NEAR(title->Top(), H, 1e-6);
    auto next = [](const TkavBand *above) {
        return std::round((above->Top() + above->Height() + H + 4) / G) * G + 37.7953;
    };
    EXPECT_NEAR(master->Top(), next(title), 1e-6);
    EXPECT_NEAR(footer->Top(), next(master), 1e-6);
    // Bands come first in the page's objects, in stacking order.
    EXPECT_EQ(doc->Page()->Objects().mid(0, 3), QList<TkavComponent *>({title, master, footer}));

    // A page header added below everything joins the top group, above the data band.
    auto *header = TkavComponent::DesignCreate<TkavPageHeader>(doc->Page());
    header->CreateUniqueName();
    header->SetBounds(0, 5000, 0, 30);
    ws->AdjustBands();
    EXPECT_NEAR(header->Top(), std::round((title->Top() + title->Height() + H + 4) / G) * G, 1e-6);
    EXPECT_NEAR(master->Top(), next(header), 1e-6);
    EXPECT_NEAR(footer->Top(), next(master), 1e-6);
}

TEST_F(WorkspaceTest, SizingABandMovesTheBandsBelowAndIsUndoneAsOne)
{
    TkavBand *master = band(u"MasterData1"_s);
    TkavBand *footer = band(u"PageFooter1"_s);
    const double height = master->Height(), footerTop = footer->Top(), memoTop = memo->AbsTop();
    const QPointF edge(300, master->Top() + master->Height() + 1);
    ws->MouseMove({}, edge);
    ASSERT_EQ(ws->Mode(), WorkspaceController::dmSizeBand);
    ws->MouseDown(mbLeft, {}, edge);
    ws->MouseMove({ssLeft}, edge + QPointF(0, 40));
    ws->MouseUp(mbLeft, {}, edge + QPointF(0, 40));
    EXPECT_NEAR(master->Height(), height + 10 * G, 1e-6);
    EXPECT_NEAR(footer->Top(), footerTop + 10 * G, 1e-6);
    EXPECT_NEAR(memo->AbsTop(), memoTop, 1e-6); // objects of the sized band stay

    ASSERT_TRUE(doc->Undo());
    EXPECT_NEAR(band(u"MasterData1"_s)->Height(), height, 1e-6);
}

TEST_F(WorkspaceTest, SizingHandleAndMovingOntoAnotherBand)
{
    doc->Select(memo);
    const QPointF corner(memo->AbsLeft() + memo->Width(), memo->AbsTop() + memo->Height());
    ws->MouseMove({}, corner);
    ASSERT_EQ(ws->Mode(), WorkspaceController::dmSize);
    EXPECT_EQ(ws->CursorType(), 2);
    ws->MouseDown(mbLeft, {}, corner);
    ws->MouseMove({ssLeft}, corner + QPointF(2 * G + 0.5, 0));
    ws->MouseUp(mbLeft, {}, corner + QPointF(2 * G + 0.5, 0));
    EXPECT_NEAR(memo->Width(), 80 + 2 * G, 1e-6);

    // Dragged into the title band, the memo becomes that band's object where it was dropped.
    TkavBand *title = band(u"ReportTitle1"_s);
    const QPointF from = centre(memo);
    const double dy = -(memo->AbsTop() - (title->Top() + 2 * G));
    const double steps = std::trunc(dy / G) * G;
    drag(from, from + QPointF(0, dy));
    EXPECT_EQ(memo->Parent(), title);
    EXPECT_NEAR(memo->AbsTop(), from.y() - 10 + steps, 1e-6);
}

TEST(WorkspaceNames, DroppedItemNamesAreIdentifiers)
{
    const std::pair<QString, QString> cases[] = {
        {u"<Customers.\"Company\">"_s, u"CustomersCompany"_s},
        {u"<Page#>"_s, u"Page"_s},
        {u"Copy(,,)"_s, u"Memo"_s},                  // too little is left
        {u"<2x>"_s, u"Memo"_s},                      // would start with a digit
        {u"<Clientes.\"Código\">"_s, u"ClientesCdigo"_s}, // only ASCII letters are kept
        {u""_s, u"Memo"_s},
    };
    for (const auto &[text, name] : cases)
        EXPECT_EQ(kavDropItemName(text), name) << text.toStdString();
}

TEST_F(WorkspaceTest, DroppingAFieldMakesItsCaptionAndABoundMemo)
{
    auto *ds = TkavComponent::Create<TkavUserDataSet>(report->Pages(0));
    ds->SetName(u"CustomersDS"_s);
    ds->SetUserName(u"Customers"_s);
    ds->Fields().Add(u"Company"_s);
    report->DataSets().Add(ds);
    const TkavDropItem field{u"<Customers.\"Company\">"_s, ds, true};
    const TkavDropOptions both{true, true};
    const QPointF at(108, masterTop() + 28);
    ASSERT_TRUE(ws->DragOver({field}, both, at));
    const TkavInsertion frame = ws->Insertion();
    EXPECT_NEAR(frame.Left, 100, 1e-9);
    EXPECT_NEAR(frame.Width, std::round(80 / G) * G, 1e-6); // display width 10 × 8
    ws->DragDrop({field}, both, at);

    auto *bound = find<TkavMemoView>(u"CustomersCompany"_s);
    ASSERT_TRUE(bound);
    EXPECT_EQ(bound->DataSet(), ds);
    EXPECT_EQ(bound->DataField(), u"Company"_s);
    EXPECT_NEAR(bound->AbsTop(), frame.Top + frame.Height, 1e-6);
    const QList<TkavComponent *> selected = doc->SelectedObjects();
    ASSERT_EQ(selected.size(), 2);
    auto *caption = dynamic_cast<TkavMemoView *>(selected.at(1));
    ASSERT_TRUE(caption);
    EXPECT_EQ(caption->Text().trimmed(), u"Company"_s);
    EXPECT_NEAR(caption->AbsTop(), frame.Top, 1e-6);
    EXPECT_NEAR(caption->AbsLeft(), frame.Left, 1e-6);

    ws->DragDrop({field}, {true, false}, at + QPointF(0, 60));
    EXPECT_TRUE(find(u"CustomersCompany1"_s));

    // Both options off: a field drop creates nothing.
    const QByteArray before = bytes();
    ws->DragDrop({field}, {false, false}, at);
    EXPECT_EQ(bytes(), before);

    ws->DragDrop({{u"<Page#>"_s, nullptr, false}}, both, at + QPointF(0, 90));
    auto *page = find<TkavMemoView>(u"Page"_s);
    ASSERT_TRUE(page);
    EXPECT_EQ(page->Text().trimmed(), u"[Page#]"_s);
    ws->DragDrop({{u"Copy(,,)"_s, nullptr, false}}, both, at + QPointF(0, 120));
    auto *call = dynamic_cast<TkavMemoView *>(doc->Selection().First());
    ASSERT_TRUE(call);
    EXPECT_TRUE(call->Name().startsWith(u"Memo"_s));
    EXPECT_EQ(call->Text().trimmed(), u"[Copy(,,)]"_s);
}

// Fields of a file or database data set are sized by their type: texts get room for 20
// characters, numbers for 10.
TEST_F(WorkspaceTest, DroppedFieldsAreSizedByTheirType)
{
    QTemporaryDir folder;
    QFile csv(folder.filePath(u"people.csv"_s));
    ASSERT_TRUE(csv.open(QIODevice::WriteOnly));
    csv.write("Name,Amount\nAnn,1.5\n");
    csv.close();
    auto *ds = TkavComponent::Create<TkavCSVDataSet>(report->Pages(0));
    ds->SetUserName(u"People"_s);
    ds->SetFileName(csv.fileName());
    report->DataSets().Add(ds);
    TStringList fields; // as the data tree lists them
    ds->GetFieldList(fields);
    const TkavDropOptions fieldOnly{true, false};
    const QPointF at(108, masterTop() + 28);
    ASSERT_TRUE(ws->DragOver({{u"<People.\"Name\">"_s, ds, true}}, fieldOnly, at));
    EXPECT_NEAR(ws->Insertion().Width, std::round(160 / G) * G, 1e-6);
    ws->DragDrop({}, fieldOnly, at); // disarms
    ASSERT_TRUE(ws->DragOver({{u"<People.\"Amount\">"_s, ds, true}}, fieldOnly, at));
    EXPECT_NEAR(ws->Insertion().Width, std::round(80 / G) * G, 1e-6);
}

TEST_F(WorkspaceTest, DroppingADataSetMakesABandForItsFields)
{
    auto *ds = TkavComponent::Create<TkavUserDataSet>(report->Pages(0));
    ds->SetName(u"Orders"_s);
    ds->Fields().Add(u"Total"_s);
    report->DataSets().Add(ds);
    const QList<TkavDropItem> items = {{QString(), ds, true}, {u"<Orders.\"Total\">"_s, ds, true}};
    ws->DragDrop(items, {true, false}, {100, band(u"PageFooter1"_s)->Top() + 100});
    auto *total = find<TkavMemoView>(u"OrdersTotal"_s);
    ASSERT_TRUE(total);
    auto *data = dynamic_cast<TkavMasterData *>(total->Parent());
    ASSERT_TRUE(data);
    EXPECT_EQ(data->DataSet(), ds);
    EXPECT_EQ(total->Align(), baLeft);
    EXPECT_NEAR(total->Left(), 0, 1e-6); // lined up from the band's left edge
}

TEST_F(WorkspaceTest, GuidesAreCreatedMovedAndRemovedAtTheEdge)
{
    auto *page = static_cast<TkavReportPage *>(doc->Page());
    ws->GuideDrop(false, 50.5);
    ASSERT_EQ(page->HGuides().Count(), 1);
    EXPECT_NEAR(kavTextToFloat(page->HGuides().Strings(0)), 13 * G, 1e-6);
    const double y = 13 * G;
    ws->MouseMove({}, {400, y + 2});
    ASSERT_EQ(ws->Mode(), WorkspaceController::dmMoveGuide);
    ws->MouseDown(mbLeft, {}, {400, y + 2});
    ws->MouseMove({ssLeft}, {400, y + 2 - 4 * G - 1});
    ws->MouseUp(mbLeft, {}, {400, y + 2 - 4 * G - 1});
    EXPECT_NEAR(kavTextToFloat(page->HGuides().Strings(0)), 9 * G, 1e-6);

    // Dragged to 2 pixels from the top (free of the grid), it goes.
    doc->Options().GridAlign = false;
    ws->MouseMove({}, {400, 9 * G});
    ws->MouseDown(mbLeft, {}, {400, 9 * G});
    ws->MouseMove({ssLeft}, {400, 2});
    ws->MouseUp(mbLeft, {}, {400, 2});
    EXPECT_EQ(page->HGuides().Count(), 0);
    ASSERT_TRUE(doc->Undo());
    EXPECT_EQ(static_cast<TkavReportPage *>(doc->Page())->HGuides().Count(), 1);
}

TEST_F(WorkspaceTest, ZoomToolStepsAndStaysWithinBounds)
{
    ws->SetTool(dtZoom);
    const std::tuple<double, TMouseButton, double> steps[] = {
        {0.5, mbLeft, 0.75}, {1, mbLeft, 2}, {2.5, mbRight, 1.5}, {0.4, mbRight, 0.4}, {20, mbLeft, 20}};
    for (const auto &[from, button, to] : steps) {
        doc->SetScale(from);
        ws->MouseDown(button, {}, {100, 100});
        ws->MouseUp(button, {}, {100, 100});
        EXPECT_DOUBLE_EQ(doc->Scale(), to) << from;
    }
}

TEST_F(WorkspaceTest, InplaceEditIsOneUndoableChange)
{
    memo->SetText(u"old\r\n"_s);
    EXPECT_EQ(WorkspaceController::InplaceText(*memo), u"old"_s);
    const int undo = doc->UndoBuffer().UndoCount();
    ws->InplaceDone(memo, u"new text"_s, true, false, 0, 0);
    EXPECT_EQ(memo->Text().trimmed(), u"new text"_s);
    EXPECT_EQ(doc->UndoBuffer().UndoCount(), undo + 1);
    ws->InplaceDone(memo, u"ignored"_s, false, false, 0, 0);
    EXPECT_EQ(memo->Text().trimmed(), u"new text"_s);
}

TEST_F(WorkspaceTest, FieldListOfADataMemoBindsTheChosenField)
{
    auto *ds = TkavComponent::Create<TkavUserDataSet>(report->Pages(0));
    ds->SetName(u"Items"_s);
    ds->Fields().Add(u"Code"_s);
    ds->Fields().Add(u"Price"_s);
    report->DataSets().Add(ds);
    static_cast<TkavDataBand *>(band(u"MasterData1"_s))->SetDataSet(ds);
    memo->SetDataSet(ds);
    memo->SetDataField(u"Code"_s);
    QStringList offered;
    QString current;
    ws->ViewHooks().FieldList = [&](TkavCustomMemoView *, const QStringList &fields, const QString &now) {
        offered = fields;
        current = now;
    };
    const QPointF corner(memo->AbsLeft() + memo->Width() - 8, memo->AbsTop() + 4);
    ws->MouseMove({}, corner - QPointF(20, 0)); // over the memo, left of its last 4 pixels
    ASSERT_EQ(ws->HoveredMemo(), memo);
    ws->MouseDown(mbLeft, {}, corner);
    EXPECT_EQ(offered, QStringList({u"Code"_s, u"Price"_s}));
    EXPECT_EQ(current, u"Code"_s);
    const int undo = doc->UndoBuffer().UndoCount();
    ws->FieldChosen(memo, u"Price"_s);
    EXPECT_EQ(memo->DataField(), u"Price"_s);
    EXPECT_EQ(doc->UndoBuffer().UndoCount(), undo + 1);
    // A memo on a band without data shows no marker.
    ws->MouseMove({}, {5, band(u"ReportTitle1"_s)->Top() + 5});
    EXPECT_EQ(ws->HoveredMemo(), nullptr);
}

TEST_F(WorkspaceTest, FormatToolCopiesTheLookOfTheFirstSelectedMemo)
{
    TkavMemoView *target = insertMemo(200, masterTop() + 2, 80, 20);
    TkavMemoView *locked = insertMemo(300, masterTop() + 2, 80, 20);
    locked->SetRestrictions({rfDontModify});
    memo->SetHAlign(haRight);
    memo->SetColor(clYellow);
    memo->Font().SetSize(20);
    doc->Select(memo);
    ws->SetTool(dtFormat);
    for (TkavMemoView *m : {target, locked}) {
        ws->MouseDown(mbLeft, {}, centre(m));
        ws->MouseUp(mbLeft, {}, centre(m));
    }
    EXPECT_EQ(target->HAlign(), haRight);
    EXPECT_EQ(target->Color(), clYellow);
    EXPECT_EQ(target->Font().Size(), 20);
    EXPECT_EQ(locked->HAlign(), haLeft);
}

TEST_F(WorkspaceTest, ZoomRectangleFillsTheViewAndScrollsToIt)
{
    ws->ViewHooks().ViewportSize = [] { return QSizeF(816, 616); };
    double scale = 0;
    QPointF scroll;
    ws->ViewHooks().ZoomTo = [&](double s, QPointF to) { scale = s, scroll = to; };
    ws->SetTool(dtZoom);
    ws->MouseDown(mbLeft, {}, {100, 200});
    ws->MouseMove({ssLeft}, {200, 250});
    ws->MouseUp(mbLeft, {}, {200, 250});
    EXPECT_DOUBLE_EQ(scale, 8); // min(800 / 100, 600 / 50)
    EXPECT_DOUBLE_EQ(doc->Scale(), 8);
    const auto *page = static_cast<TkavReportPage *>(doc->Page());
    EXPECT_NEAR(scroll.x(), (100 + page->LeftMargin() * kavMMToPixels) * 8, 1e-6);
    EXPECT_NEAR(scroll.y(), (200 + page->TopMargin() * kavMMToPixels) * 8, 1e-6);
}

TEST_F(WorkspaceTest, SimulatedMoveFollowsTheMouseFromInsideTheSelection)
{
    doc->Select(memo);
    const double left = memo->Left();
    ws->SimulateMove();
    EXPECT_EQ(ws->Mode(), WorkspaceController::dmMove);
    const QPointF start(memo->AbsLeft() + 20, memo->AbsTop() + 20);
    ws->MouseMove({ssLeft}, start + QPointF(2 * G, 0));
    ws->MouseUp(mbLeft, {}, start + QPointF(2 * G, 0));
    EXPECT_NEAR(memo->Left(), left + 2 * G, 1e-6);
}

// Alt+arrows on a dot-matrix page leave one character cell between two memos, but a plain
// plain memo is touched.
TEST_F(WorkspaceTest, AltArrowsKeepACharacterBetweenDotMatrixMemos)
{
    report->SetDotMatrixReport(true);
    ASSERT_TRUE(dynamic_cast<TkavDMPPage *>(doc->NewPage()));
    ASSERT_EQ(ws->GridType(), gtChar);
    const double top = 34;
    auto *left = dynamic_cast<TkavDMPMemoView *>(doc->InsertObject(u"TkavDMPMemoView"_s, 0, 96, top, 96, 68));
    auto *moved = dynamic_cast<TkavDMPMemoView *>(doc->InsertObject(u"TkavDMPMemoView"_s, 0, 480, top, 96, 17));
    auto *below = dynamic_cast<TkavDMPMemoView *>(doc->InsertObject(u"TkavDMPMemoView"_s, 0, 480, top + 68, 96, 17));
    ASSERT_TRUE(left && moved && below);
    doc->Select(moved);
    ws->KeyDown(Qt::Key_Down, {ssAlt});
    ws->KeyUp(Qt::Key_Down, {ssAlt});
    EXPECT_NEAR(moved->Top() + moved->Height(), below->Top() - 17, 1e-6);
    ws->KeyDown(Qt::Key_Left, {ssAlt});
    EXPECT_NEAR(moved->Left(), left->Left() + left->Width() + 9.6, 1e-6);

    // Beside a plain memo there is no spacing to keep.
    auto *plain = doc->InsertObject(u"TkavMemoView"_s, 0, 96, top + 68, 96, 17);
    ASSERT_TRUE(plain);
    doc->Select(below);
    ws->KeyDown(Qt::Key_Left, {ssAlt});
    EXPECT_NEAR(below->AbsLeft(), plain->AbsLeft() + plain->Width(), 1e-6);
}
