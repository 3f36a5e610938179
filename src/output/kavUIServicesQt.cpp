#include "kavUIServicesQt.h"
