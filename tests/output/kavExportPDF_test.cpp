// The PDF export filter checked with poppler's own tools: pages and paper sizes, embedded
// font subsets, extracted text, rendering against the preview drawing, bookmarks, links,
// determinism, page ranges and failures; and the page canvas against a raster drawing of the
// same painting.

#include "../engine/kavEngineTestSupport.h"
#include "../kavTestSupport.h"
#include "kavOutputTestSupport.h"

#include <output/kavExportPDF.h>
#include <output/kavPDFWriter.h>
#include <persist/kavXML.h>
#include <prepared/kavPreviewPages.h>
#include <report/kavBands.h>
#include <report/kavDataSets.h>
#include <report/kavFrames.h>
#include <report/kavViews.h>
#include <rtl/kavStreams.h>

#include <QBuffer>
#include <QLinearGradient>
#include <QPainterPath>
#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

constexpr double pixelsPerMm = 3.77953;

struct ToolResult
{
    int code = -1;
    QByteArray out;
    QByteArray err;
};

// Runs a poppler tool; a tool that cannot be started fails the test (they are installed
// wherever the tests run).
ToolResult runTool(const QString &program, const QStringList &args)
{
    QProcess process;
    process.start(program, args);
    EXPECT_TRUE(process.waitForFinished(60000)) << program.toStdString() << " did not run";
    ToolResult result;
    result.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

QByteArray readFile(const QString &name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TkavMemoView *addMemo(TkavComponent *band, const QString &name, double left, const QString &text)
{
    auto *memo = TkavComponent::Create<TkavMemoView>(band);
    memo->SetName(name);
    memo->SetBounds(left, 0, 300, 20);
    memo->SetText(text);
    return memo;
}

// A report of three pages: two A4 portrait pages of 60 rows in three groups (group
// headers and rows in the outline) and an A3 landscape appendix with an outline entry.
// The title carries a URL link, a link to page 3 and a link to the anchor "Appendix".
struct OutlineReport
{
    OutlineReport()
    {
        report = kavNewTestReport();
        report->ReportOptions().SetName(u"Outline report"_s);
        data.SetUserName(u"DS"_s);
        data.SetRangeEnd(reCount);
        data.SetRangeEndCount(60);
        data.ValueHandlers().OnGetValue = [this](const QString &field, Variant &value) {
            value = field == u"Group" ? Variant(data.RecNo() / 20) : Variant(data.RecNo() + 1);
        };
        report->DataSets().Add(&data);
        TkavReportPage *page = kavAddTestPage(*report, u"Page1"_s);
        auto *title = kavAddTestBand<TkavReportTitle>(*page, u"ReportTitle1"_s, 0, 30);
        TkavMemoView *titleLink = addMemo(title, u"TitleLink"_s, 0, u"Kavrel PDF title"_s);
        titleLink->Hyperlink().SetValue(url);
        // Several fonts: Qt writes font objects in an order that varies between processes.
        titleLink->Font().SetStyle(TFontStyles{fsBold});
        TkavMemoView *toPage = addMemo(title, u"PageLink"_s, 320, u"To the appendix page"_s);
        toPage->Hyperlink().SetKind(hkPageNumber);
        toPage->Hyperlink().SetValue(u"3"_s);
        auto *header = kavAddTestBand<TkavPageHeader>(*page, u"PageHeader1"_s, 40, 24);
        addMemo(header, u"Heading"_s, 0, u"Heading"_s)->Font().SetName(u"Courier New"_s);
        auto *group = kavAddTestBand<TkavGroupHeader>(*page, u"GroupHeader1"_s, 80, 24);
        group->SetCondition(u"DS.\"Group\""_s);
        group->SetOutlineText(u"'Group ' + IntToStr(<DS.\"Group\">)"_s);
        addMemo(group, u"GroupText"_s, 0, u"Group [DS.\"Group\"]"_s);
        auto *rows = kavAddTestBand<TkavMasterData>(*page, u"MasterData1"_s, 120, 20);
        rows->SetDataSet(&data);
        rows->SetOutlineText(u"'Row ' + IntToStr(<DS.\"No\">)"_s);
        addMemo(rows, u"RowText"_s, 0, u"Row [DS.\"No\"]"_s);
        auto *footer = kavAddTestBand<TkavPageFooter>(*page, u"PageFooter1"_s, 200, 24);
        addMemo(footer, u"PageNo"_s, 0, u"Page [Page#]"_s);
        TkavMemoView *toAnchor = addMemo(footer, u"AnchorLink"_s, 320, u"To the anchor"_s);
        toAnchor->Hyperlink().SetKind(hkAnchor);
        toAnchor->Hyperlink().SetValue(u"Appendix"_s);

        TkavReportPage *appendix = kavAddTestPage(*report, u"Page2"_s);
        appendix->SetPaperSize(8);
        appendix->SetOrientation(poLandscape);
        appendix->SetOutlineText(u"'Appendix'"_s);
        auto *appendixTitle = kavAddTestBand<TkavReportTitle>(*appendix, u"ReportTitle2"_s, 0, 30);
        addMemo(appendixTitle, u"AppendixText"_s, 0, u"Landscape appendix"_s)
            ->Font()
            .SetName(u"Times New Roman"_s);
        ok = report->PrepareReport(true);
        errors = report->ErrorsText();
        if (ok) {
            // An anchor on the appendix page, as a script would add it while the page runs.
            TkavPreviewPages &pages = store(*report);
            const int saved = pages.CurPage();
            pages.SetCurPage(pages.Count() - 1);
            pages.AddAnchor(u"Appendix"_s);
            pages.SetCurPage(saved);
        }
        report->Errors().Clear();
    }

    const QString url = u"https://example.com/kavrel?a=1"_s;
    TkavUserDataSet data;
    std::unique_ptr<TkavReport> report;
    bool ok = false;
    QString errors;
};

// The outline as titles with their 1-based store pages, indented two spaces per level.
void walkOutline(TkavCustomOutline &outline, int depth, QStringList &out)
{
    for (int i = 0; i < outline.Count(); ++i) {
        QString text;
        int page = -1;
        int top = 0;
        outline.GetItem(i, text, page, top);
        out << QString(depth * 2, u' ') + text + u" @"_s + QString::number(page + 1);
        outline.LevelDown(i);
        walkOutline(outline, depth + 1, out);
        outline.LevelUp();
    }
}

// The same list from pdftohtml's XML outline ("<item page=...>title</item>" nested in
// "<outline>" elements).
QStringList toolOutline(const QByteArray &xml)
{
    QStringList out;
    int depth = -1;
    static const QRegularExpression token(
        uR"re(<outline>|</outline>|<item page="(\d+)">([^<]*)</item>|<item>([^<]*)</item>)re"_s);
    for (auto it = token.globalMatch(QString::fromUtf8(xml)); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (m.captured(0) == u"<outline>")
            ++depth;
        else if (m.captured(0) == u"</outline>")
            --depth;
        else if (m.capturedLength(1) > 0)
            out << QString(depth * 2, u' ') + m.captured(2) + u" @"_s + m.captured(1);
        else
            out << QString(depth * 2, u' ') + m.captured(3) + u" @0"_s;
    }
    return out;
}

// The annotation dictionaries of a file we wrote (objects are not compressed).
QStringList annotations(const QByteArray &pdf)
{
    QStringList out;
    static const QRegularExpression annot(uR"re(<<\n/Type /Annot\n/Subtype /Link\n(?:.|\n)*?\n>>)re"_s);
    for (auto it = annot.globalMatch(QString::fromLatin1(pdf)); it.hasNext();)
        out << it.next().captured(0);
    return out;
}

std::vector<double> rectOf(const QString &annotation)
{
    static const QRegularExpression rect(uR"re(/Rect \[([-\d. ]+)\])re"_s);
    std::vector<double> values;
    for (const QString &part : rect.match(annotation).captured(1).split(u' ', Qt::SkipEmptyParts))
        values.push_back(part.toDouble());
    return values;
}

// Page sizes in points from pdfinfo, e.g. {595, 842}.
std::vector<QSizeF> toolPageSizes(const QString &file, int pages)
{
    const ToolResult info = runTool(u"pdfinfo"_s,
                                    {u"-f"_s, u"1"_s, u"-l"_s, QString::number(pages), file});
    std::vector<QSizeF> sizes;
    static const QRegularExpression size(uR"re(Page\s+\d+ size:\s+([\d.]+) x ([\d.]+) pts)re"_s);
    for (auto it = size.globalMatch(QString::fromUtf8(info.out)); it.hasNext();) {
        const auto m = it.next();
        sizes.emplace_back(m.captured(1).toDouble(), m.captured(2).toDouble());
    }
    return sizes;
}

TkavComponent *findPrepared(TkavReportPage &page, const QString &name)
{
    for (TkavComponent *obj : page.AllObjects())
        if (obj->Name() == name)
            return obj;
    return nullptr;
}

// The share of "ink" pixels of A and B that match (see below); Ink receives their count.
double inkMatch(const QImage &a, const QImage &b, int &ink)
{
    const int w = std::min(a.width(), b.width());
    const int h = std::min(a.height(), b.height());
    const auto gray = [](const QImage &image, int x, int y) {
        return int(image.constScanLine(y)[x]);
    };
    const int reach = 2;
    const auto near = [&](const QImage &other, int x, int y, int value) {
        for (int dy = -reach; dy <= reach; ++dy)
            for (int dx = -reach; dx <= reach; ++dx) {
                const int nx = x + dx;
                const int ny = y + dy;
                if (nx >= 0 && ny >= 0 && nx < w && ny < h
                    && std::abs(gray(other, nx, ny) - value) <= 80)
                    return true;
            }
        return false;
    };
    ink = 0;
    int matched = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int va = gray(a, x, y);
            const int vb = gray(b, x, y);
            if (va >= 200 && vb >= 200)
                continue;
            ++ink;
            if (near(b, x, y, va) && near(a, x, y, vb))
                ++matched;
        }
    return ink > 0 ? double(matched) / ink : 0;
}

class PdfExport : public testing::Test
{
protected:
    static void SetUpTestSuite() { source = std::make_unique<OutlineReport>(); }
    static void TearDownTestSuite() { source.reset(); }

    void SetUp() override
    {
        ASSERT_TRUE(source->ok) << source->errors.toStdString();
        ASSERT_EQ(pages().Count(), 3) << kavDumpPreparedPages(pages()).toStdString();
        ASSERT_TRUE(dir.isValid());
    }

    static TkavPreviewPages &pages() { return store(*source->report); }
    QString path(const QString &name) const { return dir.filePath(name); }

    // Exports to Name (adjusted by Adjust first); the file's path.
    QString exportTo(const QString &name,
                     const std::function<void(TkavPDFExport &)> &adjust = {})
    {
        auto pdf = TkavCustomExportFilter::CreateNoRegister<TkavPDFExport>();
        pdf->SetFileName(path(name));
        if (adjust)
            adjust(*pdf);
        const bool exported = pages().Export(*pdf);
        EXPECT_TRUE(exported) << source->report->ErrorsText().toStdString();
        EXPECT_EQ(pdf->Files(), QStringList{path(name)});
        return path(name);
    }

    static inline std::unique_ptr<OutlineReport> source;
    QTemporaryDir dir;
};

TEST_F(PdfExport, PagesKeepTheirPaperSizeAndOrientation)
{
    const QString file = exportTo(u"sizes.pdf"_s);
    const ToolResult info = runTool(u"pdfinfo"_s, {file});
    EXPECT_EQ(info.code, 0);
    EXPECT_TRUE(info.err.isEmpty()) << info.err.toStdString();
    EXPECT_TRUE(info.out.contains("Pages:           3\n")) << info.out.toStdString();
    EXPECT_TRUE(info.out.contains("Creator:         Kavrel\n")) << info.out.toStdString();
    EXPECT_TRUE(info.out.contains("Title:           Outline report\n")) << info.out.toStdString();
    const QString titled = exportTo(u"titled.pdf"_s, [](TkavPDFExport &pdf) {
        pdf.SetTitle(u"Quartalsbericht \u00fcber (2024)"_s);
    });
    EXPECT_TRUE(QString::fromUtf8(runTool(u"pdfinfo"_s, {titled}).out)
                    .contains(u"Title:           Quartalsbericht \u00fcber (2024)\n"_s));
    const std::vector<QSizeF> sizes = toolPageSizes(file, 3);
    ASSERT_EQ(sizes.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        const auto page = pages().GetPage(i);
        // Qt writes whole points.
        EXPECT_NEAR(sizes[size_t(i)].width(), page->PaperWidth() * 72 / 25.4, 1.0) << i;
        EXPECT_NEAR(sizes[size_t(i)].height(), page->PaperHeight() * 72 / 25.4, 1.0) << i;
    }
    EXPECT_NEAR(sizes[0].width(), 595, 1);  // A4 portrait
    EXPECT_NEAR(sizes[0].height(), 842, 1);
    EXPECT_NEAR(sizes[2].width(), 1191, 1); // A3 landscape
    EXPECT_NEAR(sizes[2].height(), 842, 1);
}

TEST_F(PdfExport, EveryFontIsAnEmbeddedSubset)
{
    const QString file = exportTo(u"fonts.pdf"_s);
    const ToolResult fonts = runTool(u"pdffonts"_s, {file});
    ASSERT_EQ(fonts.code, 0) << fonts.err.toStdString();
    const QStringList lines = QString::fromUtf8(fonts.out).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 3) << "no font at all: " << fonts.out.toStdString();
    static const QRegularExpression row(uR"re(^(\S+)\s+.*\s(yes|no)\s+(yes|no)\s+(yes|no)\s+\d+\s+\d+$)re"_s);
    for (const QString &line : lines.mid(2)) {
        const auto m = row.match(line);
        ASSERT_TRUE(m.hasMatch()) << line.toStdString();
        EXPECT_EQ(m.captured(2), u"yes") << "not embedded: " << line.toStdString();
        EXPECT_EQ(m.captured(3), u"yes") << "not a subset: " << line.toStdString();
        EXPECT_TRUE(QRegularExpression(u"^[A-Z]{6}\\+"_s).match(m.captured(1)).hasMatch())
            << line.toStdString();
    }
}

