// The HTML export: documents that parse as XML, memos as positioned and styled text, other
// objects as pictures (embedded or as files), safe links, anchors, one file per page with
// navigation, page selection, DataOnly, and files left whole when an export fails.

#include "../engine/kavEngineTestSupport.h"
#include "../kavTestSupport.h"
#include "kavOutputTestSupport.h"

#include <output/kavExportHTML.h>
#include <prepared/kavPreviewPages.h>
#include <report/kavBands.h>
#include <report/kavDataSets.h>
#include <report/kavPages.h>
#include <report/kavReport.h>
#include <report/kavViews.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QMap>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

constexpr double pixelsPerMm = 3.77953;

// One element of a parsed document: its name, attributes, the text of a text object
// (<br/> as "\n") and the index of the enclosing page block (-1 outside one).
struct Element
{
    QString name;
    QMap<QString, QString> attributes;
    QString text;
    int page = -1;
    bool insideLink = false;
    QString linkHref;

    QString attr(const char16_t *key) const { return attributes.value(QString::fromUtf16(key)); }
    bool hasClass(const char16_t *cls) const
    {
        return attr(u"class").split(u' ').contains(QString::fromUtf16(cls));
    }
    // The declarations of the style attribute.
    QMap<QString, QString> style() const
    {
        QMap<QString, QString> map;
        for (const QString &part : attr(u"style").split(u';', Qt::SkipEmptyParts)) {
            const qsizetype colon = part.indexOf(u':');
            if (colon > 0)
                map.insert(part.left(colon).trimmed(), part.mid(colon + 1).trimmed());
        }
        return map;
    }
    double styleNumber(const char16_t *key) const
    {
        QString value = style().value(QString::fromUtf16(key));
        value.chop(2); // "px"
        return value.toDouble();
    }
};

struct Document
{
    QString error; // empty when the file is well-formed
    QString title;
    QList<Element> elements;

    QList<Element> withClass(const char16_t *cls) const
    {
        QList<Element> found;
        for (const Element &e : elements)
            if (e.hasClass(cls))
                found.append(e);
        return found;
    }
    // The text object showing exactly text, on page when it is not -1 (a default element
    // when there is none).
    Element memo(const QString &text, int page = -1) const
    {
        for (const Element &e : withClass(u"t"))
            if (e.text == text && (page < 0 || e.page == page))
                return e;
        return {};
    }
    QStringList texts() const
    {
        QStringList list;
        for (const Element &e : withClass(u"t"))
            list.append(e.text);
        return list;
    }
};

Document parse(const QByteArray &bytes)
{
    Document doc;
    QXmlStreamReader reader(bytes);
    QList<qsizetype> open; // element indexes of the open elements
    int page = -1;
    qsizetype memoAt = -1;
    QString href;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement()) {
            Element e;
            e.name = reader.name().toString();
            for (const QXmlStreamAttribute &a : reader.attributes())
                e.attributes.insert(a.name().toString(), a.value().toString());
            if (e.hasClass(u"page"))
                page = int(doc.withClass(u"page").size());
            e.page = page;
            e.insideLink = !href.isEmpty();
            e.linkHref = href;
            if (e.name == u"a" && e.attributes.contains(u"href"_s))
                href = e.attr(u"href");
            if (e.hasClass(u"t"))
                memoAt = doc.elements.size();
            if (e.name == u"br" && memoAt >= 0)
                doc.elements[memoAt].text += u'\n';
            if (e.name == u"title") { // reads through the end of the element
                doc.title = reader.readElementText();
                doc.elements.append(e);
                continue;
            }
            doc.elements.append(e);
            open.append(doc.elements.size() - 1);
        } else if (reader.isEndElement()) {
            const Element &e = doc.elements[open.takeLast()];
            if (e.hasClass(u"t"))
                memoAt = -1;
            if (e.hasClass(u"page"))
                page = -1;
            if (e.name == u"a" && e.attributes.contains(u"href"_s))
                href.clear();
        } else if (reader.isCharacters() && memoAt >= 0) {
            doc.elements[memoAt].text += reader.text();
        }
    }
    if (reader.hasError())
        doc.error = reader.errorString() + u" at line "_s + QString::number(reader.lineNumber());
    return doc;
}

