#include "app/std_streams.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "devices/keyboard.h"
#include "process/app_globals.h"
#include "tests/support/test_env.h"

namespace {

// Reads every line of the given standard input through StdInReadLine, up to
// the first empty result after the input is used up.
std::vector<std::string> ReadLines(const std::string& input) {
  ScratchDir dir;
  WriteFileBytes(dir.File("in.txt"), input);
  std::vector<std::string> lines;
  if (std::freopen(dir.File("in.txt").c_str(), "r", stdin) == nullptr) return lines;
  for (;;) {
    RtString line = StdInReadLine();
    if (line.empty() && std::feof(stdin)) break;
    lines.emplace_back(line.text, line.length);
  }
  std::freopen("/dev/null", "r", stdin);
  return lines;
}

TEST(StdInReadLineTest, Lines) {
  const std::string piece(kStdInPieceLength, 'p');
  struct Case {
    std::string input;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"abc\n", {"abc"}},
      {"abc", {"abc"}},
      {"", {}},
      {"a\n\nb\n", {"a", "", "b"}},
      // A line of exactly one piece brings no invented empty line.
      {piece + "\nnext\n", {piece, "next"}},
      {piece + "\n\nnext\n", {piece, "", "next"}},
      {piece + "xy\n", {piece, "xy"}},
      {piece, {piece}},
  };
  for (const Case& c : cases) EXPECT_EQ(ReadLines(c.input), c.lines) << c.input.size();
}

// What the write puts on the stream (its descriptor sent to a file while
// it writes).
std::string Written(void (*write)(const RtString&), std::FILE* stream, const RtString& text) {
  ScratchDir dir;
  const std::string file = dir.File("out.txt");
  std::fflush(stream);
  const int saved = dup(fileno(stream));
  const int target = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  dup2(target, fileno(stream));
  close(target);
  write(text);
  std::fflush(stream);
  dup2(saved, fileno(stream));
  close(saved);
  return ReadFileBytes(file);
}

TEST(StdStreamsTest, WritesTheTextUpToItsFirstZeroByte) {
  const std::string with_zero("ab\0cd", 5);
  struct Case {
    RtString text;
    std::string written;
  };
  const Case cases[] = {
      {RtString(), ""},
      {StringFromCStr("line\n"), "line\n"},
      {StringFromBytes(with_zero.data(), 5), "ab"},
      {StringFromBytes("\0xyz", 4), ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Written(StdOutWrite, stdout, c.text), c.written);
    EXPECT_EQ(Written(StdErrWrite, stderr, c.text), c.written);
  }
}

TEST(ProcessStringsTest, CommandLineAndTitles) {
  CommandLineSet("a b");
  EXPECT_STREQ(CommandLineGet().c_str(), "a b");
  EXPECT_EQ(&CommandLineString(), &CommandLineString());
  EXPECT_EQ(&WindowTitle(), &g_app.windowTitle);
  EXPECT_EQ(&AppTitleString(), &g_app.appTitle);
  CommandLineSet(nullptr);
  EXPECT_STREQ(CommandLineGet().c_str(), "");
}

TEST(KeyBufferTest, FiltersAndLimits) {
  GrowArray<uint8_t> queue;
  for (uint8_t c : {uint8_t{'a'}, uint8_t{13}, uint8_t{'b'}, uint8_t{0}, uint8_t{3}, uint8_t{9}, uint8_t{8},
                    uint8_t{27}, uint8_t{127}, uint8_t{255}, uint8_t{10}}) {
    KeyBufferPush(queue, c);
  }
  EXPECT_EQ(std::vector<uint8_t>(queue.begin(), queue.end()),
            (std::vector<uint8_t>{'a', 10, 'b', 9, 8, 127, 255, 10}));
  for (int i = 0; i < 20; ++i) KeyBufferPush(queue, static_cast<uint8_t>('A' + i));
  ASSERT_EQ(queue.count, 16);
  EXPECT_EQ(queue[8], 'A');
  EXPECT_EQ(queue[15], 'H');
  EXPECT_EQ(queue.capacity, 512);
}

}  // namespace
