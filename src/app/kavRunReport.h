#pragma once

// What the prepare, export and print commands share: the data, variable and password
// options, and loading a report's pages (running a template first) with its errors printed.

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class TkavReport;

// --data ALIAS=FILE and --set NAME=VALUE, in the order given, --password TEXT and
// --no-dialogs (the run shows no dialog page and runs none of their handlers).
struct TkavRunOptions
{
    QStringList Data;
    QStringList Sets;
    std::optional<QString> Password;
    bool NoDialogs = false;
};

// Takes args[i] (and its value) when it is --data, --set, --password or --no-dialogs; false
// for anything else. A missing or malformed value makes ok false.
bool kavTakeRunOption(const QStringList &args, int &i, TkavRunOptions &options, bool &ok);

// Points the report's data sets and databases at the files of --data (a file data set of
// the file's kind replaces one of another kind, or is made when the report has none of that
// name) and gives the values of --set to the dialog controls so named, else to variables.
// False (errors printed) when a name is unknown or a control refuses the value.
bool kavApplyRunOptions(TkavReport &report, const TkavRunOptions &options, const QString &in);

// Whether the report has prepared pages; says so on standard error when not.
bool kavHasPages(TkavReport &report, const QString &in);

// Prints the report's error lines as "kavrel: FILE: line" and empties them.
void kavPrintReportErrors(TkavReport &report, const QString &file);

// Prints what could not be built of the prepared pages read so far (objects of unknown
// classes in a kw3) as errors of in, and takes those lines out of the report's errors;
// false when there were any.
bool kavCheckPageErrors(TkavReport &report, const QString &in);

// Loads a template with every load error printed. A report protected by a password opens
// only with that password (without one it is refused, never asked for). False when nothing
// usable was read; clean tells whether the load had no error at all.
bool kavLoadTemplate(TkavReport &report,
                     const QString &in,
                     const std::optional<QString> &password,
                     bool &clean);

// Loads prepared pages (a .kw3) or loads and runs a template; false (errors printed) when
// nothing could be loaded or the run made no page. Clean tells whether the load and the run
// ended without errors. BeforeRun is called when a template is ready to run.
bool kavLoadReportPages(TkavReport &report,
                        const QString &in,
                        const TkavRunOptions &options,
                        bool *clean = nullptr,
                        const std::function<void()> &beforeRun = {});
