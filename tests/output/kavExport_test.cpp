// Export: page-range texts, the export run as a filter sees it (order, selection, errors,
// termination, placeholders), the filter list, and the PNG/JPEG/SVG filters' files.

#include "../kavTestSupport.h"
#include "kavOutputTestSupport.h"

#include <output/kavExportImage.h>
#include <prepared/kavPreviewPages.h>
#include <report/kavClass.h>
#include <report/kavExportFilter.h>
#include <report/kavPages.h>
#include <report/kavReport.h>
#include <report/kavViews.h>
#include <rtl/kavRTTI.h>
#include <rtl/kavStrings.h>
#include <rtl/kavUIServices.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// ---------------------------------------------------------------------------------------
// Page-range texts.

struct RangeRow
{
    const char *name;
    QString text;
    QList<int> pages;
};

class ExportPageNumbers : public testing::TestWithParam<RangeRow>
{};

TEST_P(ExportPageNumbers, ParsesAgainstSevenPages)
{
    QList<int> list{99}; // emptied first
    kavParsePageNumbers(GetParam().text, list, 7);
    EXPECT_EQ(list, GetParam().pages);
}

INSTANTIATE_TEST_SUITE_P(
    ExportRanges,
    ExportPageNumbers,
    testing::Values(RangeRow{"empty_means_all", u""_s, {}},
                    RangeRow{"only_spaces", u"   "_s, {}},
                    RangeRow{"list_and_range", u"1,3,5-7"_s, {1, 3, 5, 6, 7}},
                    RangeRow{"order_as_written", u"4,2"_s, {4, 2}},
                    RangeRow{"duplicates_kept", u"2,2"_s, {2, 2}},
                    RangeRow{"open_range", u"5-"_s, {5, 6, 7}},
                    RangeRow{"spaces_ignored", u" 2 , 4 "_s, {2, 4}},
                    RangeRow{"one_page_range", u"3-3"_s, {3}},
                    // Range ends beyond the report are clamped; single numbers left out.
                    RangeRow{"range_clamped", u"6-20"_s, {6, 7}},
                    RangeRow{"huge_range_clamped", u"1-2000000000"_s, {1, 2, 3, 4, 5, 6, 7}},
                    RangeRow{"numbers_outside_dropped", u"0,8,3,99999999999999"_s, {3}},
                    RangeRow{"open_range_past_end", u"9-"_s, {}},
                    RangeRow{"range_from_zero", u"0-2"_s, {1, 2}}),
    [](const testing::TestParamInfo<RangeRow> &row) { return std::string(row.param.name); });

TEST(ExportPageNumbersErrors, MalformedAndReversedTextsNameThePiece)
{
    const struct
    {
        QString text;
        QString piece;
    } rows[] = {
        {u"a"_s, u"a"_s},
        {u"1,x"_s, u"x"_s},
        {u"1-b"_s, u"1-b"_s},
        {u"1;2"_s, u"1;2"_s},
        {u"1,,2"_s, u""_s},
        {u"-3"_s, u"-3"_s},
        {u"1-2-3"_s, u"1-2-3"_s},
        {u"5-3"_s, u"5-3"_s}, // reversed
        {u"+2"_s, u"+2"_s},
    };
    for (const auto &row : rows) {
        QList<int> list;
        const QString message
            = kavErrorOf<EkavError>([&] { kavParsePageNumbers(row.text, list, 7); });
        EXPECT_EQ(message, u"Invalid page range: \"%1\""_s.arg(row.piece))
            << row.text.toStdString();
    }
}

// ---------------------------------------------------------------------------------------
// The export run, seen through a filter that records every call.

class RecordingFilter : public TkavCustomExportFilter
{
public:
    using TkavCustomExportFilter::TkavCustomExportFilter;

    QString GetDescription() const override { return u"Recording (*.rec)"_s; }
    bool Start() override
    {
        log << u"Start"_s;
        return startResult;
    }
    void StartPage(TkavReportPage *, int Index) override { log << u"StartPage %1"_s.arg(Index); }
    void ExportObject(TkavComponent *Obj) override
    {
        log << Obj->Name();
        if (const auto *memo = dynamic_cast<const TkavCustomMemoView *>(Obj))
            texts << memo->Text().trimmed();
        if (Obj->Name() == u"_pagebackground")
            backgrounds << QPointF(Obj->Left(), Obj->Top());
        if (Obj->Name() == failOn)
            throw EkavError(u"cannot export "_s + failOn);
        if (Obj->Name() == stopOn)
            Report()->SetTerminated(true);
    }
    void FinishPage(TkavReportPage *, int Index) override { log << u"FinishPage %1"_s.arg(Index); }
    void Finish() override { log << u"Finish"_s; }

