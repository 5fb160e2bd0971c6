// The runtime's built-in font as a source of letters for the generated
// pictures: 8 x 8 cells with a white pattern and a dark outline.
#pragma once

#include <cstdint>

#include "tools/media/canvas.h"

// What a pixel of a character's 8 x 8 cell holds.
enum class GlyphPixel { kNone, kLetter, kEdge };

// The pixel (px, py) of character code's cell (codes 32 to 127).
GlyphPixel GlyphAt(int code, int px, int py);

// Paints the text's letters, each cell pixel as an sx x sy block, cells
// 8 * sx apart: letter pixels in `colour`, outline pixels in `edge` (kKey
// leaves them out).
void PaintText(Canvas& c, int x, int y, const char* text, int sx, int sy, uint32_t colour, uint32_t edge);

// Paints capital letters as thick strokes, each letter w x h, `gap`
// between letters. Letters without strokes are left out.
void PaintStrokeText(Canvas& c, double x, double y, const char* text, double w, double h, double gap,
                     double thickness, uint32_t colour);
