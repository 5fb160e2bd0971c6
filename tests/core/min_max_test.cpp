#include "core/min_max.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(MinMaxTest, FloatingFormsPreferTheSecondOperandOnTiesAndNaN) {
  EXPECT_EQ(MaxF(3, 2), 3);
  EXPECT_EQ(MaxF(2, 3), 3);
  EXPECT_EQ(MinF(3, 2), 2);
  EXPECT_EQ(MinF(2, 3), 2);
  EXPECT_TRUE(std::isnan(MaxF(1, kNaN)));
  EXPECT_TRUE(std::isnan(MinF(1, kNaN)));
  EXPECT_EQ(MaxF(kNaN, 1), 1);
  EXPECT_EQ(MinF(kNaN, 1), 1);
  // Equal operands: the second one, told apart by the sign of zero.
  EXPECT_TRUE(std::signbit(MaxF(0.0, -0.0)));
  EXPECT_FALSE(std::signbit(MaxF(-0.0, 0.0)));
  EXPECT_TRUE(std::signbit(MinF(0.0, -0.0)));
  EXPECT_FALSE(std::signbit(MinF(-0.0, 0.0)));
}

TEST(MinMaxTest, MinDoubleFloatWidensTheFloat) {
  EXPECT_EQ(MinDoubleFloat(1.0, 0.5f), 0.5);
  EXPECT_EQ(MinDoubleFloat(0.25, 0.5f), 0.25);
  EXPECT_EQ(MinDoubleFloat(0.1, 0.1f), 0.1);  // 0.1f is a little above 0.1
  EXPECT_EQ(MinDoubleFloat(0.2, 0.1f), static_cast<double>(0.1f));
  EXPECT_TRUE(std::isnan(MinDoubleFloat(1.0, std::numeric_limits<float>::quiet_NaN())));
  EXPECT_EQ(MinDoubleFloat(kNaN, 2.0f), 2.0);
}

TEST(MinMaxTest, IntegerForms) {
  EXPECT_EQ(MaxI(INT_MIN, INT_MAX), INT_MAX);
  EXPECT_EQ(MaxI(INT_MAX, INT_MIN), INT_MAX);
  EXPECT_EQ(MinI(INT_MIN, INT_MAX), INT_MIN);
  EXPECT_EQ(MinI(INT_MAX, INT_MIN), INT_MIN);
  EXPECT_EQ(MaxI(-4, -4), -4);
  EXPECT_EQ(MinI(7, 7), 7);
}

TEST(MinMaxTest, MaxIntDoubleTruncatesTowardZero) {
  struct Case {
    int32_t a;
    double b;
    int32_t expected;
  };
  for (const Case& c : {Case{5, -7.9, 5}, Case{-9, -7.9, -7}, Case{3, 3.99, 3}, Case{2, 3.99, 3},
                        Case{-1, -0.5, 0}, Case{INT_MIN, kNaN, INT_MIN}, Case{0, kNaN, 0}, Case{0, 3e9, 0},
                        Case{-5, -3e9, -5}, Case{INT_MIN + 1, 1e300, INT_MIN + 1},
                        Case{0, 2147483647.9, INT_MAX}}) {
    EXPECT_EQ(MaxIntDouble(c.a, c.b), c.expected) << c.a << " " << c.b;
  }
}

}  // namespace
