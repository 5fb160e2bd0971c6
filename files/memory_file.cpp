#include "files/memory_file.h"

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

struct PublishedBlock {
  const void* base;
  uint32_t size;
};

// A handful of blocks at most (one per resolver); a plain list will do.
std::vector<PublishedBlock>& Published() {
  static std::vector<PublishedBlock> blocks;
  return blocks;
}

}  // namespace

bool IsMemoryFileName(const char* name) { return name != nullptr && std::strncmp(name, "mem://", 6) == 0; }

std::string MemoryFilePublish(const void* base, uint32_t size) {
  MemoryFileWithdraw(base);
  Published().push_back({base, size});
  char name[64];
  std::snprintf(name, sizeof name, "mem://%8" PRIx32 ".%8" PRIxPTR, size, reinterpret_cast<uintptr_t>(base));
  return name;
}

void MemoryFileWithdraw(const void* base) {
  std::vector<PublishedBlock>& blocks = Published();
  for (size_t i = 0; i < blocks.size(); ++i) {
    if (blocks[i].base == base) {
      blocks.erase(blocks.begin() + static_cast<std::ptrdiff_t>(i));
      return;
    }
  }
}

bool MemoryFileLookup(const char* name, const uint8_t** base, int64_t* size) {
  if (!IsMemoryFileName(name) || std::strlen(name) < 16) return false;
  // The count: signed 32-bit, read from character 6 up to the '.'.
  errno = 0;
  char* end = nullptr;
  const long long count = std::strtoll(name + 6, &end, 16);
  if (errno != 0 || end != name + 14 || *end != '.' || count < 0 || count > INT32_MAX) return false;
  const char* address_text = name + 15;
  while (*address_text == ' ') ++address_text;
  if (*address_text == '\0' || *address_text == '-' || *address_text == '+') return false;
  errno = 0;
  const unsigned long long address = std::strtoull(address_text, &end, 16);
  if (errno != 0 || *end != '\0') return false;
  for (const PublishedBlock& block : Published()) {
    if (reinterpret_cast<uintptr_t>(block.base) == address && static_cast<uint64_t>(count) <= block.size) {
      *base = static_cast<const uint8_t*>(block.base);
      *size = count;
      return true;
    }
  }
  return false;
}

bool MemoryFileCovers(const uint8_t* base, int64_t n) {
  for (const PublishedBlock& block : Published()) {
    if (block.base == base && n >= 0 && static_cast<uint64_t>(n) <= block.size) return true;
  }
  return false;
}
