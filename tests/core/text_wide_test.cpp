#include "core/text_wide.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Bytes(const RtString& s) { return std::string(s.text, s.length); }

TEST(TextWideTest, ToWideMapsEveryByteAndStopsAtTheArraySize) {
  const char16_t* w = TextToWide(RtString("a\xE9"));
  EXPECT_EQ(w[0], u'a');
  EXPECT_EQ(w[1], 0xE9);
  EXPECT_EQ(w[2], 0);
  EXPECT_EQ(TextToWide(RtString())[0], 0);
  EXPECT_EQ(TextToWide(StringFromBytes("x\0y", 3))[1], 0);  // up to the first zero byte

  for (uint32_t n : {510u, 511u, 512u, 4096u}) {
    const RtString big = std::string(n, 'q').c_str();
    w = TextToWide(big);
    const uint32_t kept = n < 511 ? n : 511;
    EXPECT_EQ(w[kept - 1], u'q') << n;
    EXPECT_EQ(w[kept], 0) << n;
  }
}

TEST(TextWideTest, FromWide) {
  const RtString ab = StringFromWide(u"ab");
  EXPECT_EQ(Bytes(ab), "ab");
  EXPECT_EQ(ab.capacity, 16u);
  const char16_t latin[] = {0xE9, 0xFF, 0};
  EXPECT_EQ(Bytes(StringFromWide(latin)), "\xE9\xFF");
  // A unit above 255 has no byte: the conversion stops there.
  const char16_t beyond[] = {u'x', 0x20AC, u'y', 0};
  EXPECT_EQ(Bytes(StringFromWide(beyond)), "x");
  const RtString none = StringFromWide(nullptr);
  EXPECT_EQ(none.length, 0u);
  EXPECT_EQ(none.text[0], '\0');
}

TEST(TextWideTest, SetWideReusesALargeEnoughBuffer) {
  RtString s = "a longer text than the next";
  char* buffer = s.text;
  StringSetWide(s, u"hi");
  EXPECT_EQ(Bytes(s), "hi");
  EXPECT_EQ(s.text, buffer);
  StringSetWide(s, u"");
  EXPECT_EQ(s.length, 0u);
}

}  // namespace
