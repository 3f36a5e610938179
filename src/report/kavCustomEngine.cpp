#include "kavCustomEngine.h"

#include "kavReport.h"

#include <rtl/kavRTTI.h>

using namespace Qt::StringLiterals;

TkavCustomEngine::~TkavCustomEngine() = default;

bool TkavCustomEngine::DoublePass() const
{
    return FReport && FReport->EngineOptions().DoublePass();
}

void TkavCustomEngine::StopReport()
{
    if (FReport)
        FReport->SetTerminated(true);
}

const TkavClassInfo &TkavCustomEngine::StaticClassInfo()
{
    using E = TkavCustomEngine;
    static const TkavClassInfo info =
        kavMakeClassInfo<E, TPersistent>(u"TkavCustomEngine"_s, [](TkavPropBuilder<E> &p) {
            p.Int(u"CurColumn"_s, &E::CurColumn, &E::SetCurColumn);
            p.Int(u"CurVColumn"_s, &E::CurVColumn, &E::SetCurVColumn);
            p.Float(u"CurX"_s, &E::CurX, &E::SetCurX, u"Extended"_s);
            p.Float(u"CurY"_s, &E::CurY, &E::SetCurY, u"Extended"_s);
            p.Bool(u"DoublePass"_s, &E::DoublePass);
            p.Bool(u"FinalPass"_s, &E::FinalPass, &E::SetFinalPass);
            p.Float(u"PageHeight"_s, &E::PageHeight, &E::SetPageHeight, u"Extended"_s);
            p.Float(u"PageWidth"_s, &E::PageWidth, &E::SetPageWidth, u"Extended"_s);
            p.Float(u"StartDate"_s, &E::StartDate, &E::SetStartDate, u"TDateTime"_s);
            p.Float(u"StartTime"_s, &E::StartTime, &E::SetStartTime, u"TDateTime"_s);
            p.Int(u"TotalPages"_s, &E::TotalPages, &E::SetTotalPages);
            p.Bool(u"SecondScriptCall"_s, &E::SecondScriptCall, &E::SetSecondScriptCall);
        });
    return info;
}
