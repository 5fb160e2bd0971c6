#include "gfx2d/bmp_image.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "files/memory_file.h"
#include "tests/support/memory_peak.h"
#include "tests/support/test_data.h"
#include "tests/support/test_env.h"

namespace {

constexpr int32_t kSpriteKey = 0x008000FF;  // RGB(255, 0, 128)

void Put16(std::string& s, uint32_t v) {
  s += static_cast<char>(v & 0xFF);
  s += static_cast<char>((v >> 8) & 0xFF);
}

void Put32(std::string& s, uint32_t v) {
  Put16(s, v & 0xFFFF);
  Put16(s, v >> 16);
}

void Set32(std::string& s, size_t at, uint32_t v) {
  std::string bytes;
  Put32(bytes, v);
  s.replace(at, 4, bytes);
}

// A bitmap file: file header, a 12- or 40-byte header, the palette bytes
// as stored and the rows as stored; the data offset points right behind
// the palette.
std::string Bmp(uint32_t headerSize, int32_t width, int32_t height, uint32_t bits, const std::string& palette,
                const std::string& rows, uint32_t compression = 0) {
  std::string s = "BM";
  Put32(s, 14 + headerSize + palette.size() + rows.size());
  Put32(s, 0);
  Put32(s, 14 + headerSize + static_cast<uint32_t>(palette.size()));
  Put32(s, headerSize);
  if (headerSize == 12) {
    Put16(s, static_cast<uint32_t>(width));
    Put16(s, static_cast<uint32_t>(height));
    Put16(s, 1);
    Put16(s, bits);
  } else {
    Put32(s, static_cast<uint32_t>(width));
    Put32(s, static_cast<uint32_t>(height));
    Put16(s, 1);
    Put16(s, bits);
    Put32(s, compression);
    for (int i = 0; i < 5; ++i) Put32(s, 0);
  }
  return s + palette + rows;
}

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s += static_cast<char>(v);
  return s;
}

// Bit-field masks as a file stores them behind its header.
std::string Masks(std::initializer_list<uint32_t> masks) {
  std::string s;
  for (uint32_t m : masks) Put32(s, m);
  return s;
}

// One RGBA pixel as R | G << 8 | B << 16 | A << 24.
uint32_t Opaque(uint32_t r, uint32_t g, uint32_t b) { return r | g << 8 | b << 16 | 0xFF000000u; }
constexpr uint32_t kClear = 0;

std::vector<uint32_t> Pixels(const ImageBuffer& image) {
  std::vector<uint32_t> out;
  for (int64_t i = 0; i < int64_t{image.width} * image.height; ++i) {
    const uint8_t* p = image.pixels + i * 4;
    out.push_back(p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24);
  }
  return out;
}

class BmpImageTest : public ::testing::Test {
 protected:
  // Reads the bytes as a disk file.
  bool Load(const std::string& bytes, ImageBuffer& image, int32_t key = -1) {
    const std::string file = dir_.File("picture.bmp");
    WriteFileBytes(file, bytes);
    return ImageLoadBmp(image, file.c_str(), key);
  }

  ScratchDir dir_;
};

