// The path planner: the cheapest way between two cells of a rectangular
// cost grid, found by a weighted A* search.
//
// A planner serves one request at a time: set it up with a grid, reset it,
// search, read the result, clear it. It shares nothing with other planners
// and is used by one thread.
//
// Costs are normalised (pathfind/cell_costs.h): a blocked cell is -1,
// every other cell costs c / M + 1, in (1, 2], where M is the largest cost.
// Set-up finds M; the search works a cell's normalised cost out from the
// caller's grid whenever it looks at the cell, so the caller's grid must
// stay as it is until the search is over. A step costs the cost of the cell
// it enters, times the diagonal factor for a diagonal step when diagonal
// costs are on. The cells waiting in the open list are ordered by
// f = weight * h + (1 - weight) * g, with h the number of rows and columns
// between a cell and the goal: weight 0 orders by cost alone, 1 by the
// estimate alone, 0.5 as by g + h.
//
// Each cell reached has one search node, kept in two per-cell arrays: its
// g, and in one byte whether it is open or closed and from which neighbour
// it was reached; five bytes a cell in all, so that a large grid costs
// little memory and its pages are few to touch. The node pool and the open
// list are sizes, not containers: the planner counts the nodes handed out
// and the cells open, and a request that would pass either size ends the
// search without a way, exactly where a pool and an open list of those
// sizes would run out.
#pragma once

#include <bit>
#include <cstdint>

#include "pathfind/open_heap.h"

// The set-up record the caller fills.
struct PlannerParams {
  int32_t startX;
  int32_t startY;
  int32_t goalX;
  int32_t goalY;
  uint8_t diagonalCost;   // 1: a diagonal step costs the cell's cost times the diagonal factor
  uint8_t diagonalMoves;  // 1: the four diagonal neighbours are searched too
  int32_t poolSize;       // nodes to hand out at most; 0 means width * height
  int32_t openCapacity;   // cells open at once at most; 0 means width * height
  int32_t hashBits;       // checked (not below 0) and kept; the per-cell arrays need no table
  float weight;           // 0 to 1
  int32_t width;
  int32_t height;
  const double* costs;    // width * height costs, cell (x, y) at y * width + x
};

// The float just above the one nearest to the square root of 2.
inline constexpr float kDiagonalFactor = std::bit_cast<float>(uint32_t{0x3FB504F4});

class Planner {
 public:
  Planner() = default;
  // Frees every buffer.
  virtual ~Planner();
  Planner(const Planner&) = delete;
  Planner& operator=(const Planner&) = delete;

  // Validates the request, finds the largest cost and allocates the
  // per-cell arrays. False, with nothing changed, for a start or goal
  // outside the grid, start = goal, no cost grid, a negative size, or more
  // than 2^31 - 1 cells; false with the earlier request released when no
  // cell is open or memory cannot be had.
  bool Setup(const PlannerParams& request);
  // Starts a search: gives back the nodes of an earlier one (as Clear),
  // clears the finished flag, the search-call counter and the result.
  virtual void Reset();
  // Runs the whole search. False when it stopped because the node pool or
  // the open list ran out, or memory for the open list could not be had
  // (then there is no result).
  virtual bool Search() = 0;
  // Gives every node back and empties the open list and the closed set; no
  // result, finished.
  virtual void Clear();

  // g of the result, or -1 without one.
  float PathCost() const;
  // The cells on the result's chain of parents, start and goal included; 0
  // without a result.
  uint32_t PathLength() const;
  // The cell a node was reached from, y * width + x; -1 for the start and
  // for a cell not reached.
  int64_t ParentOf(int64_t cell) const;
  // The normalised cost of a cell: in (1, 2], or -1 when blocked. Only
  // while set up.
  float CostAt(int64_t cell) const;
  uint32_t OpenCount() const { return openCount; }
  uint32_t ClosedCount() const { return closedCount; }
  // Frees the per-cell arrays (giving every node back) and zeroes the
  // counter, the result and the parameter copy.
  void ReleaseGrid();

  // What a cell's state holds: open or closed in the low two bits
  // (neither: not reached), above them the step it was reached by.
  static constexpr uint8_t kOpen = 1;
  static constexpr uint8_t kClosed = 2;
  static constexpr uint8_t kStateBits = 3;
  static constexpr uint8_t kStepShift = 2;
  static constexpr uint8_t kNoStep = 8;  // the start

  uint8_t finished = 1;  // 1 when no search is running
  PlannerParams params{};
  float largestCost = 0.0f;     // M, the largest cost of the grid
  // Per cell (x, y), at y * width + x, while set up; while not, none, and
  // the parameter copy is zeroed (width 0).
  float* cellG = nullptr;        // cost from the start, once reached
  uint8_t* cellState = nullptr;  // 0 until reached; then open or closed, and the step it came by
  int32_t searchCalls = 0;
  int32_t poolCapacity = 0;    // nodes that may be handed out
  int32_t nodesUsed = 0;       // nodes handed out: the cells reached
  uint32_t openCapacity = 0;   // cells that may be open at once
  uint32_t openCount = 0;
  uint32_t closedCount = 0;
  OpenHeap open;
  int64_t result = -1;         // the goal cell once reached, else -1

 private:
  void ZeroCounts();
};

class AStarPlanner : public Planner {
 public:
  // Also opens the start cell (no parent, g = 0).
  void Reset() override;
  // The search. The start is expanded whatever its own cost; a blocked cell
  // is never entered; the two cells beside a diagonal step are not looked
  // at. Among cells of equal f the one inserted first is expanded first.
  bool Search() override;
};
