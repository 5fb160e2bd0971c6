// The program's side of the network session: hosting, joining, players,
// text messages, questions to the server and departed players. Every
// command works on the one session of g_app (none: the failure result),
// runs on the program's thread and waits for the session thread only by
// polling the session's lists under its Mutex every 20 ms.
#pragma once

#include <cstdint>

#include "core/rt_string.h"

struct NetSession;

// Listens on the port (below 1: 27910), connects the session to it and
// starts the session thread. 1 when hosted, else 0.
int32_t NetHost(int32_t port);
// Connects to the host (port below 1: 27910), starts the session thread and
// waits for the server's answer to a hello. 1 on an answer; else the session
// is reset and 0.
int32_t NetJoin(const RtString& host, int32_t port);
// 1 while the session thread runs.
int32_t NetSessionRunning();
// Whether the host takes new connections and registrations.
void NetSetAccepting(int32_t flag);
// Registers a local player with the name (cut to 127 characters); its id
// (1 to 65279), or 0 when the server gave none in time (it gives one
// process at most 8 identities, its query identity among them).
int32_t NetPlayerAdd(const RtString& name);
// Tells the server that the player left: the id, or the failed send's
// result; an id outside 1 to 65279 sends nothing and gives id - 1. The
// server takes the leave only for an id this process holds.
int32_t NetPlayerLeave(int32_t id);
// A text from the sender to one player (0: every other player). 1 when
// sent; 0 on a failed send or a text of more than 1023 bytes. The server
// relays it with sender 0 unless this process holds the sender's id.
int32_t NetSendMessage(int32_t sender, int32_t recipient, const RtString& text);
// The oldest waiting text of the local player, or the empty text. A player
// keeps at most 1024 texts of 256 KiB in all; later ones are dropped until
// it reads.
RtString NetGetMessage(int32_t id);
// The sender of the last text NetGetMessage gave (0 before any).
int32_t NetLastSender();
// Questions to the server: the number of players, the id of the player with
// the index (from 0), a player's name. 0, 0 and "NO_DATA" when there is no
// answer.
int32_t NetPlayerCount();
int32_t NetPlayerId(int32_t index);
RtString NetRequest(int32_t id);
// On the host, the newest departed player not yet collected (of the newest
// 1024 departures); else 0. A departed id is given to no new player before
// it is collected here or has aged out.
int32_t NetNextDeparted();

// Registers a local identity (a player with the name, or with null the
// session's query identity) and waits for its id: the id, or 0. A player is
// registered only once the session has its query identity (registered
// first when it has none; 0 when that fails). After 0 the record is
// removed, or, when its registration went out and its id may still come
// (a player's: a hello question from the query identity asked after it got
// no answer either; the host's query identity: the host takes new
// identities), kept as abandoned until its id comes, which the session
// thread then gives back with a leave.
uint16_t NetWorkerRequest(NetSession* session, const char* name);
