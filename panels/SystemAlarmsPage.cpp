#include "SystemAlarmsPage.h"
