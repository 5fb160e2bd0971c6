#include "net/net_session.h"

#include <new>
#include <vector>

#include "app/app_globals.h"
#include "net/socket_layer.h"
#include "platform/clock.h"

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

int32_t NetSessionSend(int32_t socket, const NetMessage& message) {
  const int payload = message.length > kNetMaxPayload ? kNetMaxPayload : message.length;
  uint8_t frame[kNetHeaderSize + kNetMaxPayload];
  NetMessage sent = message;
  sent.length = static_cast<uint16_t>(payload);
  NetMessageHeaderWrite(sent, frame);
  for (int i = 0; i < payload; ++i) frame[kNetHeaderSize + i] = message.payload[i];
  const int32_t total = kNetHeaderSize + payload;
  return SockSend(socket, frame, total, nullptr) == total ? 1 : 0;
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
  if (session->listenSocket != -1) SockClose(session->listenSocket);
  session->listenSocket = -1;
  if (session->sessionSocket != -1) SockClose(session->sessionSocket);
  session->sessionSocket = -1;
  NetShutdown();
  session->stopRequest = 1;
  session->threadRunning = 0;
  session->accepting = 1;
  session->nextPlayerId = kNetFirstPlayerId;
  session->ownQueryId = 0;
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
    if (player->id >= 1 && player->id <= 65279) leaving.push_back(player->id);
  }
  MutexUnlock(&session->lock);
  for (uint16_t id : leaving) {
    if (session->sessionSocket == -1) break;
    NetMessage leave;
    leave.type = kMsgLeave;
    leave.sender = id;
    NetSessionSend(session->sessionSocket, leave);
  }
  NetSessionReset(session);
  NetShutdown();
  MutexDestroy(&session->lock);
  session->localPlayers.FreeAll();
  session->serverPlayers.FreeAll();
  session->received.FreeAll();
  session->replies.FreeAll();
  session->departed.FreeAll();
  delete session;
}
