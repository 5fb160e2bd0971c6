// Sprites per 60 Hz frame: how many 32 x 32 alpha-blended sprites the
// sprite command draws in a frame loop within 16.7 ms, side by side with a
// plain OpenGL program that draws the same quads of the same texture from
// one client vertex array per frame, both in the engine's offscreen window
// of the same size, with the same blending and texture filter. Each count
// is found by bisection on the shortest time of a few frames (drawing,
// swap, glFinish); the two searches go in step with their frames taking
// turns, in a few rounds whose median is reported with the lowest and
// highest ratio. The engine's frame ends as the program's frame does (the
// swap with its batch flush and frame-start clear, then the 2D reset),
// without the frame pacing's wait. The two frames of the final count are
// compared pixel for pixel (same_pixels 1).
//
// Run it also with LP_NUM_THREADS=2 in the environment for Mesa's software
// renderer with two rasteriser threads.
//
// The software renderer allocates and frees its memory for every frame; with
// glibc's default the freed top of the heap goes back to the kernel and
// comes back page fault by page fault in the next frame, which adds up to
// 40% to every frame of both programs depending on what else the heap
// holds. The program keeps it (M_TRIM_THRESHOLD), so that the counts
// measure the drawing.
#include <benchmark/benchmark.h>
#include <GL/gl.h>

#include <algorithm>
#include <chrono>
#include <malloc.h>
#include <cstdlib>
#include <vector>

#include "bench/frame_count_search.h"
#include "bench/plain_sprites.h"
#include "bench/sprite_scene.h"
#include "gfx2d/draw_commands.h"
#include "gfx2d/frame_clear.h"
#include "gfx2d/frame_swap.h"
#include "gfx2d/gl_state_cache.h"
#include "gfx2d/gl_window_modes.h"
#include "gfx2d/image_buffer.h"
#include "gfx2d/opengl_dodevudi.h"
#include "gfx2d/render_state.h"
#include "gfx2d/sprite_commands.h"
#include "gfx2d/sprite_slots.h"
#include "platform/gl_window.h"
#include "process/app_globals.h"

namespace {

using sprite_scene::kSide;

constexpr int32_t kSprite = 1;
constexpr double kFrameMillis = 1000.0 / 60.0;
constexpr int kTimedFrames = 7;
constexpr int kRounds = 5;

// Sprite i's place, the same for both programs and every count.
sprite_scene::Places Places(int width, int height, int count) {
  sprite_scene::Places places;
  places.Cover(count, width, height);
  return places;
}

// The scene's picture in an image buffer.
ImageBuffer SpritePicture() {
  ImageBuffer image;
  ImageBufferResize(image, kSide, kSide);
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) sprite_scene::PicturePixel(x, y, image.pixels + (y * kSide + x) * 4);
  }
  return image;
}

