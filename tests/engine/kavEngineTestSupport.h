#pragma once

// Helpers of the engine tests: reports whose pages are A4 portrait with 10 mm margins.

#include <report/kavPages.h>
#include <report/kavReport.h>
#include <rtl/kavRTTI.h>

#include <memory>

// The classes registered and a report whose errors are left in Errors for the test. Runs
// work on the template itself (no reload afterwards), so tests may look at its objects.
inline std::unique_ptr<TkavReport> kavNewTestReport()
{
    kavRegisterRTLClasses();
    kavRegisterReportClasses();
    auto report = std::make_unique<TkavReport>();
    report->EngineOptions().SetNewSilentMode(simSilent);
    report->EngineOptions().SetDestroyForms(false);
    return report;
}

// A new A4 portrait page of Report with margins of 10 mm on every side.
inline TkavReportPage *kavAddTestPage(TkavReport &Report, const QString &Name)
{
    auto *page = TkavComponent::Create<TkavReportPage>(&Report);
    page->SetName(Name);
    for (const auto set : {&TkavReportPage::SetLeftMargin,
                           &TkavReportPage::SetRightMargin,
                           &TkavReportPage::SetTopMargin,
                           &TkavReportPage::SetBottomMargin})
        (page->*set)(10);
    return page;
}

// A new band of class T on Page, named Name, at Top with Height.
template <class T>
T *kavAddTestBand(TkavReportPage &Page, const QString &Name, double Top, double Height)
{
    T *band = TkavComponent::Create<T>(&Page);
    band->SetName(Name);
    band->SetTop(Top);
    band->SetHeight(Height);
    return band;
}
