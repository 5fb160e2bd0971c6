#include "gfx2d/render_state.h"

#include <GL/gl.h>

#include "core/matrix4.h"
#include "gfx2d/frame_clear.h"
#include "gfx2d/gl_state_cache.h"
#include "gfx2d/opengl_dodevudi.h"
#include "gfx2d/quad_batch.h"
#include "gfx2d/sprite_draw.h"
#include "process/app_globals.h"

namespace {

// The transforms take any integers (the program gives them): computed in
// 64 bits and wrapped to 32 as the machine's integer arithmetic wraps.
int32_t Wrap(int64_t value) { return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(value))); }

}  // namespace

void GfxSetBlendMode(double v) {
  const float value = static_cast<float>(v);
  float alpha = 1.0f;
  if (value == 0.0f) {
    GlStateDisable(GL_BLEND);
  } else if (value > 0.0f) {
    GlStateEnable(GL_BLEND);
    GlBlendFuncCached(GL_SRC_ALPHA, GL_ONE);
    alpha = value;
  } else {
    GlStateEnable(GL_BLEND);
    GlBlendFuncCached(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    alpha = -value;
  }
  if (!(alpha <= 1.0f)) alpha = 1.0f;  // also a NaN
  if (g_app.engine2d != nullptr) g_app.engine2d->currentAlpha = alpha;
  GlColorCached(1.0f, 1.0f, 1.0f, alpha);
}

void SetClearColour(OpenGLDodevudi& engine, int32_t colour) {
  if (colour == -1) {
    engine.clearColourOn = 0;
    return;
  }
  engine.clearColourOn = 1;
  QuadBatchFlush();
  const uint32_t c = static_cast<uint32_t>(colour);
  glClearColor(static_cast<float>(c & 0xFF) / 255.0f, static_cast<float>((c >> 8) & 0xFF) / 255.0f,
               static_cast<float>((c >> 16) & 0xFF) / 255.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
}

void SetAlphaTest(OpenGLDodevudi& engine, float threshold) {
  if (threshold < 1.0f) {
    GlStateEnable(GL_ALPHA_TEST);
    GlAlphaFuncCached(GL_GREATER, threshold);
    engine.alphaTestThreshold = threshold;
  } else {
    GlStateDisable(GL_ALPHA_TEST);
    engine.alphaTestThreshold = 1.0f;
  }
}

void SetSmoothing(OpenGLDodevudi& engine, uint8_t flag) { engine.smoothing = flag; }

void ApplySmoothingToTexture(const OpenGLDodevudi& engine) {
  const GLint filter = engine.smoothing != 0 ? GL_LINEAR : GL_NEAREST;
  GlTexParameterCached(GL_TEXTURE_MAG_FILTER, filter);
  GlTexParameterCached(GL_TEXTURE_MIN_FILTER, filter);
}

void SetScreenSize(OpenGLDodevudi& engine, int32_t width, int32_t height) {
  engine.screenWidth = width;
  engine.screenHeight = height;
  SetViewportProjection(engine, 0, 0, 0, 0);
}

void MultOrtho(float left, float right, float bottom, float top, float near, float far) {
  float m[16];
  Mat4Ortho(left, right, bottom, top, near, far, m);
  glMultMatrixf(m);
}

void OrientationMatrix(const OpenGLDodevudi& engine, float out[16]) {
  const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  for (int i = 0; i < 16; ++i) out[i] = identity[i];
  switch (engine.orientation) {
    case 1:  // (x, y) -> (y, -x)
      out[0] = 0; out[1] = -1; out[4] = 1; out[5] = 0;
      break;
    case 2:  // (x, y) -> (-x, -y)
      out[0] = -1; out[5] = -1;
      break;
    case 3:  // (x, y) -> (-y, x)
      out[0] = 0; out[1] = 1; out[4] = -1; out[5] = 0;
      break;
    default: break;
  }
}

void ApplyViewport(const OpenGLDodevudi& engine, int32_t x, int32_t y, int32_t width, int32_t height) {
  QuadBatchFlush();
  if (engine.currentScreen >= 0 && engine.currentScreen < kOffscreenCount) {
    const FboRecord& screen = engine.screens[engine.currentScreen];
    int32_t target = 0;
    if (SpriteInTable(screen.sprite) && engine.sprites != nullptr) {
      target = engine.sprites[screen.sprite].imageHeight;
    }
    glViewport(x, Wrap(int64_t{target} - height - y), width, height);
    return;
  }
  int32_t wx = 0;
  int32_t wy = 0;
  int32_t ww = 0;
  int32_t wh = 0;
  OrientRect(engine, x, y, width, height, &wx, &wy, &ww, &wh);
  if (ww < 0) {
    wx = Wrap(int64_t{wx} + ww + 1);
    ww = Wrap(-int64_t{ww});
  }
  if (wh < 0) {
    wy = Wrap(int64_t{wy} + wh + 1);
    wh = Wrap(-int64_t{wh});
  }
  glViewport(wx, Wrap(int64_t{engine.screenHeight} - wh - wy), ww, wh);
}

void SetViewportProjection(OpenGLDodevudi& engine, int32_t x, int32_t y, int32_t width,
                           int32_t height) {
  QuadBatchFlush();
  const bool offscreen = engine.currentScreen >= 0 && engine.currentScreen < kOffscreenCount;
  if (width < 1 || height < 1) {
    x = 0;
    y = 0;
    if (offscreen) {
      width = engine.screens[engine.currentScreen].width;
      height = engine.screens[engine.currentScreen].height;
    } else if (engine.orientation == 1 || engine.orientation == 3) {
      width = engine.screenHeight;
      height = engine.screenWidth;
    } else {
      width = engine.screenWidth;
      height = engine.screenHeight;
    }
  }

  glMatrixMode(GL_PROJECTION);
  ApplyViewport(engine, x, y, width, height);
  if (offscreen) {
    glLoadIdentity();
    glOrtho(0, width, height, 0, -1, 1);
  } else {
    float turn[16];
    OrientationMatrix(engine, turn);
    glLoadMatrixf(turn);
    MultOrtho(0.0f, static_cast<float>(width), static_cast<float>(height), 0.0f, -1.0f, 1.0f);
  }
  engine.viewport[0] = x;
  engine.viewport[1] = y;
  engine.viewport[2] = width;
  engine.viewport[3] = height;
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

ViewportRect GetViewport(const OpenGLDodevudi& engine) {
  return ViewportRect{engine.viewport[0], engine.viewport[1], engine.viewport[2], engine.viewport[3]};
}

void Reset2DState(OpenGLDodevudi& engine) {
  SetViewportProjection(engine, 0, 0, 0, 0);
  GlStateInvalidate();
  GlStateDisable(GL_DEPTH_TEST);
  GlStateDisable(GL_CULL_FACE);
  glFrontFace(GL_CCW);
  GlColorCached(1.0f, 1.0f, 1.0f, 1.0f);
  GlStateDisable(GL_FOG);
  GlStateDisable(GL_LINE_SMOOTH);
  GlStateDisable(GL_POINT_SMOOTH);
  GlStateDisable(GL_STENCIL_TEST);
  GlStateDisable(GL_NORMALIZE);
  GlStateDisable(GL_LIGHTING);
  glShadeModel(GL_FLAT);
  GlStateDisable(GL_COLOR_MATERIAL);
  GlStateDisable(GL_DITHER);
  GlStateDisable(GL_POLYGON_SMOOTH);
  GlStateDisable(GL_POLYGON_OFFSET_POINT);
  GlStateDisable(GL_AUTO_NORMAL);
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_FASTEST);
  glHint(GL_POLYGON_SMOOTH_HINT, GL_FASTEST);
  engine.smoothing = 1;
  SpriteBindTexture(engine, -1, -1, 0, nullptr);
  SetAlphaTest(engine, 1.0f);
  GlStateEnable(GL_BLEND);
  GlBlendFuncCached(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  engine.currentAlpha = 1.0f;
  GlColorCached(1.0f, 1.0f, 1.0f, 1.0f);
}

void (*g_resetRenderState3DHook)() = nullptr;

void ResetRenderState2D() {
  OpenGLDodevudi* engine = g_app.engine2d;
  if (engine == nullptr) return;
  ClearScreen(*engine);
  SetAlphaTest(*engine, 1.0f);
  if (GlStateCached(GL_BLEND) != 1) GlStateEnable(GL_BLEND);
  GlBlendFuncCached(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  engine->currentAlpha = 1.0f;
  GlColorCached(1.0f, 1.0f, 1.0f, 1.0f);
  Reset2DState(*engine);
  if (g_resetRenderState3DHook != nullptr) g_resetRenderState3DHook();
}

void ScreenPointFromWindow(const OpenGLDodevudi& engine, int32_t x, int32_t y, int32_t* outX,
                           int32_t* outY) {
  const int64_t w = engine.screenWidth;
  const int64_t h = engine.screenHeight;
  switch (engine.orientation) {
    case 1: *outX = y; *outY = Wrap(w - 1 - x); break;
    case 2: *outX = Wrap(w - 1 - x); *outY = Wrap(h - 1 - y); break;
    case 3: *outX = Wrap(h - 1 - y); *outY = x; break;
    default: *outX = x; *outY = y; break;
  }
}

void OrientPoint(const OpenGLDodevudi& engine, int32_t x, int32_t y, int32_t* outX, int32_t* outY) {
  const int64_t w = engine.screenWidth;
  const int64_t h = engine.screenHeight;
  switch (engine.orientation) {
    case 1: *outX = Wrap(w - 1 - y); *outY = x; break;
    case 2: *outX = Wrap(w - 1 - x); *outY = Wrap(h - 1 - y); break;
    case 3: *outX = y; *outY = Wrap(h - 1 - x); break;
    default: *outX = x; *outY = y; break;
  }
}

void OrientDelta(const OpenGLDodevudi& engine, int32_t dx, int32_t dy, int32_t* outDx,
                 int32_t* outDy) {
  const int64_t x = dx;
  const int64_t y = dy;
  switch (engine.orientation) {
    case 1: *outDx = Wrap(-y); *outDy = dx; break;
    case 2: *outDx = Wrap(-x); *outDy = Wrap(-y); break;
    case 3: *outDx = dy; *outDy = Wrap(-x); break;
    default: *outDx = dx; *outDy = dy; break;
  }
}

void OrientRect(const OpenGLDodevudi& engine, int32_t x, int32_t y, int32_t w, int32_t h,
                int32_t* outX, int32_t* outY, int32_t* outW, int32_t* outH) {
  OrientPoint(engine, x, y, outX, outY);
  OrientDelta(engine, w, h, outW, outH);
}
