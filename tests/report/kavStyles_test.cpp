// Styles: the item's values and what it stores, the Color shortcut, names, applying a set to
// memos, style and style sheet files (round trips, damaged files), the built-in sheet, and
// the report's set inside report files.
#include "../kavTestSupport.h"

#include <persist/kavRes.h>
#include <persist/kavVariables.h>
#include <persist/kavXML.h>
#include <persist/kavXMLSerializer.h>
#include <report/kavClass.h>
#include <report/kavStyles.h>
#include <rtl/kavStreams.h>
#include <rtl/kavStrings.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "kavReportTestSupport.h"

using namespace Qt::StringLiterals;

namespace {

QString dupNameText()
{
    return kavResourceTable().Get(u"clDupName"_s);
}

QString attributesOf(TkavStyleItem &item)
{
    TkavXMLSerializer serializer;
    return serializer.ObjToXML(&item);
}

TkavStyleItem *addStyle(TkavStyles &set, const QString &name)
{
    TkavStyleItem *item = set.Add();
    item->SetName(name);
    return item;
}

QStringList namesOf(const TkavStyles &set)
{
    TStringList list;
    set.GetList(list);
    QStringList names;
    for (int i = 0; i < list.Count(); ++i)
        names << list.Strings(i);
    return names;
}

QByteArray savedBytes(const TkavStyles &set)
{
    TMemoryStream stream;
    set.SaveToStream(stream);
    return stream.Data();
}

void loadBytes(TkavStyles &set, const QByteArray &bytes)
{
    TMemoryStream stream(bytes);
    set.LoadFromStream(stream);
}

QByteArray withHeader(const char *body)
{
    return QByteArray("<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n") + body;
}

// A set of two styles that differ from the initial values in every part.
void fillSample(TkavStyles &set)
{
    set.SetName(u"Sample"_s);
    TkavStyleItem *title = addStyle(set, u"Title"_s);
    title->Font().SetName(u"Courier New"_s);
    title->Font().SetHeight(-16);
    title->Font().SetStyle(TFontStyles{fsBold});
    title->Frame().SetTyp(TkavFrameTypes{ftBottom});
    title->Frame().SetWidth(2);
    title->SetColor(0x808080);
    title->SetApplyFrame(false);
    TkavStyleItem *data = addStyle(set, u"Data"_s);
    data->SetFillType(ftGradient);
    static_cast<TkavGradientFill &>(data->Fill()).SetStartColor(clRed);
    data->SetApplyFont(false);
    data->SetApplyFill(false);
}

// The parts of an item that a file must keep.
void expectSameStyle(const TkavStyleItem &a, const TkavStyleItem &b)
{
    EXPECT_EQ(a.Name(), b.Name());
    EXPECT_TRUE(a.Font() == b.Font()) << a.Name().toStdString();
    EXPECT_EQ(a.Frame().Typ(), b.Frame().Typ());
    EXPECT_EQ(a.Frame().Width(), b.Frame().Width());
    EXPECT_EQ(a.ApplyFont(), b.ApplyFont());
    EXPECT_EQ(a.ApplyFill(), b.ApplyFill());
    EXPECT_EQ(a.ApplyFrame(), b.ApplyFrame());
    ASSERT_EQ(a.FillType(), b.FillType());
    EXPECT_EQ(a.Fill().Diff(&b.Fill(), u"Fill"_s), QString());
}

void expectSameSet(const TkavStyles &a, const TkavStyles &b)
{
    EXPECT_EQ(a.Name(), b.Name());
    ASSERT_EQ(a.Count(), b.Count());
    for (int i = 0; i < a.Count(); ++i)
        expectSameStyle(*a.Items(i), *b.Items(i));
}

class StylesTest : public TkavReportTest
{};

// --- the item --------------------------------------------------------------------------------

TEST_F(StylesTest, ItemStartsWithArialBrushAndAllApplyFlags)
{
    TkavStyleItem item;
    EXPECT_EQ(item.Name(), QString());
    EXPECT_EQ(item.Font().Name(), u"Arial"_s);
    EXPECT_EQ(item.Font().Size(), 10);
    EXPECT_EQ(item.Font().Charset(), 1);
    EXPECT_TRUE(item.ApplyFont());
    EXPECT_TRUE(item.ApplyFill());
    EXPECT_TRUE(item.ApplyFrame());
    EXPECT_EQ(item.FillType(), ftBrush);
    EXPECT_EQ(item.Color(), kavBrushFillDefaultBackColor);
    EXPECT_EQ(item.Frame().Typ(), TkavFrameTypes{});
}

TEST_F(StylesTest, StoredAttributesFollowTheDefaultMarks)
{
    struct Row
    {
        const char *name;
        std::function<void(TkavStyleItem &)> change;
        QStringList present;
        QStringList absent;
    };
    const QStringList neverStored = {u" Color="_s, u"InheritedName="_s};
    const QList<Row> rows = {
        {"initial values",
         [](TkavStyleItem &) {},
         {u" Name=\"S\""_s, u" Font.Name=\"Arial\""_s, u" Font.Height=\"-13\""_s},
         {u"ApplyFont="_s, u"ApplyFill="_s, u"ApplyFrame="_s, u"FillType="_s}},
        {"apply flags off",
         [](TkavStyleItem &i) {
             i.SetApplyFont(false);
             i.SetApplyFill(false);
             i.SetApplyFrame(false);
         },
         {u" ApplyFont="_s, u" ApplyFill="_s, u" ApplyFrame="_s},
         {u"FillType="_s}},
        {"brush colour travels as the fill's",
         [](TkavStyleItem &i) { i.SetColor(255); },
         {u" Fill.BackColor=\"255\""_s},
         {u"FillType="_s}},
        {"gradient fill",
         [](TkavStyleItem &i) { i.SetFillType(ftGradient); },
         {u" FillType=\"ftGradient\""_s},
         {u"Fill.BackColor="_s}},
        {"glass fill",
         [](TkavStyleItem &i) { i.SetFillType(ftGlass); },
         {u" FillType=\"ftGlass\""_s},
         {u"Fill.BackColor="_s}},
        {"frame sides",
         [](TkavStyleItem &i) { i.Frame().SetTyp(TkavFrameTypes{ftTop}); },
         {u" Frame.Typ=\"4\""_s},
         {}},
    };
    for (const Row &row : rows) {
        TkavStyleItem item;
        item.SetName(u"S"_s);
        item.SetInheritedName(u"Hidden"_s);
        row.change(item);
        const QString text = attributesOf(item);
        for (const QString &p : row.present)
            EXPECT_TRUE(text.contains(p)) << row.name << ": " << p.toStdString() << " in "
                                          << text.toStdString();
        for (const QString &a : row.absent + neverStored)
            EXPECT_FALSE(text.contains(a)) << row.name << ": " << a.toStdString() << " in "
                                           << text.toStdString();
        // Name leads; FillType comes before the fill so a reader switches the class first.
        EXPECT_TRUE(text.startsWith(u" Name="_s)) << row.name;
        const qsizetype fillType = text.indexOf(u"FillType="_s);
        if (fillType >= 0) {
            EXPECT_LT(fillType, text.indexOf(u" Fill."_s)) << row.name;
        }

        // Read back, the item equals the written one.
        TkavStyleItem back;
        TkavXMLSerializer serializer;
        serializer.XMLToObj(text, &back);
        EXPECT_EQ(serializer.Errors().Count(), 0) << row.name;
        expectSameStyle(back, item);
    }
}

TEST_F(StylesTest, ColorIsAShortcutIntoTheFill)
{
    struct Row
    {
        TkavFillType type;
        bool settable;
    };
    for (const Row &row : {Row{ftBrush, true}, Row{ftGradient, false}, Row{ftGlass, false}}) {
        TkavStyleItem item;
        item.SetFillType(row.type);
        EXPECT_EQ(item.Color(), item.Fill().representativeColor()) << int(row.type);
        const QString before = item.Fill().Diff(nullptr, u"Fill"_s);
        item.SetColor(0x123456);
        EXPECT_EQ(item.FillType(), row.type);
        if (row.settable) {
            EXPECT_EQ(static_cast<TkavBrushFill &>(item.Fill()).BackColor(), 0x123456);
            EXPECT_EQ(item.Color(), 0x123456);
        } else {
            EXPECT_EQ(item.Fill().Diff(nullptr, u"Fill"_s), before) << int(row.type);
        }
    }
    TkavStyleItem glass;
    glass.SetFillType(ftGlass);
    EXPECT_EQ(glass.Color(), clNone);
    TkavStyleItem gradient;
    gradient.SetFillType(ftGradient);
    auto &g = static_cast<TkavGradientFill &>(gradient.Fill());
    g.SetStartColor(0x000000);
    g.SetEndColor(0xFEFEFE);
    EXPECT_EQ(gradient.Color(), 0x7F7F7F); // 127 * 254 / 255 rounds to 127 per channel
}

TEST_F(StylesTest, ColorAttributeSetsTheBrushButIsNeverWritten)
{
    TkavStyleItem item;
    TkavXMLSerializer serializer;
    serializer.XMLToObj(u" Name=\"S\" Color=\"255\""_s, &item);
    ASSERT_EQ(item.FillType(), ftBrush);
    EXPECT_EQ(static_cast<TkavBrushFill &>(item.Fill()).BackColor(), 255);
    const QString text = attributesOf(item);
    EXPECT_FALSE(text.contains(u" Color="_s));
    EXPECT_TRUE(text.contains(u" Fill.BackColor=\"255\""_s));
}

TEST_F(StylesTest, FillTypeSwitchStartsAFreshFill)
{
    TkavStyleItem item;
    item.SetColor(clRed);
    item.SetFillType(ftBrush); // same type: kept
    EXPECT_EQ(item.Color(), clRed);
    item.SetFillType(ftGradient);
    EXPECT_NE(dynamic_cast<TkavGradientFill *>(&item.Fill()), nullptr);
    item.SetFillType(ftBrush);
    EXPECT_EQ(item.Color(), kavBrushFillDefaultBackColor);

    // Assigning a fill takes its class and values.
    TkavGlassFill glass;
    glass.SetColor(clBlue);
    item.SetFill(glass);
    ASSERT_EQ(item.FillType(), ftGlass);
    EXPECT_EQ(static_cast<TkavGlassFill &>(item.Fill()).Color(), clBlue);
}

TEST_F(StylesTest, AssignCopiesEverythingButTheInheritedName)
{
    TkavStyles set;
    fillSample(set);
    TkavStyleItem *source = set.Items(1);
    source->SetIsInherited(true);
    source->SetInheritedName(u"Hidden"_s);
    source->SetName(QString()); // the identity is then the inherited name

    TkavStyleItem copy;
    copy.SetInheritedName(u"Own"_s);
    copy.Assign(*source);
    expectSameStyle(copy, *source);
    EXPECT_TRUE(copy.IsInherited());
    EXPECT_EQ(copy.GetInheritedName(), u"Own"_s);

    // Another kind of source is ignored.
    TkavVariable variable;
    variable.SetName(u"X"_s);
    copy.Assign(variable);
    expectSameStyle(copy, *source);

    // The copy owns its parts.
    source->Font().SetName(u"Tahoma"_s);
    EXPECT_EQ(copy.Font().Name(), u"Arial"_s);
}

// --- names -------------------------------------------------------------------------------------

TEST_F(StylesTest, CreateUniqueNameTakesTheSmallestFreeNumber)
{
    struct Row
    {
        QStringList existing;
        QString expected;
    };
    const QList<Row> rows = {
        {{}, u"Style1"_s},
        {{u"Style1"_s, u"Style3"_s}, u"Style2"_s},
        {{u"STYLE1"_s, u"style2"_s}, u"Style3"_s}, // names compare ignoring case
        {{u"Style01"_s, u"Style"_s}, u"Style1"_s},
    };
    for (const Row &row : rows) {
        TkavStyles set;
        for (const QString &name : row.existing)
            addStyle(set, name);
        TkavStyleItem *item = set.Add();
        item->CreateUniqueName();
        EXPECT_EQ(item->Name(), row.expected) << row.existing.join(u',').toStdString();
    }
}

TEST_F(StylesTest, DuplicateNamesAreRefusedAndTheOldNameStays)
{
    struct Row
    {
        QString newName;
        bool accepted;
    };
    const QList<Row> rows = {
        {u"data"_s, false}, // "DATA" exists
        {u"Header"_s, false},
        {u"Data"_s, true}, // its own name
        {u"Footer"_s, true},
        {QString(), true}, // an empty name names nothing
    };
    for (const Row &row : rows) {
        TkavStyles set;
        TkavStyleItem *data = addStyle(set, u"Data"_s);
        // The setter would refuse "DATA" here; a copied item brings it in.
        TkavStyleItem upper;
        upper.SetName(u"DATA"_s);
        set.Add()->Assign(upper);
        addStyle(set, u"Header"_s);
        const QString error = kavErrorOf<EkavError>([&] { data->SetName(row.newName); });
        if (row.accepted) {
            EXPECT_EQ(error, QString()) << row.newName.toStdString();
            EXPECT_EQ(data->Name(), row.newName);
        } else {
            EXPECT_EQ(error, dupNameText()) << row.newName.toStdString();
            EXPECT_EQ(data->Name(), u"Data"_s);
        }
    }
}

// --- lookup --------------------------------------------------------------------------------------

TEST_F(StylesTest, FindIgnoresCaseAndGetListKeepsOrder)
{
    TkavStyles set;
    addStyle(set, u"Title"_s);
    addStyle(set, u"Data"_s);
    set.Add(); // no name yet
    EXPECT_EQ(set.Find(u"tItLe"_s), set.Items(0));
    EXPECT_EQ(set.Find(u"DATA"_s), set.Items(1));
    EXPECT_EQ(set.Find(u"Datas"_s), nullptr);
    EXPECT_EQ(set.Find(QString()), nullptr); // the unnamed item is no style of that name

    TStringList list;
    list.Add(u"stale"_s);
    set.GetList(list);
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Strings(0), u"Title"_s);
    EXPECT_EQ(list.Strings(1), u"Data"_s);
    EXPECT_EQ(list.Strings(2), QString());
}

