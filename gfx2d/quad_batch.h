// The quad batch: the quads of sprites, animation frames, filled
// rectangles and text, gathered in one vertex array (positions, texture
// coordinates, colours) and drawn together with one call.
//
// Queued quads are drawn under the OpenGL state of the moment they were
// added, so whatever changes that state, draws by other means, reads or
// replaces pixels or textures, or ends the frame draws the batch first
// (QuadBatchFlush). The state caches of gl_state_cache do it before every
// change they pass on to OpenGL. Main thread only.
#pragma once

#include <cstdint>

// How a quad's four corners, in the order given, make two triangles: as
// GL_QUADS draws them (0 1 3 and 1 2 3), as a triangle fan (0 1 2 and
// 0 2 3), or as a triangle strip (0 1 2 and 2 1 3). The diagonal and the
// corner order decide which pixels along it are covered and how the
// texture is interpolated, so a quad keeps the split it would have when
// drawn alone and the picture does not change with batching.
enum class QuadSplit : uint8_t { kQuads, kFan, kStrip };

// The most quads the batch holds; a full batch is drawn at once.
inline constexpr int32_t kQuadBatchLimit = 4096;

// Queues a quad: four corners of x, y in xy and of u, v in uv, in the
// current colour (see GlCurrentColour).
void QuadBatchAdd(const float xy[8], const float uv[8], QuadSplit split);

// The number of quads queued. Every command starts with a flush, so the
// test for an empty batch is inline.
extern int32_t g_quadBatchQueued;

// Draws the queued quads (at least one) and empties the batch.
void QuadBatchDraw();

// Draws the queued quads and empties the batch; nothing when it is empty.
inline void QuadBatchFlush() {
  if (g_quadBatchQueued != 0) QuadBatchDraw();
}

// Empties the batch without drawing (its context is gone).
void QuadBatchDiscard();

// How many quads the batch holds before it draws them, 1 to
// kQuadBatchLimit (values outside are clamped); 1 draws every quad as it
// comes. The queued quads are drawn first.
void QuadBatchSetLimit(int32_t quads);

// The number of draw calls the batch has made since the process started.
int64_t QuadBatchDrawCount();
