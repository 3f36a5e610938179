#include "kavDesgnDebugger.h"

#include "kavDesgnSyntaxText.h"

#include <report/kavReport.h>
#include <script/ky_script.h>

#include <QEventLoop>
#include <QScopeGuard>

using namespace Qt::StringLiterals;

namespace {
const QString runToCursor = u"F4"_s;
}

TkavScriptDebugger::TkavScriptDebugger(TkavReport &report, TkavSyntaxText &code)
    : FReport(report)
    , FCode(code)
{
}

TkavScriptDebugger::~TkavScriptDebugger()
{
    installHandler(false);
}

void TkavScriptDebugger::Run()
{
    if (!FRunning)
        return start(false);
    FStepping = false;
    if (FCode.BreakPointCount() == 0)
        installHandler(false); // nothing left to stop at: run to the end
    resume();
}

void TkavScriptDebugger::Step()
{
    if (!FRunning)
        return start(true);
    FStepping = true;
    resume();
}

void TkavScriptDebugger::Stop()
{
    if (!FRunning)
        return;
    installHandler(false);
    FReport.SetTerminated(true); // terminates the script as well
    resume();
}

void TkavScriptDebugger::RunToCursor(int line)
{
    if (!FCode.IsBreakPoint(line))
        FCode.AddBreakPoint(line, runToCursor);
    Run();
}

void TkavScriptDebugger::start(bool step)
{
    FRunning = true;
    FStepping = step;
    FFirstStop = true;
    installHandler(step || FCode.BreakPointCount() > 0);
    const auto done = qScopeGuard([this] {
        FRunning = false;
        installHandler(false);
        FCode.DeleteF4BreakPoints();
        FCode.SetActiveLine(-1);
        if (OnResume)
            OnResume();
    });
    if (OnStartRun)
        OnStartRun();
}

void TkavScriptDebugger::resume()
{
    FResume = true; // also when asked before the pause's loop runs
    if (FPauseLoop)
        FPauseLoop->quit();
}

void TkavScriptDebugger::installHandler(bool on)
{
    if (!on) {
        FReport.Script().SetOnRunLine(nullptr);
        return;
    }
    FReport.Script().SetOnRunLine(
        [this](TkyScript &scope, const QString &unit, const QString &pos) { runLine(scope, unit, pos); });
}

void TkavScriptDebugger::runLine(TkyScript &, const QString &unit, const QString &pos)
{
    // Only the report's own text has lines the editor shows; a second pause never nests.
    if (!unit.isEmpty() || FPauseLoop || FReport.Terminated())
        return;
    const int colon = pos.indexOf(u':');
    const int line = pos.left(colon).toInt();
    const int column = colon < 0 ? 1 : pos.mid(colon + 1).toInt();
    if (!FStepping && !FCode.IsBreakPoint(line))
        return;
    if (FCode.GetBreakPointCondition(line) == runToCursor)
        FCode.DeleteBreakPoint(line);
    if (FFirstStop) {
        FFirstStop = false;
        for (int i = 1; i <= FCode.LineCount(); ++i)
            FCode.SetRunLine(i, FReport.Script().IsExecutableLine(i));
    }
    FCode.SetActiveLine(line);
    QEventLoop loop;
    FPauseLoop = &loop;
    FResume = false;
    const auto done = qScopeGuard([this] { FPauseLoop = nullptr; });
    if (OnPause)
        OnPause(line, std::max(1, column));
    if (!FResume)
        loop.exec();
    if (OnResume)
        OnResume();
}
