#include "gfx3d/ddd_file.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>

#include "files/error_log.h"
#include "files/file_write_back.h"
#include "files/memory_file.h"
#include "gfx3d/ddda_file.h"
#include "gfx3d/dodevudi3d.h"
#include "gfx3d/model_bytes.h"

// The 162 unit directions of the normal indices: the vertices of a
// subdivided icosahedron.
const float kDddNormals[kDddNormalCount][3] = {
    {-0.525731f, 0.000000f, 0.850651f},   {-0.442863f, 0.238856f, 0.864188f},   {-0.295242f, 0.000000f, 0.955423f},
    {-0.309017f, 0.500000f, 0.809017f},   {-0.162460f, 0.262866f, 0.951056f},   {0.000000f, 0.000000f, 1.000000f},
    {0.000000f, 0.850651f, 0.525731f},    {-0.147621f, 0.716567f, 0.681718f},   {0.147621f, 0.716567f, 0.681718f},
    {0.000000f, 0.525731f, 0.850651f},    {0.309017f, 0.500000f, 0.809017f},    {0.525731f, 0.000000f, 0.850651f},
    {0.295242f, 0.000000f, 0.955423f},    {0.442863f, 0.238856f, 0.864188f},    {0.162460f, 0.262866f, 0.951056f},
    {-0.681718f, 0.147621f, 0.716567f},   {-0.809017f, 0.309017f, 0.500000f},   {-0.587785f, 0.425325f, 0.688191f},
    {-0.850651f, 0.525731f, 0.000000f},   {-0.864188f, 0.442863f, 0.238856f},   {-0.716567f, 0.681718f, 0.147621f},
    {-0.688191f, 0.587785f, 0.425325f},   {-0.500000f, 0.809017f, 0.309017f},   {-0.238856f, 0.864188f, 0.442863f},
    {-0.425325f, 0.688191f, 0.587785f},   {-0.716567f, 0.681718f, -0.147621f},  {-0.500000f, 0.809017f, -0.309017f},
    {-0.525731f, 0.850651f, 0.000000f},   {0.000000f, 0.850651f, -0.525731f},   {-0.238856f, 0.864188f, -0.442863f},
    {0.000000f, 0.955423f, -0.295242f},   {-0.262866f, 0.951056f, -0.162460f},  {0.000000f, 1.000000f, 0.000000f},
    {0.000000f, 0.955423f, 0.295242f},    {-0.262866f, 0.951056f, 0.162460f},   {0.238856f, 0.864188f, 0.442863f},
    {0.262866f, 0.951056f, 0.162460f},    {0.500000f, 0.809017f, 0.309017f},    {0.238856f, 0.864188f, -0.442863f},
    {0.262866f, 0.951056f, -0.162460f},   {0.500000f, 0.809017f, -0.309017f},   {0.850651f, 0.525731f, 0.000000f},
    {0.716567f, 0.681718f, 0.147621f},    {0.716567f, 0.681718f, -0.147621f},   {0.525731f, 0.850651f, 0.000000f},
    {0.425325f, 0.688191f, 0.587785f},    {0.864188f, 0.442863f, 0.238856f},    {0.688191f, 0.587785f, 0.425325f},
    {0.809017f, 0.309017f, 0.500000f},    {0.681718f, 0.147621f, 0.716567f},    {0.587785f, 0.425325f, 0.688191f},
    {0.955423f, 0.295242f, 0.000000f},    {1.000000f, 0.000000f, 0.000000f},    {0.951056f, 0.162460f, 0.262866f},
    {0.850651f, -0.525731f, 0.000000f},   {0.955423f, -0.295242f, 0.000000f},   {0.864188f, -0.442863f, 0.238856f},
    {0.951056f, -0.162460f, 0.262866f},   {0.809017f, -0.309017f, 0.500000f},   {0.681718f, -0.147621f, 0.716567f},
    {0.850651f, 0.000000f, 0.525731f},    {0.864188f, 0.442863f, -0.238856f},   {0.809017f, 0.309017f, -0.500000f},
    {0.951056f, 0.162460f, -0.262866f},   {0.525731f, 0.000000f, -0.850651f},   {0.681718f, 0.147621f, -0.716567f},
    {0.681718f, -0.147621f, -0.716567f},  {0.850651f, 0.000000f, -0.525731f},   {0.809017f, -0.309017f, -0.500000f},
    {0.864188f, -0.442863f, -0.238856f},  {0.951056f, -0.162460f, -0.262866f},  {0.147621f, 0.716567f, -0.681718f},
    {0.309017f, 0.500000f, -0.809017f},   {0.425325f, 0.688191f, -0.587785f},   {0.442863f, 0.238856f, -0.864188f},
    {0.587785f, 0.425325f, -0.688191f},   {0.688191f, 0.587785f, -0.425325f},   {-0.147621f, 0.716567f, -0.681718f},
    {-0.309017f, 0.500000f, -0.809017f},  {0.000000f, 0.525731f, -0.850651f},   {-0.525731f, 0.000000f, -0.850651f},
    {-0.442863f, 0.238856f, -0.864188f},  {-0.295242f, 0.000000f, -0.955423f},  {-0.162460f, 0.262866f, -0.951056f},
    {0.000000f, 0.000000f, -1.000000f},   {0.295242f, 0.000000f, -0.955423f},   {0.162460f, 0.262866f, -0.951056f},
    {-0.442863f, -0.238856f, -0.864188f}, {-0.309017f, -0.500000f, -0.809017f}, {-0.162460f, -0.262866f, -0.951056f},
    {0.000000f, -0.850651f, -0.525731f},  {-0.147621f, -0.716567f, -0.681718f}, {0.147621f, -0.716567f, -0.681718f},
    {0.000000f, -0.525731f, -0.850651f},  {0.309017f, -0.500000f, -0.809017f},  {0.442863f, -0.238856f, -0.864188f},
    {0.162460f, -0.262866f, -0.951056f},  {0.238856f, -0.864188f, -0.442863f},  {0.500000f, -0.809017f, -0.309017f},
    {0.425325f, -0.688191f, -0.587785f},  {0.716567f, -0.681718f, -0.147621f},  {0.688191f, -0.587785f, -0.425325f},
    {0.587785f, -0.425325f, -0.688191f},  {0.000000f, -0.955423f, -0.295242f},  {0.000000f, -1.000000f, 0.000000f},
    {0.262866f, -0.951056f, -0.162460f},  {0.000000f, -0.850651f, 0.525731f},   {0.000000f, -0.955423f, 0.295242f},
    {0.238856f, -0.864188f, 0.442863f},   {0.262866f, -0.951056f, 0.162460f},   {0.500000f, -0.809017f, 0.309017f},
    {0.716567f, -0.681718f, 0.147621f},   {0.525731f, -0.850651f, 0.000000f},   {-0.238856f, -0.864188f, -0.442863f},
    {-0.500000f, -0.809017f, -0.309017f}, {-0.262866f, -0.951056f, -0.162460f}, {-0.850651f, -0.525731f, 0.000000f},
    {-0.716567f, -0.681718f, -0.147621f}, {-0.716567f, -0.681718f, 0.147621f},  {-0.525731f, -0.850651f, 0.000000f},
    {-0.500000f, -0.809017f, 0.309017f},  {-0.238856f, -0.864188f, 0.442863f},  {-0.262866f, -0.951056f, 0.162460f},
    {-0.864188f, -0.442863f, 0.238856f},  {-0.809017f, -0.309017f, 0.500000f},  {-0.688191f, -0.587785f, 0.425325f},
    {-0.681718f, -0.147621f, 0.716567f},  {-0.442863f, -0.238856f, 0.864188f},  {-0.587785f, -0.425325f, 0.688191f},
    {-0.309017f, -0.500000f, 0.809017f},  {-0.147621f, -0.716567f, 0.681718f},  {-0.425325f, -0.688191f, 0.587785f},
    {-0.162460f, -0.262866f, 0.951056f},  {0.442863f, -0.238856f, 0.864188f},   {0.162460f, -0.262866f, 0.951056f},
    {0.309017f, -0.500000f, 0.809017f},   {0.147621f, -0.716567f, 0.681718f},   {0.000000f, -0.525731f, 0.850651f},
    {0.425325f, -0.688191f, 0.587785f},   {0.587785f, -0.425325f, 0.688191f},   {0.688191f, -0.587785f, 0.425325f},
    {-0.955423f, 0.295242f, 0.000000f},   {-0.951056f, 0.162460f, 0.262866f},   {-1.000000f, 0.000000f, 0.000000f},
    {-0.850651f, 0.000000f, 0.525731f},   {-0.955423f, -0.295242f, 0.000000f},  {-0.951056f, -0.162460f, 0.262866f},
    {-0.864188f, 0.442863f, -0.238856f},  {-0.951056f, 0.162460f, -0.262866f},  {-0.809017f, 0.309017f, -0.500000f},
    {-0.864188f, -0.442863f, -0.238856f}, {-0.951056f, -0.162460f, -0.262866f}, {-0.809017f, -0.309017f, -0.500000f},
    {-0.681718f, 0.147621f, -0.716567f},  {-0.681718f, -0.147621f, -0.716567f}, {-0.850651f, 0.000000f, -0.525731f},
    {-0.688191f, 0.587785f, -0.425325f},  {-0.587785f, 0.425325f, -0.688191f},  {-0.425325f, 0.688191f, -0.587785f},
    {-0.425325f, -0.688191f, -0.587785f}, {-0.587785f, -0.425325f, -0.688191f}, {-0.688191f, -0.587785f, -0.425325f},
};

