// The C runtime routines the text commands rely on, with the behaviour of
// the Windows C runtime the BASIC programs were written against. glibc's
// own versions differ (locale, hexadecimal and "inf" input, the number text
// form, bytes above 127), so the runtime uses these everywhere instead.
//
// A null `const char*` counts as the empty text in every routine here.
#pragma once

#include <cstddef>
#include <cstdint>

// atoi: leading blanks (space, codes 9 to 13), one optional sign, decimal
// digits up to the first other byte. The value wraps in 32 bits; no digit
// gives 0.
int32_t CrtAtoi(const char* text);

// The same parse in 64 bits, wrapping in 64 bits.
int64_t CrtParseInt64(const char* text);

// atof: leading blanks, one optional sign, decimal digits with an optional
// "." and fraction and an optional exponent ("e" or "E", optional sign,
// digits). Always "." whatever the locale; no hexadecimal, "inf" or "nan".
// Correctly rounded; too large gives an infinity; no number gives 0.
double CrtAtof(const char* text);

// strcmp on unsigned bytes, normalised to -1, 0 or 1.
int32_t CrtStrcmp(const char* a, const char* b);

// _stricmp: bytes compared after folding "A" to "Z" onto "a" to "z" (so "_"
// sorts before letters), normalised to -1, 0 or 1.
int32_t CrtStricmp(const char* a, const char* b);

// toupper / tolower of the C locale: only "a" to "z" and "A" to "Z" change.
inline uint8_t CrtToUpper(uint8_t c) { return c >= 'a' && c <= 'z' ? static_cast<uint8_t>(c - 32) : c; }
inline uint8_t CrtToLower(uint8_t c) { return c >= 'A' && c <= 'Z' ? static_cast<uint8_t>(c + 32) : c; }

// Room for any text CrtGcvt10 writes, terminator included.
inline constexpr size_t kGcvtBufferSize = 32;

// _gcvt(value, 10): the value rounded half up, on its exact decimal
// expansion, to 10 significant digits. The form is chosen before that
// rounding: with d the decimal exponent of the first digit of the 17-digit
// expansion, -1 <= d <= 9 gives the plain form ("2.", "0.5", "1234567891.",
// "0.1000000015"), anything else the exponent form with up to 9 decimals and
// a three-digit exponent ("5.e-002", "1.23456789e+010"). A carry into a new
// decade keeps the form and moves the digits: 9999999999.5 gives
// "10000000000.", 0.0999999999999 gives "1.e-001". Trailing zeros of the
// digits are removed; the "." stays. Writes the text with its terminator into buffer (kGcvtBufferSize
// bytes) and returns its length.
//
// Values without digits, as the Windows runtime prints them:
//   -0.0                    "-0."      (the sign bit is kept, as printf does)
//   +/- infinity            "1.#INF"   / "-1.#INF"
//   the x86 default NaN     "-1.#IND"  (sign set, quiet, no payload: 0/0)
//   any other quiet NaN     "1.#QNAN"  / "-1.#QNAN"
//   a signalling NaN        "1.#SNAN"  / "-1.#SNAN"
uint32_t CrtGcvt10(double value, char* buffer);

// mbstowcs / wcstombs of the Windows C locale: each byte is the code unit of
// the same value (0 to 255) and back. Both write at most n units, stop after
// the terminator and return the count written without it. CrtWcsToMbs stops
// at a code unit above 255, which has no byte, and ends the text there when
// there is room.
size_t CrtMbsToWcs(char16_t* out, const char* text, size_t n);
size_t CrtWcsToMbs(char* out, const char16_t* wide, size_t n);

// wcslen: code units before the terminator; null gives 0.
size_t CrtWcsLen(const char16_t* wide);
