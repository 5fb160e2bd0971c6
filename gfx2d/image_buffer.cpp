#include "gfx2d/image_buffer.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "gfx2d/opengl_dodevudi.h"

namespace {

// Bytes of a w x h RGBA picture, or -1 when the size is negative or does
// not fit the 32-bit capacity.
int64_t PictureBytes(int32_t width, int32_t height) {
  if (width < 0 || height < 0) return -1;
  const int64_t bytes = static_cast<int64_t>(width) * height * 4;
  return bytes > INT32_MAX ? -1 : bytes;
}

void MakeEmpty(ImageBuffer& image) {
  std::free(image.pixels);
  image = ImageBuffer{};
}

// Swaps in a picture built elsewhere (malloc'd, exactly w x h x 4 bytes).
void TakeStorage(ImageBuffer& image, uint8_t* pixels, int32_t width, int32_t height) {
  std::free(image.pixels);
  image.pixels = pixels;
  image.width = width;
  image.height = height;
  image.capacity = width * height * 4;
  image.flag = 1;
}

}  // namespace

void ImageBufferRelease(ImageBuffer& image) { MakeEmpty(image); }

bool ImageSidesReadable(int64_t width, int64_t height) {
  return width >= 1 && height >= 1 && width <= kLargestTextureSide && height <= kLargestTextureSide;
}

bool ImageBufferResize(ImageBuffer& image, int32_t width, int32_t height) {
  const int64_t bytes = PictureBytes(width, height);
  if (bytes < 0) {
    MakeEmpty(image);
    return false;
  }
  if (image.capacity < bytes) {
    MakeEmpty(image);
    // At least one byte, so that a 0 x 0 request still owns storage.
    image.pixels = static_cast<uint8_t*>(std::malloc(bytes > 0 ? bytes : 1));
    if (image.pixels == nullptr) return false;
    image.capacity = static_cast<int32_t>(bytes);
  }
  image.width = width;
  image.height = height;
  return true;
}

void ImageBleedTransparent(ImageBuffer& image) {
  const int32_t w = image.width;
  const int32_t h = image.height;
  uint8_t* p = image.pixels;
  if (p == nullptr) return;
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      uint8_t* pixel = p + (static_cast<int64_t>(y) * w + x) * 4;
      if (pixel[3] != 0) continue;
      int sum[3] = {0, 0, 0};
      int count = 0;
      for (int32_t ny = y - 1; ny <= y + 1; ++ny) {
        if (ny < 1 || ny > h - 2) continue;
        for (int32_t nx = x - 1; nx <= x + 1; ++nx) {
          if (nx < 1 || nx > w - 2 || (nx == x && ny == y)) continue;
          const uint8_t* n = p + (static_cast<int64_t>(ny) * w + nx) * 4;
          if (n[3] == 0) continue;
          sum[0] += n[0];
          sum[1] += n[1];
          sum[2] += n[2];
          ++count;
        }
      }
      for (int c = 0; c < 3; ++c) pixel[c] = count > 0 ? static_cast<uint8_t>(sum[c] / count) : 0;
    }
  }
}

bool ImageNormalMap(ImageBuffer& image) {
  const int32_t w = image.width;
  const int32_t h = image.height;
  if (w < 1 || h < 1 || image.pixels == nullptr) return true;
  uint8_t* out = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(w) * h * 4));
  if (out == nullptr) return false;
  const uint8_t* in = image.pixels;
  auto height = [&](int32_t x, int32_t y) {
    x = ((x % w) + w) % w;
    y = ((y % h) + h) % h;
    return in[(static_cast<int64_t>(y) * w + x) * 4 + 2] / 255.0;
  };
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      const double gx = (height(x + 1, y - 1) + 2 * height(x + 1, y) + height(x + 1, y + 1)) -
                        (height(x - 1, y - 1) + 2 * height(x - 1, y) + height(x - 1, y + 1));
      const double gy = (height(x - 1, y - 1) + 2 * height(x, y - 1) + height(x + 1, y - 1)) -
                        (height(x - 1, y + 1) + 2 * height(x, y + 1) + height(x + 1, y + 1));
      const double len = std::sqrt(gx * gx + gy * gy + 1.0);
      const int64_t at = (static_cast<int64_t>(y) * w + x) * 4;
      out[at + 0] = static_cast<uint8_t>(((-gx / len) + 1.0) * 0.5 * 255.0);
      out[at + 1] = static_cast<uint8_t>(((-gy / len) + 1.0) * 0.5 * 255.0);
      out[at + 2] = static_cast<uint8_t>(((1.0 / len) + 1.0) * 0.5 * 255.0);
      out[at + 3] = in[at + 3];
    }
  }
  TakeStorage(image, out, w, h);
  return true;
}

bool ImageDouble(ImageBuffer& image) {
  const int32_t w = image.width;
  const int32_t h = image.height;
  if (image.pixels == nullptr || w < 1 || h < 1) return true;
  if (w > INT32_MAX / 2 || h > INT32_MAX / 2) return false;
  ImageBuffer doubled;
  if (!ImageBufferResize(doubled, w * 2, h * 2)) return false;
  for (int32_t y = 0; y < h * 2; ++y) {
    for (int32_t x = 0; x < w * 2; ++x) {
      std::memcpy(doubled.pixels + (static_cast<int64_t>(y) * w * 2 + x) * 4,
                  image.pixels + (static_cast<int64_t>(y / 2) * w + x / 2) * 4, 4);
    }
  }
  TakeStorage(image, doubled.pixels, doubled.width, doubled.height);
  return true;
}
