// kavfuzz_seeds KIND OUTDIR FILE...: the seed inputs that no file of the sources holds,
// made from those that do. From templates: "kw3" prepared reports, "ku3" variables,
// "memo" the texts of their memos, "clipboard" the designer's copy of each page; "kt3" the built-in style sheet; from script sources
// (language by extension): "il" their intermediate programs.
#include "kavFuzzTargets.h"

#include <persist/kavVariables.h>
#include <prepared/kavPreviewPages.h>
#include <report/kavClass.h>
#include <report/kavReport.h>
#include <report/kavStyles.h>
#include <rtl/kavExceptions.h>
#include <rtl/kavFilePolicy.h>
#include <rtl/kavStreams.h>
#include <rtl/kavStrings.h>
#include <script/ky_langs.h>
#include <script/ky_script.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

QString outDir;
int written = 0;

void write(const QString &name, const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return;
    QFile file(outDir + u'/' + name);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size())
        ++written;
}

void fromTemplate(const QString &kind, const QString &path)
{
    const QString stem = QFileInfo(path).completeBaseName();
    TkavReport report;
    report.EngineOptions().SetNewSilentMode(simSilent);
    report.LoadFromFile(path);
    if (!report.LastLoadOk())
        return;
    if (kind == u"kw3") {
        // A report that needs a database or a file it cannot reach still gives its pages.
        report.PrepareReport();
        TMemoryStream out;
        report.PreviewPages()->SaveToStream(out);
        write(stem + u".kw3"_s, out.Data());
    } else if (kind == u"ku3") {
        TMemoryStream out;
        report.Variables().SaveToStream(out);
        write(stem + u".ku3"_s, out.Data());
    } else if (kind == u"clipboard") {
        int n = 0;
        for (const QByteArray &text : kavFuzzClipboardSeeds(report))
            write(u"%1_%2.txt"_s.arg(stem).arg(++n), text);
    } else if (kind == u"memo") {
        int n = 0;
        for (TkavComponent *c : report.AllObjects())
            if (auto *memo = dynamic_cast<TkavMemoView *>(c))
                write(u"%1_%2.txt"_s.arg(stem).arg(++n), memo->Text().toUtf8());
    }
}

void fromScript(const QString &path)
{
    TStringList lines;
    lines.LoadFromFile(path);
    TkyScript script;
    script.AddRTTI();
    script.SetSyntaxType(kyLanguageOfFile(path));
    script.SetLines(lines);
    QByteArray il;
    if (script.GetILCode(il))
        write(QFileInfo(path).fileName() + u".il"_s, il);
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() < 2) {
        std::fputs("usage: kavfuzz_seeds kw3|ku3|memo|clipboard|kt3|il OUTDIR FILE...\n", stderr);
        return 2;
    }
    kavFuzzInit();
    kavFilePolicy().SetTrusted();
    const QString kind = args[0];
    outDir = args[1];
    QDir().mkpath(outDir);
    if (kind == u"kt3") {
        TkavStyleSheet sheet;
        sheet.LoadBuiltIn();
        TMemoryStream out;
        sheet.SaveToStream(out);
        write(u"builtin.kt3"_s, out.Data());
    }
    for (const QString &file : args.mid(2)) {
        try {
            if (kind == u"il")
                fromScript(file);
            else
                fromTemplate(kind, file);
        } catch (const Exception &e) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(file), qPrintable(e.Message()));
        }
    }
    std::printf("%d seeds in %s\n", written, qPrintable(outDir));
    return 0;
}
