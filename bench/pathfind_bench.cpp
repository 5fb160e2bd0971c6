// The path-finding command side by side with Boost Graph's astar_search on
// the same grids, for time and for the peak of the memory each allocates
// during one search; the ratios of the two come at the end of the run.
//
// Boost searches a grid graph filtered to the open cells, with float
// distances, the command's normalised cell costs as edge weights and the
// same estimate (rows and columns to the goal); the command runs at weight
// 0.5, which orders as g + h does. Both must find ways of the same cost.
//
// Grids: 1000 x 1000 and 2000 x 2000 with 20% of the cells blocked and
// costs from {1, 2, 4, 8}, corner to corner; a 256 x 256 open grid of
// costs 1 to 4; a 512 x 512 maze whose one way runs along every row.
// The open grid is also searched by the command alone at weights 0 and 1.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <boost/graph/astar_search.hpp>
#include <boost/graph/filtered_graph.hpp>
#include <boost/graph/grid_graph.hpp>
#include <boost/property_map/function_property_map.hpp>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "core/rt_array.h"
#include "pathfind/cell_costs.h"
#include "pathfind/path_find.h"

// Every allocation of the program passes through these, so that a search's
// peak of allocated bytes can be read: the bytes counted are the usable
// sizes of the blocks, for Boost's vectors and the command's arrays alike.
extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* block, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* block);
}

namespace {

std::atomic<int64_t> g_allocated{0};
std::atomic<int64_t> g_peak{0};

void Added(void* block) {
  if (block == nullptr) return;
  const int64_t now = g_allocated += static_cast<int64_t>(malloc_usable_size(block));
  int64_t peak = g_peak.load(std::memory_order_relaxed);
  while (now > peak && !g_peak.compare_exchange_weak(peak, now)) {
  }
}

void Removed(void* block) {
  if (block != nullptr) g_allocated -= static_cast<int64_t>(malloc_usable_size(block));
}

}  // namespace

extern "C" {
void* malloc(size_t size) {
  void* block = __libc_malloc(size);
  Added(block);
  return block;
}
void* calloc(size_t count, size_t size) {
  void* block = __libc_calloc(count, size);
  Added(block);
  return block;
}
void* realloc(void* old, size_t size) {
  const int64_t before = old != nullptr ? static_cast<int64_t>(malloc_usable_size(old)) : 0;
  void* block = __libc_realloc(old, size);
  if (block == nullptr && size != 0) return nullptr;  // the old block stays
  g_allocated -= before;
  Added(block);
  return block;
}
void free(void* block) {
  Removed(block);
  __libc_free(block);
}
void* memalign(size_t alignment, size_t size) {
  void* block = __libc_memalign(alignment, size);
  Added(block);
  return block;
}
void* aligned_alloc(size_t alignment, size_t size) { return memalign(alignment, size); }
int posix_memalign(void** out, size_t alignment, size_t size) {
  void* block = memalign(alignment, size);
  if (block == nullptr) return ENOMEM;
  *out = block;
  return 0;
}
}

