// Drawing sprites and animation frames, and the texture binding that every
// textured drawing of the runtime goes through.
//
// A sprite's texture holds its picture upside down (its bottom row at
// v = 0), while the 2D projection has y growing downward, so every quad
// puts the larger v on its top edge. Quads go into the quad batch, which
// draws them before anything changes how they look; the current colour,
// blending and alpha test apply. Sprite numbers outside the table draw
// nothing. Main thread only.
#pragma once

#include <cstdint>

#include "core/grow_array.h"

class OpenGLDodevudi;

// Binds the textures for what follows and records s, s2 and mip in the
// engine. One sprite (s2 < 0): s on texture unit 0. Two sprites: s on unit
// 1 and s2 on unit 0. s < 0 turns texturing off. The texture of sprite k is
// (*table)[k] when a table of texture names is given (0 for an index
// outside it), else the sprite's mipmapped copy when mip is set, else its
// texture; a number outside the sprite table binds texture 0. Without a
// second texture unit only s is bound.
void SpriteBindTexture(OpenGLDodevudi& engine, int32_t s, int32_t s2, uint32_t mip,
                       const GrowArray<uint32_t>* table);

// The texture name SpriteBindTexture binds for sprite k (see above).
uint32_t SpriteTextureName(const OpenGLDodevudi& engine, int32_t k, uint32_t mip,
                           const GrowArray<uint32_t>* table);

// The sprite given last to SpriteBindTexture (-1 = untextured); drawing
// passes texture coordinates only while it is 0 or more.
int32_t BoundSpriteNumber();

// Four vertices of x, y, u, v split as a triangle fan, with the bound
// texture clamped at its edges, queued in the quad batch.
void DrawTexturedQuad(const float quad[16]);

// Draws the engine's vertex array (x, y, z, u, v) as primitives of the
// given mode at once (the quad batch first); nothing when it is empty.
void FlushVertexArray(OpenGLDodevudi& engine, uint32_t mode);

// The picture with its top-left corner at x, y: in its own size, stretched
// to width x height, or turned by angle degrees (counter-clockwise on the
// screen) about its centre and scaled by zoom.
void DrawSprite(OpenGLDodevudi& engine, int32_t sprite, int32_t x, int32_t y);
void StretchSprite(OpenGLDodevudi& engine, int32_t sprite, int32_t x, int32_t y, int32_t width,
                   int32_t height);
void RotoZoomSprite(OpenGLDodevudi& engine, int32_t sprite, int32_t x, int32_t y, float angle,
                    float zoom);

// Makes the sprite an animation sheet of frames of this size, counted
// row by row from the top-left (0 in either direction: no sheet).
void SetSpriteAnimSize(OpenGLDodevudi& engine, int32_t sprite, int16_t frameWidth,
                       int16_t frameHeight);

// One frame of the sheet, drawn as the sprite operations draw the whole
// picture; nothing while the sprite has no frame size. Frame numbers are
// not limited: a frame past the sheet draws what lies below the picture
// in the texture.
void DrawAnim(OpenGLDodevudi& engine, int32_t sprite, int32_t frame, int32_t x, int32_t y);
void StretchAnim(OpenGLDodevudi& engine, int32_t sprite, int32_t frame, int32_t x, int32_t y,
                 int32_t width, int32_t height);
void RotoZoomAnim(OpenGLDodevudi& engine, int32_t sprite, int32_t frame, int32_t x, int32_t y,
                  float angle, float zoom);
