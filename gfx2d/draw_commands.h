// The drawing commands of BASIC programs: render-state settings, pixels,
// lines, rectangles and the polygon batch. Each works on the engine of
// g_app and does nothing (answers 0) without one. Colours are 0x00BBGGRR.
#pragma once

#include <cstdint>

// Linear (flag not 0) or nearest texture filtering.
void GfxSetSmoothing(int32_t flag);
// Pixels with alpha at or below the threshold are not drawn; 1 or more
// turns the test off.
void GfxSetAlphaTest(double threshold);
// The colour that loads as transparent in sprite and font pictures (-1:
// none).
void GfxSetColourKey(int32_t colour);

void GfxPlotPixel(int32_t x, int32_t y, int32_t colour);
void GfxDrawLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t colour);
// A filled rectangle (see DrawFilledRect for negative sizes).
void GfxDrawRect(int32_t x, int32_t y, int32_t width, int32_t height, int32_t colour);
// The colour of the screen pixel; 0 outside the surface.
int32_t GfxGetPixel(int32_t x, int32_t y);

// The polygon batch (see poly_batch.h): started with a sprite (-1 =
// untextured) and a mode (0 fan, 1 triangles, 2 strip), filled vertex by
// vertex and drawn by PolyEnd.
void PolyStart(int32_t sprite, int32_t mode);
void PolyVertex(double x, double y, double textureX, double textureY, int32_t colour);
void PolyNewStrip();
void PolyEnd();