TEST_F(PdfExport, TextIsExtractedInReadingOrder)
{
    const QString file = exportTo(u"text.pdf"_s);
    const ToolResult text = runTool(u"pdftotext"_s, {file, u"-"_s});
    ASSERT_EQ(text.code, 0) << text.err.toStdString();
    const QString all = QString::fromUtf8(text.out);
    const QStringList pageTexts = all.split(u'\f');
    ASSERT_GE(pageTexts.size(), 3);
    // Every text in the order the report placed it: title, heading, groups and rows.
    QStringList expected{u"Kavrel PDF title"_s, u"Heading"_s, u"Group 0"_s};
    for (int row = 1; row <= 60; ++row) {
        if (row == 21 || row == 41)
            expected << u"Group %1"_s.arg(row / 20);
        expected << u"Row %1"_s.arg(row);
    }
    qsizetype at = 0;
    for (const QString &piece : expected) {
        const qsizetype found = all.indexOf(QRegularExpression(u"\\b"_s + piece + u"\\b"_s), at);
        ASSERT_GE(found, at) << piece.toStdString() << " missing or out of order";
        at = found + piece.size();
    }
    EXPECT_TRUE(pageTexts[0].contains(u"Page 1"_s));
    EXPECT_TRUE(pageTexts[1].contains(u"Page 2"_s));
    EXPECT_TRUE(pageTexts[2].contains(u"Landscape appendix"_s));
    EXPECT_FALSE(pageTexts[2].contains(u"Row 1"_s));
}

