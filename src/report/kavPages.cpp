#include "kavPages.h"
