// Test helpers for the network code: a fixture with short waits that keeps
// every connection on 127.0.0.1, and (tests/support/raw_peer.h) raw sockets
// that speak to the runtime's sockets from outside the socket layer.
#pragma once

#include <gtest/gtest.h>

#include "net/net_tuning.h"
#include "tests/support/raw_peer.h"

// Shortens the network's waits for the test (stall 300 ms, answers within
// 300 ms, connects within 1 s), has the host connect to 127.0.0.1, and
// afterwards ends the session of g_app (when a test made one), releases
// every network start-up left and restores the settings.
class NetTest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

 private:
  NetTuning saved_;
};
