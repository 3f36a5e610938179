#include "kavDesignerTestSupport.h"

#include <designer/editors/kavDesgnCompEditors.h>
#include <report/kavBands.h>

using namespace Qt::StringLiterals;

namespace {

QList<int> tags(const QList<TkavMenuItem> &items)
{
    QList<int> result;
    for (const TkavMenuItem &item : items)
        result.append(item.Tag);
    return result;
}

} // namespace

TEST_F(DesignerTest, PageFooterOffersOnlyFirstAndLastPage)
{
    doc->Select(find(u"PageFooter1"_s));
    const QList<TkavMenuItem> items = doc->ObjectMenuItems();
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items[0].Caption, kavResourceTable().Get(u"bvOnFirst"_s));
    EXPECT_EQ(items[1].Caption, kavResourceTable().Get(u"bvOnLast"_s));
    EXPECT_TRUE(items[0].Checked);
    ASSERT_TRUE(doc->ExecuteMenuItem(1, false));
    EXPECT_FALSE(find<TkavPageFooter>(u"PageFooter1"_s)->PrintOnLastPage());
    EXPECT_EQ(doc->UndoBuffer().UndoCount(), 2);
}

TEST_F(DesignerTest, BandItemsFollowTheBandKind)
{
    doc->Select(find(u"MasterData1"_s));
    EXPECT_EQ(tags(doc->ObjectMenuItems()), (QList<int>{10, 11, 12, 13, 14, 0, 1, 2, 3, 4}));
    doc->Select(find(u"ReportTitle1"_s));
    EXPECT_EQ(tags(doc->ObjectMenuItems()), (QList<int>{10, 11, 12, 13, 14}));
    doc->Selection().Add(find(u"MasterData1"_s)); // two bands: no band items
    EXPECT_TRUE(doc->ObjectMenuItems().isEmpty());
}

TEST_F(DesignerTest, MemoItemsChangeEveryUnrestrictedMemo)
{
    auto *a = insertMemo(10, masterTop());
    auto *b = insertMemo(50, masterTop());
    auto *locked = insertMemo(90, masterTop());
    locked->SetRestrictions({rfDontModify});
    for (TkavMemoView *m : {a, b, locked})
        m->SetStretchMode(smActualHeight);
    doc->Selection().Select(a);
    doc->Selection().Add(b);
    doc->Selection().Add(locked);
    const QList<TkavMenuItem> items = doc->ObjectMenuItems();
    EXPECT_EQ(tags(items), (QList<int>{1, 50, 2, -1, 3, 4, 5, 6, 7, 8, -1, 40, 41, 51, 52, 53, 54}));
    EXPECT_TRUE(items[11].Checked); // mvStretch
    ASSERT_TRUE(doc->ExecuteMenuItem(40, false));
    EXPECT_EQ(a->StretchMode(), smDontStretch);
    EXPECT_EQ(b->StretchMode(), smDontStretch);
    EXPECT_EQ(locked->StretchMode(), smActualHeight);
    const int undo = doc->UndoBuffer().UndoCount();
    EXPECT_FALSE(doc->ExecuteMenuItem(1, true)); // display format dialog cancelled
    EXPECT_EQ(doc->UndoBuffer().UndoCount(), undo);
}

TEST_F(DesignerTest, ResetPageNumbersStartsANewPage)
{
    TkavBand *band = doc->InsertBand(12);
    ASSERT_TRUE(band);
    doc->Select(band);
    ASSERT_TRUE(doc->ExecuteMenuItem(3, true));
    auto *group = find<TkavGroupHeader>(band->Name());
    EXPECT_TRUE(group->ResetPageNumbers());
    EXPECT_TRUE(group->StartNewPage());
    doc->Select(group);
    ASSERT_TRUE(doc->ExecuteMenuItem(3, false));
    EXPECT_TRUE(group->StartNewPage());
}

TEST_F(DesignerTest, RestrictedBandIsLeftAlone)
{
    auto *band = find<TkavBand>(u"MasterData1"_s);
    band->SetRestrictions({rfDontModify});
    doc->Select(band);
    EXPECT_FALSE(doc->ExecuteMenuItem(10, true));
    EXPECT_FALSE(band->Stretched());
}

TEST_F(DesignerTest, MemoEditorReplacesTextAndUnbindsTheField)
{
    auto *memo = find<TkavMemoView>(u"Memo1"_s);
    memo->SetDataField(u"Company"_s);
    dialogs().Memo = [](TkavCustomMemoView &, QString &text) {
        text = u"typed"_s;
        return true;
    };
    doc->Select(memo);
    ASSERT_TRUE(doc->EditSelected());
    EXPECT_EQ(memo->Text().trimmed(), u"typed"_s);
    EXPECT_TRUE(memo->DataField().isEmpty());
    memo->SetRestrictions({rfDontEdit});
    EXPECT_FALSE(doc->EditSelected());
    EXPECT_EQ(dialogs().Opened, 1);
}

TEST_F(DesignerTest, LineAndPictureItems)
{
    auto *line = doc->InsertObject(u"TkavLineView"_s, 0, 10, masterTop(), 50, 0);
    doc->Select(line);
    EXPECT_EQ(tags(doc->ObjectMenuItems()), (QList<int>{0, 1, 51, 52, 53, 54}));
    ASSERT_TRUE(doc->ExecuteMenuItem(0, true));
    EXPECT_TRUE(find<TkavLineView>(line->Name())->Diagonal());
    ASSERT_TRUE(doc->ExecuteMenuItem(53, false));
    EXPECT_FALSE(find<TkavLineView>(line->Name())->Visible());

    auto *picture = doc->InsertObject(u"TkavPictureView"_s, 0, 80, masterTop(), 40, 40);
    doc->Select(picture);
    EXPECT_EQ(tags(doc->ObjectMenuItems()), (QList<int>{0, 1, 2, 3, -1, 51, 52, 53, 54}));
    ASSERT_TRUE(doc->ExecuteMenuItem(2, true));
    EXPECT_TRUE(find<TkavPictureView>(picture->Name())->Center());
}

TEST_F(DesignerTest, SubreportEditorShowsItsPage)
{
    auto *sub = dynamic_cast<TkavSubreport *>(
        doc->InsertObject(u"TkavSubreport"_s, 0, 10, masterTop(), 100, 20));
    ASSERT_TRUE(sub);
    doc->SetPage(report->Pages(1));
    doc->Select(sub);
    EXPECT_FALSE(doc->EditSelected());
    EXPECT_EQ(doc->Page(), sub->SubPage());
    doc->SetPage(report->Pages(1));
    doc->Select(sub);
    ASSERT_TRUE(doc->ExecuteMenuItem(0, true));
    EXPECT_TRUE(find<TkavSubreport>(sub->Name())->PrintOnParent());
}

TEST_F(DesignerTest, ColumnFooterHasNoItems)
{
    TkavBand *footer = doc->InsertBand(16);
    ASSERT_TRUE(footer);
    doc->Select(footer);
    EXPECT_TRUE(doc->ObjectMenuItems().isEmpty());
    EXPECT_FALSE(doc->CanAddChildBand());
}