// --- applying to memos ------------------------------------------------------------------------

class StylesApply : public StylesTest
{
protected:
    void SetUp() override
    {
        StylesTest::SetUp();
        auto *page = TkavComponent::Create<TkavReportPage>(&report);
        page->CreateUniqueName();
        band = TkavComponent::Create<TkavMasterData>(page);
        band->CreateUniqueName();
        memo = TkavComponent::Create<TkavMemoView>(band);
        memo->CreateUniqueName();
        memo->Font().SetName(u"Tahoma"_s);
        memo->SetColor(clYellow);
        memo->Frame().SetTyp(TkavFrameTypes{ftLeft});
    }

    // A style that differs from the memo in font, fill and frame.
    TkavStyleItem *addTitle(TkavStyles &set)
    {
        TkavStyleItem *title = addStyle(set, u"Title"_s);
        title->Font().SetName(u"Courier New"_s);
        title->SetColor(clAqua);
        title->Frame().SetTyp(TkavFrameTypes{ftTop, ftBottom});
        return title;
    }

    TkavReport report;
    TkavComponent *band = nullptr;
    TkavMemoView *memo = nullptr;
};

TEST_F(StylesApply, MemoTakesOnlyThePartsTheStyleApplies)
{
    for (int mask = 0; mask < 8; ++mask) {
        const bool font = mask & 1, fill = mask & 2, frame = mask & 4;
        report.SetStyles(nullptr);
        memo->SetStyle(QString());
        memo->Font().SetName(u"Tahoma"_s);
        memo->SetColor(clYellow);
        memo->Frame().SetTyp(TkavFrameTypes{ftLeft});

        TkavStyleItem *title = addTitle(report.Styles());
        title->SetApplyFont(font);
        title->SetApplyFill(fill);
        title->SetApplyFrame(frame);
        memo->SetStyle(u"title"_s);
        EXPECT_EQ(memo->Style(), u"title"_s);
        EXPECT_EQ(memo->Font().Name(), font ? u"Courier New"_s : u"Tahoma"_s) << mask;
        EXPECT_EQ(memo->Color(), fill ? clAqua : clYellow) << mask;
        const TkavFrameTypes sides = frame ? TkavFrameTypes{ftTop, ftBottom}
                                           : TkavFrameTypes{ftLeft};
        EXPECT_EQ(memo->Frame().Typ(), sides) << mask;
    }
}

