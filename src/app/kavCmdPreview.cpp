// kavrel preview IN.(kv3|kw3) [--data ALIAS=FILE] [--set NAME=VALUE] [--page N]
// [--zoom PCT|width|page] [--find TEXT] [--outline|--thumbnails] [--size WxH] [--grab OUT.png]:
// the preview window on a report (run into it while it shows) or on prepared pages. With
// --grab the window is painted once the run is over and written to OUT.png, with figures
// on standard output, and the program exits.
#include "kavCommands.h"
#include "kavRunReport.h"

#include <designer/editors/kavDesgnRegister.h>
#include <designer/window/kavDesgnTextDialogs.h>
#include <designer/window/kavDesgnTheme.h>
#include <output/kavFormsQt.h>
#include <output/kavUIServicesQt.h>
#include <preview/kavPreview.h>
#include <preview/kavPreviewForm.h>
#include <preview/kavPreviewWorkspace.h>
#include <report/kavClass.h>
#include <rtl/kavExceptions.h>
#include <rtl/kavUIServices.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPixmap>
#include <QTimer>

#include <cstdio>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

struct PreviewArgs
{
    QString in;
    QString grab;
    QString find;
    QString zoom;
    int page = 0;
    bool outline = false;
    bool thumbnails = false;
    QSize size;
    TkavRunOptions options;
};

std::optional<PreviewArgs> parseArgs(const QStringList &args)
{
    PreviewArgs a;
    for (int i = 0; i < args.size(); ++i) {
        const bool hasValue = i + 1 < args.size();
        bool taken = true;
        if (kavTakeRunOption(args, i, a.options, taken)) {
            if (!taken)
                return std::nullopt;
        } else if (args[i] == u"--page" && hasValue) {
            bool ok = false;
            a.page = args[++i].toInt(&ok);
            if (!ok)
                return std::nullopt;
        } else if (args[i] == u"--zoom" && hasValue) {
            a.zoom = args[++i];
        } else if (args[i] == u"--find" && hasValue) {
            a.find = args[++i];
        } else if (args[i] == u"--grab" && hasValue) {
            a.grab = args[++i];
        } else if (args[i] == u"--outline") {
            a.outline = true;
        } else if (args[i] == u"--thumbnails") {
            a.thumbnails = true;
        } else if (args[i] == u"--size" && hasValue) {
            const QStringList parts = args[++i].split(u'x');
            bool okW = false;
            bool okH = false;
            if (parts.size() == 2)
                a.size = QSize(parts[0].toInt(&okW), parts[1].toInt(&okH));
            if (!okW || !okH || a.size.width() < 200 || a.size.height() < 150)
                return std::nullopt;
        } else if (a.in.isEmpty() && !args[i].startsWith(u'-')) {
            a.in = args[i];
        } else {
            return std::nullopt;
        }
    }
    if (a.in.isEmpty() || (a.outline && a.thumbnails))
        return std::nullopt;
    return a;
}

// --zoom: a percentage, "width" or "page"; false for anything else.
bool applyZoom(TkavPreview &preview, const QString &zoom)
{
    if (zoom.isEmpty())
        return true;
    if (zoom == u"width") {
        preview.SetZoomMode(zmPageWidth);
        return true;
    }
    if (zoom == u"page") {
        preview.SetZoomMode(zmWholePage);
        return true;
    }
    bool ok = false;
    const double percent = QString(zoom).remove(u'%').toDouble(&ok);
    if (ok && percent > 0)
        preview.SetZoom(percent / 100);
    return ok && percent > 0;
}

// Messages go to standard error and never wait for anyone; the window keeps painting.
class GrabUIServices : public TkavHeadlessUIServices
{
public:
    void ProcessMessages() override { QCoreApplication::processEvents(); }
};

