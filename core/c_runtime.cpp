#include "core/c_runtime.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <locale.h>

namespace {

bool IsBlank(uint8_t c) { return c == ' ' || (c >= 9 && c <= 13); }
bool IsDigit(uint8_t c) { return c >= '0' && c <= '9'; }

const uint8_t* Bytes(const char* text) { return reinterpret_cast<const uint8_t*>(text != nullptr ? text : ""); }

int32_t Sign(int difference) { return difference < 0 ? -1 : (difference > 0 ? 1 : 0); }

// The "C" locale, so that the decimal point is "." whatever the program's
// locale is.
locale_t CLocale() {
  static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return locale;
}

// Appends the digits of `value` (at least three) to `out`.
char* WriteExponentDigits(char* out, int value) {
  char digits[8];
  int count = 0;
  do {
    digits[count++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  while (count < 3) digits[count++] = '0';
  while (count > 0) *out++ = digits[--count];
  return out;
}

// The 10 significant digits of a finite, non-zero magnitude, rounded half up
// on its exact decimal expansion, and the decimal exponent of the first; and
// the exponent of the 17-digit expansion before that rounding, which picks
// the form of the text.
struct TenDigits {
  char digits[10];
  int exponent;
  int form_exponent;
};

// Reads "d.ddd...e+NN" as printed by to_chars in scientific form.
void ReadScientific(const char* text, char* digits, int count, int* exponent) {
  digits[0] = text[0];
  for (int i = 1; i < count; ++i) digits[i] = text[i + 1];
  const char* e = std::strchr(text, 'e');
  *exponent = std::atoi(e + 1);
}

TenDigits RoundToTenDigits(double magnitude) {
  // 17 significant digits decide the rounding, except when they show an
  // apparent tie (a 5 followed by zeros): then the exact expansion (at most
  // 767 significant digits) decides, so that only a true tie rounds up from
  // exactly half.
  char text[48];
  *std::to_chars(text, text + sizeof text - 1, magnitude, std::chars_format::scientific, 16).ptr = '\0';
  char digits[17];
  int exponent = 0;
  ReadScientific(text, digits, 17, &exponent);
  if (std::memcmp(digits + 10, "5000000", 7) == 0) {
    char exact[800];
    *std::to_chars(exact, exact + sizeof exact - 1, magnitude, std::chars_format::scientific, 766).ptr = '\0';
    ReadScientific(exact, digits, 11, &exponent);
  }
  TenDigits result;
  std::memcpy(result.digits, digits, 10);
  result.exponent = exponent;
  result.form_exponent = exponent;
  if (digits[10] >= '5') {
    int i = 9;
    while (i >= 0 && result.digits[i] == '9') result.digits[i--] = '0';
    if (i >= 0) {
      ++result.digits[i];
    } else {
      result.digits[0] = '1';
      ++result.exponent;
    }
  }
  return result;
}

uint32_t WriteSpecial(double value, char* buffer) {
  const char* text;
  if (std::isinf(value)) {
    text = value < 0 ? "-1.#INF" : "1.#INF";
  } else {
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    const bool negative = (bits >> 63) != 0;
    const bool quiet = ((bits >> 51) & 1) != 0;
    const uint64_t payload = bits & ((uint64_t{1} << 51) - 1);
    if (negative && quiet && payload == 0) {
      text = "-1.#IND";
    } else if (quiet) {
      text = negative ? "-1.#QNAN" : "1.#QNAN";
    } else {
      text = negative ? "-1.#SNAN" : "1.#SNAN";
    }
  }
  const size_t n = std::strlen(text);
  std::memcpy(buffer, text, n + 1);
  return static_cast<uint32_t>(n);
}

}  // namespace

int64_t CrtParseInt64(const char* text) {
  const uint8_t* p = Bytes(text);
  while (IsBlank(*p)) ++p;
  const bool negative = *p == '-';
  if (*p == '-' || *p == '+') ++p;
  uint64_t value = 0;
  while (IsDigit(*p)) value = value * 10 + static_cast<uint64_t>(*p++ - '0');
  return static_cast<int64_t>(negative ? 0 - value : value);
}

// Arithmetic modulo 2^64 keeps the low 32 bits of arithmetic modulo 2^32.
int32_t CrtAtoi(const char* text) { return static_cast<int32_t>(static_cast<uint32_t>(CrtParseInt64(text))); }

double CrtAtof(const char* text) {
  const uint8_t* p = Bytes(text);
  while (IsBlank(*p)) ++p;
  const uint8_t* start = p;
  if (*p == '-' || *p == '+') ++p;
  size_t digits = 0;
  while (IsDigit(*p)) ++p, ++digits;
  if (*p == '.') {
    ++p;
    while (IsDigit(*p)) ++p, ++digits;
  }
  if (digits == 0) return 0.0;
  if (*p == 'e' || *p == 'E') {
    const uint8_t* q = p + 1;
    if (*q == '-' || *q == '+') ++q;
    if (IsDigit(*q)) {
      while (IsDigit(*q)) ++q;
      p = q;
    }
  }
  // strtod reads the same number, except that it takes a mantissa "0" with
  // an "x" behind it as the start of a hexadecimal number: that number is 0.
  char* end = nullptr;
  const double value = strtod_l(reinterpret_cast<const char*>(start), &end, CLocale());
  if (reinterpret_cast<const uint8_t*>(end) != p) return *start == '-' ? -0.0 : 0.0;
  return value;
}

int32_t CrtStrcmp(const char* a, const char* b) {
  return Sign(std::strcmp(a != nullptr ? a : "", b != nullptr ? b : ""));
}

int32_t CrtStricmp(const char* a, const char* b) {
  const uint8_t* p = Bytes(a);
  const uint8_t* q = Bytes(b);
  while (true) {
    const int x = CrtToLower(*p++);
    const int y = CrtToLower(*q++);
    if (x != y || x == 0) return Sign(x - y);
  }
}

uint32_t CrtGcvt10(double value, char* buffer) {
  if (!std::isfinite(value)) return WriteSpecial(value, buffer);
  char* out = buffer;
  if (std::signbit(value)) *out++ = '-';
  if (value == 0) {
    *out++ = '0';
    *out++ = '.';
    *out = '\0';
    return static_cast<uint32_t>(out - buffer);
  }
  const TenDigits rounded = RoundToTenDigits(std::fabs(value));
  int count = 10;
  while (count > 1 && rounded.digits[count - 1] == '0') --count;
  // The form is chosen before rounding; the digits are placed after it, so a
  // carry into a new decade keeps the form ("1.e-001" for 0.0999999999999,
  // "10000000000." for 9999999999.5).
  const int d = rounded.exponent;
  if (rounded.form_exponent < -1 || rounded.form_exponent > 9) {
    *out++ = rounded.digits[0];
    *out++ = '.';
    for (int i = 1; i < count; ++i) *out++ = rounded.digits[i];
    *out++ = 'e';
    *out++ = d < 0 ? '-' : '+';
    out = WriteExponentDigits(out, d < 0 ? -d : d);
  } else if (d == -1) {
    *out++ = '0';
    *out++ = '.';
    for (int i = 0; i < count; ++i) *out++ = rounded.digits[i];
  } else {
    for (int i = 0; i <= d; ++i) *out++ = i < 10 ? rounded.digits[i] : '0';
    *out++ = '.';
    for (int i = d + 1; i < count; ++i) *out++ = rounded.digits[i];
  }
  *out = '\0';
  return static_cast<uint32_t>(out - buffer);
}

size_t CrtMbsToWcs(char16_t* out, const char* text, size_t n) {
  const uint8_t* p = Bytes(text);
  size_t count = 0;
  while (count < n) {
    out[count] = p[count];
    if (p[count] == 0) break;
    ++count;
  }
  return count;
}

size_t CrtWcsToMbs(char* out, const char16_t* wide, size_t n) {
  static const char16_t kEmpty[1] = {0};
  const char16_t* w = wide != nullptr ? wide : kEmpty;
  size_t count = 0;
  while (count < n) {
    if (w[count] > 255) {
      out[count] = '\0';
      break;
    }
    out[count] = static_cast<char>(w[count]);
    if (w[count] == 0) break;
    ++count;
  }
  return count;
}

size_t CrtWcsLen(const char16_t* wide) {
  size_t n = 0;
  if (wide != nullptr) {
    while (wide[n] != 0) ++n;
  }
  return n;
}
