#pragma once

// TkavScriptDebugger: runs a report's script under the designer's control. Breakpoints of the
// code editor and stepping pause the run before a statement; the pause waits in an event loop
// of its own, so the window stays usable, until Run, Step or Stop.

#include <QString>

#include <functional>

class QEventLoop;
class TkavReport;
class TkavSyntaxText;
class TkyScript;

class TkavScriptDebugger
{
public:
    TkavScriptDebugger(TkavReport &report, TkavSyntaxText &code);
    ~TkavScriptDebugger();

    bool Running() const { return FRunning; }
    bool Paused() const { return FPauseLoop != nullptr; }

    // Without a run: starts one (Step pauses on the first statement, Run on a breakpoint).
    // While paused: goes on to the next statement (Step) or the next breakpoint (Run).
    void Run();
    void Step();
    // Ends the run before its next statement: the script terminates, the report too.
    void Stop();
    // A temporary breakpoint on line, then Run.
    void RunToCursor(int line);

    // Runs the report (the designer's preview); false when it did not run.
    std::function<bool()> OnStartRun;
    // A pause began at (line, column) of the main script, 1-based; the run goes on when
    // this returns only after Run, Step or Stop.
    std::function<void(int line, int column)> OnPause;
    // The pause ended (also when the run ended).
    std::function<void()> OnResume;

private:
    void start(bool step);
    void resume();
    void runLine(TkyScript &scope, const QString &unit, const QString &pos);
    void installHandler(bool on);

    TkavReport &FReport;
    TkavSyntaxText &FCode;
    bool FRunning = false;
    bool FStepping = false;
    bool FFirstStop = true;
    bool FResume = false;
    QEventLoop *FPauseLoop = nullptr; // while paused
};