namespace {

constexpr uint32_t kDddMagic = 0x00C6B317u;
constexpr size_t kHeaderBytes = 24;
constexpr size_t kOldFrameHeaderBytes = 28;  // N, offset, scale
constexpr size_t kOldVertexBytes = 5;
constexpr size_t kVertexBytes = 14;

// Little-endian values from the file's bytes; every read checks that the
// bytes are there.
struct ByteReader {
  const uint8_t* data;
  size_t size;
  size_t position = 0;

  size_t Remaining() const { return size - position; }
  // True when count items of the given size fit in what is left.
  bool Holds(int64_t count, size_t itemBytes) const {
    return count >= 0 && static_cast<uint64_t>(count) <= Remaining() / itemBytes;
  }
  bool U8(uint8_t* out) {
    if (Remaining() < 1) return false;
    *out = data[position++];
    return true;
  }
  bool U32(uint32_t* out) {
    if (Remaining() < 4) return false;
    const uint8_t* p = data + position;
    *out = uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
    position += 4;
    return true;
  }
  bool I32(int32_t* out) {
    uint32_t word;
    if (!U32(&word)) return false;
    *out = static_cast<int32_t>(word);
    return true;
  }
  bool F32(float* out) {
    uint32_t word;
    if (!U32(&word)) return false;
    std::memcpy(out, &word, sizeof word);
    return true;
  }
  bool F64(double* out) {
    uint32_t low;
    uint32_t high;
    if (!U32(&low) || !U32(&high)) return false;
    const uint64_t word = uint64_t{high} << 32 | low;
    std::memcpy(out, &word, sizeof word);
    return true;
  }
};

enum class ReadResult { kOk, kBadData, kNoMemory };

struct Coordinates {
  GrowArray<float> u;
  GrowArray<float> v;
};

// The node of vertex i with its normal, palette colour and texture
// coordinates (v turned over for the packed layout).
void SetVertex(MeshNode& node, int32_t i, uint8_t normal, uint8_t colour, const GrowArray<uint32_t>& palette,
               const Coordinates& coordinates, bool flipV) {
  const float* direction = kDddNormals[normal < kDddNormalCount ? normal : 0];
  for (int k = 0; k < 3; ++k) node.normal[k] = direction[k];
  MeshNodeSetColour(node, colour < palette.count ? palette[colour] : kColourNone);
  node.colourIndex = colour;
  if (i < coordinates.u.count) {
    node.u = coordinates.u[i];
    node.v = flipV ? -coordinates.v[i] : coordinates.v[i];
  }
}

ReadResult ReadFrames(ByteReader& r, double version, int32_t frameCount, MeshObject& mesh,
                      const Coordinates& coordinates) {
  const bool packed = version < 2.0;
  if (!r.Holds(frameCount, packed ? kOldFrameHeaderBytes : 4)) return ReadResult::kBadData;
  if (packed) mesh.frames.step = mesh.frames.first = 1;
  if (!mesh.frames.Reserve(frameCount)) return ReadResult::kNoMemory;
  for (int32_t f = 0; f < frameCount; ++f) {
    MeshFrame& frame = mesh.frames[f];
    mesh.frames.count = f + 1;
    int32_t n = 0;
    float offset[3] = {};
    float scale[3] = {};
    if (!r.I32(&n) || (packed && r.Remaining() < kOldFrameHeaderBytes - 4)) return ReadResult::kBadData;
    if (packed) {
      for (float& x : offset) r.F32(&x);
      for (float& x : scale) r.F32(&x);
      frame.nodes.step = frame.nodes.first = 1;
    }
    if (!r.Holds(n, packed ? kOldVertexBytes : kVertexBytes)) return ReadResult::kBadData;
    if (!frame.nodes.Reserve(n)) return ReadResult::kNoMemory;
    frame.nodes.count = n;
    for (int32_t i = 0; i < n; ++i) {
      MeshNode& node = frame.nodes[i];
      node = MeshNode{};
      uint8_t normal = 0;
      uint8_t colour = 0;
      if (packed) {
        for (int k = 0; k < 3; ++k) {
          uint8_t byte = 0;
          r.U8(&byte);
          node.position[k] = (static_cast<float>(byte) - offset[k]) * scale[k];
          node.tangent[k] = kDddNormals[0][k];
          node.bitangent[k] = kDddNormals[0][k];
        }
      } else {
        for (float& x : node.position) r.F32(&x);
      }
      r.U8(&normal);
      r.U8(&colour);
      SetVertex(node, i, normal, colour, mesh.palette, coordinates, packed);
    }
  }
  return ReadResult::kOk;
}

ReadResult ReadBinary(ByteReader& r, MeshObject& mesh) {
  double version = 0.0;
  int32_t frameCount = 0;
  int32_t colourCount = 0;
  int32_t coordinateCount = 0;
  if (r.Remaining() < kHeaderBytes - 4) return ReadResult::kBadData;
  r.F64(&version);
  r.I32(&frameCount);
  r.I32(&colourCount);
  r.I32(&coordinateCount);
  if (!(version >= 1.02 && version <= static_cast<double>(2.0f))) {
    ErrorLogAppendFormat("Wrong .ddd version: %.2f. Can use 1.02-%.2f\n", version, 2.0);
    return ReadResult::kBadData;
  }
  if (!r.Holds(colourCount, 4)) return ReadResult::kBadData;
  mesh.palette.step = mesh.palette.first = 1;
  if (!mesh.palette.Reserve(colourCount)) return ReadResult::kNoMemory;
  for (int32_t i = 0; i < colourCount; ++i) {
    uint32_t colour = 0;
    r.U32(&colour);
    mesh.palette.Push(colour);
  }
  if (!r.Holds(coordinateCount, 8)) return ReadResult::kBadData;
  Coordinates coordinates;
  for (GrowArray<float>* list : {&coordinates.u, &coordinates.v}) {
    list->step = list->first = 1;
    if (!list->Reserve(coordinateCount)) return ReadResult::kNoMemory;
    list->count = coordinateCount;
  }
  for (int32_t i = 0; i < coordinateCount; ++i) {
    r.F32(&coordinates.u[i]);
    r.F32(&coordinates.v[i]);
  }
  return ReadFrames(r, version, frameCount, mesh, coordinates);
}

// The table direction nearest to the normal: the later entry on a tie,
// entry 0 for a zero normal.
uint8_t NormalIndex(const float normal[3]) {
  float n[3] = {normal[0], normal[1], normal[2]};
  const float q = n[0] * n[0] + n[1] * n[1] + n[2] * n[2];
  if (q > 1e-7f) {
    const float length = std::sqrt(q);
    for (float& x : n) x /= length;
  }
  float best = 10000.0f;
  uint8_t index = 0;
  for (int t = 0; t < kDddNormalCount; ++t) {
    const float* e = kDddNormals[t];
    const float d = std::fabs(n[0] * (n[0] - e[0]) + n[1] * (n[1] - e[1]) + n[2] * (n[2] - e[2]));
    if (d <= best) {
      best = d;
      index = static_cast<uint8_t>(t);
      if (d == 0.0f) break;
    }
  }
  return index;
}

struct ByteWriter {
  uint8_t* out;
  void U32(uint32_t x) {
    for (int k = 0; k < 4; ++k) *out++ = static_cast<uint8_t>(x >> (8 * k));
  }
  void I32(int32_t x) { U32(static_cast<uint32_t>(x)); }
  void F32(float x) {
    uint32_t word;
    std::memcpy(&word, &x, sizeof word);
    U32(word);
  }
  void F64(double x) {
    uint64_t word;
    std::memcpy(&word, &x, sizeof word);
    U32(static_cast<uint32_t>(word));
    U32(static_cast<uint32_t>(word >> 32));
  }
  void U8(uint8_t x) { *out++ = x; }
};

}  // namespace