QByteArray readFile(const QString &name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

Document parseFile(const QString &name)
{
    const QByteArray bytes = readFile(name);
    Document doc = parse(bytes);
    if (bytes.isEmpty())
        doc.error = u"missing or empty file "_s + name;
    return doc;
}

std::unique_ptr<TkavHTMLExport> newFilter(const QString &fileName)
{
    auto html = TkavCustomExportFilter::CreateNoRegister<TkavHTMLExport>();
    html->SetShowDialog(false);
    html->SetFileName(fileName);
    return html;
}

// A report of one page with a data band printed once; Add puts objects on the band (200 px
// high). Values of the data set's field "V" come from value.
struct OneRowReport
{
    std::unique_ptr<TkavReport> report = kavNewTestReport();
    TkavUserDataSet dataSet;
    TkavMasterData *band = nullptr;
    QString value;

    OneRowReport()
    {
        auto *page = kavAddTestPage(*report, u"Page1"_s);
        dataSet.SetUserName(u"DS"_s);
        dataSet.SetRangeEnd(reCount);
        dataSet.SetRangeEndCount(1);
        dataSet.ValueHandlers().OnGetValue = [this](const QString &, Variant &v) { v = value; };
        report->DataSets().Add(&dataSet);
        band = kavAddTestBand<TkavMasterData>(*page, u"MasterData1"_s, 100, 200);
        band->SetDataSet(&dataSet);
    }
    TkavMemoView *memo(const QString &name, double left, double top, const QString &text)
    {
        auto *m = TkavComponent::Create<TkavMemoView>(band);
        m->SetName(name);
        m->SetBounds(left, top, 150, 40);
        m->SetText(text);
        return m;
    }
    TkavPreviewPages &prepared()
    {
        EXPECT_TRUE(report->PrepareReport(true)) << report->ErrorsText().toStdString();
        return store(*report);
    }
};

QImage redPicture()
{
    QImage image(20, 10, QImage::Format_RGB32);
    image.fill(Qt::red);
    return image;
}

// The number of clearly red pixels of an image.
int redPixels(const QImage &image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            count += c.alpha() > 200 && c.red() > 200 && c.green() < 60 && c.blue() < 60;
        }
    return count;
}

QStringList leftovers(const QString &dir)
{
    return QDir(dir).entryList({u".kvhtml-*"_s}, QDir::AllEntries | QDir::Hidden);
}

} // namespace

// ---------------------------------------------------------------------------------------

TEST(ExportHTML, OneDocumentHoldsEveryPageWithTheMemosInPlace)
{
    auto report = preparedRows();
    TkavPreviewPages &pages = store(*report);
    ASSERT_EQ(pages.Count(), 2);
    QTemporaryDir dir;
    auto html = newFilter(dir.filePath(u"rows.html"_s));
    ASSERT_TRUE(pages.Export(*html)) << report->ErrorsText().toStdString();
    EXPECT_EQ(html->Files(), QStringList{html->FileName()});
    const QByteArray bytes = readFile(html->FileName());
    EXPECT_TRUE(bytes.startsWith("<!DOCTYPE html>"));
    EXPECT_TRUE(bytes.contains("<meta charset=\"utf-8\"/>"));
    const Document doc = parse(bytes);
    ASSERT_TRUE(doc.error.isEmpty()) << doc.error.toStdString();
    EXPECT_EQ(doc.title, u"rows"_s) << "no title and no report name: the file's name";

    const QList<Element> blocks = doc.withClass(u"page");
    ASSERT_EQ(blocks.size(), 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(blocks[i].attr(u"id"), u"page%1"_s.arg(i + 1));
        EXPECT_DOUBLE_EQ(blocks[i].styleNumber(u"width"), pages.GetPageSize(i).x());
        EXPECT_DOUBLE_EQ(blocks[i].styleNumber(u"height"), pages.GetPageSize(i).y());
    }

    // Every memo of the store appears once, on its page, where the page shows it.
    int memos = 0;
    for (int i = 0; i < 2; ++i) {
        const auto page = pages.GetPage(i);
        const double left = page->LeftMargin() * pixelsPerMm;
        const double top = page->TopMargin() * pixelsPerMm;
        for (TkavComponent *band : page->Objects())
            for (TkavComponent *obj : band->Objects()) {
                auto *memo = dynamic_cast<TkavCustomMemoView *>(obj);
                if (!memo)
                    continue;
                QString text = memo->Text();
                while (text.endsWith(u'\n') || text.endsWith(u'\r'))
                    text.chop(1);
                text.replace(u"\r\n"_s, u"\n"_s);
                if (text.contains(u"[TotalPages#]", Qt::CaseInsensitive))
                    text.replace(u"[TotalPages#]"_s, u"2"_s, Qt::CaseInsensitive);
                const Element e = doc.memo(text, i);
                ASSERT_EQ(e.name, u"div"_s) << text.toStdString() << " on page " << i;
                ++memos;
                EXPECT_NEAR(e.styleNumber(u"left"), left + memo->AbsLeft(), 0.01) << text.toStdString();
                EXPECT_NEAR(e.styleNumber(u"top"), top + memo->AbsTop(), 0.01) << text.toStdString();
                EXPECT_NEAR(e.styleNumber(u"width"), memo->Width(), 0.01);
                EXPECT_NEAR(e.styleNumber(u"height"), memo->Height(), 0.01);
                EXPECT_NEAR(e.styleNumber(u"font-size"), std::abs(memo->Font().Height()), 0.01);
            }
    }
    EXPECT_EQ(memos, doc.withClass(u"t").size());
    EXPECT_GT(memos, 60);
    EXPECT_EQ(doc.memo(u"Page 2 of 2"_s).page, 1) << "totals resolved at export";
    EXPECT_EQ(doc.memo(u"End of report\n60 rows"_s).page, 1) << "line breaks kept";
    EXPECT_TRUE(leftovers(dir.path()).isEmpty());
}

