// kavrel resave IN.kv3 OUT.kv3: load a template and write it again in the current form.
#include "kavCommands.h"

#include <report/kavClass.h>
#include <rtl/kavExceptions.h>

#include <cstdio>

int kavCmdResave(const QStringList &args)
{
    if (args.size() != 2) {
        std::fputs("usage: kavrel resave IN.kv3 OUT.kv3\n", stderr);
        return 2;
    }
    const QString &in = args[0];
    const QString &out = args[1];
    TkavReport report;
    report.EngineOptions().SetNewSilentMode(simSilent); // errors are printed below
    report.SetReloading(true);                          // no password prompt
    try {
        report.LoadFromFile(in, true);
    } catch (const Exception &e) {
        std::fprintf(stderr, "kavrel: %s: %s\n", qPrintable(in), qPrintable(e.Message()));
        return 1;
    }
    for (int i = 0; i < report.Errors().Count(); ++i)
        std::fprintf(stderr, "kavrel: %s: %s\n", qPrintable(in), qPrintable(report.Errors().Strings(i)));
    if (!report.LastLoadOk())
        return 1; // nothing written: the output would not be the template
    try {
        report.SaveToFile(out);
    } catch (const Exception &e) {
        std::fprintf(stderr, "kavrel: %s: %s\n", qPrintable(out), qPrintable(e.Message()));
        return 1;
    }
    // Written, but what could not be read is missing from it.
    return report.Errors().Count() > 0 ? 1 : 0;
}
