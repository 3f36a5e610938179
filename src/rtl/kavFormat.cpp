#include "kavFormat.h"
