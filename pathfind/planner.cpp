#include "pathfind/planner.h"

#include <cstdlib>
#include <cstring>
#include <limits>

#include "core/min_max.h"
#include "pathfind/cell_costs.h"

namespace {

bool Inside(int32_t x, int32_t y, int32_t width, int32_t height) {
  return x >= 0 && x < width && y >= 0 && y < height;
}

// The size a limit asks for: the request, or the cell count when it is 0;
// never more than the cell count, since a cell has at most one node.
int32_t ReservedSize(int32_t requested, int64_t cells) {
  if (requested == 0 || requested > cells) return static_cast<int32_t>(cells);
  return requested;
}

struct Step {
  int32_t dx;
  int32_t dy;
  bool diagonal;
};

// The neighbours in the order they are looked at, y growing downward. A
// cell's state byte keeps the index of the step that reached it.
constexpr Step kSteps[8] = {{-1, -1, true}, {0, -1, false}, {1, -1, true}, {1, 0, false},
                            {-1, 0, false}, {-1, 1, true},  {0, 1, false}, {1, 1, true}};

int64_t OffsetOf(const Step& step, int32_t width) { return int64_t{step.dy} * width + step.dx; }

}  // namespace

Planner::~Planner() { ReleaseGrid(); }

void Planner::ZeroCounts() {
  open.Clear();
  nodesUsed = 0;
  openCount = 0;
  closedCount = 0;
  result = -1;
  finished = 1;
}

bool Planner::Setup(const PlannerParams& request) {
  const int32_t width = request.width;
  const int32_t height = request.height;
  if (!Inside(request.startX, request.startY, width, height) || !Inside(request.goalX, request.goalY, width, height)) {
    return false;
  }
  if (request.startX == request.goalX && request.startY == request.goalY) return false;
  const int64_t cells = int64_t{width} * height;
  if (cells > std::numeric_limits<int32_t>::max() || request.costs == nullptr) return false;
  if (request.poolSize < 0 || request.openCapacity < 0 || request.hashBits < 0) return false;

  ReleaseGrid();
  const float largest = LargestCellCost(request.costs, cells);
  if (largest == 0.0f) return false;
  cellG = static_cast<float*>(std::malloc(static_cast<size_t>(cells) * sizeof(float)));
  cellState = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(cells), 1));
  if (cellG == nullptr || cellState == nullptr) {
    ReleaseGrid();
    return false;
  }
  largestCost = largest;

  params = request;
  params.weight = static_cast<float>(MaxF(0.0, MinF(request.weight, 1.0)));
  poolCapacity = ReservedSize(request.poolSize, cells);
  openCapacity = static_cast<uint32_t>(ReservedSize(request.openCapacity, cells));
  result = -1;
  searchCalls = 0;
  finished = 1;
  return true;
}

void Planner::Reset() {
  Clear();
  finished = 0;
  searchCalls = 0;
  result = -1;
}

void Planner::Clear() {
  if (nodesUsed > 0) std::memset(cellState, 0, static_cast<size_t>(int64_t{params.width} * params.height));
  ZeroCounts();
}

float Planner::PathCost() const { return result >= 0 ? cellG[result] : -1.0f; }

float Planner::CostAt(int64_t cell) const { return NormalisedCost(params.costs[cell], largestCost); }

int64_t Planner::ParentOf(int64_t cell) const {
  const uint8_t s = cellState[cell];
  if ((s & kStateBits) == 0 || s >> kStepShift == kNoStep) return -1;
  return cell - OffsetOf(kSteps[s >> kStepShift], params.width);
}

uint32_t Planner::PathLength() const {
  // A chain is never longer than the nodes handed out; the bound only
  // guards against a chain that would not end.
  uint32_t n = 0;
  for (int64_t cell = result; cell >= 0 && n < static_cast<uint32_t>(nodesUsed); cell = ParentOf(cell)) ++n;
  return n;
}

void Planner::ReleaseGrid() {
  ZeroCounts();  // the nodes go with the arrays
  open.Release();
  std::free(cellG);
  std::free(cellState);
  cellG = nullptr;
  cellState = nullptr;
  largestCost = 0.0f;
  searchCalls = 0;
  poolCapacity = 0;
  openCapacity = 0;
  params = PlannerParams{};
}