TEST(ExportHTML, DataNeverBecomesMarkup)
{
    OneRowReport r;
    r.value = u"<b>&amp; \"q\" 'a' </div>\x01 end"_s;
    r.memo(u"Data"_s, 0, 0, u"[DS.\"V\"]"_s);
    r.report->ReportOptions().SetName(u"Sales <2024> & \"more\""_s);
    TkavPreviewPages &pages = r.prepared();
    QTemporaryDir dir;
    auto html = newFilter(dir.filePath(u"esc.html"_s));
    ASSERT_TRUE(pages.Export(*html)) << r.report->ErrorsText().toStdString();
    const Document doc = parseFile(html->FileName());
    ASSERT_TRUE(doc.error.isEmpty()) << doc.error.toStdString();
    // The control character cannot live in XML and is left out; everything else is text.
    EXPECT_EQ(doc.texts(), QStringList{u"<b>&amp; \"q\" 'a' </div> end"_s});
    for (const Element &e : doc.elements)
        EXPECT_NE(e.name, u"b"_s);
    EXPECT_EQ(doc.title, u"Sales <2024> & \"more\""_s);

    html->SetTitle(u"Own title"_s);
    ASSERT_TRUE(pages.Export(*html));
    EXPECT_EQ(parseFile(html->FileName()).title, u"Own title"_s);
}

struct StyleRow
{
    const char *name;
    std::function<void(TkavMemoView &)> setup;
    QMap<QString, QString> expected; // declarations that must be present
    QString text = u"one\ntwo"_s;
};

class ExportHTMLStyles : public testing::TestWithParam<StyleRow>
{};

