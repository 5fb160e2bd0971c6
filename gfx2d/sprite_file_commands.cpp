#include "gfx2d/sprite_file_commands.h"

#include <string>

#include "files/media_resolver.h"
#include "gfx2d/image_buffer.h"
#include "gfx2d/image_files.h"
#include "gfx2d/opengl_dodevudi.h"
#include "gfx2d/sprite_draw.h"
#include "gfx2d/sprite_pixels.h"
#include "gfx2d/sprite_slots.h"
#include "process/app_globals.h"
#include "process/error_state.h"

namespace {

// Frees the sprite, then loads the named media file into it; error 3 when
// the name cannot be resolved or the file loaded.
void LoadSprite(OpenGLDodevudi& engine, const RtString& name, int32_t sprite, bool normalMap) {
  SpriteReset(engine, sprite);
  std::string resolved;
  if (MediaResolveName(name.c_str(), &resolved) == 0 ||
      !SpriteFromFile(engine, sprite, resolved.c_str(), engine.spriteColourKey, normalMap)) {
    RuntimeSetError(kErrorFile);
  }
}

// Gives the array the picture's pixels, one element each. False, with the
// array as it was, when the count does not fit an array.
bool PictureToArray(const ImageBuffer& image, RtArray<int32_t>& pixels) {
  const int64_t count = int64_t{image.width} * image.height;
  if (count < 1 || count > INT32_MAX) return false;
  ArrayDimIntExact(pixels, static_cast<int32_t>(count), 0, 0, 0);
  if (pixels.count != count) return false;  // the program is ending
  for (int64_t i = 0; i < count; ++i) {
    const uint8_t* p = image.pixels + i * 4;
    pixels.data[i] = static_cast<int32_t>(uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 |
                                          uint32_t{p[3]} << 24);
  }
  return true;
}

// 1 when the save worked, else error 3 and 0.
int32_t SaveResult(bool saved) {
  if (saved) return 1;
  RuntimeSetError(kErrorFile);
  return 0;
}

}  // namespace

void SpriteLoad(const RtString& name, int32_t sprite) {
  ClearLastError();
  OpenGLDodevudi* engine = g_app.engine2d;
  if (engine == nullptr) return;
  if (name.empty()) {
    SpriteReset(*engine, sprite);
    return;
  }
  LoadSprite(*engine, name, sprite, false);
}

void SpriteLoadAnim(const RtString& name, int32_t sprite, int32_t frameWidth, int32_t frameHeight) {
  SpriteLoad(name, sprite);
  OpenGLDodevudi* engine = g_app.engine2d;
  if (engine == nullptr) return;
  const SpriteRecord* record = SpriteRecordAt(*engine, sprite);
  if (record == nullptr || record->imageWidth < 1) return;
  SetSpriteAnimSize(*engine, sprite, static_cast<int16_t>(frameWidth), static_cast<int16_t>(frameHeight));
}

void SpriteLoadKeep(const RtString& name, int32_t sprite) {
  ClearLastError();
  if (OpenGLDodevudi* engine = g_app.engine2d) LoadSprite(*engine, name, sprite, true);
}

int32_t SpriteSaveFile(const RtString& name, int32_t sprite) {
  ClearLastError();
  OpenGLDodevudi* engine = g_app.engine2d;
  return SaveResult(engine != nullptr && SaveSprite(*engine, sprite, name.c_str()));
}

int32_t ScreenSaveFile(const RtString& name) {
  ClearLastError();
  OpenGLDodevudi* engine = g_app.engine2d;
  return SaveResult(engine != nullptr && SaveScreen(*engine, name.c_str()));
}

int32_t SpriteFromArray(const RtArray<int32_t>& pixels, int32_t sprite, int32_t width, int32_t height) {
  OpenGLDodevudi* engine = g_app.engine2d;
  if (engine == nullptr || width < 0 || height < 0) return 0;
  const int64_t count = int64_t{width} * height;
  if (count != pixels.count) return 0;
  ImageBuffer image;
  if (!ImageBufferResize(image, width, height)) return 0;
  for (int64_t i = 0; i < count; ++i) {
    const uint32_t v = static_cast<uint32_t>(pixels.data[i]);
    uint8_t* p = image.pixels + i * 4;
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
  }
  const bool made = SpriteFromImage(*engine, sprite, image, engine->spriteColourKey, false);
  ImageBufferRelease(image);
  return made ? 1 : 0;
}

int32_t SpriteToArray(int32_t sprite, RtArray<int32_t>& pixels) {
  OpenGLDodevudi* engine = g_app.engine2d;
  if (engine == nullptr) return 0;
  const SpriteRecord* record = SpriteRecordAt(*engine, sprite);
  if (record == nullptr || record->imageWidth == 0) return 0;
  ImageBuffer image;
  const bool stored = SpriteToImage(*engine, sprite, image) && PictureToArray(image, pixels);
  ImageBufferRelease(image);
  return stored ? 1 : 0;
}

int32_t ImageFileToArray(const RtString& name, int32_t* width, int32_t* height, RtArray<int32_t>& pixels) {
  OpenGLDodevudi* engine = g_app.engine2d;
  if (engine == nullptr) return 0;
  std::string resolved;
  ImageBuffer image;
  if (MediaResolveName(name.c_str(), &resolved) == 0 ||
      !ImageLoadFile(image, resolved.c_str(), static_cast<int32_t>(engine->spriteColourKey))) {
    RuntimeSetError(kErrorFile);
    return 0;
  }
  if (image.flag == 0) ImageBleedTransparent(image);
  const bool stored = PictureToArray(image, pixels);
  if (stored) {
    *width = image.width;
    *height = image.height;
  }
  ImageBufferRelease(image);
  return stored ? 1 : 0;
}
