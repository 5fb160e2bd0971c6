// The one network session: its record, lists and the steps that create,
// reset and free it.
//
// Start-up creates the session; hosting and joining start the session
// thread, which shares the lists and flags with the program's thread under
// the session's Mutex; teardown ends the thread, closes the sockets and
// frees the session.
#pragma once

#include <cstdint>

#include "app/thread_mutex.h"

inline constexpr uint16_t kNetFirstPlayerId = 101;
inline constexpr int kNetMaxPayload = 1023;
inline constexpr int kNetHeaderSize = 7;
inline constexpr uint8_t kMsgLeave = 4;

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
  // Unlinks and frees the node.
  void Remove(Node* node) {
    if (node->previous != nullptr) node->previous->next = node->next;
    else head = node->next;
    if (node->next != nullptr) node->next->previous = node->previous;
    else tail = node->previous;
    --count;
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
  uint16_t id = 0xFFFE;     // 1 to 65279 once given; 0xFF00 and above special
  uint8_t queryFlag = 0;
  uint8_t reserved = 0;
  char name[128] = {};
  NetList<NetMessageNode> inbox;
  ~NetPlayerRecord() { inbox.FreeAll(); }
};

struct NetDepartedId {
  NetDepartedId* previous = nullptr;
  NetDepartedId* next = nullptr;
  uint16_t id = 0;
};

struct NetSession {
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
  NetList<NetMessageNode> received;
  NetList<NetMessageNode> replies;
  NetList<NetDepartedId> departed;
  // The session thread, kept so that ending the session can join it before
  // the sockets close and the session is freed; 0 when none.
  ThreadHandle thread = 0;
};

// Builds the session (flags and ids as after a reset, empty lists) with its
// Mutex; null when memory runs out.
NetSession* NetSessionCreate();

// The 7 header bytes of a frame, little-endian.
void NetMessageHeaderWrite(const NetMessage& message, uint8_t header[kNetHeaderSize]);

// Sends 7 + payload length bytes of the frame; 1 on success, else 0.
int32_t NetSessionSend(int32_t socket, const NetMessage& message);

// Ends the session thread (stop flag under the lock, then the running flag
// polled under the lock every 50 ms, then the thread joined), closes the
// listen and session sockets, releases one network start-up and resets the
// flags and ids. The lists are kept. Called from the program's thread.
void NetSessionReset(NetSession* session);

// NetSessionReset on the one session of g_app, when there is one.
void NetSessionEnd();

// Teardown of the session: a leave message for each local player with a
// valid id, the reset, one more network release, the Mutex destroyed, the
// lists and the session freed.
void NetSessionFree(NetSession* session);
