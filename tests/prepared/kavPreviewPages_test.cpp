// The prepared-page store: pages stored through the engine's calls and built back, moving
// blocks between pages with their outline and anchors, logical page numbers, the page
// cache, swapping to the file cache, kw3 files (round trips, damaged files, failed writes)
// and drawing.

#include "../kavTestSupport.h"
#include <kavFileSizeLimit.h>

#include <persist/kavXML.h>
#include <prepared/kavPictureCache.h>
#include <prepared/kavPreviewPages.h>
#include <prepared/kavTextRecorder.h>
#include <report/kavExportFilter.h>
#include <report/kavBands.h>
#include <report/kavCustomEngine.h>
#include <report/kavPages.h>
#include <report/kavReport.h>
#include <report/kavViews.h>
#include <rtl/kavRTTI.h>
#include <rtl/kavStreams.h>

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// The engine state the store consults; the operations are not used here.
class TestEngine : public TkavCustomEngine
{
public:
    using TkavCustomEngine::TkavCustomEngine;
    void EndPage() override {}
    void NewColumn() override {}
    void NewPage() override {}
    void ShowBand(TkavBand *) override {}
    void ShowBand(const TkavClassInfo &) override {}
    double HeaderHeight() override { return 0; }
    double FooterHeight() override { return 0; }
    double FreeSpace() override { return 0; }
    Variant GetAggregateValue(const QString &, const QString &, TkavBand *, int) override
    {
        return Variant();
    }
    bool Run(bool, bool, TkavPage *) override { return true; }
};

QImage logoImage()
{
    QImage image(6, 4, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(40 * x, 60 * y, 200));
    return image;
}

QByteArray logoBytes()
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    logoImage().save(&buffer, "PNG");
    return bytes;
}

// One line per object of a tree: class, name, bounds, memo text, picture pixels.
QStringList dump(const TkavComponent &page)
{
    QStringList lines;
    for (const TkavComponent *obj : QList<TkavComponent *>{const_cast<TkavComponent *>(&page)} + page.AllObjects()) {
        QString line = u"%1 %2 %3 %4 %5 %6"_s.arg(obj->ClassName(), obj->Name())
                           .arg(obj->AbsLeft(), 0, 'f', 2)
                           .arg(obj->AbsTop(), 0, 'f', 2)
                           .arg(obj->Width(), 0, 'f', 2)
                           .arg(obj->Height(), 0, 'f', 2);
        if (auto *memo = dynamic_cast<const TkavCustomMemoView *>(obj))
            line += u" \""_s + memo->Text().trimmed() + u'"';
        if (auto *picture = dynamic_cast<const TkavPictureView *>(obj)) {
            const QImage image = picture->Picture().Image();
            line += u" picture "_s + QString::number(image.width()) + u'x' + QString::number(image.height());
            line += u' ' + QString::number(image.isNull() ? 0 : image.pixel(5, 3), 16);
        }
        lines.append(line);
    }
    return lines;
}

// Texts GoogleTest prints readably.
std::string str(const QStringList &lines)
{
    return "\n  " + lines.join(u"\n  "_s).toStdString();
}

std::string str(const QList<QStringList> &pages)
{
    std::string text;
    for (const QStringList &lines : pages)
        text += str(lines) + "\n  --";
    return text;
}

class PreviewPagesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        kavRegisterRTLClasses();
        kavRegisterReportClasses();
        report = std::make_unique<TkavReport>();
        page = TkavComponent::Create<TkavReportPage>(report.get());
        page->SetName(u"Page1"_s);
        header = TkavComponent::Create<TkavPageHeader>(page);
        header->SetName(u"PageHeader1"_s);
        header->SetHeight(40);
        title = TkavComponent::Create<TkavMemoView>(header);
        title->SetName(u"Title"_s);
        title->SetBounds(10, 5, 300, 20);
        title->SetText(u"Customers"_s);
        logo = TkavComponent::Create<TkavPictureView>(header);
        logo->SetName(u"Logo"_s);
        logo->SetBounds(400, 2, 60, 30);
        ASSERT_TRUE(logo->Picture().LoadFromBytes(logoBytes()));
        data = TkavComponent::Create<TkavMasterData>(page);
        data->SetName(u"MasterData1"_s);
        data->SetBounds(10, 60, 600, 20);
        name = TkavComponent::Create<TkavMemoView>(data);
        name->SetName(u"CustName"_s);
        name->SetBounds(0, 0, 200, 18);
        amount = TkavComponent::Create<TkavMemoView>(data);
        amount->SetName(u"Amount"_s);
        amount->SetBounds(300, 0, 100, 18);
        page->AlignChildren(); // as a run does
        engine = std::make_unique<TestEngine>(report.get());
        store().SetEngine(engine.get());
    }

    TkavPreviewPages &store() { return static_cast<TkavPreviewPages &>(*report->PreviewPages()); }

    // A run as the engine makes it: the header and rows rows per page, each row's texts
    // and top of its own. expected receives the dump of every page as it was output.
    void run(int pages, int rows)
    {
        expected.clear();
        TkavPreviewPages &s = store();
        s.Clear();
        s.Initialize();
        s.AddSourcePage(page);
        s.BeginPass();
        for (int p = 0; p < pages; ++p) {
            s.AddPage(page);
            QStringList lines;
            logo->SetPictureChanged(true);
            s.AddPicture(logo);
            s.AddObject(header);
            lines += dump(*header).mid(0);
            for (int r = 0; r < rows; ++r)
                lines += addRow(p * rows + r, 60 + 20 * r);
            expected.append(lines);
        }
        s.Finish();
    }

    QStringList addRow(int row, double top)
    {
        data->SetTop(top);
        name->SetText(u"Customer %1"_s.arg(row));
        amount->SetText(QString::number(row * 10));
        store().AddObject(data);
        return dump(*data);
    }

    QStringList built(int index)
    {
        std::shared_ptr<TkavReportPage> p = store().GetPage(index);
        EXPECT_TRUE(p);
        return p ? dump(*p).mid(0) : QStringList();
    }

    // Every page's dump without the page itself.
    QList<QStringList> allPages(TkavPreviewPages &s)
    {
        QList<QStringList> pages;
        for (int i = 0; i < s.Count(); ++i)
            pages.append(dump(*s.GetPage(i)).mid(1));
        return pages;
    }

    QByteArray saved()
    {
        TMemoryStream stream;
        store().SaveToStream(stream);
        return stream.Data();
    }

    std::unique_ptr<TkavReport> report;
    std::unique_ptr<TestEngine> engine;
    TkavReportPage *page = nullptr;
    TkavPageHeader *header = nullptr;
    TkavMemoView *title = nullptr;
    TkavPictureView *logo = nullptr;
    TkavMasterData *data = nullptr;
    TkavMemoView *name = nullptr;
    TkavMemoView *amount = nullptr;
    QList<QStringList> expected;
};

