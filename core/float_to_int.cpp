#include "core/float_to_int.h"

#include <limits>

int32_t TruncToInt32(double value) {
  // Every double strictly between these bounds truncates into the range;
  // the comparisons are false for NaN.
  if (value > -2147483649.0 && value < 2147483648.0) return static_cast<int32_t>(value);
  return std::numeric_limits<int32_t>::min();
}

int64_t TruncToInt64(double value) {
  // -2^63 is itself representable and in range; 2^63 is the first value
  // above it.
  if (value >= -9223372036854775808.0 && value < 9223372036854775808.0) {
    return static_cast<int64_t>(value);
  }
  return std::numeric_limits<int64_t>::min();
}
