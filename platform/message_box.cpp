#include "platform/message_box.h"

#include <SDL.h>

#include <cstdlib>
#include <cstring>

bool PlatformDisplayPresent() {
  const char* driver = SDL_WasInit(SDL_INIT_VIDEO) != 0 ? SDL_GetCurrentVideoDriver() : nullptr;
  if (driver == nullptr) driver = std::getenv("SDL_VIDEODRIVER");
  if (driver != nullptr && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0)) {
    return false;
  }
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (x11 != nullptr && x11[0] != 0) || (wayland != nullptr && wayland[0] != 0);
}

void PlatformMessageBox(const char* title, const char* text) {
  if (std::getenv("VNL_NO_MSGBOX") != nullptr) return;
  if (!PlatformDisplayPresent()) return;
  SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_WARNING, title, text, nullptr);
}
