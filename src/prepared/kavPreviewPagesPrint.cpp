// Printing of the prepared pages: the print job with its four modes (one page per sheet,
// scaled onto a sheet, split over sheets, joined on a sheet), copies, duplex, paper sources.

#include "kavPreviewPages.h"
#include "kavPrinters.h"

#include <persist/kavRes.h>
#include <persist/kavUtils.h>
#include <report/kavExportFilter.h>
#include <report/kavPages.h>
#include <report/kavReport.h>
#include <rtl/kavMath.h>
#include <rtl/kavUIServices.h>

#include <QFileInfo>
#include <QPainter>
#include <QScopeGuard>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

constexpr double mmPerInch = 25.4;
constexpr double pixelsPerInch = 96;
constexpr double pixelsPerMm = 3.77953;

int roundedInt(double x)
{
    return int(kavRound(x));
}

// One Print call: the page list, the sheet and the state carried from page to page.
class PrintJob
{
public:
    PrintJob(TkavPreviewPages &Pages,
             TkavReport &Report,
             TkavCustomPrinter &Printer,
             QList<int> List,
             double SheetW,
             double SheetH)
        : pages(Pages)
        , report(Report)
        , opts(Report.PrintOptions())
        , printer(Printer)
        , list(std::move(List))
        , sheetW(SheetW)
        , sheetH(SheetH)
        , splice(opts.SplicingLine())
        , copies(std::max(1, opts.Copies()))
        , collate(opts.Collate() || !Printer.CanMakeCopies())
        , pump(!Report.EngineOptions().EnableThreadSafe())
    {
    }

    // False when the job was stopped or the document could not be completed (Error).
    bool run()
    {
        report.SetTerminated(false);
        const bool progress = pump && report.ShowProgress();
        if (progress)
            kavUIServices().ProgressBegin(kavGet(200), total());
        QString title = report.ReportOptions().Name();
        if (title.isEmpty())
            title = QFileInfo(report.FileName()).fileName();
        printer.SetTitle(title);
        // An exception leaves no half-sent document behind.
        auto cleanUp = qScopeGuard([&] {
            if (started)
                printer.Abort();
            if (progress)
                kavUIServices().ProgressEnd();
        });
        if (collate) {
            for (copyNo = 1; copyNo <= copies && !stopped && !failed; ++copyNo) {
                runMode();
                if (side == 1 && started && !stopped && !failed) {
                    // The next copy starts on the front of a new sheet.
                    side = 0;
                    printer.BeginPage();
                    printer.EndPage();
                }
            }
        } else {
            runMode();
        }
        cleanUp.dismiss();
        bool ok = !stopped && !failed;
        if (started && !printer.EndDoc()) {
            ok = false;
            error = printer.ErrorText().isEmpty() ? u"The document could not be completed"_s
                                                  : printer.ErrorText();
        }
        if (progress)
            kavUIServices().ProgressEnd();
        return ok;
    }

    const QString &Error() const { return error; }
    bool Stopped() const { return stopped; }

private:
    struct Previous
    {
        int paper = 0;
        int width = 0;
        int height = 0;
        int bin = 0;
        TPrinterOrientation orientation = poPortrait;
        int duplex = dmNone;
    };

    int total() const { return list.isEmpty() ? pages.Count() : int(list.size()); }
    int slotIndex(int slot) const { return list.isEmpty() ? slot : list[slot] - 1; }
    bool valid(int index) const { return index >= 0 && index < pages.Count(); }

    bool selected(int index) const
    {
        if (!valid(index))
            return false;
        switch (opts.PrintPages()) {
        case ppOdd:
            return (index + 1) % 2 == 1;
        case ppEven:
            return (index + 1) % 2 == 0;
        default:
            return true;
        }
    }

    void runMode()
    {
        if (opts.PrintMode() == pmJoin) {
            runJoin();
            return;
        }
        const int n = total();
        for (int k = 0; k < n && !stopped && !failed; ++k) {
            const int slot = opts.Reverse() ? n - 1 - k : k;
            if (opts.PrintMode() == pmSplit)
                printSplit(slotIndex(slot));
            else
                printDefault(slotIndex(slot));
        }
    }

    // The user's cancel becomes Terminated; a terminated job drops its document.
    bool checkTerminated()
    {
        if (pump && kavUIServices().ProgressCancelled())
            report.SetTerminated(true);
        if (!report.Terminated())
            return false;
        printer.Abort();
        started = false;
        stopped = true;
        return true;
    }

    // The page with the copy number the printer and the page's memos see.
    std::shared_ptr<TkavReportPage> takePage(int index, int &printerCopies)
    {
        std::shared_ptr<TkavReportPage> page = pages.GetPage(index);
        if (!page)
            return page;
        printerCopies = collate ? 1 : copies;
        const int no = collate ? copyNo : 1;
        pages.SetCopyNo(no);
        if (report.OnPrintPage())
            report.OnPrintPage()(page.get(), no);
        return page;
    }

