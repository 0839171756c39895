#include "Status2x1.h"
