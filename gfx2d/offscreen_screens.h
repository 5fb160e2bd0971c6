// Offscreen screens: drawing into a sprite instead of the window. Screen n
// (0..31) is a framebuffer object with sprite s's texture as its colour
// attachment and, where the driver allows, a depth renderbuffer. While a
// screen is current every 2D drawing command lands in its sprite.
//
// A screen exists only where framebuffer objects work: a failed creation
// leaves the screen without a target sprite, so selecting it draws nothing
// anywhere rather than into a copy of the window.
#pragma once

#include <cstdint>

class OpenGLDodevudi;
struct FboRecord;

// Binds the record's framebuffer, saving the binding it replaces. Answers
// 0 when framebuffer objects are not usable or the record is already bound
// (logged "Trying to rebind the same FBO again. Need to end first").
int32_t FboBegin(FboRecord& record);
// Binds the saved framebuffer again; 0 when the record was not bound.
int32_t FboEnd(FboRecord& record);
// Ends the record, deletes its framebuffer and depth renderbuffer and
// makes it free ({0, 0, -1, 0, 0, -1}).
void FboDestroy(FboRecord& record);
// Makes the record a w x h framebuffer drawing into texture, with a depth
// buffer when asked (32 bits, else 24, else 16; without one when the
// framebuffer is not complete with it). Answers 1 when complete, else 0
// (the record free); every problem goes to the error log.
int32_t FboCreate(FboRecord& record, int32_t width, int32_t height, uint32_t texture,
                  uint8_t withDepth);
// The framebuffer bound now, and the texture attached to its colour
// attachment 0 (0 when framebuffer objects are not usable).
int32_t FboCurrentBinding();
int32_t FboAttachedTexture();

// Makes screen n draw into sprite s, a fresh transparent picture of w x h
// pixels. Answers 1 on success. n above 31 answers 0; otherwise screen n
// is destroyed and sprite s reset first, so a size below 1 or a negative s
// only frees them and answers 0.
int32_t ScreenCreate(OpenGLDodevudi& engine, int32_t n, int32_t s, int32_t w, int32_t h);

// Ends the current screen and makes screen n current: drawing goes into
// its sprite with a viewport of the sprite's size, and the sprite's
// collision mask is dropped. A screen with no target sprite, or n outside
// 0..31, becomes current with nothing bound.
void ScreenUse(OpenGLDodevudi& engine, int32_t n);

// Ends the current screen, if any; drawing goes to the window again with
// the viewport over the whole window.
void ScreenEndCurrent(OpenGLDodevudi& engine);

// The first screen (0..31) whose target sprite is s, or -1.
int32_t ScreenTargetingSprite(const OpenGLDodevudi& engine, int32_t s);

// The highest screen number (31 down to 0) that draws into no sprite, or
// -1 when all 32 do.
int32_t FreeScreenNumber(const OpenGLDodevudi& engine);

// Ends the current screen and destroys all 32 (engine teardown).
void ScreenDestroyAll(OpenGLDodevudi& engine);
