#include "kavDesignerTestSupport.h"

#include <report/kavBands.h>
#include <report/kavDMP.h>
#include <report/kavDataSets.h>
#include <report/kavPages.h>

#include <QBuffer>
#include <QImage>

using namespace Qt::StringLiterals;

namespace {

const QString marker = u"#KV3 clipboard#\n\r"_s;

} // namespace

// Attribute texts are written with "." whatever the locale.
class ClipboardTest : public DesignerTest
{
protected:
    TkavClipboard &clip() { return doc->Clipboard(); }
};

TEST_F(ClipboardTest, CopyWritesMarkerAndOneElementPerObject)
{
    doc->Select(find(u"Memo1"_s));
    const QString text = clip().CopyText();
    EXPECT_TRUE(text.startsWith(marker + u"<TkavMemoView Name=\"Memo1\" Left=\"0\" Top=\"0\" "
                                         u"Width=\"75.5906\" Height=\"18.89765\""_s))
        << text.toStdString();
    EXPECT_TRUE(text.endsWith(u"/>"_s));
    EXPECT_FALSE(text.mid(marker.size()).contains(u'\n'));
}

TEST_F(ClipboardTest, TopsRelativeToTheGroupAndPastedOnThePage)
{
    auto *a = insertMemo(10, find(u"ReportTitle1"_s)->Top() + 1);
    auto *b = insertMemo(10, masterTop() + 1);
    a->SetTop(100 - a->Parent()->AbsTop());
    b->SetTop(160 - b->Parent()->AbsTop());
    doc->Selection().Select(a);
    doc->Selection().Add(b);
    const QString text = clip().CopyText();
    EXPECT_TRUE(text.contains(u"Name=\"Memo2\" Left=\"0\" Top=\"0\""_s));
    EXPECT_TRUE(text.contains(u"Name=\"Memo3\" Left=\"0\" Top=\"60\""_s));

    const QList<TkavComponent *> pasted = clip().PasteText(text);
    ASSERT_EQ(pasted.size(), 2);
    EXPECT_EQ(pasted[0]->Parent(), doc->Page());
    EXPECT_NEAR(pasted[1]->Top(), 60, 1e-9);
    EXPECT_EQ(pasted[0]->Name(), u"Memo4"_s); // the copied objects still hold their names
    EXPECT_EQ(pasted[1]->GroupIndex(), 0);
}

TEST_F(ClipboardTest, BandCopiesItsChildrenAndPastesThemInside)
{
    auto *footer = find<TkavBand>(u"PageFooter1"_s);
    doc->Select(footer);
    const QString text = clip().CopyText();
    EXPECT_TRUE(text.contains(u"Name=\"Memo1\""_s));
    doc->DeleteSelection();
    ASSERT_FALSE(find(u"PageFooter1"_s));

    const QList<TkavComponent *> pasted = clip().PasteText(text);
    ASSERT_EQ(pasted.size(), 2);
    EXPECT_EQ(pasted[0]->Name(), u"PageFooter1"_s); // the names are free again
    EXPECT_EQ(pasted[1]->Parent(), pasted[0]);
    EXPECT_NEAR(pasted[1]->Top(), 0, 1e-9);
    EXPECT_EQ(doc->SelectedObjects(), QList<TkavComponent *>{pasted[0]});
}

TEST_F(ClipboardTest, SecondPageFooterIsLeftOut)
{
    doc->Select(find(u"PageFooter1"_s));
    doc->Selection().Add(find(u"MasterData1"_s));
    const QList<TkavComponent *> pasted = clip().PasteText(clip().CopyText());
    ASSERT_FALSE(pasted.isEmpty());
    for (TkavComponent *c : pasted)
        EXPECT_FALSE(dynamic_cast<TkavPageFooter *>(c));
    EXPECT_TRUE(dynamic_cast<TkavMasterData *>(pasted.first()));
}

TEST_F(ClipboardTest, DataPageTakesMemosButNoPictures)
{
    auto *picture = doc->InsertObject(u"TkavPictureView"_s, 0, 10, masterTop(), 40, 40);
    auto *memo = insertMemo(100, masterTop());
    doc->Selection().Select(picture);
    doc->Selection().Add(memo);
    const QString text = clip().CopyText();
    doc->SetPage(report->Pages(0));
    const QList<TkavComponent *> pasted = clip().PasteText(text);
    ASSERT_EQ(pasted.size(), 1);
    EXPECT_TRUE(dynamic_cast<TkavMemoView *>(pasted[0]));
}

TEST_F(ClipboardTest, MalformedTextChangesNothingAndSaysWhy)
{
    doc->Select(find(u"Memo1"_s));
    const QByteArray before = bytes();
    const int undo = doc->UndoBuffer().UndoCount();
    TkavClipboard::SetClipboardText(marker + u"<TkavMemoView Name=\"X\" Left=\"1\"/><TkavMemoView"_s);
    EXPECT_TRUE(doc->CanPaste());
    EXPECT_FALSE(doc->Paste());
    EXPECT_EQ(bytes(), before);
    EXPECT_EQ(doc->UndoBuffer().UndoCount(), undo);
    ASSERT_EQ(ui().CallsOf(u"MessageDlg"_s).size(), 1u);
    EXPECT_TRUE(ui().CallsOf(u"MessageDlg"_s)[0].Text.startsWith(u"The clipboard content cannot be pasted:"_s));
}

