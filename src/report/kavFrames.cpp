#include "kavFrames.h"