TEST_F(BmpImageTest, ReadsEveryDepthAndRowOrder) {
  const uint32_t red = Opaque(255, 0, 0);
  const uint32_t blue = Opaque(0, 0, 255);
  const uint32_t black = Opaque(0, 0, 0);
  // Palette of 256 entries of 3 bytes: entry i is R = i / 2, G = 255 - i, B = i.
  std::string corePalette;
  for (int i = 0; i < 256; ++i) corePalette += Bytes({i, 255 - i, i / 2});
  const std::string rows24 = Bytes({1, 2, 3, 4, 5, 6, 7, 8, 9, 0xEE, 0xEE, 0xEE,  // bottom row, 3 padding
                                    10, 11, 12, 13, 14, 15, 16, 17, 18, 0, 0, 0});
  const std::vector<uint32_t> pixels24 = {Opaque(12, 11, 10), Opaque(15, 14, 13), Opaque(18, 17, 16),
                                          Opaque(3, 2, 1),    Opaque(6, 5, 4),    Opaque(9, 8, 7)};
  struct Case {
    const char* what;
    std::string file;
    int32_t width;
    int32_t height;
    std::vector<uint32_t> pixels;  // from the top row down
  };
  const std::vector<Case> cases = {
      {"1 bit, 12 wide: rows of 4 bytes",
       Bmp(40, 12, 1, 1, Bytes({0, 0, 255, 0, 255, 0, 0, 0}), Bytes({0xA5, 0xF0, 0xFF, 0xFF})),
       12,
       1,
       {blue, red, blue, red, red, blue, red, blue, blue, blue, blue, blue}},
      {"4 bits, bottom row first, index beyond the palette is black",
       Bmp(40, 3, 2, 4, Bytes({0, 0, 0, 0, 0, 0, 255, 0, 255, 0, 0, 0}), Bytes({0x12, 0, 0, 0, 0x20, 0x50, 0, 0})),
       3,
       2,
       {blue, black, black, red, blue, black}},
      {"8 bits, 12-byte header with 3-byte palette entries", Bmp(12, 2, 1, 8, corePalette, Bytes({7, 200, 0, 0})),
       2,
       1,
       {Opaque(3, 248, 7), Opaque(100, 55, 200)}},
      {"1 bit, 12-byte header with a 2-entry palette",
       Bmp(12, 2, 1, 1, Bytes({0, 0, 255, 255, 0, 0}), Bytes({0x40, 0, 0, 0})),
       2,
       1,
       {red, blue}},
      {"16 bits 5-5-5, top bit ignored", Bmp(40, 3, 1, 16, "", Bytes({0xFF, 0x7F, 0x00, 0x7C, 0x21, 0x84, 0, 0})),
       3,
       1,
       {Opaque(255, 255, 255), red, Opaque(8, 8, 8)}},
      {"24 bits, rows of 9 bytes padded to 12", Bmp(40, 3, 2, 24, "", rows24), 3, 2, pixels24},
      {"24 bits stored top-down",
       Bmp(40, 3, -2, 24, "", rows24.substr(12) + rows24.substr(0, 12)),
       3,
       2,
       pixels24},
      {"32 bits, fourth byte ignored", Bmp(40, 1, 1, 32, "", Bytes({30, 20, 10, 0})), 1, 1, {Opaque(10, 20, 30)}},
      {"24 bits with a palette region and bit masks", Bmp(40, 1, 1, 24, std::string(12, 'm'), Bytes({1, 2, 3, 0}), 3),
       1,
       1,
       {Opaque(3, 2, 1)}},
      {"16 bits 5-6-5 by bit fields",
       Bmp(40, 4, 1, 16, Masks({0xF800, 0x07E0, 0x001F}), Bytes({0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00, 0x10, 0x84}), 3),
       4,
       1,
       {red, Opaque(0, 255, 0), blue, Opaque(131, 129, 131)}},
      {"16 bits 4-4-4 by bit fields, top bits ignored",
       Bmp(40, 2, 1, 16, Masks({0x0F00, 0x00F0, 0x000F}), Bytes({0x00, 0xFF, 0x23, 0x01}), 3),
       2,
       1,
       {red, Opaque(17, 34, 51)}},
      {"16 bits 4-4-4 by bit fields with an alpha mask: opaque",
       Bmp(40, 2, 1, 16, Masks({0x0F00, 0x00F0, 0x000F, 0xF000}), Bytes({0x00, 0x0F, 0x23, 0x81}), 6),
       2,
       1,
       {red, Opaque(17, 34, 51)}},
      {"16 bits naming bit fields without holding them: 5-5-5", Bmp(40, 1, 1, 16, "", Bytes({0x00, 0x7C, 0, 0}), 3),
       1,
       1,
       {red}},
      {"32 bits by bit fields, red in the lowest byte",
       Bmp(40, 1, 1, 32, Masks({0x000000FF, 0x0000FF00, 0x00FF0000}), Bytes({30, 20, 10, 99}), 3),
       1,
       1,
       {Opaque(30, 20, 10)}},
      {"32 bits 10-10-10 by bit fields",
       Bmp(40, 2, 1, 32, Masks({0x3FF00000, 0x000FFC00, 0x000003FF}),
           Bytes({0xFF, 0x03, 0x00, 0xC0, 0x00, 0x00, 0xF0, 0x3F}), 3),
       2,
       1,
       {blue, red}},
      {"32 bits by bit fields: a 10-bit middle, a scattered mask, an empty mask",
       Bmp(40, 1, 1, 32, Masks({0x0007FE00, 0x00000101, 0}), Bytes({0x01, 0x01, 0x04, 0x00}), 3),
       1,
       1,
       {Opaque(127, 255, 0)}},
  };
  for (const Case& c : cases) {
    ImageBuffer image;
    ASSERT_TRUE(Load(c.file, image)) << c.what;
    EXPECT_EQ(image.width, c.width) << c.what;
    EXPECT_EQ(image.height, c.height) << c.what;
    EXPECT_EQ(Pixels(image), c.pixels) << c.what;
    EXPECT_EQ(image.flag, 0) << c.what;
    ImageBufferRelease(image);
  }
}

