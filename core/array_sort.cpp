#include "core/array_sort.h"

#include <utility>

#include "core/float_to_int.h"
#include "core/text_compare.h"

int32_t SortCompareCall(const RtString* a, const RtString* b, ArrayCompareFn compare) {
  return TruncToInt32(compare(a, b));
}

void ArraySwapString(RtString* a, RtString* b) {
  std::swap(a->text, b->text);
  std::swap(a->capacity, b->capacity);
  std::swap(a->length, b->length);
}

void ArraySort(RtString* first, RtString* last, ArrayCompareFn compare) {
  if (compare == nullptr) {
    ArraySortWith(first, last, [](const RtString* a, const RtString* b) { return TextCompare(*a, b->text); });
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
