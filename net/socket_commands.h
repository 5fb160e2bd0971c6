// The language's low-level network commands over the socket layer.
//
// Addresses are integers in host byte order (the first number of the dotted
// form is the most significant byte) and ports host-order integers; socket
// numbers are slot numbers. None of these commands sets the runtime's error
// code: results and NetErrorText tell failures.
#pragma once

#include <cstdint>

#include "core/rt_string.h"

// 1 when the network started, else 0.
int32_t NetInit();
void NetExit();
int32_t NetListen(int32_t port);
// The new socket or -1; on success *ip receives the peer's address, on
// failure it is left alone.
int32_t NetAccept(int32_t socket, int32_t* ip);
// Resolves the host and connects with the time-out (ms); socket or -1.
int32_t NetConnect(const RtString& host, int32_t port, int32_t timeoutMs);
int32_t NetUdpOpen(int32_t port);
// The text's bytes; bytes sent or -1.
int32_t NetSend(int32_t socket, const RtString& text);
int32_t NetSendTo(int32_t socket, const RtString& text, int32_t ip, int32_t port);
// One read of up to maximum bytes (at most 64 KiB, more than any datagram)
// into text: the count, 0 (closed or reset), -2 (nothing waiting) or -1;
// the text is empty unless bytes came, and only as long as they are.
int32_t NetReceive(int32_t socket, RtString& text, int32_t maximum);
// 1 when the close succeeded, else 0.
int32_t NetClose(int32_t socket);
// Blocking (flag not 0) or not; the last socket error.
int32_t NetSetBlocking(int32_t socket, int32_t flag);
// The host's IPv4 address; -1 when it does not resolve.
int32_t NetLookup(const RtString& host);
RtString NetIpText(int32_t ip);
// The stored peer of a socket; 0 for a free one.
int32_t NetPeerIp(int32_t socket);
int32_t NetPeerPort(int32_t socket);
// The machine's addresses joined by "|" (the loopback last).
RtString NetLocalIpList();
// "code text" of the last socket error, or empty.
RtString NetErrorText();
// The body of http://host:port/path into the file; 1 or 0 (see
// HttpGetToFile for the time limits and what a failure leaves).
int32_t NetHttpGetFile(const RtString& host, const RtString& path, int32_t port, const RtString& fileName,
                       int32_t timeoutMs);
// The first maximum bytes of the body (up to its first zero byte); the
// empty text when the download failed.
RtString NetHttpGetString(const RtString& host, const RtString& path, int32_t port, int32_t maximum,
                          int32_t timeoutMs);
// Opens a URL or document with the desktop's opener, or starts a program
// file directly. With ending by ESC allowed, the runtime is shut down
// before and the program ends after (never returns). 1 when started, else 0.
int32_t NetOpenUrl(const RtString& target);
