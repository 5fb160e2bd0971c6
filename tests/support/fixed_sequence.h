// Pseudo-random numbers that are the same on every machine and compiler
// (splitmix64, and floats made from its bits by fixed arithmetic), for
// tests whose scenes and expected answers must not move.
#pragma once

#include <cstdint>

class FixedSequence {
 public:
  explicit FixedSequence(uint64_t seed) : state_(seed) {}

  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // A float in [lo, hi) from 24 random bits.
  float Uniform(float lo, float hi) {
    return lo + (hi - lo) * (static_cast<float>(Next() >> 40) * (1.0f / 16777216.0f));
  }
  // A double in [-1, 1) from 53 random bits.
  double Signed() { return static_cast<double>(Next() >> 11) * 0x1p-52 - 1.0; }
  // 0 to n - 1.
  int32_t Below(int32_t n) { return static_cast<int32_t>(Next() % static_cast<uint64_t>(n)); }

 private:
  uint64_t state_;
};
