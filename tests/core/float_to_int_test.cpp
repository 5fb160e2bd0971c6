#include "core/float_to_int.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
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

}  // namespace
