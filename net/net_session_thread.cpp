#include "net/net_session_thread.h"

#include <bitset>
#include <cstring>
#include <mutex>
#include <new>
#include <vector>

#include "net/net_session.h"
#include "net/socket_layer.h"
#include "platform/clock.h"

namespace {

constexpr int kMaxPeers = 128;
// Frames taken from the session connection in one round, so that a server
// that floods the connection cannot keep the thread from its stop request.
constexpr int kServerFramesPerRound = 256;
constexpr double kIdleSleepMs = 10;

// A frame being assembled from a stream, across rounds.
struct FrameReader {
  uint8_t bytes[kNetHeaderSize + kNetMaxPayload] = {};
  int32_t have = 0;
};

enum class ReadResult { kFrame, kNothing, kClosed };

uint16_t LoadU16(const uint8_t* bytes) { return static_cast<uint16_t>(bytes[0] | bytes[1] << 8); }

void StoreU16(uint8_t* bytes, uint16_t value) {
  bytes[0] = static_cast<uint8_t>(value);
  bytes[1] = static_cast<uint8_t>(value >> 8);
}

// Reads what has arrived until one whole frame is in (kFrame, decoded into
// *message with a zero byte behind the payload), nothing more is waiting
// (kNothing), or the connection is over (kClosed): closed, reset, failed,
// or a payload length that no frame may have.
ReadResult ReadFrame(int32_t socket, FrameReader& reader, NetMessage* message) {
  for (;;) {
    int32_t want = kNetHeaderSize - reader.have;
    if (reader.have >= kNetHeaderSize) {
      const int32_t length = LoadU16(reader.bytes + 1);
      if (length > kNetMaxPayload) return ReadResult::kClosed;
      want = kNetHeaderSize + length - reader.have;
      if (want == 0) {
        *message = NetMessage();
        NetMessageHeaderRead(reader.bytes, message);
        std::memcpy(message->payload, reader.bytes + kNetHeaderSize, static_cast<size_t>(length));
        reader.have = 0;
        return ReadResult::kFrame;
      }
    }
    const int32_t n = SockRecv(socket, reader.bytes + reader.have, want, 0);
    if (n == -2) return ReadResult::kNothing;
    if (n <= 0) return ReadResult::kClosed;
    reader.have += n;
  }
}

struct Peer {
  int32_t socket = -1;
  bool broken = false;  // a send to it failed: dropped in the next round
  FrameReader reader;
};

// What the thread keeps for itself; the sockets are copied at its start
// (only the thread changes them while it runs).
struct ThreadState {
  NetSession* session = nullptr;
  int32_t sessionSocket = -1;
  int32_t listenSocket = -1;
  FrameReader serverReader;
  Peer peers[kMaxPeers];
  int32_t peerCount = 0;
};

struct Outgoing {
  int32_t socket;
  NetMessage message;
};

// Appends a copy of the frame to the session's received list; false when
// no memory is left for it (the frame is dropped).
bool Receive(NetSession* session, const NetMessage& message, int32_t origin) {
  auto* node = new (std::nothrow) NetMessageNode;
  if (node == nullptr) return false;
  node->message = message;
  node->origin = origin;
  MutexLock(&session->lock);
  session->received.Append(node);
  MutexUnlock(&session->lock);
  return true;
}

// Sends the whole frame on the socket if it takes it right now; false when
// not all of it went out.
bool SendNow(int32_t socket, const NetMessage& message) {
  uint8_t frame[kNetHeaderSize + kNetMaxPayload];
  const int32_t total = NetMessageWrite(message, frame);
  return SockSendNow(socket, frame, total) == total;
}

// The registration frame of a local player.
NetMessage RegistrationOf(const NetPlayerRecord& player) {
  uint8_t payload[kNetRegisterPayload] = {};
  const uint32_t socket = static_cast<uint32_t>(player.socket);
  for (int i = 0; i < 4; ++i) payload[i] = static_cast<uint8_t>(socket >> (8 * i));
  StoreU16(payload + 4, player.id);
  payload[6] = player.queryFlag;
  payload[7] = 0;
  std::memcpy(payload + 8, player.name, kNetNameBytes - 1);
  return NetMessageMake(kMsgRegister, 0, 0, payload, kNetRegisterPayload);
}

// Under the lock: sends the registrations of the local players that have
// none yet and marks them sent, and the leave of each abandoned player
// whose id came, whose record is then dropped. The thread never waits
// here, since on the host it must go on reading the connection it writes
// to: while the program is sending, or the connection is full, the rest
// waits for the next round. A frame that went out in part garbles the
// connection, which is then shut down (the session ends). True when one
// was sent.
bool SendRegistrationsLocked(ThreadState& state) {
  NetSession* session = state.session;
  std::unique_lock<std::mutex> sending(session->sendLock, std::try_to_lock);
  if (!sending.owns_lock()) return false;
  bool sent = false;
  for (NetPlayerRecord* player = session->localPlayers.head; player != nullptr;) {
    NetPlayerRecord* next = player->next;
    const bool unsent = player->id == kNetIdUnregistered;
    const bool giveBack = player->abandoned != 0 && NetIsPlayerId(player->id);
    if (!unsent && !giveBack) {
      player = next;
      continue;
    }
    uint8_t frame[kNetHeaderSize + kNetMaxPayload];
    const int32_t total = NetMessageWrite(
        unsent ? RegistrationOf(*player) : NetMessageMake(kMsgLeave, 0, player->id, nullptr, 0), frame);
    const int32_t out = SockSendNow(state.sessionSocket, frame, total);
    if (out != total) {
      if (out != 0) SockShutdown(state.sessionSocket);
      break;
    }
    sent = true;
    if (unsent) player->id = kNetIdRegistering;
    else session->localPlayers.Remove(player);
    player = next;
  }
  return sent;
}

NetPlayerRecord* FindById(NetList<NetPlayerRecord>& list, uint16_t id) {
  for (NetPlayerRecord* player = list.head; player != nullptr; player = player->next) {
    if (player->id == id) return player;
  }
  return nullptr;
}

// Notes the id as departed; when the list is full its oldest entry gives
// way (and that id is free again).
void AppendDeparted(NetSession* session, uint16_t id) {
  auto* departed = new (std::nothrow) NetDepartedId;
  if (departed == nullptr) return;
  departed->id = id;
  if (session->departed.count >= kNetDepartedIds) session->departed.Remove(session->departed.head);
  session->departed.Append(departed);
}

// Under the lock: removes a server record; a player's id (not a query
// identity's) is noted as departed.
void DepartLocked(NetSession* session, NetPlayerRecord* player) {
  if (player->queryFlag == 0) AppendDeparted(session, player->id);
  session->serverPlayers.Remove(player);
}

// A peer's connection is over: every identity registered over it leaves,
// the socket closes, and the last peer takes its position.
void DropPeer(ThreadState& state, int32_t position) {
  NetSession* session = state.session;
  const int32_t socket = state.peers[position].socket;
  MutexLock(&session->lock);
  for (NetPlayerRecord* player = session->serverPlayers.head; player != nullptr;) {
    NetPlayerRecord* next = player->next;
    if (player->socket == socket) DepartLocked(session, player);
    player = next;
  }
  MutexUnlock(&session->lock);
  SockClose(socket);
  const int32_t last = --state.peerCount;
  if (position != last) state.peers[position] = state.peers[last];
  state.peers[last] = Peer();
}

// Accepts one waiting connection (when the server accepts any) and reads one
// frame from each peer. True when anything happened.
bool ServePeers(ThreadState& state) {
  NetSession* session = state.session;
  bool busy = false;
  MutexLock(&session->lock);
  const bool accepting = session->accepting != 0;
  MutexUnlock(&session->lock);
  if (accepting) {
    const int32_t socket = SockAccept(state.listenSocket, nullptr);
    if (socket >= 0) {
      busy = true;
      // No room for another peer: the connection is closed at once, so the
      // other side learns it at once instead of waiting for answers.
      if (state.peerCount < kMaxPeers) state.peers[state.peerCount++].socket = socket;
      else SockClose(socket);
    }
  }
  // A dropped peer's place is taken by the last one, which is served in the
  // next round.
  for (int32_t position = 0; position < state.peerCount; ++position) {
    Peer& peer = state.peers[position];
    NetMessage message;
    const ReadResult result = peer.broken ? ReadResult::kClosed : ReadFrame(peer.socket, peer.reader, &message);
    if (result == ReadResult::kNothing) continue;
    busy = true;
    if (result == ReadResult::kFrame) Receive(session, message, peer.socket);
    else DropPeer(state, position);
  }
  return busy;
}

// Under the lock: the number of identities the connection holds.
int32_t IdentitiesOf(const NetSession* session, int32_t socket) {
  int32_t count = 0;
  for (const NetPlayerRecord* p = session->serverPlayers.head; p != nullptr; p = p->next) {
    if (p->socket == socket) ++count;
  }
  return count;
}

// Under the lock: the first id from nextPlayerId on, going round from the
// last player id to the first, that no identity holds and that is not
// waiting in the departed list; nextPlayerId moves behind it. False when
// every id is taken.
bool TakeFreeIdLocked(NetSession* session, uint16_t* id) {
  std::bitset<kNetLastPlayerId + 1> taken;
  for (const NetPlayerRecord* p = session->serverPlayers.head; p != nullptr; p = p->next) {
    if (NetIsPlayerId(p->id)) taken.set(p->id);
  }
  for (const NetDepartedId* d = session->departed.head; d != nullptr; d = d->next) {
    if (NetIsPlayerId(d->id)) taken.set(d->id);
  }
  uint32_t candidate = session->nextPlayerId;
  for (uint32_t tried = kNetFirstPlayerId; tried <= kNetLastPlayerId; ++tried, ++candidate) {
    if (candidate < kNetFirstPlayerId || candidate > kNetLastPlayerId) candidate = kNetFirstPlayerId;
    if (taken.test(candidate)) continue;
    *id = static_cast<uint16_t>(candidate);
    session->nextPlayerId = static_cast<uint16_t>(candidate + 1);
    return true;
  }
  return false;
}

// Under the lock: a new server record for a registration from the peer with
// the socket, answered with its id; nothing while new players are refused,
// when the connection holds as many identities as one may, or when every
// id is taken.
void RegisterLocked(NetSession* session, const NetMessage& request, int32_t socket,
                    std::vector<Outgoing>& outbox) {
  if (session->accepting == 0 || IdentitiesOf(session, socket) >= kNetIdentitiesPerConnection) return;
  uint16_t id = 0;
  if (!TakeFreeIdLocked(session, &id)) return;
  auto* player = new (std::nothrow) NetPlayerRecord;
  if (player == nullptr) return;
  player->socket = socket;
  // The payload may be short: only its own bytes count (the rest is zero).
  player->queryFlag = request.payload[6] != 0 ? 1 : 0;
  std::memcpy(player->name, request.payload + 8, kNetNameBytes - 1);
  player->name[kNetNameBytes - 1] = '\0';
  player->id = id;
  session->serverPlayers.Append(player);
  outbox.push_back({socket, NetMessageMake(kMsgIdAssigned, player->id, 0, nullptr, 0)});
}

// Under the lock: the answer to a query, or false when the type is none.
bool AnswerLocked(NetSession* session, const NetMessage& request, NetMessage* answer) {
  const uint16_t argument = LoadU16(request.payload);
  uint8_t number[2];
  switch (request.type) {
    case kMsgPlayerCount: {
      uint16_t count = 0;
      for (const NetPlayerRecord* p = session->serverPlayers.head; p != nullptr; p = p->next) {
        if (p->queryFlag == 0 && NetIsPlayerId(p->id)) ++count;
      }
      StoreU16(number, count);
      break;
    }
    case kMsgPlayerId: {
      uint16_t id = 0;
      uint32_t index = 0;
      for (const NetPlayerRecord* p = session->serverPlayers.head; p != nullptr; p = p->next) {
        if (p->queryFlag != 0) continue;
        if (index++ == argument) {
          id = p->id;
          break;
        }
      }
      StoreU16(number, id);
      break;
    }
    case kMsgPlayerName: {
      const NetPlayerRecord* player = FindById(session->serverPlayers, argument);
      const char* name = player != nullptr && player->name[0] != '\0' ? player->name : "NO_DATA";
      *answer = NetMessageMake(request.type, request.sender, 0, name, static_cast<int>(std::strlen(name)));
      return true;
    }
    case kMsgHello: StoreU16(number, 1); break;
    default: return false;
  }
  *answer = NetMessageMake(request.type, request.sender, 0, number, 2);
  return true;
}

// Under the lock: whether the connection holds the identity with the id.
bool HeldBy(NetSession* session, uint16_t id, int32_t socket) {
  const NetPlayerRecord* player = FindById(session->serverPlayers, id);
  return player != nullptr && player->socket == socket;
}

// Under the lock: the server's work on one frame from a peer; the frames to
// send go to the outbox. A peer speaks only for the identities its own
// connection holds: their leave is taken and texts keep their sender; any
// other sender of a text becomes 0 (the server), and any other leave or
// question is ignored.
void ServeLocked(NetSession* session, const NetMessageNode& node, std::vector<Outgoing>& outbox) {
  NetMessage message = node.message;
  if (message.type == kMsgText) {
    if (!HeldBy(session, message.sender, node.origin)) message.sender = 0;
    if (message.recipient == kNetIdEveryone) {
      for (const NetPlayerRecord* p = session->serverPlayers.head; p != nullptr; p = p->next) {
        if (p->queryFlag != 0 || p->id == message.sender) continue;
        outbox.push_back({p->socket, message});
        outbox.back().message.recipient = p->id;
      }
    } else if (const NetPlayerRecord* player = FindById(session->serverPlayers, message.recipient)) {
      outbox.push_back({player->socket, message});
    }
    return;
  }
  if (message.recipient != 0) return;
  if (message.type == kMsgRegister) {
    RegisterLocked(session, message, node.origin, outbox);
  } else if (message.type == kMsgLeave) {
    NetPlayerRecord* player = FindById(session->serverPlayers, message.sender);
    if (player != nullptr && player->socket == node.origin) DepartLocked(session, player);
  } else {
    // Queries are answered to their sender's own identity, over the
    // connection it registered on, so no peer can ask in another's name.
    const NetPlayerRecord* asker = FindById(session->serverPlayers, message.sender);
    NetMessage answer;
    if (asker != nullptr && asker->socket == node.origin && AnswerLocked(session, message, &answer)) {
      outbox.push_back({asker->socket, answer});
    }
  }
}

// Under the lock: a text frame from the server goes to the inbox of the
// first local player it names, unless that inbox is full: then the text is
// dropped and the texts already waiting stay.
void DeliverLocked(NetSession* session, const NetMessage& message) {
  if (!NetIsPlayerId(message.recipient)) return;
  NetPlayerRecord* player = FindById(session->localPlayers, message.recipient);
  if (player == nullptr || player->inbox.count >= kNetInboxTexts ||
      player->inboxBytes + message.length > kNetInboxBytes) {
    return;
  }
  auto* copy = new (std::nothrow) NetMessageNode;
  if (copy == nullptr) return;
  copy->message = message;
  player->inbox.Append(copy);
  player->inboxBytes += message.length;
}

// Under the lock: a frame from the server goes to a local player's inbox
// (a text), gives the first local player waiting for one its id (also one
// whose caller gave up: its leave goes out in the next round, so the next
// id goes to the next registration), or is an answer for the program. The frames are taken in the order they came, so a text sent
// right after a new player's id reaches that player.
void TakeServerFrameLocked(NetSession* session, NetMessageNode* node) {
  const NetMessage& message = node->message;
  if (message.type == kMsgText) {
    DeliverLocked(session, message);
    return;
  }
  if (message.sender != 0) return;
  if (message.type == kMsgIdAssigned && NetIsPlayerId(message.recipient)) {
    if (NetPlayerRecord* player = FindById(session->localPlayers, kNetIdRegistering)) {
      player->id = message.recipient;
    }
  } else if (message.type >= kMsgFirstAnswer) {
    // Answers nobody collects (a server may send them unasked) push out the
    // oldest, so the list stays short.
    session->received.Unlink(node);
    if (session->replies.count >= kNetWaitingAnswers) session->replies.Remove(session->replies.head);
    session->replies.Append(node);
  }
}

Peer* FindPeer(ThreadState& state, int32_t socket) {
  for (int32_t position = 0; position < state.peerCount; ++position) {
    if (state.peers[position].socket == socket) return &state.peers[position];
  }
  return nullptr;
}

// Sends the server's frames without waiting: a peer whose connection cannot
// take a whole frame at once (it stopped reading, and the system's buffer
// for it is full) gets no more and is dropped in the next round, so no peer
// can hold the server up.
void SendAll(ThreadState& state, const std::vector<Outgoing>& outbox) {
  for (const Outgoing& out : outbox) {
    Peer* peer = FindPeer(state, out.socket);
    if (peer == nullptr || peer->broken) continue;
    if (!SendNow(out.socket, out.message)) peer->broken = true;
  }
}

// The frames of this round: the client's part for those from the server,
// the server's work (its frames sent after, without the lock) for those
// from peers.
void HandleReceived(ThreadState& state) {
  NetSession* session = state.session;
  std::vector<Outgoing> outbox;
  MutexLock(&session->lock);
  for (NetMessageNode* node = session->received.head; node != nullptr;) {
    NetMessageNode* next = node->next;
    if (node->origin == kFromServer) TakeServerFrameLocked(session, node);
    else ServeLocked(session, *node, outbox);
    node = next;
  }
  session->received.FreeAll();
  MutexUnlock(&session->lock);
  SendAll(state, outbox);
}

// One round; false when the server closed the session connection.
bool RunRound(ThreadState& state, bool* busy) {
  NetSession* session = state.session;
  MutexLock(&session->lock);
  *busy = SendRegistrationsLocked(state);
  MutexUnlock(&session->lock);

  bool serverOpen = true;
  for (int frames = 0; frames < kServerFramesPerRound; ++frames) {
    NetMessage message;
    const ReadResult result = ReadFrame(state.sessionSocket, state.serverReader, &message);
    if (result == ReadResult::kNothing) break;
    *busy = true;
    if (result == ReadResult::kClosed) {
      serverOpen = false;
      break;
    }
    Receive(session, message, kFromServer);
  }
  if (serverOpen && state.listenSocket != -1 && ServePeers(state)) *busy = true;
  // What came before a close is still delivered.
  HandleReceived(state);
  return serverOpen;
}

// Closes the peers and ends the thread's part of the session; after a close
// by the server (no stop request) the thread resets the session itself.
void EndThread(ThreadState& state, bool stopRequested) {
  NetSession* session = state.session;
  MutexLock(&session->lock);
  for (int32_t position = 0; position < state.peerCount; ++position) SockClose(state.peers[position].socket);
  if (!stopRequested) {
    if (session->listenSocket != -1) SockClose(session->listenSocket);
    if (session->sessionSocket != -1) SockClose(session->sessionSocket);
    session->listenSocket = -1;
    session->sessionSocket = -1;
    if (session->networkHeld != 0) NetShutdown();
    session->networkHeld = 0;
    session->accepting = 1;
    session->nextPlayerId = kNetFirstPlayerId;
    session->ownQueryId = 0;
  }
  session->threadRunning = 0;
  session->stopRequest = 1;
  MutexUnlock(&session->lock);
}

}  // namespace

int32_t NetSessionThread(void* argument) {
  auto* state = new (std::nothrow) ThreadState;
  auto* session = static_cast<NetSession*>(argument);
  if (state == nullptr) {
    // No memory for the thread's own state: it ends as if asked to stop.
    MutexLock(&session->lock);
    session->threadRunning = 0;
    session->stopRequest = 1;
    MutexUnlock(&session->lock);
    return 0;
  }
  state->session = session;
  MutexLock(&session->lock);
  state->sessionSocket = session->sessionSocket;
  state->listenSocket = session->isHost != 0 ? session->listenSocket : -1;
  MutexUnlock(&session->lock);
  bool stopRequested = false;
  for (;;) {
    MutexLock(&session->lock);
    stopRequested = session->stopRequest != 0;
    MutexUnlock(&session->lock);
    if (stopRequested) break;
    bool busy = false;
    if (!RunRound(*state, &busy)) break;
    if (!busy) PlatformSleep(kIdleSleepMs);
  }
  EndThread(*state, stopRequested);
  delete state;
  return 0;
}
