// A fixed-capacity ring buffer with insertion and erasure at any position,
// such as a sorted open list of search nodes (FixedDeque<Node*>).
//
// head is the index of the first element and tail one past the last,
// both wrapping at the capacity; head == tail means empty while the empty
// flag is set and full while it is clear. A deque of capacity 0 is always
// full. Insertion and erasure in the middle rebuild the whole sequence in a
// second buffer of the same capacity, reserved with the first, and exchange
// the two, so no operation allocates after Reserve.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <type_traits>
#include <utility>

template <typename T>
class FixedDeque {
  static_assert(std::is_trivially_copyable_v<T>, "the buffers hold plain values");

 public:
  FixedDeque() = default;
  explicit FixedDeque(uint32_t n) { Reserve(n); }
  virtual ~FixedDeque() { Free(); }
  FixedDeque(const FixedDeque&) = delete;
  FixedDeque& operator=(const FixedDeque&) = delete;

  // Frees the old buffers and reserves n entries in each, empty. False with
  // capacity 0 when they cannot be had.
  bool Reserve(uint32_t n) {
    Free();
    Clear();
    if (n == 0) return true;
    items = static_cast<T*>(std::malloc(sizeof(T) * n));
    scratch = static_cast<T*>(std::malloc(sizeof(T) * n));
    if (items == nullptr || scratch == nullptr) {
      Free();
      return false;
    }
    capacity = n;
    return true;
  }

  uint32_t Size() const {
    if (empty) return 0;
    return tail > head ? tail - head : capacity - head + tail;
  }
  bool IsEmpty() const { return empty != 0; }
  bool IsFull() const { return capacity == 0 || (head == tail && !empty); }

  // The element at position i from the front; i must be below Size().
  T& At(uint32_t i) { return items[Wrap(uint64_t{head} + i)]; }
  // The last element; the deque must not be empty.
  T& Back() { return items[tail == 0 ? capacity - 1 : tail - 1]; }

  bool PushBack(T v) {
    if (IsFull()) return false;
    items[tail] = v;
    tail = tail + 1 == capacity ? 0 : tail + 1;
    empty = 0;
    return true;
  }
  bool PushFront(T v) {
    if (IsFull()) return false;
    head = head == 0 ? capacity - 1 : head - 1;
    items[head] = v;
    empty = 0;
    return true;
  }
  bool PopBack() {
    if (empty) return false;
    tail = tail == 0 ? capacity - 1 : tail - 1;
    if (head == tail) empty = 1;
    return true;
  }
  bool PopFront() {
    if (empty) return false;
    head = head + 1 == capacity ? 0 : head + 1;
    if (head == tail) empty = 1;
    return true;
  }

  // Inserts v before position i (i = Size() appends). False when full or
  // when i is beyond the size.
  bool InsertAt(uint32_t i, T v) {
    const uint32_t size = Size();
    if (i > size) return false;
    if (i == size) return PushBack(v);
    if (i == 0) return PushFront(v);
    if (IsFull()) return false;
    for (uint32_t k = 0; k < i; ++k) scratch[k] = At(k);
    scratch[i] = v;
    for (uint32_t k = i; k < size; ++k) scratch[k + 1] = At(k);
    Exchange(size + 1);
    return true;
  }

  // Removes the element at position i. False when i is not below the size.
  bool EraseAt(uint32_t i) {
    const uint32_t size = Size();
    if (i >= size) return false;
    if (i == size - 1) return PopBack();
    if (i == 0) return PopFront();
    for (uint32_t k = 0; k < i; ++k) scratch[k] = At(k);
    for (uint32_t k = i + 1; k < size; ++k) scratch[k - 1] = At(k);
    Exchange(size - 1);
    return true;
  }

  void Clear() {
    head = 0;
    tail = 0;
    empty = 1;
  }

  T* items = nullptr;
  T* scratch = nullptr;
  uint32_t capacity = 0;
  uint32_t head = 0;
  uint32_t tail = 0;  // one past the last element, wrapping to 0
  uint8_t empty = 1;

 private:
  uint32_t Wrap(uint64_t index) const { return static_cast<uint32_t>(index % capacity); }

  // The rebuilt sequence of `size` elements in scratch becomes the content,
  // starting at index 0. A sequence that fills the buffer ends at index 0.
  void Exchange(uint32_t size) {
    std::swap(items, scratch);
    head = 0;
    tail = size == capacity ? 0 : size;
    empty = size == 0 ? 1 : 0;
  }

  void Free() {
    std::free(items);
    std::free(scratch);
    items = nullptr;
    scratch = nullptr;
    capacity = 0;
  }
};
