// The socket layer: 1024 socket slots over BSD sockets (IPv4, TCP and UDP),
// a process-wide last error with the WinSock numbers, and a reference count
// of start-ups.
//
// Callers hold slot numbers (0 to 1023), never system handles; a number
// outside that range is treated as a free slot. Every socket the layer
// creates is non-blocking, and sockets are only created while a start-up
// stands (else the last error is 10093, not initialised), so the last
// release closes every socket there is. The program's thread and the
// session thread use the layer at once: the table and the start-up count
// are guarded by one lock inside the layer (a slot's socket is looked up,
// taken or freed under it; sending and waiting happen outside it), and the
// last error is one process-wide word read and written atomically, so after
// a call it may hold the result of the other thread's call.
//
// Waits are bounded: a connect by its time-out, a send that the socket
// takes no byte of, and a whole-length read that stops getting bytes, by
// the stall limit of net_tuning.h (then the last error is 10060).
#pragma once

#include <netinet/in.h>

#include <cstdint>

inline constexpr int kSocketSlotCount = 1024;

// Last-error values beyond the system's own numbers.
inline constexpr int32_t kSockErrorNoSlot = 8;
inline constexpr int32_t kSockErrorBadSocket = 10009;
inline constexpr int32_t kSockErrorWouldBlock = 10035;
inline constexpr int32_t kSockErrorConnectTimedOut = 10036;
inline constexpr int32_t kSockErrorAborted = 10053;
inline constexpr int32_t kSockErrorReset = 10054;
inline constexpr int32_t kSockErrorTimedOut = 10060;
inline constexpr int32_t kSockErrorRefused = 10061;
inline constexpr int32_t kSockErrorNotInitialised = 10093;
inline constexpr int32_t kSockErrorHostNotFound = 11001;

struct SocketSlot {
  int fd;                // -1: the slot is free
  sockaddr_in address;   // bound address, peer, or a datagram's sender
  uint8_t isUdp;
};

// An IPv4 address and port, both in network byte order; {0, 0} is none.
struct SockAddress {
  uint32_t ip;
  uint16_t port;
};

// Counts a start-up; the first one resets the table. Returns 1.
int32_t NetStartup();
// Counts a start-up down; at 0 or below closes every open slot.
void NetShutdown();
// The number of start-ups not yet released.
int32_t NetStartupCount();
// Marks every slot free without closing anything.
void SockTableReset();
// The lowest free slot; -1 with last error 8 when none is free.
int32_t SockFindFreeSlot();

// A TCP socket bound to every address and the port, listening with a
// backlog of 10. The slot or -1.
int32_t SockListen(uint16_t port);
// Takes one pending connection of a listening slot into a new slot (the
// peer's address in the slot and, when given, in *peer). -1 when nothing is
// pending (last error 10035), on an error, or for a UDP slot (last error 0).
int32_t SockAccept(int32_t slot, SockAddress* peer);
// Connects a new TCP slot to the address, waiting up to the time-out (ms;
// outside 1 to 30000: 30000). The slot or -1 (10036 when the time ran out;
// 10061 when refused). A failed slot is left free.
int32_t SockConnect(SockAddress address, int32_t timeoutMs);
// A UDP socket with broadcast allowed, bound to the port when it is not 0.
int32_t SockUdpOpen(uint16_t port);
// Frees the slot, then closes its socket (linger off, shut down both ways).
// Returns 0 on success.
int32_t SockClose(int32_t slot);
// Sends all bytes (a UDP slot needs the address; a TCP slot ignores it),
// waiting while the socket would block. The length, 0 for length <= 0, or
// -1 on an error; a socket that takes no byte for the stall limit (a peer
// that stopped reading) is an error with last error 10060. Bytes already
// sent stay sent.
int32_t SockSend(int32_t slot, const void* data, int32_t length, const SockAddress* address);
// Sends what the TCP socket takes right now, without waiting: the number of
// bytes taken (0 when it is full, last error 10035), or -1 on an error.
int32_t SockSendNow(int32_t slot, const void* data, int32_t length);
// Shuts the connection down both ways, keeping the slot: both sides then
// read the end of the connection. 0 on success.
int32_t SockShutdown(int32_t slot);
// 1 when the slot has something to read (data, or the peer's close), -2
// when not (having waited up to waitMs for it), -1 on an error.
int32_t SockPoll(int32_t slot, int32_t waitMs = 0);
// Mode 0: one read of up to length bytes: the count, 0 when the peer
// closed or reset the connection, -2 when nothing is waiting, -1 on an
// error (0 for length <= 0). Mode 1: exactly length bytes (length itself
// when <= 0): length, 0 on a close or reset, -2 when nothing at all was
// waiting, -1 on an error or when the rest stops coming for the stall
// limit (10060; what was read is lost). A UDP slot keeps the sender of the
// last datagram as its address.
int32_t SockRecv(int32_t slot, void* buffer, int32_t length, uint8_t mode);
// SockRecv mode 0 that also gives this call's own error number in *code: 0
// after bytes or a clean close, 10054 after a reset, 10035 when nothing is
// waiting. The last error may meanwhile hold another thread's result; this
// one cannot.
int32_t SockRecvOnce(int32_t slot, void* buffer, int32_t length, int32_t* code);
// Blocking (flag 1) or non-blocking (flag 0) mode of a used slot. A
// blocking socket still gives up a send after the stall limit. Returns the
// last error.
int32_t SockSetBlocking(int32_t slot, uint8_t blocking);

// The first IPv4 address of the host name with the port (network order);
// {0, 0} when nothing resolves. An empty or null name is the first local
// address (not the loopback when there is another), else 127.0.0.1.
SockAddress SockResolve(const char* name, uint16_t port);
// The machine's IPv4 addresses (interfaces that are up), each followed by
// the separator, the loopback 127.0.0.1 last; *count is their number. The
// text (at most 2047 bytes) stays valid until the next call; null when the
// interfaces cannot be read.
const char* NetLocalAddresses(int32_t* count, const char* separator);
// The dotted text of a network-order IPv4 address; valid until the next call.
const char* SockAddressText(const uint32_t* ip);
uint32_t SockAddressIp(const SockAddress* address);
uint16_t SockAddressPort(const SockAddress* address);
SockAddress SockMakeAddress(uint8_t a, uint8_t b, uint8_t c, uint8_t d, uint16_t port);
// The slot's stored address; {0, 0} for a free slot.
SockAddress SockPeerAddress(int32_t slot);
// The address and port the slot's socket is bound to; {0, 0} for a free
// slot or one not bound yet.
SockAddress SockLocalAddress(int32_t slot);
// "%d %s": the last error and the system's text for it; empty when the
// code has no text. Valid until the next call.
const char* SockErrorText();

int32_t SockLastError();
void SockSetLastError(int32_t code);
// The WinSock number for a system errno value.
int32_t SockErrorFromErrno(int error);

// The slot record (for the layer's own users); null outside 0 to 1023. The
// record itself is not locked: it is for code that owns the slot while no
// other thread can free it (as the last NetShutdown frees every slot).
SocketSlot* SockSlot(int32_t slot);
