#pragma once

// TkavCustomPreview: what a report needs of the control that shows its prepared pages. The
// report attaches its pages with Init, reports the progress of its runs and asks for a
// re-run after drill-down changes; the control itself lives in the user-interface library.

#include <QString>

#include <functional>

class QObject;
class TkavCustomPreviewPages;
class TkavReport;

// ORDER persisted: callbacks and scripts see the phase as a number.
enum TkavProgressType : int {
    ptRunning,
    ptExporting,
    ptPrinting
};

class TkavCustomPreview
{
public:
    virtual ~TkavCustomPreview();

    // Attaches a report and its pages; false when the report went into a tab of its own.
    virtual bool Init(TkavReport *aReport, TkavCustomPreviewPages *aPrevPages) = 0;
    // Forgets every tab that shows aPreviewPages.
    virtual void UnInit(TkavCustomPreviewPages *aPreviewPages) = 0;
    // While locked the control paints only its background and ignores the mouse.
    virtual void Lock() = 0;
    virtual void Unlock() = 0;
    // Runs the attached report again and keeps the view (page, scroll position).
    virtual void RefreshReport() = 0;
    // The phases of a run; Progress is the number of pages finished.
    virtual void InternalOnProgressStart(TkavReport *Sender, TkavProgressType ProgressType, int Progress) = 0;
    virtual void InternalOnProgress(TkavReport *Sender, TkavProgressType ProgressType, int Progress) = 0;
    virtual void InternalOnProgressStop(TkavReport *Sender, TkavProgressType ProgressType, int Progress) = 0;
    // A text of the report for the window's status line, or its hint.
    virtual void ShowReportMessage(const QString &Text, bool IsHint) = 0;
    // The window around the control (what the report calls its PreviewForm), or null.
    virtual QObject *PreviewWindow() const = 0;

    TkavReport *Report() const { return FReport; }
    void SetReport(TkavReport *Value) { FReport = Value; }
    TkavCustomPreviewPages *PreviewPages() const { return FPreviewPages; }
    void SetPreviewPages(TkavCustomPreviewPages *Value) { FPreviewPages = Value; }
    // Object hints of the report are shown (initially on).
    bool UseReportHints() const { return FUseReportHints; }
    void SetUseReportHints(bool Value) { FUseReportHints = Value; }

private:
    TkavCustomPreviewPages *FPreviewPages = nullptr; // not owned
    TkavReport *FReport = nullptr;                   // not owned
    bool FUseReportHints = true;
};

// Opens the report's own preview window when no control is attached: the window's control
// becomes the report's Preview and shows the prepared pages, OnPreview runs, and the window
// is shown as the report's PreviewOptions say (a modal one returns when it is closed). A
// window deletes itself when closed. The user-interface library installs it; without one a
// report cannot be shown.
using TkavPreviewWindowHook = std::function<void(TkavReport &Report)>;
// Installs Hook (an empty one removes it) and returns the previous one.
TkavPreviewWindowHook kavSetPreviewWindowHook(TkavPreviewWindowHook Hook);
const TkavPreviewWindowHook &kavPreviewWindowHook();

// Locks the report's preview (it paints only its background) while the store is printed or
// exported page by page, and unlocks it again however the job ends; a preview that went
// away meanwhile is left alone.
class TkavPreviewLockGuard
{
public:
    explicit TkavPreviewLockGuard(TkavReport *Report);
    ~TkavPreviewLockGuard();
    TkavPreviewLockGuard(const TkavPreviewLockGuard &) = delete;
    TkavPreviewLockGuard &operator=(const TkavPreviewLockGuard &) = delete;

private:
    TkavReport *FReport;
    TkavCustomPreview *FPreview;
};
