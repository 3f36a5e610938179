// The designer's history under a large report: a report of N objects (memos on bands),
// E edits each ending in the modification routine, then every edit undone and redone.
// Prints the time per edit, per undo step and per redo step, the bytes the undo buffer
// holds in memory and on disk, and the peak memory of the process:
//   bench_designer [--objects N (2000)] [--edits E (200)]
// A document that does not come back to its first state after all undos prints MISMATCH
// and exits with 1.
#include "kavBenchSupport.h"

#include <designer/document/kavDesgnDocument.h>
#include <designer/editors/kavDesgnRegister.h>
#include <report/kavClass.h>
#include <report/kavReport.h>
#include <rtl/kavRTTI.h>
#include <rtl/kavStreams.h>

#include <QGuiApplication>
#include <QTextStream>

#include <algorithm>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

struct Figures
{
    double total = 0;
    double worst = 0;
    void add(double ms)
    {
        total += ms;
        worst = std::max(worst, ms);
    }
};

QByteArray bytesOf(TkavReport &report)
{
    TMemoryStream stream;
    report.SaveToStream(stream);
    return stream.Data();
}

// Bands of 50 memos each, until the report holds about objects objects.
void fill(DesignerDocument &doc, int objects)
{
    auto *page = doc.FirstReportPage();
    int made = 0;
    for (int b = 0; made < objects; ++b) {
        auto *band = TkavComponent::DesignCreate<TkavMasterData>(page);
        band->CreateUniqueName();
        band->SetBounds(0, 40 + b * 30, 700, 25);
        ++made;
        for (int m = 0; m < 50 && made < objects; ++m, ++made) {
            auto *memo = TkavComponent::DesignCreate<TkavMemoView>(band);
            memo->CreateUniqueName();
            memo->SetBounds(m * 14, 2, 12, 18);
            memo->SetText(u"[Customers.\"Name\"] %1"_s.arg(made));
        }
    }
    doc.ReloadReport();
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    int objects = 2000;
    int edits = 200;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == u"--objects"_s)
            objects = args[i + 1].toInt();
        else if (args[i] == u"--edits"_s)
            edits = args[i + 1].toInt();
    }
    kavRegisterRTLClasses();
    kavRegisterReportClasses();
    kavRegisterDesignerEditors();
    TkavReport report;
    report.EngineOptions().SetNewSilentMode(simSilent);
    DesignerDocument doc(report);
    fill(doc, objects);
    const QByteArray first = bytesOf(report);
    const int count = int(report.AllObjects().size());

    Figures edit, undo, redo;
    const QList<TkavComponent *> all = doc.Objects();
    for (int i = 0; i < edits; ++i) {
        TkavComponent *c = all.at((i * 7919) % all.size());
        Stopwatch watch;
        c->SetLeft(c->Left() + 1);
        doc.SetModified(true);
        edit.add(watch.ms());
    }
    const qint64 heldMemory = doc.UndoBuffer().MemoryUsed();
    const qint64 heldDisk = doc.UndoBuffer().SwappedBytes();
    for (int i = 0; i < edits; ++i) {
        Stopwatch watch;
        doc.Undo();
        undo.add(watch.ms());
    }
    const bool same = bytesOf(report) == first;
    for (int i = 0; i < edits; ++i) {
        Stopwatch watch;
        doc.Redo();
        redo.add(watch.ms());
    }

    QTextStream out(stdout);
    out << u"objects %1, edits %2\n"_s.arg(count).arg(edits);
    out << u"edit (change + snapshot): mean %1 ms, worst %2 ms\n"_s
               .arg(edit.total / edits, 0, 'f', 2).arg(edit.worst, 0, 'f', 2);
    out << u"undo step: mean %1 ms, worst %2 ms\n"_s.arg(undo.total / edits, 0, 'f', 2)
               .arg(undo.worst, 0, 'f', 2);
    out << u"redo step: mean %1 ms, worst %2 ms\n"_s.arg(redo.total / edits, 0, 'f', 2)
               .arg(redo.worst, 0, 'f', 2);
    out << u"undo buffer after the edits: %1 MB in memory, %2 MB swapped (%3 snapshots)\n"_s
               .arg(mb(heldMemory), 0, 'f', 2).arg(mb(heldDisk), 0, 'f', 2).arg(edits + 1);
    out << u"snapshot of the report: %1 KB uncompressed\n"_s.arg(first.size() / 1024);
    out << memoryLine() << u'\n';
    if (!same) {
        out << u"MISMATCH: the undone document differs from the first state\n"_s;
        return 1;
    }
    return 0;
}