    QStringList pages() const
    {
        QStringList result;
        for (const QString &line : log)
            if (line.startsWith(u"StartPage"))
                result << line;
        return result;
    }

    QStringList log;
    QStringList texts;
    QList<QPointF> backgrounds;
    bool startResult = true;
    QString failOn;
    QString stopOn;
};

class ExportRun : public testing::Test
{
protected:
    void SetUp() override
    {
        report = preparedRows();
        ASSERT_EQ(report->PreviewPages()->Count(), 2);
        filter->SetShowDialog(false);
    }

    bool run() { return store(*report).Export(*filter); }

    std::unique_ptr<TkavReport> report;
    std::unique_ptr<RecordingFilter> filter
        = TkavCustomExportFilter::CreateNoRegister<RecordingFilter>();
};

TEST_F(ExportRun, CallsInOrderPageByPageObjectsBeforeTheirChildren)
{
    ASSERT_TRUE(run());
    const QStringList &log = filter->log;
    ASSERT_GE(log.size(), 6);
    EXPECT_EQ(log.first(), u"Start");
    EXPECT_EQ(log.last(), u"Finish");
    EXPECT_EQ(filter->pages(), (QStringList{u"StartPage 0"_s, u"StartPage 1"_s}));
    const qsizetype finish0 = log.indexOf(u"FinishPage 0"_s);
    const qsizetype start1 = log.indexOf(u"StartPage 1"_s);
    ASSERT_GT(finish0, 0);
    EXPECT_EQ(start1, finish0 + 1);
    // Each page begins with its background, then bands each followed by their objects.
    EXPECT_EQ(log.at(2), u"_pagebackground");
    EXPECT_EQ(log.at(start1 + 1), u"_pagebackground");
    EXPECT_EQ(log.indexOf(u"Heading"_s), log.indexOf(u"PageHeader1"_s) + 1);
    EXPECT_LT(log.indexOf(u"Title"_s), finish0);
    EXPECT_GT(log.indexOf(u"Total"_s), start1);
    EXPECT_EQ(log.count(u"RowText"_s), 60);
    // Rows in page order: the first row on page 0, the last on page 1.
    ASSERT_GE(filter->texts.indexOf(u"Row 1"_s), 0);
    EXPECT_LT(filter->texts.indexOf(u"Row 1"_s), filter->texts.indexOf(u"Row 60"_s));
    EXPECT_LT(log.indexOf(u"RowText"_s), finish0);
    EXPECT_GT(log.lastIndexOf(u"RowText"_s), start1);
    // The page is placed at its margins (10 mm) for the filter and put back afterwards.
    ASSERT_EQ(filter->backgrounds.size(), 2);
    EXPECT_NEAR(filter->backgrounds.at(0).x(), 10 * 3.77953, 1e-6);
    EXPECT_NEAR(filter->backgrounds.at(0).y(), 10 * 3.77953, 1e-6);
    EXPECT_TRUE(store(*report).CachedPages().isEmpty());
    EXPECT_EQ(store(*report).GetPage(0)->Left(), 0);
}

TEST_F(ExportRun, TotalPagesPlaceholderIsReplaced)
{
    ASSERT_TRUE(run());
    EXPECT_TRUE(filter->texts.contains(u"Page 1 of 2"_s)) << filter->texts.join(u'|').toStdString();
    EXPECT_TRUE(filter->texts.contains(u"Page 2 of 2"_s));
}

TEST_F(ExportRun, DataOnlyExportsOnlyObjectsOfDataBands)
{
    filter->SetDataOnly(true);
    ASSERT_TRUE(run());
    QStringList objects = filter->log;
    objects.removeIf([](const QString &s) {
        return s == u"Start" || s == u"Finish" || s.startsWith(u"StartPage")
               || s.startsWith(u"FinishPage");
    });
    EXPECT_EQ(objects.size(), 60);
    EXPECT_EQ(objects.count(u"RowText"_s), 60);
}

TEST_F(ExportRun, SuppressedHeadersAndFootersAppearOnce)
{
    filter->SetSuppressPageHeadersFooters(true);
    ASSERT_TRUE(run());
    const QStringList &log = filter->log;
    EXPECT_EQ(log.count(u"PageHeader1"_s), 1);
    EXPECT_EQ(log.count(u"PageFooter1"_s), 1);
    EXPECT_LT(log.indexOf(u"PageHeader1"_s), log.indexOf(u"StartPage 1"_s));
    EXPECT_GT(log.indexOf(u"PageFooter1"_s), log.indexOf(u"StartPage 1"_s));
}