// The file text with the first page element renamed.
QString firstPageRenamed(QString text, const QString &name)
{
    text.replace(text.indexOf(u"</page0>"_s), 8, u"</"_s + name + u'>');
    text.replace(text.indexOf(u"<page0>"_s), 7, u'<' + name + u'>');
    return text;
}

QStringList kvFiles(const QString &dir)
{
    return QDir(dir).entryList({u"kv*"_s}, QDir::Files);
}

} // namespace

// ---------------------------------------------------------------------------------------
// Storing and building

TEST_F(PreviewPagesTest, PagesComeBackAsTheyWereOutput)
{
    run(3, 4);
    ASSERT_EQ(store().Count(), 3);
    for (int i = 0; i < 3; ++i) {
        const QStringList lines = built(i);
        EXPECT_EQ(str(lines.mid(1)), str(expected[i])) << "page " << i;
        EXPECT_TRUE(lines.value(0).startsWith(u"TkavReportPage Page1"_s));
    }
    // The row texts and positions changed per row, so the differences carried them.
    EXPECT_TRUE(expected[2].join(u'|').contains(u"Customer 11"_s));
    // Bands get the alias base "b", others their kind's first letter.
    EXPECT_EQ(data->AliasName().left(1), u"b");
    EXPECT_EQ(name->AliasName().left(1), u"m");
    EXPECT_EQ(logo->AliasName().left(1), u"p");
    EXPECT_EQ(store().Dictionary().GetSourceName(data->AliasName()), u"Page0.MasterData1");
    // One picture for all three pages.
    EXPECT_EQ(store().PictureCache().Items().Count(), 1);
    EXPECT_EQ(QSize(store().GetPageSize(0).x(), store().GetPageSize(0).y()), QSize(794, 1123));
    EXPECT_EQ(store().GetPageSize(3), QPoint());
    EXPECT_FALSE(store().GetPage(-1));
}

TEST_F(PreviewPagesTest, TheFileHasTheDocumentedShape)
{
    run(3, 2);
    const QByteArray bytes = saved();
    EXPECT_TRUE(bytes.startsWith(R"(<?xml version="1.0" encoding="utf-8" standalone="no"?>)"));
    EXPECT_FALSE(bytes.contains('\n'));
    EXPECT_FALSE(bytes.contains('\r'));
    const QString text = QString::fromUtf8(bytes);
    EXPECT_TRUE(text.contains(u"<preparedreport>"_s));
    const qsizetype first = text.indexOf(u"<page0>"_s);
    ASSERT_GE(first, 0);
    EXPECT_GT(text.indexOf(u"<page0>"_s, first + 1), first);
    EXPECT_TRUE(text.contains(u"<page0 ld=\"0\">"_s));
    EXPECT_TRUE(text.contains(u"<"_s + data->AliasName() + u" name=\"Page0.MasterData1\"/>"_s));
    EXPECT_TRUE(text.contains(u"<logicalpagenumbers><page n=\"1\"/>"_s));
}

TEST_F(PreviewPagesTest, WritingOverAnExistingPageAddsNoPage)
{
    run(2, 1);
    store().SetCurPage(-1); // the engine goes back to write over page 1
    store().AddPage(page);
    EXPECT_EQ(store().Count(), 2);
    EXPECT_EQ(store().CurPage(), 0);
    store().SetAddPageAction(apAdd);
    store().AddPage(page);
    EXPECT_EQ(store().Count(), 3);
    EXPECT_EQ(store().CurPage(), 2);
    EXPECT_EQ(store().AddPageAction(), apWriteOver);
    EXPECT_EQ(store().GetLogicalPageNo(), 3);
}

