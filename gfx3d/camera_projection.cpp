#include "gfx3d/camera_projection.h"

#include <GL/gl.h>

#include <cmath>

#include "core/matrix4.h"
#include "gfx2d/gl_extensions.h"
#include "gfx2d/gl_state_cache.h"
#include "gfx2d/opengl_dodevudi.h"
#include "gfx2d/render_state.h"
#include "gfx2d/sprite_draw.h"
#include "gfx3d/dodevudi3d.h"
#include "gfx3d/shadow_pass.h"
#include "gfx3d/transform_stack.h"

namespace {

// The tangent of the widest view, used above 84 degrees and for the
// orthographic projection.
constexpr float kWidestViewAngle = 1.5533430576324463f;

// Row r of a column-major matrix.
void Row(const float m[16], int r, float out[4]) {
  for (int c = 0; c < 4; ++c) out[c] = m[c * 4 + r];
}

void UpdateFrustumPlanes(Dodevudi3D& engine) {
  float clip[16];
  Mat4Multiply(engine.projection, engine.camera, clip);
  float rows[4][4];
  for (int r = 0; r < 4; ++r) Row(clip, r, rows[r]);
  // r4 - r1, r4 + r1, r4 + r2, r4 - r2, r4 - r3, r4 + r3.
  const int other[6] = {0, 0, 1, 1, 2, 2};
  const float sign[6] = {-1.0f, 1.0f, 1.0f, -1.0f, -1.0f, 1.0f};
  for (int p = 0; p < 6; ++p) {
    float* plane = engine.frustum[p];
    for (int c = 0; c < 4; ++c) plane[c] = rows[3][c] + sign[p] * rows[other[p]][c];
    const float length = std::sqrt(plane[0] * plane[0] + plane[1] * plane[1] + plane[2] * plane[2]);
    for (int c = 0; c < 4; ++c) plane[c] /= length;
  }
}

// The projection of X3DBegin onto the starting matrix.
void SetProjection(Dodevudi3D& engine, const ViewportRect& viewport, float angle) {
  const float near = engine.nearPlane;
  const float far = engine.farPlane;
  const float aspect = viewport.height != 0
                           ? static_cast<float>(viewport.width) / static_cast<float>(viewport.height)
                           : 1.0f;
  const float h = std::tan(std::fabs(angle) * 0.5f * kDegreesToRadians3D);
  float p[16];
  if (angle >= 0.0f) {
    Mat4Frustum(-h * near * aspect, h * near * aspect, -h * near, h * near, near, far, p);
  } else {
    const float hh = h * near * 100.0f;
    Mat4Ortho(-hh * aspect, hh * aspect, -hh, hh, near, far, p);
    engine.viewTangent = std::tan(kWidestViewAngle);
  }
  Mat4Multiply(engine.projection, p, engine.projection);
  glMatrixMode(GL_PROJECTION);
  glLoadMatrixf(engine.projection);
}

void SetFixedStates() {
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  GlStateEnable(GL_CULL_FACE);
  glFrontFace(GL_CCW);
  for (GLenum off : {GL_FOG, GL_LINE_SMOOTH, GL_POINT_SMOOTH, GL_POLYGON_SMOOTH, GL_POLYGON_OFFSET_POINT,
                     GL_AUTO_NORMAL, GL_STENCIL_TEST, GL_NORMALIZE, GL_LIGHTING}) {
    GlStateDisable(off);
  }
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
  glHint(GL_POLYGON_SMOOTH_HINT, GL_NICEST);
  glShadeModel(GL_SMOOTH);
  GlStateEnable(GL_DITHER);
  glLightModelf(GL_LIGHT_MODEL_TWO_SIDE, 0.0f);
  GlStateEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LESS);
}

