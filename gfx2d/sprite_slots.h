// Sprite slots: making a sprite from a picture and freeing it. A slot is
// free while its image width is 0; loading into a used slot frees it
// first, so a failed load leaves it free.
#pragma once

#include <cstdint>

class OpenGLDodevudi;
struct ImageBuffer;
struct SpriteRecord;

// Frees sprite n: its collision mask, its texture and mipmapped copy
// (texturing is turned off first). The animation frame size stays. A
// number outside the table does nothing.
void SpriteReset(OpenGLDodevudi& engine, int32_t n);

// Sprite n's record, or null for a number outside the table.
const SpriteRecord* SpriteRecordAt(const OpenGLDodevudi& engine, int32_t n);

// Gives a sprite record its texture and picture sizes and the picture's
// u/v extent in the texture.
void SpriteRecordSetSize(SpriteRecord& sprite, int32_t textureWidth, int32_t textureHeight,
                         int32_t imageWidth, int32_t imageHeight);

// Makes sprite n from the picture: a texture of the picture with a
// mipmapped copy (a font's sprite, 65504 and up, gets nearest filtering
// and no copy), optionally as a normal map. An offscreen screen that drew
// into sprite n draws into the new texture. Answers false with the slot
// free for an empty picture, a picture larger than a texture can be, or a
// failed upload. The key is not used: readers apply colour keys.
bool SpriteFromImage(OpenGLDodevudi& engine, int32_t n, const ImageBuffer& image, uint32_t key,
                     bool normalMap);

// Makes sprite n from an image file (a disk name or a memory-file name):
// BMP, else PNG, else JPEG, the colour key applied by the BMP and PNG
// readers; transparent pixels are coloured from their neighbours when the
// reader asks for it. An offscreen screen that drew into sprite n draws
// into the new texture. False, with the slot free, for an empty name or a
// file no reader takes.
bool SpriteFromFile(OpenGLDodevudi& engine, int32_t n, const char* name, uint32_t key, bool normalMap);

// The highest free sprite number below the font sprites (65503 down to
// 0), or -1 when every one holds a picture.
int32_t FreeSpriteNumber(const OpenGLDodevudi& engine);
