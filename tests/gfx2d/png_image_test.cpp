#include "gfx2d/png_image.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "files/memory_file.h"
#include "tests/support/memory_peak.h"
#include "tests/support/image_checks.h"
#include "tests/support/test_data.h"
#include "tests/support/test_env.h"

namespace {

const std::string kSuite = std::string(VNL_TESTDATA_DIR) + "/pngsuite/png/";

using Rgba = std::array<uint8_t, 4>;

Rgba PixelAt(const ImageBuffer& image, int32_t x, int32_t y) {
  const uint8_t* p = image.pixels + (static_cast<size_t>(y) * image.width + x) * 4;
  return {p[0], p[1], p[2], p[3]};
}

std::vector<uint8_t> Pixels(const ImageBuffer& image) {
  return std::vector<uint8_t>(image.pixels, image.pixels + static_cast<size_t>(image.width) * image.height * 4);
}

void Put32(std::string& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>(v >> shift);
}

std::string Chunk(const char* type, const std::string& body) {
  std::string chunk;
  Put32(chunk, static_cast<uint32_t>(body.size()));
  const std::string typed = type + body;
  chunk += typed;
  Put32(chunk, static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(typed.data()), typed.size())));
  return chunk;
}

// A non-interlaced 8-bit PNG; rows are the unfiltered sample bytes.
std::string MakePng(uint32_t width, uint32_t height, uint8_t colorType, const std::vector<std::string>& rows,
                    const std::string& palette = "") {
  std::string header;
  Put32(header, width);
  Put32(header, height);
  header += std::string{8, static_cast<char>(colorType), 0, 0, 0};
  std::string raw;
  for (const std::string& row : rows) raw += '\0' + row;
  uLongf packedSize = compressBound(raw.size());
  std::string packed(packedSize, '\0');
  compress(reinterpret_cast<Bytef*>(packed.data()), &packedSize, reinterpret_cast<const Bytef*>(raw.data()),
           raw.size());
  packed.resize(packedSize);
  std::string png = "\x89PNG\r\n\x1a\n";
  png += Chunk("IHDR", header);
  if (!palette.empty()) png += Chunk("PLTE", palette);
  return png + Chunk("IDAT", packed) + Chunk("IEND", "");
}

// What the reader gives for a suite file, by the suite's naming scheme:
// x* files are corrupt; grey pictures with alpha (colour type 4, or grey
// with a tRNS chunk) are a layout the reader refuses; s<NN> pictures are
// NN x NN, three others have their own sizes, all the rest 32 x 32.
struct SuiteExpectation {
  bool decodes;
  int32_t width;
  int32_t height;
};

SuiteExpectation Expect(const std::string& name) {
  if (name[0] == 'x') return {false, 0, 0};
  if (name.compare(4, 2, "4a") == 0 || name == "tbbn0g04.png" || name == "tbwn0g16.png") return {false, 0, 0};
  if (name[0] == 's') {
    const int32_t side = std::stoi(name.substr(1, 2));
    return {true, side, side};
  }
  if (name == "cdfn2c08.png") return {true, 8, 32};
  if (name == "cdhn2c08.png") return {true, 32, 8};
  if (name == "cdsn2c08.png") return {true, 8, 8};
  return {true, 32, 32};
}

std::vector<std::string> SuiteNames() {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(kSuite)) {
    if (entry.path().extension() == ".png") names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

TEST(PngSuiteTest, EveryFileDecodesToItsSizeOrIsRefused) {
  VNL_SKIP_WITHOUT_TEST_DATA("pngsuite/png");
  const std::vector<std::string> names = SuiteNames();
  ASSERT_EQ(names.size(), 175u) << kSuite;
  int decoded = 0;
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    const SuiteExpectation expected = Expect(name);
    ImageBuffer image = UsedImageBuffer();
    ASSERT_EQ(ImageLoadPng(image, (kSuite + name).c_str(), -1), expected.decodes);
    if (expected.decodes) {
      ++decoded;
      EXPECT_EQ(image.width, expected.width);
      EXPECT_EQ(image.height, expected.height);
    } else {
      ExpectEmptyImage(image);
    }
    ImageBufferRelease(image);
  }
  EXPECT_EQ(decoded, 151);
}

