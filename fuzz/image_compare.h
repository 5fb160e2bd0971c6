// Reading one picture file two ways (disk name, memory-file name) and
// checking that both give the same answer and the same picture, and that a
// refusal leaves the buffer empty.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct ImageBuffer;

// "" when the two reads agree and each follows the readers' rules, else
// what differs.
std::string ImageReadsDiffer(bool okA, const ImageBuffer& a, bool okB, const ImageBuffer& b);

// "" when the buffer is as a refusal leaves it (fresh and empty), else what
// is left in it.
std::string ImageNotEmpty(const ImageBuffer& image);

// One run of a target for a reader that takes disk and memory-file names:
// the input is one byte choosing the colour key (odd: none, even: magenta)
// and the file. Both reads must be refused, or both give the same picture,
// and the reader of any picture file must take it the same way.
void FuzzPictureReader(const char* target, const char* fileName,
                       bool (*load)(ImageBuffer& image, const char* name, int32_t key), const uint8_t* data,
                       size_t size);
