#include "Status4x1.h"
