#include "kavSettings.h"
