#include "core/c_runtime.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>

namespace {

TEST(CRuntimeTest, AtoiReadsDecimalOnlyAndWrapsIn32Bits) {
  struct Case {
    const char* text;
    int32_t value;
  };
  const Case cases[] = {
      {"42", 42},           {" \t\n-17x", -17},          {"+8", 8},        {"0x1F", 0},
      {"abc", 0},           {"", 0},                     {nullptr, 0},     {"- 5", 0},
      {"2147483647", INT32_MAX}, {"-2147483648", INT32_MIN}, {"2147483648", INT32_MIN},
      {"4294967297", 1},    {"12.9", 12},
  };
  for (const Case& c : cases) EXPECT_EQ(CrtAtoi(c.text), c.value) << (c.text ? c.text : "null");
  EXPECT_EQ(CrtParseInt64("9223372036854775808"), INT64_MIN);
  EXPECT_EQ(CrtParseInt64("  -42xyz"), -42);
}

TEST(CRuntimeTest, AtofReadsDecimalOnly) {
  struct Case {
    const char* text;
    double value;
  };
  const Case cases[] = {
      {"1.5", 1.5},  {"  -.25e1z", -2.5}, {"1.", 1.0},   {".", 0.0},       {"e5", 0.0},
      {"3e", 3.0},   {"3e+", 3.0},        {"2E-1", 0.2}, {"0x10", 0.0},    {"inf", 0.0},     {"0x1p4", 0.0},   {"-0X8", -0.0},
      {"1e5x", 1e5},  {"12e+3", 12000.0},  {"0.5e-1", 0.05},
      {"nan", 0.0},  {"+7", 7.0},         {nullptr, 0.0}, {"0.1", 0.1},
      {"1e400", std::numeric_limits<double>::infinity()},
      {"-1e400", -std::numeric_limits<double>::infinity()},
      {"1e-400", 0.0},
  };
  for (const Case& c : cases) EXPECT_EQ(CrtAtof(c.text), c.value) << (c.text ? c.text : "null");
}

TEST(CRuntimeTest, CompareAndCaseWorkOnUnsignedAsciiBytes) {
  EXPECT_EQ(CrtStrcmp("a", "b"), -1);
  EXPECT_EQ(CrtStrcmp("b", "a"), 1);
  EXPECT_EQ(CrtStrcmp("\xE9", "a"), 1);
  EXPECT_EQ(CrtStrcmp(nullptr, ""), 0);
  EXPECT_EQ(CrtStricmp("HeLLo", "hello"), 0);
  EXPECT_EQ(CrtStricmp("_", "A"), -1);  // folded to lower case: '_' < 'a'
  EXPECT_EQ(CrtStricmp("abc", "ABD"), -1);
  EXPECT_EQ(CrtStricmp("\xC9", "\xE9"), -1);  // no folding above 127
  EXPECT_EQ(CrtStricmp(nullptr, "a"), -1);
  EXPECT_EQ(CrtToUpper('a'), 'A');
  EXPECT_EQ(CrtToUpper(0xE9), 0xE9);
  EXPECT_EQ(CrtToLower('Z'), 'z');
  EXPECT_EQ(CrtToLower('['), '[');
}

TEST(CRuntimeTest, GcvtTenDigits) {
  struct Case {
    double value;
    const char* text;
  };
  const Case cases[] = {
      // The plain form, -1 <= exponent <= 9.
      {2.0, "2."},
      {0.5, "0.5"},
      {1.25, "1.25"},
      {-3.5, "-3.5"},
      {0.1, "0.1"},
      {static_cast<double>(0.1f), "0.1000000015"},
      {1234567890.0, "1234567890."},
      {0.123456789012, "0.123456789"},
      {100.0, "100."},
      {9999999999.0, "9999999999."},
      // Rounding half up on the exact expansion: these are exact ties.
      {1234567890.5, "1234567891."},
      {-1234567890.5, "-1234567891."},
      {123456789.25, "123456789.3"},
      {12345678.125, "12345678.13"},
      // Near a tie the exact expansion decides: the double nearest
      // 1.0000000005 lies just above it, the one nearest 0.99999999995 just
      // below it.
      {1.0000000005, "1.000000001"},
      {0.99999999995, "0.9999999999"},
      {0.999999999951, "1."},
      // The form follows the exponent before rounding: a carry into a new
      // decade keeps it, and the digits move with the carry.
      {9999999999.5, "10000000000."},
      {9999999999.7, "10000000000."},
      {-9999999999.7, "-10000000000."},
      {0.0999999999999, "1.e-001"},
      {0.099999999995, "1.e-001"},
      {0.7 - 0.6, "1.e-001"},
      {0.999999999996, "1."},
      {9.99999999996e-6, "1.e-005"},
      {99999999999.7, "1.e+011"},
      // The exponent form outside -1..9.
      {0.05, "5.e-002"},
      {12345678901.0, "1.23456789e+010"},
      {1e20, "1.e+020"},
      {-1e20, "-1.e+020"},
      {1.5e-7, "1.5e-007"},
      {1e300, "1.e+300"},
      {5e-324, "4.940656458e-324"},
      {1.7976931348623157e308, "1.797693135e+308"},
      // Zeros, infinities and NaNs.
      {0.0, "0."},
      {-0.0, "-0."},
      {std::numeric_limits<double>::infinity(), "1.#INF"},
      {-std::numeric_limits<double>::infinity(), "-1.#INF"},
      {std::numeric_limits<double>::quiet_NaN(), "1.#QNAN"},
      {-std::numeric_limits<double>::quiet_NaN(), "-1.#IND"},
      {std::numeric_limits<double>::signaling_NaN(), "1.#SNAN"},
  };
  for (const Case& c : cases) {
    char buffer[kGcvtBufferSize];
    const uint32_t n = CrtGcvt10(c.value, buffer);
    EXPECT_STREQ(buffer, c.text) << "value " << c.value;
    EXPECT_EQ(n, std::strlen(c.text));
  }
}

// The _gcvt text built from glibc's exact decimal expansion ("%.780e" holds
// every significant digit of any double), rounded half up by hand; the form
// follows the exponent of the 17-digit expansion ("%.16e").
std::string GcvtReference(double value) {
  char exact[800];
  std::snprintf(exact, sizeof exact, "%.780e", std::fabs(value));
  std::string digits = std::string(1, exact[0]) + std::string(exact + 2, 9);
  int exponent = std::atoi(std::strchr(exact, 'e') + 1);
  char seventeen[32];
  std::snprintf(seventeen, sizeof seventeen, "%.16e", std::fabs(value));
  const int form_exponent = std::atoi(std::strchr(seventeen, 'e') + 1);
  if (exact[11] >= '5') {
    int i = 9;
    while (i >= 0 && digits[i] == '9') digits[i--] = '0';
    if (i >= 0) {
      ++digits[i];
    } else {
      digits = "1000000000";
      ++exponent;
    }
  }
  digits.erase(digits.find_last_not_of('0') + 1);
  std::string text = value < 0 ? "-" : "";
  if (form_exponent < -1 || form_exponent > 9) {
    char tail[16];
    std::snprintf(tail, sizeof tail, "e%c%03d", exponent < 0 ? '-' : '+', std::abs(exponent));
    return text + digits[0] + "." + digits.substr(1) + tail;
  }
  if (exponent == -1) return text + "0." + digits;
  digits.resize(std::max<size_t>(digits.size(), exponent + 1), '0');
  return text + digits.substr(0, exponent + 1) + "." + digits.substr(exponent + 1);
}

TEST(CRuntimeTest, GcvtAgreesWithTheExactExpansionOnRandomValues) {
  std::mt19937_64 random(20261210);
  for (int n = 0; n < 30000; ++n) {
    const uint64_t bits = random();
    double value;
    switch (n % 3) {
      case 0: std::memcpy(&value, &bits, sizeof value); break;  // any finite double
      case 1: value = static_cast<double>(bits % 100000000000ULL) / std::pow(10.0, bits % 15) + 0.5; break;
      default: value = std::ldexp(static_cast<double>(bits >> 11), static_cast<int>(bits % 120) - 80); break;
    }
    if (!std::isfinite(value) || value == 0) continue;
    char buffer[kGcvtBufferSize];
    CrtGcvt10(value, buffer);
    ASSERT_EQ(buffer, GcvtReference(value)) << std::hexfloat << value;
  }
}

TEST(CRuntimeTest, GcvtOfZeroOverZeroIsIndefinite) {
  volatile double zero = 0.0;
  char buffer[kGcvtBufferSize];
  CrtGcvt10(zero / zero, buffer);
  EXPECT_STREQ(buffer, "-1.#IND");
}

TEST(CRuntimeTest, WideConversionsMapBytesOntoCodeUnits) {
  char16_t wide[8];
  EXPECT_EQ(CrtMbsToWcs(wide, "a\xE9\xFF", 8), 3u);
  EXPECT_EQ(wide[0], u'a');
  EXPECT_EQ(wide[1], 0xE9);
  EXPECT_EQ(wide[2], 0xFF);
  EXPECT_EQ(wide[3], 0);
  EXPECT_EQ(CrtWcsLen(wide), 3u);
  EXPECT_EQ(CrtWcsLen(nullptr), 0u);

  // At most n units, without a terminator when there is no room.
  char16_t cut[4] = {9, 9, 9, 9};
  EXPECT_EQ(CrtMbsToWcs(cut, "abcdef", 2), 2u);
  EXPECT_EQ(cut[2], 9);

  char bytes[8];
  EXPECT_EQ(CrtWcsToMbs(bytes, wide, 8), 3u);
  EXPECT_STREQ(bytes, "a\xE9\xFF");
  const char16_t beyond[] = {u'x', 0x100, u'y', 0};
  EXPECT_EQ(CrtWcsToMbs(bytes, beyond, 8), 1u);
  EXPECT_STREQ(bytes, "x");
  EXPECT_EQ(CrtWcsToMbs(bytes, nullptr, 8), 0u);
  EXPECT_STREQ(bytes, "");
}

}  // namespace
