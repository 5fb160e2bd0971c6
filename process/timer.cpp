#include "process/timer.h"

#include <cmath>

#include "platform/clock.h"
#include "process/app_globals.h"

TimerClock g_timerClock = {0, 0.0, 0.0, false};

void TimerInit() {
  g_timerClock.useCounter = 0;
  const double frequency = PlatformCounterFrequency();
  if (frequency > 0.0) {
    g_timerClock.frequency = frequency;
    g_timerClock.useCounter = 1;
  }
}

double TimerGetMillis() {
  // The counter gives fractions of a millisecond; without it the clock
  // ticks in whole milliseconds.
  const double raw = PlatformMilliseconds();
  const double now = g_timerClock.useCounter != 0 ? raw : std::floor(raw);
  // A flag rather than a base of 0.0 marks the first reading, so that a
  // first reading of exactly 0 is not taken again later.
  if (!g_timerClock.baseSet) {
    g_timerClock.base = now;
    g_timerClock.baseSet = true;
  }
  return now - g_timerClock.base;
}

double TimerGetGameMillis() { return TimerGetMillis() - g_app.startTime; }

double FrameDuration() {
  const double difference = g_app.frameTime - g_app.previousFrameTime;
  return difference > 0.0 ? difference : 1.0;
}

void SleepMillis(uint32_t ms) { PlatformSleep(static_cast<double>(ms)); }
