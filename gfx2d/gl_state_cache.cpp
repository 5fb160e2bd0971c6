#include "gfx2d/gl_state_cache.h"

#include <cstring>

#include "gfx2d/gl_extensions.h"
#include "gfx2d/quad_batch.h"

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

// The texture parameters kept per unit, for the texture named in
// parametersOf (the one bound when they were recorded).
constexpr GLenum kCachedParameters[4] = {GL_TEXTURE_MIN_FILTER, GL_TEXTURE_MAG_FILTER, GL_TEXTURE_WRAP_S,
                                         GL_TEXTURE_WRAP_T};
constexpr int64_t kUnknownName = -1;

struct UnitCache {
  int64_t bound = kUnknownName;
  int32_t texturing = kUnknown;  // 1, 0 or unknown
  int64_t envMode = kUnknownName;
  int64_t parametersOf = kUnknownName;
  GLint parameters[4] = {kUnknown, kUnknown, kUnknown, kUnknown};
};

struct TextureCache {
  UnitCache units[2];
  int32_t active = kUnknown;
  int32_t clientActive = kUnknown;
};

struct FunctionCache {
  GLenum blendSource = 0;
  GLenum blendDestination = 0;
  bool blendKnown = false;
  GLenum alphaFunction = 0;
  float alphaReference = 0.0f;
  bool alphaKnown = false;
};

TextureCache g_textures;
FunctionCache g_functions;

float g_colour[4] = {0.0f, 0.0f, 0.0f, 0.0f};
bool g_colourKnown = false;

bool Multitexture() { return g_glext.glActiveTextureARB != nullptr; }

// The entry of the unit the calls address (unit 0 without
// multitexturing), or null while the active unit is not known.
UnitCache* ActiveUnit() {
  if (!Multitexture()) return &g_textures.units[0];
  if (g_textures.active != 0 && g_textures.active != 1) return nullptr;
  return &g_textures.units[g_textures.active];
}

void Switch(GLenum capability, int32_t wanted) {
  const int index = GlStateIndex(capability);
  if (index >= 0) {
    if (g_cache[index] == wanted) return;
    g_cache[index] = wanted;
  }
  QuadBatchFlush();
  if (wanted == 1) {
    glEnable(capability);
  } else {
    glDisable(capability);
  }
}

int ParameterIndex(GLenum name) {
  for (int i = 0; i < 4; ++i) {
    if (kCachedParameters[i] == name) return i;
  }
  return -1;
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

void GlStateInvalidate() {
  std::memset(g_cache, 0x7F, sizeof(g_cache));
  GlTextureCacheInvalidate();
  g_functions = FunctionCache{};
}

void GlActiveUnitCached(int unit) {
  if (!Multitexture() || g_textures.active == unit) return;
  QuadBatchFlush();
  g_glext.glActiveTextureARB(unit == 1 ? GL_TEXTURE1_ARB : GL_TEXTURE0_ARB);
  g_textures.active = unit;
}

void GlBindTextureCached(uint32_t texture) {
  UnitCache* unit = ActiveUnit();
  if (unit != nullptr && unit->bound == int64_t{texture}) return;
  QuadBatchFlush();
  glBindTexture(GL_TEXTURE_2D, texture);
  if (unit != nullptr) unit->bound = texture;
}

void GlUnitTexturingCached(int unit, bool on) {
  if (unit != 0 && !Multitexture()) return;
  const int32_t wanted = on ? 1 : 0;
  UnitCache& cache = g_textures.units[unit];
  if (cache.texturing == wanted) return;
  GlActiveUnitCached(unit);
  QuadBatchFlush();
  if (on) {
    glEnable(GL_TEXTURE_2D);
  } else {
    glDisable(GL_TEXTURE_2D);
  }
  cache.texturing = wanted;
}

void GlUnitTexEnvModeCached(int unit, GLenum mode) {
  if (unit != 0 && !Multitexture()) return;
  UnitCache& cache = g_textures.units[unit];
  if (cache.envMode == int64_t{mode}) return;
  GlActiveUnitCached(unit);
  QuadBatchFlush();
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, static_cast<GLint>(mode));
  cache.envMode = mode;
}

void GlClientUnitCached(int unit) {
  if (g_glext.glClientActiveTextureARB == nullptr || g_textures.clientActive == unit) return;
  QuadBatchFlush();
  g_glext.glClientActiveTextureARB(unit == 1 ? GL_TEXTURE1_ARB : GL_TEXTURE0_ARB);
  g_textures.clientActive = unit;
}

void GlTexParameterCached(GLenum name, GLint value) {
  UnitCache* unit = ActiveUnit();
  const int index = ParameterIndex(name);
  const bool known = unit != nullptr && unit->bound != kUnknownName && index >= 0;
  if (known && unit->parametersOf == unit->bound) {
    if (unit->parameters[index] == value) return;
  } else if (known) {
    unit->parametersOf = unit->bound;
    for (GLint& p : unit->parameters) p = kUnknown;
  }
  QuadBatchFlush();
  glTexParameteri(GL_TEXTURE_2D, name, value);
  if (!known) return;
  unit->parameters[index] = value;
  // The other unit's record of the same texture is out of date now.
  for (UnitCache& other : g_textures.units) {
    if (&other != unit && other.parametersOf == unit->bound) other.parametersOf = kUnknownName;
  }
}

void GlBlendFuncCached(GLenum source, GLenum destination) {
  FunctionCache& f = g_functions;
  if (f.blendKnown && f.blendSource == source && f.blendDestination == destination) return;
  QuadBatchFlush();
  glBlendFunc(source, destination);
  f.blendSource = source;
  f.blendDestination = destination;
  f.blendKnown = true;
}

void GlAlphaFuncCached(GLenum function, float reference) {
  FunctionCache& f = g_functions;
  if (f.alphaKnown && f.alphaFunction == function && f.alphaReference == reference) return;
  QuadBatchFlush();
  glAlphaFunc(function, reference);
  f.alphaFunction = function;
  f.alphaReference = reference;
  f.alphaKnown = true;
}

void GlTextureCacheInvalidate() { g_textures = TextureCache{}; }

void GlColorCached(float r, float g, float b, float a) {
  float* c = g_colour;
  if (g_colourKnown && c[0] == r && c[1] == g && c[2] == b && c[3] == a) return;
  c[0] = r;
  c[1] = g;
  c[2] = b;
  c[3] = a;
  g_colourKnown = true;
  glColor4f(r, g, b, a);
}

void GlColorCacheInvalidate() { g_colourKnown = false; }

void GlCurrentColour(float out[4]) {
  if (!g_colourKnown) {
    glGetFloatv(GL_CURRENT_COLOR, g_colour);
    g_colourKnown = true;
  }
  std::memcpy(out, g_colour, sizeof(g_colour));
}

void GlNewContext() {
  QuadBatchDiscard();
  GlStateInvalidate();
  GlColorCacheInvalidate();
}

void GlNewContextCreated() {
  GlNewContext();
  for (float& channel : g_colour) channel = 1.0f;
  g_colourKnown = true;
}

void GlCurrentColourRestore() {
  if (g_colourKnown) glColor4f(g_colour[0], g_colour[1], g_colour[2], g_colour[3]);
}
