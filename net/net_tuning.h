// Internal settings of the network code: its bounded waits, and where the
// host's own session connection goes. The defaults are the product's; the
// tests shorten the waits and keep every connection on 127.0.0.1. Set them
// before any network work starts; they are read without a lock.
#pragma once

#include <cstdint>

struct NetTuning {
  // How long a send waits for a socket that takes no byte, a read of a
  // whole length for the rest that stops coming, and the host's server for
  // a peer whose connection takes no byte of what waits for it (ms).
  double stallMs = 5000;
  // Polls of 20 ms for a server's answer or a new player's id (about 5 s).
  int32_t replyPolls = 250;
  // The connect time-out of hosting and joining (ms).
  int32_t sessionConnectMs = 5000;
  // The host connects its own session to 127.0.0.1 instead of the first
  // local address.
  bool hostOnLoopback = false;
};

extern NetTuning g_netTuning;
