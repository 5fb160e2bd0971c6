// Drawing objects, read back from the window: where a mesh lands, its
// colours, the pose between frames, frustum culling, cel shading with its
// outline, and stencil shadow volumes darkening exactly the shadow.
#include "gfx3d/object_draw.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "gfx2d/gl_extensions.h"
#include "gfx2d/gl_state_cache.h"
#include "gfx2d/sprite_draw.h"
#include "gfx2d/sprite_slots.h"
#include "gfx3d/camera_projection.h"
#include "gfx3d/lights_fog.h"
#include "gfx3d/mesh_build.h"
#include "gfx3d/object_load.h"
#include "gfx3d/shadow_pass.h"
#include "gfx3d/transform_stack.h"
#include "tests/support/engine3d_fixture.h"

namespace {

constexpr int32_t kSquare = 1;
constexpr int32_t kBox = 2;
constexpr int32_t kOccluder = 3;

struct Corner {
  float x, y, z;
};

class ObjectDrawTest : public Engine3DTest {
 protected:
  void SetUp() override {
    Engine3DTest::SetUp();
    ClearWindow(0x000000);
    X3DBegin(engine3d(), 1.0, 100.0, 90.0);
  }

  // Separate triangles, each frame its own corners, in one colour.
  void Build(int32_t slot, const std::vector<std::vector<Corner>>& frames, uint32_t colour) {
    ObjectBuildBegin(&engine3d(), slot, 0);
    for (size_t f = 0; f < frames.size(); ++f) {
      ObjectBuildSetFrame(&engine3d(), static_cast<int32_t>(f));
      for (const Corner& c : frames[f]) ObjectBuildVertex(&engine3d(), c.x, c.y, c.z, 0, 0, colour);
    }
    ObjectBuildEnd(&engine3d());
    ASSERT_EQ(engine3d().objects[slot].inUse, 1);
  }

  // A square of half side h in the z = 0 plane, facing +z, moved by dx.
  static std::vector<Corner> Square(float h, float dx) {
    return {{-h + dx, -h, 0}, {h + dx, -h, 0}, {-h + dx, h, 0}, {-h + dx, h, 0}, {h + dx, -h, 0}, {h + dx, h, 0}};
  }

  // A closed box of half side h, every face clockwise from outside (the
  // engine's front faces, whose computed normals point outward).
  static std::vector<Corner> Box(float h) {
    const int faces[6][4] = {{0, 1, 3, 2}, {4, 6, 7, 5}, {0, 2, 6, 4}, {1, 5, 7, 3}, {0, 4, 5, 1}, {2, 3, 7, 6}};
    std::vector<Corner> corners;
    for (const auto& f : faces) {
      Corner q[4];
      for (int i = 0; i < 4; ++i) {
        const int c = f[i];
        q[i] = {(c & 1) ? h : -h, (c & 2) ? h : -h, (c & 4) ? h : -h};
      }
      for (int i : {0, 1, 2, 0, 2, 3}) corners.push_back(q[i]);
    }
    return corners;
  }

  // A fan of four triangles around the middle of a square of half side 8
  // at z = -10, each corner its own colour, normal and texture
  // coordinates; two frames alike.
  void BuildLitFan(int32_t slot, bool coloured) {
    engine3d().normalMode = 0;
    ObjectBuildBegin(&engine3d(), slot, 2);
    for (int32_t frame = 0; frame < 2; ++frame) {
      ObjectBuildSetFrame(&engine3d(), frame);
      const float corners[6][2] = {{0, 0}, {-8, -8}, {-8, 8}, {8, 8}, {8, -8}, {-8, -8}};
      for (int i = 0; i < 6; ++i) {
        const float x = corners[i][0];
        const float y = corners[i][1];
        ObjectBuildNormal(&engine3d(), x * 0.05f, y * 0.03f, 1.0f);
        const uint32_t colour = coloured ? 0x204080u + 0x301010u * static_cast<uint32_t>(i) : 0xFFFFFFu;
        ObjectBuildVertex(&engine3d(), x, y, -10, 0.5f + x * 0.05f, 0.5f + y * 0.06f, colour);
      }
    }
    ObjectBuildEnd(&engine3d());
    ASSERT_EQ(engine3d().objects[slot].inUse, 1);
    ASSERT_EQ(engine3d().objects[slot].meshes[0].hasColours, coloured ? 1 : 0);
  }

