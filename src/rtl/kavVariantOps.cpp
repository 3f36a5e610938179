#include "kavVariant.h"
