#include "kavMath.h"