TEST_F(PreviewPagesTest, PageCacheKeepsTheMostRecentPages)
{
    report->PreviewOptions().SetPagesInCache(2);
    run(3, 1);
    std::shared_ptr<TkavReportPage> first = store().GetPage(0);
    store().GetPage(1);
    store().GetPage(2);
    EXPECT_EQ(store().CachedPages(), QList<int>({2, 1}));
    EXPECT_EQ(store().PagesBuilt(), 3);
    store().GetPage(1);
    EXPECT_EQ(store().PagesBuilt(), 3) << "a cached page is not built again";
    EXPECT_EQ(store().CachedPages(), QList<int>({1, 2}));
    // A page handed out stays whole after the cache let it go.
    EXPECT_EQ(str(dump(*first).mid(1)), str(expected[0]));
}

// ---------------------------------------------------------------------------------------
// Moving objects between pages

TEST_F(PreviewPagesTest, CutObjectsArePastedRelativeToTheFirst)
{
    run(1, 5); // header, rows at 60, 80, 100, 120, 140
    ASSERT_EQ(store().GetCurPosition(), 6);
    store().CutObjects(3); // rows at 100, 120, 140
    EXPECT_EQ(store().GetCurPosition(), 3);
    store().AddPage(page);
    store().PasteObjects(10, 20);
    const QStringList lines = built(1);
    QStringList tops;
    for (const QString &line : lines)
        if (line.startsWith(u"TkavMasterData"_s))
            tops.append(line.section(u' ', 3, 3));
    EXPECT_EQ(str(tops), str({u"20.00"_s, u"40.00"_s, u"60.00"_s}));
    EXPECT_EQ(store().XMLDoc().Root()->Find(u"cutted"), -1);
}

TEST_F(PreviewPagesTest, PastingUsesTheSourcePositionOfObjectsThatKeptIt)
{
    run(1, 0);
    data->SetLeft(0); // differs from the source band: written
    addRow(1, 100);
    data->SetLeft(10); // equal to the source band: left out of the difference
    addRow(2, 120);
    store().CutObjects(1);
    store().PasteObjects(0, 20);
    QStringList lefts;
    for (const QString &line : built(0))
        if (line.startsWith(u"TkavMasterData"_s))
            lefts.append(line.section(u' ', 2, 3));
    EXPECT_EQ(str(lefts), str({u"0.00 20.00"_s, u"10.00 40.00"_s}));
}

TEST_F(PreviewPagesTest, KeptBlocksTakeTheirOutlineAndAnchorsAlong)
{
    run(1, 1);
    TkavCustomOutline &outline = store().Outline();
    outline.AddItem(u"Before"_s, 10);
    outline.LevelUp();
    const int position = store().GetCurPosition();
    TkavXMLItem *outlineStart = outline.GetCurPosition();
    const int anchorStart = store().GetAnchorCurPosition();
    // A block with two rows at one outline level, an anchor, and a nested entry.
    engine->SetCurY(300);
    store().AddAnchor(u"Block"_s);
    outline.AddItem(u"Row A"_s, 300);
    outline.AddItem(u"Detail"_s, 310);
    outline.LevelUp();
    outline.LevelUp();
    outline.AddItem(u"Row B"_s, 320);
    outline.LevelUp();
    addRow(7, 300);
    // The block does not fit: it moves to the top of the next page.
    store().CutObjects(position);
    store().AddPage(page);
    store().PasteObjects(10, 40);
    store().ShiftAnchors(anchorStart, 40);
    outline.ShiftItems(outlineStart, 40);

    EXPECT_EQ(store().GetAnchorPage(u"block"_s), 2);
    EXPECT_EQ(store().FindAnchor(u"Block"_s)->GetProp(u"top"), u"40");
    outline.LevelRoot();
    ASSERT_EQ(outline.Count(), 3);
    struct Row
    {
        int index;
        QString text;
        int page;
        int top;
    } rows[] = {{0, u"Before"_s, 0, 10}, {1, u"Row A"_s, 1, 40}, {2, u"Row B"_s, 1, 60}};
    for (const Row &row : rows) {
        QString text;
        int pageNo = -1;
        int top = -1;
        outline.GetItem(row.index, text, pageNo, top);
        EXPECT_EQ(text, row.text);
        EXPECT_EQ(pageNo, row.page) << row.text.toStdString();
        EXPECT_EQ(top, row.top) << row.text.toStdString();
    }
    outline.LevelDown(1);
    QString text;
    int pageNo = -1;
    int top = -1;
    outline.GetItem(0, text, pageNo, top);
    EXPECT_EQ(std::tuple(text, pageNo, top), std::tuple(u"Detail"_s, 1, 50));
}

TEST_F(PreviewPagesTest, ABlockMovedToTheNextColumnStaysOnItsPage)
{
    run(1, 1);
    TkavCustomOutline &outline = store().Outline();
    TkavXMLItem *start = outline.GetCurPosition(); // no entry yet at this level
    outline.AddItem(u"Row"_s, 500);
    outline.LevelUp();
    store().AddAnchor(u"Row"_s);
    outline.ShiftItems(start, 60);
    store().ShiftAnchors(-1, 60);
    QString text;
    int pageNo = -1;
    int top = -1;
    outline.LevelRoot();
    outline.GetItem(0, text, pageNo, top);
    EXPECT_EQ(std::pair(pageNo, top), std::pair(0, 60));
    EXPECT_EQ(store().GetAnchorPage(u"Row"_s), 1);
}

