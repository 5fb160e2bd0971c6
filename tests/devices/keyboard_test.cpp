// The key-code table, the keyboard read and the typed-character pops, fed
// through the input state the event layer keeps.
#include "devices/keyboard.h"

#include <gtest/gtest.h>

#include "devices/input_device.h"
#include "platform/events.h"
#include "platform/input_state.h"
#include "process/app_globals.h"

namespace {

void Feed(PlatformEventType type, int key = 0) {
  PlatformEvent event;
  event.type = type;
  event.key = key;
  PlatformInputFeed(event);
}

class KeyboardTest : public testing::Test {
 protected:
  void SetUp() override {
    PlatformInputReset();
    InputCreate(input_);
    input_.keyboardDevice = true;
    KeyCodeTable(input_, 1);
  }
  void TearDown() override {
    PlatformInputReset();
    g_app.input = nullptr;
    g_app.keyTestCounter = 0;
  }
  InputDevice input_;
};

TEST_F(KeyboardTest, TableWithKeyboardDeviceIsIdentity) {
  for (int i = 0; i < 256; ++i) ASSERT_EQ(input_.keyCodes[i], i);
  EXPECT_TRUE(input_.keyboardDevice);
}

TEST_F(KeyboardTest, TableWithoutDeviceMapsScanCodesToVirtualKeys) {
  KeyCodeTable(input_, 0);
  EXPECT_FALSE(input_.keyboardDevice);
  struct Case {
    int index;
    int key;
  };
  const Case cases[] = {
      {0, 13},    {1, 27},    {2, 49},    {10, 57},   {11, 48},   {14, 8},    {21, 90},
      {28, 13},   {44, 89},   {45, 88},   {50, 77},   {53, 189},  {56, 18},   {57, 32},
      {58, 0},    {59, 112},  {68, 121},  {71, 103},  {73, 105},  {77, 102},  {81, 99},
      {82, 96},   {84, 255},  {86, 226},  {88, 123},  {129, 255}, {156, 28},  {157, 17},
      {181, 111}, {184, 18},  {200, 38},  {203, 37},  {205, 39},  {207, 35},  {211, 46},
      {219, 91},  {221, 93},  {222, 255}, {255, 255},
  };
  for (const Case& c : cases) EXPECT_EQ(input_.keyCodes[c.index], c.key) << "index " << c.index;
}

TEST_F(KeyboardTest, UpdateCopiesKeysOnlyWhileTheWindowIsActive) {
  Feed(PlatformEventType::kKeyDown, 57);
  EXPECT_FALSE(InputKeyIsDown(input_, 57));  // not read yet
  KeyboardUpdate(input_);
  EXPECT_TRUE(InputKeyIsDown(input_, 57));
  EXPECT_EQ(input_.keyboardState[57], 0x80);

  // Focus lost: a key released meanwhile stays down until focus returns.
  Feed(PlatformEventType::kDeactivate);
  Feed(PlatformEventType::kKeyUp, 57);
  KeyboardUpdate(input_);
  EXPECT_TRUE(InputKeyIsDown(input_, 57));
  Feed(PlatformEventType::kActivate);
  KeyboardUpdate(input_);
  EXPECT_FALSE(InputKeyIsDown(input_, 57));
}

TEST_F(KeyboardTest, ATapBetweenTwoReadsIsSeenByTheNextRead) {
  Feed(PlatformEventType::kKeyDown, 1);
  Feed(PlatformEventType::kKeyUp, 1);
  KeyboardUpdate(input_);
  EXPECT_TRUE(InputKeyIsDown(input_, 1));
  KeyboardUpdate(input_);
  EXPECT_FALSE(InputKeyIsDown(input_, 1));
}

TEST_F(KeyboardTest, WithoutDeviceKeysAreReadThroughTheVirtualKeyTable) {
  KeyCodeTable(input_, 0);
  Feed(PlatformEventType::kKeyDown, 28);  // Enter
  EXPECT_TRUE(InputKeyIsDown(input_, 0));  // index 0 reads the enter key
  EXPECT_TRUE(InputKeyIsDown(input_, 28));
  EXPECT_FALSE(InputKeyIsDown(input_, 129));
  KeyboardUpdate(input_);
  EXPECT_EQ(input_.keyboardState[13], 0x80);  // indexed by virtual key
}

TEST_F(KeyboardTest, KeyStateRereadsTheKeyboardAfter128Calls) {
  g_app.input = &input_;
  g_app.keyTestCounter = 0;
  Feed(PlatformEventType::kKeyDown, 30);
  for (int i = 0; i < 128; ++i) ASSERT_FALSE(KeyState(30)) << i;
  EXPECT_TRUE(KeyState(30));  // the 129th call reads the keyboard
  EXPECT_EQ(g_app.keyTestCounter, 0u);
}

TEST(TypedCharacterQueue, PopsOldestFirstAndGivesCarriageReturnAsLineFeed) {
  GrowArray<uint8_t> queue;
  EXPECT_EQ(InputPopChar(queue), 0);
  EXPECT_FALSE(InputPopKeyPressed(queue));
  for (uint8_t c : {uint8_t{'a'}, uint8_t{13}, uint8_t{0}, uint8_t{'b'}}) queue.Push(c);
  EXPECT_EQ(InputPopChar(queue), 'a');
  EXPECT_EQ(InputPopChar(queue), 10);
  EXPECT_FALSE(InputPopKeyPressed(queue));  // a 0 is taken but is no key
  EXPECT_TRUE(InputPopKeyPressed(queue));
  EXPECT_EQ(queue.count, 0);
}

TEST(TypedCharacterQueue, TypedStringIsOneCharacterOrEmpty) {
  InputDevice input;
  InputCreate(input);
  g_app.input = &input;
  EXPECT_STREQ(KeyTypedString().c_str(), "");
  input.typed.Push('Q');
  input.typed.Push(13);
  EXPECT_STREQ(KeyTypedString().c_str(), "Q");
  EXPECT_STREQ(KeyTypedString().c_str(), "\n");
  EXPECT_STREQ(KeyTypedString().c_str(), "");
  g_app.input = nullptr;
  InputFree(input);
}

TEST(KeyToCharTest, ModifiersGiveNothingAndEnterAndBackspaceTheirCodes) {
  const struct {
    uint32_t scan;
    int8_t expected;
  } cases[] = {{29, 0}, {42, 0}, {54, 0}, {56, 0}, {58, 0}, {69, 0}, {221, 0},
               {28, 10}, {156, 10}, {14, 8}, {1, 0}, {15, 0}, {300, 0}};
  for (const auto& c : cases) EXPECT_EQ(KeyToChar(c.scan), c.expected) << c.scan;
}

}  // namespace
