// Keys, typed characters and the mouse from events pushed with
// SDL_PushEvent and taken by the message pump.
#include <SDL.h>
#include <gtest/gtest.h>

#include <string>

#include "app/message_pump.h"
#include "devices/input_device.h"
#include "devices/keyboard.h"
#include "devices/mouse.h"
#include "platform/gl_window.h"
#include "platform/input_state.h"
#include "process/app_globals.h"

namespace {

class InputEventsTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(PlatformVideoStart()) << PlatformLastError();
    PumpMessages(nullptr);  // nothing old left over
    PlatformInputReset();
    InputCreate(input_);
    ASSERT_EQ(InputInit(input_, nullptr, nullptr, true), 1);
    g_app.input = &input_;
  }
  void TearDown() override {
    g_app.input = nullptr;
    InputFree(input_);
    PlatformInputReset();
  }

  static void Key(SDL_Scancode scancode, bool down, SDL_Keycode sym = SDLK_UNKNOWN) {
    SDL_Event e = {};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.scancode = scancode;
    e.key.keysym.sym = sym;
    ASSERT_EQ(SDL_PushEvent(&e), 1);
  }
  static void Text(const char* utf8) {
    SDL_Event e = {};
    e.type = SDL_TEXTINPUT;
    std::snprintf(e.text.text, sizeof(e.text.text), "%s", utf8);
    ASSERT_EQ(SDL_PushEvent(&e), 1);
  }
  static void Motion(int x, int y, int dx, int dy) {
    SDL_Event e = {};
    e.type = SDL_MOUSEMOTION;
    e.motion.x = x;
    e.motion.y = y;
    e.motion.xrel = dx;
    e.motion.yrel = dy;
    ASSERT_EQ(SDL_PushEvent(&e), 1);
  }
  static void Button(Uint8 button, bool down) {
    SDL_Event e = {};
    e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.button = button;
    e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    ASSERT_EQ(SDL_PushEvent(&e), 1);
  }
  static void Wheel(int y) {
    SDL_Event e = {};
    e.type = SDL_MOUSEWHEEL;
    e.wheel.y = y;
    e.wheel.direction = SDL_MOUSEWHEEL_NORMAL;
    ASSERT_EQ(SDL_PushEvent(&e), 1);
  }
  static void Focus(bool gained) {
    SDL_Event e = {};
    e.type = SDL_WINDOWEVENT;
    e.window.event = gained ? SDL_WINDOWEVENT_FOCUS_GAINED : SDL_WINDOWEVENT_FOCUS_LOST;
    ASSERT_EQ(SDL_PushEvent(&e), 1);
  }

  InputDevice input_;
};

TEST_F(InputEventsTest, KeysFromPushedEventsAfterThePumpAndTheKeyboardRead) {
  Key(SDL_SCANCODE_ESCAPE, true);
  Key(SDL_SCANCODE_LALT, true);
  Key(SDL_SCANCODE_F4, true);
  Key(SDL_SCANCODE_UP, true);
  PumpMessages(nullptr);
  KeyboardUpdate(input_);
  for (uint8_t key : {1, 56, 62, 200}) EXPECT_TRUE(InputKeyIsDown(input_, key)) << int{key};
  EXPECT_FALSE(InputKeyIsDown(input_, 129));
  EXPECT_FALSE(InputKeyIsDown(input_, 57));

  Key(SDL_SCANCODE_ESCAPE, false);
  PumpMessages(nullptr);
  KeyboardUpdate(input_);
  EXPECT_FALSE(InputKeyIsDown(input_, 1));
  EXPECT_TRUE(InputKeyIsDown(input_, 56));
}

TEST_F(InputEventsTest, KeyToCharFollowsTheLayoutAndShift) {
  EXPECT_EQ(KeyToChar(30), 'a');
  EXPECT_EQ(KeyToChar(57), ' ');
  EXPECT_EQ(KeyToChar(2), '1');
  Key(SDL_SCANCODE_LSHIFT, true);
  PumpMessages(nullptr);
  EXPECT_EQ(KeyToChar(30), 'A');
  EXPECT_EQ(KeyToChar(42), 0);
  Key(SDL_SCANCODE_LSHIFT, false);
  PumpMessages(nullptr);
  EXPECT_EQ(KeyToChar(1), 0);  // Escape types no character
}

TEST_F(InputEventsTest, KeysHeldWhileFocusIsLostStayDownUntilItReturns) {
  Key(SDL_SCANCODE_SPACE, true);
  PumpMessages(nullptr);
  KeyboardUpdate(input_);
  ASSERT_TRUE(InputKeyIsDown(input_, 57));
  g_app.debugMode = 1;  // no pause handling in the window procedure
  Focus(false);
  Key(SDL_SCANCODE_SPACE, false);
  PumpMessages(nullptr);
  KeyboardUpdate(input_);
  EXPECT_TRUE(InputKeyIsDown(input_, 57));
  Focus(true);
  PumpMessages(nullptr);
  KeyboardUpdate(input_);
  EXPECT_FALSE(InputKeyIsDown(input_, 57));
  g_app.debugMode = 0;
}

TEST_F(InputEventsTest, TypedCharactersAreFilteredAndKeptToSixteen) {
  Text("ab");
  Key(SDL_SCANCODE_RETURN, true, SDLK_RETURN);  // types 13
  Key(SDL_SCANCODE_TAB, true, SDLK_TAB);        // types 9
  Text("\xC3\xA4");                             // a-umlaut: 0xE4
  Text("\xE2\x82\xAC");                         // the euro sign: above 255, dropped
  PumpMessages(nullptr);
  std::string typed;
  for (int32_t c = InputPopChar(input_.typed); c != 0; c = InputPopChar(input_.typed)) {
    typed.push_back(static_cast<char>(c));
  }
  EXPECT_EQ(typed, std::string("ab\n\t\xE4"));

  Text("0123456789abcdefghij");
  PumpMessages(nullptr);
  EXPECT_EQ(input_.typed.count, 16);
  EXPECT_STREQ(KeyTypedString().c_str(), "0");
  EXPECT_EQ(input_.typed.count, 15);
}

TEST_F(InputEventsTest, MouseSumsButtonsAndWheelFromPushedEvents) {
  input_.mice[0] = MouseRecord{50, 50, 50, 50, 0};
  Motion(60, 55, 10, 5);
  Motion(63, 51, 3, -4);
  Wheel(1);
  Wheel(1);
  Button(SDL_BUTTON_RIGHT, true);
  PumpMessages(nullptr);
  uint16_t out[6];
  EXPECT_EQ(MousePoll(input_, out, false), 2u);
  EXPECT_EQ(static_cast<int16_t>(out[3]), 13);
  EXPECT_EQ(static_cast<int16_t>(out[4]), 1);
  EXPECT_EQ(static_cast<int16_t>(out[5]), 1);
  EXPECT_EQ(out[1], 1);

  Wheel(-3);
  Button(SDL_BUTTON_RIGHT, false);
  PumpMessages(nullptr);
  MousePoll(input_, out, true);
  EXPECT_EQ(static_cast<int16_t>(out[5]), 0);  // 1 then -1
  EXPECT_EQ(out[1], 0);
  EXPECT_EQ(input_.mice[0].referenceX, 63);
  EXPECT_EQ(input_.mice[0].referenceY, 51);
}

}  // namespace
