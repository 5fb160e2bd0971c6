// The runtime's array value: elements of one type in up to four dimensions.
//
// RtArray<T> is one design for every element type: 32-bit integers,
// doubles, RtString texts, bytes and the game's records (structs of doubles,
// copied by assignment). Its eleven words keep this order:
//
//   data              the element block (null = no storage); owned
//   stride2..stride4  steps of the 2nd, 3rd and 4th index: d1, d1*d2,
//                     d1*d2*d3, products of the sizes as given
//   d1..d4            sizes (0 = no such dimension)
//   count             d1 * max(1, d2) * max(1, d3) * max(1, d4)
//   ndims             4 if d4 != 0, else 3 if d3 != 0, else 2 if d2 != 0,
//                     else 1 if d1 != 0, else 0
//   capacity          elements in the block
//
// A default (all zero) array is a valid empty array. The first index moves
// fastest; element (i, j, k, l) lies at i + j*stride2 + k*stride3 + l*stride4.
// Every element of the block is constructed (texts start as the shared empty
// text, numbers and records as zeros) and destroyed with the block, last to
// first. The array is not copyable: copy contents with the array commands.
//
// Fatal failures (error 7 when storage cannot be had, error 9 with a bounds
// report on a bad index) end the program through CoreFatal, which returns
// only when the program is already ending; then the operation stops
// without touching the array, and a checked access answers the address of a
// per-type dummy element reset to zero, so the caller's read or write lands
// there and never outside the block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>

#include "core/fatal_error.h"
#include "core/rt_string.h"

// Element blocks. Plain elements (numbers, bytes, records of doubles: all
// zero bits are the zero value) live in malloc blocks, made with calloc and
// grown with realloc, which moves large blocks without copying. Texts hold
// no pointer into themselves, so their blocks move with realloc too; they
// are constructed and destroyed one by one. Any other element type lives in
// new[] blocks.
template <typename T>
inline constexpr bool kArrayPlainElement =
    std::is_trivially_copyable_v<T> && std::is_trivially_default_constructible_v<T>;

template <typename T>
inline constexpr bool kArrayReallocElement = kArrayPlainElement<T> || std::is_same_v<T, RtString>;

// Constructs fresh elements in [from, to) of a realloc block.
template <typename T>
void ArrayBlockConstruct(T* block, int64_t from, int64_t to) {
  if constexpr (kArrayPlainElement<T>) {
    if (to > from) std::memset(static_cast<void*>(block + from), 0, static_cast<size_t>(to - from) * sizeof(T));
  } else {
    for (int64_t n = from; n < to; ++n) new (block + n) T();
  }
}

// Destroys the elements in [from, to) of a realloc block.
template <typename T>
void ArrayBlockDestroy(T* block, int64_t from, int64_t to) {
  if constexpr (!kArrayPlainElement<T>) {
    for (int64_t n = from; n < to; ++n) block[n].~T();
  }
}

// A block of n fresh elements (n may be 0), or null when it cannot be had.
template <typename T>
T* ArrayBlockNew(int64_t n) {
  if constexpr (kArrayPlainElement<T>) {
    return static_cast<T*>(std::calloc(static_cast<size_t>(n > 0 ? n : 1), sizeof(T)));
  } else if constexpr (kArrayReallocElement<T>) {
    T* block = static_cast<T*>(std::malloc(static_cast<size_t>(n > 0 ? n : 1) * sizeof(T)));
    if (block != nullptr) ArrayBlockConstruct(block, 0, n);
    return block;
  } else {
    return new (std::nothrow) T[static_cast<size_t>(n)]();
  }
}

// Releases a block of `capacity` elements; every element is destroyed.
template <typename T>
void ArrayBlockFree(T* block, int32_t capacity) {
  if constexpr (kArrayReallocElement<T>) {
    if (block != nullptr) ArrayBlockDestroy(block, 0, capacity);
    std::free(block);
  } else {
    delete[] block;
  }
}

template <typename T>
struct RtArray {
  T* data = nullptr;
  int32_t stride2 = 0;
  int32_t stride3 = 0;
  int32_t stride4 = 0;
  int32_t d1 = 0;
  int32_t d2 = 0;
  int32_t d3 = 0;
  int32_t d4 = 0;
  int32_t count = 0;
  int32_t ndims = 0;
  int32_t capacity = 0;

  RtArray() = default;
  RtArray(const RtArray&) = delete;
  RtArray& operator=(const RtArray&) = delete;
  ~RtArray() { ArrayBlockFree(data, capacity); }
};

// How a dimensioning sizes a new block for `count` elements.
enum class ArrayGrowth {
  kRuleOf8,   // the DIM of integer and double arrays: count / 8 * 8 + 8
  kExact,     // exactly count (a block of no elements for 0)
  kRuleOf64,  // texts, bytes, records: 0 for 0, else count / 64 * 64 + 64
};

