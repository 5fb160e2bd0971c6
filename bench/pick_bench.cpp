// Ray picks against a scene of many small objects: the engine driven
// through its 3D commands as a game picks (each object's place and turn,
// then its line test; the nearest hit ahead wins) side by side with a
// plain Moller-Trumbore picker written here, which keeps each object's
// turn as a matrix, its triangles packed and their bounding box, and
// tests an object's triangles only when the ray meets the box. The same
// picker without the box is measured too.
//
// Scene: 100 objects, each its own 500-triangle torus with bumps (built
// node by node with the build commands, about 2.8 across), placed at
// random in a cube and turned about a random axis. 150 rays from a camera
// outside the cube: half towards object centres, half towards random
// points. Before timing, every ray must hit the same object in both
// pickers, at distances within 0.002 (same_hits 1; otherwise the benchmark
// fails). boxes_per_ray counts the objects whose box a ray meets.
//
// Arguments: the order, and the cube's side. In batches (1) each object is
// placed once and tested with all 150 rays, as a program picking many rays
// a frame does; single picks (0) place every object again for each ray, as
// a program picking one ray at a time must, and so also measure the
// transform stack's composing of each place and turn, which the
// reference, keeping its matrices, does not do. A cube of side 40 leaves
// the objects sparse (a ray meets about one box: the cost is mostly each
// object's own set-up); one of side 20 packs them eight times as densely.
//
// Rounds take turns (engine, reference, reference without the box), each
// picking the 150 rays over and over for about 40 ms; picks (rays against
// the whole scene) per second of each, and the ratio engine / reference,
// are reported as the medians of the rounds, with the lowest and highest
// ratio.
//
// Instruction counts, which the machine's load does not change: with the
// environment variable VNL_PICK_PASSES set to n, each round makes exactly
// n passes of the rays instead of running for its time. Run one case
// under callgrind, collecting one picker's passes, e.g.
//   VNL_PICK_PASSES=2 valgrind --tool=callgrind
//     --toggle-collect='*Bench::EnginePass*' build/bench/pick_bench
//     --benchmark_filter='BM_RayPicks/0/40/'
// (ReferencePass for the reference with its box): the instructions
// collected, divided by 11 rounds times n passes times 150 rays, are the
// instructions of one pick (and by 100 more, of one object's test).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "gfx3d/commands3d.h"
#include "gfx3d/dodevudi3d.h"
#include "process/app_globals.h"

namespace {

constexpr int kObjects = 100;
constexpr int kRays = 150;
constexpr int kAround = 25;  // quads around the torus's ring
constexpr int kAcross = 10;  // quads around its tube
constexpr int kRounds = 11;
constexpr double kRoundMillis = 40.0;
constexpr int kFirstSlot = 1;

struct Vec {
  float x, y, z;
};

Vec Sub(Vec a, Vec b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
float Dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec Cross(Vec a, Vec b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }

struct Placed {
  Vec place;
  float angle;  // degrees
  Vec axis;     // unit
  // The reference's own: the turn as a matrix (rows), the box, the triangles.
  float turn[3][3];
  Vec lo, hi;
  std::vector<float> corners;  // nine floats a triangle
};

struct Ray {
  Vec origin;
  Vec direction;  // unit
};

struct Hit {
  int object = -1;
  float distance = 0.0f;
};

// The rotation glRotate builds, in double, rounded to floats.
void TurnMatrix(float angle, Vec axis, float out[3][3]) {
  const double r = angle * 3.14159265358979323846 / 180.0;
  const double c = std::cos(r);
  const double s = std::sin(r);
  const double k = 1.0 - c;
  const double x = axis.x, y = axis.y, z = axis.z;
  const double m[3][3] = {{x * x * k + c, x * y * k - z * s, x * z * k + y * s},
                          {y * x * k + z * s, y * y * k + c, y * z * k - x * s},
                          {z * x * k - y * s, z * y * k + x * s, z * z * k + c}};
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) out[i][j] = static_cast<float>(m[i][j]);
  }
}

// A point of object o's bumpy torus at ring step i and tube step j.
Vec TorusPoint(int o, int i, int j) {
  const double a = 2.0 * 3.14159265358979323846 * (i % kAround) / kAround;
  const double b = 2.0 * 3.14159265358979323846 * (j % kAcross) / kAcross;
  const double bump = 0.08 * std::sin(3.0 * a + o) * std::cos(2.0 * b + 0.5 * o);
  const double tube = 0.4 + bump;
  const double ring = 1.0 + tube * std::cos(b);
  return {static_cast<float>(ring * std::cos(a)), static_cast<float>(ring * std::sin(a)),
          static_cast<float>(tube * std::sin(b))};
}

