#include "ky_library.h"

#include "ky_classesrtti.h"
#include "ky_dialogsrtti.h"
#include "ky_inirtti.h"
#include "ky_sysfuncs.h"

#include <mutex>

void kyRegisterStandardLibrary(const std::function<void()> &middle)
{
    static std::once_flag once;
    std::call_once(once, [&middle] {
        kyRegisterSystemModule();
        kyRegisterClassesModule();
        if (middle)
            middle();
        kyRegisterDialogsModule();
        kyRegisterIniModule();
    });
}
