#include "ky_graphicsrtti.h"

void kyRegisterGraphicsModule() {}
