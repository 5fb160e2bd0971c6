#include "files/file_stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "files/file_paths.h"
#include "files/memory_file.h"
#include "platform/file_io.h"

bool StreamIsOpen(const FileStream& s) { return s.fd != -1 || s.memory != nullptr; }

namespace {

// Read-ahead windows for line reading, one per file being read by lines, so
// that short lines do not cost a system call each. A window is forgotten
// when its file closes and whenever the process writes to a file.
struct ReadAhead {
  int fd = -1;
  int64_t start = 0;
  int64_t length = 0;
  bool reachesEnd = false;  // the file ended inside the window
  uint8_t bytes[16384];
};

constexpr int kReadAheadCount = 8;
ReadAhead g_readAhead[kReadAheadCount];
int g_readAheadNext = 0;

void ForgetReadAhead(int fd) {
  for (ReadAhead& r : g_readAhead) {
    if (r.fd == fd) r.fd = -1;
  }
}

// The window of n bytes (fewer at the end of the file) at the position, or
// null when it cannot be read; *available receives its length.
const uint8_t* ReadAheadWindow(int fd, int64_t position, int64_t n, int64_t* available) {
  if (n > static_cast<int64_t>(sizeof(ReadAhead::bytes))) return nullptr;
  for (ReadAhead& r : g_readAhead) {
    if (r.fd != fd || position < r.start || position > r.start + r.length) continue;
    const int64_t left = r.start + r.length - position;
    if (left >= n || r.reachesEnd) {
      *available = left < n ? left : n;
      return r.bytes + (position - r.start);
    }
  }
  ForgetReadAhead(fd);
  ReadAhead& r = g_readAhead[g_readAheadNext];
  g_readAheadNext = (g_readAheadNext + 1) % kReadAheadCount;
  r.fd = -1;
  const int64_t got = PlatformReadAt(fd, r.bytes, sizeof r.bytes, position);
  if (got < 0) return nullptr;
  r.fd = fd;
  r.start = position;
  r.length = got;
  r.reachesEnd = got < static_cast<int64_t>(sizeof r.bytes);
  *available = got < n ? got : n;
  return r.bytes;
}

}  // namespace

void StreamForgetReadAhead() {
  for (ReadAhead& r : g_readAhead) r.fd = -1;
}

void StreamClose(FileStream& s) {
  if (s.fd != -1) ForgetReadAhead(s.fd);
  PlatformCloseFd(s.fd);
  s.memory = nullptr;
  s.size = 0;
  s.position = 0;
}

bool StreamOpen(FileStream& s, const char* name) {
  StreamClose(s);
  if (name == nullptr || name[0] == '\0') return false;
  if (IsMemoryFileName(name)) {
    const uint8_t* base = nullptr;
    int64_t size = 0;
    if (!MemoryFileLookup(name, &base, &size)) return false;
    s.memory = base;
    s.size = size;
    return true;
  }
  std::string path;
  if (!SystemPath(name, &path)) return false;
  // O_NONBLOCK: opening a FIFO must not wait for a writer; only regular
  // files are read.
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return false;
  }
  s.fd = fd;
  s.size = st.st_size;
  return true;
}

bool StreamRead(FileStream& s, void* buffer, int32_t n) {
  if (n < 0) return false;
  if (s.fd != -1) {
    const int64_t start = s.position;
    // A position sought far past the end cannot grow any further.
    if (__builtin_add_overflow(start, n, &s.position)) {
      s.position = INT64_MAX;
      return false;
    }
    return PlatformReadAt(s.fd, buffer, static_cast<size_t>(n), start) == n;
  }
  if (s.memory == nullptr || !MemoryFileCovers(s.memory, s.size)) return false;
  int64_t count = n;
  if (s.position > s.size - count) count = s.size - s.position;
  if (count < 0 || s.position < 0) return false;
  if (count > 0) std::memcpy(buffer, s.memory + s.position, static_cast<size_t>(count));
  s.position += count;
  return true;
}

bool StreamRead4(FileStream& s, uint32_t* value) {
  uint8_t bytes[4] = {0, 0, 0, 0};
  const bool ok = StreamRead(s, bytes, 4);
  *value = static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
  return ok;
}

namespace {

// Scans a window of the data that starts at the stream position and holds
// `available` bytes (up to max + 1 of them): copies the line into the buffer
// and returns how many bytes of the data the line used.
int64_t TakeLine(const uint8_t* window, int64_t available, char* buffer, int32_t max) {
  const int64_t room = max - 1;  // content bytes that fit
  int64_t content = -1;
  int64_t used = 0;
  bool ended = false;  // by '\n' or by the end of the data
  const int64_t scan = available < max ? available : max;
  const void* nl = std::memchr(window, '\n', static_cast<size_t>(scan));
  if (nl != nullptr) {
    content = static_cast<const uint8_t*>(nl) - window;
    used = content + 1;
    ended = true;
  } else if (available > max && window[max] == '\n' && window[max - 1] == '\r') {
    // "\r\n" straddles the room: the '\r' is dropped, so the line still fits.
    content = max;
    used = max + 1;
    ended = true;
  } else if (available <= room || (available == max && window[max - 1] == '\r')) {
    // The end of the data ends the line (a window of max bytes is the whole
    // rest, since max + 1 were asked for).
    content = available;
    used = available;
    ended = true;
  } else {
    content = room;
    used = room;
  }
  if (ended && content > 0 && window[content - 1] == '\r') --content;
  std::memcpy(buffer, window, static_cast<size_t>(content));
  buffer[content] = '\0';
  return used;
}

}  // namespace

bool StreamReadLine(FileStream& s, char* buffer, int32_t max) {
  if (max < 1) return false;
  buffer[0] = '\0';
  if (max < 2) return false;  // no room for a byte: no way forward
  const size_t window_size = static_cast<size_t>(max) + 1;
  if (s.fd != -1) {
    int64_t got = 0;
    const uint8_t* window = ReadAheadWindow(s.fd, s.position, static_cast<int64_t>(window_size), &got);
    std::vector<uint8_t> large;
    if (window == nullptr) {
      large.resize(window_size);
      got = PlatformReadAt(s.fd, large.data(), window_size, s.position);
      window = large.data();
    }
    if (got <= 0) return false;
    s.position += TakeLine(window, got, buffer, max);
    return true;
  }
  if (s.memory == nullptr || s.position < 0 || s.position >= s.size) return false;
  if (!MemoryFileCovers(s.memory, s.size)) return false;
  int64_t available = s.size - s.position;
  if (available > static_cast<int64_t>(window_size)) available = static_cast<int64_t>(window_size);
  s.position += TakeLine(s.memory + s.position, available, buffer, max);
  return true;
}
