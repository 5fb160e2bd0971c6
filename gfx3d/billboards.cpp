#include "gfx3d/billboards.h"

#include <GL/gl.h>

#include <cstring>

#include "core/matrix4.h"
#include "gfx2d/bitmap_fonts.h"
#include "gfx2d/gl_state_cache.h"
#include "gfx2d/opengl_dodevudi.h"
#include "gfx2d/quad_batch.h"
#include "gfx2d/render_state.h"
#include "gfx2d/sprite_draw.h"
#include "gfx3d/dodevudi3d.h"

namespace {

float Over(float a, int32_t b) { return b != 0 ? a / static_cast<float>(b) : 0.0f; }

// The camera's right and up vectors of a column-major model-view matrix.
void CameraAxes(const float m[16], float right[3], float up[3]) {
  right[0] = m[0];
  right[1] = m[4];
  right[2] = m[8];
  up[0] = m[1];
  up[1] = m[5];
  up[2] = m[9];
}

// base + r * a + u * b
void Along(const float base[3], const float r[3], float a, const float u[3], float b, float* out) {
  for (int i = 0; i < 3; ++i) out[i] = base[i] + r[i] * a + u[i] * b;
}

void Vertex(TexturedVertex& v, const float p[3], float s, float t) {
  v.x = p[0];
  v.y = p[1];
  v.z = p[2];
  v.u = s;
  v.v = t;
}

// Text facing the camera: four vertices a character, joined into one strip.
void DrawSceneText(OpenGLDodevudi& engine, const Dodevudi3D& engine3d, int32_t font, const char* text,
                   const float point[3], float size, bool proportional) {
  const size_t length = std::strlen(text);
  if (length == 0 || length > static_cast<size_t>(INT32_MAX / 4 - 1)) return;
  const int32_t count = static_cast<int32_t>(length) * 4;
  if (!engine.vertices.Reserve(count)) return;
  const int32_t s = kFontSpriteBase + font;
  SpriteBindTexture(engine, s, -1, 0, nullptr);
  const SpriteRecord& sprite = engine.sprites[s];
  const GlyphRecord* glyphs = engine.glyphs[font];
  const int32_t rows = sprite.imageWidth < sprite.imageHeight ? 16 : 8;
  const uint32_t codes = static_cast<uint32_t>(rows) * 16;
  const float du = sprite.uMax / 16.0f;
  const float dv = sprite.vMax / static_cast<float>(rows);
  const float cell = static_cast<float>(sprite.imageWidth >> 4) * size;
  float right[3];
  float up[3];
  CameraAxes(engine3d.camera, right, up);

  float lineWidth = cell * static_cast<float>(length);
  if (proportional) {
    float pixels = 0.0f;
    for (size_t i = 0; i < length; ++i) pixels += glyphs[static_cast<uint8_t>(text[i]) % codes].width;
    lineWidth = pixels * size;
  }
  float pen[3];
  Along(point, right, -lineWidth * 0.5f, up, 0.0f, pen);
  TexturedVertex* v = engine.vertices.data;
  for (size_t i = 0; i < length; ++i) {
    const uint32_t code = static_cast<uint8_t>(text[i]) % codes;
    const float vLow = static_cast<float>(rows - 1 - static_cast<int32_t>(code / 16)) * dv;
    float uLeft = static_cast<float>(code % 16) * du;
    float uRight = uLeft + du;
    float width = cell;
    if (proportional) {
      uLeft = glyphs[code].uLeft;
      uRight = glyphs[code].uRight;
      width = static_cast<float>(glyphs[code].width) * size;
    }
    float corner[3];
    Along(pen, right, 0.0f, up, cell, corner);
    Vertex(*v++, corner, uLeft, vLow + dv);
    Vertex(*v++, pen, uLeft, vLow);
    Along(pen, right, width, up, cell, corner);
    Vertex(*v++, corner, uRight, vLow + dv);
    Along(pen, right, width, up, 0.0f, corner);
    Vertex(*v++, corner, uRight, vLow);
    Along(pen, right, width, up, 0.0f, pen);
  }
  engine.vertices.count = count;
  FlushVertexArray(engine, GL_TRIANGLE_STRIP);
}

// Flat text at the point's place on the screen, in a pixel projection
// over the viewport.
void DrawScreenText(OpenGLDodevudi& engine, const Dodevudi3D& engine3d, int32_t font, const char* text,
                    const float point[3], bool proportional) {
  float clip[16];
  Mat4Multiply(engine3d.projection, engine3d.camera, clip);
  const float p[4] = {point[0], point[1], point[2], 1.0f};
  float v[4];
  Mat4TransformVector(clip, p, v);
  if (v[3] == 0.0f) return;
  const ViewportRect vp = GetViewport(engine);
  const float vw = static_cast<float>(vp.width);
  const float vh = static_cast<float>(vp.height);
  const float windowX = static_cast<float>(vp.x) + (v[0] / v[3] + 1.0f) * vw * 0.5f;
  const float windowY = vh - (static_cast<float>(vp.y) + (v[1] / v[3] + 1.0f) * vh * 0.5f);
  const SpriteRecord& sprite = engine.sprites[kFontSpriteBase + font];
  const double x = static_cast<double>(windowX) -
                   static_cast<double>(std::strlen(text)) * (sprite.imageWidth >> 4) * 0.5 - vp.x;
  const double y = static_cast<double>(vp.y) + windowY - (sprite.imageHeight >> 3);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(0, vw, vh, 0, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  PrintText(engine, font, text, x, y, -v[2] / v[3], proportional);
  QuadBatchFlush();  // flat text is queued; drawn before the matrices go back
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
}

}  // namespace

void Billboard(OpenGLDodevudi& engine, int32_t sprite, float x, float y, float z, float scale) {
  if (!SpriteInTable(sprite)) return;
  float m[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, m);
  float right[3];
  float up[3];
  CameraAxes(m, right, up);
  glNormal3f(m[2], m[6], m[10]);
  const SpriteRecord& s = engine.sprites[sprite];
  const float halfWidth = static_cast<float>(s.imageWidth >> 2) * scale;
  const float height = static_cast<float>(s.imageHeight >> 1) * scale;
  const float uMax = Over(static_cast<float>(s.imageWidth) - 0.5f, s.textureWidth);
  const float vMax = Over(static_cast<float>(s.imageHeight) - 0.5f, s.textureHeight);
  SpriteBindTexture(engine, sprite, -1, 0, nullptr);
  if (engine.vertices.capacity < 5 && !engine.vertices.Reserve(4)) return;
  const float p[3] = {x, y, z};
  float corner[3];
  TexturedVertex* v = engine.vertices.data;
  Along(p, right, -halfWidth, up, 0.0f, corner);
  Vertex(v[0], corner, 0.0f, 0.0f);
  Along(p, right, halfWidth, up, 0.0f, corner);
  Vertex(v[1], corner, uMax, 0.0f);
  Along(p, right, halfWidth, up, height, corner);
  Vertex(v[2], corner, uMax, vMax);
  Along(p, right, -halfWidth, up, height, corner);
  Vertex(v[3], corner, 0.0f, vMax);
  engine.vertices.count = 4;
  GlTexParameterCached(GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  GlTexParameterCached(GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  FlushVertexArray(engine, GL_TRIANGLE_FAN);
}

void Text3D(OpenGLDodevudi& engine, int32_t font, const char* text, float x, float y, float z, float size,
            uint32_t proportional) {
  const bool culling = GlStateCached(GL_CULL_FACE) == 1;
  const bool lighting = GlStateCached(GL_LIGHTING) == 1;
  if (culling) GlStateDisable(GL_CULL_FACE);
  if (lighting) GlStateDisable(GL_LIGHTING);
  if (FontNumberValid(font) && text != nullptr && engine.engine3d != nullptr) {
    const float point[3] = {x, y, z};
    if (size == 0.0f) {
      DrawScreenText(engine, *engine.engine3d, font, text, point, proportional != 0);
    } else {
      DrawSceneText(engine, *engine.engine3d, font, text, point, size, proportional != 0);
    }
  }
  if (culling) GlStateEnable(GL_CULL_FACE);
  if (lighting) GlStateEnable(GL_LIGHTING);
}

void SphereTriangleOutline(const float centre[3], float radius, const float a[3], const float b[3],
                           const float c[3], int32_t depth) {
  if (depth > 0) {
    float ab[3];
    float bc[3];
    float ca[3];
    for (int i = 0; i < 3; ++i) {
      ab[i] = a[i] + b[i];
      bc[i] = b[i] + c[i];
      ca[i] = c[i] + a[i];
    }
    Vec3Normalise(ab, 1e-7f);
    Vec3Normalise(bc, 1e-7f);
    Vec3Normalise(ca, 1e-7f);
    SphereTriangleOutline(centre, radius, a, ab, ca, depth - 1);
    SphereTriangleOutline(centre, radius, b, bc, ab, depth - 1);
    SphereTriangleOutline(centre, radius, c, ca, bc, depth - 1);
    SphereTriangleOutline(centre, radius, ab, bc, ca, depth - 1);
    return;
  }
  glBegin(GL_LINE_LOOP);
  for (const float* corner : {a, b, c}) {
    glVertex3f(centre[0] + radius * corner[0], centre[1] + radius * corner[1], centre[2] + radius * corner[2]);
  }
  glEnd();
}
