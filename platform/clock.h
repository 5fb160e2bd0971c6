// Monotonic time and sleeping.
#pragma once

// Milliseconds from the monotonic clock, counted from the first reading in
// this process (so the first call answers 0).
double PlatformMilliseconds();

// Counts per second of the high-resolution monotonic counter behind
// PlatformMilliseconds; 0 when the system has none.
double PlatformCounterFrequency();

// Sleeps for the given milliseconds (nothing for 0 or less). A signal that
// interrupts the sleep does not shorten it.
void PlatformSleep(double milliseconds);
