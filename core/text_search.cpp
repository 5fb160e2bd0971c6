#include "core/text_search.h"

#include <cstring>

#include "core/fatal_error.h"

namespace {

struct Range {
  const char* bytes;
  uint32_t length;
};

Range Of(const char* p) { return {p, CStrLength(p)}; }
Range Of(const RtString& s) { return {s.text, s.length}; }

// The first occurrence of a needle. Every search answers the first
// occurrence, so how it is found does not show: memchr finds the places
// where the needle's first byte occurs and the rest is compared there,
// which runs at memchr's speed where that byte is rare. When false
// candidates come densely (the byte is common, or the text repeats the
// needle's start), the rest of the haystack goes to memmem, whose scan
// skips ahead without stopping at every candidate and stays linear.
class Searcher {
 public:
  Searcher(const char* needle, uint32_t length)
      : needle_(reinterpret_cast<const uint8_t*>(needle)), length_(length) {}

  int64_t Find(const char* haystack, uint32_t n) const {
    if (length_ == 0 || haystack == nullptr || needle_ == nullptr || n == 0 || length_ > n) return -1;
    const uint8_t* h = reinterpret_cast<const uint8_t*>(haystack);
    if (length_ == n) return std::memcmp(h, needle_, n) == 0 ? 0 : -1;
    if (length_ == 1) {
      const void* hit = std::memchr(h, needle_[0], n);
      return hit != nullptr ? static_cast<const uint8_t*>(hit) - h : -1;
    }
    // Candidates: offsets 0 .. n - length_ where the first byte matches.
    const uint8_t first = needle_[0];
    const uint8_t* const lastStart = h + (n - length_);
    const uint8_t* at = h;
    uint64_t misses = 0;
    for (;;) {
      const void* hit = std::memchr(at, first, static_cast<size_t>(lastStart - at) + 1);
      if (hit == nullptr) return -1;
      at = static_cast<const uint8_t*>(hit);
      if (RestMatches(at)) return at - h;
      if (at == lastStart) return -1;
      ++at;
      // More than about one miss per 128 bytes: memmem does better.
      if (++misses > 8 + static_cast<uint64_t>(at - h) / 128) break;
    }
    const void* found = memmem(at, static_cast<size_t>(h + n - at), needle_, length_);
    return found != nullptr ? static_cast<const uint8_t*>(found) - h : -1;
  }

 private:
  // Whether the needle's bytes after the first follow at `at`: short
  // needles byte by byte (a call costs more than the comparison), longer
  // ones with memcmp.
  bool RestMatches(const uint8_t* at) const {
    if (length_ > 16) return std::memcmp(at + 1, needle_ + 1, length_ - 1) == 0;
    for (uint32_t i = 1; i < length_; ++i) {
      if (at[i] != needle_[i]) return false;
    }
    return true;
  }

  const uint8_t* needle_;
  uint32_t length_;
};

int32_t Find(Range h, Range p, int32_t start) {
  const uint32_t from = start < 0 ? 0 : static_cast<uint32_t>(start);
  if (from >= h.length) return -1;
  const int64_t r = Searcher(p.bytes, p.length).Find(h.bytes + from, h.length - from);
  if (r < 0 || from + r > INT32_MAX) return -1;
  return static_cast<int32_t>(from + r);
}

int32_t FindLast(Range h, Range p, int32_t position) {
  int64_t limit = position;
  if (limit < 0) {
    limit = static_cast<int64_t>(h.length) - p.length;
    if (limit < 0) return -1;
  }
  const Searcher searcher(p.bytes, p.length);
  int64_t found = -1;
  uint64_t from = 0;
  while (from < h.length) {
    const int64_t r = searcher.Find(h.bytes + from, static_cast<uint32_t>(h.length - from));
    if (r < 0 || static_cast<int64_t>(from) + r > limit) break;
    found = static_cast<int64_t>(from) + r;
    from = static_cast<uint64_t>(found) + 1;
  }
  return found > INT32_MAX ? -1 : static_cast<int32_t>(found);
}

// Makes room for `needed` bytes, at least `first` on the first call and
// twice the capacity when the room runs out, so that a result built by many
// appends is not moved at every step.
void ReserveGeometric(RtString& s, uint64_t needed, uint32_t first) {
  if (needed < s.capacity) return;
  if (needed > kStringMaxLength) RuntimeOutOfMemory();
  uint64_t room = s.capacity == 0 ? first : uint64_t{s.capacity} * 2;
  if (room > kStringMaxLength) room = kStringMaxLength;
  StringReserve(s, static_cast<uint32_t>(room > needed ? room : needed), true);
}

// Whether the byte is one of the bytes of set (up to its zero byte).
bool InSet(char c, const char* set) { return set != nullptr && c != '\0' && std::strchr(set, c) != nullptr; }

}  // namespace