class Bench {
 public:
  Bench() : engine_(nullptr) { g_app.engine3d = &engine_; }
  ~Bench() { g_app.engine3d = nullptr; }

  void Build(float side) {
    std::mt19937 random(25);
    std::uniform_real_distribution<float> inCube(-side / 2.0f, side / 2.0f);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    std::uniform_real_distribution<float> turn(-180.0f, 180.0f);
    // The build commands write a line for each vertex to the standard output.
    std::fflush(stdout);
    const int saved = dup(1);
    const int devNull = open("/dev/null", O_WRONLY);
    dup2(devNull, 1);
    objects_.resize(kObjects);
    for (int o = 0; o < kObjects; ++o) {
      Placed& p = objects_[o];
      p.place = {inCube(random), inCube(random), inCube(random)};
      p.angle = turn(random);
      for (;;) {
        const Vec v = {unit(random), unit(random), unit(random)};
        const float q = Dot(v, v);
        if (q < 0.01f || q > 1.0f) continue;
        const float k = 1.0f / std::sqrt(q);
        p.axis = {v.x * k, v.y * k, v.z * k};
        break;
      }
      TurnMatrix(p.angle, p.axis, p.turn);
      p.lo = {1e30f, 1e30f, 1e30f};
      p.hi = {-1e30f, -1e30f, -1e30f};
      ObjectBuildBegin(static_cast<uint32_t>(kFirstSlot + o));
      for (int i = 0; i < kAround; ++i) {
        for (int j = 0; j < kAcross; ++j) {
          const Vec quad[4] = {TorusPoint(o, i, j), TorusPoint(o, i + 1, j), TorusPoint(o, i + 1, j + 1),
                               TorusPoint(o, i, j + 1)};
          for (int c : {0, 1, 2, 0, 2, 3}) {
            const Vec v = quad[c];
            ObjectBuildVertex(v.x, v.y, v.z, 0.0, 0.0, 0xFFFFFF);
            p.corners.insert(p.corners.end(), {v.x, v.y, v.z});
            p.lo = {std::min(p.lo.x, v.x), std::min(p.lo.y, v.y), std::min(p.lo.z, v.z)};
            p.hi = {std::max(p.hi.x, v.x), std::max(p.hi.y, v.y), std::max(p.hi.z, v.z)};
          }
        }
      }
      ObjectBuildEnd();
    }
    std::fflush(stdout);
    dup2(saved, 1);
    close(saved);
    close(devNull);
    const Vec camera = {0.0f, 0.0f, -60.0f};
    std::uniform_real_distribution<float> jitter(-1.0f, 1.0f);
    for (int r = 0; r < kRays; ++r) {
      Vec target = {inCube(random), inCube(random), inCube(random)};
      if (r % 2 == 0) {
        const Vec centre = objects_[static_cast<size_t>(random() % kObjects)].place;
        target = {centre.x + jitter(random), centre.y + jitter(random), centre.z + jitter(random)};
      }
      Vec d = Sub(target, camera);
      const float k = 1.0f / std::sqrt(Dot(d, d));
      rays_.push_back({camera, {d.x * k, d.y * k, d.z * k}});
    }
  }

  // The engine, as a game picks: each object's place and turn, then its
  // line test; the nearest distance ahead wins. In batches, each object is
  // placed once and tested with every ray; single picks place every object
  // for each ray.
  void EnginePicks(bool batch, std::vector<Hit>& best) {
    best.assign(rays_.size(), Hit{});
    if (batch) {
      for (int o = 0; o < kObjects; ++o) {
        Place(o);
        for (size_t r = 0; r < rays_.size(); ++r) EngineTest(o, rays_[r], best[r]);
      }
      return;
    }
    for (size_t r = 0; r < rays_.size(); ++r) {
      for (int o = 0; o < kObjects; ++o) {
        Place(o);
        EngineTest(o, rays_[r], best[r]);
      }
    }
  }

  void Place(int o) const {
    const Placed& p = objects_[o];
    X3DPosition(p.place.x, p.place.y, p.place.z);
    X3DRotate(p.angle, p.axis.x, p.axis.y, p.axis.z);
  }

  static void EngineTest(int o, const Ray& ray, Hit& best) {
    const double d = Object3DCollideLine(static_cast<uint32_t>(kFirstSlot + o), 0, ray.origin.x, ray.origin.y,
                                         ray.origin.z, ray.direction.x, ray.direction.y, ray.direction.z);
    if (d > 0.0 && (best.object < 0 || d < best.distance)) best = {o, static_cast<float>(d)};
  }

