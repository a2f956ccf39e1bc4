#include "registers/RegMapStuff.h"
