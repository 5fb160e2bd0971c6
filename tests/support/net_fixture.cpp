#include "tests/support/net_fixture.h"

#include <unistd.h>

#include "net/net_session.h"
#include "net/session_commands.h"
#include "net/socket_layer.h"
#include "process/app_globals.h"

namespace {

// The product polls for an answer every 20 ms.
constexpr int32_t kReplyPollMs = 20;

}  // namespace

void NetTest::SetUp() {
  saved_ = g_netTuning;
  g_netTuning.stallMs = kLongWaitMs;
  g_netTuning.replyPolls = kLongWaitMs / kReplyPollMs;
  g_netTuning.sessionConnectMs = kLongWaitMs;
  g_netTuning.hostOnLoopback = true;
}

void NetTest::TearDown() {
  if (g_app.session != nullptr) {
    NetSessionFree(g_app.session);
    g_app.session = nullptr;
  }
  while (NetStartupCount() > 0) NetShutdown();
  for (int fd : refusers_) close(fd);
  refusers_.clear();
  g_netTuning = saved_;
}

uint16_t NetTest::RefusedPort() {
  uint16_t port = 0;
  refusers_.push_back(RawRefuser(&port));
  return port;
}

void SessionPairTest::SetUp() {
  NetTest::SetUp();
  host_ = NetSessionCreate();
  g_app.session = host_;
}

void SessionPairTest::TearDown() {
  if (guest_ != nullptr) NetSessionFree(guest_);
  g_app.session = host_;
  NetTest::TearDown();
}

void SessionPairTest::OnHost() { g_app.session = host_; }

void SessionPairTest::OnGuest() {
  if (guest_ == nullptr) guest_ = NetSessionCreate();
  g_app.session = guest_;
}

bool SessionPairTest::Host() {
  port_ = HostOnFreePort();
  return port_ != 0;
}
