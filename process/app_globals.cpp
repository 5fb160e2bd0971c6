#include "process/app_globals.h"

AppGlobals g_app;
