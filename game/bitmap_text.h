// Text drawn with the game's font picture (sprite 1000): character i of a
// text at (x + w*i, y), stretched to w x h, frame = character code - 32.
#pragma once

#include <cstdint>

#include "core/rt_string.h"

// The font picture's sprite.
inline constexpr int32_t kFontSprite = 1000;

// Draws the text with cells of 8*scale x 16*scale pixels.
void PrintBitmapText(int32_t x, int32_t y, const RtString& text, double scale);
