#include "core/rt_string.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include <malloc.h>

#include "core/fatal_error.h"

char g_sharedEmptyText[1] = {0};

namespace {

bool OwnsBuffer(const RtString& s) { return s.text != nullptr && s.text != g_sharedEmptyText; }

void FreeBuffer(RtString& s) {
  if (OwnsBuffer(s)) std::free(s.text);
}

// A buffer of `capacity` bytes; running out of memory ends the program.
char* AllocateBuffer(uint64_t capacity) {
  char* buffer = capacity <= UINT32_MAX ? static_cast<char*>(std::malloc(capacity)) : nullptr;
  if (buffer == nullptr) RuntimeOutOfMemory();
  return buffer;
}

// The byte count of length + extra, ending the program when the sum cannot
// be held by a string.
uint32_t CheckedTotal(uint32_t length, uint64_t extra) {
  const uint64_t total = static_cast<uint64_t>(length) + extra;
  if (total > kStringMaxLength) RuntimeOutOfMemory();
  return static_cast<uint32_t>(total);
}

bool PointsInto(const RtString& s, const char* p) {
  return OwnsBuffer(s) && p >= s.text && p < s.text + s.capacity;
}

}  // namespace

RtString::RtString() noexcept : text(g_sharedEmptyText), capacity(0), length(0) {}

RtString::RtString(const char* p) : RtString() { StringAppendCStr(*this, p); }

RtString::RtString(const RtString& other) : RtString() { StringAppend(*this, other); }

RtString::RtString(RtString&& other) noexcept : text(other.text), capacity(other.capacity), length(other.length) {
  StringInitEmpty(other);
}

RtString& RtString::operator=(const RtString& other) { return StringAssign(*this, other); }

RtString::~RtString() { FreeBuffer(*this); }

RtString& StringInitEmpty(RtString& s) {
  s.text = g_sharedEmptyText;
  s.capacity = 0;
  s.length = 0;
  return s;
}

void StringDestroy(RtString& s) {
  FreeBuffer(s);
  StringInitEmpty(s);
}

void StringRelease(RtString& s) { StringDestroy(s); }

void StringReserve(RtString& s, uint32_t n, bool keep) {
  if (n == 0 || s.capacity >= static_cast<uint64_t>(n) + 1) return;
  if (n > kStringMaxLength) RuntimeOutOfMemory();
  const uint32_t capacity = ((n + 1) & ~15u) + 16;
  if (OwnsBuffer(s) && malloc_usable_size(s.text) >= capacity) {
    // The block already has the room: only the capacity word grows (a
    // buffer that is not kept starts with a zero byte, as a fresh one).
    if (!keep || s.length == 0) s.text[0] = '\0';
    s.capacity = capacity;
    return;
  }
  if (keep && s.length != 0 && OwnsBuffer(s)) {
    // A text that grows past its buffer is likely to grow on: the block
    // under it doubles, so a text built by many small appends moves only
    // now and then, while the capacity word keeps the rule above.
    uint64_t block = uint64_t{s.capacity} * 2;
    if (block < capacity) block = capacity;
    if (block > uint64_t{kStringMaxLength} + 1) block = uint64_t{kStringMaxLength} + 1;
    char* buffer = static_cast<char*>(std::realloc(s.text, block));
    if (buffer == nullptr) RuntimeOutOfMemory();
    buffer[s.length] = '\0';
    s.text = buffer;
    s.capacity = capacity;
    return;
  }
  char* buffer = AllocateBuffer(capacity);
  buffer[0] = '\0';
  FreeBuffer(s);
  s.text = buffer;
  s.capacity = capacity;
}

char* StringGetBuffer(RtString& s, uint32_t n) {
  StringReserve(s, n, true);
  return s.text;
}

void StringSyncLength(RtString& s) {
  const void* zero = std::memchr(s.text, 0, s.capacity);
  uint32_t count = zero != nullptr ? static_cast<uint32_t>(static_cast<const char*>(zero) - s.text) : s.capacity;
  if (count != 0 && count == s.capacity) {
    --count;
    s.text[count] = '\0';
  }
  s.length = count;
}

