#include "base/NumberText.h"