    int duplexOf(const TkavReportPage &page) const
    {
        return opts.Duplex() != dmNone ? opts.Duplex() : page.Duplex();
    }

    bool ensureStarted()
    {
        if (started)
            return true;
        if (!printer.BeginDoc()) {
            failed = true;
            error = printer.ErrorText().isEmpty() ? u"The document could not be started"_s
                                                  : printer.ErrorText();
            return false;
        }
        started = true;
        return true;
    }

    QPainter *canvas()
    {
        QPainter *painter = printer.Canvas();
        if (!painter) {
            failed = true;
            error = u"Printer %1 has no drawing surface"_s.arg(printer.Name());
        }
        return painter;
    }

    void afterPage(int index)
    {
        if (pump) {
            kavUIServices().ProgressSetText(
                kavResourceTable().Get(u"prPrinting"_s).replace(u"%d"_s, QString::number(index + 1)));
            kavUIServices().ProgressStep();
            kavUIServices().ProcessMessages();
        }
        ++printed;
    }

    // One page on one sheet, as it is or stretched onto the chosen sheet.
    void printDefault(int index)
    {
        if (!selected(index) || checkTerminated())
            return;
        int printerCopies = 1;
        const std::shared_ptr<TkavReportPage> page = takePage(index, printerCopies);
        if (!page)
            return;
        // A source's first page comes from Bin, every later one from BinOtherPages.
        const int bin = binsSeen.contains(page->Bin()) ? page->BinOtherPages() : page->Bin();
        binsSeen.insert(page->Bin());
        const int duplex = duplexOf(*page);
        if (duplex != prev.duplex)
            side = 0;
        if (duplex == dmVertical || duplex == dmHorizontal)
            side ^= 1;
        const TPrinterOrientation orientation = page->Orientation();
        const int width = roundedInt(page->PaperWidth());
        const int height = roundedInt(page->PaperHeight());
        const bool scale = opts.PrintMode() == pmScale;
        bool changed = !havePrev || bin != prev.bin || orientation != prev.orientation
                       || duplex != prev.duplex;
        if (!scale)
            changed = changed || page->PaperSize() != prev.paper || width != prev.width
                      || height != prev.height;
        if (changed && scale) {
            printer.SetPrintParams(
                opts.PrintOnSheet(), sheetW, sheetH, orientation, bin, duplex, printerCopies);
            sheetW = printer.PaperWidth();
            sheetH = printer.PaperHeight();
        } else if (changed) {
            printer.SetPrintParams(page->PaperSize(),
                                   page->PaperWidth(),
                                   page->PaperHeight(),
                                   orientation,
                                   bin,
                                   duplex,
                                   printerCopies);
        }
        if (!ensureStarted())
            return;
        printer.BeginPage();
        double kx = 1;
        double ky = 1;
        if (scale) {
            // Each axis on its own: the page fills the sheet.
            kx = sheetW / page->PaperWidth();
            ky = sheetH / page->PaperHeight();
            pages.SetPrintScale(std::min(kx, ky));
        }
        const QPoint dpi = printer.DPI();
        if (QPainter *painter = canvas())
            pages.DrawPage(index,
                           painter,
                           kx * dpi.x() / pixelsPerInch,
                           ky * dpi.y() / pixelsPerInch,
                           -printer.LeftMargin() * dpi.x() / mmPerInch,
                           -printer.TopMargin() * dpi.y() / mmPerInch);
        printer.EndPage();
        afterPage(index);
        prev = {page->PaperSize(), width, height, bin, orientation, duplex};
        havePrev = true;
        pages.ClearPageCache();
    }