  // The plain picker, in the same two orders.
  void ReferencePicks(bool batch, bool boxes, std::vector<Hit>& best) const {
    best.assign(rays_.size(), Hit{});
    if (batch) {
      for (int o = 0; o < kObjects; ++o) {
        for (size_t r = 0; r < rays_.size(); ++r) ReferenceTest(o, rays_[r], boxes, best[r]);
      }
      return;
    }
    for (size_t r = 0; r < rays_.size(); ++r) {
      for (int o = 0; o < kObjects; ++o) ReferenceTest(o, rays_[r], boxes, best[r]);
    }
  }

  // The ray into the object's space, the box, then Moller-Trumbore over
  // the object's triangles.
  void ReferenceTest(int o, const Ray& ray, bool boxes, Hit& best) const {
    const Placed& p = objects_[o];
    const Vec rel = Sub(ray.origin, p.place);
    // The turn's transpose takes world vectors into the object's space.
    const Vec org = {p.turn[0][0] * rel.x + p.turn[1][0] * rel.y + p.turn[2][0] * rel.z,
                     p.turn[0][1] * rel.x + p.turn[1][1] * rel.y + p.turn[2][1] * rel.z,
                     p.turn[0][2] * rel.x + p.turn[1][2] * rel.y + p.turn[2][2] * rel.z};
    const Vec& w = ray.direction;
    const Vec dir = {p.turn[0][0] * w.x + p.turn[1][0] * w.y + p.turn[2][0] * w.z,
                     p.turn[0][1] * w.x + p.turn[1][1] * w.y + p.turn[2][1] * w.z,
                     p.turn[0][2] * w.x + p.turn[1][2] * w.y + p.turn[2][2] * w.z};
    if (boxes && !MeetsBox(org, dir, p.lo, p.hi)) return;
    const float* c = p.corners.data();
    const size_t n = p.corners.size();
    for (size_t i = 0; i < n; i += 9) {
      const Vec v0 = {c[i], c[i + 1], c[i + 2]};
      const Vec e1 = Sub({c[i + 3], c[i + 4], c[i + 5]}, v0);
      const Vec e2 = Sub({c[i + 6], c[i + 7], c[i + 8]}, v0);
      const Vec pv = Cross(dir, e2);
      const float det = Dot(e1, pv);
      if (std::fabs(det) < 1e-12f) continue;
      const float inv = 1.0f / det;
      const Vec tv = Sub(org, v0);
      const float u = Dot(tv, pv) * inv;
      if (u < 0.0f || u > 1.0f) continue;
      const Vec qv = Cross(tv, e1);
      const float v = Dot(dir, qv) * inv;
      if (v < 0.0f || u + v > 1.0f) continue;
      const float t = Dot(e2, qv) * inv;
      if (t > 1e-6f && (best.object < 0 || t < best.distance)) best = {o, t};
    }
  }

  // Slabs: the ray (t >= 0) meets the box.
  static bool MeetsBox(Vec o, Vec d, Vec lo, Vec hi) {
    float near = 0.0f;
    float far = 1e30f;
    const float os[3] = {o.x, o.y, o.z};
    const float ds[3] = {d.x, d.y, d.z};
    const float los[3] = {lo.x, lo.y, lo.z};
    const float his[3] = {hi.x, hi.y, hi.z};
    for (int k = 0; k < 3; ++k) {
      const float inv = 1.0f / ds[k];
      float t0 = (los[k] - os[k]) * inv;
      float t1 = (his[k] - os[k]) * inv;
      if (t0 > t1) std::swap(t0, t1);
      near = std::max(near, t0);
      far = std::min(far, t1);
      if (near > far) return false;
    }
    return true;
  }

  double BoxesPerRay() const {
    int64_t met = 0;
    for (const Ray& ray : rays_) {
      for (const Placed& p : objects_) {
        const Vec rel = Sub(ray.origin, p.place);
        const Vec& w = ray.direction;
        const Vec org = {p.turn[0][0] * rel.x + p.turn[1][0] * rel.y + p.turn[2][0] * rel.z,
                         p.turn[0][1] * rel.x + p.turn[1][1] * rel.y + p.turn[2][1] * rel.z,
                         p.turn[0][2] * rel.x + p.turn[1][2] * rel.y + p.turn[2][2] * rel.z};
        const Vec dir = {p.turn[0][0] * w.x + p.turn[1][0] * w.y + p.turn[2][0] * w.z,
                         p.turn[0][1] * w.x + p.turn[1][1] * w.y + p.turn[2][1] * w.z,
                         p.turn[0][2] * w.x + p.turn[1][2] * w.y + p.turn[2][2] * w.z};
        met += MeetsBox(org, dir, p.lo, p.hi) ? 1 : 0;
      }
    }
    return static_cast<double>(met) / kRays;
  }

