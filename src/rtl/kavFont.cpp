#include "kavFont.h"
