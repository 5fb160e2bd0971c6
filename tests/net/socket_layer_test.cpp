#include "net/socket_layer.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <thread>
#include <vector>

#include "tests/support/socket_slots.h"

namespace {

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

// Writes to the socket until the system takes no more.
void FillSendBuffer(int fd) {
  const std::vector<uint8_t> chunk(4096, 0x5A);
  while (send(fd, chunk.data(), chunk.size(), MSG_NOSIGNAL | MSG_DONTWAIT) > 0) {
  }
  ASSERT_TRUE(errno == EAGAIN || errno == EWOULDBLOCK);
}

TEST(SocketLayerTest, SendToAPeerThatStopsReadingFailsInsteadOfHanging) {
  SlotPair pair;
  ASSERT_GE(pair.slot, 0);
  FillSendBuffer(pair.fds[0]);
  const uint8_t byte = 1;
  EXPECT_EQ(SockSend(pair.slot, &byte, 1, nullptr), -1);
  EXPECT_EQ(SockLastError(), 10060);  // timed out
}

TEST(SocketLayerTest, SendWaitsForAPeerThatKeepsReading) {
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

// The session thread starts and releases the network while the program's
// thread does the same: no count may be lost, or a release would close the
// sockets of a start-up that still stands (or the last one would not).
TEST(SocketLayerTest, StartUpsCountedFromTwoThreadsAtOnce) {
  int fds[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
  const int32_t slot = SlotForSocket(fds[0]);  // the start-up that stands
  std::atomic<int> ready{0};
  auto churn = [&] {
    ++ready;
    while (ready < 2) {
    }
    for (int i = 0; i < 1000000; ++i) {
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
TEST(SocketLayerTest, TwoThreadsUseTheLayerAtOnce) {
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

}  // namespace
