#include "app/rects_overlap.h"

#include <algorithm>

namespace {

// The last pixel a box covers on one axis.
int64_t FarEdge(int32_t position, int32_t size) {
  const int64_t p = position;
  if (size > 0) return p + size - 1;
  if (size < 0) return p + size + 1;
  return p;
}

bool RangesOverlap(int32_t p1, int32_t s1, int32_t p2, int32_t s2) {
  const int64_t e1 = FarEdge(p1, s1);
  const int64_t e2 = FarEdge(p2, s2);
  const int64_t low = std::max(std::min<int64_t>(p1, e1), std::min<int64_t>(p2, e2));
  const int64_t high = std::min(std::max<int64_t>(p1, e1), std::max<int64_t>(p2, e2));
  return low <= high;
}

}  // namespace

int32_t RectsOverlap(int32_t x1, int32_t y1, int32_t w1, int32_t h1, int32_t x2, int32_t y2, int32_t w2, int32_t h2) {
  if (!RangesOverlap(x1, w1, x2, w2)) return 0;
  return RangesOverlap(y1, h1, y2, h2) ? 1 : 0;
}
