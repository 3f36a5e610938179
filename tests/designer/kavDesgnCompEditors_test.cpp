#include "kavDesignerTestSupport.h"

#include <designer/code/kavDesgnSyntaxMemo.h>
#include <designer/dialogs/kavDesgnSQLEditor.h>
#include <designer/editors/kavDesgnCompEditors.h>
#include <designer/editors/kavDesgnPropEditors.h>
#include <report/kavBands.h>

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QList<int> tags(const QList<TkavMenuItem> &items)
{
    QList<int> result;
    for (const TkavMenuItem &item : items)
        result.append(item.Tag);
    return result;
}

// A stand-in for a dialog control: the editor knows controls by their class name and their
// OnClick event.
class TestDialogControl : public TkavReportComponent
{
public:
    KAV_CLASSINFO
    using TkavReportComponent::TkavReportComponent;
    void Draw(QPainter *, double, double, double, double) override {}
    const QString &OnClick() const { return FOnClick; }
    void SetOnClick(const QString &value) { FOnClick = value; }

private:
    QString FOnClick;
};

} // namespace

const TkavClassInfo &TestDialogControl::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TestDialogControl, TkavReportComponent>(
        u"TkavDialogControl"_s,
        [](TkavPropBuilder<TestDialogControl> &p) {
            p.Event(u"OnClick"_s, &TestDialogControl::OnClick, &TestDialogControl::SetOnClick);
        },
        kavComponentFactory<TestDialogControl>());
    return info;
}

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

namespace {

// The Boolean published property Name of c.
bool flag(TkavComponent &c, const QString &name)
{
    const TkavPropInfo *prop = kavFindProp(c, name);
    return prop && prop->GetOrd(c) != 0;
}

const TkavMenuItem *itemOf(const QList<TkavMenuItem> &items, int tag)
{
    for (const TkavMenuItem &item : items)
        if (item.Tag == tag)
            return &item;
    return nullptr;
}

} // namespace

// Each band item shows its property's state and switches that property, both ways.
TEST_F(DesignerTest, BandItemsSwitchTheirProperty)
{
    struct Row
    {
        int band; // the insert-band tag
        int tag;
        const char16_t *property;
    };
    const Row rows[] = {
        {6, 10, u"Stretched"},          {6, 11, u"AllowSplit"},
        {6, 12, u"KeepChild"},          {6, 13, u"PrintChildIfInvisible"},
        {6, 14, u"StartNewPage"},       {6, 0, u"PrintIfDetailEmpty"},
        {6, 1, u"FooterAfterEach"},     {6, 2, u"KeepTogether"},
        {6, 3, u"KeepFooter"},          {6, 4, u"KeepHeader"},
        {4, 0, u"ReprintOnNewPage"},    {4, 12, u"KeepChild"},
        {2, 0, u"PrintOnFirstPage"},    {2, 13, u"PrintChildIfInvisible"},
        {3, 0, u"PrintOnFirstPage"},    {3, 1, u"PrintOnLastPage"},
        {12, 0, u"KeepTogether"},       {12, 1, u"ReprintOnNewPage"},
        {12, 2, u"DrillDown"},          {12, 14, u"StartNewPage"},
        {15, 10, u"Stretched"},         {0, 11, u"AllowSplit"},
    };
    for (const Row &row : rows) {
        const QString property = QString::fromUtf16(row.property);
        SCOPED_TRACE(u"band %1, tag %2, %3"_s.arg(row.band).arg(row.tag).arg(property).toStdString());
        TkavBand *band = doc->InsertBand(row.band);
        ASSERT_TRUE(band);
        doc->Select(band);
        const auto items = doc->ObjectMenuItems();
        const TkavMenuItem *item = itemOf(items, row.tag);
        ASSERT_TRUE(item);
        const bool was = flag(*band, property);
        EXPECT_EQ(item->Checked, was);
        const int undo = doc->UndoBuffer().UndoCount();
        ASSERT_TRUE(doc->ExecuteMenuItem(row.tag, !was));
        EXPECT_EQ(flag(*band, property), !was);
        const auto after = doc->ObjectMenuItems();
        EXPECT_EQ(itemOf(after, row.tag)->Checked, !was);
        EXPECT_EQ(doc->UndoBuffer().UndoCount(), undo + 1);
        ASSERT_TRUE(doc->ExecuteMenuItem(row.tag, was));
        EXPECT_EQ(flag(*band, property), was);
    }
}

