#include "net/session_commands.h"

#include <cstring>
#include <new>

#include "net/net_session.h"
#include "net/net_session_thread.h"
#include "net/net_tuning.h"
#include "net/socket_layer.h"
#include "platform/clock.h"
#include "process/app_globals.h"

namespace {

constexpr double kPollMs = 20;
constexpr uint32_t kLongestAnswerText = 256;

uint16_t g_lastSender = 0;

uint8_t ReadFlag(NetSession* session, const uint8_t NetSession::*flag) {
  MutexLock(&session->lock);
  const uint8_t value = session->*flag;
  MutexUnlock(&session->lock);
  return value;
}

// A fresh session: the old one ended, every list emptied, one network
// start-up held.
void PrepareSession(NetSession* session) {
  NetSessionReset(session);
  MutexLock(&session->lock);
  session->localPlayers.FreeAll();
  session->serverPlayers.FreeAll();
  session->departed.FreeAll();
  session->replies.FreeAll();
  session->listenSocket = -1;
  session->sessionSocket = -1;
  session->nextPlayerId = kNetFirstPlayerId;
  session->ownQueryId = 0;
  session->networkHeld = static_cast<uint8_t>(NetStartup() != 0);
  MutexUnlock(&session->lock);
}

// Starts the session thread over the connected session socket.
bool StartSessionThread(NetSession* session, int32_t sessionSocket, uint8_t isHost) {
  MutexLock(&session->lock);
  session->sessionSocket = sessionSocket;
  session->isHost = isHost;
  session->threadRunning = 1;
  session->stopRequest = 0;
  MutexUnlock(&session->lock);
  const ThreadHandle thread = ThreadCreate(NetSessionThread, session, 1);
  if (thread > 0) {
    session->thread = thread;
    return true;
  }
  MutexLock(&session->lock);
  session->threadRunning = 0;
  session->stopRequest = 1;
  MutexUnlock(&session->lock);
  return false;
}

// The session's query identity, registered first when it has none; 0 when
// none can be had.
uint16_t QueryIdentity(NetSession* session) {
  MutexLock(&session->lock);
  uint16_t queryId = session->ownQueryId;
  MutexUnlock(&session->lock);
  if (queryId != 0) return queryId;
  queryId = NetWorkerRequest(session, nullptr);
  MutexLock(&session->lock);
  session->ownQueryId = queryId;
  MutexUnlock(&session->lock);
  return queryId;
}

// Asks the server and waits for its answer of the same type: false when
// the session has no query identity, the request cannot be sent, or no
// answer comes in time.
bool AskServer(NetSession* session, uint8_t type, const uint8_t* payload, int length, NetMessage* answer) {
  const uint16_t queryId = QueryIdentity(session);
  if (queryId == 0) return false;
  MutexLock(&session->lock);
  session->replies.FreeAll();
  MutexUnlock(&session->lock);
  if (NetSessionSendOwn(session, NetMessageMake(type, 0, queryId, payload, length)) == 0) return false;
  for (int32_t poll = 0; poll < g_netTuning.replyPolls; ++poll) {
    bool found = false;
    MutexLock(&session->lock);
    // A late answer to an earlier question of another type is not this one.
    for (NetMessageNode* node = session->replies.head; node != nullptr; node = node->next) {
      if (node->message.type != type) continue;
      *answer = node->message;
      session->replies.Remove(node);
      found = true;
      break;
    }
    MutexUnlock(&session->lock);
    if (found) return true;
    PlatformSleep(kPollMs);
  }
  return false;
}

// The first u16 of the answer to a question with an optional u16 argument;
// 0 when there is none.
int32_t AskNumber(uint8_t type, const uint16_t* argument) {
  NetSession* session = g_app.session;
  if (session == nullptr) return 0;
  uint8_t payload[2] = {};
  if (argument != nullptr) {
    payload[0] = static_cast<uint8_t>(*argument);
    payload[1] = static_cast<uint8_t>(*argument >> 8);
  }
  NetMessage answer;
  if (!AskServer(session, type, payload, argument != nullptr ? 2 : 0, &answer)) return 0;
  return answer.payload[0] | answer.payload[1] << 8;
}

}  // namespace

