// The background commands: loading and fading to a background image with
// their error codes, and the mixture of two background slots the fade
// shows.
#include "gfx2d/background_commands.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "gfx2d/background_tiles.h"
#include "gfx2d/frame_clear.h"
#include "gfx2d/gl_state_cache.h"
#include "gfx2d/image_buffer.h"
#include "gfx2d/png_image.h"
#include "gfx2d/render_state.h"
#include "process/error_state.h"
#include "process/timer.h"
#include "tests/support/sprite_fixture.h"

namespace {

constexpr uint32_t kOld = 0xC81040;  // 0xRRGGBB
constexpr uint32_t kNew = 0x20B0F0;

class BackgroundCommandTest : public SpriteTest {
 protected:
  void SetUp() override {
    SpriteTest::SetUp();
    newFile_ = SolidFile("new.png", kNew);
    oldFile_ = SolidFile("old.png", kOld);
    WriteFileBytes(temp_.File("notes.txt"), "no picture here");
  }

  // A PNG file of the window's size in one opaque colour.
  std::string SolidFile(const char* name, uint32_t rgb) {
    ImageBuffer picture;
    EXPECT_TRUE(ImageBufferResize(picture, kWidth, kHeight));
    for (int32_t i = 0; i < kWidth * kHeight; ++i) {
      picture.pixels[i * 4] = static_cast<uint8_t>(rgb >> 16);
      picture.pixels[i * 4 + 1] = static_cast<uint8_t>(rgb >> 8);
      picture.pixels[i * 4 + 2] = static_cast<uint8_t>(rgb);
      picture.pixels[i * 4 + 3] = 255;
    }
    const std::string path = temp_.File(name);
    EXPECT_TRUE(PngWriteFile(path.c_str(), picture.pixels, kWidth, kHeight));
    ImageBufferRelease(picture);
    return path;
  }

  // Covers the window in another colour, leaving the clear colour alone.
  static void Scribble() { Fill(0, 0, kWidth, kHeight, 0.2f, 0.4f, 0.6f); }

  bool InUse(int32_t slot) { return engine().backgrounds[slot].columns > 0; }

  std::string newFile_;
  std::string oldFile_;
};

struct FileCase {
  std::string name;
  int32_t error;
};

TEST_F(BackgroundCommandTest, LoadFileDrawsAtOnceOrLeavesBlack) {
  const FileCase cases[] = {{newFile_, 0}, {temp_.File("missing.png"), 3}, {temp_.File("notes.txt"), 3}};
  for (const FileCase& c : cases) {
    ASSERT_TRUE(BackgroundLoad(engine(), 0, oldFile_.c_str()));
    SetClearColour(engine(), -1);
    ClearWindow(0x123456);
    RuntimeSetError(7);
    BackgroundLoadFile(c.name.c_str());
    EXPECT_EQ(g_errorState.code, c.error) << c.name;
    const uint32_t shown = c.error == 0 ? kNew : 0;
    EXPECT_EQ(WindowDifference([&](int, int) { return shown; }), "") << c.name;
    EXPECT_EQ(InUse(0), c.error == 0) << c.name;
    // A failure clears to black from now on.
    Scribble();
    ClearScreen(engine());
    EXPECT_EQ(PixelAt(3, 3), shown) << c.name;
  }
}

TEST_F(BackgroundCommandTest, FadeEndsOnTheNewPictureWithItsSlotsFree) {
  struct Case {
    FileCase file;
    int32_t ms;
  };
  const Case cases[] = {
      {{newFile_, 0}, 40},   {{newFile_, 0}, 0}, {{newFile_, 0}, -500},
      {{temp_.File("missing.png"), 3}, 40}, {{temp_.File("notes.txt"), 3}, 40},
  };
  for (const Case& c : cases) {
    const std::string label = c.file.name + " " + std::to_string(c.ms);
    ASSERT_TRUE(BackgroundLoad(engine(), 0, oldFile_.c_str()));
    ClearScreen(engine());
    RuntimeSetError(7);
    const double start = TimerGetGameMillis();
    BackgroundFadeTo(c.file.name.c_str(), c.ms);
    EXPECT_GE(TimerGetGameMillis() - start, c.file.error == 0 ? c.ms : 0) << label;
    EXPECT_EQ(g_errorState.code, c.file.error) << label;
    EXPECT_EQ(InUse(0), c.file.error == 0) << label;
    EXPECT_FALSE(InUse(1)) << label;
    EXPECT_FALSE(InUse(2)) << label;
    // The frame start now shows the new picture, or black.
    Scribble();
    ClearScreen(engine());
    const uint32_t shown = c.file.error == 0 ? kNew : 0;
    EXPECT_EQ(WindowDifference([&](int, int) { return shown; }), "") << label;
  }
}

TEST_F(BackgroundCommandTest, MixWeighsTheTwoPictures) {
  ASSERT_TRUE(BackgroundLoad(engine(), 2, oldFile_.c_str()));
  ASSERT_TRUE(BackgroundLoad(engine(), 1, newFile_.c_str()));
  struct Case {
    int32_t from;
    int32_t to;
    float t;
    float oldShare;  // of the pixel shown
    float newShare;
  };
  const Case cases[] = {{2, 1, 0.0f, 1.0f, 0.0f},  {2, 1, 0.25f, 0.75f, 0.25f}, {2, 1, 0.5f, 0.5f, 0.5f},
                        {2, 1, 1.0f, 0.0f, 1.0f},  {2, 5, 0.25f, 0.75f, 0.0f}};  // a free slot adds nothing
  for (const Case& c : cases) {
    ClearWindow(0x123456);
    DrawBackgroundMix(engine(), c.from, c.to, c.t);
    const uint32_t got = PixelAt(10, 20);
    for (int shift : {16, 8, 0}) {
      const float want = static_cast<float>(kOld >> shift & 0xFF) * c.oldShare +
                         static_cast<float>(kNew >> shift & 0xFF) * c.newShare;
      EXPECT_NEAR(static_cast<float>(got >> shift & 0xFF), want, 2.0f) << c.t << " channel " << shift;
    }
  }
  // Drawing as usual afterwards: the blending is off again.
  EXPECT_EQ(GlStateCached(GL_BLEND), 0);
}

}  // namespace
