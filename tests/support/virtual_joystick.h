// A joystick made in software (SDL's virtual joystick driver), so tests can
// plug devices in and out and move their sticks, buttons and hats.
#pragma once

#include <cstdint>
#include <string>

// Hat positions, combined for the diagonals (right + up ...).
inline constexpr uint8_t kHatCentred = 0;
inline constexpr uint8_t kHatUp = 1;
inline constexpr uint8_t kHatRight = 2;
inline constexpr uint8_t kHatDown = 4;
inline constexpr uint8_t kHatLeft = 8;

// The number of joysticks the system has besides virtual ones made here
// (tests that count devices skip when there are any).
int SystemJoystickCount();

class VirtualJoystick {
 public:
  // Plugs in a device with 8 axes, 32 buttons and 1 hat.
  explicit VirtualJoystick(const std::string& name);
  ~VirtualJoystick();
  VirtualJoystick(const VirtualJoystick&) = delete;
  VirtualJoystick& operator=(const VirtualJoystick&) = delete;

  bool attached() const { return handle_ != nullptr; }
  void Plug();    // plugs it in again (same identity) after Unplug
  void Unplug();

  // Raw device values: axes -32768..32767.
  void SetAxis(int axis, int16_t value);
  void SetButton(int button, bool down);
  void SetHat(uint8_t position);

  // How often the system has read the device so far.
  int reads() const { return reads_; }

 private:
  static void OnUpdate(void* self);
  std::string name_;
  void* handle_ = nullptr;
  int reads_ = 0;
};
