#include "Detection.h"