// ---------------------------------------------------------------------------------------
// Numbers, anchors, queries, editing

TEST_F(PreviewPagesTest, LogicalPageNumbersOfOneSection)
{
    run(3, 1);
    store().ResetLogicalPageNumber();
    for (int i = 0; i < 3; ++i) {
        store().SetCurPage(i);
        EXPECT_EQ(store().GetLogicalPageNo(), i + 1);
        EXPECT_EQ(store().GetLogicalTotalPages(), 3);
    }
    // Past the recorded pages the numbers come from the page index and the engine.
    engine->SetTotalPages(7);
    store().SetCurPage(5);
    EXPECT_EQ(store().GetLogicalPageNo(), 6);
    EXPECT_EQ(store().GetLogicalTotalPages(), 7);
}

TEST_F(PreviewPagesTest, TheFirstPassNumbersSurviveTheSecondPass)
{
    report->EngineOptions().SetDoublePass(true);
    run(3, 1); // first pass: numbers 1..3
    store().ResetLogicalPageNumber();
    store().ClearFirstPassPages();
    EXPECT_EQ(store().Count(), 0);
    engine->SetFinalPass(true);
    store().BeginPass();
    for (int p = 0; p < 3; ++p) {
        store().AddPage(page);
        addRow(p, 60);
    }
    EXPECT_EQ(store().Count(), 3);
    store().SetCurPage(1);
    EXPECT_EQ(std::pair(store().GetLogicalPageNo(), store().GetLogicalTotalPages()), std::pair(2, 3));
    EXPECT_EQ(store().XMLDoc().Root()->FindItem(u"logicalpagenumbers"_s)->Count(), 3);
}

TEST_F(PreviewPagesTest, AnchorsResolveToTheLastOfTheirName)
{
    run(4, 1);
    EXPECT_EQ(store().GetAnchorPage(u"missing"_s), 1);
    store().SetCurPage(1);
    store().AddAnchor(u"X"_s);
    store().SetCurPage(3);
    store().AddAnchor(u"X"_s);
    EXPECT_EQ(store().GetAnchorPage(u"x"_s), 4);
    EXPECT_EQ(store().GetAnchorCurPosition(), 1);
}

TEST_F(PreviewPagesTest, BandsAndTheLowestBottomOfTheCurrentPage)
{
    run(1, 3); // rows end at 60 + 2 * 20 + 20 = 120
    EXPECT_TRUE(store().BandExists(data));
    EXPECT_TRUE(store().BandExists(header));
    auto *footer = TkavComponent::Create<TkavPageFooter>(page);
    EXPECT_FALSE(store().BandExists(footer));
    EXPECT_DOUBLE_EQ(store().GetLastY(), 120);
    // Only the column at left 10 (and the page header) counts.
    EXPECT_DOUBLE_EQ(store().GetLastY(10), 120);
    EXPECT_DOUBLE_EQ(store().GetLastY(300), 40);
}

TEST_F(PreviewPagesTest, EditingPages)
{
    run(1, 1);
    store().DeletePage(0);
    EXPECT_EQ(store().Count(), 1) << "the only page is never deleted";
    run(3, 2);
    store().AddEmptyPage(0);
    ASSERT_EQ(store().Count(), 4);
    EXPECT_EQ(built(0).size(), 1) << "just the page";
    EXPECT_EQ(str(built(1).mid(1)), str(expected[0]));
    // A modified page is stored in full, objects of one template keeping their name.
    std::shared_ptr<TkavReportPage> second = store().GetPage(2);
    const QStringList before = dump(*second);
    store().ModifyPage(2, second.get());
    EXPECT_EQ(store().XMLDoc().Root()->FindItem(u"previewpages"_s)->Items(2)->Name(), u"TkavReportPage");
    EXPECT_EQ(str(built(2)), str(before));
    store().DeletePage(0);
    EXPECT_EQ(store().Count(), 3);
    EXPECT_EQ(str(built(1)), str(before));
}

TEST_F(PreviewPagesTest, EndlessPagesTakeTheirGrownSize)
{
    store().AddSourcePage(page);
    store().AddPage(page);
    addRow(1, 1900);
    store().UpdatePageDimensions(page, 800, 2000); // while the run goes on
    store().Finish();
    EXPECT_EQ(store().GetPageSize(0), QPoint(800, 2000));
    EXPECT_EQ(store().SourcePage(0)->PaperSize(), kavPaperCustom);
    EXPECT_EQ(store().GetPage(0)->PaperSize(), kavPaperCustom);
}

// ---------------------------------------------------------------------------------------
// Files

