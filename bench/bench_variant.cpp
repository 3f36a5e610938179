// Cost of the variant operations the interpreter runs most: copies, integer and double
// arithmetic, comparisons and string concatenation.
#include "kavBenchMain.h"

#include <rtl/kavVariant.h>

#include <QString>

#include <benchmark/benchmark.h>

#include <vector>

using namespace Qt::StringLiterals;

namespace {

void copyNumbers(benchmark::State &state)
{
    std::vector<Variant> values(1024, Variant(42));
    for (auto _ : state) {
        std::vector<Variant> copy = values;
        benchmark::DoNotOptimize(copy.data());
    }
    state.SetItemsProcessed(state.iterations() * 1024);
}
BENCHMARK(copyNumbers);

void copyStrings(benchmark::State &state)
{
    std::vector<Variant> values(1024, Variant(u"some text"_s));
    for (auto _ : state) {
        std::vector<Variant> copy = values;
        benchmark::DoNotOptimize(copy.data());
    }
    state.SetItemsProcessed(state.iterations() * 1024);
}
BENCHMARK(copyStrings);

void addIntegers(benchmark::State &state)
{
    Variant sum(0);
    const Variant one(1);
    for (auto _ : state) {
        sum = VarBinaryOp(sum, one, voAdd);
        if (sum.AsInt64() > 1000000)
            sum = Variant(0);
    }
    benchmark::DoNotOptimize(sum);
}
BENCHMARK(addIntegers);

void multiplyDoubles(benchmark::State &state)
{
    Variant x(1.0);
    const Variant factor(1.0000001);
    for (auto _ : state)
        x = VarBinaryOp(x, factor, voMultiply);
    benchmark::DoNotOptimize(x);
}
BENCHMARK(multiplyDoubles);

void mixedIntegerDouble(benchmark::State &state)
{
    Variant x(0.5);
    const Variant step(3);
    for (auto _ : state) {
        x = VarBinaryOp(step, x, voAdd);
        x = VarBinaryOp(x, step, voSubtract);
    }
    benchmark::DoNotOptimize(x);
}
BENCHMARK(mixedIntegerDouble);

void compareIntegers(benchmark::State &state)
{
    const Variant a(17);
    const Variant b(42);
    for (auto _ : state)
        benchmark::DoNotOptimize(VarCompare(a, b, vcLess));
}
BENCHMARK(compareIntegers);

void concatenate(benchmark::State &state)
{
    const Variant a(u"Page "_s);
    const Variant b(u"12 of 30"_s);
    for (auto _ : state)
        benchmark::DoNotOptimize(VarBinaryOp(a, b, voAdd));
}
BENCHMARK(concatenate);

// s := s + 'x' 200,000 times: must grow linearly.
void appendInPlace(benchmark::State &state)
{
    const Variant piece(u"x"_s);
    for (auto _ : state) {
        Variant text(QString{});
        for (int i = 0; i < 200000; ++i)
            VarBinaryOpInPlace(text, piece, voAdd);
        benchmark::DoNotOptimize(text);
    }
}
BENCHMARK(appendInPlace)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return kavBenchmarkMain(argc, argv, [] {});
}
