#include "net/http_download.h"

#include <unistd.h>

#include <cstring>
#include <string>

#include "files/file_paths.h"
#include "files/memory_file.h"
#include "net/socket_layer.h"
#include "platform/clock.h"
#include "platform/file_io.h"

namespace {

constexpr int32_t kChunkBytes = 1023;
constexpr int32_t kLongestWaitMs = 30000;
constexpr double kEmptyPollMs = 5;

// Splits the response into header and body: "\r" is ignored, "\n" counts,
// any other byte starts the count again; the header ends at the second
// "\n" in a row. The count lives across chunks.
struct HeaderScan {
  int newlines = 0;
  bool done = false;

  // The offset of the first body byte in the chunk (n when all is header).
  int32_t Feed(const uint8_t* chunk, int32_t n) {
    for (int32_t i = 0; i < n; ++i) {
      if (chunk[i] == '\r') continue;
      if (chunk[i] != '\n') {
        newlines = 0;
        continue;
      }
      if (++newlines == 2) {
        done = true;
        return i + 1;
      }
    }
    return n;
  }
};

// Where the body goes: the file (fd -1: none) and the caller's buffer with
// the room left in it (the terminator counted).
struct BodySink {
  int fd = -1;
  char* buffer = nullptr;
  int32_t room = 0;
  int32_t used = 0;

  bool Write(const uint8_t* bytes, int32_t n) {
    if (fd != -1 && !PlatformWriteAll(fd, bytes, static_cast<size_t>(n))) return false;
    if (buffer != nullptr && room >= 2) {
      const int32_t copied = n < room - 1 ? n : room - 1;
      std::memcpy(buffer + used, bytes, static_cast<size_t>(copied));
      used += copied;
      buffer[used] = '\0';
      room -= copied;
    }
    return true;
  }
  // A buffer-only download has all it can keep.
  bool Full() const { return fd == -1 && buffer != nullptr && room <= 1; }
};

// Opens the target file afresh; false for a memory-file name or a file that
// cannot be made.
bool OpenTarget(const char* fileName, int* fd) {
  *fd = -1;
  if (fileName == nullptr) return true;
  if (std::strncmp(fileName, "mem://", 6) == 0) return false;
  std::string path;
  if (!SystemPath(fileName, &path)) return false;
  *fd = CreateFresh(path, 0644);
  return *fd != -1;
}

// Receives the response into the sink until the server closes; false on an
// error, a failed write, or a server that sends nothing for the wait limit.
bool ReceiveBody(int32_t socket, BodySink& sink, double waitLimitMs) {
  uint8_t chunk[kChunkBytes + 1];
  HeaderScan header;
  double lastData = PlatformMilliseconds();
  for (;;) {
    const int32_t n = SockRecv(socket, chunk, kChunkBytes, 0);
    if (n == 0) return true;
    if (n == -2) {
      if (PlatformMilliseconds() - lastData > waitLimitMs) {
        SockSetLastError(kSockErrorTimedOut);
        return false;
      }
      PlatformSleep(kEmptyPollMs);
      continue;
    }
    if (n < 0) return false;
    lastData = PlatformMilliseconds();
    const int32_t bodyStart = header.done ? 0 : header.Feed(chunk, n);
    if (!header.done || bodyStart == n) continue;
    if (!sink.Write(chunk + bodyStart, n - bodyStart)) {
      SockSetLastError(SockErrorFromErrno(errno));
      return false;
    }
    if (sink.Full()) return true;
  }
}

}  // namespace

int32_t HttpGetToFile(const char* host, const char* path, int32_t port, const char* fileName, char* buffer,
                      int32_t bufferSize, int32_t connectTimeoutMs) {
  if (port == 0) port = 80;
  if (host == nullptr) host = "";
  if (path == nullptr) path = "";
  BodySink sink;
  if (!OpenTarget(fileName, &sink.fd)) return 0;
  if (buffer != nullptr && bufferSize >= 1) {
    sink.buffer = buffer;
    sink.room = bufferSize;
    buffer[0] = '\0';
  }
  NetStartup();
  int32_t socket = -1;
  bool ok = false;
  const SockAddress address = SockResolve(host, static_cast<uint16_t>(port));
  if (address.ip != 0 || address.port != 0) socket = SockConnect(address, connectTimeoutMs);
  if (socket >= 0) {
    SockSetBlocking(socket, 0);
    const std::string request = std::string("GET ") + path + " HTTP/1.0\r\nHost:" + host +
                                "\r\nAccept: */*\r\nUser-Agent: Vantrel\r\n\r\n";
    const auto length = static_cast<int32_t>(request.size());
    const int32_t waitLimit =
        connectTimeoutMs < 1 || connectTimeoutMs > kLongestWaitMs ? kLongestWaitMs : connectTimeoutMs;
    ok = SockSend(socket, request.data(), length, nullptr) == length && ReceiveBody(socket, sink, waitLimit);
  }
  if (ok) {
    SockClose(socket);
    NetShutdown();
  } else {
    // The download's own error outlives the close and the release.
    const int32_t error = SockLastError();
    if (socket >= 0) SockClose(socket);
    NetShutdown();
    SockSetLastError(error);
  }
  if (sink.fd != -1) close(sink.fd);
  return ok ? 1 : 0;
}
