#include "core/rt_array.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <sys/resource.h>

#include "process/program_end.h"
#include "tests/core/fatal_capture.h"
#include "tests/support/test_env.h"

namespace {

struct Pair {
  double x;
  double y;
};

template <typename T>
void ExpectShape(const RtArray<T>& a, int32_t d1, int32_t d2, int32_t d3, int32_t d4, int32_t count,
                 int32_t ndims, int32_t capacity) {
  EXPECT_EQ(a.d1, d1);
  EXPECT_EQ(a.d2, d2);
  EXPECT_EQ(a.d3, d3);
  EXPECT_EQ(a.d4, d4);
  EXPECT_EQ(a.count, count);
  EXPECT_EQ(a.ndims, ndims);
  EXPECT_EQ(a.capacity, capacity);
}

TEST(RtArrayTest, ADefaultArrayIsElevenZeroWords) {
  static RtArray<int32_t> never_dimensioned;
  EXPECT_EQ(never_dimensioned.data, nullptr);
  ExpectShape(never_dimensioned, 0, 0, 0, 0, 0, 0, 0);
  EXPECT_EQ(never_dimensioned.stride2 | never_dimensioned.stride3 | never_dimensioned.stride4, 0);
}

TEST(RtArrayTest, CapacityRules) {
  struct Case {
    int64_t count;
    int64_t rule8;
    int64_t rule64;
  };
  for (const Case& c : {Case{0, 8, 0}, Case{1, 8, 64}, Case{7, 8, 64}, Case{8, 16, 64}, Case{10, 16, 64},
                        Case{63, 64, 64}, Case{64, 72, 128}, Case{100, 104, 128}}) {
    EXPECT_EQ(ArrayCapacityFor(c.count, ArrayGrowth::kRuleOf8), c.rule8) << c.count;
    EXPECT_EQ(ArrayCapacityFor(c.count, ArrayGrowth::kRuleOf64), c.rule64) << c.count;
    EXPECT_EQ(ArrayCapacityFor(c.count, ArrayGrowth::kExact), c.count);
  }
}

TEST(RtArrayTest, ElementCountIsComputedWideAndRejectedWhenTooLarge) {
  EXPECT_EQ(ArrayElementCount(3, 0, 5, 0), 15);
  EXPECT_EQ(ArrayElementCount(3, -4, 5, 1), 15);
  EXPECT_EQ(ArrayElementCount(0, 7, 7, 7), 0);
  EXPECT_EQ(ArrayElementCount(INT32_MAX, 1, 1, 1), INT32_MAX);
  EXPECT_EQ(ArrayElementCount(65536, 32768, 0, 0), -1);
  EXPECT_EQ(ArrayElementCount(65536, 32767, 1, 0), 65536LL * 32767);
  EXPECT_EQ(ArrayElementCount(INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX), -1);
}

TEST(RtArrayTest, RuntimeDimClearsAndKeepsALargeEnoughBlock) {
  RtArray<int32_t> a;
  ArrayDimInt(a, 8, 0, 0, 0);
  ExpectShape(a, 8, 0, 0, 0, 8, 1, 16);
  for (int32_t n = 0; n < 16; ++n) a.data[n] = n + 1;
  int32_t* block = a.data;
  ArrayDimInt(a, 10, 0, 0, 0);
  EXPECT_EQ(a.data, block);
  ExpectShape(a, 10, 0, 0, 0, 10, 1, 16);
  for (int32_t n = 0; n < 10; ++n) EXPECT_EQ(a.data[n], 0);
  for (int32_t n = 10; n < 16; ++n) EXPECT_EQ(a.data[n], n + 1);  // behind the count: untouched
  ArrayDimInt(a, 17, 0, 0, 0);
  EXPECT_EQ(a.capacity, 24);
  for (int32_t n = 0; n < 24; ++n) EXPECT_EQ(a.data[n], 0);
}

TEST(RtArrayTest, RuntimeDimWithoutAFirstSizeLeavesEightZeros) {
  RtArray<double> a;
  ArrayDimDouble(a, 40, 0, 0, 0);
  ArrayDimDouble(a, 0, 0, 0, 0);
  ASSERT_NE(a.data, nullptr);
  ExpectShape(a, 0, 0, 0, 0, 0, 0, 8);
  for (int32_t n = 0; n < 8; ++n) EXPECT_EQ(a.data[n], 0.0);
  ArrayDimDouble(a, -3, 2, 0, 0);  // ndims still follows the later sizes
  ExpectShape(a, 0, 2, 0, 0, 0, 2, 8);
}

TEST(RtArrayTest, ExactDimSizesTheBlockToTheCount) {
  RtArray<int32_t> a;
  ArrayDimIntExact(a, 5, 3, 0, 0);
  ExpectShape(a, 5, 3, 0, 0, 15, 2, 15);
  ArrayDimIntExact(a, 0, 0, 0, 0);
  ExpectShape(a, 0, 0, 0, 0, 0, 0, 0);
  RtArray<double> b;
  ArrayDimDoubleExact(b, 7, 0, 0, 0);
  ExpectShape(b, 7, 0, 0, 0, 7, 1, 7);
}

TEST(RtArrayTest, TypedDimOfTexts) {
  RtArray<RtString> a;
  ArrayDimString(a, 64, 0, 0, 0);
  ExpectShape(a, 64, 0, 0, 0, 64, 1, 128);
  for (int32_t n = 0; n < 128; ++n) EXPECT_EQ(a.data[n].text, g_sharedEmptyText);
  StringAssignCStr(a.data[3], "kept buffer");
  char* buffer = a.data[3].text;
  ArrayDimString(a, 10, 0, 0, 0);
  EXPECT_EQ(a.data[3].text, buffer);  // emptied in place, its buffer stays
  EXPECT_EQ(a.data[3].length, 0u);
  EXPECT_STREQ(a.data[3].c_str(), "");
  ArrayDimString(a, 0, 0, 0, 0);
  EXPECT_EQ(a.data, nullptr);
  ExpectShape(a, 0, 0, 0, 0, 0, 0, 0);
}

TEST(RtArrayTest, TypedDimOfBytesAndRecords) {
  RtArray<uint8_t> bytes;
  ArrayDimByte(bytes, 1, 0, 0, 0);
  ExpectShape(bytes, 1, 0, 0, 0, 1, 1, 64);
  EXPECT_EQ(bytes.data[63], 0);
  RtArray<Pair> records;
  ArrayDimRecord(records, 100, 0, 0, 0);
  ExpectShape(records, 100, 0, 0, 0, 100, 1, 128);
  records.data[5] = {1.5, 2.5};
  ArrayDimRecord(records, 6, 0, 0, 0);
  EXPECT_EQ(records.data[5].x, 0.0);
  EXPECT_EQ(records.data[5].y, 0.0);
}

TEST(RtArrayTest, StridesAndDimensionCount) {
  RtArray<int32_t> a;
  ArrayDimInt(a, 3, 0, 5, 0);
  ExpectShape(a, 3, 0, 5, 0, 15, 3, 16);
  EXPECT_EQ(a.stride2, 3);
  EXPECT_EQ(a.stride3, 0);
  EXPECT_EQ(a.stride4, 0);
  ArrayDimInt(a, 2, 3, 4, 5);
  ExpectShape(a, 2, 3, 4, 5, 120, 4, 128);
  EXPECT_EQ(a.stride2, 2);
  EXPECT_EQ(a.stride3, 6);
  EXPECT_EQ(a.stride4, 24);
  EXPECT_EQ(ArrayAt4(a, 1, 2, 3, 4), a.data + 1 + 2 * 2 + 3 * 6 + 4 * 24);
  EXPECT_EQ(ArrayAt4(a, -2, 0, 0, 0), a.data);
}

TEST(RtArrayTest, FirstIndexCountsFromTheEndWhenNegative) {
  RtArray<int32_t> a;
  ArrayDimInt(a, 10, 0, 0, 0);
  EXPECT_EQ(ArrayAt2(a, -1, 0), a.data + 9);
  EXPECT_EQ(ArrayAt2(a, -10, 0), a.data);
  RtArray<RtString> texts;
  ArrayDimString(texts, 4, 2, 0, 0);
  EXPECT_EQ(ArrayAt(texts, -1, 1, 0, 0), texts.data + 3 + 4);
}

TEST(RtArrayTest, IndexValidity) {
  struct Case {
    int32_t d1, d2, d3, d4;
    int32_t i, j, k, l;
    bool valid;
  };
  for (const Case& c : {
           Case{10, 0, 0, 0, 9, 0, 0, 0, true},  Case{10, 0, 0, 0, 10, 0, 0, 0, false},
           Case{10, 0, 0, 0, -1, 0, 0, 0, false}, Case{10, 5, 0, 0, 3, 4, 0, 0, true},
           Case{10, 5, 0, 0, 3, 5, 0, 0, false},  Case{10, 5, 0, 0, 3, -1, 0, 0, false},
           // A dimension of size 0 takes index 0 only.
           Case{10, 0, 0, 0, 3, 1, 0, 0, false},  Case{10, 0, 0, 0, 3, 0, 1, 0, false},
           Case{10, 0, 0, 0, 3, 0, 0, 1, false},  Case{3, 0, 5, 0, 2, 0, 4, 0, true},
           Case{3, 0, 5, 0, 2, 1, 4, 0, false},   Case{2, 3, 4, 5, 1, 2, 3, 4, true},
           Case{2, 3, 4, 5, 1, 2, 3, 5, false},   Case{0, 0, 0, 0, 0, 0, 0, 0, false},
           // A negative later size admits no index.
           Case{4, -2, 0, 0, 0, 0, 0, 0, false},
       }) {
    EXPECT_EQ(ArrayIndexValid(true, c.d1, c.d2, c.d3, c.d4, c.i, c.j, c.k, c.l), c.valid)
        << c.d1 << "," << c.d2 << "," << c.d3 << "," << c.d4 << " at " << c.i << "," << c.j << "," << c.k
        << "," << c.l;
  }
  EXPECT_FALSE(ArrayIndexValid(false, 10, 0, 0, 0, 0, 0, 0, 0));
}

TEST(RtArrayTest, BoundOfEachDimension) {
  RtArray<double> a;
  ArrayDimDouble(a, 4, 3, 2, 1);
  EXPECT_EQ(ArrayBound(a, 0), 4);
  EXPECT_EQ(ArrayBound(a, 1), 3);
  EXPECT_EQ(ArrayBound(a, 2), 2);
  EXPECT_EQ(ArrayBound(a, 3), 1);
  EXPECT_EQ(ArrayBound(a, 4), 0);
  EXPECT_EQ(ArrayBound(a, -1), 0);
}

TEST(RtArrayTest, DimReplacesTextsOfTheOldBlockWithoutLeaks) {
  // Run under the leak checker: every text of the old block is freed.
  RtArray<RtString> a;
  ArrayDimString(a, 70, 0, 0, 0);
  for (int32_t n = 0; n < 70; ++n) StringAssignCStr(a.data[n], "some text");
  ArrayDimString(a, 200, 0, 0, 0);
  EXPECT_EQ(a.capacity, 256);
  EXPECT_STREQ(a.data[0].c_str(), "");
}

// Bounds reports and fatal errors.

std::string BoundsText(const char* sizes, const char* indices) {
  return std::string("bounds: ") + sizes + "\naccess: " + indices + "\n";
}

TEST(RtArrayTest, BoundsReportTextTable) {
  struct Case {
    int32_t d1, d2, d3, d4;
    int32_t i, j, k, l;
    const char* sizes;
    const char* indices;
  };
  for (const Case& c : {
           Case{10, 0, 0, 0, 12, 0, 0, 0, "[  10]", "[  12]"},
           Case{10, 5, 0, 0, 3, 7, 0, 0, "[  10][   5]", "[   3][   7]"},
           Case{0, 0, 0, 0, 0, 0, 0, 0, "[    ]", "[    ]"},
           Case{10, 0, 0, 0, -1, 0, 0, 0, "[  10]", "[  -1]"},
           // The sizes decide which indices appear; a missing size stops the list.
           Case{2, 3, 4, 5, 1, 2, 3, 9, "[   2][   3][   4][   5]", "[   1][   2][   3][   9]"},
           Case{3, 0, 5, 0, 1, 0, 9, 0, "[   3]", "[   1]"},
           Case{3, 2, 0, 6, 1, 0, 0, 9, "[   3][   2]", "[   1][    ]"},
           Case{12345, 0, 0, 0, -123456, 0, 0, 0, "[12345]", "[-123456]"},
       }) {
    DebugCapture debugger;
    testing::internal::CaptureStderr();
    ArrayBoundsReport(c.d1, c.d2, c.d3, c.d4, c.i, c.j, c.k, c.l);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, BoundsText(c.sizes, c.indices));
    EXPECT_EQ(debugger.Text(), std::string("TXbounds: ") + c.sizes + "\nTXaccess: " + c.indices + "\n");
  }
}

