#include "app/idle_step.h"

#include "app/frame_end.h"
#include "app/message_pump.h"
#include "devices/input_device.h"
#include "devices/joystick.h"
#include "devices/keyboard.h"
#include "devices/mouse.h"
#include "devices/music.h"
#include "files/error_log.h"
#include "process/app_globals.h"
#include "process/program_end.h"
#include "process/timer.h"

namespace {

struct MouseSnapshot {
  int32_t x = 0;
  int32_t y = 0;
  int32_t button1 = 0;
  int32_t button2 = 0;
  bool operator==(const MouseSnapshot&) const = default;
};

MouseSnapshot TakeSnapshot() {
  MouseSnapshot s;
  MouseState(s.x, s.y, s.button1, s.button2);
  return s;
}

void PollInput() {
  g_app.keyTestCounter = 0;
  KeyboardUpdate(*g_app.input);
  uint16_t scratch[6];
  for (int32_t i = 0; i < g_app.input->mice.count; ++i) MousePoll(*g_app.input, scratch, true);
}

void PauseLoop() {
  ErrorLogAppend("pause loop in showscreen/hibernate\n");
  while (g_app.paused != 0 && g_app.bringToFront == 0) {
    MusicLoopRestart();
    PumpMessages(Win32MsgHookGet());
    if (g_app.paused == 0 || g_app.bringToFront != 0) break;
    SleepMillis(500);
  }
  ErrorLogAppend("pause loop ended\n");
}

bool AnyKeyDown() {
  for (int32_t index = 0; index < 255; ++index) {
    if (++g_app.keyTestCounter > 128) {
      g_app.keyTestCounter = 0;
      KeyboardUpdate(*g_app.input);
    }
    if (KeyIsDown(index)) return true;
  }
  return false;
}

bool AnyJoystickActive() {
  for (int32_t j = JoystickCount(*g_app.input) - 1; j >= 0; --j) {
    if (JoystickActive(*g_app.input, j)) return true;
  }
  return false;
}

}  // namespace

void IdleStep() {
  if (g_app.input == nullptr) return;
  const MouseSnapshot first = TakeSnapshot();
  for (int pass = 0; pass < 15; ++pass) {
    MusicLoopRestart();
    PumpMessages(Win32MsgHookGet());
    if (g_app.paused != 0) {
      PauseLoop();
      return;
    }
    PollInput();
    if (g_app.escapeEnds != 0 && (KeyIsDown(129) || KeyIsDown(1))) {
      ProgramEnd();
      return;
    }
    if (AnyKeyDown()) return;
    if (!(TakeSnapshot() == first)) return;
    if (AnyJoystickActive()) return;
    SleepMillis(5);
  }
}

void WaitKey() {
  if (g_app.input == nullptr) return;
  while (InputPopKeyPressed(g_app.input->typed)) {
  }
  while (!InputPopKeyPressed(g_app.input->typed)) {
    MusicLoopRestart();
    PumpMessages(Win32MsgHookGet());
    IdleStep();
  }
  while (InputPopKeyPressed(g_app.input->typed)) {
  }
}

void WaitMouse() {
  if (g_app.input == nullptr) return;
  while (MouseAnyButton(*g_app.input)) PumpMessages(Win32MsgHookGet());
  while (!MouseAnyButton(*g_app.input)) IdleStep();
  while (MouseAnyButton(*g_app.input)) PumpMessages(Win32MsgHookGet());
}
