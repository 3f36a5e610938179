// The prepared-page store under a long report: storing N pages of M objects the way the
// engine does (a page header, then a data band moving down the page row by row), saving
// the kw3 file, loading it into a fresh report, building and drawing pages 1 and 1000,
// and the peak memory of the process, with or without the swap file. Each configuration
// runs in its own process so that its peak memory stands alone:
//   bench_prepared [--file-cache] [--pages N (2000)] [--objects M (300)]
// The figures go to stdout; a wrong page count, object count or page content after the
// round trip prints a MISMATCH line and exits with 1.
#include "kavBenchSupport.h"

#include <persist/kavXML.h>
#include <prepared/kavPreviewPages.h>
#include <report/kavClass.h>
#include <rtl/kavRTTI.h>

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

struct Options
{
    bool fileCache = false;
    int pages = 2000;
    int objects = 300;
};

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

bool parseOptions(const QStringList &args, Options &options)
{
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString &arg = args[i];
        if (arg == u"--file-cache") {
            options.fileCache = true;
            continue;
        }
        if ((arg == u"--pages" || arg == u"--objects") && i + 1 < args.size()) {
            bool ok = false;
            const int value = args[++i].toInt(&ok);
            if (!ok || value < 1)
                return false;
            (arg == u"--pages" ? options.pages : options.objects) = value;
            continue;
        }
        return false;
    }
    return true;
}

template <class T>
T *named(TkavComponent *parent)
{
    T *component = TkavComponent::Create<T>(parent);
    component->CreateUniqueName();
    return component;
}

TkavMemoView *addMemo(TkavComponent *band, double left, double top, double width)
{
    auto *memo = named<TkavMemoView>(band);
    memo->SetBounds(left, top, width, 18);
    return memo;
}

// The template the simulated engine fills: a page header of 4 memos and a line, a data
// band of 10 memos, 2 lines and a shape.
struct Template
{
    static constexpr int headerObjects = 6; // the band and its 5 views
    static constexpr int rowObjects = 14;   // the band and its 13 views
    static constexpr double headerHeight = 50;
    static constexpr double rowHeight = 45;

    TkavReport report;
    TkavReportPage *page = nullptr;
    TkavPageHeader *header = nullptr;
    TkavMasterData *data = nullptr;
    std::vector<TkavMemoView *> headerMemos;
    std::vector<TkavMemoView *> rowMemos;

    Template()
    {
        page = named<TkavReportPage>(&report);
        page->SetDefaults();
        header = named<TkavPageHeader>(page);
        header->SetBounds(0, 0, 718, headerHeight);
        headerMemos = {addMemo(header, 0, 0, 300), addMemo(header, 500, 0, 218),
                       addMemo(header, 0, 24, 350), addMemo(header, 400, 24, 318)};
        headerMemos[0]->SetText(u"Customer list"_s);
        headerMemos[0]->Font().SetSize(14);
        headerMemos[0]->Font().SetStyle(TFontStyles{fsBold});
        headerMemos[2]->SetText(u"Customer / street / city"_s);
        headerMemos[3]->SetText(u"Order, date, amount, quantity, status"_s);
        named<TkavLineView>(header)->SetBounds(0, 46, 718, 0);

        data = named<TkavMasterData>(page);
        data->SetBounds(0, headerHeight + 10, 718, rowHeight);
        const double lefts[] = {0, 60, 250, 420, 560, 640, 0, 120, 300, 480};
        const double widths[] = {58, 188, 168, 138, 78, 78, 118, 178, 178, 238};
        for (int i = 0; i < 10; ++i) {
            TkavMemoView *memo = addMemo(data, lefts[i], i < 6 ? 2 : 22, widths[i]);
            memo->SetHAlign(i == 4 || i == 5 ? haRight : haLeft);
            rowMemos.push_back(memo);
        }
        rowMemos[1]->Font().SetStyle(TFontStyles{fsBold});
        named<TkavLineView>(data)->SetBounds(0, 42, 718, 0);
        named<TkavLineView>(data)->SetBounds(556, 0, 0, 40);
        auto *shape = named<TkavShapeView>(data);
        shape->SetBounds(700, 4, 14, 14);
        shape->SetShape(skEllipse);
    }

    // The texts of data row n (0-based, counted over the whole report).
    void fillRow(int n)
    {
        const QString number = QString::number(n);
        rowMemos[0]->SetText(u"Row "_s + number);
        rowMemos[1]->SetText(u"Customer "_s + number);
        rowMemos[2]->SetText(u"Street %1"_s.arg(n % 997 + 1));
        rowMemos[3]->SetText(u"City %1"_s.arg(n % 89));
        rowMemos[4]->SetText(QString::number(double(n % 10007) * 7.31, 'f', 2));
        rowMemos[5]->SetText(QString::number(n % 41 + 1));
        rowMemos[6]->SetText(u"2026-%1-%2"_s.arg(n % 12 + 1, 2, 10, QChar(u'0')).arg(n % 28 + 1, 2, 10, QChar(u'0')));
        rowMemos[7]->SetText(u"Order #%1"_s.arg(100000 + n));
        rowMemos[8]->SetText(n % 3 == 0 ? u"Status: closed"_s : u"Status: open"_s);
        rowMemos[9]->SetText(u"Deliver before noon, row %1"_s.arg(n));
    }
};

