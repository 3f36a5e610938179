// The fuzz entries of the file readers, the data sets and the script engine.
#include "kavFuzzTargets.h"

#include <data/kavFileDataSets.h>
#include <persist/kavVariables.h>
#include <persist/kavXML.h>
#include <prepared/kavPreviewPages.h>
#include <report/kavClass.h>
#include <report/kavReport.h>
#include <report/kavStyles.h>
#include <rtl/kavExceptions.h>
#include <rtl/kavFilePolicy.h>
#include <rtl/kavLimits.h>
#include <rtl/kavRTTI.h>
#include <rtl/kavStreams.h>
#include <rtl/kavStrings.h>
#include <rtl/kavUIServices.h>
#include <script/ky_langs.h>
#include <script/ky_script.h>
#include <scriptlib/kavScriptLibrary.h>

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <algorithm>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

// Statements one fuzzed script or report may run: enough for real loops, small enough
// that an endless one ends within the fuzzer's time limit.
constexpr qint64 statementBudget = 20000;
// Pages of a prepared report drawn per input, and the scale they are drawn at.
constexpr int pagesDrawn = 4;
constexpr double drawScale = 0.25;

std::unique_ptr<QTemporaryDir> &folder()
{
    static std::unique_ptr<QTemporaryDir> dir;
    return dir;
}

void kv3(const QByteArray &data)
{
    TkavReport report;
    report.EngineOptions().SetNewSilentMode(simSilent);
    TMemoryStream in(data);
    try {
        report.LoadFromStream(in);
    } catch (const Exception &) {
        return;
    }
    if (!report.LastLoadOk())
        return;
    // What was read must write, and what was written must read again.
    TMemoryStream out;
    report.SaveToStream(out);
    TkavReport again;
    again.EngineOptions().SetNewSilentMode(simSilent);
    TMemoryStream back(out.Data());
    again.LoadFromStream(back);
}

void kw3(const QByteArray &data)
{
    TkavReport report;
    report.EngineOptions().SetNewSilentMode(simSilent);
    auto &pages = static_cast<TkavPreviewPages &>(*report.PreviewPages());
    try {
        pages.LoadFromStream(std::make_unique<TMemoryStream>(data), true);
        QImage image(220, 320, QImage::Format_RGB32);
        const int count = std::min(pages.Count(), pagesDrawn);
        for (int i = 0; i < count; ++i) {
            image.fill(Qt::white);
            QPainter painter(&image);
            pages.DrawPage(i, &painter, drawScale, drawScale, 0, 0);
        }
        TMemoryStream out;
        pages.SaveToStream(out);
    } catch (const Exception &) {
    }
}

void kt3(const QByteArray &data)
{
    TkavStyleSheet sheet;
    TMemoryStream in(data);
    try {
        sheet.LoadFromStream(in);
        TMemoryStream out;
        sheet.SaveToStream(out);
    } catch (const Exception &) {
    }
}

void ku3(const QByteArray &data)
{
    TkavVariables variables;
    TMemoryStream in(data);
    try {
        variables.LoadFromStream(in);
        TMemoryStream out;
        variables.SaveToStream(out);
    } catch (const Exception &) {
    }
}

void xml(const QByteArray &data)
{
    TkavXMLDocument doc;
    TMemoryStream in(data);
    try {
        doc.LoadFromStream(in);
        TMemoryStream out;
        doc.SaveToStream(out);
    } catch (const Exception &) {
    }
}

// The script library, built once: building it for every input cost 25 ms, nine tenths of
// a script input's time. Each fuzzed script is its child and finds the library through it.
TkyScript &library()
{
    static TkyScript *script = [] {
        auto *s = new TkyScript; // lives as long as the process, as the fuzzer does
        s->AddRTTI();
        return s;
    }();
    return *script;
}

void il(const QByteArray &data)
{
    TkyScript script;
    script.SetParent(&library());
    if (!script.SetILCode(data))
        return;
    script.SetStatementLimit(statementBudget);
    try {
        script.Execute();
    } catch (const Exception &) {
    }
}

