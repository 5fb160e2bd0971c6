// The path-finding command over two grids: an open grid searched from
// corner to corner at the weights that expand the most cells (0, by cost
// alone) and the fewest (1), and a winding maze whose one way visits nearly
// every cell.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "core/rt_array.h"
#include "pathfind/path_find.h"

namespace {

constexpr int32_t kOpenSide = 256;
constexpr int32_t kMazeSide = 127;

// Costs 1 to 4 in a fixed pattern, so the ways are not all equal.
void FillOpen(RtArray<double>& grid, int32_t side) {
  ArrayDimDouble(grid, side, side, 0, 0);
  for (int32_t y = 0; y < side; ++y) {
    for (int32_t x = 0; x < side; ++x) grid.data[y * side + x] = 1 + (x * 7 + y * 3) % 4;
  }
}

// Walls across every odd row with one gap, at the right and left ends in
// turn: the way from the top-left to the bottom row runs along every row.
void FillMaze(RtArray<double>& grid, int32_t side) {
  FillOpen(grid, side);
  for (int32_t y = 1; y < side; y += 2) {
    const int32_t gap = (y / 2) % 2 == 0 ? side - 1 : 0;
    for (int32_t x = 0; x < side; ++x) {
      if (x != gap) grid.data[y * side + x] = 0;
    }
  }
}

void BM_PathFindOpenGrid(benchmark::State& state) {
  RtArray<double> grid;
  FillOpen(grid, kOpenSide);
  RtArray<int32_t> way;
  const double weight = static_cast<double>(state.range(0)) / 2;
  for (auto _ : state) {
    benchmark::DoNotOptimize(PathFind(grid, way, weight, 0, 0, kOpenSide - 1, kOpenSide - 1));
  }
}
BENCHMARK(BM_PathFindOpenGrid)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void BM_PathFindMaze(benchmark::State& state) {
  RtArray<double> grid;
  FillMaze(grid, kMazeSide);
  RtArray<int32_t> way;
  for (auto _ : state) {
    benchmark::DoNotOptimize(PathFind(grid, way, 0.5, 0, 0, kMazeSide - 1, kMazeSide - 1));
  }
  state.counters["cells"] = way.d1;
}
BENCHMARK(BM_PathFindMaze)->Unit(benchmark::kMillisecond);

}  // namespace
