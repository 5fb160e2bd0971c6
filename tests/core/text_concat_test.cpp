#include "core/text_concat.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Bytes(const RtString& s) { return std::string(s.text, s.length); }

TEST(TextConcatTest, AppendNumbersInPlace) {
  RtString s;
  StringAppendInt(s, 0);
  EXPECT_EQ(Bytes(s), "0");
  StringAppendInt64(s, INT64_MIN);
  EXPECT_EQ(Bytes(s), "0-9223372036854775808");
  RtString d = "x";
  EXPECT_EQ(&StringAppendDouble(d, 2.0), &d);
  StringAppendDouble(d, 1.25);
  StringAppendDouble(d, -3.5);
  EXPECT_EQ(Bytes(d), "x21.25-3.5");
  RtString f;
  StringAppendFloat(f, 0.1f);
  EXPECT_EQ(Bytes(f), "0.1000000015");
  RtString g;
  StringAppendDouble(g, 0.1);
  EXPECT_EQ(Bytes(g), "0.1");
}

TEST(TextConcatTest, EmptyAppendsLeaveTheTargetAlone) {
  RtString shared;
  shared += "";
  shared += static_cast<const char*>(nullptr);
  shared += RtString();
  EXPECT_EQ(shared.text, g_sharedEmptyText);
  EXPECT_EQ(shared.capacity, 0u);
  RtString s = "abc";
  char* buffer = s.text;
  s += RtString();
  EXPECT_EQ(s.text, buffer);
  EXPECT_EQ(s.capacity, 16u);
  EXPECT_EQ(s.length, 3u);
  s += s;
  EXPECT_EQ(Bytes(s), "abcabc");
  s += s.text + 3;  // a text inside the target's own buffer
  EXPECT_EQ(Bytes(s), "abcabcabc");
}

TEST(TextConcatTest, NewStringsTable) {
  const RtString a = "A";
  struct Case {
    RtString result;
    const char* text;
  };
  const Case cases[] = {
      {CStrConcatInt("", 5), "5"},
      {CStrConcatInt("A", -12), "A-12"},
      {CStrConcatInt(nullptr, 7), "7"},
      {IntConcatCStr(INT32_MIN, ""), "-2147483648"},
      {IntConcatString(3, a), "3A"},
      {Int64ConcatCStr(INT64_MAX, "!"), "9223372036854775807!"},
      {Int64ConcatString(-1, a), "-1A"},
      {FloatConcatCStr(0.5f, "x"), "0.5x"},
      {FloatConcatString(1e10f, a), "1.e+010A"},
      {DoubleConcatCStr(2.0, nullptr), "2"},
      {DoubleConcatString(0.05, a), "5.e-002A"},
      {CStrConcatInt64("n=", int64_t{1} << 40), "n=1099511627776"},
      {CStrConcatFloat("f", 0.1f), "f0.1000000015"},
      {CStrConcatDouble("d", 1234567890.5), "d1234567891"},
      {StringConcatInt(a, 0), "A0"},
      {StringConcatInt64(a, -5), "A-5"},
      {StringConcatFloat(a, -0.25f), "A-0.25"},
      {StringConcatDouble(a, 1e20), "A1.e+020"},
  };
  for (const Case& c : cases) EXPECT_EQ(Bytes(c.result), c.text);
  EXPECT_EQ(Bytes(a), "A");
}

TEST(TextConcatTest, Operators) {
  const RtString a = "a";
  EXPECT_EQ(Bytes(a + "b"), "ab");
  EXPECT_EQ(Bytes("b" + a), "ba");
  EXPECT_EQ(Bytes(a + a), "aa");
  EXPECT_EQ(Bytes(a + 1), "a1");
  EXPECT_EQ(Bytes(a + int64_t{-2}), "a-2");
  EXPECT_EQ(Bytes(a + 0.1f), "a0.1000000015");
  EXPECT_EQ(Bytes(a + 2.5), "a2.5");
  EXPECT_EQ(Bytes(1 + a), "1a");
  EXPECT_EQ(Bytes(int64_t{3} + a), "3a");
  EXPECT_EQ(Bytes(1.5f + a), "1.5a");
  EXPECT_EQ(Bytes(4.0 + a), "4a");
  RtString s;
  s += 1;
  s += int64_t{2};
  s += 3.5f;
  s += 4.25;
  s += "x";
  s += a;
  EXPECT_EQ(Bytes(s), "123.54.25xa");
  // a$ = a$ + "x" in a loop.
  RtString grown;
  for (int i = 0; i < 100; ++i) grown = grown + "x";
  EXPECT_EQ(grown.length, 100u);
}

}  // namespace