// One arrow of X3DDrawAxes along axis a (0, 1, 2): the shaft, two barbs
// across the next axis and two across the one after.
void DrawArrow(int a, float r, float g, float b) {
  const int n1 = (a + 1) % 3;
  const int n2 = (a + 2) % 3;
  float points[8][3] = {};
  points[1][a] = points[4][a] = points[7][a] = 1.0f;
  points[2][a] = points[3][a] = points[5][a] = points[6][a] = 0.75f;
  points[2][n1] = 0.25f;
  points[3][n1] = -0.25f;
  points[5][n2] = 0.25f;
  points[6][n2] = -0.25f;
  GlColorCached(r, g, b, 1.0f);
  glVertexPointer(3, GL_FLOAT, 0, points);
  glEnableClientState(GL_VERTEX_ARRAY);
  glDrawArrays(GL_LINE_STRIP, 0, 8);
  glDisableClientState(GL_VERTEX_ARRAY);
}

}  // namespace

void X3DBegin(Dodevudi3D& engine, double near, double far, double angle) {
  X3DClearDepth(engine);
  if (engine.owner == nullptr) return;
  OpenGLDodevudi& owner = *engine.owner;
  owner.depthClearPending = 1;
  Gl3DShadowPass(&engine, 0);
  const float viewAngle = static_cast<float>(angle);
  const float widened = viewAngle + 5.0f;
  engine.viewTangent = widened <= 89.0f ? std::tan(widened * kDegreesToRadians3D) : std::tan(1.553343f);
  engine.cameraUp[0] = 0.0f;
  engine.cameraUp[1] = 1.0f;
  engine.cameraUp[2] = 0.0f;
  engine.nearPlane = static_cast<float>(near);
  engine.farPlane = static_cast<float>(far);

  const ViewportRect viewport = GetViewport(owner);
  ApplyViewport(owner, viewport.x, viewport.y, viewport.width, viewport.height);
  if (owner.currentScreen >= 0 && owner.currentScreen < kOffscreenCount) {
    Mat4Identity(engine.projection);
  } else {
    OrientationMatrix(owner, engine.projection);
  }
  SetProjection(engine, viewport, viewAngle);
  SetFixedStates();

  engine.normalsAlways = 0;
  engine.shadowsOn = 0;
  X3DResetStack(engine);
  X3DSetCulling(engine, 0);
  engine.textureOffsetU = 0.0f;
  engine.textureOffsetV = 0.0f;
  SpriteBindTexture(owner, -1, -1, 0, nullptr);
  X3DSetCamera(engine, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, -1.0f);
}

void X3DSetCamera(Dodevudi3D& engine, float eyeX, float eyeY, float eyeZ, float centreX, float centreY,
                  float centreZ) {
  engine.cameraEye[0] = eyeX;
  engine.cameraEye[1] = eyeY;
  engine.cameraEye[2] = eyeZ;
  engine.cameraCentre[0] = centreX;
  engine.cameraCentre[1] = centreY;
  engine.cameraCentre[2] = centreZ;
  Mat4LookAt(engine.cameraEye, engine.cameraCentre, engine.cameraUp, engine.camera);
  glMatrixMode(GL_MODELVIEW);
  glLoadMatrixf(engine.camera);
  X3DResetStack(engine);
  UpdateFrustumPlanes(engine);
}

void X3DSetCameraUp(Dodevudi3D& engine, float x, float y, float z) {
  engine.cameraUp[0] = x;
  engine.cameraUp[1] = y;
  engine.cameraUp[2] = z;
}

void X3DSetCulling(Dodevudi3D& engine, int32_t mode) {
  engine.cullingMode = static_cast<int8_t>(mode == 0 ? 0 : (mode < 0 ? -1 : 1));
  if (mode == 0) {
    GlStateDisable(GL_CULL_FACE);
  } else if (mode > 0) {
    glFrontFace(GL_CW);
    GlStateEnable(GL_CULL_FACE);
  } else {
    GlStateEnable(GL_CULL_FACE);
    glFrontFace(GL_CCW);
  }
}

void X3DSetDepthTest(Dodevudi3D& /*engine*/, uint32_t on) {
  if (on != 0) {
    GlStateEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
  } else {
    GlStateDisable(GL_DEPTH_TEST);
  }
}

int32_t X3DSphereVisible(const Dodevudi3D& engine, float x, float y, float z, float radius) {
  for (const float* plane : engine.frustum) {
    const float d = plane[0] * x + plane[1] * y + plane[2] * z + plane[3];
    if (d < -radius) return 0;
  }
  return 1;
}