  // The whole window, 0xRRGGBB, row by row from the bottom.
  static std::vector<uint32_t> Window() {
    std::vector<uint8_t> bytes(static_cast<size_t>(kWidth) * kHeight * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, kWidth, kHeight, GL_RGB, GL_UNSIGNED_BYTE, bytes.data());
    std::vector<uint32_t> pixels;
    for (size_t i = 0; i < bytes.size(); i += 3) pixels.push_back(bytes[i] << 16 | bytes[i + 1] << 8 | bytes[i + 2]);
    return pixels;
  }

  // Window column or row of a point d units in front of the camera (the
  // 90-degree view: d units are half the window's height).
  static float WindowX(float x, float d) { return kWidth / 2.0f + x * (kHeight / 2.0f) / d; }
  static float WindowY(float y, float d) { return kHeight / 2.0f - y * (kHeight / 2.0f) / d; }
};

TEST_F(ObjectDrawTest, AMeshLandsWhereTheTransformAndThePosePutIt) {
  Build(kSquare, {Square(5, 0), Square(5, 8)}, 0x0000FF);
  struct Case {
    const char* label;
    float x;              // position of the object
    int32_t a, b;
    float t;
    uint8_t positionFlag;
    float left, right;    // world x range of the square drawn
  };
  const Case cases[] = {
      {"frame 0 at the origin", 0, 0, 0, 0.0f, 0, -5, 5},
      {"frame 0 moved right", 3, 0, 0, 0.0f, 0, -2, 8},
      {"frame 1 alone", 0, 1, 1, 0.0f, 0, 3, 13},
      {"half way from frame 0 to 1", -4, 0, 1, 0.5f, 0, -5, 5},
      {"a frame beyond the last is the last", -8, 7, 7, 0.0f, 0, -5, 5},
      {"position 1.25 along frames 0 to 1 is 0.25", 0, 0, 1, 1.25f, 1, -3, 7},
  };
  for (const Case& c : cases) {
    ClearWindow(0x000000);
    X3DClearDepth(engine3d());
    X3DPosition(engine3d(), c.x, 0, -10);
    Object3DDraw(engine3d(), kSquare, c.a, c.b, c.t, c.positionFlag);
    const int row = kHeight / 2;
    const float left = WindowX(c.left, 10);
    const float right = WindowX(c.right, 10);
    EXPECT_EQ(WindowDifference([&](int x, int y) {
                if (y != row || std::fabs(x + 0.5f - left) < 1 || std::fabs(x + 0.5f - right) < 1) {
                  return PixelAt(x, y);
                }
                return x + 0.5f > left && x + 0.5f < right ? 0xFF0000u : 0x000000u;
              }),
              "")
        << c.label;
  }
}

TEST_F(ObjectDrawTest, AMeshOutsideTheFrustumIsSkippedBeforeAnyWork) {
  if (g_glext.glBindBufferARB == nullptr) GTEST_SKIP() << "no vertex buffers on this context";
  Build(kSquare, {Square(5, 0)}, 0xFFFFFF);
  const MeshObjectX& mesh = engine3d().objects[kSquare].meshes[0];
  X3DPosition(engine3d(), 0, 0, 20);  // behind the camera
  Object3DDraw(engine3d(), kSquare, 0, 0, 0.0f, 0);
  EXPECT_EQ(mesh.staticBuffer, 0u);
  X3DPosition(engine3d(), 0, 0, -10);
  Object3DDraw(engine3d(), kSquare, 0, 0, 0.0f, 0);
  EXPECT_NE(mesh.staticBuffer, 0u);
  Object3DDraw(engine3d(), 4095, 0, 0, 0.0f, 0);  // an empty slot
  Object3DDraw(engine3d(), 4096, 0, 0, 0.0f, 0);  // no slot
}

// A change to the vertices after a draw reaches the static vertex buffer
// that a plain draw of frame 0 uses: the next draw shows the new shape.
TEST_F(ObjectDrawTest, APlainDrawAfterAChangeShowsTheNewShape) {
  struct Case {
    const char* label;
    std::function<void()> change;
  };
  const Case cases[] = {
      {"scaled by 2", [&] { Object3DScaleMeshes(engine3d().objects[kSquare], 2, 2, 2); }},
      {"built again", [&] { Build(kSquare, {Square(4, 0)}, 0xFFFFFF); }},
  };
  for (const Case& c : cases) {
    Build(kSquare, {Square(2, 0)}, 0xFFFFFF);
    X3DPosition(engine3d(), 0, 0, -10);
    ClearWindow(0x000000);
    X3DClearDepth(engine3d());
    Object3DDraw(engine3d(), kSquare, 0, 0, 0.0f, 0);
    const int row = kHeight / 2;
    const int inside = static_cast<int>(WindowX(3, 10));  // beyond half side 2, within 4
    EXPECT_EQ(PixelAt(static_cast<int>(WindowX(1, 10)), row), 0xFFFFFFu) << c.label;
    EXPECT_EQ(PixelAt(inside, row), 0x000000u) << c.label;
    c.change();
    ClearWindow(0x000000);
    X3DClearDepth(engine3d());
    Object3DDraw(engine3d(), kSquare, 0, 0, 0.0f, 0);
    EXPECT_EQ(PixelAt(inside, row), 0xFFFFFFu) << c.label;
    EXPECT_EQ(PixelAt(static_cast<int>(WindowX(5, 10)), row), 0x000000u) << c.label;
  }
}

// A plain draw takes its vertices packed into a buffer of their own; any
// other pose goes from the draw list as the nodes lie; without vertex
// buffers the arrays point at the nodes. Lit, coloured and with one or two
// textures, every way shows the same picture.
TEST_F(ObjectDrawTest, EveryWayOfFeedingTheVerticesShowsTheSamePicture) {
  ImageBuffer first = OpaquePatternPicture(16, 16, 3);
  ImageBuffer second = OpaquePatternPicture(16, 16, 8);
  ASSERT_TRUE(SpriteFromImage(engine(), 1, first, 0, false));
  ASSERT_TRUE(SpriteFromImage(engine(), 2, second, 0, false));
  ImageBufferRelease(first);
  ImageBufferRelease(second);
  LightSet(engine3d(), 0, 0xFFFFFF, 0, 0, 0, 0.3f, -0.5f, -1, 180, false);
  struct Way {
    const char* label;
    int32_t a, b;
    float t;
    bool buffers;
  };
  const Way ways[] = {
      {"frame 0 from its static buffer", 0, 0, 0.0f, true},
      {"frame 1 from the stream buffer", 1, 1, 0.0f, true},
      {"frame 0 without vertex buffers", 0, 0, 0.0f, false},
  };
  for (const bool coloured : {true, false}) {
    BuildLitFan(kSquare, coloured);
    for (const int32_t secondSprite : {-1, 2}) {
      auto draw = [&](const Way& way) {
        ClearWindow(0x000000);
        X3DClearDepth(engine3d());
        SpriteBindTexture(engine(), 1, secondSprite, 0, nullptr);
        const auto bind = g_glext.glBindBufferARB;
        if (!way.buffers) g_glext.glBindBufferARB = nullptr;
        Object3DDraw(engine3d(), kSquare, way.a, way.b, way.t, 0);
        g_glext.glBindBufferARB = bind;
        return Window();
      };
      // Halfway between two equal frames: the draw list, node by node.
      const std::vector<uint32_t> reference = draw({"blend", 0, 1, 0.5f, true});
      EXPECT_GT(std::count_if(reference.begin(), reference.end(), [](uint32_t p) { return p != 0; }), 1000);
      for (const Way& way : ways) {
        EXPECT_TRUE(draw(way) == reference) << way.label << (coloured ? ", coloured" : ", white")
                                            << (secondSprite >= 0 ? ", two textures" : ", one texture");
      }
    }
  }
}

// What 2D drawing relies on after any draw: unit 0 addressed by the
// texture calls and the array calls, every array off, no buffer bound,
// both units modulating; also when the environment was changed behind the
// cache's back (and the cache told).
TEST_F(ObjectDrawTest, EveryDrawLeavesTheUnitsAsTwoDimensionalDrawingExpects) {
  if (g_glext.glActiveTextureARB == nullptr) GTEST_SKIP() << "no multitexturing on this context";
  ImageBuffer picture = OpaquePatternPicture(16, 16, 5);
  ASSERT_TRUE(SpriteFromImage(engine(), 1, picture, 0, false));
  ASSERT_TRUE(SpriteFromImage(engine(), 2, picture, 0, false));
  ImageBufferRelease(picture);
  Build(kBox, {Box(3)}, 0x3080FF);
  X3DSetCulling(engine3d(), 1);
  X3DPosition(engine3d(), 0, 0, -10);
  auto state = [] {
    GLint active = 0;
    GLint client = 0;
    GLint buffer = -1;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    glGetIntegerv(GL_CLIENT_ACTIVE_TEXTURE, &client);
    glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &buffer);
    std::string text = "active " + std::to_string(active - GL_TEXTURE0) + ", client " +
                       std::to_string(client - GL_TEXTURE0) + ", buffer " + std::to_string(buffer);
    for (GLenum array : {GL_VERTEX_ARRAY, GL_NORMAL_ARRAY, GL_COLOR_ARRAY}) {
      if (glIsEnabled(array)) text += ", an array on";
    }
    for (int unit = 1; unit >= 0; --unit) {
      g_glext.glActiveTextureARB(GL_TEXTURE0 + unit);
      g_glext.glClientActiveTextureARB(GL_TEXTURE0 + unit);
      GLint mode = 0;
      glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
      if (mode != GL_MODULATE) text += ", unit " + std::to_string(unit) + " not modulating";
      if (glIsEnabled(GL_TEXTURE_COORD_ARRAY)) text += ", unit " + std::to_string(unit) + " coordinates on";
    }
    return text;
  };
  struct Case {
    const char* label;
    int32_t light;  // the shadow light's index, 0 for none
    int32_t secondSprite;
    bool replacedBehindTheCache;
  };
  const Case cases[] = {
      {"one texture", 0, -1, false},
      {"two textures", 0, 2, false},
      {"bump lighting", -1, -1, false},
      {"cel shading with its outline", -2, -1, false},
      {"a shadow volume", -3, -1, false},
      {"after the environment was set elsewhere", 0, -1, true},
  };
  for (const Case& c : cases) {
    LightSet(engine3d(), c.light == 0 ? -2 : c.light, 0x000000, 0, 0, 10, 0, 0, 0, c.light == 0 ? 0 : 1, false);
    SpriteBindTexture(engine(), 1, c.secondSprite, 0, nullptr);
    if (c.replacedBehindTheCache) {
      GlActiveUnitCached(0);
      glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
      GlTextureCacheInvalidate();
    }
    Object3DDraw(engine3d(), kBox, 0, 0, 0.0f, 0);
    LightSet(engine3d(), -3, 0x000000, 0, 0, 10, 0, 0, 0, 0, false);
    EXPECT_EQ(state(), "active 0, client 0, buffer 0") << c.label;
    GlTextureCacheInvalidate();  // the reading above switched units
  }
}

