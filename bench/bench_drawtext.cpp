// Text layout throughput: 100,000 memos of 1 to 200 characters (pseudo-random words,
// the same on every run) wrapped into a 200-pixel column with the Qt measurer, as the
// engine does when it computes band heights. Reports memos per second and the share of
// the time spent inside the measurer, with a warm advance cache and with a cold one.
// --size N lays out N memos.

#include "kavBenchMain.h"

#include <prepared/kavDrawText.h>

#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

namespace {

int memoCount()
{
    return kavBenchSize(100000);
}

// Forwards to the real measurer and adds up the time spent there.
class TimedMeasurer : public TkavTextMeasurer
{
public:
    explicit TimedMeasurer(std::shared_ptr<TkavTextMeasurer> inner)
        : FInner(std::move(inner))
    {}
    void MeasureRun(const QString &name, int size, TFontStyles style, QStringView text, std::span<int> out) override
    {
        const auto start = std::chrono::steady_clock::now();
        FInner->MeasureRun(name, size, style, text, out);
        FNanos += std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start).count();
    }
    void ClearCache() override { FInner->ClearCache(); }
    qint64 Nanos() const { return FNanos; }
    void Reset() { FNanos = 0; }

private:
    std::shared_ptr<TkavTextMeasurer> FInner;
    qint64 FNanos = 0;
};

// Deterministic memo texts: words of 1 to 12 letters (some accented), 1 to 200 characters.
const QStringList &memos()
{
    static const QStringList texts = [] {
        const QString letters = QStringLiteral("etaoinshrdlucmfwypvbgkjqxzçãéó");
        quint32 seed = 12345;
        const auto next = [&seed](quint32 range) {
            seed = seed * 1664525u + 1013904223u;
            return (seed >> 8) % range;
        };
        QStringList result;
        result.reserve(memoCount());
        for (int m = 0; m < memoCount(); ++m) {
            const int length = 1 + int(next(200));
            QString text;
            while (text.size() < length) {
                if (!text.isEmpty())
                    text += u' ';
                const int word = 1 + int(next(12));
                for (int c = 0; c < word; ++c)
                    text += letters[qsizetype(next(quint32(letters.size())))];
            }
            text.truncate(length);
            result << text;
        }
        return result;
    }();
    return texts;
}

void layoutAll(benchmark::State &state, bool coldCache)
{
    auto measurer = std::make_shared<TimedMeasurer>(std::make_shared<TkavQtTextMeasurer>());
    TkavDrawText engine(measurer);
    TFont font;
    font.SetName(QStringLiteral("Arial"));
    font.SetSize(10);
    const QRectF rect(0, 0, 200, 1000);
    const QStringList &texts = memos();
    qint64 lines = 0;
    qint64 totalNanos = 0;
    qint64 measureNanos = 0;
    for (auto _ : state) {
        if (coldCache)
            measurer->ClearCache();
        measurer->Reset();
        const auto start = std::chrono::steady_clock::now();
        engine.Lock();
        for (const QString &text : texts) {
            engine.SetFont(font);
            engine.SetOptions(true, true, false, false, false, true, 0);
            engine.SetGaps(0, 0, 0);
            engine.SetDimensions(1, 1, 1, rect, rect);
            engine.SetText({text});
            benchmark::DoNotOptimize(engine.CalcHeight());
            lines += engine.LineCount();
        }
        engine.Unlock();
        totalNanos += std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start).count();
        measureNanos += measurer->Nanos();
    }
    state.counters["memos/s"]
        = benchmark::Counter(double(memoCount()), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["measure_share"] = totalNanos ? double(measureNanos) / double(totalNanos) : 0.0;
    state.counters["lines/memo"] = double(lines) / double(memoCount()) / double(state.iterations());
}

void BM_LayoutMemosWarmCache(benchmark::State &state)
{
    layoutAll(state, false);
}

void BM_LayoutMemosColdCache(benchmark::State &state)
{
    layoutAll(state, true);
}

} // namespace

BENCHMARK(BM_LayoutMemosWarmCache)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_LayoutMemosColdCache)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    return kavBenchmarkMain(argc, argv, [] { memos(); }); // generated outside the timed loops
}
