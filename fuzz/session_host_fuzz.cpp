// The host's side of a session: a peer connects and sends a stream of
// frames (any bytes), in pieces split at random points, then ends its
// side. The host must serve what it can, close the peer once its stream
// ends or breaks, and go on serving.
//
// Input: two bytes seeding the split, then the stream.
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <string>

#include "fuzz/fuzz_input.h"
#include "net/net_session.h"
#include "net/net_tuning.h"
#include "net/session_commands.h"
#include "platform/clock.h"
#include "process/app_globals.h"
#include "tests/support/raw_peer.h"

namespace {

constexpr const char* kTarget = "session_host";
constexpr double kCloseWithinMs = 1500;

uint16_t g_port = 0;
int32_t g_hostPlayer = 0;

// Reads (and drops) what the host sends until it closes the connection;
// false when it has not closed it within the time.
bool HostCloses(int fd) {
  const double deadline = PlatformMilliseconds() + kCloseWithinMs;
  char buffer[4096];
  for (;;) {
    const double left = deadline - PlatformMilliseconds();
    if (left <= 0) return false;
    pollfd waiting = {fd, POLLIN, 0};
    if (poll(&waiting, 1, static_cast<int>(left) + 1) < 1) continue;
    const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) return true;
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  FuzzSetUp();
  signal(SIGPIPE, SIG_IGN);
  g_netTuning.hostOnLoopback = true;
  g_netTuning.stallMs = 300;
  g_netTuning.sessionConnectMs = 1000;
  g_app.session = NetSessionCreate();
  g_port = g_app.session != nullptr ? HostOnFreePort() : 0;
  if (g_port == 0) FuzzFail(kTarget, "cannot host a session");
  // A player of the host's own, for the peers' texts to reach.
  g_hostPlayer = NetPlayerAdd("host");
  if (g_hostPlayer == 0) FuzzFail(kTarget, "the host's own player got no id");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzBytes input(data, size);
  const uint16_t seed = input.U16();
  const std::string stream = input.Rest();

  const int fd = RawConnect(g_port);
  if (fd < 0) FuzzFail(kTarget, std::string("the host takes no connection: ") + strerror(errno));
  FuzzSendSplit(fd, stream, seed, 8);  // false when the host dropped the peer first
  shutdown(fd, SHUT_WR);
  const bool closed = HostCloses(fd);
  close(fd);
  FUZZ_CHECK(closed, kTarget, "the host keeps a peer whose stream ended");

  // What the peer left behind: texts for the host's player, departures.
  for (int i = 0; i < 100000 && NetGetMessage(g_hostPlayer).length > 0; ++i) {
  }
  while (NetNextDeparted() != 0) {
  }
  FUZZ_CHECK(NetSessionRunning() == 1, kTarget, "a peer ended the host's session");
  FuzzForgetErrorLog();
  return 0;
}
