#include "kavUIServices.h"
