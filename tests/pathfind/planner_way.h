// The way a planner found, as cells, for the path-finding tests.
#pragma once

#include <cstdint>

#include "pathfind/planner.h"
#include "tests/pathfind/grid_text.h"

// The cells of the found way, start first; empty without one.
inline Cells WayOf(const Planner& planner) {
  Cells cells;
  const int32_t width = planner.params.width;
  for (int64_t cell = planner.result; cell >= 0; cell = planner.ParentOf(cell)) {
    cells.insert(cells.begin(), {static_cast<int32_t>(cell % width), static_cast<int32_t>(cell / width)});
  }
  return cells;
}