// The preview's drawing of page 1 and pdftoppm's rendering of the PDF at 96 dpi. On a PDF
// the store lays text out with unhinted outline metrics (as for printers) while the screen
// drawing uses hinted 96-dpi metrics, and the two rasterizers anti-alias differently: glyph
// edges land up to two pixels apart. So a pixel matches when the other image has a pixel
// within 80 gray levels in its 5 x 5 neighbourhood. Only "ink" (pixels darker than 200 in
// either image) is compared, so a blank page or one moved by more than two pixels cannot
// pass on the white background; 97 % of the ink must match.
TEST_F(PdfExport, RenderingMatchesThePreviewDrawing)
{
    const QString file = exportTo(u"render.pdf"_s);
    const ToolResult render = runTool(
        u"pdftoppm"_s,
        {u"-r"_s, u"96"_s, u"-f"_s, u"1"_s, u"-l"_s, u"1"_s, u"-png"_s, u"-singlefile"_s, file, path(u"page"_s)});
    ASSERT_EQ(render.code, 0) << render.err.toStdString();
    const QImage pdf = QImage(path(u"page.png"_s)).convertToFormat(QImage::Format_Grayscale8);
    const auto previewDrawing = [](double offsetY) {
        const QPoint size = pages().GetPageSize(0);
        QImage preview(size.x(), size.y(), QImage::Format_RGB32);
        preview.fill(Qt::white);
        QPainter painter(&preview);
        pages().DrawPage(0, &painter, 1, 1, 0, offsetY);
        painter.end();
        return preview.convertToFormat(QImage::Format_Grayscale8);
    };
    const QImage drawn = previewDrawing(0);
    ASSERT_LE(std::abs(pdf.width() - drawn.width()), 1);
    ASSERT_LE(std::abs(pdf.height() - drawn.height()), 1);
    int ink = 0;
    const double share = inkMatch(pdf, drawn, ink);
    ASSERT_GT(ink, 1000) << "the page holds text";
    EXPECT_GE(share, 0.97);
    // The comparison sees a page drawn 5 pixels lower.
    EXPECT_LT(inkMatch(pdf, previewDrawing(5), ink), 0.8);
}

