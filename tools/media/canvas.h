// A small RGB painting surface for the game's generated pictures, and the
// PNG file it is saved to. Colours are 0xRRGGBB; kKey marks the pixels the
// game's loader makes transparent.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

inline constexpr uint32_t kKey = 0xFF0080;

struct Point {
  double x;
  double y;
};

struct Canvas {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;  // rows from the top

  Canvas(int w, int h, uint32_t fill = kKey);

  uint32_t At(int x, int y) const;
  // Pixels outside the canvas are ignored.
  void Set(int x, int y, uint32_t colour);
};

void FillRect(Canvas& c, int x, int y, int w, int h, uint32_t colour);
void FillEllipse(Canvas& c, double cx, double cy, double rx, double ry, uint32_t colour);
void FillDisc(Canvas& c, double cx, double cy, double r, uint32_t colour);
// A line of the given thickness with round ends.
void DrawLine(Canvas& c, Point a, Point b, double thickness, uint32_t colour);
// A filled polygon (even-odd rule, pixel centres).
void FillPolygon(Canvas& c, const std::vector<Point>& points, uint32_t colour);

// Gives every key pixel of the rectangle that touches a painted pixel (of
// the same rectangle, four neighbours) the outline colour.
void Outline(Canvas& c, int x, int y, int w, int h, uint32_t colour);

// Copies the rectangle at (sx, sy) to (dx, dy), mirrored left to right.
void CopyMirrored(Canvas& c, int sx, int sy, int w, int h, int dx, int dy);
// Copies a w x h rectangle from one canvas to another.
void CopyRect(const Canvas& from, int sx, int sy, int w, int h, Canvas& to, int dx, int dy);

// Mixes two colours: t = 0 gives a, 1 gives b.
uint32_t Mix(uint32_t a, uint32_t b, double t);

// Writes the canvas as an 8-bit RGB PNG file; false on failure.
bool SavePng(const Canvas& c, const std::string& path);
