// Untextured drawing: single pixels, lines and filled rectangles in a
// drawing colour (0x00BBGGRR) at the engine's current alpha. Drawing in the
// sprite colour key draws fully transparent. Afterwards the colour is white
// at the current alpha again. Main thread only.
#pragma once

#include <cstdint>

class OpenGLDodevudi;

// Whether a colour is the engine's sprite colour key (never, while the key
// is -1 = none).
bool IsSpriteColourKey(const OpenGLDodevudi& engine, uint32_t colour);

// The pixel at (x, y).
void PlotPixel(OpenGLDodevudi& engine, int32_t x, int32_t y, int32_t colour);

// A line from (x1, y1) to (x2, y2), both end pixels set.
void DrawLine(OpenGLDodevudi& engine, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
              int32_t colour);

// The pixels x to x + width - 1 and y to y + height - 1. A negative width
// counts to the left from x, so that x itself is the rightmost column
// (x = 100, width = -10 covers 91 to 100); the same for the height.
void DrawFilledRect(OpenGLDodevudi& engine, int32_t x, int32_t y, int32_t width, int32_t height,
                    int32_t colour);
