// Reading text files for the stores that keep them: resolving the name and
// reading text lines whole: the rest of a line too long for the buffer is
// skipped rather than delivered as further lines (the INI reader and the
// line store each keep one line per line of the file).
#pragma once

#include <cstdint>
#include <string>

#include "files/file_stream.h"

// StreamReadLine, except that a line of more than max - 1 bytes keeps its
// first max - 1 bytes and the stream moves past its end.
bool StreamReadLineDropRest(FileStream& s, char* buffer, int32_t max);

// Resolves a text file's name for reading through the media resolver of
// g_app (a file on disk, else an entry of the media pack as a memory-file
// name): 1 with *out set, or 0 for a miss. Without a resolver the name is
// taken as it is.
int32_t ResolveTextFile(const char* name, std::string* out);
