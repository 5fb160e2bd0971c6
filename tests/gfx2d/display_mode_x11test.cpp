// A real switch to full screen and back on an X server.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "gfx2d/gl_window_modes.h"
#include "gfx2d/opengl_dodevudi.h"
#include "platform/display.h"
#include "platform/gl_window.h"
#include "platform/message_box.h"
#include "tests/support/test_env.h"

namespace {

TEST(DisplayModeX11Test, FullScreenAtTheDesktopSizeAndBackToTheWindowSize) {
  if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "needs an X server (DISPLAY is not set)";
  ScratchDir dir;
  ScopedEnv tmp("TMPDIR", dir.path());
  OpenGLDodevudi engine;
  ASSERT_EQ(GlStartup(engine, nullptr, 320, 240, 0, 60, 0), 1) << PlatformLastError();
  EXPECT_TRUE(PlatformDisplayPresent());
  ASSERT_EQ(SetWindowedMode(engine), 1);
  EXPECT_TRUE(PlatformWindowShown(engine.window));

  const PlatformDesktop desktop = PlatformDesktopMode(engine.window);
  SetScreenMode(engine, desktop.width, desktop.height, 0, 1);
  EXPECT_EQ(engine.fullScreen, 1);
  EXPECT_TRUE(PlatformWindowFullScreen(engine.window));
  const GLenum error = glGetError();
  EXPECT_EQ(error, static_cast<GLenum>(GL_NO_ERROR));

  SetScreenMode(engine, 320, 240, 0, 0);
  EXPECT_EQ(engine.fullScreen, 0);
  EXPECT_FALSE(PlatformWindowFullScreen(engine.window));
  int w = 0;
  int h = 0;
  PlatformWindowGetSize(engine.window, &w, &h);
  EXPECT_EQ(w, 320);
  EXPECT_EQ(h, 240);
  EXPECT_EQ(engine.viewport[2], 320);
  EXPECT_EQ(engine.viewport[3], 240);
}

}  // namespace
