// The font commands of BASIC programs: selecting the current font (the
// font the text commands draw with, g_app.currentFont) and loading a font
// file. Both work on the engine of g_app.
#pragma once

#include <cstdint>

#include "core/rt_string.h"

// Makes font n current. n outside 0 to 31: error 7, nothing changes.
void FontSelect(int32_t n);

// Clears the last error, then loads font n from the media file `name`
// (BMP or PNG) and makes it current. When the name cannot be resolved or
// loaded: error 3, and font n becomes the built-in font. An empty name
// only frees font n and sets no error. n outside 0 to 31: error 7, and
// nothing else changes.
void FontLoad(const RtString& name, int32_t n);
