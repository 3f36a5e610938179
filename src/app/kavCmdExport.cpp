// kavrel export IN.(kv3|kw3) -o OUT.(png|jpg|svg|csv) [--pages RANGE] [--dpi N]: write the pages
// of a report (run first when it is a template) through the export filter of OUT's extension.
#include "kavCommands.h"
#include "kavRunReport.h"

#include <output/kavExportCSV.h>
#include <output/kavExportImage.h>
#include <prepared/kavPreviewPages.h>
#include <report/kavClass.h>
#include <report/kavExportFilter.h>
#include <rtl/kavExceptions.h>
#include <rtl/kavStrings.h>
#include <script/ky_script.h>

#include <QFileInfo>

#include <cstdio>
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
        bool ok = true;
        if (kavTakeRunOption(args, i, a.options, ok)) {
            if (!ok)
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
            "usage: kavrel export IN.(kv3|kw3) -o OUT.(png|jpg|svg|csv) [--pages RANGE] [--dpi N]\n",
            stderr);
        return 2;
    }
    kavRegisterImageExportFilters();
    kavRegisterDataExportFilters();
    const QString ext = QFileInfo(a->out).suffix().toLower();
    TkavCustomExportFilter *filter = kavFindExportFilter(ext == u"jpeg" ? u"jpg"_s : ext);
    if (!filter) {
        std::fprintf(stderr, "kavrel: export to .%s is not available yet\n", qPrintable(ext));
        return 1;
    }
    TkavReport report;
    if (!kavLoadReportPages(report, a->in, a->options))
        return 1;
    if (report.PreviewPages()->Count() == 0) {
        std::fprintf(stderr, "kavrel: %s: the report has no pages\n", qPrintable(a->in));
        return 1;
    }
    filter->SetShowDialog(false);
    filter->SetShowProgress(false);
    filter->SetFileName(a->out);
    filter->SetPageNumbers(a->pages);
    if (auto *image = dynamic_cast<TkavCustomImageExport *>(filter))
        image->SetResolution(a->dpi);
    auto *pages = dynamic_cast<TkavPreviewPages *>(report.PreviewPages());
    const bool ok = pages && pages->Export(*filter);
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
    return 0;
}
