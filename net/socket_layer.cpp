#include "net/socket_layer.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "net/net_tuning.h"
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

constexpr int kListenBacklog = 10;
constexpr int32_t kLongestConnectMs = 30000;

void SetError(int error) { g_lastError = SockErrorFromErrno(error); }

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

// The lowest free slot or -1; the caller holds the lock.
int32_t FreeSlotLocked() {
  EnsureTableLocked();
  for (int32_t slot = 0; slot < kSocketSlotCount; ++slot) {
    if (g_slots[slot].fd == -1) return slot;
  }
  return -1;
}

// A copy of the slot's record; fd -1 (and last error 10009) when free.
SocketSlot UsedSlot(int32_t slot) {
  SocketSlot record = {-1, {}, 0};
  {
    const std::lock_guard<std::mutex> hold(g_tableLock);
    if (const SocketSlot* used = SlotLocked(slot)) record = *used;
  }
  if (record.fd == -1) g_lastError = kSockErrorBadSocket;
  return record;
}

// Whether a new socket may be made: a start-up stands (else 10093) and a
// slot is free (else 8).
bool ReadyForNewSocket() {
  const std::lock_guard<std::mutex> hold(g_tableLock);
  if (g_startupCount <= 0) {
    g_lastError = kSockErrorNotInitialised;
    return false;
  }
  if (FreeSlotLocked() < 0) {
    g_lastError = kSockErrorNoSlot;
    return false;
  }
  return true;
}

// A new non-blocking socket of the type, when a slot can take it; -1 with
// the last error set.
int NewSocket(int type, int protocol) {
  if (!ReadyForNewSocket()) return -1;
  const int fd = socket(AF_INET, type | SOCK_NONBLOCK | SOCK_CLOEXEC, protocol);
  if (fd < 0) SetError(errno);
  return fd;
}

// Linger off, shut down both ways, close; the close's result, with the last
// error set from it.
int CloseSocket(int fd) {
  linger off = {0, 0};
  setsockopt(fd, SOL_SOCKET, SO_LINGER, &off, sizeof off);
  shutdown(fd, SHUT_RDWR);
  const int result = close(fd);
  SetError(result == 0 ? 0 : errno);
  return result;
}

// Closes the socket of a failed operation, keeping that operation's error.
int32_t FailClosing(int fd, int error) {
  CloseSocket(fd);
  SetError(error);
  return -1;
}

int SetIntOption(int fd, int option, int value) {
  return setsockopt(fd, SOL_SOCKET, option, &value, sizeof value);
}

// A new socket with its address reusable, bound to the address (a datagram
// socket only when the port is not 0: else the first send binds it); -1
// with the last error set.
int NewBoundSocket(int type, int protocol, const sockaddr_in& address) {
  const int fd = NewSocket(type, protocol);
  if (fd < 0) return -1;
  SetIntOption(fd, SO_REUSEADDR, 1);
  if ((type == SOCK_STREAM || address.sin_port != 0) &&
      bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    return FailClosing(fd, errno);
  }
  return fd;
}

// Frees the slot of a failed operation, keeping that operation's error.
int32_t FailFreeing(int32_t slot, int32_t code) {
  SockClose(slot);
  g_lastError = code;
  return -1;
}

// Puts a new socket into the lowest free slot; when none is left (the other
// thread took it) the socket is closed and the last error is 8.
int32_t ClaimSlot(int fd, const sockaddr_in& address, uint8_t isUdp) {
  {
    const std::lock_guard<std::mutex> hold(g_tableLock);
    const int32_t slot = FreeSlotLocked();
    if (slot >= 0) {
      g_slots[slot] = {fd, address, isUdp};
      return slot;
    }
  }
  CloseSocket(fd);
  g_lastError = kSockErrorNoSlot;
  return -1;
}

sockaddr_in AnyAddress(uint16_t port) {
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_ANY);
  return address;
}

// Waits up to the milliseconds for the events; the poll's result (0 when
// the time ran out), EINTR waited through. *revents (when given) receives
// what the poll found.
int WaitFor(int fd, short events, double milliseconds, short* revents = nullptr) {
  const double deadline = PlatformMilliseconds() + milliseconds;
  for (;;) {
    const double left = deadline - PlatformMilliseconds();
    pollfd waiting = {fd, events, 0};
    const int result = poll(&waiting, 1, left > 0 ? static_cast<int>(left) + 1 : 0);
    if (revents != nullptr) *revents = waiting.revents;
    if (result >= 0 || errno != EINTR) return result;
  }
}

// Waits for the events of a socket that has stopped moving bytes since
// *stallStart (set here when it is below 0); false, with last error 10060,
// once it has stood still for the stall limit.
bool WaitUnlessStalled(int fd, short events, double* stallStart) {
  const double now = PlatformMilliseconds();
  if (*stallStart < 0) *stallStart = now;
  const double left = g_netTuning.stallMs - (now - *stallStart);
  if (left <= 0) {
    g_lastError = kSockErrorTimedOut;
    return false;
  }
  WaitFor(fd, events, left);
  return true;
}