void AStarPlanner::Reset() {
  Planner::Reset();
  if (cellState == nullptr) return;
  const uint32_t start = static_cast<uint32_t>(int64_t{params.startY} * params.width + params.startX);
  // The pool and the open list hold at least one node each.
  if (!open.Push(0.0f, start, 0.0f)) return;
  cellG[start] = 0.0f;
  cellState[start] = kOpen | kNoStep << kStepShift;
  nodesUsed = 1;
  openCount = 1;
}

bool AStarPlanner::Search() {
  ++searchCalls;
  if (cellState == nullptr) {
    finished = 1;
    return true;
  }
  const float factor = params.diagonalCost != 0 ? kDiagonalFactor : 1.0f;
  const float weight = params.weight;
  const int32_t width = params.width;
  const int32_t height = params.height;
  const int32_t goalX = params.goalX;
  const int32_t goalY = params.goalY;
  const int64_t goal = int64_t{goalY} * width + goalX;
  const double* costs = params.costs;
  const float largest = largestCost;

  struct Move {
    int32_t dx;
    int32_t dy;
    int64_t offset;
    uint8_t reachedBy;  // the state bits of a cell reached by this move
    bool diagonal;
  };
  Move moves[8];
  int moveCount = 0;
  for (uint8_t k = 0; k < 8; ++k) {
    const Step& step = kSteps[k];
    if (step.diagonal && params.diagonalMoves == 0) continue;
    moves[moveCount++] = Move{step.dx, step.dy, OffsetOf(step, width), static_cast<uint8_t>(k << kStepShift),
                              step.diagonal};
  }

  // Stops the search for want of room; the cell in hand is already closed.
  auto outOfRoom = [this] {
    finished = 1;
    return false;
  };

  for (;;) {
    // The open cell of the smallest key. An entry whose g is no longer its
    // cell's was overtaken by a cheaper way and is passed over, as is one
    // whose cell has been expanded since.
    uint32_t cell;
    for (;;) {
      if (open.IsEmpty()) {
        finished = 1;
        return true;
      }
      const OpenEntry entry = open.Pop();
      if ((cellState[entry.cell] & kStateBits) == kOpen && cellG[entry.cell] == entry.g) {
        cell = entry.cell;
        break;
      }
    }
    cellState[cell] = static_cast<uint8_t>((cellState[cell] & ~kStateBits) | kClosed);
    --openCount;
    ++closedCount;
    if (cell == goal) {
      result = cell;
      finished = 1;
      return true;
    }

    const int32_t x = static_cast<int32_t>(cell % static_cast<uint32_t>(width));
    const int32_t y = static_cast<int32_t>(cell / static_cast<uint32_t>(width));
    const float gHere = cellG[cell];
    for (int i = 0; i < moveCount; ++i) {
      const Move& move = moves[i];
      const int32_t nx = x + move.dx;
      const int32_t ny = y + move.dy;
      if (!Inside(nx, ny, width, height)) continue;
      const uint32_t next = static_cast<uint32_t>(cell + move.offset);
      const float cost = NormalisedCost(costs[next], largest);
      if (cost < 0.0f) continue;
      const float g = gHere + (move.diagonal ? cost * factor : cost);
      const float h = static_cast<float>(int64_t{goalX > nx ? goalX - nx : nx - goalX} +
                                         int64_t{goalY > ny ? goalY - ny : ny - goalY});
      const float f = (h - g) * weight + g;

      const uint8_t seen = cellState[next] & kStateBits;
      if (seen != 0) {
        if (g >= cellG[next]) continue;
        if (seen == kClosed) {
          // Re-opened. With the open list full the node still takes the
          // cheaper way, and stays closed.
          if (openCount == openCapacity) {
            cellG[next] = g;
            cellState[next] = kClosed | move.reachedBy;
            return outOfRoom();
          }
          if (!open.Push(f, next, g)) return outOfRoom();
          --closedCount;
          ++openCount;
        } else if (!open.Push(f, next, g)) {
          return outOfRoom();
        }
      } else {
        if (nodesUsed == poolCapacity || openCount == openCapacity) return outOfRoom();
        if (!open.Push(f, next, g)) return outOfRoom();
        ++nodesUsed;
        ++openCount;
      }
      cellG[next] = g;
      cellState[next] = kOpen | move.reachedBy;
    }
  }
}
