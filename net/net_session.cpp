#include "net/net_session.h"

#include <cstring>
#include <new>
#include <vector>

#include "net/socket_layer.h"
#include "platform/clock.h"
#include "process/app_globals.h"

NetSession* NetSessionCreate() {
  auto* session = new (std::nothrow) NetSession;
  if (session == nullptr) return nullptr;
  MutexInit(&session->lock);
  return session;
}

void NetMessageHeaderWrite(const NetMessage& message, uint8_t header[kNetHeaderSize]) {
  header[0] = message.type;
  header[1] = static_cast<uint8_t>(message.length);
  header[2] = static_cast<uint8_t>(message.length >> 8);
  header[3] = static_cast<uint8_t>(message.recipient);
  header[4] = static_cast<uint8_t>(message.recipient >> 8);
  header[5] = static_cast<uint8_t>(message.sender);
  header[6] = static_cast<uint8_t>(message.sender >> 8);
}

void NetMessageHeaderRead(const uint8_t header[kNetHeaderSize], NetMessage* message) {
  message->type = header[0];
  message->length = static_cast<uint16_t>(header[1] | header[2] << 8);
  message->recipient = static_cast<uint16_t>(header[3] | header[4] << 8);
  message->sender = static_cast<uint16_t>(header[5] | header[6] << 8);
}

NetMessage NetMessageMake(uint8_t type, uint16_t recipient, uint16_t sender, const void* payload, int length) {
  NetMessage message;
  message.type = type;
  message.recipient = recipient;
  message.sender = sender;
  if (length > kNetMaxPayload) length = kNetMaxPayload;
  if (payload != nullptr && length > 0) {
    std::memcpy(message.payload, payload, static_cast<size_t>(length));
    message.length = static_cast<uint16_t>(length);
  }
  return message;
}

int32_t NetMessageWrite(const NetMessage& message, uint8_t out[kNetHeaderSize + kNetMaxPayload]) {
  NetMessage sent = message;
  if (sent.length > kNetMaxPayload) sent.length = kNetMaxPayload;
  NetMessageHeaderWrite(sent, out);
  for (int i = 0; i < sent.length; ++i) out[kNetHeaderSize + i] = message.payload[i];
  return kNetHeaderSize + sent.length;
}

int32_t NetSessionSend(int32_t socket, const NetMessage& message) {
  uint8_t frame[kNetHeaderSize + kNetMaxPayload];
  const int32_t total = NetMessageWrite(message, frame);
  return SockSend(socket, frame, total, nullptr) == total ? 1 : 0;
}

namespace {

// Under sendLock: the number of bytes kept of a frame begun.
int32_t KeptRest(const NetSession* session) { return session->sendRestEnd - session->sendRestStart; }

// Under sendLock: nothing is kept any more (it went, or the connection is
// over).
void ForgetRest(NetSession* session) {
  session->sendRestStart = 0;
  session->sendRestEnd = 0;
}

// Under sendLock: a send on the session connection failed, and part of a
// frame may be out, which would garble every later frame: the connection is
// shut down (the session ends), and nothing is kept for it.
void ShutDownOwn(NetSession* session, int32_t socket) {
  ForgetRest(session);
  SockShutdown(socket);
}

}  // namespace

int32_t NetSessionSendOwn(NetSession* session, const NetMessage& message) {
  MutexLock(&session->lock);
  const int32_t socket = session->sessionSocket;
  MutexUnlock(&session->lock);
  if (socket == -1) return 0;
  const std::lock_guard<std::mutex> hold(session->sendLock);
  // The rest of a frame the session thread began goes first; this send may
  // wait for room, that one may not.
  const int32_t rest = KeptRest(session);
  if (rest > 0 && SockSend(socket, session->sendRest + session->sendRestStart, rest, nullptr) != rest) {
    ShutDownOwn(session, socket);
    return 0;
  }
  ForgetRest(session);
  const int32_t sent = NetSessionSend(socket, message);
  if (sent == 0) ShutDownOwn(session, socket);
  return sent;
}

int32_t NetSessionSendOwnNow(NetSession* session, int32_t socket, const NetMessage* message) {
  const int32_t rest = KeptRest(session);
  if (rest > 0) {
    const int32_t taken = SockSendNow(socket, session->sendRest + session->sendRestStart, rest);
    if (taken < 0) {
      ShutDownOwn(session, socket);
      return -1;
    }
    session->sendRestStart += taken;
    if (taken < rest) return 0;
    ForgetRest(session);
  }
  if (message == nullptr) return 1;
  // The frame is written where its rest would be kept.
  const int32_t total = NetMessageWrite(*message, session->sendRest);
  const int32_t taken = SockSendNow(socket, session->sendRest, total);
  if (taken < 0) {
    ShutDownOwn(session, socket);
    return -1;
  }
  if (taken == 0) return 0;
  if (taken < total) {
    session->sendRestStart = taken;
    session->sendRestEnd = total;
  }
  return 1;
}

void NetSessionReset(NetSession* session) {
  // The stop request goes out whether or not the thread has marked itself
  // running yet: a thread that is still starting sees it and leaves, so the
  // join below never waits for a thread that was never asked to stop.
  MutexLock(&session->lock);
  session->stopRequest = 1;
  const bool running = session->threadRunning != 0;
  MutexUnlock(&session->lock);
  while (running) {
    MutexLock(&session->lock);
    const bool still = session->threadRunning != 0;
    MutexUnlock(&session->lock);
    if (!still) break;
    PlatformSleep(50);
  }
  // The thread has cleared its flag; wait until it has really left, so that
  // nothing of it runs while the sockets close or the session is freed.
  if (session->thread != 0) {
    ThreadJoin(session->thread, nullptr);
    session->thread = 0;
  }
  // What was kept of a frame belongs to the connection that closes now.
  {
    const std::lock_guard<std::mutex> hold(session->sendLock);
    ForgetRest(session);
  }
  MutexLock(&session->lock);
  if (session->listenSocket != -1) SockClose(session->listenSocket);
  session->listenSocket = -1;
  if (session->sessionSocket != -1) SockClose(session->sessionSocket);
  session->sessionSocket = -1;
  // One release for the one start-up of hosting or joining: a session that
  // the thread already reset, or that never started, releases nothing, so
  // the start-ups of the program's own sockets stay counted.
  if (session->networkHeld != 0) NetShutdown();
  session->networkHeld = 0;
  session->stopRequest = 1;
  session->threadRunning = 0;
  session->accepting = 1;
  session->nextPlayerId = kNetFirstPlayerId;
  session->ownQueryId = 0;
  MutexUnlock(&session->lock);
}

void NetSessionEnd() {
  if (g_app.session != nullptr) NetSessionReset(g_app.session);
}

void NetSessionFree(NetSession* session) {
  if (session == nullptr) return;
  // The session thread may still give ids to the local players: read them
  // under the lock, send outside it.
  std::vector<uint16_t> leaving;
  MutexLock(&session->lock);
  for (NetPlayerRecord* player = session->localPlayers.head; player != nullptr; player = player->next) {
    if (NetIsPlayerId(player->id)) leaving.push_back(player->id);
  }
  MutexUnlock(&session->lock);
  for (uint16_t id : leaving) {
    if (NetSessionSendOwn(session, NetMessageMake(kMsgLeave, 0, id, nullptr, 0)) == 0) break;
  }
  NetSessionReset(session);
  MutexDestroy(&session->lock);
  session->localPlayers.FreeAll();
  session->serverPlayers.FreeAll();
  session->replies.FreeAll();
  session->departed.FreeAll();
  delete session;
}
