#include "kavBands.h"