// A draw list that a shadow volume left as a copy of a frame is not copied
// again while the vertices stay as they are; a pose between frames, a
// texture offset or a change of the vertices fills it anew.
TEST_F(ObjectDrawTest, AShadowVolumeFollowsThePoseAndTheVertices) {
  Build(kOccluder, {{{-4, -4, -10}, {0, 4, -10}, {4, -4, -10}}, {{-2, -4, -10}, {2, 4, -10}, {6, -4, -10}}},
        0xFFFFFF);
  MeshObjectX& mesh = engine3d().objects[kOccluder].meshes[0];
  X3DSetCulling(engine3d(), 1);
  LightSet(engine3d(), -3, 0x000000, 2, 2, 0, 0, 0, 0, 1, false);
  struct Step {
    const char* label;
    float scale;    // of the mesh before the draw
    float offset;   // texture offset in u
    float t;        // from frame 0 to frame 1
  };
  const Step steps[] = {
      {"at rest", 1.0f, 0.0f, 0.0f},   {"at rest again", 1.0f, 0.0f, 0.0f}, {"halfway", 1.0f, 0.0f, 0.5f},
      {"at rest after", 1.0f, 0.0f, 0.0f}, {"offset", 1.0f, 0.25f, 0.0f},   {"at rest", 1.0f, 0.0f, 0.0f},
      {"scaled", 2.0f, 0.0f, 0.0f},    {"scaled back", 0.5f, 0.0f, 0.0f},
  };
  for (const Step& step : steps) {
    if (step.scale != 1.0f) Object3DScaleMeshes(engine3d().objects[kOccluder], step.scale, step.scale, step.scale);
    X3DSetTextureOffset(engine3d(), step.offset, 0.0f);
    Object3DDraw(engine3d(), kOccluder, 0, 1, step.t, 0);
    ASSERT_EQ(mesh.drawNodes.count, 3);
    for (int i = 0; i < 3; ++i) {
      const MeshNode& a = mesh.frames[0].triangles[i];
      const MeshNode& b = mesh.frames[1].triangles[i];
      for (int k = 0; k < 3; ++k) {
        const float want = a.position[k] + (b.position[k] - a.position[k]) * step.t;
        EXPECT_EQ(mesh.drawNodes[i].position[k], want) << step.label << " " << i;
      }
      if (step.t == 0.0f) {
        EXPECT_EQ(mesh.drawNodes[i].u, a.u + step.offset) << step.label << " " << i;
      }
    }
  }
  LightSet(engine3d(), -3, 0x000000, 0, 0, 0, 0, 0, 0, 0, false);
}

