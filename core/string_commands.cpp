#include "core/string_commands.h"

#include <cstring>

#include "core/c_runtime.h"

namespace {

// Which bytes are members of a character set.
struct ByteSet {
  bool member[256] = {};
  explicit ByteSet(const RtString& set) {
    for (uint32_t i = 0; i < set.length; ++i) member[static_cast<uint8_t>(set.text[i])] = true;
  }
  bool Has(char c) const { return member[static_cast<uint8_t>(c)]; }
};

void MapBytes(RtString& s, uint8_t (*map)(uint8_t)) {
  for (uint32_t i = 0; i < s.length; ++i) s.text[i] = static_cast<char>(map(static_cast<uint8_t>(s.text[i])));
}

// The n bytes of s from start, both within the text, reserved for n + 1 as
// StringMid reserves its result; nothing gives the shared empty text.
RtString MidBytes(const RtString& s, uint32_t start, uint32_t n) {
  RtString result;
  if (n == 0) return result;
  StringReserve(result, n + 1, true);
  std::memcpy(result.text, s.text + start, n);
  result.length = n;
  result.text[n] = '\0';
  return result;
}

}  // namespace

RtString StringMid(const RtString& s, int32_t start, int32_t count) {
  const int64_t length = s.length;
  int64_t n = count < 0 ? length : count;
  if (start + n > length) n = length - start;
  if (n <= 0 || start >= length || start < 0) return RtString();
  return MidBytes(s, static_cast<uint32_t>(start), static_cast<uint32_t>(n));
}

void TextTruncate(RtString& s, int32_t n) {
  if (n < 0 || static_cast<uint32_t>(n) >= s.length) return;
  s.length = static_cast<uint32_t>(n);
  s.text[n] = '\0';
}

RtString StringTrimLeft(const RtString& s, const RtString& set) {
  const ByteSet members(set);
  uint32_t skipped = 0;
  while (skipped < s.length && members.Has(s.text[skipped])) ++skipped;
  if (skipped == 0) return StringCopy(s);
  return MidBytes(s, skipped, s.length - skipped);
}

RtString StringTrimRight(const RtString& s, const RtString& set) {
  const ByteSet members(set);
  uint32_t kept = s.length;
  while (kept > 0 && members.Has(s.text[kept - 1])) --kept;
  if (kept == s.length) return StringCopy(s);
  return MidBytes(s, 0, kept);
}

void StringTrimControl(RtString& s) {
  while (s.length > 0 && static_cast<uint8_t>(s.text[s.length - 1]) <= 31) {
    --s.length;
    s.text[s.length] = '\0';
  }
}

void StringUpper(RtString& s) { MapBytes(s, CrtToUpper); }

void StringLower(RtString& s) { MapBytes(s, CrtToLower); }

RtString TextUpper(const RtString& s) {
  RtString result = StringCopy(s);
  StringUpper(result);
  return result;
}

RtString TextLower(const RtString& s) {
  RtString result = StringCopy(s);
  StringLower(result);
  return result;
}

int32_t TextCharCode(const RtString& s) { return static_cast<uint8_t>(s.text[0]); }

int32_t TextCharCodeAt(const RtString& s, int32_t n) {
  if (n < 0 || static_cast<uint32_t>(n) >= s.length) return 0;
  return static_cast<uint8_t>(s.text[n]);
}

RtString TextFromCharCode(int32_t code) {
  const char byte = static_cast<char>(code & 0xFF);
  return StringFromBytes(&byte, 1);
}
