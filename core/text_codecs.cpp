#include "core/text_codecs.h"

#include "core/fatal_error.h"
#include "core/string_commands.h"

namespace {

const char kLowerDigits[] = "0123456789abcdef";
const char kUpperDigits[] = "0123456789ABCDEF";

bool IsHexDigit(uint8_t c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

bool IsAlphanumeric(uint8_t c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

int32_t HexDigitValue(uint8_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return c;
}

// A string with room for `length` bytes, its length word set; the caller
// fills the bytes. The size is checked before anything is allocated.
RtString StringOfLength(uint64_t length) {
  if (length > kStringMaxLength) RuntimeOutOfMemory();
  RtString s;
  if (length == 0) return s;
  StringReserve(s, static_cast<uint32_t>(length), false);
  s.length = static_cast<uint32_t>(length);
  s.text[length] = '\0';
  return s;
}

char* WriteEscape(char* out, uint8_t byte) {
  *out++ = '%';
  *out++ = kLowerDigits[byte >> 4];
  *out++ = kLowerDigits[byte & 15];
  return out;
}

}  // namespace

RtString HexFromBytes(const uint8_t* bytes, int32_t count, bool upper) {
  if (count <= 0 || bytes == nullptr) return RtString();
  const char* digits = upper ? kUpperDigits : kLowerDigits;
  RtString s = StringOfLength(uint64_t{2} * static_cast<uint32_t>(count));
  char* out = s.text;
  for (int32_t i = 0; i < count; ++i) {
    *out++ = digits[bytes[i] >> 4];
    *out++ = digits[bytes[i] & 15];
  }
  return s;
}

int32_t HexPairValue(uint8_t c1, uint8_t c2) { return HexDigitValue(c1) * 16 + HexDigitValue(c2); }

RtString UrlEncode(const RtString& s) {
  const uint8_t* in = reinterpret_cast<const uint8_t*>(s.text);
  uint64_t length = 0;
  for (uint32_t i = 0; i < s.length; ++i) length += IsAlphanumeric(in[i]) ? 1 : (in[i] >= 128 ? 6 : 3);
  RtString result = StringOfLength(length);
  char* out = result.text;
  for (uint32_t i = 0; i < s.length; ++i) {
    const uint8_t c = in[i];
    if (IsAlphanumeric(c)) {
      *out++ = static_cast<char>(c);
    } else if (c >= 128) {
      out = WriteEscape(out, c < 192 ? 0xC2 : 0xC3);
      out = WriteEscape(out, static_cast<uint8_t>((c & 63) + 128));
    } else {
      out = WriteEscape(out, c);
    }
  }
  return result;
}

RtString UrlDecode(const RtString& s) {
  RtString result = StringOfLength(s.length);
  const uint8_t* in = reinterpret_cast<const uint8_t*>(s.text);
  const uint32_t n = s.length;
  uint32_t count = 0;
  for (uint32_t i = 0; i < n; ++i) {
    const uint8_t c = in[i];
    if (c == '%') {
      // Without two digits behind it the "%" goes with the byte behind it:
      // the loop steps over that byte, so after a lone digit the next byte
      // is read afresh.
      ++i;
      if (i + 1 < n && IsHexDigit(in[i]) && IsHexDigit(in[i + 1])) {
        result.text[count++] = static_cast<char>(HexPairValue(in[i], in[i + 1]));
        ++i;
      }
    } else {
      result.text[count++] = c == '+' ? ' ' : static_cast<char>(c);
    }
  }
  TextTruncate(result, count);
  TextFromUtf8(result);
  return result;
}

void TextFromUtf8(RtString& s) {
  uint8_t* bytes = reinterpret_cast<uint8_t*>(s.text);
  const uint32_t n = s.length;
  uint32_t count = 0;
  // The output never runs ahead of the input, so the text is rewritten in
  // place.
  for (uint32_t i = 0; i < n; ++i) {
    const uint8_t c = bytes[i];
    const uint32_t behind = n - 1 - i;
    if (c < 128) {
      bytes[count++] = c;
    } else if ((c & 0xE0) == 0xC0 && behind >= 1) {
      bytes[count++] = static_cast<uint8_t>((c << 6) | (bytes[i + 1] & 63));
      i += 1;
    } else if ((c & 0xF0) == 0xE0 && behind >= 2) {
      bytes[count++] = static_cast<uint8_t>((bytes[i + 1] << 6) | (bytes[i + 2] & 63));
      i += 2;
    } else if ((c & 0xF8) == 0xF0 && behind >= 3) {
      bytes[count++] = static_cast<uint8_t>(((bytes[i + 2] << 6) | (bytes[i + 3] & 63)) + 176);
      i += 3;
    }
  }
  if (count < n) {
    s.length = count;
    s.text[count] = '\0';
  }
}
