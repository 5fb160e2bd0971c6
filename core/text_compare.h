// Comparisons of texts with texts and of texts with numbers.
//
// Text with text compares bytes as strcmp does (unsigned, up to the first
// zero byte), except "==" with an RtString on either side, which compares
// the lengths first and then every byte of the length word (zero bytes
// included). So for strings holding a zero byte, "==" and "!=" of two
// RtStrings are not each other's negation.
//
// A number compared with a text converts the text to the number's kind
// (CrtAtoi for int, ParseInt64 for int64, CrtAtof for double; a float is
// widened to double) and compares the numbers, the number staying on its
// side. Floating-point relations follow IEEE 754: with a NaN only "!=" holds.
//
// The operators cover every pair with an RtString; the named functions
// cover the pairs C++ cannot overload (plain texts and numbers with plain
// texts). A null `const char*` counts as the empty text.
#pragma once

#include <cstdint>

#include "core/rt_string.h"

enum class TextRelation { kEqual, kNotEqual, kLess, kGreater, kLessEqual, kGreaterEqual };

// Whether `sign` (below 0, 0 or above 0, a three-way result) satisfies the
// relation.
bool RelationHolds(int32_t sign, TextRelation relation);

// "==" with an RtString: lengths first, then the bytes.
bool StringEquals(const RtString& a, const RtString& b);
bool StringEqualsCStr(const RtString& a, const char* b);

bool CompareCStr(const char* a, TextRelation relation, const char* b);
bool CompareIntCStr(int32_t x, TextRelation relation, const char* t);
bool CompareCStrInt(const char* t, TextRelation relation, int32_t x);
bool CompareInt64CStr(int64_t x, TextRelation relation, const char* t);
bool CompareCStrInt64(const char* t, TextRelation relation, int64_t x);
bool CompareDoubleCStr(double x, TextRelation relation, const char* t);
bool CompareCStrDouble(const char* t, TextRelation relation, double x);

// Three-way comparisons. TextCompare is strcmp's order as -1, 0 or 1.
// TextCompareDouble: n = atof(s); -1 when v > n, 1 when n > v, otherwise 0
// (also with a NaN). TextCompareInt: n = atoi(s); -1, 0 or 1 as n is below,
// equal to or above v.
int32_t TextCompare(const RtString& s, const char* p);
int32_t TextCompareDouble(const RtString& s, double v);
int32_t TextCompareInt(const RtString& s, int32_t v);

// Text with text.
bool operator==(const RtString& a, const RtString& b);
bool operator==(const RtString& a, const char* b);
bool operator==(const char* a, const RtString& b);
bool operator!=(const RtString& a, const RtString& b);
bool operator!=(const RtString& a, const char* b);
bool operator!=(const char* a, const RtString& b);
bool operator<(const RtString& a, const RtString& b);
bool operator<(const RtString& a, const char* b);
bool operator<(const char* a, const RtString& b);
bool operator>(const RtString& a, const RtString& b);
bool operator>(const RtString& a, const char* b);
bool operator>(const char* a, const RtString& b);
bool operator<=(const RtString& a, const RtString& b);
bool operator<=(const RtString& a, const char* b);
bool operator<=(const char* a, const RtString& b);
bool operator>=(const RtString& a, const RtString& b);
bool operator>=(const RtString& a, const char* b);
bool operator>=(const char* a, const RtString& b);

// Text with numbers (a float argument widens to the double form).
bool operator==(const RtString& t, int32_t x);
bool operator==(int32_t x, const RtString& t);
bool operator!=(const RtString& t, int32_t x);
bool operator!=(int32_t x, const RtString& t);
bool operator<(const RtString& t, int32_t x);
bool operator<(int32_t x, const RtString& t);
bool operator>(const RtString& t, int32_t x);
bool operator>(int32_t x, const RtString& t);
bool operator<=(const RtString& t, int32_t x);
bool operator<=(int32_t x, const RtString& t);
bool operator>=(const RtString& t, int32_t x);
bool operator>=(int32_t x, const RtString& t);

bool operator==(const RtString& t, int64_t x);
bool operator==(int64_t x, const RtString& t);
bool operator!=(const RtString& t, int64_t x);
bool operator!=(int64_t x, const RtString& t);
bool operator<(const RtString& t, int64_t x);
bool operator<(int64_t x, const RtString& t);
bool operator>(const RtString& t, int64_t x);
bool operator>(int64_t x, const RtString& t);
bool operator<=(const RtString& t, int64_t x);
bool operator<=(int64_t x, const RtString& t);
bool operator>=(const RtString& t, int64_t x);
bool operator>=(int64_t x, const RtString& t);

bool operator==(const RtString& t, double x);
bool operator==(double x, const RtString& t);
bool operator!=(const RtString& t, double x);
bool operator!=(double x, const RtString& t);
bool operator<(const RtString& t, double x);
bool operator<(double x, const RtString& t);
bool operator>(const RtString& t, double x);
bool operator>(double x, const RtString& t);
bool operator<=(const RtString& t, double x);
bool operator<=(double x, const RtString& t);
bool operator>=(const RtString& t, double x);
bool operator>=(double x, const RtString& t);
