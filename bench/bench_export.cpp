// Export of a long list report to PDF: a page header, a data band of eight memos and a page
// footer "Page [Page#]", prepared once (2,000 A4 pages by default), then exported:
//   bench_export [--rows N (106000)] [--out FILE]
// Prints the pages per second of the export alone, the file size and the peak memory
// after the run and after the export; for comparison, the pages per second of drawing
// every page into a 96-dpi image as the preview does; then the time of the run with the
// pages written as they are made, against the run and the export one after the other.
#include "kavBenchReports.h"
#include "kavBenchSupport.h"

#include <output/kavExportPDF.h>
#include <prepared/kavPreviewPages.h>
#include <report/kavClass.h>
#include <rtl/kavRTTI.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>

#include <memory>

using namespace Qt::StringLiterals;

int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    kavRegisterRTLClasses();
    kavRegisterReportClasses();
    int rows = 106000;
    QString target;
    const QStringList args = QCoreApplication::arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == u"--rows" && i + 1 < args.size())
            rows = args[++i].toInt();
        else if (args[i] == u"--out" && i + 1 < args.size())
            target = args[++i];
        else {
            QTextStream(stderr) << "usage: bench_export [--rows N] [--out FILE]\n";
            return 2;
        }
    }
    QTemporaryDir dir;
    if (target.isEmpty())
        target = dir.filePath(u"bench.pdf"_s);

    TkavReport report;
    report.EngineOptions().SetNewSilentMode(simSilent);
    TkavUserDataSet data;
    data.SetUserName(u"Orders"_s);
    data.SetRangeEnd(reCount);
    data.SetRangeEndCount(rows);
    data.ValueHandlers().OnGetValue = [&data](const QString &field, Variant &value) {
        value = Variant(u"%1 %2"_s.arg(field).arg(data.RecNo()));
    };
    report.DataSets().Add(&data);
    auto *page = TkavComponent::Create<TkavReportPage>(&report);
    page->CreateUniqueName();
    auto *header = kavBenchAdd<TkavPageHeader>(page, 0, 30);
    kavBenchAddMemo(header, 0, 300, u"Orders"_s);
    auto *band = kavBenchAdd<TkavMasterData>(page, 100, 20);
    band->SetDataSet(&data);
    const char16_t *fields[] = {u"No", u"Customer", u"City", u"Product", u"Date", u"Status", u"Note", u"Amount"};
    for (int i = 0; i < 8; ++i)
        kavBenchAddMemo(band, 90.0 * i, 88, u"[Orders.\""_s + QString::fromUtf16(fields[i]) + u"\"]"_s);
    auto *footer = kavBenchAdd<TkavPageFooter>(page, 300, 24);
    kavBenchAddMemo(footer, 0, 200, u"Page [Page#]"_s);

    QTextStream out(stdout);
    const Stopwatch run;
    if (!report.PrepareReport(true)) {
        out << u"run failed: "_s << report.ErrorsText() << Qt::endl;
        return 1;
    }
    const double runMs = run.ms();
    const int pages = report.PreviewPages()->Count();
    out << u"bench_export: %1 rows, %2 pages prepared in %3 ms"_s.arg(rows).arg(pages).arg(runMs, 0, 'f', 0)
        << Qt::endl;
    out << u"after the run: "_s << memoryLine() << Qt::endl;

    auto pdf = TkavCustomExportFilter::CreateNoRegister<TkavPDFExport>();
    pdf->SetFileName(target);
    auto &store = dynamic_cast<TkavPreviewPages &>(*report.PreviewPages());
    const Stopwatch exporting;
    const bool ok = store.Export(*pdf);
    const double ms = exporting.ms();
    if (!ok) {
        out << u"export failed: "_s << report.ErrorsText() << Qt::endl;
        return 1;
    }
    out << u"export: %1 ms, %2 pages/s, file %3 MB"_s.arg(ms, 0, 'f', 0)
               .arg(pages / (ms / 1000), 0, 'f', 0)
               .arg(mb(QFileInfo(target).size()), 0, 'f', 1)
        << Qt::endl;
    out << u"after the export: "_s << memoryLine() << Qt::endl;

    const Stopwatch drawing;
    for (int i = 0; i < pages; ++i) {
        const QPoint size = store.GetPageSize(i);
        QImage image(size.x(), size.y(), QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        store.DrawPage(i, &painter, 1, 1, 0, 0);
        painter.end();
        store.ClearPageCache();
    }
    out << u"preview drawing: %1 pages/s"_s.arg(pages / (drawing.ms() / 1000), 0, 'f', 0) << Qt::endl;

    // The run again, each page written while the engine makes the next.
    const QString streamedFile = dir.filePath(u"streamed.pdf"_s);
    pdf->SetFileName(streamedFile);
    const Stopwatch both;
    bool streamed = false;
    {
        TkavPageStream stream(store, *pdf);
        if (!report.PrepareReport(true) || !stream.Finish()) {
            out << u"streamed run failed: "_s << report.ErrorsText() << Qt::endl;
            return 1;
        }
        streamed = stream.Streamed();
    }
    QFile first(target), second(streamedFile);
    const bool same = first.open(QIODevice::ReadOnly) && second.open(QIODevice::ReadOnly)
                      && first.readAll() == second.readAll();
    out << u"run and export at once: %1 ms (run then export: %2 ms), %3, %4"_s.arg(both.ms(), 0, 'f', 0)
               .arg(runMs + ms, 0, 'f', 0)
               .arg(streamed ? u"streamed"_s : u"not streamed"_s)
               .arg(same ? u"same file"_s : u"FILES DIFFER"_s)
        << Qt::endl;
    return same ? 0 : 1;
}