TEST_F(PdfExport, OutlineBecomesBookmarksOnTheirPages)
{
    QStringList expected;
    TkavCustomOutline &outline = pages().Outline();
    outline.LevelRoot();
    walkOutline(outline, 0, expected);
    ASSERT_GE(expected.size(), 60) << expected.join(u'\n').toStdString();
    ASSERT_TRUE(expected.contains(u"Appendix @3"_s)) << expected.join(u'\n').toStdString();
    ASSERT_TRUE(std::any_of(expected.begin(), expected.end(), [](const QString &line) {
        return line.startsWith(u"  "_s);
    })) << "a nested level";

    const QString file = exportTo(u"outline.pdf"_s);
    const ToolResult xml = runTool(u"pdftohtml"_s,
                                   {u"-xml"_s, u"-i"_s, u"-q"_s, u"-stdout"_s, file});
    ASSERT_EQ(xml.code, 0) << xml.err.toStdString();
    EXPECT_EQ(toolOutline(xml.out), expected);

    // The destination of the appendix sits at the top of the printable area of page 3.
    const QByteArray bytes = readFile(file);
    EXPECT_TRUE(bytes.contains("/PageMode /UseOutlines"));
    const std::vector<QSizeF> sizes = toolPageSizes(file, 3);
    ASSERT_EQ(sizes.size(), 3u);
    static const QRegularExpression appendix(
        uR"re(/Title \(Appendix\)\n(?:[^>]|\n)*?/Dest \[\d+ 0 R /XYZ 0 ([\d.]+) null\])re"_s);
    const auto dest = appendix.match(QString::fromLatin1(bytes));
    ASSERT_TRUE(dest.hasMatch());
    const double margin = pages().GetPage(2)->TopMargin() * pixelsPerMm * 0.75;
    EXPECT_NEAR(dest.captured(1).toDouble(), sizes[2].height() - margin, 0.02);

    const QString plain = exportTo(u"plain.pdf"_s, [](TkavPDFExport &pdf) {
        pdf.SetOutline(false);
    });
    EXPECT_FALSE(readFile(plain).contains("/Outlines"));
    const ToolResult none = runTool(u"pdftohtml"_s,
                                    {u"-xml"_s, u"-i"_s, u"-q"_s, u"-stdout"_s, plain});
    EXPECT_TRUE(toolOutline(none.out).isEmpty());
}

