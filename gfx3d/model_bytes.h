// A whole model file in memory, read from disk or from a memory block
// ("mem://" names), for the model readers to parse with every offset and
// count checked against its size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

struct ModelBytes {
  std::unique_ptr<uint8_t[]> data;
  size_t size = 0;
};

enum class ModelBytesResult {
  kRead,
  kNotOpened,  // empty name, or no such file or block
  kNoMemory,   // no room for the whole file
  kShortRead,  // the file gave fewer bytes than its size
};

ModelBytesResult ModelBytesLoad(const char* name, ModelBytes* out);
