#include "kavComponent.h"
