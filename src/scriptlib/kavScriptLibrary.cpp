#include "kavScriptLibrary.h"

#include "kavClassRTTI.h"
#include "ky_formsrtti.h"
#include "ky_graphicsrtti.h"

#include <script/ky_langs.h>
#include <script/ky_library.h>

#include <mutex>

void kavRegisterScriptLibrary()
{
    static std::once_flag languages;
    std::call_once(languages, kyRegisterBuiltinLanguages);
    kyRegisterStandardLibrary();
    kyRegisterGraphicsModule();
    kyRegisterFormsModule();
    kavRegisterReportModule();
}
