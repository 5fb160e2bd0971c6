#include "core/isaac.h"

#include <cstring>

IsaacState g_isaacState = {};

uint32_t IsaacGenerate() {
  IsaacState& s = g_isaacState;
  uint32_t* m = s.memory;
  s.c += 1;
  uint32_t a = s.a;
  uint32_t b = s.b + s.c;
  // One step of the round; the shift of a depends on i mod 4.
  auto step = [&](int i, uint32_t mixed) {
    uint32_t x = m[i];
    a = mixed + m[(i + 128) & 255];
    uint32_t y = m[(x >> 2) & 255] + a + b;
    m[i] = y;
    b = m[(y >> 10) & 255] + x;
    s.results[i] = b;
  };
  for (int i = 0; i < kIsaacSize; i += 4) {
    step(i, a ^ (a << 13));
    step(i + 1, a ^ (a >> 6));
    step(i + 2, a ^ (a << 2));
    step(i + 3, a ^ (a >> 16));
  }
  s.a = a;
  s.b = b;
  return s.results[0];
}

namespace {

// The eight words of the initialisation mix.
struct Mix {
  uint32_t a, b, c, d, e, f, g, h;

  void Run() {
    a ^= b << 11; d += a; b += c;
    b ^= c >> 2;  e += b; c += d;
    c ^= d << 8;  f += c; d += e;
    d ^= e >> 16; g += d; e += f;
    e ^= f << 10; h += e; f += g;
    f ^= g >> 4;  a += f; g += h;
    g ^= h << 8;  b += g; h += a;
    h ^= a >> 9;  c += h; a += b;
  }

  void Add(const uint32_t* w) {
    a += w[0]; b += w[1]; c += w[2]; d += w[3];
    e += w[4]; f += w[5]; g += w[6]; h += w[7];
  }

  void Store(uint32_t* w) const {
    w[0] = a; w[1] = b; w[2] = c; w[3] = d;
    w[4] = e; w[5] = f; w[6] = g; w[7] = h;
  }
};

}  // namespace

void IsaacSeed(uint32_t seed) {
  IsaacState& s = g_isaacState;
  std::memset(&s, 0, sizeof s);
  const uint32_t golden = 0x9e3779b9u;
  Mix mix = {golden, golden, golden, golden, golden, golden, golden, golden};
  // The seed enters the mix once for every stretch of eight words.
  for (int i = 0; i < kIsaacSize; i += 8) {
    mix.a += seed;
    mix.Run();
    mix.Store(&s.memory[i]);
  }
  for (int k = 0; k < 4; ++k) mix.Run();
  for (int i = 0; i < kIsaacSize; i += 8) {
    mix.Add(&s.results[i]);
    mix.Run();
    mix.Store(&s.memory[i]);
  }
  for (int i = 0; i < kIsaacSize; i += 8) {
    mix.Add(&s.memory[i]);
    mix.Run();
    mix.Store(&s.memory[i]);
  }
  IsaacGenerate();
  s.count = kIsaacSize;
}

void RandomSeed(int32_t seed) { IsaacSeed(static_cast<uint32_t>(seed)); }

int32_t RandomInt(int32_t n) {
  if (n < 1) return 0;
  return static_cast<int32_t>(IsaacGenerate() % (static_cast<uint32_t>(n) + 1u));
}
