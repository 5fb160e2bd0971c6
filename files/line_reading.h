// Reading text lines whole for the stores that keep them: the rest of a
// line too long for the buffer is skipped rather than delivered as further
// lines (the INI reader and the line store each keep one line per line of
// the file).
#pragma once

#include <cstdint>

#include "files/file_stream.h"

// StreamReadLine, except that a line of more than max - 1 bytes keeps its
// first max - 1 bytes and the stream moves past its end.
bool StreamReadLineDropRest(FileStream& s, char* buffer, int32_t max);
