#include "app/rects_overlap.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

struct Box {
  int32_t x, y, w, h;
};

TEST(RectsOverlapTest, Table) {
  struct Case {
    Box a;
    Box b;
    int32_t overlap;
  };
  const Case cases[] = {
      {{0, 0, 10, 10}, {10, 0, 10, 10}, 0},   // touching edges
      {{0, 0, 10, 10}, {9, 9, 10, 10}, 1},    // one shared pixel
      {{0, 0, 10, 10}, {0, 10, 10, 10}, 0},   // x overlaps, y only touches
      {{0, 0, 10, 10}, {2, 2, 3, 3}, 1},      // inside
      {{5, 0, 0, 10}, {5, 0, 1, 10}, 1},      // width 0 covers its one pixel
      {{5, 0, 0, 10}, {6, 0, 1, 10}, 0},
      {{5, 5, 0, 0}, {5, 5, 0, 0}, 1},
      {{10, 10, -3, -3}, {8, 8, 1, 1}, 1},    // negative sizes reach back
      {{10, 10, -3, -3}, {7, 7, 1, 1}, 0},
      {{10, 10, -3, -3}, {10, 10, 1, 1}, 1},
      {{10, 10, -3, -3}, {11, 10, 1, 1}, 0},
      {{INT_MAX - 5, 0, 10, 1}, {INT_MIN, 0, 10, 1}, 0},  // no wrap to the far end
      {{INT_MAX - 5, 0, 10, 1}, {INT_MAX, 0, INT_MAX, 1}, 1},
      {{INT_MIN, 0, INT_MIN, 1}, {INT_MIN, 0, 1, 1}, 1},
      {{INT_MIN + 2, 0, -5, 1}, {INT_MAX - 1, 0, 5, 1}, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RectsOverlap(c.a.x, c.a.y, c.a.w, c.a.h, c.b.x, c.b.y, c.b.w, c.b.h), c.overlap)
        << c.a.x << "," << c.a.y << "," << c.a.w << "," << c.a.h << " / " << c.b.x << "," << c.b.y << "," << c.b.w
        << "," << c.b.h;
    // The order of the boxes does not matter.
    EXPECT_EQ(RectsOverlap(c.b.x, c.b.y, c.b.w, c.b.h, c.a.x, c.a.y, c.a.w, c.a.h), c.overlap);
  }
}

}  // namespace
