// The Qt printer: printing prepared pages into PDF files (checked with pdfinfo), failures
// that must not leave a broken file, and the paper-source mapping.

#include "../kavTestSupport.h"
#include "kavOutputTestSupport.h"

#include <output/kavPrintDialog.h>
#include <output/kavPrinterQt.h>
#include <persist/kavRes.h>
#include <prepared/kavPreviewPages.h>
#include <prepared/kavPrinters.h>
#include <report/kavPages.h>
#include <report/kavReport.h>
#include <rtl/kavUIServices.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// pdfinfo's answer for File: the page count and each page's paper name ("A4").
struct PdfInfo
{
    int pages = -1;
    QStringList sizes;
};

PdfInfo pdfInfo(const QString &file)
{
    QProcess process;
    process.start(u"pdfinfo"_s, {u"-f"_s, u"1"_s, u"-l"_s, u"999"_s, file});
    EXPECT_TRUE(process.waitForFinished(30000)) << "pdfinfo did not run";
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    const QString text = QString::fromUtf8(process.readAllStandardOutput());
    PdfInfo info;
    const QRegularExpression pages(u"^Pages:\\s+(\\d+)"_s, QRegularExpression::MultilineOption);
    const QRegularExpressionMatch match = pages.match(text);
    if (match.hasMatch())
        info.pages = match.captured(1).toInt();
    const QRegularExpression size(u"^Page\\s+\\d+ size:.*\\((\\w+)\\)"_s,
                                  QRegularExpression::MultilineOption);
    for (auto it = size.globalMatch(text); it.hasNext();)
        info.sizes << it.next().captured(1);
    return info;
}

// pdfinfo names standard sizes.
const QString a4Name = u"A4"_s;
const QString a3Name = u"A3"_s;

class PrinterQtTest : public testing::Test
{
protected:
    void SetUp() override
    {
        auto services = std::make_unique<TkavHeadlessUIServices>();
        services->SetEchoToStandardError(false);
        services->SetMessageSink([this](TMsgDlgType, const QString &text) { messages << text; });
        previous = kavSetUIServices(std::move(services));
        kavInstallPrintSupport();
        ASSERT_TRUE(dir.isValid());
    }
    void TearDown() override
    {
        kavSetPrinterEnumerator({});
        kavSetFilePrinterFactory({});
        kavSetPrintDialog({});
        kavSetUIServices(std::move(previous));
    }

    std::unique_ptr<TkavReport> rows(const std::function<void(TkavReport &)> &Adjust = {})
    {
        auto report = preparedRows(Adjust);
        report->PrintOptions().SetShowDialog(false);
        report->SetShowProgress(false);
        return report;
    }

    QTemporaryDir dir;
    QStringList messages;

private:
    std::unique_ptr<TkavUIServices> previous;
};

TEST_F(PrinterQtTest, PrintsToAnA4PdfFile)
{
    auto report = rows();
    const QString file = dir.filePath(u"rows.pdf"_s);
    report->PrintOptions().SetPrnOutFileName(file);
    ASSERT_TRUE(report->Print()) << report->ErrorsText().toStdString();
    const PdfInfo info = pdfInfo(file);
    EXPECT_EQ(info.pages, store(*report).Count());
    EXPECT_EQ(info.sizes, QStringList({a4Name, a4Name}));
    // No temporary file is left beside the result.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({u"rows.pdf"_s}));
}

TEST_F(PrinterQtTest, PageSizeChangesPerPage)
{
    // The second page is A3: the rows template's page becomes A3 after the first page prints.
    auto report = rows();
    const QString file = dir.filePath(u"mixed.pdf"_s);
    auto &pages = store(*report);
    ASSERT_EQ(pages.Count(), 2);
    std::shared_ptr<TkavReportPage> second = pages.GetPage(1);
    second->SetPaperSize(8);
    pages.ModifyPage(1, second.get());
    report->PrintOptions().SetPrnOutFileName(file);
    ASSERT_TRUE(report->Print()) << report->ErrorsText().toStdString();
    const PdfInfo info = pdfInfo(file);
    EXPECT_EQ(info.pages, 2);
    EXPECT_EQ(info.sizes, QStringList({a4Name, a3Name}));
}

TEST_F(PrinterQtTest, CopiesWithoutCollateAreMadeByTheJob)
{
    auto report = rows();
    const QString file = dir.filePath(u"copies.pdf"_s);
    report->PrintOptions().SetPrnOutFileName(file);
    report->PrintOptions().SetCopies(2);
    report->PrintOptions().SetCollate(false);
    report->PrintOptions().SetPageNumbers(u"1"_s);
    ASSERT_TRUE(report->Print());
    EXPECT_EQ(pdfInfo(file).pages, 2);
}

