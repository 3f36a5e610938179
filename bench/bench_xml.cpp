// Throughput of the XML document: writing and reading a ~50 MB prepared-report-like text,
// and the peak memory of reading it. --size N writes N pages of 100 objects (2,700 by
// default).
#include "kavBenchMain.h"

#include <persist/kavXML.h>

#include <rtl/kavStreams.h>

#include <QDir>
#include <QFile>
#include <QString>

#include <benchmark/benchmark.h>

#include <fstream>
#include <string>

#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// 2,700 pages make about 50 MB of XML; --size N: N pages.
int pageCount()
{
    return kavBenchSize(2700);
}
constexpr int objectsPerPage = 100;

// A prepared-report-like tree: pages of memo objects with a handful of attributes each.
void buildDocument(TkavXMLDocument &doc)
{
    TkavXMLItem *root = doc.Root();
    root->SetName(u"preparedreport"_s);
    root->SetProp(u"Version"_s, u"3.1"_s);
    TkavXMLItem *pages = root->Add(u"previewpages"_s);
    for (int p = 0; p < pageCount(); ++p) {
        TkavXMLItem *page = pages->Add(u"page%1"_s.arg(p));
        for (int o = 0; o < objectsPerPage; ++o) {
            TkavXMLItem *memo = page->Add(u"TkavMemoView"_s);
            memo->SetProp(u"Name"_s, u"Memo%1"_s.arg(o));
            memo->SetProp(u"l"_s, QString::number(20 + o % 7 * 95.25));
            memo->SetProp(u"t"_s, QString::number(40 + o * 18.9));
            memo->SetProp(u"w"_s, u"94.5"_s);
            memo->SetProp(u"h"_s, u"18.9"_s);
            memo->SetProp(u"Font.Name"_s, u"Arial"_s);
            memo->SetProp(u"Frame.Typ"_s, u"15"_s);
            memo->SetProp(u"Text"_s, u"Customer %1 & Sons, Stra\u00DFe %2 \"B\" <total> 1.234,56 \u20AC"_s
                                         .arg(p * objectsPerPage + o)
                                         .arg(o));
        }
    }
}

// Peak resident memory so far, and resetting it (Linux: VmHWM, clear_refs "5").
qint64 peakResidentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stoll(line.substr(6));
    }
    return -1;
}

qint64 residentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stoll(line.substr(6));
    }
    return -1;
}

void resetPeakResident()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

const QByteArray &documentBytes()
{
    static const QByteArray bytes = [] {
        TkavXMLDocument doc;
        buildDocument(doc);
        TMemoryStream stream;
        doc.SaveToStream(stream);
        return stream.Data();
    }();
    return bytes;
}

void BM_Write(benchmark::State &state)
{
    TkavXMLDocument doc;
    buildDocument(doc);
    doc.SetAutoIndent(state.range(0) != 0);
    qint64 bytes = 0;
    for (auto _ : state) {
        TMemoryStream stream;
        doc.SaveToStream(stream);
        bytes = stream.Size();
        benchmark::DoNotOptimize(stream.Data().constData());
    }
    state.SetBytesProcessed(int64_t(bytes) * state.iterations());
    state.counters["MB"] = double(bytes) / 1e6;
}
BENCHMARK(BM_Write)->Arg(0)->Arg(1)->ArgName("AutoIndent")->Unit(benchmark::kMillisecond);

// Loads bytes in a forked child, so memory freed earlier in this process does not hide
// the growth; returns {resident before, peak resident during the load} in KiB.
template <typename Load>
std::pair<qint64, qint64> measureReadPeak(Load load)
{
    int fds[2];
    if (pipe(fds) != 0)
        return {-1, -1};
    const pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        malloc_trim(0);
        qint64 result[2] = {residentKiB(), -1};
        resetPeakResident();
        {
            TkavXMLDocument doc;
            load(doc);
            result[1] = peakResidentKiB();
        }
        const bool ok = write(fds[1], result, sizeof result) == ssize_t(sizeof result);
        _exit(ok ? 0 : 1);
    }
    close(fds[1]);
    qint64 result[2] = {-1, -1};
    if (read(fds[0], result, sizeof result) != ssize_t(sizeof result))
        result[0] = result[1] = -1;
    close(fds[0]);
    waitpid(child, nullptr, 0);
    return {result[0], result[1]};
}

void BM_Read(benchmark::State &state)
{
    const QByteArray &bytes = documentBytes();
    for (auto _ : state) {
        TkavXMLDocument doc;
        TMemoryStream stream(bytes);
        doc.LoadFromStream(stream);
        benchmark::DoNotOptimize(doc.Root()->Count());
    }
    const auto [before, peak] = measureReadPeak([&bytes](TkavXMLDocument &doc) {
        TMemoryStream stream(bytes);
        doc.LoadFromStream(stream);
    });
    state.SetBytesProcessed(int64_t(bytes.size()) * state.iterations());
    state.counters["MB"] = double(bytes.size()) / 1e6;
    state.counters["RSSbeforeMB"] = double(before) / 1024;
    state.counters["PeakRSSMB"] = double(peak) / 1024;
    state.counters["ReadGrowthMB"] = double(peak - before) / 1024;
}
BENCHMARK(BM_Read)->Unit(benchmark::kMillisecond);

// A partial load from a file: page elements stay on disk until they are needed.
void BM_ReadFilePartial(benchmark::State &state)
{
    const QString path = QDir::temp().filePath(u"kavbench_xml.kw3"_s);
    {
        TkavXMLDocument doc;
        buildDocument(doc);
        TkavXMLItem *pages = doc.Root()->Items(0);
        for (int i = 0; i < pages->Count(); ++i)
            pages->Items(i)->SetUnloadable(true);
        doc.SaveToFile(path);
    }
    const qint64 size = QFile(path).size();
    for (auto _ : state) {
        TkavXMLDocument doc;
        doc.LoadFromFile(path);
        benchmark::DoNotOptimize(doc.Root()->Count());
    }
    const auto [before, peak] = measureReadPeak([&path](TkavXMLDocument &doc) {
        doc.LoadFromFile(path);
    });
    QFile::remove(path);
    state.SetBytesProcessed(int64_t(size) * state.iterations());
    state.counters["PeakRSSMB"] = double(peak) / 1024;
    state.counters["ReadGrowthMB"] = double(peak - before) / 1024;
}
BENCHMARK(BM_ReadFilePartial)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return kavBenchmarkMain(argc, argv, [] {});
}
