// Shader slots: loading from files and memory blocks, what each failure
// reports, selecting a program and setting its uniforms, and the per-frame
// reset leaving no shader current.
#include "gfx3d/shader_slots.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "files/memory_file.h"
#include "gfx2d/gl_extensions.h"
#include "gfx2d/render_state.h"
#include "gfx3d/texture_units.h"
#include "tests/support/engine3d_fixture.h"

namespace {

constexpr const char* kVertex = "void main() { gl_Position = ftransform(); }\n";
constexpr const char* kRedByLevel =
    "uniform float level;\nvoid main() { gl_FragColor = vec4(level, 0.0, 0.0, 1.0); }\n";
constexpr const char* kBroken = "void main() { this is not GLSL }\n";

std::vector<std::string> g_reports;
void Collect(const char* text) { g_reports.push_back(text); }

class ShaderSlotsTest : public Engine3DTest {
 protected:
  void SetUp() override {
    Engine3DTest::SetUp();
    if (g_glext.glCreateShaderObjectARB == nullptr) GTEST_SKIP() << "no shader objects on this context";
    g_reports.clear();
    WriteFileBytes(temp_.File("plain.vert"), kVertex);
    WriteFileBytes(temp_.File("red.frag"), kRedByLevel);
    WriteFileBytes(temp_.File("broken.frag"), kBroken);
  }
  std::string Path(const char* name) const { return temp_.File(name); }
};

TEST_F(ShaderSlotsTest, ALoadedProgramDrawsWithItsUniform) {
  ASSERT_TRUE(ShaderLoad(engine3d(), 3, Path("plain.vert").c_str(), Path("red.frag").c_str(), Collect));
  EXPECT_TRUE(g_reports.empty());
  ShaderUse(engine3d(), 3);
  EXPECT_EQ(engine3d().currentShader, 3);
  ShaderSetUniformFloat(engine3d(), "level", 1.0f, Collect);
  ShaderSetUniformFloat(engine3d(), "levle", 1.0f, Collect);
  ShaderSetAttribute(engine3d(), "nothing", 1.0f, Collect);
  EXPECT_EQ(g_reports, (std::vector<std::string>{"undefined uniform:", "levle", "undefined attrib:", "nothing"}));
  ClearWindow(0x000000);
  Fill(0, 0, kWidth, kHeight, 1, 1, 1);
  EXPECT_EQ(PixelAt(5, 5), 0xFF0000u);

  // The frame's reset leaves no program current and plain textures.
  X3DSetMipmap(1);
  ResetRenderState2D();
  EXPECT_EQ(engine3d().currentShader, -1);
  EXPECT_EQ(X3DMipmapFlag(), 0u);
  GLint program = -1;
  glGetIntegerv(GL_CURRENT_PROGRAM, &program);
  EXPECT_EQ(program, 0);
  g_reports.clear();
  ShaderSetUniformFloat(engine3d(), "levle", 1.0f, Collect);
  EXPECT_TRUE(g_reports.empty());
}

TEST_F(ShaderSlotsTest, FailuresGiveFalseAndSayWhy) {
  struct Case {
    const char* label;
    uint32_t slot;
    std::string vertex, fragment;  // "" = none
    std::vector<std::string> lastReports;
  };
  const Case cases[] = {
      {"slot 255", 255, Path("plain.vert"), Path("red.frag"), {}},
      {"fragment that does not compile", 4, Path("plain.vert"), Path("broken.frag"), {"fragment shader failed"}},
      {"vertex that does not compile", 4, Path("broken.frag"), Path("red.frag"), {"link shader failed"}},
      {"vertex source missing", 4, Path("none.vert"), Path("red.frag"), {"vertex shader failed"}},
      {"no source at all", 4, "", "", {}},
  };
  for (const Case& c : cases) {
    g_reports.clear();
    EXPECT_FALSE(ShaderLoad(engine3d(), c.slot, c.vertex.empty() ? nullptr : c.vertex.c_str(),
                            c.fragment.empty() ? nullptr : c.fragment.c_str(), Collect))
        << c.label;
    ASSERT_GE(g_reports.size(), c.lastReports.size()) << c.label;
    EXPECT_TRUE(std::equal(c.lastReports.begin(), c.lastReports.end(), g_reports.end() - c.lastReports.size()))
        << c.label << ": last report " << (g_reports.empty() ? "none" : g_reports.back());
  }
  // A compile failure reports the compiler's log before its own text.
  g_reports.clear();
  ShaderLoad(engine3d(), 4, nullptr, Path("broken.frag").c_str(), Collect);
  ASSERT_EQ(g_reports.size(), 2u);
  EXPECT_FALSE(g_reports[0].empty());
}

TEST_F(ShaderSlotsTest, AFragmentOnlyProgramFromMemoryLinksAndFrees) {
  const std::string source = kRedByLevel;
  const std::string name = MemoryFilePublish(source.data(), static_cast<uint32_t>(source.size()));
  ASSERT_TRUE(ShaderLoad(engine3d(), 0, nullptr, name.c_str(), Collect));
  MemoryFileWithdraw(source.data());
  const ShaderSlot& slot = engine3d().shaders[0];
  EXPECT_NE(slot.program, 0u);
  EXPECT_EQ(slot.vertexShader, 0u);
  EXPECT_NE(slot.fragmentShader, 0u);
  ShaderFree(engine3d(), 0);
  EXPECT_EQ(slot.program, 0u);
  EXPECT_EQ(slot.fragmentShader, 0u);
  ShaderUse(engine3d(), 255);
  EXPECT_EQ(engine3d().currentShader, -1);
}

TEST_F(ShaderSlotsTest, MissingSupportIsReportedOncePerRun) {
  const GlExtensions saved = g_glext;
  g_glext.glLinkProgramARB = nullptr;
  EXPECT_FALSE(ShaderLoad(engine3d(), 1, Path("plain.vert").c_str(), nullptr, Collect));
  EXPECT_FALSE(ShaderLoad(engine3d(), 1, Path("plain.vert").c_str(), nullptr, Collect));
  g_glext = saved;
  EXPECT_EQ(g_reports, (std::vector<std::string>{"No OpenGL 2.0 Shader Support"}));
}

}  // namespace
