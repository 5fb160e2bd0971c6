#include "gfx2d/sprite_pixels.h"

#include <GL/gl.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <utility>

#include "core/c_runtime.h"
#include "files/error_log.h"
#include "gfx2d/bmp_image.h"
#include "gfx2d/image_buffer.h"
#include "gfx2d/jpeg_image.h"
#include "gfx2d/offscreen_screens.h"
#include "gfx2d/opengl_dodevudi.h"
#include "gfx2d/png_image.h"
#include "gfx2d/screen_grab.h"
#include "gfx2d/sprite_slots.h"
#include "platform/file_io.h"

namespace {

// Sprites in the backup file: every picture sprite and font sprite.
constexpr int32_t kBackupSprites = 65536;

void PutInt32(uint8_t* out, int32_t value) {
  const uint32_t v = static_cast<uint32_t>(value);
  out[0] = static_cast<uint8_t>(v);
  out[1] = static_cast<uint8_t>(v >> 8);
  out[2] = static_cast<uint8_t>(v >> 16);
  out[3] = static_cast<uint8_t>(v >> 24);
}

int32_t GetInt32(const uint8_t* in) {
  return static_cast<int32_t>(uint32_t{in[0]} | uint32_t{in[1]} << 8 | uint32_t{in[2]} << 16 |
                              uint32_t{in[3]} << 24);
}

// Swaps row i with row height - 1 - i: the texture holds the picture
// upside down.
void FlipRows(ImageBuffer& image) {
  const size_t rowBytes = static_cast<size_t>(image.width) * 4;
  std::string spare(rowBytes, '\0');
  for (int32_t i = 0; i < image.height / 2; ++i) {
    uint8_t* top = image.pixels + i * rowBytes;
    uint8_t* bottom = image.pixels + (image.height - 1 - i) * rowBytes;
    std::memcpy(spare.data(), top, rowBytes);
    std::memcpy(top, bottom, rowBytes);
    std::memcpy(bottom, spare.data(), rowBytes);
  }
}

void LogFileLine(const std::string& name) {
  ErrorLogAppend(("   \"" + name + "\"\n").c_str());
}

bool WriteBackup(OpenGLDodevudi& engine, int fd) {
  ImageBuffer image;
  bool whole = true;
  for (int32_t n = 0; n < kBackupSprites && whole; ++n) {
    if (engine.sprites[n].imageWidth <= 0) continue;
    // A sprite whose pixels cannot be had is left out rather than written
    // with another sprite's pixels.
    if (!SpriteToImage(engine, n, image)) continue;
    uint8_t header[12];
    PutInt32(header, n);
    PutInt32(header + 4, image.width);
    PutInt32(header + 8, image.height);
    whole = PlatformWriteAll(fd, header, sizeof(header)) &&
            PlatformWriteAll(fd, image.pixels, static_cast<size_t>(image.width) * image.height * 4);
  }
  ImageBufferRelease(image);
  return whole;
}

// Makes every sprite of the file again. A record that is not whole or
// not sane (a number outside the table, a size no sprite can have) ends
// the rebuild: the file lives in a shared folder.
void ReadBackup(OpenGLDodevudi& engine, int fd, int64_t size) {
  ImageBuffer image;
  int64_t at = 0;
  while (at < size) {
    uint8_t header[12];
    if (PlatformReadAt(fd, header, sizeof(header), at) != static_cast<int64_t>(sizeof(header))) break;
    at += sizeof(header);
    const int32_t n = GetInt32(header);
    const int32_t width = GetInt32(header + 4);
    const int32_t height = GetInt32(header + 8);
    if (n < 0 || n >= kBackupSprites || width < 1 || height < 1 || width > kLargestTextureSide ||
        height > kLargestTextureSide) {
      break;
    }
    const int64_t bytes = int64_t{width} * height * 4;
    if (bytes > size - at || !ImageBufferResize(image, width, height)) break;
    if (PlatformReadAt(fd, image.pixels, static_cast<size_t>(bytes), at) != bytes) break;
    at += bytes;
    SpriteFromImage(engine, n, image, engine.spriteColourKey, false);
  }
  ImageBufferRelease(image);
}

}  // namespace

