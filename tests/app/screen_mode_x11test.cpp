// Full screen and back on a real X server, each run in a child process of
// its own (the runtime starts once per process).
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

std::string TestFolder() {
  const std::string path = std::string(VNL_TEST_BINARY_DIR) + "/screen_mode_x11." +
                           testing::UnitTest::GetInstance()->current_test_info()->name();
  std::filesystem::create_directories(path);
  return path;
}

// The size of Xvfb's one screen (see scripts/test): the one full-screen
// mode it offers.
constexpr int kScreenWidth = 1280;
constexpr int kScreenHeight = 1024;

std::string Describe() {
  OpenGLDodevudi* engine = g_app.engine2d;
  int width = 0;
  int height = 0;
  PlatformWindowGetSize(engine->window, &width, &height);
  return "full " + std::to_string(engine->fullScreen) + "/" + std::to_string(PlatformWindowFullScreen(engine->window)) +
         " window " + std::to_string(width) + "x" + std::to_string(height) + " bound " +
         std::to_string(g_app.mainWindow == engine->window && g_app.input->window == engine->window) + "\n";
}

TEST(ScreenModeX11Test, FullScreenAndBack) {
  const std::string folder = TestFolder();
  const std::string report_file = folder + "/report.txt";
  ScopedEnv tmpdir("TMPDIR", folder);
  std::filesystem::remove(report_file);
  EXPECT_EXIT(
      {
        RuntimeInit();
        SetScreen(kScreenWidth, kScreenHeight, 1);
        std::string report = Describe();
        SetScreen(640, 480, 0);
        report += Describe();
        WriteFileBytes(report_file, report);
        std::_Exit(0);  // the teardown has its own tests
      },
      testing::ExitedWithCode(0), "");
  EXPECT_EQ(ReadFileBytes(report_file),
            "full 1/1 window 1280x1024 bound 1\n"
            "full 0/0 window 640x480 bound 1\n");
}

TEST(ScreenModeX11Test, FileRequestInFullScreenReturnsToFullScreen) {
  const std::string folder = TestFolder();
  const std::string report_file = folder + "/report.txt";
  ScopedEnv tmpdir("TMPDIR", folder);
  std::filesystem::create_directories(folder + "/bin");
  const std::string script = folder + "/bin/zenity";
  WriteFileBytes(script, "#!/bin/sh\necho /chosen/file.txt\n");
  chmod(script.c_str(), 0700);
  ScopedEnv path("PATH", folder + "/bin:" + std::getenv("PATH"));
  std::filesystem::remove(report_file);
  EXPECT_EXIT(
      {
        RuntimeInit();
        SetScreen(kScreenWidth, kScreenHeight, 1);
        std::string report = FileRequest(0, "").c_str();
        report += "\n" + Describe();
        WriteFileBytes(report_file, report);
        std::_Exit(0);
      },
      testing::ExitedWithCode(0), "");
  EXPECT_EQ(ReadFileBytes(report_file),
            "/chosen/file.txt\n"
            "full 1/1 window 1280x1024 bound 1\n");
}

}  // namespace
