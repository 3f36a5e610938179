// The report and its preview: attaching a control, showing the pages, the progress of runs,
// exports and prints, and the callbacks around a run.

#include "kavReport.h"
#include "kavReportPreview_p.h"

#include <persist/kavRes.h>
#include <prepared/kavPreviewPages.h>
#include <report/kavCustomEngine.h>
#include <rtl/kavExceptions.h>
#include <rtl/kavFormat.h>
#include <rtl/kavUIServices.h>
#include <script/ky_script.h>

#include <QMetaObject>

using namespace Qt::StringLiterals;

namespace {

TkavPreviewWindowHook &previewWindowHook()
{
    static TkavPreviewWindowHook hook;
    return hook;
}

// Script statements pump pending messages this often, so that a long script keeps the
// window alive and its Cancel button can stop it.
constexpr qint64 scriptPumpMs = 40;

} // namespace

TkavCustomPreview::~TkavCustomPreview() = default;

TkavPreviewWindowHook kavSetPreviewWindowHook(TkavPreviewWindowHook Hook)
{
    return std::exchange(previewWindowHook(), std::move(Hook));
}

const TkavPreviewWindowHook &kavPreviewWindowHook()
{
    return previewWindowHook();
}

TkavPreviewLockGuard::TkavPreviewLockGuard(TkavReport *Report)
    : FReport(Report)
    , FPreview(Report ? Report->Preview() : nullptr)
{
    if (FPreview)
        FPreview->Lock();
}

TkavPreviewLockGuard::~TkavPreviewLockGuard()
{
    if (FPreview && FReport->Preview() == FPreview)
        FPreview->Unlock();
}

// ---------------------------------------------------------------------------------------
// The attached control and the window

TkavCustomPreview *TkavReport::Preview() const
{
    return FPreviewLink->Preview;
}

void TkavReport::SetPreview(TkavCustomPreview *Value)
{
    PreviewLink &link = *FPreviewLink;
    if (link.Preview == Value)
        return;
    if (TkavCustomPreview *old = std::exchange(link.Preview, nullptr)) {
        if (old->Report() == this) {
            old->SetReport(nullptr);
            old->SetPreviewPages(nullptr);
        }
        link.Form = nullptr;
        link.OwnForm = false;
    }
    if (!Value)
        return;
    link.Preview = Value;
    Value->Init(this, FPreviewPages.get());
    Value->SetReport(this);
    Value->SetPreviewPages(FPreviewPages.get());
    if (!link.OwnForm)
        link.Form = Value->PreviewWindow();
}

QObject *TkavReport::PreviewForm() const
{
    return FPreviewLink->Form.data();
}

void TkavReport::SetPreviewForm(QObject *Value)
{
    FPreviewLink->Form = Value;
    FPreviewLink->OwnForm = Value != nullptr;
}

void TkavReport::detachPreview()
{
    PreviewLink &link = *FPreviewLink;
    link.ShowTimer.reset();
    // The window the report opened shows nothing once the report is gone.
    closeOwnPreviewWindow();
    if (TkavCustomPreview *preview = std::exchange(link.Preview, nullptr)) {
        preview->UnInit(FPreviewPages.get());
        if (preview->Report() == this) {
            preview->SetReport(nullptr);
            preview->SetPreviewPages(nullptr);
        }
    }
    link.Form = nullptr;
    link.OwnForm = false;
}

void TkavReport::closeOwnPreviewWindow()
{
    PreviewLink &link = *FPreviewLink;
    if (link.OwnForm && link.Form)
        QMetaObject::invokeMethod(link.Form.data(), "close", Qt::QueuedConnection);
}

void TkavReport::ShowReport(bool ClearLastReport)
{
    if (ClearLastReport)
        FPreviewPages->Clear();
    const bool canShow = FPreviewLink->Preview || kavPreviewWindowHook();
    if (FOldStyleProgress || !canShow) {
        if (PrepareReport(false))
            ShowPreparedReport();
        return;
    }
    // The window is shown first; the run starts from its event loop and fills it.
    PreviewLink &link = *FPreviewLink;
    link.ShowTimer = std::make_unique<QTimer>();
    link.ShowTimer->setSingleShot(true);
    link.ShowTimer->setInterval(50);
    QObject::connect(link.ShowTimer.get(), &QTimer::timeout, [this] {
        if (!FEngine->Running())
            PrepareReport(false);
    });
    link.ShowTimer->start();
    ShowPreparedReport();
}

void TkavReport::ShowPreparedReport()
{
    if (TkavCustomPreview *preview = FPreviewLink->Preview) {
        preview->Init(this, FPreviewPages.get());
        return;
    }
    if (const TkavPreviewWindowHook &hook = kavPreviewWindowHook()) {
        hook(*this);
        return;
    }
    notAvailable(u"The preview"_s);
}

// ---------------------------------------------------------------------------------------
// Runs

bool TkavReport::PreparePage(TkavPage *APage)
{
    FErrors->Clear();
    FTerminated = false;
    FPreviewPages->Clear();
    bool result = false;
    try {
        if (PrepareScript())
            result = FEngine->Run(false, true, APage);
    } catch (const Exception &e) {
        FErrors->Add(e.Message());
    }
    if (FErrors->Count() > 0)
        ReportErrors();
    return result && FErrors->Count() == 0;
}

