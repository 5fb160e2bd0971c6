// Operations on RtArray beyond dimensioning: copy, fill from a list,
// redimension keeping contents, append, delete and range moves.
//
// Each is one template for every element type; the named instances below
// are the commands. Elements are copied by assignment: numbers as values,
// texts by text assignment, records field by field. Element accesses go
// through the checked access (bounds report, error 9), except block copies
// over ranges checked beforehand. Fatal errors follow rt_array.h: when
// CoreFatal returns (the program is already ending) the operation stops.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <type_traits>
#include <utility>

#include <malloc.h>

#include "core/rt_array.h"
#include "core/rt_string.h"

// True when any of the n elements from p lies in the array's block (values
// about to be stored that the operation could free or overwrite first).
// std::less gives a total order even for pointers into different objects.
template <typename T>
bool ArrayBlockOverlaps(const RtArray<T>& a, const T* p, int32_t n) {
  const std::less<const T*> before;
  return a.data != nullptr && n >= 1 && before(p, a.data + a.capacity) && before(a.data, p + n);
}

// True when p points into the array's block.
template <typename T>
bool ArrayBlockHolds(const RtArray<T>& a, const T* p) {
  return ArrayBlockOverlaps(a, p, 1);
}

// Makes dest an array of src's sizes (DIM of the rule of 8, clearing dest)
// holding src's elements in storage order. Copying an array onto itself
// leaves it unchanged.
template <typename T>
RtArray<T>& ArrayCopyValues(RtArray<T>& dest, const RtArray<T>& src) {
  if (&dest == &src) return dest;
  if (!ArrayDimWith(dest, src.d1, src.d2, src.d3, src.d4, ArrayGrowth::kRuleOf8)) return dest;
  if (src.data != nullptr) std::copy_n(src.data, std::min(dest.count, src.capacity), dest.data);
  return dest;
}

// Dimensions the array to n (rule of 8) and stores the n values in order;
// n < 1 leaves it empty and reads no value. A list that overlaps the array's
// own block anywhere is copied out before the dimensioning clears or frees it.
template <typename T>
void ArrayFillValues(RtArray<T>& a, int32_t n, const T* values) {
  if (ArrayBlockOverlaps(a, values, n)) {
    RtArray<T> list;
    if (!ArrayDimWith(list, n, 0, 0, 0, ArrayGrowth::kExact)) return;
    std::copy_n(values, n, list.data);
    ArrayFillValues(a, n, list.data);
    return;
  }
  if (!ArrayDimWith(a, n, 0, 0, 0, ArrayGrowth::kRuleOf8) || n < 1) return;
  for (int32_t i = 0; i < n; ++i) *ArrayAt(a, i, 0, 0, 0) = values[i];
}

// Moves one element into a fresh block whose old block is released next:
// texts are handed over whole, everything else is assigned.
template <typename T>
void ArrayHandOver(T& to, T& from) {
  if constexpr (std::is_same_v<T, RtString>) {
    std::swap(to.text, from.text);
    std::swap(to.capacity, from.capacity);
    std::swap(to.length, from.length);
  } else {
    to = from;
  }
}

// Moves a block to `bytes`, asking first for `preferred` when that is more
// (room for later growth) and falling back to exactly `bytes`. Null when
// not even that can be had; the old block is then untouched.
template <typename T>
T* ArrayBlockResize(T* data, size_t bytes, size_t preferred) {
  void* block = std::realloc(static_cast<void*>(data), std::max(bytes, preferred));
  if (block == nullptr && preferred > bytes) block = std::realloc(static_cast<void*>(data), bytes);
  return static_cast<T*>(block);
}

