#include "net/http_download.h"

#include <algorithm>
#include <cerrno>
#include <new>
#include <string>
#include <vector>

#include "files/file_write_back.h"
#include "net/socket_layer.h"
#include "platform/clock.h"
#include "platform/file_io.h"

namespace {

constexpr int32_t kLongestWaitMs = 30000;
// The whole download may take this many times the wait limit.
constexpr double kDeadlineTimes = 10;
// How long one wait for the server's next bytes lasts before the limits are
// looked at again.
constexpr int32_t kEmptyPollMs = 5;

// Each read takes what the socket has, up to the size of the buffer. The
// buffer starts small and doubles whenever a read fills it, up to
// kLargestRead: a short answer costs little memory, a large download moves
// in few large reads and writes.
constexpr size_t kFirstRead = 16 * 1024;
constexpr size_t kLargestRead = 256 * 1024;

class ReadBuffer {
 public:
  // False when not even the first buffer can be had.
  bool Start() {
    try {
      bytes_.resize(kFirstRead);
    } catch (const std::bad_alloc&) {
      return false;
    }
    return true;
  }
  uint8_t* data() { return bytes_.data(); }
  int32_t size() const { return static_cast<int32_t>(bytes_.size()); }
  // After a read of n bytes: a read that filled the buffer makes it twice as
  // large for the next one (when the memory is there; else it stays).
  void Took(int32_t n) {
    if (n < size() || bytes_.size() >= kLargestRead) return;
    try {
      std::vector<uint8_t> larger(bytes_.size() * 2);
      bytes_.swap(larger);
    } catch (const std::bad_alloc&) {
    }
  }

 private:
  std::vector<uint8_t> bytes_;
};

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

// Where the body goes: the file being written (null: none) and the text
// with the number of bytes it keeps.
struct BodySink {
  StagedWrite* file = nullptr;
  std::string* text = nullptr;
  size_t textMaximum = 0;

  // False when the file takes not all bytes or the text finds no memory,
  // with the error in *error.
  bool Write(const uint8_t* bytes, int32_t n, int32_t* error) {
    if (file != nullptr && !PlatformWriteAll(file->fd, bytes, static_cast<size_t>(n))) {
      *error = SockErrorFromErrno(errno);
      return false;
    }
    if (text != nullptr && text->size() < textMaximum) {
      const size_t kept = std::min(static_cast<size_t>(n), textMaximum - text->size());
      try {
        text->append(reinterpret_cast<const char*>(bytes), kept);
      } catch (const std::bad_alloc&) {
        *error = SockErrorFromErrno(ENOBUFS);
        return false;
      }
    }
    return true;
  }
  // A text-only download has all it keeps.
  bool Full() const { return file == nullptr && text != nullptr && text->size() >= textMaximum; }
};

// Receives the response into the sink until the server closes after the
// header; false (with the error in *error) on a close before the header
// ended, a reset or other error, a failed write, a server that sends
// nothing for the wait limit, or a download still running at the deadline.
bool ReceiveBody(int32_t socket, BodySink& sink, double waitLimitMs, double deadline, int32_t* error) {
  ReadBuffer buffer;
  if (!buffer.Start()) {
    *error = SockErrorFromErrno(ENOBUFS);
    return false;
  }
  HeaderScan header;
  double lastData = PlatformMilliseconds();
  for (;;) {
    int32_t code = 0;
    uint8_t* chunk = buffer.data();
    const int32_t n = SockRecvOnce(socket, chunk, buffer.size(), &code);
    if (n == 0 && code == 0) {
      if (header.done) return true;
      *error = kSockErrorAborted;
      return false;
    }
    if (n == 0 || n == -1) {
      *error = code;
      return false;
    }
    const double now = PlatformMilliseconds();
    if (now > deadline || (n == -2 && now - lastData > waitLimitMs)) {
      *error = kSockErrorTimedOut;
      return false;
    }
    if (n == -2) {
      // Wakes as soon as bytes (or the close) are there.
      SockPoll(socket, kEmptyPollMs);
      continue;
    }
    lastData = now;
    const int32_t bodyStart = header.done ? 0 : header.Feed(chunk, n);
    if (header.done && bodyStart < n) {
      if (!sink.Write(chunk + bodyStart, n - bodyStart, error)) return false;
      if (sink.Full()) return true;
    }
    buffer.Took(n);  // last: a larger buffer no longer holds these bytes
  }
}

}  // namespace

int32_t HttpGetToFile(const char* host, const char* path, int32_t port, const char* fileName, std::string* text,
                      int32_t textMaximum, int32_t connectTimeoutMs) {
  if (port == 0) port = 80;
  if (host == nullptr) host = "";
  if (path == nullptr) path = "";
  const int32_t waitLimit =
      connectTimeoutMs < 1 || connectTimeoutMs > kLongestWaitMs ? kLongestWaitMs : connectTimeoutMs;
  const double deadline = PlatformMilliseconds() + kDeadlineTimes * static_cast<double>(waitLimit);
  BodySink sink;
  StagedWrite file;
  if (fileName != nullptr) {
    // A memory-file name, or a folder that cannot take the file, fails
    // before anything is asked.
    if (!WriteBackBegin(file, WriteBackPath(fileName))) return 0;
    sink.file = &file;
  }
  if (text != nullptr) {
    text->clear();
    sink.text = text;
    sink.textMaximum = textMaximum > 0 ? static_cast<size_t>(textMaximum) : 0;
  }
  NetStartup();
  int32_t socket = -1;
  bool ok = false;
  int32_t error = 0;
  const SockAddress address = SockResolve(host, static_cast<uint16_t>(port));
  if (address.ip != 0 || address.port != 0) socket = SockConnect(address, connectTimeoutMs);
  if (socket >= 0) {
    SockSetBlocking(socket, 0);
    const std::string request = std::string("GET ") + path + " HTTP/1.0\r\nHost:" + host +
                                "\r\nAccept: */*\r\nUser-Agent: Vantrel\r\n\r\n";
    const auto length = static_cast<int32_t>(request.size());
    if (SockSend(socket, request.data(), length, nullptr) != length) error = SockLastError();
    else ok = ReceiveBody(socket, sink, waitLimit, deadline, &error);
  } else {
    error = SockLastError();
  }
  if (socket >= 0) SockClose(socket);
  NetShutdown();
  if (sink.file != nullptr) {
    if (!ok) {
      WriteBackAbandon(file);
    } else if (!WriteBackFinish(file)) {
      error = SockErrorFromErrno(errno);
      ok = false;
    }
  }
  // The download's own error outlives the close and the release.
  if (!ok) SockSetLastError(error);
  return ok ? 1 : 0;
}
