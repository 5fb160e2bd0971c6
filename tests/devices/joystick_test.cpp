// Joysticks found at start-up, their scaled readings, hot-plugging, missing
// joysticks and force feedback, on software joysticks.
#include "devices/joystick.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "devices/input_device.h"
#include "gfx2d/opengl_dodevudi.h"
#include "platform/events.h"
#include "platform/input_state.h"
#include "process/app_globals.h"
#include "process/error_state.h"
#include "tests/support/virtual_joystick.h"

namespace {

class JoystickTest : public testing::Test {
 protected:
  void SetUp() override {
    if (SystemJoystickCount() != 0) GTEST_SKIP() << "a joystick is attached to this machine";
    PlatformInputReset();
    InputCreate(input_);
  }
  void TearDown() override {
    if (started_) InputFree(input_);
    g_app.input = nullptr;
    g_app.engine2d = nullptr;
    PlatformInputReset();
  }
  void Start() {
    InputInit(input_, nullptr, nullptr, false);
    g_app.input = &input_;
    started_ = true;
  }
  InputDevice input_;
  bool started_ = false;
};

std::string Name(int32_t n) { return JoystickGetName(n).c_str(); }

TEST_F(JoystickTest, StartupTakesTheFirstTenAttachedPadsAndNoLaterOnes) {
  std::vector<std::unique_ptr<VirtualJoystick>> pads;
  for (int i = 0; i < 11; ++i) pads.push_back(std::make_unique<VirtualJoystick>("Pad " + std::to_string(i)));
  Start();
  EXPECT_EQ(JoystickGetCount(), 10);
  EXPECT_EQ(Name(0), "Pad 0, Pad 0");
  EXPECT_EQ(Name(9), "Pad 9, Pad 9");
  for (int32_t n : {10, 11, -1, INT_MAX, INT_MIN}) EXPECT_EQ(Name(n), "") << n;

  VirtualJoystick late("Late");
  EXPECT_EQ(JoystickGetCount(), 10);
}

// Start-up does not wait for the joystick layer (starting it scans the
// system's devices): it starts at the first joystick command and finds the
// pads attached then.
TEST_F(JoystickTest, TheLayerStartsAtTheFirstJoystickCommand) {
  Start();
  EXPECT_FALSE(input_.joystickLayer);
  VirtualJoystick pad("Pad");
  EXPECT_EQ(JoystickGetCount(), 1);
  EXPECT_TRUE(input_.joystickLayer);
  EXPECT_EQ(Name(0), "Pad, Pad");
  VirtualJoystick late("Late");
  EXPECT_EQ(JoystickGetCount(), 1);
  // Any joystick command starts it: a reading, with the pad pushed.
  InputFree(input_);
  InputCreate(input_);
  Start();
  pad.SetAxis(0, 32767);
  EXPECT_FALSE(input_.joystickLayer);
  EXPECT_DOUBLE_EQ(JoystickAxisX(0), 1.0);
  EXPECT_TRUE(input_.joystickLayer);
  EXPECT_EQ(JoystickGetCount(), 2);
}

TEST_F(JoystickTest, AxesScaleToUnitRange) {
  VirtualJoystick pad("Pad");
  Start();
  double (*const commands[6])(int32_t) = {JoystickAxisX,  JoystickAxisY,  JoystickAxis,
                                          JoystickAxisRX, JoystickAxisRY, JoystickAxisRZ};
  struct Case {
    int16_t raw;
    double expected;
  };
  // The device's top value is full travel, as its bottom value is.
  const Case cases[] = {{32767, 1.0},      {-32768, -1.0},           {0, 0.0},
                        {16384, 16385 / 32767.0}, {-16384, -16384 / 32767.0}, {3277, 3277 / 32767.0}};
  for (int axis = 0; axis < 6; ++axis) {
    for (const Case& c : cases) {
      for (int other = 0; other < 6; ++other) pad.SetAxis(other, 0);
      pad.SetAxis(axis, c.raw);
      for (int read = 0; read < 6; ++read) {
        EXPECT_DOUBLE_EQ(commands[read](0), read == axis ? c.expected : 0.0)
            << "axis " << axis << " raw " << c.raw << " command " << read;
      }
    }
  }
}

TEST_F(JoystickTest, ReadGivesWholeStepsOf30000AndButtonBytes) {
  VirtualJoystick pad("Pad");
  Start();
  struct Case {
    int16_t raw;
    int32_t expected;
  };
  const Case cases[] = {{29000, 0}, {31000, 1}, {32767, 1}, {-29000, 0}, {-31000, -1}, {-32768, -1}};
  for (const Case& c : cases) {
    pad.SetAxis(0, c.raw);
    pad.SetAxis(1, static_cast<int16_t>(-c.raw - 1));
    int32_t x = 9, y = 9, b1 = 9, b2 = 9;
    JoystickRead(x, y, b1, b2);
    EXPECT_EQ(x, c.expected) << c.raw;
    EXPECT_EQ(y, -c.expected) << c.raw;
    EXPECT_EQ(b1, 0);
    EXPECT_EQ(b2, 0);
  }
  pad.SetButton(1, true);
  pad.SetAxis(0, 31000);
  double x = 0, y = 0, b1 = 9, b2 = 0;
  JoystickReadF(x, y, b1, b2);
  EXPECT_EQ(x, 1.0);
  EXPECT_EQ(b1, 0.0);
  EXPECT_EQ(b2, 128.0);
}

TEST_F(JoystickTest, HatDirections) {
  VirtualJoystick pad("Pad");
  Start();
  struct Case {
    uint8_t hat;
    int32_t x;
    int32_t y;
  };
  const Case cases[] = {
      {kHatCentred, 0, 0},         {kHatUp, 0, -1},           {kHatUp | kHatRight, 1, -1},
      {kHatRight, 1, 0},           {kHatDown | kHatRight, 1, 1}, {kHatDown, 0, 1},
      {kHatDown | kHatLeft, -1, 1}, {kHatLeft, -1, 0},         {kHatUp | kHatLeft, -1, -1},
  };
  for (const Case& c : cases) {
    pad.SetHat(c.hat);
    EXPECT_EQ(JoystickPovX(0), c.x) << int(c.hat);
    EXPECT_EQ(JoystickPovY(0), c.y) << int(c.hat);
  }
}

TEST_F(JoystickTest, ScreenOrientationTurnsSticksAndHatsWithinUnitRange) {
  VirtualJoystick pad("Pad");
  Start();
  OpenGLDodevudi engine;
  engine.screenWidth = 640;
  engine.screenHeight = 480;
  g_app.engine2d = &engine;
  pad.SetAxis(0, 32767);  // stick pushed right
  pad.SetAxis(3, 32767);
  pad.SetHat(kHatRight);
  struct Case {
    int32_t orientation;
    double axisX, axisY;
    int32_t povX, povY;
  };
  // The sticks turn as relative movements; the hat turns as window pixels
  // turn into screen points (without that mapping's offset).
  const Case cases[] = {{0, 1, 0, 1, 0}, {1, 0, 1, 0, -1}, {2, -1, 0, -1, 0}, {3, 0, -1, 0, 1}};
  for (const Case& c : cases) {
    engine.orientation = c.orientation;
    EXPECT_DOUBLE_EQ(JoystickAxisX(0), c.axisX) << c.orientation;
    EXPECT_DOUBLE_EQ(JoystickAxisY(0), c.axisY) << c.orientation;
    EXPECT_DOUBLE_EQ(JoystickAxisRX(0), c.axisX) << c.orientation;
    EXPECT_DOUBLE_EQ(JoystickAxisRY(0), c.axisY) << c.orientation;
    EXPECT_EQ(JoystickPovX(0), c.povX) << c.orientation;
    EXPECT_EQ(JoystickPovY(0), c.povY) << c.orientation;
  }
}

// Every command reads the centred state: axes 0, hat centred, buttons up.
void ExpectCentred(int32_t n) {
  EXPECT_EQ(JoystickAxisX(n), 0.0) << n;
  EXPECT_EQ(JoystickAxisY(n), 0.0) << n;
  EXPECT_EQ(JoystickAxis(n), 0.0) << n;
  EXPECT_EQ(JoystickAxisRX(n), 0.0) << n;
  EXPECT_EQ(JoystickAxisRY(n), 0.0) << n;
  EXPECT_EQ(JoystickAxisRZ(n), 0.0) << n;
  EXPECT_EQ(JoystickPovX(n), 0) << n;
  EXPECT_EQ(JoystickPovY(n), 0) << n;
}

void ExpectReadCentred() {
  int32_t x = 9, y = 9, b1 = 9, b2 = 9;
  JoystickRead(x, y, b1, b2);
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, 0);
  EXPECT_EQ(b1, 0);
  EXPECT_EQ(b2, 0);
}

