#include "tests/support/virtual_joystick.h"

#include <SDL.h>

static_assert(kHatUp == SDL_HAT_UP && kHatRight == SDL_HAT_RIGHT && kHatDown == SDL_HAT_DOWN &&
              kHatLeft == SDL_HAT_LEFT);

namespace {

SDL_Joystick* Handle(void* handle) { return static_cast<SDL_Joystick*>(handle); }

}  // namespace

int SystemJoystickCount() {
  if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) return 0;
  int count = 0;
  for (int i = 0; i < SDL_NumJoysticks(); ++i) {
    if (SDL_JoystickIsVirtual(i) != SDL_TRUE) ++count;
  }
  SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
  return count;
}

VirtualJoystick::VirtualJoystick(const std::string& name) : name_(name) {
  SDL_InitSubSystem(SDL_INIT_JOYSTICK);
  Plug();
}

VirtualJoystick::~VirtualJoystick() {
  Unplug();
  SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
}

void VirtualJoystick::Plug() {
  if (handle_ != nullptr) return;
  SDL_VirtualJoystickDesc desc;
  SDL_zero(desc);
  desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
  desc.type = SDL_JOYSTICK_TYPE_UNKNOWN;  // every axis starts centred
  desc.naxes = 8;
  desc.nbuttons = 32;
  desc.nhats = 1;
  desc.name = name_.c_str();
  desc.userdata = this;
  desc.Update = OnUpdate;
  const int index = SDL_JoystickAttachVirtualEx(&desc);
  if (index >= 0) handle_ = SDL_JoystickOpen(index);
}

void VirtualJoystick::Unplug() {
  if (handle_ == nullptr) return;
  const SDL_JoystickID id = SDL_JoystickInstanceID(Handle(handle_));
  SDL_JoystickClose(Handle(handle_));
  handle_ = nullptr;
  for (int i = 0; i < SDL_NumJoysticks(); ++i) {
    if (SDL_JoystickGetDeviceInstanceID(i) == id) {
      SDL_JoystickDetachVirtual(i);
      break;
    }
  }
}

void VirtualJoystick::SetAxis(int axis, int16_t value) {
  if (handle_ != nullptr) SDL_JoystickSetVirtualAxis(Handle(handle_), axis, value);
}

void VirtualJoystick::SetButton(int button, bool down) {
  if (handle_ != nullptr) SDL_JoystickSetVirtualButton(Handle(handle_), button, down ? 1 : 0);
}

void VirtualJoystick::SetHat(uint8_t position) {
  if (handle_ != nullptr) SDL_JoystickSetVirtualHat(Handle(handle_), 0, position);
}

void VirtualJoystick::OnUpdate(void* self) { ++static_cast<VirtualJoystick*>(self)->reads_; }
