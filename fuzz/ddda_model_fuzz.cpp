// Text models ("DDDA"): read from disk, from a memory file and from bytes
// in memory they must give the same document, and a document turned into
// a mesh must give one that can be drawn or a refusal.
#include <string>

#include "fuzz/fuzz_input.h"
#include "gfx3d/ddda_file.h"
#include "gfx3d/mesh_records.h"

namespace {

constexpr const char* kTarget = "ddda_model";

template <typename T>
void Put(std::string& out, const T& value) {
  out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

std::string DocumentDump(bool ok, const DddDocument& document) {
  std::string out(1, ok ? '1' : '0');
  Put(out, document.polygons.count);
  for (const DddPolygon& polygon : document.polygons) {
    Put(out, polygon.red);
    Put(out, polygon.green);
    Put(out, polygon.blue);
    Put(out, polygon.vertices.count);
    for (int32_t v : polygon.vertices) Put(out, v);
    Put(out, polygon.texcoords.count);
    for (int32_t t : polygon.texcoords) Put(out, t);
  }
  Put(out, document.texcoords.count);
  for (const DddTexcoord& t : document.texcoords) {
    Put(out, t.u);
    Put(out, t.v);
  }
  Put(out, document.vertexFrames.count);
  for (const GrowArray<DddVertex>& frame : document.vertexFrames) {
    Put(out, frame.count);
    for (const DddVertex& v : frame) {
      for (float f : {v.x, v.y, v.z, v.nx, v.ny, v.nz}) Put(out, f);
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = FuzzWriteFile("model.ddda", data, size);
  const FuzzMemoryFile memory(data, size);

  DddDocument fromDisk;
  DddDocument fromMemory;
  DddDocument fromBytes;
  const bool diskOk = DddReadAscii(fromDisk, path.c_str());
  const bool memoryOk = DddReadAscii(fromMemory, memory.name());
  const bool bytesOk = DddReadAsciiBytes(fromBytes, data, size);
  const std::string dump = DocumentDump(diskOk, fromDisk);
  FUZZ_CHECK(dump == DocumentDump(memoryOk, fromMemory), kTarget, "disk and memory file read differently");
  FUZZ_CHECK(dump == DocumentDump(bytesOk, fromBytes), kTarget, "a file and its bytes read differently");

  if (diskOk) {
    MeshObjectX mesh;
    if (DddDocumentToMesh(fromDisk, mesh)) {
      FUZZ_CHECK(mesh.frames.count == fromDisk.vertexFrames.count, kTarget, "the mesh has another frame count");
      FUZZ_CHECK(mesh.normalsValid == 1, kTarget, "a text model's mesh has no valid normals");
      mesh.BuildTriangles();
    } else {
      FUZZ_CHECK(mesh.frames.count == 0, kTarget, "a refused document left frames in the mesh");
    }
  }
  FuzzForgetErrorLog();
  return 0;
}
