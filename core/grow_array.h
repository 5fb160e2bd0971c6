// The runtime's growable array: a small header over a heap block of
// elements, for the lists that engine objects keep.
//
// Growth is in steps, never by doubling: making room for index n does
// nothing while the capacity exceeds n; otherwise the capacity becomes
// `first` when first >= n, else step * (n / step + 1). Every slot up to the
// capacity is a constructed element, also the slots past `count`: a slot is
// constructed when the capacity comes to include it and destroyed when the
// array is released. When the capacity grows, the slots from `count` on
// are fresh elements again.
//
// The heap block under the array may hold more slots than the capacity, so
// that pushing one element at a time costs amortised constant time: when
// the capacity outgrows the block, the new block has room for half as many
// slots again as the old one (at least the new capacity), and growing the
// capacity inside the block only constructs the slots it takes in. The
// slots between the capacity and the end of the block are raw memory, not
// elements. A block never holds more than 1.5 times the capacity, so the
// memory an array costs stays within a constant factor of the capacity it
// reports. A first block, and a copy's, is exactly the capacity.
//
// When a new block cannot be had (or the capacity does not fit in 32 bits)
// the operation fails and returns false, and the array keeps its elements.
// Indices are not checked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <new>
#include <type_traits>

template <typename T>
struct GrowArray {
  T* data = nullptr;
  int32_t count = 0;
  int32_t capacity = 0;
  int32_t step = 128;
  int32_t first = 512;

  GrowArray() = default;
  GrowArray(const GrowArray& other) { Assign(other); }
  GrowArray& operator=(const GrowArray& other) {
    Assign(other);
    return *this;
  }
  ~GrowArray() { Release(); }

  T& operator[](int32_t i) { return data[i]; }
  const T& operator[](int32_t i) const { return data[i]; }
  T* begin() { return data; }
  T* end() { return data + count; }
  const T* begin() const { return data; }
  const T* end() const { return data + count; }

  // Slots in the heap block, at least the capacity.
  int32_t BlockSlots() const { return blockSlots_; }

  // Makes the capacity large enough for index n (see above).
  bool Reserve(int32_t n) {
    if (capacity > n) return true;
    int64_t wanted = first;
    if (first < n) {
      if (step < 1) return false;
      wanted = static_cast<int64_t>(step) * (n / step + int64_t{1});
    }
    if (wanted < 0 || wanted > INT32_MAX) return false;
    const int32_t newCapacity = static_cast<int32_t>(wanted);
    // A capacity that does not grow (n at the capacity and at first) still
    // rebuilds the block, as it always has.
    if (newCapacity > capacity && newCapacity <= blockSlots_) {
      Widen(newCapacity);
      return true;
    }
    if (newCapacity <= blockSlots_) return Rebuild(newCapacity, blockSlots_);
    const int64_t grown = static_cast<int64_t>(blockSlots_) + blockSlots_ / 2;
    if (blockSlots_ > 0 && grown > newCapacity) {
      const int32_t slots = grown > INT32_MAX ? INT32_MAX : static_cast<int32_t>(grown);
      if (Rebuild(newCapacity, slots)) return true;
    }
    return Rebuild(newCapacity, newCapacity);
  }

  bool Push(const T& x) {
    if (count >= capacity) {
      // Growing may destroy the old block: an element of it is copied first.
      const std::less<const T*> before;
      if (data != nullptr && !before(&x, data) && before(&x, data + capacity)) return Push(T(x));
      if (count == INT32_MAX || !Reserve(count + 1)) return false;
    }
    data[count] = x;
    ++count;
    return true;
  }

  // Drops element 0, moving the rest down; the block is kept.
  void RemoveFirst() {
    if (count == 0) return;
    for (int32_t i = 1; i < count; ++i) data[i - 1] = data[i];
    --count;
  }

  void Clear() { count = 0; }

  // Destroys every element and releases the block; step and first stay.
  void Release() {
    FreeBlock(data, capacity);
    data = nullptr;
    capacity = 0;
    blockSlots_ = 0;
    count = 0;
  }

