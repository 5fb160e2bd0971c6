// Sorting a range of array elements.
//
// The sort is a quicksort with Hoare's partition: i and j scan in from both
// ends against the pivot, which is whatever the slot `last` holds at each
// comparison (a swap into that slot changes the pivot), the elements at i
// and j are swapped while i <= j, and the parts before j and after i are
// sorted in turn. It is not stable.
//
// Guarantees beyond the plain algorithm:
// - the scans never leave the range, whatever the comparison answers;
// - the smaller part is sorted by recursion and the larger one in a loop,
//   so the depth stays below log2 of the length;
// - a part whose elements already stand in strictly increasing order is
//   left as it is, and one in strictly decreasing order is reversed,
//   without partitioning (the plain algorithm needs n*n/2 comparisons
//   there).
// For a consistent comparison the result is the arrangement the plain
// algorithm gives, equal elements included: a strictly ordered part has
// only one sorted arrangement, and all other parts are partitioned alike.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <utility>

#include "core/rt_string.h"

// A comparison of two text elements: below 0 when a sorts before b, 0 when
// they are equal, above 0 when a sorts after b; 0 for an element compared
// with itself. Results are truncated toward zero, so -1 < r < 1 means equal.
using ArrayCompareFn = double (*)(const RtString* a, const RtString* b);

// compare(a, b) truncated toward zero to int32 (NaN and values out of the
// int32 range give the most negative int32, as the x86 conversion does).
int32_t SortCompareCall(const RtString* a, const RtString* b, ArrayCompareFn compare);

// Exchanges two texts whole (text pointer, capacity, length), moving no
// characters.
void ArraySwapString(RtString* a, RtString* b);

// Sorts the texts from `first` to `last`, both inclusive, with `compare`, or
// byte by byte on the zero-terminated texts (strcmp) when it is null. A
// range with last before first is left alone.
void ArraySort(RtString* first, RtString* last, ArrayCompareFn compare);

// The sort for any element type: `order(a, b)` answers an int32 below 0,
// 0 or above 0 for two element addresses, as SortCompareCall does.
template <typename T, typename Order>
void ArraySortWith(T* first, T* last, Order order);

// The sort of numbers from `first` to `last`, both inclusive, in ascending
// order: ArraySortWith with the order "below: -1, above: 1, else 0"
// compiled into the sort rather than called through a pointer.
void ArraySortInt(int32_t* first, int32_t* last);
void ArraySortDouble(double* first, double* last);

// Implementation.

namespace array_sort_detail {

template <typename T>
void Swap(T* a, T* b) {
  if constexpr (std::is_same_v<T, RtString>) {
    ArraySwapString(a, b);
  } else {
    std::swap(*a, *b);
  }
}

// Handles base[lo..hi] at once when it is strictly increasing (left as it
// is) or strictly decreasing (reversed); true when it did. Random data
// gives up after a comparison or two.
template <typename T, typename Order>
bool SortStrictRun(T* base, ptrdiff_t lo, ptrdiff_t hi, Order& order) {
  ptrdiff_t n = lo;
  while (n < hi && order(base + n, base + n + 1) < 0) ++n;
  if (n == hi) return true;
  if (n != lo) return false;
  while (n < hi && order(base + n, base + n + 1) > 0) ++n;
  if (n != hi) return false;
  for (ptrdiff_t a = lo, b = hi; a < b; ++a, --b) Swap(base + a, base + b);
  return true;
}

// Sorts base[lo..hi]; indices, so that no pointer ever leaves the range.
template <typename T, typename Order>
void SortRange(T* base, ptrdiff_t lo, ptrdiff_t hi, Order& order) {
  while (lo < hi && !SortStrictRun(base, lo, hi, order)) {
    const T* pivot = base + hi;  // the slot, read anew at every comparison
    ptrdiff_t i = lo;
    ptrdiff_t j = hi;
    do {
      // A consistent comparison stops i at hi (the pivot against itself)
      // and j at lo or above; the bounds hold against any other.
      while (i < hi && order(base + i, pivot) < 0) ++i;
      while (j > lo && order(base + j, pivot) > 0) --j;
      if (i <= j) {
        Swap(base + i, base + j);
        ++i;
        --j;
      }
    } while (i <= j);
    // lo..j and i..hi are disjoint and each shorter than lo..hi.
    if (j - lo < hi - i) {
      if (j > lo) SortRange(base, lo, j, order);
      lo = i;
    } else {
      if (i < hi) SortRange(base, i, hi, order);
      hi = j;
    }
  }
}

}  // namespace array_sort_detail

template <typename T, typename Order>
void ArraySortWith(T* first, T* last, Order order) {
  if (first == nullptr || last == nullptr || last < first) return;
  array_sort_detail::SortRange(first, 0, last - first, order);
}
