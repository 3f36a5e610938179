#pragma once

// The report classes module of the script library: report objects, bands, pages, data
// sets, variables, options, the engine and the outline as scripts see them, with the
// report's constants, enumerations and date and aggregate functions. A script may not
// reload, clear or re-prepare a report while that report runs.

#include <QString>

class TkavComponent;

// The message scripts get when they try to reload, clear or show a running report.
inline constexpr char16_t kavRunningReportMessage[]
    = u"The running report cannot be reloaded or cleared";

// Whether component belongs to a report that is running now: its engine runs or its own
// script's main block executes. A component outside any report is never running.
bool kavReportIsRunning(const TkavComponent &component);

// Raises EkavError with kavRunningReportMessage when kavReportIsRunning(component).
void kavCheckReportNotRunning(const TkavComponent &component);

// Adds the module to the library modules every script takes, at its place after the forms
// module (once per process; later calls do nothing).
void kavRegisterReportModule();