TEST_F(ExportRun, PageChoice)
{
    const struct
    {
        QString numbers;
        bool curPage;
        int previewPage;
        QStringList pages;
    } rows[] = {
        {u""_s, false, 0, {u"StartPage 0"_s, u"StartPage 1"_s}},
        {u"2"_s, false, 0, {u"StartPage 1"_s}},
        {u"2,1"_s, false, 0, {u"StartPage 0"_s, u"StartPage 1"_s}}, // page order, not text order
        {u"9"_s, false, 0, {}}, // nothing in range: nothing, not everything
        {u""_s, true, 1, {u"StartPage 1"_s}},
        {u"1-2"_s, true, 0, {u"StartPage 0"_s}}, // CurPage wins over the text
    };
    for (const auto &row : rows) {
        filter->log.clear();
        filter->SetPageNumbers(row.numbers);
        filter->SetCurPage(row.curPage);
        store(*report).SetCurPreviewPage(row.previewPage);
        EXPECT_TRUE(run());
        EXPECT_EQ(filter->pages(), row.pages) << row.numbers.toStdString();
        EXPECT_EQ(filter->log.first(), u"Start");
        EXPECT_EQ(filter->log.last(), u"Finish");
    }
}

TEST_F(ExportRun, BadPageRangeFailsWithAnErrorsLine)
{
    filter->SetPageNumbers(u"2-1"_s);
    EXPECT_FALSE(run());
    EXPECT_TRUE(filter->log.isEmpty());
    EXPECT_GE(report->Errors().IndexOf(u"Invalid page range: \"2-1\""_s), 0)
        << report->Errors().Text().toStdString();
}

TEST_F(ExportRun, StartRefusingStopsWithFalse)
{
    filter->startResult = false;
    EXPECT_FALSE(run());
    EXPECT_EQ(filter->log, QStringList{u"Start"_s});
}

TEST_F(ExportRun, FilterErrorGivesFalseAnErrorsLineAndStillFinishes)
{
    filter->failOn = u"Heading"_s;
    EXPECT_FALSE(run());
    EXPECT_GE(report->Errors().IndexOf(u"cannot export Heading"_s), 0);
    const QStringList &log = filter->log;
    EXPECT_EQ(log.last(), u"Finish");
    EXPECT_EQ(log.at(log.size() - 2), u"FinishPage 0");
    EXPECT_FALSE(log.contains(u"StartPage 1"_s));
    EXPECT_TRUE(store(*report).CachedPages().isEmpty());
}

TEST_F(ExportRun, TerminationCancelsAfterTheObject)
{
    filter->stopOn = u"Title"_s;
    EXPECT_FALSE(run());
    EXPECT_TRUE(filter->Cancelled());
    const QStringList &log = filter->log;
    const qsizetype at = log.indexOf(u"Title"_s);
    ASSERT_GT(at, 0);
    EXPECT_EQ(log.mid(at + 1), (QStringList{u"FinishPage 0"_s, u"Finish"_s}));
    EXPECT_EQ(report->Errors().Count(), 0);
    // A later export that runs through is not cancelled.
    filter->stopOn.clear();
    EXPECT_TRUE(run());
    EXPECT_FALSE(filter->Cancelled());
}

// A dialog that is cancelled, and a progress window whose cancel is pressed on page 1.
class CancellingFilter : public RecordingFilter
{
public:
    using RecordingFilter::RecordingFilter;
    TModalResult ShowModal() override { return mrCancel; }
};

class CancellingServices : public TkavHeadlessUIServices
{
public:
    bool ProgressCancelled() override { return ProgressPosition() >= 1; }
};

TEST_F(ExportRun, CancelledDialogOrProgressIsNeitherSuccessNorFailure)
{
    auto dialog = TkavCustomExportFilter::CreateNoRegister<CancellingFilter>();
    EXPECT_FALSE(store(*report).Export(*dialog));
    EXPECT_TRUE(dialog->Cancelled());
    EXPECT_TRUE(dialog->log.isEmpty());

    auto previous = kavSetUIServices(std::make_unique<CancellingServices>());
    report->SetShowProgress(true);
    EXPECT_FALSE(run());
    kavSetUIServices(std::move(previous));
    EXPECT_TRUE(filter->Cancelled());
    EXPECT_TRUE(report->Terminated());
    EXPECT_EQ(filter->pages(), QStringList{u"StartPage 0"_s});
    EXPECT_EQ(report->Errors().Count(), 0);
}

