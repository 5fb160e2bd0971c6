// Full screen and back on a real X server, each run in a child process of
// its own (the runtime starts once per process).
#include "app/screen_mode.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/file_request.h"
#include "app/runtime_main.h"
#include "gfx2d/screen_commands.h"
#include "tests/support/fake_dialog.h"
#include "tests/support/screen_report.h"
#include "tests/support/test_env.h"

namespace {

// The one full-screen mode every X server offers is its screen's own size
// (the desktop size), whatever that is. The child goes full screen at it
// and writes it on the report's first line, "desktop WxH", which this
// returns.
std::string EnterFullScreenAtTheDesktopSize() {
  int32_t width = 0;
  int32_t height = 0;
  GfxGetDesktopSize(&width, &height);
  SetScreen(width, height, 1);
  return "desktop " + std::to_string(width) + "x" + std::to_string(height) + "\n";
}

// A report's lines after the first, and the desktop size "WxH" that its
// first line names (empty when there is no such line).
struct Report {
  std::string desktop;
  std::string rest;
};
Report ReadReport(const std::string& path) {
  const std::string text = ReadFileBytes(path);
  const size_t firstEnd = text.find('\n');
  if (text.rfind("desktop ", 0) != 0 || firstEnd == std::string::npos) return {"", text};
  return {text.substr(8, firstEnd - 8), text.substr(firstEnd + 1)};
}

// The description of a full-screen screen of the size "WxH".
std::string FullScreenLine(const std::string& size) {
  return "app " + size + " full 1; engine " + size + " full 1/1; window " + size + " shown 1; bound 1\n";
}

class ScreenModeX11Test : public testing::Test {
 protected:
  void SetUp() override {
    if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "needs an X server (DISPLAY is not set)";
    std::filesystem::remove(report_);
  }

  std::string folder_ = TestFolderForCurrentTest("screen_mode_x11");
  std::string report_ = folder_ + "/report.txt";
  ScopedEnv tmpdir_{"TMPDIR", folder_};
};

TEST_F(ScreenModeX11Test, FullScreenAndBack) {
  EXPECT_EXIT(
      {
        RuntimeInit();
        std::string report = EnterFullScreenAtTheDesktopSize();
        report += DescribeScreen();
        SetScreen(640, 480, 0);
        report += DescribeScreen();
        WriteFileBytes(report_, report);
        std::_Exit(0);  // the teardown has its own tests
      },
      testing::ExitedWithCode(0), "");
  const Report report = ReadReport(report_);
  ASSERT_NE(report.desktop, "") << report.rest;
  EXPECT_EQ(report.rest, FullScreenLine(report.desktop) +
                             "app 640x480 full 0; engine 640x480 full 0/0; window 640x480 shown 1; bound 1\n");
}

TEST_F(ScreenModeX11Test, FileRequestInFullScreenReturnsToFullScreen) {
  ScopedEnv path("PATH", InstallFakeDialog(folder_, "echo /chosen/file.txt\n"));
  EXPECT_EXIT(
      {
        RuntimeInit();
        std::string report = EnterFullScreenAtTheDesktopSize();
        report += std::string(FileRequest(0, "").c_str()) + "\n" + DescribeScreen();
        WriteFileBytes(report_, report);
        std::_Exit(0);
      },
      testing::ExitedWithCode(0), "");
  const Report report = ReadReport(report_);
  ASSERT_NE(report.desktop, "") << report.rest;
  EXPECT_EQ(report.rest, "/chosen/file.txt\n" + FullScreenLine(report.desktop));
}

}  // namespace
