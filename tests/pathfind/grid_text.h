// Small cost grids written as rows of text, for the path-finding tests.
//
// '.' costs 1, '1' to '9' cost that much, '#' costs 0 (blocked); 'S' and
// 'G' are the start and the goal at cost 1, 's' and 'g' a blocked start and
// goal.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

using Rows = std::vector<std::string>;
using Cells = std::vector<std::pair<int32_t, int32_t>>;

struct TextGrid {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<double> costs;  // cell (x, y) at y * width + x
  int32_t startX = -1;
  int32_t startY = -1;
  int32_t goalX = -1;
  int32_t goalY = -1;
};

inline TextGrid ParseGrid(const Rows& rows) {
  TextGrid grid;
  grid.height = static_cast<int32_t>(rows.size());
  grid.width = rows.empty() ? 0 : static_cast<int32_t>(rows[0].size());
  for (int32_t y = 0; y < grid.height; ++y) {
    for (int32_t x = 0; x < grid.width; ++x) {
      const char c = rows[y][x];
      double cost = 1;
      if (c == '#' || c == 's' || c == 'g') cost = 0;
      if (c >= '1' && c <= '9') cost = c - '0';
      if (c == 'S' || c == 's') grid.startX = x, grid.startY = y;
      if (c == 'G' || c == 'g') grid.goalX = x, grid.goalY = y;
      grid.costs.push_back(cost);
    }
  }
  return grid;
}

// The rows with every one of the cells marked '*'.
inline Rows MarkCells(Rows rows, const Cells& cells) {
  for (const auto& [x, y] : cells) rows[y][x] = '*';
  return rows;
}
