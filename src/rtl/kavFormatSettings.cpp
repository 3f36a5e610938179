#include "kavFormatSettings.h"
