// The first shadow-volume draw of a model builds its edge list: the
// builder against the first, quadratic one over closed tori of growing
// size (each pair builds the same list of the same model).
#include <benchmark/benchmark.h>

#include <cstdint>

#include "gfx3d/edge_lists.h"
#include "gfx3d/mesh_records.h"
#include "bench/edge_list_models.h"

namespace {

// A torus of side x side quads: 6 * side * side triangle-list nodes.
void EdgeList(benchmark::State& state, void (*build)(MeshObject&)) {
  const int32_t side = static_cast<int32_t>(state.range(0));
  MeshObjectX mesh;
  SetTorusTriangles(mesh, side, side);
  for (auto _ : state) {
    mesh.edges.Clear();
    build(mesh);
    benchmark::DoNotOptimize(mesh.edges.data);
  }
  state.counters["nodes"] = mesh.frames[0].triangles.count;
}

void BM_EdgeList_Hashed(benchmark::State& state) { EdgeList(state, MeshBuildEdgeList); }
void BM_EdgeList_Quadratic(benchmark::State& state) { EdgeList(state, MeshBuildEdgeListQuadratic); }

// 20 x 20 quads: 2,400 nodes; 58 x 58: 20,184 nodes.
BENCHMARK(BM_EdgeList_Hashed)->Arg(20)->Arg(58)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EdgeList_Quadratic)->Arg(20)->Arg(58)->Unit(benchmark::kMillisecond);
// The new builder alone on a model of a million nodes (about 85 MB).
BENCHMARK(BM_EdgeList_Hashed)->Arg(409)->Unit(benchmark::kMillisecond);

}  // namespace