void PushEverything(VirtualJoystick& pad) {
  for (int axis = 0; axis < 6; ++axis) pad.SetAxis(axis, -32768);
  pad.SetButton(0, true);
  pad.SetHat(kHatUp);
}

TEST_F(JoystickTest, UnpluggedPadReadsCentredUntilTheSameDeviceComesBack) {
  VirtualJoystick pad("Pad");
  Start();
  PushEverything(pad);
  EXPECT_EQ(JoystickAxisX(0), -1.0);
  EXPECT_EQ(JoystickPovY(0), -1);

  pad.Unplug();
  ExpectCentred(0);
  ExpectReadCentred();
  EXPECT_FALSE(JoystickActive(input_, 0));
  EXPECT_EQ(JoystickGetCount(), 1);
  EXPECT_EQ(Name(0), "Pad, Pad");

  // Another device in the meantime is not taken for it.
  VirtualJoystick other("Other");
  PushEverything(other);
  ExpectCentred(0);

  pad.Plug();
  pad.SetAxis(0, 32767);
  pad.SetHat(kHatLeft);
  EXPECT_EQ(JoystickAxisX(0), 1.0);
  EXPECT_EQ(JoystickPovX(0), -1);
}

TEST_F(JoystickTest, BackgroundWindowReadsCentred) {
  VirtualJoystick pad("Pad");
  Start();
  PushEverything(pad);
  PlatformEvent event;
  event.type = PlatformEventType::kDeactivate;
  PlatformInputFeed(event);
  ExpectCentred(0);
  ExpectReadCentred();
  event.type = PlatformEventType::kActivate;
  PlatformInputFeed(event);
  EXPECT_EQ(JoystickAxisRZ(0), -1.0);
}

