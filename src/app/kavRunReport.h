#pragma once

// What the prepare, export and print commands share: the data and variable options, and
// loading a report's pages (running a template first) with its errors printed.

#include <QString>
#include <QStringList>

class TkavReport;

// --data ALIAS=FILE and --set NAME=VALUE, in the order given.
struct TkavRunOptions
{
    QStringList Data;
    QStringList Sets;
};

// Takes args[i] (and its value) when it is --data or --set; false for anything else.
// A missing or malformed value makes ok false.
bool kavTakeRunOption(const QStringList &args, int &i, TkavRunOptions &options, bool &ok);

// Points the report's data sets and databases at the files of --data and gives its
// variables the values of --set. False (errors printed) when a name is unknown.
bool kavApplyRunOptions(TkavReport &report, const TkavRunOptions &options, const QString &in);

// Whether the report has prepared pages; says so on standard error when not.
bool kavHasPages(TkavReport &report, const QString &in);

// Prints the report's error lines as "kavrel: FILE: line" and empties them.
void kavPrintReportErrors(TkavReport &report, const QString &file);

// Loads prepared pages (a .kw3) or loads and runs a template; false (errors printed) when
// nothing could be loaded or the run made no page. Clean tells whether the run ended
// without errors.
bool kavLoadReportPages(TkavReport &report,
                        const QString &in,
                        const TkavRunOptions &options,
                        bool *clean = nullptr);
