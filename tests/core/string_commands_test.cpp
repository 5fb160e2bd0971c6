#include "core/string_commands.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Bytes(const RtString& s) { return std::string(s.text, s.length); }

TEST(StringCommandsTest, MidTable) {
  struct Case {
    const char* text;
    int32_t start;
    int32_t count;
    const char* result;
  };
  const Case cases[] = {
      {"abcdef", 2, 3, "cde"}, {"abcdef", 2, -1, "cdef"}, {"abcdef", 4, 10, "ef"},  {"abcdef", 0, -1, "abcdef"},
      {"abcdef", 6, 1, ""},    {"abcdef", -1, 3, ""},     {"abcdef", 0, 0, ""},     {"", 3, -1, ""},
      {"abcdef", 5, INT32_MAX, "f"}, {"abcdef", INT32_MAX, INT32_MAX, ""}, {"abcdef", INT32_MIN, 3, ""},
  };
  for (const Case& c : cases) {
    const RtString s = StringMid(RtString(c.text), c.start, c.count);
    EXPECT_EQ(Bytes(s), c.result) << c.text << " " << c.start << " " << c.count;
    if (s.length == 0) {
      EXPECT_EQ(s.text, g_sharedEmptyText);
    }
  }
  // Reserved for count + 1: 14 bytes need capacity 32.
  EXPECT_EQ(StringMid(RtString("abcdefghijklmnopq"), 0, 14).capacity, 32u);
  // Zero bytes inside the length word are copied.
  EXPECT_EQ(Bytes(StringMid(StringFromBytes("a\0bc", 4), 1, 2)), std::string("\0b", 2));
}

TEST(StringCommandsTest, TruncateKeepsTheBuffer) {
  RtString s = "abc";
  char* buffer = s.text;
  TextTruncate(s, 3);
  TextTruncate(s, -1);
  EXPECT_EQ(Bytes(s), "abc");
  TextTruncate(s, 1);
  EXPECT_EQ(Bytes(s), "a");
  TextTruncate(s, 0);
  EXPECT_EQ(s.length, 0u);
  EXPECT_EQ(s.text, buffer);
  EXPECT_EQ(s.text[0], '\0');
  RtString empty;
  TextTruncate(empty, 0);
  EXPECT_EQ(empty.text, g_sharedEmptyText);
}

TEST(StringCommandsTest, TrimBySet) {
  const RtString text = "  ab  ";
  const RtString blank = " ";
  EXPECT_EQ(Bytes(StringTrimRight(text, blank)), "  ab");
  EXPECT_EQ(Bytes(StringTrimLeft(text, blank)), "ab  ");
  EXPECT_EQ(Bytes(StringTrimRight(RtString("   "), blank)), "");
  EXPECT_EQ(StringTrimLeft(RtString("   "), blank).text, g_sharedEmptyText);
  EXPECT_EQ(Bytes(StringTrimRight(text, RtString())), "  ab  ");
  EXPECT_EQ(Bytes(StringTrimLeft(RtString(), blank)), "");
  EXPECT_EQ(Bytes(StringTrimLeft(RtString("xyxzy"), RtString("yx"))), "zy");
  // A zero byte counts as a member when the set's length word holds it.
  EXPECT_EQ(Bytes(StringTrimRight(StringFromBytes("ab\0\0", 4), StringFromBytes("\0", 1))), "ab");
}

TEST(StringCommandsTest, TrimControlInPlace) {
  RtString s = StringFromBytes("a\x1F\r\n\0", 5);
  StringTrimControl(s);
  EXPECT_EQ(Bytes(s), "a");
  RtString high = "a\xE9\n";
  StringTrimControl(high);
  EXPECT_EQ(Bytes(high), "a\xE9");
  RtString all = "\r\n";
  StringTrimControl(all);
  EXPECT_EQ(all.length, 0u);
  RtString empty;
  StringTrimControl(empty);
  EXPECT_EQ(empty.text, g_sharedEmptyText);
}

TEST(StringCommandsTest, CaseIsAsciiOnly) {
  const RtString s = StringFromBytes("aZ\xE9\0q", 5);
  EXPECT_EQ(Bytes(TextUpper(s)), std::string("AZ\xE9\0Q", 5));
  EXPECT_EQ(Bytes(TextLower(s)), std::string("az\xE9\0q", 5));
  EXPECT_EQ(Bytes(s), std::string("aZ\xE9\0q", 5));
  RtString t = "MiXed";
  StringLower(t);
  EXPECT_EQ(Bytes(t), "mixed");
  StringUpper(t);
  EXPECT_EQ(Bytes(t), "MIXED");
  RtString empty;
  StringUpper(empty);
  EXPECT_EQ(empty.text, g_sharedEmptyText);
}

TEST(StringCommandsTest, CharacterCodes) {
  EXPECT_EQ(TextCharCode(RtString()), 0);
  EXPECT_EQ(TextCharCode(RtString("\xE9x")), 233);
  EXPECT_EQ(TextCharCodeAt(RtString("abc"), 1), 'b');
  EXPECT_EQ(TextCharCodeAt(RtString("abc"), 3), 0);
  EXPECT_EQ(TextCharCodeAt(RtString("abc"), -1), 0);
  EXPECT_EQ(Bytes(TextFromCharCode(65)), "A");
  EXPECT_EQ(Bytes(TextFromCharCode(321)), "A");
  EXPECT_EQ(Bytes(TextFromCharCode(-1)), "\xFF");
  const RtString zero = TextFromCharCode(0);
  EXPECT_EQ(zero.length, 1u);
  EXPECT_EQ(zero.text[0], '\0');
  EXPECT_EQ(StringLength(zero), 0u);
}

}  // namespace
