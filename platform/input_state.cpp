#include "platform/input_state.h"

#include <SDL.h>

#include "platform/events.h"
#include "platform/sdl_window.h"

namespace {

struct InputState {
  bool keys[256] = {};
  bool pressed[256] = {};   // went down since the last snapshot
  bool active = true;
  uint32_t buttons = 0;
  uint32_t pressedButtons = 0;  // went down since the last read
  int x = 0;
  int y = 0;
  int dx = 0;
  int dy = 0;
  int wheel = 0;
};

InputState& State() {
  static InputState state;
  return state;
}

}  // namespace

void PlatformInputFeed(const PlatformEvent& event) {
  InputState& s = State();
  switch (event.type) {
    case PlatformEventType::kActivate: s.active = true; break;
    case PlatformEventType::kDeactivate: s.active = false; break;
    case PlatformEventType::kKeyDown:
    case PlatformEventType::kKeyUp:
      if (event.key > 0 && event.key < 256) {
        const bool down = event.type == PlatformEventType::kKeyDown;
        s.keys[event.key] = down;
        if (down) s.pressed[event.key] = true;
      }
      break;
    case PlatformEventType::kMouseButtonDown:
    case PlatformEventType::kMouseButtonUp:
      if (event.button >= 0 && event.button <= 2) {
        const uint32_t bit = 1u << event.button;
        if (event.type == PlatformEventType::kMouseButtonDown) {
          s.buttons |= bit;
          s.pressedButtons |= bit;
        } else {
          s.buttons &= ~bit;
        }
      }
      break;
    case PlatformEventType::kMouseMotion:
      s.x = event.x;
      s.y = event.y;
      s.dx += event.dx;
      s.dy += event.dy;
      break;
    case PlatformEventType::kMouseWheel: s.wheel += event.wheel; break;
    default: break;
  }
}

void PlatformInputReset() { State() = InputState(); }

bool PlatformKeyDown(int key) { return key >= 0 && key < 256 && State().keys[key]; }

void PlatformKeyboardSnapshot(uint8_t state[256]) {
  InputState& s = State();
  for (int i = 0; i < 256; ++i) {
    state[i] = s.keys[i] || s.pressed[i] ? 0x80 : 0;
    s.pressed[i] = false;
  }
}

bool PlatformWindowActive() { return State().active; }

uint32_t PlatformMouseButtons(uint32_t mask) {
  InputState& s = State();
  const uint32_t buttons = (s.buttons | s.pressedButtons) & mask;
  s.pressedButtons &= ~mask;
  return buttons;
}

void PlatformMousePosition(int* x, int* y) {
  *x = State().x;
  *y = State().y;
}

void PlatformMouseSetPosition(int x, int y) {
  State().x = x;
  State().y = y;
}

void PlatformMouseTakeMotion(int* dx, int* dy, int* wheel) {
  InputState& s = State();
  *dx = s.dx;
  *dy = s.dy;
  *wheel = s.wheel;
  s.dx = 0;
  s.dy = 0;
  s.wheel = 0;
}

void PlatformSetRelativeMouse(bool on) {
  if (SDL_WasInit(SDL_INIT_VIDEO) != 0) SDL_SetRelativeMouseMode(on ? SDL_TRUE : SDL_FALSE);
}

void PlatformShowCursor(bool shown) {
  if (SDL_WasInit(SDL_INIT_VIDEO) != 0) SDL_ShowCursor(shown ? SDL_ENABLE : SDL_DISABLE);
}

void PlatformWarpMouse(PlatformWindow* window, int x, int y) {
  if (window != nullptr && window->window != nullptr) SDL_WarpMouseInWindow(window->window, x, y);
  PlatformMouseSetPosition(x, y);
}