namespace {

// The highest number of bytes allocated at once while `work` runs, beyond
// what was allocated when it started.
template <typename Work>
int64_t PeakExtraBytes(Work&& work) {
  const int64_t base = g_allocated.load();
  g_peak = base;
  work();
  return g_peak.load() - base;
}

constexpr double kMiB = 1024.0 * 1024.0;

struct Grid {
  int32_t side = 0;
  RtArray<double> costs;  // cell (x, y) at y * side + x; 0 blocks
  int32_t goalX = 0;
  int32_t goalY = 0;
};

// 20% of the cells blocked, the others cost 1, 2, 4 or 8; the corners open.
void RandomGrid(Grid& grid, int32_t side) {
  grid.side = side;
  ArrayDimDouble(grid.costs, side, side, 0, 0);
  std::mt19937 random(static_cast<uint32_t>(side));
  for (int64_t k = 0; k < int64_t{side} * side; ++k) {
    grid.costs.data[k] = random() % 5 == 0 ? 0.0 : double(1 << random() % 4);
  }
  grid.costs.data[0] = 1;
  grid.costs.data[int64_t{side} * side - 1] = 1;
  grid.goalX = side - 1;
  grid.goalY = side - 1;
}

// Costs 1 to 4 in a fixed pattern, so the ways are not all equal.
void OpenGrid(Grid& grid, int32_t side) {
  grid.side = side;
  ArrayDimDouble(grid.costs, side, side, 0, 0);
  for (int32_t y = 0; y < side; ++y) {
    for (int32_t x = 0; x < side; ++x) grid.costs.data[y * side + x] = 1 + (x * 7 + y * 3) % 4;
  }
  grid.goalX = side - 1;
  grid.goalY = side - 1;
}

// Walls across every odd row but the last, each with one gap, at the right
// and the left end in turn: the way from the top-left corner to the
// bottom-right one runs along every row.
void Maze(Grid& grid, int32_t side) {
  OpenGrid(grid, side);
  for (int32_t y = 1; y < side - 1; y += 2) {
    const int32_t gap = (y / 2) % 2 == 0 ? side - 1 : 0;
    for (int32_t x = 0; x < side; ++x) {
      if (x != gap) grid.costs.data[y * side + x] = 0;
    }
  }
}

// The cost of a way as the command sums it: the normalised cost of every
// cell entered, from the start on.
float WayCost(const Grid& grid, const RtArray<int32_t>& way) {
  const int64_t cells = int64_t{grid.side} * grid.side;
  std::vector<float> normalised(static_cast<size_t>(cells));
  NormaliseCosts(grid.costs.data, cells, normalised.data());
  float cost = 0.0f;
  for (int32_t i = 1; i < way.d1; ++i) cost += normalised[way.data[i + way.d1] * grid.side + way.data[i]];
  return cost;
}

// The command into a way array of its own, as a program's first search.
void CommandSearch(const Grid& grid, double weight, RtArray<int32_t>& way) {
  if (PathFind(grid.costs, way, weight, 0, 0, grid.goalX, grid.goalY) == 0) std::abort();
  benchmark::DoNotOptimize(way.data);
}

void CommandSearch(const Grid& grid, double weight) {
  RtArray<int32_t> way;
  CommandSearch(grid, weight, way);
}

using GridGraph = boost::grid_graph<2>;
using Vertex = boost::graph_traits<GridGraph>::vertex_descriptor;
using Edge = boost::graph_traits<GridGraph>::edge_descriptor;

int64_t CellOf(const Vertex& v, int32_t side) { return static_cast<int64_t>(v[1]) * side + static_cast<int64_t>(v[0]); }

struct OpenCells {
  const Grid* grid = nullptr;
  bool operator()(const Vertex& v) const { return grid->costs.data[CellOf(v, grid->side)] > 0; }
};

// The cost of entering a cell, normalised as the command does.
struct EnteringCost {
  const Grid* grid;
  const GridGraph* graph;
  float largest;
  float operator()(const Edge& e) const {
    return static_cast<float>(grid->costs.data[CellOf(target(e, *graph), grid->side)]) / largest + 1.0f;
  }
};

struct ToGoal : boost::astar_heuristic<boost::filtered_graph<GridGraph, boost::keep_all, OpenCells>, float> {
  Vertex goal;
  explicit ToGoal(Vertex g) : goal(g) {}
  float operator()(const Vertex& v) const {
    const auto apart = [](size_t a, size_t b) { return a > b ? a - b : b - a; };
    return static_cast<float>(apart(v[0], goal[0]) + apart(v[1], goal[1]));
  }
};

struct GoalReached {};

struct StopAtGoal : boost::default_astar_visitor {
  Vertex goal;
  explicit StopAtGoal(Vertex g) : goal(g) {}
  template <typename Graph>
  void examine_vertex(const Vertex& v, const Graph&) {
    if (v == goal) throw GoalReached{};
  }
};

float BoostSearch(const Grid& grid) {
  const int64_t cells = int64_t{grid.side} * grid.side;
  float largest = 0.0f;
  for (int64_t k = 0; k < cells; ++k) largest = std::max(largest, static_cast<float>(grid.costs.data[k]));

  const GridGraph full{{{static_cast<size_t>(grid.side), static_cast<size_t>(grid.side)}}};
  const boost::filtered_graph<GridGraph, boost::keep_all, OpenCells> open(full, boost::keep_all{},
                                                                          OpenCells{&grid});
  const Vertex start{{0, 0}};
  const Vertex goal{{static_cast<size_t>(grid.goalX), static_cast<size_t>(grid.goalY)}};
  const auto index = get(boost::vertex_index, full);  // found by argument-dependent look-up
  std::vector<Vertex> parents(static_cast<size_t>(cells));
  std::vector<float> distances(static_cast<size_t>(cells));
  auto weights = boost::make_function_property_map<Edge, float>(EnteringCost{&grid, &full, largest});
  try {
    boost::astar_search(open, start, ToGoal(goal),
                        boost::predecessor_map(boost::make_iterator_property_map(parents.begin(), index))
                            .distance_map(boost::make_iterator_property_map(distances.begin(), index))
                            .weight_map(weights)
                            .visitor(StopAtGoal(goal)));
  } catch (const GoalReached&) {
    return distances[static_cast<size_t>(CellOf(goal, grid.side))];
  }
  std::abort();  // the goal is always reachable
}

struct Case {
  const char* name;
  void (*make)(Grid&, int32_t);
  int32_t side;
};

const Case kCases[] = {
    {"random_1000", RandomGrid, 1000},
    {"random_2000", RandomGrid, 2000},
    {"open_256", OpenGrid, 256},
    {"maze_512", Maze, 512},
};

const Grid& GridOf(const Case& c) {
  static std::map<std::string, Grid> grids;
  auto found = grids.find(c.name);
  if (found == grids.end()) {
    found = grids.try_emplace(c.name).first;
    c.make(found->second, c.side);
  }
  return found->second;
}

void CheckSameCost(const Case& c) {
  RtArray<int32_t> way;
  CommandSearch(GridOf(c), 0.5, way);
  const float ours = WayCost(GridOf(c), way);
  const float theirs = BoostSearch(GridOf(c));
  if (std::fabs(ours - theirs) > 1e-4f * theirs) {
    std::fprintf(stderr, "%s: the command's way costs %.7g, Boost's %.7g\n", c.name, ours, theirs);
    std::abort();
  }
}

template <typename Search>
void Measure(benchmark::State& state, Search&& search) {
  state.counters["peak_MiB"] = static_cast<double>(PeakExtraBytes(search)) / kMiB;
  for (auto _ : state) search();
}

double Fastest(const std::vector<double>& times) { return *std::min_element(times.begin(), times.end()); }

// Keeps the time and the memory of every benchmark and prints, after the
// usual table, each case's command-to-Boost ratios and the command's time
// per cell on the larger random grid against that on the smaller. With
// repetitions the fastest repetition counts (the machine may be busy with
// other work; what the search itself costs is the least it took), else
// the single run.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      const bool fastest = run.run_type == Run::RT_Aggregate && run.aggregate_name == "min";
      if (run.run_type == Run::RT_Aggregate && !fastest) continue;
      Result& r = results_[run.run_name.function_name];
      if (fastest || !r.fastest) {
        const auto peak = run.counters.find("peak_MiB");
        r = Result{run.GetAdjustedRealTime(), peak != run.counters.end() ? peak->second.value : 0.0, fastest};
      }
    }
  }

  void PrintRatios() const {
    std::printf("\n%-12s %12s %12s %10s %12s %12s %10s\n", "case", "command ms", "Boost ms", "time", "command MiB",
                "Boost MiB", "memory");
    for (const Case& c : kCases) {
      const auto ours = results_.find(std::string(c.name) + "/command");
      const auto theirs = results_.find(std::string(c.name) + "/boost");
      if (ours == results_.end() || theirs == results_.end()) continue;
      std::printf("%-12s %12.2f %12.2f %9.2fx %12.2f %12.2f %9.2fx\n", c.name, ours->second.time,
                  theirs->second.time, ours->second.time / theirs->second.time, ours->second.peak,
                  theirs->second.peak, ours->second.peak / theirs->second.peak);
    }
    const auto small = results_.find("random_1000/command");
    const auto large = results_.find("random_2000/command");
    if (small != results_.end() && large != results_.end()) {
      std::printf("command time per cell, 2000 x 2000 against 1000 x 1000: %.2fx\n",
                  (large->second.time / 4.0) / small->second.time);
    }
  }

 private:
  struct Result {
    double time = 0;
    double peak = 0;
    bool fastest = false;
  };
  std::map<std::string, Result> results_;
};

}  // namespace

