#include "gfx2d/jpeg_image.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "files/memory_file.h"
#include "tests/support/memory_peak.h"
#include "tests/support/image_checks.h"
#include "tests/support/jpeg_writer.h"
#include "tests/support/test_env.h"

namespace {

struct Colour {
  uint8_t r, g, b;
};

// Pixels in the writer's input order B, G, R, x, filled by a colour rule.
template <typename ColourAt>
std::vector<uint8_t> BgrxPicture(int32_t width, int32_t height, ColourAt colourAt) {
  std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      const Colour c = colourAt(x, y);
      uint8_t* p = &pixels[(static_cast<size_t>(y) * width + x) * 4];
      p[0] = c.b;
      p[1] = c.g;
      p[2] = c.r;
      p[3] = 17;  // ignored by the writer
    }
  }
  return pixels;
}

void ExpectNear(const ImageBuffer& image, int32_t x, int32_t y, const uint8_t (&rgba)[4], int tolerance) {
  const uint8_t* p = image.pixels + (static_cast<size_t>(y) * image.width + x) * 4;
  for (int i = 0; i < 4; ++i) EXPECT_NEAR(p[i], rgba[i], tolerance) << "byte " << i << " at " << x << "," << y;
}

// A valid 64 x 48 JPEG written by the writer under test.
std::string SampleJpeg(const ScratchDir& dir) {
  const std::vector<uint8_t> pixels = BgrxPicture(64, 48, [](int32_t x, int32_t y) {
    return Colour{static_cast<uint8_t>(x * 4), static_cast<uint8_t>(y * 5), 90};
  });
  const std::string name = dir.File("sample.jpg");
  EXPECT_TRUE(JpegWriteFile(name.c_str(), pixels.data(), 64, 48));
  return ReadFileBytes(name);
}

TEST(JpegImageTest, WrittenQuadrantsReadBackInPlaceAndOpaque) {
  const Colour quadrants[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
  const std::vector<uint8_t> pixels = BgrxPicture(64, 48, [&](int32_t x, int32_t y) {
    return quadrants[(x >= 32 ? 1 : 0) + (y >= 24 ? 2 : 0)];
  });
  ScratchDir dir;
  const std::string name = dir.File("quadrants.jpg");
  ASSERT_TRUE(JpegWriteFile(name.c_str(), pixels.data(), 64, 48));
  ImageBuffer image;
  ASSERT_TRUE(ImageLoadJpeg(image, name.c_str()));
  EXPECT_EQ(image.width, 64);
  EXPECT_EQ(image.height, 48);
  EXPECT_EQ(image.flag, 0);
  ExpectNear(image, 16, 12, {255, 0, 0, 255}, 6);
  ExpectNear(image, 48, 12, {0, 255, 0, 255}, 6);
  ExpectNear(image, 16, 36, {0, 0, 255, 255}, 6);
  ExpectNear(image, 48, 36, {255, 255, 255, 255}, 6);
  ImageBufferRelease(image);
}

TEST(JpegImageTest, OddSizesKeepTheirSize) {
  const int32_t sizes[][2] = {{1, 1}, {17, 9}, {3, 100}, {1000, 1}};
  ScratchDir dir;
  const std::string name = dir.File("odd.jpg");
  for (const auto& size : sizes) {
    SCOPED_TRACE(size[0]);
    const std::vector<uint8_t> pixels = BgrxPicture(size[0], size[1], [](int32_t, int32_t) {
      return Colour{200, 120, 40};
    });
    ASSERT_TRUE(JpegWriteFile(name.c_str(), pixels.data(), size[0], size[1]));
    ImageBuffer image = UsedImageBuffer();
    ASSERT_TRUE(ImageLoadJpeg(image, name.c_str()));
    EXPECT_EQ(image.width, size[0]);
    EXPECT_EQ(image.height, size[1]);
    ExpectNear(image, size[0] - 1, size[1] - 1, {200, 120, 40, 255}, 6);
    ImageBufferRelease(image);
  }
}

// CMYK and YCCK files hold Adobe's inverted CMYK (255 is no ink): each
// colour is its byte times the K byte, / 255, and the picture is opaque.
TEST(JpegImageTest, ComponentCountsDecideTheLayoutAndTheFlag) {
  const struct {
    const char* what;
    J_COLOR_SPACE space;
    std::vector<uint8_t> sample;
    J_COLOR_SPACE stored;
    bool loads;
    uint8_t rgba[4];
  } cases[] = {
      {"grey", JCS_GRAYSCALE, {100}, JCS_UNKNOWN, true, {100, 100, 100, 255}},
      {"rgb", JCS_RGB, {10, 200, 60}, JCS_UNKNOWN, true, {10, 200, 60, 255}},
      {"cmyk", JCS_CMYK, {10, 200, 60, 250}, JCS_UNKNOWN, true, {10, 196, 59, 255}},
      {"cmyk without ink", JCS_CMYK, {255, 255, 255, 255}, JCS_UNKNOWN, true, {255, 255, 255, 255}},
      {"cmyk, cyan ink only", JCS_CMYK, {0, 255, 255, 255}, JCS_UNKNOWN, true, {0, 255, 255, 255}},
      {"cmyk, black ink only", JCS_CMYK, {255, 255, 255, 0}, JCS_UNKNOWN, true, {0, 0, 0, 255}},
      {"ycck", JCS_CMYK, {255, 40, 200, 128}, JCS_YCCK, true, {128, 20, 100, 255}},
      {"two components", JCS_UNKNOWN, {10, 200}, JCS_UNKNOWN, false, {}},
  };
  ScratchDir dir;
  ScopedEnv tmp("TMPDIR", dir.path());
  const std::string name = dir.File("components.jpg");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const int components = static_cast<int>(c.sample.size());
    ASSERT_TRUE(WriteFlatJpeg(name, c.space, c.sample, 24, 16, c.stored));

    int32_t width = 0, height = 0, count = 0;
    uint8_t* decoded = nullptr;
    ASSERT_TRUE(JpegReadFile(name.c_str(), &width, &height, &count, &decoded));
    EXPECT_EQ(width, 24);
    EXPECT_EQ(height, 16);
    EXPECT_EQ(count, components);
    for (int i = 0; i < components; ++i) EXPECT_NEAR(decoded[(24 * 16 - 1) * components + i], c.sample[i], 3);
    std::free(decoded);

    ImageBuffer image = UsedImageBuffer();
    ASSERT_EQ(ImageLoadJpeg(image, name.c_str()), c.loads);
    if (c.loads) {
      EXPECT_EQ(image.flag, 0);
      ExpectNear(image, 23, 15, c.rgba, 3);
    } else {
      ExpectEmptyImage(image);
    }
    ImageBufferRelease(image);
  }
  EXPECT_EQ(ReadFileBytes(dir.File("ErrorLog.txt")), "JPEG: Channels: 2 not supported!\n");
}

