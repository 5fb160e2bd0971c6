#include "gfx3d/ddda_file.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
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
