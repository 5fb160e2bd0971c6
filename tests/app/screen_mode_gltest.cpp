// SetScreen and FileRequest on a started runtime, each in a child process
// of its own (the runtime starts once per process).
#include "app/screen_mode.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/file_request.h"
#include "app/runtime_main.h"
#include "process/app_globals.h"
#include "tests/support/fake_dialog.h"
#include "tests/support/screen_report.h"
#include "tests/support/test_env.h"

namespace {

class ScreenModeGlTest : public testing::Test {
 protected:
  std::string folder_ = TestFolderForCurrentTest("screen_mode");
  std::string report_ = folder_ + "/report.txt";
  ScopedEnv tmpdir_{"TMPDIR", folder_};
};

TEST_F(ScreenModeGlTest, SetScreenResizesBindsAndRunsFrames) {
  std::filesystem::remove(report_);
  EXPECT_EXIT(
      {
        RuntimeInit();
        const double before = g_app.frameTime;
        SetScreen(800, 600, 0);
        std::string report = DescribeScreen();
        report += g_app.frameTime > before ? "frames ran\n" : "no frames\n";
        SetScreen(0, 0, 0);  // 0 keeps the engine's size
        report += DescribeScreen();
        WriteFileBytes(report_, report);
        std::_Exit(0);  // the teardown has its own tests
      },
      testing::ExitedWithCode(0), "");
  EXPECT_EQ(ReadFileBytes(report_),
            "app 800x600 full 0; engine 800x600 full 0/0; window 800x600 shown 1; bound 1\n"
            "frames ran\n"
            "app 0x0 full 0; engine 800x600 full 0/0; window 800x600 shown 1; bound 1\n");
}

TEST_F(ScreenModeGlTest, FileRequestInAWindowReturnsToTheWindow) {
  ScopedEnv path("PATH", InstallFakeDialog(folder_, "echo /chosen/file.txt\n"));
  std::filesystem::remove(report_);
  EXPECT_EXIT(
      {
        RuntimeInit();
        SetScreen(640, 480, 0);
        const std::string report = std::string(FileRequest(1, "All|*.*").c_str()) + "\n" + DescribeScreen();
        WriteFileBytes(report_, report);
        std::_Exit(0);
      },
      testing::ExitedWithCode(0), "");
  EXPECT_EQ(ReadFileBytes(report_),
            "/chosen/file.txt\n"
            "app 640x480 full 0; engine 640x480 full 0/0; window 640x480 shown 1; bound 1\n");
}

}  // namespace
