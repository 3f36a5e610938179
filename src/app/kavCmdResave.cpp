// kavrel resave IN.kv3 OUT.kv3 [--password TEXT]: load a template and write it again in the
// current form; a protected report keeps its password.
#include "kavCommands.h"
#include "kavRunReport.h"

#include <persist/kavXML.h>
#include <report/kavClass.h>
#include <rtl/kavExceptions.h>
#include <rtl/kavRTTI.h>
#include <rtl/kavStreams.h>

#include <cstdio>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

// A load keeps the options an application set and takes only the document from the file.
// Resaving must keep the file's own options too, so they are set before the load from the
// attributes of the file's root element.
void takeFileOptions(TkavReport &report, const QString &fileName)
{
    TkavXMLDocument document;
    TFileStream stream(fileName, fmOpenRead);
    document.LoadFromStream(stream);
    const TkavXMLItem &root = *document.Root();
    const auto take = [&root](TPersistent &obj, const QString &prefix, const QStringList &only) {
        for (const TkavPropInfo *prop : obj.ClassInfo().Props()) {
            const QString name = prefix + prop->Name();
            if ((only.isEmpty() || only.contains(prop->Name())) && !prop->IsReadOnly()
                && root.PropExists(name)) {
                try {
                    kavSetPropText(obj, *prop, root.GetProp(name));
                } catch (const Exception &) {
                    // The load reports the bad value as one of its error lines.
                }
            }
        }
    };
    take(report.EngineOptions(), u"EngineOptions."_s, {});
    take(report.PreviewOptions(), u"PreviewOptions."_s, {});
    take(report,
         QString(),
         {u"IniFile"_s, u"OldStyleProgress"_s, u"ShowProgress"_s, u"StoreInDFM"_s});
}

} // namespace

int kavCmdResave(const QStringList &args)
{
    QStringList files;
    std::optional<QString> password;
    bool ok = true;
    for (int i = 0; i < args.size() && ok; ++i) {
        if (args[i] == u"--password" && i + 1 < args.size())
            password = args[++i];
        else if (!args[i].startsWith(u'-'))
            files << args[i];
        else
            ok = false;
    }
    if (!ok || files.size() != 2) {
        std::fputs("usage: kavrel resave IN.kv3 OUT.kv3 [--password TEXT]\n", stderr);
        return 2;
    }
    const QString &in = files[0];
    const QString &out = files[1];
    TkavReport report;
    try {
        takeFileOptions(report, in);
    } catch (const Exception &e) {
        std::fprintf(stderr, "kavrel: %s: %s\n", qPrintable(in), qPrintable(e.Message()));
        return 1;
    }
    const TkavSilentMode fileSilentMode = report.EngineOptions().NewSilentMode();
    bool clean = false;
    if (!kavLoadTemplate(report, in, password, clean))
        return 1; // nothing written: the output would not be the template
    report.EngineOptions().SetNewSilentMode(fileSilentMode);
    try {
        report.SaveToFile(out);
    } catch (const Exception &e) {
        std::fprintf(stderr, "kavrel: %s: %s\n", qPrintable(out), qPrintable(e.Message()));
        return 1;
    }
    // Written, but what could not be read is missing from it.
    return clean ? 0 : 1;
}
