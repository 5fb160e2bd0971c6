// The 3D engine's drawing against a plain OpenGL program, in three scenes:
// many small objects (a 500-triangle lit, textured, fogged and blended
// torus, each with its own place and turn, over a floor), one mesh of a
// million triangles, and the small objects again with their stencil shadow
// volumes from one light.
//
// The engine is driven through its commands as a game drives it: the
// meshes are built node by node with the build commands, each frame is
// drawn with the 3D commands and ended by ShowScreen (with its three
// clears). The plain program draws the same triangles from static vertex
// buffers (position, normal, texture coordinates packed) with the same
// fixed-function state, one draw call per object; its shadow volumes are
// built per object (each object's faces, neighbours and corners its own)
// from the light-facing triangles, written into one stream buffer and drawn
// twice with lighting, texturing and fog off, as the engine's steps draw
// them. Its matrices come from the engine's matrix functions, so that both
// programs put every vertex in the same place; the light in each object's
// own coordinates it works out itself (back through the turn and the
// move), which tips a few grazing triangles of the shadow scene the other
// way (a handful of pixels differ there).
//
// Each program runs in a child process of its own with its own window and
// context: both under the offscreen video driver, or both on an X server
// (an Xvfb this benchmark starts on a display it finds free, 960x540
// windows side by side; skipped with a message where Xvfb is missing).
// First one frame of each is read back and compared pixel for pixel
// (pixels_over_24: pixels where a channel differs by more than 24). Then
// rounds of a few frames of each, taking turns frame by frame (each frame
// drawn to its end, glFinish, then swapped); a program's time in a round is
// its shortest frame. The counters are the medians over the rounds, ratio
// = plain frame time / engine frame time (the engine's speed as a share of
// the plain program's), with its lowest and highest round; cpu_ratio is the
// same for the processor time of all the process's threads (the work,
// which moves less with the machine's load than the time), main_cpu_ratio
// for the main thread's alone (the calls, the state changes they cause and
// the vertex stage; the rasteriser's threads do the rest).
//
// The software renderer allocates and frees its memory for every frame;
// both children keep freed memory (M_TRIM_THRESHOLD), as the sprite
// benchmark explains.
#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <malloc.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "app/frame_end.h"
#include "bench/plain_gl_window.h"
#include "bench/xvfb_server.h"
#include "app/runtime_main.h"
#include "app/sub_table.h"
#include "core/matrix4.h"
#include "gfx2d/frame_clear.h"
#include "gfx2d/image_buffer.h"
#include "gfx2d/opengl_dodevudi.h"
#include "gfx2d/render_state.h"
#include "gfx2d/sprite_slots.h"
#include "gfx3d/commands3d.h"
#include "process/app_globals.h"

