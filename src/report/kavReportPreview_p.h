#pragma once

// The report's link to its preview: the attached control, the window, the callbacks of runs
// and progress. Shared by the report's units.

#include "kavReport.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <memory>

struct TkavReport::PreviewLink
{
    TkavCustomPreview *Preview = nullptr; // not owned; detaches itself when it goes
    QPointer<QObject> Form;               // the window; null once it is gone
    bool OwnForm = false;                 // the report opened Form itself
    bool ProgressWindow = false;          // a progress window of this report is open
    bool ScriptPump = false;              // the script's run-line hook is ours
    QElapsedTimer PumpClock;
    std::unique_ptr<QTimer> ShowTimer;    // starts a shown report's run from the event loop
    TkavReportEvent OnBeginDoc;
    TkavReportEvent OnAfterScriptCompile;
    TkavReportEvent OnEndDoc;
    TkavReportEvent OnPreview;
    TkavReportEvent OnClosePreview;
    TkavProgressEvent OnProgressStart;
    TkavProgressEvent OnProgress;
    TkavProgressEvent OnProgressStop;
    TkavMouseObjectEvent OnMouseOverObject;
    TkavLoadDetailTemplateEvent OnLoadDetailTemplate;
};
