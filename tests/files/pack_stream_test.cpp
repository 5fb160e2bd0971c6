#include "files/pack_stream.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

std::unique_ptr<PackStream> NewStream(int32_t mode) {
  auto s = std::make_unique<PackStream>();
  s->mode = mode;
  return s;
}

std::string Output(const PackStream& s) {
  return std::string(reinterpret_cast<const char*>(s.output), static_cast<size_t>(s.outputLength));
}

int32_t Unpack(PackStream& s, const std::vector<uint8_t>& bytes) {
  return PackStreamUnpack(s, bytes.data(), static_cast<int32_t>(bytes.size()));
}

std::string SampleText(size_t n) {
  std::string text;
  uint32_t x = 12345;
  while (text.size() < n) {
    x = x * 1103515245 + 12345;
    static const char* words[] = {"zombie ", "cell ", "survivor ", "\r\n", "uzi ", "shotgun "};
    text += (x >> 16) % 7 == 0 ? std::string(1, static_cast<char>(x >> 8)) : words[(x >> 16) % 6];
  }
  text.resize(n);
  return text;
}

TEST(PackStreamTest, OwnFormatLiteralsAndReferences) {
  auto s = NewStream(0);
  EXPECT_EQ(Unpack(*s, {0x00, 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 0x80, 0x00}), 8);
  EXPECT_EQ(Output(*s), "abcdefgh");
  // The literal x, then a reference of distance 1 and length 5.
  EXPECT_EQ(Unpack(*s, {0x60, 'x', 0x03, 0x01, 0x00}), 6);
  EXPECT_EQ(Output(*s), "xxxxxx");
}

TEST(PackStreamTest, OwnFormatRefusesDamagedStreams) {
  const std::vector<std::vector<uint8_t>> damaged = {
      {},                                    // nothing
      {0x00, 'a', 'b'},                      // no terminator
      {0x40, 'x', 0x03},                     // a reference cut short
      {0xC0, 0x03, 0x01, 0x00},              // refers before the first byte
      {0x60, 'x', 0x13, 0x00, 0x00},         // distance 128 after one byte
      {0x60, 'x', 0x01, 0x00, 0x00},         // distance 0 is 2048 back
  };
  for (const auto& bytes : damaged) {
    auto s = NewStream(0);
    EXPECT_EQ(Unpack(*s, bytes), 0);
    EXPECT_EQ(s->output, nullptr);
  }
}

// Literal packets of `count` distinct-looking bytes (a multiple of 8), then
// one packet holding the given reference and the terminator.
std::vector<uint8_t> LiteralsThenReference(int count, uint8_t b0, uint8_t b1) {
  std::vector<uint8_t> bytes;
  for (int i = 0; i < count; ++i) {
    if (i % 8 == 0) bytes.push_back(0x00);
    bytes.push_back(static_cast<uint8_t>(i * 7 % 251));
  }
  bytes.insert(bytes.end(), {0xC0, b0, b1, 0x00});
  return bytes;
}

// Distances above 2048 (up to 2175 can be written) wrap around the ring: they
// reach the slot distance - 2048 back, and need only that many bytes written.
TEST(PackStreamTest, OwnFormatDistancesBeyondTheRingWrapAround) {
  struct Case {
    int literals;
    uint8_t b0, b1;   // the reference
    int back;         // bytes back it copies from
  };
  const Case cases[] = {
      {4096, 0xF3, 0xFF, 127},  // distance 2175 after two turns of the ring
      {200, 0xF3, 0xFF, 127},   // distance 2175 after 200 bytes
      {128, 0xF3, 0xFF, 127},
      {2048, 0xF3, 0x80, 2048}, // distance 2048: the ring's own slot
      {8, 0xF3, 0x81, 1},       // distance 2049 repeats the last byte
      {2056, 0x03, 0x00, 2048}, // distance 0 is 2048 back too
  };
  for (const Case& c : cases) {
    auto s = NewStream(0);
    const int32_t length = (c.b0 & 0x0F) + 2;
    ASSERT_EQ(Unpack(*s, LiteralsThenReference(c.literals, c.b0, c.b1)), c.literals + length)
        << c.literals << " bytes, then distance " << (c.b0 & 0xF0) * 8 + c.b1;
    for (int i = c.literals; i < c.literals + length; ++i) {
      EXPECT_EQ(s->output[i], s->output[i - c.back]) << c.literals << " bytes, output byte " << i;
    }
  }
  // Fewer bytes written than the slot lies back: refused.
  auto s = NewStream(0);
  EXPECT_EQ(Unpack(*s, LiteralsThenReference(120, 0xF3, 0xFF)), 0);
  EXPECT_EQ(s->output, nullptr);
}

