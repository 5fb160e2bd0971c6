#include "files/line_reading.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "files/memory_file.h"
#include "tests/support/test_env.h"

namespace {

std::vector<std::string> ReadAll(const std::string& name, int32_t max) {
  FileStream stream;
  std::vector<std::string> lines;
  if (!StreamOpen(stream, name.c_str())) return {"<no open>"};
  std::vector<char> buffer(static_cast<size_t>(max));
  while (StreamReadLineDropRest(stream, buffer.data(), max)) lines.push_back(buffer.data());
  StreamClose(stream);
  return lines;
}

TEST(LineReadingTest, OverLongLinesKeepTheirStartAndDropTheRest) {
  const std::string long_line(3000, 'L');
  struct Case {
    const char* what;
    std::string data;
    int32_t max;
    std::vector<std::string> lines;
  };
  const std::vector<Case> cases = {
      {"plain lines", "a\r\nb\n\nc", 8, {"a", "b", "", "c"}},
      {"exactly max - 1 bytes", "1234567\nx", 8, {"1234567", "x"}},
      {"max - 1 bytes and CR LF across the room", "1234567\r\nx", 8, {"1234567", "x"}},
      {"max bytes", "12345678\nx", 8, {"1234567", "x"}},
      {"max bytes and CR LF", "12345678\r\nx\r\n", 8, {"1234567", "x"}},
      {"one line of many pieces", "ab\n" + long_line + "\r\ncd\r\n", 8, {"ab", "LLLLLLL", "cd"}},
      {"long line at the end of the data", "ab\n" + long_line, 8, {"ab", "LLLLLLL"}},
      {"long line, rest of 1023 bytes then LF", std::string(7 + 1023, 'q') + "\nz", 8, {"qqqqqqq", "z"}},
      {"long line, rest of 1023 bytes, CR LF", std::string(7 + 1023, 'q') + "\r\nz", 8, {"qqqqqqq", "z"}},
      {"1024-byte buffer", std::string(1500, 'w') + "\nnext", 1024, {std::string(1023, 'w'), "next"}},
  };
  ScratchDir dir;
  for (const Case& c : cases) {
    const std::string file = dir.File("lines.txt");
    WriteFileBytes(file, c.data);
    EXPECT_EQ(ReadAll(file, c.max), c.lines) << c.what << " (file)";
    const std::string name = MemoryFilePublish(c.data.data(), static_cast<uint32_t>(c.data.size()));
    EXPECT_EQ(ReadAll(name, c.max), c.lines) << c.what << " (memory)";
    MemoryFileWithdraw(c.data.data());
  }
}

}  // namespace