// Once the pass is left (a depth clear) with the shadow light still on, a
// caster's volume is drawn where it shows: in the fog as before.
TEST_F(ObjectDrawTest, AVolumeDrawnOutsideThePassShowsInTheFog) {
  Build(kOccluder, {{{-4, -4, -10}, {0, 4, -10}, {4, -4, -10}}}, 0xFFFFFF);
  X3DSetCulling(engine3d(), 1);
  LightSet(engine3d(), -3, 0x000000, 2, 2, 0, 0, 0, 0, 1, false);
  X3DClearDepth(engine3d());
  ASSERT_EQ(engine3d().shadowPass, 0);
  ASSERT_EQ(engine3d().shadowsOn, 1);
  X3DFog(engine3d(), 0x0000FF, 0, 1.0f, 2.0f);  // red, full beyond 2 units
  ClearWindow(0x000000);
  Object3DDraw(engine3d(), kOccluder, 0, 0, 0.0f, 0);
  EXPECT_EQ(PixelAt(kWidth / 2, kHeight / 2), 0xFF0000u);
  LightSet(engine3d(), -3, 0x000000, 0, 0, 0, 0, 0, 0, 0, false);
}

TEST_F(ObjectDrawTest, CelShadingBandsTheColourAndOutlinesTheSilhouette) {
  Build(kBox, {Box(3)}, 0xFFFFFF);
  ClearWindow(0xFFFFFF);
  X3DSetCulling(engine3d(), 1);
  LightSet(engine3d(), -2, 0, 0, 0, -100, 0, 0, 0, 1, false);  // cel shading, the light behind
  X3DPosition(engine3d(), 0, 0, -10);
  Object3DDraw(engine3d(), kBox, 0, 0, 0.0f, 0);
  // The front face turns away from the light: the ramp's darkest step.
  EXPECT_TRUE(ColourNear(PixelAt(kWidth / 2, kHeight / 2), 0x646464, 2));
  // Just beyond the front face's right edge the outline is black; far out
  // the background stays.
  const int edge = static_cast<int>(WindowX(3, 7));
  EXPECT_EQ(PixelAt(edge + 2, kHeight / 2), 0x000000u);
  EXPECT_EQ(PixelAt(edge + 12, kHeight / 2), 0xFFFFFFu);
}

