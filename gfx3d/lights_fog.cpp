#include "gfx3d/lights_fog.h"

#include <GL/gl.h>

#include "core/matrix4.h"
#include "gfx2d/gl_state_cache.h"
#include "gfx2d/opengl_dodevudi.h"
#include "gfx2d/sprite_draw.h"
#include "gfx3d/dodevudi3d.h"
#include "gfx3d/shadow_pass.h"

namespace {

constexpr float kByteScale = 1.0f / 255.0f;
constexpr uint32_t kGizmoPointColour = 0x80C8FF;
constexpr uint32_t kGizmoDirectionColour = 0x6CAAE1;

void ColourOf(uint32_t c, float out[4], float alpha) {
  out[0] = static_cast<float>(c & 255) * kByteScale;
  out[1] = static_cast<float>((c >> 8) & 255) * kByteScale;
  out[2] = static_cast<float>((c >> 16) & 255) * kByteScale;
  out[3] = alpha;
}

// What a point and a segment share around their one primitive.
void DrawUnlit(Dodevudi3D& engine, GLenum mode, const float* vertices, uint32_t colour, float size) {
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  GlStateEnable(GL_COLOR_MATERIAL);
  float c[4];
  ColourOf(colour, c, 1.0f);
  GlColorCached(c[0], c[1], c[2], c[3]);
  const GLenum smoothing = mode == GL_POINTS ? GL_POINT_SMOOTH : GL_LINE_SMOOTH;
  GlStateEnable(smoothing);
  if (engine.lightsMask != 0) GlStateDisable(GL_LIGHTING);
  if (engine.owner != nullptr) SpriteBindTexture(*engine.owner, -1, -1, 0, nullptr);
  if (mode == GL_POINTS) {
    glPointSize(size);
  } else {
    glLineWidth(size);
  }
  glBegin(mode);
  glVertex3fv(vertices);
  if (mode == GL_LINES) glVertex3fv(vertices + 3);
  glEnd();
  if (mode == GL_POINTS) {
    glPointSize(1.0f);
  } else {
    glLineWidth(1.0f);
  }
  GlStateDisable(smoothing);
  GlColorCached(1.0f, 1.0f, 1.0f, engine.owner != nullptr ? engine.owner->currentAlpha : 1.0f);
  GlStateDisable(GL_COLOR_MATERIAL);
  if (engine.lightsMask != 0) GlStateEnable(GL_LIGHTING);
  glPopMatrix();
}

}  // namespace

void X3DFog(Dodevudi3D& engine, int32_t colour, int32_t mode, float start, float end) {
  if (colour == -1) {
    GlStateDisable(GL_FOG);
  } else {
    GlStateEnable(GL_FOG);
  }
  if (mode != 0) {
    glFogi(GL_FOG_MODE, GL_EXP);
    glFogf(GL_FOG_DENSITY, start);
  } else {
    glFogi(GL_FOG_MODE, GL_LINEAR);
    if (start == 0.0f && end == 0.0f) {
      start = engine.nearPlane;
      end = engine.farPlane;
    }
    glFogf(GL_FOG_START, start);
    glFogf(GL_FOG_END, end);
  }
  float c[4];
  ColourOf(static_cast<uint32_t>(colour), c, 0.0f);
  glFogfv(GL_FOG_COLOR, c);
}

void LightSet(Dodevudi3D& engine, int32_t light, int32_t colour, float x, float y, float z, float dx,
              float dy, float dz, float angle, bool gizmo) {
  if (light < 0) {
    ShadowSettings(engine, light, static_cast<uint32_t>(colour), x, y, z, angle);
    return;
  }
  const int n = light & 7;
  const GLenum id = GL_LIGHT0 + static_cast<GLenum>(n);
  const uint8_t bit = static_cast<uint8_t>(1u << n);
  if (angle == 0.0f) {
    GlStateDisable(id);
    engine.lightsMask = static_cast<uint8_t>(engine.lightsMask & ~bit);
    if (engine.lightsMask == 0) GlStateDisable(GL_LIGHTING);
    return;
  }
  GlStateEnable(GL_LIGHTING);
  GlStateEnable(id);
  engine.lightsMask = static_cast<uint8_t>(engine.lightsMask | bit);
  glColorMaterial(GL_FRONT_AND_BACK, GL_DIFFUSE);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();

  const float p[4] = {x, y, z, 1.0f};
  float d[3] = {dx, dy, dz};
  float c[4];
  ColourOf(static_cast<uint32_t>(colour), c, 1.0f);
  const float noSpecular[4] = {0.0f, 0.0f, 0.0f, 1.0f};
  const bool placed = x != 0.0f || y != 0.0f || z != 0.0f || dx != 0.0f || dy != 0.0f || dz != 0.0f;
  if (!placed) {
    const float position[4] = {0.0f, 0.0f, 1.0f, 0.0f};
    glLightfv(id, GL_POSITION, position);
    glLightfv(id, GL_DIFFUSE, c);
    glLightfv(id, GL_SPECULAR, noSpecular);
    glLightf(id, GL_SPOT_CUTOFF, 180.0f);
  } else if (angle == 180.0f) {
    for (float& a : d) a = -a;
    Vec3Normalise(d, 1e-7f);
    const float position[4] = {d[0], d[1], d[2], 0.0f};
    glLightf(id, GL_SPOT_CUTOFF, 180.0f);
    glLightfv(id, GL_POSITION, position);
    glLightfv(id, GL_DIFFUSE, c);
    glLightfv(id, GL_SPECULAR, noSpecular);
  } else if (angle > 90.0f) {
    glLightf(id, GL_SPOT_CUTOFF, 180.0f);
    glLightfv(id, GL_POSITION, p);
    glLightfv(id, GL_DIFFUSE, c);
    glLightfv(id, GL_SPECULAR, c);
  } else {
    glLightf(id, GL_SPOT_CUTOFF, angle);
    Vec3Normalise(d, 1e-7f);
    glLightfv(id, GL_POSITION, p);
    glLightfv(id, GL_SPOT_DIRECTION, d);
    glLightfv(id, GL_DIFFUSE, c);
    glLightfv(id, GL_SPECULAR, c);
  }
  glPopMatrix();

  if (!gizmo || !placed) return;
  Draw3DPoint(engine, p, kGizmoPointColour, 40.0f);
  if (angle <= 90.0f) {
    const float tip[3] = {x + 500.0f * d[0], y + 500.0f * d[1], z + 500.0f * d[2]};
    Draw3DSegment(engine, p, tip, kGizmoDirectionColour, 3.0f);
  }
}

void X3DHeadLight(Dodevudi3D& engine, int32_t light, int32_t colour) {
  const float* e = engine.cameraEye;
  LightSet(engine, light, colour, e[0], e[1], e[2], -e[0], -e[1], -e[2], 180.0f, false);
}

void Draw3DPoint(Dodevudi3D& engine, const float point[3], uint32_t colour, float size) {
  DrawUnlit(engine, GL_POINTS, point, colour, size);
}

void Draw3DSegment(Dodevudi3D& engine, const float from[3], const float to[3], uint32_t colour, float width) {
  const float ends[6] = {from[0], from[1], from[2], to[0], to[1], to[2]};
  DrawUnlit(engine, GL_LINES, ends, colour, width);
}
