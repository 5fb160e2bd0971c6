// Test helpers for the network code: a fixture that keeps every connection
// on 127.0.0.1 and lets the network wait as long as a slow machine needs,
// and (tests/support/raw_peer.h) raw sockets that speak to the runtime's
// sockets from outside the socket layer.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "net/net_tuning.h"
#include "tests/support/raw_peer.h"

struct NetSession;

// How long the network waits in a test that does not test that wait: so
// long that only a failing test waits it out.
inline constexpr int32_t kLongWaitMs = kRawWaitMs;
// The short limits of the tests of the limits themselves: the stall limit,
// and the answer polls (20 ms each).
inline constexpr double kShortStallMs = 300;
inline constexpr int32_t kShortReplyPolls = 25;

// Makes the network's waits long (a send or a whole-length read gives up
// after kLongWaitMs without progress, an answer or a new player's id is
// waited for as long, and so is a session's connect), has the host connect
// to 127.0.0.1, and afterwards ends the session of g_app (when a test made
// one), releases every network start-up left, closes the refusing ports
// and restores the settings. A test of a time-out shortens that wait
// itself in g_netTuning: the stall limit before any network work (the
// session thread reads it too); the answer polls, which only the program's
// thread reads, around the command that is to time out.
class NetTest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A port of 127.0.0.1 that refuses every connection until the test ends.
  uint16_t RefusedPort();
 private:
  NetTuning saved_;
  std::vector<int> refusers_;
};

// A host session in g_app, and on demand a second session in the same
// process that joins it; the commands work on whichever is in g_app.
class SessionPairTest : public NetTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  void OnHost();
  // Makes the guest session the first time.
  void OnGuest();
  // Hosts on a port that was free (port_); false when hosting failed.
  bool Host();

  NetSession* host_ = nullptr;
  NetSession* guest_ = nullptr;
  uint16_t port_ = 0;
};
