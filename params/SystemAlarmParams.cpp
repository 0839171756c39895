#include "SystemAlarmParams.h"
