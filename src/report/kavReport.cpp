#include "kavReport.h"
