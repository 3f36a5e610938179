// Where the preview puts its pages: rows, centring, finding the page at an offset.
#include <preview/kavPreviewPageList.h>

#include <gtest/gtest.h>

namespace {

TkavPageList pages(int count, int width, int height, int clientWidth)
{
    TkavPageList list;
    for (int i = 0; i < count; ++i)
        list.AddPage(width, height);
    list.CalcBounds(clientWidth);
    return list;
}

TEST(PageList, OnePageARowCentredAtFullSize)
{
    const TkavPageList list = pages(3, 794, 1123, 1000);
    // (1000 - 804 + 10) div 2 + 10
    EXPECT_EQ(list.Items(0).OffsetX, 113);
    EXPECT_EQ(list.Items(0).OffsetY, 10);
    EXPECT_EQ(list.Items(1).OffsetX, 113);
    EXPECT_EQ(list.Items(1).OffsetY, 10 + 1123 + 10);
    EXPECT_EQ(list.Bottom(), 10 + 3 * 1123 + 2 * 10);
}

TEST(PageList, SmallPagesShareRows)
{
    // A4 at 25 %: 199 pixels wide, four to a row of 1000.
    const TkavPageList list = pages(9, 199, 281, 1000);
    EXPECT_EQ(list.Items(0).OffsetY, list.Items(3).OffsetY);
    EXPECT_NE(list.Items(3).OffsetY, list.Items(4).OffsetY);
    EXPECT_EQ(list.Items(4).OffsetY, 10 + 281 + 10);
    EXPECT_EQ(list.Items(1).OffsetX - list.Items(0).OffsetX, 209);
    // The last row holds one page, centred like a single column.
    EXPECT_EQ(list.Items(8).OffsetX, (1000 - 209 + 10) / 2 + 10);
}

TEST(PageList, AppendingLaysOutOnlyTheLastRowAgain)
{
    TkavPageList list = pages(5, 199, 281, 1000);
    for (int i = 0; i < 6; ++i)
        list.AddPage(199, 281);
    list.CalcBounds(1000, 5);
    const TkavPageList whole = pages(11, 199, 281, 1000);
    for (int i = 0; i < 11; ++i) {
        EXPECT_EQ(list.Items(i).OffsetX, whole.Items(i).OffsetX) << i;
        EXPECT_EQ(list.Items(i).OffsetY, whole.Items(i).OffsetY) << i;
    }
    EXPECT_EQ(list.Bottom(), whole.Bottom());
}

TEST(PageList, FindPageAllowsAFifthOfThePage)
{
    const TkavPageList list = pages(3, 794, 1000, 1000);
    EXPECT_EQ(list.FindPage(0), 0);
    EXPECT_EQ(list.FindPage(1010 - 201), 0);
    // Page 2 starts at 1020: within a fifth of it (200) above, it counts.
    EXPECT_EQ(list.FindPage(1020 - 200), 1);
    EXPECT_EQ(list.FindPage(100000), 2);
    // With a horizontal position the point has to lie on the page.
    EXPECT_EQ(list.FindPage(1030, 200), 1);
}

TEST(PageList, PlaceholderWithoutPages)
{
    const TkavPageList list;
    EXPECT_EQ(list.GetPageBounds(0, 1000, 1, false), QRect(103, 10, 794, 1123));
    EXPECT_EQ(list.GetPageBounds(0, 500, 1, false).left(), 10);
    const TkavPageList one = pages(1, 100, 100, 1000);
    EXPECT_EQ(one.GetPageBounds(0, 1000, 1, true).left(), 1000 - 100 - one.Items(0).OffsetX);
}

} // namespace
