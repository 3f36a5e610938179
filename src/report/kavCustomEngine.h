#pragma once

// TkavCustomEngine: the engine as the report, the prepared-page store and scripts see it.
// It turns a template and its data into prepared pages; the one implementation lives with
// the engine. The base keeps the published run state and its report.

#include <report/kavComponent.h>
#include <rtl/kavObject.h>
#include <rtl/kavVariant.h>

#include <QString>

#include <functional>
#include <vector>

class TkavBand;
class TkavClassInfo;
class TkavCustomPreviewPages;
class TkavPage;
class TkavReport;

// Shows a dialog page in place of its modal window and returns the modal result
// (mrCancel stops the run).
using TkavRunDialogEvent = std::function<int(TkavPage &Page)>;

class TkavCustomEngine : public TPersistent
{
public:
    KAV_CLASSINFO

    explicit TkavCustomEngine(TkavReport *AReport) : FReport(AReport) {}
    ~TkavCustomEngine() override;

    // --- published run state -----------------------------------------------------------
    int CurColumn() const { return FCurColumn; }
    void SetCurColumn(int Value) { FCurColumn = Value; }
    int CurVColumn() const { return FCurVColumn; }
    void SetCurVColumn(int Value) { FCurVColumn = Value; }
    double CurX() const { return FCurX; }
    void SetCurX(double Value) { FCurX = Value; }
    double CurY() const { return FCurY; }
    void SetCurY(double Value) { FCurY = Value; }
    // The report's EngineOptions.DoublePass (false without a report).
    bool DoublePass() const;
    // The second pass, or the only one when DoublePass is off.
    bool FinalPass() const { return FFinalPass; }
    void SetFinalPass(bool Value) { FFinalPass = Value; }
    virtual double PageHeight() const { return FPageHeight; }
    void SetPageHeight(double Value) { FPageHeight = Value; }
    double PageWidth() const { return FPageWidth; }
    void SetPageWidth(double Value) { FPageWidth = Value; }
    double StartDate() const { return FStartDate; }
    void SetStartDate(double Value) { FStartDate = Value; }
    double StartTime() const { return FStartTime; }
    void SetStartTime(double Value) { FStartTime = Value; }
    // Pages of the first pass; 0 in single-pass runs and during the first pass.
    int TotalPages() const { return FTotalPages; }
    void SetTotalPages(int Value) { FTotalPages = Value; }
    bool SecondScriptCall() const { return FSecondScriptCall; }
    void SetSecondScriptCall(bool Value) { FSecondScriptCall = Value; }

    // --- public state --------------------------------------------------------------------
    int CurLine() const { return FCurLine; }
    void SetCurLine(int Value) { FCurLine = Value; }
    int CurLineThrough() const { return FCurLineThrough; }
    void SetCurLineThrough(int Value) { FCurLineThrough = Value; }
    TkavCustomPreviewPages *PreviewPages() const { return FPreviewPages; }
    void SetPreviewPages(TkavCustomPreviewPages *Value) { FPreviewPages = Value; }
    TkavReport *Report() const { return FReport; }
    bool Running() const { return FRunning; }
    void SetRunning(bool Value) { FRunning = Value; }
    // Objects told (OnNotify with the band) after every data row is shown; an object freed
    // meanwhile is skipped.
    std::vector<TkavComponentRef<TkavComponent>> &NotifyList() { return FNotifyList; }
    const TkavRunDialogEvent &OnRunDialog() const { return FOnRunDialog; }
    void SetOnRunDialog(TkavRunDialogEvent Value) { FOnRunDialog = std::move(Value); }

    // --- operations ----------------------------------------------------------------------
    virtual void EndPage() = 0;
    // Abandons any keep-together block; the base has none.
    virtual void BreakAllKeep() {}
    virtual void NewColumn() = 0;
    virtual void NewPage() = 0;
    virtual void ShowBand(TkavBand *Band) = 0;
    virtual void ShowBand(const TkavClassInfo &BandClass) = 0;
    virtual double HeaderHeight() = 0;
    virtual double FooterHeight() = 0;
    virtual double FreeSpace() = 0;
    virtual Variant
    GetAggregateValue(const QString &Name, const QString &Expression, TkavBand *Band, int Flags) = 0;
    // Prepares the whole report, or only APage; false when the run did not complete.
    virtual bool Run(bool ARunDialogs, bool AClearLast, TkavPage *APage) = 0;
    // Requests termination: the report's Terminated.
    void StopReport();

private:
    TkavReport *FReport; // not owned
    TkavCustomPreviewPages *FPreviewPages = nullptr; // not owned
    int FCurColumn = 0;
    int FCurVColumn = 0;
    double FCurX = 0;
    double FCurY = 0;
    bool FFinalPass = false;
    double FPageHeight = 0;
    double FPageWidth = 0;
    double FStartDate = 0;
    double FStartTime = 0;
    int FTotalPages = 0;
    bool FSecondScriptCall = false;
    int FCurLine = 0;
    int FCurLineThrough = 0;
    bool FRunning = false;
    std::vector<TkavComponentRef<TkavComponent>> FNotifyList;
    TkavRunDialogEvent FOnRunDialog;
};