// A send of a blocking socket gives up after the stall limit, so that
// SockSend's own bound holds for it too.
void BoundBlockingSends(int fd) {
  const auto ms = static_cast<long>(g_netTuning.stallMs);
  timeval limit = {ms / 1000, (ms % 1000) * 1000};
  setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
}

// The system's errno values and their WinSock numbers, both ways.
struct ErrnoCode {
  int error;
  int32_t code;
};

constexpr ErrnoCode kErrnoCodes[] = {
    {EINTR, 10004},         {EBADF, 10009},           {EACCES, 10013},        {EFAULT, 10014},
    {EINVAL, 10022},        {EMFILE, 10024},          {EWOULDBLOCK, 10035},   {EINPROGRESS, 10036},
    {EALREADY, 10037},      {ENOTSOCK, 10038},        {EDESTADDRREQ, 10039},  {EMSGSIZE, 10040},
    {EPROTOTYPE, 10041},    {ENOPROTOOPT, 10042},     {EPROTONOSUPPORT, 10043},
    {EOPNOTSUPP, 10045},    {EAFNOSUPPORT, 10047},    {EADDRINUSE, 10048},    {EADDRNOTAVAIL, 10049},
    {ENETDOWN, 10050},      {ENETUNREACH, 10051},     {ENETRESET, 10052},     {ECONNABORTED, 10053},
    {ECONNRESET, 10054},    {EPIPE, 10054},           {ENOBUFS, 10055},       {EISCONN, 10056},
    {ENOTCONN, 10057},      {ESHUTDOWN, 10058},       {ETIMEDOUT, 10060},     {ECONNREFUSED, 10061},
    {EHOSTDOWN, 10064},     {EHOSTUNREACH, 10065},
};

}  // namespace

int32_t SockErrorFromErrno(int error) {
  if (error == 0) return 0;
  if (error == EAGAIN) error = EWOULDBLOCK;
  for (const ErrnoCode& entry : kErrnoCodes) {
    if (entry.error == error) return entry.code;
  }
  return 10000 + error;
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

int32_t NetStartupCount() {
  const std::lock_guard<std::mutex> hold(g_tableLock);
  return g_startupCount;
}

void SockTableReset() {
  const std::lock_guard<std::mutex> hold(g_tableLock);
  ResetTableLocked();
}

int32_t SockFindFreeSlot() {
  const std::lock_guard<std::mutex> hold(g_tableLock);
  const int32_t slot = FreeSlotLocked();
  if (slot < 0) g_lastError = kSockErrorNoSlot;
  return slot;
}

int32_t SockListen(uint16_t port) {
  const sockaddr_in address = AnyAddress(port);
  const int fd = NewBoundSocket(SOCK_STREAM, IPPROTO_TCP, address);
  if (fd < 0) return -1;
  if (listen(fd, kListenBacklog) != 0) return FailClosing(fd, errno);
  const int32_t slot = ClaimSlot(fd, address, 0);
  if (slot >= 0) g_lastError = 0;
  return slot;
}

int32_t SockAccept(int32_t slot, SockAddress* peer) {
  const SocketSlot listening = UsedSlot(slot);
  if (listening.fd == -1) return -1;
  if (listening.isUdp != 0) {
    g_lastError = 0;
    return -1;
  }
  sockaddr_in from = {};
  socklen_t size = sizeof from;
  int fd;
  do {
    fd = accept4(listening.fd, reinterpret_cast<sockaddr*>(&from), &size, SOCK_NONBLOCK | SOCK_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    SetError(errno);
    return -1;
  }
  const int32_t accepted = ClaimSlot(fd, from, listening.isUdp);
  if (accepted < 0) return -1;
  if (peer != nullptr) *peer = {from.sin_addr.s_addr, from.sin_port};
  g_lastError = 0;
  return accepted;
}

int32_t SockConnect(SockAddress address, int32_t timeoutMs) {
  if (address.ip == 0 && address.port == 0) return -1;
  const int fd = NewSocket(SOCK_STREAM, IPPROTO_TCP);
  if (fd < 0) return -1;
  sockaddr_in to = {};
  to.sin_family = AF_INET;
  to.sin_port = address.port;
  to.sin_addr.s_addr = address.ip;
  const int32_t slot = ClaimSlot(fd, to, 0);
  if (slot < 0) return -1;
  if (connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0) {
    const int error = errno;
    if (error != EINPROGRESS && error != EWOULDBLOCK && error != EAGAIN && error != EINTR) {
      return FailFreeing(slot, SockErrorFromErrno(error));
    }
    if (timeoutMs < 1 || timeoutMs > kLongestConnectMs) timeoutMs = kLongestConnectMs;
    const int ready = WaitFor(fd, POLLOUT, timeoutMs);
    if (ready == 0) return FailFreeing(slot, kSockErrorConnectTimedOut);
    int failure = 0;
    socklen_t size = sizeof failure;
    if (ready < 0) failure = errno;
    else if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &failure, &size) != 0) failure = errno;
    if (failure != 0) return FailFreeing(slot, SockErrorFromErrno(failure));
  }
  g_lastError = 0;
  return slot;
}

