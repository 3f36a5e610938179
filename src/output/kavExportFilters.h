#pragma once

// The export filters the program offers: every kind registered once, in the order file
// dialogs list them.

void kavRegisterExportFilters();
