#include "gfx2d/sprite_draw.h"

#include <GL/gl.h>

#include <cmath>

#include "gfx2d/gl_extensions.h"
#include "gfx2d/gl_state_cache.h"
#include "gfx2d/opengl_dodevudi.h"
#include "gfx2d/quad_batch.h"
#include "gfx2d/render_state.h"

namespace {

// The sprite bound last, shared by every engine (there is one) and by the
// polygon batch.
int32_t g_boundSprite = -1;

constexpr float kDegreesToRadians = 0.017453292f;
// StretchAnim pushes its far edges out by this much.
constexpr float kStretchEdge = 0.1f;


// a / b, or 0 for a texture size of 0 (a slot that never held a picture).
float Over(float a, int32_t b) { return b != 0 ? a / static_cast<float>(b) : 0.0f; }

// Coordinates are summed in 64 bits: a position near the end of the
// integer range must not wrap onto the screen.
float At(int32_t a, int64_t b) { return static_cast<float>(a + b); }

// Through the state cache: drawing the same sprite again makes no call.
void BindOnUnit(int unit, uint32_t texture) {
  GlActiveUnitCached(unit);
  GlBindTextureCached(texture);
  GlUnitTexturingCached(unit, true);
  GlTexParameterCached(GL_TEXTURE_WRAP_S, GL_REPEAT);
  GlTexParameterCached(GL_TEXTURE_WRAP_T, GL_REPEAT);
}

// Binds one sprite on unit 0 and gives its texture the engine's filters.
void BindForDrawing(OpenGLDodevudi& engine, int32_t sprite) {
  SpriteBindTexture(engine, sprite, -1, 0, nullptr);
  ApplySmoothingToTexture(engine);
}

// Queues a quad given as GL_QUADS corners (right-top, left-top,
// left-bottom, right-bottom) on whole pixels, u0/u1 the left/right and
// vLo/vHi the bottom/top texture coordinates.
void QueueUpright(int64_t left, int64_t top, int64_t right, int64_t bottom, float u0, float u1, float vLo,
                  float vHi) {
  const float l = static_cast<float>(left);
  const float t = static_cast<float>(top);
  const float r = static_cast<float>(right);
  const float b = static_cast<float>(bottom);
  const float xy[8] = {r, t, l, t, l, b, r, b};
  const float uv[8] = {u1, vHi, u0, vHi, u0, vLo, u1, vLo};
  QuadBatchAdd(xy, uv, QuadSplit::kQuads);
}

// The texture rectangle of one frame of an animation sheet.
struct FrameRect {
  float u0, u1, vLo, vHi;
};

// False when the sprite has no frame size. Frames run row by row, rows
// from the top of the picture; a frame wider than the picture puts every
// frame in row 0. Computed in 64 bits, so any frame number is a position.
bool FrameOf(const SpriteRecord& sprite, int32_t frame, FrameRect* out) {
  const int32_t fw = sprite.frameWidth;
  const int32_t fh = sprite.frameHeight;
  if (fw == 0 || fh == 0) return false;
  const int64_t perRow = sprite.imageWidth / fw;
  int64_t row = 0;
  int64_t column = frame;
  if (perRow != 0) {
    row = frame / perRow;
    column = frame % perRow;
  }
  const float du = Over(static_cast<float>(fw), sprite.textureWidth);
  out->u0 = static_cast<float>(column) * du;
  out->u1 = out->u0 + du;
  out->vLo = Over(static_cast<float>(sprite.imageHeight - fh * (row + 1)), sprite.textureHeight);
  out->vHi = out->vLo + Over(static_cast<float>(fh), sprite.textureHeight);
  return true;
}

}  // namespace

