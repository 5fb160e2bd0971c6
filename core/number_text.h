// Numbers to text and text to numbers: the rules every command that joins,
// compares or prints numbers relies on.
#pragma once

#include <cstdint>

#include "core/rt_string.h"

// Decimal text of a 64-bit value, "-" in front when negative (the most
// negative value prints in full). Capacity 80.
RtString StringFromInt64(int64_t value);

// Room for any text Int64ToTextRadix writes (64 binary digits and the
// terminator).
inline constexpr int kRadixBufferSize = 65;

// Writes the digits of value in radix 2 to 36 (lower-case letters from 10 on)
// with a terminator into buffer (kRadixBufferSize bytes) and returns buffer.
// Only radix 10 writes a sign; any other radix writes a negative value as its
// unsigned 64-bit pattern. A radix outside 2..36 writes the empty text.
char* Int64ToTextRadix(int64_t value, char* buffer, int32_t radix);

// Lower-case hexadecimal without leading zeros ("%x"). Capacity 32.
RtString StringFromHex32(uint32_t value);

// The floating-point text: _gcvt's 10 significant digits (CrtGcvt10), then
// ".0" becomes "0" and a last "." is removed. 2.0 gives "2", 1e20 gives
// "1.e+020". A float is widened to double first, so the float nearest 0.1
// gives "0.1000000015". Capacity 80.
RtString StringFromDouble(double value);
RtString StringFromFloat(float value);

// The longest text the fixed formats answer: room for every digit of any
// double (at most 309 before the point and 1074 after it) and a wide field.
inline constexpr int32_t kFormatTextLimit = 4096;

// printf's "%W.Pf", "%W.Pd" and "%W.Plld" with W = width and P = digits
// truncated toward zero. A negative width pads on the right; a negative
// digit count leaves the precision out. The result is the text printf makes,
// cut after kFormatTextLimit bytes, so a huge width or digit count answers at
// once; a width printf cannot make (NaN or beyond the int range) gives the
// empty text. FormatInt(4, 0, 0) gives four blanks.
RtString FormatNumber(double width, double decimals, double value);
RtString FormatInt(double width, double digits, int32_t value);
RtString FormatInt64(double width, double digits, int64_t value);

// Leading blanks (space, codes 9 to 13), one optional sign, decimal digits up
// to the first other byte, wrapping in 64 bits. No digit gives 0.
int64_t ParseInt64(const char* text);
int64_t ParseInt64(const RtString& text);

// atoi and atof of the text up to its first zero byte (CrtAtoi, CrtAtof).
int32_t TextToInt(const RtString& text);
double TextToDouble(const RtString& text);
