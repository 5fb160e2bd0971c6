#include "pathfind/open_heap.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <limits>

namespace {

constexpr uint32_t kFirstCapacity = 256;
constexpr uint32_t kMaxCapacity = uint32_t{1} << 31;

uint64_t KeyOf(float f, uint32_t sequence) {
  // Adding +0 turns -0 into +0; the bits of floats not below +0 order as
  // the floats do.
  return uint64_t{std::bit_cast<uint32_t>(f + 0.0f)} << 32 | sequence;
}

}  // namespace

OpenHeap::~OpenHeap() { std::free(entries); }

bool OpenHeap::Grow() {
  if (capacity >= kMaxCapacity) return false;
  const uint32_t wanted = capacity == 0 ? kFirstCapacity : capacity * 2;
  auto* grown = static_cast<OpenEntry*>(std::realloc(entries, size_t{wanted} * sizeof(OpenEntry)));
  if (grown == nullptr) return false;
  entries = grown;
  capacity = wanted;
  return true;
}

void OpenHeap::Renumber() {
  std::sort(entries, entries + size, [](const OpenEntry& a, const OpenEntry& b) { return a.key < b.key; });
  for (uint32_t i = 0; i < size; ++i) entries[i].key = (entries[i].key & ~uint64_t{0xFFFFFFFF}) | i;
  nextSequence = size;  // a sorted array is a heap
}

bool OpenHeap::Push(float f, uint32_t cell, float g) {
  if (size == capacity && !Grow()) return false;
  if (nextSequence == std::numeric_limits<uint32_t>::max()) Renumber();
  const OpenEntry entry{KeyOf(f, nextSequence++), cell, g};
  size_t i = size++;
  while (i > 0) {
    const size_t parent = (i - 1) / 4;
    if (entries[parent].key <= entry.key) break;
    entries[i] = entries[parent];
    i = parent;
  }
  entries[i] = entry;
  return true;
}

OpenEntry OpenHeap::Pop() {
  const OpenEntry top = entries[0];
  const OpenEntry last = entries[--size];
  size_t i = 0;
  for (;;) {
    const size_t first = 4 * i + 1;
    if (first >= size) break;
    const size_t end = std::min<size_t>(first + 4, size);
    // The least child, chosen without branches: which child it is is as
    // good as random, and a mispredicted branch per child costs more than
    // the comparisons.
    size_t least = first;
    uint64_t leastKey = entries[first].key;
    for (size_t c = first + 1; c < end; ++c) {
      const uint64_t key = entries[c].key;
      const bool less = key < leastKey;
      least = less ? c : least;
      leastKey = less ? key : leastKey;
    }
    if (leastKey >= last.key) break;
    entries[i] = entries[least];
    i = least;
  }
  if (size > 0) entries[i] = last;
  return top;
}

void OpenHeap::Clear() {
  size = 0;
  nextSequence = 0;
}

void OpenHeap::Release() {
  std::free(entries);
  entries = nullptr;
  size = 0;
  capacity = 0;
  nextSequence = 0;
}
