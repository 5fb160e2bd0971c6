#include "app/message_pump.h"

#include "app/program_end.h"
#include "app/std_streams.h"
#include "app/sub_table.h"
#include "app/window_title.h"
#include "process/app_globals.h"

namespace {

void (*g_inputHandler)(const PlatformEvent& event) = nullptr;

}  // namespace

void MessagePumpSetInputHandler(void (*handler)(const PlatformEvent& event)) { g_inputHandler = handler; }

void MainWindowProc(const PlatformEvent& event) {
  switch (event.type) {
    case PlatformEventType::kDeactivate:
      if (g_app.debugMode != 0) return;
      AppPauseResume(1);
      if (g_app.paused != 0) WindowTitleShow(StringConcatCStr(WindowTitle(), " <pause>"));
      return;
    case PlatformEventType::kActivate:
      if (g_app.debugMode != 0) return;
      AppPauseResume(0);
      if (g_app.paused == 0) WindowTitleShow(WindowTitle());
      return;
    case PlatformEventType::kClose:
      ProgramEnd();
      return;
    case PlatformEventType::kOther:
      return;
    default:
      if (g_inputHandler != nullptr) g_inputHandler(event);
      return;
  }
}

int PumpMessages(void (*hook)()) {
  PlatformEvent event;
  if (hook != nullptr) {
    while (PlatformEventPending()) {
      hook();
      if (!PlatformPollEvent(&event)) break;
      MainWindowProc(event);
    }
    return 1;
  }
  while (PlatformPollEvent(&event)) MainWindowProc(event);
  return 1;
}

void KeyBufferPush(GrowArray<uint8_t>& queue, uint8_t c) {
  if (c == 0) return;
  if (c == 13) c = 10;
  if (c < 32 && c != 8 && c != 9 && c != 10) return;
  if (queue.count >= kKeyBufferLimit) return;
  if (!queue.Push(c)) queue.Release();
}
