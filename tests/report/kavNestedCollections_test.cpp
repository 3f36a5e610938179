// Collections stored as child elements: the generic writer and reader (order, attributes,
// identities, pairing with an ancestor collection, reuse of the loading serializer) and a
// memo's "Formats" / "Highlights" elements through whole report files.
#include "../kavTestSupport.h"

#include <persist/kavXML.h>
#include <persist/kavXMLSerializer.h>
#include <report/kavClass.h>
#include <rtl/kavRTTI.h>
#include <rtl/kavStreams.h>

#include <gtest/gtest.h>

#include "kavReportTestSupport.h"

#include <QSet>

using namespace Qt::StringLiterals;

namespace {

TkavFormat *addFormat(TkavCollection &c, TkavFormatKind kind, const QString &formatStr)
{
    auto *f = static_cast<TkavFormat *>(c.Add());
    f->SetKind(kind);
    f->SetFormatStr(formatStr);
    return f;
}

TkavFormat *formatAt(const TkavCollection &c, int i)
{
    return static_cast<TkavFormat *>(c.Items(i));
}

QStringList identities(const TkavCollection &c)
{
    QStringList names;
    for (int i = 0; i < c.Count(); ++i)
        names << c.Items(i)->GetInheritedName();
    return names;
}

QStringList itemTexts(const TkavXMLItem &element)
{
    QStringList texts;
    for (int i = 0; i < element.Count(); ++i)
        texts << element.Items(i)->Name() + u':' + element.Items(i)->Text();
    return texts;
}

// Parses one element from text, e.g. "<Formats><item Kind=\"fkNumeric\"/></Formats>".
std::unique_ptr<TkavXMLDocument> parse(const QString &xml)
{
    auto doc = std::make_unique<TkavXMLDocument>();
    TMemoryStream stream(
        (u"<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?>"_s + xml).toUtf8());
    doc->LoadFromStream(stream);
    return doc;
}

class NestedCollections : public TkavReportTest
{
protected:
    TkavCollection formats{TkavFormat::StaticClassInfo()};
};

// --- the generic writer and reader ---------------------------------------------------------

TEST_F(NestedCollections, WrittenItemsKeepOrderAndOnlyNonDefaultAttributes)
{
    addFormat(formats, fkNumeric, u"%2.2f"_s)->SetDecimalSeparator(u","_s);
    addFormat(formats, fkText, QString());
    addFormat(formats, fkBoolean, u"Sim,\"Não\""_s);
    TkavXMLItem parent(u"TkavMemoView"_s);
    kavWriteCollection(formats, u"Formats"_s, parent, nullptr);

    ASSERT_EQ(parent.Count(), 1);
    const TkavXMLItem &element = *parent.Items(0);
    EXPECT_EQ(element.Name(), u"Formats"_s);
    // Published order DecimalSeparator, ThousandSeparator, FormatStr, Kind; fkText is the
    // default kind and the identity (InheritedName) is never stored.
    EXPECT_EQ(itemTexts(element),
              QStringList({u"item: DecimalSeparator=\",\" FormatStr=\"%2.2f\" Kind=\"fkNumeric\""_s,
                           u"item:"_s,
                           u"item: FormatStr=\"Sim,&#34;Não&#34;\" Kind=\"fkBoolean\""_s}));
}

TEST_F(NestedCollections, ReadAddsItemsInOrderWithFreshIdentitiesAndNeverClears)
{
    addFormat(formats, fkNumeric, u"%2.2f"_s);
    addFormat(formats, fkDateTime, u"dd.mm.yyyy"_s);
    addFormat(formats, fkBoolean, u"Sim,\"Não\""_s);
    TkavXMLItem parent;
    kavWriteCollection(formats, u"Formats"_s, parent, nullptr);

    TkavCollection read(TkavFormat::StaticClassInfo());
    kavReadCollection(read, *parent.Items(0), nullptr);
    ASSERT_EQ(read.Count(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(formatAt(read, i)->Kind(), formatAt(formats, i)->Kind()) << i;
        EXPECT_EQ(formatAt(read, i)->FormatStr(), formatAt(formats, i)->FormatStr()) << i;
    }
    EXPECT_EQ(identities(read),
              QStringList({u"TkavFormat1"_s, u"TkavFormat2"_s, u"TkavFormat3"_s}));

    // A second read appends: the caller decides whether to empty the collection.
    kavReadCollection(read, *parent.Items(0), nullptr);
    EXPECT_EQ(read.Count(), 6);
    EXPECT_EQ(formatAt(read, 5)->Kind(), fkBoolean);
}

TEST_F(NestedCollections, OnlyItemChildrenAreRead)
{
    struct Row
    {
        const char *name;
        QString xml;
        QStringList formatStrs; // of the items read, in order
    };
    const Row rows[] = {
        {"item names ignore case",
         u"<Formats><ITEM FormatStr=\"a\"/><Item FormatStr=\"b\"/></Formats>"_s,
         {u"a"_s, u"b"_s}},
        {"other children are skipped",
         u"<Formats><items FormatStr=\"x\"/><item FormatStr=\"a\"/><TkavFormat FormatStr=\"y\"/>"
         "<item FormatStr=\"b\"><item FormatStr=\"z\"/></item></Formats>"_s,
         {u"a"_s, u"b"_s}},
        {"no children", u"<Formats/>"_s, {}},
        {"attributes of no property", u"<Formats><item Foo=\"1\" Bar.Baz=\"2\"/></Formats>"_s,
         {QString()}},
    };
    for (const Row &row : rows) {
        auto doc = parse(row.xml);
        TkavCollection read(TkavFormat::StaticClassInfo());
        kavReadCollection(read, *doc->Root(), nullptr);
        QStringList got;
        for (int i = 0; i < read.Count(); ++i)
            got << formatAt(read, i)->FormatStr();
        EXPECT_EQ(got, row.formatStrs) << row.name;
    }
}

TEST_F(NestedCollections, WritingAgainstAnAncestorPairsByIdentity)
{
    TkavCollection ancestor(TkavFormat::StaticClassInfo());
    addFormat(ancestor, fkNumeric, u"%2.2f"_s);  // TkavFormat1
    addFormat(ancestor, fkDateTime, u"dd/mm"_s); // TkavFormat2

    // Identities in another order than the ancestor's: pairing is by identity only.
    addFormat(formats, fkDateTime, u"yyyy"_s)->SetInheritedName(u"TkavFormat2"_s);
    addFormat(formats, fkNumeric, u"%2.2f"_s)->SetInheritedName(u"TkavFormat1"_s);
    addFormat(formats, fkBoolean, u"S,N"_s); // TkavFormat3: not in the ancestor
    // A text cleared in the derived item must be written, or the ancestor's would return.
    addFormat(ancestor, fkText, u"old"_s);   // TkavFormat3 there too
    formats.Items(2)->SetInheritedName(u"Other"_s);
    addFormat(formats, fkText, QString())->SetInheritedName(u"TkavFormat3"_s);

    TkavXMLItem parent;
    kavWriteCollection(formats, u"Formats"_s, parent, nullptr, &ancestor);
    EXPECT_EQ(itemTexts(*parent.Items(0)),
              QStringList({u"item: InheritedName=\"TkavFormat2\" FormatStr=\"yyyy\""_s,
                           u"item: InheritedName=\"TkavFormat1\""_s,
                           u"item: FormatStr=\"S,N\" Kind=\"fkBoolean\""_s,
                           u"item: InheritedName=\"TkavFormat3\" FormatStr=\"\""_s}));
}

TEST_F(NestedCollections, ReadingOntoAnAncestorObjectChangesExistingItems)
{
    const QString xml = u"<Formats>"
                        "<item InheritedName=\"TkavFormat2\" FormatStr=\"changed\"/>"
                        "<item InheritedName=\"Gone\" FormatStr=\"dropped\"/>"
                        "<item FormatStr=\"new\" Kind=\"fkBoolean\"/>"
                        "<item inheritedname=\"tkavformat1\" FormatStr=\"case differs\"/>"
                        "</Formats>"_s;
    auto doc = parse(xml);

    struct Row
    {
        const char *name;
        bool ownerFromAncestor;
        QStringList formatStrs;
        QStringList identities;
        QList<bool> inherited;
    };
    const Row rows[] = {
        // FindByName is exact: "tkavformat1" names no item and is skipped.
        {"ancestor object",
         true,
         {u"a"_s, u"changed"_s, u"new"_s},
         {u"TkavFormat1"_s, u"TkavFormat2"_s, u"TkavFormat3"_s},
         {false, true, false}},
        // Elsewhere every element is a new item that takes the identity it carries.
        {"own object",
         false,
         {u"a"_s, u"b"_s, u"changed"_s, u"dropped"_s, u"new"_s, u"case differs"_s},
         // A new item is named first (the smallest free number), then takes its attribute.
         {u"TkavFormat1"_s,
          u"TkavFormat2"_s,
          u"TkavFormat2"_s,
          u"Gone"_s,
          u"TkavFormat3"_s,
          u"tkavformat1"_s},
         {false, false, false, false, false, false}},
    };
    for (const Row &row : rows) {
        TkavMemoView memo;
        memo.SetAncestor(row.ownerFromAncestor);
        addFormat(memo.Formats(), fkNumeric, u"a"_s);
        addFormat(memo.Formats(), fkNumeric, u"b"_s);
        kavReadCollection(memo.Formats(), *doc->Root(), &memo);
        QStringList strs;
        QList<bool> inherited;
        for (int i = 0; i < memo.Formats().Count(); ++i) {
            strs << formatAt(memo.Formats(), i)->FormatStr();
            inherited << formatAt(memo.Formats(), i)->IsInherited();
        }
        EXPECT_EQ(strs, row.formatStrs) << row.name;
        EXPECT_EQ(identities(memo.Formats()), row.identities) << row.name;
        EXPECT_EQ(inherited, row.inherited) << row.name;
    }
}

TEST_F(NestedCollections, ReadingDuringALoadUsesTheLoadsSerializer)
{
    TkavReport report;
    TkavXMLSerializer loader;
    loader.SetOwner(&report);
    report.SetXMLSerializer(&loader);
    TkavReportDataSets sets(&report);
    auto doc = parse(u"<Datasets><item DataSet=\"Later\"/></Datasets>"_s);
    auto bad = parse(u"<Formats><item Kind=\"fkNoSuchKind\"/></Formats>"_s);

    kavReadCollection(sets, *doc->Root(), &report);
    kavReadCollection(formats, *bad->Root(), &report);
    ASSERT_EQ(sets.Count(), 1);
    // The reference waits for the rest of the tree: defined after the collection was read.
    EXPECT_EQ(sets.Items(0)->DataSet(), nullptr);
    EXPECT_EQ(loader.Fixups().size(), 1);
    auto *later = TkavComponent::Create<TkavUserDataSet>(&report);
    later->SetName(u"Later"_s);
    loader.FixupReferences();
    EXPECT_EQ(sets.Items(0)->DataSet(), later);
    // Errors belong to the load, which hands them to the report when it ends.
    EXPECT_EQ(loader.Errors().Count(), 1);
    EXPECT_EQ(report.Errors().Count(), 0);
    report.SetXMLSerializer(nullptr);
}

TEST_F(NestedCollections, ReadingOutsideALoadResolvesAtOnceAndReportsErrors)
{
    TkavReport report;
    auto *users = TkavComponent::Create<TkavUserDataSet>(&report);
    users->SetName(u"Users"_s);
    TkavReportDataSets sets(&report);
    auto doc = parse(u"<Datasets><item DataSet=\"Users\"/><item DataSet=\"Nobody\"/></Datasets>"_s);
    kavReadCollection(sets, *doc->Root(), &report);
    ASSERT_EQ(sets.Count(), 2);
    EXPECT_EQ(sets.Items(0)->DataSet(), users);
    EXPECT_EQ(sets.Items(1)->DataSet(), nullptr);

    auto bad = parse(u"<Formats><item Kind=\"99\"/></Formats>"_s);
    kavReadCollection(formats, *bad->Root(), &report);
    EXPECT_EQ(report.Errors().Count(), 1);
    ASSERT_EQ(formats.Count(), 1);
    EXPECT_EQ(formatAt(formats, 0)->Kind(), fkText);

    // Written back, the reference is the data set's name.
    TkavXMLItem parent;
    kavWriteCollection(sets, u"Datasets"_s, parent, &report);
    EXPECT_EQ(parent.Items(0)->Items(0)->GetProp(u"DataSet"), u"Users"_s);
}

TEST_F(NestedCollections, AFloodOfItemsIsCutWithOneErrorLine)
{
    TkavReport report;
    QString xml = u"<Formats>"_s;
    for (int i = 0; i < kavMaxCollectionItems + 50; ++i)
        xml += u"<item FormatStr=\"%1\"/>"_s.arg(i);
    auto doc = parse(xml + u"</Formats>"_s);
    kavReadCollection(formats, *doc->Root(), &report);
    ASSERT_EQ(formats.Count(), kavMaxCollectionItems);
    EXPECT_EQ(formatAt(formats, kavMaxCollectionItems - 1)->FormatStr(),
              QString::number(kavMaxCollectionItems - 1));
    ASSERT_EQ(report.Errors().Count(), 1);
    EXPECT_TRUE(report.Errors().Strings(0).endsWith(u" Formats"_s));
}

// --- memos in report files -------------------------------------------------------------------

class MemoCollections : public NestedCollections
{
protected:
    static TkavMemoView *build(TkavReport &report)
    {
        auto *page = TkavComponent::Create<TkavReportPage>(&report);
        page->CreateUniqueName();
        auto *band = TkavComponent::Create<TkavMasterData>(page);
        band->CreateUniqueName();
        band->SetHeight(20);
        auto *memo = TkavComponent::Create<TkavMemoView>(band);
        memo->CreateUniqueName();
        memo->SetBounds(0, 0, 100, 18);
        memo->SetText(u"[A] [B] [C]"_s);
        return memo;
    }

    static void addFormats(TkavMemoView &memo, int n)
    {
        const TkavFormatKind kinds[] = {fkNumeric, fkDateTime, fkBoolean};
        for (int i = 0; i < n; ++i)
            addFormat(memo.Formats(), kinds[i % 3], u"f%1"_s.arg(i))
                ->SetThousandSeparator(i == 1 ? u"."_s : QString());
    }

    static void addHighlights(TkavMemoView &memo, int n)
    {
        for (int i = 0; i < n; ++i) {
            auto *h = static_cast<TkavHighlight *>(memo.Highlights().Add());
            h->SetCondition(u"<Value> > %1"_s.arg(i));
            h->Font().SetColor(i == 0 ? clBlue : clYellow);
            h->SetColor(clYellow);
            h->SetApplyFrame(i == 1);
            h->Frame().SetTyp(TkavFrameTypes{ftTop});
            h->SetVisible(i != 2);
        }
    }

    // A file read into a fresh report and written again.
    static QByteArray resaved(const QByteArray &bytes)
    {
        TkavReport report;
        load(report, bytes);
        return save(report);
    }

    // The memo's element with everything inside it.
    static std::string memoElement(const QByteArray &bytes)
    {
        const qsizetype from = bytes.indexOf("<TkavMemoView");
        const qsizetype to = bytes.indexOf("</TkavMemoView>");
        return from < 0 || to < from ? std::string() : bytes.mid(from, to - from).toStdString();
    }

    // Written, read and written again: the memo's element is unchanged, and a file that was
    // read once reads and writes to the same bytes.
    static void expectStableBytes(const QByteArray &once, const std::string &name)
    {
        const QByteArray twice = resaved(once);
        EXPECT_EQ(memoElement(twice), memoElement(once)) << name;
        EXPECT_EQ(resaved(twice).toStdString(), twice.toStdString()) << name;
    }

    static TkavMemoView *memoOf(TkavReport &report)
    {
        return dynamic_cast<TkavMemoView *>(report.FindObject(u"Memo1"_s));
    }
};

TEST_F(MemoCollections, ElementsOnlyForTwoOrMoreEntries)
{
    struct Row
    {
        int formats;
        int highlights;
        bool displayFormatAttr, highlightAttr, formatsElement, highlightsElement;
    };
    const Row rows[] = {
        {0, 0, false, false, false, false},
        {1, 1, true, true, false, false},
        {2, 0, false, false, true, false},
        {0, 2, false, false, false, true},
        {3, 4, false, false, true, true},
        {1, 3, true, false, false, true},
    };
    for (const Row &row : rows) {
        const std::string name = std::to_string(row.formats) + " formats, "
                                 + std::to_string(row.highlights) + " highlights";
        TkavReport report;
        TkavMemoView *memo = build(report);
        addFormats(*memo, row.formats);
        addHighlights(*memo, row.highlights);
        const QByteArray once = save(report);
        EXPECT_EQ(once.contains("DisplayFormat."), row.displayFormatAttr) << name;
        EXPECT_EQ(once.contains("Highlight."), row.highlightAttr) << name;
        EXPECT_EQ(once.contains("<Formats>"), row.formatsElement) << name;
        EXPECT_EQ(once.contains("<Highlights>"), row.highlightsElement) << name;

        TkavReport second;
        load(second, once);
        EXPECT_EQ(second.Errors().Count(), 0) << name << qPrintable(second.Errors().Text());
        TkavMemoView *read = memoOf(second);
        ASSERT_NE(read, nullptr) << name;
        EXPECT_EQ(read->Formats().Count(), row.formats) << name;
        EXPECT_EQ(read->Highlights().Count(), row.highlights) << name;
        expectStableBytes(once, name);
    }
}

TEST_F(MemoCollections, RoundTripKeepsEveryItemAndTheBytes)
{
    TkavReport report;
    TkavMemoView *memo = build(report);
    addFormats(*memo, 3);
    addHighlights(*memo, 3);
    const QByteArray once = save(report);
    // The collections sit inside the memo's element, after its attributes.
    const qsizetype memoAt = once.indexOf("<TkavMemoView");
    ASSERT_GE(memoAt, 0);
    EXPECT_GT(once.indexOf("<Formats>"), memoAt);
    EXPECT_GT(once.indexOf("<Highlights>"), once.indexOf("</Formats>"));
    EXPECT_TRUE(once.contains("</TkavMemoView>"));

    TkavReport second;
    load(second, once);
    EXPECT_EQ(second.Errors().Count(), 0) << qPrintable(second.Errors().Text());
    TkavMemoView *read = memoOf(second);
    ASSERT_NE(read, nullptr);
    ASSERT_EQ(read->Formats().Count(), 3);
    for (int i = 0; i < 3; ++i) {
        const TkavFormat *a = formatAt(memo->Formats(), i);
        const TkavFormat *b = formatAt(read->Formats(), i);
        EXPECT_EQ(b->Kind(), a->Kind()) << i;
        EXPECT_EQ(b->FormatStr(), a->FormatStr()) << i;
        EXPECT_EQ(b->ThousandSeparator(), a->ThousandSeparator()) << i;
    }
    ASSERT_EQ(read->Highlights().Count(), 3);
    for (int i = 0; i < 3; ++i) {
        const auto *a = static_cast<TkavHighlight *>(memo->Highlights().Items(i));
        const auto *b = static_cast<TkavHighlight *>(read->Highlights().Items(i));
        EXPECT_EQ(b->Condition(), a->Condition()) << i;
        EXPECT_EQ(b->Font().Color(), a->Font().Color()) << i;
        EXPECT_EQ(b->Color(), clYellow) << i;
        EXPECT_EQ(b->ApplyFrame(), a->ApplyFrame()) << i;
        EXPECT_EQ(b->Frame().Typ(), a->Frame().Typ()) << i;
        EXPECT_EQ(b->Visible(), a->Visible()) << i;
    }
    EXPECT_EQ(identities(read->Formats()), identities(memo->Formats()));
    expectStableBytes(once, "three formats, three highlights");
}

TEST_F(MemoCollections, ElementNamesIgnoreCaseAndOthersAreNotCollections)
{
    TkavReport report;
    TkavMemoView *memo = build(report);
    addFormats(*memo, 2);
    QByteArray bytes = save(report);
    bytes.replace("<Formats>", "<fORMATS>");
    bytes.replace("</Formats>", "</fORMATS>");
    TkavReport second;
    load(second, bytes);
    ASSERT_NE(memoOf(second), nullptr);
    EXPECT_EQ(memoOf(second)->Formats().Count(), 2);
    EXPECT_EQ(second.Errors().Count(), 0) << qPrintable(second.Errors().Text());

    // A name the memo does not take is read as a child object: an unknown class.
    bytes.replace("fORMATS", "Styles");
    TkavReport third;
    load(third, bytes);
    ASSERT_NE(memoOf(third), nullptr);
    EXPECT_EQ(memoOf(third)->Formats().Count(), 0);
    EXPECT_TRUE(third.Errors().Text().contains(u"Styles"_s));
}

TEST_F(MemoCollections, AReaderUsedDirectlyKeepsTheItemErrors)
{
    TkavReport report;
    TkavMemoView *memo = build(report);
    addFormats(*memo, 2);
    QByteArray bytes = save(report);
    bytes.replace("Kind=\"fkDateTime\"", "Kind=\"fkWrong\"");

    // No LoadFromStream: the report knows of no load, yet the items are part of this one.
    TkavReport second;
    TMemoryStream stream(bytes);
    TkavXMLSerializer reader(&stream);
    reader.SetHandleNestedProperties(true);
    reader.ReadRootComponent(&second);
    ASSERT_NE(memoOf(second), nullptr);
    EXPECT_EQ(memoOf(second)->Formats().Count(), 2);
    EXPECT_EQ(reader.Errors().Count(), 1);
    EXPECT_EQ(second.Errors().Count(), 0);
}

TEST_F(MemoCollections, AssignTakesTheSourcesCollectionsOnly)
{
    struct Row
    {
        int sourceFormats, targetFormats, sourceHighlights, targetHighlights;
    };
    const Row rows[] = {{2, 3, 2, 0}, {0, 2, 0, 3}, {3, 0, 2, 2}, {2, 2, 3, 3}};
    for (const Row &row : rows) {
        TkavReport report;
        TkavMemoView *source = build(report);
        auto *target = TkavComponent::Create<TkavMemoView>(source->Parent());
        target->CreateUniqueName();
        addFormats(*source, row.sourceFormats);
        for (int i = 0; i < row.targetFormats; ++i)
            addFormat(target->Formats(), fkNumeric, u"target"_s);
        addHighlights(*source, row.sourceHighlights);
        addHighlights(*target, row.targetHighlights);
        target->Assign(*source);
        EXPECT_EQ(target->Formats().Count(), row.sourceFormats) << row.sourceFormats;
        EXPECT_EQ(target->Highlights().Count(), row.sourceHighlights) << row.sourceHighlights;
        for (int i = 0; i < row.sourceFormats; ++i)
            EXPECT_EQ(formatAt(target->Formats(), i)->FormatStr(), u"f%1"_s.arg(i));
    }
}

// --- cases that crashed or hung before ----------------------------------------------------

TEST_F(MemoCollections, HostileFormatsElementLoadsWithErrorLines)
{
    TkavReport report;
    TkavMemoView *memo = build(report);
    addFormats(*memo, 2);
    addHighlights(*memo, 2);
    const QByteArray good = save(report);

    constexpr int itemCount = 5000;
    QByteArray items;
    for (int i = 0; i < itemCount; ++i) {
        switch (i % 4) {
        case 0:
            items += "<item Kind=\"fkNoSuchKind\" FormatStr=\"x\"/>";
            break;
        case 1:
            items += "<item Kind=\"-7\" DecimalSeparator=\"" + QByteArray(300, ',') + "\"/>";
            break;
        case 2:
            items += "<item InheritedName=\"TkavFormat1\" Kind=\"2\"><item/><x/></item>";
            break;
        default:
            items += "<item Kind=\"fkNumeric\" FormatStr=\"%d\"/>";
            break;
        }
    }
    QByteArray bytes = good;
    const qsizetype from = bytes.indexOf("<Formats>");
    const qsizetype to = bytes.indexOf("</Formats>");
    ASSERT_GT(to, from);
    bytes.replace(from, to - from, "<Formats>" + items);
    bytes.replace("Font.Color=", "Font.Size=\"abc\" Font.Color=");
    bytes.replace("<Highlights>",
                  "<Highlights><item Frame.Typ=\"4096\" FillType=\"ftNope\" Visible=\"maybe\"/>");

    TkavReport second;
    load(second, bytes);
    TkavMemoView *read = memoOf(second);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->Formats().Count(), itemCount);
    EXPECT_EQ(read->Highlights().Count(), 3);
    // Each distinct message once: a bad kind by name, by number, a bad font size, ...
    EXPECT_GE(second.Errors().Count(), 4) << qPrintable(second.Errors().Text());
    EXPECT_LE(second.Errors().Count(), 10) << qPrintable(second.Errors().Text());
    for (int i = 0; i < itemCount; ++i) {
        const TkavFormatKind kind = formatAt(read->Formats(), i)->Kind();
        ASSERT_TRUE(kind >= fkText && kind <= fkBoolean) << i;
    }
    EXPECT_EQ(formatAt(read->Formats(), 3)->Kind(), fkNumeric);
    EXPECT_EQ(formatAt(read->Formats(), 2)->Kind(), fkDateTime);
    // Items that bring no identity get distinct ones, however many there are.
    QSet<QString> generated;
    int withoutIdentity = 0;
    for (int i = 0; i < itemCount; ++i) {
        if (i % 4 != 2) {
            ++withoutIdentity;
            generated.insert(read->Formats().Items(i)->GetInheritedName());
        }
    }
    EXPECT_EQ(generated.size(), withoutIdentity);
}

} // namespace
