#include "core/math_deg.h"

#include <cmath>

#include "core/number_text.h"
#include "core/rt_string.h"

double SinDeg(double angle) { return std::sin(angle * kDegToRad); }
double CosDeg(double angle) { return std::cos(angle * kDegToRad); }
double TanDeg(double angle) { return std::tan(angle * kDegToRad); }

double ASinDeg(double x) {
  if (x >= 1.0) return 90.0;
  if (x <= -1.0) return -90.0;
  return std::asin(x) * kRadToDeg;
}

double ACosDeg(double x) {
  if (x >= 1.0) return 0.0;
  if (x <= -1.0) return 180.0;
  return std::acos(x) * kRadToDeg;
}

double ATan2Deg(double y, double x) { return std::atan2(y, x) * kRadToDeg; }

double PowF(double x, double y) { return std::pow(x, y); }
double SqrF(double x) { return std::sqrt(x); }
double LogF(double x) { return std::log(x); }
double FloorF(double x) { return std::floor(x); }
double CeilF(double x) { return std::ceil(x); }

int32_t ModI(int32_t a, int32_t b) {
  // b == -1 always leaves remainder 0; testing it also keeps INT_MIN % -1,
  // which traps, from being evaluated.
  if (b == 0 || b == -1) return 0;
  return a % b;
}

double ModF(double x, double y) {
  if (y == 0.0) return 0.0;
  return std::fmod(x, y);
}

int32_t DoubleTextLength(double x) { return static_cast<int32_t>(StringFromDouble(x).length); }

int32_t IntTextLength(int32_t n) { return static_cast<int32_t>(StringFromInt(n).length); }
