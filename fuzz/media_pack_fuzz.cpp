// The media pack appended to the program file: a hostile pack read as a
// disk file and as a memory file must give the same answers and the same
// bytes, whether the entry is unpacked into a memory block or into a
// temporary file.
#include <string>

#include "files/media_resolver.h"
#include "files/memory_file.h"
#include "fuzz/fuzz_input.h"

namespace {

constexpr const char* kTarget = "media_pack";

// Names the seeds' packs hold (under other cases), behind a folder that
// does not exist, so that only the pack can answer.
const char* const kWanted[] = {"no-such-folder/a.bin", "no-such-folder/B.TXT", "no-such-folder/level.ini"};

// The bytes a resolved name stands for: a published block or a file.
std::string ResolvedBytes(const std::string& name) {
  if (!IsMemoryFileName(name.c_str())) return FuzzReadFile(name);
  const uint8_t* base = nullptr;
  int64_t size = 0;
  if (!MemoryFileLookup(name.c_str(), &base, &size)) FuzzFail(kTarget, "a resolved block is not published");
  return std::string(reinterpret_cast<const char*>(base), static_cast<size_t>(size));
}

struct Answer {
  int32_t found = 0;
  std::string out;
  std::string bytes;
};

Answer Resolve(MediaResolver& resolver, const char* wanted, bool memoryOutput) {
  Answer answer;
  answer.found = MediaResolve(resolver, wanted, &answer.out, memoryOutput);
  if (answer.found != 0) answer.bytes = ResolvedBytes(answer.out);
  return answer;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = FuzzWriteFile("program-with-pack", data, size);
  const FuzzMemoryFile memory(data, size);
  MediaResolver fromDisk;
  MediaResolver fromMemory;
  for (const char* wanted : kWanted) {
    Answer inMemory;
    for (const bool memoryOutput : {true, false}) {
      MediaResolverSetPack(fromDisk, path.c_str());
      MediaResolverSetPack(fromMemory, memory.name());
      const Answer disk = Resolve(fromDisk, wanted, memoryOutput);
      const Answer mem = Resolve(fromMemory, wanted, memoryOutput);
      const std::string what = std::string(wanted) + (memoryOutput ? " into memory" : " into a file");
      FUZZ_CHECK(disk.found == mem.found, kTarget, "disk and memory pack answer differently for " + what);
      FUZZ_CHECK(disk.bytes == mem.bytes, kTarget, "disk and memory pack give other bytes for " + what);
      if (disk.found == 0) {
        const bool asWanted = disk.out == wanted;
        FUZZ_CHECK(disk.out.empty() || asWanted, kTarget, "a miss names something for " + what);
        FUZZ_CHECK(mem.out.empty() == disk.out.empty(), kTarget, "disk and memory pack miss differently for " + what);
      }
      if (memoryOutput) {
        inMemory = disk;
      } else {
        FUZZ_CHECK(disk.found == inMemory.found && disk.bytes == inMemory.bytes, kTarget,
                   std::string("a block and a temporary file differ for ") + wanted);
      }
    }
  }
  MediaResolverRelease(fromDisk);
  MediaResolverRelease(fromMemory);
  FuzzForgetErrorLog();
  return 0;
}
