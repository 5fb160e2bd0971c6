// Floating point to integer conversions with the x86 result for values out
// of range: NaN and values beyond the target type give its most negative
// value, as the processor's truncating conversion does. C++ leaves such a
// conversion undefined, so every double-to-integer conversion of a value the
// program supplies goes through here.
#pragma once

#include <cfloat>
#include <cmath>
#include <cstdint>

// Truncates toward zero; NaN and values outside the int range give INT32_MIN.
inline int32_t TruncToInt32(double value) {
  if (!(value > -2147483649.0 && value < 2147483648.0)) return INT32_MIN;
  return static_cast<int32_t>(value);
}

// Truncates toward zero; NaN and values outside the int64 range give
// INT64_MIN.
inline int64_t TruncToInt64(double value) {
  if (!(value >= -9223372036854775808.0 && value < 9223372036854775808.0)) return INT64_MIN;
  return static_cast<int64_t>(value);
}

// Narrows a double to a float as the x86 conversion does (rounding to
// nearest), without the undefined conversion of a value beyond the float
// range: a value less than half a float step above FLT_MAX rounds to
// FLT_MAX, one from the halfway point (2^128 - 2^103) on to an infinity of
// its sign.
inline float NarrowToFloat(double value) {
  if (std::fabs(value) > FLT_MAX) {
    constexpr double kRoundsToInfinity = 340282356779733661637539395458142568448.0;
    const float magnitude = std::fabs(value) >= kRoundsToInfinity ? HUGE_VALF : FLT_MAX;
    return value > 0 ? magnitude : -magnitude;
  }
  return static_cast<float>(value);
}
