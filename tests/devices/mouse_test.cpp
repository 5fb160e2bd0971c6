// Mouse records, polls and the mouse commands over the input state.
#include "devices/mouse.h"

#include <gtest/gtest.h>

#include "devices/input_device.h"
#include "gfx2d/opengl_dodevudi.h"
#include "platform/events.h"
#include "platform/input_state.h"
#include "process/app_globals.h"

namespace {

void Motion(int x, int y, int dx, int dy) {
  PlatformEvent event;
  event.type = PlatformEventType::kMouseMotion;
  event.x = x;
  event.y = y;
  event.dx = dx;
  event.dy = dy;
  PlatformInputFeed(event);
}

void Wheel(int steps) {
  PlatformEvent event;
  event.type = PlatformEventType::kMouseWheel;
  event.wheel = steps;
  PlatformInputFeed(event);
}

void Button(int button, bool down) {
  PlatformEvent event;
  event.type = down ? PlatformEventType::kMouseButtonDown : PlatformEventType::kMouseButtonUp;
  event.button = button;
  PlatformInputFeed(event);
}

class MouseTest : public testing::Test {
 protected:
  void SetUp() override {
    PlatformInputReset();
    InputCreate(input_);
  }
  void TearDown() override {
    PlatformInputReset();
    g_app.input = nullptr;
    g_app.engine2d = nullptr;
  }
  // The exclusive mouse: relative movement, wheel reported.
  void Exclusive() {
    input_.mouseDevice = true;
    input_.pointerMode = 0;
  }
  InputDevice input_;
};

TEST_F(MouseTest, CreateGivesOneFreshRecord) {
  ASSERT_EQ(input_.mice.count, 1);
  EXPECT_GE(input_.mice.capacity, 4);
  const MouseRecord& r = input_.mice[0];
  EXPECT_EQ(r.x, 0);
  EXPECT_EQ(r.y, 0);
  EXPECT_EQ(r.referenceX, 100);
  EXPECT_EQ(r.referenceY, 100);
  EXPECT_EQ(r.wheelSum, 0);
  EXPECT_EQ(MouseCount(), 1);
}

TEST_F(MouseTest, PollsWithoutConsumeReportMovementSinceTheLastConsumingPoll) {
  Exclusive();
  input_.mice[0] = MouseRecord{10, 10, 10, 10, 0};
  uint16_t out[6];
  Motion(0, 0, 5, -3);
  Wheel(2);
  MousePoll(input_, out, false);
  EXPECT_EQ(static_cast<int16_t>(out[3]), 5);
  EXPECT_EQ(static_cast<int16_t>(out[4]), -3);
  EXPECT_EQ(static_cast<int16_t>(out[5]), 1);  // the wheel counts by its sign

  Motion(0, 0, 2, 1);
  Wheel(1);
  MousePoll(input_, out, false);
  EXPECT_EQ(static_cast<int16_t>(out[3]), 7);
  EXPECT_EQ(static_cast<int16_t>(out[4]), -2);
  EXPECT_EQ(static_cast<int16_t>(out[5]), 2);  // keeps growing

  MousePoll(input_, out, true);
  EXPECT_EQ(static_cast<int16_t>(out[3]), 7);
  EXPECT_EQ(input_.mice[0].referenceX, 17);
  EXPECT_EQ(input_.mice[0].referenceY, 8);
  EXPECT_EQ(input_.mice[0].wheelSum, 0);
  MousePoll(input_, out, false);
  EXPECT_EQ(out[3], 0);
  EXPECT_EQ(out[4], 0);
  EXPECT_EQ(out[5], 0);
}

TEST_F(MouseTest, RelativeMovementStopsAtZero) {
  Exclusive();
  input_.mice[0] = MouseRecord{3, 3, 3, 3, 0};
  Motion(0, 0, -50, -1);
  uint16_t out[6];
  MousePoll(input_, out, true);
  EXPECT_EQ(input_.mice[0].x, 0);
  EXPECT_EQ(input_.mice[0].y, 2);
}

TEST_F(MouseTest, AbsoluteModeReadsThePointerPositionAndNoWheel) {
  input_.mouseDevice = false;
  input_.pointerMode = 1;
  input_.mice[0] = MouseRecord{0, 0, 20, 30, 0};
  Motion(25, 40, 5, 10);
  Wheel(3);
  uint16_t out[6];
  MousePoll(input_, out, true);
  EXPECT_EQ(out[3], 5);
  EXPECT_EQ(out[4], 10);
  EXPECT_EQ(out[5], 0);
  EXPECT_EQ(input_.mice[0].referenceX, 25);
  EXPECT_EQ(input_.mice[0].y, 40);
}

TEST_F(MouseTest, ButtonsFollowTheirEvents) {
  Exclusive();
  uint16_t out[6];
  Button(0, true);
  Button(2, true);
  EXPECT_EQ(MousePoll(input_, out, true), 5u);
  EXPECT_EQ(out[0], 1);
  EXPECT_EQ(out[1], 0);
  EXPECT_EQ(out[2], 1);
  EXPECT_TRUE(MouseAnyButton(input_));
  Button(0, false);
  Button(2, false);
  EXPECT_FALSE(MouseAnyButton(input_));
}

TEST_F(MouseTest, AClickBetweenTwoPollsIsSeenByTheNextPoll) {
  Exclusive();
  uint16_t out[6];
  Button(1, true);
  Button(1, false);
  EXPECT_EQ(MousePoll(input_, out, true), 2u);
  EXPECT_EQ(out[1], 1);
  EXPECT_EQ(MousePoll(input_, out, true), 0u);
}

TEST_F(MouseTest, StateIsClampedToTheScreenUnderTheOrientation) {
  Exclusive();
  OpenGLDodevudi engine;
  engine.screenWidth = 640;
  engine.screenHeight = 480;
  engine.orientation = 1;
  g_app.input = &input_;
  g_app.engine2d = &engine;
  // Window pixel (0, 0) is screen point (0, 639) at 90 degrees.
  input_.mice[0] = MouseRecord{0, 0, 0, 0, 0};
  int32_t x = -1;
  int32_t y = -1;
  int32_t b1 = -1;
  int32_t b2 = -1;
  MouseState(x, y, b1, b2);
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, 639);
  EXPECT_EQ(b1, 0);
  EXPECT_EQ(b2, 0);