void runScript(const QString &language, const QByteArray &data)
{
    TkyScript script;
    script.SetParent(&library());
    script.SetSyntaxType(language);
    TStringList lines;
    lines.SetText(QString::fromUtf8(data));
    script.SetLines(lines);
    if (!script.Compile())
        return;
    script.SetStatementLimit(statementBudget);
    try {
        script.Execute();
    } catch (const Exception &) {
    }
}

void pascal(const QByteArray &data) { runScript(u"PascalScript"_s, data); }
void cpp(const QByteArray &data) { runScript(u"C++Script"_s, data); }
void basic(const QByteArray &data) { runScript(u"BasicScript"_s, data); }
void jscript(const QByteArray &data) { runScript(u"JScript"_s, data); }

// Reads data as the file of ds, then walks every record through every field.
void readTable(TkavTableDataSet &ds, const QString &fileName, const QByteArray &data)
{
    const QString path = kavFuzzFolder() + u'/' + fileName;
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(data) != data.size())
            return;
    }
    ds.SetUserName(u"Fuzz"_s);
    ds.SetFileName(path);
    try {
        ds.Load();
        ds.Initialize();
        TStringList fields;
        ds.GetFieldList(fields);
        for (ds.First(); !ds.Eof(); ds.Next())
            for (int i = 0; i < fields.Count(); ++i) {
                ds.GetValue(fields.Strings(i));
                ds.GetDisplayText(fields.Strings(i));
            }
        ds.Finalize();
    } catch (const Exception &) {
    }
}

void csv(const QByteArray &data)
{
    TkavCSVDataSet ds;
    readTable(ds, u"data.csv"_s, data);
}

void json(const QByteArray &data)
{
    TkavJSONDataSet ds;
    readTable(ds, u"data.json"_s, data);
}

// The text of a memo with bracketed expressions, run through a one-band report.
void memo(const QByteArray &data)
{
    TkavReport report;
    report.EngineOptions().SetNewSilentMode(simSilent);
    report.Script().SetStatementLimit(statementBudget);
    TkavComponent::Create<TkavDataPage>(&report)->SetName(u"Data"_s);
    auto *page = TkavComponent::Create<TkavReportPage>(&report);
    page->SetName(u"Page1"_s);
    auto *title = TkavComponent::Create<TkavReportTitle>(page);
    title->SetName(u"ReportTitle1"_s);
    title->SetHeight(40);
    auto *view = TkavComponent::Create<TkavMemoView>(title);
    view->SetName(u"Memo1"_s);
    view->SetBounds(10, 5, 200, 18);
    view->SetText(QString::fromUtf8(data));
    try {
        report.PrepareReport();
    } catch (const Exception &) {
    }
}

} // namespace

const std::vector<TkavFuzzTarget> &kavFuzzTargets()
{
    static const std::vector<TkavFuzzTarget> targets{
        {"kv3", kv3},
        {"kw3", kw3},
        {"kt3", kt3},
        {"ku3", ku3},
        {"xml", xml},
        {"il", il},
        {"pascal", pascal},
        {"cpp", cpp},
        {"basic", basic},
        {"jscript", jscript},
        {"csv", csv},
        {"json", json},
        {"memo", memo},
        {"clipboard", kavFuzzClipboard},
    };
    return targets;
}

TkavFuzzEntry kavFuzzTarget(const QString &Name)
{
    for (const TkavFuzzTarget &t : kavFuzzTargets())
        if (Name == QLatin1String(t.Name))
            return t.Entry;
    return nullptr;
}

QString kavFuzzFolder()
{
    return folder() ? folder()->path() : QString();
}

void kavFuzzInit()
{
    kavRegisterRTLClasses();
    kavRegisterReportClasses();
    kyRegisterBuiltinLanguages();
    kavRegisterScriptLibrary();
    auto services = std::make_unique<TkavHeadlessUIServices>();
    services->SetEchoToStandardError(false);
    services->SetMessageSink([](TMsgDlgType, const QString &) {});
    kavSetUIServices(std::move(services));
    // A doubling loop reaches a megabyte in a millisecond; the full cap would take seconds.
    kavStringLengthLimit = qsizetype(1) << 20;
    folder() = std::make_unique<QTemporaryDir>();
    kavFilePolicy().SetRestricted(QStringList{folder()->path()});
}
