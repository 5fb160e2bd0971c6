// The INI commands over the process-wide document: a file opened from disk
// and from memory reads alike, and a changed document written back and
// read again holds what it held (its nameless section first).
#include <string>

#include "files/ini_document.h"
#include "fuzz/fuzz_input.h"
#include "fuzz/ini_dump.h"

namespace {

constexpr const char* kTarget = "ini_document";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = FuzzWriteFile("settings.ini", data, size);
  const FuzzMemoryFile memory(data, size);

  IniOpen(memory.name());
  const std::string fromMemory = IniDump(IniTable(), false);
  IniOpen(path.c_str());
  FUZZ_CHECK(IniDump(IniTable(), false) == fromMemory, kTarget, "disk and memory file read differently");

  // A value that exists, a changed one and a new one, then the write-back
  // that opening another document makes.
  const IniDocument& document = IniTable();
  if (document.sections.count > 0 && document.sections[0].keys.count > 0) {
    const RtString section = StringCopy(document.sections[0].name);
    const RtString key = StringCopy(document.sections[0].keys[0].name);
    const RtString value = IniGet(section, key, "");
    FUZZ_CHECK(value.length > 0, kTarget, "the first key of the first section is not found");
    IniPut(section, key, "changed");
  }
  IniPut("fuzz", "added", "value");
  const std::string written = IniDump(IniTable(), true);
  IniOpen(memory.name());
  FUZZ_CHECK(IniDump(IniTable(), false) == fromMemory, kTarget, "a memory file read after a write-back differs");
  IniOpen(path.c_str());
  FUZZ_CHECK(IniDump(IniTable(), true) == written, kTarget, "a document written back reads back otherwise");
  IniOpen("");
  FuzzForgetErrorLog();
  return 0;
}