// Handles events until the workspace has painted a page after Painted paints, at most 10 s.
void waitForPaint(TkavPreviewWorkspace &workspace, int painted)
{
    QElapsedTimer clock;
    clock.start();
    workspace.viewport()->update();
    while (workspace.PagesPainted() <= painted && clock.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

const char usage[] = "usage: kavrel preview IN.(kv3|kw3) [--data ALIAS=FILE]... [--set NAME=VALUE]... "
                     "[--page N] [--zoom PCT|width|page] [--find TEXT] [--outline|--thumbnails] "
                     "[--size WxH] [--grab OUT.png]\n";

} // namespace

bool kavNoDisplay()
{
    // Without a display a window can only be grabbed; otherwise the command says so
    // instead of failing to start the application.
    return !qEnvironmentVariableIsSet("DISPLAY") && !qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
}

int kavCmdPreview(const QStringList &args)
{
    const std::optional<PreviewArgs> a = parseArgs(args);
    if (!a) {
        std::fputs(usage, stderr);
        return 2;
    }
    const bool grab = !a->grab.isEmpty();
    if (!grab && QGuiApplication::platformName() == u"offscreen") {
        std::fputs("kavrel: preview needs a display (or --grab OUT.png)\n", stderr);
        return 2;
    }
    kavInstallPreviewWindow();
    // The Edit button opens the designer on the page shown.
    kavRegisterDesignerEditors();
    kavInstallTextDesignerDialogs();
    kavApplyStoredTheme();
    TkavPreviewForm form;
    if (grab) {
        auto services = std::make_unique<GrabUIServices>();
        kavSetUIServices(std::move(services));
    } else {
        kavSetUIServices(std::make_unique<TkavUIServicesQt>(&form));
        // Dialog pages and script forms ask the user in windows of their own; a picture
        // run answers them as if OK was pressed.
        kavInstallQtFormPresenter();
    }
    TkavPreview &preview = *form.Preview();
    TkavReport report;
    report.EngineOptions().SetNewSilentMode(grab ? simSilent : simMessageBoxes);
    const bool prepared = QFileInfo(a->in).suffix().compare(u"kw3"_s, Qt::CaseInsensitive) == 0;
    if (!prepared) {
        bool clean = true;
        if (!kavLoadTemplate(report, a->in, a->options.Password, clean)
            || !kavApplyRunOptions(report, a->options, a->in))
            return 1;
        report.EngineOptions().SetNewSilentMode(grab ? simSilent : simMessageBoxes);
    } else if (!QFileInfo(a->in).isFile()) {
        std::fprintf(stderr, "kavrel: %s: no such file\n", qPrintable(a->in));
        return 1;
    }
    report.SetPreview(&preview);
    form.ApplyReportOptions(report, !grab);
    if (a->size.isValid())
        form.resize(a->size);
    else if (grab)
        form.resize(1000, 900);
    if (a->outline)
        preview.SetOutlineVisible(true);
    if (a->thumbnails)
        preview.SetThumbnailVisible(true);
    if (!applyZoom(preview, a->zoom)) {
        std::fputs(usage, stderr);
        return 2;
    }

    QElapsedTimer clock;
    qint64 firstPageMs = -1;
    preview.OnFirstPageShown = [&] {
        if (firstPageMs < 0)
            firstPageMs = clock.elapsed();
    };
    bool done = false;
    bool ok = true;
    form.show();
    // The window shows first; the run starts from its event loop and fills it.
    QTimer::singleShot(0, &form, [&] {
        clock.start();
        if (prepared) {
            ok = preview.LoadFromFile(a->in);
        } else {
            ok = report.PrepareReport(true);
            if (grab)
                kavPrintReportErrors(report, a->in);
        }
        done = true;
        if (a->page > 0)
            preview.SetPageNo(a->page);
        if (!grab && !a->find.isEmpty())
            preview.FindText(a->find, a->page <= 0, false);
    });
    if (!grab)
        return QApplication::exec();

    while (!done && form.isVisible())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    bool found = true;
    if (!a->find.isEmpty())
        found = preview.FindText(a->find, a->page <= 0, false);
    waitForPaint(*preview.Workspace(), preview.Workspace()->PagesPainted());
    if (firstPageMs < 0 && preview.PageCount() > 0)
        firstPageMs = clock.elapsed();
    if (!form.grab().save(a->grab)) {
        std::fprintf(stderr, "kavrel: cannot write %s\n", qPrintable(a->grab));
        return 1;
    }
    std::printf("first page shown after %lld ms\n", static_cast<long long>(std::max<qint64>(0, firstPageMs)));
    std::printf("pages %d\n", preview.PageCount());
    if (!a->find.isEmpty()) {
        if (found)
            std::printf("found on page %d\n", preview.FoundPage());
        else
            std::printf("not found\n");
    }
    std::fflush(stdout);
    if (!ok)
        return 1;
    return found ? 0 : 1;
}
