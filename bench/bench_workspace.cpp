// The designer's page surface under a full page: a report page of N objects (memos on
// bands) painted whole at 100% zoom F times, then a selection of D of them dragged by F
// grid steps, each step with the repaint that follows it. Prints the time per repaint and
// per drag frame (move + repaint):
//   bench_workspace [--objects N (2000)] [--frames F (50)] [--drag D (200)]
#include "kavBenchSupport.h"

#include <designer/document/kavDesgnDocument.h>
#include <designer/editors/kavDesgnRegister.h>
#include <designer/workspace/kavDesgnWorkspaceWidget.h>
#include <report/kavClass.h>
#include <report/kavReport.h>
#include <rtl/kavRTTI.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QTextStream>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

struct Figures
{
    double total = 0;
    double worst = 0;
    int count = 0;
    void add(double ms)
    {
        total += ms;
        worst = std::max(worst, ms);
        ++count;
    }
    QString text() const
    {
        return u"mean %1 ms, worst %2 ms"_s.arg(total / std::max(count, 1), 0, 'f', 2).arg(worst, 0, 'f', 2);
    }
};

// Forty bands down the page, each with its share of small memos.
QList<TkavComponent *> fill(DesignerDocument &doc, int objects)
{
    auto *page = doc.FirstReportPage();
    const int bands = 40;
    const int perBand = std::max(1, objects / bands - 1);
    QList<TkavComponent *> memos;
    int made = 0;
    for (int b = 0; made < objects; ++b) {
        auto *band = TkavComponent::DesignCreate<TkavMasterData>(page);
        band->CreateUniqueName();
        band->SetBounds(0, 20 + b * 27, 700, 22);
        ++made;
        for (int m = 0; m < perBand && made < objects; ++m, ++made) {
            auto *memo = TkavComponent::DesignCreate<TkavMemoView>(band);
            memo->CreateUniqueName();
            memo->SetBounds((m * 700.0) / perBand, 2, 700.0 / perBand - 2, 18);
            memo->SetText(u"M%1"_s.arg(made));
            memos.append(memo);
        }
    }
    doc.ReloadReport();
    return doc.Objects();
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int objects = 2000, frames = 50, dragged = 200;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == u"--objects"_s)
            objects = args[i + 1].toInt();
        else if (args[i] == u"--frames"_s)
            frames = args[i + 1].toInt();
        else if (args[i] == u"--drag"_s)
            dragged = args[i + 1].toInt();
    }
    kavRegisterRTLClasses();
    kavRegisterReportClasses();
    kavRegisterDesignerEditors();
    TkavReport report;
    report.EngineOptions().SetNewSilentMode(simSilent);
    DesignerDocument doc(report);
    doc.NewReport();
    fill(doc, objects);
    TDesignerWorkspace ws(doc);
    ws.UpdatePage();
    QImage image(ws.size(), QImage::Format_ARGB32_Premultiplied);
    auto repaint = [&] {
        QPainter p(&image);
        ws.PaintTo(p, QRectF(QPointF(), QSizeF(ws.size())));
    };
    repaint(); // the text layout's caches warm up once

    Figures paint;
    for (int i = 0; i < frames; ++i) {
        Stopwatch watch;
        repaint();
        paint.add(watch.ms());
    }

    // The selection: the first memos that are not bands.
    QList<TkavComponent *> memos;
    for (TkavComponent *c : doc.Objects())
        if (dynamic_cast<TkavMemoView *>(c) && memos.size() < dragged)
            memos.append(c);
    TkavSelection &selection = doc.Selection();
    selection.Clear();
    for (TkavComponent *c : memos)
        selection.Add(c);
    WorkspaceController &controller = ws.Controller();
    const TkavComponent *first = memos.value(0);
    Figures drag;
    if (first) {
        QPointF at(first->AbsLeft() + 2, first->AbsTop() + 2);
        controller.MouseDown(mbLeft, {}, at);
        for (int i = 0; i < frames; ++i) {
            at += QPointF(controller.GridX(), i % 2 ? controller.GridY() : 0);
            Stopwatch watch;
            controller.MouseMove({ssLeft}, at);
            repaint();
            drag.add(watch.ms());
        }
        Stopwatch release;
        controller.MouseUp(mbLeft, {}, at);
        QTextStream(stdout) << u"release (rounding, restacking, snapshot): %1 ms\n"_s.arg(release.ms(), 0, 'f', 2);
    }

    QTextStream out(stdout);
    out << u"objects %1 on the page, surface %2 x %3 pixels\n"_s.arg(doc.Objects().size())
               .arg(ws.width()).arg(ws.height());
    out << u"full repaint at 100%: %1 (%2 frames)\n"_s.arg(paint.text()).arg(frames);
    out << u"drag of %1 objects, move + repaint per frame: %2\n"_s.arg(memos.size()).arg(drag.text());
    out << memoryLine() << u'\n';
    return first ? 0 : 1;
}
