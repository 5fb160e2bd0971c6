#include "files/file_channels.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "core/c_runtime.h"
#include "core/float_to_int.h"
#include "files/file_paths.h"
#include "files/media_resolver.h"
#include "files/memory_file.h"
#include "platform/file_io.h"
#include "process/app_globals.h"
#include "process/error_state.h"

FileStream g_fileChannels[kFileChannelCount];

namespace {

// The unpacked block a read channel owns, freed when it closes.
uint8_t* g_channelBlocks[kFileChannelCount];

// Channels open for writing or appending. Their recorded size and position
// stay 0 as they write, but their file pointer moves with every write.
bool g_channelWrites[kFileChannelCount];

constexpr int32_t kLineMax = 1024;

// The channel's record, or null after fatal error 7.
FileStream* Channel(uint32_t channel) {
  if (channel >= kFileChannelCount) {
    RuntimeFatal(kErrorOutOfMemory);
    return nullptr;
  }
  return &g_fileChannels[channel];
}

void CloseChannel(uint32_t channel) {
  g_channelWrites[channel] = false;
  StreamClose(g_fileChannels[channel]);
  MediaBlockFree(g_channelBlocks[channel]);
  g_channelBlocks[channel] = nullptr;
}

// Resolves the name through the media resolver and opens it for reading.
bool OpenForReading(uint32_t channel, const char* name) {
  std::string resolved = name;
  MediaResolver* resolver = g_app.mediaResolver;
  if (resolver != nullptr) {
    if (MediaResolve(*resolver, name, &resolved, true) == 0) RuntimeSetError(kErrorFile);
    const uint8_t* base = nullptr;
    int64_t size = 0;
    if (resolver->lastBlock != nullptr && MemoryFileLookup(resolved.c_str(), &base, &size) &&
        base == resolver->lastBlock) {
      g_channelBlocks[channel] = MediaResolverTakeBlock(*resolver);
    }
  }
  if (StreamOpen(g_fileChannels[channel], resolved.c_str())) return true;
  if (resolver == nullptr) RuntimeSetError(kErrorFile);
  CloseChannel(channel);
  return false;
}

bool OpenForWriting(uint32_t channel, const char* name, bool append) {
  std::string path;
  if (IsMemoryFileName(name) || !SystemPath(name, &path) || path.empty()) return false;
  int fd = -1;
  if (append) {
    // Positioned at the end once, as a seek may later move the writes.
    // O_NONBLOCK: a FIFO without a reader fails instead of hanging.
    fd = open(path.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd != -1 && (fcntl(fd, F_SETFL, 0) < 0 || lseek(fd, 0, SEEK_END) < 0)) PlatformCloseFd(fd);
  } else {
    fd = CreateFresh(path, 0666);
  }
  if (fd == -1) return false;
  g_fileChannels[channel].fd = fd;
  g_channelWrites[channel] = true;
  return true;
}

// A read from a write channel takes its bytes where the file pointer stands
// (behind the last write or at the last seek), and moves the file pointer on
// past them, so that reads and writes follow each other through the file;
// its recorded position grows by the bytes the read used. A read channel
// reads at its position, which its file pointer follows anyway.
struct FilePointerRead {
  bool active = false;
  int64_t recordedPosition = 0;
  int64_t recordedSize = 0;
  int64_t start = 0;
};

// Places a write channel's stream at its file pointer, with the file's
// present size, for one read.
FilePointerRead BeginRead(uint32_t channel, FileStream& s) {
  FilePointerRead r;
  if (!g_channelWrites[channel] || s.fd == -1) return r;
  r.active = true;
  r.recordedPosition = s.position;
  r.recordedSize = s.size;
  const off_t pointer = lseek(s.fd, 0, SEEK_CUR);
  struct stat st {};
  r.start = pointer < 0 ? 0 : pointer;
  s.position = r.start;
  s.size = fstat(s.fd, &st) == 0 ? st.st_size : 0;
  return r;
}

// Moves the file pointer past the bytes read (no further than the end of
// the file, so that a read past it leaves no gap for the next write) and
// restores the recorded size and position, the latter grown by as much.
void EndRead(const FilePointerRead& r, FileStream& s) {
  if (!r.active) return;
  const int64_t used = s.position - r.start;
  int64_t pointer = s.position;
  if (pointer > s.size) pointer = s.size > r.start ? s.size : r.start;
  lseek(s.fd, static_cast<off_t>(pointer), SEEK_SET);
  s.size = r.recordedSize;
  if (__builtin_add_overflow(r.recordedPosition, used, &s.position)) s.position = INT64_MAX;
}

// Writes the bytes with one call; anything short is fatal error 3.
int32_t WriteBytes(uint32_t channel, const void* bytes, size_t n) {
  FileStream* s = Channel(channel);
  if (s == nullptr) return 0;
  StreamForgetReadAhead();
  if (s->fd == -1 || !PlatformWriteAll(s->fd, bytes, n)) {
    RuntimeFatal(kErrorFile);
    return 0;
  }
  return 1;
}

int32_t WriteLittleEndian(uint32_t channel, uint64_t value, int bytes) {
  uint8_t out[8];
  for (int i = 0; i < bytes; ++i) out[i] = static_cast<uint8_t>(value >> (8 * i));
  return WriteBytes(channel, out, static_cast<size_t>(bytes));
}

// Reads n (up to 8) bytes as a little-endian value; bytes that do not
// arrive are 0, and so is the value after a fatal error.
uint64_t ReadValue(uint32_t channel, int n) {
  FileStream* s = Channel(channel);
  if (s == nullptr) return 0;
  uint8_t bytes[8] = {};
  const FilePointerRead r = BeginRead(channel, *s);
  const bool ok = StreamRead(*s, bytes, n);
  EndRead(r, *s);
  if (!ok) {
    RuntimeFatal(kErrorFile);
    return 0;
  }
  uint64_t value = 0;
  for (int i = 0; i < n; ++i) value |= static_cast<uint64_t>(bytes[i]) << (8 * i);
  return value;
}

// One line into out, a longer one in pieces of kLineMax bytes; false after
// a fatal error. The string has room for kLineMax bytes and a terminator;
// the stream terminates what it read, so nothing else needs clearing.
bool ReadLine(uint32_t channel, RtString& out) {
  FileStream* s = Channel(channel);
  if (s == nullptr) return false;
  StringReserve(out, kLineMax, false);
  out.text[0] = '\0';
  const FilePointerRead r = BeginRead(channel, *s);
  const bool ok = StreamIsOpen(*s) && StreamReadLine(*s, out.text, kLineMax + 1);
  EndRead(r, *s);
  StringSyncLength(out);
  if (!ok) {
    RuntimeFatal(kErrorFile);
    return false;
  }
  return true;
}

}  // namespace

