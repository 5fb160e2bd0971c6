#include "gfx2d/bitmap_fonts.h"

#include <cstring>

#include "gfx2d/font_images.h"
#include "gfx2d/image_buffer.h"
#include "gfx2d/opengl_dodevudi.h"
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
