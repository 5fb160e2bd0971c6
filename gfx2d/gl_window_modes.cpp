#include "gfx2d/background_tiles.h"
#include "gfx2d/gl_window_modes.h"

#include <GL/gl.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "files/error_log.h"
#include "gfx2d/frame_swap.h"
#include "gfx2d/gl_extensions.h"
#include "gfx2d/gl_state_cache.h"
#include "gfx2d/opengl_dodevudi.h"
#include "gfx2d/render_state.h"
#include "gfx2d/sprite_slots.h"
#include "platform/display.h"
#include "platform/gl_window.h"
#include "platform/message_box.h"
#include "process/app_globals.h"
#include "process/frame_hooks.h"
#include "process/timer.h"

namespace {

bool g_softwareChecked = false;

constexpr char kWindowTitle[] = "Vantrel";
constexpr char kDriverNoticeTitle[] = "No OpenGL Hardware Drivers";
// The built-in notice, in code page 1252 ("unterst\xFCtzt").
constexpr char kDriverNotice[] =
    "Please update your GFX adapter's driver\nso it can render OpenGL by HARDWARE\n\n\n"
    "Bitte aktualisieren Sie Ihren\nGrafkkartentreiber, damit er OpenGL\nper HARDWARE unterst\xFCtzt!";

// Up to 2047 bytes of "opengldriver.txt" in the current folder; empty when
// it is missing or cannot be read.
std::string ReadDriverNotice() {
  std::string text;
  const int fd = open("opengldriver.txt", O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return text;
  char buffer[2047];
  size_t got = 0;
  while (got < sizeof(buffer)) {
    const ssize_t n = read(fd, buffer + got, sizeof(buffer) - got);
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  close(fd);
  text.assign(buffer, got);
  const size_t end = text.find('\0');
  if (end != std::string::npos) text.resize(end);
  return text;
}

// Once per process: a software renderer is logged and noticed; start-up
// goes on in every case.
void SoftwareDriverCheck() {
  if (g_softwareChecked) return;
  g_softwareChecked = true;
  if (!PlatformGlSoftware()) return;
  ErrorLogAppend("*** OpenGL Software Emulation - update driver!\n");
  std::string notice = ReadDriverNotice();
  if (notice.empty()) notice = kDriverNotice;
  ErrorLogAppend((std::string(kDriverNoticeTitle) + ": " + notice + "\n").c_str());
  PlatformMessageBox(kDriverNoticeTitle, notice.c_str());
}

// Creates the hidden window and its context; a multisample request is
// halved until a format is found, and dropped at last.
PlatformWindow* CreateWindow(int width, int height, int samples) {
  PlatformWindowConfig config;
  config.width = width;
  config.height = height;
  config.visible = false;
  config.title = kWindowTitle;
  for (;;) {
    config.multisampleSamples = samples;
    PlatformWindow* window = PlatformWindowCreate(config);
    if (window != nullptr || samples <= 0) return window;
    samples = samples / 2 > 1 ? samples / 2 : 0;
  }
}

void LogLine(const char* format, long value) {
  char line[64];
  std::snprintf(line, sizeof(line), format, value);
  ErrorLogAppend(line);
}

}  // namespace

bool GlHasExtension(const char* list, const char* name) {
  if (list == nullptr || name == nullptr || name[0] == 0) return false;
  const size_t length = std::strlen(name);
  for (const char* at = std::strstr(list, name); at != nullptr; at = std::strstr(at + 1, name)) {
    const bool starts = at == list || at[-1] == ' ';
    const bool ends = at[length] == 0 || at[length] == ' ';
    if (starts && ends) return true;
  }
  return false;
}

int32_t GlStartup(OpenGLDodevudi& engine, void* instance, int32_t width, int32_t height,
                  int32_t depth, int32_t rate, int32_t samples) {
  if (g_glext.swapControl && engine.context != nullptr) PlatformSetSwapInterval(0);  // a second start-up
  engine.framePeriod = rate > 0 ? 1000.0 / rate : 2.0;
  if (!PlatformVideoStart()) return 0;
  engine.instance = instance;
  engine.multisample = samples;
  ErrorLogAppend("WIN32 init video\n");

  const PlatformDesktop desktop = PlatformDesktopMode(nullptr);
  g_app.desktopWidth = desktop.width;
  g_app.desktopHeight = desktop.height;
  if (width <= 0) width = desktop.width > 0 ? desktop.width : 640;
  if (height <= 0) height = desktop.height > 0 ? desktop.height : 480;
  if (engine.window != nullptr) GlShutdown(engine);
  PlatformWindow* window = CreateWindow(width, height, samples);
  if (window == nullptr) return 0;
  engine.window = window;
  engine.context = PlatformWindowContext(window);
  GlNewContextCreated();
  if (depth == 0) depth = desktop.bitsPerPixel > 0 ? desktop.bitsPerPixel : 32;
  engine.screenWidth = width;
  engine.screenHeight = height;
  engine.colourDepth = depth;
  engine.fullScreen = 0;
  engine.multisample = 0;

  SoftwareDriverCheck();

  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  ErrorLogAppend("get accurate timer - 1st call\n");
  engine.nextFrameTime = TimerGetMillis();
  ErrorLogAppend("flip - 1st call\n");
  SwapBuffersAndWait(engine, nullptr);

  GlLoadExtensions();
  const char* list = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
  if (list == nullptr) list = "";
  engine.bgraSupported =
      (std::strstr(list, "_texture_format_BGRA8888") != nullptr || std::strstr(list, "GL_EXT_bgra") != nullptr)
          ? 1
          : 0;
  if (engine.bgraSupported != 0) {
    ErrorLogAppend("BGRA ext supported\n");
  } else {
    ErrorLogAppend((std::string("BGRA ext NOT supported\n") + list + "\n").c_str());
  }
  GLint maxTexture = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTexture);
  LogLine("Texture size limit: %ld\n", maxTexture);
  ErrorLogAppend("init fbo\n");
  FboLoadExtensions();

  PlatformWindowShow(window, false);
  ErrorLogAppend("2D VP\n");
  Reset2DState(engine);
  ErrorLogAppend("OGRB init [OK]\n");
  return 1;
}

int32_t SetWindowedMode(OpenGLDodevudi& engine) {
  if (engine.window == nullptr) return 1;
  if (engine.fullScreen != 0) PlatformWindowLeaveFullScreen(engine.window, engine.screenWidth, engine.screenHeight);
  PlatformWindowSetBordered(engine.window, true);
  PlatformWindowSetSize(engine.window, engine.screenWidth, engine.screenHeight);
  PlatformWindowCentre(engine.window);
  PlatformWindowShow(engine.window, true);
  PlatformWindowRaise(engine.window);
  SetViewportProjection(engine, 0, 0, 0, 0);
  engine.fullScreen = 0;
  return 1;
}

int32_t SetFullScreenMode(OpenGLDodevudi& engine) {
  if (engine.window == nullptr) return 0;
  const PlatformDesktop desktop = PlatformDesktopMode(engine.window);
  const int depth = engine.colourDepth != 0 && engine.colourDepth != desktop.bitsPerPixel ? engine.colourDepth : 0;
  bool set = PlatformWindowEnterFullScreen(engine.window, engine.screenWidth, engine.screenHeight, depth);
  if (!set && depth != 0) {
    set = PlatformWindowEnterFullScreen(engine.window, engine.screenWidth, engine.screenHeight, 0);
  }
  if (!set) {
    ErrorLogAppend("No Fullscreen Mode available\n");
    SetWindowedMode(engine);
    return 0;
  }
  SetViewportProjection(engine, 0, 0, 0, 0);
  PlatformWindowShow(engine.window, true);
  PlatformWindowRaise(engine.window);
  engine.fullScreen = 1;
  return 1;
}

void SetScreenMode(OpenGLDodevudi& engine, int32_t width, int32_t height, int32_t depth,
                   int32_t fullScreen) {
  if (width != 0) engine.screenWidth = width;
  if (height != 0) engine.screenHeight = height;
  if (depth != 0) engine.colourDepth = depth;
  SetWindowedMode(engine);
  if (fullScreen != 0) {
    SetFullScreenMode(engine);
  } else {
    SetWindowedMode(engine);
  }
}

int32_t LeaveFullScreen(OpenGLDodevudi& engine) {
  if (engine.fullScreen != 0) PlatformWindowLeaveFullScreen(engine.window, engine.screenWidth, engine.screenHeight);
  PlatformWindowShow(engine.window, false);
  engine.fullScreen = 0;
  CallPumpMessages(nullptr);
  return 1;
}

void GlShutdown(OpenGLDodevudi& engine) {
  if (engine.window == nullptr) {
    engine.screenWidth = 0;
    engine.screenHeight = 0;
    return;
  }
  for (int i = 0; i < kSpriteCount - 1; ++i) SpriteReset(engine, i);
  for (int slot = 0; slot < kBackgroundCount; ++slot) BackgroundSlotFree(engine, slot);
  if (engine.fullScreen != 0) PlatformWindowLeaveFullScreen(engine.window, engine.screenWidth, engine.screenHeight);
  engine.fullScreen = 0;
  if (g_app.mainWindow == engine.window) g_app.mainWindow = nullptr;
  GlNewContext();
  PlatformWindowDestroy(engine.window);
  engine.window = nullptr;
  engine.context = nullptr;
  engine.screenWidth = 0;
  engine.screenHeight = 0;
}
