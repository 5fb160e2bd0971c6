#include "app/runtime_main.h"

#include <unistd.h>

#include <cstdio>
#include <new>
#include <string>

#include "app/declare_registry.h"
#include "app/runtime_hooks.h"
#include "app/std_streams.h"
#include "app/sub_table.h"
#include "app/window_title.h"
#include "core/float_to_int.h"
#include "core/isaac.h"
#include "devices/input_device.h"
#include "devices/mouse.h"
#include "devices/sound_device.h"
#include "files/error_log.h"
#include "files/file_channels.h"
#include "files/file_paths.h"
#include "files/media_resolver.h"
#include "gfx2d/bitmap_fonts.h"
#include "gfx2d/font_commands.h"
#include "gfx2d/frame_clear.h"
#include "gfx2d/frame_swap.h"
#include "gfx2d/gl_window_modes.h"
#include "gfx2d/opengl_dodevudi.h"
#include "gfx2d/render_state.h"
#include "gfx3d/dodevudi3d.h"
#include "net/net_session.h"
#include "platform/clock.h"
#include "platform/command_line.h"
#include "platform/gl_window.h"
#include "platform/process_signals.h"
#include "platform/system_paths.h"
#include "process/app_globals.h"
#include "process/error_state.h"
#include "process/program_end.h"
#include "process/timer.h"

namespace {

// A seed that differs from run to run: the wall clock's nanoseconds, the
// process id and the runtime clock mixed together. The runtime clock alone
// reads nearly the same at this point of every start.
uint32_t StartSeed() {
  timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  uint64_t mix = static_cast<uint64_t>(now.tv_sec) * 1000000007ull + static_cast<uint64_t>(now.tv_nsec);
  mix ^= static_cast<uint64_t>(getpid()) << 32;
  mix ^= static_cast<uint64_t>(TruncToInt32(TimerGetGameMillis()));
  mix ^= mix >> 33;
  mix *= 0xff51afd7ed558ccdull;
  mix ^= mix >> 33;
  return static_cast<uint32_t>(mix);
}

GameProgram g_game = {};

void SetFrameTimes(double now) {
  g_app.frameTime = now;
  g_app.previousFrameTime = now;
  g_app.startTime = now;
}

}  // namespace

void RuntimeSetGame(const GameProgram& game) {
  g_game = game;
  if (game.subs != nullptr) g_subTable = game.subs;
  g_channelsClosedHook = game.channelsClosed;
}

const GameProgram& RuntimeGame() { return g_game; }

