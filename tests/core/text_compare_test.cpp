#include "core/text_compare.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

namespace {

using R = TextRelation;

constexpr R kAll[] = {R::kEqual, R::kNotEqual, R::kLess, R::kGreater, R::kLessEqual, R::kGreaterEqual};

TEST(TextCompareTest, EqualityWithAnRtStringComparesLengthsThenBytes) {
  const RtString abc = "abc";
  EXPECT_TRUE(abc == "abc");
  EXPECT_TRUE("abc" == abc);
  EXPECT_FALSE(abc == "abcd");
  EXPECT_FALSE(abc == RtString("abd"));
  EXPECT_TRUE(abc == RtString("abc"));
  EXPECT_TRUE(RtString() == static_cast<const char*>(nullptr));

  // A zero byte inside the length word takes part in "==", while "!=" and
  // the orderings stop at it like strcmp.
  const RtString zero = StringFromBytes("\0", 1);
  const RtString empty;
  EXPECT_FALSE(zero == empty);
  EXPECT_FALSE(zero != empty);
  EXPECT_TRUE(zero <= empty);
  const RtString aZeroB = StringFromBytes("a\0b", 3);
  EXPECT_TRUE(aZeroB == StringFromBytes("a\0b", 3));
  EXPECT_FALSE(aZeroB == StringFromBytes("a\0c", 3));
  EXPECT_FALSE(aZeroB == "a");
}

TEST(TextCompareTest, OrderingsFollowUnsignedByteOrder) {
  const RtString ten = "10";
  EXPECT_TRUE(ten < "9");
  EXPECT_TRUE(RtString("9") > ten);
  EXPECT_TRUE("\xE9" > RtString("z"));  // bytes above 127 sort last
  EXPECT_TRUE(RtString("ab") < RtString("abc"));
  EXPECT_TRUE(RtString("abc") >= "abc");
  EXPECT_FALSE(RtString("abc") > "abc");
  const RtString empty;
  EXPECT_TRUE(empty == RtString());
  EXPECT_TRUE(empty <= RtString());
  EXPECT_FALSE(empty < RtString());
  EXPECT_TRUE(CompareCStr(nullptr, R::kEqual, ""));
  EXPECT_TRUE(CompareCStr("a", R::kGreater, nullptr));
}

TEST(TextCompareTest, RelationsOfEachThreeWayResult) {
  // Rows: sign -1, 0, 1; columns in the order of kAll.
  const bool expected[3][6] = {
      {false, true, true, false, true, false},
      {true, false, false, false, true, true},
      {false, true, false, true, false, true},
  };
  for (int sign = -1; sign <= 1; ++sign) {
    for (int r = 0; r < 6; ++r) {
      EXPECT_EQ(RelationHolds(sign * 7, kAll[r]), expected[sign + 1][r]) << sign << " " << r;
    }
  }
}

TEST(TextCompareTest, IntegersCompareWithTheTextAsANumber) {
  EXPECT_TRUE(10 > RtString("9"));
  EXPECT_TRUE(5 == RtString(" 5abc"));
  EXPECT_TRUE(RtString("abc") == 0);
  EXPECT_TRUE(RtString("-3") < 2);
  EXPECT_TRUE(CompareIntCStr(-1, R::kLess, "0"));
  EXPECT_TRUE(CompareCStrInt("0", R::kGreater, -1));
  EXPECT_TRUE(CompareCStrInt(nullptr, R::kEqual, 0));
  // atoi wraps in 32 bits: 2^32 + 5 reads as 5.
  EXPECT_TRUE(RtString("4294967301") == 5);
}

TEST(TextCompareTest, Int64sCompareWithTheParsedText) {
  const int64_t big = (int64_t{1} << 32) + 10;
  EXPECT_TRUE(big < RtString("4294967307"));
  EXPECT_FALSE(big < RtString("4294967306"));
  EXPECT_TRUE(RtString("-1") == int64_t{-1});
  EXPECT_TRUE(RtString("abc") == int64_t{0});
  EXPECT_TRUE(CompareCStrInt64("  -9223372036854775808", R::kEqual, INT64_MIN));
  EXPECT_TRUE(CompareInt64CStr(INT64_MAX, R::kGreater, "9223372036854775806"));
}

TEST(TextCompareTest, DoublesCompareWithTheTextAsADouble) {
  EXPECT_TRUE(0.5 == RtString(".5"));
  EXPECT_FALSE(0.1f == RtString("0.1"));  // the float widened is not the double 0.1
  EXPECT_TRUE(0.1 == RtString("0.1"));
  EXPECT_TRUE(RtString("2.5e1") > 24.9);
  EXPECT_TRUE(CompareCStrDouble("1e400", R::kGreater, 1e308));
  const double nan = std::nan("");
  for (R r : kAll) {
    EXPECT_EQ(CompareDoubleCStr(nan, r, "1"), r == R::kNotEqual);
    EXPECT_EQ(CompareCStrDouble("nan", r, nan), r == R::kNotEqual);
  }
  EXPECT_TRUE(nan != RtString("x"));
  EXPECT_FALSE(nan <= RtString("x"));
}

TEST(TextCompareTest, ThreeWayComparisons) {
  EXPECT_EQ(TextCompare(RtString("abc"), "abd"), -1);
  EXPECT_EQ(TextCompare(RtString("abd"), "abc"), 1);
  EXPECT_EQ(TextCompare(RtString(), nullptr), 0);
  EXPECT_EQ(TextCompareDouble(RtString("2"), 3.0), -1);
  EXPECT_EQ(TextCompareDouble(RtString("4"), 3.0), 1);
  EXPECT_EQ(TextCompareDouble(RtString("3"), 3.0), 0);
  EXPECT_EQ(TextCompareDouble(RtString("3"), std::nan("")), 0);
  EXPECT_EQ(TextCompareInt(RtString("7"), 7), 0);
  EXPECT_EQ(TextCompareInt(RtString("6"), 7), -1);
  EXPECT_EQ(TextCompareInt(RtString("-2147483648"), 2147483647), -1);
}

}  // namespace