TEST_F(PrinterQtTest, UnwritableTargetFailsWithAnErrorsLine)
{
    auto report = rows();
    const QString file = dir.filePath(u"missing/folder/x.pdf"_s);
    report->PrintOptions().SetPrnOutFileName(file);
    EXPECT_FALSE(report->Print());
    EXPECT_TRUE(report->ErrorsText().contains(file)) << report->ErrorsText().toStdString();
    EXPECT_FALSE(QFile::exists(file));
}

TEST_F(PrinterQtTest, StoppedJobKeepsThePreviousFile)
{
    auto report = rows();
    const QString file = dir.filePath(u"keep.pdf"_s);
    {
        QFile old(file);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("previous");
    }
    report->PrintOptions().SetPrnOutFileName(file);
    report->SetOnPrintPage([&](TkavReportPage *, int) { report->SetTerminated(true); });
    report->PrintOptions().SetPageNumbers(u"1,2"_s);
    // The first page is printed, the second finds the job stopped.
    EXPECT_FALSE(report->Print());
    QFile kept(file);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("previous"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({u"keep.pdf"_s}));
}

TEST_F(PrinterQtTest, FilePrinterMetrics)
{
    std::unique_ptr<TkavPrinter> printer = TkavPrinter::CreateFilePrinter();
    printer->Init();
    ASSERT_TRUE(printer->Initialized());
    EXPECT_GT(printer->DPI().x(), 0);
    EXPECT_EQ(printer->DPI().x(), printer->DPI().y());
    EXPECT_EQ(printer->Paper(), kavPaperA4);
    EXPECT_DOUBLE_EQ(printer->PaperWidth(), 210);
    EXPECT_DOUBLE_EQ(printer->PaperHeight(), 297);
    printer->SetViewParams(8, 0, 0, poLandscape);
    EXPECT_DOUBLE_EQ(printer->PaperWidth(), 420);
    EXPECT_DOUBLE_EQ(printer->PaperHeight(), 297);
    // Margins are whole millimetres inside the paper.
    EXPECT_GE(printer->LeftMargin(), 0);
    EXPECT_EQ(printer->LeftMargin(), std::round(printer->LeftMargin()));
    EXPECT_FALSE(printer->CanMakeCopies());
    // Without a file name the file printer cannot start a document.
    EXPECT_FALSE(printer->BeginDoc());
    EXPECT_FALSE(printer->ErrorText().isEmpty());
    EXPECT_TRUE(printer->EndDoc());
}

TEST_F(PrinterQtTest, DialogShowsTheTextsAndWritesTheChoicesBack)
{
    auto report = rows();
    report->PrintOptions().SetPrintMode(pmDefault);
    TkavPrintDialog dialog(*report, dmNone);
    EXPECT_EQ(dialog.Duplex()->itemText(0), kavResourceTable().Get(u"dupDefault"_s));
    EXPECT_EQ(dialog.PrintMode()->itemText(3), kavResourceTable().Get(u"pmScale"_s));
    EXPECT_EQ(dialog.Order()->itemText(0), kavResourceTable().Get(u"poDirect"_s));
    EXPECT_EQ(dialog.Sheet()->itemText(0), kavResourceTable().Get(u"pgDefault"_s));
    EXPECT_FALSE(dialog.Sheet()->isEnabled());
    // A sheet mode with the default sheet picks A4.
    dialog.PrintMode()->setCurrentIndex(pmJoin);
    EXPECT_TRUE(dialog.Sheet()->isEnabled());
    EXPECT_EQ(dialog.Sheet()->currentData().toInt(), kavPaperA4);
    dialog.Copies()->setValue(3);
    dialog.Collate()->setChecked(false);
    dialog.PageRange()->setChecked(true);
    dialog.PageNumbers()->setText(u"2-"_s);
    dialog.PrintPages()->setCurrentIndex(ppEven);
    dialog.Order()->setCurrentIndex(1);
    dialog.Duplex()->setCurrentIndex(dmHorizontal);
    ASSERT_TRUE(dialog.Apply());
    const TkavPrintOptions &opts = report->PrintOptions();
    EXPECT_EQ(opts.Copies(), 3);
    EXPECT_FALSE(opts.Collate());
    EXPECT_EQ(opts.PageNumbers(), u"2-"_s);
    EXPECT_EQ(opts.PrintPages(), ppEven);
    EXPECT_TRUE(opts.Reverse());
    EXPECT_EQ(opts.PrintMode(), pmJoin);
    EXPECT_EQ(opts.PrintOnSheet(), kavPaperA4);
    EXPECT_EQ(dialog.DuplexMode(), dmHorizontal);
    EXPECT_TRUE(opts.PrnOutFileName().isEmpty());
    // Print to file asks for a name; the headless file dialog cancels, so does the print.
    dialog.PrintToFile()->setChecked(true);
    EXPECT_FALSE(dialog.Apply());
}

// ---------------------------------------------------------------------------------------
// Raw documents.

