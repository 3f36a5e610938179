#pragma once

// The system module: the standard types, the constants every script expects (True, False,
// nil, Null), the exception variables try ... except fills, and the basic functions.

// Registers the module with the library (once; later calls do nothing). Scripts get it
// with TkyScript::AddRTTI.
void kyRegisterSystemModule();
