// kavrel design [IN.kv3] [--size WxH] [--grab OUT.png] [--tab designer|preview] [--page N]
// [--standalone] [--data ALIAS=FILE]...: the main window on a report (a new one without IN),
// on its Designer or Preview tab. --standalone makes it a standalone designer: it keeps named
// connections, and the report's Data dialog chooses one of them instead of data sets. With --grab the window is written to OUT.png once it has been painted
// (on the Preview tab: after the run, whose errors are printed; exit 1 when it failed), and
// the program exits.
#include "kavCommands.h"
#include "kavRunReport.h"

#include <designer/document/kavDesgnDocument.h>
#include <designer/document/kavDesgnSettings.h>
#include <designer/editors/kavDesgnRegister.h>
#include <designer/window/Unit1.h>
#include <designer/window/kavDesgnForm.h>
#include <designer/window/kavDesgnLook.h>
#include <designer/window/kavDesgnTextDialogs.h>
#include <designer/window/kavDesgnTheme.h>
#include <output/kavFormsQt.h>
#include <output/kavUIServicesQt.h>
#include <report/kavReport.h>
#include <rtl/kavUIServices.h>

#include <QApplication>
#include <QImage>
#include <QRegularExpression>
#include <QTimer>

#include <cstdio>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

bool parseSize(const QString &text, QSize &size)
{
    const QRegularExpressionMatch m = QRegularExpression(u"^(\\d{2,5})x(\\d{2,5})$"_s).match(text);
    if (!m.hasMatch())
        return false;
    size = QSize(m.captured(1).toInt(), m.captured(2).toInt());
    return size.width() >= 100 && size.height() >= 100 && size.width() <= 8000 && size.height() <= 8000;
}

} // namespace

int kavCmdDesign(const QStringList &args)
{
    QString in, grab;
    QSize size(1200, 800);
    int page = -1;
    int tab = 0;
    bool standalone = false;
    TkavRunOptions options;
    bool ok = true;
    for (int i = 0; i < args.size() && ok; ++i) {
        if (args[i] == u"--size" && i + 1 < args.size())
            ok = parseSize(args[++i], size);
        else if (args[i] == u"--grab" && i + 1 < args.size())
            grab = args[++i];
        else if (args[i] == u"--tab" && i + 1 < args.size()) {
            const QString name = args[++i];
            ok = name == u"designer" || name == u"preview";
            tab = name == u"preview" ? 1 : 0;
        } else if (args[i] == u"--standalone")
            standalone = true;
        else if (args[i] == u"--page" && i + 1 < args.size())
            page = args[++i].toInt(&ok);
        else if (kavTakeRunOption(args, i, options, ok))
            continue;
        else if (!args[i].startsWith(u'-') && in.isEmpty())
            in = args[i];
        else
            ok = false;
    }
    if (!ok) {
        std::fputs("usage: kavrel design [IN.kv3] [--size WxH] [--grab OUT.png] [--tab designer|preview] [--page N]"
                   " [--standalone]\n",
                   stderr);
        return 2;
    }
    if (grab.isEmpty() && QGuiApplication::platformName() == u"offscreen") {
        std::fputs("kavrel: the designer needs a display (or --grab OUT.png)\n", stderr);
        return 2;
    }
    kavRegisterDesignerEditors();
    kavInstallTextDesignerDialogs();
    kavApplyStoredTheme();
    std::unique_ptr<TkavDesigner> settings;
    if (standalone) {
        settings = std::make_unique<TkavDesigner>();
        settings->SetStandalone(true);
    }
    TkavReport report;
    report.EngineOptions().SetNewSilentMode(simSilent);
    if (!in.isEmpty()) {
        bool clean = true;
        if (!kavLoadTemplate(report, in, options.Password, clean) || !kavApplyRunOptions(report, options, in))
            return 1;
    }
    // A run on the Preview tab reports its errors in message boxes, unless only a picture
    // is wanted.
    report.EngineOptions().SetNewSilentMode(grab.isEmpty() ? simMessageBoxes : simSilent);
    TForm1 window(report);
    // The user answers the window's questions and dialogs, and its help opens in the browser.
    if (grab.isEmpty()) {
        kavSetUIServices(std::make_unique<TkavUIServicesQt>(&window));
        kavInstallQtFormPresenter(); // dialog pages ask before the Preview tab's run
    }
    kavSetUpHostLook(window);
    TkavDesignerForm &panel = window.Designer();
    if (in.isEmpty())
        panel.Document().NewReport();
    if (page >= 0)
        panel.ShowPage(page);
    window.resize(size);
    window.show();
    window.ShowSheet(tab);
    if (grab.isEmpty())
        return QApplication::exec();
    // The Preview tab ran the report: a failed run is said, and the picture still made.
    int code = 0;
    if (tab == 1 && report.Errors().Count() > 0) {
        kavPrintReportErrors(report, in.isEmpty() ? u"Untitled.kv3"_s : in);
        code = 1;
    }
    // Grabbed from the event loop, once the window has been laid out and painted.
    QTimer::singleShot(200, &window, [&] {
        const QImage image = window.grab().toImage();
        if (image.isNull() || !image.save(grab, "PNG")) {
            std::fprintf(stderr, "kavrel: %s: cannot write the picture\n", qPrintable(grab));
            code = 1;
        }
        QApplication::quit();
    });
    QApplication::exec();
    return code;
}
