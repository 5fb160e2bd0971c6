#include "pathfind/planner.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <queue>
#include <random>
#include <vector>

#include "tests/pathfind/grid_text.h"
#include "tests/pathfind/planner_way.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr float kOne9th = 1.0f / 9.0f + 1.0f;  // a cost of 1 beside a largest cost of 9

PlannerParams ParamsFor(const TextGrid& grid, float weight = 0.5f, uint8_t diagonalMoves = 0,
                        uint8_t diagonalCost = 1) {
  PlannerParams p{};
  p.startX = grid.startX;
  p.startY = grid.startY;
  p.goalX = grid.goalX;
  p.goalY = grid.goalY;
  p.diagonalCost = diagonalCost;
  p.diagonalMoves = diagonalMoves;
  p.hashBits = 8;
  p.weight = weight;
  p.width = grid.width;
  p.height = grid.height;
  p.costs = grid.costs.data();
  return p;
}

// Set-up, reset and search; every node handed out is in the open list or
// the closed set afterwards.
void RunSearch(AStarPlanner& planner, const PlannerParams& params) {
  ASSERT_TRUE(planner.Setup(params));
  planner.Reset();
  planner.Search();
  EXPECT_EQ(planner.finished, 1);
  EXPECT_EQ(static_cast<uint32_t>(planner.nodesUsed), planner.OpenCount() + planner.ClosedCount());
}

struct PathCase {
  const char* name;
  Rows grid;
  float weight;
  uint8_t diagonalMoves;
  uint8_t diagonalCost;
  Rows way;    // the grid with the way marked '*'; the grid itself when there is none
  float cost;  // -1 when there is none
};

TEST(AStarPlannerTest, FindsTheWaysOfSmallGrids) {
  const float d = 2.0f * kDiagonalFactor;
  const PathCase cases[] = {
      {"straight", {"S...G"}, 0.5f, 0, 1, {"*****"}, 8.0f},
      {"around a wall", {"S#G", ".#.", "..."}, 0.5f, 0, 1, {"*#*", "*#*", "***"}, 12.0f},
      // Equal ways: the neighbours are opened up, right, left, down, and
      // among equal f the first opened is expanded first.
      {"up before right", {"..G", ".S.", "..."}, 0.0f, 0, 1, {".**", ".*.", "..."}, 4.0f},
      {"up before left", {"G..", ".S.", "..."}, 0.0f, 0, 1, {"**.", ".*.", "..."}, 4.0f},
      {"right before left", {"...", ".S.", ".#.", ".G."}, 0.0f, 0, 1, {"...", ".**", ".#*", ".**"}, 8.0f},
      {"right before down", {"S.", ".G"}, 0.5f, 0, 1, {"**", ".*"}, 4.0f},
      {"left before down", {"...", ".S.", "G.."}, 0.0f, 0, 1, {"...", "**.", "*.."}, 4.0f},
      {"walled off", {"S#G"}, 0.5f, 0, 1, {"S#G"}, -1.0f},
      {"blocked goal", {"S.g"}, 0.5f, 0, 1, {"S.g"}, -1.0f},
      {"blocked start", {"s.G"}, 0.5f, 0, 1, {"***"}, 4.0f},
      {"diagonal steps", {"S..", "...", "..G"}, 0.5f, 1, 1, {"*..", ".*.", "..*"}, d + d},
      {"diagonal steps at the cell's cost", {"S..", "...", "..G"}, 0.5f, 1, 0, {"*..", ".*.", "..*"}, 4.0f},
      {"a diagonal step between two walls", {"S#", "#G"}, 0.5f, 1, 1, {"*#", "#*"}, d},
      {"no diagonal moves", {"S#", "#G"}, 0.5f, 0, 1, {"S#", "#G"}, -1.0f},
      {"weight 0.5: the cheap detour", {"S999G", "....."}, 0.5f, 0, 1, {"*999*", "*****"}, 6 * kOne9th},
      {"weight 0: the cheap detour", {"S999G", "....."}, 0.0f, 0, 1, {"*999*", "*****"}, 6 * kOne9th},
      {"weight 1: straight at the goal", {"S999G", "....."}, 1.0f, 0, 1, {"*****", "....."}, 6 + kOne9th},
      {"weight 1: a closed cell reached more cheaply is opened again",
       {".9..", "G#.9", "#.5S"}, 1.0f, 0, 1, {"***.", "*#*9", "#.**"}, 8.0f},
  };
  for (const PathCase& c : cases) {
    SCOPED_TRACE(c.name);
    const TextGrid grid = ParseGrid(c.grid);
    AStarPlanner planner;
    RunSearch(planner, ParamsFor(grid, c.weight, c.diagonalMoves, c.diagonalCost));
    EXPECT_EQ(MarkCells(c.grid, WayOf(planner)), c.way);
    EXPECT_FLOAT_EQ(planner.PathCost(), c.cost);
    EXPECT_EQ(planner.PathLength(), WayOf(planner).size());
    if (c.cost < 0) {
      EXPECT_EQ(planner.OpenCount(), 0u);
    }
    planner.Clear();
    EXPECT_EQ(planner.nodesUsed, 0);
    EXPECT_EQ(planner.ClosedCount(), 0u);
  }
}