  // A point past the screen's bottom edge: y is clamped to the width (640)
  // and written back as the window point.
  input_.mice[0] = MouseRecord{700, 100, 700, 100, 0};
  MouseState(x, y, b1, b2);
  EXPECT_EQ(x, 100);
  EXPECT_EQ(y, 0);
  // Past the screen's right edge (window y 500 is screen x 500 > 480).
  input_.mouseDevice = false;
  input_.pointerMode = 1;
  PlatformMouseSetPosition(10, 500);
  MouseState(x, y, b1, b2);
  EXPECT_EQ(x, 480);
  EXPECT_EQ(y, 629);
  EXPECT_EQ(input_.mice[0].referenceY, 480);
}

TEST_F(MouseTest, QueryAnswersZeroForUnknownFields) {
  Exclusive();
  OpenGLDodevudi engine;
  g_app.input = &input_;
  g_app.engine2d = &engine;
  Button(1, true);
  EXPECT_EQ(MouseQuery(4), 1);
  EXPECT_EQ(MouseQuery(3), 0);
  EXPECT_EQ(MouseQuery(6), 0);
  EXPECT_EQ(MouseQuery(0xFFFFFFFFu), 0);
}

TEST_F(MouseTest, SetPositionMovesBothPointsThroughTheOrientation) {
  OpenGLDodevudi engine;
  engine.screenWidth = 640;
  engine.screenHeight = 480;
  engine.orientation = 2;
  g_app.input = &input_;
  g_app.engine2d = &engine;
  SetMousePosition(10, 20);
  const MouseRecord& r = input_.mice[0];
  EXPECT_EQ(r.x, 629);
  EXPECT_EQ(r.y, 459);
  EXPECT_EQ(r.referenceX, 629);
  EXPECT_EQ(r.referenceY, 459);
}

TEST_F(MouseTest, PointerShownSwitchesToAbsoluteMode) {
  Exclusive();
  SystemPointerShow(input_, true);
  EXPECT_EQ(input_.pointerMode, 1);
  EXPECT_EQ(input_.mouseLevel, kMouseLevelNonExclusive);
  SystemPointerShow(input_, false);
  EXPECT_EQ(input_.pointerMode, 0);
  EXPECT_EQ(input_.mouseLevel, kMouseLevelExclusive);
}

}  // namespace
