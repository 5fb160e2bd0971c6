#include "gfx2d/frame_pacing.h"

#include <cmath>

#include "gfx2d/opengl_dodevudi.h"
#include "platform/gl_window.h"

namespace {

// Sleep while more than this is left, always keeping the margin to a busy
// wait; stop once no more than the last constant is left.
constexpr float kSleepAbove = 7.0f;
constexpr float kSleepMargin = 3.0f;
constexpr double kSpinAbove = 1.0;

}  // namespace

void LimitFps(OpenGLDodevudi& engine, int32_t fps, int32_t vsync) {
  PlatformSetSwapInterval(vsync != 0 ? 1 : 0);
  engine.framePeriod = fps > 0 ? 1000.0 / fps : 2.0;
}

double FrameNextSlot(double next, double period, double now) {
  if (period <= 0.0) return next;
  next += period;
  if (now > next) {
    next += period;
    if (now > next) next = now + period;
  }
  return next;
}

int32_t FrameAdvance(OpenGLDodevudi& engine, void (*hook)(), const FrameWaitCalls& calls) {
  if (calls.pump(hook) == 0) return 0;
  engine.nextFrameTime = FrameNextSlot(engine.nextFrameTime, engine.framePeriod, calls.now());
  return 1;
}

int32_t FrameWait(OpenGLDodevudi& engine, void (*hook)(), const FrameWaitCalls& calls) {
  double now = 0.0;
  for (;;) {
    if (calls.pump(hook) == 0) return 0;
    now = calls.now();
    const double wait = engine.nextFrameTime - now;
    if (wait > kSleepAbove) {
      const double sleep = wait - kSleepMargin;
      calls.sleep(std::trunc(sleep));
      now += sleep;
      continue;
    }
    if (wait > kSpinAbove) continue;
    break;
  }
  engine.nextFrameTime = FrameNextSlot(engine.nextFrameTime, engine.framePeriod, now);
  return 1;
}
