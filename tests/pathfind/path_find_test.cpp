#include "pathfind/path_find.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "core/array_ops.h"
#include "process/error_state.h"
#include "tests/pathfind/grid_text.h"

namespace {

constexpr int32_t kMarker = 42;
constexpr int32_t kFromGrid = std::numeric_limits<int32_t>::min();

template <typename T>
void DimGrid(RtArray<T>& a, const TextGrid& grid) {
  ArrayDimWith(a, grid.width, grid.height, 0, 0, ArrayGrowth::kRuleOf8);
  for (int32_t k = 0; k < grid.width * grid.height; ++k) a.data[k] = static_cast<T>(grid.costs[k]);
}

// The rows of a way array, (x, y) each.
template <typename T>
Cells Rows(RtArray<T>& way) {
  Cells cells;
  for (int32_t i = 0; i < way.d1; ++i) {
    cells.emplace_back(static_cast<int32_t>(*ArrayAt(way, i, 0, 0, 0)), static_cast<int32_t>(*ArrayAt(way, i, 1, 0, 0)));
  }
  return cells;
}

enum class Refusal { kNone, kKept, kEmptied };

struct CommandCase {
  const char* name;
  ::Rows grid;
  double weight;
  Cells way;        // empty when there is none
  Refusal refusal;  // what PathFind and PathFindIntGrid do to the way array without a way
  int32_t startX = kFromGrid;  // the start and goal columns, when not the grid's
  int32_t goalX = kFromGrid;
};

// Each variant on the same requests: the way as rows from the start to the
// goal, or 0 with the way array kept (a refused request) or emptied (an
// unreachable goal); PathFindDoubleWay always gives its array the new size.
TEST(PathFindTest, TheThreeVariantsWriteTheWayAsRowsOfCells) {
  const Cells detour = {{0, 0}, {0, 1}, {1, 1}, {2, 1}, {3, 1}, {4, 1}, {4, 0}};
  const Cells straight = {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}};
  const CommandCase cases[] = {
      {"two cells to the right", {"S.G"}, 0.5, {{0, 0}, {1, 0}, {2, 0}}, Refusal::kNone},
      {"around a wall", {"S#G", ".#.", "..."}, 0.5,
       {{0, 0}, {0, 1}, {0, 2}, {1, 2}, {2, 2}, {2, 1}, {2, 0}}, Refusal::kNone},
      {"start = goal", {"S.G"}, 0.5, {}, Refusal::kKept, kFromGrid, 0},
      {"start outside", {"S.G"}, 0.5, {}, Refusal::kKept, -1},
      {"goal outside", {"S.G"}, 0.5, {}, Refusal::kKept, kFromGrid, 3},
      {"no open cell", {"s#g"}, 0.5, {}, Refusal::kKept},
      {"goal walled off", {"S.#G"}, 0.5, {}, Refusal::kEmptied},
      {"weight 0.5", {"S999G", "....."}, 0.5, detour, Refusal::kNone},
      {"weight -2 acts as 0", {"S999G", "....."}, -2, detour, Refusal::kNone},
      {"weight 5 acts as 1", {"S999G", "....."}, 5, straight, Refusal::kNone},
      {"weight NaN acts as 1", {"S999G", "....."}, std::nan(""), straight, Refusal::kNone},
  };
  for (const CommandCase& c : cases) {
    SCOPED_TRACE(c.name);
    TextGrid grid = ParseGrid(c.grid);
    if (c.startX != kFromGrid) grid.startX = c.startX;
    if (c.goalX != kFromGrid) grid.goalX = c.goalX;
    const int32_t n = static_cast<int32_t>(c.way.size());
    auto expectWay = [&](auto& way, int32_t result, bool keptOnRefusal) {
      EXPECT_EQ(result, n);
      EXPECT_EQ(g_errorState.code, 0);
      if (n > 0) {
        EXPECT_EQ(way.d1, n);
        EXPECT_EQ(way.d2, 2);
        EXPECT_EQ(Rows(way), c.way);
      } else if (keptOnRefusal && c.refusal == Refusal::kKept) {
        EXPECT_EQ(way.d1, 1);
        EXPECT_EQ(*ArrayAt(way, 0, 0, 0, 0), kMarker);
      } else {
        EXPECT_EQ(way.d1, 0);
      }
    };
    ClearLastError();

    RtArray<double> doubles;
    DimGrid(doubles, grid);
    RtArray<int32_t> ints;
    DimGrid(ints, grid);
    RtArray<int32_t> way;
    RtArray<double> doubleWay;
    ArrayFillValues(way, 1, &kMarker);
    const double marker = kMarker;
    ArrayFillValues(doubleWay, 1, &marker);

    expectWay(way, PathFind(doubles, way, c.weight, grid.startX, grid.startY, grid.goalX, grid.goalY), true);
    ArrayFillValues(way, 1, &kMarker);
    expectWay(way, PathFindIntGrid(ints, way, c.weight, grid.startX, grid.startY, grid.goalX, grid.goalY), true);
    expectWay(doubleWay,
              PathFindDoubleWay(doubles, doubleWay, c.weight, grid.startX, grid.startY, grid.goalX, grid.goalY),
              false);
  }
}

TEST(PathFindTest, GridsOfTheWrongShapeFindNothing) {
  RtArray<double> never;
  RtArray<double> row;
  const double costs[] = {1, 1, 1};
  ArrayFillValues(row, 3, costs);  // one dimension: no rows of cells
  RtArray<int32_t> way;
  for (RtArray<double>* grid : {&never, &row}) {
    EXPECT_EQ(PathFind(*grid, way, 0.5, 0, 0, 2, 0), 0);
    EXPECT_EQ(way.data, nullptr);
  }
  RtArray<int32_t> intRow;
  ArrayDimInt(intRow, 3, 0, 0, 0);
  EXPECT_EQ(PathFindIntGrid(intRow, way, 0.5, 0, 0, 2, 0), 0);
}

TEST(PathFindTest, TheGridMayBeTheWayArrayItself) {
  const TextGrid grid = ParseGrid({"S.", "#G"});
  const Cells expected = {{0, 0}, {1, 0}, {1, 1}};
  RtArray<int32_t> ints;
  DimGrid(ints, grid);
  EXPECT_EQ(PathFindIntGrid(ints, ints, 0.5, 0, 0, 1, 1), 3);
  EXPECT_EQ(Rows(ints), expected);
  RtArray<double> doubles;
  DimGrid(doubles, grid);
  EXPECT_EQ(PathFindDoubleWay(doubles, doubles, 0.5, 0, 0, 1, 1), 3);
  EXPECT_EQ(Rows(doubles), expected);
}

}  // namespace
