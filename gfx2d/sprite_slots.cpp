#include "gfx2d/sprite_slots.h"

#include <GL/gl.h>

#include "gfx2d/gl_state_cache.h"
#include "gfx2d/image_buffer.h"
#include "gfx2d/image_files.h"
#include "gfx2d/offscreen_screens.h"
#include "gfx2d/opengl_dodevudi.h"
#include "gfx2d/quad_batch.h"
#include "gfx2d/sprite_draw.h"
#include "gfx2d/texture_upload.h"

namespace {

// Points screen n (when there is one) at sprite s's new texture.
void RetargetScreen(OpenGLDodevudi& engine, int32_t screen, int32_t s) {
  if (screen < 0) return;
  const SpriteRecord& sprite = engine.sprites[s];
  FboRecord& record = engine.screens[screen];
  if (FboCreate(record, sprite.textureWidth, sprite.textureHeight, sprite.texture, 1) != 0) {
    record.sprite = s;
  }
}

}  // namespace

void SpriteReset(OpenGLDodevudi& engine, int32_t n) {
  if (!SpriteInTable(n)) return;
  SpriteAlphaMaskFree(engine, n);
  SpriteBindTexture(engine, -1, -1, 0, nullptr);
  SpriteRecord& sprite = engine.sprites[n];
  if (sprite.texture != 0 || sprite.mipmappedTexture != 0) {
    // Queued quads may show the textures; their names may come back for
    // other textures.
    QuadBatchFlush();
    GlTextureCacheInvalidate();
  }
  if (sprite.texture != 0) glDeleteTextures(1, &sprite.texture);
  if (sprite.mipmappedTexture != 0) glDeleteTextures(1, &sprite.mipmappedTexture);
  sprite.texture = 0;
  sprite.mipmappedTexture = 0;
  sprite.textureWidth = -1;
  sprite.textureHeight = -1;
  sprite.imageWidth = 0;
  sprite.imageHeight = 0;
  sprite.uMax = 1.0f;
  sprite.vMax = 1.0f;
}

const SpriteRecord* SpriteRecordAt(const OpenGLDodevudi& engine, int32_t n) {
  return SpriteInTable(n) && engine.sprites != nullptr ? &engine.sprites[n] : nullptr;
}

void SpriteRecordSetSize(SpriteRecord& sprite, int32_t textureWidth, int32_t textureHeight,
                         int32_t imageWidth, int32_t imageHeight) {
  sprite.textureWidth = static_cast<int16_t>(textureWidth);
  sprite.textureHeight = static_cast<int16_t>(textureHeight);
  sprite.imageWidth = static_cast<int16_t>(imageWidth);
  sprite.imageHeight = static_cast<int16_t>(imageHeight);
  sprite.uMax = static_cast<float>(imageWidth) / static_cast<float>(textureWidth);
  sprite.vMax = static_cast<float>(imageHeight) / static_cast<float>(textureHeight);
}

bool SpriteFromImage(OpenGLDodevudi& engine, int32_t n, const ImageBuffer& image, uint32_t,
                     bool normalMap) {
  if (!SpriteInTable(n)) return false;
  const int32_t screen = ScreenTargetingSprite(engine, n);
  SpriteReset(engine, n);
  if (image.width <= 0 || image.height <= 0) return false;

  // A texture larger than the driver's, or than the record's 16-bit sizes,
  // would be cut and never draw whole.
  const int32_t tw = TextureSideFor(image.width);
  const int32_t th = TextureSideFor(image.height);
  const int32_t max = MaxTextureSide();
  if (tw > max || th > max || tw > kLargestTextureSide || th > kLargestTextureSide) return false;

  SpriteRecord& sprite = engine.sprites[n];
  const bool font = n >= kFontSpriteBase;
  const bool uploaded = font ? TextureUpload(image, 0, 0, 0, 0, &sprite.texture, nullptr, false, true)
                             : TextureUpload(image, 0, 0, 0, 0, &sprite.texture, &sprite.mipmappedTexture,
                                             normalMap, false);
  SpriteRecordSetSize(sprite, tw, th, image.width, image.height);
  if (!uploaded) {
    SpriteReset(engine, n);
    return false;
  }
  RetargetScreen(engine, screen, n);
  return true;
}

bool SpriteFromFile(OpenGLDodevudi& engine, int32_t n, const char* name, uint32_t key, bool normalMap) {
  if (!SpriteInTable(n)) return false;
  SpriteReset(engine, n);
  ImageBuffer image;
  if (!ImageLoadFile(image, name, static_cast<int32_t>(key))) return false;
  if (image.flag == 0) ImageBleedTransparent(image);
  // A screen drawing into sprite n keeps it as its target through the
  // reset, so SpriteFromImage points it at the new texture.
  const bool made = SpriteFromImage(engine, n, image, key, normalMap);
  ImageBufferRelease(image);
  return made;
}

int32_t FreeSpriteNumber(const OpenGLDodevudi& engine) {
  for (int32_t n = kFontSpriteBase - 1; n >= 0; --n) {
    if (engine.sprites[n].imageWidth == 0) return n;
  }
  return -1;
}
