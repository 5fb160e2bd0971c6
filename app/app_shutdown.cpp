#include "app/app_shutdown.h"

#include <unistd.h>

#include <string>

#include "app/runtime_main.h"
#include "app/sub_table.h"
#include "devices/input_device.h"
#include "devices/music.h"
#include "devices/sound_device.h"
#include "files/error_log.h"
#include "files/file_channels.h"
#include "files/media_resolver.h"
#include "gfx2d/opengl_dodevudi.h"
#include "gfx3d/dodevudi3d.h"
#include "net/net_session.h"
#include "net/socket_layer.h"
#include "platform/gl_window.h"
#include "platform/system_paths.h"
#include "process/app_globals.h"
#include "process/error_state.h"
#include "process/program_end.h"

namespace {

bool g_quitHookCalled = false;

void LogNumber(int32_t value) {
  const std::string line = std::to_string(value) + "\n";
  ErrorLogAppend(line.c_str());
}

}  // namespace

void ProgramTeardown() {
  if (g_app.debugMode != 0) {
    ErrorLogAppend("-End On Line\n");
    LogNumber(g_errorState.code);
    LogNumber(g_errorState.errorLine - 1);
    LogNumber(g_errorState.debugLine);
    LogNumber(g_errorState.debugModule);
  }
  AppShutdown();
}

void AppShutdown() {
  if (!g_quitHookCalled) {
    g_quitHookCalled = true;
    SubCallByName("VNL_ON_QUIT");
  }
  if (g_app.engine2d == nullptr) return;
  ErrorLogAppend("Shut down VNL\n");

  MusicStop();
  const std::string directory = ProgramDirectory();
  if (!directory.empty()) (void)!chdir(directory.c_str());
  FileCloseAll();

  if (g_app.session != nullptr) NetSessionFree(g_app.session);
  g_app.session = nullptr;
  for (int i = 0; i < 16; ++i) NetShutdown();

  if (g_app.input != nullptr) {
    InputFree(*g_app.input);
    delete g_app.input;
    g_app.input = nullptr;
  }
  if (g_app.soundSlots != nullptr) {
    // The mixer stops reading the slots before they are freed.
    SoundSlotsFree(SoundSlotsDetach(g_app.soundDevice));
  }
  if (g_app.soundDevice != nullptr) {
    SoundDeviceRelease(*g_app.soundDevice);
    delete g_app.soundDevice;
    g_app.soundDevice = nullptr;
  }

  // The 2D engine destroys its window with it and clears the main window
  // handle that names it, so the window is destroyed once.
  delete g_app.engine2d;
  g_app.engine2d = nullptr;

  delete g_app.engine3d;
  g_app.engine3d = nullptr;

  for (MediaResolver** resolver : {&g_app.musicResolver, &g_app.mediaResolver}) {
    if (*resolver == nullptr) continue;
    MediaResolverRelease(**resolver);
    delete *resolver;
    *resolver = nullptr;
  }

  if (g_app.mainWindow != nullptr) PlatformWindowDestroy(g_app.mainWindow);
  g_app.mainWindow = nullptr;

  ErrorLogAppend("vnl is shut down\n");
}

void RuntimeEnd() {
  SubRunLoop("");
  RuntimeSetError(0);
  ProgramEnd();
}
