// The path planner: the cheapest way between two cells of a rectangular
// cost grid, found by a weighted A* search.
//
// A planner serves one request at a time: set it up with a grid, reset it,
// search, read the result, clear it. It shares nothing with other planners
// and is used by one thread.
//
// Costs are normalised at set-up (pathfind/cell_costs.h): a cell whose
// cost is 0 or below as a float (or NaN) is blocked (-1), every other cell
// costs c / M + 1, in (1, 2], where M is the largest cost. A step costs the cost of the cell it enters, times the
// diagonal factor for a diagonal step when diagonal costs are on. The nodes
// are ordered by f = weight * h + (1 - weight) * g, with h the number of
// rows and columns between a cell and the goal: weight 0 orders by cost
// alone, 1 by the estimate alone, 0.5 as by g + h.
#pragma once

#include <bit>
#include <cstdint>

#include "pathfind/fixed_deque.h"
#include "pathfind/path_nodes.h"

// The set-up record the caller fills.
struct PlannerParams {
  int32_t startX;
  int32_t startY;
  int32_t goalX;
  int32_t goalY;
  uint8_t diagonalCost;   // 1: a diagonal step costs the cell's cost times the diagonal factor
  uint8_t diagonalMoves;  // 1: the four diagonal neighbours are searched too
  int32_t poolSize;       // nodes to reserve; 0 means width * height
  int32_t openCapacity;   // capacity of the open list; 0 means width * height
  int32_t hashBits;       // the closed set has 2^hashBits buckets (at most 24, even)
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
  // As Clear, then every buffer is freed.
  virtual ~Planner();
  Planner(const Planner&) = delete;
  Planner& operator=(const Planner&) = delete;

  // Validates the request, normalises the grid and reserves the pool, the
  // open list and the closed set. False, with nothing changed, for a start
  // or goal outside the grid, start = goal, no cost grid, a negative size, or
  // more than 2^31 - 1 cells; false with the grid kept when no cell is open;
  // false with the grid released when memory for the search cannot be had.
  bool Setup(const PlannerParams& request);
  // Starts a search: clears the finished flag, the search-call counter and
  // the result.
  virtual void Reset();
  // Runs the whole search. False when it stopped because the node pool or
  // the open list ran out (then there is no result).
  virtual bool Search() = 0;
  // Gives every node of the open list and the closed set back to the pool
  // and empties both; no result, finished.
  virtual void Clear();

  // g of the result, or -1 without one.
  float PathCost() const;
  // The nodes on the result's parent chain, start and goal included; 0
  // without a result.
  uint32_t PathLength() const;
  uint32_t OpenCount() const { return open.Size(); }
  uint32_t ClosedCount() const { return closed.Count(); }
  // Frees the normalised grid and zeroes the counter, the result and the
  // parameter copy.
  void ReleaseGrid();

  uint8_t finished = 1;        // 1 when no search is running
  NodeFactory pool;
  PlannerParams params{};
  // width * height normalised costs. While there is none the parameter copy
  // is zeroed (width 0), so a search looks at no neighbour.
  float* grid = nullptr;
  int32_t searchCalls = 0;
  FixedDeque<Node*> open;      // descending f from front to back
  NodeHashTable closed;
  Node* result = nullptr;      // the goal node once reached
};

class AStarPlanner : public Planner {
 public:
  // Also puts a node for the start cell (no parent, g = 0) on the open list;
  // none when the pool has no node left.
  void Reset() override;
  // The search. The start is expanded whatever its own cost; a blocked cell
  // is never entered; the two cells beside a diagonal step are not looked
  // at. Among nodes of equal f the one inserted first is expanded first.
  bool Search() override;

 private:
  // Inserts the node before the first node of the open list whose f is not
  // greater than its own. False when the open list is full.
  bool OpenInsert(Node* node);
};
