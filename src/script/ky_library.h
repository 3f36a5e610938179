#pragma once

// The standard library of scripts: registers the library modules in their fixed order so
// that every script given AddRTTI receives the same functions, constants and classes.

#include <functional>

// Registers the system functions, the basic classes, then what middle registers (the
// graphics, forms and report modules of the program), then the dialogs and the ini
// files. Once per process; later calls do nothing.
void kyRegisterStandardLibrary(const std::function<void()> &middle = {});
