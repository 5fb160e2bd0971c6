// Checks shared by the image reader and writer tests.
#pragma once

#include <cstdint>

#include "gfx2d/image_buffer.h"

// A buffer that holds an earlier 64 x 64 picture (every byte 0x5a, flag 1),
// to show what a read leaves behind.
ImageBuffer UsedImageBuffer();

// The buffer is fresh: no storage, 0 x 0, flag 1.
void ExpectEmptyImage(const ImageBuffer& image);

// An image file writer: name, RGBA-sized pixels, width, height.
using ImageFileWriter = bool (*)(const char* name, const uint8_t* pixels, int32_t width, int32_t height);

// Calls the writer with what every writer refuses (a memory-file name, no
// width, a negative height, no pixels, a picture beyond 2^31 bytes, a
// missing folder) and with a picture tooWide pixels wide and one high, each
// time over an existing file, and checks that the file keeps its bytes and
// that no other file appears beside it.
void ExpectRefusedWritesKeepTheOldFile(ImageFileWriter writer, int32_t tooWide);