TEST_F(StylesApply, AMissingStyleLeavesTheLook)
{
    memo->SetStyle(u"Nothing"_s);
    EXPECT_EQ(memo->Style(), u"Nothing"_s);
    EXPECT_EQ(memo->Font().Name(), u"Tahoma"_s);
    EXPECT_EQ(memo->Color(), clYellow);

    // An unnamed item is never applied to memos without a style.
    TkavStyleItem *unnamed = report.Styles().Add();
    unnamed->SetColor(clRed);
    memo->SetStyle(QString());
    report.Styles().Apply();
    EXPECT_EQ(memo->Color(), clYellow);
}

TEST_F(StylesApply, ApplyReappliesAndForgetsVanishedStyles)
{
    TkavMemoView *other = TkavComponent::Create<TkavMemoView>(band);
    other->CreateUniqueName();
    TkavStyleItem *title = addTitle(report.Styles());
    addStyle(report.Styles(), u"Data"_s)->SetColor(clLime);
    memo->SetStyle(u"Title"_s);
    other->SetStyle(u"Data"_s);

    title->SetColor(clNavy); // a change reaches the memo with the next Apply
    report.Styles().Apply();
    EXPECT_EQ(memo->Color(), clNavy);
    EXPECT_EQ(memo->Style(), u"Title"_s);

    // A set without "Title": the memo keeps its look and loses the name.
    TkavStyles replacement;
    addStyle(replacement, u"Data"_s)->SetColor(clGreen);
    replacement.SetName(u"Other"_s);
    report.SetStyles(&replacement);
    EXPECT_EQ(report.Styles().Name(), QString()); // the name is not copied
    EXPECT_EQ(memo->Style(), QString());
    EXPECT_EQ(memo->Color(), clNavy);
    EXPECT_EQ(memo->Font().Name(), u"Courier New"_s);
    EXPECT_EQ(other->Style(), u"Data"_s);
    EXPECT_EQ(other->Color(), clGreen);
    // The report holds copies.
    replacement.Items(0)->SetColor(clRed);
    EXPECT_EQ(report.Styles().Items(0)->Color(), clGreen);
}

