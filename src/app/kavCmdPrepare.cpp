// kavrel prepare IN.kv3 -o OUT.kw3 [--dump]: run a report and save its prepared pages.
#include "kavCommands.h"

#include <prepared/kavPreviewPages.h>
#include <report/kavClass.h>
#include <script/ky_script.h>
#include <rtl/kavExceptions.h>
#include <rtl/kavStrings.h>

#include <cstdio>

using namespace Qt::StringLiterals;

int kavCmdPrepare(const QStringList &args)
{
    QString in;
    QString out;
    bool dump = false;
    bool bad = false;
    for (int i = 0; i < args.size() && !bad; ++i) {
        if (args[i] == u"-o" && i + 1 < args.size())
            out = args[++i];
        else if (args[i] == u"--dump")
            dump = true;
        else if (in.isEmpty() && !args[i].startsWith(u'-'))
            in = args[i];
        else
            bad = true;
    }
    if (bad || in.isEmpty() || out.isEmpty()) {
        std::fputs("usage: kavrel prepare IN.kv3 -o OUT.kw3 [--dump]\n", stderr);
        return 2;
    }
    TkavReport report;
    report.SetReloading(true); // no password prompt
    report.EngineOptions().SetNewSilentMode(simSilent); // errors are printed below
    const auto printErrors = [&report](const QString &file) {
        for (int i = 0; i < report.Errors().Count(); ++i)
            std::fprintf(stderr, "kavrel: %s: %s\n", qPrintable(file), qPrintable(report.Errors().Strings(i)));
    };
    try {
        report.LoadFromFile(in, true);
    } catch (const Exception &e) {
        std::fprintf(stderr, "kavrel: %s: %s\n", qPrintable(in), qPrintable(e.Message()));
        return 1;
    }
    if (!report.LastLoadOk()) {
        printErrors(in);
        return 1;
    }
    report.EngineOptions().SetNewSilentMode(simSilent);
    // A report's script must not hang a headless run.
    report.Script().SetStatementLimit(500'000'000);
    const bool prepared = report.PrepareReport(true);
    printErrors(in);
    // A run with error lines may still have made its pages (a band clipped, a page limit
    // reached): they are written, and the exit code tells the caller.
    if (!prepared && report.PreviewPages()->Count() == 0)
        return 1;
    try {
        report.PreviewPages()->SaveToFile(out);
    } catch (const Exception &e) {
        std::fprintf(stderr, "kavrel: %s: %s\n", qPrintable(out), qPrintable(e.Message()));
        return 1;
    }
    if (dump)
        std::fputs(kavDumpPreparedPages(*report.PreviewPages()).toUtf8().constData(), stdout);
    if (report.Terminated()) {
        std::fprintf(stderr, "kavrel: %s: the run was stopped; the pages are incomplete\n", qPrintable(in));
        return 1;
    }
    return prepared ? 0 : 1;
}
