#include "kavTextMeasure.h"
