#include "Alarm.h"