QByteArray everyByte()
{
    QByteArray bytes;
    for (int i = 0; i < 256; ++i)
        bytes.append(char(i));
    return bytes;
}

TEST_F(PrinterQtTest, RawDocumentInAFileIsWrittenWholeOrNotAtAll)
{
    const std::unique_ptr<TkavPrinter> printer = TkavPrinter::CreateFilePrinter();
    printer->Init();
    const QString file = dir.filePath(u"raw.prn"_s);
    printer->SetFileName(file);
    printer->BeginRAWDoc();
    printer->WriteRAWDoc(everyByte());
    printer->WriteRAWDoc("\r\n\f");
    EXPECT_FALSE(QFile::exists(file)); // written beside it until complete
    printer->EndRAWDoc();
    EXPECT_EQ(kavFileBytes(file), everyByte() + "\r\n\f");
    printer->BeginRAWDoc();
    printer->WriteRAWDoc("partial");
    printer->AbortRAWDoc();
    EXPECT_EQ(kavFileBytes(file), everyByte() + "\r\n\f");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"raw.prn"_s});
    const QString missing = dir.filePath(u"none/raw.prn"_s);
    printer->SetFileName(missing);
    EXPECT_TRUE(kavErrorOf<EkavError>([&] { printer->BeginRAWDoc(); })
                    .startsWith(u"Cannot create file \"%1\""_s.arg(missing)));
    EXPECT_EQ(kavErrorOf<EkavError>([&] { printer->WriteRAWDoc("x"); }),
              u"No raw document is open on printer PDF"_s);
    EXPECT_FALSE(QDir(dir.filePath(u"none"_s)).exists());
}

TEST_F(PrinterQtTest, RawDocumentNeedsAnInstalledQueue)
{
    TkavPrinter printer(u"kav-no-such-queue"_s, QString());
    printer.Init();
    EXPECT_EQ(kavErrorOf<EkavError>([&] { printer.BeginRAWDoc(); }),
              u"Printer kav-no-such-queue is not available"_s);
    EXPECT_FALSE(printer.PrintingRAW());
}

// Raw jobs through a CUPS queue. tests/app/cups.sh makes the queue and names it and the file
// its backend writes in KAV_CUPS_QUEUE and KAV_CUPS_OUTPUT; elsewhere these are skipped.
class CupsRaw : public testing::Test
{
protected:
    void SetUp() override
    {
        output = qEnvironmentVariable("KAV_CUPS_OUTPUT");
        const QString queue = qEnvironmentVariable("KAV_CUPS_QUEUE");
        if (queue.isEmpty() || output.isEmpty())
            GTEST_SKIP() << "needs the CUPS queue of tests/app/cups.sh";
        printer = std::make_unique<TkavPrinter>(queue, QString());
        printer->Init();
        ASSERT_TRUE(printer->Initialized());
        QFile::remove(output);
    }
    // What the backend wrote, once it holds Size bytes (30 s at most).
    QByteArray received(qsizetype size) const
    {
        for (int i = 0; i < 300 && QFileInfo(output).size() < size; ++i)
            QThread::msleep(100);
        return kavFileBytes(output);
    }

    QString output;
    std::unique_ptr<TkavPrinter> printer;
};

TEST_F(CupsRaw, EveryByteInManyWritesArrivesUnchanged)
{
    const QByteArray piece = everyByte();
    QByteArray sent;
    printer->BeginRAWDoc();
    for (int i = 0; i < 4096; ++i) {
        printer->WriteRAWDoc(piece);
        sent += piece;
    }
    printer->EndRAWDoc();
    EXPECT_EQ(received(sent.size()), sent);
}

TEST_F(CupsRaw, AbortedDocumentNeverReachesTheQueue)
{
    printer->BeginRAWDoc();
    printer->WriteRAWDoc("aborted");
    printer->AbortRAWDoc();
    printer->BeginRAWDoc();
    printer->WriteRAWDoc("printed");
    printer->EndRAWDoc();
    EXPECT_EQ(received(7), "printed");
}

TEST(PrinterQtSources, MapBothWays)
{
    const std::pair<QPrinter::PaperSource, int> rows[] = {{QPrinter::OnlyOne, 1},
                                                          {QPrinter::Lower, 2},
                                                          {QPrinter::Manual, 4},
                                                          {QPrinter::Auto, 7},
                                                          {QPrinter::Cassette, 14},
                                                          {QPrinter::FormSource, 15}};
    for (const auto &[source, bin] : rows) {
        EXPECT_EQ(kavBinFromPaperSource(source), bin);
        EXPECT_EQ(kavPaperSourceFromBin(bin), source);
    }
    EXPECT_EQ(kavPaperSourceFromBin(999), QPrinter::Auto);
    EXPECT_EQ(kavBinFromPaperSource(QPrinter::CustomSource), kavBinAuto);
}

} // namespace
