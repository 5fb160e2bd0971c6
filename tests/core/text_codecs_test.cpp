#include "core/text_codecs.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Bytes(const RtString& s) { return std::string(s.text, s.length); }

TEST(TextCodecsTest, HexFromBytes) {
  const uint8_t bytes[] = {0x00, 0xAB, 0x7F};
  EXPECT_EQ(Bytes(HexFromBytes(bytes, 2, true)), "00AB");
  EXPECT_EQ(Bytes(HexFromBytes(bytes, 3, false)), "00ab7f");
  // Counts of 0 or below, or no bytes, give the empty text.
  for (int32_t count : {0, -1, -2, INT32_MIN}) {
    const RtString s = HexFromBytes(bytes, count, true);
    EXPECT_EQ(s.length, 0u) << count;
    EXPECT_EQ(s.text, g_sharedEmptyText) << count;
  }
  EXPECT_EQ(HexFromBytes(nullptr, 4, true).length, 0u);
}

TEST(TextCodecsTest, HexPairValue) {
  EXPECT_EQ(HexPairValue('4', '1'), 65);
  EXPECT_EQ(HexPairValue('F', 'f'), 255);
  EXPECT_EQ(HexPairValue('g', '0'), 103 * 16);
  EXPECT_EQ(HexPairValue('0', 0xFF), 255);
}

TEST(TextCodecsTest, UrlEncode) {
  struct Case {
    std::string text;
    const char* encoded;
  };
  const Case cases[] = {
      {"a b", "a%20b"},       {"\xE9", "%c3%a9"},  {"\x80", "%c2%80"},   {"\xBF\xC0", "%c2%bf%c3%80"},
      {"-", "%2d"},           {"AZaz09", "AZaz09"}, {"", ""},              {std::string("\0", 1), "%00"},
      {"\xFF", "%c3%bf"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Bytes(UrlEncode(StringFromBytes(c.text.data(), static_cast<uint32_t>(c.text.size())))), c.encoded)
        << c.encoded;
  }
}

TEST(TextCodecsTest, UrlDecode) {
  struct Case {
    const char* text;
    std::string decoded;
  };
  const Case cases[] = {
      {"a+b%41", "a bA"},   {"%zz", "z"},           {"%4z", "z"},    {"100%", "100"},     {"%4", ""},
      {"%C3%A9", "\xE9"},   {"%e9", ""},            {"%", ""},       {"%%41", "41"},      {"", ""},
      {"%00x", std::string("\0x", 2)}, {"caf%c3%a9+ok", "caf\xE9 ok"},
  };
  for (const Case& c : cases) EXPECT_EQ(Bytes(UrlDecode(RtString(c.text))), c.decoded) << c.text;
  // Encoding then decoding gives every byte back.
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  const RtString bytes = StringFromBytes(all.data(), 256);
  EXPECT_EQ(Bytes(UrlDecode(UrlEncode(bytes))), all);
}

TEST(TextCodecsTest, TextFromUtf8) {
  struct Case {
    std::string text;
    std::string result;
  };
  const Case cases[] = {
      {"\xE2\x82\xAC", "\xAC"},
      {"\x80", ""},
      {"a\xC3\xA9z", "a\xE9z"},
      {"\xC3", ""},                  // a lead byte at the end
      {"\xE2\x82", ""},              // too short: the lead goes, then 0x82 stands alone
      {"\xF0\x9F\x98\x80", "\xB0"},  // ((0x98 << 6 | 0x00) + 176) & 0xFF
      {"\xF8\xFFok", "ok"},
      {"\xC3" "A", "\xC1"},             // continuation bytes are not checked: (0xC3 << 6 | 0x01) & 0xFF
  };
  for (const Case& c : cases) {
    RtString s = StringFromBytes(c.text.data(), static_cast<uint32_t>(c.text.size()));
    TextFromUtf8(s);
    EXPECT_EQ(Bytes(s), c.result) << c.text;
  }
  RtString kept = "\xC3\xA9\xC3\xA9";
  char* buffer = kept.text;
  TextFromUtf8(kept);
  EXPECT_EQ(kept.text, buffer);
  EXPECT_EQ(kept.text[kept.length], '\0');
}

}  // namespace
