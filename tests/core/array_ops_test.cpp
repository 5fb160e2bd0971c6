#include "core/array_ops.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "process/program_end.h"
#include "tests/core/fatal_capture.h"

namespace {

// A record of the game's kind: doubles copied field by field.
struct Drop {
  double x;
  double y;
  double life;
};

std::vector<std::string> Texts(const RtArray<RtString>& a) {
  std::vector<std::string> out;
  for (int32_t n = 0; n < a.d1; ++n) out.emplace_back(a.data[n].c_str(), a.data[n].length);
  return out;
}

std::vector<int32_t> Ints(const RtArray<int32_t>& a) { return {a.data, a.data + a.count}; }

// Copy and fill.

TEST(ArrayOpsTest, CopyTakesTheSizesAndElements) {
  RtArray<int32_t> src;
  ArrayDimInt(src, 3, 2, 0, 0);
  for (int32_t n = 0; n < 6; ++n) src.data[n] = 10 + n;
  RtArray<int32_t> dest;
  ArrayDimInt(dest, 20, 0, 0, 0);
  for (int32_t n = 0; n < 24; ++n) dest.data[n] = -1;
  EXPECT_EQ(&ArrayCopyInt(dest, src), &dest);
  EXPECT_EQ(dest.d1, 3);
  EXPECT_EQ(dest.d2, 2);
  EXPECT_EQ(dest.ndims, 2);
  EXPECT_EQ(dest.capacity, 24);  // the larger block stays
  EXPECT_EQ(Ints(dest), (std::vector<int32_t>{10, 11, 12, 13, 14, 15}));
  EXPECT_EQ(*ArrayAt2(dest, 2, 1), 15);
}

TEST(ArrayOpsTest, CopyOntoItselfChangesNothing) {
  RtArray<int32_t> a;
  ArrayFillInt(a, 3, std::vector<int32_t>{7, 8, 9}.data());
  ArrayCopyInt(a, a);
  EXPECT_EQ(Ints(a), (std::vector<int32_t>{7, 8, 9}));
  RtArray<double> d;
  const double values[] = {1.5, -2.5};
  ArrayFillDouble(d, 2, values);
  ArrayCopyDouble(d, d);
  EXPECT_EQ(d.data[0], 1.5);
  EXPECT_EQ(d.data[1], -2.5);
  EXPECT_EQ(d.count, 2);
}

TEST(ArrayOpsTest, CopyOfANeverDimensionedArray) {
  RtArray<double> src;
  RtArray<double> dest;
  ArrayDimDouble(dest, 5, 0, 0, 0);
  ArrayCopyDouble(dest, src);
  EXPECT_EQ(dest.d1, 0);
  EXPECT_EQ(dest.count, 0);
  EXPECT_EQ(dest.capacity, 8);
}

TEST(ArrayOpsTest, FillStoresTheListInOrder) {
  RtArray<double> a;
  const double values[] = {3.25, -1, 8};
  ArrayFillDouble(a, 3, values);
  EXPECT_EQ(a.d1, 3);
  EXPECT_EQ(a.ndims, 1);
  EXPECT_EQ(a.capacity, 8);
  EXPECT_EQ(a.data[0], 3.25);
  EXPECT_EQ(a.data[2], 8);
  ArrayFillDouble(a, 0, nullptr);  // reads no value
  EXPECT_EQ(a.d1, 0);
  EXPECT_EQ(a.count, 0);
}

TEST(ArrayOpsTest, FillFromTheArraysOwnBlock) {
  RtArray<int32_t> a;
  const int32_t values[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  ArrayFillInt(a, 10, values);
  // A list inside the block: the DIM would clear it (or free it) first.
  ArrayFillInt(a, 3, a.data + 4);
  EXPECT_EQ(Ints(a), (std::vector<int32_t>{5, 6, 7}));
  ArrayFillInt(a, 9, a.data);  // grows past the block
  EXPECT_EQ(a.d1, 9);
  EXPECT_EQ(a.data[0], 5);
  EXPECT_EQ(a.data[2], 7);
}

// A list that overlaps the block anywhere, not only from its start, is read
// before the dimensioning clears the block. The block here lies inside a
// larger buffer (elements 4 to 11), so that a list can start in front of it;
// every list fits the block, which therefore stays.
TEST(ArrayOpsTest, FillFromAListOverlappingTheBlockFromAnySide) {
  struct Case {
    int32_t start;  // of the list, in the buffer
    int32_t n;
  };
  for (const Case& c : {Case{0, 6}, Case{2, 8}, Case{0, 4}, Case{3, 1}, Case{4, 8}, Case{10, 6}, Case{12, 4}}) {
    int32_t buffer[16];
    for (int32_t i = 0; i < 16; ++i) buffer[i] = 100 + i;
    RtArray<int32_t> a;
    a.data = buffer + 4;
    a.capacity = 8;
    ArrayFillInt(a, c.n, buffer + c.start);
    const std::vector<int32_t> filled(a.data, a.data + a.count);
    EXPECT_EQ(a.data, buffer + 4);
    a.data = nullptr;  // the block is not the array's to release
    a.capacity = 0;
    std::vector<int32_t> expected;
    for (int32_t i = 0; i < c.n; ++i) expected.push_back(100 + c.start + i);
    EXPECT_EQ(filled, expected) << "list from " << c.start << ", " << c.n << " values";
  }
}

// Redimension keeping contents.

TEST(ArrayOpsTest, RedimKeepKeepsTheOverlapOfAllFourDimensions) {
  RtArray<int32_t> a;
  ArrayDimInt(a, 3, 2, 0, 0);
  for (int32_t i = 0; i < 3; ++i)
    for (int32_t j = 0; j < 2; ++j) *ArrayAt2(a, i, j) = 10 * i + j + 1;
  ArrayRedimKeepInt(a, 2, 4, 0, 0);
  EXPECT_EQ(a.d1, 2);
  EXPECT_EQ(a.d2, 4);
  EXPECT_EQ(a.count, 8);
  EXPECT_EQ(a.capacity, 16);
  EXPECT_EQ(Ints(a), (std::vector<int32_t>{1, 11, 2, 12, 0, 0, 0, 0}));

  RtArray<double> d;
  ArrayDimDouble(d, 2, 2, 2, 2);
  for (int32_t n = 0; n < 16; ++n) d.data[n] = n + 1;
  ArrayRedimKeepDouble(d, 3, 1, 2, 1);
  EXPECT_EQ(d.count, 6);
  EXPECT_EQ(d.ndims, 4);
  // (i, 0, k, 0) was at i + 4k; now at i + 3k.
  const double expected[] = {1, 2, 0, 5, 6, 0};
  for (int32_t n = 0; n < 6; ++n) EXPECT_EQ(d.data[n], expected[n]) << n;
}

TEST(ArrayOpsTest, RedimKeepToNoElementsKeepsTheBlock) {
  RtArray<int32_t> a;
  const int32_t values[] = {4, 5, 6, 7, 8};
  ArrayFillInt(a, 5, values);
  int32_t* block = a.data;
  ArrayRedimKeepInt(a, 0, 3, 3, 0);
  EXPECT_EQ(a.data, block);
  EXPECT_EQ(a.capacity, 8);
  EXPECT_EQ(a.d1 | a.d2 | a.d3 | a.d4 | a.count | a.ndims, 0);
  EXPECT_EQ(a.stride2 | a.stride3 | a.stride4, 0);
}

TEST(ArrayOpsTest, KeepingOneDimensionGivesWhatAFreshBlockWouldHold) {
  RtArray<int32_t> a;
  const int32_t values[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  ArrayFillInt(a, 10, values);
  ArrayRedimKeepInt(a, 5, 0, 0, 0);
  EXPECT_EQ(a.capacity, 8);
  ArrayRedimKeepInt(a, 12, 0, 0, 0);
  EXPECT_EQ(a.capacity, 16);
  EXPECT_EQ(a.count, 12);
  EXPECT_EQ(std::vector<int32_t>(a.data, a.data + 16),
            (std::vector<int32_t>{1, 2, 3, 4, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  // A deleted record's slot keeps its contents until the block is rebuilt.
  RtArray<Drop> drops;
  for (int32_t n = 0; n < 63; ++n) ArrayPush(drops, Drop{double(n + 1), 1, 1});
  ArrayDeleteAt(drops, 0);
  ArrayDeleteAt(drops, 0);
  ArrayResizeKeep(drops, 64, 0, 0, 0);
  EXPECT_EQ(drops.capacity, 128);
  EXPECT_EQ(drops.data[60].x, 63);
  for (int32_t n = 61; n < 128; ++n) EXPECT_EQ(drops.data[n].x, 0) << n;
  // Shrinking keeps the first elements and gives the rule's capacity.
  ArrayResizeKeep(drops, 3, 0, 0, 0);
  EXPECT_EQ(drops.capacity, 64);
  EXPECT_EQ(drops.data[2].x, 5);
  EXPECT_EQ(drops.data[3].x, 0);
}

TEST(ArrayOpsTest, ResizeKeepKeepsTheFirstTwoDimensionsOfTexts) {
  RtArray<RtString> a;
  ArrayDimString(a, 2, 2, 2, 0);
  for (int32_t i = 0; i < 2; ++i)
    for (int32_t j = 0; j < 2; ++j)
      for (int32_t k = 0; k < 2; ++k) {
        const std::string text = std::to_string(i) + std::to_string(j) + std::to_string(k);
        StringAssignCStr(*ArrayAt(a, i, j, k, 0), text.c_str());
      }
  ArrayResizeKeep(a, 3, 2, 2, 0);
  EXPECT_EQ(a.capacity, 64);
  EXPECT_STREQ(ArrayAt(a, 1, 1, 0, 0)->c_str(), "110");
  EXPECT_STREQ(ArrayAt(a, 0, 1, 0, 0)->c_str(), "010");
  EXPECT_STREQ(ArrayAt(a, 1, 1, 1, 0)->c_str(), "");  // third index 1 not carried over
  EXPECT_STREQ(ArrayAt(a, 2, 0, 0, 0)->c_str(), "");
}

TEST(ArrayOpsTest, ResizeKeepOfRecordsAndToNothing) {
  RtArray<Drop> a;
  ArrayDimRecord(a, 2, 0, 0, 0);
  a.data[1] = {1, 2, 3};
  ArrayResizeKeep(a, 100, 0, 0, 0);
  EXPECT_EQ(a.capacity, 128);
  EXPECT_EQ(a.data[1].life, 3);
  EXPECT_EQ(a.data[99].x, 0);
  ArrayResizeKeep(a, -5, 0, 0, 0);
  EXPECT_EQ(a.capacity, 128);
  EXPECT_EQ(a.d1, 0);
  EXPECT_EQ(a.ndims, 0);
}

// Append.

TEST(ArrayOpsTest, AppendToANeverDimensionedTextArray) {
  RtArray<RtString> a;
  ArrayPushString(a, "first");
  EXPECT_EQ(a.d1, 1);
  EXPECT_EQ(a.count, 1);
  EXPECT_EQ(a.ndims, 1);
  EXPECT_EQ(a.capacity, 64);
  EXPECT_EQ(Texts(a), std::vector<std::string>{"first"});
}

TEST(ArrayOpsTest, SixtyThreeAppendsFitTheFirstBlockTheNextReallocates) {
  RtArray<RtString> a;
  std::vector<std::string> expected;
  for (int32_t n = 0; n < 63; ++n) {
    expected.push_back("item " + std::to_string(n));
    ArrayPushString(a, expected.back().c_str());
  }
  RtString* block = a.data;
  EXPECT_EQ(a.capacity, 64);
  expected.push_back("item 63");
  ArrayPushString(a, "item 63");
  EXPECT_NE(a.data, block);
  EXPECT_EQ(a.capacity, 128);
  EXPECT_EQ(a.d1, 64);
  EXPECT_EQ(Texts(a), expected);
}

TEST(ArrayOpsTest, AppendAnElementOfTheSameArray) {
  RtArray<RtString> a;
  for (int32_t n = 0; n < 63; ++n) ArrayPushString(a, std::to_string(n).c_str());
  // The append reallocates: the source element must survive it.
  ArrayPushString(a, a.data[5]);
  EXPECT_EQ(a.d1, 64);
  EXPECT_STREQ(a.data[63].c_str(), "5");
  EXPECT_STREQ(a.data[5].c_str(), "5");
  ArrayPushString(a, a.data[63]);  // in place this time
  EXPECT_STREQ(a.data[64].c_str(), "5");
  RtArray<Drop> drops;
  for (int32_t n = 0; n < 63; ++n) ArrayPush(drops, Drop{double(n), 0, 0});
  ArrayPush(drops, drops.data[62]);
  EXPECT_EQ(drops.data[63].x, 62);
}

TEST(ArrayOpsTest, AppendAfterResizeToNothingGivesAOneDimensionalArray) {
  RtArray<Drop> a;
  for (int32_t n = 0; n < 3; ++n) ArrayPush(a, Drop{double(n), 1, 2});
  ArrayResizeKeep(a, 0, 0, 0, 0);
  EXPECT_EQ(a.ndims, 0);
  ArrayPush(a, Drop{9, 8, 7});
  EXPECT_EQ(a.d1, 1);
  EXPECT_EQ(a.count, 1);
  EXPECT_EQ(a.ndims, 1);
  EXPECT_EQ(a.capacity, 64);
  EXPECT_EQ(ArrayAt(a, -1, 0, 0, 0)->x, 9);
}

// The eleven words an append must leave: in place while d1 + 1 is below
// the capacity (d1 and count grow, the array becomes one-dimensional), else
// a resize to the rule of 64 that sets every word afresh.
struct Words {
  int32_t stride2, stride3, stride4, d1, d2, d3, d4, count, ndims, capacity;
  bool operator==(const Words&) const = default;
};

template <typename T>
Words WordsOf(const RtArray<T>& a) {
  return {a.stride2, a.stride3, a.stride4, a.d1, a.d2, a.d3, a.d4, a.count, a.ndims, a.capacity};
}

bool Same(int32_t a, int32_t b) { return a == b; }
bool Same(const Drop& a, const Drop& b) { return a.x == b.x && a.y == b.y && a.life == b.life; }
bool Same(const RtString& a, const RtString& b) { return std::string(a.c_str()) == b.c_str(); }

Words AfterAppend(Words w) {
  if (int64_t{w.d1} + 1 < w.capacity) {
    ++w.d1;
    w.count = w.d1;
    w.ndims = 1;
    return w;
  }
  const int32_t d1 = w.d1 + 1;
  return {d1, 0, 0, d1, 0, 0, 0, d1, 1, static_cast<int32_t>(d1 / 64 * 64 + 64)};
}

// Appends value(n) for n = 0 .. count - 1, checking the words after each and
// that the slots from d1 to the capacity are fresh after every resize.
template <typename T, typename Make, typename Fresh>
void AppendAndCheck(RtArray<T>& a, int32_t count, Make value, Fresh fresh) {
  const int32_t first = a.d1;
  for (int32_t n = 0; n < count; ++n) {
    const Words expected = AfterAppend(WordsOf(a));
    const bool resize = expected.capacity != a.capacity;
    ArrayPush(a, value(n));
    ASSERT_EQ(WordsOf(a), expected) << "append " << n;
    if (resize) {
      for (int32_t k = a.d1; k < a.capacity; ++k) ASSERT_TRUE(fresh(a.data[k])) << "slot " << k;
    }
  }
  for (int32_t n = 0; n < count; ++n) ASSERT_TRUE(Same(a.data[first + n], value(n))) << n;
}

TEST(ArrayOpsTest, ManyAppendsKeepEveryWordAsTheGrowthRuleSays) {
  // Integers dimensioned by the rule of 8 first; records and texts from
  // nothing; each through several thousand appends, the block under the
  // array growing by doubling while the capacity follows the rule.
  RtArray<int32_t> ints;
  ArrayDimInt(ints, 5, 0, 0, 0);
  for (int32_t n = 0; n < 5; ++n) ints.data[n] = -1;
  AppendAndCheck(ints, 5000, [](int32_t n) { return n * 7; }, [](int32_t v) { return v == 0; });

  RtArray<Drop> drops;
  const auto drop = [](int32_t n) { return Drop{double(n), 0.5, double(-n)}; };
  const auto zeroDrop = [](const Drop& d) { return d.x == 0 && d.y == 0 && d.life == 0; };
  AppendAndCheck(drops, 3000, drop, zeroDrop);
  // After deletes and a shrink the appends go on by the same rule.
  for (int32_t n = 0; n < 100; ++n) ArrayDeleteAt(drops, 0);
  ArrayResizeKeep(drops, 10, 0, 0, 0);
  AppendAndCheck(drops, 300, drop, zeroDrop);

  RtArray<RtString> texts;
  const auto text = [](int32_t n) { return RtString(std::to_string(n).c_str()); };
  AppendAndCheck(
      texts, 1000, text, [](const RtString& t) { return t.length == 0 && t.capacity == 0; });
}

TEST(ArrayOpsTest, AppendsToAnArrayThatIsALocalVariable) {
  // The inline append keeps a local array's words out of memory; the array
  // must still be whole afterwards.
  RtArray<double> a;
  for (int32_t n = 0; n < 100000; ++n) ArrayPush(a, n * 0.5);
  EXPECT_EQ(a.d1, 100000);
  EXPECT_EQ(a.count, 100000);
  EXPECT_EQ(a.capacity, 100000 / 64 * 64 + 64);
  EXPECT_EQ(a.stride2, 99968);  // set by the last resize, the append of element 99968
  double sum = 0;
  for (int32_t n = 0; n < a.d1; ++n) sum += *ArrayAt(a, n, 0, 0, 0);
  EXPECT_EQ(sum, 0.5 * 99999.0 * 100000.0 / 2);
}

// Delete.

TEST(ArrayOpsTest, DeleteMovesLaterElementsDown) {
  RtArray<Drop> a;
  for (int32_t n = 0; n < 3; ++n) ArrayPush(a, Drop{double(n), 0, 0});
  ArrayDeleteAt(a, 0);
  EXPECT_EQ(a.d1, 2);
  EXPECT_EQ(a.count, 2);
  EXPECT_EQ(a.data[0].x, 1);
  EXPECT_EQ(a.data[1].x, 2);
  EXPECT_EQ(a.data[2].x, 2);  // the vacated slot keeps its contents
  ArrayDeleteAt(a, -1);
  EXPECT_EQ(a.d1, 1);
  EXPECT_EQ(a.data[0].x, 1);
  EXPECT_EQ(a.ndims, 1);
  EXPECT_EQ(a.capacity, 64);
}

TEST(ArrayOpsTest, DeleteOnTwoDimensionsMovesWholeRowsAndKeepsTheCountRight) {
  RtArray<Drop> a;
  ArrayDimRecord(a, 4, 2, 0, 0);
  for (int32_t i = 0; i < 4; ++i)
    for (int32_t j = 0; j < 2; ++j) *ArrayAt(a, i, j, 0, 0) = Drop{double(i), double(j), 0};
  ArrayDeleteAt(a, 1);
  EXPECT_EQ(a.d1, 3);
  EXPECT_EQ(a.count, 6);
  for (int32_t j = 0; j < 2; ++j) {
    EXPECT_EQ(ArrayAt(a, 0, j, 0, 0)->x, 0);
    EXPECT_EQ(ArrayAt(a, 1, j, 0, 0)->x, 2);
    EXPECT_EQ(ArrayAt(a, 2, j, 0, 0)->x, 3);
    EXPECT_EQ(ArrayAt(a, 2, j, 0, 0)->y, j);
  }
}

TEST(ArrayOpsTest, MoveRangeCopiesEverySecondIndex) {
  RtArray<Drop> a;
  ArrayDimRecord(a, 3, 3, 0, 0);
  for (int32_t j = 0; j < 3; ++j) *ArrayAt(a, 2, j, 0, 0) = Drop{7, double(j), 1};
  ArrayMoveRange(a, 0, 2, RecordCopy<Drop>);
  for (int32_t j = 0; j < 3; ++j) {
    EXPECT_EQ(ArrayAt(a, 0, j, 0, 0)->x, 7);
    EXPECT_EQ(ArrayAt(a, 0, j, 0, 0)->y, j);
  }
  EXPECT_EQ(ArrayAt(a, 1, 1, 0, 0)->x, 0);
  Drop to{};
  const Drop from{1, 2, 3};
  RecordCopy(&to, &from);
  EXPECT_EQ(to.life, 3);
}

// Fatal paths.

using ArrayOpsDeathTest = testing::Test;

TEST(ArrayOpsDeathTest, AppendToAnArrayOfMoreDimensionsIsErrorEight) {
  RtArray<RtString> a;
  ArrayDimString(a, 3, 2, 0, 0);
  EXPECT_EQ(DebugTextOfFatal([&] { ArrayPushString(a, "x"); }, "^$"), "TXerror: 8\n");
  // A third dimension without a second one is no list either.
  RtArray<Drop> b;
  ArrayDimRecord(b, 3, 0, 2, 0);
  EXPECT_EXIT(ArrayPush(b, Drop{}), testing::ExitedWithCode(0), "^$");
}

TEST(ArrayOpsDeathTest, DeleteOutsideTheListIsErrorNine) {
  RtArray<Drop> a;
  for (int32_t n = 0; n < 3; ++n) ArrayPush(a, Drop{});
  EXPECT_EQ(DebugTextOfFatal([&] { ArrayDeleteAt(a, 3); }, "^bounds: \\[   3\\]\naccess: \\[   3\\]\n$"),
            "TXbounds: [   3]\nTXaccess: [   3]\nTXerror: 9\n");
  EXPECT_EXIT(ArrayDeleteAt(a, -4), testing::ExitedWithCode(0), "access: \\[  -1\\]");
  RtArray<Drop> empty;
  EXPECT_EXIT(ArrayDeleteAt(empty, 0), testing::ExitedWithCode(0), "bounds: \\[    \\]\naccess: \\[    \\]");
  EXPECT_EXIT(ArrayDeleteAt(empty, -1), testing::ExitedWithCode(0), "access: \\[  -1\\]");
}

TEST(ArrayOpsDeathTest, FailuresWhileTheProgramEndsLeaveTheArrayAlone) {
  EXPECT_EXIT(
      {
        std::atexit([] {
          static RtArray<RtString> list;
          for (int32_t n = 0; n < 3; ++n) ArrayPushString(list, "a");
          static RtArray<RtString> grid;
          ArrayDimString(grid, 2, 2, 0, 0);
          ArrayPushString(grid, "b");  // error 8 returns: nothing appended
          ArrayDeleteAt(list, 7);      // error 9 returns: nothing deleted
          static RtArray<int32_t> numbers;
          const int32_t values[] = {1, 2};
          ArrayFillInt(numbers, 2, values);
          ArrayRedimKeepInt(numbers, 65536, 65536, 0, 0);  // error 7 returns
          std::fprintf(stderr, "returned %d %d %d %d %d\n", list.d1, grid.d1, grid.d2, numbers.d1,
                       numbers.data[1]);
        });
        ProgramEnd();
      },
      testing::ExitedWithCode(0), "returned 3 2 2 2 2");
}

}  // namespace