void SpriteBindTexture(OpenGLDodevudi& engine, int32_t s, int32_t s2, uint32_t mip,
                       const GrowArray<uint32_t>* table) {
  g_boundSprite = s;
  engine.boundSprite = s;
  engine.boundSecondSprite = s2;
  engine.boundMipmapped = mip != 0 ? 1 : 0;
  if (g_glext.glActiveTextureARB == nullptr) {
    if (s < 0) {
      GlUnitTexturingCached(0, false);
      GlStateEnable(GL_COLOR_MATERIAL);
    } else {
      BindOnUnit(0, SpriteTextureName(engine, s, mip, table));
    }
    return;
  }
  // Unit 1 is visited only when its state changes.
  if (s >= 0 && s2 >= 0) {
    BindOnUnit(1, SpriteTextureName(engine, s, mip, table));
  } else {
    GlUnitTexturingCached(1, false);
  }
  GlActiveUnitCached(0);
  if (s < 0) {
    GlUnitTexturingCached(0, false);
    return;
  }
  BindOnUnit(0, SpriteTextureName(engine, s2 < 0 ? s : s2, mip, table));
}

uint32_t SpriteTextureName(const OpenGLDodevudi& engine, int32_t k, uint32_t mip,
                           const GrowArray<uint32_t>* table) {
  if (table != nullptr) return k >= 0 && k < table->count ? (*table)[k] : 0;
  if (!SpriteInTable(k)) return 0;
  return mip != 0 ? engine.sprites[k].mipmappedTexture : engine.sprites[k].texture;
}

int32_t BoundSpriteNumber() { return g_boundSprite; }

