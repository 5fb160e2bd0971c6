// Floating-point to integer conversion with the x86 answer for every input.
//
// Values inside the target range are truncated toward zero. NaN and values
// whose truncation does not fit give the most negative integer of the
// target width, as the processor's truncating conversion does. Use these
// wherever a double or float becomes an integer; a plain cast of such a
// value is undefined behaviour in C++.
#pragma once

#include <cstdint>

int32_t TruncToInt32(double value);
int64_t TruncToInt64(double value);