namespace {

constexpr int kWidth = 960;
constexpr int kHeight = 540;
constexpr int kRounds = 7;

enum SceneKind { kSmallObjects = 0, kBigMesh = 1, kShadows = 2 };
enum DisplayKind { kOffscreen = 0, kXvfb = 1 };

// ---------------------------------------------------------------------------
// The scenes, as both programs see them.

constexpr int32_t kSprite = 1;
constexpr int kTextureSide = 64;
constexpr uint32_t kClearColour = 0x302010;  // 0x00BBGGRR
constexpr uint32_t kFogColour = 0x706050;
constexpr uint32_t kShadowColour = 0x000000;
constexpr float kBlendAlpha = 0.85f;
constexpr float kLightDirection[3] = {-0.3f, -1.0f, -0.5f};
constexpr float kShadowLight[3] = {30.0f, 140.0f, 40.0f};
constexpr int kTorusSegments = 25;  // around the ring
constexpr int kTorusSides = 10;     // around the tube: 25 x 10 x 2 = 500 triangles
constexpr int kObjectColumns = 16;
constexpr int kObjectRows = 10;
constexpr int kGridColumns = 1000;  // the big mesh: 1000 x 500 x 2 = 1M triangles
constexpr int kGridRows = 500;

// One vertex as the plain program's buffers hold it; t is the texture
// coordinate as OpenGL sees it (the build command is given -t).
struct Vertex {
  float position[3];
  float normal[3];
  float s, t;
};

struct View {
  float near, far, angle;
  float eye[3];
  float centre[3];
  float fogStart, fogEnd;
};

struct Placement {
  float position[3];
  float angle;
  float axis[3];
};

struct SceneData {
  View view;
  // Each mesh as the strips the build commands are given (each strip one
  // group), and as the triangle list both programs draw.
  std::vector<std::vector<Vertex>> floorStrips;
  std::vector<std::vector<Vertex>> objectStrips;
  std::vector<std::vector<Vertex>> bigStrips;
  std::vector<Vertex> floorTriangles;
  std::vector<Vertex> objectTriangles;
  std::vector<Placement> places;
};

// The triangles of a strip as the engine's triangle lists have them:
// q0 q1 q2, q2 q1 q3, q2 q3 q4, ...
std::vector<Vertex> StripTriangles(const std::vector<std::vector<Vertex>>& strips) {
  std::vector<Vertex> out;
  for (const std::vector<Vertex>& strip : strips) {
    for (size_t k = 2; k < strip.size(); ++k) {
      const bool even = k % 2 == 0;
      out.push_back(strip[even ? k - 2 : k - 1]);
      out.push_back(strip[even ? k - 1 : k - 2]);
      out.push_back(strip[k]);
    }
  }
  return out;
}

// The normals the engine computes for the nodes of a strip when a build in
// normal mode 1 ends: each node's the sum of the face normals of the strip
// triangles it belongs to, in their order, made unit length. The plain
// program lights the same normals.
void StripNormals(std::vector<Vertex>& strip) {
  std::vector<float> sum(strip.size() * 3, 0.0f);
  for (size_t k = 2; k < strip.size(); ++k) {
    const float* c0 = strip[k - 2].position;
    const float* c1 = strip[k - 1].position;
    const float* c2 = strip[k].position;
    float a[3];
    float e[3];
    for (int i = 0; i < 3; ++i) {
      a[i] = c1[i] - c0[i];
      e[i] = c2[i] - c1[i];
    }
    float n[3] = {e[1] * a[2] - a[1] * e[2], e[2] * a[0] - a[2] * e[0], e[0] * a[1] - a[0] * e[1]};
    if (k % 2 == 1) {
      for (float& x : n) x = -x;
    }
    for (size_t c = k - 2; c <= k; ++c) {
      for (int i = 0; i < 3; ++i) sum[c * 3 + i] += n[i];
    }
  }
  for (size_t c = 0; c < strip.size(); ++c) {
    float* n = &sum[c * 3];
    const float q = n[0] * n[0] + n[1] * n[1] + n[2] * n[2];
    if (q > 1e-7f) {
      const float length = std::sqrt(q);
      for (int i = 0; i < 3; ++i) n[i] /= length;
    }
    std::memcpy(strip[c].normal, n, 3 * sizeof(float));
  }
}

// A torus of 25 strips around its ring, each of 20 triangles around the
// tube, wound clockwise from outside.
std::vector<std::vector<Vertex>> Torus() {
  const float ring = 3.0f;
  const float tube = 1.2f;
  auto at = [&](int i, int j) {
    const float u = 6.2831853f * static_cast<float>(i % kTorusSegments) / kTorusSegments;
    const float w = 6.2831853f * static_cast<float>(j % kTorusSides) / kTorusSides;
    const float r = ring + tube * std::cos(w);
    Vertex v = {{r * std::cos(u), tube * std::sin(w), r * std::sin(u)},
                {},
                2.0f * static_cast<float>(i) / kTorusSegments,
                static_cast<float>(j) / kTorusSides};
    return v;
  };
  std::vector<std::vector<Vertex>> strips(kTorusSegments);
  for (int i = 0; i < kTorusSegments; ++i) {
    for (int j = 0; j <= kTorusSides; ++j) {
      strips[i].push_back(at(i + 1, j));
      strips[i].push_back(at(i, j));
    }
    StripNormals(strips[i]);
  }
  return strips;
}

// A square floor of one strip.
std::vector<std::vector<Vertex>> Floor() {
  const float h = 120.0f;
  const float y = -2.0f;
  std::vector<std::vector<Vertex>> strips = {{{{-h, y, h}, {}, 0.0f, 24.0f},
                                              {{-h, y, -h}, {}, 0.0f, 0.0f},
                                              {{h, y, h}, {}, 24.0f, 24.0f},
                                              {{h, y, -h}, {}, 24.0f, 0.0f}}};
  StripNormals(strips[0]);
  return strips;
}

// Hills over a grid with their own normals; each row a strip whose nodes
// alternate between the row's near and far edge, so that its triangles
// face up (clockwise from above).
std::vector<std::vector<Vertex>> Hills() {
  auto at = [&](int i, int j) {
    const float x = -200.0f + 0.4f * static_cast<float>(i);
    const float z = -350.0f + 0.8f * static_cast<float>(j);
    const float y = 8.0f * std::sin(x * 0.05f) * std::cos(z * 0.07f);
    const float dx = 8.0f * 0.05f * std::cos(x * 0.05f) * std::cos(z * 0.07f);
    const float dz = -8.0f * 0.07f * std::sin(x * 0.05f) * std::sin(z * 0.07f);
    const float length = std::sqrt(dx * dx + 1.0f + dz * dz);
    Vertex v = {{x, y, z}, {-dx / length, 1.0f / length, -dz / length}, x * 0.1f, z * 0.1f};
    return v;
  };
  std::vector<std::vector<Vertex>> rows(kGridRows);
  for (int j = 0; j < kGridRows; ++j) {
    for (int i = 0; i <= kGridColumns; ++i) {
      rows[j].push_back(at(i, j + 1));
      rows[j].push_back(at(i, j));
    }
  }
  return rows;
}

SceneData MakeScene(int scene) {
  SceneData d;
  if (scene == kBigMesh) {
    d.view = {1.0f, 1000.0f, 60.0f, {0.0f, 50.0f, 80.0f}, {0.0f, 0.0f, -120.0f}, 100.0f, 500.0f};
    d.bigStrips = Hills();
    d.places.push_back({{0.0f, 0.0f, 0.0f}, 0.0f, {0.0f, 1.0f, 0.0f}});
    return d;
  }
  d.view = {1.0f, 400.0f, 60.0f, {0.0f, 28.0f, 40.0f}, {0.0f, 0.0f, -35.0f}, 40.0f, 200.0f};
  d.floorStrips = Floor();
  d.objectStrips = Torus();
  d.floorTriangles = StripTriangles(d.floorStrips);
  d.objectTriangles = StripTriangles(d.objectStrips);
  for (int r = 0; r < kObjectRows; ++r) {
    for (int c = 0; c < kObjectColumns; ++c) {
      const int i = r * kObjectColumns + c;
      Placement p = {{-75.0f + 10.0f * static_cast<float>(c), 1.5f + static_cast<float>(i % 3),
                      -90.0f + 10.0f * static_cast<float>(r)},
                     static_cast<float>((i * 37) % 360),
                     {0.3f, 1.0f, 0.2f * static_cast<float>(i % 5 - 2)}};
      d.places.push_back(p);
    }
  }
  return d;
}

// Texel (x, row) of the texture, rows counted from the bottom as OpenGL
// stores them.
void Texel(int x, int row, uint8_t out[4]) {
  const bool check = ((x / 8) + (row / 8)) % 2 == 0;
  out[0] = static_cast<uint8_t>(check ? 230 : 60 + x * 2);
  out[1] = static_cast<uint8_t>(check ? 200 : 90 + row * 2);
  out[2] = static_cast<uint8_t>(check ? 150 : 200 - x);
  out[3] = 255;
}

void ColourFloats(uint32_t c, float alpha, float out[4]) {
  out[0] = static_cast<float>(c & 255) / 255.0f;
  out[1] = static_cast<float>((c >> 8) & 255) / 255.0f;
  out[2] = static_cast<float>((c >> 16) & 255) / 255.0f;
  out[3] = alpha;
}

// The object's matrix as the engine's transform stack makes it from a
// position and one turn.
void ModelMatrix(const Placement& p, float out[16]) {
  float turn[16];
  Mat4Translation(p.position[0], p.position[1], p.position[2], out);
  if (Mat4Rotation(p.angle, p.axis[0], p.axis[1], p.axis[2], turn)) Mat4Multiply(out, turn, out);
}

double Millis() {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Processor time in milliseconds: of the whole process (every thread of
// the renderer) or of the calling thread alone.
double CpuMillis(clockid_t clock) {
  timespec t = {};
  clock_gettime(clock, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// What a child measures of its frames: wall time, the process's processor
// time, the main thread's processor time.
constexpr int kMeasures = 3;

// ---------------------------------------------------------------------------
// The talk between the benchmark and its two children: a command (what,
// frames) down one pipe, the answer up the other.

enum Command : int32_t { kQuit = 0, kPicture = 1, kFrames = 2 };

bool WriteAll(int fd, const void* data, size_t bytes) {
  const char* p = static_cast<const char*>(data);
  while (bytes > 0) {
    const ssize_t n = write(fd, p, bytes);
    if (n <= 0) return false;
    p += n;
    bytes -= static_cast<size_t>(n);
  }
  return true;
}

// Fails too when nothing comes for ten minutes: a child that stopped
// answering ends the benchmark instead of holding it.
bool ReadAll(int fd, void* data, size_t bytes) {
  char* p = static_cast<char*>(data);
  while (bytes > 0) {
    pollfd wait = {fd, POLLIN, 0};
    if (poll(&wait, 1, 600 * 1000) <= 0) return false;
    const ssize_t n = read(fd, p, bytes);
    if (n <= 0) return false;
    p += n;
    bytes -= static_cast<size_t>(n);
  }
  return true;
}

std::vector<uint8_t> ReadBackBuffer() {
  std::vector<uint8_t> pixels(static_cast<size_t>(kWidth) * kHeight * 3);
  glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, kWidth, kHeight, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
  return pixels;
}

// What each child does: set up, then draw frames on command.
class SceneProgram {
 public:
  virtual ~SceneProgram() = default;
  // Draws one frame and reads it back before it is shown.
  virtual std::vector<uint8_t> Picture() = 0;
  // Draws one frame, waits until it is drawn, shows it. What the swap
  // starts for the next frame (the engine's clears) goes with the next
  // frame's drawing, as it does in a game's frame loop.
  virtual void Frame() = 0;
};

// Serves commands until told to quit or the benchmark is gone.
void Serve(SceneProgram& program, int in, int out) {
  const int32_t ready = 1;
  if (!WriteAll(out, &ready, sizeof ready)) return;
  for (;;) {
    int32_t command[2] = {kQuit, 0};
    if (!ReadAll(in, command, sizeof command) || command[0] == kQuit) return;
    if (command[0] == kPicture) {
      const std::vector<uint8_t> pixels = program.Picture();
      if (!WriteAll(out, pixels.data(), pixels.size())) return;
    } else {
      const double start[kMeasures] = {Millis(), CpuMillis(CLOCK_PROCESS_CPUTIME_ID),
                                       CpuMillis(CLOCK_THREAD_CPUTIME_ID)};
      for (int f = 0; f < command[1]; ++f) program.Frame();
      const double millis[kMeasures] = {Millis() - start[0], CpuMillis(CLOCK_PROCESS_CPUTIME_ID) - start[1],
                                        CpuMillis(CLOCK_THREAD_CPUTIME_ID) - start[2]};
      if (!WriteAll(out, millis, sizeof millis)) return;
    }
  }
}

// ---------------------------------------------------------------------------
// The engine, through its commands.

void EngineProjectSettings() {
  g_app.width = kWidth;
  g_app.height = kHeight;
  g_app.fullScreen = 0;
  g_app.debugMode = 0;
  g_app.exclusiveMouse = 0;
  g_app.multisample = 0;
  g_app.frameRate = 60;
}

class EngineProgram : public SceneProgram {
 public:
  EngineProgram(int scene, const SceneData& data) : scene_(scene), data_(data) {}

  bool Start() {
    GameProgram game = {};
    game.projectSettings = EngineProjectSettings;
    RuntimeSetGame(game);
    RuntimeInit();
    if (g_app.engine2d == nullptr || g_app.engine3d == nullptr) return false;
    // On the X server the plain program's window may take the focus:
    // the engine goes on drawing, as a game that turns auto-pause off.
    AppSetAutoPause(0);
    g_app.engine2d->framePeriod = 0.0;  // no pacing: a frame is as long as its work
    ImageBuffer picture;
    ImageBufferResize(picture, kTextureSide, kTextureSide);
    for (int y = 0; y < kTextureSide; ++y) {
      for (int x = 0; x < kTextureSide; ++x) {
        Texel(x, kTextureSide - 1 - y, picture.pixels + (y * kTextureSide + x) * 4);
      }
    }
    const bool made = SpriteFromImage(*g_app.engine2d, kSprite, picture, 0, false);
    ImageBufferRelease(picture);
    if (!made) return false;
    GfxClearScreen(static_cast<int32_t>(kClearColour));
    if (scene_ == kBigMesh) {
      X3DSetNormalMode(0);  // the normals given
      Build(1, data_.bigStrips);
      objects_.push_back(1);
      return Object3DTriangleCount(1) == 2 * kGridColumns * kGridRows;
    }
    X3DSetNormalMode(1);  // normals computed node by node
    Build(0, data_.floorStrips);
    for (size_t i = 0; i < data_.places.size(); ++i) {
      const int32_t slot = static_cast<int32_t>(i) + 1;
      Build(slot, data_.objectStrips);
      objects_.push_back(slot);
    }
    return Object3DTriangleCount(1) == 2 * kTorusSegments * kTorusSides;
  }

  std::vector<uint8_t> Picture() override {
    Draw();
    std::vector<uint8_t> pixels = ReadBackBuffer();
    ShowScreen();
    return pixels;
  }

  void Frame() override {
    Draw();
    glFinish();
    ShowScreen();
  }

 private:
  static void Node(const Vertex& v) {
    ObjectBuildNormal(v.normal[0], v.normal[1], v.normal[2]);
    ObjectBuildVertex(v.position[0], v.position[1], v.position[2], v.s, -v.t, 0xFFFFFF);
  }

  // One group a strip; the build starts with a strip group of its own.
  static void Build(int32_t slot, const std::vector<std::vector<Vertex>>& strips) {
    ObjectBuildBegin(static_cast<uint32_t>(slot));
    for (size_t i = 0; i < strips.size(); ++i) {
      if (i > 0) ObjectBuildNewGroup();
      for (const Vertex& v : strips[i]) Node(v);
    }
    ObjectBuildEnd();
  }

  void DrawObjects() {
    for (size_t i = 0; i < objects_.size(); ++i) {
      const Placement& p = data_.places[i];
      X3DPosition(p.position[0], p.position[1], p.position[2]);
      if (p.angle != 0.0f) X3DRotate(p.angle, p.axis[0], p.axis[1], p.axis[2]);
      Object3DDrawFrame(objects_[i], 0);
    }
  }

  void Draw() {
    const View& v = data_.view;
    X3DBegin(v.near, v.far, v.angle);
    X3DSetCamera(v.eye[0], v.eye[1], v.eye[2], v.centre[0], v.centre[1], v.centre[2]);
    X3DLight(0, 0xFFFFFF, 0, 0, 0, kLightDirection[0], kLightDirection[1], kLightDirection[2], 180);
    X3DFog(kFogColour, 0, v.fogStart, v.fogEnd);
    GfxSetBlendMode(-kBlendAlpha);
    X3DSetCulling(1);
    X3DSetTextures(kSprite, -1);
    if (scene_ != kBigMesh) {
      X3DPosition(0, 0, 0);
      Object3DDrawFrame(0, 0);
    }
    DrawObjects();
    if (scene_ == kShadows) {
      X3DLight(-3, kShadowColour, kShadowLight[0], kShadowLight[1], kShadowLight[2], 0, 0, 0, 1);
      DrawObjects();
      X3DLight(-3, kShadowColour, kShadowLight[0], kShadowLight[1], kShadowLight[2], 0, 0, 0, 0);
    }
  }

  int scene_;
  const SceneData& data_;
  std::vector<int32_t> objects_;
};

// ---------------------------------------------------------------------------
// The plain program: its own window and context, static vertex buffers,
// the fixed-function state set once per frame.

// What the plain program keeps of a mesh for its shadow volumes: the
// corners, the neighbour across each side, each triangle's normal and
// centroid term.
struct VolumeMesh {
  std::vector<float> corners;  // 3 floats a corner
  std::vector<int32_t> neighbour;
  std::vector<float> normal;
  std::vector<float> centroid;
  std::vector<uint8_t> facing;
  std::vector<float> volume;  // the volume's vertices, 4 floats each
};

VolumeMesh MakeVolumeMesh(const std::vector<Vertex>& triangles) {
  VolumeMesh m;
  const size_t n = triangles.size();
  std::map<std::tuple<float, float, float, float, float, float>, int32_t> sides;
  m.neighbour.assign(n, -1);
  for (size_t i = 0; i < n; ++i) {
    for (float x : triangles[i].position) m.corners.push_back(x);
  }
  for (size_t t = 0; t < n / 3; ++t) {
    const float* p = triangles[3 * t].position;
    const float* q = triangles[3 * t + 1].position;
    const float* r = triangles[3 * t + 2].position;
    const float a[3] = {p[0] - q[0], p[1] - q[1], p[2] - q[2]};
    const float b[3] = {r[0] - q[0], r[1] - q[1], r[2] - q[2]};
    m.normal.push_back(a[1] * b[2] - a[2] * b[1]);
    m.normal.push_back(a[2] * b[0] - a[0] * b[2]);
    m.normal.push_back(a[0] * b[1] - a[1] * b[0]);
    for (int k = 0; k < 3; ++k) m.centroid.push_back((p[k] + q[k] + r[k]) * -0.33333334f);
    for (int k = 0; k < 3; ++k) {
      const float* from = triangles[3 * t + k].position;
      const float* to = triangles[3 * t + (k + 1) % 3].position;
      // A side is met once from each of its two triangles, the other way.
      const auto key = std::make_tuple(to[0], to[1], to[2], from[0], from[1], from[2]);
      const auto found = sides.find(key);
      if (found != sides.end()) {
        m.neighbour[3 * t + k] = found->second / 3;
        m.neighbour[found->second] = static_cast<int32_t>(t);
      } else {
        sides[std::make_tuple(from[0], from[1], from[2], to[0], to[1], to[2])] = static_cast<int32_t>(3 * t + k);
      }
    }
  }
  m.facing.resize(n / 3);
  return m;
}

class PlainProgram : public SceneProgram {
 public:
  PlainProgram(int scene, const SceneData& data) : scene_(scene), data_(data) {}

  ~PlainProgram() override {
    if (context_ != nullptr) SDL_GL_DeleteContext(context_);
    if (window_ != nullptr) SDL_DestroyWindow(window_);
    SDL_Quit();
  }

  bool Start(bool besideTheEngine) {
    if (SDL_Init(SDL_INIT_VIDEO) != 0) return false;
    PlainGlAttributes(24, 8);
    // On the X server the engine's window is centred on a screen three
    // windows wide; this one stays left of it.
    const int at = besideTheEngine ? 0 : SDL_WINDOWPOS_CENTERED;
    window_ = SDL_CreateWindow("plain", at, at, kWidth, kHeight, SDL_WINDOW_OPENGL);
    if (window_ == nullptr) return false;
    context_ = SDL_GL_CreateContext(window_);
    if (context_ == nullptr) return false;
    SDL_GL_SetSwapInterval(0);

    glGenTextures(1, &texture_);
    glBindTexture(GL_TEXTURE_2D, texture_);
    std::vector<uint8_t> texels(kTextureSide * kTextureSide * 4);
    for (int row = 0; row < kTextureSide; ++row) {
      for (int x = 0; x < kTextureSide; ++x) Texel(x, row, &texels[(row * kTextureSide + x) * 4]);
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, kTextureSide, kTextureSide, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 texels.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);

    if (scene_ == kBigMesh) {
      objects_.push_back(Upload(StripTriangles(data_.bigStrips)));
      return true;
    }
    floor_ = Upload(data_.floorTriangles);
    for (size_t i = 0; i < data_.places.size(); ++i) objects_.push_back(Upload(data_.objectTriangles));
    if (scene_ == kShadows) {
      // Each object its own, as each has its own vertex buffer.
      volumes_.assign(data_.places.size(), MakeVolumeMesh(data_.objectTriangles));
      glGenBuffers(1, &volumeBuffer_);
    }
    return true;
  }

  std::vector<uint8_t> Picture() override {
    Draw();
    std::vector<uint8_t> pixels = ReadBackBuffer();
    SDL_GL_SwapWindow(window_);
    return pixels;
  }

  void Frame() override {
    Draw();
    glFinish();
    SDL_GL_SwapWindow(window_);
  }

 private:
  struct Buffer {
    GLuint name;
    GLsizei count;
  };

  static Buffer Upload(const std::vector<Vertex>& triangles) {
    Buffer b = {0, static_cast<GLsizei>(triangles.size())};
    glGenBuffers(1, &b.name);
    glBindBuffer(GL_ARRAY_BUFFER, b.name);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(triangles.size() * sizeof(Vertex)), triangles.data(),
                 GL_STATIC_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    return b;
  }

  static void DrawBuffer(const Buffer& b) {
    glBindBuffer(GL_ARRAY_BUFFER, b.name);
    glVertexPointer(3, GL_FLOAT, sizeof(Vertex), reinterpret_cast<const void*>(offsetof(Vertex, position)));
    glNormalPointer(GL_FLOAT, sizeof(Vertex), reinterpret_cast<const void*>(offsetof(Vertex, normal)));
    glTexCoordPointer(2, GL_FLOAT, sizeof(Vertex), reinterpret_cast<const void*>(offsetof(Vertex, s)));
    glDrawArrays(GL_TRIANGLES, 0, b.count);
  }

  void SetUp3D() {
    const View& v = data_.view;
    const float h = std::tan(std::fabs(v.angle) * 0.5f * kDegreesToRadians3D);
    const float aspect = static_cast<float>(kWidth) / static_cast<float>(kHeight);
    float projection[16];
    Mat4Frustum(-h * v.near * aspect, h * v.near * aspect, -h * v.near, h * v.near, v.near, v.far, projection);
    const float up[3] = {0.0f, 1.0f, 0.0f};
    Mat4LookAt(v.eye, v.centre, up, camera_);
    glViewport(0, 0, kWidth, kHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(projection);
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixf(camera_);

    float light[4] = {-kLightDirection[0], -kLightDirection[1], -kLightDirection[2], 0.0f};
    Vec3Normalise(light, 1e-7f);
    const float white[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    const float black[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    glLightfv(GL_LIGHT0, GL_POSITION, light);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
    glLightfv(GL_LIGHT0, GL_SPECULAR, black);
    glColorMaterial(GL_FRONT_AND_BACK, GL_DIFFUSE);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_COLOR_MATERIAL);
    float fog[4];
    ColourFloats(kFogColour, 0.0f, fog);
    glFogi(GL_FOG_MODE, GL_LINEAR);
    glFogf(GL_FOG_START, v.fogStart);
    glFogf(GL_FOG_END, v.fogEnd);
    glFogfv(GL_FOG_COLOR, fog);
    glEnable(GL_FOG);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(1.0f, 1.0f, 1.0f, kBlendAlpha);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glDepthMask(GL_TRUE);
    glFrontFace(GL_CW);
    glCullFace(GL_BACK);
    glEnable(GL_CULL_FACE);
    glShadeModel(GL_SMOOTH);
    glBindTexture(GL_TEXTURE_2D, texture_);
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  }

  void DrawObjects() {
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    if (scene_ != kBigMesh) DrawBuffer(floor_);
    for (size_t i = 0; i < objects_.size(); ++i) {
      float model[16];
      ModelMatrix(data_.places[i], model);
      glPushMatrix();
      glMultMatrixf(model);
      DrawBuffer(objects_[i]);
      glPopMatrix();
    }
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
  }

  // The volume of one object in its own coordinates: the sides swept from
  // the silhouette of the triangles facing the light, then the caps, into
  // the stream buffer; drawn counting up through the front faces, then
  // down through the back faces.
  void DrawVolume(VolumeMesh& m, const float light[3]) {
    const size_t triangles = m.facing.size();
    for (size_t t = 0; t < triangles; ++t) {
      float f = 0.0f;
      for (int k = 0; k < 3; ++k) f += m.normal[3 * t + k] * (light[k] + m.centroid[3 * t + k]);
      m.facing[t] = f >= 0.0f ? 1 : 0;
    }
    std::vector<float>& out = m.volume;
    out.clear();
    auto corner = [&](size_t c, bool far) {
      const float* p = &m.corners[3 * c];
      if (far) {
        out.insert(out.end(), {p[0] - light[0], p[1] - light[1], p[2] - light[2], 0.0f});
      } else {
        out.insert(out.end(), {p[0], p[1], p[2], 1.0f});
      }
    };
    for (size_t t = 0; t < triangles; ++t) {
      if (m.facing[t] == 0) continue;
      for (size_t k = 0; k < 3; ++k) {
        const int32_t n = m.neighbour[3 * t + k];
        if (n >= 0 && m.facing[n] != 0) continue;
        const size_t from = 3 * t + k;
        const size_t to = 3 * t + (k + 1) % 3;
        corner(to, false);
        corner(from, false);
        corner(from, true);
        corner(to, true);
      }
    }
    const GLsizei sides = static_cast<GLsizei>(out.size() / 4);
    for (size_t c = 0; c < 3 * triangles; ++c) corner(c, m.facing[c / 3] == 0);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(out.size() * sizeof(float)), out.data(), GL_STREAM_DRAW);
    glVertexPointer(4, GL_FLOAT, 0, nullptr);
    glStencilOp(GL_KEEP, GL_KEEP, GL_INCR);
    glCullFace(GL_BACK);
    glDrawArrays(GL_QUADS, 0, sides);
    glDrawArrays(GL_TRIANGLES, sides, static_cast<GLsizei>(3 * triangles));
    glStencilOp(GL_KEEP, GL_KEEP, GL_DECR);
    glCullFace(GL_FRONT);
    glDrawArrays(GL_QUADS, 0, sides);
    glDrawArrays(GL_TRIANGLES, sides, static_cast<GLsizei>(3 * triangles));
  }

  void DrawShadows() {
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_FOG);
    glShadeModel(GL_FLAT);
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    glDepthMask(GL_FALSE);
    glEnable(GL_STENCIL_TEST);
    glStencilFunc(GL_ALWAYS, 0, ~0u);
    glBindBuffer(GL_ARRAY_BUFFER, volumeBuffer_);
    for (size_t i = 0; i < data_.places.size(); ++i) {
      const Placement& p = data_.places[i];
      float model[16];
      ModelMatrix(p, model);
      // The light in the object's own coordinates: back through the turn
      // and the move.
      float turn[16];
      float light[3] = {kShadowLight[0] - p.position[0], kShadowLight[1] - p.position[1],
                        kShadowLight[2] - p.position[2]};
      if (Mat4Rotation(p.angle, p.axis[0], p.axis[1], p.axis[2], turn)) {
        const float moved[3] = {light[0], light[1], light[2]};
        for (int r = 0; r < 3; ++r) light[r] = turn[r * 4] * moved[0] + turn[r * 4 + 1] * moved[1] + turn[r * 4 + 2] * moved[2];
      }
      glPushMatrix();
      glMultMatrixf(model);
      DrawVolume(volumes_[i], light);
      glPopMatrix();
    }
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    // The shadowed pixels darkened at half opacity in the shadow colour.
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDepthMask(GL_TRUE);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glShadeModel(GL_SMOOTH);
    glStencilFunc(GL_NOTEQUAL, 0, ~0u);
    glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, kWidth, kHeight, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    float shade[4];
    ColourFloats(kShadowColour, 0.5f, shade);
    glColor4fv(shade);
    glBegin(GL_QUADS);
    glVertex2f(0.0f, 0.0f);
    glVertex2f(kWidth, 0.0f);
    glVertex2f(kWidth, kHeight);
    glVertex2f(0.0f, kHeight);
    glEnd();
    glDisable(GL_STENCIL_TEST);
  }

  void Draw() {
    float clear[4];
    ColourFloats(kClearColour, 1.0f, clear);
    glClearColor(clear[0], clear[1], clear[2], clear[3]);
    glClearStencil(0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    SetUp3D();
    DrawObjects();
    if (scene_ == kShadows) DrawShadows();
    glDisableClientState(GL_VERTEX_ARRAY);
  }

  int scene_;
  const SceneData& data_;
  SDL_Window* window_ = nullptr;
  SDL_GLContext context_ = nullptr;
  GLuint texture_ = 0;
  float camera_[16] = {};
  Buffer floor_ = {};
  std::vector<Buffer> objects_;
  std::vector<VolumeMesh> volumes_;
  GLuint volumeBuffer_ = 0;
};

// ---------------------------------------------------------------------------
// The benchmark: the X server, the two children, the comparison and the
// rounds.

struct Child {
  pid_t pid = -1;
  int in = -1;   // commands to the child
  int out = -1;  // its answers
};

// Runs program(scene, data, in, out) in a child process with the video
// driver of the display; stdout goes to /dev/null (the build command
// writes a line a node).
Child StartChild(bool engine, int scene, int display, const std::string& xDisplay, const std::string& folder) {
  int down[2];
  int up[2];
  Child c;
  if (pipe(down) != 0) return c;
  if (pipe(up) != 0) {
    close(down[0]);
    close(down[1]);
    return c;
  }
  std::fflush(nullptr);
  c.pid = fork();
  if (c.pid == 0) {
    close(down[1]);
    close(up[0]);
    if (std::freopen("/dev/null", "w", stdout) == nullptr) _exit(126);
    setenv("TMPDIR", folder.c_str(), 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    setenv("VNL_NO_MSGBOX", "1", 1);
    if (display == kXvfb) {
      setenv("SDL_VIDEODRIVER", "x11", 1);
      setenv("DISPLAY", xDisplay.c_str(), 1);
    } else {
      setenv("SDL_VIDEODRIVER", "offscreen", 1);
    }
    mallopt(M_TRIM_THRESHOLD, 512 << 20);
    const SceneData data = MakeScene(scene);
    const int32_t failed = 0;
    if (engine) {
      EngineProgram program(scene, data);
      if (!program.Start()) {
        WriteAll(up[1], &failed, sizeof failed);
        _exit(1);
      }
      Serve(program, down[0], up[1]);
    } else {
      PlainProgram program(scene, data);
      if (!program.Start(display == kXvfb)) {
        WriteAll(up[1], &failed, sizeof failed);
        _exit(1);
      }
      Serve(program, down[0], up[1]);
    }
    _exit(0);  // the runtime's teardown has its own tests
  }
  close(down[0]);
  close(up[1]);
  c.in = down[1];
  c.out = up[0];
  return c;
}

// Tells the child to quit; one that has not ended five seconds later is
// killed.
void StopChild(Child& c) {
  if (c.pid <= 0) return;
  const int32_t quit[2] = {kQuit, 0};
  WriteAll(c.in, quit, sizeof quit);
  close(c.in);
  close(c.out);
  int status = 0;
  for (int waited = 0; waitpid(c.pid, &status, WNOHANG) != c.pid; ++waited) {
    if (waited == 5000) kill(c.pid, SIGKILL);
    usleep(1000);
  }
  c.pid = -1;
}

bool Ready(const Child& c) {
  int32_t ready = 0;
  return c.pid > 0 && ReadAll(c.out, &ready, sizeof ready) && ready == 1;
}

bool AskPicture(const Child& c, std::vector<uint8_t>* pixels) {
  const int32_t command[2] = {kPicture, 0};
  pixels->assign(static_cast<size_t>(kWidth) * kHeight * 3, 0);
  return WriteAll(c.in, command, sizeof command) && ReadAll(c.out, pixels->data(), pixels->size());
}

// The measures of the frames.
bool AskFrames(const Child& c, int frames, double millis[kMeasures]) {
  const int32_t command[2] = {kFrames, frames};
  return WriteAll(c.in, command, sizeof command) && ReadAll(c.out, millis, kMeasures * sizeof(double));
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0.0 : v[v.size() / 2];
}

int PixelsOver(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, int limit) {
  int count = 0;
  for (size_t p = 0; p + 2 < a.size() && p + 2 < b.size(); p += 3) {
    for (int k = 0; k < 3; ++k) {
      if (std::abs(a[p + k] - b[p + k]) > limit) {
        ++count;
        break;
      }
    }
  }
  return count;
}

// Writes the two pictures as PPM files into the folder that
// VNL_SCENE3D_PICTURES names, when it is set.
void KeepPictures(int scene, int display, const std::vector<uint8_t>& engine, const std::vector<uint8_t>& plain) {
  const char* folder = std::getenv("VNL_SCENE3D_PICTURES");
  if (folder == nullptr) return;
  for (int which = 0; which < 2; ++which) {
    const std::string name = std::string(folder) + "/scene" + std::to_string(scene) + "_" +
                             (display == kXvfb ? "x11" : "offscreen") + (which == 0 ? "_engine" : "_plain") + ".ppm";
    std::FILE* f = std::fopen(name.c_str(), "wb");
    if (f == nullptr) continue;
    std::fprintf(f, "P6\n%d %d\n255\n", kWidth, kHeight);
    const std::vector<uint8_t>& pixels = which == 0 ? engine : plain;
    for (int row = kHeight - 1; row >= 0; --row) std::fwrite(&pixels[static_cast<size_t>(row) * kWidth * 3], 1, kWidth * 3, f);
    std::fclose(f);
  }
}

// Arguments: the scene, the display.
void BM_Scene3D(benchmark::State& state) {
  const int scene = static_cast<int>(state.range(0));
  const int display = static_cast<int>(state.range(1));
  signal(SIGPIPE, SIG_IGN);  // a child that ended makes a write fail, not this program
  XvfbServer x;
  std::string why;
  if (display == kXvfb && !x.Start("2880x1080x24", &why)) {
    state.SkipWithError(why.c_str());
    return;
  }
  char scratch[] = "/tmp/vnlscene3d.XXXXXX";
  if (mkdtemp(scratch) == nullptr) {
    state.SkipWithError("no temporary folder");
    return;
  }
  Child engine = StartChild(true, scene, display, x.Display(), scratch);
  Child plain = StartChild(false, scene, display, x.Display(), scratch);
  const bool ready = Ready(engine) && Ready(plain);
  const int frames = scene == kBigMesh ? 5 : 15;
  std::vector<double> engineMillis;
  std::vector<double> plainMillis;
  std::vector<double> ratios;
  std::vector<double> cpuRatios;
  std::vector<double> mainCpuRatios;
  std::vector<uint8_t> enginePicture;
  std::vector<uint8_t> plainPicture;
  bool ok = ready && AskPicture(engine, &enginePicture) && AskPicture(plain, &plainPicture);
  double warm[kMeasures] = {};
  ok = ok && AskFrames(engine, 2, warm) && AskFrames(plain, 2, warm);
  for (auto _ : state) {
    for (int round = 0; ok && round < kRounds; ++round) {
      // Frame by frame in turns, each going first in every other frame;
      // a program's time in the round is its shortest frame, since other
      // work on the machine only ever makes a frame longer.
      double e[kMeasures] = {1e30, 1e30, 1e30};
      double p[kMeasures] = {1e30, 1e30, 1e30};
      for (int f = 0; ok && f < frames; ++f) {
        double fe[kMeasures] = {};
        double fp[kMeasures] = {};
        if (f % 2 == 0) {
          ok = AskFrames(engine, 1, fe) && AskFrames(plain, 1, fp);
        } else {
          ok = AskFrames(plain, 1, fp) && AskFrames(engine, 1, fe);
        }
        for (int k = 0; k < kMeasures; ++k) {
          e[k] = std::min(e[k], fe[k]);
          p[k] = std::min(p[k], fp[k]);
        }
      }
      engineMillis.push_back(e[0]);
      plainMillis.push_back(p[0]);
      ratios.push_back(p[0] / e[0]);
      cpuRatios.push_back(p[1] / e[1]);
      mainCpuRatios.push_back(p[2] / e[2]);
    }
  }
  StopChild(engine);
  StopChild(plain);
  x.Stop();
  const std::string folder = scratch;
  unlink((folder + "/ErrorLog.txt").c_str());
  rmdir(scratch);
  if (!ok) {
    state.SkipWithError(ready ? "a child program stopped answering" : "a child program could not start");
    return;
  }
  KeepPictures(scene, display, enginePicture, plainPicture);
  state.counters["engine_ms"] = Median(engineMillis);
  state.counters["plain_ms"] = Median(plainMillis);
  state.counters["ratio"] = Median(ratios);
  state.counters["ratio_low"] = *std::min_element(ratios.begin(), ratios.end());
  state.counters["ratio_high"] = *std::max_element(ratios.begin(), ratios.end());
  state.counters["cpu_ratio"] = Median(cpuRatios);
  state.counters["main_cpu_ratio"] = Median(mainCpuRatios);
  state.counters["pixels_over_24"] = PixelsOver(enginePicture, plainPicture, 24);
}
BENCHMARK(BM_Scene3D)
    ->ArgNames({"scene", "xvfb"})
    ->Args({kSmallObjects, kOffscreen})
    ->Args({kBigMesh, kOffscreen})
    ->Args({kShadows, kOffscreen})
    ->Args({kSmallObjects, kXvfb})
    ->Args({kBigMesh, kXvfb})
    ->Args({kShadows, kXvfb})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace
