// The designer window's script debugging: the commands on the code page, the watch list and
// the pauses of a run.

#include "kavDesgnForm.h"

#include <designer/code/kavDesgnDebugger.h>
#include <designer/code/kavDesgnSyntaxMemo.h>
#include <designer/code/kavDesgnWatch.h>
#include <designer/document/kavDesgnDocument.h>
#include <report/kavReport.h>
#include <rtl/kavStrings.h>

#include <QApplication>
#include <QDockWidget>
#include <QPainter>
#include <QStyle>
#include <QToolBar>

using namespace Qt::StringLiterals;

namespace {

// A red dot, as the breakpoints show in the gutter.
QIcon breakPointIcon()
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(0xd0, 0x30, 0x30));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QRectF(3, 3, 10, 10));
    return pixmap;
}

} // namespace

void TkavDesignerForm::buildDebugger()
{
    QToolBar &codeBar = *findChild<QToolBar *>(u"CodeTB"_s);
    FDebugger = std::make_unique<TkavScriptDebugger>(FReport, FCodeWindow->Model());
    FDebugger->OnStartRun = [this] { return runPreview(); };
    FDebugger->OnPause = [this](int line, int column) { debugPaused(line, column); };
    FDebugger->OnResume = [this] { debugResumed(); };

    FWatchForm = new TkavWatchForm(this);
    FWatchForm->SetScript(&FReport.Script());
    FWatchDock = new QDockWidget(this);
    FWatchDock->setObjectName(u"WatchDock"_s);
    FWatchDock->setWidget(FWatchForm);
    FCaptionKeys.insert(FWatchDock, u"5900"_s);
    addDockWidget(Qt::BottomDockWidgetArea, FWatchDock);
    FWatchDock->hide();
    // A few lines high under the script when first shown, not half the window.
    connect(FWatchDock, &QDockWidget::visibilityChanged, this, [this](bool visible) {
        if (visible && !FWatchDock->property("sized").toBool()) {
            FWatchDock->setProperty("sized", true);
            resizeDocks({FWatchDock}, {120}, Qt::Vertical);
        }
    });

    // Step and the editor's keys act on the script page (or in a pause); Run and Stop anywhere.
    QStyle *s = style();
    const struct
    {
        const char16_t *name, *key;
        QIcon icon;
        QKeySequence keys;
        std::function<void()> run;
    } defs[] = {
        {u"RunScriptCmd", u"dsRunScript", s->standardIcon(QStyle::SP_MediaPlay), Qt::Key_F9, [this] {
             FDebugger->Run();
         }},
        {u"StepScriptCmd", u"dsStepScript", s->standardIcon(QStyle::SP_MediaSeekForward), Qt::Key_F7,
         [this] { FDebugger->Step(); }},
        {u"StopScriptCmd", u"dsStopScript", s->standardIcon(QStyle::SP_MediaStop), Qt::CTRL | Qt::Key_F2,
         [this] { FDebugger->Stop(); }},
        {u"BreakPointCmd", u"dsBreakPoint", breakPointIcon(), Qt::Key_F5, [this] {
             FCodeWindow->ToggleBreakPoint(FCodeWindow->GetPos().y());
         }},
        {u"RunToCursorCmd", u"dsRunToCursor", {}, Qt::Key_F4, [this] {
             FDebugger->RunToCursor(FCodeWindow->GetPos().y());
         }},
        {u"EvaluateCmd", u"5500", {}, Qt::CTRL | Qt::Key_F7, [this] { evaluate(); }},
    };
    codeBar.addSeparator();
    for (const auto &d : defs) {
        QAction *a = addCommand(QString::fromUtf16(d.name), -1, d.keys, d.run);
        a->setIcon(d.icon);
        FCaptionKeys.insert(a, QString::fromUtf16(d.key));
        codeBar.addAction(a); // without an icon the caption shows
    }
    FWatchDock->toggleViewAction()->setObjectName(u"WatchListTB"_s);
    codeBar.addAction(FWatchDock->toggleViewAction());
    Command(u"StepScriptCmd"_s)->setShortcuts({Qt::Key_F7, Qt::Key_F8});
}

void TkavDesignerForm::updateDebugCommands()
{
    const bool onScript = !Document().Page();
    const bool running = FDebugger->Running();
    const bool paused = FDebugger->Paused();
    const bool allowed = Document().CheckOp(drDontPreviewReport);
    auto enable = [this](const char *name, bool on) { Command(QString::fromLatin1(name))->setEnabled(on); };
    enable("RunScriptCmd", allowed && (paused || !running));
    enable("StepScriptCmd", allowed && (paused || (!running && onScript)));
    enable("RunToCursorCmd", allowed && onScript && (paused || !running));
    enable("StopScriptCmd", running);
    enable("EvaluateCmd", paused); // outside a pause an expression could change the design
    enable("BreakPointCmd", onScript);
    // While the script runs on a snapshot of the design, edits would be lost with it.
    if (running)
        FCodeWindow->setReadOnly(true);
}

void TkavDesignerForm::debugPaused(int line, int column)
{
    const int errors = FReport.Errors().Count();
    if (OnDebugPause)
        OnDebugPause(true);
    Document().ShowScript(line, column);
    FCodeWindow->SetActiveLine(line);
    FWatchForm->SetScriptRunning(true);
    // What the watches' evaluation reported is no error of the report.
    while (FReport.Errors().Count() > errors)
        FReport.Errors().Delete(FReport.Errors().Count() - 1);
    window()->activateWindow();
    FCodeWindow->setFocus();
    UpdateCommands();
}

void TkavDesignerForm::debugResumed()
{
    const bool running = FDebugger->Running();
    FCodeWindow->SetActiveLine(running ? FCodeWindow->Model().ActiveLine() : -1);
    if (!running)
        FWatchForm->SetScriptRunning(false);
    // After Stop the author stays with the script; the pages of a stopped run are partial.
    if (OnDebugPause && !FReport.Terminated())
        OnDebugPause(false);
    UpdateCommands();
}

void TkavDesignerForm::evaluate()
{
    if (!FDebugger->Paused())
        return;
    TkavEvaluateForm dialog(&FReport.Script(), false, this);
    dialog.SetExpression(FCodeWindow->textCursor().selectedText());
    dialog.exec();
}