TEST_P(ExportHTMLStyles, MemoLookBecomesCss)
{
    OneRowReport r;
    TkavMemoView *memo = r.memo(u"M"_s, 10, 20, u"one\r\ntwo"_s);
    GetParam().setup(*memo);
    TkavPreviewPages &pages = r.prepared();
    QTemporaryDir dir;
    auto html = newFilter(dir.filePath(u"s.html"_s));
    ASSERT_TRUE(pages.Export(*html)) << r.report->ErrorsText().toStdString();
    const Document doc = parseFile(html->FileName());
    ASSERT_TRUE(doc.error.isEmpty()) << doc.error.toStdString();
    const Element e = doc.memo(GetParam().text);
    ASSERT_EQ(e.name, u"div"_s) << doc.texts().join(u'|').toStdString();
    const QMap<QString, QString> style = e.style();
    for (auto it = GetParam().expected.cbegin(); it != GetParam().expected.cend(); ++it)
        EXPECT_EQ(style.value(it.key()), it.value()) << it.key().toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    ExportHTML,
    ExportHTMLStyles,
    testing::Values(
        StyleRow{"plain_defaults",
                 [](TkavMemoView &) {},
                 {{u"font-size"_s, u"13px"_s},
                  {u"font-family"_s, u"'Arial','Liberation Sans',sans-serif"_s},
                  {u"text-align"_s, u"left"_s},
                  {u"justify-content"_s, u"flex-start"_s},
                  {u"white-space"_s, u"pre-wrap"_s},
                  {u"padding"_s, u"1px 2px"_s},
                  {u"color"_s, u"#000000"_s}}},
        StyleRow{"font_look",
                 [](TkavMemoView &m) {
                     TFont f;
                     f.SetName(u"Times New Roman"_s);
                     f.SetSize(12);
                     f.SetStyle(TFontStyles{fsBold, fsItalic, fsUnderline});
                     f.SetColor(kavRGB(0x12, 0x34, 0x56));
                     m.SetFont(f);
                 },
                 {{u"font-size"_s, u"16px"_s},
                  {u"font-family"_s, u"'Times New Roman','Liberation Serif',sans-serif"_s},
                  {u"font-weight"_s, u"bold"_s},
                  {u"font-style"_s, u"italic"_s},
                  {u"text-decoration"_s, u"underline"_s},
                  {u"color"_s, u"#123456"_s}}},
        StyleRow{"fill_colour",
                 [](TkavMemoView &m) { m.SetColor(kavRGB(0xFF, 0xEE, 0x00)); },
                 {{u"background-color"_s, u"#ffee00"_s}}},
        StyleRow{"frame_sides",
                 [](TkavMemoView &m) {
                     m.Frame().SetTyp(TkavFrameTypes{ftLeft, ftBottom});
                     m.Frame().SetWidth(2);
                     m.Frame().SetColor(kavRGB(0, 0, 0xFF));
                     m.Frame().SetStyle(fsDash);
                     m.Frame().BottomLine().SetColor(kavRGB(0xFF, 0, 0));
                 },
                 {{u"border-left"_s, u"2px dashed #0000ff"_s},
                  {u"border-bottom"_s, u"2px dashed #ff0000"_s},
                  {u"border-top"_s, QString()},
                  {u"border-right"_s, QString()}}},
        StyleRow{"alignment_and_no_wrap",
                 [](TkavMemoView &m) {
                     m.SetHAlign(haRight);
                     m.SetVAlign(vaBottom);
                     m.SetWordWrap(false);
                 },
                 {{u"text-align"_s, u"right"_s},
                  {u"justify-content"_s, u"flex-end"_s},
                  {u"white-space"_s, u"pre"_s}}},
        StyleRow{"centred_block",
                 [](TkavMemoView &m) {
                     m.SetHAlign(haBlock);
                     m.SetVAlign(vaCenter);
                 },
                 {{u"text-align"_s, u"justify"_s}, {u"justify-content"_s, u"center"_s}}},
        StyleRow{"tags_removed_not_passed_on",
                 [](TkavMemoView &m) {
                     m.SetAllowHTMLTags(true);
                     m.SetText(u"<b>bold</b> & plain"_s);
                 },
                 {{u"white-space"_s, u"pre-wrap"_s}},
                 u"bold & plain"_s}),
    [](const testing::TestParamInfo<StyleRow> &row) { return row.param.name; });

