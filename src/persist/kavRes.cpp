#include "kavRes.h"
