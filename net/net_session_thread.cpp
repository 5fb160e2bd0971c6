#include "net/net_session_thread.h"

#include <poll.h>

#include <bitset>
#include <cstring>
#include <mutex>
#include <new>
#include <unordered_map>
#include <vector>

#include "net/net_session.h"
#include "net/net_tuning.h"
#include "net/socket_layer.h"
#include "platform/clock.h"

namespace {

constexpr int kMaxPeers = 128;
// Frames taken from the session connection in one pass, so that a server
// that floods the connection cannot keep the thread from its stop request.
constexpr int kServerFramesPerPass = 256;
// Passes over the frames already read before the connections are read
// again, so that a connection with many frames waiting holds back the news
// of the others for a bounded time only.
constexpr int kPassesPerRead = 64;
constexpr int kIdleWaitMs = 10;
// A connection's receive buffer starts with room for one whole frame and
// doubles, up to the largest size, whenever a read fills it.
constexpr int32_t kFirstReceiveBytes = kNetHeaderSize + kNetMaxPayload;
constexpr int32_t kLargestReceiveBytes = 32 * 1024;
// Frames for a peer wait in its output until the round ends, or until this
// many bytes are waiting.
constexpr size_t kOutputFlushBytes = 16 * 1024;
// While more than this waits to go out on the host's own session
// connection, no frame is taken from any peer. The thread itself reads the
// other end of that connection, so what waits there goes out as fast as
// the thread reads it, and the senders wait in their connections meanwhile
// (which the system pushes back on as on any full connection).
constexpr size_t kOwnOutputPauseBytes = 64 * 1024;
// An output that has gone out keeps at most this much room for the next.
constexpr size_t kOutputKeptBytes = 64 * 1024;

uint16_t LoadU16(const uint8_t* bytes) { return static_cast<uint16_t>(bytes[0] | bytes[1] << 8); }

void StoreU16(uint8_t* bytes, uint16_t value) {
  bytes[0] = static_cast<uint8_t>(value);
  bytes[1] = static_cast<uint8_t>(value >> 8);
}

// Where a frame came from: the session connection, or (on the host) the
// peer connection with that socket slot.
constexpr int32_t kFromServer = -1;

// A whole frame in a connection's receive buffer: the header fields and
// where its payload lies. It stays valid until that connection is read
// again.
struct Frame {
  uint8_t type = 0;
  uint16_t length = 0;
  uint16_t recipient = 0;
  uint16_t sender = 0;
  const uint8_t* payload = nullptr;
  int32_t origin = kFromServer;
};

// The payload's first bytes into out, the rest of out zero: a short payload
// reads as if the missing bytes were zero.
void PayloadHead(const Frame& frame, uint8_t* out, size_t size) {
  const size_t have = frame.length < size ? frame.length : size;
  std::memcpy(out, frame.payload, have);
  std::memset(out + have, 0, size - have);
}

// A stream of frames the thread reads and (a peer) writes: what has been
// read and not yet taken as whole frames, and the frames waiting to go out.
struct Connection {
  int32_t socket = -1;
  int fd = -1;                 // the system's socket, for poll
  std::vector<uint8_t> input;  // read bytes from inputStart to inputEnd
  int32_t inputStart = 0;
  int32_t inputEnd = 0;
  bool filledLast = false;  // the last read filled all the room there was
  bool ended = false;   // closed, reset or failed: nothing more comes
  // Given up on (a send failed, or it does not read what it is sent):
  // dropped at its next turn.
  bool broken = false;
  bool own = false;  // the host's own session connection
  // The frames to send, from outputSent on. What a send does not take waits,
  // in order, for the next one; while the socket is full (it took less than
  // all the last time) nothing is sent until a poll finds room.
  std::vector<uint8_t> output;
  size_t outputSent = 0;
  bool full = false;
  // Since when the socket has taken no byte of what waits; below 0 when
  // the last send took all.
  double stalledSince = -1;

  size_t Waiting() const { return output.size() - outputSent; }

