// Several reports prepared and exported at once, each on its own thread with its own report
// object and filters (EnableThreadSafe on): every thread must write the same bytes as a run
// of the same report alone.
#include <output/kavExportCSV.h>
#include <output/kavExportPDF.h>
#include <output/kavExportText.h>
#include <prepared/kavPreviewPages.h>
#include <report/kavClass.h>
#include <report/kavReport.h>
#include <rtl/kavExceptions.h>
#include <rtl/kavRTTI.h>
#include <rtl/kavStreams.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// What one run of a report wrote: the prepared pages and the exported files, in order.
struct RunOutput
{
    QString Error;
    std::vector<QByteArray> Files;
};

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// Loads, prepares and exports report into folder (names prefixed by tag), all on the
// calling thread.
RunOutput runReport(const QString &report, const QString &folder, const QString &tag)
{
    RunOutput out;
    try {
        TkavReport r;
        r.EngineOptions().SetEnableThreadSafe(true);
        r.EngineOptions().SetNewSilentMode(simSilent);
        r.LoadFromFile(report, true);
        if (!r.LastLoadOk()) {
            out.Error = u"not loaded: "_s + r.ErrorsText();
            return out;
        }
        r.PrepareReport();
        auto &pages = static_cast<TkavPreviewPages &>(*r.PreviewPages());
        TMemoryStream kw3;
        pages.SaveToStream(kw3);
        out.Files.push_back(kw3.Data());

        TkavPDFExport pdf(frNoRegister);
        TkavCSVExport csv(frNoRegister);
        TkavTextExport text(frNoRegister);
        const std::pair<TkavCustomExportFilter *, QString> filters[] = {
            {&pdf, u"pdf"_s}, {&csv, u"csv"_s}, {&text, u"txt"_s}};
        for (const auto &[filter, ext] : filters) {
            const QString path = QDir(folder).filePath(tag + u'.' + ext);
            filter->SetShowDialog(false);
            filter->SetShowProgress(false);
            filter->SetFileName(path);
            if (!pages.Export(*filter)) {
                out.Error = u"export to "_s + ext + u" failed"_s;
                return out;
            }
            out.Files.push_back(readFile(path));
        }
    } catch (const Exception &e) {
        out.Error = e.Message();
    }
    return out;
}

// The reports that run without a database: the golden templates that succeed, and the
// demo over its CSV file.
QStringList reports()
{
    QStringList result;
    const QDir golden(QStringLiteral(KAV_GOLDEN_DIR));
    for (const QString &name : golden.entryList({u"*.kv3"_s}, QDir::Files, QDir::Name))
        if (!QFileInfo::exists(golden.filePath(QFileInfo(name).completeBaseName() + u".exit"_s)))
            result << golden.filePath(name);
    result << QDir(QStringLiteral(KAV_EXAMPLES_DIR)).filePath(u"products.kv3"_s);
    return result;
}

class Threads : public ::testing::Test
{
protected:
    void SetUp() override
    {
        kavRegisterRTLClasses();
        kavRegisterReportClasses();
        ASSERT_TRUE(dir.isValid());
    }
    QTemporaryDir dir;
};

TEST_F(Threads, ReportsRunAtOnceWriteWhatTheyWriteAlone)
{
    const QStringList all = reports();
    ASSERT_GE(all.size(), 10);
    std::vector<RunOutput> alone;
    for (int i = 0; i < all.size(); ++i) {
        alone.push_back(runReport(all[i], dir.path(), u"alone%1"_s.arg(i)));
        ASSERT_TRUE(alone.back().Error.isEmpty()) << qPrintable(all[i] + u": "_s + alone.back().Error);
        ASSERT_EQ(alone.back().Files.size(), 4u);
        ASSERT_FALSE(alone.back().Files[1].isEmpty()) << qPrintable(all[i]);
    }

    // Each thread runs every report, starting at a different one, so different reports
    // overlap in time.
    constexpr int threadCount = 4;
    std::vector<std::vector<RunOutput>> together(threadCount);
    std::vector<std::thread> threads;
    for (int t = 0; t < threadCount; ++t)
        threads.emplace_back([&, t] {
            together[t].resize(all.size());
            for (int k = 0; k < all.size(); ++k) {
                const int i = int((k + t * all.size() / threadCount) % all.size());
                together[t][i] = runReport(all[i], dir.path(), u"t%1_%2"_s.arg(t).arg(i));
            }
        });
    for (std::thread &thread : threads)
        thread.join();

    for (int t = 0; t < threadCount; ++t)
        for (int i = 0; i < all.size(); ++i) {
            const RunOutput &got = together[t][i];
            EXPECT_TRUE(got.Error.isEmpty()) << qPrintable(all[i] + u": "_s + got.Error);
            ASSERT_EQ(got.Files.size(), alone[i].Files.size()) << qPrintable(all[i]);
            for (size_t f = 0; f < got.Files.size(); ++f)
                EXPECT_TRUE(got.Files[f] == alone[i].Files[f])
                    << "thread " << t << ", " << qPrintable(all[i]) << ", output " << f;
        }
}

} // namespace
