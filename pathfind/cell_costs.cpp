#include "pathfind/cell_costs.h"

#include <limits>

float CellCost(double cost) {
  constexpr float kLargest = std::numeric_limits<float>::max();
  // Converting a double beyond the float range gives infinity, which would
  // make every normalised cost infinite or NaN.
  const float v = cost >= kLargest ? kLargest : static_cast<float>(cost);
  return v > 0.0f ? v : kBlockedCell;
}

bool NormaliseCosts(const double* costs, int64_t cells, float* out) {
  float top = 0.0f;
  for (int64_t k = 0; k < cells; ++k) {
    out[k] = CellCost(costs[k]);
    if (out[k] > top) top = out[k];
  }
  if (top == 0.0f) return false;
  for (int64_t k = 0; k < cells; ++k) {
    if (out[k] > 0.0f) out[k] = out[k] / top + 1.0f;
  }
  return true;
}