  void Open(int32_t slot) {
    socket = slot;
    const SocketSlot* record = SockSlot(slot);
    fd = record != nullptr ? record->fd : -1;
    input.assign(kFirstReceiveBytes, 0);
  }
};

enum class ReadResult { kFrame, kNothing, kClosed };

// One read of what the connection has, as far as its buffer has room.
void Fill(Connection& c) {
  if (c.ended || c.socket < 0) return;
  if (c.inputStart > 0) {
    std::memmove(c.input.data(), c.input.data() + c.inputStart, static_cast<size_t>(c.inputEnd - c.inputStart));
    c.inputEnd -= c.inputStart;
    c.inputStart = 0;
  }
  if (c.filledLast && c.input.size() < static_cast<size_t>(kLargestReceiveBytes)) c.input.resize(c.input.size() * 2);
  const auto room = static_cast<int32_t>(c.input.size()) - c.inputEnd;
  // A full buffer holds a whole frame (or a length no frame may have):
  // it is taken first.
  if (room == 0) return;
  const int32_t n = SockRecv(c.socket, c.input.data() + c.inputEnd, room, 0);
  c.filledLast = n == room;
  if (n > 0) c.inputEnd += n;
  else if (n != -2) c.ended = true;
}

// Takes the next whole frame out of what the connection has read (kFrame),
// or tells that none is there yet (kNothing) or that the connection is over
// (kClosed): closed, reset, failed, or a payload length that no frame may
// have. The frames before the end are all taken first.
ReadResult NextFrame(Connection& c, int32_t origin, Frame* frame) {
  const int32_t have = c.inputEnd - c.inputStart;
  if (have >= kNetHeaderSize) {
    const uint8_t* bytes = c.input.data() + c.inputStart;
    const uint16_t length = LoadU16(bytes + 1);
    if (length > kNetMaxPayload) return ReadResult::kClosed;
    if (have >= kNetHeaderSize + length) {
      frame->type = bytes[0];
      frame->length = length;
      frame->recipient = LoadU16(bytes + 3);
      frame->sender = LoadU16(bytes + 5);
      frame->payload = bytes + kNetHeaderSize;
      frame->origin = origin;
      c.inputStart += kNetHeaderSize + length;
      return ReadResult::kFrame;
    }
  }
  return c.ended ? ReadResult::kClosed : ReadResult::kNothing;
}

// What the thread keeps for itself; the sockets are copied at its start
// (only the thread changes them while it runs).
struct ThreadState {
  NetSession* session = nullptr;
  int32_t sessionSocket = -1;
  int32_t listenSocket = -1;
  int listenFd = -1;
  Connection server;  // the session connection
  Connection peers[kMaxPeers];
  int32_t peerCount = 0;
  // The peer position of each socket slot that is a peer's, else -1.
  int16_t peerOfSocket[kSocketSlotCount];
  // The server's records by id (no two hold the one id), kept with the
  // session's list, which only this thread changes while it runs.
  std::unordered_map<uint16_t, NetPlayerRecord*> serverIds;
  // The frames of the pass, in the order they are handled.
  std::vector<Frame> frames;
  std::vector<pollfd> polled;
  bool accepting = false;     // the session's flag, read each round
  bool listenReady = false;   // the last poll saw a connection waiting
  bool listenStuck = false;   // the system refused the last one waiting
  // On the host: the two ends of the session connection as the session
  // socket sees them, by which the server knows that connection among the
  // ones it accepts, and its socket slot there once accepted (else -1).
  SockAddress sessionLocal = {0, 0};
  SockAddress sessionRemote = {0, 0};
  int32_t ownSocket = -1;

