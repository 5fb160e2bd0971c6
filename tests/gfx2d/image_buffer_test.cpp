// The picture buffer: its sizing rule and the in-place picture changes.
#include "gfx2d/image_buffer.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

namespace {

using Rgba = std::array<uint8_t, 4>;

// A buffer filled from rows of pixels, top row first.
ImageBuffer MakePicture(const std::vector<std::vector<Rgba>>& rows) {
  ImageBuffer image;
  const int32_t height = static_cast<int32_t>(rows.size());
  const int32_t width = static_cast<int32_t>(rows[0].size());
  EXPECT_TRUE(ImageBufferResize(image, width, height));
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) std::memcpy(image.pixels + (y * width + x) * 4, rows[y][x].data(), 4);
  }
  return image;
}

Rgba PixelAt(const ImageBuffer& image, int32_t x, int32_t y) {
  Rgba pixel;
  std::memcpy(pixel.data(), image.pixels + (y * image.width + x) * 4, 4);
  return pixel;
}

TEST(ImageBufferTest, ResizeKeepsStorageThatIsLargeEnough) {
  ImageBuffer image;
  ASSERT_TRUE(ImageBufferResize(image, 4, 4));
  EXPECT_EQ(image.capacity, 64);
  EXPECT_EQ(image.flag, 1);
  uint8_t* storage = image.pixels;

  // A reader clears the flag; a smaller size keeps storage and flag.
  image.flag = 0;
  ASSERT_TRUE(ImageBufferResize(image, 2, 3));
  EXPECT_EQ(image.pixels, storage);
  EXPECT_EQ(image.capacity, 64);
  EXPECT_EQ(image.flag, 0);
  EXPECT_EQ(image.width, 2);
  EXPECT_EQ(image.height, 3);

  // A larger one gets exactly the bytes it needs and the flag back.
  ASSERT_TRUE(ImageBufferResize(image, 5, 5));
  EXPECT_EQ(image.capacity, 100);
  EXPECT_EQ(image.flag, 1);
  ImageBufferRelease(image);
  EXPECT_EQ(image.pixels, nullptr);
  EXPECT_EQ(image.capacity, 0);
  EXPECT_EQ(image.width, 0);
}

TEST(ImageBufferTest, ImpossibleSizesLeaveTheBufferEmpty) {
  const int32_t sizes[][2] = {{-1, 4}, {4, -1}, {65536, 65536}, {INT32_MAX, 1}};
  for (const auto& size : sizes) {
    ImageBuffer image;
    ASSERT_TRUE(ImageBufferResize(image, 2, 2));
    EXPECT_FALSE(ImageBufferResize(image, size[0], size[1])) << size[0] << "x" << size[1];
    EXPECT_EQ(image.pixels, nullptr);
    EXPECT_EQ(image.width, 0);
    EXPECT_EQ(image.height, 0);
    EXPECT_EQ(image.capacity, 0);
  }
}

TEST(ImageBufferTest, BleedColoursTransparentPixelsFromInnerOpaqueNeighbours) {
  const Rgba clear = {9, 9, 9, 0};
  const Rgba red = {200, 0, 0, 255};
  const Rgba blue = {0, 0, 101, 255};
  // The opaque pixels at (1,1) and (2,1) lie inside the border; the one at
  // (0,3) lies on it and never counts.
  ImageBuffer image = MakePicture({
      {clear, clear, clear, clear},
      {clear, red, blue, clear},
      {clear, clear, clear, clear},
      {red, clear, clear, clear},
  });
  ImageBleedTransparent(image);
  EXPECT_EQ(PixelAt(image, 0, 0), (Rgba{200, 0, 0, 0}));   // red only
  EXPECT_EQ(PixelAt(image, 1, 0), (Rgba{100, 0, 50, 0}));  // mean, truncated
  EXPECT_EQ(PixelAt(image, 3, 0), (Rgba{0, 0, 101, 0}));   // blue only
  EXPECT_EQ(PixelAt(image, 1, 2), (Rgba{100, 0, 50, 0}));
  EXPECT_EQ(PixelAt(image, 1, 3), (Rgba{0, 0, 0, 0}));     // nothing counted
  EXPECT_EQ(PixelAt(image, 1, 1), red);                    // opaque pixels stay
  EXPECT_EQ(PixelAt(image, 0, 3), red);
  ImageBufferRelease(image);
}

TEST(ImageBufferTest, NormalMapOfFlatAndSlopedHeights) {
  // Flat: the normal points straight out of the picture.
  const Rgba flat = {0, 0, 80, 77};
  ImageBuffer image = MakePicture({{flat, flat, flat}, {flat, flat, flat}});
  ASSERT_TRUE(ImageNormalMap(image));
  EXPECT_EQ(PixelAt(image, 1, 1), (Rgba{127, 127, 255, 77}));

  // A step up at the right edge: at column 1 the left neighbours are 0
  // and the right ones 1, so gx = 4, gy = 0 and len = sqrt(17); column 0
  // wraps, its left neighbours being column 2 (gx = -4).
  const Rgba low = {0, 0, 0, 255};
  const Rgba high = {0, 0, 255, 255};
  ImageBuffer slope = MakePicture({{low, low, high}, {low, low, high}, {low, low, high}});
  ASSERT_TRUE(ImageNormalMap(slope));
  EXPECT_EQ(PixelAt(slope, 1, 1), (Rgba{3, 127, 158, 255}));
  EXPECT_EQ(PixelAt(slope, 0, 1), (Rgba{251, 127, 158, 255}));
  EXPECT_EQ(PixelAt(slope, 2, 1), (Rgba{127, 127, 255, 255}));
  ImageBufferRelease(image);
  ImageBufferRelease(slope);
}

TEST(ImageBufferTest, DoubleMakesEachPixelATwoByTwoBlock) {
  const Rgba a = {1, 2, 3, 4};
  const Rgba b = {5, 6, 7, 8};
  ImageBuffer image = MakePicture({{a, b}});
  ASSERT_TRUE(ImageDouble(image));
  ASSERT_EQ(image.width, 4);
  ASSERT_EQ(image.height, 2);
  for (int32_t y = 0; y < 2; ++y) {
    EXPECT_EQ(PixelAt(image, 0, y), a);
    EXPECT_EQ(PixelAt(image, 1, y), a);
    EXPECT_EQ(PixelAt(image, 2, y), b);
    EXPECT_EQ(PixelAt(image, 3, y), b);
  }
  ImageBufferRelease(image);
}

}  // namespace
