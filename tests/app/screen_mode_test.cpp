#include "app/screen_mode.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <string>

#include "process/app_globals.h"
#include "tests/support/test_env.h"

namespace {

class ScreenModeTest : public testing::Test {
 protected:
  void SetUp() override { saved_ = {g_app.width, g_app.height, g_app.desktopWidth, g_app.desktopHeight, g_app.fullScreen}; }
  void TearDown() override {
    g_app.width = saved_[0];
    g_app.height = saved_[1];
    g_app.desktopWidth = saved_[2];
    g_app.desktopHeight = saved_[3];
    g_app.fullScreen = saved_[4];
  }
  ScratchDir temp_;
  ScopedEnv tmpdir_{"TMPDIR", temp_.path()};
  std::array<int32_t, 5> saved_{};
};

TEST_F(ScreenModeTest, NotifiedSizeBecomesProjectAndDesktopSize) {
  struct Case {
    int32_t width;
    int32_t height;
  };
  std::string expected_log;
  for (const Case& c : {Case{1024, 768}, Case{-1, 0}, Case{INT32_MIN, INT32_MAX}}) {
    NotifyScreenSize(c.width, c.height);
    expected_log += "vnl_notify_screen_size " + std::to_string(c.width) + "x" + std::to_string(c.height) + "\n";
    int32_t width = 7;
    int32_t height = 7;
    ProjectScreenSizeGet(&width, &height);
    EXPECT_EQ(width, c.width);
    EXPECT_EQ(height, c.height);
    EXPECT_EQ(g_app.desktopWidth, c.width);
    EXPECT_EQ(g_app.desktopHeight, c.height);
  }
  EXPECT_EQ(ReadFileBytes(temp_.File("ErrorLog.txt")), expected_log);
}

TEST_F(ScreenModeTest, ProjectSizeThroughEachPointerThatIsGiven) {
  NotifyScreenSize(320, 200);
  int32_t height = 0;
  ProjectScreenSizeGet(nullptr, &height);
  EXPECT_EQ(height, 200);
  int32_t width = 0;
  ProjectScreenSizeGet(&width, nullptr);
  EXPECT_EQ(width, 320);
  ProjectScreenSizeGet(nullptr, nullptr);
}

TEST_F(ScreenModeTest, BeforeStartUpOnlyTheSettingsChange) {
  ASSERT_EQ(g_app.engine2d, nullptr);
  SetScreen(800, 0, 1);
  EXPECT_EQ(g_app.width, 800);
  EXPECT_EQ(g_app.height, 0);
  EXPECT_EQ(g_app.fullScreen, 1);
}

}  // namespace