bool SpriteToImage(OpenGLDodevudi& engine, int32_t n, ImageBuffer& image) {
  if (!SpriteInTable(n)) return false;
  const SpriteRecord& sprite = engine.sprites[n];
  if (sprite.imageWidth <= 0 || sprite.imageHeight <= 0) return false;
  if (!ImageBufferResize(image, sprite.imageWidth, sprite.imageHeight)) return false;
  std::memset(image.pixels, 0, static_cast<size_t>(image.width) * image.height * 4);
  if (engine.currentScreen >= 0) ScreenEndCurrent(engine);

  FboRecord temporary = {0, 0, -1, 0, 0, -1};
  if (FboCreate(temporary, sprite.textureWidth, sprite.textureHeight, sprite.texture, 0) != 0) {
    FboBegin(temporary);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glPixelStorei(GL_PACK_SKIP_ROWS, 0);
    glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
    glReadPixels(0, 0, image.width, image.height, GL_RGBA, GL_UNSIGNED_BYTE, image.pixels);
    FboEnd(temporary);
    FlipRows(image);
  }
  FboDestroy(temporary);
  return true;
}

bool ImageSave(OpenGLDodevudi&, const char* name, ImageBuffer& image) {
  if (name == nullptr) return false;
  const size_t length = std::strlen(name);
  if (length > 4 && name[length - 4] == '.') {
    const char* extension = name + length - 3;
    if (CrtStricmp(extension, "png") == 0) return PngWriteFile(name, image.pixels, image.width, image.height);
    if (CrtStricmp(extension, "jpg") == 0) {
      if (image.pixels != nullptr) {
        const int64_t count = int64_t{image.width} * image.height;
        for (int64_t i = 0; i < count; ++i) std::swap(image.pixels[i * 4], image.pixels[i * 4 + 2]);
      }
      return JpegWriteFile(name, image.pixels, image.width, image.height);
    }
  }
  return BmpWriteFile(name, image.pixels, image.width, image.height);
}

bool SaveScreen(OpenGLDodevudi& engine, const char* name) {
  const int32_t s = FreeSpriteNumber(engine);
  if (s < 0) return false;
  int32_t width = 0;
  int32_t height = 0;
  DrawingSurfaceSize(engine, &width, &height);
  if (!GrabSprite(engine, s, 0, 0, width, height)) return false;
  ImageBuffer image;
  const bool saved = SpriteToImage(engine, s, image) && ImageSave(engine, name, image);
  ImageBufferRelease(image);
  SpriteReset(engine, s);
  return saved;
}

bool SaveSprite(OpenGLDodevudi& engine, int32_t n, const char* name) {
  ImageBuffer image;
  const bool saved = SpriteToImage(engine, n, image) && ImageSave(engine, name, image);
  ImageBufferRelease(image);
  return saved;
}

bool TexturesToTempFile(OpenGLDodevudi& engine, bool restore) {
  const std::string name = TempTextureFileName(engine);
  if (!restore) {
    ErrorLogAppend("move textures from mem to temp file\n");
    LogFileLine(name);
    TempTextureFileRemove(engine);
    // A new file of our own: never through a link someone left in the
    // shared temporary folder.
    int fd = open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    const bool whole = WriteBackup(engine, fd);
    PlatformCloseFd(fd);
    // A file that is not whole would lose sprites at the rebuild.
    if (!whole) TempTextureFileRemove(engine);
    ErrorLogAppend("   ...done\n");
    return whole;
  }

  ErrorLogAppend("restoring textures from temp file\n");
  int fd = open(name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  struct stat info;
  if (fd >= 0 && (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))) PlatformCloseFd(fd);
  if (fd < 0) return false;
  ReadBackup(engine, fd, info.st_size);
  PlatformCloseFd(fd);
  TempTextureFileRemove(engine);
  ErrorLogAppend("   ...done\n");
  return true;
}
