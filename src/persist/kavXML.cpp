#include "kavXML.h"
