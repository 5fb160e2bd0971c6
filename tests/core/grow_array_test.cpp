#include "core/grow_array.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(GrowArrayTest, GrowsToFirstThenInSteps) {
  GrowArray<int> a;
  ASSERT_TRUE(a.Push(1));
  EXPECT_EQ(a.capacity, 512);
  EXPECT_EQ(a.count, 1);
  for (int i = 1; i < 512; ++i) ASSERT_TRUE(a.Push(i + 1));
  EXPECT_EQ(a.capacity, 512);
  ASSERT_TRUE(a.Push(513));
  EXPECT_EQ(a.capacity, 640);
  for (int i = 513; i < 641; ++i) ASSERT_TRUE(a.Push(i + 1));
  EXPECT_EQ(a.capacity, 768);
  for (int i = 0; i < a.count; ++i) ASSERT_EQ(a[i], i + 1);
}

TEST(GrowArrayTest, ReserveWithStepAndFirstOfOne) {
  struct Case {
    int32_t index;
    int32_t capacity;
  };
  for (const Case& c : {Case{0, 1}, Case{1, 1}, Case{5, 6}}) {
    GrowArray<int> a;
    a.step = 1;
    a.first = 1;
    ASSERT_TRUE(a.Reserve(c.index));
    EXPECT_EQ(a.capacity, c.capacity) << "index " << c.index;
  }
}

TEST(GrowArrayTest, ReserveAtTheCapacityRebuildsAndKeepsElements) {
  GrowArray<int> a;
  a.step = 1;
  a.first = 4;
  for (int i = 0; i < 4; ++i) a.Push(i * 10);
  ASSERT_EQ(a.capacity, 4);
  int* old = a.data;
  ASSERT_TRUE(a.Reserve(4));
  EXPECT_NE(a.data, old);
  EXPECT_EQ(a.capacity, 4);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(a[i], i * 10);
}

TEST(GrowArrayTest, AssignmentSizesTheCopyAsAFreshReserve) {
  GrowArray<int> source;
  source.step = 1;
  source.first = 700;
  for (int i = 0; i < 10; ++i) source.Push(i);
  ASSERT_EQ(source.capacity, 700);

  GrowArray<int> copy;
  copy = source;
  EXPECT_EQ(copy.capacity, 768);
  EXPECT_EQ(copy.count, 10);
  EXPECT_EQ(copy.step, 1);
  EXPECT_EQ(copy.first, 700);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(copy[i], i);

  GrowArray<int> empty;
  GrowArray<int> from_empty(empty);
  EXPECT_EQ(from_empty.capacity, 512);
  EXPECT_EQ(from_empty.count, 0);

  copy = copy;  // self-assignment keeps the elements
  EXPECT_EQ(copy.count, 10);
  EXPECT_EQ(copy[9], 9);
}

TEST(GrowArrayTest, RemoveFirstClearAndRelease) {
  GrowArray<int> a;
  a.RemoveFirst();  // nothing on an empty array
  for (int i = 0; i < 3; ++i) a.Push(i);
  a.RemoveFirst();
  ASSERT_EQ(a.count, 2);
  EXPECT_EQ(a[0], 1);
  EXPECT_EQ(a[1], 2);
  a.Clear();
  EXPECT_EQ(a.count, 0);
  EXPECT_EQ(a.capacity, 512);
  a.step = 7;
  a.Release();
  EXPECT_EQ(a.data, nullptr);
  EXPECT_EQ(a.capacity, 0);
  EXPECT_EQ(a.step, 7);
}

// Counts live instances, to show that every slot of a block is constructed
// and destroyed.
struct Tracked {
  static int live;
  int value = 0;
  Tracked() { ++live; }
  Tracked(const Tracked& other) : value(other.value) { ++live; }
  Tracked& operator=(const Tracked&) = default;
  ~Tracked() { --live; }
};
int Tracked::live = 0;

TEST(GrowArrayTest, ClassElementsLiveForEverySlotOfTheBlock) {
  Tracked::live = 0;
  {
    GrowArray<Tracked> a;
    a.step = 4;
    a.first = 4;
    Tracked t;
    t.value = 3;
    a.Push(t);
    EXPECT_EQ(Tracked::live, 1 + 4);
    for (int i = 0; i < 4; ++i) a.Push(t);  // grows to 8
    EXPECT_EQ(a.capacity, 8);
    EXPECT_EQ(Tracked::live, 1 + 8);
    EXPECT_EQ(a[4].value, 3);
  }
  EXPECT_EQ(Tracked::live, 0);
}

