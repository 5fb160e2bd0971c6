#include "net/socket_layer.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>

#include "platform/clock.h"

namespace {

// The program's thread and the session thread both use the layer: the
// table and the start-up count are only touched under this lock, and the
// last error is one atomic word shared by both threads.
std::mutex g_tableLock;
SocketSlot g_slots[kSocketSlotCount] = {};
bool g_tableReady = false;
int32_t g_startupCount = 0;
std::atomic<int32_t> g_lastError{0};

// How long a send waits for a socket that takes no more bytes: as long as
// the session gives a peer to connect or to answer.
constexpr double kSendStallMs = 5000;

// Marks every slot free; the caller holds the lock.
void ResetTableLocked() {
  for (SocketSlot& slot : g_slots) slot.fd = -1;
  g_tableReady = true;
}

// The caller holds the lock.
void EnsureTableLocked() {
  if (!g_tableReady) ResetTableLocked();
}

// The slot's record, null outside 0 to 1023; the caller holds the lock.
SocketSlot* SlotLocked(int32_t slot) {
  if (slot < 0 || slot >= kSocketSlotCount) return nullptr;
  EnsureTableLocked();
  return &g_slots[slot];
}

// Linger off, shut down both ways, close; the close's result, with the last
// error set from it.
int CloseSocket(int fd) {
  linger off = {0, 0};
  setsockopt(fd, SOL_SOCKET, SO_LINGER, &off, sizeof off);
  shutdown(fd, SHUT_RDWR);
  const int result = close(fd);
  g_lastError = SockErrorFromErrno(result == 0 ? 0 : errno);
  return result;
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
  const std::lock_guard<std::mutex> hold(g_tableLock);
  return SlotLocked(slot);
}

int32_t NetStartup() {
  const std::lock_guard<std::mutex> hold(g_tableLock);
  if (g_startupCount == 0) {
    std::memset(g_slots, 0, sizeof g_slots);
    ResetTableLocked();
  }
  ++g_startupCount;
  return 1;
}

void NetShutdown() {
  const std::lock_guard<std::mutex> hold(g_tableLock);
  --g_startupCount;
  if (g_startupCount > 0) return;
  EnsureTableLocked();
  for (SocketSlot& slot : g_slots) {
    if (slot.fd == -1) continue;
    const int fd = slot.fd;
    slot.fd = -1;
    CloseSocket(fd);
  }
  g_startupCount = 0;
}

void SockTableReset() {
  const std::lock_guard<std::mutex> hold(g_tableLock);
  ResetTableLocked();
}

int32_t SockClose(int32_t slot) {
  int fd = -1;
  {
    // Taken out of the table under the lock, so that only one closer gets it.
    const std::lock_guard<std::mutex> hold(g_tableLock);
    if (SocketSlot* record = SlotLocked(slot)) {
      fd = record->fd;
      record->fd = -1;
    }
  }
  if (fd == -1) {
    g_lastError = SockErrorFromErrno(EBADF);
    return -1;
  }
  return CloseSocket(fd);
}

int32_t SockSend(int32_t slot, const void* data, int32_t length, const SockAddress* address) {
  // The slot's socket is read under the lock; the sending and waiting happen
  // outside it.
  SocketSlot record = {-1, {}, 0};
  {
    const std::lock_guard<std::mutex> hold(g_tableLock);
    if (const SocketSlot* used = SlotLocked(slot)) record = *used;
  }
  if (record.fd == -1) {
    g_lastError = SockErrorFromErrno(EBADF);
    return -1;
  }
  sockaddr_in to = {};
  if (record.isUdp != 0) {
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
    const ssize_t n = record.isUdp != 0
                          ? sendto(record.fd, bytes + sent, length - sent, MSG_NOSIGNAL,
                                   reinterpret_cast<const sockaddr*>(&to), sizeof to)
                          : send(record.fd, bytes + sent, length - sent, MSG_NOSIGNAL);
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
    pollfd waiting = {record.fd, POLLOUT, 0};
    poll(&waiting, 1, static_cast<int>(left) + 1);
  }
  g_lastError = 0;
  return length;
}

int32_t SockLastError() { return g_lastError; }

void SockSetLastError(int32_t code) { g_lastError = code; }
