#include "kavCollections.h"
