#include "kavUtils.h"