struct PixelCase {
  const char* file;
  struct {
    int32_t x, y;
    Rgba rgba;
  } pixels[3];
};

// Each row: grey of 1, 2, 4 and 16 bits, 16-bit RGB (high bytes kept),
// palettes of 1 to 8 bits, RGBA of 8 and 16 bits, tRNS on RGB, palette and
// 16-bit RGB pictures, a palette with several alpha levels, an odd size.
const PixelCase kPixelCases[] = {
    {"basn0g01", {{0, 0, {255, 255, 255, 255}}, {15, 16, {0, 0, 0, 255}}, {31, 31, {0, 0, 0, 255}}}},
    {"basn0g02", {{0, 0, {0, 0, 0, 255}}, {4, 16, {85, 85, 85, 255}}, {31, 31, {170, 170, 170, 255}}}},
    {"basn0g04", {{0, 0, {0, 0, 0, 255}}, {0, 16, {68, 68, 68, 255}}, {31, 31, {238, 238, 238, 255}}}},
    {"basn0g16", {{0, 0, {0, 0, 0, 255}}, {0, 16, {32, 32, 32, 255}}, {31, 31, {0, 0, 0, 255}}}},
    {"basn2c16", {{0, 0, {255, 255, 0, 255}}, {0, 16, {255, 123, 0, 255}}, {31, 31, {0, 0, 255, 255}}}},
    {"basn3p01", {{0, 0, {238, 255, 34, 255}}, {4, 16, {34, 102, 255, 255}}, {31, 31, {238, 255, 34, 255}}}},
    {"basn3p02", {{0, 0, {0, 0, 255, 255}}, {4, 16, {255, 0, 0, 255}}, {31, 31, {0, 0, 255, 255}}}},
    {"basn3p04", {{0, 0, {255, 0, 0, 255}}, {0, 16, {119, 255, 0, 255}}, {31, 31, {255, 0, 187, 255}}}},
    {"basn3p08", {{0, 0, {1, 0, 0, 255}}, {0, 16, {255, 1, 1, 255}}, {31, 31, {255, 254, 255, 255}}}},
    {"basn6a08", {{0, 0, {255, 0, 8, 0}}, {31, 16, {4, 255, 0, 255}}, {1, 16, {4, 255, 0, 8}}}},
    {"basn6a16", {{0, 0, {255, 255, 0, 0}}, {0, 16, {255, 123, 0, 0}}, {1, 16, {255, 123, 0, 16}}}},
    {"tbrn2c08", {{0, 0, {255, 255, 255, 0}}, {3, 16, {199, 199, 199, 255}}, {31, 31, {255, 255, 255, 0}}}},
    {"tbbn3p08", {{0, 0, {255, 255, 255, 0}}, {3, 16, {198, 198, 198, 255}}, {31, 31, {255, 255, 255, 0}}}},
    {"tbbn2c16", {{0, 0, {255, 255, 255, 0}}, {3, 16, {199, 199, 199, 255}}, {31, 31, {255, 255, 255, 0}}}},
    {"tm3n3p02", {{0, 0, {0, 0, 255, 0}}, {16, 16, {0, 0, 255, 255}}, {0, 16, {0, 0, 255, 170}}}},
    {"s35n3p04", {{0, 0, {0, 0, 0, 255}}, {0, 17, {0, 255, 119, 255}}, {34, 34, {255, 0, 255, 255}}}},
};

TEST(PngSuiteTest, ChosenPixelsAreExact) {
  VNL_SKIP_WITHOUT_TEST_DATA("pngsuite/png");
  for (const PixelCase& c : kPixelCases) {
    SCOPED_TRACE(c.file);
    ImageBuffer image;
    ASSERT_TRUE(ImageLoadPng(image, (kSuite + c.file + ".png").c_str(), -1));
    for (const auto& p : c.pixels) EXPECT_EQ(PixelAt(image, p.x, p.y), p.rgba) << p.x << "," << p.y;
    ImageBufferRelease(image);
  }
}

