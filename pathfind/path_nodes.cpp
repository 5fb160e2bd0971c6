#include "pathfind/path_nodes.h"

#include <cstdlib>

NodeFactory::~NodeFactory() { std::free(nodes); }

bool NodeFactory::Reserve(int32_t n) {
  if (n < 1) return false;
  std::free(nodes);
  used = 0;
  capacity = 0;
  nodes = static_cast<Node*>(std::calloc(static_cast<size_t>(n), sizeof(Node)));
  if (nodes == nullptr) return false;
  capacity = n;
  return true;
}

Node* NodeFactory::Take() {
  if (nodes == nullptr || used >= capacity) return nullptr;
  return &nodes[used++];
}

void NodeFactory::GiveBack() {
  if (used > 0) --used;
}

NodeHashTable::~NodeHashTable() {
  if (buckets_ != &single_) std::free(buckets_);
}

uint32_t NodeHashTable::UsableBits(uint32_t bits) {
  if (bits > kMaxBits) bits = kMaxBits;
  return bits & ~uint32_t{1};
}

uint32_t NodeHashTable::Resize(uint32_t wanted) {
  wanted = UsableBits(wanted);
  Node** fresh = &single_;
  if (wanted > 0) {
    fresh = static_cast<Node**>(std::calloc(size_t{1} << wanted, sizeof(Node*)));
    if (fresh == nullptr) {
      Clear();
      return bits;
    }
  }
  if (buckets_ != &single_) std::free(buckets_);
  single_ = nullptr;
  buckets_ = fresh;
  bits = wanted;
  return bits;
}

uint32_t NodeHashTable::BucketOf(int32_t x, int32_t y) const {
  const uint32_t half = bits / 2;
  const uint32_t mask = (uint32_t{1} << half) - 1;
  return (static_cast<uint32_t>(x) & mask) | ((static_cast<uint32_t>(y) & mask) << half);
}

bool NodeHashTable::Insert(Node* node) {
  if (node == nullptr) return false;
  Node*& head = buckets_[BucketOf(node->x, node->y)];
  for (const Node* n = head; n != nullptr; n = n->next) {
    if (n == node) return false;
  }
  node->next = head;
  head = node;
  return true;
}

Node* NodeHashTable::Find(NodeHashCursor& cursor, int32_t x, int32_t y) const {
  cursor.table = this;
  cursor.bucket = BucketOf(x, y);
  cursor.link = &buckets_[cursor.bucket];
  while (*cursor.link != nullptr && ((*cursor.link)->x != x || (*cursor.link)->y != y)) {
    cursor.link = &(*cursor.link)->next;
  }
  cursor.node = *cursor.link;
  return cursor.node;
}

Node* NodeHashTable::Unlink(NodeHashCursor& cursor) const {
  Node* node = cursor.node;
  if (node == nullptr || cursor.link == nullptr) return nullptr;
  *cursor.link = node->next;
  node->next = nullptr;
  cursor.node = *cursor.link;
  return node;
}

Node* NodeHashTable::FirstFrom(NodeHashCursor& cursor, uint32_t bucket) const {
  cursor.table = this;
  for (; bucket < BucketCount(); ++bucket) {
    if (buckets_[bucket] != nullptr) break;
  }
  cursor.bucket = bucket;
  cursor.link = bucket < BucketCount() ? &buckets_[bucket] : nullptr;
  cursor.node = cursor.link != nullptr ? *cursor.link : nullptr;
  return cursor.node;
}

Node* NodeHashTable::First(NodeHashCursor& cursor) const { return FirstFrom(cursor, 0); }

Node* NodeHashTable::Next(NodeHashCursor& cursor) const {
  if (cursor.node == nullptr) return nullptr;
  if (cursor.node->next != nullptr) {
    cursor.link = &cursor.node->next;
    cursor.node = cursor.node->next;
    return cursor.node;
  }
  return FirstFrom(cursor, cursor.bucket + 1);
}

uint32_t NodeHashTable::Count() const {
  uint32_t count = 0;
  NodeHashCursor cursor;
  for (Node* n = First(cursor); n != nullptr; n = Next(cursor)) ++count;
  return count;
}

void NodeHashTable::Clear() {
  for (uint32_t b = 0; b < BucketCount(); ++b) buckets_[b] = nullptr;
}

void NodeHashTable::ClearInto(NodeFactory& pool) {
  NodeHashCursor cursor;
  for (Node* n = First(cursor); n != nullptr; n = Next(cursor)) pool.GiveBack();
  Clear();
}
