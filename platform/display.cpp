#include "platform/display.h"

#include <SDL.h>

#include "platform/sdl_window.h"


namespace {

int DisplayOf(PlatformWindow* window) {
  int display = window != nullptr ? SDL_GetWindowDisplayIndex(window->window) : 0;
  return display < 0 ? 0 : display;
}

// 32 for the 24-bit formats stored in four bytes.
int BitsPerPixel(const SDL_DisplayMode& mode) {
  const int bits = static_cast<int>(SDL_BITSPERPIXEL(mode.format));
  return bits == 24 && SDL_BYTESPERPIXEL(mode.format) == 4 ? 32 : bits;
}

}  // namespace

PlatformDesktop PlatformDesktopMode(PlatformWindow* window) {
  PlatformDesktop desktop;
  if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return desktop;
  SDL_DisplayMode mode;
  if (SDL_GetDesktopDisplayMode(DisplayOf(window), &mode) != 0) return desktop;
  desktop.width = mode.w;
  desktop.height = mode.h;
  desktop.bitsPerPixel = BitsPerPixel(mode);
  return desktop;
}

bool PlatformWindowEnterFullScreen(PlatformWindow* window, int width, int height, int bitsPerPixel) {
  if (window == nullptr) return false;
  const int display = DisplayOf(window);
  // The display's listed modes, then the desktop mode itself (some drivers
  // list none).
  const int count = SDL_GetNumDisplayModes(display);
  for (int i = 0; i <= count; ++i) {
    SDL_DisplayMode mode;
    const int got = i < count ? SDL_GetDisplayMode(display, i, &mode) : SDL_GetDesktopDisplayMode(display, &mode);
    if (got != 0 || mode.w != width || mode.h != height) continue;
    if (bitsPerPixel != 0 && BitsPerPixel(mode) != bitsPerPixel) continue;
    if (SDL_SetWindowDisplayMode(window->window, &mode) != 0) continue;
    if (SDL_SetWindowFullscreen(window->window, SDL_WINDOW_FULLSCREEN) != 0) continue;
    return true;
  }
  return false;
}

void PlatformWindowLeaveFullScreen(PlatformWindow* window, int width, int height) {
  if (window == nullptr) return;
  SDL_SetWindowFullscreen(window->window, 0);
  if (width > 0 && height > 0) SDL_SetWindowSize(window->window, width, height);
}