TEST_F(StylesApply, OnlyTheReportsOwnSetTouchesMemosAndClearEmptiesIt)
{
    addTitle(report.Styles());
    memo->SetStyle(u"Title"_s);
    memo->SetColor(clYellow);
    TkavStyles loose; // no report: never applied, even without a "Title"
    addStyle(loose, u"Other"_s);
    loose.Apply();
    EXPECT_EQ(memo->Style(), u"Title"_s);
    EXPECT_EQ(memo->Color(), clYellow);

    report.SetStyles(nullptr);
    EXPECT_EQ(report.Styles().Count(), 0);
    addTitle(report.Styles());
    report.Clear();
    EXPECT_EQ(report.Styles().Count(), 0);
    EXPECT_EQ(report.Styles().Report(), &report);
}

// --- style files -------------------------------------------------------------------------------

TEST_F(StylesTest, StyleStreamHasTheDocumentedShape)
{
    TkavStyles set;
    set.SetName(u"S"_s);
    addStyle(set, u"A"_s);
    const QByteArray bytes = savedBytes(set);
    const QList<QByteArray> lines = bytes.split('\n');
    ASSERT_GE(lines.size(), 4);
    EXPECT_TRUE(lines[0].startsWith("<?xml ")) << bytes.toStdString();
    EXPECT_TRUE(lines[0].endsWith('\r'));
    EXPECT_EQ(lines[1], "<style Name=\"S\">\r");
    EXPECT_TRUE(lines[2].startsWith("  <item Name=\"A\" ")) << lines[2].toStdString();
    EXPECT_TRUE(lines[2].endsWith("/>\r"));
    EXPECT_EQ(lines[3], "</style>\r");
}