TEST_F(DesignerTest, BandKindsOfferTheirItemsOnly)
{
    auto tagsOf = [&](int bandTag) {
        TkavBand *band = doc->InsertBand(bandTag);
        doc->Select(band);
        return tags(doc->ObjectMenuItems());
    };
    EXPECT_EQ(tagsOf(2), (QList<int>{10, 13, 0}));         // page header
    EXPECT_EQ(tagsOf(5), (QList<int>{10, 11, 12, 13}));    // footer: no new page
    EXPECT_EQ(tagsOf(4), (QList<int>{10, 11, 12, 13, 14, 0}));
    EXPECT_EQ(tagsOf(12), (QList<int>{10, 11, 12, 13, 14, 0, 1, 2, 3}));
    EXPECT_EQ(tagsOf(15), (QList<int>{10}));               // column header
    EXPECT_EQ(tagsOf(117), QList<int>{});                   // overlay
    EXPECT_EQ(tagsOf(106), (QList<int>{13, 14, 0, 1}));    // vertical master data
}

// Every check item of a memo reaches every selected memo that may be modified.
TEST_F(DesignerTest, MemoAndViewItemsReachEverySelectedMemo)
{
    auto *a = insertMemo(10, masterTop());
    auto *b = insertMemo(50, masterTop());
    auto *locked = insertMemo(90, masterTop());
    locked->SetRestrictions({rfDontModify});
    doc->Selection().Select(a);
    doc->Selection().Add(b);
    doc->Selection().Add(locked);
    const std::pair<int, const char16_t *> rows[] = {
        {3, u"AutoWidth"},        {4, u"WordWrap"},         {5, u"SuppressRepeated"},
        {6, u"HideZeros"},        {7, u"AllowExpressions"}, {8, u"AllowHTMLTags"},
        {53, u"Visible"},         {54, u"Printable"}};
    for (const auto &[tag, name] : rows) {
        const QString property = QString::fromUtf16(name);
        SCOPED_TRACE(property.toStdString());
        const bool was = flag(*a, property);
        EXPECT_EQ(itemOf(doc->ObjectMenuItems(), tag)->Checked, was);
        ASSERT_TRUE(doc->ExecuteMenuItem(tag, !was));
        EXPECT_EQ(flag(*a, property), !was);
        EXPECT_EQ(flag(*b, property), !was);
        EXPECT_EQ(flag(*locked, property), was);
    }
    ASSERT_TRUE(doc->ExecuteMenuItem(41, true));
    EXPECT_EQ(b->StretchMode(), smMaxHeight);
    ASSERT_TRUE(doc->ExecuteMenuItem(52, true));
    EXPECT_EQ(b->ShiftMode(), smWhenOverlapped);
    EXPECT_TRUE(itemOf(doc->ObjectMenuItems(), 52)->Checked);
    ASSERT_TRUE(doc->ExecuteMenuItem(51, true));
    EXPECT_EQ(a->ShiftMode(), smAlways);
    EXPECT_FALSE(itemOf(doc->ObjectMenuItems(), 52)->Checked);
    ASSERT_TRUE(doc->ExecuteMenuItem(51, false));
    EXPECT_EQ(b->ShiftMode(), smDontShift);
    a->SetText(u"one"_s);
    b->SetText(u"two"_s);
    locked->SetText(u"kept"_s);
    ASSERT_TRUE(doc->ExecuteMenuItem(2, true));
    EXPECT_TRUE(a->Text().isEmpty());
    EXPECT_TRUE(b->Text().isEmpty());
    EXPECT_EQ(locked->Text().trimmed(), u"kept"_s);
}

