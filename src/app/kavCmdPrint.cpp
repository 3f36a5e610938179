// kavrel print IN.(kv3|kw3) [--printer NAME] [--pages RANGE] [--copies N] [--collate]
// [--reverse] [--mode default|split|join|scale] [--sheet PAPERNUMBER] [-o FILE.pdf]: print a
// report (run first when it is a template) on a printer, or into a PDF file. The template's
// print options stand where no option is given.
#include "kavCommands.h"
#include "kavRunReport.h"

#include <output/kavPrinterQt.h>
#include <prepared/kavPreviewPages.h>
#include <prepared/kavPrinters.h>
#include <report/kavClass.h>
#include <rtl/kavExceptions.h>
#include <script/ky_script.h>

#include <QFileInfo>

#include <cstdio>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

constexpr char usage[]
    = "usage: kavrel print IN.(kv3|kw3) [--printer NAME] [--pages RANGE] [--copies N] "
      "[--collate] [--reverse] [--mode default|split|join|scale] [--sheet PAPERNUMBER] "
      "[-o FILE.pdf] [--data ALIAS=FILE]... [--set NAME=VALUE]... [--password TEXT]\n";

// Options not given are empty.
struct PrintArgs
{
    QString in;
    QString out;
    QString printer;
    std::optional<QString> pages;
    std::optional<int> copies;
    bool collate = false;
    bool reverse = false;
    std::optional<TkavPrintMode> mode;
    std::optional<int> sheet;
    TkavRunOptions options;
};

std::optional<TkavPrintMode> modeOf(const QString &text)
{
    const QStringList names{u"default"_s, u"split"_s, u"join"_s, u"scale"_s};
    const qsizetype index = names.indexOf(text.toLower());
    if (index < 0)
        return std::nullopt;
    return TkavPrintMode(index);
}

bool positive(const QString &text, int max, std::optional<int> &value)
{
    bool ok = false;
    value = text.toInt(&ok);
    return ok && *value >= 1 && *value <= max;
}

// Null on a usage error.
std::optional<PrintArgs> parseArgs(const QStringList &args)
{
    PrintArgs a;
    for (int i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        const bool hasValue = i + 1 < args.size();
        bool taken = true;
        if (kavTakeRunOption(args, i, a.options, taken)) {
            if (!taken)
                return std::nullopt;
        } else if (arg == u"-o" && hasValue) {
            a.out = args[++i];
        } else if (arg == u"--printer" && hasValue) {
            a.printer = args[++i];
        } else if (arg == u"--pages" && hasValue) {
            a.pages = args[++i];
        } else if (arg == u"--copies" && hasValue) {
            if (!positive(args[++i], 9999, a.copies))
                return std::nullopt;
        } else if (arg == u"--sheet" && hasValue) {
            if (!positive(args[++i], kavPaperCustom, a.sheet))
                return std::nullopt;
        } else if (arg == u"--mode" && hasValue) {
            a.mode = modeOf(args[++i]);
            if (!a.mode)
                return std::nullopt;
        } else if (arg == u"--collate") {
            a.collate = true;
        } else if (arg == u"--reverse") {
            a.reverse = true;
        } else if (a.in.isEmpty() && !arg.startsWith(u'-')) {
            a.in = arg;
        } else {
            return std::nullopt;
        }
    }
    if (a.in.isEmpty())
        return std::nullopt;
    return a;
}

void applyOptions(TkavPrintOptions &opts, const PrintArgs &a)
{
    opts.SetShowDialog(false);
    if (!a.printer.isEmpty())
        opts.SetPrinter(a.printer);
    if (a.pages)
        opts.SetPageNumbers(*a.pages);
    if (a.copies)
        opts.SetCopies(*a.copies);
    if (a.collate)
        opts.SetCollate(true);
    if (a.reverse)
        opts.SetReverse(true);
    if (a.mode)
        opts.SetPrintMode(*a.mode);
    // A sheet mode needs a sheet: A4 unless the option or the template names one.
    if (a.sheet || opts.PrintOnSheet() <= 0)
        opts.SetPrintOnSheet(a.sheet.value_or(int(kavPaperA4)));
    opts.SetPrnOutFileName(a.out.isEmpty() ? QString() : QFileInfo(a.out).absoluteFilePath());
}

} // namespace

int kavCmdPrint(const QStringList &args)
{
    const std::optional<PrintArgs> a = parseArgs(args);
    if (!a) {
        std::fputs(usage, stderr);
        return 2;
    }
    kavInstallPrintSupport();
    TkavPrinters &printers = kavPrinters();
    if (!a->printer.isEmpty() && printers.HasPhysicalPrinters()
        && printers.IndexOf(a->printer) < 0) {
        std::fprintf(stderr, "kavrel: printer \"%s\" is not installed\n", qPrintable(a->printer));
        return 1;
    }
    TkavReport report;
    bool clean = false;
    if (!kavLoadReportPages(report, a->in, a->options, &clean) || !kavHasPages(report, a->in))
        return 1;
    applyOptions(report.PrintOptions(), *a);
    report.SetShowProgress(false);
    bool ok = false;
    try {
        ok = report.Print(); // "no printers" goes to standard error as a message box
    } catch (const Exception &e) {
        std::fprintf(stderr, "kavrel: %s\n", qPrintable(e.Message()));
    }
    const bool built = kavCheckPageErrors(report, a->in);
    kavPrintReportErrors(report, a->out.isEmpty() ? a->in : a->out);
    return ok && clean && built ? 0 : 1;
}
