#include "gfx2d/texture_upload.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstring>

#include "gfx2d/gl_state_cache.h"
#include "gfx2d/image_buffer.h"
#include "gfx2d/quad_batch.h"

namespace {

uint8_t* PixelOf(ImageBuffer& image, int32_t row, int32_t column) {
  return image.pixels + (static_cast<int64_t>(row) * image.width + column) * 4;
}

void UploadLevel(GLint level, int32_t width, int32_t height, const uint8_t* pixels) {
  glTexImage2D(GL_TEXTURE_2D, level, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
}

// Halves the picture's width (pairs of columns averaged bytewise) until it
// is no wider than high, then its height the same way: in place, each new
// pixel read from at or after where it is written.
void MakeSquare(ImageBuffer& image) {
  while (image.width > image.height) {
    const int32_t half = image.width / 2;
    for (int32_t r = 0; r < image.height; ++r) {
      for (int32_t k = 0; k < half; ++k) {
        const uint8_t* a = PixelOf(image, r, 2 * k);
        const uint8_t* b = a + 4;
        uint8_t* out = image.pixels + (static_cast<int64_t>(r) * half + k) * 4;
        for (int byte = 0; byte < 4; ++byte) out[byte] = static_cast<uint8_t>((a[byte] + b[byte]) >> 1);
      }
    }
    image.width = half;
  }
  while (image.height > image.width) {
    const int32_t half = image.height / 2;
    for (int32_t r = 0; r < half; ++r) {
      for (int32_t k = 0; k < image.width; ++k) {
        const uint8_t* a = PixelOf(image, 2 * r, k);
        const uint8_t* b = PixelOf(image, 2 * r + 1, k);
        uint8_t* out = PixelOf(image, r, k);
        for (int byte = 0; byte < 4; ++byte) out[byte] = static_cast<uint8_t>((a[byte] + b[byte]) >> 1);
      }
    }
    image.height = half;
  }
}

// One mipmap step of a square picture, side 2c to c, in place. Each new
// pixel weighs the old pixel at its corner with its right neighbour and
// the two pixels two rows below; the last row and column take fewer.
void ReduceSquare(ImageBuffer& image) {
  const int32_t c = image.width / 2;
  for (int32_t r = 0; r < c; ++r) {
    for (int32_t x = 0; x < c; ++x) {
      const uint8_t* a = PixelOf(image, 2 * r, 2 * x);
      uint8_t* out = image.pixels + (static_cast<int64_t>(r) * c + x) * 4;
      const bool lastColumn = x == c - 1;
      const bool lastRow = r == c - 1;
      for (int byte = 0; byte < 4; ++byte) {
        int value;
        if (!lastColumn && !lastRow) {
          const int b = PixelOf(image, 2 * r, 2 * x + 1)[byte];
          const int cc = PixelOf(image, 2 * r + 2, 2 * x + 1)[byte];
          const int d = PixelOf(image, 2 * r + 2, 2 * x)[byte];
          value = (4 * a[byte] + 2 * b + 2 * cc + d) / 9;
        } else if (!lastColumn) {
          value = (2 * a[byte] + PixelOf(image, 2 * r, 2 * x + 1)[byte]) / 3;
        } else if (!lastRow) {
          value = (2 * a[byte] + PixelOf(image, 2 * r + 2, 2 * x)[byte]) / 3;
        } else {
          value = a[byte];
        }
        out[byte] = static_cast<uint8_t>(value);
      }
    }
  }
  image.width = c;
  image.height = c;
}

void SetTextureParameters(GLint magnify, GLint minify) {
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, magnify);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minify);
}

void UploadMipmappedCopy(ImageBuffer& work, uint32_t* mipTexture) {
  SetUnpackState();
  if (*mipTexture != 0) glDeleteTextures(1, mipTexture);
  glGenTextures(1, mipTexture);
  glBindTexture(GL_TEXTURE_2D, *mipTexture);
  SetTextureParameters(GL_LINEAR, GL_LINEAR_MIPMAP_LINEAR);
  MakeSquare(work);
  GLint level = 0;
  UploadLevel(level, work.width, work.height, work.pixels);
  while (work.width / 2 >= 1) {
    ReduceSquare(work);
    UploadLevel(++level, work.width, work.height, work.pixels);
  }
}

}  // namespace

void SetUnpackState() {
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
}

int32_t TextureSideFor(int32_t size) {
  if (size > (1 << 30)) return INT32_MAX;
  int32_t side = 16;
  while (side < size) side *= 2;
  return side;
}

int32_t MaxTextureSide() {
  GLint max = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &max);
  return max;
}

bool TextureUpload(const ImageBuffer& image, int32_t x, int32_t y, int32_t w, int32_t h,
                   uint32_t* texture, uint32_t* mipTexture, bool normalMap, bool nearest) {
  const int32_t max = MaxTextureSide();
  // Widths in 64 bits: x and y may be anywhere.
  int64_t width = w == 0 ? int64_t{image.width} - x : w;
  int64_t height = h == 0 ? int64_t{image.height} - y : h;
  if (width < 1 || height < 1) return false;
  width = std::min<int64_t>(width, max);
  height = std::min<int64_t>(height, max);
  const int32_t tw = TextureSideFor(static_cast<int32_t>(width));
  const int32_t th = TextureSideFor(static_cast<int32_t>(height));

  ImageBuffer work;
  if (!ImageBufferResize(work, tw, th)) return false;
  std::memset(work.pixels, 0, static_cast<size_t>(tw) * th * 4);

  // The rectangle into the first columns and rows, upside down.
  const int64_t firstX = std::max<int64_t>(x, 0);
  const int64_t endX = std::min<int64_t>({image.width, int64_t{x} + tw, int64_t{x} + width});
  const int64_t firstY = std::max<int64_t>(y, 0);
  const int64_t endY = std::min<int64_t>({image.height, int64_t{y} + th, int64_t{y} + height});
  if (image.pixels != nullptr) {
    for (int64_t sy = firstY; sy < endY; ++sy) {
      const int64_t row = y + height - 1 - sy;
      for (int64_t sx = firstX; sx < endX; ++sx) {
        std::memcpy(work.pixels + (row * tw + (sx - x)) * 4,
                    image.pixels + (sy * image.width + sx) * 4, 4);
      }
    }
  }

  if (normalMap && !ImageNormalMap(work)) {
    ImageBufferRelease(work);
    return false;
  }

  // Queued quads may show the texture replaced here; the binding and the
  // parameters set here pass the state cache.
  QuadBatchFlush();
  GlTextureCacheInvalidate();
  SetUnpackState();
  if (*texture != 0) {
    glDeleteTextures(1, texture);
  } else {
    glGenTextures(1, texture);
  }
  glBindTexture(GL_TEXTURE_2D, *texture);
  const GLint filter = nearest ? GL_NEAREST : GL_LINEAR;
  SetTextureParameters(filter, filter);
  UploadLevel(0, tw, th, work.pixels);

  if (mipTexture != nullptr) UploadMipmappedCopy(work, mipTexture);
  GlTextureCacheInvalidate();
  ImageBufferRelease(work);
  return true;
}
