#include "kavBandTree.h"
