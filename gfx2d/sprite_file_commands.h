// The commands of BASIC programs that move sprite pictures between files,
// integer arrays and sprites. Each works on the engine of g_app and does
// nothing (answers 0) without one. Names are media names, resolved through
// g_app's media resolver; a name that cannot be resolved, read or written
// is error 3 and never ends the program.
//
// Pixels in arrays: one element a pixel, rows from the top, red in the
// lowest byte, then green, blue and alpha (0xAABBGGRR).
#pragma once

#include <cstdint>

#include "core/rt_array.h"
#include "core/rt_string.h"

// Clears the last error and frees the sprite; a name that is not empty is
// then loaded into it with the sprite colour key. Error 3 when it cannot
// be resolved or loaded (the sprite stays free).
void SpriteLoad(const RtString& name, int32_t sprite);
// SpriteLoad, then the frame size when the sprite holds a picture.
void SpriteLoadAnim(const RtString& name, int32_t sprite, int32_t frameWidth, int32_t frameHeight);
// As SpriteLoad, the picture made into a normal map; an empty name is a
// failed load too.
void SpriteLoadKeep(const RtString& name, int32_t sprite);

// Clear the last error and write the sprite's picture, or the whole screen
// as it is seen, to a file named as given (not resolved): PNG for ".png",
// JPEG for ".jpg", else BMP. 1 when written, else error 3 and 0.
int32_t SpriteSaveFile(const RtString& name, int32_t sprite);
int32_t ScreenSaveFile(const RtString& name);

// Makes the sprite from the array's width x height pixels. 0, with the
// sprite as it was, unless width and height are not negative and the
// array holds exactly width x height elements; else the result of making
// the sprite (an empty picture fails and frees the sprite).
int32_t SpriteFromArray(const RtArray<int32_t>& pixels, int32_t sprite, int32_t width, int32_t height);

// Gives the array the sprite's width x height pixels as one dimension.
// 0, with the array as it was, for a free sprite or when the picture
// cannot be read.
int32_t SpriteToArray(int32_t sprite, RtArray<int32_t>& pixels);

// Reads an image file (BMP or PNG with the sprite colour key, or JPEG)
// and gives its size and pixels, as SpriteToArray does. 1 on success;
// error 3 and 0, with the outs and the array as they were, when the name
// cannot be resolved or read.
int32_t ImageFileToArray(const RtString& name, int32_t* width, int32_t* height, RtArray<int32_t>& pixels);
