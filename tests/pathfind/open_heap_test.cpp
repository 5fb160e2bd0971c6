#include "pathfind/open_heap.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <map>
#include <random>
#include <utility>

namespace {

// The entries in the order they must come out: by f, then first in, first
// out. The value is the cell pushed.
using Model = std::multimap<std::pair<float, uint64_t>, uint32_t>;

// Pushes and pops at random against the model, with few distinct f values
// so that ties are common; starting the insertion numbers at `firstSequence`
// lets the numbers run out on the way.
void CompareWithModel(uint32_t firstSequence, uint32_t seed) {
  OpenHeap heap;
  heap.nextSequence = firstSequence;
  Model model;
  uint64_t order = 0;
  std::mt19937 random(seed);
  for (int step = 0; step < 20000; ++step) {
    if (model.empty() || random() % 5 < 3) {
      const float f = static_cast<float>(random() % 7) * 0.5f;
      const auto cell = static_cast<uint32_t>(step);
      ASSERT_TRUE(heap.Push(f, cell, f + 1.0f));
      model.emplace(std::pair(f, order++), cell);
    } else {
      const OpenEntry entry = heap.Pop();
      ASSERT_EQ(entry.cell, model.begin()->second) << "step " << step;
      ASSERT_EQ(entry.g, model.begin()->first.first + 1.0f);
      model.erase(model.begin());
    }
    ASSERT_EQ(heap.size, model.size());
  }
  while (!model.empty()) {
    ASSERT_EQ(heap.Pop().cell, model.begin()->second);
    model.erase(model.begin());
  }
  EXPECT_TRUE(heap.IsEmpty());
}

TEST(OpenHeapTest, TakesTheSmallestFFirstAndEqualFInTheOrderPushed) {
  CompareWithModel(0, 11);
  // The insertion numbers run out after a few pushes and are numbered anew
  // without changing the order.
  CompareWithModel(std::numeric_limits<uint32_t>::max() - 50, 12);
}

TEST(OpenHeapTest, MinusZeroIsZeroAndClearRestartsTheOrder) {
  OpenHeap heap;
  ASSERT_TRUE(heap.Push(0.0f, 1, 0.0f));
  ASSERT_TRUE(heap.Push(-0.0f, 2, 0.0f));  // ties with 0, behind it
  ASSERT_TRUE(heap.Push(1.0f, 3, 0.0f));
  EXPECT_EQ(heap.Pop().cell, 1u);
  EXPECT_EQ(heap.Pop().cell, 2u);
  heap.Clear();
  EXPECT_TRUE(heap.IsEmpty());
  EXPECT_EQ(heap.nextSequence, 0u);
  ASSERT_TRUE(heap.Push(2.0f, 4, 0.0f));
  EXPECT_EQ(heap.Pop().cell, 4u);
  heap.Release();
  EXPECT_EQ(heap.entries, nullptr);
  EXPECT_EQ(heap.capacity, 0u);
}

}  // namespace
