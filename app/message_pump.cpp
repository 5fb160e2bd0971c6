#include "app/message_pump.h"

#include "app/std_streams.h"
#include "app/sub_table.h"
#include "app/window_title.h"
#include "devices/input_device.h"
#include "process/app_globals.h"
#include "process/program_end.h"

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
      InputOnWindowMessage(event);
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
