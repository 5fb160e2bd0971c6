#include "gfx2d/background_commands.h"

#include <algorithm>
#include <string>

#include "files/media_resolver.h"
#include "gfx2d/background_tiles.h"
#include "gfx2d/frame_clear.h"
#include "gfx2d/opengl_dodevudi.h"
#include "gfx2d/render_state.h"
#include "gfx2d/screen_grab.h"
#include "process/app_globals.h"
#include "process/error_state.h"
#include "process/frame_hooks.h"
#include "process/timer.h"

namespace {

constexpr int32_t kScreenBackground = 0;
constexpr int32_t kFadeTarget = 1;
constexpr int32_t kFadeSource = 2;

// A failed background load: error 3, no background, cleared to black.
void BackgroundFailed(OpenGLDodevudi& engine) {
  RuntimeSetError(kErrorFile);
  BackgroundSlotFree(engine, kScreenBackground);
  SetClearColour(engine, 0);
}

}  // namespace

void GfxGrabBackground() {
  if (g_app.engine2d != nullptr) GrabScreenToBackground(*g_app.engine2d, kScreenBackground);
}

void BackgroundLoadFile(const RtString& name) {
  ClearLastError();
  OpenGLDodevudi* engine = g_app.engine2d;
  if (engine == nullptr) return;
  std::string resolved;
  if (MediaResolveName(name.c_str(), &resolved) == 0 ||
      !BackgroundLoad(*engine, kScreenBackground, resolved.c_str())) {
    BackgroundFailed(*engine);
    return;
  }
  DrawBackground(*engine, kScreenBackground);
}

void BackgroundFadeTo(const RtString& name, int32_t ms) {
  ClearLastError();
  OpenGLDodevudi* engine = g_app.engine2d;
  if (engine == nullptr) return;
  std::string resolved;
  if (MediaResolveName(name.c_str(), &resolved) == 0) {
    BackgroundFailed(*engine);
    return;
  }
  GrabScreenToBackground(*engine, kFadeSource);
  if (!BackgroundLoad(*engine, kFadeTarget, resolved.c_str())) {
    BackgroundSlotFree(*engine, kFadeSource);
    BackgroundFailed(*engine);
    return;
  }
  BackgroundSlotFree(*engine, kScreenBackground);
  SetClearColour(*engine, 0);

  // f is the old picture's share: from 0.9, then the time left over the
  // duration, until the time is up (a step that took no time on the clock
  // goes on with f at 1). A duration of 0 or less shows one step.
  const double duration = static_cast<float>(ms);
  const double end = TimerGetGameMillis() + duration;
  double f = 0.9;
  for (;;) {
    DrawBackgroundMix(*engine, kFadeSource, kFadeTarget, static_cast<float>(1.0 - f));
    CallShowScreen();
    const double left = end - TimerGetGameMillis();
    if (duration <= 0.0 || left <= 0.0) break;
    f = std::min(1.0, left / duration);
  }

  GfxSetBlendMode(0.0);
  DrawBackground(*engine, kFadeTarget);
  GrabScreenToBackground(*engine, kScreenBackground);
  BackgroundSlotFree(*engine, kFadeTarget);
  BackgroundSlotFree(*engine, kFadeSource);
  CallShowScreen();
}
