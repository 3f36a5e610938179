#include "ky_formsrtti.h"

void kyRegisterFormsModule() {}
