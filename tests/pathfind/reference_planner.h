// The path planner as it was before it kept its nodes in per-cell arrays:
// a node pool, a sorted open list in a ring buffer (a middle insertion
// rebuilds it) and a closed set of chained buckets. Slow, but plainly the
// search it describes; the differential test holds the planner to its
// answers, counts and refusals.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <limits>

#include "core/min_max.h"
#include "pathfind/cell_costs.h"
#include "pathfind/fixed_deque.h"
#include "pathfind/path_nodes.h"
#include "pathfind/planner.h"

class ReferencePlanner {
 public:
  ReferencePlanner() = default;
  ~ReferencePlanner() {
    Clear();
    std::free(grid);
  }
  ReferencePlanner(const ReferencePlanner&) = delete;
  ReferencePlanner& operator=(const ReferencePlanner&) = delete;

  bool Setup(const PlannerParams& request) {
    const int32_t width = request.width;
    const int32_t height = request.height;
    if (!Inside(request.startX, request.startY, width, height) ||
        !Inside(request.goalX, request.goalY, width, height)) {
      return false;
    }
    if (request.startX == request.goalX && request.startY == request.goalY) return false;
    const int64_t cells = int64_t{width} * height;
    if (cells > std::numeric_limits<int32_t>::max() || request.costs == nullptr) return false;
    if (request.poolSize < 0 || request.openCapacity < 0 || request.hashBits < 0) return false;

    if (grid != nullptr) ReleaseGrid();
    grid = static_cast<float*>(std::malloc(static_cast<size_t>(cells) * sizeof(float)));
    if (grid == nullptr) return false;
    if (!NormaliseCosts(request.costs, cells, grid)) return false;

    Clear();
    const uint32_t bits = static_cast<uint32_t>(request.hashBits);
    if (!pool.Reserve(ReservedSize(request.poolSize, cells)) ||
        !open.Reserve(static_cast<uint32_t>(ReservedSize(request.openCapacity, cells))) ||
        closed.Resize(bits) != NodeHashTable::UsableBits(bits)) {
      ReleaseGrid();
      return false;
    }
    params = request;
    result = nullptr;
    params.weight = static_cast<float>(MaxF(0.0, MinF(request.weight, 1.0)));
    searchCalls = 0;
    finished = 1;
    return true;
  }

  void Reset() {
    finished = 0;
    searchCalls = 0;
    result = nullptr;
    Node* start = pool.Take();
    if (start == nullptr) return;
    *start = Node{nullptr, params.startX, params.startY, 0.0f, 0.0f, nullptr};
    if (!open.PushBack(start)) pool.GiveBack();
  }

  bool Search() {
    ++searchCalls;
    const float factor = params.diagonalCost != 0 ? kDiagonalFactor : 1.0f;
    const float weight = params.weight;
    const int32_t width = params.width;
    const int32_t height = params.height;
    auto outOfRoom = [this](Node* current) {
      closed.Insert(current);
      finished = 1;
      return false;
    };
    while (!open.IsEmpty()) {
      Node* node = open.Back();
      open.PopBack();
      if (node->x == params.goalX && node->y == params.goalY) {
        closed.Insert(node);
        result = node;
        finished = 1;
        return true;
      }
      for (const Step& step : kSteps) {
        if (step.diagonal && params.diagonalMoves == 0) continue;
        const int32_t x = node->x + step.dx;
        const int32_t y = node->y + step.dy;
        if (!Inside(x, y, width, height)) continue;
        const float cost = grid[int64_t{y} * width + x];
        if (cost < 0.0f) continue;
        const float g = node->g + (step.diagonal ? cost * factor : cost);
        const float h = static_cast<float>(int64_t{params.goalX > x ? params.goalX - x : x - params.goalX} +
                                           int64_t{params.goalY > y ? params.goalY - y : y - params.goalY});
        const float f = (h - g) * weight + g;

        NodeHashCursor cursor;
        if (Node* seen = closed.Find(cursor, x, y)) {
          if (g >= seen->g) continue;
          closed.Unlink(cursor);
          *seen = Node{node, x, y, f, g, nullptr};
          if (!OpenInsert(seen)) {
            closed.Insert(seen);
            return outOfRoom(node);
          }
          continue;
        }
        uint32_t i = open.Size();
        while (i > 0 && (open.At(i - 1)->x != x || open.At(i - 1)->y != y)) --i;
        if (i > 0) {
          Node* waiting = open.At(i - 1);
          if (g >= waiting->g) continue;
          open.EraseAt(i - 1);
          *waiting = Node{node, x, y, f, g, nullptr};
          OpenInsert(waiting);
          continue;
        }
        Node* fresh = pool.Take();
        if (fresh == nullptr) return outOfRoom(node);
        *fresh = Node{node, x, y, f, g, nullptr};
        if (!OpenInsert(fresh)) {
          pool.GiveBack();
          return outOfRoom(node);
        }
      }
      closed.Insert(node);
    }
    finished = 1;
    return true;
  }

  void Clear() {
    for (uint32_t i = open.Size(); i > 0; --i) pool.GiveBack();
    open.Clear();
    closed.ClearInto(pool);
    result = nullptr;
    finished = 1;
  }

  void ReleaseGrid() {
    std::free(grid);
    grid = nullptr;
    searchCalls = 0;
    result = nullptr;
    params = PlannerParams{};
  }

  float PathCost() const { return result != nullptr ? result->g : -1.0f; }
  uint32_t PathLength() const {
    uint32_t n = 0;
    for (const Node* node = result; node != nullptr; node = node->parent) ++n;
    return n;
  }
  uint32_t OpenCount() const { return open.Size(); }
  uint32_t ClosedCount() const { return closed.Count(); }

  uint8_t finished = 1;
  NodeFactory pool;
  PlannerParams params{};
  float* grid = nullptr;
  int32_t searchCalls = 0;
  FixedDeque<Node*> open;  // descending f from front to back
  NodeHashTable closed;
  Node* result = nullptr;

 private:
  struct Step {
    int32_t dx;
    int32_t dy;
    bool diagonal;
  };
  static constexpr Step kSteps[8] = {{-1, -1, true}, {0, -1, false}, {1, -1, true}, {1, 0, false},
                                     {-1, 0, false}, {-1, 1, true},  {0, 1, false}, {1, 1, true}};

  static bool Inside(int32_t x, int32_t y, int32_t width, int32_t height) {
    return x >= 0 && x < width && y >= 0 && y < height;
  }
  static int32_t ReservedSize(int32_t requested, int64_t cells) {
    if (requested == 0 || requested > cells) return static_cast<int32_t>(cells);
    return requested;
  }

  // Inserts the node before the first node whose f is not greater than its
  // own, so among equal f the node inserted first is taken first.
  bool OpenInsert(Node* node) {
    uint32_t lo = 0;
    uint32_t hi = open.Size();
    while (lo < hi) {
      const uint32_t mid = (lo + hi) / 2;
      if (open.At(mid)->f > node->f) {
        lo = mid + 1;
      } else {
        hi = mid;
      }
    }
    return open.InsertAt(lo, node);
  }
};