TEST(ExportHTML, PicturesEmbeddedOrWrittenBeside)
{
    OneRowReport r;
    auto *picture = TkavComponent::Create<TkavPictureView>(r.band);
    picture->SetName(u"Pic"_s);
    picture->SetBounds(10, 10, 80, 40);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    redPicture().save(&buffer, "PNG");
    ASSERT_TRUE(picture->Picture().LoadFromBytes(png));
    r.memo(u"Caption"_s, 200, 10, u"caption"_s);
    TkavPreviewPages &pages = r.prepared();

    QTemporaryDir dir;
    auto html = newFilter(dir.filePath(u"pic.html"_s));
    ASSERT_TRUE(pages.Export(*html)) << r.report->ErrorsText().toStdString();
    Document doc = parseFile(html->FileName());
    ASSERT_TRUE(doc.error.isEmpty()) << doc.error.toStdString();
    QList<Element> images = doc.withClass(u"o");
    ASSERT_EQ(images.size(), 1) << "the picture; the memo stays text";
    EXPECT_EQ(images[0].name, u"img"_s);
    const QString prefix = u"data:image/png;base64,"_s;
    ASSERT_TRUE(images[0].attr(u"src").startsWith(prefix));
    const QImage embedded = QImage::fromData(
        QByteArray::fromBase64(images[0].attr(u"src").mid(prefix.size()).toLatin1()), "PNG");
    ASSERT_FALSE(embedded.isNull());
    // The image is drawn at twice the resolution; the element keeps the object's place.
    const double scale = TkavHTMLExport::PictureScale;
    EXPECT_NEAR(redPixels(embedded), 80 * 40 * scale * scale, 80 * 40 * scale * scale * 0.05);
    const double left = 10 * pixelsPerMm + 10;
    EXPECT_NEAR(images[0].styleNumber(u"left") + images[0].styleNumber(u"width") / 2, left + 40, 0.6);
    EXPECT_NEAR(images[0].styleNumber(u"width") * scale, embedded.width(), 1);
    EXPECT_EQ(html->Files(), QStringList{html->FileName()});
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(u"pic_files"_s)));

    html->SetEmbedPictures(false);
    ASSERT_TRUE(pages.Export(*html)) << r.report->ErrorsText().toStdString();
    doc = parseFile(html->FileName());
    ASSERT_TRUE(doc.error.isEmpty()) << doc.error.toStdString();
    images = doc.withClass(u"o");
    ASSERT_EQ(images.size(), 1);
    EXPECT_EQ(images[0].attr(u"src"), u"pic_files/img1.png"_s);
    const QString file = dir.filePath(u"pic_files/img1.png"_s);
    EXPECT_EQ(html->Files(), (QStringList{html->FileName(), file}));
    const QImage written(file);
    ASSERT_FALSE(written.isNull());
    EXPECT_EQ(written, embedded);
}

TEST(ExportHTML, PageBackgroundColourBelongsToTheBlock)
{
    OneRowReport r;
    auto *page = dynamic_cast<TkavReportPage *>(r.report->FindObject(u"Page1"_s));
    ASSERT_NE(page, nullptr);
    page->SetColor(kavRGB(0xCC, 0xDD, 0xEE));
    r.memo(u"M"_s, 0, 0, u"x"_s);
    TkavPreviewPages &pages = r.prepared();
    QTemporaryDir dir;
    auto html = newFilter(dir.filePath(u"bg.html"_s));
    ASSERT_TRUE(pages.Export(*html)) << r.report->ErrorsText().toStdString();
    const Document doc = parseFile(html->FileName());
    ASSERT_TRUE(doc.error.isEmpty()) << doc.error.toStdString();
    ASSERT_EQ(doc.withClass(u"page").size(), 1);
    EXPECT_EQ(doc.withClass(u"page")[0].style().value(u"background-color"_s), u"#ccddee"_s);
    EXPECT_TRUE(doc.withClass(u"o").isEmpty()) << "a plain colour needs no picture";

    // A background picture covers the printable area, drawn as an image.
    TkavPicture picture;
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    redPicture().save(&buffer, "PNG");
    ASSERT_TRUE(picture.LoadFromBytes(png));
    page->SetBackPicture(picture);
    TkavPreviewPages &again = r.prepared();
    ASSERT_TRUE(again.Export(*html)) << r.report->ErrorsText().toStdString();
    const Document withPicture = parseFile(html->FileName());
    ASSERT_TRUE(withPicture.error.isEmpty()) << withPicture.error.toStdString();
    const QList<Element> images = withPicture.withClass(u"o");
    ASSERT_EQ(images.size(), 1);
    EXPECT_EQ(images[0].page, 0);
    const QSize size(again.GetPageSize(0).x(), again.GetPageSize(0).y());
    const double margin = 10 * pixelsPerMm;
    EXPECT_NEAR(images[0].styleNumber(u"left") + images[0].styleNumber(u"width") / 2, size.width() / 2.0, 1);
    EXPECT_NEAR(images[0].styleNumber(u"top") + images[0].styleNumber(u"height") / 2, size.height() / 2.0, 1);
    const QString prefix = u"data:image/png;base64,"_s;
    const QImage drawn = QImage::fromData(
        QByteArray::fromBase64(images[0].attr(u"src").mid(prefix.size()).toLatin1()), "PNG");
    const double scale = TkavHTMLExport::PictureScale;
    const double area = (size.width() - 2 * margin) * (size.height() - 2 * margin) * scale * scale;
    EXPECT_NEAR(redPixels(drawn), area, area * 0.02) << "stretched over the printable area";
    EXPECT_EQ(withPicture.withClass(u"page")[0].style().value(u"background-color"_s), u"#ccddee"_s);
}