bool X3DProject(const Dodevudi3D& engine, float x, float y, float z, double out[3]) {
  if (engine.owner == nullptr) return false;
  float clip[16];
  Mat4Multiply(engine.projection, engine.camera, clip);
  const float p[4] = {x, y, z, 1.0f};
  float v[4];
  Mat4TransformVector(clip, p, v);
  if (v[3] == 0.0f) return false;
  const ViewportRect vp = GetViewport(*engine.owner);
  const float w = static_cast<float>(vp.width);
  const float h = static_cast<float>(vp.height);
  out[0] = static_cast<float>(vp.x) + w * (1.0f + v[0] / v[3]) * 0.5f;
  out[1] = h - (static_cast<float>(vp.y) + h * (1.0f + v[1] / v[3]) * 0.5f);
  out[2] = (1.0f + v[2] / v[3]) * 0.5f;
  return true;
}

bool X3DUnproject(const Dodevudi3D& engine, float x, float y, float z, double out[3]) {
  if (engine.owner == nullptr) return false;
  float clip[16];
  Mat4Multiply(engine.projection, engine.camera, clip);
  float inverse[16];
  Mat4InverseCofactors(clip, inverse);
  const ViewportRect vp = GetViewport(*engine.owner);
  const float p[4] = {2.0f * (x - static_cast<float>(vp.x)) / static_cast<float>(vp.width) - 1.0f,
                      2.0f * (y - static_cast<float>(vp.y)) / static_cast<float>(vp.height) - 1.0f,
                      2.0f * z - 1.0f, 1.0f};
  float v[4];
  Mat4TransformVector(inverse, p, v);
  if (v[3] == 0.0f) return false;
  for (int i = 0; i < 3; ++i) out[i] = v[i] / v[3];
  return true;
}

void X3DDrawAxes(Dodevudi3D& engine, float x, float y, float z) {
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadMatrixf(engine.camera);
  const bool lineSmoothWas = GlStateCached(GL_LINE_SMOOTH) == 1;
  GlStateEnable(GL_LINE_SMOOTH);
  // Texturing off on both units while a sprite is bound; each unit's own
  // switch comes back afterwards.
  const bool textured = BoundSpriteNumber() >= 0;
  const int units = g_glext.glActiveTextureARB != nullptr ? 2 : 1;
  GLboolean texturingWas[2] = {GL_FALSE, GL_FALSE};
  for (int unit = units - 1; textured && unit >= 0; --unit) {
    if (units > 1) g_glext.glActiveTextureARB(GL_TEXTURE0_ARB + unit);
    texturingWas[unit] = glIsEnabled(GL_TEXTURE_2D);
    glDisable(GL_TEXTURE_2D);
  }
  if (engine.lightsMask != 0) GlStateDisable(GL_LIGHTING);
  glTranslatef(x, y, z);
  glScalef(20.0f, 20.0f, 20.0f);
  DrawArrow(0, 1.0f, 0.0f, 0.0f);
  DrawArrow(1, 0.0f, 1.0f, 0.0f);
  DrawArrow(2, 0.0f, 0.0f, 1.0f);
  if (engine.lightsMask != 0) GlStateEnable(GL_LIGHTING);
  GlStateSet(GL_LINE_SMOOTH, lineSmoothWas);
  for (int unit = units - 1; textured && unit >= 0; --unit) {
    if (units > 1) g_glext.glActiveTextureARB(GL_TEXTURE0_ARB + unit);
    if (texturingWas[unit] == GL_TRUE) glEnable(GL_TEXTURE_2D);
  }
  if (textured) GlTextureCacheInvalidate();
  if (engine.owner != nullptr) GlColorCached(1.0f, 1.0f, 1.0f, engine.owner->currentAlpha);
  glPopMatrix();
}

void X3DSetTextureOffset(Dodevudi3D& engine, float u, float v) {
  engine.textureOffsetU = u;
  engine.textureOffsetV = v;
}

void X3DSetNormalsAlways(Dodevudi3D& engine, int32_t flag) { engine.normalsAlways = flag != 0 ? 1 : 0; }
