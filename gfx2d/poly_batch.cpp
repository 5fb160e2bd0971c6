#include "gfx2d/poly_batch.h"

#include <GL/gl.h>

#include "core/grow_array.h"
#include "gfx2d/gl_state_cache.h"
#include "gfx2d/opengl_dodevudi.h"
#include "gfx2d/primitives.h"
#include "gfx2d/quad_batch.h"
#include "gfx2d/render_state.h"
#include "gfx2d/sprite_draw.h"

namespace {

struct BatchVertex {
  float x, y;
  float u, v;
  uint8_t red, green, blue, alpha;
};
static_assert(sizeof(BatchVertex) == 20, "the batch is drawn with a stride of 20 bytes");

constexpr uint32_t kPlainWhite = 0xFFFFFF;
constexpr int32_t kNoMode = -1;

struct PolyBatch {
  GrowArray<BatchVertex> vertices;
  float inverseTextureWidth = 0.0f;
  float inverseTextureHeight = 0.0f;
  int32_t mode = kNoMode;
  bool colourUsed = false;
  bool joinPending = false;
};

PolyBatch g_batch;

float Inverse(int32_t size) { return size != 0 ? 1.0f / static_cast<float>(size) : 0.0f; }

uint8_t AlphaByte(const OpenGLDodevudi& engine, uint32_t colour) {
  if (IsSpriteColourKey(engine, colour)) return 0;
  const float alpha = engine.currentAlpha;
  if (alpha < 1.0f) return alpha > 0.0f ? static_cast<uint8_t>(alpha * 255.0f) : 0;
  return 255;
}

}  // namespace

void PolyBatchBegin(OpenGLDodevudi& engine, int32_t sprite, int32_t mode) {
  g_batch.vertices.Clear();
  g_batch.vertices.Reserve(2);
  g_batch.colourUsed = false;
  g_batch.joinPending = false;
  g_batch.inverseTextureWidth = 0.0f;
  g_batch.inverseTextureHeight = 0.0f;
  if (sprite >= kSpriteCount) {
    SpriteBindTexture(engine, -1, -1, 0, nullptr);
    g_batch.mode = kNoMode;
    return;
  }
  SpriteBindTexture(engine, sprite, -1, 0, nullptr);
  g_batch.mode = mode;
  if (sprite >= 0) {
    g_batch.inverseTextureWidth = Inverse(engine.sprites[sprite].textureWidth);
    g_batch.inverseTextureHeight = Inverse(engine.sprites[sprite].textureHeight);
  }
}

void PolyBatchAddVertex(OpenGLDodevudi& engine, float x, float y, float tx, float ty,
                        int32_t colour) {
  GrowArray<BatchVertex>& vertices = g_batch.vertices;
  const int64_t last = int64_t{vertices.count} + (g_batch.joinPending ? 1 : 0);
  if (last >= INT32_MAX || !vertices.Reserve(static_cast<int32_t>(last))) {
    vertices.Clear();
    g_batch.joinPending = false;
    return;
  }
  const uint32_t c = static_cast<uint32_t>(colour);
  BatchVertex vertex{x, y, 0.0f, 0.0f, 255, 255, 255, AlphaByte(engine, c)};
  const int32_t bound = BoundSpriteNumber();
  if (SpriteInTable(bound)) {
    // Texture y counts down from the picture's top edge.
    vertex.u = tx * g_batch.inverseTextureWidth;
    vertex.v = (static_cast<float>(engine.sprites[bound].imageHeight) - ty) *
               g_batch.inverseTextureHeight;
  }
  if (c != kPlainWhite) {
    vertex.red = static_cast<uint8_t>(c);
    vertex.green = static_cast<uint8_t>(c >> 8);
    vertex.blue = static_cast<uint8_t>(c >> 16);
    g_batch.colourUsed = true;
  }
  vertices.Push(vertex);
  if (g_batch.joinPending) {
    vertices.Push(vertex);
    g_batch.joinPending = false;
  }
}

void PolyBatchNewStrip() {
  GrowArray<BatchVertex>& vertices = g_batch.vertices;
  if (vertices.count == 0 || g_batch.joinPending) return;
  if (!vertices.Push(vertices[vertices.count - 1])) {
    vertices.Clear();
    return;
  }
  g_batch.joinPending = true;
}

void PolyBatchDraw(OpenGLDodevudi& engine) {
  const BatchVertex* first = g_batch.vertices.data;
  if (first == nullptr) return;
  QuadBatchFlush();
  glVertexPointer(2, GL_FLOAT, sizeof(BatchVertex), &first->x);
  glEnableClientState(GL_VERTEX_ARRAY);
  if (BoundSpriteNumber() >= 0) {
    glTexCoordPointer(2, GL_FLOAT, sizeof(BatchVertex), &first->u);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  }
  const bool colours = g_batch.colourUsed || engine.currentAlpha != 1.0f;
  if (colours) {
    g_batch.colourUsed = true;
    GlStateEnable(GL_DITHER);
    glShadeModel(GL_SMOOTH);
    glColorPointer(4, GL_UNSIGNED_BYTE, sizeof(BatchVertex), &first->red);
    glEnableClientState(GL_COLOR_ARRAY);
  }
  ApplySmoothingToTexture(engine);
  GLenum primitive = 0;
  bool drawable = true;
  switch (g_batch.mode) {
    case 0: primitive = GL_TRIANGLE_FAN; break;
    case 1: primitive = GL_TRIANGLES; break;
    case 2: primitive = GL_TRIANGLE_STRIP; break;
    default: drawable = false; break;
  }
  if (drawable) glDrawArrays(primitive, 0, g_batch.vertices.count);
  glDisableClientState(GL_VERTEX_ARRAY);
  glDisableClientState(GL_TEXTURE_COORD_ARRAY);
  if (colours) {
    // The colour array leaves the current colour undefined: the cache must
    // not skip the call.
    GlColorCacheInvalidate();
    GlColorCached(1.0f, 1.0f, 1.0f, engine.currentAlpha);
    glDisableClientState(GL_COLOR_ARRAY);
    glShadeModel(GL_FLAT);
    GlStateDisable(GL_DITHER);
  }
}

int32_t PolyBatchCount() { return g_batch.vertices.count; }