TEST(PngSuiteTest, InterlacedPicturesMatchTheirTwins) {
  VNL_SKIP_WITHOUT_TEST_DATA("pngsuite/png");
  int pairs = 0;
  for (const std::string& name : SuiteNames()) {
    std::string twin = name;
    if (name[3] != 'i' || !Expect(name).decodes) continue;
    twin[3] = 'n';
    if (!FileExists(kSuite + twin)) continue;
    SCOPED_TRACE(name);
    ImageBuffer interlaced;
    ImageBuffer plain;
    ASSERT_TRUE(ImageLoadPng(interlaced, (kSuite + name).c_str(), -1));
    ASSERT_TRUE(ImageLoadPng(plain, (kSuite + twin).c_str(), -1));
    EXPECT_EQ(Pixels(interlaced), Pixels(plain));
    ImageBufferRelease(interlaced);
    ImageBufferRelease(plain);
    ++pairs;
  }
  EXPECT_EQ(pairs, 31);
}

// Pictures of two pixels: the key colour RGB(255, 0, 128) and another.
struct KeyCase {
  const char* what;
  uint8_t colorType;
  std::string row;
  std::string palette;
  int32_t key;
  Rgba first;
  Rgba second;
};

TEST(PngImageTest, ColourKeyAppliesToRgbAndPalettePicturesOnly) {
  const int32_t key = 0x008000FF;
  const std::string rgb("\xff\x00\x80\xff\x00\x7f", 6);
  const KeyCase cases[] = {
      {"rgb", 2, rgb, "", key, {0, 0, 0, 0}, {255, 0, 127, 255}},
      {"rgb, no key", 2, rgb, "", -1, {255, 0, 128, 255}, {255, 0, 127, 255}},
      {"palette", 3, std::string("\x00\x01", 2), rgb, key, {0, 0, 0, 0}, {255, 0, 127, 255}},
      {"rgba", 6, std::string("\xff\x00\x80\xff\xff\x00\x80\x07", 8), "", key, {255, 0, 128, 255}, {255, 0, 128, 7}},
      {"grey", 0, std::string("\x80\x00", 2), "", 0x808080, {128, 128, 128, 255}, {0, 0, 0, 255}},
  };
  ScratchDir dir;
  for (const KeyCase& c : cases) {
    SCOPED_TRACE(c.what);
    WriteFileBytes(dir.File("key.png"), MakePng(2, 1, c.colorType, {c.row}, c.palette));
    ImageBuffer image;
    ASSERT_TRUE(ImageLoadPng(image, dir.File("key.png").c_str(), c.key));
    EXPECT_EQ(PixelAt(image, 0, 0), c.first);
    EXPECT_EQ(PixelAt(image, 1, 0), c.second);
    ImageBufferRelease(image);
  }
}

TEST(PngImageTest, FlagIsClearedForGreyAndRgbOnlyWhenTheBufferHadRoom) {
  VNL_SKIP_WITHOUT_TEST_DATA("pngsuite/png");
  const struct {
    const char* file;
    uint8_t flagAfterUsedBuffer;
  } cases[] = {{"basn0g08", 0}, {"basn2c08", 0}, {"basn3p08", 0}, {"tbbn3p08", 1}, {"basn6a08", 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string name = kSuite + c.file + ".png";
    ImageBuffer fresh;
    ASSERT_TRUE(ImageLoadPng(fresh, name.c_str(), -1));
    EXPECT_EQ(fresh.flag, 1);  // new storage marks the buffer
    ImageBuffer used = UsedImageBuffer();
    ASSERT_TRUE(ImageLoadPng(used, name.c_str(), -1));
    EXPECT_EQ(used.flag, c.flagAfterUsedBuffer);
    EXPECT_EQ(Pixels(used), Pixels(fresh));
    ImageBufferRelease(fresh);
    ImageBufferRelease(used);
  }
}

class PublishedBytes {
 public:
  explicit PublishedBytes(const std::string& bytes) : bytes_(bytes) {
    name_ = MemoryFilePublish(bytes_.data(), static_cast<uint32_t>(bytes_.size()));
  }
  ~PublishedBytes() { MemoryFileWithdraw(bytes_.data()); }
  const std::string& name() const { return name_; }

 private:
  std::string bytes_;
  std::string name_;
};

TEST(PngImageTest, MemoryFileNamesReadLikeDiskFiles) {
  VNL_SKIP_WITHOUT_TEST_DATA("pngsuite/png");
  const std::string file = kSuite + "basn6a08.png";
  const std::string bytes = ReadFileBytes(file);
  ImageBuffer fromDisk;
  ASSERT_TRUE(ImageLoadPng(fromDisk, file.c_str(), -1));
  ImageBuffer fromMemory;
  {
    PublishedBytes block(bytes);
    ASSERT_TRUE(ImageLoadPng(fromMemory, block.name().c_str(), -1));
    EXPECT_EQ(Pixels(fromMemory), Pixels(fromDisk));
  }
  // The view of a block cut short ends inside the picture data.
  PublishedBytes cut(bytes.substr(0, bytes.size() / 2));
  EXPECT_FALSE(ImageLoadPng(fromMemory, cut.name().c_str(), -1));
  ExpectEmptyImage(fromMemory);
  ImageBufferRelease(fromDisk);
}

TEST(PngImageTest, NamesThatHoldNoPngAreRefused) {
  ScratchDir dir;
  WriteFileBytes(dir.File("text.png"), "just some text, not a picture");
  WriteFileBytes(dir.File("empty.png"), "");
  WriteFileBytes(dir.File("bm.png"), std::string("BM\x36\0\0\0", 6) + std::string(48, '\0'));
  const std::string names[] = {"", dir.File("missing.png"), dir.path(), dir.File("text.png"), dir.File("empty.png"),
                               dir.File("bm.png"), "mem://       4.00000000deadbeef"};
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    ImageBuffer image = UsedImageBuffer();
    EXPECT_FALSE(ImageLoadPng(image, name.c_str(), -1));
    ExpectEmptyImage(image);
  }
}

