// The dot-matrix filter: style changes as ESC/P codes, and dot-matrix reports printed as
// printer bytes (page choice, a cancelled dialog, a failing command).

#include "../kavTestSupport.h"
#include "kavOutputTestSupport.h"

#include <output/kavExportDMP.h>
#include <output/kavPrinterQt.h>
#include <prepared/kavPrinters.h>
#include <report/kavDMP.h>
#include <rtl/kavUIServices.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

TEST(DMPStyleCodes, EndBeforeStartOneCodePerGroup)
{
    using S = TkavDMPFontStyles;
    const struct
    {
        S from;
        S to;
        QByteArray codes;
    } rows[] = {
        {S{}, S{fsxBold, fsxUnderline}, QByteArray("\x1b" "E\x1b-\x01", 5)},
        {S{fsxBold}, S{fsxItalic}, "\x1b" "F\x1b" "4"}, // the end comes first
        {S{fsxUnderline}, S{fsxUnderline}, ""},
        {S{fsxSuperScript}, S{fsxSubScript}, QByteArray("\x1bS\x01", 3)},
        {S{fsxSuperScript, fsxSubScript}, S{fsxSuperScript}, ""}, // superscript wins
        {S{fsxSubScript}, S{}, "\x1bT"},
        {S{fsx12cpi}, S{fsx15cpi}, "\x1bg"},
        {S{fsx12cpi, fsx15cpi}, S{fsx12cpi}, "\x1bM"},
        {S{fsx15cpi}, S{fsxCondensed}, "\x1bP\x0f"},
        {S{fsxCondensed, fsxWide}, S{fsxBold}, QByteArray("\x12\x1bW\x00\x1b" "E", 6)},
    };
    for (const auto &row : rows)
        EXPECT_EQ(TkavDMPExport::StyleCodes(row.from, row.to), row.codes)
            << row.from.Mask() << " -> " << row.to.Mask();
}

QString goldenTemplate()
{
    return QStringLiteral(KAV_TEST_DATA) + u"/../../golden/dotmatrix.kv3"_s;
}

class DMPPrint : public testing::Test
{
protected:
    void SetUp() override
    {
        auto services = std::make_unique<TkavHeadlessUIServices>();
        services->SetEchoToStandardError(false);
        previous = kavSetUIServices(std::move(services));
        kavInstallPrintSupport();
        kavRegisterRTLClasses();
        kavRegisterReportClasses();
        report.EngineOptions().SetNewSilentMode(simSilent);
        report.LoadFromFile(goldenTemplate(), true);
        ASSERT_TRUE(report.PrepareReport(true)) << report.Errors().Text().toStdString();
        ASSERT_EQ(report.PreviewPages()->Count(), 2);
        report.PrintOptions().SetShowDialog(false);
        report.PrintOptions().SetPrnOutFileName(out);
        report.SetShowProgress(false);
    }
    void TearDown() override
    {
        kavSetPrintDialog({});
        kavSetUIServices(std::move(previous));
    }
    // The golden bytes of the whole report: ESC @, then each page ended by a form feed.
    static QByteArray golden()
    {
        return kavFileBytes(QStringLiteral(KAV_TEST_DATA) + u"/../../golden/dotmatrix.prn"_s);
    }

    QTemporaryDir dir;
    const QString out = dir.filePath(u"out.prn"_s);
    TkavReport report;

private:
    std::unique_ptr<TkavUIServices> previous;
};

TEST_F(DMPPrint, PrintsTheReportAsPrinterText)
{
    ASSERT_TRUE(report.Print()) << report.Errors().Text().toStdString();
    EXPECT_EQ(kavFileBytes(out), golden());
    // The options the hand-off used are the report's again.
    EXPECT_EQ(report.PrintOptions().PrnOutFileName(), out);
}

TEST_F(DMPPrint, PageNumbersChooseThePages)
{
    const QList<QByteArray> pages = golden().mid(2).split('\f');
    ASSERT_EQ(pages.size(), 3); // two pages, each ended by a form feed
    report.PrintOptions().SetPageNumbers(u"2"_s);
    ASSERT_TRUE(report.Print()) << report.Errors().Text().toStdString();
    EXPECT_EQ(kavFileBytes(out), "\x1b@" + pages[1] + '\f');
    // A range naming no page prints nothing and says so.
    QFile::remove(out);
    report.PrintOptions().SetPageNumbers(u"7"_s);
    EXPECT_FALSE(report.Print());
    EXPECT_TRUE(report.Errors().Text().contains(u"No page"_s))
        << report.Errors().Text().toStdString();
    EXPECT_FALSE(QFile::exists(out));
}

TEST_F(DMPPrint, CancelledDialogOrFailedRunKeepsThePreviousFile)
{
    {
        QFile old(out);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("previous");
    }
    report.PrintOptions().SetShowDialog(true);
    kavSetPrintDialog([](TkavReport &, TkavDuplexMode &) { return false; });
    EXPECT_FALSE(report.Print());
    EXPECT_EQ(report.Errors().Count(), 0);
    EXPECT_EQ(kavFileBytes(out), "previous");
    // A command that is no byte fails the run on page 2, after page 1 was sent.
    report.LoadFromFile(goldenTemplate(), true);
    auto *command = dynamic_cast<TkavDMPCommand *>(report.FindObject(u"Bytes"_s));
    ASSERT_NE(command, nullptr);
    command->SetCommand(u"#300"_s);
    ASSERT_TRUE(report.PrepareReport(true));
    report.PrintOptions().SetShowDialog(false);
    report.PrintOptions().SetPrnOutFileName(out);
    EXPECT_FALSE(report.Print());
    EXPECT_TRUE(report.Errors().Text().contains(u"#300"_s)) << report.Errors().Text().toStdString();
    EXPECT_EQ(kavFileBytes(out), "previous");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"out.prn"_s});
}

} // namespace
