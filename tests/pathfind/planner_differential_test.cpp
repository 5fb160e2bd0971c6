// The planner against the reference planner it replaced, request by request.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "pathfind/planner.h"
#include "tests/pathfind/grid_text.h"
#include "tests/pathfind/planner_way.h"
#include "tests/pathfind/reference_planner.h"

namespace {

struct Request {
  PlannerParams params{};
  std::vector<double> costs;
  std::string description;
};

// A random request: small and middling grids, shares of blocked cells,
// equal costs (many ties), few distinct costs, any costs and hostile ones;
// weights in and outside 0 to 1; both neighbourhoods; and now and then a
// node pool or an open list far too small for the grid.
Request RandomRequest(std::mt19937& random) {
  auto below = [&](uint32_t n) { return static_cast<int32_t>(random() % n); };
  Request r;
  const bool large = below(10) == 0;
  const int32_t width = large ? 30 + below(60) : 1 + below(24);
  const int32_t height = large ? 30 + below(60) : 1 + below(24);
  const int32_t cells = width * height;
  const double blockedShare = std::vector<double>{0.0, 0.1, 0.25, 0.45}[below(4)];
  const int costKind = below(5);
  constexpr double kHostile[] = {1e-300, std::numeric_limits<double>::infinity(),
                                 std::numeric_limits<double>::quiet_NaN(), -3.0, 1e300, 1e-45};
  for (int32_t k = 0; k < cells; ++k) {
    double c = 1.0;
    switch (costKind) {
      case 1: c = 1 + below(9); break;
      case 2: c = double(1 << below(4)); break;
      case 3: c = std::ldexp(1.0 + below(1 << 20), -below(24)); break;
      case 4: c = below(8) == 0 ? kHostile[below(6)] : 1 + below(5); break;
      default: break;
    }
    if (random() % 1000 < blockedShare * 1000) c = 0;
    r.costs.push_back(c);
  }
  PlannerParams& p = r.params;
  p.startX = below(width);
  p.startY = below(height);
  p.goalX = below(width);
  p.goalY = below(height);
  p.diagonalMoves = below(2);
  p.diagonalCost = below(2);
  p.poolSize = below(3) == 0 ? 1 + below(cells) : 0;
  p.openCapacity = below(3) == 0 ? 1 + below(cells / 4 + 1) : 0;
  p.hashBits = below(12);
  const float weights[] = {0.0f, 0.25f, 0.5f, 0.75f, 1.0f, -1.0f, 2.0f};
  p.weight = below(3) == 0 ? static_cast<float>(random() % 1001) / 1000.0f : weights[below(7)];
  p.width = width;
  p.height = height;
  p.costs = r.costs.data();

  std::ostringstream text;
  text << width << " x " << height << ", blocked " << blockedShare << ", costs " << costKind << ", start ("
       << p.startX << ", " << p.startY << "), goal (" << p.goalX << ", " << p.goalY << "), weight " << p.weight
       << ", diagonal moves " << int{p.diagonalMoves} << " cost " << int{p.diagonalCost} << ", pool "
       << p.poolSize << ", open " << p.openCapacity;
  r.description = text.str();
  return r;
}

Cells WayOf(const ReferencePlanner& planner) {
  Cells cells;
  for (const Node* n = planner.result; n != nullptr; n = n->parent) cells.insert(cells.begin(), {n->x, n->y});
  return cells;
}

// A node as both planners can show it: its cell, open or closed, g's bits
// and the cell it was reached from (-1 for the start).
struct NodeView {
  int64_t cell;
  bool open;
  uint32_t g;
  int64_t parent;
  bool operator<(const NodeView& o) const { return cell < o.cell; }
  bool operator==(const NodeView& o) const = default;
};

std::vector<NodeView> NodesOf(const ReferencePlanner& planner) {
  const int64_t width = planner.params.width;
  auto view = [&](const Node* n, bool open) {
    return NodeView{n->y * width + n->x, open, std::bit_cast<uint32_t>(n->g),
                    n->parent != nullptr ? n->parent->y * width + n->parent->x : -1};
  };
  std::vector<NodeView> nodes;
  NodeHashCursor cursor;
  for (const Node* n = planner.closed.First(cursor); n != nullptr; n = planner.closed.Next(cursor)) {
    nodes.push_back(view(n, false));
  }
  auto& open = const_cast<FixedDeque<Node*>&>(planner.open);
  for (uint32_t i = 0; i < open.Size(); ++i) nodes.push_back(view(open.At(i), true));
  std::sort(nodes.begin(), nodes.end());
  return nodes;
}

std::vector<NodeView> NodesOf(const Planner& planner) {
  std::vector<NodeView> nodes;
  for (int64_t cell = 0; cell < int64_t{planner.params.width} * planner.params.height; ++cell) {
    const uint8_t state = planner.cellState[cell] & Planner::kStateBits;
    if (state == 0) continue;
    nodes.push_back(NodeView{cell, state == Planner::kOpen, std::bit_cast<uint32_t>(planner.cellG[cell]),
                             planner.ParentOf(cell)});
  }
  return nodes;
}

// Everything a caller can read after a search, and every node.
void ExpectSameState(const AStarPlanner& planner, const ReferencePlanner& reference) {
  EXPECT_TRUE(NodesOf(planner) == NodesOf(reference));
  EXPECT_EQ(planner.result >= 0, reference.result != nullptr);
  EXPECT_EQ(WayOf(planner), WayOf(reference));
  EXPECT_EQ(planner.PathLength(), reference.PathLength());
  EXPECT_EQ(std::bit_cast<uint32_t>(planner.PathCost()), std::bit_cast<uint32_t>(reference.PathCost()));
  EXPECT_EQ(planner.OpenCount(), reference.OpenCount());
  EXPECT_EQ(planner.ClosedCount(), reference.ClosedCount());
  EXPECT_EQ(planner.nodesUsed, reference.pool.used);
  EXPECT_EQ(planner.finished, reference.finished);
  EXPECT_EQ(planner.searchCalls, reference.searchCalls);
}

// Each request through both planners: the set-up's answer, then the
// search's answer, way, cost bits and counts; then a second search call,
// which goes on from what the first left open, and a clear.
TEST(PlannerDifferentialTest, AnswersAsTheReferencePlannerDoes) {
  std::mt19937 random(20261211);
  int found = 0;
  int unreachable = 0;
  int refused = 0;
  for (int round = 0; round < 700; ++round) {
    const Request request = RandomRequest(random);
    SCOPED_TRACE(testing::Message() << "request " << round << ": " << request.description);
    AStarPlanner planner;
    ReferencePlanner reference;
    const bool setUp = reference.Setup(request.params);
    ASSERT_EQ(planner.Setup(request.params), setUp);
    if (!setUp) continue;
    for (int64_t k = 0; k < int64_t{request.params.width} * request.params.height; ++k) {
      ASSERT_EQ(std::bit_cast<uint32_t>(planner.CostAt(k)), std::bit_cast<uint32_t>(reference.grid[k]));
    }
    planner.Reset();
    reference.Reset();
    const bool completed = reference.Search();
    ASSERT_EQ(planner.Search(), completed);
    ExpectSameState(planner, reference);
    found += reference.result != nullptr;
    unreachable += completed && reference.result == nullptr;
    refused += !completed;

    ASSERT_EQ(planner.Search(), reference.Search());
    ExpectSameState(planner, reference);
    planner.Clear();
    reference.Clear();
    ExpectSameState(planner, reference);
    if (HasFailure()) break;
  }
  EXPECT_GT(found, 250);
  EXPECT_GT(unreachable, 50);
  EXPECT_GT(refused, 50);
}

}  // namespace
