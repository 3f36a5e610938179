#include "ky_inirtti.h"

void kyRegisterIniModule()
{
}