uint32_t CStrLength(const char* p) {
  if (p == nullptr) return 0;
  const size_t n = std::strlen(p);
  if (n > kStringMaxLength) RuntimeOutOfMemory();
  return static_cast<uint32_t>(n);
}

uint32_t StringLength(const RtString& s) { return CStrLength(s.text); }

RtString StringFromBytes(const char* bytes, uint32_t count) {
  RtString s;
  StringAppendBytes(s, bytes, count);
  return s;
}

RtString StringFromCStr(const char* p) { return StringFromBytes(p, CStrLength(p)); }

RtString StringFromCStrAlt(const char* p) { return StringFromCStr(p); }

RtString StringCopy(const RtString& source) { return StringFromBytes(source.text, source.length); }

RtString StringFromInt(int32_t value) {
  char digits[16];
  const int n = std::snprintf(digits, sizeof digits, "%d", value);
  return StringFromBytes(digits, static_cast<uint32_t>(n));
}

void StringSetCStr(RtString& s, const char* p) {
  const uint32_t n = CStrLength(p);
  if (n == 0) {
    StringDestroy(s);
    return;
  }
  // Allocated before the old buffer goes, so `p` may point into it.
  char* buffer = AllocateBuffer(static_cast<uint64_t>(n) + 1);
  std::memcpy(buffer, p, n);
  buffer[n] = '\0';
  FreeBuffer(s);
  s.text = buffer;
  s.capacity = n + 1;
  s.length = n;
}

void StringAssignCStr(RtString& s, const char* p) {
  RtString temporary = StringFromCStr(p);
  std::swap(s.text, temporary.text);
  std::swap(s.capacity, temporary.capacity);
  std::swap(s.length, temporary.length);
}

RtString& StringAssign(RtString& target, const RtString& source) {
  if (target.text == source.text) return target;
  if (source.length == 0) {
    target.length = 0;
    if (OwnsBuffer(target)) target.text[0] = '\0';
    return target;
  }
  StringReserve(target, source.length, false);
  target.length = source.length;
  std::memcpy(target.text, source.text, static_cast<size_t>(source.length) + 1);
  return target;
}

void StringAppendCharGrowing(RtString& s, uint8_t c) {
  StringReserve(s, CheckedTotal(s.length, 1), true);
  s.text[s.length] = static_cast<char>(c);
  ++s.length;
  s.text[s.length] = '\0';
}

RtString& StringAppendBytes(RtString& s, const char* bytes, uint32_t count) {
  if (count == 0) return s;
  if (PointsInto(s, bytes)) {
    // The reserve may move the buffer the bytes come from: copy them first.
    const RtString copy = StringFromBytes(bytes, count);
    return StringAppendBytes(s, copy.text, count);
  }
  StringReserve(s, CheckedTotal(s.length, count), true);
  std::memcpy(s.text + s.length, bytes, count);
  s.length += count;
  s.text[s.length] = '\0';
  return s;
}

RtString& StringAppendCStr(RtString& s, const char* p) { return StringAppendBytes(s, p, CStrLength(p)); }

RtString& StringAppend(RtString& s, const RtString& source) {
  return StringAppendBytes(s, source.text, source.length);
}

RtString StringConcat(const RtString& a, const RtString& b) {
  RtString result = StringCopy(a);
  StringAppend(result, b);
  return result;
}

RtString StringConcatCStr(const RtString& a, const char* q) {
  RtString result = StringCopy(a);
  StringAppendCStr(result, q);
  return result;
}

RtString CStrConcatString(const char* p, const RtString& b) {
  RtString result = StringFromCStr(p);
  StringAppend(result, b);
  return result;
}

RtString CStrConcatCStr(const char* p, const char* q) {
  RtString result = StringFromCStr(p);
  StringAppendCStr(result, q);
  return result;
}
