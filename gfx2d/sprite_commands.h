// The sprite commands of BASIC programs: drawing sprites and animation
// frames, collision tests, grabbing the screen into a sprite and reading a
// sprite's size. Each works on the engine of g_app and does nothing
// (answers 0) without one. Sprite numbers outside the table draw nothing,
// never collide and have size 0. Angles are degrees.
#pragma once

#include <cstdint>

void SpriteDraw(int32_t sprite, int32_t x, int32_t y);
void SpriteDrawStretched(int32_t sprite, int32_t x, int32_t y, int32_t width, int32_t height);
void SpriteDrawRotated(int32_t sprite, int32_t x, int32_t y, double angle);
void SpriteDrawRotoZoom(int32_t sprite, int32_t x, int32_t y, double angle, double zoom);
// Stretched by the zoom factors about the picture's centre: the size is
// zoom x picture size truncated, and the corner moves by half the growth
// (rounded toward zero).
void SpriteDrawZoomed(int32_t sprite, int32_t x, int32_t y, double zoomX, double zoomY);

// Sets the frame size of a sprite that holds a picture; a free sprite is
// left as it is.
void SpriteSetAnimSize(int32_t sprite, int32_t frameWidth, int32_t frameHeight);
void SpriteDrawFrame(int32_t sprite, int32_t frame, int32_t x, int32_t y);
void SpriteDrawFrameStretched(int32_t sprite, int32_t frame, int32_t x, int32_t y, int32_t width,
                              int32_t height);
void SpriteDrawFrameRotoZoom(int32_t sprite, int32_t frame, int32_t x, int32_t y, double angle,
                             double zoom);

// 1 when the two sprites (or frames), with their top-left corners at the
// given points, have an opaque pixel on the same screen point, else 0.
int32_t SpriteTestCollision(int32_t sprite1, int32_t x1, int32_t y1, int32_t sprite2, int32_t x2,
                            int32_t y2);
int32_t SpriteFrameCollision(int32_t sprite1, int32_t frame1, int32_t x1, int32_t y1,
                             int32_t sprite2, int32_t frame2, int32_t x2, int32_t y2);

// Copies the rectangle of the screen into the sprite (see GrabSprite).
void SpriteGrab(int32_t sprite, int32_t x, int32_t y, int32_t width, int32_t height);

// The sprite's picture size; 0 x 0 for a free sprite.
void SpriteGetSize(int32_t sprite, int32_t* width, int32_t* height);
// The same for a sprite number given as a double (truncated).
void SpriteGetSizeF(double sprite, double* width, double* height);
// The sprite's OpenGL texture name; 0 for none.
int32_t SpriteGetTexture(int32_t sprite);
// The highest free sprite number below the fonts, -1 when none is free.
int32_t SpriteFreeNumber();
