#include "pathfind/fixed_deque.h"

#include <gtest/gtest.h>

#include <deque>
#include <random>
#include <vector>

namespace {

std::vector<int> Contents(FixedDeque<int>& d) {
  std::vector<int> v;
  for (uint32_t i = 0; i < d.Size(); ++i) v.push_back(d.At(i));
  return v;
}

// Every operation against std::deque, over a small ring so that the indices
// wrap often and the deque is often full: an operation must succeed exactly
// when it is allowed and leave the same sequence.
TEST(FixedDequeTest, BehavesAsABoundedDeque) {
  constexpr uint32_t kCapacity = 5;
  FixedDeque<int> d(kCapacity);
  std::deque<int> model;
  std::mt19937 random(7);
  for (int step = 0; step < 20000; ++step) {
    const uint32_t size = static_cast<uint32_t>(model.size());
    const bool full = size == kCapacity;
    const int value = step;
    const uint32_t i = random() % (size + 2);
    switch (random() % 6) {
      case 0:
        ASSERT_EQ(d.PushBack(value), !full);
        if (!full) model.push_back(value);
        break;
      case 1:
        ASSERT_EQ(d.PushFront(value), !full);
        if (!full) model.push_front(value);
        break;
      case 2:
        ASSERT_EQ(d.PopBack(), size > 0);
        if (size > 0) model.pop_back();
        break;
      case 3:
        ASSERT_EQ(d.PopFront(), size > 0);
        if (size > 0) model.pop_front();
        break;
      case 4:
        ASSERT_EQ(d.InsertAt(i, value), !full && i <= size) << i;
        if (!full && i <= size) model.insert(model.begin() + i, value);
        break;
      default:
        ASSERT_EQ(d.EraseAt(i), i < size) << i;
        if (i < size) model.erase(model.begin() + i);
        break;
    }
    ASSERT_EQ(Contents(d), std::vector<int>(model.begin(), model.end())) << "step " << step;
    ASSERT_EQ(d.IsEmpty(), model.empty());
    if (!model.empty()) {
      ASSERT_EQ(d.Back(), model.back());
    }
  }
}

TEST(FixedDequeTest, InsertionsAtTheEndsMoveTheEndsAndInTheMiddleRebuildFromZero) {
  FixedDeque<int> d(4);
  d.PushBack(1);
  d.PushBack(2);
  EXPECT_TRUE(d.InsertAt(0, 0));  // a push at the front: head wraps back
  EXPECT_EQ(d.head, 3u);
  EXPECT_TRUE(d.InsertAt(d.Size(), 3));  // a push at the back
  EXPECT_EQ(Contents(d), (std::vector<int>{0, 1, 2, 3}));
  for (uint32_t i : {0u, 2u, 4u}) EXPECT_FALSE(d.InsertAt(i, 9)) << i;  // full

  d.PopFront();
  EXPECT_TRUE(d.InsertAt(1, 7));
  EXPECT_EQ(d.head, 0u);
  EXPECT_EQ(d.tail, 0u);  // the rebuilt sequence fills the ring
  EXPECT_FALSE(d.PushBack(9));
  EXPECT_EQ(Contents(d), (std::vector<int>{1, 7, 2, 3}));
}

TEST(FixedDequeTest, ADequeWithoutRoomRefusesEveryInsertion) {
  FixedDeque<int> none;
  EXPECT_FALSE(none.PushBack(1));
  EXPECT_FALSE(none.PushFront(1));
  EXPECT_FALSE(none.InsertAt(0, 1));
  EXPECT_FALSE(none.PopBack());
  EXPECT_TRUE(none.IsEmpty());
  EXPECT_EQ(none.Size(), 0u);
}

}  // namespace
