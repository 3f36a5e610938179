#pragma once

// The ini-file module: TCustomIniFile, TMemIniFile and TIniFile for scripts, over the
// portable ini reader and writer of the run-time library. String lists and streams handed
// to its members are the script's TStrings and TStream objects (nil does nothing).

// Registers the module with the library (once; later calls do nothing).
void kyRegisterIniModule();