TEST(AStarPlannerTest, AHigherWeightExpandsFewerCells) {
  Rows rows(21, std::string(21, '.'));
  rows[10][5] = 'S';
  rows[10][15] = 'G';
  const TextGrid grid = ParseGrid(rows);
  uint32_t closedBefore = std::numeric_limits<uint32_t>::max();
  for (float weight : {0.0f, 0.5f, 1.0f}) {
    SCOPED_TRACE(weight);
    AStarPlanner planner;
    RunSearch(planner, ParamsFor(grid, weight));
    EXPECT_FLOAT_EQ(planner.PathCost(), 20.0f);
    EXPECT_LT(planner.ClosedCount(), closedBefore);
    closedBefore = planner.ClosedCount();
  }
  EXPECT_EQ(closedBefore, 11u);  // weight 1 goes straight at the goal
}

// The cheapest way by Dijkstra's search over the same normalised costs, in
// double precision; -1 when the goal cannot be reached.
double ReferenceCost(const PlannerParams& p) {
  const int32_t cells = p.width * p.height;
  std::vector<double> cost(cells, -1.0);
  double top = 0;
  for (int32_t k = 0; k < cells; ++k) {
    if (p.costs[k] > 0) cost[k] = std::min<double>(p.costs[k], std::numeric_limits<float>::max());
    top = std::max(top, cost[k]);
  }
  for (double& c : cost) c = c > 0 ? c / top + 1 : c;
  std::vector<double> best(cells, kInf);
  using Entry = std::pair<double, int32_t>;
  std::priority_queue<Entry, std::vector<Entry>, std::greater<>> queue;
  best[p.startY * p.width + p.startX] = 0;
  queue.push({0, p.startY * p.width + p.startX});
  while (!queue.empty()) {
    const auto [g, k] = queue.top();
    queue.pop();
    if (g > best[k]) continue;
    for (int32_t dy = -1; dy <= 1; ++dy) {
      for (int32_t dx = -1; dx <= 1; ++dx) {
        const bool diagonal = dx != 0 && dy != 0;
        const int32_t x = k % p.width + dx;
        const int32_t y = k / p.width + dy;
        if ((dx == 0 && dy == 0) || (diagonal && !p.diagonalMoves) || x < 0 || y < 0 || x >= p.width ||
            y >= p.height || cost[y * p.width + x] < 0) {
          continue;
        }
        const double step = cost[y * p.width + x] * (diagonal && p.diagonalCost ? kDiagonalFactor : 1.0);
        if (g + step < best[y * p.width + x]) {
          best[y * p.width + x] = g + step;
          queue.push({g + step, y * p.width + x});
        }
      }
    }
  }
  const double goal = best[p.goalY * p.width + p.goalX];
  return goal == kInf ? -1 : goal;
}

// With a weight that keeps the estimate below the true cost (0.5 for
// four-way moves, 1/3 with diagonal moves) the way found is a cheapest one,
// and it is a way: neighbouring open cells from the start to the goal.
TEST(AStarPlannerTest, FindsACheapestWayInRandomGrids) {
  std::mt19937 random(2024);
  int found = 0;
  for (int round = 0; round < 400; ++round) {
    TextGrid grid;
    grid.width = 1 + static_cast<int32_t>(random() % 10);
    grid.height = 1 + static_cast<int32_t>(random() % 10);
    for (int32_t k = 0; k < grid.width * grid.height; ++k) {
      const uint32_t r = random() % 8;
      grid.costs.push_back(r < 2 ? 0.0 : r < 5 ? double(random() % 9 + 1) : std::ldexp(double(random()), -28));
    }
    grid.startX = static_cast<int32_t>(random() % grid.width);
    grid.startY = static_cast<int32_t>(random() % grid.height);
    grid.goalX = static_cast<int32_t>(random() % grid.width);
    grid.goalY = static_cast<int32_t>(random() % grid.height);
    const uint8_t diagonal = random() % 2;
    const float weights[] = {0.0f, 0.3f, 0.5f};
    const PlannerParams params = ParamsFor(grid, weights[random() % (diagonal ? 2 : 3)], diagonal, random() % 2);
    SCOPED_TRACE(round);

    AStarPlanner planner;
    const bool sameCell = grid.startX == grid.goalX && grid.startY == grid.goalY;
    const bool anyOpen = std::any_of(grid.costs.begin(), grid.costs.end(), [](double c) { return c > 0; });
    if (sameCell || !anyOpen) {
      EXPECT_FALSE(planner.Setup(params));
      continue;
    }
    RunSearch(planner, params);
    const double expected = ReferenceCost(params);
    if (expected < 0) {
      EXPECT_EQ(planner.result, -1);
      continue;
    }
    ++found;
    ASSERT_GE(planner.result, 0);
    EXPECT_NEAR(planner.PathCost(), expected, expected * 1e-5);
    const Cells way = WayOf(planner);
    EXPECT_EQ(way.front(), std::pair(grid.startX, grid.startY));
    EXPECT_EQ(way.back(), std::pair(grid.goalX, grid.goalY));
    double cost = 0;
    for (size_t i = 1; i < way.size(); ++i) {
      const auto [x, y] = way[i];
      const int32_t dx = std::abs(x - way[i - 1].first), dy = std::abs(y - way[i - 1].second);
      ASSERT_TRUE(dx <= 1 && dy <= 1 && dx + dy >= 1 && (diagonal || dx + dy == 1));
      const float c = planner.CostAt(y * grid.width + x);
      ASSERT_GT(c, 1.0f);
      cost += c * (dx + dy == 2 && params.diagonalCost ? kDiagonalFactor : 1.0f);
    }
    EXPECT_NEAR(cost, expected, expected * 1e-5);
  }
  EXPECT_GT(found, 150);
}

