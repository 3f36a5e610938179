#include "kavViews.h"
