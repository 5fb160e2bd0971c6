// The SDL side of PlatformWindow, for the platform files only.
#pragma once

#include <SDL.h>

struct PlatformWindow {
  SDL_Window* window = nullptr;
  SDL_GLContext context = nullptr;
};
