#include "core/text_compare.h"

#include <cstring>

#include "core/c_runtime.h"

namespace {

using R = TextRelation;

// -1, 0 or 1 for two ordered values.
template <typename T>
int32_t Order(T a, T b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

// IEEE 754 relations: with a NaN on either side only "!=" holds.
bool DoubleHolds(double a, TextRelation relation, double b) {
  switch (relation) {
    case R::kEqual: return a == b;
    case R::kNotEqual: return a != b;
    case R::kLess: return a < b;
    case R::kGreater: return a > b;
    case R::kLessEqual: return a <= b;
    case R::kGreaterEqual: return a >= b;
  }
  return false;
}

}  // namespace

bool RelationHolds(int32_t sign, TextRelation relation) {
  switch (relation) {
    case R::kEqual: return sign == 0;
    case R::kNotEqual: return sign != 0;
    case R::kLess: return sign < 0;
    case R::kGreater: return sign > 0;
    case R::kLessEqual: return sign <= 0;
    case R::kGreaterEqual: return sign >= 0;
  }
  return false;
}

bool StringEquals(const RtString& a, const RtString& b) {
  return a.length == b.length && std::memcmp(a.text, b.text, a.length) == 0;
}

bool StringEqualsCStr(const RtString& a, const char* b) {
  return a.length == CStrLength(b) && (a.length == 0 || std::memcmp(a.text, b, a.length) == 0);
}

bool CompareCStr(const char* a, TextRelation relation, const char* b) {
  return RelationHolds(CrtStrcmp(a, b), relation);
}

bool CompareIntCStr(int32_t x, TextRelation relation, const char* t) {
  return RelationHolds(Order(x, CrtAtoi(t)), relation);
}

bool CompareCStrInt(const char* t, TextRelation relation, int32_t x) {
  return RelationHolds(Order(CrtAtoi(t), x), relation);
}

bool CompareInt64CStr(int64_t x, TextRelation relation, const char* t) {
  return RelationHolds(Order(x, CrtParseInt64(t)), relation);
}

bool CompareCStrInt64(const char* t, TextRelation relation, int64_t x) {
  return RelationHolds(Order(CrtParseInt64(t), x), relation);
}

bool CompareDoubleCStr(double x, TextRelation relation, const char* t) { return DoubleHolds(x, relation, CrtAtof(t)); }

bool CompareCStrDouble(const char* t, TextRelation relation, double x) { return DoubleHolds(CrtAtof(t), relation, x); }

int32_t TextCompare(const RtString& s, const char* p) { return CrtStrcmp(s.text, p); }

int32_t TextCompareDouble(const RtString& s, double v) {
  const double n = CrtAtof(s.text);
  if (v > n) return -1;
  if (n > v) return 1;
  return 0;
}

int32_t TextCompareInt(const RtString& s, int32_t v) { return Order(CrtAtoi(s.text), v); }

bool operator==(const RtString& a, const RtString& b) { return StringEquals(a, b); }
bool operator==(const RtString& a, const char* b) { return StringEqualsCStr(a, b); }
bool operator==(const char* a, const RtString& b) { return StringEqualsCStr(b, a); }
bool operator!=(const RtString& a, const RtString& b) { return CompareCStr(a.text, R::kNotEqual, b.text); }
bool operator!=(const RtString& a, const char* b) { return CompareCStr(a.text, R::kNotEqual, b); }
bool operator!=(const char* a, const RtString& b) { return CompareCStr(a, R::kNotEqual, b.text); }
bool operator<(const RtString& a, const RtString& b) { return CompareCStr(a.text, R::kLess, b.text); }
bool operator<(const RtString& a, const char* b) { return CompareCStr(a.text, R::kLess, b); }
bool operator<(const char* a, const RtString& b) { return CompareCStr(a, R::kLess, b.text); }
bool operator>(const RtString& a, const RtString& b) { return CompareCStr(a.text, R::kGreater, b.text); }
bool operator>(const RtString& a, const char* b) { return CompareCStr(a.text, R::kGreater, b); }
bool operator>(const char* a, const RtString& b) { return CompareCStr(a, R::kGreater, b.text); }
bool operator<=(const RtString& a, const RtString& b) { return CompareCStr(a.text, R::kLessEqual, b.text); }
bool operator<=(const RtString& a, const char* b) { return CompareCStr(a.text, R::kLessEqual, b); }
bool operator<=(const char* a, const RtString& b) { return CompareCStr(a, R::kLessEqual, b.text); }
bool operator>=(const RtString& a, const RtString& b) { return CompareCStr(a.text, R::kGreaterEqual, b.text); }
bool operator>=(const RtString& a, const char* b) { return CompareCStr(a.text, R::kGreaterEqual, b); }
bool operator>=(const char* a, const RtString& b) { return CompareCStr(a, R::kGreaterEqual, b.text); }

bool operator==(const RtString& t, int32_t x) { return CompareCStrInt(t.text, R::kEqual, x); }
bool operator==(int32_t x, const RtString& t) { return CompareIntCStr(x, R::kEqual, t.text); }
bool operator!=(const RtString& t, int32_t x) { return CompareCStrInt(t.text, R::kNotEqual, x); }
bool operator!=(int32_t x, const RtString& t) { return CompareIntCStr(x, R::kNotEqual, t.text); }
bool operator<(const RtString& t, int32_t x) { return CompareCStrInt(t.text, R::kLess, x); }
bool operator<(int32_t x, const RtString& t) { return CompareIntCStr(x, R::kLess, t.text); }
bool operator>(const RtString& t, int32_t x) { return CompareCStrInt(t.text, R::kGreater, x); }
bool operator>(int32_t x, const RtString& t) { return CompareIntCStr(x, R::kGreater, t.text); }
bool operator<=(const RtString& t, int32_t x) { return CompareCStrInt(t.text, R::kLessEqual, x); }
bool operator<=(int32_t x, const RtString& t) { return CompareIntCStr(x, R::kLessEqual, t.text); }
bool operator>=(const RtString& t, int32_t x) { return CompareCStrInt(t.text, R::kGreaterEqual, x); }
bool operator>=(int32_t x, const RtString& t) { return CompareIntCStr(x, R::kGreaterEqual, t.text); }

bool operator==(const RtString& t, int64_t x) { return CompareCStrInt64(t.text, R::kEqual, x); }
bool operator==(int64_t x, const RtString& t) { return CompareInt64CStr(x, R::kEqual, t.text); }
bool operator!=(const RtString& t, int64_t x) { return CompareCStrInt64(t.text, R::kNotEqual, x); }
bool operator!=(int64_t x, const RtString& t) { return CompareInt64CStr(x, R::kNotEqual, t.text); }
bool operator<(const RtString& t, int64_t x) { return CompareCStrInt64(t.text, R::kLess, x); }
bool operator<(int64_t x, const RtString& t) { return CompareInt64CStr(x, R::kLess, t.text); }
bool operator>(const RtString& t, int64_t x) { return CompareCStrInt64(t.text, R::kGreater, x); }
bool operator>(int64_t x, const RtString& t) { return CompareInt64CStr(x, R::kGreater, t.text); }
bool operator<=(const RtString& t, int64_t x) { return CompareCStrInt64(t.text, R::kLessEqual, x); }
bool operator<=(int64_t x, const RtString& t) { return CompareInt64CStr(x, R::kLessEqual, t.text); }
bool operator>=(const RtString& t, int64_t x) { return CompareCStrInt64(t.text, R::kGreaterEqual, x); }
bool operator>=(int64_t x, const RtString& t) { return CompareInt64CStr(x, R::kGreaterEqual, t.text); }

bool operator==(const RtString& t, double x) { return CompareCStrDouble(t.text, R::kEqual, x); }
bool operator==(double x, const RtString& t) { return CompareDoubleCStr(x, R::kEqual, t.text); }
bool operator!=(const RtString& t, double x) { return CompareCStrDouble(t.text, R::kNotEqual, x); }
bool operator!=(double x, const RtString& t) { return CompareDoubleCStr(x, R::kNotEqual, t.text); }
bool operator<(const RtString& t, double x) { return CompareCStrDouble(t.text, R::kLess, x); }
bool operator<(double x, const RtString& t) { return CompareDoubleCStr(x, R::kLess, t.text); }
bool operator>(const RtString& t, double x) { return CompareCStrDouble(t.text, R::kGreater, x); }
bool operator>(double x, const RtString& t) { return CompareDoubleCStr(x, R::kGreater, t.text); }
bool operator<=(const RtString& t, double x) { return CompareCStrDouble(t.text, R::kLessEqual, x); }
bool operator<=(double x, const RtString& t) { return CompareDoubleCStr(x, R::kLessEqual, t.text); }
bool operator>=(const RtString& t, double x) { return CompareCStrDouble(t.text, R::kGreaterEqual, x); }
bool operator>=(double x, const RtString& t) { return CompareDoubleCStr(x, R::kGreaterEqual, t.text); }