TEST(ExportVisibility, ViewsWithoutExportVisibilityAreSkipped)
{
    auto report = preparedRows([](TkavReport &r) {
        auto *title = dynamic_cast<TkavView *>(r.FindObject(u"Title"));
        ASSERT_NE(title, nullptr);
        title->SetVisibility(TkavVisibilityTypes{vsPreview, vsPrint});
    });
    auto filter = TkavCustomExportFilter::CreateNoRegister<RecordingFilter>();
    filter->SetShowDialog(false);
    ASSERT_TRUE(store(*report).Export(*filter));
    EXPECT_FALSE(filter->log.contains(u"Title"_s));
    EXPECT_TRUE(filter->log.contains(u"Heading"_s));
}

// ---------------------------------------------------------------------------------------
// The list of available filters.

TEST(ExportFilterList, RegistrationAndLookup)
{
    kavRegisterImageExportFilters();
    kavRegisterImageExportFilters(); // once only
    const qsizetype before = kavExportFilters().size();
    EXPECT_EQ(before, 3);
    const struct
    {
        QString ext;
        QString name;
    } rows[] = {{u"png"_s, u"PNGExport"_s},
                {u".PNG"_s, u"PNGExport"_s},
                {u"jpg"_s, u"JPEGExport"_s},
                {u"svg"_s, u"SVGExport"_s},
                {u"pdf"_s, u""_s},
                {u""_s, u""_s}};
    for (const auto &row : rows) {
        const TkavCustomExportFilter *f = kavFindExportFilter(row.ext);
        EXPECT_EQ(f ? f->Name() : QString(), row.name) << row.ext.toStdString();
    }
    {
        const auto hidden = TkavCustomExportFilter::CreateNoRegister<RecordingFilter>();
        EXPECT_EQ(kavExportFilters().size(), before);
        EXPECT_FALSE(kavExportFilters().contains(hidden.get()));
        RecordingFilter listed;
        listed.SetDefaultExt(u".rec"_s);
        EXPECT_EQ(kavExportFilters().size(), before + 1);
        EXPECT_EQ(kavFindExportFilter(u"rec"), &listed);
    }
    EXPECT_EQ(kavExportFilters().size(), before); // a destroyed filter leaves the list
    EXPECT_EQ(kavFindExportFilter(u"rec"), nullptr);
}

// ---------------------------------------------------------------------------------------
// Image files.

