// The planner's open list: a 4-ary min-heap of cells keyed by f and then by
// the order of insertion, so that among equal f the cell inserted first
// comes out first.
//
// A cell reached again more cheaply is pushed once more rather than moved;
// each entry carries the g it was pushed with, and the planner passes over
// an entry whose g is no longer its cell's. The buffer grows by doubling
// and is kept between searches.
#pragma once

#include <cstdint>

struct OpenEntry {
  uint64_t key;  // the bits of f (never negative) above the insertion number
  uint32_t cell;
  float g;
};

class OpenHeap {
 public:
  OpenHeap() = default;
  ~OpenHeap();
  OpenHeap(const OpenHeap&) = delete;
  OpenHeap& operator=(const OpenHeap&) = delete;

  // Adds an entry with f (0 or above) behind every entry of equal f. False,
  // with nothing changed, when the buffer cannot grow.
  bool Push(float f, uint32_t cell, float g);
  // Takes out the entry of the smallest key; the heap must not be empty.
  OpenEntry Pop();
  bool IsEmpty() const { return size == 0; }
  // Empties the heap and restarts the insertion numbers; the buffer stays.
  void Clear();
  // Empties the heap and frees the buffer.
  void Release();

  OpenEntry* entries = nullptr;
  uint32_t size = 0;
  uint32_t capacity = 0;
  uint32_t nextSequence = 0;  // the insertion number of the next push

 private:
  bool Grow();
  // Numbers the entries 0, 1, ... in key order, when the insertion numbers
  // have run out.
  void Renumber();
};
