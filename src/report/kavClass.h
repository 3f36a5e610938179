#pragma once

// The report object model for users outside src/report (the host and the designer): one
// include for every class family. Code inside src/report includes the header it needs.

#include <report/kavBands.h>
#include <report/kavComponent.h>
#include <report/kavDataSets.h>
#include <report/kavFrames.h>
#include <report/kavPages.h>
#include <report/kavReport.h>
#include <report/kavViews.h>
