#include "core/number_text.h"

#include <cstdio>
#include <algorithm>
#include <cstring>
#include <vector>

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

// Builds "%.Px" (the precision left out when P is negative), prints the
// value with it and places it in a field of `width` bytes (blanks in front,
// behind for a negative width), as "%W.Px" would; the text is cut after
// kFormatTextLimit bytes. A precision beyond the limit is lowered to one
// that gives the same first kFormatTextLimit bytes: "f" writes only zeros
// after the 1074th decimal, and "d" at most 19 digits behind its zeros.
template <typename Value>
RtString FormatWith(double width, double digits, const char* conversion, Value value) {
  const int32_t w = TruncToInt32(width);
  int32_t p = TruncToInt32(digits);
  RtString s;
  if (w == INT32_MIN) return s;  // no field printf can make
  if (p > kFormatTextLimit + 32) p = kFormatTextLimit + 32;
  char format[16];
  if (p < 0) {
    std::snprintf(format, sizeof format, "%%%s", conversion);
  } else {
    std::snprintf(format, sizeof format, "%%.%d%s", p, conversion);
  }
  const int body_length = std::snprintf(nullptr, 0, format, value);
  if (body_length < 0) return s;
  std::vector<char> body(static_cast<size_t>(body_length) + 1);
  std::snprintf(body.data(), body.size(), format, value);
  const uint32_t field = w < 0 ? 0u - static_cast<uint32_t>(w) : static_cast<uint32_t>(w);
  const uint32_t printed = static_cast<uint32_t>(body_length);
  const uint32_t length = std::min(std::max(field, printed), static_cast<uint32_t>(kFormatTextLimit));
  const uint32_t before = w > 0 && field > printed ? std::min(field - printed, length) : 0;
  const uint32_t kept = std::min(printed, length - before);
  StringReserve(s, length, false);
  std::memset(s.text, ' ', before);
  std::memcpy(s.text + before, body.data(), kept);
  std::memset(s.text + before + kept, ' ', length - before - kept);
  s.text[length] = '\0';
  s.length = length;
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
