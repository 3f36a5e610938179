#include "kavScriptLibrary.h"

#include "ky_formsrtti.h"
#include "ky_graphicsrtti.h"

#include <script/ky_library.h>

void kavRegisterScriptLibrary()
{
    kyRegisterStandardLibrary();
    kyRegisterGraphicsModule();
    kyRegisterFormsModule();
}
