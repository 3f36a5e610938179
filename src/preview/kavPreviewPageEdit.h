#pragma once

// Editing a prepared page in the designer: the page is copied into a temporary report and
// flattened, so that the designer shows plain objects where they print and nothing that
// would take them back to data or bands.

#include <memory>

class TkavReport;
class TkavReportPage;

// Every view loses its data field, data set and restrictions and, when aligned to the width
// or the client area, its alignment; every object not directly on the page moves onto it at
// its absolute position with its own font; then the bands are destroyed.
void kavFlattenPage(TkavReportPage &Page);

// A new report whose only page is a flattened copy of Page, of Page's own kind. It shares
// Source's settings store, file name and dot-matrix kind, and reports errors silently.
std::unique_ptr<TkavReport> kavPreparedPageReport(const TkavReportPage &Page, const TkavReport *Source);
