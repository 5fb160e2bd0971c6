#include "net/socket_layer.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

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

}  // namespace
