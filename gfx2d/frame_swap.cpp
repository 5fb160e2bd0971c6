#include "gfx2d/frame_swap.h"

#include "gfx2d/frame_clear.h"
#include "gfx2d/frame_pacing.h"
#include "gfx2d/offscreen_screens.h"
#include "gfx2d/opengl_dodevudi.h"
#include "gfx2d/quad_batch.h"
#include "platform/clock.h"
#include "platform/gl_window.h"
#include "process/frame_hooks.h"
#include "process/timer.h"

namespace {

const FrameWaitCalls kCalls = {CallPumpMessages, TimerGetMillis, PlatformSleep};

void SwapAndClear(OpenGLDodevudi& engine) {
  // The frame's last quads, then the window is the target again before
  // the swap.
  QuadBatchFlush();
  if (engine.currentScreen >= 0) ScreenEndCurrent(engine);
  PlatformWindowSwap(engine.window);
  ClearScreen(engine);
}

}  // namespace

int32_t SwapBuffersAndWait(OpenGLDodevudi& engine, void (*hook)()) {
  SwapAndClear(engine);
  return FrameWait(engine, hook, kCalls);
}

int32_t SwapBuffersAndAdvance(OpenGLDodevudi& engine, void (*hook)()) {
  SwapAndClear(engine);
  return FrameAdvance(engine, hook, kCalls);
}
