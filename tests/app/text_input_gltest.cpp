// The text input command's frame loop on the offscreen context: characters
// taken from the typed-character queue one a frame until Enter, the number
// variants, and the frozen copy of the screen freed at the end.
#include "app/text_input.h"

#include <gtest/gtest.h>

#include <string>

#include "devices/input_device.h"
#include "devices/keyboard.h"
#include "gfx2d/bitmap_fonts.h"
#include "platform/input_state.h"
#include "process/app_globals.h"
#include "tests/support/sprite_fixture.h"

namespace {

class TextInputLoopTest : public SpriteTest {
 protected:
  void SetUp() override {
    SpriteTest::SetUp();
    PlatformInputReset();
    InputCreate(input_);
    g_app.input = &input_;
    g_app.currentFont = 0;
    FontBuildDefault(engine(), 0);
  }
  void TearDown() override {
    InputFree(input_);
    g_app.input = nullptr;
    PlatformInputReset();
    SpriteTest::TearDown();
  }

  void Type(const std::string& keys) {
    for (char c : keys) KeyBufferPush(input_.typed, static_cast<uint8_t>(c));
  }

  InputDevice input_;
};

TEST_F(TextInputLoopTest, ReadsTheQueueUpToEnter) {
  struct Case {
    const char* initial;
    std::string typed;
    const char* result;
    int32_t left;  // characters still queued afterwards
  };
  const Case cases[] = {
      {"", "ab\bc\r", "ac", 0},
      {"old", "\n", "old", 0},
      {"", "\b1\t\n23", "1\t", 2},
  };
  for (const Case& c : cases) {
    Type(c.typed);
    RtString text(c.initial);
    InputText(text, 4, 5, 1);
    EXPECT_EQ(std::string(text.c_str(), text.length), c.result);
    EXPECT_EQ(input_.typed.count, c.left) << c.result;
    EXPECT_EQ(engine().backgrounds[3].columns, 0) << c.result;
    input_.typed.count = 0;
  }
}

TEST_F(TextInputLoopTest, NumberVariantsReadWhatTheLineStartsWith) {
  struct Case {
    std::string typed;
    int32_t integer;
    double number;
  };
  const Case cases[] = {{"12x\n", 12, 12.0}, {"-2.5e1\n", -2, -25.0}, {"abc\n", 0, 0.0}, {"\n", 0, 0.0}};
  for (const Case& c : cases) {
    int32_t integer = 99;
    Type(c.typed);
    InputTextInt(integer, 0, 0, 0);
    EXPECT_EQ(integer, c.integer) << c.typed;
    double number = 99.0;
    Type(c.typed);
    InputTextFloat(number, 0, 0, 0);
    EXPECT_DOUBLE_EQ(number, c.number) << c.typed;
  }
}

}  // namespace