TEST_F(BmpImageTest, ColourKeyMakesItsPixelsTransparentBlack) {
  const std::string file = Bmp(40, 2, 1, 24, "", Bytes({128, 0, 255, 128, 0, 254, 0, 0}));
  const std::string paletted = Bmp(40, 2, 1, 8, Bytes({128, 0, 255, 0, 0, 0, 0, 0}), Bytes({0, 1, 0, 0}));
  ImageBuffer image;
  ASSERT_TRUE(Load(file, image, kSpriteKey));
  EXPECT_EQ(Pixels(image), (std::vector<uint32_t>{kClear, Opaque(254, 0, 128)}));
  ASSERT_TRUE(Load(file, image, -1));
  EXPECT_EQ(Pixels(image), (std::vector<uint32_t>{Opaque(255, 0, 128), Opaque(254, 0, 128)}));
  // The font key is black.
  ASSERT_TRUE(Load(paletted, image, 0));
  EXPECT_EQ(Pixels(image), (std::vector<uint32_t>{Opaque(255, 0, 128), kClear}));
  ImageBufferRelease(image);
}

TEST_F(BmpImageTest, WriterBytes) {
  // 3 x 2: the top row holds a half-transparent pixel.
  const std::vector<uint8_t> pixels = {1, 2, 3, 255, 4, 5, 6, 128, 7, 8, 9, 255,  //
                                       10, 11, 12, 255, 13, 14, 15, 255, 16, 17, 18, 255};
  const std::string file = dir_.File("out.bmp");
  ASSERT_TRUE(BmpWriteFile(file.c_str(), pixels.data(), 3, 2));
  std::string want = "BM";
  Put32(want, 54 + 12 * 2);
  Put32(want, 0);
  for (uint32_t v : {54u, 40u, 3u, 2u}) Put32(want, v);
  Put16(want, 1);
  Put16(want, 24);
  for (uint32_t v : {0u, 0u, 10000u, 10000u, 0u, 0u}) Put32(want, v);
  want += Bytes({12, 11, 10, 15, 14, 13, 18, 17, 16, 0, 0, 0});       // bottom row first, B, G, R
  want += Bytes({3, 2, 1, 0x80, 0x00, 0xFF, 9, 8, 7, 0, 0, 0});       // not opaque: RGB(255, 0, 128)
  EXPECT_EQ(ReadFileBytes(file), want);
}

TEST_F(BmpImageTest, WriteThenReadGivesThePictureBack) {
  std::vector<uint8_t> pixels;
  for (int i = 0; i < 5 * 3; ++i) pixels.insert(pixels.end(), {uint8_t(i * 16), uint8_t(255 - i), uint8_t(i), 255});
  pixels[7 * 4 + 3] = 128;
  const std::string file = dir_.File("round.bmp");
  ASSERT_TRUE(BmpWriteFile(file.c_str(), pixels.data(), 5, 3));

  ImageBuffer image;
  ASSERT_TRUE(ImageLoadBmp(image, file.c_str(), kSpriteKey));
  ASSERT_EQ(image.width, 5);
  ASSERT_EQ(image.height, 3);
  std::vector<uint8_t> want = pixels;
  for (int b = 0; b < 4; ++b) want[7 * 4 + b] = 0;
  EXPECT_EQ(std::vector<uint8_t>(image.pixels, image.pixels + 5 * 3 * 4), want);
  ImageBufferRelease(image);
}

