// JPEG pictures: reading disk files into an ImageBuffer, writing pictures
// as RGB JPEG files.
#pragma once

#include <cstdint>

#include "gfx2d/image_buffer.h"

// Decodes the JPEG file of that disk name (memory-file names are refused)
// into a new block of width x height x components bytes, rows from the top
// (components: 1 grey, 3 RGB, 4 the CMYK bytes of CMYK and YCCK files,
// inverted as Adobe stores them: 255 is no ink). The block is malloc'd and
// belongs to the caller (std::free). False, with nothing allocated and the
// outputs 0, for a missing, truncated or corrupt file (one the decoder
// warns about: damaged or missing data), a side longer than
// kLargestTextureSide, or more pixels than the file's bytes can code (512 a
// byte); the last two are refused before anything is allocated.
bool JpegReadFile(const char* name, int32_t* width, int32_t* height, int32_t* components, uint8_t** pixels);

// Reads the JPEG file into the buffer as opaque RGBA: grey, RGB, and CMYK
// or YCCK converted to RGB (each colour is its inverted CMYK byte times
// the K byte, / 255). No colour key applies; the flag is 0. Another
// component count appends "JPEG: Channels: N not supported!" to the error
// log. On any failure the buffer is left empty (fresh) and the answer is
// false.
bool ImageLoadJpeg(ImageBuffer& image, const char* name);

// Writes width x height pixels of 4 bytes in the order B, G, R, x (the
// fourth byte is ignored; rows from the top) as a baseline RGB JPEG file of
// quality 80. The file is replaced only when the whole picture was encoded
// and written; an empty directory of that name gives way. False for a
// memory-file name, an empty or oversized picture, missing pixels or any
// failure.
bool JpegWriteFile(const char* name, const uint8_t* pixels, int32_t width, int32_t height);