TEST(PackStreamTest, OwnFormatRoundTrips) {
  for (size_t n : {size_t{0}, size_t{1}, size_t{2}, size_t{7}, size_t{8}, size_t{100}, size_t{5000}, size_t{70000}}) {
    std::string input = SampleText(n);
    if (n == 5000) input = std::string(5000, 'a');
    auto s = NewStream(2);
    const int32_t packed = PackStreamPack(*s, reinterpret_cast<const uint8_t*>(input.data()),
                                          static_cast<int32_t>(input.size()));
    ASSERT_GT(packed, 0);
    const std::vector<uint8_t> bytes(s->output, s->output + packed);
    if (n == 5000) {
      EXPECT_LT(packed, 1000);
    }
    auto t = NewStream(2);
    EXPECT_EQ(Unpack(*t, bytes), static_cast<int32_t>(n));
    EXPECT_EQ(Output(*t), input) << n;
  }
}

TEST(PackStreamTest, OwnFormatTerminatorAfterAFullPacket) {
  auto s = NewStream(0);
  const std::string input = "abcdefgh";  // eight literals fill one packet
  ASSERT_EQ(PackStreamPack(*s, reinterpret_cast<const uint8_t*>(input.data()), 8), 11);
  EXPECT_EQ(Output(*s), std::string("\0abcdefgh\xFF\0", 11));
}

TEST(PackStreamTest, LzoRoundTripsAndIncompressibleInputFits) {
  std::string random;
  uint32_t x = 7;
  for (int i = 0; i < 100000; ++i) {
    x = x * 1664525 + 1013904223;
    random += static_cast<char>(x >> 24);
  }
  for (const std::string& input : {std::string(), SampleText(300000), random}) {
    auto s = NewStream(1);
    const int32_t packed = PackStreamPack(*s, reinterpret_cast<const uint8_t*>(input.data()),
                                          static_cast<int32_t>(input.size()));
    ASSERT_GE(packed, 4);
    const std::vector<uint8_t> bytes(s->output, s->output + packed);
    auto t = NewStream(1);
    EXPECT_EQ(Unpack(*t, bytes), static_cast<int32_t>(input.size()));
    ASSERT_NE(t->output, nullptr);
    EXPECT_EQ(Output(*t), input);
  }
}

TEST(PackStreamTest, LzoEmptyBlockIsNoError) {
  auto s = NewStream(1);
  EXPECT_EQ(Unpack(*s, {0, 0, 0, 0, 0x11, 0, 0}), 0);
  EXPECT_NE(s->output, nullptr);  // a hit of length 0, not a failure
}

TEST(PackStreamTest, LzoRefusesDamagedBlocks) {
  auto good = NewStream(1);
  const std::string input = SampleText(4000);
  const int32_t packed = PackStreamPack(*good, reinterpret_cast<const uint8_t*>(input.data()), 4000);
  const std::vector<uint8_t> bytes(good->output, good->output + packed);
  std::vector<std::vector<uint8_t>> damaged = {{}, {1, 0, 0}, {0xFF, 0xFF, 0xFF, 0x7F, 0x11, 0, 0},
                                               {0, 0, 0, 0x80, 0x11, 0, 0}};
  damaged.emplace_back(bytes.begin(), bytes.end() - 3);        // terminator missing
  damaged.push_back(bytes);
  damaged.back()[0] = 0x10;                                    // says fewer bytes than there are
  damaged.emplace_back(bytes.begin(), bytes.begin() + 200);   // stream cut short
  for (const auto& block : damaged) {
    auto s = NewStream(1);
    EXPECT_EQ(Unpack(*s, block), 0);
    EXPECT_EQ(s->output, nullptr);
  }
}

TEST(PackStreamTest, UnpackFreesTheEarlierOutput) {
  auto s = NewStream(0);
  EXPECT_EQ(Unpack(*s, {0x60, 'x', 0x03, 0x01, 0x00}), 6);
  EXPECT_EQ(Unpack(*s, {0x00, 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 0x80, 0x00}), 8);
  EXPECT_EQ(Output(*s), "abcdefgh");
  EXPECT_EQ(s->ringIndex, 8);
  PackStreamReset(*s);
  EXPECT_EQ(s->output, nullptr);
  EXPECT_EQ(s->mode, 0);
}

}  // namespace
