#include "net/socket_layer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "tests/support/net_fixture.h"
#include "tests/support/socket_slots.h"

namespace {

using SocketLayerTest = NetTest;

SockAddress Loopback(uint16_t port) { return {htonl(INADDR_LOOPBACK), htons(port)}; }

// A connected stream pair whose first end is non-blocking and sits in a
// slot, as the layer's own sockets do.
struct SlotPair {
  int fds[2] = {-1, -1};
  int32_t slot = -1;

  SlotPair() {
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) return;
    fcntl(fds[0], F_SETFL, fcntl(fds[0], F_GETFL) | O_NONBLOCK);
    slot = SlotForSocket(fds[0]);
  }
  ~SlotPair() {
    NetShutdown();  // closes the slot's end
    if (fds[1] != -1) close(fds[1]);
  }
};

// A TCP connection made through the layer: the listening, the connected and
// the accepted slot.
struct TcpLink {
  int32_t listening = -1;
  int32_t client = -1;
  int32_t server = -1;
  SockAddress peer = {0, 0};

  TcpLink() {
    NetStartup();
    listening = SockListen(0);
    client = SockConnect(Loopback(SlotPort(listening)), kLongWaitMs);
    if (SockPoll(listening, kLongWaitMs) == 1) server = SockAccept(listening, &peer);
  }
};

// Writes to the socket until the system takes no more.
void FillSendBuffer(int fd) {
  const std::vector<uint8_t> chunk(4096, 0x5A);
  while (send(fd, chunk.data(), chunk.size(), MSG_NOSIGNAL | MSG_DONTWAIT) > 0) {
  }
  ASSERT_TRUE(errno == EAGAIN || errno == EWOULDBLOCK);
}

// A send gives up once the socket has taken nothing for the stall limit
// (a short one here; far less than the long waits).
TEST_F(SocketLayerTest, SendToAPeerThatStopsReadingFailsInsteadOfHanging) {
  g_netTuning.stallMs = kShortStallMs;
  SlotPair pair;
  ASSERT_GE(pair.slot, 0);
  FillSendBuffer(pair.fds[0]);
  const uint8_t byte = 1;
  const double start = PlatformMilliseconds();
  EXPECT_EQ(SockSend(pair.slot, &byte, 1, nullptr), -1);
  const double took = PlatformMilliseconds() - start;
  EXPECT_EQ(SockLastError(), 10060);  // timed out
  EXPECT_GE(took, kShortStallMs);
  EXPECT_LT(took, kLongWaitMs / 2);
}

TEST_F(SocketLayerTest, SendingNowTakesWhatFitsAndShutdownEndsBothSides) {
  SlotPair pair;
  EXPECT_EQ(SockSendNow(pair.slot, "abc", 3), 3);
  FillSendBuffer(pair.fds[0]);
  EXPECT_EQ(SockSendNow(pair.slot, "d", 1), 0);
  EXPECT_EQ(SockLastError(), 10035);
  EXPECT_EQ(SockShutdown(pair.slot), 0);
  EXPECT_EQ(SockSendNow(pair.slot, "e", 1), -1);
  EXPECT_EQ(SockSlot(pair.slot)->fd, pair.fds[0]);  // the slot stays taken
  EXPECT_EQ(RawReadAll(pair.fds[1]).substr(0, 3), "abc");  // then the filling, then the end
  EXPECT_EQ(SockShutdown(-1), -1);
}

TEST_F(SocketLayerTest, SendWaitsForAPeerThatKeepsReading) {
  SlotPair pair;
  ASSERT_GE(pair.slot, 0);
  const std::vector<uint8_t> data(1 << 20, 0x33);  // far more than the socket buffers hold
  size_t received = 0;
  std::thread reader([&] {
    uint8_t buffer[8192];
    ssize_t n;
    while (received < data.size() && (n = read(pair.fds[1], buffer, sizeof buffer)) > 0) {
      received += static_cast<size_t>(n);
      usleep(200);
    }
  });
  EXPECT_EQ(SockSend(pair.slot, data.data(), static_cast<int32_t>(data.size()), nullptr),
            static_cast<int32_t>(data.size()));
  EXPECT_EQ(SockLastError(), 0);
  reader.join();
  EXPECT_EQ(received, data.size());
}