TEST_F(StylesTest, StyleStreamRoundTripKeepsEverything)
{
    TkavStyles set;
    fillSample(set);
    const QByteArray bytes = savedBytes(set);
    TkavStyles back;
    loadBytes(back, bytes);
    expectSameSet(back, set);
    EXPECT_EQ(savedBytes(back), bytes);
}

TEST_F(StylesTest, StyleFileRoundTripReplacesTheOldFileWhole)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(u"look.kt3"_s);
    TkavStyles big;
    fillSample(big);
    for (int i = 0; i < 20; ++i)
        big.Add()->CreateUniqueName();
    big.SaveToFile(path);

    TkavStyles small;
    small.SetName(u"Small"_s);
    addStyle(small, u"Only"_s);
    small.SaveToFile(path); // shorter: nothing of the old text may remain
    TkavStyles back;
    back.LoadFromFile(path);
    expectSameSet(back, small);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{u"look.kt3"_s});

    // A file that cannot be created raises and leaves nothing behind.
    const QString missing = dir.filePath(u"no/such/folder/look.kt3"_s);
    EXPECT_THROW(small.SaveToFile(missing), EStreamError);
    EXPECT_FALSE(QFile::exists(missing));
}

TEST_F(StylesTest, DamagedStyleFilesRaiseAndKeepTheSet)
{
    struct Row
    {
        const char *name;
        QByteArray bytes;
    };
    const QList<Row> rows = {
        {"not XML", QByteArray("this is no style file")},
        {"empty", QByteArray()},
        {"truncated", withHeader("<style Name=\"X\"><item Name=\"A\"/><item Na")},
        {"a style sheet", withHeader("<stylesheet><style Name=\"X\"/></stylesheet>")},
        {"a report", withHeader("<TkavReport/>")},
        {"unknown fill type", withHeader("<style><item Name=\"A\" FillType=\"ftPlaid\"/></style>")},
        {"fill type out of range", withHeader("<style><item Name=\"A\" FillType=\"7\"/></style>")},
        {"bad number", withHeader("<style><item Name=\"A\" Font.Height=\"tall\"/></style>")},
        {"bad flag", withHeader("<style><item Name=\"A\" ApplyFont=\"Maybe\"/></style>")},
        {"duplicate names",
         withHeader("<style><item Name=\"A\"/><item Name=\"a\"/></style>")},
    };
    for (const Row &row : rows) {
        TkavReport report;
        auto *page = TkavComponent::Create<TkavReportPage>(&report);
        auto *band = TkavComponent::Create<TkavMasterData>(page);
        auto *memo = TkavComponent::Create<TkavMemoView>(band);
        addStyle(report.Styles(), u"Keep"_s)->SetColor(clAqua);
        report.Styles().SetName(u"Mine"_s);
        memo->SetStyle(u"Keep"_s);
        memo->SetColor(clYellow); // Apply would put the style's colour back

        TMemoryStream stream(row.bytes);
        const QString error = kavErrorOf<TkavInvalidXMLException>(
            [&] { report.Styles().LoadFromStream(stream); });
        EXPECT_TRUE(error.startsWith(u"Invalid file format"_s)) << row.name << ": "
                                                                << error.toStdString();
        EXPECT_EQ(namesOf(report.Styles()), QStringList{u"Keep"_s}) << row.name;
        EXPECT_EQ(report.Styles().Name(), u"Mine"_s) << row.name;
        EXPECT_EQ(memo->Color(), clYellow) << row.name;
    }
}

