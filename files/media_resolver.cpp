#include "files/media_resolver.h"

#include <sys/stat.h>

#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "files/file_paths.h"
#include "files/file_stream.h"
#include "files/memory_file.h"
#include "files/pack_stream.h"
#include "platform/file_io.h"
#include "platform/path_nocase.h"
#include "platform/system_paths.h"
#include "process/app_globals.h"

namespace {

constexpr int64_t kTrailerSize = 7;

bool IsRegularFile(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Reads exactly n bytes at the position, never past the limit.
bool ReadExact(FileStream& pack, int64_t limit, void* buffer, int32_t n) {
  if (pack.position < 0 || n < 0 || pack.position + n > limit) return false;
  return StreamRead(pack, buffer, n);
}

int32_t ReadI32(const uint8_t* p) {
  return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                              static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24);
}

bool EqualNoCase(const uint8_t* a, size_t aLength, const char* b, size_t bLength) {
  if (aLength != bLength) return false;
  for (size_t i = 0; i < aLength; ++i) {
    uint8_t x = a[i];
    uint8_t y = static_cast<uint8_t>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<uint8_t>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<uint8_t>(y + 32);
    if (x != y) return false;
  }
  return true;
}

const char* BaseName(const char* name) {
  const char* base = name;
  for (const char* p = name; *p != '\0'; ++p) {
    if (*p == '/' || *p == '\\') base = p + 1;
  }
  return base;
}

// An entry found in the directory.
struct PackEntry {
  std::string name;
  int32_t storedOffset = 0;
  uint32_t packedSize = 0;
  int64_t start = 0;  // where its packed bytes begin in the pack
};

enum class PackLookup { kFound, kMiss, kNotAPack };

PackLookup FindEntry(FileStream& pack, const char* baseName, PackEntry* entry) {
  if (pack.size < kTrailerSize) return PackLookup::kMiss;
  const int64_t trailerStart = pack.size - kTrailerSize;
  uint8_t trailer[kTrailerSize];
  pack.position = trailerStart;
  if (!ReadExact(pack, pack.size, trailer, kTrailerSize)) return PackLookup::kMiss;
  if (trailer[0] != 'k' || trailer[1] != 'x' || trailer[2] != 'Q') return PackLookup::kNotAPack;
  const int32_t d = ReadI32(trailer + 3);
  const bool fromEnd = d < 0;
  const int64_t directory = fromEnd ? pack.size + d : d;
  if (directory < 0 || directory >= trailerStart) return PackLookup::kMiss;

  const size_t baseLength = std::strlen(baseName);
  pack.position = directory;
  // The whole directory is walked, so one without its terminating 0 is a
  // miss whatever it holds; every entry takes at least one byte, so the walk
  // ends within the directory's bytes. The first match wins.
  bool found = false;
  for (;;) {
    uint8_t nameLength = 0;
    if (!ReadExact(pack, trailerStart, &nameLength, 1)) return PackLookup::kMiss;
    if (nameLength == 0) return found ? PackLookup::kFound : PackLookup::kMiss;
    uint8_t record[255 + 8];
    if (!ReadExact(pack, trailerStart, record, nameLength + 8)) return PackLookup::kMiss;
    if (found || !EqualNoCase(record, nameLength, baseName, baseLength)) continue;
    found = true;
    entry->name.assign(reinterpret_cast<const char*>(record), nameLength);
    entry->storedOffset = ReadI32(record + nameLength);
    entry->packedSize = static_cast<uint32_t>(ReadI32(record + nameLength + 4));
    entry->start = fromEnd ? pack.size + entry->storedOffset : entry->storedOffset;
  }
}

// Unpacks the entry's bytes into the pack stream; false on any fault.
bool UnpackEntry(FileStream& pack, const PackEntry& entry, PackStream& stream) {
  if (entry.packedSize < 4 || entry.packedSize > INT32_MAX) return false;
  if (entry.start < 0 || entry.start + static_cast<int64_t>(entry.packedSize) > pack.size) return false;
  const int32_t packedSize = static_cast<int32_t>(entry.packedSize);
  stream.mode = 1;
  if (pack.memory != nullptr) {
    // A pack held in memory is unpacked in place.
    PackStreamUnpack(stream, pack.memory + entry.start, packedSize);
  } else {
    std::unique_ptr<uint8_t[]> packed(new (std::nothrow) uint8_t[entry.packedSize]);
    if (!packed) return false;
    if (PlatformReadAt(pack.fd, packed.get(), entry.packedSize, entry.start) != packedSize) return false;
    PackStreamUnpack(stream, packed.get(), packedSize);
  }
  return stream.output != nullptr;
}

std::string TemporaryName(const PackEntry& entry) {
  std::string name = PlatformTempFolder() + "kxq";
  name += static_cast<char>('A' + (static_cast<uint32_t>(entry.storedOffset) & 0xFF) % 26);
  name += static_cast<char>('A' + (entry.packedSize & 0xFF) % 26);
  name += entry.name;
  return name;
}

// Writes the unpacked bytes to a fresh temporary file; false when it cannot.
bool WriteTemporary(const std::string& path, const uint8_t* data, int32_t length) {
  if (path.size() > kMaxPathBytes) return false;
  int fd = CreateFresh(path, 0600);
  if (fd < 0) return false;
  const bool ok = PlatformWriteAll(fd, data, static_cast<size_t>(length));
  PlatformCloseFd(fd);
  if (!ok) RemovePath(path);
  return ok;
}

int32_t ResolveFromPack(MediaResolver& r, const char* wanted, std::string* out, bool memoryOutput) {
  if (r.packEnabled == 0) return 0;
  if (r.packFileName.empty()) {
    r.packEnabled = 0;
    return 0;
  }
  FileStream pack;
  if (!StreamOpen(pack, r.packFileName.c_str())) {
    r.packEnabled = 0;
    return 0;
  }
  PackEntry entry;
  const PackLookup lookup = FindEntry(pack, BaseName(wanted), &entry);
  if (lookup == PackLookup::kNotAPack) {
    r.packEnabled = 0;
    StreamClose(pack);
    return 0;
  }
  out->clear();
  std::unique_ptr<PackStream> stream(new (std::nothrow) PackStream);
  const bool unpacked = lookup == PackLookup::kFound && stream && UnpackEntry(pack, entry, *stream);
  StreamClose(pack);
  if (!unpacked) return 0;

  if (memoryOutput) {
    r.lastBlock = stream->output;
    stream->output = nullptr;
    *out = MemoryFilePublish(r.lastBlock, static_cast<uint32_t>(stream->outputLength));
    return 1;
  }
  const std::string path = TemporaryName(entry);
  if (!WriteTemporary(path, stream->output, stream->outputLength)) {
    *out = wanted;
    return 0;
  }
  r.lastTemporaryFile = path;
  *out = path;
  return 1;
}

}  // namespace

