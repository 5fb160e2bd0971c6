#include "gfx2d/screen_commands.h"

#include <algorithm>

#include "core/float_to_int.h"
#include "gfx2d/frame_pacing.h"
#include "gfx2d/offscreen_screens.h"
#include "gfx2d/opengl_dodevudi.h"
#include "gfx2d/render_state.h"
#include "gfx2d/screen_grab.h"
#include "process/app_globals.h"

void GfxGetScreenSize(double* width, double* height) {
  int32_t w = 0;
  int32_t h = 0;
  GfxGetScreenSizeI(&w, &h);
  *width = w;
  *height = h;
}

void GfxGetScreenSizeI(int32_t* width, int32_t* height) {
  *width = 0;
  *height = 0;
  if (g_app.engine2d != nullptr) DrawingSurfaceSize(*g_app.engine2d, width, height);
}

int32_t GfxGetOrientation() { return g_app.engine2d != nullptr ? g_app.engine2d->orientation : 0; }

void GfxGetDesktopSize(int32_t* width, int32_t* height) {
  *width = g_app.desktopWidth;
  *height = g_app.desktopHeight;
}

int32_t GfxIsFullScreen() { return g_app.engine2d != nullptr && g_app.engine2d->fullScreen != 0 ? 1 : 0; }

void (*g_shadowPassHook)(Dodevudi3D* engine, int32_t on) = nullptr;

void GfxSetViewport(int32_t x, int32_t y, int32_t width, int32_t height) {
  OpenGLDodevudi* engine = g_app.engine2d;
  if (engine == nullptr) return;
  if (g_shadowPassHook != nullptr) g_shadowPassHook(engine->engine3d, 0);
  SetViewportProjection(*engine, x, y, width, height);
}

void GfxSetOrientation(int32_t orientation) {
  OpenGLDodevudi* engine = g_app.engine2d;
  if (engine == nullptr) return;
  engine->orientation = std::clamp(orientation, 0, 3);
  GfxSetViewport(0, 0, 0, 0);
}

void GfxGetViewport(int32_t* x, int32_t* y, int32_t* width, int32_t* height) {
  const ViewportRect rect = g_app.engine2d != nullptr ? GetViewport(*g_app.engine2d) : ViewportRect{0, 0, 0, 0};
  *x = rect.x;
  *y = rect.y;
  *width = rect.width;
  *height = rect.height;
}

void GfxGetViewportF(double* x, double* y, double* width, double* height) {
  int32_t v[4] = {0, 0, 0, 0};
  GfxGetViewport(&v[0], &v[1], &v[2], &v[3]);
  *x = v[0];
  *y = v[1];
  *width = v[2];
  *height = v[3];
}

void GfxLimitFps(double fps, int32_t vsync) {
  if (g_app.engine2d != nullptr) LimitFps(*g_app.engine2d, TruncToInt32(fps), vsync != 0 ? 1 : 0);
}

int32_t OffscreenCreate(int32_t screen, int32_t sprite, int32_t width, int32_t height) {
  OpenGLDodevudi* engine = g_app.engine2d;
  return engine != nullptr ? ScreenCreate(*engine, screen, sprite, width, height) : 0;
}

void OffscreenUse(int32_t screen) {
  OpenGLDodevudi* engine = g_app.engine2d;
  if (engine == nullptr) return;
  if (screen < 0) {
    ScreenEndCurrent(*engine);
  } else {
    ScreenUse(*engine, screen);
  }
}

int32_t OffscreenFreeNumber() { return g_app.engine2d != nullptr ? FreeScreenNumber(*g_app.engine2d) : -1; }