// New sizes keeping the first `kept` elements in place, for elements that
// move with realloc: the block is grown (or shrunk) to the growth rule's
// capacity for the new count and everything from `kept` on is fresh, which
// is what a fresh block with the kept elements moved in holds. The block
// under a growing array may be larger than its capacity: growth that the
// block already covers moves nothing, and a block that must grow at least
// doubles, so an array built by many appends moves only now and then while
// its capacity still follows the rule.
template <typename T>
bool ArrayKeepFirst(RtArray<T>& a, int32_t d1, int32_t d2, int32_t d3, int32_t d4, ArrayGrowth growth,
                    int32_t kept) {
  const int64_t count = ArrayElementCount(d1, d2, d3, d4);
  const int64_t capacity = count < 0 ? -1 : ArrayCapacityFor(count, growth);
  if (capacity < 0 || capacity > INT32_MAX) {
    CoreFatal(kErrorOutOfMemory);
    return false;
  }
  ArrayBlockDestroy(a.data, kept, a.capacity);
  const size_t bytes = static_cast<size_t>(capacity > 0 ? capacity : 1) * sizeof(T);
  T* block = a.data;
  if (capacity <= a.capacity || malloc_usable_size(static_cast<void*>(a.data)) < bytes) {
    const size_t doubled = capacity > a.capacity ? static_cast<size_t>(a.capacity) * 2 * sizeof(T) : 0;
    block = ArrayBlockResize(a.data, bytes, doubled);
    if (block == nullptr) {
      ArrayBlockConstruct(a.data, kept, a.capacity);  // the old block stays whole
      CoreFatal(kErrorOutOfMemory);
      return false;
    }
  }
  ArrayBlockConstruct(block, kept, capacity);
  a.data = block;
  a.capacity = static_cast<int32_t>(capacity);
  ArraySetShape(a, d1, d2, d3, d4, static_cast<int32_t>(count));
  return true;
}

// New sizes keeping every element inside both the old and the new sizes
// (of the first `keptDims` dimensions, 2 or 4; deeper indices of the old
// array are not carried over). A new first size below 1 empties the array
// and keeps its block. Otherwise the elements move to a fresh block of the
// growth rule and the old block is released. False when the array was left
// as it was after a fatal error.
template <typename T>
bool ArrayKeepOverlap(RtArray<T>& a, int32_t d1, int32_t d2, int32_t d3, int32_t d4, ArrayGrowth growth,
                      int keptDims) {
  if (d1 < 1) {
    ArraySetShape(a, 0, 0, 0, 0, 0);
    return true;
  }
  const int32_t o1 = std::min(a.d1, d1);
  const int32_t o2 = std::min(a.d2, d2);
  if constexpr (kArrayReallocElement<T>) {
    if (o2 == 0 && a.data != nullptr) return ArrayKeepFirst(a, d1, d2, d3, d4, growth, o1);
  }
  RtArray<T> fresh;
  if (!ArrayDimWith(fresh, d1, d2, d3, d4, growth)) return false;
  const int32_t o3 = keptDims > 2 ? std::min(a.d3, d3) : 0;
  const int32_t o4 = keptDims > 2 ? std::min(a.d4, d4) : 0;
  if (o2 == 0 && o1 > 0) {
    // One dimension: both blocks hold the first o1 elements in a row.
    for (int32_t i = 0; i < o1; ++i) ArrayHandOver(fresh.data[i], a.data[i]);
  } else {
    // An overlap of 0 in a dimension means index 0 only, and the deeper
    // dimensions are not looked at.
    const int32_t n2 = o2 == 0 ? 1 : o2;
    const int32_t n3 = (o2 == 0 || o3 == 0) ? 1 : o3;
    const int32_t n4 = (o2 == 0 || o3 == 0 || o4 == 0) ? 1 : o4;
    for (int32_t i = 0; i < o1; ++i) {
      for (int32_t j = 0; j < n2; ++j) {
        for (int32_t k = 0; k < n3; ++k) {
          for (int32_t l = 0; l < n4; ++l) {
            T* from = ArrayAt(a, i, j, k, l);
            ArrayHandOver(*ArrayAt(fresh, i, j, k, l), *from);
          }
        }
      }
    }
  }
  std::swap(a.data, fresh.data);
  std::swap(a.capacity, fresh.capacity);
  ArraySetShape(a, fresh.d1, fresh.d2, fresh.d3, fresh.d4, fresh.count);
  return true;
}

