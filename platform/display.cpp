#include "platform/display.h"

#include <SDL.h>

#include "platform/sdl_window.h"


namespace {

int DisplayOf(PlatformWindow* window) {
  int display = window != nullptr ? SDL_GetWindowDisplayIndex(window->window) : 0;
  return display < 0 ? 0 : display;
}

}  // namespace

PlatformDesktop PlatformDesktopMode(PlatformWindow* window) {
  PlatformDesktop desktop;
  if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return desktop;
  SDL_DisplayMode mode;
  if (SDL_GetDesktopDisplayMode(DisplayOf(window), &mode) != 0) return desktop;
  desktop.width = mode.w;
  desktop.height = mode.h;
  desktop.bitsPerPixel = static_cast<int>(SDL_BITSPERPIXEL(mode.format));
  if (desktop.bitsPerPixel == 24 && SDL_BYTESPERPIXEL(mode.format) == 4) desktop.bitsPerPixel = 32;
  return desktop;
}

bool PlatformWindowEnterFullScreen(PlatformWindow* window, int width, int height, int bitsPerPixel) {
  if (window == nullptr) return false;
  const int display = DisplayOf(window);
  const int count = SDL_GetNumDisplayModes(display);
  for (int i = 0; i < count; ++i) {
    SDL_DisplayMode mode;
    if (SDL_GetDisplayMode(display, i, &mode) != 0) continue;
    if (mode.w != width || mode.h != height) continue;
    int bits = static_cast<int>(SDL_BITSPERPIXEL(mode.format));
    if (bits == 24 && SDL_BYTESPERPIXEL(mode.format) == 4) bits = 32;
    if (bitsPerPixel != 0 && bits != bitsPerPixel) continue;
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
