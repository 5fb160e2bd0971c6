#include "tests/support/raw_peer.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <cerrno>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "net/session_commands.h"
#include "net/socket_layer.h"

namespace {

sockaddr_in Loopback(uint16_t port) {
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

uint16_t BoundPort(int fd) {
  sockaddr_in address = {};
  socklen_t size = sizeof address;
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
  return ntohs(address.sin_port);
}

}  // namespace

uint16_t FreePort() {
  uint16_t port = 0;
  const int fd = RawListen(&port);
  close(fd);
  return port;
}

uint16_t HostOnFreePort() {
  for (int attempt = 0; attempt < 100; ++attempt) {
    const uint16_t port = FreePort();
    if (NetHost(port) == 1) return port;
    if (SockLastError() != SockErrorFromErrno(EADDRINUSE)) return 0;
  }
  return 0;
}

uint16_t FreeUdpPort() {
  const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  sockaddr_in address = Loopback(0);
  address.sin_addr.s_addr = htonl(INADDR_ANY);
  bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
  const uint16_t port = BoundPort(fd);
  close(fd);
  return port;
}

int RawRefuser(uint16_t* port) {
  // No SO_REUSEADDR: with it another socket that has it too could bind the
  // port while this one does not listen.
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const sockaddr_in address = Loopback(0);
  bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
  *port = BoundPort(fd);
  return fd;
}

uint16_t SlotPort(int32_t slot) { return BoundPort(SockSlot(slot)->fd); }

namespace {

// A connect that a signal interrupts goes on in the background: waits
// (5 s at most) for it to finish and takes its outcome.
bool Connected(int fd, const sockaddr_in& address) {
  if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) return true;
  if (errno != EINTR) return false;
  pollfd waiting = {fd, POLLOUT, 0};
  int ready = 0;
  do {
    ready = poll(&waiting, 1, 5000);
  } while (ready < 0 && errno == EINTR);
  int error = ETIMEDOUT;
  socklen_t size = sizeof error;
  if (ready == 1 && getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0) error = errno;
  errno = error;
  return error == 0;
}

}  // namespace

int RawConnect(uint16_t port, int readTimeoutMs) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (!Connected(fd, Loopback(port))) {
    const int error = errno;
    close(fd);
    errno = error;
    return -1;
  }
  timeval limit = {readTimeoutMs / 1000, (readTimeoutMs % 1000) * 1000};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  return fd;
}

int RawListen(uint16_t* port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const int one = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  const sockaddr_in address = Loopback(0);
  bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
  listen(fd, 16);
  *port = BoundPort(fd);
  return fd;
}

int RawAccept(int listening, int timeoutMs) {
  pollfd waiting = {listening, POLLIN, 0};
  int ready = 0;
  do {
    ready = poll(&waiting, 1, timeoutMs);
  } while (ready < 0 && errno == EINTR);
  if (ready != 1) return -1;
  const int fd = accept4(listening, nullptr, nullptr, SOCK_CLOEXEC);
  if (fd >= 0) {
    timeval limit = {kRawWaitMs / 1000, (kRawWaitMs % 1000) * 1000};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  }
  return fd;
}

bool RawWrite(int fd, const std::string& bytes) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    sent += static_cast<size_t>(n);
  }
  return true;
}

std::string RawReadAll(int fd) {
  std::string bytes;
  char buffer[4096];
  ssize_t n;
  while ((n = recv(fd, buffer, sizeof buffer, 0)) > 0 || (n < 0 && errno == EINTR)) {
    if (n > 0) bytes.append(buffer, static_cast<size_t>(n));
  }
  return bytes;
}

std::string U16(uint16_t value) {
  return std::string{static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)};
}

std::string FrameBytes(const RawFrame& frame, int32_t lengthField) {
  const auto length = static_cast<uint16_t>(lengthField < 0 ? frame.payload.size() : lengthField);
  return std::string(1, static_cast<char>(frame.type)) + U16(length) + U16(frame.recipient) + U16(frame.sender) +
         frame.payload;
}

namespace {

bool ReadExactly(int fd, char* buffer, size_t n) {
  size_t got = 0;
  while (got < n) {
    const ssize_t r = recv(fd, buffer + got, n - got, 0);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    got += static_cast<size_t>(r);
  }
  return true;
}

uint16_t Load16(const char* bytes) {
  return static_cast<uint16_t>(static_cast<uint8_t>(bytes[0]) | static_cast<uint8_t>(bytes[1]) << 8);
}

}  // namespace

bool RawReadFrame(int fd, RawFrame* frame) {
  char header[7];
  if (!ReadExactly(fd, header, sizeof header)) return false;
  frame->type = static_cast<uint8_t>(header[0]);
  frame->recipient = Load16(header + 3);
  frame->sender = Load16(header + 5);
  frame->payload.assign(Load16(header + 1), '\0');
  return ReadExactly(fd, frame->payload.data(), frame->payload.size());
}

std::string RegisterPayload(const std::string& name, bool query) {
  std::string payload(136, '\0');
  payload.replace(0, 4, "\xFF\xFF\xFF\xFF");
  payload.replace(4, 2, U16(0xFFFE));
  payload[6] = query ? 1 : 0;
  payload.replace(8, name.size() < 127 ? name.size() : 127, name.substr(0, 127));
  return payload;
}
