#include "platform/command_line_split.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/command_line.h"

namespace {

using Words = std::vector<std::string>;

TEST(CommandLineSplitTest, WindowsRules) {
  struct Case {
    const char* line;
    Words words;
  };
  const Case cases[] = {
      {"", {}},
      {"   \t ", {}},
      {"prog", {"prog"}},
      {"  prog  a\tb  ", {"prog", "a", "b"}},
      {"prog \"a b\" c", {"prog", "a b", "c"}},
      {"prog \"\"", {"prog", ""}},
      {"prog a\"b c\"d", {"prog", "ab cd"}},
      {"prog a\\\\b", {"prog", "a\\\\b"}},             // backslashes before no quote stand
      {"prog a\\\"b", {"prog", "a\"b"}},               // \" is a quote
      {"prog a\\\\\"b c\"", {"prog", "a\\b c"}},       // \\" is a backslash, then quoting
      {"prog a\\\\\\\"b", {"prog", "a\\\"b"}},         // \\\" is a backslash and a quote
      {"prog \"a\"\"b\"", {"prog", "a\"b"}},           // "" inside quotes is one quote
      {"prog \"unterminated quote", {"prog", "unterminated quote"}},
      {"C:\\dir\\prog.exe x", {"C:\\dir\\prog.exe", "x"}},
  };
  for (const Case& c : cases) EXPECT_EQ(PlatformSplitCommandLine(c.line), c.words) << c.line;
}

TEST(CommandLineSplitTest, SplittingUndoesQuoting) {
  const Words words = {"prog", "", "a b", "tab\there", "quote\"inside", "trailing\\", "both\\\" x",
                       "\\\\server\\share\\", "new\nline", "$HOME;|&*"};
  std::string line;
  for (const std::string& word : words) {
    if (!line.empty()) line += ' ';
    line += PlatformQuoteArgument(word);
  }
  EXPECT_EQ(PlatformSplitCommandLine(line), words) << line;
}

}  // namespace
