#include "pathfind/path_nodes.h"

#include <gtest/gtest.h>

#include <set>

namespace {

Node At(int32_t x, int32_t y) { return Node{nullptr, x, y, 0.0f, 0.0f, nullptr}; }

TEST(NodeFactoryTest, HandsOutItsNodesInOrderUntilNoneIsLeft) {
  NodeFactory pool;
  EXPECT_FALSE(pool.Reserve(0));
  EXPECT_FALSE(pool.Reserve(-5));
  EXPECT_EQ(pool.Take(), nullptr);
  ASSERT_TRUE(pool.Reserve(3));
  Node* first = pool.Take();
  EXPECT_EQ(pool.Take(), first + 1);
  EXPECT_EQ(pool.Take(), first + 2);
  EXPECT_EQ(pool.Take(), nullptr);
  EXPECT_EQ(pool.used, 3);
  pool.GiveBack();
  EXPECT_EQ(pool.Take(), first + 2);
  for (int n = 0; n < 5; ++n) pool.GiveBack();
  EXPECT_EQ(pool.used, 0);
  EXPECT_FALSE(pool.Reserve(0));  // refused: the pool stays as it was
  EXPECT_EQ(pool.capacity, 3);
}

TEST(NodeHashTableTest, BitsAreCappedAt24AndRoundedDownToEven) {
  struct Case {
    uint32_t asked;
    uint32_t bits;
  };
  for (const Case& c : {Case{25, 24}, Case{9, 8}, Case{0, 0}, Case{1, 0}, Case{24, 24}, Case{0xFFFFFFFF, 24}}) {
    NodeHashTable table;
    table.Resize(12);
    EXPECT_EQ(table.Resize(c.asked), c.bits) << c.asked;
    EXPECT_EQ(table.bits, c.bits);
  }
  NodeHashTable one;
  EXPECT_EQ(one.BucketOf(12345, 678), 0u);
}

TEST(NodeHashTableTest, CellsWhoseLowBitsAgreeShareABucketAndStayApart) {
  NodeHashTable table;
  table.Resize(8);
  EXPECT_EQ(table.BucketOf(1, 2), 33u);
  EXPECT_EQ(table.BucketOf(17, 18), 33u);
  Node a = At(1, 2), b = At(17, 18), c = At(2, 1);
  for (Node* n : {&a, &b, &c}) EXPECT_TRUE(table.Insert(n));
  EXPECT_FALSE(table.Insert(&a));
  EXPECT_FALSE(table.Insert(nullptr));
  EXPECT_EQ(table.Count(), 3u);

  NodeHashCursor cursor;
  EXPECT_EQ(table.Find(cursor, 17, 18), &b);
  EXPECT_EQ(table.Find(cursor, 1, 2), &a);
  EXPECT_EQ(table.Find(cursor, 33, 34), nullptr);  // same bucket, no such node
  EXPECT_EQ(table.Unlink(cursor), nullptr);
  table.Find(cursor, 17, 18);
  EXPECT_EQ(table.Unlink(cursor), &b);
  EXPECT_EQ(cursor.node, &a);  // b's successor in the chain, newest first
  EXPECT_EQ(table.Find(cursor, 17, 18), nullptr);
  EXPECT_EQ(table.Find(cursor, 1, 2), &a);
  EXPECT_EQ(table.Count(), 2u);
  EXPECT_TRUE(table.Insert(&b));  // unlinked nodes can come back
}

TEST(NodeHashTableTest, SteppingVisitsEveryNodeOnceAndClearIntoGivesThemBack) {
  NodeFactory pool;
  ASSERT_TRUE(pool.Reserve(8));
  NodeHashTable table;
  table.Resize(2);  // four buckets: chains and empty buckets alike
  std::set<Node*> inserted;
  for (auto [x, y] : {std::pair{0, 0}, {2, 0}, {4, 2}, {1, 1}, {3, 3}, {5, 1}}) {
    Node* n = pool.Take();
    *n = At(x, y);
    table.Insert(n);
    inserted.insert(n);
  }
  std::set<Node*> seen;
  NodeHashCursor cursor;
  for (Node* n = table.First(cursor); n != nullptr; n = table.Next(cursor)) EXPECT_TRUE(seen.insert(n).second);
  EXPECT_EQ(seen, inserted);

  table.ClearInto(pool);
  EXPECT_EQ(pool.used, 0);
  EXPECT_EQ(table.Count(), 0u);
  EXPECT_EQ(table.First(cursor), nullptr);
}

}  // namespace