TEST_F(PreviewPagesTest, SaveLoadSaveGivesTheSameBytesAndPages)
{
    run(3, 3);
    store().Outline().AddItem(u"Entry <1> & more"_s, 12);
    store().AddAnchor(u"Anchor"_s);
    report->ReportOptions().SetName(u"Customers & Co"_s);
    const QList<QStringList> before = allPages(store());
    const QByteArray first = saved();

    TkavReport other;
    auto &loaded = static_cast<TkavPreviewPages &>(*other.PreviewPages());
    loaded.LoadFromStream(std::make_unique<TMemoryStream>(first));
    EXPECT_EQ(str(allPages(loaded)), str(before));
    EXPECT_EQ(other.ReportOptions().Name(), u"Customers & Co");
    EXPECT_EQ(loaded.GetAnchorPage(u"Anchor"_s), 3);
    TMemoryStream second;
    loaded.SaveToStream(second);
    EXPECT_EQ(second.Data(), first);

    // The same through files, read on demand.
    QTemporaryDir dir;
    const QString path = dir.filePath(u"report.kw3"_s);
    store().SaveToFile(path);
    TkavReport third;
    auto &fromFile = static_cast<TkavPreviewPages &>(*third.PreviewPages());
    EXPECT_TRUE(fromFile.LoadFromFile(path));
    EXPECT_FALSE(fromFile.XMLDoc().Root()->FindItem(u"previewpages"_s)->Items(2)->Loaded());
    EXPECT_EQ(str(allPages(fromFile)), str(before));
    fromFile.SaveToFile(path); // over the file it reads from
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), first);
    EXPECT_FALSE(fromFile.LoadFromFile(dir.filePath(u"missing.kw3"_s)));
    EXPECT_ANY_THROW(fromFile.LoadFromFile(dir.filePath(u"missing.kw3"_s), true));
}

TEST_F(PreviewPagesTest, DamagedFilesGiveAClearErrorAndAnEmptyStore)
{
    run(3, 2);
    store().Outline().AddItem(u"Entry"_s, 12);
    store().AddAnchor(u"Anchor"_s);
    const QString good = QString::fromUtf8(saved());
    const QString alias = data->AliasName();
    QString deep = good;
    deep.replace(u"<page0>"_s, u"<page0>"_s + u"<a>"_s.repeated(100000), Qt::CaseSensitive);
    struct Case
    {
        const char *what;
        QString text;
        QString message;
    } cases[] = {
        {"cut short", good.left(good.size() / 3), u"Invalid file format"_s},
        {"not a prepared report", QString(good).replace(u"preparedreport"_s, u"report"_s), u"no prepared report"_s},
        {"alias of a missing object",
         QString(good).replace(u"Page0.MasterData1"_s, u"Page0.Nothing"_s),
         u"names Page0.Nothing"_s},
        {"alias on a missing page", QString(good).replace(u"Page0.MasterData1"_s, u"Page9.MasterData1"_s), u"Page9"_s},
        {"alias without a name",
         QString(good).replace(u"<"_s + alias + u" name=\"Page0.MasterData1\"/>"_s, u"<"_s + alias + u"/>"_s),
         u"names nothing"_s},
        {"page of a missing source page", firstPageRenamed(good, u"page99"_s), u"source page 99"_s},
        {"page of an unknown class", firstPageRenamed(good, u"TNothing"_s), u"TNothing"_s},
        {"outline entry with a bad top", QString(good).replace(u"top=\"12\""_s, u"top=\"x\""_s), u"outline entry"_s},
        {"anchor with a bad top", QString(good).replace(u"top=\"0\"/></anchors>"_s, u"top=\"1e\"/></anchors>"_s), u"anchor"_s},
        {"logical number that is no number", QString(good).replace(u"<page n=\"2\""_s, u"<page n=\"two\""_s), u"logical page number"_s},
        {"nesting far too deep", deep, u"Invalid file format"_s},
    };
    for (const Case &c : cases) {
        ASSERT_NE(c.text.toStdString(), good.toStdString()) << c.what;
        TkavReport other;
        auto &loaded = static_cast<TkavPreviewPages &>(*other.PreviewPages());
        const QString message = kavErrorOf<Exception>([&] {
            loaded.LoadFromStream(std::make_unique<TMemoryStream>(c.text.toUtf8()));
        });
        EXPECT_TRUE(message.startsWith(u"Invalid file format"_s)) << c.what << ": " << message.toStdString();
        EXPECT_TRUE(message.contains(c.message)) << c.what << ": " << message.toStdString();
        EXPECT_EQ(loaded.Count(), 0) << c.what;
        EXPECT_EQ(loaded.SourcePageCount(), 0) << c.what;
    }
}

TEST_F(PreviewPagesTest, UnusableObjectsAndPicturesAreLeftOutOfTheirPage)
{
    run(1, 2);
    QString text = QString::fromUtf8(saved());
    // A garbage picture, and an object of a class nobody knows.
    const qsizetype stream = text.indexOf(u"stream=\""_s) + 8;
    text.replace(stream, 8, u"00112233"_s);
    text.replace(u"</page0>"_s, u"<TNoSuchView l=\"1\"/></page0>"_s);
    TkavReport other;
    auto &loaded = static_cast<TkavPreviewPages &>(*other.PreviewPages());
    loaded.LoadFromStream(std::make_unique<TMemoryStream>(text.toUtf8()));
    const QStringList lines = dump(*loaded.GetPage(0));
    QStringList wanted = expected[0];
    for (QString &line : wanted)
        if (line.startsWith(u"TkavPictureView"_s))
            line = line.section(u" picture"_s, 0, 0) + u" picture 0x0 0"_s;
    EXPECT_EQ(str(lines.mid(1)), str(wanted));
    EXPECT_TRUE(loaded.BuildErrors().join(u'|').contains(u"TNoSuchView"_s));
    EXPECT_TRUE(other.Errors().Text().contains(u"TNoSuchView"_s));
}

