#include "tests/support/image_checks.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/test_env.h"

ImageBuffer UsedImageBuffer() {
  ImageBuffer image;
  EXPECT_TRUE(ImageBufferResize(image, 64, 64));
  std::memset(image.pixels, 0x5a, image.capacity);
  return image;
}

void ExpectEmptyImage(const ImageBuffer& image) {
  EXPECT_EQ(image.width, 0);
  EXPECT_EQ(image.height, 0);
  EXPECT_EQ(image.pixels, nullptr);
  EXPECT_EQ(image.flag, 1);
}

void ExpectRefusedWritesKeepTheOldFile(ImageFileWriter writer, int32_t tooWide) {
  ScratchDir dir;
  const std::string name = dir.File("keep");
  const std::vector<uint8_t> pixels(static_cast<size_t>(tooWide) * 4);
  const struct {
    const char* what;
    std::string name;
    const uint8_t* pixels;
    int32_t width;
    int32_t height;
  } cases[] = {
      {"memory name", "mem://       4.00000000deadbeef", pixels.data(), 1, 1},
      {"no width", name, pixels.data(), 0, 1},
      {"negative height", name, pixels.data(), 1, -1},
      {"no pixels", name, nullptr, 1, 1},
      {"beyond 2^31 bytes", name, pixels.data(), 65536, 65536},
      {"too wide for the format", name, pixels.data(), tooWide, 1},
      {"folder missing", dir.File("no/such/folder"), pixels.data(), 1, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    WriteFileBytes(name, "the old file");
    EXPECT_FALSE(writer(c.name.c_str(), c.pixels, c.width, c.height));
    EXPECT_EQ(ReadFileBytes(name), "the old file");
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}
