// Font pictures: loading a font picture with the measures of its glyphs,
// and the picture of the built-in font.
//
// A font picture is a grid of character cells, 16 across; cell width =
// picture width / 16. A picture at least as wide as tall holds 128
// characters in 8 rows, a taller one 256 characters in 16 rows. Character
// c lies in column c % 16 and row c / 16, rows counted from the top.
// Font n (0 to 31) is sprite kFontSpriteBase + n with glyph table n.
#pragma once

#include <cstdint>

class OpenGLDodevudi;
struct ImageBuffer;

// Loads font n from a BMP or PNG file (a disk name or a memory-file name),
// the engine's font colour key making pixels of that colour transparent,
// and measures every glyph: its first and last columns holding a pixel
// that is not fully transparent, plus one column of spacing where the cell
// has room; an empty cell is a whole cell wide. The space takes the width
// of the letter j. In a 128-character font characters 128 to 255 repeat 0
// to 127. A failed load (an empty name included) leaves the font's sprite
// free and answers false. Font numbers outside 0 to 31 and pictures whose
// cells are wider than a glyph record holds (255 pixels) are refused.
bool FontFromFile(OpenGLDodevudi& engine, int32_t n, const char* name);

// Fills the buffer with the built-in font's 128 x 64 picture: characters
// 32 to 127 in 8 x 8 cells, each a white 5 x 6 pattern with a near-black
// outline, everything else transparent. False, with the buffer empty,
// when its storage cannot be had.
bool ImageDefaultFont(ImageBuffer& image);