// Appends one element to a one-dimensional array (or an empty one). An
// array with a second, third or fourth dimension is fatal error 8. While
// d1 + 1 is below the capacity the array grows in place; otherwise it is
// resized keeping its elements (rule of 64). The array is one-dimensional
// afterwards in either case.
//
// ArrayPush below is the command; this is its part for a full block, for
// elements that are not plain.
template <typename T>
[[gnu::noinline]] void ArrayPushGrowing(RtArray<T>& a, const T& value) {
  if (a.d2 != 0 || a.d3 != 0 || a.d4 != 0) {
    CoreFatal(kErrorAppendNotOneDim);
    return;
  }
  if (ArrayBlockHolds(a, &value)) {
    // The element may move or be freed by the resize: store a copy.
    const T copy(value);
    ArrayPushGrowing(a, copy);
    return;
  }
  if (static_cast<int64_t>(a.d1) + 1 < a.capacity) {
    ++a.d1;
    a.count = a.d1;
    a.ndims = 1;
  } else {
    if (a.d1 == INT32_MAX) {
      CoreFatal(kErrorOutOfMemory);
      return;
    }
    if (!ArrayKeepOverlap(a, a.d1 + 1, 0, 0, 0, ArrayGrowth::kRuleOf64, 2)) return;
  }
  *ArrayAt(a, a.d1 - 1, 0, 0, 0) = value;
}

// The block a full one-dimensional array of plain elements gets for
// element d1: the rule of 64's capacity for d1 + 1 elements, the first d1
// kept and the rest fresh, as ArrayKeepFirst (or, without a block, a fresh
// dimensioning) gives it. error is 0, or the fatal error to report with the
// array left as it was.
template <typename T>
struct ArrayRoom {
  T* data;
  int32_t capacity;
  int32_t error;
};

// Takes and answers the words it needs by value, so that the caller's
// array never has its address taken: an array that is a local variable
// can then stay in registers through a loop of appends.
template <typename T>
[[gnu::noinline]] ArrayRoom<T> ArrayPushRoom(T* data, int32_t capacity, int32_t d1) {
  const int64_t count = int64_t{d1} + 1;
  const int64_t rule = ArrayCapacityFor(count, ArrayGrowth::kRuleOf64);
  if (count > INT32_MAX || rule > INT32_MAX) return {data, capacity, kErrorOutOfMemory};
  const size_t bytes = static_cast<size_t>(rule) * sizeof(T);
  if (data == nullptr) {
    // Only an empty array has no block.
    if (d1 != 0) return {data, capacity, kErrorOutOfBounds};
    T* block = ArrayBlockNew<T>(rule);
    if (block == nullptr) return {data, capacity, kErrorOutOfMemory};
    return {block, static_cast<int32_t>(rule), 0};
  }
  T* block = data;
  if (malloc_usable_size(static_cast<void*>(data)) < bytes) {
    // As ArrayKeepFirst: the block at least doubles.
    block = ArrayBlockResize(data, bytes, static_cast<size_t>(capacity) * 2 * sizeof(T));
    if (block == nullptr) return {data, capacity, kErrorOutOfMemory};
  }
  ArrayBlockConstruct(block, d1, rule);
  return {block, static_cast<int32_t>(rule), 0};
}

// The append: inline while the block has room. Nothing moves then, so a
// value from the array's own block can be stored as it is.
template <typename T>
inline void ArrayPush(RtArray<T>& a, const T& value) {
  const int32_t d1 = a.d1;
  if ((a.d2 | a.d3 | a.d4) == 0 && static_cast<int64_t>(d1) + 1 < a.capacity) [[likely]] {
    if constexpr (kArrayPlainElement<T>) {
      const T v = value;  // read before the words of the array change
      a.data[d1] = v;
    } else {
      a.data[d1] = value;
    }
    a.d1 = d1 + 1;
    a.count = d1 + 1;
    if (a.ndims != 1) a.ndims = 1;
    return;
  }
  if constexpr (kArrayPlainElement<T>) {
    if ((a.d2 | a.d3 | a.d4) != 0) {
      CoreFatal(kErrorAppendNotOneDim);
      return;
    }
    const T v = value;  // the block may move
    const ArrayRoom<T> room = ArrayPushRoom(a.data, a.capacity, d1);
    if (room.error != 0) {
      CoreFatal(room.error);
      return;
    }
    a.data = room.data;
    a.capacity = room.capacity;
    ArraySetShape(a, d1 + 1, 0, 0, 0, d1 + 1);
    a.data[d1] = v;
  } else {
    ArrayPushGrowing(a, value);
  }
}

