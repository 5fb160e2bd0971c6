// The runtime's growable array: a small header over a heap block of
// elements, for the lists that engine objects keep.
//
// Growth is in steps, never by doubling: making room for index n does
// nothing while the capacity exceeds n; otherwise the block is rebuilt with
// `first` elements when first >= n, else step * (n / step + 1). Every
// element of a block is constructed when the block is made and destroyed
// when it is released, also the slots past `count`.
//
// When a new block cannot be had (or its size does not fit in 32 bits) the
// operation fails and returns false, and the array keeps its elements.
// Indices are not checked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <new>

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

  // Makes the block large enough for index n (see above).
  bool Reserve(int32_t n) {
    if (capacity > n) return true;
    int64_t wanted = first;
    if (first < n) {
      if (step < 1) return false;
      wanted = static_cast<int64_t>(step) * (n / step + int64_t{1});
    }
    if (wanted < 0 || wanted > INT32_MAX) return false;
    return Rebuild(static_cast<int32_t>(wanted));
  }

  bool Push(const T& x) {
    if (count >= capacity) {
      // Growing destroys the old block: an element of it is copied first.
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
    delete[] data;
    data = nullptr;
    capacity = 0;
    count = 0;
  }

  // Copies another array: the copy's block is sized as a fresh array's
  // reserve for the source's capacity, and it takes the source's count, step
  // and first. When that block cannot be had the array is left empty and the
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
    delete[] data;
    data = fresh.data;
    capacity = fresh.capacity;
    count = source.count;
    step = source.step;
    first = source.first;
    fresh.data = nullptr;
    fresh.capacity = 0;
    fresh.count = 0;
    return true;
  }

 private:
  bool Rebuild(int32_t new_capacity) {
    T* block = new_capacity > 0 ? new (std::nothrow) T[static_cast<size_t>(new_capacity)] : nullptr;
    if (new_capacity > 0 && block == nullptr) return false;
    for (int32_t i = 0; i < count; ++i) block[i] = data[i];
    delete[] data;
    data = block;
    capacity = new_capacity;
    return true;
  }
};
