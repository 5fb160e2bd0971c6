// Conversions between 8-bit text and wide (16-bit) text: each byte is the
// code unit of the same value, 0 to 255 (CrtMbsToWcs, CrtWcsToMbs).
#pragma once

#include "core/rt_string.h"

// Code units in TextToWide's array, terminator included.
inline constexpr uint32_t kTextToWideUnits = 512;

// Converts s up to its first zero byte into one process-wide array and
// returns it; valid until the next call. A text of 512 bytes or more is cut
// to its first 511. Not reentrant.
const char16_t* TextToWide(const RtString& s);

// Assigns the 8-bit form of w (null counts as empty) to target, reserving
// wcslen(w) + 1 without keeping; the conversion stops at a code unit above
// 255, and the length is the count of bytes before the first zero byte.
void StringSetWide(RtString& target, const char16_t* w);

// A new string holding the 8-bit form of w, as StringSetWide makes it.
RtString StringFromWide(const char16_t* w);
