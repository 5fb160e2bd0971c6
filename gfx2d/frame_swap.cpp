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

int32_t SwapBuffersAndWait(OpenGLDodevudi& engine, void (*hook)()) {
  // The frame's last quads, then the window is the target again before
  // the swap.
  QuadBatchFlush();
  if (engine.currentScreen >= 0) ScreenEndCurrent(engine);
  PlatformWindowSwap(engine.window);
  ClearScreen(engine);
  static const FrameWaitCalls kCalls = {CallPumpMessages, TimerGetMillis, PlatformSleep};
  return FrameWait(engine, hook, kCalls);
}
