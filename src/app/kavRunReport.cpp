#include "kavRunReport.h"

#include <data/kavFileDataSets.h>
#include <data/kavSQLDataSets.h>
#include <persist/kavVariables.h>
#include <prepared/kavPreviewPages.h>
#include <report/kavClass.h>
#include <report/kavViews.h>
#include <rtl/kavExceptions.h>
#include <rtl/kavStrings.h>
#include <script/ky_script.h>

#include <QFileInfo>
#include <QRegularExpression>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

void printError(const QString &file, const QString &message)
{
    std::fprintf(stderr, "kavrel: %s: %s\n", qPrintable(file), qPrintable(message));
}

// The component named name (ignoring case) of the report, or null.
template <class T>
T *componentNamed(TkavReport &report, const QString &name)
{
    for (TkavComponent *c : report.AllObjects()) {
        auto *typed = dynamic_cast<T *>(c);
        if (!typed)
            continue;
        const auto *dataSet = dynamic_cast<const TkavDataSet *>(c);
        if (c->Name().compare(name, Qt::CaseInsensitive) == 0
            || (dataSet && dataSet->UserName().compare(name, Qt::CaseInsensitive) == 0))
            return typed;
    }
    return nullptr;
}

bool applyData(TkavReport &report, const QString &alias, const QString &file, const QString &in)
{
    const QString path = QFileInfo(file).absoluteFilePath();
    if (auto *table = componentNamed<TkavTableDataSet>(report, alias)) {
        table->SetFileName(path);
        return true;
    }
    TkavSQLDatabase *database = componentNamed<TkavSQLDatabase>(report, alias);
    if (!database)
        if (auto *query = componentNamed<TkavSQLQuery>(report, alias))
            database = query->Database();
    if (database) {
        database->SetDriver(u"SQLite"_s);
        database->SetDatabaseName(path);
        return true;
    }
    printError(in, u"--data: no file data set, query or database is named \"%1\""_s.arg(alias));
    return false;
}

// A number or a Boolean is taken as it is; anything else is a text.
QString variableValue(const QString &value, const QString &language)
{
    static const QRegularExpression number(u"^[+-]?[0-9]+(\\.[0-9]+)?$"_s);
    if (number.match(value).hasMatch() || value.compare(u"true"_s, Qt::CaseInsensitive) == 0
        || value.compare(u"false"_s, Qt::CaseInsensitive) == 0)
        return value;
    return kavQuotedForScript(value, language);
}

} // namespace

bool kavTakeRunOption(const QStringList &args, int &i, TkavRunOptions &options, bool &ok)
{
    const bool data = args[i] == u"--data";
    if (!data && args[i] != u"--set")
        return false;
    const QString value = args.value(i + 1);
    const qsizetype eq = value.indexOf(u'=');
    if (i + 1 >= args.size() || eq <= 0) {
        ok = false;
        return true;
    }
    (data ? options.Data : options.Sets) << value;
    ++i;
    return true;
}

bool kavApplyRunOptions(TkavReport &report, const TkavRunOptions &options, const QString &in)
{
    for (const QString &item : options.Data) {
        const qsizetype eq = item.indexOf(u'=');
        if (!applyData(report, item.left(eq), item.mid(eq + 1), in))
            return false;
    }
    for (const QString &item : options.Sets) {
        const qsizetype eq = item.indexOf(u'=');
        const QString name = item.left(eq);
        if (report.Variables().IndexOf(name) < 0) {
            printError(in, u"--set: the report has no variable \"%1\""_s.arg(name));
            return false;
        }
        report.Variables().SetVariable(
            name, Variant(variableValue(item.mid(eq + 1), report.ScriptLanguage())));
    }
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

bool kavLoadReportPages(TkavReport &report,
                        const QString &in,
                        const TkavRunOptions &options,
                        bool *clean)
{
    if (clean)
        *clean = false;
    report.SetReloading(true);                          // no password prompt
    report.EngineOptions().SetNewSilentMode(simSilent); // errors are printed here
    const bool prepared = QFileInfo(in).suffix().compare(u"kw3"_s, Qt::CaseInsensitive) == 0;
    try {
        if (prepared) {
            report.PreviewPages()->LoadFromFile(in, true);
            kavPrintReportErrors(report, in);
            if (clean)
                *clean = true;
            return true;
        }
        report.LoadFromFile(in, true);
    } catch (const Exception &e) {
        printError(in, e.Message());
        return false;
    }
    if (!report.LastLoadOk()) {
        kavPrintReportErrors(report, in);
        return false;
    }
    if (!kavApplyRunOptions(report, options, in))
        return false;
    report.EngineOptions().SetNewSilentMode(simSilent);
    // A report's script must not hang a headless run.
    report.Script().SetStatementLimit(500'000'000);
    const bool ok = report.PrepareReport(true);
    kavPrintReportErrors(report, in);
    if (clean)
        *clean = ok && !report.Terminated();
    if (report.Terminated())
        printError(in, u"the run was stopped; the pages are incomplete"_s);
    // A run with error lines may still have made its pages (a band clipped, a page limit
    // reached): the caller writes them, and its exit code tells.
    return ok || report.PreviewPages()->Count() > 0;
}