TEST_F(PreviewPagesTest, AFailedSaveLeavesThePreviousFile)
{
    run(20, 10);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"report.kw3"_s);
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("previous");
    old.close();
    {
        FileSizeLimit limit(4096);
        EXPECT_ANY_THROW(store().SaveToFile(path));
    }
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("previous"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({u"report.kw3"_s}));
}

// ---------------------------------------------------------------------------------------
// The file cache

TEST_F(PreviewPagesTest, SwappingGivesTheSamePagesAsMemory)
{
    run(12, 5);
    const QList<QStringList> inMemory = allPages(store());

    QTemporaryDir dir;
    report->EngineOptions().SetTempDir(dir.path());
    report->EngineOptions().SetUseFileCache(true);
    report->EngineOptions().SetMaxMemSize(0); // every page swaps out the ones before
    report->PreviewOptions().SetPagesInCache(2);
    run(12, 5);
    const TkavXMLItem &pages = *store().XMLDoc().Root()->FindItem(u"previewpages"_s);
    EXPECT_FALSE(pages.Items(5)->Loaded());
    EXPECT_EQ(kvFiles(dir.path()).size(), 1);

    // The engine goes back to a swapped-out page and adds to it: nothing is lost.
    store().SetCurPage(5);
    addRow(999, 400);
    store().SetCurPage(11);
    store().AddPage(page); // swaps again
    EXPECT_FALSE(pages.Items(5)->Loaded());
    EXPECT_TRUE(built(5).join(u'|').contains(u"Customer 999"_s));
    store().DeletePage(12);

    // Browsing does not grow the swap file: unchanged pages return to their stored copy.
    allPages(store());
    allPages(store()); // the pages last in the cache are evicted now
    const qint64 size = QFileInfo(store().XMLDoc().TempFile()).size();
    allPages(store());
    allPages(store());
    EXPECT_EQ(QFileInfo(store().XMLDoc().TempFile()).size(), size);

    QList<QStringList> swapped = allPages(store());
    swapped[5].removeIf([](const QString &line) { return line.contains(u"999"_s) || line.contains(u"MasterData1 10.00 400.00"_s); });
    EXPECT_EQ(str(swapped), str(inMemory));
    store().Clear();
    EXPECT_TRUE(kvFiles(dir.path()).isEmpty());
}

// An export walks every page: each one read back from the swap file goes back to it, so
// memory stays as the run left it.
TEST_F(PreviewPagesTest, ExportReturnsSwappedPagesToTheFile)
{
    QTemporaryDir dir;
    report->EngineOptions().SetTempDir(dir.path());
    report->EngineOptions().SetUseFileCache(true);
    report->EngineOptions().SetMaxMemSize(0);
    run(12, 5);
    const TkavXMLItem &pages = *store().XMLDoc().Root()->FindItem(u"previewpages"_s);
    const auto loaded = [&pages] {
        QList<int> numbers;
        for (int i = 0; i < pages.Count(); ++i)
            if (pages.Items(i)->Loaded())
                numbers << i;
        return numbers;
    };
    const QList<int> afterRun = loaded();
    EXPECT_EQ(afterRun.size(), 4); // the first two and the last two pages are never swapped
    const QList<QStringList> before = allPages(store());
    store().ClearPageCache();
    struct Counting : TkavCustomExportFilter
    {
        using TkavCustomExportFilter::TkavCustomExportFilter;
        QString GetDescription() const override { return u"count"_s; }
        void ExportObject(TkavComponent *) override { ++objects; }
        int objects = 0;
    } filter(frNoRegister);
    filter.SetShowDialog(false);
    ASSERT_TRUE(store().Export(filter)) << report->ErrorsText().toStdString();
    EXPECT_GT(filter.objects, 12 * 5);
    EXPECT_EQ(loaded(), afterRun);
    EXPECT_EQ(str(allPages(store())), str(before)); // read back whole
}

// Without the file cache a long run still moves its pages to a swap file, so memory stays
// flat; when that file cannot be written the pages stay in memory and the run goes on.
TEST_F(PreviewPagesTest, ALongRunSwapsWithoutTheFileCache)
{
    QTemporaryDir dir;
    report->EngineOptions().SetTempDir(dir.path());
    ASSERT_FALSE(report->EngineOptions().UseFileCache());
    const auto longRun = [this] {
        TkavPreviewPages &s = store();
        s.Clear();
        s.Initialize();
        s.AddSourcePage(page);
        s.BeginPass();
        for (int p = 0; p < 200; ++p) { // 20 million characters
            s.AddPage(page);
            title->SetText(QString(100000, QChar(u'a' + p % 26)));
            s.AddObject(header);
        }
        s.Finish();
    };
    const auto unloaded = [this] {
        const TkavXMLItem &pages = *store().XMLDoc().Root()->FindItem(u"previewpages"_s);
        int count = 0;
        for (int i = 0; i < pages.Count(); ++i)
            count += !pages.Items(i)->Loaded();
        return count;
    };
    longRun();
    EXPECT_GT(unloaded(), 100);
    EXPECT_EQ(kvFiles(dir.path()).size(), 1);
    EXPECT_TRUE(built(27).join(u'|').contains(QString(100, u'b')));
    store().Clear();
    EXPECT_TRUE(kvFiles(dir.path()).isEmpty());

    {
        FileSizeLimit limit(0);
        longRun();
    }
    EXPECT_EQ(unloaded(), 0);
    EXPECT_TRUE(built(27).join(u'|').contains(QString(100, u'b')));
}

