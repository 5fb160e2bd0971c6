// The INPUT command on a graphics screen: the user types a line at a point
// of the screen, shown in the current font with a blinking "_" cursor over
// a frozen copy of the screen (background slot 3 while it runs), one full
// frame per typed character or idle pass, until Enter. The characters come
// from the input device's typed-character queue.
#pragma once

#include <cstdint>

#include "core/rt_string.h"

// The editing state of one input: the cursor starts hidden and flips after
// every 21 frames in which nothing was typed.
struct TextInputState {
  int32_t blink = 0;
  bool cursorVisible = false;
};

// One frame's typed character c (0 = none) applied to the text: Enter (10
// or 13) ends the input and answers true; backspace (8) removes the last
// character; any other character is appended; no character advances the
// blink.
bool TextInputApply(TextInputState& state, RtString& text, int32_t c);

// The text as shown: followed by "_" while the cursor is visible.
RtString TextInputDisplay(const TextInputState& state, const RtString& text);

// Edits the text in place until Enter, drawn at (x, y) with the spacing
// flag of TextDraw (0 fixed, otherwise proportional). The text ends
// without a line end. Nothing happens without the 2D engine and the input
// device.
void InputText(RtString& text, int32_t x, int32_t y, int32_t spacing);
// A line typed from empty, read as a decimal integer or a number (0 when
// it holds none).
void InputTextInt(int32_t& value, int32_t x, int32_t y, int32_t spacing);
void InputTextFloat(double& value, int32_t x, int32_t y, int32_t spacing);
