// Pixel collision of sprites and animation frames drawn at given screen
// positions: two pictures collide where both have an opaque pixel (alpha
// not 0) on the same screen point.
//
// The test reads each sprite's alpha from its texture once, the first time
// the sprite takes part, and keeps it in the engine's mask table until the
// sprite is reset or drawn into through an offscreen screen; later changes
// to the texture do not reach a kept mask. Main thread, context current.
//
// Sprites outside 0..65535 and free sprites never collide; points outside
// a sprite's picture are never opaque in it.
#pragma once

#include <cstdint>

class OpenGLDodevudi;

// Reads sprite n's collision mask when it has none. Answers whether the
// sprite has one now.
bool SpriteAlphaMask(OpenGLDodevudi& engine, int32_t n);

// Whether some screen point of the rectangle left <= x < right,
// top <= y < bottom is opaque in sprite a with its picture's top-left at
// (ax, ay) and in sprite b with its top-left at (bx, by). Reads missing
// masks. Coordinates beyond +-2^48 (no sum of 32-bit positions and 16-bit
// sizes comes near) answer false.
bool SpriteMaskOverlap(OpenGLDodevudi& engine, int32_t a, int64_t ax, int64_t ay, int32_t b,
                       int64_t bx, int64_t by, int64_t left, int64_t top, int64_t right,
                       int64_t bottom);

// Whole sprites a and b with their top-left corners at (ax, ay), (bx, by).
bool SpriteCollision(OpenGLDodevudi& engine, int32_t a, int32_t b, int32_t ax, int32_t ay,
                     int32_t bx, int32_t by);

// Animation frame frameA of sprite a at (ax, ay) against frame frameB of
// sprite b at (bx, by). Frames run left to right, then down, through the
// picture in cells of the sprite's frame size; a sprite with frame width 0
// is one frame of its whole picture.
bool AnimCollision(OpenGLDodevudi& engine, int32_t a, int32_t frameA, int32_t ax, int32_t ay,
                   int32_t b, int32_t frameB, int32_t bx, int32_t by);
