#include "core/blowfish.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> BytesFromHex(const std::string& hex) {
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  }
  return bytes;
}

// Published vectors write each 4-byte half big-endian; here halves are read
// little-endian, so the bytes of each half are reversed.
std::vector<uint8_t> ReverseHalves(std::vector<uint8_t> block) {
  std::swap(block[0], block[3]);
  std::swap(block[1], block[2]);
  std::swap(block[4], block[7]);
  std::swap(block[5], block[6]);
  return block;
}

struct Vector {
  const char* key;
  const char* plain;
  const char* cipher;
};

// Published Blowfish ECB test vectors (key, plain text, cipher text).
const Vector kVectors[] = {
    {"0000000000000000", "0000000000000000", "4EF997456198DD78"},
    {"FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "51866FD5B85ECB8A"},
    {"3000000000000000", "1000000000000001", "7D856F9A613063F2"},
    {"1111111111111111", "1111111111111111", "2466DD878B963C9D"},
    {"0123456789ABCDEF", "1111111111111111", "61F9C3802281B096"},
    {"1111111111111111", "0123456789ABCDEF", "7D0CC630AFDA1EC7"},
    {"FEDCBA9876543210", "0123456789ABCDEF", "0ACEAB0FC6A0A28D"},
    {"7CA110454A1A6E57", "01A1D6D039776742", "59C68245EB05282B"},
    {"0131D9619DC1376E", "5CD54CA83DEF57DA", "B1B8CC0B250F09A0"},
};

class BlowfishTest : public testing::Test {
 protected:
  void SetKey(const std::vector<uint8_t>& key) {
    BlowfishSetKey(ctx_, key.data(), static_cast<uint32_t>(key.size()));
  }
  void SetUp() override { BlowfishAlloc(ctx_); }
  void TearDown() override { BlowfishFree(ctx_); }
  BlowfishContext ctx_;
};

TEST_F(BlowfishTest, BlocksMatchPublishedVectors) {
  for (const Vector& v : kVectors) {
    SetKey(BytesFromHex(v.key));
    const std::vector<uint8_t> plain = BytesFromHex(v.plain);
    const std::vector<uint8_t> cipher = BytesFromHex(v.cipher);
    // As words: the published big-endian halves.
    auto word = [](const std::vector<uint8_t>& b, int at) {
      return (uint32_t{b[at]} << 24) | (uint32_t{b[at + 1]} << 16) | (uint32_t{b[at + 2]} << 8) | b[at + 3];
    };
    uint32_t left = word(plain, 0);
    uint32_t right = word(plain, 4);
    BlowfishEncipherBlock(ctx_, left, right);
    EXPECT_EQ(left, word(cipher, 0)) << v.key;
    EXPECT_EQ(right, word(cipher, 4)) << v.key;
    BlowfishDecipherBlock(ctx_, left, right);
    EXPECT_EQ(left, word(plain, 0)) << v.key;
    EXPECT_EQ(right, word(plain, 4)) << v.key;
    // As bytes: each half reversed.
    std::vector<uint8_t> out(8);
    EXPECT_EQ(BlowfishEncipherBuffer(ctx_, ReverseHalves(plain).data(), out.data(), 8), 8u);
    EXPECT_EQ(out, ReverseHalves(cipher)) << v.key;
    std::vector<uint8_t> back(8);
    BlowfishDecipherBuffer(ctx_, out.data(), back.data(), 8);
    EXPECT_EQ(back, ReverseHalves(plain)) << v.key;
  }
}

TEST_F(BlowfishTest, TextKeyVector) {
  const std::string key = "abcdefghijklmnopqrstuvwxyz";
  SetKey(std::vector<uint8_t>(key.begin(), key.end()));
  uint32_t left = 0x424C4F57;  // "BLOW"
  uint32_t right = 0x46495348;  // "FISH"
  BlowfishEncipherBlock(ctx_, left, right);
  EXPECT_EQ(left, 0x324ED0FEu);
  EXPECT_EQ(right, 0xF413A203u);
}

TEST_F(BlowfishTest, OnlyTheFirst72KeyBytesCount) {
  std::vector<uint8_t> key(72);
  for (size_t i = 0; i < key.size(); ++i) key[i] = static_cast<uint8_t>(i * 7 + 1);
  SetKey(key);
  uint32_t l1 = 1, r1 = 2;
  BlowfishEncipherBlock(ctx_, l1, r1);
  key.insert(key.end(), {9, 9, 9, 9, 9});
  SetKey(key);
  uint32_t l2 = 1, r2 = 2;
  BlowfishEncipherBlock(ctx_, l2, r2);
  EXPECT_EQ(l1, l2);
  EXPECT_EQ(r1, r2);
}

TEST_F(BlowfishTest, EmptyKeyIsOneZeroByte) {
  const uint8_t zero = 0;
  BlowfishSetKey(ctx_, &zero, 1);
  uint32_t l1 = 5, r1 = 6;
  BlowfishEncipherBlock(ctx_, l1, r1);
  BlowfishSetKey(ctx_, nullptr, 0);
  uint32_t l2 = 5, r2 = 6;
  BlowfishEncipherBlock(ctx_, l2, r2);
  EXPECT_EQ(l1, l2);
  EXPECT_EQ(r1, r2);
  // The key schedule takes key bytes cyclically: eight zero bytes are the
  // same key, whose published vector then holds.
  uint32_t left = 0, right = 0;
  BlowfishEncipherBlock(ctx_, left, right);
  EXPECT_EQ(left, 0x4EF99745u);
  EXPECT_EQ(right, 0x6198DD78u);
}

TEST_F(BlowfishTest, InPlaceAndSeparateBuffersAgreeWithZeroPadding) {
  const std::string key = "key";
  SetKey(std::vector<uint8_t>(key.begin(), key.end()));
  for (uint64_t length : {0u, 1u, 7u, 8u, 13u, 16u}) {
    std::vector<uint8_t> input(length);
    for (uint64_t i = 0; i < length; ++i) input[i] = static_cast<uint8_t>(0xA0 + i);
    std::vector<uint8_t> separate(BlowfishPadLength(length), 0xEE);
    EXPECT_EQ(BlowfishEncipherBuffer(ctx_, input.data(), separate.data(), length), BlowfishPadLength(length));
    // In place, with junk behind the data that padding must replace.
    std::vector<uint8_t> inPlace(BlowfishPadLength(length), 0x55);
    if (length > 0) std::memcpy(inPlace.data(), input.data(), length);
    BlowfishEncipherBuffer(ctx_, inPlace.data(), inPlace.data(), length);
    EXPECT_EQ(inPlace, separate) << "length " << length;
    BlowfishDecipherBuffer(ctx_, inPlace.data(), inPlace.data(), length);
    std::vector<uint8_t> expected(input);
    expected.resize(BlowfishPadLength(length), 0);
    EXPECT_EQ(inPlace, expected) << "length " << length;
  }
}

TEST(BlowfishPadTest, PadLength) {
  EXPECT_EQ(BlowfishPadLength(0), 0u);
  EXPECT_EQ(BlowfishPadLength(1), 8u);
  EXPECT_EQ(BlowfishPadLength(8), 8u);
  EXPECT_EQ(BlowfishPadLength(9), 16u);
}

TEST(BlowfishTextTest, HexLengthAndDigits) {
  struct Case {
    const char* text;
    uint32_t hexLength;
  };
  for (const Case& c : {Case{"", 0}, Case{"a", 16}, Case{"12345678", 16}, Case{"123456789", 32}}) {
    RtString hex = EncipherToHex("secret", c.text);
    EXPECT_EQ(hex.length, c.hexLength) << c.text;
    EXPECT_EQ(std::strspn(hex.c_str(), "0123456789abcdef"), hex.length) << c.text;
  }
}

TEST(BlowfishTextTest, HexIsTheCipherOfTheZeroPaddedBytes) {
  // Eight zero bytes under the key of eight zero bytes: the first published
  // vector with its halves reversed.
  RtString key = StringFromBytes("\0\0\0\0\0\0\0\0", 8);
  RtString text = StringFromBytes("\0\0\0\0\0\0\0\0", 8);
  EXPECT_STREQ(EncipherToHex(key, text).c_str(), "4597f94e78dd9861");
  // A one-byte zero text pads to the same block.
  EXPECT_STREQ(EncipherToHex(key, StringFromBytes("\0", 1)).c_str(), "4597f94e78dd9861");
  // An empty key gives the same schedule as a zero key byte.
  EXPECT_STREQ(EncipherToHex("", text).c_str(), "4597f94e78dd9861");
}

TEST(BlowfishTextTest, RoundTrips) {
  const char* keys[] = {"", "k", "a much longer key that goes on for a while, past seventy-two bytes of key text"};
  const char* texts[] = {"x", "exactly8", "sixteen bytes!!!", "Zivure \xe9\xff\x01 text of odd length"};
  for (const char* key : keys) {
    for (const char* text : texts) {
      RtString hex = EncipherToHex(key, text);
      RtString back = DecipherFromHex(key, hex);
      EXPECT_STREQ(back.c_str(), text) << "key " << key;
      EXPECT_EQ(back.length, std::strlen(text));
    }
  }
}

TEST(BlowfishTextTest, DecipherLowerCasesTheCallersText) {
  RtString hex = EncipherToHex("key", "Hello");
  for (uint32_t i = 0; i < hex.length; ++i) {
    hex.text[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(hex.text[i])));
  }
  RtString upper = hex;
  RtString back = DecipherFromHex("key", hex);
  EXPECT_STREQ(back.c_str(), "Hello");
  std::string lowered(upper.c_str());
  for (char& c : lowered) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  EXPECT_EQ(std::string(hex.c_str()), lowered);
}

TEST(BlowfishTextTest, OddLastDigitIsIgnored) {
  RtString hex = EncipherToHex("key", "odd");
  RtString longer = StringConcat(hex, "7");
  EXPECT_STREQ(DecipherFromHex("key", longer).c_str(), "odd");
}

TEST(BlowfishTextTest, PlainTextIsCutAtAZeroByte) {
  RtString hex = EncipherToHex("key", StringFromBytes("ab\0cd", 5));
  EXPECT_STREQ(DecipherFromHex("key", hex).c_str(), "ab");
}

TEST(BlowfishTextTest, ShortOrDamagedHexNeverFails) {
  for (const char* text : {"", "a", "zz", "0123456789abcdefXYZ\xff\x80", "0123456789abcdef0123",
                           "00112233445566778899aabbcc", "g0"}) {
    RtString hex = text;
    RtString out = DecipherFromHex("key", hex);
    EXPECT_LE(out.length, 24u) << text;
  }
  RtString one = "a";
  EXPECT_TRUE(DecipherFromHex("key", one).empty());
}

}  // namespace
