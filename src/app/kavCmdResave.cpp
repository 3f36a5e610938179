// kavrel resave IN.kv3 OUT.kv3: load a template and write it again in the current form.
#include "kavCommands.h"

#include <persist/kavXML.h>
#include <report/kavClass.h>
#include <rtl/kavExceptions.h>
#include <rtl/kavRTTI.h>
#include <rtl/kavStreams.h>

#include <cstdio>

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
    if (args.size() != 2) {
        std::fputs("usage: kavrel resave IN.kv3 OUT.kv3\n", stderr);
        return 2;
    }
    const QString &in = args[0];
    const QString &out = args[1];
    TkavReport report;
    report.SetReloading(true); // no password prompt
    TkavSilentMode fileSilentMode = simMessageBoxes;
    try {
        takeFileOptions(report, in);
        fileSilentMode = report.EngineOptions().NewSilentMode();
        report.EngineOptions().SetNewSilentMode(simSilent); // errors are printed below
        report.LoadFromFile(in, true);
    } catch (const Exception &e) {
        std::fprintf(stderr, "kavrel: %s: %s\n", qPrintable(in), qPrintable(e.Message()));
        return 1;
    }
    report.EngineOptions().SetNewSilentMode(fileSilentMode);
    for (int i = 0; i < report.Errors().Count(); ++i)
        std::fprintf(
            stderr, "kavrel: %s: %s\n", qPrintable(in), qPrintable(report.Errors().Strings(i)));
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