TEST_F(StylesTest, LoadingAppliesTheSetAndSkipsForeignChildren)
{
    TkavReport report;
    auto *page = TkavComponent::Create<TkavReportPage>(&report);
    auto *band = TkavComponent::Create<TkavMasterData>(page);
    auto *memo = TkavComponent::Create<TkavMemoView>(band);
    auto *gone = TkavComponent::Create<TkavMemoView>(band);
    addStyle(report.Styles(), u"Title"_s);
    addStyle(report.Styles(), u"Old"_s);
    memo->SetStyle(u"Title"_s);
    gone->SetStyle(u"Old"_s);

    loadBytes(report.Styles(),
              withHeader("<STYLE Name=\"New\"><item Name=\"Title\" Color=\"255\"/>"
                         "<note Name=\"skipped\"/></STYLE>"));
    EXPECT_EQ(report.Styles().Name(), u"New"_s);
    EXPECT_EQ(namesOf(report.Styles()), QStringList{u"Title"_s});
    EXPECT_EQ(memo->Color(), 255);
    EXPECT_EQ(gone->Style(), QString());
}

// --- style sheets ------------------------------------------------------------------------------

TEST_F(StylesTest, StyleSheetListsFindsAndDeletes)
{
    TkavStyleSheet sheet;
    sheet.Add()->SetName(u"One"_s);
    sheet.Add()->SetName(u"Two"_s);
    sheet.Add()->SetName(u"Three"_s);
    EXPECT_EQ(sheet.IndexOf(u"TWO"_s), 1);
    EXPECT_EQ(sheet.Find(u"three"_s), sheet.GetItems(2));
    EXPECT_EQ(sheet.Find(u"Four"_s), nullptr);
    EXPECT_EQ(sheet.IndexOf(u"Four"_s), -1);
    EXPECT_EQ(sheet.GetItems(0)->Report(), nullptr);
    sheet.Delete(1);
    TStringList list;
    list.Add(u"stale"_s);
    sheet.GetList(list);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Strings(1), u"Three"_s);
    EXPECT_THROW(sheet.Delete(2), EListError);
    EXPECT_THROW(sheet.GetItems(-1), EListError);
    sheet.Clear();
    EXPECT_EQ(sheet.Count(), 0);
}