TEST_F(JoystickTest, MissingJoysticksReadCentred) {
  ExpectCentred(0);  // before start-up
  ExpectReadCentred();
  EXPECT_EQ(JoystickGetCount(), 0);
  Start();
  EXPECT_EQ(JoystickGetCount(), 0);
  ExpectReadCentred();
  PlatformJoystickState marker;
  for (int32_t n : {0, 1, 2, 5, 9, 10, -1, INT_MAX, INT_MIN}) {
    ExpectCentred(n);
    EXPECT_EQ(Name(n), "") << n;
    EXPECT_FALSE(JoystickActive(input_, n)) << n;
    std::memset(&marker, 0x5A, sizeof(marker));
    const bool polled = JoystickPoll(input_, marker, n);
    // Joysticks 0 and 1 always answer (centred); other missing numbers
    // leave the caller's state alone.
    EXPECT_EQ(polled, n == 0 || n == 1) << n;
    EXPECT_EQ(marker.x, polled ? 0 : 0x5A5A5A5A) << n;
    EXPECT_EQ(marker.povs[0], polled ? kJoystickPovCentred : 0x5A5A5A5Au) << n;
  }
}

TEST_F(JoystickTest, ForceOnPadsWithoutForceFeedbackAndMissingPadsDoesNothing) {
  JoystickForce(0, 100, 1, 1);  // before start-up
  VirtualJoystick pad("Pad");
  Start();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    double duration, x, y;
  };
  const Case cases[] = {{100, 1, 1}, {0, 0, 0}, {-5, 2, -3}, {nan, nan, nan}, {1e300, inf, -inf}};
  g_errorState.code = 0;
  for (int32_t n : {0, 1, 5, 10, -1, INT_MIN}) {
    for (const Case& c : cases) JoystickForce(n, c.duration, c.x, c.y);
  }
  EXPECT_EQ(g_errorState.code, 0);
  pad.SetAxis(2, 32767);
  EXPECT_EQ(JoystickAxis(0), 1.0);
}

}  // namespace