TEST_F(PreviewPagesTest, AFailedSwapKeepsThePagesInMemory)
{
    QTemporaryDir dir;
    report->EngineOptions().SetTempDir(dir.path());
    report->EngineOptions().SetUseFileCache(true);
    report->EngineOptions().SetMaxMemSize(0);
    run(3, 3);
    store().AddPage(page); // page 3; page 2 is now one to swap out
    addRow(50, 60);
    const QList<QStringList> before = allPages(store());
    store().ClearPageCache();
    {
        FileSizeLimit limit(QFileInfo(store().XMLDoc().TempFile()).size() + 10);
        EXPECT_THROW(store().AddPage(page), EWriteError);
    }
    EXPECT_TRUE(store().XMLDoc().Root()->FindItem(u"previewpages"_s)->Items(2)->Loaded());
    QList<QStringList> after = allPages(store());
    EXPECT_EQ(str(after.mid(0, 4)), str(before));
}

// ---------------------------------------------------------------------------------------
// Drawing

TEST_F(PreviewPagesTest, DrawingAPagePaintsItsObjectsInsideThePaper)
{
    run(2, 2);
    QImage image(900, 1200, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        store().DrawPage(0, &painter, 1, 1, 20, 20);
    }
    const double left = 20 + page->LeftMargin() * kavMMToPixels;
    const double top = 20 + page->TopMargin() * kavMMToPixels;
    // The logo's blue fills its rectangle (stretched), text is dark, outside is untouched.
    const QRgb logoPixel = image.pixel(int(left + 430), int(top + 17));
    EXPECT_GT(qBlue(logoPixel), 150);
    int dark = 0;
    for (int y = int(top + 5); y < int(top + 25); ++y)
        for (int x = int(left + 10); x < int(left + 120); ++x)
            dark += qGray(image.pixel(x, y)) < 128;
    EXPECT_GT(dark, 20) << "the title's text";
    EXPECT_EQ(image.pixel(850, 1190), qRgb(255, 255, 255)) << "beyond the paper";
}

// ---------------------------------------------------------------------------------------
// Composing

TEST_F(PreviewPagesTest, ComposingAppendsAnotherReportsPagesOutlineAndAnchors)
{
    run(2, 2);
    const QList<QStringList> first = allPages(store());
    // A second report with its own run.
    TkavReport other;
    auto *otherPage = TkavComponent::Create<TkavReportPage>(&other);
    auto *band = TkavComponent::Create<TkavReportTitle>(otherPage);
    band->SetHeight(30);
    auto *memo = TkavComponent::Create<TkavMemoView>(band);
    memo->SetName(u"Note"_s);
    memo->SetBounds(5, 5, 200, 20);
    memo->SetText(u"Second report"_s);
    otherPage->AlignChildren();
    auto &second = static_cast<TkavPreviewPages &>(*other.PreviewPages());
    second.AddSourcePage(otherPage);
    second.AddPage(otherPage);
    second.AddObject(band);
    second.Outline().AddItem(u"Part two"_s, 5);
    second.AddAnchor(u"Two"_s);
    second.Finish();

    store().AddFrom(&other);
    ASSERT_EQ(store().Count(), 3);
    EXPECT_EQ(str(allPages(store()).mid(0, 2)), str(first));
    EXPECT_TRUE(built(2).join(u'|').contains(u"Second report"_s));
    EXPECT_EQ(store().GetAnchorPage(u"Two"_s), 3);
    TkavCustomOutline &outline = store().Outline();
    outline.LevelRoot();
    QString text;
    int pageNo = -1;
    int top = -1;
    outline.GetItem(outline.Count() - 1, text, pageNo, top);
    EXPECT_EQ(std::tuple(text, pageNo, top), std::tuple(u"Part two"_s, 2, 5));
    EXPECT_DOUBLE_EQ(store().GetLastY(), 30);
    // Composed pages are stored in full and survive a round trip.
    const QByteArray bytes = saved();
    TkavReport third;
    auto &loaded = static_cast<TkavPreviewPages &>(*third.PreviewPages());
    loaded.LoadFromStream(std::make_unique<TMemoryStream>(bytes));
    EXPECT_EQ(str(allPages(loaded)), str(allPages(store())));
}

// ---------------------------------------------------------------------------------------
// The mouse over prepared pages, and what text search asks of them

namespace {

// The viewport point just inside the top-left corner of object Name of page Index, with
// the page's paper corner at Corner and drawn at Scale; Margin is the side margin (mm).
QPoint pointOn(TkavPreviewPages &s, int Index, const QString &Name, double Scale, QPoint Corner, double Margin)
{
    const std::shared_ptr<TkavReportPage> p = s.GetPage(Index);
    const TkavComponent *c = p->FindObject(Name);
    const double x = Corner.x() + (Margin * kavMMToPixels + c->AbsLeft()) * Scale + 2;
    const double y = Corner.y() + (p->TopMargin() * kavMMToPixels + c->AbsTop()) * Scale + 2;
    return QPoint(int(x), int(y));
}

} // namespace

