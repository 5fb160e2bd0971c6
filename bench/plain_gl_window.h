// The SDL OpenGL attributes of the plain reference programs of the
// benchmarks: a 2.1 compatibility context, RGB 8/8/8 without alpha, double
// buffered, with the depth and stencil bits given (the runtime's window
// has 24 and 8). Set before the window is created.
#pragma once

#include <SDL.h>

inline void PlainGlAttributes(int depthBits, int stencilBits) {
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, depthBits);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, stencilBits);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
}