uint16_t NetWorkerRequest(NetSession* session, const char* name) {
  // A player's registration goes out only once the session has its query
  // identity, so that a question can follow it should its id be late (a
  // guest has one from joining; a host gets it before its first player).
  if (name != nullptr && QueryIdentity(session) == 0) return 0;
  auto* record = new (std::nothrow) NetPlayerRecord;
  if (record == nullptr) return 0;
  record->socket = -1;
  record->id = kNetIdUnregistered;
  record->queryFlag = name == nullptr ? 1 : 0;
  std::strncpy(record->name, name == nullptr ? "query" : name, kNetNameBytes - 1);
  MutexLock(&session->lock);
  session->localPlayers.Append(record);
  MutexUnlock(&session->lock);
  for (int32_t poll = 0; poll < g_netTuning.replyPolls; ++poll) {
    MutexLock(&session->lock);
    const uint16_t id = record->id;
    const bool running = session->threadRunning != 0;
    MutexUnlock(&session->lock);
    if (NetIsPlayerId(id)) return id;
    PlatformSleep(kPollMs);
    if (!running) break;
  }
  // No id in time. A registration that never went out (or whose session is
  // over) gets no answer: its record goes at once, under the lock the
  // session thread sends registrations under, so it cannot go out after.
  // One that went out may still be answered, or may have been refused (a
  // refusal has no answer); the answers come in the order of the frames,
  // so a record the server will answer must stay listed or its id would go
  // to the next registration.
  MutexLock(&session->lock);
  uint16_t id = record->id;
  const bool sent = id == kNetIdRegistering && session->threadRunning != 0;
  const bool hostAnswers = session->isHost != 0 && session->accepting != 0;
  const uint16_t queryId = session->ownQueryId;
  if (!NetIsPlayerId(id) && !sent) session->localPlayers.Remove(record);
  MutexUnlock(&session->lock);
  if (NetIsPlayerId(id)) return id;
  if (!sent) return 0;
  // For a player, a question sent now tells the two apart: once its answer
  // is in, so is any id for this registration. Without an answer to it
  // either, the record stays, abandoned, and the session thread gives its
  // id back (a leave) when it comes. The query identity itself has no one
  // to ask. A host's own server refuses it only while it takes no new
  // identities (it is registered before any player of the host's, so the
  // connection's limit is far); otherwise its id is late, and the record
  // stays abandoned the same way. A guest's is asked for when it joins,
  // whose failure ends the session.
  bool unsettled = false;
  if (name == nullptr) {
    unsettled = hostAnswers;
  } else if (NetIsPlayerId(queryId)) {
    NetMessage answer;
    unsettled = !AskServer(session, kMsgHello, nullptr, 0, &answer);
  }
  // Only this thread adds local records, and the session thread removes
  // only abandoned ones, so the record is still listed here.
  MutexLock(&session->lock);
  id = record->id;
  if (!NetIsPlayerId(id)) {
    if (unsettled) record->abandoned = 1;
    else session->localPlayers.Remove(record);
  }
  MutexUnlock(&session->lock);
  return NetIsPlayerId(id) ? id : 0;
}

int32_t NetHost(int32_t port) {
  NetSession* session = g_app.session;
  if (session == nullptr) return 0;
  const auto wire = static_cast<uint16_t>(port < 1 ? kNetDefaultPort : port);
  PrepareSession(session);
  const int32_t listening = SockListen(wire);
  if (listening < 0) return 0;
  MutexLock(&session->lock);
  session->listenSocket = listening;
  MutexUnlock(&session->lock);
  const SockAddress self = SockResolve(g_netTuning.hostOnLoopback ? "127.0.0.1" : "", wire);
  const int32_t connected = SockConnect(self, g_netTuning.sessionConnectMs);
  if (connected < 0) return 0;
  return StartSessionThread(session, connected, 1) ? 1 : 0;
}

int32_t NetJoin(const RtString& host, int32_t port) {
  NetSession* session = g_app.session;
  if (session == nullptr) return 0;
  const auto wire = static_cast<uint16_t>(port < 1 ? kNetDefaultPort : port);
  PrepareSession(session);
  const SockAddress address = SockResolve(host.c_str(), wire);
  if (address.ip == 0 && address.port == 0) return 0;
  const int32_t connected = SockConnect(address, g_netTuning.sessionConnectMs);
  if (connected < 0) return 0;
  if (!StartSessionThread(session, connected, 0)) return 0;
  NetMessage answer;
  if (AskServer(session, kMsgHello, nullptr, 0, &answer)) return 1;
  NetSessionReset(session);
  return 0;
}

