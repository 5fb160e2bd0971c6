// Sprite pixels back in memory, and the texture backup file that holds
// every sprite's pixels so that the sprites can be made again from it.
//
// Backup file (little-endian, no header): per sprite in increasing order,
// its number, width and height (32-bit each), then width x height RGBA
// pixels, rows from the top.
#pragma once

#include <cstdint>

class OpenGLDodevudi;
struct ImageBuffer;

// Reads sprite n's picture (its image size, rows from the top) into the
// buffer through a temporary framebuffer; ends the current offscreen
// screen first. Answers false for a free sprite or when the buffer cannot
// be sized; when no framebuffer can be made the picture is transparent
// black.
bool SpriteToImage(OpenGLDodevudi& engine, int32_t n, ImageBuffer& image);

// Writes the picture as PNG when the name ends in ".png", as JPEG when it
// ends in ".jpg" (either case; the picture's red and blue bytes are
// exchanged in place for the JPEG writer), else as a 24-bit BMP file.
bool ImageSave(OpenGLDodevudi& engine, const char* name, ImageBuffer& image);

// Writes sprite n's picture to a file as ImageSave does; false for a free
// sprite or a failed write.
bool SaveSprite(OpenGLDodevudi& engine, int32_t n, const char* name);

// Writes the whole drawing surface, as it is seen under the orientation, to
// a file as ImageSave does, through the highest free sprite below the
// fonts (free again afterwards). False when no sprite is free, the grab or
// the write fails.
bool SaveScreen(OpenGLDodevudi& engine, const char* name);

// restore false: writes every sprite that holds a picture to the backup
// file (the sprites keep their textures). restore true: makes each sprite
// of the file again and deletes the file. Answers true when the file was
// written whole, or opened and read; false otherwise (and then nothing is
// restored). Both directions log to the error log.
bool TexturesToTempFile(OpenGLDodevudi& engine, bool restore);