    // One large page as a grid of sheets that overlap by the splicing line.
    void printSplit(int index)
    {
        if (!selected(index) || checkTerminated())
            return;
        int printerCopies = 1;
        const std::shared_ptr<TkavReportPage> page = takePage(index, printerCopies);
        if (!page)
            return;
        const int bin = index == 0 ? page->Bin() : page->BinOtherPages();
        const double pageW = page->PaperWidth();
        const double pageH = page->PaperHeight();
        const TkavSheetGrid first = kavCoverGrid(pageW, pageH, sheetW, sheetH);
        // What a sheet loses to the printer's margins and the glue strip.
        double allowX = first.Across > 1
                            ? splice + printer.TopMargin() + printer.BottomMargin()
                            : 0;
        double allowY = first.Down > 1 ? splice + printer.LeftMargin() + printer.RightMargin()
                                       : 0;
        if (first.Rotated)
            std::swap(allowX, allowY);
        const TkavSheetGrid grid = kavCoverGrid(pageW, pageH, sheetW - allowX, sheetH - allowY);
        const bool r = grid.Rotated;
        const TPrinterOrientation orientation = r ? poLandscape : poPortrait;
        const int duplex = duplexOf(*page);
        if (!havePrev || orientation != prev.orientation)
            printer.SetPrintParams(
                opts.PrintOnSheet(), sheetW, sheetH, orientation, bin, duplex, printerCopies);
        if (!ensureStarted())
            return;
        const QPoint dpi = printer.DPI();
        const double w = dpi.x() / mmPerInch * (r ? sheetH : sheetW);
        const double h = dpi.y() / mmPerInch * (r ? sheetW : sheetH);
        const double l = dpi.x() * printer.LeftMargin() / mmPerInch;
        const double rt = dpi.x() * printer.RightMargin() / mmPerInch;
        const double t = dpi.y() * printer.TopMargin() / mmPerInch;
        const double b = dpi.y() * printer.BottomMargin() / mmPerInch;
        const double sx = dpi.x() * splice / mmPerInch;
        const double sy = dpi.y() * splice / mmPerInch;
        const int clipRight = roundedInt(pageW * pixelsPerMm * dpi.x() / pixelsPerInch - rt) - 1;
        const int clipBottom = roundedInt(pageH * pixelsPerMm * dpi.y() / pixelsPerInch - b) - 1;
        for (int row = 0; row < grid.Down && !failed; ++row) {
            for (int col = 0; col < grid.Across && !failed; ++col) {
                QPainter *painter = canvas();
                if (!painter)
                    return;
                const double offsetX = col == 0 ? -l : -col * (w - l - rt - sx);
                const double offsetY = row == 0 ? -t : -row * (h - t - b - sy);
                // Later tiles hide the strip the previous tile already printed.
                const QRect clip(QPoint(roundedInt(l + (col > 0 ? sx : 0)),
                                        roundedInt(t + (row > 0 ? sy : 0))),
                                 QPoint(clipRight, clipBottom));
                painter->save();
                painter->setClipRect(clip);
                printer.BeginPage();
                pages.DrawPage(index,
                               painter,
                               dpi.x() / pixelsPerInch,
                               dpi.y() / pixelsPerInch,
                               offsetX,
                               offsetY);
                printer.EndPage();
                painter->restore();
            }
        }
        afterPage(index);
        prev.orientation = orientation;
        havePrev = true;
        pages.ClearPageCache();
    }

    // Several small pages per sheet, in a grid sized from the first page.
    void runJoin()
    {
        std::vector<int> indexes;
        for (int slot = 0; slot < total(); ++slot) {
            if (valid(slotIndex(slot)))
                indexes.push_back(slotIndex(slot));
        }
        if (indexes.empty())
            return;
        const std::shared_ptr<TkavReportPage> first = pages.GetPage(indexes.front());
        if (!first)
            return;
        const double pageW = first->PaperWidth();
        const double pageH = first->PaperHeight();
        const TkavSheetGrid grid = kavJoinGrid(sheetW, sheetH, pageW, pageH);
        if (!started)
            printer.SetPrintParams(opts.PrintOnSheet(),
                                   sheetW,
                                   sheetH,
                                   grid.Rotated ? poLandscape : poPortrait,
                                   first->Bin(),
                                   duplexOf(*first),
                                   1);
        if (!ensureStarted())
            return;
        const QPoint dpi = printer.DPI();
        const double cellW = dpi.x() / mmPerInch * pageW;
        const double cellH = dpi.y() / mmPerInch * pageH;
        const double l = dpi.x() * printer.LeftMargin() / mmPerInch;
        const double t = dpi.y() * printer.TopMargin() / mmPerInch;
        // A collated pass places every page once; otherwise every page Copies times in a row.
        const int repeat = collate ? 1 : copies;
        size_t next = 0;
        int copy = 0;
        while (next < indexes.size() && !failed) {
            QPainter *painter = canvas();
            if (!painter)
                return;
            printer.BeginPage();
            double y = -t;
            for (int row = 0; row < grid.Down && next < indexes.size(); ++row) {
                double x = -l;
                for (int col = 0; col < grid.Across && next < indexes.size(); ++col) {
                    ++copy;
                    pages.SetCopyNo(collate ? copyNo : copy);
                    pages.DrawPage(indexes[next],
                                   painter,
                                   dpi.x() / pixelsPerInch,
                                   dpi.y() / pixelsPerInch,
                                   x,
                                   y);
                    if (copy >= repeat) {
                        copy = 0;
                        ++next;
                    }
                    pages.ClearPageCache();
                    x += cellW;
                }
                y += cellH;
            }
            printer.EndPage();
            afterPage(int(next));
            if (checkTerminated())
                return;
        }
    }

