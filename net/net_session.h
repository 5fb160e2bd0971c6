// The one network session: its record, lists and the steps that create,
// reset and free it.
//
// Start-up creates the session; hosting and joining start the session
// thread, which shares the lists and flags with the program's thread under
// the session's Mutex; teardown ends the thread, closes the sockets and
// frees the session.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>

#include "process/thread_mutex.h"

inline constexpr uint16_t kNetDefaultPort = 27910;
inline constexpr uint16_t kNetFirstPlayerId = 101;
inline constexpr int kNetMaxPayload = 1023;
inline constexpr int kNetHeaderSize = 7;
inline constexpr int kNetNameBytes = 128;         // a name, zero-terminated
inline constexpr int kNetRegisterPayload = 136;   // socket, id, flags, name

// Frame types.
inline constexpr uint8_t kMsgRegister = 1;
inline constexpr uint8_t kMsgIdAssigned = 2;
inline constexpr uint8_t kMsgText = 3;
inline constexpr uint8_t kMsgLeave = 4;
inline constexpr uint8_t kMsgFirstAnswer = 100;   // types from here on are the server's answers
inline constexpr uint8_t kMsgPlayerCount = 0x65;
inline constexpr uint8_t kMsgPlayerId = 0x66;
inline constexpr uint8_t kMsgPlayerName = 0x67;
inline constexpr uint8_t kMsgHello = 0x68;

// Player ids: 1 to kNetLastPlayerId are valid; the rest are special.
inline constexpr uint16_t kNetLastPlayerId = 0xFEFF;
inline constexpr uint16_t kNetIdRegistering = 0xFFFC;   // registration sent
inline constexpr uint16_t kNetIdUnregistered = 0xFFFE;
inline constexpr uint16_t kNetIdEveryone = 0xFFFF;

inline bool NetIsPlayerId(uint32_t id) { return id >= 1 && id <= kNetLastPlayerId; }

// What one peer may make a session keep. A player's inbox holds at most
// kNetInboxTexts texts of kNetInboxBytes payload bytes in all; a text that
// arrives for a full inbox is dropped (the waiting ones stay). The host
// keeps the newest kNetDepartedIds departed ids and gives one connection
// at most kNetIdentitiesPerConnection ids (players and query identity); a
// guest keeps the newest kNetWaitingAnswers answers of the server. The
// host keeps at most kNetPeerOutputBytes of frames that a remote peer's
// connection has not taken yet: a peer with more waiting, or whose
// connection takes no byte of what waits for the stall limit of
// net_tuning.h, does not read and is dropped.
inline constexpr int32_t kNetInboxTexts = 1024;
inline constexpr uint32_t kNetInboxBytes = 256 * 1024;
inline constexpr int32_t kNetDepartedIds = 1024;
inline constexpr int32_t kNetIdentitiesPerConnection = 8;
inline constexpr int32_t kNetWaitingAnswers = 16;
inline constexpr size_t kNetPeerOutputBytes = 2 * 1024 * 1024;

// A doubly linked list of nodes that begin with their two links.
template <typename Node>
struct NetList {
  Node* head = nullptr;
  Node* tail = nullptr;
  int32_t count = 0;

  void Append(Node* node) {
    node->previous = tail;
    node->next = nullptr;
    if (tail != nullptr) tail->next = node;
    else head = node;
    tail = node;
    ++count;
  }
  // Takes the node out of the list; the caller owns it then.
  void Unlink(Node* node) {
    if (node->previous != nullptr) node->previous->next = node->next;
    else head = node->next;
    if (node->next != nullptr) node->next->previous = node->previous;
    else tail = node->previous;
    node->previous = node->next = nullptr;
    --count;
  }
  // Unlinks and frees the node.
  void Remove(Node* node) {
    Unlink(node);
    delete node;
  }
  void FreeAll() {
    while (head != nullptr) Remove(head);
  }
};

// A session frame as it is kept in memory: the header fields, then the
// payload with room for a zero byte behind it.
struct NetMessage {
  uint8_t type = 0;
  uint16_t length = 0;
  uint16_t recipient = 0;
  uint16_t sender = 0;
  uint8_t payload[kNetMaxPayload + 1] = {};
};

struct NetMessageNode {
  NetMessageNode* previous = nullptr;
  NetMessageNode* next = nullptr;
  NetMessage message;
};

struct NetPlayerRecord {
  NetPlayerRecord* previous = nullptr;
  NetPlayerRecord* next = nullptr;
  int32_t socket = -1;      // the server's connection to the owner; -1 locally
  uint16_t id = kNetIdUnregistered;  // 1 to 65279 once given; 0xFF00 and above special
  uint8_t queryFlag = 0;
  uint8_t reserved = 0;
  // Locally: the caller stopped waiting for the id after the registration
  // went out. The record stays so that the server's answers still pair
  // with their registrations in order; the id it gets is given back.
  uint8_t abandoned = 0;
  char name[128] = {};
  NetList<NetMessageNode> inbox;
  uint32_t inboxBytes = 0;  // payload bytes of the texts in the inbox
  ~NetPlayerRecord() { inbox.FreeAll(); }
};

