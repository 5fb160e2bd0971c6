#include "app/frame_end.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "app/idle_step.h"
#include "app/message_pump.h"
#include "app/sub_table.h"
#include "devices/input_device.h"
#include "devices/keyboard.h"
#include "devices/mouse.h"
#include "devices/music.h"
#include "gfx2d/frame_swap.h"
#include "gfx2d/render_state.h"
#include "gfx2d/opengl_dodevudi.h"
#include "gfx3d/shadow_pass.h"
#include "platform/debugger.h"
#include "platform/gl_window.h"
#include "process/app_globals.h"
#include "process/debug_output.h"
#include "process/error_state.h"
#include "process/program_end.h"
#include "process/timer.h"

namespace {

void PollAllMice() {
  uint16_t scratch[6];
  for (int32_t i = 0; i < g_app.input->mice.count; ++i) MousePoll(*g_app.input, scratch, true);
}

void EndByKey() {
  RuntimeSetError(0);
  ProgramEnd();
}

}  // namespace

bool KeyIsDown(int32_t index) {
  if (g_app.input == nullptr || index < 0 || index > 255) return false;
  return InputKeyIsDown(*g_app.input, static_cast<uint8_t>(index));
}

void (*Win32MsgHookGet())() {
  if (g_app.messageHookState == -1) {
    g_app.messageHook = SubFindByName("VNL_WIN32_MSG");
    g_app.messageHookState = g_app.messageHook != nullptr ? 1 : 0;
  }
  return g_app.messageHook;
}

void FrameEnd() {
  if (g_app.engine2d == nullptr || g_app.input == nullptr) return;
  if (g_app.bringToFront != 0) {
    std::puts("activate");
    if (g_app.mainWindow != nullptr) {
      PlatformWindowShow(g_app.mainWindow, true);
      PlatformWindowRaise(g_app.mainWindow);
    }
    std::puts("ok");
    g_app.bringToFront = 0;
  }
  g_app.previousFrameTime = g_app.frameTime;
  g_app.frameTime = TimerGetMillis();
  while (g_app.paused != 0) IdleStep();

  g_app.keyTestCounter = 0;
  KeyboardUpdate(*g_app.input);
  PollAllMice();
  if (g_app.escapeEnds != 0 && (KeyIsDown(129) || KeyIsDown(1))) {
    EndByKey();
    return;
  }
  if (KeyIsDown(56) && KeyIsDown(62)) {
    EndByKey();
    return;
  }
  if (g_app.engine3d != nullptr) Gl3DShadowPass(g_app.engine3d, 0);
  MusicLoopRestart();
  void (*hook)() = Win32MsgHookGet();
  PumpMessages(hook);
  SwapBuffersAndWait(*g_app.engine2d, hook);
}

void ShowScreen() {
  FrameEnd();
  ResetRenderState2D();
}

void AllowEscape(double value) { g_app.escapeEnds = value != 0.0 || std::isnan(value) ? 1 : 0; }

int32_t AllowEscapeGet() { return g_app.escapeEnds != 0 ? 1 : 0; }

void DebugBreakReport(int32_t line) {
  if (!DebuggerAttached()) return;
  char text[32] = {};
  std::snprintf(text, sizeof text, "BP%x", static_cast<uint32_t>(line));
  PlatformDebuggerWrite(text, std::char_traits<char>::length(text));
  g_app.paused = 0;
  if (g_app.input != nullptr) {
    KeyboardUpdate(*g_app.input);
    PollAllMice();
  }
  g_app.bringToFront = 1;
}
