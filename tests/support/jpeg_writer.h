// JPEG files of any colour space, written straight through libjpeg.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// jpeglib.h needs size_t and FILE declared first.
#include <cstddef>
#include <cstdio>
#include <jpeglib.h>

// Writes a width x height picture of one pixel (its components in the
// order of the input colour space) as a JPEG file of quality 95, stored in
// the colour space libjpeg picks for the input or in the one given (CMYK
// input stored as YCCK). libjpeg marks CMYK and YCCK files as Adobe's.
// False when the file cannot be made.
bool WriteFlatJpeg(const std::string& path, J_COLOR_SPACE space, const std::vector<uint8_t>& pixel, int32_t width,
                   int32_t height, J_COLOR_SPACE stored = JCS_UNKNOWN);
