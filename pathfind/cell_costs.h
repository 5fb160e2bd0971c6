// The costs a planner searches over: the caller's grid of doubles read as
// floats in (1, 2], or -1 for a blocked cell.
#pragma once

#include <cstdint>
#include <limits>

// The normalised cost of a blocked cell.
inline constexpr float kBlockedCell = -1.0f;

// The cost a caller's cell becomes as a float: the double converted to a
// float first (a value beyond the largest float becomes the largest float,
// not infinity, so that normalised costs stay finite), then -1 when that
// float is not above 0 (0, below 0, NaN, and a positive double too small
// for a float, such as 1e-300).
inline float CellCost(double cost) {
  constexpr float kLargest = std::numeric_limits<float>::max();
  const float v = cost >= kLargest ? kLargest : static_cast<float>(cost);
  return v > 0.0f ? v : kBlockedCell;
}

// A cell's cost normalised by the largest CellCost of the grid:
// c / largest + 1 for an open cell, so that it costs more than 1 and at most
// 2; -1 for a blocked one.
inline float NormalisedCost(double cost, float largest) {
  const float c = CellCost(cost);
  return c > 0.0f ? c / largest + 1.0f : kBlockedCell;
}

// The largest CellCost of the `cells` costs; 0 when no cell is open.
float LargestCellCost(const double* costs, int64_t cells);

// Fills out[k] with the NormalisedCost of costs[k] for the `cells` cells.
// False, with out untouched, when no cell is open.
bool NormaliseCosts(const double* costs, int64_t cells, float* out);
