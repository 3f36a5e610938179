// Saving and loading a report template of about 2,000 objects: the designer's undo writes
// the whole report after every edit and reads it back into the same report, so both must
// stay well below a frame or two.
#include "kavBenchMain.h"

#include <report/kavClass.h>
#include <rtl/kavRTTI.h>
#include <rtl/kavStreams.h>

#include <QGuiApplication>
#include <QString>

#include <benchmark/benchmark.h>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr int pageCount = 4;
// 4 pages x 10 bands x 50 views = 2,000 views; --size N: N views per band.
int viewsPerBand()
{
    return kavBenchSize(50);
}

template <class T>
T *named(TkavComponent *parent)
{
    T *component = TkavComponent::Create<T>(parent);
    component->CreateUniqueName();
    return component;
}

// A band's views: mostly memos with texts (some with fonts of their own), lines, shapes and
// empty pictures, in rows.
void fillBand(TkavBand *band, int seed)
{
    for (int i = 0; i < viewsPerBand(); ++i) {
        const double left = (i % 10) * 70.0;
        const double top = (i / 10) * 20.0;
        switch ((i + seed) % 8) {
        case 0: {
            auto *line = named<TkavLineView>(band);
            line->SetBounds(left, top + 18, 68, 0);
            break;
        }
        case 1: {
            auto *shape = named<TkavShapeView>(band);
            shape->SetBounds(left, top, 16, 16);
            shape->SetShape(TkavShapeKind(i % 3));
            break;
        }
        case 2: {
            auto *picture = named<TkavPictureView>(band);
            picture->SetBounds(left, top, 64, 18);
            break;
        }
        default: {
            auto *memo = named<TkavMemoView>(band);
            memo->SetBounds(left, top, 68.5, 18.9);
            memo->SetText(u"Customer [Orders.\"Name\"] & Sons\r\nLine %1 <b>total</b> 1.234,56 \u20AC"_s
                              .arg(seed * viewsPerBand() + i));
            if (i % 4 == 0) {
                memo->Font().SetName(u"Courier New"_s);
                memo->Font().SetSize(9 + i % 3);
                memo->Font().SetStyle(TFontStyles{fsBold});
            }
            memo->SetHAlign(TkavHAlign(i % 3));
            break;
        }
        }
    }
}

template <class T>
T *addBand(TkavReportPage *page, double &top, int seed)
{
    T *band = named<T>(page);
    band->SetTop(top);
    band->SetHeight(100);
    top += 120;
    fillBand(band, seed);
    return band;
}

void buildReport(TkavReport &report)
{
    named<TkavDataPage>(&report);
    int seed = 0;
    for (int p = 0; p < pageCount; ++p) {
        auto *page = named<TkavReportPage>(&report);
        double top = 0;
        addBand<TkavPageHeader>(page, top, seed++);
        addBand<TkavReportTitle>(page, top, seed++);
        addBand<TkavColumnHeader>(page, top, seed++);
        addBand<TkavGroupHeader>(page, top, seed++);
        auto *master = addBand<TkavMasterData>(page, top, seed++);
        auto *child = addBand<TkavChild>(page, top, seed++);
        master->SetChild(child); // a reference resolved after the tree is read
        addBand<TkavGroupFooter>(page, top, seed++);
        addBand<TkavFooter>(page, top, seed++);
        addBand<TkavReportSummary>(page, top, seed++);
        addBand<TkavPageFooter>(page, top, seed++);
    }
}

// The template built once per process, and its saved form.
struct Template
{
    TkavReport report;
    QByteArray bytes;
    int objectCount = 0;

    Template()
    {
        buildReport(report);
        objectCount = int(report.AllObjects().size());
        TMemoryStream stream;
        report.SaveToStream(stream);
        bytes = stream.Data();
    }
};

const Template &sample()
{
    static const Template instance;
    return instance;
}

void setCounters(benchmark::State &state)
{
    state.counters["Objects"] = sample().objectCount;
    state.counters["FileKB"] = double(sample().bytes.size()) / 1024;
}

// The loaded copy must be the whole template, without error lines.
bool loadedWhole(benchmark::State &state, const TkavReport &report)
{
    if (report.Errors().Count() != 0) {
        state.SkipWithError(qPrintable(report.Errors().Text()));
        return false;
    }
    if (report.AllObjects().size() != sample().objectCount) {
        state.SkipWithError("the loaded report lacks objects");
        return false;
    }
    return true;
}

void BM_SaveReport(benchmark::State &state)
{
    auto &report = const_cast<TkavReport &>(sample().report);
    for (auto _ : state) {
        TMemoryStream stream;
        report.SaveToStream(stream);
        benchmark::DoNotOptimize(stream.Size());
    }
    setCounters(state);
}
BENCHMARK(BM_SaveReport)->Unit(benchmark::kMillisecond);

// Load into a new report (destroying it is not timed).
void BM_LoadFreshReport(benchmark::State &state)
{
    for (auto _ : state) {
        auto report = std::make_unique<TkavReport>();
        TMemoryStream stream(sample().bytes);
        report->LoadFromStream(stream);
        state.PauseTiming();
        const bool whole = loadedWhole(state, *report);
        report.reset();
        state.ResumeTiming();
        if (!whole)
            break;
    }
    setCounters(state);
}
BENCHMARK(BM_LoadFreshReport)->Unit(benchmark::kMillisecond);

// Undo: load into the same report again, which first clears the previous content.
void BM_LoadSameReport(benchmark::State &state)
{
    TkavReport report;
    {
        TMemoryStream stream(sample().bytes);
        report.LoadFromStream(stream);
    }
    for (auto _ : state) {
        TMemoryStream stream(sample().bytes);
        report.LoadFromStream(stream);
    }
    if (loadedWhole(state, report))
        setCounters(state);
}
BENCHMARK(BM_LoadSameReport)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    // Fonts belong to Qt Gui; no display is needed.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    kavRegisterRTLClasses();
    kavRegisterReportClasses();
    return kavBenchmarkMain(argc, argv, [] {});
}
