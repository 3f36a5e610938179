#include "kavVariables.h"