TEST_F(ObjectDrawTest, AShadowVolumeDarkensExactlyTheShadowOnTheFloor) {
  // Clockwise as the light sees it: the side that counts as facing it.
  const Corner corners[3] = {{-4, -4, -10}, {0, 4, -10}, {4, -4, -10}};
  auto moved = [&](float dx) {
    std::vector<Corner> out;
    for (const Corner& c : corners) out.push_back({c.x + dx, c.y, c.z});
    return out;
  };
  struct Case {
    const char* label;
    std::vector<std::vector<Corner>> frames;
    int32_t a, b;
    float t;
    bool buffers;  // vertex buffers, else arrays in memory
  };
  const Case cases[] = {
      {"at rest", {moved(0)}, 0, 0, 0.0f, true},
      {"halfway between two frames", {moved(-3), moved(3)}, 0, 1, 0.5f, true},
      {"without vertex buffers", {moved(-3), moved(3)}, 0, 1, 0.5f, false},
  };
  for (const Case& c : cases) {
    Build(kOccluder, c.frames, 0xFFFFFF);
    ClearWindow(0xFFFFFF);
    X3DBegin(engine3d(), 1.0, 100.0, 90.0);
    DrawSquareAt(-20.0f, 40.0f);  // the floor, into the depth buffer
    const float light[3] = {2, 2, 0};
    X3DSetCulling(engine3d(), 1);  // clockwise front faces, as the occluder is wound
    LightSet(engine3d(), -3, 0x000000, light[0], light[1], light[2], 0, 0, 0, 1, false);
    const auto bind = g_glext.glBindBufferARB;
    if (!c.buffers) g_glext.glBindBufferARB = nullptr;
    Object3DDraw(engine3d(), kOccluder, c.a, c.b, c.t, 0);
    g_glext.glBindBufferARB = bind;
    LightSet(engine3d(), -3, 0x000000, 0, 0, 0, 0, 0, 0, 0, false);

    // The occluder's corners cast from the light onto the floor at z = -20.
    float shadow[3][2];
    for (int i = 0; i < 3; ++i) {
      const float k = (-20.0f - light[2]) / (corners[i].z - light[2]);
      shadow[i][0] = WindowX(light[0] + (corners[i].x - light[0]) * k, 20);
      shadow[i][1] = WindowY(light[1] + (corners[i].y - light[1]) * k, 20);
    }
    // Distances in pixels from the shadow's sides, positive inside.
    const float turn = (shadow[1][0] - shadow[0][0]) * (shadow[2][1] - shadow[0][1]) -
                       (shadow[1][1] - shadow[0][1]) * (shadow[2][0] - shadow[0][0]);
    auto inside = [&](float x, float y, float margin) {
      for (int i = 0; i < 3; ++i) {
        const float* p = shadow[i];
        const float* q = shadow[(i + 1) % 3];
        const float ex = q[0] - p[0];
        const float ey = q[1] - p[1];
        const float d = (ex * (y - p[1]) - ey * (x - p[0])) / std::sqrt(ex * ex + ey * ey);
        if ((turn > 0 ? d : -d) < margin) return false;
      }
      return true;
    };
    int shadowed = 0;
    EXPECT_EQ(WindowDifference([&](int x, int y) {
                const float cx = x + 0.5f;
                const float cy = y + 0.5f;
                if (inside(cx, cy, 1.0f)) {
                  ++shadowed;
                  return 0x7F7F7Fu;
                }
                return inside(cx, cy, -1.0f) ? PixelAt(x, y) : 0xFFFFFFu;
              }),
              "")
        << c.label;
    EXPECT_GT(shadowed, 100) << c.label;
  }
}

}  // namespace