// A poll may wait: it answers as soon as there is something to read (bytes,
// or the peer's close), and only after its time when nothing comes.
TEST_F(SocketLayerTest, APollWaitsUpToItsTimeForSomethingToRead) {
  SlotPair pair;
  ASSERT_GE(pair.slot, 0);
  double start = PlatformMilliseconds();
  EXPECT_EQ(SockPoll(pair.slot, 100), -2);
  EXPECT_GE(PlatformMilliseconds() - start, 99);
  for (const bool closes : {false, true}) {
    std::thread peer([&] {
      usleep(30000);
      if (closes) {
        shutdown(pair.fds[1], SHUT_WR);
      } else {
        EXPECT_EQ(write(pair.fds[1], "x", 1), 1);
      }
    });
    start = PlatformMilliseconds();
    EXPECT_EQ(SockPoll(pair.slot, kLongWaitMs), 1) << closes;
    EXPECT_LT(PlatformMilliseconds() - start, kLongWaitMs / 2) << closes;
    peer.join();
    char byte = 0;
    EXPECT_EQ(SockRecv(pair.slot, &byte, 1, 0), closes ? 0 : 1) << closes;
  }
  EXPECT_EQ(SockPoll(-1, 100), -1);
  EXPECT_EQ(SockLastError(), 10009);
}