TEST(JpegImageTest, TruncatedFilesAreRefused) {
  ScratchDir dir;
  const std::string bytes = SampleJpeg(dir);
  ASSERT_GT(bytes.size(), 600u);
  const size_t cuts[] = {0, 2, 20, 200, bytes.size() / 2, bytes.size() - 2, bytes.size() - 1};
  const std::string name = dir.File("cut.jpg");
  for (size_t cut : cuts) {
    SCOPED_TRACE(cut);
    WriteFileBytes(name, bytes.substr(0, cut));
    ImageBuffer image = UsedImageBuffer();
    EXPECT_FALSE(ImageLoadJpeg(image, name.c_str()));
    ExpectEmptyImage(image);
    int32_t width = 1, height = 1, components = 1;
    uint8_t* decoded = reinterpret_cast<uint8_t*>(&width);
    EXPECT_FALSE(JpegReadFile(name.c_str(), &width, &height, &components, &decoded));
    EXPECT_EQ(decoded, nullptr);
    EXPECT_EQ(width, 0);
  }
}

// Offset of the start-of-frame marker's height field.
size_t FrameSizeAt(const std::string& jpeg) {
  const size_t marker = jpeg.find("\xff\xc0");
  EXPECT_NE(marker, std::string::npos);
  return marker + 5;
}

TEST(JpegImageTest, DamagedHeadersAreRefused) {
  ScratchDir dir;
  const std::string bytes = SampleJpeg(dir);
  const size_t frame = FrameSizeAt(bytes);
  struct Case {
    const char* what;
    std::string bytes;
  };
  std::vector<Case> cases = {
      {"no JPEG at all", "plain text that is no picture"},
      {"start marker gone", "\x00\x00" + bytes.substr(2)},
      {"zero height", bytes.substr(0, frame) + std::string("\x00\x00", 2) + bytes.substr(frame + 2)},
      // 65000 x 65000 passes the library's limits but not the 2^31 bytes.
      {"huge", bytes.substr(0, frame) + "\xfd\xe8\xfd\xe8" + bytes.substr(frame + 4)},
      {"frame cut off", bytes.substr(0, frame + 2)},
  };
  const std::string name = dir.File("damaged.jpg");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteFileBytes(name, c.bytes);
    ImageBuffer image = UsedImageBuffer();
    EXPECT_FALSE(ImageLoadJpeg(image, name.c_str()));
    ExpectEmptyImage(image);
  }
}

