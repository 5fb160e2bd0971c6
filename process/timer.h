// The runtime's millisecond clock, frame duration and sleep.
//
// One clock, held as a double, serves the frame timing, the idle and wait
// loops, music deadlines and the game's own timing. Readings count from the
// first reading in the process, which answers 0. With the high-resolution
// counter (after TimerInit) readings carry fractions of a millisecond;
// without it they are whole milliseconds.
#pragma once

#include <cstdint>

struct TimerClock {
  int32_t useCounter;  // 1: the high-resolution counter, 0: whole milliseconds
  double frequency;    // counts per second of the counter, while useCounter is 1
  double base;         // the first reading, in milliseconds
  bool baseSet;        // false until the first reading has stored the base
};

extern TimerClock g_timerClock;

// Looks for the high-resolution counter and uses it when it answers a
// frequency above 0. Leaves the clock base alone. Start-up calls it once,
// before anything reads the clock.
void TimerInit();

// Milliseconds since the first reading of the clock in this process.
double TimerGetMillis();

// Milliseconds since g_app.startTime (the same reading minus the start
// time; before start-up sets the start time it counts from the first
// reading).
double TimerGetGameMillis();

// The current frame time minus the previous one when that is above 0,
// else 1.0.
double FrameDuration();

// Sleeps for ms milliseconds.
void SleepMillis(uint32_t ms);
