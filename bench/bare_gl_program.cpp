// The reference for the start-up benchmark: the least a program needs to
// put a first OpenGL frame on a window through SDL2, set up as the runtime
// sets up its window (640 x 480, hidden, double-buffered, compatibility
// context 2.1, 24-bit depth, 8-bit stencil). After the first swap it
// appends a line to the file its first argument names, then waits for
// SIGTERM.
#include <GL/gl.h>
#include <SDL.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>

#include "bench/plain_gl_window.h"

int main(int argc, char** argv) {
  // SIGTERM stays pending for the wait at the end (SDL would otherwise
  // turn it into a quit event nobody reads).
  sigset_t term;
  sigemptyset(&term);
  sigaddset(&term, SIGTERM);
  sigprocmask(SIG_BLOCK, &term, nullptr);
  if (argc < 2 || SDL_Init(SDL_INIT_VIDEO) != 0) return 1;
  PlainGlAttributes(24, 8);
  SDL_Window* window = SDL_CreateWindow("bare", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, 640, 480,
                                        SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  if (window == nullptr) return 1;
  SDL_GLContext context = SDL_GL_CreateContext(window);
  if (context == nullptr) return 1;
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  SDL_GL_SwapWindow(window);
  std::FILE* log = std::fopen(argv[1], "a");
  if (log == nullptr) return 1;
  std::fputs("First swap\n", log);
  std::fclose(log);
  int signal = 0;
  sigwait(&term, &signal);
  SDL_GL_DeleteContext(context);
  SDL_DestroyWindow(window);
  SDL_Quit();
  return 0;
}