// Copies every element of first index `from` onto first index `to`, for
// every later index inside the sizes (index 0 where a size is 0), with
// `copy`, through the checked access.
template <typename T>
void ArrayMoveRange(RtArray<T>& a, int32_t to, int32_t from, void (*copy)(T* to, const T* from)) {
  const int32_t n2 = std::max(a.d2, 1);
  const int32_t n3 = std::max(a.d3, 1);
  const int32_t n4 = std::max(a.d4, 1);
  for (int32_t l = 0; l < n4; ++l) {
    for (int32_t k = 0; k < n3; ++k) {
      for (int32_t j = 0; j < n2; ++j) {
        const T* source = ArrayAt(a, from, j, k, l);
        copy(ArrayAt(a, to, j, k, l), source);
      }
    }
  }
}

// Copies one record, all its fields in order.
template <typename R>
void RecordCopy(R* to, const R* from) {
  *to = *from;
}

// Removes the element at `index` (negative counts from the end); later
// elements move down by one and the vacated last slot keeps its old
// contents. An index outside 0 to d1 - 1 is fatal error 9 with the bounds
// report. On an array with more dimensions every element of the later first
// indices moves down the same way (the strides stay), and count follows the
// new d1.
template <typename T>
void ArrayDeleteAt(RtArray<T>& a, int32_t index) {
  if (index < 0) index += a.d1;
  if (a.data == nullptr || index < 0 || index >= a.d1) {
    ArrayBoundsError(a, index, 0, 0, 0);
    CoreFatal(kErrorOutOfBounds);
    return;
  }
  if (a.d2 == 0 && a.d3 == 0 && a.d4 == 0) {
    std::copy(a.data + index + 1, a.data + a.d1, a.data + index);
  } else {
    for (int32_t n = index; n + 1 < a.d1; ++n) ArrayMoveRange(a, n, n + 1, RecordCopy<T>);
  }
  --a.d1;
  a.count = static_cast<int32_t>(ArrayElementCount(a.d1, a.d2, a.d3, a.d4));
}

// The instances.

inline RtArray<int32_t>& ArrayCopyInt(RtArray<int32_t>& dest, const RtArray<int32_t>& src) {
  return ArrayCopyValues(dest, src);
}
inline RtArray<double>& ArrayCopyDouble(RtArray<double>& dest, const RtArray<double>& src) {
  return ArrayCopyValues(dest, src);
}
inline void ArrayFillInt(RtArray<int32_t>& a, int32_t n, const int32_t* values) { ArrayFillValues(a, n, values); }
inline void ArrayFillDouble(RtArray<double>& a, int32_t n, const double* values) { ArrayFillValues(a, n, values); }

// Four dimensions kept, rule of 8 (integer and double arrays).
inline void ArrayRedimKeepInt(RtArray<int32_t>& a, int32_t d1, int32_t d2, int32_t d3, int32_t d4) {
  ArrayKeepOverlap(a, d1, d2, d3, d4, ArrayGrowth::kRuleOf8, 4);
}
inline void ArrayRedimKeepDouble(RtArray<double>& a, int32_t d1, int32_t d2, int32_t d3, int32_t d4) {
  ArrayKeepOverlap(a, d1, d2, d3, d4, ArrayGrowth::kRuleOf8, 4);
}

// Two dimensions kept, rule of 64 (text and record arrays).
template <typename T>
void ArrayResizeKeep(RtArray<T>& a, int32_t d1, int32_t d2, int32_t d3, int32_t d4) {
  ArrayKeepOverlap(a, d1, d2, d3, d4, ArrayGrowth::kRuleOf64, 2);
}

inline void ArrayPushString(RtArray<RtString>& a, const RtString& text) { ArrayPush(a, text); }
