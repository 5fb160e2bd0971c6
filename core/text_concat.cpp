#include "core/text_concat.h"

#include "core/number_text.h"

namespace {

// The number's text (moved in) with the text appended.
RtString NumberThen(RtString number, const char* text) {
  StringAppendCStr(number, text);
  return number;
}

RtString NumberThen(RtString number, const RtString& text) {
  StringAppend(number, text);
  return number;
}

}  // namespace

// The number's text in a temporary, appended as a string.
RtString& StringAppendInt(RtString& s, int32_t v) { return StringAppend(s, StringFromInt(v)); }
RtString& StringAppendInt64(RtString& s, int64_t v) { return StringAppend(s, StringFromInt64(v)); }
RtString& StringAppendFloat(RtString& s, float v) { return StringAppend(s, StringFromFloat(v)); }
RtString& StringAppendDouble(RtString& s, double v) { return StringAppend(s, StringFromDouble(v)); }

RtString IntConcatCStr(int32_t v, const char* p) { return NumberThen(StringFromInt(v), p); }
RtString IntConcatString(int32_t v, const RtString& s) { return NumberThen(StringFromInt(v), s); }
RtString Int64ConcatCStr(int64_t v, const char* p) { return NumberThen(StringFromInt64(v), p); }
RtString Int64ConcatString(int64_t v, const RtString& s) { return NumberThen(StringFromInt64(v), s); }
RtString FloatConcatCStr(float v, const char* p) { return NumberThen(StringFromFloat(v), p); }
RtString FloatConcatString(float v, const RtString& s) { return NumberThen(StringFromFloat(v), s); }
RtString DoubleConcatCStr(double v, const char* p) { return NumberThen(StringFromDouble(v), p); }
RtString DoubleConcatString(double v, const RtString& s) { return NumberThen(StringFromDouble(v), s); }

RtString CStrConcatInt(const char* p, int32_t v) { return CStrConcatString(p, StringFromInt(v)); }
RtString CStrConcatInt64(const char* p, int64_t v) { return CStrConcatString(p, StringFromInt64(v)); }
RtString CStrConcatFloat(const char* p, float v) { return CStrConcatString(p, StringFromFloat(v)); }
RtString CStrConcatDouble(const char* p, double v) { return CStrConcatString(p, StringFromDouble(v)); }
RtString StringConcatInt(const RtString& s, int32_t v) { return StringConcat(s, StringFromInt(v)); }
RtString StringConcatInt64(const RtString& s, int64_t v) { return StringConcat(s, StringFromInt64(v)); }
RtString StringConcatFloat(const RtString& s, float v) { return StringConcat(s, StringFromFloat(v)); }
RtString StringConcatDouble(const RtString& s, double v) { return StringConcat(s, StringFromDouble(v)); }

RtString operator+(const RtString& a, const RtString& b) { return StringConcat(a, b); }
RtString operator+(const RtString& a, const char* b) { return StringConcatCStr(a, b); }
RtString operator+(const char* a, const RtString& b) { return CStrConcatString(a, b); }
RtString operator+(const RtString& s, int32_t v) { return StringConcatInt(s, v); }
RtString operator+(const RtString& s, int64_t v) { return StringConcatInt64(s, v); }
RtString operator+(const RtString& s, float v) { return StringConcatFloat(s, v); }
RtString operator+(const RtString& s, double v) { return StringConcatDouble(s, v); }
RtString operator+(int32_t v, const RtString& s) { return IntConcatString(v, s); }
RtString operator+(int64_t v, const RtString& s) { return Int64ConcatString(v, s); }
RtString operator+(float v, const RtString& s) { return FloatConcatString(v, s); }
RtString operator+(double v, const RtString& s) { return DoubleConcatString(v, s); }

RtString& operator+=(RtString& s, const RtString& b) { return StringAppend(s, b); }
RtString& operator+=(RtString& s, const char* b) { return StringAppendCStr(s, b); }
RtString& operator+=(RtString& s, int32_t v) { return StringAppendInt(s, v); }
RtString& operator+=(RtString& s, int64_t v) { return StringAppendInt64(s, v); }
RtString& operator+=(RtString& s, float v) { return StringAppendFloat(s, v); }
RtString& operator+=(RtString& s, double v) { return StringAppendDouble(s, v); }
