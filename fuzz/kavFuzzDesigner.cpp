// The fuzz entry of the designer's clipboard text, and the clipboard seeds of a template.
#include "kavFuzzTargets.h"

#include <designer/document/kavDesgnDocument.h>
#include <report/kavReport.h>
#include <rtl/kavExceptions.h>
#include <rtl/kavStreams.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {

QByteArray saved(TkavReport &report)
{
    TMemoryStream out;
    report.SaveToStream(out);
    return out.Data();
}

// A paste that the report then cannot save and read back would lose the user's work at the
// next save: that is a fault the fuzzer must report, not an error to pass over.
[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "clipboard: %s\n", what);
    std::abort();
}

} // namespace

void kavFuzzClipboard(const QByteArray &Data)
{
    QString text = QString::fromUtf8(Data);
    // The fuzzer need not find the marker by itself to reach the reader behind it.
    if (!text.startsWith(kavClipboardMarker))
        text.prepend(QStringView(kavClipboardMarker).toString() + u"\n\r"_s);
    TkavReport report;
    report.EngineOptions().SetNewSilentMode(simSilent);
    DesignerDocument doc(report);
    doc.ClearReport();
    // On the report page, then on the data page, which takes other kinds of objects.
    for (TkavComponent *page : {doc.FirstReportPage(), doc.DataPage()}) {
        doc.SetPage(page);
        try {
            doc.Clipboard().PasteText(text);
        } catch (const Exception &) {
            return;
        }
    }
    const QByteArray first = saved(report);
    TkavReport again;
    again.EngineOptions().SetNewSilentMode(simSilent);
    TMemoryStream in(first);
    again.LoadFromStream(in);
    if (!again.LastLoadOk())
        fail("the report with the pasted objects does not read back");
    const QByteArray second = saved(again);
    if (second != first) {
        // Where they part, so the report names the property that did not survive.
        qsizetype at = 0;
        while (at < first.size() && at < second.size() && first[at] == second[at])
            ++at;
        const qsizetype from = std::max<qsizetype>(0, at - 120);
        std::fprintf(stderr, "first save:  ...%s\nsecond save: ...%s\n", first.mid(from, 240).constData(),
                     second.mid(from, 240).constData());
        fail("the report with the pasted objects reads back different");
    }
}

QList<QByteArray> kavFuzzClipboardSeeds(TkavReport &Report)
{
    QList<QByteArray> seeds;
    DesignerDocument doc(Report);
    for (int i = 0; i < Report.PagesCount(); ++i) {
        doc.SetPage(Report.Pages(i));
        doc.SelectAll();
        const QString text = doc.Clipboard().CopyText();
        if (doc.Selection().Count() > 0)
            seeds << text.toUtf8();
    }
    return seeds;
}
