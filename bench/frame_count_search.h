// The search of the sprite benchmarks for the largest count of sprites
// whose frame fits in a time: doubling from 256 until a count does not fit,
// then halving the interval down to 1% of the count.
#pragma once

#include <algorithm>

struct FrameCountSearch {
  int low = 0;
  int high = 256;
  bool growing = true;

  // The count to try next.
  int Probe() const { return growing ? high : low + (high - low) / 2; }
  bool Done() const { return !growing && high - low <= std::max(1, low / 100); }
  // Whether the frame of Probe() sprites fitted.
  void Report(bool fits) {
    if (growing) {
      if (fits) {
        low = high;
        high *= 2;
      } else {
        growing = false;
      }
      return;
    }
    (fits ? low : high) = Probe();
  }
};