TEST(AStarPlannerTest, CostsNormaliseIntoOneToTwoAndHostileCostsNeitherBreakNorHang) {
  struct Case {
    double middle;
    bool open;
  };
  // A cost is taken as a float before it is judged: 1e-300 and 1e-46 are 0
  // as floats and block their cells, 1e-45 is the smallest float above 0.
  const Case cases[] = {{7, true},     {kInf, true},   {1e300, true},  {3.5e38, true}, {1e-45, true},
                        {1e-300, false}, {1e-46, false}, {kNaN, false}, {-kInf, false}, {0.0, false},
                        {-0.0, false},  {-1, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.middle);
    const std::vector<double> costs = {7, c.middle, 7};
    const TextGrid grid{3, 1, costs, 0, 0, 2, 0};
    AStarPlanner planner;
    RunSearch(planner, ParamsFor(grid));
    for (int k = 0; k < 3; ++k) {
      const float v = planner.CostAt(k);
      EXPECT_TRUE(v == -1.0f || (v >= 1.0f && v <= 2.0f)) << v;
    }
    EXPECT_EQ(planner.CostAt(1) > 0, c.open);
    EXPECT_EQ(planner.PathLength(), c.open ? 3u : 0u);
    if (c.open) {
      EXPECT_TRUE(std::isfinite(planner.PathCost()));
    }
  }
  AStarPlanner equal;
  const TextGrid sevens = ParseGrid({"S7", "7G"});
  RunSearch(equal, ParamsFor(sevens));
  EXPECT_EQ(equal.CostAt(1), 2.0f);  // the start and goal cost 1: 7 / 7 + 1
  EXPECT_EQ(equal.CostAt(0), 1.0f / 7.0f + 1.0f);
}

TEST(AStarPlannerTest, TheWeightIsClampedIntoZeroToOne) {
  const TextGrid grid = ParseGrid({"S999G", "....."});
  struct Case {
    float weight;
    float actsAs;
  };
  for (const Case& c : {Case{5.0f, 1.0f}, Case{-2.0f, 0.0f}, Case{std::numeric_limits<float>::quiet_NaN(), 1.0f}}) {
    AStarPlanner planner;
    ASSERT_TRUE(planner.Setup(ParamsFor(grid, c.weight)));
    EXPECT_EQ(planner.params.weight, c.actsAs) << c.weight;
  }
}

TEST(AStarPlannerTest, SetupRefusesBadRequestsAndKeepsTheEarlierOne) {
  const TextGrid grid = ParseGrid({"S.G"});
  const TextGrid blocked = ParseGrid({"s#g"});
  const double one = 1;
  auto with = [&](auto change) {
    PlannerParams p = ParamsFor(grid);
    change(p);
    return p;
  };
  const PlannerParams refused[] = {
      with([](PlannerParams& p) { p.startX = -1; }),
      with([](PlannerParams& p) { p.startY = 1; }),
      with([](PlannerParams& p) { p.goalX = 3; }),
      with([](PlannerParams& p) { p.goalY = -1; }),
      with([](PlannerParams& p) { p.goalX = 0; }),  // the start itself
      with([](PlannerParams& p) { p.costs = nullptr; }),
      with([](PlannerParams& p) { p.poolSize = -1; }),
      with([](PlannerParams& p) { p.openCapacity = -1; }),
      with([](PlannerParams& p) { p.hashBits = -2; }),
      // 2^31 cells: refused before a single cost is read
      with([&](PlannerParams& p) { p.width = 65536, p.height = 32768, p.costs = &one; }),
  };
  AStarPlanner planner;
  ASSERT_TRUE(planner.Setup(ParamsFor(grid)));
  for (const PlannerParams& p : refused) EXPECT_FALSE(planner.Setup(p));
  planner.Reset();
  planner.Search();
  EXPECT_EQ(planner.PathLength(), 3u);

  EXPECT_FALSE(planner.Setup(ParamsFor(blocked)));  // no open cell
}