TEST_F(PdfExport, HyperlinksBecomeLinkAnnotationsOverTheirObjects)
{
    const QString file = exportTo(u"links.pdf"_s);
    const QByteArray bytes = readFile(file);
    const QStringList links = annotations(bytes);
    // The URL and the page link on page 1, the anchor link on pages 1 and 2.
    ASSERT_EQ(links.size(), 4) << bytes.toStdString();
    const std::vector<QSizeF> sizes = toolPageSizes(file, 1);
    ASSERT_EQ(sizes.size(), 1u);

    const auto first = pages().GetPage(0);
    TkavComponent *memo = findPrepared(*first, u"TitleLink"_s);
    ASSERT_NE(memo, nullptr);
    const double left = (first->LeftMargin() * pixelsPerMm + memo->AbsLeft()) * 0.75;
    const double top = (first->TopMargin() * pixelsPerMm + memo->AbsTop()) * 0.75;
    const QString uri = u"/URI (%1)"_s.arg(source->url);
    const auto urlLink = std::find_if(links.begin(), links.end(), [&](const QString &link) {
        return link.contains(uri);
    });
    ASSERT_NE(urlLink, links.end()) << links.join(u'\n').toStdString();
    const std::vector<double> rect = rectOf(*urlLink);
    ASSERT_EQ(rect.size(), 4u);
    EXPECT_NEAR(rect[0], left, 0.05);
    EXPECT_NEAR(rect[2], left + memo->Width() * 0.75, 0.05);
    EXPECT_NEAR(rect[3], sizes[0].height() - top, 0.05);
    EXPECT_NEAR(rect[1], sizes[0].height() - top - memo->Height() * 0.75, 0.05);

    // Both internal kinds go to the third page object (the page tree's third kid).
    static const QRegularExpression kids(uR"re(/Kids\s*\[\s*(\d+) 0 R\s+(\d+) 0 R\s+(\d+) 0 R\s*\])re"_s);
    const auto tree = kids.match(QString::fromLatin1(bytes));
    ASSERT_TRUE(tree.hasMatch());
    const QString third = u"/S /GoTo /D [%1 0 R /XYZ"_s.arg(tree.captured(3));
    EXPECT_EQ(links.filter(third).size(), 3) << links.join(u'\n').toStdString();

    // pdftohtml reports the URL link over the title's text.
    const ToolResult xml = runTool(u"pdftohtml"_s,
                                   {u"-xml"_s, u"-i"_s, u"-q"_s, u"-stdout"_s, file});
    EXPECT_TRUE(xml.out.contains("https://example.com/kavrel?a=1")) << xml.out.toStdString();
}

TEST_F(PdfExport, TwoExportsAreByteIdentical)
{
    const QByteArray one = readFile(exportTo(u"one.pdf"_s));
    const QByteArray two = readFile(exportTo(u"two.pdf"_s));
    ASSERT_FALSE(one.isEmpty());
    EXPECT_TRUE(one == two);
    EXPECT_FALSE(one.contains("/CreationDate"));
    EXPECT_TRUE(one.contains("/ID [<"));

    // A stream receives the same bytes.
    TMemoryStream stream;
    auto pdf = TkavCustomExportFilter::CreateNoRegister<TkavPDFExport>();
    pdf->SetStream(&stream);
    ASSERT_TRUE(pages().Export(*pdf)) << source->report->ErrorsText().toStdString();
    EXPECT_TRUE(stream.Data() == one);
    EXPECT_TRUE(pdf->Files().isEmpty());

    // A creation date only on request; the caller may fix it.
    const QDateTime fixed(QDate(2024, 5, 17), QTime(8, 30, 0), Qt::UTC);
    const QString dated = exportTo(u"dated.pdf"_s, [&](TkavPDFExport &filter) {
        filter.SetWriteCreationTime(true);
        filter.OnBeginExport = [&](TkavCustomExportFilter &f) { f.SetCreationTime(fixed); };
    });
    EXPECT_TRUE(readFile(dated).contains("/CreationDate (D:20240517083000Z)"));
    const ToolResult info = runTool(u"pdfinfo"_s, {u"-isodates"_s, dated});
    EXPECT_TRUE(info.out.contains("2024-05-17T08:30:00")) << info.out.toStdString();
}

