// Every input that once crashed a fuzz target, run again through that target's entry: each
// must now return normally. The folder of a case names its target.
#include "kavFuzzTargets.h"

#include <report/kavReport.h>
#include <rtl/kavStreams.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

struct FuzzCase
{
    QString Target;
    QString Path;
};

std::vector<FuzzCase> cases()
{
    std::vector<FuzzCase> result;
    const QDir root(QStringLiteral(KAV_TEST_DATA));
    for (const QString &target : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        const QDir dir(root.filePath(target));
        for (const QString &file : dir.entryList(QDir::Files, QDir::Name))
            result.push_back({target, dir.filePath(file)});
    }
    return result;
}

class FuzzRegression : public ::testing::TestWithParam<FuzzCase>
{
protected:
    static void SetUpTestSuite()
    {
        static bool initialized = false;
        if (!initialized)
            kavFuzzInit();
        initialized = true;
    }
};

TEST_P(FuzzRegression, ReturnsNormally)
{
    const FuzzCase &c = GetParam();
    const TkavFuzzEntry entry = kavFuzzTarget(c.Target);
    ASSERT_NE(entry, nullptr) << "no fuzz target named " << c.Target.toStdString();
    QFile file(c.Path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << c.Path.toStdString();
    entry(file.readAll());
}

std::string caseName(const ::testing::TestParamInfo<FuzzCase> &info)
{
    std::string name = (info.param.Target + u'_' + QFileInfo(info.param.Path).completeBaseName())
                           .toStdString();
    for (char &ch : name)
        if (!std::isalnum(static_cast<unsigned char>(ch)))
            ch = '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Cases, FuzzRegression, ::testing::ValuesIn(cases()), caseName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(FuzzRegression);

// Every object of the demo reports, copied page by page and pasted onto a new report, saves
// and reads back (the clipboard entry aborts otherwise): the seeds of the clipboard target.
TEST_F(FuzzRegression, DemoClipboardTextsPasteAndReadBack)
{
    for (const QString name : {u"invoice.kv3"_s, u"orders_period.kv3"_s}) {
        TkavReport report;
        report.EngineOptions().SetNewSilentMode(simSilent);
        QFile file(QStringLiteral(KAV_EXAMPLES_DIR "/") + name);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        TMemoryStream in(file.readAll());
        report.LoadFromStream(in);
        ASSERT_TRUE(report.LastLoadOk()) << name.toStdString();
        const QList<QByteArray> texts = kavFuzzClipboardSeeds(report);
        EXPECT_GE(texts.size(), 2) << name.toStdString();
        for (const QByteArray &text : texts)
            kavFuzzClipboard(text);
    }
}

// Every target the fuzz scripts run has an entry, and every case folder names one.
TEST(FuzzTargets, EveryFolderNamesATarget)
{
    const QStringList expected{u"kv3"_s, u"kw3"_s, u"kt3"_s, u"ku3"_s, u"xml"_s, u"il"_s,
                               u"pascal"_s, u"cpp"_s, u"basic"_s, u"jscript"_s, u"csv"_s,
                               u"json"_s, u"memo"_s, u"clipboard"_s};
    for (const QString &name : expected)
        EXPECT_NE(kavFuzzTarget(name), nullptr) << name.toStdString();
    const QDir root(QStringLiteral(KAV_TEST_DATA));
    for (const QString &target : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        EXPECT_NE(kavFuzzTarget(target), nullptr) << target.toStdString();
}

} // namespace
