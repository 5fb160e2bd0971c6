#include "gfx3d/ddda_file.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "gfx3d/mesh_records.h"
#include "gfx3d/model_bytes.h"

namespace {

// Converted meshes hold every polygon of the file once per frame; a mesh of
// more nodes than this is refused rather than built.
constexpr int64_t kMaxConvertedNodes = int64_t{1} << 24;
// Nor may it hold more nodes than this for each byte of the text: a real
// model gives well under one node a byte (a frame's vertex takes six bytes
// at least, and its polygons use each vertex a few times), while a text
// that names one vertex over and over in every frame would otherwise
// grow with the square of its size.
constexpr int64_t kNodesPerSourceByte = 4;
constexpr size_t kTokenBytes = 1024;
constexpr size_t kCommentBytes = 512;

struct TokenReader {
  const uint8_t* data;
  size_t size;
  size_t position = 0;
  char token[kTokenBytes] = {};
};

bool IsSeparator(uint8_t c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// Skips a comment up to and including its line feed, or its first 512
// bytes when the line is longer (the rest is read as tokens).
void SkipComment(TokenReader& r) {
  const size_t window = r.size - r.position < kCommentBytes ? r.size - r.position : kCommentBytes;
  const void* feed = std::memchr(r.data + r.position, '\n', window);
  r.position = feed != nullptr ? static_cast<size_t>(static_cast<const uint8_t*>(feed) - r.data) + 1
                               : r.position + window;
}

// The next token into r.token (at most 1023 bytes of it kept); false when
// the data ends before one begins.
bool NextToken(TokenReader& r) {
  size_t length = 0;
  bool begun = false;
  while (r.position < r.size) {
    const uint8_t c = r.data[r.position++];
    if (c == '#') {
      SkipComment(r);
      if (begun) break;
      continue;
    }
    if (IsSeparator(c)) {
      if (begun) break;
      continue;
    }
    begun = true;
    if (length < kTokenBytes - 1) r.token[length++] = static_cast<char>(c);
  }
  r.token[length] = '\0';
  return begun;
}

bool DddReadNumber(TokenReader& r, float* value) {
  if (!NextToken(r)) return false;
  *value = static_cast<float>(std::atof(r.token));
  return true;
}

// Truncated toward zero; out of range values saturate and NaN gives 0.
int32_t ToInt(float x) {
  if (std::isnan(x)) return 0;
  if (x >= 2147483647.0f) return INT32_MAX;
  if (x <= -2147483648.0f) return INT32_MIN;
  return static_cast<int32_t>(x);
}

bool DddReadInt(TokenReader& r, int32_t* value) {
  float x;
  if (!DddReadNumber(r, &x)) return false;
  *value = ToInt(x);
  return true;
}

// A count of items of the given number of tokens each, which the rest of
// the data can hold (a token and its separator take two bytes at least);
// negative counts read as 0.
bool DddReadCount(TokenReader& r, int tokensPerItem, int32_t* count) {
  if (!DddReadInt(r, count)) return false;
  if (*count < 0) *count = 0;
  const uint64_t needed = uint64_t(*count) * tokensPerItem * 2;
  return needed <= r.size - r.position + 1;
}

void ReleaseDocument(DddDocument& document) {
  document.polygons.Release();
  document.texcoords.Release();
  document.vertexFrames.Release();
  document.sourceBytes = 0;
}

bool ParsePolygon(TokenReader& r, DddPolygon& polygon) {
  int32_t n = 0;
  if (!DddReadInt(r, &polygon.red) || !DddReadInt(r, &polygon.green) || !DddReadInt(r, &polygon.blue) ||
      !DddReadCount(r, 2, &n)) {
    return false;
  }
  for (GrowArray<int32_t>* list : {&polygon.vertices, &polygon.texcoords}) {
    list->step = list->first = 1;
    if (!list->Reserve(n)) return false;
    list->count = 0;
  }
  for (int32_t k = 0; k < n; ++k) {
    if (!DddReadInt(r, &polygon.vertices.data[k]) || !DddReadInt(r, &polygon.texcoords.data[k])) return false;
    polygon.vertices.count = polygon.texcoords.count = k + 1;
  }
  return true;
}

bool ParseFrame(TokenReader& r, bool normals, GrowArray<DddVertex>& vertices) {
  int32_t v = 0;
  if (!DddReadCount(r, normals ? 6 : 3, &v)) return false;
  vertices.step = vertices.first = 1;
  if (!vertices.Reserve(v)) return false;
  for (int32_t i = 0; i < v; ++i) {
    DddVertex& vertex = vertices.data[i];
    vertex = DddVertex{};
    float* fields[6] = {&vertex.x, &vertex.y, &vertex.z, &vertex.nx, &vertex.ny, &vertex.nz};
    for (int k = 0; k < (normals ? 6 : 3); ++k) {
      if (!DddReadNumber(r, fields[k])) return false;
    }
    vertices.count = i + 1;
  }
  return true;
}

bool Parse(TokenReader& r, DddDocument& document) {
  float version = 0.0f;
  if (!NextToken(r) || std::strcmp(r.token, "DDDA") != 0) return false;
  if (!DddReadNumber(r, &version) || version > 1.1f) return false;

  int32_t count = 0;
  if (!DddReadCount(r, 2, &count) || !document.texcoords.Reserve(count)) return false;
  for (int32_t i = 0; i < count; ++i) {
    DddTexcoord& pair = document.texcoords.data[i];
    if (!DddReadNumber(r, &pair.u) || !DddReadNumber(r, &pair.v)) return false;
    document.texcoords.count = i + 1;
  }
  if (!DddReadCount(r, 4, &count) || !document.polygons.Reserve(count)) return false;
  for (int32_t i = 0; i < count; ++i) {
    document.polygons.count = i + 1;
    if (!ParsePolygon(r, document.polygons[i])) return false;
  }
  if (!DddReadCount(r, 1, &count) || !document.vertexFrames.Reserve(count)) return false;
  for (int32_t f = 0; f < count; ++f) {
    document.vertexFrames.count = f + 1;
    if (!ParseFrame(r, version >= 1.1f, document.vertexFrames[f])) return false;
  }
  return true;
}

// The nodes of one converted frame, or -1 when an index of the document
// lies outside its list or the mesh would be too large.
int64_t CheckedNodesPerFrame(const DddDocument& document) {
  int32_t vertices = INT32_MAX;
  for (const GrowArray<DddVertex>& frame : document.vertexFrames) {
    if (frame.count < vertices) vertices = frame.count;
  }
  int64_t nodes = 0;
  for (const DddPolygon& polygon : document.polygons) {
    nodes += 1 + polygon.vertices.count;
    for (int32_t k = 0; k < polygon.vertices.count; ++k) {
      const int32_t vertex = polygon.vertices[k];
      const int32_t pair = polygon.texcoords[k];
      if (vertex < 0 || vertex >= vertices) return -1;
      if (document.texcoords.count > 0 && (pair < 0 || pair >= document.texcoords.count)) return -1;
    }
  }
  const int64_t total = nodes * document.vertexFrames.count;
  if (total > kMaxConvertedNodes || total > kNodesPerSourceByte * static_cast<int64_t>(document.sourceBytes)) {
    return -1;
  }
  return nodes;
}

}  // namespace

bool DddReadAsciiBytes(DddDocument& document, const uint8_t* data, size_t size) {
  ReleaseDocument(document);
  document.sourceBytes = size;
  TokenReader reader{data, size};
  return Parse(reader, document);
}

bool DddReadAscii(DddDocument& document, const char* name) {
  ReleaseDocument(document);
  ModelBytes bytes;
  if (ModelBytesLoad(name, &bytes) != ModelBytesResult::kRead) return false;
  return DddReadAsciiBytes(document, bytes.data.get(), bytes.size);
}

bool DddDocumentToMesh(const DddDocument& document, MeshObject& mesh) {
  mesh.Clear(true);
  mesh.normalsValid = 1;
  const int64_t nodesPerFrame = CheckedNodesPerFrame(document);
  if (nodesPerFrame < 0 || !mesh.frames.Reserve(document.vertexFrames.count)) {
    mesh.Clear(true);
    return false;
  }
  MeshNode marker;
  MeshNodeSetColour(marker, kMarkerFan);
  for (const GrowArray<DddVertex>& vertices : document.vertexFrames) {
    MeshFrame& frame = mesh.frames[mesh.frames.count++];
    if (!frame.nodes.Reserve(static_cast<int32_t>(nodesPerFrame))) {
      mesh.Clear(true);
      return false;
    }
    for (const DddPolygon& polygon : document.polygons) {
      frame.nodes.Push(marker);
      const uint32_t colour = uint32_t(polygon.red & 255) | uint32_t(polygon.green & 255) << 8 |
                              uint32_t(polygon.blue & 255) << 16;
      for (int32_t k = 0; k < polygon.vertices.count; ++k) {
        const DddVertex& vertex = vertices[polygon.vertices[k]];
        MeshNode node;
        node.position[0] = vertex.x;
        node.position[1] = vertex.y;
        node.position[2] = vertex.z;
        node.normal[0] = vertex.nx;
        node.normal[1] = vertex.ny;
        node.normal[2] = vertex.nz;
        if (document.texcoords.count > 0) {
          const DddTexcoord& pair = document.texcoords[polygon.texcoords[k]];
          node.u = pair.u;
          node.v = -pair.v;
        }
        MeshNodeSetColour(node, colour);
        frame.nodes.Push(node);
      }
    }
  }
  MeshBuildPalette(mesh);
  return true;
}
