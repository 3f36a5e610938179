#include "kavDateTime.h"
