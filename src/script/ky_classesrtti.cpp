#include "ky_classesrtti.h"

void kyRegisterClassesModule()
{
}