int64_t TextFindBytes(const char* haystack, uint32_t haystackLength, const char* needle, uint32_t needleLength) {
  return Searcher(needle, needleLength).Find(haystack, haystackLength);
}

int32_t TextFind(const char* haystack, const char* needle, int32_t start) { return Find(Of(haystack), Of(needle), start); }
int32_t TextFind(const char* haystack, const RtString& needle, int32_t start) {
  return Find(Of(haystack), Of(needle), start);
}
int32_t TextFind(const RtString& haystack, const char* needle, int32_t start) {
  return Find(Of(haystack), Of(needle), start);
}
int32_t TextFind(const RtString& haystack, const RtString& needle, int32_t start) {
  return Find(Of(haystack), Of(needle), start);
}

int32_t TextFindLast(const char* haystack, const char* needle, int32_t position) {
  return FindLast(Of(haystack), Of(needle), position);
}
int32_t TextFindLast(const char* haystack, const RtString& needle, int32_t position) {
  return FindLast(Of(haystack), Of(needle), position);
}
int32_t TextFindLast(const RtString& haystack, const char* needle, int32_t position) {
  return FindLast(Of(haystack), Of(needle), position);
}
int32_t TextFindLast(const RtString& haystack, const RtString& needle, int32_t position) {
  return FindLast(Of(haystack), Of(needle), position);
}

RtString TextReplaceAll(const RtString& source, const RtString& find, const RtString& replacement) {
  const uint32_t lf = find.length;
  const uint32_t lr = replacement.length;
  const Searcher searcher(find.text, lf);
  if (lf == lr) {
    // Equal lengths: overwritten in place in the copy.
    RtString result = StringCopy(source);
    uint32_t from = 0;
    while (from < result.length) {
      const int64_t r = searcher.Find(result.text + from, result.length - from);
      if (r < 0) break;
      std::memcpy(result.text + from + r, replacement.text, lr);
      from += static_cast<uint32_t>(r) + lf;
    }
    return result;
  }
  // Other lengths: the occurrences are found in the source (searching on
  // behind each one, as the result would be searched behind its
  // replacement) and the result is built in one pass, the pieces copied
  // straight into its buffer.
  RtString result;
  uint32_t copied = 0;
  bool found = false;
  while (copied < source.length) {
    const int64_t r = searcher.Find(source.text + copied, source.length - copied);
    if (r < 0) break;
    found = true;
    const uint32_t before = static_cast<uint32_t>(r);
    ReserveGeometric(result, uint64_t{result.length} + before + lr, source.length);
    char* end = result.text + result.length;
    std::memcpy(end, source.text + copied, before);
    if (lr != 0) std::memcpy(end + before, replacement.text, lr);
    result.length += before + lr;
    copied += before + lf;
  }
  if (!found) return StringCopy(source);
  if (result.capacity != 0) result.text[result.length] = '\0';
  StringAppendBytes(result, source.text + copied, source.length - copied);
  return result;
}

const char* TextFindAnyOf(const char* text, const char* set) {
  if (text == nullptr) return nullptr;
  for (const char* p = text; *p != '\0'; ++p) {
    if (InSet(*p, set)) return p;
  }
  return nullptr;
}

const char* TextFindNotOf(const char* text, const char* set) {
  if (text == nullptr) return nullptr;
  for (const char* p = text; *p != '\0'; ++p) {
    if (!InSet(*p, set)) return p;
  }
  return nullptr;
}