  ThreadState() {
    for (int16_t& position : peerOfSocket) position = -1;
  }
};

// The peer with the socket slot, or null.
Connection* PeerOf(ThreadState& state, int32_t socket) {
  if (socket < 0 || socket >= kSocketSlotCount || state.peerOfSocket[socket] < 0) return nullptr;
  return &state.peers[state.peerOfSocket[socket]];
}

// Whether so much waits for the host's own connection that no frame is
// taken from the peers for now.
bool OwnOutputPaused(ThreadState& state) {
  const Connection* own = PeerOf(state, state.ownSocket);
  return own != nullptr && own->Waiting() > kOwnOutputPauseBytes;
}

// Gives up on the peer: no more is sent to it, what waited for it is
// freed, and it is dropped at its next turn.
void GiveUp(Connection& peer) {
  peer.broken = true;
  peer.full = false;
  peer.outputSent = 0;
  std::vector<uint8_t>().swap(peer.output);
}

// After a frame was queued: a remote peer for which more waits than it may
// make the server keep is not reading what it is sent, and is given up.
// The host's own connection is never given up for that (while much waits
// for it, no more is taken from the peers; see kOwnOutputPauseBytes).
void KeepWithinBound(Connection& peer) {
  if (!peer.own && peer.Waiting() > kNetPeerOutputBytes) GiveUp(peer);
}

// Adds the frame's bytes to what waits to go to the peer with the socket;
// nothing for a peer that is gone or broken.
void Queue(ThreadState& state, int32_t socket, const NetMessage& message) {
  Connection* peer = PeerOf(state, socket);
  if (peer == nullptr || peer->broken) return;
  uint8_t frame[kNetHeaderSize + kNetMaxPayload];
  const int32_t total = NetMessageWrite(message, frame);
  peer->output.insert(peer->output.end(), frame, frame + total);
  KeepWithinBound(*peer);
}

// The same for a frame read from a connection, with another recipient and
// sender.
void QueueRelayed(ThreadState& state, int32_t socket, const Frame& frame, uint16_t recipient, uint16_t sender) {
  Connection* peer = PeerOf(state, socket);
  if (peer == nullptr || peer->broken) return;
  uint8_t header[kNetHeaderSize] = {frame.type};
  StoreU16(header + 1, frame.length);
  StoreU16(header + 3, recipient);
  StoreU16(header + 5, sender);
  peer->output.insert(peer->output.end(), header, header + kNetHeaderSize);
  peer->output.insert(peer->output.end(), frame.payload, frame.payload + frame.length);
  KeepWithinBound(*peer);
}

// Sends as much of what waits for the peer as its connection takes right
// now, without waiting, so that no peer can hold the server up. The rest
// waits, in order, for the next send, once a poll finds room: the peer
// gets whole frames one after another, however the sends cut them. A send
// that fails (the connection is reset or gone) gives the peer up.
void Flush(Connection& peer) {
  if (peer.broken || peer.full || peer.Waiting() == 0) return;
  const int32_t sent = SockSendNow(peer.socket, peer.output.data() + peer.outputSent,
                                   static_cast<int32_t>(peer.Waiting()));
  if (sent < 0) {
    GiveUp(peer);
    return;
  }
  peer.outputSent += static_cast<size_t>(sent);
  if (peer.Waiting() == 0) {
    peer.outputSent = 0;
    peer.stalledSince = -1;
    if (peer.output.capacity() > kOutputKeptBytes) std::vector<uint8_t>().swap(peer.output);
    else peer.output.clear();
    return;
  }
  // The socket is full; the stall clock runs from the last byte it took.
  peer.full = true;
  if (sent > 0 || peer.stalledSince < 0) peer.stalledSince = PlatformMilliseconds();
  // What went out is dropped from the front once it is as long as what
  // waits, so each byte is moved at most once on average.
  if (peer.outputSent >= peer.Waiting()) {
    peer.output.erase(peer.output.begin(), peer.output.begin() + static_cast<std::ptrdiff_t>(peer.outputSent));
    peer.outputSent = 0;
  }
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
// waits for the next round. What the connection takes of a frame in part is
// sent whole all the same: its rest is kept and goes out first, in this
// thread's next try or before the program's next frame (net_session.h), so
// the frame counts as sent. A send that fails shuts the connection down
// (the session ends).
void SendRegistrationsLocked(ThreadState& state) {
  NetSession* session = state.session;
  std::unique_lock<std::mutex> sending(session->sendLock, std::try_to_lock);
  if (!sending.owns_lock()) return;
  if (NetSessionSendOwnNow(session, state.sessionSocket, nullptr) != 1) return;
  for (NetPlayerRecord* player = session->localPlayers.head; player != nullptr;) {
    NetPlayerRecord* next = player->next;
    const bool unsent = player->id == kNetIdUnregistered;
    const bool giveBack = player->abandoned != 0 && NetIsPlayerId(player->id);
    if (!unsent && !giveBack) {
      player = next;
      continue;
    }
    const NetMessage frame = unsent ? RegistrationOf(*player) : NetMessageMake(kMsgLeave, 0, player->id, nullptr, 0);
    if (NetSessionSendOwnNow(session, state.sessionSocket, &frame) != 1) break;
    if (unsent) player->id = kNetIdRegistering;
    else session->localPlayers.Remove(player);
    player = next;
  }
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

// Under the lock: the server's record with the id, or null.
NetPlayerRecord* ServerPlayer(ThreadState& state, uint16_t id) {
  const auto found = state.serverIds.find(id);
  return found != state.serverIds.end() ? found->second : nullptr;
}

// Under the lock: removes a server record; a player's id (not a query
// identity's) is noted as departed.
void DepartLocked(ThreadState& state, NetPlayerRecord* player) {
  NetSession* session = state.session;
  if (player->queryFlag == 0) AppendDeparted(session, player->id);
  state.serverIds.erase(player->id);
  session->serverPlayers.Remove(player);
}

// A peer's connection is over: what was queued for it in earlier passes goes
// out as far as its connection takes it now (as it would have after those
// passes), every identity registered over it leaves, the socket closes,
// and the last peer takes its position.
void DropPeer(ThreadState& state, int32_t position) {
  NetSession* session = state.session;
  Flush(state.peers[position]);
  const int32_t socket = state.peers[position].socket;
  MutexLock(&session->lock);
  for (NetPlayerRecord* player = session->serverPlayers.head; player != nullptr;) {
    NetPlayerRecord* next = player->next;
    if (player->socket == socket) DepartLocked(state, player);
    player = next;
  }
  MutexUnlock(&session->lock);
  SockClose(socket);
  state.peerOfSocket[socket] = -1;
  if (socket == state.ownSocket) state.ownSocket = -1;
  const int32_t last = --state.peerCount;
  if (position != last) {
    state.peers[position] = std::move(state.peers[last]);
    state.peerOfSocket[state.peers[position].socket] = static_cast<int16_t>(position);
  }
  state.peers[last] = Connection();
}

bool SameAddress(SockAddress a, SockAddress b) { return a.ip == b.ip && a.port == b.port; }

// Accepts one waiting connection, when the last poll saw one, into the next
// free position and reads it as every peer was read; the host's own session
// connection is known by its two ends. No room for another
// peer: the connection is closed at once, so the other side learns it at
// once instead of waiting for answers. True when one came.
bool AcceptOne(ThreadState& state) {
  if (!state.listenReady) return false;
  const int32_t socket = SockAccept(state.listenSocket, nullptr);
  // Nothing was waiting after all, or the system refuses the connection for
  // now: then the listening socket stays readable, and the idle wait does
  // not watch it (the next round tries again).
  state.listenStuck = socket < 0 && SockLastError() != kSockErrorWouldBlock;
  if (socket < 0) {
    state.listenReady = false;
    return false;
  }
  if (state.peerCount >= kMaxPeers) {
    SockClose(socket);
    return true;
  }
  Connection& peer = state.peers[state.peerCount];
  peer.Open(socket);
  state.peerOfSocket[socket] = static_cast<int16_t>(state.peerCount++);
  if (state.ownSocket == -1 && SameAddress(SockPeerAddress(socket), state.sessionLocal) &&
      SameAddress(SockLocalAddress(socket), state.sessionRemote)) {
    peer.own = true;
    state.ownSocket = socket;
  }
  Fill(peer);
  return true;
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

// Under the lock: a new server record for a registration from a peer,
// answered with its id; nothing while new players are refused, when the
// connection holds as many identities as one may, or when every id is
// taken.
void RegisterLocked(ThreadState& state, const Frame& request) {
  NetSession* session = state.session;
  const int32_t socket = request.origin;
  if (session->accepting == 0 || IdentitiesOf(session, socket) >= kNetIdentitiesPerConnection) return;
  uint16_t id = 0;
  if (!TakeFreeIdLocked(session, &id)) return;
  auto* player = new (std::nothrow) NetPlayerRecord;
  if (player == nullptr) return;
  uint8_t payload[kNetRegisterPayload];
  PayloadHead(request, payload, sizeof payload);
  player->socket = socket;
  player->queryFlag = payload[6] != 0 ? 1 : 0;
  std::memcpy(player->name, payload + 8, kNetNameBytes - 1);
  player->name[kNetNameBytes - 1] = '\0';
  player->id = id;
  session->serverPlayers.Append(player);
  state.serverIds[id] = player;
  Queue(state, socket, NetMessageMake(kMsgIdAssigned, player->id, 0, nullptr, 0));
}

// Under the lock: the answer to a query, or false when the type is none.
bool AnswerLocked(ThreadState& state, const Frame& request, NetMessage* answer) {
  const NetSession* session = state.session;
  uint8_t head[2];
  PayloadHead(request, head, sizeof head);
  const uint16_t argument = LoadU16(head);
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
      const NetPlayerRecord* player = ServerPlayer(state, argument);
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
bool HeldBy(ThreadState& state, uint16_t id, int32_t socket) {
  const NetPlayerRecord* player = ServerPlayer(state, id);
  return player != nullptr && player->socket == socket;
}

// Under the lock: the server's work on one frame from a peer; the frames to
// send wait in the peers' outputs. A peer speaks only for the identities
// its own connection holds: their leave is taken and texts keep their
// sender; any other sender of a text becomes 0 (the server), and any other
// leave or question is ignored.
void ServeLocked(ThreadState& state, const Frame& frame) {
  NetSession* session = state.session;
  if (frame.type == kMsgText) {
    const uint16_t sender = HeldBy(state, frame.sender, frame.origin) ? frame.sender : 0;
    if (frame.recipient == kNetIdEveryone) {
      for (const NetPlayerRecord* p = session->serverPlayers.head; p != nullptr; p = p->next) {
        if (p->queryFlag != 0 || p->id == sender) continue;
        QueueRelayed(state, p->socket, frame, p->id, sender);
      }
    } else if (const NetPlayerRecord* player = ServerPlayer(state, frame.recipient)) {
      QueueRelayed(state, player->socket, frame, frame.recipient, sender);
    }
    return;
  }
  if (frame.recipient != 0) return;
  if (frame.type == kMsgRegister) {
    RegisterLocked(state, frame);
  } else if (frame.type == kMsgLeave) {
    NetPlayerRecord* player = ServerPlayer(state, frame.sender);
    if (player != nullptr && player->socket == frame.origin) DepartLocked(state, player);
  } else {
    // Queries are answered to their sender's own identity, over the
    // connection it registered on, so no peer can ask in another's name.
    const NetPlayerRecord* asker = ServerPlayer(state, frame.sender);
    NetMessage answer;
    if (asker != nullptr && asker->socket == frame.origin && AnswerLocked(state, frame, &answer)) {
      Queue(state, asker->socket, answer);
    }
  }
}

// A node holding a copy of the frame (zero bytes behind its payload); null
// when no memory is left for it.
NetMessageNode* NodeOf(const Frame& frame) {
  auto* node = new (std::nothrow) NetMessageNode;
  if (node == nullptr) return nullptr;
  node->message.type = frame.type;
  node->message.length = frame.length;
  node->message.recipient = frame.recipient;
  node->message.sender = frame.sender;
  std::memcpy(node->message.payload, frame.payload, frame.length);
  return node;
}

// Under the lock: a text frame from the server goes to the inbox of the
// first local player it names, unless that inbox is full: then the text is
// dropped and the texts already waiting stay.
void DeliverLocked(NetSession* session, const Frame& frame) {
  if (!NetIsPlayerId(frame.recipient)) return;
  NetPlayerRecord* player = FindById(session->localPlayers, frame.recipient);
  if (player == nullptr || player->inbox.count >= kNetInboxTexts ||
      player->inboxBytes + frame.length > kNetInboxBytes) {
    return;
  }
  NetMessageNode* copy = NodeOf(frame);
  if (copy == nullptr) return;
  player->inbox.Append(copy);
  player->inboxBytes += frame.length;
}

// Under the lock: a frame from the server goes to a local player's inbox
// (a text), gives the first local player waiting for one its id (also one
// whose caller gave up: its leave goes out in the next round, so the next
// id goes to the next registration), or is an answer for the program. The
// frames are taken in the order they came, so a text sent right after a
// new player's id reaches that player.
void TakeServerFrameLocked(NetSession* session, const Frame& frame) {
  if (frame.type == kMsgText) {
    DeliverLocked(session, frame);
    return;
  }
  if (frame.sender != 0) return;
  if (frame.type == kMsgIdAssigned && NetIsPlayerId(frame.recipient)) {
    if (NetPlayerRecord* player = FindById(session->localPlayers, kNetIdRegistering)) {
      player->id = frame.recipient;
    }
  } else if (frame.type >= kMsgFirstAnswer) {
    // Answers nobody collects (a server may send them unasked) push out the
    // oldest, so the list stays short.
    NetMessageNode* answer = NodeOf(frame);
    if (answer == nullptr) return;
    if (session->replies.count >= kNetWaitingAnswers) session->replies.Remove(session->replies.head);
    session->replies.Append(answer);
  }
}

// The frames of the pass: the client's part for those from the server, the
// server's work for those from peers (its frames sent after, without the
// lock, for the peers that have much waiting; the rest at the round's end).
void HandleFrames(ThreadState& state) {
  if (state.frames.empty()) return;
  NetSession* session = state.session;
  MutexLock(&session->lock);
  for (const Frame& frame : state.frames) {
    if (frame.origin == kFromServer) TakeServerFrameLocked(session, frame);
    else ServeLocked(state, frame);
  }
  MutexUnlock(&session->lock);
  state.frames.clear();
  for (int32_t position = 0; position < state.peerCount; ++position) {
    if (state.peers[position].Waiting() >= kOutputFlushBytes) Flush(state.peers[position]);
  }
}

// One pass over what the connections have read: up to 256 frames of the
// session connection, then on the host one waiting connection accepted
// (while it accepts any) and one frame from each peer in table order, then
// the frames handled. *busy when anything happened; false when the server
// closed the session connection (what came before is still handled).
bool RunPass(ThreadState& state, bool accepting, bool* busy) {
  bool serverOpen = true;
  for (int frames = 0; frames < kServerFramesPerPass; ++frames) {
    Frame frame;
    const ReadResult result = NextFrame(state.server, kFromServer, &frame);
    if (result == ReadResult::kNothing) break;
    *busy = true;
    if (result == ReadResult::kClosed) {
      serverOpen = false;
      break;
    }
    state.frames.push_back(frame);
  }
  // While much waits for the host's own connection, the pass takes only
  // the frames of the session connection, which is its other end.
  if (serverOpen && state.listenSocket != -1 && !OwnOutputPaused(state)) {
    if (accepting && AcceptOne(state)) *busy = true;
    // A dropped peer's place is taken by the last one, which is served in
    // the next pass.
    for (int32_t position = 0; position < state.peerCount; ++position) {
      Connection& peer = state.peers[position];
      Frame frame;
      const ReadResult result = peer.broken ? ReadResult::kClosed : NextFrame(peer, peer.socket, &frame);
      if (result == ReadResult::kNothing) continue;
      *busy = true;
      if (result == ReadResult::kFrame) state.frames.push_back(frame);
      else DropPeer(state, position);
    }
  }
  HandleFrames(state);
  return serverOpen;
}

bool Readable(const pollfd& polled) { return (polled.revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL)) != 0; }

// Polls the session connection, the peers that may still send (unless no
// frame is taken from them for now), the peers whose sockets were full,
// and when asked the listening socket, waiting up to the milliseconds. The
// results are in state.polled: the session connection first, then the
// listening socket, then the peers in table order.
void Poll(ThreadState& state, bool watchListening, int waitMs) {
  std::vector<pollfd>& polled = state.polled;
  polled.clear();
  const auto watch = [&](const Connection& c, bool reading) {
    const short events = static_cast<short>((reading && !c.ended && !c.broken ? POLLIN : 0) |
                                            (c.full && !c.broken ? POLLOUT : 0));
    polled.push_back({events != 0 ? c.fd : -1, events, 0});
  };
  watch(state.server, true);
  polled.push_back({watchListening ? state.listenFd : -1, POLLIN, 0});
  const bool readingPeers = !OwnOutputPaused(state);
  for (int32_t position = 0; position < state.peerCount; ++position) watch(state.peers[position], readingPeers);
  if (poll(polled.data(), polled.size(), waitMs) < 0) {
    for (pollfd& p : polled) p.revents = 0;
  }
}

// Reads once each connection that has something, waiting up to the
// milliseconds for one to have something or for a full socket to have
// room, and notes whether a connection waits to be accepted. While the
// system refuses waiting connections the wait does not watch the listening
// socket (it would stay readable), and one accept is tried each round.
void ReadConnections(ThreadState& state, int waitMs) {
  Poll(state, state.accepting && !state.listenStuck, waitMs);
  if (Readable(state.polled[0])) Fill(state.server);
  state.listenReady = state.accepting && (state.listenStuck || Readable(state.polled[1]));
  for (int32_t position = 0; position < state.peerCount; ++position) {
    const pollfd& polled = state.polled[2 + static_cast<size_t>(position)];
    Connection& peer = state.peers[position];
    if ((polled.events & POLLIN) != 0 && Readable(polled)) Fill(peer);
    // Room, or an error that the next send reports.
    if ((polled.revents & (POLLOUT | POLLHUP | POLLERR | POLLNVAL)) != 0) peer.full = false;
  }
}

// After the round's sends: a remote peer whose socket has taken no byte of
// what waits for it for the stall limit does not read, and is given up.
void GiveUpStalled(ThreadState& state) {
  double now = -1;
  for (int32_t position = 0; position < state.peerCount; ++position) {
    Connection& peer = state.peers[position];
    if (!peer.full || peer.own) continue;
    if (now < 0) now = PlatformMilliseconds();
    if (now - peer.stalledSince >= g_netTuning.stallMs) GiveUp(peer);
  }
}

// One round: the registrations of new local players go out, every
// connection that has something is read once (waiting up to the
// milliseconds for one to have something), and what was read is served in
// passes (one frame a peer each) until nothing is left or the passes reach
// their bound; then what waits for the peers goes out, as far as their
// sockets take it, and the peers that have not read for the stall limit
// are given up. *more when frames read may still be waiting to be served;
// false when the server closed the session connection.
bool RunRound(ThreadState& state, int waitMs, bool* more) {
  NetSession* session = state.session;
  MutexLock(&session->lock);
  SendRegistrationsLocked(state);
  state.accepting = session->accepting != 0;
  MutexUnlock(&session->lock);

  ReadConnections(state, waitMs);
  bool serverOpen = true;
  *more = false;
  for (int pass = 0; pass < kPassesPerRead && serverOpen; ++pass) {
    *more = false;
    serverOpen = RunPass(state, state.accepting, more);
    if (!*more) break;
  }
  // Passes that took nothing from the peers may have left frames of theirs
  // unserved: the next round does not wait.
  if (OwnOutputPaused(state)) *more = true;
  for (int32_t position = 0; position < state.peerCount; ++position) Flush(state.peers[position]);
  GiveUpStalled(state);
  return serverOpen;
}

// Closes the peers and ends the thread's part of the session; after a close
// by the server (no stop request) the thread resets the session itself.
void EndThread(ThreadState& state, bool stopRequested) {
  NetSession* session = state.session;
  for (int32_t position = 0; position < state.peerCount; ++position) Flush(state.peers[position]);
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
  for (NetPlayerRecord* player = session->serverPlayers.head; player != nullptr; player = player->next) {
    state->serverIds.emplace(player->id, player);
  }
  MutexUnlock(&session->lock);
  state->server.Open(state->sessionSocket);
  if (state->listenSocket != -1) {
    state->sessionLocal = SockLocalAddress(state->sessionSocket);
    state->sessionRemote = SockPeerAddress(state->sessionSocket);
  }
  if (const SocketSlot* listening = SockSlot(state->listenSocket)) state->listenFd = listening->fd;
  bool stopRequested = false;
  int waitMs = 0;
  for (;;) {
    MutexLock(&session->lock);
    stopRequested = session->stopRequest != 0;
    MutexUnlock(&session->lock);
    if (stopRequested) break;
    // With nothing read left to serve, the next round waits for something
    // to read, but for a little while only: the program's requests (a new
    // player, the stop) are seen at the start of a round.
    bool more = false;
    if (!RunRound(*state, waitMs, &more)) break;
    waitMs = more ? 0 : kIdleWaitMs;
  }
  EndThread(*state, stopRequested);
  delete state;
  return 0;
}
