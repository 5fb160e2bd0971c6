// The costs a planner searches over: the caller's grid of doubles turned
// into floats in (1, 2], or -1 for a blocked cell.
#pragma once

#include <cstdint>

// The normalised cost of a blocked cell.
inline constexpr float kBlockedCell = -1.0f;

// The cost a caller's cell becomes as a float: the double converted to a
// float first (a value beyond the largest float becomes the largest float),
// then -1 when that float is not above 0 (0, below 0, NaN, and a positive
// double too small for a float, such as 1e-300).
float CellCost(double cost);

// Fills out[k] from costs[k] for the `cells` cells: every open cell becomes
// c / M + 1, with c its CellCost and M the largest of them, so it costs more
// than 1 and at most 2; blocked cells become -1. False when no cell is open
// (out then holds the CellCost of every cell).
bool NormaliseCosts(const double* costs, int64_t cells, float* out);
