#include "kavAggregate.h"