TEST(RtArrayTest, TheNamedReportersReportTheirArray) {
  RtArray<RtString> texts;
  ArrayDimString(texts, 3, 2, 0, 0);
  testing::internal::CaptureStderr();
  ArrayBoundsErrorString(texts, 1, 5, 0, 0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), BoundsText("[   3][   2]", "[   1][   5]"));
  RtArray<Pair> records;
  testing::internal::CaptureStderr();
  ArrayBoundsErrorRecord(records, 0, 0, 0, 0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), BoundsText("[    ]", "[    ]"));
}

using RtArrayDeathTest = testing::Test;

#if defined(__SANITIZE_ADDRESS__)
void LimitAddressSpace() {}
#else
void LimitAddressSpace() {
  const rlimit limit = {rlim_t{16} << 30, rlim_t{16} << 30};
  setrlimit(RLIMIT_AS, &limit);
}
#endif

TEST(RtArrayDeathTest, AFailedAccessReportsRaisesErrorNineAndEnds) {
  RtArray<int32_t> a;
  ArrayDimInt(a, 10, 0, 0, 0);
  EXPECT_EQ(DebugTextOfFatal([&] { *ArrayAt2(a, -11, 0) = 5; }, "^bounds: \\[  10\\]\naccess: \\[  -1\\]\n$"),
            "TXbounds: [  10]\nTXaccess: [  -1]\nTXerror: 9\n");
}

