#include "StatusPage.h"
