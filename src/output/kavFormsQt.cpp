#include "kavFormsQt.h"
