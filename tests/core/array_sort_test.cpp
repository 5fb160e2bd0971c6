#include "core/array_sort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "core/array_ops.h"
#include "core/rt_array.h"

namespace {

RtArray<RtString>& Fill(RtArray<RtString>& a, const std::vector<std::string>& texts) {
  ArrayDimString(a, static_cast<int32_t>(texts.size()), 0, 0, 0);
  for (size_t n = 0; n < texts.size(); ++n) StringAssignCStr(a.data[n], texts[n].c_str());
  return a;
}

std::vector<std::string> Texts(const RtArray<RtString>& a) {
  std::vector<std::string> out;
  for (int32_t n = 0; n < a.d1; ++n) out.emplace_back(a.data[n].c_str());
  return out;
}

void SortAll(RtArray<RtString>& a, ArrayCompareFn compare) { ArraySort(a.data, a.data + a.d1 - 1, compare); }

// The plain recursive algorithm the sort must agree with for consistent
// comparisons: scans without bounds, recursion on both parts.
void ReferenceSort(RtString* first, RtString* last, ArrayCompareFn compare) {
  auto order = [compare](const RtString* a, const RtString* b) {
    return compare ? SortCompareCall(a, b, compare) : std::strcmp(a->text, b->text);
  };
  RtString* i = first;
  RtString* j = last;
  do {
    while (order(i, last) < 0) ++i;
    while (order(j, last) > 0) --j;
    if (i <= j) {
      ArraySwapString(i, j);
      ++i;
      --j;
    }
  } while (i <= j);
  if (j > first) ReferenceSort(first, j, compare);
  if (i < last) ReferenceSort(i, last, compare);
}

// Compares the first letter only, without regard to case: many equal keys,
// told apart by the rest of the text.
double FirstLetterNoCase(const RtString* a, const RtString* b) {
  return (std::tolower(static_cast<unsigned char>(a->text[0])) -
          std::tolower(static_cast<unsigned char>(b->text[0]))) *
         1.5;
}

// The range under sort; a callback handed an address outside it notes that
// and answers 0, which stops any scan.
const RtString* g_rangeFirst = nullptr;
const RtString* g_rangeLast = nullptr;
bool g_outside = false;

bool Outside(const RtString* a, const RtString* b) {
  for (const RtString* p : {a, b}) {
    if (p < g_rangeFirst || p > g_rangeLast) g_outside = true;
  }
  return g_outside;
}

double AlwaysHalf(const RtString* a, const RtString* b) { return Outside(a, b) ? 0 : 0.5; }
double AlwaysBefore(const RtString* a, const RtString* b) { return Outside(a, b) ? 0 : -1; }
double AlwaysAfter(const RtString* a, const RtString* b) { return Outside(a, b) ? 0 : 1; }
double AlwaysNaN(const RtString* a, const RtString* b) {
  return Outside(a, b) ? 0 : std::numeric_limits<double>::quiet_NaN();
}
// 3e9 truncates to INT32_MIN, so it means "before".
double Huge(const RtString* a, const RtString* b) { return Outside(a, b) ? 0 : 3e9; }
// Equal for the first two calls (so that the range does not look ordered
// already), then always the same answer.
int g_calls = 0;
double EqualTwiceThenBefore(const RtString* a, const RtString* b) {
  return Outside(a, b) || ++g_calls <= 2 ? 0 : -1;
}
double EqualTwiceThenAfter(const RtString* a, const RtString* b) { return Outside(a, b) || ++g_calls <= 2 ? 0 : 1; }
std::mt19937 g_coin(7);
double Random(const RtString* a, const RtString* b) {
  return Outside(a, b) ? 0 : static_cast<double>(g_coin() % 3) - 1;
}

TEST(ArraySortTest, ThreeLettersByBytes) {
  RtArray<RtString> a;
  SortAll(Fill(a, {"b", "a", "c"}), nullptr);
  EXPECT_EQ(Texts(a), (std::vector<std::string>{"a", "b", "c"}));
  SortAll(Fill(a, {"b", "B", "\xe9", "a", "ab", ""}), nullptr);
  EXPECT_EQ(Texts(a), (std::vector<std::string>{"", "B", "a", "ab", "b", "\xe9"}));
}

double Half(const RtString*, const RtString*) { return 0.5; }
double NaNAnswer(const RtString*, const RtString*) { return std::numeric_limits<double>::quiet_NaN(); }

TEST(ArraySortTest, ACallbackBelowOneMeansEqual) {
  RtArray<RtString> a;
  Fill(a, {"x", "y"});
  RtArray<RtString> b;
  Fill(b, {"x", "y"});
  SortAll(a, Half);
  ReferenceSort(b.data, b.data + 1, Half);
  EXPECT_EQ(Texts(a), Texts(b));
  EXPECT_EQ(SortCompareCall(a.data, a.data, Half), 0);
  EXPECT_EQ(SortCompareCall(a.data, a.data, NaNAnswer), INT32_MIN);
  EXPECT_EQ(SortCompareCall(a.data, a.data, [](const RtString*, const RtString*) { return 3e9; }), INT32_MIN);
  EXPECT_EQ(SortCompareCall(a.data, a.data, FirstLetterNoCase), 0);
}

TEST(ArraySortTest, SwapExchangesTextsWhole) {
  RtString a("first text");
  RtString b;
  char* buffer = a.text;
  ArraySwapString(&a, &b);
  EXPECT_EQ(b.text, buffer);
  EXPECT_EQ(b.length, 10u);
  EXPECT_EQ(a.text, g_sharedEmptyText);
  EXPECT_EQ(a.capacity, 0u);
}

TEST(ArraySortTest, AgreesWithThePlainAlgorithmIncludingEqualKeys) {
  std::mt19937 random(12345);
  for (int round = 0; round < 300; ++round) {
    const int n = 1 + static_cast<int>(random() % 60);
    std::vector<std::string> texts;
    for (int k = 0; k < n; ++k) {
      // Few distinct first letters; a tag makes equal keys distinguishable.
      texts.push_back(std::string(1, "aAbBcd"[random() % (round % 3 == 0 ? 2 : 6)]) + std::to_string(k));
    }
    if (round % 5 == 1) std::sort(texts.begin(), texts.end());  // partly ordered input
    if (round % 5 == 2) std::sort(texts.rbegin(), texts.rend());
    for (ArrayCompareFn compare : {static_cast<ArrayCompareFn>(nullptr), FirstLetterNoCase}) {
      RtArray<RtString> ours;
      RtArray<RtString> plain;
      SortAll(Fill(ours, texts), compare);
      Fill(plain, texts);
      ReferenceSort(plain.data, plain.data + n - 1, compare);
      ASSERT_EQ(Texts(ours), Texts(plain)) << "round " << round;
    }
  }
}

// n texts of the given kind, made with the generator.
std::vector<std::string> TextsOfKind(int kind, int n, std::mt19937& random) {
  const auto letters = [&random](size_t length, const std::string& from) {
    std::string t(length, ' ');
    for (char& c : t) c = from[random() % from.size()];
    return t;
  };
  std::vector<std::string> texts;
  for (int k = 0; k < n; ++k) {
    switch (kind) {
      case 0:  // 6 to 24 random letters
        texts.push_back(letters(6 + random() % 19, "abcdefghijklmnopqrstuvwxyz"));
        break;
      case 1:  // many equal texts
        texts.push_back(std::string(1 + random() % 3, "xyz"[random() % 3]));
        break;
      case 2:  // long shared prefixes, and texts that begin one another
        texts.push_back(std::string(20, 'p') + letters(random() % 4, "ab"));
        break;
      case 3:  // bytes at and above 0x80 beside letters, with equal texts
        texts.push_back(letters(1 + random() % 3, "a\x7f\x80\xe9\xff"));
        break;
      case 4:  // empty texts among short ones
        texts.push_back(random() % 3 == 0 ? std::string() : letters(random() % 3, "ab"));
        break;
      default:  // zero bytes inside: strcmp sees only the part before them
        texts.push_back(letters(random() % 5, std::string("ab\0", 3)));
        break;
    }
  }
  return texts;
}

// The texts with their bytes as given, zero bytes included. With `shortWord`
// the first text's length word stops short of its zero byte, as direct
// writes leave a text before its length is recounted.
void FillBytes(RtArray<RtString>& a, const std::vector<std::string>& texts, bool shortWord) {
  ArrayDimString(a, static_cast<int32_t>(texts.size()), 0, 0, 0);
  for (size_t n = 0; n < texts.size(); ++n) {
    StringAssign(a.data[n], StringFromBytes(texts[n].data(), static_cast<uint32_t>(texts[n].size())));
  }
  if (shortWord) {
    StringAssignCStr(a.data[0], "ppp");
    std::memcpy(StringGetBuffer(a.data[0], 8), "pppq\x90", 6);
  }
}

// Where each element went: the first places of the elements, in their new
// order. Equal texts are told apart by their buffers, so this sees the
// arrangement itself, not only the order of the contents.
std::vector<int> Arrangement(const RtArray<RtString>& sorted, const std::vector<const char*>& before) {
  std::vector<int> places;
  for (int32_t n = 0; n < sorted.d1; ++n) {
    places.push_back(static_cast<int>(std::find(before.begin(), before.end(), sorted.data[n].text) - before.begin()));
  }
  return places;
}

std::vector<const char*> Buffers(const RtArray<RtString>& a) {
  std::vector<const char*> buffers;
  for (int32_t n = 0; n < a.d1; ++n) buffers.push_back(a.data[n].text);
  return buffers;
}

TEST(ArraySortTest, ByteOrderKeepsTheArrangementOfTheStrcmpSort) {
  std::mt19937 random(4242);
  for (int kind = 0; kind <= 5; ++kind) {
    for (int round = 0; round < 24; ++round) {
      const int n = round < 16 ? 1 + static_cast<int>(random() % 40) : 300 + static_cast<int>(random() % 700);
      const std::vector<std::string> texts = TextsOfKind(kind, n, random);
      RtArray<RtString> ours;
      RtArray<RtString> plain;
      FillBytes(ours, texts, round % 4 == 3);
      FillBytes(plain, texts, round % 4 == 3);
      const std::vector<const char*> oursBefore = Buffers(ours);
      const std::vector<const char*> plainBefore = Buffers(plain);
      SortAll(ours, nullptr);
      ReferenceSort(plain.data, plain.data + n - 1, nullptr);
      ASSERT_EQ(Arrangement(ours, oursBefore), Arrangement(plain, plainBefore))
          << "kind " << kind << ", round " << round;
    }
  }
}

TEST(ArraySortTest, StaysInsideItsRangeWhateverTheCallbackAnswers) {
  std::vector<std::string> texts;
  for (int k = 0; k < 40; ++k) texts.push_back(std::to_string((k * 17) % 40));
  for (ArrayCompareFn compare :
       {AlwaysBefore, AlwaysAfter, AlwaysNaN, Huge, Random, AlwaysHalf, EqualTwiceThenBefore, EqualTwiceThenAfter}) {
    for (int n : {1, 2, 3, 38}) {
      g_calls = 0;
      RtArray<RtString> a;
      Fill(a, texts);
      // Sort a[1..n]: a[0] and everything after the range must stay put.
      g_rangeFirst = a.data + 1;
      g_rangeLast = a.data + n;
      g_outside = false;
      ArraySort(a.data + 1, a.data + n, compare);
      EXPECT_FALSE(g_outside) << "an address outside the range, n = " << n;
      std::vector<std::string> result = Texts(a);
      EXPECT_EQ(result[0], texts[0]);
      for (size_t k = static_cast<size_t>(n) + 1; k < texts.size(); ++k) EXPECT_EQ(result[k], texts[k]);
      std::vector<std::string> inside(result.begin() + 1, result.begin() + n + 1);
      std::vector<std::string> before(texts.begin() + 1, texts.begin() + n + 1);
      std::sort(inside.begin(), inside.end());
      std::sort(before.begin(), before.end());
      EXPECT_EQ(inside, before) << "the range holds the same texts";
    }
  }
}

uintptr_t g_deepest = 0;
uintptr_t g_shallowest = 0;

double ByBytesNotingTheStack(const RtString* a, const RtString* b) {
  const auto frame = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
  if (g_deepest == 0 || frame < g_deepest) g_deepest = frame;
  if (frame > g_shallowest) g_shallowest = frame;
  return std::strcmp(a->text, b->text);
}

TEST(ArraySortTest, OrderedAndSawtoothInputKeepTheStackShallow) {
  // Sorted, reversed and nearly sorted input: the plain algorithm recurses
  // about once per element on these (and takes n*n/2 comparisons on the
  // nearly sorted one, hence its smaller size).
  char text[16];
  for (int shape = 0; shape < 3; ++shape) {
    const int n = shape == 2 ? 6000 : 50000;
    RtArray<RtString> a;
    ArrayDimString(a, n, 0, 0, 0);
    for (int k = 0; k < n; ++k) {
      const int key = shape == 0 ? k : shape == 1 ? n - k : (k % 2 == 0 ? k : k - 2);
      std::snprintf(text, sizeof text, "%08d", key);
      StringAssignCStr(a.data[k], text);
    }
    g_deepest = g_shallowest = 0;
    SortAll(a, ByBytesNotingTheStack);
    for (int k = 1; k < n; ++k) ASSERT_LE(std::strcmp(a.data[k - 1].text, a.data[k].text), 0) << k;
    EXPECT_LT(g_shallowest - g_deepest, 64u * 1024u) << "shape " << shape;
  }
}

TEST(ArraySortTest, AnyElementTypeWithAnOrder) {
  std::vector<double> values = {3.5, -1, 8, 3.5, 0, -7.25};
  ArraySortWith(values.data(), values.data() + values.size() - 1,
                [](const double* a, const double* b) { return *a < *b ? -1 : *a > *b ? 1 : 0; });
  EXPECT_EQ(values, (std::vector<double>{-7.25, -1, 0, 3.5, 3.5, 8}));
  ArraySortWith(values.data() + 3, values.data() + 2, [](const double*, const double*) { return 1; });
  EXPECT_EQ(values[0], -7.25);
}

// The number sorts give exactly the arrangement of the sort through a
// comparison function, bit for bit: equal keys that differ (0.0 and -0.0;
// NaN, which compares equal to everything) included.
int32_t CompareDoublesThroughAPointer(const double* a, const double* b) { return *a < *b ? -1 : *a > *b ? 1 : 0; }
int32_t CompareIntsThroughAPointer(const int32_t* a, const int32_t* b) { return *a < *b ? -1 : *a > *b ? 1 : 0; }

TEST(ArraySortTest, NumberSortsKeepTheArrangementOfTheComparisonSort) {
  std::mt19937 random(777);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (int round = 0; round < 400; ++round) {
    const int n = 1 + static_cast<int>(random() % 200);
    std::vector<double> doubles(n);
    std::vector<int32_t> ints(n);
    for (int k = 0; k < n; ++k) {
      const uint32_t pick = random() % 10;
      // Few distinct keys, zeros of both signs, NaN now and then.
      doubles[k] = pick == 0 ? 0.0 : pick == 1 ? -0.0 : pick == 2 && round % 4 == 0 ? nan : double(random() % 7) - 3;
      ints[k] = static_cast<int32_t>(random() % 9) - 4;
    }
    if (round % 5 == 1) std::sort(ints.begin(), ints.end());
    if (round % 5 == 2) std::sort(ints.rbegin(), ints.rend());
    std::vector<double> expected = doubles;
    ArraySortWith(expected.data(), expected.data() + n - 1, CompareDoublesThroughAPointer);
    ArraySortDouble(doubles.data(), doubles.data() + n - 1);
    ASSERT_EQ(std::memcmp(doubles.data(), expected.data(), n * sizeof(double)), 0) << "round " << round;
    std::vector<int32_t> expectedInts = ints;
    ArraySortWith(expectedInts.data(), expectedInts.data() + n - 1, CompareIntsThroughAPointer);
    ArraySortInt(ints.data(), ints.data() + n - 1);
    ASSERT_EQ(ints, expectedInts) << "round " << round;
  }
  double two[2] = {2, 1};
  ArraySortDouble(two + 1, two);  // an empty range is left alone
  ArraySortDouble(nullptr, nullptr);
  EXPECT_EQ(two[0], 2);
}

}  // namespace
