#include "ky_library.h"

#include "ky_classesrtti.h"
#include "ky_dialogsrtti.h"
#include "ky_inirtti.h"
#include "ky_sysfuncs.h"

void kyRegisterStandardLibrary()
{
    // Each module registers itself once, so repeated calls are harmless.
    kyRegisterSystemModule();
    kyRegisterClassesModule();
    kyRegisterDialogsModule();
    kyRegisterIniModule();
}
