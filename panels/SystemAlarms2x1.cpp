#include "SystemAlarms2x1.h"
