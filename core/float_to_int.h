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

// Narrows a double to a float; finite values beyond the float range give an
// infinity of their sign, as the x86 conversion does, instead of an
// undefined conversion.
inline float NarrowToFloat(double value) {
  // An infinity beyond FLT_MAX gives itself either way.
  if (std::fabs(value) > FLT_MAX) return value > 0 ? HUGE_VALF : -HUGE_VALF;
  return static_cast<float>(value);
}