int32_t SockUdpOpen(uint16_t port) {
  const sockaddr_in address = AnyAddress(port);
  const int fd = NewBoundSocket(SOCK_DGRAM, IPPROTO_UDP, address);
  if (fd < 0) return -1;
  if (SetIntOption(fd, SO_BROADCAST, 1) != 0) {
    const char one = 1;
    setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &one, sizeof one);
  }
  const int32_t slot = ClaimSlot(fd, address, 1);
  if (slot >= 0) g_lastError = 0;
  return slot;
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
    g_lastError = kSockErrorBadSocket;
    return -1;
  }
  return CloseSocket(fd);
}

int32_t SockSend(int32_t slot, const void* data, int32_t length, const SockAddress* address) {
  // The slot's socket is read under the lock; the sending and waiting happen
  // outside it.
  const SocketSlot record = UsedSlot(slot);
  if (record.fd == -1) return -1;
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
    SetError(error);
    if (error != EWOULDBLOCK && error != EAGAIN) return -1;
    // Would block: wait until the socket takes more, but not for a peer
    // that has stopped reading altogether.
    if (!WaitUnlessStalled(record.fd, POLLOUT, &stallStart)) return -1;
  }
  g_lastError = 0;
  return length;
}

int32_t SockSendNow(int32_t slot, const void* data, int32_t length) {
  const SocketSlot record = UsedSlot(slot);
  if (record.fd == -1) return -1;
  const auto* bytes = static_cast<const uint8_t*>(data);
  int32_t sent = 0;
  while (sent < length) {
    const ssize_t n = send(record.fd, bytes + sent, length - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) {
      sent += static_cast<int32_t>(n);
      continue;
    }
    const int error = n < 0 ? errno : EPIPE;
    if (error == EINTR) continue;
    SetError(error);
    return error == EWOULDBLOCK || error == EAGAIN ? sent : -1;
  }
  g_lastError = 0;
  return sent;
}

int32_t SockShutdown(int32_t slot) {
  const SocketSlot record = UsedSlot(slot);
  if (record.fd == -1) return -1;
  const int result = shutdown(record.fd, SHUT_RDWR);
  SetError(result == 0 ? 0 : errno);
  return result;
}

int32_t SockPoll(int32_t slot, int32_t waitMs) {
  const SocketSlot record = UsedSlot(slot);
  if (record.fd == -1) return -1;
  short revents = 0;
  const int result = WaitFor(record.fd, POLLIN, waitMs, &revents);
  if (result < 0 || (revents & POLLNVAL) != 0) {
    SetError(result < 0 ? errno : EBADF);
    return -1;
  }
  g_lastError = 0;
  return result > 0 ? 1 : -2;
}

namespace {

// One read of the slot's socket; a UDP slot's address becomes the sender
// (cleared when nothing came). The system's result, errno kept.
ssize_t ReadOnce(int32_t slot, const SocketSlot& record, void* buffer, size_t length) {
  if (record.isUdp == 0) return recv(record.fd, buffer, length, 0);
  sockaddr_in from = {};
  socklen_t size = sizeof from;
  const ssize_t n = recvfrom(record.fd, buffer, length, 0, reinterpret_cast<sockaddr*>(&from), &size);
  const int error = errno;
  {
    const std::lock_guard<std::mutex> hold(g_tableLock);
    SocketSlot* used = SlotLocked(slot);
    if (used != nullptr && used->fd == record.fd) {
      used->address.sin_addr.s_addr = n >= 0 ? from.sin_addr.s_addr : 0;
      used->address.sin_port = n >= 0 ? from.sin_port : 0;
    }
  }
  errno = error;
  return n;
}

// A failed read's result: 0 for a reset connection (as a close), -2 for
// nothing waiting, -1 otherwise; *code receives its error number, which is
// also the last error. An ICMP refusal of an earlier datagram counts as a
// reset, as WinSock reports it.
int32_t ReadFailure(int error, const SocketSlot& record, int32_t* code) {
  if (record.isUdp != 0 && error == ECONNREFUSED) error = ECONNRESET;
  *code = SockErrorFromErrno(error);
  g_lastError = *code;
  if (error == ECONNRESET) return 0;
  if (error == EWOULDBLOCK || error == EAGAIN) return -2;
  return -1;
}

// SockRecv, with the call's own error number in *code (0 after bytes or a
// clean close).
int32_t Receive(int32_t slot, void* buffer, int32_t length, uint8_t mode, int32_t* code) {
  *code = 0;
  if (mode != 0 && length <= 0) return length;
  const SocketSlot record = UsedSlot(slot);
  if (record.fd == -1) {
    *code = kSockErrorBadSocket;
    return -1;
  }
  if (length <= 0) return 0;
  auto* bytes = static_cast<uint8_t*>(buffer);
  int32_t got = 0;
  double stallStart = -1;  // when the rest of a whole-length read stopped coming
  for (;;) {
    const ssize_t n = ReadOnce(slot, record, bytes + got, static_cast<size_t>(length - got));
    if (n > 0) {
      got += static_cast<int32_t>(n);
      g_lastError = 0;
      if (mode == 0 || got == length) return got;
      stallStart = -1;
      continue;
    }
    if (n == 0) {
      g_lastError = 0;
      return 0;
    }
    const int error = errno;
    if (error == EINTR) continue;
    const int32_t failure = ReadFailure(error, record, code);
    if (failure != -2 || mode == 0 || got == 0) return failure;
    // Part of a whole-length read is in: wait for the rest, but not for a
    // peer that has stopped sending in the middle.
    if (!WaitUnlessStalled(record.fd, POLLIN, &stallStart)) {
      *code = kSockErrorTimedOut;
      return -1;
    }
  }
}

}  // namespace

