// The section reader: INI text read from a disk file and from a memory
// file must give the same document, and every key it holds must be found
// again by name.
#include <string>

#include "files/ini_document.h"
#include "files/section_reader.h"
#include "fuzz/fuzz_input.h"
#include "fuzz/ini_dump.h"

namespace {

constexpr const char* kTarget = "section_reader";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = FuzzWriteFile("document.ini", data, size);
  const FuzzMemoryFile memory(data, size);
  IniDocument disk;
  IniDocument mem;
  SectionReaderParse(disk, path.c_str());
  SectionReaderParse(mem, memory.name());
  FUZZ_CHECK(IniDump(disk, false) == IniDump(mem, false), kTarget, "disk and memory file read differently");

  // Each key is found under its section's name unless an earlier section or
  // key of the same name (without regard to case) answers first.
  for (int32_t s = 0; s < disk.sections.count; ++s) {
    const IniSection& section = disk.sections[s];
    FUZZ_CHECK(section.keys.count > 0, kTarget, "a section without keys was stored");
    const int32_t first = IniFindSection(disk, section.name.c_str());
    FUZZ_CHECK(first >= 0 && first <= s, kTarget, "a section is not found by its name");
    for (int32_t k = 0; k < section.keys.count; ++k) {
      const IniKey& key = section.keys[k];
      FUZZ_CHECK(key.value.length > 0, kTarget, "an empty value was stored");
      if (first != s) continue;
      const int32_t found = IniFindKey(section, key.name.c_str());
      const RtString value = SectionReaderGet(disk, section.name, key.name, "fallback");
      FUZZ_CHECK(found >= 0 && found <= k, kTarget, "a key is not found by its name");
      const RtString& want = section.keys[found].value;
      FUZZ_CHECK(std::string(value.text, value.length) == std::string(want.text, want.length), kTarget,
                 "SectionReaderGet gives another value than the document holds");
    }
  }
  FuzzForgetErrorLog();
  return 0;
}