bool MeshLoadDdd(MeshObject& mesh, const char* name) {
  mesh.Clear(true);
  ModelBytes bytes;
  const ModelBytesResult loaded = ModelBytesLoad(name, &bytes);
  if (loaded == ModelBytesResult::kNotOpened) return false;
  ReadResult result = loaded == ModelBytesResult::kNoMemory ? ReadResult::kNoMemory : ReadResult::kBadData;
  if (loaded == ModelBytesResult::kRead) {
    ByteReader r{bytes.data.get(), bytes.size};
    uint32_t magic = 0;
    if (!r.U32(&magic) || magic != kDddMagic) {
      DddDocument document;
      if (DddReadAsciiBytes(document, bytes.data.get(), bytes.size) && DddDocumentToMesh(document, mesh)) return true;
    } else {
      result = ReadBinary(r, mesh);
      if (result == ReadResult::kOk) {
        mesh.normalsValid = 1;
        return true;
      }
    }
  }
  ErrorLogAppend(result == ReadResult::kNoMemory ? "# malloc error\n" : "# read error\n");
  ErrorLogAppendFormat("%s\n", name);
  mesh.Clear(true);
  return false;
}

bool MeshSave(const MeshObject& mesh, const char* name) {
  if (mesh.frames.count == 0 || IsMemoryFileName(name)) return false;
  const std::string path = WriteBackPath(name);
  if (path.empty()) return false;
  const GrowArray<MeshNode>& first = mesh.frames[0].nodes;
  uint64_t size = kHeaderBytes + 4 * uint64_t(mesh.palette.count) + 8 * uint64_t(first.count);
  for (const MeshFrame& frame : mesh.frames) size += 4 + kVertexBytes * uint64_t(frame.nodes.count);
  if (size > SIZE_MAX) return false;
  std::unique_ptr<uint8_t[]> file(new (std::nothrow) uint8_t[size]);
  if (file == nullptr) return false;

  ByteWriter w{file.get()};
  w.U32(kDddMagic);
  w.F64(2.0);
  w.I32(mesh.frames.count);
  w.I32(mesh.palette.count);
  w.I32(first.count);
  for (uint32_t colour : mesh.palette) w.U32(colour);
  for (const MeshNode& node : first) {
    w.F32(node.u);
    w.F32(node.v);
  }
  for (const MeshFrame& frame : mesh.frames) {
    w.I32(frame.nodes.count);
    for (const MeshNode& node : frame.nodes) {
      for (float x : node.position) w.F32(x);
      w.U8(NormalIndex(node.normal));
      w.U8(node.colourIndex);
    }
  }
  return WriteBackFile(path, reinterpret_cast<const char*>(file.get()), static_cast<size_t>(size));
}

bool Dodevudi3D::SaveObject(const char* name, int32_t slot) {
  Object3D* object = Object3DAt(this, slot);
  if (object == nullptr || object->meshes.count < 1) return false;
  return MeshSave(object->meshes[0], name);
}