TEST(PngImageTest, TruncatedFilesAreRefused) {
  VNL_SKIP_WITHOUT_TEST_DATA("pngsuite/png");
  const std::string bytes = ReadFileBytes(kSuite + "basn2c08.png");
  const size_t idatEnd = bytes.find("IEND") - 4 - 4;  // the CRC and length before IEND
  ASSERT_GT(idatEnd, 100u);
  const size_t cuts[] = {4, 8, 20, 33, 50, bytes.size() / 2, idatEnd - 4, idatEnd - 1};
  ScratchDir dir;
  for (size_t cut : cuts) {
    SCOPED_TRACE(cut);
    WriteFileBytes(dir.File("cut.png"), bytes.substr(0, cut));
    ImageBuffer image = UsedImageBuffer();
    EXPECT_FALSE(ImageLoadPng(image, dir.File("cut.png").c_str(), -1));
    ExpectEmptyImage(image);
  }
}

TEST(PngImageTest, DamagedBytesNeverGiveAWrongSizedPicture) {
  VNL_SKIP_WITHOUT_TEST_DATA("pngsuite/png");
  const std::string bytes = ReadFileBytes(kSuite + "basn3p02.png");
  int refused = 0;
  for (size_t at = 0; at < bytes.size(); ++at) {
    for (uint8_t mask : {0x01, 0x80, 0xff}) {
      std::string damaged = bytes;
      damaged[at] = static_cast<char>(damaged[at] ^ mask);
      PublishedBytes block(damaged);
      ImageBuffer image;
      if (ImageLoadPng(image, block.name().c_str(), -1)) {
        EXPECT_EQ(image.width, 32) << at;
        EXPECT_EQ(image.height, 32) << at;
      } else {
        ++refused;
      }
      ImageBufferRelease(image);
    }
  }
  // The chunk checksums catch nearly every change.
  EXPECT_GT(refused, static_cast<int>(bytes.size()) * 2);
}

TEST(PngImageTest, PicturesBeyondTwoGigabytesAreRefusedBeforeAllocating) {
  // 40000 x 40000 RGBA would be 6.4e9 bytes; the rows are never there.
  const std::string png = MakePng(40000, 40000, 6, {std::string(16, '\0')});
  ScratchDir dir;
  WriteFileBytes(dir.File("huge.png"), png);
  ImageBuffer image;
  EXPECT_FALSE(ImageLoadPng(image, dir.File("huge.png").c_str(), -1));
  ExpectEmptyImage(image);
}

