// The font and text commands of BASIC programs: selecting the current font
// (the font the text commands draw and measure with, g_app.currentFont),
// loading a font file, drawing and measuring text. Each works on the engine
// of g_app and does nothing (answers 0, or -1 for a number) without one.
// Spacing flags: 0 fixed (a cell per character), otherwise proportional.
#pragma once

#include <cstdint>

#include "core/rt_string.h"

// Makes font n current. n outside 0 to 31: error 7, nothing changes.
void FontSelect(int32_t n);

// Clears the last error, then loads font n from the media file `name`
// (BMP or PNG) and makes it current. When the name cannot be resolved or
// loaded: error 3, and font n becomes the built-in font. An empty name
// only frees font n and sets no error. n outside 0 to 31: error 7, and
// nothing else changes.
void FontLoad(const RtString& name, int32_t n);

// Draws the text in the current font with its top-left corner at (x, y)
// (see PrintText).
void TextDraw(const RtString& text, double x, double y, int32_t proportional);
// The text's width in pixels in the current font (at most INT32_MAX).
int32_t TextGetWidth(const RtString& text, int32_t proportional);
// The current font's character cell size.
void FontGetCharSize(double* width, double* height);
void FontGetCharSizeI(int32_t* width, int32_t* height);
// The highest font number not in use, -1 when all 32 are.
int32_t FontFreeNumber();