void DrawTexturedQuad(const float quad[16]) {
  GlTexParameterCached(GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  GlTexParameterCached(GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  float xy[8];
  float uv[8];
  for (int i = 0; i < 4; ++i) {
    xy[i * 2] = quad[i * 4];
    xy[i * 2 + 1] = quad[i * 4 + 1];
    uv[i * 2] = quad[i * 4 + 2];
    uv[i * 2 + 1] = quad[i * 4 + 3];
  }
  QuadBatchAdd(xy, uv, QuadSplit::kFan);
}

void FlushVertexArray(OpenGLDodevudi& engine, uint32_t mode) {
  if (engine.vertices.count <= 0) return;
  QuadBatchFlush();
  const TexturedVertex* first = engine.vertices.data;
  glVertexPointer(3, GL_FLOAT, sizeof(TexturedVertex), &first->x);
  glEnableClientState(GL_VERTEX_ARRAY);
  if (g_boundSprite >= 0) {
    glTexCoordPointer(2, GL_FLOAT, sizeof(TexturedVertex), &first->u);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  }
  glDrawArrays(mode, 0, engine.vertices.count);
  glDisableClientState(GL_VERTEX_ARRAY);
  glDisableClientState(GL_TEXTURE_COORD_ARRAY);
}

void DrawSprite(OpenGLDodevudi& engine, int32_t sprite, int32_t x, int32_t y) {
  if (!SpriteInTable(sprite)) return;
  BindForDrawing(engine, sprite);
  const SpriteRecord& s = engine.sprites[sprite];
  QueueUpright(x, y, int64_t{x} + s.imageWidth, int64_t{y} + s.imageHeight, 0.0f, s.uMax, 0.0f, s.vMax);
}

void StretchSprite(OpenGLDodevudi& engine, int32_t sprite, int32_t x, int32_t y, int32_t width,
                   int32_t height) {
  if (!SpriteInTable(sprite)) return;
  BindForDrawing(engine, sprite);
  const SpriteRecord& s = engine.sprites[sprite];
  const float left = At(x, 0);
  const float top = At(y, 0);
  const float right = At(x, width);
  const float bottom = At(y, height);
  const float quad[16] = {left,  bottom, 0.0f,   0.0f,   right, bottom, s.uMax, 0.0f,
                          right, top,    s.uMax, s.vMax, left,  top,    0.0f,   s.vMax};
  DrawTexturedQuad(quad);
}

void RotoZoomSprite(OpenGLDodevudi& engine, int32_t sprite, int32_t x, int32_t y, float angle,
                    float zoom) {
  if (!SpriteInTable(sprite)) return;
  BindForDrawing(engine, sprite);
  const SpriteRecord& s = engine.sprites[sprite];
  // Half a texel inside the picture's edges.
  const float u0 = Over(0.5f, s.textureWidth);
  const float u1 = Over(static_cast<float>(s.imageWidth) - 0.5f, s.textureWidth);
  const float vLo = Over(0.5f, s.textureHeight);
  const float vHi = Over(static_cast<float>(s.imageHeight) - 0.5f, s.textureHeight);
  const float hw = static_cast<float>(s.imageWidth) * zoom * 0.5f;
  const float hh = static_cast<float>(s.imageHeight) * zoom * 0.5f;
  // Turned by the model-view matrix, so drawn on its own: the quads before
  // it under the matrix before, this one at once under its own.
  QuadBatchFlush();
  glPushMatrix();
  glTranslatef(At(x, s.imageWidth / 2), At(y, s.imageHeight / 2), 0.0f);
  glRotatef(angle, 0.0f, 0.0f, -1.0f);
  const float quad[16] = {-hw, hh, u0, vLo, hw, hh, u1, vLo, hw, -hh, u1, vHi, -hw, -hh, u0, vHi};
  DrawTexturedQuad(quad);
  QuadBatchFlush();
  glPopMatrix();
}

void SetSpriteAnimSize(OpenGLDodevudi& engine, int32_t sprite, int16_t frameWidth,
                       int16_t frameHeight) {
  if (!SpriteInTable(sprite)) return;
  engine.sprites[sprite].frameWidth = frameWidth;
  engine.sprites[sprite].frameHeight = frameHeight;
}

void DrawAnim(OpenGLDodevudi& engine, int32_t sprite, int32_t frame, int32_t x, int32_t y) {
  if (!SpriteInTable(sprite)) return;
  const SpriteRecord& s = engine.sprites[sprite];
  FrameRect f;
  if (!FrameOf(s, frame, &f)) return;
  BindForDrawing(engine, sprite);
  QueueUpright(x, y, int64_t{x} + s.frameWidth, int64_t{y} + s.frameHeight, f.u0, f.u1, f.vLo, f.vHi);
}

void StretchAnim(OpenGLDodevudi& engine, int32_t sprite, int32_t frame, int32_t x, int32_t y,
                 int32_t width, int32_t height) {
  if (!SpriteInTable(sprite)) return;
  FrameRect f;
  if (!FrameOf(engine.sprites[sprite], frame, &f)) return;
  BindForDrawing(engine, sprite);
  const float left = At(x, 0);
  const float top = At(y, 0);
  const float right = At(x, width) + kStretchEdge;
  const float bottom = At(y, height) + kStretchEdge;
  const float quad[16] = {left,  top,    f.u0, f.vHi, left, bottom, f.u0, f.vLo,
                          right, bottom, f.u1, f.vLo, right, top,   f.u1, f.vHi};
  DrawTexturedQuad(quad);
}

void RotoZoomAnim(OpenGLDodevudi& engine, int32_t sprite, int32_t frame, int32_t x, int32_t y,
                  float angle, float zoom) {
  if (!SpriteInTable(sprite)) return;
  const SpriteRecord& s = engine.sprites[sprite];
  FrameRect f;
  if (!FrameOf(s, frame, &f)) return;
  BindForDrawing(engine, sprite);
  const float u0 = f.u0 + Over(0.5f, s.textureWidth);
  const float u1 = f.u1 - Over(0.5f, s.textureWidth);
  const float vLo = f.vLo + Over(0.5f, s.textureHeight);
  const float vHi = f.vHi - Over(0.5f, s.textureHeight);
  const float cx = At(x, s.frameWidth / 2);
  const float cy = At(y, s.frameHeight / 2);
  const float hw = static_cast<float>(s.frameWidth) * zoom * 0.5f;
  const float hh = static_cast<float>(s.frameHeight) * zoom * 0.5f;
  const float radians = angle * kDegreesToRadians;
  const float c = std::cos(radians);
  const float sn = std::sin(radians);
  // The corners turned here, in the same sense as RotoZoomSprite's matrix.
  const float quad[16] = {
      cx - hw * c - hh * sn, cy - hh * c + hw * sn, u0, vHi,
      cx - hw * c + hh * sn, cy + hh * c + hw * sn, u0, vLo,
      cx + hw * c + hh * sn, cy + hh * c - hw * sn, u1, vLo,
      cx + hw * c - hh * sn, cy - hh * c - hw * sn, u1, vHi,
  };
  DrawTexturedQuad(quad);
}
