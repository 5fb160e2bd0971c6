#include "gfx2d/image_files.h"

#include "gfx2d/bmp_image.h"
#include "gfx2d/image_buffer.h"
#include "gfx2d/jpeg_image.h"
#include "gfx2d/png_image.h"

bool ImageLoadFile(ImageBuffer& image, const char* name, int32_t key) {
  if (name == nullptr || name[0] == '\0') return false;
  return ImageLoadBmp(image, name, key) || ImageLoadPng(image, name, key) || ImageLoadJpeg(image, name);
}
