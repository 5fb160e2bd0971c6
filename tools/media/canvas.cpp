#include "tools/media/canvas.h"

#include <png.h>

#include <algorithm>
#include <cmath>

Canvas::Canvas(int w, int h, uint32_t fill) : width(w), height(h), pixels(static_cast<size_t>(w) * h, fill) {}

uint32_t Canvas::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return kKey;
  return pixels[static_cast<size_t>(y) * width + x];
}

void Canvas::Set(int x, int y, uint32_t colour) {
  if (x < 0 || y < 0 || x >= width || y >= height) return;
  pixels[static_cast<size_t>(y) * width + x] = colour;
}

void FillRect(Canvas& c, int x, int y, int w, int h, uint32_t colour) {
  for (int j = y; j < y + h; ++j) {
    for (int i = x; i < x + w; ++i) c.Set(i, j, colour);
  }
}

void FillEllipse(Canvas& c, double cx, double cy, double rx, double ry, uint32_t colour) {
  if (rx <= 0 || ry <= 0) return;
  const int x0 = static_cast<int>(std::floor(cx - rx));
  const int x1 = static_cast<int>(std::ceil(cx + rx));
  const int y0 = static_cast<int>(std::floor(cy - ry));
  const int y1 = static_cast<int>(std::ceil(cy + ry));
  for (int y = y0; y <= y1; ++y) {
    for (int x = x0; x <= x1; ++x) {
      const double dx = (x + 0.5 - cx) / rx;
      const double dy = (y + 0.5 - cy) / ry;
      if (dx * dx + dy * dy <= 1.0) c.Set(x, y, colour);
    }
  }
}

void FillDisc(Canvas& c, double cx, double cy, double r, uint32_t colour) { FillEllipse(c, cx, cy, r, r, colour); }

void DrawLine(Canvas& c, Point a, Point b, double thickness, uint32_t colour) {
  const double r = thickness / 2;
  const double length = std::hypot(b.x - a.x, b.y - a.y);
  const int steps = std::max(1, static_cast<int>(std::ceil(length * 2)));
  for (int s = 0; s <= steps; ++s) {
    const double t = static_cast<double>(s) / steps;
    const double x = a.x + (b.x - a.x) * t;
    const double y = a.y + (b.y - a.y) * t;
    if (r <= 0.5) {
      c.Set(static_cast<int>(std::floor(x)), static_cast<int>(std::floor(y)), colour);
    } else {
      FillDisc(c, x, y, r, colour);
    }
  }
}

void FillPolygon(Canvas& c, const std::vector<Point>& points, uint32_t colour) {
  const size_t n = points.size();
  if (n < 3) return;
  for (int y = 0; y < c.height; ++y) {
    const double py = y + 0.5;
    std::vector<double> crossings;
    for (size_t i = 0; i < n; ++i) {
      const Point p = points[i];
      const Point q = points[(i + 1) % n];
      if ((p.y <= py && q.y > py) || (q.y <= py && p.y > py)) {
        crossings.push_back(p.x + (py - p.y) / (q.y - p.y) * (q.x - p.x));
      }
    }
    std::sort(crossings.begin(), crossings.end());
    for (size_t i = 0; i + 1 < crossings.size(); i += 2) {
      for (int x = 0; x < c.width; ++x) {
        const double px = x + 0.5;
        if (px >= crossings[i] && px < crossings[i + 1]) c.Set(x, y, colour);
      }
    }
  }
}

void Outline(Canvas& c, int x, int y, int w, int h, uint32_t colour) {
  const Canvas before = c;
  auto painted = [&](int i, int j) {
    return i >= x && j >= y && i < x + w && j < y + h && before.At(i, j) != kKey;
  };
  for (int j = y; j < y + h; ++j) {
    for (int i = x; i < x + w; ++i) {
      if (before.At(i, j) != kKey) continue;
      if (painted(i - 1, j) || painted(i + 1, j) || painted(i, j - 1) || painted(i, j + 1)) c.Set(i, j, colour);
    }
  }
}

void CopyMirrored(Canvas& c, int sx, int sy, int w, int h, int dx, int dy) {
  const Canvas before = c;
  for (int j = 0; j < h; ++j) {
    for (int i = 0; i < w; ++i) c.Set(dx + w - 1 - i, dy + j, before.At(sx + i, sy + j));
  }
}

void CopyRect(const Canvas& from, int sx, int sy, int w, int h, Canvas& to, int dx, int dy) {
  for (int j = 0; j < h; ++j) {
    for (int i = 0; i < w; ++i) to.Set(dx + i, dy + j, from.At(sx + i, sy + j));
  }
}

uint32_t Mix(uint32_t a, uint32_t b, double t) {
  uint32_t out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const double ca = (a >> shift) & 0xFF;
    const double cb = (b >> shift) & 0xFF;
    const double v = std::clamp(ca + (cb - ca) * t, 0.0, 255.0);
    out |= static_cast<uint32_t>(std::lround(v)) << shift;
  }
  return out;
}

bool SavePng(const Canvas& c, const std::string& path) {
  std::vector<uint8_t> rgb;
  rgb.reserve(c.pixels.size() * 3);
  for (uint32_t p : c.pixels) {
    rgb.push_back(static_cast<uint8_t>(p >> 16));
    rgb.push_back(static_cast<uint8_t>(p >> 8));
    rgb.push_back(static_cast<uint8_t>(p));
  }
  png_image image = {};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(c.width);
  image.height = static_cast<png_uint_32>(c.height);
  image.format = PNG_FORMAT_RGB;
  const bool ok = png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), 0, nullptr) != 0;
  png_image_free(&image);
  return ok;
}
