// The frame period and the wait for the next frame slot.
#pragma once

#include <cstdint>

class OpenGLDodevudi;

// Sets the swap interval (1 with vsync, else 0; failure is harmless) and
// the frame period: 1000 / fps ms, or 2 ms when fps is 0 or less.
void LimitFps(OpenGLDodevudi& engine, int32_t fps, int32_t vsync);

// The clock, sleep and message pump the wait uses; SwapBuffersAndWait
// passes the real ones, tests their own.
struct FrameWaitCalls {
  int (*pump)(void (*hook)());   // 0 = the program must end
  double (*now)();               // milliseconds
  void (*sleep)(double ms);
};

// Pumps and waits until at most 1 ms is left to the next frame time
// (sleeping while more than 7 ms are left, always keeping 3 ms to a busy
// wait), then advances the frame slot. 0 when the pump reports failure
// (the slot is then not advanced), else 1.
int32_t FrameWait(OpenGLDodevudi& engine, void (*hook)(), const FrameWaitCalls& calls);

// Pumps once and advances the frame slot exactly as FrameWait does, without
// waiting for the slot: the frame after it waits for the same time it
// would have waited for had this one waited, so the frame times from then
// on are those FrameWait gives. Start-up uses it for its own frame, which
// nothing is shown against. 0 when the pump reports failure (the slot is
// then not advanced), else 1.
int32_t FrameAdvance(OpenGLDodevudi& engine, void (*hook)(), const FrameWaitCalls& calls);

// The next frame time after a frame whose wait ended at now: one period
// on; a second when now is still later; now + period after a longer stall.
// A period of 0 or less leaves next unchanged.
double FrameNextSlot(double next, double period, double now);