void MediaBlockFree(uint8_t* block) {
  if (block == nullptr) return;
  MemoryFileWithdraw(block);
  delete[] block;
}

void MediaResolverRelease(MediaResolver& r) {
  MediaBlockFree(r.lastBlock);
  r.lastBlock = nullptr;
  if (!r.lastTemporaryFile.empty()) {
    RemovePath(r.lastTemporaryFile);
    r.lastTemporaryFile.clear();
  }
}

uint8_t* MediaResolverTakeBlock(MediaResolver& r) {
  uint8_t* block = r.lastBlock;
  r.lastBlock = nullptr;
  return block;
}

int32_t MediaResolve(MediaResolver& r, const char* wantedName, std::string* out, bool memoryOutput) {
  // A copy, since the caller may pass the text of *out itself.
  const std::string wantedCopy = wantedName != nullptr ? wantedName : "";
  const char* wanted = wantedName != nullptr ? wantedCopy.c_str() : nullptr;
  if (IsMemoryFileName(wanted)) {
    // A block someone is reading already: never released here.
    *out = wanted;
    const uint8_t* base = nullptr;
    int64_t size = 0;
    return MemoryFileLookup(wanted, &base, &size) ? 1 : 0;
  }
  MediaResolverRelease(r);
  out->clear();
  if (wanted == nullptr || wanted[0] == '\0') return 0;
  std::string path;
  if (!SystemPath(wanted, &path)) return 0;  // too long to name any file
  *out = wanted;
  if (IsRegularFile(path)) return 1;
  std::string found;
  if (PlatformFindPathNoCase(path, &found) && IsRegularFile(found)) {
    *out = found;
    return 1;
  }
  return ResolveFromPack(r, wanted, out, memoryOutput);
}

int32_t MediaResolveName(const char* name, std::string* out) {
  if (g_app.mediaResolver == nullptr) {
    *out = name != nullptr ? name : "";
    return 1;
  }
  return MediaResolve(*g_app.mediaResolver, name, out, true);
}

void MediaResolverSetPack(MediaResolver& r, const char* packFileName) {
  r.packEnabled = 1;
  MediaResolverRelease(r);
  std::string name = packFileName != nullptr ? packFileName : "";
  // A name too long to open is no pack at all; it is never cut.
  if (name.size() > kMaxPathBytes) name.clear();
  r.packFileName = name;
}

void MediaSetPack(const char* mediaPack, const char* musicPack) {
  if (g_app.mediaResolver != nullptr) MediaResolverSetPack(*g_app.mediaResolver, mediaPack);
  if (g_app.musicResolver != nullptr) MediaResolverSetPack(*g_app.musicResolver, musicPack);
}
