// Opening the window and context, the display modes and the teardown.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <string>
#include <vector>

#include "files/error_log.h"
#include "gfx2d/gl_extensions.h"
#include "gfx2d/gl_window_modes.h"
#include "gfx2d/opengl_dodevudi.h"
#include "platform/gl_window.h"
#include "process/app_globals.h"
#include "tests/support/test_env.h"

namespace {

class GlStartupTest : public testing::Test {
 protected:
  GlStartupTest() : tmp_("TMPDIR", dir_.path()) {}
  std::string Log() const { return ReadFileBytes(ErrorLogPath()); }

  ScratchDir dir_;
  ScopedEnv tmp_;
};

// Whether the lines occur in the text in this order.
bool InOrder(const std::string& text, const std::vector<std::string>& lines) {
  size_t at = 0;
  for (const std::string& line : lines) {
    at = text.find(line, at);
    if (at == std::string::npos) return false;
    at += line.size();
  }
  return true;
}

TEST_F(GlStartupTest, OpensAHiddenWindowWithItsContextAndLogsEachStep) {
  // The software-driver notice reads "opengldriver.txt" from the current
  // folder.
  WriteFileBytes(dir_.File("opengldriver.txt"), "custom notice");
  char old[4096];
  ASSERT_NE(getcwd(old, sizeof(old)), nullptr);
  ASSERT_EQ(chdir(dir_.path().c_str()), 0);
  OpenGLDodevudi engine;
  const int32_t started = GlStartup(engine, nullptr, 320, 240, 0, 60, 0);
  ASSERT_EQ(chdir(old), 0);
  ASSERT_EQ(started, 1) << PlatformLastError();
  ASSERT_NE(engine.window, nullptr);
  EXPECT_NE(engine.context, nullptr);
  EXPECT_FALSE(PlatformWindowShown(engine.window));
  EXPECT_EQ(engine.screenWidth, 320);
  EXPECT_EQ(engine.screenHeight, 240);
  EXPECT_GT(engine.colourDepth, 0);
  EXPECT_EQ(engine.fullScreen, 0);
  EXPECT_EQ(engine.multisample, 0);
  EXPECT_DOUBLE_EQ(engine.framePeriod, 1000.0 / 60);
  EXPECT_GT(g_app.desktopWidth, 0);
  EXPECT_GT(g_app.desktopHeight, 0);
  EXPECT_EQ(engine.viewport[2], 320);
  EXPECT_EQ(engine.viewport[3], 240);
  EXPECT_EQ(engine.currentAlpha, 1.0f);

  const std::string log = Log();
  EXPECT_TRUE(InOrder(log, {"WIN32 init video\n", "get accurate timer - 1st call\n", "flip - 1st call\n",
                            "BGRA ext", "Texture size limit: ", "init fbo\n", "2D VP\n", "OGRB init [OK]\n"}))
      << log;
  EXPECT_EQ(log.substr(log.size() - 15), "OGRB init [OK]\n");
  // The software renderer is noticed once per process at most, and never
  // blocks a headless run.
  const size_t notice = log.find("*** OpenGL Software Emulation - update driver!\n");
  if (notice != std::string::npos) {
    EXPECT_LT(notice, log.find("get accurate timer"));
    EXPECT_NE(log.find("No OpenGL Hardware Drivers: custom notice\n"), std::string::npos) << log;
    EXPECT_EQ(log.find("*** OpenGL", notice + 1), std::string::npos);
  }

  // Entry points only for what the extension string names.
  const char* list = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(g_glext.glActiveTextureARB != nullptr, GlHasExtension(list, "GL_ARB_multitexture"));
  EXPECT_EQ(g_glext.fboUsable, GlHasExtension(list, "GL_EXT_framebuffer_object"));
}

TEST_F(GlStartupTest, ZeroSizeTakesTheDesktopsAndZeroRateATwoMillisecondPeriod) {
  OpenGLDodevudi engine;
  ASSERT_EQ(GlStartup(engine, nullptr, 0, 0, 0, 0, 0), 1) << PlatformLastError();
  EXPECT_EQ(engine.screenWidth, g_app.desktopWidth);
  EXPECT_EQ(engine.screenHeight, g_app.desktopHeight);
  EXPECT_DOUBLE_EQ(engine.framePeriod, 2.0);
}

TEST_F(GlStartupTest, MultisampleRequestIsHalvedUntilAFormatIsFound) {
  OpenGLDodevudi engine;
  ASSERT_EQ(GlStartup(engine, nullptr, 64, 64, 0, 60, 64), 1) << PlatformLastError();
  EXPECT_EQ(engine.multisample, 0);
  EXPECT_NE(engine.window, nullptr);
}

TEST_F(GlStartupTest, WindowedModeShowsTheWindowAndScreenModeKeepsZeroSizes) {
  OpenGLDodevudi engine;
  ASSERT_EQ(GlStartup(engine, nullptr, 320, 240, 0, 60, 0), 1);
  EXPECT_EQ(SetWindowedMode(engine), 1);
  EXPECT_TRUE(PlatformWindowShown(engine.window));
  EXPECT_EQ(engine.fullScreen, 0);

  SetScreenMode(engine, 0, 200, 0, 0);
  EXPECT_EQ(engine.screenWidth, 320);
  EXPECT_EQ(engine.screenHeight, 200);
  int w = 0;
  int h = 0;
  PlatformWindowGetSize(engine.window, &w, &h);
  EXPECT_EQ(w, 320);
  EXPECT_EQ(h, 200);
  EXPECT_EQ(engine.viewport[3], 200);

  EXPECT_EQ(LeaveFullScreen(engine), 1);
  EXPECT_FALSE(PlatformWindowShown(engine.window));
}

TEST_F(GlStartupTest, FullScreenWithoutSuchAModeFallsBackToWindowed) {
  OpenGLDodevudi engine;
  ASSERT_EQ(GlStartup(engine, nullptr, 333, 217, 0, 60, 0), 1);
  EXPECT_EQ(SetFullScreenMode(engine), 0);
  EXPECT_EQ(engine.fullScreen, 0);
  EXPECT_TRUE(PlatformWindowShown(engine.window));
  EXPECT_NE(Log().find("No Fullscreen Mode available\n"), std::string::npos);
}

TEST_F(GlStartupTest, TeardownDestroysTheWindowOnce) {
  auto* engine = new OpenGLDodevudi;
  ASSERT_EQ(GlStartup(*engine, nullptr, 64, 64, 0, 60, 0), 1);
  g_app.mainWindow = engine->window;
  GLuint texture = 0;
  glGenTextures(1, &texture);
  engine->sprites[5].texture = texture;
  engine->sprites[5].imageWidth = 4;
  engine->backgrounds[1].columns = 1;
  engine->backgrounds[1].rows = 1;
  GlShutdown(*engine);
  EXPECT_EQ(engine->window, nullptr);
  EXPECT_EQ(engine->context, nullptr);
  EXPECT_EQ(engine->screenWidth, 0);
  EXPECT_EQ(engine->sprites[5].texture, 0u);
  EXPECT_EQ(engine->sprites[5].imageWidth, 0);
  EXPECT_EQ(engine->backgrounds[1].columns, 0);
  EXPECT_EQ(g_app.mainWindow, nullptr);
  GlShutdown(*engine);  // nothing left to release
  delete engine;         // neither does the destructor
}

TEST(GlHasExtensionTest, MatchesWholeWordsOnly) {
  const char* list = "GL_ARB_multitexture GL_EXT_bgra GL_ARB_multitexture_extra";
  EXPECT_TRUE(GlHasExtension(list, "GL_ARB_multitexture"));
  EXPECT_TRUE(GlHasExtension(list, "GL_EXT_bgra"));
  EXPECT_TRUE(GlHasExtension(list, "GL_ARB_multitexture_extra"));
  EXPECT_FALSE(GlHasExtension(list, "GL_EXT"));
  EXPECT_FALSE(GlHasExtension(list, "ARB_multitexture"));
  EXPECT_FALSE(GlHasExtension(list, ""));
  EXPECT_FALSE(GlHasExtension("", "GL_EXT_bgra"));
}

}  // namespace

namespace {

TEST_F(GlStartupTest, FullScreenAtTheDesktopSizeAndBack) {
  OpenGLDodevudi engine;
  ASSERT_EQ(GlStartup(engine, nullptr, 0, 0, 0, 60, 0), 1);
  engine.colourDepth = 15;  // refused: retried at the desktop's depth
  EXPECT_EQ(SetFullScreenMode(engine), 1);
  EXPECT_EQ(engine.fullScreen, 1);
  EXPECT_TRUE(PlatformWindowFullScreen(engine.window));
  EXPECT_TRUE(PlatformWindowShown(engine.window));
  EXPECT_EQ(SetWindowedMode(engine), 1);
  EXPECT_FALSE(PlatformWindowFullScreen(engine.window));
  EXPECT_EQ(engine.fullScreen, 0);
}

}  // namespace
