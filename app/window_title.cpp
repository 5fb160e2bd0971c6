#include "app/window_title.h"

#include "app/app_globals.h"
#include "platform/gl_window.h"

void WindowTitleShow(const RtString& text) {
  if (g_app.mainWindow != nullptr) PlatformWindowSetTitle(g_app.mainWindow, text.c_str());
}
