// The scene of the sprite benchmarks: one 32 x 32 picture of varying colour
// and alpha, and where sprite i goes in a window, the same in every frame
// and for every count.
#pragma once

#include <cstdint>
#include <vector>

namespace sprite_scene {

inline constexpr int kSide = 32;

// Pixel (x, y) of the picture, rows from the top: R, G, B, A.
inline void PicturePixel(int x, int y, uint8_t out[4]) {
  out[0] = static_cast<uint8_t>(x * 8);
  out[1] = static_cast<uint8_t>(y * 8);
  out[2] = static_cast<uint8_t>(255 - x * 4);
  out[3] = static_cast<uint8_t>(64 + (x + y) * 3);
}

// The top-left corner of sprite i in a window of width x height: spread
// over the whole window.
inline void Place(int i, int width, int height, int32_t* x, int32_t* y) {
  *x = static_cast<int32_t>((static_cast<int64_t>(i) * 7919) % (width - kSide));
  *y = static_cast<int32_t>((static_cast<int64_t>(i) * 104729) % (height - kSide));
}

// The places of the first sprites, kept from frame to frame.
struct Places {
  std::vector<int32_t> x;
  std::vector<int32_t> y;

  // Makes sure the first count places are there.
  void Cover(int count, int width, int height) {
    for (int i = static_cast<int>(x.size()); i < count; ++i) {
      x.push_back(0);
      y.push_back(0);
      Place(i, width, height, &x.back(), &y.back());
    }
  }
};

}  // namespace sprite_scene
