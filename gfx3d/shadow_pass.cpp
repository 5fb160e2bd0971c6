#include "gfx3d/shadow_pass.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <cmath>
#include <cstdint>

#include "gfx2d/gl_extensions.h"
#include "gfx2d/gl_state_cache.h"
#include "gfx2d/opengl_dodevudi.h"
#include "gfx2d/primitives.h"
#include "gfx2d/quad_batch.h"
#include "gfx2d/render_state.h"
#include "gfx3d/camera_projection.h"
#include "gfx3d/dodevudi3d.h"
#include "gfx3d/mesh_records.h"

namespace {

void EnterPass() {
  glShadeModel(GL_FLAT);
  glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
  GlStateEnable(GL_STENCIL_TEST);
  glDepthMask(GL_FALSE);
  glStencilFunc(GL_ALWAYS, 0, 0);
  glStencilOp(GL_KEEP, GL_KEEP, GL_INVERT);
}

// One rectangle over the whole drawing surface in the shadow colour at
// half opacity, where the stencil value is not 0. The 2D set-up it needs
// sets the viewport to the whole surface; the 3D viewport and the engine's
// viewport come back afterwards.
void DarkenShadowedPixels(OpenGLDodevudi& owner, uint32_t colour) {
  GLint glViewportWas[4] = {0, 0, 0, 0};
  glGetIntegerv(GL_VIEWPORT, glViewportWas);
  const ViewportRect viewportWas = GetViewport(owner);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  Reset2DState(owner);
  GlStateEnable(GL_BLEND);
  GlBlendFuncCached(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  owner.currentAlpha = 0.5f;
  GlColorCached(1.0f, 1.0f, 1.0f, 0.5f);
  GlStateEnable(GL_STENCIL_TEST);
  glStencilFunc(GL_NOTEQUAL, 0, ~0u);
  glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
  const ViewportRect surface = GetViewport(owner);
  DrawFilledRect(owner, 0, 0, surface.width, surface.height, static_cast<int32_t>(colour));
  QuadBatchFlush();
  GlStateDisable(GL_BLEND);
  owner.currentAlpha = 1.0f;
  GlColorCached(1.0f, 1.0f, 1.0f, 1.0f);
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
  glViewport(glViewportWas[0], glViewportWas[1], glViewportWas[2], glViewportWas[3]);
  owner.viewport[0] = viewportWas.x;
  owner.viewport[1] = viewportWas.y;
  owner.viewport[2] = viewportWas.width;
  owner.viewport[3] = viewportWas.height;
}

void LeavePass(Dodevudi3D& engine) {
  glCullFace(GL_BACK);
  glDepthMask(GL_TRUE);
  glDepthFunc(GL_LEQUAL);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  if (engine.owner != nullptr) DarkenShadowedPixels(*engine.owner, engine.shadowColour);
  glShadeModel(GL_SMOOTH);
  GlStateEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LESS);
  GlStateDisable(GL_STENCIL_TEST);
  glClear(GL_STENCIL_BUFFER_BIT);
  GlStateEnable(GL_CULL_FACE);
  glCullFace(GL_BACK);
  X3DSetCulling(engine, engine.cullingMode);
}

}  // namespace

void ShadowSettings(Dodevudi3D& engine, int32_t index, uint32_t colour, float x, float y, float z,
                    float angle) {
  engine.shadowsOn = std::fabs(angle) >= 0.00001f ? 1 : 0;
  if (engine.shadowsOn != 0) {
    engine.shadowColour = colour;
    engine.shadowLight[0] = x;
    engine.shadowLight[1] = y;
    engine.shadowLight[2] = z;
  }
  if (index == -1) {
    engine.shadowMode = 1;
  } else if (index == -3) {
    engine.shadowMode = 3;
    Gl3DShadowPass(&engine, engine.shadowsOn);
  } else {
    engine.shadowMode = 2;
  }
}

void Gl3DShadowPass(Dodevudi3D* engine, int32_t on) {
  if (engine == nullptr) return;
  QuadBatchFlush();
  const uint8_t wanted = on != 0 ? 1 : 0;
  if (engine->shadowPass == wanted) return;
  engine->shadowPass = wanted;
  if (wanted != 0) {
    EnterPass();
  } else {
    LeavePass(*engine);
  }
}

