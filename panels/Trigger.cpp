#include "Trigger.h"
