#include "net/net_session.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <vector>

#include "net/socket_layer.h"
#include "platform/clock.h"
#include "tests/support/net_fixture.h"
#include "tests/support/socket_slots.h"

namespace {

using NetSessionTest = NetTest;

std::vector<uint8_t> ReadAll(int fd) {
  std::vector<uint8_t> bytes;
  uint8_t buffer[256];
  ssize_t n;
  while ((n = read(fd, buffer, sizeof buffer)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
  return bytes;
}

TEST_F(NetSessionTest, CreatedAsAfterAReset) {
  NetSession* session = NetSessionCreate();
  ASSERT_NE(session, nullptr);
  EXPECT_EQ(session->nextPlayerId, 101);
  EXPECT_EQ(session->ownQueryId, 0);
  EXPECT_EQ(session->listenSocket, -1);
  EXPECT_EQ(session->sessionSocket, -1);
  EXPECT_EQ(session->stopRequest, 1);
  EXPECT_EQ(session->threadRunning, 0);
  EXPECT_EQ(session->accepting, 1);
  EXPECT_NE(session->lock, nullptr);
  EXPECT_EQ(session->localPlayers.count, 0);
  NetSessionFree(session);
}

TEST_F(NetSessionTest, FreeSendsOneLeaveForEachValidLocalIdAndClosesTheSocket) {
  int fds[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
  NetSession* session = NetSessionCreate();
  session->sessionSocket = SlotForSocket(fds[0]);
  for (uint16_t id : {uint16_t{3}, uint16_t{65280}, uint16_t{0}, uint16_t{0x1234}}) {
    auto* player = new NetPlayerRecord;
    player->id = id;
    player->inbox.Append(new NetMessageNode);
    session->localPlayers.Append(player);
  }
  NetSessionFree(session);
  // Two leave frames, then the end of the connection.
  EXPECT_EQ(ReadAll(fds[1]), (std::vector<uint8_t>{4, 0, 0, 0, 0, 3, 0, 4, 0, 0, 0, 0, 0x34, 0x12}));
  close(fds[1]);
}

// Frames go out byte by byte, little-endian, with at most 1023 payload bytes.
TEST_F(NetSessionTest, FramesAreWrittenLittleEndianAndCut) {
  int fds[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
  const int32_t slot = SlotForSocket(fds[0]);
  const std::string text(2000, 'z');
  const struct {
    NetMessage message;
    std::string bytes;
  } cases[] = {
      {NetMessageMake(kMsgText, 0x1234, 0xBEEF, "hi", 2), std::string("\x03\x02\x00\x34\x12\xEF\xBE", 7) + "hi"},
      {NetMessageMake(kMsgLeave, 0, 101, nullptr, 0), std::string("\x04\x00\x00\x00\x00\x65\x00", 7)},
      {NetMessageMake(kMsgText, 0xFFFF, 1, text.data(), 2000),
       std::string("\x03\xFF\x03\xFF\xFF\x01\x00", 7) + text.substr(0, 1023)},
  };
  for (const auto& c : cases) {
    ASSERT_EQ(NetSessionSend(slot, c.message), 1);
    std::string got(c.bytes.size(), '\0');
    ASSERT_EQ(recv(fds[1], got.data(), got.size(), MSG_WAITALL), static_cast<ssize_t>(got.size()));
    EXPECT_EQ(got, c.bytes);
    NetMessage back;
    NetMessageHeaderRead(reinterpret_cast<const uint8_t*>(c.bytes.data()), &back);
    EXPECT_EQ(back.type, c.message.type);
    EXPECT_EQ(back.length, c.message.length);
    EXPECT_EQ(back.recipient, c.message.recipient);
    EXPECT_EQ(back.sender, c.message.sender);
  }
  close(fds[1]);
}

struct FakeThreadState {
  NetSession* session;
  std::atomic<bool> left{false};
};

// Polls the stop request under the lock; on it, clears the running flag.
void RunUntilStopRequested(NetSession* session) {
  for (;;) {
    MutexLock(&session->lock);
    const bool stop = session->stopRequest != 0;
    if (stop) session->threadRunning = 0;
    MutexUnlock(&session->lock);
    if (stop) return;
    usleep(1000);
  }
}

// Behaves as the session thread does on a stop request: clears its running
// flag under the lock, then still has work to do before it has left.
int32_t FakeSessionThread(void* arg) {
  auto* state = static_cast<FakeThreadState*>(arg);
  RunUntilStopRequested(state->session);
  usleep(100000);
  state->left = true;
  return 0;
}

// Starts the fake session thread as hosting would (running flag as given),
// then resets the session.
void StartThreadThenReset(NetSession* session, FakeThreadState& state, ThreadFunction fn, uint8_t running) {
  session->stopRequest = 0;
  session->threadRunning = running;
  session->thread = ThreadCreate(fn, &state, 1);
  ASSERT_GT(session->thread, 0);
  NetSessionReset(session);
}

// A thread that has started but not yet marked itself running: it waits for
// the stop request (for at most kLongWaitMs, so that a reset that never asks
// cannot hang the test) and records whether it came.
int32_t StartingSessionThread(void* arg) {
  auto* state = static_cast<FakeThreadState*>(arg);
  const double deadline = PlatformMilliseconds() + kLongWaitMs;
  while (PlatformMilliseconds() < deadline) {
    MutexLock(&state->session->lock);
    const bool stop = state->session->stopRequest != 0;
    MutexUnlock(&state->session->lock);
    if (stop) {
      state->left = true;
      break;
    }
    usleep(1000);
  }
  return 0;
}

// A running thread, and one still starting (not yet marked running): each is
// asked to stop and has left before the reset closes the sockets.
TEST_F(NetSessionTest, ResetJoinsTheThreadBeforeClosingTheSockets) {
  const struct {
    ThreadFunction fn;
    uint8_t running;
  } cases[] = {{FakeSessionThread, 1}, {StartingSessionThread, 0}};
  for (const auto& c : cases) {
    NetSession* session = NetSessionCreate();
    FakeThreadState state{session};
    StartThreadThenReset(session, state, c.fn, c.running);
    EXPECT_TRUE(state.left) << int{c.running};
    EXPECT_EQ(session->thread, 0);
    EXPECT_EQ(session->stopRequest, 1);
    EXPECT_EQ(session->threadRunning, 0);
    NetSessionFree(session);
  }
}

struct IdGivingState {
  NetSession* session;
  NetPlayerRecord* player;
  std::atomic<bool> holding{false};
};

// The session thread handing out an id: it holds the lock while it works,
// gives the waiting record its id, then runs until asked to stop.
int32_t IdGivingSessionThread(void* arg) {
  auto* state = static_cast<IdGivingState*>(arg);
  MutexLock(&state->session->lock);
  state->holding = true;
  usleep(100000);
  state->player->id = 7;
  MutexUnlock(&state->session->lock);
  RunUntilStopRequested(state->session);
  return 0;
}

TEST_F(NetSessionTest, FreeReadsThePlayerIdsUnderTheLock) {
  int fds[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
  NetSession* session = NetSessionCreate();
  session->sessionSocket = SlotForSocket(fds[0]);
  auto* player = new NetPlayerRecord;
  player->id = 0xFFFC;  // registered, the id not yet given
  session->localPlayers.Append(player);
  IdGivingState state{session, player};
  session->stopRequest = 0;
  session->threadRunning = 1;
  session->thread = ThreadCreate(IdGivingSessionThread, &state, 1);
  ASSERT_GT(session->thread, 0);
  while (!state.holding) usleep(1000);
  NetSessionFree(session);
  EXPECT_EQ(ReadAll(fds[1]), (std::vector<uint8_t>{4, 0, 0, 0, 0, 7, 0}));
  close(fds[1]);
}

}  // namespace
