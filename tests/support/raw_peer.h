// Raw sockets that speak to the runtime's sockets from outside the socket
// layer, as a peer or a server of another program would: connections on
// 127.0.0.1 and session frames as bytes. Free of any test framework, so the
// fuzz targets use them too. A signal that interrupts a call (a fuzzer's
// timer, say) is no failure: the call goes on.
#pragma once

#include <cstdint>
#include <string>

// How long the raw calls wait for the other side unless told otherwise:
// far longer than any step takes on a working machine, however slow or
// loaded, since only a failing test waits it out.
inline constexpr int kRawWaitMs = 30000;

// A TCP port on 127.0.0.1 that was free a moment ago. Another program may
// take it before it is used, so only a caller that tries another port when
// it finds this one taken may use it (HostOnFreePort does); a
// test that needs a port of its own listens with RawListen, and one that
// needs a refusing port takes RawRefuser.
uint16_t FreePort();
// The same for a UDP port.
uint16_t FreeUdpPort();
// Hosts the session of g_app (NetHost) on a port that was free, trying
// another when another program took it first; the port, or 0 when
// hosting failed for another reason.
uint16_t HostOnFreePort();
// A TCP socket bound to a port of 127.0.0.1 (*port receives it) that does
// not listen: while it stays open nobody else can take the port, and every
// connection to it is refused.
int RawRefuser(uint16_t* port);
// The local port a socket slot is bound to.
uint16_t SlotPort(int32_t slot);

// A blocking TCP connection to 127.0.0.1:port whose reads give up after
// the milliseconds; -1 when it cannot connect.
int RawConnect(uint16_t port, int readTimeoutMs = kRawWaitMs);
// A listening TCP socket on 127.0.0.1 (port 0: any); *port receives the port.
int RawListen(uint16_t* port);
// Accepts one connection, waiting up to the milliseconds; -1 on none. The
// connection's reads give up after kRawWaitMs.
int RawAccept(int listening, int timeoutMs = kRawWaitMs);
// Writes all bytes; false when the connection fails.
bool RawWrite(int fd, const std::string& bytes);
// Reads until the peer closes or the read times out.
std::string RawReadAll(int fd);

// A session frame as the raw peer sees it.
struct RawFrame {
  uint8_t type = 0;
  uint16_t recipient = 0;
  uint16_t sender = 0;
  std::string payload;
};
// The frame's bytes: a little-endian header, then the payload (the length
// field given, or the payload's own length when -1).
std::string FrameBytes(const RawFrame& frame, int32_t lengthField = -1);
// Reads one whole frame; false when the connection closed or timed out.
bool RawReadFrame(int fd, RawFrame* frame);
// The 136-byte payload of a registration.
std::string RegisterPayload(const std::string& name, bool query);
// A u16 payload.
std::string U16(uint16_t value);