int main(int argc, char** argv) {
  // Every block of 128 KiB or more comes fresh from the system and goes back
  // when freed, so that each search pays for first touching its memory
  // alike. By default the C library raises this threshold to the largest
  // block freed so far, and a case would be fast or slow by what the case
  // before it happened to free.
  mallopt(M_MMAP_THRESHOLD, 128 * 1024);
  // Three repetitions, shown as their statistics, unless the command line
  // says otherwise (a later flag wins).
  std::vector<char*> args = {argv[0], const_cast<char*>("--benchmark_repetitions=3"),
                             const_cast<char*>("--benchmark_report_aggregates_only=true")};
  args.insert(args.end(), argv + 1, argv + argc);
  int count = static_cast<int>(args.size());
  args.push_back(nullptr);
  benchmark::Initialize(&count, args.data());
  if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;
  for (const Case& c : kCases) {
    benchmark::RegisterBenchmark((std::string(c.name) + "/command").c_str(), [&c](benchmark::State& state) {
      CheckSameCost(c);
      Measure(state, [&c] { CommandSearch(GridOf(c), 0.5); });
    })->Unit(benchmark::kMillisecond)->ComputeStatistics("min", Fastest);
    benchmark::RegisterBenchmark((std::string(c.name) + "/boost").c_str(), [&c](benchmark::State& state) {
      Measure(state, [&c] { benchmark::DoNotOptimize(BoostSearch(GridOf(c))); });
    })->Unit(benchmark::kMillisecond)->ComputeStatistics("min", Fastest);
  }
  for (const double weight : {0.0, 1.0}) {
    const std::string name = "open_256/command_weight_" + std::to_string(static_cast<int>(weight));
    benchmark::RegisterBenchmark(name.c_str(), [weight](benchmark::State& state) {
      Measure(state, [weight] { CommandSearch(GridOf(kCases[2]), weight); });
    })->Unit(benchmark::kMillisecond)->ComputeStatistics("min", Fastest);
  }
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios();
  benchmark::Shutdown();
  return 0;
}