TEST(ExportHTML, LinksOnlyWhereSafeAndAnchorsReachable)
{
    OneRowReport r;
    int n = 0;
    auto link = [&](const QString &text, double top, TkavHyperlinkKind kind, const QString &value) {
        TkavMemoView *m = r.memo(u"Link%1"_s.arg(++n), 0, top, text);
        m->Hyperlink().SetKind(kind);
        m->Hyperlink().SetValue(value);
    };
    link(u"web"_s, 0, hkURL, u"https://example.com/?a=1&b=2"_s);
    link(u"script"_s, 40, hkURL, u"javascript:alert(1)"_s);
    link(u"hidden script"_s, 80, hkURL, u" java\tscript:alert(1)"_s);
    link(u"to anchor"_s, 120, hkAnchor, u"TARGET"_s);
    link(u"to page"_s, 160, hkPageNumber, u"1"_s);
    TkavPreviewPages &pages = r.prepared();
    pages.AddAnchor(u"Target"_s);
    QTemporaryDir dir;
    auto html = newFilter(dir.filePath(u"links.html"_s));
    ASSERT_TRUE(pages.Export(*html)) << r.report->ErrorsText().toStdString();
    const Document doc = parseFile(html->FileName());
    ASSERT_TRUE(doc.error.isEmpty()) << doc.error.toStdString();
    EXPECT_EQ(doc.memo(u"web"_s).linkHref, u"https://example.com/?a=1&b=2"_s);
    EXPECT_FALSE(doc.memo(u"script"_s).insideLink) << "left as plain text";
    EXPECT_EQ(doc.memo(u"script"_s).name, u"div"_s);
    EXPECT_FALSE(doc.memo(u"hidden script"_s).insideLink);
    EXPECT_EQ(doc.memo(u"to page"_s).linkHref, u"#page1"_s);
    const QString toAnchor = doc.memo(u"to anchor"_s).linkHref;
    ASSERT_TRUE(toAnchor.startsWith(u'#')) << toAnchor.toStdString();
    int targets = 0;
    for (const Element &e : doc.elements)
        if (e.attr(u"id") == toAnchor.mid(1)) {
            ++targets;
            EXPECT_EQ(e.page, pages.GetAnchorPage(u"Target"_s) - 1);
        }
    EXPECT_EQ(targets, 1);
}

struct UrlRow
{
    const char *name;
    QString value;
    QString expected; // empty: refused
};

class ExportHTMLUrls : public testing::TestWithParam<UrlRow>
{};

