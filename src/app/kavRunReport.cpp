#include "kavRunReport.h"

#include <engine/kavEngine.h>
#include <prepared/kavPreviewPages.h>
#include <report/kavClass.h>
#include <rtl/kavExceptions.h>
#include <script/ky_script.h>

#include <QFileInfo>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

void printError(const QString &file, const QString &message)
{
    std::fprintf(stderr, "kavrel: %s: %s\n", qPrintable(file), qPrintable(message));
}

// The load's line for a refused password says how to give one when none was given.
void explainPassword(TkavReport &report, const std::optional<QString> &password)
{
    const int refused = report.Errors().IndexOf(u"Invalid password"_s);
    if (refused < 0 || password)
        return;
    report.Errors().Delete(refused);
    report.Errors().Add(u"the report is protected by a password: give it with --password"_s);
}

} // namespace

bool kavTakeRunOption(const QStringList &args, int &i, TkavRunOptions &options, bool &ok)
{
    const QString &arg = args[i];
    if (arg == u"--no-dialogs") {
        options.NoDialogs = ok = true;
        return true;
    }
    if (arg != u"--data" && arg != u"--set" && arg != u"--password")
        return false;
    ok = ++i < args.size();
    if (!ok)
        return true;
    const QString &value = args[i];
    if (arg == u"--password") {
        options.Password = value;
        return true;
    }
    ok = value.indexOf(u'=') > 0; // NAME=VALUE
    if (ok)
        (arg == u"--data" ? options.Data : options.Sets) << value;
    return true;
}

bool kavHasPages(TkavReport &report, const QString &in)
{
    if (report.PreviewPages()->Count() > 0)
        return true;
    printError(in, u"the report has no pages"_s);
    return false;
}

void kavPrintReportErrors(TkavReport &report, const QString &file)
{
    for (int i = 0; i < report.Errors().Count(); ++i)
        printError(file, report.Errors().Strings(i));
    report.Errors().Clear();
}

bool kavCheckPageErrors(TkavReport &report, const QString &in)
{
    const auto *pages = dynamic_cast<const TkavPreviewPages *>(report.PreviewPages());
    if (!pages || pages->BuildErrors().isEmpty())
        return true;
    for (const QString &line : pages->BuildErrors()) {
        printError(in, line);
        if (const int index = report.Errors().IndexOf(line); index >= 0)
            report.Errors().Delete(index);
    }
    return false;
}

bool kavLoadTemplate(TkavReport &report,
                     const QString &in,
                     const std::optional<QString> &password,
                     bool &clean)
{
    clean = false;
    // A protected report opens with the password given; without one the headless password
    // query refuses it.
    report.ReportOptions().SetHiddenPassword(password.value_or(QString()));
    report.EngineOptions().SetNewSilentMode(simSilent); // errors are printed here
    try {
        report.LoadFromFile(in, true);
    } catch (const Exception &e) {
        printError(in, e.Message());
        return false;
    }
    explainPassword(report, password);
    clean = report.Errors().Count() == 0;
    kavPrintReportErrors(report, in);
    return report.LastLoadOk();
}

bool kavLoadReportPages(TkavReport &report,
                        const QString &in,
                        const TkavRunOptions &options,
                        bool *clean,
                        const std::function<void()> &beforeRun)
{
    if (clean)
        *clean = false;
    const bool prepared = QFileInfo(in).suffix().compare(u"kw3"_s, Qt::CaseInsensitive) == 0;
    if (prepared) {
        report.EngineOptions().SetNewSilentMode(simSilent);
        try {
            report.PreviewPages()->LoadFromFile(in, true);
        } catch (const Exception &e) {
            printError(in, e.Message());
            return false;
        }
        if (clean)
            *clean = report.Errors().Count() == 0;
        kavPrintReportErrors(report, in);
        return true;
    }
    bool loadClean = false;
    if (!kavLoadTemplate(report, in, options.Password, loadClean))
        return false;
    try {
        if (!kavApplyRunOptions(report, options, in))
            return false;
    } catch (const Exception &e) { // a value the report refuses
        printError(in, e.Message());
        return false;
    }
    report.EngineOptions().SetNewSilentMode(simSilent);
    // A report's script must not hang a headless run.
    report.Script().SetStatementLimit(500'000'000);
    if (beforeRun)
        beforeRun();
    const bool ok = report.PrepareReport(true);
    kavPrintReportErrors(report, in);
    if (clean)
        *clean = loadClean && ok && !report.Terminated();
    if (report.Terminated())
        printError(in, u"the run was stopped; the pages are incomplete"_s);
    if (const QString &dialog = static_cast<TkavEngine *>(report.Engine())->CancelledDialog(); !dialog.isEmpty())
        printError(in, u"the dialog page %1 answered Cancel: the report did not run"_s.arg(dialog));
    // A run with error lines may still have made its pages (a band clipped, a page limit
    // reached, an object lost when the template was read): the caller writes them, and its
    // exit code tells.
    return ok || report.PreviewPages()->Count() > 0;
}