    TkavPreviewPages &pages;
    TkavReport &report;
    TkavPrintOptions &opts;
    TkavCustomPrinter &printer;
    const QList<int> list;
    double sheetW;
    double sheetH;
    const double splice;
    const int copies;
    const bool collate;
    const bool pump;
    int copyNo = 1;
    bool started = false;
    bool stopped = false;
    bool failed = false;
    int side = 0;
    int printed = 0;
    bool havePrev = false;
    Previous prev;
    QSet<int> binsSeen;
    QString error;
};

// A dot-matrix report reaches its printer as text and printer commands: the installed
// dot-matrix filter exports it with the print options' dialog choice and pages. Nothing
// when no such filter is installed. The print options are restored afterwards.
std::optional<bool> printDotMatrix(TkavPreviewPages &pages, TkavPrintOptions &opts)
{
    std::unique_ptr<TkavCustomExportFilter> filter = kavCreateDMPFilter();
    if (!filter)
        return std::nullopt;
    TkavPrintOptions saved;
    saved.Assign(opts);
    const auto restore = qScopeGuard([&] { opts.Assign(saved); });
    filter->SetShowDialog(opts.ShowDialog());
    filter->SetPageNumbers(opts.PageNumbers());
    return pages.Export(*filter);
}

} // namespace

bool TkavPreviewPages::Print()
{
    TkavReport *report = Report();
    if (!report)
        return false;
    TkavPrintOptions &opts = report->PrintOptions();
    TkavPrinters &printers = kavPrinters();
    const auto noPrinters = [] {
        kavErrorBox(kavResourceTable().Get(u"clNoPrinters"_s));
        return false;
    };
    const auto fail = [report](const QString &message) {
        report->Errors().Add(message);
        report->ReportErrors();
        return false;
    };
    // Without printers a print-to-file still works through a file printer.
    if (!printers.HasPhysicalPrinters()
        && (opts.PrnOutFileName().isEmpty() || !printers.FilePrinter()))
        return noPrinters();
    SetPrintScale(1);
    if (report->DotMatrixReport()) {
        report->SelectPrinter();
        if (const std::optional<bool> printed = printDotMatrix(*this, opts))
            return *printed;
    }
    TkavPrintOptions saved;
    saved.Assign(opts);
    TkavDuplexMode duplex = opts.Duplex();
    report->SelectPrinter();
    if (opts.ShowDialog()) {
        if (!kavShowPrintDialog(*report, duplex)) {
            SetCopyNo(0);
            return false;
        }
        opts.SetDuplex(duplex);
    }
    TkavCustomPrinter *printer = printers.JobPrinter(!opts.PrnOutFileName().isEmpty());
    if (!printer)
        return noPrinters();
    const auto finally = qScopeGuard([&] {
        if (report->OnAfterPrintReport())
            report->OnAfterPrintReport()(report);
        SetCopyNo(0);
        opts.Assign(saved);
    });
    printer->SetFileName(opts.PrnOutFileName());
    if (!printer->Initialized())
        printer->Init();
    double sheetW = 0;
    double sheetH = 0;
    if (opts.PrintMode() != pmDefault) {
        // No sheet chosen means the printer's current paper.
        const int sheet = opts.PrintOnSheet() > 0 ? opts.PrintOnSheet() : int(kavPaperCustom);
        opts.SetPrintOnSheet(sheet);
        if (sheet == kavPaperCustom)
            printer->SetViewParams(sheet, printer->PaperWidth(), printer->PaperHeight(), poPortrait);
        else
            printer->SetViewParams(sheet, 0, 0, poPortrait);
        sheetW = printer->PaperWidth();
        sheetH = printer->PaperHeight();
    }
    if (report->OnPrintReport())
        report->OnPrintReport()(report);
    report->DoNotifyEvent(report, report->OnReportPrint(), true);
    const TkavPreviewLockGuard previewLock(report);
    const QPoint dpi = printer->DPI();
    if (!printer->Initialized() || dpi.x() <= 0 || dpi.y() <= 0) {
        kavErrorBox(u"Printer selected is not valid"_s);
        return false;
    }
    if (opts.PrintMode() != pmDefault && (sheetW <= 0 || sheetH <= 0))
        return fail(u"The sheet to print on has no size"_s);
    QList<int> list;
    try {
        kavParsePageNumbers(opts.PageNumbers(), list, Count());
    } catch (const EkavError &e) {
        return fail(e.Message());
    }
    if (list.isEmpty() && !opts.PageNumbers().trimmed().isEmpty())
        return fail(u"No page of the report is in the range \"%1\""_s.arg(opts.PageNumbers()));
    ClearPageCache();
    PrintJob job(*this, *report, *printer, std::move(list), sheetW, sheetH);
    if (job.run())
        return true;
    if (!job.Error().isEmpty())
        return fail(job.Error());
    return false;
}