int32_t FileChannelOpen(uint32_t channel, const RtString& name, int32_t mode) {
  ClearLastError();
  if (channel >= kFileChannelCount) {
    RuntimeSetError(kErrorOutOfMemory);
    return 0;
  }
  CloseChannel(channel);
  if (mode > 0) return OpenForReading(channel, name.c_str()) ? 1 : 0;
  if (!OpenForWriting(channel, name.c_str(), mode < 0)) {
    RuntimeSetError(kErrorFile);
    return 0;
  }
  return 1;
}

void FileChannelClose(uint32_t channel) {
  ClearLastError();
  if (Channel(channel) == nullptr) return;
  CloseChannel(channel);
}

void (*g_channelsClosedHook)() = nullptr;

void FileCloseAll() {
  for (uint32_t channel = 0; channel < kFileChannelCount; ++channel) CloseChannel(channel);
  if (g_channelsClosedHook != nullptr) g_channelsClosedHook();
}

int32_t FileChannelFree() {
  for (uint32_t channel = 0; channel < kFileChannelCount; ++channel) {
    if (!StreamIsOpen(g_fileChannels[channel])) return static_cast<int32_t>(channel);
  }
  return -1;
}

bool FileChannelAtEnd(uint32_t channel) {
  if (channel >= kFileChannelCount) return true;
  return g_fileChannels[channel].position >= g_fileChannels[channel].size;
}

int64_t FileChannelPos(uint32_t channel) {
  const FileStream* s = Channel(channel);
  return s != nullptr ? s->position : 0;
}

void FileChannelSeek(uint32_t channel, int64_t offset, int32_t mode) {
  FileStream* s = Channel(channel);
  if (s == nullptr || !StreamIsOpen(*s)) return;
  const int64_t origin = mode == 0 ? 0 : mode > 0 ? s->position : s->size;
  int64_t position = 0;
  if (__builtin_add_overflow(origin, offset, &position)) position = offset < 0 ? 0 : INT64_MAX;
  if (position < 0) position = 0;
  s->position = position;
  if (s->fd != -1) lseek(s->fd, static_cast<off_t>(position), SEEK_SET);
}

int32_t FileChannelWriteLine(uint32_t channel, const RtString& text) {
  if (text.length > 0 && WriteBytes(channel, text.text, text.length) == 0) return 0;
  return WriteBytes(channel, "\r\n", 2);
}

