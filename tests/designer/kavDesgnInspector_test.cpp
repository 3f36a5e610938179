// The inspector's rows without its window, and the recently used fonts of the font box.
#include "kavDesignerTestSupport.h"

#include <designer/controls/kavDesgnCtrls.h>
#include <designer/inspector/kavDesgnInspectorModel.h>
#include <report/kavBands.h>
#include <rtl/kavSettings.h>

#include <QTemporaryDir>

using namespace Qt::StringLiterals;

TEST_F(DesignerTest, InspectorComesBackToTheLastRowAndKeepsEventsApart)
{
    TkavMemoView *memo = insertMemo(10, masterTop() + 1);
    PropertyGridModel model(doc.get());
    model.SetSelectedObjects({memo});
    EXPECT_GE(model.FindRow(u"Name"_s), 0);
    EXPECT_LT(model.FindRow(u"OnBeforePrint"_s), 0);
    model.SetItemIndex(model.FindRow(u"Left"_s));

    // A band has Left too: the row is selected again; the selection position survives a
    // selection without it.
    model.SetSelectedObjects({find(u"MasterData1"_s)});
    EXPECT_EQ(model.RowName(model.ItemIndex()), u"Left"_s);
    model.SetSelectedObjects({});
    EXPECT_EQ(model.RowCount(), 0);
    model.SetSelectedObjects({memo});
    EXPECT_EQ(model.RowName(model.ItemIndex()), u"Left"_s);

    model.SetTab(1);
    ASSERT_GE(model.FindRow(u"OnBeforePrint"_s), 0);
    for (int i = 0; i < model.RowCount(); ++i)
        EXPECT_TRUE(PropertyGridModel::IsEventType(model.Editor(i)->Prop().TypeName()));
    model.SetEventsAllowed(false);
    EXPECT_EQ(model.Tab(), 0);
    model.SetTab(1);
    EXPECT_EQ(model.Tab(), 0);
}

TEST_F(DesignerTest, InspectorCommitsTogglesAndExpands)
{
    TkavMemoView *memo = insertMemo(10, masterTop() + 1);
    PropertyGridModel model(doc.get());
    int modified = 0;
    model.OnModify = [&] {
        ++modified;
        doc->SetModified(true);
    };
    model.SetSelectedObjects({memo});
    model.SetItemIndex(model.FindRow(u"Height"_s));
    model.SetEditText(u"1,5"_s);
    // Moving to another row commits the typed text first.
    model.SetItemIndex(model.FindRow(u"Left"_s));
    EXPECT_NEAR(memo->Height(), 1.5 * 96 / 2.54, 1e-6);
    EXPECT_EQ(modified, 1);

    const int wordWrap = model.FindRow(u"WordWrap"_s);
    ASSERT_TRUE(model.IsBooleanRow(wordWrap));
    EXPECT_TRUE(model.ToggleBoolean(wordWrap));
    EXPECT_FALSE(memo->WordWrap());
    EXPECT_EQ(model.RowName(model.ItemIndex()), u"Left"_s); // the selection stays

    const int font = model.FindRow(u"Font"_s);
    const int rows = model.RowCount();
    model.ToggleExpanded(font);
    EXPECT_GT(model.RowCount(), rows);
    EXPECT_EQ(model.Rows(font + 1).Level, 1);
    model.UpdateProperties(); // a rebuild starts collapsed
    EXPECT_EQ(model.RowCount(), rows);

    // The undo buffer rebuilds the document: the model notices its objects are gone.
    doc->Undo();
    EXPECT_TRUE(model.Stale());
}

namespace {

class FontListTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ini = std::make_unique<TkavIniFile>(dir.filePath(u"fonts.ini"_s));
        list.SetIni(ini.get());
    }
    static QList<TkavFontItem> families(const QStringList &names)
    {
        QList<TkavFontItem> items;
        for (const QString &n : names)
            items.append({n, kavTrueTypeFontType});
        return items;
    }
    QStringList names(int count) const
    {
        QStringList result;
        for (int i = 0; i < count && i < list.Items().size(); ++i)
            result << list.Items()[i].Name;
        return result;
    }
    int indexOf(const QString &name) const
    {
        for (int i = list.Numused() + 1; i < list.Items().size(); ++i)
            if (list.Items()[i].Name == name)
                return i;
        return -1;
    }

    QTemporaryDir dir;
    std::unique_ptr<TkavIniFile> ini;
    TkavFontList list;
    const QStringList installed{u"Tahoma"_s, u"Arial"_s, u"Courier New"_s, u"Verdana"_s,
                                u"Georgia"_s, u"Impact"_s, u"arial"_s};
};

} // namespace

// A font the memo names but the system lacks is shown by its name, not as the first family.
TEST_F(FontListTest, MissingFontShowsItsOwnName)
{
    TkavFontComboBox box;
    box.PopulateList(families(installed));
    box.SetFontName(u"Georgia"_s);
    EXPECT_EQ(box.currentText(), u"Georgia"_s);
    box.SetFontName(u"Gone Sans"_s);
    EXPECT_EQ(box.currentIndex(), -1);
    EXPECT_EQ(box.placeholderText(), u"Gone Sans"_s);
    box.SetFontName(u"Arial"_s);
    EXPECT_EQ(box.currentText(), u"Arial"_s);
}

TEST_F(FontListTest, RecentFontsGoOnTopAndAreStored)
{
    list.PopulateList(families(installed));
    EXPECT_EQ(list.Numused(), -1);
    EXPECT_EQ(names(3), QStringList({u"Arial"_s, u"Courier New"_s, u"Georgia"_s})); // sorted, one Arial

    list.Choose(indexOf(u"Arial"_s)); // the first entry counts while nothing is recent
    list.Choose(indexOf(u"Tahoma"_s));
    EXPECT_EQ(list.Numused(), 1);
    EXPECT_EQ(names(2), QStringList({u"Tahoma"_s, u"Arial"_s}));
    EXPECT_EQ(ini->ReadString(u"MRUFont"_s, u"Font0"_s, QString()), u"Tahoma"_s);
    EXPECT_EQ(ini->ReadString(u"MRUFont"_s, u"Font1"_s, QString()), u"Arial"_s);
    EXPECT_EQ(ini->ReadInteger(u"MRUFont"_s, u"FontType1"_s, 0), kavTrueTypeFontType);

    list.Choose(1); // a recent font moves to the top without a copy
    EXPECT_EQ(names(2), QStringList({u"Arial"_s, u"Tahoma"_s}));
    EXPECT_EQ(list.Numused(), 1);

    for (const QString &f : {u"Verdana"_s, u"Georgia"_s, u"Impact"_s, u"Courier New"_s})
        list.Choose(indexOf(f));
    EXPECT_EQ(list.Numused(), 4);
    EXPECT_EQ(names(5), QStringList({u"Courier New"_s, u"Impact"_s, u"Georgia"_s, u"Verdana"_s, u"Arial"_s}));
    EXPECT_EQ(list.Items().size(), 6 + 5);

    // The next run reads them back; one no longer installed is dropped and cleared.
    TkavFontList next;
    next.SetIni(ini.get());
    next.PopulateList(families({u"Arial"_s, u"Courier New"_s, u"Georgia"_s, u"Impact"_s}));
    EXPECT_EQ(next.Numused(), 3);
    EXPECT_EQ(next.Items()[3].Name, u"Arial"_s);
    EXPECT_EQ(ini->ReadString(u"MRUFont"_s, u"Font3"_s, u"x"_s), QString());
    EXPECT_EQ(ini->ReadInteger(u"MRUFont"_s, u"FontType3"_s, 9), 0);
}
