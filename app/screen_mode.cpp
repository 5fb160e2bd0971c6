#include "app/screen_mode.h"

#include <cstdio>

#include "app/frame_end.h"
#include "app/runtime_main.h"
#include "devices/input_device.h"
#include "devices/sound_device.h"
#include "files/error_log.h"
#include "gfx2d/gl_window_modes.h"
#include "gfx2d/opengl_dodevudi.h"
#include "gfx2d/sprite_pixels.h"
#include "process/app_globals.h"

namespace {

constexpr int kSettleFrames = 5;

}  // namespace

void SetScreen(int32_t width, int32_t height, int32_t fullScreen) {
  g_app.fullScreen = fullScreen;
  g_app.height = height;
  g_app.width = width;
  OpenGLDodevudi* engine = g_app.engine2d;
  if (engine == nullptr) return;
  SetScreenMode(*engine, width, height, 0, fullScreen);
  if (g_app.input != nullptr) {
    PointerModeApply(g_app.input->pointerMode != 0);
    g_app.input->window = engine->window;
  }
  g_app.mainWindow = engine->window;
  if (g_app.soundDevice != nullptr) SoundDeviceSetWindow(*g_app.soundDevice, g_app.mainWindow);
  for (int frame = 0; frame < kSettleFrames; ++frame) ShowScreen();
}

void NotifyScreenSize(int32_t width, int32_t height) {
  char line[64];
  std::snprintf(line, sizeof line, "vnl_notify_screen_size %dx%d\n", width, height);
  ErrorLogAppend(line);
  g_app.width = width;
  g_app.desktopWidth = width;
  g_app.height = height;
  g_app.desktopHeight = height;
  if (g_app.engine2d != nullptr) {
    g_app.engine2d->screenWidth = width;
    g_app.engine2d->screenHeight = height;
  }
}

void ProjectScreenSizeGet(int32_t* width, int32_t* height) {
  if (width != nullptr) *width = g_app.width;
  if (height != nullptr) *height = g_app.height;
}

int32_t TexturesInMemory(int32_t on) {
  // Before start-up there is no engine and so no sprite to keep.
  if (g_app.engine2d == nullptr) return 0;
  return TexturesToTempFile(*g_app.engine2d, on != 0) ? 1 : 0;
}