  // Copies another array: the copy's capacity is a fresh array's reserve
  // for the source's capacity, and it takes the source's count, step and
  // first. When that block cannot be had the array is left empty and the
  // result is false.
  bool Assign(const GrowArray& source) {
    GrowArray fresh;
    if (source.capacity >= 0 && !fresh.Reserve(source.capacity)) {
      Release();
      step = source.step;
      first = source.first;
      return false;
    }
    for (int32_t i = 0; i < source.count; ++i) fresh.data[i] = source.data[i];
    FreeBlock(data, capacity);  // source may be this array: its fields are read below
    data = fresh.data;
    capacity = fresh.capacity;
    blockSlots_ = fresh.blockSlots_;
    count = source.count;
    step = source.step;
    first = source.first;
    fresh.data = nullptr;
    fresh.capacity = 0;
    fresh.blockSlots_ = 0;
    fresh.count = 0;
    return true;
  }

 private:
  static constexpr bool kOverAligned = alignof(T) > __STDCPP_DEFAULT_NEW_ALIGNMENT__;

  int32_t blockSlots_ = 0;

  // Raw memory for `slots` elements, or null.
  static T* AllocateBlock(int32_t slots) {
    if (slots <= 0 || static_cast<size_t>(slots) > SIZE_MAX / sizeof(T)) return nullptr;
    const size_t bytes = static_cast<size_t>(slots) * sizeof(T);
    if constexpr (kOverAligned) {
      return static_cast<T*>(::operator new(bytes, std::align_val_t{alignof(T)}, std::nothrow));
    } else {
      return static_cast<T*>(::operator new(bytes, std::nothrow));
    }
  }

  // Destroys the first `constructed` slots, the last first, and frees the
  // block.
  static void FreeBlock(T* block, int32_t constructed) {
    if (block == nullptr) return;
    if constexpr (!std::is_trivially_destructible_v<T>) {
      for (int32_t i = constructed - 1; i >= 0; --i) block[i].~T();
    }
    if constexpr (kOverAligned) {
      ::operator delete(block, std::align_val_t{alignof(T)});
    } else {
      ::operator delete(block);
    }
  }

  // The slots from `from` to `to` become fresh elements.
  static void ConstructSlots(T* block, int32_t from, int32_t to) {
    for (int32_t i = from; i < to; ++i) new (block + i) T;
  }

  // The live elements a new block takes over.
  int32_t Kept() const { return count < 0 ? 0 : count < capacity ? count : capacity; }

  // Grows the capacity inside the block: the slots past the count are made
  // fresh, as a rebuild would leave them.
  void Widen(int32_t newCapacity) {
    if constexpr (!std::is_trivially_default_constructible_v<T> || !std::is_trivially_destructible_v<T>) {
      for (int32_t i = Kept(); i < capacity; ++i) {
        data[i].~T();
        new (data + i) T;
      }
    }
    ConstructSlots(data, capacity, newCapacity);
    capacity = newCapacity;
  }

  // Moves the elements to a new block of `slots` slots whose first
  // `newCapacity` are elements.
  bool Rebuild(int32_t newCapacity, int32_t slots) {
    T* block = newCapacity > 0 ? AllocateBlock(slots) : nullptr;
    if (newCapacity > 0 && block == nullptr) return false;
    const int32_t kept = Kept();
    if constexpr (std::is_trivially_copyable_v<T>) {
      if (kept > 0) std::memcpy(static_cast<void*>(block), data, static_cast<size_t>(kept) * sizeof(T));
    } else {
      for (int32_t i = 0; i < kept; ++i) {
        new (block + i) T;
        block[i] = data[i];
      }
    }
    ConstructSlots(block, kept, newCapacity);
    FreeBlock(data, capacity);
    data = block;
    capacity = newCapacity;
    blockSlots_ = newCapacity > 0 ? slots : 0;
    return true;
  }
};