// A memory file gives the answer that the same bytes give on disk: a cut
// anywhere, also inside the rows, is refused.
TEST_F(BmpImageTest, MemoryFilesAnswerAsDiskFiles) {
  const std::string file = Bmp(40, 1, 3, 24, "", Bytes({1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0}));
  ImageBuffer image;
  struct Case {
    const char* what;
    size_t size;
    bool ok;
    std::vector<uint32_t> pixels;
  };
  const std::vector<Case> cases = {
      {"whole file", file.size(), true, {Opaque(9, 8, 7), Opaque(6, 5, 4), Opaque(3, 2, 1)}},
      {"cut inside the rows", file.size() - 8, false, {}},
      {"last byte missing", file.size() - 1, false, {}},
      {"cut at the data offset", 54, false, {}},
      {"cut inside the header", 30, false, {}},
  };
  for (const Case& c : cases) {
    const std::string name = MemoryFilePublish(file.data(), static_cast<uint32_t>(c.size));
    EXPECT_EQ(ImageLoadBmp(image, name.c_str(), -1), c.ok) << c.what;
    EXPECT_EQ(Pixels(image), c.pixels) << c.what;
    MemoryFileWithdraw(file.data());
  }
  // The same cuts on disk.
  for (const Case& c : cases) EXPECT_EQ(Load(file.substr(0, c.size), image), c.ok) << c.what;
  ImageBufferRelease(image);
}

// Pictures whose rows the file does not hold, or whose sides no texture
// has, are refused before their pixels are allocated, from disk and from
// memory alike.
TEST_F(BmpImageTest, RefusesPicturesTheFileCannotHold) {
  std::string claims = Bmp(40, 16384, 20000, 24, "", std::string(60, '\x40'));  // 114 bytes
  const struct {
    const char* what;
    std::string file;
  } cases[] = {
      {"16384 x 20000 in 114 bytes", claims},
      {"16384 x 16384 in 114 bytes", [&] {
         std::string s = claims;
         Set32(s, 22, 16384);
         return s;
       }()},
      {"a row wider than any texture, all there", Bmp(40, 16385, 1, 8, "", std::string(16388, '\0'))},
      {"a column taller than any texture, all there", Bmp(40, 1, 16385, 8, "", std::string(4 * 16385, '\0'))},
  };
  for (const auto& c : cases) {
    ImageBuffer image;
    const std::string name = MemoryFilePublish(c.file.data(), static_cast<uint32_t>(c.file.size()));
    bool fromDisk = true;
    bool fromMemory = true;
    const int64_t growth = PeakVirtualGrowth([&] {
      fromDisk = Load(c.file, image);
      fromMemory = ImageLoadBmp(image, name.c_str(), -1);
    });
    EXPECT_FALSE(fromDisk) << c.what;
    EXPECT_FALSE(fromMemory) << c.what;
    EXPECT_LT(growth, int64_t{256} << 20) << c.what;
    MemoryFileWithdraw(c.file.data());
    EXPECT_EQ(image.pixels, nullptr) << c.what;
    EXPECT_EQ(image.capacity, 0) << c.what;
  }
  // The longest sides a texture has are read.
  ImageBuffer image;
  EXPECT_TRUE(Load(Bmp(40, 16384, 1, 8, "", std::string(16384, '\0')), image));
  EXPECT_TRUE(Load(Bmp(40, 1, 16384, 8, "", std::string(4 * 16384, '\0')), image));
  ImageBufferRelease(image);
}

