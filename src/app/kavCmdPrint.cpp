// kavrel print IN.(kv3|kw3) [--printer NAME] [--pages RANGE] [--copies N] [--collate]
// [--reverse] [--mode default|split|join|scale] [--sheet PAPERNUMBER] [-o FILE.pdf]: print a
// report (run first when it is a template) on a printer, or into a PDF file.
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
      "[-o FILE.pdf] [--data ALIAS=FILE]... [--set NAME=VALUE]...\n";

struct PrintArgs
{
    QString in;
    QString out;
    QString printer;
    QString pages;
    int copies = 1;
    bool collate = false;
    bool reverse = false;
    TkavPrintMode mode = pmDefault;
    int sheet = 0;
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

bool positive(const QString &text, int max, int &value)
{
    bool ok = false;
    value = text.toInt(&ok);
    return ok && value >= 1 && value <= max;
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
            const std::optional<TkavPrintMode> mode = modeOf(args[++i]);
            if (!mode)
                return std::nullopt;
            a.mode = *mode;
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
    opts.SetPageNumbers(a.pages);
    opts.SetCopies(a.copies);
    opts.SetCollate(a.collate);
    opts.SetReverse(a.reverse);
    opts.SetPrintMode(a.mode);
    opts.SetPrintOnSheet(a.sheet > 0 ? a.sheet : int(kavPaperA4));
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
    if (!kavLoadReportPages(report, a->in, a->options) || !kavHasPages(report, a->in))
        return 1;
    applyOptions(report.PrintOptions(), *a);
    report.SetShowProgress(false);
    bool ok = false;
    try {
        ok = report.Print(); // "no printers" goes to standard error as a message box
    } catch (const Exception &e) {
        std::fprintf(stderr, "kavrel: %s\n", qPrintable(e.Message()));
    }
    kavPrintReportErrors(report, a->out.isEmpty() ? a->in : a->out);
    return ok ? 0 : 1;
}
