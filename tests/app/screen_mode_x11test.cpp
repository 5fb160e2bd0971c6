// Full screen and back on a real X server, each run in a child process of
// its own (the runtime starts once per process).
#include "app/screen_mode.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/file_request.h"
#include "app/runtime_main.h"
#include "tests/support/fake_dialog.h"
#include "tests/support/screen_report.h"
#include "tests/support/test_env.h"

namespace {

// The size of Xvfb's one screen (see scripts/test): the one full-screen
// mode it offers.
constexpr int kScreenWidth = 1280;
constexpr int kScreenHeight = 1024;

class ScreenModeX11Test : public testing::Test {
 protected:
  std::string folder_ = TestFolderForCurrentTest("screen_mode_x11");
  std::string report_ = folder_ + "/report.txt";
  ScopedEnv tmpdir_{"TMPDIR", folder_};
};

TEST_F(ScreenModeX11Test, FullScreenAndBack) {
  std::filesystem::remove(report_);
  EXPECT_EXIT(
      {
        RuntimeInit();
        SetScreen(kScreenWidth, kScreenHeight, 1);
        std::string report = DescribeScreen();
        SetScreen(640, 480, 0);
        report += DescribeScreen();
        WriteFileBytes(report_, report);
        std::_Exit(0);  // the teardown has its own tests
      },
      testing::ExitedWithCode(0), "");
  EXPECT_EQ(ReadFileBytes(report_),
            "app 1280x1024 full 1; engine 1280x1024 full 1/1; window 1280x1024 shown 1; bound 1\n"
            "app 640x480 full 0; engine 640x480 full 0/0; window 640x480 shown 1; bound 1\n");
}

TEST_F(ScreenModeX11Test, FileRequestInFullScreenReturnsToFullScreen) {
  ScopedEnv path("PATH", InstallFakeDialog(folder_, "echo /chosen/file.txt\n"));
  std::filesystem::remove(report_);
  EXPECT_EXIT(
      {
        RuntimeInit();
        SetScreen(kScreenWidth, kScreenHeight, 1);
        const std::string report = std::string(FileRequest(0, "").c_str()) + "\n" + DescribeScreen();
        WriteFileBytes(report_, report);
        std::_Exit(0);
      },
      testing::ExitedWithCode(0), "");
  EXPECT_EQ(ReadFileBytes(report_),
            "/chosen/file.txt\n"
            "app 1280x1024 full 1; engine 1280x1024 full 1/1; window 1280x1024 shown 1; bound 1\n");
}

}  // namespace
