#include "app/app_globals.h"

AppGlobals g_app;
