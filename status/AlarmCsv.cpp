#include "AlarmCsv.h"
