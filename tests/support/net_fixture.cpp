#include "tests/support/net_fixture.h"

#include "net/net_session.h"
#include "net/socket_layer.h"
#include "process/app_globals.h"

void NetTest::SetUp() {
  saved_ = g_netTuning;
  g_netTuning.stallMs = 300;
  g_netTuning.replyPolls = 15;
  g_netTuning.sessionConnectMs = 1000;
  g_netTuning.hostOnLoopback = true;
}

void NetTest::TearDown() {
  if (g_app.session != nullptr) {
    NetSessionFree(g_app.session);
    g_app.session = nullptr;
  }
  while (NetStartupCount() > 0) NetShutdown();
  g_netTuning = saved_;
}
