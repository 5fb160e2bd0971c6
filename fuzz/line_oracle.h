// The lines a text file holds by the rules of files/file_stream.h and
// files/line_reading.h, worked out directly on the bytes, for checking the
// readers against.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// What successive StreamReadLine calls with room max deliver (each up to
// its first zero byte, as a caller sees the text); with dropRest, what
// StreamReadLineDropRest delivers.
std::vector<std::string> ExpectedLines(const std::string& data, int32_t max, bool dropRest);
