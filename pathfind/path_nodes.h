// Search nodes and the two containers that own or index them: a node pool
// and a closed set of chained buckets. The planner (pathfind/planner.h)
// keeps its nodes in per-cell arrays instead and only counts against a
// pool's size; these stay for searches that want nodes of their own.
//
// Every size is fixed by a reserve call when a search is set up; nothing
// grows or allocates while a search runs. Allocation failures are reported
// by the results, never by exceptions.
#pragma once

#include <cstdint>

// One search node: a cell reached by the search and how it was reached.
struct Node {
  Node* parent;  // none for the start
  int32_t x;
  int32_t y;
  float f;       // the open-list key
  float g;       // cost from the start
  Node* next;    // the chain link inside a closed-set bucket
};

// A pool of preallocated nodes handed out in order.
//
// The nodes live in one zeroed block, so the pages of nodes never handed out
// cost no memory.
class NodeFactory {
 public:
  NodeFactory() = default;
  virtual ~NodeFactory();
  NodeFactory(const NodeFactory&) = delete;
  NodeFactory& operator=(const NodeFactory&) = delete;

  // False for n below 1 (nothing changes). Otherwise drops every node it
  // holds, sets used = 0 and allocates n nodes; false with capacity 0 when
  // that fails.
  bool Reserve(int32_t n);
  // The next unused node, or null when every node is handed out.
  Node* Take();
  // One node back: used goes down by one, never below 0.
  void GiveBack();

  int32_t capacity = 0;
  Node* nodes = nullptr;
  int32_t used = 0;  // nodes handed out
};

class NodeHashTable;

// A position in a NodeHashTable: the bucket, the node (null at the end) and
// the link that points at the node (the bucket head or the previous node's
// next).
struct NodeHashCursor {
  const NodeHashTable* table = nullptr;
  uint32_t bucket = 0;
  Node* node = nullptr;
  Node** link = nullptr;
};

// The closed set: 2^bits bucket heads, each a chain through Node::next,
// newest first. The bucket of cell (x, y) puts the low bits/2 bits of x and
// of y side by side: (x & m) | ((y & m) << (bits / 2)), m = 2^(bits/2) - 1.
//
// The table only links the nodes; it never owns or frees them. It cannot be
// copied: two tables over the same chains would rewrite each other's links.
class NodeHashTable {
 public:
  static constexpr uint32_t kMaxBits = 24;

  // One empty bucket (bits 0).
  NodeHashTable() = default;
  virtual ~NodeHashTable();
  NodeHashTable(const NodeHashTable&) = delete;
  NodeHashTable& operator=(const NodeHashTable&) = delete;

  // The bits a request gives: at most 24, rounded down to even.
  static uint32_t UsableBits(uint32_t bits);

  // 2^UsableBits(bits) empty buckets in place of the old ones (the nodes in
  // them are not touched); returns the bits in use. When the new buckets
  // cannot be had, the old ones stay, emptied, and their bits are returned.
  uint32_t Resize(uint32_t bits);

  uint32_t BucketOf(int32_t x, int32_t y) const;

  // Puts the node at the head of its bucket's chain. False for null and for
  // a node already in that chain.
  bool Insert(Node* node);
  // The node of cell (x, y), with the cursor left on it; null with the
  // cursor at the end of the bucket's chain when there is none.
  Node* Find(NodeHashCursor& cursor, int32_t x, int32_t y) const;
  // Takes the cursor's node out of its chain and returns it; the cursor
  // moves on to the node that followed it. Null for a cursor at an end.
  Node* Unlink(NodeHashCursor& cursor) const;

  // Stepping over every node: the first node of the table, and the node
  // after the cursor's (later in its chain, else the head of the next
  // non-empty bucket). Null at the end.
  Node* First(NodeHashCursor& cursor) const;
  Node* Next(NodeHashCursor& cursor) const;

  uint32_t Count() const;
  // Empties every bucket.
  void Clear();
  // Gives every node of every chain back to the pool, then empties every
  // bucket.
  void ClearInto(NodeFactory& pool);

  uint32_t bits = 0;

 private:
  uint32_t BucketCount() const { return uint32_t{1} << bits; }
  // The head of the next non-empty bucket from `bucket` on.
  Node* FirstFrom(NodeHashCursor& cursor, uint32_t bucket) const;

  Node* single_ = nullptr;      // the bucket of a table of bits 0
  Node** buckets_ = &single_;   // 2^bits heads; owned unless it is &single_
};
