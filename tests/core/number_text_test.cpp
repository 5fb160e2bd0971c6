#include "core/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace {

std::string Bytes(const RtString& s) { return std::string(s.text, s.length); }

TEST(NumberTextTest, DoubleTextTable) {
  struct Case {
    double value;
    const char* text;
  };
  const Case cases[] = {
      // The plain form; the last "." goes.
      {0.0, "0"},
      {2.0, "2"},
      {-3.5, "-3.5"},
      {1.25, "1.25"},
      {0.5, "0.5"},
      {0.1, "0.1"},
      {100.0, "100"},
      {1234567890.0, "1234567890"},
      {123456.7890123, "123456.789"},
      // Rounding half up on the exact expansion, and into a new decade: the
      // form is the one the value had before rounding.
      {1234567890.5, "1234567891"},
      {123456789.25, "123456789.3"},
      {0.99999999995, "0.9999999999"},
      {9999999999.5, "10000000000"},
      {9999999999.7, "10000000000"},
      {0.099999999995, "1.e-001"},
      {0.7 - 0.6, "1.e-001"},
      // The exponent form keeps its "." before the "e".
      {0.05, "5.e-002"},
      {1e20, "1.e+020"},
      {12345678901.0, "1.23456789e+010"},
      {-2.5e-5, "-2.5e-005"},
      // No digits.
      {-0.0, "-0"},
      {std::numeric_limits<double>::infinity(), "1.#INF"},
      {-std::numeric_limits<double>::infinity(), "-1.#INF"},
  };
  for (const Case& c : cases) {
    const RtString s = StringFromDouble(c.value);
    EXPECT_EQ(Bytes(s), c.text) << "value " << c.value;
    EXPECT_EQ(s.capacity, 80u);
  }
  EXPECT_EQ(Bytes(StringFromFloat(0.1f)), "0.1000000015");
  EXPECT_EQ(Bytes(StringFromFloat(2.0f)), "2");
  EXPECT_EQ(Bytes(StringFromFloat(1e10f)), "1.e+010");
}

TEST(NumberTextTest, IntegerTexts) {
  EXPECT_EQ(Bytes(StringFromInt64(0)), "0");
  EXPECT_EQ(Bytes(StringFromInt64(INT64_MIN)), "-9223372036854775808");
  EXPECT_EQ(Bytes(StringFromInt64(INT64_MAX)), "9223372036854775807");
  EXPECT_EQ(StringFromInt64(5).capacity, 80u);
  EXPECT_EQ(Bytes(StringFromHex32(0)), "0");
  EXPECT_EQ(Bytes(StringFromHex32(0xDEADBEEF)), "deadbeef");
  EXPECT_EQ(StringFromHex32(1).capacity, 32u);
}

TEST(NumberTextTest, RadixTexts) {
  struct Case {
    int64_t value;
    int32_t radix;
    const char* text;
  };
  const Case cases[] = {
      {255, 16, "ff"},
      {-255, 10, "-255"},
      {-1, 16, "ffffffffffffffff"},
      {35, 36, "z"},
      {5, 2, "101"},
      {INT64_MIN, 2, "1000000000000000000000000000000000000000000000000000000000000000"},
      {INT64_MIN, 10, "-9223372036854775808"},
      {0, 7, "0"},
      // Radixes without digits give the empty text instead of dividing by
      // zero or looping forever.
      {42, 0, ""},
      {42, 1, ""},
      {42, 37, ""},
      {42, -10, ""},
  };
  for (const Case& c : cases) {
    char buffer[kRadixBufferSize];
    std::fill(buffer, buffer + kRadixBufferSize, 'X');
    EXPECT_EQ(Int64ToTextRadix(c.value, buffer, c.radix), buffer);
    EXPECT_STREQ(buffer, c.text) << c.value << " radix " << c.radix;
  }
  EXPECT_EQ(Int64ToTextRadix(1, nullptr, 10), nullptr);
}