// The element count of the sizes, or -1 when it exceeds INT32_MAX.
int64_t ArrayElementCount(int32_t d1, int32_t d2, int32_t d3, int32_t d4);

// The block size the growth rule gives for `count` elements (64-bit; the
// caller rejects what does not fit in 32 bits).
inline int64_t ArrayCapacityFor(int64_t count, ArrayGrowth growth) {
  switch (growth) {
    case ArrayGrowth::kRuleOf8: return count / 8 * 8 + 8;
    case ArrayGrowth::kExact: return count;
    case ArrayGrowth::kRuleOf64: return count == 0 ? 0 : count / 64 * 64 + 64;
  }
  return count;
}

// True when (i, j, k, l) addresses an element of an array with a block and
// these sizes: 0 <= i < d1, and for each later index 0 <= index < size, or
// index 0 where the size is 0. The first index is already made
// non-negative by the caller.
inline bool ArrayIndexValid(bool hasData, int32_t d1, int32_t d2, int32_t d3, int32_t d4, int32_t i, int32_t j,
                            int32_t k, int32_t l) {
  auto inside = [](int32_t index, int32_t size) { return index >= 0 && (size == 0 ? index == 0 : index < size); };
  return hasData && i >= 0 && i < d1 && inside(j, d2) && inside(k, d3) && inside(l, d4);
}

// Writes the bounds report of a failed access: "bounds: " with the sizes and
// "access: " with the indices, each number as printf "%4.0d" in brackets,
// to the debugger and to standard error. Returns.
void ArrayBoundsReport(int32_t d1, int32_t d2, int32_t d3, int32_t d4, int32_t i, int32_t j, int32_t k,
                       int32_t l);

// The size of dimension n (0 to 3); any other n gives 0.
template <typename T>
int32_t ArrayBound(const RtArray<T>& a, int32_t n) {
  switch (n) {
    case 0: return a.d1;
    case 1: return a.d2;
    case 2: return a.d3;
    case 3: return a.d4;
    default: return 0;
  }
}

// The bounds report for an access to `a` at (i, j, k, l).
template <typename T>
void ArrayBoundsError(const RtArray<T>& a, int32_t i, int32_t j, int32_t k, int32_t l) {
  ArrayBoundsReport(a.d1, a.d2, a.d3, a.d4, i, j, k, l);
}

// Sets sizes, strides, count and ndims; the block is not touched.
template <typename T>
void ArraySetShape(RtArray<T>& a, int32_t d1, int32_t d2, int32_t d3, int32_t d4, int32_t count) {
  a.ndims = d4 != 0 ? 4 : d3 != 0 ? 3 : d2 != 0 ? 2 : d1 != 0 ? 1 : 0;
  // Products as given, wrapping like the 32-bit words they are; they are
  // exact whenever an access can be valid.
  const uint32_t s3 = static_cast<uint32_t>(d1) * static_cast<uint32_t>(d2);
  a.stride2 = d1;
  a.stride3 = static_cast<int32_t>(s3);
  a.stride4 = static_cast<int32_t>(s3 * static_cast<uint32_t>(d3));
  a.d1 = d1;
  a.d2 = d2;
  a.d3 = d3;
  a.d4 = d4;
  a.count = count;
}

// Gives the array fresh sizes with the growth rule. A first size below 1
// makes the array empty and forces a fresh block. When the block's capacity
// covers the count it stays and its first `count` elements are reset;
// otherwise a new block of the rule's size replaces it, every element fresh.
// A count or block that does not fit, or memory that cannot be had, is
// fatal error 7; the result is false when the array was left as it was.
template <typename T>
bool ArrayDimWith(RtArray<T>& a, int32_t d1, int32_t d2, int32_t d3, int32_t d4, ArrayGrowth growth) {
  bool fresh = false;
  if (d1 < 1) {
    d1 = 0;
    fresh = true;
  }
  const int64_t count = ArrayElementCount(d1, d2, d3, d4);
  if (count < 0) {
    CoreFatal(kErrorOutOfMemory);
    return false;
  }
  if (fresh || a.capacity < count) {
    const int64_t capacity = ArrayCapacityFor(count, growth);
    if (capacity > INT32_MAX) {
      CoreFatal(kErrorOutOfMemory);
      return false;
    }
    T* block = nullptr;
    if (capacity > 0 || growth != ArrayGrowth::kRuleOf64) {
      block = ArrayBlockNew<T>(capacity);
      if (block == nullptr) {
        CoreFatal(kErrorOutOfMemory);
        return false;
      }
    }
    ArrayBlockFree(a.data, a.capacity);
    a.data = block;
    a.capacity = static_cast<int32_t>(capacity);
  } else {
    // Texts keep their buffers, as assigning an empty text does.
    for (int64_t n = 0; n < count; ++n) a.data[n] = T{};
  }
  ArraySetShape(a, d1, d2, d3, d4, static_cast<int32_t>(count));
  return true;
}

