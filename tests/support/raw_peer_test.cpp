#include "tests/support/raw_peer.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <pthread.h>
#include <signal.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <functional>
#include <string>
#include <thread>

namespace {

void Ignore(int) {}

// A timer signal every millisecond that interrupts blocking calls instead
// of restarting them, as a fuzzer's timer does, while the object lives.
class InterruptingTimer {
 public:
  InterruptingTimer() {
    struct sigaction action = {};
    action.sa_handler = Ignore;
    sigemptyset(&action.sa_mask);
    sigaction(SIGALRM, &action, &old_);
    const itimerval every = {{0, 1000}, {0, 1000}};
    setitimer(ITIMER_REAL, &every, nullptr);
  }
  ~InterruptingTimer() {
    const itimerval off = {};
    setitimer(ITIMER_REAL, &off, nullptr);
    sigaction(SIGALRM, &old_, nullptr);
  }

 private:
  struct sigaction old_ = {};
};

// Runs the other side in a thread that takes none of the timer's signals,
// so that they land in the call under test.
std::thread OtherSide(std::function<void()> work) {
  sigset_t alarm;
  sigemptyset(&alarm);
  sigaddset(&alarm, SIGALRM);
  sigset_t old;
  pthread_sigmask(SIG_BLOCK, &alarm, &old);
  std::thread thread(std::move(work));
  pthread_sigmask(SIG_SETMASK, &old, nullptr);
  return thread;
}

// Each call waits about 100 ms for the other side while signals keep
// interrupting it; it must still succeed.
TEST(RawPeerTest, SignalsDoNotFailTheCalls) {
  const std::string frame = FrameBytes({7, 1, 2, "payload"});
  const std::string lots(8 << 20, 'x');
  const char* const cases[] = {"read", "accept", "write"};
  for (const std::string name : cases) {
    SCOPED_TRACE(name);
    uint16_t port = 0;
    const int listening = RawListen(&port);
    bool ok = false;
    if (name == "accept") {
      std::thread peer = OtherSide([&] {
        usleep(100000);
        const int fd = RawConnect(port);
        usleep(100000);
        close(fd);
      });
      {
        InterruptingTimer timer;
        const int fd = RawAccept(listening);
        ok = fd >= 0;
        if (fd >= 0) close(fd);
      }
      peer.join();
    } else {
      const int fd = RawConnect(port);
      std::thread peer = OtherSide([&] {
        const int accepted = RawAccept(listening);
        usleep(100000);
        if (name == "read") RawWrite(accepted, frame);
        else RawReadAll(accepted);
        close(accepted);
      });
      {
        InterruptingTimer timer;
        RawFrame got;
        ok = name == "read" ? RawReadFrame(fd, &got) && got.payload == "payload" : RawWrite(fd, lots);
      }
      close(fd);
      peer.join();
    }
    close(listening);
    EXPECT_TRUE(ok);
  }
}

// A refuser's port refuses every connection while the refuser is open, and
// no other socket can take it meanwhile, not even one that reuses
// addresses (as the runtime's own sockets do) on this or every address.
TEST(RawPeerTest, ARefusersPortRefusesAndStaysTaken) {
  uint16_t port = 0;
  const int refuser = RawRefuser(&port);
  ASSERT_GE(refuser, 0);
  ASSERT_NE(port, 0);
  for (int attempt = 0; attempt < 3; ++attempt) {
    EXPECT_EQ(RawConnect(port), -1);
    EXPECT_EQ(errno, ECONNREFUSED);
  }
  for (const uint32_t ip : {INADDR_LOOPBACK, INADDR_ANY}) {
    const int other = socket(AF_INET, SOCK_STREAM, 0);
    const int one = 1;
    setsockopt(other, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(ip);
    EXPECT_NE(bind(other, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0) << ip;
    EXPECT_EQ(errno, EADDRINUSE) << ip;
    close(other);
  }
  close(refuser);
}

}  // namespace