TEST(AStarPlannerTest, AShortPoolOrOpenListEndsTheSearchWithoutAWay) {
  struct Case {
    Rows grid;
    int32_t poolSize;
    int32_t openCapacity;
    bool found;
  };
  const Case cases[] = {
      {{"S...G"}, 5, 0, true},
      {{"S...G"}, 4, 0, false},
      {{"S...G"}, 0, 1, true},  // a corridor never has more than one cell waiting
      {{"S..", "...", "..G"}, 0, 1, false},
      {{"S..", "...", "..G"}, 0, 2, false},
      {{"S..", "...", "..G"}, 9, 3, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.grid.size() << " rows, pool " << c.poolSize << ", open "
                                    << c.openCapacity);
    const TextGrid grid = ParseGrid(c.grid);
    PlannerParams params = ParamsFor(grid);
    params.poolSize = c.poolSize;
    params.openCapacity = c.openCapacity;
    AStarPlanner planner;
    ASSERT_TRUE(planner.Setup(params));
    planner.Reset();
    EXPECT_EQ(planner.Search(), c.found);
    EXPECT_EQ(planner.result >= 0, c.found);
    EXPECT_EQ(planner.finished, 1);
    EXPECT_EQ(static_cast<uint32_t>(planner.nodesUsed), planner.OpenCount() + planner.ClosedCount());
    planner.Clear();
    EXPECT_EQ(planner.nodesUsed, 0);
  }
}

TEST(AStarPlannerTest, APlannerServesRequestsOneAfterAnother) {
  AStarPlanner planner;
  planner.Reset();  // never set up: nothing to search
  EXPECT_TRUE(planner.Search());
  EXPECT_EQ(planner.result, -1);

  // A second set-up while the first search's nodes are still held.
  RunSearch(planner, ParamsFor(ParseGrid({"S#G", "..."})));
  EXPECT_EQ(planner.PathLength(), 5u);
  RunSearch(planner, ParamsFor(ParseGrid({"S", ".", "G"})));
  EXPECT_EQ(WayOf(planner), (Cells{{0, 0}, {0, 1}, {0, 2}}));
  EXPECT_EQ(planner.searchCalls, 1);

  planner.ReleaseGrid();
  EXPECT_EQ(planner.cellState, nullptr);
  EXPECT_EQ(planner.params.width, 0);
}

// A reset starts a new search even over the nodes of an earlier one: one
// start node, and the way still found with a pool of exactly one node a
// cell.
TEST(AStarPlannerTest, AResetWithoutAClearStartsAFreshSearch) {
  const TextGrid grid = ParseGrid({"S..", "...", "..G"});
  AStarPlanner planner;
  ASSERT_TRUE(planner.Setup(ParamsFor(grid)));
  planner.Reset();
  planner.Reset();
  EXPECT_EQ(planner.OpenCount(), 1u);
  EXPECT_EQ(planner.nodesUsed, 1);
  EXPECT_TRUE(planner.Search());
  EXPECT_EQ(planner.PathLength(), 5u);

  planner.Reset();  // after a finished search
  EXPECT_EQ(planner.ClosedCount(), 0u);
  EXPECT_EQ(planner.result, -1);
  EXPECT_TRUE(planner.Search());
  EXPECT_EQ(planner.PathLength(), 5u);
  EXPECT_EQ(static_cast<uint32_t>(planner.nodesUsed), planner.OpenCount() + planner.ClosedCount());
}

// Releasing the grid gives back every node, so that nothing of the old
// search is left to be searched from afterwards.
TEST(AStarPlannerTest, ReleasingTheGridGivesEveryNodeBack) {
  AStarPlanner planner;
  RunSearch(planner, ParamsFor(ParseGrid({".....", ".S.G.", "....."})));
  ASSERT_GT(planner.OpenCount(), 0u);
  planner.ReleaseGrid();
  EXPECT_EQ(planner.nodesUsed, 0);
  EXPECT_EQ(planner.OpenCount(), 0u);
  EXPECT_EQ(planner.ClosedCount(), 0u);
  planner.Reset();
  EXPECT_TRUE(planner.Search());
  EXPECT_EQ(planner.result, -1);
  EXPECT_EQ(planner.PathLength(), 0u);
  EXPECT_EQ(planner.PathCost(), -1.0f);
}

}  // namespace