int32_t SockRecv(int32_t slot, void* buffer, int32_t length, uint8_t mode) {
  int32_t code = 0;
  return Receive(slot, buffer, length, mode, &code);
}

int32_t SockRecvOnce(int32_t slot, void* buffer, int32_t length, int32_t* code) {
  return Receive(slot, buffer, length, 0, code);
}

int32_t SockSetBlocking(int32_t slot, uint8_t blocking) {
  int fd = -1;
  {
    const std::lock_guard<std::mutex> hold(g_tableLock);
    if (const SocketSlot* record = SlotLocked(slot)) fd = record->fd;
  }
  if (fd == -1) return g_lastError;
  const int flags = fcntl(fd, F_GETFL);
  const int wanted = blocking != 0 ? flags & ~O_NONBLOCK : flags | O_NONBLOCK;
  if (flags < 0 || fcntl(fd, F_SETFL, wanted) != 0) {
    SetError(errno);
    return g_lastError;
  }
  if (blocking != 0) BoundBlockingSends(fd);
  g_lastError = 0;
  return 0;
}

SockAddress SockPeerAddress(int32_t slot) {
  const std::lock_guard<std::mutex> hold(g_tableLock);
  const SocketSlot* record = SlotLocked(slot);
  if (record == nullptr || record->fd == -1) return {0, 0};
  return {record->address.sin_addr.s_addr, record->address.sin_port};
}

SockAddress SockLocalAddress(int32_t slot) {
  int fd = -1;
  {
    const std::lock_guard<std::mutex> hold(g_tableLock);
    if (const SocketSlot* record = SlotLocked(slot)) fd = record->fd;
  }
  sockaddr_in address = {};
  socklen_t size = sizeof address;
  if (fd == -1 || getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0) return {0, 0};
  return {address.sin_addr.s_addr, address.sin_port};
}

namespace {

// The system's text for a last-error value; null when it has none.
const char* ErrorMessage(int32_t code) {
  switch (code) {
    case 0: return std::strerror(0);
    case kSockErrorNoSlot: return std::strerror(ENOMEM);
    case kSockErrorNotInitialised: return "Network not started";
    case kSockErrorHostNotFound: return gai_strerror(EAI_NONAME);
    case kSockErrorHostNotFound + 1: return gai_strerror(EAI_AGAIN);
    case kSockErrorHostNotFound + 2: return gai_strerror(EAI_FAIL);
    case kSockErrorHostNotFound + 3: return gai_strerror(EAI_NODATA);
    default: break;
  }
  for (const ErrnoCode& entry : kErrnoCodes) {
    if (entry.code == code) return std::strerror(entry.error);
  }
  // Other numbers above 10000 carry an errno value of the system's own.
  if (code > 10000 && code < 10000 + 4096 && strerrorname_np(code - 10000) != nullptr) {
    return std::strerror(code - 10000);
  }
  return nullptr;
}

char g_errorText[512];

}  // namespace

const char* SockErrorText() {
  const int32_t code = g_lastError;
  const char* message = ErrorMessage(code);
  if (message == nullptr) return "";
  std::snprintf(g_errorText, sizeof g_errorText, "%d %s", code, message);
  return g_errorText;
}

int32_t SockLastError() { return g_lastError; }

void SockSetLastError(int32_t code) { g_lastError = code; }
