#pragma once

// The main of the Google Benchmark programs. "--size N" sets the size the benchmarks work
// on (each program's own default without it; the smoke tests pass a tiny one), and a
// benchmark that reports an error makes the program exit with 1.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

inline int kavBenchSizeOption = 0;

// The size given with --size, else Default.
inline int kavBenchSize(int Default)
{
    return kavBenchSizeOption > 0 ? kavBenchSizeOption : Default;
}

// Takes "--size N" out of the arguments, so that Google Benchmark sees only its own; false
// when N is not a positive number.
inline bool kavTakeBenchSize(int &argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--size") != 0)
            continue;
        kavBenchSizeOption = i + 1 < argc ? std::atoi(argv[i + 1]) : 0;
        const int taken = i + 1 < argc ? 2 : 1;
        for (int j = i; j + taken <= argc; ++j)
            argv[j] = argv[j + taken];
        argc -= taken;
        return kavBenchSizeOption > 0;
    }
    return true;
}

// The console's report, counting the runs that ended in an error.
class TkavErrorCountingReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs)
            FErrors += run.error_occurred ? 1 : 0;
        ConsoleReporter::ReportRuns(runs);
    }
    int Errors() const { return FErrors; }

private:
    int FErrors = 0;
};

// Runs the registered benchmarks; call Prepare (may be empty) after the size is known.
template <typename F>
int kavBenchmarkMain(int argc, char **argv, F Prepare)
{
    if (!kavTakeBenchSize(argc, argv)) {
        std::fputs("--size needs a positive number\n", stderr);
        return 2;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 2;
    Prepare();
    TkavErrorCountingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return reporter.Errors() > 0 ? 1 : 0;
}
