#include "tests/support/screen_report.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "devices/input_device.h"
#include "gfx2d/opengl_dodevudi.h"
#include "platform/gl_window.h"
#include "process/app_globals.h"

std::string TestFolderForCurrentTest(const std::string& prefix) {
  const std::string path = std::string(VNL_TEST_BINARY_DIR) + "/" + prefix + "." +
                           testing::UnitTest::GetInstance()->current_test_info()->name();
  std::filesystem::create_directories(path);
  return path;
}

std::string DescribeScreen() {
  OpenGLDodevudi* engine = g_app.engine2d;
  int width = 0;
  int height = 0;
  PlatformWindowGetSize(engine->window, &width, &height);
  const bool bound = g_app.mainWindow == engine->window && g_app.input != nullptr && g_app.input->window == engine->window;
  return "app " + std::to_string(g_app.width) + "x" + std::to_string(g_app.height) + " full " +
         std::to_string(g_app.fullScreen) + "; engine " + std::to_string(engine->screenWidth) + "x" +
         std::to_string(engine->screenHeight) + " full " + std::to_string(engine->fullScreen) + "/" +
         std::to_string(PlatformWindowFullScreen(engine->window)) + "; window " + std::to_string(width) + "x" +
         std::to_string(height) + " shown " + std::to_string(PlatformWindowShown(engine->window)) + "; bound " +
         std::to_string(bound) + "\n";
}
