#include "ky_messages.h"