int32_t AppInit(int32_t showCommand, const RtString& title) {
  PlatformInstallSignalHandling();
  RuntimeInstallHooks();
  // The old log goes: a file, or an empty folder of that name.
  RemovePath(ErrorLogPath());
  ErrorLogAppend("Start new log...\n");
  g_app.autoPause = 1;
  ErrorLogAppend("timer\n");
  TimerInit();

  ErrorLogAppend("diva\n");
  g_app.engine2d = new OpenGLDodevudi;
  ErrorLogAppend("diva init\n");
  if (GlStartup(*g_app.engine2d, nullptr, g_app.width, g_app.height, 0, g_app.frameRate, g_app.multisample) == 0) {
    return 0;
  }

  g_app.mainWindow = g_app.engine2d->window;
  WindowTitleShow(title);
  ErrorLogAppend("Cptn\n");
  WindowTitle() = title;

  IsaacSeed(StartSeed());
  ErrorLogAppend("Network\n");
  g_app.session = NetSessionCreate();

  g_app.engine3d = new Dodevudi3D(g_app.engine2d);
  ErrorLogAppend("Input\n");
  g_app.input = new InputDevice;
  InputCreate(*g_app.input);

  ErrorLogAppend("Window mode\n");
  if (g_app.fullScreen != 0) {
    SetFullScreenMode(*g_app.engine2d);
  } else {
    SetWindowedMode(*g_app.engine2d);
  }
  // A full-screen switch may have made a new window.
  g_app.mainWindow = g_app.engine2d->window;

  ErrorLogAppend("Create DXin\n");
  InputInit(*g_app.input, g_app.mainWindow, nullptr, g_app.exclusiveMouse != 0);

  ErrorLogAppend("reptr\n");
  g_app.currentFont = 0;
  g_app.input->window = g_app.engine2d->window;

  ErrorLogAppend("getexe\n");
  const std::string directory = ProgramDirectory();
  ErrorLogAppend("cd\n");
  if (!directory.empty()) (void)!chdir(directory.c_str());
  const std::string line = "exepath=curdir= " + directory + "\n";
  ErrorLogAppend(line.c_str());

  g_app.musicResolver = new MediaResolver;
  g_app.mediaResolver = new MediaResolver;
  ErrorLogAppend("kisteling...\n");
  const std::string program = PlatformExecutablePath();
  MediaSetPack(program.c_str(), program.c_str());

  ErrorLogAppend("init gettimer\n");
  SetFrameTimes(TimerGetMillis());

  ErrorLogAppend("clear screen\n");
  GfxClearScreen(0);
  ErrorLogAppend("flip\n");
  // No wait for the frame slot the first swap set: the game's first frame
  // waits for it instead, at the same time as it would have.
  SwapBuffersAndAdvance(*g_app.engine2d, nullptr);
  ErrorLogAppend("mk2D\n");
  Reset2DState(*g_app.engine2d);
  FontBuildDefault(*g_app.engine2d, 0);
  ErrorLogAppend("finding font...\n");
  LoadStartUpFont();

  g_app.paused = 0;
  SetFrameTimes(TimerGetMillis());
  if (showCommand == 0) LeaveFullScreen(*g_app.engine2d);

  PointerModeApply(g_app.exclusiveMouse == 0);
  DeclareLoadAll();

  g_app.soundDevice = new SoundDevice;
  SoundDeviceCreate(*g_app.soundDevice);
  g_app.soundSlots = SoundSlotsNew();
  SoundDeviceInit(*g_app.soundDevice, g_app.mainWindow);
  SoundDeviceSetWindow(*g_app.soundDevice, g_app.engine2d->window);
  ErrorLogAppend("Init Finalized\n");
  return 1;
}

void LoadStartUpFont() {
  static const char* const kNames[] = {"Media/smalfont.png", "Media/smalfont.bmp", "smalfont.png",
                                       "smalfont.bmp"};
  for (const char* name : kNames) {
    std::string resolved;
    if (g_app.mediaResolver != nullptr && MediaResolve(*g_app.mediaResolver, name, &resolved, true) != 0) {
      FontLoad(resolved.c_str(), 0);
      break;
    }
  }
  FontSelect(0);
}

std::string ProgramDirectory() {
  std::string path = PlatformExecutablePath();
  const size_t slash = path.rfind('/');
  if (slash != std::string::npos) path.resize(slash == 0 ? 1 : slash);
  return path;
}

void PointerModeApply(bool shown) {
  if (g_app.input != nullptr) SystemPointerShow(*g_app.input, shown);
}

int32_t RuntimeInit() {
  if (g_game.projectSettings != nullptr) g_game.projectSettings();
  AppInit(1, AppTitleString());
  g_errorState = {0, 0, 0, 0};
  return 1;
}

void RuntimeMain(int32_t showCommand) {
  // Before anything is written or started: a closed standard output or an
  // early SIGTERM must still end the program in order.
  PlatformInstallSignalHandling();
  StringAssignCStr(CommandLineString(), PlatformCommandLine().c_str());
  if (g_game.projectSettings != nullptr) g_game.projectSettings();
  const int32_t started = AppInit(showCommand, AppTitleString());
  g_errorState.errorLine = 0;
  g_errorState.code = 0;
  g_errorState.debugLine = 0;
  if (started == 0) {
    // Nothing the game calls exists without the window: end here, and say
    // so, instead of running the game over missing engine objects.
    ErrorLogAppend("window or OpenGL context could not be created\n");
    std::fprintf(stderr, "zivure: cannot open the window with an OpenGL context: %s\n",
                 PlatformLastError().c_str());
    ProgramSetExitStatus(1);
    ProgramEnd();
  }
  if (g_game.main != nullptr) g_game.main();
  if (SubFindByName("VNL_ON_LOOP") != nullptr) SubRunLoop("VNL_ON_LOOP");
  ProgramEnd();
  // ProgramEnd returns only while the program is already ending.
  std::_Exit(0);
}
