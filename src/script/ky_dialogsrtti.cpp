#include "ky_dialogsrtti.h"

void kyRegisterDialogsModule()
{
}
