#include "pathfind/path_find.h"

#include "core/min_max.h"
#include "pathfind/planner.h"

int32_t PathFind(const RtArray<double>& grid, RtArray<int32_t>& way, double weight, int32_t startX, int32_t startY,
                 int32_t goalX, int32_t goalY) {
  AStarPlanner planner;
  PlannerParams params{};
  params.startX = startX;
  params.startY = startY;
  params.goalX = goalX;
  params.goalY = goalY;
  params.diagonalCost = 1;
  params.diagonalMoves = 0;
  params.poolSize = 0;
  params.openCapacity = 0;
  params.hashBits = 8;
  params.weight = static_cast<float>(MaxF(0.0, MinF(weight, 1.0)));
  params.width = grid.d1;
  params.height = grid.d2;
  params.costs = grid.data;
  if (!planner.Setup(params)) return 0;
  planner.Reset();
  planner.Search();

  const int32_t n = static_cast<int32_t>(planner.PathLength());
  if (!ArrayDimWith(way, n, n > 0 ? 2 : 0, 0, 0, ArrayGrowth::kRuleOf8) || n == 0) return 0;
  int64_t cell = planner.result;
  for (int32_t i = n - 1; i >= 0; --i, cell = planner.ParentOf(cell)) {
    *ArrayAt2(way, i, 0) = static_cast<int32_t>(cell % params.width);
    *ArrayAt2(way, i, 1) = static_cast<int32_t>(cell / params.width);
  }
  return way.d1;
}

int32_t PathFindDoubleWay(const RtArray<double>& grid, RtArray<double>& way, double weight, int32_t startX,
                          int32_t startY, int32_t goalX, int32_t goalY) {
  RtArray<int32_t> found;
  const int32_t n = PathFind(grid, found, weight, startX, startY, goalX, goalY);
  if (!ArrayDimWith(way, n, 2, 0, 0, ArrayGrowth::kRuleOf8)) return 0;
  for (int32_t i = 0; i < n; ++i) {
    *ArrayAt(way, i, 0, 0, 0) = *ArrayAt2(found, i, 0);
    *ArrayAt(way, i, 1, 0, 0) = *ArrayAt2(found, i, 1);
  }
  return n;
}

int32_t PathFindIntGrid(const RtArray<int32_t>& grid, RtArray<int32_t>& way, double weight, int32_t startX,
                        int32_t startY, int32_t goalX, int32_t goalY) {
  RtArray<double> costs;
  if (!ArrayDimWith(costs, grid.d1, grid.d2, 0, 0, ArrayGrowth::kExact)) return 0;
  const int64_t cells = grid.data != nullptr ? int64_t{grid.d1} * grid.d2 : 0;
  for (int64_t k = 0; k < cells; ++k) costs.data[k] = grid.data[k];
  return PathFind(costs, way, weight, startX, startY, goalX, goalY);
}
