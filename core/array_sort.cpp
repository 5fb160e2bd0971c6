#include "core/array_sort.h"

#include <cstring>
#include <utility>

#include "core/float_to_int.h"
#include "core/text_compare.h"

namespace {

// Whether the text's bytes up to its first zero byte are exactly its
// `length` bytes: no zero byte among them and one right behind them.
bool EndsAtItsLength(const RtString& s) {
  return s.text[s.length] == '\0' && std::memchr(s.text, 0, s.length) == nullptr;
}

// strcmp's order for texts that end at their length, taken from the lengths
// they carry: the bytes they share decide, else the shorter text (which
// begins the longer one) comes first.
struct ByteOrder {
  int32_t operator()(const RtString* a, const RtString* b) const {
    const uint32_t shared = a->length < b->length ? a->length : b->length;
    const int bytes = std::memcmp(a->text, b->text, shared);
    if (bytes != 0) return bytes;
    return a->length < b->length ? -1 : a->length > b->length ? 1 : 0;
  }
};

}  // namespace

int32_t SortCompareCall(const RtString* a, const RtString* b, ArrayCompareFn compare) {
  return TruncToInt32(compare(a, b));
}

void ArraySwapString(RtString* a, RtString* b) {
  std::swap(a->text, b->text);
  std::swap(a->capacity, b->capacity);
  std::swap(a->length, b->length);
}

void ArraySort(RtString* first, RtString* last, ArrayCompareFn compare) {
  if (first == nullptr || last == nullptr || last < first) return;
  if (compare == nullptr) {
    // The texts' own lengths give strcmp's order when every text ends at
    // its length (a zero byte inside one, or a length word behind its
    // text, leaves strcmp itself to decide).
    bool lengthsHold = true;
    for (const RtString* s = first; s <= last && lengthsHold; ++s) lengthsHold = EndsAtItsLength(*s);
    if (lengthsHold) {
      ArraySortWith(first, last, ByteOrder());
    } else {
      ArraySortWith(first, last, [](const RtString* a, const RtString* b) { return TextCompare(*a, b->text); });
    }
  } else {
    ArraySortWith(first, last,
                  [compare](const RtString* a, const RtString* b) { return SortCompareCall(a, b, compare); });
  }
}

namespace {

// The order of numbers, as a type of its own so that the sort inlines it.
struct NumberOrder {
  template <typename T>
  int32_t operator()(const T* a, const T* b) const {
    return *a < *b ? -1 : *a > *b ? 1 : 0;
  }
};

}  // namespace

void ArraySortInt(int32_t* first, int32_t* last) { ArraySortWith(first, last, NumberOrder()); }

void ArraySortDouble(double* first, double* last) { ArraySortWith(first, last, NumberOrder()); }
