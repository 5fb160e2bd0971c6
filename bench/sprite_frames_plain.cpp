// The plain side of the sprite-frame benchmark (sprite_frames_bench): an
// SDL2 + OpenGL program that draws the engine's picture with the least
// state (plain_sprites.h), its loop drawing the quads, pumping events,
// swapping and clearing for the next frame. Its window asks for what the
// picture needs, RGB 8/8/8 and double buffering; the argument
// "engine-format" asks for the engine window's depth 24 and stencil 8 as
// well. The second argument 0 draws with nearest texels instead of linear
// filtering. Commands: see sprite_frames_protocol.h.
#include <GL/gl.h>
#include <SDL.h>
#include <malloc.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/plain_gl_window.h"
#include "bench/plain_sprites.h"
#include "bench/sprite_frames_protocol.h"
#include "bench/sprite_scene.h"

namespace {

using sprite_frames::kHeight;
using sprite_frames::kWidth;
using sprite_scene::kSide;

SDL_Window* g_window = nullptr;
sprite_scene::Places g_places;
std::vector<float> g_vertices;

bool OpenWindow(bool engineFormat) {
  if (SDL_Init(SDL_INIT_VIDEO) != 0) return false;
  PlainGlAttributes(engineFormat ? 24 : 0, engineFormat ? 8 : 0);
  g_window = SDL_CreateWindow("plain sprites", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, kWidth, kHeight,
                              SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN);
  if (g_window == nullptr || SDL_GL_CreateContext(g_window) == nullptr) return false;
  SDL_GL_SetSwapInterval(0);
  return true;
}

// The texture as the engine stores a picture: a power-of-two texture (32
// for 32) with the picture's bottom row at v = 0.
GLuint MakeTexture() {
  std::vector<uint8_t> pixels(static_cast<size_t>(kSide) * kSide * 4);
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) sprite_scene::PicturePixel(x, y, &pixels[((kSide - 1 - y) * kSide + x) * 4]);
  }
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, kSide, kSide, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  return texture;
}

void DrawSprites(int count) {
  g_places.Cover(count, kWidth, kHeight);
  PlainSpriteDraw(g_places.x.data(), g_places.y.data(), count, kSide, 1.0f, 1.0f, &g_vertices);
}

double Frame(int count) {
  const double start = sprite_frames::Millis();
  DrawSprites(count);
  SDL_Event event;
  while (SDL_PollEvent(&event) != 0) {
  }
  SDL_GL_SwapWindow(g_window);
  glClear(GL_COLOR_BUFFER_BIT);
  glFinish();
  return sprite_frames::Millis() - start;
}

std::vector<uint8_t> Picture(int count) {
  glClear(GL_COLOR_BUFFER_BIT);
  DrawSprites(count);
  std::vector<uint8_t> pixels = sprite_frames::ReadBackBuffer();
  SDL_GL_SwapWindow(g_window);
  glClear(GL_COLOR_BUFFER_BIT);
  return pixels;
}

}  // namespace

int main(int argc, char** argv) {
  // As in the engine's program: the heap's top is kept between frames.
  mallopt(M_TRIM_THRESHOLD, 256 << 20);
  const bool engineFormat = argc > 1 && std::strcmp(argv[1], "engine-format") == 0;
  const bool smoothing = argc < 3 || std::atoi(argv[2]) != 0;
  if (!OpenWindow(engineFormat)) {
    sprite_frames::Reply(std::string("no window: ") + SDL_GetError());
    return 1;
  }
  PlainSpriteState(kWidth, kHeight, MakeTexture(), smoothing);
  glClear(GL_COLOR_BUFFER_BIT);
  const int status = sprite_frames::Serve(Frame, Picture);
  SDL_Quit();
  return status;
}