QImage directDrawing(TkavPreviewPages &pages, int index, int dpi)
{
    const double k = dpi / 96.0;
    const QPoint size = pages.GetPageSize(index);
    QImage image(qRound(size.x() * k), qRound(size.y() * k), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    pages.DrawPage(index, &painter, k, k, 0, 0);
    return image;
}

class ExportImage : public testing::Test
{
protected:
    void SetUp() override
    {
        report = preparedRows();
        ASSERT_EQ(report->PreviewPages()->Count(), 2);
        ASSERT_TRUE(dir.isValid());
    }
    QString path(const QString &name) const { return dir.filePath(name); }

    std::unique_ptr<TkavReport> report;
    QTemporaryDir dir;
};

TEST_F(ExportImage, PngEqualsTheDrawnPageAtEachResolution)
{
    for (const int dpi : {96, 150, 48}) {
        auto png = TkavCustomExportFilter::CreateNoRegister<TkavPNGExport>();
        png->SetFileName(path(u"p%1.png"_s.arg(dpi)));
        png->SetPageNumbers(u"2"_s);
        png->SetResolution(dpi);
        ASSERT_TRUE(store(*report).Export(*png)) << report->Errors().Text().toStdString();
        EXPECT_EQ(png->Files(), QStringList{path(u"p%1.png"_s.arg(dpi))});
        QImage written(png->Files().value(0));
        ASSERT_FALSE(written.isNull());
        const QPoint size = report->PreviewPages()->GetPageSize(1);
        EXPECT_EQ(written.size(),
                  QSize(qRound(size.x() * dpi / 96.0), qRound(size.y() * dpi / 96.0)));
        const QImage expected = directDrawing(store(*report), 1, dpi);
        EXPECT_TRUE(written.convertToFormat(QImage::Format_RGB32) == expected) << dpi;
        // Not a blank page: the rows are drawn.
        QImage blank(written.size(), QImage::Format_RGB32);
        blank.fill(Qt::white);
        EXPECT_NE(written.convertToFormat(QImage::Format_RGB32), blank);
    }
}

TEST_F(ExportImage, SeveralPagesGiveNumberedFiles)
{
    const struct
    {
        QString out;
        QString pages;
        QStringList files;
    } rows[] = {
        {u"all.png"_s, u""_s, {u"all_1.png"_s, u"all_2.png"_s}},
        {u"one.png"_s, u"1"_s, {u"one.png"_s}},
        {u"twice.png"_s, u"2,2"_s, {u"twice.png"_s}}, // one page, though named twice
        {u"jpg.jpg"_s, u""_s, {u"jpg_1.jpg"_s, u"jpg_2.jpg"_s}},
        {u"svg.svg"_s, u"1-"_s, {u"svg_1.svg"_s, u"svg_2.svg"_s}},
    };
    kavRegisterImageExportFilters();
    for (const auto &row : rows) {
        TkavCustomExportFilter *filter = kavFindExportFilter(QFileInfo(row.out).suffix());
        ASSERT_NE(filter, nullptr);
        filter->SetFileName(path(row.out));
        filter->SetPageNumbers(row.pages);
        ASSERT_TRUE(store(*report).Export(*filter)) << report->Errors().Text().toStdString();
        QStringList expected;
        for (const QString &f : row.files)
            expected << path(f);
        EXPECT_EQ(filter->Files(), expected);
        for (const QString &f : expected)
            EXPECT_TRUE(QFile::exists(f)) << f.toStdString();
    }
    // The JPEG is an image of the page's size; the SVG declares it.
    const QPoint size = report->PreviewPages()->GetPageSize(0);
    EXPECT_EQ(QImage(path(u"jpg_1.jpg"_s)).size(), QSize(size.x(), size.y()));
    QFile svg(path(u"svg_2.svg"_s));
    ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
    const QByteArray text = svg.readAll();
    EXPECT_TRUE(text.contains("<svg")) << text.left(200).constData();
    EXPECT_TRUE(text.contains("viewBox=\"0 0 " + QByteArray::number(size.x()) + ' '
                              + QByteArray::number(size.y())));
    // It draws the page: rendered back (Qt's SVG reader) it is not blank.
    QImageReader reader(path(u"svg_2.svg"_s));
    reader.setScaledSize(QSize(size.x(), size.y()));
    const QImage svgImage = reader.read().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(svgImage.size(), QSize(size.x(), size.y()));
    QImage blank(svgImage.size(), QImage::Format_RGB32);
    blank.fill(Qt::white);
    EXPECT_NE(svgImage, blank);
}

// A PNG export stopped (or failing) while it exports page 2, when page 1's file exists.
class InterruptedPNGExport : public TkavPNGExport
{
public:
    using TkavPNGExport::TkavPNGExport;
    void StartPage(TkavReportPage *Page, int Index) override
    {
        TkavPNGExport::StartPage(Page, Index);
        page = Index;
    }
    void ExportObject(TkavComponent *Obj) override
    {
        TkavPNGExport::ExportObject(Obj);
        if (page == 1 && fail)
            throw EkavError(u"disk gone"_s);
        if (page == 1)
            Report()->SetTerminated(true);
    }
    int page = -1;
    bool fail = false;
};

TEST_F(ExportImage, CancelledOrFailedExportLeavesNoPageFile)
{
    for (const bool fail : {false, true}) {
        auto png = TkavCustomExportFilter::CreateNoRegister<InterruptedPNGExport>();
        png->SetShowDialog(false);
        png->SetFileName(path(u"cut.png"_s));
        png->fail = fail;
        EXPECT_FALSE(store(*report).Export(*png));
        EXPECT_EQ(png->Cancelled(), !fail);
        EXPECT_EQ(report->Errors().Count(), fail ? 1 : 0);
        EXPECT_TRUE(png->Files().isEmpty());
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList()) << fail;
        report->Errors().Clear();
    }
}

TEST_F(ExportImage, UnwritableTargetFailsWithAnErrorsLine)
{
    QFile blocker(path(u"file"_s));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString target = path(u"file/out.png"_s); // a folder that is a file
    auto png = TkavCustomExportFilter::CreateNoRegister<TkavPNGExport>();
    png->SetFileName(target);
    EXPECT_FALSE(store(*report).Export(*png));
    EXPECT_TRUE(png->Files().isEmpty());
    ASSERT_EQ(report->Errors().Count(), 1);
    EXPECT_TRUE(report->Errors().Strings(0).startsWith(
        u"Cannot write file \"%1_1.png\""_s.arg(path(u"file/out"_s))))
        << report->Errors().Strings(0).toStdString();
    report->Errors().Clear();
    auto noName = TkavCustomExportFilter::CreateNoRegister<TkavPNGExport>();
    EXPECT_FALSE(store(*report).Export(*noName));
    EXPECT_EQ(report->Errors().Strings(0), u"No file name given for the export");
}

} // namespace
