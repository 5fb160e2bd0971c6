// The path-finding command of BASIC programs: the cheapest way between two
// cells of a cost grid, four-way moves only, written into a way array.
//
// The grid is a two-dimensional array: the first index is x (its first
// size is the width), the second y. A cell of cost 0 or below is blocked.
// The way array becomes n rows of two columns, way(i, 0) = x and
// way(i, 1) = y, row 0 the start and row n - 1 the goal, and n is returned.
// weight (clamped into 0 to 1, NaN as 1) trades the estimate against the
// cost: 0.5 gives the cheapest way.
//
// For a start or goal outside the grid, start = goal or a grid without an
// open cell the result is 0 and the way array stays as it was; when the
// goal cannot be reached the result is 0 and the way array is empty. No
// error is set; a way array that cannot take its new size fails as array
// dimensioning fails.
#pragma once

#include <cstdint>

#include "core/rt_array.h"

int32_t PathFind(const RtArray<double>& grid, RtArray<int32_t>& way, double weight, int32_t startX, int32_t startY,
                 int32_t goalX, int32_t goalY);

// PathFind with a double way array, which always takes its new size (empty
// when there is no way, also when the request is refused).
int32_t PathFindDoubleWay(const RtArray<double>& grid, RtArray<double>& way, double weight, int32_t startX,
                          int32_t startY, int32_t goalX, int32_t goalY);

// PathFind over a grid of integer costs.
int32_t PathFindIntGrid(const RtArray<int32_t>& grid, RtArray<int32_t>& way, double weight, int32_t startX,
                        int32_t startY, int32_t goalX, int32_t goalY);
