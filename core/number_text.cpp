#include "core/number_text.h"

#include <cstdio>
#include <cstring>

#include "core/c_runtime.h"
#include "core/float_to_int.h"

namespace {

// A fresh string holding the first `length` bytes of `text`, built in a
// buffer reserved for `reserve` bytes, as the number texts size theirs.
RtString StringFromReserved(uint32_t reserve, const char* text, uint32_t length) {
  RtString s;
  StringReserve(s, reserve, false);
  std::memcpy(s.text, text, length);
  s.text[length] = '\0';
  s.length = length;
  return s;
}

// Builds "%W.Px" (the precision left out when P is negative) and prints the
// value with it into a string of exactly the size the text needs.
template <typename Value>
RtString FormatWith(double width, double digits, const char* conversion, Value value) {
  const int32_t w = TruncToInt32(width);
  const int32_t p = TruncToInt32(digits);
  char format[32];
  if (p < 0) {
    std::snprintf(format, sizeof format, "%%%d%s", w, conversion);
  } else {
    std::snprintf(format, sizeof format, "%%%d.%d%s", w, p, conversion);
  }
  RtString s;
  const int needed = std::snprintf(nullptr, 0, format, value);
  if (needed <= 0) return s;
  StringReserve(s, static_cast<uint32_t>(needed), false);
  std::snprintf(s.text, static_cast<size_t>(needed) + 1, format, value);
  s.length = static_cast<uint32_t>(needed);
  return s;
}

}  // namespace

char* Int64ToTextRadix(int64_t value, char* buffer, int32_t radix) {
  if (buffer == nullptr) return nullptr;
  if (radix < 2 || radix > 36) {
    buffer[0] = '\0';
    return buffer;
  }
  const bool negative = radix == 10 && value < 0;
  uint64_t magnitude = static_cast<uint64_t>(value);
  if (negative) magnitude = 0 - magnitude;
  char reversed[kRadixBufferSize];
  int count = 0;
  do {
    const uint32_t digit = static_cast<uint32_t>(magnitude % static_cast<uint32_t>(radix));
    reversed[count++] = static_cast<char>(digit < 10 ? '0' + digit : 'a' + (digit - 10));
    magnitude /= static_cast<uint32_t>(radix);
  } while (magnitude != 0);
  char* out = buffer;
  if (negative) *out++ = '-';
  while (count > 0) *out++ = reversed[--count];
  *out = '\0';
  return buffer;
}

RtString StringFromInt64(int64_t value) {
  char digits[kRadixBufferSize];
  Int64ToTextRadix(value, digits, 10);
  return StringFromReserved(63, digits, CStrLength(digits));
}

RtString StringFromHex32(uint32_t value) {
  char digits[kRadixBufferSize];
  Int64ToTextRadix(value, digits, 16);
  return StringFromReserved(16, digits, CStrLength(digits));
}

RtString StringFromDouble(double value) {
  char text[kGcvtBufferSize];
  uint32_t length = CrtGcvt10(value, text);
  if (std::strcmp(text, ".0") == 0) {
    text[0] = '0';
    text[1] = '\0';
    length = 1;
  } else if (length != 0 && text[length - 1] == '.') {
    text[--length] = '\0';
  }
  return StringFromReserved(63, text, length);
}

RtString StringFromFloat(float value) { return StringFromDouble(static_cast<double>(value)); }

RtString FormatNumber(double width, double decimals, double value) { return FormatWith(width, decimals, "f", value); }

RtString FormatInt(double width, double digits, int32_t value) { return FormatWith(width, digits, "d", value); }

RtString FormatInt64(double width, double digits, int64_t value) {
  return FormatWith(width, digits, "lld", static_cast<long long>(value));
}

int64_t ParseInt64(const char* text) { return CrtParseInt64(text); }

int64_t ParseInt64(const RtString& text) { return ParseInt64(text.text); }

int32_t TextToInt(const RtString& text) { return CrtAtoi(text.text); }

double TextToDouble(const RtString& text) { return CrtAtof(text.text); }