TEST_F(ClipboardTest, UnknownAndForbiddenClassesAreSkippedTheRestPasted)
{
    const QString text = marker + u"<TkavNoSuchView Name=\"A\"/><TkavReportPage Name=\"P\"/>"
                                  u"<TkavMemoView Name=\"Fresh\" Left=\"1\" Top=\"2\"/>"_s;
    const QList<TkavComponent *> pasted = clip().PasteText(text);
    ASSERT_EQ(pasted.size(), 1);
    EXPECT_EQ(pasted[0]->Name(), u"Fresh"_s);
    EXPECT_EQ(report->PagesCount(), 2);
    EXPECT_EQ(ui().CallsOf(u"MessageDlg"_s).size(), 1u); // one warning for both
}

TEST_F(ClipboardTest, PasteAvailableNeedsTheMarkerFirst)
{
    TkavClipboard::SetClipboardText(u"x#KV3 clipboard#\n\r<TkavMemoView/>"_s);
    EXPECT_FALSE(clip().PasteAvailable());
    TkavClipboard::SetClipboardText(marker);
    EXPECT_TRUE(clip().PasteAvailable());
}

TEST_F(ClipboardTest, CutAndPasteKeepsNamesAndIsUndoable)
{
    doc->Select(find(u"Memo1"_s));
    ASSERT_TRUE(doc->Cut());
    EXPECT_FALSE(find(u"Memo1"_s));
    ASSERT_TRUE(doc->Paste());
    EXPECT_TRUE(find(u"Memo1"_s));
    EXPECT_EQ(doc->UndoBuffer().UndoCount(), 3);
    doc->Undo();
    EXPECT_FALSE(find(u"Memo1"_s));
}

TEST_F(ClipboardTest, PicturesTravelThroughTheCache)
{
    auto *view = dynamic_cast<TkavPictureView *>(
        doc->InsertObject(u"TkavPictureView"_s, 0, 10, masterTop(), 40, 40));
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    view->Picture().LoadFromBytes(png);
    doc->SetModified(true);
    doc->Select(view);
    const QString text = clip().CopyText();
    EXPECT_FALSE(text.contains(u"Picture.PropData"_s));
    EXPECT_TRUE(text.contains(u"ImageIndex=\"1\""_s));
    const QList<TkavComponent *> pasted = clip().PasteText(text);
    ASSERT_EQ(pasted.size(), 1);
    EXPECT_EQ(dynamic_cast<TkavPictureView *>(pasted[0])->Picture().Width(), 4);

    view->Picture().Clear(); // undo brings the picture back from the cache
    doc->SetModified(true);
    doc->Undo();
    EXPECT_EQ(find<TkavPictureView>(u"Picture1"_s)->Picture().Width(), 4);
}

// Which objects each kind of page takes when pasted.
TEST_F(ClipboardTest, PageKindsTakeTheirObjectsOnly)
{
    TkavReport other;
    auto *reportPage = TkavComponent::Create<TkavReportPage>(&other);
    auto *dmpPage = TkavComponent::Create<TkavDMPPage>(&other);
    auto *dataPage = TkavComponent::Create<TkavDataPage>(&other);
    struct Row
    {
        const char16_t *cls;
        bool report, dmp, data;
    };
    const Row rows[] = {
        {u"TkavMasterData", true, true, false},    {u"TkavMemoView", true, false, true},
        {u"TkavLineView", true, false, true},      {u"TkavShapeView", true, false, true},
        {u"TkavPictureView", true, false, false},  {u"TkavSubreport", true, false, false},
        {u"TkavSysMemoView", true, false, true},   {u"TkavDMPMemoView", false, true, false},
        {u"TkavDMPLineView", false, true, false},  {u"TkavDMPCommand", false, true, false},
        {u"TkavUserDataSet", true, false, true},
    };
    for (const Row &row : rows) {
        const QString cls = QString::fromUtf16(row.cls);
        SCOPED_TRACE(cls.toStdString());
        const std::unique_ptr<TPersistent> made = kavFindClass(cls)->Create(nullptr);
        auto *obj = dynamic_cast<TkavComponent *>(made.get());
        ASSERT_TRUE(obj);
        EXPECT_EQ(TkavClipboard::PageAccepts(*reportPage, *obj), row.report);
        EXPECT_EQ(TkavClipboard::PageAccepts(*dmpPage, *obj), row.dmp);
        EXPECT_EQ(TkavClipboard::PageAccepts(*dataPage, *obj), row.data);
    }
}

TEST_F(ClipboardTest, BandWithOneSelectedChildCopiesThatChildOnly)
{
    auto *master = find<TkavBand>(u"MasterData1"_s);
    auto *a = insertMemo(10, masterTop());
    insertMemo(50, masterTop());
    doc->Selection().Select(master);
    doc->Selection().Add(a);
    const QString text = clip().CopyText();
    EXPECT_TRUE(text.contains(u"Name=\"MasterData1\""_s));
    EXPECT_TRUE(text.contains(u"Name=\"Memo2\""_s));
    EXPECT_FALSE(text.contains(u"Name=\"Memo3\""_s));
    EXPECT_EQ(text.count(u"<TkavMemoView"_s), 1);
}