TEST(RtArrayDeathTest, EveryAccessFailsWithoutElements) {
  RtArray<int32_t> never;
  EXPECT_EXIT(ArrayAt2(never, 0, 0), testing::ExitedWithCode(0), "bounds: \\[    \\]\naccess: \\[    \\]");
  RtArray<int32_t> empty;
  ArrayDimInt(empty, 0, 0, 0, 0);
  EXPECT_EXIT(ArrayAt2(empty, 0, 0), testing::ExitedWithCode(0), "access: \\[    \\]");
  EXPECT_EXIT(ArrayAt2(empty, -1, 0), testing::ExitedWithCode(0), "access: \\[  -1\\]");
}

TEST(RtArrayDeathTest, ASecondIndexOnAOneDimensionalArrayFails) {
  // The block has room behind the count, but (0, 1) is no element.
  RtArray<int32_t> a;
  ArrayDimInt(a, 4, 0, 0, 0);
  EXPECT_EXIT(ArrayAt2(a, 0, 1), testing::ExitedWithCode(0), "^bounds: \\[   4\\]\naccess: \\[    \\]\n$");
  EXPECT_EXIT(ArrayAt4(a, 0, 0, 0, 1), testing::ExitedWithCode(0), "bounds: \\[   4\\]");
}

TEST(RtArrayDeathTest, ACountBeyondThirtyTwoBitsIsErrorSeven) {
  RtArray<uint8_t> a;
  EXPECT_EQ(DebugTextOfFatal([&] { ArrayDimByte(a, 65536, 65536, 0, 0); }, "^$"), "TXerror: 7\n");
  RtArray<int32_t> b;
  // Fits as a count, but the rule of 8 takes the block past 32 bits.
  EXPECT_EXIT(ArrayDimInt(b, INT32_MAX - 3, 0, 0, 0), testing::ExitedWithCode(0), "^$");
}

