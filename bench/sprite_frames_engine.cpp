// The engine's side of the sprite-frame benchmark (sprite_frames_bench):
// the runtime started as the game starts it, in a 1260 x 714 window, then
// frames drawn as a game draws them: the sprite command once per sprite
// and ShowScreen at the end. The frame pacing's wait is off, so that a
// frame is as long as its work; the argument 0 turns texture smoothing off
// for each frame. Commands: see sprite_frames_protocol.h.
#include <GL/gl.h>
#include <malloc.h>

#include <cstdlib>
#include <vector>

#include "app/frame_end.h"
#include "app/runtime_main.h"
#include "bench/sprite_frames_protocol.h"
#include "bench/sprite_scene.h"
#include "game/project_settings.h"
#include "gfx2d/draw_commands.h"
#include "gfx2d/frame_clear.h"
#include "gfx2d/image_buffer.h"
#include "gfx2d/opengl_dodevudi.h"
#include "gfx2d/sprite_commands.h"
#include "gfx2d/sprite_slots.h"
#include "process/app_globals.h"

namespace {

using sprite_frames::kHeight;
using sprite_frames::kWidth;
using sprite_scene::kSide;

constexpr int32_t kSprite = 1;

bool g_smoothing = true;
sprite_scene::Places g_places;

bool MakeSprite() {
  ImageBuffer image;
  if (!ImageBufferResize(image, kSide, kSide)) return false;
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) sprite_scene::PicturePixel(x, y, image.pixels + (y * kSide + x) * 4);
  }
  const bool made = SpriteFromImage(*g_app.engine2d, kSprite, image, 0, false);
  ImageBufferRelease(image);
  return made;
}

void DrawSprites(int count) {
  g_places.Cover(count, kWidth, kHeight);
  GfxSetSmoothing(g_smoothing ? 1 : 0);
  for (int i = 0; i < count; ++i) SpriteDraw(kSprite, g_places.x[i], g_places.y[i]);
}

double Frame(int count) {
  const double start = sprite_frames::Millis();
  DrawSprites(count);
  ShowScreen();
  glFinish();
  return sprite_frames::Millis() - start;
}

std::vector<uint8_t> Picture(int count) {
  ClearScreen(*g_app.engine2d);
  DrawSprites(count);
  GfxGetPixel(0, 0);  // a read draws the queued quads
  std::vector<uint8_t> pixels = sprite_frames::ReadBackBuffer();
  ShowScreen();
  return pixels;
}

}  // namespace

int main(int argc, char** argv) {
  // The software renderer frees and allocates its frame memory every frame;
  // glibc would give the top of the heap back to the kernel each time.
  mallopt(M_TRIM_THRESHOLD, 256 << 20);
  g_smoothing = argc < 2 || std::atoi(argv[1]) != 0;
  ProjectSettings();
  g_app.width = kWidth;
  g_app.height = kHeight;
  if (AppInit(kShowDefault, g_app.appTitle) == 0 || g_app.engine2d == nullptr) {
    sprite_frames::Reply("no window");
    return 1;
  }
  g_app.engine2d->framePeriod = 0.0;
  if (!MakeSprite()) {
    sprite_frames::Reply("no sprite");
    return 1;
  }
  ShowScreen();
  return sprite_frames::Serve(Frame, Picture);
}
