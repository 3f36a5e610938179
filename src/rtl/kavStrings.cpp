#include "kavStrings.h"