TEST_F(BmpImageTest, RefusedFilesLeaveTheBufferEmpty) {
  const std::string good = Bmp(40, 2, 2, 24, "", std::string(16, '\x40'));
  auto with32 = [&](size_t at, uint32_t v) {
    std::string s = good;
    Set32(s, at, v);
    return s;
  };
  auto with16 = [&](size_t at, uint32_t v) {
    std::string s = good;
    s[at] = static_cast<char>(v & 0xFF);
    s[at + 1] = static_cast<char>(v >> 8);
    return s;
  };
  struct Case {
    const char* what;
    std::string file;
  };
  const std::vector<Case> cases = {
      {"empty file", ""},
      {"no BM", "BA" + good.substr(2)},
      {"header size 108", with32(14, 108)},
      {"header size 124", with32(14, 124)},
      {"2 bits a pixel", with16(28, 2)},
      {"0 bits a pixel", with16(28, 0)},
      {"64 bits a pixel", with16(28, 64)},
      {"width 0", with32(18, 0)},
      {"height 0", with32(22, 0)},
      {"negative width", with32(18, 0xFFFFFFFE)},
      {"height -2^31", with32(22, 0x80000000)},
      {"width x height x 4 beyond 2^31", with32(18, 0x7FFFFFFF)},
      {"16384 x 16384 without the rows", [&] {
         std::string s = with32(18, 16384);
         Set32(s, 22, 16384);
         return s;
       }()},
      {"data offset inside the header", with32(10, 20)},
      {"data offset far beyond the end", with32(10, 0xFFFFFFFF)},
      {"run-length encoded", with32(30, 1)},
      {"cut inside the header", good.substr(0, 40)},
      {"last byte missing", good.substr(0, good.size() - 1)},
      {"12-byte header, rows missing", Bmp(12, 300, 300, 8, "", "")},
  };
  for (const Case& c : cases) {
    ImageBuffer image;
    ASSERT_TRUE(ImageBufferResize(image, 4, 4));
    image.flag = 0;
    EXPECT_FALSE(Load(c.file, image)) << c.what;
    EXPECT_EQ(image.flag, 1) << c.what;
    EXPECT_EQ(image.width, 0) << c.what;
    EXPECT_EQ(image.pixels, nullptr) << c.what;
  }
  ImageBuffer image;
  EXPECT_FALSE(ImageLoadBmp(image, "", -1));
  EXPECT_FALSE(ImageLoadBmp(image, nullptr, -1));
  EXPECT_FALSE(ImageLoadBmp(image, dir_.File("missing.bmp").c_str(), -1));
  // The unchanged file is good.
  EXPECT_TRUE(Load(good, image));
  ImageBufferRelease(image);
}

// The suite's bitmaps all carry 124-byte headers, which are not read.
TEST_F(BmpImageTest, RefusesLongHeaderFilesFromTheSuite) {
  VNL_SKIP_WITHOUT_TEST_DATA("pngsuite/bmp");
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(VNL_TESTDATA_DIR "/pngsuite/bmp")) {
    ImageBuffer image;
    EXPECT_FALSE(ImageLoadBmp(image, entry.path().c_str(), -1)) << entry.path();
    EXPECT_EQ(image.pixels, nullptr);
    ++count;
  }
  EXPECT_GT(count, 100);
}

TEST_F(BmpImageTest, WriterRefusals) {
  const uint8_t pixel[4] = {1, 2, 3, 255};
  const std::string file = dir_.File("keep.bmp");
  ASSERT_TRUE(BmpWriteFile(file.c_str(), pixel, 1, 1));
  const std::string before = ReadFileBytes(file);
  std::string block(64, '\0');
  const std::string memoryName = MemoryFilePublish(block.data(), 64);
  EXPECT_FALSE(BmpWriteFile(memoryName.c_str(), pixel, 1, 1));
  MemoryFileWithdraw(block.data());
  EXPECT_EQ(block, std::string(64, '\0'));
  EXPECT_FALSE(BmpWriteFile(file.c_str(), nullptr, 1, 1));
  EXPECT_FALSE(BmpWriteFile(file.c_str(), pixel, -1, 1));
  EXPECT_FALSE(BmpWriteFile(dir_.File("no/such/folder.bmp").c_str(), pixel, 1, 1));
  EXPECT_FALSE(BmpWriteFile("", pixel, 1, 1));
  EXPECT_EQ(ReadFileBytes(file), before);
}

}  // namespace
