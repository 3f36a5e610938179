#include "kavColors.h"
