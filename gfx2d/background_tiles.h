// Background images: a picture cut into square tiles of at most 512
// pixels, each its own texture, in one of the engine's 8 background slots.
// Slot 0 is drawn by the frame start in place of the clear; tile (i, j)
// covers picture x from i * t and y from j * t and is entry i * 8 + j.
#pragma once

#include <cstdint>

class OpenGLDodevudi;

// Reads the image file (BMP, PNG or JPEG, no colour key) and cuts it into
// the slot's tiles, replacing what the slot held. False, with the slot as
// it was, for a slot outside 0..7, a file no reader takes, an empty
// picture or one that needs more than 8 tiles either way; false with the
// slot free when a tile cannot be uploaded.
bool BackgroundLoad(OpenGLDodevudi& engine, int32_t slot, const char* name);

// Deletes a slot's tile textures and clears the slot; a slot outside 0..7
// does nothing.
void BackgroundSlotFree(OpenGLDodevudi& engine, int32_t slot);

// Resets every sprite 0..65535 (fonts included) and frees all 8 slots.
void DeleteAllSprites(OpenGLDodevudi& engine);
