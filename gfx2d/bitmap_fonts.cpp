#include "gfx2d/bitmap_fonts.h"

#include <GL/gl.h>

#include <cmath>
#include <cstring>

#include "gfx2d/font_images.h"
#include "gfx2d/image_buffer.h"
#include "gfx2d/opengl_dodevudi.h"
#include "gfx2d/quad_batch.h"
#include "gfx2d/sprite_draw.h"
#include "gfx2d/sprite_slots.h"
#include "gfx2d/texture_upload.h"

namespace {

const SpriteRecord& FontSprite(const OpenGLDodevudi& engine, int32_t n) {
  return engine.sprites[kFontSpriteBase + n];
}

}  // namespace

void FontBuildDefault(OpenGLDodevudi& engine, int32_t n) {
  if (!FontNumberValid(n)) return;
  const int32_t s = kFontSpriteBase + n;
  // Whatever the sprite held goes first: its mask and any mipmapped copy.
  SpriteReset(engine, s);
  ImageBuffer image;
  SpriteRecord& sprite = engine.sprites[s];
  if (!ImageDefaultFont(image) ||
      !TextureUpload(image, 0, 0, 0, 0, &sprite.texture, nullptr, false, true)) {
    ImageBufferRelease(image);
    SpriteReset(engine, s);
    return;
  }
  // The picture's sides are powers of two: the texture is the picture.
  sprite.textureWidth = static_cast<int16_t>(image.width);
  sprite.textureHeight = static_cast<int16_t>(image.height);
  sprite.imageWidth = static_cast<int16_t>(image.width);
  sprite.imageHeight = static_cast<int16_t>(image.height);
  sprite.uMax = 1.0f;
  sprite.vMax = 1.0f;
  const int32_t cell = image.width / 16;
  const float tw = static_cast<float>(sprite.textureWidth);
  for (int32_t c = 0; c < kGlyphCount; ++c) {
    const int32_t cellX = (c % 16) * cell;
    GlyphRecord& glyph = engine.glyphs[n][c];
    glyph.leftOffset = 0;
    glyph.width = static_cast<uint8_t>(cell);
    glyph.uLeft = static_cast<float>(cellX) / tw;
    glyph.uRight = static_cast<float>(cell + cellX) / tw;
  }
  ImageBufferRelease(image);
}

void PrintText(OpenGLDodevudi& engine, int32_t n, const char* text, double x, double y, float z,
               bool proportional) {
  if (!FontNumberValid(n) || text == nullptr) return;
  const size_t length = std::strlen(text);
  if (length == 0) return;
  // Four vertices a character; a text too long for the array draws nothing.
  // Flat text (z = 0) goes into the quad batch, a character a quad; text at
  // another depth is drawn at once from the engine's vertex array. The
  // array holds the text's vertices afterwards either way.
  GrowArray<TexturedVertex>& vertices = engine.vertices;
  const bool batched = z == 0.0f;
  if (length > static_cast<size_t>(INT32_MAX / 4 - 1) || !vertices.Reserve(static_cast<int32_t>(length) * 4)) {
    vertices.Clear();
    return;
  }
  const int32_t s = kFontSpriteBase + n;
  SpriteBindTexture(engine, s, -1, 0, nullptr);

  const SpriteRecord& sprite = engine.sprites[s];
  const GlyphRecord* glyphs = engine.glyphs[n];
  const int32_t rows = sprite.imageWidth >= sprite.imageHeight ? 8 : 16;
  const uint32_t codeMask = static_cast<uint32_t>(rows) * 16 - 1;
  const float du = sprite.uMax / 16.0f;
  const float dv = sprite.vMax / static_cast<float>(rows);
  const float cellWidth = static_cast<float>(sprite.imageWidth / 16);
  const float cellHeight = static_cast<float>(sprite.imageHeight / rows);
  float penX = static_cast<float>(std::ceil(x));
  const float top = static_cast<float>(std::ceil(y));
  const float bottom = top + cellHeight;

  int32_t count = 0;
  for (const char* p = text; *p != '\0'; ++p) {
    // Bytes above 127 wrap onto the cells below 128 in an 8-row font.
    const uint32_t c = static_cast<uint8_t>(*p) & codeMask;
    if (c == 0) break;
    const float vLow = static_cast<float>(rows - 1 - static_cast<int32_t>(c / 16)) * dv;
    float u0 = static_cast<float>(c % 16) * du;
    float u1 = u0 + du;
    float w = cellWidth;
    if (proportional) {
      u0 = glyphs[c].uLeft;
      u1 = glyphs[c].uRight;
      w = static_cast<float>(glyphs[c].width);
    }
    vertices[count++] = {penX, bottom, z, u0, vLow};
    vertices[count++] = {penX, top, z, u0, vLow + dv};
    vertices[count++] = {penX + w, bottom, z, u1, vLow};
    vertices[count++] = {penX + w, top, z, u1, vLow + dv};
    if (batched) {
      const float xy[8] = {penX, bottom, penX, top, penX + w, bottom, penX + w, top};
      const float uv[8] = {u0, vLow, u0, vLow + dv, u1, vLow, u1, vLow + dv};
      QuadBatchAdd(xy, uv, QuadSplit::kStrip);
    }
    penX += w;
  }
  vertices.count = count;
  if (!batched) FlushVertexArray(engine, GL_TRIANGLE_STRIP);
}

uint32_t TextWidth(const OpenGLDodevudi& engine, int32_t n, const char* text, bool proportional) {
  if (!FontNumberValid(n) || text == nullptr) return 0;
  uint64_t width = 0;
  if (proportional) {
    const GlyphRecord* glyphs = engine.glyphs[n];
    for (const char* p = text; *p != '\0'; ++p) width += glyphs[static_cast<uint8_t>(*p)].width;
  } else {
    width = static_cast<uint64_t>(std::strlen(text)) * static_cast<uint64_t>(FontSprite(engine, n).imageWidth / 16);
  }
  return width > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(width);
}

void FontCharSize(const OpenGLDodevudi& engine, int32_t n, int32_t* width, int32_t* height) {
  *width = 0;
  *height = 0;
  if (!FontNumberValid(n)) return;
  const SpriteRecord& sprite = FontSprite(engine, n);
  *width = sprite.imageWidth / 16;
  *height = sprite.imageWidth >= sprite.imageHeight ? sprite.imageHeight / 8 : sprite.imageHeight / 16;
}

int32_t FreeFontNumber(const OpenGLDodevudi& engine) {
  for (int32_t n = kFontCount - 1; n >= 0; --n) {
    if (FontSprite(engine, n).imageWidth / 16 == 0) return n;
  }
  return -1;
}
