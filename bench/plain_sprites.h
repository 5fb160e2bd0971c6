// The plain OpenGL program that the sprite benchmarks measure the engine
// against: the least state that gives the engine's picture of sprites drawn
// in their own size (the texture modulated by white, blended with source
// alpha and one minus source alpha, no alpha test), and the quads of a
// frame drawn from one client vertex array with one glDrawArrays.
#pragma once

#include <GL/gl.h>

#include <cstdint>
#include <vector>

// Sets that state for a window of width x height, with the 2D projection
// (y down) and the texture of the sprite, filtered linearly (smoothing) or
// by nearest texels.
void PlainSpriteState(int width, int height, GLuint texture, bool smoothing);

// Draws count side x side quads with their top-left corners at x[i], y[i],
// in the corner order of the engine's sprite (right-top, left-top,
// left-bottom, right-bottom), the picture's top edge at v = vMax and its
// right edge at u = uMax. vertices is scratch storage kept from frame to
// frame.
void PlainSpriteDraw(const int32_t* x, const int32_t* y, int count, int side, float uMax, float vMax,
                     std::vector<float>* vertices);