// The session thread starts and releases the network while the program's
// thread does the same: no count may be lost, or a release would close the
// sockets of a start-up that still stands (or the last one would not).
TEST_F(SocketLayerTest, StartUpsCountedFromTwoThreadsAtOnce) {
  int fds[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
  const int32_t slot = SlotForSocket(fds[0]);  // the start-up that stands
  std::atomic<int> ready{0};
  auto churn = [&] {
    ++ready;
    while (ready < 2) {
    }
    for (int i = 0; i < 200000; ++i) {
      NetStartup();
      NetShutdown();
    }
  };
  std::thread first(churn);
  std::thread second(churn);
  first.join();
  second.join();
  EXPECT_EQ(SockSlot(slot)->fd, fds[0]);
  NetShutdown();
  EXPECT_EQ(SockSlot(slot)->fd, -1);
  close(fds[1]);
}

// Two threads send, close and fail on slots of their own while the other
// does the same; the last error is shared by both and is always one of the
// values a call stores.
TEST_F(SocketLayerTest, TwoThreadsUseTheLayerAtOnce) {
  std::vector<SlotPair> pairs(8);  // each with a start-up of its own
  auto work = [&](size_t from) {
    const uint8_t byte = 7;
    for (int round = 0; round < 2000; ++round) {
      for (size_t n = from; n < from + 4; ++n) {
        EXPECT_EQ(SockSend(pairs[n].slot, &byte, 1, nullptr), 1);
        uint8_t drained;
        EXPECT_EQ(read(pairs[n].fds[1], &drained, 1), 1);
      }
      EXPECT_EQ(SockSend(-1, &byte, 1, nullptr), -1);
      const int32_t error = SockLastError();
      EXPECT_TRUE(error == 0 || error == 10009) << error;
    }
    for (size_t n = from; n < from + 4; ++n) EXPECT_EQ(SockClose(pairs[n].slot), 0);
  };
  std::thread first(work, 0);
  std::thread second(work, 4);
  first.join();
  second.join();
  for (const SlotPair& pair : pairs) EXPECT_EQ(SockSlot(pair.slot)->fd, -1);
}

TEST_F(SocketLayerTest, LastShutdownClosesEveryOpenSlot) {
  int fds[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
  const int32_t slot = SlotForSocket(fds[0]);  // one start-up
  NetStartup();                                // a second one
  NetShutdown();
  EXPECT_EQ(SockSlot(slot)->fd, fds[0]);
  NetShutdown();
  EXPECT_EQ(SockSlot(slot)->fd, -1);
  EXPECT_EQ(RawReadAll(fds[1]).size(), 0u);  // closed: the reader sees the end
  close(fds[1]);
  EXPECT_EQ(SockSend(slot, "x", 1, nullptr), -1);
}

TEST_F(SocketLayerTest, ConnectAcceptAndExchangeOverLoopback) {
  TcpLink link;
  ASSERT_GE(link.client, 0);
  ASSERT_GE(link.server, 0);
  EXPECT_EQ(link.peer.ip, htonl(INADDR_LOOPBACK));
  EXPECT_EQ(SockPeerAddress(link.server).ip, htonl(INADDR_LOOPBACK));
  EXPECT_EQ(SockPeerAddress(link.client).port, htons(SlotPort(link.listening)));
  EXPECT_EQ(SockAccept(link.listening, nullptr), -1);  // nothing more pending
  EXPECT_EQ(SockLastError(), 10035);

  char buffer[16] = {};
  EXPECT_EQ(SockPoll(link.server), -2);
  EXPECT_EQ(SockRecv(link.server, buffer, sizeof buffer, 0), -2);
  EXPECT_EQ(SockSend(link.client, "hello", 5, nullptr), 5);
  EXPECT_EQ(SockPoll(link.server, kLongWaitMs), 1);
  EXPECT_EQ(SockRecv(link.server, buffer, sizeof buffer, 0), 5);
  EXPECT_STREQ(buffer, "hello");

  EXPECT_EQ(SockClose(link.client), 0);
  EXPECT_EQ(SockPoll(link.server, kLongWaitMs), 1);
  EXPECT_EQ(SockRecv(link.server, buffer, sizeof buffer, 0), 0);  // orderly close
  EXPECT_EQ(SockPeerAddress(link.client).ip, 0u);                  // the slot is free
}

TEST_F(SocketLayerTest, AResetConnectionReadsAsClosed) {
  uint16_t port = 0;
  const int listening = RawListen(&port);
  NetStartup();
  const int32_t slot = SockConnect(Loopback(port), kLongWaitMs);
  ASSERT_GE(slot, 0);
  const int peer = RawAccept(listening);
  const linger abort = {1, 0};  // close with a reset
  setsockopt(peer, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
  RawWrite(peer, "x");
  close(peer);
  close(listening);
  char buffer[8];
  EXPECT_EQ(SockPoll(slot, kLongWaitMs), 1);
  EXPECT_EQ(SockRecv(slot, buffer, 8, 1), 0);
}

// A read that tells its own error tells a reset from a close, whatever the
// last error holds by then.
TEST_F(SocketLayerTest, AReadTellsItsOwnErrorAResetFromAClose) {
  uint16_t port = 0;
  const int listening = RawListen(&port);
  NetStartup();
  for (bool reset : {false, true}) {
    const int32_t slot = SockConnect(Loopback(port), kLongWaitMs);
    ASSERT_GE(slot, 0);
    const int peer = RawAccept(listening);
    char buffer[8];
    int32_t code = -1;
    EXPECT_EQ(SockRecvOnce(slot, buffer, 8, &code), -2);
    EXPECT_EQ(code, 10035);
    if (reset) {
      const linger abort = {1, 0};
      setsockopt(peer, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    }
    RawWrite(peer, "x");
    close(peer);
    // The byte (unless the reset dropped it), then the end.
    int32_t result = 1;
    while (result == 1 && SockPoll(slot, kLongWaitMs) == 1) result = SockRecvOnce(slot, buffer, 8, &code);
    SockSetLastError(0);
    EXPECT_EQ(result, 0) << reset;
    EXPECT_EQ(code, reset ? 10054 : 0) << reset;
    SockClose(slot);
  }
  close(listening);
}

// A whole-length read waits for the rest, however long the pieces take to
// come (less than the long stall limit), but gives up once the rest stops
// coming for the stall limit (a short one, in the second part).
TEST_F(SocketLayerTest, WholeLengthReadsWaitForPiecesButNotForAStalledPeer) {
  uint16_t port = 0;
  const int listening = RawListen(&port);
  NetStartup();
  const int32_t slot = SockConnect(Loopback(port), kLongWaitMs);
  const int peer = RawAccept(listening);
  char buffer[8] = {};
  EXPECT_EQ(SockRecv(slot, buffer, 6, 1), -2);  // nothing at all yet
  EXPECT_EQ(SockRecv(slot, buffer, 0, 1), 0);
  EXPECT_EQ(SockRecv(slot, buffer, -3, 1), -3);

  std::thread writer([&] {
    for (const char* piece : {"ab", "cd", "ef"}) {
      RawWrite(peer, piece);
      usleep(20000);
    }
  });
  int32_t result = -2;
  while (result == -2 && SockPoll(slot, kLongWaitMs) == 1) result = SockRecv(slot, buffer, 6, 1);
  writer.join();
  EXPECT_EQ(result, 6);
  EXPECT_STREQ(buffer, "abcdef");

  // The session thread is not running here: the limit may change now.
  g_netTuning.stallMs = kShortStallMs;
  RawWrite(peer, "xy");  // and then nothing more
  const double start = PlatformMilliseconds();
  result = -2;
  while (result == -2 && SockPoll(slot, kLongWaitMs) == 1) result = SockRecv(slot, buffer, 6, 1);
  const double took = PlatformMilliseconds() - start;
  EXPECT_EQ(result, -1);
  EXPECT_EQ(SockLastError(), 10060);
  EXPECT_GE(took, kShortStallMs);
  EXPECT_LT(took, kLongWaitMs / 2);
  close(peer);
  close(listening);
}

TEST_F(SocketLayerTest, FailedConnectsLeaveTheirSlotFree) {
  uint16_t silent = 0;
  const int busy = RawListen(&silent);
  // A backlog filled by connections nobody accepts: the next one gets no
  // answer.
  listen(busy, 0);
  std::vector<int> waiting;
  NetStartup();
  for (int i = 0; i < 4; ++i) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    const sockaddr_in to = {AF_INET, htons(silent), {htonl(INADDR_LOOPBACK)}, {}};
    connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    waiting.push_back(fd);
  }
  // A refused connect fails at once, without waiting for its (long)
  // time-out; one that gets no answer fails at its (short) time-out. Both
  // take less than half of the long one.
  const struct {
    SockAddress address;
    int32_t timeoutMs;
    int32_t error;
  } cases[] = {
      {Loopback(RefusedPort()), kLongWaitMs, 10061},
      {Loopback(silent), 200, 10036},
  };
  for (const auto& c : cases) {
    const int32_t free = SockFindFreeSlot();
    const double start = PlatformMilliseconds();
    EXPECT_EQ(SockConnect(c.address, c.timeoutMs), -1) << c.error;
    EXPECT_EQ(SockLastError(), c.error);
    EXPECT_LT(PlatformMilliseconds() - start, kLongWaitMs / 2) << c.error;
    EXPECT_EQ(SockFindFreeSlot(), free);
  }
  EXPECT_EQ(SockConnect({0, 0}, 100), -1);
  for (int fd : waiting) close(fd);
  close(busy);
}

TEST_F(SocketLayerTest, ConnectTimeOutsOutsideTheRangeMeanThirtySecondsNotNone) {
  uint16_t port = 0;
  const int listening = RawListen(&port);
  NetStartup();
  for (int32_t timeout : {0, -5, 30001}) {
    const int32_t slot = SockConnect(Loopback(port), timeout);
    EXPECT_GE(slot, 0) << timeout;
    SockClose(slot);
  }
  close(listening);
}

TEST_F(SocketLayerTest, DatagramsCarryTheirSenderAndBroadcastIsAllowed) {
  NetStartup();
  // A receiver on a port of its own (another one when another program took
  // the one found free first).
  uint16_t port = 0;
  int32_t receiver = -1;
  for (int attempt = 0; attempt < 100 && receiver < 0; ++attempt) receiver = SockUdpOpen(port = FreeUdpPort());
  const int32_t sender = SockUdpOpen(0);
  ASSERT_GE(receiver, 0);
  ASSERT_GE(sender, 0);
  int broadcast = 0;
  socklen_t size = sizeof broadcast;
  getsockopt(SockSlot(sender)->fd, SOL_SOCKET, SO_BROADCAST, &broadcast, &size);
  EXPECT_EQ(broadcast, 1);
  EXPECT_EQ(SockAccept(receiver, nullptr), -1);
  EXPECT_EQ(SockLastError(), 0);
  // A datagram needs an address.
  const SockAddress none = {0, 0};
  EXPECT_EQ(SockSend(sender, "nowhere", 7, nullptr), -1);
  EXPECT_EQ(SockSend(sender, "nowhere", 7, &none), -1);

  // To the loopback's broadcast address, and to the receiver itself.
  const SockAddress targets[] = {{htonl(0x7FFFFFFF), htons(port)}, Loopback(port)};
  for (const SockAddress& to : targets) {
    EXPECT_EQ(SockSend(sender, "ping", 4, &to), 4);
    char buffer[16] = {};
    EXPECT_EQ(SockPoll(receiver, kLongWaitMs), 1);
    EXPECT_EQ(SockRecv(receiver, buffer, 16, 0), 4);
    EXPECT_STREQ(buffer, "ping");
    const SockAddress from = SockPeerAddress(receiver);
    EXPECT_EQ(from.ip, htonl(INADDR_LOOPBACK));
    EXPECT_EQ(from.port, htons(SlotPort(sender)));
  }
  char buffer[4];
  EXPECT_EQ(SockRecv(receiver, buffer, 4, 0), -2);
  EXPECT_EQ(SockPeerAddress(receiver).port, 0);  // cleared by the empty read
}

TEST_F(SocketLayerTest, BlockingModeFollowsTheFlag) {
  TcpLink link;
  const int fd = SockSlot(link.client)->fd;
  EXPECT_NE(fcntl(fd, F_GETFL) & O_NONBLOCK, 0);
  EXPECT_EQ(SockSetBlocking(link.client, 1), 0);
  EXPECT_EQ(fcntl(fd, F_GETFL) & O_NONBLOCK, 0);
  EXPECT_EQ(SockSetBlocking(link.client, 0), 0);
  EXPECT_NE(fcntl(fd, F_GETFL) & O_NONBLOCK, 0);
}

TEST_F(SocketLayerTest, TheSlotAfterTheLastFailsWithErrorEight) {
  NetStartup();
  std::vector<int32_t> slots;
  for (int i = 0; i < kSocketSlotCount; ++i) slots.push_back(SockUdpOpen(0));
  EXPECT_EQ(slots.front(), 0);
  EXPECT_EQ(slots.back(), kSocketSlotCount - 1);
  EXPECT_EQ(SockUdpOpen(0), -1);
  EXPECT_EQ(SockLastError(), 8);
  EXPECT_EQ(SockListen(0), -1);
  EXPECT_EQ(SockFindFreeSlot(), -1);
  SockClose(500);
  EXPECT_EQ(SockFindFreeSlot(), 500);
}

// Without a start-up no socket is made, so the last release always finds
// every socket there is.
TEST_F(SocketLayerTest, NoSocketsBeforeAStartUp) {
  EXPECT_EQ(SockUdpOpen(0), -1);
  EXPECT_EQ(SockLastError(), 10093);
  EXPECT_EQ(SockListen(0), -1);
  EXPECT_EQ(SockConnect(Loopback(1), 100), -1);
  EXPECT_EQ(SockLastError(), 10093);
}

TEST_F(SocketLayerTest, SlotNumbersOutsideTheTableAreFreeSlots) {
  NetStartup();
  char buffer[4];
  for (int32_t slot : {-1, kSocketSlotCount, 0x7FFFFFFF, 5}) {
    EXPECT_EQ(SockClose(slot), -1) << slot;
    EXPECT_EQ(SockSend(slot, "x", 1, nullptr), -1) << slot;
    EXPECT_EQ(SockRecv(slot, buffer, 4, 0), -1) << slot;
    EXPECT_EQ(SockPoll(slot), -1) << slot;
    EXPECT_EQ(SockAccept(slot, nullptr), -1) << slot;
    EXPECT_EQ(SockPeerAddress(slot).ip, 0u) << slot;
    EXPECT_EQ(SockLastError(), 10009) << slot;
  }
}

TEST_F(SocketLayerTest, LocalAddressesListTheLoopbackLast) {
  int32_t count = -1;
  const std::string list = NetLocalAddresses(&count, "\n");
  ASSERT_GE(count, 1);
  EXPECT_EQ(list.substr(list.size() - 10), "127.0.0.1\n");
  size_t lines = 0;
  for (size_t start = 0, end; (end = list.find('\n', start)) != std::string::npos; start = end + 1, ++lines) {
    const std::string entry = list.substr(start, end - start);
    in_addr parsed;
    EXPECT_EQ(inet_pton(AF_INET, entry.c_str(), &parsed), 1) << entry;
    if (lines + 1 < static_cast<size_t>(count)) {
      EXPECT_NE(entry, "127.0.0.1");
    }
  }
  EXPECT_EQ(lines, static_cast<size_t>(count));
  const std::string wide = NetLocalAddresses(&count, "||");
  EXPECT_EQ(wide.size(), list.size() + static_cast<size_t>(count));
  EXPECT_EQ(wide.substr(wide.size() - 11), "127.0.0.1||");
}

TEST_F(SocketLayerTest, ResolveNamesNumbersAndTheFirstLocalAddress) {
  int32_t count = 0;
  const std::string list = NetLocalAddresses(&count, "\n");
  in_addr first;
  inet_pton(AF_INET, list.substr(0, list.find('\n')).c_str(), &first);
  const struct {
    const char* name;
    uint32_t ip;
  } cases[] = {
      {"127.0.0.1", htonl(INADDR_LOOPBACK)},
      {"localhost", htonl(INADDR_LOOPBACK)},
      {"10.1.2.3", htonl(0x0A010203)},
      {"255.255.255.255", 0xFFFFFFFF},
      {"", first.s_addr},
      {nullptr, first.s_addr},
  };
  for (const auto& c : cases) {
    const SockAddress address = SockResolve(c.name, 8080);
    EXPECT_EQ(address.ip, c.ip) << (c.name ? c.name : "null");
    EXPECT_EQ(address.port, htons(8080));
  }
  const SockAddress none = SockResolve("a..b", 80);  // refused without asking a name server
  EXPECT_EQ(none.ip, 0u);
  EXPECT_EQ(none.port, 0);
  EXPECT_GE(SockLastError(), 11001);
}

TEST_F(SocketLayerTest, AddressTextsAndValues) {
  const SockAddress made = SockMakeAddress(192, 168, 1, 20, 27910);
  EXPECT_EQ(SockAddressIp(&made), 0xC0A80114u);
  EXPECT_EQ(SockAddressPort(&made), 27910);
  EXPECT_STREQ(SockAddressText(&made.ip), "192.168.1.20");
  const uint32_t all = 0xFFFFFFFF;
  EXPECT_STREQ(SockAddressText(&all), "255.255.255.255");
}

TEST_F(SocketLayerTest, ErrorNumbersAndTexts) {
  const struct {
    int error;
    int32_t code;
  } numbers[] = {{0, 0},          {EAGAIN, 10035},       {EINPROGRESS, 10036}, {ECONNRESET, 10054},
                 {EPIPE, 10054},  {ETIMEDOUT, 10060},    {ECONNREFUSED, 10061}, {EADDRINUSE, 10048},
                 {EBADF, 10009},  {EHOSTUNREACH, 10065}, {ENOENT, 10002}};
  for (const auto& n : numbers) EXPECT_EQ(SockErrorFromErrno(n.error), n.code) << n.error;

  const struct {
    int32_t code;
    std::string text;
  } texts[] = {{10061, std::string("10061 ") + std::strerror(ECONNREFUSED)},
               {8, std::string("8 ") + std::strerror(ENOMEM)},
               {12345, ""},
               {-1, ""}};
  for (const auto& t : texts) {
    SockSetLastError(t.code);
    EXPECT_EQ(SockErrorText(), t.text) << t.code;
  }
}

}  // namespace