TEST(RtArrayDeathTest, StorageThatCannotBeHadIsErrorSeven) {
  // Nearly 2^31 records of 4 KiB: 8 TiB. The address space of the child is
  // limited first, so the allocator refuses whatever the machine's
  // overcommit setting (the sanitizers' allocator refuses such a size and
  // answers null by itself, perhaps with a warning, and needs its own
  // address space).
  struct Page {
    double v[512];
  };
  static RtArray<Page> a;
  const std::string debugger = DebugTextOfFatal(
      [&] {
        LimitAddressSpace();
        ArrayDimRecord(a, INT32_MAX - 64, 0, 0, 0);
      },
      "");
  EXPECT_EQ(debugger, "TXerror: 7\n");
}

TEST(RtArrayDeathTest, WhileTheProgramEndsAFailedAccessLandsOnADummy) {
  // An exit handler runs while the program ends: the fatal error returns,
  // the access gives a harmless element, and the array is untouched.
  EXPECT_EXIT(
      {
        std::atexit([] {
          static RtArray<int32_t> a;
          ArrayDimInt(a, 3, 0, 0, 0);
          int32_t* element = ArrayAt2(a, 3, 0);
          *element = 42;
          const bool outside = element < a.data || element >= a.data + a.capacity;
          int32_t sum = 0;
          for (int32_t n = 0; n < a.capacity; ++n) sum += a.data[n];
          RtArray<int32_t> b;
          ArrayDimInt(b, 65536, 65536, 0, 0);
          std::fprintf(stderr, "returned %d %d %d %s\n", outside, sum, *ArrayAt2(a, 7, 0),
                       b.data == nullptr ? "untouched" : "changed");
        });
        ProgramEnd();
      },
      testing::ExitedWithCode(0), "returned 1 0 0 untouched");
}

}  // namespace
