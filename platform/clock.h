// Monotonic time and sleeping.
#pragma once

// Milliseconds from the monotonic clock, counted from the first reading in
// this process (so the first call answers 0).
double PlatformMilliseconds();

// Sleeps for the given milliseconds (nothing for 0 or less). A signal that
// interrupts the sleep does not shorten it.
void PlatformSleep(double milliseconds);
