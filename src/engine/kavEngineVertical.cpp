// Vertical bands: bands that run sideways across the page.
#include "kavEngine.h"
