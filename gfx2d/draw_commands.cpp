#include "gfx2d/draw_commands.h"

#include "core/float_to_int.h"
#include "gfx2d/opengl_dodevudi.h"
#include "gfx2d/poly_batch.h"
#include "gfx2d/primitives.h"
#include "gfx2d/render_state.h"
#include "gfx2d/screen_grab.h"
#include "process/app_globals.h"

void GfxSetSmoothing(int32_t flag) {
  if (g_app.engine2d != nullptr) SetSmoothing(*g_app.engine2d, flag != 0 ? 1 : 0);
}

void GfxSetAlphaTest(double threshold) {
  if (g_app.engine2d != nullptr) SetAlphaTest(*g_app.engine2d, NarrowToFloat(threshold));
}

void GfxSetColourKey(int32_t colour) {
  OpenGLDodevudi* engine = g_app.engine2d;
  if (engine == nullptr) return;
  engine->spriteColourKey = static_cast<uint32_t>(colour);
  engine->fontColourKey = static_cast<uint32_t>(colour);
}

void GfxPlotPixel(int32_t x, int32_t y, int32_t colour) {
  if (g_app.engine2d != nullptr) PlotPixel(*g_app.engine2d, x, y, colour);
}

void GfxDrawLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t colour) {
  if (g_app.engine2d != nullptr) DrawLine(*g_app.engine2d, x1, y1, x2, y2, colour);
}

void GfxDrawRect(int32_t x, int32_t y, int32_t width, int32_t height, int32_t colour) {
  if (g_app.engine2d != nullptr) DrawFilledRect(*g_app.engine2d, x, y, width, height, colour);
}

int32_t GfxGetPixel(int32_t x, int32_t y) {
  return g_app.engine2d != nullptr ? static_cast<int32_t>(ReadScreenPixel(*g_app.engine2d, x, y)) : 0;
}

void PolyStart(int32_t sprite, int32_t mode) {
  if (g_app.engine2d != nullptr) PolyBatchBegin(*g_app.engine2d, sprite, mode);
}

void PolyVertex(double x, double y, double textureX, double textureY, int32_t colour) {
  if (g_app.engine2d != nullptr) {
    PolyBatchAddVertex(*g_app.engine2d, NarrowToFloat(x), NarrowToFloat(y), NarrowToFloat(textureX),
                       NarrowToFloat(textureY), colour);
  }
}

void PolyNewStrip() { PolyBatchNewStrip(); }

void PolyEnd() {
  if (g_app.engine2d != nullptr) PolyBatchDraw(*g_app.engine2d);
}
