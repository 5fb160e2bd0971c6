#include "gfx2d/encoded_bytes.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "files/file_stream.h"
#include "files/file_write_back.h"

bool EncodedBytesAppend(EncodedBytes& out, const void* bytes, size_t n) {
  if (n == 0) return true;
  if (n > SIZE_MAX / 2 - out.size) return false;
  if (out.size + n > out.capacity) {
    size_t capacity = out.capacity < 65536 ? 65536 : out.capacity;
    while (capacity < out.size + n) capacity *= 2;
    uint8_t* grown = static_cast<uint8_t*>(std::realloc(out.data, capacity));
    if (grown == nullptr) return false;
    out.data = grown;
    out.capacity = capacity;
  }
  std::memcpy(out.data + out.size, bytes, n);
  out.size += n;
  return true;
}

void EncodedBytesFree(EncodedBytes& out) {
  std::free(out.data);
  out = EncodedBytes{};
}

bool EncodedBytesWriteFile(const EncodedBytes& bytes, const char* name) {
  const std::string path = WriteBackPath(name);
  if (path.empty()) return false;
  StreamForgetReadAhead();
  return WriteBackFile(path, reinterpret_cast<const char*>(bytes.data), bytes.size);
}
