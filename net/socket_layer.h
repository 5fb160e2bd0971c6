// The socket layer: 1024 socket slots over BSD sockets, a process-wide last
// error with the WinSock numbers, and a reference count of start-ups.
//
// Callers hold slot numbers (0 to 1023), never system handles. Every socket
// the layer creates is non-blocking. The program's thread and the session
// thread use the layer at once: the table and the start-up count are guarded
// by one lock inside the layer (a slot's socket is looked up, taken or freed
// under it; sending and waiting happen outside it), and the last error is one
// process-wide word read and written atomically, so after a call it may hold
// the result of the other thread's call.
#pragma once

#include <netinet/in.h>

#include <cstdint>

inline constexpr int kSocketSlotCount = 1024;

// Last-error values beyond the system's own numbers.
inline constexpr int32_t kSockErrorNoSlot = 8;
inline constexpr int32_t kSockErrorWouldBlock = 10035;
inline constexpr int32_t kSockErrorTimedOut = 10036;

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
// Marks every slot free without closing anything.
void SockTableReset();
// Frees the slot, then closes its socket (linger off, shut down both ways).
// Returns 0 on success.
int32_t SockClose(int32_t slot);
// Sends all bytes (a UDP slot needs the address; a TCP slot ignores it),
// waiting while the socket would block. The length, 0 for length <= 0, or
// -1 on an error; a socket that takes no byte for 5 seconds (a peer that
// stopped reading) is an error with last error 10060 (timed out). Bytes
// already sent stay sent.
int32_t SockSend(int32_t slot, const void* data, int32_t length, const SockAddress* address);

int32_t SockLastError();
void SockSetLastError(int32_t code);
// The WinSock number for a system errno value.
int32_t SockErrorFromErrno(int error);

// The slot record (for the layer's own users); null outside 0 to 1023. The
// record itself is not locked: it is for code that owns the slot while no
// other thread can free it (as the last NetShutdown frees every slot).
SocketSlot* SockSlot(int32_t slot);
