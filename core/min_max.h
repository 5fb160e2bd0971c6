// The small minimum and maximum helpers used across the runtime.
//
// Each returns one of its operands unchanged; on a tie (and, for the
// floating-point forms, when either operand is NaN) the second one wins.
#pragma once

#include <cstdint>

// a when a > b, otherwise b.
double MaxF(double a, double b);
// b when b <= a or either is NaN, otherwise a.
double MinF(double a, double b);
// b (widened) when b <= a or either is NaN, otherwise a.
double MinDoubleFloat(double a, float b);
// b when b >= a, otherwise a.
int32_t MaxI(int32_t a, int32_t b);
// b when b <= a, otherwise a.
int32_t MinI(int32_t a, int32_t b);
// The larger of a and b truncated toward zero (TruncToInt32: NaN and values
// outside the int32 range count as the most negative int32, so a wins).
int32_t MaxIntDouble(int32_t a, double b);