  // 1 when every ray hits the same object in both pickers, within 0.002,
  // in both orders.
  bool SameHits(int* hits) {
    std::vector<Hit> e, eSingle, r, all;
    EnginePicks(true, e);
    EnginePicks(false, eSingle);
    ReferencePicks(true, true, r);
    ReferencePicks(false, false, all);
    *hits = 0;
    for (size_t i = 0; i < rays_.size(); ++i) {
      if (e[i].object != r[i].object || eSingle[i].object != r[i].object || all[i].object != r[i].object) return false;
      if (std::fabs(e[i].distance - r[i].distance) > 0.002f || eSingle[i].distance != e[i].distance ||
          all[i].distance != r[i].distance) {
        return false;
      }
      *hits += e[i].object >= 0 ? 1 : 0;
    }
    return true;
  }

  // One pass of the rays through each picker, each a function of its own
  // so that callgrind can count each picker's instructions alone (see the
  // top of the file).
  [[gnu::noinline]] void EnginePass(bool batch, std::vector<Hit>& best) { EnginePicks(batch, best); }
  [[gnu::noinline]] void ReferencePass(bool batch, std::vector<Hit>& best) const {
    ReferencePicks(batch, true, best);
  }
  [[gnu::noinline]] void UnboxedPass(bool batch, std::vector<Hit>& best) const {
    ReferencePicks(batch, false, best);
  }

  // Picks a second of one picker (0 engine, 1 reference, 2 reference
  // without boxes), over whole passes of the rays for about a round's time.
  // With passes above 0, exactly that many passes.
  double PicksPerSecond(int which, bool batch, int passes) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    int64_t picks = 0;
    double elapsed = 0.0;
    std::vector<Hit> best;
    do {
      if (which == 0) {
        EnginePass(batch, best);
      } else if (which == 1) {
        ReferencePass(batch, best);
      } else {
        UnboxedPass(batch, best);
      }
      benchmark::DoNotOptimize(best.data());
      picks += kRays;
      elapsed = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    } while (passes > 0 ? picks < int64_t{passes} * kRays : elapsed < kRoundMillis);
    return static_cast<double>(picks) * 1000.0 / elapsed;
  }

 private:
  Dodevudi3D engine_;
  std::vector<Placed> objects_;
  std::vector<Ray> rays_;
};

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// Arguments: 1 in batches, 0 single picks; the cube's side.
void BM_RayPicks(benchmark::State& state) {
  const bool batch = state.range(0) != 0;
  Bench bench;
  bench.Build(static_cast<float>(state.range(1)));
  int hits = 0;
  if (!bench.SameHits(&hits)) {
    state.SkipWithError("the engine and the reference hit differently");
    return;
  }
  const char* passesText = std::getenv("VNL_PICK_PASSES");
  const int passes = passesText != nullptr ? std::max(0, std::atoi(passesText)) : 0;
  std::vector<double> engine, reference, unboxed, ratios, unboxedRatios;
  for (auto _ : state) {
    for (int round = 0; round < kRounds; ++round) {
      engine.push_back(bench.PicksPerSecond(0, batch, passes));
      reference.push_back(bench.PicksPerSecond(1, batch, passes));
      unboxed.push_back(bench.PicksPerSecond(2, batch, passes));
      ratios.push_back(engine.back() / reference.back());
      unboxedRatios.push_back(engine.back() / unboxed.back());
    }
  }
  state.counters["same_hits"] = 1;
  state.counters["rays_hitting"] = hits;
  state.counters["boxes_per_ray"] = bench.BoxesPerRay();
  state.counters["engine_picks_s"] = Median(engine);
  state.counters["ref_picks_s"] = Median(reference);
  state.counters["ref_nobox_picks_s"] = Median(unboxed);
  state.counters["ratio"] = Median(ratios);
  state.counters["ratio_low"] = *std::min_element(ratios.begin(), ratios.end());
  state.counters["ratio_high"] = *std::max_element(ratios.begin(), ratios.end());
  state.counters["ratio_nobox"] = Median(unboxedRatios);
}
BENCHMARK(BM_RayPicks)
    ->Args({1, 40})
    ->Args({0, 40})
    ->Args({1, 20})
    ->Args({0, 20})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace
