// kavrel export IN.(kv3|kw3) -o OUT.(pdf|png|jpg|svg|txt|csv|html) [--pages RANGE] [--dpi N]
// [--data ALIAS=FILE] [--set NAME=VALUE] [--password TEXT]: write the pages of a report (run
// first when it is a template) through the export filter of OUT's extension.
#include "kavCommands.h"
#include "kavRunReport.h"

#include <output/kavExportFilters.h>
#include <output/kavExportImage.h>
#include <prepared/kavPreviewPages.h>
#include <report/kavClass.h>
#include <report/kavExportFilter.h>
#include <rtl/kavExceptions.h>
#include <rtl/kavStrings.h>
#include <script/ky_script.h>

#include <QFileInfo>

#include <cstdio>
#include <memory>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

struct ExportArgs
{
    QString in;
    QString out;
    QString pages;
    int dpi = TkavCustomImageExport::DefaultResolution;
    TkavRunOptions options;
};

// Null on a usage error.
std::optional<ExportArgs> parseArgs(const QStringList &args)
{
    ExportArgs a;
    for (int i = 0; i < args.size(); ++i) {
        const bool hasValue = i + 1 < args.size();
        bool taken = true;
        if (kavTakeRunOption(args, i, a.options, taken)) {
            if (!taken)
                return std::nullopt;
        } else if (args[i] == u"-o" && hasValue) {
            a.out = args[++i];
        } else if (args[i] == u"--pages" && hasValue) {
            a.pages = args[++i];
        } else if (args[i] == u"--dpi" && hasValue) {
            bool ok = false;
            a.dpi = args[++i].toInt(&ok);
            if (!ok || a.dpi < TkavCustomImageExport::MinResolution
                || a.dpi > TkavCustomImageExport::MaxResolution)
                return std::nullopt;
        } else if (a.in.isEmpty() && !args[i].startsWith(u'-')) {
            a.in = args[i];
        } else {
            return std::nullopt;
        }
    }
    if (a.in.isEmpty() || a.out.isEmpty())
        return std::nullopt;
    return a;
}

} // namespace

int kavCmdExport(const QStringList &args)
{
    const std::optional<ExportArgs> a = parseArgs(args);
    if (!a) {
        std::fputs(
            "usage: kavrel export IN.(kv3|kw3) -o OUT.(pdf|png|jpg|svg|txt|csv|html) [--pages RANGE] "
            "[--dpi N] [--data ALIAS=FILE]... [--set NAME=VALUE]... [--password TEXT]\n",
            stderr);
        return 2;
    }
    kavRegisterExportFilters();
    const QString ext = QFileInfo(a->out).suffix().toLower();
    const QString kind = ext == u"jpeg" ? u"jpg"_s : ext == u"htm" ? u"html"_s : ext;
    TkavCustomExportFilter *filter = kavFindExportFilter(kind);
    if (!filter) {
        std::fprintf(stderr, "kavrel: cannot export to .%s\n", qPrintable(ext));
        return 1;
    }
    TkavReport report;
    auto *pages = dynamic_cast<TkavPreviewPages *>(report.PreviewPages());
    const auto setUpFilter = [&] {
        filter->SetShowDialog(false);
        filter->SetShowProgress(false);
        filter->SetFileName(a->out);
        filter->SetPageNumbers(a->pages);
        // Documents are titled by the report's name, or by its file when it has none.
        const QString name = report.ReportOptions().Name();
        filter->SetTitle(name.isEmpty() ? QFileInfo(a->in).completeBaseName() : name);
        if (auto *image = dynamic_cast<TkavCustomImageExport *>(filter))
            image->SetResolution(a->dpi);
    };
    // A template's pages are written while the engine makes the next ones.
    std::unique_ptr<TkavPageStream> stream;
    const auto beforeRun = [&] {
        setUpFilter();
        if (pages)
            stream = std::make_unique<TkavPageStream>(*pages, *filter);
    };
    bool clean = false;
    if (!kavLoadReportPages(report, a->in, a->options, &clean, beforeRun) || !kavHasPages(report, a->in))
        return 1;
    if (!stream)
        setUpFilter();
    const bool ok = pages && (stream ? stream->Finish() : pages->Export(*filter));
    const bool built = kavCheckPageErrors(report, a->in);
    kavPrintReportErrors(report, a->out);
    if (!ok)
        return 1;
    if (filter->Files().isEmpty()) {
        std::fprintf(stderr,
                     "kavrel: no page of %s is in the range \"%s\"\n",
                     qPrintable(a->in),
                     qPrintable(a->pages));
        return 1;
    }
    // The pages are written; errors of the run or of reading the input still fail.
    return clean && built ? 0 : 1;
}