int rowsPerPage(const Options &options)
{
    return std::max(1, (options.objects - Template::headerObjects + Template::rowObjects - 1) / Template::rowObjects);
}

int expectedObjects(const Options &options)
{
    return Template::headerObjects + rowsPerPage(options) * Template::rowObjects;
}

// What the engine does for each output page: the page, the page header, the data rows.
void storePages(Template &tpl, TkavPreviewPages &store, const Options &options)
{
    store.Initialize();
    store.AddSourcePage(tpl.page);
    const int rows = rowsPerPage(options);
    int n = 0;
    for (int p = 0; p < options.pages; ++p) {
        store.AddPage(tpl.page);
        tpl.headerMemos[1]->SetText(u"Page %1 of %2"_s.arg(p + 1).arg(options.pages));
        store.AddObject(tpl.header);
        double top = Template::headerHeight + 10;
        for (int r = 0; r < rows; ++r, ++n) {
            tpl.data->SetTop(top);
            tpl.fillRow(n);
            store.AddObject(tpl.data);
            top += Template::rowHeight;
        }
    }
    store.Finish();
}

// One line per object of a built page: class, name, bounds and memo text.
QStringList dump(const TkavReportPage &page)
{
    QStringList lines;
    for (const TkavComponent *obj : page.AllObjects()) {
        QString line = u"%1 %2 %3 %4 %5 %6"_s.arg(obj->ClassName(), obj->Name())
                           .arg(obj->Left())
                           .arg(obj->Top())
                           .arg(obj->Width())
                           .arg(obj->Height());
        if (const auto *memo = dynamic_cast<const TkavCustomMemoView *>(obj))
            line += u" \""_s + QString(memo->Text()).replace(u"\r\n"_s, u"\\n"_s) + u'"';
        lines.append(line);
    }
    return lines;
}

// Objects placed by the engine: the bands on the page and everything below them.
int placedObjects(const TkavReportPage &page)
{
    int count = 0;
    for (const TkavComponent *obj : page.Objects())
        if (dynamic_cast<const TkavBand *>(obj))
            count += 1 + int(obj->AllObjects().size());
    return count;
}

bool hasMemoText(const TkavReportPage &page, const QString &text)
{
    const QList<TkavComponent *> objects = page.AllObjects();
    return std::any_of(objects.begin(), objects.end(), [&text](const TkavComponent *obj) {
        const auto *memo = dynamic_cast<const TkavCustomMemoView *>(obj);
        // A memo's text ends with a line break.
        return memo && memo->Text().trimmed() == text;
    });
}

// Builds page Index (timed), then draws it at 96 dpi and scale 1 (timed); the number of
// pixels that are not white tells that something was drawn.
qint64 buildAndDraw(TkavPreviewPages &store, int Index)
{
    Stopwatch build;
    const std::shared_ptr<TkavReportPage> page = store.GetPage(Index);
    const double buildMs = build.ms();
    const QPoint size = store.GetPageSize(Index);
    QImage image(std::max(size.x(), 1), std::max(size.y(), 1), QImage::Format_ARGB32_Premultiplied);
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(3780);
    image.fill(Qt::white);
    Stopwatch draw;
    {
        QPainter painter(&image);
        store.DrawPage(Index, &painter, 1, 1, 0, 0);
    }
    const double drawMs = draw.ms();
    qint64 inked = 0;
    for (int y = 0; y < image.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        inked += std::count_if(line, line + image.width(), [](QRgb px) { return px != 0xffffffffu; });
    }
    out() << u"page %1: GetPage %2 ms, DrawPage %3 ms (%4x%5 px, %6 objects, %7 inked px)"_s
                 .arg(Index + 1)
                 .arg(buildMs, 0, 'f', 2)
                 .arg(drawMs, 0, 'f', 2)
                 .arg(image.width())
                 .arg(image.height())
                 .arg(page ? page->AllObjects().size() : 0)
                 .arg(inked)
          << Qt::endl;
    return inked;
}