int32_t NetSessionRunning() {
  NetSession* session = g_app.session;
  return session != nullptr && ReadFlag(session, &NetSession::threadRunning) != 0 ? 1 : 0;
}

void NetSetAccepting(int32_t flag) {
  NetSession* session = g_app.session;
  if (session == nullptr) return;
  MutexLock(&session->lock);
  session->accepting = flag != 0 ? 1 : 0;
  MutexUnlock(&session->lock);
}

int32_t NetPlayerAdd(const RtString& name) {
  NetSession* session = g_app.session;
  return session != nullptr ? NetWorkerRequest(session, name.c_str()) : 0;
}

int32_t NetPlayerLeave(int32_t id) {
  if (!NetIsPlayerId(static_cast<uint32_t>(id))) return id - 1;
  NetSession* session = g_app.session;
  if (session == nullptr) return 0;
  const int32_t sent = NetSessionSendOwn(session, NetMessageMake(kMsgLeave, 0, static_cast<uint16_t>(id), nullptr, 0));
  return sent < 1 ? sent : id;
}

int32_t NetSendMessage(int32_t sender, int32_t recipient, const RtString& text) {
  NetSession* session = g_app.session;
  // A longer text has no room in a frame: refused rather than cut.
  if (session == nullptr || text.length > static_cast<uint32_t>(kNetMaxPayload)) return 0;
  const auto to = static_cast<uint16_t>(recipient == 0 ? kNetIdEveryone : recipient);
  const NetMessage message =
      NetMessageMake(kMsgText, to, static_cast<uint16_t>(sender), text.text, static_cast<int>(text.length));
  return NetSessionSendOwn(session, message);
}

RtString NetGetMessage(int32_t id) {
  NetSession* session = g_app.session;
  if (session == nullptr) return RtString();
  NetMessage message;
  bool found = false;
  MutexLock(&session->lock);
  for (NetPlayerRecord* player = session->localPlayers.head; player != nullptr; player = player->next) {
    if (player->id != static_cast<uint16_t>(id)) continue;
    if (NetMessageNode* oldest = player->inbox.head) {
      message = oldest->message;
      player->inboxBytes -= oldest->message.length;
      player->inbox.Remove(oldest);
      found = true;
    }
    break;
  }
  MutexUnlock(&session->lock);
  if (!found) return RtString();
  g_lastSender = message.sender;
  return StringFromBytes(reinterpret_cast<const char*>(message.payload), message.length);
}

int32_t NetLastSender() { return g_lastSender; }

int32_t NetPlayerCount() {
  NetSession* session = g_app.session;
  if (session == nullptr || ReadFlag(session, &NetSession::threadRunning) == 0) return 0;
  return AskNumber(kMsgPlayerCount, nullptr);
}

int32_t NetPlayerId(int32_t index) {
  const auto argument = static_cast<uint16_t>(index);
  return AskNumber(kMsgPlayerId, &argument);
}

RtString NetRequest(int32_t id) {
  NetSession* session = g_app.session;
  const uint8_t payload[2] = {static_cast<uint8_t>(id), static_cast<uint8_t>(id >> 8)};
  NetMessage answer;
  if (session == nullptr || !AskServer(session, kMsgPlayerName, payload, 2, &answer)) return RtString("NO_DATA");
  const auto* text = reinterpret_cast<const char*>(answer.payload);
  return StringFromBytes(text, static_cast<uint32_t>(strnlen(text, answer.length < kLongestAnswerText
                                                                       ? answer.length
                                                                       : kLongestAnswerText)));
}

int32_t NetNextDeparted() {
  NetSession* session = g_app.session;
  if (session == nullptr) return 0;
  int32_t id = 0;
  MutexLock(&session->lock);
  if (session->isHost != 0 && session->departed.tail != nullptr) {
    id = session->departed.tail->id;
    session->departed.Remove(session->departed.tail);
  }
  MutexUnlock(&session->lock);
  return id;
}
