// Windows bitmap files: reading 1, 4, 8, 16, 24 and 32 bits a pixel into
// an ImageBuffer, writing pictures as 24-bit files.
#pragma once

#include <cstdint>

#include "gfx2d/image_buffer.h"

// Reads the bitmap file (a disk name or a memory-file name) into the
// buffer as RGBA, rows from the top. key is a colour R | G << 8 | B << 16
// or -1 for none; pixels of the key colour become 0, 0, 0, 0, all others
// are opaque. On success the buffer's flag is 0 (transparent pixels want
// ImageBleedTransparent); on any failure the buffer is left empty (fresh)
// and the answer is false. A 16- or 32-bit file whose compression names
// bit fields (3, or 6 with an alpha mask that is not used) and whose
// header and palette region holds the red, green and blue masks behind a
// 40-byte header is read through those masks; otherwise 16-bit pixels are
// 5-5-5 and 32-bit ones B, G, R, x. A picture with a side longer than
// kLargestTextureSide, or whose rows the file does not all hold (a memory
// file as a disk file), is refused before anything is allocated for it.
bool ImageLoadBmp(ImageBuffer& image, const char* name, int32_t key);

// Writes width x height RGBA pixels (rows from the top) as a 24-bit bitmap
// file, bottom row first. Pixels that are not fully opaque are written in
// the colour RGB(255, 0, 128). The file is replaced only when the whole
// write succeeds; false for a memory-file name, a negative size, missing
// pixels or any write failure.
bool BmpWriteFile(const char* name, const uint8_t* pixels, int32_t width, int32_t height);
