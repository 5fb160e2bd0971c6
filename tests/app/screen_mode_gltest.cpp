// SetScreen and FileRequest on a started runtime, each in a child process
// of its own (the runtime starts once per process).
#include "app/screen_mode.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/app_globals.h"
#include "app/file_request.h"
#include "app/runtime_main.h"
#include "devices/input_device.h"
#include "gfx2d/opengl_dodevudi.h"
#include "platform/gl_window.h"
#include "tests/support/test_env.h"

namespace {

// A folder named after the test, the same in the re-run child.
std::string TestFolder() {
  const std::string path = std::string(VNL_TEST_BINARY_DIR) + "/screen_mode." +
                           testing::UnitTest::GetInstance()->current_test_info()->name();
  std::filesystem::create_directories(path);
  return path;
}

// One line describing the window and the bindings after a mode change.
std::string Describe() {
  OpenGLDodevudi* engine = g_app.engine2d;
  int width = 0;
  int height = 0;
  PlatformWindowGetSize(engine->window, &width, &height);
  return "app " + std::to_string(g_app.width) + "x" + std::to_string(g_app.height) + " full " +
         std::to_string(g_app.fullScreen) + "; engine " + std::to_string(engine->screenWidth) + "x" +
         std::to_string(engine->screenHeight) + " full " + std::to_string(engine->fullScreen) + "; window " +
         std::to_string(width) + "x" + std::to_string(height) + " shown " +
         std::to_string(PlatformWindowShown(engine->window)) + "; bound " +
         std::to_string(g_app.mainWindow == engine->window && g_app.input->window == engine->window) + "\n";
}

class ScreenModeGlTest : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = TestFolder();
    report_ = folder_ + "/report.txt";
  }
  std::string folder_;
  std::string report_;
};

TEST_F(ScreenModeGlTest, SetScreenResizesBindsAndRunsFrames) {
  ScopedEnv tmpdir("TMPDIR", folder_);
  std::filesystem::remove(report_);
  EXPECT_EXIT(
      {
        RuntimeInit();
        std::string report;
        const double before = g_app.frameTime;
        SetScreen(800, 600, 0);
        report += Describe();
        report += g_app.frameTime > before ? "frames ran\n" : "no frames\n";
        SetScreen(0, 0, 0);  // 0 keeps the engine's size
        report += Describe();
        WriteFileBytes(report_, report);
        std::_Exit(0);  // the teardown has its own tests
      },
      testing::ExitedWithCode(0), "");
  EXPECT_EQ(ReadFileBytes(report_),
            "app 800x600 full 0; engine 800x600 full 0; window 800x600 shown 1; bound 1\n"
            "frames ran\n"
            "app 0x0 full 0; engine 800x600 full 0; window 800x600 shown 1; bound 1\n");
}

TEST_F(ScreenModeGlTest, FileRequestInAWindowReturnsToTheWindow) {
  ScopedEnv tmpdir("TMPDIR", folder_);
  std::filesystem::create_directories(folder_ + "/bin");
  const std::string script = folder_ + "/bin/zenity";
  WriteFileBytes(script, "#!/bin/sh\necho /chosen/file.txt\n");
  chmod(script.c_str(), 0700);
  ScopedEnv path("PATH", folder_ + "/bin:" + std::getenv("PATH"));
  std::filesystem::remove(report_);
  EXPECT_EXIT(
      {
        RuntimeInit();
        SetScreen(640, 480, 0);
        std::string report = FileRequest(1, "All|*.*").c_str();
        report += "\n" + Describe();
        WriteFileBytes(report_, report);
        std::_Exit(0);  // the teardown has its own tests
      },
      testing::ExitedWithCode(0), "");
  EXPECT_EQ(ReadFileBytes(report_),
            "/chosen/file.txt\n"
            "app 640x480 full 0; engine 640x480 full 0; window 640x480 shown 1; bound 1\n");
}

}  // namespace