TEST_F(PreviewPagesTest, TheObjectUnderTheMouseOnMirroredPages)
{
    page->SetLeftMargin(10);
    page->SetRightMargin(30);
    page->SetTopMargin(5);
    page->SetMirrorMargins(true);
    title->Hyperlink().SetValue(u"https://example.org"_s);
    title->SetHint(u"Title|The title of the list"_s);
    title->SetShowHint(true);
    run(2, 3);
    TkavPreviewPages &s = store();
    const QPoint corner(100, 50);
    // The second page keeps its wide margin on the left.
    for (int index : {0, 1}) {
        const double margin = index == 0 ? 10 : 30;
        const QPoint at = pointOn(s, index, u"Title"_s, 2, corner, margin);
        TkavObjectOver over = s.ObjectOver(index, at.x(), at.y(), 0, 0, 2, corner.x(), corner.y(), meMove);
        ASSERT_NE(over.View, nullptr) << index;
        EXPECT_EQ(over.View->Name(), u"Title"_s);
        EXPECT_EQ(over.StatusText, u"https://example.org"_s);
        EXPECT_EQ(over.Cursor, -21); // the hand
        EXPECT_EQ(over.Hint, u"Title"_s);
        EXPECT_EQ(over.LongHint, u"The title of the list"_s);
        // The logo is narrower than the two margins differ: taken with the other margin
        // the point misses it.
        const QPoint logoAt = pointOn(s, index, u"Logo"_s, 2, corner, margin);
        over = s.ObjectOver(index, logoAt.x(), logoAt.y(), 0, 0, 2, corner.x(), corner.y(), meMove);
        ASSERT_NE(over.View, nullptr) << index;
        EXPECT_EQ(over.View->Name(), u"Logo"_s);
        const QPoint wrong = pointOn(s, index, u"Logo"_s, 2, corner, 40 - margin);
        over = s.ObjectOver(index, wrong.x(), wrong.y(), 0, 0, 2, corner.x(), corner.y(), meMove);
        EXPECT_EQ(over.View, nullptr) << index;
    }
    // Single clicks follow links, double clicks do not; nothing while the engine runs or
    // off the pages.
    const QPoint at = pointOn(s, 0, u"Title"_s, 1, {}, 10);
    EXPECT_TRUE(s.ObjectOver(0, at.x(), at.y(), 0, 0, 1, 0, 0, meClick).FollowLink);
    EXPECT_FALSE(s.ObjectOver(0, at.x(), at.y(), 0, 0, 1, 0, 0, meDblClick).FollowLink);
    EXPECT_EQ(s.ObjectOver(5, at.x(), at.y(), 0, 0, 1, 0, 0, meClick).View, nullptr);
    engine->SetRunning(true);
    EXPECT_EQ(s.ObjectOver(0, at.x(), at.y(), 0, 0, 1, 0, 0, meMove).View, nullptr);
    engine->SetRunning(false);
}

TEST_F(PreviewPagesTest, AClickThatChangesAnObjectWritesThePageBack)
{
    run(1, 3);
    report->SetOnClickObject([](TkavView *view, int, int, bool &modified) {
        static_cast<TkavMemoView *>(view)->SetText(u"Clicked"_s);
        modified = true;
    });
    TkavPreviewPages &s = store();
    const QPoint at = pointOn(s, 0, u"Title"_s, 1, {}, 0);
    const TkavObjectOver over = s.ObjectOver(0, at.x(), at.y(), 0, 0, 1, 0, 0, meClick);
    EXPECT_TRUE(over.Modified);
    s.ClearPageCache();
    EXPECT_EQ(static_cast<TkavMemoView *>(s.GetPage(0)->FindObject(u"Title"_s))->Text().trimmed(), u"Clicked"_s);
}

TEST_F(PreviewPagesTest, SearchRecordsTheDrawnTextsWithTheirPlaces)
{
    run(2, 3);
    TkavPreviewPages &s = store();
    // Page 1 holds customers 0 to 2, page 2 customers 3 to 5.
    EXPECT_TRUE(s.PageMayContainText(0, u"CUSTOMER 1"_s, false));
    EXPECT_FALSE(s.PageMayContainText(0, u"CUSTOMER 1"_s, true));
    EXPECT_FALSE(s.PageMayContainText(0, u"Customer 4"_s, true));
    EXPECT_TRUE(s.PageMayContainText(1, u"Customer 4"_s, true));
    EXPECT_FALSE(s.PageMayContainText(2, u"Customer 4"_s, true));

    TkavTextRecorder recorder(QSize(794, 1123));
    {
        QPainter painter(&recorder);
        s.DrawPage(1, &painter, 1, 1, 0, 0);
    }
    QStringList texts;
    for (const TkavTextRecord &r : recorder.Records())
        texts << r.Text;
    EXPECT_EQ(texts, (QStringList{u"Customers"_s, u"Customer 3"_s, u"30"_s, u"Customer 4"_s, u"40"_s,
                                  u"Customer 5"_s, u"50"_s}));
    // "Customer 4" stands in its row: 60 + 20 pixels down, 10 in (the band's left).
    const QRectF box = recorder.Records()[3].Bounds;
    EXPECT_NEAR(box.left(), 10, 4);
    EXPECT_NEAR(box.top(), 80, 4);
    EXPECT_LT(box.width(), 200);
}
