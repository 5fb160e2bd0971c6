#include "gfx3d/object_draw.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/float_to_int.h"
#include "core/matrix4.h"
#include "gfx2d/gl_extensions.h"
#include "gfx2d/gl_state_cache.h"
#include "gfx2d/opengl_dodevudi.h"
#include "gfx2d/sprite_draw.h"
#include "gfx3d/camera_projection.h"
#include "gfx3d/cel_shading.h"
#include "gfx3d/dodevudi3d.h"
#include "gfx3d/edge_lists.h"
#include "gfx3d/mesh_normals.h"
#include "gfx3d/shadow_pass.h"
#include "gfx3d/transform_stack.h"

namespace {

constexpr GLsizei kStride = sizeof(MeshNode);
constexpr float kTiny = 1e-7f;

// The pose: frame a blended toward frame b by t; r is the frame whose
// bounds and triangles stand for the pose.
struct Pose {
  int32_t a;
  int32_t b;
  float t;
};

int32_t ClampFrame(int64_t n, int32_t count) {
  if (n < 0) return 0;
  return n >= count ? count - 1 : static_cast<int32_t>(n);
}

Pose PoseOf(int32_t a, int32_t b, float t, uint8_t positionFlag, int32_t frameCount) {
  int64_t first = a;
  int64_t second = b;
  if (positionFlag != 0) {
    if (t > 1.0f || t < 0.0f) t = std::fabs(std::fmod(t, 1.0f));
    const float p = static_cast<float>(b - static_cast<int64_t>(a)) * t + static_cast<float>(a);
    const int64_t i = TruncToInt32(p);
    const float part = p - static_cast<float>(i);
    if (a < b) {
      first = i + 1;
      second = i;
      t = 1.0f - part;
    } else if (b < a) {
      first = i;
      second = i + 1;
      t = part;
    } else {
      t = 0.0f;
    }
  }
  return Pose{ClampFrame(first, frameCount), ClampFrame(second, frameCount), t};
}

float ColumnLength(const float m[16], int c) {
  return std::sqrt(m[c * 4] * m[c * 4] + m[c * 4 + 1] * m[c * 4 + 1] + m[c * 4 + 2] * m[c * 4 + 2]);
}

bool OutsideFrustum(const Dodevudi3D& engine, const float m[16], const MeshFrame& frame) {
  float centre[3];
  Mat4TransformPoint(m, frame.centre, centre);
  float radius = frame.radius;
  if (!Mat4IsIdentity3x3(m)) radius *= std::max({ColumnLength(m, 0), ColumnLength(m, 1), ColumnLength(m, 2)});
  for (const float* plane : engine.frustum) {
    if (plane[0] * centre[0] + plane[1] * centre[1] + plane[2] * centre[2] + plane[3] < -radius) return true;
  }
  return false;
}

// The inverse by Gauss-Jordan elimination, each four consecutive elements
// taken as a row; m itself when a pivot is 0.
void InverseGaussJordan(const float m[16], float out[16]) {
  float a[4][4];
  float inv[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
  std::memcpy(a, m, sizeof(a));
  for (int k = 0; k < 4; ++k) {
    int pivot = k;
    for (int j = k + 1; j < 4; ++j) {
      if (std::fabs(a[j][k]) > std::fabs(a[k][k])) pivot = j;
    }
    if (pivot != k) {
      std::swap(a[k], a[pivot]);
      std::swap(inv[k], inv[pivot]);
    }
    const float p = a[k][k];
    if (p == 0.0f) {
      std::memcpy(out, m, 16 * sizeof(float));
      return;
    }
    for (int c = 0; c < 4; ++c) {
      a[k][c] /= p;
      inv[k][c] /= p;
    }
    for (int i = 0; i < 4; ++i) {
      if (i == k) continue;
      const float f = a[i][k];
      for (int c = 0; c < 4; ++c) {
        a[i][c] -= f * a[k][c];
        inv[i][c] -= f * inv[k][c];
      }
    }
  }
  std::memcpy(out, inv, 16 * sizeof(float));
}

// The unit vector of v, or zero when its squared length is at most 1e-7.
void UnitOrZero(float v[3]) {
  if (Vec3Dot(v, v) <= kTiny) {
    v[0] = v[1] = v[2] = 0.0f;
    return;
  }
  Vec3Normalise(v, 0.0f);
}

// What the fill of the draw list needs of the light.
struct Lighting {
  bool on;                // the per-vertex values of modes 1 and 2 are written
  uint8_t mode;
  float light[3];         // in the mesh's own coordinates
  float rowStep;
};

bool PositiveZero(float x) { return x == 0.0f && !std::signbit(x); }

// Fills the draw list with the pose. A fill that only copies a frame (no
// blend, offsets or per-vertex light values) is skipped while the draw
// list still holds the same copy: the vertices have not changed since.
void FillDrawList(MeshObject& mesh, const Pose& pose, const Lighting& lighting, float offsetU, float offsetV) {
  const bool copy = pose.t == 0.0f && PositiveZero(offsetU) && PositiveZero(offsetV) && !lighting.on;
  if (copy && mesh.drawListFrame == pose.a) return;
  mesh.drawListFrame = copy ? pose.a : -1;
  const MeshNode* a = mesh.frames[pose.a].triangles.data;
  const MeshNode* b = mesh.frames[pose.b].triangles.data;
  for (int32_t i = 0; i < mesh.drawNodes.count; ++i) {
    MeshNode& node = mesh.drawNodes[i];
    if (pose.t != 0.0f) {
      for (int k = 0; k < 3; ++k) {
        node.position[k] = a[i].position[k] + (b[i].position[k] - a[i].position[k]) * pose.t;
        node.normal[k] = a[i].normal[k] + (b[i].normal[k] - a[i].normal[k]) * pose.t;
      }
    } else {
      node = a[i];
    }
    if (lighting.on) {
      float d[3] = {lighting.light[0] - node.position[0], lighting.light[1] - node.position[1],
                    lighting.light[2] - node.position[2]};
      UnitOrZero(d);
      if (lighting.mode == 1) {
        node.extra[0] = Vec3Dot(a[i].tangent, d) * 0.5f + 0.5f;
        node.extra[1] = Vec3Dot(a[i].bitangent, d) * 0.5f + 0.5f;
        node.extra[2] = Vec3Dot(node.normal, d) * 0.5f + 0.5f;
      } else if (lighting.mode == 2) {
        node.bitangent[1] = (static_cast<float>(node.colourIndex) + 0.5f) * lighting.rowStep;
        float e[3] = {node.position[0] - node.normal[0], node.position[1] - node.normal[1],
                      node.position[2] - node.normal[2]};
        UnitOrZero(e);
        float s = Vec3Dot(d, e);
        if (s > 0.95f) s = 0.95f;
        if (s < 0.05f) s = 0.05f;
        node.bitangent[0] = s;
      }
    }
    node.u += offsetU;
    node.v += offsetV;
  }
}

// Where the arrays of a draw find each vertex's fields.
struct VertexLayout {
  GLsizei stride;
  int normal;
  int coords;
  int colour;
};

// The nodes as they are.
constexpr VertexLayout kNodeLayout = {kStride, 12, 24, 76};

// What a plain draw takes from the nodes, packed: the position, the
// normal, the texture coordinates and, for a mesh with colours, the colour
// floats. A third of the nodes' bytes for the vertex stage to fetch.
VertexLayout PackedLayout(bool colours) { return {colours ? 48 : 32, 12, 24, 32}; }

void PackNodes(const MeshNode* nodes, int32_t count, bool colours, float* out) {
  for (int32_t i = 0; i < count; ++i) {
    const MeshNode& node = nodes[i];
    std::memcpy(out, node.position, 8 * sizeof(float));  // position, normal, u, v
    out += 8;
    if (colours) {
      std::memcpy(out, &node.red, 4 * sizeof(float));
      out += 4;
    }
  }
}
static_assert(offsetof(MeshNode, u) == 6 * sizeof(float) && offsetof(MeshNode, v) == 7 * sizeof(float) &&
              offsetof(MeshNode, alpha) == offsetof(MeshNode, red) + 3 * sizeof(float));

// Binds (creating and filling when needed) a vertex buffer over the nodes
// and answers the base that array offsets count from.
const char* BindVertexData(uint32_t* buffer, const MeshNode* nodes, int32_t count, bool refill, GLenum usage) {
  if (g_glext.glBindBufferARB == nullptr) return reinterpret_cast<const char*>(nodes);
  const GLsizeiptrARB bytes = static_cast<GLsizeiptrARB>(count) * kStride;
  if (*buffer == 0) {
    g_glext.glGenBuffersARB(1, buffer);
    g_glext.glBindBufferARB(GL_ARRAY_BUFFER_ARB, *buffer);
    g_glext.glBufferDataARB(GL_ARRAY_BUFFER_ARB, bytes, nodes, usage);
  } else {
    g_glext.glBindBufferARB(GL_ARRAY_BUFFER_ARB, *buffer);
    if (refill) g_glext.glBufferDataARB(GL_ARRAY_BUFFER_ARB, bytes, nodes, usage);
  }
  return nullptr;
}

// The same for a plain draw, the buffer holding the nodes packed (the
// nodes themselves without vertex buffers). False when the buffer could
// not be filled: nothing is to be drawn from it then.
bool BindPlainVertexData(uint32_t* buffer, const MeshNode* nodes, int32_t count, bool colours, bool refill,
                         GLenum usage, const char** base, VertexLayout* layout) {
  if (g_glext.glBindBufferARB == nullptr) {
    *base = reinterpret_cast<const char*>(nodes);
    *layout = kNodeLayout;
    return true;
  }
  *base = nullptr;
  *layout = PackedLayout(colours);
  if (*buffer == 0) {
    g_glext.glGenBuffersARB(1, buffer);
    refill = true;
  }
  g_glext.glBindBufferARB(GL_ARRAY_BUFFER_ARB, *buffer);
  if (!refill) return true;
  g_glext.glBufferDataARB(GL_ARRAY_BUFFER_ARB, static_cast<GLsizeiptrARB>(count) * layout->stride, nullptr, usage);
  void* out = g_glext.glMapBufferARB(GL_ARRAY_BUFFER_ARB, GL_WRITE_ONLY_ARB);
  if (out == nullptr) return false;
  PackNodes(nodes, count, colours, static_cast<float*>(out));
  return g_glext.glUnmapBufferARB(GL_ARRAY_BUFFER_ARB) == GL_TRUE;
}

void UnbindVertexData() {
  if (g_glext.glBindBufferARB != nullptr) g_glext.glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
}

bool Multitexture() { return g_glext.glActiveTextureARB != nullptr && g_glext.glClientActiveTextureARB != nullptr; }

// The unit that the texture calls and the texture-coordinate array calls
// address; each switch reaches OpenGL only when it is a change.
void SelectUnit(int unit) {
  if (!Multitexture()) return;
  GlActiveUnitCached(unit);
  GlClientUnitCached(unit);
}

void TextureCoordinates(const char* base, GLsizei stride, int offset) {
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  glTexCoordPointer(2, GL_FLOAT, stride, base + offset);
}

// On the unit SelectUnit chose last.
void BindUnitTexture(int unit, uint32_t texture) {
  GlBindTextureCached(texture);
  GlUnitTexturingCached(unit, true);
}

void SetUpTextures(const Dodevudi3D& engine, const MeshObject& mesh, const char* base, const VertexLayout& layout,
                   const GrowArray<uint32_t>* table) {
  const OpenGLDodevudi& owner = *engine.owner;
  const bool modes = engine.shadowsOn != 0 && g_glext.glClientActiveTextureARB != nullptr;
  if (!modes) {
    if (owner.boundSprite >= 0) {
      if (owner.boundSecondSprite >= 0 && Multitexture()) {
        SelectUnit(1);
        BindUnitTexture(1, SpriteTextureName(owner, owner.boundSecondSprite, owner.boundMipmapped, table));
        TextureCoordinates(base, layout.stride, layout.coords);
      }
      SelectUnit(0);
      BindUnitTexture(0, SpriteTextureName(owner, owner.boundSprite, owner.boundMipmapped, table));
      TextureCoordinates(base, layout.stride, layout.coords);
    }
    if (mesh.hasColours != 0) {
      glEnableClientState(GL_COLOR_ARRAY);
      glColorPointer(4, GL_FLOAT, layout.stride, base + layout.colour);
    }
  } else if (engine.shadowMode == 1) {
    SelectUnit(1);
    GlUnitTexEnvModeCached(1, GL_MODULATE);
    TextureCoordinates(base, kStride, 24);
    SelectUnit(0);
    GlUnitTexEnvModeCached(0, GL_COMBINE);
    glTexEnvf(GL_TEXTURE_ENV, GL_COMBINE_RGB, GL_DOT3_RGB_EXT);
    glTexEnvf(GL_TEXTURE_ENV, GL_SOURCE0_RGB, GL_PRIMARY_COLOR);
    glTexEnvf(GL_TEXTURE_ENV, GL_OPERAND0_RGB, GL_SRC_COLOR);
    glTexEnvf(GL_TEXTURE_ENV, GL_SOURCE1_RGB, GL_TEXTURE);
    glTexEnvf(GL_TEXTURE_ENV, GL_OPERAND1_RGB, GL_SRC_COLOR);
    TextureCoordinates(base, kStride, 24);
    glEnableClientState(GL_COLOR_ARRAY);
    glColorPointer(3, GL_FLOAT, kStride, base + 32);
  } else {
    SelectUnit(1);
    BindUnitTexture(1, mesh.rampTexture);
    TextureCoordinates(base, kStride, 56);
    SelectUnit(0);
    if (owner.boundSprite >= 0) {
      BindUnitTexture(0, SpriteTextureName(owner, owner.boundSprite, owner.boundMipmapped, table));
      TextureCoordinates(base, kStride, 24);
    }
  }
}

// Every array off; the texture-coordinate arrays of both units (only the
// client unit switches for them), ending on unit 0, where the 2D drawing
// sets its own.
void DisableArrays() {
  glDisableClientState(GL_VERTEX_ARRAY);
  glDisableClientState(GL_COLOR_ARRAY);
  glDisableClientState(GL_NORMAL_ARRAY);
  if (Multitexture()) {
    GlClientUnitCached(1);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    GlClientUnitCached(0);
  }
  glDisableClientState(GL_TEXTURE_COORD_ARRAY);
}

// The black outline of a cel-shaded mesh: its back faces, pushed out along
// the normals by a width that keeps to the screen. The distance is taken
// in the mesh's own coordinates, so the width needs no further correction
// for the model's scale.
void DrawCelOutline(Dodevudi3D& engine, MeshObject& mesh, const MeshFrame& reference, const float eye[3]) {
  float toEye[3] = {eye[0] - reference.centre[0], eye[1] - reference.centre[1], eye[2] - reference.centre[2]};
  const float squared = Vec3Dot(toEye, toEye);
  const float distance = squared <= kTiny ? 0.0f : std::sqrt(squared);
  float width = engine.viewTangent * distance * 0.003f;
  if (width > reference.radius * 0.5f) return;
  if (width < kTiny) width = kTiny;
  const int32_t mode = engine.cullingMode;
  X3DSetCulling(engine, -mode);
  mesh.drawListFrame = -1;
  for (MeshNode& node : mesh.drawNodes) {
    for (int k = 0; k < 3; ++k) node.position[k] += node.normal[k] * width;
  }
  const char* base = BindVertexData(&mesh.streamBuffer, mesh.drawNodes.data, mesh.drawNodes.count, true,
                                    GL_STREAM_DRAW_ARB);
  glEnableClientState(GL_VERTEX_ARRAY);
  glVertexPointer(3, GL_FLOAT, kStride, base);
  GlUnitTexturingCached(1, false);
  GlUnitTexturingCached(0, false);
  GlStateDisable(GL_LIGHTING);
  GlStateEnable(GL_COLOR_MATERIAL);
  GlColorCached(0.0f, 0.0f, 0.0f, 1.0f);
  glDepthFunc(GL_LEQUAL);
  glDrawArrays(GL_TRIANGLES, 0, mesh.drawNodes.count);
  glDepthFunc(GL_LESS);
  glDisableClientState(GL_VERTEX_ARRAY);
  OpenGLDodevudi& owner = *engine.owner;
  SpriteBindTexture(owner, owner.boundSprite, owner.boundSecondSprite, owner.boundMipmapped, nullptr);
  X3DSetCulling(engine, mode);
  UnbindVertexData();
}

// The volume of the pose in the draw list. While the draw list is a copy
// of the reference frame, the volume is read from that frame's triangles,
// which the light-facing pass has just read: the same corners, already at
// hand.
void DrawShadowVolume(Dodevudi3D& engine, MeshObject& mesh, int32_t frame, const float light[3]) {
  const GrowArray<MeshNode>& triangles = mesh.frames[frame].triangles;
  glPushMatrix();
  X3DApplyModelMatrix(engine);
  MeshLightFacing(mesh, triangles, light);
  SpriteBindTexture(*engine.owner, -1, -1, 0, nullptr);
  // While the pass is on no colour is written: fog would be worked out
  // for every corner to no effect. Leaving the pass turns it off anyway.
  if (engine.shadowPass != 0) GlStateDisable(GL_FOG);
  const bool copy = mesh.drawListFrame == frame && triangles.count == mesh.drawNodes.count;
  ShadowVolumeDraw(mesh, copy ? triangles : mesh.drawNodes, light, true);
  glPopMatrix();
}

}  // namespace

void MeshDraw(Dodevudi3D& engine, MeshObject& mesh, int32_t frameA, int32_t frameB, float weight,
              uint8_t positionFlag, const GrowArray<uint32_t>* table) {
  if (engine.owner == nullptr || mesh.frames.count == 0 || mesh.frames[0].nodes.count == 0) return;
  OpenGLDodevudi& owner = *engine.owner;
  const Pose pose = PoseOf(frameA, frameB, weight, positionFlag, mesh.frames.count);
  X3DUpdateModelMatrix(engine);
  const float* m = X3DModelMatrix(engine);
  const bool volumes = engine.shadowsOn != 0 && engine.shadowMode == 3;
  if (!volumes && OutsideFrustum(engine, m, mesh.frames[pose.b])) return;

  GlColorCached(1.0f, 1.0f, 1.0f, owner.currentAlpha);
  GlStateEnable(GL_COLOR_MATERIAL);
  if (engine.shadowsOn != 0) {
    if (engine.shadowMode == 2) {
      MeshComputeNormals(mesh, true, false, false);
      MeshCelRampTexture(mesh, owner.bgraSupported);
    } else if (engine.shadowMode == 1) {
      MeshComputeNormals(mesh, true, engine.normalMode == 2, true);
    } else if (engine.shadowMode == 3) {
      MeshComputeNormals(mesh, true, false, false);
      MeshBuildEdgeList(mesh);
    }
  }
  if (mesh.drawNodes.count == 0) mesh.BuildTriangles();
  const int32_t count = mesh.drawNodes.count;
  const MeshFrame& first = mesh.frames[pose.a];
  const MeshFrame& reference = mesh.frames[pose.b];
  // A frame whose triangle list is shorter than the draw list (a model
  // whose frames differ) is not drawn.
  if (count == 0 || first.triangles.count < count || reference.triangles.count < count) {
    GlStateDisable(GL_COLOR_MATERIAL);
    return;
  }

  const char* base = nullptr;
  VertexLayout layout = kNodeLayout;
  const bool plain = engine.shadowsOn == 0 && pose.t == 0.0f && engine.textureOffsetU == 0.0f &&
                     engine.textureOffsetV == 0.0f;
  float eye[3] = {};
  if (plain) {
    // Frame 0 stays in the static buffer until its vertices change.
    const bool staticFrame = pose.a == 0;
    const bool filled = BindPlainVertexData(
        staticFrame ? &mesh.staticBuffer : &mesh.streamBuffer, first.triangles.data, count, mesh.hasColours != 0,
        !staticFrame || mesh.staticStale != 0, staticFrame ? GL_STATIC_DRAW_ARB : GL_STREAM_DRAW_ARB, &base, &layout);
    if (staticFrame) mesh.staticStale = filled ? 0 : 1;
    if (!filled) {
      UnbindVertexData();
      GlStateDisable(GL_COLOR_MATERIAL);
      return;
    }
  } else {
    Lighting lighting{false, engine.shadowMode, {}, mesh.celRowStep};
    if (engine.shadowsOn != 0) {
      float inverse[16];
      InverseGaussJordan(m, inverse);
      Mat4TransformPoint(inverse, engine.shadowLight, lighting.light);
      if (engine.shadowMode == 2) Mat4TransformPoint(inverse, engine.cameraEye, eye);  // for the outline
      // Bump lighting and cel shading give each vertex values of its own.
      lighting.on = g_glext.glMultiTexCoord2fARB != nullptr && (engine.shadowMode == 1 || engine.shadowMode == 2);
    }
    FillDrawList(mesh, pose, lighting, engine.textureOffsetU, engine.textureOffsetV);
    if (volumes) {
      DrawShadowVolume(engine, mesh, pose.b, lighting.light);
      return;
    }
    base = BindVertexData(&mesh.streamBuffer, mesh.drawNodes.data, count, true, GL_STREAM_DRAW_ARB);
  }
  glEnableClientState(GL_VERTEX_ARRAY);
  glVertexPointer(3, GL_FLOAT, layout.stride, base);
  SetUpTextures(engine, mesh, base, layout, table);

  glPushMatrix();
  X3DApplyModelMatrix(engine);
  if (engine.lightsMask != 0 || engine.normalsAlways != 0) {
    glEnableClientState(GL_NORMAL_ARRAY);
    glNormalPointer(GL_FLOAT, layout.stride, base + layout.normal);
  }
  if (engine.normalsAlways != 0) {
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    GlStateEnable(GL_TEXTURE_GEN_S);
    GlStateEnable(GL_TEXTURE_GEN_T);
  }
  glDrawArrays(GL_TRIANGLES, 0, count);
  if (engine.normalsAlways != 0) {
    GlStateDisable(GL_TEXTURE_GEN_S);
    GlStateDisable(GL_TEXTURE_GEN_T);
  }
  DisableArrays();
  UnbindVertexData();
  if (engine.shadowsOn != 0 && engine.shadowMode == 2 && engine.cullingMode != 0) {
    DrawCelOutline(engine, mesh, reference, eye);
  }
  // Both units back to modulating, unit 0 active.
  if (g_glext.glActiveTextureARB != nullptr) {
    GlUnitTexEnvModeCached(1, GL_MODULATE);
    GlUnitTexEnvModeCached(0, GL_MODULATE);
    GlActiveUnitCached(0);
  }
  glPopMatrix();
  GlStateDisable(GL_COLOR_MATERIAL);
  GlColorCached(1.0f, 1.0f, 1.0f, owner.currentAlpha);
}

void Object3DDraw(Dodevudi3D& engine, int32_t slot, int32_t frameA, int32_t frameB, float weight,
                  uint8_t positionFlag) {
  Object3D* object = Object3DAt(&engine, slot);
  if (object == nullptr) return;
  if (object->severalMeshes == 0) {
    if (object->meshes.count > 0) MeshDraw(engine, object->meshes[0], frameA, frameB, weight, positionFlag, nullptr);
    return;
  }
  const GrowArray<uint32_t>* table = object->textures.count > 0 ? &object->textures : nullptr;
  for (MeshObjectX& mesh : object->meshes) {
    if (engine.owner != nullptr) {
      if (table != nullptr) {
        SpriteBindTexture(*engine.owner, mesh.textureIndex[0], mesh.textureIndex[1], 0, table);
      } else {
        SpriteBindTexture(*engine.owner, -1, -1, 0, nullptr);
      }
    }
    MeshDraw(engine, mesh, frameA, frameB, weight, positionFlag, table);
  }
}
