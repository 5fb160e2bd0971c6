// Bitmap fonts: installing the built-in font, measuring text and finding a
// free font number.
//
// Font n (0 to 31) is sprite kFontSpriteBase + n, a picture of character
// cells 16 across (see font_images.h), and glyph table n of the engine. A
// font is in use while its picture is at least 16 pixels wide. Font
// numbers outside 0 to 31 name no font: installing does nothing, measuring
// answers 0. Texts are 8-bit and end at their first zero byte.
#pragma once

#include <cstdint>

#include "gfx2d/opengl_dodevudi.h"

// Whether n names a font (0 to 31).
inline bool FontNumberValid(int32_t n) { return n >= 0 && n < kFontCount; }

// Installs the built-in 8 x 8 font (128 x 64 picture) as font n, every
// glyph 8 pixels wide. When its picture cannot be made the font is left
// free.
void FontBuildDefault(OpenGLDodevudi& engine, int32_t n);

// Draws the text with its top-left corner at (ceil(x), ceil(y)) and depth
// z, one cell per character (fixed spacing) or each character as wide as
// its glyph (proportional). The engine's vertex array receives the text's
// vertices, a triangle strip; flat text (z = 0) goes into the quad batch
// a character a quad, other text is drawn from the array at once. A font of 8 rows takes character codes modulo 128 (bytes b and
// b + 128 share a cell), one of 16 rows modulo 256; a code of 0 ends the
// text. Nothing is drawn for an empty text, which leaves the vertex array
// as it was, or when the array cannot hold the text.
void PrintText(OpenGLDodevudi& engine, int32_t n, const char* text, double x, double y, float z,
               bool proportional);

// The text's width in pixels: fixed spacing gives the number of bytes
// times the cell width; proportional spacing the sum of the glyph widths,
// each byte taken as 0 to 255. Saturates at UINT32_MAX.
uint32_t TextWidth(const OpenGLDodevudi& engine, int32_t n, const char* text, bool proportional);

// The font's cell size: picture width / 16 by picture height / 8 (at
// least as wide as tall) or / 16 (taller than wide).
void FontCharSize(const OpenGLDodevudi& engine, int32_t n, int32_t* width, int32_t* height);

// The highest font number not in use, -1 when all 32 are.
int32_t FreeFontNumber(const OpenGLDodevudi& engine);
