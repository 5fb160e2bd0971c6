// Reading text lines, in pieces and whole: a file on disk (through the
// read-ahead windows) and the same bytes as a memory file must give the
// lines the rules call for.
//
// Input: one byte choosing the room of the line buffer, one byte how many
// times the text is repeated (so that lines cross the 16 KiB read-ahead
// windows), then the text.
#include <string>
#include <vector>

#include "files/file_stream.h"
#include "files/line_reading.h"
#include "fuzz/fuzz_input.h"
#include "fuzz/line_oracle.h"

namespace {

constexpr const char* kTarget = "line_reading";

std::vector<std::string> ReadAll(const char* name, int32_t max, bool dropRest) {
  std::vector<std::string> lines;
  FileStream stream;
  if (!StreamOpen(stream, name)) FuzzFail(kTarget, std::string("cannot open ") + name);
  std::vector<char> buffer(static_cast<size_t>(max));
  while (dropRest ? StreamReadLineDropRest(stream, buffer.data(), max) : StreamReadLine(stream, buffer.data(), max)) {
    lines.emplace_back(buffer.data());
    if (lines.size() > (1u << 22)) FuzzFail(kTarget, "reading lines does not end");
  }
  FUZZ_CHECK(buffer[0] == '\0', kTarget, "the buffer is not empty after the last line");
  StreamClose(stream);
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzBytes input(data, size);
  const uint8_t roomChoice = input.Byte();
  const int repeat = 1 + input.Byte() % 64;
  // Mostly the rooms the runtime uses (1024) and small ones that cut lines.
  const int32_t max = roomChoice >= 0xC0 ? 1024 : roomChoice >= 0x80 ? 1023 + roomChoice % 4 : 2 + roomChoice % 40;
  std::string text;
  for (int i = 0; i < repeat; ++i) text += input.Rest();

  const std::string path = FuzzWriteFile("lines.txt", text);
  const FuzzMemoryFile memory(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  for (const bool dropRest : {false, true}) {
    const std::vector<std::string> expected = ExpectedLines(text, max, dropRest);
    const char* how = dropRest ? " (rest dropped)" : " (in pieces)";
    FUZZ_CHECK(ReadAll(path.c_str(), max, dropRest) == expected, kTarget,
               std::string("a disk file gives other lines") + how);
    FUZZ_CHECK(ReadAll(memory.name(), max, dropRest) == expected, kTarget,
               std::string("a memory file gives other lines") + how);
  }
  FuzzForgetErrorLog();
  return 0;
}
