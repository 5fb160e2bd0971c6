#include "gfx2d/quad_batch.h"

#include <GL/gl.h>

#include <cstring>

#include "gfx2d/gl_state_cache.h"

namespace {

constexpr int32_t kCorners = 4;
constexpr int32_t kIndicesPerQuad = 6;
static_assert(kQuadBatchLimit * kCorners - 1 <= UINT16_MAX, "corner numbers fit 16-bit indices");

// The two triangles of each split, as corner numbers of the quad.
constexpr uint16_t kSplitCorners[3][kIndicesPerQuad] = {
    {0, 1, 3, 1, 2, 3},  // kQuads
    {0, 1, 2, 0, 2, 3},  // kFan
    {0, 1, 2, 2, 1, 3},  // kStrip
};

struct QuadBatch {
  float positions[kQuadBatchLimit * kCorners * 2];
  float texcoords[kQuadBatchLimit * kCorners * 2];
  float colours[kQuadBatchLimit * kCorners * 4];
  uint16_t indices[kQuadBatchLimit * kIndicesPerQuad];
  int32_t limit = kQuadBatchLimit;
  int64_t draws = 0;
};

QuadBatch g_batch;

}  // namespace

int32_t g_quadBatchQueued = 0;

void QuadBatchAdd(const float xy[8], const float uv[8], QuadSplit split) {
  QuadBatch& b = g_batch;
  const int32_t q = g_quadBatchQueued;
  std::memcpy(&b.positions[q * kCorners * 2], xy, sizeof(float) * kCorners * 2);
  std::memcpy(&b.texcoords[q * kCorners * 2], uv, sizeof(float) * kCorners * 2);
  float colour[4];
  GlCurrentColour(colour);
  float* c = &b.colours[q * kCorners * 4];
  for (int32_t i = 0; i < kCorners; ++i) std::memcpy(c + i * 4, colour, sizeof(colour));
  const uint16_t first = static_cast<uint16_t>(q * kCorners);
  const uint16_t* corners = kSplitCorners[static_cast<int>(split)];
  uint16_t* index = &b.indices[q * kIndicesPerQuad];
  for (int32_t i = 0; i < kIndicesPerQuad; ++i) index[i] = static_cast<uint16_t>(first + corners[i]);
  g_quadBatchQueued = q + 1;
  if (g_quadBatchQueued >= b.limit) QuadBatchDraw();
}

void QuadBatchDraw() {
  QuadBatch& b = g_batch;
  const int32_t quads = g_quadBatchQueued;
  g_quadBatchQueued = 0;
  glVertexPointer(2, GL_FLOAT, 0, b.positions);
  glEnableClientState(GL_VERTEX_ARRAY);
  glTexCoordPointer(2, GL_FLOAT, 0, b.texcoords);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  glColorPointer(4, GL_FLOAT, 0, b.colours);
  glEnableClientState(GL_COLOR_ARRAY);
  glDrawRangeElements(GL_TRIANGLES, 0, static_cast<GLuint>(quads * kCorners - 1), quads * kIndicesPerQuad,
                      GL_UNSIGNED_SHORT, b.indices);
  glDisableClientState(GL_VERTEX_ARRAY);
  glDisableClientState(GL_TEXTURE_COORD_ARRAY);
  glDisableClientState(GL_COLOR_ARRAY);
  ++b.draws;
  // A colour array leaves the current colour undefined.
  GlCurrentColourRestore();
}

void QuadBatchDiscard() { g_quadBatchQueued = 0; }

void QuadBatchSetLimit(int32_t quads) {
  QuadBatchFlush();
  if (quads < 1) quads = 1;
  if (quads > kQuadBatchLimit) quads = kQuadBatchLimit;
  g_batch.limit = quads;
}

int64_t QuadBatchDrawCount() { return g_batch.draws; }
