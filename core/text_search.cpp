#include "core/text_search.h"

#include <cstring>

#include "app/error_state.h"

namespace {

struct Range {
  const char* bytes;
  uint32_t length;
};

Range Of(const char* p) { return {p, CStrLength(p)}; }
Range Of(const RtString& s) { return {s.text, s.length}; }

// Horspool's variant of Boyer-Moore: the window moves by the shift of the
// haystack byte under its last position. The table is built once per
// needle, so a replace-all builds it once for all its searches.
class Searcher {
 public:
  Searcher(const char* needle, uint32_t length)
      : needle_(reinterpret_cast<const uint8_t*>(needle)), length_(length) {
    if (needle_ == nullptr || length_ < 2) return;
    for (uint32_t& shift : shift_) shift = length_;
    for (uint32_t i = 0; i + 1 < length_; ++i) shift_[needle_[i]] = length_ - 1 - i;
  }

  int64_t Find(const char* haystack, uint32_t n) const {
    if (length_ == 0 || haystack == nullptr || needle_ == nullptr || n == 0 || length_ > n) return -1;
    const uint8_t* h = reinterpret_cast<const uint8_t*>(haystack);
    if (length_ == n) return std::memcmp(h, needle_, n) == 0 ? 0 : -1;
    if (length_ == 1) {
      const void* hit = std::memchr(h, needle_[0], n);
      return hit != nullptr ? static_cast<const uint8_t*>(hit) - h : -1;
    }
    const uint32_t last = length_ - 1;
    const uint8_t lastByte = needle_[last];
    uint64_t window = 0;
    while (n - window >= length_) {
      const uint8_t under = h[window + last];
      if (under == lastByte && std::memcmp(h + window, needle_, last) == 0) return static_cast<int64_t>(window);
      window += shift_[under];
    }
    return -1;
  }

 private:
  const uint8_t* needle_;
  uint32_t length_;
  uint32_t shift_[256];
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
  // Other lengths: one pass counts the occurrences (searching on behind each
  // one, as the result would be searched behind its replacement), a second
  // builds the result once at its final size.
  uint64_t count = 0;
  for (uint32_t from = 0; from < source.length;) {
    const int64_t r = searcher.Find(source.text + from, source.length - from);
    if (r < 0) break;
    ++count;
    from += static_cast<uint32_t>(r) + lf;
  }
  if (count == 0) return StringCopy(source);
  const int64_t total = static_cast<int64_t>(source.length) + static_cast<int64_t>(count) * (int64_t{lr} - lf);
  if (total > kStringMaxLength) RuntimeOutOfMemory();
  RtString result;
  if (total == 0) return result;
  StringReserve(result, static_cast<uint32_t>(total), false);
  char* out = result.text;
  uint32_t copied = 0;
  for (uint64_t i = 0; i < count; ++i) {
    const uint32_t a = copied + static_cast<uint32_t>(searcher.Find(source.text + copied, source.length - copied));
    std::memcpy(out, source.text + copied, a - copied);
    out += a - copied;
    std::memcpy(out, replacement.text, lr);
    out += lr;
    copied = a + lf;
  }
  std::memcpy(out, source.text + copied, source.length - copied);
  result.length = static_cast<uint32_t>(total);
  result.text[result.length] = '\0';
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
