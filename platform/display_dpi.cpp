#include "platform/display_dpi.h"

#include <SDL.h>

#include <cmath>

int PlatformDisplayDpi() {
  if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return 0;
  float horizontal = 0.0f;
  if (SDL_GetDisplayDPI(0, nullptr, &horizontal, nullptr) != 0) return 0;
  if (!(horizontal > 0.0f && horizontal < 100000.0f)) return 0;
  return static_cast<int>(std::lround(horizontal));
}