// A frame header may claim far more pixels than the file's bytes can
// code, or sides no texture has: refused before the pixels are allocated.
// A flat picture, as tightly coded as the writer does it, still reads.
TEST(JpegImageTest, RefusesPicturesTheFileCannotCode) {
  ScratchDir dir;
  const std::string bytes = SampleJpeg(dir);
  const size_t frame = FrameSizeAt(bytes);
  auto withSize = [&](int height, int width) {
    const char size[4] = {static_cast<char>(height >> 8), static_cast<char>(height & 255),
                          static_cast<char>(width >> 8), static_cast<char>(width & 255)};
    return bytes.substr(0, frame) + std::string(size, 4) + bytes.substr(frame + 4);
  };
  const struct {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"16384 wide and 16385 high", withSize(16385, 16384)},
      {"4000 x 4000 from a small file", withSize(4000, 4000)},
      {"one row wider than a texture", withSize(1, 16385)},
  };
  const std::string name = dir.File("claims.jpg");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    WriteFileBytes(name, c.bytes);
    ImageBuffer image = UsedImageBuffer();
    bool loaded = true;
    const int64_t growth = PeakVirtualGrowth([&] { loaded = ImageLoadJpeg(image, name.c_str()); });
    EXPECT_FALSE(loaded);
    EXPECT_LT(growth, int64_t{256} << 20);
    ExpectEmptyImage(image);
  }
  const std::vector<uint8_t> flat = BgrxPicture(1024, 1024, [](int32_t, int32_t) { return Colour{90, 90, 90}; });
  ASSERT_TRUE(JpegWriteFile(name.c_str(), flat.data(), 1024, 1024));
  ImageBuffer image;
  EXPECT_TRUE(ImageLoadJpeg(image, name.c_str())) << ReadFileBytes(name).size() << " bytes";
  EXPECT_EQ(image.width, 1024);
  ImageBufferRelease(image);
}

// Data that the decoder reports as corrupt or missing, where it would go
// on with the blocks filled in, is refused. A warning about the file's
// labels alone is not.
TEST(JpegImageTest, RefusesDataTheDecoderWarnsAbout) {
  ScratchDir dir;
  const std::string bytes = SampleJpeg(dir);
  const size_t frame = FrameSizeAt(bytes);
  const size_t scan = bytes.find("\xff\xda");
  ASSERT_NE(scan, std::string::npos);
  const std::string end = "\xff\xd9";
  const struct {
    const char* what;
    std::string bytes;
  } refused[] = {
      {"the scan cut in half, then the end marker",
       bytes.substr(0, scan + (bytes.size() - scan) / 2) + end},
      {"stray bytes before the scan", bytes.substr(0, scan) + "\x12\x34\x56" + bytes.substr(scan)},
      {"a frame wider than its scan", bytes.substr(0, frame + 2) + "\x02\x00" + bytes.substr(frame + 4)},
  };
  const std::string name = dir.File("warned.jpg");
  for (const auto& c : refused) {
    SCOPED_TRACE(c.what);
    WriteFileBytes(name, c.bytes);
    ImageBuffer image = UsedImageBuffer();
    EXPECT_FALSE(ImageLoadJpeg(image, name.c_str()));
    ExpectEmptyImage(image);
  }
  // The JFIF label's major version is 1 at offset 11; version 2 draws a
  // warning about the label, and the picture is whole.
  ASSERT_EQ(bytes.substr(6, 5), std::string("JFIF\0", 5));
  std::string relabelled = bytes;
  relabelled[11] = 2;
  WriteFileBytes(name, relabelled);
  ImageBuffer image;
  EXPECT_TRUE(ImageLoadJpeg(image, name.c_str()));
  EXPECT_EQ(image.width, 64);
  ImageBufferRelease(image);
}

TEST(JpegImageTest, DamagedBytesNeverGiveAWrongSizedPicture) {
  ScratchDir dir;
  const std::string bytes = SampleJpeg(dir);
  const std::string name = dir.File("damaged.jpg");
  // Entropy-coded data may decode to other colours; the result is either
  // refused or a whole picture of the size the file states.
  for (size_t at = 0; at < bytes.size(); at += 7) {
    std::string damaged = bytes;
    damaged[at] = static_cast<char>(damaged[at] ^ 0x5a);
    WriteFileBytes(name, damaged);
    ImageBuffer image;
    if (ImageLoadJpeg(image, name.c_str())) {
      EXPECT_GT(image.width, 0) << at;
      EXPECT_GT(image.height, 0) << at;
      if (at > FrameSizeAt(bytes) + 4) {
        EXPECT_EQ(image.width, 64) << at;
        EXPECT_EQ(image.height, 48) << at;
      }
    }
    ImageBufferRelease(image);
  }
}

TEST(JpegImageTest, OnlyDiskFilesAreRead) {
  ScratchDir dir;
  const std::string bytes = SampleJpeg(dir);
  const std::string name = MemoryFilePublish(bytes.data(), static_cast<uint32_t>(bytes.size()));
  const std::string names[] = {name, "", dir.File("missing.jpg"), dir.path()};
  for (const std::string& n : names) {
    SCOPED_TRACE(n);
    ImageBuffer image = UsedImageBuffer();
    EXPECT_FALSE(ImageLoadJpeg(image, n.c_str()));
    ExpectEmptyImage(image);
  }
  MemoryFileWithdraw(bytes.data());
}

TEST(JpegImageTest, RefusedWritesLeaveTheOldFile) { ExpectRefusedWritesKeepTheOldFile(JpegWriteFile, 70000); }

}  // namespace
