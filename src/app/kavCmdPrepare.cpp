// kavrel prepare IN.kv3 -o OUT.kw3 [--dump] [--data ALIAS=FILE] [--set NAME=VALUE]
// [--password TEXT]: run a report and save its prepared pages.
#include "kavCommands.h"
#include "kavRunReport.h"

#include <prepared/kavPreviewPages.h>
#include <report/kavClass.h>
#include <rtl/kavExceptions.h>

#include <cstdio>

using namespace Qt::StringLiterals;

int kavCmdPrepare(const QStringList &args)
{
    QString in;
    QString out;
    bool dump = false;
    bool ok = true;
    TkavRunOptions options;
    for (int i = 0; i < args.size() && ok; ++i) {
        if (kavTakeRunOption(args, i, options, ok))
            continue;
        if (args[i] == u"-o" && i + 1 < args.size())
            out = args[++i];
        else if (args[i] == u"--dump")
            dump = true;
        else if (in.isEmpty() && !args[i].startsWith(u'-'))
            in = args[i];
        else
            ok = false;
    }
    if (!ok || in.isEmpty() || out.isEmpty()) {
        std::fputs("usage: kavrel prepare IN.kv3 -o OUT.kw3 [--dump] [--data ALIAS=FILE]... "
                   "[--set NAME=VALUE]... [--password TEXT]\n",
                   stderr);
        return 2;
    }
    TkavReport report;
    bool clean = false;
    if (!kavLoadReportPages(report, in, options, &clean))
        return 1;
    try {
        report.PreviewPages()->SaveToFile(out);
    } catch (const Exception &e) {
        std::fprintf(stderr, "kavrel: %s: %s\n", qPrintable(out), qPrintable(e.Message()));
        return 1;
    }
    if (dump)
        std::fputs(kavDumpPreparedPages(*report.PreviewPages()).toUtf8().constData(), stdout);
    const bool built = kavCheckPageErrors(report, in);
    return clean && built ? 0 : 1;
}
