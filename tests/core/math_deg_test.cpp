#include "core/math_deg.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

namespace {

TEST(MathDegTest, ForwardTrigonometryUsesTheRoundedFactor) {
  EXPECT_DOUBLE_EQ(SinDeg(30.0), 0.5);
  // The factor for pi/180 is rounded, so the cosine of 90 is not exactly 0.
  EXPECT_NE(CosDeg(90.0), 0.0);
  EXPECT_NEAR(CosDeg(90.0), 6.1e-17, 1e-18);
  EXPECT_DOUBLE_EQ(TanDeg(45.0), 1.0);
  // No reduction modulo 360: the product goes to the library as it is.
  EXPECT_EQ(SinDeg(1e6), std::sin(1e6 * 0.017453292519943295));
}

TEST(MathDegTest, InverseTrigonometryClampsBeyondTheDomain) {
  struct Case {
    double x;
    double asinDeg;
    double acosDeg;
  };
  const double inf = std::numeric_limits<double>::infinity();
  const Case cases[] = {
      {1.5, 90.0, 0.0}, {1.0, 90.0, 0.0}, {-1.0, -90.0, 180.0}, {-7.0, -90.0, 180.0},
      {inf, 90.0, 0.0}, {-inf, -90.0, 180.0}, {0.0, 0.0, 90.0},
  };
  for (const Case& c : cases) {
    EXPECT_DOUBLE_EQ(ASinDeg(c.x), c.asinDeg) << "x " << c.x;
    EXPECT_DOUBLE_EQ(ACosDeg(c.x), c.acosDeg) << "x " << c.x;
  }
  EXPECT_DOUBLE_EQ(ASinDeg(0.5), 30.000000000000004);
  EXPECT_TRUE(std::isnan(ASinDeg(std::nan(""))));
  EXPECT_TRUE(std::isnan(ACosDeg(std::nan(""))));
}

TEST(MathDegTest, ATan2TakesYFirst) {
  EXPECT_DOUBLE_EQ(ATan2Deg(1.0, 0.0), 90.0);
  EXPECT_DOUBLE_EQ(ATan2Deg(0.0, -1.0), 180.0);
  EXPECT_DOUBLE_EQ(ATan2Deg(-1.0, 0.0), -90.0);
  EXPECT_DOUBLE_EQ(ATan2Deg(1.0, 1.0), 45.0);
}

TEST(MathDegTest, LibraryFunctions) {
  EXPECT_DOUBLE_EQ(PowF(2.0, 10.0), 1024.0);
  EXPECT_DOUBLE_EQ(SqrF(2.25), 1.5);
  EXPECT_TRUE(std::isnan(SqrF(-1.0)));
  EXPECT_DOUBLE_EQ(LogF(std::exp(2.0)), 2.0);
  EXPECT_EQ(LogF(0.0), -std::numeric_limits<double>::infinity());
  EXPECT_DOUBLE_EQ(FloorF(-2.5), -3.0);
  EXPECT_DOUBLE_EQ(CeilF(-2.5), -2.0);
  EXPECT_DOUBLE_EQ(FloorF(2.5), 2.0);
  EXPECT_DOUBLE_EQ(CeilF(2.5), 3.0);
}

TEST(MathDegTest, ModITable) {
  struct Case {
    int32_t a, b, expected;
  };
  const Case cases[] = {
      {7, 0, 0},   {0, 0, 0},   {-7, 3, -1},  {7, -3, 1},   {7, 3, 1},   {-7, -3, -1},
      {INT32_MIN, -1, 0},       {INT32_MIN, 1, 0},          {INT32_MAX, -1, 0},
      {INT32_MIN, 7, -2},       {5, INT32_MIN, 5},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ModI(c.a, c.b), c.expected) << c.a << " mod " << c.b;
  }
}

TEST(MathDegTest, ModFTable) {
  EXPECT_EQ(ModF(5.5, 0.0), 0.0);
  EXPECT_FALSE(std::signbit(ModF(5.5, 0.0)));
  EXPECT_FALSE(std::signbit(ModF(5.5, -0.0)));
  EXPECT_FALSE(std::signbit(ModF(-5.5, 0.0)));
  EXPECT_DOUBLE_EQ(ModF(-5.5, 2.0), -1.5);
  EXPECT_DOUBLE_EQ(ModF(5.5, -2.0), 1.5);
  EXPECT_TRUE(std::isnan(ModF(5.5, std::nan(""))));
}

TEST(MathDegTest, DoubleTextLength) {
  struct Case {
    double x;
    int32_t length;
  };
  const Case cases[] = {
      {2.0, 1}, {0.0, 1}, {-3.5, 4}, {1.25, 4}, {0.1, 3},
      {1234567891.0, 10},   // ten digits, the "." cut
      {1e20, 7},            // 1.e+020
      {static_cast<double>(0.1f), 12},  // 0.1000000015
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DoubleTextLength(c.x), c.length) << "x " << c.x;
  }
}

TEST(MathDegTest, IntTextLength) {
  EXPECT_EQ(IntTextLength(INT32_MIN), 11);
  EXPECT_EQ(IntTextLength(INT32_MAX), 10);
  EXPECT_EQ(IntTextLength(0), 1);
  EXPECT_EQ(IntTextLength(-1), 2);
  EXPECT_EQ(IntTextLength(100), 3);
}

}  // namespace
