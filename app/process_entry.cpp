// The process entry of the game.
//
// Opens the game window, clears it each frame at 60 frames a second, and
// ends on Escape or when the window is closed.
#include <GL/gl.h>

#include <cstdio>

#include "app/program_end.h"
#include "platform/clock.h"
#include "platform/command_line.h"
#include "platform/events.h"
#include "platform/gl_window.h"

int main(int argc, char** argv) {
  PlatformSetArguments(argc, argv);

  PlatformWindowConfig config;
  config.title = "Zivure";
  PlatformWindow* window = PlatformWindowCreate(config);
  if (window == nullptr) {
    std::fprintf(stderr, "zivure: cannot open the window: %s\n", PlatformLastError().c_str());
    return 1;
  }

  const double frame_period = 1000.0 / 60.0;
  double next_frame = PlatformMilliseconds();
  for (bool running = true; running;) {
    PlatformEvent event;
    while (PlatformPollEvent(&event)) {
      if (event.type == PlatformEventType::kClose) running = false;
      if (event.type == PlatformEventType::kKeyDown && event.key == 1) running = false;
    }
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    PlatformWindowSwap(window);
    next_frame += frame_period;
    PlatformSleep(next_frame - PlatformMilliseconds());
  }

  PlatformWindowDestroy(window);
  ProgramEnd();
}