struct NetDepartedId {
  NetDepartedId* previous = nullptr;
  NetDepartedId* next = nullptr;
  uint16_t id = 0;
};

struct NetSession {
  // Where the server's search for a free id starts; ids go round from
  // kNetLastPlayerId back to kNetFirstPlayerId, skipping those held.
  uint16_t nextPlayerId = kNetFirstPlayerId;
  uint16_t ownQueryId = 0;
  int32_t listenSocket = -1;
  int32_t sessionSocket = -1;
  NetList<NetPlayerRecord> localPlayers;
  NetList<NetPlayerRecord> serverPlayers;
  uint8_t isHost = 0;
  uint8_t stopRequest = 1;
  uint8_t threadRunning = 0;
  uint8_t accepting = 1;
  Mutex lock = nullptr;
  NetList<NetMessageNode> replies;
  // Ids of players that left, newest last. An id stays taken while it is
  // here, so that no new player gets it before the program has seen the
  // departure (NetNextDeparted) or it has aged out of the list.
  NetList<NetDepartedId> departed;
  // The session thread, kept so that ending the session can join it before
  // the sockets close and the session is freed; 0 when none.
  ThreadHandle thread = 0;
  // 1 while the session holds a network start-up (from hosting or joining
  // until the reset that releases it).
  uint8_t networkHeld = 0;
  // Held for every send on sessionSocket: the program's thread and the
  // session thread both send on it, and their frames must not interleave.
  std::mutex sendLock;
  // Under sendLock: what the socket has not taken yet of a frame that a
  // send without waiting began, bytes sendRestStart to sendRestEnd. It goes
  // out before anything else on the connection. Only one frame's rest is
  // ever kept: nothing more is sent while it waits.
  uint8_t sendRest[kNetHeaderSize + kNetMaxPayload] = {};
  int32_t sendRestStart = 0;
  int32_t sendRestEnd = 0;
};

// Builds the session (flags and ids as after a reset, empty lists) with its
// Mutex; null when memory runs out.
NetSession* NetSessionCreate();

// The 7 header bytes of a frame, little-endian.
void NetMessageHeaderWrite(const NetMessage& message, uint8_t header[kNetHeaderSize]);
// The header fields of a frame from its 7 bytes.
void NetMessageHeaderRead(const uint8_t header[kNetHeaderSize], NetMessage* message);

// A frame of the type, recipient and sender with a copy of the payload
// (length at most 1023).
NetMessage NetMessageMake(uint8_t type, uint16_t recipient, uint16_t sender, const void* payload, int length);

// The frame's bytes (header and at most 1023 payload bytes) into out; their
// number.
int32_t NetMessageWrite(const NetMessage& message, uint8_t out[kNetHeaderSize + kNetMaxPayload]);

// Sends 7 + payload length bytes of the frame; 1 on success, else 0.
int32_t NetSessionSend(int32_t socket, const NetMessage& message);
// The same on the session's own connection, one frame at a time whichever
// thread sends, after the rest of a frame that a send without waiting left
// behind; 0 when there is no connection. A frame that cannot be sent may be
// half out, which would garble every later frame: the connection is then
// shut down, and the session ends.
int32_t NetSessionSendOwn(NetSession* session, const NetMessage& message);
// For the session thread, which must not wait on the session socket (on the
// host it reads the other end itself), holding sendLock: sends the kept rest
// of a frame, then the frame (none when null), as far as the socket takes
// them right now. What it does not take of a frame once begun is kept and
// goes out, in order, before anything else on the connection. 1 when the
// frame has gone or is kept (with no frame: nothing is kept any more), 0
// when nothing of it went (the socket is full, or the kept rest still
// waits): it may be sent later. -1 when the send failed (reset, gone): the
// connection is shut down, and the session ends.
int32_t NetSessionSendOwnNow(NetSession* session, int32_t socket, const NetMessage* message);

// Ends the session thread (stop flag under the lock, then the running flag
// polled under the lock every 50 ms, then the thread joined), closes the
// listen and session sockets, releases the session's network start-up when
// it holds one, and resets the flags and ids. The lists are kept. Called
// from the program's thread.
void NetSessionReset(NetSession* session);

// NetSessionReset on the one session of g_app, when there is one.
void NetSessionEnd();

// Teardown of the session: a leave message for each local player with a
// valid id, the reset, the Mutex destroyed, the lists and the session freed.
void NetSessionFree(NetSession* session);
