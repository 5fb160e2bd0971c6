// The line store: a file cached as 256 lines, from disk and from memory,
// and written back after a change and read again.
//
// Input: one byte how many times the text is repeated (so that files reach
// past 256 lines and past the read-ahead windows), one byte the line to
// change, then the text.
#include <cstring>
#include <string>
#include <vector>

#include "files/line_store.h"
#include "fuzz/fuzz_input.h"
#include "fuzz/line_oracle.h"

namespace {

constexpr const char* kTarget = "line_store";

std::vector<std::string> StoredLines() {
  std::vector<std::string> lines;
  for (int32_t i = 0; i <= g_lineStore.last; ++i) lines.emplace_back(g_lineStore.lines[i]);
  return lines;
}

std::vector<std::string> Load(const char* name) {
  FUZZ_CHECK(LineFileOpen(g_lineStore, name) == 0, kTarget, std::string("cannot open ") + name);
  return StoredLines();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzBytes input(data, size);
  const int repeat = 1 + input.Byte() % 32;
  const uint32_t changed = input.Byte();
  std::string text;
  for (int i = 0; i < repeat; ++i) text += input.Rest();

  LineStoreResetForTest();
  const std::string path = FuzzWriteFile("store.txt", text);
  const FuzzMemoryFile memory(reinterpret_cast<const uint8_t*>(text.data()), text.size());

  std::vector<std::string> expected = ExpectedLines(text, kLineStoreLineBytes, true);
  if (expected.size() > static_cast<size_t>(kLineStoreLines)) expected.resize(kLineStoreLines);
  if (expected.empty()) expected.emplace_back();
  FUZZ_CHECK(Load(memory.name()) == expected, kTarget, "a memory file is cached with other lines");
  FUZZ_CHECK(Load(path.c_str()) == expected, kTarget, "a disk file is cached with other lines");

  // What the commands give: the line with the control bytes at its end cut,
  // "NO_DATA" for nothing.
  for (uint32_t index : {0u, changed, 255u}) {
    RtString got;
    FUZZ_CHECK(LineFileGet(path.c_str(), index, got) == 0, kTarget, "LineFileGet failed on a cached file");
    std::string want = index < expected.size() ? expected[index] : "";
    while (!want.empty() && static_cast<unsigned char>(want.back()) < 0x20) want.pop_back();
    if (want.empty()) want = "NO_DATA";
    FUZZ_CHECK(std::string(got.text, got.length) == want, kTarget, "LineFileGet gives another line");
  }

  // One line changed, written back by switching to another file, read again.
  FUZZ_CHECK(LineFilePut(path.c_str(), changed, "changed line") == 0, kTarget, "LineFilePut failed");
  if (expected.size() <= changed) expected.resize(changed + 1);
  expected[changed] = "changed line";
  Load(memory.name());
  FUZZ_CHECK(Load(path.c_str()) == expected, kTarget, "a file written back reads back otherwise");
  LineStoreResetForTest();
  FuzzForgetErrorLog();
  return 0;
}
