#include "app/window_title.h"

#include "platform/gl_window.h"
#include "process/app_globals.h"

void WindowTitleShow(const RtString& text) {
  if (g_app.mainWindow != nullptr) PlatformWindowSetTitle(g_app.mainWindow, text.c_str());
}