void X3DClearDepth(Dodevudi3D& engine) {
  Gl3DShadowPass(&engine, 0);
  // Out of the pass the stencil buffer is all 0: leaving the pass cleared
  // it and nothing else writes it. Clearing it along leaves it so and lets
  // the renderer clear the packed depth and stencil buffer whole instead of
  // keeping the stencil bits of every pixel.
  glClear(GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
}

namespace {

// One vertex of a volume: a corner of the mesh (w 1) or its point at
// infinity away from the light (w 0).
struct VolumeVertex {
  float x, y, z, w;
};

void Corner(VolumeVertex*& out, const MeshNode& node) {
  *out++ = VolumeVertex{node.position[0], node.position[1], node.position[2], 1.0f};
}

void FarCorner(VolumeVertex*& out, const MeshNode& node, const float light[3]) {
  *out++ = VolumeVertex{node.position[0] - light[0], node.position[1] - light[1], node.position[2] - light[2], 0.0f};
}

// The sides: for each silhouette side of a light-facing triangle, the quad
// from its two corners to their points at infinity.
int64_t SideCount(const MeshObject& mesh, int32_t triangles) {
  int64_t sides = 0;
  for (int32_t t = 0; t < triangles; ++t) {
    if (mesh.facing[t] == 0) continue;
    for (int32_t k = 0; k < 3; ++k) sides += mesh.edges[3 * t + k].silhouette != 0 ? 1 : 0;
  }
  return sides;
}

void WriteVolume(const MeshObject& mesh, const GrowArray<MeshNode>& nodes, int32_t triangles,
                 const float light[3], bool caps, VolumeVertex* out) {
  for (int32_t t = 0; t < triangles; ++t) {
    if (mesh.facing[t] == 0) continue;
    for (int32_t k = 0; k < 3; ++k) {
      if (mesh.edges[3 * t + k].silhouette == 0) continue;
      const MeshNode& from = nodes[3 * t + k];
      const MeshNode& to = nodes[3 * t + (k + 1) % 3];
      Corner(out, to);
      Corner(out, from);
      FarCorner(out, from, light);
      FarCorner(out, to, light);
    }
  }
  if (!caps) return;
  for (int32_t t = 0; t < triangles; ++t) {
    const bool facing = mesh.facing[t] != 0;
    for (int32_t k = 0; k < 3; ++k) {
      const MeshNode& node = nodes[3 * t + k];
      if (facing) {
        Corner(out, node);
      } else {
        FarCorner(out, node, light);
      }
    }
  }
}

void DrawVolumeFaces(GLsizei sideVertices, GLsizei capVertices) {
  if (sideVertices > 0) glDrawArrays(GL_QUADS, 0, sideVertices);
  if (capVertices > 0) glDrawArrays(GL_TRIANGLES, sideVertices, capVertices);
}

// Writes the volume into the mesh's stream buffer and binds it (base
// null), or without vertex buffers into the block (base its data). False
// when there is nothing to draw from.
bool UploadVolume(MeshObject& mesh, const GrowArray<MeshNode>& nodes, int32_t triangles, const float light[3],
                  bool caps, int64_t vertices, GrowArray<VolumeVertex>& block, const char** base) {
  if (g_glext.glBindBufferARB == nullptr) {
    if (!block.Reserve(static_cast<int32_t>(vertices))) return false;
    WriteVolume(mesh, nodes, triangles, light, caps, block.data);
    *base = reinterpret_cast<const char*>(block.data);
    return true;
  }
  *base = nullptr;
  if (mesh.streamBuffer == 0) g_glext.glGenBuffersARB(1, &mesh.streamBuffer);
  g_glext.glBindBufferARB(GL_ARRAY_BUFFER_ARB, mesh.streamBuffer);
  g_glext.glBufferDataARB(GL_ARRAY_BUFFER_ARB, static_cast<GLsizeiptrARB>(vertices * sizeof(VolumeVertex)), nullptr,
                          GL_STREAM_DRAW_ARB);
  void* out = g_glext.glMapBufferARB(GL_ARRAY_BUFFER_ARB, GL_WRITE_ONLY_ARB);
  if (out != nullptr) WriteVolume(mesh, nodes, triangles, light, caps, static_cast<VolumeVertex*>(out));
  if (out != nullptr && g_glext.glUnmapBufferARB(GL_ARRAY_BUFFER_ARB) == GL_TRUE) return true;
  g_glext.glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
  return false;
}

}  // namespace

// The volume is written once and drawn from vertex arrays in both passes.
void ShadowVolumeDraw(MeshObject& mesh, const GrowArray<MeshNode>& nodes, const float light[3], bool caps) {
  if (mesh.frames.count == 0) return;
  int32_t triangles = mesh.frames[0].triangles.count / 3;
  if (triangles > mesh.facing.count) triangles = mesh.facing.count;
  if (triangles > mesh.edges.count / 3) triangles = mesh.edges.count / 3;
  if (triangles > nodes.count / 3) triangles = nodes.count / 3;
  const int64_t sideVertices = 4 * SideCount(mesh, triangles);
  const int64_t capVertices = caps ? 3 * int64_t{triangles} : 0;
  const int64_t vertices = sideVertices + capVertices;
  // Culling stays on from here: the passes below need it.
  GlUnitTexturingCached(0, false);
  GlStateDisable(GL_LIGHTING);
  glDepthFunc(GL_LESS);
  GlStateEnable(GL_CULL_FACE);
  glStencilFunc(GL_ALWAYS, 0, ~0u);
  glStencilOp(GL_KEEP, GL_KEEP, GL_INCR);
  glCullFace(GL_BACK);
  GrowArray<VolumeVertex> block;
  const char* base = nullptr;
  const bool drawn = vertices > 0 && vertices <= INT32_MAX &&
                     UploadVolume(mesh, nodes, triangles, light, caps, vertices, block, &base);
  if (drawn) {
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(4, GL_FLOAT, sizeof(VolumeVertex), base);
    DrawVolumeFaces(static_cast<GLsizei>(sideVertices), static_cast<GLsizei>(capVertices));
  }
  glStencilOp(GL_KEEP, GL_KEEP, GL_DECR);
  glCullFace(GL_FRONT);
  if (!drawn) return;
  DrawVolumeFaces(static_cast<GLsizei>(sideVertices), static_cast<GLsizei>(capVertices));
  glDisableClientState(GL_VERTEX_ARRAY);
  if (g_glext.glBindBufferARB != nullptr) g_glext.glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
}
