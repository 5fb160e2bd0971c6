#include "net/socket_layer.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/clock.h"

namespace {

SocketSlot g_slots[kSocketSlotCount] = {};
bool g_tableReady = false;
// How long a send waits for a socket that takes no more bytes: as long as
// the session gives a peer to connect or to answer.
constexpr double kSendStallMs = 5000;
int32_t g_lastError = 0;
int32_t g_startupCount = 0;

void EnsureTable() {
  if (g_tableReady) return;
  SockTableReset();
}


}  // namespace

int32_t SockErrorFromErrno(int error) {
  switch (error) {
    case 0: return 0;
    case EWOULDBLOCK: return kSockErrorWouldBlock;
    case EINPROGRESS: return kSockErrorTimedOut;
    case EALREADY: return 10037;
    case ENOTSOCK: return 10038;
    case EDESTADDRREQ: return 10039;
    case EMSGSIZE: return 10040;
    case EPROTOTYPE: return 10041;
    case ENOPROTOOPT: return 10042;
    case EPROTONOSUPPORT: return 10043;
    case EOPNOTSUPP: return 10045;
    case EAFNOSUPPORT: return 10047;
    case EADDRINUSE: return 10048;
    case EADDRNOTAVAIL: return 10049;
    case ENETDOWN: return 10050;
    case ENETUNREACH: return 10051;
    case ENETRESET: return 10052;
    case ECONNABORTED: return 10053;
    case ECONNRESET:
    case EPIPE: return 10054;
    case ENOBUFS: return 10055;
    case EISCONN: return 10056;
    case ENOTCONN: return 10057;
    case ESHUTDOWN: return 10058;
    case ETIMEDOUT: return 10060;
    case ECONNREFUSED: return 10061;
    case EHOSTDOWN: return 10064;
    case EHOSTUNREACH: return 10065;
    case EBADF: return 10009;
    case EACCES: return 10013;
    case EFAULT: return 10014;
    case EINVAL: return 10022;
    case EMFILE: return 10024;
    default: return 10000 + error;
  }
}

SocketSlot* SockSlot(int32_t slot) {
  if (slot < 0 || slot >= kSocketSlotCount) return nullptr;
  EnsureTable();
  return &g_slots[slot];
}

int32_t NetStartup() {
  if (g_startupCount == 0) {
    std::memset(g_slots, 0, sizeof g_slots);
    SockTableReset();
  }
  ++g_startupCount;
  return 1;
}

void NetShutdown() {
  --g_startupCount;
  if (g_startupCount > 0) return;
  EnsureTable();
  for (int32_t slot = 0; slot < kSocketSlotCount; ++slot) {
    if (g_slots[slot].fd != -1) SockClose(slot);
  }
  g_startupCount = 0;
}

void SockTableReset() {
  for (SocketSlot& slot : g_slots) slot.fd = -1;
  g_tableReady = true;
}

int32_t SockClose(int32_t slot) {
  SocketSlot* record = SockSlot(slot);
  if (record == nullptr || record->fd == -1) {
    g_lastError = SockErrorFromErrno(EBADF);
    return -1;
  }
  const int fd = record->fd;
  record->fd = -1;
  linger off = {0, 0};
  setsockopt(fd, SOL_SOCKET, SO_LINGER, &off, sizeof off);
  shutdown(fd, SHUT_RDWR);
  const int result = close(fd);
  g_lastError = SockErrorFromErrno(result == 0 ? 0 : errno);
  return result;
}

int32_t SockSend(int32_t slot, const void* data, int32_t length, const SockAddress* address) {
  SocketSlot* record = SockSlot(slot);
  if (record == nullptr || record->fd == -1) {
    g_lastError = SockErrorFromErrno(EBADF);
    return -1;
  }
  sockaddr_in to = {};
  if (record->isUdp != 0) {
    if (address == nullptr || (address->ip == 0 && address->port == 0)) return -1;
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = address->ip;
    to.sin_port = address->port;
  }
  if (length <= 0) return 0;
  const auto* bytes = static_cast<const uint8_t*>(data);
  int32_t sent = 0;
  double stallStart = -1;  // when the socket last stopped taking bytes
  while (sent < length) {
    const ssize_t n = record->isUdp != 0
                          ? sendto(record->fd, bytes + sent, length - sent, MSG_NOSIGNAL,
                                   reinterpret_cast<const sockaddr*>(&to), sizeof to)
                          : send(record->fd, bytes + sent, length - sent, MSG_NOSIGNAL);
    if (n > 0) {
      sent += static_cast<int32_t>(n);
      stallStart = -1;
      continue;
    }
    const int error = n < 0 ? errno : EPIPE;
    if (error == EINTR) continue;
    g_lastError = SockErrorFromErrno(error);
    if (error != EWOULDBLOCK && error != EAGAIN) return -1;
    // Would block: wait until the socket takes more, but not for a peer
    // that has stopped reading altogether.
    const double now = PlatformMilliseconds();
    if (stallStart < 0) stallStart = now;
    const double left = kSendStallMs - (now - stallStart);
    if (left <= 0) {
      g_lastError = SockErrorFromErrno(ETIMEDOUT);
      return -1;
    }
    pollfd waiting = {record->fd, POLLOUT, 0};
    poll(&waiting, 1, static_cast<int>(left) + 1);
  }
  g_lastError = 0;
  return length;
}

int32_t SockLastError() { return g_lastError; }

void SockSetLastError(int32_t code) { g_lastError = code; }
