#include "kavXMLSerializer.h"
