// Uploading pictures into OpenGL textures. A texture is a power of two on
// each side and holds the picture upside down in its lower-left corner
// (texture row 0 = the picture's bottom row), so v = 0 is the picture's
// bottom and the picture's size / the texture's size is its u/v extent.
#pragma once

#include <cstdint>

struct ImageBuffer;

// The texture side for a picture side: 8 doubled until it reaches the size,
// at least once (1 -> 16, 16 -> 16, 17 -> 32, 640 -> 1024). Sizes beyond
// 2^30 answer INT32_MAX, which no texture can have.
int32_t TextureSideFor(int32_t size);

// Pixel rows for uploads: 4-byte alignment, whole rows from the start.
void SetUnpackState();

// GL_MAX_TEXTURE_SIZE of the current context.
int32_t MaxTextureSide();

// Uploads the rectangle at (x, y) of size w x h of the picture (0 = up to
// the picture's right or bottom edge) into *texture: a texture name other
// than 0 is deleted and its name used again, 0 gets a new name. With
// mipTexture, a mipmapped square copy goes into a new texture named there
// (an earlier name there is deleted first). normalMap turns the picture
// into a normal map first; nearest selects nearest-neighbour filtering
// instead of linear. Answers false, touching no texture, when the
// rectangle holds no pixels or the working storage cannot be had. The
// texture is left bound.
bool TextureUpload(const ImageBuffer& image, int32_t x, int32_t y, int32_t w, int32_t h,
                   uint32_t* texture, uint32_t* mipTexture, bool normalMap, bool nearest);