TEST(GrowArrayTest, PushOfItsOwnElementAtFullCapacity) {
  // The push grows the block, which destroys the element being pushed.
  GrowArray<std::string> a;
  a.step = 1;
  a.first = 1;
  const std::string text(40, 'x');
  a.Push(text);
  ASSERT_EQ(a.count, a.capacity);
  ASSERT_TRUE(a.Push(a[0]));
  EXPECT_EQ(a[1], text);
}

// An element so large that a block of them cannot be had.
struct Huge {
  char bytes[1 << 20];
};

TEST(GrowArrayTest, AFailedGrowthKeepsTheElementsAndFailsOnlyThePush) {
  GrowArray<Huge> a;
  a.step = 1;
  a.first = 2;
  Huge* value = new Huge();
  value->bytes[0] = 42;
  ASSERT_TRUE(a.Push(*value));
  ASSERT_TRUE(a.Push(*value));
  a.step = 1 << 30;  // the next block needs 2^50 bytes
  EXPECT_FALSE(a.Push(*value));
  EXPECT_EQ(a.count, 2);
  EXPECT_EQ(a.capacity, 2);
  EXPECT_EQ(a[1].bytes[0], 42);
  delete value;
}

TEST(GrowArrayTest, CapacitiesThatDoNotFitIn32BitsFail) {
  GrowArray<char> a;
  a.step = 1 << 30;
  a.first = 0;
  EXPECT_FALSE(a.Reserve(INT32_MAX - 1));  // 2^31 elements
  a.step = 1;
  EXPECT_FALSE(a.Reserve(INT32_MAX));  // 2^31 elements, the step count itself at 2^31
  EXPECT_EQ(a.data, nullptr);
  a.step = 0;  // a step of 0 cannot grow
  EXPECT_FALSE(a.Reserve(10));
  EXPECT_TRUE(a.Reserve(-1));
}

TEST(GrowArrayTest, PushesRebuildTheBlockLogarithmicallyWhileTheCapacityKeepsItsSteps) {
  struct Case {
    int32_t step;
    int32_t first;
    int32_t pushes;
    int32_t maxRebuilds;  // about log base 1.5 of pushes / first, and some
  };
  const Case cases[] = {{128, 512, 1000000, 30}, {64, 64, 1000000, 35}, {1, 1, 200000, 40}};
  for (const Case& c : cases) {
    GrowArray<int32_t> a;
    a.step = c.step;
    a.first = c.first;
    int32_t rebuilds = 0;
    const int32_t* block = nullptr;
    int32_t capacity = 0;
    for (int32_t k = 1; k <= c.pushes; ++k) {
      ASSERT_TRUE(a.Push(k));
      if (a.data != block) ++rebuilds;
      block = a.data;
      // A full array makes room for index k: first, or the next whole step past k.
      if (k > capacity) capacity = c.first >= k ? c.first : c.step * (k / c.step + 1);
      ASSERT_EQ(a.capacity, capacity) << "step " << c.step << ", push " << k;
      ASSERT_LE(a.BlockSlots(), a.capacity + a.capacity / 2) << "step " << c.step << ", push " << k;
    }
    EXPECT_LE(rebuilds, c.maxRebuilds) << "step " << c.step;
    for (int32_t i = 0; i < a.count; ++i) ASSERT_EQ(a[i], i + 1);
  }
}

TEST(GrowArrayTest, GrowingInsideTheBlockConstructsTheNewSlotsAndRenewsThoseAfterTheCount) {
  Tracked::live = 0;
  {
    GrowArray<Tracked> a;
    a.step = 4;
    a.first = 4;
    Tracked t;
    t.value = 3;
    // Full, with room in the block for another step.
    while (a.count < a.capacity || a.BlockSlots() < a.capacity + 4) {
      ASSERT_TRUE(a.Push(t));
      ASSERT_EQ(Tracked::live, 1 + a.capacity);  // the slots to the capacity, none past it
      ASSERT_LT(a.count, 1000);
    }
    // Two stale elements past the count, then a growth inside the block.
    a.count -= 2;
    a[a.count].value = 9;
    a[a.count + 1].value = 9;
    const Tracked* block = a.data;
    const int32_t capacity = a.capacity;
    ASSERT_TRUE(a.Reserve(capacity));
    EXPECT_EQ(a.data, block);
    EXPECT_EQ(a.capacity, capacity + 4);
    EXPECT_EQ(Tracked::live, 1 + a.capacity);
    for (int32_t i = 0; i < a.count; ++i) EXPECT_EQ(a[i].value, 3);
    for (int32_t i = a.count; i < a.capacity; ++i) EXPECT_EQ(a[i].value, 0) << "slot " << i;
    GrowArray<Tracked> copy(a);
    EXPECT_EQ(copy.BlockSlots(), copy.capacity);
    EXPECT_EQ(Tracked::live, 1 + a.capacity + copy.capacity);
  }
  EXPECT_EQ(Tracked::live, 0);
}

}  // namespace
