// PNG pictures: reading into an ImageBuffer as RGBA, writing RGBA pictures.
#pragma once

#include <cstdint>

#include "gfx2d/image_buffer.h"

// Reads the PNG file (a disk name or a memory-file name) into the buffer as
// RGBA, rows from the top. Palette, grey and 16-bit pictures are widened or
// cut to 8-bit grey, RGB or RGBA; a tRNS chunk becomes alpha. Grey pictures
// with alpha are refused. key is a colour R | G << 8 | B << 16 or -1 for
// none: it applies to RGB pictures only, whose pixels of that colour become
// 0, 0, 0, 0 while all others are opaque.
// For grey and RGB pictures the flag is cleared before the buffer is sized,
// so it ends 0 only when the buffer already had room.
// On any failure (no such file, not a PNG, corrupt or truncated data, an
// unsupported layout, a side longer than kLargestTextureSide, rows larger than
// the file's bytes can inflate to, a chunk larger than the file) the
// buffer is left empty (fresh) and the answer is false; the last three are
// refused before anything is allocated for them.
bool ImageLoadPng(ImageBuffer& image, const char* name, int32_t key);

// Writes width x height RGBA pixels (rows from the top, no padding) as an
// 8-bit RGBA PNG file. The file is replaced only when the whole picture was
// encoded and written; an empty directory of that name gives way. False for
// a memory-file name, an empty or oversized picture, missing pixels or any
// failure.
bool PngWriteFile(const char* name, const uint8_t* pixels, int32_t width, int32_t height);
