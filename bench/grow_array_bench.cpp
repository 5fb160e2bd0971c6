// The engine's growable array against std::vector and against the array as
// it was before its block grew geometrically (a block exactly the capacity,
// rebuilt on every step), pushing one element at a time: 1M ints, and 1M
// mesh nodes as ObjectBuildVertex pushes them. The last pair builds a
// model through ObjectBuildVertex itself (its trace lines go to
// /dev/null), beside the same pushes into a std::vector.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <new>
#include <vector>

#include "core/grow_array.h"
#include "gfx3d/dodevudi3d.h"
#include "gfx3d/mesh_build.h"
#include "gfx3d/mesh_records.h"
#include "gfx3d/object_load.h"

namespace {

constexpr int32_t kPushes = 1000000;

// The array's growth before: the block is exactly the capacity, so every
// step of the capacity (128 elements past the first 512) rebuilds it.
template <typename T>
struct SteppedArray {
  T* data = nullptr;
  int32_t count = 0;
  int32_t capacity = 0;
  int32_t step = 128;
  int32_t first = 512;

  ~SteppedArray() { delete[] data; }
  bool Push(const T& x) {
    if (count >= capacity) {
      const int32_t n = count + 1;  // room for the index past the new element, as GrowArray::Push asks
      const int32_t wanted = first >= n ? first : step * (n / step + 1);
      T* block = new (std::nothrow) T[static_cast<size_t>(wanted)];
      if (block == nullptr) return false;
      for (int32_t i = 0; i < count; ++i) block[i] = data[i];
      delete[] data;
      data = block;
      capacity = wanted;
    }
    data[count++] = x;
    return true;
  }
};

template <typename Array, typename T>
void PushAll(benchmark::State& state, const T& value) {
  const int32_t n = static_cast<int32_t>(state.range(0));
  for (auto _ : state) {
    Array a;
    for (int32_t i = 0; i < n; ++i) a.Push(value);
    benchmark::DoNotOptimize(a.data);
  }
}

template <typename T>
void PushAllVector(benchmark::State& state, const T& value) {
  const int32_t n = static_cast<int32_t>(state.range(0));
  for (auto _ : state) {
    std::vector<T> v;
    for (int32_t i = 0; i < n; ++i) v.push_back(value);
    benchmark::DoNotOptimize(v.data());
  }
}

MeshNode SomeNode() {
  MeshNode node;
  node.position[0] = 1.0f;
  MeshNodeSetColour(node, 0x336699);
  return node;
}

void BM_PushInts_GrowArray(benchmark::State& state) { PushAll<GrowArray<int32_t>>(state, int32_t{7}); }
void BM_PushInts_Vector(benchmark::State& state) { PushAllVector(state, int32_t{7}); }
void BM_PushInts_Stepped(benchmark::State& state) { PushAll<SteppedArray<int32_t>>(state, int32_t{7}); }
void BM_PushNodes_GrowArray(benchmark::State& state) { PushAll<GrowArray<MeshNode>>(state, SomeNode()); }
void BM_PushNodes_Vector(benchmark::State& state) { PushAllVector(state, SomeNode()); }
void BM_PushNodes_Stepped(benchmark::State& state) { PushAll<SteppedArray<MeshNode>>(state, SomeNode()); }

BENCHMARK(BM_PushInts_GrowArray)->Arg(kPushes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PushInts_Vector)->Arg(kPushes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PushInts_Stepped)->Arg(kPushes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PushNodes_GrowArray)->Arg(kPushes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PushNodes_Vector)->Arg(kPushes)->Unit(benchmark::kMillisecond);
// The quadratic growth: a tenth of the nodes already takes as long as the
// others do with all of them.
BENCHMARK(BM_PushNodes_Stepped)->Arg(kPushes / 10)->Unit(benchmark::kMillisecond);

// Standard output goes to /dev/null while it lives.
class QuietStdout {
 public:
  QuietStdout() {
    std::fflush(stdout);
    saved_ = dup(1);
    const int null = open("/dev/null", O_WRONLY);
    if (null >= 0) {
      dup2(null, 1);
      close(null);
    }
  }
  ~QuietStdout() {
    std::fflush(stdout);
    if (saved_ >= 0) {
      dup2(saved_, 1);
      close(saved_);
    }
  }

 private:
  int saved_ = -1;
};

// A model of n nodes built node by node into object slot 1.
void BM_BuildVertices_ObjectBuildVertex(benchmark::State& state) {
  const int32_t n = static_cast<int32_t>(state.range(0));
  Dodevudi3D engine(nullptr);
  QuietStdout quiet;
  for (auto _ : state) {
    ObjectBuildBegin(&engine, 1, 0);
    for (int32_t i = 0; i < n; ++i) {
      ObjectBuildVertex(&engine, static_cast<float>(i), 0.0f, 0.0f, 0.0f, 0.0f, 0x336699);
    }
    benchmark::DoNotOptimize(engine.objects[1].meshes[0].frames[0].nodes.data);
    g_objectBeingBuilt = -1;
    Object3DReset(&engine, 1);
  }
}

// The same nodes and trace lines into a std::vector.
void BM_BuildVertices_Vector(benchmark::State& state) {
  const int32_t n = static_cast<int32_t>(state.range(0));
  QuietStdout quiet;
  MeshNode node = SomeNode();
  for (auto _ : state) {
    std::vector<MeshNode> nodes;
    for (int32_t i = 0; i < n; ++i) {
      node.position[0] = static_cast<float>(i);
      MeshNodeSetColour(node, 0x336699);
      nodes.push_back(node);
      std::printf("%d %d\n", 0, static_cast<int>(nodes.size()));
    }
    benchmark::DoNotOptimize(nodes.data());
  }
}

BENCHMARK(BM_BuildVertices_ObjectBuildVertex)->Arg(kPushes / 10)->Arg(kPushes / 10 * 3)->Arg(kPushes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildVertices_Vector)->Arg(kPushes / 10)->Arg(kPushes)->Unit(benchmark::kMillisecond);

}  // namespace