TEST_F(StylesTest, StyleSheetRoundTripThroughStreamAndFile)
{
    TkavStyleSheet sheet;
    fillSample(*sheet.Add());
    TkavStyles *second = sheet.Add();
    second->SetName(u"Second"_s);
    addStyle(*second, u"Only"_s)->SetFillType(ftGlass);
    sheet.Add()->SetName(u"Empty"_s);

    TMemoryStream stream;
    sheet.SaveToStream(stream);
    EXPECT_TRUE(stream.Data().contains("<stylesheet>")) << stream.Data().toStdString();
    stream.SetPosition(0);
    TkavStyleSheet back;
    back.LoadFromStream(stream);
    ASSERT_EQ(back.Count(), 3);
    for (int i = 0; i < 3; ++i)
        expectSameSet(*back.GetItems(i), *sheet.GetItems(i));

    QTemporaryDir dir;
    const QString path = dir.filePath(u"sheet.xml"_s);
    sheet.SaveToFile(path);
    TkavStyleSheet fromFile;
    fromFile.LoadFromFile(path);
    ASSERT_EQ(fromFile.Count(), 3);
    expectSameSet(*fromFile.GetItems(0), *sheet.GetItems(0));
}

TEST_F(StylesTest, DamagedStyleSheetsRaiseAndKeepTheSheet)
{
    const QList<QByteArray> rows = {
        withHeader("<style Name=\"X\"/>"),
        withHeader("<stylesheet><style Name=\"X\"><item Name=\"A\" FillType=\"x\"/></style>"
                   "</stylesheet>"),
        withHeader("<stylesheet><style><item Name=\"A\"/><item Name=\"a\"/></style>"
                   "</stylesheet>"),
        QByteArray("<stylesheet"),
    };
    for (const QByteArray &bytes : rows) {
        TkavStyleSheet sheet;
        sheet.LoadBuiltIn();
        TMemoryStream stream(bytes);
        EXPECT_THROW(sheet.LoadFromStream(stream), TkavInvalidXMLException)
            << bytes.toStdString();
        EXPECT_EQ(sheet.Count(), 4) << bytes.toStdString();
    }
}

TEST_F(StylesTest, BuiltInSheetHoldsFourLooks)
{
    TkavStyleSheet sheet;
    sheet.LoadBuiltIn();
    TStringList sets;
    sheet.GetList(sets);
    ASSERT_EQ(sets.Count(), 4);
    EXPECT_EQ(sets.Text(), u"Kavrel\r\nStandard\r\nSoft gray\r\nCorporate\r\n"_s);
    const QStringList items = {u"Title"_s,
                               u"Header"_s,
                               u"Group header"_s,
                               u"Data"_s,
                               u"Group footer"_s,
                               u"Header line"_s};
    for (int i = 0; i < sheet.Count(); ++i)
        EXPECT_EQ(namesOf(*sheet.GetItems(i)), items) << i;

    struct Row
    {
        QString set, item;
        TColor color;
        TColor fontColor;
        int height;
        bool bold;
        TkavFrameTypes typ;
        double frameWidth;
    };
    const QList<Row> rows = {
        {u"Kavrel"_s, u"Title"_s, 8421504, 16777215, -16, true, {}, 1},
        {u"Kavrel"_s, u"Header line"_s, clNone, clBlack, -13, false, {ftBottom}, 2},
        {u"Standard"_s, u"Group footer"_s, clNone, clBlack, -13, false, {ftTop}, 1},
        {u"Soft gray"_s, u"Header"_s, 15790320, clBlack, -13, true, {}, 1},
        {u"Corporate"_s, u"Group header"_s, 52479, clBlack, -13, true, {}, 1},
        {u"Corporate"_s, u"Header"_s, 0, 16777215, -13, true, {}, 1},
    };
    for (const Row &row : rows) {
        const TkavStyleItem *item = sheet.Find(row.set)->Find(row.item);
        ASSERT_NE(item, nullptr);
        const std::string at = (row.set + u'/' + row.item).toStdString();
        ASSERT_EQ(item->FillType(), ftBrush) << at;
        EXPECT_EQ(item->Color(), row.color) << at;
        EXPECT_EQ(item->Font().Color(), row.fontColor) << at;
        EXPECT_EQ(item->Font().Height(), row.height) << at;
        EXPECT_EQ(item->Font().Style().Contains(fsBold), row.bold) << at;
        EXPECT_EQ(item->Frame().Typ(), row.typ) << at;
        EXPECT_EQ(item->Frame().Width(), row.frameWidth) << at;
        EXPECT_TRUE(item->ApplyFont() && item->ApplyFill() && item->ApplyFrame()) << at;
    }
}

// --- the report file -------------------------------------------------------------------------

class StylesReport : public StylesApply
{};

TEST_F(StylesReport, ReportFileKeepsItsStylesBeforeThePages)
{
    fillSample(report.Styles());
    memo->SetStyle(u"Title"_s);
    const QByteArray bytes = save(report);
    const qsizetype styles = bytes.indexOf("<Styles>");
    ASSERT_GE(styles, 0) << bytes.toStdString();
    EXPECT_LT(styles, bytes.indexOf("<TkavReportPage"));
    EXPECT_FALSE(bytes.contains("Sample")); // the set's name stays out of report files

    TkavReport second;
    load(second, bytes);
    EXPECT_EQ(second.Errors().Count(), 0) << second.ErrorsText().toStdString();
    ASSERT_EQ(second.Styles().Count(), 2);
    EXPECT_EQ(second.Styles().Report(), &second);
    for (int i = 0; i < 2; ++i)
        expectSameStyle(*second.Styles().Items(i), *report.Styles().Items(i));
    auto *read = dynamic_cast<TkavMemoView *>(second.FindObject(memo->Name()));
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->Style(), u"Title"_s);
    EXPECT_TRUE(read->Font() == memo->Font());
    // Read once (which adds the data page), the file reads and writes to the same bytes.
    const QByteArray once = save(second);
    EXPECT_NE(once.indexOf("<Styles>"), -1);
    TkavReport third;
    load(third, once);
    EXPECT_EQ(save(third).toStdString(), once.toStdString());
}

TEST_F(StylesReport, EmptySetWritesNoElement)
{
    const QByteArray bytes = save(report);
    EXPECT_FALSE(bytes.contains("<Styles")) << bytes.toStdString();
    TkavReport second;
    addStyle(second.Styles(), u"Leftover"_s);
    load(second, bytes);
    EXPECT_EQ(second.Styles().Count(), 0);
}

TEST_F(StylesReport, StyleOverridesTheMemosOwnAttributesWhileReading)
{
    TkavStyleItem *title = addTitle(report.Styles());
    title->SetApplyFrame(false);
    memo->SetStyle(u"Title"_s);
    // Changed afterwards: the file holds the memo's own look and the style's name.
    memo->Font().SetName(u"Tahoma"_s);
    memo->SetColor(clYellow);
    const QByteArray bytes = save(report);
    const qsizetype memoAt = bytes.indexOf("<TkavMemoView ");
    ASSERT_GE(memoAt, 0);
    EXPECT_LT(bytes.indexOf("Font.Name=\"Tahoma\"", memoAt), bytes.indexOf(" Style=\"Title\"", memoAt));

    TkavReport second;
    load(second, bytes);
    auto *read = dynamic_cast<TkavMemoView *>(second.FindObject(memo->Name()));
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->Style(), u"Title"_s);
    EXPECT_EQ(read->Font().Name(), u"Courier New"_s);
    EXPECT_EQ(read->Color(), clAqua);
    EXPECT_EQ(read->Frame().Typ(), TkavFrameTypes{ftLeft}); // the style leaves the frame
}

TEST_F(StylesReport, DamagedStylesElementIsReportedAndNotTaken)
{
    struct Row
    {
        const char *name;
        QByteArray item;
    };
    const QList<Row> rows = {
        {"unknown fill type", "<item Name=\"Title\" FillType=\"ftPlaid\"/>"},
        {"duplicate name", "<item Name=\"Title\"/><item Name=\"title\"/>"},
        {"bad value", "<item Name=\"Title\" Frame.Width=\"wide\"/>"},
    };
    addTitle(report.Styles());
    memo->SetStyle(u"Title"_s);
    const QByteArray good = save(report);
    const qsizetype from = good.indexOf("<Styles>") + qsizetype(qstrlen("<Styles>"));
    const qsizetype to = good.indexOf("</Styles>");
    ASSERT_GT(to, from);
    for (const Row &row : rows) {
        QByteArray bytes = good;
        bytes.replace(from, to - from, row.item);
        TkavReport second;
        second.EngineOptions().SetNewSilentMode(simSilent);
        load(second, bytes);
        EXPECT_EQ(second.Styles().Count(), 0) << row.name;
        ASSERT_EQ(second.Errors().Count(), 1) << row.name;
        EXPECT_TRUE(second.Errors().Strings(0).contains(u"Styles"_s))
            << row.name << ": " << second.Errors().Strings(0).toStdString();
        // The memo keeps its own look and its style name.
        auto *read = dynamic_cast<TkavMemoView *>(second.FindObject(memo->Name()));
        ASSERT_NE(read, nullptr);
        EXPECT_EQ(read->Style(), u"Title"_s) << row.name;
        EXPECT_TRUE(read->Font() == memo->Font()) << row.name;
    }
}

} // namespace
