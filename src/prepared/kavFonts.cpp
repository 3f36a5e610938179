#include "kavFonts.h"