TEST(NumberTextTest, FixedFormats) {
  EXPECT_EQ(Bytes(FormatInt(4, 0, 0)), "    ");
  EXPECT_EQ(Bytes(FormatInt(4, 0, 7)), "   7");
  EXPECT_EQ(Bytes(FormatInt(-4, 0, 7)), "7   ");
  EXPECT_EQ(Bytes(FormatInt(0, 3, 7)), "007");
  EXPECT_EQ(Bytes(FormatNumber(8.9, 2.9, 3.14159)), "    3.14");
  EXPECT_EQ(Bytes(FormatNumber(0, -1, 2.5)), "2.500000");  // no precision: printf's default
  EXPECT_EQ(Bytes(FormatInt(3, -1, 0)), "  0");
  EXPECT_EQ(Bytes(FormatInt64(0, 0, INT64_MIN)), "-9223372036854775808");
  EXPECT_EQ(Bytes(FormatInt64(22, 0, 1)), std::string(21, ' ') + "1");
  // The whole text, however long: never cut, never past the buffer.
  const RtString wide = FormatNumber(300, 2, 1.5);
  EXPECT_EQ(wide.length, 300u);
  EXPECT_EQ(Bytes(wide), std::string(296, ' ') + "1.50");
  EXPECT_EQ(Bytes(FormatNumber(0, 2, 1e300)).size(), 304u);
  // A width printf cannot make, or a NaN width (the most negative int).
  EXPECT_EQ(FormatInt(std::nan(""), 0, 1).length, 0u);
}

// A huge width or digit count answers at once with the first
// kFormatTextLimit bytes of the text printf would make.
TEST(NumberTextTest, FixedFormatsCutHugeTexts) {
  const std::string limit_blanks(kFormatTextLimit, ' ');
  struct Case {
    RtString text;
    std::string expected;
  };
  const Case cases[] = {
      {FormatNumber(0, 2147483647, 1.5), "1.5" + std::string(kFormatTextLimit - 3, '0')},
      {FormatNumber(0, 5000, -1.5), "-1.5" + std::string(kFormatTextLimit - 4, '0')},
      {FormatNumber(0, 2147483647, 0.1), "0.1000000000000000055511151231257827021181583404541015625" +
                                             std::string(kFormatTextLimit - 57, '0')},
      {FormatNumber(2147483647, 2, 1.5), limit_blanks},
      {FormatNumber(-2147483647, 2, 1.5), "1.50" + std::string(kFormatTextLimit - 4, ' ')},
      {FormatNumber(kFormatTextLimit - 1, 2, -1.5), std::string(kFormatTextLimit - 6, ' ') + "-1.50"},
      {FormatInt(2147483647, 0, 7), limit_blanks},
      {FormatInt(-2147483647, 0, 7), "7" + std::string(kFormatTextLimit - 1, ' ')},
      {FormatInt(0, 2147483647, -7), "-" + std::string(kFormatTextLimit - 1, '0')},
      {FormatInt(0, kFormatTextLimit + 10, 7), std::string(kFormatTextLimit, '0')},
      {FormatInt64(2147483647, 2147483647, INT64_MIN), std::string(kFormatTextLimit, ' ')},
      {FormatInt64(0, 2147483647, INT64_MIN), "-" + std::string(kFormatTextLimit - 1, '0')},
      {FormatInt64(0, kFormatTextLimit + 2, INT64_MIN), "-" + std::string(kFormatTextLimit - 17, '0') + "9223372036854775"},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_TRUE(Bytes(cases[i].text) == cases[i].expected) << "case " << i << ": " << Bytes(cases[i].text).substr(0, 80);
  }
}

TEST(NumberTextTest, TextToNumbers) {
  EXPECT_EQ(ParseInt64("  -42xyz"), -42);
  EXPECT_EQ(ParseInt64("+7"), 7);
  EXPECT_EQ(ParseInt64("abc"), 0);
  EXPECT_EQ(ParseInt64("9223372036854775808"), INT64_MIN);
  EXPECT_EQ(ParseInt64(static_cast<const char*>(nullptr)), 0);
  EXPECT_EQ(ParseInt64(RtString("\t12")), 12);
  EXPECT_EQ(TextToInt(RtString(" 12abc")), 12);
  EXPECT_EQ(TextToInt(RtString()), 0);
  EXPECT_EQ(TextToDouble(RtString("-1.5e2")), -150.0);
  EXPECT_EQ(TextToDouble(RtString("0x10")), 0.0);
}

}  // namespace
