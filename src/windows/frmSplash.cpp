#include "windows/frmSplash.h"
