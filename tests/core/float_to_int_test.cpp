#include "core/float_to_int.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace {

constexpr int32_t kMin32 = std::numeric_limits<int32_t>::min();
constexpr int64_t kMin64 = std::numeric_limits<int64_t>::min();

TEST(FloatToIntTest, TruncToInt32Table) {
  struct Case {
    double value;
    int32_t expected;
  };
  const double inf = std::numeric_limits<double>::infinity();
  const Case cases[] = {
      {0.0, 0},
      {-0.0, 0},
      {2.9, 2},
      {-2.9, -2},
      {0.999999, 0},
      {-0.999999, 0},
      {2147483647.0, 2147483647},
      {2147483647.9, 2147483647},
      {2147483648.0, kMin32},
      {-2147483648.0, kMin32},
      {-2147483648.9, kMin32},
      {-2147483649.0, kMin32},
      {-2147483647.5, -2147483647},
      {1e300, kMin32},
      {-1e300, kMin32},
      {inf, kMin32},
      {-inf, kMin32},
      {std::nan(""), kMin32},
      {std::numeric_limits<double>::denorm_min(), 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TruncToInt32(c.value), c.expected) << "value " << c.value;
  }
}

TEST(FloatToIntTest, TruncToInt64Table) {
  struct Case {
    double value;
    int64_t expected;
  };
  const double inf = std::numeric_limits<double>::infinity();
  const Case cases[] = {
      {0.0, 0},
      {-2.9, -2},
      {4294967296.5, 4294967296},
      {-9223372036854775808.0, kMin64},
      {9223372036854774784.0, 9223372036854774784},  // largest double below 2^63
      {9223372036854775808.0, kMin64},
      {-9223372036854777856.0, kMin64},  // next double below -2^63
      {1e300, kMin64},
      {-inf, kMin64},
      {inf, kMin64},
      {std::nan(""), kMin64},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TruncToInt64(c.value), c.expected) << "value " << c.value;
  }
}

// Beyond FLT_MAX is infinite, even where rounding to the nearest float
// would give FLT_MAX; the rest converts as the cast does, bit for bit
// (signed zeros, values that round to 0, NaN).
TEST(FloatToIntTest, NarrowToFloatTable) {
  struct Case {
    double value;
    float expected;
  };
  const double inf = std::numeric_limits<double>::infinity();
  const double aboveMax = std::nextafter(static_cast<double>(FLT_MAX), inf);
  // Halfway between FLT_MAX and 2^128, where rounding to nearest (even)
  // reaches the infinity.
  const double halfway = std::ldexp(1.0, 128) - std::ldexp(1.0, 103);
  const double justBelowHalfway = std::nextafter(halfway, 0.0);
  const Case cases[] = {
      {0.0, 0.0f},
      {-0.0, -0.0f},
      {1.5, 1.5f},
      {0.1, 0.1f},
      {-1e-300, -0.0f},
      {1e-45, 1e-45f},
      {static_cast<double>(FLT_MAX), FLT_MAX},
      {-static_cast<double>(FLT_MAX), -FLT_MAX},
      {aboveMax, FLT_MAX},
      {-aboveMax, -FLT_MAX},
      {justBelowHalfway, FLT_MAX},
      {-justBelowHalfway, -FLT_MAX},
      {halfway, HUGE_VALF},
      {-halfway, -HUGE_VALF},
      {1e300, HUGE_VALF},
      {-1e300, -HUGE_VALF},
      {inf, HUGE_VALF},
      {-inf, -HUGE_VALF},
  };
  for (const Case& c : cases) {
    const float got = NarrowToFloat(c.value);
    EXPECT_EQ(std::memcmp(&got, &c.expected, sizeof got), 0) << "value " << c.value << " gave " << got;
  }
  for (const double nan : {std::nan(""), -std::nan(""), std::nan("5")}) {
    const float got = NarrowToFloat(nan);
    const float cast = static_cast<float>(nan);
    EXPECT_EQ(std::memcmp(&got, &cast, sizeof got), 0);
  }
}

}  // namespace
