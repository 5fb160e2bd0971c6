#include "pathfind/cell_costs.h"

float LargestCellCost(const double* costs, int64_t cells) {
  float top = 0.0f;
  for (int64_t k = 0; k < cells; ++k) {
    const float c = CellCost(costs[k]);
    if (c > top) top = c;
  }
  return top;
}

bool NormaliseCosts(const double* costs, int64_t cells, float* out) {
  const float top = LargestCellCost(costs, cells);
  if (top == 0.0f) return false;
  for (int64_t k = 0; k < cells; ++k) out[k] = NormalisedCost(costs[k], top);
  return true;
}