double Millis() {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

class Bench {
 public:
  Bench(int width, int height, bool smoothing) : width_(width), height_(height), smoothing_(smoothing) {}

  bool Start() {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("VNL_NO_MSGBOX", "1", 0);
    g_app.engine2d = &engine_;
    if (GlStartup(engine_, nullptr, width_, height_, 0, 0, 0) == 0) return false;
    engine_.framePeriod = 0.0;  // no pacing: a frame is as long as its work
    ImageBuffer picture = SpritePicture();
    const bool made = SpriteFromImage(engine_, kSprite, picture, 0, false);
    ImageBufferRelease(picture);
    return made;
  }

  ~Bench() { g_app.engine2d = nullptr; }

  // The engine: the sprite command in a frame loop.
  void EngineFrame(const sprite_scene::Places& places, int count) {
    GfxSetSmoothing(smoothing_ ? 1 : 0);
    for (int i = 0; i < count; ++i) SpriteDraw(kSprite, places.x[i], places.y[i]);
    SwapBuffersAndWait(engine_, nullptr);
    glFinish();
    ResetRenderState2D();
  }

  // The plain program (plain_sprites.h), with its state set once before
  // its frames; the clear colour stays the engine's.
  void PlainBegin() { PlainSpriteState(width_, height_, engine_.sprites[kSprite].texture, smoothing_); }

  void PlainDraw(const sprite_scene::Places& places, int count) {
    const SpriteRecord& s = engine_.sprites[kSprite];
    PlainSpriteDraw(places.x.data(), places.y.data(), count, kSide, s.uMax, s.vMax, &plain_);
  }

  void PlainFrame(const sprite_scene::Places& places, int count) {
    PlainDraw(places, count);
    PlatformWindowSwap(engine_.window);
    glFinish();
    glClear(GL_COLOR_BUFFER_BIT);
  }

  // The engine's state back after the plain program's frames.
  void PlainEnd() {
    GlNewContext();
    Reset2DState(engine_);
  }

  // One frame of each program, the engine's first, each timed from its
  // first call to its glFinish; a count of 0 skips that program.
  void TimeFramePair(int engineCount, int plainCount, double* engineMillis, double* plainMillis) {
    if (engineCount > 0) {
      const sprite_scene::Places places = Places(width_, height_, engineCount);
      const double start = Millis();
      EngineFrame(places, engineCount);
      *engineMillis = std::min(*engineMillis, Millis() - start);
    }
    if (plainCount > 0) {
      const sprite_scene::Places places = Places(width_, height_, plainCount);
      PlainBegin();
      const double start = Millis();
      PlainFrame(places, plainCount);
      *plainMillis = std::min(*plainMillis, Millis() - start);
      PlainEnd();
    }
  }

  // The largest counts whose frames fit in 16.7 ms, to within 1%, for the
  // engine and the plain program. The two searches go in step and their
  // frames take turns, so that both see the same load of the machine; a
  // count's time is the shortest of a few frames, since other work only
  // ever makes a frame longer.
  void SpritesPerFrame(int* engineSprites, int* plainSprites) {
    FrameCountSearch engine;
    FrameCountSearch plain;
    while (!engine.Done() || !plain.Done()) {
      const int e = engine.Done() ? 0 : engine.Probe();
      const int p = plain.Done() ? 0 : plain.Probe();
      double engineMillis = 1e9;
      double plainMillis = 1e9;
      TimeFramePair(e, p, &engineMillis, &plainMillis);  // warms up
      engineMillis = 1e9;
      plainMillis = 1e9;
      for (int f = 0; f < kTimedFrames; ++f) TimeFramePair(e, p, &engineMillis, &plainMillis);
      if (e > 0) engine.Report(engineMillis <= kFrameMillis);
      if (p > 0) plain.Report(plainMillis <= kFrameMillis);
    }
    *engineSprites = engine.low;
    *plainSprites = plain.low;
  }

  // The back buffer of one frame of count sprites on a cleared one, read
  // before its swap.
  std::vector<uint8_t> Picture(bool engine, int count) {
    const sprite_scene::Places places = Places(width_, height_, count);
    std::vector<uint8_t> pixels(static_cast<size_t>(width_) * height_ * 4);
    const auto read = [&] {
      glReadBuffer(GL_BACK);
      glPixelStorei(GL_PACK_ALIGNMENT, 1);
      glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    };
    if (engine) {
      ClearScreen(engine_);
      GfxSetSmoothing(smoothing_ ? 1 : 0);
      for (int i = 0; i < count; ++i) SpriteDraw(kSprite, places.x[i], places.y[i]);
      GfxGetPixel(0, 0);  // a read draws the queued quads
      read();
      SwapBuffersAndWait(engine_, nullptr);
      ResetRenderState2D();
    } else {
      PlainBegin();
      glClear(GL_COLOR_BUFFER_BIT);
      PlainDraw(places, count);
      read();
      PlatformWindowSwap(engine_.window);
      PlainEnd();
    }
    return pixels;
  }

 private:
  OpenGLDodevudi engine_;
  int width_;
  int height_;
  bool smoothing_;
  std::vector<float> plain_;
};

// Arguments: width, height, smoothing (0: nearest texels, 1: the engine's
// default, linear).
void BM_SpritesPerFrame(benchmark::State& state) {
  mallopt(M_TRIM_THRESHOLD, 256 << 20);
  Bench bench(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), state.range(2) != 0);
  if (!bench.Start()) {
    state.SkipWithError("no window");
    return;
  }
  std::vector<double> engine;
  std::vector<double> plain;
  std::vector<double> ratios;
  for (auto _ : state) {
    for (int round = 0; round < kRounds; ++round) {
      int e = 0;
      int p = 0;
      bench.SpritesPerFrame(&e, &p);
      engine.push_back(e);
      plain.push_back(p);
      ratios.push_back(p > 0 ? static_cast<double>(e) / p : 0.0);
    }
  }
  const auto median = [](std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
  };
  const double e = median(engine);
  const double p = median(plain);
  state.counters["engine_sprites"] = e;
  state.counters["plain_sprites"] = p;
  state.counters["ratio"] = median(ratios);
  state.counters["ratio_low"] = *std::min_element(ratios.begin(), ratios.end());
  state.counters["ratio_high"] = *std::max_element(ratios.begin(), ratios.end());
  const int count = static_cast<int>(std::min(e, p));
  state.counters["same_pixels"] = bench.Picture(true, count) == bench.Picture(false, count) ? 1 : 0;
}
BENCHMARK(BM_SpritesPerFrame)
    ->Args({640, 480, 0})
    ->Args({1260, 714, 0})
    ->Args({1260, 714, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace
