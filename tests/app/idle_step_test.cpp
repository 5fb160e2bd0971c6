// The idle step's joystick activity test, on a software joystick: each pass
// polls the joystick once, so the number of reads shows how many passes ran.
#include "app/idle_step.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "devices/input_device.h"
#include "platform/input_state.h"
#include "process/app_globals.h"
#include "tests/support/virtual_joystick.h"

namespace {

constexpr int kPasses = 15;

class IdleStepJoystickTest : public testing::Test {
 protected:
  void SetUp() override {
    if (SystemJoystickCount() != 0) GTEST_SKIP() << "a joystick is attached to this machine";
    PlatformInputReset();
    InputCreate(input_);
    pad_ = std::make_unique<VirtualJoystick>("Pad");
    InputInit(input_, nullptr, nullptr, false);
    g_app.input = &input_;
  }
  void TearDown() override {
    if (g_app.input != nullptr) InputFree(input_);
    pad_.reset();
    g_app.input = nullptr;
    PlatformInputReset();
  }
  // The passes one idle step ran.
  int Passes() {
    const int before = pad_->reads();
    IdleStep();
    return pad_->reads() - before;
  }
  InputDevice input_;
  std::unique_ptr<VirtualJoystick> pad_;
};

TEST_F(IdleStepJoystickTest, RestingPadWaitsAllPassesAndAnyPushEndsTheFirst) {
  ASSERT_EQ(JoystickCount(input_), 1);
  struct Case {
    const char* what;
    std::function<void(VirtualJoystick&)> set;
    bool active;
  };
  const Case cases[] = {
      {"centred", [](VirtualJoystick&) {}, false},
      {"x within 0.1", [](VirtualJoystick& p) { p.SetAxis(0, 3200); }, false},
      {"y within 0.1", [](VirtualJoystick& p) { p.SetAxis(1, -3200); }, false},
      {"z within 0.1", [](VirtualJoystick& p) { p.SetAxis(2, 3200); }, false},
      {"rx far out (not tested)", [](VirtualJoystick& p) { p.SetAxis(3, 32767); }, false},
      {"x beyond 0.1", [](VirtualJoystick& p) { p.SetAxis(0, 3400); }, true},
      {"y beyond 0.1", [](VirtualJoystick& p) { p.SetAxis(1, -3400); }, true},
      {"z beyond 0.1", [](VirtualJoystick& p) { p.SetAxis(2, 3400); }, true},
      {"last button", [](VirtualJoystick& p) { p.SetButton(31, true); }, true},
      {"hat up", [](VirtualJoystick& p) { p.SetHat(kHatUp); }, true},
      {"hat down-left", [](VirtualJoystick& p) { p.SetHat(kHatDown | kHatLeft); }, true},
  };
  for (const Case& c : cases) {
    for (int axis = 0; axis < 8; ++axis) pad_->SetAxis(axis, 0);
    pad_->SetButton(31, false);
    pad_->SetHat(kHatCentred);
    c.set(*pad_);
    if (c.active) {
      EXPECT_EQ(Passes(), 1) << c.what;
    } else {
      EXPECT_EQ(Passes(), kPasses) << c.what;
    }
  }
}

}  // namespace
