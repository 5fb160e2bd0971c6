#include "gfx2d/primitives.h"

#include <GL/gl.h>

#include "gfx2d/gl_state_cache.h"
#include "gfx2d/opengl_dodevudi.h"
#include "gfx2d/quad_batch.h"
#include "gfx2d/sprite_draw.h"

namespace {

constexpr float kByteScale = 0.003921569f;  // 1 / 255
constexpr uint32_t kNoColourKey = 0xFFFFFFFFu;

void SetDrawingColour(const OpenGLDodevudi& engine, int32_t colour) {
  const uint32_t c = static_cast<uint32_t>(colour);
  const float alpha = IsSpriteColourKey(engine, c) ? 0.0f : engine.currentAlpha;
  GlColorCached(static_cast<float>(c & 0xFF) * kByteScale,
                static_cast<float>((c >> 8) & 0xFF) * kByteScale,
                static_cast<float>((c >> 16) & 0xFF) * kByteScale, alpha);
}

void ColourBackToWhite(const OpenGLDodevudi& engine) {
  GlColorCached(1.0f, 1.0f, 1.0f, engine.currentAlpha);
}

// Untextured, with the projection shifted by 3/8 of a pixel so that
// integer coordinates fall inside their pixels, clear of the edges where
// rasterisation rules decide. Drawn at once, after the quads before.
void BeginPixelDrawing(OpenGLDodevudi& engine, int32_t colour) {
  SetDrawingColour(engine, colour);
  SpriteBindTexture(engine, -1, -1, 0, nullptr);
  QuadBatchFlush();
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glTranslatef(0.375f, 0.375f, 0.0f);
}

void EndPixelDrawing(const OpenGLDodevudi& engine) {
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  ColourBackToWhite(engine);
}

}  // namespace

bool IsSpriteColourKey(const OpenGLDodevudi& engine, uint32_t colour) {
  return engine.spriteColourKey != kNoColourKey && colour == engine.spriteColourKey;
}

void PlotPixel(OpenGLDodevudi& engine, int32_t x, int32_t y, int32_t colour) {
  BeginPixelDrawing(engine, colour);
  glBegin(GL_POINTS);
  glVertex2i(x, y);
  glEnd();
  EndPixelDrawing(engine);
}

void DrawLine(OpenGLDodevudi& engine, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
              int32_t colour) {
  BeginPixelDrawing(engine, colour);
  glBegin(GL_LINES);
  glVertex2i(x1, y1);
  glVertex2i(x2, y2);
  glEnd();
  // A line leaves out its last pixel.
  glBegin(GL_POINTS);
  glVertex2i(x2, y2);
  glEnd();
  EndPixelDrawing(engine);
}

void DrawFilledRect(OpenGLDodevudi& engine, int32_t x, int32_t y, int32_t width, int32_t height,
                    int32_t colour) {
  int64_t left = x;
  int64_t top = y;
  int64_t w = width;
  int64_t h = height;
  if (w < 0) {
    left += w + 1;
    w = -w;
  }
  if (h < 0) {
    top += h + 1;
    h = -h;
  }
  SetDrawingColour(engine, colour);
  SpriteBindTexture(engine, -1, -1, 0, nullptr);
  const float x0 = static_cast<float>(left);
  const float y0 = static_cast<float>(top);
  const float x1 = static_cast<float>(left + w);
  const float y1 = static_cast<float>(top + h);
  const float quad[16] = {x0, y0, 0.0f, 0.0f, x1, y0, 0.0f, 0.0f,
                          x1, y1, 0.0f, 0.0f, x0, y1, 0.0f, 0.0f};
  DrawTexturedQuad(quad);
  ColourBackToWhite(engine);
}