TEST_F(DesignerTest, HyperlinkAndFormatDialogsGoToEverySelectedMemo)
{
    auto *a = insertMemo(10, masterTop());
    auto *b = insertMemo(50, masterTop());
    doc->Selection().Select(a);
    doc->Selection().Add(b);
    const int undo = doc->UndoBuffer().UndoCount();
    EXPECT_FALSE(doc->ExecuteMenuItem(50, true)); // cancelled: no change, no history step
    EXPECT_EQ(doc->UndoBuffer().UndoCount(), undo);
    dialogs().Hyperlink = [](TkavView &view) {
        view.Hyperlink().SetValue(u"https://example.org"_s);
        return true;
    };
    ASSERT_TRUE(doc->ExecuteMenuItem(50, true));
    EXPECT_EQ(b->Hyperlink().Value(), u"https://example.org"_s);
    dialogs().DisplayFormat = [](TkavCustomMemoView &memo) {
        memo.DisplayFormat().SetKind(fkNumeric);
        memo.DisplayFormat().SetFormatStr(u"%2.2f"_s);
        return true;
    };
    ASSERT_TRUE(doc->ExecuteMenuItem(1, true));
    ASSERT_EQ(b->Formats().Count(), 1);
    EXPECT_EQ(b->DisplayFormat().FormatStr(), u"%2.2f"_s);
    EXPECT_EQ(b->DisplayFormat().Kind(), fkNumeric);
    EXPECT_EQ(doc->UndoBuffer().UndoCount(), undo + 2);
}

TEST_F(DesignerTest, DotMatrixMemoHasNoHtmlItem)
{
    auto *memo = TkavComponent::DesignCreate<TkavDMPMemoView>(find(u"MasterData1"_s));
    memo->CreateUniqueName();
    doc->Select(memo);
    const QList<int> offered = tags(doc->ObjectMenuItems());
    EXPECT_TRUE(offered.contains(7));
    EXPECT_FALSE(offered.contains(8));
    ASSERT_TRUE(doc->ExecuteMenuItem(4, true));
    EXPECT_TRUE(memo->WordWrap());
}

// A confirmed double-click dialog is a change; a cancelled one is none.
TEST_F(DesignerTest, DoubleClickDialogsReportOnlyConfirmedChanges)
{
    auto *sysMemo = doc->InsertObject(u"TkavSysMemoView"_s, 0, 10, masterTop(), 80, 20);
    ASSERT_TRUE(sysMemo);
    dialogs().Memo = [](TkavCustomMemoView &, QString &text) {
        text = u"[DATE]"_s;
        return true;
    };
    doc->Select(sysMemo);
    ASSERT_TRUE(doc->EditSelected());
    EXPECT_EQ(dynamic_cast<TkavCustomMemoView *>(sysMemo)->Text().trimmed(), u"[DATE]"_s);

    const int undo = doc->UndoBuffer().UndoCount();
    for (const QString &name : {u"MasterData1"_s, u"Page1"_s}) {
        doc->Select(find(name));
        EXPECT_FALSE(doc->EditSelected()) << name.toStdString(); // cancelled
    }
    TkavBand *group = doc->InsertBand(12);
    doc->Select(group);
    EXPECT_FALSE(doc->EditSelected());
    EXPECT_EQ(doc->UndoBuffer().UndoCount(), undo + 1);

    dialogs().ObjectDialog = [](TkavComponent &) { return true; };
    doc->Select(group);
    EXPECT_TRUE(doc->EditSelected());
    doc->Select(find(u"MasterData1"_s));
    EXPECT_TRUE(doc->EditSelected());
    doc->SetPage(find(u"Page1"_s));
    EXPECT_TRUE(doc->EditSelected()); // the page itself: its options
    TkavDesigner settings;
    settings.SetRestrictions({drDontChangePageOptions});
    EXPECT_FALSE(doc->EditSelected());
    EXPECT_EQ(doc->UndoBuffer().UndoCount(), undo + 4);
}

