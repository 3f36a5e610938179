#include "kavDataSets.h"