int run(const Options &options)
{
    QTemporaryDir dir;
    if (!dir.isValid()) {
        out() << "cannot create a temporary folder" << Qt::endl;
        return 2;
    }
    const QString fileName = dir.filePath(u"bench.kw3"_s);
    const int probe = std::min(999, options.pages - 1);
    QStringList failures;

    out() << u"bench_prepared: %1 pages x %2 objects (%3 rows per page), file cache %4"_s
                 .arg(options.pages)
                 .arg(expectedObjects(options))
                 .arg(rowsPerPage(options))
                 .arg(options.fileCache ? u"on (MaxMemSize 10 MB)"_s : u"off"_s)
          << Qt::endl;

    QStringList originalDump;
    {
        auto tpl = std::make_unique<Template>();
        tpl->report.EngineOptions().SetUseFileCache(options.fileCache);
        tpl->report.EngineOptions().SetMaxMemSize(10);
        tpl->report.EngineOptions().SetTempDir(dir.path());
        auto &store = static_cast<TkavPreviewPages &>(*tpl->report.PreviewPages());

        Stopwatch storing;
        storePages(*tpl, store, options);
        out() << u"store pages: %1 ms"_s.arg(storing.ms(), 0, 'f', 1) << Qt::endl;
        out() << u"after storing: "_s << memoryLine() << Qt::endl;
        const QString swap = store.XMLDoc().TempFile();
        out() << u"swap file: "_s
              << (swap.isEmpty() ? u"none"_s
                                 : u"%1 MB"_s.arg(mb(QFileInfo(swap).size()), 0, 'f', 1))
              << Qt::endl;

        if (std::shared_ptr<TkavReportPage> page = store.GetPage(probe))
            originalDump = dump(*page);
        store.ClearPageCache();

        Stopwatch saving;
        store.SaveToFile(fileName);
        out() << u"SaveToFile: %1 ms, %2 MB"_s.arg(saving.ms(), 0, 'f', 1).arg(mb(QFileInfo(fileName).size()), 0, 'f', 1)
              << Qt::endl;
        out() << u"after saving: "_s << memoryLine() << Qt::endl;
    } // the original report and its store go before the load

    TkavReport report;
    auto &loaded = static_cast<TkavPreviewPages &>(*report.PreviewPages());
    Stopwatch loading;
    loaded.LoadFromFile(fileName, true);
    out() << u"LoadFromFile: %1 ms"_s.arg(loading.ms(), 0, 'f', 1) << Qt::endl;
    out() << u"after loading: "_s << memoryLine() << Qt::endl;

    if (loaded.Count() != options.pages)
        failures << u"page count %1, expected %2"_s.arg(loaded.Count()).arg(options.pages);
    if (buildAndDraw(loaded, 0) == 0)
        failures << u"page 1 drew nothing"_s;
    if (probe > 0 && buildAndDraw(loaded, probe) == 0)
        failures << u"page %1 drew nothing"_s.arg(probe + 1);

    if (std::shared_ptr<TkavReportPage> page = loaded.GetPage(probe)) {
        const int objects = placedObjects(*page);
        if (objects != expectedObjects(options))
            failures << u"page %1 has %2 objects, expected %3"_s.arg(probe + 1).arg(objects).arg(expectedObjects(options));
        const QString text = u"Customer %1"_s.arg(probe * rowsPerPage(options));
        if (!hasMemoText(*page, text))
            failures << u"page %1 lacks the memo text \"%2\""_s.arg(probe + 1).arg(text);
        const QStringList loadedDump = dump(*page);
        if (loadedDump != originalDump) {
            failures << u"page %1 differs after the round trip (%2 objects before, %3 after)"_s
                            .arg(probe + 1)
                            .arg(originalDump.size())
                            .arg(loadedDump.size());
            for (qsizetype i = 0; i < std::max(loadedDump.size(), originalDump.size()); ++i)
                if (originalDump.value(i) != loadedDump.value(i)) {
                    failures << u"  first difference at object %1: before [%2] after [%3]"_s
                                    .arg(i)
                                    .arg(originalDump.value(i), loadedDump.value(i));
                    break;
                }
        }
    } else {
        failures << u"page %1 could not be built after loading"_s.arg(probe + 1);
    }
    if (!loaded.BuildErrors().isEmpty())
        failures << u"build errors: "_s + loaded.BuildErrors().join(u"; ");

    out() << u"at the end: "_s << memoryLine() << Qt::endl;
    if (!failures.isEmpty()) {
        for (const QString &line : failures)
            out() << u"MISMATCH: "_s << line << Qt::endl;
        return 1;
    }
    out() << u"check: OK (%1 pages; page %2 has %3 objects, \"Customer %4\", same as before saving)"_s
                 .arg(options.pages)
                 .arg(probe + 1)
                 .arg(expectedObjects(options))
                 .arg(probe * rowsPerPage(options))
          << Qt::endl;
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    // Fonts and painting belong to Qt Gui; no display is needed.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    kavRegisterRTLClasses();
    kavRegisterReportClasses();
    Options options;
    if (!parseOptions(QCoreApplication::arguments(), options)) {
        out() << "usage: bench_prepared [--file-cache] [--pages N] [--objects M]" << Qt::endl;
        return 2;
    }
    try {
        return run(options);
    } catch (const std::exception &e) {
        out() << u"FAILED with an exception: "_s << QString::fromUtf8(e.what()) << Qt::endl;
        return 1;
    }
}