// The end of a failed checked access: the report, fatal error 9, and (only
// when the program is already ending) the address of a zeroed dummy.
template <typename T>
[[gnu::noinline, gnu::cold]] T* ArrayAccessFailed(const RtArray<T>& a, int32_t i, int32_t j, int32_t k,
                                                  int32_t l) {
  ArrayBoundsError(a, i, j, k, l);
  CoreFatal(kErrorOutOfBounds);
  static T dummy{};
  dummy = T{};
  return &dummy;
}

// The checked access: a negative first index counts from the end (-1 is
// the last); any index out of range is fatal error 9 after the bounds report
// with the first index as adjusted.
template <typename T>
T* ArrayAt(RtArray<T>& a, int32_t i, int32_t j, int32_t k, int32_t l) {
  if (i < 0) i += a.d1;
  if (!ArrayIndexValid(a.data != nullptr, a.d1, a.d2, a.d3, a.d4, i, j, k, l)) [[unlikely]] {
    return ArrayAccessFailed(a, i, j, k, l);
  }
  return a.data + (i + static_cast<int64_t>(j) * a.stride2 + static_cast<int64_t>(k) * a.stride3 +
                   static_cast<int64_t>(l) * a.stride4);
}

// The instances the runtime's commands and the game use.

inline void ArrayDimInt(RtArray<int32_t>& a, int32_t d1, int32_t d2, int32_t d3, int32_t d4) {
  ArrayDimWith(a, d1, d2, d3, d4, ArrayGrowth::kRuleOf8);
}
inline void ArrayDimDouble(RtArray<double>& a, int32_t d1, int32_t d2, int32_t d3, int32_t d4) {
  ArrayDimWith(a, d1, d2, d3, d4, ArrayGrowth::kRuleOf8);
}
inline void ArrayDimIntExact(RtArray<int32_t>& a, int32_t d1, int32_t d2, int32_t d3, int32_t d4) {
  ArrayDimWith(a, d1, d2, d3, d4, ArrayGrowth::kExact);
}
inline void ArrayDimDoubleExact(RtArray<double>& a, int32_t d1, int32_t d2, int32_t d3, int32_t d4) {
  ArrayDimWith(a, d1, d2, d3, d4, ArrayGrowth::kExact);
}
inline void ArrayDimString(RtArray<RtString>& a, int32_t d1, int32_t d2, int32_t d3, int32_t d4) {
  ArrayDimWith(a, d1, d2, d3, d4, ArrayGrowth::kRuleOf64);
}
inline void ArrayDimByte(RtArray<uint8_t>& a, int32_t d1, int32_t d2, int32_t d3, int32_t d4) {
  ArrayDimWith(a, d1, d2, d3, d4, ArrayGrowth::kRuleOf64);
}
// For the game's record types.
template <typename R>
void ArrayDimRecord(RtArray<R>& a, int32_t d1, int32_t d2, int32_t d3, int32_t d4) {
  ArrayDimWith(a, d1, d2, d3, d4, ArrayGrowth::kRuleOf64);
}

inline int32_t* ArrayAt2(RtArray<int32_t>& a, int32_t i, int32_t j) { return ArrayAt(a, i, j, 0, 0); }
inline int32_t* ArrayAt4(RtArray<int32_t>& a, int32_t i, int32_t j, int32_t k, int32_t l) {
  return ArrayAt(a, i, j, k, l);
}

inline void ArrayBoundsErrorInt(const RtArray<int32_t>& a, int32_t i, int32_t j, int32_t k, int32_t l) {
  ArrayBoundsError(a, i, j, k, l);
}
inline void ArrayBoundsErrorDouble(const RtArray<double>& a, int32_t i, int32_t j, int32_t k, int32_t l) {
  ArrayBoundsError(a, i, j, k, l);
}
inline void ArrayBoundsErrorString(const RtArray<RtString>& a, int32_t i, int32_t j, int32_t k, int32_t l) {
  ArrayBoundsError(a, i, j, k, l);
}
inline void ArrayBoundsErrorByte(const RtArray<uint8_t>& a, int32_t i, int32_t j, int32_t k, int32_t l) {
  ArrayBoundsError(a, i, j, k, l);
}
template <typename R>
void ArrayBoundsErrorRecord(const RtArray<R>& a, int32_t i, int32_t j, int32_t k, int32_t l) {
  ArrayBoundsError(a, i, j, k, l);
}
