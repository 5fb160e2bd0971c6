// Reading a picture file of any of the supported kinds.
#pragma once

#include <cstdint>

struct ImageBuffer;

// Reads the file as BMP, else PNG (both with the colour key, -1 = none),
// else JPEG (no key). False, with the buffer empty, when no reader takes
// it or the name is null or empty.
bool ImageLoadFile(ImageBuffer& image, const char* name, int32_t key);
