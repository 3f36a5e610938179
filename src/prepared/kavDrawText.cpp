#include "kavDrawText.h"
