#include "gfx2d/background_tiles.h"
#include "gfx2d/frame_clear.h"

#include <GL/gl.h>

#include "gfx2d/gl_extensions.h"
#include "gfx2d/gl_state_cache.h"
#include "gfx2d/opengl_dodevudi.h"
#include "gfx2d/quad_batch.h"
#include "gfx2d/render_state.h"
#include "gfx2d/sprite_draw.h"
#include "process/app_globals.h"

void ClearScreen(OpenGLDodevudi& engine) {
  QuadBatchFlush();
  if (engine.backgrounds[0].columns > 0) {
    if (engine.depthClearPending != 0) {
      engine.depthClearPending = 0;
      glClear(GL_DEPTH_BUFFER_BIT);
    }
    DrawBackground(engine, 0);
    return;
  }
  GLbitfield mask = engine.clearColourOn != 0 ? GL_COLOR_BUFFER_BIT : 0;
  if (engine.depthClearPending != 0) {
    mask |= GL_DEPTH_BUFFER_BIT;
    engine.depthClearPending = 0;
  }
  if (mask != 0) glClear(mask);
}

namespace {

// Draws the slot's tiles over the whole surface, their colours scaled by
// weight (alpha ignored), without the alpha test on one texture unit: in
// place of what is there, or added to it. Afterwards blending is off and
// the colour white at alpha 1.
void DrawBackgroundTiles(OpenGLDodevudi& engine, int32_t slot, float weight, bool add) {
  if (slot < 0 || slot >= kBackgroundCount) return;
  const BackgroundSlot& background = engine.backgrounds[slot];
  if (background.columns <= 0) return;

  // The tiles are drawn at once, after the quads before them.
  QuadBatchFlush();
  if (add) {
    GlStateEnable(GL_BLEND);
    GlBlendFuncCached(GL_ONE, GL_ONE);
  } else {
    GlStateDisable(GL_BLEND);
  }
  engine.currentAlpha = 1.0f;
  engine.alphaTestThreshold = 1.0f;
  GlStateDisable(GL_ALPHA_TEST);
  GlColorCached(weight, weight, weight, 1.0f);
  GlUnitTexturingCached(1, false);
  GlActiveUnitCached(0);
  GlUnitTexturingCached(0, true);

  // Tiles lie on the grid of their texture sizes, column by column.
  float x = 0.0f;
  const int columns = background.columns < 8 ? background.columns : 8;
  const int rows = background.rows < 8 ? background.rows : 8;
  for (int c = 0; c < columns; ++c) {
    float y = 0.0f;
    float columnWidth = 0.0f;
    for (int r = 0; r < rows; ++r) {
      const int i = c * 8 + r;
      const float tw = background.tileTextureWidth[i];
      const float th = background.tileTextureHeight[i];
      const float iw = background.tileImageWidth[i];
      const float ih = background.tileImageHeight[i];
      if (tw > 0.0f && th > 0.0f) {
        GlBindTextureCached(background.tileTexture[i]);
        GlTexParameterCached(GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        GlTexParameterCached(GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glBegin(GL_QUADS);
        glTexCoord2f(0.0f, 0.0f);
        glVertex2f(x, y + ih);
        glTexCoord2f(iw / tw, 0.0f);
        glVertex2f(x + iw, y + ih);
        glTexCoord2f(iw / tw, ih / th);
        glVertex2f(x + iw, y);
        glTexCoord2f(0.0f, ih / th);
        glVertex2f(x, y);
        glEnd();
      }
      y += th;
      columnWidth = tw;
    }
    x += columnWidth;
  }

  SpriteBindTexture(engine, -1, -1, 0, nullptr);
  ApplySmoothingToTexture(engine);
  if (add) GlBlendFuncCached(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  GlStateDisable(GL_BLEND);
  GlColorCached(1.0f, 1.0f, 1.0f, 1.0f);
  engine.currentAlpha = 1.0f;
}

}  // namespace

void DrawBackground(OpenGLDodevudi& engine, int32_t slot) { DrawBackgroundTiles(engine, slot, 1.0f, false); }

void DrawBackgroundMix(OpenGLDodevudi& engine, int32_t from, int32_t to, float t) {
  DrawBackgroundTiles(engine, from, 1.0f - t, false);
  DrawBackgroundTiles(engine, to, t, true);
}

void GfxClearScreen(int32_t colour) {
  OpenGLDodevudi* engine = g_app.engine2d;
  if (engine == nullptr) return;
  BackgroundSlotFree(*engine, 0);
  SetClearColour(*engine, colour);
}
