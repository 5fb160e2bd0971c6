// The line editor of the text input: what each frame's typed character
// does to the text, and when the cursor shows.
#include "app/text_input.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Text(const RtString& s) { return std::string(s.c_str(), s.length); }

TEST(TextInputTest, TypedCharactersEditTheText) {
  struct Case {
    const char* initial;
    std::string typed;  // one character a frame; 0 = nothing typed
    const char* result;
    size_t frames;      // frames until Enter, Enter's own included
  };
  const Case cases[] = {
      {"", std::string("ab\bc\n", 5), "ac", 5},
      {"xy", "\n", "xy", 1},
      {"xy", "\r", "xy", 1},
      {"", std::string("\b\bq\n", 4), "q", 4},
      {"", std::string("a\tb\n", 4), "a\tb", 4},
      {"", std::string("1\0\0" "2\n" "3", 6), "12", 5},  // frames without typing change nothing
      {"", std::string("\xE9\x7F\n", 3), "\xE9\x7F", 3},
  };
  for (const Case& c : cases) {
    RtString text(c.initial);
    TextInputState state;
    size_t frames = 0;
    while (frames < c.typed.size() && !TextInputApply(state, text, static_cast<uint8_t>(c.typed[frames]))) {
      ++frames;
    }
    EXPECT_EQ(frames + 1, c.frames) << c.result;
    EXPECT_EQ(Text(text), c.result);
  }
}

TEST(TextInputTest, CursorFlipsAfterTwentyIdleFramesAndNotWhileTyping) {
  RtString text("ab");
  TextInputState state;
  std::string shown;  // per frame: '_' when the cursor shows, '.' when not
  for (int frame = 1; frame <= 63; ++frame) {
    TextInputApply(state, text, 0);
    shown += Text(TextInputDisplay(state, text)) == "ab_" ? '_' : '.';
    EXPECT_EQ(Text(text), "ab");
  }
  EXPECT_EQ(shown, std::string(20, '.') + std::string(21, '_') + std::string(21, '.') + "_");

  // Typing holds the blink where it is.
  TextInputState typing;
  for (int frame = 0; frame < 15; ++frame) TextInputApply(typing, text, 0);
  for (int frame = 0; frame < 30; ++frame) TextInputApply(typing, text, 'x');
  EXPECT_FALSE(typing.cursorVisible);
  EXPECT_EQ(typing.blink, 15);
  EXPECT_EQ(Text(TextInputDisplay(typing, text)), "ab" + std::string(30, 'x'));
}

}  // namespace
