#include "gfx2d/background_tiles.h"

#include <GL/gl.h>

#include <cstring>

#include "gfx2d/gl_state_cache.h"
#include "gfx2d/image_buffer.h"
#include "gfx2d/image_files.h"
#include "gfx2d/opengl_dodevudi.h"
#include "gfx2d/quad_batch.h"
#include "gfx2d/sprite_slots.h"
#include "gfx2d/texture_upload.h"

namespace {

constexpr int32_t kLargestTile = 512;
constexpr int32_t kTilesPerSide = 8;

// Deletes every tile texture of the slot, whatever its counts say, and
// clears it.
void ClearSlot(OpenGLDodevudi& engine, BackgroundSlot& background) {
  if (engine.context != nullptr) {
    QuadBatchFlush();
    GlTextureCacheInvalidate();
    for (uint32_t texture : background.tileTexture) {
      if (texture != 0) glDeleteTextures(1, &texture);
    }
  }
  std::memset(&background, 0, sizeof(background));
}

}  // namespace

bool BackgroundLoad(OpenGLDodevudi& engine, int32_t slot, const char* name) {
  if (slot < 0 || slot >= kBackgroundCount) return false;
  ImageBuffer image;
  if (!ImageLoadFile(image, name, -1)) return false;
  const int32_t maxSide = MaxTextureSide();
  const int32_t tile = maxSide < kLargestTile ? maxSide : kLargestTile;
  const int64_t columns = tile > 0 ? (int64_t{image.width} + tile - 1) / tile : 0;
  const int64_t rows = tile > 0 ? (int64_t{image.height} + tile - 1) / tile : 0;
  // The slot has room for 8 x 8 tiles; a larger picture is refused whole.
  if (columns < 1 || rows < 1 || columns > kTilesPerSide || rows > kTilesPerSide) {
    ImageBufferRelease(image);
    return false;
  }

  BackgroundSlot& background = engine.backgrounds[slot];
  ClearSlot(engine, background);
  for (int32_t j = 0; j < rows; ++j) {
    for (int32_t i = 0; i < columns; ++i) {
      const int32_t entry = i * kTilesPerSide + j;
      if (!TextureUpload(image, i * tile, j * tile, tile, tile, &background.tileTexture[entry], nullptr,
                         false, false)) {
        ClearSlot(engine, background);
        ImageBufferRelease(image);
        return false;
      }
      background.tileTextureWidth[entry] = static_cast<int16_t>(tile);
      background.tileTextureHeight[entry] = static_cast<int16_t>(tile);
      background.tileImageWidth[entry] = static_cast<int16_t>(tile);
      background.tileImageHeight[entry] = static_cast<int16_t>(tile);
    }
    background.columns = static_cast<int8_t>(columns);
  }
  background.rows = static_cast<int8_t>(rows);
  ImageBufferRelease(image);
  return true;
}

void BackgroundSlotFree(OpenGLDodevudi& engine, int32_t slot) {
  if (slot < 0 || slot >= kBackgroundCount) return;
  ClearSlot(engine, engine.backgrounds[slot]);
}

void DeleteAllSprites(OpenGLDodevudi& engine) {
  for (int32_t n = 0; n < kSpriteCount - 1; ++n) SpriteReset(engine, n);
  for (int32_t slot = 0; slot < kBackgroundCount; ++slot) BackgroundSlotFree(engine, slot);
}
