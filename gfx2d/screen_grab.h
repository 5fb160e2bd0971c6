// Reading back what has been drawn: one pixel, and copies of the drawing
// surface (the window's back buffer, or the current offscreen screen) into
// a background slot or a sprite. Coordinates are screen coordinates under
// the orientation, as drawing uses them. Main thread only.
#pragma once

#include <cstdint>

class OpenGLDodevudi;

// The size of the drawing surface in screen terms: the current offscreen
// screen's picture, or the window, turned by the orientation.
void DrawingSurfaceSize(const OpenGLDodevudi& engine, int32_t* width, int32_t* height);

// The colour at (x, y) as 0x00BBGGRR; 0 outside the surface.
uint32_t ReadScreenPixel(OpenGLDodevudi& engine, int32_t x, int32_t y);

// The sprite colour key as the framebuffer stores it, found by drawing it
// at (4, 4) and reading it back (the pixel is put back afterwards), with
// its bytes reversed (0xRRGGBB00). 0 while the key is black or none.
uint32_t ProbeColourKeyPixel(OpenGLDodevudi& engine);

// Copies the whole surface into background slot 0..7: square tiles of
// 128 pixels doubled up to the larger side of the surface (at most the
// largest texture), from the top-left, at most 8 x 8 of them.
void GrabScreenToBackground(OpenGLDodevudi& engine, int32_t slot);

// Copies the width x height rectangle at (x, y) into the sprite, which
// then shows the rectangle as it is seen on the screen. Where the
// framebuffer has no alpha, pixels of the sprite colour key become
// transparent. A width or height of 0 frees the sprite and succeeds; a
// negative size, or one larger than a texture can be, frees it and fails.
// A sprite number outside the table fails.
bool GrabSprite(OpenGLDodevudi& engine, int32_t sprite, int32_t x, int32_t y, int32_t width,
                int32_t height);
