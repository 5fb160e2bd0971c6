// PNG pictures: a file read from disk and the same bytes read as a
// memory file must both be refused, or both give the same picture; the
// reader that reads any picture file takes it the same way.
//
// Input: one byte choosing the colour key (odd: none, even: magenta), then
// the file.
#include "fuzz/image_compare.h"
#include "gfx2d/png_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzPictureReader("png_image", "picture.png", ImageLoadPng, data, size);
  return 0;
}
