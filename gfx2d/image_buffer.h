// The in-memory picture that every image reader, writer and texture upload
// works on: width x height RGBA pixels, rows from the top, no padding.
#pragma once

#include <cstdint>

struct ImageBuffer {
  // 1 whenever the buffer is created, emptied or given new storage. A
  // reader clears it to ask for ImageBleedTransparent after the read.
  uint8_t flag = 1;
  int32_t width = 0;
  int32_t height = 0;
  uint8_t* pixels = nullptr;  // width * height * 4 bytes (malloc)
  int32_t capacity = 0;       // bytes of storage held
};

// True when both sides are from 1 to the largest texture side the engine
// makes (kLargestTextureSide): the image readers refuse any other picture
// before they allocate anything for it.
bool ImageSidesReadable(int64_t width, int64_t height);

// Frees the storage; the buffer is fresh again ({1, 0, 0, none, 0}).
void ImageBufferRelease(ImageBuffer& image);

// The sizing rule of every reader and converter: storage below w * h * 4
// bytes is replaced by exactly that many new bytes (contents undefined,
// flag 1); otherwise the storage is kept. Then width and height become w
// and h. A negative size, a size beyond 2^31 - 1 bytes or a failed
// allocation leaves the buffer empty (0 x 0) and answers false.
bool ImageBufferResize(ImageBuffer& image, int32_t width, int32_t height);

// Gives every fully transparent pixel the mean colour (R, G, B truncated)
// of its opaque neighbours that lie inside the picture's border (the
// outermost rows and columns never count); with none, R, G and B become
// 0. Alpha is not changed, so scaled or filtered drawing shows no fringe
// of the key colour.
void ImageBleedTransparent(ImageBuffer& image);

// Replaces the picture by its normal map: heights are the blue bytes, the
// picture wraps at its edges, alpha is kept. Answers false (picture
// unchanged) when the new storage cannot be had.
bool ImageNormalMap(ImageBuffer& image);

// Doubles the picture in both directions, each pixel a 2 x 2 block.
// Answers false (picture unchanged) when the new size cannot be had.
bool ImageDouble(ImageBuffer& image);
