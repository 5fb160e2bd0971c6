// The generated media folder against the game's media table: every
// picture loads with the sprite colour key and holds every frame the game
// draws, with something opaque in it; every sound is a WAV file the sound
// loader takes.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "game/game_media.h"
#include "gfx2d/image_buffer.h"
#include "gfx2d/png_image.h"
#include "tests/support/test_env.h"

namespace {

const std::string kMedia = VNL_MEDIA_DIR;

// How many frames of each animation the game draws.
const std::map<std::string, int32_t> kFramesUsed = {
    {"man.png", 1},     {"gun.png", 3},   {"cursor2.png", 9}, {"tarvk.png", 2},   {"drip.png", 3},
    {"font.png", 95},   {"zombie2.png", 8}, {"hero.png", 8},  {"guns.png", 6},    {"rising.png", 2},
    {"brain.png", 3},   {"ammo.png", 3},  {"mouse.png", 3},   {"direction.png", 1},
};

// Counts the opaque pixels of a frame.
int32_t OpaquePixels(const ImageBuffer& image, int32_t x0, int32_t y0, int32_t w, int32_t h) {
  int32_t n = 0;
  for (int32_t y = y0; y < y0 + h; ++y) {
    for (int32_t x = x0; x < x0 + w; ++x) n += image.pixels[(static_cast<size_t>(y) * image.width + x) * 4 + 3] != 0;
  }
  return n;
}

TEST(MediaFilesTest, EveryPictureHoldsTheFramesTheGameDraws) {
  for (const MediaPicture& p : kMediaPictures) {
    ImageBuffer image;
    ASSERT_TRUE(ImageLoadPng(image, (kMedia + "/" + p.file).c_str(), kKeyColour)) << p.file;
    if (p.frameWidth == 0) {
      EXPECT_GT(OpaquePixels(image, 0, 0, image.width, image.height), 0) << p.file;
      ImageBufferRelease(image);
      continue;
    }
    const int32_t perRow = image.width / p.frameWidth;
    ASSERT_GT(perRow, 0) << p.file;
    EXPECT_EQ(image.width % p.frameWidth, 0) << p.file;
    EXPECT_EQ(image.height % p.frameHeight, 0) << p.file;
    const int32_t used = kFramesUsed.at(p.file);
    ASSERT_LE((used - 1) / perRow * p.frameHeight + p.frameHeight, image.height) << p.file;
    for (int32_t f = 0; f < used; ++f) {
      const int32_t x = f % perRow * p.frameWidth;
      const int32_t y = f / perRow * p.frameHeight;
      const int32_t opaque = OpaquePixels(image, x, y, p.frameWidth, p.frameHeight);
      const bool blank = std::string(p.file) == "font.png" && f == 0;  // the space
      if (blank) {
        EXPECT_EQ(opaque, 0) << p.file << " frame " << f;
      } else {
        EXPECT_GT(opaque, 0) << p.file << " frame " << f;
      }
      // Figures, icons and letters stand on transparent ground.
      if (p.frameWidth > 1 && std::string(p.file) != "gun.png") {
        EXPECT_LT(opaque, p.frameWidth * p.frameHeight) << p.file << " frame " << f;
      }
    }
    ImageBufferRelease(image);
  }
}

TEST(MediaFilesTest, RisingPictureShowsNothingAtTheStartOfTheRise) {
  ImageBuffer image;
  ASSERT_TRUE(ImageLoadPng(image, (kMedia + "/rising.png").c_str(), kKeyColour));
  EXPECT_EQ(image.width, 72);
  EXPECT_EQ(image.height, 80);
  // The first frame of a rise shows the rows 0..39: empty; the last shows
  // 39..78, the whole zombie.
  EXPECT_EQ(OpaquePixels(image, 0, 0, 72, 40), 0);
  EXPECT_GT(OpaquePixels(image, 0, 40, 72, 40), 0);
  ImageBufferRelease(image);
}

uint32_t Little(const std::string& bytes, size_t at, int n) {
  uint32_t v = 0;
  for (int i = n - 1; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(bytes[at + i]);
  return v;
}

TEST(MediaFilesTest, SoundsArePcmWavesAndTheMusicIsMp3) {
  for (const MediaSound& s : kMediaSounds) {
    const std::string wav = ReadFileBytes(kMedia + "/" + s.file);
    ASSERT_GT(wav.size(), 44u) << s.file;
    EXPECT_EQ(wav.substr(0, 4), "RIFF");
    EXPECT_EQ(wav.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(Little(wav, 20, 2), 1u) << "PCM";
    EXPECT_EQ(Little(wav, 34, 2), 16u);
    EXPECT_EQ(wav.substr(36, 4), "data");
    EXPECT_EQ(Little(wav, 40, 4), wav.size() - 44) << s.file;
    // Not silent.
    bool loud = false;
    for (size_t at = 44; at + 1 < wav.size() && !loud; at += 2) {
      loud = static_cast<int16_t>(Little(wav, at, 2)) > 8000;
    }
    EXPECT_TRUE(loud) << s.file;
  }
  const std::string mp3 = ReadFileBytes(kMedia + "/" + kMusicFile);
  ASSERT_GT(mp3.size(), 50000u);
  // An MPEG audio frame header: the sync bits and layer III.
  EXPECT_EQ(static_cast<uint8_t>(mp3[0]), 0xFF);
  EXPECT_EQ(static_cast<uint8_t>(mp3[1]) & 0xE6, 0xE2);
}

}  // namespace