void TkavReport::SetTerminated(bool Value)
{
    FTerminated = Value;
    // A script running now stops before its next statement.
    if (Value)
        FScript->Terminate();
}

void TkavReport::beginPreviewRun()
{
    PreviewLink &link = *FPreviewLink;
    if (!link.Preview)
        return;
    link.Preview->Init(this, FPreviewPages.get());
    if (FEngineOptions->EnableThreadSafe() || FScript->OnRunLine())
        return;
    link.ScriptPump = true;
    link.PumpClock.start();
    FScript->SetOnRunLine([this](TkyScript &, const QString &, const QString &) {
        PreviewLink &l = *FPreviewLink;
        if (l.PumpClock.elapsed() < scriptPumpMs)
            return;
        l.PumpClock.restart();
        kavUIServices().ProcessMessages();
    });
}

void TkavReport::endPreviewRun()
{
    PreviewLink &link = *FPreviewLink;
    if (std::exchange(link.ScriptPump, false))
        FScript->SetOnRunLine({});
}

// ---------------------------------------------------------------------------------------
// Progress

void TkavReport::InternalOnProgressStart(TkavProgressType ProgressType)
{
    if (FEngineOptions->EnableThreadSafe())
        return;
    PreviewLink &link = *FPreviewLink;
    if (link.OnProgressStart)
        link.OnProgressStart(*this, ProgressType, 0);
    if ((FOldStyleProgress || ProgressType != ptRunning) && FShowProgress) {
        kavUIServices().ProgressBegin(kavResourceTable().Get(u"100"_s), 0);
        link.ProgressWindow = true;
    }
    if (link.Preview && ProgressType == ptRunning)
        link.Preview->InternalOnProgressStart(this, ProgressType, 0);
    kavUIServices().ProcessMessages();
}

void TkavReport::InternalOnProgress(TkavProgressType ProgressType, int Progress)
{
    if (FEngineOptions->EnableThreadSafe())
        return;
    PreviewLink &link = *FPreviewLink;
    if (link.OnProgress)
        link.OnProgress(*this, ProgressType, Progress);
    if (link.ProgressWindow) {
        QString key = u"prPrinting"_s;
        if (ProgressType == ptRunning)
            key = FEngine->FinalPass() ? u"prRunning"_s : u"prRunningFirst"_s;
        else if (ProgressType == ptExporting)
            key = u"prExporting"_s;
        kavUIServices().ProgressSetText(Format(kavResourceTable().Get(key), {Variant(Progress)}));
        if (kavUIServices().ProgressCancelled())
            SetTerminated(true);
    }
    if (link.Preview && ProgressType == ptRunning)
        link.Preview->InternalOnProgress(this, ProgressType, Progress - 1);
    kavUIServices().ProcessMessages();
}

void TkavReport::InternalOnProgressStop(TkavProgressType ProgressType)
{
    if (FEngineOptions->EnableThreadSafe())
        return;
    PreviewLink &link = *FPreviewLink;
    if (link.OnProgressStop)
        link.OnProgressStop(*this, ProgressType, 0);
    if (std::exchange(link.ProgressWindow, false))
        kavUIServices().ProgressEnd();
    if (link.Preview && ProgressType == ptRunning)
        link.Preview->InternalOnProgressStop(this, ProgressType, 0);
    kavUIServices().ProcessMessages();
}

void TkavReport::SetProgressMessage(const QString &Value, bool Ishint)
{
    if (FEngine->Running() && FOldStyleProgress && FShowProgress && FPreviewLink->ProgressWindow)
        kavUIServices().ProgressSetText(Value);
    if (TkavCustomPreview *preview = FPreviewLink->Preview)
        preview->ShowReportMessage(Value, Ishint);
}

// ---------------------------------------------------------------------------------------
// Callbacks

#define KAV_PREVIEW_EVENT(Type, Name)                                                        \
    const TkavReport::Type &TkavReport::Name() const { return FPreviewLink->Name; }          \
    void TkavReport::Set##Name(Type Value) { FPreviewLink->Name = std::move(Value); }

KAV_PREVIEW_EVENT(TkavReportEvent, OnBeginDoc)
KAV_PREVIEW_EVENT(TkavReportEvent, OnAfterScriptCompile)
KAV_PREVIEW_EVENT(TkavReportEvent, OnEndDoc)
KAV_PREVIEW_EVENT(TkavReportEvent, OnPreview)
KAV_PREVIEW_EVENT(TkavReportEvent, OnClosePreview)
KAV_PREVIEW_EVENT(TkavProgressEvent, OnProgressStart)
KAV_PREVIEW_EVENT(TkavProgressEvent, OnProgress)
KAV_PREVIEW_EVENT(TkavProgressEvent, OnProgressStop)
KAV_PREVIEW_EVENT(TkavMouseObjectEvent, OnMouseOverObject)
KAV_PREVIEW_EVENT(TkavLoadDetailTemplateEvent, OnLoadDetailTemplate)

#undef KAV_PREVIEW_EVENT
