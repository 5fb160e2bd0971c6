// Box collision: whether two boxes on the pixel grid share a pixel.
#pragma once

#include <cstdint>

// Each box is a position and a size per axis. A positive size s covers the
// pixels p to p + s - 1, a size of 0 the one pixel p, a negative size the
// pixels p + s + 1 to p. 1 when the boxes share at least one pixel, else 0.
// Edges are computed in 64 bits, so boxes near the ends of the 32-bit range
// do not wrap around.
int32_t RectsOverlap(int32_t x1, int32_t y1, int32_t w1, int32_t h1, int32_t x2, int32_t y2, int32_t w2, int32_t h2);
