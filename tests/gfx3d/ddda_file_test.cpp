#include "gfx3d/ddda_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "files/error_log.h"
#include "gfx3d/ddd_file.h"
#include "gfx3d/mesh_records.h"
#include "tests/support/mesh_fixture.h"
#include "tests/support/test_env.h"

namespace {

bool Parse(const std::string& text, DddDocument& document) {
  return DddReadAsciiBytes(document, reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

// One red triangle over two frames of three vertices.
const char kTriangle[] =
    "# a comment line before the magic\n"
    "DDDA 1.1 # comment after tokens\n"
    "3  0 0  1 0  0 1\n"
    "1  255 0 0 3  0 0  1 1  2 2\n"
    "2\n"
    "3  0 0 0 0 0 1  1 0 0 0 0 1  0 1 0 0 0 1\n"
    "3\t0 0 5 0 1 0\r\n1 0 5 0 1 0  0 1 5 0 1 0";

TEST(DddaFileTest, ATriangleInTwoFrames) {
  DddDocument document;
  ASSERT_TRUE(Parse(kTriangle, document));
  MeshObjectX mesh;
  ASSERT_TRUE(DddDocumentToMesh(document, mesh));
  EXPECT_EQ(mesh.normalsValid, 1);
  EXPECT_EQ(mesh.tangentsValid, 0);
  ASSERT_EQ(mesh.frames.count, 2);
  EXPECT_EQ(std::vector<uint32_t>(mesh.palette.begin(), mesh.palette.end()),
            (std::vector<uint32_t>{kMarkerFan, 0x000000FFu}));
  for (int f = 0; f < 2; ++f) {
    const GrowArray<MeshNode>& nodes = mesh.frames[f].nodes;
    ASSERT_EQ(nodes.count, 4);
    EXPECT_EQ(nodes[0].colour, kMarkerFan);
    EXPECT_EQ(nodes[0].red, 1.0f);
    EXPECT_EQ(nodes[0].position[0], 0.0f);
    for (int k = 1; k < 4; ++k) {
      EXPECT_EQ(nodes[k].colour, 0x000000FFu);
      EXPECT_EQ(nodes[k].colourIndex, 1);
      EXPECT_EQ(nodes[k].red, 1.0f);
      EXPECT_EQ(nodes[k].green, 0.0f);
      EXPECT_EQ(nodes[k].alpha, 1.0f);
      EXPECT_EQ(nodes[k].position[2], f == 0 ? 0.0f : 5.0f);
      EXPECT_EQ(nodes[k].normal[f == 0 ? 2 : 1], 1.0f);
    }
    EXPECT_EQ(nodes[2].position[0], 1.0f);
    EXPECT_EQ(nodes[2].u, 1.0f);
    EXPECT_EQ(nodes[3].v, -1.0f);
  }
  mesh.BuildTriangles();
  EXPECT_EQ(mesh.frames[1].triangles.count, 3);
}

TEST(DddaFileTest, TokensAndVersions) {
  struct Case {
    const char* text;
    bool ok;
    int32_t texcoords;
    float firstU;
    int32_t vertices;  // of frame 0, -1 when there is no frame
    float lastVertexValue;
  };
  const Case cases[] = {
      {"DDDA 1.0 0 0 1 2 1 2 3 4 5 6", true, 0, 0, 2, 6},   // three numbers a vertex
      {"DDDA 1.1 0 0 1 1 1 2 3 4 5 6", true, 0, 0, 1, 6},   // six
      {"DDDA 1.2 0 0 0", false, 0, 0, -1, 0},
      {"DDDB 1.0 0 0 0", false, 0, 0, -1, 0},
      {"DDDA1 1.0 0 0 0", false, 0, 0, -1, 0},
      {"#DDDA\nDDDA 1 1 1e2 0 0 0", true, 1, 100, -1, 0},   // 1e2 reads as 100
      {"DDDA 1 3.9 1 2 3 4 5 6 0 0", true, 3, 1, -1, 0},    // a count of 3.9 is 3
      {"DDDA 1 1 abc 0 0 0", true, 1, 0, -1, 0},            // letters read as 0
      {"DDDA 1 -4 0 0", true, 0, 0, -1, 0},                 // a negative count is none
      {"DDDA#x\n1 1 7#comment\n 0 0 0", true, 1, 7, -1, 0},  // '#' ends a token
      {"DDDA 1 0 0", false, 0, 0, -1, 0},                   // the frame count is missing
      {"", false, 0, 0, -1, 0},
  };
  for (const Case& c : cases) {
    DddDocument document;
    EXPECT_EQ(Parse(c.text, document), c.ok) << c.text;
    if (!c.ok) continue;
    EXPECT_EQ(document.texcoords.count, c.texcoords) << c.text;
    if (c.texcoords > 0) {
      EXPECT_EQ(document.texcoords[0].u, c.firstU) << c.text;
    }
    EXPECT_EQ(document.vertexFrames.count, c.vertices < 0 ? 0 : 1) << c.text;
    if (c.vertices >= 0) {
      const GrowArray<DddVertex>& frame = document.vertexFrames[0];
      ASSERT_EQ(frame.count, c.vertices) << c.text;
      const DddVertex& last = frame[frame.count - 1];
      EXPECT_EQ(c.vertices == 1 ? last.nz : last.z, c.lastVertexValue) << c.text;
    }
  }
}

TEST(DddaFileTest, LongTokensCommentsAndSeparatorRuns) {
  // A token longer than any buffer, a comment longer than 512 bytes (its
  // tail reads as tokens) and a long run of separators.
  const std::string digits(3000, '0');
  const std::string text = "DDDA 1 1 " + digits + "5 " + std::string(5000, ' ') + "2 #" + std::string(600, 'x') +
                           " 1 0";
  DddDocument document;
  ASSERT_TRUE(Parse(text, document));
  ASSERT_EQ(document.texcoords.count, 1);
  EXPECT_EQ(document.texcoords[0].u, 0.0f);  // the kept part of the token is all zeros
  EXPECT_EQ(document.texcoords[0].v, 2.0f);
  // The comment's last 88 bytes are a token (the polygon count, 0).
  EXPECT_EQ(document.polygons.count, 0);
  EXPECT_EQ(document.vertexFrames.count, 1);
}

// Damaged text: truncations at every byte, absurd counts and indices
// outside their lists are refused.
TEST(DddaFileTest, DamagedText) {
  const std::string good = kTriangle;
  for (size_t n = 0; n < good.size(); ++n) {
    DddDocument document;
    EXPECT_FALSE(Parse(good.substr(0, n), document)) << n;
  }
  const char* refused[] = {
      "DDDA 1 1e9 0 0",
      "DDDA 1 0 1e9",
      "DDDA 1 0 1 0 0 0 2000000000 0 0",
      "DDDA 1 0 0 9e30",
      "DDDA 1.1 0 0 1 100000000 0 0 0 0 0 0",
  };
  for (const char* text : refused) {
    DddDocument document;
    EXPECT_FALSE(Parse(text, document)) << text;
  }
  const char* badIndices[] = {
      "DDDA 1 0 1 0 0 0 3 0 0 1 0 3 0 1 3 0 0 0 1 0 0 0 1 0",          // vertex 3 of 3
      "DDDA 1 0 1 0 0 0 3 0 0 1 0 -1 0 1 3 0 0 0 1 0 0 0 1 0",         // vertex -1
      "DDDA 1 0 1 0 0 0 3 0 0 1 0 2 0 2 3 0 0 0 1 0 0 0 1 0 2 0 0 0 0 0 0",  // frame 1 has 2
      "DDDA 1 1 0 0 1 0 0 0 3 0 0 1 1 2 0 1 3 0 0 0 1 0 0 0 1 0",      // coordinate 1 of 1
  };
  for (const char* text : badIndices) {
    DddDocument document;
    ASSERT_TRUE(Parse(text, document)) << text;
    MeshObjectX mesh;
    AddFrame(mesh, NodesFromIds({1}));
    EXPECT_FALSE(DddDocumentToMesh(document, mesh)) << text;
    EXPECT_EQ(mesh.frames.data, nullptr);
  }
  // Many polygons over many frames would make an absurd mesh.
  std::string huge = "DDDA 1 0 3000";
  for (int i = 0; i < 3000; ++i) huge += " 0 0 0 2 0 0 0 0";
  huge += " 3000";
  for (int i = 0; i < 3000; ++i) huge += " 1 0 0 0";
  DddDocument document;
  ASSERT_TRUE(Parse(huge, document));
  MeshObjectX mesh;
  EXPECT_FALSE(DddDocumentToMesh(document, mesh));
}

// One polygon of many corners on vertex 0, repeated over many frames of
// one vertex: the mesh would grow with the square of the text.
std::string ManyCornersOverManyFrames(int corners, int frames) {
  std::string text = "DDDA 1 0 1 0 0 0 " + std::to_string(corners);
  for (int i = 0; i < corners; ++i) text += " 0 0";
  text += " " + std::to_string(frames);
  for (int i = 0; i < frames; ++i) text += " 1 0 0 0";
  return text;
}

// A real model: a band of quads around a ring, each vertex used by four
// quads, in several frames, with numbers as tools write them.
std::string RingModel(int quads, int frames) {
  std::string text = "DDDA 1.1\n0\n" + std::to_string(quads) + "\n";
  for (int q = 0; q < quads; ++q) {
    const int a = 2 * q, b = 2 * q + 1, c = 2 * ((q + 1) % quads), d = c + 1;
    text += "200 120 40 4  " + std::to_string(a) + " 0  " + std::to_string(c) + " 0  " + std::to_string(d) +
            " 0  " + std::to_string(b) + " 0\n";
  }
  text += std::to_string(frames) + "\n";
  char number[64];
  for (int f = 0; f < frames; ++f) {
    text += std::to_string(2 * quads) + "\n";
    for (int v = 0; v < 2 * quads; ++v) {
      std::snprintf(number, sizeof number, "%.4f %.4f %.4f 0 0 1\n", 0.1 * v + f, 0.5 * (v % 2), 0.25 * f);
      text += number;
    }
  }
  return text;
}

// The mesh made from a text never holds more than 4 nodes a byte of it, so
// its memory grows with the size of the file, not with its square.
TEST(DddaFileTest, TheMeshGrowsWithTheTextNotItsSquare) {
  // 6 KB, 12 KB, 24 KB and 48 KB of text asked for 91 MB to 6 GB.
  for (const int size : {6000, 12000, 24000, 48000}) {
    const std::string text = ManyCornersOverManyFrames(size / 8, size / 16);
    DddDocument document;
    ASSERT_TRUE(Parse(text, document)) << size;
    MeshObjectX mesh;
    EXPECT_FALSE(DddDocumentToMesh(document, mesh)) << size;
    EXPECT_EQ(mesh.frames.data, nullptr) << size;
  }
  // Within the bound the same shape of text still makes its mesh.
  for (const auto& [corners, frames] : {std::pair{30, 20}, std::pair{400, 1}}) {
    const std::string text = ManyCornersOverManyFrames(corners, frames);
    DddDocument document;
    ASSERT_TRUE(Parse(text, document));
    MeshObjectX mesh;
    ASSERT_TRUE(DddDocumentToMesh(document, mesh)) << corners << " corners, " << frames << " frames";
    int64_t nodes = 0;
    for (const MeshFrame& frame : mesh.frames) nodes += frame.nodes.count;
    EXPECT_EQ(nodes, int64_t{corners + 1} * frames);
    EXPECT_LE(nodes, 4 * static_cast<int64_t>(text.size()));
  }
  // Real models lie far within it.
  for (const auto& [quads, frames] : {std::pair{8, 1}, std::pair{200, 30}, std::pair{2000, 2}}) {
    const std::string text = RingModel(quads, frames);
    DddDocument document;
    ASSERT_TRUE(Parse(text, document)) << quads;
    MeshObjectX mesh;
    ASSERT_TRUE(DddDocumentToMesh(document, mesh)) << quads << " quads, " << frames << " frames";
    ASSERT_EQ(mesh.frames.count, frames);
    EXPECT_EQ(mesh.frames[0].nodes.count, 5 * quads);
  }
}

TEST(DddaFileTest, ReadThroughTheModelReader) {
  ScratchDir dir;
  ScopedEnv tmp("TMPDIR", dir.path());
  const std::string path = dir.File("text.ddd");
  WriteFileBytes(path, kTriangle);
  MeshObjectX mesh;
  ASSERT_TRUE(MeshLoadDdd(mesh, path.c_str()));
  EXPECT_EQ(mesh.frames.count, 2);
  DddDocument document;
  EXPECT_TRUE(DddReadAscii(document, path.c_str()));
  EXPECT_EQ(document.polygons.count, 1);

  WriteFileBytes(path, "DDDA 1.5 0 0 0");
  EXPECT_FALSE(MeshLoadDdd(mesh, path.c_str()));
  EXPECT_EQ(mesh.frames.data, nullptr);
  EXPECT_EQ(ReadFileBytes(ErrorLogPath()), "# read error\n" + path + "\n");
  EXPECT_FALSE(DddReadAscii(document, dir.File("missing").c_str()));
  EXPECT_EQ(document.polygons.count, 0);
}

}  // namespace
