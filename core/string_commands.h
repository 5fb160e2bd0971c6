// The string commands of the BASIC dialect: substrings, trimming, case and
// character codes. Positions and counts are 0-based byte positions and byte
// counts; out-of-range values give the empty text, 0 or an unchanged string,
// never an error. Number texts are in core/number_text.h.
#pragma once

#include <cstdint>

#include "core/rt_string.h"

// The count bytes of s from start. A negative count means "to the end"; a
// range reaching past the end is cut there; a start outside the text or
// nothing left gives the empty text. The result is reserved for count + 1.
RtString StringMid(const RtString& s, int32_t start, int32_t count);

// In place: cuts s to its first n bytes when 0 <= n < length, keeping the
// buffer; otherwise nothing changes.
void TextTruncate(RtString& s, int32_t n);

// s without its leading (trailing) bytes that are members of set (every byte
// of its length word). Nothing skipped gives a copy of s.
RtString StringTrimLeft(const RtString& s, const RtString& set);
RtString StringTrimRight(const RtString& s, const RtString& set);

// In place: removes the trailing bytes with codes 0 to 31.
void StringTrimControl(RtString& s);

// In place: every byte of the length word through the C locale's toupper or
// tolower (only "a" to "z" and "A" to "Z" change).
void StringUpper(RtString& s);
void StringLower(RtString& s);

// Converted copies of s.
RtString TextUpper(const RtString& s);
RtString TextLower(const RtString& s);

// The first byte of the text as 0 to 255 (0 for an empty text).
int32_t TextCharCode(const RtString& s);
// The byte at position n as 0 to 255 when 0 <= n < length, otherwise 0.
int32_t TextCharCodeAt(const RtString& s, int32_t n);

// A string of length 1 holding the low 8 bits of code (code 0 gives a
// string whose one byte is 0).
RtString TextFromCharCode(int32_t code);
