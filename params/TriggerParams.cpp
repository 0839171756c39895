#include "TriggerParams.h"