// Sides no texture has, rows the file's bytes cannot inflate to, and
// chunks longer than the file are refused before anything is allocated
// for them; from memory as from disk. A flat picture, packed as tightly as
// deflate packs, still reads.
TEST(PngImageTest, RefusesWhatTheFileCannotHold) {
  auto withText = [](uint32_t claimed) {
    std::string png = MakePng(1, 1, 0, {std::string(1, '\x40')});
    std::string text;
    Put32(text, claimed);
    text += "tEXtComment";
    png.insert(33, text + "\0a short text");  // behind the header chunk
    return png;
  };
  const struct {
    const char* what;
    std::string png;
  } cases[] = {
      {"a text chunk that claims 1,989,042,918 bytes", withText(1989042918u)},
      {"a text chunk that claims 100,000 bytes", withText(100000u)},
      {"16384 x 20000 from 70 bytes", MakePng(16384, 20000, 0, {std::string(16, '\0')})},
      {"16384 x 16384 RGBA from 70 bytes", MakePng(16384, 16384, 6, {std::string(16, '\0')})},
      {"one row wider than a texture", MakePng(16385, 1, 0, {std::string(16385, '\0')})},
  };
  ScratchDir dir;
  const std::string file = dir.File("claims.png");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    WriteFileBytes(file, c.png);
    ImageBuffer image = UsedImageBuffer();
    const std::string name = MemoryFilePublish(c.png.data(), static_cast<uint32_t>(c.png.size()));
    bool fromDisk = true;
    bool fromMemory = true;
    const int64_t growth = PeakVirtualGrowth([&] {
      fromDisk = ImageLoadPng(image, file.c_str(), -1);
      fromMemory = ImageLoadPng(image, name.c_str(), -1);
    });
    EXPECT_FALSE(fromDisk);
    EXPECT_FALSE(fromMemory);
    EXPECT_LT(growth, int64_t{256} << 20);
    MemoryFileWithdraw(c.png.data());
    ExpectEmptyImage(image);
  }
  const std::string flat = MakePng(4096, 4096, 0, std::vector<std::string>(4096, std::string(4096, '\x80')));
  ASSERT_LT(flat.size(), 40000u);
  WriteFileBytes(file, flat);
  ImageBuffer image;
  EXPECT_TRUE(ImageLoadPng(image, file.c_str(), -1));
  EXPECT_EQ(image.width, 4096);
  ImageBufferRelease(image);
}

// A picture whose every byte differs from its neighbours, alpha included.
std::vector<uint8_t> Pattern(int32_t width, int32_t height) {
  std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i * 37 + i / 4);
  return pixels;
}

TEST(PngWriteTest, WrittenPicturesReadBackByteForByte) {
  ScratchDir dir;
  const std::string name = dir.File("out.png");
  WriteFileBytes(name, "an older file");
  for (const auto& [width, height] : {std::pair{7, 5}, std::pair{1, 1}, std::pair{300, 2}}) {
    SCOPED_TRACE(width);
    const std::vector<uint8_t> pixels = Pattern(width, height);
    ASSERT_TRUE(PngWriteFile(name.c_str(), pixels.data(), width, height));
    ImageBuffer image;
    ASSERT_TRUE(ImageLoadPng(image, name.c_str(), 0x008000FF));
    EXPECT_EQ(image.width, width);
    EXPECT_EQ(image.height, height);
    EXPECT_EQ(Pixels(image), pixels);
    ImageBufferRelease(image);
  }
}

TEST(PngWriteTest, RefusedWritesLeaveTheOldFile) { ExpectRefusedWritesKeepTheOldFile(PngWriteFile, 1000001); }

TEST(PngWriteTest, AnEmptyDirectoryOfTheNameGivesWay) {
  ScratchDir dir;
  const std::vector<uint8_t> pixels = Pattern(2, 2);
  const std::string empty = dir.File("empty.png");
  ASSERT_EQ(mkdir(empty.c_str(), 0755), 0);
  EXPECT_TRUE(PngWriteFile(empty.c_str(), pixels.data(), 2, 2));
  EXPECT_TRUE(std::filesystem::is_regular_file(empty));

  const std::string full = dir.File("full.png");
  ASSERT_EQ(mkdir(full.c_str(), 0755), 0);
  WriteFileBytes(full + "/inside", "x");
  EXPECT_FALSE(PngWriteFile(full.c_str(), pixels.data(), 2, 2));
  EXPECT_EQ(ReadFileBytes(full + "/inside"), "x");
}

}  // namespace
