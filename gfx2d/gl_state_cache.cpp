#include "gfx2d/gl_state_cache.h"

#include <cstring>

namespace {

// The cached capabilities, by entry. The 2D reset and the 3D layer switch
// these; anything else goes straight to OpenGL.
constexpr GLenum kCachedCapabilities[kGlStateCacheSize] = {
    GL_BLEND,          GL_ALPHA_TEST,     GL_COLOR_MATERIAL, GL_CULL_FACE,
    GL_LIGHTING,       GL_STENCIL_TEST,   GL_DEPTH_TEST,     GL_FOG,
    GL_DITHER,         GL_LINE_SMOOTH,    GL_POINT_SMOOTH,   GL_NORMALIZE,
    GL_POLYGON_SMOOTH, GL_POLYGON_OFFSET_POINT, GL_AUTO_NORMAL, GL_SCISSOR_TEST,
    GL_POLYGON_OFFSET_FILL, GL_POLYGON_OFFSET_LINE, GL_LIGHT0, GL_LIGHT1,
    GL_TEXTURE_GEN_S,  GL_TEXTURE_GEN_T,
};

constexpr int32_t kUnknown = 0x7F7F7F7F;

int32_t g_cache[kGlStateCacheSize] = {
    kUnknown, kUnknown, kUnknown, kUnknown, kUnknown, kUnknown, kUnknown, kUnknown,
    kUnknown, kUnknown, kUnknown, kUnknown, kUnknown, kUnknown, kUnknown, kUnknown,
    kUnknown, kUnknown, kUnknown, kUnknown, kUnknown, kUnknown,
};

float g_colour[4] = {-1.0f, -1.0f, -1.0f, -1.0f};

void Switch(GLenum capability, int32_t wanted) {
  const int index = GlStateIndex(capability);
  if (index >= 0) {
    if (g_cache[index] == wanted) return;
    g_cache[index] = wanted;
  }
  if (wanted == 1) {
    glEnable(capability);
  } else {
    glDisable(capability);
  }
}

}  // namespace

int GlStateIndex(GLenum capability) {
  for (int i = 0; i < kGlStateCacheSize; ++i) {
    if (kCachedCapabilities[i] == capability) return i;
  }
  return -1;
}

void GlStateEnable(GLenum capability) { Switch(capability, 1); }
void GlStateDisable(GLenum capability) { Switch(capability, 0); }

int32_t GlStateCached(GLenum capability) {
  const int index = GlStateIndex(capability);
  return index >= 0 ? g_cache[index] : kUnknown;
}

void GlStateInvalidate() { std::memset(g_cache, 0x7F, sizeof(g_cache)); }

void GlColorCached(float r, float g, float b, float a) {
  float* c = g_colour;
  if (c[0] == r && c[1] == g && c[2] == b && c[3] == a) return;
  c[0] = r;
  c[1] = g;
  c[2] = b;
  c[3] = a;
  glColor4f(r, g, b, a);
}

void GlColorCacheInvalidate() {
  for (float& c : g_colour) c = -1.0f;
}