// Run as a child process (see below): exports the report to the file the variable names.
TEST_F(PdfExport, ChildProcessExport)
{
    const QString target = qEnvironmentVariable("KAV_PDF_CHILD_TARGET");
    if (target.isEmpty())
        GTEST_SKIP() << "only run by SameBytesInAnotherProcess";
    auto pdf = TkavCustomExportFilter::CreateNoRegister<TkavPDFExport>();
    pdf->SetFileName(target);
    ASSERT_TRUE(pages().Export(*pdf));
}

// Processes hash differently (Qt seeds its hashes per process): the files must not differ.
TEST_F(PdfExport, SameBytesInAnotherProcess)
{
    QByteArray files[3];
    for (int i = 0; i < 3; ++i) {
        const QString target = path(u"child%1.pdf"_s.arg(i));
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"KAV_PDF_CHILD_TARGET"_s, target);
        env.remove(u"QT_HASH_SEED"_s);
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(),
                    {u"--gtest_filter=PdfExport.ChildProcessExport"_s});
        ASSERT_TRUE(child.waitForFinished(120000));
        ASSERT_EQ(child.exitCode(), 0) << child.readAllStandardOutput().toStdString();
        files[i] = readFile(target);
        ASSERT_FALSE(files[i].isEmpty());
    }
    EXPECT_TRUE(files[0] == files[1]);
    EXPECT_TRUE(files[0] == files[2]);
    EXPECT_TRUE(files[0] == readFile(exportTo(u"here.pdf"_s)));
    const ToolResult fonts = runTool(u"pdffonts"_s, {path(u"child0.pdf"_s)});
    EXPECT_GE(fonts.out.count('\n'), 5) << "at least three fonts: " << fonts.out.toStdString();
}

TEST_F(PdfExport, PageRangeExportsOnlyThosePages)
{
    const struct
    {
        QString range;
        int pages;
        QString present;
        QString absent;
    } rows[] = {
        {u"2"_s, 1, u"Page 2"_s, u"Page 1"_s},
        {u"3,1"_s, 2, u"Landscape appendix"_s, u"Page 2"_s},
    };
    for (const auto &row : rows) {
        const QString file = exportTo(u"range.pdf"_s, [&](TkavPDFExport &pdf) {
            pdf.SetPageNumbers(row.range);
        });
        const ToolResult info = runTool(u"pdfinfo"_s, {file});
        EXPECT_TRUE(info.err.isEmpty()) << info.err.toStdString();
        EXPECT_TRUE(info.out.contains("Pages:           " + QByteArray::number(row.pages) + '\n'))
            << row.range.toStdString() << info.out.toStdString();
        const QString text = QString::fromUtf8(runTool(u"pdftotext"_s, {file, u"-"_s}).out);
        EXPECT_TRUE(text.contains(row.present)) << row.range.toStdString();
        EXPECT_FALSE(text.contains(row.absent)) << row.range.toStdString();
    }
    // Only page 2: the outline keeps the rows found there; the appendix link has no target.
    const QString file = exportTo(u"two.pdf"_s, [](TkavPDFExport &pdf) { pdf.SetPageNumbers(u"2"_s); });
    const QStringList outline = toolOutline(
        runTool(u"pdftohtml"_s, {u"-xml"_s, u"-i"_s, u"-q"_s, u"-stdout"_s, file}).out);
    EXPECT_FALSE(outline.filter(u"Row 60 @1"_s).isEmpty()) << outline.join(u'\n').toStdString();
    EXPECT_TRUE(outline.filter(u"Appendix"_s).isEmpty());
    EXPECT_TRUE(outline.filter(u"Row 1 @"_s).isEmpty());
    EXPECT_FALSE(readFile(file).contains("/S /GoTo"));
}

TEST_F(PdfExport, UnwritableTargetFailsWithAnErrorsLineAndNoFile)
{
    QFile blocker(path(u"file"_s));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString target = path(u"file/out.pdf"_s); // a folder that is a file
    auto pdf = TkavCustomExportFilter::CreateNoRegister<TkavPDFExport>();
    pdf->SetFileName(target);
    TkavReport &report = *source->report;
    EXPECT_FALSE(pages().Export(*pdf));
    EXPECT_TRUE(pdf->Files().isEmpty());
    EXPECT_FALSE(QFile::exists(target));
    ASSERT_EQ(report.Errors().Count(), 1);
    EXPECT_TRUE(report.Errors().Strings(0).startsWith(u"Cannot write file \"%1\""_s.arg(target)))
        << report.Errors().Strings(0).toStdString();
    report.Errors().Clear();
}

