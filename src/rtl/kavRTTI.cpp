#include "kavRTTI.h"
