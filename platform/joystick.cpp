#include "platform/joystick.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

struct PlatformJoystick {
  SDL_Joystick* joystick = nullptr;  // null while the device is unplugged
  SDL_JoystickGUID guid = {};
  SDL_Haptic* haptic = nullptr;
  int effect = -1;                   // the force this handle started, -1 none
};

namespace {

constexpr int kReadAxes = 8;  // X, Y, Z, RX, RY, RZ, two sliders
int g_hapticStarts = 0;

std::vector<PlatformJoystick*>& Handles() {
  static std::vector<PlatformJoystick*> handles;
  return handles;
}

// SDL reports -32768 .. 32767; the top half is stretched so that full travel
// reads 32768 either way.
int32_t WidenAxis(Sint16 value) {
  if (value <= 0) return value;
  return static_cast<int32_t>((int64_t{value} * 32768 + 16383) / 32767);
}

uint32_t PovFromHat(Uint8 hat) {
  switch (hat) {
    case SDL_HAT_UP: return 0;
    case SDL_HAT_RIGHTUP: return 4500;
    case SDL_HAT_RIGHT: return 9000;
    case SDL_HAT_RIGHTDOWN: return 13500;
    case SDL_HAT_DOWN: return 18000;
    case SDL_HAT_LEFTDOWN: return 22500;
    case SDL_HAT_LEFT: return 27000;
    case SDL_HAT_LEFTUP: return 31500;
    default: return kJoystickPovCentred;
  }
}

void RemoveEffect(PlatformJoystick* j) {
  if (j->haptic != nullptr && j->effect >= 0) {
    SDL_HapticStopEffect(j->haptic, j->effect);
    SDL_HapticDestroyEffect(j->haptic, j->effect);
  }
  j->effect = -1;
}

void Release(PlatformJoystick* j) {
  RemoveEffect(j);
  if (j->haptic != nullptr) SDL_HapticClose(j->haptic);
  j->haptic = nullptr;
  if (j->joystick != nullptr) SDL_JoystickClose(j->joystick);
  j->joystick = nullptr;
}

// Whether another handle holds the device at index.
bool Held(int index) {
  const SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(index);
  for (const PlatformJoystick* h : Handles()) {
    if (h->joystick != nullptr && SDL_JoystickInstanceID(h->joystick) == id) return true;
  }
  return false;
}

// Brings the handle's device up to date; an unplugged device is let go and
// taken over again when a device of the same identity has come back.
bool Attached(PlatformJoystick* j) {
  SDL_JoystickUpdate();
  if (j->joystick != nullptr && SDL_JoystickGetAttached(j->joystick) == SDL_TRUE) return true;
  Release(j);
  const int count = SDL_NumJoysticks();
  for (int i = 0; i < count; ++i) {
    const SDL_JoystickGUID guid = SDL_JoystickGetDeviceGUID(i);
    if (std::memcmp(guid.data, j->guid.data, sizeof(guid.data)) != 0 || Held(i)) continue;
    j->joystick = SDL_JoystickOpen(i);
    if (j->joystick == nullptr) continue;
    SDL_JoystickUpdate();  // the fresh handle takes in the device's state
    return true;
  }
  return false;
}

}  // namespace

bool PlatformJoystickStart() {
  if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) return false;
  SDL_JoystickEventState(SDL_IGNORE);
  if (SDL_InitSubSystem(SDL_INIT_HAPTIC) == 0) ++g_hapticStarts;
  return true;
}

void PlatformJoystickStop() {
  if (g_hapticStarts > 0) {
    --g_hapticStarts;
    SDL_QuitSubSystem(SDL_INIT_HAPTIC);
  }
  SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
}

int PlatformJoystickDeviceCount() {
  if (SDL_WasInit(SDL_INIT_JOYSTICK) == 0) return 0;
  SDL_JoystickUpdate();
  return std::max(SDL_NumJoysticks(), 0);
}

PlatformJoystick* PlatformJoystickOpen(int index, char* name, int nameSize) {
  if (SDL_WasInit(SDL_INIT_JOYSTICK) == 0 || index < 0 || index >= SDL_NumJoysticks()) return nullptr;
  auto* j = new (std::nothrow) PlatformJoystick;
  if (j == nullptr) return nullptr;
  j->joystick = SDL_JoystickOpen(index);
  if (j->joystick == nullptr) {
    delete j;
    return nullptr;
  }
  j->guid = SDL_JoystickGetGUID(j->joystick);
  Handles().push_back(j);
  if (name != nullptr && nameSize > 0) {
    const char* text = SDL_JoystickName(j->joystick);
    SDL_strlcpy(name, text != nullptr ? text : "", static_cast<size_t>(nameSize));
  }
  return j;
}

void PlatformJoystickClose(PlatformJoystick* joystick) {
  if (joystick == nullptr) return;
  Release(joystick);
  std::vector<PlatformJoystick*>& handles = Handles();
  handles.erase(std::remove(handles.begin(), handles.end(), joystick), handles.end());
  delete joystick;
}

bool PlatformJoystickRead(PlatformJoystick* joystick, PlatformJoystickState* out) {
  if (joystick == nullptr || !Attached(joystick)) return false;
  SDL_Joystick* j = joystick->joystick;
  int32_t axes[kReadAxes] = {};
  const int axisCount = std::min(SDL_JoystickNumAxes(j), kReadAxes);
  for (int i = 0; i < axisCount; ++i) axes[i] = WidenAxis(SDL_JoystickGetAxis(j, i));
  out->x = axes[0];
  out->y = axes[1];
  out->z = axes[2];
  out->rx = axes[3];
  out->ry = axes[4];
  out->rz = axes[5];
  out->sliders[0] = axes[6];
  out->sliders[1] = axes[7];
  const int hatCount = SDL_JoystickNumHats(j);
  for (int i = 0; i < kJoystickPovs; ++i) {
    out->povs[i] = i < hatCount ? PovFromHat(SDL_JoystickGetHat(j, i)) : kJoystickPovCentred;
  }
  const int buttonCount = SDL_JoystickNumButtons(j);
  for (int i = 0; i < kJoystickButtonBytes; ++i) {
    out->buttons[i] = i < buttonCount && SDL_JoystickGetButton(j, i) != 0 ? 0x80 : 0;
  }
  return true;
}

bool PlatformJoystickConstantForce(PlatformJoystick* joystick, const PlatformConstantForce& force) {
  if (joystick == nullptr || SDL_WasInit(SDL_INIT_HAPTIC) == 0 || !Attached(joystick)) return false;
  if (joystick->haptic == nullptr) {
    if (SDL_JoystickIsHaptic(joystick->joystick) != 1) return false;
    joystick->haptic = SDL_HapticOpenFromJoystick(joystick->joystick);
    if (joystick->haptic == nullptr) return false;
  }
  if ((SDL_HapticQuery(joystick->haptic) & SDL_HAPTIC_CONSTANT) == 0) return false;
  RemoveEffect(joystick);
  if (force.durationMicros == 0) return true;

  SDL_HapticEffect effect;
  SDL_zero(effect);
  effect.type = SDL_HAPTIC_CONSTANT;
  effect.constant.direction.type = SDL_HAPTIC_CARTESIAN;
  effect.constant.direction.dir[0] = force.directionX;
  effect.constant.direction.dir[1] = force.directionY;
  // SDL counts whole milliseconds; a started part of one still plays.
  effect.constant.length = static_cast<Uint32>((uint64_t{force.durationMicros} + 999) / 1000);
  const int32_t magnitude = std::clamp(force.magnitude, 0, 10000);
  effect.constant.level = static_cast<Sint16>(magnitude * 32767 / 10000);
  const int id = SDL_HapticNewEffect(joystick->haptic, &effect);
  if (id < 0) return false;
  if (SDL_HapticRunEffect(joystick->haptic, id, force.iterations) != 0) {
    SDL_HapticDestroyEffect(joystick->haptic, id);
    return false;
  }
  joystick->effect = id;
  return true;
}