// A filter that fails on the second page: the earlier file must stay whole.
class FailingPDFExport : public TkavPDFExport
{
public:
    using TkavPDFExport::TkavPDFExport;
    void ExportObject(TkavComponent *Obj) override
    {
        TkavPDFExport::ExportObject(Obj);
        if (++objects > 20)
            throw EkavError(u"disk on fire"_s);
    }
    int objects = 0;
};

TEST_F(PdfExport, AFailedExportLeavesTheEarlierFileWhole)
{
    const QString file = exportTo(u"keep.pdf"_s);
    const QByteArray before = readFile(file);
    auto failing = TkavCustomExportFilter::CreateNoRegister<FailingPDFExport>();
    failing->SetFileName(file);
    EXPECT_FALSE(pages().Export(*failing));
    EXPECT_TRUE(failing->Files().isEmpty());
    EXPECT_TRUE(readFile(file) == before);
    EXPECT_GE(source->report->Errors().IndexOf(u"disk on fire"_s), 0);
    source->report->Errors().Clear();
    // A range naming no page writes nothing and says so.
    auto empty = TkavCustomExportFilter::CreateNoRegister<TkavPDFExport>();
    empty->SetFileName(path(u"empty.pdf"_s));
    empty->SetPageNumbers(u"9"_s);
    EXPECT_FALSE(pages().Export(*empty));
    EXPECT_FALSE(QFile::exists(path(u"empty.pdf"_s)));
    EXPECT_GE(source->report->Errors().IndexOf(u"No page to export"_s), 0);
    source->report->Errors().Clear();
}

// Registration changes the process-wide filter list, so it is checked in a child process
// (see below) and the other suites keep their list as they expect it.
TEST(PdfExportFilter, RegistrationInChildProcess)
{
    if (!qEnvironmentVariableIsSet("KAV_PDF_CHILD_REGISTER"))
        GTEST_SKIP() << "only run by RegistersOnceUnderItsExtension";
    EXPECT_EQ(kavFindExportFilter(u"pdf"), nullptr);
    kavRegisterPDFExportFilter();
    kavRegisterPDFExportFilter();
    int count = 0;
    for (const TkavCustomExportFilter *filter : kavExportFilters())
        count += filter->Name() == u"PDFExport" ? 1 : 0;
    EXPECT_EQ(count, 1);
    const TkavCustomExportFilter *pdf = kavFindExportFilter(u".PDF");
    ASSERT_NE(pdf, nullptr);
    EXPECT_EQ(pdf->Name(), u"PDFExport");
    EXPECT_EQ(pdf->DefaultExt(), u".pdf");
    EXPECT_EQ(pdf->GetDescription(), u"PDF document (*.pdf)");
    EXPECT_EQ(pdf->FilterDesc(), u"PDF document (*.pdf)");
}

TEST(PdfExportFilter, RegistersOnceUnderItsExtension)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"KAV_PDF_CHILD_REGISTER"_s, u"1"_s);
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {u"--gtest_filter=PdfExportFilter.RegistrationInChildProcess"_s});
    ASSERT_TRUE(child.waitForFinished(60000));
    const QByteArray out = child.readAllStandardOutput();
    EXPECT_EQ(child.exitCode(), 0) << out.toStdString();
    EXPECT_TRUE(out.contains("[  PASSED  ] 1 test.")) << out.toStdString();
}

// --- the page canvas on its own ----------------------------------------------------------

