// Joining texts with numbers: the operations translated BASIC code calls for
// "+" and "+=" where at least one operand is text. Numbers become text by
// the fixed rules of core/number_text.h (decimal integers; the 10-digit
// floating-point text, a float widened to double first). A null
// `const char*` counts as the empty text. The text-with-text forms
// (StringAppend, StringAppendCStr, StringConcat, StringConcatCStr,
// CStrConcatString, CStrConcatCStr) are in core/rt_string.h.
#pragma once

#include <cstdint>

#include "core/rt_string.h"

// Append in place; each returns the target.
RtString& StringAppendInt(RtString& s, int32_t v);
RtString& StringAppendInt64(RtString& s, int64_t v);
RtString& StringAppendFloat(RtString& s, float v);
RtString& StringAppendDouble(RtString& s, double v);

// A new string: the number's text, then the text.
RtString IntConcatCStr(int32_t v, const char* p);
RtString IntConcatString(int32_t v, const RtString& s);
RtString Int64ConcatCStr(int64_t v, const char* p);
RtString Int64ConcatString(int64_t v, const RtString& s);
RtString FloatConcatCStr(float v, const char* p);
RtString FloatConcatString(float v, const RtString& s);
RtString DoubleConcatCStr(double v, const char* p);
RtString DoubleConcatString(double v, const RtString& s);

// A new string: the text, then the number's text.
RtString CStrConcatInt(const char* p, int32_t v);
RtString CStrConcatInt64(const char* p, int64_t v);
RtString CStrConcatFloat(const char* p, float v);
RtString CStrConcatDouble(const char* p, double v);
RtString StringConcatInt(const RtString& s, int32_t v);
RtString StringConcatInt64(const RtString& s, int64_t v);
RtString StringConcatFloat(const RtString& s, float v);
RtString StringConcatDouble(const RtString& s, double v);

// The same as operators.
RtString operator+(const RtString& a, const RtString& b);
RtString operator+(const RtString& a, const char* b);
RtString operator+(const char* a, const RtString& b);
RtString operator+(const RtString& s, int32_t v);
RtString operator+(const RtString& s, int64_t v);
RtString operator+(const RtString& s, float v);
RtString operator+(const RtString& s, double v);
RtString operator+(int32_t v, const RtString& s);
RtString operator+(int64_t v, const RtString& s);
RtString operator+(float v, const RtString& s);
RtString operator+(double v, const RtString& s);

RtString& operator+=(RtString& s, const RtString& b);
RtString& operator+=(RtString& s, const char* b);
RtString& operator+=(RtString& s, int32_t v);
RtString& operator+=(RtString& s, int64_t v);
RtString& operator+=(RtString& s, float v);
RtString& operator+=(RtString& s, double v);
