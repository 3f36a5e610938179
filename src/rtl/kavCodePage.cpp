#include "kavCodePage.h"