// Everything the views paint with, in 96-dpi pixels on a 400 x 260 page: lines solid,
// dashed and thick; an opaque, a half-transparent and a gradient fill; an ellipse and a
// polygon; a picture with a transparent half; text rotated, underlined and clipped.
void paintSample(QPainter &p)
{
    p.setPen(QPen(Qt::black, 1));
    p.drawLine(10, 10, 390, 10);
    p.setPen(QPen(Qt::blue, 3, Qt::DashLine));
    p.drawLine(10, 25, 390, 25);
    p.setPen(QPen(Qt::darkGreen, 6, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(10, 45, 200, 45);
    p.fillRect(QRect(10, 60, 80, 40), QColor(200, 0, 0));
    p.fillRect(QRect(60, 80, 80, 40), QColor(0, 0, 200, 128));
    QLinearGradient gradient(160, 0, 260, 0);
    gradient.setColorAt(0, Qt::white);
    gradient.setColorAt(1, Qt::black);
    p.fillRect(QRect(160, 60, 100, 40), gradient);
    p.setPen(QPen(Qt::black, 2));
    p.setBrush(Qt::yellow);
    p.drawEllipse(QRectF(280, 40, 100, 60));
    const QPointF triangle[] = {{300, 200}, {380, 200}, {340, 130}};
    p.drawPolygon(triangle, 3);
    QImage picture(40, 40, QImage::Format_ARGB32);
    picture.fill(Qt::transparent);
    QPainter(&picture).fillRect(0, 0, 20, 40, Qt::magenta);
    p.drawImage(QPointF(10, 130), picture);
    QFont font(u"Liberation Sans"_s);
    font.setPixelSize(16);
    p.setFont(font);
    p.setPen(Qt::black);
    p.save();
    p.translate(80, 250);
    p.rotate(-90);
    p.drawText(QPointF(0, 0), u"Rotated"_s);
    p.restore();
    font.setUnderline(true);
    p.setFont(font);
    p.drawText(QPointF(100, 160), u"Underlined"_s);
    font.setUnderline(false);
    p.setFont(font);
    p.drawText(QPointF(200, 130), u"\u00dcber \u03a9\u03bc\u03ad\u03b3\u03b1 \u0416"_s);
    p.setClipRect(QRect(100, 190, 60, 30));
    font.setPixelSize(32);
    p.setFont(font);
    p.drawText(QPointF(100, 215), u"Clipped away"_s);
}

TEST(PdfCanvas, DrawsWhatTheRasterDraws)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(u"canvas.pdf"_s);
    {
        TFileStream out(file, fmCreate);
        TkavPDFWriter writer(out);
        QPainter painter(&writer.BeginPage(QSizeF(300, 195), 720));
        painter.scale(7.5, 7.5);
        paintSample(painter);
        painter.end();
        writer.EndPage();
        // The picture again, as a page rebuilt from the prepared report has it: another
        // image of the same pixels. It is stored once.
        QPainter second(&writer.BeginPage(QSizeF(300, 195), 720));
        second.scale(7.5, 7.5);
        QImage again(40, 40, QImage::Format_ARGB32);
        again.fill(Qt::transparent);
        QPainter(&again).fillRect(0, 0, 20, 40, Qt::magenta);
        second.drawImage(QPointF(10, 10), again);
        second.end();
        writer.EndPage();
        writer.Finish({u"Canvas"_s, u"Kavrel"_s, u"Kavrel"_s, {}}, {}, {});
    }
    QImage raster(400, 260, QImage::Format_RGB32);
    raster.fill(Qt::white);
    {
        QPainter painter(&raster);
        paintSample(painter);
    }
    // The gradient (opaque: no mask), the picture and its mask.
    EXPECT_EQ(readFile(file).count("/Subtype /Image"), 3);
    const ToolResult render = runTool(u"pdftoppm"_s, {u"-r"_s, u"96"_s, u"-png"_s, u"-singlefile"_s, file,
                                                      dir.filePath(u"page"_s)});
    ASSERT_EQ(render.code, 0) << render.err.toStdString();
    EXPECT_TRUE(render.err.isEmpty()) << render.err.toStdString();
    const QImage pdf = QImage(dir.filePath(u"page.png"_s)).convertToFormat(QImage::Format_Grayscale8);
    const QImage drawn = raster.convertToFormat(QImage::Format_Grayscale8);
    ASSERT_EQ(pdf.size(), drawn.size());
    int ink = 0;
    EXPECT_GE(inkMatch(pdf, drawn, ink), 0.95);
    EXPECT_GT(ink, 5000);
    // The half-transparent blue over the red: a mix, not either colour.
    const QColor mixed = QImage(dir.filePath(u"page.png"_s)).pixelColor(75, 90);
    EXPECT_GT(mixed.red(), 60);
    EXPECT_GT(mixed.blue(), 60);

    const QString text = QString::fromUtf8(runTool(u"pdftotext"_s, {file, u"-"_s}).out);
    EXPECT_TRUE(text.contains(u"Underlined"_s)) << text.toStdString();
    EXPECT_TRUE(text.contains(u"Rotated"_s)) << text.toStdString();
    EXPECT_TRUE(text.contains(u"\u00dcber \u03a9\u03bc\u03ad\u03b3\u03b1 \u0416"_s)) << text.toStdString();
    const ToolResult fonts = runTool(u"pdffonts"_s, {file});
    EXPECT_TRUE(fonts.out.contains("LiberationSans")) << fonts.out.toStdString();
    EXPECT_TRUE(fonts.err.isEmpty()) << fonts.err.toStdString();
}

} // namespace

TEST(PdfCanvas, NumbersInPlainForm)
{
    const auto text = [](double value, int decimals = 2) {
        QByteArray out;
        kavPDFAppendNumber(out, value, decimals);
        return out;
    };
    EXPECT_EQ(text(0), "0");
    EXPECT_EQ(text(-0.001), "0"); // rounds to zero: no sign
    EXPECT_EQ(text(-0.5), "-0.5");
    EXPECT_EQ(text(12.30), "12.3");
    EXPECT_EQ(text(841.889), "841.89");
    EXPECT_EQ(text(1.23456, 4), "1.2346");
    EXPECT_EQ(text(7, 0), "7");
    EXPECT_EQ(text(std::nan("")), "0");
    EXPECT_EQ(text(1e300), "1000000000000"); // far off the page, but a number
    EXPECT_EQ(text(-HUGE_VAL), "0");
}
