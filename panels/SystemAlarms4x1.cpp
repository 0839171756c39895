#include "SystemAlarms4x1.h"
