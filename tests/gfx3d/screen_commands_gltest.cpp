// The screen commands: orientation and viewport (leaving the 3D shadow
// pass), the surface size under the orientation and while an offscreen
// screen is current.
#include "gfx2d/screen_commands.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "gfx3d/dodevudi3d.h"
#include "tests/support/sprite_fixture.h"

namespace {

class ScreenCommandTest : public SpriteTest {
 protected:
  void SetUp() override {
    SpriteTest::SetUp();
    engine3d_ = std::make_unique<Dodevudi3D>(&engine());
  }
  void TearDown() override {
    engine3d_.reset();
    SpriteTest::TearDown();
  }

  // The answers of the size and viewport commands, in both kinds of number.
  std::string Answers() {
    int32_t w = 0;
    int32_t h = 0;
    double wf = 0;
    double hf = 0;
    GfxGetScreenSizeI(&w, &h);
    GfxGetScreenSize(&wf, &hf);
    int32_t v[4] = {};
    double vf[4] = {};
    GfxGetViewport(&v[0], &v[1], &v[2], &v[3]);
    GfxGetViewportF(&vf[0], &vf[1], &vf[2], &vf[3]);
    std::string text = "size " + std::to_string(w) + "x" + std::to_string(h) + " viewport";
    for (int i = 0; i < 4; ++i) text.append(" ").append(std::to_string(v[i]));
    if (wf != w || hf != h || vf[0] != v[0] || vf[1] != v[1] || vf[2] != v[2] || vf[3] != v[3]) {
      text += " (the doubles differ)";
    }
    return text;
  }

  std::unique_ptr<Dodevudi3D> engine3d_;
};

TEST_F(ScreenCommandTest, OrientationIsClampedAndTurnsTheWholeSurface) {
  struct Case {
    int32_t orientation;
    int32_t stored;
    const char* answers;
  };
  const Case cases[] = {
      {0, 0, "size 64x48 viewport 0 0 64 48"},  {1, 1, "size 48x64 viewport 0 0 48 64"},
      {2, 2, "size 64x48 viewport 0 0 64 48"},  {3, 3, "size 48x64 viewport 0 0 48 64"},
      {7, 3, "size 48x64 viewport 0 0 48 64"},  {-1, 0, "size 64x48 viewport 0 0 64 48"},
      {INT32_MIN, 0, "size 64x48 viewport 0 0 64 48"},
  };
  for (const Case& c : cases) {
    GfxSetViewport(5, 6, 10, 12);
    engine3d_->shadowPass = 1;
    GfxSetOrientation(c.orientation);
    EXPECT_EQ(GfxGetOrientation(), c.stored) << c.orientation;
    EXPECT_EQ(Answers(), c.answers) << c.orientation;
    EXPECT_EQ(engine3d_->shadowPass, 0) << c.orientation;
  }
}

TEST_F(ScreenCommandTest, ViewportLeavesTheShadowPass) {
  struct Case {
    int32_t x, y, width, height;
    const char* answers;
  };
  const Case cases[] = {
      {5, 6, 10, 12, "size 64x48 viewport 5 6 10 12"},
      {5, 6, 0, 12, "size 64x48 viewport 0 0 64 48"},  // no width: the whole surface
      {5, 6, 10, -1, "size 64x48 viewport 0 0 64 48"},
  };
  for (const Case& c : cases) {
    engine3d_->shadowPass = 1;
    GfxSetViewport(c.x, c.y, c.width, c.height);
    EXPECT_EQ(Answers(), c.answers) << c.width << " " << c.height;
    EXPECT_EQ(engine3d_->shadowPass, 0);
  }
}

TEST_F(ScreenCommandTest, ScreenSizeIsTheOffscreenPictureWhileOneIsCurrent) {
  GfxSetOrientation(1);
  ASSERT_EQ(OffscreenCreate(0, 3, 20, 10), 1);
  EXPECT_EQ(OffscreenFreeNumber(), 31);
  OffscreenUse(0);
  EXPECT_EQ(Answers(), "size 20x10 viewport 0 0 20 10");  // never turned
  OffscreenUse(-1);
  EXPECT_EQ(engine().currentScreen, -1);
  EXPECT_EQ(Answers(), "size 48x64 viewport 0 0 48 64");
}

}  // namespace