// A double click on a control goes to its click handler, written the first time.
TEST_F(DesignerTest, DialogControlGoesToItsClickHandler)
{
    auto *button = TkavComponent::Create<TestDialogControl>(find(u"Page1"_s));
    button->SetName(u"Button1"_s);
    doc->Select(button);
    const int undo = doc->UndoBuffer().UndoCount();
    ASSERT_TRUE(doc->EditSelected());
    EXPECT_EQ(button->OnClick(), u"Button1OnClick"_s);
    EXPECT_EQ(report->ScriptText().Strings(0),
              u"procedure Button1OnClick(Sender: TkavComponent);"_s);
    EXPECT_EQ(doc->UndoBuffer().UndoCount(), undo + 1);
    EXPECT_EQ(doc->ScriptCaretLine(), 3);

    doc->Select(button);
    EXPECT_FALSE(doc->EditSelected()); // there already: shown, nothing changed
    EXPECT_EQ(doc->ScriptCaretColumn(), 1);
    EXPECT_EQ(report->ScriptText().Count(), 8);
    EXPECT_EQ(doc->UndoBuffer().UndoCount(), undo + 1);
}

// A query's SQL opens the SQL editor, from a double click and from the inspector alike; only
// a confirmed edit changes the query, as one undo step.
TEST_F(DesignerTest, QuerySqlGoesToTheSqlEditor)
{
    doc->SetPage(report->Pages(0)); // the data page
    TkavComponent *query = doc->InsertObject(u"TkavSQLQuery"_s, 0, 40, 40, 28, 28);
    ASSERT_TRUE(query);
    doc->Select(query);
    const QByteArray before = bytes();
    const int undo = doc->UndoBuffer().UndoCount();
    EXPECT_FALSE(doc->EditSelected()); // cancelled
    EXPECT_EQ(bytes(), before);
    EXPECT_EQ(dialogs().Opened, 1);

    dialogs().SQL = [](TStrings &sql) {
        sql.SetText(u"select Name\nfrom people"_s);
        return true;
    };
    EXPECT_TRUE(doc->EditSelected());
    const auto *sql = dynamic_cast<TStrings *>(kavFindProp(*query, u"SQL")->GetObject(*query));
    ASSERT_EQ(sql->Count(), 2);
    EXPECT_EQ(sql->Strings(1), u"from people"_s);
    EXPECT_EQ(doc->UndoBuffer().UndoCount(), undo + 1);

    dialogs().Lines = [](TStrings &) { return ADD_FAILURE() << "the plain lines dialog", false; };
    auto editor = kavCreatePropertyEditor(*query, *kavFindProp(*query, u"SQL"), doc.get());
    ASSERT_TRUE(editor);
    dialogs().SQL = [](TStrings &sql) {
        EXPECT_EQ(sql.Count(), 2);
        sql.Add(u"where City = :City"_s);
        return true;
    };
    EXPECT_TRUE(editor->Edit());
    EXPECT_EQ(sql->Count(), 3);
}

// The dialog itself: the text with SQL colouring, given back as lines after OK.
TEST_F(DesignerTest, SqlEditorLoadsAndAppliesTheLines)
{
    TStringList sql;
    sql.SetText(u"select *\nfrom t\n"_s);
    TkavSQLEditorForm dialog;
    dialog.load(sql);
    EXPECT_EQ(dialog.Memo().Text(), u"select *\nfrom t"_s);
    EXPECT_EQ(dialog.Memo().Syntax(), u"SQL"_s);
    dialog.Memo().selectAll();
    QTest::keyClicks(&dialog.Memo(), u"select 1"_s);
    ASSERT_TRUE(dialog.validate());
    dialog.apply(sql);
    EXPECT_EQ(sql.Count(), 1);
    EXPECT_EQ(sql.Strings(0), u"select 1"_s);
}