int32_t FileChannelWriteStr(uint32_t channel, const RtString& text) {
  if (Channel(channel) == nullptr) return 0;
  if (text.length == 0) return 1;
  return WriteBytes(channel, text.text, text.length);
}

int32_t FileChannelWriteF32(uint32_t channel, double value) {
  const float f = NarrowToFloat(value);
  uint32_t bits;
  std::memcpy(&bits, &f, 4);
  return WriteLittleEndian(channel, bits, 4);
}

int32_t FileChannelWriteF64(uint32_t channel, double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, 8);
  return WriteLittleEndian(channel, bits, 8);
}

int32_t FileChannelWriteU32(uint32_t channel, uint32_t value) { return WriteLittleEndian(channel, value, 4); }
int32_t FileChannelWriteI32(uint32_t channel, int32_t value) {
  return WriteLittleEndian(channel, static_cast<uint32_t>(value), 4);
}
int32_t FileChannelWriteU16(uint32_t channel, uint32_t value) { return WriteLittleEndian(channel, value, 2); }
int32_t FileChannelWriteI16(uint32_t channel, int32_t value) {
  return WriteLittleEndian(channel, static_cast<uint32_t>(value), 2);
}
int32_t FileChannelWriteU8(uint32_t channel, uint32_t value) { return WriteLittleEndian(channel, value, 1); }
int32_t FileChannelWriteI8(uint32_t channel, int32_t value) {
  return WriteLittleEndian(channel, static_cast<uint32_t>(value), 1);
}

void FileChannelReadLine(uint32_t channel, RtString& out) { ReadLine(channel, out); }

void FileChannelReadInt(uint32_t channel, int32_t& out) {
  RtString line;
  out = ReadLine(channel, line) ? CrtAtoi(line.c_str()) : 0;
}

void FileChannelReadNumber(uint32_t channel, double& out) {
  RtString line;
  out = ReadLine(channel, line) ? CrtAtof(line.c_str()) : 0.0;
}

void FileChannelReadStr(uint32_t channel, RtString& out, int32_t n) {
  FileStream* s = Channel(channel);
  if (s == nullptr) return;
  if (n <= 0) {
    StringAssignCStr(out, "");
    return;
  }
  // A closed channel delivers nothing, and a file cannot deliver more than
  // it holds: fail before allocating.
  if (!StreamIsOpen(*s)) {
    RuntimeFatal(kErrorFile);
    return;
  }
  const FilePointerRead r = BeginRead(channel, *s);
  if (s->fd != -1 && static_cast<int64_t>(n) > s->size - s->position) {
    if (__builtin_add_overflow(s->position, n, &s->position)) s->position = INT64_MAX;
    EndRead(r, *s);
    RuntimeFatal(kErrorFile);
    return;
  }
  const uint32_t room = static_cast<uint32_t>(n) + 32;
  StringReserve(out, room, false);
  std::memset(out.text, 0, out.capacity);
  const bool ok = StreamRead(*s, out.text, n);
  EndRead(r, *s);
  if (!ok) {
    out.length = 0;
    RuntimeFatal(kErrorFile);
    return;
  }
  out.length = static_cast<uint32_t>(n);
}

void FileChannelReadF32(uint32_t channel, double& out) {
  const uint32_t word = static_cast<uint32_t>(ReadValue(channel, 4));
  float f;
  std::memcpy(&f, &word, 4);
  out = f;
}

void FileChannelReadF64(uint32_t channel, double& out) {
  const uint64_t bits = ReadValue(channel, 8);
  std::memcpy(&out, &bits, 8);
}

void FileChannelReadU32(uint32_t channel, int32_t& out) {
  out = static_cast<int32_t>(static_cast<uint32_t>(ReadValue(channel, 4)));
}
void FileChannelReadU16(uint32_t channel, int32_t& out) { out = static_cast<int32_t>(ReadValue(channel, 2)); }
void FileChannelReadU8(uint32_t channel, int32_t& out) { out = static_cast<int32_t>(ReadValue(channel, 1)); }
void FileChannelReadI32(uint32_t channel, int32_t& out) { FileChannelReadU32(channel, out); }
void FileChannelReadI16(uint32_t channel, int32_t& out) {
  out = static_cast<int16_t>(static_cast<uint16_t>(ReadValue(channel, 2)));
}
void FileChannelReadI8(uint32_t channel, int32_t& out) {
  out = static_cast<int8_t>(static_cast<uint8_t>(ReadValue(channel, 1)));
}
