#include "DetectionParams.h"