TEST_P(ExportHTMLUrls, OnlyWebMailAndRelativeLinksPass)
{
    EXPECT_EQ(TkavHTMLExport::SafeURL(GetParam().value), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    ExportHTML,
    ExportHTMLUrls,
    testing::Values(UrlRow{"http", u"http://a.example/x"_s, u"http://a.example/x"_s},
                    UrlRow{"https_upper", u"HTTPS://a.example"_s, u"HTTPS://a.example"_s},
                    UrlRow{"mailto", u"mailto:me@a.example"_s, u"mailto:me@a.example"_s},
                    UrlRow{"relative", u"other.html#part"_s, u"other.html#part"_s},
                    UrlRow{"relative_colon_later", u"dir/a:b.html"_s, u"dir/a:b.html"_s},
                    UrlRow{"trimmed", u"  http://a.example  "_s, u"http://a.example"_s},
                    UrlRow{"javascript", u"javascript:alert(1)"_s, QString()},
                    UrlRow{"javascript_mixed_case", u"JaVaScRiPt:alert(1)"_s, QString()},
                    UrlRow{"javascript_tab", u"java\tscript:alert(1)"_s, QString()},
                    UrlRow{"javascript_newline", u"java\nscript:x"_s, QString()},
                    UrlRow{"javascript_control_prefix", u"\x01javascript:x"_s, QString()},
                    UrlRow{"data", u"data:text/html,<b>x</b>"_s, QString()},
                    UrlRow{"vbscript", u"vbscript:x"_s, QString()},
                    UrlRow{"file", u"file:///etc/passwd"_s, QString()},
                    UrlRow{"other_site_without_scheme", u"//evil.example/x"_s, QString()},
                    UrlRow{"backslashes", u"\\\\evil.example"_s, QString()},
                    UrlRow{"empty", u"   "_s, QString()}),
    [](const testing::TestParamInfo<UrlRow> &row) { return row.param.name; });

TEST(ExportHTML, EscapeTextCoversMarkupAndDropsWhatXmlCannotHold)
{
    EXPECT_EQ(TkavHTMLExport::EscapeText(u"<a href=\"x\">&'</a>"),
              u"&lt;a href=&quot;x&quot;&gt;&amp;&#39;&lt;/a&gt;"_s);
    EXPECT_EQ(TkavHTMLExport::EscapeText(u"a\x01\x1f" "b\tc"), u"ab\tc"_s);
    const QString pair = QString::fromUtf16(u"\U0001F600");
    EXPECT_EQ(TkavHTMLExport::EscapeText(pair), pair) << "a surrogate pair stays";
    EXPECT_EQ(TkavHTMLExport::EscapeText(pair.left(1) + u"x"_s), u"x"_s) << "a lone half goes";
}

TEST(ExportHTML, MultipageWritesOneFilePerPageWithNavigation)
{
    auto report = preparedRows();
    TkavPreviewPages &pages = store(*report);
    QTemporaryDir dir;
    auto html = newFilter(dir.filePath(u"rows.html"_s));
    html->SetMultipage(true);
    ASSERT_TRUE(pages.Export(*html)) << report->ErrorsText().toStdString();
    const QString first = dir.filePath(u"rows_1.html"_s);
    const QString second = dir.filePath(u"rows_2.html"_s);
    EXPECT_EQ(html->Files(), (QStringList{first, second}));
    EXPECT_FALSE(QFileInfo::exists(html->FileName()));
    const struct
    {
        QString file;
        int page;
        QStringList links; // hrefs of the navigation, in order
    } expected[] = {{first, 1, {u"rows_2.html"_s, u"rows_2.html"_s}},
                    {second, 2, {u"rows_1.html"_s, u"rows_1.html"_s}}};
    for (const auto &row : expected) {
        const Document doc = parseFile(row.file);
        ASSERT_TRUE(doc.error.isEmpty()) << doc.error.toStdString();
        const QList<Element> blocks = doc.withClass(u"page");
        ASSERT_EQ(blocks.size(), 1);
        EXPECT_EQ(blocks[0].attr(u"id"), u"page%1"_s.arg(row.page));
        EXPECT_FALSE(doc.memo(u"Page %1 of 2"_s.arg(row.page)).name.isEmpty());
        // The bar is written above and below the page.
        QStringList hrefs;
        for (const Element &e : doc.elements)
            if (e.name == u"a" && e.page < 0 && e.attributes.contains(u"href"_s))
                hrefs.append(e.attr(u"href"));
        EXPECT_EQ(hrefs, row.links + row.links) << row.file.toStdString();
    }

    // One page chosen: one file under the given name, without navigation.
    html->SetPageNumbers(u"2"_s);
    ASSERT_TRUE(pages.Export(*html));
    EXPECT_EQ(html->Files(), QStringList{html->FileName()});
    const Document only = parseFile(html->FileName());
    ASSERT_TRUE(only.error.isEmpty());
    ASSERT_EQ(only.withClass(u"page").size(), 1);
    EXPECT_EQ(only.withClass(u"page")[0].attr(u"id"), u"page2"_s);
    EXPECT_TRUE(only.withClass(u"nav").isEmpty());
}

TEST(ExportHTML, PageNumbersAndDataOnlyChooseWhatIsWritten)
{
    auto report = preparedRows();
    TkavPreviewPages &pages = store(*report);
    QTemporaryDir dir;
    auto html = newFilter(dir.filePath(u"sel.html"_s));
    html->SetPageNumbers(u"2"_s);
    ASSERT_TRUE(pages.Export(*html));
    Document doc = parseFile(html->FileName());
    ASSERT_TRUE(doc.error.isEmpty());
    ASSERT_EQ(doc.withClass(u"page").size(), 1);
    EXPECT_EQ(doc.withClass(u"page")[0].attr(u"id"), u"page2"_s);
    EXPECT_FALSE(doc.memo(u"Page 2 of 2"_s).name.isEmpty());
    EXPECT_TRUE(doc.memo(u"Sixty rows"_s).name.isEmpty()) << "the title is on page 1";

    html->SetPageNumbers(QString());
    html->SetDataOnly(true);
    ASSERT_TRUE(pages.Export(*html));
    doc = parseFile(html->FileName());
    ASSERT_TRUE(doc.error.isEmpty());
    QStringList expected;
    for (int i = 1; i <= 60; ++i)
        expected.append(u"Row %1"_s.arg(i));
    EXPECT_EQ(doc.texts(), expected);
    EXPECT_EQ(doc.withClass(u"page").size(), 2);
}

TEST(ExportHTML, UnwritableTargetFailsWithoutFiles)
{
    auto report = preparedRows();
    TkavPreviewPages &pages = store(*report);
    QTemporaryDir dir;
    for (const bool multipage : {false, true}) {
        const QString target = dir.filePath(u"missing/out.html"_s);
        auto html = newFilter(target);
        html->SetMultipage(multipage);
        report->Errors().Clear();
        EXPECT_FALSE(pages.Export(*html));
        EXPECT_TRUE(report->ErrorsText().contains(target)) << report->ErrorsText().toStdString();
        EXPECT_TRUE(html->Files().isEmpty());
        EXPECT_FALSE(QFileInfo::exists(dir.filePath(u"missing"_s)));
    }
}

TEST(ExportHTML, FailedExportLeavesEarlierFilesWhole)
{
    auto report = preparedRows();
    TkavPreviewPages &pages = store(*report);
    QTemporaryDir dir;
    for (const bool multipage : {false, true}) {
        auto html = newFilter(dir.filePath(u"keep.html"_s));
        html->SetMultipage(multipage);
        ASSERT_TRUE(pages.Export(*html));
        QList<QByteArray> before;
        for (const QString &f : html->Files())
            before.append(readFile(f));
        const QStringList files = html->Files();

        struct Failing : TkavHTMLExport
        {
            using TkavHTMLExport::TkavHTMLExport;
            void ExportObject(TkavComponent *Obj) override
            {
                if (Obj->Name() == u"PageNo")
                    throw EkavError(u"disk full"_s);
                TkavHTMLExport::ExportObject(Obj);
            }
        } failing(frNoRegister);
        failing.SetShowDialog(false);
        failing.SetMultipage(multipage);
        failing.SetTitle(u"changed"_s);
        failing.SetFileName(html->FileName());
        report->Errors().Clear();
        EXPECT_FALSE(pages.Export(failing));
        EXPECT_TRUE(report->ErrorsText().contains(u"disk full"_s));
        EXPECT_TRUE(failing.Files().isEmpty());
        for (qsizetype i = 0; i < files.size(); ++i)
            EXPECT_EQ(readFile(files[i]), before[i]) << files[i].toStdString();
        EXPECT_TRUE(leftovers(dir.path()).isEmpty()) << leftovers(dir.path()).join(u' ').toStdString();
    }
}

TEST(ExportHTML, RegisteredOnceUnderItsExtension)
{
    kavRegisterHTMLExportFilter();
    kavRegisterHTMLExportFilter();
    int count = 0;
    for (TkavCustomExportFilter *f : kavExportFilters())
        count += f->Name() == u"HTMLExport";
    EXPECT_EQ(count, 1);
    TkavCustomExportFilter *found = kavFindExportFilter(u"HTML");
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->DefaultExt(), u".html"_s);
    EXPECT_EQ(found->GetDescription(), u"HTML document (*.html)"_s);
}
