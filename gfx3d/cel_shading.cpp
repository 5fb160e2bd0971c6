#include "gfx3d/cel_shading.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdlib>

#include "gfx2d/gl_state_cache.h"
#include "gfx2d/quad_batch.h"
#include "gfx3d/dodevudi3d.h"
#include "gfx3d/mesh_records.h"

namespace {

constexpr uint8_t kDefaultSteps[16] = {100, 160, 160, 160, 160, 160, 160, 207,
                                       255, 255, 255, 255, 255, 255, 255, 255};
constexpr uint32_t kFirstNonColour = 0xFFFFFFFCu;

GrowArray<uint8_t> g_table;

void SetDefaultSteps() {
  if (!g_table.Reserve(16)) return;
  for (int32_t i = 0; i < 16; ++i) g_table[i] = kDefaultSteps[i];
  g_table.count = 16;
}

}  // namespace

GrowArray<uint8_t>& CelShadeTable() { return g_table; }

CelRampSize CelRampSizeFor(int32_t paletteCount, int32_t steps) {
  CelRampSize size{64, 1};
  const int64_t wanted = int64_t{4} * steps;
  while (wanted > size.width && size.width < 512) size.width *= 2;
  // Powers of two are tried up to 16384; a larger palette gets its own count.
  while (size.height < paletteCount && size.height < 16384) size.height *= 2;
  if (size.height < paletteCount) size.height = paletteCount;
  return size;
}

void CelRampFill(const uint32_t* palette, int32_t paletteCount, const uint8_t* steps, int32_t stepCount,
                 CelRampSize size, bool bgra, uint8_t* texels) {
  uint8_t* out = texels;
  for (int32_t r = 0; r < size.height; ++r) {
    const uint32_t c = paletteCount > 0 ? palette[r < paletteCount ? r : 0] : kFirstNonColour;
    for (int32_t x = 0; x < size.width; ++x) {
      const uint32_t b = steps[int64_t{x} * stepCount / size.width];
      uint32_t red = b;
      uint32_t green = b;
      uint32_t blue = b;
      if (c < kFirstNonColour) {
        red = (c & 255) * b / 255;
        green = ((c >> 8) & 255) * b / 255;
        blue = ((c >> 16) & 255) * b / 255;
      }
      out[0] = static_cast<uint8_t>(bgra ? blue : red);
      out[1] = static_cast<uint8_t>(green);
      out[2] = static_cast<uint8_t>(bgra ? red : blue);
      out[3] = 255;
      out += 4;
    }
  }
}

uint32_t CelRampUpload(const uint32_t* palette, int32_t paletteCount, uint8_t bgra, float* rowStep) {
  if (g_table.count == 0) SetDefaultSteps();
  // A table that could not be had shades at full brightness.
  const uint8_t full = 255;
  const uint8_t* steps = g_table.count > 0 ? g_table.data : &full;
  const int32_t stepCount = g_table.count > 0 ? g_table.count : 1;
  const CelRampSize size = CelRampSizeFor(paletteCount, stepCount);
  *rowStep = 1.0f / static_cast<float>(size.height);
  uint8_t* texels = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(size.width) * size.height * 4));
  if (texels == nullptr) return 0;
  CelRampFill(palette, paletteCount, steps, stepCount, size, bgra != 0, texels);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
  QuadBatchFlush();
  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  GlTextureCacheInvalidate();
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  if (bgra != 0) {
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, size.width, size.height, 0, GL_BGRA, GL_UNSIGNED_BYTE, texels);
  } else {
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, size.width, size.height, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
  }
  std::free(texels);
  return name;
}

void MeshCelRampTexture(MeshObject& mesh, uint8_t bgra) {
  if (mesh.rampTexture != 0) return;
  mesh.rampTexture = CelRampUpload(mesh.palette.data, mesh.palette.count, bgra, &mesh.celRowStep);
}

void CelShadeTableSet(Dodevudi3D& engine, const uint8_t* bytes, int32_t count) {
  g_table.count = 0;
  if (count < 1 || bytes == nullptr) {
    if (g_table.capacity >= 2 || g_table.Reserve(1)) {
      g_table[0] = 255;
      g_table.count = 1;
    }
  } else if (g_table.capacity > count || g_table.Reserve(count)) {
    for (int32_t i = 0; i < count; ++i) g_table[i] = bytes[i];
    g_table.count = count;
  }
  // Only a built slot can hold meshes.
  for (int32_t slot = 0; slot < engine.objects.count; ++slot) {
    if (!engine.objects.Built(slot)) continue;
    for (MeshObjectX& mesh : engine.objects[slot].meshes) {
      if (mesh.rampTexture == 0) continue;
      glDeleteTextures(1, &mesh.rampTexture);
      mesh.rampTexture = 0;
    }
  }
}
