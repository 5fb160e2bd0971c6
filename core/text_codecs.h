// Byte-level text codecs: hexadecimal digits, URL encoding and decoding for
// query texts (Latin-1 bytes travel as UTF-8), and the reduction of UTF-8
// text to single bytes. Inputs are taken by their length word; malformed
// input is dropped by the rules below, never rejected.
#pragma once

#include <cstdint>

#include "core/rt_string.h"

// Two hexadecimal digits per byte, high nibble first, upper or lower case. A
// count of 0 or below (or no bytes) gives the empty text.
RtString HexFromBytes(const uint8_t* bytes, int32_t count, bool upper);

// (value of c1) * 16 + (value of c2), where "0"-"9", "a"-"f" and "A"-"F"
// have their digit values and any other byte its own code.
int32_t HexPairValue(uint8_t c1, uint8_t c2);

// Letters and digits unchanged; a byte of 128 or more as the two
// percent-escaped bytes of its UTF-8 form ("%c3%a9"); every other byte as
// "%" and two lower-case hexadecimal digits.
RtString UrlEncode(const RtString& s);

// "%" with two hexadecimal digits gives their byte, "+" a blank, any other
// byte itself; a "%" not followed by two digits is dropped together with
// the byte behind it when that is no digit, or with its one digit (the byte
// after that is read afresh). Then TextFromUtf8.
RtString UrlDecode(const RtString& s);

// In place: UTF-8 reduced to single bytes. A byte below 128 stays; a
// two-byte form gives its low 8 bits (the Latin-1 code for Latin-1
// characters); a three-byte form the low 8 bits of its last two bytes'
// payload; a four-byte form that of its last two bytes plus 176. Stray
// continuation bytes, the bytes 248 to 255 and lead bytes without enough
// bytes behind them are dropped (the bytes after a dropped lead are read
// afresh). The buffer is kept.
void TextFromUtf8(RtString& s);
