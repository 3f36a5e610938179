// kavrel script FILE [--language NAME] [--il] [--include DIR] [--limit N] [--report KV3]:
// compile and run a script with the standard library and the report classes; ShowMessage
// prints to standard output. With --report the script sees that report as "Report" and its
// objects by name. With --il the intermediate program is printed instead of running it.
#include "kavCommands.h"

#include <report/kavClass.h>
#include <report/kavReport.h>
#include <rtl/kavExceptions.h>
#include <rtl/kavFilePolicy.h>
#include <rtl/kavStrings.h>
#include <rtl/kavUIServices.h>
#include <script/ky_ilparser.h>
#include <script/ky_langs.h>
#include <script/ky_script.h>
#include <script/ky_xml.h>
#include <scriptlib/kavScriptLibrary.h>

#include <QFileInfo>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

struct ScriptOptions
{
    QString File;
    QString Language;
    QStringList Include;
    QString Report;
    bool IL = false;
    // Statements a run may execute before it is stopped (0: no limit): a script from
    // elsewhere must not hang a headless run.
    qint64 Limit = 500'000'000;
};

// Messages of the script go to standard output, nothing else is echoed.
void printMessagesToStandardOutput()
{
    auto services = std::make_unique<TkavHeadlessUIServices>();
    services->SetEchoToStandardError(false);
    services->SetMessageSink([](TMsgDlgType, const QString &text) {
        std::fputs(text.toUtf8().constData(), stdout);
        std::fputc('\n', stdout);
    });
    kavSetUIServices(std::move(services));
}

bool parseOptions(const QStringList &args, ScriptOptions &options)
{
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        if (arg == u"--il")
            options.IL = true;
        else if (arg == u"--limit" && i + 1 < args.size()) {
            bool ok = false;
            options.Limit = args[++i].toLongLong(&ok);
            if (!ok || options.Limit < 0)
                return false;
        }
        else if (arg == u"--report" && i + 1 < args.size())
            options.Report = args[++i];
        else if ((arg == u"--language" || arg == u"--include") && i + 1 < args.size())
            (arg == u"--language" ? options.Language : options.Include.emplaceBack()) = args[++i];
        else if (!arg.startsWith(u"--") && options.File.isEmpty())
            options.File = arg;
        else
            return false;
    }
    return !options.File.isEmpty();
}

// FILE:LINE:COL: error: MESSAGE, with the unit's file for an error inside a unit.
int reportRunError(const QString &file, const TkyScript &script, const QString &message)
{
    const QString where = script.RunErrorUnit().isEmpty() ? file : script.RunErrorUnit();
    const QString pos = script.RunErrorPos().isEmpty() ? QString() : u':' + script.RunErrorPos();
    std::fprintf(stderr, "%s%s: error: %s\n", qPrintable(where), qPrintable(pos), qPrintable(message));
    return 2;
}

int reportCompileError(const QString &file, const TkyScript &script)
{
    const QString where = script.ErrorUnit().isEmpty() ? file : script.ErrorUnit();
    std::fprintf(stderr,
                 "%s:%s: %s\n",
                 qPrintable(where),
                 qPrintable(script.ErrorPos()),
                 qPrintable(script.ErrorMsg()));
    return 1;
}

} // namespace

int kavCmdScript(const QStringList &args)
{
    ScriptOptions options;
    if (!parseOptions(args, options)) {
        std::fputs("usage: kavrel script FILE [--language NAME] [--il] [--include DIR] "
                   "[--limit STATEMENTS] [--report KV3]\n",
                   stderr);
        return 2;
    }
    const QString file = options.File;
    try {
        kyRegisterBuiltinLanguages();
        const QString language = options.Language.isEmpty() ? kyLanguageOfFile(file) : options.Language;
        if (language.isEmpty())
            throw EkavError(u"No language for '%1': name one with --language"_s.arg(file));
        // Headless runs reach only the script's folder and the folders named to include.
        QStringList roots{QFileInfo(file).absolutePath()};
        roots += options.Include;
        kavFilePolicy().SetRestricted(roots);

        TStringList lines;
        lines.LoadFromFile(file);
        TkyScript script;
        script.SetIncludePath(QStringList{QFileInfo(file).absolutePath()} + options.Include);
        script.SetFilesFolder(QFileInfo(file).absolutePath());
        if (options.IL) {
            TkyILParser parser(&script);
            parser.SelectLanguage(language);
            if (!parser.MakeILScript(kyScriptLinesText(lines.Text())))
                return reportCompileError(file, script);
            TkyXMLDocument &il = parser.ILScript();
            il.SetAutoIndent(true);
            std::fputs(il.SaveToText().toUtf8().constData(), stdout);
            return 0;
        }
        kavRegisterScriptLibrary();
        script.AddRTTI();
        TkavReport report;
        if (!options.Report.isEmpty()) {
            kavRegisterReportClasses();
            report.EngineOptions().SetNewSilentMode(simSilent);
            report.LoadFromFile(options.Report, true);
            if (!report.LastLoadOk())
                throw EkavError(report.ErrorsText());
            script.AddObject(u"Report"_s, &report);
            for (TkavComponent *c : report.AllObjects())
                if (!c->Name().isEmpty())
                    script.AddObject(c->Name(), c);
        }
        script.SetSyntaxType(language);
        script.SetLines(lines);
        if (!script.Compile())
            return reportCompileError(file, script);
        printMessagesToStandardOutput();
        script.SetStatementLimit(options.Limit);
        try {
            script.Execute();
        } catch (const Exception &e) {
            std::fflush(stdout);
            return reportRunError(file, script, e.Message());
        }
        return 0;
    } catch (const Exception &e) {
        std::fprintf(stderr, "%s: error: %s\n", qPrintable(file), qPrintable(e.Message()));
        return 3;
    }
}
