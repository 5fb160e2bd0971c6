// The dialect's number functions: trigonometry in degrees, powers, roots,
// logarithms, rounding, remainders and the length of a number's text.
// None of them sets the last error; domain and range errors give the
// mathematics library's NaN and infinities except where noted.
#pragma once

#include <cstdint>

inline constexpr double kDegToRad = 0.017453292519943295;
inline constexpr double kRadToDeg = 57.29577951308232;

// sin, cos, tan of angle * kDegToRad (no reduction modulo 360 first).
double SinDeg(double angle);
double CosDeg(double angle);
double TanDeg(double angle);
// Clamped: x >= 1 gives 90 (ACosDeg: 0), x <= -1 gives -90 (ACosDeg: 180);
// NaN goes to the library unchanged.
double ASinDeg(double x);
double ACosDeg(double x);
// atan2(y, x) in degrees, -180 to 180.
double ATan2Deg(double y, double x);

double PowF(double x, double y);
// Square root; a negative x gives NaN.
double SqrF(double x);
double LogF(double x);
double FloorF(double x);
double CeilF(double x);

// Remainder of truncating division (sign of a); 0 when b is 0, and 0 for
// the most negative int by -1, where the division itself would overflow.
int32_t ModI(int32_t a, int32_t b);
// +0.0 when y is zero of either sign, else fmod(x, y) (sign of x).
double ModF(double x, double y);

// Characters in the floating-point text of x (10 significant digits, as
// StringFromDouble writes it).
int32_t DoubleTextLength(double x);
// Characters in the decimal text of n, a minus sign included.
int32_t IntTextLength(int32_t n);
